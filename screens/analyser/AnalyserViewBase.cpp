#include "screens/analyser/AnalyserViewBase.h"

#include <algorithm>
#include <cmath>

#include "device/InOut.h"
#include "display/DirectXBase.h"
#include "display/Display.h"
#include "display/DisplayIni.h"
#include "engine/Search.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/ExtCtrls.h"
#include "screens/analyser/Freqcontrolframeunit.h"
#include "screens/analyser/Updownframeunit.h"
#include "screens/analyser/Volumeframeunit.h"
#include "base/Globals.h"
#include "base/Guard.h"
#include "base/HardwareLockGuard.h"
#include "base/IniService.h"
#include "base/Language.h"
#include "base/RangeDef.h"

namespace analyser {

Window DetailWindow(double spanMHz) {
  const int n = std::clamp(int(spanMHz * 100), 1, DetailPoints);
  Window w;
  w.From = 500 - n / 2;
  w.To = w.From + n;
  return w;
}

Window OverviewWindow(double startMHz, double stopMHz) {
  auto grid = [](double mhz) {
    const double p = mhz * 1e6 * 2e-5;
    return std::isfinite(p) ? int(std::clamp(p, 0.0, double(OverviewPoints))) : 0;
  };
  Window w{grid(startMHz), grid(stopMHz)};
  if (w.To <= w.From) w.To = std::min(w.From + 1, OverviewPoints);
  if (w.To <= w.From) w.From = w.To - 1;
  return w;
}

double DetailHitCentre(double centreMHz, int index) {
  return double((float(centreMHz) - 5.0f) + float(index) * 0.01f);
}

double OverviewHitCentre(int index) { return double(float(index) * 0.05f); }

double OverviewDragCentre(int dx, double spanMHz, int viewportWidth, double pressCentreHz) {
  if (viewportWidth <= 0) return pressCentreHz / 1e6;
  const double hz = double(dx) * spanMHz * 1e6 / viewportWidth + pressCentreHz;
  return std::clamp(hz / 1e6, 0.0, 15000.0);
}

TRect StripBounds(int viewLeft, int viewTop, int viewWidth, int w, int h) {
  const int left = int(viewLeft * double(w) / 1024), top = int((viewTop + 30) * double(h) / 768);
  return TRect(left, top, left + int(viewWidth * double(w) / 1024), top + int(30 * double(h) / 768));
}

}  // namespace analyser

namespace {

TFreqControlFrame* Freq() { return static_cast<TFreqControlFrame*>(FreqControlFrame); }
TUpDownFrame* UpDown() { return static_cast<TUpDownFrame*>(UpDownFrame); }
TVolumeFrame* Volume() { return static_cast<TVolumeFrame*>(VolumeFrame); }

std::string Mhz(double v) { return FormatFloat("0.000", v); }

void ParentInto(TFrame* frame, TWinControl* into, int left, int top) {
  if (!frame) return;
  frame->SetParent(into);
  frame->SetBounds(left, top, frame->Width(), frame->Height());
  frame->Show();
}

void Unparent(TFrame* frame) {
  if (!frame) return;
  frame->Hide();
  frame->SetParent(nullptr);
}

}  // namespace

TAnalyserViewBase::TAnalyserViewBase(TComponent* AOwner, std::string viewClass, std::string detailTitle,
                                     std::string overviewTitle)
    : TModeFrameBase(AOwner),
      viewClass_(std::move(viewClass)),
      detailTitle_(std::move(detailTitle)),
      overviewTitle_(std::move(overviewTitle)) {
  Image = new TImage(this);
  Image->SetParent(this);
  Image->SetStretch(true);
  detail_ = std::make_shared<NormalBuffer>(analyser::DetailPoints);
  detail_->SetRange(0.0f, 1e7f, 0.0f, 255.0f);
  drag_ = std::make_shared<NormalBuffer>(analyser::DragPoints);
  drag_->SetRange(-1e7f, 2e7f, 0.0f, 255.0f);
  overview_ = std::make_shared<NormalBuffer>(analyser::OverviewPoints);
  overview_->SetRange(0.0f, 1.5e10f, 0.0f, 255.0f);
  CreateDisplays();
}

