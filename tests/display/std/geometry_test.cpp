// Vertex generation of the display's renderers, checked against the numbers of the trace modes.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "RecordingSink.h"
#include "display/DisplayGeometry.h"

using namespace display;

namespace {

constexpr uint32_t Red = 0xFFFF0000, DarkGreen = 0xFF008000, BrightGreen = 0xFF00FF00, Grey = 0xFF808080,
                   MaxHoldTop = 0xFFEF6F21, Aqua = 0xFF00FFFF;

// A plot whose rows are 285 - level for levels 0..255 (plot height 255, margins 30).
PlotGeometry Plot(int columns, int zoomStart = 0, int zoomEnd = 0) {
  PlotGeometry g;
  g.Left = 0;
  g.Right = columns;
  g.Top = 0;
  g.Bottom = 315;
  g.MarginTop = 30;
  g.MarginBottom = 30;
  g.ZoomStart = zoomStart;
  g.ZoomEnd = zoomEnd;
  return g;
}

float RowOf(float level) { return 285.0f - level; }

struct Trace {
  explicit Trace(std::vector<float> v) : buffer(v.data(), unsigned(v.size())) {
    buffer.SetRange(0, 1, 0, 255);
  }
  Levels levels() const { return LevelsOf(&buffer); }
  NormalBuffer buffer;
};

std::vector<float> Ys(const Stroke& s) {
  std::vector<float> ys;
  for (const auto& p : s.points) ys.push_back(p.y);
  return ys;
}

void ExpectSegment(const Stroke& s, float x, float y1, float y2, uint32_t argb) {
  ASSERT_EQ(s.points.size(), 2u);
  EXPECT_FLOAT_EQ(s.points[0].x, x);
  EXPECT_FLOAT_EQ(s.points[1].x, x);
  EXPECT_FLOAT_EQ(s.points[0].y, y1) << "x " << x;
  EXPECT_FLOAT_EQ(s.points[1].y, y2) << "x " << x;
  EXPECT_EQ(s.argb, argb);
}

std::vector<Vec2> scratch(ScratchPoints);

// ---------------------------------------------------------------------------------------------
// Grid and frame

TEST(Grid, FullScreenPlotHasElevenLinesEachWay) {
  PlotGeometry g;
  g.Right = 1024;
  g.Bottom = 768;
  g.MarginTop = g.MarginBottom = 30;
  RecordingSink sink;
  DrawGrid(g, 10, 10, 0xFF808080, sink);
  ASSERT_EQ(sink.strokes.size(), 22u);
  for (int k = 0; k <= 10; ++k) {
    const Stroke& v = sink.strokes[k];
    EXPECT_NEAR(v.points[0].x, 102.4f * k, 1e-3);
    EXPECT_EQ(v.points[0].y, 30.0f);
    EXPECT_EQ(v.points[1].y, 738.0f);
    const Stroke& h = sink.strokes[11 + k];
    EXPECT_NEAR(h.points[0].y, 30.0f + 70.8f * k, 1e-3);
    EXPECT_EQ(h.points[0].x, 0.0f);
    EXPECT_EQ(h.points[1].x, 1024.0f);
  }
}

TEST(Grid, DegeneratePlotsDrawNothingAndEnd) {
  struct Case {
    int width, height, marginTop, marginBottom, divX, divY;
    size_t vertical, horizontal;
  };
  const Case cases[] = {
      {400, 60, 30, 30, 10, 10, 11, 0},  // zero plot height: was an endless loop
      {400, 59, 30, 30, 10, 10, 11, 0},  // negative plot height
      {0, 300, 30, 30, 10, 10, 0, 11},   // zero width
      {400, 300, 30, 30, 0, 10, 0, 11},  // no divisions across
      {400, 300, 30, 30, 10, -2, 11, 0},
  };
  for (const auto& c : cases) {
    PlotGeometry g;
    g.Left = 10;
    g.Right = 10 + c.width;
    g.Top = 20;
    g.Bottom = 20 + c.height;
    g.MarginTop = c.marginTop;
    g.MarginBottom = c.marginBottom;
    RecordingSink sink;
    DrawGrid(g, c.divX, c.divY, 0xFF808080, sink);
    size_t vertical = 0;
    for (const auto& s : sink.strokes) vertical += s.points[0].x == s.points[1].x && c.width > 0;
    EXPECT_EQ(vertical, c.vertical) << c.width << "x" << c.height;
    EXPECT_EQ(sink.strokes.size() - vertical, c.horizontal) << c.width << "x" << c.height;
  }
}

TEST(Grid, FrameLiesOutsideTheViewport) {
  PlotGeometry g;
  g.Left = 100;
  g.Top = 50;
  g.Right = 400;
  g.Bottom = 250;
  RecordingSink sink;
  DrawFrame(g, PackRGBA(0xCEB64D, 255), sink);
  ASSERT_EQ(sink.strokes.size(), 1u);
  const auto& p = sink.strokes[0].points;
  const float expected[5][2] = {{92, 46}, {408, 46}, {408, 254}, {92, 254}, {92, 46}};
  ASSERT_EQ(p.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(p[i].x, expected[i][0]);
    EXPECT_EQ(p[i].y, expected[i][1]);
  }
  EXPECT_EQ(sink.strokes[0].width, 3.0f);
  EXPECT_EQ(sink.strokes[0].argb, 0xFF4DB6CEu);
}

TEST(Colours, PackRGBASwapsRedAndBlue) {
  EXPECT_EQ(PackRGBA(0x808080, 255), 0xFF808080u);
  EXPECT_EQ(PackRGBA(0x0000FF, 255), 0xFFFF0000u);
  EXPECT_EQ(PackRGBA(0xCEB64D, 255), 0xFF4DB6CEu);
  EXPECT_EQ(PackRGBA(0x216FEF, 0x80), 0x80EF6F21u);
}

// ---------------------------------------------------------------------------------------------
// Mode 0

TEST(ApplyRamp, RepeatedRowsBecomeRampsTowardsTheNextChange) {
  struct Case {
    std::vector<float> in, out;
  };
  const Case cases[] = {
      {{285, 285, 185, 185, 85, 85, 235, 235}, {285, 235, 185, 135, 85, 160, 235, 235}},
      {{10, 10, 10, 40}, {10, 20, 30, 40}},
      {{10, 10}, {10, 10}},    // first and last never marked
      {{5, 7, 9}, {5, 7, 9}},  // nothing repeats
      {{10, 10, 10, 10}, {10, 10, 10, 10}},
  };
  for (const auto& c : cases) {
    std::vector<Vec2> pts;
    for (size_t i = 0; i < c.in.size(); ++i) pts.push_back({float(i), c.in[i]});
    ApplyRamp(pts.data(), int(pts.size()));
    for (size_t i = 0; i < pts.size(); ++i) EXPECT_NEAR(pts[i].y, c.out[i], 1e-4) << i;
  }
}

TEST(TraceLine, MoreColumnsThanPointsRepeatsPointsAndRamps) {
  Trace t({0, 100, 200, 50});
  RecordingSink sink;
  const int middle =
      DrawTraceLine(Plot(8), t.levels(), {0, 255}, 0xFF00FFFF, {3.0f, 0}, scratch.data(), sink);
  ASSERT_EQ(sink.strokes.size(), 1u);
  EXPECT_EQ(Ys(sink.strokes[0]), (std::vector<float>{285, 235, 185, 135, 85, 160, 235, 235}));
  EXPECT_EQ(sink.strokes[0].width, 3.0f);
  EXPECT_EQ(middle, 85);
  for (int c = 0; c < 8; ++c) EXPECT_EQ(sink.strokes[0].points[c].x, float(c));
}

TEST(TraceLine, ThousandPointsOnTheFullWidthMapColumnsToPoints) {
  std::vector<float> v(1000);
  for (int i = 0; i < 1000; ++i) v[i] = float(i % 256);
  Trace t(v);
  RecordingSink sink;
  DrawTraceLine(Plot(1024), t.levels(), {0, 255}, 0xFF00FFFF, {3.0f, 0}, scratch.data(), sink);
  ASSERT_EQ(sink.strokes.size(), 1u);
  const auto& pts = sink.strokes[0].points;
  ASSERT_EQ(pts.size(), 1024u);
  // Column c shows point trunc(1000 / 1024 * c): 42 -> 41, 43 -> 41 again (a repeat), 44 -> 42.
  EXPECT_EQ(pts[42].y, RowOf(41));
  EXPECT_EQ(pts[44].y, RowOf(42));
  EXPECT_EQ(pts[43].y, (pts[42].y + pts[44].y) / 2);  // ramp over the repeat
  EXPECT_EQ(pts[40].y, RowOf(39));
  EXPECT_EQ(pts[1023].y, RowOf(float(999 % 256)));
}

TEST(TraceLine, FewerColumnsThanPointsDrawsEnvelopeSegments) {
  std::vector<float> v(4000);
  for (int i = 0; i < 4000; ++i) v[i] = float((i * 37) % 200);
  Trace t(v);
  RecordingSink sink;
  sink.SetWidth(3.0f);
  const int middle =
      DrawTraceLine(Plot(1024), t.levels(), {0, 255}, 0xFF00FFFF, {3.0f, 0}, scratch.data(), sink);
  ASSERT_EQ(sink.strokes.size(), 1023u);
  EXPECT_EQ(sink.widthChanges.size(), 1u);  // the width in force is kept
  for (int c : {0, 1, 511, 512, 1022}) {
    const int first = int(double(c) * 4000 / 1024);
    float hi = v[first], lo = v[first];
    for (int j = first; j <= first + 4 && j < 4000; ++j) hi = std::max(hi, v[j]), lo = std::min(lo, v[j]);
    ExpectSegment(sink.strokes[c], float(c), RowOf(hi), RowOf(lo), 0xFF00FFFF);
  }
  EXPECT_EQ(middle, int(sink.strokes[512].points[1].y));
}

TEST(TraceLine, BufferScaleUsesTheLevelRange) {
  Trace t({-50, 50});
  t.buffer.SetRange(0, 1, -50, 50);
  RecordingSink sink;
  DrawTraceLine(Plot(2), t.levels(), {-50, 50}, 0xFF00FFFF, {3.0f, 0}, scratch.data(), sink);
  EXPECT_EQ(Ys(sink.strokes[0]), (std::vector<float>{285, 30}));
}

// ---------------------------------------------------------------------------------------------
// Mode 1

TEST(TraceBars, WideBarsRunFromThePointDownToThePlotBottom) {
  Trace t({10, 20});
  RecordingSink sink;
  DrawTraceBars(Plot(4), t.levels(), {0, 255}, 0xFF00FFFF, {3.0f, 1.0f}, sink);
  ASSERT_EQ(sink.strokes.size(), 4u);
  const float levels[4] = {10, 10, 20, 20};
  for (int c = 0; c < 4; ++c) ExpectSegment(sink.strokes[c], float(c), RowOf(levels[c]), 285, 0xFF00FFFF);
  EXPECT_EQ(sink.strokes[0].width, 3.0f);
}

TEST(TraceBars, NarrowBarsTakeThePeakFromZero) {
  Trace t({-5, -7, -3, -9, 40, 60, 1, 2});  // 8 points on 4 columns: span 2, both ends included
  RecordingSink sink;
  DrawTraceBars(Plot(4), t.levels(), {0, 255}, 0xFF00FFFF, {3.0f, 1.0f}, sink);
  ASSERT_EQ(sink.strokes.size(), 3u);                             // columns 0 .. W-2
  ExpectSegment(sink.strokes[0], 0, RowOf(0), 285, 0xFF00FFFF);   // all negative: from 0
  ExpectSegment(sink.strokes[1], 1, RowOf(40), 285, 0xFF00FFFF);  // points 2..4
  ExpectSegment(sink.strokes[2], 2, RowOf(60), 285, 0xFF00FFFF);  // points 4..6
  EXPECT_EQ(sink.strokes[0].width, 1.0f);
}

// ---------------------------------------------------------------------------------------------
// Modes 2 and 3: the zoom window

TEST(ZoomWindow, ColumnsCoverTruncatedPositions) {
  const PlotGeometry g = Plot(1024, 100, 2148);  // L = 2048: two indices per column
  EXPECT_DOUBLE_EQ(g.ZoomPosition(0), 100.0);
  EXPECT_DOUBLE_EQ(g.ZoomPosition(3), 106.0);
  const PlotGeometry narrow = Plot(1024, 0, 100);
  EXPECT_NEAR(narrow.ZoomPosition(5), 0.48828125, 1e-12);
  float x = 0;
  ASSERT_TRUE(narrow.ZoomX(50, x));
  EXPECT_FLOAT_EQ(x, 512.0f);
  EXPECT_FALSE(Plot(1024, 7, 7).ZoomX(50, x));  // empty window: no mapping
}

TEST(ZoomLine, SmallWindowInterpolatesBetweenIndices) {
  std::vector<float> v(200, 0.0f);
  v[0] = 0;
  v[1] = 100;
  v[2] = 200;
  Trace t(v);
  RecordingSink sink;
  DrawZoomLine(Plot(1024, 0, 100), t.levels(), 0xFF00FFFF, false, 0.0f, scratch.data(), sink);
  ASSERT_EQ(sink.strokes.size(), 1u);
  ASSERT_EQ(sink.strokes[0].points.size(), 1023u);
  EXPECT_TRUE(sink.widthChanges.empty());
  // column 5: p = 0.488, level 48.8 -> row 285 - 48.8 = 236.2 -> 236
  EXPECT_EQ(sink.strokes[0].points[5].y, 236.0f);
  // column 15: p = 1.465, level 146.5 -> row 138.5 -> 138
  EXPECT_EQ(sink.strokes[0].points[15].y, 138.0f);
}

TEST(ZoomLine, SmallWindowSlopesTowardsThePointAfterItToTheRightEdge) {
  // A window of 10 indices over 1024 columns: from column 922 (p = 9.004) on, the line slopes from
  // index 9 towards index 10, which lies beyond the window but in the buffer.
  std::vector<float> v(10, 120.0f);
  v.push_back(0.0f);  // beyond the window
  Trace t(v);
  RecordingSink sink;
  DrawZoomLine(Plot(1024, 0, 10), t.levels(), 0xFF00FFFF, false, 0.0f, scratch.data(), sink);
  ASSERT_EQ(sink.strokes.size(), 1u);
  const std::vector<float> ys = Ys(sink.strokes[0]);
  for (size_t c = 0; c < 922; ++c) EXPECT_EQ(ys[c], RowOf(120.0f)) << c;
  // Column 1000: p = 9.765625, level 120 - 120 x 0.765625 = 28.125, row 256.875 -> 256.
  EXPECT_EQ(ys[1000], RowOf(29.0f));
  EXPECT_GT(ys[1022], ys[1000]);
}

TEST(ZoomLine, LargeWindowTakesColumnPeaksFromZero) {
  Trace t({5, 9, -3, -8, 100, 7, 0, 0});
  RecordingSink sink;
  DrawZoomLine(Plot(4, 0, 8), t.levels(), 0xFF00FFFF, false, 3.0f, scratch.data(), sink);
  EXPECT_EQ(Ys(sink.strokes[0]), (std::vector<float>{RowOf(9), RowOf(0), RowOf(100)}));
  EXPECT_EQ(sink.strokes[0].width, 3.0f);
}

struct ClampCase {
  int marginTop;
  float top, bottom;  // the band the clamp keeps rows in
};

TEST(ZoomLine, ClampKeepsRowsInTheBandMarginTopInsideTheViewport) {
  // Viewport rows 0 .. 315, bottom margin 30. The band runs from top + MarginTop to
  // bottom - MarginTop (with the band bar's top margin of 60: rows 60 .. 255), and never below the
  // plot's bottom edge at 285 when the top margin is the smaller one.
  const ClampCase cases[] = {{60, 60.0f, 255.0f}, {30, 30.0f, 285.0f}, {10, 10.0f, 285.0f}};
  for (const ClampCase& c : cases) {
    SCOPED_TRACE(c.marginTop);
    PlotGeometry g = Plot(4, 0, 8);
    g.MarginTop = c.marginTop;
    Trace t({-50, -50, 400, 400, 100, 100, 0, 0});
    RecordingSink sink;
    DrawZoomLine(g, t.levels(), 0xFF00FFFF, true, 0.0f, scratch.data(), sink);
    EXPECT_EQ(Ys(sink.strokes[0]), (std::vector<float>{c.bottom, c.top, float(g.Row(100, 0, 255))}));

    PlotGeometry interpolated = Plot(4, 0, 4);
    interpolated.MarginTop = c.marginTop;
    Trace below({-50, -50, -50, -50});
    RecordingSink sink2;
    DrawZoomLine(interpolated, below.levels(), 0xFF00FFFF, true, 0.0f, scratch.data(), sink2);
    for (float y : Ys(sink2.strokes[0])) EXPECT_EQ(y, c.bottom);

    RecordingSink bars;
    DrawZoomBars(g, t.levels(), 0xFF00FFFF, true, 1.0f, bars);
    ASSERT_FALSE(bars.strokes.empty());
    EXPECT_EQ(bars.strokes[0].points[1].y, c.bottom);  // level 0 is lifted onto the band's bottom

    RecordingSink unclamped;
    DrawZoomLine(interpolated, below.levels(), 0xFF00FFFF, false, 0.0f, scratch.data(), unclamped);
    EXPECT_EQ(unclamped.strokes[0].points[0].y, float(interpolated.Row(-50, 0, 255)));
  }
}

TEST(ZoomBars, BarsRiseFromThePlotBottom) {
  Trace t({5, 9, 30, 8, 100, 7, 0, 0});
  RecordingSink sink;
  DrawZoomBars(Plot(4, 0, 8), t.levels(), 0xFF00FFFF, false, 1.0f, sink);
  ASSERT_EQ(sink.strokes.size(), 3u);
  ExpectSegment(sink.strokes[0], 0, 285, RowOf(9), 0xFF00FFFF);
  ExpectSegment(sink.strokes[1], 1, 285, RowOf(30), 0xFF00FFFF);
  ExpectSegment(sink.strokes[2], 2, 285, RowOf(100), 0xFF00FFFF);
  EXPECT_EQ(sink.strokes[0].width, 1.0f);
}

// ---------------------------------------------------------------------------------------------
// Mode 6 and the digital renderers

int TestColours[256];
struct Tables {
  Tables() {
    for (int i = 0; i < 256; ++i) TestColours[i] = i;  // colour = its own index
  }
} tables;

TEST(MinMaxPairs, SpreadSelectsTheColour) {
  // pairs (min, max): (10, 20) (5, 50) (30, 40) (0, 255)
  Trace t({10, 20, 5, 50, 30, 40, 0, 255, 300, -100});
  RecordingSink sink;
  DrawMinMaxPairs(Plot(4, 0, 4), t.levels(), TestColours, sink);  // one pair per column
  ASSERT_EQ(sink.strokes.size(), 3u);
  ExpectSegment(sink.strokes[0], 0, RowOf(10), RowOf(20), PackRGBA(10, 255));
  ExpectSegment(sink.strokes[1], 1, RowOf(5), RowOf(50), PackRGBA(45, 255));
  ExpectSegment(sink.strokes[2], 2, RowOf(30), RowOf(40), PackRGBA(10, 255));

  RecordingSink wide;
  DrawMinMaxPairs(Plot(2, 0, 4), t.levels(), TestColours, wide);  // pairs 0..1 in column 0
  ASSERT_EQ(wide.strokes.size(), 1u);
  ExpectSegment(wide.strokes[0], 0, RowOf(5), RowOf(50), PackRGBA(45, 255));

  RecordingSink huge;
  DrawMinMaxPairs(Plot(2, 4, 5), t.levels(), TestColours, huge);  // spread 400: clamped
  ExpectSegment(huge.strokes[0], 0, RowOf(300), RowOf(-100), PackRGBA(255, 255));
}

TEST(DigitalMinMax, BarsFromLevelOneColouredByChannelThree) {
  DigitalBuffer b(4);
  const float maxima[4] = {50, 60, 70, 80}, index[4] = {-3, 20, 999, 0};
  b.Copy(maxima, 2, 1.0f);
  b.Copy(index, 3, 1.0f);
  RecordingSink sink;
  DrawDigitalMinMax(Plot(4, 0, 4), LevelsOf(&b, 2), LevelsOf(&b, 3), TestColours, sink);
  ASSERT_EQ(sink.strokes.size(), 3u);
  ExpectSegment(sink.strokes[0], 0, RowOf(1), RowOf(50), PackRGBA(0, 255));
  ExpectSegment(sink.strokes[1], 1, RowOf(1), RowOf(60), PackRGBA(20, 255));
  ExpectSegment(sink.strokes[2], 2, RowOf(1), RowOf(70), PackRGBA(255, 255));
}

TEST(DiffBars, ColoursFollowWhichChannelIsHigher) {
  struct Case {
    bool maxHold;
    float ch0, ch1, offset;
    float firstTop, secondTop;
    uint32_t first, second;
  };
  const Case cases[] = {
      {false, 40, 100, 0, 40, 100, DarkGreen, BrightGreen}, {false, 100, 40, 0, 40, 100, DarkGreen, Red},
      {false, 110, 40, 10, 40, 100, DarkGreen, Red},  // offset subtracted from channel 0
      {true, 40, 100, 0, 40, 100, Grey, MaxHoldTop},        {true, 100, 40, 0, 40, 100, DarkGreen, Red},
  };
  for (const auto& c : cases) {
    DigitalBuffer b(2);
    const float zero[2] = {c.ch0, c.ch0}, one[2] = {c.ch1, c.ch1};
    b.Copy(zero, 0, 1.0f);
    b.Copy(one, 1, 1.0f);
    RecordingSink sink;
    const int middle =
        DrawDiffBars(Plot(2, 0, 2), LevelsOf(&b, 0), LevelsOf(&b, 1), c.offset, 1.0f, c.maxHold, sink);
    ASSERT_EQ(sink.strokes.size(), 2u);
    ExpectSegment(sink.strokes[0], 0, 285, RowOf(c.firstTop), c.first);
    ExpectSegment(sink.strokes[1], 0, RowOf(c.firstTop), RowOf(c.secondTop), c.second);
    EXPECT_EQ(middle, 285);  // the single column 0 is not the middle column 1
  }
}

TEST(FingerBars, RedThenDarkGreenFromTheBottom) {
  DigitalBuffer b(8);
  const float a[8] = {10, 20, 30, 40, 50, 60, 70, 80}, c[8] = {5, 5, 5, 5, 5, 5, 5, 5};
  b.Copy(a, 4, 1.0f);
  b.Copy(c, 5, 1.0f);
  RecordingSink sink;
  const int middle = DrawFingerBars(Plot(4, 0, 8), LevelsOf(&b, 4), LevelsOf(&b, 5), 1.0f, sink);
  ASSERT_EQ(sink.strokes.size(), 6u);
  ExpectSegment(sink.strokes[0], 0, 285, RowOf(20), Red);
  ExpectSegment(sink.strokes[1], 0, 285, RowOf(5), DarkGreen);
  ExpectSegment(sink.strokes[4], 2, 285, RowOf(60), Red);
  EXPECT_EQ(middle, 285);
}

TEST(MobilV2, ThresholdAndTwentyBandColumns) {
  DigitalBuffer b(20);
  for (unsigned k = 0; k < 20; ++k) {
    b.SetValue(0, k, 30);
    b.SetValue(1, k, k < 10 ? 150.0f : 50.0f);  // first ten above the threshold 100
  }
  b.SetValue(3, 0, 100);
  RecordingSink sink;
  DrawMobilV2(Plot(300), LevelsOf(&b, 0), LevelsOf(&b, 1), LevelsOf(&b, 3), false, sink);
  ASSERT_EQ(sink.strokes.size(), 41u);
  const Stroke& threshold = sink.strokes[0];
  EXPECT_EQ(threshold.width, 3.0f);
  EXPECT_EQ(threshold.argb, 0xFFFFFFFFu);
  EXPECT_EQ(threshold.points[0].y, RowOf(100));
  EXPECT_EQ(threshold.points[1].x, 300.0f);
  ExpectSegment(sink.strokes[1], 5, 285, RowOf(30), PackRGBA(0x00FFFF, 255));  // above: yellow
  EXPECT_EQ(sink.strokes[2].argb, Red);                                        // band 0 above the threshold
  EXPECT_EQ(sink.strokes[2].points[1].y, RowOf(150));
  EXPECT_EQ(sink.strokes[2].points[1].x, 2.0f);
  EXPECT_EQ(sink.strokes[2].points[2].x, 8.0f);
  EXPECT_EQ(sink.strokes[21].argb, PackRGBA(0x00FF00, 255));  // band 10 below: green line
  EXPECT_EQ(sink.strokes[22].argb, Grey);
  EXPECT_EQ(sink.strokes[21].points[0].x, 105.0f);

  RecordingSink edit;
  DrawMobilV2(Plot(300), LevelsOf(&b, 0), LevelsOf(&b, 1), LevelsOf(&b, 3), true, edit);
  EXPECT_EQ(edit.strokes[0].width, 5.0f);
  EXPECT_EQ(edit.strokes[0].argb, PackRGBA(0x00FFFF, 255));
}

TEST(Renderers, MissingBuffersAndEmptyPlotsDrawNothing) {
  RecordingSink sink;
  const Levels none;
  EXPECT_EQ(DrawTraceLine(Plot(10), none, {0, 255}, 0, {3, 0}, scratch.data(), sink), 285);
  DrawTraceBars(Plot(10), none, {0, 255}, 0, {3, 1}, sink);
  DrawZoomLine(Plot(10, 0, 5), none, 0, false, 0, scratch.data(), sink);
  DrawZoomBars(Plot(10, 0, 5), none, 0, false, 0, sink);
  DrawMinMaxPairs(Plot(10, 0, 5), none, TestColours, sink);
  Trace t({1, 2, 3});
  DrawTraceLine(Plot(0), t.levels(), {0, 255}, 0, {3, 0}, scratch.data(), sink);
  DrawZoomLine(Plot(-5, 0, 5), t.levels(), 0, false, 0, scratch.data(), sink);
  EXPECT_TRUE(sink.strokes.empty());
  EXPECT_EQ(LevelsOf(static_cast<const DigitalBuffer*>(nullptr), 0).count, 0u);
  DigitalBuffer b(3);
  EXPECT_TRUE(LevelsOf(&b, 10).Empty());
  EXPECT_TRUE(LevelsOf(&b, -1).Empty());
}

// Indices from the view's count on read 0, whatever the memory behind the view holds: a zoom window
// that runs past the data and the 20 mobile bands over fewer points draw level 0 there.
TEST(Renderers, LevelsFromTheCountOnReadZero) {
  std::vector<SharedFloat> memory(40);
  for (size_t i = 0; i < memory.size(); ++i) memory[i].store(i < 4 ? 100.0f : 200.0f);
  const Levels four{memory.data(), 4};
  EXPECT_EQ(four.At(3), 100.0f);
  EXPECT_EQ(four.At(4), 0.0f);
  EXPECT_EQ(four.At(-1), 0.0f);

  RecordingSink bars;
  DrawZoomBars(Plot(8, 0, 8), four, 0xFF00FFFF, false, 1.0f, bars);
  ASSERT_EQ(bars.strokes.size(), 7u);
  ExpectSegment(bars.strokes[3], 3, 285, RowOf(100), 0xFF00FFFF);
  ExpectSegment(bars.strokes[4], 4, 285, RowOf(0), 0xFF00FFFF);

  RecordingSink line;  // column 6 starts at 3.75: a quarter of v(3), three quarters of v(4) = 0
  DrawZoomLine(Plot(8, 0, 5), four, 0xFF00FFFF, false, 0.0f, scratch.data(), line);
  ASSERT_EQ(line.strokes.size(), 1u);
  EXPECT_EQ(line.strokes[0].points[6].y, RowOf(25));

  RecordingSink bands;  // threshold 100; band 4 is the first without a point
  DrawMobilV2(Plot(300), four, four, four, false, bands);
  ASSERT_EQ(bands.strokes.size(), 41u);
  ExpectSegment(bands.strokes[7], 35, 285, RowOf(100), BrightGreen);
  ExpectSegment(bands.strokes[9], 45, 285, RowOf(0), BrightGreen);
  EXPECT_EQ(bands.strokes[10].argb, Grey);
  EXPECT_EQ(bands.strokes[10].points[1].y, RowOf(0));
}

TEST(Renderers, ViewportWiderThanTheScratchArrayIsLimited) {
  std::vector<float> v(3000, 10.0f);
  Trace t(v);
  RecordingSink sink;
  DrawTraceLine(Plot(6000), t.levels(), {0, 255}, 0, {3, 0}, scratch.data(), sink);
  ASSERT_EQ(sink.strokes.size(), 1u);
  EXPECT_EQ(sink.strokes[0].points.size(), size_t(ScratchPoints - 1));
}

// ---------------------------------------------------------------------------------------------
// Overlays

TEST(Overlays, ZoomWindowAndVerticalLineRunFromThePlotTopToTopPlusPlotHeight) {
  // Band bar margins: plot rows 60 .. 285 (height 225); the overlays end at top + 225, MarginTop
  // short of the plot's bottom edge. With equal margins of 30 they end at 255.
  for (const auto& [marginTop, bottom] : {std::pair{60, 225.0f}, std::pair{30, 255.0f}}) {
    SCOPED_TRACE(marginTop);
    PlotGeometry g = Plot(1000, 0, 1000);
    g.MarginTop = marginTop;
    RecordingSink sink;
    DrawZoomWindow(g, 200, 400, sink);
    DrawVertLine(g, 500, sink);
    ASSERT_EQ(sink.strokes.size(), 2u);
    const auto& box = sink.strokes[0].points;
    ASSERT_EQ(box.size(), 5u);
    EXPECT_EQ(box[0].x, 200.0f);
    EXPECT_EQ(box[1].x, 400.0f);
    EXPECT_EQ(box[0].y, float(marginTop));
    EXPECT_EQ(box[2].y, bottom);
    EXPECT_EQ(box[3].y, bottom);
    EXPECT_EQ(sink.strokes[0].width, 1.0f);
    EXPECT_EQ(sink.strokes[0].argb, Aqua);
    ExpectSegment(sink.strokes[1], 500, float(marginTop), bottom, Aqua);
  }
}

TEST(Overlays, APlotLowerThanItsTopMarginKeepsTheOverlaysInside) {
  PlotGeometry g = Plot(100, 0, 100);
  g.Bottom = 80;  // plot rows 30 .. 50, height 20: top + height (20) lies above the plot
  RecordingSink sink;
  DrawVertLine(g, 50, sink);
  ASSERT_EQ(sink.strokes.size(), 1u);
  ExpectSegment(sink.strokes[0], 50, 30, 30, Aqua);
}

TEST(Overlays, EmptyZoomWindowDrawsNoOverlay) {
  RecordingSink sink;
  DrawZoomWindow(Plot(100, 3, 3), 0, 10, sink);
  DrawVertLine(Plot(100, 0, 0), 5, sink);
  DrawSpanLine(Plot(100), NAN, 5, sink);
  EXPECT_TRUE(sink.strokes.empty());
}

TEST(Overlays, SpanLineSitsJustUnderThePlot) {
  RecordingSink sink;
  DrawSpanLine(Plot(100), 10, 60, sink);
  ASSERT_EQ(sink.strokes.size(), 1u);
  EXPECT_EQ(sink.strokes[0].points[0].y, 287.0f);
  EXPECT_EQ(sink.strokes[0].argb, 0xFFFF8000u);
  EXPECT_EQ(sink.strokes[0].width, 3.0f);
}

// ---------------------------------------------------------------------------------------------
// Colour tables and the waterfall picture

void ExpectColourNear(int colour, int r, int g, int b) {
  EXPECT_NEAR(colour & 0xFF, r, 1) << std::hex << colour;
  EXPECT_NEAR((colour >> 8) & 0xFF, g, 1) << std::hex << colour;
  EXPECT_NEAR((colour >> 16) & 0xFF, b, 1) << std::hex << colour;
}

TEST(Palettes, MinMaxRunsFromGreenOverYellowToRed) {
  int colours[256];
  BuildMinMaxColors(colours);
  EXPECT_EQ(colours[0], 0x00FF00);
  EXPECT_EQ(colours[127], 0x0000FF);
  ExpectColourNear(colours[63], 253, 255, 0);  // hue 60.47: just past yellow
  // Larger spreads have negative hues, wrapped round the circle: magenta side, then blue.
  for (int i = 128; i < 191; ++i) EXPECT_EQ(colours[i] & 0xFF, 255) << i;
  for (int i = 191; i < 256; ++i) EXPECT_EQ((colours[i] >> 16) & 0xFF, 255) << i;
}

TEST(Palettes, WaterPaletteGrowsFromBlack) {
  int palette[256];
  BuildWaterPalette(palette);
  EXPECT_EQ(palette[0], 0);
  ExpectColourNear(palette[127], 64, 127, 64);  // hue 120.2, saturation 0.496, value 127
  ExpectColourNear(palette[255], 255, 255, 1);  // hue 60, saturation ~1, value 255
}

TEST(Waterfall, PixelPaletteHoldsBitmapWords) {
  const int colours[256] = {0x0000FF, 0x00FF00, 0xFF0000};  // red, green, blue; the rest black
  uint32_t pixels[256];
  PixelPalette(colours, pixels);
  EXPECT_EQ(pixels[0], 0x00FF0000u);
  EXPECT_EQ(pixels[1], 0x0000FF00u);
  EXPECT_EQ(pixels[2], 0x000000FFu);
  EXPECT_EQ(pixels[3], 0u);
}

TEST(Waterfall, PaletteIndexClampsTheLevel) {
  EXPECT_EQ(WaterIndex(0.5f), 127);
  EXPECT_EQ(WaterIndex(-1.0f), 0);
  EXPECT_EQ(WaterIndex(1.0f), 255);
  EXPECT_EQ(WaterIndex(7.0f), 255);
  EXPECT_EQ(WaterIndex(NAN), 0);
  EXPECT_EQ(WaterIndex(255 * 0.00392f), 254);
}

TEST(Waterfall, RowsRunFromOldestToNewestAndTheLastRowKeepsTheBackground) {
  WaterfallBuffer ring(3, 4);
  for (int n = 1; n <= 5; ++n) {
    const float row[3] = {n / 10.0f, n / 10.0f, n / 10.0f};
    ring.Insert(row, false);
  }
  uint32_t palette[256];
  for (int i = 0; i < 256; ++i) palette[i] = uint32_t(i) << 16;  // red = index, to read levels back
  std::vector<uint32_t> pixels(3 * 4, 0xABCDEF);
  FillWaterfall(pixels.data(), 3, 4, 3, 0, palette, [&](int age) { return ring.GetBufferForDisplay(age); });
  // Ring of 4 after inserts 1..5: ages 0, 1, 2 hold 3, 4, 5 (newest on bitmap row 2).
  auto levelAt = [&](int row) { return int((pixels[row * 3] >> 16) & 0xFF); };
  EXPECT_EQ(levelAt(0), int(0.3f * 255));
  EXPECT_EQ(levelAt(1), int(0.4f * 255));
  EXPECT_EQ(levelAt(2), int(0.5f * 255));
  EXPECT_EQ(pixels[9], 0xABCDEFu);
}

TEST(Waterfall, ColumnsOutsideTheRowReadZero) {
  WaterfallBuffer ring(2, 2);
  const float row[2] = {1.0f, 0.5f};
  ring.Insert(row, false);  // ring of 2: age 0 is this newest row
  uint32_t palette[256];
  for (int i = 0; i < 256; ++i) palette[i] = uint32_t(i);
  struct Case {
    int from;
    std::vector<uint32_t> firstRow;
  };
  const Case cases[] = {
      {0, {255, 127, 0, 0}},
      {1, {127, 0, 0, 0}},
      {-1, {0, 255, 127, 0}},
      {5, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    std::vector<uint32_t> pixels(4 * 2, 99);
    FillWaterfall(pixels.data(), 4, 2, 2, c.from, palette,
                  [&](int age) { return ring.GetBufferForDisplay(age); });
    EXPECT_EQ(std::vector<uint32_t>(pixels.begin(), pixels.begin() + 4), c.firstRow) << c.from;
    EXPECT_EQ(pixels[4], 99u);  // the last row keeps the background
  }
}

}  // namespace
