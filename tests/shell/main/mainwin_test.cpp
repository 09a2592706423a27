// The main window built for real against the simulated instrument: start-up, link, navigation,
// layout, input routing, settings, battery monitor and the end of the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "MainWinFixture.h"
#include "Screenshot.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/SyncObjs.h"
#include "platform/vcl/TestHooks.h"
#include "screens/analyser/Uanalyzerframeunit.h"
#include "screens/analyser/Udiffframeunit.h"
#include "screens/locate/Udigitalfieldlocateframeunit.h"
#include "screens/locate/Ufastdetectframev2unit.h"
#include "screens/locate/Ufieldlocateframeunit.h"
#include "screens/locate/Usonarframeunit.h"
#include "screens/locate/Uvlfspectframeunit.h"
#include "service/Audiotestframeunit.h"
#include "service/Ddsuserframeunit.h"
#include "service/Filterframeunit.h"
#include "service/Selfcheckframeunit.h"
#include "service/Sweepaframeunit.h"
#include "service/Testframeunit.h"
#include "shell/CategoryFrames.h"
#include "shell/Settings.h"
#include "tests/shell/OnScreen.h"
#include "base/IniService.h"
#include "base/Language.h"

namespace {

std::vector<std::string> LogLines() {
  std::vector<std::string> lines;
  for (int i = 0; i < LogList->Count(); ++i) lines.push_back(LogList->Strings(i));
  return lines;
}

using onscreen::MainButton;
using onscreen::VisibleCategories;

// ---- Start-up ----

TEST_F(MainWinTest, StartUpLogsEveryStepInOrderAndBringsTheLinkUp) {
  Start();
  const std::vector<std::string> expected = {
      "Panels erzeugt...",    "xBase     prüfen",      "xBase     gestartet",   "vor Frames...",
      "nach Frames...",       "vor Test...",           "vor TestMesh->Open...", "nach Test...",
      "nach InitHardware...", "nach UpdateFromIni...", "nach InitSkin...",      "nach ClearInfo..."};
  const std::vector<std::string> lines = LogLines();
  auto at = lines.begin();
  for (const std::string& line : expected) {
    at = std::find(at, lines.end(), line);
    ASSERT_NE(at, lines.end()) << "missing or out of order: " << line;
  }
  const std::string file = folder.Read("log.txt");
  EXPECT_NE(file.find("nach ClearInfo...\r\n"), std::string::npos);

  EXPECT_EQ(LinkUp.load(), 1);
  EXPECT_FALSE(win->PollingTimer->Enabled());
  EXPECT_FALSE(win->NoLinkUpTimer->Enabled());
  EXPECT_EQ(MinMaxSweepParam.load(), 8);
  EXPECT_TRUE(win->AkkuTimer->Enabled());
  EXPECT_FALSE(win->TestTimer->Enabled());
  EXPECT_FALSE(win->VideoTimer->Enabled());
  EXPECT_NEAR(win->TestBuffer->GetPoint(30), 127.0f, 1e-3);
  EXPECT_NEAR(win->TestBuffer->GetPoint(60), 0.0f, 1e-3);
  EXPECT_EQ(SonarFrameRef, static_cast<TFrame*>(win->LocateFrame->SonarFrame));
  // Shown, everything is laid out in its panel.
  EXPECT_EQ(win->AnalyzerFrame->BoundsRect(), win->FramePanel->ClientRect());
  EXPECT_EQ(win->AnalyzerFrame->AnalyzerFrame->BoundsRect(), win->UserPanel->ClientRect());
  EXPECT_EQ(win->AnalyzerFrame->AnalyzerFrame->Parent(), win->UserPanel);
  EXPECT_EQ(RenderWindow->BoundsRect(), win->DisplayPanel->ClientRect());
}

TEST_F(MainWinTest, StartUpLoadsTheFrameButtonsOnce) {
  Start();
  const std::vector<std::string> lines = LogLines();
  const auto loads = std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.starts_with("Versuch Open") && line.find("FrameBut") != std::string::npos;
  });
  EXPECT_EQ(loads, 1);
}

