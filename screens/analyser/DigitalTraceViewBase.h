// Analyser views whose traces are channels of digital buffers (the differential and max hold
// views, and the digital view's min/max band): the detail, overview and drag buffers, the display picture and the searched channel.
#pragma once
#include <memory>
#include <string>

#include "screens/analyser/AnalyserViewBase.h"

class TDigitalTraceViewBase : public TAnalyserViewBase {
 public:
  TDigitalTraceViewBase(TComponent* AOwner, const std::string& viewClass, const std::string& title,
                        uint8_t renderMode, int searchChannel)
      : TDigitalTraceViewBase(AOwner, viewClass, title, title, renderMode, searchChannel) {}
  TDigitalTraceViewBase(TComponent* AOwner, const std::string& viewClass, const std::string& detailTitle,
                        const std::string& overviewTitle, uint8_t renderMode, int searchChannel);

  DigitalBuffer* DetailDigital() const { return detailDigital_.get(); }
  DigitalBuffer* OverviewDigital() const { return overviewDigital_.get(); }

 protected:
  void ShowDetailData(StdDisplay& display) override;
  void ShowOverviewData(StdDisplay& display) override;
  bool SearchDetail(bool up, SearchMarkList& list) override;
  bool SearchOverview(int start, int lower, int upper, bool up, SearchMarkList& list) override;
  bool FindDetailCentre(int& index) override;
  bool FindOverviewCentre(int start, int& index) override;
  void FreezeDetail(StdDisplay& display) override;
  void ThawDetail(StdDisplay& display, int offset) override;
  SoundSetUp DetailSoundSetUp() const override { return SoundSetUp::SoundWordThenSpeakerUnchecked; }
  // The display picture's offset of channel 0 against channel 1.
  virtual float DifferenceOffset() const { return 0.0f; }

  std::shared_ptr<DigitalBuffer> detailDigital_, overviewDigital_, dragDigital_;

 private:
  void ShowData(StdDisplay& display, DigitalBuffer* buffer);
  uint8_t renderMode_;
  int searchChannel_;
};
