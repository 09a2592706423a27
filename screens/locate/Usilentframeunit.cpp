#include "screens/locate/Usilentframeunit.h"

#include "base/Globals.h"
#include "base/Guard.h"
#include "base/HardwareLockGuard.h"
#include "device/InOut.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "engine/SilentList.h"
#include "engine/Silentthreads.h"
#include "engine/SoundBuffer.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/StdCtrls.h"
#include "screens/locate/DetectFrameParts.h"
#include "screens/locate/Silenttestwinunit.h"

namespace {
constexpr TColor SilentPressedColour = 0x613F2D;
constexpr TColor ListInactiveColour = clInactiveCaptionText;

// The main window: the outermost form among the owners (the category frame's owner).
TForm* OutermostForm(TComponent* component) {
  TForm* form = nullptr;
  for (TComponent* c = component; c; c = c->Owner())
    if (auto* f = dynamic_cast<TForm*>(c)) form = f;
  return form;
}

// The view's panels: the views' panel buttons, in a plain font.
TPanel* MakeSilentPanel(TWinControl* parent, const std::string& caption, int left, int top, int width,
                        int height) {
  return MakePanelButton(parent, caption, left, top, width, height, "MS Sans Serif", -21, TFontStyles(0));
}
}  // namespace

TUSilentFrame::TUSilentFrame(TComponent* AOwner)
    : TLocateModeFrame(AOwner, "TUSilentFrame"), search_(MakeHooks()) {
  Guard("TUSilentFrame", [&] {
    deferredResize_ = false;
    SetBounds(0, 0, 1091, 240);
    Image->SetBounds(-1, 4, 974, 125);
    Panel1 = MakeSilentPanel(this, "Start", 20, 20, 125, 81);
    Panel1->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState h, int x, int y) {
      OnStartPanelMouseDown(s, b, h, x, y);
    };
    Panel2 = MakeSilentPanel(this, "Src. int. Micro", 156, 20, 161, 37);
    Panel2->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState h, int x, int y) {
      OnSrcPanelMouseDown(s, b, h, x, y);
    };
    Panel3 = MakeSilentPanel(this, "Select Range", 156, 64, 161, 37);
    Panel3->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState h, int x, int y) {
      OnSelectRangePanelMouseDown(s, b, h, x, y);
    };
    for (auto [p, where] : {std::pair{Panel1, "TUSilentFrame::OnStartPanelMouseUp"},
                            std::pair{Panel2, "TUSilentFrame::OnSrcPanelMouseUp"},
                            std::pair{Panel3, "TUSilentFrame::OnSelectRangePanelMouseUp"}})
      p->OnMouseUp = [p, where](TObject*, TMouseButton, TShiftState, int, int) {
        Guarded(where, [&] { p->SetColor(panel_colours::Released); });
      };
    MakeRangePanel();
    Timer1 = new TTimer(this);
    Timer1->SetEnabled(false);
    Timer1->SetInterval(500);
    Timer1->OnTimer = [this](TObject* s) { OnTimer1(s); };
    lb = new TListBox(this);
    lb->SetParent(this);
    lb->SetBounds(676, 12, 185, 97);
    lb->SetVisible(false);
    MakeTestButtons();
    list_ = std::make_shared<SilentList>();
    CreateBuffers();
    CreateDisplays();
    listBox_ = new TSilentListBox(OutermostForm(this));
    listBox_->SetVisible(false);
    PlaceListBox();
    TestWin = new TSilentTestWin(this);
  });
}

void TUSilentFrame::MakeTestButtons() {
  Button1 = AddHiddenButton("Test", [this](TObject* s) { OnTestButClick(s); });
  Button2 = AddHiddenButton("Thread Test", [this](TObject* s) { OnThreadTestButClick(s); });
}

