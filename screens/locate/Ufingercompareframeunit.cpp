#include "screens/locate/Ufingercompareframeunit.h"

#include <algorithm>
#include <cmath>

#include "base/Globals.h"
#include "base/Guard.h"
#include "device/InOut.h"
#include "display/Display.h"
#include "display/Renderobjects.h"
#include "engine/Buffers.h"
#include "engine/FingerBuffer.h"
#include "engine/FingerThreads.h"
#include "platform/vcl/Dialogs.h"
#include "screens/locate/DetectFrameParts.h"
#include "screens/locate/FingerprintLogic.h"

namespace {
constexpr int AnalogPoints = FingerAnalogPoints, DigitalPoints = FingerDigitalPoints;
}

TUFingerCompareFrame::TUFingerCompareFrame(TComponent* AOwner)
    : TLocateModeFrame(AOwner, "TUFingerCompareFrame") {
  Guard("TUFingerCompareFrame", [&] {
    SetBounds(0, 0, 320, 240);
    Panel1 = MakePanelButton(this, "Start", 20, 20, 125, 81);
    Panel1->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { Start(); };
    Panel1->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) {
      Guarded("TUFingerCompareFrame::OnStartButMouseUp", [&] { Panel1->SetColor(panel_colours::Released); });
    };
    Panel2 = MakePanelButton(this, "Compare", 160, 20, 125, 81);
    Panel2->SetVisible(false);
    Panel2->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) {
      Guarded("TUFingerCompareFrame::OnCompareMouseDown", [&] {
        Panel2->SetColor(panel_colours::Pressed);
        UsbTimer->SetEnabled(false);
        Test();
      });
    };
    Panel2->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) {
      Guarded("TUFingerCompareFrame::OnCompareMouseUp", [&] { Panel2->SetColor(panel_colours::Released); });
    };
    OpenDialog = new TOpenDialog(this);
    OpenDialog->SetOptions(ofHideReadOnly);
    OpenDialog->SetOptionsEx(ofExNoPlacesBar);
    UsbTimer = new TTimer(this);
    UsbTimer->SetEnabled(false);
    UsbTimer->SetInterval(100);
    UsbTimer->OnTimer = [this](TObject* s) { OnUsbTimer(s); };
    CreateBuffers();
    CreateDisplays();
  });
}

void TUFingerCompareFrame::CreateBuffers() {
  Guarded("TUFingerCompareFrame::CreateBuffers", [&] {
    analog_ = std::make_shared<DigitalBuffer>(AnalogPoints);
    analog_->SetRange(0.0f, 15e9f, 0, 255);
    digital_ = std::make_shared<DigitalBuffer>(DigitalPoints);
    digital_->SetRange(0.0f, 15e9f, 0, 255);
    recorded_ = std::make_unique<FingerBufferBase>();
    loaded_ = std::make_unique<FingerBufferBase>();
  });
}

void TUFingerCompareFrame::CreateDisplays() {
  Guarded("TUFingerCompareFrame::CreateDisplays", [&] {
    analogDisplay_ = &AddDisplay(FingerAnalogDisplay(analog_.get()), true);
    digitalDisplay_ = &AddDisplay(FingerDigitalDisplay(digital_.get()), true);
    for (StdDisplay* d : {analogDisplay_, digitalDisplay_}) LabelFingerOverview(d);
  });
}

TUFingerCompareFrame::~TUFingerCompareFrame() {
  Guard("~TUFingerCompareFrame", [&] { StopChain(); });
}

void TUFingerCompareFrame::EnterView() {
  UsbTimer->SetEnabled(true);
  bars_.Enter();
}

void TUFingerCompareFrame::LeaveView() {
  // The chain of segment threads ends with the view; a new Start records again. Left running, its
  // sweeps would set up the receiver between the measuring steps of the next view's thread.
  StopChain();
  UsbTimer->SetEnabled(false);
  bars_.Leave();
}

void TUFingerCompareFrame::StopChain() {
  segmentThread_.Stop();
  recording_ = false;
}

