// The audio test frame.
#pragma once
#include "screens/ModeFrameBase.h"

class TAudioTestFrame : public TModeFrameBase {
 public:
  explicit TAudioTestFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {}
};
