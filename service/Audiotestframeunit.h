// The audio test frame.
#pragma once
#include "platform/vcl/Forms.h"

class TAudioTestFrame : public TFrame {
 public:
  explicit TAudioTestFrame(TComponent* AOwner) : TFrame(AOwner) {}
};
