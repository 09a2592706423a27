#include "engine/FastDetectThreads.h"

#include <algorithm>
#include <cmath>

#include "device/InOut.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "engine/Fft.h"
#include "engine/LocateMath.h"
#include "engine/SoundBuffer.h"
#include "base/Globals.h"
#include "base/Guard.h"
#include "base/HardwareLockGuard.h"

namespace {

constexpr int FftPoints = 2048;
constexpr int AnalysedSamples = 1024;

std::vector<float> Channel(const DigitalBuffer& buffer, int channel) {
  std::vector<float> values(buffer.Count);
  for (unsigned i = 0; i < buffer.Count; ++i) values[i] = buffer.Get(channel, i);
  return values;
}

// Points the display at a buffer: channel 0, the whole buffer as zoom window.
void ShowBuffer(StdDisplay* display, DigitalBuffer* buffer, const char* title,
                std::initializer_list<GraphCommandItem> commands) {
  if (!display) return;
  display->SetTitle(title);
  if (display->Commands) {
    display->Commands->ClearAll();  // each stage replaces the commands of the one before
    for (const GraphCommandItem& c : commands)
      display->Commands->AddCommand(c.Channel, c.Kind, c.Color, c.Width);
  }
  display->DigBuffer = buffer;
  display->DigChannel = 0;
  display->ZoomStart = 0;
  display->ZoomEnd = int(buffer->Count);
  display->GenerateText();
}

}  // namespace

// ---- ToneDetector ----

ToneDetector::ToneDetector()
    : record_(std::make_unique<SoundBufferBase>(SlotSamples)),
      sequence_(std::make_unique<SoundBufferBase>(SlotSamples * SlotCount)) {
  record_->Clear();
  sequence_->Clear();
}

ToneDetector::~ToneDetector() = default;

bool ToneDetector::CreateAndSaveTones() {
  return Guarded("ToneDetector::CreateAndSaveTones", [&] {
    SoundBufferBase sequence(0);
    for (int slot = 0; slot < SlotCount; ++slot) {
      SoundBufferBase tone(ToneSamples);
      tone.CreateSinus2205(1200.0 + 200.0 * slot);
      tone.RampUp(256);
      tone.RampDown(256);
      // Silence is the zero line of the offset-binary samples, not 0 (full-scale negative).
      SoundBufferBase silence(SlotSamples - ToneSamples);
      std::fill(silence.Samples, silence.Samples + silence.Count, SoundBufferBase::ZeroLine);
      sequence.Add(&tone);
      sequence.Add(&silence);
    }
    sequence.SetEndMark();
    sequence.ExchangeBytes();
    HardwareLockGuard lock;
    return IOCtrl->StoreSound(&sequence, 0, 0);
  });
}

bool ToneDetector::PlayTone(int slot) {
  return Guarded("ToneDetector::PlayTone", [&] {
    HardwareLockGuard lock;
    const uint8_t page = uint8_t(slot * SlotPages);
    if (!IOCtrl->PlaySound(page, SlotPages, 0) || !IOCtrl->ReadSoundAD0(record_.get(), page, 0)) return false;
    record_->ExchangeBytes();
    return true;
  });
}

bool ToneDetector::PlaySequence() {
  return Guarded("ToneDetector::PlaySequence", [&] {
    HardwareLockGuard lock;
    if (!IOCtrl->PlaySound(0, SlotPages * SlotCount, 0) || !IOCtrl->ReadSoundAD0(sequence_.get(), 0, 0))
      return false;
    sequence_->ExchangeBytes();
    return true;
  });
}

