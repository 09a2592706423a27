#include "service/SelfTestChecks.h"

#include <cstdio>
#include <vector>

#include "platform/rtl/SysUtils.h"

namespace {

const char* const RowCaptions[SelfTestRowCount] = {"Firmware Version A",
                                                   "Firmware Version B",
                                                   "Basis Board TuCh",
                                                   "Basis Board 16BitIO",
                                                   "IF Section Wob",
                                                   "IF Section Aud",
                                                   "Frontend Atten",
                                                   "VLF Section",
                                                   "Video Section",
                                                   "Demod Selector",
                                                   "Sound Pulse Set",
                                                   "Sound Processor",
                                                   "Sound MUX",
                                                   "Sound OutCtrl",
                                                   "Sonar Probe",
                                                   "Sonar Bargraph-1",
                                                   "Sonar Bargraph-2",
                                                   "Sonar Bargraph-3",
                                                   "Sonar Bargraph-4",
                                                   "Sonar Display-1",
                                                   "Sonar Display-2",
                                                   "Cur. Amp-5000",
                                                   "Cur. VCO-5000",
                                                   "Cur. Main VCO Ch-1",
                                                   "Cur. Main VCO Ch-2",
                                                   "Cur. Pwr Splitter",
                                                   "Cur. IF 5000 Switch",
                                                   "Cur. XO 400 MHz",
                                                   "Cur. DDS 400 at 5Mhz",
                                                   "Cur. DDS 400 at 25Mhz",
                                                   "Cur. DDS 400 at 100Mhz",
                                                   "IF Tuner Aud",
                                                   "IF Tuner Wob",
                                                   "Sound Modul",
                                                   "Demod Modul",
                                                   "VLF Modul On",
                                                   "VLF Modul Off",
                                                   "Frontend Off",
                                                   "Frontend Band-1",
                                                   "Frontend Band-2",
                                                   "Temp Mainboard",
                                                   "Temp Power Modul",
                                                   "IF Filter-1 2 MHz",
                                                   "IF Filter-2 2 MHz",
                                                   "IF Filter-1 250 kHz",
                                                   "IF Filter-2 250 kHz",
                                                   "IF Filter-1 150 kHz",
                                                   "IF Filter-2 150 kHz",
                                                   "IF Filter-1 25 kHz",
                                                   "IF Filter-2 25 kHz",
                                                   "VLF XO 36 MHz",
                                                   "XO 400 Drift",
                                                   "Sound RAM Bank-0",
                                                   "Sound RAM Bank-1",
                                                   "Sound RAM Bank-2"};

// The two forbidden areas: low levels everywhere and outside the pass band at the centre, high
// levels away from the centre.
const std::vector<TPoint> LowerMask = {{0, 190},   {75, 190},  {95, 90},   {105, 90},
                                       {125, 190}, {199, 190}, {199, 199}, {0, 199}};
const std::vector<TPoint> UpperMask = {{0, 80},   {50, 80},  {70, -1},  {130, -1},
                                       {150, 80}, {199, 80}, {199, -1}, {0, -1}};

int CurveY(uint8_t sample) { return MaskSize - 1 - sample; }

}  // namespace

const char* SelfTestRowCaption(int row) {
  return row >= 1 && row <= SelfTestRowCount ? RowCaptions[row - 1] : "";
}

std::string FirmwareText(int version) { return version == 0 ? "fault" : "V" + IntToStr(version); }

CurrentWindow WindowAround(double nominal, double lowFactor, double highFactor) {
  return {nominal * lowFactor, nominal * highFactor};
}

