// The measurement display on an off-screen scene: pixel probes of the back buffer, texts,
// markers and symbols, the command queue, the display list and the labels' placement maths.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

#include "display/DirectXBase.h"
#include "display/Display.h"
#include "platform/scene/Scene.h"
#include "platform/vcl/Forms.h"
#include "base/Globals.h"
#include "base/RangeDef.h"

namespace {

std::string Hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", v);
  return text;
}

uint8_t Red(uint32_t argb) { return (argb >> 16) & 0xFF; }
uint8_t Green(uint32_t argb) { return (argb >> 8) & 0xFF; }
uint8_t Blue(uint32_t argb) { return argb & 0xFF; }

::testing::AssertionResult ColourNear(uint32_t actual, uint32_t expected, int tolerance = 8) {
  const int dr = Red(actual) - Red(expected), dg = Green(actual) - Green(expected),
            db = Blue(actual) - Blue(expected);
  if (std::abs(dr) <= tolerance && std::abs(dg) <= tolerance && std::abs(db) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "pixel " << Hex(actual) << ", expected " << Hex(expected);
}

// A line pixel: the line's colour at 60 % coverage or more (antialiased edges and polyline joints
// blend), with the channels the colour lacks staying dark.
::testing::AssertionResult LineColour(uint32_t actual, uint32_t expected) {
  const uint32_t channels[3] = {Red(expected), Green(expected), Blue(expected)};
  const uint32_t got[3] = {Red(actual), Green(actual), Blue(actual)};
  for (int i = 0; i < 3; ++i) {
    const bool ok =
        channels[i] == 0 ? got[i] <= 16 : got[i] >= channels[i] * 6 / 10 && got[i] <= channels[i] + 8;
    if (!ok)
      return ::testing::AssertionFailure() << "pixel " << Hex(actual) << ", line colour " << Hex(expected);
  }
  return ::testing::AssertionSuccess();
}

class DisplayTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { Application->Initialize(); }

  void SetUp() override {
    ASSERT_TRUE(scene.CreateDevice(nullptr, 1024, 768));
    display = std::make_unique<StdDisplay>(&scene, 1024, 768);
  }

  // One idle pass: the scene is cleared black and the display drawn.
  bool Frame(StdDisplay& d) {
    scene.SetClearColor(0);
    scene.BeginScene();
    const bool drawn = d.Render();
    scene.Device->EndScene();
    return drawn;
  }
  bool Frame() { return Frame(*display); }
  uint32_t Pixel(int x, int y) const { return scene.Device->PixelAt(x, y); }
  // Every pixel of the back buffer after one frame of the display.
  std::vector<uint32_t> Drawn() { return Drawn(*display); }
  std::vector<uint32_t> Drawn(StdDisplay& d) {
    EXPECT_TRUE(Frame(d));
    std::vector<uint32_t> pixels;
    pixels.reserve(size_t(scene.Device->Width()) * size_t(scene.Device->Height()));
    for (int y = 0; y < scene.Device->Height(); ++y)
      for (int x = 0; x < scene.Device->Width(); ++x) pixels.push_back(Pixel(x, y));
    return pixels;
  }

  ZXBase scene;
  std::unique_ptr<StdDisplay> display;
};

// ---------------------------------------------------------------------------------------------
// Construction and texts

TEST_F(DisplayTest, NewDisplayHasItsDefaults) {
  EXPECT_EQ(display->MarginTop, 30);
  EXPECT_EQ(display->MarginBottom, 30);
  EXPECT_EQ(display->ShowCenterMarker, 0);
  EXPECT_EQ(display->TextsFrozen, 0);
  EXPECT_EQ(display->BarAlpha, 127.0f);
  EXPECT_EQ(display->Texts(), (std::array<std::string, 4>{"", "", "", ""}));
  ASSERT_EQ(display->Symbols->Count(), 8);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(display->Symbols->Get(i)->Sprite->Position.x, 100.0f);
    EXPECT_EQ(display->Symbols->Get(i)->Sprite->Position.y, 150.0f);
  }
  EXPECT_EQ(display->Markers->Count(), 0);
  EXPECT_EQ(display->Commands->Count(), 0);
  EXPECT_EQ(display->MinMaxColors[0], 0x00FF00);
  EXPECT_EQ(display->MinMaxColors[127], 0x0000FF);
}

// Every display loads the same eight symbol files and the marker (those shipped with the program): the
// displays made after the first decode none of them again and show the same pictures.
TEST_F(DisplayTest, DisplaysShareOneDecodeOfTheSymbolFiles) {
  const std::string savedFolder = ProgramFolder;
  ProgramFolder = std::string(RT_SOURCE_DIR) + "/assets/";
  std::vector<std::unique_ptr<StdDisplay>> displays;
  std::vector<int> decodes;
  for (int i = 0; i < 3; ++i) {
    decodes.push_back(scene::Texture::FileDecodes());
    displays.push_back(std::make_unique<StdDisplay>(&scene, 1024, 768));
    displays.back()->Markers->Add(scene.Device, 100, 100);
  }
  decodes.push_back(scene::Texture::FileDecodes());
  ProgramFolder = savedFolder;

  EXPECT_LE(decodes[1] - decodes[0], 9);  // none again when an earlier test loaded them
  EXPECT_EQ(decodes[3], decodes[1]);
  for (int i = 0; i < 8; ++i) {
    const scene::Texture* first = displays[0]->Symbols->Get(i)->Sprite->Texture.get();
    ASSERT_NE(first, nullptr) << "symbol " << i;
    for (int d = 1; d < 3; ++d) {
      const scene::Texture* other = displays[d]->Symbols->Get(i)->Sprite->Texture.get();
      ASSERT_NE(other, nullptr);
      ASSERT_EQ(other->Width(), first->Width());
      ASSERT_EQ(other->Height(), first->Height());
      for (int y = 0; y < first->Height(); y += 3)
        for (int x = 0; x < first->Width(); x += 3) ASSERT_EQ(other->PixelAt(x, y), first->PixelAt(x, y));
    }
  }
}

