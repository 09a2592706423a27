// Fast detect: finds transmitters that relay the room's sound, in three threads run one after the
// other by the fast-detect screen.
//  - FastDetectScanThreadV2 sweeps 0..15 GHz at 5 MHz, 1 MHz and 100 kHz (IF bandwidths 0, 1, 2) and
//    marks the points that stand out above their smoothed floor;
//  - FastDetectSearchThreadV2 tunes to every marked point, plays test tones through the loudspeaker
//    and keeps the points whose demodulated audio carries them;
//  - FastDetectCenterThread re-sweeps every kept range finely, finds the peak centres and confirms
//    each one with the tones again.
// ToneDetector holds the four tone slots in the Sound-PIC and judges a recording.
#pragma once
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "engine/LocateThreadBase.h"

class DigitalBuffer;
class StdDisplay;
class SoundBufferBase;

class ToneDetector {
 public:
  static constexpr int SlotSamples = 4096;
  static constexpr int SlotCount = 4;
  static constexpr int SlotPages = 32;
  static constexpr int ToneSamples = 3072;
  static constexpr int FirstBin = 93, LastBin = 204;
  static constexpr int ExpectedBin[SlotCount] = {111, 130, 148, 167};

  ToneDetector();
  ~ToneDetector();
  ToneDetector(const ToneDetector&) = delete;
  ToneDetector& operator=(const ToneDetector&) = delete;

  // Stores the four slots (1200, 1400, 1600, 1800 Hz, each 3072 samples of tone and 1024 of
  // silence) from page 0: 128 pages.
  bool CreateAndSaveTones();
  // Plays one slot (or all four) and records the demodulated audio of the same pages.
  bool PlayTone(int slot);
  bool PlaySequence();
  // 1 when the recording of the slot carries the slot's tone. With a spectrum buffer its channel 1
  // gets the scaled spectrum. The analysed part is the slot's last 1024 samples: the recording lags
  // the playing by about 1024 samples, so they hold the tone's end.
  int CheckTone(int slot, DigitalBuffer* spectrum);
  // The number of slots (0..4) of the sequence recording that carry their tone.
  int CheckSequence(DigitalBuffer* spectrum);

  SoundBufferBase& Record() { return *record_; }
  SoundBufferBase& SequenceRecord() { return *sequence_; }

  double Gain = 0.0;
  double Peak = 0.0;
  double Mean = 0.0;
  int PeakBin = 0;

 private:
  std::unique_ptr<SoundBufferBase> record_;
  std::unique_ptr<SoundBufferBase> sequence_;
};

// The three stages of the scan: points, step and IF bandwidth; chunks of 3000 points.
struct FastDetectStage {
  int points;
  double step;
  int bandwidth;
  const char* scanTitle;
  const char* searchTitle;
};

class FastDetectScanThreadV2 : public LocateThreadBase {
 public:
  static constexpr int ChunkPoints = 3000;
  static const FastDetectStage Stages[3];

  FastDetectScanThreadV2();

  // Set before Resume (the frame holds them through Hold).
  std::array<DigitalBuffer*, 3> Buffers{};  // 3000, 15000, 150000 points
  std::array<double, 3> StopFrequency{15e9, 15e9, 15e9};
  StdDisplay* Display = nullptr;

  // One stage without its pauses: display, bandwidth, the chunked sweeps, the marking.
  bool RunStage(int stage);

 protected:
  void Execute() override;

 private:
  void Run();
  bool StoreVoiceSound();
  bool ActivateVoiceControl();
  void ShowStage(int stage);
  void MarkAboveFloor(DigitalBuffer& buffer);
};

class FastDetectSearchThreadV2 : public LocateThreadBase {
 public:
  FastDetectSearchThreadV2();
  ~FastDetectSearchThreadV2() override;

  std::array<DigitalBuffer*, 3> Buffers{};
  StdDisplay* Display = nullptr;

  // Read by the frame when the thread has ended.
  std::atomic<int> Hits{0};
  std::array<std::atomic<int>, 3> StageHits{};

 protected:
  void Execute() override;

 private:
  void Run();
  bool SearchStage(int stage);
  bool TestPoint(DigitalBuffer& buffer, unsigned index, double hz, int stage, bool& failed);

  std::unique_ptr<ToneDetector> detector_;
};

struct TargetRangeItem {
  double lower = 0.0;  // Hz
  double upper = 0.0;
  double centre = 0.0;
};

class FastDetectCenterThread : public LocateThreadBase {
 public:
  static constexpr double PointStep = 50000.0;
  static constexpr int FinePoints = 160;

  FastDetectCenterThread();
  ~FastDetectCenterThread() override;

  DigitalBuffer* Buffer = nullptr;  // 300000 points, point i = i x 50 kHz
  std::vector<TargetRangeItem>* List = nullptr;
  StdDisplay* Display = nullptr;

  // The confirmed centres (Hz), read by the frame when the thread has ended.
  std::vector<double> Confirmed;

  // The pause after each step the operator watches on the display (seconds, on the worker); false
  // ends the thread as a stop does. Empty: a sleep that ends early on a stop. Set before Resume.
  std::function<bool(double seconds)> Pause;

 protected:
  void Execute() override;

 private:
  void Run();
  bool Wait(double seconds);
  bool SweepRange(TargetRangeItem& item);
  void SmoothFineSweeps();
  void MarkAboveFloor(const TargetRangeItem& item);
  void ReduceMarksToCentres();
  bool Confirm(unsigned index, bool& failed);

  std::unique_ptr<ToneDetector> detector_;
};
