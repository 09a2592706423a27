// Colours, fonts, pens, brushes, the canvas, bitmaps and pictures over QImage and QPainter.
#include <QBuffer>
#include <QFontMetrics>
#include <QImageReader>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "platform/rtl/FileText.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Internal.h"

// ---- Colours ----
namespace {
// The fixed system-colour table (index = low byte of a system colour), values 0x00BBGGRR.
constexpr TColor kSystemColors[] = {
    0xC8D0D4,  // scroll bar
    0xA56E3A,  // desktop background
    0x6A240A,  // active caption
    0x808080,  // inactive caption
    0xC8D0D4,  // menu
    0xFFFFFF,  // window
    0x646464,  // window frame (not black, so frames stay visible on black masks)
    0x000000,  // menu text
    0x000000,  // window text
    0xFFFFFF,  // caption text
    0xC8D0D4,  // active border
    0xC8D0D4,  // inactive border
    0x808080,  // application workspace
    0x6A240A,  // highlight
    0xFFFFFF,  // highlight text
    0xC8D0D4,  // button face
    0x808080,  // button shadow
    0x808080,  // grey text
    0x000000,  // button text
    0xC8D0D4,  // inactive caption text
    0xFFFFFF,  // button highlight
    0x404040,  // 3D dark shadow
    0xC8D0D4,  // 3D light
    0x000000,  // info text
    0xE1FFFF,  // info background
};
}  // namespace

TColor ColorToRGB(TColor color) {
  if (color < 0) {
    unsigned index = static_cast<unsigned>(color) & 0xFF;
    if ((static_cast<unsigned>(color) & 0xFFFFFF00u) == 0x80000000u && index < std::size(kSystemColors))
      return kSystemColors[index];
    return clBlack;
  }
  if (color == clNone) return clBlack;
  if (color == clDefault) return kSystemColors[5];
  return color & 0xFFFFFF;
}

// ---- Font ----
TFont::TFont() = default;

void TFont::SetName(const std::string& name) {
  if (name == name_) return;
  name_ = name;
  Changed();
}

int TFont::Size() const {
  // Height = -Size * 96 / 72, rounded as the class library does.
  return static_cast<int>(std::lround(-height_ * 72.0 / 96.0));
}

void TFont::SetSize(int points) { SetHeight(-static_cast<int>(std::lround(points * 96.0 / 72.0))); }

