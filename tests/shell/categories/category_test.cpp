// The nine category frames in the real main window: each button runs exactly its view, leaving the
// category (another main button, closing the window, the link going down) leaves every view that
// was entered, and the render window's mouse and wheel reach the category's views in the virtual
// 1024 x 768 space.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "base/Guard.h"
#include "platform/vcl/TestHooks.h"
#include "shell/CategoryFrames.h"
#include "tests/shell/OnScreen.h"
#include "tests/shell/main/MainWinFixture.h"

namespace {

struct CategoryCase {
  const char* name;
  int category;
  std::vector<std::pair<int, int>> buttons;  // button -> index of the view it runs (-1: none)
  int firstView;                             // entered with the category (-1: none)
  std::vector<int> mouseViews;               // views that receive the render window's mouse
  std::vector<int> wheelViews;               // views that receive the wheel
  std::vector<int> leaveOrder;               // the order in which leaving the category leaves its views
};

void PrintTo(const CategoryCase& c, std::ostream* os) { *os << c.name; }

const CategoryCase Cases[] = {
    {"Analyser",
     1,
     {{2, 2}, {3, 3}, {4, 1}, {5, 5}, {6, 4}, {1, 0}},
     0,
     {0, 1, 2, 3, 4, 5},
     {0, 1, 2, 3, 4, 5},
     {0, 1, 2, 3, 4, 5}},
    {"Auto", 2, {{4, 1}, {5, 2}, {1, 0}}, 0, {1}, {1}, {2, 1, 0}},
    {"Locate", 3, {{2, 0}, {3, 2}, {4, -1}, {1, 1}}, 1, {}, {}, {0, 1, 2}},
    {"Vlf", 4, {{4, 1}, {1, 0}}, 0, {0}, {0}, {0, 1}},
    {"Video", 5, {}, -1, {}, {}, {}},
    {"Finger", 6, {}, 0, {0}, {}, {0, 1}},
    {"Project", 7, {}, -1, {}, {}, {}},
    {"Settings", 8, {{2, 0}, {1, -1}}, -1, {}, {}, {0}},
    {"Help", 9, {}, -1, {}, {}, {}},
};

using onscreen::MainButton;

class CategoryTest : public MainWinTest, public testing::WithParamInterface<CategoryCase> {
 protected:
  void SetUp() override {
    MainWinTest::SetUp();
    Start();
    ASSERT_EQ(LinkUp.load(), 1);
    frame = win->CategoryFrame(GetParam().category);
    views = frame->Views();
    ASSERT_TRUE(VclTest::Click(MainButton(win, GetParam().category)));
  }

  // Which views run, by creation index.
  std::vector<int> Entered() const {
    std::vector<int> entered;
    for (size_t v = 0; v < views.size(); ++v)
      if (views[v]->IsEntered()) entered.push_back(int(v));
    return entered;
  }

  static std::vector<int> Only(int view) { return view < 0 ? std::vector<int>{} : std::vector<int>{view}; }

  // Every view of the category entered at once, as a view that was only hidden would still be.
  void EnterEveryView() {
    for (TModeFrameBase* view : views) view->Enter();
  }

  // Every view was left, in the category's order.
  void ExpectLeftInOrder() const {
    EXPECT_EQ(Entered(), std::vector<int>{});
    std::vector<int> order(views.size());
    for (size_t v = 0; v < views.size(); ++v) order[v] = int(v);
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return views[size_t(a)]->LeaveRank() < views[size_t(b)]->LeaveRank(); });
    EXPECT_EQ(order, GetParam().leaveOrder);
  }

  TCategoryFrameBase* frame = nullptr;
  std::vector<TModeFrameBase*> views;
};

TEST_P(CategoryTest, ShownItHasItsTitleInItsSizeAlsoAfterAResizeWhileHidden) {
  auto expectTitleFits = [this] {
    EXPECT_EQ(frame->Image->Picture()->Width(), frame->ClientWidth());
    EXPECT_EQ(frame->Image->Picture()->Height(), frame->ClientHeight());
  };
  expectTitleFits();
  const int other = GetParam().category == 9 ? 1 : 9;
  ASSERT_TRUE(VclTest::Click(MainButton(win, other)));
  VclTest::UserResize(win, win->Width() + 40, win->Height() + 60);
  Application->ProcessMessages();
  ASSERT_TRUE(VclTest::Click(MainButton(win, GetParam().category)));
  EXPECT_EQ(frame->BoundsRect(), win->FramePanel->ClientRect());
  expectTitleFits();
}

TEST_P(CategoryTest, EachButtonRunsExactlyItsView) {
  EXPECT_EQ(Entered(), Only(GetParam().firstView));
  for (const auto& [button, view] : GetParam().buttons) {
    SCOPED_TRACE(testing::Message() << "button " << button);
    const bool wasEntered = view >= 0 && views[size_t(view)]->IsEntered();
    const int entersBefore = view < 0 ? 0 : views[size_t(view)]->EnterCount();
    ASSERT_TRUE(VclTest::Click(frame->Button(button)));
    EXPECT_EQ(Entered(), Only(view));
    if (view >= 0) {
      EXPECT_EQ(views[size_t(view)]->EnterCount(), entersBefore + (wasEntered ? 0 : 1));
    }
    for (int v = 0; v < int(views.size()); ++v)
      EXPECT_EQ(views[size_t(v)]->Visible(), v == view) << "view " << v;
  }
}

