// The fingerprint threads: one 1-GHz segment of the analogue (100 kHz points) or digital (500 kHz
// points) recording, a scan of a range in 100 MHz steps, and the live view around one frequency beside
// the stored fingerprint with the audio spectrum of the demodulated signal.
//
// Trace indices are absolute, as in the fingerprint file: analogue point k is k x 100 kHz, digital
// point k is k x 500 kHz. Digital values come from a word sweep's point (second byte - first byte):
// a recorded segment keeps the sign, so its values can be negative; the scan and the live view take
// the difference's size. A failed device operation or health check ends a thread through ErrorExit.
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/Threads.h"

class DigitalBuffer;
class WaterfallBuffer;
class FingerBufferBase;
class SoundBufferBase;
class GaussWindow;
class FFTBufferFloat;
class StdDisplay;

constexpr int FingerSegments = 15;  // 1 GHz each

// Seconds since the thread's last health check. Each thread keeps its own clock, so a frame that
// starts another thread does not reset the health timer of one still running.
class HealthClock {
 public:
  HealthClock() { Restart(); }
  void Restart() { start_ = std::chrono::steady_clock::now(); }
  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_;
};

// One segment (0..14) of a fingerprint recording; runs once.
class FingerSegmentThread : public IOThreadBase {
 public:
  DigitalBuffer* Trace = nullptr;
  int Segment = 0;

 protected:
  struct Plan {
    const char* name;  // "FingerAnalogThread" / "FingerDigitalThread"
    int bandwidth;
    int points;
    uint8_t param;
    double step;
    bool words;
  };
  explicit FingerSegmentThread(const Plan& plan) : plan_(plan) {}
  void Execute() override;

 private:
  void Run();
  Plan plan_;
};

class FingerAnalogThread : public FingerSegmentThread {
 public:
  FingerAnalogThread();  // trace of 150000 points
};

class FingerDigitalThread : public FingerSegmentThread {
 public:
  FingerDigitalThread();  // trace of 30000 points
};

// Converts the two recorded traces (channel 0) into a fingerprint: each value truncated, its low 8
// bits stored (a digital difference of -3 becomes 0xFD).
void StoreFingerprint(const DigitalBuffer& analog, const DigitalBuffer& digital,
                      FingerBufferBase& fingerprint);

class FingerScanThread : public IOThreadBase {
 public:
  FingerScanThread(double start, double stop);
  double Start;
  double Stop;
  DigitalBuffer* AnalogTrace = nullptr;   // 150000 points
  DigitalBuffer* DigitalTrace = nullptr;  // 30000 points
  StdDisplay* AnalogDisplay = nullptr;    // not used by the thread
  StdDisplay* DigitalDisplay = nullptr;

 protected:
  void Execute() override;

 private:
  bool Step(double f);
  HealthClock health_;
};

class FingerRealtimeThread : public IOThreadBase {
 public:
  // The labels of the live view's display: start, centre and stop of the swept range in MHz.
  using LabelSink =
      std::function<void(const std::string& left, const std::string& centre, const std::string& right)>;

  explicit FingerRealtimeThread(double frequency);
  ~FingerRealtimeThread() override;

  double Frequency;
  Posted<double> FrequencyChange;       // requested frequency, Hz
  Posted<uint8_t> VolumeChange;         // requested volume (analogue view)
  DigitalBuffer* LiveTrace = nullptr;   // 0 live, 1 stored smoothed, 2 stored
  DigitalBuffer* AudioTrace = nullptr;  // 0: 256 spectrum values 0..255; optional
  FingerBufferBase* Fingerprint = nullptr;
  uint8_t Reverse = 1;
  LabelSink Labels;  // called on this thread; the display's CustomText may be bound to it
  int ReferenceOffset = 2;
  WaterfallBuffer* Waterfall = nullptr;  // set: digital view
  uint8_t Volume = 0;

 protected:
  void Execute() override;

 private:
  bool Digital() const { return Waterfall != nullptr; }
  bool SetUp();
  void LoadReference();
  void ShowLabels();
  bool ServeRetune();
  bool Measure();
  bool AudioSpectrum();
  bool ServeVolumeOrHealth();

  std::unique_ptr<SoundBufferBase> sound_;
  std::unique_ptr<GaussWindow> window_;
  std::unique_ptr<FFTBufferFloat> fft_;
  HealthClock health_;
};
