#include "service/SelfTestRun.h"

#include <algorithm>
#include <array>
#include <vector>

#include "device/InOut.h"
#include "service/SelfTestChecks.h"

namespace {

constexpr uint8_t SweepParam = 30;
constexpr double SweepClock = 80000000.0;
constexpr unsigned CheckPause = 1000;

struct IFFilterSweep {
  double Start;
  double Step;
};
// Point 100 of every sweep lies at 10.7 MHz, the centre of the mask's pass band.
constexpr std::array<IFFilterSweep, 4> IFFilterSweeps = {
    {{5700000.0, 50000.0}, {9950000.0, 7500.0}, {10100000.0, 6000.0}, {10500000.0, 2000.0}}};

void ScaleSamples(uint8_t* samples, int count) {
  for (int i = 0; i < count; ++i) samples[i] = ScaleSweepSample(samples[i]);
}

}  // namespace

SelfTestRun::SelfTestRun(IOControl& io, SelfTestSheet& sheet, PauseFn pause)
    : io_(io), sheet_(sheet), pause_(std::move(pause)) {}

bool SelfTestRun::Run() {
  const std::function<bool()> checks[] = {[this] { return TestFirmware(); },
                                          [this] { return TestChips(); },
                                          [this] { return TestSonarProbe(); },
                                          [this] { return TestCurrents(); },
                                          [this] { return TestTemperatures(); },
                                          [this] { return TestIFFilter(1) && Pause(); },
                                          [this] { return TestIFFilter(2) && Pause(); },
                                          [this] { return TestIFFilter(3) && Pause(); },
                                          [this] { return TestIFFilter(4) && Pause(); },
                                          [this] { return TestVLFOscillator() && Pause(); },
                                          [this] { return TestXO400Drift(nullptr) && Pause(); },
                                          [this] { return TestSoundRAM(); }};
  for (const auto& check : checks)
    if (Stopping() || !check()) return false;
  return true;
}

bool SelfTestRun::Pause() {
  pause_(CheckPause);
  return !Stopping();
}

bool SelfTestRun::TestFirmware() {
  int version = 0;
  if (!io_.GetPicVersion(&version)) return false;
  sheet_.ShowResult(RowFirmwareA, FirmwareText(version), VerdictColour(version != 0));
  version = 0;
  if (!io_.GetSoundPicVersion(&version)) return false;
  sheet_.ShowResult(RowFirmwareA + 1, FirmwareText(version), VerdictColour(version != 0));
  return true;
}

bool SelfTestRun::TestChips() {
  io_.TakeI2CError();  // a failure left by an earlier call is not this test's
  for (const ChipCheck& chip : SelfTestChips) {
    bool ok = false;
    uint8_t value = 0;
    switch (chip.Address) {
      case 0x77:
        ok = io_.WritePCA9539(0x77, 0);
        break;
      case 0x40:
        ok = io_.WriteTEA6320(0, 0);
        break;
      case 0x74:
        ok = io_.InitSoundPCA9539();
        break;
      case 0x70:
        ok = io_.SetAudioSpeaker(false, false, false, false, false, false, false);
        break;
      default:
        ok = io_.I2CReadByte(chip.Address, &value);
        break;
    }
    if (!ok || Stopping()) return false;
    sheet_.ShowResult(chip.Row, ChipText(chip.Address), VerdictColour(io_.TakeI2CError() == 0));
  }
  return true;
}

bool SelfTestRun::TestSonarProbe() {
  unsigned answered = 0;
  for (size_t i = 0; i < SonarProbeChips.size(); ++i) {
    uint8_t value = 0;
    if (!io_.I2CReadByte(SonarProbeChips[i], &value)) return false;
    if (io_.TakeI2CError() == 0) answered |= 1u << i;
  }
  if (answered == 0) {
    sheet_.ShowResult(RowSonarProbe, "not connected", PendingColour);
    return true;
  }
  sheet_.ShowResult(RowSonarProbe, "connected", clBtnFace);
  for (size_t i = 0; i < SonarProbeChips.size(); ++i)
    sheet_.ShowResult(RowFirstSonarChip + int(i), ChipText(SonarProbeChips[i]),
                      VerdictColour((answered >> i) & 1u));
  return true;
}

