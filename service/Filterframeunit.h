// The IF-filter service frame.
#pragma once
#include "screens/ModeFrameBase.h"

class TFilterUserFrame : public TModeFrameBase {
 public:
  explicit TFilterUserFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {}
};
