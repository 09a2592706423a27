// The intensity view: the spectrum view's trace with, above it, a waterfall of the recent sweeps
// in colour-coded levels. The intensity settings frame sets how many sweeps the waterfall holds
// (Speed) and the IF filter of the sweep (Filter).
#pragma once
#include <memory>

#include "screens/analyser/AnalyserViewBase.h"

class TIntensitySettingsFrame;

class TUIntensityFrame : public TAnalyserViewBase {
 public:
  static constexpr int WaterPoints = 1000;

  explicit TUIntensityFrame(TComponent* AOwner);
  ~TUIntensityFrame() override;

  // OnChange of the intensity settings frame: the running sweep starts again with a waterfall of
  // the new Speed's rows and the new Filter.
  void UpdateIntensity();

  WaterfallBuffer* Waterfall() const { return water_.get(); }
  StdDisplay* IntensityDisplay() const { return intensity_; }

 protected:
  Sweep10MhzThread* MakeAThread() override;
  SweepWideThread* MakeWThread() override;
  bool SetDetailFilter() override;
  SoundSetUp DetailSoundSetUp() const override { return SoundSetUp::SoundWordThenSpeakerUnchecked; }
  void CreateExtraDisplays() override;
  void EnterExtraControls() override;
  void LeaveExtraControls() override;
  void AfterFreqSpan() override;
  bool ReportsFailuresOf(const std::string&) const override { return true; }

 private:
  // The waterfall picture for the running sweep's window (the whole row in the overview).
  void RebuildWaterImage();
  TIntensitySettingsFrame* Settings() const;

  std::shared_ptr<WaterfallBuffer> water_;
  StdDisplay* intensity_ = nullptr;
};