void TFont::SetHeight(int height) {
  if (height == height_) return;
  height_ = height;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TFont::SetStyle(TFontStyles style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TFont::Assign(const TFont* source) {
  if (!source || source == this) return;
  name_ = source->name_;
  height_ = source->height_;
  color_ = source->color_;
  style_ = source->style_;
  Changed();
}

void TFont::Changed() {
  if (OnChange) OnChange();
}

void TPen::Assign(const TPen* source) {
  if (!source) return;
  color_ = source->color_;
  width_ = source->width_;
  style_ = source->style_;
}

void TBrush::SetColor(TColor color) {
  color_ = color;
  style_ = bsSolid;
}

void TBrush::Assign(const TBrush* source) {
  if (!source) return;
  color_ = source->color_;
  style_ = source->style_;
}

// ---- Qt conversions of the graphics types ----
namespace vcl {

QColor ToQColor(TColor color) {
  TColor rgb = ColorToRGB(color);
  return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor FromQColor(const QColor& color) { return RGB(color.red(), color.green(), color.blue()); }

// A positive font height is the cell height: find the largest pixel size whose line height fits.
static int PixelSizeForCellHeight(const QFont& base, int cellHeight) {
  static std::map<std::tuple<QString, int, bool, bool>, int> cache;
  auto key = std::make_tuple(base.family(), cellHeight, base.bold(), base.italic());
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  int size = cellHeight;
  for (; size > 1; --size) {
    QFont f(base);
    f.setPixelSize(size);
    if (QFontMetrics(f).height() <= cellHeight) break;
  }
  cache[key] = size;
  return size;
}

QFont ToQFont(const TFont& font) {
  EnsureApplication();
  QFont f(ToQ(font.Name()));
  f.setBold(font.Style() & fsBold);
  f.setItalic(font.Style() & fsItalic);
  f.setUnderline(font.Style() & fsUnderline);
  f.setStrikeOut(font.Style() & fsStrikeOut);
  int h = font.Height();
  if (h < 0) {
    f.setPixelSize(-h);
  } else if (h > 0) {
    f.setPixelSize(PixelSizeForCellHeight(f, h));
  } else {
    f.setPixelSize(11);
  }
  return f;
}

}  // namespace vcl

// ---- Canvas ----
namespace {

QPen MakePen(TPen* pen) {
  if (pen->Style() == psClear) return QPen(Qt::NoPen);
  QPen p(vcl::ToQColor(pen->Color()));
  p.setWidth(pen->Width());
  p.setCapStyle(Qt::FlatCap);
  p.setJoinStyle(Qt::MiterJoin);
  switch (pen->Style()) {
    case psDash:
      p.setStyle(Qt::DashLine);
      break;
    case psDot:
      p.setStyle(Qt::DotLine);
      break;
    case psDashDot:
      p.setStyle(Qt::DashDotLine);
      break;
    case psDashDotDot:
      p.setStyle(Qt::DashDotDotLine);
      break;
    default:
      break;
  }
  return p;
}

QBrush MakeBrush(TBrush* brush) {
  if (brush->Style() == bsClear) return QBrush(Qt::NoBrush);
  return QBrush(vcl::ToQColor(brush->Color()));
}

}  // namespace

// The image to draw for a bitmap: with transparency, pixels of its transparent colour become clear.
QImage vcl::DrawableImage(const TBitmap* bitmap, bool transparent) {
  const QImage* src = VclInternals::Image(bitmap);
  if (!transparent) return *src;
  QImage out = src->convertToFormat(QImage::Format_ARGB32);
  QRgb key = vcl::ToQColor(bitmap->TransparentColor()).rgb() & 0xFFFFFF;
  for (int y = 0; y < out.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x)
      if ((row[x] & 0xFFFFFF) == key) row[x] = 0;
  }
  return out;
}

// Opens a painter on the canvas's surface for one operation.
class TCanvas::Painter {
 public:
  explicit Painter(TCanvas* canvas) : canvas_(canvas) {
    if (canvas->painter_) {
      p_ = canvas->painter_;
      p_->save();
    } else if (canvas->image_ && !canvas->image_->isNull()) {
      own_.begin(canvas->image_);
      p_ = &own_;
    }
    if (p_) p_->setRenderHint(QPainter::Antialiasing, false);
  }
  ~Painter() {
    if (!p_) return;
    if (p_ == &own_)
      own_.end();
    else
      p_->restore();
    canvas_->Changed();
  }
  QPainter* operator->() { return p_; }
  QPainter& operator*() { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  TCanvas* canvas_;
  QPainter own_;
  QPainter* p_ = nullptr;
};

TCanvas::TCanvas() : font_(new TFont), pen_(new TPen), brush_(new TBrush) {}
TCanvas::~TCanvas() = default;

bool TCanvas::Ready() const { return painter_ || (image_ && !image_->isNull()); }

void TCanvas::Changed() {
  if (OnChange) OnChange();
}

void TCanvas::MoveTo(int X, int Y) { penPos_ = TPoint(X, Y); }

void TCanvas::LineTo(int X, int Y) {
  TPoint from = penPos_;
  penPos_ = TPoint(X, Y);
  Painter p(this);
  if (!p || pen_->Style() == psClear) return;
  p->setPen(MakePen(pen_.get()));
  // A flat-capped line leaves its end point out, as the class library's LineTo does.
  if (from.X != X || from.Y != Y) p->drawLine(from.X, from.Y, X, Y);
}

namespace {
QPolygon ToPolygon(const std::vector<TPoint>& points) {
  QPolygon poly;
  for (const TPoint& pt : points) poly << QPoint(pt.X, pt.Y);
  return poly;
}
}  // namespace

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  if (points.empty()) return;
  Painter p(this);
  if (!p) return;
  const QPolygon poly = ToPolygon(points);
  p->setPen(MakePen(pen_.get()));
  p->drawPolyline(poly);
  penPos_ = points.back();
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  if (points.empty()) return;
  Painter p(this);
  if (!p) return;
  const QPolygon poly = ToPolygon(points);
  p->setPen(MakePen(pen_.get()));
  p->setBrush(MakeBrush(brush_.get()));
  p->drawPolygon(poly);
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
  if (X2 < X1) std::swap(X1, X2);
  if (Y2 < Y1) std::swap(Y1, Y2);
  if (X2 == X1 || Y2 == Y1) return;
  Painter p(this);
  if (!p) return;
  if (pen_->Style() == psClear) {
    if (brush_->Style() != bsClear) p->fillRect(QRect(X1, Y1, X2 - X1, Y2 - Y1), MakeBrush(brush_.get()));
    return;
  }
  p->setPen(MakePen(pen_.get()));
  p->setBrush(MakeBrush(brush_.get()));
  p->drawRect(QRect(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1));
}

void TCanvas::FillRect(const TRect& r) {
  if (r.IsEmpty() || brush_->Style() == bsClear) return;
  Painter p(this);
  if (!p) return;
  p->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), MakeBrush(brush_.get()));
}

