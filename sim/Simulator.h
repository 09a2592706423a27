// The module's one instrument: created on first use from the scenario (USB2SIM_SCENARIO, or
// usb2sim.ini beside the module, or the built-in default) and guarded by one mutex.
#pragma once

#include "sim/Model.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace usb2sim {

std::mutex& SimMutex();

// Caller holds SimMutex.
Model& SimModel();
void ReplaceModel(const Scenario& scenario);

// The start-up scenario; its problems are written to stderr.
Scenario StartupScenario();

// Reads a scenario file onto the defaults; problems go to stderr and messages.
bool ReadScenarioFile(const std::string& path, Scenario& out, std::vector<std::string>& messages);
bool ReadScenarioText(const std::string& text, const std::string& source, Scenario& out,
                      std::vector<std::string>& messages);

void PaceSleep(double seconds);

// CPU time of the calling thread, in nanoseconds.
int64_t ThreadCpuNanoseconds();
// Adds to the CPU time the module's calls have spent modelling the instrument (all threads).
void AddModellingCpu(int64_t nanoseconds);

// Runs one module call under the lock, counting the CPU time it models for; sleeps the hardware
// time afterwards (pace=real).
template <typename F>
int RunCall(F&& body) {
  double seconds = 0.0;
  int result = 0;
  {
    const int64_t cpuStart = ThreadCpuNanoseconds();
    std::lock_guard<std::mutex> lock(SimMutex());
    Model& model = SimModel();
    if (!model.Admit()) return 0;
    result = body(model);
    seconds = model.TakeDelay();
    if (!model.RealPace()) seconds = 0.0;
    AddModellingCpu(ThreadCpuNanoseconds() - cpuStart);
  }
  if (seconds > 0.0) PaceSleep(seconds);
  return result;
}

}  // namespace usb2sim
