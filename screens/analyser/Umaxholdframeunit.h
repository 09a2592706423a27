// The max-hold view of the analyser category.
#pragma once
#include "screens/ModeFrameBase.h"

class TUMaxHoldFrame : public TModeFrameBase {
 public:
  explicit TUMaxHoldFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {}
};
