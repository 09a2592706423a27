// The spectrum view in the real main window against the simulated instrument: it starts in the
// overview, shows the default emitters, switches to the detail sweep at 10 MHz with the carrier in
// the middle, steps to neighbouring peaks, centres on a peak, follows the wheel, stops both
// threads and keeps centre and span on Leave, and ends the program through the exit screen when
// the instrument is unplugged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "display/C_cap.h"
#include "display/Display.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/IniFiles.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TestHooks.h"
#include "screens/analyser/Freqcontrolframeunit.h"
#include "screens/analyser/Uanalyzerframeunit.h"
#include "screens/analyser/Updownframeunit.h"
#include "service/Selfcheckframeunit.h"
#include "shell/CategoryFrames.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"
#include "base/IniService.h"
#include "sim/Instrument.h"
#include "tests/shell/main/MainWinFixture.h"
#include "tests/support/Pump.h"
#include "tests/support/SimInstrument.h"

namespace {

class SpectrumViewTest : public MainWinTest {
 protected:
  void StartView(const std::string& scenario = "") {
    Start(scenario);
    view = static_cast<TUAnalyzerFrame*>(win->AnalyzerFrame->AnalyzerFrame);
    freq = static_cast<TFreqControlFrame*>(FreqControlFrame);
  }
  // The program loads the simulator linked into this test, so the test can unplug it at a moment of
  // its choosing rather than after a time that a busy machine may not keep.
  void StartViewOnLinkedSimulator() {
    siminstrument::Bind();
    ASSERT_TRUE(siminstrument::Load(""));
    StartView();
  }
  // Runs the program's messages and idle passes until done() holds (60 s bound).
  template <typename Done>
  bool Run(Done done) {
    return testpump::PumpUntil(testpump::Loop::Messages, done);
  }
  // Waits for the overview's range bar to run through the range once more.
  bool WaitOverviewPass() {
    NormalBuffer* o = view->OverviewTrace();
    const float first = float(std::max(0.0, freq->Start) * 1e6);
    return Run([&] { return o->RangeBarFrom.load() > first; }) &&
           Run([&] { return o->RangeBarFrom.load() == first; });
  }
  bool WaitDetailTrace() {
    NormalBuffer* d = view->DetailTrace();
    d->SetPoint(0, -1);
    d->SetPoint(999, -1);
    return Run([&] { return d->GetPoint(0) >= 0 && d->GetPoint(999) >= 0; });
  }
  // Middle of the points in [from, to) above half-way between the median and the maximum.
  static int PeakAround(NormalBuffer* b, int from, int to) {
    std::vector<float> v;
    for (int i = from; i < to; ++i) v.push_back(b->GetPoint(unsigned(i)));
    std::vector<float> sorted(v);
    std::nth_element(sorted.begin(), sorted.begin() + long(v.size() / 2), sorted.end());
    const float threshold = (*std::max_element(v.begin(), v.end()) + sorted[v.size() / 2]) / 2;
    int first = -1, last = -1;
    for (int i = 0; i < int(v.size()); ++i)
      if (v[size_t(i)] > threshold) {
        if (first < 0) first = i;
        last = i;
      }
    return from + (first + last) / 2;
  }

