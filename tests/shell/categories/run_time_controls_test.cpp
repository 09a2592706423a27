// What a view puts on the render window or the main window while it runs (the camera preview, the
// probe hint, the silent candidate list, the self-test result sheet, the settings window) stands in
// the measurement area at the default 800 x 600, at 1024 x 768 and at a large window, follows the
// window's size, and leaves every main button, every frame button and the view's own buttons to
// the operator's clicks, found through the window system's hit test.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>

#include "engine/SilentList.h"
#include "platform/vcl/TestHooks.h"
#include "screens/analyser/Freqcontrolframeunit.h"
#include "screens/analyser/Uanalyzerframeunit.h"
#include "screens/locate/ProbeLocateFrame.h"
#include "screens/locate/Usilentframeunit.h"
#include "screens/locate/Usonarframeunit.h"
#include "screens/locate/Uvlfsonarframeunit.h"
#include "service/Selfcheckframeunit.h"
#include "shell/CategoryFrames.h"
#include "shell/Settings.h"
#include "tests/shell/OnScreen.h"
#include "tests/shell/main/MainWinFixture.h"

namespace {

using onscreen::CentreInMainWindow;
using onscreen::MainButton;

struct RunTimeControl {
  const char* name;
  const char* scenario;
  int category;
  int button;
  // The view's part that the operator works with, or null (the settings window has none shown).
  std::function<TWinControl*(TMainWin*)> view;
  // Makes the control appear as the operator would and returns it.
  std::function<TControl*(TMainWin*)> show;
};

void PrintTo(const RunTimeControl& c, std::ostream* os) { *os << c.name; }

const std::pair<int, int> Sizes[] = {{800, 600}, {1024, 768}, {1280, 1000}};

TUAnalyzerFrame* Spectrum(TMainWin* win) {
  return static_cast<TUAnalyzerFrame*>(win->AnalyzerFrame->AnalyzerFrame);
}

const RunTimeControl Controls[] = {
    {"CameraPreview", "", 1, 1, [](TMainWin* win) { return Spectrum(win); },
     [](TMainWin* win) -> TControl* {
       TUAnalyzerFrame* view = Spectrum(win);
       view->OnVideoButMouseDown(view->Panel1, mbLeft, 0, 0, 0);
       view->OnVideoButMouseUp(view->Panel1, mbLeft, 0, 0, 0);
       static_cast<TFreqControlFrame*>(FreqControlFrame)->SetSpan(5);  // the detail sweep
       return view->VideoPanel;
     }},
    {"SonarProbeHint", "[probe]\npresent=0\n", 3, 1,
     [](TMainWin* win) { return win->LocateFrame->SonarFrame; },
     [](TMainWin* win) -> TControl* {
       auto* view = static_cast<TProbeLocateFrame*>(win->LocateFrame->SonarFrame);
       view->OnUsbTimer(nullptr);
       return view->ProbeHintPanel;
     }},
    {"VlfSonarProbeHint", "[probe]\npresent=0\n", 4, 4,
     [](TMainWin* win) { return win->VlfFrame->VLFSonarFrame; },
     [](TMainWin* win) -> TControl* {
       auto* view = static_cast<TProbeLocateFrame*>(win->VlfFrame->VLFSonarFrame);
       view->OnUsbTimer(nullptr);
       return view->ProbeHintPanel;
     }},
    {"SilentCandidates", "", 2, 5, [](TMainWin* win) { return win->AutoFrame->SilentFrame; },
     [](TMainWin* win) -> TControl* { return win->AutoFrame->SilentFrame->ListBox(); }},
    {"SelfTestSheet", "", 8, 2, [](TMainWin* win) { return win->SettingFrame->SelfCheckFrame; },
     [](TMainWin* win) -> TControl* {
       TSelfCheckFrame* view = win->SettingFrame->SelfCheckFrame;
       EXPECT_TRUE(VclTest::MouseDown(view->Panel1, mbLeft, 5, 5));  // builds the sheet
       return view->ResultSheet();
     }},
};

class RunTimeControlTest : public MainWinTest, public testing::WithParamInterface<RunTimeControl> {
 protected:
  TRect InMainWindow(TControl* control) const { return onscreen::InMainWindow(win, control); }

