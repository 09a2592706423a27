#include "platform/rtl/SyncObjs.h"

#include <chrono>

// ---- TEvent ----

TEvent::TEvent(bool manualReset, bool initialState) : manualReset_(manualReset), signalled_(initialState) {}

void TEvent::SetEvent() {
  {
    std::lock_guard lock(mutex_);
    signalled_ = true;
  }
  if (manualReset_)
    cv_.notify_all();
  else
    cv_.notify_one();
}

void TEvent::ResetEvent() {
  std::lock_guard lock(mutex_);
  signalled_ = false;
}

TWaitResult TEvent::WaitFor(unsigned timeoutMs) {
  std::unique_lock lock(mutex_);
  auto isSignalled = [this] { return signalled_; };
  if (timeoutMs == INFINITE) {
    cv_.wait(lock, isSignalled);
  } else {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!cv_.wait_until(lock, deadline, isSignalled)) return wrTimeout;
  }
  if (!manualReset_) signalled_ = false;
  return wrSignaled;
}

// ---- TCriticalSection ----
// A ticket lock: each waiter draws the next ticket and enters when its number is served, so the lock
// passes to waiters in arrival order. The owner re-enters without a ticket.

void TCriticalSection::Enter() {
  const std::thread::id me = std::this_thread::get_id();
  std::unique_lock lock(mutex_);
  if (depth_ > 0 && owner_ == me) {
    ++depth_;
    return;
  }
  const uint64_t ticket = nextTicket_++;
  const bool waited = servingTicket_ != ticket;
  cv_.wait(lock, [&] { return servingTicket_ == ticket; });
  if (waited && ticketServedHook_) {
    // The lock is ours from here on: TryEnter fails and later tickets wait until we leave.
    lock.unlock();
    ticketServedHook_();
    lock.lock();
  }
  owner_ = me;
  depth_ = 1;
}

void TCriticalSection::Leave() {
  std::unique_lock lock(mutex_);
  if (depth_ == 0 || owner_ != std::this_thread::get_id())
    throw Exception("TCriticalSection::Leave by a thread that does not hold it");
  if (--depth_ > 0) return;
  owner_ = std::thread::id();
  ++servingTicket_;
  lock.unlock();
  cv_.notify_all();
}

bool TCriticalSection::TryEnter() {
  const std::thread::id me = std::this_thread::get_id();
  std::lock_guard lock(mutex_);
  if (depth_ > 0 && owner_ == me) {
    ++depth_;
    return true;
  }
  if (depth_ > 0 || nextTicket_ != servingTicket_) return false;
  ++nextTicket_;
  owner_ = me;
  depth_ = 1;
  return true;
}

bool TCriticalSection::HeldByCaller() const {
  std::lock_guard lock(mutex_);
  return depth_ > 0 && owner_ == std::this_thread::get_id();
}

int TCriticalSection::WaitingThreads() const {
  std::lock_guard lock(mutex_);
  uint64_t drawn = nextTicket_ - servingTicket_;  // the holder's ticket is among them
  return static_cast<int>(depth_ > 0 ? drawn - 1 : drawn);
}