void TUSilentFrame::CreateBuffers() {
  Guarded("TUSilentFrame::CreateBuffers", [&] {
    signal_ = std::make_shared<DigitalBuffer>(400);
    signal_->SetRange(0, 400, 0, 255);
    scan_ = std::make_shared<DigitalBuffer>(15000);
    scan_->SetRange(0.0f, 15e9f, 0, 255);
    channelA_ = std::make_shared<std::vector<float>>(SampleCount);
    channelB_ = std::make_shared<std::vector<float>>(SampleCount);
  });
}

void TUSilentFrame::CreateDisplays() {
  Guarded("TUSilentFrame::CreateDisplays", [&] {
    signalDisplay_ = &AddDisplay({.title = "Signal to be tested",
                                  .viewport = {600, 30, 1000, 330},
                                  .gridX = 10,
                                  .gridY = 8,
                                  .renderMode = 2,
                                  .buffer = signal_.get(),
                                  .window = PointWindow{0, 400},
                                  .symbols = ViewSymbols},
                                 true);
    signalDisplay_->Commands->AddCommand(0, 2, 0x00FFFF, 3);
    signalDisplay_->Commands->AddCommand(1, 2, 0xFFFF00, 3);
    signalDisplay_->Commands->AddCommand(2, 2, 0x008000, 3);
    signalDisplay_->Commands->AddCommand(3, 3, 0x0000FF, 1);
    scanDisplay_ = &AddDisplay({.title = "Scan Range",
                                .viewport = {20, 520, 1003, 760},
                                .gridX = 15,
                                .gridY = 8,
                                .renderMode = 3,
                                .buffer = scan_.get(),
                                .window = PointWindow{0, 15000},
                                .symbols = ViewSymbols},
                               true);
    scanDisplay_->CustomText(FormatFloat("0.0", 0), FormatFloat("0.0", 7500), FormatFloat("0.0", 15000));
    scanDisplay_->Commands->AddCommand(0, 2, 0x00FFFF, 3);
    scanDisplay_->Commands->AddCommand(1, 2, 0xFFFF00, 3);
    scanDisplay_->Commands->AddCommand(2, 3, 0x008000, 1);
  });
}

TUSilentFrame::~TUSilentFrame() {
  Guard("~TUSilentFrame", [&] {
    StopThreads();
    delete TestWin;
    if (listBox_) listBox_->SetList(nullptr);
    delete listBox_;
  });
}

void TUSilentFrame::MakeRangePanel() {
  Panel4 = MakeSilentPanel(this, "", 328, 20, 205, 81);
  Panel4->SetVisible(false);
  const auto label = [this](const char* text, int left, int top, int height) {
    auto* l = new TLabel(Panel4);
    l->SetParent(Panel4);
    l->SetLeft(left);
    l->SetTop(top);
    l->SetCaption(text);
    if (height) l->Font()->SetHeight(height);
  };
  label("Start", 16, 12, 0);
  label("Stop", 16, 44, 0);
  label("MHz", 152, 16, -16);
  label("MHz", 152, 44, -16);
  const auto edit = [this](const char* text, int top) {
    auto* e = new TEdit(Panel4);
    e->SetParent(Panel4);
    e->SetBounds(68, top, 77, 25);
    e->SetBorderStyle(bsNone);
    e->SetColor(0x774543);
    e->Font()->SetName("Consolas");
    e->Font()->SetHeight(-16);
    e->Font()->SetColor(clWhite);
    e->SetCaption(text);
    return e;
  };
  Edit1 = edit("0", 12);
  Edit2 = edit("15000", 44);
}

