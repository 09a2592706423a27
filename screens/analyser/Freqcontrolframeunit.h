// The frequency control frame shared by the analyser views (centre, span, range).
#pragma once
#include "platform/vcl/Forms.h"

class TFreqControlFrame : public TFrame {
 public:
  explicit TFreqControlFrame(TComponent* AOwner) : TFrame(AOwner) {}
  // Refreshes the frame's skin and captions.
  void Update() override {}
};
