// The settings window on its own: what it writes to the INI file and what it hands to the callbacks.
#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/TestHooks.h"
#include "shell/Settings.h"
#include "base/Globals.h"
#include "base/IniService.h"
#include "tests/support/TempFolder.h"

namespace {

class SettingsWinTest : public testing::Test {
 protected:
  void SetUp() override {
    ProgramFolder = folder.path();
    VclTest::ClearScriptedAnswers();
  }
  void TearDown() override {
    VclTest::ClearScriptedAnswers();
    ProgramFolder.clear();
  }

  // Makes the window on the current INI file, records every callback, and shows it.
  void Make() {
    ini = std::make_unique<IniService>(folder.path());
    win = std::make_unique<TSettingsWin>(nullptr, ini.get());
    win->OnGridChange = [this](int c, int a, int w) { grid.emplace_back(c, a, w); };
    win->OnDisplayChange = [this](int t, bool d, int b) { display.emplace_back(t, d, b); };
    win->OnSkinChange = [this] { ++skinChanges; };
    win->Show();
  }

  TempFolder folder;
  std::unique_ptr<IniService> ini;
  std::unique_ptr<TSettingsWin> win;
  std::vector<std::tuple<int, int, int>> grid;
  std::vector<std::tuple<int, bool, int>> display;
  int skinChanges = 0;
};

TEST_F(SettingsWinTest, ShowsTheStoredValuesWithoutCallingBack) {
  folder.Write(
      "RT7731IV.INI",
      "[GRID]\nColor=255\nTransparence=99\nSize=3\n[DISPLAY]\nTextColor=65280\nDims=1\nBgColor=16711680\n"
      "[LANGUAGE]\nLANG_NR=2\n");
  Make();
  EXPECT_EQ(win->GridColorPanel->Color(), 255);
  EXPECT_EQ(win->TBGridIntensity->Position(), 99);
  EXPECT_EQ(win->TBGridSize->Position(), 10);  // the track bar keeps its limits
  EXPECT_EQ(win->TextColorPanel->Color(), 65280);
  EXPECT_TRUE(win->CBDisplayDims->Checked());
  EXPECT_EQ(win->BgColorPanel->Color(), 16711680);
  EXPECT_TRUE(win->RBLang3->Checked());
  EXPECT_EQ(win->Caption(), "Settings");
  EXPECT_TRUE(grid.empty());
  EXPECT_TRUE(display.empty());
  EXPECT_EQ(skinChanges, 0);
  EXPECT_EQ(ini->ReadGridSize(), 3);  // loading wrote nothing back
}

TEST_F(SettingsWinTest, LanguageOutOfRangeChecksNoButton) {
  folder.Write("RT7731IV.INI", "[LANGUAGE]\nLANG_NR=7\n");
  Make();
  for (TRadioButton* b : {win->RBLang1, win->RBLang2, win->RBLang3, win->RBLang4}) EXPECT_FALSE(b->Checked());
}

TEST_F(SettingsWinTest, DefaultButtonResetsGridAndDisplayOnly) {
  folder.Write("RT7731IV.INI", "[LANGUAGE]\nLANG_NR=1\n");
  Make();
  ini->WriteSkinNr(2);
  ASSERT_TRUE(VclTest::Click(win->Button2));
  ASSERT_EQ(grid.size(), 1u);
  EXPECT_EQ(grid[0], std::make_tuple(0x808080, 32, 3));
  ASSERT_EQ(display.size(), 1u);
  EXPECT_EQ(display[0], std::make_tuple(0xC0C0C0, false, 0));
  EXPECT_EQ(ini->ReadGridColor(), 0x808080);
  EXPECT_EQ(ini->ReadGridTransparence(), 32);
  EXPECT_EQ(ini->ReadGridSize(), 30);
  EXPECT_EQ(ini->ReadDisplayTextColor(), 0xC0C0C0);
  EXPECT_FALSE(ini->ReadDisplayDims());
  EXPECT_EQ(ini->ReadDisplayBgColor(), 0);
  EXPECT_EQ(ini->ReadLangNr(), 1);
  EXPECT_EQ(ini->ReadSkinNr(), 2);
  EXPECT_EQ(skinChanges, 0);
}

TEST_F(SettingsWinTest, GridSizeIsStoredAsPositionAndPassedInWholePixels) {
  Make();
  win->TBGridSize->SetPosition(35);
  EXPECT_EQ(ini->ReadGridSize(), 35);
  ASSERT_EQ(grid.size(), 1u);
  EXPECT_EQ(std::get<2>(grid[0]), 3);
}

TEST_F(SettingsWinTest, TrackBarWithoutCallbacksOnlyWritesTheFile) {
  Make();
  win->OnGridChange = nullptr;
  win->TBGridIntensity->SetPosition(200);
  EXPECT_EQ(ini->ReadGridTransparence(), 200);
}

TEST_F(SettingsWinTest, LanguageButtonsStoreTheirNumber) {
  Make();
  TRadioButton* buttons[] = {win->RBLang1, win->RBLang2, win->RBLang3, win->RBLang4};
  for (int language : {3, 1, 0, 2}) {
    SCOPED_TRACE(language);
    const int before = skinChanges;
    ASSERT_TRUE(VclTest::Click(buttons[language]));
    EXPECT_EQ(ini->ReadLangNr(), language);
    EXPECT_EQ(skinChanges, before + 1);
  }
}

TEST_F(SettingsWinTest, ColourDialogsWriteOnlyWhenConfirmed) {
  Make();
  const struct {
    TPanel* panel;
    TColorDialog* dialog;
    std::function<int()> stored;
    bool display;
  } cases[] = {{win->GridColorPanel, win->GridColorDialog, [this] { return ini->ReadGridColor(); }, false},
               {win->TextColorPanel, win->TextColorDialog, [this] { return ini->ReadDisplayTextColor(); }, true},
               {win->BgColorPanel, win->BgColorDialog, [this] { return ini->ReadDisplayBgColor(); }, true}};
  for (const auto& c : cases) {
    c.panel->SetColor(0x445566);
    const int before = c.stored();
    const size_t calls = grid.size() + display.size();
    const size_t ownCalls = c.display ? display.size() : grid.size();
    VclTest::ScriptDialogCancel();
    ASSERT_TRUE(VclTest::Click(c.panel));
    EXPECT_EQ(c.dialog->Color(), clBlack);  // it opens at its own colour, not at the panel's
    EXPECT_EQ(c.stored(), before);
    EXPECT_EQ(grid.size() + display.size(), calls);
    VclTest::ScriptColorDialogAnswer(0x123456);
    ASSERT_TRUE(VclTest::Click(c.panel));
    EXPECT_EQ(c.panel->Color(), 0x123456);
    EXPECT_EQ(c.stored(), 0x123456);
    EXPECT_EQ(c.display ? display.size() : grid.size(), ownCalls + 1);  // the callback of its group
    EXPECT_EQ(grid.size() + display.size(), calls + 1);
  }
}

TEST_F(SettingsWinTest, SkinComboListsThePresentSkinsAndStoresTheChoice) {
  folder.Write("Elements/Panel101101.jpg", "x");
  folder.Write("Elements/Panel112101.jpg", "x");
  folder.Write("Elements/Panel150101.jpg", "x");  // skin 50 is beyond the list
  folder.Write("RT7731IV.INI", "[SKIN]\nSKIN_NR=12\nSKIN_TEXT_COLOR_12=4660\n");
  Make();
  ASSERT_EQ(win->SkinCombo->Items()->Count(), 2);
  EXPECT_EQ(win->SkinCombo->Items()->Strings(0), "1");
  EXPECT_EQ(win->SkinCombo->Items()->Strings(1), "12");
  EXPECT_EQ(win->SkinCombo->ItemIndex(), 1);
  EXPECT_EQ(win->SkinTextColorPanel->Color(), 4660);

  win->SkinCombo->SetItemIndex(0);
  win->OnSkinComboChange(win->SkinCombo);
  EXPECT_EQ(ini->ReadSkinNr(), 1);
  EXPECT_EQ(skinChanges, 1);

  // Only the skin's dialog opens at its panel's colour.
  win->SkinTextColorPanel->SetColor(0x445566);
  VclTest::ScriptDialogCancel();
  ASSERT_TRUE(VclTest::Click(win->SkinTextColorPanel));
  EXPECT_EQ(win->SkinTextColorDialog->Color(), 0x445566);
  VclTest::ScriptColorDialogAnswer(0x00FF00);
  ASSERT_TRUE(VclTest::Click(win->SkinTextColorPanel));
  EXPECT_EQ(ini->ReadSkinTextColor(1), 0x00FF00);
  EXPECT_EQ(skinChanges, 2);
}

TEST_F(SettingsWinTest, SkinComboTextThatIsNoNumberMeansSkinOne) {
  Make();
  win->SkinCombo->SetCaption("abc");
  win->OnSkinComboChange(win->SkinCombo);
  EXPECT_EQ(ini->ReadSkinNr(), 1);
}

TEST_F(SettingsWinTest, PlainInstanceWithoutIniReadsAndWritesNothing) {
  TSettingsWin plain(nullptr);
  plain.Show();
  plain.TBGridIntensity->SetPosition(10);
  ASSERT_TRUE(VclTest::Click(plain.Button2));
  EXPECT_FALSE(folder.Exists("RT7731IV.INI"));
}

}  // namespace
