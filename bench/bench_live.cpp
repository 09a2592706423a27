// An analyser view live, in process, against the simulated instrument at hardware pace
// (pace=real): after start-up the program opens on the spectrum view with the overview sweeping;
// another view is entered through its button, as a click does. Prints the CPU time per second of
// wall time (all threads), split into the simulated instrument's modelling (the CPU time spent
// inside the module's entry points; on the instrument its hardware does that work) and the
// program's own share, and the median and 95th percentile of the idle pass's frame time.
// Targets: the program's own share under 5 % of one core, median frame under 1 ms.
//
//   bench_live [seconds] [view]    (default 20 s of the spectrum view; 5 s of start-up come first)
//   view: spectrum, intensity, digital, audio, maxhold or differential (the analyser's buttons 1-6)
#include <dlfcn.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Forms.h"
#include "shell/CategoryFrames.h"
#include "shell/RT7731_IV_Unit.h"
#include "shell/Splashinunit.h"
#include "base/Globals.h"
#include "display/DirectXBase.h"

namespace fs = std::filesystem;

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The module's counter of the CPU time spent modelling the instrument, from the module the program
// loaded (null when the module has none).
using ModellingCpuFn = double (*)();
ModellingCpuFn FindModellingCpu(const fs::path& folder) {
  void* module = dlopen((folder / "libusb2.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!module) return nullptr;
  return reinterpret_cast<ModellingCpuFn>(dlsym(module, "usb2sim_ModellingCpuSeconds"));
}

// A program folder of its own: the data folders, the simulated instrument and its scenario.
fs::path MakeProgramFolder() {
  const fs::path folder = fs::temp_directory_path() / ("rt7731-bench-live-" + std::to_string(getpid()));
  fs::create_directories(folder / "config");
  for (const char* name : {"Elements", "Images", "meshes", "Sounds", "libusb2.so"})
    fs::copy(fs::path(RT_BIN_DIR) / name, folder / name, fs::copy_options::recursive);
  std::ofstream(folder / "usb2sim.ini") << "[device]\npace=real\n";
  return folder;
}

// Idle passes of a run: the scene time of each, and how many passes rasterised anything.
struct Passes {
  std::vector<double> frameMs;
  size_t drawing = 0;
};

// Runs the program's loop (messages, then the idle pass) for the given time.
Passes RunFor(TMainWin* win, double seconds) {
  Passes passes;
  const auto draws = [] { return xBase && xBase->Device ? xBase->Device->DrawCount() : 0; };
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) {
    Application->ProcessMessages();
    const int before = draws();
    bool done = false;
    win->IdleLoop(nullptr, done);
    passes.frameMs.push_back(win->LastFrameMs);
    if (draws() != before) ++passes.drawing;
  }
  return passes;
}

// The analyser button of a view's name; 0 for an unknown name.
int ViewButton(const std::string& name) {
  const char* names[] = {"spectrum", "intensity", "digital", "audio", "maxhold", "differential"};
  for (int i = 0; i < 6; ++i)
    if (name == names[i]) return i + 1;
  return 0;
}

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0.0;
  const size_t k = std::min(values.size() - 1, size_t(p * double(values.size())));
  std::nth_element(values.begin(), values.begin() + long(k), values.end());
  return values[k];
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 20.0;
  const std::string view = argc > 2 ? argv[2] : "spectrum";
  const int button = ViewButton(view);
  if (button == 0) {
    std::fprintf(stderr, "unknown view '%s'\n", view.c_str());
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const fs::path folder = MakeProgramFolder();
  setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
  unsetenv("USB2SIM_SCENARIO");
  SetProgramFolder(folder.string());

  Application->Initialize();
  SplashIn = new TSplashIn(nullptr);
  SplashIn->Show();
  auto* win = new TMainWin(nullptr);
  win->AfterConstruction();
  win->Show();
  RunFor(win, 5.0);  // start-up: link, splash, the spectrum view entered
  if (button != 1) {
    win->AnalyzerFrame->OnFrameButClick(win->AnalyzerFrame->Button(button));
    RunFor(win, 2.0);  // the view's first passes (a waterfall fills as it sweeps)
  }
  const bool live = LinkUp != 0;
  const ModellingCpuFn modellingCpu = FindModellingCpu(folder);
  const auto modelling = [&] { return modellingCpu ? modellingCpu() : 0.0; };

  const double modellingBefore = modelling();
  const double cpuBefore = CpuSeconds();
  const auto wallBefore = std::chrono::steady_clock::now();
  const Passes passes = RunFor(win, seconds);
  const std::vector<double>& frames = passes.frameMs;
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
  const double cpu = CpuSeconds() - cpuBefore;
  const double sim = modelling() - modellingBefore;

  std::printf("%s view live at pace=real for %.1f s (%s)\n", view.c_str(), wall, live ? "link up" : "NO LINK");
  std::printf("  CPU time per wall second, all threads: %.1f %% of one core\n", 100.0 * cpu / wall);
  if (modellingCpu)
    std::printf("  simulated instrument's modelling: %.1f %%\n", 100.0 * sim / wall);
  else
    std::printf("  simulated instrument's modelling: not reported by the module\n");
  std::printf("  program's own: %.1f %% (target < 5 %%)\n", 100.0 * (cpu - sim) / wall);
  std::printf("  idle passes: %zu (%.1f a second), %zu of them drew a changed frame (%.1f a second)\n",
              frames.size(), double(frames.size()) / wall, passes.drawing, double(passes.drawing) / wall);
  std::printf("  frame time: median %.3f ms (target < 1 ms), 95th percentile %.3f ms\n", Percentile(frames, 0.5),
              Percentile(frames, 0.95));
  Application->OnIdle = nullptr;
  delete win;
  fs::remove_all(folder);
  return live ? 0 : 1;
}
