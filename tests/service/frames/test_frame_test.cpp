// The test frame against the simulated instrument: each test starts, fills its displays and stops
// cleanly; a lost link ends a test and the link's return restarts it; the change requests of the
// IF-filter check and the A-mode sweep reach the running thread.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "ServiceFixture.h"
#include "display/C_cap.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "engine/TestThreads.h"
#include "platform/rtl/Classes.h"
#include "service/Audiotestframeunit.h"
#include "service/Ddsuserframeunit.h"
#include "service/Filterframeunit.h"
#include "service/Sweepaframeunit.h"
#include "service/Testframeunit.h"
#include "tests/support/Pump.h"

namespace {

class TestFrameTest : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    AppState = 0;
  }
  void TearDown() override {
    if (win) Frame()->StopAllTests();
    AppState = 0;
    ServiceTest::TearDown();
  }
  TTestFrame* Frame() { return win->TestFrame; }

  // Runs the program's messages and the GUI thread's queued calls until done() holds.
  bool PumpUntil(const std::function<bool()>& done) {
    return testpump::PumpUntil(testpump::Loop::Messages, done);
  }
  static bool Filled(NormalBuffer* buffer) {
    if (!buffer) return false;
    for (unsigned i = 0; i < buffer->Count; ++i)
      if (buffer->GetPoint(i) != 0.0f) return true;
    return false;
  }
  int DisplayCount() const {
    int n = 0;
    while (n < TTestFrame::SlotCount && win->TestFrame->Display(n)) ++n;
    return n;
  }
  std::string Title(int slot) const { return win->TestFrame->Display(slot)->Texts()[3]; }
};

struct ThreadTestCase {
  const char* name;
  int state;
  void (TTestFrame::*start)(TObject*);
  ThreadSlot TTestFrame::*slot;
  std::vector<const char*> titles;
};

TEST_F(TestFrameTest, EachThreadTestFillsItsDisplaysAndStopsCleanly) {
  StartService();
  const ThreadTestCase cases[] = {
      {"AD",
       1,
       &TTestFrame::OnADDisplaysButClick,
       &TTestFrame::ADCheck,
       {"AD-0", "AD-1", "AD-2", "AD-3", "AD-4", "AD-5"}},
      {"IF filter",
       3,
       &TTestFrame::OnZFFilterButClick,
       &TTestFrame::FilterCheck,
       {"Fi0  Total", "Fi1  2 MHz", "Fi2  250 kHz", "Fi3  150 kHz", "Fi4  50 kHz"}},
      {"A-mode", 5, &TTestFrame::OnSweepAModeButClick, &TTestFrame::SweepAMode, {"Sweep A-Mode"}},
      {"FFT", 9, &TTestFrame::OnFFTTestButClick, &TTestFrame::FFTTest, {"FFT Test", "Scope"}},
  };
  for (const ThreadTestCase& c : cases) {
    SCOPED_TRACE(c.name);
    (Frame()->*c.start)(nullptr);
    EXPECT_EQ(AppState, c.state);
    EXPECT_TRUE((Frame()->*c.slot).Running());
    ASSERT_EQ(DisplayCount(), static_cast<int>(c.titles.size()));
    for (size_t i = 0; i < c.titles.size(); ++i) {
      EXPECT_EQ(Title(static_cast<int>(i)), c.titles[i]);
      EXPECT_GE(DisplayListGlobal->IndexOf(Frame()->Display(static_cast<int>(i))), 0);
    }
    EXPECT_TRUE(PumpUntil([&] {
      for (size_t i = 0; i < c.titles.size(); ++i)
        if (!Filled(Frame()->Buffer(static_cast<int>(i)))) return false;
      return true;
    }));
    Frame()->StopAllTests();
    EXPECT_FALSE((Frame()->*c.slot).Running());
    EXPECT_EQ(AppState, 0);
    EXPECT_EQ(DisplayCount(), 0);
    EXPECT_EQ(DisplayListGlobal->Count(), 0);
    EXPECT_EQ(LinkUp.load(), 1);
  }
  EXPECT_FALSE(win->SweepAFrame->Visible());
  EXPECT_FALSE(win->FilterUserFrame->Visible());
}

TEST_F(TestFrameTest, CompanionFramesShowAndHide) {
  StartService();
  Frame()->OnDDSTestButClick(nullptr);
  EXPECT_EQ(AppState, 2);
  EXPECT_TRUE(win->DDSUserFrame->Visible());
  Frame()->OnAudioTestButClick(nullptr);
  EXPECT_EQ(AppState, 7);
  EXPECT_FALSE(win->DDSUserFrame->Visible());
  EXPECT_TRUE(win->AudioTestFrame->Visible());
  Frame()->StopAllTests();
  EXPECT_FALSE(win->AudioTestFrame->Visible());
  EXPECT_EQ(AppState, 0);
}

