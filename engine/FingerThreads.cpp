#include "engine/FingerThreads.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "device/InOut.h"
#include "engine/Buffers.h"
#include "engine/ChannelIO.h"
#include "engine/Fft.h"
#include "engine/FingerBuffer.h"
#include "engine/SoundBuffer.h"
#include "platform/rtl/SysUtils.h"
#include "base/Globals.h"
#include "base/Guard.h"

namespace {

constexpr double kGHz = 1000000000.0;
constexpr double kAnalogStep = 100000.0;
constexpr double kDigitalStep = 500000.0;
constexpr double kScanStep = 100000000.0;
constexpr double kHealthSeconds = 4.0;
constexpr double kDdsClock = 80000000.0;
// Guards the truncation of a position that is a whole number in exact arithmetic.
constexpr double kIndexEpsilon = 1e-6;

// Absolute index of a frequency on a grid of the given step.
unsigned GridIndex(double hz, double step) {
  return unsigned(std::max(0.0, std::floor(hz / step + kIndexEpsilon)));
}

}  // namespace

// ---- Segments ----

void FingerSegmentThread::Execute() {
  Guarded(plan_.name, [&] { Run(); });
}

void FingerSegmentThread::Run() {
  if (!Trace || Segment < 0 || Segment >= FingerSegments) return;
  const std::string tag = plan_.name;
  if (!DeviceStep(tag + "-1", [] { return IOCtrl->InitMeasureMode(); })) return;
  if (!DeviceStep(tag + "-2", [&] { return IOCtrl->SetIFBandwidth(plan_.bandwidth); })) return;
  const int bytesPerPoint = plan_.words ? 2 : 1;
  std::vector<uint8_t> data(size_t(plan_.points * bytesPerPoint));
  const double start = Segment * kGHz;
  if (!DeviceStep(tag + "-3", [&] {
        return plan_.words ? IOCtrl->SweepWords(plan_.points, plan_.param, start, plan_.step, data.data())
                           : IOCtrl->SweepBytes(plan_.points, plan_.param, start, plan_.step, data.data());
      }))
    return;
  Locked([&] {
    const unsigned offset = unsigned(Segment * plan_.points);
    if (plan_.words)
      WriteDifferences(*Trace, 0, data.data(), unsigned(plan_.points), offset);
    else
      WriteBytes(*Trace, 0, data.data(), unsigned(plan_.points), offset);
  });
  if (!DeviceStep(tag + "-4", [] { return IOCtrl->CheckAkku(); })) return;
  SignalFinished();
}

FingerAnalogThread::FingerAnalogThread()
    : FingerSegmentThread({"FingerAnalogThread::Execute", 2, 10000, 0, kAnalogStep, false}) {}

FingerDigitalThread::FingerDigitalThread()
    : FingerSegmentThread({"FingerDigitalThread::Execute", 1, 2000, 100, kDigitalStep, true}) {}

void StoreFingerprint(const DigitalBuffer& analog, const DigitalBuffer& digital,
                      FingerBufferBase& fingerprint) {
  // The file keeps the low byte of each truncated value: a negative difference is stored in two's
  // complement (-3 as 0xFD), as the instrument's own files hold it.
  auto low = [](float v) { return int(std::trunc(v)) & 0xFF; };
  for (unsigned i = 0; i < FingerBufferBase::AnalogSize; ++i)
    fingerprint.SetAnalog(i, uint8_t(low(analog.Get(0, i))));
  for (unsigned i = 0; i < FingerBufferBase::DigitalSize; ++i)
    fingerprint.SetDigital(i, low(digital.Get(0, i)));
}

// ---- Scan ----

FingerScanThread::FingerScanThread(double start, double stop) : Start(start), Stop(stop) {}

