// The bar line on an off-screen scene.
#include "display/Renderobjects.h"

#include <gtest/gtest.h>

#include "display/DirectXBase.h"

namespace {

class BarLineTest : public ::testing::Test {
 protected:
  ZXBase base;
  void SetUp() override {
    ASSERT_TRUE(base.CreateDevice(nullptr, 1024, 768));
    base.SetClearColor(0);
    base.Clear();
  }
  uint32_t At(int x, int y) const { return base.Device->PixelAt(x, y); }
};

TEST_F(BarLineTest, StartsHiddenAndGreen) {
  BargarphLine bar(&base, 20, 290, 960, 12);
  EXPECT_EQ(bar.Visible, 0);
  EXPECT_EQ(bar.Maximum, 0u);
  EXPECT_EQ(bar.Value, 0u);
  EXPECT_EQ(bar.Color, 0x00FF00);
  bar.Maximum = 100;
  bar.Value = 100;
  bar.Render();
  EXPECT_EQ(At(500, 290), 0xFF000000u);
}

TEST_F(BarLineTest, LengthFollowsValueOverMaximum) {
  struct Case {
    unsigned value, maximum;
    float endX;  // the bar's end point
  };
  const Case cases[] = {{50, 100, 500}, {15, 15, 980}, {1, 3, 340}, {30, 15, 1940}};
  for (const auto& c : cases) {
    base.Clear();
    BargarphLine bar(&base, 20, 290, 960, 12);
    bar.Visible = 1;
    bar.Value = c.value;
    bar.Maximum = c.maximum;
    bar.Render();
    EXPECT_FLOAT_EQ(bar.Vertices[0].x, 20.0f);
    EXPECT_FLOAT_EQ(bar.Vertices[1].x, c.endX) << c.value << "/" << c.maximum;
    EXPECT_FLOAT_EQ(bar.Vertices[1].y, 290.0f);
    EXPECT_EQ(At(21, 290), 0xFF00FF00u);
    const int inside = std::min(static_cast<int>(c.endX) - 2, 1023);
    EXPECT_EQ(At(inside, 290), 0xFF00FF00u);
    EXPECT_EQ(At(inside, 284), 0xFF00FF00u);  // 12 wide: 284..295
    EXPECT_EQ(At(inside, 295), 0xFF00FF00u);
    EXPECT_EQ(At(inside, 297), 0xFF000000u);
    if (c.endX < 1020) {
      EXPECT_EQ(At(static_cast<int>(c.endX) + 2, 290), 0xFF000000u);
    }
  }
}

TEST_F(BarLineTest, NothingForZeroMaximumOrZeroValue) {
  BargarphLine bar(&base, 20, 650, 960, 12);
  bar.Visible = 1;
  bar.Value = 40;
  bar.Maximum = 0;
  bar.Render();
  bar.Maximum = 100;
  bar.Value = 0;
  bar.Render();  // a zero-length bar
  EXPECT_FLOAT_EQ(bar.Vertices[1].x, 20.0f);
  for (int x = 10; x < 40; ++x) EXPECT_EQ(At(x, 650), 0xFF000000u) << x;
}

TEST_F(BarLineTest, ColourIsTakenWithoutSystemResolution) {
  BargarphLine bar(&base, 20, 100, 100, 4);
  bar.Visible = 1;
  bar.Maximum = 1;
  bar.Value = 1;
  bar.Color = 0x0000FF;  // red
  bar.Render();
  EXPECT_EQ(At(60, 100), 0xFFFF0000u);
  bar.Color = static_cast<TColor>(0x80000001);  // taken by its low bytes: red 1
  bar.Render();
  EXPECT_EQ(At(60, 100), 0xFF010000u);
}

TEST(BarLineNoDeviceTest, RenderWithoutDeviceDoesNothing) {
  ZXBase base;  // no device created
  BargarphLine bar(&base, 0, 0, 10, 2);
  bar.Visible = 1;
  bar.Maximum = 1;
  bar.Value = 1;
  bar.Render();
  EXPECT_EQ(bar.Line, nullptr);
  BargarphLine none(nullptr, 0, 0, 10, 2);
  none.Visible = 1;
  none.Maximum = 1;
  none.Render();
}

}  // namespace
