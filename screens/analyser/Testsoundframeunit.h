// The test-sound frame of the audio view.
#pragma once
#include "platform/vcl/Forms.h"

class TTestSoundFrame : public TFrame {
 public:
  explicit TTestSoundFrame(TComponent* AOwner) : TFrame(AOwner) {}
};
