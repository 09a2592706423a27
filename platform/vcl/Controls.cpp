// Components (owner tree), controls (parent tree, bounds, visibility, input) and their Qt widgets.
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPointer>
#include <QResizeEvent>
#include <QWheelEvent>

#include <algorithm>

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Internal.h"
#include "platform/vcl/Native.h"

namespace {

// Which control a widget belongs to.
QHash<const QObject*, TControl*>& WidgetControls() {
  static QHash<const QObject*, TControl*> map;
  return map;
}

// Forwards the events of every control's widget to the control.
class ControlEventFilter : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    TControl* control = WidgetControls().value(watched, nullptr);
    if (!control) return false;
    bool consumed = false;
    QPointer<QObject> alive(watched);
    vcl::Guarded([&] { VclInternals::Dispatch(control, event, consumed); });
    // A handler that deleted the control (or its parent) leaves nothing for Qt to deliver to.
    return consumed || !alive;
  }
};

ControlEventFilter* Filter() {
  static ControlEventFilter* filter = new ControlEventFilter;  // lives as long as the program
  return filter;
}

Qt::CursorShape CursorShape(TCursor cursor) {
  switch (cursor) {
    case crNone:
      return Qt::BlankCursor;
    case crCross:
      return Qt::CrossCursor;
    case crIBeam:
      return Qt::IBeamCursor;
    case crSizeNESW:
      return Qt::SizeBDiagCursor;
    case crSizeNS:
      return Qt::SizeVerCursor;
    case crSizeNWSE:
      return Qt::SizeFDiagCursor;
    case crSizeWE:
      return Qt::SizeHorCursor;
    case crHourGlass:
      return Qt::WaitCursor;
    case crDrag:
      return Qt::DragMoveCursor;
    case crHandPoint:
      return Qt::PointingHandCursor;
    case crSizeAll:
      return Qt::SizeAllCursor;
    default:
      return Qt::ArrowCursor;
  }
}

}  // namespace

// ---- Component ----
TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) return nullptr;
  return components_[static_cast<size_t>(index)];
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameText(c->Name(), name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component->owner_ == this) return;
  if (component->owner_) component->owner_->RemoveComponent(component);
  components_.push_back(component);
  component->owner_ = this;
}

void TComponent::RemoveComponent(TComponent* component) {
  auto it = std::find(components_.begin(), components_.end(), component);
  if (it == components_.end()) return;
  components_.erase(it);
  component->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* last = components_.back();
    components_.pop_back();
    last->owner_ = nullptr;
    delete last;
  }
}

// ---- Control ----
TControl::TControl(TComponent* AOwner) : TComponent(AOwner), font_(new TFont) {
  vcl::EnsureApplication();
  font_->OnChange = [this] {
    if (!applyingParentFont_) parentFont_ = false;
    FontChanged();
    if (auto* win = dynamic_cast<TWinControl*>(this)) {
      for (TControl* child : win->controls_) {
        if (!child->parentFont_) continue;
        child->applyingParentFont_ = true;
        child->font_->Assign(font_.get());
        child->applyingParentFont_ = false;
      }
    }
  };
}

TControl::~TControl() {
  DestroyComponents();
  if (parent_) {
    parent_->RemoveChild(this);
    parent_ = nullptr;
  }
  if (widget_) {
    auto& map = WidgetControls();
    for (auto it = map.begin(); it != map.end();) it = it.value() == this ? map.erase(it) : std::next(it);
    widget_->removeEventFilter(Filter());
    if (auto* cw = dynamic_cast<vcl::ControlWidget*>(widget_)) cw->control = nullptr;
    delete widget_;
    widget_ = nullptr;
  }
}