TAnalyserViewBase::~TAnalyserViewBase() {
  aSlot_.Stop();
  wSlot_.Stop();
  if (DisplayListGlobal)
    for (StdDisplay* d : AllDisplays()) DisplayListGlobal->Remove(d);
}

bool TAnalyserViewBase::ReportsFailuresOf(const std::string& method) const {
  return method == "UpdateSkin" || method == "StartWThread" || method == "AutoCenter";
}

std::string TAnalyserViewBase::FailureText(const std::string& method) const {
  return ReportsFailuresOf(method) ? viewClass_ + "::" + method : std::string();
}

void TAnalyserViewBase::UpdateSkin() {
  Operation("UpdateSkin", [&] {
    if (!GlobalLanguageSkinTool) return;
    if (TBitmap* panel = GlobalLanguageSkinTool->GetPanel(3)) Image->Picture()->Assign(panel);
    SkinChanged();
  });
}

std::vector<StdDisplay*> TAnalyserViewBase::AllDisplays() const {
  std::vector<StdDisplay*> all;
  if (!detailDisplay_) return all;
  all = {overviewDisplay_.get(), detailDisplay_.get()};
  for (const ExtraDisplay& e : extras_) all.push_back(e.display.get());
  return all;
}

StdDisplay* TAnalyserViewBase::AddExtraDisplay(const std::string& title, int left, int top, int width,
                                               int height, bool showTexts) {
  auto d = std::make_unique<StdDisplay>(xBase, 1024, 768);
  d->SetPosition(left, top, width, height);
  d->SetTitle(title);
  d->GridDivX = d->GridDivY = 1;
  StdDisplay* made = d.get();
  extras_.push_back({std::move(d), showTexts});
  return made;
}

void TAnalyserViewBase::CreateDisplays() {
  Operation("CreateDisplays", [&] {
    // The scene exists once the main window has started it; views made before get their displays
    // on their first Enter.
    if (!detailDisplay_ && xBase) {
      auto make = [&](const std::string& title, NormalBuffer* buffer) {
        auto d = std::make_unique<StdDisplay>(xBase, 1024, 768);
        d->SetPosition(viewLeft_, viewTop_, viewWidth_, viewHeight_);
        d->SetTitle(title);
        d->GridDivX = 10;
        d->GridDivY = 8;
        d->DataBuffer = buffer;
        d->ShowCenterMarker = 1;
        d->MoveSymbols(symbolX_, symbolY_);
        d->GenerateText();
        return d;
      };
      overviewDisplay_ = make("Overview", overview_.get());
      overviewDisplay_->RenderMode = 1;
      detailDisplay_ = make("Spectrum", detail_.get());
      UpdateFromIni();
    }
    if (detailDisplay_ && !extrasMade_ && IsEntered()) {
      extrasMade_ = true;
      CreateExtraDisplays();
      UpdateFromIni();
    }
  });
}

void TAnalyserViewBase::SetMainViewport(int left, int top, int width, int height) {
  viewLeft_ = left;
  viewTop_ = top;
  viewWidth_ = width;
  viewHeight_ = height;
  for (StdDisplay* d : {detailDisplay_.get(), overviewDisplay_.get()})
    if (d) d->SetPosition(left, top, width, height);
}

void TAnalyserViewBase::SetSymbolPlace(int x, int y) {
  symbolX_ = x;
  symbolY_ = y;
  for (StdDisplay* d : {detailDisplay_.get(), overviewDisplay_.get()})
    if (d) d->MoveSymbols(x, y);
}

void TAnalyserViewBase::UpdateFromIni() {
  Operation("UpdateFromIni", [&] {
    for (StdDisplay* d : AllDisplays()) ApplyIniDisplaySettings(*d);
  });
}

// ---- Enter and Leave ----

