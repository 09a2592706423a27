// Fixture of the silent, test and fingerprint thread tests: the device object bound in process to
// the simulated instrument, HardwareLock and LinkUp as the main window makes them, and helpers that
// run a thread through a ThreadSlot while the test pumps the GUI thread's queue.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "device/InOut.h"
#include "engine/Threads.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/SyncObjs.h"
#include "base/Globals.h"
#include "sim/Instrument.h"

namespace simthreads {

// Runs the GUI thread's queued calls until done() holds; false after 120 s.
template <typename Done>
bool PumpUntil(Done done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    CheckSynchronize();
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

// Hands a frame-owned buffer to a thread: the thread keeps it alive while it exists.
template <typename T>
T* Give(IOThreadBase* thread, const std::shared_ptr<T>& buffer) {
  thread->Hold(buffer);
  return buffer.get();
}

class SimThreadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { SetUsb2ModuleName(std::string(RT_BIN_DIR) + "/libusb2.so"); }
  static void TearDownTestSuite() { SetUsb2ModuleName("usb2.dll"); }

  // The scenario of the test; the built-in default scene unless a test overrides it.
  virtual std::string Scenario() const { return ""; }

  void SetUp() override {
    ASSERT_TRUE(usb2sim::LoadScenarioText(Scenario()));
    io = std::make_unique<IOControl>(0);
    ASSERT_NE(Usb2DllHandle, nullptr);
    ASSERT_TRUE(BringUp());
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

  // The hardware bring-up of the main window.
  bool BringUp() {
    if (!io->Init()) return false;
    io->ParInit(8);
    io->PulseIOPin0();
    if (!io->DevicePresent() || !io->Init() || !io->SetDevicePower(true) || !io->ParInit(8)) return false;
    for (uint8_t dds = 0; dds <= 5; ++dds)
      if (!io->DDSOff(dds)) return false;
    return io->InitAudioSpeaker() && io->InitSoundProc() && io->InitSoundPCA9539() && io->SetBand(0, true) &&
           io->LoadClockOffsets() && io->I2CWriteByte(0x22, 0xFF);
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
