// The silent search threads: marking and centring logic, the analysis, and the scan, record and
// analyse threads against the simulated instrument.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "engine/Buffers.h"
#include "engine/Coef.h"
#include "engine/SilentList.h"
#include "engine/Silentthreads.h"
#include "tests/engine/silent/SimThreads.h"

namespace {

using simthreads::Give;
using simthreads::SimThreadTest;

// ---- Marking ----

TEST(SilentMarking, AFlatScanMarksNothing) {
  DigitalBuffer scan(15000);
  for (unsigned i = 0; i < scan.Count; ++i) scan.SetValue(0, i, 70.0f);
  MarkSilentCarriers(scan, 0.0, 15e9);
  SilentList list;
  FillSilentList(scan, list);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FLOAT_EQ(scan.Get(1, 100), 100.0f);  // the floor plus 30
}

TEST(SilentMarking, MarksCarriersButNeverAroundTheBandSplit) {
  DigitalBuffer scan(15000);
  for (unsigned i = 0; i < scan.Count; ++i) scan.SetValue(0, i, 70.0f);
  const unsigned carriers[] = {0, 434, 4880, 4950, 5020, 5021, 14999};
  for (unsigned c : carriers) scan.SetValue(0, c, 200.0f);
  MarkSilentCarriers(scan, 0.0, 15e9);  // bin 15000 lies beyond the buffer
  for (unsigned c : carriers) {
    const bool split = c >= 4880 && c <= 5020;
    EXPECT_EQ(scan.Get(2, c), split ? 0.0f : 50.0f) << c;
  }
}

TEST(SilentMarking, TheRangeOnlyLimitsTheMarkingAndIsClippedToTheBuffer) {
  struct Case {
    double start, stop;
    std::vector<unsigned> marked;
  };
  const Case cases[] = {{1e6, 15e9, {434, 2000}}, {500e6, 1000e6, {}}, {-3e9, 1e9, {434}}, {2e9, 1e6, {}}};
  for (const Case& c : cases) {
    DigitalBuffer scan(3000);
    for (unsigned i = 0; i < scan.Count; ++i) scan.SetValue(0, i, 70.0f);
    scan.SetValue(0, 434, 200.0f);
    scan.SetValue(0, 2000, 190.0f);
    MarkSilentCarriers(scan, c.start, c.stop);
    SilentList list;
    FillSilentList(scan, list);
    std::vector<unsigned> marked;
    for (int i = 0; i < list.Count(); ++i) marked.push_back(unsigned(list.GetFrequency(i) / 1e6));
    EXPECT_EQ(marked, c.marked) << c.start << ".." << c.stop;
  }
}

// ---- Centring ----

// Each run keeps its 10s (the silent view's red bars show the whole run) and gets 255 at its centre.
TEST(SilentCentre, RunsKeepTheirMarksAndGetTheCentreMark) {
  std::vector<float> marks(400, 0.0f);
  std::fill(marks.begin() + 205, marks.begin() + 215, 10.0f);
  std::fill(marks.begin() + 250, marks.begin() + 251, 10.0f);
  std::fill(marks.begin() + 396, marks.end(), 10.0f);  // a run up to the last point
  MarkRunCentres(marks);
  std::vector<int> centres, run;
  for (int i = 0; i < 400; ++i) {
    if (marks[size_t(i)] == 255.0f) centres.push_back(i);
    if (marks[size_t(i)] == 10.0f) run.push_back(i);
  }
  EXPECT_EQ(centres, (std::vector<int>{210, 250, 398}));
  EXPECT_EQ(run, (std::vector<int>{205, 206, 207, 208, 209, 211, 212, 213, 214, 396, 397, 399}));
}

TEST(SilentCentre, CentresOnTheMarkNearestTheIF) {
  struct Case {
    std::vector<int> marks;
    bool centred;
    double offset;  // Hz from the tuned frequency
    double tuner;
  };
  // The search pivots on index 199; a carrier above the tuned frequency shows below it.
  const Case cases[] = {
      {{210}, true, -275e3, 27.575e6},      {{199}, true, 0.0, 27.3e6},
      {{200}, true, -25e3, 27.325e6},       {{194, 204}, true, 125e3, 27.175e6},  // equal distance: lower
      {{120, 290}, true, 1.975e6, 25.325e6}, {{}, false, 0.0, 27.3e6},
  };
  for (const Case& c : cases) {
    std::vector<float> marks(400, 0.0f);
    for (int m : c.marks) marks[size_t(m)] = 255.0f;
    const CentreResult r = NearestCentre(marks, 433.92e6);
    EXPECT_EQ(r.centred, c.centred);
    EXPECT_DOUBLE_EQ(r.frequency, 433.92e6 + c.offset);
    EXPECT_DOUBLE_EQ(r.ifTuner, c.tuner);
  }
}

// ---- Analysis ----

TEST(SilentAnalysisMath, FirStagesLeaveTheirTailsZero) {
  const int n = 1000;
  std::vector<float> in(n), stage1(n), stage2(n);
  for (int i = 0; i < n; ++i) in[size_t(i)] = float(1000.0 * std::sin(i * 0.3));
  FirFilter(in.data(), stage1.data(), n, CoefTable62.data(), CoefTable62Taps);
  FirFilter(stage1.data(), stage2.data(), n, CoefTable192.data(), CoefTable192Taps);
  for (int i = n - 60; i < n; ++i) EXPECT_EQ(stage1[size_t(i)], 0.0f) << i;
  for (int i = n - 190; i < n; ++i) EXPECT_EQ(stage2[size_t(i)], 0.0f) << i;
  EXPECT_NE(stage1[size_t(n - 61)], 0.0f);
  // An impulse gives the taps (in reverse, which for a linear-phase table is the same).
  std::vector<float> impulse(n, 0.0f), response(n);
  impulse[60] = 1.0f;
  FirFilter(impulse.data(), response.data(), n, CoefTable62.data(), CoefTable62Taps);
  for (int k = 0; k < CoefTable62Taps; ++k) EXPECT_FLOAT_EQ(response[size_t(60 - k)], CoefTable62[size_t(k)]);
}

// A sound whose pitch changes every 1000 samples, delayed by `delay` samples (silence before it).
std::vector<float> Melody(int n, int delay, double pitchScale = 1.0) {
  std::vector<float> v(size_t(n), 0.0f);
  for (int i = delay; i < n; ++i) {
    const int t = i - delay;
    const double w = pitchScale * (0.15 + 0.05 * ((t / 1000) % 5));
    v[size_t(i)] = float(3000.0 * std::sin(t * w));
  }
  return v;
}

// The score compares 50 short spectra of the decimated signals, the second recording shifted by
// one spectrum (256 samples) either way or not at all; the best alignment counts.
TEST(SilentAnalysisMath, ScoresTheBestAlignmentOfTheShortSpectra) {
  struct Case {
    const char* name;
    int delay1, delay2;
    double pitch2;
    bool zero;   // exactly 0
    bool match;  // below the frame's limit of 500
  };
  const Case cases[] = {
      {"identical", 0, 0, 1.0, true, true},
      {"second one spectrum late", 0, 256, 1.0, true, true},
      {"first one spectrum late", 256, 0, 1.0, true, true},
      {"second two spectra late", 0, 512, 1.0, false, true},
      {"another sound", 0, 0, 4.0, false, false},
  };
  const int n = 12800;
  for (const Case& c : cases) {
    const std::vector<float> a = Melody(n, c.delay1), b = Melody(n, c.delay2, c.pitch2);
    SilentAnalysis analysis(n);
    analysis.Run(a.data(), b.data());
    EXPECT_EQ(analysis.Result == 0.0f, c.zero) << c.name << ": " << analysis.Result;
    EXPECT_EQ(analysis.Result < 500.0f, c.match) << c.name << ": " << analysis.Result;
  }
}

TEST(SilentAnalysisMath, LevelsAreTheMaximaOfTheDecimatedSignals) {
  const int n = 12800;
  std::vector<float> a(n), quiet(n);
  for (int i = 0; i < n; ++i) {
    a[size_t(i)] = float(3000.0 * std::sin(i * 0.2) + 500.0 * std::sin(i * 0.05));
    quiet[size_t(i)] = a[size_t(i)] * 0.1f;
  }
  SilentAnalysis analysis(n);
  analysis.Run(a.data(), quiet.data());
  EXPECT_GT(analysis.Level1, 1000.0f);
  EXPECT_NEAR(analysis.Level2, analysis.Level1 * 0.1f, analysis.Level1 * 0.001f);
  ASSERT_EQ(analysis.Decimated[0].size(), size_t(n / 2));
  EXPECT_EQ(analysis.Level1,
            *std::max_element(analysis.Decimated[0].begin(), analysis.Decimated[0].end() - 126));
}

// ---- Against the simulated instrument ----

class SilentThreadTest : public SimThreadTest {
 protected:
  // Scans the whole range (marking from 1 MHz, past the local oscillator's line at 0 Hz).
  std::unique_ptr<SilentList> Scan() {
    auto list = std::make_unique<SilentList>();
    auto* thread = new SilentScanThread();
    thread->Buffer = Give(thread, scan);
    thread->Start = 1e6;
    thread->List = list.get();
    EXPECT_TRUE(RunToEnd(thread));
    return list;
  }

