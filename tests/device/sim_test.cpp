// The device object against the simulated instrument (libusb2.so): bring-up, tunings read back from
// the instrument's state, sweeps across emitters, probe, memories, health and a module unplugged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "device/InOut.h"
#include "sim/Instrument.h"
#include "tests/support/SimInstrument.h"

namespace {

class SimTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { siminstrument::Bind(); }
  static void TearDownTestSuite() { siminstrument::Unbind(); }

  void SetUp() override {
    ASSERT_TRUE(siminstrument::Load(""));
    io = std::make_unique<IOControl>(0);
    ASSERT_NE(Usb2DllHandle, nullptr);
  }
  void TearDown() override { io.reset(); }

  // The hardware bring-up as the main window runs it, then the version query that brings the link up.
  bool BringUp() {
    if (!siminstrument::BringUp(*io)) return false;
    int version = 0;
    return io->GetPicVersion(&version) && version != 0;
  }

  // Centre of the run around the strongest sample that stays above half-way between the floor
  // (the median) and the maximum; a strong carrier fills the detector over several points.
  static int PeakIndex(const std::vector<uint8_t>& samples) {
    const int top = int(std::max_element(samples.begin(), samples.end()) - samples.begin());
    std::vector<uint8_t> sorted(samples);
    std::nth_element(sorted.begin(), sorted.begin() + long(sorted.size() / 2), sorted.end());
    const int threshold = (samples[size_t(top)] + sorted[sorted.size() / 2]) / 2;
    int first = top, last = top;
    while (first > 0 && samples[size_t(first - 1)] > threshold) --first;
    while (last + 1 < int(samples.size()) && samples[size_t(last + 1)] > threshold) ++last;
    return (first + last) / 2;
  }

  static usb2sim::EmitterSpec Carrier(double hz) {
    usb2sim::EmitterSpec e;
    e.frequencyHz = hz;
    e.levelDbm = -30.0;
    e.bandwidthHz = 10e3;
    return e;
  }

  std::unique_ptr<IOControl> io;
};

TEST_F(SimTest, BringUpSucceedsAndSetsThePeripherals) {
  ASSERT_TRUE(BringUp());
  const auto s = usb2sim::GetState();
  EXPECT_TRUE(s.powered);
  EXPECT_EQ(s.mainboardPort, 0x02);
  EXPECT_EQ(s.band, 0);
  EXPECT_EQ(s.ifPortSweep, 0xFF);
  EXPECT_EQ(s.soundProcessor[2], 63);
  EXPECT_EQ(s.soundProcessor[5], 16);
  EXPECT_EQ(s.soundProcessor[6], 16);
  for (int d = 0; d < 6; ++d) EXPECT_FALSE(s.dds[size_t(d)].on) << d;
  EXPECT_EQ(io->DdsClockOffset, 0.0);
  EXPECT_EQ(io->VcoHighRefOffset, 0.0);
  int soundVersion = 0;
  EXPECT_TRUE(io->GetSoundPicVersion(&soundVersion));
  EXPECT_NE(soundVersion, 0);
}

TEST_F(SimTest, TunedSynthesisersReadBack) {
  ASSERT_TRUE(BringUp());
  ASSERT_TRUE(io->InitMeasureMode());
  auto s = usb2sim::GetState();
  EXPECT_TRUE(s.dds[1].on);
  EXPECT_EQ(s.dds[1].word, 66598836u);  // main VCO low reference, 19.848 MHz
  for (double f : {27.3e6, 25.3e6, 30.0e6}) {
    ASSERT_TRUE(io->SetIFTunerSweep(f));
    ASSERT_TRUE(io->SetIFTunerAudio(f + 1e6));
    s = usb2sim::GetState();
    EXPECT_EQ(s.dds[4].word, TuningWord(f, io->DdsUnit(80e6))) << f;
    EXPECT_NEAR(s.dds[4].frequencyHz, f, f * 1e-4) << f;
    EXPECT_NEAR(s.dds[5].frequencyHz, f + 1e6, f * 1e-4) << f;
  }
  struct Case {
    double f;
    int band;
    uint32_t word;
  };
  for (const Case c : {Case{1e9, 0, 0x0F000000u}, Case{5e9, 0, 0x19000000u}, Case{1e10, 1, 0x12C00000u},
                       Case{2e10, 1, 0x19000000u}}) {
    ASSERT_TRUE(io->SetFrequency(c.f));
    s = usb2sim::GetState();
    EXPECT_EQ(s.band, c.band) << c.f;
    EXPECT_EQ(s.dds400Word, c.word) << c.f;
  }
}

