#include "screens/locate/DetectFrameParts.h"

#include "display/Display.h"
#include "platform/vcl/Forms.h"
#include "shell/base/Globals.h"
#include "shell/base/IniService.h"
#include "shell/base/Language.h"

StdDisplay* MakeDisplay(const DisplaySetup& setup) {
  auto* display = new StdDisplay(xBase, 1024, 768);
  ApplyDisplaySetup(display, setup);
  display->MoveSymbols(80, 130);
  return display;
}

void SetViewport(StdDisplay* display, int left, int top, int right, int bottom) {
  display->ViewPort = {left, top, right, bottom};
}

void ApplyDisplaySetup(StdDisplay* display, const DisplaySetup& setup) {
  SetViewport(display, setup.left, setup.top, setup.right, setup.bottom);
  display->GridDivX = setup.gridX;
  display->GridDivY = setup.gridY;
  display->SetTitle(setup.title);
  display->DigBuffer = setup.buffer;
  display->DigChannel = 0;
  display->RenderMode = uint8_t(setup.renderMode);
  display->ZoomStart = setup.windowFrom;
  display->ZoomEnd = setup.windowTo;
  if (setup.traceColour >= 0) display->TraceColor = setup.traceColour;
}

void ApplyIniDisplaySettings(StdDisplay* display) {
  if (!display || !GlobalIniService) return;
  IniService& ini = *GlobalIniService;
  display->GridColor = ini.ReadGridColor();
  display->GridAlpha = uint8_t(ini.ReadGridTransparence());
  display->GridWidth = float(ini.ReadGridSize() * 0.1);
  display->TextColor = ini.ReadDisplayTextColor();
  display->Dims = ini.ReadDisplayDims() ? 1 : 0;
  display->GenerateText();
  display->BgColor = ini.ReadDisplayBgColor();
}

void ShowDisplays(std::initializer_list<StdDisplay*> displays) {
  for (StdDisplay* d : displays) {
    d->ShowTexts();
    if (DisplayListGlobal) DisplayListGlobal->Add(d);
  }
}

void HideDisplays(std::initializer_list<StdDisplay*> displays) {
  for (StdDisplay* d : displays) d->HideTexts();
  if (DisplayListGlobal) DisplayListGlobal->Clear();
}

TPanel* MakePanelButton(TWinControl* parent, const std::string& caption, int left, int top, int width,
                        int height, const std::string& fontName, int fontHeight) {
  auto* panel = new TPanel(parent);
  panel->SetParent(parent);
  panel->SetBounds(left, top, width, height);
  panel->SetCaption(caption);
  panel->SetColor(PanelReleasedColour);
  panel->SetBevelOuter(bvNone);
  panel->Font()->SetName(fontName);
  panel->Font()->SetHeight(fontHeight);
  panel->Font()->SetStyle(fsBold);
  panel->Font()->SetColor(clScrollBar);
  return panel;
}

void ApplySkinBackground(TImage* image) {
  if (!image || !GlobalLanguageSkinTool) return;
  if (TBitmap* panel = GlobalLanguageSkinTool->GetPanel(3)) image->Picture()->Assign(panel);
}

void TellOperator(const std::string& text, const std::string& caption) {
  if (Application) Application->MessageBox(text, caption, MB_OK);
}
