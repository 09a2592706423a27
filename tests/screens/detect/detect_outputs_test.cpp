// What the detection views show the operator, end to end against the simulated instrument: the
// silent-detect alarm (the instrument's indicator output and the candidate list blinking together,
// both put back by Stop), and the thresholds by which the two fingerprint views flag a recording
// that stands above a stored fingerprint.
#include <algorithm>
#include <string>
#include <vector>

#include "engine/Buffers.h"
#include "engine/FingerBuffer.h"
#include "engine/SilentList.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TestHooks.h"
#include "screens/locate/FingerprintLogic.h"
#include "screens/locate/SilentSearch.h"
#include "screens/locate/Ufastdetectframev2unit.h"
#include "screens/locate/Ufingercompareframeunit.h"
#include "screens/locate/Ufingerframeunit.h"
#include "screens/locate/Usilentframeunit.h"
#include "tests/screens/detect/DetectFixture.h"

namespace {

// ---- Silent detect: the alarm outputs ----

// The indicator's two outputs on the mainboard expander (0x77, high byte bits 0 and 1): on = 0b10.
int Indicator() { return (usb2sim::GetState().controlWord >> 8) & 0x3; }
constexpr int IndicatorOn = 0x2, IndicatorOff = 0x1;
constexpr TColor AlarmRed = 0x0000FF;

class SilentAlarmTest : public DetectTest {};

// The room bug raises the alarm: the indicator output and the list box blink together (red with the
// output on, the inactive colour with it off). Stop, pressed while both are on, switches the output
// off, gives the list its inactive colour and stops the blink timer.
TEST_F(SilentAlarmTest, AlarmBlinksTheIndicatorAndTheListAndStopPutsBothBack) {
  StartWith();
  OpenCategory(AutoCategory);
  win->AutoFrame->FastDetectFrame->Leave();
  TUSilentFrame* view = win->AutoFrame->SilentFrame;
  view->Enter();
  // Only the band of the room bug (433.92 MHz) is scanned, which keeps the search short.
  view->OnSelectRangePanelMouseDown(nullptr, mbLeft, 0, 0, 0);
  view->Edit1->SetCaption("400");
  view->Edit2->SetCaption("500");
  view->OnStartPanelMouseDown(nullptr, mbLeft, 0, 0, 0);
  ASSERT_TRUE(RunUntil([&] { return view->Search().StateValue() == SilentSearch::Found; }, 600));
  TSilentListBox* list = view->ListBox();
  auto showsOn = [&] { return Indicator() == IndicatorOn && list->Color() == AlarmRed; };
  auto showsOff = [&] { return Indicator() == IndicatorOff && list->Color() == clInactiveCaptionText; };
  ASSERT_TRUE(RunUntil(showsOn));
  ASSERT_TRUE(RunUntil(showsOff));
  ASSERT_TRUE(RunUntil(showsOn));

  view->OnStartPanelMouseDown(nullptr, mbLeft, 0, 0, 0);  // "Stop"
  EXPECT_EQ(view->Panel1->Caption(), "Start");
  EXPECT_FALSE(view->Timer1->Enabled());
  EXPECT_EQ(Indicator(), IndicatorOff);
  EXPECT_EQ(list->Color(), clInactiveCaptionText);
  EXPECT_EQ(LinkUp.load(), 1);
}

// ---- Fingerprints: the compare thresholds ----

// A stored fingerprint that lies `drop` below a flat recording of 100 over 40 points from `start`.
struct Drop {
  int start, drop;
  bool hitWhenRecording, hitWhenComparing;  // flagged by the recording view, by the compare view
};
constexpr int RunLength = 40, Flat = 100;

// The 50/20 split at 750 (recording view) and 50/30 at 750 (compare view), analogue points.
const Drop AnalogDrops[] = {
    {600, 50, false, false}, {660, 51, true, true},  {800, 20, false, false},
    {860, 21, true, false},  {920, 30, true, false}, {980, 31, true, true},
};
// The recording view's digital rule 70/50 split at 150; the compare view keeps 50/30 at 750.
const Drop DigitalDrops[] = {
    {40, 70, false, true},   {90, 71, true, true},  {200, 50, false, false}, {260, 51, true, true},
    {600, 50, false, false}, {660, 51, true, true}, {800, 30, false, false}, {860, 31, false, true},
};

class FingerThresholdTest : public DetectTest {
 protected:
  // The recording is flat; the stored file differs from it by the drops (and nowhere else).
  std::string Arrange(FingerBufferBase& recorded) {
    FingerBufferBase stored;
    for (unsigned i = 0; i < FingerBufferBase::AnalogSize; ++i) {
      recorded.SetAnalog(i, Flat);
      stored.SetAnalog(i, Flat);
    }
    for (unsigned i = 0; i < FingerBufferBase::DigitalSize; ++i) {
      recorded.SetDigital(i, Flat);
      stored.SetDigital(i, Flat);
    }
    for (const Drop& d : AnalogDrops)
      for (int i = d.start; i < d.start + RunLength; ++i)
        stored.SetAnalog(unsigned(i), uint8_t(Flat - d.drop));
    for (const Drop& d : DigitalDrops)
      for (int i = d.start; i < d.start + RunLength; ++i) stored.SetDigital(unsigned(i), Flat - d.drop);
    const std::string path = folder.path() + "stored.fng";
    stored.Save(path);
    return path;
  }
  // The points of the run that the hit channel flags.
  static std::vector<int> Flagged(const DigitalBuffer& buffer, const Drop& d) {
    std::vector<int> points;
    for (int i = d.start - 10; i < d.start + RunLength + 10; ++i)
      if (buffer.Get(FingerChannel::Hits, unsigned(i)) > 0) points.push_back(i);
    return points;
  }
};

// The recording view lists one entry at the centre of every run that stands out by more than its
// threshold, and none for a run that stands out by exactly the threshold.
TEST_F(FingerThresholdTest, RecordingViewListsWhatStandsAboveTheStoredFingerprintByMoreThanTheThreshold) {
  StartWith();
  OpenCategory(FingerCategory);
  TUFingerFrame* view = win->FingerFrame->FingerFrame;
  VclTest::ScriptFileDialogAnswer(Arrange(view->Recorded()));
  view->OnComparePanelMouseUp(nullptr, mbLeft, 0, 0, 0);
  std::vector<std::string> expected;
  for (const Drop& d : AnalogDrops) {
    SCOPED_TRACE(testing::Message() << "analogue " << d.start << " -" << d.drop);
    const std::vector<int> flagged = Flagged(view->AnalogOverview(), d);
    EXPECT_EQ(flagged, d.hitWhenRecording ? std::vector<int>{d.start + RunLength / 2} : std::vector<int>{});
    if (d.hitWhenRecording) expected.push_back(FingerHit{false, d.start + RunLength / 2}.Text());
  }
  for (const Drop& d : DigitalDrops) {
    SCOPED_TRACE(testing::Message() << "digital " << d.start << " -" << d.drop);
    const std::vector<int> flagged = Flagged(view->DigitalOverview(), d);
    EXPECT_EQ(flagged, d.hitWhenRecording ? std::vector<int>{d.start + RunLength / 2} : std::vector<int>{});
    if (d.hitWhenRecording) expected.push_back(FingerHit{true, d.start + RunLength / 2}.Text());
  }
  std::vector<std::string> listed;
  for (int i = 0; i < view->ResultList->Items()->Count(); ++i)
    listed.push_back(view->ResultList->Items()->Strings(i));
  EXPECT_EQ(listed, expected);
}

// The compare view flags every point (no run centres) where the recording stands above the stored
// fingerprint by more than 50 below point 750 and 30 from there on, in both buffers.
TEST_F(FingerThresholdTest, CompareViewFlagsEveryPointAboveTheStoredFingerprintByMoreThanTheThreshold) {
  StartWith();
  OpenCategory(FingerCategory);
  win->FingerFrame->FingerFrame->Leave();
  TUFingerCompareFrame* view = win->FingerFrame->FingerCompareFrame;
  view->Enter();
  VclTest::ScriptFileDialogAnswer(Arrange(view->Recorded()));
  view->Test();
  // A run that stands out is flagged at least over its middle (where the smoothing, half-width 8 and 2,
  // sees only the run) and nowhere outside it; one that does not is flagged nowhere.
  auto expectFlags = [](const DigitalBuffer& buffer, const Drop& d, int halfWidth) {
    const std::vector<int> flagged = Flagged(buffer, d);
    if (!d.hitWhenComparing) {
      EXPECT_EQ(flagged, std::vector<int>{});
      return;
    }
    for (int i = d.start + halfWidth; i < d.start + RunLength - halfWidth; ++i)
      EXPECT_NE(std::find(flagged.begin(), flagged.end(), i), flagged.end()) << i;
    for (int i : flagged) EXPECT_TRUE(i >= d.start && i < d.start + RunLength) << i;
  };
  for (const Drop& d : AnalogDrops) {
    SCOPED_TRACE(testing::Message() << "analogue " << d.start << " -" << d.drop);
    expectFlags(view->AnalogOverview(), d, 8);
  }
  for (const Drop& d : DigitalDrops) {
    SCOPED_TRACE(testing::Message() << "digital " << d.start << " -" << d.drop);
    expectFlags(view->DigitalOverview(), d, 2);
  }
  EXPECT_EQ(view->AnalogOverview().Get(FingerChannel::Hits, 5000), 0.0f);
  EXPECT_EQ(view->DigitalOverview().Get(FingerChannel::Hits, 5000), 0.0f);
}

}  // namespace
