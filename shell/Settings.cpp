#include "shell/Settings.h"

#include <algorithm>

#include "platform/rtl/SysUtils.h"
#include "base/Globals.h"
#include "base/IniService.h"

namespace {

TGroupBox* MakeGroup(TWinControl* parent, const std::string& caption, int left, int top, int width,
                     int height) {
  TGroupBox* group = new TGroupBox(parent);
  group->SetParent(parent);
  group->SetCaption(caption);
  group->SetBounds(left, top, width, height);
  return group;
}

TLabel* MakeLabel(TWinControl* parent, const std::string& caption, int left, int top) {
  TLabel* label = new TLabel(parent);
  label->SetParent(parent);
  label->SetCaption(caption);
  label->SetBounds(left, top, 80, 16);
  return label;
}

TPanel* MakeSwatch(TWinControl* parent, int left, int top) {
  TPanel* panel = new TPanel(parent);
  panel->SetParent(parent);
  panel->SetBounds(left, top, 60, 20);
  panel->SetBevelOuter(bvLowered);
  return panel;
}

}  // namespace

TSettingsWin::TSettingsWin(TComponent* AOwner, IniService* ini) : TForm(AOwner), Ini(ini) {
  SetBorderStyle(bsSingle);
  SetCaption("Settings");
  SetBounds(Left(), Top(), DesignWidth, DesignHeight);
  Loading = true;
  BuildControls();
  if (Ini) {
    GridColorPanel->SetColor(Ini->ReadGridColor());
    TBGridIntensity->SetPosition(Ini->ReadGridTransparence());
    TBGridSize->SetPosition(Ini->ReadGridSize());
    TextColorPanel->SetColor(Ini->ReadDisplayTextColor());
    CBDisplayDims->SetChecked(Ini->ReadDisplayDims());
    BgColorPanel->SetColor(Ini->ReadDisplayBgColor());
    TRadioButton* languages[] = {RBLang1, RBLang2, RBLang3, RBLang4};
    const int language = Ini->ReadLangNr();
    if (language >= 0 && language <= 3) languages[language]->SetChecked(true);
    FillSkinCombo();
  }
  Loading = false;
}

