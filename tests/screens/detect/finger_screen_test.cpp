// The fingerprint views end to end against the simulated instrument: record, save, load, compare.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "display/Display.h"
#include "display/Renderobjects.h"
#include "engine/Buffers.h"
#include "engine/FingerBuffer.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/TestHooks.h"
#include "screens/analyser/Volumeframeunit.h"
#include "screens/locate/Ufingercompareframeunit.h"
#include "screens/locate/Ufingerframeunit.h"
#include "tests/screens/detect/DetectFixture.h"

namespace {

// The highest level of channel 0 within +-reach points of index.
float PeakNear(const DigitalBuffer& trace, unsigned index, unsigned reach) {
  float top = 0.0f;
  for (unsigned i = index - reach; i <= index + reach; ++i) top = std::max(top, trace.Get(0, i));
  return top;
}

// "Start" pressed and released on the compare view, as the operator does.
bool PressStart(TUFingerCompareFrame* view) {
  return VclTest::MouseDown(view->Panel1, mbLeft, 10, 10) && VclTest::MouseUp(view->Panel1, mbLeft, 10, 10);
}

class FingerScreen : public DetectTest {
 protected:
  TUFingerFrame* View() { return win->FingerFrame->FingerFrame; }

  void Record() {
    View()->OnStartButMouseDown(nullptr, mbLeft, 0, 0, 0);
    View()->OnStartButMouseUp(nullptr, mbLeft, 0, 0, 0);
    ASSERT_TRUE(View()->Scanning());
    ASSERT_TRUE(RunUntil([&] { return !View()->Scanning(); }));
  }
  void SaveAs(const std::string& path) {
    VclTest::ScriptFileDialogAnswer(path);
    View()->OnSavePanelMouseUp(nullptr, mbLeft, 0, 0, 0);
  }
  void CompareWith(const std::string& path) {
    VclTest::ScriptFileDialogAnswer(path);
    View()->OnComparePanelMouseUp(nullptr, mbLeft, 0, 0, 0);
  }
  // The messages for the operator (dialogs are shown boxes too).
  static std::vector<std::string> Messages() {
    std::vector<std::string> texts;
    for (const auto& box : VclTest::ShownBoxes())
      if (box.caption == "RT7731 IV") texts.push_back(box.text);
    return texts;
  }
  std::vector<std::string> Hits() {
    std::vector<std::string> lines;
    for (int i = 0; i < View()->ResultList->Items()->Count(); ++i)
      lines.push_back(View()->ResultList->Items()->Strings(i));
    return lines;
  }
};

TEST_F(FingerScreen, RecordingSavedAndLoadedComparesCleanAndANewEmitterIsTheOnlyDifference) {
  StartWith();
  // Two recordings of a pulsed emitter differ by when its pulses fall: keep the scene steady, so the
  // only difference is the emitter added below.
  for (const usb2sim::Emitter& e : usb2sim::GetEmitters())
    if (e.spec.pulsed) {
      usb2sim::EmitterSpec steady = e.spec;
      steady.pulsed = false;
      usb2sim::ModifyEmitter(e.id, steady);
    }
  OpenCategory(FingerCategory);
  ASSERT_TRUE(View()->IsEntered());
  Record();
  EXPECT_EQ(View()->Panel1->Caption(), "Start");
  EXPECT_TRUE(View()->Panel2->Visible());
  EXPECT_GT(View()->Recorded().GetAnalog(4339), 100);  // the room bug at 433.92 MHz
  for (int bar = 0; bar < 2; ++bar) {  // as Enter set them: nothing else moves them
    EXPECT_EQ(View()->Bar(bar)->Value, 0u) << bar;
    EXPECT_EQ(View()->Bar(bar)->Maximum, 15u) << bar;
  }

  const std::string path = folder.path() + "Finger/room";
  SaveAs(path);
  ASSERT_TRUE(std::filesystem::exists(path + ".fng"));
  EXPECT_EQ(std::filesystem::file_size(path + ".fng"), FingerBufferBase::FileSize);
  EXPECT_EQ(View()->Label1->Caption(), "room");

  CompareWith(path + ".fng");
  EXPECT_EQ(View()->Mode(), TUFingerFrame::CompareOverview);
  EXPECT_TRUE(Hits().empty()) << Hits().front();

  usb2sim::EmitterSpec spec;
  spec.frequencyHz = 3210e6;
  spec.levelDbm = -30;
  spec.bandwidthHz = 200e3;
  usb2sim::AddEmitter(spec);
  Record();
  CompareWith(path + ".fng");
  const auto hits = Hits();
  ASSERT_FALSE(hits.empty());
  bool analogHit = false;
  for (const std::string& hit : hits) {
    const double mhz = std::atof(hit.c_str() + 6);
    EXPECT_NEAR(mhz, 3210.0, 3.0) << hit;
    analogHit |= hit.rfind("Ana", 0) == 0;
  }
  EXPECT_TRUE(analogHit);

  // A click on an analogue difference opens the live view around it, with its volume control.
  int analogIndex = 0;
  while (hits[size_t(analogIndex)].rfind("Ana", 0) != 0) ++analogIndex;
  View()->ResultList->SetItemIndex(analogIndex);
  View()->OnResultListClick(nullptr);
  EXPECT_TRUE(View()->RealtimeRunning());
  EXPECT_EQ(View()->Mode(), TUFingerFrame::AnalogRealtime);
  EXPECT_NEAR(View()->RealtimeFrequency(), 3210e6, 3e6);
  RunUntil([&] { return View()->RealtimeBuffer().Get(0, 500) > 0; }, 30);
  auto* volume = static_cast<TVolumeFrame*>(VolumeFrame);
  EXPECT_EQ(volume->Parent(), View());
  EXPECT_TRUE(volume->Visible());
  volume->MoveSlider(400);  // to the top of the scale: the realtime thread sets the loudspeaker
  EXPECT_EQ(volume->Volume, 240);
  EXPECT_TRUE(RunUntil([] { return (usb2sim::GetState().soundProcessor[0] & 0x3F) == 240 / 4; }, 30));
  // A compare shows the compare overview and leaves the live view running.
  CompareWith(path + ".fng");
  EXPECT_EQ(View()->Mode(), TUFingerFrame::CompareOverview);
  EXPECT_TRUE(View()->RealtimeRunning());
  win->FingerFrame->Leave();
  EXPECT_FALSE(View()->RealtimeRunning());
  // The control leaves with the view and keeps its volume for the next visit.
  EXPECT_EQ(volume->Parent(), nullptr);
  EXPECT_FALSE(volume->Visible());
  EXPECT_FALSE(volume->OnChange);
  EXPECT_EQ(volume->Volume, 240);
}

// In the compare overview both displays draw the recording alone (no commands); Enter and every
// layout change start the main window's deferred resize, in both fingerprint views.
TEST_F(FingerScreen, CompareOverviewShowsTheRecordingAloneAndLayoutsStartTheDeferredResize) {
  StartWith();
  VclTest::HoldTimerTicks([](const TTimer* t) { return t == ResizeTimer; });  // stays on once started
  OpenCategory(FingerCategory);
  EXPECT_TRUE(ResizeTimer->Enabled());
  const std::string path = folder.path() + "Finger/zero.fng";
  std::filesystem::create_directories(folder.path() + "Finger");
  View()->Loaded().Save(path);
  ResizeTimer->SetEnabled(false);
  CompareWith(path);
  ASSERT_EQ(View()->Mode(), TUFingerFrame::CompareOverview);
  EXPECT_TRUE(ResizeTimer->Enabled());
  for (int i = 0; i < 2; ++i) {  // "Analog" and "Digital"
    const StdDisplay* d = View()->Displays()[size_t(i)].get();
    EXPECT_EQ(d->Commands->Count(), 0) << i;
    EXPECT_EQ(d->DigChannel, 0) << i;
  }
  ResizeTimer->SetEnabled(false);
  View()->SetViewMode(TUFingerFrame::DigitalRealtime);
  EXPECT_TRUE(ResizeTimer->Enabled());

  TFingerFrame* category = win->FingerFrame;
  category->FingerFrame->Leave();
  ResizeTimer->SetEnabled(false);
  category->FingerCompareFrame->Enter();
  EXPECT_TRUE(ResizeTimer->Enabled());
  VclTest::HoldTimerTicks(nullptr);
}

TEST_F(FingerScreen, BadFilesAndAFailedSaveGiveAMessageAndKeepEverything) {
  StartWith();
  OpenCategory(FingerCategory);
  View()->Recorded().SetAnalog(100, 77);
  View()->Loaded().SetAnalog(5, 33);
  folder.Write("Finger/short.fng", "too short");
  VclTest::ClearShownBoxes();
  for (const std::string& bad : {folder.path() + "Finger/short.fng", folder.path() + "Finger/missing.fng"}) {
    CompareWith(bad);
    EXPECT_EQ(View()->Loaded().GetAnalog(5), 33) << bad;
    EXPECT_NE(View()->Label3->Caption(), std::filesystem::path(bad).filename().string());
  }
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_NE(Messages()[0].find("holds 9 bytes"), std::string::npos) << Messages()[0];
  EXPECT_NE(Messages()[1].find("kept"), std::string::npos);

  VclTest::ClearShownBoxes();
  SaveAs(folder.path() + "no/such/folder/x.fng");
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("elsewhere"), std::string::npos);
  EXPECT_EQ(View()->Recorded().GetAnalog(100), 77);
  SaveAs(folder.path() + "elsewhere.fng");
  EXPECT_TRUE(std::filesystem::exists(folder.path() + "elsewhere.fng"));
  EXPECT_TRUE(win && LinkUp);
}