bool SelfTestRun::SetUpCurrent(CurrentSetUp setUp) {
  switch (setUp) {
    case CurrentSetUp::None:
      return true;
    case CurrentSetUp::Band0:
      return io_.SetBand(0, true);
    case CurrentSetUp::Band1:
      return io_.SetBand(1, true);
    case CurrentSetUp::Dds400At5MHz:
      return io_.ResetDDS400() && io_.InitDDS400Control() && io_.SetDDS400Frequency(5000000.0);
    case CurrentSetUp::Dds400At25MHz:
      return io_.SetDDS400Frequency(25000000.0);
    case CurrentSetUp::Dds400At100MHz:
      return io_.SetDDS400Frequency(100000000.0);
    case CurrentSetUp::SoundProcessor:
      return io_.InitSoundProc();
    case CurrentSetUp::VlfOn:
      return io_.SetVLFModule(true);
    case CurrentSetUp::VlfOff:
      return io_.SetVLFModule(false);
    case CurrentSetUp::FrontendOff:
      return io_.SetMainboardPort(0x0F);
    case CurrentSetUp::FrontendBand1:
      return io_.SetMainboardPort(0x0D);
    case CurrentSetUp::FrontendBand2:
      return io_.SetMainboardPort(0x0E);
  }
  return true;
}

bool SelfTestRun::TestCurrents() {
  for (const CurrentCheck& check : SelfTestCurrents) {
    double amperes = 0.0;
    if (Stopping() || !SetUpCurrent(check.SetUp) || !io_.ReadCurrentSense(check.Selector, &amperes))
      return false;
    sheet_.ShowResult(check.Row, CurrentText(amperes), VerdictColour(check.Window.Contains(amperes)));
  }
  return io_.SetMainboardPort(0x0F);
}

bool SelfTestRun::TestTemperatures() {
  for (int sensor = 0; sensor <= 1; ++sensor) {
    double celsius = 0.0;
    if (!io_.ReadTemperature(sensor, &celsius)) return false;
    sheet_.ShowResult(RowTempMainboard + sensor, TemperatureText(celsius),
                      VerdictColour(TemperatureInBand(celsius)));
  }
  return true;
}

void SelfTestRun::PaintMask() {
  DrawToleranceMask(sheet_.CurveCanvas());
  sheet_.Refresh();
}

void SelfTestRun::JudgeCurve(int row, const uint8_t* samples) {
  const bool inside = MaskHits(sheet_.CurveCanvas(), samples, SweepPoints) == 0;
  sheet_.ShowResult(row, inside ? "OK" : "Error", VerdictColour(inside));
}

bool SelfTestRun::SweepFilter(uint8_t channel, uint8_t dds, double start, double step, uint8_t* samples) {
  double stop = 0.0;
  if (!io_.SelectADChannel(channel) ||
      !io_.SweepShort(SweepPoints, SweepParam, start, step, SweepClock, dds, &stop, samples))
    return false;
  ScaleSamples(samples, SweepPoints);
  return true;
}

bool SelfTestRun::TestIFFilter(int n) {
  PaintMask();
  if (!io_.SetIFBandwidth(n)) return false;
  if (n >= 1 && n <= 4) {
    const IFFilterSweep& sweep = IFFilterSweeps[size_t(n - 1)];
    std::array<uint8_t, SweepPoints> sweepModule{}, audioModule{};
    if (!SweepFilter(0, 2, sweep.Start, sweep.Step, sweepModule.data()) ||
        !SweepFilter(1, 3, sweep.Start, sweep.Step, audioModule.data()))
      return false;
    JudgeCurve(IFFilterRow(n, 1), sweepModule.data());
    JudgeCurve(IFFilterRow(n, 2), audioModule.data());
    DrawSweepCurve(sheet_.CurveCanvas(), sweepModule.data(), 1, clLime);
    DrawSweepCurve(sheet_.CurveCanvas(), audioModule.data(), 1, clAqua);
  }
  if (!io_.AllDDSOff()) return false;
  sheet_.Refresh();
  return true;
}

