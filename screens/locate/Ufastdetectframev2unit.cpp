#include "screens/locate/Ufastdetectframev2unit.h"

#include <cstdlib>

#include "device/InOut.h"
#include "display/DirectXBase.h"
#include "display/Display.h"
#include "display/DisplayIni.h"
#include "engine/Buffers.h"
#include "engine/FastDetectThreads.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"
#include "screens/locate/DetectFrameParts.h"
#include "screens/locate/RadarSprites.h"
#include "base/Globals.h"
#include "base/Guard.h"
#include "base/HardwareLockGuard.h"
#include "base/IniService.h"

namespace {
constexpr int ScanPoints[3] = {3000, 15000, 150000};
constexpr int VerifyPoints = 300000;
}  // namespace

TFastDetectFrameV2::TFastDetectFrameV2(TComponent* AOwner) : TLocateModeFrame(AOwner, "TFastDetectFrameV2") {
  Guard("TFastDetectFrame", [&] {
    deferredResize_ = false;
    displaysOffFirst_ = true;
    SetBounds(0, 0, 1023, 127);
    Image->SetBounds(4, 4, 1001, 117);
    Panel1 = MakePanelButton(this, "Start", 20, 20, 125, 81);
    Panel1->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
      OnStartButMouseDown(s, b, sh, x, y);
    };
    Panel1->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
      OnStartButMouseUp(s, b, sh, x, y);
    };
    Label2 = new TLabel(this);
    Label2->SetParent(this);
    Label2->SetLeft(408);
    Label2->SetTop(16);
    Label2->Font()->SetName("Arial");
    Label2->Font()->SetHeight(-32);
    Label2->Font()->SetColor(clWindow);
    Label2->SetTransparent(true);
    Label2->SetVisible(false);
    lb = new TListBox(this);
    lb->SetParent(this);
    lb->SetBounds(212, 12, 181, 101);
    lb->SetColor(clMedGray);
    lb->Font()->SetName("MS Sans Serif");
    lb->Font()->SetHeight(-11);
    lb->Font()->SetColor(0x0000FF);
    lb->SetItemHeight(13);
    lb->SetVisible(false);
    lb->OnClick = [this](TObject* s) { OnLBTestClick(s); };
    CreateServiceControls();
    ClearTargets();
    CreateBuffers();
    CreateDisplays();
    CreateRadarSprites();
  });
}

TFastDetectFrameV2::~TFastDetectFrameV2() {
  Guard("~TFastDetectFrameV2", [&] {
    StopThreads();
    RadarViewActive = 0;
    for (auto& sprite : sprites_) sprite.reset();
    radarTextures_.reset();
  });
}

void TFastDetectFrameV2::CreateServiceControls() {
  Timer1 = new TTimer(this);
  Timer1->SetEnabled(false);
  Timer1->SetInterval(100);
  Timer1->OnTimer = [this](TObject* s) { OnTimer1(s); };
  Button1 = AddHiddenButton("Test", [this](TObject* s) { OnTestButClick(s); });
  Button2 = AddHiddenButton("Center Thread", [this](TObject* s) { OnCenterTestButClick(s); });
  Button3 = AddHiddenButton("Synth Test off", [this](TObject* s) { OnSynthTestButClick(s); });
  Edit1 = AddHidden<TEdit>();
  Edit1->SetCaption("300");
  Edit2 = AddHidden<TEdit>();
  Edit2->SetCaption("500");
  Label1 = AddHidden<TLabel>();
  Label1->SetCaption("Label1");
}

void TFastDetectFrameV2::CreateBuffers() {
  Guarded("TFastDetectFrameV2::CreateBuffers", [&] {
    for (int s = 0; s < 3; ++s) {
      scan_[s] = std::make_shared<DigitalBuffer>(ScanPoints[s]);
      scan_[s]->SetRange(0.0f, float(ScanPoints[s] * FastBinHz[s]), 0, 255);
    }
    verify_ = std::make_shared<DigitalBuffer>(VerifyPoints);
    verify_->SetRange(0.0f, float(FastTopHz), 0, 255);
  });
}

