// The detail sweeps of the analyser views: 10 MHz around the centre as 1000 points 10 kHz apart.
// The receiver stays tuned to the centre; each pass sweeps the IF tuner from 22.3 MHz. Between the
// device steps of a pass the thread applies the changes its view posted (centre, volume, audio
// tuner); a new centre restarts the pass.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/SweepCommon.h"

class Sweep10MhzThread : public SweepThreadBase {
 public:
  static constexpr int Points = 1000;

  Sweep10MhzThread();

  // Posted changes (GUI thread). Values are clamped to what the instrument takes.
  void PostFrequency(double hz) { Frequency.Post(ClampFrequency(hz)); }
  void PostVolume(int volume) { Volume.Post(uint8_t(ClampVolume(volume))); }
  void PostAudioTuner(double hz) { AudioTunerFrequency.Post(ClampFrequency(hz)); }

  Posted<double> Frequency;            // receiver centre, Hz
  Posted<double> AudioTunerFrequency;  // audio IF tuner, Hz
  Posted<uint8_t> Volume;              // sound processor volume

  // Set before Resume.
  uint8_t SweepParam = 0;
  double StartFrequency = 0.0;  // first IF sweep frequency
  double StopFrequency = 0.0;   // informative: the point count is fixed
  double StepFrequency = 0.0;
  NormalBuffer* Buffer = nullptr;  // detail trace, 1000 points
  uint8_t AudioPath = 0;           // 0: AD 0 / DDS 4 (sweep tuner), else AD 1 / DDS 5 (audio tuner)
  bool ReverseData = false;        // reverse each sweep's block so that point 0 is the low end

  // The settings every view uses: IF 22.3 MHz up in 10 kHz steps, reversed.
  void SetDetailSweep();

 protected:
  void Execute() override;

  // The hooks of the descendants.
  virtual bool HasTarget() const { return Buffer != nullptr; }
  virtual void Prepare() {}
  virtual bool UsesAudioPath() const { return AudioPath != 0; }
  // The pass's device steps (inside the lock, each in its own hold unless said otherwise).
  virtual bool Measure();
  // Between the sweep and the store, outside the lock; false ends the pass (a stop request).
  virtual bool BeforeStore() { return true; }
  // Copies the pass into the view's buffers (called inside the lock).
  virtual void Store();
  virtual const char* FailureText() const { return "SweepWideThread-4"; }

  // One byte sweep of the pass's tuner into block; reversed when asked.
  bool SweepInto(uint8_t* block);
  std::array<uint8_t, 2 * Points> block_{};

 private:
  enum class Check { Go, Restart, Failed };
  // Applies a posted centre (which restarts the pass), volume and audio tuner. A stop request also
  // restarts, so that no further device step of the pass runs.
  Check CheckPoint();
};

class Sweep10MhzDiffThread : public Sweep10MhzThread {
 public:
  DigitalBuffer* DiffBuffer = nullptr;  // channel 0 input A, channel 1 input B

 protected:
  bool HasTarget() const override { return DiffBuffer != nullptr; }
  bool UsesAudioPath() const override { return false; }
  bool Measure() override;
  void Store() override;
  const char* FailureText() const override { return "Sweep10MhzDiffThread"; }

 private:
  std::array<uint8_t, Points> blockB_{};
};

class Sweep10MhzMaxHoldThread : public Sweep10MhzThread {
 public:
  DigitalBuffer* MaxHoldBuffer = nullptr;  // channel 0 live, channel 1 held maximum

 protected:
  bool HasTarget() const override { return MaxHoldBuffer != nullptr; }
  void Prepare() override;
  bool UsesAudioPath() const override { return false; }
  void Store() override;
  const char* FailureText() const override { return "Sweep10MhzMaxHoldThread"; }
};

class SweepIntensityThread : public Sweep10MhzThread {
 public:
  WaterfallBuffer* Waterfall = nullptr;  // one row per sweep, 1000 wide

 protected:
  void Execute() override;
  void Store() override;
  const char* FailureText() const override { return "SweepIntensityThread"; }
};

// The audio view's detail sweep: after each sweep one block of demodulated audio, its spectrum as a
// 256-point trace and a waterfall row, and the test sound (four stored tones, ten passes each).
class SweepFFTThread : public Sweep10MhzThread {
 public:
  static constexpr int Samples = AudioSpectrum::Samples;
  static constexpr int TestSoundPasses = 40;

  SweepFFTThread();

  // Plays the test tones; volume is restored when they end (GUI thread).
  void StartTestSound(int volume);

  NormalBuffer* FFTTrace = nullptr;         // 256 points
  WaterfallBuffer* FFTWaterfall = nullptr;  // rows of the 512 spectrum values (at most 512 wide)
  std::atomic<uint8_t> SoundSlot{2};        // sound memory slot of the recordings

 protected:
  bool Measure() override;
  const char* FailureText() const override { return "SweepFFTThread"; }

 private:
  bool ProcessSoundFFT();
  bool StepTestSound();
  // The four test tones go into the sound memory in the thread's first pass: other views store
  // their own sounds at the same place, and a reconnected instrument has lost them.
  bool StoreTestTones();
  bool tonesStored_ = false;

  // No test sound at the start: the operator's volume stands until one is requested.
  int testSoundStep_ = TestSoundPasses + 1;
  std::atomic<uint8_t> restoreVolume_{0};
  std::atomic<bool> testSoundRequest_{false};
  AudioSpectrum audio_;
};

// The digital view's detail sweep: a word sweep (minimum and maximum of each point) into the
// min/max channels, the spread as a digital waterfall row, and the activity and average traces.
// RunGate holds it between sweep and store while the operator drags on the display.
class SweepMinMaxThread : public SweepIntensityThread {
 public:
  NormalBuffer* ActivityTrace = nullptr;
  NormalBuffer* AverageTrace = nullptr;
  DigitalBuffer* MinMaxBuffer = nullptr;      // channels 0 mean, 1 min, 2 max, 3 spread
  DigitalWaterBuffer* MinMaxWater = nullptr;  // rows of the spread, at most 1000 points

 protected:
  void Execute() override;
  bool HasTarget() const override { return MinMaxBuffer != nullptr; }
  bool Measure() override;
  bool BeforeStore() override { return PassRunGate(); }
  void Store() override;
  const char* FailureText() const override { return "SweepMinMaxThread"; }
};