void TAnalyserViewBase::StartWork() {
  Operation("Enter", [&] {
    CreateDisplays();
    SetEnabled(true);
    EnterControls();
    if (detailDisplay_) {
      detailDisplay_->ShowTexts();
      overviewDisplay_->ShowTexts();
      for (const ExtraDisplay& e : extras_)
        if (e.showTexts) e.display->ShowTexts();
    }
    // Every view, the audio view too, has the render window lay itself out once more: the
    // displays made on the first Enter get their labels and the band strip its place only then.
    if (ResizeTimer) ResizeTimer->SetEnabled(true);
    ShowOverlayStrip();
    if (DisplayListGlobal && detailDisplay_) {
      for (StdDisplay* d : AllDisplays()) DisplayListGlobal->Add(d);
      detailDisplay_->Visible = 0;
    }
    DisplaysListed();
    if (GlobalIOSettings && Freq()) {
      Freq()->SetCenter(GlobalIOSettings->Center / 1e6);
      Freq()->SetSpan(GlobalIOSettings->Span / 1e6);
    }
    const double span = Freq() ? Freq()->Span : 1000.0;
    lastSpan_ = span;
    if (span > analyser::DetailSpanLimit) {
      StartWThread();
      ChangeWThreadSettings();
    } else {
      StartAThread();
      SetAModeFromControlFrame();
    }
    ShowSweepDisplay(span <= analyser::DetailSpanLimit);
    UpdateFreqSpan();
  });
}

void TAnalyserViewBase::ShowSweepDisplay(bool detail) {
  if (!detailDisplay_) return;
  detailDisplay_->Visible = detail ? 1 : 0;
  overviewDisplay_->Visible = detail ? 0 : 1;
}

void TAnalyserViewBase::StopWork() {
  Operation("Leave", [&] {
    StopAThread();
    StopWThread();
    dragging_ = false;
    SetEnabled(false);
    LeaveControls();
    // The loudspeaker goes quiet with the view: no thread is left to pass the volume on.
    if (IOCtrl && LinkUp) {
      HardwareLockGuard lock;
      if (!IOCtrl->SetSoundProcVolume(0)) LinkUp = 0;
    }
    HideOverlayStrip();
    for (StdDisplay* d : AllDisplays()) d->HideTexts();
    if (DisplayListGlobal) DisplayListGlobal->Clear();
    if (GlobalIOSettings && Freq()) {
      GlobalIOSettings->Center = Freq()->Center * 1e6;
      GlobalIOSettings->Span = Freq()->Span * 1e6;
    }
    LeaveDone();
  });
}

void TAnalyserViewBase::EnterControls() {
  if (TFreqControlFrame* f = Freq()) {
    f->OnChange = nullptr;
    lastSpan_ = 1000;
    f->SetSpan(1000);
    ParentInto(f, this, 8, 8);
    f->OnChange = [this] { UpdateFreqSpan(); };
    f->Enter();
    FreqFrameEntered();
  }
  if (TUpDownFrame* u = UpDown()) {
    ParentInto(u, this, 420, 8);
    u->Update();  // the button pictures and caption of the current skin and language
    u->OnChange = [this](bool up) { SearchUpDown(up); };
    u->EnableButtons();
  }
  if (TVolumeFrame* v = Volume()) v->Attach(this, 590, 8, [this](int volume) { UpdateVolume(volume); });
  EnterExtraControls();
}

void TAnalyserViewBase::LeaveControls() {
  LeaveExtraControls();
  if (TFreqControlFrame* f = Freq()) {
    Unparent(f);
    f->Leave();
  }
  if (TUpDownFrame* u = UpDown()) {
    Unparent(u);
    u->DisableButtons();
  }
  if (TVolumeFrame* v = Volume()) {
    if (KeepsVolumeOnLeave())
      v->TakeOut();
    else
      v->Detach();  // the slider to 0: the next detail sweep starts silent
  }
}

// ---- Threads ----

bool TAnalyserViewBase::Prepare(const std::function<bool()>& calls) {
  bool ok = false;
  if (IOCtrl) {
    HardwareLockGuard lock;
    ok = calls();
  }
  if (!ok) LinkUp = 0;
  return ok;
}

bool TAnalyserViewBase::SetUpDetailSound() {
  const auto speaker = [] { return IOCtrl->SetAudioSpeaker(true, true, true, true, false, false, true); };
  const auto soundWord = [] { return IOCtrl->WritePCA9539(I2CAddr::SoundPCA9539, 0); };
  switch (DetailSoundSetUp()) {
    case SoundSetUp::SpeakerThenSoundWord:
      return speaker() && soundWord();
    case SoundSetUp::SoundWordThenSpeaker:
      return soundWord() && speaker();
    case SoundSetUp::SoundWordThenSpeakerUnchecked:
      if (!soundWord()) return false;
      speaker();
      return true;
  }
  return false;
}

