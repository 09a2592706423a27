// Pixel operations on the buffers of Imaging.h.
#include "platform/imaging/Imaging.h"
#include "platform/imaging/PixelAccess.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace imaging {
using namespace detail;

int RowBytes(int width, int depth, bool wide) {
  if (width <= 0) return 0;
  int64_t bytes;
  if (depth == 0) {
    if (wide) return 0;
    bytes = (int64_t(width) + 7) / 8;
  } else if (depth == 1 || depth == 3 || depth == 4) {
    bytes = int64_t(width) * depth * (wide ? 2 : 1);
  } else {
    return 0;
  }
  return bytes > INT32_MAX ? 0 : int(bytes);
}

bool IsValid(const ImageRef& image) {
  if (!image.pixels || image.width <= 0 || image.height <= 0) return false;
  int row = RowBytes(image.width, image.depth, image.wide);
  return row > 0 && image.stride >= row;
}

Image MakeImage(int width, int height, int depth, bool wide) {
  Image image;
  int row = RowBytes(width, depth, wide);
  if (row <= 0 || height <= 0 || int64_t(width) * height > MaxPixels) return image;
  try {
    image.pixels.assign(size_t(row) * size_t(height), 0);
  } catch (const std::bad_alloc&) {
    return Image{};
  }
  image.width = width;
  image.height = height;
  image.stride = row;
  image.depth = depth;
  image.wide = wide;
  return image;
}

bool Crop(const ImageRef& src, const Rect& rect, const ImageRef& dst) {
  if (!IsValid(src) || !IsValid(dst) || src.depth != dst.depth || src.wide != dst.wide) return false;
  Rect r = Clip(rect, src.width, src.height);
  if (r.Empty() || dst.width < r.Width() || dst.height < r.Height()) return false;
  if (src.depth == 0) {
    for (int y = 0; y < r.Height(); ++y) {
      const uint8_t* s = RowOf(src, r.top + y);
      uint8_t* d = RowOf(dst, y);
      for (int x = 0; x < r.Width(); ++x) Put(dst, d, x, 0, Get(src, s, r.left + x, 0));
    }
    return true;
  }
  size_t pixelBytes = size_t(src.depth) * (src.wide ? 2 : 1);
  for (int y = 0; y < r.Height(); ++y)
    std::memcpy(RowOf(dst, y), RowOf(src, r.top + y) + size_t(r.left) * pixelBytes,
                size_t(r.Width()) * pixelBytes);
  return true;
}

bool Convert(const ImageRef& src, const ImageRef& dst, uint8_t alpha) {
  if (!IsValid(src) || !IsValid(dst) || src.width != dst.width || src.height != dst.height) return false;
  const uint32_t from = FullScale(src), to = FullScale(dst);
  const uint32_t dstAlpha = Rescale(alpha, 255, to == 1 ? 255 : to);
  for (int y = 0; y < src.height; ++y) {
    const uint8_t* s = RowOf(src, y);
    uint8_t* d = RowOf(dst, y);
    for (int x = 0; x < src.width; ++x) {
      uint32_t r, g, b, a;
      if (src.depth <= 1) {
        r = g = b = Get(src, s, x, 0);
        a = from;
      } else {
        r = Get(src, s, x, 0);
        g = Get(src, s, x, 1);
        b = Get(src, s, x, 2);
        a = src.depth == 4 ? Get(src, s, x, 3) : from;
      }
      if (dst.depth <= 1) {
        uint32_t grey = src.depth <= 1 ? r : Luminance(r, g, b);
        Put(dst, d, x, 0, Rescale(grey, from, to));
      } else {
        Put(dst, d, x, 0, Rescale(r, from, to));
        Put(dst, d, x, 1, Rescale(g, from, to));
        Put(dst, d, x, 2, Rescale(b, from, to));
        if (dst.depth == 4) Put(dst, d, x, 3, src.depth == 4 ? Rescale(a, from, to) : dstAlpha);
      }
    }
  }
  return true;
}

bool SetChannel(const ImageRef& image, const ImageRef& grey, int nr) {
  if (!IsValid(image) || !IsValid(grey) || (image.depth != 3 && image.depth != 4) || grey.depth != 1 ||
      image.wide != grey.wide || image.width != grey.width || image.height != grey.height || nr < 0 ||
      nr >= image.depth)
    return false;
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* g = RowOf(grey, y);
    uint8_t* d = RowOf(image, y);
    for (int x = 0; x < image.width; ++x) Put(image, d, x, nr, Get(grey, g, x, 0));
  }
  return true;
}

