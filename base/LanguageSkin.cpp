// LanguageSkinTool: the skin bitmaps, composed from the image files in "Elements\" with the symbols
// blended in and the captions of the current language drawn on.
#include <algorithm>
#include <memory>

#include "display/Imagebase.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Graphics.h"
#include "base/Globals.h"
#include "base/IniService.h"
#include "base/Language.h"
#include "base/Log.h"

namespace {

constexpr const char* CaptionFont = "Verdana";
constexpr int CaptionHeight = 16;
constexpr int DefaultSkinTextColor = 8421504;
constexpr double ActiveBrightness = -0.2;  // the darkened "active" frame buttons
constexpr unsigned TitleResampleMode = 17;

const TRect WholeImage;

template <class T>
void DeleteAll(std::vector<T*>& list) {
  for (T* item : list) delete item;
  list.clear();
}

template <class T>
T* Entry(const std::vector<T*>& list, int index) {
  return index >= 0 && index < static_cast<int>(list.size()) ? list[index] : nullptr;
}

// Opens an existing skin file; a file that exists but cannot be read is logged.
std::unique_ptr<ZImage> OpenSkinImage(const std::string& path, bool keepAlpha = false) {
  if (path.empty()) return nullptr;
  auto image = std::make_unique<ZImage>();
  if (keepAlpha ? image->Open(path, true) : image->Open(path)) return image;
  WriteLog2("Fehler Open", path);
  return nullptr;
}

void PrepareCaption(TCanvas* canvas, TColor colour) {
  canvas->Brush()->SetStyle(bsClear);
  canvas->Font()->SetName(CaptionFont);
  canvas->Font()->SetHeight(CaptionHeight);
  canvas->Font()->SetColor(colour);
}

// A bitmap of the image with symbol (when there is one) blended in at (x, y); null when it fails.
TBitmap* ComposeWithSymbol(const ZImage& source, const ZImage* symbol, int x, int y) {
  ZImage image(source);
  if (symbol) {
    ZImage icon(*symbol);
    if (image.ToRGBA(255, WholeImage)) image.AlphaBlendRGBA(&icon, x, y);
  }
  return image.CreateBitmap(WholeImage);
}

}  // namespace

// ---- Getters ----

TBitmap* LanguageSkinTool::GetMainButton(int n, bool active) const {
  if (n < 1 || n > 9) return nullptr;
  return Entry(active ? mainButtonsActive : mainButtonsNormal, n - 1);
}

TBitmap* LanguageSkinTool::GetPanel(int n) const { return n >= 1 && n <= 7 ? Entry(panels, n - 1) : nullptr; }

ZImage* LanguageSkinTool::GetSymbol(int index) const { return Entry(symbols, index); }

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

void LanguageSkinTool::ClearPanels() { DeleteAll(panels); }

void LanguageSkinTool::ClearFrameButtons() {
  for (auto& list : frameButtons) DeleteAll(list);
}

void LanguageSkinTool::ClearUpDownButtons() { DeleteAll(upDownButtons); }

// ---- Loading ----

void LanguageSkinTool::LoadSymbols() {
  ClearSymbols();
  for (int n = 0; n <= 12; ++n) {
    // Read with the file's own alpha (opaque where the file has none), so icons blend over buttons.
    std::unique_ptr<ZImage> image = OpenSkinImage(ChooseSkinFile(ElementsPath(SymbolName(n))), true);
    if (image && !image->ToRGBA(255, WholeImage)) image.reset();
    symbols.push_back(image.release());
  }
}

void LanguageSkinTool::LoadMainButtons() {
  ClearMainButtons();
  for (bool active : {false, true}) {
    std::vector<TBitmap*>& list = active ? mainButtonsActive : mainButtonsNormal;
    for (int i = 1; i <= 9; ++i) {
      const std::unique_ptr<ZImage> image =
          OpenSkinImage(ChooseSkinFile(ElementsPath(MainButtonName(skinNr, i, active))));
      list.push_back(image ? ComposeWithSymbol(*image, GetSymbol(i - 1), 16, 8) : nullptr);
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
    const std::unique_ptr<ZImage> image = OpenSkinImage(ChooseSkinFile(ElementsPath(PanelName(skinNr, i))));
    panels.push_back(image ? image->CreateBitmap(WholeImage) : nullptr);
  }
}

void LanguageSkinTool::LoadFrameButtons() {
  ClearFrameButtons();
  const std::string name = ElementsPath(FrameButtonName(skinNr));
  WriteLog2("Versuch Open", name + ".bmp");
  const std::string chosen = ChooseSkinFile(name);
  auto image = std::make_unique<ZImage>();
  if (chosen.empty() || !image->Open(chosen)) {
    WriteLog2("Fehler Open", chosen);
    return;
  }
  WriteLog2("Open", chosen);

  const std::unique_ptr<ZImage> dark(image->Clone());
  if (dark) dark->BrightnessContrast(ActiveBrightness, 0.0);
  for (int c = 1; c <= 9; ++c) {
    for (int n = 1; n <= FrameButtonCounts[c - 1]; ++n) {
      const std::string caption = GetFrameButtonText(c, n);
      TBitmap* normal = image->CreateBitmap(WholeImage);
      DrawButtonText(normal, caption);
      frameButtons[c - 1].push_back(normal);
      TBitmap* active = dark ? dark->CreateBitmap(WholeImage) : nullptr;
      DrawButtonText(active, caption);
      frameButtons[c - 1].push_back(active);
    }
  }
}

void LanguageSkinTool::LoadUpDownButtons() {
  ClearUpDownButtons();
  const std::string chosen = ChooseSkinFile(ElementsPath(FrameButtonName(skinNr)));
  ZImage image;
  if (chosen.empty() || !image.Open(chosen)) return;
  ZImage dark(image);
  dark.BrightnessContrast(ActiveBrightness, 0.0);
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

TBitmap* LanguageSkinTool::CreateFrameTitle(int category, TRect rect) const {
  TBitmap* panel = GetPanel(7);
  if (category < 1 || category > 9 || rect.IsEmpty() || !panel) return nullptr;
  ZImage title;
  if (!title.Copy(panel, WholeImage)) return nullptr;
  if (!title.Resize(TRect(0, 0, rect.Width(), rect.Height()), WholeImage, TitleResampleMode)) return nullptr;
  if (!title.ToRGBA(255, WholeImage)) return nullptr;
  if (const ZImage* symbol = GetSymbol(category - 1)) {
    ZImage icon(*symbol);
    ScaleAlpha(&icon, 1.5);
    title.AlphaBlendRGBA(&icon, 16, 16);
  }
  TBitmap* bitmap = title.CreateBitmap(WholeImage);
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

void LanguageSkinTool::ScaleAlpha(ZImage* image, double factor) {
  if (!image || !image->Pixels() || image->Width() == 0 || image->Height() == 0) return;
  if (image->Depth() != 4 || image->Type() != 0) return;  // only 8-bit RGBA has a one-byte alpha
  if (!(factor >= 0.0) || factor == 1.0) return;
  for (int y = 0; y < image->Height(); ++y) {
    BYTE* row = image->Pixels() + static_cast<size_t>(y) * image->Stride();
    for (int x = 0; x < image->Width(); ++x) {
      BYTE& alpha = row[x * 4 + 3];
      alpha = static_cast<BYTE>(std::min(alpha * factor, 255.0));  // truncated
    }
  }
}
