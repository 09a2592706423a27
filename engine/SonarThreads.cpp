#include "engine/SonarThreads.h"

#include <algorithm>
#include <vector>

#include "device/InOut.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "engine/Fft.h"
#include "engine/LocateMath.h"
#include "platform/rtl/SysUtils.h"
#include "base/Globals.h"
#include "base/Guard.h"

using namespace locate;

namespace {
constexpr uint8_t SensitivityCell = 17;
constexpr uint8_t BeatCell = 18;
constexpr uint8_t ProbeADChannel = 4;
constexpr double SweepIFCentre = 27.3e6;
constexpr double VlfIFOffset = 25.3e6;
constexpr double SweepClock = 80e6;
constexpr uint8_t SweepTuner = 4;
}  // namespace

// ---- ProbeThreadBase ----

ProbeThreadBase::ProbeThreadBase(StdDisplay* display, double frequency, bool reverse)
    : Display(display), Frequency(frequency), table_(ProbeDisplayTable()), reverse_(reverse) {}

void ProbeThreadBase::RunLoop(const char* where) {
  Guarded(where, [&] {
    if (!Buffer) return;
    if (!Init()) return ErrorExit("");
    RestartHealthTimer();
    while (!Terminated()) {
      if (!Sweep()) return ErrorExit("");
      switch (UpdateProbe()) {
        case ProbeResult::Ok:
          break;
        case ProbeResult::Lost:  // ends quietly: the frame waits for the probe again
          ProbeLost = true;
          return;
        case ProbeResult::Failed:
          return ErrorExit("");
      }
      if (!AfterProbe()) return ErrorExit("");
      if (!HealthCheck(5.0, "")) return;
    }
    SignalFinished();
  });
}

// A transfer that fails means the module is gone (a device failure); a transfer that succeeds with
// no answer from the probe's chips means the probe was unplugged.
ProbeThreadBase::ProbeResult ProbeThreadBase::UpdateProbe() {
  ProbeResult result = ProbeResult::Failed;
  Locked([&] {
    uint8_t raw = 0;
    // A failed AD select or read is a device failure whatever the probe's flag last said: taken for
    // an unplugged probe, a module that is gone would be waited for without end.
    if (!IOCtrl->SelectADChannel(ProbeADChannel)) return;
    if (SettleMs()) Sleep(SettleMs());
    if (!IOCtrl->ReadADByte(&raw)) return;
    const double level = NextProbeLevel(ProbeLevel, raw);
    ProbeLevel = level;
    bool ok = true;
    if (!IOCtrl->SetLedBar(ProbeLedCount(level), ok)) return;
    if (ok && !IOCtrl->ShowValue(ok, ProbeValue(table_, level))) return;
    result = ok ? ProbeResult::Ok : ProbeResult::Lost;
  });
  return result;
}

bool ProbeThreadBase::LoadProbeSettings() {
  uint8_t sensitivity = 0, beat = 0;
  return IOCtrl->ReadEEPromByte(SensitivityCell, &sensitivity) && IOCtrl->ReadEEPromByte(BeatCell, &beat) &&
         IOCtrl->WriteDualPot(I2CAddr::SoundPot, false, sensitivity) &&
         IOCtrl->WriteDualPot(I2CAddr::SoundPot, true, beat);
}

bool ProbeThreadBase::SetProbeSoundPath(uint8_t volume) {
  IOCtrl->DigitDataValue = 0x20;
  IOCtrl->DigitControlValue = 0x9C;
  return IOCtrl->SetAudioSpeaker(false, false, true, false, true, false, false) &&
         IOCtrl->WriteSoundPCA9539(0x87) && IOCtrl->VolumeUp(volume);
}

void ProbeThreadBase::StoreSweep(const uint8_t* samples, int count) {
  std::vector<float> values(samples, samples + count);
  if (reverse_) std::reverse(values.begin(), values.end());
  Buffer->SetValues(RawChannel, values.data(), unsigned(count));
}

// ---- SonarThread ----

SonarThread::SonarThread(StdDisplay* display, double frequency) : ProbeThreadBase(display, frequency, true) {
  SetGraphCommands(false);
}

void SonarThread::SetGraphCommands(bool tracking) {
  ShowTrackingCommands(Display, tracking);
  tracking_.store(tracking);
}

