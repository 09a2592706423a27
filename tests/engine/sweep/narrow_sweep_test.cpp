// The detail sweeps against the simulated instrument: the carrier in the middle, posted changes,
// the differential and max-hold channels, stopping and a module that vanishes mid-sweep.
#include "engine/SweepThreads.h"

#include <cmath>

#include "SweepFixture.h"

namespace {

constexpr double Carrier = 868.3e6;  // default scene: 1 kHz tone transmitter
constexpr double Pulsed = 1880e6;    // default scene: pulsed 1.2 MHz wide emitter

class NarrowSweepTest : public SweepFixture {
 protected:
  template <typename T>
  T* Make(double centre) {
    EXPECT_TRUE(PrepareDetail(centre));
    auto* t = new T();
    t->SetDetailSweep();
    return t;
  }
  // Waits until a fresh trace has been written after the call: the buffer is marked first.
  bool WaitFreshTrace(NormalBuffer& buffer) {
    {
      HardwareLockGuard lock;
      buffer.SetPoint(0, -1.0f);
      buffer.SetPoint(999, -1.0f);
    }
    return PumpUntil([&] { return buffer.GetPoint(0) >= 0.0f && buffer.GetPoint(999) >= 0.0f; });
  }
  int TracePeak(NormalBuffer& buffer) {
    HardwareLockGuard lock;
    return PeakIndex(0, 1000, [&](int i) { return buffer.GetPoint(unsigned(i)); });
  }

  std::shared_ptr<NormalBuffer> trace = std::make_shared<NormalBuffer>(1000);
};

TEST_F(NarrowSweepTest, ShowsTheCarrierInTheMiddle) {
  auto* t = Make<Sweep10MhzThread>(Carrier);
  t->Buffer = t->Keep(trace);
  slot.Start(t);
  ASSERT_TRUE(WaitFreshTrace(*trace));
  EXPECT_NEAR(TracePeak(*trace), 500, 2);
  EXPECT_GT(trace->GetPoint(500), trace->GetPoint(100) + 40);
}

TEST_F(NarrowSweepTest, APostedCentreRetunesBeforeTheNextSweepReachesTheTrace) {
  auto* t = Make<Sweep10MhzThread>(Carrier + 3e6);  // carrier 3 MHz below the centre
  t->Buffer = t->Keep(trace);
  slot.Start(t);
  ASSERT_TRUE(WaitFreshTrace(*trace));
  EXPECT_NEAR(TracePeak(*trace), 200, 2);
  t->PostFrequency(Carrier);
  ASSERT_TRUE(PumpUntil([&] { return !t->Frequency.Pending(); }));
  // Taken: the pass in progress is dropped, so every trace from now on has the new centre.
  ASSERT_TRUE(WaitFreshTrace(*trace));
  EXPECT_NEAR(TracePeak(*trace), 500, 2);
}

TEST_F(NarrowSweepTest, PostedVolumeAndTunerReachTheInstrumentClamped) {
  auto* t = Make<Sweep10MhzThread>(Carrier);
  t->Buffer = t->Keep(trace);
  slot.Start(t);
  struct Case {
    int posted;
    int expectedRegister;  // volume / 4
  };
  for (const Case& c : {Case{100, 25}, Case{300, 60}, Case{-5, 0}, Case{240, 60}}) {
    t->PostVolume(c.posted);
    ASSERT_TRUE(PumpUntil([&] { return !t->Volume.Pending(); })) << c.posted;
    ASSERT_TRUE(WaitSweeps(1));
    EXPECT_EQ(usb2sim::GetState().soundProcessor[0] & 0x3F, c.expectedRegister) << c.posted;
  }
  t->PostAudioTuner(27.5e6);
  ASSERT_TRUE(PumpUntil([&] { return !t->AudioTunerFrequency.Pending(); }));
  ASSERT_TRUE(WaitSweeps(1));
  EXPECT_NEAR(usb2sim::GetState().dds[5].frequencyHz, 27.5e6, 1.0);
}

TEST_F(NarrowSweepTest, DifferenceThreadShowsTheInputBOffset) {
  auto* t = Make<Sweep10MhzDiffThread>(Carrier);
  auto diff = std::make_shared<DigitalBuffer>(1000);
  t->DiffBuffer = t->Keep(diff);
  slot.Start(t);
  ASSERT_TRUE(WaitSweeps(6));
  HardwareLockGuard lock;
  // Around the carrier's flat top input B is 6 dB (about 11 detector counts) lower.
  double a = 0, b = 0;
  for (unsigned i = 490; i <= 510; ++i) {
    a += diff->Get(0, i);
    b += diff->Get(1, i);
  }
  EXPECT_NEAR((a - b) / 21.0, 6 * 1.8, 3.0);
  EXPECT_NEAR(PeakIndex(0, 1000, [&](int i) { return diff->Get(1, unsigned(i)); }), 500, 2);
}

TEST_F(NarrowSweepTest, MaxHoldKeepsThePulsedEmittersMaximum) {
  auto* t = Make<Sweep10MhzMaxHoldThread>(Pulsed);
  auto hold = std::make_shared<DigitalBuffer>(1000);
  hold->SetValue(1, 0, 999.0f);  // the thread clears what the view left
  t->MaxHoldBuffer = t->Keep(hold);
  slot.Start(t);
  ASSERT_TRUE(WaitSweeps(30));
  HardwareLockGuard lock;
  int liveLow = 0, heldLow = 0;
  for (unsigned i = 470; i <= 530; ++i) {  // inside the emitter's 1.2 MHz
    EXPECT_GE(hold->Get(1, i), hold->Get(0, i)) << i;
    if (hold->Get(0, i) < 120) ++liveLow;
    if (hold->Get(1, i) < 150) ++heldLow;
  }
  EXPECT_GT(liveLow, 5);  // the burst is off for part of the conversions...
  EXPECT_EQ(heldLow, 0);  // ...and the held trace keeps it on everywhere
  EXPECT_LT(hold->Get(1, 0), 999.0f);
}

TEST_F(NarrowSweepTest, IntensityThreadAddsOneWaterfallRowPerSweep) {
  auto* t = Make<SweepIntensityThread>(Carrier);
  auto water = std::make_shared<WaterfallBuffer>(1000, 8);
  t->Buffer = t->Keep(trace);
  t->Waterfall = t->Keep(water);
  slot.Start(t);
  ASSERT_TRUE(WaitSweeps(4));  // rows 7, 0, 1, 2, ...
  HardwareLockGuard lock;
  const SharedFloat* row = water->Rows[1];
  EXPECT_NEAR(PeakIndex(0, 1000, [&](int i) { return row[i].load(); }), 500, 2);
  EXPECT_LE(row[500].load(), 1.0f);  // levels scaled into 0..1
  EXPECT_GT(row[500].load(), 0.3f);
}

// Each class stops within one device step of the request; the sweep count shows it.
TEST_F(NarrowSweepTest, StopEndsTheThreadWithinOneStep) {
  auto* t = Make<Sweep10MhzDiffThread>(Carrier);
  auto diff = std::make_shared<DigitalBuffer>(1000);
  t->DiffBuffer = t->Keep(diff);
  slot.Start(t);
  ASSERT_TRUE(WaitSweeps(4));
  const unsigned before = Sweeps();
  EXPECT_TRUE(slot.Stop());
  // At most the pair in flight when the request came (two sweeps of one lock hold), and one more
  // that may have begun between reading the count and the request.
  EXPECT_LE(Sweeps() - before, 4u);
  EXPECT_EQ(LinkUp.load(), 1);
}

TEST_F(NarrowSweepTest, AVanishedModuleEndsTheThreadThroughTheErrorExit) {
  auto* t = Make<Sweep10MhzThread>(Carrier);
  t->Buffer = t->Keep(trace);
  bool ended = false, errorFlag = false;
  slot.Start(t, [&](IOThreadBase* sender) {
    ended = true;
    errorFlag = sender->ErrorFlag.load() != 0;
  });
  ASSERT_TRUE(WaitSweeps(2));
  usb2sim::UnplugNow();
  ASSERT_TRUE(PumpUntil([&] { return ended; }));
  EXPECT_TRUE(errorFlag);
  EXPECT_TRUE(slot.Event().WaitFor(0) == wrSignaled);
  EXPECT_EQ(LinkUp.load(), 0);
  EXPECT_FALSE(slot.Running());
}

TEST_F(NarrowSweepTest, WithoutItsBufferAThreadEndsAtOnceWithoutTheDevice) {
  const unsigned before = Sweeps();
  bool ended = false;
  slot.Start(Make<Sweep10MhzMaxHoldThread>(Carrier), [&](IOThreadBase*) { ended = true; });
  ASSERT_TRUE(PumpUntil([&] { return ended; }));
  EXPECT_EQ(Sweeps(), before);
  EXPECT_FALSE(slot.Event().WaitFor(0) == wrSignaled);
  EXPECT_EQ(LinkUp.load(), 1);
}

TEST(SweepPieces, ReverseBlockSwapsWordBytesToo) {
  uint8_t bytes[6] = {1, 2, 3, 4, 5, 6};
  ReverseBlock(bytes, 6);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 6), (std::vector<uint8_t>{6, 5, 4, 3, 2, 1}));
  // A word block of points (lo, hi) = (10, 90), (20, 80): reversed, point 0's first byte is at 2i + 1.
  uint8_t words[4] = {10, 90, 20, 80};
  ReverseBlock(words, 4);
  EXPECT_EQ(words[1], 20);
  EXPECT_EQ(words[0], 80);
}

