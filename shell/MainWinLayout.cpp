// The main window's panel layout, category navigation, info line, skin and input routing.
#include <algorithm>
#include <cmath>

#include "base/Globals.h"
#include "base/IniService.h"
#include "base/Language.h"
#include "display/DirectXBase.h"
#include "display/Display.h"
#include "display/DisplayIni.h"
#include "screens/analyser/Freqcontrolframeunit.h"
#include "screens/analyser/Uanalyzerframeunit.h"
#include "screens/analyser/Uaudioframeunit.h"
#include "screens/analyser/Udiffframeunit.h"
#include "screens/analyser/Udigitalframeunit.h"
#include "screens/analyser/Uintensityframeunit.h"
#include "screens/analyser/Umaxholdframeunit.h"
#include "screens/locate/Udigitalfieldlocateframeunit.h"
#include "screens/locate/Ufastdetectframev2unit.h"
#include "screens/locate/Ufieldlocateframeunit.h"
#include "screens/locate/Ufingercompareframeunit.h"
#include "screens/locate/Ufingerframeunit.h"
#include "screens/locate/Usilentframeunit.h"
#include "screens/locate/Usonarframeunit.h"
#include "screens/locate/Uvlfsonarframeunit.h"
#include "screens/locate/Uvlfspectframeunit.h"
#include "service/Audiotestframeunit.h"
#include "service/Ddsuserframeunit.h"
#include "service/Filterframeunit.h"
#include "service/Selfcheckframeunit.h"
#include "service/Sweepaframeunit.h"
#include "service/Testframeunit.h"
#include "shell/CategoryFrames.h"
#include "shell/RT7731_IV_Unit.h"
#include "shell/Settings.h"

// ---------------------------------------------------------------------------------------------
// Pure arithmetic

PanelLayout ComputePanelLayout(int W, int H) {
  PanelLayout p;
  p.Left = Bounds(0, 0, 30, H);
  p.Action = Bounds(30, 0, W - 190, 80);
  p.Version = Bounds(W - 160, 0, 160, 80);
  p.Title = Bounds(30, 80, W - 190, 80);
  p.Frame = Bounds(W - 160, 80, 160, H - 105);
  p.Status = Bounds(30, H - 25, W - 30, 25);
  p.User = Bounds(30, H - 145, W - 190, 120);
  p.Display = Bounds(30, 160, W - 190, H - 305);
  return p;
}

MainButtonPlace ComputeMainButtonPlace(int barWidth) {
  constexpr int left = 8, pitch = 92;
  if (barWidth >= left + pitch * 8 + MainButtonSize) return {left, pitch, MainButtonSize};
  const int narrow = std::max(1, (barWidth - left) / 9);
  return {left, narrow, std::max(1, narrow * MainButtonSize / pitch)};
}

bool MainWindowSizeAllowed(int width, int height) { return width >= MinMainWidth && height >= MinMainHeight; }

TPoint MapToVirtual(int x, int y, int windowWidth, int windowHeight) {
  if (windowWidth <= 0 || windowHeight <= 0) return TPoint(0, 0);
  return TPoint(static_cast<int>(std::trunc(double(x) / windowWidth * 1024.0)),
                static_cast<int>(std::trunc(double(y) / windowHeight * 768.0)));
}

// ---------------------------------------------------------------------------------------------
// Layout

