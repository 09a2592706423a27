// The scene device: back buffer, clear, scene bracket, present, blits and stored state.
#include "platform/scene/Scene.h"
#include "platform/scene/SceneInternal.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

namespace scene {

namespace {

constexpr qsizetype StrideBytes = BackBufferStride * 4;

QImage WrapPixels(std::vector<uint32_t>& pixels) {
  return QImage(reinterpret_cast<uchar*>(pixels.data()), BackBufferWidth, BackBufferHeight, StrideBytes,
                QImage::Format_RGB32);
}

// The smallest rectangle holding every pixel of the window in which two frames differ; empty when
// they are equal there. The first and last differing rows are found by comparing whole rows from
// either end; in the rows between, only the columns outside the rectangle found so far are
// compared, so that a change across the window costs little more than finding where it starts and
// ends.
RectI DifferingArea(const uint32_t* a, const uint32_t* b, const RectI& window) {
  const int left = window.left, right = window.right;
  const auto rowA = [a](int y) { return a + static_cast<size_t>(y) * BackBufferStride; };
  const auto rowB = [b](int y) { return b + static_cast<size_t>(y) * BackBufferStride; };
  const auto same = [](const uint32_t* p, const uint32_t* q, int count) {
    return count <= 0 || std::memcmp(p, q, static_cast<size_t>(count) * 4) == 0;
  };
  int top = window.top;
  while (top < window.bottom && same(rowA(top) + left, rowB(top) + left, right - left)) ++top;
  if (top == window.bottom) return {};
  int bottom = window.bottom;
  while (bottom - 1 > top && same(rowA(bottom - 1) + left, rowB(bottom - 1) + left, right - left)) --bottom;
  RectI area{right, top, left, bottom};
  for (int y = top; y < bottom; ++y) {
    const uint32_t* ra = rowA(y);
    const uint32_t* rb = rowB(y);
    if (!same(ra + left, rb + left, area.left - left)) {
      int x = left;
      while (ra[x] == rb[x]) ++x;
      area.left = x;
    }
    const int from = std::max(area.right, area.left);
    if (!same(ra + from, rb + from, right - from)) {
      int x = right;
      while (ra[x - 1] == rb[x - 1]) --x;
      area.right = x;
    }
  }
  return area;
}

// The smallest rectangle holding both (an empty one adds nothing).
RectI Union(const RectI& a, const RectI& b) {
  if (a.Width() <= 0) return b;
  if (b.Width() <= 0) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

template <typename Array>
bool InRange(int index, const Array& a) {
  return index >= 0 && index < static_cast<int>(a.size());
}

}  // namespace

Device::Device(TControl* window) : impl_(std::make_unique<Impl>()) {
  impl_->window = window;
  impl_->backPixels.assign(static_cast<size_t>(BackBufferStride) * BackBufferHeight, 0xFF000000u);
  impl_->back = WrapPixels(impl_->backPixels);
  AttachWindow(*impl_);
}

Device::~Device() { DetachWindow(*impl_); }

TControl* Device::Window() const { return impl_->window; }

void Device::Clear(uint32_t argb) { impl_->drawing.StartCleared(argb | 0xFF000000u); }

bool Device::BeginScene() {
  if (impl_->inScene) return false;
  impl_->inScene = true;
  return true;
}

bool Device::EndScene() {
  if (!impl_->inScene) return false;
  impl_->inScene = false;
  return true;
}

bool Device::InScene() const { return impl_->inScene; }

bool Device::Present() {
  Impl& d = *impl_;
  const bool first = d.front.isNull();
  if (first) {
    d.frontPixels.resize(d.backPixels.size());
    d.front = WrapPixels(d.frontPixels);
  }
  ++d.presentCount;
  d.changed = {};
  d.changedParts.clear();
  // The idle loop draws the same frame many times: one that draws exactly what the window shows
  // is not rasterised at all, and of a changed one only the areas that its changes can reach.
  const std::vector<RectI> areas = first ? std::vector<RectI>{WholeBuffer} : d.drawing.ChangedAreas(d.shown);
  if (areas.empty()) {
    if (d.drawing.Started()) d.staleAreas = {WholeBuffer};  // read in the middle: the back buffer holds part of it
    d.drawing.Reset();
    d.backDrawn = false;
    return true;
  }
  if (!first && d.drawing.Describes() && d.shown.Describes() && !d.drawing.Started()) return d.PresentAreas(areas);
  if (d.drawing.Pending()) d.drawing.DrawPending(d);
  if (!first && !d.backDrawn) {  // nothing drawn since the last present: the window shows this frame
    d.drawing.Reset();
    return true;
  }
  const RectI changed = first ? RectI{0, 0, BackBufferWidth, BackBufferHeight}
                              : DifferingArea(d.backPixels.data(), d.frontPixels.data(), WholeBuffer);
  d.ShowBackBuffer(changed, {changed});
  return true;
}

// The areas that the frame's changes can reach are drawn again on the frame on the window, after the
// back buffer is brought up to that frame.
bool Device::Impl::PresentAreas(const std::vector<RectI>& areas) {
  for (const RectI& stale : staleAreas) CopyFrontArea(stale, areas);
  staleAreas.clear();
  RectI changedArea;
  std::vector<RectI> parts;
  for (const RectI& area : areas) {
    drawing.DrawArea(*this, area);
    const RectI part = DifferingArea(backPixels.data(), frontPixels.data(), area);
    if (IsEmpty(part)) continue;
    parts.push_back(part);
    changedArea = Union(changedArea, part);
  }
  backDrawn = true;
  ShowBackBuffer(changedArea, std::move(parts));
  return true;
}

// The back buffer's frame becomes the one on the window; only its pixels that differ from the
// frame there (the area) are repainted, and a frame equal to it needs no repaint.
void Device::Impl::ShowBackBuffer(const RectI& area, std::vector<RectI> parts) {
  std::swap(drawing, shown);
  drawing.Reset();
  backDrawn = false;
  if (area.Width() <= 0) return;  // the back buffer already holds the frame on the window
  std::swap(backPixels, frontPixels);
  std::swap(back, front);
  // The back buffer now holds the frame before, which differs from this one in the parts only.
  changed = area;
  changedParts = std::move(parts);
  staleAreas = changedParts;
  RequestRepaint();
}

int Device::PresentCount() const { return impl_->presentCount; }

RectI Device::ChangedArea() const { return impl_->changed; }

RectI Device::RepaintArea(int width, int height) const { return WindowArea(impl_->changed, width, height); }

std::vector<RectI> Device::RepaintAreas(int width, int height) const {
  std::vector<RectI> areas;
  for (const RectI& part : impl_->changedParts) areas.push_back(WindowArea(part, width, height));
  return areas;
}

RectI WindowArea(const RectI& area, int width, int height) {
  if (area.Width() <= 0 || area.Height() <= 0 || width < 1 || height < 1) return {};
  // A window pixel shows the frame pixel under its centre (or a blend of neighbours when the
  // stretch filters); two pixels of margin cover the filter and the painter's rounding.
  constexpr int Margin = 2;
  const auto lower = [](int v, int size, int full) { return int(int64_t(v) * size / full); };
  const auto upper = [](int v, int size, int full) { return int((int64_t(v) * size + full - 1) / full); };
  return {std::max(0, lower(area.left, width, BackBufferWidth) - Margin),
          std::max(0, lower(area.top, height, BackBufferHeight) - Margin),
          std::min(width, upper(area.right, width, BackBufferWidth) + Margin),
          std::min(height, upper(area.bottom, height, BackBufferHeight) + Margin)};
}

int Device::DrawCount() const { return impl_->drawCount; }

void PaintFront(const Device::Impl& d, QPainter& painter, int width, int height) {
  if (d.front.isNull() || width < 1 || height < 1) return;
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(QRect(0, 0, width, height), d.front);
}

std::vector<uint32_t> Device::GrabPresented(int width, int height) const {
  if (impl_->front.isNull() || width < 1 || height < 1) return {};
  std::vector<uint32_t> out(static_cast<size_t>(width) * height);
  RepaintPresented(out, width, height, {0, 0, width, height});
  return out;
}

void Device::RepaintPresented(std::vector<uint32_t>& screen, int width, int height, const RectI& area) const {
  if (impl_->front.isNull() || width < 1 || height < 1) return;
  if (screen.size() != static_cast<size_t>(width) * height) return;
  QImage target(reinterpret_cast<uchar*>(screen.data()), width, height, qsizetype(width) * 4,
                QImage::Format_RGB32);
  QPainter painter(&target);
  painter.setClipRect(QRect(area.left, area.top, area.Width(), area.Height()));
  PaintFront(*impl_, painter, width, height);
}

uint32_t* Device::BackBuffer() {
  uint32_t* pixels = impl_->Pixels();
  impl_->drawing.Invalidate();  // written to directly: the log no longer tells what the frame holds
  return pixels;
}

const uint32_t* Device::BackBuffer() const { return impl_->Pixels(); }

uint32_t Device::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= BackBufferWidth || y >= BackBufferHeight) return 0;
  return BackBuffer()[y * BackBufferStride + x];
}

