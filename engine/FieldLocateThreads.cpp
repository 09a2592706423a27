#include "engine/FieldLocateThreads.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>

#include "device/InOut.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "engine/Fft.h"
#include "engine/LocateMath.h"
#include "base/Globals.h"
#include "base/Guard.h"
#include "base/Log.h"

using namespace locate;

namespace {

uint8_t MainboardPortFor(double hz) { return hz > BandSplitFrequency ? 0x65 : 0x02; }

}  // namespace

// ---- FieldLocateThread ----

void FieldLocateThread::SetGraphCommands(bool tracking) {
  ShowTrackingCommands(Display, tracking);
  tracking_.store(tracking);
}

void FieldLocateThread::Execute() {
  Guarded("FieldLocateThread::Execute", [&] { Run(); });
}

void FieldLocateThread::Run() {
  if (!Buffer) return;
  Frequency = StartFrequency;
  if (!Setup()) return;
  samples_.assign(Buffer->Count, 0);
  RestartHealthTimer();
  // A failed sweep inside the ranging has already taken the error exit: the thread ends there.
  if (!AdjustAttenuator()) return;
  while (!Terminated()) {
    if (!Sweep()) return;
    if (rangingRequest_.exchange(false) && !AdjustAttenuator()) return;
    if (KeyPressed && !WaitForKeyRelease()) return ErrorExit("");
    if (!UpdateIndicator()) return ErrorExit("");
    if (!ReadKey()) return ErrorExit("");
    if (KeyPressed) {
      rangingRequest_.store(true);
      if (!PlayClick()) return ErrorExit("");
    }
    if (!HealthCheck(2.0, "SweepWideThread-4")) return;
  }
  SignalFinished();
}

bool FieldLocateThread::Setup() {
  if (!StoreClickTone() || !SetLocateSoundPath()) {
    ErrorExit("");
    return false;
  }
  return DeviceStep("", [&] {
    return IOCtrl->InitMeasureMode() && IOCtrl->SetMainboardPort(MainboardPortFor(Frequency)) &&
           IOCtrl->SetIFBandwidth(3);
  });
}

bool FieldLocateThread::Sweep() {
  return Guarded("FieldLocateThread::Sweep", [&] {
    const int n = int(Buffer->Count);
    if (!DeviceStep("", [&] { return IOCtrl->SetAttenuator(Attenuation.load()); })) return false;
    if (!tracking_.load()) Frequency = StartFrequency;
    const double start = Frequency - n * 0.5 * PointStep;
    if (!DeviceStep("", [&] { return IOCtrl->SweepBytes(n, 0, start, PointStep, samples_.data()); }))
      return false;

    std::vector<float> raw(samples_.begin(), samples_.end()), smooth(static_cast<size_t>(n)),
        floor(static_cast<size_t>(n));
    SmoothFloats(raw.data(), smooth.data(), n, 20);
    SmoothFloats(smooth.data(), floor.data(), n, 40);
    for (float& v : floor) v += 20.0f;
    Locked([&] {
      Buffer->SetValues(RawChannel, raw.data(), unsigned(n));
      Buffer->SetValues(SmoothChannel, smooth.data(), unsigned(n));
      Buffer->SetValues(FloorChannel, floor.data(), unsigned(n));
    });
    Buffer->Clear(CentreChannel);
    Buffer->Clear(MaskChannel);
    if (tracking_.load()) {
      const int found = TrackNearestPeak(*Buffer, n);
      Frequency = found < 0 ? StartFrequency : Frequency + (found - n / 2) * PointStep;
    }
    MinimumLevel = FloorLevel(smooth.data(), n);
    Level = FieldLevel(raw.data(), n);
    LabelAround(Display, Frequency);
    return true;
  });
}

