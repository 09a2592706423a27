// The synthesiser service frame.
#pragma once
#include "screens/ModeFrameBase.h"

class TDDSUserFrame : public TModeFrameBase {
 public:
  explicit TDDSUserFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {}
};
