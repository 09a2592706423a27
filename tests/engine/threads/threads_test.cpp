#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

#include "engine/Threads.h"
#include "base/Log.h"
#include "platform/vcl/TestHooks.h"
#include "platform/rtl/SyncObjs.h"
#include "base/Globals.h"
#include "tests/support/Pump.h"

namespace {

// Runs the GUI thread's queued calls until done() holds; a wait that runs out fails the test.
template <typename Done>
void PumpUntil(Done done) {
  EXPECT_TRUE(testpump::PumpUntil(testpump::Loop::Queue, done));
}

// How a fake measurement thread behaves.
enum class Behaviour {
  OneJob,       // does its job and ends by itself
  DeviceFails,  // its first device operation fails
  RunsUntilStopped,
  IgnoresStop,   // blocks until released, deaf to the stop request
  ReturnsEarly,  // leaves Execute without setting the event (missing parameters)
};

std::ostream& operator<<(std::ostream& os, Behaviour b) {
  const char* names[] = {"OneJob", "DeviceFails", "RunsUntilStopped", "IgnoresStop", "ReturnsEarly"};
  return os << names[static_cast<int>(b)];
}

std::atomic<int> LiveThreads{0};

class FakeThread : public IOThreadBase {
 public:
  FakeThread(Behaviour behaviour, std::shared_ptr<std::atomic<int>> buffer, TEvent* release)
      : behaviour_(behaviour), buffer_(buffer.get()), release_(release) {
    Hold(std::move(buffer));
    ++LiveThreads;
  }
  ~FakeThread() override {
    Terminate();
    WaitFor();
    --LiveThreads;
  }
  std::atomic<bool> running{false};

 protected:
  void Execute() override {
    running = true;
    switch (behaviour_) {
      case Behaviour::OneJob:
        Locked([&] { buffer_->store(1); });
        break;
      case Behaviour::DeviceFails:
        if (!DeviceStep("FakeThread-1", [] { return false; })) return;
        buffer_->store(-1);  // never reached: nothing is written after a failure
        break;
      case Behaviour::RunsUntilStopped:
        while (!Terminated()) {
          if (!DeviceStep("FakeThread-2", [&] { return ++*buffer_ > 0; })) return;
          std::this_thread::yield();
        }
        break;
      case Behaviour::IgnoresStop:
        release_->WaitFor();
        buffer_->store(7);  // writes after the frame gave up waiting
        break;
      case Behaviour::ReturnsEarly:
        return;
    }
    SignalFinished();
  }

 private:
  Behaviour behaviour_;
  std::atomic<int>* buffer_;
  TEvent* release_;
};

struct Case {
  Behaviour behaviour;
  bool stopByFrame;  // the frame stops it (Leave) instead of waiting for its end
  bool expectLinkDown;
  bool expectFollowUp;    // the frame's follow-up ran with the thread as sender
  bool expectStopInTime;  // Stop returned true
};

std::ostream& operator<<(std::ostream& os, const Case& c) {
  return os << c.behaviour << (c.stopByFrame ? "_Stopped" : "_EndsItself");
}

class ThreadProtocolTest : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    LinkUp = 1;
    HardwareLock = new TCriticalSection();
  }
  void TearDown() override {
    release.SetEvent();
    JoinOrphanedThreads();
    PumpUntil([] { return LiveThreads.load() == 0; });
    delete HardwareLock;
    HardwareLock = nullptr;
  }
  TEvent release{true, false};
};

TEST_P(ThreadProtocolTest, FollowsTheStartAndStopProtocol) {
  const Case& c = GetParam();
  auto buffer = std::make_shared<std::atomic<int>>(0);
  std::weak_ptr<std::atomic<int>> bufferAlive = buffer;
  bool followUp = false;
  {
    ThreadSlot slot;
    slot.StopTimeoutMs = 300;
    auto* thread = new FakeThread(c.behaviour, buffer, &release);
    buffer.reset();  // the frame frees its buffer whenever it likes; the thread holds it
    slot.Start(thread, [&](IOThreadBase* sender) { followUp = sender == thread; });
    ASSERT_TRUE(slot.Running());
    PumpUntil([&] { return thread->running.load(); });
    if (c.stopByFrame) {
      EXPECT_EQ(slot.Stop(), c.expectStopInTime);
      EXPECT_FALSE(slot.Running());
    } else {
      PumpUntil([&] { return !slot.Running(); });
    }
    // A later stop finds nothing to do, and a pending handler no longer fires.
    EXPECT_TRUE(slot.Stop());
  }
  for (int i = 0; i < 50; ++i) CheckSynchronize();
  EXPECT_EQ(LinkUp.load(), c.expectLinkDown ? 0 : 1);
  EXPECT_EQ(followUp, c.expectFollowUp);
  if (!c.expectStopInTime) {
    // The thread that would not stop is kept, with its buffer, until it really ends.
    EXPECT_EQ(OrphanedThreadCount(), 1);
    EXPECT_FALSE(bufferAlive.expired());
    release.SetEvent();
    PumpUntil([] {
      ReapOrphanedThreads();
      return OrphanedThreadCount() == 0;
    });
  }
  PumpUntil([] { return LiveThreads.load() == 0; });
  EXPECT_TRUE(bufferAlive.expired());
}