TEST_F(DisplayTest, GenerateTextShowsTheRangeInMegahertz) {
  NormalBuffer trace(100);
  trace.SetRange(100e6f, 200e6f, 0, 255);
  display->DataBuffer = &trace;
  struct Case {
    uint8_t dims;
    std::string unit, left, center, right;
  };
  const Case cases[] = {
      {0, "", "100.000", "150.000", "200.000"},
      {1, "MHz", "100.000 MHz", "150.000 MHz", "200.000 MHz"},
      {1, "", "100.000 ", "150.000 ", "200.000 "},
  };
  for (const auto& c : cases) {
    display->Dims = c.dims;
    display->SetUnit(c.unit);
    const auto texts = display->Texts();
    EXPECT_EQ(texts[0], c.left);
    EXPECT_EQ(texts[1], c.center);
    EXPECT_EQ(texts[2], c.right);
  }
  display->DataBuffer = nullptr;
  display->GenerateText();
  EXPECT_EQ(display->Texts()[0], "");
}

TEST_F(DisplayTest, CustomTextFreezesTheFrequencyTexts) {
  NormalBuffer trace(100);
  trace.SetRange(100e6f, 200e6f, 0, 255);
  display->DataBuffer = &trace;
  display->CustomText("a", "b", "c");
  display->GenerateText();
  display->SetTitle("Title");
  EXPECT_EQ(display->Texts(), (std::array<std::string, 4>{"a", "b", "c", "Title"}));
  EXPECT_EQ(display->TextsFrozen, 1);
}

TEST_F(DisplayTest, PeakMarkerSitsOverItsPointOfTheDigitalBuffer) {
  EXPECT_EQ(display->AddMarker(5), -1);  // no digital buffer: no marker
  DigitalBuffer digital(3000);
  display->DigBuffer = &digital;
  display->SetPosition(10, 20, 1000, 400);
  const int index = display->AddMarker(1500);
  ASSERT_EQ(index, 0);
  const MarkerBase* marker = display->Markers->Get(0);
  EXPECT_EQ(marker->Visible, 1);
  EXPECT_FLOAT_EQ(marker->Sprite->Position.x, 510.0f);  // 10 + 1000 / 3000 * 1500
  EXPECT_FLOAT_EQ(marker->Sprite->Position.y, 80.0f);   // 20 + 30 + 30
  EXPECT_EQ(display->Markers->Get(1), nullptr);
  display->DigBuffer = nullptr;
}

TEST_F(DisplayTest, SymbolsFadeAndStopAtTheEnd) {
  EXPECT_EQ(FadeAlpha(1.0, 2.0), 127);
  EXPECT_EQ(FadeAlpha(0.0, 2.0), 255);
  EXPECT_EQ(FadeAlpha(2.5, 2.0), -1);
  EXPECT_EQ(FadeAlpha(0.0, 0.0), -1);  // no length: over at once
  EXPECT_EQ(FadeAlpha(0.0, -1.0), -1);

  DisplaySymbolList& symbols = *display->Symbols;
  symbols.StartFade(-1, 1.0);
  symbols.StartFade(8, 1.0);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(symbols.Get(i)->Visible, 0);
  symbols.StartFade(2, 0.0);
  EXPECT_EQ(symbols.Get(2)->Visible, 1);
  symbols.DrawEnabled = 0;
  symbols.DrawAll();
  EXPECT_EQ(symbols.Get(2)->Fading, 1);  // a disabled list ends no fade
  symbols.DrawEnabled = 1;
  symbols.DrawAll();
  EXPECT_EQ(symbols.Get(2)->Visible, 0);
  EXPECT_EQ(symbols.Get(2)->Fading, 0);
}

TEST(InterpolateY, PointOnTheLineThroughTwoPoints) {
  scene::Vec2 p{25, 0};
  InterpolateY(&p, {0, 10}, {100, 20});
  EXPECT_FLOAT_EQ(p.y, 12.5f);
  EXPECT_FLOAT_EQ(p.x, 25.0f);
  scene::Vec2 q{25, 7};
  InterpolateY(&q, {5, 10}, {5, 20});
  EXPECT_FLOAT_EQ(q.y, 7.0f);
  InterpolateY(nullptr, {0, 0}, {1, 1});
}

// ---------------------------------------------------------------------------------------------
// Pixel probes

TEST_F(DisplayTest, TraceAtAKnownLevelLandsOnItsRow) {
  NormalBuffer trace(100);
  trace.SetRange(0, 100, 0, 255);
  for (unsigned i = 0; i < 100; ++i) trace.SetPoint(i, 100.0f);
  display->DataBuffer = &trace;
  ASSERT_TRUE(Frame());
  // Plot height 708: row 30 + trunc(708 - 708 / 255 * 100) = 460.
  const uint32_t yellow = 0xFFFFFF00;
  EXPECT_TRUE(LineColour(Pixel(150, 460), yellow));
  EXPECT_TRUE(LineColour(Pixel(900, 460), yellow));
  EXPECT_TRUE(ColourNear(Pixel(150, 470), 0xFF000000));
  EXPECT_TRUE(ColourNear(Pixel(150, 450), 0xFF000000));
  display->DataBuffer = nullptr;
}

TEST_F(DisplayTest, ExtraTraceIsDrawnInItsOwnColour) {
  NormalBuffer extra(50);
  extra.SetRange(0, 50, 0, 255);
  for (unsigned i = 0; i < 50; ++i) extra.SetPoint(i, 200.0f);
  extra.Color = 0x0000FF;  // red
  display->ExtraBuffers[3] = &extra;
  ASSERT_TRUE(Frame());
  // Row 30 + trunc(708 - 708 / 255 * 200) = 30 + 152 = 182.
  EXPECT_TRUE(LineColour(Pixel(300, 182), 0xFFFF0000));
  display->RenderMode = 5;  // modes 4 to 11 draw no extra trace
  ASSERT_TRUE(Frame());
  EXPECT_TRUE(ColourNear(Pixel(300, 182), 0xFF000000));
  display->ExtraBuffers[3] = nullptr;
}

