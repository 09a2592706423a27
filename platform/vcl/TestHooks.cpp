// Synthetic input for headless tests: events go through the application (message hook, exception
// box) to the control's widget, as the window system's would.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPixmapCache>
#include <QPointer>
#include <QRadioButton>
#include <QWheelEvent>

#include "platform/vcl/Internal.h"
#include "platform/vcl/Native.h"
#include "platform/vcl/TestHooks.h"

namespace VclTest {
namespace {

// The widget that receives pointer input for the control (a list's rows live in its viewport).
QWidget* InputWidget(TControl* control) {
  QWidget* w = NativeWidget(control);
  if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) return area->viewport();
  return w;
}

bool Reachable(TControl* control) {
  QWidget* w = control ? NativeWidget(control) : nullptr;
  return w && w->isVisible() && w->isEnabled();
}

Qt::MouseButton QtButton(TMouseButton b) {
  return b == mbRight ? Qt::RightButton : b == mbMiddle ? Qt::MiddleButton : Qt::LeftButton;
}

Qt::KeyboardModifiers Modifiers(TShiftState s) {
  Qt::KeyboardModifiers m;
  if (s & ssShift) m |= Qt::ShiftModifier;
  if (s & ssCtrl) m |= Qt::ControlModifier;
  if (s & ssAlt) m |= Qt::AltModifier;
  return m;
}

Qt::MouseButtons HeldButtons(TShiftState s) {
  Qt::MouseButtons b;
  if (s & ssLeft) b |= Qt::LeftButton;
  if (s & ssRight) b |= Qt::RightButton;
  if (s & ssMiddle) b |= Qt::MiddleButton;
  return b;
}

QMouseEvent MouseEvent(QWidget* w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held,
                       QPoint pos, Qt::KeyboardModifiers mods) {
  QPointF local(pos);
  QPointF global(w->mapToGlobal(pos));
  return QMouseEvent(type, local, local, global, button, held, mods);
}

void SendMouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint pos,
               Qt::KeyboardModifiers mods) {
  QMouseEvent event = MouseEvent(w, type, button, held, pos, mods);
  QApplication::sendEvent(w, &event);
}

}  // namespace

bool MouseDown(TControl* control, TMouseButton button, int x, int y, TShiftState shift) {
  if (!Reachable(control)) return false;
  Qt::MouseButton b = QtButton(button);
  SendMouse(InputWidget(control), QEvent::MouseButtonPress, b, HeldButtons(shift) | b, QPoint(x, y),
            Modifiers(shift));
  return true;
}

bool MouseMove(TControl* control, int x, int y, TShiftState shift) {
  if (!Reachable(control)) return false;
  SendMouse(InputWidget(control), QEvent::MouseMove, Qt::NoButton, HeldButtons(shift), QPoint(x, y),
            Modifiers(shift));
  return true;
}

bool MouseUp(TControl* control, TMouseButton button, int x, int y, TShiftState shift) {
  if (!Reachable(control)) return false;
  SendMouse(InputWidget(control), QEvent::MouseButtonRelease, QtButton(button),
            HeldButtons(shift) & ~QtButton(button), QPoint(x, y), Modifiers(shift));
  return true;
}

bool Click(TControl* control) {
  if (!Reachable(control)) return false;
  QWidget* w = NativeWidget(control);
  QPoint at(w->width() / 2, w->height() / 2);
  if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w))
    at = QPoint(6, w->height() / 2);  // the box
  if (auto* list = qobject_cast<QListWidget*>(w)) {
    (void)list;
    at = QPoint(InputWidget(control)->width() / 2, 2);
  }
  QPointer<QWidget> alive(w);
  MouseDown(control, mbLeft, at.x(), at.y());
  if (!alive || !alive->isVisible() || !alive->isEnabled())
    return true;  // the press itself may hide or free it
  MouseUp(control, mbLeft, at.x(), at.y());
  return true;
}

bool PostClick(TControl* control) {
  if (!Reachable(control)) return false;
  QWidget* w = InputWidget(control);
  const QPoint at(w->width() / 2, w->height() / 2);
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QCoreApplication::postEvent(w, MouseEvent(w, type, Qt::LeftButton, held, at, Qt::NoModifier).clone());
  }
  return true;
}

