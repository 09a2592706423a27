// The fast-detect view's arithmetic between its threads: the counts of detected bins, the reduction of
// the tone-search marks to one per run, the frequency ranges the verification re-measures, the result
// lines sorted by level, and the radar's animation.
#pragma once
#include <string>
#include <vector>

class DigitalBuffer;

// Channels of the scan buffers.
namespace FastChannel {
constexpr int Level = 0;
constexpr int Floor = 1;
constexpr int Detected = 2;
constexpr int Answered = 3;
constexpr int Verified = 4;  // of the verify buffer: the level at each confirmed hit
}  // namespace FastChannel

// Bin widths of the three scan buffers (10 MHz, 2 MHz and 150 kHz IF bandwidth) and the verify buffer.
constexpr double FastBinHz[3] = {5e6, 1e6, 100e3};
constexpr double FastVerifyBinHz = 50e3;
constexpr double FastTopHz = 15e9;

// "BW 2 MHz   :    12 Signals detected" for stage 0..2.
std::string FastStageTitle(int stage, int detected);
// Bins whose detection channel is above 0.
int CountDetected(const DigitalBuffer& buffer);

// Every run of marked bins of channel 3 becomes one mark of 80 at (first + end) / 2, end the first
// unmarked bin after it; a run that lasts to the last bin leaves no mark.
void ReduceMarks(DigitalBuffer& buffer);

struct FastTargetRange {
  double lower = 0.0;  // Hz
  double upper = 0.0;
};
// One range per mark of the 10 MHz buffer (f +- 4 MHz), then per mark of the 2 MHz buffer (f +- 4 MHz)
// and of the 150 kHz buffer (f - 4 .. f + 2 MHz) that lies strictly inside no range yet. Every range is
// kept within 0..15 GHz, so the verification never measures outside the instrument's band.
std::vector<FastTargetRange> BuildTargetRanges(const DigitalBuffer& wide, const DigitalBuffer& medium,
                                               const DigitalBuffer& narrow);

// "143 418.70 MHz" for every confirmed bin of the verify buffer, in bin order.
std::vector<std::string> VerifiedLines(const DigitalBuffer& verify);
// Highest level first (stable), then each line keeps what follows its first blank.
void SortResults(std::vector<std::string>& lines);

// The radar: a beam turning by pi / steps per idle pass, and a pulse at the target bearing.
struct RadarAnimation {
  double beamAngle = 0.0;
  double pulseScale = 0.3;
  double pointAlpha = 255.0;
  bool pulse = false;

  // What one pass draws besides the grid and mask.
  struct Pass {
    double beamRoll = 0.0;                // rotation of the beam sprite
    bool drawTarget = false;              // point and pulse
    double targetX = 0.0, targetY = 0.0;  // screen position of the point
    int pointAlpha = 0;
    double pulseScale = 0.0;
  };
  static constexpr double CentreX = 800.0, CentreY = 550.0, Scale = 0.35, Aspect = 0.75;

  // Advances one pass and says what to draw in it.
  Pass Step(double bearing, double steps, bool targets);
};