TEST_F(DisplayTest, BarAlphaAppliesToTheOwnTraceBarsOnly) {
  // More points than columns: the own bars are one pixel wide and do not overlap.
  NormalBuffer trace(2048), extra(2048);
  trace.SetRange(0, 1, 0, 255);
  extra.SetRange(0, 1, 0, 255);
  for (unsigned i = 0; i < 2048; ++i) {
    trace.SetPoint(i, i < 1024 ? 255.0f : 0.0f);   // bars over the left half of the plot
    extra.SetPoint(i, i >= 1200 ? 255.0f : 0.0f);  // extra bars over the right part
  }
  extra.Color = 0x00FFFF;
  display->DataBuffer = &trace;
  display->ExtraBuffers[0] = &extra;
  display->RenderMode = 1;
  display->BarAlphaOn = 1;
  display->BarAlpha = 127.9f;  // alpha 127
  ASSERT_TRUE(Frame());
  const uint32_t ownBar = Pixel(300, 400), extraBar = Pixel(800, 400);
  EXPECT_NEAR(Red(ownBar), 127, 3);
  EXPECT_NEAR(Green(ownBar), 127, 3);
  EXPECT_TRUE(ColourNear(extraBar, 0xFFFFFF00, 12));
  display->BarAlphaOn = 0;
  ASSERT_TRUE(Frame());
  EXPECT_TRUE(ColourNear(Pixel(300, 400), 0xFFFFFF00, 12));
  display->DataBuffer = nullptr;
  display->ExtraBuffers[0] = nullptr;
}

TEST_F(DisplayTest, WaterfallShowsTheNewestRowAboveTheBackgroundRow) {
  WaterfallBuffer water(1000, 100);
  std::vector<float> half(1000, 0.5f), full(1000, 1.0f);
  for (int i = 0; i < 99; ++i) water.Insert(half.data(), false);
  water.Insert(full.data(), false);
  display->BgColor = 0x404040;
  display->WaterBuffer = &water;
  display->RenderMode = 4;
  ASSERT_TRUE(Frame());
  ASSERT_TRUE(display->WaterBitmap);
  EXPECT_EQ(display->WaterBitmap->Width, 1000);
  EXPECT_EQ(display->WaterBitmap->Height, 100);
  // 100 rows over the plot rows 30..738: 7.08 pixels a row. Row 98 (the newest) covers 724..730,
  // row 99 keeps the background, the rows above show the older level 0.5.
  const uint32_t newest = display::PackRGBA(display->WaterPalette[255], 255);
  const uint32_t older = display::PackRGBA(display->WaterPalette[127], 255);
  EXPECT_TRUE(ColourNear(Pixel(333, 727), newest, 2));
  EXPECT_TRUE(ColourNear(Pixel(333, 735), 0xFF404040, 2));
  EXPECT_TRUE(ColourNear(Pixel(333, 400), older, 2));
  EXPECT_TRUE(ColourNear(Pixel(333, 718), older, 2));
  display->WaterBuffer = nullptr;
}

TEST_F(DisplayTest, WaterfallWindowShowsColumnsFromTo) {
  // Row columns 400..499 and 600..999 are full, the others 0. A window that starts at column 0 is
  // a window too: only a window of (0, 0) shows the whole row.
  struct Case {
    int from, to, brightX, darkX;  // probe columns of the plot, which spans the window
  };
  const Case cases[] = {
      {200, 700, 950, 300},  // 950 shows row column 663, 300 column 346
      {0, 500, 900, 700},    // 900 shows row column 439, 700 column 341
  };
  WaterfallBuffer water(1000, 10);
  std::vector<float> row(1000, 0.0f);
  for (int i = 0; i < 1000; ++i) row[i] = (i >= 400 && i < 500) || i >= 600 ? 1.0f : 0.0f;
  for (int i = 0; i < 10; ++i) water.Insert(row.data(), false);
  display->WaterBuffer = &water;
  display->RenderMode = 4;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "InitWater(" << c.from << ", " << c.to << ")");
    display->InitWater(c.from, c.to);
    ASSERT_EQ(display->WaterBitmap->Width, c.to - c.from);
    ASSERT_TRUE(Frame());
    const uint32_t full = display::PackRGBA(display->WaterPalette[255], 255);
    EXPECT_TRUE(ColourNear(Pixel(c.brightX, 300), full, 2));
    EXPECT_TRUE(ColourNear(Pixel(c.darkX, 300), 0xFF000000, 2));
  }
  display->WaterBuffer = nullptr;
}

TEST_F(DisplayTest, DigitalWaterfallDrawsChannelZeroInModeFive) {
  DigitalWaterBuffer water(200, 10);
  std::vector<float> levels(200, 255.0f);
  for (int i = 0; i < 10; ++i) water.Insert(levels.data(), 0, i == 9 ? 0.00392f : 0.002f, false);
  display->DigWaterBuffer = &water;
  display->RenderMode = 5;
  display->InitWater(0, 0);  // the digital form: the display has no plain waterfall
  ASSERT_TRUE(display->WaterBitmap);
  EXPECT_EQ(display->WaterBitmap->Width, 200);
  EXPECT_EQ(display->WaterBitmap->Height, 10);
  ASSERT_TRUE(Frame());
  // Ten rows over 708 plot rows; the newest (row 8) covers 596.4 .. 667.2, row 9 the background.
  const uint32_t newest = display::PackRGBA(display->WaterPalette[254], 255);
  const uint32_t older = display::PackRGBA(display->WaterPalette[display::WaterIndex(255 * 0.002f)], 255);
  EXPECT_TRUE(ColourNear(Pixel(700, 630), newest, 2));
  EXPECT_TRUE(ColourNear(Pixel(700, 300), older, 2));
  EXPECT_TRUE(ColourNear(Pixel(700, 700), 0xFF000000, 2));
  display->DigWaterBuffer = nullptr;
}

