// Vertex generation of the measurement display: grid, frame, trace render modes, overlays.
//
// Every routine here is a pure function of the plot geometry and the levels: it sends its
// polylines to a LineSink (the display's line object when rendering, a recorder in tests).
// Coordinates are back-buffer pixels, x to the right, y downwards.
#pragma once
#include <algorithm>
#include <cstdint>

#include "engine/Buffers.h"
#include "platform/scene/Scene.h"
#include "base/Log.h"

namespace display {

using scene::Vec2;

constexpr int ScratchPoints = 4096;  // most points one polyline holds
constexpr int PaletteSize = 256;

// Packs a class-library colour (red in the low byte) and an alpha into 0xAARRGGBB.
constexpr uint32_t PackRGBA(int colour, uint8_t alpha) { return ColorToARGB(colour, alpha); }

// What the renderers draw through: the line object's width and its polylines.
class LineSink {
 public:
  virtual ~LineSink() = default;
  virtual void SetWidth(float width) = 0;
  virtual float GetWidth() const = 0;
  virtual void Draw(const Vec2* points, int count, uint32_t argb) = 0;
};

// Read-only view of one row of levels; indices outside 0..count-1 read 0.
struct Levels {
  const SharedFloat* data = nullptr;
  unsigned count = 0;

  float At(long long index) const {
    return data && index >= 0 && index < (long long)count ? data[index].load(std::memory_order_relaxed)
                                                          : 0.0f;
  }
  bool Empty() const { return data == nullptr; }
};

Levels LevelsOf(const NormalBuffer* buffer);
Levels LevelsOf(const DigitalBuffer* buffer, int channel);  // empty for a bad channel

// The plot of one display for one frame.
struct PlotGeometry {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int MarginTop = 0, MarginBottom = 0;
  int ZoomStart = 0, ZoomEnd = 0;

  // Plot columns, limited to what a scratch polyline holds; 0 for an empty or inverted viewport.
  int Columns() const;
  int PlotHeight() const { return Bottom - Top - MarginTop - MarginBottom; }
  int PlotTop() const { return Top + MarginTop; }
  int PlotBottom() const { return Bottom - MarginBottom; }
  // Lowest row of the overlays (zoom window, vertical line): top + plot height, so they stop
  // MarginTop short of the plot's bottom edge. A plot lower than MarginTop would put that row above
  // the plot's top edge; the overlays then shrink to the top edge instead of reaching out of the plot.
  int OverlayBottom() const { return std::max(PlotTop(), Top + PlotHeight()); }
  // Lowest row that the plot clamp allows: MarginTop above the viewport's bottom, but never below the
  // plot's bottom edge (with a bottom margin taller than the top one it would reach into it).
  int ClampBottom() const { return std::min(Bottom - MarginTop, PlotBottom()); }
  int Row(float level, float low, float high) const;