TEST_F(MainWinTest, SplashReachesItsEndBeforeTheWindowIsShownAndGoesAway) {
  Application->Initialize();
  SplashIn = new TSplashIn(nullptr);
  win = new TMainWin(nullptr);
  EXPECT_EQ(SplashIn->Progress->Position(), TSplashIn::ProgressMax);
  win->Show();
  EXPECT_EQ(SplashIn, nullptr);
}

TEST_F(MainWinTest, FramesAndTheShownTitleAreInPlaceBeforeTheWindowFirstAppears) {
  Application->Initialize();
  win = new TMainWin(nullptr);
  int resizes = 0;
  for (int n = 1; n <= 9; ++n) {
    TCategoryFrameBase* frame = win->CategoryFrame(n);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->BoundsRect(), win->FramePanel->ClientRect()) << "category " << n;
    // The title of the category shown was made in the frame's final size; a hidden category makes
    // its title when it is shown.
    const std::pair title{frame->Image->Picture()->Width(), frame->Image->Picture()->Height()};
    const std::pair expected = frame->Visible() ? std::pair{frame->ClientWidth(), frame->ClientHeight()} : std::pair{0, 0};
    EXPECT_EQ(title, expected) << "category " << n;
    frame->TControl::OnResize = [&resizes, inner = frame->TControl::OnResize](TObject* sender) {
      ++resizes;
      inner(sender);
    };
  }
  win->Show();
  EXPECT_EQ(resizes, 0);  // nothing to lay out or make again
}

TEST_F(MainWinTest, AnalyserIsActiveWithItsFirstButtonAndTheConnectionMessageShows) {
  // The info timer would hide the message after 2 s: a slow run must still see it.
  VclTest::HoldTimerTicks([](const TTimer* timer) { return timer->Name() == "InfoPanelTimer"; });
  Start();
  VclTest::HoldTimerTicks(nullptr);
  EXPECT_EQ(VisibleCategories(win), std::vector<int>{1});
  EXPECT_EQ(win->AnalyzerFrame->ActiveButton(), 1);
  EXPECT_TRUE(win->AnalyzerFrame->AnalyzerFrame->Visible());
  EXPECT_TRUE(win->InfoLabel->Visible());
  EXPECT_EQ(win->InfoLabel->Caption(), GlobalLanguageSkinTool->GetMessageText(1));
  EXPECT_TRUE(win->InfoPanelTimer->Enabled());
  EXPECT_EQ(win->InfoPanelTimer->Interval(), 2000u);
  win->OnInfoPanelTimerClick(nullptr);
  EXPECT_FALSE(win->InfoLabel->Visible());
}

// The simulated instrument reads its scenario once per process: one case per test.
struct DistributorCase {
  const char* name;
  const char* scenario;
  const char* value;
};

void PrintTo(const DistributorCase& c, std::ostream* os) { *os << c.name; }

class DistributorTest : public MainWinTest, public testing::WithParamInterface<DistributorCase> {};

TEST_P(DistributorTest, FollowsEepromCell50) {
  Start(GetParam().scenario);
  EXPECT_NE(RegistryText().find(GetParam().value), std::string::npos) << RegistryText();
}

INSTANTIATE_TEST_SUITE_P(
    Cells, DistributorTest,
    testing::Values(DistributorCase{"One", "[eeprom]\ncell.50=1\n", "Distributor=tarvix"},
                    DistributorCase{"Zero", "[eeprom]\ncell.50=0\n", "Distributor=brenholt"},
                    DistributorCase{"Two", "[eeprom]\ncell.50=2\n", "Distributor=brenholt"}),
    [](const testing::TestParamInfo<DistributorCase>& info) { return info.param.name; });

TEST_F(MainWinTest, IdlePassRendersAndAsksToBeCalledAgain) {
  Start();
  const int before = xBase->Device->PresentCount();
  EXPECT_FALSE(IdlePass());
  EXPECT_EQ(xBase->Device->PresentCount(), before + 1);
}