INSTANTIATE_TEST_SUITE_P(Threads, ThreadProtocolTest,
                         ::testing::Values(Case{Behaviour::OneJob, false, false, true, true},
                                           Case{Behaviour::DeviceFails, false, true, true, true},
                                           Case{Behaviour::RunsUntilStopped, true, false, false, true},
                                           Case{Behaviour::IgnoresStop, true, false, false, false},
                                           Case{Behaviour::ReturnsEarly, false, false, true, true},
                                           Case{Behaviour::ReturnsEarly, true, false, false, true}),
                         [](const auto& info) {
                           std::ostringstream os;
                           os << info.param;
                           return os.str();
                         });

// A device failure just before the frame stops the thread: the pending handler must not fire, and
// the stop path itself clears LinkUp.
TEST(ThreadProtocol, FailureJustBeforeStopIsSeenByTheStopPath) {
  LinkUp = 1;
  TEvent unused;
  auto buffer = std::make_shared<std::atomic<int>>(0);
  bool followUp = false;
  ThreadSlot slot;
  auto* thread = new FakeThread(Behaviour::DeviceFails, buffer, &unused);
  slot.Start(thread, [&](IOThreadBase*) { followUp = true; });
  while (!thread->Finished()) std::this_thread::yield();  // ended; its handler is still queued
  EXPECT_TRUE(slot.Stop());
  EXPECT_EQ(LinkUp.load(), 0);
  PumpUntil([] { return LiveThreads.load() == 0; });
  EXPECT_FALSE(followUp);
  EXPECT_EQ(buffer->load(), 0);
  LinkUp = 1;
}

// Posted changes: the last value wins and a take lowers the flag.
TEST(PostedValue, LastPostWinsAndTakeLowersTheFlag) {
  Posted<double> frequency;
  double value = 0;
  EXPECT_FALSE(frequency.Take(value));
  frequency.Post(868.3e6);
  frequency.Post(433.92e6);
  EXPECT_TRUE(frequency.Pending());
  EXPECT_TRUE(frequency.Take(value));
  EXPECT_DOUBLE_EQ(value, 433.92e6);
  EXPECT_FALSE(frequency.Take(value));
  EXPECT_DOUBLE_EQ(frequency.Last(), 433.92e6);
}

// Starting a new thread in a slot stops the one that runs there first.
TEST(ThreadProtocol, StartStopsTheRunningThreadFirst) {
  LinkUp = 1;
  TEvent unused;
  ThreadSlot slot;
  auto first = new FakeThread(Behaviour::RunsUntilStopped, std::make_shared<std::atomic<int>>(0), &unused);
  slot.Start(first);
  auto second = new FakeThread(Behaviour::RunsUntilStopped, std::make_shared<std::atomic<int>>(0), &unused);
  slot.Start(second);
  EXPECT_EQ(slot.Thread(), second);
  EXPECT_TRUE(slot.Stop());
  PumpUntil([] { return LiveThreads.load() == 0; });
  EXPECT_EQ(LinkUp.load(), 1);
}

// A thread in a long pause (the fast-detect centring shows each stage for a while) ends at once when
// its frame stops it.
class PausingThread : public IOThreadBase {
 public:
  std::atomic<bool> pausing{false};

 protected:
  void Execute() override {
    pausing = true;
    if (SleepUnlessTerminated(600000)) return;  // a pause that ran its full time: no event
    SignalFinished();
  }
};

TEST(ThreadProtocol, AStopEndsAPauseAtOnce) {
  LinkUp = 1;
  ThreadSlot slot;
  slot.StopTimeoutMs = 600000;
  auto* thread = new PausingThread();
  slot.Start(thread);
  while (!thread->pausing.load()) std::this_thread::yield();
  EXPECT_TRUE(slot.Stop());  // with a wait of ten minutes, true only when the pause ended early
  EXPECT_EQ(OrphanedThreadCount(), 0);
  CheckSynchronize();  // the thread frees itself
}

// ---- Fatal errors ----

// A thread whose Execute begins with the start check.
class StartCheckingThread : public IOThreadBase {
 protected:
  void Execute() override {
    CheckStart();
    SignalFinished();
  }
};

// Started without its finished event (and, in the second case, without its terminate handler): the
// operator sees the box, then the process ends with a code that is not success.
TEST(ThreadFatalErrorDeathTest, CheckStartWithoutAnEventShowsTheBoxAndEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const bool withEvent : {false, true}) {
    EXPECT_EXIT(
        {
          TEvent event;
          auto* thread = new StartCheckingThread();
          if (withEvent) thread->FinishedEvent = &event;  // but no terminate handler
          thread->Resume();
          // The GUI thread's loop: the box is handed to it.
          testpump::PumpFor(testpump::Loop::Queue, std::chrono::seconds(60));
          std::exit(0);
        },
        ::testing::ExitedWithCode(FatalExitCode),
        "\\[Schwerer Fehler in Thread\\] Event oder OnTerminate = NULL")
        << (withEvent ? "event but no handler" : "no event");
  }
}

// From a worker the box is shown by the GUI thread, and the worker goes on only once it is closed.
TEST(ThreadFatalErrorBox, IsHandedToTheGuiThreadAndWaitedFor) {
  VclTest::ClearShownBoxes();
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    ShowFatalErrorBox("Messfehler");
    returned = true;
  });
  // Without the GUI thread's loop no box appears and the worker waits.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(VclTest::ShownBoxes().empty());
  EXPECT_FALSE(returned.load());
  PumpUntil([&] { return returned.load(); });
  worker.join();
  const auto boxes = VclTest::ShownBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Schwerer Fehler in Thread");
  EXPECT_EQ(boxes[0].text, "Messfehler");
}

}  // namespace
