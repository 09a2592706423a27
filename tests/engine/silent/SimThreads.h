// Fixture of the silent, test and fingerprint thread tests: the device object bound in process to
// the simulated instrument, HardwareLock and LinkUp as the main window makes them, and helpers that
// run a thread through a ThreadSlot while the test pumps the GUI thread's queue.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "device/InOut.h"
#include "engine/Threads.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/SyncObjs.h"
#include "base/Globals.h"
#include "sim/Instrument.h"
#include "tests/support/Pump.h"
#include "tests/support/SimInstrument.h"

namespace simthreads {

// Runs the GUI thread's queued calls until done() holds; false after the bound.
template <typename Done>
bool PumpUntil(Done done) {
  return testpump::PumpUntil(testpump::Loop::Queue, done);
}

// Hands a frame-owned buffer to a thread: the thread keeps it alive while it exists.
template <typename T>
T* Give(IOThreadBase* thread, const std::shared_ptr<T>& buffer) {
  thread->Hold(buffer);
  return buffer.get();
}

class SimThreadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { siminstrument::Bind(); }
  static void TearDownTestSuite() { siminstrument::Unbind(); }

  // The scenario of the test; the built-in default scene unless a test overrides it.
  virtual std::string Scenario() const { return ""; }

  void SetUp() override {
    ASSERT_TRUE(siminstrument::Load(Scenario()));
    io = std::make_unique<IOControl>(0);
    ASSERT_NE(Usb2DllHandle, nullptr);
    ASSERT_TRUE(siminstrument::BringUp(*io));
    HardwareLock = new TCriticalSection();
    IOCtrl = io.get();
    LinkUp = 1;
  }

  void TearDown() override {
    JoinOrphanedThreads();
    for (int i = 0; i < 100; ++i) CheckSynchronize();
    IOCtrl = nullptr;
    delete HardwareLock;
    HardwareLock = nullptr;
    io.reset();
    LinkUp = 1;
  }

  // Starts thread in slot and waits until it has ended by itself; calls inspect(thread) on the GUI
  // thread while the thread object is still valid. False when it did not end in time.
  template <typename Thread, typename Inspect>
  bool RunToEnd(ThreadSlot& slot, Thread* thread, Inspect inspect) {
    bool ended = false;
    slot.Start(thread, [&](IOThreadBase* sender) {
      inspect(static_cast<Thread*>(sender));
      ended = true;
    });
    return PumpUntil([&] { return ended; });
  }
  template <typename Thread>
  bool RunToEnd(Thread* thread) {
    ThreadSlot slot;
    return RunToEnd(slot, thread, [](Thread*) {});
  }

  std::unique_ptr<IOControl> io;
};

}  // namespace simthreads
