#include "sim/Simulator.h"

#include <dlfcn.h>
#include <time.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <thread>

namespace usb2sim {

namespace {

std::unique_ptr<Model>& Instance() {
  static std::unique_ptr<Model> model;
  return model;
}

// Folder of this module (libusb2.so), found from one of its own symbols.
std::filesystem::path ModuleFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&SimMutex), &info) == 0 || !info.dli_fname) return {};
  return std::filesystem::absolute(info.dli_fname).parent_path();
}

}  // namespace

std::mutex& SimMutex() {
  static std::mutex mutex;
  return mutex;
}

Model& SimModel() {
  auto& model = Instance();
  if (!model) model = std::make_unique<Model>(StartupScenario());
  return *model;
}

void ReplaceModel(const Scenario& scenario) { Instance() = std::make_unique<Model>(scenario); }

bool ReadScenarioText(const std::string& text, const std::string& source, Scenario& out,
                      std::vector<std::string>& messages) {
  const size_t before = messages.size();
  const bool ok = ParseScenario(text, source, out, messages);
  for (size_t i = before; i < messages.size(); ++i) std::cerr << "usb2sim: " << messages[i] << '\n';
  return ok;
}

bool ReadScenarioFile(const std::string& path, Scenario& out, std::vector<std::string>& messages) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    messages.push_back(path + ": cannot be read, built-in default used");
    std::cerr << "usb2sim: " << messages.back() << '\n';
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return ReadScenarioText(text.str(), path, out, messages);
}

Scenario StartupScenario() {
  Scenario scenario = DefaultScenario();
  std::vector<std::string> messages;
  if (const char* env = std::getenv("USB2SIM_SCENARIO"); env && *env) {
    ReadScenarioFile(env, scenario, messages);
    return scenario;
  }
  const std::filesystem::path folder = ModuleFolder();
  if (!folder.empty()) {
    const std::filesystem::path file = folder / "usb2sim.ini";
    std::error_code ec;
    if (std::filesystem::exists(file, ec)) ReadScenarioFile(file.string(), scenario, messages);
  }
  return scenario;
}

void PaceSleep(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

namespace {
std::atomic<int64_t> modellingCpu{0};
}  // namespace

int64_t ThreadCpuNanoseconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

void AddModellingCpu(int64_t nanoseconds) { modellingCpu.fetch_add(nanoseconds, std::memory_order_relaxed); }

double ModellingCpuSeconds() { return double(modellingCpu.load(std::memory_order_relaxed)) * 1e-9; }

}  // namespace usb2sim
