// Cost of the sweep threads per pass against the in-process simulated instrument (pace=fast):
// the program's pass (thread, posted-change checks, grid fill, link and health checks) against the
// same sweep commands sent straight through the device object. Wall time per pass.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "device/InOut.h"
#include "engine/SweepThreads.h"
#include "engine/SweepWideThreads.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/SyncObjs.h"
#include "base/Globals.h"
#include "sim/Instrument.h"

namespace {

using Clock = std::chrono::steady_clock;

// The simulated instrument brought up as the main window does, in measure mode.
class Instrument {
 public:
  Instrument() {
    SetUsb2ModuleName(std::string(RT_BIN_DIR) + "/libusb2.so");
    usb2sim::LoadScenarioText("[device]\npace=fast\n");
    io_ = std::make_unique<IOControl>(0);
    io_->Init();
    io_->ParInit(8);
    io_->PulseIOPin0();
    io_->Init();
    io_->SetDevicePower(true);
    io_->ParInit(8);
    io_->InitAudioSpeaker();
    io_->InitSoundProc();
    io_->InitSoundPCA9539();
    io_->InitMeasureMode();
    IOCtrl = io_.get();
    HardwareLock = new TCriticalSection();
    LinkUp = 1;
  }
  ~Instrument() {
    IOCtrl = nullptr;
    delete HardwareLock;
    HardwareLock = nullptr;
  }
  IOControl& Io() { return *io_; }

 private:
  std::unique_ptr<IOControl> io_;
};

// Counts completed passes of a thread and times them on the thread's side, so that the waiting
// bench thread's wake-up latency does not count. WaitNext returns the duration of the next pass.
class PassCounter {
 public:
  void Done() {
    const auto now = Clock::now();
    std::lock_guard lock(mutex_);
    last_ = now - previous_;
    previous_ = now;
    ++passes_;
    done_.notify_all();
  }
  double WaitNext() {
    std::unique_lock lock(mutex_);
    const unsigned target = passes_ + 1;
    while (passes_ < target) {
      lock.unlock();
      CheckSynchronize();
      lock.lock();
      done_.wait_for(lock, std::chrono::milliseconds(1), [&] { return passes_ >= target; });
    }
    return std::chrono::duration<double>(last_).count();
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  unsigned passes_ = 0;
  Clock::time_point previous_ = Clock::now();
  Clock::duration last_{};
};

class TimedWideThread : public SweepWideThread {
 public:
  explicit TimedWideThread(PassCounter& counter) : counter_(counter) {}

 protected:
  bool AfterSegment() override {
    if (++segments_ % 15 == 0) counter_.Done();
    return true;
  }

 private:
  PassCounter& counter_;
  unsigned segments_ = 0;
};

class TimedNarrowThread : public Sweep10MhzThread {
 public:
  explicit TimedNarrowThread(PassCounter& counter) : counter_(counter) {}

 protected:
  void Store() override {
    Sweep10MhzThread::Store();
    counter_.Done();
  }

 private:
  PassCounter& counter_;
};

// Runs a thread and reports the wall time of each of its passes.
template <typename Start>
void TimePasses(benchmark::State& state, PassCounter& counter, Start start) {
  ThreadSlot slot;
  start(slot);
  counter.WaitNext();  // the first pass includes the set-up
  for (auto _ : state) state.SetIterationTime(counter.WaitNext());
  slot.Stop();
}

// One overview pass 0-15 GHz at 1 MHz: 15 segments of 1000 points.
void BM_WidePass_Program(benchmark::State& state) {
  Instrument instrument;
  PassCounter counter;
  auto overview = std::make_shared<NormalBuffer>(320000);
  TimePasses(state, counter, [&](ThreadSlot& slot) {
    auto* t = new TimedWideThread(counter);
    t->Buffer = t->Keep(overview);
    t->PostSettings(0, 15e9, 1e6);
    slot.Start(t);
  });
}
BENCHMARK(BM_WidePass_Program)
    ->Name("BM_WidePass/Program")
    ->UseManualTime()
    ->MinTime(2)
    ->Unit(benchmark::kMillisecond);

void BM_WidePass_Module(benchmark::State& state) {
  Instrument instrument;
  IOControl& io = instrument.Io();
  io.SetIFBandwidth(1);
  uint8_t block[1000];
  for (auto _ : state) {
    for (double g = 0; g < 15e9; g += 1000 * 1e6) io.SweepBytes(1000, 0, g, 1e6, block);
    benchmark::DoNotOptimize(block);
  }
}
BENCHMARK(BM_WidePass_Module)->Name("BM_WidePass/Module")->UseRealTime()->Unit(benchmark::kMillisecond);

// One detail pass: 1000 points of 10 kHz on the IF tuner, with the link, speaker and health checks.
void BM_NarrowPass_Program(benchmark::State& state) {
  Instrument instrument;
  instrument.Io().SetIFBandwidth(3);
  instrument.Io().SetFrequency(868.3e6);
  PassCounter counter;
  auto trace = std::make_shared<NormalBuffer>(1000);
  TimePasses(state, counter, [&](ThreadSlot& slot) {
    auto* t = new TimedNarrowThread(counter);
    t->SetDetailSweep();
    t->Buffer = t->Keep(trace);
    slot.Start(t);
  });
}
BENCHMARK(BM_NarrowPass_Program)
    ->Name("BM_NarrowPass/Program")
    ->UseManualTime()
    ->MinTime(3)
    ->Unit(benchmark::kMicrosecond);

void BM_NarrowPass_Module(benchmark::State& state) {
  Instrument instrument;
  IOControl& io = instrument.Io();
  io.SetIFBandwidth(3);
  io.SetFrequency(868.3e6);
  uint8_t block[1000];
  double stop = 0;
  for (auto _ : state) {
    io.SelectADChannel(0);
    io.Sweep(1000, 0, 22.3e6, 1e4, 80e6, 4, &stop, block);
    benchmark::DoNotOptimize(block);
  }
}
BENCHMARK(BM_NarrowPass_Module)->Name("BM_NarrowPass/Module")->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
