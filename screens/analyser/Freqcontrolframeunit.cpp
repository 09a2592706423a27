#include "screens/analyser/Freqcontrolframeunit.h"

#include <cmath>
#include <cstdlib>

#include "platform/rtl/SysUtils.h"
#include "screens/analyser/ControlFrameStyle.h"
#include "base/Globals.h"
#include "base/Language.h"

namespace {

std::string Mhz(double v) { return FormatFloat("0.000", v); }

// The C library's reading of a decimal number ("1e400" reads as infinity); text that is no number,
// and "nan", read as 0.
double ReadNumber(const TEdit* edit) {
  const double v = std::strtod(edit->Caption().c_str(), nullptr);
  return std::isnan(v) ? 0.0 : v;
}

TEdit* MakeEdit(TFrame* frame, int left, int width) {
  auto* e = new TEdit(frame);
  e->SetParent(frame);
  e->SetBounds(left, 56, width, 29);
  e->SetBorderStyle(bsNone);
  e->SetColor(0x747474);
  e->SetText("100.000");
  return e;
}

}  // namespace

TFreqControlFrame::TFreqControlFrame(TComponent* AOwner) : TFrame(AOwner) {
  SetDoubleBuffered(true);
  SetBounds(0, 0, 401, 101);
  Image1 = new TImage(this);
  Image1->SetParent(this);
  Label1 = new TLabel(this);
  Label1->SetParent(this);
  Label1->SetAutoSize(false);
  Label1->SetBounds(100, 16, 193, 29);
  Label1->SetAlignment(taCenter);
  Label1->SetTransparent(true);
  Label1->Font()->SetColor(control_style::Text);
  Label1->SetCaption("Mittenfrequenz");
  Panel1 = control_style::MakeButton(this, "Center", 16, 16, 65, 21);
  Panel2 = control_style::MakeButton(this, "Span", 16, 40, 65, 21);
  Panel3 = control_style::MakeButton(this, "Range", 16, 64, 65, 21);
  Panel4 = control_style::MakeButton(this, "Up", 312, 16, 73, 29);
  Panel5 = control_style::MakeButton(this, "Down", 312, 56, 73, 29);
  for (TPanel* p : {Panel1, Panel2, Panel3, Panel4, Panel5}) {
    p->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
      OnPanelMouseDown(s, b, sh, x, y);
    };
    p->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
      OnPanelMouseUp(s, b, sh, x, y);
    };
  }
  Edit1 = MakeEdit(this, 100, 193);
  Edit2 = MakeEdit(this, 100, 93);
  Edit3 = MakeEdit(this, 200, 93);
  for (TEdit* e : {Edit1, Edit2, Edit3})
    e->OnKeyDown = [this](TObject* s, uint16_t& key, TShiftState sh) { OnEditKeyDown(s, key, sh); };
  SetMaxima(false);
  control_style::DrawBackground(this, Image1);
  Update();
}

void TFreqControlFrame::Changed() {
  if (OnChange) OnChange();
}

void TFreqControlFrame::Update() {
  if (GlobalLanguageSkinTool) {
    const LanguageSkinTool& texts = *GlobalLanguageSkinTool;
    TPanel* panels[] = {Panel1, Panel2, Panel3, Panel4, Panel5};
    for (int i = 0; i < 5; ++i) panels[i]->SetCaption(texts.GetFreqControlText(i + 1));
    Label1->SetCaption(texts.GetFreqControlText(Mode == ModeRange ? 10 : Mode));
  }
  if (Mode == ModeCenter) Edit1->SetText(Mhz(Center));
  if (Mode == ModeSpan) Edit1->SetText(Mhz(Span));
  if (Mode == ModeRange) {
    Edit2->SetText(Mhz(Start));
    Edit3->SetText(Mhz(Stop));
  }
  LayoutControls();
  Changed();
}

void TFreqControlFrame::LayoutControls() {
  for (TControl* c : std::initializer_list<TControl*>{Panel1, Panel2, Panel3, Panel4, Panel5, Label1})
    c->Show();
  Edit1->SetVisible(Mode != ModeRange);
  Edit2->SetVisible(Mode == ModeRange);
  Edit3->SetVisible(Mode == ModeRange);
}

