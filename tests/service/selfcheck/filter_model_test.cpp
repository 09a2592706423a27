// The simulated IF filters follow their trims: a module's filter of type 2..4 takes the stored
// record of that type when the type is selected and any trim written to its pots afterwards; the
// response is a smooth function of the nine trims with its optimum at the healthy record.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <vector>

#include "device/InOut.h"
#include "sim/Instrument.h"
#include "tests/support/SimInstrument.h"

namespace {

class FilterModelTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { siminstrument::Bind(); }
  static void TearDownTestSuite() { siminstrument::Unbind(); }

  void SetUp() override {
    ASSERT_TRUE(siminstrument::Load(""));
    io = std::make_unique<IOControl>(0);
    ASSERT_TRUE(siminstrument::PowerUp(*io) && io->AllDDSOff());
    ASSERT_TRUE(io->SetIFBandwidth(3));
  }
  void TearDown() override { io.reset(); }

  // The sweep module's response around 10.7 MHz (point 100) in 6 kHz steps, as its test generator
  // and detector see it.
  std::vector<uint8_t> Response() {
    std::vector<uint8_t> s(200);
    double stop = 0.0;
    EXPECT_TRUE(io->SelectADChannel(0));
    EXPECT_TRUE(io->SweepShort(200, 30, 10100000.0, 6000.0, 80000000.0, 2, &stop, s.data()));
    return s;
  }
  int LevelAtCentre() { return Response()[100]; }
  // Centre of the points above the half-way level.
  static int PeakIndex(const std::vector<uint8_t>& s) {
    const int top = *std::max_element(s.begin(), s.end());
    const int half = (top + 70) / 2;
    int first = -1, last = -1;
    for (int i = 0; i < int(s.size()); ++i)
      if (s[size_t(i)] > half) {
        if (first < 0) first = i;
        last = i;
      }
    return (first + last) / 2;
  }
  static std::array<uint8_t, 9> Healthy() {
    std::array<uint8_t, 9> r;
    r.fill(128);
    return r;
  }
  void Trim(const std::array<uint8_t, 9>& r) { ASSERT_TRUE(io->SetFilterTrim(0, r.data())); }

  std::unique_ptr<IOControl> io;
};

}  // namespace

TEST_F(FilterModelTest, HealthyRecordIsCentredAtFullLevel) {
  const std::vector<uint8_t> s = Response();
  EXPECT_NEAR(PeakIndex(s), 100, 1);
  EXPECT_GE(s[100], 230);
  EXPECT_LE(s[0], 72);
  EXPECT_LE(s[199], 72);
}

TEST_F(FilterModelTest, CentreTrimsMoveTheResponseUpInFrequency) {
  int previous = -1;
  for (int step : {-24, -12, 0, 12, 24}) {
    std::array<uint8_t, 9> r = Healthy();
    for (int s = 0; s < 4; ++s) r[size_t(s)] = uint8_t(128 + step);
    Trim(r);
    const int peak = PeakIndex(Response());
    EXPECT_GT(peak, previous) << step;
    previous = peak;
  }
}

TEST_F(FilterModelTest, EveryTrimHasItsOptimumAtTheHealthyRecord) {
  Trim(Healthy());
  const int best = LevelAtCentre();
  // One section's centre, or the gain, away from 128 in either direction costs level.
  for (size_t trim : {size_t(0), size_t(3), size_t(8)})
    for (int step : {-48, 48}) {
      std::array<uint8_t, 9> r = Healthy();
      r[trim] = uint8_t(128 + step);
      Trim(r);
      EXPECT_LT(LevelAtCentre(), best - 3) << trim << " " << step;
    }
}

TEST_F(FilterModelTest, ResponseIsSmoothInEveryTrim) {
  // A step of one in any trim changes the level at the centre by no more than the detector's jitter
  // plus a fraction of a count.
  for (size_t trim = 0; trim < 9; ++trim) {
    std::array<uint8_t, 9> r = Healthy();
    r[trim] = 140;
    Trim(r);
    const int a = LevelAtCentre();
    r[trim] = 141;
    Trim(r);
    EXPECT_LE(std::abs(LevelAtCentre() - a), 3) << trim;
  }
}

TEST_F(FilterModelTest, LowerLevelTrimsNarrowTheResponse) {
  auto width = [&](uint8_t level) {
    std::array<uint8_t, 9> r = Healthy();
    for (size_t s = 4; s < 8; ++s) r[s] = level;
    Trim(r);
    const std::vector<uint8_t> s = Response();
    return std::count_if(s.begin(), s.end(), [](uint8_t v) { return v > 150; });
  };
  EXPECT_LT(width(64), width(128));
  EXPECT_LT(width(128), width(192));
}

TEST_F(FilterModelTest, SelectingATypeLoadsItsStoredRecord) {
  std::array<uint8_t, 18> detuned{};
  std::fill(detuned.begin(), detuned.begin() + 9, uint8_t{128});
  for (size_t s = 0; s < 4; ++s) detuned[s] = 168;
  ASSERT_TRUE(io->WriteFilterRecord(1, detuned.data()));  // type 3 of the sweep module
  EXPECT_NEAR(PeakIndex(Response()), 100, 1);             // not before the type is selected again
  ASSERT_TRUE(io->SetIFBandwidth(3));
  EXPECT_GT(PeakIndex(Response()), 110);
  Trim(Healthy());  // trims written afterwards rule
  EXPECT_NEAR(PeakIndex(Response()), 100, 1);
}

TEST(FilterScenarioKeys, BadValuesAreReportedAndIgnored) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"[faults]\ndetune_record.6=10\n", "bad record number"},
      {"[faults]\ndetune_record.1=300\n", "detune_record.1"},
      {"[faults]\nbad_sound_bank=3\n", "bad_sound_bank"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> messages;
    EXPECT_FALSE(usb2sim::LoadScenarioText(c.text, &messages)) << c.text;
    ASSERT_EQ(messages.size(), 1u) << c.text;
    EXPECT_NE(messages[0].find(c.message), std::string::npos) << messages[0];
    EXPECT_EQ(usb2sim::GetState().filterRecords[1][0], 128);  // the default record stands
  }
  usb2sim::LoadScenarioText("[faults]\ndetune_record.1=-200\n");
  EXPECT_EQ(usb2sim::GetState().filterRecords[1][0], 0);    // clamped
  EXPECT_EQ(usb2sim::GetState().filterRecords[1][4], 128);  // only the centre trims move
  usb2sim::LoadScenarioText("");
}
