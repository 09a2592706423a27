// StdDisplay drawing: one frame of a trace or of a digital buffer, the render modes, the waterfall
// and the overlays. The vertices come from display/DisplayGeometry.h.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "display/DirectXBase.h"
#include "display/Display.h"
#include "display/Imagebase.h"
#include "base/Guard.h"
#include "base/Log.h"

using namespace display;

namespace {
constexpr auto relaxed = std::memory_order_relaxed;
constexpr float FrameLineWidth = 3.0f;

Scale BufferScale(const NormalBuffer* b) { return {b->LevelMin.load(relaxed), b->LevelMax.load(relaxed)}; }
Scale BufferScale(const DigitalBuffer* b) { return {b->LevelMin.load(relaxed), b->LevelMax.load(relaxed)}; }

bool IsZoomedMode(int mode) { return mode == 2 || mode == 3 || mode == 6; }
}  // namespace

PlotGeometry StdDisplay::PlotOf() const {
  PlotGeometry g = Geometry();
  g.ZoomStart = ZoomStart.load(relaxed);
  g.ZoomEnd = ZoomEnd.load(relaxed);
  return g;
}

// Grid, frame, band bar, line width, labels, extra traces and the waterfall: what every frame
// draws before its own data. False when the display cannot draw.
bool StdDisplay::DrawFrameStart() {
  if (!DisplayBase::Render()) return false;
  RenderRangeBar();
  Lines().SetWidth(FrameLineWidth);
  PushTexts();
  for (unsigned slot = 0; slot < ExtraCount; ++slot) RenderExtraBuffer(slot);
  if (RenderMode == 4) RenderWater();
  if (RenderMode == 5) RenderDigWater();
  return true;
}

bool StdDisplay::Render() {
  return Guarded("StdDisplay::Render", [&] {
    if (DigBuffer.load()) return RenderDigBuffer();
    if (!Visible) return true;
    if (!SceneDevice()) return false;
    if (!DrawFrameStart()) return false;
    if (!DataBuffer) return true;
    int middleRow = PlotOf().PlotBottom();
    DrawTrace(DataBuffer, D_RGBA(TraceColor, 255), true, middleRow);
    DrawOverlaysAndMarkers(middleRow);
    DrawSpanLine(false);
    return true;
  });
}

// Modes 0 to 3 (and 6 for the display's own trace) of a NormalBuffer.
void StdDisplay::DrawTrace(NormalBuffer* buffer, uint32_t argb, bool ownTrace, int& middleRow) {
  const PlotGeometry g = PlotOf();
  const Levels v = LevelsOf(buffer);
  const bool clamp = ClampToPlot != 0;
  const uint32_t barColour =
      ownTrace && BarAlphaOn ? D_RGBA(TraceColor, uint8_t(std::clamp(BarAlpha, 0.0f, 255.0f))) : argb;
  switch (RenderMode) {
    case 0:
      middleRow = DrawTraceLine(g, v, BufferScale(buffer), argb, {FrameLineWidth, 0.0f}, Scratch(), Lines());
      break;
    case 1:
      middleRow = DrawTraceBars(g, v, BufferScale(buffer), barColour,
                                {FrameLineWidth, ownTrace ? 1.0f : 0.0f}, Lines());
      break;
    case 2:
      middleRow = DrawZoomLine(g, v, argb, clamp, 0.0f, Scratch(), Lines());
      break;
    case 3:
      middleRow = DrawZoomBars(g, v, barColour, clamp, 0.0f, Lines());
      break;
    case 6:
      if (ownTrace) middleRow = DrawMinMaxPairs(g, v, MinMaxColors.data(), Lines());
      break;
    default:
      break;
  }
}

void StdDisplay::RenderExtraBuffer(unsigned slot) {
  Guarded("StdDisplay::RenderExtraBuffer", [&] {
    if (slot >= unsigned(ExtraCount) || !ExtraBuffers[slot] || RenderMode > 3) return;
    NormalBuffer* buffer = ExtraBuffers[slot];
    int unused = 0;
    DrawTrace(buffer, D_RGBA(buffer->Color.load(relaxed), 255), false, unused);
  });
}

