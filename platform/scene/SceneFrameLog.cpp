// The frame log: records the drawing operations of a frame, finds the areas in which two frames can
// differ, rasterises them.
#include "platform/scene/SceneFrameLog.h"
#include "platform/scene/SceneInternal.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace scene {

namespace {

// The pixels from (left, top) - reach to (right, bottom) + reach, limited to the buffer (the
// coordinates may lie far outside it).
RectI BoxAround(double left, double top, double right, double bottom, double reach) {
  // Limited to 0 .. size first, the coordinate's floor is its whole part (no library call).
  const auto at = [](double v, int size) { return int(std::clamp(v, 0.0, double(size))); };
  return {at(left - reach, BackBufferWidth), at(top - reach, BackBufferHeight),
          at(right + reach + 1.0, BackBufferWidth), at(bottom + reach + 1.0, BackBufferHeight)};
}

// How far a line's pixels reach beyond its points: half its width and its soft edge.
double LineReach(float width) { return std::max(double(width), 1.0) * 0.5 + 3.0; }

bool SameBits(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }
bool SamePoint(const Vec2& a, const Vec2& b) { return SameBits(a.x, b.x) && SameBits(a.y, b.y); }
bool InBuffer(const Vec2& p) {
  return p.x >= 0.0f && p.x <= float(BackBufferWidth - 1) && p.y >= 0.0f && p.y <= float(BackBufferHeight - 1);
}
int Direction(float from, float to) { return (to > from) - (to < from); }

// True when segment b is segment a with its ends moved along the column (vertical) or row both
// lie on, in the same direction, all inside the buffer. A segment along an axis is rasterised
// with weights across it that depend on its position across alone and weights along it that are
// whole but within a pixel or two of its ends, so the two draw the same pixels away from the
// ends that moved.
bool SlidesAlong(const Vec2& a0, const Vec2& a1, const Vec2& b0, const Vec2& b1, bool vertical) {
  if (!InBuffer(a0) || !InBuffer(a1) || !InBuffer(b0) || !InBuffer(b1)) return false;
  const auto across = [vertical](const Vec2& p) { return vertical ? p.x : p.y; };
  const auto along = [vertical](const Vec2& p) { return vertical ? p.y : p.x; };
  const int direction = Direction(along(a0), along(a1));
  return direction != 0 && direction == Direction(along(b0), along(b1)) && SameBits(across(a0), across(a1)) &&
         SameBits(across(a0), across(b0)) && SameBits(across(a0), across(b1));
}

// Row y of a picture whose rows lie strideBytes apart.
const uint32_t* SourceRow(const uint32_t* pixels, int strideBytes, int y) {
  return reinterpret_cast<const uint32_t*>(reinterpret_cast<const unsigned char*>(pixels) +
                                           std::ptrdiff_t(y) * strideBytes);
}

// Changed areas are gathered in tiles: every area drawn again costs each operation that reaches
// into it a set-up of its own. Low tiles keep the band that the moving tops of a row of bars
// sweep narrow.
constexpr int TileWidth = 32, TileHeight = 16;
constexpr int TileColumns = BackBufferWidth / TileWidth, TileRows = BackBufferHeight / TileHeight;

}  // namespace

void FrameLog::Reset() {
  points_.clear();
  blits_.clear();
  entries_.clear();
  sprites_.clear();
  drawn_ = 0;
  describes_ = false;
}

// The parameters are written where the entry lies: a copy of them just written would wait for
// those writes.
FrameLog::Params& FrameLog::Add(Kind kind, size_t first) {
  Entry& entry = entries_.emplace_back();
  entry.params.kind = kind;
  entry.first = first;
  return entry.params;
}

void FrameLog::StartCleared(uint32_t argb) {
  Reset();
  describes_ = true;
  Params& clear = Add(Kind::Clear, 0);
  clear.argb = argb;
  clear.box = WholeBuffer;
}

