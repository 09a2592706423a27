// Fuzz entry point of the program's INI file: a file of any content loads, every reader gives a value
// its users can take, and saving the window bounds and the grid changes those keys and nothing else.
#include <cmath>
#include <string>
#include <vector>

#include "base/IniService.h"
#include "base/Language.h"
#include "tests/support/fuzz/Fuzz.h"
#include "tests/support/fuzz/IniLines.h"
#include "tests/support/fuzz/ScratchFolder.h"

namespace {

constexpr int ScreenWidth = 1920;
constexpr int ScreenHeight = 1080;

// Everything the program reads from the file, through the service's readers.
struct Settings {
  FormBounds bounds;
  int gridColor, gridTransparence, gridSize;
  int textColor, bgColor;
  bool dims;
  std::vector<double> ddsFreq;
  std::vector<bool> ddsOn;
  double mainVco;
  int skin, skinTextColor, language;
  double xo400;
  std::vector<int> bandLevels;

  bool SameExceptWritten(const Settings& o) const {
    // FORM, GRID and channel 0 of TEST are written by the driver.
    return textColor == o.textColor && bgColor == o.bgColor && dims == o.dims &&
           std::vector<double>(ddsFreq.begin() + 1, ddsFreq.end()) ==
               std::vector<double>(o.ddsFreq.begin() + 1, o.ddsFreq.end()) &&
           ddsOn == o.ddsOn && mainVco == o.mainVco && skin == o.skin && skinTextColor == o.skinTextColor &&
           language == o.language && xo400 == o.xo400 && bandLevels == o.bandLevels;
  }
};

Settings ReadAll(IniService& ini) {
  Settings s;
  s.bounds = ini.ReadFormBounds(ScreenWidth, ScreenHeight);
  s.gridColor = ini.ReadGridColor();
  s.gridTransparence = ini.ReadGridTransparence();
  s.gridSize = ini.ReadGridSize();
  s.textColor = ini.ReadDisplayTextColor();
  s.bgColor = ini.ReadDisplayBgColor();
  s.dims = ini.ReadDisplayDims();
  for (int channel = 0; channel < 6; ++channel) {
    s.ddsFreq.push_back(ini.ReadTestDDSFreq(channel));
    s.ddsOn.push_back(ini.ReadTestDDSOn(channel));
  }
  s.mainVco = ini.ReadTestMainVcoFreq();
  s.skin = ini.ReadSkinNr();
  s.skinTextColor = ini.ReadSkinTextColor(s.skin);
  s.language = ini.ReadLangNr();
  s.xo400 = ini.ReadXO400Offset();
  for (int band = 1; band <= 5; ++band) s.bandLevels.push_back(ini.ReadBandLevelV2(band));
  return s;
}

void CheckRanges(const Settings& s) {
  const FormBounds& b = s.bounds;
  FUZZ_CHECK(b.Width >= MinFormWidth && b.Height >= MinFormHeight, "window below its minimum size");
  FUZZ_CHECK(b.Width <= MaxFormExtent && b.Height <= MaxFormExtent, "window larger than a window can be");
  FUZZ_CHECK(b.Left <= ScreenWidth - 100 && b.Left + b.Width >= 100, "window title off the screen sideways");
  FUZZ_CHECK(b.Top >= 0 && b.Top <= ScreenHeight - 50, "window title off the screen vertically");
  FUZZ_CHECK(s.gridTransparence >= 0 && s.gridTransparence <= 255, "grid alpha outside 0..255");
  for (double f : s.ddsFreq) FUZZ_CHECK(std::isfinite(f), "test synthesiser frequency not finite");
  FUZZ_CHECK(std::isfinite(s.mainVco), "main VCO frequency not finite");
  FUZZ_CHECK(std::isfinite(s.xo400), "clock offset not finite");
  const int skin = LanguageSkinTool::ValidSkinNr(s.skin);
  const int language = LanguageSkinTool::ValidLanguageNr(s.language);
  FUZZ_CHECK(skin >= MinSkinNr && skin <= MaxSkinNr, "skin number the program cannot name");
  FUZZ_CHECK(language >= 0 && language < LanguageCount, "language without texts");
  FUZZ_CHECK(s.skin == skin || skin == DefaultSkinNr, "a valid skin number was changed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzz::ScratchFolder folder;
  folder.Write(IniService::FileName, data, size);
  IniService ini(folder.Path());
  const Settings loaded = ReadAll(ini);
  CheckRanges(loaded);

  // What the program writes: the window bounds at exit, the grid from the settings window, a test channel.
  const FormBounds bounds{12, 34, 640, 480};
  ini.WriteFormBounds(bounds, false);
  ini.WriteGrid(0x123456, 200, 35);
  ini.WriteTestDDSFreq(0, 10.7e6f);
  FUZZ_CHECK(ini.FailedWrites() == 0, "a write failed");
  const Settings saved = ReadAll(ini);
  FUZZ_CHECK(saved.bounds == bounds, "the window bounds do not read back");
  FUZZ_CHECK(saved.gridColor == 0x123456 && saved.gridTransparence == 200 && saved.gridSize == 35,
             "the grid does not read back");
  FUZZ_CHECK(saved.ddsFreq[0] == 10.7e6f, "the test channel does not read back");
  FUZZ_CHECK(saved.SameExceptWritten(loaded), "a key that was not written reads differently");
  fuzz::CheckNothingLost(
      fuzz::ToText(data, size), folder.Read(IniService::FileName),
      {"Left", "Top", "Width", "Height", "MAXIMIZED", "Color", "Transparence", "Size", "TESTDDS-0"},
      {"FORM", "GRID", "TEST"});
  return 0;
}

fuzz::Corpus fuzz::DriverCorpus() {
  const std::vector<std::string> files = {
      "",
      "[FORM]\r\nLeft=100\r\nTop=100\r\nWidth=800\r\nHeight=600\r\nMAXIMIZED=0\r\n\r\n"
      "[GRID]\r\nColor=8421504\r\nTransparence=127\r\nSize=3\r\n\r\n"
      "[DISPLAY]\r\nTextColor=15780518\r\nDims=0\r\nBgColor=0\r\n\r\n"
      "[TEST]\r\nTESTDDS-0=10700000\r\nTESTDDS-0-ON=1\r\nTESTDDS-5=455000.5\r\nTEST_MAINVCO_FREQ=2."
      "5E9\r\n\r\n"
      "[SKIN]\r\nSKIN_NR=1\r\nSKIN_TEXT_COLOR_1=8421504\r\n\r\n[LANGUAGE]\r\nLANG_NR=2\r\n\r\n"
      "[SYSTEM]\r\nXO400_OFFSET=-123.456\r\nLEVEL_V2_GSM900=127\r\nLEVEL_V2_LTE2600=90\r\n",
      "; hand edited\n[form]\nleft = "
      "-3000\ntop=99999\nwidth=12x\nheight=\nmaximized=1\n[grid]\ntransparence=300\n"
      "size=-5\n[Grid]\nColor=1\n",
      "\xEF\xBB\xBF[SKIN]\nSKIN_NR=99\nSKIN_TEXT_COLOR_99=\"  42  \"\n[LANGUAGE]\nLANG_NR=-1\n"
      "[TEST]\nTESTDDS-1=1e39\nTEST_MAINVCO_FREQ=-1e300\n",
      "[FORM\nLeft=5\n]\n=7\n[SYSTEM]XO400_OFFSET=1\nXO400_OFFSET=1.5e-320\n[FORM]\nWidth=2147483647\n"
      "Height=-2147483648\nLeft=2147483647\r",
  };
  Corpus corpus;
  for (const std::string& f : files) corpus.seeds.push_back(ToBytes(f));
  corpus.dictionary = {"[FORM]\n",    "[GRID]\n",
                       "[TEST]\n",    "[SKIN]\n",
                       "[SYSTEM]\n",  "[LANGUAGE]\n",
                       "\n",          "\r\n",
                       "=",           "[",
                       "]",           "\"",
                       ";",           " ",
                       "Left=",       "Width=",
                       "MAXIMIZED=1", "Transparence=",
                       "TESTDDS-0=",  "SKIN_NR=",
                       "LANG_NR=",    "XO400_OFFSET=",
                       "-2147483648", "2147483648",
                       "4294967296",  "1e39",
                       "-1e39",       "1e308",
                       "1e309",       "nan",
                       "inf",         "-0",
                       "0x10",        "\xEF\xBB\xBF"};
  return corpus;
}