void TAnalyserViewBase::SetDetailWindow() {
  if (!detailDisplay_ || !Freq()) return;
  const analyser::Window w = analyser::DetailWindow(Freq()->Span);
  detailDisplay_->ZoomStart = w.From;
  detailDisplay_->ZoomEnd = w.To;
}

void TAnalyserViewBase::StartAThread() {
  Operation("StartAThread", [&] {
    if (!Freq()) return;
    if (detailDisplay_) {
      detailDisplay_->ShowTexts();
      overviewDisplay_->HideTexts();
    }
    const double centre = Freq()->Center;
    const int volume = Volume() ? Volume()->Volume : 0;
    if (!Prepare([&] {
          return IOCtrl->SetFrequency(ClampFrequency(centre * 1e6)) && IOCtrl->SetAttenuator(0) &&
                 IOCtrl->SetIFBandwidth(3) && SetDetailFilter() && SetUpDetailSound() &&
                 IOCtrl->VolumeUp(uint8_t(ClampVolume(volume)));
        }))
      return;
    if (detailDisplay_) {
      ShowDetailData(*detailDisplay_);
      detailDisplay_->GenerateText();
    }
    SetDetailWindow();
    Sweep10MhzThread* t = MakeAThread();
    t->SetDetailSweep();
    aThread_ = t;
    aSlot_.Start(t, [this](IOThreadBase*) { Operation("OnAThreadTerminate", [&] { ThreadEnded(true); }); });
  });
}

void TAnalyserViewBase::StopAThread() {
  Operation("OnAThreadTerminate", [&] {
    if (!aSlot_.Running()) return;
    aSlot_.Stop();
    ThreadEnded(true);
  });
}

void TAnalyserViewBase::StopWThread() {
  Operation("OnWThreadTerminate", [&] {
    if (!wSlot_.Running()) return;
    wSlot_.Stop();
    ThreadEnded(false);
  });
}

void TAnalyserViewBase::ThreadEnded(bool detail) {
  AppState = 0;
  if (!detail) {
    wThread_ = nullptr;
    return;
  }
  aThread_ = nullptr;
  // A drag the thread's end cut short gives the display its trace back.
  if (detailFrozen_ && detailDisplay_) ShowDetailData(*detailDisplay_);
  detailFrozen_ = false;
  DetailThreadEnded();
}

void TAnalyserViewBase::SetAModeFromControlFrame() {
  Operation("SetAModeFromControlFrame", [&] {
    if (!aThread_ || !Freq()) return;
    const TFreqControlFrame& f = *Freq();
    if (detailDisplay_) {
      detailDisplay_->SetTitle(detailTitle_ + "    Span: " + Mhz(f.Span));
      detailDisplay_->CustomText(Mhz(f.Start), Mhz(f.Center), Mhz(f.Stop));
    }
    SetDetailWindow();
    aThread_->PostFrequency(f.Center * 1e6);
    HardwareLockGuard lock;
    if (!IOCtrl || !IOCtrl->SetIFTunerAudio(NominalIF)) LinkUp = 0;
  });
}

void TAnalyserViewBase::StartWThread() {
  Operation("StartWThread", [&] {
    if (detailDisplay_) {
      overviewDisplay_->ShowTexts();
      detailDisplay_->HideTexts();
    }
    const int volume = Volume() ? Volume()->Volume : 0;
    if (!Prepare(
            [&] { return IOCtrl->VolumeDown(uint8_t(ClampVolume(volume))) && IOCtrl->InitMeasureMode(); }))
      return;
    if (overviewDisplay_) {
      ShowOverviewData(*overviewDisplay_);
      overviewDisplay_->GenerateText();
    }
    BeforeWThread();
    SweepWideThread* t = MakeWThread();
    wThread_ = t;
    ChangeWThreadSettings();
    wSlot_.Start(t, [this](IOThreadBase*) { Operation("OnWThreadTerminate", [&] { ThreadEnded(false); }); });
  });
}

