// LanguageSkinTool: construction, text lookups, the span step series and skin file names.
// The text tables are in LanguageTexts.cpp, the skin composition in LanguageSkin.cpp.
#include "base/Language.h"

#include "platform/rtl/SysUtils.h"
#include "base/Globals.h"
#include "base/IniService.h"

namespace {

enum Group {
  MainButtonGroup,
  MessageGroup,
  AnalyzerGroup,
  AutoGroup,
  LocateGroup,
  VlfGroup,
  VideoGroup,
  FingerGroup,
  ProjectGroup,
  SettingGroup,
  HelpGroup,
  GeneralGroup,
  FreqControlGroup,
};

// The span series of the frequency control frame, in MHz.
constexpr double SpanSeries[] = {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 15000};

}  // namespace

LanguageSkinTool::LanguageSkinTool() {
  languageNr = GlobalIniService ? ValidLanguageNr(GlobalIniService->ReadLangNr()) : LangEnglish;
  BuildTexts();
  skinNr = GlobalIniService ? ValidSkinNr(GlobalIniService->ReadSkinNr()) : DefaultSkinNr;
  // Symbols first: the main buttons and the later sets draw them. Texts come before every skin set,
  // because the loaders draw captions.
  LoadSymbols();
  LoadMainButtons();
  LoadFrameButtons();
  LoadPanels();
  LoadUpDownButtons();
}

LanguageSkinTool::~LanguageSkinTool() {
  ClearSymbols();
  ClearMainButtons();
  ClearFrameButtons();
  ClearPanels();
  ClearUpDownButtons();
}

// A number outside 0..3 falls back to English: used as it stands, it would index the next text's
// entries (language 4 would label button 1 "Auto").
int LanguageSkinTool::ValidLanguageNr(int nr) { return nr >= 0 && nr < LanguageCount ? nr : LangEnglish; }

int LanguageSkinTool::ValidSkinNr(int nr) { return nr >= MinSkinNr && nr <= MaxSkinNr ? nr : DefaultSkinNr; }

void LanguageSkinTool::ReadNumbers() {
  if (!GlobalIniService) return;
  skinNr = ValidSkinNr(GlobalIniService->ReadSkinNr());
  languageNr = ValidLanguageNr(GlobalIniService->ReadLangNr());
}

void LanguageSkinTool::Reload() {
  ReadNumbers();
  LoadMainButtons();
  LoadPanels();
}

// ---- Texts ----

std::string LanguageSkinTool::Lookup(int group, int item) const {
  const std::vector<std::string>& entries = textGroups[group];
  const int first = group == MessageGroup ? 0 : 1;  // the messages count their items from 0
  const int items = static_cast<int>(entries.size()) / LanguageCount;
  if (item < first || item >= first + items) return "";
  const size_t index = static_cast<size_t>(item - first) * LanguageCount + static_cast<size_t>(languageNr);
  return index < entries.size() ? entries[index] : "";
}

std::string LanguageSkinTool::GetMainButtonText(int item) const { return Lookup(MainButtonGroup, item); }
std::string LanguageSkinTool::GetMessageText(int item) const { return Lookup(MessageGroup, item); }
std::string LanguageSkinTool::GetAnalyzerText(int item) const { return Lookup(AnalyzerGroup, item); }
std::string LanguageSkinTool::GetAutoText(int item) const { return Lookup(AutoGroup, item); }
std::string LanguageSkinTool::GetLocateText(int item) const { return Lookup(LocateGroup, item); }
std::string LanguageSkinTool::GetVlfText(int item) const { return Lookup(VlfGroup, item); }
std::string LanguageSkinTool::GetVideoText(int item) const { return Lookup(VideoGroup, item); }
std::string LanguageSkinTool::GetFingerText(int item) const { return Lookup(FingerGroup, item); }
std::string LanguageSkinTool::GetProjectText(int item) const { return Lookup(ProjectGroup, item); }
std::string LanguageSkinTool::GetSettingText(int item) const { return Lookup(SettingGroup, item); }
std::string LanguageSkinTool::GetHelpText(int item) const { return Lookup(HelpGroup, item); }
std::string LanguageSkinTool::GetGeneralText(int item) const { return Lookup(GeneralGroup, item); }
std::string LanguageSkinTool::GetFreqControlText(int item) const { return Lookup(FreqControlGroup, item); }

std::string LanguageSkinTool::GetFrameButtonText(int category, int n) const {
  if (category < 1 || category > 9 || n < 1 || n > FrameButtonCounts[category - 1]) return "";
  return Lookup(AnalyzerGroup + category - 1, n);  // categories 1..9 use groups 3..11
}

double LanguageSkinTool::NextSpanStep(bool up, double span) {
  if (up) {
    for (double step : SpanSeries)
      if (step > span) return step;
    return 15000;
  }
  // Down: the largest value below span, never 15000, never below 1.
  double result = 1;
  for (double step : SpanSeries)
    if (step < span && step <= 10000) result = step;
  return result;
}

// ---- Skin file names ----

std::string LanguageSkinTool::MainButtonName(int skin, int n, bool active) {
  return std::string("MainBut") + (active ? "Active" : "Normal") + IntToStr(skin + 100) + IntToStr(n + 100);
}

std::string LanguageSkinTool::PanelName(int skin, int n) {
  return "Panel" + IntToStr(skin + 100) + IntToStr(n + 100);
}

std::string LanguageSkinTool::SymbolName(int n) { return "Symbol_" + IntToStr(n); }

std::string LanguageSkinTool::FrameButtonName(int skin) { return "FrameBut" + IntToStr(skin + 100) + "101"; }

std::string LanguageSkinTool::ElementsPath(const std::string& name) {
  return PlatformPath(ProgramFolder + "Elements\\" + name);
}

std::string LanguageSkinTool::ChooseSkinFile(const std::string& nameWithoutExt) {
  std::string chosen;
  for (const char* ext : {".bmp", ".jpg", ".tif", ".tga"})
    if (FileExists(nameWithoutExt + ext)) chosen = nameWithoutExt + ext;
  return chosen;
}
