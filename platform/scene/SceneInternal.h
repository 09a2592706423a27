// Internal state of the scene objects (Qt types stay inside platform/scene).
#pragma once
#include "platform/scene/Scene.h"
#include "platform/scene/SceneFrameLog.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cstring>
#include <cwchar>
#include <memory>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace scene {

// Fills n pixels with one value (vectorised: these loops run over whole buffers).
inline void FillPixels(uint32_t* p, size_t n, uint32_t value) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i v = _mm_set1_epi32(static_cast<int>(value));
  for (; i + 4 <= n; i += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), v);
#endif
  for (; i < n; ++i) p[i] = value;
}

// Fills a whole buffer. The C library's wide-character fill writes large blocks with the
// processor's string stores, which skip reading the old contents: over two times faster than a
// vector loop on a back buffer.
inline void FillBuffer(uint32_t* p, size_t n, uint32_t value) {
  if constexpr (sizeof(wchar_t) == sizeof(uint32_t))
    std::wmemset(reinterpret_cast<wchar_t*>(p), static_cast<wchar_t>(value), n);
  else
    FillPixels(p, n, value);
}

// Copies n pixels and makes them opaque.
inline void CopyOpaque(uint32_t* dst, const uint32_t* src, size_t n) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  for (; i + 4 <= n; i += 4)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                     _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)), alpha));
#endif
  for (; i < n; ++i) dst[i] = src[i] | 0xFF000000u;
}

// dst[i] = src[columns[i]], made opaque, for n pixels. Four pixels are gathered into one
// register and stored at once: single stores that trail the loads at a nearly constant
// distance keep hitting the processor's false store-to-load conflicts.
inline void GatherOpaque(uint32_t* dst, const uint32_t* src, const int* columns, size_t n) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  for (; i + 4 <= n; i += 4) {
    const auto at = [&](size_t k) { return static_cast<int>(src[columns[k]]); };
    const __m128i v = _mm_setr_epi32(at(i), at(i + 1), at(i + 2), at(i + 3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_or_si128(v, alpha));
  }
#endif
  for (; i < n; ++i) dst[i] = src[columns[i]] | 0xFF000000u;
}

struct Device::Impl {
  TControl* window = nullptr;
  std::shared_ptr<void> windowLink;  // the window's watched widget (SceneWindow.cpp)
  // Pixel stores (BackBufferStride x BackBufferHeight) and QImages over them. Present
  // swaps the two; the back buffer then still has to show the presented frame in the areas in
  // which the two differ (staleAreas), which are copied back only when someone reads or draws.
  std::vector<uint32_t> backPixels, frontPixels;
  QImage back;   // Format_RGB32, BackBufferWidth x BackBufferHeight, always opaque
  QImage front;  // last presented frame; null until the first present
  std::vector<RectI> staleAreas;  // where the back buffer lags the front one (apart)
  bool backDrawn = false;  // the back buffer was read or drawn on since the last present
  bool inScene = false;
  int presentCount = 0;
  RectI changed;  // frame pixels the last repaint request covers
  std::vector<RectI> changedParts;  // the parts of it that changed (each is repainted)
  // The operations of the frame being drawn (rasterised when read or presented) and of the frame
  // on the window; equal logs need no drawing.
  FrameLog drawing, shown;
  int drawCount = 0;  // operations rasterised so far

  std::array<Matrix, 3> transforms{Matrix::Identity(), Matrix::Identity(), Matrix::Identity()};
  std::array<Light, MaxLights> lights{};
  std::array<bool, MaxLights> lightEnabled{};
  Material material{};
  std::array<uint32_t, static_cast<int>(RenderState::Count)> renderStates{};
  static constexpr int Stages = 8;
  std::array<std::array<uint32_t, static_cast<int>(SamplerState::Count)>, Stages> samplerStates{};
  std::array<std::array<uint32_t, static_cast<int>(TextureStageState::Count)>, Stages> stageStates{};
  std::array<const Texture*, Stages> textures{};

