// The overview sweeps against the simulated instrument: the default emitters at their grid indices
// on both sides of the 5 GHz split, posted ranges, the differential and max-hold channels,
// the intensity rows, stopping and a vanished module; the grid and the settings as tables.
#include "engine/SweepWideThreads.h"

#include <cmath>

#include "SweepFixture.h"

namespace {

constexpr unsigned GridPoints = 300000 + 20000;
constexpr double UpperCarrier = 10e9;  // added above the band split

class WideSweepTest : public SweepFixture {
 protected:
  void SetUp() override {
    SweepFixture::SetUp();
    usb2sim::EmitterSpec e;
    e.frequencyHz = UpperCarrier;
    e.levelDbm = -40;
    usb2sim::AddEmitter(e);
  }
  // Waits for one whole pass: the range bar reaches the last segment, then a later pass's first.
  bool WaitFullPass(NormalBuffer& b, double start, double lastSegment) {
    return PumpUntil([&] { return b.RangeBarFrom.load() == float(lastSegment); }) &&
           PumpUntil([&] { return b.RangeBarFrom.load() == float(start); });
  }
  static int GridIndex(double hz) { return int(hz * 2e-5); }

  std::shared_ptr<NormalBuffer> overview = std::make_shared<NormalBuffer>(int(GridPoints));
};

TEST_F(WideSweepTest, FullPassPutsEachEmitterAtItsGridIndex) {
  auto* t = new SweepWideThread();
  t->Buffer = t->Keep(overview);
  ASSERT_TRUE(t->PostSettings(0, 15e9, WideStepForSpan(15e9)));
  slot.Start(t);
  const double emitters[] = {433.92e6, 868.3e6, 1880e6, 2450e6, UpperCarrier};
  // The pulsed emitter is off for half of the conversions: keep each point's maximum over a few passes.
  std::vector<std::vector<float>> held(std::size(emitters), std::vector<float>(2000, 0.0f));
  for (int pass = 0; pass < 3; ++pass) {
    ASSERT_TRUE(WaitFullPass(*overview, 0, 14e9));
    HardwareLockGuard lock;
    for (size_t e = 0; e < std::size(emitters); ++e)
      for (int i = 0; i < 2000; ++i)
        held[e][size_t(i)] =
            std::max(held[e][size_t(i)], overview->GetPoint(unsigned(GridIndex(emitters[e]) - 1000 + i)));
  }
  EXPECT_EQ(usb2sim::GetState().ifFilter[0], 1);  // 1 MHz step: IF bandwidth type 1
  for (size_t e = 0; e < std::size(emitters); ++e) {
    const int found = SpanCentre(800, 1200, [&](int i) { return held[e][size_t(i)]; });
    std::string around;
    for (int i = 920; i < 1080; i += 10) around += std::to_string(int(held[e][size_t(i)])) + " ";
    EXPECT_NEAR(found, 1000, 20) << emitters[e] / 1e6 << " MHz: " << around;
    const float top = *std::max_element(held[e].begin() + found - 20, held[e].begin() + found + 21);
    EXPECT_GT(top, held[e][1500] + 40) << emitters[e] / 1e6 << " MHz";
  }
}

TEST_F(WideSweepTest, APostedRangeRestartsThePassWithTheNewStep) {
  auto* t = new SweepWideThread();
  t->Buffer = t->Keep(overview);
  ASSERT_TRUE(t->PostSettings(0, 15e9, 1e6));
  slot.Start(t);
  ASSERT_TRUE(PumpUntil([&] { return overview->RangeBarFrom.load() >= 3e9f; }));
  ASSERT_TRUE(t->PostSettings(400e6, 500e6, WideStepForSpan(100e6)));
  ASSERT_TRUE(PumpUntil([&] { return overview->RangeBarFrom.load() == 400e6f; }));
  // The next segment after the change is the new range's first: nothing of the old range follows.
  ASSERT_TRUE(WaitSweeps(3));
  EXPECT_EQ(overview->RangeBarFrom.load(), 400e6f);
  EXPECT_EQ(usb2sim::GetState().ifFilter[0], 2);
  HardwareLockGuard lock;
  const int expected = GridIndex(433.92e6);
  auto level = [&](int i) { return overview->GetPoint(unsigned(i)); };
  EXPECT_NEAR(PeakIndex(expected - 400, expected + 400, level), expected, 2);
}

TEST_F(WideSweepTest, DifferenceThreadShowsTheInputBOffset) {
  auto* t = new SweepWideDiffThread();
  auto diff = std::make_shared<DigitalBuffer>(GridPoints);
  t->DiffBuffer = t->Keep(diff);
  t->SweepParam = 8;  // eight conversions averaged per point: less detector jitter
  ASSERT_TRUE(t->PostSettings(800e6, 900e6, 100e3));
  slot.Start(t);
  ASSERT_TRUE(WaitSweeps(8));
  HardwareLockGuard lock;
  const int c = GridIndex(868.3e6);
  // Wherever the carrier stands well above the floor, input B reads 6 dB (about 11 counts) lower.
  double difference = 0;
  int points = 0;
  for (int i = c - 20; i <= c + 20; ++i)
    if (diff->Get(0, unsigned(i)) > 110) {
      difference += diff->Get(0, unsigned(i)) - diff->Get(1, unsigned(i));
      ++points;
    }
  ASSERT_GE(points, 4);
  EXPECT_NEAR(difference / points, 6 * 1.8, 3.0);
}

TEST_F(WideSweepTest, MaxHoldKeepsThePulsedEmittersMaximum) {
  auto* t = new SweepWideMaxHoldThread();
  auto hold = std::make_shared<DigitalBuffer>(GridPoints);
  t->MaxHoldBuffer = t->Keep(hold);
  ASSERT_TRUE(t->PostSettings(1850e6, 1950e6, 100e3));
  slot.Start(t);
  ASSERT_TRUE(WaitSweeps(20));
  HardwareLockGuard lock;
  const int c = GridIndex(1880e6);
  int liveLow = 0, heldLow = 0;
  for (int i = c - 8; i <= c + 8; ++i) {
    EXPECT_GE(hold->Get(1, unsigned(i)), hold->Get(0, unsigned(i)));
    if (hold->Get(0, unsigned(i)) < 120) ++liveLow;
    if (hold->Get(1, unsigned(i)) < 150) ++heldLow;
  }
  EXPECT_GT(liveLow, 0);
  EXPECT_EQ(heldLow, 0);
}

TEST_F(WideSweepTest, IntensityRowsFollowThePasses) {
  auto* t = new SweepWideIntensityThread();
  auto water = std::make_shared<WaterfallBuffer>(1000, 4);
  t->Buffer = t->Keep(overview);
  t->Waterfall = t->Keep(water);
  ASSERT_TRUE(t->PostSettings(400e6, 500e6, 100e3));  // 2000 grid points: maxima of two
  slot.Start(t);
  ASSERT_TRUE(WaitSweeps(5));  // rows 3, 0, 1, 2, ...
  HardwareLockGuard lock;
  const SharedFloat* row = water->Rows[1];
  // 433.92 MHz lies 339.2 of 1000 row points into 400..500 MHz.
  EXPECT_NEAR(PeakIndex(0, 1000, [&](int i) { return row[i].load(); }), 339, 2);
}

TEST_F(WideSweepTest, StopAndVanishedModule) {
  auto* t = new SweepWideThread();
  t->Buffer = t->Keep(overview);
  ASSERT_TRUE(t->PostSettings(0, 15e9, 1e6));
  bool errorFlag = false, ended = false;
  slot.Start(t, [&](IOThreadBase* sender) {
    ended = true;
    errorFlag = sender->ErrorFlag.load() != 0;
  });
  ASSERT_TRUE(WaitSweeps(3));
  usb2sim::UnplugNow();
  ASSERT_TRUE(PumpUntil([&] { return ended; }));
  EXPECT_TRUE(errorFlag);
  EXPECT_EQ(LinkUp.load(), 0);
}

TEST_F(WideSweepTest, StopEndsThePassWithinOneSegment) {
  auto* t = new SweepWideThread();
  t->Buffer = t->Keep(overview);
  ASSERT_TRUE(t->PostSettings(0, 15e9, 1e6));
  slot.Start(t);
  ASSERT_TRUE(WaitSweeps(3));
  const unsigned before = Sweeps();
  EXPECT_TRUE(slot.Stop());
  EXPECT_LE(Sweeps() - before, 4u);  // a segment across 5 GHz is two sweeps
  EXPECT_EQ(LinkUp.load(), 1);
}

TEST_F(WideSweepTest, NoRangeYetWaitsWithoutSweeping) {
  auto* t = new SweepWideThread();
  t->Buffer = t->Keep(overview);
  slot.Start(t);
  const unsigned before = Sweeps();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(Sweeps(), before);
  EXPECT_TRUE(slot.Stop());
}

// ---- Pure pieces ----

struct GridCase {
  double start;
  int j;
  double step;
  unsigned first;
  unsigned count;
};

class GridTest : public ::testing::TestWithParam<GridCase> {};

TEST_P(GridTest, SweepPointCoversItsGridPoints) {
  const GridCase& c = GetParam();
  const GridSpan s = GridPointsOf(c.start, c.j, c.step);
  EXPECT_EQ(s.First, c.first);
  EXPECT_EQ(s.Count, c.count);
}

INSTANTIATE_TEST_SUITE_P(Steps, GridTest,
                         ::testing::Values(GridCase{0, 0, 1e6, 0, 20}, GridCase{0, 999, 1e6, 19980, 20},
                                           GridCase{14e9, 999, 1e6, 299980, 20},
                                           GridCase{400e6, 1, 1e5, 8002, 2}, GridCase{400e6, 7, 5e4, 8007, 1},
                                           GridCase{0, 3, 1e4, 0, 1}, GridCase{0, 1, 75e3, 1, 2}));

TEST(WideGrid, ForEachGridPointStopsAtTheBufferEnd) {
  unsigned calls = 0, last = 0;
  ForEachGridPoint(0, 1e12, 1000, 100, [&](unsigned p, int) {
    ++calls;
    last = p;
  });
  EXPECT_EQ(calls, 100u);
  EXPECT_EQ(last, 99u);
}

struct SettingsCase {
  WideSettings in;
  bool accepted;
  WideSettings out;
};

TEST(WideSettingsTest, PostedRangesAreOrderedAndClamped) {
  const double nan = std::nan("");
  const SettingsCase cases[] = {
      {{100e6, 200e6, 1e5}, true, {100e6, 200e6, 1e5}},
      {{200e6, 100e6, 1e5}, true, {100e6, 200e6, 1e5}},  // start above stop: ordered
      {{-5e6, 20e9, 1e6}, true, {0, 15e9, 1e6}},         // beyond 0..15 GHz: clamped
      {{0, 1e9, 0}, false, {}},                          // step 0: refused
      {{0, 1e9, -1e5}, false, {}},
      {{nan, 1e9, 1e6}, false, {}},
      {{0, 1e9, INFINITY}, false, {}},
  };
  for (const SettingsCase& c : cases) {
    WideSettings s = c.in;
    ASSERT_EQ(NormaliseWideSettings(s), c.accepted) << c.in.Start << " " << c.in.Stop << " " << c.in.Step;
    if (!c.accepted) continue;
    EXPECT_EQ(s.Start, c.out.Start);
    EXPECT_EQ(s.Stop, c.out.Stop);
    EXPECT_EQ(s.Step, c.out.Step);
  }
  EXPECT_EQ(WideStepForSpan(200e6), 1e5);
  EXPECT_EQ(WideStepForSpan(200.1e6), 1e6);
}

TEST(WideIntensity, SamplesShortRangesAndKeepsMaximaOfLongOnes) {
  std::vector<float> trace(5000);
  for (size_t i = 0; i < trace.size(); ++i) trace[i] = float(i % 7);
  trace[2500] = 100;
  float row[1000];
  auto level = [&](unsigned i) { return i < trace.size() ? trace[i] : 0.0f; };
  // 500 grid points: sampled, every point taken twice.
  BuildIntensityRow(2000, 2500, row, level);
  EXPECT_EQ(row[0], trace[2000]);
  EXPECT_EQ(row[1], trace[2000]);
  EXPECT_EQ(row[2], trace[2001]);
  EXPECT_EQ(row[999], trace[2499]);
  // 4000 grid points: the maximum of the four on each row point.
  BuildIntensityRow(1000, 5000, row, level);
  EXPECT_EQ(row[375], 100.0f);  // 2500 falls on (2500 - 1000) / 4
  for (int k = 0; k < 1000; ++k) {
    if (k == 375) continue;
    const auto first = trace.begin() + 1000 + 4 * k;
    EXPECT_EQ(row[k], *std::max_element(first, first + 4)) << k;
  }
  // An empty range: a zero row.
  BuildIntensityRow(10, 10, row, level);
  EXPECT_EQ(row[0], 0.0f);
}

}  // namespace
