// The frame log: records the drawing operations of a frame, compares frames, rasterises them.
#include "platform/scene/SceneFrameLog.h"
#include "platform/scene/SceneInternal.h"

#include <bit>
#include <cstring>

namespace scene {

void FrameLog::Reset() {
  words_.clear();
  points_.clear();
  pixels_.clear();
  entries_.clear();
  sprites_.clear();
  drawn_ = 0;
  describes_ = false;
}

void FrameLog::StartCleared(uint32_t argb) {
  Reset();
  describes_ = true;
  Entry entry;
  entry.kind = Kind::Clear;
  entry.argb = argb;
  entries_.push_back(entry);
  PutWord(uint32_t(Kind::Clear));
  PutWord(argb);
}

void FrameLog::PutFloat(float value) { PutWord(std::bit_cast<uint32_t>(value)); }

void FrameLog::PutDouble(double value) {
  const auto bits = std::bit_cast<uint64_t>(value);
  PutWord(uint32_t(bits));
  PutWord(uint32_t(bits >> 32));
}

void FrameLog::AddLine(const Vec2* points, int count, uint32_t argb, float width, bool antialias) {
  Entry entry;
  entry.kind = Kind::Line;
  entry.argb = argb;
  entry.width = width;
  entry.antialias = antialias;
  entry.first = points_.size();
  entry.count = count;
  points_.insert(points_.end(), points, points + count);
  entries_.push_back(entry);
  PutWord(uint32_t(Kind::Line));
  PutWord(argb);
  PutFloat(width);
  PutWord(antialias ? 1 : 0);
  PutWord(uint32_t(count));
}

void FrameLog::AddSprite(const QImage& image, const QRect& source, double ox, double oy,
                         const QTransform& transform, uint32_t alpha) {
  Entry entry;
  entry.kind = Kind::Sprite;
  entry.argb = alpha;
  entry.first = sprites_.size();
  entries_.push_back(entry);
  // The image's key names its pixels for as long as this copy holds them.
  sprites_.push_back({image, source, ox, oy, transform});
  const auto key = uint64_t(image.cacheKey());
  PutWord(uint32_t(Kind::Sprite));
  PutWord(uint32_t(key));
  PutWord(uint32_t(key >> 32));
  for (int v : {source.x(), source.y(), source.width(), source.height()}) PutWord(uint32_t(v));
  for (double v : {ox, oy, transform.m11(), transform.m12(), transform.m21(), transform.m22(), transform.dx(),
                   transform.dy()})
    PutDouble(v);
  PutWord(alpha);
}

void FrameLog::AddBlit(const uint32_t* pixels, int strideBytes, const RectI& src, const RectI& dest) {
  Entry entry;
  entry.kind = Kind::Blit;
  entry.first = pixels_.size();
  entry.srcWidth = src.Width();
  entry.srcHeight = src.Height();
  entry.dest = dest;
  const auto* base = reinterpret_cast<const unsigned char*>(pixels);
  for (int y = src.top; y < src.bottom; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(base + std::ptrdiff_t(y) * strideBytes) + src.left;
    pixels_.insert(pixels_.end(), row, row + entry.srcWidth);
  }
  entries_.push_back(entry);
  PutWord(uint32_t(Kind::Blit));
  for (int v : {src.Width(), src.Height(), dest.left, dest.top, dest.right, dest.bottom}) PutWord(uint32_t(v));
}

bool FrameLog::SameFrameAs(const FrameLog& other) const {
  if (!describes_ || !other.describes_) return false;
  if (words_ != other.words_ || pixels_ != other.pixels_ || points_.size() != other.points_.size()) return false;
  // Bitwise: points that compare equal as numbers (0 and -0) are still told apart, never mixed up.
  return points_.empty() || std::memcmp(points_.data(), other.points_.data(), points_.size() * sizeof(Vec2)) == 0;
}

void FrameLog::Draw(const Entry& entry, Device::Impl& device) {
  switch (entry.kind) {
    case Kind::Clear:
      device.Fill(entry.argb);
      break;
    case Kind::Line:
      RasterLine(device.Current(), &points_[entry.first], entry.count, entry.argb, entry.width, entry.antialias);
      break;
    case Kind::Sprite: {
      const SpriteDraw& sprite = sprites_[entry.first];
      device.Current();
      PaintSprite(device.back, sprite.image, sprite.source, sprite.ox, sprite.oy, sprite.transform, entry.argb);
      break;
    }
    case Kind::Blit:
      BlitStretched(device.Current(), &pixels_[entry.first], entry.srcWidth * 4,
                    {0, 0, entry.srcWidth, entry.srcHeight}, entry.dest);
      break;
  }
  ++device.drawCount;
}

void FrameLog::DrawPending(Device::Impl& device) {
  for (; drawn_ < entries_.size(); ++drawn_) Draw(entries_[drawn_], device);
  // A frame that is not described is never compared: what is drawn need not be kept.
  if (!describes_) Reset();
}

}  // namespace scene
