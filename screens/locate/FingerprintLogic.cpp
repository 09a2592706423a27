#include "screens/locate/FingerprintLogic.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "engine/Buffers.h"
#include "engine/Fft.h"
#include "engine/FingerBuffer.h"
#include "platform/rtl/SysUtils.h"
#include "base/Globals.h"

const FingerCompareRule RecordAnalogRule{8, 750, 50, 20, true, true};
const FingerCompareRule RecordDigitalRule{4, 150, 70, 50, true, true};
const FingerCompareRule CompareAnalogRule{8, 750, 50, 30, false, false};
const FingerCompareRule CompareDigitalRule{2, 750, 50, 30, false, false};

void CompareFingerChannels(DigitalBuffer& buffer, const uint8_t* recorded, const uint8_t* loaded, int count,
                           const FingerCompareRule& rule) {
  count = std::min<int>(count, int(buffer.Count));
  std::vector<uint8_t> smoothRecorded(count), smoothLoaded(count);
  SmoothBytes(recorded, smoothRecorded.data(), count, rule.half);
  SmoothBytes(loaded, smoothLoaded.data(), count, rule.half);
  std::vector<float> hits(count, 0.0f);
  for (int i = 0; i < count; ++i) {
    buffer.SetValue(FingerChannel::Loaded, i, loaded[i]);
    buffer.SetValue(FingerChannel::RecordingSmoothed, i, smoothRecorded[i]);
    buffer.SetValue(FingerChannel::LoadedSmoothed, i, smoothLoaded[i]);
    const int a = smoothRecorded[i], b = smoothLoaded[i];
    const int threshold = i < rule.splitPoint ? rule.thresholdBelow : rule.thresholdFrom;
    const bool counted = !rule.bothNonZero || (a != 0 && b != 0);
    hits[i] = counted && a > b + threshold ? 255.0f : 0.0f;
  }
  if (rule.runCentres) ReduceToRunCentres(hits);
  buffer.SetValues(FingerChannel::Hits, hits.data(), count);
}

void ReduceToRunCentres(std::vector<float>& marks) {
  std::vector<float> centres(marks.size(), 0.0f);
  bool inRun = false;
  size_t first = 0;
  for (size_t i = 0; i < marks.size(); ++i) {
    if (!inRun && marks[i] != 0.0f) {
      inRun = true;
      first = i;
    } else if (inRun && marks[i] == 0.0f) {
      centres[(first + i) / 2] = 255.0f;
      inRun = false;
    }
  }
  marks.swap(centres);
}

std::string FingerHit::Text() const {
  return std::string(digital ? "Dig   " : "Ana   ") + FormatFloat("0.000", FrequencyHz() * 1e-6) + " MHz";
}

std::vector<FingerHit> CollectFingerHits(const DigitalBuffer& analog, const DigitalBuffer& digital) {
  std::vector<FingerHit> hits;
  for (const auto* buffer : {&analog, &digital})
    for (unsigned i = 0; i < buffer->Count; ++i)
      if (buffer->Get(FingerChannel::Hits, i) > 0) hits.push_back({buffer == &digital, int(i)});
  return hits;
}

void FillRealtimeReference(DigitalBuffer& live, const FingerBufferBase& recorded,
                           const FingerBufferBase& loaded, double frequency) {
  const double k0 = double(std::lround(frequency / 100e3) - 50);
  double position = k0;
  for (unsigned i = 0; i < 1000 && i < live.Count; ++i) {
    const long point = std::lround(position);
    const bool inside = point >= 0 && point < long(FingerBufferBase::AnalogSize);
    live.SetValue(0, i, inside ? recorded.GetAnalog(unsigned(point)) : 0);
    live.SetValue(1, i, inside ? loaded.GetAnalog(unsigned(point)) : 0);
    position += 0.1;
  }
}

bool FindCenterOffset(DigitalBuffer& live, int points, double stepHz, double& offsetHz) {
  points = std::min<int>(points, int(live.Count));
  if (points < 2) return false;
  std::vector<float> trace(points), wide(points), narrow(points);
  for (int i = 0; i < points; ++i) trace[i] = live.Get(0, i);
  SmoothFloats(trace.data(), wide.data(), points, 40);
  SmoothFloats(trace.data(), narrow.data(), points, 10);
  std::vector<float> above(points);
  float sum = 0.0f;
  for (int i = 0; i < points; ++i) {
    narrow[i] = std::max(0.0f, float(std::lround(narrow[i] - 10.0f)));
    above[i] = narrow[i] > wide[i] ? 255.0f : 0.0f;
    sum += above[i];
    live.SetValue(5, i, wide[i]);
    live.SetValue(6, i, narrow[i]);
    live.SetValue(7, i, above[i]);
  }
  if (sum == 0.0f) return false;
  // A run that reaches the last point counts too, centred on what is visible of it.
  std::vector<float> centres(above);
  ReduceToRunCentres(centres);
  if (above[points - 1] != 0.0f) {
    int first = points - 1;
    while (first > 0 && above[first - 1] != 0.0f) --first;
    centres[(first + points - 1) / 2] = 255.0f;
  }
  live.SetValues(8, centres.data(), points);
  const int middle = points / 2 - 1;
  int offset = 0;
  for (int d = 0; d <= middle; ++d) {
    if (centres[middle - d] != 0.0f) {
      offset = -d;
      break;
    }
    if (middle + d < points && centres[middle + d] != 0.0f) {
      offset = d;
      break;
    }
  }
  offsetHz = offset * stepHz;
  return true;
}

double DragFrequency(double pressFrequency, int pressX, int x, int viewportWidth, double spanHz) {
  if (viewportWidth <= 0) return pressFrequency;
  const double f = pressFrequency + double(pressX - x) * spanHz / viewportWidth;
  return std::clamp(f, 0.0, 15e9);
}

std::string FingerFolder() {
  const std::string folder = ProgramFolder + "Finger";
  if (!DirectoryExists(folder) && !CreateDir(folder)) return "";
  return folder;
}

std::string WithFingerExtension(const std::string& path) {
  return ExtractFileExt(path).empty() ? path + ".fng" : path;
}

std::string SaveFingerprintFile(FingerBufferBase& fingerprint, const std::string& path) {
  try {
    fingerprint.Save(path);
    return "";
  } catch (const std::exception& error) {
    return "The fingerprint could not be saved as " + path + " (" + error.what() +
           "). The recording is kept: save it elsewhere.";
  }
}

std::string LoadFingerprintFile(FingerBufferBase& fingerprint, const std::string& path) {
  try {
    if (fingerprint.Load(path)) return "";
    std::string reason = fingerprint.LoadError();
    while (!reason.empty() && reason.back() == '.') reason.pop_back();
    return "The fingerprint " + path + " was not loaded: " + reason + ". The current comparison is kept.";
  } catch (const std::exception& error) {
    return "The fingerprint " + path + " could not be read (" + error.what() +
           "). The current comparison is kept.";
  }
}