// Brings the level into a window half-way between the floor and 150 (see RangeAttenuator), then
// takes the reference from one more sweep at the attenuation reached. False when a sweep failed (it
// has taken the error exit); a stop ends the ranging early with true, and the pass loop then ends.
bool FieldLocateThread::AdjustAttenuator() {
  if (!Sweep()) return false;
  const double middle = MinimumLevel + (150.0 - MinimumLevel) * 0.5;
  int attenuation = Attenuation;
  const bool ranged = RangeAttenuator(attenuation, Level, middle - 5.0, middle + 5.0, MaxRangingSteps,
                                      [&](int at, double& level) {
                                        if (Terminated()) return false;
                                        Attenuation = at;
                                        if (!Sweep()) return false;
                                        level = Level;
                                        return true;
                                      });
  if (Terminated()) return true;
  if (!ranged) return false;
  Attenuation = attenuation;
  if (!Sweep()) return false;
  ReferenceLevel = Level + 10.0;
  return true;
}

bool FieldLocateThread::UpdateIndicator() {
  const uint8_t value = FieldIndicatorValue(Level, ReferenceLevel);
  bool ok = false;
  Locked([&] { ok = IOCtrl->WriteDualPot(I2CAddr::SoundPot, true, value); });
  return ok;
}

// ---- DigFieldLocateThread ----

namespace {

// The pulse-mode peak hold, shared by every digital locate thread of the program's run. Each pass
// decays it by the time since the previous pass, so the decay does not compound.
struct PeakHoldState {
  std::mutex mutex;
  double peak = 0.0;
  double lastPass = 0.0;
  bool started = false;
};

PeakHoldState& PeakHoldShared() {
  static PeakHoldState state;
  return state;
}

}  // namespace

double DigFieldLocateThread::PeakHold() {
  std::lock_guard lock(PeakHoldShared().mutex);
  return PeakHoldShared().peak;
}

void DigFieldLocateThread::ResetPeakHold() {
  std::lock_guard lock(PeakHoldShared().mutex);
  PeakHoldState& state = PeakHoldShared();
  state.peak = 0.0;
  state.lastPass = 0.0;
  state.started = false;
}

int PulseProduct(int second, int difference) {
  return difference <= 0 ? 0 : ((second * difference) >> 8) & 0xFF;
}

void AddPulse(float* target, int count, const std::vector<double>& shape, int centre, double height) {
  const int half = int(shape.size()) / 2;
  for (int i = 0; i < int(shape.size()); ++i) {
    const int index = centre + i - half;
    if (index < 0 || index >= count) continue;
    const float value = float(shape[size_t(i)] * height);
    if (target[index] <= value) target[index] = value;
  }
}

DigFieldLocateThread::DigFieldLocateThread()
    : window_(Points), pulseShape_(PulseShapeLength), history_(HistoryLength, 0) {
  for (int i = 0; i < Points; ++i) window_[size_t(i)] = i < 30 ? i / 30.0 : i < 70 ? 1.0 : (99 - i) / 30.0;
  for (int i = 0; i < PulseShapeLength; ++i)
    pulseShape_[size_t(i)] = std::sin(i * std::numbers::pi / PulseShapeLength);
}

void DigFieldLocateThread::Execute() {
  Guarded("DigFieldLocateThread::Execute", [&] { Run(); });
}

void DigFieldLocateThread::Run() {
  if (!Buffer) return;
  if (!Init()) return ErrorExit("");
  RestartHealthTimer();
  while (!Terminated()) {
    int attenuation = 0;
    if (Attenuation.Take(attenuation) && !DeviceStep("", [&] { return IOCtrl->SetAttenuator(attenuation); }))
      return;
    if (!Measure()) return;
    if (referenceRequest_.exchange(false)) SetReference();
    if (KeyPressed && !WaitForKeyRelease()) return ErrorExit("");
    if (!ReadKey()) return ErrorExit("");
    if (KeyPressed) {
      referenceRequest_.store(true);
      if (!PlayClick()) return ErrorExit("");
    }
    if (!HealthCheck(20.0, "")) return;
  }
  SignalFinished();
}

bool DigFieldLocateThread::Init() {
  if (!StoreClickTone() || !SetLocateSoundPath()) return false;
  bool ok = false;
  Locked([&] {
    ok = IOCtrl->InitMeasureMode() && IOCtrl->SetFrequency(Frequency) &&
         IOCtrl->SetMainboardPort(MainboardPortFor(Frequency));
  });
  return ok;
}

