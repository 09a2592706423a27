#include "engine/Search.h"

#include <algorithm>
#include <vector>

#include "engine/Buffers.h"
#include "engine/Fft.h"
#include "shell/base/Guard.h"

namespace {

using Trace = std::vector<float>;
using Centres = std::vector<uint8_t>;

constexpr auto relaxed = std::memory_order_relaxed;

// A copy of the trace to search; false for a missing buffer or channel.
bool CopyChannel(const DigitalBuffer* buffer, int channel, Trace* trace) {
  if (!buffer || channel < 0 || channel >= DigitalBuffer::ChannelCount) return false;
  trace->resize(buffer->Count);
  for (unsigned i = 0; i < buffer->Count; ++i) (*trace)[i] = buffer->Channels[channel][i].load(relaxed);
  return true;
}

bool CopyPoints(const NormalBuffer* buffer, Trace* trace) {
  if (!buffer) return false;
  trace->resize(buffer->Count);
  for (unsigned i = 0; i < buffer->Count; ++i) (*trace)[i] = buffer->Points[i].load(relaxed);
  return true;
}

Trace Smoothed(const Trace& source, int half) {
  Trace result(source.size());
  SmoothFloats(source.data(), result.data(), int(source.size()), half);
  return result;
}

// 255 at the middle of every run of marked points. A run that reaches the last point ends there;
// a run that starts on the last point has no centre.
Centres RunCentres(const std::vector<bool>& marked) {
  const int n = int(marked.size());
  Centres centres(n, 0);
  bool inRun = false;
  int runStart = 0;
  for (int i = 0; i < n; ++i) {
    if (marked[i] && i == 0) {
      runStart = 0;
      inRun = true;
    } else if (marked[i] && !inRun) {
      runStart = i;
      inRun = true;
    } else if (!marked[i] && inRun) {
      centres[runStart + (i - runStart) / 2] = 255;
      inRun = false;
    } else if (inRun && i == n - 1) {
      centres[runStart + (n - 1 - runStart) / 2] = 255;
      inRun = false;
    }
  }
  return centres;
}

// Detail trace: pre-smoothed, then compared with a wide floor raised by 4.
Centres AModeCentres(const Trace& trace) {
  const Trace pre = Smoothed(trace, 12);
  Trace floor = Smoothed(pre, 90);
  const Trace smooth = Smoothed(pre, 24);
  std::vector<bool> marked(trace.size());
  for (size_t i = 0; i < trace.size(); ++i) marked[i] = smooth[i] - (floor[i] + 4.0f) > 0.0f;
  return RunCentres(marked);
}

// Overview trace: a light smoothing compared with a floor raised by 8.
Centres WModeCentres(const Trace& trace) {
  const Trace floor = Smoothed(trace, 40);
  const Trace smooth = Smoothed(trace, 6);
  std::vector<bool> marked(trace.size());
  for (size_t i = 0; i < trace.size(); ++i) marked[i] = floor[i] + 8.0f < smooth[i];
  return RunCentres(marked);
}

bool IsHit(const Centres& centres, long long i) {
  return i >= 0 && i < (long long)centres.size() && centres[i] > 0;
}

bool NearestToMiddle(const Centres& centres, int* index) {
  const int half = int(centres.size()) / 2;
  for (int k = 0; k < half; ++k)
    for (int i : {half - k, half + k})
      if (IsHit(centres, i)) {
        *index = i;
        return true;
      }
  return false;
}

bool NearestToStart(const Centres& centres, int start, int* index) {
  const long long n = (long long)centres.size();
  for (long long k = 0; k < n; ++k) {
    const long long below = (long long)start - k, above = (long long)start + k;
    if (below < 0 && above >= n) return false;
    for (long long i : {below, above})
      if (IsHit(centres, i)) {
        *index = int(i);
        return true;
      }
  }
  return false;
}

// Every hit from first onward (step +1 or -1) while within [lower, upper).
void AppendHits(const Centres& centres, long long first, int step, long long lower, long long upper,
                SearchMarkList* list) {
  lower = std::max(lower, 0LL);
  upper = std::min(upper, (long long)centres.size());
  for (long long i = first; i >= lower && i < upper; i += step)
    if (centres[i] > 0) list->AddIndex(int(i));
}

bool FindA(const Trace* trace, int* index) {
  return trace && index && NearestToMiddle(AModeCentres(*trace), index);
}

bool FindW(const Trace* trace, int start, int* index) {
  return trace && index && NearestToStart(WModeCentres(*trace), start, index);
}

bool SearchA(const Trace* trace, bool up, SearchMarkList* list) {
  if (!trace || !list) return false;
  const Centres centres = AModeCentres(*trace);
  const long long middle = (long long)centres.size() / 2;
  if (up)
    AppendHits(centres, middle + 5, 1, 0, (long long)centres.size(), list);
  else
    AppendHits(centres, middle - 5, -1, 0, (long long)centres.size(), list);
  return list->Count() > 0;
}

bool SearchW(const Trace* trace, int start, int lower, int upper, bool up, SearchMarkList* list) {
  if (!trace || !list) return false;
  const Centres centres = WModeCentres(*trace);
  if (up)
    AppendHits(centres, (long long)start + 10, 1, 0, upper, list);
  else
    AppendHits(centres, (long long)start - 10, -1, lower, (long long)centres.size(), list);
  return list->Count() > 0;
}

// The trace of a buffer form, or null when the buffer (or channel) is missing.
const Trace* ChannelTrace(DigitalBuffer* buffer, int channel, Trace* trace) {
  return CopyChannel(buffer, channel, trace) ? trace : nullptr;
}

const Trace* PointsTrace(const NormalBuffer* buffer, Trace* trace) {
  return CopyPoints(buffer, trace) ? trace : nullptr;
}

}  // namespace

