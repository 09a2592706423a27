// The fast-detect pipeline (scan, search, centring) against the simulated instrument: the room bug
// that relays the played tones is found and centred; a plain tone transmitter is not; a scene
// without relaying emitters finds nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

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

  // A centring thread over the ranges, drawing into the verify buffer and the display; not yet started.
  FastDetectCenterThread* NewCentreThread(const std::vector<TargetRangeItem>& items) {
    auto list = std::make_shared<std::vector<TargetRangeItem>>(items);
    auto* centre = new FastDetectCenterThread();
    centre->Buffer = verify.get();
    centre->List = list.get();
    centre->Display = display.get();
    centre->Hold(verify);
    centre->Hold(std::move(list));
    return centre;
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
    auto* centre = NewCentreThread(items);
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

// ---- The search's sequence rule ----

// A room bug right on a stage-1 point; only that point is marked, so the search tests it alone. The
// loudspeaker leaves the listed tone slots silent (each slot is 32 pages of the sound memory).
struct SequenceCase {
  const char* name;
  std::vector<int> silentSlots;
  int hits;
};

std::ostream& operator<<(std::ostream& os, const SequenceCase& c) { return os << c.name; }

std::string SilentPages(const std::vector<int>& slots) {
  std::string pages;
  for (int slot : slots)
    for (int p = slot * 32; p < slot * 32 + 32; ++p) pages += std::to_string(p) + " ";
  return pages;
}

class FastDetectSequenceTest : public FastDetectTest, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(FastDetectSequenceTest, SearchCountsAPointWhenThreeOfTheFourTonesComeBack) {
  constexpr unsigned point = 87;  // 435 MHz at 5 MHz a point
  StartInstrument("[scene]\ndefault_emitters=0\n[emitter0]\nfrequency_mhz=435\nlevel_dbm=-45\n"
                  "bandwidth_khz=25\necho=1\n[faults]\nsilent_pages=" +
                  SilentPages(GetParam().silentSlots) + "\n");
  stages[0]->SetValue(2, point, 50.0f);
  Search();
  EXPECT_EQ(hits, GetParam().hits);
  EXPECT_EQ(stages[0]->Get(3, point), GetParam().hits ? 80.0f : 0.0f);
  EXPECT_EQ(stages[0]->Get(2, point), 0.0f) << "the tested point is cleared";
}

INSTANTIATE_TEST_SUITE_P(
    FastDetect, FastDetectSequenceTest,
    ::testing::Values(SequenceCase{"AllFourTones", {}, 1}, SequenceCase{"ThreeTones", {3}, 1},
                      SequenceCase{"TwoTones", {2, 3}, 0},
                      SequenceCase{"NoFirstTone", {0}, 0}),  // without it the sequence is never played
    [](const ::testing::TestParamInfo<SequenceCase>& info) { return std::string(info.param.name); });

// ---- The centring's stages on the display ----

// What the display shows at each pause of the centring: the pause's length, how many points channel 3
// marks, and whether the smoothed traces are drawn.
struct Shown {
  double seconds;
  int marks;
  bool smoothed;
};

TEST_F(FastDetectTest, CentringPausesOnEachStageOfTheNarrowingDown) {
  StartInstrument("");
  std::vector<TargetRangeItem> items{{Bug - 1e6, Bug + 1e6, 0.0}, {ToneTransmitter - 1e6, ToneTransmitter + 1e6, 0.0}};
  auto* centre = NewCentreThread(items);
  std::vector<Shown> shown;
  DigitalBuffer* buffer = verify.get();
  centre->Pause = [&shown, buffer](double seconds) {
    // On the worker, between its steps: the buffer holds what the display draws now.
    int marks = 0;
    for (unsigned i = unsigned((Bug - 5e6) * 2e-5); i < unsigned((ToneTransmitter + 5e6) * 2e-5); ++i)
      marks += buffer->Get(3, i) > 0.0f;
    shown.push_back({seconds, marks, buffer->Get(1, unsigned(Bug * 2e-5)) > 0.0f});
    return true;
  };
  Start(centre);
  ASSERT_TRUE(PumpUntil([&] { return finished; }, 240));
  ASSERT_EQ(errorFlag, 0);

  std::vector<double> pauses;
  for (const Shown& s : shown) pauses.push_back(s.seconds);
  // Set-up, two fine sweeps, the smoothed traces, each range's marks, the centres, then per centre
  // the tuning and the check.
  const std::vector<double> leading = {0.5, 0.5, 0.2, 0.2, 0.5, 0.2, 0.2, 0.5, 0.5, 0.2, 0.2, 0.5, 0.2};
  ASSERT_GE(pauses.size(), leading.size());
  EXPECT_EQ(std::vector<double>(pauses.begin(), pauses.begin() + long(leading.size())), leading);
  EXPECT_EQ((pauses.size() - leading.size()) % 2, 0u) << "0.2 s after tuning and after each check";

  const Shown& smoothedOnly = shown[8];
  EXPECT_TRUE(smoothedOnly.smoothed);
  EXPECT_EQ(smoothedOnly.marks, 0) << "the smoothed traces show before any mark";
  const Shown& firstRange = shown[9];
  const Shown& bothRanges = shown[10];
  EXPECT_GT(firstRange.marks, 0);
  EXPECT_GT(bothRanges.marks, firstRange.marks) << "the second range's marks come one pause later";
  const Shown& centres = shown[12];
  EXPECT_GT(centres.marks, 0);
  EXPECT_LT(centres.marks, bothRanges.marks) << "each run of marks narrows down to its centre";
}

}  // namespace