void TSettingsWin::BuildControls() {
  // The pages and the close button scroll when the window is smaller than its design size.
  Content = new TScrollBox(this);
  Content->SetParent(this);
  Content->SetAlign(alClient);
  pc = new TPageControl(this);
  pc->SetParent(Content);
  pc->SetBounds(4, 4, 484, 330);
  TabSheet1 = new TTabSheet(this);
  TabSheet1->SetPageControl(pc);
  TabSheet1->SetCaption("Info");
  TabSheet2 = new TTabSheet(this);
  TabSheet2->SetPageControl(pc);
  TabSheet2->SetCaption("Display");
  pc->SetActivePage(TabSheet2);

  TGroupBox* grid = MakeGroup(TabSheet2, "Grid", 8, 8, 225, 130);
  MakeLabel(grid, "Color", 10, 24);
  GridColorPanel = MakeSwatch(grid, 100, 22);
  GridColorPanel->OnClick = [this](TObject* s) { OnGridColorPanelClick(s); };
  MakeLabel(grid, " Intensity", 10, 56);
  TBGridIntensity = new TTrackBar(grid);
  TBGridIntensity->SetParent(grid);
  TBGridIntensity->SetBounds(90, 50, 125, 28);
  TBGridIntensity->SetMin(0);
  TBGridIntensity->SetMax(255);
  MakeLabel(grid, "Size", 10, 92);
  TBGridSize = new TTrackBar(grid);
  TBGridSize->SetParent(grid);
  TBGridSize->SetBounds(90, 86, 125, 28);
  TBGridSize->SetMin(10);
  TBGridSize->SetMax(60);
  TBGridIntensity->OnChange = [this](TObject* s) { OnTBGridChange(s); };
  TBGridSize->OnChange = [this](TObject* s) { OnTBGridChange(s); };

  TGroupBox* display = MakeGroup(TabSheet2, "Display", 8, 146, 225, 110);
  MakeLabel(display, "Text Color", 10, 24);
  TextColorPanel = MakeSwatch(display, 130, 22);
  TextColorPanel->OnClick = [this](TObject* s) { OnDisplayTextColorPanelClick(s); };
  CBDisplayDims = new TCheckBox(display);
  CBDisplayDims->SetParent(display);
  CBDisplayDims->SetCaption("Show Dimensions");
  CBDisplayDims->SetBounds(10, 50, 200, 20);
  CBDisplayDims->OnClick = [this](TObject* s) { OnCBDisplayDimsClick(s); };
  MakeLabel(display, "Background Color", 10, 80)->SetWidth(115);
  BgColorPanel = MakeSwatch(display, 130, 78);
  BgColorPanel->OnClick = [this](TObject* s) { OnBgColorPanelClick(s); };

  TGroupBox* skin = MakeGroup(TabSheet2, "Skin", 242, 8, 226, 248);
  SkinCombo = new TComboBox(skin);
  SkinCombo->SetParent(skin);
  SkinCombo->SetBounds(10, 22, 80, 22);
  SkinCombo->OnChange = [this](TObject* s) { OnSkinComboChange(s); };
  MakeLabel(skin, "Text Color", 100, 26);
  SkinTextColorPanel = MakeSwatch(skin, 160, 22);
  SkinTextColorPanel->SetWidth(56);
  SkinTextColorPanel->OnClick = [this](TObject* s) { OnSkinTextColorPanelClick(s); };
  const char* names[] = {"englisch", "deutsch", "französisch", "spanisch"};
  TRadioButton** buttons[] = {&RBLang1, &RBLang2, &RBLang3, &RBLang4};
  TImage** images[] = {&Image1, &Image2, &Image3, &Image4};
  for (int i = 0; i < 4; ++i) {
    TImage* flag = new TImage(skin);
    flag->SetParent(skin);
    flag->SetBounds(10, 60 + 44 * i, 40, 30);
    *images[i] = flag;
    TRadioButton* button = new TRadioButton(skin);
    button->SetParent(skin);
    button->SetCaption(names[i]);
    button->SetBounds(60, 65 + 44 * i, 150, 20);
    button->OnClick = [this](TObject* s) { OnRBLangClick(s); };
    *buttons[i] = button;
  }

  Button2 = new TButton(TabSheet2);
  Button2->SetParent(TabSheet2);
  Button2->SetCaption("Default");
  Button2->SetBounds(8, 266, 90, 25);
  Button2->OnClick = [this](TObject* s) { OnDisplayDefaultButClick(s); };

  Button1 = new TButton(this);
  Button1->SetParent(Content);
  Button1->SetCaption("Close");
  Button1->SetBounds(400, 340, 88, 25);
  Button1->OnClick = [this](TObject* s) { OnCloseButClick(s); };

  GridColorDialog = new TColorDialog(this);
  TextColorDialog = new TColorDialog(this);
  BgColorDialog = new TColorDialog(this);
  SkinTextColorDialog = new TColorDialog(this);
}

void TSettingsWin::PlaceWithin(const TRect& area) {
  SetBounds(area.Left, area.Top, std::min(DesignWidth, area.Right - area.Left),
            std::min(DesignHeight, area.Bottom - area.Top));
}

std::string TSettingsWin::SkinMarkerFile(int skin) {
  return PlatformPath(ProgramFolder + "Elements\\Panel1" + (skin < 10 ? "0" : "") + IntToStr(skin) +
                      "101.jpg");
}

void TSettingsWin::FillSkinCombo() {
  SkinCombo->Items()->Clear();
  for (int n = 0; n <= 49; ++n)
    if (FileExists(SkinMarkerFile(n))) SkinCombo->Items()->Add(IntToStr(n));
  if (!Ini) return;
  const int skin = Ini->ReadSkinNr();
  SkinCombo->SetItemIndex(SkinCombo->Items()->IndexOf(IntToStr(skin)));
  SkinTextColorPanel->SetColor(Ini->ReadSkinTextColor(skin));
}

