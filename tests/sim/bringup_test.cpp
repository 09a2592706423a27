// The instrument answers the program's bring-up, mode set-up, health check and clock
// calibration end to end, driven call by call as the device layer makes them.
#include "SimCaller.h"

#include <algorithm>
#include <cstring>
#include <optional>

using namespace simtest;

namespace {

void DdsOff(uint8_t dds) { ASSERT_TRUE(Out({11, 0x00, 0xC0, dds})); }

// Polling tick and the bring-up routine, as the main window runs them.
void BringUp() {
  ASSERT_TRUE(UsbInit(0));
  UsbParInit(0, 8);
  ASSERT_TRUE(UsbSetIODir(0, 0, 1));
  ASSERT_TRUE(UsbSetIOState(0, 0, 0));
  ASSERT_TRUE(UsbSetIOState(0, 0, 1));
  ASSERT_TRUE(UsbSetIODir(0, 0, 0));

  ASSERT_TRUE(UsbDevicePresent(0));
  ASSERT_TRUE(UsbInit(0));
  ASSERT_TRUE(UsbSetIODir(0, 1, 1));
  ASSERT_TRUE(UsbSetIOState(0, 1, 1));
  ASSERT_TRUE(UsbParInit(0, 8));
  for (uint8_t n = 0; n < 6; ++n) DdsOff(n);
  ASSERT_TRUE(I2C(0x70, {3, 0x80}));
  for (const Bytes& reg : {Bytes{0, 0}, Bytes{7, 0}, Bytes{2, 63}, Bytes{5, 16}, Bytes{6, 16}})
    ASSERT_TRUE(I2C(0x40, reg));
  ASSERT_TRUE(I2C(0x74, {6, 0, 0}));
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x21, 0x02));
  for (uint8_t cell = 30; cell <= 45; ++cell) {
    ASSERT_TRUE(Out({32, cell}));
    ASSERT_EQ(In(1).size(), 1u);
  }
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x22, 0xFF));
}

uint16_t PicVersion() {
  if (!Out({5})) return 0;
  const Bytes v = In(2);
  return v.size() == 2 ? static_cast<uint16_t>(v[0] * 256 + v[1]) : 0;
}

// InitMeasureMode as the device object runs it.
void InitMeasureMode() {
  for (uint8_t n = 0; n < 6; ++n) DdsOff(n);
  ASSERT_TRUE(Out({19}));
  ASSERT_TRUE(Out({17, 1, 0, 0, 4}));
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x20, 0xFF));
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x21, 0x0A));
  SetDds(1, 20e6 + (4.962e9 - 5e9) / 250);
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x22, 9));
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x23, 9));
  ASSERT_TRUE(I2C(0x2D, {0x00, 0}));
  ASSERT_TRUE(I2C(0x2D, {0x80, 80}));
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x26, 0xFF));
  ASSERT_TRUE(Out({2, 0}));
  SetDds(4, 27.3e6);
  SetDds(5, 27.3e6);
}

// CheckAkku: battery on channel 3, both temperatures through the multiplexer on channel 2.
bool CheckAkku(uint8_t& battery, uint8_t& tempPower, uint8_t& tempMain) {
  auto read = [](uint8_t& out) {
    if (!Out({1})) return false;
    const Bytes b = In(1);
    if (b.size() != 1) return false;
    out = b[0];
    return true;
  };
  if (!Out({2, 3}) || !read(battery)) return false;
  if (!I2C(0x77, {6, 0, 0}) || !I2C(0x77, {2, 0x38, 0x01}) || !Out({2, 2}) || !read(tempPower)) return false;
  if (!I2C(0x77, {6, 0, 0}) || !I2C(0x77, {2, 0x30, 0x01}) || !Out({2, 2}) || !read(tempMain)) return false;
  Out({2, 0});
  return battery > 134;
}

TEST(SimBringUp, LinkComesUpAndTheAnalyserSeesTheScene) {
  Fresh();
  BringUp();
  EXPECT_NE(PicVersion(), 0) << "the link criterion";

  auto s = usb2sim::GetState();
  EXPECT_TRUE(s.powered);
  for (const auto& d : s.dds) EXPECT_FALSE(d.on);
  EXPECT_EQ(s.speakerPort, 0);
  EXPECT_EQ(s.soundProcessor[2], 63);
  EXPECT_EQ(s.soundProcessor[5], 16);
  EXPECT_EQ(s.band, 0);
  EXPECT_EQ(s.ifPortSweep, 0xFF);
  EXPECT_EQ(s.lastError, 0);

  // main window creation: presence, version again, distributor cell
  ASSERT_TRUE(UsbDevicePresent(0));
  EXPECT_NE(PicVersion(), 0);
  ASSERT_TRUE(Out({32, 50}));
  EXPECT_EQ(In(1), Bytes{0});

  InitMeasureMode();
  s = usb2sim::GetState();
  EXPECT_EQ(s.input, 0);
  EXPECT_EQ(s.attenuatorDb, 0);
  EXPECT_EQ(s.ifFilter, (std::array<int, 2>{1, 1}));
  EXPECT_FALSE(s.vlfOn);

  // 0-1 GHz in 1 MHz steps: the default emitters at 433.92 and 868.3 MHz stand out
  const Bytes sweep = Sweep400(0, 1e6, 1000, 5);
  ASSERT_EQ(sweep.size(), 1000u);
  EXPECT_GT(sweep[434], 150);
  EXPECT_GT(sweep[868], 150);
  EXPECT_LT(sweep[650], 80);

  uint8_t battery = 0, tp = 0, tm = 0;
  EXPECT_TRUE(CheckAkku(battery, tp, tm));
  EXPECT_EQ(battery, 184);
  EXPECT_EQ(tp, 55);
  EXPECT_EQ(tm, 52);
  const double celsius = (tm * 0.01647058823529412 - 0.6) * 100;
  EXPECT_GT(celsius, -10);
  EXPECT_LT(celsius, 70) << "fan stays off";
}

