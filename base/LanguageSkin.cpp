// LanguageSkinTool: the skin bitmaps, composed from the image files in "Elements\" with the symbols
// blended in and the captions of the current language drawn on. The pixel work is the imaging
// facility's; buttons and panels are read as opaque RGB, the symbols as RGBA with their own alpha.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <utility>

#include "base/BitmapImages.h"
#include "base/Globals.h"
#include "base/IniService.h"
#include "base/Language.h"
#include "base/Log.h"
#include "platform/imaging/Imaging.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Graphics.h"

namespace {

using imaging::Image;

constexpr const char* CaptionFont = "Verdana";
constexpr int CaptionHeight = 16;
constexpr int DefaultSkinTextColor = 8421504;
constexpr double ActiveBrightness = -0.2;  // the darkened "active" frame buttons

template <class T>
void DeleteAll(std::vector<T*>& list) {
  for (T* item : list) delete item;
  list.clear();
}

template <class T>
T* Entry(const std::vector<T*>& list, int index) {
  return index >= 0 && index < static_cast<int>(list.size()) ? list[index] : nullptr;
}

// The picture of a skin file as RGB (depth 3) or RGBA (depth 4); empty when there is no file ("")
// or it cannot be read.
Image ReadSkinImage(const std::string& path, int depth = 3) {
  return path.empty() ? Image{} : imaging::ReadImage(PlatformPath(path), depth, false);
}

// Opens an existing skin file as RGB (depth 3) or RGBA (depth 4); a file that exists but cannot be
// read is logged.
std::unique_ptr<Image> OpenSkinImage(const std::string& path, int depth = 3) {
  Image image = ReadSkinImage(path, depth);
  if (!image.Empty()) return std::make_unique<Image>(std::move(image));
  if (!path.empty()) WriteLog2("Fehler Open", path);
  return nullptr;
}

// The image as RGBA, opaque where it had no alpha.
Image WithAlpha(const Image& source) {
  if (source.depth == 4) return source;
  Image rgba = imaging::MakeImage(source.width, source.height, 4, source.wide);
  Image copy = source;
  if (rgba.Empty() || !imaging::Convert(copy.Ref(), rgba.Ref(), 255)) return {};
  return rgba;
}

// Blends the RGBA icon over the RGBA image with its top-left corner at (x, y); the image's alpha
// becomes at least the icon's where they overlap.
void BlendIcon(Image& image, Image icon, int x, int y) {
  if (imaging::RaiseAlpha(image.Ref(), icon.Ref(), x, y)) imaging::AlphaBlend(image.Ref(), icon.Ref(), x, y);
}

// A copy darkened for the "active" buttons.
Image Darkened(const Image& source) {
  Image dark = source;
  imaging::AdjustBrightnessContrast(dark.Ref(), ActiveBrightness, 0.0);
  return dark;
}

TBitmap* BitmapOf(Image& image) { return NewBitmapOf(image.Ref()); }

// Sizes and colours of the plain pictures that stand in for button pictures that cannot be read.
constexpr int MainButtonSize = 80;
constexpr int FrameButtonWidth = 140;
constexpr int FrameButtonHeight = 40;
constexpr TColor PlainButtonFace = 0x303030;
constexpr TColor PlainButtonEdge = 0x707070;

// A plain button picture (a dark face with a light edge) to carry a caption and symbol.
Image PlainButtonImage(int width, int height) {
  TBitmap bitmap;
  bitmap.SetSize(width, height);
  TCanvas* canvas = bitmap.Canvas();
  canvas->Brush()->SetColor(PlainButtonEdge);
  canvas->FillRect(TRect(0, 0, width, height));
  canvas->Brush()->SetColor(PlainButtonFace);
  canvas->FillRect(TRect(2, 2, width - 2, height - 2));
  return ImageOfBitmap(&bitmap, TRect());
}

// Says on stderr (and in the log) which button picture could not be read and what stands in; once
// per file, as a reload of the same skin finds the same files.
void ReportPlainButtons(const std::string& wanted, const std::string& chosen) {
  const std::string file = chosen.empty() ? wanted + ".bmp/.jpg/.tif/.tga (not found)" : chosen;
  static std::set<std::string> reported;
  if (!reported.insert(file).second) return;
  const std::string text =
      "skin picture " + file + " could not be read: plain buttons with their captions are used instead";
  std::fprintf(stderr, "RT7731_IV: %s\n", text.c_str());
  std::fflush(stderr);
  WriteLog(text);
}

// The plain button picture of the given size that stands in for wanted (reported).
Image StandInButton(const std::string& wanted, const std::string& chosen, int width, int height) {
  ReportPlainButtons(wanted, chosen);
  return PlainButtonImage(width, height);
}

// The button picture from the skin file, else a plain one of the given size (reported); empty only
// when even that cannot be made.
Image OpenButtonImage(const std::string& wanted, int width, int height) {
  const std::string chosen = LanguageSkinTool::ChooseSkinFile(wanted);
  if (std::unique_ptr<Image> image = OpenSkinImage(chosen)) return std::move(*image);
  return StandInButton(wanted, chosen, width, height);
}

void PrepareCaption(TCanvas* canvas, TColor colour) {
  canvas->Brush()->SetStyle(bsClear);
  canvas->Font()->SetName(CaptionFont);
  canvas->Font()->SetHeight(CaptionHeight);
  canvas->Font()->SetColor(colour);
}

// A bitmap of the image with symbol (when there is one) blended in at (x, y); null when it fails.
TBitmap* ComposeWithSymbol(const Image& source, const Image* symbol, int x, int y) {
  Image image = symbol ? WithAlpha(source) : source;
  if (image.Empty()) image = source;
  else if (symbol) BlendIcon(image, *symbol, x, y);
  return BitmapOf(image);
}

}  // namespace

