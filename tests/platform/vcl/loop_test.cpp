// The message loop: idle handling, ProcessMessages, timers, queued calls from threads, the exception
// box and termination signals.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl/Classes.h"
#include "platform/rtl/SyncObjs.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/TestHooks.h"

namespace {

class LoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application->Initialize();
    Application->OnIdle = nullptr;
    Application->OnMessage = nullptr;
    Application->SetShowMainForm(false);
    VclTest::ClearScriptedAnswers();
    VclTest::ClearShownBoxes();
  }
  void TearDown() override {
    Application->OnIdle = nullptr;
    Application->SetShowMainForm(true);
    VclTest::SetHeadlessDialogsWait(false);
    VclTest::ResetTermination();
  }
};

// Pumps until done() holds; a generous bound turns a hang into a failure.
template <class Pred>
bool PumpUntil(Pred done) {
  for (int i = 0; i < 20000 && !done(); ++i) {
    Application->ProcessMessages();
    if (!done()) Sleep(1);
  }
  return done();
}

TEST_F(LoopTest, PendingCallsRunBeforeIdleAndDoneFalseRepeatsIdleAtOnce) {
  TForm* main = nullptr;
  Application->CreateForm(main);
  std::vector<std::string> log;
  for (int i = 0; i < 3; ++i) QueueToMainThread([&log, i] { log.push_back("queued" + std::to_string(i)); });
  int idle = 0;
  Application->OnIdle = [&](TObject* sender, bool& done) {
    EXPECT_EQ(sender, Application);
    EXPECT_TRUE(done) << "Done is true on entry";
    log.push_back("idle" + std::to_string(++idle));
    if (idle < 4)
      done = false;
    else
      main->Close();
  };
  Application->Run();
  EXPECT_EQ(log,
            (std::vector<std::string>{"queued0", "queued1", "queued2", "idle1", "idle2", "idle3", "idle4"}));
  EXPECT_EQ(Application->MainForm(), nullptr) << "the main form is destroyed when Run ends";
}

TEST_F(LoopTest, DoneTrueWaitsForTheNextEvent) {
  TForm* main = nullptr;
  Application->CreateForm(main);
  TEvent waiting(true, false);
  std::atomic<bool> woken{false};
  std::thread worker;
  int idleWhileWaiting = 0;
  int idle = 0;
  Application->OnIdle = [&](TObject*, bool&) {
    ++idle;
    if (idle == 1) {
      worker = std::thread([&] {
        waiting.WaitFor();
        Sleep(50);  // a loop that does not block would call the idle handler many times meanwhile
        QueueToMainThread([&] { woken = true; });
      });
      waiting.SetEvent();
      return;  // Done stays true
    }
    if (!woken) {
      ++idleWhileWaiting;  // a stray event of the window system may wake the loop, a few times at most
      return;
    }
    main->Close();
  };
  Application->Run();
  worker.join();
  EXPECT_TRUE(woken);
  EXPECT_LE(idleWhileWaiting, 3);
}

TEST_F(LoopTest, ClosingTheMainFormRunsOnCloseEndsRunAndDestroysTheForm) {
  TForm* main = nullptr;
  Application->CreateForm(main);
  std::vector<std::string> log;
  main->OnClose = [&](TObject* sender, TCloseAction& action) {
    EXPECT_EQ(sender, main);
    EXPECT_EQ(action, caHide);
    log.push_back("close");
  };
  main->OnDestroy = [&](TObject*) { log.push_back("destroy"); };
  Application->OnIdle = [&](TObject*, bool&) {
    log.push_back("idle");
    main->Close();
  };
  Application->Run();
  log.push_back("after run");
  EXPECT_EQ(log, (std::vector<std::string>{"idle", "close", "destroy", "after run"}));
}

TEST_F(LoopTest, ProcessMessagesDeliversTimerTicksButNeverCallsIdle) {
  int idle = 0;
  Application->OnIdle = [&](TObject*, bool&) { ++idle; };
  TTimer timer(nullptr);
  timer.SetInterval(1);
  int ticks = 0;
  timer.OnTimer = [&](TObject* sender) {
    EXPECT_EQ(sender, &timer);
    ++ticks;
  };
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }));
  EXPECT_EQ(idle, 0);
}

TEST_F(LoopTest, ProcessMessagesIsReentrant) {
  TTimer timer(nullptr);
  timer.SetInterval(1);
  bool nestedRan = false;
  bool ranInsideHandler = false;
  timer.OnTimer = [&](TObject*) {
    timer.SetEnabled(false);
    QueueToMainThread([&] { nestedRan = true; });
    Application->ProcessMessages();
    ranInsideHandler = nestedRan;
  };
  EXPECT_TRUE(PumpUntil([&] { return !timer.Enabled(); }));
  EXPECT_TRUE(ranInsideHandler);
}