TEST_F(DisplayTest, GridOfAnEmptyPlotEndsAndHiddenOrSceneLessDisplays) {
  display->SetPosition(0, 0, 400, 60);  // plot height 0
  EXPECT_TRUE(Frame());
  display->Visible = 0;
  EXPECT_TRUE(Frame());
  StdDisplay noScene(nullptr, 1024, 768);
  EXPECT_FALSE(Frame(noScene));
  EXPECT_FALSE(noScene.DisplayBase::Render());
}

TEST(DisplayScene, DisplayMadeBeforeTheDeviceDrawsOnceTheDeviceExists) {
  Application->Initialize();
  ZXBase scene;
  StdDisplay early(&scene, 1024, 768);
  EXPECT_FALSE(early.Render());  // no device yet
  ASSERT_TRUE(scene.CreateDevice(nullptr, 1024, 768));
  NormalBuffer trace(100);
  trace.SetRange(0, 100, 0, 255);
  for (unsigned i = 0; i < 100; ++i) trace.SetPoint(i, 100.0f);
  early.DataBuffer = &trace;
  scene.SetClearColor(0);
  scene.BeginScene();
  EXPECT_TRUE(early.Render());
  EXPECT_TRUE(LineColour(scene.Device->PixelAt(150, 460), 0xFFFFFF00));
}

TEST_F(DisplayTest, FrameIsDrawnOutsideTheViewportInTheTextColour) {
  display->SetPosition(100, 50, 300, 200);
  display->ShowFrame = 1;
  ASSERT_TRUE(Frame());
  EXPECT_TRUE(ColourNear(Pixel(250, 46), 0xFF4DB6CE, 12));
  EXPECT_TRUE(ColourNear(Pixel(92, 150), 0xFF4DB6CE, 12));
}

TEST_F(DisplayTest, ZoomWindowOutlineEndsMarginTopAboveThePlotBottom) {
  NormalBuffer trace(1000);
  trace.SetRange(0, 100e6f, 0, 255);
  display->DataBuffer = &trace;
  display->MarginTop = 60;  // as with a band bar: plot rows 60 .. 738, height 678
  display->ZoomStart = 0;
  display->ZoomEnd = 1000;
  display->ZoomCenter = 50e6;  // indices 450 .. 550 -> x 460.8 .. 563.2
  display->ShowZoomWindow = 1;
  display->RenderMode = 2;
  ASSERT_TRUE(Frame());
  const uint32_t aqua = 0xFF00FFFF;
  EXPECT_TRUE(LineColour(Pixel(510, 678), aqua));  // bottom edge at top + plot height
  EXPECT_TRUE(LineColour(Pixel(510, 60), aqua));
  EXPECT_TRUE(LineColour(Pixel(563, 650), aqua));  // right edge down to there
  EXPECT_FALSE(LineColour(Pixel(563, 700), aqua));  // and no further
  EXPECT_FALSE(LineColour(Pixel(510, 738), aqua));
  EXPECT_TRUE(ColourNear(Pixel(510, 650), 0xFF000000));
  display->DataBuffer = nullptr;
}

// The zoom window maps frequencies of the trace buffer, so a digital display (which has none) draws
// no zoom window; the vertical line maps an index into the zoom window, so an empty window draws no
// line. Either frame is, pixel for pixel, the one drawn with the overlay switched off.
TEST_F(DisplayTest, ZoomWindowWithoutTraceOrWindowDrawsNothing) {
  DigitalBuffer digital(100);
  NormalBuffer trace(1000);
  trace.SetRange(0, 100e6f, 0, 255);
  for (unsigned i = 0; i < 1000; ++i) trace.SetPoint(i, 120.0f);
  struct Case {
    const char* what;
    DigitalBuffer* digital;
    NormalBuffer* trace;
    int zoomStart, zoomEnd;
    bool zoomWindow, vertLine;
    bool drawn;
  };
  const Case cases[] = {
      {"digital display, zoom window", &digital, nullptr, 0, 100, true, false, false},
      {"empty zoom window, vertical line", nullptr, &trace, 500, 500, false, true, false},
      {"empty zoom window, zoom window", nullptr, &trace, 500, 500, true, false, false},
      {"trace, zoom window", nullptr, &trace, 0, 1000, true, false, true},  // the controls
      {"trace, vertical line", nullptr, &trace, 0, 1000, false, true, true},
  };
  display->RenderMode = 2;
  display->ZoomCenter = 50e6;
  display->VertLineIndex = 10;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    display->DigBuffer = c.digital;
    display->DataBuffer = c.trace;
    display->ZoomStart = c.zoomStart;
    display->ZoomEnd = c.zoomEnd;
    display->ShowZoomWindow = 0;
    display->ShowVertLine = 0;
    const std::vector<uint32_t> without = Drawn();
    display->ShowZoomWindow = c.zoomWindow ? 1 : 0;
    display->ShowVertLine = c.vertLine ? 1 : 0;
    EXPECT_EQ(Drawn() != without, c.drawn);
  }
  display->DigBuffer = nullptr;
  display->DataBuffer = nullptr;
}

// The span line marks a frequency span under the plot. Digital displays in the zoomed line and
// bar modes map the span's index once (the doubling belongs to the pair-storing mode 6 only).
TEST_F(DisplayTest, DigitalSpanLineSitsUnderItsFrequencies) {
  DigitalBuffer digital(1000);
  digital.SetRange(0, 1000, 0, 255);
  digital.RangeBarFrom = 200;
  digital.RangeBarTo = 400;
  digital.RangeBarFlag = 1;
  display->DigBuffer = &digital;
  display->ZoomStart = 0;
  display->ZoomEnd = 1000;
  const uint32_t orange = 0xFFFF8000;
  struct Case {
    int mode;
    int inside, outside;  // x probes on the span line's row 740
  };
  const Case cases[] = {
      {2, 300, 600},  // 204.8 .. 409.6
      {9, 300, 600},
      {6, 300, 600},  // index doubled for the pairs, halved by the mapping
      {0, 300, 600},  // unzoomed: x = left + W / span * (f - start)
  };
  for (const auto& c : cases) {
    display->RenderMode = uint8_t(c.mode);
    ASSERT_TRUE(Frame());
    EXPECT_TRUE(LineColour(Pixel(c.inside, 740), orange)) << "mode " << c.mode;
    EXPECT_TRUE(ColourNear(Pixel(c.outside, 740), 0xFF000000)) << "mode " << c.mode;
  }
  digital.RangeBarFlag = 0;
  ASSERT_TRUE(Frame());
  EXPECT_TRUE(ColourNear(Pixel(300, 740), 0xFF000000));
  display->DigBuffer = nullptr;
}

