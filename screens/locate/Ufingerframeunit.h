// The fingerprint record view of the fingerprint category.
#pragma once
#include "screens/ModeFrameBase.h"

class TUFingerFrame : public TModeFrameBase {
 public:
  explicit TUFingerFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {}
  // Draws the view's bar graphs over the displays.
  void RenderHook(RenderPass pass) override {
    if (pass == RenderPass::AfterDisplays) RenderBarGraphs();
  }

 private:
  // Draws the bar graphs into the current scene when they are switched on.
  void RenderBarGraphs() {}
};