namespace {

struct Tap {
  int index;
  float weight;
};

float Cubic(float t) {  // Catmull-Rom
  t = std::fabs(t);
  if (t < 1) return 1.5f * t * t * t - 2.5f * t * t + 1;
  if (t < 2) return -0.5f * t * t * t + 2.5f * t * t - 4 * t + 2;
  return 0;
}

// For every output index the source indices and weights (summing to 1) of one axis.
std::vector<std::vector<Tap>> Taps(int srcSize, int dstSize, Resample mode) {
  std::vector<std::vector<Tap>> taps(static_cast<size_t>(dstSize));
  const double scale = double(srcSize) / dstSize;
  auto clamp = [srcSize](int i) { return std::clamp(i, 0, srcSize - 1); };
  for (int i = 0; i < dstSize; ++i) {
    std::vector<Tap>& t = taps[size_t(i)];
    double centre = (i + 0.5) * scale - 0.5;
    switch (mode) {
      case Resample::Nearest:
        t.push_back({clamp(int(std::floor((i + 0.5) * scale))), 1.0f});
        break;
      case Resample::Bilinear: {
        int i0 = int(std::floor(centre));
        float f = float(centre - i0);
        t.push_back({clamp(i0), 1 - f});
        t.push_back({clamp(i0 + 1), f});
        break;
      }
      case Resample::Bicubic: {
        int i0 = int(std::floor(centre));
        float f = float(centre - i0);
        for (int k = -1; k <= 2; ++k) t.push_back({clamp(i0 + k), Cubic(float(k) - f)});
        break;
      }
      case Resample::Area: {
        double a = i * scale, b = (i + 1) * scale;
        for (int s = int(std::floor(a)); s < b && s < srcSize; ++s) {
          double cover = std::min<double>(b, s + 1) - std::max<double>(a, s);
          if (cover > 0) t.push_back({clamp(s), float(cover / scale)});
        }
        break;
      }
    }
    float sum = 0;
    for (const Tap& tap : t) sum += tap.weight;
    if (sum != 0)
      for (Tap& tap : t) tap.weight /= sum;
  }
  return taps;
}

bool ResizeSamples(const ImageRef& src, const ImageRef& dst, Resample mode) {
  const int channels = Channels(src.depth);
  const float full = float(FullScale(src));
  auto hx = Taps(src.width, dst.width, mode);
  auto hy = Taps(src.height, dst.height, mode);
  std::vector<float> rows;  // horizontal pass: dst.width x src.height x channels
  try {
    rows.resize(size_t(dst.width) * size_t(src.height) * size_t(channels));
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int y = 0; y < src.height; ++y) {
    const uint8_t* s = RowOf(src, y);
    float* out = rows.data() + size_t(y) * dst.width * channels;
    for (int x = 0; x < dst.width; ++x)
      for (int c = 0; c < channels; ++c) {
        float v = 0;
        for (const Tap& t : hx[size_t(x)]) v += t.weight * float(Get(src, s, t.index, c));
        out[size_t(x) * channels + c] = v;
      }
  }
  for (int y = 0; y < dst.height; ++y) {
    uint8_t* d = RowOf(dst, y);
    for (int x = 0; x < dst.width; ++x)
      for (int c = 0; c < channels; ++c) {
        float v = 0;
        for (const Tap& t : hy[size_t(y)])
          v += t.weight * rows[(size_t(t.index) * dst.width + x) * channels + c];
        Put(dst, d, x, c, uint32_t(std::clamp(v + 0.5f, 0.0f, full)));
      }
  }
  return true;
}

}  // namespace

bool Resize(const ImageRef& src, const ImageRef& dst, Resample mode) {
  if (!IsValid(src) || !IsValid(dst) || src.depth != dst.depth || src.wide != dst.wide) return false;
  if (src.depth != 0) return ResizeSamples(src, dst, mode);
  // 1-bit: as grey, then thresholded at half scale.
  Image greySrc = MakeImage(src.width, src.height, 1, false);
  Image greyDst = MakeImage(dst.width, dst.height, 1, false);
  if (greySrc.Empty() || greyDst.Empty()) return false;
  return Convert(src, greySrc.Ref()) && ResizeSamples(greySrc.Ref(), greyDst.Ref(), mode) &&
         Convert(greyDst.Ref(), dst);
}

namespace {

// The colour as samples of the image's layout.
void Samples(const ImageRef& image, Colour colour, uint32_t out[4]) {
  if (image.depth == 0) {
    out[0] = colour.r & 1u;
    return;
  }
  uint32_t to = FullScale(image);
  if (image.depth == 1) {
    out[0] = Rescale(Luminance(colour.r, colour.g, colour.b), 255, to);
    return;
  }
  out[0] = Rescale(colour.r, 255, to);
  out[1] = Rescale(colour.g, 255, to);
  out[2] = Rescale(colour.b, 255, to);
  out[3] = Rescale(colour.a, 255, to);
}

void FillSpan(const ImageRef& image, int y, int x0, int x1, const uint32_t samples[4]) {
  if (y < 0 || y >= image.height) return;
  x0 = std::max(x0, 0);
  x1 = std::min(x1, image.width - 1);
  uint8_t* row = RowOf(image, y);
  const int channels = Channels(image.depth);
  for (int x = x0; x <= x1; ++x)
    for (int c = 0; c < channels; ++c) Put(image, row, x, c, samples[c]);
}

}  // namespace

