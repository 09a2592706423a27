// Several threads use the module at once, as the program's GUI and measurement threads do:
// command/answer pairs under the program's own lock, presence checks, the timeout and the test
// API outside it. Every answer must stay whole and correct.
#include "SimCaller.h"

#include <time.h>

#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

using namespace simtest;

namespace {

TEST(SimThreads, ConcurrentCallersKeepTheirAnswers) {
  Fresh();
  MeasureMode();
  std::mutex hardwareLock;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        std::lock_guard<std::mutex> lock(hardwareLock);
        const uint8_t cell = static_cast<uint8_t>(100 + t);
        if (!Out({33, cell, static_cast<uint8_t>(i)}) || !Out({32, cell}) ||
            In(1) != Bytes{static_cast<uint8_t>(i)})
          ++failures;
        if (!Out({23, 0x0C, 0x80, 0, 0, 0, 0, 0xA3, 0xD7, 0x00, 0x64, 0}) || In(100).size() != 100)
          ++failures;
      }
    });
  }
  threads.emplace_back([&] {
    for (int i = 0; i < 500; ++i) {
      if (!UsbDevicePresent(0)) ++failures;
      UsbParSetTimeout(0, 1000);
      (void)usb2sim::GetState();
    }
  });
  threads.emplace_back([&] {
    usb2sim::EmitterSpec spec;
    spec.frequencyHz = 50e6;
    for (int i = 0; i < 200; ++i) {
      const int id = usb2sim::AddEmitter(spec);
      if (!usb2sim::RemoveEmitter(id)) ++failures;
      if (!UsbI2CWriteByte(0, 0x38, static_cast<uint8_t>(i))) ++failures;
    }
  });
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(usb2sim::GetState().unknownCommands, 0u);
}

TEST(SimThreads, RealPaceSleepsOutsideTheModelLock) {
  // a sweep in real pace takes hardware time; meanwhile another thread is still served
  Fresh("[device]\npace=real\n");
  MeasureMode();
  std::atomic<bool> sweepDone{false};
  std::thread sweeper([&] {
    Out({23, 0x0C, 0x80, 0, 0, 0, 0, 0xA3, 0xD7, 0x03, 0xE8, 50});  // 50000 conversions, about 1 s
    In(1000);
    sweepDone = true;
  });
  // calls served after the sweep was taken in and before it was answered: with the sleep
  // inside the lock every call would wait for the sweep's end
  int served = 0;
  while (!sweepDone) {
    if (usb2sim::GetState().sweeps == 1 && UsbDevicePresent(0) && !sweepDone) ++served;
    std::this_thread::yield();
  }
  sweeper.join();
  EXPECT_GT(served, 100) << "a sleep under the lock would let only a call or two through";
}

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The module counts the CPU time its calls spend modelling the instrument: the work inside the
// entry points, not the caller's own work.
TEST(SimThreads, ModellingCpuCountsTheWorkInsideTheCallsOnly) {
  Fresh();
  MeasureMode();
  const double start = usb2sim::ModellingCpuSeconds();
  volatile double sink = 0;
  for (int i = 0; i < 2000000; ++i) sink = sink + std::sqrt(double(i));  // the caller's own work
  EXPECT_EQ(usb2sim::ModellingCpuSeconds(), start);
  const double threadStart = ThreadCpuSeconds();
  Out({23, 0x0C, 0x80, 0, 0, 0, 0, 0xA3, 0xD7, 0x03, 0xE8, 50});  // 50000 conversions
  EXPECT_EQ(In(1000).size(), 1000u);
  const double spent = ThreadCpuSeconds() - threadStart;
  const double modelling = usb2sim::ModellingCpuSeconds() - start;
  EXPECT_GT(modelling, 0.0);
  EXPECT_LE(modelling, spent);
  EXPECT_EQ(usb2sim_ModellingCpuSeconds(), usb2sim::ModellingCpuSeconds());
}

}  // namespace