TEST_F(SimTest, CalibratedReceiverHearsTheFrequencyAskedFor) {
  ASSERT_TRUE(BringUp());
  ASSERT_TRUE(io->CalibrateXO400());
  EXPECT_TRUE(std::isfinite(io->Dds400ClockOffset));
  EXPECT_EQ(usb2sim::GetState().attenuatorDb, 0);
  ASSERT_TRUE(io->InitMeasureMode());
  for (double f : {100e6, 2.4e9, 4.9e9, 5.1e9, 9.5e9, 14.9e9}) {
    ASSERT_TRUE(io->SetFrequency(f));
    EXPECT_NEAR(usb2sim::GetState().receiveHz, f, 100e3) << f;
  }
}

// An overview sweep of 1000 points at 1 MHz shows each emitter at its own index, also when the
// sweep crosses the band split.
TEST_F(SimTest, SweepAcrossAnEmitterPeaksAtItsFrequency) {
  ASSERT_TRUE(BringUp());
  ASSERT_TRUE(io->CalibrateXO400());
  ASSERT_TRUE(io->InitMeasureMode());
  struct Case {
    double start, emitter;
    int index;
  };
  for (const Case c : {Case{2.0e9, 2.4e9, 400}, Case{7.0e9, 7.3e9, 300}, Case{4.5e9, 4.8e9, 300},
                       Case{4.5e9, 5.2e9, 700}, Case{0.1e9, 0.9e9, 800}}) {
    usb2sim::ClearEmitters();
    usb2sim::AddEmitter(Carrier(c.emitter));
    std::vector<uint8_t> samples(1000, 0);
    ASSERT_TRUE(io->SweepBytes(1000, 0, c.start, 1e6, samples.data())) << c.emitter;
    EXPECT_NEAR(PeakIndex(samples), c.index, 2) << c.emitter;
    EXPECT_GT(samples[size_t(c.index)], samples[size_t((c.index + 250) % 1000)] + 20) << c.emitter;
  }
}

// The detail sweep runs the IF tuner over 22.3-32.3 MHz around the tuned frequency: a carrier
// 1 MHz above the centre appears where the tuner stands 1 MHz below 27.3 MHz.
TEST_F(SimTest, DetailSweepPutsACarrierOffsetBelowTheNominalIF) {
  ASSERT_TRUE(BringUp());
  ASSERT_TRUE(io->CalibrateXO400());
  ASSERT_TRUE(io->InitMeasureMode());
  ASSERT_TRUE(io->SetIFBandwidth(3));
  ASSERT_TRUE(io->SetIFFilter(3));
  usb2sim::ClearEmitters();
  usb2sim::AddEmitter(Carrier(1.001e9));
  ASSERT_TRUE(io->SetFrequency(1e9));
  std::vector<uint8_t> samples(1000, 0);
  double stop = 0;
  ASSERT_TRUE(io->Sweep(1000, 0, 22.3e6, 10e3, 80e6, 4, &stop, samples.data()));
  EXPECT_NEAR(PeakIndex(samples), 400, 3);
  // The same carrier on the tuned frequency sits at 27.3 MHz.
  usb2sim::ClearEmitters();
  usb2sim::AddEmitter(Carrier(1e9));
  ASSERT_TRUE(io->Sweep(1000, 0, 22.3e6, 10e3, 80e6, 4, &stop, samples.data()));
  EXPECT_NEAR(PeakIndex(samples), 500, 3);
}

TEST_F(SimTest, ProbeBarAndPresence) {
  ASSERT_TRUE(BringUp());
  bool ok = false;
  for (int n : {9, 0, 32, 31, 33}) {
    ASSERT_TRUE(io->SetLedBar(n, ok));
    EXPECT_TRUE(ok);
    const auto s = usb2sim::GetState();
    const int lit = (n >= 1 && n <= 32) ? n : 0;
    EXPECT_EQ(s.ledCount, lit) << n;
    EXPECT_EQ(s.ledMask, uint32_t((uint64_t(1) << lit) - 1)) << n;
  }
  usb2sim::SetProbePresent(false);
  EXPECT_TRUE(io->SetLedBar(5, ok));
  EXPECT_FALSE(ok);
  EXPECT_TRUE(io->ClearDigits(ok));
  EXPECT_FALSE(ok);
}

