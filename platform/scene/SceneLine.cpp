// The line object: polylines rasterised straight into the back buffer's pixels.
//
// Pixel centres lie on integer coordinates. Thin lines (width <= 1) step along their
// major axis: plain ones set the nearest pixel, antialiased ones split each step between
// the two nearest pixels (Wu). Axis-aligned thin lines are blended as spans. Wider lines
// are filled quads around the segment; with antialiasing their edges are weighted by
// coverage; one along a row or a column is the same quad drawn as a rectangle. Inside a
// polyline every segment but the last leaves out its end pixel so joints are not blended
// twice.
#include "platform/scene/Scene.h"
#include "platform/scene/SceneInternal.h"
#include "platform/scene/SceneRaster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace scene {

namespace {

constexpr int W = BackBufferWidth;
constexpr int H = BackBufferHeight;
constexpr int S = BackBufferStride;
constexpr double MaxWidth = 4096.0;  // wider lines cover the whole buffer anyway

// Column walks stride over whole rows, which the hardware does not prefetch: ask for the
// pixel a few rows further down (a hint only; it never faults).
constexpr int PrefetchRows = 12;
inline void Prefetch(const uint32_t* p) {
  __builtin_prefetch(
      reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(p) + PrefetchRows * BackBufferStride * 4), 1);
}

// Blends one colour into two pixels with weights a0 and a1 (0..256 each).
class PairBlender {
 public:
  explicit PairBlender(uint32_t argb) : colour_(argb) {
#if defined(__SSE2__)
    src_ = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(argb)), _mm_setzero_si128());
#endif
  }

  void Blend(uint32_t& p0, uint32_t& p1, uint32_t a0, uint32_t a1) const {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i d = _mm_unpacklo_epi8(
        _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(p0)), _mm_cvtsi32_si128(static_cast<int>(p1))),
        zero);
    const __m128i w =
        _mm_unpacklo_epi64(_mm_set1_epi16(static_cast<short>(a0)), _mm_set1_epi16(static_cast<short>(a1)));
    const __m128i inv = _mm_sub_epi16(_mm_set1_epi16(256), w);
    const __m128i sum = _mm_add_epi16(_mm_mullo_epi16(src_, w), _mm_mullo_epi16(d, inv));
    const __m128i out = _mm_or_si128(_mm_packus_epi16(_mm_srli_epi16(sum, 8), zero),
                                     _mm_set1_epi32(static_cast<int>(0xFF000000u)));
    p0 = static_cast<uint32_t>(_mm_cvtsi128_si32(out));
    p1 = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_epi64(out, 32)));
#else
    p0 = Scalar(p0, a0);
    p1 = Scalar(p1, a1);
#endif
  }

  // Two neighbours in one row: p[0] with weight a0, p[1] with weight a1.
  void BlendAdjacent(uint32_t* p, uint32_t a0, uint32_t a1) const {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i d = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
    const __m128i pairW = _mm_cvtsi32_si128(static_cast<int>(a0 | a1 << 16));
    const __m128i w2 = _mm_unpacklo_epi16(pairW, pairW);  // a0 a0 a1 a1
    const __m128i w = _mm_unpacklo_epi32(w2, w2);         // a0 x4, a1 x4
    const __m128i inv = _mm_sub_epi16(_mm_set1_epi16(256), w);
    const __m128i sum = _mm_add_epi16(_mm_mullo_epi16(src_, w), _mm_mullo_epi16(d, inv));
    const __m128i out = _mm_or_si128(_mm_packus_epi16(_mm_srli_epi16(sum, 8), zero),
                                     _mm_set1_epi32(static_cast<int>(0xFF000000u)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), out);
#else
    Blend(p[0], p[1], a0, a1);
#endif
  }

 private:
  uint32_t Scalar(uint32_t d, uint32_t a) const {
    const uint32_t inv = 256 - a;
    const uint32_t rb = (((colour_ & 0x00FF00FFu) * a + (d & 0x00FF00FFu) * inv) >> 8);
    const uint32_t g = (((colour_ & 0x0000FF00u) * a + (d & 0x0000FF00u) * inv) >> 8);
    return 0xFF000000u | (rb & 0x00FF00FFu) | (g & 0x0000FF00u);
  }
  uint32_t colour_;
#if defined(__SSE2__)
  __m128i src_;
#endif
};

