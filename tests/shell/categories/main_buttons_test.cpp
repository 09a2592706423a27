// The operator's way out of every view: whatever a view shows on the main window or the render
// window, each main button takes a click at its place on the screen, delivered through the window
// system's hit test (the topmost control under the pointer), not to the button directly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/SilentList.h"
#include "platform/vcl/TestHooks.h"
#include "screens/locate/Usilentframeunit.h"
#include "shell/CategoryFrames.h"
#include "tests/shell/OnScreen.h"
#include "tests/shell/main/MainWinFixture.h"

namespace {

using onscreen::CentreInMainWindow;
using onscreen::MainButton;
using onscreen::VisibleCategories;

struct ViewButton {
  const char* name;
  int category;
  int button;
};

void PrintTo(const ViewButton& v, std::ostream* os) { *os << v.name; }

// Every enabled frame button of every category: the 17 ways into a view.
const ViewButton ViewButtons[] = {
    {"Spectrum", 1, 1},   {"Intensity", 1, 2}, {"Digital", 1, 3},     {"Audio", 1, 4},
    {"MaxHold", 1, 5},    {"Diff", 1, 6},      {"FastDetect", 2, 1},  {"Mobil", 2, 4},
    {"Silent", 2, 5},     {"Sonar", 3, 1},     {"FieldLocate", 3, 2}, {"DigFieldLocate", 3, 3},
    {"LocateNone", 3, 4}, {"VlfSpect", 4, 1},  {"VlfSonar", 4, 4},    {"Settings", 8, 1},
    {"SelfTest", 8, 2},
};

class MainButtonsOnScreenTest : public MainWinTest, public testing::WithParamInterface<ViewButton> {
 protected:
  bool ClickOnScreen(TControl* control) {
    const TPoint at = CentreInMainWindow(win, control);
    const bool taken = VclTest::ClickAt(win, at.X, at.Y);
    Application->ProcessMessages();
    return taken;
  }

  // Enters the view as the operator does: its main button, then its frame button; then a few
  // passes of the idle loop, so that what the view makes while it runs is on the screen too.
  void EnterView() {
    ASSERT_TRUE(ClickOnScreen(MainButton(win, GetParam().category)));
    ASSERT_EQ(VisibleCategories(win), std::vector<int>{GetParam().category});
    TCategoryFrameBase* frame = win->CategoryFrame(GetParam().category);
    ASSERT_TRUE(ClickOnScreen(frame->Button(GetParam().button)));
    for (int i = 0; i < 3; ++i) IdlePass();
    Application->ProcessMessages();
  }
};

TEST_P(MainButtonsOnScreenTest, EveryMainButtonTakesItsClickFromTheView) {
  Start();
  ASSERT_EQ(LinkUp.load(), 1);
  for (int main = 1; main <= 9; ++main) {
    SCOPED_TRACE(testing::Message() << "main button " << main);
    EnterView();
    onscreen::ExpectUncovered(win, MainButton(win, main), 5, "the main button");
    ASSERT_TRUE(ClickOnScreen(MainButton(win, main)));
    EXPECT_EQ(VisibleCategories(win), std::vector<int>{main});
  }
}

INSTANTIATE_TEST_SUITE_P(Views, MainButtonsOnScreenTest, testing::ValuesIn(ViewButtons),
                         [](const auto& info) { return std::string(info.param.name); });

// The silent view's candidate list stands left of "Signal to be tested" and follows the render
// window's size.
TEST_F(MainWinTest, SilentCandidateListStaysInTheMeasurementAreaAtEverySize) {
  Start();
  ASSERT_TRUE(VclTest::Click(win->MainBut2));
  ASSERT_TRUE(VclTest::Click(win->AutoFrame->Button(5)));
  TSilentListBox* list = win->AutoFrame->SilentFrame->ListBox();
  ASSERT_TRUE(list->Visible());
  for (const auto& size : {std::pair{800, 600}, std::pair{1024, 768}, std::pair{1280, 1000}}) {
    SCOPED_TRACE(size.first);
    VclTest::UserResize(win, size.first, size.second);
    Application->ProcessMessages();
    ASSERT_EQ(list->Parent(), RenderWindow);
    const double sx = RenderWindow->Width() / 1024.0, sy = RenderWindow->Height() / 768.0;
    EXPECT_EQ(list->BoundsRect(),
              Rect(int(20 * sx), int(30 * sy), int(20 * sx) + int(560 * sx), int(30 * sy) + int(300 * sy)));
  }
}

// At the default 800 x 600 the top bar is narrower than nine full-size buttons: they stand closer
// and smaller, each inside the bar and clear of the version panel; from 1014 pixels on they keep
// their full size.
TEST_F(MainWinTest, EveryMainButtonStaysInsideTheTopBarAtEverySize) {
  Start();
  for (const auto& size : {std::pair{800, 600}, std::pair{1024, 768}, std::pair{1280, 1000}}) {
    SCOPED_TRACE(size.first);
    VclTest::UserResize(win, size.first, size.second);
    Application->ProcessMessages();
    for (int n = 1; n <= 9; ++n) {
      TImage* button = MainButton(win, n);
      EXPECT_LE(button->Left() + button->Width(), win->ActionPanel->ClientWidth()) << n;
      EXPECT_EQ(button->Width(), size.first >= 1014 ? 80 : button->Height()) << n;
      const TPoint centre =
          win->ScreenToClient(button->ClientToScreen(TPoint(button->Width() / 2, 40 - button->Top())));
      EXPECT_TRUE(VclTest::Reaches(win, centre.X, centre.Y, button)) << n;
    }
  }
}

}  // namespace
