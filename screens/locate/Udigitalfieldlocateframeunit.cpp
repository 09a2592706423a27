#include "screens/locate/Udigitalfieldlocateframeunit.h"

#include "device/InOut.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "engine/FieldLocateThreads.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"
#include "base/PanelColours.h"

namespace {
const char* const AttenuationOff = "Attenuation  Off";
const char* const AttenuationOn = "Attenuation  On";
const char* const PulseOff = "Pulse Detect  Off";
const char* const PulseOn = "Pulse Detect  On";
const char* const DigitalTitle = "Field Locate Digital";
const char* const PulseTitle = "Field Locate Pulse";
}  // namespace

// Leave reports its bare name.
TUDigFieldLocateFrame::TUDigFieldLocateFrame(TComponent* AOwner)
    : TLocateModeFrame(AOwner, "TUDigFieldLocateFrame", {{"Leave", "Leave"}}) {
  Guard("TUDigFieldLocateFrame", [&] {
    SetBounds(0, 0, 818, 240);
    deferredResize_ = false;
    CreateBuffers();
    CreateDisplays();
    UpdateFromIni();
    TrackBar1 = AddHidden<TTrackBar>();
    TrackBar1->SetMin(0);
    TrackBar1->SetMax(31);
    TrackBar1->SetPosition(0);
    TrackBar1->OnChange = [this](TObject* s) { OnTrackBar1Change(s); };
    Panel1 = AddPanel(AttenuationOff, 28, 32);
    Panel1->OnMouseDown = [this](TObject* s, TMouseButton, TShiftState, int, int) { OnAttButMouseDown(s); };
    Panel1->OnMouseUp = [this](TObject* s, TMouseButton, TShiftState, int, int) { OnAttButMouseUp(s); };
    Panel2 = AddPanel(PulseOff, 268, 32);
    Panel2->OnMouseDown = [this](TObject* s, TMouseButton, TShiftState, int, int) { OnPDButMouseDown(s); };
    Panel2->OnMouseUp = [this](TObject* s, TMouseButton, TShiftState, int, int) { OnPDButMouseUp(s); };
  });
}

TUDigFieldLocateFrame::~TUDigFieldLocateFrame() {
  Guard("~TUDigFieldLocateFrame", [&] {
    slot_.Stop();
    KillDisplays();
    KillBuffers();
  });
}

void TUDigFieldLocateFrame::CreateBuffers() {
  Guard("CreateBuffers", [&] {
    buffer_ = std::make_shared<DigitalBuffer>(DigFieldLocateThread::Points);
    buffer_->SetRange(400e6, 420e6, 0, 255);
    water_ = std::make_shared<DigitalWaterBuffer>(DigFieldLocateThread::Points, 100);
  });
}

void TUDigFieldLocateFrame::KillBuffers() {
  Guard("KillBuffers", [&] {
    water_.reset();
    buffer_.reset();
  });
}

void TUDigFieldLocateFrame::CreateDisplays() {
  Guard("CreateDisplays", [&] {
    StdDisplay& main = AddDisplay({.title = DigitalTitle,
                                   .viewport = {20, 10, 640, 360},
                                   .gridX = 10,
                                   .gridY = 8,
                                   .renderMode = 2,
                                   .buffer = buffer_.get(),
                                   .window = PointWindow{0, DigFieldLocateThread::Points},
                                   .symbols = ViewSymbols});
    main.GenerateText();
    StdDisplay& intensity = AddDisplay(
        {.title = "Intensity", .viewport = {20, 400, 640, 760}, .gridX = 1, .gridY = 1, .renderMode = 5});
    intensity.GenerateText();
    intensity.DigWaterBuffer = water_.get();
  });
}

DigFieldLocateThread* TUDigFieldLocateFrame::Thread() const {
  return static_cast<DigFieldLocateThread*>(slot_.Thread());
}

