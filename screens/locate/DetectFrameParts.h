// Pieces the detection views share: displays set up from one description, the INI display settings,
// the skinned two-state panel buttons, the skin background, and a message for the operator.
#pragma once
#include <initializer_list>
#include <string>

#include "platform/vcl/ExtCtrls.h"

class StdDisplay;
class DigitalBuffer;

struct DisplaySetup {
  const char* title;
  int left, top, right, bottom;  // viewport, virtual 1024 x 768
  int gridX, gridY;
  DigitalBuffer* buffer;  // may be null
  int renderMode;
  int windowFrom, windowTo;  // point window
  int traceColour = -1;      // -1 keeps the display's default
};

// A display on xBase (1024 x 768) with the set-up applied and its symbols at (80, 130).
StdDisplay* MakeDisplay(const DisplaySetup& setup);
// Applies viewport, grid, title, data, mode, window and colour to an existing display.
void ApplyDisplaySetup(StdDisplay* display, const DisplaySetup& setup);
// Grid colour, transparence and width, text colour, Dims and background from the INI file.
void ApplyIniDisplaySettings(StdDisplay* display);
void SetViewport(StdDisplay* display, int left, int top, int right, int bottom);
// Labels shown and the displays appended to the global display list, in order.
void ShowDisplays(std::initializer_list<StdDisplay*> displays);
// Labels hidden and the global display list emptied.
void HideDisplays(std::initializer_list<StdDisplay*> displays);

constexpr TColor PanelReleasedColour = 0x573523;
constexpr TColor PanelPressedColour = 0x24160E;

// A panel button of the views: released colour, no bevel, bold font in clScrollBar.
TPanel* MakePanelButton(TWinControl* parent, const std::string& caption, int left, int top, int width,
                        int height, const std::string& fontName = "MS Sans Serif", int fontHeight = -21);

// The view's background image takes skin panel 3 (nothing while the skin does not exist).
void ApplySkinBackground(TImage* image);

// Shows a message for the operator (on stderr too when headless).
void TellOperator(const std::string& text, const std::string& caption = "RT7731 IV");