void TControl::SetWidget(QWidget* widget) {
  widget_ = widget;
  WidgetControls().insert(widget, this);
  widget->installEventFilter(Filter());
  widget->setMouseTracking(true);
  widget->setFont(vcl::ToQFont(*font_));
  lastWidth_ = widget->width();
  lastHeight_ = widget->height();
  ApplyVisibility();
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  for (TControl* p = parent; p; p = p->parent_)
    if (p == this) throw Exception("A control cannot be placed inside itself");
  TWinControl* old = parent_;
  if (old) old->RemoveChild(this);
  parent_ = parent;
  if (parent) {
    parent->InsertChild(this);
    if (parentFont_) {
      applyingParentFont_ = true;
      font_->Assign(parent->Font());
      applyingParentFont_ = false;
    }
  }
  ApplyVisibility();
  if (align_ != alNone) {
    if (old) old->AlignControls();
    if (parent) parent->AlignControls();
  }
}

int TControl::Left() const { return widget_ ? widget_->x() : 0; }
int TControl::Top() const { return widget_ ? widget_->y() : 0; }
int TControl::Width() const { return widget_ ? widget_->width() : 0; }
int TControl::Height() const { return widget_ ? widget_->height() : 0; }
int TControl::ClientWidth() const { return Width(); }
int TControl::ClientHeight() const { return Height(); }
void TControl::SetClientWidth(int width) { SetWidth(width); }
void TControl::SetClientHeight(int height) { SetHeight(height); }

void TControl::SetBounds(int left, int top, int width, int height) {
  if (!widget_) return;
  width = std::max(0, width);
  height = std::max(0, height);
  if (left == Left() && top == Top() && width == Width() && height == Height()) return;
  widget_->move(left, top);
  widget_->resize(width, height);
  SizeMaybeChanged();
  if (parent_) {
    parent_->ChildBoundsChanged(this);
    if (align_ != alNone) parent_->AlignControls();
  }
}

void TControl::SizeMaybeChanged() {
  if (!widget_) return;
  int w = widget_->width(), h = widget_->height();
  if (w == lastWidth_ && h == lastHeight_) return;
  lastWidth_ = w;
  lastHeight_ = h;
  Resize();
}

TPoint TControl::ClientToScreen(const TPoint& p) const {
  if (!widget_) return p;
  QPoint g = widget_->mapToGlobal(QPoint(p.X, p.Y));
  return TPoint(g.x(), g.y());
}

TPoint TControl::ScreenToClient(const TPoint& p) const {
  if (!widget_) return p;
  QPoint l = widget_->mapFromGlobal(QPoint(p.X, p.Y));
  return TPoint(l.x(), l.y());
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  ApplyVisibility();
  if (parent_ && align_ != alNone) parent_->AlignControls();
}

void TControl::ApplyVisibility() {
  if (!widget_) return;
  if (parent_ || IsTopLevelForm())
    widget_->setVisible(visible_);
  else
    widget_->hide();
}

bool TControl::Showing() const { return widget_ && widget_->isVisible(); }

void TControl::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (widget_) widget_->setEnabled(enabled);
}

void TControl::SetCaption(const std::string& caption) {
  caption_ = caption;
  Invalidate();
}

void TControl::SetColor(TColor color) {
  color_ = color;
  colorSet_ = true;
  Invalidate();
}

void TControl::SetParentFont(bool on) {
  parentFont_ = on;
  if (on && parent_) {
    applyingParentFont_ = true;
    font_->Assign(parent_->Font());
    applyingParentFont_ = false;
  }
}

void TControl::SetAlign(TAlign align) {
  if (align == align_) return;
  align_ = align;
  if (parent_) parent_->AlignControls();
}

void TControl::SetCursor(TCursor cursor) {
  cursor_ = cursor;
  if (!widget_) return;
  if (cursor == crDefault)
    widget_->unsetCursor();
  else
    widget_->setCursor(CursorShape(cursor));
}

void TControl::SetHint(const std::string& hint) {
  hint_ = hint;
  if (widget_) widget_->setToolTip(showHint_ ? vcl::ToQ(hint) : QString());
}

