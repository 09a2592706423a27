// Wide segments along a row or a column go through the rectangle rasteriser; these probes hold
// it against the general quad rasteriser pixel for pixel, over patterned backgrounds.
#include "platform/scene/Scene.h"
#include "platform/scene/SceneRaster.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

using namespace scene;

namespace {

constexpr size_t BufferPixels = static_cast<size_t>(BackBufferStride) * BackBufferHeight;

// A background where every pixel differs from its neighbours, so blends show up.
std::vector<uint32_t> Pattern() {
  std::vector<uint32_t> p(BufferPixels);
  for (size_t i = 0; i < p.size(); ++i) p[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
  return p;
}

struct Segment {
  Vec2 a, b;
  float width;
  bool aa;
  uint32_t argb;
};

std::string Describe(const Segment& s) {
  std::ostringstream o;
  o << "(" << s.a.x << "," << s.a.y << ")-(" << s.b.x << "," << s.b.y << ") width " << s.width
    << (s.aa ? " aa" : " plain") << " colour 0x" << std::hex << s.argb;
  return o.str();
}

// Draws the segment with both rasterisers, each into its own buffer; empty when the buffers
// still hold the same pixels, else the first difference. Buffers that agree stay in use for the
// next segment, so later segments blend over the earlier ones.
std::string CompareRasters(const Segment& s, std::vector<uint32_t>& quad, std::vector<uint32_t>& rect) {
  if (!DrawWideSegment(WideRaster::Quad, quad.data(), s.a, s.b, s.width, s.aa, s.argb))
    return "quad refused " + Describe(s);
  if (!DrawWideSegment(WideRaster::Rect, rect.data(), s.a, s.b, s.width, s.aa, s.argb))
    return "rect refused " + Describe(s);
  if (std::memcmp(quad.data(), rect.data(), BufferPixels * 4) == 0) return {};
  for (size_t i = 0; i < BufferPixels; ++i)
    if (quad[i] != rect[i]) {
      std::ostringstream o;
      o << Describe(s) << ": pixel " << i % BackBufferStride << "," << i / BackBufferStride << std::hex
        << " quad 0x" << quad[i] << " rect 0x" << rect[i];
      return o.str();
    }
  return {};
}

// Spans along the segment: from, to (reversed, shorter than a pixel, fractional, clipped at
// both ends, clipped at one end, reaching the buffer's edge).
const std::pair<float, float> Spans[] = {{50, 150},     {150, 50},   {200.5f, 200.9f}, {300.25f, 310.75f},
                                         {-1e6f, 1e6f}, {700, 5000}, {-0.4f, 12}};
// Positions across: whole, quarter, half and three-quarter pixels, and next to both edges.
const float Across[] = {100, 100.25f, 100.5f, 100.75f, 0.3f, -1.2f, 766.6f};
const float Widths[] = {1.5f, 2, 3, 3.3f, 12, 40};
const uint32_t Colours[] = {0xFFFF0000, 0x80FFFFFF, 0x01203040};

TEST(WideRasterTest, RectangleMatchesQuadAlongColumnsAndRows) {
  std::vector<uint32_t> quad = Pattern(), rect = quad;
  int compared = 0;
  for (bool vertical : {true, false})
    for (auto [from, to] : Spans)
      for (float across : Across)
        for (float width : Widths)
          for (bool aa : {false, true}) {
            const uint32_t argb = Colours[compared % 3];
            const Vec2 a = vertical ? Vec2{across, from} : Vec2{from, across};
            const Vec2 b = vertical ? Vec2{across, to} : Vec2{to, across};
            const Segment s{a, b, width, aa, argb};
            const std::string diff = CompareRasters(s, quad, rect);
            ASSERT_TRUE(diff.empty()) << diff;
            ++compared;
          }
  EXPECT_EQ(compared, 2 * 7 * 7 * 6 * 2);
}

TEST(WideRasterTest, RectangleRefusesSlantedAndInvalidSegments) {
  std::vector<uint32_t> pixels = Pattern();
  const std::vector<uint32_t> before = pixels;
  struct Case {
    Vec2 a, b;
    float width;
    uint32_t argb;
  };
  const Case cases[] = {
      {{10, 10}, {20, 11}, 3, 0xFFFFFFFF},       // slanted
      {{10, 10}, {10.001f, 90}, 3, 0xFFFFFFFF},  // nearly vertical is still slanted
      {{10, 10}, {10, 90}, 1, 0xFFFFFFFF},       // thin lines are not wide segments
      {{10, 10}, {10, 90}, 3, 0x00FFFFFF},       // fully transparent
      {{10, std::numeric_limits<float>::quiet_NaN()}, {10, 90}, 3, 0xFFFFFFFF},
  };
  for (const auto& c : cases)
    EXPECT_FALSE(DrawWideSegment(WideRaster::Rect, pixels.data(), c.a, c.b, c.width, true, c.argb))
        << c.a.x << "," << c.a.y << " " << c.width;
  EXPECT_TRUE(pixels == before);
}

// The displays draw traces as runs of 3-pixel vertical segments in neighbouring columns, which
// overlap; through the line object every segment must land as the quad would draw it.
TEST(WideRasterTest, OverlappingColumnSegmentsMatchTheQuadThroughTheLineObject) {
  Device device;
  Line line(device);
  line.SetWidth(3);
  line.SetAntialias(true);
  const std::vector<uint32_t> background = Pattern();
  std::memcpy(device.BackBuffer(), background.data(), BufferPixels * 4);
  std::vector<uint32_t> expected = background;
  for (int c = 0; c < 200; ++c) {
    const float x = 20.0f + c;
    const float top = 300.0f + static_cast<float>((c * 37) % 23);
    const float bottom = top + static_cast<float>(c % 7);
    const Vec2 pts[2] = {{x, top}, {x, bottom}};
    const uint32_t colour = c % 2 ? 0xFFFFFF00 : 0x9000FFFF;
    EXPECT_TRUE(line.Draw(pts, 2, colour));
    if (bottom > top) DrawWideSegment(WideRaster::Quad, expected.data(), pts[0], pts[1], 3, true, colour);
  }
  const uint32_t* drawn = device.BackBuffer();
  for (size_t i = 0; i < BufferPixels; ++i)
    ASSERT_EQ(drawn[i], expected[i]) << i % BackBufferStride << "," << i / BackBufferStride;
}

// Exact weights at the soft edges: half-covered edges, quarter-covered corners.
TEST(WideRasterTest, SoftEdgesOfAColumnSegmentAreWeightedByCoverage) {
  Device device;
  device.Clear(0xFF000000);
  Line line(device);
  line.SetWidth(3);
  line.SetAntialias(true);
  const Vec2 pts[2] = {{100.5f, 50}, {100.5f, 150}};
  line.Draw(pts, 2, 0xFFFFFFFF);
  struct Probe {
    int x, y;
    uint32_t expected;
  };
  const Probe probes[] = {
      {100, 100, 0xFFFFFFFF}, {101, 100, 0xFFFFFFFF},  // core
      {99, 100, 0xFF7F7F7F},  {102, 100, 0xFF7F7F7F},  // half across
      {98, 100, 0xFF000000},  {103, 100, 0xFF000000},  // beyond the edge
      {100, 50, 0xFF7F7F7F},  {100, 150, 0xFF7F7F7F},  // half along at the ends
      {99, 50, 0xFF3F3F3F},   {102, 150, 0xFF3F3F3F},  // quarter in the corners
      {100, 49, 0xFF000000},  {100, 151, 0xFF000000},
  };
  for (const auto& p : probes) EXPECT_EQ(device.PixelAt(p.x, p.y), p.expected) << p.x << "," << p.y;
}

}  // namespace