  TUAnalyzerFrame* view = nullptr;
  TFreqControlFrame* freq = nullptr;
};

TEST_F(SpectrumViewTest, StartsInTheOverviewWithTheDefaultEmitters) {
  StartView();
  ASSERT_TRUE(view->Visible());
  EXPECT_TRUE(view->OverviewRunning());
  EXPECT_FALSE(view->DetailRunning());
  EXPECT_EQ(freq->Parent(), view);
  freq->SetCenter(1500);
  freq->SetSpan(3000);
  // The pulsed emitter is dark for half of the conversions: keep each point's maximum over passes.
  NormalBuffer held(60000);
  for (int pass = 0; pass < 4; ++pass) {
    ASSERT_TRUE(WaitOverviewPass());
    for (unsigned i = 0; i < 60000; ++i)
      held.SetPoint(i, std::max(held.GetPoint(i), view->OverviewTrace()->GetPoint(i)));
  }
  for (double mhz : {433.92, 868.3, 1880.0, 2450.0}) {
    const int grid = int(mhz * 20);
    EXPECT_NEAR(PeakAround(&held, grid - 400, grid + 400), grid, 40) << mhz;
  }
  EXPECT_EQ(view->OverviewDisplay()->ZoomStart.load(), 0);
  EXPECT_EQ(view->OverviewDisplay()->ZoomEnd.load(), 60000);
}

TEST_F(SpectrumViewTest, TenMegahertzSwitchesToTheDetailSweepWithTheCarrierInTheMiddle) {
  StartView();
  freq->SetCenter(868.3);
  freq->SetSpan(5);
  EXPECT_TRUE(view->DetailRunning());
  EXPECT_FALSE(view->OverviewRunning());
  EXPECT_EQ(view->DetailDisplay()->ZoomStart.load(), 250);
  EXPECT_EQ(view->DetailDisplay()->ZoomEnd.load(), 750);
  ASSERT_TRUE(WaitDetailTrace());
  ASSERT_TRUE(WaitDetailTrace());
  EXPECT_NEAR(PeakAround(view->DetailTrace(), 0, 1000), 500, 2);
  // The wheel steps the span along 1-2-5; above 10 MHz the overview takes over.
  struct Step {
    int delta;
    double span;
    bool detail;
  };
  for (const Step& s :
       {Step{-1, 2, true}, Step{1, 5, true}, Step{1, 10, true}, Step{1, 20, false}, Step{-1, 10, true}}) {
    view->OnWheel(s.delta);
    EXPECT_DOUBLE_EQ(freq->Span, s.span);
    EXPECT_EQ(view->DetailRunning(), s.detail) << s.span;
    EXPECT_EQ(view->OverviewRunning(), !s.detail) << s.span;
  }
}

TEST_F(SpectrumViewTest, UpDownStepsToNeighbouringPeaksAndAutoCentreCentres) {
  // Steady emitters only: a pulsed one may be dark for a whole coarse pass.
  StartView(
      "[emitter0]\nfrequency_mhz=433.92\nlevel_dbm=-45\n"
      "[emitter1]\nfrequency_mhz=868.3\nlevel_dbm=-50\ntone_hz=1000\n"
      "[emitter2]\nfrequency_mhz=2450\nlevel_dbm=-42\nbandwidth_khz=2000\n");
  freq->SetCenter(1500);
  freq->SetSpan(3000);
  ASSERT_TRUE(WaitOverviewPass());
  ASSERT_TRUE(WaitOverviewPass());
  freq->SetSpan(5000);  // the neighbours lie inside the window the search covers
  // At 1 MHz steps an emitter is a plateau of a few sweep points: auto-centre first finds the
  // centre the search sees, within a few steps of the emitter (the neighbours lie hundreds of steps away).
  freq->SetCenter(870);
  view->OnRenderWinMouseDown(mbRight, 0, 500, 400);
  EXPECT_NEAR(freq->Center, 868.3, 3);
  // A coarse plateau may hold a second run of the same emitter: a press or two may stay on it.
  TUpDownFrame* updown = static_cast<TUpDownFrame*>(UpDownFrame);
  auto step = [&](bool up) {
    const double from = freq->Center;
    for (int press = 0; press < 3 && std::abs(freq->Center - from) < 5; ++press)
      updown->OnButtonMouseDown(up ? updown->Image3 : updown->Image2, mbLeft, 0, 0, 0);
    return freq->Center;
  };
  EXPECT_NEAR(step(true), 2450, 3);
  EXPECT_NEAR(step(false), 868.3, 3);
  EXPECT_NEAR(step(false), 433.92, 3);
  // Detail: a carrier 200 kHz off the middle is centred by the right button.
  freq->SetSpan(5);
  freq->SetCenter(868.5);
  ASSERT_TRUE(view->DetailRunning());
  ASSERT_TRUE(WaitDetailTrace());
  ASSERT_TRUE(WaitDetailTrace());
  view->OnRenderWinMouseDown(mbRight, 0, 500, 400);
  EXPECT_NEAR(freq->Center, 868.3, 0.03);
}

// With no further peak in the search direction, up or down moves the window by half a span.
TEST_F(SpectrumViewTest, UpDownWithoutAFurtherPeakMovesTheWindowHalfASpan) {
  StartView("[scene]\ndefault_emitters=0\n");
  TUpDownFrame* updown = static_cast<TUpDownFrame*>(UpDownFrame);
  auto press = [&](bool up) {
    updown->OnButtonMouseDown(up ? updown->Image3 : updown->Image2, mbLeft, 0, 0, 0);
  };
  freq->SetCenter(3000);
  freq->SetSpan(5);
  ASSERT_TRUE(view->DetailRunning());
  ASSERT_TRUE(WaitDetailTrace());
  ASSERT_TRUE(WaitDetailTrace());
  press(true);
  EXPECT_DOUBLE_EQ(freq->Center, 3002.5);
  press(false);
  press(false);
  EXPECT_DOUBLE_EQ(freq->Center, 2997.5);
  // The band around the window is swept first, so the search sees noise, not an unswept edge.
  NormalBuffer* o = view->OverviewTrace();
  auto wholePass = [&](double from, double to) {
    const unsigned first = unsigned(from * 20), last = unsigned(to * 20) - 1;
    o->SetPoint(first, -1);
    o->SetPoint(last, -1);
    return Run([&] { return o->GetPoint(first) >= 0 && o->GetPoint(last) >= 0; });
  };
  freq->SetCenter(3000);
  freq->SetSpan(200);
  ASSERT_TRUE(view->OverviewRunning());
  ASSERT_TRUE(wholePass(2900, 3100));
  freq->SetSpan(100);
  ASSERT_TRUE(wholePass(2950, 3050));
  press(true);
  EXPECT_DOUBLE_EQ(freq->Center, 3050);
  press(false);
  press(false);
  EXPECT_DOUBLE_EQ(freq->Center, 2950);
}

TEST_F(SpectrumViewTest, DraggingTheDetailTraceMovesTheCentre) {
  StartView();
  freq->SetCenter(868.3);
  freq->SetSpan(2);
  ASSERT_TRUE(WaitDetailTrace());
  view->OnRenderWinMouseDown(mbLeft, 0, 500, 400);
  view->OnRenderWinMouseMove(ssLeft, 400, 400);  // 100 pixels to the left: +200 kHz
  view->OnRenderWinMouseUp(mbLeft, 0, 400, 400);
  EXPECT_NEAR(freq->Center, 868.5, 1e-6);
  EXPECT_EQ(view->DetailDisplay()->DataBuffer, view->DetailTrace());
}

// While the detail trace is dragged the demodulator follows: the audio IF tuner goes to
// 27.3 MHz - (dragged centre - centre). On release it goes back to 27.3 MHz at the new centre, even
// when the thread had not yet taken the drag's last IF.
TEST_F(SpectrumViewTest, DraggingTheDetailTraceRetunesTheAudioIFAndTheReleaseRestoresIt) {
  StartViewOnLinkedSimulator();
  freq->SetCenter(868.3);
  freq->SetSpan(2);
  ASSERT_TRUE(WaitDetailTrace());
  auto audioIF = [] { return usb2sim::GetState().dds[5].frequencyHz; };
  auto waitSweeps = [&](unsigned n) {
    const unsigned from = usb2sim::GetState().sweeps;
    return Run([&] { return usb2sim::GetState().sweeps >= from + n; });
  };
  view->OnRenderWinMouseDown(mbLeft, 0, 500, 400);
  view->OnRenderWinMouseMove(ssLeft, 400, 400);  // 100 pixels to the left: +200 kHz
  ASSERT_TRUE(Run([&] { return std::abs(audioIF() - (27.3e6 - 200e3)) < 2.0; }));
  {
    HardwareLockGuard lock;  // the thread takes nothing between the last move and the release
    view->OnRenderWinMouseMove(ssLeft, 300, 400);  // +400 kHz
    view->OnRenderWinMouseUp(mbLeft, 0, 300, 400);
  }
  EXPECT_NEAR(freq->Center, 868.7, 1e-6);
  ASSERT_TRUE(waitSweeps(3));
  EXPECT_NEAR(audioIF(), 27.3e6, 2.0);
}

// A stopped or ended detail sweep leaves no service state behind and takes the video preview
// with it.
TEST_F(SpectrumViewTest, AStoppedOrEndedDetailSweepClearsTheAppStateAndHidesTheVideo) {
  StartViewOnLinkedSimulator();
  view->OnVideoButMouseDown(view->Panel1, mbLeft, 0, 0, 0);
  view->OnVideoButMouseUp(view->Panel1, mbLeft, 0, 0, 0);
  freq->SetCenter(868.3);
  freq->SetSpan(5);
  ASSERT_TRUE(view->VideoPanel->Visible());
  AppState = 7;
  freq->SetSpan(50);  // the view stops its detail sweep
  EXPECT_EQ(AppState, 0);
  freq->SetSpan(5);
  ASSERT_TRUE(view->VideoPanel->Visible());
  AppState = 7;
  view->Leave();
  EXPECT_EQ(AppState, 0);
  view->Enter();
  ASSERT_TRUE(view->DetailRunning());
  ASSERT_TRUE(view->VideoPanel->Visible());
  AppState = 7;
  usb2sim::UnplugNow();  // the sweep ends by itself
  ASSERT_TRUE(Run([&] { return !view->DetailRunning(); }));
  EXPECT_EQ(AppState, 0);
  EXPECT_FALSE(view->VideoPanel->Visible());
}

// Enter notes bit 7 of the Sound-Modul port expander (low while headphones are plugged) in its
// hidden list.
TEST_F(SpectrumViewTest, EnterNotesTheSoundModulExpandersBitSeven) {
  StartViewOnLinkedSimulator();
  EXPECT_FALSE(view->lb->Visible());
  ASSERT_EQ(view->lb->Count(), 1);
  EXPECT_EQ(view->lb->Items()->Strings(0), "128");
  usb2sim::SetHeadphones(true);
  view->Leave();
  view->Enter();
  ASSERT_EQ(view->lb->Count(), 1);
  EXPECT_EQ(view->lb->Items()->Strings(0), "0");
}

TEST_F(SpectrumViewTest, LeaveStopsBothThreadsAndKeepsCentreAndSpan) {
  StartView();
  freq->SetCenter(868.3);
  freq->SetSpan(5);
  ASSERT_TRUE(view->DetailRunning());
  view->Leave();
  EXPECT_FALSE(view->DetailRunning());
  EXPECT_FALSE(view->OverviewRunning());
  EXPECT_EQ(OrphanedThreadCount(), 0);
  EXPECT_DOUBLE_EQ(GlobalIOSettings->Center, 868.3e6);
  EXPECT_DOUBLE_EQ(GlobalIOSettings->Span, 5e6);
  EXPECT_EQ(freq->Parent(), nullptr);
  // Entering again takes them up.
  view->Enter();
  EXPECT_DOUBLE_EQ(freq->Center, 868.3);
  EXPECT_TRUE(view->DetailRunning());
}

TEST_F(SpectrumViewTest, AnUnplugDuringTheSweepEndsTheProgramThroughTheExitScreen) {
  StartViewOnLinkedSimulator();
  ASSERT_TRUE(view->OverviewRunning());
  win->SetBounds(30, 40, 900, 700);
  NormalBuffer* o = view->OverviewTrace();
  for (unsigned i = 0; i < o->Count; ++i) o->SetPoint(i, -1);
  ASSERT_TRUE(Run([&] {  // the sweep stores its first segment
    for (unsigned i = 0; i < o->Count; ++i)
      if (o->GetPoint(i) >= 0) return true;
    return false;
  }));
  usb2sim::UnplugNow();
  ASSERT_TRUE(Run([&] { return LinkUp.load() == 0; }));
  EXPECT_FALSE(view->OverviewRunning());
  IdlePass();
  EXPECT_FALSE(win->Visible());
  EXPECT_FALSE(view->Visible());
  Close();
  TIniFile ini(folder.path() + IniService::FileName);
  EXPECT_EQ(ini.ReadInteger("FORM", "Width", 0), 900);
}

}  // namespace

