// Two buttons that search the next peak below or above the centre (OnChange(true) = up).
#pragma once
#include <functional>

#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"

class TUpDownFrame : public TFrame {
 public:
  explicit TUpDownFrame(TComponent* AOwner);
  void Update() override;
  void EnableButtons();
  void DisableButtons();
  // Left button only: the down (Image2) or up (Image3) button.
  void OnButtonMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void OnButtonMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);

  std::function<void(bool up)> OnChange;
  TImage* Image1 = nullptr;
  TImage* Image2 = nullptr;  // down
  TImage* Image3 = nullptr;  // up
  TLabel* Label2 = nullptr;

 private:
  void ShowButton(TImage* image, int n, bool active);
};
