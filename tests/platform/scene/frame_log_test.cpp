// Frames compared before drawing: a frame that draws exactly what the window shows is presented
// without rasterising anything; any other frame shows exactly what drawing it at once gives, also
// when only the rows that its changes reach are drawn again.
#include "platform/scene/Scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <vector>

using namespace scene;

namespace {

// What one frame draws; every field takes part in some operation.
struct FrameSpec {
  uint32_t clear = 0xFF000000;
  uint32_t lineColour = 0xC0FF8000;
  Vec2 lineEnd{600.5f, 300.25f};
  float lineWidth = 3.0f;
  bool antialias = true;
  int extraPoints = 0;  // points the line goes on through, towards the bottom right
  bool closed = false;  // the line goes back to its first point (within the box of its points)
  // The texture's contents: one texel that stands out from the rest (a texture of its own per value).
  uint32_t texel = 0xFF2040C0;
  // Between pixels, so that the moves within a pixel below keep the area the sprite can touch:
  // only the comparison of the sprite itself then tells the frames apart.
  Vec3 spritePosition{200.5f, 150.25f, 0};
  uint32_t modulate = 0xC0FFFFFF;
  Vec2 spriteScale{1, 1};
  float spriteTurn = 0.0f;  // radians
  Vec2 spriteShear{0, 0};  // x moves by .x times y, y by .y times x
  Vec2 spriteShift{0, 0};  // the transform's translation
  RectI spriteSource{0, 0, 15, 15};
  uint32_t blitPixel = 0x00336699;
  RectI blitSource{1, 0, 7, 4};
  RectI blitDest{700, 500, 800, 560};
  // A bar along a column and a rung along a row under its foot, lines of their own.
  Vec2 barFoot{400.5f, 700.0f}, barTop{400.5f, 500.25f};
  Vec2 rungStart{100.0f, 690.5f}, rungEnd{600.75f, 690.5f};
  float barWidth = 3.0f;
  bool barAntialias = true;
};

class FrameLogTest : public ::testing::Test {
 protected:
  // The texture of a frame: 16 x 16 texels, one of them the frame's texel value (made once per value).
  const Texture* TextureOf(const FrameSpec& f) {
    std::unique_ptr<Texture>& texture = textures[f.texel];
    if (!texture) {
      std::vector<uint32_t> texels(16 * 16, 0xFF20C040);
      texels[5 * 16 + 6] = f.texel;
      texture = Texture::FromPixels(texels.data(), 16, 16, 16 * 4);
    }
    return texture.get();
  }

  // Draws the frame; handing out the back buffer first makes the device rasterise every operation
  // at once, as the reference for what the frame must show.
  void Draw(Device& device, const FrameSpec& f, bool atOnce = false) {
    device.Clear(f.clear);
    if (atOnce) device.BackBuffer();
    Line line(device);
    line.SetWidth(f.lineWidth);
    line.SetAntialias(f.antialias);
    std::vector<Vec2> points = {{50.25f, 40.0f}, {300.0f, 400.75f}, f.lineEnd};
    for (int i = 1; i <= f.extraPoints; ++i) points.push_back({f.lineEnd.x + 10.0f * i, f.lineEnd.y + 30.0f * i});
    if (f.closed) points.push_back(points.front());
    line.Draw(points.data(), int(points.size()), f.lineColour);
    Sprite sprite(device);
    Matrix shear = Matrix::Identity();
    shear.m[1][0] = f.spriteShear.x;
    shear.m[0][1] = f.spriteShear.y;
    sprite.SetTransform(Matrix::Scaling(f.spriteScale.x, f.spriteScale.y, 1.0f) *
                        Matrix::RotationZ(f.spriteTurn) * shear *
                        Matrix::Translation(f.spriteShift.x, f.spriteShift.y, 0.0f));
    sprite.Draw(TextureOf(f), &f.spriteSource, nullptr, &f.spritePosition, f.modulate);
    std::vector<uint32_t> blit(8 * 4, 0x00102030);
    blit[13] = f.blitPixel;
    device.StretchBlit(blit.data(), 8, 4, 8 * 4, f.blitSource, f.blitDest);
    DrawBars(device, f);
  }

  static void DrawBars(Device& device, const FrameSpec& f) {
    Line bar(device);
    bar.SetWidth(f.barWidth);
    bar.SetAntialias(f.barAntialias);
    const Vec2 barPoints[] = {f.barFoot, f.barTop};
    bar.Draw(barPoints, 2, 0xFFFFFF00);
    const Vec2 rungPoints[] = {f.rungStart, f.rungEnd};
    bar.Draw(rungPoints, 2, 0xC000FFFF);
  }

