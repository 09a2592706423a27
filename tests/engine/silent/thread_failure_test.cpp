// Every silent, test and fingerprint thread: it stops within one step when its frame stops it, and it
// ends when the instrument vanishes before or while it runs: through ErrorExit (error flag, LinkUp
// cleared), or for the silent threads quietly (finished event only, LinkUp left to the link probe).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <vector>

#include "engine/Buffers.h"
#include "engine/FingerBuffer.h"
#include "engine/FingerThreads.h"
#include "engine/Silentthreads.h"
#include "engine/TestThreads.h"
#include "tests/engine/silent/SimThreads.h"

namespace {

using simthreads::Give;
using simthreads::PumpUntil;

// The frame-owned buffers a thread writes.
struct Buffers {
  std::shared_ptr<DigitalBuffer> scan = std::make_shared<DigitalBuffer>(15000);
  std::shared_ptr<DigitalBuffer> look = std::make_shared<DigitalBuffer>(400);
  std::shared_ptr<std::vector<float>> demod = std::make_shared<std::vector<float>>(12800, 0.0f);
  std::shared_ptr<std::vector<float>> micro = std::make_shared<std::vector<float>>(12800, 0.0f);
  std::vector<std::shared_ptr<NormalBuffer>> traces;
  std::shared_ptr<DigitalBuffer> analog = std::make_shared<DigitalBuffer>(150000);
  std::shared_ptr<DigitalBuffer> digital = std::make_shared<DigitalBuffer>(30000);
  std::shared_ptr<DigitalBuffer> live = std::make_shared<DigitalBuffer>(1000);
  std::shared_ptr<DigitalBuffer> audio = std::make_shared<DigitalBuffer>(256);
  std::shared_ptr<FingerBufferBase> fingerprint = std::make_shared<FingerBufferBase>();
  std::shared_ptr<WaterfallBuffer> waterfall = std::make_shared<WaterfallBuffer>(200, 32);
  Buffers() {
    for (int i = 0; i < 6; ++i) traces.push_back(std::make_shared<NormalBuffer>(i < 5 ? 250 : 512));
  }
};

bool AnyPoint(const DigitalBuffer& b, int channel, unsigned count) {
  for (unsigned i = 0; i < count; ++i)
    if (b.Get(channel, i) != 0.0f) return true;
  return false;
}
bool AnyPoint(const NormalBuffer& b) {
  for (unsigned i = 0; i < b.Count; ++i)
    if (b.GetPoint(i) != 0.0f) return true;
  return false;
}

struct Made {
  IOThreadBase* thread;
  std::function<bool()> working;  // the thread has done its first device step
};

struct FailureCase {
  const char* name;
  bool loops;   // runs until stopped (or over many steps)
  bool device;  // uses the instrument
  bool quiet;   // ends on a failed device step without the error flag
  std::function<Made(Buffers&)> make;
};

std::ostream& operator<<(std::ostream& os, const FailureCase& c) { return os << c.name; }

const FailureCase kCases[] = {
    {"SilentScan", true, true, true,
     [](Buffers& b) {
       auto* t = new SilentScanThread();
       t->Buffer = Give(t, b.scan);
       return Made{t, [&b] { return AnyPoint(*b.scan, 0, 1000); }};
     }},
    {"SilentRecord", false, true, true,
     [](Buffers& b) {
       auto* t = new SilentRecordThread();
       t->Frequency = 433.92e6;
       t->Buffer = Give(t, b.look);
       t->Ad0Output = Give(t, b.demod)->data();
       t->Ad1Output = Give(t, b.micro)->data();
       return Made{t, [&b] { return AnyPoint(*b.look, 0, 400); }};
     }},
    {"SilentAnalyzer", false, false, false,
     [](Buffers& b) {
       auto* t = new SilentAnalyzerThread();
       t->Input1 = Give(t, b.demod)->data();
       t->Input2 = Give(t, b.micro)->data();
       return Made{t, [] { return true; }};
     }},
    {"ADCheck", true, true, false,
     [](Buffers& b) {
       auto* t = new ADCheckThread();
       for (int c = 0; c < 6; ++c) t->Buffers[size_t(c)] = Give(t, b.traces[size_t(c)]);
       return Made{t, [&b] { return AnyPoint(*b.traces[3]); }};
     }},
    {"FilterCheck", true, true, false,
     [](Buffers& b) {
       auto* t = new FilterCheckThreadV2();
       for (int k = 0; k < 5; ++k) t->Buffers[size_t(k)] = Give(t, b.traces[size_t(k)]);
       t->StartFrequency = 1.7e6;
       t->StopFrequency = 19.7e6;
       return Made{t, [&b] { return AnyPoint(*b.traces[0]); }};
     }},
    {"SweepAMode", true, true, false,
     [](Buffers& b) {
       auto* t = new SweepAModeThread();
       t->StartFrequency = 18.3e6;
       t->StopFrequency = 36.3e6;
       t->StepFrequency = 36e3;
       t->Trace = Give(t, b.traces[5]);
       return Made{t, [&b] { return AnyPoint(*b.traces[5]); }};
     }},
    {"FFTTest", true, true, false,
     [](Buffers& b) {
       auto* t = new FFTTestThread(1024);
       t->FFTTrace = Give(t, b.traces[5]);
       return Made{t, [&b] { return AnyPoint(*b.traces[5]); }};
     }},
    {"FingerAnalog", false, true, false,
     [](Buffers& b) {
       auto* t = new FingerAnalogThread();
       t->Trace = Give(t, b.analog);
       t->Segment = 3;
       return Made{t, [] { return true; }};
     }},
    {"FingerDigital", false, true, false,
     [](Buffers& b) {
       auto* t = new FingerDigitalThread();
       t->Trace = Give(t, b.digital);
       t->Segment = 3;
       return Made{t, [] { return true; }};
     }},
    {"FingerScan", true, true, false,
     [](Buffers& b) {
       auto* t = new FingerScanThread(0.0, 15e9);
       t->AnalogTrace = Give(t, b.analog);
       t->DigitalTrace = Give(t, b.digital);
       return Made{t, [&b] { return AnyPoint(*b.analog, 0, 1000); }};
     }},
    {"FingerRealtimeAnalog", true, true, false,
     [](Buffers& b) {
       auto* t = new FingerRealtimeThread(1000e6);
       t->LiveTrace = Give(t, b.live);
       t->AudioTrace = Give(t, b.audio);
       t->Fingerprint = Give(t, b.fingerprint);
       return Made{t, [&b] { return AnyPoint(*b.live, 0, 1000); }};
     }},
    {"FingerRealtimeDigital", true, true, false,
     [](Buffers& b) {
       auto* t = new FingerRealtimeThread(1880e6);
       t->LiveTrace = Give(t, b.live);
       t->Fingerprint = Give(t, b.fingerprint);
       t->Waterfall = Give(t, b.waterfall);
       return Made{t, [&b] { return AnyPoint(*b.live, 0, 200); }};
     }},
};

// Device operations the instrument has carried out that a measurement step consists of.
unsigned DeviceSteps() {
  const usb2sim::State s = usb2sim::GetState();
  return s.sweeps + s.lastPlay.count + s.lastRecord.count;
}

class ThreadFailureTest : public simthreads::SimThreadTest,
                          public ::testing::WithParamInterface<FailureCase> {
 protected:
  // Starts the thread; true when it ended by itself, with its error flag in `failed`.
  bool RunUntilEnd(ThreadSlot& slot, IOThreadBase* thread) {
    return RunToEnd(slot, thread, [this](IOThreadBase* t) { failed = t->ErrorFlag.load() != 0; });
  }
  Buffers buffers;
  bool failed = false;
};

std::vector<FailureCase> CasesWhere(bool (*keep)(const FailureCase&)) {
  std::vector<FailureCase> cases;
  for (const FailureCase& c : kCases)
    if (keep(c)) cases.push_back(c);
  return cases;
}

std::string CaseName(const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; }

using DeviceThreadTest = ThreadFailureTest;
using LoopingDeviceThreadTest = ThreadFailureTest;

TEST_P(DeviceThreadTest, EndsWhenTheInstrumentIsGoneAtTheStart) {
  usb2sim::UnplugNow();
  ThreadSlot slot;
  ASSERT_TRUE(RunUntilEnd(slot, GetParam().make(buffers).thread));
  EXPECT_EQ(failed, !GetParam().quiet);
  EXPECT_EQ(LinkUp.load(), GetParam().quiet ? 1 : 0);
  EXPECT_EQ(slot.Event().WaitFor(0), wrSignaled) << "the finished event is set either way";
}

TEST_P(LoopingDeviceThreadTest, EndsWhenTheInstrumentVanishesWhileItRuns) {
  ThreadSlot slot;
  const Made made = GetParam().make(buffers);
  bool ended = false;
  slot.Start(made.thread, [&](IOThreadBase* t) {
    failed = t->ErrorFlag.load() != 0;
    ended = true;
  });
  ASSERT_TRUE(PumpUntil(made.working));
  usb2sim::UnplugNow();
  ASSERT_TRUE(PumpUntil([&] { return ended; }));
  EXPECT_EQ(failed, !GetParam().quiet);
  EXPECT_EQ(LinkUp.load(), GetParam().quiet ? 1 : 0);
}

TEST_P(ThreadFailureTest, StopsWithinOneStep) {
  ThreadSlot slot;
  slot.StopTimeoutMs = 60000;
  const Made made = GetParam().make(buffers);
  slot.Start(made.thread);
  if (GetParam().loops) {
    ASSERT_TRUE(PumpUntil(made.working));
  }
  // The request is raised before counting, so a GUI thread that is slow to reach Stop does not
  // count the steps the worker rightly made before it was asked to stop.
  made.thread->Terminate();
  const unsigned before = DeviceSteps();
  EXPECT_TRUE(slot.Stop());
  EXPECT_LE(DeviceSteps() - before, 2u);
  EXPECT_FALSE(slot.Running());
  EXPECT_EQ(OrphanedThreadCount(), 0);
  EXPECT_EQ(LinkUp.load(), 1);
}

INSTANTIATE_TEST_SUITE_P(Threads, ThreadFailureTest, ::testing::ValuesIn(kCases), CaseName);
INSTANTIATE_TEST_SUITE_P(Threads, DeviceThreadTest,
                         ::testing::ValuesIn(CasesWhere([](const FailureCase& c) { return c.device; })),
                         CaseName);
INSTANTIATE_TEST_SUITE_P(
    Threads, LoopingDeviceThreadTest,
    ::testing::ValuesIn(CasesWhere([](const FailureCase& c) { return c.device && c.loops; })), CaseName);

}  // namespace
