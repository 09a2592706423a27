// Panels, images and timers.
#include <QTimer>

#include <algorithm>

#include "platform/rtl/Classes.h"
#include "platform/vcl/Internal.h"
#include "platform/vcl/TestHooks.h"

// ---- Panel ----
TPanel::TPanel(TComponent* AOwner) : TWinControl(AOwner) {
  auto* widget = new vcl::ControlWidget(this);
  widget->resize(185, 41);
  widget->setAttribute(Qt::WA_OpaquePaintEvent);  // paints its whole area itself
  SetWidget(widget);
}

void TPanel::SetCaption(const std::string& caption) { TControl::SetCaption(caption); }

void TPanel::SetBevelOuter(TBevelCut bevel) {
  bevelOuter_ = bevel;
  Invalidate();
}

void TPanel::SetBevelInner(TBevelCut bevel) {
  bevelInner_ = bevel;
  Invalidate();
}

void TPanel::SetBevelWidth(int width) {
  bevelWidth_ = std::max(1, width);
  Invalidate();
}

void TPanel::SetBorderStyle(TBorderStyle style) {
  borderStyle_ = style;
  Invalidate();
}

void TPanel::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  Invalidate();
}

namespace {
// One bevel ring: light top-left and dark bottom-right when raised, the other way when lowered.
void DrawBevel(QPainter& painter, QRect& r, TBevelCut cut, int width) {
  if (cut == bvNone) return;
  QColor light = vcl::ToQColor(clBtnHighlight), dark = vcl::ToQColor(clBtnShadow);
  if (cut == bvLowered) std::swap(light, dark);
  for (int i = 0; i < width && r.width() > 1 && r.height() > 1; ++i) {
    if (cut != bvSpace) {
      painter.setPen(light);
      painter.drawLine(r.left(), r.top(), r.right(), r.top());
      painter.drawLine(r.left(), r.top(), r.left(), r.bottom());
      painter.setPen(dark);
      painter.drawLine(r.right(), r.top(), r.right(), r.bottom());
      painter.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    }
    r.adjust(1, 1, -1, -1);
  }
}
}  // namespace

void TPanel::Paint(QPainter& painter) {
  QRect r = Widget()->rect();
  painter.fillRect(r, vcl::ToQColor(Color()));
  if (borderStyle_ == bsSingle) {
    painter.setPen(vcl::ToQColor(clWindowFrame));
    painter.drawRect(r.adjusted(0, 0, -1, -1));
    r.adjust(1, 1, -1, -1);
  }
  DrawBevel(painter, r, bevelOuter_, bevelWidth_);
  DrawBevel(painter, r, bevelInner_, bevelWidth_);
  if (!Caption().empty()) vcl::DrawText(painter, *Font(), r, Caption(), alignment_, tlCenter, false);
}

// ---- Image ----
TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), picture_(new TPicture) {
  auto* widget = new vcl::ControlWidget(this);
  widget->resize(105, 105);
  SetWidget(widget);
  picture_->OnChange = [this] { PictureChanged(); };
}

TImage::~TImage() { picture_->OnChange = nullptr; }

TCanvas* TImage::Canvas() {
  if (!picture_->Graphic()) {
    TBitmap* bitmap = picture_->Bitmap();
    bitmap->SetPixelFormat(pf32bit);
    bitmap->SetSize(std::max(1, Width()), std::max(1, Height()));
  }
  return picture_->Bitmap()->Canvas();
}

void TImage::SetStretch(bool on) {
  stretch_ = on;
  Invalidate();
}

void TImage::SetProportional(bool on) {
  proportional_ = on;
  Invalidate();
}

void TImage::SetCenter(bool on) {
  center_ = on;
  Invalidate();
}

void TImage::SetTransparent(bool on) {
  transparent_ = on;
  if (picture_->Graphic()) picture_->Bitmap()->SetTransparent(on);
  Invalidate();
}

void TImage::SetAutoSize(bool on) {
  autoSize_ = on;
  PictureChanged();
}

void TImage::PictureChanged() {
  if (autoSize_ && picture_->Graphic()) SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
  Invalidate();
}

void TImage::Paint(QPainter& painter) {
  TGraphic* graphic = picture_->Graphic();
  if (!graphic) return;
  TBitmap* bitmap = picture_->Bitmap();
  const QImage& image = *VclInternals::Image(bitmap);
  int cw = Width(), ch = Height(), pw = image.width(), ph = image.height();
  QRect dest(0, 0, pw, ph);
  if (stretch_) {
    dest = QRect(0, 0, cw, ch);
    if (proportional_) {
      double scale = std::min(double(cw) / pw, double(ch) / ph);
      dest = QRect(0, 0, std::max(1, int(pw * scale)), std::max(1, int(ph * scale)));
    }
  }
  if (center_) dest.moveTo((cw - dest.width()) / 2, (ch - dest.height()) / 2);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(dest, vcl::DrawableImage(bitmap, transparent_ || bitmap->Transparent()));
}

// ---- Timer ----
TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  vcl::EnsureApplication();
  timer_ = new QTimer;
  timer_->setTimerType(Qt::PreciseTimer);
  QObject::connect(timer_, &QTimer::timeout, timer_, [this] { vcl::Guarded([this] { Tick(); }); });
  Update();
}

TTimer::~TTimer() {
  timer_->stop();
  delete timer_;
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Update();
}

void TTimer::SetInterval(unsigned milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  Update();
}

void TTimer::Update() {
  if (enabled_ && interval_ > 0)
    timer_->start(static_cast<int>(std::min<unsigned>(interval_, 0x7FFFFFFF)));
  else
    timer_->stop();
}

namespace {
std::function<bool(const TTimer*)> heldTimerTicks;  // test hook, GUI thread only
}  // namespace

void VclTest::HoldTimerTicks(std::function<bool(const TTimer*)> held) { heldTimerTicks = std::move(held); }

void TTimer::Tick() {
  // A tick under a dispatch hold is dropped: the timer keeps running and ticks again.
  if (MainThreadDispatchHeld() || (heldTimerTicks && heldTimerTicks(this))) return;
  if (OnTimer) OnTimer(this);
}