  void Present(Device& device, const FrameSpec& f) {
    Draw(device, f);
    device.Present();
  }

  std::vector<uint32_t> Reference(const FrameSpec& f) {
    Device device;
    Draw(device, f, true);
    device.Present();
    return device.GrabPresented(1024, 768);
  }

  std::map<uint32_t, std::unique_ptr<Texture>> textures;
};

TEST_F(FrameLogTest, AFrameLikeTheShownOneDrawsNothingAndTheBackBufferStillHoldsIt) {
  Device device;
  const FrameSpec f;
  Present(device, f);
  const int draws = device.DrawCount();
  EXPECT_EQ(draws, 6);  // clear, line, sprite, blit, bar, rung
  const std::vector<uint32_t> shown = device.GrabPresented(1024, 768);
  for (int pass = 0; pass < 3; ++pass) Present(device, f);
  EXPECT_EQ(device.DrawCount(), draws);
  EXPECT_EQ(device.PresentCount(), 4);
  EXPECT_EQ(device.GrabPresented(1024, 768), shown);
  EXPECT_EQ(shown, Reference(f));
  // Read back, the back buffer shows the presented frame (brought back, not drawn again).
  EXPECT_EQ(device.PixelAt(705, 505), 0xFF102030u);
  EXPECT_EQ(device.DrawCount(), draws);
}

struct ChangeCase {
  const char* name;
  std::function<void(FrameSpec&)> change;
  std::function<void(FrameSpec&)> start = [](FrameSpec&) {};  // both frames
};

class FrameChangeTest : public FrameLogTest, public ::testing::WithParamInterface<ChangeCase> {};

// Every parameter of every operation counts: a frame that differs in any one of them is drawn
// and shows exactly its reference, pass after pass, also when it goes back to an earlier frame.
TEST_P(FrameChangeTest, AChangedFrameShowsExactlyWhatDrawingItAtOnceGives) {
  FrameSpec before, after;
  GetParam().start(before);
  GetParam().start(after);
  GetParam().change(after);
  const std::vector<uint32_t> expectedBefore = Reference(before), expectedAfter = Reference(after);
  ASSERT_NE(expectedBefore, expectedAfter) << "the change must show";
  Device device;
  const struct {
    const FrameSpec* frame;
    bool drawn;  // some operation is rasterised for it
  } passes[] = {{&before, true}, {&before, false}, {&after, true}, {&after, false}, {&before, true}};
  for (const auto& pass : passes) {
    const int draws = device.DrawCount();
    Present(device, *pass.frame);
    EXPECT_EQ(device.GrabPresented(1024, 768), pass.frame == &before ? expectedBefore : expectedAfter);
    EXPECT_EQ(device.DrawCount() > draws, pass.drawn);
  }
}

// The exact bounding box of the pixels in which two 1024 x 768 frames differ (empty when equal).
RectI DifferingPixels(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  RectI box{1024, 768, 0, 0};
  for (int y = 0; y < 768; ++y)
    for (int x = 0; x < 1024; ++x)
      if (a[size_t(y) * 1024 + x] != b[size_t(y) * 1024 + x]) {
        box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1), std::max(box.bottom, y + 1)};
      }
  return box.right > box.left ? box : RectI{};
}

std::array<int, 4> Box(const RectI& r) { return {r.left, r.top, r.right, r.bottom}; }

// A window repaints only the area each present asks for; what it shows must still be, pass after
// pass, exactly the presented frame painted whole. Checked on windows of the frame's size, smaller,
// larger and stretched unevenly, and against the exact box of the changed pixels.
TEST_P(FrameChangeTest, RepaintingOnlyTheChangedAreaShowsTheWholeFrame) {
  FrameSpec before, after;
  GetParam().start(before);
  GetParam().start(after);
  GetParam().change(after);
  const std::pair<int, int> sizes[] = {{1024, 768}, {512, 300}, {1280, 1024}, {700, 500}, {333, 777}};
  Device device;
  std::vector<std::vector<uint32_t>> screens;
  std::vector<uint32_t> last;
  for (const FrameSpec* frame : {&before, &after, &after, &before, &after}) {
    Present(device, *frame);
    const std::vector<uint32_t> shown = device.GrabPresented(1024, 768);
    if (!last.empty()) {
      EXPECT_EQ(Box(device.ChangedArea()), Box(DifferingPixels(last, shown)));
    }
    const bool first = last.empty();
    last = shown;
    for (size_t i = 0; i < std::size(sizes); ++i) {
      const auto [w, h] = sizes[i];
      if (first) {
        EXPECT_EQ(Box(device.RepaintArea(w, h)), Box({0, 0, w, h}));
        screens.emplace_back(size_t(w) * h, 0xFF00FF00u);
      }
      for (const RectI& area : device.RepaintAreas(w, h)) device.RepaintPresented(screens[i], w, h, area);
      EXPECT_EQ(screens[i], device.GrabPresented(w, h)) << w << " x " << h;
    }
  }
}