// A colour premultiplied by a weight of 0..255 (256 is handled as a plain store).
struct WeightedColour {
  uint32_t rbA, gA, inv;
  uint32_t Over(uint32_t d) const {
    const uint32_t rb = (((d & 0x00FF00FFu) * inv + rbA) >> 8) & 0x00FF00FFu;
    const uint32_t g = (((d & 0x0000FF00u) * inv + gA) >> 8) & 0x0000FF00u;
    return 0xFF000000u | rb | g;
  }
};

// Blends one colour into pixels with a weight of 0..256.
class Blender {
 public:
  // Only the pixels of the area are written.
  Blender(uint32_t* pixels, uint32_t argb, const RectI& area)
      : px_(pixels),
        left_(std::max(area.left, 0)),
        right_(std::min(area.right, W) - 1),
        top_(std::max(area.top, 0)),
        last_(std::min(area.bottom, H) - 1),
        rb_(argb & 0x00FF00FFu),
        g_(argb & 0x0000FF00u),
        solid_(argb | 0xFF000000u),
        alpha256_(static_cast<uint32_t>(argb >> 24) + (argb >> 31)) {}

  uint32_t Alpha256() const { return alpha256_; }
  uint32_t Colour() const { return rb_ | g_; }
  uint32_t Solid() const { return solid_; }
  int Left() const { return left_; }
  int Right() const { return right_; }
  int Top() const { return top_; }
  int Last() const { return last_; }

  struct Weighted : WeightedColour {
    Weighted(const Blender& b, uint32_t a) : WeightedColour{b.rb_ * a, b.g_ * a, 256 - a} {}
  };

  void Blend(uint32_t& d, uint32_t a) const {
    if (a >= 256) {
      d = solid_;
      return;
    }
    const uint32_t inv = 256 - a;
    const uint32_t rb = ((rb_ * a + (d & 0x00FF00FFu) * inv) >> 8) & 0x00FF00FFu;
    const uint32_t g = ((g_ * a + (d & 0x0000FF00u) * inv) >> 8) & 0x0000FF00u;
    d = 0xFF000000u | rb | g;
  }

  void Plot(int x, int y, uint32_t a) const {
    if (a == 0 || x < left_ || x > right_ || y < top_ || y > last_) return;
    Blend(px_[y * S + x], a);
  }

  // Row y, columns x0..x1 inclusive, clipped.
  void HSpan(int y, int x0, int x1, uint32_t a) const {
    if (a == 0 || y < top_ || y > last_) return;
    if (x0 > x1) std::swap(x0, x1);
    x0 = std::max(x0, left_);
    x1 = std::min(x1, right_);
    if (x0 > x1) return;
    uint32_t* p = px_ + y * S;
    if (a >= 256) {
      FillPixels(p + x0, static_cast<size_t>(x1 - x0 + 1), solid_);
      return;
    }
    for (int x = x0; x <= x1; ++x) Blend(p[x], a);
  }

  // Column x, rows y0..y1 inclusive, clipped.
  void VSpan(int x, int y0, int y1, uint32_t a) const {
    if (a == 0 || x < left_ || x > right_) return;
    if (y0 > y1) std::swap(y0, y1);
    y0 = std::max(y0, top_);
    y1 = std::min(y1, last_);
    uint32_t* p = px_ + y0 * S + x;
    uint32_t* const end = px_ + y1 * S + x;
    if (a >= 256) {
      for (; p <= end; p += S) {
        Prefetch(p);
        *p = solid_;
      }
      return;
    }
#if defined(__SSE2__)
    // Two rows at a time in one register.
    const __m128i zero = _mm_setzero_si128();
    const __m128i weight = _mm_set1_epi16(static_cast<short>(a));
    const __m128i srcW =
        _mm_mullo_epi16(_mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(rb_ | g_)), zero), weight);
    const __m128i inv = _mm_set1_epi16(static_cast<short>(256 - a));
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    for (; p + S <= end; p += 2 * S) {
      Prefetch(p);
      Prefetch(p + S);
      const __m128i d = _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(p[0])),
                                                             _mm_cvtsi32_si128(static_cast<int>(p[S]))),
                                          zero);
      const __m128i sum = _mm_add_epi16(srcW, _mm_mullo_epi16(d, inv));
      const __m128i out = _mm_or_si128(_mm_packus_epi16(_mm_srli_epi16(sum, 8), zero), alpha);
      p[0] = static_cast<uint32_t>(_mm_cvtsi128_si32(out));
      p[S] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_epi64(out, 32)));
    }
