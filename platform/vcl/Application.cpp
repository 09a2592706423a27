// The application object: Qt start-up, the message loop with idle handling, the message hook, the
// exception box, message boxes from any thread, SIGINT/SIGTERM/SIGHUP, and the screen.
#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QSocketNotifier>
#include <QThread>
#include <QWheelEvent>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <errno.h>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>

#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Internal.h"
#include "platform/vcl/Native.h"
#include "platform/vcl/TestHooks.h"

TApplication* Application = new TApplication;  // never deleted: it outlives every form
TScreen* Screen = new TScreen;

namespace {

std::vector<TApplicationEvents*>& AppEvents() {
  static std::vector<TApplicationEvents*> list;
  return list;
}

std::vector<TForm*>& AllForms() {
  static std::vector<TForm*> list;
  return list;
}

// The Qt application: every event passes the message hook and the exception box here.
class VclApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      if (VclInternals::PreDispatch(receiver, event)) return true;
      return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
      Application->ShowException(e);
    } catch (...) {
      Application->ShowException(Exception("Unknown exception"));
    }
    return false;
  }
};

// Lives on the GUI thread and owns the loop's socket notifiers.
QObject* Helper() {
  static QObject* helper = nullptr;
  if (!helper) helper = new QObject;
  return helper;
}

// Wakes the loop for queued main-thread calls and termination. Any thread may write the wake pipe;
// the GUI thread reads it, so no Qt object crosses threads.
int wakePipe[2] = {-1, -1};

void Wake() {
  if (wakePipe[1] < 0) return;
  unsigned char b = 1;
  [[maybe_unused]] auto n = write(wakePipe[1], &b, 1);  // a full pipe already means "wake up"
}

void InstallWakePipe() {
  if (pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, Helper());
  QObject::connect(notifier, &QSocketNotifier::activated, Helper(), [] {
    unsigned char buf[64];
    while (read(wakePipe[0], buf, sizeof buf) > 0) {
    }
    vcl::Guarded([] { CheckSynchronize(); });
  });
}

// ---- SIGINT / SIGTERM / SIGHUP through a self-pipe ----
int signalPipe[2] = {-1, -1};
volatile sig_atomic_t terminationRequested = 0;
bool signalPending = false;
bool programEndsItself = false;  // CatchTerminationSignals: a signal never kills the program
std::atomic<bool> headlessDialogsWait{false};

void OnSignal(int signo) {
  int saved = errno;
  terminationRequested = 1;
  unsigned char b = static_cast<unsigned char>(signo);
  if (signalPipe[1] >= 0) [[maybe_unused]]
    auto n = write(signalPipe[1], &b, 1);
  errno = saved;
}

// Reads what the signal handler wrote. Open boxes and dialogs are closed and the main form is closed
// by the message loop once the handlers on the stack have returned (or once the loop runs, for a
// signal during start-up). In a process without any form that did not ask to catch the signals
// (CatchTerminationSignals), the signal ends the process as it would have without us.
void HandleSignalBytes() {
  unsigned char buf[16];
  int last = 0;
  ssize_t n;
  while ((n = read(signalPipe[0], buf, sizeof buf)) > 0) last = buf[n - 1];
  if (!last) return;
  if (AllForms().empty() && !programEndsItself) {
    signal(last, SIG_DFL);
    raise(last);
    return;
  }
  signalPending = true;
  Application->DismissDialogs();
  Wake();
}

