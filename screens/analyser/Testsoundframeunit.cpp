#include "screens/analyser/Testsoundframeunit.h"

#include "screens/analyser/ControlFrameStyle.h"
#include "base/Globals.h"
#include "base/Language.h"

TTestSoundFrame::TTestSoundFrame(TComponent* AOwner) : TFrame(AOwner) {
  SetDoubleBuffered(true);
  SetBounds(0, 0, 192, 101);
  Image1 = new TImage(this);
  Image1->SetParent(this);
  Label1 = new TLabel(this);
  Label1->SetParent(this);
  Label1->SetAutoSize(false);
  Label1->SetBounds(8, 16, 173, 29);
  Label1->SetAlignment(taCenter);
  Label1->SetTransparent(true);
  Label1->Font()->SetColor(control_style::Text);
  Label1->SetCaption("Sound Sequenz");
  Panel1 = control_style::MakeButton(this, "Start", 60, 56, 75, 29);
  Panel1->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    OnPanel1MouseDown(s, b, sh, x, y);
  };
  Panel1->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    OnPanel1MouseUp(s, b, sh, x, y);
  };
  control_style::DrawBackground(this, Image1);
}

void TTestSoundFrame::Update() {
  if (!GlobalLanguageSkinTool) return;
  Label1->SetCaption(GlobalLanguageSkinTool->GetGeneralText(5));
  Panel1->SetCaption(GlobalLanguageSkinTool->GetGeneralText(6));
}

void TTestSoundFrame::OnPanel1MouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  Panel1->SetColor(panel_colours::Pressed);
  if (OnChange) OnChange();
}

void TTestSoundFrame::OnPanel1MouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  Panel1->SetColor(panel_colours::Released);
}