  // The back buffer as it is now, without the operations still waiting in the log.
  uint32_t* Current() {
    for (const RectI& area : staleAreas) CopyFrontArea(area);
    staleAreas.clear();
    backDrawn = true;
    return backPixels.data();
  }
  // Brings the area from the front buffer into the back buffer, but for the pixels of the areas
  // left out (disjoint; they are drawn again anyway).
  void CopyFrontArea(const RectI& area, const std::vector<RectI>& leftOut = {}) {
    if (IsEmpty(area)) return;
    std::vector<RectI> crossing;
    for (int y = area.top; y < area.bottom; ++y) {
      crossing.clear();
      for (const RectI& out : leftOut)
        if (out.top <= y && y < out.bottom) crossing.push_back(out);
      std::sort(crossing.begin(), crossing.end(), [](const RectI& a, const RectI& b) { return a.left < b.left; });
      int x = area.left;
      for (const RectI& out : crossing) {
        CopyFrontPixels(y, x, std::min(out.left, area.right));
        x = std::max(x, out.right);
      }
      CopyFrontPixels(y, x, area.right);
    }
  }
  void CopyFrontPixels(int y, int from, int to) {
    if (to <= from) return;
    const size_t first = size_t(y) * BackBufferStride + size_t(from);
    std::memcpy(backPixels.data() + first, frontPixels.data() + first, size_t(to - from) * 4);
  }
  // The back buffer for reading or drawing (brought up to date first).
  uint32_t* Pixels() {
    if (drawing.Pending()) drawing.DrawPending(*this);
    return Current();
  }
  QImage& BackImage() {
    Pixels();
    return back;
  }
  // Every pixel overwritten: nothing to bring back from the front.
  void Fill(uint32_t argb) {
    staleAreas.clear();
    backDrawn = true;
    FillBuffer(backPixels.data(), backPixels.size(), argb);
  }
  // Fills the area with the colour (the frame's clear, limited to an area drawn again).
  void FillArea(const RectI& area, uint32_t argb) {
    uint32_t* first = backPixels.data() + size_t(area.top) * BackBufferStride;
    if (area.left == 0 && area.right == BackBufferWidth) {  // whole rows (and their padding) at once
      FillBuffer(first, size_t(area.Height()) * BackBufferStride, argb);
      return;
    }
    for (int y = area.top; y < area.bottom; ++y, first += BackBufferStride)
      FillBuffer(first + area.left, size_t(area.Width()), argb);
  }
  // An operation just logged is drawn at once when the frame is not described by its log (drawn
  // on the presented frame, or written to directly); else when read or presented.
  void DrawUnlessLogged() {
    if (!drawing.Describes()) drawing.DrawPending(*this);
  }
  void RequestRepaint();
  bool PresentAreas(const std::vector<RectI>& areas);
  void ShowBackBuffer(const RectI& area, std::vector<RectI> parts);
};

struct Texture::Impl {
  QImage image;                        // Format_ARGB32_Premultiplied
  QImage modulated;                    // image with its colour channels multiplied by modulatedRgb
  uint32_t modulatedRgb = 0xFFFFFFFF;  // none cached yet
  const QImage& ModulatedBy(uint32_t rgb);
};

// The rasterisers of the drawing operations, on the back buffer's pixels or image. Each writes
// only the given area, and in it exactly what it writes when drawing the whole buffer.
void RasterLine(uint32_t* pixels, const Vec2* points, int count, uint32_t argb, float width, bool antialias,
                const RectI& area = WholeBuffer);
void PaintSprite(QImage& back, const QImage& image, const QRect& source, double ox, double oy,
                 const QTransform& transform, uint32_t alpha, const RectI& area = WholeBuffer);
void BlitStretched(uint32_t* pixels, const uint32_t* source, int strideBytes, const RectI& src, const RectI& dest,
                   const RectI& area = WholeBuffer);

// The window pixels that can show any of a frame's area when it is stretched to width x height.
RectI WindowArea(const RectI& area, int width, int height);

// Paints the presented frame stretched into the target rectangle (window paint and tests).
void PaintFront(const Device::Impl& device, QPainter& painter, int width, int height);

// Colour-keys, converts and scales a decoded image into a texture image.
QImage MakeTextureImage(const QImage& decoded, int width, int height, uint32_t colorKey);

}  // namespace scene

namespace scene {
// Connects the device to its window's paint (no-op for a windowless device).
void AttachWindow(Device::Impl& device);
void DetachWindow(Device::Impl& device);
}  // namespace scene