void StdDisplay::DrawOverlaysAndMarkers(int middleRow) {
  Markers->DrawAll();
  RenderZoomWindow();
  RenderVertLine();
  RenderCenterMarker(middleRow);
  Symbols->DrawAll();
}

// The highlighted span of the buffer just under the plot.
void StdDisplay::DrawSpanLine(bool digital) {
  float from = 0, to = 0, start = 0, stop = 0;
  unsigned count = 0;
  if (digital) {
    DigitalBuffer* b = DigBuffer.load();
    if (!b || !b->RangeBarFlag.load(relaxed)) return;
    from = b->RangeBarFrom, to = b->RangeBarTo, start = b->Start, stop = b->Stop, count = b->Count;
  } else {
    if (!DataBuffer || !DataBuffer->RangeBarFlag.load(relaxed)) return;
    from = DataBuffer->RangeBarFrom, to = DataBuffer->RangeBarTo;
    start = DataBuffer->Start, stop = DataBuffer->Stop, count = DataBuffer->Count;
  }
  if (!(stop > start) || count == 0) return;
  const PlotGeometry g = PlotOf();
  const int w = g.Columns();
  const bool zoomed = IsZoomedMode(RenderMode) || (digital && (RenderMode == 9 || RenderMode == 10));
  float x1, x2;
  if (zoomed) {
    // Index of a frequency offset; mode 6 stores (min, max) pairs, so its index is halved again.
    const double perPoint = double(stop - start) / count;
    auto xOf = [&](float f, float& x) {
      double index = std::trunc((RenderMode == 6 && digital ? 2.0 : 1.0) * f / perPoint);
      if (RenderMode == 6) index = std::trunc(index / 2);
      return g.ZoomX(index, x);
    };
    if (!xOf(from, x1) || !xOf(to, x2)) return;  // an empty zoom window maps nothing: no division by 0
    x2 = std::min(x2, float(g.Left + w));
  } else {
    x1 = float(g.Left + double(w) / (stop - start) * (from - start));
    x2 = float(g.Left + double(w) / (stop - start) * (to - start));
  }
  display::DrawSpanLine(g, x1, x2, Lines());
}

// ---------------------------------------------------------------------------------------------
// Digital buffer and its queued commands

bool StdDisplay::RenderDigBuffer() {
  return Guarded("StdDisplay::RenderDigBuffer", [&] {
    if (!Visible) return true;
    if (!SceneDevice()) return false;
    if (!DrawFrameStart()) return false;
    DigitalBuffer* buffer = DigBuffer.load();
    if (!buffer) return true;
    int middleRow = PlotOf().PlotBottom();
    Commands->Snapshot(commandSnapshot_);
    if (!commandSnapshot_.empty()) {
      for (const GraphCommandItem& item : commandSnapshot_) {
        TraceColor = item.Color;
        switch (item.Kind) {
          case 0:
            RenderDigBufBmLine(item.Channel, item.Width, middleRow);
            break;
          case 1:
            RenderDigBufBmBar(item.Channel, item.Width, middleRow);
            break;
          case 2:
            RenderDigBufBmLineExt(item.Channel, item.Width, middleRow);
            break;
          case 3:
            RenderDigBufBmBarExt(item.Channel, item.Width, middleRow);
            break;
          case 6:
            RenderDigBufBmMinMax(middleRow);
            break;
          case 7:
            RenderDigBufBmFinger(item.FingerA, item.FingerB, item.Width, middleRow);
            break;
          case 8:
            RenderDigBufBmMobil(item.Channel, item.Width, middleRow);
            break;
          case 9:
            RenderDigBufBmDiff(item.Channel, item.Width, middleRow);
            break;
          case 10:
            RenderDigBufBmMaxHold(item.Channel, item.Width, middleRow);
            break;
          default:
            break;
        }
      }
    } else {
      const int channel = DigChannel.load(relaxed);
      switch (RenderMode) {
        case 0:
          RenderDigBufBmLine(channel, 3, middleRow);
          break;
        case 1:
          RenderDigBufBmBar(channel, 3, middleRow);
          break;
        case 2:
          RenderDigBufBmLineExt(channel, 3, middleRow);
          break;
        case 3:
          RenderDigBufBmBarExt(channel, 1, middleRow);
          break;
        case 6:
          RenderDigBufBmMinMax(middleRow);
          break;
        case 7:
          RenderDigBufBmFinger(FingerChannelA, FingerChannelB, 1, middleRow);
          break;
        case 8:
          RenderDigBufBmMobil(channel, 1, middleRow);
          break;
        case 9:
          RenderDigBufBmDiff(channel, 1, middleRow);
          break;
        case 10:
          RenderDigBufBmMaxHold(channel, 1, middleRow);
          break;
        case 11:
          RenderDigBufBmMobilV2(middleRow);
          break;
        default:
          break;
      }
    }
    DrawOverlaysAndMarkers(middleRow);
    DrawSpanLine(true);
    return true;
  });
}

