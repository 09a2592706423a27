// The fast-detect view's titles, mark reduction, target ranges, result lines and radar animation.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "engine/Buffers.h"
#include "screens/locate/FastDetectLogic.h"

namespace {

TEST(FastDetect, TitlesCountTheirOwnBandwidth) {
  DigitalBuffer b(15000);
  b.SetValue(FastChannel::Detected, 3, 50);
  b.SetValue(FastChannel::Detected, 9, 50);
  EXPECT_EQ(FastStageTitle(1, CountDetected(b)), "BW 2 MHz   :    2 Signals detected");
  EXPECT_EQ(FastStageTitle(0, 0), "BW 10 MHz  :    0 Signals detected");
  EXPECT_EQ(FastStageTitle(2, 7), "BW 150 kHz :    7 Signals detected");
}

TEST(FastDetect, ReduceMarksLeavesOneMarkPerClosedRun) {
  DigitalBuffer b(30);
  for (int i = 10; i <= 14; ++i) b.SetValue(FastChannel::Answered, i, 1);
  b.SetValue(FastChannel::Answered, 20, 3);
  for (int i = 27; i < 30; ++i) b.SetValue(FastChannel::Answered, i, 1);
  ReduceMarks(b);
  for (unsigned i = 0; i < 30; ++i) {
    const float expected = (i == 12 || i == 20) ? 80.0f : 0.0f;
    EXPECT_EQ(b.Get(FastChannel::Answered, i), expected) << i;
  }
}

TEST(FastDetect, TargetRangesSkipMarksInsideAndStayInBand) {
  DigitalBuffer wide(3000), medium(15000), narrow(150000);
  wide.SetValue(FastChannel::Answered, 80, 80);       // 400 MHz: 396..404
  medium.SetValue(FastChannel::Answered, 402, 80);    // inside: skipped
  medium.SetValue(FastChannel::Answered, 404, 80);    // on the upper bound: a range of its own
  narrow.SetValue(FastChannel::Answered, 4050, 80);   // 405 MHz: inside 400..408
  narrow.SetValue(FastChannel::Answered, 4150, 80);   // 415 MHz: 411..417
  narrow.SetValue(FastChannel::Answered, 4160, 80);   // 416 MHz: inside the range just added
  wide.SetValue(FastChannel::Answered, 0, 80);        // 0 Hz: clamped at 0
  medium.SetValue(FastChannel::Answered, 14999, 80);  // clamped at 15 GHz
  const auto ranges = BuildTargetRanges(wide, medium, narrow);
  ASSERT_EQ(ranges.size(), 5u);
  EXPECT_DOUBLE_EQ(ranges[0].lower, 0.0);
  EXPECT_DOUBLE_EQ(ranges[0].upper, 4e6);
  EXPECT_DOUBLE_EQ(ranges[1].lower, 396e6);
  EXPECT_DOUBLE_EQ(ranges[2].lower, 400e6);
  EXPECT_DOUBLE_EQ(ranges[2].upper, 408e6);
  EXPECT_DOUBLE_EQ(ranges[3].upper, 15e9);
  EXPECT_DOUBLE_EQ(ranges[4].lower, 411e6);
  EXPECT_DOUBLE_EQ(ranges[4].upper, 417e6);
  for (const auto& r : ranges) {
    EXPECT_GE(r.lower, 0.0);
    EXPECT_LE(r.upper, 15e9);
  }
}

TEST(FastDetect, ResultLinesAreSortedByLevelAndStripped) {
  DigitalBuffer verify(300000);
  verify.SetValue(FastChannel::Verified, 8374, 143.7f);
  verify.SetValue(FastChannel::Verified, 24000, 90.0f);
  auto lines = VerifiedLines(verify);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "143 418.70 MHz");
  EXPECT_EQ(lines[1], "90 1200.00 MHz");
  std::vector<std::string> reversed{lines[1], lines[0]};
  SortResults(reversed);
  EXPECT_EQ(reversed, (std::vector<std::string>{"418.70 MHz", "1200.00 MHz"}));
  std::vector<std::string> one{"143 418.70 MHz"};
  SortResults(one);
  EXPECT_EQ(one, (std::vector<std::string>{"418.70 MHz"}));
}

TEST(FastDetect, RadarPulseStartsAtTheBearingAndLasts52Passes) {
  RadarAnimation radar;
  int drawn = 0;
  RadarAnimation::Pass first;
  for (int pass = 0; pass < 100; ++pass) {
    const auto p = radar.Step(0.0, 50.0, true);
    if (p.drawTarget) {
      if (drawn == 0) first = p;
      ++drawn;
    }
  }
  EXPECT_EQ(drawn, 52);
  EXPECT_DOUBLE_EQ(first.targetX, 847.25);
  EXPECT_DOUBLE_EQ(first.targetY, 550.0);
  EXPECT_EQ(first.pointAlpha, 255);
  EXPECT_DOUBLE_EQ(first.pulseScale, 0.2);
  RadarAnimation empty;
  for (int pass = 0; pass < 200; ++pass) EXPECT_FALSE(empty.Step(0.0, 50.0, false).drawTarget);
  EXPECT_LE(empty.beamAngle, 2 * std::numbers::pi);
}

}  // namespace