// Needs no GUI: a signal that comes before the loop exists waits in the pipe until it is read.
void CatchSignals() {
  if (signalPipe[0] >= 0 || pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  // A closing terminal (SIGHUP) asks the program to end like SIGTERM does.
  for (int signo : {SIGINT, SIGTERM, SIGHUP}) sigaction(signo, &sa, nullptr);
}

void InstallSignalHandlers() {
  CatchSignals();
  if (signalPipe[0] < 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, Helper());
  QObject::connect(notifier, &QSocketNotifier::activated, Helper(), [] { HandleSignalBytes(); });
}

// ---- Scripted answers and the record of shown boxes ----
std::mutex answersMutex;
std::deque<vcl::Answer> answers;
std::vector<VclTest::ShownBox> shown;

// The buttons of a box, by the low four bits of its flags.
const std::vector<int>& BoxButtons(unsigned flags) {
  static const std::vector<int> sets[] = {
      {IDOK},        {IDOK, IDCANCEL},   {IDABORT, IDRETRY, IDIGNORE}, {IDYES, IDNO, IDCANCEL},
      {IDYES, IDNO}, {IDRETRY, IDCANCEL}};
  unsigned kind = flags & 0xF;
  return sets[kind < 6 ? kind : 0];
}

// The answer of a box closed without a person: cancel where it has one, else no, else abort, else OK.
int DismissedButton(unsigned flags) {
  const std::vector<int>& buttons = BoxButtons(flags);
  for (int id : {IDCANCEL, IDNO, IDABORT})
    if (std::find(buttons.begin(), buttons.end(), id) != buttons.end()) return id;
  return IDOK;
}

int DefaultButton(unsigned flags) {
  const std::vector<int>& buttons = BoxButtons(flags);
  size_t index = (flags >> 8) & 0xF;
  return buttons[std::min(index, buttons.size() - 1)];
}

int ShowBoxOnGuiThread(const std::string& text, const std::string& caption, unsigned flags) {
  if (Application->DialogsDismissed()) return DismissedButton(flags);  // asked from a thread meanwhile
  QMessageBox box;
  box.setWindowTitle(vcl::ToQ(caption));
  box.setText(vcl::ToQ(text));
  unsigned icon = flags & 0xF0;
  box.setIcon(icon == MB_ICONERROR         ? QMessageBox::Critical
              : icon == MB_ICONQUESTION    ? QMessageBox::Question
              : icon == MB_ICONWARNING     ? QMessageBox::Warning
              : icon == MB_ICONINFORMATION ? QMessageBox::Information
                                           : QMessageBox::NoIcon);
  struct B {
    int id;
    QMessageBox::StandardButton button;
  };
  static const B all[] = {{IDOK, QMessageBox::Ok},         {IDCANCEL, QMessageBox::Cancel},
                          {IDABORT, QMessageBox::Abort},   {IDRETRY, QMessageBox::Retry},
                          {IDIGNORE, QMessageBox::Ignore}, {IDYES, QMessageBox::Yes},
                          {IDNO, QMessageBox::No}};
  for (int id : BoxButtons(flags))
    for (const B& b : all)
      if (b.id == id) box.addButton(b.button);
  int def = DefaultButton(flags);
  for (const B& b : all)
    if (b.id == def) box.setDefaultButton(b.button);
  if (flags & MB_TOPMOST) box.setWindowFlag(Qt::WindowStaysOnTopHint);
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  QMessageBox::StandardButton pressed = clicked ? box.standardButton(clicked) : QMessageBox::NoButton;
  for (const B& b : all)
    if (b.button == pressed) return b.id;
  return DismissedButton(flags);
}

}  // namespace

// ---- Qt start-up and conversions ----
namespace vcl {

static bool WantsOffscreen() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform && *platform) return false;
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return !(display && *display) && !(wayland && *wayland);
}

void EnsureApplication() {
  if (QCoreApplication::instance()) return;
  if (WantsOffscreen()) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char* argv[] = {program_invocation_short_name, nullptr};
  new VclApplication(argc, argv);  // lives as long as the program
  QApplication::setQuitOnLastWindowClosed(false);
  SetMainThreadId();
  InstallWakePipe();
  SetMainThreadWakeup(Wake);
  InstallSignalHandlers();
  const char* dialogs = std::getenv("VCL_HEADLESS_DIALOGS");
  headlessDialogsWait = dialogs && std::string(dialogs) == "wait";
}

bool IsGuiThread() {
  return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

bool IsHeadless() {
  if (QGuiApplication::instance()) {
    QString name = QGuiApplication::platformName();
    return name == "offscreen" || name == "minimal";
  }
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform && *platform)
    return std::string(platform) == "offscreen" || std::string(platform) == "minimal";
  return WantsOffscreen();
}

