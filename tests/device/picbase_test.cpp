// PicBase: command bytes, tuning words, sweep headers, EEPROM cells, sound pages, filter files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "FakeUsb2.h"
#include "platform/rtl/SysUtils.h"

namespace {

using Bytes = std::vector<uint8_t>;

class PicBaseTest : public ::testing::Test {
 protected:
  FakeUsb2 fake;
  PicBase pic{0};
};

TEST_F(PicBaseTest, SimpleCommandsAndTheirBytes) {
  struct Case {
    const char* name;
    std::function<bool(PicBase&)> call;
    std::vector<Bytes> sent;
  };
  const Case cases[] = {
      {"SelectADChannel", [](PicBase& p) { return p.SelectADChannel(3); }, {{2, 3}}},
      {"WriteDDSWord", [](PicBase& p) { return p.WriteDDSWord(0x42, 0x8F, 4); }, {{11, 0x42, 0x8F, 4}}},
      {"DDSOff", [](PicBase& p) { return p.DDSOff(5); }, {{11, 0x00, 0xC0, 5}}},
      {"ResetDDS400", [](PicBase& p) { return p.ResetDDS400(); }, {{19}}},
      {"InitDDS400", [](PicBase& p) { return p.InitDDS400(); }, {{19}, {17, 1, 0, 0, 4}}},
      {"WriteDDS400Reg32",
       [](PicBase& p) { return p.WriteDDS400Reg32(4, 0x0C800000); },
       {{18, 4, 0x0C, 0x80, 0x00, 0x00}}},
      {"SetDDS400Frequency",
       [](PicBase& p) { return p.SetDDS400Frequency(19531250.0); },
       {{18, 4, 0x0C, 0x80, 0x00, 0x00}}},
      {"SetDDS400FrequencyFast",
       [](PicBase& p) { return p.SetDDS400FrequencyFast(19531250.0); },
       {{24, 0x0C, 0x80, 0x00, 0x00}}},
      {"SetDDS400FrequencyClock",
       [](PicBase& p) { return p.SetDDS400FrequencyClock(200000000.0, 19531250.0); },
       {{18, 4, 0x19, 0x00, 0x00, 0x00}}},
      {"WriteEEPromByte", [](PicBase& p) { return p.WriteEEPromByte(50, 1); }, {{33, 50, 1}}},
      {"SetDDSFrequency 27.3 MHz",
       [](PicBase& p) { return p.SetDDSFrequency(4, 80000000.0, 27300000.0); },
       {{11, 0x20, 0x00, 4}, {11, 0x42, 0x8F, 4}, {11, 0x55, 0xD7, 4}}},
      {"AllDDSOff",
       [](PicBase& p) { return p.AllDDSOff(); },
       {{11, 0, 0xC0, 0},
        {11, 0, 0xC0, 1},
        {11, 0, 0xC0, 2},
        {11, 0, 0xC0, 3},
        {11, 0, 0xC0, 4},
        {11, 0, 0xC0, 5}}},
      {"PlaySound", [](PicBase& p) { return p.PlaySound(0, 100, 2); }, {{128}, {142, 0, 100, 2}}},
      {"RecordSound", [](PicBase& p) { return p.RecordSound(0, 4, 134, 0); }, {{128}, {143, 0, 4, 134, 0}}},
  };
  for (const auto& c : cases) {
    fake.Clear();
    fake.Answers.clear();
    fake.Answer({0x5A});  // acknowledgement for the sound commands
    EXPECT_TRUE(c.call(pic)) << c.name;
    EXPECT_EQ(fake.ParOuts(), c.sent) << c.name;
  }
}

TEST_F(PicBaseTest, AnswersAreReadWithTheImpliedLength) {
  uint8_t b = 0;
  int v = 0;
  uint8_t block[4] = {};
  fake.Answer({0x01, 0x23});
  EXPECT_TRUE(pic.GetPicVersion(&v));
  EXPECT_EQ(v, 0x0123);
  fake.Answer({77});
  EXPECT_TRUE(pic.ReadADAverage(50, &b));
  EXPECT_EQ(b, 77);
  fake.Answer({1, 2, 3, 4});
  EXPECT_TRUE(pic.ReadADBlock(4, block));
  EXPECT_EQ(Bytes(block, block + 4), (Bytes{1, 2, 3, 4}));
  fake.Answer({9});
  EXPECT_TRUE(pic.ReadEEPromByte(50, &b));
  EXPECT_EQ(b, 9);
  fake.Answer({0x02, 0x05});
  EXPECT_TRUE(pic.GetSoundPicVersion(&v));
  EXPECT_EQ(v, 0x0205);
  const std::vector<Bytes> sent = {{5}, {3, 50}, {4, 4}, {32, 50}, {128}, {130}};
  EXPECT_EQ(fake.ParOuts(), sent);
  // The sound processor's version comes in two single-byte reads.
  const auto reads = fake.Of(UsbEvent::ParIn);
  EXPECT_EQ(reads.back().bytes.size(), 1u);
  EXPECT_EQ(reads[reads.size() - 2].bytes.size(), 1u);
}

TEST_F(PicBaseTest, RefusedArgumentsSendNothing) {
  uint8_t b = 0;
  uint8_t data[8] = {};
  double stop = 0;
  EXPECT_FALSE(pic.SelectADChannel(7));
  EXPECT_FALSE(pic.ReadADAverage(0, &b));
  EXPECT_FALSE(pic.ReadADAverage(5, nullptr));
  EXPECT_FALSE(pic.ReadADBlock(0, data));
  EXPECT_FALSE(pic.ReadEEPromByte(3, nullptr));
  EXPECT_FALSE(pic.Sweep(5, 0, 22.3e6, 1e4, 80e6, 4, &stop, nullptr));
  EXPECT_FALSE(pic.SweepWord(4, 3, 22.3e6, 1e4, 80e6, 4, &stop, data));
  EXPECT_FALSE(pic.Sweep400Word(4, 3, 19531250.0, 1000.0, data));
  EXPECT_FALSE(pic.Sweep400(4, 0, 19531250.0, 1000.0, nullptr));
  EXPECT_FALSE(pic.SweepShort(256, 0, 1.7e6, 1e5, 80e6, 2, &stop, data));
  EXPECT_FALSE(pic.SweepShort(0, 0, 1.7e6, 1e5, 80e6, 2, &stop, data));
  EXPECT_FALSE(pic.SendBlock(data, 0));
  EXPECT_FALSE(pic.ReceiveBlock(nullptr, 3));
  EXPECT_TRUE(pic.SweepShort(10, 0, 1.7e6, 1e5, 80e6, 2, &stop, nullptr));  // nothing to fill
  EXPECT_EQ(fake.Transfers, 0);
  EXPECT_EQ(pic.ADChannel, 0);
}

TEST_F(PicBaseTest, SelectedChannelIsRememberedOnlyWhenSent) {
  EXPECT_TRUE(pic.SelectADChannel(6));
  EXPECT_EQ(pic.ADChannel, 6);
  fake.Present = false;
  EXPECT_FALSE(pic.SelectADChannel(2));
  EXPECT_EQ(pic.ADChannel, 6);
}

TEST(TuningWords, TruncatedAtTheUnitsOfBothSynthesisers) {
  struct Case {
    double f, unit;
    uint32_t word;
  };
  const double unit28 = 80000000.0 / 268435456.0;
  const double unit400 = 400000000.0 / 4294967296.0;
  const Case cases[] = {
      {27300000.0, unit28, 91603599},
      {19848000.0, unit28, 66598836},
      {20152000.0, unit28, 67618891},
      {19531250.0, unit400, 209715200},
      {23437500.0, unit400, 0x0F000000},
      {0.0, unit28, 0},
      {-5.0, unit28, 0},
      {std::nan(""), unit400, 0},
      {1e12, unit400, 0xFFFFFFFFu},
  };
  for (const auto& c : cases) EXPECT_EQ(TuningWord(c.f, c.unit), c.word) << c.f;
}

// Sweep headers: command, start word, step word (3 bytes for the 28-bit chips, 4 for the DDS-400),
// count, param, and the DDS number for the 28-bit chips; then one read of the samples.
TEST_F(PicBaseTest, SweepHeadersMostSignificantByteFirst) {
  struct Case {
    const char* name;
    std::function<bool(PicBase&, uint8_t*)> call;
    Bytes header;
    size_t answerBytes;
  };
  const Case cases[] = {
      {"Sweep calibration",
       [](PicBase& p, uint8_t* d) { return p.Sweep(500, 10, 22300000.0, 20000.0, 80e6, 4, nullptr, d); },
       {20, 0x04, 0x75, 0xC2, 0x8F, 0x01, 0x06, 0x24, 0x01, 0xF4, 0x0A, 0x04},
       500},
      {"Sweep detail",
       [](PicBase& p, uint8_t* d) { return p.Sweep(1000, 0, 22300000.0, 10000.0, 80e6, 4, nullptr, d); },
       {20, 0x04, 0x75, 0xC2, 0x8F, 0x00, 0x83, 0x12, 0x03, 0xE8, 0x00, 0x04},
       1000},
      {"SweepWord",
       [](PicBase& p, uint8_t* d) { return p.SweepWord(1000, 8, 22300000.0, 10000.0, 80e6, 5, nullptr, d); },
       {30, 0x04, 0x75, 0xC2, 0x8F, 0x00, 0x83, 0x12, 0x03, 0xE8, 0x08, 0x05},
       2000},
      {"SweepShort",
       [](PicBase& p, uint8_t* d) { return p.SweepShort(250, 0, 22300000.0, 10000.0, 80e6, 2, nullptr, d); },
       {12, 0x04, 0x75, 0xC2, 0x8F, 0x00, 0x83, 0x12, 0xFA, 0x00, 0x02},
       250},
      {"Sweep400 band 0",
       [](PicBase& p, uint8_t* d) { return p.Sweep400(1000, 5, 19531250.0, 1e6 / 256.0, d); },
       {23, 0x0C, 0x80, 0x00, 0x00, 0x00, 0x00, 0xA3, 0xD7, 0x03, 0xE8, 0x05},
       1000},
      {"Sweep400Word band 1",
       [](PicBase& p, uint8_t* d) { return p.Sweep400Word(1000, 20, 19531250.0, 1e6 / 512.0, d); },
       {29, 0x0C, 0x80, 0x00, 0x00, 0x00, 0x00, 0x51, 0xEB, 0x03, 0xE8, 0x14},
       2000},
  };
  for (const auto& c : cases) {
    fake.Clear();
    fake.AnswerFill(c.answerBytes, 0x66);
    std::vector<uint8_t> data(c.answerBytes + 1, 0);
    ASSERT_TRUE(c.call(pic, data.data())) << c.name;
    ASSERT_EQ(fake.Events.size(), 2u) << c.name;
    EXPECT_EQ(fake.Events[0].bytes, c.header) << c.name;
    EXPECT_EQ(fake.Events[1].bytes.size(), c.answerBytes) << c.name;
    EXPECT_EQ(data[c.answerBytes - 1], 0x66) << c.name;
    EXPECT_EQ(data[c.answerBytes], 0) << c.name;
  }
}

TEST_F(PicBaseTest, SweepStopIsOneStepBeyondTheLastPoint) {
  std::vector<uint8_t> data(500);
  fake.AnswerFill(500, 0);
  double stop = 0;
  ASSERT_TRUE(pic.Sweep(500, 10, 22300000.0, 20000.0, 80e6, 4, &stop, data.data()));
  const double unit = 80e6 / 268435456.0;
  EXPECT_DOUBLE_EQ(stop, (74826383.0 + 500.0 * 67108.0) * unit);
  EXPECT_NEAR(stop, 32299871.15, 0.01);
}

TEST_F(PicBaseTest, StepTooWideForTheHeaderIsRefused) {
  std::vector<uint8_t> data(10);
  double stop = 0;
  // 24 bits of 0.298 Hz end just above 5 MHz.
  EXPECT_FALSE(pic.Sweep(10, 0, 1e6, 5.1e6, 80e6, 4, &stop, data.data()));
  EXPECT_EQ(fake.Transfers, 0);
}

TEST_F(PicBaseTest, ClockOffsetsAreLittleEndianFloatsInCells30To45) {
  pic.DdsClockOffset = 12.5;
  pic.Dds400ClockOffset = 1600.0;
  pic.VcoLowRefOffset = -3.25;
  pic.VcoHighRefOffset = 0.0;
  ASSERT_TRUE(pic.StoreClockOffsets());
  const auto out = fake.ParOuts();
  ASSERT_EQ(out.size(), 16u);
  std::map<uint8_t, uint8_t> cells;
  for (const auto& f : out) {
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0], 33);
    cells[f[1]] = f[2];
  }
  EXPECT_EQ(cells.begin()->first, 30);
  EXPECT_EQ(cells.rbegin()->first, 45);
  // 1600.0f = 0x44C80000, low byte first in cells 34..37
  EXPECT_EQ(cells[34], 0x00);
  EXPECT_EQ(cells[35], 0x00);
  EXPECT_EQ(cells[36], 0xC8);
  EXPECT_EQ(cells[37], 0x44);

  // Round trip through the read path.
  fake.Clear();
  for (int c = 30; c <= 45; ++c) fake.Answer({cells[uint8_t(c)]});
  pic.DdsClockOffset = pic.Dds400ClockOffset = pic.VcoLowRefOffset = pic.VcoHighRefOffset = 99.0;
  ASSERT_TRUE(pic.LoadClockOffsets());
  EXPECT_EQ(pic.DdsClockOffset, 12.5);
  EXPECT_EQ(pic.Dds400ClockOffset, 1600.0);
  EXPECT_EQ(pic.VcoLowRefOffset, -3.25);
  EXPECT_EQ(pic.VcoHighRefOffset, 0.0);
  const auto reads = fake.ParOuts();
  ASSERT_EQ(reads.size(), 16u);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(reads[size_t(i)], (Bytes{32, uint8_t(30 + i)}));
}

