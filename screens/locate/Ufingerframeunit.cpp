#include "screens/locate/Ufingerframeunit.h"

#include <algorithm>
#include <cmath>

#include "base/Globals.h"
#include "base/Guard.h"
#include "base/IniService.h"
#include "base/Language.h"
#include "device/InOut.h"
#include "display/Display.h"
#include "display/Renderobjects.h"
#include "engine/Buffers.h"
#include "engine/FingerBuffer.h"
#include "engine/FingerThreads.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/StdCtrls.h"
#include "screens/analyser/Volumeframeunit.h"
#include "screens/locate/DetectFrameParts.h"

namespace {
constexpr int AnalogPoints = FingerAnalogPoints, DigitalPoints = FingerDigitalPoints, LivePoints = 1000;
}  // namespace

TUFingerFrame::TUFingerFrame(TComponent* AOwner) : TLocateModeFrame(AOwner, "TUFingerFrame") {
  Guard("TUFingerFrame", [&] {
    SetBounds(0, 0, 744, 240);
    Panel1 = MakePanelButton(this, "Start", 20, 20, 125, 81, "Arial", -21);
    Panel1->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState h, int x, int y) {
      OnStartButMouseDown(s, b, h, x, y);
    };
    Panel1->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState h, int x, int y) {
      OnStartButMouseUp(s, b, h, x, y);
    };
    Panel2 =
        MakeFilePanel(20, Label1, "nicht gespeichert", Label2, "speichern unter",
                      "TUFingerFrame::OnSavePanel", [this] { OnSavePanelMouseUp(nullptr, mbLeft, 0, 0, 0); });
    Panel3 = MakeFilePanel(64, Label3, "leer", Label4, "vergleichen", "TUFingerFrame::OnComparePanel",
                           [this] { OnComparePanelMouseUp(nullptr, mbLeft, 0, 0, 0); });
    SaveDialog = new TSaveDialog(this);
    SaveDialog->SetFilter("Fingerprint|*.fng");
    SaveDialog->SetOptions(ofOverwritePrompt | ofHideReadOnly);
    SaveDialog->SetOptionsEx(ofExNoPlacesBar);
    OpenDialog = new TOpenDialog(this);
    OpenDialog->SetOptions(ofHideReadOnly);
    OpenDialog->SetOptionsEx(ofExNoPlacesBar);
    UsbTimer = new TTimer(this);
    UsbTimer->SetEnabled(false);
    UsbTimer->SetInterval(100);
    UsbTimer->OnTimer = [this](TObject* s) { OnUsbTimer(s); };
    CreateBuffers();
    CreateDisplays();
    ResultList = new TCheckListBox(this);  // owned here, shown on the render window
    if (RenderWindow) ResultList->SetParent(RenderWindow);
    ResultList->SetStyle(lbOwnerDrawFixed);
    ResultList->SetItemHeight(22);
    ResultList->SetVisible(false);
    ResultList->OnDrawItem = [this](TWinControl* c, int i, const TRect& r, TOwnerDrawState) {
      OnResultListDrawItem(c, i, r);
    };
    ResultList->OnClick = [this](TObject* s) { OnResultListClick(s); };
  });
}

TUFingerFrame::~TUFingerFrame() {
  Guard("~TUFingerFrame", [&] {
    // Threads that still run end here.
    scanThread_.Stop();
    realtimeThread_.Stop();
    delete ResultList;
    ResultList = nullptr;
  });
}

