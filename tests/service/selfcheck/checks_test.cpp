// What the self-test judges, as tables: current windows, temperatures, texts, sample scaling, the
// tolerance mask, the drift arithmetic and the service panel's cell values.
#include <gtest/gtest.h>

#include <vector>

#include "platform/vcl/Forms.h"
#include "service/SelfTestChecks.h"
#include "service/ServicePanel.h"

namespace {

const CurrentCheck& CurrentRow(int row) {
  for (const CurrentCheck& c : SelfTestCurrents)
    if (c.Row == row) return c;
  throw std::out_of_range("row");
}

}  // namespace

TEST(SelfTestJudging, CurrentWindowsExcludeTheirBounds) {
  struct Case {
    int row;
    double amperes;
    bool pass;
  };
  const Case cases[] = {
      {22, 0.035 * 0.75, false}, {22, 0.035 * 0.75 + 1e-6, true},
      {22, 0.035 * 1.25, false}, {28, 0.068 * 0.5, false},
      {28, 0.068 * 1.49, true},  {34, 0.011 * 0.55, false},
      {34, 0.011 * 1.54, true},  {37, 0.011 * 1.5, false},
      {38, 0.020, false},        {38, 0.0199, true},
      {38, 0.010, false},        {38, 0.0157, true},
      {39, 0.079 * 0.65, false}, {39, 0.079 * 0.66, true},
      {25, 0.678, true},         {25, 0.5, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CurrentRow(c.row).Window.Contains(c.amperes), c.pass) << c.row << " " << c.amperes;
}

TEST(SelfTestJudging, CurrentRowsFollowTheTableInRunOrder) {
  ASSERT_EQ(SelfTestCurrents.front().Row, 22);
  for (size_t i = 1; i < SelfTestCurrents.size(); ++i) EXPECT_EQ(SelfTestCurrents[i].Row, 22 + int(i));
  EXPECT_EQ(CurrentRow(29).Selector, 10);
  EXPECT_EQ(CurrentRow(29).SetUp, CurrentSetUp::Dds400At5MHz);
  EXPECT_EQ(CurrentRow(34).Selector, 6);
  EXPECT_EQ(CurrentRow(40).SetUp, CurrentSetUp::FrontendBand2);
}

TEST(SelfTestJudging, TextsOfTheRows) {
  EXPECT_EQ(FirmwareText(263), "V263");
  EXPECT_EQ(FirmwareText(0), "fault");
  EXPECT_EQ(ChipText(0x2D), "0x2d");
  EXPECT_EQ(ChipText(0x3A), "0x3a");
  EXPECT_EQ(CurrentText(0.0353), "35.3 mA");
  EXPECT_EQ(TemperatureText(25.6), "25.6 Grad");
  EXPECT_EQ(DeviationText(-4500000.0), "-4500000.0 Hz");
  EXPECT_STREQ(SoundBlockText(0), "0");
  EXPECT_STREQ(SoundBlockText(3), "e");
  EXPECT_STREQ(SelfTestRowCaption(1), "Firmware Version A");
  EXPECT_STREQ(SelfTestRowCaption(38), "Frontend Off");
  EXPECT_STREQ(SelfTestRowCaption(IFFilterRow(4, 2)), "IF Filter-2 25 kHz");
  EXPECT_STREQ(SelfTestRowCaption(55), "Sound RAM Bank-2");
  EXPECT_STREQ(SelfTestRowCaption(56), "");
}

TEST(SelfTestJudging, TemperatureBandIsOpen) {
  const std::pair<double, bool> cases[] = {
      {-10.0, false}, {-9.9, true}, {25.6, true}, {109.9, true}, {110.0, false}};
  for (auto [t, pass] : cases) EXPECT_EQ(TemperatureInBand(t), pass) << t;
}

TEST(SelfTestJudging, ScalingTruncatesInExtendedPrecision) {
  const std::pair<int, int> cases[] = {{0, 0},     {10, 7},    {11, 7},   {22, 15},
                                       {234, 170}, {253, 183}, {255, 185}};
  for (auto [raw, scaled] : cases) EXPECT_EQ(ScaleSweepSample(uint8_t(raw)), scaled) << raw;
}

TEST(SelfTestJudging, DriftArithmetic) {
  EXPECT_EQ(DriftDeviation(999), 0.0);
  EXPECT_EQ(DriftDeviation(1000), 5000.0);
  EXPECT_NEAR(ClockOffsetForDeviation(0.0), 0.0, 1e-6);
  EXPECT_NEAR(ClockOffsetForDeviation(5000.0), 400.0, 1e-6);
  EXPECT_NEAR(ClockOffsetForDeviation(-4500000.0), -360000.0, 1e-3);
  const std::vector<uint8_t> silent(DriftPoints, 0);
  EXPECT_EQ(DriftPeakIndex(silent.data(), DriftPoints), 99);
  EXPECT_EQ(DriftDeviation(99), -4500000.0);
  std::vector<uint8_t> twin(DriftPoints, 10);
  twin[1200] = twin[1300] = 180;  // the first of equal maxima wins
  EXPECT_EQ(DriftPeakIndex(twin.data(), DriftPoints), 1200);
}

TEST(SelfTestJudging, DriftIsBelievedOnlyWithALineInsideTheSweep) {
  struct Case {
    uint8_t peak;
    int index;
    bool pass;
  };
  const Case cases[] = {
      {185, 999, true},   {185, 1, true},    {185, DriftPoints - 2, true},  // as far as the sweep sees
      {185, 0, false},    {185, DriftPoints - 1, false},                    // the line may lie beyond
      {92, 999, false},   {0, 99, false},                                   // no line: an all-zero sweep
  };
  for (const Case& c : cases)
    EXPECT_EQ(DriftLineInsideSweep(c.peak, c.index), c.pass) << int(c.peak) << " " << c.index;
  EXPECT_EQ(DriftDeviation(1), -4990000.0);
  EXPECT_EQ(DriftDeviation(DriftPoints - 2), 4995000.0);
}

TEST(SelfTestJudging, CorrectionIsBelievedOnlyWhenTheLineCameBack) {
  const struct {
    uint8_t peak;
    double residual;
    bool pass;
  } cases[] = {{185, 0.0, true}, {93, 5000.0, true}, {185, -10000.0, true}, {185, 15000.0, false}, {92, 0.0, false}};
  for (const auto& c : cases) EXPECT_EQ(DriftCorrected(c.peak, c.residual), c.pass) << int(c.peak) << " " << c.residual;
}

// ---- The tolerance mask on an in-memory image ----

class ToleranceMaskTest : public testing::Test {
 protected:
  void SetUp() override {
    Application->Initialize();
    bitmap.SetSize(MaskSize, MaskSize);
    DrawToleranceMask(bitmap.Canvas());
  }
  // The healthy shape in points from the centre, scaled: 170 within +-15, falling linearly to 50 at
  // +-35 and beyond.
  static std::vector<uint8_t> Healthy() {
    std::vector<uint8_t> s(SweepPoints);
    for (int i = 0; i < SweepPoints; ++i) {
      const int d = std::abs(i - 100);
      s[size_t(i)] = uint8_t(d <= 15 ? 170 : d >= 35 ? 50 : 170 - (d - 15) * 6);
    }
    return s;
  }
  int Hits(const std::vector<uint8_t>& s) { return MaskHits(bitmap.Canvas(), s.data(), SweepPoints); }
  TBitmap bitmap;
};

TEST_F(ToleranceMaskTest, MaskIsNeverBlack) { EXPECT_NE(MaskColour() & 0xFFFFFF, clBlack); }

TEST_F(ToleranceMaskTest, HealthyCurvePasses) { EXPECT_EQ(Hits(Healthy()), 0); }

TEST_F(ToleranceMaskTest, CurvesOutsideTheMaskAreHit) {
  struct Case {
    const char* what;
    int point;
    uint8_t value;
    bool hit;
  };
  const Case cases[] = {
      {"bottom band", 10, 9, true},
      {"just above the bottom band", 10, 10, false},
      {"low pass band", 95, 109, true},
      {"pass band edge", 105, 110, false},
      {"low pass band centre", 100, 109, true},
      {"high left", 50, 119, true},
      {"just below the top left", 50, 118, false},
      {"high right", 150, 119, true},
      {"high far right", 199, 150, true},
      {"above the image", 100, 200, true},
      {"top of the image", 100, 199, false},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> s = Healthy();
    s[size_t(c.point)] = c.value;
    EXPECT_EQ(Hits(s) > 0, c.hit) << c.what;
  }
}

TEST_F(ToleranceMaskTest, ADrawnCurveDoesNotDisturbTheNextTest) {
  // The checks judge each curve on a fresh mask before drawing it; a drawn curve is not black.
  const std::vector<uint8_t> s = Healthy();
  DrawSweepCurve(bitmap.Canvas(), s.data(), 1, clLime);
  EXPECT_GT(Hits(s), 0);
  DrawToleranceMask(bitmap.Canvas());
  EXPECT_EQ(Hits(s), 0);
}

// ---- Service panel values ----

TEST(ServicePanelValues, AccessCodeIsExact) {
  EXPECT_TRUE(IsServiceAccessCode("quorbix"));
  for (const char* wrong : {"Quorbix", "quorbix ", "quorbi", "", " quorbix"})
    EXPECT_FALSE(IsServiceAccessCode(wrong)) << wrong;
}

TEST(ServicePanelValues, UnsetCellsShowTheDefaults) {
  const std::pair<int, int> clock[] = {{0, 168}, {255, 168}, {100, 148}, {150, 150}, {200, 188}, {64, 148}};
  for (auto [cell, shown] : clock) EXPECT_EQ(SonarClockFromCell(uint8_t(cell)), shown) << cell;
  const std::pair<int, int> sens[] = {{0, 69}, {255, 69}, {1, 1}, {128, 128}, {254, 254}};
  for (auto [cell, shown] : sens) EXPECT_EQ(SonarSensitivityFromCell(uint8_t(cell)), shown) << cell;
}
