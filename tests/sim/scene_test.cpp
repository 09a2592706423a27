// What the receiver hears: emitters as peaks at their frequencies in every kind of sweep, the
// noise floor, the attenuator and IF filters, pulsed emitters, the VLF converter, the filter
// test generators, and changes of the scene while it runs.
#include "SimCaller.h"
#include "sim/RfScene.h"

#include <algorithm>
#include <numeric>

using namespace simtest;

namespace {

std::string OneEmitter(double mhz, double dbm = -45, const std::string& extra = "") {
  return "[scene]\nzero_hz_signal=0\n[emitter1]\nfrequency_mhz=" + std::to_string(mhz) +
         "\nlevel_dbm=" + std::to_string(dbm) + "\n" + extra;
}

TEST(SimScene, EachEmitterIsAPeakAtItsFrequency) {
  struct Case {
    double mhz;
    double segmentStart;
    double step;
    size_t index;
  };
  const std::vector<Case> cases = {
      {433.92, 0, 1e6, 434},     {868.3, 0, 1e6, 868},        {1880, 1e9, 1e6, 880},
      {2450, 2e9, 1e6, 450},     {4999, 4e9, 1e6, 999},       {7500, 7e9, 1e6, 500},
      {12345.6, 12e9, 1e6, 346}, {433.92, 400e6, 100e3, 339}, {9000, 8.95e9, 100e3, 500},
  };
  for (const auto& c : cases) {
    Fresh(OneEmitter(c.mhz));
    MeasureMode(c.step < 1e6 ? 2 : 1);
    const Bytes sweep = Sweep400(c.segmentStart, c.step, 1000);
    ASSERT_EQ(sweep.size(), 1000u) << c.mhz;
    const size_t peak = ArgMax(sweep);
    EXPECT_LE(std::max(peak, c.index) - std::min(peak, c.index), 1u) << c.mhz << " MHz at " << peak;
    EXPECT_GT(sweep[peak], 150) << c.mhz;
  }
}

TEST(SimScene, DefaultSceneShowsAllFourEmitters) {
  Fresh();
  MeasureMode();
  Bytes all;  // the maximum of each point's conversions, so that the pulsed emitter shows
  for (int segment = 0; segment < 3; ++segment) {
    const Bytes s = Sweep400(segment * 1e9, 1e6, 1000, 20, true);
    for (size_t i = 1; i < s.size(); i += 2) all.push_back(s[i]);
  }
  EXPECT_GT(all[0], 200) << "the strong line at 0 Hz";
  for (size_t mhz : {434u, 868u, 1880u, 2450u}) {
    const auto from = all.begin() + static_cast<std::ptrdiff_t>(mhz - 2);
    EXPECT_GT(*std::max_element(from, from + 5), 140) << mhz;
  }
  EXPECT_LT(all[1500], 82);
}

TEST(SimScene, NoiseFloorWithoutEmitters) {
  Fresh("[scene]\ndefault_emitters=0\nzero_hz_signal=0\n");
  MeasureMode();
  const Bytes s = Sweep400(1e9, 1e6, 1000);
  const auto [lo, hi] = std::minmax_element(s.begin(), s.end());
  EXPECT_GE(*lo, 64);
  EXPECT_LE(*hi, 72);
  EXPECT_LT(*lo, *hi) << "the floor is noisy";
}

TEST(SimScene, SameSeedSameReadings) {
  auto run = [](const std::string& scenario) {
    Fresh(scenario);
    MeasureMode();
    Bytes a = Sweep400(0, 1e6, 1000, 5);
    Bytes b = Sweep28(4, 22.3e6, 10e3, 1000, 8, 30);
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  EXPECT_EQ(run("[device]\nseed=5\n"), run("[device]\nseed=5\n"));
  EXPECT_NE(run("[device]\nseed=5\n"), run("[device]\nseed=6\n"));
}

TEST(SimScene, AttenuatorLowersTheSignalNotTheFloor) {
  Fresh(OneEmitter(1500, -40));
  MeasureMode();
  const Bytes open = Sweep400(1e9, 1e6, 1000, 10);
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x20, static_cast<uint8_t>(~20)));
  const Bytes damped = Sweep400(1e9, 1e6, 1000, 10);
  EXPECT_NEAR(open[500] - damped[500], 36, 4);  // 20 dB at 1.8 counts per dB
  EXPECT_NEAR(open[200], damped[200], 4);
}

TEST(SimScene, WiderFilterWidensThePeak) {
  auto width = [](int filterType) {
    Fresh(OneEmitter(1500, -40));
    MeasureMode(filterType);
    const Bytes s = Sweep400(1.45e9, 10e3, 10000 / 1);
    return std::count_if(s.begin(), s.end(), [](uint8_t v) { return v > 100; });
  };
  const auto narrow = width(4), detail = width(3), medium = width(2), two = width(1), wide = width(0);
  EXPECT_LT(narrow, detail);
  EXPECT_LT(detail, medium);
  EXPECT_LT(medium, two);
  EXPECT_LT(two, wide);
}

