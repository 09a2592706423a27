// Pure arithmetic of the locating threads (field locate, sonar, mobile bands, fast detect): peak
// tracking over marked runs, attenuator ranging, indicator values, the probe's level and display
// table, band levels. No device access; each function works on the arrays it is given.
#pragma once
#include <array>
#include <cstdint>
#include <functional>

class DigitalBuffer;

namespace locate {

// Channels of the tracking buffers (field locate and sonar).
constexpr int RawChannel = 0;
constexpr int CentreChannel = 6;  // 255 at the centre of each run of the mask
constexpr int MaskChannel = 7;    // 255 where the smoothed trace lies above the floor
constexpr int FloorChannel = 8;   // smoothed trace smoothed again, plus the floor offset
constexpr int SmoothChannel = 9;  // the raw trace smoothed

// Marks the centre of every run of non-zero mask values: centres[start + (end - start) / 2] := 255
// at the first zero after a run. A run that begins at i is entered and the walk goes on at i + 2;
// a run still open at the last point gets no centre. centres is not cleared first.
void MarkRunCentres(const float* mask, float* centres, int count);

// The marked point nearest to half: half, half + 0 (again), then half - 1, half + 1, ... for
// k < half; the lower side wins a tie. -1 when none is marked.
int NearestMark(const float* marks, int count);

// The tracking step on a buffer whose channels 9 (smoothed) and 8 (floor) are filled: clears and
// fills the mask (7) and the run centres (6) over count points; returns the centre nearest the
// middle, or -1.
int TrackNearestPeak(DigitalBuffer& buffer, int count);

// Level of a field-locate sweep: the mean of points 140 to 260 (points past count add 0).
double FieldLevel(const float* raw, int count);
// The lowest value of the smoothed trace, at most 255.
double FloorLevel(const float* smoothed, int count);

// One ranging step: a level above low raises the attenuation half-way to 32, else halves it.
int NextAttenuation(int attenuation, double level, double low);

// Auto-ranging of the attenuator (0..31 dB) into the window low < level < high, level being the one
// measured before. While the last level lies outside the window: sweep at the current attenuation,
// then move the attenuation by that sweep's level (NextAttenuation), stopping at 0 or at 31 and up.
// The move follows the sweep, so a level that first fits at 16 dB still moves the attenuation on to
// 24 dB. At most maxSteps sweeps, since the rule can swing between two values around a narrow window.
// sweep(attenuation, level) measures at that attenuation; its false (a failed sweep or a stop) ends
// the ranging with false.
bool RangeAttenuator(int& attenuation, double level, double low, double high, int maxSteps,
                     const std::function<bool(int attenuation, double& level)>& sweep);

// Indicator potentiometer of the analogue field locate: 170 at or below the reference, 0 at 160.
uint8_t FieldIndicatorValue(double level, double reference);
// Indicator potentiometer of the digital field locate: 170 at an output of 127 or less, 0 at 254.
uint8_t DigitalIndicatorValue(double output);

// The probe's 256-entry display table (1 .. 600, linear between fixed points).
std::array<double, 256> ProbeDisplayTable();
// One smoothing step of the probe level from a raw AD byte (weight 1/8).
double NextProbeLevel(double level, uint8_t raw);
// LEDs for a smoothed level (0 .. 31).
int ProbeLedCount(double level);
// The value on the probe's digits for a smoothed level (0.01 .. 6.00).
double ProbeValue(const std::array<double, 256>& table, double level);

// Level of one mobile-band detector byte: 0 below 64, else (b - 64) x 1.333333 x factor, at most 255.
double BandLevel(uint8_t sample, double factor);

// Reduces every run of non-zero marks to one mark at (run start + first zero) / 2, walking up.
void ReduceRunsToCentres(float* marks, int count);

}  // namespace locate
