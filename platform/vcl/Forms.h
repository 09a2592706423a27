// Forms, frames, scroll boxes, the application object with its message loop, and the screen.
// Conventions: see Controls.h.
#pragma once
#include <atomic>
#include <exception>
#include <functional>
#include <string>

#include "platform/vcl/Controls.h"

// ---- Message boxes (callable from any thread) ----
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONSTOP = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_DEFBUTTON1 = 0x000;
constexpr unsigned MB_DEFBUTTON2 = 0x100;
constexpr unsigned MB_DEFBUTTON3 = 0x200;
constexpr unsigned MB_TOPMOST = 0x40000;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Shows a modal box and returns the button pressed (IDOK, IDYES, ...). From a worker thread the box
// is shown by the GUI thread while the caller waits. Headless, nothing blocks: caption and text go to
// stderr and the scripted answer (platform/vcl/TestHooks.h) or the default button is returned.
int MessageBox(const std::string& text, const std::string& caption, unsigned flags = MB_OK);

// ---- Modal results ----
using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;

// ---- Scroll box ----
class TControlScrollBar {
 public:
  bool Tracking() const { return tracking_; }
  void SetTracking(bool on) { tracking_ = on; }
  int Position() const;
  void SetPosition(int position);
  int Range() const;

 private:
  friend class TScrollBox;
  friend struct VclInternals;
  QWidget* bar_ = nullptr;  // the Qt scroll bar
  bool tracking_ = true;
};

// A container whose children may extend beyond its client area; scroll bars appear as needed.
class TScrollBox : public TWinControl {
 public:
  explicit TScrollBox(TComponent* AOwner);
  ~TScrollBox() override;
  TControlScrollBar* HorzScrollBar() { return &horz_; }
  TControlScrollBar* VertScrollBar() { return &vert_; }

 protected:
  QWidget* ClientWidget() const override;
  void Paint(QPainter& painter) override;
  void InsertChild(TControl* child) override;
  void ChildBoundsChanged(TControl*) override { UpdateRange(); }
  void Resize() override {
    UpdateRange();
    TWinControl::Resize();
  }

 private:
  friend struct VclInternals;
  void UpdateRange();
  QWidget* inner_ = nullptr;
  TControlScrollBar horz_;
  TControlScrollBar vert_;
};

// ---- Forms ----
enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

// A window. Without a parent it is a top-level window (hidden until shown); with a parent (a panel
// or another form) it behaves as a child control clipped to that parent. Top-level bounds are the
// window's outer rectangle on the screen; the client area is the window's inner area.
class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* AOwner);
  ~TForm() override;

  // Fires OnCreate once. The application's CreateForm calls it after the constructor; a form made
  // with new gets it at its first Show at the latest.
  void AfterConstruction();

  void SetParent(TWinControl* parent) override;
  void SetCaption(const std::string& caption) override;
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle style);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition position) { position_ = position; }
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle style);
  TWindowState WindowState() const;
  void SetWindowState(TWindowState state);
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool on) { keyPreview_ = on; }
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult result);
  bool Active() const;

  // As the close button: OnCloseQuery may refuse; OnClose gets caHide and may change it (caNone keeps
  // the form open). Closing the main form ends the application's Run; another form hides (caFree:
  // it is deleted at the next dispatch). A modal form ends its ShowModal with mrCancel instead.
  void Close();
  // Shows the form and runs the message loop until ModalResult is set or the form closes; mrCancel
  // once the application terminates or dismisses its dialogs.
  TModalResult ShowModal();
  void Release();  // deletes the form at the next dispatch

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;  // at the start of the form's destruction
  TNotifyEvent OnShow;     // each time the form becomes visible
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TCanResizeEvent OnCanResize;  // a vetoed or changed size is not (or differently) applied

  void SetBounds(int left, int top, int width, int height) override;

 protected:
  void Paint(QPainter& painter) override;
  void ApplyVisibility() override;
  bool IsTopLevelForm() const override { return Parent() == nullptr; }

 private:
  friend struct VclInternals;
  void ApplyWindowFlags();
  void Shown();
  void Hidden();
  TFormBorderStyle borderStyle_ = bsSizeable;
  TPosition position_ = poDesigned;
  TFormStyle formStyle_ = fsNormal;
  bool keyPreview_ = false;
  TModalResult modalResult_ = mrNone;
  bool created_ = false;
  bool destroying_ = false;
  bool modal_ = false;
  bool positioned_ = false;
  bool shownNow_ = false;
};

