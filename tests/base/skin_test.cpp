// Skin bitmaps: file candidates and names, indexing of every set, captions, darkened active buttons,
// missing and corrupt files, category titles and the shipped skin.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "ShellFixture.h"
#include "SkinFiles.h"
#include "platform/imaging/Imaging.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Graphics.h"
#include "base/Language.h"

namespace {

using skinfiles::WriteSkin;

struct CandidateCase {
  const char* name;
  std::vector<const char*> present;
  const char* chosen;
};

void PrintTo(const CandidateCase& c, std::ostream* os) {
  *os << c.name << " {";
  for (size_t i = 0; i < c.present.size(); ++i) *os << (i ? " " : "") << c.present[i];
  *os << "}";
}

class ChooseSkinFileTest : public testing::TestWithParam<CandidateCase> {};

TEST_P(ChooseSkinFileTest, LastExistingCandidateWins) {
  TempFolder folder;
  for (const char* ext : GetParam().present) folder.Write(std::string("MainButNormal101101") + ext, "x");
  const std::string expected =
      *GetParam().chosen ? folder.path() + "MainButNormal101101" + GetParam().chosen : "";
  EXPECT_EQ(LanguageSkinTool::ChooseSkinFile(folder.path() + "MainButNormal101101"), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChooseSkinFileTest,
    testing::Values(CandidateCase{"None", {}, ""}, CandidateCase{"BmpOnly", {".bmp"}, ".bmp"},
                    CandidateCase{"JpgOverBmp", {".bmp", ".jpg"}, ".jpg"},
                    CandidateCase{"TifOverJpg", {".jpg", ".tif"}, ".tif"},
                    CandidateCase{"TgaOverAll", {".bmp", ".jpg", ".tif", ".tga"}, ".tga"},
                    CandidateCase{"OtherExtensionIgnored", {".png"}, ""},
                    CandidateCase{"UpperCaseIgnored", {".BMP"}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SkinNames, BuiltFromSkinAndEntryNumbers) {
  EXPECT_EQ(LanguageSkinTool::MainButtonName(1, 3, false), "MainButNormal101103");
  EXPECT_EQ(LanguageSkinTool::MainButtonName(1, 9, true), "MainButActive101109");
  EXPECT_EQ(LanguageSkinTool::MainButtonName(0, 1, false), "MainButNormal100101");
  EXPECT_EQ(LanguageSkinTool::PanelName(1, 7), "Panel101107");
  EXPECT_EQ(LanguageSkinTool::PanelName(12, 1), "Panel112101");
  EXPECT_EQ(LanguageSkinTool::FrameButtonName(12), "FrameBut112101");
  EXPECT_EQ(LanguageSkinTool::SymbolName(0), "Symbol_0");
  EXPECT_EQ(LanguageSkinTool::SymbolName(12), "Symbol_12");
}

class SkinTest : public ShellFolderTest {
 protected:
  std::string Elements(const std::string& name) const {
    return PlatformPath(folder.path() + "Elements\\" + name);
  }
};

// Every pixel of a bitmap that differs from colour, as its bounding rows and columns.
struct Ink {
  int top = 1 << 20, bottom = -1, left = 1 << 20, right = -1;
  bool Empty() const { return bottom < 0; }
};

Ink InkOf(TBitmap* bitmap, TColor background) {
  Ink ink;
  for (int y = 0; y < bitmap->Height(); ++y)
    for (int x = 0; x < bitmap->Width(); ++x)
      if (bitmap->Canvas()->Pixels(x, y) != background) {
        ink.top = std::min(ink.top, y);
        ink.bottom = std::max(ink.bottom, y);
        ink.left = std::min(ink.left, x);
        ink.right = std::max(ink.right, x);
      }
  return ink;
}

TSize CaptionExtent(const std::string& text) {
  TBitmap scratch;
  scratch.SetSize(10, 10);
  scratch.Canvas()->Font()->SetName("Verdana");
  scratch.Canvas()->Font()->SetHeight(16);
  return scratch.Canvas()->TextExtent(text);
}

TEST_F(SkinTest, EverySetIsIndexedAsItsGettersPromise) {
  WriteSkin(folder, 1, true);
  LanguageSkinTool tool;
  for (int n = 1; n <= 9; ++n) {
    SCOPED_TRACE(n);
    ASSERT_NE(tool.GetMainButton(n, false), nullptr);
    ASSERT_NE(tool.GetMainButton(n, true), nullptr);
    EXPECT_NE(tool.GetMainButton(n, false), tool.GetMainButton(n, true));
    EXPECT_EQ(tool.GetMainButton(n, false)->Width(), 80);
  }
  EXPECT_EQ(tool.GetMainButton(0, false), nullptr);
  EXPECT_EQ(tool.GetMainButton(10, true), nullptr);

  for (int n = 1; n <= 7; ++n) {
    SCOPED_TRACE(n);
    ASSERT_NE(tool.GetPanel(n), nullptr);
    EXPECT_EQ(tool.GetPanel(n)->Width(), 100 + n);  // panel n is Panel1011<n>
    EXPECT_EQ(tool.GetPanel(n)->Height(), 50 + n);
  }
  EXPECT_EQ(tool.GetPanel(0), nullptr);
  EXPECT_EQ(tool.GetPanel(8), nullptr);

  for (int n = 0; n <= 12; ++n) {
    ASSERT_NE(tool.GetSymbol(n), nullptr);
    EXPECT_EQ(tool.GetSymbol(n)->depth, 4);
  }
  EXPECT_EQ(tool.GetSymbol(-1), nullptr);
  EXPECT_EQ(tool.GetSymbol(13), nullptr);

  std::set<TBitmap*> distinct;
  for (int c = 1; c <= 9; ++c) {
    for (int n = 1; n <= FrameButtonCounts[c - 1]; ++n) {
      SCOPED_TRACE(std::to_string(c) + "/" + std::to_string(n));
      ASSERT_NE(tool.GetFrameButton(c, n, false), nullptr);
      ASSERT_NE(tool.GetFrameButton(c, n, true), nullptr);
      EXPECT_EQ(tool.GetFrameButton(c, n, false)->Width(), 140);
      distinct.insert(tool.GetFrameButton(c, n, false));
      distinct.insert(tool.GetFrameButton(c, n, true));
    }
    EXPECT_EQ(tool.GetFrameButton(c, 0, false), nullptr);
    EXPECT_EQ(tool.GetFrameButton(c, FrameButtonCounts[c - 1] + 1, false), nullptr);
  }
  EXPECT_EQ(distinct.size(), 80u);
  EXPECT_EQ(tool.GetFrameButton(3, 4, false), nullptr);
  EXPECT_EQ(tool.GetFrameButton(5, 3, true), nullptr);
  EXPECT_EQ(tool.GetFrameButton(0, 1, false), nullptr);
  EXPECT_EQ(tool.GetFrameButton(10, 1, false), nullptr);

  for (int n = 1; n <= 2; ++n) {
    EXPECT_NE(tool.GetUpDownButton(n, false), nullptr);
    EXPECT_NE(tool.GetUpDownButton(n, true), nullptr);
  }
  EXPECT_EQ(tool.GetUpDownButton(0, false), nullptr);
  EXPECT_EQ(tool.GetUpDownButton(3, true), nullptr);
}

TEST_F(SkinTest, FrameButtonsAreCentredCaptionsOnNormalAndDarkenedImages) {
  WriteSkin(folder, 1, false);
  GlobalIniService->WriteSkinTextColor(clWhite, 1);
  LanguageSkinTool tool;
  TBitmap* normal = tool.GetFrameButton(1, 2, false);
  TBitmap* active = tool.GetFrameButton(1, 2, true);
  ASSERT_NE(normal, nullptr);
  ASSERT_NE(active, nullptr);
  const TColor grey = RGB(100, 100, 100);
  EXPECT_EQ(normal->Canvas()->Pixels(2, 2), grey);
  EXPECT_LT(GetRValue(active->Canvas()->Pixels(2, 2)), 100);  // darkened

  const TSize extent = CaptionExtent("Intensity");
  const Ink ink = InkOf(normal, grey);
  ASSERT_FALSE(ink.Empty());
  const int x0 = (140 - extent.cx) / 2;
  const int y0 = (40 - extent.cy) / 2;
  EXPECT_GE(ink.left, x0 - 1);
  EXPECT_LE(ink.right, x0 + extent.cx);
  EXPECT_GE(ink.top, y0);
  EXPECT_LT(ink.bottom, y0 + extent.cy);
}

TEST_F(SkinTest, MainButtonCaptionsSit20And24PixelsAboveTheBottom) {
  WriteSkin(folder, 1, false);  // no symbols: only the caption changes the uniform buttons
  GlobalIniService->WriteLangNr(LangGerman);
  LanguageSkinTool tool;
  const int th = CaptionExtent("Analysator").cy;
  const Ink normal = InkOf(tool.GetMainButton(1, false), RGB(40, 40, 40));
  const Ink active = InkOf(tool.GetMainButton(1, true), RGB(60, 60, 60));
  ASSERT_FALSE(normal.Empty());
  ASSERT_FALSE(active.Empty());
  EXPECT_GE(normal.top, 80 - 20);
  EXPECT_LT(normal.bottom, 80 - 20 + th);
  EXPECT_GE(active.top, 80 - 24);
  EXPECT_LT(active.bottom, 80 - 24 + th);
  EXPECT_GT(active.top - normal.top, -6);
  EXPECT_LT(active.top, normal.top);
  const int x0 = (80 - CaptionExtent("Analysator").cx) / 2;
  EXPECT_GE(normal.left, x0 - 1);
}

TEST_F(SkinTest, SymbolsAreBlendedIntoMainButtons) {
  WriteSkin(folder, 1, true);
  LanguageSkinTool tool;
  TBitmap* button = tool.GetMainButton(4, false);
  ASSERT_NE(button, nullptr);
  // White at half alpha over grey 40 inside the symbol's square at (16, 8); untouched outside it.
  const TColor inside = button->Canvas()->Pixels(20, 12);
  EXPECT_GT(GetRValue(inside), 120);
  EXPECT_LT(GetRValue(inside), 170);
  EXPECT_EQ(button->Canvas()->Pixels(4, 4), RGB(40, 40, 40));
}

TEST_F(SkinTest, MissingFrameButtonFileIsLoggedAndSaidAndPlainButtonsStandIn) {
  WriteSkin(folder, 1, true);
  std::filesystem::remove(folder.path() + "Elements/FrameBut101101.bmp");
  testing::internal::CaptureStderr();
  LanguageSkinTool tool;
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(LogHas("Versuch Open     " + Elements("FrameBut101101.bmp")));
  EXPECT_TRUE(LogHas("Fehler Open     "));
  EXPECT_NE(err.find(Elements("FrameBut101101") + ".bmp/.jpg/.tif/.tga (not found)"), std::string::npos)
      << err;
  EXPECT_NE(err.find("plain buttons with their captions are used instead"), std::string::npos) << err;
  for (int c = 1; c <= 9; ++c)
    for (int n = 1; n <= FrameButtonCounts[c - 1]; ++n) {
      ASSERT_NE(tool.GetFrameButton(c, n, false), nullptr);
      EXPECT_EQ(tool.GetFrameButton(c, n, false)->Width(), 140);
      EXPECT_EQ(tool.GetFrameButton(c, n, true)->Height(), 40);
    }
  EXPECT_NE(tool.GetUpDownButton(1, false), nullptr);
  EXPECT_NE(tool.GetMainButton(1, false), nullptr);
}

// A button picture that cannot be read (whatever the damage) is named on stderr, and a plain button
// of the picture's size carries the caption instead.
struct DamageCase {
  const char* name;
  std::function<void(TempFolder&)> damage;
  const char* reported;  // the file named on stderr, below Elements/
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

class DamagedButtonPicture : public SkinTest, public testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedButtonPicture, IsNamedOnStderrAndAPlainButtonCarriesTheCaption) {
  WriteSkin(folder, 1, true);
  GlobalIniService->WriteSkinTextColor(clWhite, 1);
  GetParam().damage(folder);
  testing::internal::CaptureStderr();
  LanguageSkinTool tool;
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("skin picture " + Elements(GetParam().reported)), std::string::npos) << err;
  for (TBitmap* button : {tool.GetMainButton(2, false), tool.GetFrameButton(1, 1, false)}) {
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(InkOf(button, RGB(0x30, 0x30, 0x30)).Empty());
    // The white caption is drawn on the plain face.
    bool white = false;
    for (int y = 0; y < button->Height() && !white; ++y)
      for (int x = 0; x < button->Width() && !white; ++x) white = button->Canvas()->Pixels(x, y) == clWhite;
    EXPECT_TRUE(white);
  }
  EXPECT_EQ(tool.GetMainButton(2, false)->Width(), 80);
  EXPECT_EQ(tool.GetFrameButton(1, 1, false)->Width(), 140);
}

void Corrupt(TempFolder& folder, const std::string& text) {
  folder.Write("Elements/MainButNormal101102.bmp", text);
  folder.Write("Elements/FrameBut101101.bmp", text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedButtonPicture,
    testing::Values(
        DamageCase{"Garbage", [](TempFolder& f) { Corrupt(f, "BM this is not an image"); },
                   "MainButNormal101102.bmp"},
        DamageCase{"Empty", [](TempFolder& f) { Corrupt(f, ""); }, "FrameBut101101.bmp"},
        DamageCase{"Truncated",
                   [](TempFolder& f) { Corrupt(f, skinfiles::Bmp(140, 40, 1, 2, 3).substr(0, 60)); },
                   "FrameBut101101.bmp"},
        DamageCase{"FolderMissing", [](TempFolder& f) { std::filesystem::remove_all(f.path() + "Elements"); },
                   "MainButNormal101102"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SkinTest, FoundFrameButtonFileIsLoggedWithTheChosenCandidate) {
  WriteSkin(folder, 1, false);
  folder.Write("Elements/FrameBut101101.tga", skinfiles::Tga(140, 40, 10, 20, 30, 255));
  LanguageSkinTool tool;
  const int tried = LogList->IndexOf("Versuch Open     " + Elements("FrameBut101101.bmp"));
  const int opened = LogList->IndexOf("Open     " + Elements("FrameBut101101.tga"));
  ASSERT_GE(tried, 0);
  EXPECT_EQ(opened, tried + 1);
  EXPECT_EQ(tool.GetFrameButton(1, 1, false)->Canvas()->Pixels(1, 1), RGB(10, 20, 30));
}

TEST_F(SkinTest, CorruptAndMissingFilesGiveNullEntriesOrPlainButtonsAndTheRestLoads) {
  WriteSkin(folder, 1, true);
  folder.Write("Elements/MainButNormal101102.bmp", "BM this is not an image");
  std::filesystem::remove(folder.path() + "Elements/Panel101103.bmp");
  folder.Write("Elements/Symbol_5.tga", "");
  LanguageSkinTool tool;
  EXPECT_NE(tool.GetMainButton(2, false), nullptr);  // a plain button stands in
  EXPECT_NE(tool.GetMainButton(2, true), nullptr);
  EXPECT_NE(tool.GetMainButton(3, false), nullptr);
  EXPECT_EQ(tool.GetPanel(3), nullptr);
  EXPECT_NE(tool.GetPanel(4), nullptr);
  EXPECT_EQ(tool.GetSymbol(5), nullptr);
  EXPECT_NE(tool.GetMainButton(6, false), nullptr);  // drawn without its icon
  EXPECT_TRUE(LogHas("Fehler Open     " + Elements("MainButNormal101102.bmp")));
  EXPECT_TRUE(LogHas("Fehler Open     " + Elements("Symbol_5.tga")));
}

TEST_F(SkinTest, SkinTwelveReadsItsOwnFiles) {
  WriteSkin(folder, 12, false);
  GlobalIniService->WriteSkinNr(12);
  LanguageSkinTool tool;
  for (int n = 1; n <= 7; ++n) EXPECT_NE(tool.GetPanel(n), nullptr);
  EXPECT_NE(tool.GetFrameButton(1, 1, false), nullptr);
  EXPECT_TRUE(LogHas("Open     " + Elements("FrameBut112101.bmp")));
}

TEST_F(SkinTest, ReloadTakesTheNewSkinForMainButtonsAndPanels) {
  WriteSkin(folder, 1, false);
  LanguageSkinTool tool;
  ASSERT_NE(tool.GetPanel(1), nullptr);
  GlobalIniService->WriteSkinNr(2);  // a skin without files
  tool.Reload();
  EXPECT_EQ(tool.GetSkinNr(), 2);
  EXPECT_EQ(tool.GetPanel(1), nullptr);
  const TColor plainFace = 0x303030;  // the stand-in for a button picture that is not there
  ASSERT_NE(tool.GetMainButton(1, false), nullptr);
  EXPECT_EQ(tool.GetMainButton(1, false)->Canvas()->Pixels(4, 4), plainFace);
  ASSERT_NE(tool.GetFrameButton(1, 1, false), nullptr);  // rebuilt only by LoadFrameButtons
  EXPECT_NE(tool.GetFrameButton(1, 1, false)->Canvas()->Pixels(4, 4), plainFace);
  tool.LoadFrameButtons();
  ASSERT_NE(tool.GetFrameButton(1, 1, false), nullptr);
  EXPECT_EQ(tool.GetFrameButton(1, 1, false)->Canvas()->Pixels(4, 4), plainFace);
}

// What changes between two updates of the frame buttons, and whether the update loads them anew.
struct FrameButtonUpdateCase {
  const char* name;
  void (*change)(LanguageSkinTool& tool);
  bool loadsAnew;
};

void PrintTo(const FrameButtonUpdateCase& c, std::ostream* os) { *os << c.name; }

class FrameButtonUpdateTest : public SkinTest, public testing::WithParamInterface<FrameButtonUpdateCase> {};

TEST_P(FrameButtonUpdateTest, LoadsOnlyWhatWouldComeOutDifferent) {
  WriteSkin(folder, 1, false);
  LanguageSkinTool tool;
  const TColor marker = RGB(1, 2, 3);  // drawn on the loaded button: a new load does not have it
  tool.GetFrameButton(1, 1, false)->Canvas()->SetPixels(0, 0, marker);
  const int logged = LogList->Count();
  GetParam().change(tool);
  tool.UpdateFrameButtons();
  ASSERT_NE(tool.GetFrameButton(1, 1, false), nullptr);
  EXPECT_EQ(tool.GetFrameButton(1, 1, false)->Canvas()->Pixels(0, 0) != marker, GetParam().loadsAnew);
  EXPECT_EQ(LogList->Count() > logged, GetParam().loadsAnew);  // a load logs the file it opens
}

INSTANTIATE_TEST_SUITE_P(
    Changes, FrameButtonUpdateTest,
    testing::Values(FrameButtonUpdateCase{"Nothing", [](LanguageSkinTool& tool) { tool.Reload(); }, false},
                    FrameButtonUpdateCase{"Language",
                                          [](LanguageSkinTool& tool) {
                                            GlobalIniService->WriteLangNr(LangGerman);
                                            tool.Reload();
                                          },
                                          true},
                    FrameButtonUpdateCase{"Skin",
                                          [](LanguageSkinTool& tool) {
                                            GlobalIniService->WriteSkinNr(2);
                                            tool.Reload();
                                          },
                                          true},
                    FrameButtonUpdateCase{"TextColour",
                                          [](LanguageSkinTool&) {
                                            GlobalIniService->WriteSkinTextColor(RGB(9, 9, 9), 1);
                                          },
                                          true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SkinTest, FrameTitleHasTheRectSizeAndItsLine) {
  WriteSkin(folder, 1, true);
  GlobalIniService->WriteSkinTextColor(clWhite, 1);
  LanguageSkinTool tool;
  std::unique_ptr<TBitmap> title(tool.CreateFrameTitle(2, TRect(0, 0, 160, 300)));
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->Width(), 160);
  EXPECT_EQ(title->Height(), 300);
  EXPECT_EQ(title->Canvas()->Pixels(10, 78), clWhite);
  EXPECT_EQ(title->Canvas()->Pixels(150, 78), clWhite);
  EXPECT_NE(title->Canvas()->Pixels(2, 78), clWhite);
  EXPECT_NE(title->Canvas()->Pixels(10, 200), clWhite);
}

// Titles of one size share one resized panel; a title of another size, or after a skin change, is made
// from the panel it asks for.
TEST_F(SkinTest, FrameTitlesFollowTheirSizeAndTheSkinsPanel) {
  WriteSkin(folder, 1, true);
  WriteSkin(folder, 2, true);
  folder.Write("Elements/Panel102107.bmp", skinfiles::Bmp(107, 57, 200, 10, 10));
  LanguageSkinTool tool;
  const auto title = [&](int category, int width, int height) {
    return std::unique_ptr<TBitmap>(tool.CreateFrameTitle(category, TRect(0, 0, width, height)));
  };
  const TColor skin1Panel = RGB(20, 30, 40), skin2Panel = RGB(200, 10, 10);

  const auto first = title(2, 160, 300);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Canvas()->Pixels(10, 200), skin1Panel);
  const auto other = title(3, 120, 200);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(other->Width(), 120);
  EXPECT_EQ(other->Height(), 200);
  EXPECT_EQ(other->Canvas()->Pixels(10, 150), skin1Panel);
  const auto again = title(2, 160, 300);
  ASSERT_NE(again, nullptr);
  for (int y = 0; y < 300; y += 3)
    for (int x = 0; x < 160; x += 3) ASSERT_EQ(again->Canvas()->Pixels(x, y), first->Canvas()->Pixels(x, y));

  GlobalIniService->WriteSkinNr(2);
  tool.Reload();
  const auto reskinned = title(2, 160, 300);
  ASSERT_NE(reskinned, nullptr);
  EXPECT_EQ(reskinned->Canvas()->Pixels(10, 200), skin2Panel);
}

TEST_F(SkinTest, FrameTitleNullCases) {
  WriteSkin(folder, 1, true);
  LanguageSkinTool tool;
  EXPECT_EQ(tool.CreateFrameTitle(0, TRect(0, 0, 160, 300)), nullptr);
  EXPECT_EQ(tool.CreateFrameTitle(10, TRect(0, 0, 160, 300)), nullptr);
  EXPECT_EQ(tool.CreateFrameTitle(1, TRect(0, 0, 0, 300)), nullptr);
  EXPECT_EQ(tool.CreateFrameTitle(1, TRect(10, 10, 5, 300)), nullptr);

  std::filesystem::remove(folder.path() + "Elements/Panel101107.bmp");
  tool.Reload();
  EXPECT_EQ(tool.CreateFrameTitle(1, TRect(0, 0, 160, 300)), nullptr);
}

struct AlphaCase {
  const char* name;
  int depth;
  double factor;
  uint8_t before;
  uint8_t after;
};

void PrintTo(const AlphaCase& c, std::ostream* os) {
  *os << c.name << " depth " << c.depth << " factor " << c.factor << " alpha " << int(c.before);
}

class ScaleAlphaTest : public testing::TestWithParam<AlphaCase> {};

TEST_P(ScaleAlphaTest, ScalesOnlyTheAlphaOfRgbaImages) {
  const AlphaCase& c = GetParam();
  imaging::Image image = imaging::MakeImage(2, 1, c.depth, false);
  for (int i = 0; i < 2 * c.depth; ++i) image.pixels[size_t(i)] = c.before;
  LanguageSkinTool::ScaleAlpha(&image, c.factor);
  for (int i = 0; i < 2 * c.depth; ++i) {
    const bool alpha = c.depth == 4 && i % 4 == 3;
    EXPECT_EQ(image.pixels[size_t(i)], alpha ? c.after : c.before) << "byte " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScaleAlphaTest,
    testing::Values(AlphaCase{"Capped", 4, 1.5, 200, 255}, AlphaCase{"Scaled", 4, 1.5, 100, 150},
                    AlphaCase{"Truncated", 4, 0.5, 101, 50}, AlphaCase{"Zero", 4, 0.0, 99, 0},
                    AlphaCase{"FactorOne", 4, 1.0, 100, 100}, AlphaCase{"Negative", 4, -0.5, 100, 100},
                    AlphaCase{"Huge", 4, 1e300, 1, 255}, AlphaCase{"RgbUntouched", 3, 1.5, 100, 100}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScaleAlpha, EmptyOrNullImageIsLeftAlone) {
  LanguageSkinTool::ScaleAlpha(nullptr, 1.5);
  imaging::Image empty;
  LanguageSkinTool::ScaleAlpha(&empty, 1.5);
  EXPECT_TRUE(empty.Empty());
}

// The skin that ships in assets/ is complete: every set of skins 1 and 2 loads.
TEST_F(SkinTest, ShippedSkinsAreComplete) {
  std::filesystem::copy(std::string(RT_SOURCE_DIR) + "/assets/Elements", folder.path() + "Elements");
  for (int skin : {1, 2}) {
    SCOPED_TRACE(skin);
    GlobalIniService->WriteSkinNr(skin);
    LanguageSkinTool tool;
    for (int n = 1; n <= 9; ++n) {
      EXPECT_NE(tool.GetMainButton(n, false), nullptr);
      EXPECT_NE(tool.GetMainButton(n, true), nullptr);
    }
    for (int n = 1; n <= 7; ++n) EXPECT_NE(tool.GetPanel(n), nullptr);
    for (int n = 0; n <= 12; ++n) EXPECT_NE(tool.GetSymbol(n), nullptr);
    for (int c = 1; c <= 9; ++c)
      for (int n = 1; n <= FrameButtonCounts[c - 1]; ++n) EXPECT_NE(tool.GetFrameButton(c, n, true), nullptr);
    for (int n = 1; n <= 2; ++n) EXPECT_NE(tool.GetUpDownButton(n, true), nullptr);
    std::unique_ptr<TBitmap> title(tool.CreateFrameTitle(1, TRect(0, 0, 160, 663)));
    EXPECT_NE(title, nullptr);
  }
  EXPECT_EQ(LogList->IndexOf("Fehler Open     "), -1);
}

}  // namespace
