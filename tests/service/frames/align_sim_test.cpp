// The automatic IF-filter alignment of the test frame against the simulated instrument: a device
// failure in any stage leaves the stored records as they were, a whole run stores what it found or
// nothing, and the other tests wait while it runs.
#include <gtest/gtest.h>

#include <functional>

#include "ServiceFixture.h"
#include "platform/rtl/Classes.h"
#include "service/Adjustfilter.h"
#include "service/Testframeunit.h"

namespace {

class AlignSimTest : public ServiceTest {
 protected:
  void TearDown() override {
    AppState = 0;
    ServiceTest::TearDown();
  }
  TTestFrame* Frame() { return win->TestFrame; }
  static std::array<std::array<uint8_t, 18>, 6> Records() { return usb2sim::GetState().filterRecords; }
};

// The link is lost after n device calls (early in the level search, in the centre search, in the
// gain search): the run fails, the link is down and no record is written.
TEST_F(AlignSimTest, DeviceFailureInAnyStageLeavesTheStoredRecords) {
  for (int calls : {800, 6000, 16000, 30000}) {
    SCOPED_TRACE(calls);
    StartService("[device]\nunplug_after_calls=" + std::to_string(calls) + "\n");
    const auto before = Records();
    const auto aligned = FilterAlignRecords;
    Frame()->OnAutoAdjustFilterButClick(nullptr);
    EXPECT_EQ(LinkUp.load(), 0);
    EXPECT_EQ(AppState, 0);
    EXPECT_EQ(Frame()->Display(0), nullptr);
    EXPECT_TRUE(Frame()->Button1->Enabled());  // the other tests are offered again
    EXPECT_EQ(FilterAlignRecords, aligned);
    EXPECT_EQ(Records(), before);  // the instrument's EEPROM as the failed run left it
    Close();
  }
}

// A whole run on a healthy instrument stores exactly what it found (EEPROM records 0-2 from results
// 1-3) and refuses nothing; a refused filter (a run that tells the operator so) would store nothing.
// Either way the tests are offered again and the audio module's records stay.
TEST_F(AlignSimTest, ARunStoresItsResultsOrNothing) {
  StartService();
  const auto before = Records();
  TakeBoxes();
  Frame()->OnAutoAdjustFilterButClick(nullptr);
  EXPECT_EQ(LinkUp.load(), 1);
  EXPECT_EQ(AppState, 0);
  EXPECT_TRUE(Frame()->Button5->Enabled());
  EXPECT_EQ(Frame()->Display(0), nullptr);
  const auto boxes = TakeBoxes();
  ASSERT_TRUE(boxes.empty()) << "a healthy filter is refused: " << boxes[0].text;
  const auto after = Records();
  for (size_t k = 0; k < 3; ++k)
    for (size_t i = 0; i < 18; ++i)
      EXPECT_EQ(after[k][i], FilterAlignRecords[k + 1].Bytes[i]) << k << " " << i;
  for (size_t k = 3; k < 6; ++k) EXPECT_EQ(after[k], before[k]);  // the audio module's records
}

// Records the scenario detuned by 40 centre steps: the alignment measures the simulated filter's
// real curves, finds every section's centre again (the simulator's optimum is 128) and stores the
// three records it found.
TEST_F(AlignSimTest, DetunedRecordsAreAlignedBackAndStored) {
  StartService("[faults]\ndetune_record.0=40\ndetune_record.1=40\ndetune_record.2=-40\n");
  const auto before = Records();
  ASSERT_EQ(before[0][0], 168);
  const uint8_t port = usb2sim::GetState().ifPortSweep;
  TakeBoxes();
  Frame()->OnAutoAdjustFilterButClick(nullptr);
  EXPECT_EQ(LinkUp.load(), 1);
  EXPECT_TRUE(TakeBoxes().empty());  // no refusal: the run ended well
  // The run selects the tunable filter's path (pot channel 3 of chip 2) and leaves the port alone.
  EXPECT_EQ(usb2sim::GetState().ifPortSweep, port);
  EXPECT_EQ(usb2sim::GetState().filterPots[2][3], 255);
  const auto after = Records();
  for (size_t k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    for (size_t s = 0; s < 4; ++s) EXPECT_NEAR(after[k][s], 128, 3) << s;  // centre trims
    EXPECT_EQ(after[k][0], FilterAlignRecords[k + 1].Bytes[0]);
  }
  // Each narrowing pass lowers the level trims and ends at most as wide as the one before.
  EXPECT_LE(after[2][4], after[0][4]);
  EXPECT_GE(FilterAlignRecords[1].Width50(), FilterAlignRecords[3].Width50());
  EXPECT_GT(FilterAlignRecords[3].Width50(), 0.0);
}

// The narrowing passes store the gain byte one above the last gain they set. After the run the
// sweep module's trim chips still hold what the last pass (0.15 MHz) set: its stored record has the
// gain one above the gain chip and, for the narrowest width, every level trim four above.
TEST_F(AlignSimTest, NarrowingStoresTheGainItLastSetPlusOne) {
  StartService("[faults]\ndetune_record.0=40\ndetune_record.1=40\ndetune_record.2=-40\n");
  TakeBoxes();
  Frame()->OnAutoAdjustFilterButClick(nullptr);
  ASSERT_EQ(LinkUp.load(), 1);
  ASSERT_TRUE(TakeBoxes().empty());
  const usb2sim::State s = usb2sim::GetState();
  const auto& narrowest = s.filterRecords[2];
  const int gainChip = 2, levelChip = 0;  // the sweep module's trim chips
  EXPECT_EQ(int(narrowest[8]), s.filterPots[gainChip][0] + 1);
  EXPECT_EQ(int(FilterAlignRecords[3].Gain()), s.filterPots[gainChip][0] + 1);
  for (size_t section = 0; section < 4; ++section)
    EXPECT_EQ(int(narrowest[4 + section]), s.filterPots[levelChip][section] + 4) << section;
}

// The alignment lets window messages run; a click arriving meanwhile starts nothing.
TEST_F(AlignSimTest, OtherTestsWaitWhileTheAlignmentRuns) {
  StartService();
  bool buttonsEnabled = true;
  int stateSeen = -1;
  std::function<void()> clickDuringRun = [&] {
    if (!FilterAlignmentRunning()) {
      QueueToMainThread(clickDuringRun);  // not yet under way: try at the next pump
      return;
    }
    buttonsEnabled = Frame()->Button1->Enabled() || Frame()->Button5->Enabled();
    Frame()->OnADDisplaysButClick(nullptr);
    Frame()->OnAutoAdjustFilterButClick(nullptr);
    stateSeen = AppState;
  };
  QueueToMainThread(clickDuringRun);
  Frame()->OnAutoAdjustFilterButClick(nullptr);
  EXPECT_EQ(stateSeen, 4);  // the queued clicks ran inside the alignment and changed nothing
  EXPECT_FALSE(buttonsEnabled);
  EXPECT_FALSE(Frame()->ADCheck.Running());
  EXPECT_TRUE(Frame()->Button1->Enabled());
}

}  // namespace
