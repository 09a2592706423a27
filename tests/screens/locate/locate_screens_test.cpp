// The locate and VLF views in the real main window, against the simulated instrument: each view
// entered from its category button starts its thread and fills its display, and leaving it stops
// the thread and puts the device back; field locate follows a transmitter that comes closer; the
// sonar's LEDs and digits follow the level, and an unplugged probe brings the hint back.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <thread>

#include "display/Display.h"
#include "engine/Buffers.h"
#include "engine/FieldLocateThreads.h"
#include "engine/SonarThreads.h"
#include "engine/SweepVlfThread.h"
#include "platform/rtl/Classes.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/TestHooks.h"
#include "screens/locate/Udigitalfieldlocateframeunit.h"
#include "screens/locate/Ufieldlocateframeunit.h"
#include "screens/locate/Usonarframeunit.h"
#include "screens/locate/Uvlfsonarframeunit.h"
#include "screens/locate/Uvlfspectframeunit.h"
#include "shell/CategoryFrames.h"
#include "sim/Instrument.h"
#include "tests/shell/main/MainWinFixture.h"

namespace {

// Runs the GUI's messages, timers and queued calls until done() holds (at most timeoutSeconds).
bool PumpUntil(const std::function<bool()>& done, double timeoutSeconds = 60.0) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return done();
    Application->ProcessMessages();
    CheckSynchronize();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// The main window loads the simulated instrument from its program folder; the tests read and change
// that same instance (linked into the test) when the folder's module is a link to it.
class LocateWinTest : public MainWinTest {
 protected:
  void SetUp() override {
    MainWinTest::SetUp();
    namespace fs = std::filesystem;
    const fs::path module = fs::path(folder.path()) / "libusb2.so";
    fs::remove(module);
    fs::create_symlink(fs::path(RT_BIN_DIR) / "libusb2.so", module);
  }
  // The scenario goes straight to that instance (its own file lookup sees the build folder).
  void Start(const std::string& scenario = "") {
    ASSERT_TRUE(usb2sim::LoadScenarioText(scenario));
    MainWinTest::Start();
  }
};

bool Displayed(StdDisplay* display) {
  for (int i = 0; i < DisplayListGlobal->Count(); ++i)
    if (DisplayListGlobal->GetDisplay(i) == display) return true;
  return false;
}

bool Filled(const DigitalBuffer& buffer, int channel) {
  for (unsigned i = 0; i < buffer.Count; ++i)
    if (buffer.Get(channel, i) > 0) return true;
  return false;
}

// ---- The shared life cycle, across the views ----

struct ScreenCase {
  const char* name;
  int category;  // main button
  int button;    // the category's button of the view
  std::function<TLocateModeFrame*(TMainWin*)> view;
  std::function<bool(TLocateModeFrame*)> threadRuns;
  std::function<const DigitalBuffer&(TLocateModeFrame*)> buffer;
  std::function<void(const usb2sim::State&)> restored;  // the device after Leave
};
std::ostream& operator<<(std::ostream& os, const ScreenCase& c) { return os << c.name; }

template <class View>
View* As(TLocateModeFrame* f) {
  return static_cast<View*>(f);
}

const ScreenCase Screens[] = {
    {"FieldLocate", 3, 2, [](TMainWin* w) -> TLocateModeFrame* { return w->LocateFrame->FieldLocateFrame; },
     [](TLocateModeFrame* f) { return As<TFieldLocateFrame>(f)->Thread() != nullptr; },
     [](TLocateModeFrame* f) -> const DigitalBuffer& { return As<TFieldLocateFrame>(f)->Buffer(); },
     [](const usb2sim::State& s) {
       EXPECT_EQ(s.speakerPort, 0x30) << "speakers off, amplifier off";
       EXPECT_EQ(s.soundProcessor[0] & 0x3F, 0) << "volume down";
     }},
    {"DigitalFieldLocate", 3, 3,
     [](TMainWin* w) -> TLocateModeFrame* { return w->LocateFrame->DigFieldLocateFrame; },
     [](TLocateModeFrame* f) { return As<TUDigFieldLocateFrame>(f)->Thread() != nullptr; },
     [](TLocateModeFrame* f) -> const DigitalBuffer& { return As<TUDigFieldLocateFrame>(f)->Buffer(); },
     [](const usb2sim::State& s) {
       EXPECT_EQ(s.speakerPort, 0x30);
       EXPECT_EQ(s.attenuatorDb, 0);
     }},
    {"Sonar", 3, 1, [](TMainWin* w) -> TLocateModeFrame* { return w->LocateFrame->SonarFrame; },
     [](TLocateModeFrame* f) { return As<TUSonarFrame>(f)->Thread() != nullptr; },
     [](TLocateModeFrame* f) -> const DigitalBuffer& { return As<TUSonarFrame>(f)->Buffer(); },
     [](const usb2sim::State& s) {
       EXPECT_EQ(s.speakerPort, 0x7F) << "only the amplifier";
       EXPECT_EQ(s.ledCount, 0);
     }},
    {"VlfSpectrum", 4, 1, [](TMainWin* w) -> TLocateModeFrame* { return w->VlfFrame->VLFSpectFrame; },
     [](TLocateModeFrame* f) { return As<TUVLFSpectFrame>(f)->Thread() != nullptr; },
     [](TLocateModeFrame* f) -> const DigitalBuffer& { return As<TUVLFSpectFrame>(f)->Spectrum(); },
     [](const usb2sim::State& s) {
       EXPECT_EQ(s.soundProcessor[0] & 0x3F, 0) << "volume 0 handed to the thread";
     }},
    {"VlfSonar", 4, 4, [](TMainWin* w) -> TLocateModeFrame* { return w->VlfFrame->VLFSonarFrame; },
     [](TLocateModeFrame* f) { return As<TUVLFSonarFrame>(f)->Thread() != nullptr; },
     [](TLocateModeFrame* f) -> const DigitalBuffer& { return As<TUVLFSonarFrame>(f)->Buffer(); },
     [](const usb2sim::State& s) {
       EXPECT_EQ(s.speakerPort, 0x7F);
       EXPECT_EQ(s.ledCount, 0);
     }},
};

class LocateScreenTest : public LocateWinTest, public ::testing::WithParamInterface<ScreenCase> {
 protected:
  TLocateModeFrame* EnterView() {
    const ScreenCase& c = GetParam();
    TImage* const mainButtons[] = {win->MainBut1, win->MainBut2, win->MainBut3, win->MainBut4};
    EXPECT_TRUE(VclTest::Click(mainButtons[c.category - 1]));
    EXPECT_TRUE(VclTest::Click(win->CategoryFrame(c.category)->Button(c.button)));
    return c.view(win);
  }
};

TEST_P(LocateScreenTest, EnteredFromItsButtonStartsItsThreadAndFillsItsDisplay) {
  Start();
  const ScreenCase& c = GetParam();
  TLocateModeFrame* view = EnterView();
  ASSERT_TRUE(view->IsEntered());
  EXPECT_TRUE(Displayed(view->MainDisplay()));
  ASSERT_TRUE(PumpUntil([&] { return c.threadRuns(view); }));
  EXPECT_TRUE(PumpUntil([&] { return Filled(c.buffer(view), 0); }));
  EXPECT_EQ(LinkUp.load(), 1);
}

TEST_P(LocateScreenTest, LeavingStopsTheThreadAndRestoresTheDevice) {
  Start();
  const ScreenCase& c = GetParam();
  TLocateModeFrame* view = EnterView();
  ASSERT_TRUE(PumpUntil([&] { return c.threadRuns(view) && Filled(c.buffer(view), 0); }));
  ASSERT_TRUE(VclTest::Click(win->MainBut5));  // another category
  EXPECT_FALSE(view->IsEntered());
  EXPECT_FALSE(c.threadRuns(view));
  EXPECT_FALSE(Displayed(view->MainDisplay()));
  c.restored(usb2sim::GetState());
  EXPECT_EQ(LinkUp.load(), 1);
  // And back: a fresh thread.
  EnterView();
  EXPECT_TRUE(PumpUntil([&] { return c.threadRuns(view); }));
}

TEST_P(LocateScreenTest, EnterTwiceStartsOneThreadAndLeaveOnAHiddenViewDoesNothing) {
  Start();
  const ScreenCase& c = GetParam();
  TLocateModeFrame* view = EnterView();
  ASSERT_TRUE(PumpUntil([&] { return c.threadRuns(view); }));
  view->Enter();
  EXPECT_EQ(view->EnterCount(), 1);
  EXPECT_TRUE(c.threadRuns(view));
  ASSERT_TRUE(VclTest::Click(win->MainBut5));
  const int leaves = view->LeaveCount();
  view->Leave();
  EXPECT_EQ(view->LeaveCount(), leaves);
  EXPECT_FALSE(c.threadRuns(view));
}

INSTANTIATE_TEST_SUITE_P(Locate, LocateScreenTest, ::testing::ValuesIn(Screens),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Field locate ----

class LocateViewTest : public LocateWinTest {};

// The operator walks towards a transmitter at the analyser's centre (500 MHz): its level rises.
TEST_F(LocateViewTest, FieldLocateFollowsATransmitterThatComesCloser) {
  Start("[scene]\ndefault_emitters=0\n[emitter0]\nfrequency_mhz=500\nlevel_dbm=-90\nbandwidth_khz=1000\n");
  ASSERT_TRUE(VclTest::Click(win->MainBut3));
  ASSERT_TRUE(VclTest::Click(win->LocateFrame->Button(2)));
  TFieldLocateFrame* view = win->LocateFrame->FieldLocateFrame;
  ASSERT_TRUE(PumpUntil([&] { return view->Thread() && view->Thread()->ReferenceLevel > 0; }));
  const double first = view->Thread()->Level;
  // From now on the level rises by 10 dB a second, up to 35 dB more.
  usb2sim::EmitterSpec walking = usb2sim::GetEmitters()[0].spec;
  walking.levelRiseDbPerS = 10;
  walking.levelLimitDbm = -55;
  usb2sim::ModifyEmitter(usb2sim::GetEmitters()[0].id, walking);
  EXPECT_TRUE(PumpUntil([&] { return view->Thread()->Level > first + 30; })) << first;
  EXPECT_EQ(view->MainDisplay()->Texts()[1], "500.000");
  // Tracking on: five curves, the caption blinks; off again: one.
  view->OnTrackingPanelMouseDown(nullptr);
  EXPECT_TRUE(view->Thread()->AutoTracking());
  EXPECT_EQ(view->MainDisplay()->Commands->Count(), 5);
  EXPECT_TRUE(view->Timer1->Enabled());
  view->OnTrackingPanelMouseDown(nullptr);
  EXPECT_FALSE(view->Thread()->AutoTracking());
  EXPECT_EQ(view->MainDisplay()->Commands->Count(), 1);
  EXPECT_FALSE(view->Timer1->Enabled());
}

// ---- Digital field locate ----

TEST_F(LocateViewTest, DigitalFieldLocatePanelsSwitchAttenuationAndPulseMode) {
  Start();
  ASSERT_TRUE(VclTest::Click(win->MainBut3));
  ASSERT_TRUE(VclTest::Click(win->LocateFrame->Button(3)));
  TUDigFieldLocateFrame* view = win->LocateFrame->DigFieldLocateFrame;
  ASSERT_TRUE(PumpUntil([&] { return view->Thread() != nullptr; }));
  EXPECT_FALSE(view->IntensityDisplay()->Visible);
  ASSERT_TRUE(VclTest::Click(view->Panel1));
  EXPECT_EQ(view->Panel1->Caption(), "Attenuation  On");
  EXPECT_TRUE(PumpUntil([] { return usb2sim::GetState().attenuatorDb == 31; }));
  ASSERT_TRUE(VclTest::Click(view->Panel2));
  EXPECT_EQ(view->MainDisplay()->Texts()[3], "Field Locate Pulse");
  EXPECT_TRUE(view->IntensityDisplay()->Visible);
  EXPECT_EQ(view->MainDisplay()->Commands->Count(), 4);
  EXPECT_TRUE(PumpUntil([&] { return view->Buffer().Get(5, 0) > 0; })) << "peak hold";
  ASSERT_TRUE(VclTest::Click(view->Panel2));
  EXPECT_EQ(view->MainDisplay()->Texts()[3], "Field Locate Digital");
  EXPECT_FALSE(view->IntensityDisplay()->Visible);
  EXPECT_EQ(view->MainDisplay()->Commands->Count(), 6);
}

// ---- Sonar ----

TEST_F(LocateViewTest, SonarLedsAndDigitsRiseWithTheLevel) {
  Start("[scene]\ndefault_emitters=0\n[emitter0]\nfrequency_mhz=500\nlevel_dbm=-95\n");
  ASSERT_TRUE(VclTest::Click(win->MainBut3));  // the sonar is the locate category's first view
  TUSonarFrame* view = win->LocateFrame->SonarFrame;
  ASSERT_TRUE(PumpUntil([&] { return view->Thread() && view->Thread()->ProbeLevel < 30; }));
  ASSERT_TRUE(PumpUntil([&] { return usb2sim::GetState().digits != "    "; }));
  const auto weak = usb2sim::GetState();
  const int id = usb2sim::GetEmitters()[0].id;
  usb2sim::EmitterSpec strong = usb2sim::GetEmitters()[0].spec;
  strong.levelDbm = -40;
  usb2sim::ModifyEmitter(id, strong);
  ASSERT_TRUE(PumpUntil([&] { return usb2sim::GetState().ledCount > weak.ledCount + 8; }));
  EXPECT_GT(std::stod(usb2sim::GetState().digits), std::stod(weak.digits));
}

TEST_F(LocateViewTest, SonarUnpluggedProbeShowsTheHintAndPluggedAgainMeasures) {
  Start();
  ASSERT_TRUE(VclTest::Click(win->MainBut3));
  TUSonarFrame* view = win->LocateFrame->SonarFrame;
  ASSERT_TRUE(PumpUntil([&] { return view->Thread() != nullptr; }));
  usb2sim::SetProbePresent(false);
  ASSERT_TRUE(PumpUntil([&] { return !view->Thread() && view->HintShown(); }));
  EXPECT_EQ(LinkUp.load(), 1);
  EXPECT_FALSE(view->Timer2->Enabled());
  usb2sim::SetProbePresent(true);
  usb2sim::SetProbeLevel(255);
  ASSERT_TRUE(PumpUntil([&] { return view->Thread() && !view->HintShown(); }));
  EXPECT_TRUE(PumpUntil([] { return usb2sim::GetState().ledCount > 20; }));
}

TEST_F(LocateViewTest, SonarEnteredWithoutProbeWaitsWithTheHint) {
  Start("[probe]\npresent=0\n");
  ASSERT_TRUE(VclTest::Click(win->MainBut3));
  TUSonarFrame* view = win->LocateFrame->SonarFrame;
  ASSERT_TRUE(PumpUntil([&] { return view->HintShown(); }));
  EXPECT_EQ(view->Thread(), nullptr);
  ASSERT_TRUE(VclTest::Click(win->MainBut5));
  EXPECT_FALSE(view->HintShown());
}

TEST_F(LocateViewTest, SonarSetupPanelLoadsTheStoredValuesAndStoresTheOperatorsChanges) {
  Start("[eeprom]\ncell.17=90\ncell.18=170\n");
  ASSERT_TRUE(VclTest::Click(win->MainBut3));
  TUSonarFrame* view = win->LocateFrame->SonarFrame;
  ASSERT_TRUE(PumpUntil([&] { return view->Thread() != nullptr; }));
  view->ShowSetupPanel();
  EXPECT_TRUE(view->SetupPanel->Visible());
  EXPECT_EQ(view->TrackBar1->Position(), 90);
  EXPECT_EQ(view->TrackBar2->Position(), 170);
  view->TrackBar1->SetPosition(100);  // the operator
  ASSERT_TRUE(PumpUntil([] { return usb2sim::GetState().eeprom[17] == 100; }));
  EXPECT_EQ(usb2sim::GetState().eeprom[18], 170);
  EXPECT_EQ(usb2sim::GetState().soundPot[0], 100);
  EXPECT_EQ(view->Label1->Caption(), "100");
}

// ---- VLF spectrum ----

TEST_F(LocateViewTest, VlfSpectrumShowsAVlfEmitterAtItsFrequency) {
  Start("[scene]\ndefault_emitters=0\n[emitter0]\nfrequency_mhz=1.5\nlevel_dbm=-50\n");
  ASSERT_TRUE(VclTest::Click(win->MainBut4));  // the VLF category opens on the spectrum
  TUVLFSpectFrame* view = win->VlfFrame->VLFSpectFrame;
  ASSERT_TRUE(view->IsEntered());
  // Point i is i x 10 kHz: the emitter stands out at point 150, the band around it stays low.
  auto around = [&](int from, int to) {
    float top = 0;
    for (int i = from; i <= to; ++i) top = std::max(top, view->Spectrum().Get(0, unsigned(i)));
    return top;
  };
  EXPECT_TRUE(PumpUntil([&] {
    return around(147, 153) > 200 && around(100, 120) < 100 && around(180, 200) < 100;
  })) << around(147, 153)
      << " " << around(100, 120);
  EXPECT_EQ(view->MainDisplay()->Texts()[1], "2.50 MHz");
}

TEST_F(LocateViewTest, VlfSpectrumPanAndZoomStayInsideTheBand) {
  Start();
  ASSERT_TRUE(VclTest::Click(win->MainBut4));
  TUVLFSpectFrame* view = win->VlfFrame->VLFSpectFrame;
  ASSERT_TRUE(PumpUntil([&] { return view->Thread() != nullptr; }));
  StdDisplay& main = *view->MainDisplay();
  auto inside = [&] {
    return main.ZoomStart >= 0 && main.ZoomEnd <= 500 && view->Centre() - view->Span() / 2 >= 0 &&
           view->Centre() + view->Span() / 2 <= 5e6;
  };
  // Zoom in to the end, then one more step changes nothing.
  for (double span : {2e6, 1e6, 0.5e6, 0.5e6}) {
    view->OnWheel(-120);
    EXPECT_EQ(view->Span(), span);
    EXPECT_TRUE(inside());
  }
  EXPECT_EQ(main.Texts()[3], "VLF     Span: 0.5 MHz");
  // Drag far to the left (the view moves right) and beyond the band's end.
  const int y = 300;
  for (int i = 0; i < 10; ++i) {
    view->OnRenderWinMouseDown(mbLeft, ssLeft, 600, y);
    view->OnRenderWinMouseMove(ssLeft, 25, y);
    EXPECT_TRUE(inside());
  }
  EXPECT_DOUBLE_EQ(view->Centre(), 5e6 - 0.25e6);
  EXPECT_EQ(main.ZoomEnd.load(), 500);
  // A drag moves the centre by the span per viewport width.
  view->OnRenderWinMouseDown(mbLeft, ssLeft, 300, y);
  view->OnRenderWinMouseMove(ssLeft, 360, y);
  EXPECT_NEAR(view->Centre(), 4.75e6 - 60 * 0.5e6 / 600, 1e-3);
  // Zoom out at the edge: the full band, centred.
  for (int i = 0; i < 4; ++i) view->OnWheel(120);
  EXPECT_EQ(view->Span(), 5e6);
  EXPECT_DOUBLE_EQ(view->Centre(), 2.5e6);
  EXPECT_TRUE(inside());
  EXPECT_EQ(GlobalIOSettings->VlfSpan, 5e6);
  // Back after Leave and Enter at the stored centre and span.
  ASSERT_TRUE(VclTest::Click(win->MainBut5));
  GlobalIOSettings->VlfCenter = 9e6;  // out of range: brought inside
  GlobalIOSettings->VlfSpan = 3e6;    // not a wheel step: the full band
  ASSERT_TRUE(VclTest::Click(win->MainBut4));
  EXPECT_EQ(view->Span(), 5e6);
  EXPECT_TRUE(inside());
}

TEST(VlfView, WheelStepsAndCentreLimits) {
  using namespace vlf_view;
  EXPECT_EQ(NextSpan(5e6, -1), 2e6);
  EXPECT_EQ(NextSpan(0.5e6, -1), 0.5e6);
  EXPECT_EQ(NextSpan(5e6, 0), 5e6);
  EXPECT_EQ(NextSpan(1e6, 0), 2e6);
  EXPECT_EQ(NextSpan(3e6, 1), 3e6);
  EXPECT_EQ(ClampCentre(-1e6, 1e6), 0.5e6);
  EXPECT_EQ(ClampCentre(6e6, 2e6), 4e6);
  EXPECT_EQ(ValidSpan(3e6), 5e6);
  EXPECT_EQ(ValidSpan(1e6), 1e6);
}

}  // namespace
