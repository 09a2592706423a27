#include "engine/Search.h"

#include <algorithm>
#include <vector>

#include "engine/Buffers.h"
#include "engine/Fft.h"
#include "base/Guard.h"

namespace {

using Trace = std::vector<float>;
using Centres = std::vector<uint8_t>;

constexpr auto relaxed = std::memory_order_relaxed;

// The temporary traces of one search. Each thread keeps its own set and reuses it, so a search over
// a long overview trace does not allocate (and fault in) several megabytes on every call.
struct Workspace {
  Trace trace, pre, floor, smooth;
  std::vector<uint8_t> marked;
  Centres centres;
};

Workspace& ThreadWorkspace() {
  thread_local Workspace workspace;
  return workspace;
}

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

void Smooth(const Trace& source, int half, Trace* result) {
  result->resize(source.size());
  SmoothFloats(source.data(), result->data(), int(source.size()), half);
}

// 255 at the middle of every run of marked points. A run that reaches the last point ends there;
// a run that starts on the last point has no centre.
const Centres& RunCentres(const std::vector<uint8_t>& marked, Centres* centres) {
  const int n = int(marked.size());
  centres->assign(n, 0);
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
      (*centres)[runStart + (i - runStart) / 2] = 255;
      inRun = false;
    } else if (inRun && i == n - 1) {
      (*centres)[runStart + (n - 1 - runStart) / 2] = 255;
      inRun = false;
    }
  }
  return *centres;
}

// Detail trace: pre-smoothed, then compared with a wide floor raised by 4.
const Centres& AModeCentres(Workspace& w) {
  Smooth(w.trace, 12, &w.pre);
  Smooth(w.pre, 90, &w.floor);
  Smooth(w.pre, 24, &w.smooth);
  w.marked.resize(w.trace.size());
  for (size_t i = 0; i < w.trace.size(); ++i) w.marked[i] = w.smooth[i] - (w.floor[i] + 4.0f) > 0.0f;
  return RunCentres(w.marked, &w.centres);
}

// Overview trace: a light smoothing compared with a floor raised by 8.
const Centres& WModeCentres(Workspace& w) {
  Smooth(w.trace, 40, &w.floor);
  Smooth(w.trace, 6, &w.smooth);
  w.marked.resize(w.trace.size());
  for (size_t i = 0; i < w.trace.size(); ++i) w.marked[i] = w.floor[i] + 8.0f < w.smooth[i];
  return RunCentres(w.marked, &w.centres);
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

// The search helpers take the workspace whose trace holds the copy, or null when there is none.
bool FindA(Workspace* w, int* index) { return w && index && NearestToMiddle(AModeCentres(*w), index); }

bool FindW(Workspace* w, int start, int* index) {
  return w && index && NearestToStart(WModeCentres(*w), start, index);
}

bool SearchA(Workspace* w, bool up, SearchMarkList* list) {
  if (!w || !list) return false;
  const Centres& centres = AModeCentres(*w);
  const long long n = (long long)centres.size(), middle = n / 2;
  if (up)
    AppendHits(centres, middle + 5, 1, 0, n, list);
  else
    AppendHits(centres, middle - 5, -1, 0, n, list);
  return list->Count() > 0;
}

bool SearchW(Workspace* w, int start, int lower, int upper, bool up, SearchMarkList* list) {
  if (!w || !list) return false;
  const Centres& centres = WModeCentres(*w);
  if (up)
    AppendHits(centres, (long long)start + 10, 1, 0, upper, list);
  else
    AppendHits(centres, (long long)start - 10, -1, lower, (long long)centres.size(), list);
  return list->Count() > 0;
}

// The workspace holding a copy of the channel or trace, or null when the buffer (or channel) is missing.
Workspace* ChannelCopy(DigitalBuffer* buffer, int channel) {
  Workspace& w = ThreadWorkspace();
  return CopyChannel(buffer, channel, &w.trace) ? &w : nullptr;
}

Workspace* PointsCopy(const NormalBuffer* buffer) {
  Workspace& w = ThreadWorkspace();
  return CopyPoints(buffer, &w.trace) ? &w : nullptr;
}

}  // namespace

bool FindAModeCenter(DigitalBuffer* buffer, int channel, int* index) {
  return Guarded("FindAModeCenter", [&] { return FindA(ChannelCopy(buffer, channel), index); });
}

bool FindAModeCenter(NormalBuffer* buffer, int* index) {
  return Guarded("FindAModeCenter", [&] { return FindA(PointsCopy(buffer), index); });
}

bool FindWModeCenter(DigitalBuffer* buffer, int channel, int start, int* index) {
  return Guarded("FindWModeCenter", [&] { return FindW(ChannelCopy(buffer, channel), start, index); });
}

bool FindWModeCenter(BufferBase* buffer, int start, int* index) {
  return Guarded("FindWModeCenter",
                 [&] { return FindW(PointsCopy(dynamic_cast<NormalBuffer*>(buffer)), start, index); });
}

bool SearchAMode(DigitalBuffer* buffer, int channel, bool up, SearchMarkList* list) {
  return Guarded("SearchAMode", [&] { return SearchA(ChannelCopy(buffer, channel), up, list); });
}

bool SearchAMode(NormalBuffer* buffer, bool up, SearchMarkList* list) {
  return Guarded("SearchAMode", [&] { return SearchA(PointsCopy(buffer), up, list); });
}

bool SearchWMode(DigitalBuffer* buffer, int channel, int start, int lower, int upper, bool up,
                 SearchMarkList* list) {
  return Guarded("SearchWMode",
                 [&] { return SearchW(ChannelCopy(buffer, channel), start, lower, upper, up, list); });
}

bool SearchWMode(NormalBuffer* buffer, int start, int lower, int upper, bool up, SearchMarkList* list) {
  return Guarded("SearchWMode", [&] { return SearchW(PointsCopy(buffer), start, lower, upper, up, list); });
}
