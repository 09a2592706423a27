// One run of the device self-test: the fixed sequence of checks on the instrument, each result
// written into its row of the result sheet as soon as it is known. Runs on the GUI thread without
// the hardware lock; no measurement thread runs while the self-test view is shown.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/vcl/Graphics.h"

class IOControl;
enum class CurrentSetUp;

// What the run writes on.
class SelfTestSheet {
 public:
  virtual ~SelfTestSheet() = default;
  // Row 1..55: its value text and colour.
  virtual void ShowResult(int row, const std::string& text, TColor colour) = 0;
  // The 200 x 200 image of the sweep checks.
  virtual TCanvas* CurveCanvas() = 0;
  // Lets the message loop run once, so that the sheet shows what was written.
  virtual void Refresh() = 0;
};

class SelfTestRun {
 public:
  using PauseFn = std::function<void(unsigned milliseconds)>;
  SelfTestRun(IOControl& io, SelfTestSheet& sheet, PauseFn pause);

  // The whole sequence; false as soon as a device operation fails or a stop is requested (the
  // rows not reached keep their "---").
  bool Run();

  // Asked before every step (a check, a row, a pause's end): true ends the run there, as a failed
  // device operation does. Unset: the run goes to its end.
  std::function<bool()> StopRequested;

  bool TestFirmware();
  bool TestChips();
  bool TestSonarProbe();
  bool TestCurrents();
  bool TestTemperatures();
  // IF filter check n (1..4): the sweep module's and the audio module's filter of type n against
  // the tolerance mask. Another n only selects the bandwidth and switches the synthesisers off.
  bool TestIFFilter(int n);
  bool TestVLFOscillator();
  // Measures the 0 Hz line's deviation, corrects the DDS-400 clock offset and checks the
  // correction. Only a believable correction is kept and stored; otherwise the row turns red and
  // the device object keeps the offset it had. deviation receives the first pass's deviation.
  bool TestXO400Drift(double* deviation);
  bool TestSoundRAM();

 private:
  bool Stopping() const { return StopRequested && StopRequested(); }
  // The pause between two checks; false when a stop was requested meanwhile.
  bool Pause();
  bool SetUpCurrent(CurrentSetUp setUp);
  bool SweepFilter(uint8_t channel, uint8_t dds, double start, double step, uint8_t* samples);
  // One drift pass with the given clock offset; scaled samples into `samples`.
  bool SweepZeroLine(double offset, uint8_t* samples);
  void PaintMask();
  void JudgeCurve(int row, const uint8_t* samples);

  IOControl& io_;
  SelfTestSheet& sheet_;
  PauseFn pause_;
};
