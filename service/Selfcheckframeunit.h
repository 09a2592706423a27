// The device self-test view of the settings category.
#pragma once
#include "platform/vcl/Forms.h"

class TSelfCheckFrame : public TFrame {
 public:
  // Built double-buffered and disabled; the settings category makes it visible.
  explicit TSelfCheckFrame(TComponent* AOwner) : TFrame(AOwner) {
    SetDoubleBuffered(true);
    SetEnabled(false);
  }

  // Shows and enables the self-test panel; nothing while it is showing.
  void Enter() {
    if (Visible()) return;
    SetVisible(true);
    SetEnabled(true);
  }
  // Hides and disables the panel; nothing while it is hidden.
  void Leave() {
    if (!Visible()) return;
    SetVisible(false);
    SetEnabled(false);
  }
};