TPanel* TUFingerFrame::MakeFilePanel(int top, TLabel*& small, const std::string& smallText, TLabel*& big,
                                     const std::string& bigText, const std::string& handler,
                                     std::function<void()> onUp) {
  TPanel* panel = MakePanelButton(this, "", 160, top, 200, 40);
  panel->SetVisible(false);
  small = new TLabel(panel);
  small->SetParent(panel);
  small->SetBounds(8, 2, 190, 14);
  small->SetCaption(smallText);
  small->Font()->SetHeight(-13);
  small->Font()->SetColor(clGray);
  big = new TLabel(panel);
  big->SetParent(panel);
  big->SetBounds(8, 17, 190, 21);
  big->SetCaption(bigText);
  big->Font()->SetHeight(-19);
  big->Font()->SetColor(clScrollBar);
  const auto down = [panel, where = handler + "MouseDown"](TObject*, TMouseButton, TShiftState, int, int) {
    Guarded(where.c_str(), [&] { panel->SetColor(panel_colours::Pressed); });
  };
  const auto up = [panel, onUp, where = handler + "MouseUp"](TObject*, TMouseButton, TShiftState, int, int) {
    Guarded(where.c_str(), [&] {
      panel->SetColor(panel_colours::Released);
      if (Application) Application->ProcessMessages();
      onUp();
    });
  };
  for (TControl* c :
       {static_cast<TControl*>(panel), static_cast<TControl*>(small), static_cast<TControl*>(big)}) {
    c->OnMouseDown = down;
    c->OnMouseUp = up;
  }
  return panel;
}

void TUFingerFrame::CreateBuffers() {
  Guarded("TUFingerFrame::CreateBuffers", [&] {
    analog_ = std::make_shared<DigitalBuffer>(AnalogPoints);
    analog_->SetRange(0.0f, 15e9f, 0, 255);
    digital_ = std::make_shared<DigitalBuffer>(DigitalPoints);
    digital_->SetRange(0.0f, 15e9f, 0, 255);
    realtime_ = std::make_shared<DigitalBuffer>(LivePoints);
    realtime_->SetRange(0.0f, 10e6f, 0, 255);
    audio_ = std::make_shared<DigitalBuffer>(256);
    audio_->SetRange(0.0f, 256.0f, 0, 1);
    waterfall_ = std::make_shared<WaterfallBuffer>(200, 32);
    recorded_ = std::make_shared<FingerBufferBase>();
    loaded_ = std::make_shared<FingerBufferBase>();
  });
}

void TUFingerFrame::CreateDisplays() {
  Guarded("TUFingerFrame::CreateDisplays", [&] {
    analogDisplay_ = &AddDisplay(FingerAnalogDisplay(analog_.get()), true);
    digitalDisplay_ = &AddDisplay(FingerDigitalDisplay(digital_.get()), true);
    audioDisplay_ = &AddDisplay({.title = "Audio FFT",
                                 .viewport = {700, 360, 980, 660},
                                 .gridX = 10,
                                 .gridY = 8,
                                 .renderMode = 3,
                                 .buffer = audio_.get(),
                                 .window = PointWindow{0, 255},
                                 .traceColour = 0xFFFF00,
                                 .symbols = ViewSymbols},
                                true);
    intensityDisplay_ = &AddDisplay({.title = "Intensity",
                                     .viewport = {700, 360, 980, 660},
                                     .gridX = 1,
                                     .gridY = 1,
                                     .renderMode = 4,
                                     .window = PointWindow{0, 0},
                                     .symbols = ViewSymbols});
    intensityDisplay_->WaterBuffer = waterfall_.get();
    intensityDisplay_->Visible = 0;
    for (StdDisplay* d : {analogDisplay_, digitalDisplay_}) LabelFingerOverview(d);
    audioDisplay_->CustomText("0", "2.5", "5");
  });
}

void TUFingerFrame::SkinChanged() {
  if (!GlobalLanguageSkinTool) return;
  Label2->SetCaption(GlobalLanguageSkinTool->GetGeneralText(12));
  Label4->SetCaption(GlobalLanguageSkinTool->GetGeneralText(13));
  Label1->SetCaption(GlobalLanguageSkinTool->GetGeneralText(14));
  Label3->SetCaption(GlobalLanguageSkinTool->GetGeneralText(15));
}