void StdDisplay::RenderDigBufBmLine(int channel, int width, int& middleRow) {
  Guarded("StdDisplay::RenderDigBufBmLine", [&] {
    DigitalBuffer* b = DigBuffer.load();
    if (!b || LevelsOf(b, channel).Empty()) return;
    middleRow = DrawTraceLine(PlotOf(), LevelsOf(b, channel), BufferScale(b), D_RGBA(TraceColor, 255),
                              {float(width), 0.0f}, Scratch(), Lines());
  });
}

void StdDisplay::RenderDigBufBmBar(int channel, int width, int& middleRow) {
  Guarded("StdDisplay::RenderDigBufBmBar", [&] {
    DigitalBuffer* b = DigBuffer.load();
    if (!b || LevelsOf(b, channel).Empty()) return;
    middleRow = DrawTraceBars(PlotOf(), LevelsOf(b, channel), BufferScale(b), D_RGBA(TraceColor, 255),
                              {float(width), 0.0f}, Lines());
  });
}

void StdDisplay::RenderDigBufBmLineExt(int channel, int width, int& middleRow) {
  Guarded("StdDisplay::RenderDigBufBmLineExt", [&] {
    DigitalBuffer* b = DigBuffer.load();
    if (!b || LevelsOf(b, channel).Empty()) return;
    middleRow = DrawZoomLine(PlotOf(), LevelsOf(b, channel), D_RGBA(TraceColor, 255), ClampToPlot != 0,
                             float(width), Scratch(), Lines());
  });
}

void StdDisplay::RenderDigBufBmBarExt(int channel, int width, int& middleRow) {
  Guarded("StdDisplay::RenderDigBufBmBarExt", [&] {
    DigitalBuffer* b = DigBuffer.load();
    if (!b || LevelsOf(b, channel).Empty()) return;
    middleRow =
        DrawZoomBars(PlotOf(), LevelsOf(b, channel), D_RGBA(TraceColor, 255), false, float(width), Lines());
  });
}

void StdDisplay::RenderDigBufBmMinMax(int& middleRow) {
  Guarded("StdDisplay::RenderDigBufBmMinMax", [&] {
    DigitalBuffer* b = DigBuffer.load();
    if (!b) return;
    middleRow = DrawDigitalMinMax(PlotOf(), LevelsOf(b, 2), LevelsOf(b, 3), MinMaxColors.data(), Lines());
  });
}

void StdDisplay::RenderDigBufBmFinger(int channelA, int channelB, int width, int& middleRow) {
  Guarded("StdDisplay::RenderDigBufBmFinger", [&] {
    DigitalBuffer* b = DigBuffer.load();
    if (!b) return;
    middleRow = DrawFingerBars(PlotOf(), LevelsOf(b, channelA), LevelsOf(b, channelB), float(width), Lines());
  });
}

void StdDisplay::RenderDigBufBmMobil(int, int width, int&) {
  Guarded("StdDisplay::RenderDigBufBmMobil", [&] { Lines().SetWidth(float(width)); });
}

void StdDisplay::RenderDigBufBmDiff(int, int width, int& middleRow) {
  Guarded("StdDisplay::RenderDigBufBmDiff", [&] {
    DigitalBuffer* b = DigBuffer.load();
    if (!b) return;
    middleRow =
        DrawDiffBars(PlotOf(), LevelsOf(b, 0), LevelsOf(b, 1), DiffOffset, float(width), false, Lines());
  });
}

