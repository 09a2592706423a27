// Forms, frames and scroll boxes.
#include <QCoreApplication>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

#include "platform/vcl/Internal.h"

// ---- Form ----
TForm::TForm(TComponent* AOwner) : TWinControl(AOwner) {
  SetVisible(false);
  auto* widget = new vcl::ControlWidget(this);
  widget->resize(320, 240);
  widget->setAttribute(Qt::WA_OpaquePaintEvent);  // paints its whole area itself
  SetWidget(widget);
  vcl::RegisterForm(this);
  ApplyWindowFlags();
}

TForm::~TForm() {
  destroying_ = true;
  if (OnDestroy) vcl::Guarded([this] { OnDestroy(this); });
  Application->FormDestroyed(this);
  vcl::UnregisterForm(this);
}

void TForm::AfterConstruction() {
  if (created_) return;
  created_ = true;
  if (OnCreate) OnCreate(this);
}

void TForm::SetParent(TWinControl* parent) {
  TControl::SetParent(parent);
  if (!parent) ApplyWindowFlags();
}

void TForm::SetCaption(const std::string& caption) {
  TControl::SetCaption(caption);
  std::string title = caption;
  std::replace(title.begin(), title.end(), '\r', ' ');
  std::replace(title.begin(), title.end(), '\n', ' ');
  Widget()->setWindowTitle(vcl::ToQ(title));
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == borderStyle_) return;
  borderStyle_ = style;
  ApplyWindowFlags();
}

void TForm::SetFormStyle(TFormStyle style) {
  if (style == formStyle_) return;
  formStyle_ = style;
  ApplyWindowFlags();
}

void TForm::ApplyWindowFlags() {
  if (Parent()) return;
  Qt::WindowFlags flags = Qt::Window;
  switch (borderStyle_) {
    case bsNone:
      flags |= Qt::FramelessWindowHint;
      break;
    case bsToolWindow:
    case bsSizeToolWin:
      flags = Qt::Tool;
      break;
    case bsDialog:
      flags = Qt::Dialog;
      break;
    default:
      break;
  }
  if (formStyle_ == fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
  if (Widget()->windowFlags() == flags) return;
  Widget()->setWindowFlags(flags);  // hides the window
  ApplyVisibility();
}

TWindowState TForm::WindowState() const {
  if (Widget()->isMaximized()) return wsMaximized;
  if (Widget()->isMinimized()) return wsMinimized;
  return wsNormal;
}

void TForm::SetWindowState(TWindowState state) {
  Qt::WindowStates s = state == wsMaximized   ? Qt::WindowMaximized
                       : state == wsMinimized ? Qt::WindowMinimized
                                              : Qt::WindowNoState;
  Widget()->setWindowState(s);
}

void TForm::SetModalResult(TModalResult result) { modalResult_ = result; }

bool TForm::Active() const { return Widget()->isActiveWindow(); }

void TForm::ApplyVisibility() {
  if (Visible()) {
    if (!created_) AfterConstruction();
    if (!Parent() && !positioned_) {
      positioned_ = true;
      if (position_ == poScreenCenter || position_ == poDesktopCenter ||
          (position_ == poMainFormCenter && !Application->MainForm())) {
        Widget()->move((Screen->Width() - Width()) / 2, (Screen->Height() - Height()) / 2);
      } else if (position_ == poMainFormCenter || position_ == poOwnerFormCenter) {
        TForm* center = Application->MainForm();
        if (position_ == poOwnerFormCenter)
          if (auto* f = dynamic_cast<TForm*>(Owner())) center = f;
        if (center && center != this)
          Widget()->move(center->Left() + (center->Width() - Width()) / 2,
                         center->Top() + (center->Height() - Height()) / 2);
      }
    }
  }
  TControl::ApplyVisibility();
}

void TForm::Shown() {
  if (shownNow_) return;
  shownNow_ = true;
  if (OnShow) OnShow(this);
}

void TForm::Hidden() {
  if (!shownNow_) return;
  shownNow_ = false;
  if (OnHide && !destroying_) OnHide(this);
}

void TForm::SetBounds(int left, int top, int width, int height) {
  if ((width != Width() || height != Height()) && OnCanResize) {
    int w = width, h = height;
    bool allowed = true;
    OnCanResize(this, w, h, allowed);
    if (allowed) {
      width = w;
      height = h;
    } else {
      width = Width();
      height = Height();
    }
  }
  TControl::SetBounds(left, top, width, height);
}

void VclInternals::UserResized(TForm* form) {
  QWidget* w = form->Widget();
  int width = w->width(), height = w->height();
  if ((width != form->lastWidth_ || height != form->lastHeight_) && form->OnCanResize) {
    int nw = width, nh = height;
    bool allowed = true;
    form->OnCanResize(form, nw, nh, allowed);
    if (!allowed) {
      nw = form->lastWidth_;
      nh = form->lastHeight_;
    }
    if (nw != width || nh != height) w->resize(nw, nh);
  }
  form->SizeMaybeChanged();
}

void TForm::Close() {
  if (modal_) {
    modalResult_ = mrCancel;
    return;
  }
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  if (!canClose) return;
  TCloseAction action = caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (Application->MainForm() == this) {
    Application->Terminate();
    return;
  }
  if (action == caMinimize)
    Widget()->showMinimized();
  else if (action == caFree)
    Release();
  else
    Hide();
}

void TForm::Release() {
  Hide();
  QPointer<QWidget> alive(Widget());
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [this, alive] {
        if (alive) delete this;
      },
      Qt::QueuedConnection);
}