TEST_F(MainWinTest, LinkDownEndsThroughTheExitScreenAndSavesTheBounds) {
  Start();
  win->SetBounds(40, 50, 700, 560);
  LinkUp = 0;
  IdlePass();
  EXPECT_FALSE(win->Visible());
  EXPECT_FALSE(win->AnalyzerFrame->AnalyzerFrame->Visible());  // closing left the views
  Close();
  TIniFile ini(folder.path() + IniService::FileName);
  EXPECT_EQ(ini.ReadInteger("FORM", "Width", 0), 700);
  EXPECT_EQ(ini.ReadInteger("FORM", "Height", 0), 560);
  EXPECT_EQ(ini.ReadInteger("FORM", "Left", 0), 40);
  EXPECT_EQ(ini.ReadInteger("FORM", "Top", 0), 50);
}

TEST_F(MainWinTest, WithoutInstrumentStartUpCompletesWithTheLinkDown) {
  Start("[device]\npresent=0\n");
  EXPECT_EQ(LinkUp.load(), 0);
  EXPECT_EQ(LogLines().back(), "nach ClearInfo...");
  EXPECT_TRUE(win->PollingTimer->Enabled());
  EXPECT_EQ(RegistryText().find("Distributor"), std::string::npos);  // nothing read, nothing written
}

TEST_F(MainWinTest, FailedBringUpLeavesTheLinkDown) {
  // Command 11 writes a synthesiser word: switching the synthesisers off fails, while the
  // microcontroller still answers its version.
  Start("[faults]\nfail_command=11\n");
  EXPECT_EQ(LinkUp.load(), 0);
  EXPECT_TRUE(win->PollingTimer->Enabled());
  win->OnPollingTimer(nullptr);  // tries again, fails again
  EXPECT_EQ(LinkUp.load(), 0);
}

TEST_F(MainWinTest, StoredBoundsAreClampedToTheScreenAndTheMinimumSize) {
  folder.Write("RT7731IV.INI", "[FORM]\r\nLeft=-5000\r\nTop=90000\r\nWidth=100\r\nHeight=50\r\n");
  Start();
  EXPECT_GE(win->Width(), 462);
  EXPECT_GE(win->Height(), 462);
  EXPECT_LT(win->Left(), Screen->Width());
  EXPECT_LT(win->Top(), Screen->Height());
  EXPECT_GT(win->Left() + win->Width(), 0);
  EXPECT_GE(win->Top(), 0);
}

// Without the skin's pictures every button gets a plain picture with its caption and takes clicks;
// stderr names the files that were missing.
TEST_F(MainWinTest, StartsWithoutSkinImagesWithPlainCaptionedButtons) {
  std::filesystem::remove_all(folder.path() + "Elements");
  testing::internal::CaptureStderr();
  Start();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(LinkUp.load(), 1);
  EXPECT_FALSE(win->MainBut1->Picture()->Bitmap()->Empty());
  for (const char* file : {"MainButNormal101101", "MainButActive101109", "FrameBut101101"})
    EXPECT_NE(err.find(PlatformPath(folder.path() + "Elements\\" + file) + ".bmp/.jpg/.tif/.tga (not found)"),
              std::string::npos)
        << file << "\n"
        << err;
  const std::vector<std::string> lines = LogLines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.rfind("Fehler Open", 0) == 0; }));
  EXPECT_EQ(win->SettingsWindow->SkinCombo->Items()->Count(), 0);
  EXPECT_EQ(win->SettingsWindow->SkinCombo->ItemIndex(), -1);
  ASSERT_TRUE(VclTest::Click(win->MainBut8));  // navigation works with the plain pictures
  EXPECT_EQ(VisibleCategories(win), std::vector<int>{8});
  TImage* systemTest = win->SettingFrame->Button(2);
  EXPECT_FALSE(systemTest->Picture()->Bitmap()->Empty());
  ASSERT_TRUE(VclTest::Click(systemTest));
  EXPECT_TRUE(win->SettingFrame->SelfCheckFrame->Visible());
}

TEST_F(MainWinTest, PollingTickWhileTheLinkIsUpChangesNothing) {
  Start();
  win->ShowInfo("other", 5000);
  win->OnPollingTimer(nullptr);
  EXPECT_EQ(win->InfoLabel->Caption(), "other");
  EXPECT_EQ(LinkUp.load(), 1);
}

// ---- Navigation ----