namespace {

TEST_F(SpectrumViewTest, AnUnplugWithNoThreadRunningIsNoticedByTheLinkProbe) {
  StartViewOnLinkedSimulator();
  view->Leave();  // no measurement thread talks to the module any more
  ASSERT_EQ(LinkUp.load(), 1);
  usb2sim::UnplugNow();
  ASSERT_TRUE(Run([&] {
    win->ProbeLink();
    return LinkUp.load() == 0;
  }));
  IdlePass();
  EXPECT_FALSE(win->Visible());
}

TEST_F(SpectrumViewTest, TheSelfTestViewDoesNotCoverTheSpectrumViewAtStart) {
  StartView();
  EXPECT_FALSE(win->SettingFrame->SelfCheckFrame->Visible());
  EXPECT_TRUE(view->Visible());
}

}  // namespace

namespace {

class SpectrumVideoTest : public SpectrumViewTest {
 protected:
  void TearDown() override {
    capture::SetInstalledDrivers(
        {{"Test pattern camera", "1.0", capture::PatternWidth, capture::PatternHeight}});
    SpectrumViewTest::TearDown();
  }
  void Press(TPanel* panel, bool video) {
    if (video) {
      view->OnVideoButMouseDown(panel, mbLeft, 0, 0, 0);
      view->OnVideoButMouseUp(panel, mbLeft, 0, 0, 0);
    } else {
      view->OnVideoSrcButMouseDown(panel, mbLeft, 0, 0, 0);
      view->OnVideoSrcButMouseUp(panel, mbLeft, 0, 0, 0);
    }
  }
};

TEST_F(SpectrumVideoTest, VideoOnPreviewsTheCameraBesideTheDetailSweepAndOffStopsIt) {
  StartView();
  EXPECT_EQ(view->Panel1->Caption(), "Video On");
  EXPECT_FALSE(view->Panel2->Visible());
  Press(view->Panel1, true);
  ASSERT_TRUE(view->VideoOn());
  EXPECT_EQ(view->Panel1->Caption(), "Video off");
  EXPECT_TRUE(view->Panel2->Visible());
  capture::CaptureStatus status;
  ASSERT_TRUE(capture::GetStatus(view->Capture()->CaptureWindow(), status));
  EXPECT_TRUE(status.previewing);
  EXPECT_EQ(status.connectedDriver, 0);
  EXPECT_TRUE(status.scaled);
  // The preview panel goes with the detail sweep, on the render window.
  EXPECT_FALSE(view->VideoPanel->Visible());  // the overview runs at start
  freq->SetCenter(868.3);
  freq->SetSpan(5);
  EXPECT_TRUE(view->VideoPanel->Visible());
  EXPECT_EQ(view->VideoPanel->Parent(), RenderWindow);
  const unsigned frames = capture::PreviewFrameCount(view->Capture()->CaptureWindow());
  ASSERT_TRUE(Run([&] { return capture::PreviewFrameCount(view->Capture()->CaptureWindow()) > frames + 2; }));
  freq->SetSpan(50);
  EXPECT_FALSE(view->VideoPanel->Visible());
  freq->SetSpan(5);
  EXPECT_TRUE(view->VideoPanel->Visible());

  // "Quelle wählen" opens the driver's source dialog.
  VclTest::ClearShownBoxes();
  Press(view->Panel2, false);
  const auto boxes = VclTest::ShownBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find("Test pattern camera"), std::string::npos);

