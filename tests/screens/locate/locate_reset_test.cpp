// What the locate views put back, in the real main window against the simulated instrument: the
// digital field locate leaves the attenuator at 0 however it was raised and starts every visit in
// normal mode with the attenuation off; the VLF sonar measures at the VLF centre over its whole
// 160-point range; the sonar's blinking tracking caption stops when an unplugged probe ends the thread.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <string>

#include "display/Display.h"
#include "engine/FieldLocateThreads.h"
#include "engine/SonarThreads.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/TestHooks.h"
#include "screens/locate/Udigitalfieldlocateframeunit.h"
#include "screens/locate/Usonarframeunit.h"
#include "screens/locate/Uvlfsonarframeunit.h"
#include "base/Globals.h"
#include "shell/CategoryFrames.h"
#include "sim/Instrument.h"
#include "tests/shell/main/MainWinFixture.h"
#include "tests/support/Pump.h"
#include "tests/support/SimInstrument.h"

namespace {

bool PumpUntil(const std::function<bool()>& done, testpump::Loop loop = testpump::Loop::Messages) {
  return testpump::PumpUntil(loop, done);
}

class LocateResetTest : public SimMainWinTest {
 protected:
  TUDigFieldLocateFrame* EnterDigital() {
    EXPECT_TRUE(VclTest::Click(win->MainBut3));
    EXPECT_TRUE(VclTest::Click(win->LocateFrame->Button(3)));
    TUDigFieldLocateFrame* view = win->LocateFrame->DigFieldLocateFrame;
    EXPECT_TRUE(PumpUntil([&] { return view->Thread() != nullptr; }));
    return view;
  }
};

// However the attenuation was raised (the panel, or the hidden track bar with the panel still reading
// "Off"), leaving writes 0 to the attenuator; the next visit starts with the captions, the title, the
// displays and the thread back in normal mode with the attenuation off.
TEST_F(LocateResetTest, DigitalFieldLocateLeavesTheAttenuatorAtZeroAndStartsAgainInNormalMode) {
  struct Raise {
    const char* how;
    std::function<void(TUDigFieldLocateFrame*)> raise;
    int attenuation;
  };
  const Raise raises[] = {
      {"panel", [](TUDigFieldLocateFrame* v) { ASSERT_TRUE(VclTest::Click(v->Panel1)); }, 31},
      {"track bar", [](TUDigFieldLocateFrame* v) { v->TrackBar1->SetPosition(12); }, 12},
  };
  for (const Raise& r : raises) {
    SCOPED_TRACE(r.how);
    TUDigFieldLocateFrame* view = EnterDigital();
    r.raise(view);
    ASSERT_TRUE(VclTest::Click(view->Panel2));  // pulse mode on
    ASSERT_TRUE(PumpUntil([&] { return usb2sim::GetState().attenuatorDb == r.attenuation; }));
    ASSERT_TRUE(view->Thread()->PulseMode.load());

    ASSERT_TRUE(VclTest::Click(win->MainBut5));
    EXPECT_EQ(usb2sim::GetState().attenuatorDb, 0);
    EXPECT_EQ(view->Panel1->Caption(), "Attenuation  Off");

    EnterDigital();
    EXPECT_EQ(view->Panel1->Caption(), "Attenuation  Off");
    EXPECT_EQ(view->Panel2->Caption(), "Pulse Detect  Off");
    EXPECT_EQ(view->MainDisplay()->Texts()[3], "Field Locate Digital");
    EXPECT_FALSE(view->IntensityDisplay()->Visible);
    EXPECT_FALSE(view->Thread()->PulseMode.load());
    EXPECT_EQ(view->MainDisplay()->Commands->Count(), 6) << "the digital mode's channels 0 and 1 drawn";
    const unsigned sweeps = usb2sim::GetState().sweeps;
    ASSERT_TRUE(PumpUntil([&] { return usb2sim::GetState().sweeps > sweeps + 3; }));
    EXPECT_EQ(usb2sim::GetState().attenuatorDb, 0) << "the new thread measures without attenuation";
    // The panel's first press switches the attenuation on again.
    ASSERT_TRUE(VclTest::Click(view->Panel1));
    EXPECT_EQ(view->Panel1->Caption(), "Attenuation  On");
    EXPECT_TRUE(PumpUntil([] { return usb2sim::GetState().attenuatorDb == 31; }));
    ASSERT_TRUE(VclTest::Click(win->MainBut5));
  }
  EXPECT_EQ(LinkUp.load(), 1);
}

// The VLF sonar starts at the VLF centre, not at the analyser's, and shows its whole range again
// whatever range its display was left at.
TEST_F(LocateResetTest, VlfSonarStartsAtTheVlfCentreOverItsWholeRange) {
  GlobalIOSettings->VlfCenter = 1.2e6;
  ASSERT_GT(std::abs(GlobalIOSettings->Center - 1.2e6), 1e6);
  TUVLFSonarFrame* view = win->VlfFrame->VLFSonarFrame;
  view->MainDisplay()->ZoomStart = 40;
  view->MainDisplay()->ZoomEnd = 90;
  ASSERT_TRUE(VclTest::Click(win->MainBut4));
  ASSERT_TRUE(VclTest::Click(win->VlfFrame->Button(4)));
  ASSERT_TRUE(PumpUntil([&] { return view->Thread() != nullptr && usb2sim::GetState().vlfOn; }));
  EXPECT_EQ(static_cast<VlfSonarThread*>(view->Thread())->Frequency.load(), 1.2e6);
  // The sweep runs over the VLF centre +- 200 kHz, the receiver left on one of its points.
  const unsigned sweeps = usb2sim::GetState().sweeps;
  ASSERT_TRUE(PumpUntil([&] { return usb2sim::GetState().sweeps > sweeps + 2; }));
  EXPECT_NEAR(usb2sim::GetState().receiveHz, 1.2e6, 200e3) << "the sweep hears the VLF centre";
  EXPECT_EQ(view->MainDisplay()->ZoomStart.load(), 0);
  EXPECT_EQ(view->MainDisplay()->ZoomEnd.load(), 160);
  ASSERT_TRUE(PumpUntil([&] { return view->MainDisplay()->Texts()[1] == "1.20 MHz"; }))
      << view->MainDisplay()->Texts()[1];
  EXPECT_EQ(view->MainDisplay()->Texts()[0], "1.00 MHz");
  EXPECT_EQ(view->MainDisplay()->Texts()[2], "1.40 MHz");
}

// Tracking on blinks the caption red; the probe is unplugged while the caption is red: the thread
// ends, the blinking stops and the caption is back in its colour (only the thread's end is run, no
// timer tick could paint it back).
TEST_F(LocateResetTest, SonarBlinkStopsWhenAnUnpluggedProbeEndsTheThread) {
  ASSERT_TRUE(VclTest::Click(win->MainBut3));
  TUSonarFrame* view = win->LocateFrame->SonarFrame;
  ASSERT_TRUE(PumpUntil([&] { return view->Thread() != nullptr; }));
  ASSERT_TRUE(VclTest::MouseDown(view->Panel1, mbLeft, 10, 10));
  ASSERT_TRUE(view->Sonar()->AutoTracking());
  ASSERT_TRUE(PumpUntil([&] { return view->Panel1->Font()->Color() == TColor(0x0000FF); })) << "blinking";
  usb2sim::SetProbePresent(false);
  ASSERT_TRUE(PumpUntil([&] { return view->Thread() == nullptr; }, testpump::Loop::Queue));
  EXPECT_FALSE(view->Timer2->Enabled());
  EXPECT_EQ(view->Panel1->Font()->Color(), clScrollBar);
  EXPECT_EQ(LinkUp.load(), 1);
  usb2sim::SetProbePresent(true);
}

}  // namespace
