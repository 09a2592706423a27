// A line sink that records every polyline with the width in force, for vertex tests.
#pragma once
#include <vector>

#include "display/DisplayGeometry.h"

struct Stroke {
  float width;
  std::vector<display::Vec2> points;
  uint32_t argb;
};

class RecordingSink : public display::LineSink {
 public:
  void SetWidth(float width) override {
    width_ = width;
    widthChanges.push_back(width);
  }
  float GetWidth() const override { return width_; }
  void Draw(const display::Vec2* points, int count, uint32_t argb) override {
    strokes.push_back({width_, std::vector<display::Vec2>(points, points + count), argb});
  }

  std::vector<Stroke> strokes;
  std::vector<float> widthChanges;

 private:
  float width_ = 1.0f;
};
