#include "engine/SweepWideThreads.h"

#include <cmath>
#include <utility>

#include "device/InOut.h"
#include "base/Globals.h"
#include "base/Guard.h"

namespace {
constexpr double WideBandwidthThreshold = 1000000.0;
constexpr float IntensityFactor = 0.00392f;
}  // namespace

bool NormaliseWideSettings(WideSettings& s) {
  if (!std::isfinite(s.Start) || !std::isfinite(s.Stop) || !std::isfinite(s.Step) || !(s.Step > 0.0))
    return false;
  s.Start = ClampFrequency(s.Start);
  s.Stop = ClampFrequency(s.Stop);
  if (s.Start > s.Stop) std::swap(s.Start, s.Stop);
  return true;
}

double WideStepForSpan(double spanHz) { return spanHz > 200000000.0 ? 1000000.0 : 100000.0; }

// ---- SweepWideThread ----

SweepWideThread::SweepWideThread() = default;

bool SweepWideThread::PostSettings(double start, double stop, double step) {
  WideSettings s{start, stop, step};
  if (!NormaliseWideSettings(s)) return false;
  settings_.Post(s);
  return true;
}

bool SweepWideThread::SetBandwidth(int type, const char* tag) {
  return DeviceStep(tag, [&] { return IOCtrl->SetIFBandwidth(type); });
}

bool SweepWideThread::ApplySettings() {
  // The whole posting is taken at once, so a range never mixes two postings.
  WideSettings s;
  if (!settings_.Take(s)) return true;
  const bool fine = s.Step < WideBandwidthThreshold;
  if (Bandwidth == 0) {
    Bandwidth = fine ? 2 : 1;
    if (!SetBandwidth(Bandwidth, fine ? "SweepWideThread-5" : "SweepWideThread-6")) return false;
  } else if (Bandwidth == 1 && fine) {
    Bandwidth = 2;
    if (!SetBandwidth(2, "SweepWideThread-7")) return false;
  } else if (Bandwidth == 2 && !fine) {
    Bandwidth = 1;
    if (!SetBandwidth(1, "SweepWideThread-8")) return false;
  }
  StartFrequency = s.Start;
  StopFrequency = s.Stop;
  StepFrequency = s.Step;
  if (FilterMode == 2)
    return Bandwidth == 1 ? SetBandwidth(2, "SweepWideThread-9") : SetBandwidth(3, "SweepWideThread-10");
  if (FilterMode == 1)
    return Bandwidth == 1 ? SetBandwidth(0, "SweepWideThread-11") : SetBandwidth(1, "SweepWideThread-12");
  return true;
}

bool SweepWideThread::SelectChannelAndTune(const char* channelTag, const char* tuneTag) {
  return DeviceStep(channelTag, [&] { return IOCtrl->SelectADChannel(0); }) &&
         DeviceStep(tuneTag, [&] { return IOCtrl->SetFrequency(StartFrequency); });
}

bool SweepWideThread::Prepare() {
  return SelectChannelAndTune("SweepWideThread-1", "SweepWideThread-2") &&
         DeviceStep("SweepWideThread", [&] { return IOCtrl->SelectInputNormal(); });
}

bool SweepWideThread::PrepareMeasureMode(const char* tag) {
  return DeviceStep(tag, [&] {
    return IOCtrl->InitMeasureMode() && IOCtrl->SelectADChannel(0) && IOCtrl->SetFrequency(StartFrequency) &&
           IOCtrl->SelectInputNormal();
  });
}

bool SweepWideThread::SweepBytesInto(double start, uint8_t* block) {
  return IOCtrl->SweepBytes(Points, SweepParam, start, StepFrequency, block);
}

bool SweepWideThread::SweepSegment(double start) {
  return DeviceStep(SweepFailureText(), [&] { return SweepBytesInto(start, block_.data()); });
}

void SweepWideThread::StoreSegment(double start) {
  if (!Buffer) return;
  Buffer->RangeBarFrom = float(start);
  Buffer->RangeBarTo = float(start + Points * StepFrequency);
  ForEachGridPoint(start, StepFrequency, Points, Buffer->Count,
                   [&](unsigned p, int j) { Buffer->SetPoint(p, block_[size_t(j)]); });
}

SweepWideThread::Pass SweepWideThread::SweepRange() {
  const double step = StepFrequency;
  for (double g = StartFrequency; g < StopFrequency && step > 0.0; g += Points * step) {
    if (Terminated()) {
      SignalFinished();
      return Pass::Ended;
    }
    if (settings_.Pending()) return Pass::Restart;
    if (!SweepSegment(g)) return Pass::Ended;
    if (settings_.Pending()) return Pass::Restart;  // a sweep of the old range is not shown
    Locked([&] { StoreSegment(g); });
    if (!AfterSegment()) {  // stopped while held at the gate
      SignalFinished();
      return Pass::Ended;
    }
  }
  return Pass::Done;
}

