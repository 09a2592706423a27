// The overview sweeps of the analyser views: a start-stop range anywhere in 0..15 GHz, swept in
// segments of 1000 points with the receiver's own sweep and written onto the fixed 50 kHz grid of
// the overview buffers. A posted range or step restarts the pass.
#pragma once
#include <algorithm>
#include <array>
#include <cstdint>

#include "engine/SweepCommon.h"

// A range and step posted by a view.
struct WideSettings {
  double Start = 0.0;
  double Stop = 0.0;
  double Step = 0.0;
};
// The settings as a thread can sweep them: both ends inside 0..15 GHz and in order. False (nothing
// to post) for a step that is not a positive finite number or a non-finite end.
bool NormaliseWideSettings(WideSettings& settings);
// The step the views use: 1 MHz above 200 MHz of span, else 100 kHz.
double WideStepForSpan(double spanHz);

class SweepWideThread : public SweepThreadBase {
 public:
  static constexpr int Points = 1000;
  static constexpr double FineStep = 50000.0;

  SweepWideThread();

  // Posts a range and step (GUI thread); false when refused (see NormaliseWideSettings).
  bool PostSettings(double start, double stop, double step);

  int Bandwidth = 0;       // IF bandwidth type chosen from the step: 0 none yet, 1 (>= 1 MHz), 2 below
  uint8_t FilterMode = 0;  // 1 or 2: an extra bandwidth choice after each settings change
  uint8_t SweepParam = 0;
  // The range in use (thread side).
  double StartFrequency = 0.0, StopFrequency = 0.0, StepFrequency = 0.0;
  NormalBuffer* Buffer = nullptr;  // overview on the 50 kHz grid, range bar over the swept segment

 protected:
  void Execute() override;

  // Device set-up before the first pass; false when the thread has ended.
  virtual bool Prepare();
  virtual bool HasTarget() const { return true; }
  // The segment's device steps; false on a failed device call (ErrorExit done).
  virtual bool SweepSegment(double start);
  // Writes the segment into the view's buffers (inside the lock).
  virtual void StoreSegment(double start);
  // After the segment's store, outside the lock; false when a stop was requested (the pass then
  // sets the finished event and the thread ends).
  virtual bool AfterSegment() { return true; }
  virtual const char* SweepFailureText() const { return "SweepWideThread-4"; }
  virtual const char* HealthFailureText() const { return "SweepWideThread-4"; }

  bool SweepBytesInto(double start, uint8_t* block);
  bool SelectChannelAndTune(const char* channelTag, const char* tuneTag);
  // The set-up of the differential and max-hold threads: measure mode, AD 0, start, normal input.
  bool PrepareMeasureMode(const char* tag);

  std::array<uint8_t, 2 * Points> block_{};

 private:
  enum class Pass { Done, Restart, Ended };
  // Applies pending settings; false when the thread ended on a failure.
  bool ApplySettings();
  bool SetBandwidth(int type, const char* tag);
  Pass SweepRange();

  Posted<WideSettings> settings_;
};

class SweepWideDiffThread : public SweepWideThread {
 public:
  DigitalBuffer* DiffBuffer = nullptr;  // channel 0 input A, channel 1 input B

 protected:
  bool Prepare() override { return PrepareMeasureMode("SweepWideDiffThread"); }
  bool HasTarget() const override { return DiffBuffer != nullptr; }
  bool SweepSegment(double start) override;
  void StoreSegment(double start) override;
  const char* SweepFailureText() const override { return "SweepWideDiffThread"; }
  const char* HealthFailureText() const override { return "SweepWideDiffThread"; }

 private:
  std::array<uint8_t, Points> blockB_{};
};

class SweepWideMaxHoldThread : public SweepWideThread {
 public:
  DigitalBuffer* MaxHoldBuffer = nullptr;  // channel 0 live, channel 1 held maximum

 protected:
  bool Prepare() override;
  bool HasTarget() const override { return MaxHoldBuffer != nullptr; }
  void StoreSegment(double start) override;
  const char* SweepFailureText() const override { return "SweepWideMaxHoldThread"; }
  const char* HealthFailureText() const override { return "SweepWideMaxHoldThread"; }
};

// One 1000-point waterfall row from the range [a, b) of grid points of a trace: sampled when the
// range holds at most 1000 points, else the maximum of all grid points that fall on a row point.
template <typename Level>
void BuildIntensityRow(unsigned a, unsigned b, float* row, Level&& level) {
  constexpr int Width = SweepWideThread::Points;
  for (int j = 0; j < Width; ++j) row[j] = 0.0f;
  if (b <= a) return;
  const unsigned n = b - a;
  if (n <= unsigned(Width)) {
    for (int j = 0; j < Width; ++j) row[j] = level(unsigned(double(n) * 0.001 * j + a));
    return;
  }
  int current = -1;
  for (unsigned i = a; i < b; ++i) {
    const int k = std::min(Width - 1, int(1000.0 / n * (i - a)));
    const float v = level(i);
    if (k != current) {
      current = k;
      row[k] = v;
    } else if (v > row[k]) {
      row[k] = v;
    }
  }
}

class SweepWideIntensityThread : public SweepWideThread {
 public:
  WaterfallBuffer* Waterfall = nullptr;  // 1000 wide

 protected:
  void Execute() override;
  bool Prepare() override { return SelectChannelAndTune("SweepWideThread-1", "SweepWideThread-2"); }
  void StoreSegment(double start) override;
  // One waterfall row from the whole range: the first segment of a pass advances the ring, later
  // segments rewrite that row.
  virtual void CreateIntensity(double segmentStart);
};

// The digital view's overview: word sweeps (minimum and maximum of each point) into the min/max
// channels on the grid, the spread as digital waterfall rows, and the activity and average traces.
// RunGate holds it after each segment while the operator drags on the display.
class SweepWideMinMaxThread : public SweepWideIntensityThread {
 public:
  NormalBuffer* ActivityTrace = nullptr;
  NormalBuffer* AverageTrace = nullptr;
  DigitalBuffer* MinMaxBuffer = nullptr;      // channels 0 mean, 1 min, 2 max, 3 spread
  DigitalWaterBuffer* MinMaxWater = nullptr;  // rows of the spread, at most 1000 points

 protected:
  void Execute() override;
  bool HasTarget() const override { return MinMaxBuffer != nullptr; }
  bool SweepSegment(double start) override;
  void StoreSegment(double start) override;
  bool AfterSegment() override { return PassRunGate(); }
  void CreateIntensity(double segmentStart) override;
};
