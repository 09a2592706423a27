// The candidate list of the silent search and the painting of its rows.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/SilentList.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Graphics.h"

namespace {

std::vector<double> Levels(const SilentList& list) {
  std::vector<double> levels;
  for (int i = 0; i < list.Count(); ++i) levels.push_back(list.Get(i)->Level);
  return levels;
}

TEST(SilentList, LooksUpOutsideTheListAsNothing) {
  SilentList list;
  EXPECT_EQ(list.Get(0), nullptr);
  EXPECT_EQ(list.Get(-1), nullptr);
  list.Add(1e6, 10);
  list.Add(2e6, 20);
  list.Add(3e6, 30);
  EXPECT_DOUBLE_EQ(list.GetFrequency(5), -1.0);
  EXPECT_DOUBLE_EQ(list.GetFrequency(2), 3e6);
  const SilentListItem* item = list.Get(1);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Alarm, 0);
  EXPECT_EQ(item->Highlight, 0);
  for (int32_t state : item->States) EXPECT_EQ(state, SilentListItem::NotChecked);
}

TEST(SilentList, SortsStrongestFirstAndKeepsTheOrderOfEqualLevels) {
  struct Case {
    std::vector<double> levels;
    std::vector<double> sorted;
  };
  const Case cases[] = {{{3, 7, 7, 1}, {7, 7, 3, 1}}, {{5}, {5}}, {{}, {}}, {{1, 2, 3}, {3, 2, 1}}};
  for (const Case& c : cases) {
    SilentList list;
    for (size_t i = 0; i < c.levels.size(); ++i) list.Add(double(i), c.levels[i]);
    list.SortByLevel();
    EXPECT_EQ(Levels(list), c.sorted);
    if (c.levels == std::vector<double>{3, 7, 7, 1}) {
      EXPECT_DOUBLE_EQ(list.GetFrequency(0), 1.0);  // the first 7
      EXPECT_DOUBLE_EQ(list.GetFrequency(1), 2.0);
    }
  }
}

TEST(SilentList, ClearHighlightAndClear) {
  SilentList list;
  list.Add(1e6, 1);
  list.Add(2e6, 2);
  list.Get(0)->Highlight = 1;
  list.Get(1)->Highlight = 1;
  list.ClearHighlight();
  EXPECT_EQ(list.Get(0)->Highlight, 0);
  EXPECT_EQ(list.Get(1)->Highlight, 0);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(SilentRow, LevelBarWidth) {
  const std::pair<double, int> cases[] = {{0, 0}, {100, 14}, {170, 23}, {255, 35}};
  for (auto [level, width] : cases) EXPECT_EQ(SilentLevelBarWidth(level), width) << level;
}

class SilentRowPaint : public ::testing::Test {
 protected:
  void SetUp() override {
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(400, 28);
  }
  TColor At(int x, int y) { return bitmap.Canvas()->Pixels(x, y); }
  TBitmap bitmap;
  const TRect row{0, 0, 400, 28};
};

TEST_F(SilentRowPaint, DrawsTheLevelBarTheStatesAndTheAlarm) {
  SilentListItem item;
  item.Frequency = 433.9e6;
  item.Level = 100;
  item.States = {1, 2, 3, 0, 0, 0};
  item.Alarm = 1;
  PaintSilentRow(bitmap.Canvas(), row, &item);
  EXPECT_EQ(At(3, 14), TColor(0x808080));         // not highlighted: grey
  EXPECT_EQ(At(117 + 13, 14), TColor(0x008000));  // 14-pixel bar
  EXPECT_NE(At(117 + 14, 14), TColor(0x008000));
  EXPECT_EQ(At(179, 14), TColor(0x008000));       // no match: green
  EXPECT_EQ(At(179 + 18, 14), TColor(0x0000FF));  // match: red
  EXPECT_EQ(At(179 + 36, 14), TColor(0x000000));  // not measurable: black
  EXPECT_EQ(At(179 + 54, 14), TColor(0x808080));  // not checked: unfilled
  bool alarmText = false;
  for (int x = 312; x < 400; ++x)
    for (int y = 0; y < 28; ++y) alarmText = alarmText || At(x, y) == TColor(0x0000FF);
  EXPECT_TRUE(alarmText);
}

TEST_F(SilentRowPaint, HighlightAndAnEmptyBar) {
  SilentListItem item;
  item.Highlight = 1;
  PaintSilentRow(bitmap.Canvas(), row, &item);
  EXPECT_EQ(At(3, 14), ColorToRGB(clBackground));
  EXPECT_EQ(At(118, 14), ColorToRGB(clBackground));                             // level 0: no bar
  for (int x = 312; x < 400; ++x) EXPECT_NE(At(x, 14), TColor(0x0000FF)) << x;  // no alarm
}

TEST(SilentListBox, ShowsTheListsItemsWithoutOwningThem) {
  Application->Initialize();
  auto form = std::make_unique<TForm>(nullptr);
  auto* box = new TSilentListBox(form.get());
  EXPECT_EQ(box->ItemHeight(), 28);
  EXPECT_EQ(box->Style(), lbOwnerDrawFixed);
  EXPECT_FALSE(box->Visible());
  SilentList list;
  list.Add(1e6, 1);
  list.Add(2e6, 2);
  box->SetList(&list);
  ASSERT_EQ(box->Count(), 2);
  EXPECT_EQ(box->Items()->Objects(1), list.Get(1));
  EXPECT_EQ(box->Items()->Strings(0), "");
  box->SetList(nullptr);
  EXPECT_EQ(box->Count(), 0);
  EXPECT_EQ(list.Count(), 2);
}

}  // namespace
