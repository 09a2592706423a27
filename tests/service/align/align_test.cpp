#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "service/Adjustfilter.h"
#include "service/Testgraph.h"

namespace {

// A synthetic four-section IF filter whose response follows its trims: each section is a resonance
// whose centre moves with its centre trim, whose share falls and whose width grows with its level
// trim; the gain trim scales the whole response, which the detector clips at 255.
struct SyntheticFilter {
  std::array<int, 4> optimum{90, 110, 100, 96};  // centre trims that put each section on 10.7 MHz
  double responseScale = 1.6;
  FilterTrimRecord trims;

  double Level(double f) const {
    double sum = 0.0, meanLevel = 0.0;
    FilterTrimRecord t = trims;
    for (int s = 0; s < 4; ++s) meanLevel += t.Level(s) / 255.0 / 4.0;
    const double halfWidth = 0.03 + 0.6 * meanLevel * meanLevel;
    for (int s = 0; s < 4; ++s) {
      const double share = 1.0 - 0.95 * t.Level(s) / 255.0;
      const double centre = 10.7 + (t.Centre(s) - optimum[static_cast<size_t>(s)]) * 0.003;
      const double x = (f - centre) / halfWidth;
      sum += share / (1.0 + x * x);
    }
    const double gain = t.Gain() / 120.0;
    return std::min(255.0, 255.0 * responseScale * gain * sum / 4.0);
  }
};

// The bench over the synthetic filter, with an optional failure at the n-th device call.
class SyntheticBench : public FilterAlignBench {
 public:
  explicit SyntheticBench(SyntheticFilter& filter) : filter_(filter) {}

  bool SetTrim(const FilterTrimRecord& record) override {
    if (Fails()) return false;
    filter_.trims = record;
    return true;
  }
  bool Measure(TestGraph& curve, int smoothing, double span) override {
    if (Fails()) return false;
    curve.Reset(10.7 - span / 2, 10.7 + span / 2, span * 0.005, 0.0, 255.0);
    for (int i = 0; i < curve.Count(); ++i)
      curve.SetValue(i, static_cast<uint8_t>(filter_.Level(curve.FrequencyAt(i))));
    curve.Smooth(smoothing);
    ++measurements;
    return true;
  }

  int calls = 0;
  int measurements = 0;
  int failAtCall = -1;  // the call that fails (and every later one: the link is gone)

