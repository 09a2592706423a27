// The display's typical drawing, side by side: our scene, QPainter on a QImage and Cairo's
// image surface, on the same workloads. Prints the peer-to-ours ratios at the end.
#include "platform/scene/Scene.h"

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int W = scene::BackBufferWidth;
constexpr int H = scene::BackBufferHeight;

// ---- The workloads (identical for every renderer) ----

struct Workload {
  std::vector<float> gridX;                   // 22 vertical grid lines, full height
  std::vector<scene::Vec2> trace;             // 15000-point polyline
  std::vector<std::pair<float, float>> bars;  // 1000 one-pixel bars: x, top (bottom 700)
  std::vector<uint32_t> sprite;               // 32 x 32 cursor, black background
  std::vector<scene::Vec2> spritePos;         // 10 positions
  std::vector<uint32_t> water;                // 1024 x 200 waterfall rows
  static constexpr uint32_t GridColour = 0x80808080;
  static constexpr uint32_t TraceColour = 0xFFFFFF00;
  static constexpr uint32_t BarColour = 0x7F00FF00;
  static constexpr uint32_t SpriteColour = 0xA000FFFF;
  static constexpr int BarBottom = 700;
  static constexpr int WaterW = 1024, WaterH = 200;
  static constexpr scene::RectI WaterDest{0, 300, 1024, 700};

  Workload() {
    for (int k = 0; k < 22; ++k) gridX.push_back(10.0f + k * (1003.0f / 21.0f));
    uint32_t seed = 12345;
    auto noise = [&seed] {
      seed = seed * 1664525u + 1013904223u;
      return static_cast<float>((seed >> 8) & 0xFFFF) / 65536.0f - 0.5f;
    };
    for (int i = 0; i < 15000; ++i) {
      const float x = i * (1023.0f / 14999.0f);
      const float y = 384.0f + 150.0f * std::sin(x * 0.02f) + 20.0f * noise();
      trace.push_back({x, y});
    }
    for (int i = 0; i < 1000; ++i)
      bars.push_back({12.0f + i, 700.0f - (300.0f + 250.0f * std::sin(i * 0.05f))});
    sprite.assign(32 * 32, 0xFF000000);
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x)
        if (std::abs(x - 16) < 2 || std::abs(y - 16) < 2 || std::abs(x - y) < 2)
          sprite[y * 32 + x] = 0xFFFFFFFF;
    for (int i = 0; i < 10; ++i) spritePos.push_back({60.0f + i * 95.0f, 120.0f + (i % 3) * 40.0f});
    water.resize(static_cast<size_t>(WaterW) * WaterH);
    for (int y = 0; y < WaterH; ++y)
      for (int x = 0; x < WaterW; ++x) {
        const uint32_t v = static_cast<uint32_t>((x * 7 + y * 13) & 0xFF);
        water[y * WaterW + x] = v << 16 | (255 - v) << 8 | (v / 2);
      }
  }
};

const Workload& Work() {
  static const Workload w;
  return w;
}

// ---- Ours ----

struct Ours {
  scene::Device device;
  scene::Line line{device};
  scene::Sprite sprite{device};
  std::unique_ptr<scene::Texture> cursor = scene::Texture::FromPixels(Work().sprite.data(), 32, 32, 32 * 4);

