// Pixel probes of the line object on the back buffer.
#include "platform/scene/Scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace scene;

namespace {

int Channel(uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

// Compares two colours channel by channel with a tolerance of tol.
::testing::AssertionResult Near(uint32_t actual, uint32_t expected, int tol = 1) {
  for (int s : {0, 8, 16, 24})
    if (std::abs(Channel(actual, s) - Channel(expected, s)) > tol)
      return ::testing::AssertionFailure() << std::hex << "0x" << actual << " != 0x" << expected;
  return ::testing::AssertionSuccess();
}

class LineTest : public ::testing::Test {
 protected:
  Device device;
  Line line{device};
  void SetUp() override { device.Clear(0xFF000000); }
  void Draw(std::initializer_list<Vec2> pts, uint32_t argb) {
    std::vector<Vec2> v(pts);
    line.Begin();
    EXPECT_TRUE(line.Draw(v.data(), static_cast<int>(v.size()), argb));
    line.End();
  }
};

struct BlendCase {
  uint32_t background, colour, expected;
};

TEST_F(LineTest, HalfTransparentLineBlendsWithBackground) {
  const BlendCase cases[] = {
      {0xFF000000, 0x80FFFFFF, 0xFF808080},  // white half over black
      {0xFFFFFFFF, 0x80000000, 0xFF7F7F7F},  // black half over white
      {0xFF0000FF, 0x80FF0000, 0xFF80007F},  // red half over blue
      {0xFF204060, 0xFF00FF00, 0xFF00FF00},  // opaque replaces
      {0xFF204060, 0x00FFFFFF, 0xFF204060},  // fully transparent leaves it
      {0xFF000000, 0x40FFFFFF, 0xFF404040},  // quarter
  };
  for (const auto& c : cases) {
    device.Clear(c.background);
    Draw({{10, 5}, {10, 50}}, c.colour);
    EXPECT_TRUE(Near(device.PixelAt(10, 20), c.expected)) << std::hex << c.colour;
    EXPECT_EQ(device.PixelAt(11, 20), c.background | 0xFF000000);
    EXPECT_EQ(device.PixelAt(9, 20), c.background | 0xFF000000);
  }
}

TEST_F(LineTest, VerticalSpansBlendEveryRowOnce) {
  struct Case {
    float y0, y1;
    bool aa;
  };
  const Case cases[] = {{10, 10, false}, {10, 11, false}, {10, 12, true},   {12, 9, false},
                        {0, 767, true},  {767, 0, false}, {100, 104, true}, {-50, 3, false}};
  for (const auto& c : cases) {
    device.Clear(0xFF000000);
    line.SetAntialias(c.aa);
    Draw({{300, c.y0}, {300, c.y1}}, 0x80FFFFFF);
    const int top = std::max(0, static_cast<int>(std::min(c.y0, c.y1)));
    const int bottom = static_cast<int>(std::max(c.y0, c.y1));
    for (int y = top; y <= bottom; ++y)
      ASSERT_TRUE(Near(device.PixelAt(300, y), 0xFF808080)) << c.y0 << ".." << c.y1 << " row " << y;
    EXPECT_EQ(device.PixelAt(300, top - 1) & 0xFFFFFF, 0u);
    EXPECT_EQ(device.PixelAt(300, bottom + 1) & 0xFFFFFF, 0u);
    EXPECT_EQ(device.PixelAt(301, (top + bottom) / 2), 0xFF000000u);
  }
}

TEST_F(LineTest, PlainLinesHitTheNearestPixels) {
  struct Case {
    Vec2 a, b;
    std::vector<std::pair<int, int>> lit, dark;
  };
  const Case cases[] = {
      {{0, 0}, {1023, 0}, {{0, 0}, {500, 0}, {1023, 0}}, {{500, 1}}},
      {{5, 767}, {5, 0}, {{5, 0}, {5, 767}, {5, 300}}, {{4, 300}, {6, 300}}},
      {{102.4f, 10}, {102.4f, 20}, {{102, 15}}, {{103, 15}, {101, 15}}},
      {{10, 10}, {20, 20}, {{10, 10}, {15, 15}, {20, 20}}, {{15, 14}, {16, 15}}},
      {{20, 10}, {10, 30}, {{20, 10}, {15, 20}, {10, 30}}, {{16, 20}}},
  };
  for (const auto& c : cases) {
    device.Clear(0);
    Draw({c.a, c.b}, 0xFFFFFFFF);
    for (auto [x, y] : c.lit) EXPECT_EQ(device.PixelAt(x, y), 0xFFFFFFFFu) << x << "," << y;
    for (auto [x, y] : c.dark) EXPECT_EQ(device.PixelAt(x, y), 0xFF000000u) << x << "," << y;
  }
}

TEST_F(LineTest, AntialiasedLineSplitsBetweenNeighbours) {
  line.SetAntialias(true);
  Draw({{100.25f, 10}, {100.25f, 40}}, 0xFFFFFFFF);
  EXPECT_TRUE(Near(device.PixelAt(100, 20), 0xFFBFBFBF, 2));  // 3/4
  EXPECT_TRUE(Near(device.PixelAt(101, 20), 0xFF404040, 2));  // 1/4
  EXPECT_EQ(device.PixelAt(99, 20), 0xFF000000u);
  EXPECT_EQ(device.PixelAt(102, 20), 0xFF000000u);

  device.Clear(0);
  Draw({{10, 10}, {100, 55}}, 0xFFFFFFFF);  // slope 1/2: x 12 lies on y 11 exactly
  EXPECT_EQ(device.PixelAt(12, 11), 0xFFFFFFFFu);
  EXPECT_TRUE(Near(device.PixelAt(11, 10), 0xFF808080, 2));
  EXPECT_TRUE(Near(device.PixelAt(11, 11), 0xFF808080, 2));
}

TEST_F(LineTest, IntegerAntialiasedGridLineStaysOneColumnWide) {
  line.SetAntialias(true);
  Draw({{200, 0}, {200, 767}}, 0x80FFFFFF);
  for (int y : {0, 384, 767}) {
    EXPECT_TRUE(Near(device.PixelAt(200, y), 0xFF808080));
    EXPECT_EQ(device.PixelAt(201, y), 0xFF000000u);
    EXPECT_EQ(device.PixelAt(199, y), 0xFF000000u);
  }
}

TEST_F(LineTest, PolylineJointsAreBlendedOnce) {
  for (bool aa : {false, true}) {
    device.Clear(0);
    line.SetAntialias(aa);
    Draw({{10, 10}, {30, 10}, {30, 30}, {50, 30}}, 0x80FFFFFF);
    EXPECT_TRUE(Near(device.PixelAt(30, 10), 0xFF808080)) << aa;
    EXPECT_TRUE(Near(device.PixelAt(30, 30), 0xFF808080)) << aa;
    EXPECT_TRUE(Near(device.PixelAt(50, 30), 0xFF808080)) << aa;  // last point drawn
  }
}

TEST_F(LineTest, WideLineIsAFilledQuad) {
  line.SetWidth(3);
  Draw({{100, 50}, {100, 150}}, 0xFFFF0000);
  for (int x = 99; x <= 101; ++x) EXPECT_EQ(device.PixelAt(x, 100), 0xFFFF0000u) << x;
  EXPECT_EQ(device.PixelAt(98, 100), 0xFF000000u);
  EXPECT_EQ(device.PixelAt(102, 100), 0xFF000000u);
  EXPECT_EQ(device.PixelAt(100, 49), 0xFF000000u);  // flat ends
  EXPECT_EQ(device.PixelAt(100, 151), 0xFF000000u);

  device.Clear(0);
  line.SetWidth(12);
  line.SetAntialias(true);
  Draw({{20, 290}, {500, 290}}, 0xFF00FF00);
  EXPECT_EQ(device.PixelAt(300, 290), 0xFF00FF00u);
  EXPECT_EQ(device.PixelAt(300, 285), 0xFF00FF00u);
  EXPECT_EQ(device.PixelAt(300, 295), 0xFF00FF00u);
  EXPECT_TRUE(Near(device.PixelAt(300, 296), 0xFF008000, 2));  // edge at 296.0: half covered
  EXPECT_EQ(device.PixelAt(300, 298), 0xFF000000u);
  EXPECT_EQ(device.PixelAt(510, 290), 0xFF000000u);
}

TEST_F(LineTest, ZeroLengthWideLineDrawsNothing) {
  line.SetWidth(12);
  Draw({{20, 290}, {20, 290}}, 0xFF00FF00);
  for (int dx = -8; dx <= 8; ++dx) EXPECT_EQ(device.PixelAt(20 + dx, 290), 0xFF000000u);
}

TEST_F(LineTest, InvalidWidthIsIgnored) {
  line.SetWidth(5);
  for (float w :
       {0.0f, -3.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
    line.SetWidth(w);
    EXPECT_EQ(line.GetWidth(), 5.0f);
  }
}

TEST_F(LineTest, FarOutAndNonFiniteCoordinatesAreClipped) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const float big = 3.0e38f;
  const Vec2 cases[][2] = {
      {{nan, 10}, {50, 10}},      {{10, nan}, {50, nan}},  {{inf, 10}, {-inf, 10}},
      {{-big, -big}, {big, big}}, {{0, 1e9f}, {1, -1e9f}}, {{-1e7f, 5}, {1e7f, 7}},
      {{2000, 2000}, {3000, 10}}, {{-5, -5}, {-5, 3000}},  {{1e30f, 0}, {1e30f, 1}},
  };
  for (float width : {1.0f, 3.0f, 40.0f})
    for (bool aa : {false, true}) {
      line.SetWidth(width);
      line.SetAntialias(aa);
      for (const auto& c : cases) EXPECT_TRUE(line.Draw(c, 2, 0xFFFFFFFF));
    }

  // A segment reaching far out still draws its visible part exactly.
  device.Clear(0);
  line.SetWidth(1);
  line.SetAntialias(false);
  Draw({{-1e9f, 100}, {1e9f, 100}}, 0xFFFFFFFF);
  EXPECT_EQ(device.PixelAt(0, 100), 0xFFFFFFFFu);
  EXPECT_EQ(device.PixelAt(1023, 100), 0xFFFFFFFFu);
  Draw({{300, 1e8f}, {300, -1e8f}}, 0xFFFF0000);
  EXPECT_EQ(device.PixelAt(300, 0), 0xFFFF0000u);
  EXPECT_EQ(device.PixelAt(300, 767), 0xFFFF0000u);

  // A non-finite point drops its two segments only.
  device.Clear(0);
  Draw({{10, 10}, {20, 10}, {nan, nan}, {40, 10}, {50, 10}}, 0xFFFFFFFF);
  EXPECT_EQ(device.PixelAt(15, 10), 0xFFFFFFFFu);
  EXPECT_EQ(device.PixelAt(30, 10), 0xFF000000u);
  EXPECT_EQ(device.PixelAt(45, 10), 0xFFFFFFFFu);
}

TEST_F(LineTest, RandomSegmentsStayInsideTheBuffer) {
  // Rows are padded on the right: a rasteriser that runs past an edge shows up there.
  const uint32_t background = 0xFF123456;
  device.Clear(background);
  uint32_t seed = 2024;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  const float specials[] = {-1e30f, -5000.f, -0.5f, 0.f, 1023.5f, 1024.f, 767.5f, 768.f, 5000.f, 1e30f};
  auto coord = [&](float span) {
    const uint32_t r = next();
    if (r % 4 == 0) return specials[(r >> 4) % 10];
    return static_cast<float>(static_cast<double>(r % 100000) / 100000.0 * (span + 400) - 200);
  };
  for (int i = 0; i < 3000; ++i) {
    line.SetWidth(static_cast<float>(next() % 3 == 0 ? 1 + next() % 40 : 1));
    line.SetAntialias(next() % 2 == 0);
    const Vec2 pts[3] = {{coord(1024), coord(768)}, {coord(1024), coord(768)}, {coord(1024), coord(768)}};
    line.Draw(pts, 3, 0x80000000u | (next() & 0xFFFFFF));
  }
  const uint32_t* pixels = device.BackBuffer();
  for (int y = 0; y < BackBufferHeight; ++y)
    for (int x = BackBufferWidth; x < BackBufferStride; ++x)
      ASSERT_EQ(pixels[y * BackBufferStride + x], background) << x << "," << y;
}

TEST_F(LineTest, DrawRejectsTooFewPoints) {
  const Vec2 p{10, 10};
  EXPECT_FALSE(line.Draw(&p, 1, 0xFFFFFFFF));
  EXPECT_FALSE(line.Draw(nullptr, 2, 0xFFFFFFFF));
  EXPECT_EQ(device.PixelAt(10, 10), 0xFF000000u);
}

TEST_F(LineTest, BeginAndEndBracketBatches) {
  EXPECT_FALSE(line.End());
  EXPECT_TRUE(line.Begin());
  EXPECT_FALSE(line.Begin());
  EXPECT_TRUE(line.End());
  line.SetGLLines(true);
  EXPECT_TRUE(line.GetGLLines());
}

}  // namespace
