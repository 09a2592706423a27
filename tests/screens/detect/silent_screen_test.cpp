// Silent detect end to end against the simulated instrument: the search over the candidates, the
// range edits, and leaving in the middle of a search.
#include "engine/SilentList.h"
#include "platform/vcl/TestHooks.h"
#include "screens/locate/Silenttestwinunit.h"
#include "screens/locate/Ufastdetectframev2unit.h"
#include "screens/locate/Usilentframeunit.h"
#include "tests/screens/detect/DetectFixture.h"

namespace {

class SilentScreen : public DetectTest {
 protected:
  TUSilentFrame* Silent() { return win->AutoFrame->SilentFrame; }
  void EnterSilent() {
    OpenCategory(AutoCategory);
    win->AutoFrame->FastDetectFrame->Leave();
    Silent()->Enter();
  }
};

TEST_F(SilentScreen, SilentDetectReportsTheRoomBugAndNotTheToneTransmitter) {
  StartWith();
  EnterSilent();
  Silent()->OnStartPanelMouseDown(nullptr, mbLeft, 0, 0, 0);
  ASSERT_TRUE(Silent()->Searching());
  ASSERT_TRUE(RunUntil([&] { return Silent()->Search().StateValue() == SilentSearch::Found; }, 600))
      << Silent()->Search().StateValue();
  SilentList& list = Silent()->Candidates();
  int alarms = 0;
  for (int i = 0; i < list.Count(); ++i) {
    if (!list.Get(i)->Alarm) continue;
    ++alarms;
    EXPECT_NEAR(list.GetFrequency(i), 433.92e6, 2e6);
  }
  EXPECT_EQ(alarms, 1);
  for (int i = 0; i < list.Count(); ++i) {
    if (std::abs(list.GetFrequency(i) - 868.3e6) < 2e6) {
      EXPECT_EQ(list.Get(i)->Alarm, 0);
    }
  }
  Silent()->OnStartPanelMouseDown(nullptr, mbLeft, 0, 0, 0);  // Stop
  EXPECT_FALSE(Silent()->AnyThreadRunning());
  EXPECT_EQ(Silent()->Panel1->Caption(), "Start");
}

TEST_F(SilentScreen, SilentRangeEditsAreClampedOrRefused) {
  StartWith();
  EnterSilent();
  Silent()->OnSelectRangePanelMouseDown(nullptr, mbLeft, 0, 0, 0);
  EXPECT_TRUE(Silent()->Panel4->Visible());
  EXPECT_EQ(Silent()->Panel3->Caption(), "Range Total");
  Silent()->Edit1->SetCaption("many");
  VclTest::ClearShownBoxes();
  Silent()->OnStartPanelMouseDown(nullptr, mbLeft, 0, 0, 0);
  EXPECT_FALSE(Silent()->Searching());
  EXPECT_EQ(VclTest::ShownBoxes().size(), 1u);
  Silent()->Edit1->SetCaption("20000");
  Silent()->Edit2->SetCaption("100");
  Silent()->OnStartPanelMouseDown(nullptr, mbLeft, 0, 0, 0);
  EXPECT_TRUE(Silent()->Searching());
  EXPECT_DOUBLE_EQ(Silent()->ScanStart(), 100e6);
  EXPECT_DOUBLE_EQ(Silent()->ScanStop(), 15000e6);
  EXPECT_EQ(Silent()->Edit1->Caption(), "100");
  Silent()->Leave();
  EXPECT_FALSE(Silent()->Searching());
}

TEST_F(SilentScreen, LeavingMidSearchStopsTheThreads) {
  StartWith();
  EnterSilent();
  Silent()->OnStartPanelMouseDown(nullptr, mbLeft, 0, 0, 0);
  ASSERT_TRUE(RunUntil([&] { return Silent()->AnyThreadRunning(); }, 30));
  Silent()->Leave();
  EXPECT_FALSE(Silent()->AnyThreadRunning());
  EXPECT_FALSE(Silent()->Searching());
  EXPECT_EQ(Silent()->Panel1->Caption(), "Start");
  RunFor(1.0);
  EXPECT_FALSE(Silent()->AnyThreadRunning());
}

TEST_F(SilentScreen, DebugPlotsKeepTheirFirstLengthAndDrawOnlyAtTheirWidth) {
  StartWith();
  TSilentTestWin window(nullptr);
  silent_debug::Plot* plot = window.Plots[0];
  ASSERT_NE(plot, nullptr);
  EXPECT_EQ(window.Plots[8], nullptr);
  plot->SetData(0, nullptr, 10);
  EXPECT_EQ(plot->DataCount(), 0);
  EXPECT_FALSE(plot->Present(0));
  std::vector<float> fifty(50, 1.0f), hundred(100, 2.0f);
  plot->SetData(0, fifty.data(), 50);
  plot->SetData(1, hundred.data(), 100);
  EXPECT_EQ(plot->DataCount(), 50);
  EXPECT_TRUE(plot->Present(1));
  // An empty y range (a silent recording) draws at the bottom instead of dividing by zero.
  plot->YBottom = plot->YTop = 0.0;
  EXPECT_EQ(plot->YToPixel(5.0), 0);
  plot->YBottom = -100;
  plot->YTop = 100;
  EXPECT_EQ(plot->YToPixel(-100), 0);
  EXPECT_EQ(plot->YToPixel(100), plot->Height());
}

}  // namespace
