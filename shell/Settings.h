// The settings window: display grid, text and background colours, dimensions, skin, skin text
// colour and language. Every change is written to the INI file at once and handed to the main
// window through one of three callbacks.
#pragma once
#include <functional>

#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"

class IniService;

class TSettingsWin : public TForm {
 public:
  // ini: the INI service it reads and writes (not owned). Without one (the entry routine's plain
  // instance) the window reads nothing and writes nothing.
  explicit TSettingsWin(TComponent* AOwner, IniService* ini = nullptr);

  // Its size as designed; a smaller area shrinks it and its contents scroll.
  static constexpr int DesignWidth = 500;
  static constexpr int DesignHeight = 400;
  // Places the window at the area's top-left corner, no larger than the area.
  void PlaceWithin(const TRect& area);

  // Lists the skins whose "Elements\Panel1<nn>101.jpg" exists and selects SKIN_NR.
  void FillSkinCombo();

  void OnCloseButClick(TObject* Sender);
  void OnGridColorPanelClick(TObject* Sender);
  void OnTBGridChange(TObject* Sender);
  void OnDisplayDefaultButClick(TObject* Sender);
  void OnDisplayTextColorPanelClick(TObject* Sender);
  void OnCBDisplayDimsClick(TObject* Sender);
  void OnBgColorPanelClick(TObject* Sender);
  void OnSkinComboChange(TObject* Sender);
  void OnSkinTextColorPanelClick(TObject* Sender);
  void OnRBLangClick(TObject* Sender);

  // The file that marks skin n as present: ProgramFolder + "Elements\Panel1" + nn + "101.jpg".
  static std::string SkinMarkerFile(int skin);

  TScrollBox* Content = nullptr;  // holds the pages and the close button
  TPageControl* pc = nullptr;
  TTabSheet* TabSheet1 = nullptr;
  TTabSheet* TabSheet2 = nullptr;
  TButton* Button1 = nullptr;  // "Close"
  TButton* Button2 = nullptr;  // "Default"
  TPanel* GridColorPanel = nullptr;
  TColorDialog* GridColorDialog = nullptr;
  TTrackBar* TBGridIntensity = nullptr;
  TTrackBar* TBGridSize = nullptr;
  TPanel* TextColorPanel = nullptr;
  TColorDialog* TextColorDialog = nullptr;
  TCheckBox* CBDisplayDims = nullptr;
  TPanel* BgColorPanel = nullptr;
  TColorDialog* BgColorDialog = nullptr;
  TComboBox* SkinCombo = nullptr;
  TPanel* SkinTextColorPanel = nullptr;
  TColorDialog* SkinTextColorDialog = nullptr;
  TRadioButton* RBLang1 = nullptr;
  TRadioButton* RBLang2 = nullptr;
  TRadioButton* RBLang3 = nullptr;
  TRadioButton* RBLang4 = nullptr;
  TImage* Image1 = nullptr;
  TImage* Image2 = nullptr;
  TImage* Image3 = nullptr;
  TImage* Image4 = nullptr;

  IniService* Ini = nullptr;
  bool Loading = false;
  // Grid (colour, alpha, line width), display (text colour, dims, background) and skin change.
  std::function<void(int, int, int)> OnGridChange;
  std::function<void(int, bool, int)> OnDisplayChange;
  std::function<void()> OnSkinChange;

 private:
  void BuildControls();
  void WriteGridAndNotify();
  void NotifyDisplay();
  void NotifySkin();
  int ComboSkinNr() const;
};