TEST(SimScene, NarrowSweepPutsACarrierAtTheMirroredTunerPoint) {
  struct Case {
    double offsetHz;
    bool highVco;
    size_t index;
  };
  for (const Case& c :
       std::vector<Case>{{1e6, false, 400}, {-2e6, false, 700}, {0, false, 500}, {1e6, true, 600}}) {
    Fresh(OneEmitter(1500 + c.offsetHz / 1e6, -40));
    MeasureMode(3);
    if (c.highVco) SetDds(1, 20e6 + (5.038e9 - 5e9) / 250);
    Tune(1500e6);
    const Bytes s = Sweep28(4, 22.3e6, 10e3, 1000);
    const size_t peak = ArgMax(s);
    EXPECT_LE(std::max(peak, c.index) - std::min(peak, c.index), 9u) << c.offsetHz << " at " << peak;
    // the plateau of the detail filter is centred on the carrier
    size_t first = s.size(), last = 0;
    for (size_t i = 0; i < s.size(); ++i)
      if (s[i] + 3 >= s[peak]) {
        first = std::min(first, i);
        last = std::max(last, i);
      }
    EXPECT_LE(std::max((first + last) / 2, c.index) - std::min((first + last) / 2, c.index), 2u)
        << c.offsetHz;
  }
}

TEST(SimScene, AudioPathUsesItsOwnTunerAndFilter) {
  Fresh(OneEmitter(1500.5, -40));
  MeasureMode(2);
  Tune(1500e6);
  SetDds(5, 27.3e6 - 0.5e6);  // audio tuner onto the carrier
  ASSERT_TRUE(Out({2, 1}));
  ASSERT_TRUE(Out({3, 20}));
  const Bytes onCarrier = In(1);
  SetDds(5, 27.3e6);
  ASSERT_TRUE(Out({3, 20}));
  const Bytes offCarrier = In(1);
  ASSERT_EQ(onCarrier.size(), 1u);
  ASSERT_EQ(offCarrier.size(), 1u);
  EXPECT_GT(onCarrier[0], 150);
  EXPECT_LT(offCarrier[0], 75);
  EXPECT_NEAR(usb2sim::GetState().audioReceiveHz, 1500e6, 200);
}

TEST(SimScene, PulsedEmittersSpreadMinimumAndMaximum) {
  Fresh(
      "[scene]\nzero_hz_signal=0\n[emitter1]\nfrequency_mhz=1200\nlevel_dbm=-40\n"
      "[emitter2]\nfrequency_mhz=1600\nlevel_dbm=-40\npulsed=1\n");
  MeasureMode();
  const Bytes w = Sweep400(1e9, 1e6, 1000, 20, true);
  ASSERT_EQ(w.size(), 2000u);
  auto spread = [&](size_t point) { return w[2 * point + 1] - w[2 * point]; };
  EXPECT_GT(spread(600), 60) << "pulsed";
  EXPECT_LT(spread(200), 12) << "continuous";
  EXPECT_LT(spread(400), 12) << "floor";
}

TEST(SimScene, InputBHearsTheSceneWeaker) {
  Fresh(OneEmitter(1500, -40));
  MeasureMode();
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x21, 0x18));  // input A
  const Bytes a = Sweep400(1e9, 1e6, 1000, 10);
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x21, 0x10));  // input B
  const Bytes b = Sweep400(1e9, 1e6, 1000, 10);
  EXPECT_EQ(usb2sim::GetState().input, 2);
  EXPECT_NEAR(a[500] - b[500], 11, 3);
}

TEST(SimScene, VlfConverterMapsTheTunerOntoVlfFrequencies) {
  Fresh("[emitter1]\nfrequency_mhz=0.15\nlevel_dbm=-50\nbandwidth_khz=1\n");
  for (uint8_t n = 0; n < 6; ++n) ASSERT_TRUE(Out({11, 0x00, 0xC0, n}));
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x22, 4));
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x23, 4));
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x26, 0x7F));
  ASSERT_TRUE(Out({2, 0}));
  const Bytes s = Sweep28(4, 25.3e6, 10e3, 500, 10);
  ASSERT_EQ(s.size(), 500u);
  EXPECT_TRUE(usb2sim::GetState().vlfOn);
  EXPECT_GT(s[0], 140) << "the converter's own line at 0 Hz";
  EXPECT_GT(s[15], 120) << "150 kHz";
  EXPECT_LT(s[300], 75);
}

TEST(SimScene, VlfOscillatorCheckShape) {
  Fresh();
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x26, 0x7F));
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x22, 2));
  ASSERT_TRUE(Out({2, 0}));
  const Bytes s = Sweep28(4, 24.55e6, 7.5e3, 200, 0, 12);
  ASSERT_EQ(s.size(), 200u);
  for (size_t i = 0; i < s.size(); ++i) {
    EXPECT_GE(s[i], 10) << i;
    EXPECT_LE(s[i], 199) << i;
    if (i >= 95 && i <= 105) {
      EXPECT_GE(s[i], 110) << i;
    }
    if (i < 50 || i > 150) {
      EXPECT_LE(s[i], 118) << i;
    }
  }
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x26, 0xFF));  // converter off: no line
  const Bytes off = Sweep28(4, 24.55e6, 7.5e3, 200, 0, 12);
  EXPECT_LT(*std::max_element(off.begin(), off.end()), 110);
}