void TFastDetectFrameV2::CreateDisplays() {
  Guarded("TFastDetectFrameV2::CreateDisplays", [&] {
    main_ = &AddDisplay({.title = "Fast Detect",
                         .viewport = {20, 10, 1003, 360},
                         .gridX = 10,
                         .gridY = 8,
                         .renderMode = 3,
                         .window = PointWindow{0, VerifyPoints},
                         .symbols = ViewSymbols});
    main_->CustomText(FormatFloat("0.0", 0), FormatFloat("0.0", 7500), FormatFloat("0.0", 15000));
    for (int s = 0; s < 3; ++s) {
      auto* title = new StdDisplay(xBase, 1024, 768);
      title->SetPosition(20, 400 + 40 * s, 640, 20);
      title->GridDivX = title->GridDivY = 1;
      title->RenderMode = 0;
      const TColorValue ownText = title->TextColor;
      titles_[s] = &AdoptDisplay(title, true);
      titles_[s]->TextColor = ownText;  // an adopted display takes the INI colour; a title keeps its own
      ApplyTitleIni(*titles_[s]);
    }
  });
}

void TFastDetectFrameV2::ApplyTitleIni(StdDisplay& display) {
  const TColorValue ownText = display.TextColor;
  ApplyIniDisplaySettings(display);
  display.TextColor = ownText;
  display.GridColor = display.BgColor;  // no grid: the title line alone
}

void TFastDetectFrameV2::CreateRadarSprites() {
  Guarded("TFastDetectFrameV2::CreateRadarSprites", [&] {
    if (!xBase) return;
    const int background = GlobalIniService ? GlobalIniService->ReadDisplayBgColor() : 0;
    radarTextures_ = std::make_unique<RadarTextures>(background, ProgramFolder + "meshes");
  });
}

void TFastDetectFrameV2::UpdateFromIni() {
  Guard("UpdateFromIni", [&] {
    if (main_) ApplyIniDisplaySettings(*main_);
    for (StdDisplay* d : titles_)
      if (d) ApplyTitleIni(*d);
  });
}

void TFastDetectFrameV2::EnterView() {
  if (radarTextures_) radarTextures_->LoadInto(xBase, sprites_);
  // The labels of all four displays are shown by now; they go to their places.
  main_->PlaceTexts();
  for (StdDisplay* d : titles_) d->PlaceTexts();
  if (running_) RadarViewActive = 1;
  if (!IOCtrl) return;
  HardwareLockGuard lock;  // a thread of another view may not have ended yet
  DeviceCall(IOCtrl->SetAudioSpeaker(1, 1, 1, 1, 0, 0, 1) && IOCtrl->WriteSoundPCA9539(131) &&
             IOCtrl->SetSoundProcVolume(180));
}

void TFastDetectFrameV2::LeaveView() {
  RadarViewActive = 0;
  // The synthesiser test ends with the view: it would retune DDS 4 under the next view's sweeps.
  if (Timer1->Enabled()) OnSynthTestButClick(nullptr);
  StopThreads();
}

bool TFastDetectFrameV2::RestoreDevice() {
  if (!IOCtrl) return true;
  HardwareLockGuard lock;
  return DeviceCall(IOCtrl->SetAudioSpeaker(1, 1, 1, 1, 0, 0, 0) && IOCtrl->SetSoundProcVolume(0) &&
                    IOCtrl->SetIndicator(false));
}

void TFastDetectFrameV2::StopThreads() {
  scanThread_.Stop();
  searchThread_.Stop();
  centreThread_.Stop();
}

bool TFastDetectFrameV2::AnyThreadRunning() const {
  return scanThread_.Running() || searchThread_.Running() || centreThread_.Running();
}

void TFastDetectFrameV2::SetStatus(const std::string& text, TColor colour) {
  Label2->SetCaption(text);
  Label2->Font()->SetColor(colour);
  Label2->SetVisible(true);
}

std::string TFastDetectFrameV2::Status() const { return Label2->Visible() ? Label2->Caption() : ""; }