bool Device::SaveBackBufferPNG(const std::string& path) const {
  if (path.empty()) return false;
  return impl_->BackImage().save(QString::fromStdString(path), "PNG");
}

bool Device::StretchBlit(const uint32_t* pixels, int width, int height, int strideBytes, const RectI& src,
                         const RectI& dest) {
  if (!pixels || width <= 0 || height <= 0) return false;
  if (std::abs(static_cast<long long>(strideBytes)) < static_cast<long long>(width) * 4) return false;
  if (src.left < 0 || src.top < 0 || src.right > width || src.bottom > height) return false;
  const int sw = src.Width(), sh = src.Height();
  const int dw = dest.Width(), dh = dest.Height();
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return true;  // nothing to copy

  const int x0 = std::max(dest.left, 0), x1 = std::min(dest.right, BackBufferWidth);
  const int y0 = std::max(dest.top, 0), y1 = std::min(dest.bottom, BackBufferHeight);
  if (x0 >= x1 || y0 >= y1) return true;
  impl_->drawing.AddBlit(pixels, strideBytes, src, dest, impl_->shown);
  impl_->DrawUnlessLogged();
  return true;
}

void BlitStretched(uint32_t* out, const uint32_t* pixels, int strideBytes, const RectI& src, const RectI& dest,
                   const RectI& area) {
  const int sw = src.Width(), sh = src.Height();
  const int dw = dest.Width(), dh = dest.Height();
  const int x0 = std::max({dest.left, area.left, 0}), x1 = std::min({dest.right, area.right, BackBufferWidth});
  const int y0 = std::max({dest.top, area.top, 0}), y1 = std::min({dest.bottom, area.bottom, BackBufferHeight});
  if (x0 >= x1) return;
  // Source column of every destination column, sampled at pixel centres.
  std::vector<int> columns(static_cast<size_t>(x1 - x0));
  for (int x = x0; x < x1; ++x) {
    const long long sx = (static_cast<long long>(2 * (x - dest.left) + 1) * sw) / (2LL * dw);
    columns[static_cast<size_t>(x - x0)] = src.left + static_cast<int>(sx);
  }
  const auto* base = reinterpret_cast<const unsigned char*>(pixels);
  long long lastSourceRow = -1;
  for (int y = y0; y < y1; ++y) {
    const long long sy = (static_cast<long long>(2 * (y - dest.top) + 1) * sh) / (2LL * dh);
    uint32_t* dst = out + y * BackBufferStride;
    if (sy == lastSourceRow) {  // a stretched row repeats the one above
      std::memcpy(dst + x0, dst - BackBufferStride + x0, static_cast<size_t>(x1 - x0) * 4);
      continue;
    }
    lastSourceRow = sy;
    const auto* row =
        reinterpret_cast<const uint32_t*>(base + static_cast<std::ptrdiff_t>(src.top + sy) * strideBytes);
    if (sw == dw && dest.left == x0) {  // same width: a straight copy
      CopyOpaque(dst + x0, row + src.left, static_cast<size_t>(x1 - x0));
    } else {
      GatherOpaque(dst + x0, row, columns.data(), static_cast<size_t>(x1 - x0));
    }
  }
}

