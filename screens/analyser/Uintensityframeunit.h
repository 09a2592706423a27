// The intensity (waterfall) view of the analyser category.
#pragma once
#include "screens/ModeFrameBase.h"

class TUIntensityFrame : public TModeFrameBase {
 public:
  explicit TUIntensityFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {}
};
