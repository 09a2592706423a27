#include "screens/locate/DisplaySetup.h"

#include <cstdint>

#include "display/Display.h"

void SetViewport(StdDisplay* display, const Viewport& viewport) {
  display->ViewPort = {viewport.left, viewport.top, viewport.right, viewport.bottom};
}

void ApplyDisplaySetup(StdDisplay* display, const DisplaySetup& setup) {
  SetViewport(display, setup.viewport);
  display->GridDivX = setup.gridX;
  display->GridDivY = setup.gridY;
  display->SetTitle(setup.title);
  display->DigBuffer = setup.buffer;
  display->DigChannel = setup.channel;
  display->RenderMode = uint8_t(setup.renderMode);
  if (setup.window) {
    display->ZoomStart = setup.window->from;
    display->ZoomEnd = setup.window->to;
  }
  if (setup.traceColour) display->TraceColor = *setup.traceColour;
  if (setup.symbols) display->MoveSymbols(setup.symbols->x, setup.symbols->y);
}