void TUFingerFrame::EnterView() {
  UsbTimer->SetEnabled(true);
  bars_.Enter();
  SetViewMode(mode_);
  if (listInUse_) ResultList->SetVisible(true);
  OnResize(nullptr);
  if ((mode_ == AnalogRealtime || mode_ == DigitalRealtime) && ResultList->ItemIndex() >= 0)
    StartRealtimeThread();
}

void TUFingerFrame::TakeOutVolumeFrame() {
  auto* volume = static_cast<TVolumeFrame*>(VolumeFrame);
  if (volume && volume->Parent() == this) volume->TakeOut();
}

void TUFingerFrame::LeaveView() {
  // Nothing of this view runs while it is not shown: a scan ends here and keeps what it reached.
  // Left running, its sweeps would set up the receiver between the measuring steps of the next
  // view's thread.
  OnScanThreadTerminate(nullptr);
  realtimeThread_.Stop();
  TakeOutVolumeFrame();
  ResultList->SetVisible(false);
  UsbTimer->SetEnabled(false);
  bars_.Leave();
}

void TUFingerFrame::OnResize(TObject* Sender) {
  TLocateModeFrame::OnResize(Sender);
  Guard("OnResize", [&] {
    if (!ResultList) return;  // not before the constructor has made the view
    if (!ResultList->Visible() || !RenderWindow) return;
    const int width = RenderWindow->ClientWidth(), height = RenderWindow->ClientHeight();
    if (width <= 0) return;
    ResultList->SetBounds(width - 220, 20, 200, height - 40);
    if (GlobalIniService) {
      ResultList->SetColor(TColor(GlobalIniService->ReadDisplayBgColor()));
      ResultList->Font()->SetColor(TColor(GlobalIniService->ReadDisplayTextColor()));
    }
    ResultList->Font()->SetName("Consolas");
    ResultList->Font()->SetHeight(12);
    const double R = double(ResultList->Left() - 20) / width * 1024.0;
    const int r = int(std::lround(R));
    SetViewport(analogDisplay_, {20, 20, r, 300});
    if (audioDisplay_->Visible) {
      const double F = R * 2 / 3 - 10;
      SetViewport(digitalDisplay_, {20, 360, int(std::lround(F)), 660});
      SetViewport(audioDisplay_, {int(std::lround(F + 20)), 360, r, 660});
    } else {
      SetViewport(digitalDisplay_, {20, 360, r, 660});
    }
    if (mode_ == DigitalRealtime) {
      SetViewport(digitalDisplay_, {20, 460, r, 660});
      SetViewport(analogDisplay_, {20, 20, r, 240});
      SetViewport(intensityDisplay_, {20, 260, r, 460});
    }
  });
}

