#include <gtest/gtest.h>

#include <atomic>
#include <ostream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/rtl/Classes.h"
#include "platform/rtl/SyncObjs.h"

namespace {

// Runs the main thread's queued calls until done() holds (the test's stand-in for the GUI loop).
template <typename Done>
void PumpUntil(Done done) {
  while (!done()) {
    CheckSynchronize();
    std::this_thread::yield();
  }
}

// A measurement-thread-like worker: runs until told to stop (or at once when oneShot), then records
// an error flag and signals the owner's finished event, as the system's threads do.
class Worker : public TThread {
 public:
  enum class Ending { Normally, WithStdException, WithOtherException };

  Worker(std::atomic<int>* alive, Ending ending = Ending::Normally) : alive_(alive), ending_(ending) {
    ++*alive_;
    FreeOnTerminate = true;
  }
  ~Worker() override {
    Terminate();  // Execute uses this class's members: it must be over before they go
    WaitFor();
    --*alive_;
  }

  TEvent* FinishedEvent = nullptr;
  TEvent* Go = nullptr;  // Execute waits for it first when set
  bool RunUntilTerminated = false;
  std::atomic<uint8_t> ErrorFlag{0};
  std::atomic<int> Runs{0};

 protected:
  void Execute() override {
    ++Runs;
    if (Go) Go->WaitFor();
    while (RunUntilTerminated && !Terminated()) std::this_thread::yield();
    if (ending_ == Ending::WithStdException) throw std::runtime_error("device gone");
    if (ending_ == Ending::WithOtherException) throw 42;
    ErrorFlag = 1;
    if (FinishedEvent) FinishedEvent->SetEvent();
  }

 private:
  std::atomic<int>* alive_;
  Ending ending_;
};

std::ostream& operator<<(std::ostream& os, Worker::Ending ending) {
  return os << (ending == Worker::Ending::WithStdException ? "std::exception" : "other exception");
}

struct HandlerLog {
  int calls = 0;
  TObject* sender = nullptr;
  std::thread::id threadId;
  TNotifyEvent Handler() {
    return [this](TObject* s) {
      ++calls;
      sender = s;
      threadId = std::this_thread::get_id();
    };
  }
};

TEST(TThreadTest, CreatedSuspendedAndNeverRunWithoutResume) {
  std::atomic<int> alive{0};
  Worker* worker = new Worker(&alive);
  EXPECT_TRUE(worker->Suspended());
  EXPECT_FALSE(worker->Finished());
  delete worker;  // never started: nothing to wait for
  EXPECT_EQ(alive, 0);
}

class Idle : public TThread {
 public:
  explicit Idle(bool createSuspended) : TThread(createSuspended) {}

 protected:
  void Execute() override {}
};

TEST(TThreadTest, CannotStartBeforeTheDerivedObjectIsComplete) {
  EXPECT_THROW(Idle(false), Exception);
  Idle idle(true);
  EXPECT_TRUE(idle.Suspended());
}

TEST(TThreadTest, HandlerRunsOnMainThreadWithSenderThenObjectIsFreed) {
  std::atomic<int> alive{0};
  HandlerLog log;
  Worker* worker = new Worker(&alive);
  worker->OnTerminate = log.Handler();
  worker->Resume();
  worker->Resume();  // starts once only
  EXPECT_FALSE(worker->Suspended());
  worker->WaitFor();
  EXPECT_EQ(worker->Runs, 1);
  EXPECT_EQ(log.calls, 0);  // only the main thread's pump runs it
  EXPECT_EQ(alive, 1);      // and the object lives until then
  PumpUntil([&] { return alive == 0; });
  EXPECT_EQ(log.calls, 1);
  EXPECT_EQ(log.sender, static_cast<TObject*>(worker));
  EXPECT_EQ(log.threadId, std::this_thread::get_id());
}

TEST(TThreadTest, HandlerClearedBeforeTheEndIsNotCalled) {
  std::atomic<int> alive{0};
  HandlerLog log;
  TEvent go(true, false);
  Worker* worker = new Worker(&alive);
  worker->Go = &go;
  worker->OnTerminate = log.Handler();
  worker->Resume();
  worker->OnTerminate = nullptr;
  go.SetEvent();
  PumpUntil([&] { return alive == 0; });
  EXPECT_EQ(log.calls, 0);
}

TEST(TThreadTest, HandlerClearedAfterTheEndButBeforeThePumpIsNotCalled) {
  std::atomic<int> alive{0};
  HandlerLog log;
  Worker* worker = new Worker(&alive);
  worker->OnTerminate = log.Handler();
  worker->Resume();
  worker->WaitFor();
  worker->OnTerminate = nullptr;  // read when the queued call runs, not when the thread ended
  PumpUntil([&] { return alive == 0; });
  EXPECT_EQ(log.calls, 0);
}

// The stop path of a frame: clear the handler, request termination, wait on the finished event
// without pumping, then read the thread's error flag. The object must still be there for that read.
TEST(TThreadTest, StopPathReadsErrorFlagAfterWaitingOnItsEvent) {
  std::atomic<int> alive{0};
  HandlerLog log;
  TEvent finished(false, false);  // auto-reset, as the frames make it
  Worker* worker = new Worker(&alive);
  worker->RunUntilTerminated = true;
  worker->FinishedEvent = &finished;
  worker->OnTerminate = log.Handler();
  worker->Resume();

  worker->OnTerminate = nullptr;
  worker->Terminate();
  EXPECT_EQ(finished.WaitFor(15000), wrSignaled);
  worker->WaitFor();                // even after Execute has fully returned...
  EXPECT_EQ(worker->ErrorFlag, 1);  // ...the object is valid until the main thread pumps
  EXPECT_EQ(alive, 1);
  EXPECT_EQ(finished.WaitFor(0), wrTimeout);  // the wait consumed the signal

  PumpUntil([&] { return alive == 0; });
  EXPECT_EQ(log.calls, 0);
}

class ExceptionEnding : public testing::TestWithParam<Worker::Ending> {};

TEST_P(ExceptionEnding, EndsOnlyTheThreadAndTheHandlerStillRuns) {
  std::atomic<int> alive{0};
  HandlerLog log;
  TEvent finished(false, false);
  Worker* worker = new Worker(&alive, GetParam());
  worker->FinishedEvent = &finished;
  worker->OnTerminate = log.Handler();
  worker->Resume();
  worker->WaitFor();
  EXPECT_TRUE(worker->Finished());
  EXPECT_EQ(worker->ErrorFlag, 0);  // the exception left Execute before the flag and the event
  EXPECT_EQ(finished.WaitFor(0), wrTimeout);
  PumpUntil([&] { return alive == 0; });
  EXPECT_EQ(log.calls, 1);
}

INSTANTIATE_TEST_SUITE_P(Exceptions, ExceptionEnding,
                         testing::Values(Worker::Ending::WithStdException,
                                         Worker::Ending::WithOtherException));

TEST(TThreadTest, OwnerMayDeleteAThreadWhoseFinishIsStillQueued) {
  std::atomic<int> alive{0};
  HandlerLog log;
  Worker* worker = new Worker(&alive);
  worker->FreeOnTerminate = false;
  worker->OnTerminate = log.Handler();
  worker->Resume();
  worker->WaitFor();
  delete worker;  // its queued "finished" call goes with it
  EXPECT_EQ(alive, 0);
  CheckSynchronize();
  EXPECT_EQ(log.calls, 0);
}

TEST(TThreadTest, HandlerMayDeleteItsSender) {
  std::atomic<int> alive{0};
  Worker* worker = new Worker(&alive);
  worker->FreeOnTerminate = false;
  worker->OnTerminate = [](TObject* sender) { delete sender; };
  worker->Resume();
  PumpUntil([&] { return alive == 0; });
}

TEST(TThreadTest, DeletingARunningThreadStopsAndJoinsIt) {
  std::atomic<int> alive{0};
  Worker* worker = new Worker(&alive);
  worker->FreeOnTerminate = false;
  worker->RunUntilTerminated = true;
  worker->Resume();
  PumpUntil([&] { return worker->Runs == 1; });
  delete worker;
  EXPECT_EQ(alive, 0);
  CheckSynchronize();
}

// Posted changes: Suspend/Resume around a write must never freeze the running thread.
class Poster : public TThread {
 public:
  Poster() : TThread(true) {}
  std::atomic<int> Frequency{0};
  std::atomic<bool> FrequencyChanged{false};
  std::atomic<int> Applied{0};