int ToneDetector::CheckTone(int slot, DigitalBuffer* spectrum) {
  return Guarded("ToneDetector::CheckTone", [&] {
    if (slot < 0 || slot >= SlotCount) return 0;
    const uint16_t* samples = record_->Samples + (SlotSamples - AnalysedSamples);
    double minimum = 70000.0, maximum = 0.0;
    for (int i = 0; i < AnalysedSamples; ++i) {
      minimum = std::min(minimum, double(samples[i]));
      maximum = std::max(maximum, double(samples[i]));
    }
    const double range = maximum - minimum;
    if (range == 0.0) return 0;
    static const GaussWindow window(AnalysedSamples);
    std::vector<double> input(FftPoints, 0.0);
    for (int i = 0; i < AnalysedSamples; ++i)
      input[size_t(i)] = ((samples[i] - minimum) * 255.0 / range - 127.0) * window.Values[i];
    FFTBuffer fft(FftPoints);
    fft.Calculate(input.data(), true);
    std::vector<double> m(FftPoints / 2, 0.0);
    double largest = 0.0;
    for (int k = FirstBin; k <= LastBin; ++k) {
      m[size_t(k)] = fft.Get(unsigned(k)) * 50.0;
      largest = std::max(largest, m[size_t(k)]);
    }
    if (largest == 0.0) return 0;
    Gain = 255.0 / largest;
    if (Gain > 20.0) return 0;  // too weak
    for (double& v : m) v *= Gain;
    if (spectrum) {
      std::vector<float> values(m.begin(), m.end());
      HardwareLockGuard lock;
      spectrum->SetValues(1, values.data(), unsigned(values.size()));
    }
    Peak = 0.0;
    PeakBin = FirstBin;
    double sum = 0.0;
    for (int k = FirstBin; k <= LastBin; ++k) {
      if (m[size_t(k)] > Peak) Peak = m[size_t(k)], PeakBin = k;
      sum += m[size_t(k)];
    }
    Mean = sum / double(LastBin - FirstBin);
    if (Mean > 96.0) return 0;  // too broad
    return std::abs(PeakBin - ExpectedBin[slot]) <= 1 ? 1 : 0;
  });
}

int ToneDetector::CheckSequence(DigitalBuffer* spectrum) {
  return Guarded("ToneDetector::CheckSequence", [&] {
    int found = 0;
    for (int slot = 0; slot < SlotCount; ++slot) {
      std::copy(sequence_->Samples + slot * SlotSamples, sequence_->Samples + (slot + 1) * SlotSamples,
                record_->Samples);
      found += CheckTone(slot, spectrum);
    }
    return found;
  });
}

// ---- FastDetectScanThreadV2 ----

const FastDetectStage FastDetectScanThreadV2::Stages[3] = {
    {3000, 5e6, 0, "Fast Detect Scan BW 10 MHz", "Fast Detect Search BW 10 MHz"},
    {15000, 1e6, 1, "Fast Detect Scan BW 2 MHz", "Fast Detect Search BW 2 MHz"},
    {150000, 100e3, 2, "Fast Detect Scan BW 150 kHz", "Fast Detect Search BW 150 kHz"},
};

FastDetectScanThreadV2::FastDetectScanThreadV2() = default;

void FastDetectScanThreadV2::Execute() {
  Guarded("FastDetectScanThreadV2::Execute", [&] { Run(); });
}

// Every terminate check on the way ends the thread with the finished event.
void FastDetectScanThreadV2::Run() {
  if (!Display || std::any_of(Buffers.begin(), Buffers.end(), [](DigitalBuffer* b) { return !b; })) return;
  if (!StoreVoiceSound() || !ActivateVoiceControl()) return ErrorExit("FastDetectScanThread");
  RestartHealthTimer();
  for (int stage = 0; stage < 3; ++stage) {
    if (stage == 0) {
      Locked([&] { ShowStage(0); });
      if (!SleepUnlessTerminated(300)) return SignalFinished();
    } else if (!ActivateVoiceControl()) {
      return ErrorExit("FastDetectScanThread");
    }
    if (!RunStage(stage)) return;
    if (Terminated()) return SignalFinished();
    if (stage < 2 && !SleepUnlessTerminated(2000)) return SignalFinished();
  }
  SignalFinished();
}

bool FastDetectScanThreadV2::StoreVoiceSound() {
  return Guarded("FastDetectScanThreadV2::CreateVoiceSound", [&] {
    SoundBufferBase chirp(3072);
    chirp.CreateChirp(700.0, 2000.0);
    PrepareTone(chirp);
    return StoreSound(chirp);
  });
}