QString ToQ(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromQ(const QString& text) { return text.toStdString(); }

TShiftState ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  TShiftState s = 0;
  if (modifiers & Qt::ShiftModifier) s |= ssShift;
  if (modifiers & Qt::AltModifier) s |= ssAlt;
  if (modifiers & Qt::ControlModifier) s |= ssCtrl;
  if (buttons & Qt::LeftButton) s |= ssLeft;
  if (buttons & Qt::RightButton) s |= ssRight;
  if (buttons & Qt::MiddleButton) s |= ssMiddle;
  return s;
}

bool ButtonOf(Qt::MouseButton qtButton, TMouseButton& button) {
  switch (qtButton) {
    case Qt::LeftButton:
      button = mbLeft;
      return true;
    case Qt::RightButton:
      button = mbRight;
      return true;
    case Qt::MiddleButton:
      button = mbMiddle;
      return true;
    default:
      return false;
  }
}

namespace {
struct KeyPair {
  int qt;
  uint16_t vk;
};
const KeyPair kKeys[] = {
    {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Tab, VK_TAB},       {Qt::Key_Return, VK_RETURN},
    {Qt::Key_Enter, VK_RETURN},   {Qt::Key_Shift, VK_SHIFT},   {Qt::Key_Control, VK_CONTROL},
    {Qt::Key_Alt, VK_MENU},       {Qt::Key_Escape, VK_ESCAPE}, {Qt::Key_Space, VK_SPACE},
    {Qt::Key_PageUp, VK_PRIOR},   {Qt::Key_PageDown, VK_NEXT}, {Qt::Key_End, VK_END},
    {Qt::Key_Home, VK_HOME},      {Qt::Key_Left, VK_LEFT},     {Qt::Key_Up, VK_UP},
    {Qt::Key_Right, VK_RIGHT},    {Qt::Key_Down, VK_DOWN},     {Qt::Key_Insert, VK_INSERT},
    {Qt::Key_Delete, VK_DELETE},
};
}  // namespace

uint16_t VirtualKeyOf(int qtKey, const QString&) {
  for (const KeyPair& k : kKeys)
    if (k.qt == qtKey) return k.vk;
  if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
    return static_cast<uint16_t>(qtKey);  // the same codes as the ASCII upper case
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return static_cast<uint16_t>(VK_F1 + (qtKey - Qt::Key_F1));
  return 0;
}

int QtKeyOf(uint16_t vk) {
  for (const KeyPair& k : kKeys)
    if (k.vk == vk) return k.qt;
  if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return vk;
  if (vk >= VK_F1 && vk < VK_F1 + 24) return Qt::Key_F1 + (vk - VK_F1);
  return Qt::Key_unknown;
}

void Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    Application->ShowException(e);
  } catch (...) {
    Application->ShowException(Exception("Unknown exception"));
  }
}

bool TakeAnswer(AnswerKind wanted, Answer& answer) {
  std::lock_guard<std::mutex> lock(answersMutex);
  if (answers.empty()) return false;
  const Answer& next = answers.front();
  if (next.kind != wanted && next.kind != AnswerKind::Cancel) return false;
  answer = next;
  answers.pop_front();
  return true;
}

void RecordShown(const std::string& caption, const std::string& text, int answer) {
  std::lock_guard<std::mutex> lock(answersMutex);
  shown.push_back({caption, text, answer});
}

bool HeadlessDialogsWait() { return headlessDialogsWait; }

bool AnswersAtOnce() {
  if (Application->DialogsDismissed() || !QCoreApplication::instance()) return true;
  return IsHeadless() && !headlessDialogsWait;
}

