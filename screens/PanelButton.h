// The panel button every view and control frame starts from: a panel on its parent at the given
// place with its caption, in the released colour. Each screen family adds its own font and frame.
#pragma once
#include <string>

#include "platform/vcl/ExtCtrls.h"

TPanel* NewPanelButton(TWinControl* parent, const std::string& caption, int left, int top, int width,
                       int height);

// A panel button of the views: released colour, no bevel, the font (bold unless a plain style is
// given) in clScrollBar.
TPanel* MakePanelButton(TWinControl* parent, const std::string& caption, int left, int top, int width,
                        int height, const std::string& fontName = "MS Sans Serif", int fontHeight = -21,
                        TFontStyles fontStyle = fsBold);