void TAnalyserViewBase::ChangeWThreadSettings() {
  Operation("ChangeWThreadSettings", [&] {
    if (!wThread_ || !Freq()) return;
    const TFreqControlFrame& f = *Freq();
    wThread_->PostSettings(f.Start * 1e6, f.Stop * 1e6, WideStepForSpan(f.Span * 1e6));
    if (!overviewDisplay_) return;
    overviewDisplay_->GridDivX = 10;
    overviewDisplay_->GridDivY = 8;
    const analyser::Window w = analyser::OverviewWindow(f.Start, f.Stop);
    overviewDisplay_->ZoomStart = w.From;
    overviewDisplay_->ZoomEnd = w.To;
    overviewDisplay_->ZoomCenter = f.Center * 1e6;
    overviewDisplay_->SetTitle(overviewTitle_ + "    Span: " + Mhz(f.Span));
    overviewDisplay_->CustomText(Mhz(f.Start), Mhz(f.Center), Mhz(f.Stop));
  });
}
Sweep10MhzThread* TAnalyserViewBase::MakeAThread() {
  auto* t = new Sweep10MhzThread();
  t->Buffer = t->Keep(detail_);
  return t;
}

SweepWideThread* TAnalyserViewBase::MakeWThread() {
  auto* t = new SweepWideThread();
  t->Buffer = t->Keep(overview_);
  return t;
}

void TAnalyserViewBase::ShowDetailData(StdDisplay& display) {
  display.RenderMode = 2;
  display.DataBuffer = detail_.get();
}

void TAnalyserViewBase::ShowOverviewData(StdDisplay& display) {
  display.RenderMode = 3;
  display.DataBuffer = overview_.get();
  overview_->RangeBarFrom = 0.0f;
  overview_->RangeBarTo = 2.5e9f;
  overview_->RangeBarFlag = 1;
}

bool TAnalyserViewBase::SearchDetail(bool up, SearchMarkList& list) {
  return SearchAMode(detail_.get(), up, &list);
}

bool TAnalyserViewBase::SearchOverview(int start, int lower, int upper, bool up, SearchMarkList& list) {
  return SearchWMode(overview_.get(), start, lower, upper, up, &list);
}

bool TAnalyserViewBase::FindDetailCentre(int& index) { return FindAModeCenter(detail_.get(), &index); }

bool TAnalyserViewBase::FindOverviewCentre(int start, int& index) {
  return FindWModeCenter(overview_.get(), start, &index);
}

void TAnalyserViewBase::FreezeDetail(StdDisplay& display) {
  drag_->Clear();
  drag_->CopyFrom(detail_.get(), analyser::DetailPoints);
  display.DataBuffer = drag_.get();
}

void TAnalyserViewBase::ThawDetail(StdDisplay& display, int offset) {
  {
    HardwareLockGuard lock;
    for (int i = 0; i < analyser::DetailPoints; ++i) {
      const int source = i - offset;
      if (source >= 0 && source < analyser::DragPoints)
        detail_->SetPoint(unsigned(i), drag_->GetPoint(unsigned(source)));
    }
  }
  display.DataBuffer = detail_.get();
}

StdDisplay* TAnalyserViewBase::ActiveDisplay() const {
  if (aThread_) return detailDisplay_.get();
  if (wThread_) return overviewDisplay_.get();
  return nullptr;
}

void TAnalyserViewBase::Fade(StdDisplay* display, int symbol) {
  if (display && display->Symbols && symbol < display->Symbols->Count())
    display->Symbols->StartFade(symbol, 1.0);
}

void TAnalyserViewBase::UpdateFreqSpan() {
  Operation("UpdateFreqSpan", [&] {
    if (!aThread_ && !wThread_) return;
    TFreqControlFrame& f = *Freq();
    if (f.RangeStepMark != TFreqControlFrame::NoRangeStep) {
      Fade(ActiveDisplay(), f.RangeStepMark == TFreqControlFrame::RangeStepUp ? 3 : 4);
      f.RangeStepMark = TFreqControlFrame::NoRangeStep;
    }
    const double span = f.Span;
    const bool overview = span > analyser::DetailSpanLimit;
    if (lastSpan_ <= analyser::DetailSpanLimit && overview && aThread_) {
      StopAThread();
      StartWThread();
      ShowSweepDisplay(false);
      Fade(overviewDisplay_.get(), 1);
    }
    if (lastSpan_ > analyser::DetailSpanLimit && !overview && wThread_) {
      StopWThread();
      StartAThread();
      ShowSweepDisplay(true);
      Fade(detailDisplay_.get(), 0);
    }
    lastSpan_ = span;
    // A start that failed leaves no thread: nothing to retune.
    if (overview)
      ChangeWThreadSettings();
    else
      SetAModeFromControlFrame();
    DrawBandStrip();
    AfterFreqSpan();
  });
}

