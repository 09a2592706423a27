// The line object: polylines rasterised straight into the back buffer's pixels.
//
// Pixel centres lie on integer coordinates. Thin lines (width <= 1) step along their
// major axis: plain ones set the nearest pixel, antialiased ones split each step between
// the two nearest pixels (Wu). Axis-aligned thin lines are blended as spans. Wider lines
// are filled quads around the segment; with antialiasing their edges are weighted by
// coverage. Inside a polyline every segment but the last leaves out its end pixel so
// joints are not blended twice.
#include "platform/scene/Scene.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace scene {

namespace {

constexpr int W = BackBufferWidth;
constexpr int H = BackBufferHeight;
constexpr double MaxWidth = 4096.0;  // wider lines cover the whole buffer anyway

// Blends one colour into pixels with a weight of 0..256.
class Blender {
public:
    Blender(uint32_t* pixels, uint32_t argb)
        : px_(pixels),
          rb_(argb & 0x00FF00FFu),
          g_(argb & 0x0000FF00u),
          solid_(argb | 0xFF000000u),
          alpha256_(static_cast<uint32_t>(argb >> 24) + (argb >> 31)) {}

    uint32_t Alpha256() const { return alpha256_; }

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
        if (a == 0 || static_cast<unsigned>(x) >= static_cast<unsigned>(W) ||
            static_cast<unsigned>(y) >= static_cast<unsigned>(H))
            return;
        Blend(px_[y * W + x], a);
    }

    // Row y, columns x0..x1 inclusive, clipped.
    void HSpan(int y, int x0, int x1, uint32_t a) const {
        if (a == 0 || static_cast<unsigned>(y) >= static_cast<unsigned>(H)) return;
        if (x0 > x1) std::swap(x0, x1);
        x0 = std::max(x0, 0);
        x1 = std::min(x1, W - 1);
        uint32_t* p = px_ + y * W;
        if (a >= 256) {
            std::fill(p + x0, p + x1 + 1, solid_);
            return;
        }
        for (int x = x0; x <= x1; ++x) Blend(p[x], a);
    }

