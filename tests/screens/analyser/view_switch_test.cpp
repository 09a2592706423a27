// Quick view switching at the instrument's own pace: clicks on the analyser's view buttons that arrive
// while a switch is still running (queued as the window system queues them) are each handled after
// the switch before them has ended, never inside it: never while the GUI thread holds the hardware
// lock, never inside a view's Enter or Leave. So no stop waits for a thread that waits for that lock:
// no stop runs out (a stop that runs out leaves its thread orphaned), and the last view clicked
// sweeps. Clicks that arrive while a retune restarts the sweep wait for the hardware lock as well.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Threads.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/TestHooks.h"
#include "screens/ModeFrameBase.h"
#include "screens/analyser/AnalyserViewBase.h"
#include "screens/analyser/Freqcontrolframeunit.h"
#include "shell/CategoryFrames.h"
#include "base/HardwareLockGuard.h"
#include "sim/Instrument.h"
#include "tests/shell/main/MainWinFixture.h"
#include "tests/support/Pump.h"
#include "tests/support/SimInstrument.h"

namespace {

struct SwitchCase {
  const char* name;
  double spanMHz;  // the span the views start their sweep with: detail up to 10 MHz, else overview
};

std::ostream& operator<<(std::ostream& os, const SwitchCase& c) { return os << c.name; }

// What the GUI thread was doing when a click was dispatched to the program.
struct ClickSeen {
  bool lockHeld;
  bool insideSwitch;
};

// The main window on the simulated instrument at its own pace, with every click noted as it is
// dispatched to the program.
class ClickWatchTest : public MainWinTest {
 protected:
  void SetUp() override {
    MainWinTest::SetUp();
    siminstrument::Bind();
    ASSERT_TRUE(siminstrument::Load("[device]\npace=real\n"));
    Start();
    ASSERT_EQ(LinkUp.load(), 1);
    Application->OnMessage = [this](TMsg& msg, bool&) {
      if (msg.message == WM_LBUTTONDOWN)
        seen.push_back({HardwareLockHeldHere(), TModeFrameBase::SwitchesInProgress() > 0});
      if (msg.message == WM_LBUTTONUP) ++released;
    };
  }
  void TearDown() override {
    Application->OnMessage = nullptr;
    MainWinTest::TearDown();
  }

  TAnalyserViewBase* EnteredView() const {
    TAnalyserViewBase* entered = nullptr;
    for (TModeFrameBase* v : win->AnalyzerFrame->Views())
      if (v->IsEntered()) {
        EXPECT_EQ(entered, nullptr) << "two views run at once";
        entered = dynamic_cast<TAnalyserViewBase*>(v);
      }
    return entered;
  }

  std::vector<ClickSeen> seen;
  int released = 0;
};

class ViewSwitchTest : public ClickWatchTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(ViewSwitchTest, ClicksDuringASwitchWaitForItAndNoStopRunsOut) {
  static_cast<TFreqControlFrame*>(FreqControlFrame)->SetSpan(GetParam().spanMHz);
  const int orphansBefore = OrphanedThreadCount();
  const int stopsUnderLockBefore = StopsWithHardwareLockHeld();
  // Thirty clicks in turn on the six view buttons, all queued before the first is handled; the last
  // is on button 1, the spectrum view.
  const int order[] = {5, 2, 3, 4, 6, 1};
  int clicks = 0;
  for (int i = 0; i < 30; ++i) {
    ASSERT_TRUE(VclTest::PostClick(win->AnalyzerFrame->Button(order[i % 6])));
    ++clicks;
  }
  ASSERT_TRUE(testpump::PumpUntil(testpump::Loop::Messages, [&] { return released == clicks; }));
  ASSERT_EQ(int(seen.size()), clicks);
  for (size_t i = 0; i < seen.size(); ++i) {
    EXPECT_FALSE(seen[i].lockHeld) << "click " << i << " ran while the GUI thread held the hardware lock";
    EXPECT_FALSE(seen[i].insideSwitch) << "click " << i << " ran inside a view's Enter or Leave";
  }
  EXPECT_EQ(StopsWithHardwareLockHeld(), stopsUnderLockBefore);
  EXPECT_EQ(OrphanedThreadCount(), orphansBefore) << "a stop ran out and left its thread running";
  // The last view clicked runs, and its sweep reaches the instrument.
  TAnalyserViewBase* view = EnteredView();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view, win->AnalyzerFrame->Views()[0]);
  EXPECT_TRUE(view->DetailRunning() || view->OverviewRunning());
  const unsigned sweeps = usb2sim::GetState().sweeps;
  EXPECT_TRUE(testpump::PumpUntil(testpump::Loop::Messages,
                                  [&] { return usb2sim::GetState().sweeps >= sweeps + 2; }));
}

// A retune from the overview into the detail sweep restarts the sweep outside any Enter or Leave,
// under the hardware lock, with a volume ramp that lets pending messages run: clicks that arrived
// meanwhile are still handled only once the GUI thread has left the lock.
TEST_F(ClickWatchTest, ClicksDuringARetuneWaitUntilTheHardwareLockIsLeft) {
  auto* freq = static_cast<TFreqControlFrame*>(FreqControlFrame);
  freq->SetSpan(1000.0);
  TAnalyserViewBase* view = EnteredView();
  ASSERT_NE(view, nullptr);
  ASSERT_TRUE(view->OverviewRunning());
  const int clicks = 3;  // on the entered view's own button: no view switch
  for (int i = 0; i < clicks; ++i) ASSERT_TRUE(VclTest::PostClick(win->AnalyzerFrame->Button(1)));
  freq->SetSpan(5.0);
  ASSERT_TRUE(view->DetailRunning());
  ASSERT_TRUE(testpump::PumpUntil(testpump::Loop::Messages, [&] { return released == clicks; }));
  ASSERT_EQ(int(seen.size()), clicks);
  for (size_t i = 0; i < seen.size(); ++i)
    EXPECT_FALSE(seen[i].lockHeld) << "click " << i << " ran while the GUI thread held the hardware lock";
  EXPECT_EQ(EnteredView(), view);
}

INSTANTIATE_TEST_SUITE_P(Spans, ViewSwitchTest,
                         ::testing::Values(SwitchCase{"Overview", 1000.0}, SwitchCase{"Detail", 5.0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
