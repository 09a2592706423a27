#include "screens/analyser/Volumeframeunit.h"

#include <algorithm>
#include <utility>

#include "screens/analyser/ControlFrameStyle.h"
#include "base/Globals.h"
#include "base/Language.h"

int VolumeForKnob(int left) {
  double v = 180.0 / 203.0 * (left - TVolumeFrame::KnobMin) + 60.0;
  if (!(v > 60)) v = 0;
  if (v > 255) v = 255;
  return int(v);
}

TVolumeFrame::TVolumeFrame(TComponent* AOwner) : TFrame(AOwner) {
  SetDoubleBuffered(true);
  SetBounds(0, 0, 280, 101);
  Image = new TImage(this);
  Image->SetParent(this);
  Label2 = new TLabel(this);
  Label2->SetParent(this);
  Label2->SetAutoSize(false);
  Label2->SetBounds(78, 16, 127, 21);
  Label2->SetAlignment(taCenter);
  Label2->SetTransparent(true);
  Label2->Font()->SetColor(control_style::Text);
  Label2->SetCaption("Volume");
  Image1 = new TImage(this);
  Image1->SetParent(this);
  Image1->SetBounds(KnobMin, 40, 29, 45);
  Image1->SetStretch(true);
  Image1->Canvas()->Brush()->SetColor(0xC8D0D4);
  Image1->Canvas()->FillRect(TRect(0, 0, 29, 45));
  Image1->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { OnImage1MouseMove(s, sh, x, y); };
  control_style::DrawBackground(this, Image);
  Update();
}

void TVolumeFrame::Update() {
  Image->SetBounds(0, 0, ClientWidth(), ClientHeight());
  if (!GlobalLanguageSkinTool) return;
  TCanvas* c = Image->Canvas();
  c->Pen()->SetColor(0x787878);
  c->Pen()->SetWidth(2);
  c->Brush()->SetColor(0x787878);
  for (int k = 0; k <= 200; k += 20) c->FrameRect(TRect(32 + k, 59 - k / 22, 47 + k, 63 + k / 22));
  Label2->SetCaption(GlobalLanguageSkinTool->GetGeneralText(4));
}

void TVolumeFrame::MoveSlider(int dx) {
  const int left = std::clamp(Image1->Left() + dx, KnobMin, KnobMax);
  Image1->SetBounds(left, 38, Image1->Width(), Image1->Height());
  Volume = VolumeForKnob(left);
  if (OnChange) OnChange(Volume);
}

void TVolumeFrame::Attach(TWinControl* view, int left, int top, std::function<void(int volume)> onChange) {
  SetParent(view);
  SetBounds(left, top, Width(), Height());
  Show();
  Enter();
  Update();
  OnChange = std::move(onChange);
}

void TVolumeFrame::Detach() {
  MoveSlider(-300);
  TakeOut();
}

void TVolumeFrame::TakeOut() {
  Hide();
  SetParent(nullptr);
  OnChange = nullptr;
  Leave();
}

void TVolumeFrame::OnImage1MouseMove(TObject*, TShiftState Shift, int X, int) {
  if (Shift & ssLeft) MoveSlider(X);
}
