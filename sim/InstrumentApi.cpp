// The in-process test API of sim/Instrument.h over the module's one model.
#include "sim/Instrument.h"
#include "sim/Simulator.h"

#include <algorithm>

namespace usb2sim {

namespace {

template <typename F>
auto Locked(F&& body) {
  std::lock_guard<std::mutex> lock(SimMutex());
  return body(SimModel());
}

}  // namespace

State GetState() {
  return Locked([](Model& m) { return m.Snapshot(); });
}

int ChipRegister(uint8_t address, uint8_t reg) {
  return Locked([&](Model& m) { return m.ChipRegister(address, reg); });
}

std::vector<uint8_t> SoundMemory(int area, int block, int startPage, int pages) {
  return Locked([&](Model& m) { return m.SoundMemory(area, block, startPage, pages); });
}

std::vector<Emitter> GetEmitters() {
  return Locked([](Model& m) { return m.Scene().Emitters(); });
}

int AddEmitter(const EmitterSpec& spec) {
  return Locked([&](Model& m) {
    const int id = m.Scene().NextId();
    m.Scene().Emitters().push_back({id, spec});
    m.Scene().Restart(id);
    return id;
  });
}

bool ModifyEmitter(int id, const EmitterSpec& spec) {
  return Locked([&](Model& m) {
    for (Emitter& e : m.Scene().Emitters())
      if (e.id == id) {
        e.spec = spec;
        m.Scene().Restart(id);
        return true;
      }
    return false;
  });
}

bool RemoveEmitter(int id) {
  return Locked([&](Model& m) {
    auto& list = m.Scene().Emitters();
    const auto it = std::find_if(list.begin(), list.end(), [id](const Emitter& e) { return e.id == id; });
    if (it == list.end()) return false;
    list.erase(it);
    return true;
  });
}

void ClearEmitters() {
  Locked([](Model& m) {
    m.Scene().Emitters().clear();
    return 0;
  });
}

void SetBatteryLevel(uint8_t raw) {
  Locked([&](Model& m) {
    m.SetBattery(raw);
    return 0;
  });
}

void SetProbePresent(bool present) {
  Locked([&](Model& m) {
    m.SetProbePresent(present);
    return 0;
  });
}

void SetProbeLevel(uint8_t raw) {
  Locked([&](Model& m) {
    m.SetProbeLevel(raw);
    return 0;
  });
}

void FollowProbeSignal() {
  Locked([&](Model& m) {
    m.FollowProbeSignal();
    return 0;
  });
}

void SetKeyPressed(bool pressed) {
  Locked([&](Model& m) {
    m.SetKeyPressed(pressed);
    return 0;
  });
}

void SetHeadphones(bool plugged) {
  Locked([&](Model& m) {
    m.SetHeadphones(plugged);
    return 0;
  });
}

void SetChipAbsent(uint8_t address, bool absent) {
  Locked([&](Model& m) {
    m.SetChipAbsent(address, absent);
    return 0;
  });
}

void SetCommandFails(uint8_t opcode, bool fails) {
  Locked([&](Model& m) {
    m.SetCommandFails(opcode, fails);
    return 0;
  });
}

void UnplugNow() {
  Locked([](Model& m) {
    m.Unplug();
    return 0;
  });
}

bool LoadScenarioText(const std::string& text, std::vector<std::string>* messages) {
  Scenario scenario = DefaultScenario();
  std::vector<std::string> local;
  const bool ok = ReadScenarioText(text, "scenario", scenario, local);
  if (messages) messages->insert(messages->end(), local.begin(), local.end());
  std::lock_guard<std::mutex> lock(SimMutex());
  ReplaceModel(scenario);
  return ok;
}

bool LoadScenarioFile(const std::string& path, std::vector<std::string>* messages) {
  Scenario scenario = DefaultScenario();
  std::vector<std::string> local;
  const bool ok = ReadScenarioFile(path, scenario, local);
  if (messages) messages->insert(messages->end(), local.begin(), local.end());
  std::lock_guard<std::mutex> lock(SimMutex());
  ReplaceModel(scenario);
  return ok;
}

void Reset() {
  const Scenario scenario = StartupScenario();
  std::lock_guard<std::mutex> lock(SimMutex());
  ReplaceModel(scenario);
}

}  // namespace usb2sim

extern "C" double usb2sim_ModellingCpuSeconds() { return usb2sim::ModellingCpuSeconds(); }