TEST_F(DisplayTest, TraceSpanLineUsesTheZoomMappingInZoomedModes) {
  NormalBuffer trace(1000);
  trace.SetRange(0, 1000, 0, 255);
  trace.RangeBarFrom = 500;
  trace.RangeBarTo = 2000;  // past the end: limited to the plot's right edge
  trace.RangeBarFlag = 1;
  display->DataBuffer = &trace;
  display->ZoomStart = 0;
  display->ZoomEnd = 500;  // the zoom window shows indices 0..499: the span starts on the edge
  display->RenderMode = 2;
  ASSERT_TRUE(Frame());
  EXPECT_TRUE(ColourNear(Pixel(1000, 740), 0xFF000000));
  display->ZoomEnd = 1000;
  ASSERT_TRUE(Frame());
  EXPECT_TRUE(LineColour(Pixel(1000, 740), 0xFFFF8000));
  EXPECT_TRUE(ColourNear(Pixel(400, 740), 0xFF000000));
  display->DataBuffer = nullptr;
}

TEST_F(DisplayTest, CentreMarkerLineRisesFromTheMiddleRowToThePlotTop) {
  NormalBuffer trace(100);
  trace.SetRange(0, 100, 0, 255);
  for (unsigned i = 0; i < 100; ++i) trace.SetPoint(i, 100.0f);
  display->DataBuffer = &trace;
  display->ShowCenterMarker = 1;
  ASSERT_TRUE(Frame());
  EXPECT_TRUE(LineColour(Pixel(512, 300), 0xFFFF0000));  // between row 460 and the plot top 30
  EXPECT_TRUE(ColourNear(Pixel(512, 600), 0xFF808080));  // below the trace only the grid line
  display->DataBuffer = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Draw commands

TEST(GraphCommandList, QueueKeepsOrderUntilClearAll) {
  GraphCommandList list;
  list.ClearAll();  // empty: nothing happens
  EXPECT_EQ(list.GetItem(0), nullptr);
  list.AddCommand(0, 2, 0x0000FF, 3);
  list.AddCommand(8, 2, 0xFFFF00, 1);
  list.AddCommand(6, 3, 0x00FFFF, 1);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.GetItem(3), nullptr);
  const GraphCommandItem* second = list.GetItem(1);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->Channel, 8);
  EXPECT_EQ(second->Kind, 2);
  EXPECT_EQ(second->Color, 0xFFFF00);
  EXPECT_EQ(second->Width, 1);
  EXPECT_EQ(second->FingerA, 0);
  std::vector<GraphCommandItem> copy;
  list.Snapshot(copy);
  ASSERT_EQ(copy.size(), 3u);
  EXPECT_EQ(copy[2].Channel, 6);
  list.ClearAll();
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(DisplayTest, CommandsDrawChannelsInQueueOrder) {
  DigitalBuffer digital(1000);
  for (unsigned i = 0; i < 1000; ++i) {
    digital.SetValue(0, i, 100.0f);  // red, 3 wide
    digital.SetValue(8, i, 100.0f);  // cyan, 1 wide, drawn over it
    digital.SetValue(9, i, 200.0f);
  }
  display->DigBuffer = &digital;
  display->ZoomStart = 0;
  display->ZoomEnd = 1000;
  display->Commands->AddCommand(0, 2, 0x0000FF, 3);
  display->Commands->AddCommand(8, 2, 0xFFFF00, 1);
  display->Commands->AddCommand(9, 2, 0x00FFFF, 1);
  ASSERT_TRUE(Frame());
  // Zoom scale 0..255 on the 708-row plot: level 100 -> row 460, level 200 -> row 182.
  EXPECT_TRUE(LineColour(Pixel(300, 460), 0xFF00FFFF));  // the later cyan line on top
  EXPECT_TRUE(LineColour(Pixel(300, 459), 0xFFFF0000));  // the 3-wide red line around it
  EXPECT_TRUE(LineColour(Pixel(300, 182), 0xFFFFFF00));
  EXPECT_EQ(display->TraceColor, 0x00FFFF);  // the last command's colour stays
  display->DigBuffer = nullptr;
}

TEST_F(DisplayTest, EmptyQueueDrawsTheChannelByRenderMode) {
  DigitalBuffer digital(1000);
  for (unsigned i = 0; i < 1000; ++i) digital.SetValue(4, i, 100.0f);
  display->DigBuffer = &digital;
  display->DigChannel = 4;
  display->ZoomStart = 0;
  display->ZoomEnd = 1000;
  display->RenderMode = 2;
  display->TraceColor = 0x00FF00;
  ASSERT_TRUE(Frame());
  EXPECT_TRUE(LineColour(Pixel(300, 460), 0xFF00FF00));
  EXPECT_TRUE(LineColour(Pixel(300, 461), 0xFF00FF00));  // 3 wide
  display->RenderMode = 8;                               // sets the width, draws nothing
  ASSERT_TRUE(Frame());
  EXPECT_TRUE(ColourNear(Pixel(300, 460), 0xFF000000));
  display->DigBuffer = nullptr;
}

