#include "screens/locate/Usonarframeunit.h"

#include "device/InOut.h"
#include "display/Display.h"
#include "engine/SonarThreads.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/StdCtrls.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"
#include "base/PanelColours.h"

namespace {

TTrackBar* MakeBar(TWinControl* parent, int min, int max, int position, int top) {
  auto* bar = new TTrackBar(parent);
  bar->SetParent(parent);
  bar->SetMin(min);
  bar->SetMax(max);
  bar->SetPosition(position);
  bar->SetBounds(90, top, 230, 30);
  return bar;
}

TLabel* MakeLabel(TWinControl* parent, const std::string& caption, int top) {
  auto* label = new TLabel(parent);
  label->SetParent(parent);
  label->SetCaption(caption);
  label->SetBounds(8, top + 6, 80, 20);
  return label;
}

}  // namespace

TUSonarFrame::TUSonarFrame(TComponent* AOwner) : TProbeLocateFrame(AOwner, "TUSonarFrame", 400) {
  Guard("TUSonarFrame", [&] {
    SetBounds(0, 0, 813, 147);
    CreateDisplays();
    UpdateFromIni();
    Panel1 = AddPanel("Auto Tracking on/off", 28, 32);
    Panel1->OnMouseDown = [this](TObject* s, TMouseButton, TShiftState, int, int) {
      OnTrackingPanelMouseDown(s);
    };
    Panel1->OnMouseMove = [this](TObject* s, TShiftState, int, int) { OnTrackingPanelMouseUp(s); };
    CreateSetupPanel();
    Timer2 = new TTimer(this);
    Timer2->SetEnabled(false);
    Timer2->SetInterval(300);
    Timer2->OnTimer = [this](TObject* s) { OnTimer2(s); };
    Button1 = AddHiddenButton("Test", [this](TObject* s) { OnTestButClick(s); });
    Edit1 = AddHidden<TEdit>();
  });
}

TUSonarFrame::~TUSonarFrame() {
  Guard("~TUSonarFrame", [&] {
    OnSonarThreadTerminate(nullptr);
    KillDisplays();
    KillBuffers();
  });
}

void TUSonarFrame::CreateDisplays() {
  Guard("CreateDisplays", [&] {
    StdDisplay& display = AddDisplay({.title = "Sonar Locate",
                                      .viewport = {20, 10, 640, 360},
                                      .gridX = 10,
                                      .gridY = 8,
                                      .renderMode = 2,
                                      .buffer = buffer_.get(),
                                      .window = PointWindow{0, 400},
                                      .symbols = ViewSymbols});
    display.GenerateText();
    display.Commands->AddCommand(0, 2, 0x0000FF, 3);
  });
}

void TUSonarFrame::CreateSetupPanel() {
  SetupPanel = AddHidden<TPanel>();
  SetupPanel->SetBounds(304, 24, 333, 81);
  TrackBar1 = MakeBar(SetupPanel, 0, 255, 127, 4);
  TrackBar2 = MakeBar(SetupPanel, 150, 190, 168, 42);
  Label1 = MakeLabel(SetupPanel, "Empfindl.", 4);
  Label2 = MakeLabel(SetupPanel, "Takt", 42);
  TrackBar1->OnChange = [this](TObject* s) { OnTrackBar1Change(s); };
  TrackBar2->OnChange = [this](TObject* s) { OnTrackBar1Change(s); };
}

SonarThread* TUSonarFrame::Sonar() const { return static_cast<SonarThread*>(slot_.Thread()); }

ProbeThreadBase* TUSonarFrame::MakeThread(double frequency) {
  return new SonarThread(MainDisplay(), frequency);
}

double TUSonarFrame::ProbeFrequency() const { return GlobalIOSettings ? GlobalIOSettings->Center : 0.0; }

void TUSonarFrame::OnThreadEnded() {
  Timer2->SetEnabled(false);
  Panel1->Font()->SetColor(clScrollBar);
}

void TUSonarFrame::LeaveView() {
  // The blink ends with the view: it would otherwise go on over the next visit's untracked caption.
  Timer2->SetEnabled(false);
  TProbeLocateFrame::LeaveView();
}

void TUSonarFrame::OnTrackingPanelMouseDown(TObject*) {
  Guard("OnTrackingPanelMouseDown", [&] {
    Panel1->SetColor(panel_colours::Pressed);
    SonarThread* thread = Sonar();
    if (!thread) return;
    const bool tracking = !thread->AutoTracking();
    thread->SetGraphCommands(tracking);
    Timer2->SetEnabled(tracking);
    Panel1->Font()->SetColor(clScrollBar);
  });
}

void TUSonarFrame::OnTrackingPanelMouseUp(TObject*) {
  Guard("OnTrackingPanelMouseUp", [&] {
    Panel1->SetColor(panel_colours::Released);
    Panel1->Font()->SetColor(clScrollBar);
  });
}

void TUSonarFrame::OnTimer2(TObject*) {
  Guard("OnTimer2", [&] {
    ++blink_;
    Panel1->Font()->SetColor(blink_ % 2 ? TColor(locate_colours::BlinkRed) : clScrollBar);
  });
}

// The bars take the stored values as they are, 0 and 255 included (the clock bar keeps them within
// its range). A cell that cannot be read leaves its bar as it was.
void TUSonarFrame::LoadCell(TTrackBar* bar, uint8_t cell) {
  uint8_t value = 0;
  bool ok = false;
  {
    HardwareLockGuard lock;
    ok = IOCtrl && IOCtrl->ReadEEPromByte(cell, &value);
  }
  if (!ok) {
    LinkUp = 0;
    return;
  }
  bar->SetPosition(value);
}

void TUSonarFrame::ShowSetupPanel() {
  Guard("ShowSetupPanel", [&] {
    SetupPanel->SetVisible(true);
    updating_ = true;
    LoadCell(TrackBar1, SensitivityCell);
    LoadCell(TrackBar2, ClockCell);
    if (Application) Application->ProcessMessages();
    updating_ = false;
  });
}

void TUSonarFrame::OnTrackBar1Change(TObject* Sender) {
  Guard("OnTrackBar1Change", [&] {
    SonarThread* thread = Sonar();
    if (!thread) return;
    if (Sender == TrackBar1) Label1->SetCaption(std::to_string(TrackBar1->Position()));
    if (Sender == TrackBar2) Label2->SetCaption(std::to_string(TrackBar2->Position()));
    thread->SetParameters(uint8_t(TrackBar2->Position()), uint8_t(TrackBar1->Position()), !updating_);
  });
}

namespace {
std::string Flags(bool result, bool ok) {
  return std::string(result ? "true   " : "false   ") + (ok ? "true   " : "false   ");
}
}  // namespace

void TUSonarFrame::OnTestButClick(TObject*) {
  Guard("OnTestButClick", [&] {
    if (!IOCtrl) return;
    const int leds = testCount_++;
    if (testCount_ > LastTestCount) testCount_ = FirstTestCount;
    HardwareLockGuard lock;
    bool ok = false;
    const bool shown = IOCtrl->SetLedBar(leds, ok);
    std::string text = Flags(shown, ok);
    if (!testedOnce_) {
      testedOnce_ = true;
      bool cleared = false;
      IOCtrl->ClearDigits(cleared);
    }
    ok = false;
    const bool valued = IOCtrl->ShowValue(ok, testCount_ * 0.01);
    text += Flags(valued, ok);
    MainDisplay()->SetTitle(text);
  });
}
