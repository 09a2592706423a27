#include "screens/PanelButton.h"

#include "base/PanelColours.h"

TPanel* NewPanelButton(TWinControl* parent, const std::string& caption, int left, int top, int width,
                       int height) {
  auto* panel = new TPanel(parent);
  panel->SetParent(parent);
  panel->SetBounds(left, top, width, height);
  panel->SetCaption(caption);
  panel->SetColor(panel_colours::Released);
  return panel;
}

TPanel* MakePanelButton(TWinControl* parent, const std::string& caption, int left, int top, int width,
                        int height, const std::string& fontName, int fontHeight, TFontStyles fontStyle) {
  TPanel* panel = NewPanelButton(parent, caption, left, top, width, height);
  panel->SetBevelOuter(bvNone);
  panel->Font()->SetName(fontName);
  panel->Font()->SetHeight(fontHeight);
  panel->Font()->SetStyle(fontStyle);
  panel->Font()->SetColor(clScrollBar);
  return panel;
}
