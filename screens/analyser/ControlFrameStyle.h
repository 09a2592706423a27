// What the analyser's small control frames share: their own colours, the background with its grey
// frame line, and the panel buttons, which take the panel colours (panel_colours) as they are
// pressed and released.
#pragma once
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "base/PanelColours.h"

namespace control_style {
constexpr TColor Background = 0x606060;
constexpr TColor FrameLine = 0x808080;
constexpr TColor Text = 0xC8D0D4;

// Sizes image to the frame's client area and draws the background with its frame line.
void DrawBackground(TFrame* frame, TImage* image);
// A panel button of the control frames at the given place.
TPanel* MakeButton(TFrame* frame, const char* caption, int left, int top, int width, int height);
}  // namespace control_style
