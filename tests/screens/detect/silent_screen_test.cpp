// Silent detect end to end against the simulated instrument: the search over the candidates, the
// range edits, and leaving in the middle of a search.
#include <algorithm>

#include "engine/SilentList.h"
#include "platform/vcl/Graphics.h"
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

// Enter: two filler rows in the candidate box, the test step back to 0; the test buttons stay hidden.
TEST_F(SilentScreen, EnterShowsTwoFillerRowsAndKeepsTheTestButtonsHidden) {
  StartWith();
  EnterSilent();
  TSilentListBox* box = Silent()->ListBox();
  EXPECT_TRUE(box->Visible());
  ASSERT_EQ(box->Items()->Count(), 2);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(box->Items()->Strings(i), "kdahadhah");
    EXPECT_EQ(box->Items()->Objects(i), nullptr);
  }
  box->Repaint();  // rows without a candidate paint nothing
  EXPECT_EQ(Silent()->TestStep(), 0);
  EXPECT_EQ(Silent()->Button1->Caption(), "Test");
  EXPECT_EQ(Silent()->Button2->Caption(), "Thread Test");
  EXPECT_FALSE(Silent()->Button1->Visible());
  EXPECT_FALSE(Silent()->Button2->Visible());
}

// The test button: one analysis on the GUI thread, its plots and numbers in the debug window.
TEST_F(SilentScreen, TestButtonAnalysesOneRecordingIntoTheDebugWindow) {
  StartWith();
  EnterSilent();
  Silent()->OnTestButClick(nullptr);
  EXPECT_EQ(Silent()->TestStep(), 1);
  TSilentTestWin* w = Silent()->TestWin;
  EXPECT_FALSE(w->Visible());
  const int n = TUSilentFrame::SampleCount;
  const int points[4] = {n, n, n / 2, n / 4};
  for (int p = 0; p < 4; ++p) {
    EXPECT_EQ(w->Plots[p]->PointCount, points[p]) << p;
    EXPECT_EQ(w->Plots[p]->DataCount(), points[p]) << p;
    EXPECT_TRUE(w->Plots[p]->Present(0) && w->Plots[p]->Present(1)) << p;
  }
  EXPECT_LT(w->Plots[0]->YBottom, w->Plots[0]->YTop);  // the recording is not silent
  ASSERT_EQ(w->lb->Items()->Count(), 5);
  const std::string levels = w->lb->Items()->Strings(0);
  EXPECT_NE(levels.find("  "), std::string::npos) << levels;
  int scores[3];
  for (int k = 0; k < 3; ++k) {
    const std::string line = w->lb->Items()->Strings(1 + k);
    const std::string head = "dd" + std::to_string(k) + " = ";
    ASSERT_EQ(line.rfind(head, 0), 0u) << line;
    scores[k] = std::atoi(line.c_str() + head.size());
  }
  // The last line is the smallest of the three sums.
  const int smallest = std::atoi(w->lb->Items()->Strings(4).c_str());
  EXPECT_LE(smallest, std::min({scores[0], scores[1], scores[2]}) + 1);
  EXPECT_GE(smallest, std::min({scores[0], scores[1], scores[2]}));
  EXPECT_TRUE(LinkUp);
}

// The thread test: the first press scans, each later one records the next candidate of that scan.
TEST_F(SilentScreen, ThreadTestButtonScansThenRecordsTheCandidatesInTurn) {
  StartWith();
  EnterSilent();
  Silent()->OnThreadTestButClick(nullptr);
  EXPECT_EQ(Silent()->TestStep(), 1);
  ASSERT_TRUE(Silent()->AnyThreadRunning());
  ASSERT_TRUE(RunUntil([&] { return !Silent()->AnyThreadRunning(); }, 300));
  ASSERT_GT(Silent()->Candidates().Count(), 2);
  const double first = Silent()->Candidates().GetFrequency(0);
  Silent()->OnThreadTestButClick(nullptr);
  EXPECT_DOUBLE_EQ(GlobalIOSettings->Center, first);
  EXPECT_EQ(Silent()->TestIndex(), 1);
  EXPECT_TRUE(Silent()->AnyThreadRunning());
  ASSERT_TRUE(RunUntil([&] { return !Silent()->AnyThreadRunning(); }, 300));
  Silent()->OnThreadTestButClick(nullptr);
  EXPECT_DOUBLE_EQ(GlobalIOSettings->Center, Silent()->Candidates().GetFrequency(1));
  EXPECT_EQ(Silent()->TestIndex(), 2);
  Silent()->Leave();
  EXPECT_FALSE(Silent()->AnyThreadRunning());
}

TEST_F(SilentScreen, DebugPlotsKeepTheirFirstLengthAndDrawOnlyAtTheirWidth) {
  StartWith();
  TSilentTestWin window(nullptr);
  silent_debug::Display* plot = window.Plots[0];
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

  // Width 512, 512 values as bars: a bar in every column from the bottom of the y range up to
  // its value, nothing above it.
  silent_debug::Display* bars = window.Plots[1];
  ASSERT_EQ(bars->Width(), 512);
  bars->Kinds[0] = 1;
  bars->YBottom = 0.0;
  bars->YTop = 100.0;
  std::vector<float> half(512, 50.0f);
  bars->SetData(0, half.data(), 512);
  TCanvas* canvas = bars->Picture()->Bitmap()->Canvas();
  const int h = bars->Height();
  const int top = h - bars->YToPixel(50.0);
  for (int x = 0; x < 512; x += 37) {
    EXPECT_EQ(canvas->Pixels(x, (h - 1 + top) / 2), TColor(0xFF0000)) << x;
    EXPECT_NE(canvas->Pixels(x, top - 3), TColor(0xFF0000)) << x;
  }
}

}  // namespace
