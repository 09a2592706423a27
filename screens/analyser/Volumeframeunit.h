// The loudspeaker volume slider: 0 at the left end, 60 to 240 elsewhere (OnChange(volume)).
#pragma once
#include <functional>

#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"

// The volume of a knob at the given left edge (24 .. 227).
int VolumeForKnob(int left);

class TVolumeFrame : public TFrame {
 public:
  static constexpr int KnobMin = 24;
  static constexpr int KnobMax = 227;

  explicit TVolumeFrame(TComponent* AOwner);
  void Update() override;
  void Enter() {}
  void Leave() {}
  // Moves the knob by dx pixels and reports the new volume.
  void MoveSlider(int dx);
  // A view takes the frame: placed at (left, top) in the view, shown, entered, its changes to onChange.
  void Attach(TWinControl* view, int left, int top, std::function<void(int volume)> onChange);
  // The view gives it back: volume 0 (reported), then taken out.
  void Detach();
  // Taken out of the view with its volume kept: detached, hidden, no handler, left.
  void TakeOut();
  void OnImage1MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);

  int Volume = 0;
  std::function<void(int volume)> OnChange;
  TImage* Image = nullptr;  // background and scale
  TLabel* Label2 = nullptr;
  TImage* Image1 = nullptr;  // knob
};