void Device::SetTransform(TransformKind kind, const Matrix& m) {
  const int i = static_cast<int>(kind);
  if (InRange(i, impl_->transforms)) impl_->transforms[i] = m;
}

Matrix Device::GetTransform(TransformKind kind) const {
  const int i = static_cast<int>(kind);
  return InRange(i, impl_->transforms) ? impl_->transforms[i] : Matrix::Identity();
}

bool Device::SetLight(int index, const Light& light) {
  if (!InRange(index, impl_->lights)) return false;
  impl_->lights[index] = light;
  return true;
}

bool Device::GetLight(int index, Light& light) const {
  if (!InRange(index, impl_->lights)) return false;
  light = impl_->lights[index];
  return true;
}

bool Device::LightEnable(int index, bool enable) {
  if (!InRange(index, impl_->lightEnabled)) return false;
  impl_->lightEnabled[index] = enable;
  return true;
}

bool Device::IsLightEnabled(int index) const {
  return InRange(index, impl_->lightEnabled) && impl_->lightEnabled[index];
}

void Device::SetMaterial(const Material& material) { impl_->material = material; }

Material Device::GetMaterial() const { return impl_->material; }

void Device::SetRenderState(RenderState state, uint32_t value) {
  const int i = static_cast<int>(state);
  if (InRange(i, impl_->renderStates)) impl_->renderStates[i] = value;
}

uint32_t Device::GetRenderState(RenderState state) const {
  const int i = static_cast<int>(state);
  return InRange(i, impl_->renderStates) ? impl_->renderStates[i] : 0;
}

void Device::SetSamplerState(int stage, SamplerState state, uint32_t value) {
  const int i = static_cast<int>(state);
  if (InRange(stage, impl_->samplerStates) && InRange(i, impl_->samplerStates[0]))
    impl_->samplerStates[stage][i] = value;
}

uint32_t Device::GetSamplerState(int stage, SamplerState state) const {
  const int i = static_cast<int>(state);
  if (InRange(stage, impl_->samplerStates) && InRange(i, impl_->samplerStates[0]))
    return impl_->samplerStates[stage][i];
  return 0;
}

void Device::SetTextureStageState(int stage, TextureStageState state, uint32_t value) {
  const int i = static_cast<int>(state);
  if (InRange(stage, impl_->stageStates) && InRange(i, impl_->stageStates[0]))
    impl_->stageStates[stage][i] = value;
}

uint32_t Device::GetTextureStageState(int stage, TextureStageState state) const {
  const int i = static_cast<int>(state);
  if (InRange(stage, impl_->stageStates) && InRange(i, impl_->stageStates[0]))
    return impl_->stageStates[stage][i];
  return 0;
}

void Device::SetTexture(int stage, const Texture* texture) {
  if (InRange(stage, impl_->textures)) impl_->textures[stage] = texture;
}

const Texture* Device::GetTexture(int stage) const {
  return InRange(stage, impl_->textures) ? impl_->textures[stage] : nullptr;
}

}  // namespace scene
