// IOControl frequency plan: band bits and cache, DDS-400 tuning, main VCO, IF tuners, sweeps across
// the band split, mode set-ups, the clock calibration, and a module that vanishes mid-operation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>

#include "FakeUsb2.h"

namespace {

// Events as short texts: "P 12 04 ..." for a parallel burst out, "R n" for a read of n bytes,
// "I 21 0A" for an I2C write.
std::vector<std::string> Trace(const std::vector<UsbEvent>& events, size_t longBurst = 16) {
  std::vector<std::string> out;
  char buf[8];
  for (const auto& e : events) {
    std::string s;
    if (e.kind == UsbEvent::ParOut) {
      s = "P";
      if (e.bytes.size() > longBurst)
        s += " [" + std::to_string(e.bytes.size()) + "]";
      else
        for (uint8_t b : e.bytes) std::snprintf(buf, sizeof buf, " %02X", b), s += buf;
    } else if (e.kind == UsbEvent::ParIn) {
      s = "R " + std::to_string(e.bytes.size());
    } else if (e.kind == UsbEvent::I2CWrite) {
      std::snprintf(buf, sizeof buf, "I %02X", e.address);
      s = buf;
      for (uint8_t b : e.bytes) std::snprintf(buf, sizeof buf, " %02X", b), s += buf;
    } else {
      continue;
    }
    out.push_back(s);
  }
  return out;
}

using Lines = std::vector<std::string>;

class FrequencyTest : public ::testing::Test {
 protected:
  FakeUsb2 fake;
  IOControl io{0};
};

TEST_F(FrequencyTest, SetFrequencyTunesTheFirstLoInItsBand) {
  struct Case {
    double f;
    Lines trace;
    int band;
  };
  const Case cases[] = {
      {0.0, {"P 12 04 0C 80 00 00"}, 0},
      {-1.0, {"P 12 04 0C 80 00 00"}, 0},
      {1e9, {"P 12 04 0F 00 00 00"}, 0},
      {5e9, {"P 12 04 19 00 00 00"}, 0},
      {1e10, {"I 21 61", "P 12 04 12 C0 00 00"}, 1},
      {2e10, {"I 21 61", "P 12 04 19 00 00 00"}, 1},
      {std::nan(""), {"P 12 04 0C 80 00 00"}, 0},
  };
  for (const auto& c : cases) {
    IOControl dev(0);
    fake.Clear();
    ASSERT_TRUE(dev.SetFrequency(c.f)) << c.f;
    EXPECT_EQ(Trace(fake.Events), c.trace) << c.f;
    EXPECT_EQ(dev.BandCache, c.band) << c.f;
  }
}

TEST_F(FrequencyTest, BandChangesAreWrittenOnceAndKeepTheOtherBits) {
  ASSERT_TRUE(io.SetBand(0, true));
  ASSERT_TRUE(io.SelectInputNormal());
  ASSERT_TRUE(io.SetBand(1, false));
  ASSERT_TRUE(io.SetBand(1, false));
  ASSERT_TRUE(io.SelectInputA());
  ASSERT_TRUE(io.SelectInputB());
  ASSERT_TRUE(io.SetBandForFrequency(4e9));
  ASSERT_TRUE(io.SetBandForFrequency(3e9));
  EXPECT_EQ(Trace(fake.Events), (Lines{"I 21 02", "I 21 0A", "I 21 69", "I 21 79", "I 21 71", "I 21 12"}));
  EXPECT_EQ(io.MainboardPortShadow, 0x12);
}

// A direct port write of band bits tells the cache, so the next tuning changes band as needed.
TEST_F(FrequencyTest, DirectPortWriteUpdatesTheBandCache) {
  ASSERT_TRUE(io.SetMainboardPort(0x65));
  EXPECT_EQ(io.BandCache, 1);
  fake.Clear();
  ASSERT_TRUE(io.SetFrequency(1e9));
  EXPECT_EQ(Trace(fake.Events), (Lines{"I 21 06", "P 12 04 0F 00 00 00"}));
  ASSERT_TRUE(io.SetMainboardPort(0x0A));
  EXPECT_EQ(io.BandCache, 0);
}

TEST_F(FrequencyTest, MainVcoAndTunerWords) {
  struct Case {
    const char* name;
    std::function<bool(IOControl&)> call;
    Lines trace;
  };
  const Case cases[] = {
      {"low",
       [](IOControl& c) { return c.SetMainVCOLow(); },
       {"P 0B 20 00 01", "P 0B 77 B4 01", "P 0B 4F E0 01"}},
      {"high",
       [](IOControl& c) { return c.SetMainVCOHigh(); },
       {"P 0B 20 00 01", "P 0B 48 4B 01", "P 0B 50 1F 01"}},
      {"sweep tuner",
       [](IOControl& c) { return c.SetIFTunerSweep(27300000.0); },
       {"P 0B 20 00 04", "P 0B 42 8F 04", "P 0B 55 D7 04"}},
      {"audio tuner",
       [](IOControl& c) { return c.SetIFTunerAudio(27300000.0); },
       {"P 0B 20 00 05", "P 0B 42 8F 05", "P 0B 55 D7 05"}},
  };
  for (const auto& c : cases) {
    fake.Clear();
    ASSERT_TRUE(c.call(io)) << c.name;
    EXPECT_EQ(Trace(fake.Events), c.trace) << c.name;
  }
}

TEST_F(FrequencyTest, VcoReferenceOffsetRaisesTheClock) {
  io.VcoLowRefOffset = 80.0;  // one part per million: the word falls by about 66
  ASSERT_TRUE(io.SetMainVCOLow());
  const auto out = fake.ParOuts();
  const uint32_t word =
      uint32_t(out[1][1] & 0x3F) << 8 | out[1][2] | (uint32_t(out[2][1] & 0x3F) << 8 | out[2][2]) << 14;
  EXPECT_EQ(word, uint32_t(19848000.0 / ((80000080.0) / 268435456.0)));
}

TEST_F(FrequencyTest, SweepsAcrossTheBandSplit) {
  struct Case {
    const char* name;
    bool words;
    int count;
    uint8_t param;
    double start, step;
    Lines trace;
  };
  const Case cases[] = {
      {"across 5 GHz",
       false,
       1000,
       0,
       4.5e9,
       1e6,
       {"P 17 17 C0 00 00 00 00 A3 D7 01 F4 00", "R 500", "I 21 61", "P 17 0C 80 00 00 00 00 51 EB 01 F4 00",
        "R 500"}},
      {"ends at 5 GHz", false, 1000, 5, 4e9, 1e6, {"P 17 16 80 00 00 00 00 A3 D7 03 E8 05", "R 1000"}},
      {"above 5 GHz",
       false,
       1000,
       0,
       6e9,
       1e6,
       {"I 21 61", "P 17 0D C0 00 00 00 00 51 EB 03 E8 00", "R 1000"}},
      {"words across",
       true,
       1000,
       20,
       4.5e9,
       1e6,
       {"P 1D 17 C0 00 00 00 00 A3 D7 01 F4 14", "R 1000", "I 21 61", "P 1D 0C 80 00 00 00 00 51 EB 01 F4 14",
        "R 1000"}},
      {"split in the first step",
       false,
       10,
       0,
       4.9995e9,
       1e6,
       {"I 21 61", "P 17 0C 80 00 00 00 00 51 EB 00 0A 00", "R 10"}},
  };
  for (const auto& c : cases) {
    IOControl dev(0);
    fake.Clear();
    fake.Answers.clear();
    const size_t bytes = size_t(c.count) * (c.words ? 2 : 1);
    for (size_t i = 0; i < bytes; ++i) fake.Answers.push_back(uint8_t(i < bytes / 2 ? 1 : 2));
    std::vector<uint8_t> data(bytes + 1, 0);
    ASSERT_TRUE(c.words ? dev.SweepWords(c.count, c.param, c.start, c.step, data.data())
                        : dev.SweepBytes(c.count, c.param, c.start, c.step, data.data()))
        << c.name;
    EXPECT_EQ(Trace(fake.Events), c.trace) << c.name;
    EXPECT_EQ(data[bytes - 1], 2) << c.name;  // the second segment lands after the first
    EXPECT_EQ(data[bytes], 0) << c.name;
  }
}

TEST_F(FrequencyTest, SweepArgumentsRefused) {
  uint8_t data[8];
  EXPECT_FALSE(io.SweepWords(4, 3, 1e9, 1e6, data));
  EXPECT_FALSE(io.SweepBytes(4, 0, 1e9, 1e6, nullptr));
  EXPECT_FALSE(io.SweepBytes(0, 0, 1e9, 1e6, data));
  EXPECT_EQ(fake.Transfers, 0);
}

TEST_F(FrequencyTest, MeasureModeSetUpOrder) {
  ASSERT_TRUE(io.InitMeasureMode());
  const Lines expected = {
      "P 0B 00 C0 00", "P 0B 00 C0 01", "P 0B 00 C0 02",    "P 0B 00 C0 03", "P 0B 00 C0 04",
      "P 0B 00 C0 05", "P 13",          "P 11 01 00 00 04", "I 20 FF",       "I 21 08",
      "P 0B 20 00 01", "P 0B 77 B4 01", "P 0B 4F E0 01",    "I 22 09",       "I 23 09",
      "I 2D 00 00",    "I 2D 80 50",    "I 26 FF",          "P 02 00",       "P 0B 20 00 04",
      "P 0B 42 8F 04", "P 0B 55 D7 04", "P 0B 20 00 05",    "P 0B 42 8F 05", "P 0B 55 D7 05"};
  EXPECT_EQ(Trace(fake.Events), expected);
}

TEST_F(FrequencyTest, MeasureModeBand0WritesThePortAndTheCache) {
  ASSERT_TRUE(io.SetBand(1, true));
  fake.Clear();
  ASSERT_TRUE(io.InitMeasureModeBand0());
  EXPECT_EQ(Trace(fake.Events)[9], "I 21 0A");
  EXPECT_EQ(io.BandCache, 0);
  EXPECT_EQ(io.MainboardPortShadow, 0x0A);
}

TEST_F(FrequencyTest, VlfModeSetUp) {
  ASSERT_TRUE(io.InitVLFMode());
  const Lines expected = {"P 0B 00 C0 00", "P 0B 00 C0 01", "P 0B 00 C0 02", "P 0B 00 C0 03",
                          "P 0B 00 C0 04", "P 0B 00 C0 05", "I 22 04",       "I 23 04",
                          "I 2D 00 CD",    "I 2D 80 B4",    "I 26 7F",       "P 02 00"};
  EXPECT_EQ(Trace(fake.Events), expected);
}

// ---------------------------------------------------------------------------------------------
// Clock calibration against the LO feedthrough in the IF sweep.

std::vector<uint8_t> Plateau(int first, int last, uint8_t level) {
  std::vector<uint8_t> s(500, 70);
  for (int i = first; i <= last; ++i) s[size_t(i)] = level;
  return s;
}

TEST_F(FrequencyTest, CalibrationTakesTheMiddleOfTheMaximumPlateau) {
  struct Case {
    int first, last;
    double offset;
  };
  const Case cases[] = {
      {248, 251, 1600.0}, {250, 250, 0.0}, {262, 262, -19200.0}, {0, 3, 0.08 * 249 * 20000.0}};
  for (const auto& c : cases) {
    IOControl dev(0);
    dev.Dds400ClockOffset = 5.0;
    fake.Clear();
    const auto samples = Plateau(c.first, c.last, 200);
    fake.Answers.assign(samples.begin(), samples.end());
    ASSERT_TRUE(dev.CalibrateXO400()) << c.first;
    EXPECT_NEAR(dev.Dds400ClockOffset, c.offset, 1e-6) << c.first;
  }
}

TEST_F(FrequencyTest, CalibrationSequence) {
  const auto samples = Plateau(248, 251, 200);
  fake.Answers.assign(samples.begin(), samples.end());
  ASSERT_TRUE(io.CalibrateXO400());
  const Lines expected = {"P 0B 00 C0 00",
                          "P 0B 00 C0 01",
                          "P 0B 00 C0 02",
                          "P 0B 00 C0 03",
                          "P 0B 00 C0 04",
                          "P 0B 00 C0 05",
                          "I 20 E0",
                          "I 21 0A",
                          "P 13",
                          "P 11 01 00 00 04",
                          "P 0B 20 00 01",
                          "P 0B 48 4B 01",
                          "P 0B 50 1F 01",
                          "P 12 04 0C 80 00 00",
                          "P 02 00",
                          "I 22 03",
                          "P 14 04 75 C2 8F 01 06 24 01 F4 0A 04",
                          "R 500",
                          "I 20 FF"};
  EXPECT_EQ(Trace(fake.Events), expected);
  EXPECT_EQ(io.BandCache, 0);
  // The new offset moves the first LO: 0 Hz now tunes with a 400.0016 MHz clock.
  fake.Clear();
  ASSERT_TRUE(io.SetFrequency(0.0));
  EXPECT_EQ(Trace(fake.Events), (Lines{"P 12 04 0C 7F FC B9"}));
}

// Without a signal, or when a transfer fails, the offset in use before stays.
TEST_F(FrequencyTest, FailedCalibrationKeepsTheOffset) {
  io.Dds400ClockOffset = 321.0;
  const auto weak = Plateau(240, 260, 127);
  fake.Answers.assign(weak.begin(), weak.end());
  EXPECT_FALSE(io.CalibrateXO400());
  EXPECT_EQ(io.Dds400ClockOffset, 321.0);
  fake.Clear();
  fake.Answers.clear();  // the sweep answer never comes
  EXPECT_FALSE(io.CalibrateXO400());
  EXPECT_EQ(io.Dds400ClockOffset, 321.0);
}

TEST(IOSettingsTest, DefaultsInHertz) {
  IOSettings s;
  EXPECT_EQ(s.Center, 0.0);
  EXPECT_EQ(s.VlfSpan, 0.0);
  s.SetDefaults();
  EXPECT_EQ(s.Center, 500000000.0);
  EXPECT_EQ(s.Span, 1000000000.0);
  EXPECT_EQ(s.VlfCenter, 2500000.0);
  EXPECT_EQ(s.VlfSpan, 5000000.0);
}

// ---------------------------------------------------------------------------------------------
// The module vanishes after each possible number of transfers: the operation returns false, and
// the failed transfer is the last one attempted.
TEST_F(FrequencyTest, VanishedModuleStopsEveryOperationAtItsFirstFailedTransfer) {
  struct Case {
    const char* name;
    std::function<bool(IOControl&)> call;
    std::vector<uint8_t> answers = Plateau(248, 251, 200);
  };
  const Case cases[] = {
      {"InitMeasureMode", [](IOControl& c) { return c.InitMeasureMode(); }},
      {"InitVLFMode", [](IOControl& c) { return c.InitVLFMode(); }},
      {"SetFrequency", [](IOControl& c) { return c.SetFrequency(1e10); }},
      {"SweepBytes",
       [](IOControl& c) {
         std::vector<uint8_t> d(100);
         return c.SweepBytes(100, 0, 4.95e9, 1e6, d.data());
       }},
      {"CalibrateXO400", [](IOControl& c) { return c.CalibrateXO400(); }},
      {"CheckAkku", [](IOControl& c) { return c.CheckAkku(); }, {184, 90, 52}},
      {"SetIFFilter", [](IOControl& c) { return c.SetIFFilter(3); }},
      {"ShowValue",
       [](IOControl& c) {
         bool ok = false;
         return c.ShowValue(ok, 1.25);
       }},
  };
  for (const auto& c : cases) {
    for (int survive = 0;; ++survive) {
      IOControl dev(0);
      fake.Clear();
      fake.Answers.clear();
      fake.Answers.assign(c.answers.begin(), c.answers.end());
      fake.VanishAfter = survive;
      const bool result = c.call(dev);
      const int attempted = fake.Transfers;
      fake.VanishAfter = -1;
      if (attempted <= survive) {
        EXPECT_TRUE(result) << c.name;
        break;
      }
      EXPECT_FALSE(result) << c.name << " vanishing after " << survive;
      EXPECT_EQ(attempted, survive + 1) << c.name << " vanishing after " << survive;
    }
  }
}

}  // namespace
