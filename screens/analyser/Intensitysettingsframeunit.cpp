#include "screens/analyser/Intensitysettingsframeunit.h"

#include "screens/PanelButton.h"
#include "screens/analyser/ControlFrameStyle.h"
#include "base/Globals.h"
#include "base/Guard.h"
#include "base/Language.h"

namespace intensity {

int RowsForSpeed(uint8_t speed) { return speed == Fast ? 50 : speed == Slow ? 200 : 100; }

int DetailBandwidth(uint8_t filter) { return filter == Wide ? 1 : filter == Narrow ? 4 : 0; }

uint8_t OverviewFilterOffset(uint8_t filter) { return filter == Wide ? 1 : filter == Narrow ? 2 : 0; }

int SpeedTextItem(uint8_t speed) { return speed == Fast ? 7 : speed == Slow ? 8 : 9; }

int FilterTextItem(uint8_t filter) { return filter == Wide ? 10 : filter == Narrow ? 11 : 9; }

}  // namespace intensity

namespace {

TLabel* MakeTitle(TFrame* frame, const char* caption, int left) {
  auto* label = new TLabel(frame);
  label->SetParent(frame);
  label->SetAutoSize(false);
  label->SetBounds(left, 16, 97, 29);
  label->SetAlignment(taCenter);
  label->SetColor(control_style::Background);
  label->Font()->SetName("MS Sans Serif");
  label->Font()->SetHeight(-19);
  label->Font()->SetColor(clScrollBar);
  label->SetCaption(caption);
  return label;
}

TPanel* MakeSetting(TFrame* frame, int left) {
  return MakePanelButton(frame, "Start", left, 56, 97, 33, "MS Sans Serif", -11);
}

uint8_t NextSetting(uint8_t value) { return uint8_t((value + 1) % 3); }

}  // namespace

TIntensitySettingsFrame::TIntensitySettingsFrame(TComponent* AOwner) : TFrame(AOwner) {
  Guarded("TIntensitySettingsFrame::TIntensitySettingsFrame", [&] {
    SetDoubleBuffered(true);
    SetBounds(0, 0, 229, 101);
    Image1 = new TImage(this);
    Image1->SetParent(this);
    Label1 = MakeTitle(this, "Speed", 12);
    Label2 = MakeTitle(this, "Filter", 120);
    Panel1 = MakeSetting(this, 12);
    Panel2 = MakeSetting(this, 120);
    for (TPanel* p : {Panel1, Panel2}) {
      p->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        OnPanelMouseDown(s, b, sh, x, y);
      };
      p->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        OnPanelMouseUp(s, b, sh, x, y);
      };
    }
    DrawLayout();
    Update();
  });
}

void TIntensitySettingsFrame::DrawLayout() { control_style::DrawBackground(this, Image1); }

void TIntensitySettingsFrame::Update() {
  Guarded("TIntensitySettingsFrame::Update", [&] {
    if (!GlobalLanguageSkinTool) return;
    Panel1->SetCaption(GlobalLanguageSkinTool->GetGeneralText(intensity::SpeedTextItem(Speed)));
    Panel2->SetCaption(GlobalLanguageSkinTool->GetGeneralText(intensity::FilterTextItem(Filter)));
  });
}

void TIntensitySettingsFrame::OnPanelMouseDown(TObject* Sender, TMouseButton, TShiftState, int, int) {
  auto* panel = static_cast<TPanel*>(Sender);
  panel->SetColor(panel_colours::Pressed);
  if (panel == Panel1)
    Speed = NextSetting(Speed);
  else if (panel == Panel2)
    Filter = NextSetting(Filter);
  Update();
  if (OnChange) OnChange();
}

void TIntensitySettingsFrame::OnPanelMouseUp(TObject* Sender, TMouseButton, TShiftState, int, int) {
  static_cast<TPanel*>(Sender)->SetColor(panel_colours::Released);
}