void StdDisplay::RenderDigBufBmMaxHold(int, int width, int& middleRow) {
  Guarded("StdDisplay::RenderDigBufBmMaxHold", [&] {
    DigitalBuffer* b = DigBuffer.load();
    if (!b) return;
    middleRow =
        DrawDiffBars(PlotOf(), LevelsOf(b, 0), LevelsOf(b, 1), DiffOffset, float(width), true, Lines());
  });
}

void StdDisplay::RenderDigBufBmMobilV2(int& middleRow) {
  Guarded("StdDisplay::RenderDigBufBmMobilV2", [&] {
    DigitalBuffer* b = DigBuffer.load();
    if (!b) return;
    middleRow =
        DrawMobilV2(PlotOf(), LevelsOf(b, 0), LevelsOf(b, 1), LevelsOf(b, 3), MobilV2Mode != 0, Lines());
  });
}

// ---------------------------------------------------------------------------------------------
// Waterfall

namespace {
int WaterPaletteHsv(double hue, double saturation, double value) {
  return HSVToColor(HSVColor{hue, saturation, value});
}
}  // namespace

// The bitmap of a waterfall: to - from columns (the whole row when both are 0), one row per ring
// row, filled with the background; and the palette.
void StdDisplay::BuildWaterImage(int from, int to, unsigned rowWidth, unsigned rows) {
  WaterBitmap.reset();
  WaterFrom = from;
  WaterTo = to;
  auto image = std::make_unique<WaterImage>();
  image->Width = (from || to) ? std::max(0, to - from) : int(rowWidth);
  image->Height = int(rows);
  image->Pixels.assign(size_t(image->Width) * size_t(image->Height), D_RGBA(BgColor, 0) & 0xFFFFFFu);
  WaterBitmap = std::move(image);
  BuildWaterPalette(WaterPalette.data(), WaterPaletteHsv);
  PixelPalette(WaterPalette.data(), waterPixels_.data());
}

// One name serves both waterfall kinds: the digital waterfall is meant in render mode 5 or when
// the display has no plain waterfall.
void StdDisplay::InitWater(int from, int to) {
  return Guarded("StdDisplay::InitWater", [&] {
    if (DigWaterBuffer && (RenderMode == 5 || !WaterBuffer)) return InitDigWater(from, to);
    if (WaterBuffer) BuildWaterImage(from, to, WaterBuffer->Width, WaterBuffer->RowCount);
  });
}

void StdDisplay::InitDigWater(int from, int to) {
  Guarded("StdDisplay::InitWater", [&] {
    if (DigWaterBuffer) BuildWaterImage(from, to, DigWaterBuffer->PointsPerRow, DigWaterBuffer->RowCount);
  });
}

bool StdDisplay::RenderWater() {
  return Guarded("StdDisplay::RenderWater", [&] {
    WaterfallBuffer* buffer = WaterBuffer;
    if (!buffer) return true;
    if (!WaterBitmap || WaterBitmap->Height != int(buffer->RowCount))
      BuildWaterImage(WaterFrom, WaterTo, buffer->Width, buffer->RowCount);
    const uint64_t stamp = buffer->ChangeStamp();
    if (WaterBitmap->FilledAt != stamp) {
      ScrollWater(*buffer);
      WaterBitmap->FilledAt = stamp;
    }
    BlitWater();
    return true;
  });
}

bool StdDisplay::RenderDigWater() {
  return Guarded("StdDisplay::RenderWater", [&] {
    DigitalWaterBuffer* buffer = DigWaterBuffer;
    if (!buffer) return true;
    ShowWater(*buffer, buffer->PointsPerRow, buffer->RowCount,
              [buffer](int age) { return buffer->GetBufferForDisplay(age, 0); });
    return true;
  });
}

// The picture is filled again only when its buffer changed since (a new picture never was; a new
// column range always comes with a new picture), then stretched over the plot.
void StdDisplay::ShowWater(const ChangeStamped& buffer, unsigned rowWidth, unsigned rows,
                           const std::function<const SharedFloat*(int)>& rowOfAge) {
  if (!WaterBitmap || WaterBitmap->Height != int(rows)) BuildWaterImage(WaterFrom, WaterTo, rowWidth, rows);
  const uint64_t stamp = buffer.ChangeStamp();
  if (WaterBitmap->FilledAt != stamp) {
    FillWater(int(rowWidth), int(rows), rowOfAge);
    WaterBitmap->FilledAt = stamp;
  }
  BlitWater();
}

