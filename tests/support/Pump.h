// Runs the GUI thread's pending work while a test waits for a thread or a screen: either the queue of
// calls that threads hand to the GUI thread (Synchronize, Queue) or the whole message loop (events,
// timers, and that queue). The bound is generous, so a slow machine only makes the wait longer; a
// test asserts the returned result, never the time taken.
#pragma once
#include <chrono>
#include <thread>

#include "platform/rtl/Classes.h"
#include "platform/vcl/Forms.h"

namespace testpump {

enum class Loop {
  Queue,     // CheckSynchronize: the calls threads queue to the GUI thread
  Messages,  // Application->ProcessMessages: events, timers and the queued calls
};

// Long enough for any wait of the suite on a loaded machine.
inline constexpr std::chrono::seconds DefaultBound{120};

// Runs the loop until done() holds or bound has passed; returns done().
template <typename Done>
bool PumpUntil(Loop loop, Done&& done, std::chrono::duration<double> bound = DefaultBound) {
  const auto until = std::chrono::steady_clock::now() +
                     std::chrono::duration_cast<std::chrono::steady_clock::duration>(bound);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return done();
    if (loop == Loop::Messages) {
      Application->ProcessMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } else {
      CheckSynchronize();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  }
  return true;
}

// Runs the loop for the whole of duration (a program left running for a while).
inline void PumpFor(Loop loop, std::chrono::duration<double> duration) {
  PumpUntil(loop, [] { return false; }, duration);
}

}  // namespace testpump
