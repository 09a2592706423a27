// Geometry types of the GUI library: points and rectangles in pixels.
#pragma once

struct TPoint {
  int X = 0;
  int Y = 0;
  TPoint() = default;
  TPoint(int x, int y) : X(x), Y(y) {}
  bool operator==(const TPoint&) const = default;
};

// A rectangle whose Right and Bottom edges lie just outside it (Width = Right - Left).
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  TRect() = default;
  TRect(int left, int top, int right, int bottom) : Left(left), Top(top), Right(right), Bottom(bottom) {}
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool Contains(const TPoint& p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool operator==(const TRect&) const = default;
};

inline TRect Rect(int left, int top, int right, int bottom) { return TRect(left, top, right, bottom); }
inline TRect Bounds(int left, int top, int width, int height) {
  return TRect(left, top, left + width, top + height);
}
inline TPoint Point(int x, int y) { return TPoint(x, y); }