// Erased cells (0xFF) are not a number; they must not turn into garbage tuning words.
TEST_F(PicBaseTest, ErasedClockOffsetsLoadAsZero) {
  fake.AnswerFill(4, 0x00);
  fake.AnswerFill(4, 0xFF);               // Dds400ClockOffset erased
  fake.Answer({0x00, 0x00, 0x80, 0x7F});  // +infinity
  fake.Answer({0x00, 0x00, 0x80, 0x3F});  // 1.0
  ASSERT_TRUE(pic.LoadClockOffsets());
  EXPECT_EQ(pic.DdsClockOffset, 0.0);
  EXPECT_EQ(pic.Dds400ClockOffset, 0.0);
  EXPECT_EQ(pic.VcoLowRefOffset, 0.0);
  EXPECT_EQ(pic.VcoHighRefOffset, 1.0);
  fake.Clear();
  ASSERT_TRUE(pic.SetDDS400Frequency(19531250.0));
  EXPECT_EQ(fake.ParOuts().back(), (Bytes{18, 4, 0x0C, 0x80, 0x00, 0x00}));
}

TEST_F(PicBaseTest, FailedEEPromReadKeepsTheOffsets) {
  pic.Dds400ClockOffset = 42.0;
  fake.AnswerFill(7, 0);  // the eighth read never gets an answer
  EXPECT_FALSE(pic.LoadClockOffsets());
  EXPECT_EQ(pic.Dds400ClockOffset, 42.0);
  EXPECT_EQ(fake.ParOuts().size(), 8u);
}

