// The differential view of the analyser category.
#pragma once
#include "screens/ModeFrameBase.h"

class TUDiffFrame : public TModeFrameBase {
 public:
  explicit TUDiffFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {}
};