// ---- Getters ----

TBitmap* LanguageSkinTool::GetMainButton(int n, bool active) const {
  if (n < 1 || n > 9) return nullptr;
  return Entry(active ? mainButtonsActive : mainButtonsNormal, n - 1);
}

TBitmap* LanguageSkinTool::GetPanel(int n) const { return n >= 1 && n <= 7 ? Entry(panels, n - 1) : nullptr; }

const imaging::Image* LanguageSkinTool::GetSymbol(int index) const { return Entry(symbols, index); }

TBitmap* LanguageSkinTool::GetFrameButton(int category, int n, bool active) const {
  if (category < 1 || category > 9 || n < 1 || n > FrameButtonCounts[category - 1]) return nullptr;
  return Entry(frameButtons[category - 1], 2 * n - (active ? 1 : 2));
}

TBitmap* LanguageSkinTool::GetUpDownButton(int n, bool active) const {
  if (n < 1 || n > 2) return nullptr;
  return Entry(upDownButtons, 2 * n - (active ? 1 : 2));
}

int LanguageSkinTool::GetSkinTextColor() const {
  return GlobalIniService ? GlobalIniService->ReadSkinTextColor(skinNr) : DefaultSkinTextColor;
}

// ---- Clearing ----

void LanguageSkinTool::ClearSymbols() { DeleteAll(symbols); }

void LanguageSkinTool::ClearMainButtons() {
  DeleteAll(mainButtonsNormal);
  DeleteAll(mainButtonsActive);
}

void LanguageSkinTool::ClearPanels() {
  DeleteAll(panels);
  titleBackground.reset();
}

void LanguageSkinTool::ClearFrameButtons() {
  for (auto& list : frameButtons) DeleteAll(list);
}

void LanguageSkinTool::ClearUpDownButtons() { DeleteAll(upDownButtons); }

// ---- Loading ----

void LanguageSkinTool::LoadSymbols() {
  ClearSymbols();
  for (int n = 0; n <= 12; ++n) {
    // Read with the file's own alpha (opaque where the file has none), so icons blend over buttons.
    symbols.push_back(OpenSkinImage(ChooseSkinFile(ElementsPath(SymbolName(n))), 4).release());
  }
}

void LanguageSkinTool::LoadMainButtons() {
  ClearMainButtons();
  for (bool active : {false, true}) {
    std::vector<TBitmap*>& list = active ? mainButtonsActive : mainButtonsNormal;
    for (int i = 1; i <= 9; ++i) {
      const Image image =
          OpenButtonImage(ElementsPath(MainButtonName(skinNr, i, active)), MainButtonSize, MainButtonSize);
      list.push_back(image.Empty() ? nullptr : ComposeWithSymbol(image, GetSymbol(i - 1), 16, 8));
    }
  }
  DrawMainButtonTexts();
}

void LanguageSkinTool::DrawMainButtonTexts() {
  const TColor colour = GetSkinTextColor();
  for (bool active : {false, true}) {
    for (int i = 1; i <= 9; ++i) {
      TBitmap* bitmap = GetMainButton(i, active);
      if (!bitmap) continue;
      TCanvas* canvas = bitmap->Canvas();
      PrepareCaption(canvas, colour);
      const std::string text = GetMainButtonText(i);
      const int x = (bitmap->Width() - canvas->TextWidth(text)) / 2;
      const int y = bitmap->Height() - (active ? 24 : 20);
      canvas->TextOut(x, y, text);
    }
  }
}

void LanguageSkinTool::DrawButtonText(TBitmap* bitmap, const std::string& text) const {
  if (!bitmap) return;
  TCanvas* canvas = bitmap->Canvas();
  PrepareCaption(canvas, GetSkinTextColor());
  const int x = (bitmap->Width() - canvas->TextWidth(text)) / 2;
  const int y = (bitmap->Height() - canvas->TextHeight(text)) / 2;
  canvas->TextOut(x, y, text);
}

void LanguageSkinTool::LoadPanels() {
  ClearPanels();
  for (int i = 1; i <= 7; ++i) {
    const std::unique_ptr<Image> image = OpenSkinImage(ChooseSkinFile(ElementsPath(PanelName(skinNr, i))));
    panels.push_back(image ? BitmapOf(*image) : nullptr);
  }
}

