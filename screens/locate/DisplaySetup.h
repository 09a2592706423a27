// How the locating and detection views describe a display, and the one way a description is applied
// to a new display or to one the view lays out again.
#pragma once
#include <optional>
#include <string>

class StdDisplay;
class DigitalBuffer;

// The edges of a display on the virtual 1024 x 768 screen.
struct Viewport {
  int left, top, right, bottom;
};

// The data points a display shows, first to last.
struct PointWindow {
  int from, to;
};

// A place on the virtual 1024 x 768 screen.
struct SymbolPlace {
  int x, y;
};
// Where the views put the symbols of their measuring displays.
constexpr SymbolPlace ViewSymbols{80, 130};

// Title, viewport, grid and render mode are always given. The data (buffer and channel) is always
// set: none and channel 0 unless given. Window, trace colour and symbol place left out keep what the
// display has (a new display's defaults).
struct DisplaySetup {
  std::string title;
  Viewport viewport;
  int gridX, gridY;
  int renderMode;
  DigitalBuffer* buffer = nullptr;
  int channel = 0;
  std::optional<PointWindow> window = {};
  std::optional<int> traceColour = {};  // 0x00BBGGRR
  std::optional<SymbolPlace> symbols = {};
};

void ApplyDisplaySetup(StdDisplay* display, const DisplaySetup& setup);
void SetViewport(StdDisplay* display, const Viewport& viewport);
