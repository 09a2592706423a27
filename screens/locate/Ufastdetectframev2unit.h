// The fast-detect view of the auto category.
#pragma once
#include "screens/ModeFrameBase.h"
#include <atomic>
#include <cstdint>

// Set while the fast-detect view shows its radar: the idle pass then draws the radar first.
inline std::atomic<uint8_t> RadarViewActive{0};

class TFastDetectFrameV2 : public TModeFrameBase {
 public:
  explicit TFastDetectFrameV2(TComponent* AOwner) : TModeFrameBase(AOwner) {}
  // Draws the radar under the displays while it is shown, and the view's overlay over them.
  void RenderHook(RenderPass pass) override {
    if (pass == RenderPass::BeforeDisplays) {
      if (RadarViewActive) RenderRadar();
    } else {
      Render();
    }
  }

 private:
  void Render() {}
  void RenderRadar() {}
};
