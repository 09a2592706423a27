// One end-to-end fixture across the analyser views built on the shared life cycle: each view is
// entered through its category button, sweeps the detail at 868.3 MHz with the carrier in the
// middle, switches to the overview above 10 MHz, and stops both threads and keeps centre and span
// when the next view is entered.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "display/DirectXBase.h"
#include "display/Display.h"
#include "engine/Search.h"
#include "platform/rtl/Classes.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/TestHooks.h"
#include "screens/analyser/Freqcontrolframeunit.h"
#include "screens/analyser/Intensitysettingsframeunit.h"
#include "screens/analyser/Testsoundframeunit.h"
#include "screens/analyser/Uanalyzerframeunit.h"
#include "screens/analyser/Uaudioframeunit.h"
#include "screens/analyser/Udiffframeunit.h"
#include "screens/analyser/Udigitalframeunit.h"
#include "screens/analyser/Uintensityframeunit.h"
#include "screens/analyser/Umaxholdframeunit.h"
#include "screens/analyser/Updownframeunit.h"
#include "screens/analyser/Volumeframeunit.h"
#include "shell/CategoryFrames.h"
#include "base/Guard.h"
#include "base/HardwareLockGuard.h"
#include "base/Language.h"
#include "base/Log.h"
#include "sim/Instrument.h"
#include "tests/shell/main/MainWinFixture.h"
#include "tests/support/Pump.h"
#include "tests/support/SimInstrument.h"