#endif
    const Weighted w(*this, a);
    for (; p <= end; p += S) {
      Prefetch(p);
      *p = w.Over(*p);
    }
  }

  // Columns x and x + 1 with weights a0 and a1 (an antialiased vertical line).
  void VSpan2(int x, int y0, int y1, uint32_t a0, uint32_t a1) const {
    if (a1 == 0 || x < left_ || x + 1 > right_) {
      VSpan(x, y0, y1, a0);
      VSpan(x + 1, y0, y1, a1);
      return;
    }
    if (y0 > y1) std::swap(y0, y1);
    y0 = std::max(y0, top_);
    y1 = std::min(y1, last_);
    const PairBlender pair(rb_ | g_);
    uint32_t* p = px_ + y0 * S + x;
    uint32_t* const end = px_ + y1 * S + x;
    for (; p <= end; p += S) {
      Prefetch(p);
      pair.Blend(p[0], p[1], a0, a1);
    }
  }

 private:
  uint32_t* px_;
  int left_, right_, top_, last_;
  uint32_t rb_, g_, solid_, alpha256_;
};

struct Seg {
  double x0, y0, x1, y1;
};

// Liang-Barsky clip of s against the rectangle; false when nothing is left.
bool ClipSegment(Seg& s, double xmin, double ymin, double xmax, double ymax) {
  const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
  double t0 = 0.0, t1 = 1.0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {s.x0 - xmin, xmax - s.x0, s.y0 - ymin, ymax - s.y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;
      continue;
    }
    const double r = q[i] / p[i];
    if (p[i] < 0.0) {
      if (r > t1) return false;
      t0 = std::max(t0, r);
    } else {
      if (r < t0) return false;
      t1 = std::min(t1, r);
    }
  }
  const Seg in = s;
  if (t1 < 1.0) {
    s.x1 = in.x0 + t1 * dx;
    s.y1 = in.y0 + t1 * dy;
  }
  if (t0 > 0.0) {
    s.x0 = in.x0 + t0 * dx;
    s.y0 = in.y0 + t0 * dy;
  }
  return true;
}

// Floor and round for coordinates already clipped to the buffer's neighbourhood.
constexpr double FloorBias = 16384.0;
inline int Floor(double v) { return static_cast<int>(v + FloorBias) - static_cast<int>(FloorBias); }
inline int Round(double v) { return Floor(v + 0.5); }

constexpr int FixShift = 16;
constexpr double FixOne = 65536.0;
constexpr double FixBias = 1099511627776.0;  // 2^40
inline int64_t ToFix(double v) {
  return static_cast<int64_t>(v * FixOne + FixBias) - static_cast<int64_t>(FixBias);
}

// A thin segment walked one pixel per step along its major axis, with the minor coordinate
// in 16.16 fixed point.
struct ThinWalk {
  bool xMajor;
  int i0;       // first major coordinate
  int step;     // +1 or -1
  int count;    // steps
  int64_t mf;   // minor coordinate at i0 (fixed point)
  int64_t inc;  // minor change per step
  double minor0;
  bool axisAligned;

  // offsetHalf: 0.5 for nearest-pixel rounding, 0 for the Wu split.
  ThinWalk(const Seg& s, bool skipLast, double offsetHalf) {
    const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
    xMajor = std::fabs(dx) >= std::fabs(dy);
    const double major0 = xMajor ? s.x0 : s.y0, major1 = xMajor ? s.x1 : s.y1;
    minor0 = xMajor ? s.y0 : s.x0;
    const double dMajor = xMajor ? dx : dy, dMinor = xMajor ? dy : dx;
    i0 = Round(major0);
    const int i1 = Round(major1);
    step = i1 >= i0 ? 1 : -1;
    count = std::abs(i1 - i0) + (skipLast ? 0 : 1);
    axisAligned = dMinor == 0.0;
    const double slope = axisAligned ? 0.0 : dMinor / dMajor;
    mf = ToFix(minor0 + (i0 - major0) * slope + offsetHalf);
    inc = ToFix(slope * step);
  }
  int Last() const { return i0 + step * (count - 1); }
  // True when every pixel of the walk, and the one after it on the minor axis, lies inside the
  // blender's area.
  bool Inside(const Blender& b) const {
    const int iLo = std::min(i0, Last()), iHi = std::max(i0, Last());
    const int64_t mEnd = mf + inc * (count - 1);
    const int mLo = static_cast<int>(std::min(mf, mEnd) >> FixShift);
    const int mHi = static_cast<int>(std::max(mf, mEnd) >> FixShift) + 1;
    const int xLo = xMajor ? iLo : mLo, xHi = xMajor ? iHi : mHi;
    const int yLo = xMajor ? mLo : iLo, yHi = xMajor ? mHi : iHi;
    return xLo >= b.Left() && xHi <= b.Right() && yLo >= b.Top() && yHi <= b.Last();
  }
};

