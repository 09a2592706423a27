// The engine's numeric work: our FFT against FFTW on the same sizes, precision, in-place split
// layout and 1/n forward scaling (FFTW's plan is made outside the timed loop), and the smoothing
// and W-mode search over a 300000-point overview trace. Prints the ratios and budgets at the end.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/Buffers.h"
#include "engine/Fft.h"
#include "engine/Search.h"

namespace {

constexpr double FftTarget = 3.0;  // ours at most this many times FFTW's time
constexpr double SmoothBudgetMs = 1.0;
constexpr double SearchBudgetMs = 2.0;
constexpr int OverviewPoints = 300000;

template <typename T>
void RandomSignal(std::vector<T>& re, std::vector<T>& im) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  for (auto& v : re) v = T(value(random));
  for (auto& v : im) v = T(value(random));
}

// Transforms forward and back so the data stay bounded over the iterations.
template <typename T, bool (*Transform)(int, int, T*, T*)>
void FftOurs(benchmark::State& state, int m) {
  const size_t n = size_t(1) << m;
  std::vector<T> re(n), im(n);
  RandomSignal(re, im);
  for (auto _ : state) {
    Transform(1, m, re.data(), im.data());
    benchmark::DoNotOptimize(re.data());
    benchmark::ClobberMemory();
  }
}

void FftwDouble(benchmark::State& state, int m) {
  const int n = 1 << m;
  std::vector<double> re(n), im(n);
  fftw_iodim dim{n, 1, 1};
  fftw_plan plan =
      fftw_plan_guru_split_dft(1, &dim, 0, nullptr, re.data(), im.data(), re.data(), im.data(), FFTW_MEASURE);
  RandomSignal(re, im);
  const double scale = 1.0 / n;
  for (auto _ : state) {
    fftw_execute_split_dft(plan, re.data(), im.data(), re.data(), im.data());
    for (int i = 0; i < n; ++i) {
      re[i] *= scale;
      im[i] *= scale;
    }
    benchmark::DoNotOptimize(re.data());
    benchmark::ClobberMemory();
  }
  fftw_destroy_plan(plan);
}

void FftwFloat(benchmark::State& state, int m) {
  const int n = 1 << m;
  std::vector<float> re(n), im(n);
  fftwf_iodim dim{n, 1, 1};
  fftwf_plan plan = fftwf_plan_guru_split_dft(1, &dim, 0, nullptr, re.data(), im.data(), re.data(), im.data(),
                                              FFTW_MEASURE);
  RandomSignal(re, im);
  const float scale = 1.0f / float(n);
  for (auto _ : state) {
    fftwf_execute_split_dft(plan, re.data(), im.data(), re.data(), im.data());
    for (int i = 0; i < n; ++i) {
      re[i] *= scale;
      im[i] *= scale;
    }
    benchmark::DoNotOptimize(re.data());
    benchmark::ClobberMemory();
  }
  fftwf_destroy_plan(plan);
}

void BM_FFT512_Ours(benchmark::State& s) { FftOurs<double, FFT>(s, 9); }
void BM_FFT512_FFTW(benchmark::State& s) { FftwDouble(s, 9); }
void BM_FFT2048_Ours(benchmark::State& s) { FftOurs<double, FFT>(s, 11); }
void BM_FFT2048_FFTW(benchmark::State& s) { FftwDouble(s, 11); }
void BM_FFTFloat512_Ours(benchmark::State& s) { FftOurs<float, FFTFloat>(s, 9); }
void BM_FFTFloat512_FFTW(benchmark::State& s) { FftwFloat(s, 9); }
void BM_FFTFloat2048_Ours(benchmark::State& s) { FftOurs<float, FFTFloat>(s, 11); }
void BM_FFTFloat2048_FFTW(benchmark::State& s) { FftwFloat(s, 11); }