  void Grid() {
    line.SetWidth(1);
    line.SetAntialias(true);
    for (float x : Work().gridX) {
      const scene::Vec2 p[2] = {{x, 0}, {x, H - 1.0f}};
      line.Begin();
      line.Draw(p, 2, Workload::GridColour);
      line.End();
    }
  }
  void Trace(bool aa) {
    line.SetWidth(1);
    line.SetAntialias(aa);
    line.Begin();
    line.Draw(Work().trace.data(), static_cast<int>(Work().trace.size()), Workload::TraceColour);
    line.End();
  }
  void Bars() {
    line.SetWidth(1);
    line.SetAntialias(true);
    for (auto [x, top] : Work().bars) {
      const scene::Vec2 p[2] = {{x, static_cast<float>(Workload::BarBottom)}, {x, top}};
      line.Begin();
      line.Draw(p, 2, Workload::BarColour);
      line.End();
    }
  }
  void Sprites() {
    const scene::Vec3 centre{16, 16, 0};
    for (const auto& p : Work().spritePos) {
      const scene::Vec3 pos{p.x, p.y, 0};
      sprite.SetTransform(scene::Matrix::Identity());
      sprite.Begin();
      sprite.Draw(cursor.get(), nullptr, &centre, &pos, Workload::SpriteColour);
      sprite.End();
    }
  }
  void Water() {
    device.StretchBlit(Work().water.data(), Workload::WaterW, Workload::WaterH, Workload::WaterW * 4,
                       {0, 0, Workload::WaterW, Workload::WaterH}, Workload::WaterDest);
  }
  void Frame() {
    device.Clear(0xFF000000);
    device.BeginScene();
    Grid();
    Water();
    Bars();
    Trace(true);
    Sprites();
    device.EndScene();
    device.Present();
  }
};

// ---- QPainter ----

QColor QColorOf(uint32_t argb) {
  return QColor((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, argb >> 24);
}

struct WithQPainter {
  QImage target{W, H, QImage::Format_ARGB32_Premultiplied};
  QImage front{W, H, QImage::Format_ARGB32_Premultiplied};
  QImage cursor;
  QImage water;
  std::vector<QPointF> trace;

  WithQPainter() {
    target.fill(Qt::black);
    std::vector<uint32_t> keyed = Work().sprite;
    for (auto& p : keyed)
      if (p == 0xFF000000) p = 0;
    // Pre-tinted like our modulation (aqua): white -> 0x00FFFF.
    for (auto& p : keyed)
      if (p) p = 0xFF00FFFF;
    cursor = QImage(reinterpret_cast<const uchar*>(keyed.data()), 32, 32, 128, QImage::Format_ARGB32)
                 .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    water = QImage(reinterpret_cast<const uchar*>(Work().water.data()), Workload::WaterW, Workload::WaterH,
                   Workload::WaterW * 4, QImage::Format_RGB32)
                .copy();
    for (const auto& p : Work().trace) trace.emplace_back(p.x + 0.5, p.y + 0.5);
  }
  void Grid(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColorOf(Workload::GridColour), 1.0));
    std::vector<QLineF> lines;
    for (float x : Work().gridX) lines.emplace_back(x + 0.5, 0.0, x + 0.5, H);
    p.drawLines(lines.data(), static_cast<int>(lines.size()));
  }
  void Trace(QPainter& p, bool aa) {
    p.setRenderHint(QPainter::Antialiasing, aa);
    p.setPen(QPen(QColorOf(Workload::TraceColour), 1.0));
    p.drawPolyline(trace.data(), static_cast<int>(trace.size()));
  }
  void Bars(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColorOf(Workload::BarColour), 1.0));
    std::vector<QLineF> lines;
    for (auto [x, top] : Work().bars)
      lines.emplace_back(x + 0.5, Workload::BarBottom + 0.5, x + 0.5, top + 0.5);
    p.drawLines(lines.data(), static_cast<int>(lines.size()));
  }
  void Sprites(QPainter& p) {
    p.setOpacity((Workload::SpriteColour >> 24) / 255.0);
    for (const auto& s : Work().spritePos) p.drawImage(QPointF(s.x - 16, s.y - 16), cursor);
    p.setOpacity(1.0);
  }
  void Water(QPainter& p) {
    const auto& d = Workload::WaterDest;
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QRect(d.left, d.top, d.Width(), d.Height()), water);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  }
  void Frame() {
    target.fill(Qt::black);
    {
      QPainter p(&target);
      Grid(p);
      Water(p);
      Bars(p);
      Trace(p, true);
      Sprites(p);
    }
    std::memcpy(front.bits(), target.constBits(), static_cast<size_t>(W) * H * 4);
  }
};

// ---- Cairo ----

void SetSource(cairo_t* cr, uint32_t argb) {
  cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                        (argb & 0xFF) / 255.0, (argb >> 24) / 255.0);
}

