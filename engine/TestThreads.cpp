#include "engine/TestThreads.h"

#include <algorithm>
#include <cmath>

#include "device/InOut.h"
#include "engine/Buffers.h"
#include "engine/Fft.h"
#include "engine/SoundBuffer.h"
#include "base/Globals.h"

namespace {

constexpr double kDdsClock = 80000000.0;
constexpr int kMaxShortSweep = 255;  // the short sweep's count is one byte

void SetPoints(NormalBuffer& trace, const uint8_t* data, int count, unsigned offset = 0) {
  for (int i = 0; i < count; ++i) trace.SetPoint(offset + unsigned(i), float(data[i]));
}

}  // namespace

// ---- AD check ----

ADCheckThread::ADCheckThread() = default;

void ADCheckThread::Execute() {
  CheckStart();
  uint8_t data[BlockSize];
  while (!Terminated()) {
    bool any = false;
    for (uint8_t c = 0; c < Channels; ++c) {
      NormalBuffer* buffer = Buffers[c];
      if (!buffer) continue;
      any = true;
      if (!DeviceStep("ADCheckThread-1", [&] { return IOCtrl->SelectADChannel(c); })) return;
      if (!DeviceStep("ADCheckThread-2", [&] {
            if (!IOCtrl->ReadADBlock(BlockSize, data)) return false;
            SetPoints(*buffer, data, BlockSize);
            return true;
          }))
        return;
      if (Terminated()) break;
    }
    if (!any) SleepUnlessTerminated(100);
  }
  SignalFinished();
}

// ---- IF filter check ----

FilterCheckThreadV2::FilterCheckThreadV2() = default;

void FilterCheckThreadV2::Execute() {
  CheckStart();
  if (std::find(Buffers.begin(), Buffers.end(), nullptr) != Buffers.end()) return;
  const uint8_t module = Module ? 1 : 0;
  const uint8_t dds = module ? 3 : 2;
  if (!DeviceStep("FilterCheckThreadV2-1", [&] { return IOCtrl->SelectADChannel(module); })) return;
  while (!Terminated()) {
    for (int k = 0; k < Settings && !Terminated(); ++k)
      if (!CheckSetting(k, dds)) return;
  }
  SignalFinished();
}

bool FilterCheckThreadV2::CheckSetting(int k, uint8_t dds) {
  NormalBuffer& trace = *Buffers[size_t(k)];
  unsigned count = 0;
  Locked([&] { count = trace.Count; });
  const int n = int(std::min(count, unsigned(kMaxShortSweep)));
  if (n == 0) return true;
  const double step = (StopFrequency - StartFrequency) / n;
  if (!DeviceStep("FilterCheckThreadV2-2",
                  [&] { return IOCtrl->SetIFFilterPort(uint8_t(k), Module ? 1 : 0); }))
    return false;
  uint8_t data[kMaxShortSweep];
  return DeviceStep("FilterCheckThreadV2-3", [&] {
    double stop = 0.0;
    if (!IOCtrl->SweepShort(n, SweepParam, StartFrequency, step, kDdsClock, dds, &stop, data)) return false;
    RescaleRawAD(data, n);
    SetPoints(trace, data, n);
    return true;
  });
}

// ---- A-mode sweep ----

AModeLayout LayoutAModeSweep(double start, double stop, double step) {
  AModeLayout layout;
  if (!(start < stop) || step <= 0.0 || step >= stop - start) return layout;
  layout.Points = int(std::trunc((stop - start) / step));
  layout.Blocks = layout.Points / SweepAModeThread::BlockPoints + 1;
  layout.Last = layout.Points % SweepAModeThread::BlockPoints;
  return layout;
}

SweepAModeThread::SweepAModeThread() = default;

void SweepAModeThread::Execute() {
  CheckStart();
  AModeLayout layout = LayoutAModeSweep(StartFrequency, StopFrequency, StepFrequency);
  if (layout.Points == 0) return;
  while (!Terminated()) {
    Locked([&] { IOCtrl->SelectADChannel(Module ? 1 : 0); });
    if (!SweepPass(layout)) return;
    AModeRange range;
    if (Change.Take(range)) ApplyChange(range, layout);
  }
  SignalFinished();
}

