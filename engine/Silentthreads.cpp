#include "engine/Silentthreads.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <numbers>

#include "device/InOut.h"
#include "engine/Buffers.h"
#include "engine/ChannelIO.h"
#include "engine/Coef.h"
#include "engine/Fft.h"
#include "engine/SilentList.h"
#include "engine/SoundBuffer.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"

namespace {

constexpr int kScanBlocks = 15;
constexpr int kScanBlockPoints = 1000;
constexpr double kScanStep = 1000000.0;
constexpr int kSplitFirstBin = 4880;
constexpr int kSplitLastBin = 5020;

constexpr double kLookStart = 22300000.0;
constexpr double kLookSpan = 10000000.0;
constexpr double kLookStep = 25000.0;
// The search for the carrier nearest the IF walks out from index 199, one step below the 27.3 MHz
// point (22.3 MHz + 200 x 25 kHz): a mark at 210 counts as 11 steps off.
constexpr int kLookPivot = 199;
constexpr double kDdsClock = 80000000.0;
constexpr uint8_t kSweepTunerDds = 4;

// One device step of the silent threads inside HardwareLock. These threads end quietly on a failed
// step (finished event, no error flag): the screen sees the missing results, and a module that is
// really gone is noticed by the link probe.
bool QuietStep(const std::function<bool()>& op) {
  HardwareLockGuard lock;
  return op();
}

// Bin index of a frequency for the marking range, clipped to 0..limit.
int BinOf(double hz, int limit) {
  const double bin = std::trunc(hz * 0.000001);
  if (!(bin >= 0.0)) return 0;
  return bin > limit ? limit : int(bin);
}

}  // namespace

// ---- Scan ----

void MarkSilentCarriers(DigitalBuffer& buffer, double start, double stop) {
  const int count = int(buffer.Count);
  if (count == 0) return;
  std::vector<float> level = ReadChannel(buffer, 0);
  std::vector<float> threshold(level.size());
  SmoothFloats(level.data(), threshold.data(), count, 7);
  for (float& t : threshold) t += 30.0f;
  WriteChannel(buffer, 1, threshold);
  const int first = BinOf(start, count);
  const int last = BinOf(stop, count - 1);
  for (int i = first; i <= last && i < count; ++i) {
    if (i >= kSplitFirstBin && i <= kSplitLastBin) continue;
    buffer.SetValue(2, unsigned(i), level[size_t(i)] > threshold[size_t(i)] ? 50.0f : 0.0f);
  }
}

void FillSilentList(const DigitalBuffer& buffer, SilentList& list) {
  list.Clear();
  const unsigned bins = std::min(buffer.Count, unsigned(kScanBlocks * kScanBlockPoints));
  for (unsigned i = 0; i < bins; ++i)
    if (buffer.Get(2, i) > 0.0f) list.Add(double(i) * kScanStep, buffer.Get(0, i));
  list.SortByLevel();
}

SilentScanThread::SilentScanThread() = default;

void SilentScanThread::Execute() {
  if (!Buffer) {
    SignalFinished();
    return;
  }
  if (!QuietStep([&] {
        Buffer->Clear();
        return IOCtrl->SelectADChannel(0) && IOCtrl->InitMeasureMode() && IOCtrl->SetIFBandwidth(1) &&
               IOCtrl->SetFrequency(std::max(0.0, Start));
      }))
    return SignalFinished();
  if (Terminated()) {
    SignalFinished();
    return;
  }
  uint8_t block[kScanBlockPoints];
  for (int k = 0; k < kScanBlocks; ++k) {
    if (!QuietStep([&] {
          if (!IOCtrl->SweepBytes(kScanBlockPoints, 5, k * 1000000000.0, kScanStep, block)) return false;
          WriteBytes(*Buffer, 0, block, kScanBlockPoints, unsigned(k * kScanBlockPoints));
          return true;
        }))
      return SignalFinished();
    if (Terminated()) {
      SignalFinished();
      return;
    }
  }
  Locked([&] {
    MarkSilentCarriers(*Buffer, Start, Stop);
    if (List) FillSilentList(*Buffer, *List);
  });
  QuietStep([&] {
    if (!IOCtrl->SelectADChannel(0)) return false;
    IOCtrl->InitMeasureModeBand0();
    return IOCtrl->SetIFBandwidth(2);
  });
  SignalFinished();
}

// ---- Record ----

void MarkRunCentres(std::vector<float>& marks) {
  const int n = int(marks.size());
  for (int i = 0; i < n;) {
    if (marks[size_t(i)] == 0.0f) {
      ++i;
      continue;
    }
    const int first = i;
    while (i < n && marks[size_t(i)] != 0.0f) ++i;
    marks[size_t((first + i) / 2)] = 255.0f;
  }
}

