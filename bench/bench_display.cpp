// One idle pass of the analyser screens' displays on the off-screen scene:
//  - the spectrum view: its detail display (a 1000-point trace) and its overview display (a
//    15000-point trace), both in mode 0 with grid, band bar, peak markers and labels;
//  - the intensity view: a display with a 1000 x 100 waterfall.
// BM_SpectrumIntensityFrame is the whole pass (clear, three displays, end of scene); the other
// benchmarks time each display alone.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "display/DirectXBase.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "platform/vcl/Forms.h"
#include "base/Globals.h"
#include "base/RangeDef.h"

namespace {

// A spectrum-like level: noise floor with a few carriers, deterministic.
float Level(unsigned i, unsigned n) {
  const double x = double(i) / n;
  double level = 60.0 + 8.0 * std::sin(i * 12.9898) * std::sin(i * 78.233);
  for (double carrier : {0.13, 0.42, 0.77}) level += 150.0 * std::exp(-std::pow((x - carrier) * 400.0, 2));
  return float(level);
}

struct Views {
  Views() {
    Application->Initialize();
    if (!RenderWindow) {
      RenderWindow = new TForm(nullptr);
      RenderWindow->SetBounds(0, 0, 1024, 768);
    }
    scene.CreateDevice(nullptr, 1024, 768);
    bands.CreateDefaultList();
    bands.SortList();

    detailTrace = MakeTrace(1000, 495e6f, 505e6f);
    overviewTrace = MakeTrace(15000, 0.0f, 750e6f);
    detail = MakeSpectrumDisplay(detailTrace.get(), 495.0, 505.0);
    overview = MakeSpectrumDisplay(overviewTrace.get(), 0.0, 750.0);

    water = std::make_unique<WaterfallBuffer>(1000, 100);
    std::vector<float> row(1000);
    for (unsigned r = 0; r < 100; ++r) {
      for (unsigned i = 0; i < 1000; ++i) row[i] = Level(i + r, 1000) * 0.00392f;
      water->Insert(row.data(), false);
    }
    intensity = std::make_unique<StdDisplay>(&scene, 1024, 768);
    intensity->SetPosition(20, 60, 984, 700);
    intensity->WaterBuffer = water.get();
    intensity->RenderMode = 4;
    intensity->InitWater(0, 0);

    list.Add(overview.get());
    list.Add(detail.get());
    list.Add(intensity.get());
  }

  std::unique_ptr<NormalBuffer> MakeTrace(unsigned n, float start, float stop) {
    auto trace = std::make_unique<NormalBuffer>(int(n));
    trace->SetRange(start, stop, 0, 255);
    for (unsigned i = 0; i < n; ++i) trace->SetPoint(i, Level(i, n));
    return trace;
  }

  std::unique_ptr<StdDisplay> MakeSpectrumDisplay(NormalBuffer* trace, double startMHz, double stopMHz) {
    auto d = std::make_unique<StdDisplay>(&scene, 1024, 768);
    d->SetPosition(20, 60, 984, 700);
    d->DataBuffer = trace;
    d->RenderMode = 0;
    d->CreateRangeBar(&bands, static_cast<TGraphic*>(nullptr), startMHz, stopMHz);
    d->GenerateText();
    d->SetTitle("Spectrum");
    d->PlaceTexts();
    d->ShowTexts();
    for (float x : {200.0f, 500.0f, 800.0f}) {
      const int i = d->Markers->Add(scene.Device, x, 150.0f);
      d->Markers->Get(unsigned(i))->Visible = 1;
    }
    d->ShowCenterMarker = 1;
    return d;
  }

  void Pass() {
    scene.BeginScene();
    list.RenderAll();
    scene.EndScene();
  }

  ZXBase scene;
  RangeDefList bands;
  std::unique_ptr<NormalBuffer> detailTrace, overviewTrace;
  std::unique_ptr<WaterfallBuffer> water;
  std::unique_ptr<StdDisplay> detail, overview, intensity;
  DisplayList list;
};

Views& TheViews() {
  static Views views;
  return views;
}

void BM_SpectrumIntensityFrame(benchmark::State& state) {
  Views& v = TheViews();
  for (auto _ : state) v.Pass();
}
BENCHMARK(BM_SpectrumIntensityFrame)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0)
    ->Repetitions(9)
    ->ReportAggregatesOnly();

void RenderOne(benchmark::State& state, StdDisplay& d) {
  Views& v = TheViews();
  for (auto _ : state) {
    v.scene.Device->Clear(0);
    benchmark::DoNotOptimize(d.Render());
  }
}

void BM_DetailDisplay1000(benchmark::State& state) { RenderOne(state, *TheViews().detail); }
void BM_OverviewDisplay15000(benchmark::State& state) { RenderOne(state, *TheViews().overview); }
void BM_IntensityWaterfall1000x100(benchmark::State& state) { RenderOne(state, *TheViews().intensity); }
BENCHMARK(BM_DetailDisplay1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OverviewDisplay15000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_IntensityWaterfall1000x100)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
