// The silent search: a scan of 0 to 15 GHz for carriers, the recording of one candidate's
// demodulated audio together with the room microphone, and the comparison of the two.
//
// Sound channels: AD0 records the demodulated audio of the receiver's audio path, AD1 the room
// microphone. The analyser's input 1 is the demodulated audio (level 1, "LevelDemod"), input 2 the
// microphone (level 2, "LevelMicro").
//
// The scan and record threads hold HardwareLock around every device step and end quietly when one
// fails (finished event, no error flag): the frame sees the missing results, and the link probe
// notices a lost instrument. The analyser uses no device.
#pragma once
#include <memory>
#include <vector>

#include "engine/Threads.h"

class DigitalBuffer;
class SilentList;

// Candidate marking of a scan buffer: channel 1 := smoothed channel 0 (half-width 7) + 30; channel 2 :=
// 50 where channel 0 > channel 1 (else 0) for the bins of start..stop (1 MHz each, clipped to the
// buffer), except 4880..5020 around the band split.
void MarkSilentCarriers(DigitalBuffer& buffer, double start, double stop);
// The list := every marked bin (frequency bin x 1 MHz, level channel 0), strongest first.
void FillSilentList(const DigitalBuffer& buffer, SilentList& list);

// The carrier nearest the centre of a 400-point look sweep of the IF tuner (22.3 MHz + i x 25 kHz).
struct CentreResult {
  bool centred = false;
  double frequency = 0.0;       // Hz, of the carrier (the tuned frequency when none was found)
  double ifTuner = 27300000.0;  // Hz, the IF tuner setting that puts it on the IF
};
// Fills channels 1-3 of the look buffer (smoothed, floor, carrier marks: 10 along each run, 255 at
// its centre) from channel 0.
CentreResult CentreCarrier(DigitalBuffer& look, double frequency);
// Every run of nonzero marks keeps its marks and gets 255 at (first + end) / 2, end the first zero
// after it.
void MarkRunCentres(std::vector<float>& marks);
// The centre mark nearest index 199, the lower index first at equal distance; d steps below it the
// carrier lies d x 25 kHz above the tuned frequency and the IF tuners go d x 25 kHz below 27.3 MHz.
CentreResult NearestCentre(const std::vector<float>& marks, double frequency);

class SilentScanThread : public IOThreadBase {
 public:
  SilentScanThread();
  DigitalBuffer* Buffer = nullptr;  // 15000 points: 0 level, 1 threshold, 2 mark
  double Start = 0.0;               // Hz; the marking range (the scan covers 0..15 GHz)
  double Stop = 15000000000.0;
  SilentList* List = nullptr;

 protected:
  void Execute() override;
};

class SilentRecordThread : public IOThreadBase {
 public:
  SilentRecordThread();
  double Frequency = 0.0;
  int SampleCount = 12800;          // a multiple of 128, at most 255 pages
  float* Ad0Output = nullptr;       // demodulated audio, SampleCount values around 0
  float* Ad1Output = nullptr;       // room microphone
  DigitalBuffer* Buffer = nullptr;  // 400 points: 0 IF look, 1 smoothed, 2 floor, 3 marks
  uint8_t Centred = 0;
  double CentredFrequency = 0.0;

 protected:
  void Execute() override;

 private:
  bool Look();
  void Centre();
  bool Record();
};

// The comparison of two recordings: FIR stages, decimation, short log spectra and the smallest sum
// of differences over a shift of one spectrum either way. A low result means alike.
class SilentAnalysis {
 public:
  explicit SilentAnalysis(int sampleCount);
  void Run(const float* input1, const float* input2);

  int SampleCount;
  int HalfCount;
  float Level1 = 0.0f;
  float Level2 = 0.0f;
  float Result = 0.0f;
  // The three sums of differences (the second spectrum one block later, aligned, one block earlier);
  // Result is the smallest.
  float Scores[3] = {0.0f, 0.0f, 0.0f};
  // Working arrays, kept for the debug plots.
  std::vector<float> Stage1[2], Stage2[2], Decimated[2], Spectrogram[2];
};

// out[i] = sum of in[i + j] x coef[j] over the taps (0 where the taps would pass the end).
void FirFilter(const float* in, float* out, int count, const float* coef, int taps);

class SilentAnalyzerThread : public IOThreadBase {
 public:
  SilentAnalyzerThread();
  int SampleCount = 12800;
  const float* Input1 = nullptr;  // demodulated audio (the record thread's AD0 output)
  const float* Input2 = nullptr;  // room microphone (its AD1 output)
  float Level1 = 0.0f;
  float Level2 = 0.0f;
  float Result = 0.0f;
  std::unique_ptr<SilentAnalysis> Analysis;  // made by Execute, kept for the debug plots

 protected:
  void Execute() override;
};
