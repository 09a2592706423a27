#include "service/Adjustfilter.h"

#include <algorithm>
#include <cmath>

#include "device/InOut.h"
#include "display/DirectXBase.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Forms.h"
#include "service/Testgraph.h"
#include "base/HardwareLockGuard.h"

std::array<FilterTrimRecord, 7> FilterAlignRecords{};

namespace {

constexpr double CentreMHz = 10.7;
constexpr int CentreIndex = 100;  // the point of a 200-point curve at 10.7 MHz
constexpr int DefaultSmoothing = 5;
constexpr double DefaultSpan = 1.0;
constexpr double FinalCentreSpan = 0.5;
constexpr double LevelTarget = 200.0;  // stage 1
constexpr double FullLevel = 229.5;    // stages 4 and 5 (90 % of 255)
constexpr double TargetWidths[3] = {0.5, 0.3, 0.15};
constexpr double DdsClock = 80000000.0;

bool alignmentRunning = false;

double LevelAtCentre(const TestGraph& curve) { return curve.LevelAt(CentreMHz); }

// Set the trims, measure, draw: the step every stage repeats. False when the device failed.
bool SetMeasureDraw(FilterAlignBench& bench, TestGraph& curve, const FilterTrimRecord& record,
                    double span = DefaultSpan) {
  if (!bench.SetTrim(record) || !bench.Measure(curve, DefaultSmoothing, span)) return false;
  bench.Draw(curve);
  return true;
}

// The two widths of the curve just measured (markers 3 and 4 at 87 %, 1 and 2 at 50 %).
double MeasureWidths(FilterAlignBench& bench, TestGraph& curve) {
  curve.WidthAtLevel(3, bench.Width, bench.Height, 13.0);
  return curve.WidthAtLevel(1, bench.Width, bench.Height, 50.0);
}

class RunningFlag {
 public:
  RunningFlag() { alignmentRunning = true; }
  ~RunningFlag() { alignmentRunning = false; }
};

}  // namespace

FilterTrimRecord FilterTrimRecord::Open() {
  FilterTrimRecord r;
  for (int i = 0; i < 8; ++i) r.Bytes[static_cast<size_t>(i)] = 255;
  r.Gain() = FreshGain;
  return r;
}

uint8_t ToTrimByte(double value) {
  if (!(value > 0.0)) return 0;
  if (value >= 255.0) return 255;
  return static_cast<uint8_t>(value);
}

const char* AlignResultText(AlignResult result) {
  switch (result) {
    case AlignResult::Done:
      return "IF filter aligned";
    case AlignResult::DeviceFailed:
      return "IF filter alignment failed: the device did not answer";
    case AlignResult::DeadFilter:
      return "IF filter alignment failed: the filter does not respond";
    case AlignResult::Busy:
      return "IF filter alignment is already running";
  }
  return "";
}

bool FilterAlignmentRunning() { return alignmentRunning; }