 protected:
  void Execute() override {
    while (!Terminated()) {
      if (FrequencyChanged.exchange(false)) Applied = Frequency.load();
      std::this_thread::yield();
    }
  }
};

TEST(TThreadTest, SuspendOfARunningThreadDoesNotFreezeIt) {
  Poster poster;
  poster.Resume();
  poster.Suspend();
  EXPECT_TRUE(poster.Suspended());
  poster.Frequency = 433;
  poster.FrequencyChanged = true;
  PumpUntil([&] { return poster.Applied == 433; });  // applied while "suspended"
  poster.Resume();
  EXPECT_FALSE(poster.Suspended());
  poster.Terminate();
  poster.WaitFor();
}

// ---- The main thread's call queue ----

TEST(MainThreadQueueTest, RunsInOrderOnlyOnTheMainThread) {
  EXPECT_TRUE(IsMainThread());
  std::vector<int> order;
  bool workerRan = true;
  bool workerIsMain = true;
  std::thread([&] {
    workerIsMain = IsMainThread();
    for (int i = 0; i < 3; ++i) QueueToMainThread([&order, i] { order.push_back(i); });
    workerRan = CheckSynchronize();  // a worker's pump does nothing
  }).join();
  EXPECT_FALSE(workerIsMain);
  EXPECT_FALSE(workerRan);
  EXPECT_TRUE(order.empty());
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  EXPECT_FALSE(CheckSynchronize());
}

TEST(MainThreadQueueTest, QueuedCallsCanBeWithdrawnByKey) {
  int a = 0, b = 0;
  QueueToMainThread([&] { ++a; }, &a);
  QueueToMainThread([&] { ++b; }, &b);
  QueueToMainThread([&] { ++a; }, &a);
  RemoveQueuedCalls(&a);
  CheckSynchronize();
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 1);
}

TEST(MainThreadQueueTest, NestedPumpRunsEachCallOnceAndLaterCallsWaitForTheNextPass) {
  std::vector<std::string> order;
  QueueToMainThread([&] {
    order.push_back("outer");
    QueueToMainThread([&] { order.push_back("queued during the pass"); });
    CheckSynchronize();  // a handler that lets messages run
  });
  QueueToMainThread([&] { order.push_back("second"); });
  CheckSynchronize();
  EXPECT_EQ(order, (std::vector<std::string>{"outer", "second", "queued during the pass"}));
  CheckSynchronize();
  EXPECT_EQ(order.size(), 3u);
}

TEST(MainThreadQueueTest, WakeupIsCalledForEveryQueuedCall) {
  std::atomic<int> wakeups{0};
  SetMainThreadWakeup([&] { ++wakeups; });
  std::thread([] {
    QueueToMainThread([] {});
    QueueToMainThread([] {});
  }).join();
  SetMainThreadWakeup(nullptr);
  QueueToMainThread([] {});
  EXPECT_EQ(wakeups, 2);
  CheckSynchronize();
}

}  // namespace