// Start pressed during a scan only asks the scan to stop and returns at once; the scan ends after its
// step, and its end shows the save and compare panels with what it reached stored.
TEST_F(FingerScreen, StartDuringAScanOnlyRequestsTheStopAndThePanelsFollowItsEnd) {
  StartWith();
  OpenCategory(FingerCategory);
  View()->OnStartButMouseDown(nullptr, mbLeft, 0, 0, 0);
  View()->OnStartButMouseUp(nullptr, mbLeft, 0, 0, 0);
  ASSERT_TRUE(RunUntil([&] { return View()->AnalogOverview().Get(0, 1500) > 0; }, 60));
  View()->OnStartButMouseDown(nullptr, mbLeft, 0, 0, 0);
  View()->OnStartButMouseUp(nullptr, mbLeft, 0, 0, 0);
  EXPECT_TRUE(View()->Scanning()) << "the press did not wait for the scan";
  EXPECT_FALSE(View()->Panel2->Visible());
  EXPECT_EQ(View()->Panel1->Caption(), "Stop");
  ASSERT_TRUE(RunUntil([&] { return !View()->Scanning(); }, 60));
  EXPECT_EQ(View()->Panel1->Caption(), "Start");
  EXPECT_TRUE(View()->Panel2->Visible());
  EXPECT_TRUE(View()->Panel3->Visible());
  EXPECT_GT(View()->Recorded().GetAnalog(1500), 0);
  EXPECT_EQ(View()->Recorded().GetAnalog(149999), 0) << "stopped early";
}