namespace filteralign {

int FindLevelTrim(FilterAlignBench& bench, TestGraph& curve, int section) {
  FilterTrimRecord r = FilterTrimRecord::Open();
  if (!SetMeasureDraw(bench, curve, r)) return -1;
  double value = 256.0, step = 256.0;
  bool down = true;
  while (step >= 1.0) {
    step *= 0.5;
    value = down ? value - step : value + step;
    r.Level(section) = ToTrimByte(value);
    if (!SetMeasureDraw(bench, curve, r)) return -1;
    down = LevelAtCentre(curve) <= LevelTarget;
  }
  // The search can end at 255.5; + 2 would not fit a trim byte (it would wrap to the other end).
  value += 2.0;
  r.Level(section) = ToTrimByte(value);
  if (!SetMeasureDraw(bench, curve, r)) return -1;
  return ToTrimByte(value);
}

double ChooseCentre(double value, double levelMinus, double levelCentre, double levelPlus) {
  double best = value - 1.0;
  if (levelCentre > levelMinus) best = value;
  if (levelPlus > levelCentre) best = value + 1.0;
  return best;
}

int FindCentreTrim(FilterAlignBench& bench, TestGraph& curve, int section, int levelValue) {
  FilterTrimRecord r = FilterTrimRecord::Open();
  r.Centre(section) = 80;
  r.Level(section) = ToTrimByte(levelValue);
  if (!SetMeasureDraw(bench, curve, r)) return -1;
  double value = 80.0, step = 80.0;
  for (;;) {
    const int peak = curve.PeakIndex();
    if (step < 1.0) break;
    step *= 0.5;
    value += peak < CentreIndex ? step : -step;
    r.Centre(section) = ToTrimByte(value);
    if (!SetMeasureDraw(bench, curve, r)) return -1;
  }
  double levels[3];  // at value, value - 1, value + 1
  const double probes[3] = {value, value - 1.0, value + 1.0};
  for (int i = 0; i < 3; ++i) {
    r.Centre(section) = ToTrimByte(probes[i]);
    if (!SetMeasureDraw(bench, curve, r, FinalCentreSpan)) return -1;
    levels[i] = LevelAtCentre(curve);
  }
  const double best = ChooseCentre(value, levels[1], levels[0], levels[2]);
  r.Centre(section) = ToTrimByte(best);
  if (!SetMeasureDraw(bench, curve, r, FinalCentreSpan)) return -1;
  return ToTrimByte(best);
}

namespace {
// The level at 10.7 MHz with gain trim g; -1 when the device failed.
int MeasureLevelWithTrim(FilterAlignBench& bench, TestGraph& curve, FilterTrimRecord& record, int g) {
  record.Gain() = ToTrimByte(g);
  if (!bench.SetTrim(record)) return -1;
  bench.Settle(100);
  if (!bench.Measure(curve, DefaultSmoothing, DefaultSpan)) return -1;
  bench.LetMessagesRun();
  bench.Draw(curve);
  return static_cast<int>(LevelAtCentre(curve));
}
}  // namespace

int FindGainTrim(FilterAlignBench& bench, TestGraph& curve, FilterTrimRecord record) {
  // The first (lowest) gain of the highest level above 0, or fallback when no level is above 0.
  auto searchMaximum = [&](int from, int to, int step, int fallback, bool& ok) {
    int best = fallback, bestLevel = 0;
    for (int g = from; g <= to; g += step) {
      const int level = MeasureLevelWithTrim(bench, curve, record, g);
      if (level < 0) {
        ok = false;
        return -1;
      }
      if (level > bestLevel) {
        bestLevel = level;
        best = g;
      }
    }
    return best;
  };
  bool ok = true;
  const int coarse = searchMaximum(0, 240, 16, 0, ok);
  if (!ok || MeasureLevelWithTrim(bench, curve, record, coarse) < 0) return -1;
  const int lo = std::max(coarse - 8, 0), hi = std::min(coarse + 8, 255);
  const int result = searchMaximum(lo, hi, 1, lo, ok);
  if (!ok || MeasureLevelWithTrim(bench, curve, record, result) < 0) return -1;
  return result;
}

bool SetLevelTrims(FilterAlignBench& bench, TestGraph& curve, const FilterTrimRecord& in,
                   FilterTrimRecord& out) {
  FilterTrimRecord r = in;
  for (int s = 0; s < 4; ++s) r.Centre(s) = r.CentreResult(s);
  r.Gain() = r.GainResult();
  if (!SetMeasureDraw(bench, curve, r)) return false;
  for (int n = 150; n >= 0; --n) {
    r.SetLevels(static_cast<uint8_t>(n));
    if (!SetMeasureDraw(bench, curve, r)) return false;
    if (LevelAtCentre(curve) >= FullLevel) break;
  }
  out = r;
  return true;
}

AlignResult NarrowToWidth(FilterAlignBench& bench, TestGraph& curve, const FilterTrimRecord& in, double width,
                          FilterTrimRecord& out) {
  FilterTrimRecord r = in;
  int v = r.Level(0);
  int n = r.Gain();
  int m = 0;
  for (int s = 0; s < 4; ++s) m = std::max<int>(m, r.LevelResult(s));
  auto measure = [&] {
    if (!bench.SetTrim(r) || !bench.Measure(curve, DefaultSmoothing, DefaultSpan)) return false;
    MeasureWidths(bench, curve);
    bench.Draw(curve);
    return true;
  };
  while (v > m) {
    r.SetLevels(static_cast<uint8_t>(v));
    if (!measure()) return AlignResult::DeviceFailed;
    while (n > 0 && LevelAtCentre(curve) > FullLevel) {
      r.Gain() = static_cast<uint8_t>(--n);
      if (!measure()) return AlignResult::DeviceFailed;
    }
    const double halfWidth = curve.WidthAtLevel(1, bench.Width, bench.Height, 50.0);
    // A curve that never reaches half scale measures -1 step: a dead filter, not a narrow one.
    if (halfWidth < 0.0) return AlignResult::DeadFilter;
    if (halfWidth <= width) break;
    --v;
  }
  r.Gain() = ToTrimByte(r.Gain() + 1.0);
  if (width <= 0.2)
    for (int s = 0; s < 4; ++s) r.Level(s) = ToTrimByte(r.Level(s) + 4.0);
  out = r;
  return AlignResult::Done;
}

}  // namespace filteralign

