#include "screens/locate/Ufieldlocateframeunit.h"

#include "device/InOut.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "engine/FieldLocateThreads.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/StdCtrls.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"

namespace {
// The life-cycle operations of this view report their bare names.
TLocateModeFrame::ReportTexts BareNames() {
  TLocateModeFrame::ReportTexts texts;
  for (const char* name : {"TFieldLocateFrame", "~TFieldLocateFrame", "UpdateSkin", "UpdateFromIni", "Enter",
                           "Leave", "CreateBuffers", "KillBuffers", "CreateDisplays", "KillDisplays"})
    texts[name] = name;
  return texts;
}
}  // namespace

TFieldLocateFrame::TFieldLocateFrame(TComponent* AOwner)
    : TLocateModeFrame(AOwner, "TFieldLocateFrame", BareNames()) {
  Guard("TFieldLocateFrame", [&] {
    SetBounds(0, 0, 775, 136);
    CreateBuffers();
    CreateDisplays();
    UpdateFromIni();
    Panel1 = AddPanelButton(
        "Auto Tracking on/off", 28, 32, [this](TObject* s) { OnTrackingPanelMouseDown(s); },
        [this](TObject* s) { OnTrackingPanelMouseUp(s); });
    Timer1 = new TTimer(this);
    Timer1->SetEnabled(false);
    Timer1->SetInterval(300);
    Timer1->OnTimer = [this](TObject* s) { OnTimer1(s); };
    CreateHiddenControls();
  });
}

TFieldLocateFrame::~TFieldLocateFrame() {
  Guard("~TFieldLocateFrame", [&] {
    slot_.Stop();
    KillDisplays();
    KillBuffers();
  });
}

void TFieldLocateFrame::CreateBuffers() {
  Guard("CreateBuffers", [&] {
    buffer_ = std::make_shared<DigitalBuffer>(400);
    buffer_->SetRange(400e6, 420e6, 0, 255);
  });
}

void TFieldLocateFrame::KillBuffers() {
  Guard("KillBuffers", [&] { buffer_.reset(); });
}

void TFieldLocateFrame::CreateDisplays() {
  Guard("CreateDisplays", [&] {
    StdDisplay& display = AddDisplay({.title = "Field Locate",
                                      .viewport = {20, 10, 640, 360},
                                      .gridX = 10,
                                      .gridY = 8,
                                      .renderMode = 2,
                                      .buffer = buffer_.get(),
                                      .channel = 9,
                                      .window = PointWindow{0, 400},
                                      .symbols = ViewSymbols});
    display.GenerateText();
  });
}

// The service controls exist but are never shown.
void TFieldLocateFrame::CreateHiddenControls() {
  TrackBar1 = AddHidden<TTrackBar>();
  TrackBar1->SetMin(0);
  TrackBar1->SetMax(255);
  TrackBar1->SetPosition(0);
  TrackBar1->OnChange = [this](TObject* s) { OnTrackBar1Change(s); };
  CB1 = AddHidden<TCheckBox>();
  CB1->SetCaption("Tracking");
  CB1->OnClick = [this](TObject* s) { OnCB1Click(s); };
  Button1 = AddHiddenButton("Click", [this](TObject* s) { OnClickButClick(s); });
}

FieldLocateThread* TFieldLocateFrame::Thread() const {
  return static_cast<FieldLocateThread*>(slot_.Thread());
}

void TFieldLocateFrame::StartFieldThread(double frequency) {
  Guard("StartFieldThread", [&] {
    StdDisplay* display = MainDisplay();
    auto* thread = new FieldLocateThread();
    thread->Buffer = buffer_.get();
    thread->Display = display;
    thread->Hold(buffer_);
    thread->Hold(Displays().front());
    thread->StartFrequency = frequency;
    slot_.Start(thread, [this](IOThreadBase* ended) { OnFieldThreadTerminate(ended); });
  });
}

// The slot has cleared LinkUp on a thread failure and forgotten a thread that ended by itself.
void TFieldLocateFrame::OnFieldThreadTerminate(TObject* Sender) {
  Guard("OnFieldThreadTerminate", [&] {
    if (Sender)
      Timer1->SetEnabled(false);  // no thread, no tracking to blink for
    else
      slot_.Stop();
  });
}

void TFieldLocateFrame::EnterView() {
  StartFieldThread(GlobalIOSettings ? GlobalIOSettings->Center : 0.0);
  if (FieldLocateThread* thread = Thread()) thread->SetGraphCommands(false);
  Timer1->SetEnabled(false);
  Panel1->Font()->SetColor(clScrollBar);
}

void TFieldLocateFrame::LeaveView() {
  Timer1->SetEnabled(false);
  OnFieldThreadTerminate(nullptr);
}

bool TFieldLocateFrame::RestoreDevice() {
  if (!IOCtrl) return true;
  HardwareLockGuard lock;
  return DeviceCall(IOCtrl->VolumeDown(100)) &&
         DeviceCall(IOCtrl->SetAudioSpeaker(true, true, true, true, false, false, false));
}

void TFieldLocateFrame::OnTrackingPanelMouseDown(TObject*) {
  Guard("OnTrackingPanelMouseDown", [&] {
    FieldLocateThread* thread = Thread();
    if (!thread) return;
    const bool tracking = !thread->AutoTracking();
    thread->SetGraphCommands(tracking);
    Timer1->SetEnabled(tracking);
    Panel1->Font()->SetColor(clScrollBar);
  });
}

void TFieldLocateFrame::OnTrackingPanelMouseUp(TObject*) {
  Guard("OnTrackingPanelMouseUp", [&] { Panel1->Font()->SetColor(clScrollBar); });
}

void TFieldLocateFrame::OnTimer1(TObject*) {
  Guard("OnTimer1", [&] {
    ++blink_;
    Panel1->Font()->SetColor(blink_ % 2 ? TColor(locate_colours::BlinkRed) : clScrollBar);
  });
}

void TFieldLocateFrame::OnTrackBar1Change(TObject*) {
  Guard("OnTrackBar1Change", [&] {
    OnFieldThreadTerminate(nullptr);
    if (!IOCtrl) return;
    HardwareLockGuard lock;
    DeviceCall(IOCtrl->WriteDualPot(I2CAddr::SoundPot, false, uint8_t(TrackBar1->Position())));
  });
}

void TFieldLocateFrame::OnCB1Click(TObject*) {
  Guard("OnCB1Click", [&] {
    if (FieldLocateThread* thread = Thread()) thread->SetGraphCommands(CB1->Checked());
  });
}

// The results of these calls are not looked at: a service set-up, not an operation of the view.
void TFieldLocateFrame::OnClickButClick(TObject*) {
  Guard("OnClickButClick", [&] {
    OnFieldThreadTerminate(nullptr);
    if (!IOCtrl) return;
    HardwareLockGuard lock;
    IOCtrl->SetAudioSpeaker(true, false, false, false, false, false, true);
    IOCtrl->WriteSoundPCA9539(135);
    IOCtrl->SetSoundProcVolume(160);
    IOCtrl->WriteDualPot(I2CAddr::SoundPot, true, 167);
    IOCtrl->SetIFBandwidth(3);
    IOCtrl->SetFrequency(GlobalIOSettings ? GlobalIOSettings->Center : 0.0);
  });
}
