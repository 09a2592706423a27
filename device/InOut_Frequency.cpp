// IOControl, frequency plan: band bits on the mainboard port, first LO from the 400 MHz DDS, main-VCO
// reference, IF tuners, sweeps across the band split, mode set-ups and the DDS-400 clock calibration.
// IOSettings, the shared frequency record.
#include <algorithm>
#include <cmath>

#include "device/InOut.h"
#include "device/InOutPlatform.h"

namespace {

constexpr uint8_t Band0Bits = 0x02;
constexpr uint8_t Band1Bits = 0x61;
constexpr uint8_t BandMask = 0x63;
constexpr uint8_t InputNormal = 0x08;
constexpr uint8_t InputA = 0x18;
constexpr uint8_t InputB = 0x10;
constexpr uint8_t Band0NormalPort = 0x0A;
constexpr double RefClock = 80000000.0;
constexpr double VcoLow = 4962000000.0;
constexpr double VcoHigh = 5038000000.0;
constexpr double Dds400AtSplit = 19531250.0;  // (0 Hz + 5 GHz) / 256 = (5 GHz + 5 GHz) / 512

int BandOf(double f) { return f <= BandSplitFrequency ? 0 : 1; }

// DDS-400 output for a receive frequency: the first LO runs at f + 5 GHz.
double Dds400Output(double f, int band) { return (f + BandSplitFrequency) / (band == 0 ? 256.0 : 512.0); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Mainboard port

// A byte that carries one of the two band patterns also tells the band cache which band is set,
// so that a later tuning does not skip a needed band change.
bool IOControl::SetMainboardPort(uint8_t value) {
  MainboardPortShadow = value;
  if ((value & BandMask) == Band0Bits)
    BandCache = 0;
  else if ((value & BandMask) == Band1Bits)
    BandCache = 1;
  return I2CWriteByte(I2CAddr::MainboardPort, value);
}

bool IOControl::SelectInputNormal() {
  return SetMainboardPort(uint8_t((MainboardPortShadow & 0xE3) | InputNormal));
}
bool IOControl::SelectInputA() { return SetMainboardPort(uint8_t((MainboardPortShadow & 0xE3) | InputA)); }
bool IOControl::SelectInputB() { return SetMainboardPort(uint8_t((MainboardPortShadow & 0xE3) | InputB)); }

bool IOControl::SetBand(int band, bool force) {
  band = band ? 1 : 0;
  if (!force && band == BandCache) return true;
  BandCache = uint8_t(band);
  MainboardPortShadow = uint8_t((MainboardPortShadow & 0x9C) | (band ? Band1Bits : Band0Bits));
  const bool result = I2CWriteByte(I2CAddr::MainboardPort, MainboardPortShadow);
  DeviceSleep(20);
  return result;
}

bool IOControl::SetBandForFrequency(double f) {
  if (f <= BandSplitFrequency && BandCache == 1) return SetBand(0, false);
  if (f > BandSplitFrequency && BandCache == 0) return SetBand(1, false);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Tuning

bool IOControl::SetFrequency(double f) {
  if (!(f >= 0.0)) f = 0.0;
  if (f > MaxFrequency) f = MaxFrequency;
  if (!SetBandForFrequency(f)) return false;
  return SetDDS400Frequency(Dds400Output(f, BandOf(f)));
}

// Pending messages run here only outside HardwareLock (see IOControl::VolumeUp).
bool IOControl::SetMainVCO(double clock, double F) {
  const bool result = SetDDSFrequency(1, clock, 20000000.0 + (F - BandSplitFrequency) / 250.0);
  DeviceProcessMessages();
  return result;
}

bool IOControl::SetMainVCOLow() { return SetMainVCO(RefClock + VcoLowRefOffset, VcoLow); }
bool IOControl::SetMainVCOHigh() { return SetMainVCO(RefClock + VcoHighRefOffset, VcoHigh); }

bool IOControl::SetIFTunerSweep(double f) { return SetDDSFrequency(4, RefClock, f); }
bool IOControl::SetIFTunerAudio(double f) { return SetDDSFrequency(5, RefClock, f); }

// ---------------------------------------------------------------------------------------------
// Sweeps across the band split. The second segment restarts at exactly 5 GHz.

bool IOControl::SweepSplit(int count, uint8_t param, double start, double step, uint8_t* data, bool words) {
  if (!data || count < 1 || count > 65535) return false;
  auto sweep = [&](int n, double dds400Start, double dds400Step, uint8_t* into) {
    return words ? Sweep400Word(n, param, dds400Start, dds400Step, into)
                 : Sweep400(n, param, dds400Start, dds400Step, into);
  };
  const int bytesPerPoint = words ? 2 : 1;
  SetBand(start > BandSplitFrequency ? 1 : 0, false);
  const double end = start + count * step;
  if (end <= BandSplitFrequency)
    return SetBandForFrequency(start) && sweep(count, Dds400Output(start, 0), step / 256.0, data);
  if (start > BandSplitFrequency)
    return SetBandForFrequency(start) && sweep(count, Dds400Output(start, 1), step / 512.0, data);
  const int r = int(std::trunc((BandSplitFrequency - start) / step));
  if (r > 0 && !(SetBandForFrequency(start) && sweep(r, Dds400Output(start, 0), step / 256.0, data)))
    return false;
  if (!SetBandForFrequency(end)) return false;
  if (count - r <= 0) return true;
  return sweep(count - r, Dds400AtSplit, step / 512.0, data + r * bytesPerPoint);
}

bool IOControl::SweepBytes(int count, uint8_t param, double start, double step, uint8_t* data) {
  return SweepSplit(count, param, start, step, data, false);
}

bool IOControl::SweepWords(int count, uint8_t param, double start, double step, uint8_t* data) {
  if (param < 4) return false;
  return SweepSplit(count, param, start, step, data, true);
}

// ---------------------------------------------------------------------------------------------
// Mode set-ups

bool IOControl::InitMeasureModeCommon(bool band0Port) {
  if (!AllDDSOff() || !InitDDS400() || !SetAttenuator(0)) return false;
  if (band0Port) {
    if (!SetMainboardPort(Band0NormalPort)) return false;
    BandCache = 0;
  } else if (!SelectInputNormal()) {
    return false;
  }
  return SetMainVCOLow() && SetIFBandwidth(1) && SetVLFModule(false) && SelectADChannel(0) &&
         SetIFTunerSweep(NominalIF) && SetIFTunerAudio(NominalIF);
}

bool IOControl::InitMeasureMode() { return InitMeasureModeCommon(false); }
bool IOControl::InitMeasureModeBand0() { return InitMeasureModeCommon(true); }

bool IOControl::InitVLFMode() {
  return AllDDSOff() && SetIFBandwidth(4) && SetVLFModule(true) && SelectADChannel(0);
}

// ---------------------------------------------------------------------------------------------
// DDS-400 clock calibration: with the high VCO the LO feedthrough at 0 Hz appears in the IF sweep;
// its distance from 27.3 MHz is the LO error, which the clock offset takes up.
// A failed calibration keeps the offset that was in use before.

bool IOControl::CalibrateXO400() {
  constexpr int Points = 500;
  constexpr double Step = 20000.0;
  const double previousOffset = Dds400ClockOffset;
  Dds400ClockOffset = 0.0;
  auto fail = [&] {
    Dds400ClockOffset = previousOffset;
    return false;
  };
  if (!AllDDSOff() || !SetAttenuator(32) || !SetMainboardPort(Band0NormalPort)) return fail();
  BandCache = 0;
  if (!InitDDS400() || !SetMainVCOHigh() || !SetDDS400Frequency(Dds400AtSplit) || !SelectADChannel(0) ||
      !SetIFFilterPort(3, 0))
    return fail();
  uint8_t samples[Points] = {};
  double stop = 0.0;
  if (!Sweep(Points, 10, 22300000.0, Step, RefClock, 4, &stop, samples)) return fail();
  uint8_t maximum = 0;
  for (uint8_t s : samples) maximum = std::max(maximum, s);
  if (maximum < 128) return fail();
  int first = -1, last = -1;
  for (int i = 0; i < Points; ++i)
    if (samples[i] == maximum) {
      if (first < 0) first = i;
      last = i;
    }
  const int mid = int((first + last) * 0.5);
  const double d = (250 - mid) * Step;
  const double clock =
      ((BandSplitFrequency + d) / 256.0) / (Dds400AtSplit / (400000000.0 / 4294967296.0)) * 4294967296.0;
  Dds400ClockOffset = clock - 400000000.0;
  DeviceWriteXO400Offset(Dds400ClockOffset);
  return SetAttenuator(0);
}

// ---------------------------------------------------------------------------------------------
void IOSettings::SetDefaults() {
  Center = 500000000.0;
  Span = 1000000000.0;
  VlfCenter = 2500000.0;
  VlfSpan = 5000000.0;
}
