// The frame log: records the drawing operations of a frame, finds the rows in which two frames can
// differ, rasterises them.
#include "platform/scene/SceneFrameLog.h"
#include "platform/scene/SceneInternal.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace scene {

namespace {

// Rows from - reach .. to + reach, limited to the buffer (the coordinates may lie far outside it).
RowRange RowsAround(double from, double to, double reach) {
  const auto row = [](double y) { return int(std::clamp(std::floor(y), 0.0, double(BackBufferHeight))); };
  return {row(from - reach), row(to + reach + 1.0)};
}

// Two changed row ranges this close are drawn as one: every range costs each operation that
// reaches into it a set-up of its own.
constexpr int MergeGap = 16;

}  // namespace

void FrameLog::Reset() {
  points_.clear();
  pixels_.clear();
  entries_.clear();
  sprites_.clear();
  drawn_ = 0;
  describes_ = false;
}

void FrameLog::Add(const Params& params, size_t first) { entries_.push_back({params, first}); }

void FrameLog::StartCleared(uint32_t argb) {
  Reset();
  describes_ = true;
  Params clear;
  clear.kind = Kind::Clear;
  clear.argb = argb;
  clear.rows = AllRows;
  Add(clear, 0);
}

void FrameLog::AddLine(const Vec2* points, int count, uint32_t argb, float width, bool antialias) {
  // The rows between the highest and the lowest point, widened by what a line of this width and
  // its soft edge reach beyond them; segments with a non-finite end are not drawn.
  double low = HUGE_VAL, high = -HUGE_VAL;
  for (int i = 0; i < count; ++i)
    if (std::isfinite(points[i].x) && std::isfinite(points[i].y)) {
      low = std::min(low, double(points[i].y));
      high = std::max(high, double(points[i].y));
    }
  Params line;
  line.kind = Kind::Line;
  line.argb = argb;
  line.width = width;
  line.antialias = antialias;
  line.count = count;
  if (low <= high) line.rows = RowsAround(low, high, std::max(double(width), 1.0) * 0.5 + 3.0);
  Add(line, points_.size());
  points_.insert(points_.end(), points, points + count);
}

void FrameLog::AddSprite(const QImage& image, const QRect& source, double ox, double oy,
                         const QTransform& transform, uint32_t alpha, const QRectF& bounds) {
  Params sprite;
  sprite.kind = Kind::Sprite;
  sprite.argb = alpha;
  sprite.rows = RowsAround(bounds.top(), bounds.bottom(), 2.0);  // with the filter's reach
  Add(sprite, sprites_.size());
  const auto bits = [](double v) { return std::bit_cast<uint64_t>(v); };
  // The image's key names its pixels for as long as this copy holds them.
  const SpriteKey key{image.cacheKey(),    source.x(),         source.y(),         source.width(),
                      source.height(),     bits(ox),           bits(oy),           bits(transform.m11()),
                      bits(transform.m12()), bits(transform.m21()), bits(transform.m22()), bits(transform.dx()),
                      bits(transform.dy())};
  sprites_.push_back({image, source, ox, oy, transform, key});
}

void FrameLog::AddBlit(const uint32_t* pixels, int strideBytes, const RectI& src, const RectI& dest) {
  Params blit;
  blit.kind = Kind::Blit;
  blit.srcWidth = src.Width();
  blit.srcHeight = src.Height();
  blit.dest = dest;
  blit.rows = {std::clamp(dest.top, 0, BackBufferHeight), std::clamp(dest.bottom, 0, BackBufferHeight)};
  Add(blit, pixels_.size());
  const auto* base = reinterpret_cast<const unsigned char*>(pixels);
  for (int y = src.top; y < src.bottom; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(base + std::ptrdiff_t(y) * strideBytes) + src.left;
    pixels_.insert(pixels_.end(), row, row + blit.srcWidth);
  }
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
      return std::memcmp(&pixels_[a.first], &other.pixels_[b.first],
                         size_t(a.params.srcWidth) * size_t(a.params.srcHeight) * 4) == 0;
  }
  return false;
}

// A row shows the operations that touch it, in order. The logs are matched operation by operation
// from their ends and then from their starts; a row that no unmatched or differing operation of
// either log touches meets the same operations in both, so it shows the same pixels.
std::vector<RowRange> FrameLog::ChangedRows(const FrameLog& other) const {
  if (!describes_ || !other.describes_) return {AllRows};
  std::vector<int> starts(BackBufferHeight + 1, 0);  // ranges starting minus ranges ending at a row
  const auto mark = [&](const Entry& entry) {
    if (entry.params.rows.Empty()) return;
    ++starts[size_t(entry.params.rows.top)];
    --starts[size_t(entry.params.rows.bottom)];
  };
  const size_t n = entries_.size(), m = other.entries_.size(), common = std::min(n, m);
  size_t tail = 0;
  while (tail < common && SameOperation(n - 1 - tail, other, m - 1 - tail)) ++tail;
  const size_t paired = common - tail;
  bool any = n != m;
  for (size_t i = 0; i < paired; ++i)
    if (!SameOperation(i, other, i)) {
      mark(entries_[i]);
      mark(other.entries_[i]);
      any = true;
    }
  for (size_t i = paired; i < n - tail; ++i) mark(entries_[i]);
  for (size_t i = paired; i < m - tail; ++i) mark(other.entries_[i]);
  std::vector<RowRange> rows;
  if (!any) return rows;
  int depth = 0;
  for (int y = 0; y < BackBufferHeight; ++y) {
    const bool inside = depth > 0;
    depth += starts[size_t(y)];
    if (depth > 0 && !inside) {
      if (rows.empty() || y - rows.back().bottom >= MergeGap) rows.push_back({y, y});
    }
    if (depth > 0) rows.back().bottom = y + 1;
  }
  return rows;
}

void FrameLog::Draw(const Entry& entry, Device::Impl& device, RowRange rows) const {
  const Params& p = entry.params;
  switch (p.kind) {
    case Kind::Clear:
      device.FillRows(rows, p.argb);
      break;
    case Kind::Line:
      RasterLine(device.backPixels.data(), &points_[entry.first], p.count, p.argb, p.width, p.antialias, rows);
      break;
    case Kind::Sprite: {
      const SpriteDraw& sprite = sprites_[entry.first];
      PaintSprite(device.back, sprite.image, sprite.source, sprite.ox, sprite.oy, sprite.transform, p.argb, rows);
      break;
    }
    case Kind::Blit:
      BlitStretched(device.backPixels.data(), &pixels_[entry.first], p.srcWidth * 4, {0, 0, p.srcWidth, p.srcHeight},
                    p.dest, rows);
      break;
  }
  ++device.drawCount;
}

void FrameLog::DrawPending(Device::Impl& device) {
  for (; drawn_ < entries_.size(); ++drawn_) {
    const Entry& entry = entries_[drawn_];
    if (entry.params.kind == Kind::Clear)
      device.Fill(entry.params.argb);  // every row: nothing to bring back from the front
    else
      device.Current();
    Draw(entry, device, AllRows);
  }
  // A frame that is not described is never compared: what is drawn need not be kept.
  if (!describes_) Reset();
}

void FrameLog::DrawRows(Device::Impl& device, RowRange rows) const {
  for (const Entry& entry : entries_)
    if (entry.params.rows.Meets(rows)) Draw(entry, device, rows);
}

}  // namespace scene
