// The sound buffer's generators and bounds, and its page transfers through the device object.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "FakeUsb2.h"
#include "engine/SoundBuffer.h"

namespace {

std::vector<uint16_t> Samples(const SoundBufferBase& buffer) {
  return std::vector<uint16_t>(buffer.Samples, buffer.Samples + buffer.Count);
}

void FillWith(SoundBufferBase& buffer, uint16_t value) {
  for (int i = 0; i < buffer.Count; ++i) buffer.Set(unsigned(i), value);
}

TEST(SoundBuffer, SineRampsAndEndMark) {
  SoundBufferBase sine(4);
  sine.CreateSinus(1.0);
  EXPECT_EQ(Samples(sine), (std::vector<uint16_t>{32768, 65528, 32768, 8}));

  SoundBufferBase up(4);
  FillWith(up, 40000);
  up.RampUp(4);
  EXPECT_EQ(Samples(up), (std::vector<uint16_t>{32768, 34576, 36384, 38192}));

  SoundBufferBase down(3);
  FillWith(down, 40000);
  down.RampDown(2);
  EXPECT_EQ(Samples(down), (std::vector<uint16_t>{40000, 36384, 32768}));

  // Ramps longer than the buffer stop at its end; a ramp of 0 changes nothing.
  SoundBufferBase short2(2);
  FillWith(short2, 40000);
  short2.RampUp(10);
  short2.RampDown(10);
  short2.RampUp(0);
  EXPECT_EQ(Samples(short2), (std::vector<uint16_t>{32768, 32768}));

  down.SetEndMark();
  EXPECT_EQ(down.Get(2), 0x8000);
  SoundBufferBase empty(0);
  empty.SetEndMark();  // nothing to mark
  empty.CreateSinus(3);
  empty.CreateChirp(700, 2000);
  EXPECT_EQ(empty.Count, 0);
}

TEST(SoundBuffer, GeneratedTonesStayWithinTheSwing) {
  SoundBufferBase tone(3072);
  tone.CreateSinus2205(1200.0);
  // 1200 Hz at 22050 samples a second: zero crossings upward every 22050 / 1200 samples.
  int upward = 0;
  for (int i = 1; i < tone.Count; ++i) {
    EXPECT_GE(tone.Get(i), 8);
    EXPECT_LE(tone.Get(i), 65528);
    if (tone.Get(i - 1) < 32768 && tone.Get(i) >= 32768) ++upward;
  }
  EXPECT_NEAR(upward, 3072 * 1200 / 22050, 1);

  SoundBufferBase chirp(3072);
  chirp.CreateChirp(700.0, 2000.0);
  EXPECT_EQ(chirp.Get(0), uint16_t(std::trunc(std::sin(0.00028495 * 700) * 32760 + 32768)));
  int crossings = 0;
  for (int i = 1; i < chirp.Count; ++i) {
    EXPECT_GE(chirp.Get(i), 8);
    EXPECT_LE(chirp.Get(i), 65528);
    if ((chirp.Get(i - 1) < 32768) != (chirp.Get(i) < 32768)) ++crossings;
  }
  EXPECT_GT(crossings, 100);

  SoundBufferBase odd(16);
  odd.CreateSinus(std::nan(""));  // nothing sensible to make: the zero line
  EXPECT_EQ(odd.Get(5), 0x8000);
}

TEST(SoundBuffer, FloatsAddExchangeAndBounds) {
  SoundBufferBase buffer(3);
  buffer.Set(0, 0);
  buffer.Set(1, 32768);
  buffer.Set(2, 65535);
  float* floats = buffer.CreateSignFloatBuffer();
  EXPECT_EQ(floats[0], -1.0f);
  EXPECT_EQ(floats[1], 0.0f);
  EXPECT_EQ(floats[2], 0.999969482421875f);
  delete[] floats;

  EXPECT_EQ(buffer.Get(3), 0);
  buffer.Set(3, 77);
  buffer.Set(~0u, 77);
  EXPECT_EQ(Samples(buffer), (std::vector<uint16_t>{0, 32768, 65535}));

  buffer.ExchangeBytes();
  EXPECT_EQ(Samples(buffer), (std::vector<uint16_t>{0, 0x0080, 0xFFFF}));

  SoundBufferBase tail(2);
  tail.Set(0, 0x1234);
  tail.Set(1, 0x5678);
  buffer.Add(&tail);
  EXPECT_EQ(Samples(buffer), (std::vector<uint16_t>{0, 0x0080, 0xFFFF, 0x1234, 0x5678}));
  buffer.Add(nullptr);
  tail.Add(&tail);  // appending itself doubles it
  EXPECT_EQ(Samples(tail), (std::vector<uint16_t>{0x1234, 0x5678, 0x1234, 0x5678}));
  tail.Clear();
  EXPECT_EQ(Samples(tail), (std::vector<uint16_t>(4, 0)));

  SoundBufferBase negative(-5);
  EXPECT_EQ(negative.Count, 0);
  EXPECT_EQ(negative.Get(0), 0);
}

TEST(SoundBuffer, StoreAndReadMoveWholePagesOfTheSamples) {
  FakeUsb2 fake;
  PicBase pic{0};
  SoundBufferBase tone(1000);
  tone.CreateSinus(5);
  ASSERT_TRUE(pic.StoreSound(&tone, 0, 1));
  const auto out = fake.ParOuts();
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[1], (std::vector<uint8_t>{131, 0, 7, 1}));
  EXPECT_EQ(out[2].size(), 1792u);  // 7 pages; the 104-sample tail is not sent

  fake.Clear();
  fake.AnswerFill(512, 0x12);
  SoundBufferBase record(256);
  ASSERT_TRUE(pic.ReadSoundAD1(&record, 0, 2));
  EXPECT_EQ(fake.ParOuts(), (std::vector<std::vector<uint8_t>>{{128}, {137, 0, 2, 2}}));
  EXPECT_EQ(record.Get(255), 0x1212);

  fake.Clear();
  fake.AnswerFill(512, 0x01);
  ASSERT_TRUE(pic.ReadSoundAD0(&record, 4, 0));
  EXPECT_EQ(fake.ParOuts(), (std::vector<std::vector<uint8_t>>{{128}, {136, 4, 2, 0}}));

  fake.Clear();
  EXPECT_TRUE(pic.StoreSound(nullptr, 0, 0));
  EXPECT_TRUE(pic.ReadSoundAD0(nullptr, 0, 0));
  EXPECT_TRUE(pic.ReadSoundAD1(nullptr, 0, 0));
  EXPECT_EQ(fake.Transfers, 0);
}

}  // namespace
