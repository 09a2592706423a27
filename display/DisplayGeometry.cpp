#include "display/DisplayGeometry.h"

#include <algorithm>
#include <cmath>

namespace display {

namespace {

constexpr uint32_t Red = PackRGBA(0x0000FF, 255);
constexpr uint32_t DarkGreen = PackRGBA(0x008000, 255);
constexpr uint32_t BrightGreen = PackRGBA(0x00FF00, 255);
constexpr uint32_t Grey = PackRGBA(0x808080, 255);
constexpr uint32_t MaxHoldTop = PackRGBA(0x216FEF, 255);
constexpr uint32_t Yellow = PackRGBA(0x00FFFF, 255);
constexpr uint32_t White = PackRGBA(0xFFFFFF, 255);
constexpr uint32_t Aqua = PackRGBA(0xFFFF00, 255);
constexpr uint32_t Orange = PackRGBA(0x0080FF, 255);

void Segment(LineSink& sink, float x1, float y1, float x2, float y2, uint32_t argb) {
  const Vec2 pair[2] = {{x1, y1}, {x2, y2}};
  sink.Draw(pair, 2, argb);
}

void SetWidthIfGiven(LineSink& sink, float width) {
  if (width > 0.0f) sink.SetWidth(width);
}

// Indices [first, end) that column c covers in the zoom window.
struct ColumnRange {
  long long first, end;
  bool Single() const { return end - first <= 1; }
};

ColumnRange RangeOf(const PlotGeometry& g, int column) {
  return {(long long)g.ZoomPosition(column), (long long)g.ZoomPosition(column + 1)};
}

// Highest level of a column, starting from 0; the first index alone when the column covers at
// most one index.
float ColumnPeak(Levels v, ColumnRange r) {
  if (r.Single()) return v.At(r.first);
  float peak = 0.0f;
  for (long long i = r.first; i < r.end; ++i) peak = std::max(peak, v.At(i));
  return peak;
}

// Level at the start of a column when the window has fewer indices than columns: towards the next
// index, also past the window's end. Past the buffer's last point there is no point to read, and
// the level there is 0, as everywhere past the data.
float Interpolated(Levels v, double position) {
  const long long i0 = (long long)position;
  const float a = v.At(i0);
  const float b = v.At(i0 + 1);
  return float(a + (b - a) * (position - double(i0)));
}

int Clamped(int row, const PlotGeometry& g, bool clamp) {
  if (!clamp) return row;
  return std::clamp(row, g.PlotTop(), std::max(g.PlotTop(), g.ClampBottom()));
}

// Index into a 256-entry colour table: truncated, negative values give 0, large ones 255.
int TableIndex(float value) {
  if (!(value > 0.0f)) return 0;
  return value >= 255.0f ? 255 : int(value);
}

// Number of points each column of an envelope spans beyond its first: ceil(N / W).
long long EnvelopeStep(unsigned n, int w) { return (n + (long long)w - 1) / w; }
long long EnvelopeFirst(unsigned n, int w, int c) { return (long long)((double)c * n / w); }

}  // namespace

Levels LevelsOf(const NormalBuffer* buffer) {
  if (!buffer) return {};
  return {buffer->Points, buffer->Count};
}

Levels LevelsOf(const DigitalBuffer* buffer, int channel) {
  if (!buffer || channel < 0 || channel >= DigitalBuffer::ChannelCount) return {};
  return {buffer->Channels[channel], buffer->Count};
}

// ---------------------------------------------------------------------------------------------
// Geometry

int PlotGeometry::Columns() const { return std::clamp(Right - Left, 0, ScratchPoints - 1); }

int PlotGeometry::Row(float level, float low, float high) const {
  return PlotTop() + CalcPixelY(PlotHeight(), level, low, high);
}

double PlotGeometry::ZoomPosition(int column) const {
  const int w = Columns();
  return w > 0 ? double(ZoomLength()) / w * column + ZoomStart : double(ZoomStart);
}

bool PlotGeometry::ZoomX(double index, float& x) const {
  const int length = ZoomLength();
  if (length == 0) return false;
  x = float(Left + (index - ZoomStart) / length * Columns());
  return std::isfinite(x);
}

// ---------------------------------------------------------------------------------------------
// Grid and frame

// Lines at start + k * step while they stay within end + 1 (the tolerance keeps the last line
// on the edge). Computed by multiplication, so an empty plot or a zero division count draws
// nothing instead of looping forever.
void DrawGrid(const PlotGeometry& g, int divX, int divY, uint32_t argb, LineSink& sink) {
  const int width = g.Right - g.Left;
  if (width > 0 && divX > 0) {
    const double step = double(width) / divX;
    for (int k = 0;; ++k) {
      const double x = g.Left + k * step;
      if (x > g.Right + 1.0) break;
      Segment(sink, float(x), float(g.PlotTop()), float(x), float(g.PlotBottom()), argb);
    }
  }
  const int height = g.PlotHeight();
  if (height > 0 && divY > 0) {
    const double step = double(height) / divY;
    for (int k = 0;; ++k) {
      const double y = g.PlotTop() + k * step;
      if (y > g.PlotBottom() + 1.0) break;
      Segment(sink, float(g.Left), float(y), float(g.Right), float(y), argb);
    }
  }
}

void DrawFrame(const PlotGeometry& g, uint32_t argb, LineSink& sink) {
  const float l = float(g.Left - 8), r = float(g.Right + 8);
  const float t = float(g.Top - 4), b = float(g.Bottom + 4);
  const Vec2 outline[5] = {{l, t}, {r, t}, {r, b}, {l, b}, {l, t}};
  sink.SetWidth(3.0f);
  sink.Draw(outline, 5, argb);
}

// ---------------------------------------------------------------------------------------------
// Mode 0 and 1: all points

void ApplyRamp(Vec2* points, int count) {
  if (count < 3) return;
  // A column is marked when its original row equals the original row before it; walking down
  // and comparing with the previous original row keeps that test on unmodified values.
  float previousOriginal = points[0].y;
  int lastUnmarked = 0;
  for (int c = 1; c < count; ++c) {
    const float original = points[c].y;
    const bool marked = c < count - 1 && original == previousOriginal;
    previousOriginal = original;
    if (marked) continue;
    if (c - lastUnmarked > 1) {
      const Vec2 a = points[lastUnmarked], b = points[c];
      for (int m = lastUnmarked + 1; m < c; ++m)
        if (a.x != b.x)
          points[m].y = (points[m].x - b.x) / (a.x - b.x) * a.y + (points[m].x - a.x) / (b.x - a.x) * b.y;
    }
    lastUnmarked = c;
  }
}

int DrawTraceLine(const PlotGeometry& g, Levels v, Scale s, uint32_t argb, Widths w, Vec2* scratch,
                  LineSink& sink) {
  const int columns = g.Columns();
  const unsigned n = v.count;
  int middle = g.PlotBottom();
  if (v.Empty() || columns <= 0 || n == 0) return middle;
  if ((unsigned)columns >= n) {
    SetWidthIfGiven(sink, w.whenWide);
    const double perColumn = double(n) / columns;
    for (int c = 0; c < columns; ++c) {
      const long long index = (long long)(perColumn * c);
      scratch[c] = {float(g.Left + c), float(g.Row(v.At(index), s.low, s.high))};
    }
    ApplyRamp(scratch, columns);
    middle = int(scratch[columns / 2].y);
    sink.Draw(scratch, columns, argb);
    return middle;
  }
  SetWidthIfGiven(sink, w.whenNarrow);
  const long long span = EnvelopeStep(n, columns);
  for (int c = 0; c + 1 < columns; ++c) {
    const long long first = EnvelopeFirst(n, columns, c);
    float high = v.At(first), low = high;
    for (long long j = first + 1; j <= first + span; ++j) {
      const float level = v.At(j);
      high = std::max(high, level);
      low = std::min(low, level);
    }
    const float x = float(g.Left + c);
    const int lowRow = g.Row(low, s.low, s.high);
    Segment(sink, x, float(g.Row(high, s.low, s.high)), x, float(lowRow), argb);
    if (c == columns / 2) middle = lowRow;
  }
  return middle;
}

int DrawTraceBars(const PlotGeometry& g, Levels v, Scale s, uint32_t argb, Widths w, LineSink& sink) {
  const int columns = g.Columns();
  const unsigned n = v.count;
  int middle = g.PlotBottom();
  if (v.Empty() || columns <= 0 || n == 0) return middle;
  const float bottom = float(g.PlotBottom());
  if ((unsigned)columns >= n) {
    SetWidthIfGiven(sink, w.whenWide);
    const double perColumn = double(n) / columns;
    for (int c = 0; c < columns; ++c) {
      const int row = g.Row(v.At((long long)(perColumn * c)), s.low, s.high);
      Segment(sink, float(g.Left + c), float(row), float(g.Left + c), bottom, argb);
      if (c == columns / 2) middle = row;
    }
    return middle;
  }
  SetWidthIfGiven(sink, w.whenNarrow);
  const long long span = EnvelopeStep(n, columns);
  for (int c = 0; c + 1 < columns; ++c) {
    const long long first = EnvelopeFirst(n, columns, c);
    float high = 0.0f;
    for (long long j = first; j <= first + span; ++j) high = std::max(high, v.At(j));
    const int row = g.Row(high, s.low, s.high);
    Segment(sink, float(g.Left + c), float(row), float(g.Left + c), bottom, argb);
    if (c == columns / 2) middle = row;
  }
  return middle;
}

// ---------------------------------------------------------------------------------------------
// Zoomed modes

int DrawZoomLine(const PlotGeometry& g, Levels v, uint32_t argb, bool clampToPlot, float width, Vec2* scratch,
                 LineSink& sink) {
  SetWidthIfGiven(sink, width);
  const int columns = g.Columns();
  int middle = g.PlotBottom();
  if (v.Empty() || columns <= 1) return middle;
  const bool wide = columns >= g.ZoomLength();
  for (int c = 0; c + 1 < columns; ++c) {
    const float level = wide ? Interpolated(v, g.ZoomPosition(c)) : ColumnPeak(v, RangeOf(g, c));
    const int row = Clamped(g.Row(level, ZoomScale.low, ZoomScale.high), g, clampToPlot);
    scratch[c] = {float(g.Left + c), float(row)};
    if (c == columns / 2) middle = row;
  }
  sink.Draw(scratch, columns - 1, argb);
  return middle;
}

int DrawZoomBars(const PlotGeometry& g, Levels v, uint32_t argb, bool clampToPlot, float width,
                 LineSink& sink) {
  SetWidthIfGiven(sink, width);
  const int columns = g.Columns();
  int middle = g.PlotBottom();
  if (v.Empty() || columns <= 0) return middle;
  const float bottom = float(g.PlotBottom());
  for (int c = 0; c + 1 < columns; ++c) {
    const float level = ColumnPeak(v, RangeOf(g, c));
    const int row = Clamped(g.Row(level, ZoomScale.low, ZoomScale.high), g, clampToPlot);
    Segment(sink, float(g.Left + c), bottom, float(g.Left + c), float(row), argb);
    if (c == columns / 2) middle = row;
  }
  return middle;
}

int DrawMinMaxPairs(const PlotGeometry& g, Levels pairs, const int* colours, LineSink& sink) {
  const int columns = g.Columns();
  int middle = g.PlotBottom();
  if (pairs.Empty() || columns <= 0) return middle;
  for (int c = 0; c + 1 < columns; ++c) {
    const ColumnRange r = RangeOf(g, c);
    float low, high;
    if (r.Single()) {
      low = pairs.At(2 * r.first);
      high = pairs.At(2 * r.first + 1);
    } else {
      low = 255.0f;
      high = 0.0f;
      for (long long k = r.first; k < r.end; ++k) {
        low = std::min(low, pairs.At(2 * k));
        high = std::max(high, pairs.At(2 * k + 1));
      }
    }
    const int spread = TableIndex(std::fabs(high - low));
    const int highRow = g.Row(high, ZoomScale.low, ZoomScale.high);
    const float x = float(g.Left + c);
    Segment(sink, x, float(g.Row(low, ZoomScale.low, ZoomScale.high)), x, float(highRow),
            PackRGBA(colours[spread], 255));
    if (c == columns / 2) middle = highRow;
  }
  return middle;
}

int DrawDigitalMinMax(const PlotGeometry& g, Levels maxima, Levels colourIndex, const int* colours,
                      LineSink& sink) {
  const int columns = g.Columns();
  int middle = g.PlotBottom();
  if (maxima.Empty() || columns <= 0) return middle;
  const float base = float(g.Row(1.0f, ZoomScale.low, ZoomScale.high));
  for (int c = 0; c + 1 < columns; ++c) {
    const ColumnRange r = RangeOf(g, c);
    const int row = g.Row(ColumnPeak(maxima, r), ZoomScale.low, ZoomScale.high);
    const int index = TableIndex(colourIndex.At(r.first));
    Segment(sink, float(g.Left + c), base, float(g.Left + c), float(row), PackRGBA(colours[index], 255));
    if (c == columns / 2) middle = row;
  }
  return middle;
}

int DrawFingerBars(const PlotGeometry& g, Levels a, Levels b, float width, LineSink& sink) {
  SetWidthIfGiven(sink, width);
  const int columns = g.Columns();
  const int bottomRow = g.PlotBottom();
  if (columns <= 0) return bottomRow;
  const bool wide = columns >= g.ZoomLength();
  const float bottom = float(bottomRow);
  for (int c = 0; c + 1 < columns; ++c) {
    const ColumnRange r = RangeOf(g, c);
    const double p = g.ZoomPosition(c);
    const float levelA = wide ? Interpolated(a, p) : ColumnPeak(a, r);
    const float levelB = wide ? Interpolated(b, p) : ColumnPeak(b, r);
    const float x = float(g.Left + c);
    Segment(sink, x, bottom, x, float(g.Row(levelA, ZoomScale.low, ZoomScale.high)), Red);
    Segment(sink, x, bottom, x, float(g.Row(levelB, ZoomScale.low, ZoomScale.high)), DarkGreen);
  }
  return bottomRow;
}

int DrawDiffBars(const PlotGeometry& g, Levels ch0, Levels ch1, float offset, float width, bool maxHold,
                 LineSink& sink) {
  SetWidthIfGiven(sink, width);
  const int columns = g.Columns();
  int middle = g.PlotBottom();
  if (columns <= 0) return middle;
  const float bottom = float(g.PlotBottom());
  const uint32_t lowerColour = maxHold ? Grey : DarkGreen;
  const uint32_t upperColour = maxHold ? MaxHoldTop : BrightGreen;
  for (int c = 0; c + 1 < columns; ++c) {
    const ColumnRange r = RangeOf(g, c);
    float e, f;
    if (r.Single()) {
      e = ch0.At(r.first) - offset;
      f = ch1.At(r.first);
    } else {
      e = f = 0.0f;
      for (long long i = r.first; i < r.end; ++i) {
        e = std::max(e, ch0.At(i) - offset);
        f = std::max(f, ch1.At(i));
      }
    }
    const float x = float(g.Left + c);
    const float rowE = float(g.Row(e, ZoomScale.low, ZoomScale.high));
    const float rowF = float(g.Row(f, ZoomScale.low, ZoomScale.high));
    if (e > f) {
      Segment(sink, x, bottom, x, rowF, DarkGreen);
      Segment(sink, x, rowF, x, rowE, Red);
    } else {
      Segment(sink, x, bottom, x, rowE, lowerColour);
      Segment(sink, x, rowE, x, rowF, upperColour);
    }
    if (c == columns / 2) middle = int(std::min(rowE, rowF));
  }
  return middle;
}

int DrawMobilV2(const PlotGeometry& g, Levels ch0, Levels ch1, Levels ch3, bool levelEdit, LineSink& sink) {
  const int threshold = g.Row(ch3.At(0), ZoomScale.low, ZoomScale.high);
  const float bottom = float(g.PlotBottom());
  sink.SetWidth(levelEdit ? 5.0f : 3.0f);
  Segment(sink, float(g.Left), float(threshold), float(g.Left + g.Columns()), float(threshold),
          levelEdit ? Yellow : White);
  sink.SetWidth(3.0f);
  for (int k = 0; k < 20; ++k) {
    const float x = float(g.Left + 10 * k);
    const float r0 = float(g.Row(ch0.At(k), ZoomScale.low, ZoomScale.high));
    const int r1 = g.Row(ch1.At(k), ZoomScale.low, ZoomScale.high);
    const bool above = r1 < threshold;
    Segment(sink, x + 5, bottom, x + 5, r0, above ? Yellow : BrightGreen);
    const float top = float(r1);
    const Vec2 outline[5] = {{x + 2, bottom}, {x + 2, top}, {x + 8, top}, {x + 8, bottom}, {x + 2, bottom}};
    sink.Draw(outline, 5, above ? Red : Grey);
  }
  return g.PlotBottom();
}

// ---------------------------------------------------------------------------------------------
// Overlays

void DrawZoomWindow(const PlotGeometry& g, double firstIndex, double lastIndex, LineSink& sink) {
  float x1, x2;
  if (!g.ZoomX(firstIndex, x1) || !g.ZoomX(lastIndex, x2)) return;
  const float top = float(g.PlotTop()), bottom = float(g.OverlayBottom());
  const Vec2 outline[5] = {{x1, top}, {x2, top}, {x2, bottom}, {x1, bottom}, {x1, top}};
  sink.SetWidth(1.0f);
  sink.Draw(outline, 5, Aqua);
}

void DrawVertLine(const PlotGeometry& g, double index, LineSink& sink) {
  float x;
  if (!g.ZoomX(index, x)) return;
  sink.SetWidth(1.0f);
  Segment(sink, x, float(g.PlotTop()), x, float(g.OverlayBottom()), Aqua);
}

void DrawSpanLine(const PlotGeometry& g, float x1, float x2, LineSink& sink) {
  if (!std::isfinite(x1) || !std::isfinite(x2)) return;
  const float y = float(g.PlotBottom() + 2);
  sink.SetWidth(3.0f);
  Segment(sink, x1, y, x2, y, Orange);
}

// ---------------------------------------------------------------------------------------------
// Colour tables

int HsvColor(double hue, double saturation, double value) {
  hue = std::fmod(hue, 360.0);
  if (hue < 0) hue += 360.0;
  saturation = std::clamp(saturation, 0.0, 1.0);
  value = std::clamp(value, 0.0, 255.0);
  const double chroma = value * saturation;
  const double h = hue / 60.0;
  const double x = chroma * (1.0 - std::fabs(std::fmod(h, 2.0) - 1.0));
  double r = 0, g = 0, b = 0;
  switch (int(h) % 6) {
    case 0:
      r = chroma;
      g = x;
      break;
    case 1:
      r = x;
      g = chroma;
      break;
    case 2:
      g = chroma;
      b = x;
      break;
    case 3:
      g = x;
      b = chroma;
      break;
    case 4:
      r = x;
      b = chroma;
      break;
    default:
      r = chroma;
      b = x;
      break;
  }
  const double m = value - chroma;
  auto byte = [](double c) { return int(std::lround(std::clamp(c, 0.0, 255.0))); };
  return byte(r + m) | byte(g + m) << 8 | byte(b + m) << 16;
}

void BuildWaterPalette(int* palette, HsvConversion hsv) {
  for (int i = 0; i < PaletteSize; ++i) palette[i] = hsv(180.0 - i * 120.0 / 255.0, i / 256.0, i);
}

void PixelPalette(const int* palette, uint32_t* pixelPalette) {
  for (int i = 0; i < PaletteSize; ++i) pixelPalette[i] = PackRGBA(palette[i], 0);
}

void BuildMinMaxColors(int* colours, HsvConversion hsv) {
  for (int i = 0; i < PaletteSize; ++i) colours[i] = hsv(120.0 - i * 120.0 / 127.0, 1.0, 255.0);
}

}  // namespace display