// Thin plain line: the nearest pixel per step along the major axis.
void ThinPlain(const Blender& b, uint32_t* px, const Seg& s, bool skipLast) {
  const uint32_t a = b.Alpha256();
  ThinWalk w(s, skipLast, 0.5);
  if (w.count <= 0) return;
  if (w.axisAligned) {  // one span
    const int m = static_cast<int>(w.mf >> FixShift);
    if (w.xMajor)
      b.HSpan(m, w.i0, w.Last(), a);
    else
      b.VSpan(m, w.i0, w.Last(), a);
    return;
  }
  if (!w.Inside(b)) {
    for (int i = w.i0; w.count > 0; --w.count, i += w.step, w.mf += w.inc) {
      const int m = static_cast<int>(w.mf >> FixShift);
      if (w.xMajor)
        b.Plot(i, m, a);
      else
        b.Plot(m, i, a);
    }
    return;
  }
  const std::ptrdiff_t majorStep = w.xMajor ? w.step : w.step * S;
  const std::ptrdiff_t minorStep = w.xMajor ? S : 1;
  uint32_t* row = px + (w.xMajor ? w.i0 : w.i0 * S);
  for (; w.count > 0; --w.count, row += majorStep, w.mf += w.inc)
    b.Blend(row[(w.mf >> FixShift) * minorStep], a);
}

// Thin antialiased line: each step split between the two nearest pixels.
void ThinWu(const Blender& b, uint32_t* px, const Seg& s, bool skipLast) {
  const uint32_t a = b.Alpha256();
  ThinWalk w(s, skipLast, 0.0);
  if (w.count <= 0) return;
  if (w.axisAligned) {  // two spans with fixed weights
    const int m = static_cast<int>(w.mf >> FixShift);
    const uint32_t f = static_cast<uint32_t>(w.mf & 0xFFFF);
    const uint32_t a1 = static_cast<uint32_t>((static_cast<uint64_t>(a) * f) >> FixShift);
    const uint32_t a0 = a - a1;
    if (w.xMajor) {
      b.HSpan(m, w.i0, w.Last(), a0);
      b.HSpan(m + 1, w.i0, w.Last(), a1);
    } else {
      b.VSpan2(m, w.i0, w.Last(), a0, a1);
    }
    return;
  }
  if (!w.Inside(b)) {
    for (int i = w.i0; w.count > 0; --w.count, i += w.step, w.mf += w.inc) {
      const int m = static_cast<int>(w.mf >> FixShift);
      const uint32_t f = static_cast<uint32_t>(w.mf & 0xFFFF);
      const uint32_t a1 = static_cast<uint32_t>((static_cast<uint64_t>(a) * f) >> FixShift);
      if (w.xMajor) {
        b.Plot(i, m, a - a1);
        b.Plot(i, m + 1, a1);
      } else {
        b.Plot(m, i, a - a1);
        b.Plot(m + 1, i, a1);
      }
    }
    return;
  }
  const PairBlender pair(b.Colour());
  if (w.xMajor) {  // pairs one above the other
    uint32_t* column = px + w.i0;
    for (; w.count > 0; --w.count, column += w.step, w.mf += w.inc) {
      uint32_t* p = column + (w.mf >> FixShift) * S;
      const uint32_t f = static_cast<uint32_t>(w.mf & 0xFFFF);
      const uint32_t a1 = static_cast<uint32_t>((static_cast<uint64_t>(a) * f) >> FixShift);
      pair.Blend(p[0], p[S], a - a1, a1);
    }
    return;
  }
  uint32_t* row = px + w.i0 * S;  // pairs side by side
  const std::ptrdiff_t rowStep = w.step * S;
  for (; w.count > 0; --w.count, row += rowStep, w.mf += w.inc) {
    const uint32_t f = static_cast<uint32_t>(w.mf & 0xFFFF);
    const uint32_t a1 = static_cast<uint32_t>((static_cast<uint64_t>(a) * f) >> FixShift);
    pair.BlendAdjacent(row + (w.mf >> FixShift), a - a1, a1);
  }
}

