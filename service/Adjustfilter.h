// The automatic alignment of the IF filters: finds the nine trim values (four centre, four level,
// one gain) of one filter module by measurement, in five stages, and produces one trim record per
// target bandwidth (0.5, 0.3 and 0.15 MHz wide at half scale).
//
// The stages run against a FilterAlignBench, the device side of the alignment (set the trims,
// measure a curve, show it). The program uses the bench over the device object and a display;
// tests give the stages synthetic filters.
#pragma once
#include <array>
#include <cstdint>
#include <cstring>

class IOControl;
class StdDisplay;
class TestGraph;

// 40 bytes: 0-3 centre trims, 4-7 level trims, 8 gain trim, 9-12 centre search results, 13-16
// level search results, 17 gain search result, 18-23 zero, 24-31 width at 87 % (double, MHz),
// 32-39 width at 50 % (double, MHz). The device takes bytes 0-8 as trims, the EEPROM keeps 0-17,
// the ".fil" files hold all 40.
struct FilterTrimRecord {
  static constexpr int Size = 40;
  static constexpr uint8_t FreshGain = 120;
  std::array<uint8_t, Size> Bytes{};

  uint8_t* Data() { return Bytes.data(); }
  const uint8_t* Data() const { return Bytes.data(); }
  uint8_t& Centre(int section) { return Bytes[static_cast<size_t>(section)]; }
  uint8_t& Level(int section) { return Bytes[static_cast<size_t>(4 + section)]; }
  uint8_t& Gain() { return Bytes[8]; }
  uint8_t& CentreResult(int section) { return Bytes[static_cast<size_t>(9 + section)]; }
  uint8_t& LevelResult(int section) { return Bytes[static_cast<size_t>(13 + section)]; }
  uint8_t& GainResult() { return Bytes[17]; }
  double Width87() const { return ReadDouble(24); }
  double Width50() const { return ReadDouble(32); }
  void SetWidth87(double w) { WriteDouble(24, w); }
  void SetWidth50(double w) { WriteDouble(32, w); }
  void SetLevels(uint8_t value) {
    for (int s = 0; s < 4; ++s) Level(s) = value;
  }
  // All trims 255, gain 120: the starting point of the searches.
  static FilterTrimRecord Open();
  bool operator==(const FilterTrimRecord&) const = default;

 private:
  double ReadDouble(size_t at) const {
    double d;
    std::memcpy(&d, Bytes.data() + at, sizeof d);
    return d;
  }
  void WriteDouble(size_t at, double d) { std::memcpy(Bytes.data() + at, &d, sizeof d); }
};

// Results of the last alignment: 0 the common starting point (stage 4), 1-3 module 0 for the
// widths 0.5, 0.3, 0.15 MHz, 4-6 module 1. Written only by a run that ended well.
extern std::array<FilterTrimRecord, 7> FilterAlignRecords;

// A trim value computed as a double, as a trim byte: truncated toward zero and held in 0..255.
uint8_t ToTrimByte(double value);

// The device side of an alignment run.
class FilterAlignBench {
 public:
  virtual ~FilterAlignBench() = default;
  // Writes trim bytes 0-8 of the record into the module's trim chips.
  virtual bool SetTrim(const FilterTrimRecord& record) = 0;
  // Sweeps 10.7 MHz +- span/2 into the curve (200 points), smoothed with the half-width.
  virtual bool Measure(TestGraph& curve, int smoothing, double spanMHz) = 0;
  // Shows the curve just measured.
  virtual void Draw(const TestGraph& /*curve*/) {}
  // Settling time after a gain change.
  virtual void Settle(unsigned /*ms*/) {}
  // Lets pending window messages run between steps.
  virtual void LetMessagesRun() {}
  // Virtual size of the display that places the width markers.
  int Width = 1024;
  int Height = 768;
};

enum class AlignResult {
  Done,
  DeviceFailed,  // a trim write or a measurement failed: nothing is stored
  DeadFilter,    // the response never reaches half scale: nothing is stored
  Busy,          // another alignment is running
};
const char* AlignResultText(AlignResult result);

// The whole alignment (stages 1-5) of one module on a bench. On success it fills FilterAlignRecords
// 0 and 1-3 (module 0) or 4-6 (module 1); otherwise they keep their contents.
AlignResult RunFilterAlignment(FilterAlignBench& bench, uint8_t module, TestGraph& curve);
// True while a run is in progress (it lets window messages run, so a click could try to nest one).
bool FilterAlignmentRunning();

// The program's form: the bench over the device (each call inside HardwareLock) and a display whose
// buffer is a 200-point NormalBuffer. False when an argument is null or the run did not end well.
bool AdjustFilter(IOControl* device, uint8_t module, TestGraph* curve, StdDisplay* display,
                  AlignResult* result = nullptr);
// One measured curve: synthesiser dds (2 or 3) swept over 10.7 MHz +- span/2.
bool MeasureFilterCurve(IOControl* device, int dds, TestGraph* curve, int smoothing, double spanMHz);
// Copies the curve into the display's buffer and draws that display at once.
bool DrawFilterCurve(StdDisplay* display, const TestGraph* curve);

// The stages, for the bench (exposed for tests). Each returns -1 (or false) on a failed step.
namespace filteralign {
int FindLevelTrim(FilterAlignBench& bench, TestGraph& curve, int section);
int FindCentreTrim(FilterAlignBench& bench, TestGraph& curve, int section, int levelValue);
int FindGainTrim(FilterAlignBench& bench, TestGraph& curve, FilterTrimRecord record);
bool SetLevelTrims(FilterAlignBench& bench, TestGraph& curve, const FilterTrimRecord& in,
                   FilterTrimRecord& out);
AlignResult NarrowToWidth(FilterAlignBench& bench, TestGraph& curve, const FilterTrimRecord& in, double width,
                          FilterTrimRecord& out);
// Stage 2's choice between value - 1, value and value + 1 from their levels at 10.7 MHz.
double ChooseCentre(double value, double levelMinus, double levelCentre, double levelPlus);
}  // namespace filteralign