TEST_F(LoopTest, ProcessMessagesOnAWorkerThreadDoesNothing) {
  bool ran = false;
  QueueToMainThread([&] { ran = true; });
  std::thread worker([] { Application->ProcessMessages(); });
  worker.join();
  EXPECT_FALSE(ran) << "a queued GUI call ran outside the GUI thread";
  Application->ProcessMessages();
  EXPECT_TRUE(ran);
}

// A dispatch hold: what is pending (a click that arrived, a call a thread queued, the message hook)
// runs neither in ProcessMessages nor in CheckSynchronize while any hold lasts, and runs from the first
// loop after the last hold is released.
TEST_F(LoopTest, NothingPendingRunsUnderADispatchHoldUntilTheLastHoldIsReleased) {
  TForm form(nullptr);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  form.Show();
  int clicks = 0, hooked = 0;
  bool queued = false;
  panel->OnClick = [&](TObject*) { ++clicks; };
  Application->OnMessage = [&](TMsg&, bool&) { ++hooked; };
  {
    TDispatchHold outer;
    ASSERT_TRUE(VclTest::PostClick(panel));
    std::thread([&] { QueueToMainThread([&] { queued = true; }); }).join();
    {
      TDispatchHold inner;
      EXPECT_TRUE(MainThreadDispatchHeld());
    }
    EXPECT_TRUE(MainThreadDispatchHeld()) << "holds nest";
    for (int i = 0; i < 3; ++i) {
      Application->ProcessMessages();
      EXPECT_FALSE(CheckSynchronize());
    }
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(hooked, 0);
    EXPECT_FALSE(queued);
  }
  EXPECT_FALSE(MainThreadDispatchHeld());
  EXPECT_TRUE(PumpUntil([&] { return clicks == 1 && queued; }));
  EXPECT_GT(hooked, 0);
}

TEST_F(LoopTest, ADispatchHoldOnAWorkerThreadHoldsNothing) {
  TEvent holding(true, false), done(true, false);
  bool heldThere = true;
  std::thread worker([&] {
    TDispatchHold hold;
    heldThere = MainThreadDispatchHeld();
    holding.SetEvent();
    done.WaitFor();
  });
  ASSERT_EQ(holding.WaitFor(), wrSignaled);
  bool ran = false;
  QueueToMainThread([&] { ran = true; });
  EXPECT_FALSE(MainThreadDispatchHeld());
  Application->ProcessMessages();
  EXPECT_TRUE(ran);
  done.SetEvent();
  worker.join();
  EXPECT_FALSE(heldThere);
}

// A form shown modally inside a hold gets its own input and closes; meanwhile no timer tick, queued
// call or message hook runs. They run after the hold.
TEST_F(LoopTest, AModalFormUnderADispatchHoldGetsItsInputButRunsNothingElse) {
  TTimer timer(nullptr);
  timer.SetInterval(1);
  int ticks = 0, hooked = 0;
  bool queued = false;
  timer.OnTimer = [&](TObject*) { ++ticks; };
  Application->OnMessage = [&](TMsg&, bool&) { ++hooked; };
  TForm dialog(nullptr);
  auto* ok = new TPanel(&dialog);
  ok->SetParent(&dialog);
  ok->OnClick = [&](TObject*) { dialog.SetModalResult(mrOk); };
  dialog.OnShow = [&](TObject*) {
    QueueToMainThread([&] { queued = true; });
    ASSERT_TRUE(VclTest::PostClick(ok));
    Sleep(20);  // the timer is due when the dialog's loop first runs
  };
  {
    TDispatchHold hold;
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_EQ(ticks, 0);
    EXPECT_EQ(hooked, 0);
    EXPECT_FALSE(queued);
  }
  EXPECT_TRUE(PumpUntil([&] { return ticks > 0 && queued; }));
}

struct SilentTimerCase {
  const char* name;
  unsigned firstInterval;  // set (and running) before the interval under test
  unsigned interval;
  bool enabled;
};

void PrintTo(const SilentTimerCase& c, std::ostream* os) { *os << c.name; }

class SilentTimer : public LoopTest, public ::testing::WithParamInterface<SilentTimerCase> {};