void SweepWideThread::Execute() {
  if (!HasTarget()) return;
  if (!Prepare()) return;
  while (!Terminated()) {
    if (settings_.Pending()) {
      if (!ApplySettings()) return;
      continue;
    }
    const bool empty = !(StartFrequency < StopFrequency && StepFrequency > 0.0);
    const Pass pass = SweepRange();
    if (pass == Pass::Ended) return;
    if (pass == Pass::Restart) continue;
    // Nothing to sweep yet (no range posted, or an empty one): wait instead of spinning.
    if (empty && !SleepUnlessTerminated(20)) break;
    if (!HealthCheck()) {
      ErrorExit(HealthFailureText());
      return;
    }
  }
  SignalFinished();
}

// ---- SweepWideDiffThread ----

bool SweepWideDiffThread::SweepSegment(double start) {
  return DeviceStep("SweepWideDiffThread", [&] {
    return IOCtrl->SelectInputA() && SweepBytesInto(start, block_.data()) && IOCtrl->SelectInputB() &&
           SweepBytesInto(start, blockB_.data());
  });
}

void SweepWideDiffThread::StoreSegment(double start) {
  ForEachGridPoint(start, StepFrequency, Points, DiffBuffer->Count, [&](unsigned p, int j) {
    DiffBuffer->SetValue(0, p, block_[size_t(j)]);
    DiffBuffer->SetValue(1, p, blockB_[size_t(j)]);
  });
}

// ---- SweepWideMaxHoldThread ----

bool SweepWideMaxHoldThread::Prepare() {
  if (!PrepareMeasureMode("SweepWideMaxHoldThread")) return false;
  Locked([&] { MaxHoldBuffer->Clear(); });
  return true;
}

void SweepWideMaxHoldThread::StoreSegment(double start) {
  ForEachGridPoint(start, StepFrequency, Points, MaxHoldBuffer->Count,
                   [&](unsigned p, int j) { SetMaxHoldPoint(*MaxHoldBuffer, p, block_[size_t(j)]); });
}

// ---- SweepWideIntensityThread ----

void SweepWideIntensityThread::Execute() {
  Guarded("SweepWideIntensityThread::Execute", [&] { SweepWideThread::Execute(); });
}

void SweepWideIntensityThread::StoreSegment(double start) {
  SweepWideThread::StoreSegment(start);
  CreateIntensity(start);
}

void SweepWideIntensityThread::CreateIntensity(double segmentStart) {
  if (!Waterfall || !Buffer || Waterfall->Width > unsigned(Points)) return;
  Guarded("SweepWideIntensityThread::CreateIntensity", [&] {
    float row[Points];
    BuildIntensityRow(unsigned(StartFrequency * 2e-5), unsigned(StopFrequency * 2e-5), row,
                      [&](unsigned i) { return Buffer->GetPoint(i); });
    Waterfall->Insert(row, segmentStart != StartFrequency, IntensityFactor);
  });
}

// ---- SweepWideMinMaxThread ----

void SweepWideMinMaxThread::Execute() {
  Guarded("SweepWideMinMaxThread::Execute", [&] { SweepWideThread::Execute(); });
}

bool SweepWideMinMaxThread::SweepSegment(double start) {
  return DeviceStep("SweepWideThread-4", [&] {
    return IOCtrl->SweepWords(Points, MinMaxSweepParam, start, StepFrequency, block_.data());
  });
}

void SweepWideMinMaxThread::StoreSegment(double start) {
  ForEachGridPoint(start, StepFrequency, Points, MinMaxBuffer->Count, [&](unsigned p, int j) {
    SetMinMaxPoint(*MinMaxBuffer, p, block_[size_t(2 * j)], block_[size_t(2 * j + 1)]);
  });
  CreateIntensity(start);
  if (!MinMaxWater) return;
  if (ActivityTrace) FillActivityTrace(*MinMaxWater, *ActivityTrace, {6, 255.0f});
  if (AverageTrace) FillAverageTrace(*MinMaxWater, *AverageTrace, 1, 0.5f);
}

void SweepWideMinMaxThread::CreateIntensity(double segmentStart) {
  if (!MinMaxWater || !MinMaxBuffer || MinMaxWater->PointsPerRow > unsigned(Points)) return;
  Guarded("SweepWideMinMaxThread::CreateIntensity", [&] {
    float row[Points];
    BuildIntensityRow(unsigned(StartFrequency * 2e-5), unsigned(StopFrequency * 2e-5), row,
                      [&](unsigned i) { return MinMaxBuffer->Get(3, i); });
    MinMaxWater->Insert(row, 0, IntensityFactor, segmentStart != StartFrequency);
  });
}
