// What the device self-test and the hardware self-check judge, without a device: the rows of the
// result sheet, the current windows, the temperature band, the tolerance mask of the sweep checks
// and the arithmetic of the 400 MHz drift check.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "platform/vcl/Graphics.h"

// ---- Result sheet rows (1..55) ----
constexpr int SelfTestRowCount = 55;
// The caption of row 1..55 ("" outside).
const char* SelfTestRowCaption(int row);
// Rows of the checks that are not a list of their own.
constexpr int RowFirmwareA = 1;
constexpr int RowSonarProbe = 15;
constexpr int RowFirstSonarChip = 16;
constexpr int RowFirstCurrent = 22;
constexpr int RowTempMainboard = 41;
constexpr int RowTempPowerModule = 42;
constexpr int RowVlfOscillator = 51;
constexpr int RowXo400Drift = 52;
constexpr int RowFirstSoundBank = 53;
// Rows of IF filter check n (1..4): filter 1 (sweep module) and filter 2 (audio module).
constexpr int IFFilterRow(int n, int filter) { return 41 + 2 * n + (filter - 1); }

// ---- Verdict colours ----
constexpr TColor PassColour = clGreen;
constexpr TColor FailColour = clRed;
constexpr TColor PendingColour = clGray;
inline TColor VerdictColour(bool pass) { return pass ? PassColour : FailColour; }

// ---- Firmware ----
// "V" and the version in decimal; "fault" for 0.
std::string FirmwareText(int version);

// ---- Supply currents ----
// A reading passes strictly between Low and High (amperes).
struct CurrentWindow {
  double Low = 0.0;
  double High = 0.0;
  bool Contains(double amperes) const { return Low < amperes && amperes < High; }
};
CurrentWindow WindowAround(double nominal, double lowFactor, double highFactor);
// What a current row switches before its reading.
enum class CurrentSetUp {
  None,
  Band0,
  Band1,
  Dds400At5MHz,
  Dds400At25MHz,
  Dds400At100MHz,
  SoundProcessor,
  VlfOn,
  VlfOff,
  FrontendOff,
  FrontendBand1,
  FrontendBand2
};
struct CurrentCheck {
  int Row;
  CurrentSetUp SetUp;
  int Selector;
  double Nominal;
  CurrentWindow Window;
};
extern const std::array<CurrentCheck, 19> SelfTestCurrents;
// "35.7 mA" for 0.0357 A.
std::string CurrentText(double amperes);

// ---- Temperatures ----
bool TemperatureInBand(double celsius);       // -10 < T < 110
std::string TemperatureText(double celsius);  // "25.6 Grad"

// ---- Chips ----
// "0x2d": the 7-bit address in lower-case hexadecimal.
std::string ChipText(uint8_t address);
struct ChipCheck {
  int Row;
  uint8_t Address;
};
extern const std::array<ChipCheck, 12> SelfTestChips;  // rows 3..14 in run order
constexpr std::array<uint8_t, 6> SonarProbeChips = {0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D};

// ---- Sweep samples and the tolerance mask on a 200 x 200 image ----
constexpr int MaskSize = 200;
constexpr int SweepPoints = 200;
// s x 8 / 11, truncated, in extended precision: 11 gives 7, 255 gives 185.
uint8_t ScaleSweepSample(uint8_t sample);
// The colour the mask is painted in: the window-frame colour, or grey should that resolve to black
// (a black mask would be invisible to the test and pass every curve).
TColor MaskColour();
// Fills the canvas black and paints the two forbidden areas.
void DrawToleranceMask(TCanvas* canvas);
// Points i = 0..count-1 whose pixel (i, 199 - s[i]) is not black or lies outside the image.
int MaskHits(TCanvas* canvas, const uint8_t* samples, int count);
// A line through (i, 199 - samples[i * stride]) for i = 0..199.
void DrawSweepCurve(TCanvas* canvas, const uint8_t* samples, int stride, TColor colour);

// ---- 400 MHz drift ----
constexpr int DriftPoints = 2000;
// Index of the first highest sample (starting from 0 with the index 99 when none is above 0).
int DriftPeakIndex(const uint8_t* samples, int count);
// Deviation of the 0 Hz line in Hz: index 999 is 0, each index 5000 Hz.
double DriftDeviation(int peakIndex);
// The DDS-400 clock offset that corrects a deviation (0.08 x deviation).
double ClockOffsetForDeviation(double deviation);
// A drift measurement is believable when the line stands out (peak above half scale before
// scaling): a sweep without the line would otherwise be stored as a correction.
constexpr uint8_t MinDriftPeak = 93;                // the scaled value of a raw sample above 127
constexpr double MaxResidualDeviationHz = 10000.0;  // after the correction
// The first pass: the line stands out and lies inside the sweep. The window is all the sweep can
// place, -4 990 000 to +4 995 000 Hz (an offset of about +-400 kHz on the 400 MHz clock): only a
// peak on the sweep's first or last point is refused, as the line may lie beyond it. Any narrower
// window would leave a drifted instrument that the sweep can measure uncorrected.
bool DriftLineInsideSweep(uint8_t scaledPeak, int peakIndex);
// The second pass: the line stands out and the correction brought it within the residual limit;
// otherwise the correction did not work and is not stored.
bool DriftCorrected(uint8_t scaledPeak, double residual);
std::string DeviationText(double deviation);  // "5000.0 Hz"

// ---- Sound RAM ----
// "0" for a clean block, "e" for one with differing bytes.
inline const char* SoundBlockText(int errors) { return errors == 0 ? "0" : "e"; }
