// Byte-exact behaviour of the instrument's command protocol: tuning words, EEPROM cells and
// records, AD commands, I2C chips, the probe display and the pot bus.
#include "SimCaller.h"

#include <cstring>

using namespace simtest;

namespace {

struct DdsFrames {
  const char* name;
  uint8_t dds;
  std::vector<uint16_t> words;
  uint32_t expectedWord;
  double expectedHz;
};

TEST(SimProtocol, TuningWordsDecodeToFrequencies) {
  const std::vector<DdsFrames> cases = {
      {"IF tuner 27.3 MHz", 4, {0x2000, 0x428F, 0x55D7}, 91603599, 27.3e6},
      {"main VCO low reference", 1, {0x2000, 0x77B4, 0x4FE0}, 66598836, 19848000},
      {"main VCO high reference", 1, {0x2000, 0x484B, 0x501F}, 67618891, 20152000},
      {"audio tuner", 5, {0x2000, 0x428F, 0x55D7}, 91603599, 27.3e6},
  };
  for (const auto& c : cases) {
    Fresh();
    for (uint16_t w : c.words)
      ASSERT_TRUE(Out({11, static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(w & 0xFF), c.dds})) << c.name;
    const usb2sim::State s = usb2sim::GetState();
    EXPECT_TRUE(s.dds[c.dds].on) << c.name;
    EXPECT_EQ(s.dds[c.dds].word, c.expectedWord) << c.name;
    EXPECT_NEAR(s.dds[c.dds].frequencyHz, c.expectedHz, 0.3) << c.name;
  }
}

TEST(SimProtocol, DdsOffWordStopsTheOutputAndKeepsTheTuning) {
  Fresh();
  SetDds(4, 27.3e6);
  ASSERT_TRUE(Out({11, 0x00, 0xC0, 4}));
  const auto s = usb2sim::GetState();
  EXPECT_FALSE(s.dds[4].on);
  EXPECT_EQ(s.dds[4].word, 91603599u);
}

TEST(SimProtocol, Dds400RegisterWritesAndFastTuning) {
  Fresh();
  ASSERT_TRUE(Out({18, 4, 0x0C, 0x80, 0x00, 0x00}));
  auto s = usb2sim::GetState();
  EXPECT_EQ(s.dds400Word, 209715200u);
  EXPECT_DOUBLE_EQ(s.dds400Hz, 19531250.0);

  ASSERT_TRUE(Out({24, 0x0F, 0x00, 0x00, 0x00}));  // fast write, same word layout
  EXPECT_DOUBLE_EQ(usb2sim::GetState().dds400Hz, 23437500.0);

  ASSERT_TRUE(Out({17, 1, 0, 0, 4}));  // control register
  EXPECT_EQ(usb2sim::GetState().dds400Control, 4u);
  ASSERT_TRUE(Out({19}));  // reset
  s = usb2sim::GetState();
  EXPECT_EQ(s.dds400Word, 0u);
  EXPECT_EQ(s.dds400Control, 0u);
  EXPECT_EQ(s.dds400Resets, 1u);
}

TEST(SimProtocol, FrequencyPlanFramesTuneTheReceiver) {
  struct Case {
    uint8_t port;
    Bytes frame;
    double expectedHz;
    int band;
  };
  const std::vector<Case> cases = {
      {0x0A, {18, 4, 0x0C, 0x80, 0x00, 0x00}, 0.0, 0},
      {0x0A, {18, 4, 0x0F, 0x00, 0x00, 0x00}, 1e9, 0},
      {0x0A, {18, 4, 0x19, 0x00, 0x00, 0x00}, 5e9, 0},
      {0x69, {18, 4, 0x12, 0xC0, 0x00, 0x00}, 1e10, 1},
      {0x69, {18, 4, 0x19, 0x00, 0x00, 0x00}, 15e9, 1},
      {0x65, {18, 4, 0x12, 0xC0, 0x00, 0x00}, 1e10, 1},  // written directly by the locate views
  };
  for (const auto& c : cases) {
    Fresh();
    MeasureMode();
    ASSERT_TRUE(UsbI2CWriteByte(0, 0x21, c.port));
    ASSERT_TRUE(Out(c.frame));
    const auto s = usb2sim::GetState();
    EXPECT_EQ(s.band, c.band) << c.expectedHz;
    EXPECT_NEAR(s.receiveHz, c.expectedHz, 200.0) << c.expectedHz;
  }
}

TEST(SimProtocol, SweepHeadersAnswerTheirCountsAndLeaveTheLastPoint) {
  struct Case {
    const char* name;
    uint8_t port;
    Bytes header;
    size_t answer;
  };
  const std::vector<Case> cases = {
      {"0-1 GHz byte sweep", 0x0A, {0x17, 0x0C, 0x80, 0, 0, 0, 0, 0xA3, 0xD7, 0x03, 0xE8, 0x05}, 1000},
      {"band 1 from 5 GHz", 0x69, {0x17, 0x0C, 0x80, 0, 0, 0, 0, 0x51, 0xEB, 0x03, 0xE8, 0x05}, 1000},
      {"word sweep 400", 0x0A, {29, 0x0C, 0x80, 0, 0, 0, 0, 0xA3, 0xD7, 0x00, 0xC8, 100}, 400},
      {"calibration sweep",
       0x0A,
       {20, 0x04, 0x75, 0xC2, 0x8F, 0x01, 0x06, 0x24, 0x01, 0xF4, 0x0A, 0x04},
       500},
      {"narrow detail sweep",
       0x0A,
       {20, 0x04, 0x75, 0xC2, 0x8F, 0x00, 0x83, 0x12, 0x03, 0xE8, 0x00, 0x04},
       1000},
      {"min/max narrow sweep",
       0x0A,
       {30, 0x04, 0x75, 0xC2, 0x8F, 0x00, 0x83, 0x12, 0x03, 0xE8, 8, 0x04},
       2000},
      {"short sweep", 0x0A, {12, 0x01, 0x66, 0x66, 0x66, 0x00, 0x0A, 0x7C, 250, 0, 2}, 250},
  };
  for (const auto& c : cases) {
    Fresh();
    MeasureMode();
    ASSERT_TRUE(UsbI2CWriteByte(0, 0x21, c.port));
    ASSERT_TRUE(Out(c.header)) << c.name;
    const Bytes answer = In(c.answer);
    ASSERT_EQ(answer.size(), c.answer) << c.name;
    uint8_t extra = 0;
    EXPECT_EQ(UsbParIn(0, &extra, 1), 0) << c.name << ": nothing beyond the implied length";
  }
  // the DDS stays on the last point of the sweep
  Fresh();
  MeasureMode();
  ASSERT_TRUE(Out({0x17, 0x0C, 0x80, 0, 0, 0, 0, 0xA3, 0xD7, 0x03, 0xE8, 0x05}));
  ASSERT_EQ(In(1000).size(), 1000u);
  EXPECT_EQ(usb2sim::GetState().dds400Word, 0x0C800000u + 999u * 41943u);
  ASSERT_TRUE(Out({20, 0x04, 0x75, 0xC2, 0x8F, 0x01, 0x06, 0x24, 0x01, 0xF4, 0x0A, 0x04}));
  ASSERT_EQ(In(500).size(), 500u);
  EXPECT_EQ(usb2sim::GetState().dds[4].word, 0x0475C28Fu + 499u * 0x010624u);
}

TEST(SimProtocol, WordSweepAnswersMinimumThenMaximum) {
  Fresh();
  MeasureMode();
  const Bytes w = Sweep28(4, 22.3e6, 10e3, 1000, 20, 30);
  ASSERT_EQ(w.size(), 2000u);
  for (size_t i = 0; i < w.size(); i += 2) ASSERT_LE(w[i], w[i + 1]) << "point " << i / 2;
}

TEST(SimProtocol, EepromDefaultsAndWrites) {
  Fresh();
  struct Cell {
    uint8_t cell;
    uint8_t value;
  };
  const std::vector<Cell> defaults = {{17, 128}, {18, 64}, {50, 0}, {0, 0xFF}, {200, 0xFF}};
  for (const auto& c : defaults) {
    ASSERT_TRUE(Out({32, c.cell}));
    EXPECT_EQ(In(1), Bytes{c.value}) << "cell " << int(c.cell);
  }
  // the four clock offsets load as 0.0 (little-endian floats in cells 30-45)
  Bytes offsets;
  for (uint8_t cell = 30; cell <= 45; ++cell) {
    ASSERT_TRUE(Out({32, cell}));
    const Bytes b = In(1);
    ASSERT_EQ(b.size(), 1u);
    offsets.push_back(b[0]);
  }
  for (size_t k = 0; k < 4; ++k) {
    float f = -1;
    std::memcpy(&f, offsets.data() + 4 * k, 4);
    EXPECT_EQ(f, 0.0f);
  }
  ASSERT_TRUE(Out({33, 50, 1}));
  ASSERT_TRUE(Out({32, 50}));
  EXPECT_EQ(In(1), Bytes{1});
  EXPECT_EQ(usb2sim::GetState().eeprom[50], 1);
}

TEST(SimProtocol, FilterRecordsRoundTripEighteenBytes) {
  Fresh();
  Bytes record;
  for (uint8_t i = 0; i < 18; ++i) record.push_back(static_cast<uint8_t>(200 - i));
  Bytes write{13, 4};
  write.insert(write.end(), record.begin(), record.end());
  ASSERT_EQ(write.size(), 20u);
  ASSERT_TRUE(Out(write));
  ASSERT_TRUE(Out({14, 4}));
  EXPECT_EQ(In(18), record);
  const auto stored = usb2sim::GetState().filterRecords[4];
  EXPECT_EQ(Bytes(stored.begin(), stored.end()), record);

  // a fresh record holds mid-scale trims and zeroed spare bytes
  ASSERT_TRUE(Out({14, 0}));
  Bytes expected(9, 128);
  expected.resize(18, 0);
  EXPECT_EQ(In(18), expected);

  // a record number beyond 5 stores nothing and reads erased
  Bytes bad{13, 6};
  bad.resize(20, 0x11);
  ASSERT_TRUE(Out(bad));
  ASSERT_TRUE(Out({14, 6}));
  EXPECT_EQ(In(18), Bytes(18, 0xFF));
}

TEST(SimProtocol, AdCommands) {
  Fresh("[battery]\nlevel=150\n[probe]\nlevel=99\n");
  struct Case {
    uint8_t channel;
    int expected;
  };
  for (const Case& c : std::vector<Case>{{3, 150}, {4, 99}, {5, 128}, {6, 0}}) {
    ASSERT_TRUE(Out({2, c.channel}));
    ASSERT_TRUE(Out({1}));
    EXPECT_EQ(In(1), Bytes{static_cast<uint8_t>(c.expected)}) << "channel " << int(c.channel);
  }
  ASSERT_TRUE(Out({2, 7}));  // beyond the converter: refused, channel kept
  EXPECT_EQ(usb2sim::GetState().adChannel, 6);
  ASSERT_TRUE(Out({2, 3}));
  ASSERT_TRUE(Out({3, 50}));
  EXPECT_EQ(In(1), Bytes{150});
  ASSERT_TRUE(Out({4, 250}));
  EXPECT_EQ(In(250), Bytes(250, 150));
  ASSERT_TRUE(Out({5}));
  EXPECT_EQ(In(2), (Bytes{0x01, 0x07}));
}

TEST(SimProtocol, DetectorBlockStaysInTheDetectorRange) {
  Fresh();
  MeasureMode();
  Tune(100e6);  // nothing there
  ASSERT_TRUE(Out({4, 250}));
  const Bytes b = In(250);
  ASSERT_EQ(b.size(), 250u);
  for (uint8_t v : b) {
    EXPECT_GE(v, 64);
    EXPECT_LE(v, 75);
  }
}

TEST(SimProtocol, MultiplexerReadingsFollowTheControlWord) {
  struct Case {
    uint8_t code;
    uint8_t mainboard;
    uint8_t vlf;
    int expected;
  };
  const std::vector<Case> cases = {
      {0x00, 0x0A, 0xFF, 9},  {0x01, 0x0A, 0xFF, 54}, {0x02, 0x0A, 0xFF, 132}, {0x02, 0x69, 0xFF, 173},
      {0x03, 0x0A, 0xFF, 21}, {0x04, 0x0A, 0xFF, 3},  {0x04, 0x0A, 0x7F, 16},  {0x06, 0x0A, 0xFF, 10},
      {0x07, 0x0A, 0xFF, 5},  {0x08, 0x0A, 0xFF, 17}, {0x18, 0x0A, 0xFF, 15},  {0x20, 0x0A, 0xFF, 15},
      {0x28, 0x0F, 0xFF, 4},  {0x28, 0x0D, 0xFF, 20}, {0x28, 0x0E, 0xFF, 29},  {0x30, 0x0A, 0xFF, 52},
      {0x38, 0x0A, 0xFF, 55},
  };
  for (const auto& c : cases) {
    Fresh();
    ASSERT_TRUE(UsbI2CWriteByte(0, 0x21, c.mainboard));
    ASSERT_TRUE(UsbI2CWriteByte(0, 0x26, c.vlf));
    ASSERT_TRUE(I2C(0x77, {6, 0, 0}));
    ASSERT_TRUE(I2C(0x77, {2, c.code, 0x01}));
    ASSERT_TRUE(Out({2, 2}));
    ASSERT_TRUE(Out({1}));
    EXPECT_EQ(In(1), Bytes{static_cast<uint8_t>(c.expected)}) << "code " << int(c.code);
  }
  EXPECT_EQ(usb2sim::GetState().controlWord, 0x0138);
}

TEST(SimProtocol, DdsFourHundredCurrentDependsOnItsOutput) {
  struct Case {
    double hz;
    int expected;
  };
  for (const Case& c : std::vector<Case>{{5e6, 41}, {25e6, 34}, {100e6, 23}}) {
    Fresh();
    SetDds400(c.hz);
    ASSERT_TRUE(I2C(0x77, {2, 0x10, 0x01}));
    ASSERT_TRUE(Out({2, 2}));
    ASSERT_TRUE(Out({1}));
    EXPECT_EQ(In(1), Bytes{static_cast<uint8_t>(c.expected)}) << c.hz;
  }
}

TEST(SimProtocol, PortsAndRegisterChips) {
  Fresh();
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x20, 0xE0));  // attenuator 40 -> 31 steps
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x22, 9));     // filter type 1
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x23, 3));
  ASSERT_TRUE(I2C(0x40, {5, 4}));   // lowpass
  ASSERT_TRUE(I2C(0x40, {6, 12}));  // highpass
  ASSERT_TRUE(I2C(0x2D, {0x00, 205}));
  ASSERT_TRUE(I2C(0x2D, {0x80, 180}));
  ASSERT_TRUE(I2C(0x2C, {0x80, 64}));
  ASSERT_TRUE(I2C(0x74, {6, 0, 0}));
  ASSERT_TRUE(I2C(0x74, {2, 0x83, 0x00}));
  auto s = usb2sim::GetState();
  EXPECT_EQ(s.attenuatorDb, 31);
  EXPECT_EQ(s.ifFilter[0], 1);
  EXPECT_EQ(s.ifFilter[1], 3);
  EXPECT_EQ(s.soundProcessor[5], 4);
  EXPECT_EQ(s.soundProcessor[6], 12);
  EXPECT_EQ(s.demodulator[0], 205);
  EXPECT_EQ(s.demodulator[1], 180);
  EXPECT_EQ(s.soundPot[1], 64);
  EXPECT_EQ(s.soundWord, 0x0083);
  EXPECT_EQ(usb2sim::ChipRegister(0x74, 6), 0);
  EXPECT_EQ(usb2sim::ChipRegister(0x20, 0), 0xE0);
  EXPECT_EQ(usb2sim::ChipRegister(0x55, 0), -1);

  ASSERT_TRUE(UsbI2CWriteByte(0, 0x20, 0xFF));
  EXPECT_EQ(usb2sim::GetState().attenuatorDb, 0);
}