void TUFingerFrame::SetViewMode(ViewMode mode) {
  Guarded("TUFingerFrame::SetViewMode", [&] {
    mode_ = mode;
    TakeOutVolumeFrame();
    intensityDisplay_->Visible = 0;
    audioDisplay_->Visible = 0;
    audioDisplay_->HideTexts();
    for (StdDisplay* d : {analogDisplay_, digitalDisplay_}) d->Commands->ClearAll();
    switch (mode) {
      case Overview:
      case CompareOverview:
        ApplyDisplaySetup(analogDisplay_, FingerAnalogDisplay(analog_.get()));
        ApplyDisplaySetup(digitalDisplay_, FingerDigitalDisplay(digital_.get()));
        LabelFingerOverview(analogDisplay_);
        LabelFingerOverview(digitalDisplay_);
        // No commands: both displays draw the recording alone; the hits are in the result list.
        ResultList->SetVisible(mode == CompareOverview);
        break;
      case AnalogRealtime:
        ShowRealtimeLayout("Analog", 300, {20, 360, 580, 660}, analog_.get(), AnalogPoints);
        ApplyDisplaySetup(audioDisplay_, {.title = "AudioFFT",
                                          .viewport = {600, 360, 850, 660},
                                          .gridX = 10,
                                          .gridY = 8,
                                          .renderMode = 3,
                                          .buffer = audio_.get(),
                                          .window = PointWindow{0, 255}});
        audio_->SetRange(0.0f, 255.0f, 0, 255);
        audioDisplay_->Commands->ClearAll();
        audioDisplay_->Commands->AddCommand(0, 3, 0x00FFFF, 3);
        audioDisplay_->Visible = 1;
        audioDisplay_->ShowTexts();
        ResultList->SetVisible(true);
        // The live audio of the analogue view has its volume control beside the buttons.
        if (auto* volume = static_cast<TVolumeFrame*>(VolumeFrame))
          volume->Attach(this, 700, 8, [this](int v) { UpdateVolume(v); });
        break;
      case DigitalRealtime:
        realtime_->Clear();
        ShowRealtimeLayout("Digital", 200, {20, 460, 980, 660}, digital_.get(), DigitalPoints);
        ApplyDisplaySetup(intensityDisplay_, {.title = "Intensity",
                                              .viewport = {20, 260, 980, 460},
                                              .gridX = 1,
                                              .gridY = 1,
                                              .renderMode = 4,
                                              .window = PointWindow{0, 0}});
        intensityDisplay_->GenerateText();
        intensityDisplay_->Visible = 1;
        ResultList->SetVisible(true);
        break;
    }
    OnResize(nullptr);
    if (Application) Application->ProcessMessages();
    if (ResizeTimer) ResizeTimer->SetEnabled(true);
  });
}

// The live trace with its two bars on top (the analogue display, down to liveBottom) and the
// overview of the kind's recording with the compared curves (the digital display).
void TUFingerFrame::ShowRealtimeLayout(const std::string& kind, int liveBottom, const Viewport& overview,
                                       DigitalBuffer* recording, int recordingPoints) {
  ApplyDisplaySetup(analogDisplay_, {.title = kind + " Realtime",
                                     .viewport = {20, 20, 980, liveBottom},
                                     .gridX = 10,
                                     .gridY = 8,
                                     .renderMode = 7,
                                     .buffer = realtime_.get(),
                                     .window = PointWindow{0, LivePoints},
                                     .traceColour = 0x00FFFF});
  analogDisplay_->CustomText("Start", "Center", "Stop");
  analogDisplay_->Commands->AddCommand(0, 3, 0x0000FF, 1);
  analogDisplay_->Commands->AddCommand(1, 3, 0x008000, 1);
  ApplyDisplaySetup(digitalDisplay_, {.title = kind + " Overview",
                                      .viewport = overview,
                                      .gridX = 15,
                                      .gridY = 8,
                                      .renderMode = 3,
                                      .buffer = recording,
                                      .window = PointWindow{0, recordingPoints},
                                      .traceColour = 0xFFFF00});
  LabelFingerOverview(digitalDisplay_);
  digitalDisplay_->Commands->AddCommand(FingerChannel::RecordingSmoothed, 2, 0xFFFF00, 1);
  digitalDisplay_->Commands->AddCommand(FingerChannel::LoadedSmoothed, 2, 0x008000, 1);
  digitalDisplay_->Commands->AddCommand(FingerChannel::Hits, 2, 0x0000FF, 1);
}

void TUFingerFrame::OnStartButMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  Guarded("TUFingerFrame::OnStartButMouseDown", [&] {
    Panel1->SetColor(panel_colours::Pressed);
    UsbTimer->SetEnabled(false);
  });
}

void TUFingerFrame::OnStartButMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  Guarded("TUFingerFrame::OnStartButMouseUp", [&] {
    Panel1->SetColor(panel_colours::Released);
    listInUse_ = false;
    ResultList->SetVisible(false);
    if (Application) Application->ProcessMessages();
    SetViewMode(Overview);
    if (GlobalLanguageSkinTool) {
      Label1->SetCaption(GlobalLanguageSkinTool->GetGeneralText(14));
      Label3->SetCaption(GlobalLanguageSkinTool->GetGeneralText(15));
    }
    realtimeThread_.Stop();
    if (scanThread_.Running())
      StopScanThread();
    else
      StartScanThread();
  });
}