std::vector<std::string> TFastDetectFrameV2::Results() const {
  std::vector<std::string> lines;
  for (int i = 0; i < lb->Items()->Count(); ++i) lines.push_back(lb->Items()->Strings(i));
  return lines;
}

void TFastDetectFrameV2::OnStartButMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  Guarded("TFastDetectFrameV2::OnStartButMouseDown", [&] {
    if (running_)
      StopRun();
    else
      StartRun();
  });
}

void TFastDetectFrameV2::OnStartButMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  Guarded("TFastDetectFrameV2::OnStartButMouseUp", [&] { Panel1->SetColor(panel_colours::Released); });
}

void TFastDetectFrameV2::StartRun() {
  Guarded("TFastDetectFrameV2::StartRun", [&] {
    RadarViewActive = 1;
    targetsFound_ = false;
    running_ = true;
    Panel1->SetCaption("Stop");
    StartScanThread();
  });
}

void TFastDetectFrameV2::StopRun() {
  Guarded("TFastDetectFrameV2::StopRun", [&] {
    running_ = false;
    StopThreads();
    main_->Commands->ClearAll();
    main_->DigBuffer = nullptr;
    main_->DigChannel = 0;
    main_->GenerateText();
    main_->SetTitle("Fast Detect");
    for (StdDisplay* d : titles_) d->SetTitle("");
    lb->SetVisible(false);
    ResetView();
  });
}

void TFastDetectFrameV2::ResetView() {
  Guarded("TFastDetectFrameV2::ResetView", [&] {
    Label2->SetVisible(false);
    Label2->Font()->SetColor(clWindow);
    RadarViewActive = 0;
    targetsFound_ = false;
    running_ = false;
    Panel1->SetCaption("Start");
    Panel1->SetEnabled(true);
    lb->Items()->Clear();
    for (auto& b : scan_) b->Clear();
    verify_->Clear();
    ClearTargets();
  });
}

void TFastDetectFrameV2::ClearTargets() {
  Guarded("TFastDetectFrameV2::ClearTargets", [&] {
    // A fresh list: a centre thread that outlived its stop may still read the old one.
    targets_ = std::make_shared<std::vector<TargetRangeItem>>();
  });
}

void TFastDetectFrameV2::StartScanThread() {
  Guarded("TFastDetectFrameV2::StartScanThread", [&] {
    SetStatus("scanning...", clWindow);
    auto* thread = new FastDetectScanThreadV2();
    for (int s = 0; s < 3; ++s) {
      thread->Buffers[s] = scan_[s].get();
      thread->Hold(scan_[s]);
    }
    thread->Display = main_;
    scanThread_.Start(thread, [this](IOThreadBase* t) { OnScanFinished(t); });
    RadarViewActive = 1;
  });
}

void TFastDetectFrameV2::OnScanFinished(IOThreadBase*) {
  Guarded("TFastDetectFrame::OnScanThreadTerminate", [&] {
    for (int s = 0; s < 3; ++s) titles_[s]->SetTitle(FastStageTitle(s, CountDetected(*scan_[s])));
    StartSearchThread();
  });
}

void TFastDetectFrameV2::StartSearchThread() {
  Guarded("TFastDetectFrameV2::StartSearchThread", [&] {
    SetStatus("searching...", clWindow);
    auto* thread = new FastDetectSearchThreadV2();
    for (int s = 0; s < 3; ++s) {
      thread->Buffers[s] = scan_[s].get();
      thread->Hold(scan_[s]);
    }
    thread->Display = main_;
    searchThread_.Start(thread, [this](IOThreadBase* t) { OnSearchFinished(t); });
  });
}

void TFastDetectFrameV2::OnSearchFinished(IOThreadBase*) {
  Guarded("TFastDetectFrameV2::OnSearchThreadTerminate", [&] {
    lb->Items()->Clear();
    for (auto& b : scan_) Guarded("TFastDetectFrameV2::ReduceMarks", [&] { ReduceMarks(*b); });
    ClearTargets();
    Guarded("TFastDetectFrameV2::BuildTargetRanges", [&] {
      for (const FastTargetRange& r : BuildTargetRanges(*scan_[0], *scan_[1], *scan_[2]))
        targets_->push_back({r.lower, r.upper, 0.0});
    });
    if (!targets_->empty()) {
      targetsFound_ = true;
      lb->SetVisible(true);
    }
    StartCenterThread();
  });
}