void TFreqControlFrame::ShowValues() {
  if (Mode == ModeCenter) Edit1->SetText(Mhz(Center));
  if (Mode == ModeSpan) Edit1->SetText(Mhz(Span));
  if (Mode == ModeRange) {
    Edit2->SetText(Mhz(Start));
    Edit3->SetText(Mhz(Stop));
  }
}

void TFreqControlFrame::AroundCenter() {
  Start = Center - Span / 2;
  Stop = Start + Span;
}

void TFreqControlFrame::SetCenter(double x) {
  if (x > MaxFrequency) x = MaxFrequency;
  Center = x;
  AroundCenter();
  if (Mode != ModeCenter) {
    Mode = ModeCenter;
    Update();
  }
  ShowValues();
  Changed();
}

void TFreqControlFrame::StoreSpan(double x) {
  if (x < 1) x = 1;
  if (x > MaxSpan) x = MaxSpan;
  Span = x;
  AroundCenter();
}

void TFreqControlFrame::SetSpan(double x) {
  StoreSpan(x);
  if (Mode != ModeSpan) {
    Mode = ModeSpan;
    Update();
  }
  ShowValues();
  Changed();
}

void TFreqControlFrame::SpanDown() {
  if (Span > 1) SetSpan(LanguageSkinTool::NextSpanStep(false, Span));
}

void TFreqControlFrame::SpanUp() {
  if (Span < MaxSpan) SetSpan(LanguageSkinTool::NextSpanStep(true, Span));
}

void TFreqControlFrame::ShiftCenter(bool up, double x) {
  if (up && x + Span / 2 > MaxFrequency) x = MaxFrequency - Span / 2;
  if (!up && !(x - Span / 2 >= 0)) x = Span / 2;
  Center = x;
  AroundCenter();
}

void TFreqControlFrame::RangeUp() {
  Mode = ModeRange;
  ShiftCenter(true, Center + Span / 2);
  RangeStepMark = RangeStepUp;
  Update();
}

void TFreqControlFrame::RangeDown() {
  Mode = ModeRange;
  ShiftCenter(false, Center - Span / 2);
  RangeStepMark = RangeStepDown;
  Update();
}

void TFreqControlFrame::SetMaxima(bool limited) { MaxFrequency = MaxSpan = limited ? 5000.0 : 15000.0; }

void TFreqControlFrame::OnPanelMouseDown(TObject* Sender, TMouseButton, TShiftState, int, int) {
  if (auto* p = dynamic_cast<TPanel*>(Sender)) p->SetColor(panel_colours::Pressed);
  if (Sender == Panel4) return RangeUp();
  if (Sender == Panel5) return RangeDown();
  if (Sender == Panel1)
    Mode = ModeCenter;
  else if (Sender == Panel2)
    Mode = ModeSpan;
  else if (Sender == Panel3)
    Mode = ModeRange;
  else
    return;
  Update();
}

void TFreqControlFrame::OnPanelMouseUp(TObject* Sender, TMouseButton, TShiftState, int, int) {
  if (auto* p = dynamic_cast<TPanel*>(Sender)) p->SetColor(panel_colours::Released);
}

void TFreqControlFrame::OnEditKeyDown(TObject* Sender, uint16_t& Key, TShiftState) {
  if (Key != 13) return;
  if (Mode == ModeCenter || Mode == ModeSpan) {
    if (Sender != Edit1) return;
    const double max = Mode == ModeCenter ? MaxFrequency : MaxSpan;
    double v = ReadNumber(Edit1);
    if (!(v >= 0)) v = 0;
    if (v > max) v = max;
    Edit1->SetText(Mhz(v));
    (Mode == ModeCenter ? Center : Span) = v;
    AroundCenter();
    Update();
    return;
  }
  if (Sender != Edit2 && Sender != Edit3) return;
  // Start and stop are not clamped; an infinite one reads as 0, as it would leave no frequency to tune to.
  const auto finite = [](double v) { return std::isfinite(v) ? v : 0.0; };
  double a = finite(ReadNumber(Edit2)), b = finite(ReadNumber(Edit3));
  if (Sender == Edit2 && !(b - 1 >= a)) a = b - 1;
  if (Sender == Edit3 && a + 1 > b) b = a + 1;
  Edit2->SetText(Mhz(a));
  Edit3->SetText(Mhz(b));
  Start = a;
  Stop = b;
  Span = b - a;
  Center = a + Span / 2;
  Update();
}
