// The silent-mode test window, made by the entry routine and not used by the shell afterwards.
#pragma once
#include "platform/vcl/Forms.h"

class TSilentTestWin : public TForm {
 public:
  explicit TSilentTestWin(TComponent* AOwner) : TForm(AOwner) { SetCaption("Silent Test"); }
};