void TControl::SetShowHint(bool show) {
  showHint_ = show;
  SetHint(hint_);
}

void TControl::BringToFront() {
  if (widget_) widget_->raise();
}

void TControl::SendToBack() {
  if (widget_) widget_->lower();
}

void TControl::Invalidate() {
  if (widget_) widget_->update();
}

void TControl::Repaint() {
  if (widget_ && widget_->isVisible()) widget_->repaint();
}

void TControl::Update() { Repaint(); }

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

bool TControl::MouseWheel(TShiftState shift, int delta, TPoint pos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, shift, delta, pos, handled);
  return handled;
}

void TControl::Paint(QPainter&) {}

void TControl::FontChanged() {
  if (!widget_) return;
  widget_->setFont(vcl::ToQFont(*font_));
  QPalette pal = widget_->palette();
  QColor c = vcl::ToQColor(font_->Color());
  pal.setColor(QPalette::WindowText, c);
  pal.setColor(QPalette::Text, c);
  pal.setColor(QPalette::ButtonText, c);
  widget_->setPalette(pal);
  Invalidate();
}

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {}

// ---- Windowed control ----
TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
  DestroyComponents();
  // Children owned elsewhere survive their parent: they are detached and hidden.
  std::vector<TControl*> rest = controls_;
  for (TControl* child : rest) RemoveChild(child);
  for (TControl* child : rest) child->parent_ = nullptr;
}

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount()) return nullptr;
  return controls_[static_cast<size_t>(index)];
}

bool TWinControl::ContainsControl(const TControl* control) const {
  for (const TControl* c = control; c; c = c->Parent())
    if (c == this) return true;
  return false;
}

bool TWinControl::Focused() const { return Widget() && Widget()->hasFocus(); }

void TWinControl::SetFocus() {
  if (Widget()) Widget()->setFocus();
}

bool TWinControl::CanFocus() const { return Showing() && Widget()->isEnabled(); }

void TWinControl::EnableAlign() {
  if (alignDisabled_ > 0 && --alignDisabled_ == 0) AlignControls();
}

void TWinControl::Realign() { AlignControls(); }

void TWinControl::Resize() {
  AlignControls();
  TControl::Resize();
}

QWidget* TWinControl::ClientWidget() const { return Widget(); }

void TWinControl::InsertChild(TControl* child) {
  controls_.push_back(child);
  if (child->widget_ && ClientWidget()) child->widget_->setParent(ClientWidget());
}

void TWinControl::RemoveChild(TControl* child) {
  auto it = std::find(controls_.begin(), controls_.end(), child);
  if (it == controls_.end()) return;
  controls_.erase(it);
  if (child->widget_) {
    child->widget_->hide();
    child->widget_->setParent(nullptr);
  }
}

void TWinControl::ChildBoundsChanged(TControl*) {}

void TWinControl::KeyDown(uint16_t& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(uint16_t& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

// Places aligned children: top, bottom, left and right bars in list order, then the client fill.
void TWinControl::AlignControls() {
  if (aligning_ || alignDisabled_ > 0 || !Widget()) return;
  aligning_ = true;
  TRect r = ClientRect();
  auto place = [&](TAlign which) {
    for (TControl* c : controls_) {
      if (c->align_ != which || !c->visible_) continue;
      int h = c->Height(), w = c->Width();
      switch (which) {
        case alTop:
          c->SetBounds(r.Left, r.Top, r.Width(), h);
          r.Top += h;
          break;
        case alBottom:
          c->SetBounds(r.Left, r.Bottom - h, r.Width(), h);
          r.Bottom -= h;
          break;
        case alLeft:
          c->SetBounds(r.Left, r.Top, w, r.Height());
          r.Left += w;
          break;
        case alRight:
          c->SetBounds(r.Right - w, r.Top, w, r.Height());
          r.Right -= w;
          break;
        case alClient:
          c->SetBounds(r.Left, r.Top, r.Width(), r.Height());
          break;
        default:
          break;
      }
    }
  };
  place(alTop);
  place(alBottom);
  place(alLeft);
  place(alRight);
  place(alClient);
  aligning_ = false;
}

// ---- Qt glue ----
namespace vcl {

ControlWidget::ControlWidget(TControl* owner) : control(owner) {}

void ControlWidget::paintEvent(QPaintEvent*) {
  if (!control) return;
  QPainter painter(this);
  Guarded([&] { VclInternals::Paint(control, painter, rect()); });
}

// Mouse input is handled by the control (through the event filter) and goes no further.
void ControlWidget::mousePressEvent(QMouseEvent* event) { event->accept(); }
void ControlWidget::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }
void ControlWidget::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }
void ControlWidget::mouseMoveEvent(QMouseEvent* event) { event->accept(); }

}  // namespace vcl