// A reusable panel of controls placed inside another control (always a child, never a window).
class TFrame : public TWinControl {
 public:
  explicit TFrame(TComponent* AOwner);

 protected:
  void Paint(QPainter& painter) override;
};

// ---- Application ----
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TMessageEvent = std::function<void(TMsg& Msg, bool& Handled)>;
using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;

class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;

  // Called first thing in a program's main, before anything that takes time or shows a box: from
  // then on SIGINT, SIGTERM and SIGHUP never kill the program. They close every open box and dialog
  // as cancelled (start-up boxes included) and then the main form once the message loop runs, so
  // the program ends through its normal path, or through its start-up failure when that comes
  // first. Without this call the signals are caught from Initialize on, and one that comes while no
  // form exists ends the process as it would have without us.
  void CatchTerminationSignals();
  // Sets up the GUI (idempotent; every control also does it on first use). Without a display, and
  // with QT_QPA_PLATFORM unset, the program runs headless on the offscreen platform.
  void Initialize();

  // Makes a form owned by the application. The reference is set after the constructor returns,
  // then OnCreate fires. The first form made this way is the main form.
  template <class T>
  void CreateForm(T*& reference) {
    Initialize();
    T* form = new T(this);
    reference = form;
    FormCreated(form);
  }

  // Shows the main form and runs the message loop: dispatch everything pending, then call OnIdle
  // with Done = true; Done = false calls it again at once, true waits for the next event. Returns when
  // the application terminates (the main form closed, Terminate); the main form is then deleted.
  void Run();
  // Dispatches the pending events (timer ticks, paints, input, queued calls to the GUI thread) and
  // returns. Re-entrant; never calls OnIdle; does nothing on another thread, nor while the GUI
  // thread's dispatch is held (TDispatchHold): what is pending then waits for the loop after it.
  void ProcessMessages();
  void Terminate();
  bool Terminated() const { return terminated_; }

  TForm* MainForm() const { return mainForm_; }
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title) { title_ = title; }
  bool ShowMainForm() const { return showMainForm_; }
  void SetShowMainForm(bool on) { showMainForm_ = on; }
  std::string ExeName() const;
  bool Headless() const;  // no real display: boxes and dialogs answer without blocking

  int MessageBox(const std::string& text, const std::string& caption, unsigned flags = MB_OK);
  // True once SIGINT, SIGTERM or SIGHUP asked the program to end (set by the signal itself, so a
  // long run on the GUI thread sees it at its next step, before the loop has read the signal).
  bool TerminationRequested() const;
  // The program is on its way out: every open box and dialog closes as if cancelled, and every
  // later one is answered at once with its cancel (else no, else OK) answer, without waiting for
  // a person. A termination signal does this itself; the program calls it for its own reasons.
  void DismissDialogs();
  bool DialogsDismissed() const { return dialogsDismissed_.load(); }
  // The standard exception box: OnException when set, else a box with the exception's text.
  void ShowException(const std::exception& e);
  void HandleException(TObject* sender);  // inside a catch block: shows the current exception

  TIdleEvent OnIdle;
  TMessageEvent OnMessage;
  TExceptionEvent OnException;

 private:
  friend struct VclInternals;
  friend class TForm;
  void FormCreated(TForm* form);
  void FormDestroyed(TForm* form);
  void RunIdle();
  TForm* mainForm_ = nullptr;
  std::string title_;
  bool terminated_ = false;
  bool showMainForm_ = true;
  int runDepth_ = 0;
  std::atomic<bool> dialogsDismissed_{false};
};

// The program's application object (never deleted).
extern TApplication* Application;

// A component that puts its handlers on the application's events while it exists (the message hook
// of a form). Several may exist; each sees every message.
class TApplicationEvents : public TComponent {
 public:
  explicit TApplicationEvents(TComponent* AOwner);
  ~TApplicationEvents() override;

  TMessageEvent OnMessage;
  TIdleEvent OnIdle;
  TExceptionEvent OnException;
};

// ---- Screen ----
class TScreen {
 public:
  // Size of the primary screen; headless a fixed virtual screen of 1280 x 1024.
  int Width() const;
  int Height() const;
  int PixelsPerInch() const { return 96; }
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);  // crDefault: each control's own cursor
  int FormCount() const;
  TForm* Forms(int index) const;
  TForm* ActiveForm() const;

 private:
  TCursor cursor_ = crDefault;
};

extern TScreen* Screen;
