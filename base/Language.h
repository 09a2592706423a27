// Language and skin object: every caption in four languages, the span step series, and the skin
// bitmaps composed from the image files in "Elements\".
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/vcl/Types.h"

class TBitmap;
namespace imaging {
struct Image;
}

// Language numbers as the INI file stores them.
enum LanguageNr { LangEnglish = 0, LangGerman = 1, LangFrench = 2, LangSpanish = 3 };
constexpr int LanguageCount = 4;

// Skin numbers the program can name ("Elements\Panel1" + 2 digits + ...); others fall back to skin 1.
constexpr int MinSkinNr = 0;
constexpr int MaxSkinNr = 49;
constexpr int DefaultSkinNr = 1;

// Number of frame buttons of category 1..9.
constexpr std::array<int, 9> FrameButtonCounts = {6, 5, 3, 4, 2, 5, 5, 5, 5};

class LanguageSkinTool {
 public:
  // Reads LANG_NR and SKIN_NR through GlobalIniService (English and skin 1 without it), builds the
  // texts, then loads symbols, main buttons, frame buttons, panels and up/down buttons.
  LanguageSkinTool();
  ~LanguageSkinTool();
  LanguageSkinTool(const LanguageSkinTool&) = delete;
  LanguageSkinTool& operator=(const LanguageSkinTool&) = delete;

  // Fills the 13 text groups; runs once from the constructor.
  void BuildTexts();
  // Re-reads skin and language numbers, then rebuilds main buttons and panels.
  void Reload();

  // ---- Texts of the current language; "" for an item outside the group ----
  std::string GetMainButtonText(int item) const;   // 1..9
  std::string GetMessageText(int item) const;      // 0..1
  std::string GetAnalyzerText(int item) const;     // 1..6
  std::string GetAutoText(int item) const;         // 1..5
  std::string GetLocateText(int item) const;       // 1..3
  std::string GetVlfText(int item) const;          // 1..4
  std::string GetVideoText(int item) const;        // 1..2
  std::string GetFingerText(int item) const;       // 1..5
  std::string GetProjectText(int item) const;      // 1..5
  std::string GetSettingText(int item) const;      // 1..5
  std::string GetHelpText(int item) const;         // 1..5
  std::string GetGeneralText(int item) const;      // 1..21
  std::string GetFreqControlText(int item) const;  // 1..10
  // Caption of frame button n of category 1..9 (text groups 3..11); "" out of range.
  std::string GetFrameButtonText(int category, int n) const;

  // Next span of the frequency control frame's series 1, 2, 5, ... 10000, 15000 MHz.
  static double NextSpanStep(bool up, double span);

  int GetLanguageNr() const { return languageNr; }
  int GetSkinNr() const { return skinNr; }
  // A stored language number outside 0..3 gives English; a skin number outside 0..49 gives skin 1.
  static int ValidLanguageNr(int nr);
  static int ValidSkinNr(int nr);

  // ---- Skin bitmaps (borrowed pointers, null when missing or out of range) ----
  TBitmap* GetMainButton(int n, bool active) const;  // 1..9
  TBitmap* GetPanel(int n) const;                    // 1..7
  const imaging::Image* GetSymbol(int index) const;  // 0..12, RGBA
  TBitmap* GetFrameButton(int category, int n, bool active) const;
  TBitmap* GetUpDownButton(int n, bool active) const;  // 1..2
  int GetSkinTextColor() const;                        // TColor of the current skin
  // A new title bitmap of the rect's size for category 1..9 (the caller deletes it), or null.
  TBitmap* CreateFrameTitle(int category, TRect rect) const;
  // Multiplies the alpha of a 4-byte image by factor (>= 0, != 1), capped at 255.
  static void ScaleAlpha(imaging::Image* image, double factor);

  void LoadSymbols();
  void LoadMainButtons();
  void LoadPanels();
  void LoadFrameButtons();
  // LoadFrameButtons, unless the buttons were last loaded for the same skin, language and text
  // colour: the captioned buttons would come out the same.
  void UpdateFrameButtons();
  void LoadUpDownButtons();

  // ---- Skin file names ----
  // The file for a name without extension: of name + .bmp, .jpg, .tif, .tga the last that exists,
  // "" when none does.
  static std::string ChooseSkinFile(const std::string& nameWithoutExt);
  // ProgramFolder + "Elements\" + name, as a platform path.
  static std::string ElementsPath(const std::string& name);
  static std::string MainButtonName(int skin, int n, bool active);  // "MainButNormal101103"
  static std::string PanelName(int skin, int n);                    // "Panel101107"
  static std::string SymbolName(int n);                             // "Symbol_4"
  static std::string FrameButtonName(int skin);                     // "FrameBut101101"

 private:
  std::string Lookup(int group, int item) const;
  void ClearSymbols();
  void ClearMainButtons();
  void ClearPanels();
  void ClearFrameButtons();
  void ClearUpDownButtons();
  void DrawMainButtonTexts();
  void DrawButtonText(TBitmap* bitmap, const std::string& text) const;
  void ReadNumbers();
  // Panel 7 resized to width x height, with an opaque alpha channel, for the category titles; null
  // when that fails.
  std::shared_ptr<const imaging::Image> TitleBackground(int width, int height) const;

  int skinNr = DefaultSkinNr;
  std::vector<TBitmap*> mainButtonsNormal;  // 9 entries, null where the file was missing
  std::vector<TBitmap*> mainButtonsActive;
  std::vector<TBitmap*> panels;                       // 7 entries
  std::vector<imaging::Image*> symbols;               // 13 entries
  std::array<std::vector<TBitmap*>, 9> frameButtons;  // per category: normal, active, normal, active, ...
  std::vector<TBitmap*> upDownButtons;                // 1 normal, 1 active, 2 normal, 2 active
  // The last title background made: the nine titles share one size and every layout pass makes them
  // again, so the panel is resized once per size. Dropped with the panels.
  mutable std::shared_ptr<const imaging::Image> titleBackground;
  int languageNr = LangEnglish;
  std::array<std::vector<std::string>, 13> textGroups;  // four entries per item
  // What the frame buttons were last loaded for: skin, language and text colour.
  std::optional<std::array<int, 3>> frameButtonsMadeFor;
};
