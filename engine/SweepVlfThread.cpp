#include "engine/SweepVlfThread.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "device/InOut.h"
#include "base/Globals.h"
#include "base/Guard.h"
#include "base/HardwareLockGuard.h"

namespace {
constexpr int SpectrumPoints = 2048;
constexpr int SearchVolume = 180;
constexpr int MarkHalfWidth = 6;
constexpr double Tones[] = {1200.0, 1400.0, 1600.0, 1800.0, 2000.0};

// The speaker switches of the tone search (inside the lock).
bool SpeakerOn() { return IOCtrl->SetAudioSpeaker(true, true, true, true, false, false, true); }
}  // namespace

void NormaliseVlfPass(const uint8_t* block, int n, int& average, float* out) {
  int sum = 0;
  for (int i = 0; i < n; ++i) {
    out[i] = float(std::clamp((block[i] - average + 10) * 3, 0, 255));
    sum += block[i];
  }
  if (n > 0) average = sum / n;
}

std::vector<int> RunMiddles(const float* marks, int n) {
  std::vector<int> middles;
  if (n <= 0) return middles;
  bool inside = marks[0] != 0.0f;
  int first = 0;
  for (int i = 0; i < n; ++i) {
    if (marks[i] != 0.0f && !inside) {
      inside = true;
      first = i;
    } else if (marks[i] == 0.0f && inside) {
      middles.push_back((i + first) / 2);
      inside = false;
    }
  }
  if (inside && first < n - 1) middles.push_back((n - 1 + first) / 2);
  return middles;
}

int ToneBin(const SoundBufferBase& sound, int offset, double threshold, float* level, float* spectrum) {
  constexpr int n = SweepVlfThread::ToneSamples;
  std::vector<double> x(n);
  for (int i = 0; i < n; ++i) {
    x[size_t(i)] = (sound.Get(unsigned(offset + i)) / 256.0 - 128.0) * 100.0 + 128.0;
    if (level) level[i] = float(x[size_t(i)]);
  }
  FFTBuffer fft(SpectrumPoints);
  fft.Calculate(x.data() + (n - SpectrumPoints), true);
  if (spectrum)
    for (int i = 0; i < SpectrumPoints; ++i) spectrum[i] = float(fft.Get(unsigned(i)) * 50.0);
  double sum = 0.0, top = -1.0;
  int peak = 0;
  for (int k = 10; k < 1024; ++k) {
    const double v = fft.Get(unsigned(k)) * 50.0;
    sum += v;
    if (v > top) {
      top = v;
      peak = k;
    }
  }
  return threshold * sum / 1014.0 > top ? 0 : peak;
}

// ---- SweepVlfThread ----

SweepVlfThread::SweepVlfThread() { TonesStored = CreateSearchTones(); }

bool SweepVlfThread::CreateSearchTones() {
  return Guarded("SweepVlfThread::CreateSearchTones", [&] {
    SoundBufferBase tones(0);
    for (double hz : Tones) {
      SoundBufferBase tone(ToneSamples);
      tone.CreateSinus2205(hz);
      tone.RampUp(256);
      tone.RampDown(256);
      tones.Add(&tone);
    }
    tones.SetEndMark();
    tones.ExchangeBytes();
    HardwareLockGuard lock;
    return IOCtrl && IOCtrl->StoreSound(&tones, 0, 0);
  });
}

bool SweepVlfThread::ApplyOneChange(bool& applied) {
  applied = true;
  uint8_t volume = 0;
  if (Volume.Take(volume)) return DeviceStep("", [&] { return IOCtrl->SetSoundProcVolume(volume); });
  double hz = 0.0;
  if (AudioTunerFrequency.Take(hz)) return DeviceStep("", [&] { return IOCtrl->SetIFTunerAudio(hz); });
  if (NewSpan.Take(hz)) {
    SpanInUse = hz;
    return true;
  }
  applied = false;
  return true;
}

void SweepVlfThread::Execute() {
  if (!Buffer) return;
  if (!DeviceStep("", [] { return IOCtrl->SetVLFModule(true) && IOCtrl->InitVLFMode(); })) return;
  while (!Terminated()) {
    bool applied = false;
    if (!ApplyOneChange(applied)) return;
    if (!applied && !MeasurePass()) return;
  }
  SignalFinished();
}

bool SweepVlfThread::MeasurePass() {
  if (!DeviceStep("", [&] {
        double stop = 0.0;
        return IOCtrl->Sweep(Points, 10, VlfOffset, 10000.0, 80000000.0, 4, &stop, block_);
      }))
    return false;
  float level[Points];
  int average = AverageLevel;
  NormaliseVlfPass(block_, Points, average, level);
  AverageLevel = average;
  Locked([&] { Buffer->SetValues(0, level, Points); });
  if (SearchRequest.exchange(false)) {
    if (!SearchTones()) {
      ErrorExit("");
      return false;
    }
    // The search leaves the speaker silent; the operator's volume comes back with the next posting.
    if (!DeviceStep("", [] { return IOCtrl->SetSoundProcVolume(0); })) return false;
    ++SearchesDone;
  }
  if (FFTTrace) {
    bool ok = false;
    Locked([&] {
      ok = Guarded("SweepVLFThread::ProcessSoundFFT",
                   [&] { return audio_.Measure(SoundSlot, FFTTrace, FFTWaterfall); });
    });
    if (!ok) {
      ErrorExit("");
      return false;
    }
  }
  if (!UpdateSpeaker() || !HealthCheck()) {
    ErrorExit("SweepVlfThread");
    return false;
  }
  return true;
}

