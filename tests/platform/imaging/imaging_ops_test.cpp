// Pixel operations on small buffers.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/imaging/Imaging.h"

using namespace imaging;

namespace {

Image Filled(int w, int h, int depth, std::initializer_list<uint8_t> pixel, bool wide = false) {
  Image image = MakeImage(w, h, depth, wide);
  const std::vector<uint8_t> p(pixel);
  for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = p[i % p.size()];
  return image;
}

const uint8_t* At(const Image& image, int x, int y) {
  return image.pixels.data() + size_t(y) * image.stride + size_t(x) * image.depth * (image.wide ? 2 : 1);
}

}  // namespace

TEST(ImagingLayout, RowBytesAndValidity) {
  struct Case {
    int width, depth;
    bool wide;
    int bytes;
  } cases[] = {{10, 0, false, 2}, {8, 0, false, 1}, {3, 3, false, 9}, {3, 3, true, 18}, {5, 4, false, 20},
               {5, 1, true, 10},  {5, 2, false, 0}, {5, 0, true, 0},  {0, 3, false, 0}};
  for (const Case& c : cases)
    EXPECT_EQ(RowBytes(c.width, c.depth, c.wide), c.bytes) << c.width << " " << c.depth;
  uint8_t buffer[16] = {};
  EXPECT_TRUE(IsValid({buffer, 2, 2, 6, 3, false}));
  EXPECT_FALSE(IsValid({buffer, 2, 2, 5, 3, false}));  // stride shorter than a row
  EXPECT_FALSE(IsValid({nullptr, 2, 2, 6, 3, false}));
  EXPECT_FALSE(IsValid({buffer, 0, 2, 6, 3, false}));
  EXPECT_TRUE(MakeImage(70000, 70000, 4, true).Empty());  // beyond the pixel limit
}

TEST(ImagingCrop, OneBitAtAnyLeftEdgeAndClipping) {
  // Row 0 bits: 1011 0011 10.
  Image bits = MakeImage(10, 2, 0, false);
  bits.pixels = {0xB3, 0x80, 0xFF, 0xC0};
  Image out = MakeImage(4, 1, 0, false);
  ASSERT_TRUE(Crop(bits.Ref(), {3, 0, 7, 1}, out.Ref()));
  EXPECT_EQ(out.pixels[0], 0x90);  // bits 3..6: 1 0 0 1
  // RGB crop clipped to the source.
  Image rgb = MakeImage(3, 2, 3, false);
  for (size_t i = 0; i < rgb.pixels.size(); ++i) rgb.pixels[i] = uint8_t(i);
  Image part = MakeImage(2, 2, 3, false);
  ASSERT_TRUE(Crop(rgb.Ref(), {1, -5, 10, 1}, part.Ref()));
  EXPECT_EQ(std::vector<uint8_t>(part.pixels.begin(), part.pixels.begin() + 6),
            (std::vector<uint8_t>{3, 4, 5, 6, 7, 8}));
  EXPECT_FALSE(Crop(rgb.Ref(), {5, 5, 9, 9}, part.Ref()));  // nothing inside
}

TEST(ImagingConvert, BetweenLayouts) {
  struct Case {
    const char* name;
    int fromDepth;
    std::vector<uint8_t> from;
    int toDepth;
    uint8_t alpha;
    std::vector<uint8_t> to;
  } cases[] = {
      {"rgb to grey uses luminance", 3, {255, 0, 0, 0, 255, 0}, 1, 255, {76, 150}},
      {"grey to rgb", 1, {7, 200}, 3, 255, {7, 7, 7, 200, 200, 200}},
      {"rgb to rgba with alpha", 3, {1, 2, 3, 4, 5, 6}, 4, 99, {1, 2, 3, 99, 4, 5, 6, 99}},
      {"rgba to rgb drops alpha", 4, {1, 2, 3, 4, 5, 6, 7, 8}, 3, 255, {1, 2, 3, 5, 6, 7}},
      {"1-bit to grey: bit 1 is full scale", 0, {0x80}, 1, 255, {255, 0}},
      {"grey to 1-bit at half scale", 1, {128, 127}, 0, 255, {0x80}},
  };
  for (const Case& c : cases) {
    Image src = MakeImage(2, 1, c.fromDepth, false);
    src.pixels = c.from;
    Image dst = MakeImage(2, 1, c.toDepth, false);
    ASSERT_TRUE(Convert(src.Ref(), dst.Ref(), c.alpha)) << c.name;
    EXPECT_EQ(dst.pixels, c.to) << c.name;
  }
  // Channel width: 8 -> 16 bits scales by 257, 16 -> 8 keeps the high byte.
  Image narrow = Filled(1, 1, 1, {0xAB});
  Image wide = MakeImage(1, 1, 1, true);
  ASSERT_TRUE(Convert(narrow.Ref(), wide.Ref()));
  uint16_t v;
  std::memcpy(&v, wide.pixels.data(), 2);
  EXPECT_EQ(v, 0xABAB);
  v = 0x12FF;
  std::memcpy(wide.pixels.data(), &v, 2);
  ASSERT_TRUE(Convert(wide.Ref(), narrow.Ref()));
  EXPECT_EQ(narrow.pixels[0], 0x12);
  // Sizes must match.
  Image other = MakeImage(2, 2, 3, false);
  EXPECT_FALSE(Convert(narrow.Ref(), other.Ref()));
}