bool FillRect(const ImageRef& image, const Rect& rect, Colour colour) {
  if (!IsValid(image)) return false;
  Rect r = Clip(rect, image.width, image.height);
  if (r.Empty()) return false;
  uint32_t samples[4] = {};
  Samples(image, colour, samples);
  for (int y = r.top; y < r.bottom; ++y) FillSpan(image, y, r.left, r.right - 1, samples);
  return true;
}

bool DrawEllipse(const ImageRef& image, int cx, int cy, int rx, int ry, Colour colour, bool fill) {
  if (!IsValid(image) || rx < 0 || ry < 0) return false;
  uint32_t samples[4] = {};
  Samples(image, colour, samples);
  // Half width of the filled ellipse in row dy, -1 outside it.
  auto half = [rx, ry](int64_t dy) -> int64_t {
    if (dy < -ry || dy > ry) return -1;
    if (ry == 0) return rx;
    double q = double(dy) / ry;
    return int64_t(std::floor(rx * std::sqrt(std::max(0.0, 1 - q * q)) + 1e-9));
  };
  const int64_t first = std::max<int64_t>(int64_t(cy) - ry, 0);
  const int64_t last = std::min<int64_t>(int64_t(cy) + ry, image.height - 1);
  for (int64_t y = first; y <= last; ++y) {
    const int64_t dy = y - cy, h = half(dy);
    auto span = [&](int64_t a, int64_t b) {
      // Far-out ends (huge radii) are brought into int range before the span is clipped.
      a = std::max<int64_t>(a, -1);
      b = std::min<int64_t>(b, image.width);
      if (a <= b) FillSpan(image, int(y), int(a), int(b), samples);
    };
    if (fill) {
      span(cx - h, cx + h);
      continue;
    }
    // Outline: the pixels of this row that the neighbouring rows' spans do not cover, plus the ends.
    const int64_t inner = std::min(half(dy - 1), half(dy + 1));
    if (inner < 0 || inner >= h) {
      if (inner < 0) {
        span(cx - h, cx + h);
      } else {
        span(cx - h, cx - h);
        span(cx + h, cx + h);
      }
    } else {
      span(cx - h, cx - inner - 1);
      span(cx + inner + 1, cx + h);
    }
  }
  return true;
}

namespace {

// Calls pixel(d, t, i, ti) for every pixel i of dst's row d that top, placed at (x, y), covers with
// its pixel ti of row t. False, calling nothing, unless both images are valid, have four channels
// and samples of one width.
template <typename Pixel>
bool ForEachOverlap(const ImageRef& dst, const ImageRef& top, int x, int y, Pixel pixel) {
  if (!IsValid(dst) || !IsValid(top) || dst.depth != 4 || top.depth != 4 || dst.wide != top.wide)
    return false;
  const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
  const int64_t x1 = std::min<int64_t>(int64_t(x) + top.width, dst.width);
  const int64_t y1 = std::min<int64_t>(int64_t(y) + top.height, dst.height);
  for (int64_t j = y0; j < y1; ++j) {
    uint8_t* d = RowOf(dst, int(j));
    const uint8_t* t = RowOf(top, int(j - y));
    for (int64_t i = x0; i < x1; ++i) pixel(d, t, int(i), int(i - x));
  }
  return true;
}

}  // namespace

bool AlphaBlend(const ImageRef& dst, const ImageRef& top, int x, int y) {
  const uint64_t full = FullScale(dst);
  return ForEachOverlap(dst, top, x, y, [&](uint8_t* d, const uint8_t* t, int i, int ti) {
    const uint64_t a = Get(top, t, ti, 3);
    for (int c = 0; c < 3; ++c) {
      uint64_t v = (Get(top, t, ti, c) * a + Get(dst, d, i, c) * (full - a) + full / 2) / full;
      Put(dst, d, i, c, uint32_t(v));
    }
  });
}

bool RaiseAlpha(const ImageRef& dst, const ImageRef& top, int x, int y) {
  return ForEachOverlap(dst, top, x, y, [&](uint8_t* d, const uint8_t* t, int i, int ti) {
    const uint32_t a = Get(top, t, ti, 3);
    if (a > Get(dst, d, i, 3)) Put(dst, d, i, 3, a);
  });
}