bool SelfTestRun::TestVLFOscillator() {
  PaintMask();
  std::array<uint8_t, SweepPoints> samples{};
  double stop = 0.0;
  if (!io_.SetVLFModule(true) || !io_.SetIFBandwidth(2) || !io_.SelectADChannel(0) ||
      !io_.SweepShort(SweepPoints, SweepParam, 24550000.0, 7500.0, SweepClock, 4, &stop, samples.data()))
    return false;
  JudgeCurve(RowVlfOscillator, samples.data());
  DrawSweepCurve(sheet_.CurveCanvas(), samples.data(), 1, clLime);
  if (!io_.SetVLFModule(true)) return false;
  sheet_.Refresh();
  return true;
}

bool SelfTestRun::SweepZeroLine(double offset, uint8_t* samples) {
  double stop = 0.0;
  if (!io_.InitMeasureModeBand0()) return false;
  io_.Dds400ClockOffset = offset;
  if (!io_.SetBandForFrequency(0.0) || !io_.SetFrequency(0.0) || !io_.SetIFBandwidth(3) ||
      !io_.SelectADChannel(0) ||
      !io_.Sweep(DriftPoints, SweepParam, 22300000.0, 5000.0, SweepClock, 4, &stop, samples))
    return false;
  ScaleSamples(samples, DriftPoints);
  return true;
}

bool SelfTestRun::TestXO400Drift(double* deviation) {
  PaintMask();
  const double keptOffset = io_.Dds400ClockOffset;
  // Every way out except a stored correction gives the device object its old offset back.
  const auto reject = [&](bool result) {
    io_.Dds400ClockOffset = keptOffset;
    return result;
  };
  std::vector<uint8_t> samples(DriftPoints);
  // The canvas is asked for at each drawing: the sheet may be gone after a pause (the view left).
  if (!SweepZeroLine(0.0, samples.data())) return reject(false);
  DrawSweepCurve(sheet_.CurveCanvas(), samples.data(), 10, clBlue);
  int peak = DriftPeakIndex(samples.data(), DriftPoints);
  const double first = DriftDeviation(peak);
  sheet_.ShowResult(RowXo400Drift, DeviationText(first), PendingColour);
  const double corrected = ClockOffsetForDeviation(first);
  sheet_.Refresh();
  if (deviation) *deviation = first;
  if (!DriftLineInsideSweep(samples[size_t(peak)], peak)) {
    sheet_.ShowResult(RowXo400Drift, DeviationText(first), FailColour);
    return reject(true);
  }
  if (!Pause()) return reject(false);

  if (!SweepZeroLine(corrected, samples.data())) return reject(false);
  DrawSweepCurve(sheet_.CurveCanvas(), samples.data(), 10, clLime);
  peak = DriftPeakIndex(samples.data(), DriftPoints);
  const double residual = DriftDeviation(peak);
  if (!DriftCorrected(samples[size_t(peak)], residual)) {
    sheet_.ShowResult(RowXo400Drift, DeviationText(residual), FailColour);
    return reject(true);
  }
  if (!io_.StoreClockOffsets()) return reject(false);
  sheet_.ShowResult(RowXo400Drift, DeviationText(residual), PassColour);
  return true;
}

bool SelfTestRun::TestSoundRAM() {
  sheet_.ShowResult(RowFirstSoundBank, "check.. please wait..", PendingColour);
  for (int bank = 0; bank <= 2; ++bank) {
    std::string text;
    TColor colour = PassColour;
    for (uint8_t block = 0; block <= 3; ++block) {
      int errors = 0;
      if (Stopping() || !io_.TestSoundMemory(block, bank, &errors)) return false;
      text += SoundBlockText(errors);
      if (errors != 0) colour = FailColour;
      sheet_.ShowResult(RowFirstSoundBank + bank, text, colour);
    }
  }
  return true;
}
