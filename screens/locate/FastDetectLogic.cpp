#include "screens/locate/FastDetectLogic.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "engine/Buffers.h"
#include "platform/rtl/SysUtils.h"

std::string FastStageTitle(int stage, int detected) {
  static const char* const heads[3] = {"BW 10 MHz  :    ", "BW 2 MHz   :    ", "BW 150 kHz :    "};
  return std::string(heads[std::clamp(stage, 0, 2)]) + std::to_string(detected) + " Signals detected";
}

int CountDetected(const DigitalBuffer& buffer) {
  int count = 0;
  for (unsigned i = 0; i < buffer.Count; ++i)
    if (buffer.Get(FastChannel::Detected, i) > 0) ++count;
  return count;
}

void ReduceMarks(DigitalBuffer& buffer) {
  bool inRun = false;
  unsigned first = 0;
  for (unsigned i = 0; i < buffer.Count; ++i) {
    const float value = buffer.Get(FastChannel::Answered, i);
    if (!inRun) {
      if (value > 0) {
        buffer.SetValue(FastChannel::Answered, i, 0.0f);
        first = i;
        inRun = true;
      }
    } else if (value != 0) {
      buffer.SetValue(FastChannel::Answered, i, 0.0f);
    } else {
      buffer.SetValue(FastChannel::Answered, (first + i) / 2, 80.0f);
      inRun = false;
    }
  }
}

std::vector<FastTargetRange> BuildTargetRanges(const DigitalBuffer& wide, const DigitalBuffer& medium,
                                               const DigitalBuffer& narrow) {
  std::vector<FastTargetRange> ranges;
  const auto inside = [&ranges](double f) {
    return std::any_of(ranges.begin(), ranges.end(),
                       [f](const FastTargetRange& r) { return r.lower < f && f < r.upper; });
  };
  const struct {
    const DigitalBuffer* buffer;
    double bin, below, above;
    bool always;
  } stages[3] = {{&wide, FastBinHz[0], 4e6, 4e6, true},
                 {&medium, FastBinHz[1], 4e6, 4e6, false},
                 {&narrow, FastBinHz[2], 4e6, 2e6, false}};
  for (const auto& stage : stages)
    for (unsigned i = 0; i < stage.buffer->Count; ++i) {
      if (stage.buffer->Get(FastChannel::Answered, i) <= 0) continue;
      const double f = i * stage.bin;
      if (stage.always || !inside(f)) ranges.push_back({f - stage.below, f + stage.above});
    }
  // Clamped only now, so that which marks count as inside does not depend on the band edges.
  for (FastTargetRange& r : ranges) {
    r.lower = std::clamp(r.lower, 0.0, FastTopHz);
    r.upper = std::clamp(r.upper, 0.0, FastTopHz);
  }
  return ranges;
}

std::vector<std::string> VerifiedLines(const DigitalBuffer& verify) {
  std::vector<std::string> lines;
  for (unsigned i = 0; i < verify.Count; ++i) {
    const float level = verify.Get(FastChannel::Verified, i);
    if (level > 0)
      lines.push_back(std::to_string(int(level)) + " " + FormatFloat("0.00", i * FastVerifyBinHz * 1e-6) +
                      " MHz");
  }
  return lines;
}

void SortResults(std::vector<std::string>& lines) {
  std::stable_sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
    return std::atol(a.c_str()) > std::atol(b.c_str());
  });
  for (std::string& line : lines) {
    const size_t blank = line.find(' ');
    line = blank == std::string::npos ? std::string() : line.substr(blank + 1, 255);
  }
}

RadarAnimation::Pass RadarAnimation::Step(double bearing, double steps, bool targets) {
  constexpr double pi = std::numbers::pi;
  Pass pass;
  pass.beamRoll = beamAngle + pi;
  if (beamAngle >= bearing && beamAngle < bearing + pi / steps) {
    pulse = true;
    pulseScale = 0.2;
    pointAlpha = 255.0;
  }
  if (pulse && targets) {
    pass.drawTarget = true;
    pass.targetX = CentreX + std::cos(bearing) * 180.0 * Scale * Aspect;
    pass.targetY = CentreY + std::sin(bearing) * 180.0 * Scale;
    pass.pointAlpha = int(pointAlpha);
    pass.pulseScale = pulseScale;
  }
  beamAngle += pi / steps;
  if (beamAngle > 2 * pi) beamAngle = 0.0;
  pulseScale *= 1.04;
  if (pulseScale > 1.5) {
    pulseScale = 0.2;
    pulse = false;
  }
  pointAlpha = std::max(0.0, pointAlpha - 5.0);
  return pass;
}