void StdDisplay::FillWater(int rowLength, int rows, const std::function<const SharedFloat*(int)>& rowOfAge) {
  WaterImage& image = *WaterBitmap;
  FillWaterfall(image.Pixels.data(), image.Width, std::min(rows, image.Height), rowLength, WaterFrom,
                waterPixels_.data(), rowOfAge);
}

// Brings the picture of a plain waterfall up to its buffer without filling it whole: after the ring
// advanced, the picture's rows move up by as many rows; then only the rows whose ring row or that
// row's stamp differ from what they were filled from are filled. The result equals a whole fill.
void StdDisplay::ScrollWater(const WaterfallBuffer& buffer) {
  WaterImage& image = *WaterBitmap;
  if (buffer.RowCount == 0) return;
  const int rows = std::min(int(buffer.RowCount), image.Height);
  auto& sources = image.RowSources;
  if (sources.size() != size_t(rows)) sources.assign(size_t(rows), {0u, 0u});
  const unsigned next = buffer.NextRow.load(std::memory_order_relaxed);
  const int shift = int((uint64_t(next) + buffer.RowCount - image.FilledNext % buffer.RowCount) % buffer.RowCount);
  const int filled = rows - 1;  // the last picture row keeps the background
  if (shift > 0 && shift < filled) {
    const size_t width = size_t(image.Width);
    std::memmove(image.Pixels.data(), image.Pixels.data() + size_t(shift) * width,
                 size_t(filled - shift) * width * sizeof(uint32_t));
    std::move(sources.begin() + shift, sources.begin() + filled, sources.begin());
  }
  image.FilledNext = next;
  for (int age = 0; age < filled; ++age) {
    const unsigned ring = buffer.RingRowOfAge(next, age);
    const std::pair<unsigned, uint64_t> source{ring, buffer.RowVersion(ring)};
    if (sources[size_t(age)] == source) continue;
    FillWaterfall(image.Pixels.data() + size_t(age) * size_t(image.Width), image.Width, 2, int(buffer.Width),
                  WaterFrom, waterPixels_.data(), [&buffer, ring](int) { return buffer.Rows[ring]; });
    sources[size_t(age)] = source;
  }
}

// The picture is stretched opaquely over the plot area, in draw order with the lines.
void StdDisplay::BlitWater() {
  const WaterImage& image = *WaterBitmap;
  scene::Device* device = SceneDevice();
  if (!device || image.Width <= 0 || image.Height <= 0) return;
  const PlotGeometry g = PlotOf();
  const scene::RectI src{0, 0, image.Width, image.Height};
  const scene::RectI dest{g.Left, g.PlotTop(), g.Right, g.PlotBottom()};
  if (dest.Width() <= 0 || dest.Height() <= 0) return;
  device->StretchBlit(image.Pixels.data(), image.Width, image.Height, image.Width * 4, src, dest);
}

// ---------------------------------------------------------------------------------------------
// Overlays

// Mode 6 stores (min, max) pairs: its zoom window counts pairs, so a point index is halved.
double StdDisplay::ZoomIndex(double index) const { return RenderMode == 6 ? std::trunc(index / 2) : index; }

void StdDisplay::RenderZoomWindow() {
  return Guarded("StdDisplay::RenderZoomWindow", [&] {
    if (!ShowZoomWindow || !DataBuffer) return;
    const double start = DataBuffer->Start.load(relaxed), stop = DataBuffer->Stop.load(relaxed);
    const unsigned count = DataBuffer->Count;
    if (!(stop > start) || count == 0) return;
    const double perPoint = (stop - start) / count;
    const double centre = ZoomCenter.load(relaxed);
    auto indexOf = [&](double f) { return std::trunc(f / perPoint); };
    DrawZoomWindow(PlotOf(), ZoomIndex(indexOf(centre - 5000000.0)), ZoomIndex(indexOf(centre + 5000000.0)),
                   Lines());
  });
}

void StdDisplay::RenderVertLine() {
  Guarded("StdDisplay::RenderVertLine", [&] {
    if (!ShowVertLine) return;
    DrawVertLine(PlotOf(), ZoomIndex(VertLineIndex), Lines());
  });
}
