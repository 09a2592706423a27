// The settings frame of the intensity view.
#pragma once
#include "platform/vcl/Forms.h"

class TIntensitySettingsFrame : public TFrame {
 public:
  explicit TIntensitySettingsFrame(TComponent* AOwner) : TFrame(AOwner) {}
};
