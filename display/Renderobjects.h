// Render objects drawn on the scene: a horizontal bar showing a value against a maximum.
#pragma once
#include <cstdint>
#include <memory>

#include "platform/scene/Scene.h"
#include "platform/vcl/Graphics.h"

class ZXBase;

// One thick line from (x, y) to (Value / Maximum x length + x, y), not clamped.
class BargarphLine {
 public:
  BargarphLine(ZXBase* xbase, int x, int y, int length, int width);
  ~BargarphLine();

  // Draws nothing while hidden, when Maximum is 0 or without a device.
  void Render();

  ZXBase* Scene = nullptr;
  int Length = 0;
  int Width = 0;
  int X = 0, Y = 0;
  std::unique_ptr<scene::Line> Line;  // null without a device
  scene::Vec2 Vertices[2];
  uint8_t Visible = 0;
  unsigned Maximum = 0;
  unsigned Value = 0;
  TColor Color = 0x00FF00;
};