// Threads queue commands, set the title and write the buffer while the GUI thread renders; the
// locks and atomic levels keep this free of data races (checked by the sanitizer build).
TEST_F(DisplayTest, ThreadsMayQueueCommandsAndWriteBuffersDuringRendering) {
  DigitalBuffer digital(1000);
  display->DigBuffer = &digital;
  display->ZoomEnd = 1000;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int pass = 0; pass < 200; ++pass) {
      display->Commands->ClearAll();
      display->Commands->AddCommand(0, 2, 0x0000FF, 3);
      display->Commands->AddCommand(1, 3, 0x00FF00, 1);
      display->SetTitle("Pass " + std::to_string(pass));
      for (unsigned i = 0; i < 1000; ++i) digital.SetValue(pass % 2, i, float(pass % 256));
    }
    done = true;
  });
  int frames = 0;
  while (!done || frames < 3) {
    EXPECT_TRUE(Frame());
    ++frames;
  }
  worker.join();
  EXPECT_EQ(display->Texts()[3], "Pass 199");
  EXPECT_EQ(display->Commands->Count(), 2);
  display->DigBuffer = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Display list

TEST_F(DisplayTest, RenderAllStopsAtADisplayThatCannotDraw) {
  DisplayList list;
  EXPECT_TRUE(list.RenderAll());
  StdDisplay noScene(nullptr, 1024, 768);
  TObject other;
  list.Add(nullptr);
  list.Add(&other);
  list.Add(display.get());
  list.Add(&noScene);
  EXPECT_FALSE(list.RenderAll());
  EXPECT_EQ(list.GetDisplay(-1), nullptr);
  EXPECT_EQ(list.GetDisplay(0), nullptr);
  EXPECT_EQ(list.GetDisplay(1), nullptr);
  EXPECT_EQ(list.GetDisplay(2), display.get());
  EXPECT_EQ(list.GetDisplay(4), nullptr);
  list.Delete(3);
  EXPECT_TRUE(list.RenderAll());
}

// ---------------------------------------------------------------------------------------------
// Labels and band bar

TEST(DisplayText, AnchorsScaleToTheWindow) {
  struct Case {
    int x, anchor, width;
    double sx;
    int left;
  };
  const Case cases[] = {
      {100, 0, 40, 1.25, 125},
      {1024, 1, 80, 1.0, 944},
      {512, 2, 81, 1.0, 472},  // width halved in integers
      {512, 2, 80, 0.5, 216},
  };
  for (const auto& c : cases) EXPECT_EQ(AnchoredLeft(c.x, c.sx, c.width, c.anchor), c.left);
}

// Labels live on the render window, keep their place in the 1024 x 768 space and take the
// display's texts every frame.
class DisplayLabelsTest : public DisplayTest {
 protected:
  void SetUp() override {
    window = new TForm(nullptr);
    window->SetBounds(0, 0, 1280, 960);
    RenderWindow = window;
    DisplayTest::SetUp();
  }
  void TearDown() override {
    display.reset();
    delete window;
    RenderWindow = nullptr;
  }
  TForm* window = nullptr;
};

TEST_F(DisplayLabelsTest, LabelsAreMadeHiddenAndPlacedUnderThePlot) {
  ASSERT_NE(display->LabelLeft, nullptr);
  ASSERT_NE(display->LabelTitle, nullptr);
  EXPECT_FALSE(display->LabelLeft->Visible());
  EXPECT_EQ(display->LabelLeft->Anchor, 0);
  EXPECT_EQ(display->LabelRight->Anchor, 1);
  EXPECT_EQ(display->LabelCenter->Anchor, 2);
  display->PlaceTexts();
  // Y = 768 - 30 + 4 = 742 in the virtual space; the window is 1.25 times as large.
  EXPECT_EQ(display->LabelLeft->Y, 742);
  EXPECT_EQ(display->LabelLeft->Left(), 0);
  EXPECT_EQ(display->LabelLeft->Top(), 927);
  EXPECT_EQ(display->LabelLeft->Font()->Size(), 20);
  EXPECT_EQ(display->LabelLeft->Font()->Name(), "Verdana");
  EXPECT_EQ(display->LabelCenter->X, 512);
  EXPECT_EQ(display->LabelTitle->Y, -2);
  // The right label ends on the plot's right edge with the width of its text as shown.
  display->CustomText("1.000", "2.000", "3.000");
  ASSERT_TRUE(Frame());
  display->PlaceTexts();
  EXPECT_EQ(display->LabelRight->Left() + display->LabelRight->Width(), 1280);
  // A longer text in a later frame (the detail's stop frequency after the overview's) grows the
  // label to the left: it still ends on the plot's edge.
  display->CustomText("1.000", "2.000", "615.000000");
  ASSERT_TRUE(Frame());
  EXPECT_EQ(display->LabelRight->Caption(), "615.000000");
  EXPECT_EQ(display->LabelRight->Left() + display->LabelRight->Width(), 1280);
}

TEST_F(DisplayLabelsTest, FramesHandTheTextsToTheLabels) {
  display->CustomText("left", "centre", "right");
  display->SetTitle("title");
  display->ShowTexts();
  ASSERT_TRUE(Frame());
  EXPECT_EQ(display->LabelLeft->Caption(), "left");
  EXPECT_EQ(display->LabelCenter->Caption(), "centre");
  EXPECT_EQ(display->LabelRight->Caption(), "right");
  EXPECT_EQ(display->LabelTitle->Caption(), "title");
  EXPECT_TRUE(display->LabelTitle->Visible());
  display->HideTexts();
  EXPECT_FALSE(display->LabelLeft->Visible());
  display->DeleteTexts();
  EXPECT_EQ(display->LabelLeft, nullptr);
  EXPECT_NE(display->LabelTitle, nullptr);
  ASSERT_TRUE(Frame());  // missing labels are skipped
}

TEST_F(DisplayLabelsTest, WindowMayGoBeforeTheDisplay) {
  delete window;  // the window only parents the labels; the display still owns them
  window = nullptr;
  RenderWindow = nullptr;
  display->SetTitle("after");
  display.reset();
}