void TMainWin::LayoutPanels() {
  const PanelLayout p = ComputePanelLayout(ClientWidth(), ClientHeight());
  const std::pair<TPanel*, const TRect*> panels[] = {{LeftPanel, &p.Left},       {ActionPanel, &p.Action},
                                                     {VersionPanel, &p.Version}, {TitlePanel, &p.Title},
                                                     {FramePanel, &p.Frame},     {StatusPanel, &p.Status},
                                                     {UserPanel, &p.User},       {DisplayPanel, &p.Display}};
  for (const auto& [panel, rect] : panels) panel->SetBoundsRect(*rect);
  const std::pair<TImage*, TPanel*> images[] = {
      {LeftPanelImage, LeftPanel},   {ActionPanelImage, ActionPanel}, {VersionPanelImage, VersionPanel},
      {TitlePanelImage, TitlePanel}, {FramePanelImage, FramePanel},   {StatusPanelImage, StatusPanel},
      {UserPanelImage, UserPanel}};
  for (const auto& [image, panel] : images) image->SetBoundsRect(panel->ClientRect());
  LayoutMainButtons(ActionPanel->ClientWidth());

  DisplayPanel->SetColor(clBlack);
  if (RenderWindow) {
    RenderWindow->SetBoundsRect(DisplayPanel->ClientRect());
    RenderWindow->Repaint();
    if (xBase) xBase->SetProjection(1024, 768, 45.0f, 100.0f, 100000.0f);
  }
  if (SettingsWindow) {
    SettingsWindow->SetBounds(ClientWidth() - SettingsWindow->Width(),
                              ClientHeight() - SettingsWindow->Height(), SettingsWindow->Width(),
                              SettingsWindow->Height());
  }
  const TRect frameRect = FramePanel->ClientRect();
  if (TestFrame) TestFrame->SetBoundsRect(frameRect);
  for (int n = 1; n <= 9; ++n)
    if (TCategoryFrameBase* frame = CategoryFrame(n)) frame->SetBoundsRect(frameRect);
  // The settings frame moves the settings window on to the render window's corner when its own size
  // changes; a change of the width alone leaves the frame as it is, and the window would stay in
  // the bottom-right corner over the frame buttons.
  if (SettingFrame) SettingFrame->PlaceSettingsForm();

  const TRect userRect = UserPanel->ClientRect();
  std::vector<TControl*> userViews = {DDSUserFrame, FilterUserFrame, SweepAFrame};
  if (AnalyzerFrame)
    for (TControl* view : std::initializer_list<TControl*>{AnalyzerFrame->AnalyzerFrame, AnalyzerFrame->AudioFrame,
                                                          AnalyzerFrame->IntensityFrame, AnalyzerFrame->DigitalFrame,
                                                          AnalyzerFrame->DiffFrame})
      userViews.push_back(view);
  if (AutoFrame) userViews.push_back(AutoFrame->FastDetectFrame);
  if (VlfFrame) userViews.push_back(VlfFrame->VLFSpectFrame);
  if (SettingFrame) userViews.push_back(SettingFrame->SelfCheckFrame);
  for (TControl* view : userViews)
    if (view) view->SetBoundsRect(userRect);

  StatusView->SetParent(DisplayPanel);
  StatusView->SetBounds(0, 0, DisplayPanel->Width(), DisplayPanel->Height());
}

// The nine category buttons stand 80 x 80 at a pitch of 92 from x = 8. A top bar too narrow for
// them (the default window is 800 wide, the bar 190 less) packs them closer and shrinks them, so
// that every category stays within reach instead of sliding under the version panel.
void TMainWin::LayoutMainButtons(int barWidth) {
  const MainButtonPlace place = ComputeMainButtonPlace(barWidth);
  for (int n = 1; n <= 9; ++n) {
    TImage* button = MainButton(n);
    button->SetStretch(place.size < MainButtonSize);
    button->SetBounds(place.left + place.pitch * (n - 1), (MainButtonSize - place.size) / 2, place.size,
                      place.size);
  }
}

void TMainWin::FormResize(TObject*) { LayoutPanels(); }

void TMainWin::FormCanResize(TObject*, int& NewWidth, int& NewHeight, bool& Resize) {
  Resize = MainWindowSizeAllowed(NewWidth, NewHeight);
}

void TMainWin::OnAutoCenterWindowPanelClick(TObject*) {
  SetBounds(20, 20, Screen->Width() - 40, Screen->Height() - 60);
}

void TMainWin::OnVersionPanelImageMouseDown(TObject*, TMouseButton Button, TShiftState, int, int) {
  if (Button != mbRight || !SettingsWindow) return;
  if (SettingsWindow->Visible())
    SettingsWindow->Close();
  else
    SettingsWindow->Show();
}

void TMainWin::CreateRenderWindow() {
  RenderWindow = new TForm(DisplayPanel);
  RenderWindow->SetParent(DisplayPanel);
  RenderWindow->SetBorderStyle(bsNone);
  RenderWindow->SetBoundsRect(DisplayPanel->ClientRect());
  RenderWindow->SetVisible(true);
  RenderWindow->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    OnRenderWinMouseDown(s, b, sh, x, y);
  };
  RenderWindow->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    OnRenderWinMouseUp(s, b, sh, x, y);
  };
  RenderWindow->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) {
    OnRenderWinMouseMove(s, sh, x, y);
  };
  RenderWindow->OnResize = [this](TObject* s) { OnRenderWinResize(s); };
  RenderWindow->SetColor(GlobalIniService ? GlobalIniService->ReadDisplayBgColor() : clBlack);
  ScrollBox->SetParent(RenderWindow);
}

