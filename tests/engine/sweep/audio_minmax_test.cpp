// The audio and digital views' detail and overview threads against the simulated instrument: the
// audio spectrum of the 1 kHz tone, the test sound, the min/max channels of a carrier and of a
// pulsed emitter, and the RunGate hold; the activity and average traces as tables.
#include "engine/SweepThreads.h"
#include "engine/SweepWideThreads.h"

#include <cmath>

#include "SweepFixture.h"

namespace {

constexpr double Carrier = 868.3e6;  // 1 kHz tone transmitter
constexpr double Pulsed = 1880e6;

class AudioMinMaxTest : public SweepFixture {
 protected:
  template <typename T>
  T* Make(double centre) {
    EXPECT_TRUE(PrepareDetail(centre));
    auto* t = new T();
    t->SetDetailSweep();
    return t;
  }
  static int SoundWord() { return usb2sim::GetState().soundWord & 0xFF; }
  static int VolumeRegister() { return usb2sim::GetState().soundProcessor[0] & 0x3F; }

  std::shared_ptr<NormalBuffer> trace = std::make_shared<NormalBuffer>(1000);
};

TEST_F(AudioMinMaxTest, AudioSpectrumPeaksAtTheTonesBin) {
  auto* t = Make<SweepFFTThread>(Carrier);
  auto fft = std::make_shared<NormalBuffer>(256);
  auto water = std::make_shared<WaterfallBuffer>(256, 4);
  t->Buffer = t->Keep(trace);
  t->FFTTrace = t->Keep(fft);
  t->FFTWaterfall = t->Keep(water);
  slot.Start(t);
  ASSERT_TRUE(WaitSweeps(4));
  HardwareLockGuard lock;
  // 1 kHz at 22050 samples a second in 512 points: bin 23.2.
  int top = 1;
  for (unsigned i = 2; i < 256; ++i)
    if (fft->GetPoint(i) > fft->GetPoint(unsigned(top))) top = int(i);
  EXPECT_NEAR(top, 23, 1);
  EXPECT_FLOAT_EQ(fft->GetPoint(unsigned(top)), 1.0f);  // normalised to the largest value
  const SharedFloat* newest = water->Rows[(water->NextRow.load() + 3) % 4];
  EXPECT_GT(newest[top].load(), 0.5f);
  // Until a test sound is asked for, the operator's volume and the sound routing stay as they are.
  EXPECT_EQ(SoundWord(), 0);
}

// At the instrument's own pace the forty passes of a test sound take about two seconds.
class TestSoundTest : public AudioMinMaxTest {
 protected:
  std::string Scenario() const override { return "[device]\npace=real\n"; }
};

TEST_F(TestSoundTest, RunsFortyPassesAndRestoresTheVolume) {
  auto* t = Make<SweepFFTThread>(Carrier);
  auto fft = std::make_shared<NormalBuffer>(256);
  t->Buffer = t->Keep(trace);
  t->FFTTrace = t->Keep(fft);
  t->PostVolume(120);
  slot.Start(t);
  ASSERT_TRUE(WaitSweeps(45));  // past the 40 passes after the start: nothing ends a test sound
  EXPECT_EQ(VolumeRegister(), 30);
  t->StartTestSound(100);
  ASSERT_TRUE(PumpUntil([] { return SoundWord() == 3 && VolumeRegister() == 190 / 4; }));
  // The four stored tones are recorded in turn; then the routing and the volume go back.
  ASSERT_TRUE(PumpUntil([] { return SoundWord() == 0 && VolumeRegister() == 25; }));
  EXPECT_EQ(t->SoundSlot.load(), 3);
  EXPECT_EQ(usb2sim::GetState().lastRecord.param, 3);
}

TEST_F(AudioMinMaxTest, MinMaxChannelsSeparateACarrierFromAPulsedEmitter) {
  for (double centre : {Carrier, Pulsed}) {
    auto* t = Make<SweepMinMaxThread>(centre);
    auto minmax = std::make_shared<DigitalBuffer>(1000);
    auto water = std::make_shared<DigitalWaterBuffer>(1000, 32);
    auto activity = std::make_shared<NormalBuffer>(1000);
    auto average = std::make_shared<NormalBuffer>(1000);
    t->MinMaxBuffer = t->Keep(minmax);
    t->MinMaxWater = t->Keep(water);
    t->ActivityTrace = t->Keep(activity);
    t->AverageTrace = t->Keep(average);
    slot.Start(t);
    ASSERT_TRUE(WaitSweeps(40));
    {
      HardwareLockGuard lock;
      EXPECT_GT(minmax->Get(2, 500), minmax->Get(1, 100) + 40) << centre;  // the emitter's maximum
      const float spread = minmax->Get(3, 500);
      EXPECT_FLOAT_EQ(minmax->Get(0, 500), (minmax->Get(1, 500) + minmax->Get(2, 500)) / 2);
      EXPECT_EQ(activity->GetPoint(50), 0.0f);  // a steady floor is not active
      if (centre == Pulsed) {
        EXPECT_GT(spread, 60) << "pulsed";
        EXPECT_GT(average->GetPoint(500), average->GetPoint(50) * 10);  // the mean spread, cubed
      } else {
        EXPECT_LT(spread, 20) << "carrier";
      }
    }
    EXPECT_TRUE(slot.Stop());
  }
}

// Reports when the thread waits at a shut gate.
class GatedMinMaxThread : public SweepMinMaxThread {
 public:
  std::atomic<bool> AtShutGate{false};

