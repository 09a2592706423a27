#include "screens/analyser/Uintensityframeunit.h"

#include "device/InOut.h"
#include "display/Display.h"
#include "screens/analyser/Intensitysettingsframeunit.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"

TUIntensityFrame::TUIntensityFrame(TComponent* AOwner)
    : TAnalyserViewBase(AOwner, "TUIntensityFrame", "Spectrum", "Overview") {
  water_ = std::make_shared<WaterfallBuffer>(WaterPoints, intensity::RowsForSpeed(intensity::NormalSpeed));
  SetMainViewport(20, 410, 964, 350);
  SetSymbolPlace(80, 530);
}

TUIntensityFrame::~TUIntensityFrame() {
  aSlot_.Stop();
  wSlot_.Stop();
}

TIntensitySettingsFrame* TUIntensityFrame::Settings() const {
  return static_cast<TIntensitySettingsFrame*>(IntensitySettingsFrame);
}

void TUIntensityFrame::CreateExtraDisplays() {
  intensity_ = AddExtraDisplay("Intensity", 20, 60, 964, 370);
  intensity_->RenderMode = 4;
  intensity_->WaterBuffer = water_.get();
  intensity_->InitWater(0, 0);
}

Sweep10MhzThread* TUIntensityFrame::MakeAThread() {
  auto* t = new SweepIntensityThread();
  t->Buffer = t->Keep(detail_);
  t->Waterfall = t->Keep(water_);
  return t;
}

SweepWideThread* TUIntensityFrame::MakeWThread() {
  auto* t = new SweepWideIntensityThread();
  t->Buffer = t->Keep(overview_);
  t->Waterfall = t->Keep(water_);
  if (Settings()) t->FilterMode = intensity::OverviewFilterOffset(Settings()->Filter);
  return t;
}

bool TUIntensityFrame::SetDetailFilter() {
  const int bandwidth = Settings() ? intensity::DetailBandwidth(Settings()->Filter) : 0;
  return bandwidth == 0 || IOCtrl->SetIFBandwidth(uint8_t(bandwidth));
}

void TUIntensityFrame::EnterExtraControls() {
  if (TIntensitySettingsFrame* f = Settings()) {
    f->SetParent(this);
    f->SetBounds(880, 8, f->Width(), f->Height());
    f->Show();
    f->Enable();
    // The captions show the settings in force: they are kept from the last visit.
    f->Update();
    f->OnChange = [this] { UpdateIntensity(); };
  }
  // From now on the digital view's word sweeps take this per-point parameter.
  MinMaxSweepParam = 20;
}

void TUIntensityFrame::LeaveExtraControls() {
  // Taken away with the view: a click on a left view's settings would restart no sweep, and the
  // frame must not stay a child of a view that may be freed before it.
  if (TIntensitySettingsFrame* f = Settings()) {
    f->OnChange = nullptr;
    f->Hide();
    f->SetParent(nullptr);
  }
}

void TUIntensityFrame::RebuildWaterImage() {
  if (!intensity_) return;
  if (DetailRunning() && detailDisplay_)
    intensity_->InitWater(detailDisplay_->ZoomStart, detailDisplay_->ZoomEnd);
  else
    intensity_->InitWater(0, 0);
}

void TUIntensityFrame::AfterFreqSpan() {
  RebuildWaterImage();
  // The history starts again at every new centre or span.
  HardwareLockGuard lock;
  water_->Clear();
}

void TUIntensityFrame::UpdateIntensity() {
  Operation("UpdateIntensity", [&] {
    const bool detail = DetailRunning(), overview = OverviewRunning();
    if (!detail && !overview) return;
    // The old waterfall stays alive with any thread that still holds it.
    if (detail)
      StopAThread();
    else
      StopWThread();
    const uint8_t speed = Settings() ? Settings()->Speed : uint8_t(intensity::NormalSpeed);
    water_ = std::make_shared<WaterfallBuffer>(WaterPoints, intensity::RowsForSpeed(speed));
    if (intensity_) intensity_->WaterBuffer = water_.get();
    if (detail)
      StartAThread();
    else
      StartWThread();
    RebuildWaterImage();
  });
}