TEST(SimScene, FilterTestGeneratorsShowEachModulesPassband) {
  struct Case {
    uint8_t module;
    int type;
    double start;
    double step;
  };
  const std::vector<Case> cases = {
      {0, 1, 5.7e6, 50e3}, {0, 2, 9.95e6, 7.5e3}, {0, 3, 10.1e6, 6e3},
      {0, 4, 10.5e6, 2e3}, {1, 1, 5.7e6, 50e3},   {1, 4, 10.5e6, 2e3},
  };
  for (const auto& c : cases) {
    Fresh();
    for (uint8_t n = 0; n < 6; ++n) ASSERT_TRUE(Out({11, 0x00, 0xC0, n}));
    ASSERT_TRUE(UsbI2CWriteByte(0, static_cast<uint8_t>(0x22 + c.module),
                                static_cast<uint8_t>(c.type == 1 ? 9 : c.type)));
    ASSERT_TRUE(Out({2, c.module}));
    const Bytes s = Sweep28(static_cast<uint8_t>(2 + c.module), c.start, c.step, 200, 0, 12);
    ASSERT_EQ(s.size(), 200u);
    for (size_t i = 0; i < s.size(); ++i) {
      const size_t dx = i > 100 ? i - 100 : 100 - i;
      if (dx <= 14) {
        EXPECT_GE(s[i], 225) << "type " << c.type << " point " << i;
      }
      if (dx >= 36) {
        EXPECT_LE(s[i], 75) << "type " << c.type << " point " << i;
      }
      EXPECT_GE(s[i], 64) << i;
    }
  }
}

TEST(SimScene, SceneChangesWhileRunning) {
  Fresh("[scene]\ndefault_emitters=0\nzero_hz_signal=0\n");
  MeasureMode();
  EXPECT_LT(Sweep400(1e9, 1e6, 1000)[300], 75);
  usb2sim::EmitterSpec spec;
  spec.frequencyHz = 1.3e9;
  spec.levelDbm = -40;
  const int id = usb2sim::AddEmitter(spec);
  EXPECT_GT(Sweep400(1e9, 1e6, 1000)[300], 150);
  spec.levelDbm = -70;
  ASSERT_TRUE(usb2sim::ModifyEmitter(id, spec));
  const uint8_t weaker = Sweep400(1e9, 1e6, 1000)[300];
  EXPECT_GT(weaker, 90);
  EXPECT_LT(weaker, 130);
  ASSERT_TRUE(usb2sim::RemoveEmitter(id));
  EXPECT_FALSE(usb2sim::RemoveEmitter(id));
  EXPECT_FALSE(usb2sim::ModifyEmitter(id, spec));
  EXPECT_LT(Sweep400(1e9, 1e6, 1000)[300], 75);
  usb2sim::AddEmitter(spec);
  usb2sim::ClearEmitters();
  EXPECT_TRUE(usb2sim::GetEmitters().empty());
}

TEST(SimScene, NoTuningHearsOnlyNoise) {
  Fresh();
  for (uint8_t n = 0; n < 6; ++n) ASSERT_TRUE(Out({11, 0x00, 0xC0, n}));
  ASSERT_TRUE(Out({2, 0}));
  ASSERT_TRUE(Out({4, 100}));
  const Bytes b = In(100);
  ASSERT_EQ(b.size(), 100u);
  EXPECT_LE(*std::max_element(b.begin(), b.end()), 72);
  EXPECT_DOUBLE_EQ(usb2sim::GetState().receiveHz, 0.0);
}

}  // namespace

namespace {

// A section measured alone: its level trim low, the other three switched nearly off with level
// trims of 255 and centred far away, as the filter alignment sets them.
TEST(SimFilterTrims, ALevelTrimOf255NearlySwitchesASectionOff) {
  using namespace usb2sim;
  EXPECT_DOUBLE_EQ(SectionWeight(kHealthyTrim), 1.0);
  EXPECT_LT(SectionWeight(255), 0.1);
  EXPECT_GT(SectionWeight(0), 1.8);
  FilterTrim alone;
  alone.centre = {128, 255, 255, 255};
  alone.level = {40, 255, 255, 255};
  FilterTrim allFar = alone;
  allFar.centre[0] = 255;
  // The section on 10.7 MHz is heard although the three others reject it completely.
  EXPECT_LT(FilterLossDb(2, alone, 0.0), 15.0);
  EXPECT_GE(FilterLossDb(2, allFar, 0.0), kFilterDepthDb);
  // Its peak moves with its own centre trim: 16 steps are one flat half-width.
  FilterTrim moved = alone;
  moved.centre[0] = 144;
  EXPECT_LT(FilterLossDb(2, moved, 112.5e3), FilterLossDb(2, moved, 0.0));
  // Equal level trims weigh the sections equally: the healthy record is the plain mean.
  EXPECT_NEAR(FilterLossDb(2, FilterTrim{}, 0.0), 0.0, 1e-9);
}

}  // namespace