 protected:
  bool BeforeStore() override {
    AtShutGate = RunGate.load() == 0;
    const bool go = SweepMinMaxThread::BeforeStore();
    AtShutGate = false;
    return go;
  }
};

TEST_F(AudioMinMaxTest, RunGateHoldsTheStoreAndAStopStillEndsTheThread) {
  auto* t = Make<GatedMinMaxThread>(Pulsed);
  auto minmax = std::make_shared<DigitalBuffer>(1000);
  t->MinMaxBuffer = t->Keep(minmax);
  slot.Start(t);
  ASSERT_TRUE(WaitSweeps(2));
  t->RunGate = 0;
  ASSERT_TRUE(PumpUntil([&] { return t->AtShutGate.load(); }));
  {
    HardwareLockGuard lock;
    minmax->SetValue(0, 0, -1.0f);
  }
  const unsigned held = Sweeps();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(minmax->Get(0, 0), -1.0f);  // nothing is written while the gate is shut
  EXPECT_EQ(Sweeps(), held);
  t->RunGate = 1;
  ASSERT_TRUE(PumpUntil([&] { return minmax->Get(0, 0) >= 0.0f; }));
  t->RunGate = 0;
  ASSERT_TRUE(PumpUntil([&] { return t->AtShutGate.load(); }));
  EXPECT_TRUE(slot.Stop());  // a shut gate does not keep the thread from ending
  EXPECT_EQ(OrphanedThreadCount(), 0);
}

// Reports when the wide thread waits at a shut gate.
class GatedWideMinMaxThread : public SweepWideMinMaxThread {
 public:
  std::atomic<bool> AtShutGate{false};