void SonarThread::Execute() { RunLoop("SonarThread::Execute"); }

bool SonarThread::Init() {
  bool ok = false;
  Locked([&] {
    startFrequency_ = Frequency;
    ok = IOCtrl->InitMeasureMode() && IOCtrl->SetFrequency(Frequency) && IOCtrl->InitMeasureModeBand0() &&
         IOCtrl->SetIFBandwidth(2) && LoadProbeSettings() && SetProbeSoundPath(200);
  });
  return ok;
}

// The receiver stays at the frequency while the sweep path's tuner moves across n x 25 kHz
// centred on the IF.
bool SonarThread::Sweep() {
  const int n = int(Buffer->Count);
  std::vector<uint8_t> samples(static_cast<size_t>(n));
  const double start = SweepIFCentre - n * 0.5 * PointStep;
  bool ok = false;
  Locked([&] {
    ok = IOCtrl->SetFrequency(Frequency) && IOCtrl->SelectADChannel(0) &&
         IOCtrl->Sweep(n, 0, start, PointStep, SweepClock, SweepTuner, nullptr, samples.data());
  });
  if (!ok) return false;
  StoreSweep(samples.data(), n);
  LabelAround(Display, Frequency);
  return true;
}

bool SonarThread::AfterProbe() {
  SonarParameters p;
  if (parameters_.Take(p) && !ApplyParameters(p)) return false;
  if (tracking_.load()) AutoTracking(int(Buffer->Count));
  return true;
}

bool SonarThread::ApplyParameters(const SonarParameters& p) {
  bool ok = false;
  Locked([&] {
    ok = IOCtrl->WriteDualPot(I2CAddr::SoundPot, true, p.beat) &&
         IOCtrl->WriteDualPot(I2CAddr::SoundPot, false, p.sensitivity);
    if (ok && p.store)
      ok = IOCtrl->WriteEEPromByte(SensitivityCell, p.sensitivity) &&
           IOCtrl->WriteEEPromByte(BeatCell, p.beat);
  });
  return ok;
}

void SonarThread::AutoTracking(int count) {
  std::vector<float> raw(static_cast<size_t>(count)), smooth(static_cast<size_t>(count)),
      floor(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) raw[size_t(i)] = Buffer->Get(RawChannel, unsigned(i));
  SmoothFloats(raw.data(), smooth.data(), count, 20);
  SmoothFloats(smooth.data(), floor.data(), count, 40);
  for (float& v : floor) v += 20.0f;
  Buffer->SetValues(SmoothChannel, smooth.data(), unsigned(count));
  Buffer->SetValues(FloorChannel, floor.data(), unsigned(count));
  const int found = TrackNearestPeak(*Buffer, count);
  Frequency = found < 0 ? startFrequency_ : Frequency + (found - count / 2) * TrackStep;
}

// ---- VlfSonarThread ----

VlfSonarThread::VlfSonarThread(StdDisplay* display, double frequency)
    : ProbeThreadBase(display, frequency, false) {}

void VlfSonarThread::Execute() { RunLoop("VlfSonarThread::Execute"); }

bool VlfSonarThread::Init() {
  bool ok = false;
  Locked([&] {
    ok = IOCtrl->InitMeasureModeBand0() && IOCtrl->SetVLFModule(true) && IOCtrl->InitVLFMode() &&
         LoadProbeSettings() && SetProbeSoundPath(150) && IOCtrl->SetIFTunerAudio(Frequency + VlfIFOffset);
  });
  if (ok && Display) {
    const double base = (Frequency - 200e3) / 1e6;
    Display->CustomText(FormatFloat("0.00 MHz", base), FormatFloat("0.00 MHz", base + 0.2),
                        FormatFloat("0.00 MHz", base + 0.4));
  }
  return ok;
}

bool VlfSonarThread::Sweep() {
  uint8_t samples[Points] = {};
  const double start = Frequency + VlfIFOffset - 200e3;
  bool ok = false;
  Locked([&] {
    ok = IOCtrl->SelectADChannel(0) &&
         IOCtrl->Sweep(Points, 0, start, PointStep, SweepClock, SweepTuner, nullptr, samples);
  });
  if (!ok) return false;
  StoreSweep(samples, std::min<int>(Points, int(Buffer->Count)));
  return true;
}
