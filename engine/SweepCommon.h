// What the sweep threads of the analyser views share: the health check on the thread's own clock,
// the link probe, the speaker follow-up, the shared-buffer hand-over, and the pure pieces of the
// passes (byte order, the 50 kHz overview grid, the min/max channels, the max hold).
#pragma once
#include <chrono>
#include <cstdint>
#include <memory>

#include "engine/Buffers.h"
#include "engine/Fft.h"
#include "engine/SoundBuffer.h"
#include "engine/Threads.h"

// Volume of the sound processor as the volume control offers it.
constexpr int MaxSweepVolume = 240;
int ClampVolume(int volume);
// A receiver frequency inside 0..15 GHz; non-finite values read as 0.
double ClampFrequency(double hz);

// Exchanges byte i with byte n - 1 - i for i < n / 2 (a word block thereby also swaps the two bytes
// of each point).
void ReverseBlock(uint8_t* data, int n);

// Overview buffers are indexed on one 50 kHz grid (index = frequency x 2e-5). Sweep point j of a
// segment starting at g with the given step covers the grid points [First, First + Count).
struct GridSpan {
  unsigned First = 0;
  unsigned Count = 0;
};
GridSpan GridPointsOf(double segmentStart, int j, double step);
// Calls fn(gridIndex, j) for every grid point of every sweep point of a 1000-point segment, stopping
// at limit (the buffer's count) so that a coarse step never walks past a buffer.
template <typename Fn>
void ForEachGridPoint(double segmentStart, double step, int points, unsigned limit, Fn&& fn) {
  for (int j = 0; j < points; ++j) {
    const GridSpan span = GridPointsOf(segmentStart, j, step);
    for (unsigned s = 0; s < span.Count && span.First + s < limit; ++s) fn(span.First + s, j);
  }
}

// Min/max channels of one point: 1 minimum, 2 maximum, 0 their mean, 3 their spread.
void SetMinMaxPoint(DigitalBuffer& buffer, unsigned index, uint8_t lo, uint8_t hi);
// Max hold: channel 0 the live level, channel 1 raised when the level is greater (equal does not
// rewrite).
void SetMaxHoldPoint(DigitalBuffer& buffer, unsigned index, float level);

// The digital views' two traces from the min/max waterfall (channel 0 of its rows), over at most
// 1000 points. Rows are taken in age order, so only neighbouring rows in time are compared.
struct ActivityShape {
  int HalfWidth;  // smoothing
  float Value;    // level of an active point
};
// Activity: points whose level changes strongly from row to row (smoothed) get Value, others 0.
void FillActivityTrace(const DigitalWaterBuffer& water, NormalBuffer& trace, ActivityShape shape);
// Average: the smoothed mean level of the rows, cubed and scaled (scale 1 narrow, 0.5 wide).
void FillAverageTrace(const DigitalWaterBuffer& water, NormalBuffer& trace, int halfWidth, float scale);

// One block of the demodulated audio and its spectrum: 512 samples recorded from the audio path
// into a sound memory slot, read back, and their windowed spectrum (normalised to the largest
// value) as a 256-point trace and a waterfall row of the 512 values.
class AudioSpectrum {
 public:
  static constexpr int Samples = 512;
  // Call inside HardwareLock. False on a failed record or read; trace and waterfall may be null.
  bool Measure(uint8_t slot, NormalBuffer* trace, WaterfallBuffer* waterfall);

 private:
  SoundBufferBase sound_{Samples};
  GaussWindow window_{Samples};
};

// Base of the sweep threads: a health check of the instrument every 2 s on the thread's own clock,
// and the per-pass link and speaker checks of the detail sweeps.
class SweepThreadBase : public IOThreadBase {
 public:
  static constexpr double HealthIntervalSeconds = 2.0;

  SweepThreadBase();

  // Keeps a buffer the thread writes alive while the thread exists and returns it for the pointer
  // field: thread->Buffer = thread->Keep(buffer).
  template <typename T>
  T* Keep(const std::shared_ptr<T>& buffer) {
    if (buffer) Hold(buffer);
    return buffer.get();
  }

  // What the last link and speaker checks read.
  std::atomic<uint8_t> LinkProbe{0};
  std::atomic<bool> SpeakerState{false};

 protected:
  // Battery and temperatures (IOControl::CheckAkku) when more than 2 s have passed; the values land
  // in the device object, where the caption's gauges read them. False on a failed check.
  bool HealthCheck();
  // Reads the link probe port: false once the module no longer answers.
  bool CheckLink();
  // Follows the speaker switch (bit 7 of the sound module's input port, low = speaker state).
  bool UpdateSpeaker();
  // The same three with ErrorExit(tag) on failure; false when the thread must end.
  bool EndOfPassChecks(const char* tag, bool linkAndSpeaker);

 private:
  std::chrono::steady_clock::time_point healthStart_;
};
