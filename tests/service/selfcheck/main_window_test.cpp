// The self-test screens in the real main window: the settings category's self-test view on its
// first visit, and the hardware self-check of a service build in place of the views.
#include <gtest/gtest.h>

#include "../../shell/main/MainWinFixture.h"
#include "platform/vcl/TestHooks.h"
#include "screens/analyser/Uanalyzerframeunit.h"
#include "service/SelfTestChecks.h"
#include "service/Selfcheckframeunit.h"
#include "shell/CategoryFrames.h"

TEST_F(MainWinTest, SelfTestRunsFromTheSettingsCategoryOnTheFirstVisit) {
  Start();
  ASSERT_TRUE(VclTest::Click(win->MainBut8));
  ASSERT_TRUE(VclTest::Click(win->SettingFrame->Button(2)));
  TSelfCheckFrame* frame = win->SettingFrame->SelfCheckFrame;
  ASSERT_TRUE(frame->Visible());
  ASSERT_TRUE(frame->Enabled());
  bool navigationOff = true;
  frame->Pause = [&](unsigned) {
    navigationOff = navigationOff && !win->ActionPanel->Enabled() && !win->FramePanel->Enabled();
  };
  ASSERT_TRUE(VclTest::MouseDown(frame->Panel1, mbLeft, 10, 10));
  ASSERT_NE(frame->ResultSheet(), nullptr);
  EXPECT_EQ(frame->ResultSheet()->Parent(), RenderWindow);
  EXPECT_EQ(frame->ResultSheet()->BoundsRect(), RenderWindow->ClientRect());
  ASSERT_TRUE(VclTest::MouseUp(frame->Panel1, mbLeft, 10, 10));
  EXPECT_TRUE(navigationOff);
  for (int row = 1; row <= SelfTestRowCount; ++row) {
    if (row == RowSonarProbe) continue;
    auto* value = dynamic_cast<TLabel*>(frame->ResultSheet()->FindComponent("a" + std::to_string(row) + "a"));
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->Font()->Color(), clGreen) << row << " " << value->Caption();
  }
  EXPECT_TRUE(win->ActionPanel->Enabled() && win->FramePanel->Enabled());
  // Another category leaves the view, which frees the sheet.
  ASSERT_TRUE(VclTest::Click(win->MainBut1));
  EXPECT_EQ(frame->ResultSheet(), nullptr);
}

// ---- In the main window of a service build ----

class ServiceBuildTest : public MainWinTest {
 protected:
  void TearDown() override {
    MainWinTest::TearDown();
    SelfCheckSwitch = RT_SELF_CHECK_SWITCH;
    SelfCheckLoop = 0;
  }
  std::vector<std::string> Statuses() const {
    std::vector<std::string> s;
    for (int i = 0; i < win->StatusView->Items()->Count(); ++i)
      s.push_back(win->StatusView->Items()->Item(i)->Caption());
    return s;
  }
};

TEST_F(ServiceBuildTest, SwitchRunsTheCheckInPlaceOfTheViews) {
  SelfCheckSwitch = 1;
  Start();
  EXPECT_EQ(SelfCheckLoop, 1);
  EXPECT_EQ(Statuses(), std::vector<std::string>(36, "ok"));
  EXPECT_EQ(win->StatusView->Columns()->Count(), 7);
  EXPECT_FALSE(win->AnalyzerFrame->AnalyzerFrame->IsEntered());
  EXPECT_TRUE(IdlePass());  // no immediate further pass
  EXPECT_FALSE(RenderWindow->Visible());
  EXPECT_TRUE(win->StatusView->Visible());
  EXPECT_EQ(Statuses().size(), 36u);  // each run replaces the rows
}

TEST_F(ServiceBuildTest, DeliveredBuildNeverRunsIt) {
  ASSERT_EQ(SelfCheckSwitch, 0);
  Start();
  EXPECT_EQ(SelfCheckLoop, 0);
  EXPECT_EQ(win->StatusView->Items()->Count(), 0);
  EXPECT_FALSE(win->StatusView->Visible());
  EXPECT_TRUE(win->AnalyzerFrame->AnalyzerFrame->IsEntered());
}

TEST(SettingsCategory, SelfTestViewIsUsableOnItsFirstEnter) {
  Application->Initialize();
  TSettingFrame settings(nullptr);
  EXPECT_FALSE(settings.SelfCheckFrame->Enabled());
  settings.OnFrameButClick(settings.Button(2));
  EXPECT_TRUE(settings.SelfCheckFrame->Visible());
  EXPECT_TRUE(settings.SelfCheckFrame->Enabled());
}