TEST(ImagingChannel, ReplacesOneChannelOnly) {
  Image rgba = Filled(2, 1, 4, {10, 20, 30, 40});
  Image grey = MakeImage(2, 1, 1, false);
  grey.pixels = {1, 2};
  ASSERT_TRUE(SetChannel(rgba.Ref(), grey.Ref(), 3));
  EXPECT_EQ(rgba.pixels, (std::vector<uint8_t>{10, 20, 30, 1, 10, 20, 30, 2}));
  EXPECT_FALSE(SetChannel(rgba.Ref(), grey.Ref(), 4));
  Image rgb = Filled(2, 1, 3, {1, 1, 1});
  EXPECT_FALSE(SetChannel(rgb.Ref(), grey.Ref(), 3));
  Image wrongSize = MakeImage(3, 1, 1, false);
  EXPECT_FALSE(SetChannel(rgba.Ref(), wrongSize.Ref(), 0));
}

TEST(ImagingResize, FiltersOnKnownPatterns) {
  // 4 x 2 grey: two 2 x 2 blocks of 0 and 200 shrink by area to 0 and 200 exactly, and to their mean
  // when the whole is squeezed into one pixel.
  Image blocks = MakeImage(4, 2, 1, false);
  blocks.pixels = {0, 0, 200, 200, 0, 0, 200, 200};
  Image half = MakeImage(2, 1, 1, false);
  ASSERT_TRUE(Resize(blocks.Ref(), half.Ref(), Resample::Area));
  EXPECT_EQ(half.pixels, (std::vector<uint8_t>{0, 200}));
  Image one = MakeImage(1, 1, 1, false);
  ASSERT_TRUE(Resize(blocks.Ref(), one.Ref(), Resample::Area));
  EXPECT_EQ(one.pixels[0], 100);
  // Nearest doubles pixels exactly.
  Image two = MakeImage(2, 1, 3, false);
  two.pixels = {1, 2, 3, 4, 5, 6};
  Image four = MakeImage(4, 1, 3, false);
  ASSERT_TRUE(Resize(two.Ref(), four.Ref(), Resample::Nearest));
  EXPECT_EQ(four.pixels, (std::vector<uint8_t>{1, 2, 3, 1, 2, 3, 4, 5, 6, 4, 5, 6}));
  // A flat image stays flat under every filter and in 16 bits.
  for (Resample mode : {Resample::Nearest, Resample::Bilinear, Resample::Bicubic, Resample::Area}) {
    Image flat = Filled(7, 5, 4, {9, 99, 199, 255});
    Image out = MakeImage(3, 11, 4, false);
    ASSERT_TRUE(Resize(flat.Ref(), out.Ref(), mode));
    for (size_t i = 0; i < out.pixels.size(); i += 4)
      ASSERT_EQ(std::vector<uint8_t>(out.pixels.begin() + long(i), out.pixels.begin() + long(i) + 4),
                (std::vector<uint8_t>{9, 99, 199, 255}));
  }
  // 1-bit: thresholded grey.
  Image bits = MakeImage(8, 1, 0, false);
  bits.pixels = {0xF0};
  Image bitsHalf = MakeImage(4, 1, 0, false);
  ASSERT_TRUE(Resize(bits.Ref(), bitsHalf.Ref(), Resample::Area));
  EXPECT_EQ(bitsHalf.pixels[0], 0xC0);
  // Layouts must agree.
  EXPECT_FALSE(Resize(two.Ref(), half.Ref(), Resample::Nearest));
}

