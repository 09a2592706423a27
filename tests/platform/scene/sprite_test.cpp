// Textures and sprites: colour key, modulation, placement, transform and draw order.
#include "platform/scene/Scene.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QTemporaryDir>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

using namespace scene;

namespace {

int Channel(uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

::testing::AssertionResult Near(uint32_t actual, uint32_t expected, int tol = 2) {
  for (int s : {0, 8, 16, 24})
    if (std::abs(Channel(actual, s) - Channel(expected, s)) > tol)
      return ::testing::AssertionFailure() << std::hex << "0x" << actual << " != 0x" << expected;
  return ::testing::AssertionSuccess();
}

// A w x h texture of one colour, optionally with a black frame one pixel wide.
std::unique_ptr<Texture> Solid(int w, int h, uint32_t argb, bool blackFrame = false) {
  std::vector<uint32_t> px(static_cast<size_t>(w) * h, argb);
  if (blackFrame)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (x == 0 || y == 0 || x == w - 1 || y == h - 1) px[y * w + x] = 0xFF000000;
  return Texture::FromPixels(px.data(), w, h, w * 4);
}

class SpriteTest : public ::testing::Test {
 protected:
  Device device;
  Sprite sprite{device};
  void SetUp() override { device.Clear(0xFF203040); }
  void DrawAt(const Texture* t, float x, float y, uint32_t modulate, const Vec3* centre = nullptr) {
    const Vec3 pos{x, y, 0};
    sprite.Begin();
    EXPECT_TRUE(sprite.Draw(t, nullptr, centre, &pos, modulate));
    sprite.End();
  }
};

TEST_F(SpriteTest, ColourKeyTurnsOpaqueBlackTransparent) {
  auto tex = Solid(8, 8, 0xFFFFFFFF, true);
  ASSERT_TRUE(tex);
  EXPECT_EQ(tex->PixelAt(0, 0), 0x00000000u);
  EXPECT_EQ(tex->PixelAt(3, 3), 0xFFFFFFFFu);
  DrawAt(tex.get(), 100, 100, 0xFFFFFFFF);
  EXPECT_EQ(device.PixelAt(100, 100), 0xFF203040u);  // keyed frame shows the background
  EXPECT_EQ(device.PixelAt(103, 103), 0xFFFFFFFFu);
  EXPECT_EQ(device.PixelAt(107, 104), 0xFF203040u);

  // Near-black and transparent black are not the key.
  const uint32_t px[3] = {0xFF010000, 0x00000000, 0xFE000000};
  auto keyed = Texture::FromPixels(px, 3, 1, 12);
  EXPECT_EQ(keyed->PixelAt(0, 0), 0xFF010000u);
  EXPECT_EQ(keyed->PixelAt(2, 0) >> 24, 0xFEu);
  // Without a key opaque black stays.
  const uint32_t black = 0xFF000000;
  auto plain = Texture::FromPixels(&black, 1, 1, 4, -1, -1, 0);
  EXPECT_EQ(plain->PixelAt(0, 0), 0xFF000000u);
}

TEST_F(SpriteTest, ModulationMultipliesColourAndAlpha) {
  struct Case {
    uint32_t texel, modulate, expected;
  };
  const Case cases[] = {
      {0xFFFFFFFF, 0xFF00FF00, 0xFF00FF00},  // white tinted green
      {0xFFFFFFFF, 0xA000FFFF, 0xFF0CB2B8},  // aqua at alpha 160 over 0x203040
      {0xFF808080, 0xFFFF0000, 0xFF800000}, {0xFFFFFFFF, 0x00FFFFFF, 0xFF203040},  // alpha 0 draws nothing
      {0x80FFFFFF, 0xFFFFFFFF, 0xFF9098A0},                                        // texel alpha blends
  };
  for (const auto& c : cases) {
    device.Clear(0xFF203040);
    auto tex = Solid(4, 4, c.texel);
    DrawAt(tex.get(), 10, 10, c.modulate);
    EXPECT_TRUE(Near(device.PixelAt(11, 11), c.expected)) << std::hex << c.texel << " " << c.modulate;
  }
}

TEST_F(SpriteTest, CentreAndPositionPlaceTheTexture) {
  auto tex = Solid(32, 32, 0xFFFFFFFF);
  const Vec3 centre{16, 16, 0};
  DrawAt(tex.get(), 200, 100, 0xFFFFFFFF, &centre);
  EXPECT_EQ(device.PixelAt(184, 84), 0xFFFFFFFFu);
  EXPECT_EQ(device.PixelAt(215, 115), 0xFFFFFFFFu);
  EXPECT_EQ(device.PixelAt(183, 84), 0xFF203040u);
  EXPECT_EQ(device.PixelAt(216, 115), 0xFF203040u);
  EXPECT_EQ(device.PixelAt(184, 116), 0xFF203040u);
}

TEST_F(SpriteTest, TransformScalesAndMoves) {
  auto tex = Solid(10, 10, 0xFFFF0000);
  sprite.SetTransform(Matrix::Scaling(2, 3, 1) * Matrix::Translation(100, 50, 0));
  EXPECT_EQ(sprite.GetTransform().m[3][0], 100.0f);
  DrawAt(tex.get(), 0, 0, 0xFFFFFFFF);
  EXPECT_EQ(device.PixelAt(101, 51), 0xFFFF0000u);
  EXPECT_EQ(device.PixelAt(118, 78), 0xFFFF0000u);
  EXPECT_EQ(device.PixelAt(121, 60), 0xFF203040u);
  EXPECT_EQ(device.PixelAt(110, 81), 0xFF203040u);
}

// A rotation or a shear moves the texels off the axes, where a transposed matrix would draw them
// elsewhere. A 20 x 10 texture, transformed and then moved by (100, 100); the rows map points as
// (x, y) * m. Each case names a pixel inside the drawn texture and one that only the transposed
// matrix would cover.
struct TransformCase {
  const char* name;
  Matrix linear;  // the 2 x 2 part; the translation is added by the test
  int insideX, insideY, transposedX, transposedY;
};

Matrix Shear(float m10, float m01) {
  Matrix m = Matrix::Identity();
  m.m[1][0] = m10;
  m.m[0][1] = m01;
  return m;
}

const TransformCase TransformCases[] = {
    // (x, y) -> (100 - y, 100 + x): columns 90..100, rows 100..120.
    {"QuarterTurn", Matrix::RotationZ(1.57079633f), 95, 110, 105, 90},
    // (x, y) -> (100 + x + y, 100 + y): a parallelogram leaning right over rows 100..110.
    {"ShearAlongX", Shear(1, 0), 125, 108, 115, 120},
    // (x, y) -> (100 + x, 100 + 0.5 x + y): rows sink by half a pixel per column.
    {"ShearAlongY", Shear(0, 0.5f), 118, 115, 118, 103},
};

void PrintTo(const TransformCase& c, std::ostream* os) { *os << c.name; }

class SpriteTransformTest : public SpriteTest, public ::testing::WithParamInterface<TransformCase> {};

TEST_P(SpriteTransformTest, RotationAndShearMapTexelsByRows) {
  const TransformCase& c = GetParam();
  auto tex = Solid(20, 10, 0xFFFF0000);
  sprite.SetTransform(c.linear * Matrix::Translation(100, 100, 0));
  DrawAt(tex.get(), 0, 0, 0xFFFFFFFF);
  EXPECT_TRUE(Near(device.PixelAt(c.insideX, c.insideY), 0xFFFF0000u, 8));
  EXPECT_TRUE(Near(device.PixelAt(c.transposedX, c.transposedY), 0xFF203040u, 8));
}

INSTANTIATE_TEST_SUITE_P(Cases, SpriteTransformTest, ::testing::ValuesIn(TransformCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SpriteTest, SourceRectSelectsPartOfTheTexture) {
  std::vector<uint32_t> px(8 * 4, 0xFF00FF00);
  for (int y = 0; y < 4; ++y)
    for (int x = 4; x < 8; ++x) px[y * 8 + x] = 0xFF0000FF;
  auto tex = Texture::FromPixels(px.data(), 8, 4, 32);
  const RectI right{4, 0, 8, 4};
  const Vec3 pos{50, 50, 0};
  EXPECT_TRUE(sprite.Draw(tex.get(), &right, nullptr, &pos, 0xFFFFFFFF));
  EXPECT_EQ(device.PixelAt(50, 50), 0xFF0000FFu);
  EXPECT_EQ(device.PixelAt(53, 53), 0xFF0000FFu);
  EXPECT_EQ(device.PixelAt(54, 50), 0xFF203040u);
}

TEST_F(SpriteTest, SpritesAndLinesDrawInCallOrder) {
  auto red = Solid(20, 20, 0xFFFF0000);
  auto blue = Solid(20, 20, 0xFF0000FF);
  DrawAt(red.get(), 100, 100, 0xFFFFFFFF);
  DrawAt(blue.get(), 110, 110, 0xFFFFFFFF);
  EXPECT_EQ(device.PixelAt(105, 105), 0xFFFF0000u);
  EXPECT_EQ(device.PixelAt(115, 115), 0xFF0000FFu);
  Line line(device);
  const Vec2 pts[2] = {{115, 100}, {115, 140}};
  line.Draw(pts, 2, 0xFF00FF00);
  EXPECT_EQ(device.PixelAt(115, 115), 0xFF00FF00u);
  DrawAt(red.get(), 110, 110, 0xFFFFFFFF);
  EXPECT_EQ(device.PixelAt(115, 115), 0xFFFF0000u);
}

TEST_F(SpriteTest, NullTextureAndFarPositionsDrawNothing) {
  const Vec3 pos{10, 10, 0};
  EXPECT_FALSE(sprite.Draw(nullptr, nullptr, nullptr, &pos, 0xFFFFFFFF));
  auto tex = Solid(4, 4, 0xFFFFFFFF);
  for (float v :
       {1e30f, -1e30f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
    const Vec3 far{v, v, 0};
    EXPECT_TRUE(sprite.Draw(tex.get(), nullptr, nullptr, &far, 0xFFFFFFFF));
  }
  for (int y = 0; y < 768; y += 7)
    for (int x = 0; x < 1024; x += 7) ASSERT_EQ(device.PixelAt(x, y), 0xFF203040u);
}

TEST(TextureTest, LoadsFilesAndMemoryAtTheRequestedSize) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QImage img(16, 8, QImage::Format_ARGB32);
  img.fill(0xFF000000);
  for (int x = 4; x < 12; ++x)
    for (int y = 2; y < 6; ++y) img.setPixel(x, y, 0xFFFFFF00);
  const std::string png = (dir.path() + "/cursor.png").toStdString();
  ASSERT_TRUE(img.save(QString::fromStdString(png), "PNG"));

  auto own = Texture::FromFile(png);
  ASSERT_TRUE(own);
  EXPECT_EQ(own->Width(), 16);
  EXPECT_EQ(own->Height(), 8);
  EXPECT_EQ(own->PixelAt(0, 0), 0u);
  EXPECT_EQ(own->PixelAt(8, 4), 0xFFFFFF00u);

  auto scaled = Texture::FromFile(png, 32, 32);
  ASSERT_TRUE(scaled);
  EXPECT_EQ(scaled->Width(), 32);
  EXPECT_EQ(scaled->Height(), 32);
  EXPECT_EQ(scaled->PixelAt(16, 16), 0xFFFFFF00u);
  EXPECT_EQ(scaled->PixelAt(1, 1) >> 24, 0u);

  // A BMP stream in memory (24 bit: black becomes transparent).
  QByteArray bmp;
  QBuffer buffer(&bmp);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(img.convertToFormat(QImage::Format_RGB32).save(&buffer, "BMP"));
  auto fromMemory = Texture::FromMemory(bmp.constData(), bmp.size(), 64, 24);
  ASSERT_TRUE(fromMemory);
  EXPECT_EQ(fromMemory->Width(), 64);
  EXPECT_EQ(fromMemory->Height(), 24);
  EXPECT_EQ(fromMemory->PixelAt(0, 0), 0u);
  EXPECT_EQ(fromMemory->PixelAt(32, 12), 0xFFFFFF00u);
}

// An uncompressed 32-bit TGA, top-left origin, BGRA bytes.
std::vector<uint8_t> Tga(int w, int h, const std::vector<uint32_t>& argb) {
  std::vector<uint8_t> b(18, 0);
  b[2] = 2;  // uncompressed true colour
  b[12] = static_cast<uint8_t>(w);
  b[13] = static_cast<uint8_t>(w >> 8);
  b[14] = static_cast<uint8_t>(h);
  b[15] = static_cast<uint8_t>(h >> 8);
  b[16] = 32;
  b[17] = 0x28;  // 8 alpha bits, top-left origin
  for (uint32_t p : argb)
    for (int shift : {0, 8, 16, 24}) b.push_back(static_cast<uint8_t>(p >> shift));
  return b;
}

TEST(TextureTest, ReadsTargaFilesAndStreams) {
  QTemporaryDir dir;
  // 2 x 2: opaque black (keyed), white, half-transparent red, opaque green.
  const auto bytes = Tga(2, 2, {0xFF000000, 0xFFFFFFFF, 0x80FF0000, 0xFF00FF00});
  const std::string path = (dir.path() + "/Cursor.tga").toStdString();
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  std::unique_ptr<Texture> loaded[2] = {Texture::FromFile(path),
                                        Texture::FromMemory(bytes.data(), bytes.size())};
  for (const auto& tex : loaded) {
    ASSERT_TRUE(tex);
    EXPECT_EQ(tex->Width(), 2);
    EXPECT_EQ(tex->PixelAt(0, 0), 0u);
    EXPECT_EQ(tex->PixelAt(1, 0), 0xFFFFFFFFu);
    EXPECT_TRUE(Near(tex->PixelAt(0, 1), 0x80FF0000));
    EXPECT_EQ(tex->PixelAt(1, 1), 0xFF00FF00u);
  }
  // A header that claims more pixels than the file holds.
  auto lying = Tga(2, 2, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF});
  lying[12] = 200;
  lying[14] = 200;
  EXPECT_FALSE(Texture::FromMemory(lying.data(), lying.size()));
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Every pixel of a texture, row by row.
std::vector<uint32_t> PixelsOf(const Texture& texture) {
  std::vector<uint32_t> pixels;
  for (int y = 0; y < texture.Height(); ++y)
    for (int x = 0; x < texture.Width(); ++x) pixels.push_back(texture.PixelAt(x, y));
  return pixels;
}

// A file is decoded once for all textures made from it at one size, again when it changes on disk,
// and a file that is gone gives its error rather than the picture it once held.
TEST(TextureTest, OneDecodePerFileVersionAndSize) {
  QTemporaryDir dir;
  const std::string path = (dir.path() + "/Symbol.tga").toStdString();
  WriteBytes(path, Tga(2, 2, {0xFFFFFFFF, 0xFF00FF00, 0xFF0000FF, 0x80FF0000}));

  const int before = Texture::FileDecodes();
  auto first = Texture::FromFile(path, 4, 4);
  auto second = Texture::FromFile(path, 4, 4);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(Texture::FileDecodes(), before + 1);
  EXPECT_EQ(PixelsOf(*second), PixelsOf(*first));
  auto ownSize = Texture::FromFile(path);
  ASSERT_TRUE(ownSize);
  EXPECT_EQ(ownSize->Width(), 2);
  EXPECT_EQ(Texture::FileDecodes(), before + 2);

  // New content of the same size; the time is moved on so that a coarse file clock cannot hide it.
  WriteBytes(path, Tga(2, 2, {0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF}));
  std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(2));
  auto changed = Texture::FromFile(path, 4, 4);
  ASSERT_TRUE(changed);
  EXPECT_EQ(Texture::FileDecodes(), before + 3);
  EXPECT_EQ(changed->PixelAt(0, 0), 0xFF0000FFu);
  EXPECT_EQ(first->PixelAt(0, 0), 0xFFFFFFFFu);  // a texture made before keeps its picture

  std::filesystem::remove(path);
  std::string error;
  EXPECT_FALSE(Texture::FromFile(path, 4, 4, Texture::DefaultColorKey, &error));
  EXPECT_EQ(error, "cannot read image file " + path);
}

// Threads that make textures of one file at the same time, at sizes not made before, all get the
// picture one thread alone makes.
TEST(TextureTest, TexturesOfOneFileCanBeMadeOnSeveralThreads) {
  QTemporaryDir dir;
  const std::string path = (dir.path() + "/Marker.tga").toStdString();
  WriteBytes(path, Tga(2, 1, {0xFFFFFFFF, 0xFF00FF00}));
  constexpr int Threads = 4, Sizes = 6;
  std::vector<std::vector<std::vector<uint32_t>>> made(Threads, std::vector<std::vector<uint32_t>>(Sizes));
  std::vector<std::thread> threads;
  for (auto& pixels : made)
    threads.emplace_back([&path, &pixels] {
      for (int size = 0; size < Sizes; ++size)
        if (auto texture = Texture::FromFile(path, 4 + 2 * size, 2 + size)) pixels[size] = PixelsOf(*texture);
    });
  for (auto& thread : threads) thread.join();
  for (int size = 0; size < Sizes; ++size) {
    const auto alone = Texture::FromFile(path, 4 + 2 * size, 2 + size);
    ASSERT_TRUE(alone);
    for (const auto& pixels : made) EXPECT_EQ(pixels[size], PixelsOf(*alone)) << "size " << size;
  }
}

TEST(TextureTest, BadInputGivesNullAndAReason) {
  std::string error;
  EXPECT_FALSE(Texture::FromFile("/nonexistent/dir/x.tga", -1, -1, Texture::DefaultColorKey, &error));
  EXPECT_FALSE(error.empty());
  error.clear();
  EXPECT_FALSE(Texture::FromFile("", -1, -1, Texture::DefaultColorKey, &error));
  EXPECT_FALSE(error.empty());
  const char junk[] = "BM this is not a bitmap at all";
  error.clear();
  EXPECT_FALSE(Texture::FromMemory(junk, sizeof junk, -1, -1, Texture::DefaultColorKey, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(Texture::FromMemory(nullptr, 10));
  EXPECT_FALSE(Texture::FromMemory(junk, 0));
  const uint32_t px = 0xFFFFFFFF;
  EXPECT_FALSE(Texture::FromPixels(&px, 0, 1, 4));
  EXPECT_FALSE(Texture::FromPixels(&px, 2, 1, 4));  // stride shorter than a row
  EXPECT_FALSE(Texture::FromPixels(nullptr, 1, 1, 4));
}

TEST(TextureTest, BackslashPathsAreAccepted) {
  QTemporaryDir dir;
  QImage img(4, 4, QImage::Format_RGB32);
  img.fill(0xFFFFFFFF);
  ASSERT_TRUE(img.save(dir.path() + "/a.png", "PNG"));
  std::string path = dir.path().toStdString() + "\\a.png";
  EXPECT_TRUE(Texture::FromFile(path));
}

}  // namespace
