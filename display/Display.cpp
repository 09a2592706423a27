// DisplayBase and StdDisplay: construction, texts, band bar, markers and symbols.
#include "display/Display.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "display/DirectXBase.h"
#include "display/Imagebase.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "base/Globals.h"
#include "base/Guard.h"
#include "base/Log.h"
#include "base/RangeDef.h"

std::string MarkerTextureName = "Cursor002.tga";

namespace {

std::string ImagesPath(const std::string& file) {
  const std::string folder = ProgramFolder.empty() ? GetProgramFolder() : ProgramFolder;
  return PlatformPath(folder + "Images\\" + file);
}

ZSprite* NewSprite(scene::Device* device) {
  return Guarded("Fehler 'new Sprite' !", [&] { return new ZSprite(device); });
}

// The line object of a display seen as a sink of the vertex generators.
class SceneLineSink : public display::LineSink {
 public:
  explicit SceneLineSink(scene::Line* line) : line_(line) {}
  void SetWidth(float width) override {
    if (line_) line_->SetWidth(width);
  }
  float GetWidth() const override { return line_ ? line_->GetWidth() : 1.0f; }
  void Draw(const display::Vec2* points, int count, uint32_t argb) override {
    if (line_) line_->Draw(points, count, argb);
  }

 private:
  scene::Line* line_;
};

int HsvOfImaging(double hue, double saturation, double value) {
  return HSVToColor(HSVColor{hue, saturation, value});
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Markers and symbols

MarkerBase::MarkerBase(scene::Device* device) {
  Sprite = NewSprite(device);
  Sprite->LoadTexture(ImagesPath(MarkerTextureName), true, 32, 32);
  SetColor(0xFFFF00, 160);
  Visible = 0;
}

MarkerBase::~MarkerBase() { delete Sprite; }

void MarkerBase::SetPosition(float x, float y) { Sprite->Position = {x, y, 0.0f}; }

void MarkerBase::SetColor(TColorValue colour, uint8_t alpha) { Sprite->SetColor(colour, alpha); }

void MarkerBase::Draw() {
  if (Visible) Sprite->Draw();
}

MarkerListBase::~MarkerListBase() { Clear(); }

int MarkerListBase::Add(scene::Device* device, float x, float y) {
  auto* marker = new MarkerBase(device);
  marker->SetPosition(x, y);
  items_.push_back(marker);
  return int(items_.size()) - 1;
}

MarkerBase* MarkerListBase::Get(unsigned index) const {
  return index < items_.size() ? items_[index] : nullptr;
}

void MarkerListBase::Clear() {
  for (auto* marker : items_) delete marker;
  items_.clear();
}

void MarkerListBase::DrawAll() {
  for (auto* marker : items_) marker->Draw();
}

DisplaySymbolBase::DisplaySymbolBase(scene::Device* device) : Device(device) { Sprite = NewSprite(device); }

DisplaySymbolBase::~DisplaySymbolBase() { delete Sprite; }

void DisplaySymbolBase::Load(const std::string& file, TColorValue colour, uint8_t alpha, int width,
                             int height) {
  Sprite->LoadTexture(ImagesPath(file), true, width, height);
  SetColor(colour, alpha);
  Visible = 0;
}

void DisplaySymbolBase::SetPosition(float x, float y) { Sprite->Position = {x, y, 0.0f}; }

void DisplaySymbolBase::SetColor(TColorValue colour, uint8_t alpha) {
  Sprite->SetColor(colour, alpha);
  Color = colour;
}

void DisplaySymbolBase::StartFade(double seconds) {
  FadeDuration = seconds;
  Fading = 1;
  Visible = 1;
  FadeStart = double(GetPerformanceSeconds());
}

void DisplaySymbolBase::Draw() {
  if (!Visible) return;
  if (Fading) {
    const int alpha = FadeAlpha(double(GetPerformanceSeconds()) - FadeStart, FadeDuration);
    if (alpha < 0) {
      Fading = 0;
      Visible = 0;
      return;
    }
    SetColor(Color, uint8_t(alpha));
  }
  Sprite->Draw();
}

DisplaySymbolList::DisplaySymbolList(scene::Device* device) : Device(device) {}

DisplaySymbolList::~DisplaySymbolList() {
  for (auto* symbol : items_) delete symbol;
}

DisplaySymbolBase* DisplaySymbolList::AddSymbol(const std::string& file, TColorValue colour, uint8_t alpha,
                                                int width, int height) {
  auto* symbol = new DisplaySymbolBase(Device);
  symbol->Load(file, colour, alpha, width, height);
  items_.push_back(symbol);
  return symbol;
}

void DisplaySymbolList::Add(DisplaySymbolBase* symbol) {
  if (symbol) items_.push_back(symbol);
}

DisplaySymbolBase* DisplaySymbolList::Get(int index) const {
  return index >= 0 && index < int(items_.size()) ? items_[index] : nullptr;
}

void DisplaySymbolList::StartFade(int index, double seconds) {
  if (DisplaySymbolBase* symbol = Get(index)) symbol->StartFade(seconds);
}

void DisplaySymbolList::DrawAll() {
  if (!DrawEnabled) return;
  for (auto* symbol : items_) symbol->Draw();
}

// ---------------------------------------------------------------------------------------------
// DisplayBase

DisplayBase::DisplayBase(ZXBase* xbase, int width, int height) {
  Guarded("DisplayBase::DisplayBase", [&] {
    XBase = xbase;
    Width = width;
    Height = height;
    ViewPort = {0, 0, width, height};
    for (auto& scratch : Vertices) scratch.resize(display::ScratchPoints);
    if (scene::Device* device = SceneDevice()) Line = std::make_unique<scene::Line>(*device);
    sink_ = std::make_unique<SceneLineSink>(Line.get());
    if (Application) Application->ProcessMessages();
  });
}

DisplayBase::~DisplayBase() { XBase = nullptr; }

scene::Device* DisplayBase::SceneDevice() const { return XBase ? XBase->Device : nullptr; }

display::LineSink& DisplayBase::Lines() { return *sink_; }

void DisplayBase::SetPosition(int x, int y, int width, int height) {
  ViewPort = {x, y, x + width, y + height};
}

display::PlotGeometry DisplayBase::Geometry() const {
  display::PlotGeometry g;
  g.Left = ViewPort.left;
  g.Top = ViewPort.top;
  g.Right = ViewPort.right;
  g.Bottom = ViewPort.bottom;
  g.MarginTop = MarginTop;
  g.MarginBottom = MarginBottom;
  return g;
}

bool DisplayBase::Render() {
  return Guarded("DisplayBase::Render", [&] {
    if (!Visible) return true;
    if (!SceneDevice() || Width < 1 || Height < 1) return false;
    if (!Line) {  // the scene got its device after this display was made
      Line = std::make_unique<scene::Line>(*SceneDevice());
      sink_ = std::make_unique<SceneLineSink>(Line.get());
    }
    XBase->SetClearColor(BgColor);
    Line->SetWidth(GridWidth);
    Line->SetAntialias(true);
    Line->SetGLLines(true);
    const display::PlotGeometry g = Geometry();
    // No window messages run between the grid lines: an event run mid-frame could free this display.
    display::DrawGrid(g, GridDivX, GridDivY, D_RGBA(GridColor, GridAlpha), Lines());
    if (ShowFrame) display::DrawFrame(g, D_RGBA(TextColor, 255), Lines());
    return true;
  });
}

// ---------------------------------------------------------------------------------------------
// StdDisplay: construction and texts

StdDisplay::StdDisplay(ZXBase* xbase, int width, int height) : DisplayBase(xbase, width, height) {
  Guarded("StdDisplay::StdDisplay", [&] {
    BarAlpha = 127.0f;
    MarginTop = 30;
    MarginBottom = 30;
    scene::Device* device = SceneDevice();
    Markers = new MarkerListBase();
    CenterMarker = new MarkerBase(device);
    ShowCenterMarker = 0;
    Symbols = new DisplaySymbolList(device);
    for (int i = 1; i <= 8; ++i) {
      const std::string name = "DisplaySymbol00" + std::to_string(i) + ".tga";
      DisplaySymbolBase* symbol = Symbols->AddSymbol(name, 0xFFFFFF, 255, 100, 128);
      symbol->SetPosition(float(ViewPort.left + 100), float(ViewPort.top + 150));
    }
    ExtraBuffers.fill(nullptr);
    InitMinMax();
    if (Application) Application->ProcessMessages();
    Commands = new GraphCommandList();
    ClampToPlot = 0;
    MobilV2Mode = 0;
    CreateTexts();
  });
}

StdDisplay::~StdDisplay() {
  Guarded("StdDisplay::~StdDisplay", [&] {
    DeleteTexts();
    delete LabelTitle;
    delete Commands;
    WaterBitmap.reset();
    delete RangeBar;
    delete Symbols;
    delete CenterMarker;
    delete Markers;
    DataBuffer = nullptr;
    WaterBuffer = nullptr;
    DigBuffer = nullptr;
    DigWaterBuffer = nullptr;
  });
}

void StdDisplay::SetUnit(const std::string& unit) {
  {
    std::lock_guard<std::mutex> hold(textLock_);
    Unit = unit;
  }
  GenerateText();
}

void StdDisplay::SetTitle(const std::string& title) {
  std::lock_guard<std::mutex> hold(textLock_);
  TextTitle = title;
}

void StdDisplay::GenerateText() {
  Guarded("StdDisplay::GenerateText", [&] {
    std::lock_guard<std::mutex> hold(textLock_);
    if (TextsFrozen) return;
    if (!DataBuffer) {
      TextLeft = TextRight = TextCenter = "";
      return;
    }
    const double start = DataBuffer->Start.load(std::memory_order_relaxed);
    const double stop = DataBuffer->Stop.load(std::memory_order_relaxed);
    TextLeft = FormatFloat("0.000", start / 1000000.0);
    TextRight = FormatFloat("0.000", stop / 1000000.0);
    TextCenter = FormatFloat("0.000", (start + (stop - start) * 0.5) / 1000000.0);
    if (Dims) {
      TextLeft += " " + Unit;
      TextRight += " " + Unit;
      TextCenter += " " + Unit;
    }
  });
}

void StdDisplay::CustomText(const std::string& left, const std::string& center, const std::string& right) {
  std::lock_guard<std::mutex> hold(textLock_);
  TextLeft = left;
  TextCenter = center;
  TextRight = right;
  TextsFrozen = 1;
}

std::array<std::string, 4> StdDisplay::Texts() const {
  std::lock_guard<std::mutex> hold(textLock_);
  return {TextLeft, TextCenter, TextRight, TextTitle};
}

// Labels sit on the render window but belong to the display, so that either may go first.
void StdDisplay::CreateTexts() {
  if (!RenderWindow) return;
  auto make = [&](DisplayText*& label, int anchor, const std::string& text) {
    if (label) return;
    label = new DisplayText(RenderWindow, TextColor, BgColor, 16.0, anchor);
    RenderWindow->RemoveComponent(label);
    label->SetCaption(text);
  };
  const auto texts = Texts();
  make(LabelLeft, 0, texts[0]);
  make(LabelRight, 1, texts[2]);
  make(LabelCenter, 2, texts[1]);
  make(LabelTitle, 0, texts[3]);
}

void StdDisplay::ShowTexts() {
  for (DisplayText* label : {LabelLeft, LabelRight, LabelCenter, LabelTitle})
    if (label) label->Show();
}

void StdDisplay::HideTexts() {
  for (DisplayText* label : {LabelLeft, LabelRight, LabelCenter, LabelTitle})
    if (label) label->Hide();
}

void StdDisplay::DeleteTexts() {
  delete LabelLeft;
  delete LabelRight;
  delete LabelCenter;
  LabelLeft = LabelRight = LabelCenter = nullptr;
}

void StdDisplay::PlaceTexts() {
  const int y = ViewPort.bottom - MarginBottom + 4;
  auto place = [&](DisplayText* label, int x, int top, TAlignment alignment) {
    if (!label) return;
    label->X = x;
    label->Y = top;
    label->SetAlignment(alignment);
    label->Place();
    label->SetColor(BgColor);
  };
  place(LabelLeft, ViewPort.left, y, taLeftJustify);
  place(LabelRight, ViewPort.right, y, taRightJustify);
  place(LabelCenter, ViewPort.left + (ViewPort.right - ViewPort.left) / 2, y, taCenter);
  place(LabelTitle, ViewPort.left, ViewPort.top - 2, taCenter);
}

// Labels take their texts once per frame; only changed texts are handed to the controls.
void StdDisplay::PushTexts() {
  const auto texts = Texts();
  auto push = [](DisplayText* label, const std::string& text) {
    if (label && label->Caption() != text) label->SetCaption(text);
  };
  push(LabelLeft, texts[0]);
  push(LabelRight, texts[2]);
  push(LabelCenter, texts[1]);
  push(LabelTitle, texts[3]);
}

// ---------------------------------------------------------------------------------------------
// Symbols, markers, band bar

void StdDisplay::MoveSymbols(int x, int y) {
  Guarded("StdDisplay::MoveSymbols", [&] {
    for (int i = 0; i < Symbols->Count(); ++i) Symbols->Get(i)->SetPosition(float(x), float(y));
  });
}

// A peak marker over point `index` of the digital buffer; -1 (nothing added) without points.
int StdDisplay::AddMarker(unsigned index) {
  DigitalBuffer* buffer = DigBuffer.load();
  if (!buffer || buffer->Count == 0) return -1;
  const float x = float(ViewPort.left + double(ViewPort.right - ViewPort.left) / buffer->Count * index);
  const float y = float(ViewPort.top + MarginTop + 30);
  const int i = Markers->Add(SceneDevice(), x, y);
  Markers->Get(unsigned(i))->Visible = 1;
  return i;
}

namespace {

// Draws the bands into the canvas over a width x height area: fills, then the names.
void PaintBands(TCanvas* canvas, const RangeDefList* list, int width, int height, double start, double stop) {
  if (!list) return;
  const int half = height / 2;
  for (const BandPlacement& band : LayoutBands(*list, width, start, stop)) {
    const int top = band.lowerHalf ? half : 0;
    canvas->Brush()->SetColor(band.alternate ? 16512 : 9856);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(Rect(band.x1, top, band.x2, top + (band.lowerHalf ? height - half : half)));
    const std::string& name = list->GetItem(unsigned(band.index))->Name;
    const int x = BandNameX(band, width, canvas->TextWidth(name));
    if (x == INT_MIN) continue;
    canvas->Brush()->SetStyle(bsClear);
    canvas->TextOut(x, top, name);
  }
}

// A pf32bit bitmap as opaque 0xFFRRGGBB pixels.
std::vector<uint32_t> OpaquePixels(TBitmap& bitmap) {
  const int w = bitmap.Width(), h = bitmap.Height();
  std::vector<uint32_t> pixels(size_t(w) * size_t(h));
  for (int y = 0; y < h; ++y) {
    const auto* row = static_cast<const uint32_t*>(bitmap.ScanLine(y));
    for (int x = 0; x < w; ++x) pixels[size_t(y) * w + x] = row[x] | 0xFF000000u;
  }
  return pixels;
}

}  // namespace

void StdDisplay::CreateRangeBar(RangeDefList* list, TGraphic* copy, double start, double stop) {
  Guarded("StdDisplay::CreateRangeBar", [&] {
    MarginTop = 60;
    if (!RangeBar) RangeBar = NewSprite(SceneDevice());
    const int width = ViewPort.right - ViewPort.left;
    if (width <= 0) return;
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(width, 24);
    TCanvas* canvas = bitmap.Canvas();
    canvas->Brush()->SetColor(BgColor);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(Rect(0, 0, width, 24));
    canvas->Font()->SetName("Arial");
    canvas->Font()->SetSize(8);
    canvas->Font()->SetColor(0xFFFFFF);
    PaintBands(canvas, list, width, 24, start, stop);
    if (auto* target = dynamic_cast<TBitmap*>(copy)) target->Assign(&bitmap);
    const std::vector<uint32_t> pixels = OpaquePixels(bitmap);
    RangeBar->Texture = scene::Texture::FromPixels(pixels.data(), width, 24, width * 4);
    RangeBar->Centre = {0.0f, 0.0f, 0.0f};
    RangeBar->SetColor(0xFFFFFF, 160);
  });
}

void StdDisplay::CreateRangeBar(RangeDefList* list, TImage* image, double start, double stop) {
  Guarded("StdDisplay::CreateRangeBar", [&] {
    if (!image || !image->Visible()) return;
    MarginTop = 60;
    const int width = image->ClientWidth(), height = image->ClientHeight();
    if (width <= 0 || height <= 0) return;
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(width, height);
    TCanvas* canvas = bitmap.Canvas();
    canvas->Brush()->SetColor(BgColor);
    canvas->FillRect(Rect(0, 0, width, height));
    canvas->Font()->SetName("Arial");
    canvas->Font()->SetSize(std::max(1, height / 3));
    canvas->Font()->SetColor(0xFFFFFF);
    PaintBands(canvas, list, width, height, start, stop);
    image->Picture()->Bitmap()->Assign(&bitmap);
  });
}

void StdDisplay::RenderRangeBar() {
  Guarded("StdDisplay::RenderRangeBar", [&] {
    if (!RangeBar) return;
    RangeBar->Position = {float(ViewPort.left), float(ViewPort.top + 32), 0.0f};
    RangeBar->Draw();
  });
}

void StdDisplay::RenderCenterMarker(double y) {
  Guarded("StdDisplay::RenderCenterMarker", [&] {
    if (!ShowCenterMarker) return;
    const int cx = ViewPort.left + (ViewPort.right - ViewPort.left) / 2;
    CenterMarker->SetColor(0x0000FF, 255);
    CenterMarker->SetPosition(float(cx), float(y));
    CenterMarker->Visible = 1;
    CenterMarker->Draw();
    const display::Vec2 line[2] = {{float(cx), float(y)}, {float(cx), float(ViewPort.top + MarginTop)}};
    Lines().Draw(line, 2, D_RGBA(0x0000FF, 255));
  });
}

// ---------------------------------------------------------------------------------------------
// Colour tables

void StdDisplay::InitMinMax() {
  Guarded("StdDisplay::InitMinMax", [&] { display::BuildMinMaxColors(MinMaxColors.data(), HsvOfImaging); });
}
