// The digital field-locate view of the locate category.
#pragma once
#include "screens/ModeFrameBase.h"

class TUDigFieldLocateFrame : public TModeFrameBase {
 public:
  explicit TUDigFieldLocateFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {}
};
