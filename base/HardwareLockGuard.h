// Scoped ownership of HardwareLock, the lock around every whole device operation. Taken in the
// constructor, released in the destructor, so an early return or an exception never leaves the
// instrument locked. Does nothing while the lock does not exist (before the main window made it,
// after it was deleted).
#pragma once
#include "platform/rtl/SyncObjs.h"
#include "base/Globals.h"

class HardwareLockGuard {
 public:
  HardwareLockGuard() : lock_(HardwareLock) {
    if (lock_) lock_->Enter();
  }
  ~HardwareLockGuard() {
    if (lock_) lock_->Leave();
  }
  HardwareLockGuard(const HardwareLockGuard&) = delete;
  HardwareLockGuard& operator=(const HardwareLockGuard&) = delete;

 private:
  TCriticalSection* lock_;
};
