// The locating threads in process against the simulated instrument: the device object bound to
// libusb2.so, HardwareLock, and a thread slot whose thread the test drives by pumping the GUI
// thread's queued calls.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "device/InOut.h"
#include "engine/Buffers.h"
#include "engine/FieldLocateThreads.h"
#include "engine/Threads.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/SyncObjs.h"
#include "base/Globals.h"
#include "sim/Instrument.h"
#include "tests/support/Pump.h"
#include "tests/support/SimInstrument.h"

class LocateFixture {
 public:
  static constexpr double Carrier = 433.0e6;

  // A steady transmitter of the scene.
  static usb2sim::EmitterSpec Emitter(double hz, double dbm, double bandwidthHz = 10e3) {
    usb2sim::EmitterSpec e;
    e.frequencyHz = hz;
    e.levelDbm = dbm;
    e.bandwidthHz = bandwidthHz;
    return e;
  }

  // A digital field locate thread on the carrier drawing into buffer and water (held by the thread),
  // not yet started.
  static DigFieldLocateThread* NewDigitalLocate(const std::shared_ptr<DigitalBuffer>& buffer,
                                                const std::shared_ptr<DigitalWaterBuffer>& water) {
    auto* thread = new DigFieldLocateThread();
    thread->Buffer = buffer.get();
    thread->Waterfall = water.get();
    thread->Hold(buffer);
    thread->Hold(water);
    thread->Frequency = Carrier;
    return thread;
  }

  static void BindSimulator() { siminstrument::Bind(); }

  // Loads the scenario, makes the device object and brings the instrument up.
  void StartInstrument(const std::string& scenario) {
    ASSERT_TRUE(siminstrument::Load(scenario));
    LinkUp = 1;
    HardwareLock = new TCriticalSection();
    IOCtrl = new IOControl(0);
    ASSERT_NE(Usb2DllHandle, nullptr);
    ASSERT_TRUE(siminstrument::BringUp(*IOCtrl));
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
  static bool PumpUntil(const std::function<bool()>& done, double timeoutSeconds = 120.0) {
    return testpump::PumpUntil(testpump::Loop::Queue, done, std::chrono::duration<double>(timeoutSeconds));
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
};