bool FindAModeCenter(DigitalBuffer* buffer, int channel, int* index) {
  return Guarded("FindAModeCenter", [&] {
    Trace trace;
    return FindA(ChannelTrace(buffer, channel, &trace), index);
  });
}

bool FindAModeCenter(NormalBuffer* buffer, int* index) {
  return Guarded("FindAModeCenter", [&] {
    Trace trace;
    return FindA(PointsTrace(buffer, &trace), index);
  });
}

bool FindWModeCenter(DigitalBuffer* buffer, int channel, int start, int* index) {
  return Guarded("FindWModeCenter", [&] {
    Trace trace;
    return FindW(ChannelTrace(buffer, channel, &trace), start, index);
  });
}

bool FindWModeCenter(BufferBase* buffer, int start, int* index) {
  return Guarded("FindWModeCenter", [&] {
    Trace trace;
    return FindW(PointsTrace(dynamic_cast<NormalBuffer*>(buffer), &trace), start, index);
  });
}

bool SearchAMode(DigitalBuffer* buffer, int channel, bool up, SearchMarkList* list) {
  return Guarded("SearchAMode", [&] {
    Trace trace;
    return SearchA(ChannelTrace(buffer, channel, &trace), up, list);
  });
}

bool SearchAMode(NormalBuffer* buffer, bool up, SearchMarkList* list) {
  return Guarded("SearchAMode", [&] {
    Trace trace;
    return SearchA(PointsTrace(buffer, &trace), up, list);
  });
}

bool SearchWMode(DigitalBuffer* buffer, int channel, int start, int lower, int upper, bool up,
                 SearchMarkList* list) {
  return Guarded("SearchWMode", [&] {
    Trace trace;
    return SearchW(ChannelTrace(buffer, channel, &trace), start, lower, upper, up, list);
  });
}

bool SearchWMode(NormalBuffer* buffer, int start, int lower, int upper, bool up, SearchMarkList* list) {
  return Guarded("SearchWMode", [&] {
    Trace trace;
    return SearchW(PointsTrace(buffer, &trace), start, lower, upper, up, list);
  });
}