TEST_F(PicBaseTest, StoreSoundSendsWholePagesOnly) {
  struct Case {
    int samples;
    int pages;
  };
  const Case cases[] = {{1000, 7}, {128, 1}, {127, 0}, {512, 4}, {12800, 100}, {32640, 255}};
  for (const auto& c : cases) {
    fake.Clear();
    std::vector<uint16_t> samples(size_t(c.samples), 0x0080);
    ASSERT_TRUE(pic.StoreSamples(samples.data(), c.samples, 3, 1)) << c.samples;
    const auto out = fake.ParOuts();
    if (c.pages == 0) {
      EXPECT_TRUE(out.empty());
      continue;
    }
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], (Bytes{128}));
    EXPECT_EQ(out[1], (Bytes{131, 3, uint8_t(c.pages), 1}));
    EXPECT_EQ(out[2].size(), size_t(c.pages) * 256) << c.samples;
  }
}

TEST_F(PicBaseTest, SoundBufferBeyondTheAddressablePagesIsRefused) {
  std::vector<uint16_t> samples(32768);
  EXPECT_FALSE(pic.StoreSamples(samples.data(), 32768, 0, 0));
  EXPECT_FALSE(pic.ReadSamplesAD0(samples.data(), 32768, 0, 0));
  EXPECT_EQ(fake.Transfers, 0);
  EXPECT_TRUE(pic.StoreSamples(nullptr, 100, 0, 0));
}

