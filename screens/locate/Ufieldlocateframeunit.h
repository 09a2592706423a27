// The analogue field-locate view of the locate category.
#pragma once
#include "screens/ModeFrameBase.h"

class TFieldLocateFrame : public TModeFrameBase {
 public:
  explicit TFieldLocateFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {}
};