 private:
  bool Fails() { return failAtCall >= 0 && calls++ >= failAtCall; }
  SyntheticFilter& filter_;
};

class Alignment : public testing::Test {
 protected:
  void SetUp() override {
    for (auto& r : FilterAlignRecords) r.Bytes.fill(0x5A);
    before = FilterAlignRecords;
  }
  TestGraph curve{10.2, 11.2, 0.005, 0.0, 255.0};
  SyntheticFilter filter;
  std::array<FilterTrimRecord, 7> before;
};

TEST_F(Alignment, DetunedFilterIsCentredAndNarrowedStepByStep) {
  SyntheticBench bench(filter);
  ASSERT_EQ(RunFilterAlignment(bench, 0, curve), AlignResult::Done);
  // Record 0 and the three module-0 records were written; module 1's were not.
  for (size_t k : {0u, 1u, 2u, 3u}) EXPECT_NE(FilterAlignRecords[k], before[k]) << k;
  for (size_t k : {4u, 5u, 6u}) EXPECT_EQ(FilterAlignRecords[k], before[k]) << k;
  FilterTrimRecord& first = FilterAlignRecords[1];
  for (int s = 0; s < 4; ++s) {
    EXPECT_NEAR(first.Centre(s), filter.optimum[static_cast<size_t>(s)], 2) << s;
    EXPECT_EQ(first.Centre(s), first.CentreResult(s));
    EXPECT_EQ(first.Level(0), first.Level(s));
  }
  for (int i = 18; i < 24; ++i) EXPECT_EQ(first.Bytes[static_cast<size_t>(i)], 0);
  // Each pass is at most as wide as the one before and reaches its target width.
  const double targets[] = {0.5, 0.3, 0.15};
  for (size_t k = 1; k <= 3; ++k) {
    const FilterTrimRecord& r = FilterAlignRecords[k];
    EXPECT_GT(r.Width50(), 0.0) << k;
    EXPECT_LE(r.Width50(), targets[k - 1] + 0.01) << k;
    EXPECT_LE(r.Width87(), r.Width50()) << k;
  }
  EXPECT_GE(FilterAlignRecords[1].Width50(), FilterAlignRecords[3].Width50());
  // The response of the stored narrowest record peaks on 10.7 MHz.
  filter.trims = FilterAlignRecords[3];
  EXPECT_GT(filter.Level(10.7), 127.5);
  EXPECT_GT(filter.Level(10.7), filter.Level(10.8));
  EXPECT_GT(filter.Level(10.7), filter.Level(10.6));
}

TEST_F(Alignment, ModuleOneFillsItsOwnRecords) {
  SyntheticBench bench(filter);
  ASSERT_EQ(RunFilterAlignment(bench, 1, curve), AlignResult::Done);
  for (size_t k : {1u, 2u, 3u}) EXPECT_EQ(FilterAlignRecords[k], before[k]) << k;
  for (size_t k : {0u, 4u, 5u, 6u}) EXPECT_NE(FilterAlignRecords[k], before[k]) << k;
}

// A device failure in any stage ends the run as failed and stores nothing.
TEST_F(Alignment, DeviceFailureInAnyStageStoresNothing) {
  // A failure point beyond the end counts the device calls of a whole run.
  SyntheticBench counting(filter);
  counting.failAtCall = 1 << 30;
  FilterAlignRecords = before;
  ASSERT_EQ(RunFilterAlignment(counting, 0, curve), AlignResult::Done);
  const int calls = counting.calls;
  ASSERT_GT(calls, 500);
  // Failures early in stage 1, in stage 2, in the gain search, in stage 4 and in each narrowing pass.
  for (double share : {0.0, 0.1, 0.3, 0.55, 0.7, 0.8, 0.9, 0.97, 0.999}) {
    FilterAlignRecords = before;
    SyntheticBench bench(filter);
    bench.failAtCall = static_cast<int>(share * (calls - 1));
    EXPECT_EQ(RunFilterAlignment(bench, 0, curve), AlignResult::DeviceFailed) << share;
    EXPECT_EQ(FilterAlignRecords, before) << share;
  }
}

TEST_F(Alignment, DeadFilterIsRefused) {
  filter.responseScale = 0.0;
  SyntheticBench bench(filter);
  EXPECT_EQ(RunFilterAlignment(bench, 0, curve), AlignResult::DeadFilter);
  EXPECT_EQ(FilterAlignRecords, before);
}

TEST_F(Alignment, LevelSearchNeverWrapsATrimByte) {
  // A response above 200 whatever the level trim drives the search up to 255.5 + 2.
  filter.responseScale = 100.0;
  SyntheticBench bench(filter);
  EXPECT_EQ(filteralign::FindLevelTrim(bench, curve, 0), 255);
  EXPECT_EQ(filter.trims.Level(0), 255);
  // A response never above 200 drives it down to 0.5 + 2.
  filter.responseScale = 0.1;
  EXPECT_EQ(filteralign::FindLevelTrim(bench, curve, 0), 2);
}

TEST(AlignmentRules, CentreChoiceAndTrimBytes) {
  EXPECT_DOUBLE_EQ(filteralign::ChooseCentre(50, 10, 5, 6), 51);  // L+ compared with L0 only
  EXPECT_DOUBLE_EQ(filteralign::ChooseCentre(50, 4, 5, 5), 50);
  EXPECT_DOUBLE_EQ(filteralign::ChooseCentre(50, 6, 5, 5), 49);
  EXPECT_EQ(ToTrimByte(257.5), 255);
  EXPECT_EQ(ToTrimByte(-0.375), 0);
  EXPECT_EQ(ToTrimByte(99.9), 99);
  EXPECT_EQ(ToTrimByte(std::nan("")), 0);
}

TEST_F(Alignment, GainSearchKeepsTheLowestGainOfTheMaximum) {
  SyntheticBench bench(filter);
  FilterTrimRecord d = FilterTrimRecord::Open();
  for (int s = 0; s < 4; ++s) {
    d.Centre(s) = static_cast<uint8_t>(filter.optimum[static_cast<size_t>(s)]);
    d.SetLevels(60);
  }
  const int g = filteralign::FindGainTrim(bench, curve, d);
  ASSERT_GT(g, 0);
  // The measured level at g is the highest of all gains, and every lower gain measures less.
  auto levelAt = [&](int gain) {
    d.Gain() = static_cast<uint8_t>(gain);
    bench.SetTrim(d);
    bench.Measure(curve, 5, 1.0);
    return static_cast<int>(curve.LevelAt(10.7));
  };
  const int best = levelAt(g);
  for (int gain = 0; gain < 256; ++gain) {
    if (gain < g)
      EXPECT_LT(levelAt(gain), best) << gain;
    else
      EXPECT_LE(levelAt(gain), best) << gain;
  }
}

TEST(AlignmentRunning, ANestedRunIsRefused) {
  struct NestingBench : SyntheticBench {
    using SyntheticBench::SyntheticBench;
    void LetMessagesRun() override {
      if (nested == AlignResult::Done) {
        TestGraph c(10.2, 11.2, 0.005, 0.0, 255.0);
        SyntheticBench inner(*filter);
        nested = RunFilterAlignment(inner, 0, c);
      }
    }
    SyntheticFilter* filter = nullptr;
    AlignResult nested = AlignResult::Done;
  };
  SyntheticFilter filter;
  NestingBench bench(filter);
  bench.filter = &filter;
  TestGraph curve(10.2, 11.2, 0.005, 0.0, 255.0);
  EXPECT_FALSE(FilterAlignmentRunning());
  EXPECT_EQ(RunFilterAlignment(bench, 0, curve), AlignResult::Done);
  EXPECT_EQ(bench.nested, AlignResult::Busy);
  EXPECT_FALSE(FilterAlignmentRunning());
}

}  // namespace
