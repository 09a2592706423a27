// Events and the critical section.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/rtl/SysUtils.h"

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };
inline constexpr unsigned INFINITE = 0xFFFFFFFFu;

// A signal between threads. Manual reset: stays signalled until ResetEvent and releases every waiter.
// Auto reset: one successful WaitFor consumes the signal and SetEvent releases one waiter.
class TEvent {
 public:
  explicit TEvent(bool manualReset = true, bool initialState = false);
  TEvent(const TEvent&) = delete;
  TEvent& operator=(const TEvent&) = delete;
  void SetEvent();
  void ResetEvent();
  // Waits at most timeoutMs (INFINITE: no limit); the main thread's queued calls do not run meanwhile.
  TWaitResult WaitFor(unsigned timeoutMs = INFINITE);

 private:
  const bool manualReset_;
  bool signalled_;
  std::mutex mutex_;
  std::condition_variable cv_;
};

// A recursive lock that serves waiting threads first come, first served, so a thread looping
// Enter/Leave cannot starve another that waits. Leave by a thread that does not hold it raises
// Exception.
class TCriticalSection {
 public:
  TCriticalSection() = default;
  TCriticalSection(const TCriticalSection&) = delete;
  TCriticalSection& operator=(const TCriticalSection&) = delete;
  void Enter();
  void Leave();
  void Acquire() { Enter(); }
  void Release() { Leave(); }
  // Takes the lock when it is free or already held by the caller; never waits.
  bool TryEnter();
  // True when the calling thread holds the lock.
  bool HeldByCaller() const;
  // Threads waiting in Enter at this moment (diagnostics and tests).
  int WaitingThreads() const;
  // Test hook: runs in a thread that had to wait in Enter, once its ticket has come up and before it
  // takes the lock, with the internal mutex released, so a test can hold the lock between two owners.
  // Set it before other threads use the lock.
  void SetTicketServedHook(std::function<void()> hook) { ticketServedHook_ = std::move(hook); }

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  uint64_t nextTicket_ = 0;
  uint64_t servingTicket_ = 0;
  std::thread::id owner_;
  int depth_ = 0;
  std::function<void()> ticketServedHook_;
};
