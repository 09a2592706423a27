#include "engine/SweepThreads.h"

#include "device/InOut.h"
#include "base/Globals.h"
#include "base/Guard.h"
#include "base/HardwareLockGuard.h"

namespace {
constexpr double SweepClock = 80000000.0;
constexpr float IntensityFactor = 0.00392f;
}  // namespace

// ---- Sweep10MhzThread ----

Sweep10MhzThread::Sweep10MhzThread() = default;

void Sweep10MhzThread::SetDetailSweep() {
  ReverseData = true;
  StartFrequency = 22300000.0;
  StopFrequency = 32300000.0;
  StepFrequency = 10000.0;
  SweepParam = 0;
}

Sweep10MhzThread::Check Sweep10MhzThread::CheckPoint() {
  if (Terminated()) return Check::Restart;
  double hz = 0.0;
  if (Frequency.Take(hz)) {
    if (!DeviceStep("", [&] { return IOCtrl->SetFrequency(hz); })) return Check::Failed;
    SleepUnlessTerminated(100);
    return Check::Restart;
  }
  uint8_t volume = 0;
  if (Volume.Take(volume) && !DeviceStep("", [&] { return IOCtrl->SetSoundProcVolume(volume); }))
    return Check::Failed;
  if (AudioTunerFrequency.Take(hz) && !DeviceStep("", [&] { return IOCtrl->SetIFTunerAudio(hz); }))
    return Check::Failed;
  return Check::Go;
}

bool Sweep10MhzThread::SweepInto(uint8_t* block) {
  const uint8_t dds = UsesAudioPath() ? 5 : 4;
  double stop = 0.0;
  if (!IOCtrl->Sweep(Points, SweepParam, StartFrequency, StepFrequency, SweepClock, dds, &stop, block))
    return false;
  if (ReverseData) ReverseBlock(block, Points);
  return true;
}

bool Sweep10MhzThread::Measure() {
  return DeviceStep("", [&] { return SweepInto(block_.data()); });
}

void Sweep10MhzThread::Store() {
  for (int i = 0; i < Points; ++i) Buffer->SetPoint(unsigned(i), block_[size_t(i)]);
}

void Sweep10MhzThread::Execute() {
  CheckStart();
  if (!HasTarget()) return;
  Prepare();
  while (!Terminated()) {
    Check check = CheckPoint();
    if (check == Check::Failed) return;
    if (check == Check::Restart) continue;
    const uint8_t channel = UsesAudioPath() ? 1 : 0;
    if (!DeviceStep("", [&] { return IOCtrl->SelectADChannel(channel); })) return;
    if ((check = CheckPoint()) != Check::Go) {
      if (check == Check::Failed) return;
      continue;
    }
    if (!Measure()) return;
    if ((check = CheckPoint()) != Check::Go) {
      if (check == Check::Failed) return;
      continue;  // a new centre: the sweep of the old one never reaches the buffer
    }
    if (!BeforeStore()) continue;
    Locked([&] { Store(); });
    if ((check = CheckPoint()) != Check::Go) {
      if (check == Check::Failed) return;
      continue;
    }
    if (!EndOfPassChecks(FailureText(), true)) return;
  }
  SignalFinished();
}

// ---- Sweep10MhzDiffThread ----

bool Sweep10MhzDiffThread::Measure() {
  // Both inputs in one lock hold, so no other device call switches the input between them.
  return DeviceStep("", [&] {
    return IOCtrl->SelectInputA() && SweepInto(block_.data()) && IOCtrl->SelectInputB() &&
           SweepInto(blockB_.data());
  });
}

void Sweep10MhzDiffThread::Store() {
  for (int i = 0; i < Points; ++i) {
    DiffBuffer->SetValue(0, unsigned(i), block_[size_t(i)]);
    DiffBuffer->SetValue(1, unsigned(i), blockB_[size_t(i)]);
  }
}

// ---- Sweep10MhzMaxHoldThread ----

void Sweep10MhzMaxHoldThread::Prepare() {
  Locked([&] { MaxHoldBuffer->Clear(); });
}

void Sweep10MhzMaxHoldThread::Store() {
  for (int i = 0; i < Points; ++i) SetMaxHoldPoint(*MaxHoldBuffer, unsigned(i), block_[size_t(i)]);
}

// ---- SweepIntensityThread ----