void TMainWin::OnRenderWinResize(TObject*) {
  std::vector<TModeFrameBase*> views;
  if (FingerFrame) views.insert(views.end(), {FingerFrame->FingerFrame, FingerFrame->FingerCompareFrame});
  if (AnalyzerFrame)
    views.insert(views.end(),
                 {AnalyzerFrame->IntensityFrame, AnalyzerFrame->AudioFrame, AnalyzerFrame->DigitalFrame,
                  AnalyzerFrame->DiffFrame, AnalyzerFrame->MaxHoldFrame});
  if (LocateFrame)
    views.insert(views.end(),
                 {LocateFrame->FieldLocateFrame, LocateFrame->SonarFrame, LocateFrame->DigFieldLocateFrame});
  if (AnalyzerFrame) views.push_back(AnalyzerFrame->AnalyzerFrame);
  if (VlfFrame) views.insert(views.end(), {VlfFrame->VLFSpectFrame, VlfFrame->VLFSonarFrame});
  if (AutoFrame) views.insert(views.end(), {AutoFrame->FastDetectFrame, AutoFrame->SilentFrame});
  const TRect userRect = UserPanel->ClientRect();
  for (TModeFrameBase* view : views) {
    if (!view) continue;
    view->SetBoundsRect(userRect);
    view->OnResize(nullptr);
  }
}

void TMainWin::OnResizeTimer(TObject*) {
  if (RenderWindow) OnRenderWinResize(nullptr);
  if (ResizeTimer) ResizeTimer->SetEnabled(false);
}

// ---------------------------------------------------------------------------------------------
// Navigation

TImage* TMainWin::MainButton(int n) const {
  TImage* buttons[] = {MainBut1, MainBut2, MainBut3, MainBut4, MainBut5,
                       MainBut6, MainBut7, MainBut8, MainBut9};
  return n >= 1 && n <= 9 ? buttons[n - 1] : nullptr;
}

void TMainWin::HideAllCategories() {
  for (int n = 1; n <= 9; ++n)
    if (TCategoryFrameBase* frame = CategoryFrame(n)) frame->Leave();
}

void TMainWin::OnMainButClick(TObject* Sender) {
  int pressed = 0;
  for (int n = 1; n <= 9; ++n)
    if (MainButton(n) == Sender) pressed = n;
  if (pressed == 0) return;
  HideAllCategories();
  if (TCategoryFrameBase* frame = CategoryFrame(pressed)) frame->Enter();
  if (!GlobalLanguageSkinTool) return;
  for (int n = 1; n <= 9; ++n)
    MainButton(n)->Picture()->Assign(GlobalLanguageSkinTool->GetMainButton(n, false));
  MainButton(pressed)->Picture()->Assign(GlobalLanguageSkinTool->GetMainButton(pressed, true));
}

// ---------------------------------------------------------------------------------------------
// Info line

void TMainWin::ShowInfo(const std::string& text, int milliseconds) {
  if (!GlobalLanguageSkinTool) return;
  InfoLabel->Font()->SetColor(GlobalLanguageSkinTool->GetSkinTextColor());
  InfoLabel->SetCaption(text);
  InfoLabel->SetLeft((StatusPanel->Width() - InfoLabel->Width()) / 2);
  InfoLabel->SetTop((StatusPanel->Height() - InfoLabel->Height()) / 2);
  InfoLabel->SetVisible(true);
  InfoPanelTimer->SetEnabled(false);
  InfoPanelTimer->SetInterval(static_cast<unsigned>(milliseconds > 0 ? milliseconds : 0));
  InfoPanelTimer->SetEnabled(true);
}

void TMainWin::ClearInfo() {
  InfoImage->SetVisible(false);
  InfoLabel->SetVisible(false);
}

void TMainWin::OnInfoPanelTimerClick(TObject*) { ClearInfo(); }

// ---------------------------------------------------------------------------------------------
// Skin and display settings

void TMainWin::InitSkin() {
  if (GlobalLanguageSkinTool) {
    LanguageSkinTool& skin = *GlobalLanguageSkinTool;
    for (int n = 1; n <= 9; ++n) MainButton(n)->Picture()->Assign(skin.GetMainButton(n, n == 1));
    TImage* panelImages[] = {LeftPanelImage,   TitlePanelImage,   UserPanelImage, StatusPanelImage,
                             ActionPanelImage, VersionPanelImage, FramePanelImage};
    for (int n = 1; n <= 7; ++n) panelImages[n - 1]->Picture()->Assign(skin.GetPanel(n));
    if (TestFrame) TestFrame->TestFrameImage->Picture()->Assign(skin.GetPanel(7));
    skin.UpdateFrameButtons();
  }
  for (int n = 1; n <= 9; ++n)
    if (TCategoryFrameBase* frame = CategoryFrame(n)) frame->UpdateSkin();
  if (FreqControlFrame) FreqControlFrame->Update();
  PlaceBatteryGauge();
}

void TMainWin::PlaceBatteryGauge() {
  AkkuLabel1->SetBounds(20, 14, 160, AkkuLabel1->Height());
  AkkuLabel2->SetBounds(20, 38, 160, AkkuLabel2->Height());
  AkkuImage1->SetBounds(20, 55, 160, 12);
  AkkuImage1->Picture()->Bitmap()->SetSize(160, 12);
}