// Solves lo <= k * x + c <= hi for x and narrows [xa, xb]; false when empty.
bool NarrowRange(double k, double c, double lo, double hi, double& xa, double& xb) {
  if (std::fabs(k) < 1e-12) return c >= lo && c <= hi;
  double u = (lo - c) / k, v = (hi - c) / k;
  if (u > v) std::swap(u, v);
  xa = std::max(xa, u);
  xb = std::min(xb, v);
  return xa <= xb;
}

inline double Clamp01(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }

// The frame of a wide segment: unit vectors along it, its length, half width and the reach of
// its soft edge, and the rows it can touch.
struct Quad {
  double len, ux, uy, hw, e;
  int yTop, yBot;
};

// False when the segment is too short to have a direction. The rows stay within the blender's.
bool MakeQuad(const Seg& s, double width, bool antialias, const Blender& b, Quad& q) {
  const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
  q.len = std::sqrt(dx * dx + dy * dy);
  if (!(q.len > 1e-9)) return false;
  q.ux = dx / q.len;
  q.uy = dy / q.len;
  q.hw = width * 0.5;
  q.e = antialias ? 0.5 : 0.0;
  const double reach = q.hw + q.e + 1.0;
  q.yTop = std::max(b.Top(), Floor(std::min(s.y0, s.y1) - reach));
  q.yBot = std::min(b.Last(), Floor(std::max(s.y0, s.y1) + reach) + 1);
  return true;
}

// Coverage of a pixel at distance n across the segment and position t along it.
inline double Cover(const Quad& q, double n, double t) {
  return Clamp01(q.hw + 0.5 - std::fabs(n)) * Clamp01(t + 0.5) * Clamp01(q.len - t + 0.5);
}

// Blend weight of a coverage.
inline uint32_t WeightOf(double cover, uint32_t a) { return static_cast<uint32_t>(cover * a + 0.5); }

// Any wide segment: the quad around it, row by row.
void ThickQuad(const Blender& b, const Seg& s, const Quad& q, bool antialias) {
  const uint32_t a = b.Alpha256();
  for (int y = q.yTop; y <= q.yBot; ++y) {
    const double ry = y - s.y0;
    // t(x) = (x - x0) * ux + ry * uy ; n(x) = -(x - x0) * uy + ry * ux
    double xa = 0.0, xb = W - 1.0;
    if (!NarrowRange(q.ux, -s.x0 * q.ux + ry * q.uy, -q.e, q.len + q.e, xa, xb)) continue;
    if (!NarrowRange(-q.uy, s.x0 * q.uy + ry * q.ux, -q.hw - q.e, q.hw + q.e, xa, xb)) continue;
    const int x0 = static_cast<int>(std::ceil(xa));
    const int x1 = static_cast<int>(std::floor(xb));
    if (x0 > x1) continue;
    if (!antialias) {
      b.HSpan(y, x0, x1, a);
      continue;
    }
    // The weights are summed up from the row's first column on, also when it lies outside the area.
    double t = (x0 - s.x0) * q.ux + ry * q.uy;
    double n = -(x0 - s.x0) * q.uy + ry * q.ux;
    const int end = std::min(x1, b.Right());
    for (int x = x0; x <= end; ++x, t += q.ux, n -= q.uy)
      if (x >= b.Left()) b.Plot(x, y, WeightOf(Cover(q, n, t), a));
  }
}

// A wide segment along a column or a row covers a rectangle, and the coverage of each pixel is
// the product of a weight across the segment and one along it. The weights are worked out once
// per column and once per row, in the same arithmetic as the quad above (one of ux, uy is an
// exact zero, so the terms it multiplies vanish), which gives the same pixels. Rows are blended
// as runs of equal weight; the rows whose second factor is 1 form one band (the factor rises
// and falls steadily across the rows) that is blended with one precomputed set of runs.
class AxisRect {
 public:
  AxisRect(const Blender& b, uint32_t* px, const Seg& s, const Quad& q, bool antialias)
      : b_(b), px_(px), s_(s), q_(q), aa_(antialias), a_(b.Alpha256()) {}

