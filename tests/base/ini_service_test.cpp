// The configuration file: every key with its default, its section and name in the file, bad values,
// the window placement and writes that cannot reach the disk.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/rtl/IniFiles.h"
#include "platform/vcl/Forms.h"
#include "base/IniService.h"
#include "tests/support/TempFolder.h"

namespace {

struct KeyCase {
  const char* name;
  std::function<double(IniService&)> read;
  double expectedDefault;
  std::function<void(IniService&)> write;  // writes a value other than the default
  const char* section;
  const char* key;
  const char* stored;  // the text the write leaves in the file
  double expectedAfterWrite;
};

std::vector<KeyCase> Keys() {
  using S = IniService;
  return {
      {"GridColor", [](S& s) { return s.ReadGridColor(); }, 8421504, [](S& s) { s.WriteGrid(255, 64, 35); },
       "GRID", "Color", "255", 255},
      {"GridTransparence", [](S& s) { return s.ReadGridTransparence(); }, 127,
       [](S& s) { s.WriteGrid(255, 64, 35); }, "GRID", "Transparence", "64", 64},
      {"GridSize", [](S& s) { return s.ReadGridSize(); }, 3, [](S& s) { s.WriteGrid(255, 64, 35); }, "GRID",
       "Size", "35", 35},
      {"DisplayTextColor", [](S& s) { return s.ReadDisplayTextColor(); }, 15780518,
       [](S& s) { s.WriteDisplayTextColor(0xC0C0C0); }, "DISPLAY", "TextColor", "12632256", 12632256},
      {"DisplayDims", [](S& s) { return s.ReadDisplayDims(); }, 0, [](S& s) { s.WriteDisplayDims(true); },
       "DISPLAY", "Dims", "1", 1},
      {"DisplayBgColor", [](S& s) { return s.ReadDisplayBgColor(); }, 0,
       [](S& s) { s.WriteDisplayBgColor(0x102030); }, "DISPLAY", "BgColor", "1056816", 0x102030},
      {"TestDDS0", [](S& s) { return s.ReadTestDDSFreq(0); }, 0, [](S& s) { s.WriteTestDDSFreq(0, 10.5f); },
       "TEST", "TESTDDS-0", "10.5", 10.5},
      {"TestDDS5", [](S& s) { return s.ReadTestDDSFreq(5); }, 0, [](S& s) { s.WriteTestDDSFreq(5, 400.25f); },
       "TEST", "TESTDDS-5", "400.25", 400.25},
      {"TestDDS3On", [](S& s) { return s.ReadTestDDSOn(3); }, 0, [](S& s) { s.WriteTestDDSOn(3, true); },
       "TEST", "TESTDDS-3-ON", "1", 1},
      {"TestMainVco", [](S& s) { return s.ReadTestMainVcoFreq(); }, 0,
       [](S& s) { s.WriteTestMainVcoFreq(2500.5f); }, "TEST", "TEST_MAINVCO_FREQ", "2500.5", 2500.5},
      {"SkinNr", [](S& s) { return s.ReadSkinNr(); }, 1, [](S& s) { s.WriteSkinNr(12); }, "SKIN", "SKIN_NR",
       "12", 12},
      {"SkinTextColor1", [](S& s) { return s.ReadSkinTextColor(1); }, 8421504,
       [](S& s) { s.WriteSkinTextColor(0xFFFFFF, 1); }, "SKIN", "SKIN_TEXT_COLOR_1", "16777215", 0xFFFFFF},
      {"SkinTextColor12", [](S& s) { return s.ReadSkinTextColor(12); }, 8421504,
       [](S& s) { s.WriteSkinTextColor(7, 12); }, "SKIN", "SKIN_TEXT_COLOR_12", "7", 7},
      {"LangNr", [](S& s) { return s.ReadLangNr(); }, 0, [](S& s) { s.WriteLangNr(3); }, "LANGUAGE",
       "LANG_NR", "3", 3},
      {"XO400Offset", [](S& s) { return s.ReadXO400Offset(); }, 0, [](S& s) { s.WriteXO400Offset(-1234.5); },
       "SYSTEM", "XO400_OFFSET", "-1234.5", -1234.5},
      {"LevelGsm900", [](S& s) { return s.ReadBandLevelV2(1); }, 127, [](S& s) { s.WriteBandLevelV2(1, 90); },
       "SYSTEM", "LEVEL_V2_GSM900", "90", 90},
      {"LevelGsm1800", [](S& s) { return s.ReadBandLevelV2(2); }, 127,
       [](S& s) { s.WriteBandLevelV2(2, 91); }, "SYSTEM", "LEVEL_V2_GSM1800", "91", 91},
      {"LevelUmts", [](S& s) { return s.ReadBandLevelV2(3); }, 127, [](S& s) { s.WriteBandLevelV2(3, 92); },
       "SYSTEM", "LEVEL_V2_UMTS", "92", 92},
      {"LevelLte800", [](S& s) { return s.ReadBandLevelV2(4); }, 127, [](S& s) { s.WriteBandLevelV2(4, 93); },
       "SYSTEM", "LEVEL_V2_LTE800", "93", 93},
      {"LevelLte2600", [](S& s) { return s.ReadBandLevelV2(5); }, 127,
       [](S& s) { s.WriteBandLevelV2(5, 94); }, "SYSTEM", "LEVEL_V2_LTE2600", "94", 94},
  };
}

void PrintTo(const KeyCase& c, std::ostream* os) {
  *os << c.name << " (" << c.section << "/" << c.key << ")";
}

class IniKeyTest : public testing::TestWithParam<KeyCase> {};

TEST_P(IniKeyTest, DefaultWhenMissingThenStoredUnderItsNameAndReadBack) {
  const KeyCase& c = GetParam();
  TempFolder folder;
  IniService ini(folder.path());
  EXPECT_DOUBLE_EQ(c.read(ini), c.expectedDefault);

  c.write(ini);
  EXPECT_EQ(TIniFile(folder.path() + "RT7731IV.INI").ReadString(c.section, c.key, "<missing>"), c.stored);
  IniService other(folder.path());  // nothing is cached: a second service sees the write at once
  EXPECT_DOUBLE_EQ(c.read(other), c.expectedAfterWrite);
  EXPECT_DOUBLE_EQ(c.read(ini), c.expectedAfterWrite);
}

TEST_P(IniKeyTest, UnreadableValueGivesTheDefault) {
  const KeyCase& c = GetParam();
  TempFolder folder;
  folder.Write("RT7731IV.INI", std::string("[") + c.section + "]\r\n" + c.key + "=zwölf\r\n");
  IniService ini(folder.path());
  EXPECT_DOUBLE_EQ(c.read(ini), c.expectedDefault);
}

INSTANTIATE_TEST_SUITE_P(AllKeys, IniKeyTest, testing::ValuesIn(Keys()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IniService, FreshFormBoundsAreTheDefaultWindow) {
  TempFolder folder;
  IniService ini(folder.path());
  EXPECT_EQ(ini.ReadFormBounds(1280, 1024), (FormBounds{100, 100, 800, 600}));
}

TEST(IniService, FormBoundsWriteAllFiveKeys) {
  TempFolder folder;
  IniService ini(folder.path());
  ini.WriteFormBounds({10, 20, 900, 700}, true);
  TIniFile file(folder.path() + "RT7731IV.INI");
  EXPECT_EQ(file.ReadString("FORM", "Left", ""), "10");
  EXPECT_EQ(file.ReadString("FORM", "Top", ""), "20");
  EXPECT_EQ(file.ReadString("FORM", "Width", ""), "900");
  EXPECT_EQ(file.ReadString("FORM", "Height", ""), "700");
  EXPECT_EQ(file.ReadString("FORM", "MAXIMIZED", ""), "1");
}

TEST(IniService, MaximizedPlacesTheWindowByTheScreenWhateverIsStored) {
  TempFolder folder;
  folder.Write("RT7731IV.INI", "[FORM]\nLeft=300\nTop=200\nWidth=500\nHeight=480\nMAXIMIZED=1\n");
  IniService ini(folder.path());
  EXPECT_EQ(ini.ReadFormBounds(1280, 1024), (FormBounds{20, 20, 1240, 944}));
}

TEST(IniService, HandEditedFileWithOtherCaseCrLfAndBadNumbers) {
  TempFolder folder;
  folder.Write("RT7731IV.INI",
               "[form]\r\nleft=300\r\ntop = 200 \r\nWidth=12x\r\nHeight=\r\n"
               "[Grid]\r\ncolor=255\r\nSIZE=3.5\r\n[language]\r\nlang_nr=2\r\n[SKIN");  // truncated
  IniService ini(folder.path());
  EXPECT_EQ(ini.ReadFormBounds(1280, 1024), (FormBounds{300, 200, 800, 600}));
  EXPECT_EQ(ini.ReadGridColor(), 255);
  EXPECT_EQ(ini.ReadGridSize(), 3);  // not an integer: the default
  EXPECT_EQ(ini.ReadLangNr(), 2);
  EXPECT_EQ(ini.ReadSkinNr(), 1);
}

TEST(IniService, NumbersOutOfTheirUseAreReturnedAsStored) {
  TempFolder folder;
  IniService ini(folder.path());
  ini.WriteSkinNr(99);
  ini.WriteLangNr(7);
  EXPECT_EQ(ini.ReadSkinNr(), 99);
  EXPECT_EQ(ini.ReadLangNr(), 7);
}

TEST(IniService, ChannelsAndBandsOutsideTheirRangeReadZeroAndWriteNothing) {
  TempFolder folder;
  IniService ini(folder.path());
  ini.WriteTestDDSFreq(6, 5.0f);
  ini.WriteTestDDSFreq(-1, 5.0f);
  ini.WriteTestDDSOn(6, true);
  ini.WriteBandLevelV2(0, 10);
  ini.WriteBandLevelV2(6, 10);
  EXPECT_FALSE(folder.Exists("RT7731IV.INI"));

  folder.Write("RT7731IV.INI", "[TEST]\nTESTDDS-6=5\nTESTDDS-6-ON=1\n[SYSTEM]\nLEVEL_V2_=3\n");
  EXPECT_EQ(ini.ReadTestDDSFreq(6), 0.0f);
  EXPECT_EQ(ini.ReadTestDDSFreq(-1), 0.0f);
  EXPECT_FALSE(ini.ReadTestDDSOn(6));
  EXPECT_EQ(ini.ReadBandLevelV2(0), 0);
  EXPECT_EQ(ini.ReadBandLevelV2(6), 0);
  ini.WriteTestDDSFreq(6, 7.0f);
  EXPECT_EQ(folder.Read("RT7731IV.INI"), "[TEST]\nTESTDDS-6=5\nTESTDDS-6-ON=1\n[SYSTEM]\nLEVEL_V2_=3\n");
}

TEST(IniService, WritesIntoAMissingFolderAreCountedAndReadsGiveDefaults) {
  TempFolder folder;
  IniService ini(folder.path() + "missing/");
  ini.WriteGrid(1, 2, 3);
  ini.WriteLangNr(2);
  EXPECT_EQ(ini.FailedWrites(), 4);
  EXPECT_EQ(ini.ReadLangNr(), 0);
  EXPECT_EQ(ini.ReadGridColor(), 8421504);
}

TEST(IniService, FolderWithoutTrailingSeparator) {
  TempFolder folder;
  std::string path = folder.path();
  path.pop_back();
  IniService ini(path);
  ini.WriteSkinNr(2);
  EXPECT_TRUE(folder.Exists("RT7731IV.INI"));
}

TEST(IniService, SaveAndLoadTheBoundsOfAForm) {
  TempFolder folder;
  IniService ini(folder.path());
  TForm form(nullptr);
  form.SetBounds(120, 130, 640, 500);
  ini.SaveFormBounds(&form);
  TForm restored(nullptr);
  ini.LoadFormBounds(&restored);
  EXPECT_EQ(restored.Left(), 120);
  EXPECT_EQ(restored.Top(), 130);
  EXPECT_EQ(restored.Width(), 640);
  EXPECT_EQ(restored.Height(), 500);
  ini.LoadFormBounds(nullptr);
  ini.SaveFormBounds(nullptr);
}

struct ClampCase {
  const char* name;
  FormBounds stored;
  FormBounds expected;
};

void PrintTo(const ClampCase& c, std::ostream* os) {
  *os << c.name << " (" << c.stored.Left << ", " << c.stored.Top << ", " << c.stored.Width << " x "
      << c.stored.Height << ")";
}

class ClampFormBoundsTest : public testing::TestWithParam<ClampCase> {};

TEST_P(ClampFormBoundsTest, KeepsTheWindowUsableOnA1280x1024Screen) {
  EXPECT_EQ(ClampFormBounds(GetParam().stored, 1280, 1024), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClampFormBoundsTest,
    testing::Values(ClampCase{"Default", {100, 100, 800, 600}, {100, 100, 800, 600}},
                    ClampCase{"PartlyOffTheRightIsKept", {1000, 500, 800, 600}, {1000, 500, 800, 600}},
                    ClampCase{"FarRight", {5000, 100, 800, 600}, {1180, 100, 800, 600}},
                    ClampCase{"FarLeft", {-3000, 100, 800, 600}, {-700, 100, 800, 600}},
                    ClampCase{"AboveTheScreen", {100, -50, 800, 600}, {100, 0, 800, 600}},
                    ClampCase{"FarBelow", {100, 3000, 800, 600}, {100, 974, 800, 600}},
                    ClampCase{"BelowTheMinimumSize", {100, 100, 300, 0}, {100, 100, 462, 462}},
                    ClampCase{"NegativeSize", {100, 100, -5, -5}, {100, 100, 462, 462}},
                    ClampCase{"LargerThanTheScreenShrinksToIt", {0, 0, 2000, 1500}, {0, 0, 1280, 1024}},
                    ClampCase{"HugeShrinksToTheScreen", {10, 10, 24000, 24000}, {10, 10, 1280, 1024}},
                    ClampCase{"WideOnly", {0, 0, 20000, 600}, {0, 0, 1280, 600}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
