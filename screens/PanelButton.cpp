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