TEST(SimProtocol, SpeakerExpanderAndHeadphoneInput) {
  Fresh();
  ASSERT_TRUE(I2C(0x70, {3, 0x80}));
  ASSERT_TRUE(I2C(0x70, {1, 0x70}));
  EXPECT_EQ(usb2sim::GetState().speakerPort, 0x70);
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x70, 0));  // pointer to the input register
  EXPECT_EQ(ReadI2C(0x70) & 0x80, 0x80);
  usb2sim::SetHeadphones(true);
  EXPECT_EQ(ReadI2C(0x70) & 0x80, 0);
}

TEST(SimProtocol, FrontEndKeyReadsLowWhilePressed) {
  Fresh();
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x20, 0xFF));
  EXPECT_EQ(ReadI2C(0x20), 0xFF);
  usb2sim::SetKeyPressed(true);
  EXPECT_EQ(ReadI2C(0x20), 0xBF);
}

TEST(SimProtocol, LedBarIsActiveLow) {
  struct Case {
    Bytes ports;
    uint32_t mask;
    int count;
  };
  const std::vector<Case> cases = {
      {{0x00, 0xFE, 0xFF, 0xFF}, 0x1FF, 9},
      {{0xFF, 0xFF, 0xFF, 0xFF}, 0, 0},
      {{0x00, 0x00, 0x00, 0x00}, 0xFFFFFFFF, 32},
      {{0xFE, 0xFF, 0xFF, 0xFF}, 1, 1},
  };
  for (const auto& c : cases) {
    Fresh();
    for (uint8_t i = 0; i < 4; ++i)
      ASSERT_TRUE(UsbI2CWriteByte(0, static_cast<uint8_t>(0x38 + i), c.ports[i]));
    const auto s = usb2sim::GetState();
    EXPECT_EQ(s.ledMask, c.mask);
    EXPECT_EQ(s.ledCount, c.count);
  }
}

