// Colours, fonts, pens, brushes, bitmaps, pictures and the canvas that draws on them.
//
// Conventions of the whole GUI library (see Controls.h): a property X is read by X() and written by
// SetX(value); sub-objects (Font, Pen, Brush, Canvas, Picture) are returned as pointers owned by
// their holder; events are public std::function members named OnX.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Classes.h"
#include "platform/vcl/Types.h"

class QImage;
class QPainter;
struct VclInternals;

// ---- Colours: 0x00BBGGRR (red in the low byte); 0x80000000 + index is a system colour ----
using TColor = int32_t;

constexpr TColor RGB(int r, int g, int b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(TColor c) { return c & 0xFF; }
constexpr int GetGValue(TColor c) { return (c >> 8) & 0xFF; }
constexpr int GetBValue(TColor c) { return (c >> 16) & 0xFF; }

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clSystemColor = static_cast<TColor>(0x80000000);
constexpr TColor clScrollBar = clSystemColor | 0;
constexpr TColor clBackground = clSystemColor | 1;
constexpr TColor clActiveCaption = clSystemColor | 2;
constexpr TColor clInactiveCaption = clSystemColor | 3;
constexpr TColor clMenu = clSystemColor | 4;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowFrame = clSystemColor | 6;
constexpr TColor clMenuText = clSystemColor | 7;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clCaptionText = clSystemColor | 9;
constexpr TColor clActiveBorder = clSystemColor | 10;
constexpr TColor clInactiveBorder = clSystemColor | 11;
constexpr TColor clAppWorkSpace = clSystemColor | 12;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clInactiveCaptionText = clSystemColor | 19;
constexpr TColor clBtnHighlight = clSystemColor | 20;
constexpr TColor cl3DDkShadow = clSystemColor | 21;
constexpr TColor cl3DLight = clSystemColor | 22;
constexpr TColor clInfoText = clSystemColor | 23;
constexpr TColor clInfoBk = clSystemColor | 24;

// Resolves a system colour through the fixed system-colour table; other colours are returned as
// they are (0x00BBGGRR). An unknown system index gives black.
TColor ColorToRGB(TColor color);

// ---- Font, pen, brush ----
enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;  // a set of TFontStyle bits

// A font description. Height < 0 is the character height in pixels, Height > 0 the cell height
// (ascent + descent); Size is in points at 96 pixels per inch (Height = -Size * 96 / 72).
class TFont {
 public:
  TFont();
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name);
  int Size() const;
  void SetSize(int points);
  int Height() const { return height_; }
  void SetHeight(int height);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style);
  void Assign(const TFont* source);

  std::function<void()> OnChange;  // after any change

 private:
  void Changed();
  std::string name_ = "Tahoma";
  int height_ = -11;
  TColor color_ = clWindowText;
  TFontStyles style_ = 0;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };
class TPen {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor color) { color_ = color; }
  int Width() const { return width_; }
  void SetWidth(int width) { width_ = width < 1 ? 1 : width; }
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle style) { style_ = style; }
  void Assign(const TPen* source);

 private:
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
};

enum TBrushStyle { bsSolid, bsClear };
class TBrush {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor color);  // also makes the brush solid, as a colour assignment does
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle style) { style_ = style; }
  void Assign(const TBrush* source);

 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
};

struct TSize {
  int cx = 0;
  int cy = 0;
};

class TBitmap;

// Draws on a bitmap (or, while a control paints, on that control). Coordinates are pixels; a
// rectangle's right and bottom edges are excluded. Drawing on an empty bitmap does nothing.
class TCanvas {
 public:
  TCanvas();
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TFont* Font() { return font_.get(); }
  TPen* Pen() { return pen_.get(); }
  TBrush* Brush() { return brush_.get(); }