TEST(ImagingPaint, FillRectClipsAndConvertsColour) {
  struct Case {
    int depth;
    bool wide;
    std::vector<uint8_t> pixel;  // expected bytes of a filled pixel
  } cases[] = {
      {4, false, {255, 128, 0, 255}},
      {3, false, {255, 128, 0}},
      {1, false, {151}},  // luminance of (255, 128, 0)
      {4, true, {255, 255, 128, 128, 0, 0, 255, 255}},
  };
  for (const Case& c : cases) {
    Image image = MakeImage(4, 3, c.depth, c.wide);
    ASSERT_TRUE(FillRect(image.Ref(), {2, -1, 9, 2}, Colour{255, 128, 0, 255})) << c.depth;
    const size_t bytes = c.pixel.size();
    EXPECT_EQ(std::vector<uint8_t>(At(image, 3, 1), At(image, 3, 1) + bytes), c.pixel) << c.depth;
    EXPECT_EQ(std::vector<uint8_t>(At(image, 1, 1), At(image, 1, 1) + bytes), std::vector<uint8_t>(bytes, 0));
    EXPECT_EQ(std::vector<uint8_t>(At(image, 3, 2), At(image, 3, 2) + bytes), std::vector<uint8_t>(bytes, 0));
  }
  Image bits = MakeImage(16, 1, 0, false);
  ASSERT_TRUE(FillRect(bits.Ref(), {3, 0, 12, 1}, Colour{1, 0, 0, 255}));
  EXPECT_EQ(bits.pixels, (std::vector<uint8_t>{0x1F, 0xF0}));
  EXPECT_FALSE(FillRect(bits.Ref(), {20, 0, 30, 1}, Colour{}));
}

TEST(ImagingPaint, EllipseFilledAndOutline) {
  Image grey = MakeImage(21, 21, 1, false);
  ASSERT_TRUE(DrawEllipse(grey.Ref(), 10, 10, 5, 3, Colour{255, 255, 255, 255}, true));
  auto on = [&](int x, int y) { return grey.pixels[size_t(y) * 21 + x] == 255; };
  EXPECT_TRUE(on(10, 10));
  EXPECT_TRUE(on(5, 10) && on(15, 10));  // ends of the long axis
  EXPECT_FALSE(on(4, 10) || on(16, 10));
  EXPECT_TRUE(on(10, 7) && on(10, 13));  // ends of the short axis
  EXPECT_FALSE(on(10, 6) || on(10, 14));
  int count = 0;
  for (uint8_t p : grey.pixels) count += p == 255;
  EXPECT_NEAR(count, 3.14159 * 5 * 3, 12);
  // Symmetric about both axes.
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 21; ++x) ASSERT_EQ(on(x, y), on(20 - x, y)) << x << "," << y;

  Image outline = MakeImage(21, 21, 1, false);
  ASSERT_TRUE(DrawEllipse(outline.Ref(), 10, 10, 6, 6, Colour{255, 255, 255, 255}, false));
  EXPECT_EQ(outline.pixels[10 * 21 + 10], 0);  // hollow
  EXPECT_EQ(outline.pixels[10 * 21 + 4], 255);
  EXPECT_EQ(outline.pixels[4 * 21 + 10], 255);
  // Far outside or huge radii: clipped, no crash.
  EXPECT_TRUE(DrawEllipse(outline.Ref(), -1000000, 5, 3, 3, Colour{}, true));
  EXPECT_TRUE(DrawEllipse(outline.Ref(), 10, 10, 2000000000, 2000000000, Colour{}, true));
  EXPECT_EQ(outline.pixels[0], 0);
}

