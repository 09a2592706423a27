// The locating threads in process against the simulated instrument: the device object bound to
// libusb2.so, HardwareLock, and a thread slot whose thread the test drives by pumping the GUI
// thread's queued calls.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "device/InOut.h"
#include "engine/Threads.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/SyncObjs.h"
#include "base/Globals.h"
#include "sim/Instrument.h"

class LocateFixture {
 public:
  static void BindSimulator() { SetUsb2ModuleName(std::string(RT_BIN_DIR) + "/libusb2.so"); }

  // Loads the scenario, makes the device object and brings the instrument up.
  void StartInstrument(const std::string& scenario) {
    ASSERT_TRUE(usb2sim::LoadScenarioText(scenario));
    LinkUp = 1;
    HardwareLock = new TCriticalSection();
    IOCtrl = new IOControl(0);
    ASSERT_NE(Usb2DllHandle, nullptr);
    ASSERT_TRUE(BringUp());
  }

  void StopInstrument() {
    slot.Stop();
    JoinOrphanedThreads();
    Pump(20);
    delete IOCtrl;
    IOCtrl = nullptr;
    delete HardwareLock;
    HardwareLock = nullptr;
    LinkUp = 1;
  }

  // Runs the GUI thread's queued calls until done() holds or timeoutSeconds pass; returns done().
  static bool PumpUntil(const std::function<bool()>& done, double timeoutSeconds = 60.0) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    while (!done()) {
      if (std::chrono::steady_clock::now() > until) return done();
      CheckSynchronize();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }
  static void Pump(int rounds) {
    for (int i = 0; i < rounds; ++i) CheckSynchronize();
  }

  // Starts a thread in the slot; finished becomes true when it ends by itself, after readResults
  // (if given) has read the thread's results while the thread object still exists.
  void Start(IOThreadBase* thread, std::function<void(IOThreadBase*)> readResults = {}) {
    finished = false;
    errorFlag = 0;
    slot.Start(thread, [this, readResults](IOThreadBase* t) {
      if (readResults) readResults(t);
      errorFlag = t->ErrorFlag.load();
      finished = true;
    });
  }

  ThreadSlot slot;
  bool finished = false;
  int errorFlag = 0;

 private:
  static bool BringUp() {
    IOControl* io = IOCtrl;
    if (!io->Init()) return false;
    io->ParInit(8);
    io->PulseIOPin0();
    if (!io->DevicePresent() || !io->Init() || !io->SetDevicePower(true) || !io->ParInit(8)) return false;
    for (uint8_t dds = 0; dds <= 5; ++dds)
      if (!io->DDSOff(dds)) return false;
    return io->InitAudioSpeaker() && io->InitSoundProc() && io->InitSoundPCA9539() && io->SetBand(0, true) &&
           io->LoadClockOffsets();
  }
};