SilentSearch::Hooks TUSilentFrame::MakeHooks() {
  SilentSearch::Hooks h;
  h.startScan = [this] { StartScanThread(); };
  h.startRecord = [this](double f) { StartRecordThread(f); };
  h.count = [this] { return list_->Count(); };
  h.frequency = [this](int i) { return list_->GetFrequency(i); };
  h.tries = [this](int i) -> std::array<int32_t, 6>* {
    SilentListItem* item = list_->Get(i);
    return item ? &item->States : nullptr;
  };
  h.raiseAlarm = [this](int i) {
    if (SilentListItem* item = list_->Get(i)) item->Alarm = 1;
    if (GlobalIOSettings) GlobalIOSettings->Center = list_->GetFrequency(i);
  };
  h.highlight = [this](int i, bool on) {
    if (SilentListItem* item = list_->Get(i)) item->Highlight = on ? 1 : 0;
  };
  h.listChanged = [this] {
    listBox_->SetList(list_.get());
    listBox_->Invalidate();
  };
  h.repaint = [this] { listBox_->Invalidate(); };
  h.blink = [this](bool on) {
    if (IOCtrl) {
      HardwareLockGuard lock;  // the search threads measure meanwhile
      IOCtrl->SetIndicator(on);
    }
    listBox_->SetColor(on ? TColor(0x0000FF) : ListInactiveColour);
    listBox_->Invalidate();
  };
  h.debugLines = [this](const std::vector<std::string>& lines) { SetDebugLines(lines); };
  return h;
}

void TUSilentFrame::SetDebugLines(const std::vector<std::string>& lines) {
  lb->Items()->Clear();
  for (const std::string& line : lines) lb->Items()->Add(line);
}

void TUSilentFrame::OnResize(TObject* Sender) {
  TLocateModeFrame::OnResize(Sender);
  Guard("OnResize", [&] { PlaceListBox(); });
}

// The candidate list stands in the measurement area, in the room left of "Signal to be tested",
// and follows the render window's size as the displays' labels do; it never covers the main or
// frame buttons. Without a render window (a view built on its own) it stays where it is.
void TUSilentFrame::PlaceListBox() {
  if (!listBox_ || !RenderWindow) return;  // not before the constructor has made the view
  if (listBox_->Parent() != RenderWindow) listBox_->SetParent(RenderWindow);
  const double sx = RenderWindow->Width() / 1024.0;
  const double sy = RenderWindow->Height() / 768.0;
  listBox_->SetBounds(int(ListLeft * sx), int(ListTop * sy), int((ListRight - ListLeft) * sx),
                      int((ListBottom - ListTop) * sy));
}

void TUSilentFrame::EnterView() {
  testStep_ = 0;
  SetUpDevice();
  PlaceListBox();
  listBox_->SetVisible(true);
  listBox_->BringToFront();
  // Two rows without a candidate: the box shows them empty until the first scan fills it.
  listBox_->Items()->Add("kdahadhah");
  listBox_->Items()->Add("kdahadhah");
  if (DebugSwitch) TestWin->Show();
}

void TUSilentFrame::SetUpDevice() {
  HardwareLockGuard lock;  // a thread of another view may not have ended yet (the lock is recursive)
  if (IOCtrl) {
    IOCtrl->InitMeasureMode();
    IOCtrl->SetIFBandwidth(2);
    IOCtrl->SetFrequency(GlobalIOSettings ? GlobalIOSettings->Center : 500e6);
  }
  SelectSource();
  if (IOCtrl) IOCtrl->SetSoundProcVolume(255);
}

void TUSilentFrame::LeaveView() {
  StopSearch();
  listBox_->SetVisible(false);
  TestWin->Hide();
}

void TUSilentFrame::SelectSource() {
  Guarded("TUSilentFrame::SelectSource", [&] {
    if (!IOCtrl) return;
    HardwareLockGuard lock;
    IOCtrl->WriteSoundPCA9539(externalSource_ ? 168 : 160);
    SoundBufferBase silence(SampleCount);
    silence.Clear();
    IOCtrl->StoreSound(&silence, 0, 0);
  });
}

void TUSilentFrame::SetPanelsEnabled(bool on) {
  for (TPanel* p : {Panel2, Panel3, Panel4}) p->SetEnabled(on);
}

void TUSilentFrame::OnStartPanelMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  Guarded("TUSilentFrame::OnStartPanelMouseDown", [&] {
    Panel1->SetColor(SilentPressedColour);
    if (searching_)
      StopSearch();
    else
      StartSearch();
  });
}

