// The pure arithmetic of the locating threads, as tables: run centres and the nearest one, the
// ranging steps, the indicator values, the probe's level, LEDs and digits, band levels, the
// fast-detect run reduction, the digital pulse level, and the tone detector on synthetic recordings.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <ostream>
#include <vector>

#include "engine/Buffers.h"
#include "engine/FastDetectThreads.h"
#include "engine/FieldLocateThreads.h"
#include "engine/LocateMath.h"
#include "engine/SoundBuffer.h"

using namespace locate;

namespace {

std::vector<float> Marks(const std::vector<int>& ones, int count) {
  std::vector<float> v(static_cast<size_t>(count), 0.0f);
  for (int i : ones) v[size_t(i)] = 255.0f;
  return v;
}

std::vector<int> Ones(const std::vector<float>& v) {
  std::vector<int> out;
  for (size_t i = 0; i < v.size(); ++i)
    if (v[i] > 0) out.push_back(int(i));
  return out;
}

struct RunCase {
  const char* name;
  std::vector<int> mask;
  std::vector<int> centres;
};
std::ostream& operator<<(std::ostream& os, const RunCase& c) { return os << c.name; }

class RunCentres : public ::testing::TestWithParam<RunCase> {};

TEST_P(RunCentres, MarkTheMiddleOfEachClosedRun) {
  const RunCase& c = GetParam();
  const auto mask = Marks(c.mask, 20);
  std::vector<float> centres(20, 0.0f);
  MarkRunCentres(mask.data(), centres.data(), 20);
  EXPECT_EQ(Ones(centres), c.centres);
}

INSTANTIATE_TEST_SUITE_P(
    Locate, RunCentres,
    ::testing::Values(RunCase{"OneRun", {4, 5, 6, 7, 8}, {6}}, RunCase{"TwoRuns", {2, 3, 4, 10, 11}, {3, 11}},
                      RunCase{"OpenAtTheEnd", {17, 18, 19}, {}}, RunCase{"RunAtTheStart", {0, 1, 2}, {1}},
                      // The walk resumes two points after a run's first point: a one-point run closes
                      // one point late, and runs one gap apart merge.
                      RunCase{"OnePointRun", {5}, {6}}, RunCase{"OneGapApart", {5, 7, 8}, {7}},
                      RunCase{"Nothing", {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NearestMark, TakesTheCentreNearestTheMiddleAndTheLowerSideOnATie) {
  struct Case {
    std::vector<int> marks;
    int expected;
  } cases[] = {{{200}, 200}, {{150, 260}, 150}, {{190, 210}, 190}, {{5, 390}, 390}, {{}, -1}, {{399}, 399}};
  for (const auto& c : cases) {
    const auto m = Marks(c.marks, 400);
    EXPECT_EQ(NearestMark(m.data(), 400), c.expected) << ::testing::PrintToString(c.marks);
  }
}

TEST(Ranging, TooHighFromZeroRaisesSixteenTwentyFourTwentyEightThirtyThirtyOne) {
  int attenuation = 0;
  std::vector<int> steps;
  while (attenuation < 31) steps.push_back(attenuation = NextAttenuation(attenuation, 200, 100));
  EXPECT_EQ(steps, (std::vector<int>{16, 24, 28, 30, 31}));
  EXPECT_EQ(NextAttenuation(20, 50, 100), 10) << "too low halves";
  EXPECT_EQ(NextAttenuation(0, 50, 100), 0);
}

// The ranging sweeps at the current attenuation and then moves it by that sweep's level; each case
// models the level the instrument shows at an attenuation.
TEST(Ranging, MovesTheAttenuationAfterEachSweepUntilTheLastLevelFits) {
  struct Case {
    const char* name;
    int start;
    double firstLevel, low, high;
    std::function<double(int)> level;
    int expected;
    std::vector<int> sweptAt;
  } cases[] = {
      // 1.8 counts a dB; the window 104..114 is first met at 16 dB, and the move after it gives 24.
      {"FitsAtSixteenEndsAtTwentyFour", 0, 137.8, 104, 114, [](int a) { return 137.8 - 1.8 * a; }, 24, {0, 16}},
      {"AlreadyInsideIsLeftAlone", 12, 109.0, 104, 114, [](int) { return 109.0; }, 12, {}},
      {"TooHighStopsAtThirtyOne", 0, 200.0, 104, 114, [](int) { return 200.0; }, 31, {0, 16, 24, 28, 30}},
      {"TooLowStopsAtZero", 8, 50.0, 104, 114, [](int) { return 50.0; }, 0, {8, 4, 2, 1}},
      // 2 counts a dB around a window two counts wide: the rule swings and the cap of 10 ends it.
      {"SwingingIsCappedAtTenSweeps", 0, 150.0, 99, 101, [](int a) { return 150.0 - 2.0 * a; }, 13,
       {0, 16, 24, 28, 14, 23, 27, 13, 22, 27}},
  };
  for (const Case& c : cases) {
    std::vector<int> swept;
    int attenuation = c.start;
    EXPECT_TRUE(RangeAttenuator(attenuation, c.firstLevel, c.low, c.high, 10, [&](int at, double& level) {
      swept.push_back(at);
      level = c.level(at);
      return true;
    })) << c.name;
    EXPECT_EQ(attenuation, c.expected) << c.name;
    EXPECT_EQ(swept, c.sweptAt) << c.name;
  }
}

TEST(Ranging, AFailedSweepEndsTheRanging) {
  int attenuation = 0, sweeps = 0;
  EXPECT_FALSE(RangeAttenuator(attenuation, 200.0, 104.0, 114.0, 10, [&](int, double&) {
    ++sweeps;
    return false;
  }));
  EXPECT_EQ(sweeps, 1);
}

TEST(Indicator, AnalogueAndDigitalValues) {
  struct Case {
    double level, reference;
    int expected;
  } analogue[] = {{100, 110, 170}, {110, 110, 170}, {160, 110, 0},
                  {200, 110, 0},   {135, 110, 85},  {170, 170, 170}};
  for (const auto& c : analogue)
    EXPECT_EQ(FieldIndicatorValue(c.level, c.reference), c.expected) << c.level << " over " << c.reference;
  struct DigitalCase {
    double output;
    int expected;
  } digital[] = {{0, 170}, {127, 170}, {254, 0}, {400, 0}, {190.5, 85}};
  for (const auto& c : digital) EXPECT_EQ(DigitalIndicatorValue(c.output), c.expected) << c.output;
}

TEST(Probe, DisplayTableInterpolatesBetweenItsPoints) {
  const auto table = ProbeDisplayTable();
  struct Case {
    int index;
    double value;
  } cases[] = {{0, 1}, {10, 10}, {20, 15}, {30, 20}, {255, 600}, {171, 200}, {5, 5.5}};
  for (const auto& c : cases) EXPECT_NEAR(table[size_t(c.index)], c.value, 1e-9) << c.index;
  EXPECT_NEAR(ProbeValue(table, 20.7), 0.15, 1e-12);
  EXPECT_NEAR(ProbeValue(table, 0), 0.01, 1e-12);
  EXPECT_NEAR(ProbeValue(table, 300), 6.0, 1e-12);
}

TEST(Probe, LevelSmoothsTowardsTheInputWithWeightOneEighth) {
  for (int raw : {0, 48, 100, 255}) {
    const double x = std::max(0, raw - 48) * 1.232;
    double level = 255.0;
    for (int k = 1; k <= 30; ++k) {
      level = NextProbeLevel(level, uint8_t(raw));
      EXPECT_NEAR(level, x + (255.0 - x) * std::pow(7.0 / 8.0, k), 1e-9) << raw << " after " << k;
    }
  }
  EXPECT_EQ(ProbeLedCount(0.5), 0);
  EXPECT_EQ(ProbeLedCount(255.0), 31);
  EXPECT_EQ(ProbeLedCount(17.9), 2);
}

TEST(MobileBands, LevelOfADetectorByte) {
  EXPECT_EQ(BandLevel(63, 1.429), 0.0);
  EXPECT_EQ(BandLevel(64, 1.429), 0.0);
  EXPECT_EQ(BandLevel(198, 1.429), 255.0) << "(198 - 64) x 1.333333 x 1.429 = 255.3 is limited";
  EXPECT_NEAR(BandLevel(100, 1.25), 36 * 1.333333 * 1.25, 1e-9);
}

TEST(FastDetect, RunsReduceToTheirCentres) {
  auto marks = Marks({3, 4, 5, 6, 10, 15, 16}, 20);
  ReduceRunsToCentres(marks.data(), 20);
  EXPECT_EQ(Ones(marks), (std::vector<int>{5, 10, 16}));
}

TEST(DigitalLocate, AFallingPairIsNoPulse) {
  EXPECT_EQ(PulseProduct(100, -3), 0) << "not 254";
  EXPECT_EQ(PulseProduct(255, 255), 254);
  EXPECT_EQ(PulseProduct(128, 64), 32);
  std::vector<double> shape(40);
  for (int i = 0; i < 40; ++i) shape[size_t(i)] = std::sin(i * std::numbers::pi / 40);
  std::vector<float> target(100, 0.0f);
  AddPulse(target.data(), 100, shape, 50, 100.0);
  AddPulse(target.data(), 100, shape, 52, 50.0);  // lower: changes nothing at the peak
  EXPECT_NEAR(target[50], 100.0f, 1e-4);
  EXPECT_EQ(target[30], 0.0f);
  EXPECT_GT(target[69], 0.0f);
  AddPulse(target.data(), 100, shape, 2, 10.0);  // clipped at the start
  EXPECT_GT(target[0], 0.0f);
}

// ---- Tone detector on synthetic recordings ----

class ToneCheck : public ::testing::Test {
 protected:
  // Fills the analysed part of the record (the slot's last 1024 samples) with a tone.
  void Record(double hz, double amplitude = 20000.0) {
    SoundBufferBase& r = detector.Record();
    for (int i = 0; i < r.Count; ++i)
      r.Samples[i] = uint16_t(32768 + amplitude * std::sin(2 * std::numbers::pi * hz * i / 22050.0));
  }
  static double BinHz(double bin) { return bin * 22050.0 / 2048.0; }
  ToneDetector detector;
};

TEST_F(ToneCheck, APureToneOfTheSlotPassesOneBinOffPassesTwoBinsOffFails) {
  struct Case {
    int slot;
    double hz;
    int expected;
  } cases[] = {{0, 1200, 1},       {1, 1400, 1},         {2, 1600, 1},       {3, 1800, 1}, {0, BinHz(112), 1},
               {0, BinHz(110), 1}, {0, BinHz(113.2), 0}, {0, BinHz(109), 0}, {0, 1400, 0}, {1, 1000, 0}};
  for (const auto& c : cases) {
    Record(c.hz);
    EXPECT_EQ(detector.CheckTone(c.slot, nullptr), c.expected)
        << "slot " << c.slot << " at " << c.hz << " Hz, bin " << detector.PeakBin;
  }
}

TEST_F(ToneCheck, AConstantRecordingGivesNoTone) {
  SoundBufferBase& r = detector.Record();
  std::fill(r.Samples, r.Samples + r.Count, uint16_t(0x8000));
  EXPECT_EQ(detector.CheckTone(0, nullptr), 0);
}

TEST_F(ToneCheck, SpectrumGoesToChannelOneScaledTo255) {
  DigitalBuffer spectrum(1024);
  Record(1200);
  ASSERT_EQ(detector.CheckTone(0, &spectrum), 1);
  EXPECT_NEAR(spectrum.Get(1, unsigned(detector.PeakBin)), 255.0f, 1e-3);
  EXPECT_EQ(spectrum.Get(1, 50), 0.0f) << "outside the tone band";
}

TEST_F(ToneCheck, ASequenceWithThreeOfFourTonesCountsThree) {
  SoundBufferBase& seq = detector.SequenceRecord();
  const double tones[4] = {1200, 1400, 1000, 1800};  // the third slot carries a wrong tone
  for (int slot = 0; slot < 4; ++slot)
    for (int i = 0; i < 4096; ++i)
      seq.Samples[slot * 4096 + i] =
          uint16_t(32768 + 20000 * std::sin(2 * std::numbers::pi * tones[slot] * i / 22050.0));
  EXPECT_EQ(detector.CheckSequence(nullptr), 3);
}

}  // namespace
