// The IF-filter service frame.
#pragma once
#include "platform/vcl/Forms.h"

class TFilterUserFrame : public TFrame {
 public:
  explicit TFilterUserFrame(TComponent* AOwner) : TFrame(AOwner) {}
};
