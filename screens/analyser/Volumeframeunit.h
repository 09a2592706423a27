// The volume frame shared by the analyser and VLF views.
#pragma once
#include "platform/vcl/Forms.h"

class TVolumeFrame : public TFrame {
 public:
  explicit TVolumeFrame(TComponent* AOwner) : TFrame(AOwner) {}
};