// One pass over the blocks; false when the thread has ended (stopped or failed).
bool SweepAModeThread::SweepPass(const AModeLayout& layout) {
  const uint8_t dds = Module ? 5 : 4;
  uint8_t block[BlockPoints];
  unsigned offset = 0;
  for (int b = 0; b < layout.Blocks; ++b) {
    if (Terminated()) {
      SignalFinished();
      return false;
    }
    const int count = b == layout.Blocks - 1 ? layout.Last : BlockPoints;
    if (count == 0 || Change.Pending()) break;
    if (!DeviceStep("SweepAModeThread-1", [&] {
          double stop = 0.0;
          if (!IOCtrl->Sweep(count, SweepParam, StartFrequency + StepFrequency * BlockPoints * b,
                             StepFrequency, kDdsClock, dds, &stop, block))
            return false;
          RescaleRawAD(block, count);
          return true;
        }))
      return false;
    if (Change.Pending()) break;
    if (Trace) Locked([&] { SetPoints(*Trace, block, count, offset); });
    offset += BlockPoints;
  }
  return true;
}

// The new range around the IF, kept at or above 0 Hz. A step that does not fit the span is refused.
void SweepAModeThread::ApplyChange(const AModeRange& range, AModeLayout& layout) {
  // The range starts at 0 Hz at the lowest (no synthesiser makes a negative frequency), and the
  // points and blocks are recomputed for it: kept from the first range, a held or differently
  // stepped range would be swept past its stop and drawn under the wrong axis.
  const double half = std::min(range.Span / 2.0, NominalIF);
  const double start = NominalIF - half, stop = NominalIF + half;
  const AModeLayout next = LayoutAModeSweep(start, stop, range.Step);
  if (next.Points == 0) return;
  Locked([&] {
    StartFrequency = start;
    StopFrequency = stop;
    StepFrequency = range.Step;
    if (Trace) Trace->SetRange(float(start), float(stop), 0.0f, 255.0f);
  });
  layout = next;
  for (int i = 0; i < 5 && SleepUnlessTerminated(30); ++i) {
  }
}

// ---- FFT of play and record ----

FFTTestThread::FFTTestThread(int sampleCount) : SampleCount(sampleCount) {}

void FFTTestThread::Execute() {
  // Whole pages of 128 samples, at most 255 of them, and a power of two for the transform.
  const bool usable =
      SampleCount >= 128 && SampleCount / 128 <= 255 && (SampleCount & (SampleCount - 1)) == 0;
  if (!usable) return;
  FFTBuffer fft(static_cast<unsigned>(SampleCount));
  std::vector<double> samples(static_cast<size_t>(SampleCount));
  while (!Terminated()) {
    if (!FFTTrace) {
      SleepUnlessTerminated(100);
      continue;
    }
    if (!Pass(fft, samples)) return;
  }
  SignalFinished();
}

bool FFTTestThread::Pass(FFTBuffer& fft, std::vector<double>& samples) {
  const uint8_t pages = uint8_t(SampleCount / 128);
  SoundBufferBase sound(SampleCount);
  if (!DeviceStep("FFTTestThread-1", [&] { return IOCtrl->PlaySound(0, pages, 0); })) return false;
  if (!DeviceStep("FFTTestThread-2", [&] { return IOCtrl->ReadSoundAD0(&sound, 0, 0); })) return false;
  sound.ExchangeBytes();
  for (int i = 0; i < SampleCount; ++i) samples[size_t(i)] = sound.Samples[i];
  if (TimeTrace)
    Locked([&] {
      TimeTrace->SetRange(0.0f, float(SampleCount), 0.0f, 65536.0f);
      for (int i = 0; i < SampleCount; ++i) TimeTrace->SetPoint(unsigned(i), float(samples[size_t(i)]));
    });
  fft.Calculate(samples.data(), true);
  const int half = SampleCount / 2;
  double top = 0.0;
  for (int i = 15; i < half; ++i) top = std::max(top, fft.Get(unsigned(i)));
  top = std::max(top, 220.0);
  Locked([&] {
    for (int i = 0; i < half; ++i) FFTTrace->SetPoint(unsigned(i), float(fft.Get(unsigned(i))));
    FFTTrace->SetRange(0.0f, float(half), 0.0f, float(top));
  });
  return true;
}
