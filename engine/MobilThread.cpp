#include "engine/MobilThread.h"

#include <algorithm>

#include "device/InOut.h"
#include "engine/Buffers.h"
#include "engine/LocateMath.h"
#include "base/Globals.h"
#include "base/Guard.h"
#include "base/Log.h"

namespace {
constexpr int LevelChannel = 0;
constexpr int PeakChannel = 1;
constexpr int PeakTimeChannel = 2;
constexpr int AlarmChannel = 3;
}  // namespace

const std::array<MobilBand, MobilThreadV2::BandCount> MobilThreadV2::Bands = {{
    {"GSM 900", 880e6, 1.75e6, 20, 1.429, 3.0, 915e6},
    {"GSM 1800", 1710e6, 1.875e6, 40, 1.25, 3.0, 1785e6},
    {"UMTS", 1920e6, 1.5e6, 40, 1.25, 3.0, 1980e6},
    {"LTE 800", 832e6, 1.5e6, 20, 1.25, 3.0, 862e6},
    {"LTE 2600", 2520e6, 1.5e6, 20, 1.429, 3.0, 2550e6},
    {"DECT", 1880e6, 1e6, 20, 1.333333, 10.0, 1900e6},
}};

MobilThreadV2::MobilThreadV2() = default;

void MobilThreadV2::PostAlarmLevel(int band, uint8_t level) {
  if (band >= 0 && band < BandCount) alarmLevels_[size_t(band)].Post(level);
}

void MobilThreadV2::Execute() {
  Guarded("MobilThreadV2::Execute", [&] { Run(); });
}

void MobilThreadV2::Run() {
  startSeconds_ = double(GetPerformanceSeconds());
  if (!DeviceStep("", [] { return IOCtrl->InitMeasureMode() && IOCtrl->SetIFBandwidth(1); })) return;
  RestartHealthTimer();
  while (!Terminated()) {
    // A cycle with posted alarm levels only applies them; the sweeps resume in the next one.
    if (ApplyAlarmLevels()) continue;
    for (int band = 0; band < BandCount && !Terminated(); ++band)
      if (!MeasureBand(band)) return ErrorExit("");
    if (!HealthCheck(8.0, "MobilThreadV2")) return;
  }
  SignalFinished();
}

bool MobilThreadV2::ApplyAlarmLevels() {
  bool any = false;
  for (int band = 0; band < BandCount; ++band) {
    uint8_t level = 0;
    if (!alarmLevels_[size_t(band)].Take(level)) continue;
    any = true;
    DigitalBuffer* buffer = Buffers[size_t(band)];
    if (buffer && buffer->Count > 0) buffer->SetValue(AlarmChannel, 0, level);
  }
  return any;
}

// A band swept with twice the buffer's points gives each buffer point the larger of its two samples,
// so the whole band is shown.
bool MobilThreadV2::MeasureBand(int band) {
  const MobilBand& b = Bands[size_t(band)];
  DigitalBuffer* buffer = Buffers[size_t(band)];
  if (!buffer) return true;
  if (!DeviceStep("", [&] { return IOCtrl->SetFrequency(b.firstHz); })) return false;
  Sleep(10);
  std::array<uint8_t, 2 * BufferPoints> samples{};
  const int swept = std::min<int>(b.points, int(samples.size()));
  bool ok = false;
  Locked([&] { ok = IOCtrl->SweepBytes(swept, 0, b.firstHz, b.stepHz, samples.data()); });
  if (!ok) return false;
  const double now = Now();
  const int perPoint = swept / BufferPoints;
  for (unsigned i = 0; i < BufferPoints && i < buffer->Count; ++i) {
    const uint8_t* first = samples.data() + i * unsigned(perPoint);
    const double level = locate::BandLevel(*std::max_element(first, first + perPoint), b.factor);
    buffer->SetValue(LevelChannel, i, float(level));
    const double held = buffer->Get(PeakTimeChannel, i);
    const bool expired = now - held > b.holdSeconds || now < held;  // or stamped by an earlier thread
    if (expired || buffer->Get(PeakChannel, i) < level) {
      buffer->SetValue(PeakChannel, i, float(level));
      buffer->SetValue(PeakTimeChannel, i, float(now));
    }
  }
  return true;
}

double MobilThreadV2::Now() const { return double(GetPerformanceSeconds()) - startSeconds_; }