TEST_F(TestFrameTest, SweepAllKeepsOneFiveGigahertzSweepUntilTheNextTest) {
  StartService();
  Frame()->OnSweepAllButClick(nullptr);
  EXPECT_EQ(AppState, 6);
  ASSERT_EQ(DisplayCount(), 1);
  EXPECT_EQ(Title(0), "Sweep All");
  NormalBuffer* b = Frame()->Buffer(0);
  EXPECT_EQ(b->Count, 5000u);
  EXPECT_FLOAT_EQ(b->Stop.load(), 5e9f);
  EXPECT_TRUE(Filled(b));
  EXPECT_EQ(usb2sim::GetState().parTimeoutMs, 5000u);
  EXPECT_NEAR(usb2sim::GetState().dds400Hz, 23101562.5, 1.0);
  Frame()->OnDDSTestButClick(nullptr);
  EXPECT_EQ(DisplayCount(), 0);
  EXPECT_EQ(DisplayListGlobal->Count(), 0);
}

TEST_F(TestFrameTest, VideoTestRunsOnceAndStops) {
  StartService();
  Frame()->OnVideoTestButClick(nullptr);
  EXPECT_EQ(AppState, 8);
  TCap* first = Frame()->Cap;
  ASSERT_NE(first, nullptr);
  Frame()->OnVideoTestButClick(nullptr);  // a second press does nothing
  EXPECT_EQ(Frame()->Cap, first);
  Frame()->StopAllTests();
  EXPECT_EQ(Frame()->Cap, nullptr);
  EXPECT_EQ(AppState, 0);
}

TEST_F(TestFrameTest, ADAndFilterTestsWaitForTheLink) {
  StartService();
  LinkUp = 0;
  Frame()->OnADDisplaysButClick(nullptr);
  Frame()->OnZFFilterButClick(nullptr);
  EXPECT_EQ(AppState, 0);
  EXPECT_FALSE(Frame()->ADCheck.Running());
  EXPECT_FALSE(Frame()->FilterCheck.Running());
  LinkUp = 1;
}

TEST_F(TestFrameTest, FilterFrameChangesRestartTheCheckWithTheNewRange) {
  StartService();
  Frame()->OnZFFilterButClick(nullptr);
  EXPECT_FLOAT_EQ(Frame()->Buffer(0)->Start.load(), 1.7e6f);
  win->FilterUserFrame->RB3->SetChecked(true);  // "1 MHz"
  EXPECT_FLOAT_EQ(Frame()->Buffer(0)->Start.load(), 10.2e6f);
  EXPECT_FLOAT_EQ(Frame()->Buffer(4)->Stop.load(), 11.2e6f);
  EXPECT_TRUE(Frame()->FilterCheck.Running());
  win->FilterUserFrame->RBModAudio->SetChecked(true);
  EXPECT_EQ(static_cast<FilterCheckThreadV2*>(Frame()->FilterCheck.Thread())->Module, 1);
  EXPECT_TRUE(PumpUntil([&] { return Filled(Frame()->Buffer(4)); }));
}

TEST_F(TestFrameTest, AModeZoomReachesTheRunningSweep) {
  StartService();
  Frame()->OnSweepAModeButClick(nullptr);
  EXPECT_TRUE(win->SweepAFrame->Visible());
  EXPECT_FLOAT_EQ(Frame()->Buffer(0)->Start.load(), float(27.3e6 - 9e6));
  EXPECT_FLOAT_EQ(Frame()->Buffer(0)->Stop.load(), float(27.3e6 + 9e6));
  win->SweepAFrame->OnZoomButClick(win->SweepAFrame->ZoomInBut);  // 18 -> 11.88 MHz
  EXPECT_TRUE(
      PumpUntil([&] { return std::abs(Frame()->Buffer(0)->Start.load() - float(27.3e6 - 5.94e6)) < 100; }));
  // Spans outside 1..18 MHz are swept as typed.
  for (const auto& [text, span] : {std::pair{"25", 25e6}, std::pair{"0.5", 0.5e6}}) {
    win->SweepAFrame->SpanEdit->SetText(text);
    uint16_t enter = VK_RETURN;
    win->SweepAFrame->OnSpanEditKeyDown(win->SweepAFrame->SpanEdit, enter, 0);
    EXPECT_TRUE(PumpUntil([&] { return std::abs(Frame()->Buffer(0)->Start.load() - float(27.3e6 - span / 2)) < 100; }))
        << text;
  }
  win->SweepAFrame->SpanEdit->SetText("11.88");
  win->SweepAFrame->RBModAudio->SetChecked(true);  // another module: a new sweep on the audio path
  EXPECT_EQ(static_cast<SweepAModeThread*>(Frame()->SweepAMode.Thread())->Module, 1);
  EXPECT_TRUE(Frame()->SweepAMode.Running());
  Frame()->OnFFTTestButClick(nullptr);
  EXPECT_FALSE(win->SweepAFrame->Visible());
  // Started again, the test sweeps its 18 MHz on the sweep module; the strip keeps what was set last.
  Frame()->OnSweepAModeButClick(nullptr);
  EXPECT_EQ(win->SweepAFrame->SpanEdit->Text(), "11.88");
  EXPECT_EQ(win->SweepAFrame->Module, 1);
  EXPECT_TRUE(win->SweepAFrame->RBModAudio->Checked());
  EXPECT_FLOAT_EQ(Frame()->Buffer(0)->Start.load(), float(27.3e6 - 9e6));
  EXPECT_EQ(static_cast<SweepAModeThread*>(Frame()->SweepAMode.Thread())->Module, 0);
}

