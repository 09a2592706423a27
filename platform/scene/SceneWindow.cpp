// Presentation of the device on its window, and blits from class-library bitmaps.
#include "platform/scene/Scene.h"
#include "platform/scene/SceneInternal.h"
#include "platform/vcl/Native.h"

#include <QPointer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace scene {

namespace {

// The window's widget, watched so that a destroyed window is never touched again.
struct WindowLink {
  QPointer<QWidget> widget;
};

WindowLink* LinkOf(Device::Impl& device) { return static_cast<WindowLink*>(device.windowLink.get()); }

// With RT_REPORT_FIRST_FRAME set, stderr gets one line when a window first paints a presented frame,
// for the start-up benchmark.
void ReportFirstFrameShown(const Device::Impl& device) {
  static bool reported = false;
  if (reported || device.front.isNull()) return;
  reported = true;
  if (std::getenv("RT_REPORT_FIRST_FRAME")) {
    std::fputs("first presented frame shown\n", stderr);
    std::fflush(stderr);
  }
}

}  // namespace

void AttachWindow(Device::Impl& device) {
  if (!device.window) return;
  auto link = std::shared_ptr<void>(new WindowLink{NativeWidget(device.window)},
                                    [](void* p) { delete static_cast<WindowLink*>(p); });
  device.windowLink = link;
  const Device::Impl* d = &device;
  // Once a frame is presented it is stretched over every pixel of the window.
  SetPaintHandler(
      device.window,
      [d](QPainter& painter, const QRect& client) {
        painter.save();
        painter.translate(client.topLeft());
        PaintFront(*d, painter, client.width(), client.height());
        painter.restore();
        ReportFirstFrameShown(*d);
      },
      [d] { return !d->front.isNull(); });
}

void DetachWindow(Device::Impl& device) {
  WindowLink* link = LinkOf(device);
  if (link && link->widget) SetPaintHandler(device.window, {});
}

void Device::Impl::RequestRepaint() {
  WindowLink* link = LinkOf(*this);
  if (!link || !link->widget) return;
  QWidget* widget = link->widget;
  for (const RectI& part : changedParts) {
    const RectI area = WindowArea(part, widget->width(), widget->height());
    widget->update(QRect(area.left, area.top, area.Width(), area.Height()));  // the window joins them
  }
}

bool Device::StretchBlit(TBitmap* bitmap, const RectI& dest) {
  if (!bitmap || bitmap->Width() <= 0 || bitmap->Height() <= 0) return false;
  const QImage& image = NativeImage(bitmap);
  if (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32) {
    return StretchBlit(reinterpret_cast<const uint32_t*>(image.constBits()), image.width(), image.height(),
                       static_cast<int>(image.bytesPerLine()), {0, 0, image.width(), image.height()}, dest);
  }
  const QImage converted = image.convertToFormat(QImage::Format_RGB32);
  return StretchBlit(reinterpret_cast<const uint32_t*>(converted.constBits()), converted.width(),
                     converted.height(), static_cast<int>(converted.bytesPerLine()),
                     {0, 0, converted.width(), converted.height()}, dest);
}

}  // namespace scene
