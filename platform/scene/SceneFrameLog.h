// What a frame draws, kept as a list of drawing operations with everything they read (points,
// blit pixels, the sprite image's identity) and the area each can touch, so that where a frame can
// differ from the one on the window is known before any of it is rasterised. The idle loop draws
// the same picture many times a second; an unchanged frame then costs the recording and one
// comparison, and a changed one the areas that its changed operations touch.
#pragma once
#include "platform/scene/Scene.h"

#include <QImage>
#include <QRect>
#include <QTransform>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace scene {

constexpr RectI WholeBuffer{0, 0, BackBufferWidth, BackBufferHeight};
inline bool IsEmpty(const RectI& r) { return r.Width() <= 0 || r.Height() <= 0; }
// True when the two share a pixel.
inline bool Meet(const RectI& a, const RectI& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}
inline RectI Intersection(const RectI& a, const RectI& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

class FrameLog {
 public:
  // A new frame from a clear of the whole buffer: such a frame is described by its log alone.
  void StartCleared(uint32_t argb);
  // No operations; the frame (drawn on the one before) is not described by its log.
  void Reset();
  // The buffer was handed out for direct writes: the log no longer describes the frame.
  void Invalidate() { describes_ = false; }
  // True while the log holds every operation of its frame from its clear on.
  bool Describes() const { return describes_; }
  bool Pending() const { return drawn_ < entries_.size(); }
  // True when some operation of the frame was rasterised already.
  bool Started() const { return drawn_ > 0; }

  void AddLine(const Vec2* points, int count, uint32_t argb, float width, bool antialias);
  // image: the texture as modulated; source within it; (ox, oy) its top-left before transform;
  // bounds: the back-buffer area it covers.
  void AddSprite(const QImage& image, const QRect& source, double ox, double oy, const QTransform& transform,
                 uint32_t alpha, const QRectF& bounds);
  // Keeps the source rectangle's pixels (the caller's picture may change after this call): those
  // of the blit at the same place in the shown log when they are equal, else a copy.
  void AddBlit(const uint32_t* pixels, int strideBytes, const RectI& src, const RectI& dest, const FrameLog& shown);

  // The areas in which this frame can differ from the other one, apart: the whole buffer unless
  // both logs describe their frames; none when the frames draw exactly the same.
  std::vector<RectI> ChangedAreas(const FrameLog& other) const;
  // Rasterises the operations not drawn yet, in order, into the device's back buffer.
  void DrawPending(Device::Impl& device);
  // Draws the described frame's area again: its clear and, in order, every operation that can
  // touch it, each limited to it.
  void DrawArea(Device::Impl& device, const RectI& area) const;

 private:
  enum class Kind : uint32_t { Clear, Line, Sprite, Blit };
  // Everything an operation reads, but its points, pixels or sprite image: two operations with
  // equal parameters and equal data draw the same pixels. The comparison takes every member.
  struct Params {
    Kind kind = Kind::Clear;
    uint32_t argb = 0;  // Clear, Line: the colour; Sprite: the alpha
    float width = 1.0f;
    bool antialias = false;
    int count = 0;  // points (Line)
    RectI dest;     // Blit: the source is the copied rectangle, dest's size apart
    int srcWidth = 0, srcHeight = 0;
    RectI box;  // the pixels it can touch (within the buffer)
    bool operator==(const Params&) const = default;
  };
  struct Entry {
    Params params;
    size_t first = 0;  // first point (Line), pixel (Blit) or sprite (Sprite)
  };
  // A sprite's key: its image's identity and where and how it is drawn (numbers as bits).
  struct SpriteKey {
    int64_t image = 0;
    int sourceX = 0, sourceY = 0, sourceWidth = 0, sourceHeight = 0;
    uint64_t ox = 0, oy = 0, m11 = 0, m12 = 0, m21 = 0, m22 = 0, dx = 0, dy = 0;
    bool operator==(const SpriteKey&) const = default;
  };
  struct SpriteDraw {
    QImage image;  // shares the texture's pixels; keeps its key naming them
    QRect source;
    double ox = 0, oy = 0;
    QTransform transform;
    SpriteKey key;
  };

  Params& Add(Kind kind, size_t first);
  bool SameOperation(size_t index, const FrameLog& other, size_t otherIndex) const;
  // Marks the pixels in which two lines of the same colour, width and number of points can
  // differ, segment by segment; false (nothing marked) for any other pair of operations.
  template <typename Mark>
  bool MarkLineChanges(const Entry& a, const FrameLog& other, const Entry& b, Mark&& mark) const;
  void Draw(const Entry& entry, Device::Impl& device, const RectI& area) const;

  std::vector<Vec2> points_;
  // A blit's pixels, never written once kept: two logs share them while their blits copy equal
  // pixels, so a picture that did not change is compared but not copied again.
  using BlitPixels = std::shared_ptr<const std::vector<uint32_t>>;
  BlitPixels KeptPixelsEqualTo(size_t index, const Params& blit, const uint32_t* pixels, int strideBytes,
                               const RectI& src) const;
  std::vector<BlitPixels> blits_;
  std::vector<Entry> entries_;
  std::vector<SpriteDraw> sprites_;
  size_t drawn_ = 0;
  bool describes_ = false;
};

}  // namespace scene