TEST(BandBar, BandsFillTheirShareOfTheRange) {
  RangeDefList bands;
  bands.AddItem("A", 80, 120);   // begins before the range
  bands.AddItem("B", 300, 400);  // outside: not drawn, but still toggles the colour
  bands.AddItem("C", 150, 170);  // wholly inside
  bands.AddItem("D", 190, 250);  // ends after the range
  bands.AddItem("E", 50, 500);   // covers the range
  bands.GetItem(2)->Inside = 1;
  const auto placed = LayoutBands(bands, 1000, 100, 200);
  ASSERT_EQ(placed.size(), 4u);
  struct Expect {
    int index, x1, x2;
    bool lower, alternate, covers;
  };
  const Expect expected[] = {
      {0, 0, 200, false, false, false},
      {2, 500, 700, true, false, false},
      {3, 900, 1000, false, true, false},
      {4, 0, 1000, false, false, true},
  };
  for (size_t i = 0; i < placed.size(); ++i) {
    EXPECT_EQ(placed[i].index, expected[i].index);
    EXPECT_EQ(placed[i].x1, expected[i].x1);
    EXPECT_EQ(placed[i].x2, expected[i].x2);
    EXPECT_EQ(placed[i].lowerHalf, expected[i].lower);
    EXPECT_EQ(placed[i].alternate, expected[i].alternate);
    EXPECT_EQ(placed[i].coversRange, expected[i].covers);
  }
  EXPECT_EQ(BandNameX(placed[0], 1000, 50), 75);            // 0 + 100 - 25
  EXPECT_EQ(BandNameX(placed[0], 1000, 200), INT_MIN);      // does not fit
  EXPECT_EQ(BandNameX(placed[3], 1000, 50), 442);           // 500 - 50 - 8
  EXPECT_TRUE(LayoutBands(bands, 1000, 100, 100).empty());  // an empty range shows no band
}

TEST_F(DisplayTest, BandBarMovesThePlotDownAndDrawsItsSprite) {
  RangeDefList bands;
  bands.AddItem("Band", 0, 1000);
  display->CreateRangeBar(&bands, static_cast<TGraphic*>(nullptr), 100, 200);
  EXPECT_EQ(display->MarginTop, 60);
  ASSERT_NE(display->RangeBar, nullptr);
  ASSERT_NE(display->RangeBar->Texture, nullptr);
  EXPECT_EQ(display->RangeBar->Texture->Width(), 1024);
  EXPECT_EQ(display->RangeBar->Texture->Height(), 24);
  ASSERT_TRUE(Frame());
  // Fill 0x002680 (red 0x80, green 0x26) at alpha 160 over black, in the upper half of the bar.
  const uint32_t p = Pixel(20, 38);
  EXPECT_NEAR(Red(p), 0x80 * 160 / 255, 3);
  EXPECT_NEAR(Green(p), 0x26 * 160 / 255, 3);
}