TEST_F(PicBaseTest, RecordedPagesAreReadIntoTheSamples) {
  std::vector<uint16_t> samples(256, 0);
  fake.AnswerFill(512, 0xAB);
  ASSERT_TRUE(pic.ReadSamplesAD1(samples.data(), 256, 0, 2));
  EXPECT_EQ(fake.ParOuts(), (std::vector<Bytes>{{128}, {137, 0, 2, 2}}));
  EXPECT_EQ(samples[255], 0xABAB);
  fake.Clear();
  fake.AnswerFill(256, 0x01);
  ASSERT_TRUE(pic.ReadSamplesAD0(samples.data(), 200, 5, 0));
  EXPECT_EQ(fake.ParOuts(), (std::vector<Bytes>{{128}, {136, 5, 1, 0}}));
}

TEST_F(PicBaseTest, SoundMemoryTestCountsDifferingBytes) {
  // The fake answers the read-back with zeros: every nonzero written byte differs.
  fake.AnswerFill(32768, 0);
  int errors = -1;
  ASSERT_TRUE(pic.TestSoundMemory(2, 1, &errors));
  const auto out = fake.ParOuts();
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[1], (Bytes{139, 0, 128, 2}));
  EXPECT_EQ(out[2].size(), 32768u);
  EXPECT_EQ(out[4], (Bytes{136, 0, 128, 2}));
  int nonzero = 0;
  for (uint8_t b : out[2]) nonzero += b != 0;
  EXPECT_EQ(errors, nonzero);
  EXPECT_GT(errors, 30000);
  fake.Clear();
  EXPECT_TRUE(pic.TestSoundMemory(0, 3, &errors));
  EXPECT_EQ(errors, 0);
  EXPECT_EQ(fake.Transfers, 0);
}

