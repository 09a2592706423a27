// Textures and sprites: keyed ARGB images drawn with QPainter into the back buffer.
#include "platform/imaging/Imaging.h"
#include "platform/scene/Scene.h"
#include "platform/scene/SceneInternal.h"
#include "platform/scene/TextureFileCache.h"

#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cmath>

namespace scene {

namespace {

std::string NativePath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

// Scaled channel product: c * m / 255, rounded.
inline uint32_t Mul255(uint32_t c, uint32_t m) {
  const uint32_t t = c * m + 128;
  return (t + (t >> 8)) >> 8;
}

// Decoded RGBA bytes as a texture image; null when decoding failed.
QImage TextureFromDecoded(const imaging::Image& rgba, int width, int height, uint32_t colorKey) {
  if (rgba.Empty() || rgba.depth != 4 || rgba.wide) return {};
  const QImage view(rgba.pixels.data(), rgba.width, rgba.height, rgba.stride, QImage::Format_RGBA8888);
  return MakeTextureImage(view, width, height, colorKey);
}

}  // namespace

QImage MakeTextureImage(const QImage& decoded, int width, int height, uint32_t colorKey) {
  QImage img = decoded.convertToFormat(QImage::Format_ARGB32);
  if (img.isNull()) return {};
  if ((colorKey >> 24) != 0) {
    for (int y = 0; y < img.height(); ++y) {
      auto* row = reinterpret_cast<uint32_t*>(img.scanLine(y));
      for (int x = 0; x < img.width(); ++x)
        if (row[x] == colorKey) row[x] = 0;
    }
  }
  img = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const int w = width > 0 ? width : img.width();
  const int h = height > 0 ? height : img.height();
  if (w != img.width() || h != img.height())
    img = img.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return img;
}

const QImage& Texture::Impl::ModulatedBy(uint32_t rgb) {
  rgb &= 0x00FFFFFFu;
  if (rgb == 0x00FFFFFFu) return image;
  if (rgb == modulatedRgb && !modulated.isNull()) return modulated;
  modulated = image.copy();
  const uint32_t mr = (rgb >> 16) & 0xFF, mg = (rgb >> 8) & 0xFF, mb = rgb & 0xFF;
  for (int y = 0; y < modulated.height(); ++y) {
    auto* row = reinterpret_cast<uint32_t*>(modulated.scanLine(y));
    for (int x = 0; x < modulated.width(); ++x) {
      const uint32_t p = row[x];
      row[x] = (p & 0xFF000000u) | Mul255((p >> 16) & 0xFF, mr) << 16 | Mul255((p >> 8) & 0xFF, mg) << 8 |
               Mul255(p & 0xFF, mb);
    }
  }
  modulatedRgb = rgb;
  return modulated;
}

Texture::Texture() : impl_(std::make_unique<Impl>()) {}
Texture::~Texture() = default;

std::unique_ptr<Texture> Texture::FromFile(const std::string& path, int width, int height, uint32_t colorKey,
                                           std::string* error) {
  if (path.empty()) {
    SetError(error, "no file name");
    return nullptr;
  }
  std::unique_ptr<Texture> t(new Texture());
  // Every display loads the same symbol and marker files: one decode of each serves them all.
  const std::string file = NativePath(path);
  t->impl_->image = SharedTextureImage(file, width, height, colorKey, [&] {
    return TextureFromDecoded(imaging::ReadImage(file, 4, false), width, height, colorKey);
  });
  if (t->impl_->image.isNull()) {
    SetError(error, "cannot read image file " + path);
    return nullptr;
  }
  return t;
}

std::unique_ptr<Texture> Texture::FromMemory(const void* data, size_t size, int width, int height,
                                             uint32_t colorKey, std::string* error) {
  if (!data || size == 0) {
    SetError(error, "no image data");
    return nullptr;
  }
  std::unique_ptr<Texture> t(new Texture());
  t->impl_->image = TextureFromDecoded(imaging::ReadImage(static_cast<const uint8_t*>(data), size, 4, false),
                                       width, height, colorKey);
  if (t->impl_->image.isNull()) {
    SetError(error, "cannot decode image data");
    return nullptr;
  }
  return t;
}

std::unique_ptr<Texture> Texture::FromPixels(const uint32_t* argb, int width, int height, int strideBytes,
                                             int targetWidth, int targetHeight, uint32_t colorKey) {
  if (!argb || width <= 0 || height <= 0 || strideBytes < width * 4) return nullptr;
  const QImage view(reinterpret_cast<const uchar*>(argb), width, height, strideBytes, QImage::Format_ARGB32);
  std::unique_ptr<Texture> t(new Texture());
  t->impl_->image = MakeTextureImage(view, targetWidth, targetHeight, colorKey);
  if (t->impl_->image.isNull()) return nullptr;
  return t;
}

int Texture::Width() const { return impl_->image.width(); }
int Texture::Height() const { return impl_->image.height(); }

uint32_t Texture::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return 0;
  return qUnpremultiply(impl_->image.pixel(x, y));
}

Sprite::Sprite(Device& device) : device_(device) {}
Sprite::~Sprite() = default;

bool Sprite::Begin() {
  if (begun_) return false;
  begun_ = true;
  return true;
}

bool Sprite::End() {
  if (!begun_) return false;
  begun_ = false;
  return true;
}

void Sprite::SetTransform(const Matrix& m) { transform_ = m; }
Matrix Sprite::GetTransform() const { return transform_; }

bool Sprite::Draw(const Texture* texture, const RectI* src, const Vec3* centre, const Vec3* position,
                  uint32_t modulate) {
  if (!texture || texture->Width() <= 0) return false;
  const uint32_t alpha = modulate >> 24;
  if (alpha == 0) return true;
  QRect source(0, 0, texture->Width(), texture->Height());
  if (src) source = source.intersected(QRect(src->left, src->top, src->Width(), src->Height()));
  if (source.isEmpty()) return true;
  const float cx = centre ? centre->x : 0.0f, cy = centre ? centre->y : 0.0f;
  const float px = position ? position->x : 0.0f, py = position ? position->y : 0.0f;
  const double ox = static_cast<double>(px) - cx, oy = static_cast<double>(py) - cy;
  const Matrix& m = transform_;
  const QTransform qt(m.m[0][0], m.m[0][1], m.m[1][0], m.m[1][1], m.m[3][0], m.m[3][1]);
  if (!std::isfinite(ox) || !std::isfinite(oy) || !qt.isInvertible()) return true;
  // Far-away sprites are skipped rather than handed to the painter's fixed-point maths.
  const QRectF bounds = qt.mapRect(QRectF(ox, oy, source.width(), source.height()));
  if (!bounds.intersects(QRectF(0, 0, BackBufferWidth, BackBufferHeight))) return true;

  const QImage& image = const_cast<Texture*>(texture)->impl().ModulatedBy(modulate);
  Device::Impl& d = device_.impl();
  d.drawing.AddSprite(image, source, ox, oy, qt, alpha, bounds);
  d.DrawUnlessLogged();
  return true;
}

void PaintSprite(QImage& back, const QImage& image, const QRect& source, double ox, double oy,
                 const QTransform& transform, uint32_t alpha, const RectI& area) {
  QPainter painter(&back);
  if (area != WholeBuffer) painter.setClipRect(QRect(area.left, area.top, area.Width(), area.Height()));
  painter.setRenderHint(QPainter::SmoothPixmapTransform, !transform.isIdentity());
  painter.setTransform(transform);
  painter.setOpacity(alpha / 255.0);
  painter.drawImage(QPointF(ox, oy), image, source);
}

}  // namespace scene
