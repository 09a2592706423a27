// Internal: sample access for the pixel layouts of Imaging.h.
#pragma once
#include <cstring>
#include "platform/imaging/Imaging.h"

namespace imaging::detail {

inline int Channels(int depth) { return depth == 0 ? 1 : depth; }
inline uint32_t FullScale(const ImageRef& image) {
  return image.depth == 0 ? 1u : (image.wide ? 65535u : 255u);
}

inline uint8_t* RowOf(const ImageRef& image, int y) { return image.pixels + size_t(y) * image.stride; }

// Sample c of pixel (x, y), in the image's own scale (0/1, 0..255 or 0..65535).
inline uint32_t Get(const ImageRef& image, const uint8_t* row, int x, int c) {
  if (image.depth == 0) return (row[x >> 3] >> (7 - (x & 7))) & 1u;
  size_t i = size_t(x) * image.depth + c;
  if (image.wide) {
    uint16_t v;
    std::memcpy(&v, row + i * 2, 2);
    return v;
  }
  return row[i];
}

inline void Put(const ImageRef& image, uint8_t* row, int x, int c, uint32_t v) {
  if (image.depth == 0) {
    uint8_t mask = uint8_t(0x80u >> (x & 7));
    row[x >> 3] = v ? uint8_t(row[x >> 3] | mask) : uint8_t(row[x >> 3] & ~mask);
    return;
  }
  size_t i = size_t(x) * image.depth + c;
  if (image.wide) {
    uint16_t s = uint16_t(v);
    std::memcpy(row + i * 2, &s, 2);
  } else {
    row[i] = uint8_t(v);
  }
}

// Rescales a sample between scales 1, 255 and 65535.
inline uint32_t Rescale(uint32_t v, uint32_t from, uint32_t to) {
  if (from == to) return v;
  if (from == 1) return v ? to : 0;
  if (to == 1) return v * 2 >= from ? 1 : 0;
  if (from == 255) return v * 257;  // to 65535
  return v >> 8;                    // 65535 -> 255
}

inline uint32_t Luminance(uint32_t r, uint32_t g, uint32_t b) {
  return uint32_t((uint64_t(r) * 299 + uint64_t(g) * 587 + uint64_t(b) * 114 + 500) / 1000);
}

// The overlap of rect with (0, 0, width, height).
inline Rect Clip(const Rect& rect, int width, int height) {
  Rect r;
  r.left = rect.left < 0 ? 0 : rect.left;
  r.top = rect.top < 0 ? 0 : rect.top;
  r.right = rect.right > width ? width : rect.right;
  r.bottom = rect.bottom > height ? height : rect.bottom;
  return r;
}

}  // namespace imaging::detail
