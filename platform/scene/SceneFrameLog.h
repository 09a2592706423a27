// What a frame draws, kept as a list of drawing operations with everything they read (points,
// blit pixels, the sprite image's identity), so that a frame equal to the one on the window can be
// recognised before any of it is rasterised. The idle loop draws the same picture many times a
// second; an unchanged frame then costs the recording and one comparison.
#pragma once
#include "platform/scene/Scene.h"

#include <QImage>
#include <QRect>
#include <QTransform>
#include <cstdint>
#include <vector>

namespace scene {

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

  void AddLine(const Vec2* points, int count, uint32_t argb, float width, bool antialias);
  // image: the texture as modulated; source within it; (ox, oy) its top-left before transform.
  void AddSprite(const QImage& image, const QRect& source, double ox, double oy, const QTransform& transform,
                 uint32_t alpha);
  // Copies the source rectangle's pixels (the caller's picture may change after this call).
  void AddBlit(const uint32_t* pixels, int strideBytes, const RectI& src, const RectI& dest);

  // Both logs describe their frames and the frames draw exactly the same.
  bool SameFrameAs(const FrameLog& other) const;
  // Rasterises the operations not drawn yet, in order, into the device's back buffer.
  void DrawPending(Device::Impl& device);

 private:
  enum class Kind : uint32_t { Clear, Line, Sprite, Blit };
  // One operation; what only sprites need is kept apart, so that the many lines stay small.
  struct Entry {
    Kind kind = Kind::Clear;
    uint32_t argb = 0;  // Clear, Line: the colour; Sprite: the alpha
    float width = 1.0f;
    bool antialias = false;
    size_t first = 0;  // first point (Line), pixel (Blit) or sprite (Sprite)
    int count = 0;     // points (Line)
    RectI dest;        // Blit: the source is the copied rectangle at first, dest's size apart
    int srcWidth = 0, srcHeight = 0;
  };
  struct SpriteDraw {
    QImage image;  // shares the texture's pixels
    QRect source;
    double ox = 0, oy = 0;
    QTransform transform;
  };

  void PutWord(uint32_t word) { words_.push_back(word); }
  void PutFloat(float value);
  void PutDouble(double value);
  void Draw(const Entry& entry, Device::Impl& device);

  // Comparison key: every operation's kind and parameters and the blit pixels, as words.
  std::vector<uint32_t> words_;
  std::vector<Vec2> points_;
  std::vector<uint32_t> pixels_;
  std::vector<Entry> entries_;
  std::vector<SpriteDraw> sprites_;
  size_t drawn_ = 0;
  bool describes_ = false;
};

}  // namespace scene