TEST_F(PicBaseTest, ElapsedSecondsStartAtZero) {
  pic.StartTimer();
  const double t = pic.GetElapsedSeconds();
  EXPECT_GE(t, 0.0);
  EXPECT_GE(pic.TimerNow, pic.TimerStart);
}

// ---------------------------------------------------------------------------------------------
class FilterFileTest : public ::testing::Test {
 protected:
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("rt_device_filter_" + std::to_string(::getpid()));
  void SetUp() override { std::filesystem::create_directories(dir); }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string File(const char* name) const { return (dir / name).string(); }
  void WriteBytes(const std::string& path, size_t n) {
    std::ofstream f(path, std::ios::binary);
    for (size_t i = 0; i < n; ++i) f.put(char(0x30 + i % 10));
  }
};

TEST_F(FilterFileTest, RecordRoundTripsThroughFortyByteFile) {
  uint8_t record[40] = {};
  for (int i = 0; i < 18; ++i) record[i] = uint8_t(200 + i);
  SaveFilterRecord(record, File("Filter_W_0.fil"));
  EXPECT_EQ(std::filesystem::file_size(File("Filter_W_0.fil")), 40u);
  uint8_t loaded[40];
  std::memset(loaded, 0xEE, sizeof loaded);
  LoadFilterRecord(loaded, File("Filter_W_0.fil"));
  EXPECT_EQ(std::memcmp(record, loaded, 40), 0);
}