// A small change asks for a small repaint: the blit's pixel alone, not the whole window.
TEST_F(FrameLogTest, ASmallChangeRepaintsASmallArea) {
  Device device;
  FrameSpec f;
  Present(device, f);
  f.blitPixel = 0x00336698;
  Present(device, f);
  const RectI area = device.ChangedArea();
  EXPECT_GE(area.left, f.blitDest.left);
  EXPECT_LE(area.right, f.blitDest.right);
  EXPECT_GE(area.top, f.blitDest.top);
  EXPECT_LE(area.bottom, f.blitDest.bottom);
  EXPECT_GT(area.Width(), 0);
  const RectI window = device.RepaintArea(512, 384);
  EXPECT_LE(window.Width(), area.Width() / 2 + 5);
  EXPECT_LE(window.Height(), area.Height() / 2 + 5);
}

// A bar whose top slides along its column is drawn again near its top only: the rung under its
// foot and the rest of the frame are not rasterised again.
TEST_F(FrameLogTest, ABarWhoseTopSlidesIsDrawnAgainNearItsTopOnly) {
  Device device;
  FrameSpec f;
  Present(device, f);
  f.barTop.y -= 30.5f;
  const int draws = device.DrawCount();
  Present(device, f);
  EXPECT_EQ(device.DrawCount() - draws, 2);  // the clear and the bar
  EXPECT_EQ(device.GrabPresented(1024, 768), Reference(f));
}

// A changed frame is drawn again only in the area its changes reach (the blit's, widened to whole
// tiles 32 pixels wide and 16 high): there the blit, which covers what came before it, is drawn
// again, and the clear above and left of it; the line and the sprite far from it are not rasterised.
TEST_F(FrameLogTest, AChangeDrawsOnlyTheOperationsThatReachItsArea) {
  Device device;
  FrameSpec f;
  Present(device, f);
  f.blitPixel = 0x00336698;
  const int draws = device.DrawCount();
  Present(device, f);
  EXPECT_EQ(device.DrawCount() - draws, 3);
  EXPECT_EQ(device.GrabPresented(1024, 768), Reference(f));
}

