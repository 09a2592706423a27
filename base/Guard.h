// The catch-all of the guarded methods: an exception that escapes one of them is a fatal error,
// reported with the method's name ("Class::Method") before the process ends.
#pragma once
#include <utility>

#include "base/Log.h"

// Runs body; any exception that escapes it ends the program through ReportFatalError(where).
// Returns what body returns.
template <typename Body>
decltype(auto) Guarded(const char* where, Body&& body) {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    ReportFatalError(where);
  }
}
