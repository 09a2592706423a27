// The measurement thread base and the start/stop protocol that every mode frame follows.
//
// A frame owns one ThreadSlot per kind of thread it runs. ThreadSlot::Start hands the thread the
// slot's finished event and terminate handler and resumes it; ThreadSlot::Stop asks it to end, waits
// at most StopTimeoutMs, clears LinkUp when the thread stopped on a device failure and forgets it.
//
// Lifetime: a thread deletes itself on the GUI thread after Execute has returned (and after its
// terminate handler ran). The stop path runs on the GUI thread and does not pump messages, so the
// thread object stays valid until Stop has read ErrorFlag. A thread that does not end within the wait
// is not deleted while it runs: the slot hands it to the orphan list, which deletes it once it has
// ended (ReapOrphanedThreads) or waits for it (JoinOrphanedThreads, before the device object goes).
// Everything such a thread writes must outlive it: frames hand buffers over as shared pointers
// (IOThreadBase::Hold), and the finished event is shared the same way.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/rtl/Classes.h"
#include "platform/rtl/SyncObjs.h"

// The report of the last thread that stopped on a failed device operation ("Device operation failed
// in SonarThread: UsbParOut failed (module error 5)"); empty when none did. Any thread may ask.
std::string LastThreadFailureReport();
// "Device operation failed in <where>: <the last failed module call>", with withoutCall in the
// call's place when no module call failed.
std::string DeviceFailureReport(const std::string& where, const std::string& withoutCall);
void ClearLastThreadFailureReport();

class IOThreadBase : public TThread {
 public:
  // Suspended, self-freeing, no event, no error, gate open.
  IOThreadBase();
  ~IOThreadBase() override;

  TEvent* FinishedEvent = nullptr;    // the frame's event, set before Resume
  std::atomic<uint8_t> ErrorFlag{0};  // 1 once the thread stopped on a failed device operation
  std::atomic<uint8_t> RunGate{1};    // 0 holds the threads that can be held
  // Set by the starter once OnTerminate is in place. CheckStart tests this flag instead of
  // OnTerminate itself, which the GUI thread clears when it stops the thread (maybe before the
  // thread has even begun).
  std::atomic<bool> HandlerSet{false};

  // Requests termination and wakes the thread from a pause at once (the stop path uses this).
  void RequestStop();

  // Ends the process through FatalError when the event or the terminate handler is missing.
  void CheckStart();
  // A device operation failed: reported on stderr with tag (the thread's class name when tag is
  // empty) and the module call that failed, ErrorFlag := 1, then the event is set. The caller
  // returns at once.
  void ErrorExit(const std::string& tag);
  // The thread's class name, as reports name it.
  std::string ThreadName() const;
  // Shows text in a box captioned "Schwerer Fehler in Thread" (ShowFatalErrorBox), then ends the
  // process with FatalExitCode.
  [[noreturn]] void FatalError(const std::string& text = "");

  // Keeps a resource that Execute writes (a frame's buffer, the finished event) alive for as long as
  // this thread object exists, so a thread that outlives its frame's wait never writes freed memory.
  void Hold(std::shared_ptr<void> resource);

 protected:
  // One device operation inside HardwareLock. False from op means the device failed: ErrorExit(tag)
  // is called and false returned; the caller then returns from Execute.
  bool DeviceStep(const std::string& tag, const std::function<bool()>& op);
  // Runs fn inside HardwareLock (copies into frame buffers, several operations in one hold).
  void Locked(const std::function<void()>& fn);
  // Sets the finished event when there is one (the normal way out of Execute).
  void SignalFinished();
  // Waits in 100 ms steps while RunGate is 0. Returns false when termination was requested.
  bool PassRunGate();
  // Sleeps up to ms milliseconds, returning early (false) when termination is requested: at once
  // after RequestStop, within a short slice after a plain Terminate.
  bool SleepUnlessTerminated(unsigned ms);

 private:
  std::mutex stopMutex_;
  std::condition_variable stopWake_;
  std::mutex holdMutex_;
  std::vector<std::shared_ptr<void>> held_;
};

// The box of a fatal error in a measurement thread: text, caption "Schwerer Fehler in Thread", OK,
// shown from any thread as ShowBoxFromAnyThread (base/Log.h) shows it.
inline constexpr const char* FatalErrorCaption = "Schwerer Fehler in Thread";
void ShowFatalErrorBox(const std::string& text);

// A value the GUI posts to a running thread. The GUI writes the value and raises the flag; the thread
// takes it at its next check point between device steps and applies it itself inside the lock.
template <typename T>
class Posted {
 public:
  void Post(const T& value) {
    std::lock_guard lock(mutex_);
    value_ = value;
    pending_ = true;
  }
  // Takes the pending value (and lowers the flag); false when nothing was posted since the last take.
  bool Take(T& out) {
    std::lock_guard lock(mutex_);
    if (!pending_) return false;
    out = value_;
    pending_ = false;
    return true;
  }
  bool Pending() const {
    std::lock_guard lock(mutex_);
    return pending_;
  }
  // The last posted value, taken or not.
  T Last() const {
    std::lock_guard lock(mutex_);
    return value_;
  }

 private:
  mutable std::mutex mutex_;
  T value_{};
  bool pending_ = false;
};

// One measurement thread of a frame, with the start and stop protocol.
class ThreadSlot {
 public:
  // Follow-up of a thread that ended by itself (GUI thread), after LinkUp was cleared on its error
  // and the slot has forgotten it. The thread object is valid during the call.
  using FinishedHandler = std::function<void(IOThreadBase* thread)>;

  ThreadSlot();
  ~ThreadSlot();  // stops a running thread
  ThreadSlot(const ThreadSlot&) = delete;
  ThreadSlot& operator=(const ThreadSlot&) = delete;

  // Stops a thread still running in the slot, then: event reset and handed over, terminate handler
  // set, thread resumed. The slot takes the thread (it frees itself when it ends).
  void Start(IOThreadBase* thread, FinishedHandler onFinished = {});
  // The stop protocol. Nothing when no thread runs. Returns false when the thread did not end within
  // StopTimeoutMs (it is then orphaned, never deleted while it runs).
  bool Stop();

  IOThreadBase* Thread() const { return thread_; }
  bool Running() const { return thread_ != nullptr; }
  TEvent& Event() { return *event_; }

  unsigned StopTimeoutMs = 15000;

 private:
  void OnThreadTerminate(TObject* sender);
  // Waits for the event or the thread's real end, at most StopTimeoutMs.
  void WaitForEnd(IOThreadBase* thread);

  std::shared_ptr<TEvent> event_;
  IOThreadBase* thread_ = nullptr;
  FinishedHandler onFinished_;
};

// Threads whose stop timed out and that still run. Reap deletes those that have ended since; Join
// waits for every one of them (called before the device object and HardwareLock are deleted).
void ReapOrphanedThreads();
void JoinOrphanedThreads();
int OrphanedThreadCount();
// Stops reached while the stopping thread held HardwareLock (a fault: each is reported on stderr).
int StopsWithHardwareLockHeld();