void TCanvas::FrameRect(const TRect& r) {
  if (r.IsEmpty()) return;
  Painter p(this);
  if (!p) return;
  p->setPen(QPen(vcl::ToQColor(brush_->Color()), 1));
  p->setBrush(Qt::NoBrush);
  p->drawRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
}

void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) {
  if (X2 <= X1 || Y2 <= Y1) return;
  Painter p(this);
  if (!p) return;
  p->setPen(MakePen(pen_.get()));
  p->setBrush(MakeBrush(brush_.get()));
  p->drawRoundedRect(QRect(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1), X3 / 2.0, Y3 / 2.0);
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
  if (X2 < X1) std::swap(X1, X2);
  if (Y2 < Y1) std::swap(Y1, Y2);
  if (X2 == X1 || Y2 == Y1) return;
  Painter p(this);
  if (!p) return;
  p->setPen(MakePen(pen_.get()));
  p->setBrush(MakeBrush(brush_.get()));
  p->drawEllipse(QRect(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1));
}

void TCanvas::TextOut(int X, int Y, const std::string& text) {
  Painter p(this);
  if (!p) return;
  QFont f = vcl::ToQFont(*font_);
  QFontMetrics fm(f);
  QString s = vcl::ToQ(text);
  int w = fm.horizontalAdvance(s);
  if (brush_->Style() != bsClear) p->fillRect(QRect(X, Y, w, fm.height()), MakeBrush(brush_.get()));
  p->setFont(f);
  p->setPen(vcl::ToQColor(font_->Color()));
  p->drawText(X, Y + fm.ascent(), s);
  penPos_ = TPoint(X + w, Y);
}

void TCanvas::TextRect(const TRect& clip, int X, int Y, const std::string& text) {
  Painter p(this);
  if (!p) return;
  QRect c(clip.Left, clip.Top, clip.Width(), clip.Height());
  p->setClipRect(c);
  QFont f = vcl::ToQFont(*font_);
  QFontMetrics fm(f);
  if (brush_->Style() != bsClear) p->fillRect(c, MakeBrush(brush_.get()));
  p->setFont(f);
  p->setPen(vcl::ToQColor(font_->Color()));
  p->drawText(X, Y + fm.ascent(), vcl::ToQ(text));
}

TSize TCanvas::TextExtent(const std::string& text) {
  vcl::EnsureApplication();
  QFontMetrics fm(vcl::ToQFont(*font_));
  return TSize{fm.horizontalAdvance(vcl::ToQ(text)), fm.height()};
}

int TCanvas::TextWidth(const std::string& text) { return TextExtent(text).cx; }
int TCanvas::TextHeight(const std::string& text) { return TextExtent(text).cy; }