void TUSilentFrame::StartSearch() {
  Guarded("TUSilentFrame::StartSearch", [&] {
    if (searching_) return;
    scanStart_ = 1e6;
    scanStop_ = 15e9;
    if (rangeSelected_) {
      std::string message;
      if (!ParseSilentRange(Edit1->Caption(), Edit2->Caption(), scanStart_, scanStop_, message)) {
        TellOperator(message);
        return;
      }
      Edit1->SetCaption(FormatFloat("0.###", scanStart_ * 1e-6));
      Edit2->SetCaption(FormatFloat("0.###", scanStop_ * 1e-6));
    }
    searching_ = true;
    Panel1->SetCaption("Stop");
    SetPanelsEnabled(false);
    listBox_->SetList(nullptr);
    listBox_->Invalidate();
    search_.Reset();
    Timer1->SetEnabled(true);
  });
}

void TUSilentFrame::StopSearch() {
  Guarded("TUSilentFrame::StopSearch", [&] {
    Panel1->SetCaption("Start");
    Timer1->SetEnabled(false);
    StopThreads();
    searching_ = false;
    SetPanelsEnabled(true);
    search_.Reset();
    if (IOCtrl) {
      HardwareLockGuard lock;
      if (!IOCtrl->SetIndicator(false)) LinkUp = 0;
    }
    listBox_->SetColor(ListInactiveColour);
    listBox_->Invalidate();
  });
}

void TUSilentFrame::StopThreads() {
  scanThread_.Stop();
  recordThread_.Stop();
  analyzerThread_.Stop();
}

bool TUSilentFrame::AnyThreadRunning() const {
  return scanThread_.Running() || recordThread_.Running() || analyzerThread_.Running();
}

void TUSilentFrame::OnSrcPanelMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  Guarded("TUSilentFrame::OnSrcPanelMouseDown", [&] {
    Panel2->SetColor(SilentPressedColour);
    externalSource_ = !externalSource_;
    Panel2->SetCaption(externalSource_ ? "Src. ext. Micro" : "Src. int. Micro");
    SelectSource();
  });
}

void TUSilentFrame::OnSelectRangePanelMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  Guarded("TUSilentFrame::OnSelectRangePanelMouseDown", [&] {
    Panel3->SetColor(SilentPressedColour);
    rangeSelected_ = !rangeSelected_;
    Panel3->SetCaption(rangeSelected_ ? "Range Total" : "Range Select");
    Panel4->SetVisible(rangeSelected_);
  });
}

void TUSilentFrame::OnTimer1(TObject*) {
  Guarded("TUSilentFrame::OnTimer1", [&] {
    if (searching_) search_.Tick();
  });
}

void TUSilentFrame::StartScanThread() {
  Guarded("TUSilentFrame::StartScanThread", [&] {
    // The box lets go of the old candidates before they are replaced; the scan fills a list of its
    // own, which becomes the candidate list when it has ended.
    listBox_->SetList(nullptr);
    auto fresh = std::make_shared<SilentList>();
    auto* thread = new SilentScanThread();
    thread->Buffer = scan_.get();
    thread->Hold(scan_);
    thread->List = fresh.get();
    thread->Hold(fresh);
    thread->Start = scanStart_;
    thread->Stop = scanStop_;
    scanThread_.Start(thread, [this, fresh](IOThreadBase*) {
      Guarded("TUSilentFrame::OnScanThreadTerminate", [&] {
        list_ = fresh;
        search_.ScanEnded();
      });
    });
  });
}

