#include "screens/locate/Ufieldlocateframeunit.h"

#include "device/InOut.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "engine/FieldLocateThreads.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Graphics.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"

TFieldLocateFrame::TFieldLocateFrame(TComponent* AOwner) : TLocateModeFrame(AOwner, "TFieldLocateFrame") {
  SetBounds(0, 0, 775, 136);
  buffer_ = std::make_shared<DigitalBuffer>(400);
  buffer_->SetRange(400e6, 420e6, 0, 255);
  StdDisplay& display = AddDisplay({20, 10, 640, 360, 10, 8, "Field Locate", 2});
  display.DigBuffer = buffer_.get();
  display.DigChannel = 9;
  display.GenerateText();
  display.MoveSymbols(80, 130);
  display.ZoomStart = 0;
  display.ZoomEnd = 400;
  Panel1 = AddPanelButton(
      "Auto Tracking on/off", 28, 32, [this](TObject* s) { OnTrackingPanelMouseDown(s); },
      [this](TObject* s) { OnTrackingPanelMouseUp(s); });
  Timer1 = new TTimer(this);
  Timer1->SetEnabled(false);
  Timer1->SetInterval(300);
  Timer1->OnTimer = [this](TObject* s) { OnTimer1(s); };
}

TFieldLocateFrame::~TFieldLocateFrame() { slot_.Stop(); }

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
    slot_.Start(thread, [this](IOThreadBase*) { Timer1->SetEnabled(false); });
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
  slot_.Stop();
}

bool TFieldLocateFrame::RestoreDevice() {
  if (!IOCtrl) return true;
  HardwareLockGuard lock;
  return DeviceCall(IOCtrl->VolumeDown(100)) &&
         DeviceCall(IOCtrl->SetAudioSpeaker(true, true, true, true, false, false, false));
}

void TFieldLocateFrame::OnTrackingPanelMouseDown(TObject*) {
  FieldLocateThread* thread = Thread();
  if (!thread) return;
  if (thread->AutoTracking()) {
    thread->SetGraphCommands(false);
    Timer1->SetEnabled(false);
  } else {
    thread->SetGraphCommands(true);
    Timer1->SetEnabled(true);
  }
  Panel1->Font()->SetColor(clScrollBar);
}

void TFieldLocateFrame::OnTrackingPanelMouseUp(TObject*) { Panel1->Font()->SetColor(clScrollBar); }

void TFieldLocateFrame::OnTimer1(TObject*) {
  ++blink_;
  Panel1->Font()->SetColor(blink_ % 2 ? TColor(locate_colours::BlinkRed) : clScrollBar);
}
