// The service checks that show raw instrument signals: the six AD inputs, the IF filter responses,
// a sweep of the IF tuner (A mode) and the spectrum of recorded audio. Each runs until its frame stops
// it; a failed device operation ends it through ErrorExit. Every device operation and every write into
// a frame's trace happens inside HardwareLock.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "engine/Threads.h"

class NormalBuffer;
class FFTBuffer;

class ADCheckThread : public IOThreadBase {
 public:
  static constexpr int Channels = 6;
  static constexpr int BlockSize = 250;
  ADCheckThread();
  std::array<NormalBuffer*, Channels> Buffers{};  // one per AD channel; channels without one are skipped

 protected:
  void Execute() override;
};

class FilterCheckThreadV2 : public IOThreadBase {
 public:
  static constexpr int Settings = 5;
  FilterCheckThreadV2();
  std::array<NormalBuffer*, Settings> Buffers{};  // one per IF filter setting, all required
  uint8_t SweepParam = 0;
  double StartFrequency = 0.0;  // Hz
  double StopFrequency = 0.0;
  uint8_t Module = 0;  // 0 sweep path (DDS 2, AD 0), 1 audio path (DDS 3, AD 1)

 protected:
  void Execute() override;

 private:
  bool CheckSetting(int k, uint8_t dds);
};

// A new span and step for the A-mode sweep, centred on the IF.
struct AModeRange {
  double Span = 108000000.0;
  double Step = 10000.0;
};

// Points, blocks of 500 and the size of the last block of an A-mode sweep.
struct AModeLayout {
  int Points = 0;
  int Blocks = 0;
  int Last = 0;
};
AModeLayout LayoutAModeSweep(double start, double stop, double step);

class SweepAModeThread : public IOThreadBase {
 public:
  static constexpr int BlockPoints = 500;
  SweepAModeThread();
  uint8_t SweepParam = 0;
  double StartFrequency = 0.0;  // Hz of the IF tuner
  double StopFrequency = 0.0;
  double StepFrequency = 0.0;
  NormalBuffer* Trace = nullptr;
  Posted<AModeRange> Change;  // posted by the frame while the thread runs
  uint8_t Module = 0;         // 0: AD channel 0 and DDS 4; 1: AD channel 1 and DDS 5

 protected:
  void Execute() override;

 private:
  bool SweepPass(const AModeLayout& layout);
  void ApplyChange(const AModeRange& range, AModeLayout& layout);
};

class FFTTestThread : public IOThreadBase {
 public:
  explicit FFTTestThread(int sampleCount);
  const int SampleCount;
  NormalBuffer* FFTTrace = nullptr;   // SampleCount / 2 points
  NormalBuffer* TimeTrace = nullptr;  // SampleCount points, optional

 protected:
  void Execute() override;

 private:
  bool Pass(FFTBuffer& fft, std::vector<double>& samples);
};
