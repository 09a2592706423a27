// The fast-detect pipeline (scan, search, centring) against the simulated instrument: the room bug
// that relays the played tones is found and centred; a plain tone transmitter is not; a scene
// without relaying emitters finds nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "display/Display.h"
#include "engine/Buffers.h"
#include "engine/FastDetectThreads.h"
#include "platform/vcl/Forms.h"
#include "tests/engine/locate/LocateFixture.h"

namespace {

constexpr double Bug = 433.92e6;
constexpr double ToneTransmitter = 868.3e6;

class FastDetectTest : public ::testing::Test, public LocateFixture {
 protected:
  static void SetUpTestSuite() { BindSimulator(); }
  void TearDown() override { StopInstrument(); }

  // Runs one thread to its end.
  void RunToEnd(IOThreadBase* thread) {
    Start(thread);
    ASSERT_TRUE(PumpUntil([&] { return finished; }, 240));
    ASSERT_EQ(errorFlag, 0);
  }

  void Scan() {
    auto* scan = new FastDetectScanThreadV2();
    for (int s = 0; s < 3; ++s) {
      scan->Buffers[size_t(s)] = stages[size_t(s)].get();
      scan->Hold(stages[size_t(s)]);
    }
    scan->Display = display.get();
    RunToEnd(scan);
  }

  void Search() {
    auto* search = new FastDetectSearchThreadV2();
    for (int s = 0; s < 3; ++s) {
      search->Buffers[size_t(s)] = stages[size_t(s)].get();
      search->Hold(stages[size_t(s)]);
    }
    search->Display = display.get();
    Start(search, [&](IOThreadBase* t) { hits = static_cast<FastDetectSearchThreadV2*>(t)->Hits; });
    ASSERT_TRUE(PumpUntil([&] { return finished; }, 240));
    ASSERT_EQ(errorFlag, 0);
  }

  // The ranges of the stage-3 hits (4 MHz either side), then the centring run.
  std::vector<double> Centre() {
    std::vector<TargetRangeItem> items;
    const DigitalBuffer& fine = *stages[2];
    for (unsigned i = 0; i < fine.Count; ++i) {
      if (fine.Get(3, i) <= 0) continue;
      const double hz = i * 100e3;
      if (!items.empty() && hz - items.back().upper < 4e6) continue;
      items.push_back({hz - 4e6, hz + 4e6, 0.0});
    }
    if (items.empty()) return {};
    auto list = std::make_shared<std::vector<TargetRangeItem>>(items);
    auto* centre = new FastDetectCenterThread();
    centre->Buffer = verify.get();
    centre->List = list.get();
    centre->Display = display.get();
    centre->Hold(verify);
    centre->Hold(list);
    std::vector<double> confirmed;
    Start(centre, [&](IOThreadBase* t) { confirmed = static_cast<FastDetectCenterThread*>(t)->Confirmed; });
    EXPECT_TRUE(PumpUntil([&] { return finished; }, 240));
    return confirmed;
  }

  std::array<std::shared_ptr<DigitalBuffer>, 3> stages{std::make_shared<DigitalBuffer>(3000),
                                                       std::make_shared<DigitalBuffer>(15000),
                                                       std::make_shared<DigitalBuffer>(150000)};
  std::shared_ptr<DigitalBuffer> verify = std::make_shared<DigitalBuffer>(300000);
  std::unique_ptr<StdDisplay> display = std::make_unique<StdDisplay>(nullptr, 1024, 768);
  int hits = 0;
};

bool MarkedNear(const DigitalBuffer& buffer, int channel, double hz, double step, double within) {
  const int from = std::max(0, int((hz - within) / step)),
            to = std::min(int(buffer.Count), int((hz + within) / step) + 1);
  for (int i = from; i < to; ++i)
    if (buffer.Get(channel, unsigned(i)) > 0) return true;
  return false;
}

TEST_F(FastDetectTest, FindsTheRoomBugAndNotThePlainToneTransmitter) {
  StartInstrument("");  // the default scene: a room bug at 433.92 MHz, a 1 kHz tone at 868.3 MHz
  Scan();
  EXPECT_EQ(display->Texts()[3], "Fast Detect Scan BW 150 kHz");
  EXPECT_EQ(display->DigBuffer.load(), stages[2].get());
  EXPECT_EQ(display->ZoomEnd.load(), 150000);
  // Both carriers stand out above the floor in every stage.
  const double steps[3] = {5e6, 1e6, 100e3};
  for (int s = 0; s < 3; ++s) {
    EXPECT_TRUE(MarkedNear(*stages[size_t(s)], 2, Bug, steps[s], 5e6)) << "stage " << s;
    EXPECT_TRUE(MarkedNear(*stages[size_t(s)], 2, ToneTransmitter, steps[s], 5e6)) << "stage " << s;
  }

  Search();
  EXPECT_EQ(display->Texts()[3], "Fast Detect Search BW 150 kHz");
  EXPECT_GT(hits, 0);
  for (int s = 0; s < 3; ++s) {
    EXPECT_TRUE(MarkedNear(*stages[size_t(s)], 3, Bug, steps[s], 5e6)) << "stage " << s;
    EXPECT_FALSE(MarkedNear(*stages[size_t(s)], 3, ToneTransmitter, steps[s], 10e6)) << "stage " << s;
  }

  const auto confirmed = Centre();
  EXPECT_EQ(errorFlag, 0);
  ASSERT_FALSE(confirmed.empty());
  for (double hz : confirmed) EXPECT_NEAR(hz, Bug, 500e3);
  EXPECT_GT(verify->Get(4, unsigned(confirmed[0] / 50e3)), 0.0f) << "AD average at the centre";
}

TEST_F(FastDetectTest, FindsNothingWithoutRelayingEmitters) {
  StartInstrument(
      "[emitter0]\nfrequency_mhz=868.3\nlevel_dbm=-50\nbandwidth_khz=25\ntone_hz=1000\n"
      "[emitter1]\nfrequency_mhz=2450\nlevel_dbm=-42\nbandwidth_khz=2000\n");
  Scan();
  EXPECT_TRUE(MarkedNear(*stages[0], 2, ToneTransmitter, 5e6, 5e6)) << "the carriers are marked";
  Search();
  EXPECT_EQ(hits, 0);
  for (int s = 0; s < 3; ++s)
    for (unsigned i = 0; i < stages[size_t(s)]->Count; ++i) ASSERT_EQ(stages[size_t(s)]->Get(3, i), 0.0f);
  EXPECT_TRUE(Centre().empty());
}

}  // namespace