void TCanvas::Draw(int X, int Y, const TBitmap* bitmap) {
  if (!bitmap || bitmap->Empty()) return;
  Painter p(this);
  if (!p) return;
  p->drawImage(X, Y, vcl::DrawableImage(bitmap, bitmap->Transparent()));
}

void TCanvas::StretchDraw(const TRect& dest, const TBitmap* bitmap) {
  if (!bitmap || bitmap->Empty() || dest.IsEmpty()) return;
  Painter p(this);
  if (!p) return;
  p->setRenderHint(QPainter::SmoothPixmapTransform, false);
  p->drawImage(QRect(dest.Left, dest.Top, dest.Width(), dest.Height()),
               vcl::DrawableImage(bitmap, bitmap->Transparent()));
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& src) {
  if (!source || !source->image_ || source->image_->isNull() || dest.IsEmpty() || src.IsEmpty()) return;
  QImage part = source->image_->copy(QRect(src.Left, src.Top, src.Width(), src.Height()));
  Painter p(this);
  if (!p) return;
  p->drawImage(QRect(dest.Left, dest.Top, dest.Width(), dest.Height()), part);
}

TColor TCanvas::Pixels(int X, int Y) const {
  if (!image_ || image_->isNull() || !image_->valid(X, Y)) return CLR_INVALID;
  return vcl::FromQColor(image_->pixelColor(X, Y));
}

void TCanvas::SetPixels(int X, int Y, TColor color) {
  if (painter_) {
    Painter p(this);
    p->setPen(QPen(vcl::ToQColor(color), 1));
    p->drawPoint(X, Y);
    return;
  }
  if (!image_ || image_->isNull() || !image_->valid(X, Y)) return;
  image_->setPixelColor(X, Y, vcl::ToQColor(color));
  Changed();
}

// ---- Bitmap ----
namespace {
QImage::Format QtFormat(TPixelFormat format) {
  return format == pf24bit ? QImage::Format_BGR888 : QImage::Format_RGB32;
}
}  // namespace

TBitmap::TBitmap() : image_(new QImage), canvas_(new TCanvas) {
  canvas_->image_ = image_.get();
  canvas_->OnChange = [this] { Changed(); };
}

TBitmap::~TBitmap() = default;

int TBitmap::Width() const { return image_->width(); }
int TBitmap::Height() const { return image_->height(); }
void TBitmap::SetWidth(int width) { SetSize(width, Height()); }
void TBitmap::SetHeight(int height) { SetSize(Width(), height); }
void TBitmap::SetSize(int width, int height) { Reformat(width, height, format_); }

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == format_) return;
  Reformat(Width(), Height(), format);
}

void TBitmap::Reformat(int width, int height, TPixelFormat format) {
  width = std::max(0, width);
  height = std::max(0, height);
  if (width == Width() && height == Height() && QtFormat(format) == image_->format() && format == format_)
    return;
  format_ = format;
  if (width == 0 || height == 0) {
    *image_ = QImage();
  } else {
    QImage next(width, height, QtFormat(format));
    if (next.isNull())
      throw Exception("Out of memory for a bitmap of " + std::to_string(width) + " x " +
                      std::to_string(height));
    next.fill(Qt::white);
    if (!image_->isNull()) {
      QPainter p(&next);
      p.setCompositionMode(QPainter::CompositionMode_Source);
      p.drawImage(0, 0, *image_);
    }
    *image_ = std::move(next);
  }
  Changed();
}

void* TBitmap::ScanLine(int row) {
  if (row < 0 || row >= Height()) throw Exception("Scan line index out of range");
  return image_->scanLine(row);
}

TCanvas* TBitmap::Canvas() { return canvas_.get(); }

void TBitmap::SetTransparent(bool on) {
  if (on == transparent_) return;
  transparent_ = on;
  Changed();
}

TColor TBitmap::TransparentColor() const {
  if (transparentColorSet_) return transparentColor_;
  if (image_->isNull()) return clDefault;
  return vcl::FromQColor(image_->pixelColor(0, image_->height() - 1));
}

void TBitmap::SetTransparentColor(TColor color) {
  transparentColor_ = color;
  transparentColorSet_ = true;
  Changed();
}