  // Along a column (ux == 0): the columns carry the weight across, the rows the one along.
  void Vertical() {
    double xa = 0.0, xb = W - 1.0;
    if (!NarrowRange(-q_.uy, s_.x0 * q_.uy, -q_.hw - q_.e, q_.hw + q_.e, xa, xb)) return;
    if (!Columns(xa, xb)) return;
    double n = -(x0_ - s_.x0) * q_.uy;
    for (int i = 0; i < count_; ++i, n -= q_.uy) across_[i] = aa_ ? Clamp01(q_.hw + 0.5 - std::fabs(n)) : 1.0;
    // Columns at the very edge of the soft border weigh 0 in every row.
    int first = 0;
    while (first < count_ && across_[first] == 0.0) ++first;
    while (count_ > first && across_[count_ - 1] == 0.0) --count_;
    if (first == count_) return;
    for (int i = 0; i < count_; ++i) full_[i] = WeightOf(across_[i], a_);
    if (!KeepColumns(first, count_)) return;
    // Rows a whole pixel beyond the soft edge cannot be reached, whatever the rounding.
    const int top = std::max(q_.yTop, Floor(std::min(s_.y0, s_.y1) - q_.e));
    const int bottom = std::min(q_.yBot, Floor(std::max(s_.y0, s_.y1) + q_.e) + 1);
    Rows(top, bottom, [this](int y) { return VerticalRow(y); });
  }

  // Along a row (uy == 0): the rows carry the weight across, the columns the one along.
  void Horizontal() {
    double xa = 0.0, xb = W - 1.0;
    if (!NarrowRange(q_.ux, -s_.x0 * q_.ux, -q_.e, q_.len + q_.e, xa, xb)) return;
    if (!Columns(xa, xb)) return;
    double t = (x0_ - s_.x0) * q_.ux;
    for (int i = 0; i < count_; ++i, t += q_.ux) {
      lead_[i] = aa_ ? Clamp01(t + 0.5) : 1.0;
      tail_[i] = aa_ ? Clamp01(q_.len - t + 0.5) : 1.0;
      full_[i] = WeightOf(lead_[i] * tail_[i], a_);
    }
    if (!KeepColumns(0, count_)) return;
    Rows(q_.yTop, q_.yBot, [this](int y) { return HorizontalRow(y); });
  }

 private:
  struct Run {
    int offset, length;
    uint32_t weight;
  };
  static constexpr int ShortRow = 8;

  bool Columns(double xa, double xb) {
    x0_ = static_cast<int>(std::ceil(xa));
    count_ = static_cast<int>(std::floor(xb)) - x0_ + 1;
    return count_ > 0;
  }

  // Keeps the columns first .. end - 1 of those worked out that lie in the blender's area; their
  // weights stay in place, from kept_ on. False when none is left.
  bool KeepColumns(int first, int end) {
    first = std::max(first, b_.Left() - x0_);
    end = std::min(end, b_.Right() + 1 - x0_);
    if (first >= end) return false;
    kept_ = first;
    x0_ += first;
    count_ = end - first;
    return true;
  }

  // Walks in from both ends of rows top .. bottom with rowAt (which blends a partly weighted
  // row itself and answers true for a fully weighted one) until the band of full rows is
  // reached, then blends it.
  template <typename RowAt>
  void Rows(int top, int bottom, RowAt rowAt) {
    while (top <= bottom && !rowAt(top)) ++top;
    while (bottom > top && !rowAt(bottom)) --bottom;
    if (top <= bottom) BlendBand(top, bottom);
  }

  bool VerticalRow(int y) {
    const double t = (y - s_.y0) * q_.uy;
    if (!(t >= -q_.e && t <= q_.len + q_.e)) return false;
    if (!aa_) return true;
    const double lead = Clamp01(t + 0.5), tail = Clamp01(q_.len - t + 0.5);
    if (lead == 1.0 && tail == 1.0) return true;
    for (int i = 0; i < count_; ++i) row_[i] = WeightOf(across_[kept_ + i] * lead * tail, a_);
    BlendRow(y, row_);
    return false;
  }

  bool HorizontalRow(int y) {
    const double n = (y - s_.y0) * q_.ux;
    if (!(n >= -q_.hw - q_.e && n <= q_.hw + q_.e)) return false;
    if (!aa_) return true;
    const double across = Clamp01(q_.hw + 0.5 - std::fabs(n));
    if (across == 1.0) return true;
    const uint32_t plain = WeightOf(across, a_);
    for (int i = 0; i < count_; ++i) {
      const double lead = lead_[kept_ + i], tail = tail_[kept_ + i];
      row_[i] = lead == 1.0 && tail == 1.0 ? plain : WeightOf(across * lead * tail, a_);
    }
    BlendRow(y, row_);
    return false;
  }