void FrameLog::AddLine(const Vec2* points, int count, uint32_t argb, float width, bool antialias) {
  // The box of the points, widened by what a line of this width and its soft edge reach beyond
  // them; segments with a non-finite end are not drawn.
  double left = HUGE_VAL, right = -HUGE_VAL, low = HUGE_VAL, high = -HUGE_VAL;
  for (int i = 0; i < count; ++i)
    if (std::isfinite(points[i].x) && std::isfinite(points[i].y)) {
      left = std::min(left, double(points[i].x));
      right = std::max(right, double(points[i].x));
      low = std::min(low, double(points[i].y));
      high = std::max(high, double(points[i].y));
    }
  Params& line = Add(Kind::Line, points_.size());
  line.argb = argb;
  line.width = width;
  line.antialias = antialias;
  line.count = count;
  if (low <= high) line.box = BoxAround(left, low, right, high, LineReach(width));
  points_.insert(points_.end(), points, points + count);
}

void FrameLog::AddSprite(const QImage& image, const QRect& source, double ox, double oy,
                         const QTransform& transform, uint32_t alpha, const QRectF& bounds) {
  Params& sprite = Add(Kind::Sprite, sprites_.size());
  sprite.argb = alpha;
  sprite.box = BoxAround(bounds.left(), bounds.top(), bounds.right(), bounds.bottom(), 2.0);  // and the filter's reach
  const auto bits = [](double v) { return std::bit_cast<uint64_t>(v); };
  // The image's key names its pixels for as long as this copy holds them.
  const SpriteKey key{image.cacheKey(),    source.x(),         source.y(),         source.width(),
                      source.height(),     bits(ox),           bits(oy),           bits(transform.m11()),
                      bits(transform.m12()), bits(transform.m21()), bits(transform.m22()), bits(transform.dx()),
                      bits(transform.dy())};
  sprites_.push_back({image, source, ox, oy, transform, key});
}

void FrameLog::AddBlit(const uint32_t* pixels, int strideBytes, const RectI& src, const RectI& dest,
                       const FrameLog& shown) {
  const size_t index = entries_.size();
  Params& blit = Add(Kind::Blit, blits_.size());
  blit.srcWidth = src.Width();
  blit.srcHeight = src.Height();
  blit.dest = dest;
  blit.box = {std::clamp(dest.left, 0, BackBufferWidth), std::clamp(dest.top, 0, BackBufferHeight),
              std::clamp(dest.right, 0, BackBufferWidth), std::clamp(dest.bottom, 0, BackBufferHeight)};
  BlitPixels kept = shown.KeptPixelsEqualTo(index, blit, pixels, strideBytes, src);
  if (!kept) {
    auto copy = std::make_shared<std::vector<uint32_t>>();
    copy->reserve(size_t(blit.srcWidth) * size_t(blit.srcHeight));
    for (int y = src.top; y < src.bottom; ++y) {
      const uint32_t* row = SourceRow(pixels, strideBytes, y) + src.left;
      copy->insert(copy->end(), row, row + blit.srcWidth);
    }
    kept = std::move(copy);
  }
  blits_.push_back(std::move(kept));
}

// The pixels kept for this log's operation at the index when it is a blit of the same size whose
// pixels equal the source rectangle's; else none.
FrameLog::BlitPixels FrameLog::KeptPixelsEqualTo(size_t index, const Params& blit, const uint32_t* pixels,
                                                 int strideBytes, const RectI& src) const {
  if (index >= entries_.size()) return nullptr;
  const Entry& entry = entries_[index];
  if (entry.params.kind != Kind::Blit || entry.params.srcWidth != blit.srcWidth ||
      entry.params.srcHeight != blit.srcHeight)
    return nullptr;
  const BlitPixels& kept = blits_[entry.first];
  const size_t width = size_t(blit.srcWidth);
  for (int y = 0; y < blit.srcHeight; ++y)
    if (std::memcmp(kept->data() + size_t(y) * width, SourceRow(pixels, strideBytes, src.top + y) + src.left,
                    width * 4) != 0)
      return nullptr;
  return kept;
}