int TSettingsWin::ComboSkinNr() const { return StrToIntDef(SkinCombo->Caption(), 1); }

void TSettingsWin::WriteGridAndNotify() {
  if (Ini) Ini->WriteGrid(GridColorPanel->Color(), TBGridIntensity->Position(), TBGridSize->Position());
  if (OnGridChange)
    OnGridChange(GridColorPanel->Color(), TBGridIntensity->Position(), TBGridSize->Position() / 10);
}

void TSettingsWin::NotifyDisplay() {
  if (OnDisplayChange)
    OnDisplayChange(TextColorPanel->Color(), CBDisplayDims->Checked(), BgColorPanel->Color());
}

void TSettingsWin::NotifySkin() {
  if (OnSkinChange) OnSkinChange();
}

void TSettingsWin::OnCloseButClick(TObject*) { Close(); }

void TSettingsWin::OnGridColorPanelClick(TObject*) {
  if (!GridColorDialog->Execute()) return;
  GridColorPanel->SetColor(GridColorDialog->Color());
  WriteGridAndNotify();
}

void TSettingsWin::OnTBGridChange(TObject*) {
  if (Loading) return;
  WriteGridAndNotify();
}

void TSettingsWin::OnDisplayDefaultButClick(TObject*) {
  Loading = true;
  GridColorPanel->SetColor(0x808080);
  TBGridIntensity->SetPosition(32);
  TBGridSize->SetPosition(30);
  Loading = false;
  WriteGridAndNotify();
  Loading = true;
  TextColorPanel->SetColor(0xC0C0C0);
  CBDisplayDims->SetChecked(false);
  BgColorPanel->SetColor(0);
  Loading = false;
  if (Ini) {
    Ini->WriteDisplayTextColor(TextColorPanel->Color());
    Ini->WriteDisplayDims(false);
    Ini->WriteDisplayBgColor(BgColorPanel->Color());
  }
  NotifyDisplay();
}

void TSettingsWin::OnDisplayTextColorPanelClick(TObject*) {
  if (!TextColorDialog->Execute()) return;
  TextColorPanel->SetColor(TextColorDialog->Color());
  if (Ini) Ini->WriteDisplayTextColor(TextColorPanel->Color());
  NotifyDisplay();
}

void TSettingsWin::OnCBDisplayDimsClick(TObject*) {
  if (Loading) return;
  if (Ini) Ini->WriteDisplayDims(CBDisplayDims->Checked());
  NotifyDisplay();
}

void TSettingsWin::OnBgColorPanelClick(TObject*) {
  if (!BgColorDialog->Execute()) return;
  BgColorPanel->SetColor(BgColorDialog->Color());
  if (Ini) Ini->WriteDisplayBgColor(BgColorPanel->Color());
  NotifyDisplay();
}

void TSettingsWin::OnSkinComboChange(TObject*) {
  const int skin = ComboSkinNr();
  if (Ini) {
    Ini->WriteSkinNr(skin);
    SkinTextColorPanel->SetColor(Ini->ReadSkinTextColor(skin));
  }
  NotifySkin();
}

void TSettingsWin::OnSkinTextColorPanelClick(TObject*) {
  SkinTextColorDialog->SetColor(SkinTextColorPanel->Color());
  if (!SkinTextColorDialog->Execute()) return;
  SkinTextColorPanel->SetColor(SkinTextColorDialog->Color());
  if (Ini) Ini->WriteSkinTextColor(SkinTextColorPanel->Color(), ComboSkinNr());
  NotifySkin();
}

void TSettingsWin::OnRBLangClick(TObject* Sender) {
  if (Loading) return;
  const TRadioButton* buttons[] = {RBLang1, RBLang2, RBLang3, RBLang4};
  for (int i = 0; i < 4; ++i) {
    if (Sender != buttons[i]) continue;
    if (Ini) Ini->WriteLangNr(i);
    NotifySkin();
    return;
  }
}
