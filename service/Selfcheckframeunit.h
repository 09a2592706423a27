// The device self-test view of the settings category.
#pragma once
#include "screens/ModeFrameBase.h"

class TSelfCheckFrame : public TModeFrameBase {
 public:
  // Built disabled; the settings category makes it visible. The panel takes input only while the
  // view is entered.
  explicit TSelfCheckFrame(TComponent* AOwner) : TModeFrameBase(AOwner) { SetEnabled(false); }

 protected:
  void StartWork() override { SetEnabled(true); }
  void StopWork() override { SetEnabled(false); }
};