bool AdjustBrightnessContrast(const ImageRef& image, double brightness, double contrast) {
  if (!IsValid(image) || image.depth == 0 || !std::isfinite(brightness) || !std::isfinite(contrast))
    return false;
  brightness = std::clamp(brightness, -1.0, 1.0);
  contrast = std::clamp(contrast, -1.0, 1.0);
  const double full = FullScale(image), halfScale = (full + 1) / 2;
  auto adjust = [&](uint32_t v) {
    double out = (v - halfScale) * (1 + contrast) + halfScale + brightness * full;
    return uint32_t(std::clamp(std::floor(out + 0.5), 0.0, full));
  };
  const int colours = image.depth == 4 ? 3 : image.depth;
  std::vector<uint32_t> table;
  if (!image.wide) {
    table.resize(256);
    for (uint32_t v = 0; v < 256; ++v) table[v] = adjust(v);
  }
  for (int y = 0; y < image.height; ++y) {
    uint8_t* row = RowOf(image, y);
    for (int x = 0; x < image.width; ++x)
      for (int c = 0; c < colours; ++c) {
        uint32_t v = Get(image, row, x, c);
        Put(image, row, x, c, image.wide ? adjust(v) : table[v]);
      }
  }
  return true;
}

bool DrawToBitmap(const ImageRef& src, uint32_t* bitmap, int bitmapWidth, int bitmapHeight, int bitmapStride,
                  int x0, int y0, const uint32_t* greyPalette, const uint32_t* oneBitPalette) {
  if (!IsValid(src) || !bitmap || bitmapWidth <= 0 || bitmapHeight <= 0 || bitmapStride < bitmapWidth * 4)
    return false;
  const int64_t xa = std::max<int64_t>(x0, 0), ya = std::max<int64_t>(y0, 0);
  const int64_t xb = std::min<int64_t>(int64_t(x0) + src.width, bitmapWidth);
  const int64_t yb = std::min<int64_t>(int64_t(y0) + src.height, bitmapHeight);
  if (xa >= xb || ya >= yb) return true;  // nothing visible: drawn as far as it shows
  auto narrow = [&](uint32_t v) { return src.wide ? v >> 8 : v; };
  for (int64_t j = ya; j < yb; ++j) {
    const uint8_t* s = RowOf(src, int(j - y0));
    uint32_t* d = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(bitmap) + size_t(j) * bitmapStride);
    for (int64_t i = xa; i < xb; ++i) {
      const int si = int(i - x0);
      uint32_t rgb;
      if (src.depth == 0) {
        uint32_t bit = Get(src, s, si, 0);
        rgb = oneBitPalette ? oneBitPalette[bit] : (bit ? 0x000000u : 0xFFFFFFu);
      } else if (src.depth == 1) {
        uint32_t g = narrow(Get(src, s, si, 0));
        rgb = greyPalette ? greyPalette[g] : (g << 16 | g << 8 | g);
      } else {
        uint32_t r = narrow(Get(src, s, si, 0)), g = narrow(Get(src, s, si, 1)),
                 b = narrow(Get(src, s, si, 2));
        if (src.depth == 4) {
          const uint32_t a = narrow(Get(src, s, si, 3)), under = d[i];
          r = (r * a + ((under >> 16) & 0xFF) * (255 - a) + 127) / 255;
          g = (g * a + ((under >> 8) & 0xFF) * (255 - a) + 127) / 255;
          b = (b * a + (under & 0xFF) * (255 - a) + 127) / 255;
        }
        rgb = r << 16 | g << 8 | b;
      }
      d[i] = 0xFF000000u | (rgb & 0xFFFFFFu);
    }
  }
  return true;
}

void HSVToRGB(double h, double s, double v, uint8_t& r, uint8_t& g, uint8_t& b) {
  if (!std::isfinite(h)) h = 0;
  if (!std::isfinite(s)) s = 0;
  if (!std::isfinite(v)) v = 0;
  h = std::fmod(h, 360.0);
  if (h < 0) h += 360.0;
  s = std::clamp(s, 0.0, 1.0);
  v = std::clamp(v, 0.0, 255.0);
  const double hh = h / 60.0;
  const int sector = int(hh) % 6;
  const double f = hh - std::floor(hh);
  const double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
  double rr, gg, bb;
  switch (sector) {
    case 0:
      rr = v;
      gg = t;
      bb = p;
      break;
    case 1:
      rr = q;
      gg = v;
      bb = p;
      break;
    case 2:
      rr = p;
      gg = v;
      bb = t;
      break;
    case 3:
      rr = p;
      gg = q;
      bb = v;
      break;
    case 4:
      rr = t;
      gg = p;
      bb = v;
      break;
    default:
      rr = v;
      gg = p;
      bb = q;
      break;
  }
  auto byte = [](double x) { return uint8_t(std::clamp(std::floor(x + 0.5), 0.0, 255.0)); };
  r = byte(rr);
  g = byte(gg);
  b = byte(bb);
}

}  // namespace imaging