void TUFingerFrame::StartScanThread() {
  Guarded("TUFingerFrame::StartScanThread", [&] {
    Panel1->SetCaption("Stop");
    Panel2->SetVisible(false);
    Panel3->SetVisible(false);
    ResultList->SetVisible(false);
    audioDisplay_->Visible = 0;
    SetViewport(analogDisplay_, {20, 20, 980, 300});
    SetViewport(digitalDisplay_, {20, 360, 980, 660});
    if (Application) Application->ProcessMessages();
    OnResize(nullptr);
    analog_->Clear();
    digital_->Clear();
    for (StdDisplay* d : {analogDisplay_, digitalDisplay_}) {
      d->Commands->ClearAll();
      d->Markers->Clear();
    }
    analogDisplay_->TraceColor = 0x00FFFF;
    digitalDisplay_->TraceColor = 0xFFFF00;
    auto* thread = new FingerScanThread(0.0, 15e9);
    thread->AnalogTrace = analog_.get();
    thread->DigitalTrace = digital_.get();
    thread->Hold(analog_);
    thread->Hold(digital_);
    thread->AnalogDisplay = analogDisplay_;
    thread->DigitalDisplay = digitalDisplay_;
    scanThread_.Start(thread, [this](IOThreadBase* ended) { OnScanThreadTerminate(ended); });
  });
}

// A terminate request only: the scan ends after its current step, and its end handler shows the
// panels and stores what it reached.
void TUFingerFrame::StopScanThread() {
  Guarded("TUFingerFrame::StopScanThread", [&] {
    if (IOThreadBase* thread = scanThread_.Thread()) thread->RequestStop();
  });
}

// The scan's end: with no sender, a running scan is first stopped and waited for (nothing when none
// runs).
void TUFingerFrame::OnScanThreadTerminate(TObject* Sender) {
  Guarded("TUFingerFrame::OnScanThreadTerminate", [&] {
    if (!Sender) {
      if (!scanThread_.Running()) return;
      scanThread_.Stop();
    }
    Panel1->SetCaption("Start");
    Panel2->SetVisible(true);
    Panel3->SetVisible(true);
    StoreFingerprint();
  });
}

void TUFingerFrame::StoreFingerprint() {
  Guarded("TUFingerFrame::StoreFingerprint", [&] { ::StoreFingerprint(*analog_, *digital_, *recorded_); });
}

void TUFingerFrame::RenderBarGraphs() {
  Guarded("TUFingerFrame::RenderBarGraphs", [&] { bars_.Render(); });
}

void TUFingerFrame::OnSavePanelMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  Guarded("TUFingerFrame::OnSavePanelMouseUp", [&] { ShowSaveDialog(); });
}

void TUFingerFrame::ShowSaveDialog() {
  Guarded("TUFingerFrame::ShowSaveDialog", [&] {
    const std::string folder = FingerFolder();
    SaveDialog->SetInitialDir(folder.empty() ? ProgramFolder : folder);
    SaveDialog->SetFileName((folder.empty() ? ProgramFolder : folder + "/") +
                            FingerBufferBase::CreateFileName());
    if (!SaveDialog->Execute()) return;
    const std::string path = WithFingerExtension(SaveDialog->FileName());
    // A failed save is reported and the recording stays, so the operator can choose another place.
    const std::string problem = SaveFingerprintFile(*recorded_, path);
    if (!problem.empty()) {
      TellOperator(problem);
      return;
    }
    Label1->SetCaption(ExtractFileName(SaveDialog->FileName()));
  });
}

void TUFingerFrame::OnComparePanelMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  Guarded("TUFingerFrame::OnComparePanelMouseUp", [&] { CompareWithFile(); });
}