  struct Check {
    bool centred = false;
    double centredFrequency = 0.0;
    float levelDemod = 0, levelMicro = 0, result = 0;
    int runMarks = 0, centreMarks = 0;  // channel 3 of the look: 10s along each run, 255 at its centre
  };
  // One check of a candidate: record, then analyse.
  Check CheckCandidate(double frequency) {
    Check check;
    auto demod = std::make_shared<std::vector<float>>(12800, 0.0f);
    auto micro = std::make_shared<std::vector<float>>(12800, 0.0f);
    auto look = std::make_shared<DigitalBuffer>(400);
    auto* record = new SilentRecordThread();
    record->Frequency = frequency;
    record->Buffer = Give(record, look);
    record->Ad0Output = Give(record, demod)->data();
    record->Ad1Output = Give(record, micro)->data();
    ThreadSlot slot;
    EXPECT_TRUE(RunToEnd(slot, record, [&](SilentRecordThread* t) {
      check.centred = t->Centred;
      check.centredFrequency = t->CentredFrequency;
    }));
    for (unsigned i = 0; i < look->Count; ++i) {
      check.runMarks += look->Get(3, i) == 10.0f;
      check.centreMarks += look->Get(3, i) == 255.0f;
    }
    auto* analyser = new SilentAnalyzerThread();
    analyser->Input1 = Give(analyser, demod)->data();
    analyser->Input2 = Give(analyser, micro)->data();
    EXPECT_TRUE(RunToEnd(slot, analyser, [&](SilentAnalyzerThread* t) {
      check.levelDemod = t->Level1;
      check.levelMicro = t->Level2;
      check.result = t->Result;
    }));
    return check;
  }

