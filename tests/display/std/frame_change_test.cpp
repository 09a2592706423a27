// The idle pass draws the displays again and again. A pass in which nothing a display shows has
// changed rasterises nothing; a pass after any change presents exactly the picture that drawing
// the pass from scratch gives.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "base/Globals.h"
#include "base/RangeDef.h"
#include "display/DirectXBase.h"
#include "display/Display.h"
#include "platform/vcl/Forms.h"

namespace {

// The program folder's images (symbols, markers) for the displays made while it lives.
struct WithImages {
  WithImages() : saved(ProgramFolder) { ProgramFolder = std::string(RT_BIN_DIR) + "/"; }
  ~WithImages() { ProgramFolder = saved; }
  std::string saved;
};

// A scene with a display showing a trace, a waterfall source and a band bar.
struct Rig {
  Rig() {
    scene.CreateDevice(nullptr, 1024, 768);
    display = std::make_unique<StdDisplay>(&scene, 1024, 768);
    trace.SetRange(0.0f, 100e6f, 0.0f, 255.0f);
    for (unsigned i = 0; i < 200; ++i) trace.SetPoint(i, float(60 + i % 50));
    std::vector<float> row(200, 0.5f);
    for (int i = 0; i < 50; ++i) water.Insert(row.data(), false);
    display->DataBuffer = &trace;
    display->WaterBuffer = &water;
    bands.AddItem("Band", 0, 1000);
  }
  ~Rig() {
    display->DataBuffer = nullptr;
    display->WaterBuffer = nullptr;
    display->DigWaterBuffer = nullptr;
    if (lower) lower->DataBuffer = nullptr;
  }

  // A second display under the first one, with a trace of its own.
  void AddLowerDisplay() {
    display->SetPosition(20, 20, 980, 400);
    lower = std::make_unique<StdDisplay>(&scene, 1024, 768);
    lower->SetPosition(20, 480, 980, 260);
    for (unsigned i = 0; i < 200; ++i) lowerTrace.SetPoint(i, float(100 + i % 30));
    lowerTrace.SetRange(0.0f, 100e6f, 0.0f, 255.0f);
    lower->DataBuffer = &lowerTrace;
  }

  // One idle pass as the main window runs it: begin (clear), the displays, end (present). Handing
  // out the back buffer makes the device rasterise every operation at once: the reference.
  // The window (of another size than the frame) repaints only the area the present asks for.
  void Pass(bool fromScratch = false) {
    scene.BeginScene();
    if (fromScratch) scene.Device->BackBuffer();
    display->Render();
    if (lower) lower->Render();
    scene.EndScene();
    if (window.empty()) window.assign(size_t(WindowWidth) * WindowHeight, 0xFF00FF00u);
    for (const auto& area : scene.Device->RepaintAreas(WindowWidth, WindowHeight))
      scene.Device->RepaintPresented(window, WindowWidth, WindowHeight, area);
  }
  std::vector<uint32_t> Shown() const { return scene.Device->GrabPresented(1024, 768); }
  // The presented frame painted whole over the window.
  std::vector<uint32_t> Whole() const { return scene.Device->GrabPresented(WindowWidth, WindowHeight); }

  static constexpr int WindowWidth = 800, WindowHeight = 560;
  std::vector<uint32_t> window;
  int Draws() const { return scene.Device->DrawCount(); }

