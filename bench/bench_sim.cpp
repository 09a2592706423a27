// CPU cost of the simulated instrument: a 1000-point sweep must cost well under 1 ms with
// pace=fast, so that measurement threads and tests are bound by the program, not the module.
#include "sim/Instrument.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

extern "C" {
int UsbI2CWriteByte(uint8_t dev, uint8_t addr, uint8_t value);
int UsbParOut(uint8_t dev, const uint8_t* data, uint32_t count);
int UsbParIn(uint8_t dev, uint8_t* data, uint32_t count);
}

namespace {

void Send(std::vector<uint8_t> bytes) { UsbParOut(0, bytes.data(), static_cast<uint32_t>(bytes.size())); }

void MeasureSetup() {
  usb2sim::LoadScenarioText("[device]\npace=fast\n");
  UsbI2CWriteByte(0, 0x20, 0xFF);
  UsbI2CWriteByte(0, 0x21, 0x0A);
  UsbI2CWriteByte(0, 0x22, 9);
  UsbI2CWriteByte(0, 0x26, 0xFF);
  Send({11, 0x20, 0x00, 1});
  Send({11, 0x77, 0xB4, 1});
  Send({11, 0x4F, 0xE0, 1});
  Send({11, 0x20, 0x00, 4});
  Send({11, 0x42, 0x8F, 4});
  Send({11, 0x55, 0xD7, 4});
  Send({2, 0});
}

// Sends one sweep command and reads its answer, once per iteration; counts the sweep's points.
void RunSweep(benchmark::State& state, const std::vector<uint8_t>& header, size_t answerBytes, int points) {
  std::vector<uint8_t> answer(answerBytes);
  for (auto _ : state) {
    UsbParOut(0, header.data(), static_cast<uint32_t>(header.size()));
    UsbParIn(0, answer.data(), static_cast<uint32_t>(answer.size()));
    benchmark::DoNotOptimize(answer.data());
  }
  state.SetItemsProcessed(state.iterations() * points);
}

// 0-1 GHz in 1 MHz steps on the 400 MHz DDS, one byte per point; param = conversions.
void BM_Sweep400Bytes1000(benchmark::State& state) {
  MeasureSetup();
  const uint8_t param = static_cast<uint8_t>(state.range(0));
  std::vector<uint8_t> header{23, 0x0C, 0x80, 0, 0, 0, 0, 0xA3, 0xD7, 0x03, 0xE8, param};
  RunSweep(state, header, 1000, 1000);
}
BENCHMARK(BM_Sweep400Bytes1000)->Arg(0)->Arg(5)->Unit(benchmark::kMicrosecond);

// The narrow detail sweep of the IF tuner: 1000 x 10 kHz from 22.3 MHz.
void BM_NarrowSweep1000(benchmark::State& state) {
  MeasureSetup();
  std::vector<uint8_t> header{20, 0x04, 0x75, 0xC2, 0x8F, 0x00, 0x83, 0x12, 0x03, 0xE8, 0x00, 0x04};
  RunSweep(state, header, 1000, 1000);
}
BENCHMARK(BM_NarrowSweep1000)->Unit(benchmark::kMicrosecond);

// Min/max word sweep, 1000 points with 20 conversions each.
void BM_WordSweep1000(benchmark::State& state) {
  MeasureSetup();
  std::vector<uint8_t> header{29, 0x0C, 0x80, 0, 0, 0, 0, 0xA3, 0xD7, 0x03, 0xE8, 20};
  RunSweep(state, header, 2000, 1000);
}
BENCHMARK(BM_WordSweep1000)->Unit(benchmark::kMicrosecond);

// Play 32 pages and read both recordings back (4096 samples each).
void BM_PlayAndRecord32Pages(benchmark::State& state) {
  MeasureSetup();
  std::vector<uint8_t> answer(32 * 256);
  for (auto _ : state) {
    Send({128});
    Send({142, 0, 32, 0});
    UsbParIn(0, answer.data(), 1);
    Send({128});
    Send({136, 0, 32, 0});
    UsbParIn(0, answer.data(), 32 * 256);
    benchmark::DoNotOptimize(answer.data());
  }
}
BENCHMARK(BM_PlayAndRecord32Pages)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