TEST_F(FilterFileTest, ALongerFileGivesItsFirstFortyBytes) {
  for (size_t size : {41u, 180u}) {
    WriteBytes(File("Filter_A_4.fil"), size);
    uint8_t record[40];
    std::memset(record, 0x5A, sizeof record);
    LoadFilterRecord(record, File("Filter_A_4.fil"));
    for (size_t i = 0; i < 40; ++i) ASSERT_EQ(record[i], uint8_t(0x30 + i % 10)) << size << " at " << i;
  }
}

TEST_F(FilterFileTest, ShortOrMissingFileIsRefusedAndTheRecordKept) {
  for (size_t size : {0u, 18u, 39u}) {
    WriteBytes(File("Filter_A_3.fil"), size);
    uint8_t record[40];
    std::memset(record, 0x5A, sizeof record);
    EXPECT_THROW(LoadFilterRecord(record, File("Filter_A_3.fil")), Exception) << size;
    for (uint8_t b : record) ASSERT_EQ(b, 0x5A) << size;
  }
  uint8_t record[40] = {};
  EXPECT_THROW(LoadFilterRecord(record, File("missing.fil")), Exception);
  EXPECT_THROW(SaveFilterRecord(record, File("no/such/folder/x.fil")), Exception);
}

// ---------------------------------------------------------------------------------------------
// A module that vanishes: the operation fails at its first failed transfer and nothing runs after.
TEST_F(PicBaseTest, VanishedModuleStopsAtTheFirstFailedTransfer) {
  struct Case {
    const char* name;
    std::function<bool(PicBase&)> call;
  };
  const Case cases[] = {
      {"AllDDSOff", [](PicBase& p) { return p.AllDDSOff(); }},
      {"SetDDSFrequency", [](PicBase& p) { return p.SetDDSFrequency(4, 80e6, 27.3e6); }},
      {"InitDDS400", [](PicBase& p) { return p.InitDDS400(); }},
      {"StoreClockOffsets", [](PicBase& p) { return p.StoreClockOffsets(); }},
      {"LoadClockOffsets", [](PicBase& p) { return p.LoadClockOffsets(); }},
      {"PlaySound", [](PicBase& p) { return p.PlaySound(0, 4, 0); }},
  };
  for (const auto& c : cases) {
    for (int survive = 0;; ++survive) {
      fake.Clear();
      fake.Answers.clear();
      fake.AnswerFill(64, 0);
      fake.VanishAfter = survive;
      const bool result = c.call(pic);
      const int attempted = fake.Transfers;
      fake.VanishAfter = -1;
      if (attempted <= survive) {  // finished before the module went away
        EXPECT_TRUE(result) << c.name;
        EXPECT_GT(survive, 0) << c.name;
        break;
      }
      EXPECT_FALSE(result) << c.name << " vanishing after " << survive;
      EXPECT_EQ(attempted, survive + 1) << c.name << " vanishing after " << survive;
    }
  }
}

}  // namespace