  // Leaving hides the preview; coming back to the detail sweep shows it again.
  VclTest::Click(win->AnalyzerFrame->Button(5));
  EXPECT_FALSE(view->VideoPanel->Visible());
  VclTest::Click(win->AnalyzerFrame->Button(1));
  EXPECT_TRUE(view->VideoPanel->Visible());

  Press(view->Panel1, true);
  EXPECT_FALSE(view->VideoOn());
  EXPECT_EQ(view->Panel1->Caption(), "Video on");
  EXPECT_FALSE(view->Panel2->Visible());
  EXPECT_FALSE(view->VideoPanel->Visible());
  Press(view->Panel2, false);  // hidden and off: nothing happens
}

TEST_F(SpectrumVideoTest, WithoutACameraTheOperatorIsToldAndNothingBreaks) {
  capture::SetInstalledDrivers({});
  StartView();
  freq->SetSpan(5);
  Press(view->Panel1, true);
  ASSERT_TRUE(view->VideoOn());
  EXPECT_EQ(view->Capture()->ConnectedDriver(), -1);
  EXPECT_EQ(win->InfoLabel->Caption(), "No video source");
  VclTest::ClearShownBoxes();
  Press(view->Panel2, false);  // no driver: no dialog
  EXPECT_TRUE(VclTest::ShownBoxes().empty());
  Press(view->Panel1, true);
  EXPECT_FALSE(view->VideoOn());
}

}  // namespace
