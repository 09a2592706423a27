// The sweep threads against the simulated instrument in process: the device object bound to
// libusb2.so, brought up as the main window does, with the program's lock and link flag.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "device/InOut.h"
#include "engine/Threads.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/SyncObjs.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"
#include "sim/Instrument.h"
#include "tests/support/Pump.h"
#include "tests/support/SimInstrument.h"

class SweepFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { siminstrument::Bind(); }
  static void TearDownTestSuite() { siminstrument::Unbind(); }

  void SetUp() override {
    ASSERT_TRUE(siminstrument::Load(Scenario()));
    io = std::make_unique<IOControl>(0);
    // The sweep threads expect the receiver in measure mode, as a measuring view leaves it.
    ASSERT_TRUE(siminstrument::BringUp(*io) && io->InitMeasureMode());
    IOCtrl = io.get();
    HardwareLock = new TCriticalSection();
    LinkUp = 1;
  }
  void TearDown() override {
    slot.Stop();
    JoinOrphanedThreads();
    for (int i = 0; i < 100; ++i) CheckSynchronize();
    IOCtrl = nullptr;
    delete HardwareLock;
    HardwareLock = nullptr;
    io.reset();
    usb2sim::Reset();
  }
  virtual std::string Scenario() const { return ""; }

  // The instrument as an analyser view prepares it for a detail sweep around centre.
  bool PrepareDetail(double centre) {
    HardwareLockGuard lock;
    return io->InitMeasureMode() && io->SetIFBandwidth(3) && io->WritePCA9539(0x74, 0) &&
           io->SetFrequency(centre);
  }

  // Runs the GUI thread's queued calls until done() holds; false after the bound.
  template <typename Done>
  bool PumpUntil(Done done) {
    return testpump::PumpUntil(testpump::Loop::Queue, done);
  }

  // Sweeps made by the simulated instrument so far.
  static unsigned Sweeps() { return usb2sim::GetState().sweeps; }
  // Waits until the instrument has made n more sweeps.
  bool WaitSweeps(unsigned n) {
    const unsigned target = Sweeps() + n;
    return PumpUntil([&] { return Sweeps() >= target; });
  }

  // Centre of the run around the strongest value in [from, to) that stays above half-way between the
  // run's median and its maximum.
  template <typename Get>
  static int PeakIndex(int from, int to, Get get) {
    std::vector<float> v;
    for (int i = from; i < to; ++i) v.push_back(get(i));
    const int top = int(std::max_element(v.begin(), v.end()) - v.begin());
    std::vector<float> sorted(v);
    std::nth_element(sorted.begin(), sorted.begin() + long(sorted.size() / 2), sorted.end());
    const float threshold = (v[size_t(top)] + sorted[sorted.size() / 2]) / 2;
    int first = top, last = top;
    while (first > 0 && v[size_t(first - 1)] > threshold) --first;
    while (last + 1 < int(v.size()) && v[size_t(last + 1)] > threshold) ++last;
    return from + (first + last) / 2;
  }

  // Middle between the first and the last value in [from, to) above half-way between the median and
  // the maximum (gaps allowed: a pulsed emitter may be off at single points).
  template <typename Get>
  static int SpanCentre(int from, int to, Get get) {
    std::vector<float> v;
    for (int i = from; i < to; ++i) v.push_back(get(i));
    std::vector<float> sorted(v);
    std::nth_element(sorted.begin(), sorted.begin() + long(sorted.size() / 2), sorted.end());
    const float threshold = (*std::max_element(v.begin(), v.end()) + sorted[sorted.size() / 2]) / 2;
    int first = -1, last = -1;
    for (int i = 0; i < int(v.size()); ++i)
      if (v[size_t(i)] > threshold) {
        if (first < 0) first = i;
        last = i;
      }
    return from + (first + last) / 2;
  }

  std::unique_ptr<IOControl> io;
  ThreadSlot slot;
};
