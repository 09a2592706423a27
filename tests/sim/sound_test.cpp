// The Sound-PIC: page memories written and read byte-exact, play and record, the delay between
// playing and hearing, the microphone (AD1) and the demodulated audio (AD0).
#include "SimCaller.h"

#include <cmath>
#include <numeric>

using namespace simtest;

namespace {

constexpr double kRate = 22050.0;

Bytes Encode(const std::vector<int>& samples) {  // offset binary, high byte first
  Bytes b;
  for (int v : samples) {
    const int u = v + 0x8000;
    b.push_back(static_cast<uint8_t>(u >> 8));
    b.push_back(static_cast<uint8_t>(u & 0xFF));
  }
  return b;
}

std::vector<int> Decode(const Bytes& b) {
  std::vector<int> s;
  for (size_t i = 0; i + 1 < b.size(); i += 2) s.push_back(((b[i] << 8) | b[i + 1]) - 0x8000);
  return s;
}

std::vector<int> Tone(double hz, int amplitude, size_t n) {
  std::vector<int> s(n);
  for (size_t k = 0; k < n; ++k) s[k] = static_cast<int>(amplitude * std::sin(2 * M_PI * hz * k / kRate));
  return s;
}

// Amplitude of the hz component in samples [from, to).
double Amplitude(const std::vector<int>& s, double hz, size_t from, size_t to) {
  const double w = 2 * M_PI * hz / kRate;
  double re = 0, im = 0;
  for (size_t k = from; k < to; ++k) {
    re += s[k] * std::cos(w * static_cast<double>(k));
    im += s[k] * std::sin(w * static_cast<double>(k));
  }
  return 2 * std::hypot(re, im) / static_cast<double>(to - from);
}

double Rms(const std::vector<int>& s) {
  double sum = 0;
  for (int v : s) sum += double(v) * v;
  return std::sqrt(sum / static_cast<double>(s.size()));
}

bool SoundCommand(const Bytes& command) { return Out({128}) && Out(command); }

void WritePages(uint8_t opcode, uint8_t start, const Bytes& data, uint8_t param) {
  ASSERT_TRUE(SoundCommand({opcode, start, static_cast<uint8_t>(data.size() / 256), param}));
  ASSERT_TRUE(Out(data));
}

Bytes ReadPages(uint8_t opcode, uint8_t start, uint8_t pages, uint8_t param) {
  if (!SoundCommand({opcode, start, pages, param})) return {};
  return In(static_cast<size_t>(pages) * 256);
}

TEST(SimSound, VersionInTwoReads) {
  Fresh();
  ASSERT_TRUE(SoundCommand({130}));
  EXPECT_EQ(In(1), Bytes{0x01});
  EXPECT_EQ(In(1), Bytes{0x03});
}

TEST(SimSound, FreshMemoryHoldsTheZeroLine) {
  Fresh();
  Bytes zero;
  for (int i = 0; i < 128; ++i) {
    zero.push_back(0x80);
    zero.push_back(0x00);
  }
  for (int area = 0; area < 3; ++area) EXPECT_EQ(usb2sim::SoundMemory(area, 0, 17, 1), zero) << area;
}

TEST(SimSound, EveryMemoryAndBlockReadsBackWhatWasWritten) {
  struct Bank {
    uint8_t write;
    uint8_t read;
  };
  for (const Bank& bank : std::vector<Bank>{{131, 132}, {139, 136}, {140, 137}}) {
    for (uint8_t block = 0; block < 4; ++block) {
      Fresh();
      Bytes pattern(128 * 256);
      for (size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = static_cast<uint8_t>((i * 131 + block * 7 + bank.write) >> 3);
      WritePages(bank.write, 0, pattern, block);
      EXPECT_EQ(ReadPages(bank.read, 0, 128, block), pattern) << int(bank.write) << " block " << int(block);
    }
  }
  // playback blocks are separate memories
  Fresh();
  WritePages(131, 0, Bytes(256, 0x11), 0);
  WritePages(131, 0, Bytes(256, 0x22), 1);
  EXPECT_EQ(ReadPages(132, 0, 1, 0), Bytes(256, 0x11));
  EXPECT_EQ(ReadPages(132, 0, 1, 1), Bytes(256, 0x22));
}

TEST(SimSound, PageAddressesWrapAtTheEndOfTheMemory) {
  Fresh();
  Bytes data(10 * 256);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i / 256 + 1);
  WritePages(131, 250, data, 0);
  EXPECT_EQ(ReadPages(132, 250, 10, 0), data);
  EXPECT_EQ(usb2sim::SoundMemory(0, 0, 0, 1), Bytes(256, 7)) << "page 256 is page 0";
}

TEST(SimSound, StoredSampleCountsGiveWholePages) {
  // 1000 samples are 2000 bytes; 7 whole pages (1792 bytes) go to the instrument
  Fresh();
  const Bytes samples = Encode(Tone(500, 1000, 1000));
  const size_t pages = samples.size() / 256;
  ASSERT_EQ(pages, 7u);
  WritePages(131, 0, Bytes(samples.begin(), samples.begin() + 1792), 0);
  ASSERT_TRUE(Out({5}));  // exactly 1792 data bytes were taken
  EXPECT_EQ(In(2), (Bytes{0x01, 0x07}));
  EXPECT_EQ(usb2sim::SoundMemory(0, 0, 0, 7), Bytes(samples.begin(), samples.begin() + 1792));
}

// Plays a 1000 Hz tone from pages 0..31 and returns both recordings.
void PlayTone(std::vector<int>& ad0, std::vector<int>& ad1) {
  WritePages(131, 0, Encode(Tone(1000, 10000, 4096)), 0);
  ASSERT_TRUE(SoundCommand({142, 0, 32, 0}));
  ASSERT_EQ(In(1).size(), 1u) << "acknowledged";
  ad0 = Decode(ReadPages(136, 0, 32, 0));
  ad1 = Decode(ReadPages(137, 0, 32, 0));
  ASSERT_EQ(ad0.size(), 4096u);
  ASSERT_EQ(ad1.size(), 4096u);
}

TEST(SimSound, MicrophoneHearsThePlayedSoundAfterTheDelay) {
  for (size_t delay : {0u, 1024u, 2048u}) {
    Fresh("[sound]\nplay_to_record_delay=" + std::to_string(delay) + "\n");
    std::vector<int> ad0, ad1;
    PlayTone(ad0, ad1);
    if (delay > 0) {
      EXPECT_LT(Amplitude(ad1, 1000, 0, delay), 1500) << "silent before, delay " << delay;
    }
    EXPECT_GT(Amplitude(ad1, 1000, delay, delay + 1024), 7000) << "tone after, delay " << delay;
    EXPECT_EQ(usb2sim::GetState().lastPlay.pages, 32);
    EXPECT_EQ(usb2sim::GetState().lastPlay.count, 1u);
  }
}

TEST(SimSound, RoomBugRelaysTheRoomOnlyWhenTuned) {
  Fresh();  // the default scene's 433.92 MHz emitter is a room bug
  MeasureMode(2);
  Tune(433.92e6);
  std::vector<int> ad0, ad1;
  PlayTone(ad0, ad1);
  const double meanProduct = std::inner_product(ad0.begin(), ad0.end(), ad1.begin(), 0.0) / 4096.0;
  const double correlation = meanProduct / (Rms(ad0) * Rms(ad1));
  EXPECT_GT(correlation, 0.9);
  EXPECT_GT(Amplitude(ad0, 1000, 2048, 4096), 7000) << "the played tone through the bug";
  EXPECT_GT(Rms(ad1), 1700);

  Tune(600e6);  // nothing there
  PlayTone(ad0, ad1);
  EXPECT_LT(Rms(ad0), 400);
  EXPECT_GT(Rms(ad1), 1700);
}

TEST(SimSound, ToneTransmitterIsHeardOnTheDemodulatedChannel) {
  Fresh();  // the default scene's 868.3 MHz emitter carries a 1000 Hz tone
  MeasureMode(2);
  Tune(868.3e6);
  ASSERT_TRUE(SoundCommand({143, 0, 32, 134, 0}));
  ASSERT_EQ(In(1).size(), 1u);
  const std::vector<int> ad0 = Decode(ReadPages(136, 0, 32, 0));
  const std::vector<int> ad1 = Decode(ReadPages(137, 0, 32, 0));
  EXPECT_GT(Amplitude(ad0, 1000, 0, 4096), 6000);
  EXPECT_LT(Amplitude(ad1, 1000, 0, 4096), 1500);
  const auto s = usb2sim::GetState();
  EXPECT_EQ(s.lastRecord.pages, 32);
  EXPECT_EQ(s.lastRecord.param, 134);
  EXPECT_EQ(s.lastRecord.count, 1u);
  EXPECT_EQ(s.lastPlay.count, 0u);
}

TEST(SimSound, TestSoundRoutingFeedsTheStoredBlockIntoTheDemodulatedChannel) {
  Fresh();
  MeasureMode(2);
  Tune(600e6);  // nothing to hear
  WritePages(131, 0, Encode(Tone(2153, 10000, 512)), 1);
  ASSERT_TRUE(I2C(0x74, {6, 0, 0}));
  ASSERT_TRUE(I2C(0x74, {2, 3, 0}));  // test sound
  ASSERT_TRUE(SoundCommand({143, 0, 4, 1, 134}));
  ASSERT_EQ(In(1).size(), 1u);
  const std::vector<int> routed = Decode(ReadPages(136, 0, 4, 1));
  ASSERT_EQ(routed.size(), 512u);
  EXPECT_GT(Amplitude(routed, 2153, 0, 512), 8000);

  ASSERT_TRUE(I2C(0x74, {2, 0, 0}));  // normal routing: nothing but noise
  ASSERT_TRUE(SoundCommand({143, 0, 4, 1, 134}));
  ASSERT_EQ(In(1).size(), 1u);
  EXPECT_LT(Amplitude(Decode(ReadPages(136, 0, 4, 1)), 2153, 0, 512), 1000);
}

TEST(SimSound, RecordingsDifferFromOneToTheNext) {
  Fresh();
  ASSERT_TRUE(SoundCommand({143, 0, 4, 0, 134}));
  ASSERT_EQ(In(1).size(), 1u);
  const Bytes first = ReadPages(137, 0, 4, 0);
  ASSERT_TRUE(SoundCommand({143, 0, 4, 0, 134}));
  ASSERT_EQ(In(1).size(), 1u);
  EXPECT_NE(ReadPages(137, 0, 4, 0), first);
}

}  // namespace