const ChangeCase ChangeCases[] = {
    {"ClearColour", [](FrameSpec& f) { f.clear = 0xFF000010; }},
    {"LineColour", [](FrameSpec& f) { f.lineColour = 0xC0FF8040; }},
    {"LinePoint", [](FrameSpec& f) { f.lineEnd.y += 1.0f; }},
    {"LineWidth", [](FrameSpec& f) { f.lineWidth = 4.0f; }},
    {"LineAntialias", [](FrameSpec& f) { f.antialias = false; }},
    {"LineColourAlpha", [](FrameSpec& f) { f.lineColour = 0xC1FF8000; }},
    {"LinePointCount", [](FrameSpec& f) { f.extraPoints = 1; }},
    {"LinePointCountWithinItsBox", [](FrameSpec& f) { f.closed = true; }},
    {"TextureContents", [](FrameSpec& f) { f.texel = 0xFF2040C1; }},
    {"SpritePosition", [](FrameSpec& f) { f.spritePosition.x += 1.0f; }},
    {"SpriteModulation", [](FrameSpec& f) { f.modulate = 0xC0FF00FF; }},
    {"SpriteAlpha", [](FrameSpec& f) { f.modulate = 0xBFFFFFFF; }},
    {"SpriteScale", [](FrameSpec& f) { f.spriteScale = {2, 2}; }},
    {"SpriteRotation", [](FrameSpec& f) { f.spriteTurn = 0.01f; }},
    {"SpriteTranslation", [](FrameSpec& f) { f.spriteShift.y = 0.5f; }},
    {"SpriteShear", [](FrameSpec& f) { f.spriteShear.x = 0.05f; }},
    {"SpriteSource", [](FrameSpec& f) { f.spriteSource = {0, 0, 8, 16}; }},
    // Moves within a pixel, one part of the placement or transform each, and sources of the same
    // size: the sprite can touch the same area as before.
    {"SpritePositionAcrossWithinAPixel", [](FrameSpec& f) { f.spritePosition.x -= 0.4f; }},
    {"SpritePositionDownWithinAPixel", [](FrameSpec& f) { f.spritePosition.y += 0.5f; }},
    {"SpriteScaleAcrossWithinAPixel", [](FrameSpec& f) { f.spriteScale.x = 1.001f; }},
    {"SpriteScaleDownWithinAPixel", [](FrameSpec& f) { f.spriteScale.y = 1.001f; }},
    {"SpriteRotationWithinAPixel", [](FrameSpec& f) { f.spriteTurn = 0.001f; }},
    {"SpriteShearAcrossWithinAPixel", [](FrameSpec& f) { f.spriteShear.x = 0.001f; }},
    {"SpriteShearDownWithinAPixel", [](FrameSpec& f) { f.spriteShear.y = 0.001f; }},
    {"SpriteTranslationAcrossWithinAPixel", [](FrameSpec& f) { f.spriteShift.x = -0.4f; }},
    {"SpriteSourceAcross", [](FrameSpec& f) { f.spriteSource = {1, 0, 16, 15}; }},
    {"SpriteSourceDown", [](FrameSpec& f) { f.spriteSource = {0, 1, 15, 16}; }},
    {"BlitPixel", [](FrameSpec& f) { f.blitPixel = 0x00336698; }},
    {"BlitSource", [](FrameSpec& f) { f.blitSource = {0, 0, 6, 4}; }},
    {"BlitSourceWidth", [](FrameSpec& f) { f.blitSource = {1, 0, 6, 4}; }},
    {"BlitSourceHeight", [](FrameSpec& f) { f.blitSource = {1, 0, 7, 3}; }},
    {"BlitPlace", [](FrameSpec& f) { f.blitDest = {700, 500, 801, 560}; }},
    // A line along a column or a row whose ends slide along it, thick or thin, soft or plain.
    {"BarTopRises", [](FrameSpec& f) { f.barTop.y -= 40.25f; }},
    {"BarTopFalls", [](FrameSpec& f) { f.barTop.y += 60.0f; }},
    {"BarTopMovesLittle", [](FrameSpec& f) { f.barTop.y += 0.25f; }},
    {"BarBothEndsSlide",
     [](FrameSpec& f) {
       f.barTop.y -= 100.5f;
       f.barFoot.y -= 3.0f;
     }},
    {"BarTurnsOver", [](FrameSpec& f) { f.barTop.y = 720.5f; }},
    {"BarLeans", [](FrameSpec& f) { f.barTop.x += 0.25f; }},
    {"BarMovesAcross",
     [](FrameSpec& f) {
       f.barTop.x += 0.25f;
       f.barFoot.x += 0.25f;
     }},
    {"BarFromOutside", [](FrameSpec& f) { f.barTop.y -= 10.0f; }, [](FrameSpec& f) { f.barFoot.y = 800.0f; }},
    {"BarLeavesTheBuffer", [](FrameSpec& f) { f.barTop.y = -30.0f; }},
    {"ThinSoftBarTop", [](FrameSpec& f) { f.barTop.y -= 20.5f; },
     [](FrameSpec& f) { f.barWidth = 1.0f; }},
    {"ThinPlainBarTop", [](FrameSpec& f) { f.barTop.y += 20.75f; },
     [](FrameSpec& f) {
       f.barWidth = 1.0f;
       f.barAntialias = false;
     }},
    {"ThickPlainBarTop", [](FrameSpec& f) { f.barTop.y -= 7.5f; }, [](FrameSpec& f) { f.barAntialias = false; }},
    {"RungEndSlides", [](FrameSpec& f) { f.rungEnd.x += 30.5f; }},
    {"RungStartSlides", [](FrameSpec& f) { f.rungStart.x += 250.25f; }, [](FrameSpec& f) { f.barWidth = 0.5f; }},
    {"PolylineInnerPoint", [](FrameSpec& f) { f.lineEnd.y += 5.0f; }, [](FrameSpec& f) { f.extraPoints = 2; }},
    // Changes far apart: the rows between them are drawn from the frame before.
    {"SpriteAndBlit",
     [](FrameSpec& f) {
       f.modulate = 0xC0FF00FF;
       f.blitPixel = 0x00336698;
     }},
};