// The display as the probe's driver writes it: clear pulse on bit 3, then per character the
// data byte, the address (3, 1, 2, 0 for positions 0..3) and a strobe pulse on bit 2.
void ShowText(const std::string& text, uint8_t& control) {
  auto writeControl = [&](uint8_t v) {
    control = v;
    ASSERT_TRUE(UsbI2CWriteByte(0, 0x3D, control));
  };
  writeControl(static_cast<uint8_t>(control & ~0x08));
  writeControl(static_cast<uint8_t>(control | 0x08));
  static const uint8_t address[4] = {3, 1, 2, 0};
  for (size_t pos = 0; pos < text.size() && pos < 4; ++pos) {
    ASSERT_TRUE(UsbI2CWriteByte(0, 0x3C, static_cast<uint8_t>(text[pos])));
    control = static_cast<uint8_t>((control & ~0x03) | address[pos]);
    writeControl(static_cast<uint8_t>(control & ~0x04));
    writeControl(static_cast<uint8_t>(control | 0x04));
  }
}

TEST(SimProtocol, ProbeDisplayLatchesOnStrobeAndClearsOnPulse) {
  Fresh();
  uint8_t control = 0;  // the driver's field starts at 0, the chip's latch at 0xFF
  ShowText("3.14", control);
  EXPECT_EQ(usb2sim::GetState().digits, "3.14");
  ShowText("+err", control);
  EXPECT_EQ(usb2sim::GetState().digits, "+err");
  ShowText("7", control);  // a clear pulse empties the other positions
  EXPECT_EQ(usb2sim::GetState().digits, "7   ");
}