bool FrameLog::SameOperation(size_t index, const FrameLog& other, size_t otherIndex) const {
  const Entry& a = entries_[index];
  const Entry& b = other.entries_[otherIndex];
  if (!(a.params == b.params)) return false;
  switch (a.params.kind) {
    case Kind::Clear:
      return true;
    case Kind::Line:
      // Bitwise: points that compare equal as numbers (0 and -0) are still told apart, never mixed up.
      return std::memcmp(&points_[a.first], &other.points_[b.first], size_t(a.params.count) * sizeof(Vec2)) == 0;
    case Kind::Sprite:
      return sprites_[a.first].key == other.sprites_[b.first].key;
    case Kind::Blit:
      return blits_[a.first] == other.blits_[b.first] ||
             std::memcmp(blits_[a.first]->data(), other.blits_[b.first]->data(),
                         size_t(a.params.srcWidth) * size_t(a.params.srcHeight) * 4) == 0;
  }
  return false;
}

// A polyline's segments are rasterised one after the other, each on its own: a pixel that no
// differing segment reaches meets the same segments in both lines.
template <typename Mark>
bool FrameLog::MarkLineChanges(const Entry& a, const FrameLog& other, const Entry& b, Mark&& mark) const {
  Params pa = a.params, pb = b.params;
  pa.box = pb.box = {};  // the boxes follow from the points
  if (pa.kind != Kind::Line || !(pa == pb)) return false;
  const Vec2* p = &points_[a.first];
  const Vec2* q = &other.points_[b.first];
  for (int i = 0; i < pa.count; ++i)
    if (!std::isfinite(p[i].x) || !std::isfinite(p[i].y) || !std::isfinite(q[i].x) || !std::isfinite(q[i].y))
      return false;
  const double reach = LineReach(pa.width);
  const auto around = [&](const Vec2& u, const Vec2& v) {
    mark(BoxAround(std::min(u.x, v.x), std::min(u.y, v.y), std::max(u.x, v.x), std::max(u.y, v.y), reach));
  };
  for (int i = 0; i + 1 < pa.count; ++i) {
    const bool sameStart = SamePoint(p[i], q[i]), sameEnd = SamePoint(p[i + 1], q[i + 1]);
    if (sameStart && sameEnd) continue;
    if (SlidesAlong(p[i], p[i + 1], q[i], q[i + 1], true) || SlidesAlong(p[i], p[i + 1], q[i], q[i + 1], false)) {
      if (!sameStart) around(p[i], q[i]);
      if (!sameEnd) around(p[i + 1], q[i + 1]);
      continue;
    }
    around(p[i], p[i + 1]);
    around(q[i], q[i + 1]);
  }
  return true;
}

