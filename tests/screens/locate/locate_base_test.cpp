// The shared life cycle of the locate views on a bare view: Enter and Leave never interleave when a
// device call lets the GUI run a message that enters or leaves the view again.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "display/Display.h"
#include "platform/vcl/Forms.h"
#include "screens/locate/LocateModeFrame.h"
#include "screens/locate/Uvlfsonarframeunit.h"
#include "base/Globals.h"
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

// An exception inside a view's operation ends the program with the operation's own text: the VLF
// sonar's Leave reports as the sonar's.
TEST_F(LocateBaseTest, AnOperationThatFailsEndsTheProgramWithItsText) {
  testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(
      {
        TUVLFSonarFrame view(nullptr);
        view.Enter();
        TLocateModeFrame::GuardWatch = [](const std::string& text) {
          if (text == "TUSonarFrame::Leave") throw std::runtime_error("failed");
        };
        view.Leave();
      },
      testing::ExitedWithCode(FatalExitCode), testing::HasSubstr("TUSonarFrame::Leave"));
}

}  // namespace