namespace {

struct ViewCase {
  const char* name;
  int button;
  // The detail level of point i as the view keeps it (channel 0 of the digital views).
  std::function<float(TAnalyserViewBase*, unsigned)> level;
  const char* viewClass;
  // Where the detail and overview displays show their fade symbols.
  float symbolX, symbolY;
};

std::ostream& operator<<(std::ostream& os, const ViewCase& c) { return os << c.name; }

float TraceLevel(TAnalyserViewBase* v, unsigned i) { return v->DetailTrace()->GetPoint(i); }
float DigitalLevel(TAnalyserViewBase* v, unsigned i) {
  return static_cast<TDigitalTraceViewBase*>(v)->DetailDigital()->Get(0, i);
}

class AnalyserViewsTest : public MainWinTest, public ::testing::WithParamInterface<ViewCase> {
 protected:
  template <typename Done>
  bool Run(Done done) {
    return testpump::PumpUntil(testpump::Loop::Messages, done);
  }
  TAnalyserViewBase* Enter(int button) {
    EXPECT_TRUE(VclTest::Click(win->AnalyzerFrame->Button(button)));
    for (TModeFrameBase* v : win->AnalyzerFrame->Views())
      if (v->IsEntered()) return dynamic_cast<TAnalyserViewBase*>(v);
    return nullptr;
  }
  // The program loads the simulator linked into this test, so the test reads what the instrument
  // was told.
  void StartOnLinkedSimulator(const std::string& scenario = "") {
    siminstrument::Bind();
    ASSERT_TRUE(siminstrument::Load(scenario));
    Start();
  }
  // Waits until the instrument has made at least n more sweeps.
  bool WaitSweeps(unsigned n) {
    const unsigned from = usb2sim::GetState().sweeps;
    return Run([&] { return usb2sim::GetState().sweeps >= from + n; });
  }
};

TEST_P(AnalyserViewsTest, DetailAndOverviewSweepsAndLeave) {
  const ViewCase& c = GetParam();
  Start();
  TAnalyserViewBase* view = Enter(c.button);
  ASSERT_NE(view, nullptr);
  auto* freq = static_cast<TFreqControlFrame*>(FreqControlFrame);
  EXPECT_EQ(freq->Parent(), view);
  freq->SetCenter(868.3);
  freq->SetSpan(5);
  ASSERT_TRUE(view->DetailRunning());
  // The first detail pass reaches the buffer.
  ASSERT_TRUE(Run([&] { return c.level(view, 0) > 0 && c.level(view, 999) > 0; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  int top = 0;
  for (unsigned i = 0; i < 1000; ++i)
    if (c.level(view, i) > c.level(view, unsigned(top))) top = int(i);
  EXPECT_NEAR(top, 500, 25);  // inside the carrier's flat top
  freq->SetSpan(50);
  EXPECT_TRUE(view->OverviewRunning());
  EXPECT_FALSE(view->DetailRunning());
  // Entering the spectrum view (or, from it, the max hold view) leaves this one.
  TAnalyserViewBase* next = Enter(c.button == 1 ? 5 : 1);
  ASSERT_NE(next, view);
  EXPECT_FALSE(view->DetailRunning());
  EXPECT_FALSE(view->OverviewRunning());
  EXPECT_DOUBLE_EQ(GlobalIOSettings->Center, 868.3e6);
  EXPECT_DOUBLE_EQ(GlobalIOSettings->Span, 50e6);
  EXPECT_DOUBLE_EQ(freq->Center, 868.3);  // taken up by the next view
}

// Centre and span go from view to view: a view entered with a detail span must show its detail
// display, not the overview display that shares its place.
TEST_P(AnalyserViewsTest, EnteredWithADetailSpanItShowsTheDetailDisplay) {
  const ViewCase& c = GetParam();
  Start();
  Enter(c.button == 1 ? 5 : 1);
  auto* freq = static_cast<TFreqControlFrame*>(FreqControlFrame);
  freq->SetCenter(868.3);
  freq->SetSpan(5);
  TAnalyserViewBase* view = Enter(c.button);
  ASSERT_NE(view, nullptr);
  ASSERT_TRUE(view->DetailRunning());
  EXPECT_EQ(view->DetailDisplay()->Visible, 1);
  EXPECT_EQ(view->OverviewDisplay()->Visible, 0);
  freq->SetSpan(50);
  EXPECT_EQ(view->DetailDisplay()->Visible, 0);
  EXPECT_EQ(view->OverviewDisplay()->Visible, 1);
}

// The fade symbols stand inside the display that fades them, clear of the view's other displays,
// and the control strip behind the frames shows the skin's panel 3.
TEST_P(AnalyserViewsTest, FadeSymbolsStandInTheirDisplayAndTheStripShowsTheSkinPanel) {
  const ViewCase& c = GetParam();
  Start();
  TAnalyserViewBase* view = Enter(c.button);
  ASSERT_NE(view, nullptr);
  for (StdDisplay* d : {view->DetailDisplay(), view->OverviewDisplay()}) {
    ASSERT_GT(d->Symbols->Count(), 6);
    for (int i = 0; i < d->Symbols->Count(); ++i) {
      EXPECT_EQ(d->Symbols->Get(i)->Sprite->Position.x, c.symbolX) << i;
      EXPECT_EQ(d->Symbols->Get(i)->Sprite->Position.y, c.symbolY) << i;
    }
  }
  TBitmap* panel = GlobalLanguageSkinTool->GetPanel(3);
  ASSERT_NE(panel, nullptr);
  win->SetBounds(0, 0, 1024, 768);  // the views are laid out again
  Application->ProcessMessages();
  EXPECT_EQ(view->Image->Picture()->Width(), panel->Width());
  EXPECT_EQ(view->Image->Picture()->Height(), panel->Height());
  EXPECT_EQ(view->Image->BoundsRect(), view->ClientRect());
}

// Leaving the spectrum view (and the others) turns the volume slider to 0; leaving the audio view
// keeps it. The next view's detail sweep raises the sound processor to the slider's volume.
TEST_P(AnalyserViewsTest, LeavingSetsTheVolumeTheNextDetailSweepStartsWith) {
  const ViewCase& c = GetParam();
  StartOnLinkedSimulator();
  auto* volume = static_cast<TVolumeFrame*>(VolumeFrame);
  auto* freq = static_cast<TFreqControlFrame*>(FreqControlFrame);
  TAnalyserViewBase* view = Enter(c.button);
  ASSERT_NE(view, nullptr);
  freq->SetCenter(868.3);
  freq->SetSpan(5);
  volume->MoveSlider(500);
  ASSERT_EQ(volume->Volume, 240);
  ASSERT_TRUE(Run([] { return (usb2sim::GetState().soundProcessor[0] & 0x3F) == 240 / 4; }));
  TAnalyserViewBase* next = Enter(c.button == 1 ? 4 : 1);
  ASSERT_TRUE(next->DetailRunning());
  const int kept = c.button == 4 ? 240 : 0;
  EXPECT_EQ(volume->Volume, kept);
  EXPECT_EQ(usb2sim::GetState().soundProcessor[0] & 0x3F, kept / 4);
}

const std::vector<ViewCase> AllViews = {{"Spectrum", 1, TraceLevel, "TUAnalyzerFrame", 50, 200},
                                        {"Intensity", 2, TraceLevel, "TUIntensityFrame", 80, 530},
                                        {"Digital", 3, DigitalLevel, "TUDigitalFrame", 80, 630},
                                        {"Audio", 4, TraceLevel, "TUAudioFrame", 50, 200},
                                        {"MaxHold", 5, DigitalLevel, "TUMaxHoldFrame", 50, 200},
                                        {"Differential", 6, DigitalLevel, "TUDiffFrame", 50, 200}};
std::string ViewName(const ::testing::TestParamInfo<ViewCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Views, AnalyserViewsTest, ::testing::ValuesIn(AllViews), ViewName);

class DigitalViewsTest : public AnalyserViewsTest {};

TEST_F(DigitalViewsTest, DifferentialShowsInputBLowerAndLeavesOnTheNormalInputWithinFiveGigahertz) {
  StartOnLinkedSimulator();
  auto* freq = static_cast<TFreqControlFrame*>(FreqControlFrame);
  freq->SetCenter(8000);  // in the spectrum view, kept when it is left
  auto* view = static_cast<TUDiffFrame*>(Enter(6));
  EXPECT_DOUBLE_EQ(freq->Center, 5000);  // limited before the first sweep
  freq->SetCenter(868.3);
  freq->SetSpan(5);
  DigitalBuffer* d = view->DetailDigital();
  ASSERT_TRUE(Run([&] { return d->Get(1, 500) > 0; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  double difference = 0;
  for (unsigned i = 480; i <= 520; ++i) difference += d->Get(0, i) - d->Get(1, i);
  EXPECT_NEAR(difference / 41, 6 * 1.8, 3.5);
  // Leaving from either sweep puts the instrument back on its normal input.
  for (double span : {5.0, 50.0}) {
    if (!view->IsEntered()) Enter(6);
    freq->SetSpan(span);
    ASSERT_TRUE(WaitSweeps(4));
    ASSERT_NE(usb2sim::GetState().input, 0) << span;  // the sweeps switch between inputs A and B
    view->Leave();
    EXPECT_EQ(usb2sim::GetState().input, 0) << span;
    EXPECT_DOUBLE_EQ(freq->MaxFrequency, 15000);
  }
}

TEST_F(DigitalViewsTest, MaxHoldClearStartsTheHeldTraceAgain) {
  Start();
  auto* view = static_cast<TUMaxHoldFrame*>(Enter(5));
  auto* freq = static_cast<TFreqControlFrame*>(FreqControlFrame);
  freq->SetCenter(1880);
  freq->SetSpan(5);
  DigitalBuffer* d = view->DetailDigital();
  ASSERT_TRUE(Run([&] { return d->Get(1, 500) > 150; }));  // the pulsed emitter's held level
  view->OnClearButMouseDown(view->Panel1, mbLeft, 0, 0, 0);
  {
    HardwareLockGuard lock;  // no sweep lands between the clear and the look
    view->OnClearButMouseUp(view->Panel1, mbLeft, 0, 0, 0);
    EXPECT_EQ(d->Get(1, 500), 0.0f);
  }
  ASSERT_TRUE(Run([&] { return d->Get(1, 500) > 0; }));
}

TEST_F(DigitalViewsTest, AudioViewShowsTheTonesSpectrumAndTakesTheTestSoundButton) {
  Start();
  auto* view = static_cast<TUAudioFrame*>(Enter(4));
  auto* freq = static_cast<TFreqControlFrame*>(FreqControlFrame);
  auto* sound = static_cast<TTestSoundFrame*>(TestSoundFrame);
  EXPECT_EQ(sound->Parent(), view);
  freq->SetCenter(868.3);
  freq->SetSpan(5);
  NormalBuffer* audio = view->AudioTrace();
  ASSERT_TRUE(Run([&] { return audio->GetPoint(23) == 1.0f || audio->GetPoint(22) == 1.0f; }));  // 1 kHz
  // The test sound records the four stored tones in turn (slots 0..3) and ends on slot 3; until
  // then the recordings use the view's slot 2.
  auto* thread = dynamic_cast<SweepFFTThread*>(view->AThread());
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(thread->SoundSlot.load(), 2);
  sound->OnPanel1MouseDown(sound->Panel1, mbLeft, 0, 0, 0);
  sound->OnPanel1MouseUp(sound->Panel1, mbLeft, 0, 0, 0);
  ASSERT_TRUE(Run([&] { return thread->SoundSlot.load() == 3; }));
  Enter(1);
  EXPECT_EQ(sound->Parent(), nullptr);
}

// The audio view's overview draws its own band bar when its sweep starts; the spectrum view's
// overview has only the strip over the render window.
TEST_F(DigitalViewsTest, AudioOverviewDrawsItsOwnBandBar) {
  Start();
  auto* freq = static_cast<TFreqControlFrame*>(FreqControlFrame);
  TAnalyserViewBase* spectrum = Enter(1);
  freq->SetSpan(100);
  ASSERT_TRUE(spectrum->OverviewRunning());
  EXPECT_EQ(spectrum->OverviewDisplay()->RangeBar, nullptr);
  ASSERT_TRUE(Run([] { return !ResizeTimer->Enabled(); }));
  auto* view = static_cast<TUAudioFrame*>(Enter(4));
  ASSERT_TRUE(view->OverviewRunning());
  ASSERT_NE(view->OverviewDisplay()->RangeBar, nullptr);
  EXPECT_EQ(view->OverviewDisplay()->MarginTop, 60);
  // The render window lays itself out once more, which places the new displays' labels.
  EXPECT_TRUE(ResizeTimer->Enabled());
}

// A search up that finds the held maximum's peak at point 520 retunes the centre to
// centre - 5 + 5.2 MHz and moves the held trace 21 points down with it.
TEST_F(DigitalViewsTest, MaxHoldSearchHitMovesTheHeldTraceWithTheCentre) {
  Start();
  auto* view = static_cast<TUMaxHoldFrame*>(Enter(5));
  auto* freq = static_cast<TFreqControlFrame*>(FreqControlFrame);
  freq->SetCenter(3000);
  freq->SetSpan(5);
  ASSERT_TRUE(view->DetailRunning());
  DigitalBuffer* d = view->DetailDigital();
  HardwareLockGuard lock;  // no sweep merges into the held trace meanwhile
  for (unsigned i = 0; i < 1000; ++i) d->SetValue(1, i, i >= 510 && i <= 530 ? 200.0f : 50.0f);
  SearchMarkList hits;
  ASSERT_TRUE(SearchAMode(d, 1, true, &hits));
  ASSERT_EQ(hits.Index(0), 520);  // the block's middle is the peak the search sees
  auto* updown = static_cast<TUpDownFrame*>(UpDownFrame);
  updown->OnButtonMouseDown(updown->Image3, mbLeft, 0, 0, 0);
  EXPECT_NEAR(freq->Center, 3000 - 5 + 5.2, 1e-3);
  EXPECT_EQ(d->Get(1, 488), 50.0f);
  EXPECT_EQ(d->Get(1, 489), 200.0f);
  EXPECT_EQ(d->Get(1, 509), 200.0f);
  EXPECT_EQ(d->Get(1, 510), 50.0f);
}

// Rows of the waterfall holding a sweep, and whether the newest row is the detail trace's last
// sweep (levels x 0.00392), read in one hold of the lock the thread stores under.
struct WaterLook {
  int filledRows = 0;
  bool newestIsTheTrace = true;
};
WaterLook LookAtWaterfall(TUIntensityFrame* view) {
  HardwareLockGuard lock;
  WaterfallBuffer* w = view->Waterfall();
  WaterLook look;
  for (unsigned age = 0; age < w->RowCount; ++age) {
    SharedFloat* row = w->GetBufferForDisplay(int(age));
    for (unsigned i = 0; i < w->Width; ++i)
      if (row[i] > 0.0f) {
        ++look.filledRows;
        break;
      }
  }
  // The ring keeps RowCount - 1 rows; the newest has the age RowCount - 2.
  SharedFloat* newest = w->GetBufferForDisplay(int(w->RowCount) - 2);
  for (unsigned i = 0; i < w->Width; ++i)
    if (std::abs(newest[i] - view->DetailTrace()->GetPoint(i) * 0.00392f) > 1e-4f) look.newestIsTheTrace = false;
  return look;
}

TEST_F(DigitalViewsTest, IntensityAddsARowPerSweepAndItsSettingsStartTheWaterfallAgain) {
  Start();
  auto* view = static_cast<TUIntensityFrame*>(Enter(2));
  auto* settings = static_cast<TIntensitySettingsFrame*>(IntensitySettingsFrame);
  auto* freq = static_cast<TFreqControlFrame*>(FreqControlFrame);
  EXPECT_EQ(settings->Parent(), view);
  EXPECT_EQ(MinMaxSweepParam.load(), 20);  // the digital view's word sweeps from now on
  freq->SetCenter(868.3);
  freq->SetSpan(5);
  // The span change cleared the history; each sweep adds its trace as the newest row.
  ASSERT_TRUE(Run([&] { return LookAtWaterfall(view).filledRows >= 3; }));
  WaterLook look = LookAtWaterfall(view);
  EXPECT_TRUE(look.newestIsTheTrace);
  EXPECT_EQ(view->IntensityDisplay()->WaterBuffer, view->Waterfall());
  EXPECT_EQ(view->IntensityDisplay()->WaterFrom, 250);  // the detail window of 5 MHz
  EXPECT_EQ(view->IntensityDisplay()->WaterTo, 750);

  // Speed: normal -> slow keeps 200 rows; the sweep starts again with an empty history.
  settings->OnPanelMouseDown(settings->Panel1, mbLeft, 0, 0, 0);
  settings->OnPanelMouseUp(settings->Panel1, mbLeft, 0, 0, 0);
  EXPECT_EQ(settings->Speed, intensity::Slow);
  EXPECT_EQ(view->Waterfall()->RowCount, 200u);
  EXPECT_EQ(view->IntensityDisplay()->WaterBuffer, view->Waterfall());
  EXPECT_TRUE(view->DetailRunning());
  ASSERT_TRUE(Run([&] { return LookAtWaterfall(view).filledRows >= 2; }));

  // Filter in the overview: the new overview sweep takes the wide filter's offset.
  freq->SetSpan(50);
  ASSERT_TRUE(view->OverviewRunning());
  EXPECT_EQ(view->WThread()->FilterMode, 0);
  settings->OnPanelMouseDown(settings->Panel2, mbLeft, 0, 0, 0);  // normal -> narrow
  EXPECT_EQ(settings->Filter, intensity::Narrow);
  ASSERT_TRUE(view->OverviewRunning());
  EXPECT_EQ(view->WThread()->FilterMode, 2);
  EXPECT_EQ(view->Waterfall()->RowCount, 200u);

  // Leaving takes the settings frame away; its clicks no longer reach the view.
  Enter(1);
  EXPECT_EQ(settings->Parent(), nullptr);
  EXPECT_FALSE(settings->OnChange);
}

// The spread (channel 3) of the detail min/max band about the carrier at the centre.
float CentreSpread(TUDigitalFrame* view) {
  HardwareLockGuard lock;
  float most = 0.0f;
  for (unsigned i = 490; i <= 510; ++i) most = std::max(most, view->DetailDigital()->Get(3, i));
  return most;
}

TEST_F(DigitalViewsTest, DigitalShowsALargerSpreadAtThePulsedEmitterAndHoldsTheOverviewWhilePressed) {
  Start();
  auto* view = static_cast<TUDigitalFrame*>(Enter(3));
  auto* freq = static_cast<TFreqControlFrame*>(FreqControlFrame);
  auto spreadAt = [&](double centre) {
    freq->SetCenter(centre);
    freq->SetSpan(5);
    EXPECT_TRUE(view->DetailRunning());
    // A retune clears the history; wait for several sweeps at the new centre.
    EXPECT_TRUE(Run([&] {
      HardwareLockGuard lock;
      int rows = 0;
      for (int age = 0; age < TUDigitalFrame::WaterRows; ++age)
        if (view->SpreadHistory()->GetBufferForDisplay(age, 0)[500] > 0.0f) ++rows;
      return rows >= 4;
    }));
    return CentreSpread(view);
  };
  const float continuous = spreadAt(868.3);
  const float pulsed = spreadAt(1880);
  EXPECT_GT(pulsed, continuous + 20.0f);
  EXPECT_EQ(view->IntensityDisplay()->WaterFrom, 250);
  EXPECT_EQ(view->DigitalDisplay()->ZoomStart.load(), view->DetailDisplay()->ZoomStart.load());

  // The overview holds while the left button is down over it and sweeps again on release.
  freq->SetSpan(100);
  ASSERT_TRUE(view->OverviewRunning());
  view->OnRenderWinMouseDown(mbLeft, 0, 500, 400);
  EXPECT_EQ(view->WThread()->RunGate.load(), 0);
  view->OnRenderWinMouseUp(mbLeft, 0, 500, 400);
  EXPECT_EQ(view->WThread()->RunGate.load(), 1);
  // A held overview stops like a running one when the view is left.
  view->OnRenderWinMouseDown(mbLeft, 0, 500, 400);
  Enter(1);
  EXPECT_FALSE(view->OverviewRunning());
}

// Which operations each view reports through the catch-all, and under which text: the spectrum,
// differential and max hold views their skin, overview start and auto-centre; the audio view also
// its displays and test sound; the intensity and digital views every operation.
TEST_F(AnalyserViewsTest, EachViewReportsItsOperationsUnderItsOwnName) {
  Start();
  const std::vector<std::string> operations = {"Enter", "Leave", "UpdateFromIni", "UpdateSkin",
                                               "CreateDisplays", "StartAThread", "StartWThread",
                                               "OnAThreadTerminate", "OnWThreadTerminate",
                                               "SetAModeFromControlFrame", "ChangeWThreadSettings",
                                               "UpdateFreqSpan", "SearchUpDown", "UpdateVolume", "AutoCenter",
                                               "OnWheel", "OnRenderWinMouseDown", "OnRenderWinMouseUp",
                                               "OnRenderWinMouseMove", "OnResize", "ShowOverlayStrip",
                                               "HideOverlayStrip", "PlaceOverlayStrip", "StartTestSound"};
  struct Reports {
    int button;
    std::string viewClass;
    std::vector<std::string> reported;  // empty: every operation
  };
  const std::vector<std::string> named = {"UpdateSkin", "StartWThread", "AutoCenter"};
  const std::vector<Reports> table = {
      {1, "TUAnalyzerFrame", named},
      {2, "TUIntensityFrame", {}},
      {3, "TUDigitalFrame", {}},
      {4, "TUAudioFrame", {"UpdateSkin", "StartWThread", "AutoCenter", "CreateDisplays", "StartTestSound"}},
      {5, "TUMaxHoldFrame", named},
      {6, "TUDiffFrame", named},
  };
  // The operations the operator's actions call directly, each run once on the entered view while the
  // texts under which it runs are watched (GUI thread only).
  struct Call {
    std::string op;
    std::function<void(TAnalyserViewBase*)> run;
  };
  const std::vector<Call> calls = {
      {"UpdateSkin", [](TAnalyserViewBase* v) { v->UpdateSkin(); }},
      {"UpdateFromIni", [](TAnalyserViewBase* v) { v->UpdateFromIni(); }},
      {"OnResize", [](TAnalyserViewBase* v) { v->OnResize(nullptr); }},
      {"UpdateFreqSpan", [](TAnalyserViewBase* v) { v->UpdateFreqSpan(); }},
      {"SearchUpDown", [](TAnalyserViewBase* v) { v->SearchUpDown(true); }},
      {"UpdateVolume", [](TAnalyserViewBase* v) { v->UpdateVolume(10); }},
      {"AutoCenter", [](TAnalyserViewBase* v) { v->AutoCenter(); }},
      {"OnWheel", [](TAnalyserViewBase* v) { v->OnWheel(120); }},
      {"OnRenderWinMouseDown",
       [](TAnalyserViewBase* v) { v->OnRenderWinMouseDown(mbLeft, ssLeft, 500, 400); }},
      {"OnRenderWinMouseMove", [](TAnalyserViewBase* v) { v->OnRenderWinMouseMove(ssLeft, 510, 400); }},
      {"OnRenderWinMouseUp", [](TAnalyserViewBase* v) { v->OnRenderWinMouseUp(mbLeft, ssLeft, 510, 400); }},
      {"Leave", [](TAnalyserViewBase* v) { v->Leave(); }},
      {"Enter", [](TAnalyserViewBase* v) { v->Enter(); }},
  };
  static std::vector<std::string> watched;
  static std::thread::id gui;
  gui = std::this_thread::get_id();
  for (const Reports& r : table) {
    TAnalyserViewBase* view = Enter(r.button);
    ASSERT_NE(view, nullptr);
    for (const std::string& op : operations) {
      const bool reported =
          r.reported.empty() || std::find(r.reported.begin(), r.reported.end(), op) != r.reported.end();
      EXPECT_EQ(view->FailureText(op), reported ? r.viewClass + "::" + op : "") << r.viewClass << " " << op;
    }
    for (const Call& call : calls) {
      const bool reported =
          r.reported.empty() || std::find(r.reported.begin(), r.reported.end(), call.op) != r.reported.end();
      watched.clear();
      GuardEntered = [](const char* where) {
        if (std::this_thread::get_id() == gui) watched.push_back(where);
      };
      call.run(view);
      GuardEntered = nullptr;
      const bool ranUnderItsName =
          std::find(watched.begin(), watched.end(), r.viewClass + "::" + call.op) != watched.end();
      EXPECT_EQ(ranUnderItsName, reported) << r.viewClass << " " << call.op;
    }
  }
}

// An exception escaping a view's auto-centre ends the program with the view's own text.
using AnalyserViewsDeathTest = AnalyserViewsTest;

TEST_P(AnalyserViewsDeathTest, AFailingAutoCentreEndsTheProgramWithTheViewsText) {
  testing::FLAGS_gtest_death_test_style = "threadsafe";
  const ViewCase& c = GetParam();
  EXPECT_EXIT(
      {
        Start();
        TAnalyserViewBase* view = Enter(c.button);
        auto* freq = static_cast<TFreqControlFrame*>(FreqControlFrame);
        freq->SetCenter(868.5);  // the carrier 200 kHz below the middle
        freq->SetSpan(5);
        Run([&] { return c.level(view, 0) > 0 && c.level(view, 999) > 0; });
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        freq->OnChange = [] { throw std::runtime_error("retune failed"); };
        view->OnRenderWinMouseDown(mbRight, 0, 500, 400);
        std::fprintf(stderr, "no report\n");
        std::_Exit(0);
      },
      testing::ExitedWithCode(FatalExitCode), std::string(c.viewClass) + "::AutoCenter");
}

INSTANTIATE_TEST_SUITE_P(Views, AnalyserViewsDeathTest, ::testing::ValuesIn(AllViews), ViewName);

}  // namespace
