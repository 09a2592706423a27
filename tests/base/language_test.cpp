// Caption lookups in the four languages, the language number read from the INI file, the span series.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "ShellFixture.h"
#include "platform/rtl/SysUtils.h"
#include "base/Language.h"

namespace {

using Getter = std::function<std::string(const LanguageSkinTool&, int)>;

struct GroupCase {
  const char* name;
  Getter get;
  int first;
  int last;
};

const std::vector<GroupCase> Groups = {
    {"MainButton", &LanguageSkinTool::GetMainButtonText, 1, 9},
    {"Message", &LanguageSkinTool::GetMessageText, 0, 1},
    {"Analyzer", &LanguageSkinTool::GetAnalyzerText, 1, 6},
    {"Auto", &LanguageSkinTool::GetAutoText, 1, 5},
    {"Locate", &LanguageSkinTool::GetLocateText, 1, 3},
    {"Vlf", &LanguageSkinTool::GetVlfText, 1, 4},
    {"Video", &LanguageSkinTool::GetVideoText, 1, 2},
    {"Finger", &LanguageSkinTool::GetFingerText, 1, 5},
    {"Project", &LanguageSkinTool::GetProjectText, 1, 5},
    {"Setting", &LanguageSkinTool::GetSettingText, 1, 5},
    {"Help", &LanguageSkinTool::GetHelpText, 1, 5},
    {"General", &LanguageSkinTool::GetGeneralText, 1, 21},
    {"FreqControl", &LanguageSkinTool::GetFreqControlText, 1, 10},
};

class LanguageTest : public ShellFolderTest {
 protected:
  std::unique_ptr<LanguageSkinTool> ToolFor(int language) {
    GlobalIniService->WriteLangNr(language);
    return std::make_unique<LanguageSkinTool>();
  }
};

TEST_F(LanguageTest, EveryItemOfEveryGroupInEveryLanguageAndNothingOutside) {
  int entries = 0;
  for (int language = 0; language < LanguageCount; ++language) {
    const auto tool = ToolFor(language);
    for (const GroupCase& group : Groups) {
      SCOPED_TRACE(std::string(group.name) + " language " + std::to_string(language));
      EXPECT_EQ(group.get(*tool, group.first - 1), "");
      EXPECT_EQ(group.get(*tool, group.last + 1), "");
      EXPECT_EQ(group.get(*tool, -1000), "");
      for (int item = group.first; item <= group.last; ++item) {
        const std::string text = group.get(*tool, item);
        EXPECT_FALSE(text.empty()) << "item " << item;
        EXPECT_TRUE(IsValidUtf8(text)) << "item " << item;
        ++entries;
      }
    }
  }
  EXPECT_EQ(entries, 328);
}

struct TextCase {
  int language;
  const char* group;
  int item;
  const char* expected;
};

void PrintTo(const TextCase& c, std::ostream* os) {
  *os << "language " << c.language << " " << c.group << " " << c.item;
}

class TextLookupTest : public LanguageTest, public testing::WithParamInterface<TextCase> {};

TEST_P(TextLookupTest, GivesTheEntryOfTheLanguage) {
  const TextCase& c = GetParam();
  const auto tool = ToolFor(c.language);
  for (const GroupCase& group : Groups) {
    if (std::string(group.name) == c.group) {
      EXPECT_EQ(group.get(*tool, c.item), c.expected);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextLookupTest,
    testing::Values(
        TextCase{0, "MainButton", 1, "Analyzer"}, TextCase{1, "MainButton", 1, "Analysator"},
        TextCase{2, "MainButton", 8, "Paramètres"}, TextCase{3, "MainButton", 2, "Automático"},
        TextCase{3, "MainButton", 9, "Auxilio"}, TextCase{3, "Analyzer", 6, "(es)Differential"},
        TextCase{3, "Locate", 2, "(es)Feldstärke"}, TextCase{2, "Locate", 2, "champ"},
        TextCase{1, "Message", 1, "USB-Verbindung hergestellt !"},
        TextCase{0, "Message", 0, "(en) Keine USB-Verbindung zum Gerät oder Akkus leer !"},
        TextCase{1, "Analyzer", 2, "Intensität"}, TextCase{1, "Vlf", 3, "Direktes Mithören"},
        TextCase{1, "Finger", 2, "Fingerabdr. öffnen"}, TextCase{0, "Finger", 5, "(en)noch nicht klar"},
        TextCase{2, "Project", 3, "(fr)noch nicht klar"}, TextCase{0, "Setting", 2, "System Test"},
        TextCase{1, "General", 18, "Sonar-Handsonde anschließen"},
        TextCase{0, "General", 16, "battery condition"}, TextCase{1, "General", 17, "Netz-/Ladebetrieb"},
        TextCase{3, "General", 21, "(es)Quelle wählen"},
        TextCase{0, "FreqControl", 10, "Start            Stop"},
        TextCase{2, "FreqControl", 10, "(fr)Start            Stop"},
        TextCase{1, "FreqControl", 5, "Runter"}));

TEST_F(LanguageTest, FrameButtonCaptionsFollowTheCategoryGroups) {
  const auto tool = ToolFor(LangGerman);
  EXPECT_EQ(tool->GetFrameButtonText(1, 1), "Spektrum");
  EXPECT_EQ(tool->GetFrameButtonText(2, 5), "Lautlose Suche");
  EXPECT_EQ(tool->GetFrameButtonText(3, 3), "Feldst. Digital");
  EXPECT_EQ(tool->GetFrameButtonText(3, 4), "");
  EXPECT_EQ(tool->GetFrameButtonText(5, 2), "Autom. suchen");
  EXPECT_EQ(tool->GetFrameButtonText(5, 3), "");
  EXPECT_EQ(tool->GetFrameButtonText(8, 1), "Einstellungen");
  EXPECT_EQ(tool->GetFrameButtonText(0, 1), "");
  EXPECT_EQ(tool->GetFrameButtonText(10, 1), "");
}

TEST_F(LanguageTest, StoredLanguageOutsideTheFourGivesEnglish) {
  for (int stored : {4, 7, -1, 1000}) {
    SCOPED_TRACE(stored);
    const auto tool = ToolFor(stored);
    EXPECT_EQ(tool->GetLanguageNr(), LangEnglish);
    EXPECT_EQ(tool->GetMainButtonText(1), "Analyzer");
    EXPECT_EQ(tool->GetMainButtonText(9), "Help");
  }
  GlobalIniService->WriteSkinNr(50);
  EXPECT_EQ(LanguageSkinTool().GetSkinNr(), 1);
  GlobalIniService->WriteSkinNr(-3);
  EXPECT_EQ(LanguageSkinTool().GetSkinNr(), 1);
  GlobalIniService->WriteSkinNr(49);
  EXPECT_EQ(LanguageSkinTool().GetSkinNr(), 49);
}

TEST_F(LanguageTest, WithoutIniServiceEnglishAndSkinOne) {
  GlobalIniService->WriteLangNr(LangFrench);
  delete GlobalIniService;
  GlobalIniService = nullptr;
  LanguageSkinTool tool;
  EXPECT_EQ(tool.GetLanguageNr(), LangEnglish);
  EXPECT_EQ(tool.GetSkinNr(), 1);
  EXPECT_EQ(tool.GetSkinTextColor(), 8421504);
  tool.Reload();
  EXPECT_EQ(tool.GetLanguageNr(), LangEnglish);
}

TEST_F(LanguageTest, ReloadSwitchesTheLanguageAtOnce) {
  const auto tool = ToolFor(LangEnglish);
  GlobalIniService->WriteLangNr(LangSpanish);
  EXPECT_EQ(tool->GetAnalyzerText(1), "Spectrum");
  tool->Reload();
  EXPECT_EQ(tool->GetAnalyzerText(1), "Espectro");
  GlobalIniService->WriteLangNr(9);
  tool->Reload();
  EXPECT_EQ(tool->GetAnalyzerText(1), "Spectrum");
}

struct SpanCase {
  bool up;
  double span;
  double expected;
};

void PrintTo(const SpanCase& c, std::ostream* os) { *os << (c.up ? "up from " : "down from ") << c.span; }

class NextSpanStepTest : public testing::TestWithParam<SpanCase> {};

TEST_P(NextSpanStepTest, StepsThroughTheSeries) {
  EXPECT_DOUBLE_EQ(LanguageSkinTool::NextSpanStep(GetParam().up, GetParam().span), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Up, NextSpanStepTest,
    testing::Values(SpanCase{true, 0.5, 1}, SpanCase{true, 0, 1}, SpanCase{true, -5, 1}, SpanCase{true, 1, 2},
                    SpanCase{true, 1.5, 2}, SpanCase{true, 2, 5}, SpanCase{true, 3, 5}, SpanCase{true, 5, 10},
                    SpanCase{true, 10, 20}, SpanCase{true, 20, 50}, SpanCase{true, 50, 100},
                    SpanCase{true, 100, 200}, SpanCase{true, 200, 500}, SpanCase{true, 500, 1000},
                    SpanCase{true, 999.9, 1000}, SpanCase{true, 1000, 2000}, SpanCase{true, 2000, 5000},
                    SpanCase{true, 5000, 10000}, SpanCase{true, 10000, 15000}, SpanCase{true, 12000, 15000},
                    SpanCase{true, 15000, 15000}, SpanCase{true, 1e9, 15000}));

INSTANTIATE_TEST_SUITE_P(Down, NextSpanStepTest,
                         testing::Values(SpanCase{false, 0.5, 1}, SpanCase{false, 1, 1},
                                         SpanCase{false, 2, 1}, SpanCase{false, 3, 2}, SpanCase{false, 5, 2},
                                         SpanCase{false, 5.5, 5}, SpanCase{false, 10, 5},
                                         SpanCase{false, 20, 10}, SpanCase{false, 50, 20},
                                         SpanCase{false, 100, 50}, SpanCase{false, 200, 100},
                                         SpanCase{false, 500, 200}, SpanCase{false, 1000, 500},
                                         SpanCase{false, 2000, 1000}, SpanCase{false, 5000, 2000},
                                         SpanCase{false, 10000, 5000}, SpanCase{false, 10001, 10000},
                                         SpanCase{false, 15000, 10000}, SpanCase{false, 1e9, 10000}));

}  // namespace