 protected:
  bool AfterSegment() override {
    AtShutGate = RunGate.load() == 0;
    const bool go = SweepWideMinMaxThread::AfterSegment();
    AtShutGate = false;
    return go;
  }
};

// A stop while the operator holds the overview still sets the finished event (the frame's wait
// returns at once instead of running into its time-out).
TEST_F(AudioMinMaxTest, WideMinMaxStoppedAtAShutGateSetsItsFinishedEvent) {
  auto* t = new GatedWideMinMaxThread();
  auto minmax = std::make_shared<DigitalBuffer>(320000);
  auto finished = std::make_shared<TEvent>(true, false);
  t->MinMaxBuffer = t->Keep(minmax);
  t->FinishedEvent = t->Keep(finished);
  ASSERT_TRUE(t->PostSettings(1830e6, 1930e6, 100e3));
  t->RunGate = 0;
  t->Resume();
  ASSERT_TRUE(PumpUntil([&] { return t->AtShutGate.load(); }));
  t->Terminate();  // the thread frees itself once it has ended; t is not used after this
  EXPECT_TRUE(PumpUntil([&] { return finished->WaitFor(0) == wrSignaled; }));
}

TEST_F(AudioMinMaxTest, WideMinMaxMarksThePulsedEmittersSpreadOnTheGrid) {
  auto* t = new SweepWideMinMaxThread();
  auto minmax = std::make_shared<DigitalBuffer>(320000);
  auto water = std::make_shared<DigitalWaterBuffer>(1000, 16);
  auto activity = std::make_shared<NormalBuffer>(1000);
  t->MinMaxBuffer = t->Keep(minmax);
  t->MinMaxWater = t->Keep(water);
  t->ActivityTrace = t->Keep(activity);
  ASSERT_TRUE(t->PostSettings(1830e6, 1930e6, 100e3));
  slot.Start(t);
  ASSERT_TRUE(WaitSweeps(24));
  HardwareLockGuard lock;
  const unsigned pulsed = unsigned(Pulsed * 2e-5), quiet = unsigned(1840e6 * 2e-5);
  EXPECT_GT(minmax->Get(3, pulsed), 60);
  EXPECT_LT(minmax->Get(3, quiet), 20);
  // The waterfall row maps 1830..1930 MHz onto 1000 points: 1880 MHz at 500.
  const SharedFloat* row = water->GetBufferForDisplay(14, 0);
  EXPECT_GT(row[500].load(), 60 * 0.00392f);
  EXPECT_LT(row[100].load(), 20 * 0.00392f);
  EXPECT_EQ(activity->GetPoint(100), 0.0f);
}

// ---- Activity and average traces ----

TEST(DigitalTraces, ActivityMarksPointsThatChangeFromRowToRow) {
  DigitalWaterBuffer water(1000, 8);
  std::vector<float> row(1000);
  for (int r = 0; r < 8; ++r) {
    for (int i = 0; i < 1000; ++i) row[size_t(i)] = 0.2f;                    // steady everywhere...
    for (int i = 400; i < 440; ++i) row[size_t(i)] = (r % 2) ? 0.9f : 0.1f;  // ...but here
    water.Insert(row.data(), 0, 1.0f, false);
  }
  NormalBuffer trace(1000);
  FillActivityTrace(water, trace, {12, 85.0f});
  EXPECT_EQ(trace.GetPoint(420), 85.0f);
  EXPECT_EQ(trace.GetPoint(100), 0.0f);
  EXPECT_EQ(trace.GetPoint(900), 0.0f);
  // A steady level: s = 1 per point, 256 / 8 * 0.1 = 3.2 after smoothing, never above 127.
  DigitalWaterBuffer steady(1000, 8);
  for (int r = 0; r < 8; ++r) steady.Insert(row.data(), 0, 0.0f, false);
  FillActivityTrace(steady, trace, {6, 255.0f});
  for (unsigned i = 0; i < 1000; i += 50) EXPECT_EQ(trace.GetPoint(i), 0.0f) << i;
}

TEST(DigitalTraces, AverageIsTheCubedMeanOfTheRows) {
  struct Case {
    float level;  // every row, every point
    int half;
    float scale;
    float expected;  // (level x 255 x scale x 7/8)^3 x 0.005: the newest row is left out
  };
  const float narrow = 0.1f * 255 * 7 / 8, wide = 0.05f * 255 * 7 / 8;
  for (const Case& c : {Case{0.0f, 20, 1.0f, 0.0f}, Case{0.1f, 20, 1.0f, 0.005f * narrow * narrow * narrow},
                        Case{0.1f, 1, 0.5f, 0.005f * wide * wide * wide}}) {
    DigitalWaterBuffer water(1000, 8);
    std::vector<float> row(1000, c.level);
    for (int r = 0; r < 8; ++r) water.Insert(row.data(), 0, 1.0f, false);
    NormalBuffer trace(1000);
    FillAverageTrace(water, trace, c.half, c.scale);
    EXPECT_NEAR(trace.GetPoint(500), c.expected, c.expected * 1e-4 + 1e-6);
  }
}

}  // namespace