void TUFingerFrame::CompareWithFile() {
  Guarded("TUFingerFrame::CompareWithFile", [&] {
    const std::string folder = FingerFolder();
    OpenDialog->SetInitialDir(folder.empty() ? ProgramFolder : folder);
    if (!OpenDialog->Execute()) return;
    // Loaded into a fresh fingerprint: a file that does not load leaves the comparison as it was, and
    // a live view still reading the old reference never sees it change under it.
    auto candidate = std::make_shared<FingerBufferBase>();
    const std::string problem = LoadFingerprintFile(*candidate, OpenDialog->FileName());
    if (!problem.empty()) {
      TellOperator(problem);
      return;
    }
    loaded_ = candidate;
    Label3->SetCaption(ExtractFileName(OpenDialog->FileName()));
    CompareFingerprints();
    FillResultList();
    OnResize(nullptr);
  });
}

void TUFingerFrame::CompareFingerprints() {
  Guarded("TUFingerFrame::CompareFingerprints", [&] {
    CompareFingerChannels(*analog_, recorded_->Analog, loaded_->Analog, AnalogPoints, RecordAnalogRule);
    CompareFingerChannels(*digital_, recorded_->Digital, loaded_->Digital, DigitalPoints, RecordDigitalRule);
    SetViewMode(CompareOverview);
  });
}

void TUFingerFrame::FillResultList() {
  Guarded("TUFingerFrame::FillResultList", [&] {
    ResultList->Items()->Clear();
    for (const FingerHit& hit : CollectFingerHits(*analog_, *digital_))
      ResultList->Items()->AddObject(hit.Text(), reinterpret_cast<TObject*>(intptr_t(hit.point)));
    ResultList->SetVisible(true);
    listInUse_ = true;
  });
}

void TUFingerFrame::OnResultListDrawItem(TWinControl*, int index, const TRect& rect) {
  Guarded("TUFingerFrame::OnResultListDrawItem", [&] {
    TCanvas* canvas = ResultList->Canvas();
    if (!canvas || index < 0 || index >= ResultList->Items()->Count()) return;
    canvas->Brush()->SetColor(TColor(GlobalIniService ? GlobalIniService->ReadDisplayBgColor() : 0));
    canvas->FillRect(rect);
    canvas->Font()->SetColor(TColor(GlobalIniService ? GlobalIniService->ReadDisplayTextColor() : 0xF0CAA6));
    canvas->Font()->SetName("Consolas");
    canvas->Font()->SetHeight(14);
    canvas->TextOut(20, rect.Top + 4, ResultList->Items()->Strings(index));
  });
}

void TUFingerFrame::OnResultListClick(TObject*) {
  Guarded("TUFingerFrame::OnResultListClick", [&] {
    const int index = ResultList->ItemIndex();
    if (index < 0) return;
    const int point = int(reinterpret_cast<intptr_t>(ResultList->Items()->Objects(index)));
    const bool digital = ResultList->Items()->Strings(index).rfind("Dig", 0) == 0;
    analogDisplay_->Markers->Clear();
    digitalDisplay_->Markers->Clear();
    (digital ? digitalDisplay_ : analogDisplay_)->AddMarker(unsigned(point));
    const double frequency = FingerHit{digital, point}.FrequencyHz();
    if (GlobalIOSettings) {
      GlobalIOSettings->Center = frequency;
      GlobalIOSettings->Span = 10e6;
    }
    // The old live view ends before the buffer it draws into is refilled.
    realtimeThread_.Stop();
    UsbTimer->SetEnabled(false);
    realtimeFrequency_ = frequency;
    if (!digital) {
      analogDisplay_->Commands->ClearAll();
      Guarded("TUFingerFrame::FillRealtimeReference",
              [&] { FillRealtimeReference(*realtime_, *recorded_, *loaded_, frequency); });
      SetViewMode(AnalogRealtime);
    } else {
      SetViewMode(DigitalRealtime);
    }
    StartRealtimeThread();
  });
}

