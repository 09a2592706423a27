#include "engine/LocateMath.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/Buffers.h"

namespace locate {

void MarkRunCentres(const float* mask, float* centres, int count) {
  if (!mask || !centres || count <= 0) return;
  bool inRun = mask[0] > 0.0f;
  int start = 0;
  for (int i = 0; i < count; ++i) {
    if (inRun) {
      if (mask[i] == 0.0f) {
        centres[start + (i - start) / 2] = 255.0f;
        inRun = false;
      }
    } else if (mask[i] > 0.0f) {
      inRun = true;
      start = i;
      ++i;  // the walk resumes two points after the run's first point
    }
  }
}

int NearestMark(const float* marks, int count) {
  if (!marks || count <= 0) return -1;
  const int half = count / 2;
  for (int k = 0; k < half; ++k) {
    if (marks[half - k] > 0.0f) return half - k;
    if (half + k < count && marks[half + k] > 0.0f) return half + k;
  }
  return -1;
}

int TrackNearestPeak(DigitalBuffer& buffer, int count) {
  count = std::min<int>(count, int(buffer.Count));
  std::vector<float> smooth(static_cast<size_t>(std::max(count, 0))), floor(smooth.size()),
      mask(smooth.size()), centres(smooth.size());
  for (int i = 0; i < count; ++i) {
    smooth[size_t(i)] = buffer.Get(SmoothChannel, unsigned(i));
    floor[size_t(i)] = buffer.Get(FloorChannel, unsigned(i));
    mask[size_t(i)] = smooth[size_t(i)] > floor[size_t(i)] ? 255.0f : 0.0f;
  }
  MarkRunCentres(mask.data(), centres.data(), count);
  buffer.SetValues(MaskChannel, mask.data(), unsigned(count));
  buffer.SetValues(CentreChannel, centres.data(), unsigned(count));
  return NearestMark(centres.data(), count);
}

double FieldLevel(const float* raw, int count) {
  double sum = 0.0;
  for (int i = 140; i <= 260 && i < count; ++i) sum += raw[i];
  return sum / 121.0;
}

double FloorLevel(const float* smoothed, int count) {
  double lowest = 255.0;
  for (int i = 0; i < count; ++i) lowest = std::min(lowest, double(smoothed[i]));
  return lowest;
}

int NextAttenuation(int attenuation, double level, double low) {
  return level > low ? attenuation + (32 - attenuation) / 2 : attenuation / 2;
}

bool RangeAttenuator(int& attenuation, double level, double low, double high, int maxSteps,
                     const std::function<bool(int attenuation, double& level)>& sweep) {
  for (int step = 0; step < maxSteps && !(level > low && level < high); ++step) {
    if (!sweep(attenuation, level)) return false;
    attenuation = std::clamp(NextAttenuation(attenuation, level, low), 0, 31);
    if (attenuation == 0 || attenuation >= 31) break;
  }
  return true;
}

uint8_t FieldIndicatorValue(double level, double reference) {
  double range = 160.0 - reference;
  if (range <= 0.0) range = 0.1;
  const double excess = std::max(0.0, level - reference);
  const double ratio = std::min(1.0, excess / range);
  return uint8_t(std::trunc(170.0 - ratio * 170.0));
}

uint8_t DigitalIndicatorValue(double output) {
  const double excess = std::clamp(output - 127.0, 0.0, 127.0);
  return uint8_t(std::trunc(170.0 - excess * 170.0 / 127.0));
}

std::array<double, 256> ProbeDisplayTable() {
  static constexpr int index[] = {0,   10,  30,  47,  60,  73,  90,  99,  107, 115,
                                  122, 134, 140, 145, 149, 155, 171, 200, 224, 255};
  static constexpr double value[] = {1,   10,  20,  30,  40,  50,  60,  70,  80,  90,
                                     100, 110, 120, 130, 140, 150, 200, 300, 400, 600};
  std::array<double, 256> table{};
  for (size_t k = 0; k + 1 < std::size(index); ++k) {
    const int a = index[k], b = index[k + 1];
    for (int i = a; i <= b; ++i) table[size_t(i)] = value[k] + (value[k + 1] - value[k]) / (b - a) * (i - a);
  }
  return table;
}

double NextProbeLevel(double level, uint8_t raw) {
  const double x = std::max(0, int(raw) - 48) * 1.232;
  return level - level / 8.0 + x / 8.0;
}

int ProbeLedCount(double level) { return (int(std::trunc(level)) & 0xFF) / 8; }

double ProbeValue(const std::array<double, 256>& table, double level) {
  const int index = std::clamp(int(std::trunc(level)), 0, 255);
  return table[size_t(index)] * 0.01;
}

double BandLevel(uint8_t sample, double factor) {
  if (sample < 64) return 0.0;
  return std::min(255.0, (sample - 64) * 1.333333 * factor);
}

void ReduceRunsToCentres(float* marks, int count) {
  if (!marks) return;
  bool inRun = false;
  int start = 0;
  for (int i = 0; i < count; ++i) {
    if (marks[i] > 0.0f) {
      if (!inRun) {
        inRun = true;
        start = i;
      }
      marks[i] = 0.0f;
    } else if (inRun) {
      marks[(start + i) / 2] = 255.0f;
      inRun = false;
    }
  }
}

}  // namespace locate