// While a button switches views, every guarded operation on the GUI thread is a moment to look: the
// button's view may be entered only when no other view is (still) entered.
struct SwitchWatch {
  std::vector<TModeFrameBase*> views;
  TModeFrameBase* target = nullptr;
  std::thread::id gui;
  int moments = 0, overlaps = 0;

  static void Look(const char*) {
    SwitchWatch* w = watching;
    if (!w || std::this_thread::get_id() != w->gui) return;
    ++w->moments;
    if (!w->target || !w->target->IsEntered()) return;
    for (TModeFrameBase* view : w->views)
      if (view != w->target && view->IsEntered()) ++w->overlaps;
  }
  inline static SwitchWatch* watching = nullptr;
};

TEST_P(CategoryTest, ANewViewIsEnteredOnlyAfterEveryOtherWasLeft) {
  for (const auto& [button, view] : GetParam().buttons) {
    SCOPED_TRACE(testing::Message() << "button " << button);
    // Every other view runs, the button's view does not.
    for (size_t v = 0; v < views.size(); ++v) {
      if (int(v) == view)
        views[v]->Leave();
      else
        views[v]->Enter();
    }
    SwitchWatch watch{views, view < 0 ? nullptr : views[size_t(view)], std::this_thread::get_id()};
    SwitchWatch::watching = &watch;
    GuardEntered = &SwitchWatch::Look;
    const bool clicked = VclTest::Click(frame->Button(button));
    GuardEntered = nullptr;
    SwitchWatch::watching = nullptr;
    ASSERT_TRUE(clicked);
    EXPECT_EQ(Entered(), Only(view));
    // Where another view had to be left for the button's view, the switch was watched.
    if (watch.target && views.size() > 1) {
      EXPECT_GT(watch.moments, 0);
    }
    EXPECT_EQ(watch.overlaps, 0) << "the view was entered while another still ran";
  }
}

TEST_P(CategoryTest, AnotherMainButtonLeavesEveryEnteredView) {
  EnterEveryView();
  const std::vector<int> leftBefore = [&] {
    std::vector<int> counts;
    for (TModeFrameBase* view : views) counts.push_back(view->LeaveCount());
    return counts;
  }();
  ASSERT_TRUE(VclTest::Click(MainButton(win, GetParam().category == 1 ? 2 : 1)));
  ExpectLeftInOrder();
  for (size_t v = 0; v < views.size(); ++v) {
    EXPECT_EQ(views[v]->LeaveCount(), leftBefore[v] + 1) << "view " << v;
    EXPECT_FALSE(views[v]->Visible()) << "view " << v;
  }
  EXPECT_FALSE(frame->Visible());
}

TEST_P(CategoryTest, ClosingTheMainWindowLeavesEveryEnteredView) {
  EnterEveryView();
  win->Close();
  ExpectLeftInOrder();
  EXPECT_FALSE(frame->Visible());
}

TEST_P(CategoryTest, TheLinkGoingDownLeavesEveryEnteredView) {
  EnterEveryView();
  LinkUp = 0;
  IdlePass();  // the exit screen closes the window
  EXPECT_FALSE(win->Visible());
  ExpectLeftInOrder();
}

TEST_P(CategoryTest, MouseAndWheelReachTheViewsInTheVirtualScreen) {
  const int w = RenderWindow->Width();
  const int h = RenderWindow->Height();
  ASSERT_GT(w, 100);
  const int x = 700 * w / 1024 + 1;
  const int y = 300 * h / 768 + 1;
  const TPoint expected = MapToVirtual(x, y, w, h);
  EXPECT_NEAR(expected.X, 700, 2);
  EXPECT_NEAR(expected.Y, 300, 2);
  ASSERT_TRUE(VclTest::MouseDown(RenderWindow, mbLeft, x, y));
  VclTest::MouseMove(RenderWindow, x, y);
  VclTest::MouseUp(RenderWindow, mbLeft, x, y);
  ASSERT_TRUE(VclTest::Wheel(RenderWindow, -120, x, y));
  const auto contains = [](const std::vector<int>& list, int v) {
    return std::find(list.begin(), list.end(), v) != list.end();
  };
  for (int v = 0; v < int(views.size()); ++v) {
    SCOPED_TRACE(testing::Message() << "view " << v);
    const TModeFrameBase::InputSeen& seen = views[size_t(v)]->Input();
    const bool mouse = contains(GetParam().mouseViews, v);
    EXPECT_EQ(seen.downs, mouse ? 1 : 0);
    EXPECT_EQ(seen.ups, mouse ? 1 : 0);
    EXPECT_EQ(seen.moves, mouse ? 1 : 0);
    if (mouse) {
      EXPECT_EQ(seen.lastPosition, expected);
    }
    const bool wheel = contains(GetParam().wheelViews, v);
    EXPECT_EQ(seen.wheels, wheel ? 1 : 0);
    if (wheel) {
      EXPECT_EQ(seen.lastDelta, -120);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Categories, CategoryTest, testing::ValuesIn(Cases),
                         [](const testing::TestParamInfo<CategoryCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