void FingerScanThread::Execute() {
  if (!AnalogTrace || !DigitalTrace || !(Start < Stop)) return;
  Locked([&] {
    AnalogTrace->Clear();
    DigitalTrace->Clear();
  });
  if (!DeviceStep("FingerScanThread-1", [] { return IOCtrl->InitMeasureMode(); })) return;
  const int steps = int(std::ceil((Stop - Start) * 1e-8));
  for (int i = 0; i < steps && !Terminated(); ++i) {
    if (!Step(Start + i * kScanStep)) return;
    if (Terminated()) break;
    if (health_.Seconds() > kHealthSeconds) {
      if (!DeviceStep("FingerScanThread-3", [] { return IOCtrl->CheckAkku(); })) return;
      health_.Restart();
    }
  }
  SignalFinished();
}

// Both sweeps of one 100 MHz step in one hold of the lock.
bool FingerScanThread::Step(double f) {
  uint8_t levels[1000];
  uint8_t pairs[400];
  return DeviceStep("FingerScanThread-2", [&] {
    if (!IOCtrl->SetIFBandwidth(2) || !IOCtrl->SweepBytes(1000, 0, f, kAnalogStep, levels)) return false;
    WriteBytes(*AnalogTrace, 0, levels, 1000, GridIndex(f, kAnalogStep));
    if (Terminated()) return true;
    if (!IOCtrl->SetIFBandwidth(1) || !IOCtrl->SweepWords(200, 100, f, kDigitalStep, pairs)) return false;
    WriteSpreads(*DigitalTrace, 0, pairs, 200, GridIndex(f, kDigitalStep));
    return true;
  });
}

// ---- Realtime ----

namespace {

constexpr int kAnalogPoints = 1000;
constexpr int kDigitalPoints = 200;
constexpr int kAudioSamples = 512;
constexpr int kAudioBins = 256;

}  // namespace

FingerRealtimeThread::FingerRealtimeThread(double frequency)
    : Frequency(frequency),
      sound_(std::make_unique<SoundBufferBase>(kAudioSamples)),
      window_(std::make_unique<GaussWindow>(kAudioSamples)),
      fft_(std::make_unique<FFTBufferFloat>(kAudioSamples)) {}

FingerRealtimeThread::~FingerRealtimeThread() = default;

void FingerRealtimeThread::Execute() {
  if (!LiveTrace || !Fingerprint) return;
  if (!SetUp()) return;
  LoadReference();
  // A stop request is seen between the measurement, the audio spectrum and the follow-up.
  while (!Terminated()) {
    if (!ServeRetune() || !Measure()) return;
    if (Terminated()) break;
    if (!ServeRetune() || !AudioSpectrum()) return;
    if (Terminated()) break;
    if (!ServeRetune() || !ServeVolumeOrHealth()) return;
  }
  SignalFinished();
}

bool FingerRealtimeThread::SetUp() {
  const bool ok = DeviceStep("FingerRealtimeThread-1", [&] {
    if (Digital())
      return IOCtrl->SelectADChannel(0) && IOCtrl->InitMeasureMode() && IOCtrl->SetIFBandwidth(1) &&
             IOCtrl->SetAudioSpeaker(1, 1, 1, 1, 0, 0, 0);
    return IOCtrl->SelectADChannel(0) && IOCtrl->InitMeasureModeBand0() && IOCtrl->SetIFBandwidth(2) &&
           IOCtrl->WriteSoundPCA9539(128) && IOCtrl->SetAudioSpeaker(1, 1, 1, 1, 0, 0, 1);
  });
  if (ok) ShowLabels();
  return ok;
}

// The labels name the range really swept: +-25 MHz in the digital view, +-5 MHz in the analogue one.
void FingerRealtimeThread::ShowLabels() {
  if (!Labels) return;
  const double half = Digital() ? 25.0 : 5.0;
  const double mhz = Frequency * 0.000001;
  Labels(FormatFloat("0.000", mhz - half), FormatFloat("0.000", mhz), FormatFloat("0.000", mhz + half));
}