void TBitmap::Assign(const TBitmap* source) {
  if (source == this) return;
  if (!source) {
    *image_ = QImage();
  } else {
    // Shared until either side is written: every write (painter, pixel, scan line) detaches.
    *image_ = *source->image_;
    format_ = source->format_;
    transparent_ = source->transparent_;
    transparentColorSet_ = source->transparentColorSet_;
    transparentColor_ = source->transparentColor_;
  }
  Changed();
}

namespace {
// Keeps the pixel store in one of the two layouts the bitmap promises.
void Adopt(QImage& target, TPixelFormat& format, const QImage& loaded) {
  if (loaded.format() == QImage::Format_RGB888 || loaded.format() == QImage::Format_BGR888 ||
      loaded.depth() < 24) {
    format = loaded.depth() < 24 ? pfDevice : pf24bit;
  } else {
    format = pf32bit;
  }
  target = loaded.convertToFormat(QtFormat(format));
}
}  // namespace

void TBitmap::LoadFromFile(const std::string& fileName) {
  if (rtl_detail::ExistsButIsNotRegular(PlatformPath(fileName)))  // a FIFO would hold the reader for ever
    throw Exception("Cannot load the picture \"" + fileName + "\": not a regular file");
  QImageReader reader(vcl::ToQ(PlatformPath(fileName)));
  QImage loaded = reader.read();
  if (loaded.isNull())
    throw Exception("Cannot load the picture \"" + fileName + "\": " + vcl::FromQ(reader.errorString()));
  Adopt(*image_, format_, loaded);
  Changed();
}

void TBitmap::SaveToFile(const std::string& fileName) const {
  if (!image_->save(vcl::ToQ(PlatformPath(fileName)), "BMP"))
    throw Exception("Cannot write the bitmap \"" + fileName + "\"");
}

void TBitmap::SaveToStream(TStream* stream) const {
  if (!stream) return;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image_->save(&buffer, "BMP")) throw Exception("Cannot write the bitmap to a stream");
  stream->WriteBuffer(bytes.constData(), bytes.size());
}

void TBitmap::LoadFromStream(TStream* stream) {
  if (!stream) return;
  int64_t size = stream->Size() - stream->Position();
  QByteArray bytes(static_cast<qsizetype>(std::max<int64_t>(0, size)), '\0');
  stream->ReadBuffer(bytes.data(), bytes.size());
  QImage loaded;
  if (!loaded.loadFromData(bytes)) throw Exception("Cannot read a bitmap from the stream");
  Adopt(*image_, format_, loaded);
  Changed();
}

void TBitmap::Changed() {
  if (OnChange) OnChange();
}

// ---- Picture ----
TPicture::TPicture() = default;
TPicture::~TPicture() = default;

TBitmap* TPicture::Bitmap() {
  if (!bitmap_) {
    bitmap_ = std::make_unique<TBitmap>();
    bitmap_->OnChange = [this] { Changed(); };
  }
  return bitmap_.get();
}

TGraphic* TPicture::Graphic() const { return bitmap_ && !bitmap_->Empty() ? bitmap_.get() : nullptr; }

void TPicture::Assign(const TBitmap* source) {
  if (!source) {
    bitmap_.reset();
    Changed();
    return;
  }
  if (source == bitmap_.get()) return;
  Bitmap()->Assign(source);
}

void TPicture::Assign(const TPicture* source) {
  if (source == this) return;
  Assign(source ? source->bitmap_.get() : nullptr);
}

void TPicture::LoadFromFile(const std::string& fileName) { Bitmap()->LoadFromFile(fileName); }

void TPicture::SaveToFile(const std::string& fileName) const {
  if (!bitmap_) throw Exception("Cannot write an empty picture to \"" + fileName + "\"");
  bitmap_->SaveToFile(fileName);
}

int TPicture::Width() const { return bitmap_ ? bitmap_->Width() : 0; }
int TPicture::Height() const { return bitmap_ ? bitmap_->Height() : 0; }

void TPicture::Changed() {
  if (OnChange) OnChange();
}
