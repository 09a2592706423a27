// The silent-detect view of the auto category.
#pragma once
#include "screens/ModeFrameBase.h"

class TUSilentFrame : public TModeFrameBase {
 public:
  explicit TUSilentFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {}
};