void VclInternals::Paint(TControl* control, QPainter& painter, const QRect& rect) {
  painter.save();
  // Under a handler that paints every pixel the control's own painting would not show: it still
  // runs (its events fire) but is clipped away instead of filling pixels.
  if (control->paintHandler_ && control->paintHandlerCovers_ && control->paintHandlerCovers_())
    painter.setClipRect(QRect(), Qt::ReplaceClip);
  control->Paint(painter);
  painter.restore();
  if (control->paintHandler_) control->paintHandler_(painter, rect.width(), rect.height());
}

void VclInternals::Dispatch(TControl* c, QEvent* e, bool& consumed) {
  QWidget* w = c->widget_;
  switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      if (!w->isEnabled()) return;
      auto* me = static_cast<QMouseEvent*>(e);
      TMouseButton button;
      if (!vcl::ButtonOf(me->button(), button)) return;
      TShiftState shift = vcl::ShiftOf(me->modifiers(), me->buttons());
      int x = static_cast<int>(me->position().x()), y = static_cast<int>(me->position().y());
      if (e->type() == QEvent::MouseButtonDblClick) {
        shift |= ssDouble;
        QPointer<QWidget> alive(w);
        if (button == mbLeft && c->OnDblClick) c->OnDblClick(c);
        if (!alive) return;
      }
      if (button == mbLeft) c->pressedLeft_ = true;
      c->MouseDown(button, shift, x, y);
      return;
    }
    case QEvent::MouseButtonRelease: {
      auto* me = static_cast<QMouseEvent*>(e);
      TMouseButton button;
      if (!vcl::ButtonOf(me->button(), button)) return;
      bool wasPressed = c->pressedLeft_;
      if (button == mbLeft) c->pressedLeft_ = false;
      if (!w->isEnabled()) return;
      TShiftState shift = vcl::ShiftOf(me->modifiers(), me->buttons());
      int x = static_cast<int>(me->position().x()), y = static_cast<int>(me->position().y());
      if (button == mbLeft && wasPressed && c->clickFromMouse_ && w->rect().contains(x, y)) {
        QPointer<QWidget> alive(w);
        c->Click();
        if (!alive) return;  // the handler deleted the control
      }
      c->MouseUp(button, shift, x, y);
      return;
    }
    case QEvent::MouseMove: {
      if (!w->isEnabled()) return;
      auto* me = static_cast<QMouseEvent*>(e);
      c->MouseMove(vcl::ShiftOf(me->modifiers(), me->buttons()), static_cast<int>(me->position().x()),
                   static_cast<int>(me->position().y()));
      return;
    }
    case QEvent::Wheel: {
      if (!w->isEnabled()) return;
      auto* we = static_cast<QWheelEvent*>(e);
      int delta = we->angleDelta().y();
      if (delta == 0) return;
      TPoint pos(static_cast<int>(we->position().x()), static_cast<int>(we->position().y()));
      if (c->MouseWheel(vcl::ShiftOf(we->modifiers(), we->buttons()), delta, pos)) {
        we->accept();
        consumed = true;
      }
      return;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* win = dynamic_cast<TWinControl*>(c);
      if (!win || !w->isEnabled()) return;
      auto* ke = static_cast<QKeyEvent*>(e);
      uint16_t key = vcl::VirtualKeyOf(ke->key(), ke->text());
      const uint16_t original = key;
      TShiftState shift = vcl::ShiftOf(ke->modifiers(), Qt::NoButton);
      TForm* form = nullptr;
      for (TControl* p = c->parent_; p; p = p->parent_)
        if (auto* f = dynamic_cast<TForm*>(p)) form = f;
      bool down = e->type() == QEvent::KeyPress;
      if (form && form->KeyPreview() && key) down ? form->KeyDown(key, shift) : form->KeyUp(key, shift);
      if (key) down ? win->KeyDown(key, shift) : win->KeyUp(key, shift);
      if (original && key == 0) {  // a handler swallowed the key
        consumed = true;
        return;
      }
      QString text = ke->text();
      if (down && text.size() == 1 && text[0].unicode() < 128) {
        char ch = static_cast<char>(text[0].unicode());
        if (form && form->KeyPreview()) form->KeyPress(ch);
        if (ch) win->KeyPress(ch);
        if (ch == 0) consumed = true;
      }
      return;
    }
    case QEvent::FocusIn:
      if (auto* win = dynamic_cast<TWinControl*>(c); win && win->OnEnter) win->OnEnter(c);
      return;
    case QEvent::FocusOut:
      if (auto* win = dynamic_cast<TWinControl*>(c); win && win->OnExit) win->OnExit(c);
      return;
    case QEvent::Resize:
      if (auto* form = dynamic_cast<TForm*>(c); form && e->spontaneous() && w->isWindow())
        UserResized(form);
      else
        c->SizeMaybeChanged();
      return;
    case QEvent::Show:
      if (auto* form = dynamic_cast<TForm*>(c)) form->Shown();
      return;
    case QEvent::Hide:
      if (auto* form = dynamic_cast<TForm*>(c)) form->Hidden();
      return;
    case QEvent::Close:
      if (auto* form = dynamic_cast<TForm*>(c)) {
        e->ignore();  // the form decides through Close whether it hides, frees or ends the program
        consumed = true;
        form->Close();
      }
      return;
    case QEvent::WindowActivate:
      if (auto* form = dynamic_cast<TForm*>(c); form && form->OnActivate) form->OnActivate(c);
      return;
    case QEvent::WindowDeactivate:
      if (auto* form = dynamic_cast<TForm*>(c); form && form->OnDeactivate) form->OnDeactivate(c);
      return;
    default:
      return;
  }
}

void VclInternals::AddInputWidget(TControl* control, QWidget* widget) {
  WidgetControls().insert(widget, control);
  widget->installEventFilter(Filter());
  widget->setMouseTracking(true);
}

// ---- Native access ----
QWidget* NativeWidget(TControl* control) { return VclInternals::Widget(control); }

QImage& NativeImage(TBitmap* bitmap) { return *VclInternals::Image(bitmap); }

void NotifyBitmapChanged(TBitmap* bitmap) {
  if (bitmap) VclInternals::BitmapChanged(bitmap);
}

void SetPaintHandler(TControl* control, NativePaintHandler handler, std::function<bool()> covers) {
  if (!control) return;
  if (!handler) {
    VclInternals::SetPaintHandler(control, nullptr, nullptr);
    return;
  }
  VclInternals::SetPaintHandler(
      control, [handler](QPainter& p, int w, int h) { handler(p, QRect(0, 0, w, h)); }, std::move(covers));
}

TControl* ControlOfWidget(QWidget* widget) {
  for (QWidget* w = widget; w; w = w->parentWidget())
    if (TControl* c = WidgetControls().value(w, nullptr)) return c;
  return nullptr;
}
