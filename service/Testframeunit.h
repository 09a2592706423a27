// The test frame: hosts the service checks of the main window.
#pragma once
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"

class TDDSUserFrame;
class TFilterUserFrame;
class TSweepAFrame;
class TAudioTestFrame;

// The running service mode of the test frame (0: none; 1 AD check, 3 filter check, 5 A-mode sweep).
inline int AppState = 0;

class TTestFrame : public TFrame {
 public:
  explicit TTestFrame(TComponent* AOwner) : TFrame(AOwner) {
    BackgroundImage = new TImage(this);
    BackgroundImage->SetParent(this);
    BackgroundImage->SetAlign(alClient);
    BackgroundImage->SetStretch(true);
  }

  // Restart the AD-display check and the IF-filter check.
  void StartADCheck() { AppState = 1; }
  void StartFilterCheck(int /*range*/, int /*moduleFlag*/) { AppState = 3; }

  TImage* BackgroundImage = nullptr;
  // Given by the main window, not owned.
  TForm* RenderWindow = nullptr;
  TDDSUserFrame* DDSUserFrame = nullptr;
  TFilterUserFrame* FilterUserFrame = nullptr;
  TSweepAFrame* SweepAFrame = nullptr;
  TAudioTestFrame* AudioTestFrame = nullptr;
};