TEST_F(MainWinTest, EachMainButtonShowsExactlyItsCategory) {
  Start();
  for (int n : {2, 3, 4, 5, 6, 7, 8, 9, 1, 1}) {
    SCOPED_TRACE(n);
    ASSERT_TRUE(VclTest::Click(MainButton(win, n)));
    EXPECT_EQ(VisibleCategories(win), std::vector<int>{n});
    EXPECT_EQ(win->SettingsWindow->Visible(), n == 8);
  }
  EXPECT_TRUE(win->AnalyzerFrame->AnalyzerFrame->Visible());  // pressing the shown category again keeps it
}

TEST_F(MainWinTest, CategoryButtonsAreShownAndEnabledByCategory) {
  Start();
  const struct {
    int category;
    const char* shown;    // one character per button: 1 shown, 0 hidden
    const char* enabled;  // 1 enabled, 0 disabled
  } cases[] = {{1, "111111", "111111"}, {2, "11111", "10011"}, {3, "1111", "1111"},
               {4, "1111", "1001"},     {5, "00", "11"},       {6, "00000", "11111"},
               {7, "00000", "11111"},   {8, "11000", "11111"}, {9, "00000", "11111"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.category);
    TCategoryFrameBase* frame = win->CategoryFrame(c.category);
    ASSERT_EQ(frame->ButtonCount(), int(std::string(c.shown).size()));
    for (int n = 1; n <= frame->ButtonCount(); ++n) {
      EXPECT_EQ(frame->Button(n)->Visible(), c.shown[n - 1] == '1') << "button " << n;
      EXPECT_EQ(frame->Button(n)->Enabled(), c.enabled[n - 1] == '1') << "button " << n;
      EXPECT_EQ(frame->Button(n)->BoundsRect(), Bounds(12, 116 + 40 * (n - 1), 140, 40));
    }
  }
}