const std::array<CurrentCheck, 19> SelfTestCurrents = {{
    {22, CurrentSetUp::None, 1, 0.035, WindowAround(0.035, 0.75, 1.25)},
    {23, CurrentSetUp::None, 2, 0.210, WindowAround(0.210, 0.75, 1.25)},
    {24, CurrentSetUp::Band0, 3, 0.517, WindowAround(0.517, 0.75, 1.25)},
    {25, CurrentSetUp::Band1, 3, 0.678, WindowAround(0.678, 0.75, 1.25)},
    {26, CurrentSetUp::Band0, 4, 0.082, WindowAround(0.082, 0.75, 1.25)},
    {27, CurrentSetUp::None, 7, 0.038, WindowAround(0.038, 0.75, 1.25)},
    {28, CurrentSetUp::None, 9, 0.068, WindowAround(0.068, 0.5, 1.5)},
    {29, CurrentSetUp::Dds400At5MHz, 10, 0.160, WindowAround(0.160, 0.75, 1.25)},
    {30, CurrentSetUp::Dds400At25MHz, 10, 0.132, WindowAround(0.132, 0.75, 1.25)},
    {31, CurrentSetUp::Dds400At100MHz, 10, 0.090, WindowAround(0.090, 0.75, 1.25)},
    {32, CurrentSetUp::None, 11, 0.058, WindowAround(0.058, 0.75, 1.25)},
    {33, CurrentSetUp::None, 12, 0.058, WindowAround(0.058, 0.75, 1.25)},
    {34, CurrentSetUp::SoundProcessor, 6, 0.011, WindowAround(0.011, 0.55, 1.55)},
    {35, CurrentSetUp::None, 8, 0.020, WindowAround(0.020, 0.75, 1.25)},
    {36, CurrentSetUp::VlfOn, 5, 0.063, WindowAround(0.063, 0.75, 1.25)},
    {37, CurrentSetUp::VlfOff, 5, 0.011, WindowAround(0.011, 0.5, 1.5)},
    {38, CurrentSetUp::FrontendOff, 13, 0.020, {0.020 * 0.5, 0.020}},
    {39, CurrentSetUp::FrontendBand1, 13, 0.079, WindowAround(0.079, 0.65, 1.25)},
    {40, CurrentSetUp::FrontendBand2, 13, 0.114, WindowAround(0.114, 0.75, 1.25)},
}};

std::string CurrentText(double amperes) { return FormatFloat("0.0 mA", amperes * 1000.0); }

bool TemperatureInBand(double celsius) { return -10.0 < celsius && celsius < 110.0; }

std::string TemperatureText(double celsius) { return FormatFloat("0.0 Grad", celsius); }

std::string ChipText(uint8_t address) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02x", address);
  return text;
}

const std::array<ChipCheck, 12> SelfTestChips = {{{3, 0x21},
                                                  {4, 0x77},
                                                  {5, 0x22},
                                                  {6, 0x23},
                                                  {7, 0x20},
                                                  {8, 0x26},
                                                  {9, 0x24},
                                                  {10, 0x2D},
                                                  {11, 0x2C},
                                                  {12, 0x40},
                                                  {13, 0x74},
                                                  {14, 0x70}}};

uint8_t ScaleSweepSample(uint8_t sample) {
  // Extended precision on purpose: multiples of 11 come out one below the exact value, which
  // decides hits on the mask's slanted edges.
  return static_cast<uint8_t>(static_cast<long double>(sample) * 0.72727272727272727L);
}

TColor MaskColour() {
  const TColor frame = ColorToRGB(clWindowFrame);
  return frame == clBlack ? clGray : frame;
}

void DrawToleranceMask(TCanvas* canvas) {
  if (!canvas) return;
  canvas->Brush()->SetColor(clBlack);
  canvas->FillRect(Rect(0, 0, MaskSize, MaskSize));
  canvas->Pen()->SetColor(MaskColour());
  canvas->Brush()->SetColor(MaskColour());
  canvas->Polygon(LowerMask);
  canvas->Polygon(UpperMask);
}

int MaskHits(TCanvas* canvas, const uint8_t* samples, int count) {
  int hits = 0;
  for (int i = 0; i < count; ++i) {
    const int y = CurveY(samples[i]);
    const bool inside = i < MaskSize && y >= 0 && y < MaskSize;
    if (!inside || (canvas->Pixels(i, y) & 0xFFFFFF) != clBlack) ++hits;
  }
  return hits;
}

void DrawSweepCurve(TCanvas* canvas, const uint8_t* samples, int stride, TColor colour) {
  if (!canvas) return;
  canvas->Pen()->SetColor(colour);
  canvas->MoveTo(0, CurveY(samples[0]));
  for (int i = 0; i < SweepPoints; ++i) canvas->LineTo(i, CurveY(samples[i * stride]));
}

int DriftPeakIndex(const uint8_t* samples, int count) {
  int peak = 99;
  uint8_t highest = 0;
  for (int i = 0; i < count; ++i)
    if (samples[i] > highest) {
      highest = samples[i];
      peak = i;
    }
  return peak;
}

double DriftDeviation(int peakIndex) { return peakIndex * 5000.0 - 4995000.0; }

double ClockOffsetForDeviation(double deviation) {
  return ((deviation * 0.00390625 + 19531250.0) * 4.76837158203125e-9) * 4294967296.0 - 400000000.0;
}

bool DriftLineInsideSweep(uint8_t scaledPeak, int peakIndex) {
  return scaledPeak >= MinDriftPeak && peakIndex > 0 && peakIndex < DriftPoints - 1;
}

bool DriftCorrected(uint8_t scaledPeak, double residual) {
  return scaledPeak >= MinDriftPeak && residual >= -MaxResidualDeviationHz && residual <= MaxResidualDeviationHz;
}

std::string DeviationText(double deviation) { return FormatFloat("0.0 Hz", deviation); }