// The open dialogs of both fingerprint views list every file: they have no filter.
TEST_F(FingerScreen, TheOpenDialogsHaveNoFileFilter) {
  StartWith();
  EXPECT_EQ(View()->OpenDialog->Filter(), "");
  EXPECT_EQ(win->FingerFrame->FingerCompareFrame->OpenDialog->Filter(), "");
  EXPECT_EQ(View()->SaveDialog->Filter(), "Fingerprint|*.fng");
}

TEST_F(FingerScreen, LeavingMidScanStopsTheScanAndNothingIsWrittenAfterwards) {
  StartWith();
  OpenCategory(FingerCategory);
  View()->OnStartButMouseDown(nullptr, mbLeft, 0, 0, 0);
  View()->OnStartButMouseUp(nullptr, mbLeft, 0, 0, 0);
  ASSERT_TRUE(RunUntil([&] { return View()->AnalogOverview().Get(0, 1500) > 0; }, 60));
  win->FingerFrame->Leave();
  EXPECT_FALSE(View()->Scanning());
  std::vector<float> before(150000);
  for (unsigned i = 0; i < 150000; ++i) before[i] = View()->AnalogOverview().Get(0, i);
  RunFor(1.0);
  for (unsigned i = 0; i < 150000; i += 7) ASSERT_EQ(View()->AnalogOverview().Get(0, i), before[i]) << i;
  EXPECT_TRUE(View()->Panel2->Visible());  // what the scan reached is kept as the recording
}

