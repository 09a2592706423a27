// Field locate, sonar and mobile-band threads against the simulated instrument: tracking a drifting
// carrier, ranging a rising level, the probe's LEDs and digits, posted potentiometer values, a probe
// unplugged, held band peaks; and for every thread the stop and the end on a vanished module.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <ostream>
#include <utility>

#include "display/Display.h"
#include "engine/Buffers.h"
#include "engine/FieldLocateThreads.h"
#include "engine/LocateMath.h"
#include "engine/MobilThread.h"
#include "engine/SonarThreads.h"
#include "base/HardwareLockGuard.h"
#include "tests/engine/locate/LocateFixture.h"

namespace {

class LocateThreadTest : public ::testing::Test, public LocateFixture {
 protected:
  static void SetUpTestSuite() { BindSimulator(); }
  void SetUp() override { StartInstrument("[scene]\ndefault_emitters=0\n"); }
  void TearDown() override { StopInstrument(); }

  std::shared_ptr<DigitalBuffer> MakeBuffer(unsigned points) {
    auto buffer = std::make_shared<DigitalBuffer>(points);
    return buffer;
  }

  // A field locate thread on the carrier drawing into buffer (held by the thread), not yet started.
  static FieldLocateThread* NewFieldLocate(std::shared_ptr<DigitalBuffer> buffer) {
    auto* thread = new FieldLocateThread();
    thread->Buffer = buffer.get();
    thread->Hold(std::move(buffer));
    thread->StartFrequency = Carrier;
    return thread;
  }
};

// ---- Field locate ----

TEST_F(LocateThreadTest, FieldLocateTracksACarrierDriftingByTwoMegahertz) {
  usb2sim::EmitterSpec drifting = Emitter(Carrier, -50);
  // Slow enough that a worker held back by a busy machine still finds the carrier in its window.
  drifting.driftHzPerS = 200e3;
  drifting.driftLimitHz = 2e6;
  const int id = usb2sim::AddEmitter(Emitter(Carrier, -50));
  auto buffer = MakeBuffer(400);
  auto* thread = NewFieldLocate(buffer);
  thread->SetGraphCommands(true);
  Start(thread);
  // Locked onto the carrier first, then it walks away by 2 MHz and the sweep follows it.
  ASSERT_TRUE(PumpUntil([&] { return std::fabs(thread->Frequency - Carrier) < 50e3 && thread->Level > 0; }));
  usb2sim::ModifyEmitter(id, drifting);
  EXPECT_TRUE(PumpUntil([&] { return std::fabs(thread->Frequency - (Carrier + 2e6)) < 50e3; }))
      << "centre " << thread->Frequency;
  // The centre is marked in the middle of the sweep (the channels are redrawn every pass, so wait
  // for a pass that has drawn them).
  EXPECT_TRUE(PumpUntil([&] {
    return buffer->Get(locate::CentreChannel, 200) + buffer->Get(locate::CentreChannel, 199) +
               buffer->Get(locate::CentreChannel, 201) + buffer->Get(locate::MaskChannel, 200) >
           0.0f;
  }));
  EXPECT_TRUE(slot.Stop());
  EXPECT_FALSE(finished);
}

TEST_F(LocateThreadTest, FieldLocateWithoutTrackingStaysOnTheStartFrequency) {
  usb2sim::AddEmitter(Emitter(Carrier + 1e6, -50));
  auto* thread = NewFieldLocate(MakeBuffer(400));
  Start(thread);
  ASSERT_TRUE(PumpUntil([&] { return usb2sim::GetState().sweeps > 20; }));
  EXPECT_DOUBLE_EQ(thread->Frequency, Carrier);
  EXPECT_TRUE(slot.Stop());
}

// The operator walks towards the transmitter: 30 dB more. The key re-ranges the attenuator and brings
// the level back into the window between the floor and 150; the indicator follows the level.
TEST_F(LocateThreadTest, RangingBringsALevelThatRoseByThirtyDecibelsBackIntoRange) {
  usb2sim::EmitterSpec wide = Emitter(Carrier, -85);
  wide.bandwidthHz = 1e6;  // fills the points the level is taken from
  const int id = usb2sim::AddEmitter(wide);
  auto* thread = NewFieldLocate(MakeBuffer(400));
  Start(thread);
  ASSERT_TRUE(PumpUntil([&] { return usb2sim::GetState().sweeps > 10; }));
  const int before = thread->Attenuation;
  const double middle = thread->MinimumLevel + (150.0 - thread->MinimumLevel) * 0.5;

  wide.levelDbm += 30;
  usb2sim::ModifyEmitter(id, wide);
  ASSERT_TRUE(PumpUntil([&] { return thread->Level > middle + 5; }));
  usb2sim::SetKeyPressed(true);
  ASSERT_TRUE(PumpUntil([&] { return usb2sim::GetState().lastPlay.count > 0; })) << "the click";
  usb2sim::SetKeyPressed(false);
  ASSERT_TRUE(PumpUntil([&] { return thread->Attenuation > before + 10; }));
  ASSERT_TRUE(PumpUntil([&] { return thread->ReferenceLevel > 0 && thread->Level < middle + 5; }));
  EXPECT_EQ(usb2sim::GetState().attenuatorDb, thread->Attenuation.load());
  EXPECT_TRUE(slot.Stop());
  EXPECT_EQ(errorFlag, 0);
}

// The indicator is the second channel of the sound module's dual potentiometer; its first channel
// (the sonar's sensitivity) is left as it was.
TEST_F(LocateThreadTest, FieldLocateIndicatorGoesToTheSecondChannelOfTheSoundPotentiometer) {
  {
    HardwareLockGuard lock;
    ASSERT_TRUE(IOCtrl->WriteDualPot(I2CAddr::SoundPot, false, 0x5A));
    ASSERT_TRUE(IOCtrl->WriteDualPot(I2CAddr::SoundPot, true, 0xA5));
  }
  usb2sim::EmitterSpec wide = Emitter(Carrier, -95);
  wide.bandwidthHz = 2e6;
  const int id = usb2sim::AddEmitter(wide);
  auto* thread = NewFieldLocate(MakeBuffer(400));
  Start(thread);
  // At the ranged level (below the reference) the indicator rests at 170.
  ASSERT_TRUE(PumpUntil([] { return usb2sim::GetState().soundPot[1] == 170; }));
  wide.levelDbm += 40;  // the operator walks up to the transmitter
  usb2sim::ModifyEmitter(id, wide);
  EXPECT_TRUE(PumpUntil([] { return usb2sim::GetState().soundPot[1] < 100; }));
  EXPECT_EQ(usb2sim::GetState().soundPot[0], 0x5A);
  EXPECT_TRUE(slot.Stop());
  EXPECT_EQ(errorFlag, 0);
}

TEST_F(LocateThreadTest, DigitalFieldLocateFillsItsChannelsAndAppliesThePostedAttenuation) {
  usb2sim::AddEmitter(Emitter(Carrier, -40));
  auto buffer = MakeBuffer(100);
  auto water = std::make_shared<DigitalWaterBuffer>(100, 100);
  auto* thread = NewDigitalLocate(buffer, water);
  Start(thread);
  ASSERT_TRUE(PumpUntil([&] { return buffer->Get(1, 50) > 0; }));
  thread->Attenuation.Post(31);
  EXPECT_TRUE(PumpUntil([] { return usb2sim::GetState().attenuatorDb == 31; }));
  // Pulse mode: the detector's samples at the frequency, held peak in channel 5, waterfall rows.
  DigFieldLocateThread::ResetPeakHold();
  thread->PulseMode = true;
  EXPECT_TRUE(PumpUntil([&] { return buffer->Get(5, 0) > 0 && water->NextRow > 2; }));
  EXPECT_GT(DigFieldLocateThread::PeakHold(), 0.0);
  EXPECT_TRUE(slot.Stop());
}

// ---- Sonar ----

class SonarTest : public LocateThreadTest {
 protected:
  SonarThread* StartSonar(double hz) {
    buffer = MakeBuffer(400);
    auto* thread = new SonarThread(nullptr, hz);
    thread->Buffer = buffer.get();
    thread->Hold(buffer);
    Start(thread);
    return thread;
  }
  std::shared_ptr<DigitalBuffer> buffer;
};

TEST_F(SonarTest, LedBarAndDigitsRiseWithTheLevelAtTheFrequency) {
  const int id = usb2sim::AddEmitter(Emitter(Carrier, -90));
  SonarThread* thread = StartSonar(Carrier);
  // The level settles (smoothing 1/8 from 255): wait until it stops falling.
  ASSERT_TRUE(PumpUntil([&] { return thread->ProbeLevel < 100; }));
  ASSERT_TRUE(PumpUntil([&] { return usb2sim::GetState().ledCount < 8; }));
  const auto weak = usb2sim::GetState();
  usb2sim::ModifyEmitter(id, Emitter(Carrier, -40));
  ASSERT_TRUE(PumpUntil([&] { return usb2sim::GetState().ledCount > weak.ledCount + 8; }));
  // A pass sets the level and the LED bar inside the hardware lock: read both under it, so that no
  // pass can fall between the two reads.
  usb2sim::State strong;
  double level = 0;
  {
    HardwareLockGuard lock;
    strong = usb2sim::GetState();
    level = thread->ProbeLevel;
  }
  EXPECT_GT(std::stod(strong.digits), std::stod(weak.digits));
  EXPECT_EQ(strong.ledCount, locate::ProbeLedCount(level)) << "within one pass";
  EXPECT_TRUE(slot.Stop());
}

TEST_F(SonarTest, PostedParametersReachThePotentiometerAndOnRequestTheEeprom) {
  SonarThread* thread = StartSonar(Carrier);
  ASSERT_TRUE(PumpUntil([] { return usb2sim::GetState().sweeps > 3; }));
  const auto s0 = usb2sim::GetState();
  EXPECT_EQ(s0.soundPot[0], s0.eeprom[17]) << "sensitivity loaded from the EEPROM";
  EXPECT_EQ(s0.soundPot[1], s0.eeprom[18]) << "beat loaded from the EEPROM";

  thread->SetParameters(77, 99, false);
  ASSERT_TRUE(PumpUntil([] { return usb2sim::GetState().soundPot[1] == 77; }));
  EXPECT_EQ(usb2sim::GetState().soundPot[0], 99);
  EXPECT_EQ(usb2sim::GetState().eeprom[18], s0.eeprom[18]) << "loading does not store";

  thread->SetParameters(55, 66, true);
  ASSERT_TRUE(PumpUntil([] { return usb2sim::GetState().eeprom[17] == 66; }));
  EXPECT_EQ(usb2sim::GetState().eeprom[18], 55);
  EXPECT_TRUE(slot.Stop());
}

TEST_F(SonarTest, UnpluggedProbeEndsTheThreadQuietly) {
  SonarThread* thread = StartSonar(Carrier);
  ASSERT_TRUE(PumpUntil([] { return usb2sim::GetState().sweeps > 5; }));
  usb2sim::SetProbePresent(false);
  ASSERT_TRUE(PumpUntil([&] { return finished; }));
  EXPECT_EQ(errorFlag, 0);
  EXPECT_EQ(LinkUp.load(), 1);
  EXPECT_FALSE(slot.Running());
  (void)thread;
  usb2sim::SetProbePresent(true);
}

TEST_F(SonarTest, AutoTrackingMovesTheReceiverTowardsTheNearestPeak) {
  usb2sim::EmitterSpec wide = Emitter(Carrier + 1.5e6, -40);
  wide.bandwidthHz = 1e6;
  usb2sim::AddEmitter(wide);
  SonarThread* thread = StartSonar(Carrier);
  thread->SetGraphCommands(true);
  EXPECT_TRUE(PumpUntil([&] { return std::fabs(thread->Frequency - (Carrier + 1.5e6)) < 100e3; }))
      << thread->Frequency;
  EXPECT_TRUE(slot.Stop());
}

TEST_F(SonarTest, VlfSonarDrivesTheProbeThroughTheVlfModule) {
  const int id = usb2sim::AddEmitter(Emitter(1.2e6, -90));
  buffer = MakeBuffer(160);
  auto* thread = new VlfSonarThread(nullptr, 1.2e6);
  thread->Buffer = buffer.get();
  thread->Hold(buffer);
  Start(thread);
  ASSERT_TRUE(PumpUntil([] { return usb2sim::GetState().vlfOn; }));
  ASSERT_TRUE(PumpUntil([&] { return usb2sim::GetState().ledCount < 5; })) << "settled on the weak level";
  const int weak = usb2sim::GetState().ledCount;
  usb2sim::ModifyEmitter(id, Emitter(1.2e6, -40));
  EXPECT_TRUE(PumpUntil([&] { return usb2sim::GetState().ledCount > weak + 8; }));
  EXPECT_TRUE(slot.Stop());
}

// ---- Mobile bands ----

TEST_F(LocateThreadTest, MobileBandHoldsAPeakForThreeSeconds) {
  // 900 MHz lies in the GSM 900 band (880..915 MHz, 20 points of 1.75 MHz): point 11.
  const int id = usb2sim::AddEmitter(Emitter(900e6, -50));
  std::array<std::shared_ptr<DigitalBuffer>, MobilThreadV2::BandCount> buffers;
  auto* thread = new MobilThreadV2();
  for (int b = 0; b < MobilThreadV2::BandCount; ++b) {
    buffers[size_t(b)] = MakeBuffer(MobilThreadV2::BufferPoints);
    thread->Buffers[size_t(b)] = buffers[size_t(b)].get();
    thread->Hold(buffers[size_t(b)]);
  }
  DigitalBuffer& gsm = *buffers[0];
  Start(thread);
  // The noise floor reads a little above 64, a few counts of level.
  constexpr float Quiet = 25.0f;
  ASSERT_TRUE(PumpUntil([&] { return gsm.Get(0, 11) > 100; }));
  EXPECT_LT(gsm.Get(0, 2), Quiet) << "the rest of the band is quiet";
  EXPECT_LT(buffers[5]->Get(0, 11), Quiet) << "DECT is quiet";

  thread->PostAlarmLevel(0, 200);
  EXPECT_TRUE(PumpUntil([&] { return gsm.Get(3, 0) == 200.0f; }));

  const float peak = gsm.Get(1, 11);
  usb2sim::RemoveEmitter(id);
  const auto removed = std::chrono::steady_clock::now();
  ASSERT_TRUE(PumpUntil([&] { return gsm.Get(0, 11) < Quiet; }));
  EXPECT_GE(gsm.Get(1, 11), peak * 0.8f) << "held after the level fell";
  ASSERT_TRUE(PumpUntil([&] { return gsm.Get(1, 11) < Quiet; }));
  EXPECT_GE(std::chrono::duration<double>(std::chrono::steady_clock::now() - removed).count(), 2.9);
  EXPECT_TRUE(slot.Stop());
}

// ---- Every thread: the stop, and the end on a vanished module ----

enum class Kind { Field, Digital, Sonar, VlfSonar, Mobil };
std::ostream& operator<<(std::ostream& os, Kind k) {
  const char* names[] = {"FieldLocate", "DigitalFieldLocate", "Sonar", "VlfSonar", "MobileBands"};
  return os << names[int(k)];
}

class EveryLocateThreadTest : public LocateThreadTest, public ::testing::WithParamInterface<Kind> {
 protected:
  IOThreadBase* Make() {
    buffer = MakeBuffer(400);
    switch (GetParam()) {
      case Kind::Field: {
        auto* t = new FieldLocateThread();
        t->Buffer = buffer.get();
        t->StartFrequency = Carrier;
        t->Hold(buffer);
        return t;
      }
      case Kind::Digital: {
        auto* t = new DigFieldLocateThread();
        t->Buffer = buffer.get();
        t->Frequency = Carrier;
        t->Hold(buffer);
        return t;
      }
      case Kind::Sonar: {
        auto* t = new SonarThread(nullptr, Carrier);
        t->Buffer = buffer.get();
        t->Hold(buffer);
        return t;
      }
      case Kind::VlfSonar: {
        auto* t = new VlfSonarThread(nullptr, 1e6);
        t->Buffer = buffer.get();
        t->Hold(buffer);
        return t;
      }
      case Kind::Mobil: {
        auto* t = new MobilThreadV2();
        t->Buffers[0] = buffer.get();
        t->Hold(buffer);
        return t;
      }
    }
    return nullptr;
  }
  std::shared_ptr<DigitalBuffer> buffer;
};

TEST_P(EveryLocateThreadTest, StopsWithinOneStep) {
  Start(Make());
  ASSERT_TRUE(PumpUntil([] { return usb2sim::GetState().sweeps > 3; }));
  slot.StopTimeoutMs = 5000;
  EXPECT_TRUE(slot.Stop());
  EXPECT_EQ(LinkUp.load(), 1);
  EXPECT_EQ(OrphanedThreadCount(), 0);
}

TEST_P(EveryLocateThreadTest, EndsThroughTheErrorExitWhenTheModuleVanishes) {
  Start(Make());
  ASSERT_TRUE(PumpUntil([] { return usb2sim::GetState().sweeps > 3; }));
  usb2sim::UnplugNow();
  ASSERT_TRUE(PumpUntil([&] { return finished; }));
  EXPECT_EQ(errorFlag, 1);
  EXPECT_EQ(LinkUp.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(Locate, EveryLocateThreadTest,
                         ::testing::Values(Kind::Field, Kind::Digital, Kind::Sonar, Kind::VlfSonar,
                                           Kind::Mobil),
                         [](const auto& info) {
                           std::ostringstream os;
                           os << info.param;
                           return os.str();
                         });

}  // namespace

namespace {

// The scenario's handsets and a drifting, rising emitter from its keys.
TEST(LocateScenario, HandsetsShowInTheirBandsAndScenarioEmittersMove) {
  LocateFixture::BindSimulator();
  LocateFixture f;
  f.StartInstrument(
      "[scene]\ndefault_emitters=0\nmobile_handsets=1\n"
      "[emitter0]\nfrequency_mhz=100\ndrift_khz_per_s=500\ndrift_limit_khz=1000\n"
      "level_rise_db_per_s=10\nlevel_limit_dbm=-30\n");
  const auto emitters = usb2sim::GetEmitters();
  ASSERT_EQ(emitters.size(), 6u);
  EXPECT_DOUBLE_EQ(emitters[0].spec.driftHzPerS, 500e3);
  EXPECT_DOUBLE_EQ(emitters[0].spec.driftLimitHz, 1e6);
  EXPECT_DOUBLE_EQ(emitters[0].spec.levelLimitDbm, -30);
  std::array<std::shared_ptr<DigitalBuffer>, MobilThreadV2::BandCount> buffers;
  auto* thread = new MobilThreadV2();
  for (int b = 0; b < MobilThreadV2::BandCount; ++b) {
    buffers[size_t(b)] = std::make_shared<DigitalBuffer>(MobilThreadV2::BufferPoints);
    thread->Buffers[size_t(b)] = buffers[size_t(b)].get();
    thread->Hold(buffers[size_t(b)]);
  }
  f.Start(thread);
  auto bandPeak = [&](int b) {
    float top = 0;
    for (unsigned i = 0; i < MobilThreadV2::BufferPoints; ++i)
      top = std::max(top, buffers[size_t(b)]->Get(1, i));
    return top;
  };
  for (int b = 0; b < 5; ++b)
    EXPECT_TRUE(f.PumpUntil([&] { return bandPeak(b) > 100; })) << MobilThreadV2::Bands[size_t(b)].name;
  f.StopInstrument();
}

}  // namespace