void TUFingerFrame::StartRealtimeThread() {
  Guarded("TUFingerFrame::StartRealtimeThread", [&] {
    auto* thread = new FingerRealtimeThread(realtimeFrequency_);
    thread->LiveTrace = realtime_.get();
    thread->Hold(realtime_);
    thread->Fingerprint = loaded_.get();
    thread->Hold(loaded_);
    StdDisplay* display = analogDisplay_;
    thread->Labels = [display](const std::string& l, const std::string& c, const std::string& r) {
      display->CustomText(l, c, r);
    };
    if (mode_ == DigitalRealtime) {
      analogDisplay_->ZoomStart = 0;
      analogDisplay_->ZoomEnd = 200;
      thread->Waterfall = waterfall_.get();
      thread->Hold(waterfall_);
    } else {
      thread->AudioTrace = audio_.get();
      thread->Hold(audio_);
      // The loudspeaker starts at the volume the control shows.
      if (auto* volume = static_cast<TVolumeFrame*>(VolumeFrame))
        thread->VolumeChange.Post(uint8_t(std::clamp(volume->Volume, 0, 255)));
    }
    realtimeThread_.Start(thread);
  });
}

void TUFingerFrame::OnRenderWinMouseDown(TMouseButton Button, TShiftState, int X, int) {
  Guarded("TUFingerFrame::OnRenderWinMouseDown", [&] {
    if (!IsEntered() || !realtimeThread_.Running()) return;
    if (Button == mbRight) {
      AutoCenter();
    } else if (Button == mbLeft) {
      pressX_ = X;
      pressFrequency_ = realtimeFrequency_;
    }
  });
}

void TUFingerFrame::OnRenderWinMouseMove(TShiftState Shift, int X, int) {
  Guarded("TUFingerFrame::OnRenderWinMouseMove", [&] {
    if (!IsEntered() || !realtimeThread_.Running() || !(Shift & ssLeft)) return;
    const int width = analogDisplay_->ViewPort.right - analogDisplay_->ViewPort.left;
    const double span = mode_ == DigitalRealtime ? 50e6 : 10e6;
    realtimeFrequency_ = DragFrequency(pressFrequency_, pressX_, X, width, span);
    static_cast<FingerRealtimeThread*>(realtimeThread_.Thread())->FrequencyChange.Post(realtimeFrequency_);
  });
}

void TUFingerFrame::AutoCenter() {
  Guarded("TUFingerFrame::AutoCenter", [&] {
    if (!realtimeThread_.Running()) return;
    // The digital live view holds 200 points of 250 kHz, the analogue one 1000 of 10 kHz.
    const bool digital = mode_ == DigitalRealtime;
    double offset = 0.0;
    const bool found = Guarded("TUFingerFrame::FindCenterOffset", [&] {
      return FindCenterOffset(*realtime_, digital ? 200 : 1000, digital ? 250e3 : 10e3, offset);
    });
    if (found) {
      realtimeFrequency_ = std::clamp(realtimeFrequency_ + offset, 0.0, 15e9);
      static_cast<FingerRealtimeThread*>(realtimeThread_.Thread())->FrequencyChange.Post(realtimeFrequency_);
    }
    analogDisplay_->Symbols->StartFade(2, 1.0);
  });
}

void TUFingerFrame::UpdateVolume(int volume) {
  Guarded("TUFingerFrame::UpdateVolume", [&] {
    if (!realtimeThread_.Running()) return;
    static_cast<FingerRealtimeThread*>(realtimeThread_.Thread())
        ->VolumeChange.Post(uint8_t(std::clamp(volume, 0, 255)));
  });
}

void TUFingerFrame::OnUsbTimer(TObject*) {
  Guarded("TUFingerFrame::OnUsbTimer", [&] {
    if (IOCtrl && !IOCtrl->DevicePresent()) LinkUp = 0;
  });
}
