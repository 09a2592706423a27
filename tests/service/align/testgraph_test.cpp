#include <gtest/gtest.h>

#include "service/Testgraph.h"

namespace {

TestGraph AlignCurve() { return TestGraph(10.2, 11.2, 0.005, 0.0, 255.0); }

TEST(TestGraph, PointCountAndLookUpsOfTheAlignmentCurves) {
  TestGraph g = AlignCurve();
  EXPECT_EQ(g.Count(), 200);
  for (int i = 0; i < g.Count(); ++i) g.SetValue(i, i);
  EXPECT_DOUBLE_EQ(g.LevelAt(10.7), 100.0);
  EXPECT_DOUBLE_EQ(g.LevelAt(10.2), 0.0);  // start: the first value
  g.SetValue(0, 7.0);
  EXPECT_DOUBLE_EQ(g.LevelAt(10.2), 7.0);
  EXPECT_DOUBLE_EQ(g.LevelAt(11.2), 0.0);  // stop itself
  EXPECT_DOUBLE_EQ(g.LevelAt(10.1), 0.0);
  EXPECT_DOUBLE_EQ(g.LevelAt(11.3), 0.0);
  // The narrow curve of the centre search has 200 points too.
  TestGraph narrow(10.7 - 0.25, 10.7 + 0.25, 0.5 * 0.005, 0.0, 255.0);
  EXPECT_EQ(narrow.Count(), 200);
  narrow.SetValue(100, 42.0);
  EXPECT_DOUBLE_EQ(narrow.LevelAt(10.7), 42.0);
}

TEST(TestGraph, EmptyOrInvertedSpansGiveAnEmptyCurve) {
  for (double step : {0.0, -0.005}) {
    TestGraph g(10.2, 11.2, step, 0.0, 255.0);
    EXPECT_EQ(g.Count(), 0);
    EXPECT_EQ(g.PeakIndex(), 0);
    EXPECT_DOUBLE_EQ(g.LevelAt(10.7), 0.0);
  }
  TestGraph same(10.7, 10.7, 0.005, 0.0, 255.0);
  EXPECT_EQ(same.Count(), 0);
  EXPECT_DOUBLE_EQ(same.ToPixelX(100, 10.7), 0.0);
  TestGraph flat(10.2, 11.2, 0.005, 5.0, 5.0);
  EXPECT_EQ(flat.ToPixelY(768, 100.0), 0);
}

TEST(TestGraph, SmoothSpreadsASpikeOverElevenPoints) {
  TestGraph g = AlignCurve();
  g.SetValue(100, 11.0);
  g.Smooth(5);
  for (int i = 95; i <= 105; ++i) EXPECT_DOUBLE_EQ(g.Value(i), 1.0) << i;
  EXPECT_DOUBLE_EQ(g.Value(94), 0.0);
  EXPECT_DOUBLE_EQ(g.Value(106), 0.0);
  // Ends repeat the first and last value.
  TestGraph e = AlignCurve();
  e.SetValue(0, 11.0);
  e.Smooth(5);
  EXPECT_DOUBLE_EQ(e.Value(0), 6.0);
}

struct PeakCase {
  std::vector<std::pair<int, double>> points;
  int expected;
};

TEST(TestGraph, PeakIndexSearchesFromTheMiddle) {
  const PeakCase cases[] = {
      {{{95, 10.0}}, 94},
      {{{99, 10.0}}, 98},
      {{{100, 10.0}}, 99},
      {{{101, 10.0}}, 101},
      {{{150, 10.0}}, 150},
      {{}, 0},                          // all zero
      {{{60, 10.0}, {140, 10.0}}, 59},  // equal maxima: the left side wins
      {{{60, 9.0}, {140, 10.0}}, 140},
  };
  for (const PeakCase& c : cases) {
    TestGraph g = AlignCurve();
    for (auto [i, v] : c.points) g.SetValue(i, v);
    EXPECT_EQ(g.PeakIndex(), c.expected) << (c.points.empty() ? -1 : c.points[0].first);
  }
}

TEST(TestGraph, WidthAtLevelAndItsMarkers) {
  TestGraph g = AlignCurve();
  for (int i = 0; i < 200; ++i) g.SetValue(i, 230.0);
  EXPECT_NEAR(g.WidthAtLevel(3, 1024, 768, 13.0), 199 * 0.005, 1e-9);  // flat above: count - 1 steps
  EXPECT_EQ(g.Marker(3).shown, 1);
  EXPECT_EQ(g.Marker(4).shown, 1);
  EXPECT_EQ(g.Marker(3).x, 0);
  EXPECT_EQ(g.Marker(4).colour, 0xFFFF);

  TestGraph low = AlignCurve();
  EXPECT_NEAR(low.WidthAtLevel(1, 1024, 768, 50.0), -0.005, 1e-9);  // never reached: -1 step

  TestGraph peak = AlignCurve();
  for (int i = 80; i <= 120; ++i) peak.SetValue(i, 200.0);
  EXPECT_NEAR(peak.WidthAtLevel(1, 1024, 768, 50.0), 40 * 0.005, 1e-9);
  EXPECT_NEAR(peak.Marker(1).frequency, 10.6, 1e-9);
  EXPECT_EQ(peak.Marker(1).y, 768 - static_cast<int>(200.0 * 768 / 255.0));

  TestGraph last = AlignCurve();
  last.WidthAtLevel(9, 1024, 768, 50.0);  // marker 10 does not exist
  EXPECT_EQ(last.Marker(9).shown, 1);
  last.SetMarker(-1, 1024, 768, 10.7);  // ignored
  last.SetMarkerColor(12, 1);           // ignored
}

}  // namespace
