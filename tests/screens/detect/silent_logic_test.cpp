// The silent search's verdicts, range edits and state machine, driven through its hooks.
#include <gtest/gtest.h>

#include <map>

#include "screens/locate/SilentSearch.h"

namespace {

TEST(SilentVerdict, Thresholds) {
  EXPECT_EQ(SilentVerdict(true, 1699.9, 10), 3);
  EXPECT_EQ(SilentVerdict(false, 5000, 10), 3);
  EXPECT_EQ(SilentVerdict(true, 1700, 499), 2);
  EXPECT_EQ(SilentVerdict(true, 1700, 500), 1);
}

TEST(SilentRange, NumbersAreClampedAndOrderedOtherTextIsRefused) {
  struct Case {
    const char *a, *b;
    bool ok;
    double start, stop;
  };
  for (const Case& c : {Case{"100", "200", true, 100e6, 200e6}, Case{"-50", "20000", true, 0, 15000e6},
                        Case{"300", "100", true, 100e6, 300e6}, Case{"abc", "200", false, 0, 0},
                        Case{"100", "", false, 0, 0}, Case{"12x", "200", false, 0, 0}}) {
    double start = -1, stop = -1;
    std::string message;
    EXPECT_EQ(ParseSilentRange(c.a, c.b, start, stop, message), c.ok) << c.a << " " << c.b;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(start, c.start);
      EXPECT_DOUBLE_EQ(stop, c.stop);
    } else {
      EXPECT_NE(message, "");
    }
  }
}

// A candidate list and a log of what the machine asked for.
struct Harness {
  std::vector<double> frequencies;
  std::vector<std::array<int32_t, 6>> tries;
  std::vector<int> alarms;
  int scans = 0;
  std::vector<double> records;
  std::vector<bool> blinks;
  std::map<int, bool> highlighted;

  SilentSearch Make() {
    SilentSearch::Hooks h;
    h.startScan = [this] { ++scans; };
    h.startRecord = [this](double f) { records.push_back(f); };
    h.count = [this] { return int(frequencies.size()); };
    h.frequency = [this](int i) { return frequencies[i]; };
    h.tries = [this](int i) { return i < int(tries.size()) ? &tries[i] : nullptr; };
    h.raiseAlarm = [this](int i) { alarms.push_back(i); };
    h.highlight = [this](int i, bool on) { highlighted[i] = on; };
    h.listChanged = [] {};
    h.repaint = [] {};
    h.blink = [this](bool on) { blinks.push_back(on); };
    h.debugLines = [](const std::vector<std::string>&) {};
    return SilentSearch(h);
  }
  void Fill(int n) {
    frequencies.clear();
    tries.clear();
    for (int i = 0; i < n; ++i) {
      frequencies.push_back(100e6 * (i + 1));
      tries.push_back({});
    }
  }
};

TEST(SilentSearchMachine, EmptyScanStartsANewScanAtTheNextTick) {
  Harness h;
  SilentSearch s = h.Make();
  s.Tick();
  EXPECT_EQ(h.scans, 1);
  EXPECT_EQ(s.StateValue(), SilentSearch::Scanning);
  s.ScanEnded();
  s.Tick();
  EXPECT_EQ(s.StateValue(), SilentSearch::StartScan);
  s.Tick();
  EXPECT_EQ(h.scans, 2);
}

TEST(SilentSearchMachine, MatchesRetryAndANoMatchMovesOn) {
  Harness h;
  SilentSearch s = h.Make();
  h.Fill(2);
  s.Tick();
  s.ScanEnded();
  s.Tick();  // 2 -> 3 -> 5: record candidate 0
  ASSERT_EQ(h.records.size(), 1u);
  EXPECT_TRUE(h.highlighted[0]);
  s.AnalysisEnded(3000, 3000, 10);  // match
  s.Tick();
  s.AnalysisEnded(3000, 3000, 10);  // match
  s.Tick();
  s.AnalysisEnded(3000, 3000, 900);  // no match
  s.Tick();
  EXPECT_EQ(h.tries[0], (std::array<int32_t, 6>{2, 2, 1, 0, 0, 0}));
  EXPECT_EQ(s.CandidateIndex(), 1);
  EXPECT_FALSE(h.highlighted[0]);
  s.Tick();  // the next candidate is taken at the following tick
  EXPECT_EQ(h.records.back(), 200e6);
  s.RecordNotCentred();
  s.Tick();
  EXPECT_EQ(h.tries[1][0], 3);
  s.Tick();
  EXPECT_EQ(s.StateValue(), SilentSearch::StartScan);  // list exhausted
  EXPECT_EQ(h.scans, 1);
}

TEST(SilentSearchMachine, SixMatchesThenTheSeventhEvaluationRaisesTheBlinkingAlarm) {
  Harness h;
  SilentSearch s = h.Make();
  h.Fill(1);
  s.Tick();
  s.ScanEnded();
  s.Tick();
  for (int i = 0; i < 7; ++i) {
    s.AnalysisEnded(3000, 3000, 10);
    s.Tick();
  }
  EXPECT_EQ(h.tries[0], (std::array<int32_t, 6>{2, 2, 2, 2, 2, 2}));
  EXPECT_EQ(h.alarms, std::vector<int>{0});
  EXPECT_EQ(s.StateValue(), SilentSearch::Found);
  s.Tick();
  s.Tick();
  ASSERT_GE(h.blinks.size(), 3u);
  EXPECT_NE(h.blinks[h.blinks.size() - 1], h.blinks[h.blinks.size() - 2]);
  s.Reset();
  EXPECT_EQ(s.StateValue(), SilentSearch::StartScan);
  EXPECT_FALSE(s.BlinkOn());
}

TEST(SilentSearchMachine, SixTriesWithThreeMatchesMoveOn) {
  Harness h;
  SilentSearch s = h.Make();
  h.Fill(2);
  h.tries[0] = {2, 2, 2, 1, 3, 1};
  s.Tick();
  s.ScanEnded();
  s.Tick();
  s.AnalysisEnded(3000, 3000, 10);
  s.Tick();
  EXPECT_TRUE(h.alarms.empty());
  EXPECT_EQ(s.CandidateIndex(), 1);
}

}  // namespace
