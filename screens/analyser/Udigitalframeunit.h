// The digital view: each sweep as a min/max band whose colour tells how much the level varies
// (digitally modulated and bursty signals stand out), the variation's history as a waterfall and,
// above them, the activity and average traces of that history. While the left button is held over
// the overview, the overview sweep holds.
#pragma once
#include <memory>

#include "screens/analyser/DigitalTraceViewBase.h"

class TUDigitalFrame : public TDigitalTraceViewBase {
 public:
  static constexpr int WaterRows = 32;

  explicit TUDigitalFrame(TComponent* AOwner);
  ~TUDigitalFrame() override;

  NormalBuffer* ActivityTrace() const { return activity_.get(); }
  NormalBuffer* AverageTrace() const { return average_.get(); }
  DigitalWaterBuffer* SpreadHistory() const { return water_.get(); }
  StdDisplay* IntensityDisplay() const { return intensity_; }
  StdDisplay* DigitalDisplay() const { return digital_; }

 protected:
  Sweep10MhzThread* MakeAThread() override;
  SweepWideThread* MakeWThread() override;
  void ShowDetailData(StdDisplay& display) override;
  void ShowOverviewData(StdDisplay& display) override;
  void CreateExtraDisplays() override;
  void AfterFreqSpan() override;
  void HoldOverview(bool held) override;
  bool ReportsFailuresOf(const std::string&) const override { return true; }

 private:
  std::shared_ptr<NormalBuffer> activity_, average_;
  std::shared_ptr<DigitalWaterBuffer> water_;
  StdDisplay* intensity_ = nullptr;
  StdDisplay* digital_ = nullptr;
};
