#include "screens/analyser/Udigitalframeunit.h"

#include "display/Display.h"
#include "base/HardwareLockGuard.h"

namespace {
constexpr uint8_t MinMaxMode = 6;
}

TUDigitalFrame::TUDigitalFrame(TComponent* AOwner)
    : TDigitalTraceViewBase(AOwner, "TUDigitalFrame", "Spectrum", "Overview", MinMaxMode, 0) {
  activity_ = std::make_shared<NormalBuffer>(analyser::DetailPoints);
  activity_->SetRange(0.0f, 1e7f, 0.0f, 255.0f);
  average_ = std::make_shared<NormalBuffer>(analyser::DetailPoints);
  average_->SetRange(0.0f, 1e7f, 0.0f, 255.0f);
  average_->Color = 0x0000FF;
  water_ = std::make_shared<DigitalWaterBuffer>(analyser::DetailPoints, WaterRows);
  SetMainViewport(20, 510, 964, 250);
  SetSymbolPlace(80, 630);
}

TUDigitalFrame::~TUDigitalFrame() {
  aSlot_.Stop();
  wSlot_.Stop();
}

void TUDigitalFrame::CreateExtraDisplays() {
  intensity_ = AddExtraDisplay("Intensity", 20, 280, 964, 230);
  intensity_->RenderMode = 5;
  intensity_->DigWaterBuffer = water_.get();
  intensity_->MoveSymbols(80, 400);
  intensity_->InitWater(0, 0);
  digital_ = AddExtraDisplay("Digital", 20, 10, 964, 270, false);
  digital_->RenderMode = 3;
  digital_->DataBuffer = activity_.get();
  digital_->ExtraBuffers[0] = average_.get();
  digital_->ClampToPlot = 1;
  digital_->BarAlphaOn = 1;
  digital_->BarAlpha = 127.0f;
  digital_->GenerateText();
}

Sweep10MhzThread* TUDigitalFrame::MakeAThread() {
  {
    HardwareLockGuard lock;
    activity_->Clear();
  }
  auto* t = new SweepMinMaxThread();
  t->ActivityTrace = t->Keep(activity_);
  t->AverageTrace = t->Keep(average_);
  t->MinMaxBuffer = t->Keep(detailDigital_);
  t->MinMaxWater = t->Keep(water_);
  return t;
}

SweepWideThread* TUDigitalFrame::MakeWThread() {
  auto* t = new SweepWideMinMaxThread();
  t->MinMaxBuffer = t->Keep(overviewDigital_);
  t->MinMaxWater = t->Keep(water_);
  t->ActivityTrace = t->Keep(activity_);
  t->AverageTrace = t->Keep(average_);
  return t;
}

void TUDigitalFrame::ShowDetailData(StdDisplay& display) {
  TDigitalTraceViewBase::ShowDetailData(display);
  if (!digital_) return;
  digital_->RenderMode = 3;
  digital_->GenerateText();
}

void TUDigitalFrame::ShowOverviewData(StdDisplay& display) {
  TDigitalTraceViewBase::ShowOverviewData(display);
  overviewDigital_->RangeBarFlag = 1;
  if (!digital_) return;
  digital_->RenderMode = 1;
  digital_->GenerateText();
}

void TUDigitalFrame::AfterFreqSpan() {
  StdDisplay* active = DetailRunning() ? detailDisplay_.get() : overviewDisplay_.get();
  if (digital_ && active) {
    // The activity traces cover what the band display shows.
    digital_->ZoomStart = active->ZoomStart.load();
    digital_->ZoomEnd = active->ZoomEnd.load();
  }
  if (intensity_) {
    if (DetailRunning() && detailDisplay_)
      intensity_->InitWater(detailDisplay_->ZoomStart, detailDisplay_->ZoomEnd);
    else
      intensity_->InitWater(0, 0);
  }
  HardwareLockGuard lock;
  if (OverviewRunning()) {
    activity_->Clear();
    average_->Clear();
  }
  water_->Clear();
}

void TUDigitalFrame::HoldOverview(bool held) {
  if (SweepWideThread* t = WThread()) t->RunGate = held ? 0 : 1;
}
