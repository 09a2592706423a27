// The VLF spectrum: with the VLF converter on, the sweep tuner covers 0..5 MHz in 500 points of
// 10 kHz, normalised to the previous pass's mean level; the audio at the listening frequency as a
// spectrum trace and waterfall. On request it searches the spectrum for narrow peaks and tests each
// acoustically: it plays five stored tones through the speaker while listening at the candidate and
// marks the candidates whose audio carries the tones back (a transmitter relaying the room).
#pragma once
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

#include "engine/SweepCommon.h"

// Channel 0 of a VLF pass: clamp((d - average + 10) x 3, 0, 255); average becomes the pass's mean
// (integer division).
void NormaliseVlfPass(const uint8_t* block, int n, int& average, float* out);
// Runs of non-zero points of marks[0..n): the middle of each closed run, ascending. A run still open
// at the last point ends there; one that begins at the last point is not counted.
std::vector<int> RunMiddles(const float* marks, int n);
// Peak bin of a tone in a block of 3072 samples from offset: a 2048-point spectrum of samples
// 1024..3071 (sine window), bins 10..1023. 0 when the peak is not threshold times the mean. The
// amplified samples and the spectrum go to level (3072) and spectrum (2048) when given.
int ToneBin(const SoundBufferBase& sound, int offset, double threshold, float* level = nullptr,
            float* spectrum = nullptr);
// Bin of a tone of f Hz in that spectrum.
constexpr double ToneBinOf(double hz) { return hz * 0.093; }

class SweepVlfThread : public SweepThreadBase {
 public:
  static constexpr int Points = 500;
  static constexpr int ToneSamples = 3072;
  static constexpr double VlfOffset = 25300000.0;  // tuner frequency of VLF 0 Hz

  // Stores the search tones in the sound memory (device work on the calling thread).
  SweepVlfThread();

  // Posted changes (GUI thread): one is applied per pass, volume before tuner before span.
  void PostVolume(int volume) { Volume.Post(uint8_t(ClampVolume(volume))); }
  void PostAudioTuner(double hz) { AudioTunerFrequency.Post(std::clamp(hz, VlfOffset, VlfOffset + 5e6)); }
  void PostSpan(double hz) {
    if (hz > 0.0 && hz <= 5e6) NewSpan.Post(hz);
  }
  void RequestSearch() { SearchRequest = true; }

  Posted<uint8_t> Volume;
  Posted<double> AudioTunerFrequency;
  Posted<double> NewSpan;
  std::atomic<bool> SearchRequest{false};

  std::atomic<double> SpanInUse{5000000.0};
  std::atomic<int> AverageLevel{0};
  double ToneThreshold = 70.0;
  uint8_t SoundSlot = 0;
  bool TonesStored = false;  // the constructor's store succeeded

  DigitalBuffer* Buffer = nullptr;          // 500 points: channels 0-6 (spectrum, smoothings, marks)
  NormalBuffer* FFTTrace = nullptr;         // 256 points
  WaterfallBuffer* FFTWaterfall = nullptr;  // 256 wide
  DigitalBuffer* ToneBuffer = nullptr;      // 3072 points: channel 0 audio block, 1 its spectrum

  // Candidates of the last search (thread side; read after the thread ended).
  std::vector<int> ToneList;
  std::atomic<unsigned> SearchesDone{0};  // searches completed, for the view's follow-up

 protected:
  void Execute() override;

 private:
  bool CreateSearchTones();
  // One posted change, when there is one; false when the thread ended on its failure.
  bool ApplyOneChange(bool& applied);
  bool MeasurePass();
  bool SearchTones();
  bool TestCandidate(int e, bool& hit);
  // Plays pages of the stored tones while recording, into a cleared buffer.
  bool PlayAndRecord(SoundBufferBase& sound, uint8_t pages);
  int AnalyseTone(const SoundBufferBase& sound, int offset);
  bool Vorton(bool& found);
  bool CheckTones(bool& hit);

  AudioSpectrum audio_;
  uint8_t block_[Points] = {};
};
