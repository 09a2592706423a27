// One button that plays the test-sound sequence (audio view).
#pragma once
#include <functional>

#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"

class TTestSoundFrame : public TFrame {
 public:
  explicit TTestSoundFrame(TComponent* AOwner);
  void Update() override;
  void Enter() {}
  void Leave() {}
  void OnPanel1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void OnPanel1MouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);

  std::function<void()> OnChange;
  TImage* Image1 = nullptr;
  TLabel* Label1 = nullptr;
  TPanel* Panel1 = nullptr;
};