BENCHMARK(BM_FFT512_Ours)->Name("BM_FFT512/Ours");
BENCHMARK(BM_FFT512_FFTW)->Name("BM_FFT512/FFTW");
BENCHMARK(BM_FFT2048_Ours)->Name("BM_FFT2048/Ours");
BENCHMARK(BM_FFT2048_FFTW)->Name("BM_FFT2048/FFTW");
BENCHMARK(BM_FFTFloat512_Ours)->Name("BM_FFTFloat512/Ours");
BENCHMARK(BM_FFTFloat512_FFTW)->Name("BM_FFTFloat512/FFTW");
BENCHMARK(BM_FFTFloat2048_Ours)->Name("BM_FFTFloat2048/Ours");
BENCHMARK(BM_FFTFloat2048_FFTW)->Name("BM_FFTFloat2048/FFTW");

// An overview sweep: noise over a slow floor with a few hundred narrow signals.
std::vector<float> OverviewTrace() {
  std::mt19937 random(9);
  std::normal_distribution<float> noise(0.0f, 3.0f);
  std::uniform_int_distribution<int> where(0, OverviewPoints - 1);
  std::vector<float> t(OverviewPoints);
  for (int i = 0; i < OverviewPoints; ++i) t[i] = 60.0f + 10.0f * std::sin(i * 1e-4f) + noise(random);
  for (int k = 0; k < 300; ++k) {
    const int c = where(random);
    for (int i = std::max(0, c - 3); i <= std::min(OverviewPoints - 1, c + 3); ++i) t[i] += 80.0f;
  }
  return t;
}

void BM_SmoothFloatsOverview(benchmark::State& state) {
  const std::vector<float> trace = OverviewTrace();
  std::vector<float> out(trace.size());
  for (auto _ : state) {
    SmoothFloats(trace.data(), out.data(), int(trace.size()), 40);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_SmoothFloatsOverview)->Name("BM_SmoothFloats/Overview")->Unit(benchmark::kMicrosecond);

void BM_SearchWModeOverview(benchmark::State& state) {
  const std::vector<float> trace = OverviewTrace();
  NormalBuffer buffer(trace.data(), unsigned(trace.size()));
  for (auto _ : state) {
    SearchMarkList list;
    benchmark::DoNotOptimize(SearchWMode(&buffer, OverviewPoints / 2, 0, OverviewPoints, true, &list));
  }
}
BENCHMARK(BM_SearchWModeOverview)->Name("BM_SearchWMode/Overview")->Unit(benchmark::kMicrosecond);

// Console output plus the per-iteration times (median for repeated runs) by name.
class Collector : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> microseconds;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      if (run.run_type == Run::RT_Aggregate ? run.aggregate_name != "median" : run.repetitions > 1) continue;
      microseconds[run.run_name.function_name] =
          run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e6;
    }
  }
};

double Find(const std::map<std::string, double>& us, const std::string& name) {
  const auto it = us.find(name);
  return it == us.end() ? 0.0 : it->second;
}

void PrintSummary(const std::map<std::string, double>& us) {
  std::printf("\nFFT: ours against FFTW (our time / FFTW's time; target at most x%.0f)\n", FftTarget);
  for (const char* w : {"FFT512", "FFT2048", "FFTFloat512", "FFTFloat2048"}) {
    const double ours = Find(us, std::string("BM_") + w + "/Ours");
    const double fftw = Find(us, std::string("BM_") + w + "/FFTW");
    if (ours <= 0 || fftw <= 0) continue;
    std::printf("  %-13s ours %8.3f us   FFTW %8.3f us   x%.2f %s\n", w, ours, fftw, ours / fftw,
                ours / fftw <= FftTarget ? "(target met)" : "(TARGET MISSED)");
  }
  const double smooth = Find(us, "BM_SmoothFloats/Overview") / 1000.0;
  const double search = Find(us, "BM_SearchWMode/Overview") / 1000.0;
  if (smooth > 0)
    std::printf("  SmoothFloats 300000 points, half 40: %.3f ms %s\n", smooth,
                smooth < SmoothBudgetMs ? "(under 1 ms)" : "(OVER 1 ms)");
  if (search > 0)
    std::printf("  SearchWMode 300000 points:           %.3f ms %s\n", search,
                search < SearchBudgetMs ? "(under 2 ms)" : "(OVER 2 ms)");
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  PrintSummary(collector.microseconds);
  benchmark::Shutdown();
  return 0;
}
