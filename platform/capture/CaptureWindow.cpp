// Capture drivers and capture windows over the synthetic camera. A window keeps its state here; while a
// GUI application runs it also has a child widget that shows the preview frames.
#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <set>

#include "platform/capture/Capture.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Native.h"

namespace capture {
namespace {

std::vector<DriverInfo>& Drivers() {
  static std::vector<DriverInfo> drivers = {
      {"Test pattern camera", "1.0", PatternWidth, PatternHeight, true}};
  return drivers;
}

}  // namespace

bool GetDriverDescription(int index, std::string& name, std::string& version) {
  if (index < 0 || index >= int(Drivers().size())) return false;
  name = Drivers()[size_t(index)].name;
  version = Drivers()[size_t(index)].version;
  return true;
}

void SetInstalledDrivers(const std::vector<DriverInfo>& drivers) { Drivers() = drivers; }
std::vector<DriverInfo> InstalledDrivers() { return Drivers(); }

int MenuBarHeight() { return 20; }
int CaptionHeight() { return 23; }

// ---------------------------------------------------------------------------------------------------------

class CaptureWindow {
 public:
  std::string title;
  int id = 0;
  int width = 0, height = 0;
  CaptureStatus status;
  unsigned frames = 0;
  QImage frame;  // the frame shown last
  QPointer<QWidget> widget;
  QTimer* timer = nullptr;  // owned by the widget
};

namespace {

std::set<const CaptureWindow*>& LiveWindows() {
  static std::set<const CaptureWindow*> windows;
  return windows;
}

bool HasGuiApplication() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

// The preview widget: the last frame, stretched to the widget when scaling is on, else at its size.
class PreviewWidget : public QWidget {
 public:
  PreviewWidget(CaptureWindow* window, QWidget* parent) : QWidget(parent), window_(window) {
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (window_->frame.isNull() || !window_->status.previewing) return;
    if (window_->status.scaled)
      painter.drawImage(rect(), window_->frame);
    else
      painter.drawImage(0, 0, window_->frame);
  }

 private:
  CaptureWindow* window_;
};

void UpdateTimer(CaptureWindow* window) {
  if (!window->timer) return;
  const bool run = window->status.previewing && window->status.connectedDriver >= 0;
  if (run) {
    window->timer->start(window->status.previewRateMs > 0 ? window->status.previewRateMs : 33);
  } else {
    window->timer->stop();
  }
  if (window->widget) window->widget->update();
}

CaptureWindow* Live(CaptureWindow* window) { return IsCaptureWindow(window) ? window : nullptr; }

}  // namespace

CaptureWindow* CreateCaptureWindow(const std::string& title, TWinControl* parent, int x, int y, int w, int h,
                                   int id) {
  auto* window = new CaptureWindow();
  window->title = title;
  window->id = id;
  window->width = w > 0 ? w : 0;
  window->height = h > 0 ? h : 0;
  if (HasGuiApplication()) {
    QWidget* host = parent ? NativeWidget(parent) : nullptr;
    auto* widget = new PreviewWidget(window, host);
    widget->setWindowTitle(QString::fromStdString(title));
    widget->setGeometry(x, y, window->width, window->height);
    window->widget = widget;
    window->timer = new QTimer(widget);
    QObject::connect(window->timer, &QTimer::timeout, widget, [window] { AdvancePreview(window); });
    widget->show();
  }
  LiveWindows().insert(window);
  return window;
}

bool IsCaptureWindow(const CaptureWindow* window) { return window && LiveWindows().count(window) != 0; }

bool DriverConnect(CaptureWindow* window, int index) {
  if (!Live(window)) return false;
  const std::vector<DriverInfo>& drivers = Drivers();
  if (index < 0 || index >= int(drivers.size())) return false;
  if (window->status.connectedDriver >= 0) DriverDisconnect(window);
  const DriverInfo& driver = drivers[size_t(index)];
  if (!driver.accepts) return false;
  window->status.connectedDriver = index;
  window->status.imageWidth = driver.frameWidth;
  window->status.imageHeight = driver.frameHeight;
  window->frame = QImage(driver.frameWidth, driver.frameHeight, QImage::Format_RGBA8888);
  RenderTestPattern(window->frame.bits(), driver.frameWidth, driver.frameHeight,
                    int(window->frame.bytesPerLine()), window->frames);
  UpdateTimer(window);
  return true;
}

bool DriverDisconnect(CaptureWindow* window) {
  if (!Live(window) || window->status.connectedDriver < 0) return false;
  window->status.connectedDriver = -1;
  window->status.imageWidth = window->status.imageHeight = 0;
  window->frame = QImage();
  UpdateTimer(window);
  return true;
}

bool SetPreview(CaptureWindow* window, bool on) {
  if (!Live(window)) return false;
  window->status.previewing = on;
  UpdateTimer(window);
  return true;
}

bool SetPreviewRate(CaptureWindow* window, int milliseconds) {
  if (!Live(window) || milliseconds <= 0) return false;
  window->status.previewRateMs = milliseconds;
  UpdateTimer(window);
  return true;
}

bool SetScale(CaptureWindow* window, bool on) {
  if (!Live(window)) return false;
  window->status.scaled = on;
  if (window->widget) window->widget->update();
  return true;
}

bool GetStatus(const CaptureWindow* window, CaptureStatus& status) {
  if (!IsCaptureWindow(window)) return false;
  status = window->status;
  return true;
}

bool SetWindowSize(CaptureWindow* window, int width, int height) {
  if (!Live(window) || width < 0 || height < 0) return false;
  window->width = width;
  window->height = height;
  if (window->widget) window->widget->resize(width, height);
  return true;
}

bool GetWindowSize(const CaptureWindow* window, int& width, int& height) {
  if (!IsCaptureWindow(window)) return false;
  width = window->width;
  height = window->height;
  return true;
}

unsigned PreviewFrameCount(const CaptureWindow* window) {
  return IsCaptureWindow(window) ? window->frames : 0;
}

bool AdvancePreview(CaptureWindow* window) {
  if (!Live(window) || !window->status.previewing || window->status.connectedDriver < 0 ||
      window->frame.isNull())
    return false;
  ++window->frames;
  RenderTestPattern(window->frame.bits(), window->frame.width(), window->frame.height(),
                    int(window->frame.bytesPerLine()), window->frames);
  if (window->widget) window->widget->update();
  return true;
}

void DestroyCaptureWindow(CaptureWindow* window) {
  if (!IsCaptureWindow(window)) return;
  LiveWindows().erase(window);
  delete window->widget.data();  // also deletes the timer
  delete window;
}

bool ShowSourceDialog(CaptureWindow* window) {
  if (!IsCaptureWindow(window) || window->status.connectedDriver < 0) return false;
  const DriverInfo& driver = Drivers()[size_t(window->status.connectedDriver)];
  MessageBox("Video source: " + driver.name + ", " + driver.version + " (" + std::to_string(driver.frameWidth) +
                 " x " + std::to_string(driver.frameHeight) + ")",
             driver.name, MB_OK);
  return true;
}

}  // namespace capture