AlignResult RunFilterAlignment(FilterAlignBench& bench, uint8_t module, TestGraph& curve) {
  using namespace filteralign;
  if (alignmentRunning) return AlignResult::Busy;
  RunningFlag running;
  FilterTrimRecord d = FilterTrimRecord::Open();
  for (int s = 0; s < 4; ++s) {
    const int level = FindLevelTrim(bench, curve, s);
    if (level < 0) return AlignResult::DeviceFailed;
    d.LevelResult(s) = static_cast<uint8_t>(level);
    bench.LetMessagesRun();
  }
  for (int s = 0; s < 4; ++s) {
    const int centre = FindCentreTrim(bench, curve, s, d.LevelResult(s));
    if (centre < 0) return AlignResult::DeviceFailed;
    d.CentreResult(s) = static_cast<uint8_t>(centre);
    bench.LetMessagesRun();
  }
  for (int s = 0; s < 4; ++s) d.Centre(s) = d.CentreResult(s);
  const int gain = FindGainTrim(bench, curve, d);
  if (gain < 0) return AlignResult::DeviceFailed;
  d.GainResult() = static_cast<uint8_t>(gain);
  bench.LetMessagesRun();

  // The results are collected first and stored only when every stage ended well.
  std::array<FilterTrimRecord, 4> results;
  if (!SetLevelTrims(bench, curve, d, results[0])) return AlignResult::DeviceFailed;
  for (int k = 1; k <= 3; ++k) {
    const AlignResult narrowed = NarrowToWidth(bench, curve, results[static_cast<size_t>(k - 1)],
                                               TargetWidths[k - 1], results[static_cast<size_t>(k)]);
    if (narrowed != AlignResult::Done) return narrowed;
    FilterTrimRecord& r = results[static_cast<size_t>(k)];
    r.SetWidth87(curve.WidthAtLevel(3, bench.Width, bench.Height, 13.0));
    r.SetWidth50(curve.WidthAtLevel(1, bench.Width, bench.Height, 50.0));
    if (r.Width50() < 0.0) return AlignResult::DeadFilter;
  }
  const size_t first = module == 0 ? 1 : 4;
  FilterAlignRecords[0] = results[0];
  for (size_t k = 0; k < 3; ++k) FilterAlignRecords[first + k] = results[k + 1];
  return AlignResult::Done;
}

// ---------------------------------------------------------------------------------------------
// The program's bench: the device object and the alignment display

bool MeasureFilterCurve(IOControl* device, int dds, TestGraph* curve, int smoothing, double spanMHz) {
  if (!device || !curve || (dds != 2 && dds != 3) || !(spanMHz > 0.0)) return false;
  const double start = CentreMHz - spanMHz / 2.0, stop = CentreMHz + spanMHz / 2.0, step = spanMHz * 0.005;
  curve->Reset(start, stop, step, 0.0, 255.0);
  {
    HardwareLockGuard lock;
    if (!device->SetDDSFrequency(static_cast<uint8_t>(dds), DdsClock, start * 1e6)) return false;
    if (!device->SelectADChannel(dds == 2 ? 0 : 1)) return false;
  }
  if (Application) Application->ProcessMessages();
  uint8_t samples[2000] = {};
  const int count = std::min(curve->Count(), 2000);
  {
    HardwareLockGuard lock;
    double stopHz = 0.0;
    if (!device->SweepShort(count, 10, start * 1e6, step * 1e6, DdsClock, static_cast<uint8_t>(dds), &stopHz,
                            samples))
      return false;
  }
  for (int i = 0; i < count; ++i) curve->SetValue(i, samples[i]);
  curve->Smooth(smoothing);
  return true;
}

bool DrawFilterCurve(StdDisplay* display, const TestGraph* curve) {
  if (!display || !curve || !display->DataBuffer) return false;
  {
    HardwareLockGuard lock;
    NormalBuffer& buffer = *display->DataBuffer;
    buffer.SetRange(static_cast<float>(curve->Start() * 1e6), static_cast<float>(curve->Stop() * 1e6),
                    static_cast<float>(curve->LevelMin()), static_cast<float>(curve->LevelMax()));
    for (int i = 0; i < curve->Count() && i < static_cast<int>(buffer.Count); ++i)
      buffer.SetPoint(static_cast<unsigned>(i), static_cast<float>(curve->Value(i)));
  }
  if (display->XBase) {
    display->XBase->BeginScene();
    display->Render();
    display->XBase->EndScene();
  }
  return true;
}

namespace {
class DeviceAlignBench : public FilterAlignBench {
 public:
  DeviceAlignBench(IOControl* device, uint8_t module, StdDisplay* display)
      : device_(device), module_(module), display_(display) {
    Width = display->Width;
    Height = display->Height;
  }
  bool SetTrim(const FilterTrimRecord& record) override {
    HardwareLockGuard lock;
    return device_->SetFilterTrim(module_, record.Data());
  }
  bool Measure(TestGraph& curve, int smoothing, double spanMHz) override {
    return MeasureFilterCurve(device_, module_ == 0 ? 2 : 3, &curve, smoothing, spanMHz);
  }
  void Draw(const TestGraph& curve) override { DrawFilterCurve(display_, &curve); }
  void Settle(unsigned ms) override { Sleep(ms); }
  void LetMessagesRun() override {
    if (Application) Application->ProcessMessages();
  }

 private:
  IOControl* device_;
  uint8_t module_;
  StdDisplay* display_;
};
}  // namespace

bool AdjustFilter(IOControl* device, uint8_t module, TestGraph* curve, StdDisplay* display,
                  AlignResult* result) {
  if (!device || !curve || !display || module > 1) return false;
  DeviceAlignBench bench(device, module, display);
  const AlignResult r = RunFilterAlignment(bench, module, *curve);
  if (result) *result = r;
  return r == AlignResult::Done;
}