bool SweepVlfThread::SearchTones() {
  std::vector<int> candidates;
  Locked([&] {
    float spectrum[Points], wide[Points], narrow[Points], marks[Points];
    for (int i = 0; i < Points; ++i) spectrum[i] = Buffer->Get(0, unsigned(i));
    SmoothFloats(spectrum, wide, Points, 10);
    SmoothFloats(spectrum, narrow, Points, 4);
    for (int i = 0; i < Points; ++i) {
      wide[i] += 1.0f;
      marks[i] = narrow[i] > wide[i] ? 255.0f : 0.0f;
    }
    Buffer->SetValues(1, wide, Points);
    Buffer->SetValues(2, narrow, Points);
    Buffer->SetValues(3, marks, Points);
    Buffer->Clear(4);
    Buffer->Clear(5);
    candidates = RunMiddles(marks, Points);
    for (int e : candidates) Buffer->SetValue(4, unsigned(e), 255.0f);
  });
  ToneList = candidates;
  if (candidates.empty()) return true;
  {
    HardwareLockGuard lock;
    if (!SpeakerOn() || !IOCtrl->WriteSoundPCA9539(131) || !IOCtrl->SetSoundProcVolume(SearchVolume))
      return false;
  }
  for (int e : candidates) {
    if (Terminated()) break;  // a stop does not wait for the remaining candidates
    bool hit = false;
    if (!TestCandidate(e, hit)) return false;
    if (hit)
      Locked([&] {
        for (int i = e - MarkHalfWidth; i <= e + MarkHalfWidth; ++i)
          if (i >= 0) Buffer->SetValue(5, unsigned(i), 255.0f);
      });
  }
  Locked([&] { Buffer->Clear(6); });
  HardwareLockGuard lock;
  return IOCtrl->VolumeDown(SearchVolume) && SpeakerOn() && IOCtrl->WriteSoundPCA9539(128);
}

bool SweepVlfThread::TestCandidate(int e, bool& hit) {
  const double f = VlfOffset + 10000.0 * e;
  {
    HardwareLockGuard lock;
    if (!IOCtrl->SetIFTunerAudio(f) || !IOCtrl->SetIFTunerSweep(f)) return false;
  }
  Locked([&] {
    Buffer->Clear(6);
    Buffer->SetValue(6, unsigned(e), 255.0f);
  });
  bool found = false;
  hit = false;
  if (!Vorton(found)) return false;
  return !found || CheckTones(hit);
}

bool SweepVlfThread::PlayAndRecord(SoundBufferBase& sound, uint8_t pages) {
  // Cleared first: a short read never leaves old memory to be judged.
  for (int i = 0; i < sound.Count; ++i) sound.Samples[i] = SoundBufferBase::ZeroLine;
  HardwareLockGuard lock;
  if (!IOCtrl->PlaySound(0, pages, 0) || !IOCtrl->ReadSoundAD0(&sound, 0, 0)) return false;
  sound.ExchangeBytes();
  return true;
}

int SweepVlfThread::AnalyseTone(const SoundBufferBase& sound, int offset) {
  std::vector<float> level(ToneSamples), spectrum(SpectrumPoints);
  const int peak = ToneBin(sound, offset, ToneThreshold, level.data(), spectrum.data());
  Locked([&] {
    ToneBuffer->SetValues(0, level.data(), ToneSamples);
    ToneBuffer->SetValues(1, spectrum.data(), SpectrumPoints);
  });
  return peak;
}

bool SweepVlfThread::Vorton(bool& found) {
  found = false;
  if (!ToneBuffer) return true;
  return Guarded("SweepVlfThread::Vorton", [&] {
    SoundBufferBase sound(ToneSamples);
    if (!PlayAndRecord(sound, ToneSamples * 2 / 256)) return false;
    const int peak = AnalyseTone(sound, 0);
    found = peak >= 110.6 && peak <= 112.6;
    return true;
  });
}

bool SweepVlfThread::CheckTones(bool& hit) {
  hit = false;
  if (!ToneBuffer) return true;
  // Its fatal-error report has an empty text.
  return Guarded("", [&] {
    constexpr int blocks = int(std::size(Tones));
    SoundBufferBase sound(blocks * ToneSamples);
    // The play and read results are tested: a failed one would be judged as silence, a lost
    // instrument as "no relay".
    if (!PlayAndRecord(sound, blocks * ToneSamples * 2 / 256)) return false;
    int matches = 0;
    for (int j = 0; j < blocks; ++j) {
      const int peak = AnalyseTone(sound, j * ToneSamples);
      if (std::fabs(peak - ToneBinOf(Tones[j])) <= 1.0) ++matches;
    }
    hit = matches > 2;
    return true;
  });
}