  // Splits weights[0 .. count_) into runs of equal, non-zero weight; returns their number.
  int RunsOf(const uint32_t* weights, Run* runs) const {
    int n = 0;
    for (int i = 0; i < count_;) {
      int end = i + 1;
      while (end < count_ && weights[end] == weights[i]) ++end;
      if (weights[i] != 0) runs[n++] = {i, end - i, weights[i]};
      i = end;
    }
    return n;
  }

  // Row y, columns x0_ .. x0_ + count_ - 1 with their weights.
  void BlendRow(int y, const uint32_t* weights) {
    uint32_t* p = px_ + y * S + x0_;
    if (count_ <= ShortRow) {  // the end of a narrow line: runs do not pay
      for (int i = 0; i < count_; ++i)
        if (weights[i] != 0) b_.Blend(p[i], weights[i]);
      return;
    }
    const int n = RunsOf(weights, runs_);
    for (int r = 0; r < n; ++r) BlendRun(p + runs_[r].offset, runs_[r].length, runs_[r].weight);
  }

  // Rows top .. bottom with the full weights, one run after the other down the band: a run
  // is a strip of a few columns for the lines the displays draw, and its rows stay cached
  // for the next strip.
  void BlendBand(int top, int bottom) {
    const int n = RunsOf(full_ + kept_, runs_);
    for (int r = 0; r < n; ++r) {
      const Run& run = runs_[r];
      uint32_t* const first = px_ + top * S + x0_ + run.offset;
      uint32_t* const last = px_ + bottom * S + x0_ + run.offset;
      if (run.weight < 256 && run.length == 1) {
        b_.VSpan(x0_ + run.offset, top, bottom, run.weight);
      } else if (run.weight < 256) {
        const Blender::Weighted weighted(b_, run.weight);
        for (uint32_t* p = first; p <= last; p += S)
          for (int i = 0; i < run.length; ++i) p[i] = weighted.Over(p[i]);
      } else {
        FillStrip(first, last, run.length, b_.Solid());
      }
    }
  }

  // Stores the colour into columns [0, length) of the rows from first to last.
  static void FillStrip(uint32_t* first, uint32_t* last, int length, uint32_t solid) {
    switch (length) {
      case 1:
        return FillStrip<1>(first, last, solid);
      case 2:
        return FillStrip<2>(first, last, solid);
      case 3:
        return FillStrip<3>(first, last, solid);
      case 4:
        return FillStrip<4>(first, last, solid);
      default:
        for (uint32_t* p = first; p <= last; p += S) FillPixels(p, static_cast<size_t>(length), solid);
    }
  }
  template <int Length>
  static void FillStrip(uint32_t* first, uint32_t* last, uint32_t solid) {
    for (uint32_t* p = first; p <= last; p += S)
      for (int i = 0; i < Length; ++i) p[i] = solid;
  }

  void BlendRun(uint32_t* p, int n, uint32_t w) const {
    if (w >= 256) {
      FillPixels(p, static_cast<size_t>(n), b_.Solid());
      return;
    }
    const Blender::Weighted weighted(b_, w);
    for (int i = 0; i < n; ++i) p[i] = weighted.Over(p[i]);
  }

  const Blender& b_;
  uint32_t* px_;
  const Seg& s_;
  const Quad& q_;
  const bool aa_;
  const uint32_t a_;
  int x0_ = 0, count_ = 0, kept_ = 0;
  // Per column worked out (those kept start at kept_): the weight across (vertical) or the two
  // along (horizontal) and the weight in the full band; per column kept: the weights of a partly
  // weighted row and the runs of a row.
  double across_[W], lead_[W], tail_[W];
  uint32_t full_[W], row_[W];
  Run runs_[W];
};

bool AlongAnAxis(const Quad& q) { return q.ux == 0.0 || q.uy == 0.0; }

// A wide segment along a row or a column as its rectangle.
void ThickRect(const Blender& b, uint32_t* px, const Seg& s, const Quad& q, bool antialias) {
  AxisRect rect(b, px, s, q, antialias);
  if (q.ux == 0.0)
    rect.Vertical();
  else
    rect.Horizontal();
}

// Wide line: a rectangle when it runs along a row or a column, else the quad.
void Thick(const Blender& b, uint32_t* px, const Seg& s, double width, bool antialias) {
  Quad q;
  if (!MakeQuad(s, width, antialias, b, q)) return;
  if (AlongAnAxis(q))
    ThickRect(b, px, s, q, antialias);
  else
    ThickQuad(b, s, q, antialias);
}

