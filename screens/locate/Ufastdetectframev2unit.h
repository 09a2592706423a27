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
  // Render hook after the displays.
  void Render() {}
  // Draws the radar view into the current scene.
  void RenderRadar() {}
};
