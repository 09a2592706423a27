// Field-strength locating: the analogue thread (a 400-point sweep around one frequency with
// tracking, attenuator ranging and the indicator) and the digital thread (a 100-point word sweep,
// or the detector's AD samples in pulse mode, with history, reference and decaying peak hold).
#pragma once
#include <atomic>
#include <vector>

#include "engine/LocateThreadBase.h"

class DigitalBuffer;
class DigitalWaterBuffer;
class StdDisplay;

class FieldLocateThread : public LocateThreadBase {
 public:
  static constexpr double PointStep = 10000.0;
  static constexpr int MaxRangingSteps = 10;

  FieldLocateThread() = default;

  // Set before Resume (the frame holds the buffer through Hold).
  DigitalBuffer* Buffer = nullptr;  // 400 points
  StdDisplay* Display = nullptr;    // may be null
  double StartFrequency = 0.0;      // Hz, the centre the operator chose

  // GUI thread: the draw commands of the mode and the tracking flag, which always go together.
  void SetGraphCommands(bool tracking);
  bool AutoTracking() const { return tracking_.load(); }
  // GUI thread: range the attenuator again before the next pass.
  void RequestRanging() { rangingRequest_.store(true); }

  // Read by the frame while the thread runs.
  std::atomic<double> Frequency{0.0};  // centre of the current sweep
  std::atomic<int> Attenuation{0};     // 0..31 dB
  std::atomic<double> Level{0.0};      // mean of the raw points 140..260
  std::atomic<double> MinimumLevel{0.0};
  std::atomic<double> ReferenceLevel{0.0};

 protected:
  void Execute() override;

 private:
  void Run();
  bool Setup();
  bool Sweep();
  bool AdjustAttenuator();
  bool UpdateIndicator();

  std::vector<uint8_t> samples_;
  std::atomic<bool> tracking_{false};
  std::atomic<bool> rangingRequest_{false};
};

class DigFieldLocateThread : public LocateThreadBase {
 public:
  static constexpr int Points = 100;
  static constexpr int HistoryLength = 10;
  static constexpr int PulseShapeLength = 40;
  static constexpr double PeakDecaySeconds = 0.1;

  DigFieldLocateThread();

  // Set before Resume.
  DigitalBuffer* Buffer = nullptr;          // 100 points
  DigitalWaterBuffer* Waterfall = nullptr;  // 100 x 100, pulse mode
  StdDisplay* Display = nullptr;            // not drawn on by the thread
  double Frequency = 0.0;                   // Hz

  // Posted by the GUI thread while it runs.
  Posted<int> Attenuation;  // 0..31 dB
  std::atomic<bool> PulseMode{false};
  void RequestReference() { referenceRequest_.store(true); }

  // Read by the frame.
  std::atomic<double> Level{0.0};
  std::atomic<double> Output{0.0};
  std::atomic<double> Gain{1.0};

  // The pulse-mode peak hold outlives every thread (the program's one locate indication).
  static double PeakHold();
  static void ResetPeakHold();

 protected:
  void Execute() override;

 private:
  void Run();
  bool Init();
  bool Measure();
  bool MeasureDigital();
  bool MeasurePulses();
  void PushHistory(int value);
  void SetReference();
  bool UpdateIndicator(double output);

  std::vector<double> window_;
  std::vector<double> pulseShape_;
  std::vector<int> history_;
  std::atomic<bool> referenceRequest_{false};
};

// Raises target[centre + i - 20] to shape[i] x height wherever it lies lower (i < shape size,
// indices 0..count-1).
void AddPulse(float* target, int count, const std::vector<double>& shape, int centre, double height);
// The digital mode's pulse level of one point: (weighted second byte x the rise from the first to
// the second byte) / 256; a fall counts as no pulse.
int PulseProduct(int second, int difference);