void TUSilentFrame::StartRecordThread(double frequency) {
  Guarded("TUSilentFrame::StartRecordThread", [&] {
    auto* thread = new SilentRecordThread();
    thread->Frequency = frequency;
    thread->SampleCount = SampleCount;
    thread->Buffer = signal_.get();
    thread->Hold(signal_);
    thread->Ad0Output = channelA_->data();
    thread->Ad1Output = channelB_->data();
    thread->Hold(channelA_);
    thread->Hold(channelB_);
    recordThread_.Start(thread, [this](IOThreadBase* t) {
      Guarded("TUSilentFrame::OnRecordThreadTerminate", [&] {
        auto* record = static_cast<SilentRecordThread*>(t);
        if (DebugSwitch)
          lb->Items()->Add(record->Centred ? FormatFloat("0.000", record->CentredFrequency * 1e-6) : "Error");
        if (record->Centred && !t->ErrorFlag)
          StartAnalyzerThread();
        else
          search_.RecordNotCentred();
      });
    });
  });
}

void TUSilentFrame::StartAnalyzerThread() {
  Guarded("TUSilentFrame::StartAnalyzerThread", [&] {
    auto* thread = new SilentAnalyzerThread();
    thread->SampleCount = SampleCount;
    thread->Input1 = channelA_->data();
    thread->Input2 = channelB_->data();
    thread->Hold(channelA_);
    thread->Hold(channelB_);
    analyzerThread_.Start(thread, [this](IOThreadBase* t) {
      Guarded("TUSilentFrame::OnAnalyzerThreadTerminate", [&] {
        auto* analyzer = static_cast<SilentAnalyzerThread*>(t);
        if (DebugSwitch && analyzer->Analysis)
          TestWin->ShowAnalysis(*analyzer->Analysis, channelA_->data(), channelB_->data());
        search_.AnalysisEnded(analyzer->Level1, analyzer->Level2, analyzer->Result);
      });
    });
  });
}

void TUSilentFrame::OnThreadTestButClick(TObject*) {
  Guarded("TUSilentFrame::OnThreadTestButClick", [&] {
    if (IOCtrl) {
      HardwareLockGuard lock;  // a thread of an earlier press may still measure
      IOCtrl->InitMeasureModeBand0();
      IOCtrl->SetIFBandwidth(2);
    }
    if (testStep_ == 0) {
      StartScanThread();
      testStep_ = 1;
      return;
    }
    if (testIndex_ < list_->Count() - 1) {
      const double frequency = list_->GetFrequency(testIndex_);
      if (GlobalIOSettings) GlobalIOSettings->Center = frequency;
      // Recorded at the candidate under test (the search's own candidate frequency is not set here).
      StartRecordThread(frequency);
      ++testIndex_;
    }
  });
}

void TUSilentFrame::OnTestButClick(TObject*) {
  Guarded("TUSilentFrame::OnTestButClick", [&] {
    if (testStep_ == 0) {
      SetUpDevice();
      testStep_ = 1;
    }
    std::vector<float> channelA(SampleCount), channelB(SampleCount);
    if (!RecordTestSamples(channelA, channelB)) return;
    SilentAnalysis analysis(SampleCount);
    analysis.Run(channelA.data(), channelB.data());
    TestWin->ShowAnalysis(analysis, channelA.data(), channelB.data(), true);
  });
}

bool TUSilentFrame::RecordTestSamples(std::vector<float>& channelA, std::vector<float>& channelB) {
  if (!IOCtrl) return false;
  SoundBufferBase demodulated(SampleCount), microphone(SampleCount);
  {
    HardwareLockGuard lock;
    if (!IOCtrl->PlaySound(0, uint8_t(SampleCount / 128), 0) || !IOCtrl->ReadSoundAD0(&demodulated, 0, 0) ||
        !IOCtrl->ReadSoundAD1(&microphone, 0, 0)) {
      LinkUp = 0;
      return false;
    }
  }
  demodulated.ExchangeBytes();
  microphone.ExchangeBytes();
  for (int i = 0; i < SampleCount; ++i) {
    channelA[size_t(i)] = float(int(demodulated.Samples[i]) - 32768);
    channelB[size_t(i)] = float(int(microphone.Samples[i]) - 32768);
  }
  return true;
}
