#include "screens/analyser/DigitalTraceViewBase.h"

#include "display/Display.h"
#include "engine/Search.h"
#include "base/HardwareLockGuard.h"

TDigitalTraceViewBase::TDigitalTraceViewBase(TComponent* AOwner, const std::string& viewClass,
                                             const std::string& detailTitle, const std::string& overviewTitle,
                                             uint8_t renderMode, int searchChannel)
    : TAnalyserViewBase(AOwner, viewClass, detailTitle, overviewTitle),
      renderMode_(renderMode),
      searchChannel_(searchChannel) {
  detailDigital_ = std::make_shared<DigitalBuffer>(analyser::DetailPoints);
  detailDigital_->SetRange(0.0f, 1e7f, 0.0f, 255.0f);
  overviewDigital_ = std::make_shared<DigitalBuffer>(analyser::OverviewPoints);
  overviewDigital_->SetRange(0.0f, 1.5e10f, 0.0f, 255.0f);
  dragDigital_ = std::make_shared<DigitalBuffer>(analyser::DragPoints);
  dragDigital_->SetRange(-1e7f, 2e7f, 0.0f, 255.0f);
}

void TDigitalTraceViewBase::ShowData(StdDisplay& display, DigitalBuffer* buffer) {
  display.RenderMode = renderMode_;
  display.DataBuffer = nullptr;
  display.DigBuffer = buffer;
  display.DigChannel = 0;
  display.DiffOffset = DifferenceOffset();
}

void TDigitalTraceViewBase::ShowDetailData(StdDisplay& display) { ShowData(display, detailDigital_.get()); }

void TDigitalTraceViewBase::ShowOverviewData(StdDisplay& display) {
  ShowData(display, overviewDigital_.get());
  overviewDigital_->RangeBarFrom = 0.0f;
  overviewDigital_->RangeBarTo = 2.5e9f;
  overviewDigital_->RangeBarFlag = 0;
}

bool TDigitalTraceViewBase::SearchDetail(bool up, SearchMarkList& list) {
  return SearchAMode(detailDigital_.get(), searchChannel_, up, &list);
}

bool TDigitalTraceViewBase::SearchOverview(int start, int lower, int upper, bool up, SearchMarkList& list) {
  return SearchWMode(overviewDigital_.get(), searchChannel_, start, lower, upper, up, &list);
}

bool TDigitalTraceViewBase::FindDetailCentre(int& index) {
  return FindAModeCenter(detailDigital_.get(), searchChannel_, &index);
}

bool TDigitalTraceViewBase::FindOverviewCentre(int start, int& index) {
  return FindWModeCenter(overviewDigital_.get(), searchChannel_, start, &index);
}

void TDigitalTraceViewBase::FreezeDetail(StdDisplay& display) {
  dragDigital_->Clear();
  for (int c = 0; c < DigitalBuffer::ChannelCount; ++c)
    for (unsigned i = 0; i < unsigned(analyser::DetailPoints); ++i)
      dragDigital_->SetValue(c, i + analyser::DetailPoints, detailDigital_->Get(c, i));
  display.DigBuffer = dragDigital_.get();
}

void TDigitalTraceViewBase::ThawDetail(StdDisplay& display, int offset) {
  {
    // Signed offsets: the copy back moves the picture about 1000 points down.
    HardwareLockGuard lock;
    for (int c = 0; c < DigitalBuffer::ChannelCount; ++c)
      for (int i = 0; i < analyser::DetailPoints; ++i) {
        const int source = i - offset;
        if (source >= 0 && source < analyser::DragPoints)
          detailDigital_->SetValue(c, unsigned(i), dragDigital_->Get(c, unsigned(source)));
      }
  }
  display.DigBuffer = detailDigital_.get();
}
