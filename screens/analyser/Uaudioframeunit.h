// The audio view of the analyser category.
#pragma once
#include "screens/ModeFrameBase.h"

class TUAudioFrame : public TModeFrameBase {
 public:
  explicit TUAudioFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {}
};
