// IOControl peripherals: the I2C chip map, sound processor, IF filters and trims, mainboard control
// word, current and temperature reads, health check, hand-probe LED bar and digits.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "FakeUsb2.h"

namespace {

using Bytes = std::vector<uint8_t>;
struct Write {
  uint8_t addr;
  Bytes bytes;
  bool operator==(const Write&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Write& w) {
  os << "0x" << std::hex << int(w.addr) << " {";
  for (uint8_t b : w.bytes) os << " 0x" << int(b);
  return os << " }" << std::dec;
}

class IOControlTest : public ::testing::Test {
 protected:
  FakeUsb2 fake;
  IOControl io{0};

  std::vector<Write> Writes() const {
    std::vector<Write> out;
    for (const auto& e : fake.I2CWrites()) out.push_back({e.address, e.bytes});
    return out;
  }
};

TEST_F(IOControlTest, ChipMapWrites) {
  struct Case {
    const char* name;
    std::function<bool(IOControl&)> call;
    std::vector<Write> writes;
  };
  const Case cases[] = {
      {"SetAttenuator 40", [](IOControl& c) { return c.SetAttenuator(40); }, {{0x20, {0xE0}}}},
      {"SetAttenuator 0", [](IOControl& c) { return c.SetAttenuator(0); }, {{0x20, {0xFF}}}},
      {"SetAttenuator 10", [](IOControl& c) { return c.SetAttenuator(10); }, {{0x20, {0xF5}}}},
      {"SetIFFilterPort 1 sweep", [](IOControl& c) { return c.SetIFFilterPort(1, 0); }, {{0x22, {9}}}},
      {"SetIFFilterPort 3 audio", [](IOControl& c) { return c.SetIFFilterPort(3, 1); }, {{0x23, {3}}}},
      {"SetVLFModule on", [](IOControl& c) { return c.SetVLFModule(true); }, {{0x26, {0x7F}}}},
      {"SetVLFModule off", [](IOControl& c) { return c.SetVLFModule(false); }, {{0x26, {0xFF}}}},
      {"InitAudioSpeaker", [](IOControl& c) { return c.InitAudioSpeaker(); }, {{0x70, {3, 0x80}}}},
      {"Speaker 1111001",
       [](IOControl& c) { return c.SetAudioSpeaker(1, 1, 1, 1, 0, 0, 1); },
       {{0x70, {1, 0x70}}}},
      {"Speaker 1111000",
       [](IOControl& c) { return c.SetAudioSpeaker(1, 1, 1, 1, 0, 0, 0); },
       {{0x70, {1, 0x30}}}},
      {"Speaker 1000001",
       [](IOControl& c) { return c.SetAudioSpeaker(1, 0, 0, 0, 0, 0, 1); },
       {{0x70, {1, 0x7E}}}},
      {"Speaker 0000000",
       [](IOControl& c) { return c.SetAudioSpeaker(0, 0, 0, 0, 0, 0, 0); },
       {{0x70, {1, 0x3F}}}},
      {"Speaker 0000011",
       [](IOControl& c) { return c.SetAudioSpeaker(0, 0, 0, 0, 0, 1, 1); },
       {{0x70, {1, 0x5F}}}},
      {"Speaker 0010100",
       [](IOControl& c) { return c.SetAudioSpeaker(0, 0, 1, 0, 1, 0, 0); },
       {{0x70, {1, 0x2B}}}},
      {"InitSoundPCA9539", [](IOControl& c) { return c.InitSoundPCA9539(); }, {{0x74, {6, 0, 0}}}},
      {"WriteSoundPCA9539",
       [](IOControl& c) { return c.WriteSoundPCA9539(0x0187); },
       {{0x74, {2, 0x87, 0x01}}}},
      {"WriteDualPot second",
       [](IOControl& c) { return c.WriteDualPot(0x2C, true, 77); },
       {{0x2C, {0x80, 77}}}},
      {"WriteDualPot first",
       [](IOControl& c) { return c.WriteDualPot(0x2C, false, 5); },
       {{0x2C, {0x00, 5}}}},
      {"Lowpass 20", [](IOControl& c) { return c.SetSoundProcLowpass(20); }, {{0x40, {5, 4}}}},
      {"Lowpass 128", [](IOControl& c) { return c.SetSoundProcLowpass(128); }, {{0x40, {5, 16}}}},
      {"Highpass 100", [](IOControl& c) { return c.SetSoundProcHighpass(100); }, {{0x40, {6, 12}}}},
      {"Highpass 40", [](IOControl& c) { return c.SetSoundProcHighpass(40); }, {{0x40, {6, 8}}}},
      {"InitSoundProc",
       [](IOControl& c) { return c.InitSoundProc(); },
       {{0x40, {0, 0}}, {0x40, {7, 0}}, {0x40, {2, 63}}, {0x40, {5, 16}}, {0x40, {6, 16}}}},
      {"Volume 200",
       [](IOControl& c) { return c.SetSoundProcVolume(200); },
       {{0x40, {0, 50}}, {0x40, {2, 50}}}},
      {"Demodulator type 0",
       [](IOControl& c) { return c.SetDemodulatorForFilter(0); },
       {{0x2D, {0x00, 0}}, {0x2D, {0x80, 10}}}},
      {"Demodulator type 1",
       [](IOControl& c) { return c.SetDemodulatorForFilter(1); },
       {{0x2D, {0x00, 0}}, {0x2D, {0x80, 80}}}},
      {"Demodulator type 2",
       [](IOControl& c) { return c.SetDemodulatorForFilter(2); },
       {{0x2D, {0x00, 56}}, {0x2D, {0x80, 180}}}},
      {"Demodulator type 3",
       [](IOControl& c) { return c.SetDemodulatorForFilter(3); },
       {{0x2D, {0x00, 205}}, {0x2D, {0x80, 80}}}},
      {"Demodulator type 4",
       [](IOControl& c) { return c.SetDemodulatorForFilter(4); },
       {{0x2D, {0x00, 205}}, {0x2D, {0x80, 180}}}},
      {"Demodulator type 5", [](IOControl& c) { return c.SetDemodulatorForFilter(5); }, {}},
      {"SetIFBandwidth 1",
       [](IOControl& c) { return c.SetIFBandwidth(1); },
       {{0x22, {9}}, {0x23, {9}}, {0x2D, {0x00, 0}}, {0x2D, {0x80, 80}}}},
      {"SetIndicator on",
       [](IOControl& c) { return c.SetIndicator(true); },
       {{0x77, {6, 0, 0}}, {0x77, {2, 0x00, 0x02}}}},
      {"SetFan on",
       [](IOControl& c) { return c.SetFan(true); },
       {{0x77, {6, 0, 0}}, {0x77, {2, 0x00, 0x05}}}},
      {"Control selector 15",
       [](IOControl& c) { return c.SetMainboardControl(15, 1, 0, 1, 0); },
       {{0x77, {6, 0, 0}}, {0x77, {2, 0x38, 0x05}}}},
  };
  for (const auto& c : cases) {
    IOControl fresh(0);
    fake.Clear();
    EXPECT_TRUE(c.call(fresh)) << c.name;
    std::vector<Write> got;
    for (const auto& e : fake.I2CWrites()) got.push_back({e.address, e.bytes});
    EXPECT_EQ(got, c.writes) << c.name;
  }
}

TEST(CurrentSense, SelectorCodes) {
  const uint8_t expected[] = {0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x04, 0x06, 0x07,
                              0x08, 0x10, 0x18, 0x20, 0x28, 0x30, 0x38, 0x00};
  for (int s = 0; s <= 16; ++s) EXPECT_EQ(CurrentSenseCode(s), expected[s]) << s;
  EXPECT_EQ(CurrentSenseCode(-1), 0x00);
}

TEST(Temperature, RawConversion) {
  EXPECT_NEAR(RawToTemperature(52), 25.647, 0.001);
  EXPECT_NEAR(RawToTemperature(55), 30.588, 0.001);
  EXPECT_GT(RawToTemperature(85), 80.0);
  EXPECT_LT(RawToTemperature(78), 70.0);
}

TEST_F(IOControlTest, CurrentSenseReadsChannelTwoThroughTheMultiplexer) {
  fake.Answer({51});
  double amps = 0;
  ASSERT_TRUE(io.ReadCurrentSense(10, &amps));
  EXPECT_DOUBLE_EQ(amps, 0.2);
  EXPECT_EQ(Writes(), (std::vector<Write>{{0x77, {6, 0, 0}}, {0x77, {2, 0x10, 0x01}}}));
  EXPECT_EQ(fake.ParOuts(), (std::vector<Bytes>{{2, 2}, {1}}));
  EXPECT_EQ(io.ADChannel, 2);
  EXPECT_FALSE(io.ReadCurrentSense(10, nullptr));
}

TEST_F(IOControlTest, TemperatureSensorsSelectFourteenAndFifteen) {
  fake.Answer({52, 55});
  double t0 = 0, t1 = 0;
  ASSERT_TRUE(io.ReadTemperature(0, &t0));
  ASSERT_TRUE(io.ReadTemperature(1, &t1));
  EXPECT_NEAR(t0, 25.647, 0.001);
  EXPECT_NEAR(t1, 30.588, 0.001);
  const auto w = Writes();
  EXPECT_EQ(w[1], (Write{0x77, {2, 0x30, 0x01}}));
  EXPECT_EQ(w[3], (Write{0x77, {2, 0x38, 0x01}}));
}

// Health check: battery on channel 3, then power-module and mainboard temperatures, then the
// channel in use before; the fan follows the power-module temperature with hysteresis.
TEST_F(IOControlTest, HealthCheckReadsAndRestores) {
  struct Case {
    uint8_t battery, powerRaw;
    uint8_t fanBefore;
    bool result;
    uint8_t fanAfter;
    bool fanWritten;
  };
  const Case cases[] = {
      {184, 52, 0, true, 0, true},   // cool: fan off
      {135, 52, 1, true, 0, true},   // lowest good battery; fan switched off below 70 degrees
      {134, 52, 0, false, 0, true},  // low battery
      {184, 85, 0, true, 1, true},   // above 80 degrees: fan on
      {184, 79, 1, true, 1, false},  // 70.1 degrees: unchanged
      {184, 79, 0, true, 0, false},
  };
  for (const auto& c : cases) {
    IOControl dev(0);
    dev.FanBit = c.fanBefore;
    dev.SelectADChannel(4);
    fake.Clear();
    fake.Answers.clear();
    fake.Answer({c.battery, c.powerRaw, 52});
    EXPECT_EQ(dev.CheckAkku(), c.result) << int(c.battery) << "/" << int(c.powerRaw);
    EXPECT_EQ(dev.BatteryLevel.load(), c.battery);
    EXPECT_NEAR(dev.PowerModuleTemperature.load(), RawToTemperature(c.powerRaw), 1e-9);
    EXPECT_NEAR(dev.MainboardTemperature.load(), RawToTemperature(52), 1e-9);
    EXPECT_EQ(dev.FanBit, c.fanAfter);
    const std::vector<Bytes> pic = {{2, 3}, {1}, {2, 2}, {1}, {2, 2}, {1}, {2, 4}};
    EXPECT_EQ(fake.ParOuts(), pic);
    EXPECT_EQ(dev.ADChannel, 4);
    EXPECT_EQ(Writes().size(), c.fanWritten ? 6u : 4u);
  }
}

TEST_F(IOControlTest, HealthCheckWithAFailedReadStopsBeforeRestoring) {
  io.SelectADChannel(0);
  fake.Clear();
  fake.Answer({184});  // the power-module temperature never comes
  EXPECT_FALSE(io.CheckAkku());
  EXPECT_EQ(fake.ParOuts().back(), (Bytes{1}));
  EXPECT_EQ(io.ADChannel, 2);
}

TEST_F(IOControlTest, HealthCheckFailsWhenTheDetectorChannelIsNotRestored) {
  io.SelectADChannel(0);
  fake.Clear();
  fake.Answer({184, 52, 52});
  fake.VanishAfter = 13;  // everything up to the restore of channel 0
  EXPECT_FALSE(io.CheckAkku());
  EXPECT_EQ(fake.Transfers, 14);
  EXPECT_EQ(Writes().size(), 4u);  // no fan write after the failed restore
  EXPECT_EQ(io.ADChannel, 2);
}

TEST_F(IOControlTest, BatteryLevelStartsFull) { EXPECT_EQ(io.BatteryLevel.load(), 255); }

// Ramps pump messages at each step and always end, also at the byte's limits.
TEST_F(IOControlTest, VolumeRampsEndAtTheLimits) {
  struct Case {
    bool up;
    uint8_t value;
    size_t steps;     // volume writes (two register writes each)
    uint8_t lastReg;  // last value in register 2
  };
  const Case cases[] = {{true, 255, 129, 63}, {true, 0, 2, 0},  {true, 5, 4, 1},
                        {false, 255, 129, 0}, {false, 0, 2, 0}, {false, 6, 5, 0}};
  for (const auto& c : cases) {
    fake.Clear();
    ASSERT_TRUE(c.up ? io.VolumeUp(c.value) : io.VolumeDown(c.value));
    const auto w = Writes();
    EXPECT_EQ(w.size(), c.steps * 2) << (c.up ? "up " : "down ") << int(c.value);
    EXPECT_EQ(w.back(), (Write{0x40, {2, c.lastReg}}));
  }
}

TEST_F(IOControlTest, VolumeKeepsTheTopBitsOfTheShadow) {
  io.VolumeShadow = 0xC5;
  ASSERT_TRUE(io.SetSoundProcVolume(8));
  EXPECT_EQ(io.VolumeShadow, 0xC2);
}

// Pot writes as (chip, channel, value), decoded from the serial pin trace.
std::vector<std::array<int, 3>> PotWrites(const std::vector<UsbEvent>& events) {
  std::vector<std::array<int, 3>> out;
  int chip = -1, word = 0, data = 0;
  for (const auto& e : events) {
    if (e.kind != UsbEvent::IOState) continue;
    const int pin = e.address, level = e.bytes[0];
    if (pin >= 18 && level == 0)
      chip = pin - 18, word = 0;
    else if (pin >= 18 && level == 1)
      out.push_back({chip, word >> 8, word & 0xFF});
    else if (pin == 17)
      data = level;
    else if (pin == 16 && level == 1)
      word = (word << 1) | data;
  }
  return out;
}

TEST_F(IOControlTest, FilterPathSelectsOneChannelOfTheLastChip) {
  using P = std::vector<std::array<int, 3>>;
  struct Case {
    int path, module;
    P pots;
  };
  const Case cases[] = {
      {0, 0, {{2, 1, 0}, {2, 2, 0}, {2, 3, 0}, {2, 1, 255}}},
      {1, 1, {{5, 1, 0}, {5, 2, 0}, {5, 3, 0}, {5, 2, 255}}},
      {2, 0, {{2, 1, 0}, {2, 2, 0}, {2, 3, 0}, {2, 3, 255}}},
      {3, 1, {{5, 1, 0}, {5, 2, 0}, {5, 3, 0}}},
  };
  for (const auto& c : cases) {
    fake.Clear();
    ASSERT_TRUE(io.SelectFilterPath(c.path, c.module));
    EXPECT_EQ(PotWrites(fake.Events), c.pots) << c.path << "/" << c.module;
  }
}

TEST_F(IOControlTest, FilterTrimGoesToThreeChipsPerModule) {
  uint8_t record[18];
  for (int i = 0; i < 18; ++i) record[i] = uint8_t(10 + i);
  using P = std::vector<std::array<int, 3>>;
  ASSERT_TRUE(io.SetFilterTrim(1, record));
  EXPECT_EQ(PotWrites(fake.Events), (P{{4, 0, 10},
                                       {4, 1, 11},
                                       {4, 2, 12},
                                       {4, 3, 13},
                                       {3, 0, 14},
                                       {3, 1, 15},
                                       {3, 2, 16},
                                       {3, 3, 17},
                                       {5, 0, 18}}));
  fake.Clear();
  ASSERT_TRUE(io.SetFilterTrim(0, record));
  EXPECT_EQ(PotWrites(fake.Events)[0], (std::array<int, 3>{1, 0, 10}));
  EXPECT_EQ(PotWrites(fake.Events)[8], (std::array<int, 3>{2, 0, 18}));
  fake.Clear();
  EXPECT_TRUE(io.SetFilterTrim(0, nullptr));
  EXPECT_EQ(fake.Transfers, 0);
}

TEST_F(IOControlTest, FilterRecordsAreEighteenBytesOverThePic) {
  uint8_t record[18];
  for (int i = 0; i < 18; ++i) record[i] = uint8_t(i * 3);
  ASSERT_TRUE(io.WriteFilterRecord(4, record));
  Bytes frame = {13, 4};
  frame.insert(frame.end(), record, record + 18);
  EXPECT_EQ(fake.ParOuts(), (std::vector<Bytes>{frame}));

  fake.Clear();
  fake.Answers.assign(record, record + 18);
  uint8_t back[18] = {};
  ASSERT_TRUE(io.ReadFilterRecord(4, back));
  EXPECT_EQ(Bytes(back, back + 18), Bytes(record, record + 18));
  EXPECT_EQ(fake.ParOuts(), (std::vector<Bytes>{{14, 4}}));
  EXPECT_FALSE(io.ReadFilterRecord(4, nullptr));
}

TEST_F(IOControlTest, NarrowFilterLoadsTheRecordPairOfItsType) {
  struct Case {
    int type;
    uint8_t sweepRecord, audioRecord;
  };
  for (const Case c : {Case{2, 0, 3}, Case{3, 1, 4}, Case{4, 2, 5}}) {
    fake.Clear();
    fake.AnswerFill(18, 7);
    fake.AnswerFill(18, 9);
    ASSERT_TRUE(io.SetIFFilter(c.type));
    EXPECT_EQ(fake.ParOuts(), (std::vector<Bytes>{{14, c.sweepRecord}, {14, c.audioRecord}}));
    const auto pots = PotWrites(fake.Events);
    ASSERT_EQ(pots.size(), 8u + 18u);
    EXPECT_EQ(pots[3], (std::array<int, 3>{2, 3, 255}));
    EXPECT_EQ(pots[7], (std::array<int, 3>{5, 3, 255}));
    EXPECT_EQ(pots[8], (std::array<int, 3>{1, 0, 7}));
    EXPECT_EQ(pots[17], (std::array<int, 3>{4, 0, 9}));
  }
  fake.Clear();
  ASSERT_TRUE(io.SetIFFilter(1));
  EXPECT_TRUE(fake.ParOuts().empty());
  EXPECT_EQ(PotWrites(fake.Events).size(), 8u);
}

TEST_F(IOControlTest, DevicePowerOnPinOne) {
  ASSERT_TRUE(io.SetDevicePower(true));
  ASSERT_TRUE(io.SetDevicePower(false));
  const std::vector<UsbEvent> expected = {{UsbEvent::IODir, 1, {1}},
                                          {UsbEvent::IOState, 1, {1}},
                                          {UsbEvent::IODir, 1, {1}},
                                          {UsbEvent::IOState, 1, {0}}};
  EXPECT_EQ(fake.Events, expected);
}

TEST_F(IOControlTest, ExpanderReadSetsThePointerFirst) {
  fake.ChipValues[0x70] = 0x80;
  uint8_t v = 0;
  ASSERT_TRUE(io.ReadIOExpander(0x70, &v));
  EXPECT_EQ(v, 0x80);
  const std::vector<UsbEvent> expected = {{UsbEvent::I2CWrite, 0x70, {0}}, {UsbEvent::I2CRead, 0x70, {}}};
  EXPECT_EQ(fake.Events, expected);
}

// ---------------------------------------------------------------------------------------------
// Hand probe

TEST_F(IOControlTest, LedBarIsActiveLow) {
  struct Case {
    int n;
    Bytes ports;
  };
  const Case cases[] = {{9, {0x00, 0xFE, 0xFF, 0xFF}},  {0, {0xFF, 0xFF, 0xFF, 0xFF}},
                        {33, {0xFF, 0xFF, 0xFF, 0xFF}}, {32, {0x00, 0x00, 0x00, 0x00}},
                        {31, {0x00, 0x00, 0x00, 0x80}}, {1, {0xFE, 0xFF, 0xFF, 0xFF}},
                        {-3, {0xFF, 0xFF, 0xFF, 0xFF}}};
  for (const auto& c : cases) {
    fake.Clear();
    bool ok = false;
    ASSERT_TRUE(io.SetLedBar(c.n, ok)) << c.n;
    EXPECT_TRUE(ok);
    EXPECT_EQ(Writes(),
              (std::vector<Write>{
                  {0x38, {c.ports[0]}}, {0x39, {c.ports[1]}}, {0x3A, {c.ports[2]}}, {0x3B, {c.ports[3]}}}))
        << c.n;
  }
}

TEST_F(IOControlTest, AbsentProbeStopsTheBarAndReportsNotOk) {
  io.LastI2CError = 0x21;  // an earlier failure elsewhere must not count
  fake.AbsentChips = {0x39};
  bool ok = true;
  EXPECT_TRUE(io.SetLedBar(12, ok));
  EXPECT_FALSE(ok);
  EXPECT_EQ(Writes().size(), 2u);
}

std::string Latched(const std::vector<UsbEvent>& events) {
  // Simulates the display: the data port holds the character, a low pulse of bit 2 latches it at the
  // addressed position (3, 1, 2, 0 for positions 0..3), a low pulse of bit 3 clears all.
  std::string shown = "    ";
  uint8_t data = ' ', control = 0xFF;
  static const int PositionOfAddress[4] = {3, 1, 2, 0};
  for (const auto& e : events) {
    if (e.kind != UsbEvent::I2CWrite) continue;
    if (e.address == 0x3C) data = e.bytes[0];
    if (e.address == 0x3D) {
      const uint8_t next = e.bytes[0];
      if ((control & 0x04) == 0 && (next & 0x04)) shown[size_t(PositionOfAddress[next & 3])] = char(data);
      if ((control & 0x08) == 0 && (next & 0x08)) shown = "    ";
      control = next;
    }
  }
  return shown;
}

TEST_F(IOControlTest, ShowValueTexts) {
  struct Case {
    double value;
    const char* shown;
  };
  const Case cases[] = {{3.14159, "3.14"}, {9.999, "10.0"}, {12.3, "+err"},
                        {-0.01, "-err"},   {0.0, "0.00"},   {10.0, "+err"}};
  for (const auto& c : cases) {
    fake.Clear();
    bool ok = false;
    ASSERT_TRUE(io.ClearDigits(ok));
    ASSERT_TRUE(io.ShowValue(ok, c.value));
    EXPECT_TRUE(ok);
    EXPECT_EQ(Latched(fake.Events), c.shown) << c.value;
  }
}

TEST_F(IOControlTest, ShowValueOfNotANumberStaysWithinFourCharacters) {
  bool ok = false;
  ASSERT_TRUE(io.ShowValue(ok, std::nan("")));
  EXPECT_EQ(fake.Of(UsbEvent::I2CWrite).size() % 3, 0u);
}

TEST_F(IOControlTest, WriteDigitAddressesAndStrobes) {
  bool ok = false;
  ASSERT_TRUE(io.WriteDigit(0, 'A', ok));
  EXPECT_EQ(Writes(), (std::vector<Write>{{0x3C, {'A'}}, {0x3D, {0x03}}, {0x3D, {0x07}}}));
  fake.Clear();
  EXPECT_TRUE(io.WriteDigit(4, 'B', ok));
  EXPECT_EQ(fake.Transfers, 0);
}

TEST_F(IOControlTest, ClearDigitsPulsesBitThreeLow) {
  io.DigitControlValue = 0x9C;
  bool ok = false;
  ASSERT_TRUE(io.ClearDigits(ok));
  EXPECT_TRUE(ok);
  EXPECT_EQ(Writes(), (std::vector<Write>{{0x3D, {0x94}}, {0x3D, {0x9C}}}));
  fake.Clear();
  fake.AbsentChips = {0x3D};
  ASSERT_TRUE(io.ClearDigits(ok));
  EXPECT_FALSE(ok);
  EXPECT_EQ(Writes().size(), 1u);
}

}  // namespace
