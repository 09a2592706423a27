#include "engine/SweepThreads.h"

#include "device/InOut.h"
#include "shell/base/Globals.h"
#include "shell/base/Guard.h"

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