INSTANTIATE_TEST_SUITE_P(Changes, FrameChangeTest, ::testing::ValuesIn(ChangeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// What an operation reads is taken when it is called: a picture changed or a texture deleted
// before the present does not change the frame.
TEST_F(FrameLogTest, OperationsDrawWhatTheyWereGivenWhenCalled) {
  Device device;
  std::vector<uint32_t> picture(4, 0xFFAA0000);
  auto texture = Texture::FromPixels(picture.data(), 2, 2, 8);
  device.Clear(0);
  device.StretchBlit(picture.data(), 2, 2, 8, {0, 0, 2, 2}, {0, 0, 20, 20});
  Sprite sprite(device);
  const Vec3 at{100, 100, 0};
  sprite.Draw(texture.get(), nullptr, nullptr, &at, 0xFFFFFFFF);
  picture.assign(4, 0xFF0000BB);
  texture.reset();
  device.Present();
  const std::vector<uint32_t> shown = device.GrabPresented(1024, 768);
  EXPECT_EQ(shown[10 * 1024 + 10], 0xFFAA0000u);
  EXPECT_EQ(shown[101 * 1024 + 101], 0xFFAA0000u);
}

// A blit of the pixels the shown frame's blit copied keeps showing them when the caller's picture
// changes after the call; a changed picture in the next frame is shown.
TEST_F(FrameLogTest, ABlitRepeatingTheShownPixelsIsNotChangedByLaterWritesToThePicture) {
  Device device;
  std::vector<uint32_t> picture(4 * 3, 0xFF00AA00);
  const auto blitAndPresent = [&](uint32_t laterPixel) {
    device.Clear(0);
    device.StretchBlit(picture.data(), 4, 3, 16, {0, 0, 4, 3}, {10, 10, 50, 40});
    const uint32_t given = picture[9];
    picture[9] = laterPixel;
    device.Present();
    EXPECT_EQ(device.GrabPresented(1024, 768)[35 * 1024 + 25], given | 0xFF000000u);
  };
  blitAndPresent(0xFF0000BB);
  picture[9] = 0xFF00AA00;
  blitAndPresent(0xFF0000CC);  // the same pixels as shown, changed after the call
  blitAndPresent(0xFF0000DD);  // row 2 changed since: shown
  blitAndPresent(0xFF0000DD);
}

// A frame written to through the raw back buffer is not described by its operations: it is never
// taken for an earlier frame, nor a later one for it.
TEST_F(FrameLogTest, DirectWritesAreNeverTakenForAnUnchangedFrame) {
  Device device;
  const FrameSpec f;
  Present(device, f);
  Draw(device, f);
  device.BackBuffer()[10 * BackBufferStride + 10] = 0xFFFFFFFF;
  device.Present();
  EXPECT_EQ(device.GrabPresented(1024, 768)[10 * 1024 + 10], 0xFFFFFFFFu);
  Present(device, f);
  EXPECT_EQ(device.GrabPresented(1024, 768), Reference(f));
}

// Reading the back buffer in the middle of a frame draws what came so far; the frame goes on
// and is still recognised when it repeats the shown one.
TEST_F(FrameLogTest, ReadingInTheMiddleOfAFrameKeepsItComparable) {
  Device device;
  const FrameSpec f;
  Present(device, f);
  device.Clear(f.clear);
  EXPECT_EQ(device.PixelAt(705, 505), 0xFF000000u);  // cleared so far
  const int draws = device.DrawCount();
  Line line(device);
  line.SetWidth(f.lineWidth);
  line.SetAntialias(f.antialias);
  const Vec2 points[] = {{50.25f, 40.0f}, {300.0f, 400.75f}, f.lineEnd};
  line.Draw(points, 3, f.lineColour);
  Sprite sprite(device);
  sprite.Draw(TextureOf(f), &f.spriteSource, nullptr, &f.spritePosition, f.modulate);
  std::vector<uint32_t> blit(8 * 4, 0x00102030);
  blit[13] = f.blitPixel;
  device.StretchBlit(blit.data(), 8, 4, 8 * 4, {1, 0, 7, 4}, f.blitDest);
  DrawBars(device, f);
  device.Present();
  EXPECT_EQ(device.DrawCount(), draws);  // only the clear was drawn, for the read
  EXPECT_EQ(device.GrabPresented(1024, 768), Reference(f));
  EXPECT_EQ(device.PixelAt(705, 505), 0xFF102030u);
}

}  // namespace
