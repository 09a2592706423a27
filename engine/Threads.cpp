#include "engine/Threads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "device/InOut.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Forms.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"
#include "base/Log.h"

// ---- IOThreadBase ----

IOThreadBase::IOThreadBase() : TThread(true) { FreeOnTerminate = true; }

IOThreadBase::~IOThreadBase() = default;

void IOThreadBase::CheckStart() {
  if (!FinishedEvent || !HandlerSet.load()) FatalError("Event oder OnTerminate = NULL");
}

namespace {
std::mutex failureMutex;
std::string lastFailureReport;
}  // namespace

std::string LastThreadFailureReport() {
  std::lock_guard lock(failureMutex);
  return lastFailureReport;
}

void ClearLastThreadFailureReport() {
  std::lock_guard lock(failureMutex);
  lastFailureReport.clear();
}

std::string IOThreadBase::ThreadName() const { return ClassName(typeid(*this)); }

std::string DeviceFailureReport(const std::string& where, const std::string& withoutCall) {
  const std::string call = LastModuleFailure();
  return "Device operation failed in " + where + ": " + (call.empty() ? withoutCall : call);
}

void IOThreadBase::ErrorExit(const std::string& tag) {
  const std::string report = DeviceFailureReport(tag.empty() ? ThreadName() : tag,
                                                 "a device operation failed without a module error");
  std::fprintf(stderr, "%s\n", report.c_str());
  std::fflush(stderr);
  {
    std::lock_guard lock(failureMutex);
    lastFailureReport = report;
  }
  ErrorFlag.store(1);
  SignalFinished();
}

// The process ends with FatalExitCode, not 0: whatever watches the program must not take a fatal
// error for a normal end.
void IOThreadBase::FatalError(const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", FatalErrorCaption, text.c_str());
  std::fflush(nullptr);
  ShowFatalErrorBox(text);
  std::fflush(nullptr);
  std::_Exit(FatalExitCode);
}

void ShowFatalErrorBox(const std::string& text) { ShowBoxFromAnyThread(text, FatalErrorCaption); }

void IOThreadBase::Hold(std::shared_ptr<void> resource) {
  std::lock_guard lock(holdMutex_);
  held_.push_back(std::move(resource));
}

bool IOThreadBase::DeviceStep(const std::string& tag, const std::function<bool()>& op) {
  bool ok;
  {
    HardwareLockGuard lock;
    ClearLastModuleFailure();  // the report names this step's failed call, not an older one
    ok = op();
  }
  if (!ok) ErrorExit(tag);
  return ok;
}

void IOThreadBase::Locked(const std::function<void()>& fn) {
  HardwareLockGuard lock;
  fn();
}

void IOThreadBase::SignalFinished() {
  if (FinishedEvent) FinishedEvent->SetEvent();
}

bool IOThreadBase::PassRunGate() {
  while (RunGate.load() == 0)
    if (!SleepUnlessTerminated(100)) return false;
  return !Terminated();
}

void IOThreadBase::RequestStop() {
  {
    std::lock_guard lock(stopMutex_);
    Terminate();
  }
  stopWake_.notify_all();
}

bool IOThreadBase::SleepUnlessTerminated(unsigned ms) {
  using Clock = std::chrono::steady_clock;
  constexpr Clock::duration slice = std::chrono::milliseconds(20);
  const Clock::time_point until = Clock::now() + std::chrono::milliseconds(ms);
  std::unique_lock lock(stopMutex_);
  while (!Terminated()) {
    const Clock::time_point now = Clock::now();
    if (now >= until) return true;
    stopWake_.wait_for(lock, std::min(slice, until - now));
  }
  return false;
}

// ---- Orphaned threads ----

namespace {

std::vector<IOThreadBase*>& Orphans() {
  static std::vector<IOThreadBase*> orphans;  // GUI thread only
  return orphans;
}

void Orphan(IOThreadBase* thread) {
  // The slot no longer waits for it; it must not free itself behind the orphan list's back.
  thread->FreeOnTerminate = false;
  std::fprintf(stderr, "A measurement thread did not stop in time; it is kept until it ends\n");
  Orphans().push_back(thread);
}

}  // namespace

void ReapOrphanedThreads() {
  auto& orphans = Orphans();
  for (auto it = orphans.begin(); it != orphans.end();) {
    if ((*it)->Finished()) {
      delete *it;
      it = orphans.erase(it);
    } else {
      ++it;
    }
  }
}

void JoinOrphanedThreads() {
  auto& orphans = Orphans();
  for (IOThreadBase* thread : orphans) {
    thread->RequestStop();
    thread->WaitFor();
    delete thread;
  }
  orphans.clear();
}

int OrphanedThreadCount() { return static_cast<int>(Orphans().size()); }

namespace {
std::atomic<int> stopsWithLockHeld{0};
}  // namespace

int StopsWithHardwareLockHeld() { return stopsWithLockHeld.load(); }

// ---- ThreadSlot ----

ThreadSlot::ThreadSlot() : event_(std::make_shared<TEvent>(false, false)) {}

ThreadSlot::~ThreadSlot() { Stop(); }

void ThreadSlot::Start(IOThreadBase* thread, FinishedHandler onFinished) {
  Stop();
  ReapOrphanedThreads();
  thread_ = thread;
  onFinished_ = std::move(onFinished);
  event_->ResetEvent();
  thread->FinishedEvent = event_.get();
  thread->Hold(event_);
  thread->OnTerminate = [this](TObject* sender) { OnThreadTerminate(sender); };
  thread->HandlerSet = true;
  thread->Resume();
}

void ThreadSlot::OnThreadTerminate(TObject* sender) {
  auto* thread = static_cast<IOThreadBase*>(sender);
  if (thread->ErrorFlag.load()) LinkUp = 0;
  if (thread == thread_) thread_ = nullptr;
  FinishedHandler followUp = onFinished_;
  if (followUp) followUp(thread);
}

bool ThreadSlot::Stop() {
  IOThreadBase* thread = thread_;
  if (!thread) return true;
  if (HardwareLockHeldHere()) {
    // A fault of the caller: the thread may wait for this very lock, so the wait would run out.
    ++stopsWithLockHeld;
    std::fprintf(stderr, "A measurement thread is stopped while the device lock is held\n");
  }
  thread->OnTerminate = nullptr;
  thread->RequestStop();
  WaitForEnd(thread);
  if (thread->ErrorFlag.load()) LinkUp = 0;
  thread_ = nullptr;
  if (thread->Finished()) return true;
  Orphan(thread);
  return false;
}

void ThreadSlot::WaitForEnd(IOThreadBase* thread) {
  // The event alone is not enough: a thread that returns early without setting it has still ended.
  constexpr unsigned slice = 20;
  for (unsigned waited = 0; waited < StopTimeoutMs; waited += slice) {
    if (event_->WaitFor(slice) == wrSignaled) {
      // The event comes just before Execute returns; give the thread a moment to really end.
      for (int i = 0; i < 100 && !thread->Finished(); ++i) Sleep(1);
      return;
    }
    if (thread->Finished()) return;
  }
}