void SweepIntensityThread::Execute() {
  Guarded("SweepIntensityThread::Execute", [&] { Sweep10MhzThread::Execute(); });
}

void SweepIntensityThread::Store() {
  Sweep10MhzThread::Store();
  // The row is as wide as the trace; a wider waterfall would read past the pass.
  if (!Waterfall || Waterfall->Width > unsigned(Points)) return;
  float row[Points];
  for (int i = 0; i < Points; ++i) row[i] = block_[size_t(i)];
  Waterfall->Insert(row, false, IntensityFactor);
}

// ---- SweepFFTThread ----

SweepFFTThread::SweepFFTThread() = default;

void SweepFFTThread::StartTestSound(int volume) {
  restoreVolume_ = uint8_t(ClampVolume(volume));
  testSoundRequest_ = true;
}

bool SweepFFTThread::Measure() {
  if (!Sweep10MhzThread::Measure()) return false;
  if (ProcessSoundFFT()) return true;
  ErrorExit("");
  return false;
}

bool SweepFFTThread::StoreTestTones() {
  if (tonesStored_) return true;
  SoundBufferBase tone(Samples);
  const double periods[] = {40.0, 50.0, 60.0, 70.0};
  for (uint8_t slot = 0; slot < 4; ++slot) {
    tone.CreateSinus(periods[slot]);
    tone.ExchangeBytes();
    HardwareLockGuard lock;
    if (!IOCtrl->StoreSound(&tone, 0, slot)) return false;
  }
  tonesStored_ = true;
  return true;
}

bool SweepFFTThread::StepTestSound() {
  if (testSoundStep_ < TestSoundPasses) SoundSlot = uint8_t(testSoundStep_ / 10);
  ++testSoundStep_;
  if (testSoundStep_ == TestSoundPasses) {
    const uint8_t volume = restoreVolume_;
    HardwareLockGuard lock;
    if (!IOCtrl->WriteSoundPCA9539(0) || !IOCtrl->SetSoundProcVolume(volume) || !IOCtrl->VolumeUp(volume))
      return false;
  }
  if (testSoundRequest_.exchange(false)) {
    testSoundStep_ = 0;
    HardwareLockGuard lock;
    if (!IOCtrl->WriteSoundPCA9539(3) || !IOCtrl->SetSoundProcVolume(190) || !IOCtrl->VolumeUp(190))
      return false;
  }
  return true;
}

bool SweepFFTThread::ProcessSoundFFT() {
  return Guarded("SweepFFTThread::ProcessSoundFFT", [&] {
    if (!StepTestSound() || !StoreTestTones()) return false;
    HardwareLockGuard lock;
    return audio_.Measure(SoundSlot, FFTTrace, FFTWaterfall);
  });
}

// ---- SweepMinMaxThread ----

void SweepMinMaxThread::Execute() {
  Guarded("SweepMinMaxThread::Execute", [&] { Sweep10MhzThread::Execute(); });
}

bool SweepMinMaxThread::Measure() {
  const uint8_t dds = UsesAudioPath() ? 5 : 4;
  return DeviceStep("", [&] {
    double stop = 0.0;
    if (!IOCtrl->SweepWord(Points, MinMaxSweepParam, StartFrequency, StepFrequency, 80000000.0, dds, &stop,
                           block_.data()))
      return false;
    if (ReverseData) ReverseBlock(block_.data(), 2 * Points);
    return true;
  });
}

void SweepMinMaxThread::Store() {
  // After a reversal the first byte of point i is at 2i + 1.
  const int first = ReverseData ? 1 : 0;
  for (int i = 0; i < Points; ++i) {
    const uint8_t lo = block_[size_t(2 * i + first)], hi = block_[size_t(2 * i + 1 - first)];
    SetMinMaxPoint(*MinMaxBuffer, unsigned(i), lo, hi);
  }
  if (!MinMaxWater) return;
  if (MinMaxWater->PointsPerRow <= unsigned(Points)) {
    float spread[Points];
    for (int i = 0; i < Points; ++i) spread[i] = MinMaxBuffer->Get(3, unsigned(i));
    MinMaxWater->Insert(spread, 0, IntensityFactor, false);
  }
  if (ActivityTrace) FillActivityTrace(*MinMaxWater, *ActivityTrace, {12, 85.0f});
  if (AverageTrace) FillAverageTrace(*MinMaxWater, *AverageTrace, 20, 1.0f);
}