TEST(SimProtocol, ProbeDisplayWithoutAClearFirst) {
  Fresh();
  uint8_t control = 0;
  static const uint8_t address[4] = {3, 1, 2, 0};
  const std::string text = "-err";
  for (size_t pos = 0; pos < 4; ++pos) {
    ASSERT_TRUE(UsbI2CWriteByte(0, 0x3C, static_cast<uint8_t>(text[pos])));
    control = static_cast<uint8_t>((control & ~0x03) | address[pos]);
    ASSERT_TRUE(UsbI2CWriteByte(0, 0x3D, static_cast<uint8_t>(control & ~0x04)));
    ASSERT_TRUE(UsbI2CWriteByte(0, 0x3D, static_cast<uint8_t>(control | 0x04)));
    control = static_cast<uint8_t>(control | 0x04);
  }
  EXPECT_EQ(usb2sim::GetState().digits, "-err");
}

void WritePot(uint8_t chip, uint8_t channel, uint8_t value) {
  ASSERT_TRUE(UsbSetIOState(0, static_cast<uint8_t>(18 + chip), 0));
  const unsigned word = channel * 256u + value;
  for (unsigned mask = 0x200; mask != 0; mask >>= 1) {
    ASSERT_TRUE(UsbSetIOState(0, 17, (word & mask) ? 1 : 0));
    ASSERT_TRUE(UsbSetIOState(0, 16, 1));
    ASSERT_TRUE(UsbSetIOState(0, 16, 0));
  }
  ASSERT_TRUE(UsbSetIOState(0, static_cast<uint8_t>(18 + chip), 1));
}