void TMainWin::UpdateFromIni() {
  for (StdDisplay* display : {TestDisplay1, TestDisplay2})
    if (display) ApplyIniDisplaySettings(*display);
  if (AnalyzerFrame) AnalyzerFrame->UpdateFromIni();
}

namespace {

// Every measurement display of the display list.
std::vector<StdDisplay*> ListedDisplays() {
  std::vector<StdDisplay*> displays;
  if (!DisplayListGlobal) return displays;
  for (int i = 0; i < DisplayListGlobal->Count(); ++i)
    if (StdDisplay* display = DisplayListGlobal->GetDisplay(i)) displays.push_back(display);
  return displays;
}

}  // namespace

void TMainWin::OnSettingsGridChange(int colour, int alpha, int lineWidth) {
  std::vector<StdDisplay*> displays = ListedDisplays();
  if (TestDisplay1) displays.insert(displays.begin(), TestDisplay1);
  for (StdDisplay* display : displays) {
    display->GridColor = colour;
    display->GridAlpha = static_cast<uint8_t>(alpha);
    display->GridWidth = static_cast<float>(lineWidth);
  }
}

void TMainWin::OnSettingsDisplayChange(int textColour, bool dims, int background) {
  std::vector<StdDisplay*> displays = ListedDisplays();
  if (TestDisplay1) displays.insert(displays.begin(), TestDisplay1);
  for (StdDisplay* display : displays) {
    display->TextColor = textColour;
    display->BgColor = background;
    display->Dims = dims;
    display->GenerateText();
  }
}

void TMainWin::OnSettingsSkinChange() {
  if (GlobalLanguageSkinTool) GlobalLanguageSkinTool->Reload();
  InitSkin();
}

// ---------------------------------------------------------------------------------------------
// Input routing

void TMainWin::OnAppEventMessage(TMsg& Msg, bool& Handled) {
  Handled = false;
  if (Msg.message != WM_MOUSEWHEEL) return;
  const int delta = GetWheelDeltaWParam(Msg.wParam);
  if (AppState == 5 && SweepAFrame) {
    if (delta < 0)
      SweepAFrame->ZoomInBut->Click();
    else
      SweepAFrame->ZoomOutBut->Click();
  }
  // The frames may not exist yet: start-up lets messages run while the window is being built.
  if (AnalyzerFrame) AnalyzerFrame->OnWheel(delta);
  if (VlfFrame) VlfFrame->OnWheel(delta);
  if (AutoFrame) AutoFrame->OnWheel(delta);
}

std::vector<TCategoryFrameBase*> TMainWin::MouseRoutedFrames() const {
  std::vector<TCategoryFrameBase*> frames;
  for (TCategoryFrameBase* frame :
       std::initializer_list<TCategoryFrameBase*>{AnalyzerFrame, VlfFrame, FingerFrame, AutoFrame})
    if (frame) frames.push_back(frame);
  return frames;
}

TPoint TMainWin::RenderWindowToVirtual(int X, int Y) const {
  return RenderWindow ? MapToVirtual(X, Y, RenderWindow->Width(), RenderWindow->Height()) : TPoint(0, 0);
}

void TMainWin::OnRenderWinMouseDown(TObject*, TMouseButton Button, TShiftState Shift, int X, int Y) {
  const TPoint p = RenderWindowToVirtual(X, Y);
  if (TestDisplay1 && TestDisplay2) {
    const auto inside = [&p](const StdDisplay* d) {
      return p.X >= d->ViewPort.left && p.X < d->ViewPort.right && p.Y >= d->ViewPort.top &&
             p.Y < d->ViewPort.bottom;
    };
    if (inside(TestDisplay1)) selectedTestDisplay_ = 1;
    if (inside(TestDisplay2)) selectedTestDisplay_ = 2;
  }
  for (TCategoryFrameBase* frame : MouseRoutedFrames()) frame->OnRenderWinMouseDown(Button, Shift, p.X, p.Y);
}

void TMainWin::OnRenderWinMouseUp(TObject*, TMouseButton Button, TShiftState Shift, int X, int Y) {
  const TPoint p = RenderWindowToVirtual(X, Y);
  for (TCategoryFrameBase* frame : MouseRoutedFrames()) frame->OnRenderWinMouseUp(Button, Shift, p.X, p.Y);
}

void TMainWin::OnRenderWinMouseMove(TObject*, TShiftState Shift, int X, int Y) {
  const TPoint p = RenderWindowToVirtual(X, Y);
  for (TCategoryFrameBase* frame : MouseRoutedFrames()) frame->OnRenderWinMouseMove(Shift, p.X, p.Y);
}