  TPoint PenPos() const { return penPos_; }
  void SetPenPos(TPoint p) { penPos_ = p; }
  void MoveTo(int X, int Y);
  void LineTo(int X, int Y);  // from PenPos to (X, Y), the end point excluded; PenPos := (X, Y)
  void Polyline(const std::vector<TPoint>& points);
  void Polygon(const std::vector<TPoint>& points);  // filled with the brush, outlined with the pen
  void Rectangle(int X1, int Y1, int X2, int Y2);   // filled with the brush, outlined with the pen
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void FillRect(const TRect& r);   // brush only
  void FrameRect(const TRect& r);  // one-pixel frame in the brush colour
  void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
  void Ellipse(int X1, int Y1, int X2, int Y2);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }

  // Text at (X, Y) = top-left of the text cell, in Font; the background is filled with the brush
  // unless Brush->Style() is bsClear.
  void TextOut(int X, int Y, const std::string& text);
  void TextRect(const TRect& clip, int X, int Y, const std::string& text);  // clipped to the rectangle
  int TextWidth(const std::string& text);
  int TextHeight(const std::string& text);
  TSize TextExtent(const std::string& text);

  void Draw(int X, int Y, const TBitmap* bitmap);  // honours the bitmap's Transparent flag
  void StretchDraw(const TRect& dest, const TBitmap* bitmap);
  void CopyRect(const TRect& dest, TCanvas* source, const TRect& src);

  // Reads outside the drawing surface give clNone-like CLR_INVALID (0xFFFFFFFF); writes there are ignored.
  TColor Pixels(int X, int Y) const;
  void SetPixels(int X, int Y, TColor color);

  std::function<void()> OnChange;  // after each drawing operation

 private:
  friend struct VclInternals;
  friend class TBitmap;
  class Painter;
  bool Ready() const;
  void Changed();
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
  TPoint penPos_;
  QImage* image_ = nullptr;      // the bitmap's pixels when drawing on a bitmap
  QPainter* painter_ = nullptr;  // an active painter while a control paints
  TRect paintArea_;              // the surface rectangle while painter_ is set
};

constexpr TColor CLR_INVALID = static_cast<TColor>(0xFFFFFFFF);

// ---- Graphics ----
class TGraphic {
 public:
  virtual ~TGraphic() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  bool Empty() const { return Width() == 0 || Height() == 0; }
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

// A pixel store. pf24bit rows hold B,G,R bytes; pf32bit and pfDevice rows hold B,G,R,X bytes (the
// fourth byte is not used as transparency when drawing). ScanLine(row) gives row `row` from the top.
class TBitmap : public TGraphic {
 public:
  TBitmap();
  ~TBitmap() override;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  int Width() const override;
  int Height() const override;
  void SetWidth(int width);
  void SetHeight(int height);
  void SetSize(int width, int height);  // keeps the pixels that fit; new pixels are white
  TPixelFormat PixelFormat() const { return format_; }
  void SetPixelFormat(TPixelFormat format);
  void* ScanLine(int row);  // raises Exception when row is outside 0..Height-1
  TCanvas* Canvas();

  // Transparent drawing: pixels of TransparentColor (default: the bottom-left pixel) are not drawn.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  TColor TransparentColor() const;
  void SetTransparentColor(TColor color);

  void Assign(const TBitmap* source);                  // copies pixels, format and transparency; null empties
  void LoadFromFile(const std::string& fileName);      // raises Exception when the file cannot be read
  void SaveToFile(const std::string& fileName) const;  // BMP; raises Exception when it cannot be written
  void SaveToStream(TStream* stream) const;            // BMP bytes at the stream's position
  void LoadFromStream(TStream* stream);  // from the stream's position; raises Exception when unreadable
  void Dormant() {}
  void FreeImage() {}

  std::function<void()> OnChange;  // after a size change, Assign, load or canvas drawing

 private:
  friend struct VclInternals;
  void Changed();
  void Reformat(int width, int height, TPixelFormat format);
  std::unique_ptr<QImage> image_;
  std::unique_ptr<TCanvas> canvas_;
  TPixelFormat format_ = pfDevice;
  bool transparent_ = false;
  bool transparentColorSet_ = false;
  TColor transparentColor_ = clNone;
};

// Holds one graphic (a bitmap here; pictures loaded from JPEG, PNG and other files become bitmaps).
class TPicture {
 public:
  TPicture();
  ~TPicture();
  TBitmap* Bitmap();  // the picture's bitmap, created empty when there is none
  void SetBitmap(const TBitmap* bitmap) { Assign(bitmap); }
  TGraphic* Graphic() const;           // null when empty
  void Assign(const TBitmap* source);  // copies; null clears the picture
  void Assign(const TPicture* source);
  void LoadFromFile(const std::string& fileName);  // BMP, JPEG, PNG, ...; raises Exception on failure
  void SaveToFile(const std::string& fileName) const;
  int Width() const;
  int Height() const;

  std::function<void()> OnChange;

 private:
  void Changed();
  std::unique_ptr<TBitmap> bitmap_;
};