// The digit control byte starts at 0 (strobe low); each character latches when the strobe returns
// high, so the very first character after construction is shown as well.
TEST_F(SimTest, ProbeDigitsShowTheValue) {
  ASSERT_TRUE(BringUp());
  bool ok = false;
  ASSERT_TRUE(io->ClearDigits(ok));
  ASSERT_TRUE(io->ShowValue(ok, 3.14159));
  EXPECT_TRUE(ok);
  EXPECT_EQ(usb2sim::GetState().digits, "3.14");
  ASSERT_TRUE(io->ShowValue(ok, 12.3));
  EXPECT_EQ(usb2sim::GetState().digits, "+err");
  ASSERT_TRUE(io->ShowValue(ok, 0.5));
  EXPECT_EQ(usb2sim::GetState().digits, "0.50");
}

TEST_F(SimTest, AbsentChipIsRecordedWhileTheModuleStaysAttached) {
  ASSERT_TRUE(BringUp());
  usb2sim::SetChipAbsent(0x3A, true);
  bool ok = true;
  EXPECT_TRUE(io->SetLedBar(20, ok));
  EXPECT_FALSE(ok);
  io->TakeI2CError();
  usb2sim::SetChipAbsent(0x26, true);
  EXPECT_TRUE(io->SetVLFModule(true));
  EXPECT_EQ(io->TakeI2CError(), 0x4C);
}

TEST_F(SimTest, EEPromCellsAndFilterRecordsRoundTrip) {
  ASSERT_TRUE(BringUp());
  io->DdsClockOffset = -12.5;
  io->Dds400ClockOffset = 1600.0;
  io->VcoLowRefOffset = 3.0;
  io->VcoHighRefOffset = -4.0;
  ASSERT_TRUE(io->StoreClockOffsets());
  const auto s = usb2sim::GetState();
  EXPECT_EQ(s.eeprom[34], 0x00);
  EXPECT_EQ(s.eeprom[36], 0xC8);
  EXPECT_EQ(s.eeprom[37], 0x44);
  io->DdsClockOffset = io->Dds400ClockOffset = io->VcoLowRefOffset = io->VcoHighRefOffset = 0.0;
  ASSERT_TRUE(io->LoadClockOffsets());
  EXPECT_EQ(io->DdsClockOffset, -12.5);
  EXPECT_EQ(io->Dds400ClockOffset, 1600.0);
  EXPECT_EQ(io->VcoLowRefOffset, 3.0);
  EXPECT_EQ(io->VcoHighRefOffset, -4.0);

  uint8_t record[18];
  for (int i = 0; i < 18; ++i) record[i] = uint8_t(100 + i);
  ASSERT_TRUE(io->WriteFilterRecord(5, record));
  EXPECT_EQ(usb2sim::GetState().filterRecords[5][17], 117);
  uint8_t back[18] = {};
  ASSERT_TRUE(io->ReadFilterRecord(5, back));
  EXPECT_TRUE(std::equal(record, record + 18, back));
  uint8_t cell = 0;
  ASSERT_TRUE(io->WriteEEPromByte(50, 1));
  ASSERT_TRUE(io->ReadEEPromByte(50, &cell));
  EXPECT_EQ(cell, 1);
}

TEST_F(SimTest, NarrowFilterAppliesTheStoredTrims) {
  ASSERT_TRUE(BringUp());
  uint8_t sweep[18] = {11, 12, 13, 14, 15, 16, 17, 18, 19};
  uint8_t audio[18] = {21, 22, 23, 24, 25, 26, 27, 28, 29};
  ASSERT_TRUE(io->WriteFilterRecord(1, sweep));
  ASSERT_TRUE(io->WriteFilterRecord(4, audio));
  ASSERT_TRUE(io->SetIFFilter(3));
  const auto pots = usb2sim::GetState().filterPots;
  EXPECT_EQ(pots[1], (std::array<uint8_t, 4>{11, 12, 13, 14}));
  EXPECT_EQ(pots[0], (std::array<uint8_t, 4>{15, 16, 17, 18}));
  EXPECT_EQ(pots[2], (std::array<uint8_t, 4>{19, 0, 0, 255}));
  EXPECT_EQ(pots[4], (std::array<uint8_t, 4>{21, 22, 23, 24}));
  EXPECT_EQ(pots[5], (std::array<uint8_t, 4>{29, 0, 0, 255}));
}

TEST_F(SimTest, HealthCheckFollowsTheBattery) {
  ASSERT_TRUE(BringUp());
  ASSERT_TRUE(io->SelectADChannel(0));
  usb2sim::SetBatteryLevel(184);
  EXPECT_TRUE(io->CheckAkku());
  EXPECT_EQ(io->BatteryLevel.load(), 184);
  EXPECT_EQ(io->ADChannel, 0);
  EXPECT_GT(io->MainboardTemperature.load(), -10.0);
  EXPECT_LT(io->MainboardTemperature.load(), 110.0);
  usb2sim::SetBatteryLevel(120);
  EXPECT_FALSE(io->CheckAkku());
  EXPECT_EQ(io->BatteryLevel.load(), 120);
}

