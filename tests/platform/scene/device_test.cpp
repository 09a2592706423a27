// The device: clear, scene bracket, present scaling, blits, PNG output and stored state.
#include "platform/scene/Scene.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QTemporaryDir>

#include <cmath>
#include <vector>

using namespace scene;

namespace {

TEST(DeviceTest, ClearFillsTheOpaqueBackBuffer) {
  Device device;
  EXPECT_EQ(device.Width(), 1024);
  EXPECT_EQ(device.Height(), 768);
  EXPECT_EQ(device.Window(), nullptr);
  device.Clear(0x00C0DCC0);
  EXPECT_EQ(device.PixelAt(0, 0), 0xFFC0DCC0u);
  EXPECT_EQ(device.PixelAt(1023, 767), 0xFFC0DCC0u);
  EXPECT_EQ(device.BackBuffer()[512 * BackBufferStride + 512], 0xFFC0DCC0u);
  EXPECT_EQ(device.PixelAt(-1, 0), 0u);
  EXPECT_EQ(device.PixelAt(1024, 0), 0u);
  EXPECT_EQ(device.PixelAt(0, 768), 0u);
}

TEST(DeviceTest, SceneBracketRejectsNesting) {
  Device device;
  EXPECT_FALSE(device.EndScene());
  EXPECT_TRUE(device.BeginScene());
  EXPECT_TRUE(device.InScene());
  EXPECT_FALSE(device.BeginScene());
  EXPECT_TRUE(device.EndScene());
  EXPECT_FALSE(device.InScene());
}

TEST(DeviceTest, PresentStretchesToAnySize) {
  Device device;
  EXPECT_TRUE(device.GrabPresented(100, 100).empty());  // nothing presented yet
  device.Clear(0xFFFF0000);
  Line line(device);
  line.SetWidth(512);
  const Vec2 right[2] = {{768, 0}, {768, 767}};  // right half blue
  line.Draw(right, 2, 0xFF0000FF);
  const Vec2 bottom[2] = {{0, 700}, {1023, 700}};
  line.SetWidth(1);
  line.Draw(bottom, 2, 0xFF00FF00);
  EXPECT_TRUE(device.Present());
  EXPECT_EQ(device.PresentCount(), 1);
  device.Clear(0);  // the presented frame stays

  struct Case {
    int w, h;
  };
  for (const Case c : {Case{1024, 768}, Case{512, 200}, Case{2048, 300}, Case{300, 1000}}) {
    const auto img = device.GrabPresented(c.w, c.h);
    ASSERT_EQ(img.size(), static_cast<size_t>(c.w) * c.h);
    auto at = [&](double fx, double fy) {
      return img[static_cast<size_t>(fy * c.h) * c.w + static_cast<size_t>(fx * c.w)];
    };
    EXPECT_EQ(at(0.25, 0.5) & 0xFFFFFF, 0xFF0000u) << c.w << "x" << c.h;
    EXPECT_EQ(at(0.75, 0.5) & 0xFFFFFF, 0x0000FFu) << c.w << "x" << c.h;
    EXPECT_EQ(at(0.49, 0.1) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(at(0.51, 0.1) & 0xFFFFFF, 0x0000FFu);
  }
  EXPECT_TRUE(device.GrabPresented(0, 10).empty());
}

TEST(DeviceTest, PresentKeepsTheBackBuffer) {
  Device device;
  device.Clear(0xFF123456);
  device.Present();
  EXPECT_EQ(device.PixelAt(5, 5), 0xFF123456u);
}

TEST(DeviceTest, DrawingAfterPresentStartsFromThePresentedFrame) {
  Device device;
  Line line(device);
  device.Clear(0xFF102030);
  const Vec2 first[2] = {{5, 0}, {5, 767}};
  line.Draw(first, 2, 0xFFFFFFFF);
  device.Present();

  const Vec2 second[2] = {{10, 0}, {10, 767}};
  line.Draw(second, 2, 0xFFFFFFFF);
  const uint32_t white = 0xFFFFFFFF;
  auto sprite = Texture::FromPixels(&white, 1, 1, 4);
  Sprite sprites(device);
  const Vec3 at{20, 20, 0};
  sprites.Draw(sprite.get(), nullptr, nullptr, &at, 0xFFFFFFFF);
  EXPECT_EQ(device.PixelAt(5, 100), 0xFFFFFFFFu);
  EXPECT_EQ(device.PixelAt(10, 100), 0xFFFFFFFFu);
  EXPECT_EQ(device.PixelAt(20, 20), 0xFFFFFFFFu);
  EXPECT_EQ(device.PixelAt(30, 100), 0xFF102030u);

  // The window still shows the first frame until the next present.
  auto shown = device.GrabPresented(1024, 768);
  EXPECT_EQ(shown[100 * 1024 + 5] & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(shown[100 * 1024 + 10] & 0xFFFFFF, 0x102030u);
  device.Present();
  device.Present();  // nothing drawn in between: the same frame again
  shown = device.GrabPresented(1024, 768);
  EXPECT_EQ(shown[100 * 1024 + 10] & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(shown[20 * 1024 + 20] & 0xFFFFFF, 0xFFFFFFu);

  device.Clear(0xFF0000FF);
  EXPECT_EQ(device.PixelAt(10, 100), 0xFF0000FFu);
  EXPECT_EQ(device.GrabPresented(1024, 768)[100 * 1024 + 10] & 0xFFFFFF, 0xFFFFFFu);
  device.Present();
  EXPECT_EQ(device.GrabPresented(1024, 768)[100 * 1024 + 10] & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(device.PresentCount(), 4);
}

// The idle loop redraws the same frame many times: a frame equal to the shown one is not handed
// to the window again, and the next different frame still is, with nothing stale in between.
TEST(DeviceTest, AnUnchangedFrameIsSkippedAndTheNextChangeStillShows) {
  Device device;
  auto frame = [&](uint32_t colour) {
    device.Clear(0xFF000000);
    device.StretchBlit(&colour, 1, 1, 4, {0, 0, 1, 1}, {10, 10, 20, 20});
    device.Present();
  };
  auto shownAt = [&](int x, int y) { return device.GrabPresented(1024, 768)[size_t(y) * 1024 + x] & 0xFFFFFF; };
  frame(0x00112233);
  frame(0x00112233);  // equal: skipped
  EXPECT_EQ(shownAt(15, 15), 0x112233u);
  EXPECT_EQ(device.PixelAt(15, 15), 0xFF112233u);  // the back buffer still holds the frame
  frame(0x00445566);
  EXPECT_EQ(shownAt(15, 15), 0x445566u);
  EXPECT_EQ(shownAt(5, 5), 0x000000u);
  frame(0x00112233);  // back to an earlier frame: shown again
  EXPECT_EQ(shownAt(15, 15), 0x112233u);
  EXPECT_EQ(device.PresentCount(), 4);
}

class BlitTest : public ::testing::Test {
 protected:
  Device device;
  // 4 x 2 source: row 0 = 1,2,3,4 ; row 1 = 5,6,7,8 (as grey levels * 16), alpha 0.
  std::vector<uint32_t> src;
  void SetUp() override {
    device.Clear(0xFF000000);
    for (uint32_t i = 1; i <= 8; ++i) src.push_back((i * 16) << 16 | (i * 16) << 8 | i * 16);
  }
  uint32_t Src(int x, int y) const { return src[y * 4 + x] | 0xFF000000u; }
};

TEST_F(BlitTest, StretchesIntoTheRectangleOpaquely) {
  ASSERT_TRUE(device.StretchBlit(src.data(), 4, 2, 16, {0, 0, 4, 2}, {100, 50, 108, 54}));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(device.PixelAt(100 + x, 50 + y), Src(x / 2, y / 2)) << x << "," << y;
  EXPECT_EQ(device.PixelAt(99, 50), 0xFF000000u);
  EXPECT_EQ(device.PixelAt(108, 50), 0xFF000000u);
  EXPECT_EQ(device.PixelAt(100, 49), 0xFF000000u);
  EXPECT_EQ(device.PixelAt(100, 54), 0xFF000000u);
}

TEST_F(BlitTest, ShrinksSourceRectsAndClipsAtTheEdges) {
  // Columns 1..3 of row 1 into 2 x 1 pixels; then a rectangle hanging over the corner.
  ASSERT_TRUE(device.StretchBlit(src.data(), 4, 2, 16, {1, 1, 4, 2}, {10, 10, 12, 11}));
  EXPECT_EQ(device.PixelAt(10, 10), Src(1, 1));
  EXPECT_EQ(device.PixelAt(11, 10), Src(3, 1));
  ASSERT_TRUE(device.StretchBlit(src.data(), 4, 2, 16, {0, 0, 4, 2}, {-4, -2, 4, 2}));
  EXPECT_EQ(device.PixelAt(0, 0), Src(2, 1));
  EXPECT_EQ(device.PixelAt(3, 1), Src(3, 1));
  ASSERT_TRUE(device.StretchBlit(src.data(), 4, 2, 16, {0, 0, 4, 2}, {1020, 766, 1028, 770}));
  EXPECT_EQ(device.PixelAt(1023, 767), Src(1, 0));
}

TEST_F(BlitTest, EveryColumnSamplesTheSourceAtItsCentre) {
  // One row of ten distinct pixels (alpha 0) shrunk to 7 and stretched to 13 columns: each
  // destination column shows the source column under its centre, groups of four included.
  std::vector<uint32_t> row;
  for (uint32_t i = 0; i < 10; ++i) row.push_back(0x00102030u + i);
  struct Case {
    int destWidth;
    std::vector<int> sourceColumns;
  };
  const Case cases[] = {
      {7, {0, 2, 3, 5, 6, 7, 9}},
      {13, {0, 1, 1, 2, 3, 4, 5, 5, 6, 7, 8, 8, 9}},
      {10, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
  };
  for (const auto& c : cases) {
    device.Clear(0xFF000000);
    const RectI dest{200, 30, 200 + c.destWidth, 32};
    ASSERT_TRUE(device.StretchBlit(row.data(), 10, 1, 40, {0, 0, 10, 1}, dest));
    for (int x = 0; x < c.destWidth; ++x)
      for (int y : {30, 31})
        EXPECT_EQ(device.PixelAt(200 + x, y), row[c.sourceColumns[x]] | 0xFF000000u)
            << c.destWidth << " columns, column " << x << " row " << y;
    EXPECT_EQ(device.PixelAt(199, 30), 0xFF000000u);
    EXPECT_EQ(device.PixelAt(200 + c.destWidth, 30), 0xFF000000u);
  }
}

TEST_F(BlitTest, NegativeStrideWalksUpwards) {
  // Bottom-up storage: the last row in memory is the top row.
  ASSERT_TRUE(device.StretchBlit(src.data() + 4, 4, 2, -16, {0, 0, 4, 2}, {0, 0, 4, 2}));
  EXPECT_EQ(device.PixelAt(0, 0), Src(0, 1));
  EXPECT_EQ(device.PixelAt(0, 1), Src(0, 0));
}

TEST_F(BlitTest, BadArgumentsAreRejected) {
  EXPECT_FALSE(device.StretchBlit(nullptr, 4, 2, 16, {0, 0, 4, 2}, {0, 0, 4, 2}));
  EXPECT_FALSE(device.StretchBlit(src.data(), 4, 2, 8, {0, 0, 4, 2}, {0, 0, 4, 2}));
  EXPECT_FALSE(device.StretchBlit(src.data(), 4, 2, 16, {0, 0, 5, 2}, {0, 0, 4, 2}));
  EXPECT_FALSE(device.StretchBlit(src.data(), 4, 2, 16, {-1, 0, 4, 2}, {0, 0, 4, 2}));
  EXPECT_FALSE(device.StretchBlit(src.data(), 0, 2, 16, {0, 0, 0, 2}, {0, 0, 4, 2}));
  // Empty rectangles copy nothing but are no error.
  EXPECT_TRUE(device.StretchBlit(src.data(), 4, 2, 16, {0, 0, 4, 2}, {10, 10, 10, 20}));
  EXPECT_TRUE(device.StretchBlit(src.data(), 4, 2, 16, {0, 0, 4, 2}, {5000, 10, 6000, 20}));
  EXPECT_EQ(device.PixelAt(10, 10), 0xFF000000u);
}

TEST_F(BlitTest, BlitsKeepDrawOrderWithLines) {
  Line line(device);
  const Vec2 under[2] = {{101, 40}, {101, 60}};
  line.Draw(under, 2, 0xFFFFFFFF);
  device.StretchBlit(src.data(), 4, 2, 16, {0, 0, 4, 2}, {100, 50, 108, 54});
  EXPECT_EQ(device.PixelAt(101, 51), Src(0, 0));
  EXPECT_EQ(device.PixelAt(101, 45), 0xFFFFFFFFu);
  const Vec2 over[2] = {{103, 40}, {103, 60}};
  line.Draw(over, 2, 0xFFFFFFFF);
  EXPECT_EQ(device.PixelAt(103, 51), 0xFFFFFFFFu);
}

TEST(DeviceTest, SavesTheBackBufferAsPNG) {
  QTemporaryDir dir;
  Device device;
  device.Clear(0xFF336699);
  const std::string path = (dir.path() + "/frame.png").toStdString();
  ASSERT_TRUE(device.SaveBackBufferPNG(path));
  QImage img(QString::fromStdString(path));
  ASSERT_EQ(img.width(), 1024);
  ASSERT_EQ(img.height(), 768);
  EXPECT_EQ(img.pixel(10, 10), 0xFF336699u);
  EXPECT_FALSE(device.SaveBackBufferPNG(""));
  EXPECT_FALSE(device.SaveBackBufferPNG("/nonexistent/dir/frame.png"));
}

TEST(DeviceStateTest, LightsRoundTripPerSlot) {
  Device device;
  Light light;
  light.Type = LightType::Spot;
  light.Diffuse = {0.5f, 0.25f, 1.0f, 1.0f};
  light.Position = {0, 1000, 0};
  light.Range = 10;
  light.Theta = 0.7f;
  ASSERT_TRUE(device.SetLight(3, light));
  Light back;
  ASSERT_TRUE(device.GetLight(3, back));
  EXPECT_EQ(back.Type, LightType::Spot);
  EXPECT_EQ(back.Diffuse.g, 0.25f);
  EXPECT_EQ(back.Position.y, 1000.0f);
  EXPECT_EQ(back.Range, 10.0f);
  EXPECT_EQ(back.Theta, 0.7f);
  ASSERT_TRUE(device.GetLight(2, back));
  EXPECT_EQ(back.Range, 0.0f);

  for (int bad : {-1, 8, 100}) {
    EXPECT_FALSE(device.SetLight(bad, light));
    EXPECT_FALSE(device.GetLight(bad, back));
    EXPECT_FALSE(device.LightEnable(bad, true));
    EXPECT_FALSE(device.IsLightEnabled(bad));
  }
  EXPECT_FALSE(device.IsLightEnabled(0));
  EXPECT_TRUE(device.LightEnable(0, true));
  EXPECT_TRUE(device.IsLightEnabled(0));
  EXPECT_FALSE(device.IsLightEnabled(1));
}

TEST(DeviceStateTest, StatesTransformsMaterialsAndTexturesAreStored) {
  Device device;
  const Matrix view = Matrix::LookAtLH({0, 0, -500}, {0, 0, 0}, {0, 1, 0});
  device.SetTransform(TransformKind::View, view);
  EXPECT_EQ(device.GetTransform(TransformKind::View), view);
  EXPECT_EQ(device.GetTransform(TransformKind::World), Matrix::Identity());

  device.SetRenderState(RenderState::SrcBlend, BlendSrcAlpha);
  EXPECT_EQ(device.GetRenderState(RenderState::SrcBlend), 5u);
  EXPECT_EQ(device.GetRenderState(RenderState::DestBlend), 0u);
  device.SetSamplerState(0, SamplerState::MagFilter, FilterLinear);
  EXPECT_EQ(device.GetSamplerState(0, SamplerState::MagFilter), 2u);
  EXPECT_EQ(device.GetSamplerState(1, SamplerState::MagFilter), 0u);
  EXPECT_EQ(device.GetSamplerState(99, SamplerState::MagFilter), 0u);
  device.SetTextureStageState(0, TextureStageState::TextureTransformFlags, 2);
  EXPECT_EQ(device.GetTextureStageState(0, TextureStageState::TextureTransformFlags), 2u);

  Material mat;
  mat.Diffuse = {1, 0, 0, 1};
  mat.Power = 7;
  device.SetMaterial(mat);
  EXPECT_EQ(device.GetMaterial().Diffuse.r, 1.0f);
  EXPECT_EQ(device.GetMaterial().Power, 7.0f);

  const uint32_t px = 0xFFFFFFFF;
  auto tex = Texture::FromPixels(&px, 1, 1, 4);
  device.SetTexture(0, tex.get());
  EXPECT_EQ(device.GetTexture(0), tex.get());
  device.SetTexture(0, nullptr);
  EXPECT_EQ(device.GetTexture(0), nullptr);
  EXPECT_EQ(device.GetTexture(-1), nullptr);

  Font font(device, FontDesc{-22, 12, 0, 1, false, 1, 0, 0, 0, "Arial"});
  EXPECT_EQ(font.Desc().Height, -22);
  EXPECT_EQ(font.Desc().FaceName, "Arial");
}

TEST(MatrixTest, RowVectorOrderScalesFirst) {
  const Matrix srt = Matrix::Scaling(2, 2, 2) * Matrix::RotationZ(static_cast<float>(M_PI / 2)) *
                     Matrix::Translation(10, 20, 30);
  const Vec3 p = srt.TransformPoint({1, 0, 0});  // scale -> (2,0,0), rotate -> (0,2,0), move
  EXPECT_NEAR(p.x, 10, 1e-5);
  EXPECT_NEAR(p.y, 22, 1e-5);
  EXPECT_NEAR(p.z, 30, 1e-5);

  struct Case {
    Matrix m;
    Vec3 in, out;
  };
  const float q = static_cast<float>(M_PI / 2);
  const Case cases[] = {
      {Matrix::RotationX(q), {0, 1, 0}, {0, 0, 1}},
      {Matrix::RotationY(q), {0, 0, 1}, {1, 0, 0}},
      {Matrix::RotationZ(q), {1, 0, 0}, {0, 1, 0}},
      {Matrix::RotationYawPitchRoll(q, 0, 0), {0, 0, 1}, {1, 0, 0}},
      {Matrix::RotationYawPitchRoll(0, 0, q), {1, 0, 0}, {0, 1, 0}},
      {Matrix::LookAtLH({0, 0, -500}, {0, 0, 0}, {0, 1, 0}), {0, 0, 0}, {0, 0, 500}},
  };
  for (const auto& c : cases) {
    const Vec3 r = c.m.TransformPoint(c.in);
    EXPECT_NEAR(r.x, c.out.x, 1e-5);
    EXPECT_NEAR(r.y, c.out.y, 1e-5);
    EXPECT_NEAR(r.z, c.out.z, 1e-5);
  }
}

TEST(MatrixTest, PerspectiveMapsNearAndFarPlanes) {
  const Matrix p = Matrix::PerspectiveFovLH(static_cast<float>(M_PI / 4), 4.0f / 3.0f, 100, 100000);
  EXPECT_NEAR(p.m[1][1], 1.0 / std::tan(M_PI / 8), 1e-5);
  EXPECT_NEAR(p.m[0][0], p.m[1][1] * 0.75, 1e-5);
  EXPECT_EQ(p.m[2][3], 1.0f);
  // z = near -> 0, z = far -> 1 after the divide by w = z.
  EXPECT_NEAR(p.TransformPoint({0, 0, 100}).z / 100, 0.0, 1e-5);
  EXPECT_NEAR(p.TransformPoint({0, 0, 100000}).z / 100000, 1.0, 1e-5);
}

}  // namespace