TEST_F(TestFrameTest, ALostLinkEndsTheTestAndItsReturnRestartsIt) {
  StartService();
  Frame()->OnADDisplaysButClick(nullptr);
  ASSERT_TRUE(PumpUntil([&] { return Filled(Frame()->Buffer(0)); }));
  usb2sim::UnplugNow();
  ASSERT_TRUE(PumpUntil([&] { return !Frame()->ADCheck.Running(); }));
  EXPECT_EQ(LinkUp.load(), 0);
  EXPECT_EQ(DisplayCount(), 0);
  EXPECT_EQ(AppState, 1);  // remembered for the restart
  usb2sim::LoadScenarioText("");
  ASSERT_TRUE(win->InitHardware());
  win->OnLinkUp();
  EXPECT_EQ(AppState, 1);
  EXPECT_TRUE(Frame()->ADCheck.Running());
  EXPECT_EQ(DisplayCount(), 6);
  EXPECT_TRUE(PumpUntil([&] { return Filled(Frame()->Buffer(5)); }));
}

// A failed device call of the A-mode or Sweep All set-up is a lost link: the test ends with its
// display removed instead of staying on screen without a measurement.
TEST_F(TestFrameTest, FailedSetUpOfSweepTestsTakesTheLinkDownAndLeavesNothing) {
  StartService("[faults]\nfail_command=23\n");  // the 400 MHz synthesiser's sweep
  Frame()->OnSweepAllButClick(nullptr);
  EXPECT_EQ(LinkUp.load(), 0);
  EXPECT_EQ(AppState, 0);
  EXPECT_EQ(DisplayCount(), 0);
  EXPECT_EQ(DisplayListGlobal->Count(), 0);
  LinkUp = 1;
  usb2sim::UnplugNow();
  Frame()->OnSweepAModeButClick(nullptr);
  EXPECT_EQ(LinkUp.load(), 0);
  EXPECT_EQ(AppState, 0);
  EXPECT_FALSE(Frame()->SweepAMode.Running());
  EXPECT_FALSE(win->SweepAFrame->Visible());
  EXPECT_EQ(DisplayCount(), 0);
  EXPECT_EQ(DisplayListGlobal->Count(), 0);
}

TEST(TestTone, FadesAndByteOrder) {
  std::vector<uint16_t> s(1024);
  TTestFrame::MakeTestTone(s.data(), 1024, 3300.0);
  const auto value = [&](int i) { return uint16_t(s[size_t(i)] << 8 | s[size_t(i)] >> 8); };
  EXPECT_EQ(value(0), 32767);
  EXPECT_EQ(value(101), 54531);
  EXPECT_EQ(value(1023), 32767);
  EXPECT_EQ(s[0], uint16_t(0xFF7F));  // high byte first
  std::vector<uint16_t> silent(16, 1);
  TTestFrame::MakeTestTone(silent.data(), 16, 0.0);
  for (uint16_t v : silent) EXPECT_EQ(v, 0);
  // Short tones: a fade of fewer than two samples is left out (it would divide by zero), so such
  // an end keeps the plain sine; a fade-out of two or more samples still ends in silence (32767).
  const auto sine = [](int i, double f) { return 32767.0 + 32760.0 * std::sin(2.0 * M_PI * f * i / 22050.0); };
  for (int count : {1, 5, 9, 10, 19}) {
    SCOPED_TRACE(count);
    std::vector<uint16_t> t(static_cast<size_t>(count));
    TTestFrame::MakeTestTone(t.data(), count, 1000.0);
    const auto sample = [&](int i) { return uint16_t(t[size_t(i)] << 8 | t[size_t(i)] >> 8); };
    const int fadeOut = count / 5 > 1 ? count / 5 : 0;
    for (int i = 0; i < count - fadeOut; ++i) EXPECT_NEAR(sample(i), sine(i, 1000.0), 1.0) << i;
    if (fadeOut > 0) {
      EXPECT_EQ(sample(count - 1), 32767);
      EXPECT_NEAR(sample(count - fadeOut), sine(count - fadeOut, 1000.0), 1.0);
    }
  }
}

}  // namespace