namespace {
// The widget the window system delivers a click at (x, y) of the form to; null outside the form.
QWidget* WidgetAt(TForm* form, int x, int y) {
  QWidget* top = form ? NativeWidget(form) : nullptr;
  if (!top || !top->isVisible() || !top->rect().contains(x, y)) return nullptr;
  QWidget* target = top->childAt(x, y);
  return target ? target : top;
}
}  // namespace

bool Reaches(TForm* form, int x, int y, TControl* control) {
  QWidget* own = control ? NativeWidget(control) : nullptr;
  QWidget* target = WidgetAt(form, x, y);
  return own && target && (target == own || own->isAncestorOf(target));
}

bool ClickAt(TForm* form, int x, int y) {
  QWidget* target = WidgetAt(form, x, y);
  if (!target || !target->isEnabled()) return false;
  QWidget* top = NativeWidget(form);
  QPointer<QWidget> alive(target);
  const QPoint at = target->mapFrom(top, QPoint(x, y));
  SendMouse(target, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, at, {});
  if (alive && alive->isVisible() && alive->isEnabled())
    SendMouse(target, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, at, {});
  return true;
}

bool DoubleClick(TControl* control, int x, int y) {
  if (!Reachable(control)) return false;
  QPointer<QWidget> alive(NativeWidget(control));
  MouseDown(control, mbLeft, x, y);
  if (!alive) return true;
  MouseUp(control, mbLeft, x, y);
  if (!alive || !Reachable(control)) return true;
  SendMouse(InputWidget(control), QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, QPoint(x, y),
            {});
  MouseUp(control, mbLeft, x, y);
  return true;
}

bool Wheel(TControl* control, int delta, int x, int y) {
  if (!Reachable(control)) return false;
  QWidget* w = InputWidget(control);
  QPoint pos = x < 0 || y < 0 ? QPoint(w->width() / 2, w->height() / 2) : QPoint(x, y);
  QPoint global = w->mapToGlobal(pos);
  QWheelEvent event(QPointF(pos), QPointF(global), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(w, &event);
  // A turn nobody took goes on to the parents, as the window system's own turns do; the message hook
  // has seen it once already.
  VclInternals::SetHookSuppressed(true);
  for (QWidget* p = w; !event.isAccepted() && !p->isWindow() && p->parentWidget();) {
    p = p->parentWidget();
    QPoint local = p->mapFromGlobal(global);
    QWheelEvent next(QPointF(local), QPointF(global), QPoint(), QPoint(0, delta), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(p, &next);
    event.setAccepted(next.isAccepted());
  }
  VclInternals::SetHookSuppressed(false);
  return true;
}

bool KeyDown(TControl* control, uint16_t key, TShiftState shift) {
  if (!Reachable(control)) return false;
  QWidget* w = NativeWidget(control);
  int qtKey = vcl::QtKeyOf(key);
  QString text;
  if (key == VK_RETURN)
    text = "\r";
  else if (key == VK_SPACE)
    text = " ";
  else if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
    text = QString(QChar(shift & ssShift ? key : QChar(key).toLower().unicode()));
  QKeyEvent press(QEvent::KeyPress, qtKey, Modifiers(shift), text);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, qtKey, Modifiers(shift), text);
  QApplication::sendEvent(w, &release);
  return true;
}

bool TypeText(TControl* control, const std::string& text) {
  if (!Reachable(control)) return false;
  QWidget* w = NativeWidget(control);
  if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->lineEdit()) w = combo->lineEdit();
  for (QChar ch : vcl::ToQ(text)) {
    int key =
        ch.unicode() < 128 ? static_cast<int>(ch.toUpper().unicode()) : static_cast<int>(Qt::Key_unknown);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(w, &press);
  }
  return true;
}

void UserResize(TForm* form, int width, int height) {
  if (!form) return;
  form->SetBounds(form->Left(), form->Top(), width, height);
}

void CloseButton(TForm* form) {
  if (!form) return;
  QCloseEvent event;
  event.setAccepted(true);
  QApplication::sendEvent(NativeWidget(form), &event);
}

void ClearStyleCache() { QPixmapCache::clear(); }

}  // namespace VclTest