CentreResult NearestCentre(const std::vector<float>& marks, double frequency) {
  CentreResult result;
  result.frequency = frequency;
  const int n = int(marks.size());
  for (int d = 0; d < 100; ++d) {
    const int below = kLookPivot - d, above = kLookPivot + d;
    int sign = 0;
    if (below >= 0 && below < n && marks[size_t(below)] == 255.0f)
      sign = 1;
    else if (above < n && marks[size_t(above)] == 255.0f)
      sign = -1;
    if (sign == 0) continue;
    // A carrier d steps above the tuned frequency shows d steps below the IF centre.
    result.centred = true;
    result.frequency = frequency + sign * d * kLookStep;
    result.ifTuner = NominalIF - sign * d * kLookStep;
    break;
  }
  return result;
}

CentreResult CentreCarrier(DigitalBuffer& look, double frequency) {
  const int n = int(look.Count);
  std::vector<float> level = ReadChannel(look, 0);
  std::vector<float> smooth(level.size()), floor(level.size());
  SmoothFloats(level.data(), smooth.data(), n, 10);
  SmoothFloats(level.data(), floor.data(), n, 30);
  for (float& f : floor) f += 10.0f;
  WriteChannel(look, 1, smooth);
  WriteChannel(look, 2, floor);
  std::vector<float> marks(level.size(), 0.0f);
  for (int i = 100; i < 300 && i < n; ++i)
    if (smooth[size_t(i)] > floor[size_t(i)]) marks[size_t(i)] = 10.0f;
  MarkRunCentres(marks);
  WriteChannel(look, 3, marks);
  return NearestCentre(marks, frequency);
}

SilentRecordThread::SilentRecordThread() = default;

void SilentRecordThread::Execute() {
  // The recording moves whole pages of 128 samples, at most 255 of them.
  const bool usable = Buffer && Buffer->Count > 0 && Ad0Output && Ad1Output && SampleCount >= 128 &&
                      SampleCount % 128 == 0 && SampleCount / 128 <= 255;
  if (!usable) {
    SignalFinished();
    return;
  }
  if (Look()) {
    Centre();
    Record();
  }
  SignalFinished();
}

bool SilentRecordThread::Look() {
  const int n = int(Buffer->Count);
  std::vector<uint8_t> data(size_t(n), 0);
  return QuietStep([&] {
    double stop = 0.0;
    if (!IOCtrl->SelectADChannel(0) || !IOCtrl->SetFrequency(Frequency) ||
        !IOCtrl->Sweep(n, 0, kLookStart, kLookSpan / n, kDdsClock, kSweepTunerDds, &stop, data.data()))
      return false;
    WriteBytes(*Buffer, 0, data.data(), unsigned(n), 0);
    return true;
  });
}

void SilentRecordThread::Centre() {
  Locked([&] {
    const CentreResult centre = CentreCarrier(*Buffer, Frequency);
    Centred = centre.centred ? 1 : 0;
    CentredFrequency = centre.frequency;
    // Without a carrier the tuners go back to the nominal IF, so the recording is not demodulated
    // at the previous candidate's offset.
    IOCtrl->SetIFTunerSweep(centre.ifTuner);
    IOCtrl->SetIFTunerAudio(centre.ifTuner);
  });
}

bool SilentRecordThread::Record() {
  SoundBufferBase demodulated(SampleCount), microphone(SampleCount);
  return QuietStep([&] {
    if (!IOCtrl->PlaySound(0, uint8_t(SampleCount / 128), 0) || !IOCtrl->ReadSoundAD0(&demodulated, 0, 0) ||
        !IOCtrl->ReadSoundAD1(&microphone, 0, 0))
      return false;
    demodulated.ExchangeBytes();
    microphone.ExchangeBytes();
    for (int i = 0; i < SampleCount; ++i) {
      Ad0Output[i] = float(int(demodulated.Samples[i]) - 32768);
      Ad1Output[i] = float(int(microphone.Samples[i]) - 32768);
    }
    return true;
  });
}

// ---- Analysis ----

void FirFilter(const float* in, float* out, int count, const float* coef, int taps) {
  for (int i = 0; i < count; ++i) {
    if (i + taps - 1 >= count) {
      out[i] = 0.0f;
      continue;
    }
    double sum = 0.0;
    for (int j = 0; j < taps; ++j) sum += double(in[i + j]) * double(coef[j]);
    out[i] = float(sum);
  }
}