// A pixel shows the operations that touch it, in order. The logs are matched operation by operation
// from their ends and then from their starts; a pixel that no unmatched or differing operation of
// either log touches meets the same operations in both, so it is the same in both frames.
std::vector<RectI> FrameLog::ChangedAreas(const FrameLog& other) const {
  if (!describes_ || !other.describes_) return {WholeBuffer};
  bool tiles[TileRows][TileColumns] = {};
  bool any = false;
  const auto markBox = [&](const RectI& box) {
    if (IsEmpty(box)) return;
    for (int row = box.top / TileHeight; row <= (box.bottom - 1) / TileHeight; ++row)
      for (int column = box.left / TileWidth; column <= (box.right - 1) / TileWidth; ++column)
        tiles[row][column] = true;
    any = true;
  };
  const auto mark = [&](const Entry& entry) { markBox(entry.params.box); };
  const size_t n = entries_.size(), m = other.entries_.size(), common = std::min(n, m);
  size_t tail = 0;
  while (tail < common && SameOperation(n - 1 - tail, other, m - 1 - tail)) ++tail;
  const size_t paired = common - tail;
  for (size_t i = 0; i < paired; ++i)
    if (!SameOperation(i, other, i) && !MarkLineChanges(entries_[i], other, other.entries_[i], markBox)) {
      mark(entries_[i]);
      mark(other.entries_[i]);
    }
  for (size_t i = paired; i < n - tail; ++i) mark(entries_[i]);
  for (size_t i = paired; i < m - tail; ++i) mark(other.entries_[i]);
  std::vector<RectI> areas;
  if (!any) return areas;
  // Runs of marked tiles along each tile row; a run under one of the same columns extends it.
  std::vector<size_t> open;  // areas that end at the tile row before
  for (int row = 0; row < TileRows; ++row) {
    std::vector<size_t> next;
    for (int column = 0; column < TileColumns;) {
      if (!tiles[row][column]) {
        ++column;
        continue;
      }
      const int first = column;
      while (column < TileColumns && tiles[row][column]) ++column;
      const RectI run{first * TileWidth, row * TileHeight, column * TileWidth, (row + 1) * TileHeight};
      const auto above = std::find_if(open.begin(), open.end(), [&](size_t i) {
        return areas[i].left == run.left && areas[i].right == run.right;
      });
      if (above != open.end()) {
        areas[*above].bottom = run.bottom;
        next.push_back(*above);
      } else {
        areas.push_back(run);
        next.push_back(areas.size() - 1);
      }
    }
    open.swap(next);
  }
  return areas;
}

void FrameLog::Draw(const Entry& entry, Device::Impl& device, const RectI& area) const {
  const Params& p = entry.params;
  switch (p.kind) {
    case Kind::Clear:
      device.FillArea(area, p.argb);
      break;
    case Kind::Line:
      RasterLine(device.backPixels.data(), &points_[entry.first], p.count, p.argb, p.width, p.antialias, area);
      break;
    case Kind::Sprite: {
      const SpriteDraw& sprite = sprites_[entry.first];
      PaintSprite(device.back, sprite.image, sprite.source, sprite.ox, sprite.oy, sprite.transform, p.argb, area);
      break;
    }
    case Kind::Blit:
      BlitStretched(device.backPixels.data(), blits_[entry.first]->data(), p.srcWidth * 4,
                    {0, 0, p.srcWidth, p.srcHeight}, p.dest, area);
      break;
  }
  ++device.drawCount;
}

void FrameLog::DrawPending(Device::Impl& device) {
  for (; drawn_ < entries_.size(); ++drawn_) {
    const Entry& entry = entries_[drawn_];
    if (entry.params.kind == Kind::Clear) {
      device.Fill(entry.params.argb);  // every pixel: nothing to bring back from the front
      ++device.drawCount;
      continue;
    }
    device.Current();
    Draw(entry, device, WholeBuffer);
  }
  // A frame that is not described is never compared: what is drawn need not be kept.
  if (!describes_) Reset();
}

// A blit writes every pixel of its box opaquely: where the last one that reaches into the area
// covers it, what came before it is not drawn.
void FrameLog::DrawArea(Device::Impl& device, const RectI& area) const {
  size_t from = 0;
  for (size_t i = entries_.size(); i-- > 1 && from == 0;)
    if (entries_[i].params.kind == Kind::Blit && Meet(entries_[i].params.box, area)) from = i;
  const RectI covered = from ? Intersection(entries_[from].params.box, area) : area;
  for (size_t i = from; i < entries_.size(); ++i)
    if (Meet(entries_[i].params.box, covered)) Draw(entries_[i], device, covered);
  if (!from) return;
  // The rest of the area: above, below, left and right of the covered part.
  for (const RectI& rest : {RectI{area.left, area.top, area.right, covered.top},
                            RectI{area.left, covered.bottom, area.right, area.bottom},
                            RectI{area.left, covered.top, covered.left, covered.bottom},
                            RectI{covered.right, covered.top, area.right, covered.bottom}})
    if (!IsEmpty(rest)) DrawArea(device, rest);
}

}  // namespace scene
