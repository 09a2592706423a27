// The fast-detect scan's 150000-point stage (50 sweeps of 3000 points at 100 kHz, with the chirp
// between them and the marking at the end) against the simulated instrument at pace=fast:
//  - Program: the scan thread's stage as the program runs it (device object, lock, buffer copies,
//    smoothing and marking);
//  - Module: the same parallel-bus traffic, recorded once from the program, sent straight to the
//    module's entry points.
// Target: the program adds at most half again to the module's time.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/InOut.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "engine/FastDetectThreads.h"
#include "platform/rtl/SyncObjs.h"
#include "base/Globals.h"

namespace {

constexpr int FineStage = 2;

std::string ProgramFolder() {
  char path[PATH_MAX] = {};
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string exe(path, n > 0 ? size_t(n) : 0);
  return exe.substr(0, exe.rfind('/') + 1);
}

// One parallel-bus transfer of the stage: bytes out, or a count of answer bytes in.
struct Transfer {
  std::vector<uint8_t> out;
  uint32_t in = 0;
};

std::vector<Transfer>* Recording = nullptr;
UsbParOutFn ModuleParOut = nullptr;
UsbParInFn ModuleParIn = nullptr;

int RecordParOut(uint8_t dev, const uint8_t* data, uint32_t count) {
  Recording->push_back({std::vector<uint8_t>(data, data + count), 0});
  return ModuleParOut(dev, data, count);
}

int RecordParIn(uint8_t dev, uint8_t* data, uint32_t count) {
  Recording->push_back({{}, count});
  return ModuleParIn(dev, data, count);
}

// The instrument brought up once for every benchmark of this file.
class Instrument {
 public:
  static Instrument& Get() {
    static Instrument instrument;
    return instrument;
  }

  bool ok = false;
  std::unique_ptr<StdDisplay> display = std::make_unique<StdDisplay>(nullptr, 1024, 768);
  std::vector<std::unique_ptr<DigitalBuffer>> buffers;

  // The scan thread object, never resumed: the benchmark runs its stage on its own thread.
  FastDetectScanThreadV2* MakeScan() {
    auto* scan = new FastDetectScanThreadV2();
    for (int s = 0; s < 3; ++s) scan->Buffers[size_t(s)] = buffers[size_t(s)].get();
    scan->Display = display.get();
    return scan;
  }

 private:
  Instrument() {
    SetUsb2ModuleName(ProgramFolder() + "libusb2.so");
    HardwareLock = new TCriticalSection();
    IOCtrl = new IOControl(0);
    for (int points : {3000, 15000, 150000}) buffers.push_back(std::make_unique<DigitalBuffer>(points));
    IOControl* io = IOCtrl;
    ok = io->Init() && io->ParInit(8) && io->PulseIOPin0() && io->SetDevicePower(true) && io->ParInit(8) &&
         io->InitAudioSpeaker() && io->InitSoundProc() && io->InitSoundPCA9539() && io->SetBand(0, true);
  }
};

void BM_FastDetectStage_Program(benchmark::State& state) {
  Instrument& instrument = Instrument::Get();
  if (!instrument.ok) return state.SkipWithError("the simulated instrument did not come up");
  std::unique_ptr<FastDetectScanThreadV2> scan(instrument.MakeScan());
  for (auto _ : state)
    if (!scan->RunStage(FineStage)) return state.SkipWithError("the stage failed");
  state.SetItemsProcessed(state.iterations() * 150000);
}

void BM_FastDetectStage_Module(benchmark::State& state) {
  Instrument& instrument = Instrument::Get();
  if (!instrument.ok) return state.SkipWithError("the simulated instrument did not come up");
  std::vector<Transfer> transfers;
  {
    std::unique_ptr<FastDetectScanThreadV2> scan(instrument.MakeScan());
    Recording = &transfers;
    ModuleParOut = Usb2Functions.UsbParOut;
    ModuleParIn = Usb2Functions.UsbParIn;
    Usb2Functions.UsbParOut = RecordParOut;
    Usb2Functions.UsbParIn = RecordParIn;
    const bool ok = scan->RunStage(FineStage);
    Usb2Functions.UsbParOut = ModuleParOut;
    Usb2Functions.UsbParIn = ModuleParIn;
    if (!ok) return state.SkipWithError("the stage failed while recording");
  }
  std::vector<uint8_t> answer(65536);
  for (auto _ : state) {
    for (const Transfer& t : transfers) {
      const int ok = t.out.empty() ? ModuleParIn(0, answer.data(), t.in)
                                   : ModuleParOut(0, t.out.data(), uint32_t(t.out.size()));
      if (!ok) return state.SkipWithError("a transfer failed");
    }
  }
  state.SetItemsProcessed(state.iterations() * 150000);
  state.counters["transfers"] = double(transfers.size());
}

BENCHMARK(BM_FastDetectStage_Program)->Name("BM_FastDetectStage/Program")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FastDetectStage_Module)->Name("BM_FastDetectStage/Module")->Unit(benchmark::kMillisecond);

}  // namespace