    // Column x, rows y0..y1 inclusive, clipped.
    void VSpan(int x, int y0, int y1, uint32_t a) const {
        if (a == 0 || static_cast<unsigned>(x) >= static_cast<unsigned>(W)) return;
        if (y0 > y1) std::swap(y0, y1);
        y0 = std::max(y0, 0);
        y1 = std::min(y1, H - 1);
        uint32_t* p = px_ + x;
        for (int y = y0; y <= y1; ++y) Blend(p[y * W], a);
    }

private:
    uint32_t* px_;
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

inline int Round(double v) { return static_cast<int>(std::floor(v + 0.5)); }

constexpr int FixShift = 16;
constexpr double FixOne = 65536.0;
inline int64_t ToFix(double v) { return static_cast<int64_t>(std::floor(v * FixOne)); }

// Thin plain line: the nearest pixel per step along the major axis.
void ThinPlain(const Blender& b, const Seg& s, bool skipLast) {
    const uint32_t a = b.Alpha256();
    const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
    const bool xMajor = std::fabs(dx) >= std::fabs(dy);
    const double major0 = xMajor ? s.x0 : s.y0, major1 = xMajor ? s.x1 : s.y1;
    const double minor0 = xMajor ? s.y0 : s.x0;
    const double dMajor = xMajor ? dx : dy, dMinor = xMajor ? dy : dx;
    const int i0 = Round(major0), i1 = Round(major1);
    const int step = i1 >= i0 ? 1 : -1;
    int count = std::abs(i1 - i0) + (skipLast ? 0 : 1);
    if (count <= 0) return;
    if (dMinor == 0.0) {  // axis-aligned: one span
        const int m = Round(minor0);
        const int last = i0 + step * (count - 1);
        if (xMajor)
            b.HSpan(m, i0, last, a);
        else
            b.VSpan(m, i0, last, a);
        return;
    }
    const double slope = dMinor / dMajor;
    int64_t mf = ToFix(minor0 + (i0 - major0) * slope + 0.5);
    const int64_t inc = ToFix(slope * step);
    for (int i = i0; count > 0; --count, i += step, mf += inc) {
        const int m = static_cast<int>(mf >> FixShift);
        if (xMajor)
            b.Plot(i, m, a);
        else
            b.Plot(m, i, a);
    }
}

// Thin antialiased line: each step split between the two nearest pixels.
void ThinWu(const Blender& b, const Seg& s, bool skipLast) {
    const uint32_t a = b.Alpha256();
    const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
    const bool xMajor = std::fabs(dx) >= std::fabs(dy);
    const double major0 = xMajor ? s.x0 : s.y0, major1 = xMajor ? s.x1 : s.y1;
    const double minor0 = xMajor ? s.y0 : s.x0;
    const double dMajor = xMajor ? dx : dy, dMinor = xMajor ? dy : dx;
    const int i0 = Round(major0), i1 = Round(major1);
    const int step = i1 >= i0 ? 1 : -1;
    int count = std::abs(i1 - i0) + (skipLast ? 0 : 1);
    if (count <= 0) return;
    const double slope = dMajor == 0.0 ? 0.0 : dMinor / dMajor;
    int64_t mf = ToFix(minor0 + (i0 - major0) * slope);
    if (dMinor == 0.0) {  // axis-aligned: two spans with fixed weights
        const int m = static_cast<int>(mf >> FixShift);
        const uint32_t f = static_cast<uint32_t>(mf & 0xFFFF);
        const uint32_t a1 = static_cast<uint32_t>((static_cast<uint64_t>(a) * f) >> FixShift);
        const uint32_t a0 = a - a1;
        const int last = i0 + step * (count - 1);
        if (xMajor) {
            b.HSpan(m, i0, last, a0);
            b.HSpan(m + 1, i0, last, a1);
        } else {
            b.VSpan(m, i0, last, a0);
            b.VSpan(m + 1, i0, last, a1);
        }
        return;
    }
    const int64_t inc = ToFix(slope * step);
    for (int i = i0; count > 0; --count, i += step, mf += inc) {
        const int m = static_cast<int>(mf >> FixShift);
        const uint32_t f = static_cast<uint32_t>(mf & 0xFFFF);
        const uint32_t a1 = static_cast<uint32_t>((static_cast<uint64_t>(a) * f) >> FixShift);
        const uint32_t a0 = a - a1;
        if (xMajor) {
            b.Plot(i, m, a0);
            b.Plot(i, m + 1, a1);
        } else {
            b.Plot(m, i, a0);
            b.Plot(m + 1, i, a1);
        }
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

// Wide line: the quad of half width hw around the segment, row by row.
void Thick(const Blender& b, const Seg& s, double width, bool antialias) {
    const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
    const double len = std::sqrt(dx * dx + dy * dy);
    if (!(len > 1e-9)) return;
    const double ux = dx / len, uy = dy / len;  // along the segment
    const double hw = width * 0.5;
    const double e = antialias ? 0.5 : 0.0;     // reach of the soft edge
    const double reach = hw + e + 1.0;
    const int yTop = std::max(0, static_cast<int>(std::floor(std::min(s.y0, s.y1) - reach)));
    const int yBot = std::min(H - 1, static_cast<int>(std::ceil(std::max(s.y0, s.y1) + reach)));
    const uint32_t a = b.Alpha256();
    for (int y = yTop; y <= yBot; ++y) {
        const double ry = y - s.y0;
        // t(x) = (x - x0) * ux + ry * uy ; n(x) = -(x - x0) * uy + ry * ux
        double xa = 0.0, xb = W - 1.0;
        if (!NarrowRange(ux, -s.x0 * ux + ry * uy, -e, len + e, xa, xb)) continue;
        if (!NarrowRange(-uy, s.x0 * uy + ry * ux, -hw - e, hw + e, xa, xb)) continue;
        const int x0 = static_cast<int>(std::ceil(xa));
        const int x1 = static_cast<int>(std::floor(xb));
        if (x0 > x1) continue;
        if (!antialias) {
            b.HSpan(y, x0, x1, a);
            continue;
        }
        double t = (x0 - s.x0) * ux + ry * uy;
        double n = -(x0 - s.x0) * uy + ry * ux;
        for (int x = x0; x <= x1; ++x, t += ux, n -= uy) {
            const double cover = Clamp01(hw + 0.5 - std::fabs(n)) * Clamp01(t + 0.5) *
                                 Clamp01(len - t + 0.5);
            b.Plot(x, y, static_cast<uint32_t>(cover * a + 0.5));
        }
    }
}

bool Finite(const Vec2& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

}  // namespace

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
    const Blender blender(device_.BackBuffer(), argb);
    if (blender.Alpha256() == 0) return true;
    const double width = std::min(static_cast<double>(width_), MaxWidth);
    const bool thin = width <= 1.0;
    const double margin = thin ? 2.0 : width * 0.5 + 2.0;
    for (int i = 0; i + 1 < count; ++i) {
        if (!Finite(points[i]) || !Finite(points[i + 1])) continue;
        Seg s{points[i].x, points[i].y, points[i + 1].x, points[i + 1].y};
        if (!ClipSegment(s, -margin, -margin, W - 1 + margin, H - 1 + margin)) continue;
        const bool last = i + 2 == count;
        if (!thin)
            Thick(blender, s, width, antialias_);
        else if (antialias_)
            ThinWu(blender, s, !last);
        else
            ThinPlain(blender, s, !last);
    }
    return true;
}

}  // namespace scene
