// Internal glue between the GUI library's classes and Qt. Only platform/vcl includes this.
#pragma once
#include <QColor>
#include <QEvent>
#include <QFont>
#include <QImage>
#include <QObject>
#include <QPainter>
#include <QString>
#include <QWidget>

#include <exception>
#include <functional>
#include <string>

#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/StdCtrls.h"

namespace vcl {

// Creates the Qt application once, on the calling (main) thread. Without a display and with
// QT_QPA_PLATFORM unset it selects the offscreen platform.
void EnsureApplication();
bool IsGuiThread();
bool IsHeadless();

QString ToQ(const std::string& text);
std::string FromQ(const QString& text);
QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);
QFont ToQFont(const TFont& font);
// The image to draw for a bitmap: with transparency, pixels of its transparent colour are clear.
QImage DrawableImage(const TBitmap* bitmap, bool transparent);

TShiftState ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
bool ButtonOf(Qt::MouseButton qtButton, TMouseButton& button);
uint16_t VirtualKeyOf(int qtKey, const QString& text);
int QtKeyOf(uint16_t virtualKey);

// Runs a handler; an exception escaping it is shown by the application's exception box.
void Guarded(const std::function<void()>& handler);

// The widget of controls the library paints itself (panels, labels, images, forms, frames).
class ControlWidget : public QWidget {
 public:
  explicit ControlWidget(TControl* control);
  TControl* control;  // cleared when the control goes

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
};

// Draws a text in a rectangle as labels and panels do.
void DrawText(QPainter& painter, const TFont& font, const QRect& rect, const std::string& text,
              TAlignment alignment, TTextLayout layout, bool wordWrap);
QSize TextSize(const TFont& font, const std::string& text, bool wordWrap, int maxWidth);

// Scripted answers shared by message boxes and dialogs (any thread).
enum class AnswerKind { Box, File, Color, Cancel };
struct Answer {
  AnswerKind kind = AnswerKind::Cancel;
  int id = 0;
  std::string fileName;
  TColor color = clBlack;
};
// Takes the next scripted answer when it suits a dialog of the wanted kind (Cancel suits all).
bool TakeAnswer(AnswerKind wanted, Answer& answer);
void RecordShown(const std::string& caption, const std::string& text, int answer);
void WriteHeadlessNote(const std::string& caption, const std::string& text);
// Headless boxes and dialogs normally answer at once; in "wait" mode (VCL_HEADLESS_DIALOGS=wait,
// or the test hook) they are shown on the offscreen screen and wait to be closed, as with a display.
bool HeadlessDialogsWait();
// A box or dialog answers without a person: no display (and no wait mode), or dismissed.
bool AnswersAtOnce();
void RegisterForm(TForm* form);
void UnregisterForm(TForm* form);

}  // namespace vcl

// Access to the private parts of the library's classes for the Qt glue.
struct VclInternals {
  static QWidget* Widget(const TControl* control) { return control ? control->widget_ : nullptr; }
  static void Paint(TControl* control, QPainter& painter, const QRect& rect);
  static void Dispatch(TControl* control, QEvent* event, bool& consumed);
  static void SizeMaybeChanged(TControl* control) { control->SizeMaybeChanged(); }
  static void SetPaintHandler(TControl* control, std::function<void(QPainter&, int, int)> handler,
                              std::function<bool()> covers) {
    control->paintHandler_ = std::move(handler);
    control->paintHandlerCovers_ = std::move(covers);
  }
  static void SetClickFromMouse(TControl* control, bool on) { control->clickFromMouse_ = on; }
  // Another widget whose input belongs to the control (a list's viewport).
  static void AddInputWidget(TControl* control, QWidget* widget);
  static int AppendedIndex(const TControlItems* items) { return items->appended_; }
  static void DrawListItem(TCustomListBox* box, QPainter& painter, int index, const QRect& rect,
                           bool selected);
  static bool OwnerDrawn(const TCustomListBox* box) { return box->style_ != lbStandard; }
  static int ItemHeight(const TCustomListBox* box) { return box->itemHeight_; }
  static QImage* Image(TBitmap* bitmap) { return bitmap->image_.get(); }
  static const QImage* Image(const TBitmap* bitmap) { return bitmap->image_.get(); }
  static void BitmapChanged(TBitmap* bitmap) { bitmap->Changed(); }
  static void BindCanvas(TCanvas* canvas, QPainter* painter, const TRect& area) {
    canvas->painter_ = painter;
    canvas->paintArea_ = area;
  }
  static bool Draws(const TCanvas* canvas) { return canvas->Ready(); }
  static void DoClose(TForm* form) { form->Close(); }
  static void FormShown(TForm* form) { form->Shown(); }
  static void FormHidden(TForm* form) { form->Hidden(); }
  static void UserResized(TForm* form);
  static bool PreDispatch(QObject* receiver, QEvent* event);
  static void CloseOnSignal();
  static void AllowDialogs();
  static void SetHookSuppressed(bool on);
};
