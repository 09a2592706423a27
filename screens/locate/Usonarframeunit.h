// The sonar view of the locate category.
#pragma once
#include "screens/ModeFrameBase.h"

class TUSonarFrame : public TModeFrameBase {
 public:
  explicit TUSonarFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {}
};