TEST(SimBringUp, DistributorCellFromTheScenario) {
  Fresh("[eeprom]\ncell.50=1\n");
  BringUp();
  ASSERT_TRUE(Out({32, 50}));
  EXPECT_EQ(In(1), Bytes{1});
}

// The 400 MHz clock calibration: returns the offset the program would compute, or nothing.
std::optional<double> CalibrateXO400() {
  for (uint8_t n = 0; n < 6; ++n)
    if (!Out({11, 0x00, 0xC0, n})) return std::nullopt;
  if (!UsbI2CWriteByte(0, 0x20, 0xE0) || !UsbI2CWriteByte(0, 0x21, 0x0A)) return std::nullopt;
  if (!Out({19}) || !Out({17, 1, 0, 0, 4})) return std::nullopt;
  SetDds(1, 20e6 + (5.038e9 - 5e9) / 250);
  if (!Out({18, 4, 0x0C, 0x80, 0x00, 0x00}) || !Out({2, 0}) || !UsbI2CWriteByte(0, 0x22, 3))
    return std::nullopt;
  if (!Out({20, 0x04, 0x75, 0xC2, 0x8F, 0x01, 0x06, 0x24, 0x01, 0xF4, 0x0A, 0x04})) return std::nullopt;
  const Bytes s = In(500);
  if (s.size() != 500) return std::nullopt;
  const uint8_t top = *std::max_element(s.begin(), s.end());
  if (top < 128) return std::nullopt;
  size_t first = 500, last = 0;
  for (size_t i = 0; i < s.size(); ++i)
    if (s[i] == top) {
      first = std::min(first, i);
      last = std::max(last, i);
    }
  const int mid = static_cast<int>((first + last) * 0.5);
  const double d = (250 - mid) * 20000.0;
  return 0.08 * d;
}

TEST(SimBringUp, ClockCalibrationFindsTheTrueClockError) {
  struct Case {
    const char* scenario;
    std::optional<double> offset;
  };
  const std::vector<Case> cases = {
      {"", 0.0},
      {"[scene]\nxo400_error_hz=1600\n", 1600.0},
      {"[scene]\nxo400_error_hz=-3200\n", -3200.0},
      {"[scene]\nxo400_error_hz=4800\n[device]\nseed=77\n", 4800.0},
      {"[scene]\nzero_hz_signal=0\n", std::nullopt},
  };
  for (const auto& c : cases) {
    Fresh(c.scenario);
    BringUp();
    const auto offset = CalibrateXO400();
    ASSERT_EQ(offset.has_value(), c.offset.has_value()) << c.scenario;
    if (offset) {
      EXPECT_DOUBLE_EQ(*offset, *c.offset) << c.scenario;
    }
  }
}

// One pass of the 400 MHz drift check: receiver at 0 Hz in band 0 with the given clock offset,
// a 2000-point sweep of the detail filter in 5 kHz steps; returns the deviation in Hz (the first
// of equal maxima counts; index 999 means none).
double DriftPass(double offset) {
  InitMeasureMode();
  const uint32_t word = static_cast<uint32_t>(19531250.0 / ((400e6 + offset) / 4294967296.0));
  Bytes frame{18, 4};
  for (uint8_t b : Be32(word)) frame.push_back(b);
  EXPECT_TRUE(Out(frame));
  EXPECT_TRUE(UsbI2CWriteByte(0, 0x22, 3));
  EXPECT_TRUE(UsbI2CWriteByte(0, 0x23, 3));
  EXPECT_TRUE(Out({2, 0}));
  const Bytes s = Sweep28(4, 22.3e6, 5e3, 2000);
  EXPECT_EQ(s.size(), 2000u);
  int top = 0;
  size_t peak = 99;
  for (size_t i = 0; i < s.size(); ++i)
    if (s[i] > top) {
      top = s[i];
      peak = i;
    }
  return static_cast<double>(peak) * 5000.0 - 4995000.0;
}

TEST(SimBringUp, DriftCheckMeasuresTheClockErrorAndConverges) {
  struct Case {
    double errorHz;
    double firstDeviation;
  };
  for (const Case& c : std::vector<Case>{{0, 0}, {1600, 20000}, {-800, -10000}, {4000, 50000}}) {
    Fresh("[scene]\nxo400_error_hz=" + std::to_string(c.errorHz) + "\n");
    BringUp();
    const double d = DriftPass(0.0);
    EXPECT_DOUBLE_EQ(d, c.firstDeviation) << c.errorHz;
    const double offset = ((d * 0.00390625 + 19531250) * 4.76837158203125e-9) * 4294967296.0 - 400000000.0;
    EXPECT_NEAR(offset, c.errorHz, 1e-3) << c.errorHz;
    EXPECT_DOUBLE_EQ(DriftPass(offset), 0.0) << c.errorHz << ": the second pass finds no drift";
  }
}

}  // namespace
