#include "screens/locate/SilentSearch.h"

#include <algorithm>
#include <cstdlib>

#include "platform/rtl/SysUtils.h"

int SilentVerdict(bool centreValid, double levelMicro, double result) {
  if (!centreValid || levelMicro < 1700.0) return 3;
  return result >= 500.0 ? 1 : 2;
}

namespace {
bool ReadMhz(const std::string& text, double& mhz) {
  const char* begin = text.c_str();
  char* end = nullptr;
  mhz = std::strtod(begin, &end);
  if (end == begin) return false;
  while (*end == ' ') ++end;
  return *end == '\0';
}
}  // namespace

bool ParseSilentRange(const std::string& startText, const std::string& stopText, double& startHz,
                      double& stopHz, std::string& message) {
  double start = 0.0, stop = 0.0;
  if (!ReadMhz(startText, start) || !ReadMhz(stopText, stop)) {
    message = "The range needs two numbers of MHz between 0 and 15000.";
    return false;
  }
  start = std::clamp(start, 0.0, 15000.0);
  stop = std::clamp(stop, 0.0, 15000.0);
  if (stop < start) std::swap(start, stop);
  startHz = start * 1e6;
  stopHz = stop * 1e6;
  message.clear();
  return true;
}

void SilentSearch::Reset() {
  state_ = StartScan;
  index_ = 0;
  retry_ = false;
  blink_ = false;
}

void SilentSearch::Tick() {
  if (state_ == StartScan) {
    index_ = 0;
    retry_ = false;
    state_ = Scanning;
    hooks_.startScan();
  }
  if (state_ == ScanDone) {
    hooks_.debugLines({std::to_string(hooks_.count())});
    for (int i = 0; i < hooks_.count(); ++i) hooks_.highlight(i, false);
    hooks_.listChanged();
    state_ = hooks_.count() > 0 ? NextCandidate : StartScan;
  }
  if (state_ == NextCandidate) {
    if (index_ < hooks_.count()) {
      state_ = Measuring;
      frequency_ = hooks_.frequency(index_);
      hooks_.highlight(index_, true);
      hooks_.repaint();
      hooks_.startRecord(frequency_);
    } else {
      state_ = StartScan;
    }
  }
  if (state_ == Evaluate) Judge();
  if (state_ == Found) {
    blink_ = !blink_;
    hooks_.blink(blink_);
  }
}

void SilentSearch::Judge() {
  std::vector<std::string> lines;
  if (centreValid_) {
    lines = {"AutoCenterValid ok...", "LevelDemod = " + std::to_string(int(levelDemod_)),
             "LevelMicro = " + std::to_string(int(levelMicro_)), "Result = " + std::to_string(int(result_))};
  } else {
    lines = {"AutoCenterValid err..."};
  }
  hooks_.debugLines(lines);
  // A try that does not match ends the retries of this candidate.
  retry_ = false;
  std::array<int32_t, Tries>* tries = hooks_.tries(index_);
  if (tries) {
    auto open = std::find(tries->begin(), tries->end(), 0);
    if (open != tries->end()) {
      *open = SilentVerdict(centreValid_, levelMicro_, result_);
      retry_ = *open == 2;
    } else if (std::count(tries->begin(), tries->end(), 2) >= 4) {
      state_ = Found;
      hooks_.raiseAlarm(index_);
    }
  }
  hooks_.highlight(index_, false);
  hooks_.repaint();
  if (state_ != Found) {
    if (!retry_) ++index_;
    state_ = NextCandidate;
  }
}
