// The up/down stepping frame shared by the analyser views.
#pragma once
#include "platform/vcl/Forms.h"

class TUpDownFrame : public TFrame {
 public:
  explicit TUpDownFrame(TComponent* AOwner) : TFrame(AOwner) {}
};