bool FastDetectScanThreadV2::ActivateVoiceControl() {
  return Guarded("FastDetectScanThreadV2::ActivateVoiceControl", [&] {
    HardwareLockGuard lock;
    return IOCtrl->PlaySound(0, 24, 0);
  });
}

void FastDetectScanThreadV2::ShowStage(int stage) {
  ShowBuffer(Display, Buffers[size_t(stage)], Stages[stage].scanTitle,
             {{0, 3, 0x808080, 1}, {1, 2, 0xFFFFFF, 3}, {2, 3, 0x00FF00, 1}});
}

bool FastDetectScanThreadV2::RunStage(int stage) {
  static const char* tag = "FastDetectScanThread";
  const FastDetectStage& s = Stages[stage];
  DigitalBuffer& buffer = *Buffers[size_t(stage)];
  if (stage == 0) {
    if (!DeviceStep(tag, [] { return IOCtrl->SelectADChannel(0); }) ||
        !DeviceStep(tag, [] { return IOCtrl->InitMeasureMode(); }))
      return false;
  } else {
    Locked([&] { ShowStage(stage); });
  }
  if (!DeviceStep(tag, [&] { return IOCtrl->SetIFBandwidth(s.bandwidth); }) ||
      !DeviceStep(tag, [] { return IOCtrl->SetFrequency(0); }))
    return false;
  std::vector<uint8_t> samples(ChunkPoints);
  const double chunkSpan = ChunkPoints * s.step;
  const uint8_t param = stage == 0 ? 0 : 5;
  const double stop = stage == 0 ? chunkSpan : StopFrequency[size_t(stage)];
  int chunk = 0;
  for (double start = 0.0; start < stop; start = ++chunk * chunkSpan) {
    bool ok = false;
    Locked([&] {
      ok = IOCtrl->SweepBytes(ChunkPoints, param, start, s.step, samples.data());
      if (!ok) return;
      std::vector<float> values(samples.begin(), samples.end());
      buffer.SetValues(0, values.data(), ChunkPoints, unsigned(chunk * ChunkPoints));
    });
    if (!ok) {
      ErrorExit(tag);
      return false;
    }
    if (stage == 0) break;
    if (Terminated()) {
      SignalFinished();
      return false;
    }
    if (!ActivateVoiceControl()) {
      ErrorExit(tag);
      return false;
    }
  }
  Locked([&] { MarkAboveFloor(buffer); });
  return true;
}

void FastDetectScanThreadV2::MarkAboveFloor(DigitalBuffer& buffer) {
  const std::vector<float> raw = Channel(buffer, 0);
  std::vector<float> floor(raw.size()), marks(raw.size());
  SmoothFloats(raw.data(), floor.data(), int(raw.size()), 7);
  for (size_t i = 0; i < raw.size(); ++i) {
    floor[i] += 6.0f;
    marks[i] = raw[i] > floor[i] ? 50.0f : 0.0f;
  }
  buffer.SetValues(1, floor.data(), unsigned(floor.size()));
  buffer.SetValues(2, marks.data(), unsigned(marks.size()));
}

// ---- FastDetectSearchThreadV2 ----

FastDetectSearchThreadV2::FastDetectSearchThreadV2() : detector_(std::make_unique<ToneDetector>()) {}

FastDetectSearchThreadV2::~FastDetectSearchThreadV2() = default;

void FastDetectSearchThreadV2::Execute() {
  Guarded("FastDetectSearchThreadV2::Execute", [&] { Run(); });
}

void FastDetectSearchThreadV2::Run() {
  if (!Display || std::any_of(Buffers.begin(), Buffers.end(), [](DigitalBuffer* b) { return !b; })) return;
  if (!detector_->CreateAndSaveTones()) return ErrorExit("FastDetectSearchThreadV2");
  for (int stage = 0; stage < 3; ++stage)
    if (!SearchStage(stage)) return;
  SignalFinished();
}