// The stored fingerprint around the frequency into channel 2 (+20, at most 255) and smoothed into 1.
void FingerRealtimeThread::LoadReference() {
  const bool digital = Digital();
  const int points = digital ? kDigitalPoints : kAnalogPoints;
  const double first =
      digital ? (Frequency - 25000000.0) / kDigitalStep : (Frequency - 5000000.0) / kAnalogStep;
  const double perPoint = digital ? 0.5 : 0.1;
  std::vector<float> stored(static_cast<size_t>(points)), smooth(static_cast<size_t>(points));
  for (int i = 0; i < points; ++i) {
    const double pos = std::floor(ReferenceOffset + first + i * perPoint + kIndexEpsilon);
    uint8_t v = 0;
    if (pos >= 0.0 && pos < 4294967295.0)
      v = digital ? Fingerprint->GetDigital(unsigned(pos)) : Fingerprint->GetAnalog(unsigned(pos));
    stored[size_t(i)] = float(std::min(int(v) + 20, 255));
  }
  SmoothFloats(stored.data(), smooth.data(), points, 5);
  Locked([&] {
    LiveTrace->SetValues(2, stored.data(), unsigned(points));
    LiveTrace->SetValues(1, smooth.data(), unsigned(points));
  });
}

bool FingerRealtimeThread::ServeRetune() {
  double requested = 0.0;
  if (!FrequencyChange.Take(requested)) return true;
  Frequency = requested;
  LoadReference();
  if (!DeviceStep("FingerRealtimeThread-2", [&] { return IOCtrl->SetFrequency(Frequency); })) return false;
  ShowLabels();
  if (Waterfall) Locked([&] { Waterfall->Clear(); });
  return true;
}

bool FingerRealtimeThread::Measure() {
  if (Digital()) {
    uint8_t pairs[2 * kDigitalPoints];
    return DeviceStep("FingerRealtimeThread-3", [&] {
      if (!IOCtrl->SweepWords(kDigitalPoints, 40, Frequency - 25000000.0, 250000.0, pairs)) return false;
      WriteSpreads(*LiveTrace, 0, pairs, kDigitalPoints, 0);
      // The waterfall row takes as many points as it is wide; missing ones are 0.
      std::vector<float> row(std::max<size_t>(Waterfall->Width, kDigitalPoints), 0.0f);
      for (int i = 0; i < kDigitalPoints; ++i) row[size_t(i)] = LiveTrace->Get(0, unsigned(i));
      Waterfall->Insert(row.data(), false, 0.00392f);
      return true;
    });
  }
  uint8_t levels[kAnalogPoints];
  return DeviceStep("FingerRealtimeThread-4", [&] {
    double stop = 0.0;
    if (!IOCtrl->SetFrequency(Frequency) ||
        !IOCtrl->Sweep(kAnalogPoints, 5, 22300000.0, 10000.0, kDdsClock, 4, &stop, levels))
      return false;
    if (Reverse) std::reverse(levels, levels + kAnalogPoints);
    WriteBytes(*LiveTrace, 0, levels, kAnalogPoints, 0);
    return true;
  });
}

bool FingerRealtimeThread::AudioSpectrum() {
  if (!AudioTrace) return true;
  if (!DeviceStep("FingerRealtimeThread-5", [&] {
        return IOCtrl->RecordSound(0, 4, 134, 0) && IOCtrl->ReadSoundAD0(sound_.get(), 0, 0);
      }))
    return false;
  sound_->ExchangeBytes();
  std::unique_ptr<float[]> signal(sound_->CreateSignFloatBuffer());
  fft_->Calculate(signal.get(), window_->FloatValues);
  fft_->Normalize(0.001f);
  Locked([&] {
    for (int i = 0; i < kAudioBins; ++i)
      AudioTrace->SetValue(0, unsigned(i), fft_->Get(unsigned(i)) * 255.0f);
  });
  return true;
}

// A posted volume ends the pass (sent to the sound processor in the analogue view); otherwise the
// health check runs every 4 s.
bool FingerRealtimeThread::ServeVolumeOrHealth() {
  uint8_t volume = 0;
  if (VolumeChange.Take(volume)) {
    Volume = volume;
    if (Digital()) return true;
    return DeviceStep("FingerRealtimeThread-6", [&] { return IOCtrl->SetSoundProcVolume(Volume); });
  }
  if (health_.Seconds() <= kHealthSeconds) return true;
  if (!DeviceStep("FingerRealtimeThread-7", [] { return IOCtrl->CheckAkku(); })) return false;
  health_.Restart();
  return true;
}