void LanguageSkinTool::UpdateFrameButtons() {
  if (frameButtonsMadeFor != std::array{skinNr, languageNr, GetSkinTextColor()}) LoadFrameButtons();
}

void LanguageSkinTool::LoadFrameButtons() {
  ClearFrameButtons();
  frameButtonsMadeFor = std::array{skinNr, languageNr, GetSkinTextColor()};
  const std::string name = ElementsPath(FrameButtonName(skinNr));
  WriteLog2("Versuch Open", name + ".bmp");
  const std::string chosen = ChooseSkinFile(name);
  Image image = ReadSkinImage(chosen);
  WriteLog2(image.Empty() ? "Fehler Open" : "Open", chosen);
  if (image.Empty()) image = StandInButton(name, chosen, FrameButtonWidth, FrameButtonHeight);
  if (image.Empty()) return;

  Image dark = Darkened(image);
  for (int c = 1; c <= 9; ++c) {
    for (int n = 1; n <= FrameButtonCounts[c - 1]; ++n) {
      const std::string caption = GetFrameButtonText(c, n);
      TBitmap* normal = BitmapOf(image);
      DrawButtonText(normal, caption);
      frameButtons[c - 1].push_back(normal);
      TBitmap* active = BitmapOf(dark);
      DrawButtonText(active, caption);
      frameButtons[c - 1].push_back(active);
    }
  }
}

void LanguageSkinTool::LoadUpDownButtons() {
  ClearUpDownButtons();
  // The same picture as the frame buttons (reported there when it cannot be read).
  Image image = ReadSkinImage(ChooseSkinFile(ElementsPath(FrameButtonName(skinNr))));
  if (image.Empty()) image = PlainButtonImage(FrameButtonWidth, FrameButtonHeight);
  if (image.Empty()) return;
  const Image dark = Darkened(image);
  // Button 1 carries symbol 12 at (10, -5), button 2 symbol 11 at (4, -5); a missing symbol leaves
  // the button without icon.
  const struct {
    int symbol;
    int x;
  } buttons[] = {{12, 10}, {11, 4}};
  for (const auto& button : buttons) {
    upDownButtons.push_back(ComposeWithSymbol(image, GetSymbol(button.symbol), button.x, -5));
    upDownButtons.push_back(ComposeWithSymbol(dark, GetSymbol(button.symbol), button.x, -5));
  }
}

// ---- Category titles ----

std::shared_ptr<const Image> LanguageSkinTool::TitleBackground(int width, int height) const {
  if (titleBackground && titleBackground->width == width && titleBackground->height == height)
    return titleBackground;
  TBitmap* panel = GetPanel(7);
  if (!panel) return nullptr;
  Image source = ImageOfBitmap(panel, TRect());
  Image sized = imaging::MakeImage(width, height, 3, false);
  if (source.Empty() || sized.Empty() || !imaging::Resize(source.Ref(), sized.Ref(), imaging::Resample::Bicubic))
    return nullptr;
  // Kept with its alpha channel: each title starts from a plain copy of it.
  auto withAlpha = std::make_shared<Image>(WithAlpha(sized));
  if (withAlpha->Empty()) return nullptr;
  titleBackground = withAlpha;
  return titleBackground;
}

TBitmap* LanguageSkinTool::CreateFrameTitle(int category, TRect rect) const {
  if (category < 1 || category > 9 || rect.IsEmpty()) return nullptr;
  const std::shared_ptr<const Image> background = TitleBackground(rect.Width(), rect.Height());
  if (!background) return nullptr;
  Image title = WithAlpha(*background);
  if (title.Empty()) return nullptr;
  if (const Image* symbol = GetSymbol(category - 1)) {
    Image icon(*symbol);
    ScaleAlpha(&icon, 1.5);
    BlendIcon(title, icon, 16, 16);
  }
  TBitmap* bitmap = BitmapOf(title);
  if (!bitmap) return nullptr;

  const TColor colour = GetSkinTextColor();
  TCanvas* canvas = bitmap->Canvas();
  PrepareCaption(canvas, colour);
  const std::string caption = GetMainButtonText(category);
  canvas->TextOut(74, 40 - canvas->TextHeight(caption) / 2, caption);
  canvas->Pen()->SetColor(colour);
  canvas->MoveTo(5, 78);
  canvas->LineTo(bitmap->Width() - 5, 78);
  return bitmap;
}

void LanguageSkinTool::ScaleAlpha(imaging::Image* image, double factor) {
  if (!image || image->Empty() || image->width == 0 || image->height == 0) return;
  if (image->depth != 4 || image->wide) return;  // only 8-bit RGBA has a one-byte alpha
  if (!(factor >= 0.0) || factor == 1.0) return;
  for (int y = 0; y < image->height; ++y) {
    uint8_t* row = image->pixels.data() + static_cast<size_t>(y) * image->stride;
    for (int x = 0; x < image->width; ++x) {
      uint8_t& alpha = row[x * 4 + 3];
      alpha = static_cast<uint8_t>(std::min(alpha * factor, 255.0));  // truncated
    }
  }
}