TEST_F(MainWinTest, AnalyserButtonsRunExactlyOneView) {
  Start();
  const std::vector<TModeFrameBase*> views = win->AnalyzerFrame->Views();  // creation order
  const struct {
    int button;
    int view;
  } cases[] = {{2, 2}, {3, 3}, {4, 1}, {5, 5}, {6, 4}, {1, 0}, {1, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    ASSERT_TRUE(VclTest::Click(win->AnalyzerFrame->Button(c.button)));
    for (size_t v = 0; v < views.size(); ++v)
      EXPECT_EQ(views[v]->Visible(), int(v) == c.view) << "view " << v;
    EXPECT_EQ(win->AnalyzerFrame->ActiveButton(), c.button);
  }
  // The repeated click entered nothing anew.
  EXPECT_EQ(views[0]->EnterCount(), 2);
}

TEST_F(MainWinTest, LocateFourthButtonLeavesEveryViewAndMarksNone) {
  Start();
  ASSERT_TRUE(VclTest::Click(win->MainBut3));
  TLocateFrame* locate = win->LocateFrame;
  EXPECT_TRUE(locate->SonarFrame->Visible());
  ASSERT_TRUE(VclTest::Click(locate->Button(2)));
  EXPECT_TRUE(locate->FieldLocateFrame->Visible());
  EXPECT_FALSE(locate->SonarFrame->Visible());
  ASSERT_TRUE(VclTest::Click(locate->Button(4)));
  EXPECT_FALSE(locate->FieldLocateFrame->Visible());
  EXPECT_FALSE(locate->SonarFrame->Visible());
  EXPECT_FALSE(locate->DigFieldLocateFrame->Visible());
  EXPECT_EQ(locate->ActiveButton(), 0);
}

TEST_F(MainWinTest, DisabledButtonsTakeNoClicks) {
  Start();
  ASSERT_TRUE(VclTest::Click(win->MainBut2));
  EXPECT_FALSE(VclTest::Click(win->AutoFrame->Button(2)));
  EXPECT_EQ(win->AutoFrame->ActiveButton(), 1);
  ASSERT_TRUE(VclTest::Click(win->AutoFrame->Button(4)));
  EXPECT_EQ(win->AutoFrame->ActiveButton(), 4);
}

TEST_F(MainWinTest, SettingsCategorySwitchesBetweenWindowAndSelfTest) {
  Start();
  TSelfCheckFrame* selfTest = win->SettingFrame->SelfCheckFrame;
  // Entering the category shows the settings window alone: no idle "Start" or password field.
  ASSERT_TRUE(VclTest::Click(win->MainBut8));
  EXPECT_TRUE(win->SettingsWindow->Visible());
  EXPECT_FALSE(selfTest->Visible());
  EXPECT_FALSE(selfTest->Panel1->Showing());
  EXPECT_FALSE(selfTest->Edit1->Showing());
  ASSERT_TRUE(VclTest::Click(win->SettingFrame->Button(2)));
  EXPECT_FALSE(win->SettingsWindow->Visible());
  EXPECT_TRUE(selfTest->Visible());
  EXPECT_TRUE(selfTest->Edit1->Showing());
  ASSERT_TRUE(VclTest::Click(win->SettingFrame->Button(1)));
  EXPECT_TRUE(win->SettingsWindow->Visible());
  EXPECT_FALSE(selfTest->Visible());
  // Left with "System Test" chosen and entered again: the settings window, not the self-test.
  ASSERT_TRUE(VclTest::Click(win->SettingFrame->Button(2)));
  ASSERT_TRUE(VclTest::Click(win->MainBut1));
  ASSERT_TRUE(VclTest::Click(win->MainBut8));
  EXPECT_TRUE(win->SettingsWindow->Visible());
  EXPECT_FALSE(selfTest->Visible());
  EXPECT_FALSE(selfTest->Edit1->Showing());
}

// ---- Layout and input ----

TEST_F(MainWinTest, LayoutFollowsTheWindowDownToTheMinimumSize) {
  Start();
  for (const auto& size : {std::pair{1100, 800}, std::pair{462, 462}}) {
    SCOPED_TRACE(size.first);
    VclTest::UserResize(win, size.first, size.second);
    Application->ProcessMessages();
    ASSERT_GE(win->Width(), 462);
    const PanelLayout p = ComputePanelLayout(win->ClientWidth(), win->ClientHeight());
    EXPECT_EQ(win->DisplayPanel->BoundsRect(), p.Display);
    EXPECT_EQ(win->FramePanel->BoundsRect(), p.Frame);
    EXPECT_EQ(win->StatusPanel->BoundsRect(), p.Status);
    EXPECT_EQ(RenderWindow->BoundsRect(), win->DisplayPanel->ClientRect());
    EXPECT_EQ(win->AnalyzerFrame->BoundsRect(), win->FramePanel->ClientRect());
    EXPECT_EQ(win->AnalyzerFrame->AnalyzerFrame->BoundsRect(), win->UserPanel->ClientRect());
    EXPECT_EQ(win->ActionPanelImage->BoundsRect(), win->ActionPanel->ClientRect());
  }
  // The layout sizes the frames of its list; the audio test frame keeps its own size.
  const std::initializer_list<TControl*> listed = {win->DDSUserFrame, win->FilterUserFrame, win->SweepAFrame,
                                                   win->AnalyzerFrame->DiffFrame, win->SettingFrame->SelfCheckFrame,
                                                   win->AutoFrame->FastDetectFrame, win->VlfFrame->VLFSpectFrame};
  for (TControl* frame : listed) frame->SetBounds(0, 0, 10, 10);
  win->AudioTestFrame->SetBounds(0, 0, 10, 10);
  win->LayoutPanels();
  EXPECT_EQ(win->AudioTestFrame->BoundsRect(), TRect(0, 0, 10, 10));
  for (TControl* frame : listed) EXPECT_EQ(frame->BoundsRect(), win->UserPanel->ClientRect()) << frame->Name();
  const int width = win->Width();
  VclTest::UserResize(win, 461, 600);
  Application->ProcessMessages();
  EXPECT_EQ(win->Width(), width);  // refused
}

TEST_F(MainWinTest, MouseDownIsMappedIntoTheVirtualScreen) {
  Start();
  const int w = RenderWindow->Width();
  const int h = RenderWindow->Height();
  ASSERT_GT(w, 100);
  // Test display 1 covers (50, 50) to (350, 450) of the 1024 x 768 space; display 2 is moved beside it.
  win->TestDisplay2->SetPosition(600, 100, 300, 300);
  const auto pixel = [&](int vx, int vy) { return TPoint(vx * w / 1024 + 1, vy * h / 768 + 1); };
  const struct {
    TPoint at;
    int selected;
  } cases[] = {{pixel(700, 200), 2}, {pixel(100, 100), 1},      {pixel(1000, 700), 1},
               {pixel(610, 110), 2}, {TPoint(w - 1, h - 1), 2}, {pixel(340, 440), 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.at.X << "," << c.at.Y);
    ASSERT_TRUE(VclTest::MouseDown(RenderWindow, mbLeft, c.at.X, c.at.Y));
    EXPECT_EQ(win->SelectedTestDisplay(), c.selected);
    VclTest::MouseUp(RenderWindow, mbLeft, c.at.X, c.at.Y);
  }
}

TEST_F(MainWinTest, WheelClicksTheZoomButtonsWhileTheSweepServiceRuns) {
  Start();
  const struct { int appState, delta, zoom; } cases[] = {{5, -120, 1}, {5, 120, -1}, {0, -120, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.delta);
    AppState = c.appState;
    win->SweepAFrame->LastZoom = 0;
    ASSERT_TRUE(VclTest::Wheel(RenderWindow, c.delta));
    EXPECT_EQ(win->SweepAFrame->LastZoom, c.zoom);
  }
  AppState = 0;
}

TEST_F(MainWinTest, RightClickOnTheVersionImageTogglesTheSettingsWindow) {
  Start();
  ASSERT_FALSE(win->SettingsWindow->Visible());
  ASSERT_TRUE(VclTest::MouseDown(win->VersionPanelImage, mbRight, 5, 5));
  EXPECT_TRUE(win->SettingsWindow->Visible());
  ASSERT_TRUE(VclTest::MouseDown(win->VersionPanelImage, mbRight, 5, 5));
  EXPECT_FALSE(win->SettingsWindow->Visible());
}

// ---- Settings applied through the callbacks ----

TEST_F(MainWinTest, SettingsWindowWritesAtOnceAndAppliesToTheDisplays) {
  Start();
  TSettingsWin* settings = win->SettingsWindow;
  settings->Show();
  settings->TBGridIntensity->SetPosition(77);
  settings->TBGridSize->SetPosition(35);
  EXPECT_EQ(GlobalIniService->ReadGridTransparence(), 77);
  EXPECT_EQ(GlobalIniService->ReadGridSize(), 35);
  EXPECT_EQ(win->TestDisplay1->GridAlpha, 77);
  EXPECT_FLOAT_EQ(win->TestDisplay1->GridWidth, 3.0f);

  ASSERT_TRUE(VclTest::Click(settings->Button2));  // "Default"
  EXPECT_EQ(win->TestDisplay1->GridColor, 0x808080);
  EXPECT_EQ(win->TestDisplay1->GridAlpha, 32);
  EXPECT_FLOAT_EQ(win->TestDisplay1->GridWidth, 3.0f);
  EXPECT_EQ(win->TestDisplay1->TextColor, 0xC0C0C0);
  EXPECT_EQ(win->TestDisplay1->Dims, 0);
  EXPECT_EQ(win->TestDisplay1->BgColor, 0);
  EXPECT_EQ(GlobalIniService->ReadGridColor(), 0x808080);
  EXPECT_EQ(GlobalIniService->ReadGridTransparence(), 32);
  EXPECT_EQ(GlobalIniService->ReadGridSize(), 30);
  EXPECT_EQ(GlobalIniService->ReadDisplayTextColor(), 0xC0C0C0);
  EXPECT_FALSE(GlobalIniService->ReadDisplayDims());
}

TEST_F(MainWinTest, LanguageAndSkinOutOfRangeFallBackToTheDefaults) {
  folder.Write("RT7731IV.INI", "[LANGUAGE]\nLANG_NR=-3\n[SKIN]\nSKIN_NR=77\n");
  Start();
  EXPECT_EQ(GlobalLanguageSkinTool->GetLanguageNr(), LangEnglish);
  EXPECT_EQ(GlobalLanguageSkinTool->GetSkinNr(), DefaultSkinNr);
  EXPECT_FALSE(win->MainBut1->Picture()->Bitmap()->Empty());
  EXPECT_EQ(win->InfoLabel->Caption(), GlobalLanguageSkinTool->GetMessageText(1));
}

TEST_F(MainWinTest, DeferredResizePlacesTheViewsOnceAndStops) {
  Start();
  TModeFrameBase* view = win->AnalyzerFrame->Views()[1];  // the audio view
  view->SetBounds(0, 0, 10, 10);
  ResizeTimer->SetEnabled(true);
  win->OnResizeTimer(nullptr);
  EXPECT_FALSE(ResizeTimer->Enabled());
  EXPECT_EQ(view->BoundsRect(), win->UserPanel->ClientRect());
}

TEST_F(MainWinTest, SkinChoiceIsStoredAndReloadsTheSkin) {
  Start();
  TComboBox* combo = win->SettingsWindow->SkinCombo;
  ASSERT_EQ(combo->Items()->Count(), 2);
  EXPECT_EQ(combo->Items()->Strings(0), "1");
  EXPECT_EQ(combo->Items()->Strings(1), "2");
  EXPECT_EQ(combo->ItemIndex(), 0);
  const TColor batteryColour = win->AkkuLabel1->Font()->Color();
  GlobalIniService->WriteSkinTextColor(0x00FF00, 2);
  combo->SetItemIndex(1);
  win->SettingsWindow->OnSkinComboChange(combo);
  EXPECT_EQ(GlobalIniService->ReadSkinNr(), 2);
  EXPECT_EQ(GlobalLanguageSkinTool->GetSkinNr(), 2);
  ASSERT_EQ(GlobalLanguageSkinTool->GetSkinTextColor(), 0x00FF00);
  EXPECT_FALSE(win->ActionPanelImage->Picture()->Bitmap()->Empty());
  EXPECT_EQ(win->AnalyzerFrame->ActiveButton(), 1);
  // The skin's text colour is for the skin's own texts: the battery labels keep theirs.
  EXPECT_EQ(win->AkkuLabel1->Font()->Color(), batteryColour);
  EXPECT_EQ(win->AkkuLabel2->Font()->Color(), batteryColour);
}

TEST_F(MainWinTest, LanguageChangeReloadsTheSkinTexts) {
  Start();
  ASSERT_EQ(GlobalLanguageSkinTool->GetLanguageNr(), LangEnglish);
  const std::string english = GlobalLanguageSkinTool->GetMessageText(1);
  win->SettingsWindow->Show();
  ASSERT_TRUE(VclTest::Click(win->SettingsWindow->RBLang2)) << "the settings window must be showing";
  EXPECT_EQ(GlobalIniService->ReadLangNr(), LangGerman);
  EXPECT_EQ(GlobalLanguageSkinTool->GetLanguageNr(), LangGerman);
  EXPECT_NE(GlobalLanguageSkinTool->GetMessageText(1), english);
  EXPECT_FALSE(win->MainBut1->Picture()->Bitmap()->Empty());
}

// ---- Battery ----

TEST_F(MainWinTest, BatteryTickShowsTheStateAndKeepsRunning) {
  Start("[battery]\nlevel=170\n");
  HardwareLock->Enter();
  ASSERT_TRUE(IOCtrl->CheckAkku());
  HardwareLock->Leave();
  win->OnAkkuTimer(nullptr);
  EXPECT_EQ(win->AkkuLabel2->Caption(), "62 %");
  EXPECT_EQ(win->AkkuLabel1->Caption(), GlobalLanguageSkinTool->GetGeneralText(16));
  EXPECT_EQ(win->Caption().rfind("       V 0.980    ", 0), 0u) << win->Caption();
  TCanvas* gauge = win->AkkuImage1->Canvas();
  EXPECT_EQ(gauge->Pixels(100, 6), 0x8000);   // the green bar grows from the right
  EXPECT_EQ(gauge->Pixels(30, 6), 0x808080);  // the rest is grey
  EXPECT_EQ(gauge->Pixels(100, 1), 0x808080);
  EXPECT_TRUE(win->Visible());
}

// The battery texts are whole in every language: each label is as high as a line of its font
// (descenders included), and the heading, value and gauge stand one below the other.
TEST_F(MainWinTest, BatteryTextsAreNotCutInAnyLanguage) {
  Start("[battery]\nlevel=170\n");
  HardwareLock->Enter();
  ASSERT_TRUE(IOCtrl->CheckAkku());
  HardwareLock->Leave();
  for (int language = 0; language <= 3; ++language) {
    SCOPED_TRACE(testing::Message() << "language " << language);
    GlobalIniService->WriteLangNr(language);
    win->OnSettingsSkinChange();
    win->OnAkkuTimer(nullptr);
    for (TLabel* label : {win->AkkuLabel1, win->AkkuLabel2}) {
      TBitmap measure;
      measure.Canvas()->Font()->Assign(label->Font());
      const TSize text = measure.Canvas()->TextExtent(label->Caption());
      EXPECT_GE(label->Height(), text.cy) << label->Caption();
      EXPECT_GE(label->Width(), text.cx) << label->Caption();
    }
    EXPECT_LE(win->AkkuLabel1->Top() + win->AkkuLabel1->Height(), win->AkkuLabel2->Top());
    EXPECT_LE(win->AkkuLabel2->Top() + win->AkkuLabel2->Height(), win->AkkuImage1->Top());
  }
}

TEST_F(MainWinTest, LowBatteryClosesTheProgram) {
  Start("[battery]\nlevel=110\n");
  HardwareLock->Enter();
  IOCtrl->CheckAkku();  // reports the low battery itself; the monitor reads the stored level
  HardwareLock->Leave();
  ASSERT_EQ(IOCtrl->BatteryLevel.load(), 110);
  win->OnAkkuTimer(nullptr);
  EXPECT_FALSE(win->Visible());
  EXPECT_FALSE(win->AnalyzerFrame->Visible());
}

// ---- Screenshot ----

TEST_F(MainWinTest, ScreenshotOfTheMainWindow) {
  Start();
  win->SetBounds(0, 0, 1024, 768);
  Application->ProcessMessages();
  win->OnAkkuTimer(nullptr);
  // The connection message shows for two seconds only: a slow run may have seen it go.
  win->ShowInfo(GlobalLanguageSkinTool->GetMessageText(1), 600000);
  IdlePass();
  const std::unique_ptr<TBitmap> shot = screenshot::Capture(win);
  // Each main button shows its own skin image where it lies in the window.
  for (int n = 1; n <= 9; ++n) {
    SCOPED_TRACE(n);
    TImage* button = MainButton(win, n);
    TBitmap* picture = button->Picture()->Bitmap();
    ASSERT_FALSE(picture->Empty());
    ASSERT_TRUE(button->Visible());
    const int bx = button->Width() / 2, by = button->Height() / 2;
    const TPoint at = win->ScreenToClient(button->ClientToScreen(TPoint(bx, by)));
    const int px = button->Stretch() ? bx * picture->Width() / button->Width() : bx;
    const int py = button->Stretch() ? by * picture->Height() / button->Height() : by;
    EXPECT_EQ(shot->Canvas()->Pixels(at.X, at.Y) & 0xFFFFFF, picture->Canvas()->Pixels(px, py) & 0xFFFFFF);
  }
  // The status line shows its text: pixels of the label's font colour inside the label.
  ASSERT_FALSE(win->InfoLabel->Caption().empty());
  ASSERT_TRUE(win->InfoLabel->Visible());
  const TPoint origin = win->ScreenToClient(win->InfoLabel->ClientToScreen(TPoint(0, 0)));
  const TRect label = Bounds(origin.X, origin.Y, win->InfoLabel->Width(), win->InfoLabel->Height());
  const TColor ink = ColorToRGB(win->InfoLabel->Font()->Color()) & 0xFFFFFF;
  int inked = 0;
  for (int y = label.Top; y < label.Bottom; ++y)
    for (int x = label.Left; x < label.Right; ++x) inked += (shot->Canvas()->Pixels(x, y) & 0xFFFFFF) == ink;
  EXPECT_GT(inked, 10);
  // The file goes into the test's own folder and holds the whole client area.
  const std::string file = folder / "mainwindow.png";
  ASSERT_TRUE(screenshot::SavePng(shot.get(), file));
  ZImage image;
  ASSERT_TRUE(image.Open(file));
  EXPECT_EQ(image.Width(), win->ClientWidth());
  EXPECT_EQ(image.Height(), win->ClientHeight());
}

}  // namespace