TEST(ImagingBlend, RgbaOverRgbaAtNegativeOffsets) {
  Image dst = Filled(3, 3, 4, {0, 0, 0, 7});
  Image top = Filled(2, 2, 4, {255, 100, 0, 128});
  ASSERT_TRUE(AlphaBlend(dst.Ref(), top.Ref(), -1, -1));  // only top's pixel (1, 1) lands, at (0, 0)
  EXPECT_EQ(std::vector<uint8_t>(At(dst, 0, 0), At(dst, 0, 0) + 4), (std::vector<uint8_t>{128, 50, 0, 7}));
  EXPECT_EQ(std::vector<uint8_t>(At(dst, 1, 0), At(dst, 1, 0) + 4), (std::vector<uint8_t>{0, 0, 0, 7}));
  EXPECT_EQ(std::vector<uint8_t>(At(dst, 0, 1), At(dst, 0, 1) + 4), (std::vector<uint8_t>{0, 0, 0, 7}));
  // Opaque and transparent extremes.
  Image opaque = Filled(1, 1, 4, {1, 2, 3, 255});
  ASSERT_TRUE(AlphaBlend(dst.Ref(), opaque.Ref(), 2, 2));
  EXPECT_EQ(std::vector<uint8_t>(At(dst, 2, 2), At(dst, 2, 2) + 3), (std::vector<uint8_t>{1, 2, 3}));
  Image clear = Filled(1, 1, 4, {9, 9, 9, 0});
  ASSERT_TRUE(AlphaBlend(dst.Ref(), clear.Ref(), 2, 2));
  EXPECT_EQ(std::vector<uint8_t>(At(dst, 2, 2), At(dst, 2, 2) + 3), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_TRUE(AlphaBlend(dst.Ref(), top.Ref(), 50, 50));  // no overlap: nothing to do
  Image rgb = Filled(1, 1, 3, {1, 1, 1});
  EXPECT_FALSE(AlphaBlend(dst.Ref(), rgb.Ref(), 0, 0));
}

TEST(ImagingAdjust, BrightnessAndContrast) {
  struct Case {
    double brightness, contrast;
    std::vector<uint8_t> expected;  // for input 0, 100, 200, 255 (alpha 77 kept)
  } cases[] = {
      {-0.2, 0, {0, 49, 149, 204}}, {0.2, 0, {51, 151, 251, 255}}, {0, 0, {0, 100, 200, 255}},
      {0, 1, {0, 72, 255, 255}},    {0, -1, {128, 128, 128, 128}},
  };
  for (const Case& c : cases) {
    Image image = MakeImage(4, 1, 4, false);
    image.pixels = {0, 0, 0, 77, 100, 100, 100, 77, 200, 200, 200, 77, 255, 255, 255, 77};
    ASSERT_TRUE(AdjustBrightnessContrast(image.Ref(), c.brightness, c.contrast));
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(image.pixels[size_t(x) * 4], c.expected[size_t(x)])
          << c.brightness << " " << c.contrast << " " << x;
      EXPECT_EQ(image.pixels[size_t(x) * 4 + 3], 77);
    }
  }
  Image bits = MakeImage(8, 1, 0, false);
  EXPECT_FALSE(AdjustBrightnessContrast(bits.Ref(), 0.1, 0));
}

TEST(ImagingDraw, ToThirtyTwoBitBitmap) {
  uint32_t grey[256], oneBit[256] = {0xFFFFFF, 0x000000};
  for (uint32_t i = 0; i < 256; ++i) grey[i] = i << 16 | i << 8 | i;
  std::vector<uint32_t> bitmap(4 * 2, 0xFF102030);
  // RGB at (-1, 1): pixel (1, 0) of the source lands at (0, 1).
  Image rgb = MakeImage(2, 1, 3, false);
  rgb.pixels = {1, 2, 3, 4, 5, 6};
  ASSERT_TRUE(DrawToBitmap(rgb.Ref(), bitmap.data(), 4, 2, 16, -1, 1, grey, oneBit));
  EXPECT_EQ(bitmap[4], 0xFF040506u);
  EXPECT_EQ(bitmap[5], 0xFF102030u);
  // Half-transparent RGBA blends over what is there.
  Image rgba = MakeImage(1, 1, 4, false);
  rgba.pixels = {255, 255, 255, 128};
  ASSERT_TRUE(DrawToBitmap(rgba.Ref(), bitmap.data(), 4, 2, 16, 3, 0, grey, oneBit));
  EXPECT_EQ(bitmap[3], 0xFF889098u);
  // Grey through its palette, 1-bit: bit 1 black.
  Image g = MakeImage(1, 1, 1, false);
  g.pixels = {0x40};
  ASSERT_TRUE(DrawToBitmap(g.Ref(), bitmap.data(), 4, 2, 16, 0, 0, grey, oneBit));
  EXPECT_EQ(bitmap[0], 0xFF404040u);
  Image bits = MakeImage(2, 1, 0, false);
  bits.pixels = {0x80};
  ASSERT_TRUE(DrawToBitmap(bits.Ref(), bitmap.data(), 4, 2, 16, 1, 0, grey, oneBit));
  EXPECT_EQ(bitmap[1], 0xFF000000u);
  EXPECT_EQ(bitmap[2], 0xFFFFFFFFu);
}

TEST(ImagingColour, HsvToRgb) {
  struct Case {
    double h, s, v;
    uint8_t r, g, b;
  } cases[] = {
      {120, 1, 255, 0, 255, 0},  {0, 1, 255, 255, 0, 0},         {240, 1, 255, 0, 0, 255},
      {60, 1, 255, 255, 255, 0}, {0, 0, 128, 128, 128, 128},     {-120, 1, 255, 0, 0, 255},
      {480, 1, 255, 0, 255, 0},  {180, 0.5, 200, 100, 200, 200}, {0, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    uint8_t r, g, b;
    HSVToRGB(c.h, c.s, c.v, r, g, b);
    EXPECT_EQ(r, c.r) << c.h;
    EXPECT_EQ(g, c.g) << c.h;
    EXPECT_EQ(b, c.b) << c.h;
  }
}
