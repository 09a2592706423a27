// Layout, input mapping, link light and battery arithmetic of the main window.
#include <gtest/gtest.h>

#include "shell/RT7731_IV_Unit.h"

namespace {

struct LayoutCase {
  int W, H;
  TRect Left, Action, Version, Title, Frame, Status, User, Display;
};

TEST(PanelLayout, PanelsFollowTheClientSize) {
  const LayoutCase cases[] = {
      {1024, 768, Bounds(0, 0, 30, 768), Bounds(30, 0, 834, 80), Bounds(864, 0, 160, 80),
       Bounds(30, 80, 834, 80), Bounds(864, 80, 160, 663), Bounds(30, 743, 994, 25),
       Bounds(30, 623, 834, 120), Bounds(30, 160, 834, 463)},
      {1024, 726, Bounds(0, 0, 30, 726), Bounds(30, 0, 834, 80), Bounds(864, 0, 160, 80),
       Bounds(30, 80, 834, 80), Bounds(864, 80, 160, 621), Bounds(30, 701, 994, 25),
       Bounds(30, 581, 834, 120), Bounds(30, 160, 834, 421)},
      {462, 462, Bounds(0, 0, 30, 462), Bounds(30, 0, 272, 80), Bounds(302, 0, 160, 80),
       Bounds(30, 80, 272, 80), Bounds(302, 80, 160, 357), Bounds(30, 437, 432, 25),
       Bounds(30, 317, 272, 120), Bounds(30, 160, 272, 157)},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.W << " x " << c.H);
    const PanelLayout p = ComputePanelLayout(c.W, c.H);
    EXPECT_EQ(p.Left, c.Left);
    EXPECT_EQ(p.Action, c.Action);
    EXPECT_EQ(p.Version, c.Version);
    EXPECT_EQ(p.Title, c.Title);
    EXPECT_EQ(p.Frame, c.Frame);
    EXPECT_EQ(p.Status, c.Status);
    EXPECT_EQ(p.User, c.User);
    EXPECT_EQ(p.Display, c.Display);
  }
}

TEST(PanelLayout, PanelsNeitherOverlapNorLeaveTheClientAtTheMinimumSize) {
  const PanelLayout p = ComputePanelLayout(MinMainWidth, MinMainHeight);
  const TRect all[] = {p.Left, p.Action, p.Version, p.Title, p.Frame, p.Status, p.User, p.Display};
  for (const TRect& r : all) {
    EXPECT_GT(r.Width(), 0);
    EXPECT_GT(r.Height(), 0);
    EXPECT_LE(r.Right, MinMainWidth);
    EXPECT_LE(r.Bottom, MinMainHeight);
  }
  // The display area sits between the title bar and the user bar.
  EXPECT_EQ(p.Display.Top, p.Title.Bottom);
  EXPECT_EQ(p.Display.Bottom, p.User.Top);
  EXPECT_EQ(p.User.Bottom, p.Status.Top);
}

TEST(PanelLayout, SizesBelowTheMinimumAreRefused) {
  const struct {
    int w, h;
    bool allowed;
  } cases[] = {{461, 500, false}, {500, 461, false}, {462, 462, true},
               {461, 461, false}, {1024, 768, true}, {0, 0, false}};
  for (const auto& c : cases) EXPECT_EQ(MainWindowSizeAllowed(c.w, c.h), c.allowed) << c.w << " x " << c.h;
}

TEST(MouseMapping, RenderWindowPositionsLandInTheVirtualScreen) {
  const struct {
    int x, y, w, h;
    TPoint expected;
  } cases[] = {
      {0, 0, 834, 463, TPoint(0, 0)},
      {833, 462, 834, 463, TPoint(1022, 766)},  // bottom-right pixel: just below (1024, 768)
      {417, 231, 834, 463, TPoint(512, 383)},
      {1023, 767, 1024, 768, TPoint(1023, 767)},
      {136, 78, 272, 157, TPoint(512, 381)},  // minimum window size
      {5, 5, 0, 0, TPoint(0, 0)},             // a window without area maps nothing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " in " << c.w << " x " << c.h);
    EXPECT_EQ(MapToVirtual(c.x, c.y, c.w, c.h), c.expected);
  }
}

TEST(LinkLight, StepsFrom120To250AndStartsAgain) {
  int level = 120;
  std::vector<int> seen{level};
  for (int i = 0; i < 27; ++i) seen.push_back(level = NextLinkLightLevel(level));
  EXPECT_EQ(seen.front(), 120);
  EXPECT_EQ(seen[26], 250);
  EXPECT_EQ(seen[27], 120);  // 255 is never used
  for (int i = 1; i < 27; ++i) EXPECT_EQ(seen[i] - seen[i - 1], 5);
}

struct BatteryCase {
  int level;
  double fraction;
  const char* text;
  TColor colour;
  int barLeft;
  bool closes;
};

TEST(Battery, LevelGivesTextGaugeAndClose) {
  const BatteryCase cases[] = {
      {255, 2.9796, "charging", 0x8000, 3, false},
      {184, 1.0109, "100 %", 0x8000, 3, false},
      {170, 0.62273, "62 %", 0x8000, 61, false},
      {160, 0.34545, "35 %", 0x4080FF, 103, false},
      {154, 0.17909, "18 %", 0xFF, 129, false},
      {147, 0.0, "0 %", 0xFF, 157, false},
      {111, 0.0, "0 %", 0xFF, 157, false},
      {110, 0.0, "0 %", 0xFF, 157, true},
      {0, 0.0, "0 %", 0xFF, 157, true},
  };
  for (const BatteryCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "level " << c.level);
    const double fraction = ChargeFraction(static_cast<uint8_t>(c.level));
    EXPECT_NEAR(fraction, c.fraction, 1e-4);
    EXPECT_EQ(BatteryValueText(fraction, "charging"), c.text);
    const GaugeBar bar = ComputeGaugeBar(fraction, 160, 12);
    EXPECT_EQ(bar.Color, c.colour);
    EXPECT_EQ(bar.Bar, Rect(c.barLeft, 3, 157, 9));
    EXPECT_EQ(BatteryTooLow(static_cast<uint8_t>(c.level)), c.closes);
  }
}

TEST(Battery, FractionsBetweenOneAndOnePointThreeShowAHundredPercent) {
  EXPECT_EQ(BatteryValueText(1.0, "c"), "100 %");
  EXPECT_EQ(BatteryValueText(1.3, "c"), "100 %");
  EXPECT_EQ(BatteryValueText(1.3001, "c"), "c");
  EXPECT_EQ(BatteryValueText(0.004, "c"), "0 %");
}

TEST(Battery, CaptionCarriesSupplyVoltageAndTemperatures) {
  EXPECT_EQ(FormatSupplyVoltage(), "V 0.980");
  EXPECT_EQ(BatteryCaption(23.44, 30.0), "       V 0.980    23.4 °C   30.0 °C\r\n");
  EXPECT_EQ(BatteryCaption(-5.26, 101.0), "       V 0.980    -5.3 °C   101.0 °C\r\n");
}

}  // namespace