void TAnalyserViewBase::UpdateVolume(int volume) {
  Operation("UpdateVolume", [&] {
    if (aThread_) aThread_->PostVolume(volume);
  });
}

void TAnalyserViewBase::SearchUpDown(bool up) {
  Operation("SearchUpDown", [&] {
    TFreqControlFrame* f = Freq();
    if (!f) return;
    SearchMarkList list;
    if (aThread_ && detailDisplay_) {
      if (SearchDetail(up, list)) {
        Fade(detailDisplay_.get(), up ? 5 : 6);
        DetailHit(list.Index(0), true);
        f->SetCenter(analyser::DetailHitCentre(f->Center, list.Index(0)));
        return;
      }
    } else if (wThread_ && overviewDisplay_) {
      const int start = int(std::clamp(f->Center * 20, 0.0, double(analyser::OverviewPoints)));
      if (SearchOverview(start, overviewDisplay_->ZoomStart, overviewDisplay_->ZoomEnd, up, list)) {
        Fade(overviewDisplay_.get(), up ? 5 : 6);
        f->SetCenter(analyser::OverviewHitCentre(list.Index(0)));
        return;
      }
    } else {
      return;
    }
    // No further peak: the window moves on by half a span.
    if (up)
      f->RangeUp();
    else
      f->RangeDown();
  });
}

void TAnalyserViewBase::AutoCenter() {
  Operation("AutoCenter", [&] {
    TFreqControlFrame* f = Freq();
    int index = 0;
    if (aThread_ && detailDisplay_) {
      if (FindDetailCentre(index)) {
        f->SetCenter(analyser::DetailHitCentre(f->Center, index));
        DetailHit(index, false);
        Fade(detailDisplay_.get(), 2);
      }
    } else if (wThread_ && overviewDisplay_) {
      const int start = int(std::clamp(f->Center * 20, 0.0, double(analyser::OverviewPoints)));
      if (FindOverviewCentre(start, index)) {
        f->SetCenter(analyser::OverviewHitCentre(index));
        Fade(overviewDisplay_.get(), 2);
      }
    }
  });
}

// ---- Mouse and wheel ----

void TAnalyserViewBase::OnWheel(int Delta) {
  Operation("OnWheel", [&] {
    if (!Enabled() || !IsEntered() || !Freq()) return;
    if (Delta < 0)
      Freq()->SpanDown();
    else
      Freq()->SpanUp();
  });
}

void TAnalyserViewBase::OnRenderWinMouseDown(TMouseButton Button, TShiftState, int X, int) {
  Operation("OnRenderWinMouseDown", [&] {
    if (!Enabled() || !IsEntered() || !Freq()) return;
    if (Button == mbRight) return AutoCenter();
    if (Button != mbLeft) return;
    pressX_ = X;
    pressCentre_ = Freq()->Center * 1e6;
    dragging_ = true;
    draggedCentre_ = 0.0;
    if (wThread_) HoldOverview(true);
    if (aThread_ && detailDisplay_) {
      // The frozen trace moves under the pointer while the thread keeps sweeping the old centre.
      FreezeDetail(*detailDisplay_);
      detailFrozen_ = true;
      detailDisplay_->GenerateText();
      const analyser::Window w = analyser::DetailWindow(Freq()->Span);
      detailDisplay_->ZoomStart = w.From + 1000;
      detailDisplay_->ZoomEnd = 2000 - w.From;
    }
  });
}