// False when the thread must end (the event or the error exit has been taken care of).
bool FastDetectSearchThreadV2::SearchStage(int stage) {
  static const char* tag = "FastDetectSearchThreadV2";
  const FastDetectStage& s = FastDetectScanThreadV2::Stages[stage];
  DigitalBuffer& buffer = *Buffers[size_t(stage)];
  Locked([&] {
    ShowBuffer(Display, &buffer, s.searchTitle,
               {{0, 3, 0x808080, 1}, {1, 2, 0xFFFFFF, 3}, {2, 3, 0x00FF00, 1}, {3, 3, 0x0000FF, 3}});
  });
  // The first stage pauses before its set-up, the later ones after it.
  if (stage == 0 && !SleepUnlessTerminated(300)) {
    SignalFinished();
    return false;
  }
  if ((stage == 0 && (!DeviceStep(tag, [] { return IOCtrl->SelectADChannel(0); }) ||
                      !DeviceStep(tag, [] { return IOCtrl->InitMeasureMode(); }))) ||
      !DeviceStep(tag, [&] { return IOCtrl->SetIFBandwidth(s.bandwidth); }) ||
      !DeviceStep(tag, [] { return IOCtrl->SetFrequency(0); }))
    return false;
  if (stage > 0 && !SleepUnlessTerminated(500)) {
    SignalFinished();
    return false;
  }
  for (unsigned i = 0; i < buffer.Count; ++i) {
    if (buffer.Get(2, i) <= 0.0f) continue;
    bool failed = false;
    TestPoint(buffer, i, i * s.step, stage, failed);
    if (failed) {
      ErrorExit(tag);
      return false;
    }
    if (Terminated()) {
      SignalFinished();
      return false;
    }
  }
  return true;
}

// One point under one hold of the lock: tune, play slot 0, and on a match the whole sequence.
bool FastDetectSearchThreadV2::TestPoint(DigitalBuffer& buffer, unsigned index, double hz, int stage,
                                         bool& failed) {
  HardwareLockGuard lock;
  buffer.SetValue(2, index, 0.0f);
  if (!IOCtrl->SetFrequency(hz) || !detector_->PlayTone(0)) return !(failed = true);
  if (detector_->CheckTone(0, nullptr) != 1) return false;
  if (!detector_->PlaySequence()) return !(failed = true);
  if (detector_->CheckSequence(nullptr) < 3) return false;
  ++Hits;
  ++StageHits[size_t(stage)];
  buffer.SetValue(3, index, 80.0f);
  return true;
}

// ---- FastDetectCenterThread ----

FastDetectCenterThread::FastDetectCenterThread() : detector_(std::make_unique<ToneDetector>()) {}

FastDetectCenterThread::~FastDetectCenterThread() = default;

void FastDetectCenterThread::Execute() {
  Guarded("FastDetectCenterThread::Execute", [&] { Run(); });
}

// The pauses let the operator follow the fine sweeps and the narrowing down to the centres on the
// display; they sleep (and end early on a stop) instead of spinning.
bool FastDetectCenterThread::Wait(double seconds) {
  if (Pause) return Pause(seconds) && !Terminated();
  return SleepUnlessTerminated(unsigned(seconds * 1000));
}

void FastDetectCenterThread::Run() {
  static const char* tag = "FastDetectCenterThread";
  if (!Buffer || !List || !Display || List->empty()) return;
  if (!detector_->CreateAndSaveTones()) return ErrorExit(tag);
  Locked([] {});
  if (!Wait(0.5)) return SignalFinished();
  if (!DeviceStep(tag, [] { return IOCtrl->SelectADChannel(0); }) ||
      !DeviceStep(tag, [] { return IOCtrl->InitMeasureMode(); }) ||
      !DeviceStep(tag, [] { return IOCtrl->SetIFBandwidth(2); }))
    return;
  if (!Wait(0.5)) return SignalFinished();
  for (TargetRangeItem& item : *List) {
    if (!SweepRange(item)) return;
    if (Terminated() || !Wait(0.5)) return SignalFinished();
  }
  // Each stage of the narrowing down stays on the display for a moment: the smoothed traces, the
  // marks of every range in turn, then the marks reduced to the centres.
  Locked([&] { SmoothFineSweeps(); });
  if (!Wait(0.5)) return SignalFinished();
  for (const TargetRangeItem& item : *List) {
    Locked([&] { MarkAboveFloor(item); });
    if (!Wait(0.2)) return SignalFinished();
  }
  if (!Wait(0.5)) return SignalFinished();
  Locked([&] { ReduceMarksToCentres(); });
  if (!Wait(0.2)) return SignalFinished();
  for (unsigned i = 0; i < Buffer->Count; ++i) {
    if (Buffer->Get(3, i) <= 0.0f) continue;
    bool failed = false;
    Confirm(i, failed);
    if (failed) return ErrorExit(tag);
    if (Terminated() || !Wait(0.2)) return SignalFinished();
  }
  SignalFinished();
}