  // A grid of points over the control reaches it: nothing else covers any part of it.
  void ExpectUncovered(TControl* control, const std::string& what) const {
    onscreen::ExpectUncovered(win, control, 3, what);
  }

  void ExpectInside(const TRect& inner, const TRect& outer, const std::string& what) const {
    EXPECT_TRUE(inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right <= outer.Right &&
                inner.Bottom <= outer.Bottom)
        << what << " (" << inner.Left << ", " << inner.Top << ")-(" << inner.Right << ", " << inner.Bottom
        << ") leaves (" << outer.Left << ", " << outer.Top << ")-(" << outer.Right << ", " << outer.Bottom
        << ")";
  }

  void Enter() {
    ASSERT_TRUE(VclTest::Click(MainButton(win, GetParam().category)));
    ASSERT_TRUE(VclTest::Click(win->CategoryFrame(GetParam().category)->Button(GetParam().button)));
    Settle();
  }

  void Settle() {
    for (int i = 0; i < 3; ++i) IdlePass();
    Application->ProcessMessages();
  }
};

TEST_P(RunTimeControlTest, StandsInTheMeasurementAreaAndLeavesEveryButtonFree) {
  Start(GetParam().scenario);
  Enter();
  TControl* control = GetParam().show(win);
  ASSERT_NE(control, nullptr);
  for (const auto& [width, height] : Sizes) {
    SCOPED_TRACE(testing::Message() << width << " x " << height);
    VclTest::UserResize(win, width, height);
    Settle();
    ASSERT_TRUE(control->Visible());
    EXPECT_EQ(control->Parent(), RenderWindow);
    const TRect area = InMainWindow(RenderWindow);
    ExpectInside(InMainWindow(control), area, "the control");
    ExpectUncovered(control, "the control");
    for (int n = 1; n <= 9; ++n) ExpectUncovered(MainButton(win, n), "main button " + std::to_string(n));
    TCategoryFrameBase* frame = win->CategoryFrame(GetParam().category);
    for (int n = 1; n <= 6; ++n)
      if (TImage* button = frame->Button(n); button && button->Visible())
        ExpectUncovered(button, "frame button " + std::to_string(n));
    // The view's own buttons (the panels of its strip) stay free as far as the strip shows them.
    TWinControl* view = GetParam().view(win);
    const TRect strip = InMainWindow(win->UserPanel);
    for (int i = 0; i < view->ControlCount(); ++i) {
      auto* panel = dynamic_cast<TPanel*>(view->Controls(i));
      if (!panel || !panel->Visible()) continue;
      const TRect r = InMainWindow(panel);
      if (r.Right > strip.Right) continue;
      ExpectUncovered(panel, "the view's " + panel->Caption());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Views, RunTimeControlTest, testing::ValuesIn(Controls),
                         [](const auto& info) { return std::string(info.param.name); });

// The self-test's rows reach further than a small render window: the sheet scrolls, so that every
// result can be brought into the measurement area and read there.
TEST_F(MainWinTest, SelfTestSheetBringsEveryResultIntoTheMeasurementArea) {
  Start();
  ASSERT_TRUE(VclTest::Click(win->MainBut8));
  ASSERT_TRUE(VclTest::Click(win->SettingFrame->Button(2)));
  TSelfCheckFrame* view = win->SettingFrame->SelfCheckFrame;
  ASSERT_TRUE(VclTest::MouseDown(view->Panel1, mbLeft, 5, 5));
  TForm* sheet = view->ResultSheet();
  ASSERT_NE(sheet, nullptr);
  for (const auto& [width, height] : Sizes) {
    SCOPED_TRACE(testing::Message() << width << " x " << height);
    VclTest::UserResize(win, width, height);
    Application->ProcessMessages();
    const TPoint origin = RenderWindow->ClientToScreen(TPoint(0, 0));
    const TRect area = Rect(origin.X, origin.Y, origin.X + RenderWindow->ClientWidth(),
                            origin.Y + RenderWindow->ClientHeight());
    TScrollBox* rows = nullptr;
    for (int i = 0; i < sheet->ControlCount() && !rows; ++i)
      rows = dynamic_cast<TScrollBox*>(sheet->Controls(i));
    ASSERT_NE(rows, nullptr);
    for (int row = 1; row <= 55; ++row) {
      auto* value = dynamic_cast<TLabel*>(sheet->FindComponent("a" + std::to_string(row) + "a"));
      ASSERT_NE(value, nullptr) << row;
      rows->VertScrollBar()->SetPosition(std::max(0, value->Top() - 20));
      rows->HorzScrollBar()->SetPosition(std::max(0, value->Left() - 20));
      Application->ProcessMessages();
      const TPoint at = value->ClientToScreen(TPoint(value->Width() / 2, value->Height() / 2));
      EXPECT_TRUE(at.X >= area.Left && at.X < area.Right && at.Y >= area.Top && at.Y < area.Bottom)
          << "row " << row << " at " << at.X << ", " << at.Y;
    }
  }
}

// The settings window is a window of its own: it stands at the render window's top-left corner and
// within the render window, whatever the window's size down to the smallest allowed and however it
// was changed (the width alone included), clear of the main and frame buttons; in a small window its
// contents scroll, so its close button can still be reached, and at its full size nothing scrolls.
TEST_F(MainWinTest, SettingsWindowStandsAtTheMeasurementAreaClearOfEveryButton) {
  Start();
  VclTest::UserResize(win, 1024, 768);
  Application->ProcessMessages();
  ASSERT_TRUE(VclTest::Click(win->MainBut8));
  TSettingsWin* settings = win->SettingsWindow;
  ASSERT_TRUE(settings->Visible());
  Application->ProcessMessages();
  EXPECT_EQ(settings->Content->HorzScrollBar()->Range(), 0) << "shown at its full size, nothing scrolls";
  EXPECT_EQ(settings->Content->VertScrollBar()->Range(), 0) << "shown at its full size, nothing scrolls";
  // Step 4 changes the width alone; the last one grows the window again.
  const std::pair<int, int> sizes[] = {{800, 600}, {1024, 768}, {1280, 1000}, {1280, 600},
                                       {640, 480}, {462, 462},  {800, 600},   {1280, 1000}};
  for (const auto& [width, height] : sizes) {
    SCOPED_TRACE(testing::Message() << width << " x " << height);
    VclTest::UserResize(win, width, height);
    Application->ProcessMessages();
    const TPoint corner = win->ScreenToClient(RenderWindow->ClientToScreen(TPoint(0, 0)));
    EXPECT_EQ(settings->Left(), corner.X);
    EXPECT_EQ(settings->Top(), corner.Y);
    EXPECT_EQ(settings->Width(), std::min(TSettingsWin::DesignWidth, RenderWindow->ClientWidth()));
    EXPECT_EQ(settings->Height(), std::min(TSettingsWin::DesignHeight, RenderWindow->ClientHeight()));
    if (settings->Width() == TSettingsWin::DesignWidth && settings->Height() == TSettingsWin::DesignHeight) {
      EXPECT_EQ(settings->Content->HorzScrollBar()->Range(), 0) << "nothing to scroll at the full size";
      EXPECT_EQ(settings->Content->VertScrollBar()->Range(), 0) << "nothing to scroll at the full size";
    }
    TButton* close = settings->Button1;
    settings->Content->HorzScrollBar()->SetPosition(close->Left());
    settings->Content->VertScrollBar()->SetPosition(close->Top());
    Application->ProcessMessages();
    const TPoint closeCentre = CentreInMainWindow(win, close);
    EXPECT_TRUE(VclTest::Reaches(win, closeCentre.X, closeCentre.Y, close)) << "close button";
    settings->Content->HorzScrollBar()->SetPosition(0);
    settings->Content->VertScrollBar()->SetPosition(0);
    Application->ProcessMessages();
    for (int n = 1; n <= 9; ++n) {
      const TPoint centre = CentreInMainWindow(win, MainButton(win, n));
      EXPECT_TRUE(VclTest::Reaches(win, centre.X, centre.Y, MainButton(win, n))) << "main button " << n;
    }
    for (int n = 1; n <= 2; ++n) {
      const TPoint centre = CentreInMainWindow(win, win->SettingFrame->Button(n));
      EXPECT_TRUE(VclTest::Reaches(win, centre.X, centre.Y, win->SettingFrame->Button(n)))
          << "frame button " << n;
    }
  }
}

}  // namespace
