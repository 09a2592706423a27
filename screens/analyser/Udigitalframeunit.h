// The digital view of the analyser category.
#pragma once
#include "screens/ModeFrameBase.h"

class TUDigitalFrame : public TModeFrameBase {
 public:
  explicit TUDigitalFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {}
};