TEST(SweepPieces, MaxHoldRaisesOnlyOnGreaterLevels) {
  DigitalBuffer b(3);
  struct Step {
    float level;
    float held;
  };
  for (const Step& s : {Step{50, 50}, Step{40, 50}, Step{50, 50}, Step{70, 70}, Step{0, 70}}) {
    SetMaxHoldPoint(b, 1, s.level);
    EXPECT_EQ(b.Get(0, 1), s.level);
    EXPECT_EQ(b.Get(1, 1), s.held);
  }
  SetMaxHoldPoint(b, 3, 80);  // beyond the count: nothing written, nothing read
  EXPECT_EQ(b.Get(1, 2), 0.0f);
}

TEST(SweepPieces, MinMaxChannels) {
  DigitalBuffer b(2);
  SetMinMaxPoint(b, 0, 60, 200);
  EXPECT_EQ(b.Get(1, 0), 60);
  EXPECT_EQ(b.Get(2, 0), 200);
  EXPECT_EQ(b.Get(0, 0), 130);
  EXPECT_EQ(b.Get(3, 0), 140);
  SetMinMaxPoint(b, 5, 1, 2);  // beyond the count
  EXPECT_EQ(b.Get(3, 1), 0);
}

TEST(SweepPieces, VolumeAndFrequencyClamps) {
  EXPECT_EQ(ClampVolume(-1), 0);
  EXPECT_EQ(ClampVolume(241), 240);
  EXPECT_EQ(ClampVolume(120), 120);
  EXPECT_EQ(ClampFrequency(-5), 0.0);
  EXPECT_EQ(ClampFrequency(20e9), 15e9);
  EXPECT_EQ(ClampFrequency(std::nan("")), 0.0);
}

}  // namespace