void WriteHeadlessNote(const std::string& caption, const std::string& text) {
  std::string line = "[" + caption + "] " + text + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace vcl

// ---- The message hook ----
// A termination signal closes the main form as its close button would, from Run's own loop: never
// inside a handler that is still on the stack (a box's caller, a long run pumping messages).
void VclInternals::CloseOnSignal() {
  TForm* main = Application->MainForm();
  if (!main || Application->runDepth_ == 0 || !signalPending) return;
  signalPending = false;
  vcl::Guarded([main] { main->Close(); });
}

namespace {
bool hookSuppressed = false;
}

void VclInternals::SetHookSuppressed(bool on) { hookSuppressed = on; }

bool VclInternals::PreDispatch(QObject* receiver, QEvent* event) {
  // Under a dispatch hold only a box or dialog opened inside the hold gets input; the hook waits.
  if (hookSuppressed || MainThreadDispatchHeld() || !receiver->isWidgetType()) return false;
  bool hasHook = static_cast<bool>(Application->OnMessage);
  for (TApplicationEvents* ev : AppEvents()) hasHook = hasHook || static_cast<bool>(ev->OnMessage);
  if (!hasHook) return false;

  TMsg msg;
  auto* widget = static_cast<QWidget*>(receiver);
  switch (event->type()) {
    case QEvent::Wheel: {
      auto* we = static_cast<QWheelEvent*>(event);
      int delta = we->angleDelta().y();
      QPoint g = we->globalPosition().toPoint();
      msg.message = WM_MOUSEWHEEL;
      msg.wParam = (static_cast<uintptr_t>(static_cast<uint16_t>(delta)) << 16);
      msg.lParam = static_cast<intptr_t>((static_cast<uint16_t>(g.x())) |
                                         (static_cast<uint32_t>(static_cast<uint16_t>(g.y())) << 16));
      msg.pt = TPoint(g.x(), g.y());
      break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove: {
      auto* me = static_cast<QMouseEvent*>(event);
      bool press = event->type() == QEvent::MouseButtonPress;
      if (event->type() == QEvent::MouseMove)
        msg.message = WM_MOUSEMOVE;
      else if (me->button() == Qt::LeftButton)
        msg.message = press ? WM_LBUTTONDOWN : WM_LBUTTONUP;
      else if (me->button() == Qt::RightButton)
        msg.message = press ? WM_RBUTTONDOWN : WM_RBUTTONUP;
      else if (me->button() == Qt::MiddleButton)
        msg.message = press ? WM_MBUTTONDOWN : WM_MBUTTONUP;
      else
        return false;
      QPoint p = me->position().toPoint();
      QPoint g = me->globalPosition().toPoint();
      msg.lParam = static_cast<intptr_t>((static_cast<uint16_t>(p.x())) |
                                         (static_cast<uint32_t>(static_cast<uint16_t>(p.y())) << 16));
      msg.pt = TPoint(g.x(), g.y());
      break;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* ke = static_cast<QKeyEvent*>(event);
      msg.message = event->type() == QEvent::KeyPress ? WM_KEYDOWN : WM_KEYUP;
      msg.wParam = vcl::VirtualKeyOf(ke->key(), ke->text());
      break;
    }
    default:
      return false;
  }
  msg.Control = ControlOfWidget(widget);
  bool handled = false;
  vcl::Guarded([&] {
    if (Application->OnMessage) Application->OnMessage(msg, handled);
    std::vector<TApplicationEvents*> hooks = AppEvents();
    for (TApplicationEvents* ev : hooks)
      if (ev->OnMessage && !handled) ev->OnMessage(msg, handled);
  });
  return handled;
}

// ---- TApplication ----
TApplication::TApplication() : TComponent(nullptr) {}
TApplication::~TApplication() = default;

void TApplication::CatchTerminationSignals() {
  programEndsItself = true;
  CatchSignals();
}

void TApplication::Initialize() { vcl::EnsureApplication(); }

void TApplication::FormCreated(TForm* form) {
  if (!mainForm_) mainForm_ = form;
  form->AfterConstruction();
}

void TApplication::FormDestroyed(TForm* form) {
  if (mainForm_ == form) mainForm_ = nullptr;
}

void TApplication::Run() {
  Initialize();
  if (!mainForm_) return;
  ++runDepth_;
  vcl::Guarded([this] {
    if (showMainForm_ && mainForm_) mainForm_->Show();
  });
  VclInternals::CloseOnSignal();
  while (!terminated_) {
    ProcessMessages();
    VclInternals::CloseOnSignal();
    if (terminated_) break;
    bool done = true;
    vcl::Guarded([&] {
      if (OnIdle) OnIdle(this, done);
      std::vector<TApplicationEvents*> hooks = AppEvents();
      for (TApplicationEvents* ev : hooks)
        if (ev->OnIdle) ev->OnIdle(this, done);
    });
    VclInternals::CloseOnSignal();  // a signal read inside the idle handler does not wait for the next event
    if (terminated_) break;
    if (done) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  --runDepth_;
  terminated_ = false;  // the request has ended this loop
  if (mainForm_) {
    TForm* main = mainForm_;
    vcl::Guarded([main] { delete main; });
  }
}

void TApplication::ProcessMessages() {
  if (!QCoreApplication::instance()) {
    if (!IsMainThread()) return;
    Initialize();
  }
  // Under a dispatch hold everything pending waits for the loop that runs after the hold.
  if (!vcl::IsGuiThread() || MainThreadDispatchHeld()) return;
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  vcl::Guarded([] { CheckSynchronize(); });
}

void TApplication::Terminate() {
  terminated_ = true;
  Wake();
}

std::string TApplication::ExeName() const { return GetProgramFolder() + program_invocation_short_name; }

// The caption of the application's own boxes: its Title, else the program's file name.
static std::string BoxCaption() {
  return Application->Title().empty() ? std::string(program_invocation_short_name) : Application->Title();
}

bool TApplication::Headless() const { return vcl::IsHeadless(); }

void VclInternals::AllowDialogs() { Application->dialogsDismissed_ = false; }

bool TApplication::TerminationRequested() const { return terminationRequested != 0; }

void TApplication::DismissDialogs() {
  dialogsDismissed_ = true;
  if (!vcl::IsGuiThread()) return;  // the open ones run their loops on the GUI thread
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
      dialog->done(QDialog::Rejected);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  return ::MessageBox(text, caption, flags);
}

void TApplication::ShowException(const std::exception& e) {
  if (OnException) {
    OnException(this, e);
    return;
  }
  for (TApplicationEvents* ev : AppEvents())
    if (ev->OnException) {
      ev->OnException(this, e);
      return;
    }
  ::MessageBox(e.what(), BoxCaption(), MB_OK | MB_ICONSTOP);
}

void TApplication::HandleException(TObject*) {
  try {
    throw;
  } catch (const std::exception& e) {
    ShowException(e);
  } catch (...) {
    ShowException(Exception("Unknown exception"));
  }
}

// ---- TApplicationEvents ----
TApplicationEvents::TApplicationEvents(TComponent* AOwner) : TComponent(AOwner) {
  AppEvents().push_back(this);
}

TApplicationEvents::~TApplicationEvents() {
  auto& list = AppEvents();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

// ---- MessageBox ----
int MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  vcl::Answer scripted;
  int result;
  if (Application->DialogsDismissed()) {
    vcl::WriteHeadlessNote(caption, text);
    result = DismissedButton(flags);
  } else if (vcl::TakeAnswer(vcl::AnswerKind::Box, scripted)) {
    result = scripted.kind == vcl::AnswerKind::Cancel ? IDCANCEL : scripted.id;
    vcl::WriteHeadlessNote(caption, text);
  } else if (vcl::AnswersAtOnce()) {
    vcl::WriteHeadlessNote(caption, text);
    result = DefaultButton(flags);
  } else {
    if (vcl::IsHeadless()) vcl::WriteHeadlessNote(caption, text + " (waiting)");
    result = IDCANCEL;
    if (vcl::IsGuiThread())
      result = ShowBoxOnGuiThread(text, caption, flags);
    else
      QMetaObject::invokeMethod(
          Helper(), [&] { result = ShowBoxOnGuiThread(text, caption, flags); }, Qt::BlockingQueuedConnection);
  }
  vcl::RecordShown(caption, text, result);
  return result;
}

// ---- Screen ----
int TScreen::Width() const {
  vcl::EnsureApplication();
  if (vcl::IsHeadless() || !QGuiApplication::primaryScreen()) return 1280;
  return QGuiApplication::primaryScreen()->geometry().width();
}

int TScreen::Height() const {
  vcl::EnsureApplication();
  if (vcl::IsHeadless() || !QGuiApplication::primaryScreen()) return 1024;
  return QGuiApplication::primaryScreen()->geometry().height();
}

void TScreen::SetCursor(TCursor cursor) {
  vcl::EnsureApplication();
  if (cursor == cursor_) return;
  if (cursor_ != crDefault) QApplication::restoreOverrideCursor();
  cursor_ = cursor;
  if (cursor == crHourGlass)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else if (cursor == crHandPoint)
    QApplication::setOverrideCursor(Qt::PointingHandCursor);
  else if (cursor == crCross)
    QApplication::setOverrideCursor(Qt::CrossCursor);
  else if (cursor != crDefault)
    QApplication::setOverrideCursor(Qt::ArrowCursor);
}

int TScreen::FormCount() const { return static_cast<int>(AllForms().size()); }

TForm* TScreen::Forms(int index) const {
  if (index < 0 || index >= FormCount()) return nullptr;
  return AllForms()[static_cast<size_t>(index)];
}

TForm* TScreen::ActiveForm() const {
  QWidget* active = QApplication::activeWindow();
  return dynamic_cast<TForm*>(ControlOfWidget(active));
}

namespace vcl {
void RegisterForm(TForm* form) { AllForms().push_back(form); }
void UnregisterForm(TForm* form) {
  auto& list = AllForms();
  list.erase(std::remove(list.begin(), list.end(), form), list.end());
}
}  // namespace vcl

// ---- Scripting hooks ----
namespace VclTest {

bool Headless() { return vcl::IsHeadless(); }

static void Push(const vcl::Answer& a) {
  std::lock_guard<std::mutex> lock(answersMutex);
  answers.push_back(a);
}

void SetHeadlessDialogsWait(bool on) { headlessDialogsWait = on; }

void ResetTermination() {
  unsigned char buf[16];
  while (signalPipe[0] >= 0 && read(signalPipe[0], buf, sizeof buf) > 0) {
  }
  terminationRequested = 0;
  signalPending = false;
  VclInternals::AllowDialogs();
}

void ScriptMessageBoxAnswer(int id) { Push({vcl::AnswerKind::Box, id, {}, clBlack}); }

void ScriptFileDialogAnswer(const std::string& fileName) {
  if (fileName.empty())
    Push({vcl::AnswerKind::Cancel, IDCANCEL, {}, clBlack});
  else
    Push({vcl::AnswerKind::File, IDOK, fileName, clBlack});
}

void ScriptColorDialogAnswer(TColor color) { Push({vcl::AnswerKind::Color, IDOK, {}, color}); }
void ScriptDialogCancel() { Push({vcl::AnswerKind::Cancel, IDCANCEL, {}, clBlack}); }

void ClearScriptedAnswers() {
  std::lock_guard<std::mutex> lock(answersMutex);
  answers.clear();
}

int ScriptedAnswersLeft() {
  std::lock_guard<std::mutex> lock(answersMutex);
  return static_cast<int>(answers.size());
}

std::vector<ShownBox> ShownBoxes() {
  std::lock_guard<std::mutex> lock(answersMutex);
  return shown;
}

void ClearShownBoxes() {
  std::lock_guard<std::mutex> lock(answersMutex);
  shown.clear();
}

}  // namespace VclTest

#if defined(__SANITIZE_ADDRESS__)
// The font configuration library keeps a few blocks until the process ends; they are not ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif

#if defined(__SANITIZE_THREAD__)
// Qt's own locks are futex based and invisible to the thread sanitizer, so accesses that Qt orders
// itself (its thread pool, events handed between its threads) look like races. Races in code built
// with the sanitizer are still reported.
extern "C" const char* __tsan_default_suppressions() {
  return "race:libQt6Core.so\nrace:libQt6Gui.so\nrace:libQt6Widgets.so\n";
}
#endif
