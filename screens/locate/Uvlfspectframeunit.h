// The VLF spectrum view of the VLF category.
#pragma once
#include "screens/ModeFrameBase.h"

class TUVLFSpectFrame : public TModeFrameBase {
 public:
  explicit TUVLFSpectFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {}
};