void TFastDetectFrameV2::StartCenterThread() {
  Guarded("TFastDetectFrameV2::StartCenterThread", [&] {
    SetStatus("verify...", clWindow);
    verify_->Clear();
    main_->SetTitle("Fast Detect Verify");
    main_->DigBuffer = verify_.get();
    main_->DigChannel = 0;
    main_->GenerateText();
    main_->Commands->ClearAll();
    main_->Commands->AddCommand(0, 2, 0x808080, 3);
    main_->Commands->AddCommand(1, 2, 0xFFFFFF, 3);
    main_->Commands->AddCommand(2, 2, 0x00FF00, 3);
    main_->Commands->AddCommand(3, 3, 0x0000FF, 3);
    auto* thread = new FastDetectCenterThread();
    thread->Buffer = verify_.get();
    thread->Hold(verify_);
    thread->List = targets_.get();
    thread->Hold(targets_);
    thread->Display = main_;
    centreThread_.Start(thread, [this](IOThreadBase* t) { OnCenterFinished(t); });
  });
}

void TFastDetectFrameV2::OnCenterFinished(IOThreadBase*) {
  Guarded("TFastDetectFrameV2::OnCenterThreadTerminate", [&] {
    lb->Items()->Clear();
    std::vector<std::string> lines = VerifiedLines(*verify_);
    if (!lines.empty()) {
      Guarded("TFastDetectFrameV2::SortResults", [&] { SortResults(lines); });
      for (const std::string& line : lines) lb->Items()->Add(line);
      SetStatus("ALARM", 0x0000FF);
    } else {
      SetStatus("nothing found", 0x008000);
    }
  });
}

void TFastDetectFrameV2::RenderRadar() {
  Guarded("TFastDetectFrameV2::RenderRadar", [&] {
    if (!sprites_[0]) return;
    DrawRadar(sprites_, radar_.Step(targetBearing_, radarSteps_, targetsFound_));
  });
}

void TFastDetectFrameV2::OnLBTestClick(TObject*) {
  Guarded("TFastDetectFrameV2::OnLBTestClick", [&] {
    const int index = lb->ItemIndex();
    if (index < 0 || index >= lb->Items()->Count() || !GlobalIOSettings) return;
    GlobalIOSettings->Center = std::atof(lb->Items()->Strings(index).c_str()) * 1e6;
    GlobalIOSettings->Span = 1e7;
  });
}

void TFastDetectFrameV2::OnTestButClick(TObject*) {
  Guarded("TFastDetectFrameV2::OnTestButClick", [&] {
    // A thread of a run still going would write the buffers while they are cleared.
    StopThreads();
    for (auto& b : scan_) b->Clear();
    StartScanThread();
    running_ = true;
  });
}

void TFastDetectFrameV2::OnCenterTestButClick(TObject*) {
  Guarded("TFastDetectFrameV2::OnCenterTestButClick", [&] {
    ClearTargets();
    targets_->push_back({418.7e6, 426.7e6, 0.0});
    StartCenterThread();
  });
}

void TFastDetectFrameV2::OnSynthTestButClick(TObject*) {
  Guarded("TFastDetectFrameV2::OnSynthTestButClick", [&] {
    Timer1->SetEnabled(!Timer1->Enabled());
    Button3->SetCaption(Timer1->Enabled() ? "Synth Test on" : "Synth Test off");
  });
}

void TFastDetectFrameV2::OnTimer1(TObject*) {
  Guarded("TFastDetectFrameV2::OnTimer1", [&] {
    if (IOCtrl) {
      HardwareLockGuard lock;  // a thread of the run may measure meanwhile
      IOCtrl->SetDDSFrequency(4, 80e6, 21e6);
    }
    if (Application) Application->ProcessMessages();
  });
}
