// The shared life cycle of the locate views on a bare view: Enter and Leave never interleave when a
// device call lets the GUI run a message that enters or leaves the view again.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "display/DirectXBase.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "platform/vcl/Forms.h"
#include "screens/locate/LocateModeFrame.h"
#include "screens/locate/Uvlfsonarframeunit.h"
#include "base/Globals.h"
#include "base/Guard.h"
#include "base/Log.h"

namespace {

class TestView : public TLocateModeFrame {
 public:
  TestView() : TLocateModeFrame(nullptr, "TestView") {
    AddDisplay({.title = "Test", .viewport = {20, 10, 640, 360}, .gridX = 10, .gridY = 8, .renderMode = 2});
  }
  std::vector<std::string> log;
  std::function<void()> duringEnter, duringRestore;

 protected:
  void EnterView() override {
    log.push_back("enter begins");
    if (duringEnter) duringEnter();  // a message pumped by a volume ramp
    log.push_back("enter ends");
  }
  void LeaveView() override { log.push_back("leave"); }
  bool RestoreDevice() override {
    log.push_back("restore begins");
    if (duringRestore) duringRestore();
    log.push_back("restore ends");
    return true;
  }
};

class LocateBaseTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { Application->Initialize(); }
  void SetUp() override { DisplayListGlobal = &displays; }
  void TearDown() override { DisplayListGlobal = nullptr; }
  DisplayList displays;
};

TEST_F(LocateBaseTest, ALeaveDuringEnterRunsWhenEnterHasFinished) {
  TestView view;
  view.duringEnter = [&] { view.Leave(); };
  view.Enter();
  EXPECT_EQ(view.log, (std::vector<std::string>{"enter begins", "enter ends", "leave", "restore begins",
                                                "restore ends"}));
  EXPECT_FALSE(view.IsEntered());
  EXPECT_EQ(displays.Count(), 0) << "the displays left the render loop";
}

TEST_F(LocateBaseTest, AnEnterOrLeaveDuringLeaveIsIgnored) {
  TestView view;
  view.Enter();
  EXPECT_EQ(displays.Count(), 1);
  view.log.clear();
  view.duringRestore = [&] {
    view.Enter();
    view.Leave();
  };
  view.Leave();
  EXPECT_EQ(view.log, (std::vector<std::string>{"leave", "restore begins", "restore ends"}));
  EXPECT_FALSE(view.IsEntered());
  EXPECT_EQ(displays.Count(), 0);
  // And the view can be entered again afterwards.
  view.duringRestore = nullptr;
  view.Enter();
  EXPECT_TRUE(view.IsEntered());
  EXPECT_EQ(displays.Count(), 1);
}

// Where the first symbol of the display sits.
std::pair<float, float> SymbolAt(const StdDisplay& d) {
  const scene::Vec3 at = d.Symbols->Get(0)->Sprite->Position;
  return {at.x, at.y};
}

// A display description sets what it gives, sets the data (none, channel 0, unless given) and keeps
// the window, trace colour and symbol place it leaves out: a new display's defaults, or what an earlier
// description gave when the view lays the display out again.
TEST_F(LocateBaseTest, ADisplayDescriptionSetsWhatItGivesAndKeepsWhatItLeavesOut) {
  TestView view;
  StdDisplay& d = *view.MainDisplay();
  const auto expectViewport = [&](int left, int top, int right, int bottom) {
    EXPECT_EQ((std::vector<int>{d.ViewPort.left, d.ViewPort.top, d.ViewPort.right, d.ViewPort.bottom}),
              (std::vector<int>{left, top, right, bottom}));
  };
  expectViewport(20, 10, 640, 360);
  EXPECT_EQ(d.GridDivX, 10);
  EXPECT_EQ(d.GridDivY, 8);
  EXPECT_EQ(d.Texts()[3], "Test");
  EXPECT_EQ(d.RenderMode, 2);
  EXPECT_EQ(d.DigBuffer.load(), nullptr);
  EXPECT_EQ(d.ZoomEnd.load(), 0);
  EXPECT_EQ(d.TraceColor, 0x00FFFF);
  EXPECT_EQ(SymbolAt(d), (std::pair<float, float>{100, 150}));

  DigitalBuffer buffer(400);
  ApplyDisplaySetup(&d, {.title = "Full",
                         .viewport = {1, 2, 300, 400},
                         .gridX = 15,
                         .gridY = 4,
                         .renderMode = 3,
                         .buffer = &buffer,
                         .channel = 9,
                         .window = PointWindow{5, 400},
                         .traceColour = 0xFFFF00,
                         .symbols = ViewSymbols});
  expectViewport(1, 2, 300, 400);
  EXPECT_EQ(d.DigBuffer.load(), &buffer);
  EXPECT_EQ(d.DigChannel.load(), 9);
  EXPECT_EQ(d.ZoomStart.load(), 5);
  EXPECT_EQ(d.ZoomEnd.load(), 400);
  EXPECT_EQ(d.TraceColor, 0xFFFF00);
  EXPECT_EQ(SymbolAt(d), (std::pair<float, float>{80, 130}));

  ApplyDisplaySetup(
      &d, {.title = "Bare", .viewport = {20, 260, 980, 460}, .gridX = 1, .gridY = 1, .renderMode = 4});
  expectViewport(20, 260, 980, 460);
  EXPECT_EQ(d.GridDivX, 1);
  EXPECT_EQ(d.Texts()[3], "Bare");
  EXPECT_EQ(d.RenderMode, 4);
  EXPECT_EQ(d.DigBuffer.load(), nullptr);
  EXPECT_EQ(d.DigChannel.load(), 0);
  EXPECT_EQ(d.ZoomStart.load(), 5);
  EXPECT_EQ(d.ZoomEnd.load(), 400);
  EXPECT_EQ(d.TraceColor, 0xFFFF00);
  EXPECT_EQ(SymbolAt(d), (std::pair<float, float>{80, 130}));
}

// An exception inside a view's operation ends the program with the operation's own text: the VLF
// sonar's Leave reports as the sonar's.
TEST_F(LocateBaseTest, AnOperationThatFailsEndsTheProgramWithItsText) {
  testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(
      {
        TUVLFSonarFrame view(nullptr);
        view.Enter();
        // The first guarded step inside the sonar's Leave fails (on this thread).
        static thread_local bool inLeave = false;
        GuardEntered = [](const char* where) {
          if (inLeave) throw std::runtime_error("failed");
          inLeave = std::string(where) == "TUSonarFrame::Leave";
        };
        view.Leave();
      },
      testing::ExitedWithCode(FatalExitCode), testing::HasSubstr("TUSonarFrame::Leave"));
}

}  // namespace