  std::shared_ptr<DigitalBuffer> scan = std::make_shared<DigitalBuffer>(15000);
};

TEST_F(SilentThreadTest, ScanListsTheDefaultEmittersStrongestFirst) {
  const std::unique_ptr<SilentList> list = Scan();
  ASSERT_GT(list->Count(), 0);
  const std::vector<usb2sim::Emitter> emitters = usb2sim::GetEmitters();
  std::vector<bool> found(emitters.size(), false);
  for (int i = 0; i < list->Count(); ++i) {
    const SilentListItem* item = list->Get(i);
    if (i > 0) {
      EXPECT_LE(item->Level, list->Get(i - 1)->Level);
    }
    // Every candidate is one of the emitters (within half its width and one bin).
    bool known = false;
    for (size_t e = 0; e < emitters.size(); ++e) {
      const double reach = emitters[e].spec.bandwidthHz / 2 + 2e6;
      if (std::fabs(item->Frequency - emitters[e].spec.frequencyHz) <= reach) {
        known = true;
        found[e] = true;
      }
    }
    EXPECT_TRUE(known) << item->Frequency;
  }
  for (size_t e = 0; e < emitters.size(); ++e) EXPECT_TRUE(found[e]) << emitters[e].spec.frequencyHz;
  // The scan leaves the receiver set up for the checks: AD channel 0, narrow IF filter.
  EXPECT_EQ(usb2sim::GetState().ifPortSweep, 2);
  EXPECT_EQ(LinkUp.load(), 1);
}

TEST_F(SilentThreadTest, ScanFillsTheLevelThresholdAndMarkChannels) {
  Scan();
  const unsigned bug = 434;  // 433.92 MHz
  EXPECT_GT(scan->Get(0, bug), scan->Get(1, bug));
  EXPECT_EQ(scan->Get(2, bug), 50.0f);
  EXPECT_EQ(scan->Get(2, 3000), 0.0f);
  EXPECT_NEAR(scan->Get(0, 3000), 68.0f, 10.0f);  // the noise floor
}

// The room bug relays the room: its audio matches the microphone. A tone transmitter's does not.
// The tone lies at 2.5 kHz, clear of the room melody (300-900 Hz): the short spectra compare peak
// positions, and a tone inside the melody's band (the default scene's 1 kHz) scores about 400.
class SilentAnalysisTest : public SilentThreadTest {
 protected:
  std::string Scenario() const override {
    return "[emitter0]\nfrequency_mhz=433.92\nlevel_dbm=-45\necho=1\n"
           "[emitter1]\nfrequency_mhz=868.3\nlevel_dbm=-50\ntone_hz=2500\n";
  }
};

TEST_F(SilentAnalysisTest, TellsTheRoomBugFromTheToneTransmitter) {
  struct Case {
    double frequency;
    bool match;
  };
  Scan();  // sets the receiver up as a search does
  for (const Case& c : {Case{433.92e6, true}, Case{868.3e6, false}}) {
    const Check check = CheckCandidate(c.frequency);
    EXPECT_TRUE(check.centred) << c.frequency;
    EXPECT_NEAR(check.centredFrequency, c.frequency, 25e3) << c.frequency;
    EXPECT_GE(check.centreMarks, 1) << c.frequency;
    EXPECT_GE(check.runMarks, 2) << c.frequency;  // the carrier's run is shown whole
    EXPECT_GE(check.levelMicro, 1700.0f) << c.frequency;  // measurable
    EXPECT_GT(check.levelDemod, 1000.0f) << c.frequency;
    EXPECT_EQ(check.result < 500.0f, c.match) << c.frequency << ": " << check.result;
  }
  EXPECT_EQ(LinkUp.load(), 1);
}

TEST_F(SilentThreadTest, RecordOfAnEmptyChannelIsNotCentredAndResetsTheTuners) {
  Scan();
  CheckCandidate(433.92e6 + 60e3);  // centres the tuners away from the IF
  const Check check = CheckCandidate(3000e6);
  EXPECT_FALSE(check.centred);
  EXPECT_DOUBLE_EQ(check.centredFrequency, 3000e6);
  const auto state = usb2sim::GetState();
  EXPECT_NEAR(state.dds[4].frequencyHz, 27.3e6, 1.0);
  EXPECT_NEAR(state.dds[5].frequencyHz, 27.3e6, 1.0);
}

}  // namespace