TEST_F(SimTest, StoredSoundPagesLandInThePlaybackBank) {
  ASSERT_TRUE(BringUp());
  std::vector<uint16_t> samples(1000);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = uint16_t(0x0100 * (i % 200) + i % 7);
  ASSERT_TRUE(io->StoreSamples(samples.data(), 1000, 0, 1));
  const auto memory = usb2sim::SoundMemory(0, 1, 0, 7);
  ASSERT_EQ(memory.size(), 1792u);
  EXPECT_TRUE(std::equal(memory.begin(), memory.end(), reinterpret_cast<const uint8_t*>(samples.data())));
}

// Scenarios: a true clock error of the 400 MHz reference, an erased EEPROM, no line at 0 Hz, a
// microcontroller that does not take its version command.
class SimScenarioTest : public SimTest {
 protected:
  void Load(const char* text) {
    std::vector<std::string> messages;
    ASSERT_TRUE(usb2sim::LoadScenarioText(text, &messages)) << (messages.empty() ? "" : messages[0]);
  }
};

TEST_F(SimScenarioTest, CalibrationTakesUpTheReferenceError) {
  Load("[scene]\nxo400_error_hz=8000\n");
  ASSERT_TRUE(BringUp());
  ASSERT_TRUE(io->InitMeasureMode());
  ASSERT_TRUE(io->SetFrequency(14.9e9));
  const double uncalibrated = usb2sim::GetState().receiveHz - 14.9e9;
  EXPECT_GT(std::abs(uncalibrated), 300e3);
  ASSERT_TRUE(io->CalibrateXO400());
  EXPECT_NEAR(io->Dds400ClockOffset, 8000.0, 1600.0);
  ASSERT_TRUE(io->InitMeasureMode());
  for (double f : {1e9, 4.9e9, 14.9e9}) {
    ASSERT_TRUE(io->SetFrequency(f));
    EXPECT_NEAR(usb2sim::GetState().receiveHz, f, 100e3) << f;
  }
}

TEST_F(SimScenarioTest, ErasedEEPromLeavesTheClocksNominal) {
  Load("[eeprom]\nerased=1\n");
  ASSERT_TRUE(BringUp());
  EXPECT_EQ(io->DdsClockOffset, 0.0);
  EXPECT_EQ(io->Dds400ClockOffset, 0.0);
  EXPECT_EQ(io->VcoLowRefOffset, 0.0);
  EXPECT_EQ(io->VcoHighRefOffset, 0.0);
  ASSERT_TRUE(io->SetFrequency(1e9));
  EXPECT_EQ(usb2sim::GetState().dds400Word, 0x0F000000u);
  ASSERT_TRUE(io->SetIFTunerSweep(27.3e6));
  EXPECT_EQ(usb2sim::GetState().dds[4].word, 91603599u);
}

TEST_F(SimScenarioTest, CalibrationWithoutSignalKeepsTheOffset) {
  Load("[scene]\nzero_hz_signal=0\n");
  ASSERT_TRUE(BringUp());
  io->Dds400ClockOffset = 1234.0;
  EXPECT_FALSE(io->CalibrateXO400());
  EXPECT_EQ(io->Dds400ClockOffset, 1234.0);
}

TEST_F(SimScenarioTest, FailingVersionCommandKeepsTheLinkDown) {
  Load("[faults]\nfail_command=5\n");
  EXPECT_FALSE(BringUp());
  int version = 0;
  EXPECT_FALSE(io->GetPicVersion(&version));
}

TEST_F(SimScenarioTest, AbsentModuleFailsFromTheStart) {
  Load("[device]\npresent=0\n");
  EXPECT_FALSE(io->Init());
  EXPECT_FALSE(io->DevicePresent());
  bool ok = true;
  EXPECT_FALSE(io->SetLedBar(3, ok));
}

TEST_F(SimTest, UnpluggedModuleFailsEveryOperation) {
  ASSERT_TRUE(BringUp());
  usb2sim::UnplugNow();
  int version = 0;
  std::vector<uint8_t> samples(100);
  EXPECT_FALSE(io->DevicePresent());
  EXPECT_FALSE(io->GetPicVersion(&version));
  EXPECT_FALSE(io->SetFrequency(1e10));
  EXPECT_FALSE(io->SetAttenuator(3));
  EXPECT_FALSE(io->SweepBytes(100, 0, 1e9, 1e6, samples.data()));
  EXPECT_FALSE(io->InitMeasureMode());
  EXPECT_FALSE(io->CheckAkku());
}

}  // namespace