  int ZoomLength() const { return ZoomEnd - ZoomStart; }
  // Start position p(c) of column c in the zoom window.
  double ZoomPosition(int column) const;
  // x of a buffer index under the zoom window; false when the window is empty.
  bool ZoomX(double index, float& x) const;
};

// Level range of a render: the buffer scale or the zoom scale 0..255.
struct Scale {
  float low = 0.0f, high = 255.0f;
};
constexpr Scale ZoomScale{0.0f, 255.0f};

// Width changes a renderer makes; 0 keeps the width in force.
struct Widths {
  float whenWide = 0.0f;    // columns >= points (or >= zoom length)
  float whenNarrow = 0.0f;  // columns < points
};

// Background grid and the frame around the viewport.
void DrawGrid(const PlotGeometry& g, int divX, int divY, uint32_t argb, LineSink& sink);
void DrawFrame(const PlotGeometry& g, uint32_t argb, LineSink& sink);

// Ramp step: columns that repeat the row of the column before them take the row of the straight
// line between their unmarked neighbours. First and last column are never marked.
void ApplyRamp(Vec2* points, int count);

// Mode 0: line over all points. Returns the row at the middle column.
int DrawTraceLine(const PlotGeometry& g, Levels v, Scale s, uint32_t argb, Widths w, Vec2* scratch,
                  LineSink& sink);
// Mode 1: bars over all points.
int DrawTraceBars(const PlotGeometry& g, Levels v, Scale s, uint32_t argb, Widths w, LineSink& sink);
// Mode 2: line over the zoom window, zoom scale.
int DrawZoomLine(const PlotGeometry& g, Levels v, uint32_t argb, bool clampToPlot, float width, Vec2* scratch,
                 LineSink& sink);
// Mode 3: bars over the zoom window, zoom scale.
int DrawZoomBars(const PlotGeometry& g, Levels v, uint32_t argb, bool clampToPlot, float width,
                 LineSink& sink);
// Mode 6 on a trace of (min, max) pairs.
int DrawMinMaxPairs(const PlotGeometry& g, Levels pairs, const int* colours, LineSink& sink);
// Mode 6 on a digital buffer: maxima channel and colour-index channel.
int DrawDigitalMinMax(const PlotGeometry& g, Levels maxima, Levels colourIndex, const int* colours,
                      LineSink& sink);
// Mode 7: fingerprint double bars.
int DrawFingerBars(const PlotGeometry& g, Levels a, Levels b, float width, LineSink& sink);
// Modes 9 (difference) and 10 (max hold).
int DrawDiffBars(const PlotGeometry& g, Levels ch0, Levels ch1, float offset, float width, bool maxHold,
                 LineSink& sink);
// Mode 11: 20 band columns with a threshold line.
int DrawMobilV2(const PlotGeometry& g, Levels ch0, Levels ch1, Levels ch3, bool levelEdit, LineSink& sink);

// Zoom-window outline around a centre index range, and the vertical line, from the plot's top edge
// down to OverlayBottom.
void DrawZoomWindow(const PlotGeometry& g, double firstIndex, double lastIndex, LineSink& sink);
void DrawVertLine(const PlotGeometry& g, double index, LineSink& sink);
// Horizontal span line from x1 to x2 just under the plot.
void DrawSpanLine(const PlotGeometry& g, float x1, float x2, LineSink& sink);

// Colour tables (class-library colours).
// Hue in degrees, saturation 0..1, value 0..255 -> class-library colour.
using HsvConversion = int (*)(double hue, double saturation, double value);
int HsvColor(double hue, double saturation, double value);
void BuildWaterPalette(int* palette, HsvConversion hsv = HsvColor);
void BuildMinMaxColors(int* colours, HsvConversion hsv = HsvColor);

// Waterfall picture: bitmap row r shows the ring row of age r (oldest at the top); the last
// bitmap row keeps the background. Pixels and pixelPalette are 0x00RRGGBB words
// (see PixelPalette).
template <class RowOfAge>
void FillWaterfall(uint32_t* pixels, int width, int rows, int rowLength, int from,
                   const uint32_t* pixelPalette, RowOfAge rowOfAge);

// A palette of class-library colours as 0x00RRGGBB bitmap words.
void PixelPalette(const int* palette, uint32_t* pixelPalette);

// Palette index of a waterfall value (levels scaled to 0..1).
inline int WaterIndex(float value) {
  if (!(value > 0.0f)) return 0;
  if (value >= 1.0f) return 255;
  return int(value * 255.0f);
}

template <class RowOfAge>
void FillWaterfall(uint32_t* pixels, int width, int rows, int rowLength, int from,
                   const uint32_t* pixelPalette, RowOfAge rowOfAge) {
  // Columns of the picture that lie inside the row; the others read level 0.
  const int first = std::clamp(-from, 0, width);
  const int end = std::clamp(rowLength - from, first, width);
  for (int r = 0; r + 1 < rows; ++r) {
    const SharedFloat* row = rowOfAge(r);
    uint32_t* out = pixels + (long long)r * width;
    if (!row) {
      std::fill(out, out + width, pixelPalette[0]);
      continue;
    }
    std::fill(out, out + first, pixelPalette[0]);
    for (int i = first; i < end; ++i)
      out[i] = pixelPalette[WaterIndex(row[from + i].load(std::memory_order_relaxed))];
    std::fill(out + end, out + width, pixelPalette[0]);
  }
}

}  // namespace display
