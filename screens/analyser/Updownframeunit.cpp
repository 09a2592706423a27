#include "screens/analyser/Updownframeunit.h"

#include "screens/analyser/ControlFrameStyle.h"
#include "base/Globals.h"
#include "base/Language.h"

TUpDownFrame::TUpDownFrame(TComponent* AOwner) : TFrame(AOwner) {
  SetDoubleBuffered(true);
  SetBounds(0, 0, 160, 101);
  Image1 = new TImage(this);
  Image1->SetParent(this);
  Label2 = new TLabel(this);
  Label2->SetParent(this);
  Label2->SetAutoSize(false);
  Label2->SetBounds(18, 16, 127, 21);
  Label2->SetAlignment(taCenter);
  Label2->SetTransparent(true);
  Label2->Font()->SetColor(control_style::Text);
  Label2->SetCaption("Frequency");
  Image2 = new TImage(this);
  Image3 = new TImage(this);
  for (TImage* i : {Image2, Image3}) {
    i->SetParent(this);
    i->SetBounds(i == Image2 ? 16 : 82, 48, 61, 37);
    i->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
      OnButtonMouseDown(s, b, sh, x, y);
    };
    i->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
      OnButtonMouseUp(s, b, sh, x, y);
    };
  }
  OnResize = [this](TObject*) { Update(); };
  control_style::DrawBackground(this, Image1);
  Update();
}

void TUpDownFrame::ShowButton(TImage* image, int n, bool active) {
  if (!GlobalLanguageSkinTool) return;
  if (TBitmap* b = GlobalLanguageSkinTool->GetUpDownButton(n, active)) image->Picture()->Assign(b);
}

void TUpDownFrame::Update() {
  Image1->SetBounds(0, 0, ClientWidth(), ClientHeight());
  if (!GlobalLanguageSkinTool) return;
  ShowButton(Image2, 1, false);
  ShowButton(Image3, 2, false);
  Label2->SetCaption(GlobalLanguageSkinTool->GetGeneralText(3));
}

void TUpDownFrame::EnableButtons() {
  Image2->SetEnabled(true);
  Image3->SetEnabled(true);
}

void TUpDownFrame::DisableButtons() {
  Image2->SetEnabled(false);
  Image3->SetEnabled(false);
}

void TUpDownFrame::OnButtonMouseDown(TObject* Sender, TMouseButton Button, TShiftState, int, int) {
  if (Button != mbLeft) return;
  const bool up = Sender == Image3;
  if (!up && Sender != Image2) return;
  ShowButton(up ? Image3 : Image2, up ? 2 : 1, true);
  if (OnChange) OnChange(up);
}

void TUpDownFrame::OnButtonMouseUp(TObject* Sender, TMouseButton Button, TShiftState, int, int) {
  if (Button != mbLeft) return;
  if (Sender == Image2) ShowButton(Image2, 1, false);
  if (Sender == Image3) ShowButton(Image3, 2, false);
}