bool Finite(const Vec2& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// Points far outside are cut back to the buffer plus a margin that the line's width and soft
// edge cannot cross; false when nothing of the segment is left.
bool ClipToMargin(Seg& s, double margin) {
  const double lo = -margin, right = W - 1 + margin, bottom = H - 1 + margin;
  const bool inside = s.x0 >= lo && s.x0 <= right && s.x1 >= lo && s.x1 <= right && s.y0 >= lo &&
                      s.y0 <= bottom && s.y1 >= lo && s.y1 <= bottom;
  return inside || ClipSegment(s, lo, lo, right, bottom);
}

double MarginFor(double width) { return width <= 1.0 ? 2.0 : width * 0.5 + 2.0; }

}  // namespace

bool DrawWideSegment(WideRaster raster, uint32_t* pixels, Vec2 a, Vec2 b, float width, bool antialias,
                     uint32_t argb) {
  const Blender blender(pixels, argb, WholeBuffer);
  const double w = std::min(static_cast<double>(width), MaxWidth);
  Seg s{a.x, a.y, b.x, b.y};
  if (!(w > 1.0) || !Finite(a) || !Finite(b) || blender.Alpha256() == 0) return false;
  if (!ClipToMargin(s, MarginFor(w))) return true;
  Quad q;
  if (!MakeQuad(s, w, antialias, blender, q)) return true;
  if (raster == WideRaster::Quad)
    ThickQuad(blender, s, q, antialias);
  else if (AlongAnAxis(q))
    ThickRect(blender, pixels, s, q, antialias);
  else
    return false;
  return true;
}

Line::Line(Device& device) : device_(device) {}
Line::~Line() = default;

void Line::SetWidth(float width) {
  if (std::isfinite(width) && width > 0.0f) width_ = width;
}
float Line::GetWidth() const { return width_; }
void Line::SetAntialias(bool on) { antialias_ = on; }
bool Line::GetAntialias() const { return antialias_; }
void Line::SetGLLines(bool on) { glLines_ = on; }
bool Line::GetGLLines() const { return glLines_; }

bool Line::Begin() {
  if (begun_) return false;
  begun_ = true;
  return true;
}

bool Line::End() {
  if (!begun_) return false;
  begun_ = false;
  return true;
}

bool Line::Draw(const Vec2* points, int count, uint32_t argb) {
  if (!points || count < 2) return false;
  if ((argb >> 24) == 0) return true;  // fully transparent: nothing to blend
  Device::Impl& d = device_.impl();
  d.drawing.AddLine(points, count, argb, width_, antialias_);
  d.DrawUnlessLogged();
  return true;
}

void RasterLine(uint32_t* pixels, const Vec2* points, int count, uint32_t argb, float lineWidth, bool antialias,
                const RectI& area) {
  const Blender blender(pixels, argb, area);
  if (blender.Alpha256() == 0) return;
  const double width = std::min(static_cast<double>(lineWidth), MaxWidth);
  const bool thin = width <= 1.0;
  const double margin = MarginFor(width);
  const double lo = -margin, right = W - 1 + margin, bottom = H - 1 + margin;
  const double reach = margin + 1.0;  // rows a segment can touch beyond its end points
  for (int i = 0; i + 1 < count; ++i) {
    if (!Finite(points[i]) || !Finite(points[i + 1])) continue;
    Seg s{points[i].x, points[i].y, points[i + 1].x, points[i + 1].y};
    const bool inside = s.x0 >= lo && s.x0 <= right && s.x1 >= lo && s.x1 <= right && s.y0 >= lo &&
                        s.y0 <= bottom && s.y1 >= lo && s.y1 <= bottom;
    if (!inside && !ClipSegment(s, lo, lo, right, bottom)) continue;
    // A segment that cannot reach the area drawn leaves it as it is.
    if (std::max(s.y0, s.y1) + reach < blender.Top() || std::min(s.y0, s.y1) - reach > blender.Last() ||
        std::max(s.x0, s.x1) + reach < blender.Left() || std::min(s.x0, s.x1) - reach > blender.Right())
      continue;
    const bool last = i + 2 == count;
    if (!thin)
      Thick(blender, pixels, s, width, antialias);
    else if (antialias)
      ThinWu(blender, pixels, s, !last);
    else
      ThinPlain(blender, pixels, s, !last);
  }
}

}  // namespace scene