TEST(SimProtocol, PotBusLatchesTenBitWordsPerChip) {
  Fresh();
  WritePot(3, 2, 0x80);
  WritePot(2, 1, 255);
  WritePot(0, 3, 17);
  const auto s = usb2sim::GetState();
  EXPECT_EQ(s.filterPots[3][2], 0x80);
  EXPECT_EQ(s.filterPots[2][1], 255);
  EXPECT_EQ(s.filterPots[0][3], 17);
  EXPECT_EQ(s.filterPots[1][0], 0);

  // a word cut short (select raised after 4 bits) latches nothing
  ASSERT_TRUE(UsbSetIOState(0, 19, 0));
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(UsbSetIOState(0, 17, 1));
    ASSERT_TRUE(UsbSetIOState(0, 16, 1));
    ASSERT_TRUE(UsbSetIOState(0, 16, 0));
  }
  ASSERT_TRUE(UsbSetIOState(0, 19, 1));
  EXPECT_EQ(usb2sim::GetState().filterPots[1], (std::array<uint8_t, 4>{0, 0, 0, 0}));
}

TEST(SimProtocol, PowerPinAndPinRange) {
  Fresh();
  EXPECT_FALSE(usb2sim::GetState().powered);
  ASSERT_TRUE(UsbSetIODir(0, 1, 1));
  ASSERT_TRUE(UsbSetIOState(0, 1, 1));
  EXPECT_TRUE(usb2sim::GetState().powered);
  EXPECT_EQ(UsbSetIOState(0, 24, 1), 0);
  EXPECT_EQ(UsbGetError(), 6);
  EXPECT_EQ(UsbSetIODir(0, 200, 1), 0);
  EXPECT_TRUE(UsbSetPortDir(0, 2, 0xFF));
  EXPECT_EQ(UsbSetPortDir(0, 3, 0xFF), 0);
}

}  // namespace
