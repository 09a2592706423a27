// The synthesiser service frame.
#pragma once
#include "platform/vcl/Forms.h"

class TDDSUserFrame : public TFrame {
 public:
  explicit TDDSUserFrame(TComponent* AOwner) : TFrame(AOwner) {}
};