TModalResult TForm::ShowModal() {
  modal_ = true;
  modalResult_ = mrNone;
  QPointer<QWidget> alive(Widget());
  Widget()->setWindowModality(Qt::ApplicationModal);
  Show();
  while (alive) {
    if (modalResult_ != mrNone) {
      bool canClose = true;
      if (OnCloseQuery) vcl::Guarded([&] { OnCloseQuery(this, canClose); });
      TCloseAction action = caHide;
      if (canClose && OnClose) vcl::Guarded([&] { OnClose(this, action); });
      if (canClose && action != caNone) break;
      modalResult_ = mrNone;
    }
    if (Application->Terminated() || Application->DialogsDismissed() || !Visible()) {
      if (modalResult_ == mrNone) modalResult_ = mrCancel;
      break;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    vcl::Guarded([] { CheckSynchronize(); });
  }
  if (!alive) return mrCancel;
  TModalResult result = modalResult_;
  modal_ = false;
  Widget()->setWindowModality(Qt::NonModal);
  Hide();
  return result;
}

void TForm::Paint(QPainter& painter) {
  painter.fillRect(Widget()->rect(), vcl::ToQColor(Color()));
  if (OnPaint) OnPaint(this);
}

// ---- Frame ----
TFrame::TFrame(TComponent* AOwner) : TWinControl(AOwner) {
  auto* widget = new vcl::ControlWidget(this);
  widget->resize(320, 240);
  SetWidget(widget);
}

void TFrame::Paint(QPainter& painter) {
  if (ColorSet()) painter.fillRect(Widget()->rect(), vcl::ToQColor(Color()));
}

// ---- Scroll box ----
int TControlScrollBar::Position() const { return bar_ ? static_cast<QScrollBar*>(bar_)->value() : 0; }

void TControlScrollBar::SetPosition(int position) {
  if (bar_) static_cast<QScrollBar*>(bar_)->setValue(position);
}

int TControlScrollBar::Range() const { return bar_ ? static_cast<QScrollBar*>(bar_)->maximum() : 0; }

TScrollBox::TScrollBox(TComponent* AOwner) : TWinControl(AOwner) {
  auto* area = new QScrollArea;
  area->resize(185, 41);
  inner_ = new vcl::ControlWidget(this);  // paints the box's colour, when one is set
  area->setWidget(inner_);
  area->setWidgetResizable(false);
  horz_.bar_ = area->horizontalScrollBar();
  vert_.bar_ = area->verticalScrollBar();
  SetWidget(area);
  UpdateRange();
}

TScrollBox::~TScrollBox() = default;

QWidget* TScrollBox::ClientWidget() const { return inner_; }

void TScrollBox::Paint(QPainter& painter) {
  if (ColorSet()) painter.fillRect(inner_->rect(), vcl::ToQColor(Color()));
}

void TScrollBox::InsertChild(TControl* child) {
  TWinControl::InsertChild(child);
  UpdateRange();
}

// The inner area covers the viewport and every child, so the scroll bars reach all of them. The
// viewport is worked out from the box's own size (a hidden box's viewport keeps a stale size until
// it is shown), so that children that fit show no scroll bar.
void TScrollBox::UpdateRange() {
  auto* area = static_cast<QScrollArea*>(Widget());
  int childrenWidth = 0, childrenHeight = 0;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    childrenWidth = std::max(childrenWidth, c->Left() + c->Width());
    childrenHeight = std::max(childrenHeight, c->Top() + c->Height());
  }
  const QRect contents = area->contentsRect();
  const int bar = area->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, area);
  bool horizontal = childrenWidth > contents.width();
  const bool vertical = childrenHeight > contents.height() - (horizontal ? bar : 0);
  horizontal = horizontal || (vertical && childrenWidth > contents.width() - bar);
  const int viewportWidth = contents.width() - (vertical ? bar : 0);
  const int viewportHeight = contents.height() - (horizontal ? bar : 0);
  inner_->resize(std::max(childrenWidth, viewportWidth), std::max(childrenHeight, viewportHeight));
}