namespace {

constexpr int kBlock = 128;
constexpr int kBins = 64;

// The 128-point window of the short spectra: a Gaussian over -4..4, scaled by 2.5.
std::vector<float> SpectrumWindow() {
  std::vector<float> w(kBlock);
  for (int i = 0; i < kBlock; ++i) {
    const double x = 8.0 * i / kBlock - 4.0;
    w[size_t(i)] = float(std::exp(-x * x / 2.0) / std::sqrt(2.0 * std::numbers::pi) * 2.5);
  }
  return w;
}

float SumOfDifferences(const std::vector<float>& a, int aShift, const std::vector<float>& b, int bShift,
                       int terms) {
  double sum = 0.0;
  for (int i = 0; i < terms; ++i)
    sum += std::fabs(double(a[size_t(i + aShift)]) - double(b[size_t(i + bShift)]));
  return float(sum);
}

}  // namespace

SilentAnalysis::SilentAnalysis(int sampleCount)
    : SampleCount(std::max(sampleCount, 0)), HalfCount(SampleCount / 2) {
  for (int c = 0; c < 2; ++c) {
    Stage1[c].assign(size_t(SampleCount), 0.0f);
    Stage2[c].assign(size_t(SampleCount), 0.0f);
    Decimated[c].assign(size_t(HalfCount), 0.0f);
    Spectrogram[c].assign(size_t(HalfCount), 0.0f);
  }
}

void SilentAnalysis::Run(const float* input1, const float* input2) {
  const float* inputs[2] = {input1, input2};
  float* levels[2] = {&Level1, &Level2};
  const std::vector<float> window = SpectrumWindow();
  FFTBufferFloat fft(kBlock);
  // Whole blocks of the decimated signal; each gives one spectrum of 64 bins.
  const int blocks = HalfCount / kBlock;
  const int spectrumValues = HalfCount / 2;
  for (int c = 0; c < 2; ++c) {
    FirFilter(inputs[c], Stage1[c].data(), SampleCount, CoefTable62.data(), CoefTable62Taps);
    FirFilter(Stage1[c].data(), Stage2[c].data(), SampleCount, CoefTable192.data(), CoefTable192Taps);
    for (int i = 0; i < HalfCount; ++i)
      Decimated[c][size_t(i)] = (Stage2[c][size_t(2 * i)] + Stage2[c][size_t(2 * i + 1)]) * 0.5f;
    float level = 0.0f;
    for (int i = 0; i < HalfCount - 126; ++i) level = std::max(level, Decimated[c][size_t(i)]);
    *levels[c] = level;

    std::vector<float>& spectra = Spectrogram[c];
    for (int b = 0; b < blocks && kBins * (b + 1) <= spectrumValues; ++b) {
      fft.Calculate(&Decimated[c][size_t(kBlock * b)], window.data());
      for (int j = 0; j < kBins; ++j) spectra[size_t(kBins * b + j)] = fft.Get(unsigned(j));
    }
    for (int i = 0; i < spectrumValues; ++i)
      spectra[size_t(i)] = float(std::log(double(spectra[size_t(i)]) + 1.0));
    for (int b = 0; kBins * (b + 1) <= spectrumValues; ++b) {
      auto first = spectra.begin() + kBins * b;
      const float top = std::max(0.0f, *std::max_element(first, first + kBins));
      if (top == 0.0f) continue;
      std::for_each(first, first + kBins, [top](float& v) { v /= top; });
    }
  }
  // One spectrum's shift either way; the best alignment counts.
  const int terms = spectrumValues - 2 * kBins;
  if (terms <= 0) {
    Result = 0.0f;
    return;
  }
  Scores[0] = SumOfDifferences(Spectrogram[0], 0, Spectrogram[1], kBins, terms);  // one block later
  Scores[1] = SumOfDifferences(Spectrogram[0], 0, Spectrogram[1], 0, terms);      // aligned
  Scores[2] = SumOfDifferences(Spectrogram[0], kBins, Spectrogram[1], 0, terms);  // one block earlier
  Result = *std::min_element(std::begin(Scores), std::end(Scores));
}

SilentAnalyzerThread::SilentAnalyzerThread() = default;

void SilentAnalyzerThread::Execute() {
  if (Input1 && Input2 && SampleCount > 0) {
    Analysis = std::make_unique<SilentAnalysis>(SampleCount);
    Analysis->Run(Input1, Input2);
    Level1 = Analysis->Level1;
    Level2 = Analysis->Level2;
    Result = Analysis->Result;
  }
  SignalFinished();
}