TEST_P(SilentTimer, NeverTicks) {
  TTimer reference(nullptr);
  reference.SetInterval(1);
  int referenceTicks = 0;
  reference.OnTimer = [&](TObject*) { ++referenceTicks; };
  TTimer timer(nullptr);
  timer.SetInterval(GetParam().firstInterval);
  timer.SetInterval(GetParam().interval);
  timer.SetEnabled(GetParam().enabled);
  int ticks = 0;
  timer.OnTimer = [&](TObject*) { ++ticks; };
  EXPECT_TRUE(PumpUntil([&] { return referenceTicks >= 20; }));
  EXPECT_EQ(ticks, 0);
}

INSTANTIATE_TEST_SUITE_P(Timers, SilentTimer,
                         ::testing::Values(SilentTimerCase{"IntervalZero", 0, 0, true},
                                           SilentTimerCase{"Disabled", 1, 1, false},
                                           SilentTimerCase{"IntervalZeroAfterRunning", 1, 0, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoopTest, DisabledTimerTicksAgainWhenEnabled) {
  TTimer timer(nullptr);
  timer.SetInterval(1);
  timer.SetEnabled(false);
  int ticks = 0;
  timer.OnTimer = [&](TObject*) { ++ticks; };
  timer.SetEnabled(true);
  EXPECT_TRUE(PumpUntil([&] { return ticks > 0; }));
}

class FinishingThread : public TThread {
 public:
  std::atomic<bool> executed{false};

 protected:
  void Execute() override { executed = true; }
};

TEST_F(LoopTest, ThreadTerminateHandlerRunsOnTheGuiThreadThroughRun) {
  TForm* main = nullptr;
  Application->CreateForm(main);
  auto* thread = new FinishingThread;
  thread->FreeOnTerminate = true;
  const TObject* expected = thread;
  const TObject* sender = nullptr;
  std::thread::id handlerThread;
  thread->OnTerminate = [&](TObject* s) {
    sender = s;
    handlerThread = std::this_thread::get_id();
    main->Close();
  };
  thread->Resume();
  Application->Run();  // blocks with Done = true: only the thread's queued call can end it
  EXPECT_EQ(sender, expected);
  EXPECT_EQ(handlerThread, std::this_thread::get_id());
}

TEST_F(LoopTest, ExceptionInATimerHandlerIsShownAndTheLoopGoesOn) {
  TTimer timer(nullptr);
  timer.SetInterval(1);
  int ticks = 0;
  timer.OnTimer = [&](TObject*) {
    ++ticks;
    throw Exception("Zeitgeber kaputt");
  };
  testing::internal::CaptureStderr();
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }));
  timer.SetEnabled(false);
  std::string err = testing::internal::GetCapturedStderr();
  auto boxes = VclTest::ShownBoxes();
  ASSERT_GE(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "Zeitgeber kaputt");
  EXPECT_NE(err.find("Zeitgeber kaputt"), std::string::npos);
}

TEST_F(LoopTest, ExceptionInTheIdleHandlerIsShownAndRunGoesOn) {
  TForm* main = nullptr;
  Application->CreateForm(main);
  int idle = 0;
  Application->OnIdle = [&](TObject*, bool& done) {
    if (++idle == 1) {
      done = false;
      throw std::runtime_error("idle failed");
    }
    main->Close();
  };
  testing::internal::CaptureStderr();
  Application->Run();
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(idle, 2);
  auto boxes = VclTest::ShownBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "idle failed");
}

TEST_F(LoopTest, ApplicationEventsIdleHandlersShareDone) {
  TForm* main = nullptr;
  Application->CreateForm(main);
  auto* events = new TApplicationEvents(main);
  int appIdle = 0, componentIdle = 0;
  Application->OnIdle = [&](TObject*, bool&) { ++appIdle; };
  events->OnIdle = [&](TObject*, bool& done) {
    ++componentIdle;
    if (componentIdle < 3)
      done = false;
    else
      main->Close();
  };
  Application->Run();
  EXPECT_EQ(appIdle, 3);
  EXPECT_EQ(componentIdle, 3);
}

class TerminationSignal : public LoopTest, public ::testing::WithParamInterface<int> {};

TEST_P(TerminationSignal, ClosesTheMainFormThroughItsNormalPath) {
  TForm* main = nullptr;
  Application->CreateForm(main);
  std::vector<std::string> log;
  main->OnClose = [&](TObject*, TCloseAction&) { log.push_back("close"); };
  main->OnDestroy = [&](TObject*) { log.push_back("destroy"); };
  bool sent = false;
  Application->OnIdle = [&](TObject*, bool&) {
    if (!sent) {
      sent = true;
      kill(getpid(), GetParam());
    }
  };
  Application->Run();
  EXPECT_EQ(log, (std::vector<std::string>{"close", "destroy"}));
}

