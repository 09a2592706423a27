// The mobile-band monitor view of the auto category.
#pragma once
#include "screens/ModeFrameBase.h"

class TMobilFrameV2 : public TModeFrameBase {
 public:
  explicit TMobilFrameV2(TComponent* AOwner) : TModeFrameBase(AOwner) {}
};