bool DigFieldLocateThread::Measure() { return PulseMode.load() ? MeasurePulses() : MeasureDigital(); }

bool DigFieldLocateThread::MeasureDigital() {
  uint8_t block[2 * Points] = {};
  if (!DeviceStep("", [&] { return IOCtrl->SweepWords(Points, 20, Frequency - 25e6, 500e3, block); }))
    return false;
  float first[Points], second[Points], rise[Points], pulses[Points], sum[Points] = {};
  for (int j = 0; j < Points; ++j) {
    const int a = int(std::trunc(block[2 * j] * window_[size_t(j)]));
    const int b = int(std::trunc(block[2 * j + 1] * window_[size_t(j)]));
    first[j] = float(a);
    second[j] = float(b);
    rise[j] = float(b - a);
    pulses[j] = float(PulseProduct(b, b - a));
  }
  for (int j = 0; j < Points; ++j) AddPulse(sum, Points, pulseShape_, j, pulses[j]);
  int total = 0;
  for (float v : sum) total = int(std::trunc(total + v));
  PushHistory(int(std::trunc(total / 7.0)));
  Buffer->SetValues(0, first, Points);
  Buffer->SetValues(1, second, Points);
  Buffer->SetValues(2, rise, Points);
  Buffer->SetValues(3, pulses, Points);
  Buffer->SetValues(5, sum, Points);
  std::vector<float> output(Points, float(Output.load()));
  Buffer->SetValues(4, output.data(), Points);
  if (!UpdateIndicator(Output)) {
    ErrorExit("");
    return false;
  }
  return true;
}

bool DigFieldLocateThread::MeasurePulses() {
  PeakHoldState& hold = PeakHoldShared();
  {
    std::lock_guard lock(hold.mutex);
    const double now = double(GetPerformanceSeconds());
    if (!hold.started) hold.lastPass = now, hold.started = true;
    hold.peak *= std::exp(-(now - hold.lastPass) / PeakDecaySeconds);
    hold.lastPass = now;
  }
  uint8_t block[10 * Points] = {};
  bool ok = false;
  Locked([&] {
    ok = IOCtrl->SetIFBandwidth(1) && IOCtrl->SetFrequency(Frequency);
    for (int k = 0; ok && k < 10; ++k) ok = IOCtrl->ReadADBlock(Points, block + k * Points);
  });
  if (!ok) {
    ErrorExit("");
    return false;
  }
  float maxima[Points];
  for (int j = 0; j < Points; ++j) maxima[j] = float(*std::max_element(block + 10 * j, block + 10 * j + 10));
  const double largest = *std::max_element(maxima, maxima + Points);
  double peak;
  {
    std::lock_guard lock(hold.mutex);
    if (largest > hold.peak) hold.peak = largest;
    peak = hold.peak;
  }
  PushHistory(int(std::trunc(peak)));
  std::vector<float> peakLine(Points, float(peak)), levelLine(Points, float(Level.load())),
      outputLine(Points, float(Output.load()));
  Buffer->SetValues(5, peakLine.data(), Points);
  Buffer->SetValues(3, maxima, Points);
  Buffer->SetValues(2, levelLine.data(), Points);
  Buffer->SetValues(4, outputLine.data(), Points);
  if (!UpdateIndicator(Output)) {
    ErrorExit("");
    return false;
  }
  if (Waterfall) Waterfall->Insert(maxima, 0, 1.0f / 255.0f, false);
  return true;
}

void DigFieldLocateThread::PushHistory(int value) {
  std::rotate(history_.begin(), history_.begin() + 1, history_.end());
  history_.back() = value;
  double sum = 0.0;
  for (int v : history_) sum += v;
  Level = sum / HistoryLength;
  Output = Level * Gain;
}

void DigFieldLocateThread::SetReference() {
  const double level = Level;
  Gain = std::max(0.05, level < 1.0 ? 127.0 : 127.0 / level);
}

bool DigFieldLocateThread::UpdateIndicator(double output) {
  const uint8_t value = DigitalIndicatorValue(output);
  bool ok = false;
  Locked([&] { ok = IOCtrl->WriteDualPot(I2CAddr::SoundPot, true, value); });
  return ok;
}
