// The fingerprint views' arithmetic: comparing a recording with a stored fingerprint point by point,
// the list of hits, the reference of the live view, its centring and dragging, and saving and loading
// ".fng" files without ending the program on a bad file or a full disk.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class DigitalBuffer;
class FingerBufferBase;

// Channels of the overview buffers of both fingerprint views.
namespace FingerChannel {
constexpr int Recording = 0;
constexpr int Loaded = 1;
constexpr int Hits = 4;
constexpr int RecordingSmoothed = 5;
constexpr int LoadedSmoothed = 6;
}  // namespace FingerChannel

// How a buffer is compared: smoothing half-width, the threshold below and from splitPoint on, whether
// both levels must be non-zero, and whether each run of hits is reduced to its centre.
struct FingerCompareRule {
  int half;
  int splitPoint;
  int thresholdBelow;
  int thresholdFrom;
  bool bothNonZero;
  bool runCentres;
};

// The recording view: analogue and digital rules; the compare view: one rule set with half-width 2
// on the digital buffer and no run reduction.
extern const FingerCompareRule RecordAnalogRule;
extern const FingerCompareRule RecordDigitalRule;
extern const FingerCompareRule CompareAnalogRule;
extern const FingerCompareRule CompareDigitalRule;

// Fills channels 1 (loaded), 5 and 6 (both smoothed) and 4 (hits: 255 where the recording stands above
// the stored level by more than the threshold) of one overview buffer of count points.
void CompareFingerChannels(DigitalBuffer& buffer, const uint8_t* recorded, const uint8_t* loaded, int count,
                           const FingerCompareRule& rule);

// Each run of non-zero values becomes one 255 at (first + end) / 2, end the first zero after it; a run
// still open at the last point leaves no mark.
void ReduceToRunCentres(std::vector<float>& marks);

// One entry of the hit list: "Ana   1234.500 MHz" / "Dig   6172.500 MHz".
struct FingerHit {
  bool digital = false;
  int point = 0;
  double FrequencyHz() const { return point * (digital ? 500e3 : 100e3); }
  std::string Text() const;
};
// The hits of channel 4, analogue points first, each in ascending order.
std::vector<FingerHit> CollectFingerHits(const DigitalBuffer& analog, const DigitalBuffer& digital);

// Channels 0 (recorded) and 1 (loaded) of the 1000-point live buffer: the stored analogue levels of
// f +- 5 MHz, point i at round(k0 + 0.1 i), k0 = round(f / 100 kHz) - 50; 0 outside the blocks.
void FillRealtimeReference(DigitalBuffer& live, const FingerBufferBase& recorded,
                           const FingerBufferBase& loaded, double frequency);

// The offset of the carrier nearest the middle of the live trace (channel 0 of points values spaced
// stepHz), working in channels 5 to 8. False when the trace shows no carrier.
bool FindCenterOffset(DigitalBuffer& live, int points, double stepHz, double& offsetHz);

// The frequency a drag in the live view asks for, kept within 0..15 GHz.
double DragFrequency(double pressFrequency, int pressX, int x, int viewportWidth, double spanHz);

// Where the save dialog starts: ProgramFolder + "Finger", made when missing. Empty when it cannot be
// made (the dialog then starts in the program folder).
std::string FingerFolder();
// The chosen name with ".fng" appended when it has no extension.
std::string WithFingerExtension(const std::string& path);
// Saves the fingerprint; "" on success, else a message for the operator. The recording is kept.
std::string SaveFingerprintFile(FingerBufferBase& fingerprint, const std::string& path);
// Loads into the fingerprint; "" on success, else a message. On failure the fingerprint is unchanged.
std::string LoadFingerprintFile(FingerBufferBase& fingerprint, const std::string& path);
