#include "engine/SweepCommon.h"

#include <algorithm>
#include <cmath>

#include "device/InOut.h"
#include "engine/Fft.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"

int ClampVolume(int volume) { return std::clamp(volume, 0, MaxSweepVolume); }

double ClampFrequency(double hz) {
  if (!std::isfinite(hz)) return 0.0;
  return std::clamp(hz, 0.0, MaxFrequency);
}

void ReverseBlock(uint8_t* data, int n) {
  if (!data || n < 2) return;
  std::reverse(data, data + n);
}

GridSpan GridPointsOf(double segmentStart, int j, double step) {
  // Grid points per sweep point in single precision: 100 kHz gives exactly 2, 1 MHz exactly 20.
  const float perPoint = static_cast<float>(step * 2e-5);
  const double first = segmentStart * 2e-5 + j * static_cast<double>(perPoint);
  GridSpan span;
  if (!(first >= 0.0) || first > 4e9) return span;
  span.First = static_cast<unsigned>(first);
  // "s < n" counts every s from 0: a step below the grid still fills the one point it lands on.
  const double count = std::ceil(static_cast<double>(perPoint));
  span.Count = count < 1.0 ? 1u : static_cast<unsigned>(std::min(count, 4e9));
  return span;
}

void SetMinMaxPoint(DigitalBuffer& buffer, unsigned index, uint8_t lo, uint8_t hi) {
  buffer.SetValue(1, index, lo);
  buffer.SetValue(2, index, hi);
  buffer.SetValue(0, index, (lo + hi) * 0.5f);
  buffer.SetValue(3, index, float(int(hi) - int(lo)));
}

void SetMaxHoldPoint(DigitalBuffer& buffer, unsigned index, float level) {
  buffer.SetValue(0, index, level);
  if (level > buffer.Get(1, index)) buffer.SetValue(1, index, level);
}

namespace {
constexpr int TraceWork = 1000;

float RowLevel(const DigitalWaterBuffer& water, int age, unsigned i) {
  const SharedFloat* row = water.GetBufferForDisplay(age, 0);
  return row && i < water.PointsPerRow ? row[i].load(std::memory_order_relaxed) : 0.0f;
}
}  // namespace

void FillActivityTrace(const DigitalWaterBuffer& water, NormalBuffer& trace, ActivityShape shape) {
  const int rows = int(water.RowCount);
  if (rows == 0) return;
  float work[TraceWork] = {}, out[TraceWork];
  const unsigned points = std::min<unsigned>({water.PointsPerRow, trace.Count, unsigned(TraceWork)});
  for (unsigned i = 0; i < points; ++i) {
    double s = 1.0;
    for (int k = 0; k + 1 < rows; ++k) {
      const double d = 256.0 * (RowLevel(water, k, i) - RowLevel(water, k + 1, i));
      s += std::fabs(d * d * d) / 4096.0;
    }
    work[i] = float(s * 256.0 / rows * 0.1);
  }
  SmoothFloats(work, out, TraceWork, shape.HalfWidth);
  for (int i = 0; i < TraceWork; ++i) trace.SetPoint(unsigned(i), out[i] > 127.0f ? shape.Value : 0.0f);
}

void FillAverageTrace(const DigitalWaterBuffer& water, NormalBuffer& trace, int halfWidth, float scale) {
  const int rows = int(water.RowCount);
  if (rows == 0) return;
  float work[TraceWork] = {}, out[TraceWork];
  const unsigned points = std::min<unsigned>(water.PointsPerRow, unsigned(TraceWork));
  for (unsigned j = 0; j < points; ++j) {
    double sum = 0.0;
    for (int k = 0; k + 1 < rows; ++k) sum += RowLevel(water, k, j);
    work[j] = float(sum / rows * 255.0 * scale);
  }
  SmoothFloats(work, out, TraceWork, halfWidth);
  for (int i = 0; i < TraceWork; ++i) trace.SetPoint(unsigned(i), out[i] * out[i] * out[i] * 0.005f);
}

// ---- AudioSpectrum ----

bool AudioSpectrum::Measure(uint8_t slot, NormalBuffer* trace, WaterfallBuffer* waterfall) {
  if (!IOCtrl || !IOCtrl->RecordSound(0, Samples * 2 / 256, slot, 134)) return false;
  if (!IOCtrl->ReadSoundAD0(&sound_, 0, slot)) return false;
  sound_.ExchangeBytes();
  if (!trace) return true;
  std::unique_ptr<float[]> samples(sound_.CreateSignFloatBuffer());
  FFTBufferFloat fft(Samples);
  fft.Calculate(samples.get(), window_.FloatValues);
  fft.Normalize(0.001f);
  for (unsigned i = 0; i < Samples / 2; ++i) trace->SetPoint(i, fft.Get(i));
  if (waterfall && waterfall->Width <= unsigned(Samples)) waterfall->Insert(fft.Values, false);
  return true;
}

// ---- SweepThreadBase ----

SweepThreadBase::SweepThreadBase() : healthStart_(std::chrono::steady_clock::now()) {}

bool SweepThreadBase::HealthCheck() {
  const auto now = std::chrono::steady_clock::now();
  if (std::chrono::duration<double>(now - healthStart_).count() <= HealthIntervalSeconds) return true;
  bool ok;
  {
    HardwareLockGuard lock;
    ok = IOCtrl && IOCtrl->CheckAkku();
  }
  if (ok) healthStart_ = std::chrono::steady_clock::now();
  return ok;
}

bool SweepThreadBase::CheckLink() {
  HardwareLockGuard lock;
  uint8_t probe = 0xFF;
  const bool ok = IOCtrl && IOCtrl->I2CReadByte(I2CAddr::LinkProbe, &probe);
  LinkProbe = probe;
  return ok;
}

bool SweepThreadBase::UpdateSpeaker() {
  HardwareLockGuard lock;
  if (!IOCtrl) return false;
  uint8_t port = 0xFF;  // a read that does not answer leaves the pull-ups' ones
  if (!IOCtrl->ReadIOExpander(I2CAddr::SpeakerExpander, &port)) return false;
  const bool speaker = (port & 0x80) == 0;
  SpeakerState = speaker;
  return speaker ? IOCtrl->SetAudioSpeaker(false, false, false, false, false, true, true)
                 : IOCtrl->SetAudioSpeaker(true, true, true, true, false, false, true);
}

bool SweepThreadBase::EndOfPassChecks(const char* tag, bool linkAndSpeaker) {
  if (linkAndSpeaker && (!CheckLink() || !UpdateSpeaker())) {
    ErrorExit(tag);
    return false;
  }
  if (!HealthCheck()) {
    ErrorExit(tag);
    return false;
  }
  return true;
}