void TUFingerCompareFrame::Start() {
  Guarded("TUFingerCompareFrame::OnStartButMouseDown", [&] {
    Panel1->SetColor(panel_colours::Pressed);
    // A second Start while the chain runs would start a second chain over the same buffers.
    if (recording_) return;
    Panel2->SetVisible(false);
    segment_ = 0;
    analogDisplay_->Commands->ClearAll();
    ApplyDisplaySetup(analogDisplay_, FingerAnalogDisplay(analog_.get()));
    digitalDisplay_->Commands->ClearAll();
    ApplyDisplaySetup(digitalDisplay_, FingerDigitalDisplay(digital_.get()));
    bars_.Restart();
    UsbTimer->SetEnabled(false);
    analog_->Clear();
    digital_->Clear();
    recording_ = true;
    StartAThread();
  });
}

void TUFingerCompareFrame::StartAThread() {
  Guarded("TUFingerCompareFrame::StartAThread", [&] {
    auto* thread = new FingerAnalogThread();
    thread->Trace = analog_.get();
    thread->Hold(analog_);
    thread->Segment = segment_;
    segmentThread_.Start(thread, [this](IOThreadBase*) { OnAThreadTerminate(); });
    bars_.Analog().Value = unsigned(segment_ + 1);
  });
}

void TUFingerCompareFrame::OnAThreadTerminate() {
  Guarded("TUFingerCompareFrame::OnAThreadTerminate", [&] {
    if (++segment_ < Segments) {
      StartAThread();
    } else {
      segment_ = 0;
      StartDThread();
    }
  });
}

void TUFingerCompareFrame::StartDThread() {
  Guarded("TUFingerCompareFrame::StartDThread", [&] {
    auto* thread = new FingerDigitalThread();
    thread->Trace = digital_.get();
    thread->Hold(digital_);
    thread->Segment = segment_;
    segmentThread_.Start(thread, [this](IOThreadBase*) { OnDThreadTerminate(); });
    bars_.Digital().Value = unsigned(segment_ + 1);
  });
}

void TUFingerCompareFrame::OnDThreadTerminate() {
  Guarded("TUFingerCompareFrame::OnDThreadTerminate", [&] {
    if (++segment_ < Segments) {
      StartDThread();
      return;
    }
    recording_ = false;
    ::StoreFingerprint(*analog_, *digital_, *recorded_);
    Panel2->SetVisible(true);
  });
}

void TUFingerCompareFrame::Test() {
  Guarded("TUFingerCompareFrame::Test", [&] {
    bars_.Analog().Visible = bars_.Digital().Visible = 0;
    const std::string folder = FingerFolder();
    OpenDialog->SetInitialDir(folder.empty() ? ProgramFolder : folder);
    if (!OpenDialog->Execute()) return;
    const std::string problem = LoadFingerprintFile(*loaded_, OpenDialog->FileName());
    if (!problem.empty()) {
      TellOperator(problem);
      return;
    }
    analogDisplay_->ZoomStart = 0;
    analogDisplay_->ZoomEnd = 20000;
    digitalDisplay_->ZoomStart = 0;
    digitalDisplay_->ZoomEnd = 4000;
    CompareFingerChannels(*analog_, recorded_->Analog, loaded_->Analog, AnalogPoints, CompareAnalogRule);
    CompareFingerChannels(*digital_, recorded_->Digital, loaded_->Digital, DigitalPoints, CompareDigitalRule);
    analogDisplay_->Commands->ClearAll();
    analogDisplay_->Commands->AddCommand(FingerChannel::Recording, 2, 0x00FFFF, 1);
    analogDisplay_->Commands->AddCommand(FingerChannel::Loaded, 2, 0x008000, 1);
    analogDisplay_->Commands->AddCommand(FingerChannel::Hits, 2, 0x0000FF, 1);
    digitalDisplay_->Commands->ClearAll();
    digitalDisplay_->Commands->AddCommand(FingerChannel::RecordingSmoothed, 2, 0xFFFF00, 1);
    digitalDisplay_->Commands->AddCommand(FingerChannel::LoadedSmoothed, 2, 0x008000, 1);
    digitalDisplay_->Commands->AddCommand(FingerChannel::Hits, 2, 0x0000FF, 1);
  });
}

void TUFingerCompareFrame::RenderBarGraphs() {
  Guarded("TUFingerCompareFrame::RenderBarGraphs", [&] { bars_.Render(); });
}

void TUFingerCompareFrame::OnUsbTimer(TObject*) {
  Guarded("TUFingerCompareFrame::OnUsbTimer", [&] {
    if (IOCtrl && !IOCtrl->DevicePresent()) LinkUp = 0;
  });
}