// A 160-point sweep at 50 kHz from 4 MHz below the range's centre (never below 0 Hz), copied to
// channel 0 at its own points and shown in the zoom window.
bool FastDetectCenterThread::SweepRange(TargetRangeItem& item) {
  static const char* tag = "FastDetectCenterThread";
  item.centre = item.lower + (item.upper - item.lower) * 0.5;
  const double start = std::max(0.0, item.centre - 4e6);
  uint8_t samples[FinePoints] = {};
  if (!DeviceStep(tag, [&] { return IOCtrl->SetFrequency(start); }) ||
      !DeviceStep(tag, [&] { return IOCtrl->SweepBytes(FinePoints, 0, start, PointStep, samples); }))
    return false;
  if (!Wait(0.2)) return SignalFinished(), false;
  const int index = int(std::trunc(start * 2e-5));
  Locked([&] {
    Display->DigBuffer = Buffer;
    Display->ZoomStart = index;
    Display->ZoomEnd = index + FinePoints - 1;
  });
  if (!Wait(0.2)) return SignalFinished(), false;
  const std::vector<float> values(samples, samples + FinePoints);
  Locked([&] { Buffer->SetValues(0, values.data(), FinePoints, unsigned(index)); });
  return true;
}

// Channel 1: the fine sweeps smoothed; channel 2: smoothed wider, plus 6, the floor.
void FastDetectCenterThread::SmoothFineSweeps() {
  const std::vector<float> raw = Channel(*Buffer, 0);
  std::vector<float> fine(raw.size()), floor(raw.size());
  SmoothFloats(raw.data(), fine.data(), int(raw.size()), 3);
  SmoothFloats(raw.data(), floor.data(), int(raw.size()), 5);
  for (float& v : floor) v += 6.0f;
  Buffer->SetValues(1, fine.data(), unsigned(fine.size()));
  Buffer->SetValues(2, floor.data(), unsigned(floor.size()));
}

// Channel 3 := 255 where the smoothed trace lies above the floor, within 3 MHz of the range's centre.
void FastDetectCenterThread::MarkAboveFloor(const TargetRangeItem& item) {
  const int from = std::max(0, int(std::trunc((item.centre - 3e6) * 2e-5)));
  const int to = std::min(int(Buffer->Count), int(std::trunc((item.centre + 3e6) * 2e-5)));
  for (int i = from; i < to; ++i)
    if (Buffer->Get(1, unsigned(i)) > Buffer->Get(2, unsigned(i))) Buffer->SetValue(3, unsigned(i), 255.0f);
}

void FastDetectCenterThread::ReduceMarksToCentres() {
  std::vector<float> marks = Channel(*Buffer, 3);
  locate::ReduceRunsToCentres(marks.data(), int(marks.size()));
  Buffer->SetValues(3, marks.data(), unsigned(marks.size()));
}

bool FastDetectCenterThread::Confirm(unsigned index, bool& failed) {
  const double hz = index * PointStep;
  bool tuned = false;
  Locked([&] { tuned = IOCtrl->SetFrequency(hz); });
  if (!tuned) return !(failed = true);
  if (!Wait(0.2)) return false;
  HardwareLockGuard lock;
  if (!detector_->PlaySequence()) return !(failed = true);
  if (detector_->CheckSequence(nullptr) < 3) return false;
  uint8_t average = 0;
  if (!IOCtrl->ReadADAverage(50, &average)) return !(failed = true);
  Buffer->SetValue(4, index, average);
  Confirmed.push_back(hz);
  return true;
}