  WithImages images;
  ZXBase scene;
  std::unique_ptr<StdDisplay> display, lower;
  NormalBuffer trace{200}, lowerTrace{200};
  DigitalWaterBuffer digitalWater{200, 40};
  WaterfallBuffer water{200, 50};
  WaterfallBuffer otherWater{200, 50};
  RangeDefList bands;
};

struct ChangeCase {
  const char* name;
  std::function<void(Rig&)> setUp;   // before the first pass
  std::function<void(Rig&)> change;  // between the unchanged passes and the changed one
};

class FrameChangeTest : public ::testing::TestWithParam<ChangeCase> {
 protected:
  static void SetUpTestSuite() { Application->Initialize(); }
};

TEST_P(FrameChangeTest, UnchangedPassesDrawNothingAndAChangeShowsAsDrawnFromScratch) {
  const ChangeCase& c = GetParam();
  Rig rig, reference;
  for (Rig* r : {&rig, &reference}) c.setUp(*r);
  // The first pass also sets the clear colour of the next one: the picture settles with the second.
  for (int pass = 0; pass < 2; ++pass) {
    rig.Pass();
    reference.Pass(true);
  }
  const std::vector<uint32_t> first = rig.Shown();
  EXPECT_EQ(first, reference.Shown());
  EXPECT_EQ(rig.window, reference.Whole());

  const int draws = rig.Draws();
  rig.Pass();
  rig.Pass();
  EXPECT_EQ(rig.Draws(), draws) << "an unchanged pass draws nothing";
  EXPECT_EQ(rig.Shown(), first);

  // The change shows in the next pass (a background in the one after), exactly as from scratch.
  for (Rig* r : {&rig, &reference}) c.change(*r);
  for (int pass = 0; pass < 2; ++pass) {
    rig.Pass();
    reference.Pass(true);
    EXPECT_EQ(rig.Shown(), reference.Shown());
    EXPECT_EQ(rig.window, reference.Whole()) << "the window repainted in part shows the whole frame";
  }
  EXPECT_GT(rig.Draws(), draws);
  EXPECT_NE(rig.Shown(), first) << "the change must show";

  const int changed = rig.Draws();
  rig.Pass();
  EXPECT_EQ(rig.Draws(), changed);
  EXPECT_EQ(rig.Shown(), reference.Shown());
  EXPECT_EQ(rig.window, reference.Whole());
}

void Nothing(Rig&) {}
void Waterfall(Rig& r) { r.display->RenderMode = 4; }
void DigitalWaterfall(Rig& r) {
  std::vector<float> row(200, 100.0f);
  for (int i = 0; i < 40; ++i) r.digitalWater.Insert(row.data(), 0, 0.00392f, false);
  r.display->DigWaterBuffer = &r.digitalWater;
  r.display->RenderMode = 5;
}
void TwoDisplays(Rig& r) { r.AddLowerDisplay(); }

const ChangeCase ChangeCases[] = {
    {"TraceLevel", Nothing, [](Rig& r) { r.trace.SetPoint(77, 200.0f); }},
    {"TraceColour", Nothing, [](Rig& r) { r.display->TraceColor = 0x00FF00; }},
    {"RenderMode", Nothing, [](Rig& r) { r.display->RenderMode = 1; }},
    {"Background", Nothing, [](Rig& r) { r.display->BgColor = 0x302010; }},
    {"Grid", Nothing, [](Rig& r) { r.display->GridDivX = 7; }},
    {"Place", Nothing, [](Rig& r) { r.display->SetPosition(10, 20, 900, 600); }},
    {"ZoomWindow", Nothing,
     [](Rig& r) {
       r.display->ZoomStart = 0;
       r.display->ZoomEnd = 200;
       r.display->ZoomCenter = 50e6;
       r.display->ShowZoomWindow = 1;
     }},
    {"VerticalLine", Nothing,
     [](Rig& r) {
       r.display->ZoomStart = 0;
       r.display->ZoomEnd = 200;
       r.display->VertLineIndex = 80;
       r.display->ShowVertLine = 1;
     }},
    {"BandBar", [](Rig& r) { r.display->CreateRangeBar(&r.bands, static_cast<TGraphic*>(nullptr), 100, 200); },
     [](Rig& r) { r.display->CreateRangeBar(&r.bands, static_cast<TGraphic*>(nullptr), 500, 1500); }},
    {"WaterfallScrolls", Waterfall,
     [](Rig& r) {
       std::vector<float> row(200, 1.0f);
       r.water.Insert(row.data(), false);
     }},
    {"WaterfallOneLevel", Waterfall,
     [](Rig& r) {
       std::vector<float> row(200, 0.5f);
       row[120] = 0.8f;
       r.water.SetARow(7, row.data());
     }},
    {"WaterfallCleared", Waterfall, [](Rig& r) { r.water.Clear(); }},
    {"WaterfallBufferReplaced", Waterfall,
     [](Rig& r) {
       std::vector<float> row(200, 0.2f);
       for (int i = 0; i < 50; ++i) r.otherWater.Insert(row.data(), false);
       r.display->WaterBuffer = &r.otherWater;
     }},
    {"Hidden", Nothing, [](Rig& r) { r.display->Visible = 0; }},
    {"DigitalWaterfallScrolls", DigitalWaterfall,
     [](Rig& r) {
       std::vector<float> row(200, 200.0f);
       r.digitalWater.Insert(row.data(), 0, 0.00392f, false);
     }},
    {"DigitalWaterfallCleared", DigitalWaterfall, [](Rig& r) { r.digitalWater.Clear(); }},
    // A fading symbol's next step: its alpha only.
    {"SymbolFadeStep", [](Rig& r) { r.display->Symbols->StartFade(0, 1e6); },
     [](Rig& r) { r.display->Symbols->Get(0)->FadeStart -= 5e5; }},
    {"MarkerAlpha",
     [](Rig& r) {
       const int i = r.display->Markers->Add(r.scene.Device, 300.0f, 200.0f);
       r.display->Markers->Get(unsigned(i))->Visible = 1;
     },
     [](Rig& r) { r.display->Markers->Get(0)->SetColor(0xFFFF00, 100); }},
    // Two displays in rows of their own: a change in one leaves the rows of the other as they were.
    {"LowerDisplayTrace", TwoDisplays, [](Rig& r) { r.lowerTrace.SetPoint(50, 250.0f); }},
    {"UpperDisplayTrace", TwoDisplays, [](Rig& r) { r.trace.SetPoint(120, 30.0f); }},
    {"BothDisplayTraces", TwoDisplays,
     [](Rig& r) {
       r.trace.SetPoint(10, 250.0f);
       r.lowerTrace.SetPoint(190, 20.0f);
     }},
};

// The waterfall picture is filled again only after its buffer changed: a pixel written into the
// picture by hand stays through unchanged passes and is overwritten by the next fill.
struct WaterfallKind {
  const char* name;
  std::function<void(Rig&)> setUp;
  std::function<void(Rig&)> change;
};

class WaterfallFillTest : public ::testing::TestWithParam<WaterfallKind> {
 protected:
  static void SetUpTestSuite() { Application->Initialize(); }
};

TEST_P(WaterfallFillTest, ThePictureIsFilledAgainOnlyWhenItsBufferChanged) {
  Rig rig;
  GetParam().setUp(rig);
  rig.Pass();
  ASSERT_TRUE(rig.display->WaterBitmap);
  std::vector<uint32_t>& pixels = rig.display->WaterBitmap->Pixels;
  const uint32_t filled = pixels[0];
  pixels[0] = filled ^ 0x00FFFFFFu;
  rig.Pass();
  rig.Pass();
  EXPECT_EQ(pixels[0], filled ^ 0x00FFFFFFu) << "refilled without a change";
  GetParam().change(rig);
  rig.Pass();
  EXPECT_NE(pixels[0], filled ^ 0x00FFFFFFu) << "not refilled after a change";
}

const WaterfallKind WaterfallKinds[] = {
    {"Intensity", Waterfall,
     [](Rig& r) {
       std::vector<float> row(200, 0.5f);
       r.water.Insert(row.data(), false);
     }},
    {"Digital", DigitalWaterfall,
     [](Rig& r) {
       std::vector<float> row(200, 100.0f);
       r.digitalWater.Insert(row.data(), 0, 0.00392f, false);
     }},
};

// The intensity picture is brought up to its ring row by row (moved up as the ring advances, only
// the rows written since filled): after every step it equals the picture filled whole from the ring.
TEST(WaterfallScrollTest, TheScrolledPictureEqualsAWholeFillAfterEveryStep) {
  Application->Initialize();
  Rig scrolled, whole;
  for (Rig* r : {&scrolled, &whole}) Waterfall(*r);
  const auto row = [](float level, int peak) {
    std::vector<float> values(200, level);
    values[size_t(peak)] = 0.9f;
    return values;
  };
  const std::vector<std::function<void(WaterfallBuffer&)>> steps = {
      [&](WaterfallBuffer& w) { w.Insert(row(0.1f, 3).data(), false); },
      [&](WaterfallBuffer& w) { w.Insert(row(0.3f, 40).data(), false); },
      [&](WaterfallBuffer& w) { w.Insert(row(0.6f, 41).data(), true); },  // the newest row again
      [&](WaterfallBuffer& w) {
        for (int i = 0; i < 3; ++i) w.Insert(row(0.2f * float(i), 10 + i).data(), false);
      },
      [&](WaterfallBuffer& w) { w.SetARow(5, row(0.7f, 100).data()); },
      [&](WaterfallBuffer& w) { w.Clear(); },
      [&](WaterfallBuffer& w) { w.Insert(row(0.8f, 150).data(), false); },
      [&](WaterfallBuffer& w) {  // more rows than the ring holds
        for (int i = 0; i < 60; ++i) w.Insert(row(0.01f * float(i), i).data(), false);
      },
      [&](WaterfallBuffer& w) { w.Insert(row(0.4f, 199).data(), false); },
  };
  for (size_t step = 0; step < steps.size(); ++step) {
    for (Rig* r : {&scrolled, &whole}) steps[step](r->water);
    scrolled.Pass();
    whole.display->WaterBitmap.reset();
    whole.Pass();
    ASSERT_TRUE(scrolled.display->WaterBitmap && whole.display->WaterBitmap);
    EXPECT_EQ(scrolled.display->WaterBitmap->Pixels, whole.display->WaterBitmap->Pixels) << "step " << step;
    EXPECT_EQ(scrolled.Shown(), whole.Shown()) << "step " << step;
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, WaterfallFillTest, ::testing::ValuesIn(WaterfallKinds),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Changes, FrameChangeTest, ::testing::ValuesIn(ChangeCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
