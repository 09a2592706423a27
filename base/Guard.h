// The catch-all of the guarded methods: an exception that escapes one of them is a fatal error,
// reported with the method's name ("Class::Method") before the process ends.
#pragma once
#include <atomic>
#include <utility>

#include "base/Log.h"

// Test hook: when set, told the name of every guarded body as it starts (on the calling thread), so
// a test can see under which name an operation would report.
inline std::atomic<void (*)(const char* where)> GuardEntered{nullptr};

// Runs body; any exception that escapes it ends the program through ReportFatalError(where).
// Returns what body returns.
template <typename Body>
decltype(auto) Guarded(const char* where, Body&& body) {
  if (auto* entered = GuardEntered.load(std::memory_order_relaxed)) entered(where);
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    ReportFatalError(where);
  }
}
