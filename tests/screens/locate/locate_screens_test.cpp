// The locate and VLF views in the real main window, against the simulated instrument: each view
// entered from its category button starts its thread and fills its display, and leaving it stops
// the thread and puts the device back; field locate follows a transmitter that comes closer; the
// sonar's LEDs and digits follow the level, and an unplugged probe brings the hint back.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <ostream>
#include <string>

#include "device/InOut.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "engine/FieldLocateThreads.h"
#include "engine/SonarThreads.h"
#include "engine/SweepVlfThread.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TestHooks.h"
#include "screens/analyser/Volumeframeunit.h"
#include "screens/locate/Udigitalfieldlocateframeunit.h"
#include "screens/locate/Ufieldlocateframeunit.h"
#include "screens/locate/Usonarframeunit.h"
#include "screens/locate/Uvlfsonarframeunit.h"
#include "screens/locate/Uvlfspectframeunit.h"
#include "service/Selfcheckframeunit.h"
#include "base/Guard.h"
#include "base/PanelColours.h"
#include "shell/CategoryFrames.h"
#include "sim/Instrument.h"
#include "tests/shell/main/MainWinFixture.h"
#include "tests/support/Pump.h"
#include "tests/support/SimInstrument.h"

namespace {

// Runs the GUI's messages, timers and queued calls until done() holds (at most timeoutSeconds).
bool PumpUntil(const std::function<bool()>& done, double timeoutSeconds = 120.0) {
  return testpump::PumpUntil(testpump::Loop::Messages, done, std::chrono::duration<double>(timeoutSeconds));
}

// The main window drives the simulated instrument linked into the test, so the tests read and change
// the instrument it measures.
class LocateWinTest : public MainWinTest {
 protected:
  void SetUp() override {
    MainWinTest::SetUp();
    siminstrument::Bind();
  }
  void Start(const std::string& scenario = "") {
    ASSERT_TRUE(siminstrument::Load(scenario));
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

// The module is unplugged while the view runs: the first restoring call of every view fails, and
// Leave ends there with the view still shown. The VLF spectrum's Leave makes no device call and
// runs to its end.
TEST_P(LocateScreenTest, AFailedDeviceCallEndsLeaveWithTheViewStillShown) {
  const ScreenCase& c = GetParam();
  const bool restores = std::string(c.name) != "VlfSpectrum";
  Start();
  TLocateModeFrame* view = EnterView();
  ASSERT_TRUE(PumpUntil([&] { return c.threadRuns(view); }));
  usb2sim::UnplugNow();
  view->Leave();
  EXPECT_EQ(LinkUp.load(), 0);
  EXPECT_FALSE(c.threadRuns(view)) << "the thread stops before the device calls";
  EXPECT_EQ(view->Visible(), restores);
  EXPECT_EQ(view->Enabled(), restores);
  EXPECT_FALSE(view->IsEntered()) << "its work has stopped";
  EXPECT_EQ(Displayed(view->MainDisplay()), restores) << "Leave ends before the render loop loses it";
  EXPECT_EQ(view->MainDisplay()->LabelTitle->Visible(), restores) << "the labels stay";
  // Closing the program leaves it again, which hides it.
  view->Leave();
  EXPECT_FALSE(view->Visible());
}

INSTANTIATE_TEST_SUITE_P(Locate, LocateScreenTest, ::testing::ValuesIn(Screens),
                         [](const auto& info) { return std::string(info.param.name); });

class LocateViewTest : public LocateWinTest {};

// ---- The texts of the fatal-error reports ----

// Records the report text of every guarded operation entered on the test's thread while it lives.
class WatchedTexts {
 public:
  WatchedTexts() {
    watching_ = this;
    GuardEntered = &Note;
  }
  ~WatchedTexts() {
    GuardEntered = nullptr;
    watching_ = nullptr;
  }
  // Whether want appears in this order among the texts (others may stand between).
  bool InOrder(const std::vector<std::string>& want) const {
    auto at = texts.begin();
    for (const std::string& w : want) {
      at = std::find(at, texts.end(), w);
      if (at == texts.end()) return false;
      ++at;
    }
    return true;
  }
  std::vector<std::string> texts;

 private:
  // Threads other than the one that made the watch have no watch of their own.
  static void Note(const char* where) {
    if (watching_) watching_->texts.push_back(where);
  }
  inline static thread_local WatchedTexts* watching_ = nullptr;
};

std::string Joined(const std::vector<std::string>& texts) {
  std::string all;
  for (const std::string& t : texts) all += "[" + t + "] ";
  return all;
}

struct OperationCase {
  const char* text;  // what the operation reports
  std::function<void(TMainWin*)> call;
};

// Every operation of the views, called once; the first text it reports is its own.
TEST_F(LocateViewTest, EveryOperationReportsWithItsOwnText) {
  Start();
  auto field = [](TMainWin* w) { return w->LocateFrame->FieldLocateFrame; };
  auto digital = [](TMainWin* w) { return w->LocateFrame->DigFieldLocateFrame; };
  auto sonar = [](TMainWin* w) { return w->LocateFrame->SonarFrame; };
  auto spect = [](TMainWin* w) { return w->VlfFrame->VLFSpectFrame; };
  auto vlfSonar = [](TMainWin* w) { return w->VlfFrame->VLFSonarFrame; };
  const OperationCase cases[] = {
      {"TFieldLocateFrame::StartFieldThread",
       [&](TMainWin* w) {
         field(w)->StartFieldThread(400e6);
         field(w)->OnFieldThreadTerminate(nullptr);
       }},
      {"TFieldLocateFrame::OnFieldThreadTerminate",
       [&](TMainWin* w) { field(w)->OnFieldThreadTerminate(nullptr); }},
      {"TFieldLocateFrame::OnResize", [&](TMainWin* w) { field(w)->OnResize(nullptr); }},
      {"UpdateSkin", [&](TMainWin* w) { field(w)->UpdateSkin(); }},
      {"UpdateFromIni", [&](TMainWin* w) { field(w)->UpdateFromIni(); }},
      {"TFieldLocateFrame::OnTrackingPanelMouseDown",
       [&](TMainWin* w) { field(w)->OnTrackingPanelMouseDown(nullptr); }},
      {"TFieldLocateFrame::OnTrackingPanelMouseUp",
       [&](TMainWin* w) { field(w)->OnTrackingPanelMouseUp(nullptr); }},
      {"TFieldLocateFrame::OnTimer1", [&](TMainWin* w) { field(w)->OnTimer1(nullptr); }},
      {"TFieldLocateFrame::OnTrackBar1Change", [&](TMainWin* w) { field(w)->OnTrackBar1Change(nullptr); }},
      {"TFieldLocateFrame::OnCB1Click", [&](TMainWin* w) { field(w)->OnCB1Click(nullptr); }},
      {"TFieldLocateFrame::OnClickButClick", [&](TMainWin* w) { field(w)->OnClickButClick(nullptr); }},

      {"TUDigFieldLocateFrame::StartFieldThread",
       [&](TMainWin* w) {
         digital(w)->StartFieldThread(400e6);
         digital(w)->OnFieldThreadTerminate(nullptr);
       }},
      {"TUDigFieldLocateFrame::OnFieldThreadTerminate",
       [&](TMainWin* w) { digital(w)->OnFieldThreadTerminate(nullptr); }},
      {"TUDigFieldLocateFrame::SetGraphCommands", [&](TMainWin* w) { digital(w)->SetGraphCommands(false); }},
      {"TUDigFieldLocateFrame::OnResize", [&](TMainWin* w) { digital(w)->OnResize(nullptr); }},
      {"TUDigFieldLocateFrame::UpdateSkin", [&](TMainWin* w) { digital(w)->UpdateSkin(); }},
      {"TUDigFieldLocateFrame::UpdateFromIni", [&](TMainWin* w) { digital(w)->UpdateFromIni(); }},
      {"TUDigFieldLocateFrame::OnAttButMouseDown",
       [&](TMainWin* w) { digital(w)->OnAttButMouseDown(nullptr); }},
      {"TUDigFieldLocateFrame::OnAttButMouseUp", [&](TMainWin* w) { digital(w)->OnAttButMouseUp(nullptr); }},
      {"TUDigFieldLocateFrame::OnPDButMouseDown",
       [&](TMainWin* w) { digital(w)->OnPDButMouseDown(nullptr); }},
      {"TUDigFieldLocateFrame::OnPDButMouseUp", [&](TMainWin* w) { digital(w)->OnPDButMouseUp(nullptr); }},
      {"TUDigFieldLocateFrame::OnTrackBar1Change",
       [&](TMainWin* w) { digital(w)->OnTrackBar1Change(nullptr); }},

      {"TUSonarFrame::StartSonarThread",
       [&](TMainWin* w) {
         sonar(w)->StartSonarThread(400e6);
         sonar(w)->OnSonarThreadTerminate(nullptr);
       }},
      {"TUSonarFrame::OnSonarThreadTerminate",
       [&](TMainWin* w) { sonar(w)->OnSonarThreadTerminate(nullptr); }},
      {"TUSonarFrame::OnUsbTimer",
       [&](TMainWin* w) {
         sonar(w)->OnUsbTimer(nullptr);
         sonar(w)->OnSonarThreadTerminate(nullptr);
       }},
      {"TUSonarFrame::ShowSetupPanel", [&](TMainWin* w) { sonar(w)->ShowSetupPanel(); }},
      {"TUSonarFrame::OnTrackBar1Change", [&](TMainWin* w) { sonar(w)->OnTrackBar1Change(nullptr); }},
      {"TUSonarFrame::OnTrackingPanelMouseDown",
       [&](TMainWin* w) { sonar(w)->OnTrackingPanelMouseDown(nullptr); }},
      {"TUSonarFrame::OnTrackingPanelMouseUp",
       [&](TMainWin* w) { sonar(w)->OnTrackingPanelMouseUp(nullptr); }},
      {"TUSonarFrame::OnTimer2", [&](TMainWin* w) { sonar(w)->OnTimer2(nullptr); }},
      {"TUSonarFrame::OnTestButClick", [&](TMainWin* w) { sonar(w)->OnTestButClick(nullptr); }},
      {"TUSonarFrame::OnResize", [&](TMainWin* w) { sonar(w)->OnResize(nullptr); }},
      {"TUSonarFrame::UpdateSkin", [&](TMainWin* w) { sonar(w)->UpdateSkin(); }},

      {"TUVLFSpectFrame::StartSweepThread",
       [&](TMainWin* w) {
         spect(w)->StartSweepThread();
         spect(w)->OnSweepThreadTerminate(nullptr);
       }},
      {"TUVLFSpectFrame::OnSweepThreadTerminate",
       [&](TMainWin* w) { spect(w)->OnSweepThreadTerminate(nullptr); }},
      {"TUVLFSpectFrame::UpdateVolume", [&](TMainWin* w) { spect(w)->UpdateVolume(0); }},
      {"TUVLFSpectFrame::UpdateView", [&](TMainWin* w) { spect(w)->UpdateView(); }},
      {"TUVLFSpectFrame::ApplySpan", [&](TMainWin* w) { spect(w)->ApplySpan(); }},
      {"TUVLFSpectFrame::IsInDisplay", [&](TMainWin* w) { spect(w)->IsInDisplay(100, 100); }},
      {"TUVLFSpectFrame::OnRenderWinMouseDown",
       [&](TMainWin* w) { spect(w)->OnRenderWinMouseDown(mbLeft, ssLeft, 100, 100); }},
      {"TUVLFSpectFrame::OnRenderWinMouseUp",
       [&](TMainWin* w) { spect(w)->OnRenderWinMouseUp(mbLeft, ssLeft, 100, 100); }},
      {"TUVLFSpectFrame::OnRenderWinMouseMove",
       [&](TMainWin* w) { spect(w)->OnRenderWinMouseMove(ssLeft, 100, 100); }},
      {"TUVLFSpectFrame::OnWheel", [&](TMainWin* w) { spect(w)->OnWheel(120); }},
      {"TUVLFSpectFrame::OnAutodetectMouseDown",
       [&](TMainWin* w) { spect(w)->OnAutodetectMouseDown(nullptr); }},
      {"TUVLFSpectFrame::OnAutodetectMouseUp", [&](TMainWin* w) { spect(w)->OnAutodetectMouseUp(nullptr); }},
      {"TUVLFSpectFrame::OnTestButClick", [&](TMainWin* w) { spect(w)->OnTestButClick(nullptr); }},
      {"TUVLFSpectFrame::OnResize", [&](TMainWin* w) { spect(w)->OnResize(nullptr); }},
      {"TUVLFSpectFrame::UpdateFromIni", [&](TMainWin* w) { spect(w)->UpdateFromIni(); }},

      {"TUVLFSonarFrame::StartSonarThread",
       [&](TMainWin* w) {
         vlfSonar(w)->StartSonarThread(1e6);
         vlfSonar(w)->OnSonarThreadTerminate(nullptr);
       }},
      {"TUVLFSonarFrame::OnSonarThreadTerminate",
       [&](TMainWin* w) { vlfSonar(w)->OnSonarThreadTerminate(nullptr); }},
      {"TUVLFSonarFrame::OnUsbTimer",
       [&](TMainWin* w) {
         vlfSonar(w)->OnUsbTimer(nullptr);
         vlfSonar(w)->OnSonarThreadTerminate(nullptr);
       }},
      {"TUVLFSonarFrame::OnResize", [&](TMainWin* w) { vlfSonar(w)->OnResize(nullptr); }},
      {"TUVLFSonarFrame::UpdateSkin", [&](TMainWin* w) { vlfSonar(w)->UpdateSkin(); }},
  };
  for (const OperationCase& c : cases) {
    WatchedTexts watched;
    c.call(win);
    ASSERT_FALSE(watched.texts.empty()) << c.text;
    EXPECT_EQ(watched.texts.front(), c.text) << Joined(watched.texts);
  }
  EXPECT_EQ(LinkUp.load(), 1);
}

// Enter and Leave of each view as its category runs them, then construction and destruction.
TEST_F(LocateViewTest, LifeCycleOperationsReportWithTheirOwnTexts) {
  Start();
  struct Step {
    TImage* (*button)(TMainWin*);
    std::vector<std::string> texts;  // in this order
  };
  const Step steps[] = {
      {[](TMainWin* w) { return w->MainBut3; }, {"TUSonarFrame::Enter"}},
      {[](TMainWin* w) { return w->LocateFrame->Button(2); }, {"TUSonarFrame::Leave", "Enter"}},
      {[](TMainWin* w) { return w->LocateFrame->Button(3); }, {"Leave", "TUDigFieldLocateFrame::Enter"}},
      {[](TMainWin* w) { return w->MainBut4; }, {"Leave", "TUVLFSpectFrame::Enter"}},
      {[](TMainWin* w) { return w->VlfFrame->Button(4); },
       {"TUVLFSpectFrame::Leave", "TUVLFSonarFrame::Enter"}},
      {[](TMainWin* w) { return w->MainBut5; }, {"TUSonarFrame::Leave"}},
  };
  for (const Step& step : steps) {
    WatchedTexts watched;
    ASSERT_TRUE(VclTest::Click(step.button(win)));
    EXPECT_TRUE(watched.InOrder(step.texts)) << Joined(watched.texts);
  }
  struct Life {
    std::function<TLocateModeFrame*()> make;
    std::vector<std::string> made, freed;
  };
  const Life lives[] = {
      {[] { return new TFieldLocateFrame(nullptr); },
       {"TFieldLocateFrame", "CreateBuffers", "CreateDisplays", "UpdateFromIni"},
       {"~TFieldLocateFrame", "KillDisplays", "KillBuffers"}},
      {[] { return new TUDigFieldLocateFrame(nullptr); },
       {"TUDigFieldLocateFrame::TUDigFieldLocateFrame", "TUDigFieldLocateFrame::CreateBuffers",
        "TUDigFieldLocateFrame::CreateDisplays", "TUDigFieldLocateFrame::UpdateFromIni"},
       {"TUDigFieldLocateFrame::~TUDigFieldLocateFrame", "TUDigFieldLocateFrame::KillDisplays",
        "TUDigFieldLocateFrame::KillBuffers"}},
      {[] { return new TUSonarFrame(nullptr); },
       {"TUSonarFrame::TUSonarFrame", "TUSonarFrame::CreateBuffers", "TUSonarFrame::CreateDisplays",
        "TUSonarFrame::UpdateFromIni"},
       {"TUSonarFrame::~TUSonarFrame", "TUSonarFrame::KillDisplays", "TUSonarFrame::KillBuffers"}},
      {[] { return new TUVLFSpectFrame(nullptr); },
       {"TUVLFSpectFrame::TUVLFSpectFrame", "TUVLFSpectFrame::CreateBuffers",
        "TUVLFSpectFrame::CreateDisplays", "TUVLFSpectFrame::UpdateFromIni"},
       {"TUVLFSpectFrame::~TUVLFSpectFrame", "TUVLFSpectFrame::KillDisplays",
        "TUVLFSpectFrame::KillBuffers"}},
      {[] { return new TUVLFSonarFrame(nullptr); },
       {"TUVLFSonarFrame::TUVLFSonarFrame", "TUVLFSonarFrame::CreateBuffers",
        "TUVLFSonarFrame::CreateDisplays", "TUVLFSonarFrame::UpdateFromIni"},
       {"TUVLFSonarFrame::~TUVLFSonarFrame", "TUVLFSonarFrame::KillDisplays",
        "TUVLFSonarFrame::KillBuffers"}},
  };
  for (const Life& life : lives) {
    TLocateModeFrame* view = nullptr;
    {
      WatchedTexts watched;
      view = life.make();
      EXPECT_TRUE(watched.InOrder(life.made)) << Joined(watched.texts);
    }
    WatchedTexts watched;
    delete view;
    EXPECT_TRUE(watched.InOrder(life.freed)) << Joined(watched.texts);
  }
}

// ---- Field locate ----

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

// Without a thread the attenuation panel only darkens and the pulse panel does not answer; with one
// both take their colours on mouse-down and mouse-up.
TEST_F(LocateViewTest, DigitalFieldLocatePanelsAnswerOnlyWhileAThreadRuns) {
  Start();
  ASSERT_TRUE(VclTest::Click(win->MainBut3));
  ASSERT_TRUE(VclTest::Click(win->LocateFrame->Button(3)));
  TUDigFieldLocateFrame* view = win->LocateFrame->DigFieldLocateFrame;
  ASSERT_TRUE(PumpUntil([&] { return view->Thread() != nullptr; }));
  view->OnFieldThreadTerminate(nullptr);
  ASSERT_EQ(view->Thread(), nullptr);
  ASSERT_TRUE(VclTest::MouseDown(view->Panel1, mbLeft, 10, 10));
  EXPECT_EQ(view->Panel1->Color(), panel_colours::Pressed);
  ASSERT_TRUE(VclTest::MouseUp(view->Panel1, mbLeft, 10, 10));
  EXPECT_EQ(view->Panel1->Color(), panel_colours::Pressed);
  EXPECT_EQ(view->Panel1->Caption(), "Attenuation  Off");
  ASSERT_TRUE(VclTest::MouseDown(view->Panel2, mbLeft, 10, 10));
  EXPECT_EQ(view->Panel2->Color(), panel_colours::Released);
  ASSERT_TRUE(VclTest::MouseUp(view->Panel2, mbLeft, 10, 10));
  EXPECT_EQ(view->Panel2->Caption(), "Pulse Detect  Off");
  EXPECT_FALSE(view->PulseMode());
  // With a thread.
  view->StartFieldThread(GlobalIOSettings->Center);
  ASSERT_TRUE(VclTest::MouseUp(view->Panel1, mbLeft, 10, 10));
  EXPECT_EQ(view->Panel1->Color(), panel_colours::Released);
  EXPECT_EQ(view->Panel1->Caption(), "Attenuation  On");
  ASSERT_TRUE(VclTest::MouseDown(view->Panel2, mbLeft, 10, 10));
  EXPECT_EQ(view->Panel2->Color(), panel_colours::Pressed);
  ASSERT_TRUE(VclTest::MouseUp(view->Panel2, mbLeft, 10, 10));
  EXPECT_EQ(view->Panel2->Color(), panel_colours::Released);
  EXPECT_TRUE(view->PulseMode());
}

// The hidden track bar sets the attenuation of the running thread.
TEST_F(LocateViewTest, DigitalFieldLocateHiddenTrackBarSetsTheAttenuation) {
  Start();
  ASSERT_TRUE(VclTest::Click(win->MainBut3));
  ASSERT_TRUE(VclTest::Click(win->LocateFrame->Button(3)));
  TUDigFieldLocateFrame* view = win->LocateFrame->DigFieldLocateFrame;
  EXPECT_FALSE(view->TrackBar1->Visible());
  EXPECT_EQ(view->TrackBar1->Max(), 31);
  ASSERT_TRUE(PumpUntil([&] { return view->Thread() != nullptr; }));
  view->TrackBar1->SetPosition(12);
  EXPECT_TRUE(PumpUntil([] { return usb2sim::GetState().attenuatorDb == 12; }));
  view->TrackBar1->SetPosition(40);  // the bar's end
  EXPECT_TRUE(PumpUntil([] { return usb2sim::GetState().attenuatorDb == 31; }));
}

// ---- Field locate: the hidden service controls ----

TEST_F(LocateViewTest, FieldLocateHiddenControls) {
  Start();
  ASSERT_TRUE(VclTest::Click(win->MainBut3));
  ASSERT_TRUE(VclTest::Click(win->LocateFrame->Button(2)));
  TFieldLocateFrame* view = win->LocateFrame->FieldLocateFrame;
  for (TControl* hidden : {static_cast<TControl*>(view->TrackBar1), static_cast<TControl*>(view->CB1),
                           static_cast<TControl*>(view->Button1)})
    EXPECT_FALSE(hidden->Visible());
  EXPECT_EQ(view->CB1->Caption(), "Tracking");
  EXPECT_EQ(view->Button1->Caption(), "Click");
  ASSERT_TRUE(PumpUntil([&] { return view->Thread() != nullptr; }));
  // The check box switches tracking while a thread runs.
  view->CB1->SetChecked(true);
  EXPECT_TRUE(view->Thread()->AutoTracking());
  EXPECT_EQ(view->MainDisplay()->Commands->Count(), 5);
  view->CB1->SetChecked(false);
  EXPECT_FALSE(view->Thread()->AutoTracking());
  EXPECT_EQ(view->MainDisplay()->Commands->Count(), 1);
  // The track bar stops the thread and sets the sound potentiometer's first channel.
  view->TrackBar1->SetPosition(77);
  EXPECT_EQ(view->Thread(), nullptr);
  EXPECT_EQ(usb2sim::GetState().soundPot[0], 77);
  view->CB1->SetChecked(true);  // no thread: nothing
  // The button sets the audio path up at the analyser centre.
  view->StartFieldThread(GlobalIOSettings->Center);
  ASSERT_NE(view->Thread(), nullptr);
  view->OnClickButClick(nullptr);
  EXPECT_EQ(view->Thread(), nullptr);
  const usb2sim::State state = usb2sim::GetState();
  EXPECT_EQ(state.soundPot[1], 167);
  EXPECT_EQ(state.soundWord, 135);
  EXPECT_EQ(state.ifFilter[0], 3);
  EXPECT_NEAR(state.receiveHz, GlobalIOSettings->Center, 1e3);
  EXPECT_EQ(LinkUp.load(), 1);
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

// Both probe views hide the hint only once Leave's device calls went through: a failed call (the
// module unplugged) ends Leave with the hint still shown.
struct ProbeViewCase {
  const char* name;
  int category, button;
  std::function<TProbeLocateFrame*(TMainWin*)> view;
};
std::ostream& operator<<(std::ostream& os, const ProbeViewCase& c) { return os << c.name; }

class ProbeHintTest : public LocateWinTest, public ::testing::WithParamInterface<ProbeViewCase> {};

TEST_P(ProbeHintTest, AFailedLeaveKeepsTheHintShown) {
  const ProbeViewCase& c = GetParam();
  Start("[probe]\npresent=0\n");
  TImage* const mainButtons[] = {win->MainBut1, win->MainBut2, win->MainBut3, win->MainBut4};
  ASSERT_TRUE(VclTest::Click(mainButtons[c.category - 1]));
  ASSERT_TRUE(VclTest::Click(win->CategoryFrame(c.category)->Button(c.button)));
  TProbeLocateFrame* view = c.view(win);
  ASSERT_TRUE(PumpUntil([&] { return view->HintShown(); }));
  usb2sim::UnplugNow();
  view->Leave();
  EXPECT_EQ(LinkUp.load(), 0);
  EXPECT_TRUE(view->Visible());
  EXPECT_TRUE(view->HintShown());
}

INSTANTIATE_TEST_SUITE_P(
    Probe, ProbeHintTest,
    ::testing::Values(
        ProbeViewCase{"Sonar", 3, 1,
                      [](TMainWin* w) -> TProbeLocateFrame* { return w->LocateFrame->SonarFrame; }},
        ProbeViewCase{"VlfSonar", 4, 4,
                      [](TMainWin* w) -> TProbeLocateFrame* { return w->VlfFrame->VLFSonarFrame; }}),
    [](const auto& info) { return std::string(info.param.name); });

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

// The service access code typed into the self-test view's password field opens the sonar view's
// set-up panel with the stored values as they are, 0 and 255 included (the clock bar holds 150..190).
TEST_F(LocateViewTest, ServiceAccessCodeOpensTheSonarSetupPanelWithTheStoredValues) {
  Start();
  TUSonarFrame* sonar = win->LocateFrame->SonarFrame;
  ASSERT_TRUE(VclTest::Click(win->MainBut8));
  ASSERT_TRUE(VclTest::Click(win->SettingFrame->Button(2)));
  TSelfCheckFrame* selfCheck = win->SettingFrame->SelfCheckFrame;
  ASSERT_TRUE(VclTest::TypeText(selfCheck->Edit1, "quorbi"));
  EXPECT_FALSE(sonar->SetupPanel->Visible());
  struct Case {
    uint8_t sensitivity, clock;
    int sensitivityBar, clockBar;
  };
  const Case cases[] = {{0, 255, 0, 190}, {255, 0, 255, 150}, {90, 170, 90, 170}};
  for (const Case& c : cases) {
    ASSERT_TRUE(IOCtrl->WriteEEPromByte(17, c.sensitivity) && IOCtrl->WriteEEPromByte(18, c.clock));
    selfCheck->Edit1->SetText("");
    ASSERT_TRUE(VclTest::TypeText(selfCheck->Edit1, "quorbix"));
    EXPECT_TRUE(sonar->SetupPanel->Visible());
    EXPECT_EQ(sonar->TrackBar1->Position(), c.sensitivityBar) << int(c.sensitivity);
    EXPECT_EQ(sonar->TrackBar2->Position(), c.clockBar) << int(c.clock);
    EXPECT_EQ(usb2sim::GetState().eeprom[17], c.sensitivity) << "loading writes nothing back";
    EXPECT_EQ(usb2sim::GetState().eeprom[18], c.clock);
  }
  // On the sonar view the operator sets the probe's sensitivity, which is stored.
  ASSERT_TRUE(VclTest::Click(win->MainBut3));
  ASSERT_TRUE(PumpUntil([&] { return sonar->Thread() != nullptr; }));
  EXPECT_TRUE(sonar->SetupPanel->Visible());
  EXPECT_TRUE(sonar->TrackBar1->Visible());
  sonar->TrackBar1->SetPosition(120);
  ASSERT_TRUE(PumpUntil([] { return usb2sim::GetState().eeprom[17] == 120; }));
  EXPECT_EQ(usb2sim::GetState().soundPot[0], 120);
  EXPECT_EQ(usb2sim::GetState().eeprom[18], 170);
  EXPECT_EQ(LinkUp.load(), 1);
}

TEST_F(LocateViewTest, SonarTrackingPanelTakesBackItsColourOnAMouseMove) {
  Start();
  ASSERT_TRUE(VclTest::Click(win->MainBut3));
  TUSonarFrame* view = win->LocateFrame->SonarFrame;
  ASSERT_TRUE(PumpUntil([&] { return view->Thread() != nullptr; }));
  ASSERT_TRUE(VclTest::MouseDown(view->Panel1, mbLeft, 10, 10));
  EXPECT_EQ(view->Panel1->Color(), panel_colours::Pressed);
  EXPECT_TRUE(view->Sonar()->AutoTracking());
  EXPECT_TRUE(view->Timer2->Enabled());
  ASSERT_TRUE(VclTest::MouseUp(view->Panel1, mbLeft, 10, 10));
  EXPECT_EQ(view->Panel1->Color(), panel_colours::Pressed) << "no mouse-up handler";
  ASSERT_TRUE(VclTest::MouseMove(view->Panel1, 12, 10));
  EXPECT_EQ(view->Panel1->Color(), panel_colours::Released);
  EXPECT_EQ(view->Panel1->Font()->Color(), clScrollBar);
}

// The hidden "Test" button: the LED count runs 16..32 and starts again at 16; the digits show the
// next count; the results stand in the title.
TEST_F(LocateViewTest, SonarHiddenTestButtonStepsTheLedBar) {
  Start("[probe]\npresent=1\n");
  TUSonarFrame* view = win->LocateFrame->SonarFrame;
  EXPECT_FALSE(view->Button1->Visible());
  EXPECT_FALSE(view->Edit1->Visible());
  EXPECT_EQ(view->Button1->Caption(), "Test");
  std::vector<int> leds;
  for (int i = 0; i < 18; ++i) {
    view->OnTestButClick(nullptr);
    leds.push_back(usb2sim::GetState().ledCount);
  }
  std::vector<int> expected;
  for (int n = 16; n <= 32; ++n) expected.push_back(n);
  expected.push_back(16);
  EXPECT_EQ(leds, expected);
  EXPECT_EQ(view->TestCount(), 17);
  EXPECT_EQ(usb2sim::GetState().digits, "0.17");
  EXPECT_EQ(view->MainDisplay()->Texts()[3], "true   true   true   true   ");
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

TEST_F(LocateViewTest, VlfSpectrumZoomsThroughTheWheelStepsAndPansWithoutBounds) {
  Start();
  ASSERT_TRUE(VclTest::Click(win->MainBut4));
  TUVLFSpectFrame* view = win->VlfFrame->VLFSpectFrame;
  ASSERT_TRUE(PumpUntil([&] { return view->Thread() != nullptr; }));
  StdDisplay& main = *view->MainDisplay();
  // Zoom in to the end, then one more step changes nothing.
  for (double span : {2e6, 1e6, 0.5e6, 0.5e6}) {
    view->OnWheel(-120);
    EXPECT_EQ(view->Span(), span);
  }
  EXPECT_EQ(main.Texts()[3], "VLF     Span: 0.5 MHz");
  EXPECT_EQ(GlobalIOSettings->VlfSpan, 0.5e6);
  EXPECT_EQ(main.ZoomStart.load(), 225);
  EXPECT_EQ(main.ZoomEnd.load(), 275);
  // Each drag moves the centre by exactly the span per viewport width (600 pixels), also beyond
  // the band's end.
  const int y = 300;
  double centre = 2.5e6;
  for (int i = 0; i < 10; ++i) {
    view->OnRenderWinMouseDown(mbLeft, ssLeft, 600, y);
    view->OnRenderWinMouseMove(ssLeft, 25, y);
    centre += 575 * 0.5e6 / 600;
    EXPECT_NEAR(view->Centre(), centre, 1e-6) << i;
  }
  EXPECT_GT(view->Centre(), 7e6);
  EXPECT_EQ(view->Edit1->Text(), "600") << "the hidden edit shows the press";
  EXPECT_EQ(GlobalIOSettings->VlfCenter, view->Centre());
  EXPECT_GT(main.ZoomStart.load(), 500) << "the view lies beyond the spectrum's points";
  EXPECT_EQ(main.Texts()[1], FormatFloat("0.00 MHz", view->Centre() / 1e6));
  // Drawn there (level 0) without reading outside the spectrum; the listening tuner stays at the
  // band's edge and the sweeps go on.
  EXPECT_TRUE(DisplayListGlobal->RenderAll());
  const unsigned sweeps = usb2sim::GetState().sweeps;
  EXPECT_TRUE(PumpUntil([&] { return usb2sim::GetState().sweeps > sweeps + 2; }));
  EXPECT_LE(usb2sim::GetState().audioReceiveHz, 5e6 + 1);
  EXPECT_EQ(LinkUp.load(), 1);
  // Below the band as well.
  view->OnRenderWinMouseDown(mbLeft, ssLeft, 25, y);
  view->OnRenderWinMouseMove(ssLeft, 600, y);
  const double before = view->Centre();
  for (int i = 0; i < 20; ++i) {
    view->OnRenderWinMouseDown(mbLeft, ssLeft, 25, y);
    view->OnRenderWinMouseMove(ssLeft, 600, y);
  }
  EXPECT_NEAR(view->Centre(), before - 20 * 575 * 0.5e6 / 600, 1e-6);
  EXPECT_LT(main.ZoomEnd.load(), 0);
  EXPECT_TRUE(DisplayListGlobal->RenderAll());
  // Zooming out keeps the centre where it is.
  const double far = view->Centre();
  for (int i = 0; i < 4; ++i) view->OnWheel(120);
  EXPECT_EQ(view->Span(), 5e6);
  EXPECT_EQ(view->Centre(), far);
  EXPECT_EQ(GlobalIOSettings->VlfSpan, 5e6);
}

TEST_F(LocateViewTest, VlfSpectrumTakesTheStoredCentreAndSpanAsStored) {
  Start();
  ASSERT_TRUE(VclTest::Click(win->MainBut4));
  TUVLFSpectFrame* view = win->VlfFrame->VLFSpectFrame;
  ASSERT_TRUE(VclTest::Click(win->MainBut5));
  GlobalIOSettings->VlfCenter = 9e6;  // beyond the band
  GlobalIOSettings->VlfSpan = 3e6;    // not a wheel step
  ASSERT_TRUE(VclTest::Click(win->MainBut4));
  ASSERT_TRUE(PumpUntil([&] { return view->Thread() != nullptr; }));
  StdDisplay& main = *view->MainDisplay();
  EXPECT_EQ(view->Centre(), 9e6);
  EXPECT_EQ(view->Span(), 3e6);
  EXPECT_EQ(main.ZoomStart.load(), 750);
  EXPECT_EQ(main.ZoomEnd.load(), 1050);
  EXPECT_EQ(main.Texts()[3], "VLF     Span: 3.0 MHz");
  EXPECT_TRUE(DisplayListGlobal->RenderAll());
  // The wheel has no step from a span that is not one of its own.
  view->OnWheel(-120);
  view->OnWheel(120);
  EXPECT_EQ(view->Span(), 3e6);
  EXPECT_TRUE(PumpUntil([&] { return view->Thread()->SpanInUse.load() == 3e6; }));
  EXPECT_EQ(LinkUp.load(), 1);
}

// " Autodetect" takes no pressed colour; each press silences the speaker and starts a search. The
// three search commands are set once however often it is pressed.
TEST_F(LocateViewTest, VlfSpectrumAutodetectPanel) {
  Start();
  ASSERT_TRUE(VclTest::Click(win->MainBut4));
  TUVLFSpectFrame* view = win->VlfFrame->VLFSpectFrame;
  ASSERT_TRUE(PumpUntil([&] { return view->Thread() != nullptr; }));
  for (int press = 0; press < 2; ++press) {
    ASSERT_TRUE(VclTest::MouseDown(view->Panel2, mbLeft, 10, 10));
    EXPECT_EQ(view->Panel2->Color(), panel_colours::Released);
    EXPECT_EQ(static_cast<TVolumeFrame*>(VolumeFrame)->Volume, 0);
    EXPECT_EQ(view->MainDisplay()->Commands->Count(), 3);
    ASSERT_TRUE(VclTest::MouseUp(view->Panel2, mbLeft, 10, 10));
    EXPECT_EQ(view->Panel2->Color(), panel_colours::Released);
  }
  EXPECT_TRUE(PumpUntil([&] { return view->Thread()->SearchesDone.load() > 0; }));
}

// The hidden "Test" button draws the band table's range bar into Image1 on the hidden Panel1, which
// it moves onto the render window.
TEST_F(LocateViewTest, VlfSpectrumHiddenTestButtonDrawsTheRangeBar) {
  Start();
  TUVLFSpectFrame* view = win->VlfFrame->VLFSpectFrame;
  EXPECT_FALSE(view->Button1->Visible());
  EXPECT_FALSE(view->Panel1->Visible());
  EXPECT_FALSE(view->Edit1->Visible());
  EXPECT_TRUE(view->Image1->Visible());
  EXPECT_EQ(view->Image1->BoundsRect(), TRect(268, 20, 268 + 169, 20 + 45));
  view->OnTestButClick(nullptr);
  EXPECT_EQ(view->Panel1->Parent(), RenderWindow);
  EXPECT_EQ(view->Panel1->Width(), 500);
  EXPECT_EQ(view->Panel1->Height(), 30);
  EXPECT_FALSE(view->Panel1->Visible());
  EXPECT_EQ(view->Image1->Parent(), view->Panel1);
  EXPECT_EQ(view->Image1->BoundsRect(), TRect(0, 0, 500, 30));
  EXPECT_GT(view->Image1->Picture()->Bitmap()->Width(), 0);
  EXPECT_EQ(view->MainDisplay()->MarginTop, 60);
}

TEST(VlfView, WheelStepsAndPointIndices) {
  using namespace vlf_view;
  EXPECT_EQ(NextSpan(5e6, -1), 2e6);
  EXPECT_EQ(NextSpan(0.5e6, -1), 0.5e6);
  EXPECT_EQ(NextSpan(5e6, 0), 5e6);
  EXPECT_EQ(NextSpan(1e6, 0), 2e6);
  EXPECT_EQ(NextSpan(3e6, 1), 3e6);
  EXPECT_EQ(PointIndex(-12.7), -12);
  EXPECT_EQ(PointIndex(499.9), 499);
  EXPECT_EQ(PointIndex(1e300), 1000000000);
  EXPECT_EQ(PointIndex(-1e300), -1000000000);
  EXPECT_EQ(PointIndex(std::nan("")), 0);
}

}  // namespace
