// What the operator relies on in the two field-locate modes, against the simulated instrument: the
// front-end key makes the digital level the new reference (the output back at 127, the indicator at
// rest), the pulse mode's held peak decays by time (about 37 % after 0.1 s), and the attenuation that
// the analogue auto-ranging ends at is the one its reference sweep and every later sweep use.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <utility>

#include "engine/Buffers.h"
#include "engine/FieldLocateThreads.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TestClock.h"
#include "tests/engine/locate/LocateFixture.h"

namespace {

// A transmitter on the carrier over the given bandwidth.
usb2sim::EmitterSpec Wide(double dbm, double bandwidthHz) {
  return LocateFixture::Emitter(LocateFixture::Carrier, dbm, bandwidthHz);
}

class FieldLocateLevelsTest : public ::testing::Test, public LocateFixture {
 protected:
  static void SetUpTestSuite() { BindSimulator(); }
  void SetUp() override { StartInstrument("[scene]\ndefault_emitters=0\n"); }
  void TearDown() override {
    StopPerformanceCounterAt(std::nullopt);
    StopInstrument();
    usb2sim::SetKeyPressed(false);
  }

  DigFieldLocateThread* StartDigital(bool pulseMode) {
    buffer = std::make_shared<DigitalBuffer>(DigFieldLocateThread::Points);
    water = std::make_shared<DigitalWaterBuffer>(100, 100);
    auto* thread = NewDigitalLocate(buffer, water);
    thread->PulseMode = pulseMode;
    Start(thread);
    return thread;
  }
  // Waits until the thread has finished `passes` more passes (each pulse-mode pass adds a row).
  bool PassesDone(int passes) {
    const int from = water->NextRow.load();
    return PumpUntil([&] { return water->NextRow.load() >= from + passes; });
  }

  std::shared_ptr<DigitalBuffer> buffer;
  std::shared_ptr<DigitalWaterBuffer> water;
};

// A strong pulsed transmitter drives the output far above 127 (indicator at full, 0). The operator
// presses the front-end key: one click, and the level of that pass becomes the reference: gain =
// 127 / level, so the output sits at 127 and the indicator rests at 170 again.
TEST_F(FieldLocateLevelsTest, FrontEndKeyMakesTheDigitalLevelTheReference) {
  usb2sim::EmitterSpec burst = Wide(-20, 50e6);
  burst.pulsed = true;
  usb2sim::AddEmitter(burst);
  DigFieldLocateThread* thread = StartDigital(false);
  // The level is the mean of the last ten passes (one word sweep each): wait until it is full.
  ASSERT_TRUE(
      PumpUntil([&] { return usb2sim::GetState().sweeps > 2 * DigFieldLocateThread::HistoryLength; }));
  ASSERT_TRUE(PumpUntil([&] { return thread->Level > 300 && usb2sim::GetState().soundPot[1] == 0; }))
      << thread->Level;
  EXPECT_EQ(thread->Gain.load(), 1.0);
  const unsigned clicks = usb2sim::GetState().lastPlay.count;

  usb2sim::SetKeyPressed(true);
  ASSERT_TRUE(PumpUntil([&] { return usb2sim::GetState().lastPlay.count > clicks; })) << "the click";
  usb2sim::SetKeyPressed(false);
  ASSERT_TRUE(PumpUntil([&] { return thread->Gain < 1.0; }));
  const double gain = thread->Gain;
  // The gain maps one of the levels of these passes to 127; the level moves by a few counts only.
  EXPECT_NEAR(gain * thread->Level, 127.0, 127.0 * 0.05) << "gain " << gain << " level " << thread->Level;
  EXPECT_TRUE(PumpUntil([] { return usb2sim::GetState().soundPot[1] > 150; })) << "the indicator at rest";
  EXPECT_TRUE(slot.Stop());
  EXPECT_EQ(errorFlag, 0);
}

// The pulse mode holds the highest AD block and lets it fall by exp(-t / 0.1 s): with the clock held,
// passes without a new peak keep it; 0.1 s later it stands at 1/e of the peak, and stays there while
// the clock stands again (the decay follows the time, not the number of passes).
TEST_F(FieldLocateLevelsTest, PulsePeakHoldFallsToAboutThirtySevenPercentAfterATenthOfASecond) {
  DigFieldLocateThread::ResetPeakHold();
  const int id = usb2sim::AddEmitter(Wide(10, 1e6));  // saturates the detector: 255
  int64_t now = QueryPerformanceCounter();
  StopPerformanceCounterAt(now);
  DigFieldLocateThread* thread = StartDigital(true);
  ASSERT_TRUE(PumpUntil([] { return DigFieldLocateThread::PeakHold() >= 250; }));
  const double peak = DigFieldLocateThread::PeakHold();
  usb2sim::RemoveEmitter(id);
  ASSERT_TRUE(PassesDone(3));
  EXPECT_EQ(DigFieldLocateThread::PeakHold(), peak) << "no time has passed";
  EXPECT_EQ(buffer->Get(5, 50), float(peak)) << "channel 5 shows the held peak";

  now += QueryPerformanceFrequency() / 10;
  StopPerformanceCounterAt(now);
  ASSERT_TRUE(PassesDone(3));
  EXPECT_NEAR(DigFieldLocateThread::PeakHold(), peak * std::exp(-1.0), 0.01) << "about 37 %";
  EXPECT_NEAR(buffer->Get(5, 50), peak * std::exp(-1.0), 0.01);
  EXPECT_TRUE(slot.Stop());
  (void)thread;
}

// From attenuation 0 a level that first fits the window at 16 dB moves the attenuation on to 24 dB
// (the move follows the sweep). The reference is measured at 24 dB, and every later sweep runs there.
TEST_F(FieldLocateLevelsTest, RangingEndsAtTwentyFourDecibelsAndTheReferenceSweepRunsThere) {
  // The noise floor reads 68 counts at -100 dBm, 1.8 counts a dB: the window lies around
  // 68 + (150 - 68) / 2 = 109 counts, which this transmitter reaches through 16 dB (at 0 dB: 138,
  // at 24 dB: 95).
  usb2sim::AddEmitter(Wide(-100 + (109 - 68) / 1.8 + 16, 2e6));
  auto trace = std::make_shared<DigitalBuffer>(400);
  auto* thread = new FieldLocateThread();
  thread->Buffer = trace.get();
  thread->Hold(trace);
  thread->StartFrequency = Carrier;
  Start(thread);
  ASSERT_TRUE(PumpUntil([&] { return thread->ReferenceLevel > 0; }));
  const unsigned sweeps = usb2sim::GetState().sweeps;
  ASSERT_TRUE(PumpUntil([&] { return usb2sim::GetState().sweeps > sweeps + 5; }));
  EXPECT_EQ(thread->Attenuation.load(), 24);
  EXPECT_EQ(usb2sim::GetState().attenuatorDb, 24);
  // The reference is the level at 24 dB plus 10 (at 16 dB it would be about 14 counts higher).
  EXPECT_NEAR(thread->Level, 95, 4);
  EXPECT_NEAR(thread->ReferenceLevel - 10, thread->Level, 2.5);
  EXPECT_TRUE(slot.Stop());
  EXPECT_EQ(errorFlag, 0);
}

}  // namespace
