#include "screens/locate/ProbeLocateFrame.h"

#include <algorithm>

#include "device/InOut.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "engine/SonarThreads.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Graphics.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"
#include "base/Language.h"

namespace {
constexpr int ProbeHintText = 18;  // "connect sonar-handprobe"
constexpr int HintLeft = 40, HintTop = 320, HintWidth = 500, HintHeight = 40;
}  // namespace

TProbeLocateFrame::TProbeLocateFrame(TComponent* AOwner, std::string name, unsigned points,
                                     ReportTexts reports)
    : TLocateModeFrame(AOwner, std::move(name), std::move(reports)) {
  Guard("CreateBuffers", [&] {
    buffer_ = std::make_shared<DigitalBuffer>(points);
    buffer_->SetRange(400e6, 420e6, 0, 255);
  });
  Guard(ReportName(), [&] { CreateProbeControls(); });
}

void TProbeLocateFrame::CreateProbeControls() {
  UsbTimer = new TTimer(this);
  UsbTimer->SetEnabled(false);
  UsbTimer->SetInterval(100);
  UsbTimer->OnTimer = [this](TObject* s) { OnUsbTimer(s); };
  if (RenderWindow) {
    // On the render window, but the view's: the view frees it, whichever goes first.
    ProbeHintPanel = new TPanel(RenderWindow);
    RenderWindow->RemoveComponent(ProbeHintPanel);
    ProbeHintPanel->SetParent(RenderWindow);
    ProbeHintPanel->SetVisible(false);
    PlaceHint();
    ProbeHintPanel->Font()->SetName("Consolas");
    ProbeHintPanel->Font()->SetHeight(36);
    ProbeHintPanel->Font()->SetColor(TColor(locate_colours::BlinkRed));
    SkinChanged();
  }
}

TProbeLocateFrame::~TProbeLocateFrame() {
  slot_.Stop();
  delete ProbeHintPanel;
}

ProbeThreadBase* TProbeLocateFrame::Thread() const { return static_cast<ProbeThreadBase*>(slot_.Thread()); }

void TProbeLocateFrame::KillBuffers() {
  Guard("KillBuffers", [&] { buffer_.reset(); });
}

bool TProbeLocateFrame::HintShown() const { return ProbeHintPanel && ProbeHintPanel->Visible(); }

void TProbeLocateFrame::SkinChanged() {
  if (ProbeHintPanel && GlobalLanguageSkinTool)
    ProbeHintPanel->SetCaption(GlobalLanguageSkinTool->GetGeneralText(ProbeHintText));
}

void TProbeLocateFrame::OnResize(TObject* Sender) {
  TLocateModeFrame::OnResize(Sender);
  Guard("OnResize", [&] { PlaceHint(); });
}

// The hint stands at (40, 320) of the render window; a render window too low for that (the default
// window's is 295 high) moves it up to its bottom edge, so that the operator still reads it.
void TProbeLocateFrame::PlaceHint() {
  if (!ProbeHintPanel || !RenderWindow) return;
  const int lowest = std::max(0, RenderWindow->ClientHeight() - HintHeight);
  ProbeHintPanel->SetBounds(HintLeft, std::min(HintTop, lowest), HintWidth, HintHeight);
}

void TProbeLocateFrame::EnterView() {
  PlaceHint();
  if (MainDisplay() && MainDisplay()->Commands) MainDisplay()->Commands->ClearAll();
  UsbTimer->SetEnabled(true);
}

void TProbeLocateFrame::OnUsbTimer(TObject*) {
  Guard("OnUsbTimer", [&] {
    if (slot_.Running() || !IOCtrl) return;
    if (!IOCtrl->DevicePresent()) {
      LinkUp = 0;
      return;
    }
    bool answered = false;
    {
      HardwareLockGuard lock;
      if (!IOCtrl->ClearDigits(answered)) {
        LinkUp = 0;
        return;
      }
    }
    if (ProbeHintPanel) ProbeHintPanel->SetVisible(!answered);
    if (!answered) return;
    StartSonarThread(ProbeFrequency());
    ProbeAnswered();
  });
}

void TProbeLocateFrame::StartSonarThread(double frequency) {
  Guard("StartSonarThread", [&] {
    UsbTimer->SetEnabled(false);
    ProbeThreadBase* thread = MakeThread(frequency);
    thread->Buffer = buffer_.get();
    thread->Hold(buffer_);
    thread->Hold(Displays().front());
    // A thread that ends by itself (the probe was unplugged, or a failure) returns the view to
    // waiting for the probe.
    slot_.Start(thread, [this](IOThreadBase* ended) { OnSonarThreadTerminate(ended); });
  });
}

// The slot has cleared LinkUp on a thread failure and forgotten a thread that ended by itself.
void TProbeLocateFrame::OnSonarThreadTerminate(TObject* Sender) {
  Guard("OnSonarThreadTerminate", [&] {
    if (!Sender) {
      UsbTimer->SetEnabled(false);
      slot_.Stop();
      return;
    }
    // A thread that ends by itself (the probe was unplugged, or a failure) returns the view to
    // waiting for the probe; a view that is no longer shown does not poll.
    UsbTimer->SetEnabled(IsEntered());
    OnThreadEnded();
  });
}

void TProbeLocateFrame::LeaveView() { OnSonarThreadTerminate(nullptr); }

// Only a Leave whose device calls went through hides the hint.
void TProbeLocateFrame::AfterRestore() {
  if (ProbeHintPanel) ProbeHintPanel->SetVisible(false);
}

bool TProbeLocateFrame::RestoreDevice() {
  if (!IOCtrl) return true;
  HardwareLockGuard lock;
  bool ok = false;  // the probe's answer plays no part here
  return DeviceCall(IOCtrl->SetAudioSpeaker(false, false, false, false, false, false, true)) &&
         DeviceCall(IOCtrl->VolumeDown(0)) && DeviceCall(IOCtrl->SetLedBar(0, ok)) &&
         DeviceCall(IOCtrl->ClearDigits(ok));
}
