// Scoped ownership of HardwareLock, the lock around every whole device operation. Taken in the
// constructor, released in the destructor, so an early return or an exception never leaves the
// instrument locked. Does nothing while the lock does not exist (before the main window made it,
// after it was deleted).
//
// On the GUI thread the guard also holds the thread's message dispatch (TDispatchHold) from before
// the lock is taken until after it is left: the device operations that let pending messages run
// (the volume ramps, the VCO tuning) then run none, and the dialogs opened inside run no timer,
// queued call or message hook. So no click or tick can run while the GUI thread holds the lock;
// otherwise a handler that stops a measurement thread would wait for a thread that waits for this
// very lock.
#pragma once
#include "base/Globals.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/SyncObjs.h"

class HardwareLockGuard {
 public:
  HardwareLockGuard() : lock_(HardwareLock) {
    if (lock_) lock_->Enter();
  }
  // Takes the lock only when it is free or already held by the caller, never waiting; Owns tells.
  struct TryTag {};
  static constexpr TryTag Try{};
  explicit HardwareLockGuard(TryTag)
      : lock_(HardwareLock && HardwareLock->TryEnter() ? HardwareLock : nullptr) {}
  ~HardwareLockGuard() {
    if (lock_) lock_->Leave();
  }
  HardwareLockGuard(const HardwareLockGuard&) = delete;
  HardwareLockGuard& operator=(const HardwareLockGuard&) = delete;

  bool Owns() const { return lock_ != nullptr; }

 private:
  TDispatchHold hold_;  // first in, last out: it spans the whole hold of the lock
  TCriticalSection* lock_;
};

// True when the calling thread holds HardwareLock.
inline bool HardwareLockHeldHere() { return HardwareLock && HardwareLock->HeldByCaller(); }