// A box that waits for a person (as with a display) is open when the signal comes: the box closes
// with its cancel answer, a box opened after it answers at once, and the main form closes once
// the handler that opened them has returned.
TEST_P(TerminationSignal, ClosesAnOpenBoxThenTheMainFormAfterItsCaller) {
  TForm* main = nullptr;
  Application->CreateForm(main);
  std::vector<std::string> log;
  main->OnClose = [&](TObject*, TCloseAction&) { log.push_back("close"); };
  VclTest::SetHeadlessDialogsWait(true);
  TTimer signalTimer(nullptr);
  signalTimer.SetInterval(20);
  signalTimer.OnTimer = [&](TObject*) {
    signalTimer.SetEnabled(false);
    log.push_back("signal");
    kill(getpid(), GetParam());
  };
  bool asked = false;
  Application->OnIdle = [&](TObject*, bool&) {
    if (asked) return;
    asked = true;
    signalTimer.SetEnabled(true);
    log.push_back("answer " + std::to_string(MessageBox("Overwrite?", "Question", MB_YESNOCANCEL)));
    log.push_back("then " + std::to_string(MessageBox("Really?", "Question", MB_YESNO)));
    EXPECT_TRUE(Application->TerminationRequested());
  };
  Application->Run();
  EXPECT_EQ(log, (std::vector<std::string>{"signal", "answer " + std::to_string(IDCANCEL),
                                           "then " + std::to_string(IDNO), "close"}));
}

INSTANTIATE_TEST_SUITE_P(
    Signals, TerminationSignal, ::testing::Values(SIGTERM, SIGINT, SIGHUP), [](const auto& info) {
      return std::string(info.param == SIGTERM ? "SIGTERM" : info.param == SIGINT ? "SIGINT" : "SIGHUP");
    });

// The program ends for its own reason (a lost instrument) while an open dialog and a modal form
// wait: both close as cancelled, and nothing is asked any more.
TEST_F(LoopTest, DismissedDialogsCloseAsCancelledAndLaterOnesAnswerAtOnce) {
  VclTest::SetHeadlessDialogsWait(true);
  TTimer dismissTimer(nullptr);
  dismissTimer.SetInterval(20);
  dismissTimer.OnTimer = [&](TObject*) { Application->DismissDialogs(); };
  dismissTimer.SetEnabled(true);
  TOpenDialog open(nullptr);
  EXPECT_FALSE(open.Execute());
  EXPECT_TRUE(open.FileName().empty());
  TForm modal(nullptr);
  EXPECT_EQ(modal.ShowModal(), mrCancel);
  TColorDialog colour(nullptr);
  EXPECT_FALSE(colour.Execute());
  EXPECT_EQ(MessageBox("Gone", "Info", MB_OK), IDOK);
  EXPECT_EQ(MessageBox("Retry?", "Error", MB_ABORTRETRYIGNORE), IDABORT);
  EXPECT_FALSE(Application->TerminationRequested());
}

// A program that catches the signals first thing (each test runs in a process of its own): a
// signal while no form exists yet closes the box its start-up failure shows, and the process
// lives on to end by its own path.
TEST_F(LoopTest, CaughtSignalWithoutAnyFormClosesTheBoxAndKeepsTheProcess) {
  Application->CatchTerminationSignals();
  ASSERT_EQ(Screen->FormCount(), 0);
  VclTest::SetHeadlessDialogsWait(true);
  TTimer signalTimer(nullptr);
  signalTimer.SetInterval(20);
  signalTimer.OnTimer = [&](TObject*) {
    signalTimer.SetEnabled(false);
    kill(getpid(), SIGTERM);
  };
  signalTimer.SetEnabled(true);
  EXPECT_EQ(MessageBox("Cannot load the picture", "RT7731_IV", MB_OK), IDOK);
  EXPECT_TRUE(Application->TerminationRequested());
  EXPECT_EQ(MessageBox("Later", "RT7731_IV", MB_OKCANCEL), IDCANCEL) << "answered at once";
}

TEST_F(LoopTest, SignalBeforeRunClosesTheMainFormWhenRunStarts) {
  TForm* main = nullptr;
  Application->CreateForm(main);
  bool closed = false;
  main->OnClose = [&](TObject*, TCloseAction&) { closed = true; };
  kill(getpid(), SIGTERM);
  Application->ProcessMessages();  // e.g. a start-up log line pumping messages
  EXPECT_FALSE(closed) << "the main form closes only once the loop runs";
  Application->Run();
  EXPECT_TRUE(closed);
}

}  // namespace
