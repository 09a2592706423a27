// The VLF sonar view of the VLF category.
#pragma once
#include "screens/ModeFrameBase.h"

class TUVLFSonarFrame : public TModeFrameBase {
 public:
  explicit TUVLFSonarFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {}
};