struct WithCairo {
  cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, W, H);
  cairo_surface_t* front = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, W, H);
  cairo_surface_t* cursor = nullptr;
  cairo_surface_t* water = nullptr;
  std::vector<uint32_t> cursorPixels;

  WithCairo() {
    cursorPixels = Work().sprite;
    for (auto& p : cursorPixels) p = p == 0xFF000000 ? 0 : 0xFF00FFFF;
    cursor = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(cursorPixels.data()),
                                                 CAIRO_FORMAT_ARGB32, 32, 32, 128);
    water = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(Work().water.data())), CAIRO_FORMAT_RGB24,
        Workload::WaterW, Workload::WaterH, Workload::WaterW * 4);
    Clear();
  }
  ~WithCairo() {
    cairo_surface_destroy(water);
    cairo_surface_destroy(cursor);
    cairo_surface_destroy(front);
    cairo_surface_destroy(target);
  }
  void Clear() {
    cairo_t* cr = cairo_create(target);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
  }
  void Grid(cairo_t* cr) {
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
    cairo_set_line_width(cr, 1.0);
    SetSource(cr, Workload::GridColour);
    for (float x : Work().gridX) {
      cairo_move_to(cr, x + 0.5, 0);
      cairo_line_to(cr, x + 0.5, H);
    }
    cairo_stroke(cr);
  }
  void Trace(cairo_t* cr, bool aa) {
    cairo_set_antialias(cr, aa ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(cr, 1.0);
    SetSource(cr, Workload::TraceColour);
    const auto& t = Work().trace;
    cairo_move_to(cr, t[0].x + 0.5, t[0].y + 0.5);
    for (size_t i = 1; i < t.size(); ++i) cairo_line_to(cr, t[i].x + 0.5, t[i].y + 0.5);
    cairo_stroke(cr);
  }
  void Bars(cairo_t* cr) {
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
    cairo_set_line_width(cr, 1.0);
    SetSource(cr, Workload::BarColour);
    for (auto [x, top] : Work().bars) {
      cairo_move_to(cr, x + 0.5, Workload::BarBottom + 0.5);
      cairo_line_to(cr, x + 0.5, top + 0.5);
    }
    cairo_stroke(cr);
  }
  void Sprites(cairo_t* cr) {
    for (const auto& s : Work().spritePos) {
      cairo_set_source_surface(cr, cursor, s.x - 16, s.y - 16);
      cairo_paint_with_alpha(cr, (Workload::SpriteColour >> 24) / 255.0);
    }
  }
  void Water(cairo_t* cr) {
    const auto& d = Workload::WaterDest;
    cairo_save(cr);
    cairo_rectangle(cr, d.left, d.top, d.Width(), d.Height());
    cairo_clip(cr);
    cairo_translate(cr, d.left, d.top);
    cairo_scale(cr, static_cast<double>(d.Width()) / Workload::WaterW,
                static_cast<double>(d.Height()) / Workload::WaterH);
    cairo_set_source_surface(cr, water, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_restore(cr);
  }
  template <typename F>
  void Draw(F f) {
    cairo_t* cr = cairo_create(target);
    f(cr);
    cairo_destroy(cr);
    cairo_surface_flush(target);
  }
  void Frame() {
    Clear();
    Draw([this](cairo_t* cr) {
      Grid(cr);
      Water(cr);
      Bars(cr);
      Trace(cr, true);
      Sprites(cr);
    });
    std::memcpy(cairo_image_surface_get_data(front), cairo_image_surface_get_data(target),
                static_cast<size_t>(W) * H * 4);
    cairo_surface_mark_dirty(front);
  }
};

// ---- Benchmarks ----

template <typename F>
void Loop(benchmark::State& state, F f) {
  for (auto _ : state) {
    f();
    benchmark::ClobberMemory();
  }
}

Ours& OursR() {
  static Ours o;
  return o;
}
WithQPainter& QpR() {
  static WithQPainter q;
  return q;
}
WithCairo& CairoR() {
  static WithCairo c;
  return c;
}

template <typename F>
void WithPainter(F f) {
  QPainter p(&QpR().target);
  f(p);
}

void BM_GridLines_Ours(benchmark::State& s) {
  Loop(s, [] { OursR().Grid(); });
}
void BM_GridLines_QPainter(benchmark::State& s) {
  Loop(s, [] { WithPainter([](QPainter& p) { QpR().Grid(p); }); });
}
void BM_GridLines_Cairo(benchmark::State& s) {
  Loop(s, [] { CairoR().Draw([](cairo_t* c) { CairoR().Grid(c); }); });
}

void BM_Polyline_Ours(benchmark::State& s) {
  Loop(s, [] { OursR().Trace(false); });
}
void BM_Polyline_QPainter(benchmark::State& s) {
  Loop(s, [] { WithPainter([](QPainter& p) { QpR().Trace(p, false); }); });
}
void BM_Polyline_Cairo(benchmark::State& s) {
  Loop(s, [] { CairoR().Draw([](cairo_t* c) { CairoR().Trace(c, false); }); });
}

void BM_PolylineAA_Ours(benchmark::State& s) {
  Loop(s, [] { OursR().Trace(true); });
}
void BM_PolylineAA_QPainter(benchmark::State& s) {
  Loop(s, [] { WithPainter([](QPainter& p) { QpR().Trace(p, true); }); });
}
void BM_PolylineAA_Cairo(benchmark::State& s) {
  Loop(s, [] { CairoR().Draw([](cairo_t* c) { CairoR().Trace(c, true); }); });
}

void BM_Bars_Ours(benchmark::State& s) {
  Loop(s, [] { OursR().Bars(); });
}
void BM_Bars_QPainter(benchmark::State& s) {
  Loop(s, [] { WithPainter([](QPainter& p) { QpR().Bars(p); }); });
}
void BM_Bars_Cairo(benchmark::State& s) {
  Loop(s, [] { CairoR().Draw([](cairo_t* c) { CairoR().Bars(c); }); });
}

void BM_Sprites_Ours(benchmark::State& s) {
  Loop(s, [] { OursR().Sprites(); });
}
void BM_Sprites_QPainter(benchmark::State& s) {
  Loop(s, [] { WithPainter([](QPainter& p) { QpR().Sprites(p); }); });
}
void BM_Sprites_Cairo(benchmark::State& s) {
  Loop(s, [] { CairoR().Draw([](cairo_t* c) { CairoR().Sprites(c); }); });
}

void BM_WaterfallBlit_Ours(benchmark::State& s) {
  Loop(s, [] { OursR().Water(); });
}
void BM_WaterfallBlit_QPainter(benchmark::State& s) {
  Loop(s, [] { WithPainter([](QPainter& p) { QpR().Water(p); }); });
}
void BM_WaterfallBlit_Cairo(benchmark::State& s) {
  Loop(s, [] { CairoR().Draw([](cairo_t* c) { CairoR().Water(c); }); });
}

void BM_Frame_Ours(benchmark::State& s) {
  Loop(s, [] { OursR().Frame(); });
}
void BM_Frame_QPainter(benchmark::State& s) {
  Loop(s, [] { QpR().Frame(); });
}
void BM_Frame_Cairo(benchmark::State& s) {
  Loop(s, [] { CairoR().Frame(); });
}

const char* const Workloads[] = {"GridLines", "Polyline",      "PolylineAA", "Bars",
                                 "Sprites",   "WaterfallBlit", "Frame"};
const char* const Renderers[] = {"Ours", "QPainter", "Cairo"};
// Line workloads must beat the better peer by this factor; the frame has a time budget.
const char* const LineWorkloads[] = {"GridLines", "Polyline", "PolylineAA", "Bars"};
constexpr double LineTarget = 5.0;
constexpr double FrameBudgetMs = 2.0;

void Register() {
  using Fn = void (*)(benchmark::State&);
  const std::map<std::string, Fn> fns = {
      {"GridLines/Ours", BM_GridLines_Ours},
      {"GridLines/QPainter", BM_GridLines_QPainter},
      {"GridLines/Cairo", BM_GridLines_Cairo},
      {"Polyline/Ours", BM_Polyline_Ours},
      {"Polyline/QPainter", BM_Polyline_QPainter},
      {"Polyline/Cairo", BM_Polyline_Cairo},
      {"PolylineAA/Ours", BM_PolylineAA_Ours},
      {"PolylineAA/QPainter", BM_PolylineAA_QPainter},
      {"PolylineAA/Cairo", BM_PolylineAA_Cairo},
      {"Bars/Ours", BM_Bars_Ours},
      {"Bars/QPainter", BM_Bars_QPainter},
      {"Bars/Cairo", BM_Bars_Cairo},
      {"Sprites/Ours", BM_Sprites_Ours},
      {"Sprites/QPainter", BM_Sprites_QPainter},
      {"Sprites/Cairo", BM_Sprites_Cairo},
      {"WaterfallBlit/Ours", BM_WaterfallBlit_Ours},
      {"WaterfallBlit/QPainter", BM_WaterfallBlit_QPainter},
      {"WaterfallBlit/Cairo", BM_WaterfallBlit_Cairo},
      {"Frame/Ours", BM_Frame_Ours},
      {"Frame/QPainter", BM_Frame_QPainter},
      {"Frame/Cairo", BM_Frame_Cairo},
  };
  for (const char* w : Workloads)
    for (const char* r : Renderers) {
      const std::string name = std::string(w) + "/" + r;
      auto* b = benchmark::RegisterBenchmark(("BM_" + name).c_str(), fns.at(name));
      b->Unit(benchmark::kMicrosecond);
      // Medians of repeated runs: a single run of a peer swings by half its time when
      // the machine is busy, which decides a ratio more than the renderers do.
      b->Repetitions(std::string(w) == "Frame" ? 9 : 3)->ReportAggregatesOnly(true);
    }
}

// Console output plus the per-iteration times (median for repeated runs) by name.
class Collector : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> microseconds;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const double us = run.GetAdjustedRealTime() * (run.time_unit == benchmark::kMillisecond  ? 1000.0
                                                     : run.time_unit == benchmark::kNanosecond ? 0.001
                                                                                               : 1.0);
      const std::string name = run.run_name.function_name;
      if (run.run_type == Run::RT_Aggregate) {
        if (run.aggregate_name != "median") continue;
      } else if (run.repetitions > 1) {
        continue;
      }
      microseconds[name] = us;
    }
  }
};