// A window of indices 0..10 over a 20-point trace, 1024 columns: in the window's last tenth the line
// rises from point 9 (level 0) towards point 10 (level 255), which lies beyond the window but in the
// buffer. With the window reaching the buffer's end there is no point 10: the line stays at level 0.
TEST_F(DisplayTest, ZoomedLineRisesTowardsThePointAfterTheWindow) {
  NormalBuffer trace(20);
  trace.SetRange(0, 20, 0, 255);
  for (unsigned i = 10; i < 20; ++i) trace.SetPoint(i, 255.0f);
  display->DataBuffer = &trace;
  display->RenderMode = 2;
  display->ZoomStart = 0;
  display->ZoomEnd = 10;
  ASSERT_TRUE(Frame());
  // Column 1000: p = 9.766, level 195.3, row 30 + trunc(708 - 708 / 255 * 195.3) = 195.
  const uint32_t yellow = 0xFFFFFF00;
  auto litNear = [&](int x, int row) {
    for (int y = row - 6; y <= row + 6; ++y)
      if (LineColour(Pixel(x, y), yellow)) return true;
    return false;
  };
  EXPECT_TRUE(litNear(1000, 195));
  EXPECT_TRUE(ColourNear(Pixel(1000, 737), 0xFF000000));
  EXPECT_TRUE(litNear(500, 737));  // inside the window: level 0 at the plot bottom (row 738)

  NormalBuffer shortTrace(10);  // the window ends at the buffer's end: nothing to rise towards
  shortTrace.SetRange(0, 10, 0, 255);
  display->DataBuffer = &shortTrace;
  ASSERT_TRUE(Frame());
  EXPECT_TRUE(litNear(1000, 737));
  EXPECT_TRUE(ColourNear(Pixel(1000, 195), 0xFF000000));
  display->DataBuffer = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Reads at the end of the data

// A zoom window of 100 indices from index 50 over a 100-point buffer: the right half of the plot
// lies past the data and shows level 0. The renderers read the levels there, the first of them
// exactly at the buffer's count.
struct PastTheEndCase {
  const char* name;
  bool digital;
  int mode;
  int traceRow;  // a row the trace covers at column 150, or -1
};

const PastTheEndCase PastTheEndCases[] = {
    {"TraceLine", false, 2, 182},  {"TraceBars", false, 3, 300},  {"TracePairs", false, 6, -1},
    {"DigitalLine", true, 2, 182}, {"DigitalBars", true, 3, 300}, {"DigitalMinMax", true, 6, 300},
    {"Finger", true, 7, 300},      {"Difference", true, 9, 300},  {"MaxHold", true, 10, 300},
};

void PrintTo(const PastTheEndCase& c, std::ostream* os) { *os << c.name; }

class ZoomPastTheEndTest : public DisplayTest, public ::testing::WithParamInterface<PastTheEndCase> {};

TEST_P(ZoomPastTheEndTest, WindowPastTheDataShowsLevelZero) {
  const PastTheEndCase& c = GetParam();
  NormalBuffer trace(100);
  DigitalBuffer digital(100);
  trace.SetRange(0, 100, 0, 255);
  digital.SetRange(0, 100, 0, 255);
  for (unsigned i = 0; i < 100; ++i) {
    trace.SetPoint(i, 200.0f);
    for (int channel = 0; channel < 4; ++channel) digital.SetValue(channel, i, 200.0f);
  }
  if (c.digital)
    display->DigBuffer = &digital;
  else
    display->DataBuffer = &trace;
  display->RenderMode = c.mode;
  display->ZoomStart = 50;
  display->ZoomEnd = 150;
  ASSERT_TRUE(Frame());
  // Level 200 on the zoom scale: row 30 + trunc(708 - 708 / 255 * 200) = 182.
  if (c.traceRow >= 0) {
    EXPECT_FALSE(ColourNear(Pixel(150, c.traceRow), 0xFF000000));
  }
  EXPECT_TRUE(ColourNear(Pixel(850, 300), 0xFF000000));
  EXPECT_TRUE(ColourNear(Pixel(850, 182), 0xFF000000));
  display->DigBuffer = nullptr;
  display->DataBuffer = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Modes, ZoomPastTheEndTest, ::testing::ValuesIn(PastTheEndCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Twenty bands over five points: bands 5 to 19 read level 0 and stay at the plot bottom.
TEST_F(DisplayTest, MobileBandsPastThePointsShowLevelZero) {
  DigitalBuffer bands(5);
  for (unsigned k = 0; k < 5; ++k) {
    bands.SetValue(0, k, 150.0f);
    bands.SetValue(1, k, 150.0f);
  }
  bands.SetValue(3, 0, 100.0f);  // threshold
  display->DigBuffer = &bands;
  display->RenderMode = 11;
  ASSERT_TRUE(Frame());
  // Band 2: the line at x 25 rises to row 30 + trunc(708 - 708 / 255 * 150) = 321, above the
  // threshold: yellow. Band 12 (x 125) has no point.
  EXPECT_TRUE(LineColour(Pixel(25, 500), 0xFFFFFF00));
  EXPECT_TRUE(ColourNear(Pixel(125, 500), 0xFF000000));
  EXPECT_TRUE(ColourNear(Pixel(125, 400), 0xFF000000));
  display->DigBuffer = nullptr;
}

// ---------------------------------------------------------------------------------------------
// What a frame draws with a digital buffer, and without a data buffer

// A display with both buffers draws the digital channels only: its frame is, pixel for pixel, the
// one drawn without the data buffer (the data trace stands at another level than the channel).
TEST_F(DisplayTest, DigitalBufferIsDrawnInsteadOfTheDataBuffer) {
  NormalBuffer trace(100);
  trace.SetRange(0, 100, 0, 255);
  DigitalBuffer digital(100);
  for (unsigned i = 0; i < 100; ++i) {
    trace.SetPoint(i, 200.0f);
    digital.SetValue(0, i, 100.0f);
  }
  display->ZoomStart = 0;
  display->ZoomEnd = 100;
  display->RenderMode = 2;
  display->TraceColor = 0x0000FF;
  display->ShowCenterMarker = 1;
  display->Commands->AddCommand(0, 2, 0x00FF00, 3);
  display->DataBuffer = &trace;
  ASSERT_TRUE(Frame());
  EXPECT_TRUE(LineColour(Pixel(300, 182), 0xFFFF0000)) << "the data trace alone, at level 200";
  display->DigBuffer = &digital;
  const std::vector<uint32_t> both = Drawn();
  EXPECT_TRUE(LineColour(Pixel(300, 460), 0xFF00FF00)) << "channel 0 at level 100";
  EXPECT_FALSE(LineColour(Pixel(300, 182), 0xFFFF0000));
  display->DataBuffer = nullptr;
  EXPECT_TRUE(Drawn() == both);
  display->DigBuffer = nullptr;
}

// Each overlay of the trace (a peak marker, the zoom window, the vertical line, the centre marker, a
// fading symbol) changes the frame of a display with a data buffer, and leaves the frame of one
// without a data buffer exactly as it was.
TEST_F(DisplayTest, WithoutDataBufferAFrameDrawsNoMarkersOverlaysCentreMarkerOrSymbols) {
  // The marker and symbol pictures of the program folder.
  const std::string folder = ProgramFolder;
  ProgramFolder = std::string(RT_BIN_DIR) + "/";
  display = std::make_unique<StdDisplay>(&scene, 1024, 768);
  NormalBuffer trace(1000);
  trace.SetRange(0, 100e6f, 0, 255);
  for (unsigned i = 0; i < 1000; ++i) trace.SetPoint(i, 120.0f);
  display->RenderMode = 2;
  display->ZoomStart = 0;
  display->ZoomEnd = 1000;
  display->ZoomCenter = 30e6;
  display->VertLineIndex = 700;
  ASSERT_EQ(display->Markers->Add(scene.Device, 800.0f, 200.0f), 0);
  struct Overlay {
    const char* name;
    std::function<void(bool)> show;
  };
  const Overlay overlays[] = {
      {"peak marker", [&](bool on) { display->Markers->Get(0)->Visible = on ? 1 : 0; }},
      {"zoom window", [&](bool on) { display->ShowZoomWindow = on ? 1 : 0; }},
      {"vertical line", [&](bool on) { display->ShowVertLine = on ? 1 : 0; }},
      {"centre marker", [&](bool on) { display->ShowCenterMarker = on ? 1 : 0; }},
      {"symbol",
       [&](bool on) {
         if (on)
           display->Symbols->StartFade(0, 1000.0);
         else
           display->Symbols->Get(0)->Visible = display->Symbols->Get(0)->Fading = 0;
       }},
  };
  for (const Overlay& o : overlays) o.show(false);
  for (const Overlay& o : overlays) {
    SCOPED_TRACE(o.name);
    for (NormalBuffer* data : {static_cast<NormalBuffer*>(&trace), static_cast<NormalBuffer*>(nullptr)}) {
      display->DataBuffer = data;
      const std::vector<uint32_t> plain = Drawn();
      o.show(true);
      EXPECT_EQ(Drawn() != plain, data != nullptr) << (data ? "with" : "without") << " a data buffer";
      o.show(false);
    }
  }
  display->DataBuffer = nullptr;
  ProgramFolder = folder;
}

}  // namespace