// Start pressed on the compare view runs the chain of segment threads as the program does: 0 to 2 GHz,
// analogue then digital, stored into the fingerprint at the end.
TEST_F(FingerScreen, CompareViewRecordsTwoSegmentsIgnoresASecondStartAndStopsOnLeave) {
  StartWith();
  OpenCategory(FingerCategory);
  TFingerFrame* category = win->FingerFrame;
  category->FingerFrame->Leave();
  TUFingerCompareFrame* view = category->FingerCompareFrame;
  view->Enter();
  ASSERT_TRUE(PressStart(view));
  ASSERT_TRUE(PressStart(view));  // ignored while the chain runs
  // Pressed again once the first segment is recorded, Start is still ignored: the chain goes on with
  // its second segment and keeps what the first one recorded (433.92 MHz lies in the first).
  ASSERT_TRUE(RunUntil([&] { return view->Bar(0)->Value == 2u; }));
  ASSERT_TRUE(view->Recording());
  const float firstSegment = view->AnalogOverview().Get(0, 4339);
  ASSERT_GT(firstSegment, 0.0f);
  ASSERT_TRUE(PressStart(view));
  EXPECT_EQ(view->Bar(0)->Value, 2u);
  EXPECT_EQ(view->AnalogOverview().Get(0, 4339), firstSegment);
  ASSERT_TRUE(RunUntil([&] { return !view->Recording(); }));
  EXPECT_TRUE(view->Panel2->Visible());
  EXPECT_EQ(view->Bar(0)->Value, 2u);
  EXPECT_EQ(view->Bar(1)->Value, 2u);
  EXPECT_EQ(LinkUp.load(), 1);

  // Analogue levels at k x 100 kHz: every steady emitter below 2 GHz stands out of the floor at its
  // own index. The pulsed one (1880 MHz) is on for half of the single conversions of an analogue
  // point, in a pattern that every other reading of the instrument shifts, so its analogue points
  // may all miss it; it is checked in the digital overview, whose points take the extremes of 100.
  const DigitalBuffer& analog = view->AnalogOverview();
  for (double mhz : {433.92, 868.3}) {
    const unsigned at = unsigned(mhz * 10 + 0.5);
    EXPECT_GT(PeakNear(analog, at, 2), 150.0f) << mhz;
    EXPECT_LT(analog.Get(0, at + 200), 100.0f) << mhz;  // 20 MHz away
  }
  EXPECT_GT(analog.Get(0, 19999), 0.0f);  // segment 1 reaches its last point
  // Digital activity at k x 500 kHz: the pulsed emitter spreads, the steady carriers do not.
  const DigitalBuffer& digital = view->DigitalOverview();
  EXPECT_GT(PeakNear(digital, 3760, 2), 40.0f);
  EXPECT_LT(PeakNear(digital, 868, 2), 20.0f);
  for (unsigned i = 0; i < digital.Count; ++i) ASSERT_GE(digital.Get(0, i), 0.0f) << i;

  // The fingerprint holds the recording's levels; beyond 2 GHz nothing is recorded.
  EXPECT_GT(view->Recorded().GetAnalog(4339), 100);
  EXPECT_EQ(view->Recorded().GetAnalog(4339), uint8_t(analog.Get(0, 4339)));
  EXPECT_EQ(view->Recorded().GetAnalog(25000), 0);

  // Stored and loaded back it is the same fingerprint, and compared with itself it gives no hits.
  const std::string path = folder.path() + "same.fng";
  view->Recorded().Save(path);
  FingerBufferBase loaded;
  ASSERT_TRUE(loaded.Load(path));
  const FingerBufferBase& recorded = view->Recorded();
  EXPECT_TRUE(std::equal(loaded.Analog, loaded.Analog + FingerBufferBase::AnalogSize, recorded.Analog));
  EXPECT_TRUE(std::equal(loaded.Digital, loaded.Digital + FingerBufferBase::DigitalSize, recorded.Digital));
  VclTest::ScriptFileDialogAnswer(path);
  view->Test();
  float hits = 0;
  for (unsigned i = 0; i < 20000; ++i) hits += view->AnalogOverview().Get(4, i);
  EXPECT_EQ(hits, 0.0f);

  ASSERT_TRUE(PressStart(view));
  ASSERT_TRUE(view->Recording());
  view->Leave();
  EXPECT_FALSE(view->Recording());
}

// The instrument is unplugged while the file dialog of "compare" waits for a person: the dialog
// closes as cancelled, and the next idle pass takes the program's way out through the exit screen.
TEST_F(FingerScreen, UnplugWhileTheFileDialogIsOpenClosesItAndEndsTheProgram) {
  StartWith();
  OpenCategory(FingerCategory);
  ASSERT_TRUE(View()->IsEntered());
  ASSERT_EQ(LinkUp.load(), 1);
  const TUFingerFrame::ViewMode mode = View()->Mode();
  VclTest::ClearShownBoxes();
  VclTest::SetHeadlessDialogsWait(true);
  struct Restore {
    ~Restore() {
      VclTest::SetHeadlessDialogsWait(false);
      VclTest::ResetTermination();  // the dismissal of dialogs stays with this test
    }
  } restore;
  TTimer unplug(nullptr);
  unplug.SetInterval(200);
  std::chrono::steady_clock::time_point unplugged;
  unplug.OnTimer = [&](TObject*) {
    unplug.SetEnabled(false);
    unplugged = std::chrono::steady_clock::now();
    usb2sim::UnplugNow();
  };
  unplug.SetEnabled(true);
  testing::internal::CaptureStderr();
  View()->CompareWithFile();  // returns once the dialog is closed
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - unplugged).count();
  std::printf("unplug to closed dialog: %.2f s\n", seconds);
  const auto shown = VclTest::ShownBoxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].answer, mrCancel);
  EXPECT_EQ(LinkUp.load(), 0);
  EXPECT_EQ(View()->Mode(), mode) << "nothing was loaded";
  IdlePass();  // the exit screen closes the window
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(win->Visible());
  EXPECT_NE(err.find("(waiting)"), std::string::npos) << err;
  EXPECT_NE(err.find(LinkLostMessage), std::string::npos) << err;
}

}  // namespace