void PrintRatios(const std::map<std::string, double>& us) {
  std::printf("\nRatios (peer time / our time; higher is better for us)\n");
  for (const char* w : Workloads) {
    const std::string base = std::string("BM_") + w + "/";
    const auto ours = us.find(base + "Ours");
    if (ours == us.end() || ours->second <= 0) continue;
    double best = 0;
    std::printf("  %-14s ours %9.1f us", w, ours->second);
    for (const char* peer : {"QPainter", "Cairo"}) {
      const auto it = us.find(base + peer);
      if (it == us.end()) continue;
      std::printf("   %s %9.1f us (x%.1f)", peer, it->second, it->second / ours->second);
      best = best == 0 ? it->second : std::min(best, it->second);
    }
    const bool lineWork =
        std::find_if(std::begin(LineWorkloads), std::end(LineWorkloads),
                     [&](const char* l) { return std::string(l) == w; }) != std::end(LineWorkloads);
    if (lineWork && best > 0)
      std::printf("   vs best peer x%.1f %s", best / ours->second,
                  best / ours->second >= LineTarget ? "(target met)" : "(TARGET MISSED)");
    if (std::string(w) == "Frame")
      std::printf("   median %.3f ms %s", ours->second / 1000.0,
                  ours->second / 1000.0 < FrameBudgetMs ? "(under 2 ms)" : "(OVER 2 ms)");
    std::printf("\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Register();
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  PrintRatios(collector.microseconds);
  benchmark::Shutdown();
  return 0;
}
