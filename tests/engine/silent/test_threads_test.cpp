// The service check threads against the simulated instrument: each fills its traces with the
// instrument's readings.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/Buffers.h"
#include "engine/TestThreads.h"
#include "tests/engine/silent/SimThreads.h"

namespace {

using simthreads::Give;
using simthreads::PumpUntil;
using simthreads::SimThreadTest;

std::shared_ptr<NormalBuffer> Trace(int count) { return std::make_shared<NormalBuffer>(count); }

// Index of the (first) highest point from index `from` on.
int PeakIndex(const NormalBuffer& trace, unsigned from = 0) {
  int best = int(from);
  for (unsigned i = from + 1; i < trace.Count; ++i)
    if (trace.GetPoint(i) > trace.GetPoint(unsigned(best))) best = int(i);
  return best;
}

bool Filled(const NormalBuffer& trace) {
  for (unsigned i = 0; i < trace.Count; ++i)
    if (trace.GetPoint(i) == 0.0f) return false;
  return true;
}

// The points above half-way between the lowest and the highest level: their count and middle.
struct Band {
  int width = 0;
  int middle = 0;
};
Band PassBand(const NormalBuffer& trace) {
  float lo = 255, hi = 0;
  for (unsigned i = 0; i < trace.Count; ++i) {
    lo = std::min(lo, trace.GetPoint(i));
    hi = std::max(hi, trace.GetPoint(i));
  }
  Band band;
  int first = -1, last = -1;
  for (unsigned i = 0; i < trace.Count; ++i) {
    if (trace.GetPoint(i) <= (lo + hi) / 2) continue;
    ++band.width;
    if (first < 0) first = int(i);
    last = int(i);
  }
  band.middle = (first + last) / 2;
  return band;
}

class ADCheckTest : public SimThreadTest {
 protected:
  std::string Scenario() const override {
    return "[battery]\nlevel=190\n[probe]\nlevel=77\n[controls]\nad5=99\n";
  }
};

TEST_F(ADCheckTest, ReadsTheChannelsThatHaveABuffer) {
  std::vector<std::shared_ptr<NormalBuffer>> traces(6);
  auto* thread = new ADCheckThread();
  for (int c : {0, 3, 4, 5}) {
    traces[size_t(c)] = Trace(250);
    thread->Buffers[size_t(c)] = Give(thread, traces[size_t(c)]);
  }
  const usb2sim::State before = usb2sim::GetState();
  ThreadSlot slot;
  slot.Start(thread);
  ASSERT_TRUE(PumpUntil([&] { return Filled(*traces[5]); }));
  EXPECT_TRUE(slot.Stop());
  // Only the channels with a buffer were selected; channels 1 and 2 never were.
  const usb2sim::State after = usb2sim::GetState();
  for (int c : {0, 3, 4, 5}) EXPECT_GT(after.adSelections[size_t(c)], before.adSelections[size_t(c)]) << c;
  for (int c : {1, 2, 6}) EXPECT_EQ(after.adSelections[size_t(c)], before.adSelections[size_t(c)]) << c;
  for (unsigned j = 0; j < 250; ++j) {
    EXPECT_EQ(traces[3]->GetPoint(j), 190.0f);  // battery
    EXPECT_EQ(traces[4]->GetPoint(j), 77.0f);   // hand probe
    EXPECT_EQ(traces[5]->GetPoint(j), 99.0f);
    EXPECT_NEAR(traces[0]->GetPoint(j), 68.0f, 20.0f);  // the detector's noise floor
  }
  EXPECT_EQ(LinkUp.load(), 1);
}

class FilterCheckTest : public SimThreadTest, public ::testing::WithParamInterface<uint8_t> {};

// The filter test generator swept across the IF filter of each setting: a pass band around 10.7 MHz
// that narrows from setting 0 to setting 4, rescaled to 0..254.
TEST_P(FilterCheckTest, ShowsEachFilterSettingsPassBand) {
  std::vector<std::shared_ptr<NormalBuffer>> traces;
  auto* thread = new FilterCheckThreadV2();
  for (int k = 0; k < 5; ++k) {
    traces.push_back(Trace(250));
    thread->Buffers[size_t(k)] = Give(thread, traces.back());
  }
  thread->StartFrequency = 1.7e6;
  thread->StopFrequency = 19.7e6;
  thread->Module = GetParam();
  ThreadSlot slot;
  slot.Start(thread);
  ASSERT_TRUE(PumpUntil([&] { return Filled(*traces[4]); }));
  EXPECT_TRUE(slot.Stop());
  const int centre = int((10.7e6 - 1.7e6) / 72e3);  // 72 kHz steps
  int previousWidth = 250;
  for (int k = 0; k < 5; ++k) {
    const NormalBuffer& t = *traces[size_t(k)];
    const Band band = PassBand(t);
    EXPECT_NEAR(band.middle, centre, 2) << k;
    EXPECT_GE(t.GetPoint(unsigned(PeakIndex(t))), 200.0f) << k;
    EXPECT_LE(t.GetPoint(0), 20.0f) << k;
    for (unsigned i = 0; i < t.Count; ++i) EXPECT_LE(t.GetPoint(i), 254.0f);
    EXPECT_LE(band.width, previousWidth) << k;
    previousWidth = band.width;
  }
  EXPECT_GT(PassBand(*traces[0]).width, 100);
  EXPECT_LT(PassBand(*traces[2]).width, 10);
  EXPECT_EQ(LinkUp.load(), 1);
}

INSTANTIATE_TEST_SUITE_P(Modules, FilterCheckTest, ::testing::Values(uint8_t(0), uint8_t(1)));

TEST(AModeLayout, PointsBlocksAndLastBlock) {
  struct Case {
    double start, stop, step;
    int points, blocks, last;
  };
  const Case cases[] = {{18.3e6, 36.3e6, 36e3, 500, 2, 0},
                        {22.3e6, 32.3e6, 20e3, 500, 2, 0},
                        {0, 1.2e6, 1e3, 1200, 3, 200},
                        {10e6, 10e6, 1e3, 0, 0, 0},
                        {0, 1e6, 0, 0, 0, 0},
                        {0, 1e6, 1e6, 0, 0, 0}};
  for (const Case& c : cases) {
    const AModeLayout l = LayoutAModeSweep(c.start, c.stop, c.step);
    EXPECT_EQ(l.Points, c.points) << c.start << " " << c.stop << " " << c.step;
    EXPECT_EQ(l.Blocks, c.blocks);
    EXPECT_EQ(l.Last, c.last);
  }
}

// A carrier 2 MHz below the tuned frequency shows at 29.3 MHz on the IF tuner.
TEST_F(SimThreadTest, AModeSweepShowsTheCarrierAndFollowsAPostedSpanAndStep) {
  ASSERT_TRUE(io->InitMeasureMode() && io->SetIFBandwidth(2) && io->SetFrequency(435.92e6));
  auto trace = Trace(500);
  auto* thread = new SweepAModeThread();
  thread->StartFrequency = 18.3e6;
  thread->StopFrequency = 36.3e6;
  thread->StepFrequency = 36e3;
  thread->Trace = Give(thread, trace);
  ThreadSlot slot;
  slot.Start(thread);
  const int first = int((29.3e6 - 18.3e6) / 36e3);
  ASSERT_TRUE(PumpUntil([&] { return std::abs(PeakIndex(*trace) - first) <= 3; }));
  thread->Change.Post(AModeRange{10e6, 20e3});
  const int second = int((29.3e6 - 22.3e6) / 20e3);
  ASSERT_TRUE(PumpUntil([&] { return std::abs(PeakIndex(*trace) - second) <= 3; }));
  EXPECT_FLOAT_EQ(trace->Start.load(), 22.3e6f);
  EXPECT_FLOAT_EQ(trace->Stop.load(), 32.3e6f);
  EXPECT_FLOAT_EQ(trace->LevelMax.load(), 255.0f);
  // The default span of 108 MHz reaches below 0 Hz: the range stops at 0 and stays centred.
  thread->Change.Post(AModeRange{});
  ASSERT_TRUE(PumpUntil([&] { return trace->Start.load() == 0.0f; }));
  EXPECT_FLOAT_EQ(trace->Stop.load(), 54.6e6f);
  EXPECT_TRUE(slot.Stop());
  EXPECT_EQ(LinkUp.load(), 1);
}

TEST_F(SimThreadTest, AModeSweepOfAnEmptyRangeEndsAtOnce) {
  auto trace = Trace(500);
  auto* thread = new SweepAModeThread();
  thread->StartFrequency = 30e6;
  thread->StopFrequency = 20e6;
  thread->StepFrequency = 10e3;
  thread->Trace = Give(thread, trace);
  ASSERT_TRUE(RunToEnd(thread));
  EXPECT_EQ(PeakIndex(*trace), 0);
  EXPECT_EQ(trace->GetPoint(0), 0.0f);
}

// The FFT test of play and record: the demodulated audio of the tuned receiver.
TEST_F(SimThreadTest, FFTTestShowsTheToneOfTheTunedTransmitterAndSilenceElsewhere) {
  struct Case {
    double frequency;
    bool tone;
  };
  for (const Case& c : {Case{868.3e6, true}, Case{3000e6, false}}) {
    ASSERT_TRUE(io->InitMeasureMode() && io->SetIFBandwidth(2) && io->SetFrequency(c.frequency));
    auto spectrum = Trace(512);
    auto scope = Trace(1024);
    auto* thread = new FFTTestThread(1024);
    thread->FFTTrace = Give(thread, spectrum);
    thread->TimeTrace = Give(thread, scope);
    ThreadSlot slot;
    slot.Start(thread);
    ASSERT_TRUE(PumpUntil([&] { return Filled(*scope) && spectrum->LevelMax.load() >= 220.0f; }));
    EXPECT_TRUE(slot.Stop());
    EXPECT_FLOAT_EQ(scope->LevelMax.load(), 65536.0f);
    EXPECT_NEAR(scope->GetPoint(100), 32768.0f, c.tone ? 9000.0f : 1000.0f);
    if (c.tone) {
      EXPECT_NEAR(PeakIndex(*spectrum, 15), 1000.0 / 22050.0 * 1024,
                  1.5);  // 1 kHz, past the zero line's bins
      EXPECT_GT(spectrum->LevelMax.load(), 220.0f);
    } else {
      EXPECT_FLOAT_EQ(spectrum->LevelMax.load(), 220.0f);
    }
  }
  EXPECT_EQ(LinkUp.load(), 1);
}

}  // namespace