void TUDigFieldLocateFrame::SetGraphCommands(bool pulse) {
  Guard("SetGraphCommands", [&] {
    GraphCommandList& commands = *MainDisplay()->Commands;
    commands.ClearAll();
    if (!pulse) {
      commands.AddCommand(0, 2, 0xFF0000, 1);
      commands.AddCommand(1, 2, 0x008000, 1);
    }
    commands.AddCommand(2, 2, 0xFFFF00, 1);
    commands.AddCommand(3, 2, 0x00FF00, 1);
    commands.AddCommand(4, 2, 0x0000FF, 3);
    commands.AddCommand(5, 2, 0xFFFFFF, 3);
  });
}

void TUDigFieldLocateFrame::StartFieldThread(double frequency) {
  Guard("StartFieldThread", [&] {
    SetGraphCommands(pulse_);
    auto* thread = new DigFieldLocateThread();
    thread->Buffer = buffer_.get();
    water_->Clear();
    thread->Waterfall = water_.get();
    thread->Frequency = frequency;
    thread->Display = MainDisplay();
    thread->Hold(buffer_);
    thread->Hold(water_);
    thread->Hold(Displays().front());
    slot_.Start(thread, [this](IOThreadBase* ended) { OnFieldThreadTerminate(ended); });
  });
}

// The slot has cleared LinkUp on a thread failure and forgotten a thread that ended by itself.
void TUDigFieldLocateFrame::OnFieldThreadTerminate(TObject* Sender) {
  Guard("OnFieldThreadTerminate", [&] {
    if (!Sender) slot_.Stop();
  });
}

void TUDigFieldLocateFrame::EnterView() {
  IntensityDisplay()->Visible = 0;
  Panel2->SetCaption(PulseOff);
  MainDisplay()->SetTitle(DigitalTitle);
  Panel1->SetCaption(AttenuationOff);
  pulse_ = false;
  StartFieldThread(GlobalIOSettings ? GlobalIOSettings->Center : 0.0);
}

void TUDigFieldLocateFrame::LeaveView() {
  OnFieldThreadTerminate(nullptr);
  Panel1->SetCaption(AttenuationOff);
}

bool TUDigFieldLocateFrame::RestoreDevice() {
  if (!IOCtrl) return true;
  HardwareLockGuard lock;
  return DeviceCall(IOCtrl->VolumeDown(100)) &&
         DeviceCall(IOCtrl->SetAudioSpeaker(true, true, true, true, false, false, false)) &&
         DeviceCall(IOCtrl->SetAttenuator(0));
}

void TUDigFieldLocateFrame::OnAttButMouseDown(TObject*) {
  Guard("OnAttButMouseDown", [&] { Panel1->SetColor(panel_colours::Pressed); });
}

// The caption is the state: the attenuation toggles on the text the panel shows.
void TUDigFieldLocateFrame::OnAttButMouseUp(TObject*) {
  Guard("OnAttButMouseUp", [&] {
    DigFieldLocateThread* thread = Thread();
    if (!thread) return;
    Panel1->SetColor(panel_colours::Released);
    const bool on = Panel1->Caption() == AttenuationOff;
    Panel1->SetCaption(on ? AttenuationOn : AttenuationOff);
    thread->Attenuation.Post(on ? 31 : 0);
  });
}

void TUDigFieldLocateFrame::OnPDButMouseDown(TObject*) {
  Guard("OnPDButMouseDown", [&] {
    if (Thread()) Panel2->SetColor(panel_colours::Pressed);
  });
}

void TUDigFieldLocateFrame::OnPDButMouseUp(TObject*) {
  Guard("OnPDButMouseUp", [&] {
    DigFieldLocateThread* thread = Thread();
    if (!thread) return;
    Panel2->SetColor(panel_colours::Released);
    pulse_ = !pulse_;
    Panel2->SetCaption(pulse_ ? PulseOn : PulseOff);
    MainDisplay()->SetTitle(pulse_ ? PulseTitle : DigitalTitle);
    IntensityDisplay()->Visible = pulse_ ? 1 : 0;
    thread->PulseMode = pulse_;
    SetGraphCommands(pulse_);
  });
}

void TUDigFieldLocateFrame::OnTrackBar1Change(TObject*) {
  Guard("OnTrackBar1Change", [&] {
    if (DigFieldLocateThread* thread = Thread()) thread->Attenuation.Post(uint8_t(TrackBar1->Position()));
  });
}