void TAnalyserViewBase::OnRenderWinMouseMove(TShiftState Shift, int X, int) {
  Operation("OnRenderWinMouseMove", [&] {
    if (!Enabled() || !IsEntered() || !dragging_ || !(Shift & ssLeft) || !Freq()) return;
    TFreqControlFrame& f = *Freq();
    if (wThread_ && overviewDisplay_) {
      const int width = overviewDisplay_->ViewPort.right - overviewDisplay_->ViewPort.left;
      const double centre =
          analyser::OverviewDragCentre(pressX_ - X, f.Span, width > 0 ? width : 984, pressCentre_);
      f.SetCenter(std::min(centre, MaxDragCentre()));
    } else if (aThread_ && detailDisplay_ && detailFrozen_) {
      const int w = detailDisplay_->ZoomEnd - detailDisplay_->ZoomStart;
      const double b = (pressX_ - X) * w * 0.001;
      const int from = int(1500 - w * 0.5 + b);
      detailDisplay_->ZoomStart = std::clamp(from, 0, analyser::DragPoints - w);
      detailDisplay_->ZoomEnd = detailDisplay_->ZoomStart + w;
      draggedCentre_ = (detailDisplay_->ZoomStart + w / 2 - 1500) * 10000.0 + pressCentre_;
      // The demodulator follows the drag.
      aThread_->PostAudioTuner(NominalIF - (draggedCentre_ - f.Center * 1e6));
    }
  });
}

void TAnalyserViewBase::OnRenderWinMouseUp(TMouseButton Button, TShiftState, int, int) {
  Operation("OnRenderWinMouseUp", [&] {
    if (!Enabled() || !IsEntered() || Button != mbLeft || !dragging_) return;
    dragging_ = false;
    if (wThread_) HoldOverview(false);
    if (!aThread_ || !detailDisplay_ || !detailFrozen_) return;
    detailFrozen_ = false;
    // The thread may not yet have taken the drag's last audio IF: the nominal one replaces it, so
    // the demodulator ends on the new centre whenever the thread comes to it.
    aThread_->PostAudioTuner(NominalIF);
    const int from = detailDisplay_->ZoomStart, w = detailDisplay_->ZoomEnd - from;
    // The trace keeps showing the dragged picture until the next sweep at the new centre.
    ThawDetail(*detailDisplay_, (1000 - w) / 2 - from);
    detailDisplay_->GenerateText();
    if (draggedCentre_ != 0.0) Freq()->SetCenter(draggedCentre_ / 1e6);
    SetAModeFromControlFrame();
  });
}

// ---- Layout and band strip ----

void TAnalyserViewBase::OnResize(TObject*) {
  Operation("OnResize", [&] {
    Image->SetBoundsRect(ClientRect());
    UpdateSkin();
    for (StdDisplay* d : AllDisplays()) d->PlaceTexts();
    if (StdDisplay* d = ActiveDisplay()) {
      PlaceOverlayStrip(d);
      DrawBandStrip();
    }
  });
}

void TAnalyserViewBase::ShowOverlayStrip() {
  Operation("ShowOverlayStrip", [&] {
    if (!OverlayStripPanel || !OverlayStripImage || !RenderWindow) return;
    OverlayStripPanel->SetParent(RenderWindow);
    OverlayStripImage->SetParent(OverlayStripPanel);
    OverlayStripPanel->Show();
    OverlayStripImage->Show();
    stripShown_ = true;
  });
}

void TAnalyserViewBase::HideOverlayStrip() {
  Operation("HideOverlayStrip", [&] {
    if (!stripShown_) return;
    stripShown_ = false;
    // While the main window is being destroyed the strip may already be gone.
    if (OverlayStripImage) {
      OverlayStripImage->Hide();
      OverlayStripImage->SetParent(nullptr);
    }
    if (OverlayStripPanel) {
      OverlayStripPanel->Hide();
      OverlayStripPanel->SetParent(nullptr);
    }
  });
}

void TAnalyserViewBase::PlaceOverlayStrip(StdDisplay* display) {
  Operation("PlaceOverlayStrip", [&] {
    if (!stripShown_ || !display || !RenderWindow || !OverlayStripPanel || !OverlayStripImage) return;
    const auto& v = display->ViewPort;
    const TRect r = analyser::StripBounds(v.left, v.top, v.right - v.left, RenderWindow->ClientWidth(),
                                          RenderWindow->ClientHeight());
    OverlayStripPanel->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    OverlayStripImage->SetBounds(0, 0, r.Width(), r.Height());
    OverlayStripImage->Picture()->Bitmap()->SetSize(r.Width(), r.Height());
  });
}

void TAnalyserViewBase::DrawBandStrip() {
  StdDisplay* d = ActiveDisplay();
  if (!d || !stripShown_ || !GlobalRangeDefList || !OverlayStripImage || !Freq()) return;
  d->CreateRangeBar(GlobalRangeDefList, OverlayStripImage, Freq()->Start, Freq()->Stop);
}
