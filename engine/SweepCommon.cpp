#include "engine/SweepCommon.h"

#include <algorithm>
#include <cmath>

#include "device/InOut.h"
#include "shell/base/Globals.h"
#include "shell/base/HardwareLockGuard.h"

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
