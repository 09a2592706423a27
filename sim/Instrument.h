// In-process access to the simulated instrument inside libusb2.so.
// Tests link the usb2 target (or dlopen the module) and use these calls to read what the
// instrument was told (LEDs, digits, EEPROM, chip registers, tunings, sound state) and to
// change the scene while the program runs. All calls are thread-safe.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#define USB2SIM_API __attribute__((visibility("default")))

namespace usb2sim {

// One transmitter of the RF scene.
struct EmitterSpec {
  double frequencyHz = 100e6;
  double levelDbm = -50.0;    // level at the antenna input
  double bandwidthHz = 10e3;  // occupied bandwidth
  bool pulsed = false;        // digital/burst transmitter: on or off per conversion
  double dutyCycle = 0.5;     // share of conversions that see a pulsed emitter on
  double toneHz = 0.0;        // demodulated audio: a tone (0 = none)
  bool echo = false;          // demodulated audio: the room sound (a room bug)
  // Change with time, counted from when the emitter was added, modified or loaded:
  double driftHzPerS = 0.0;      // frequency moves by this much a second ...
  double driftLimitHz = 0.0;     // ... until it is this far from frequencyHz (0 = no limit)
  double levelRiseDbPerS = 0.0;  // level changes by this much a second (walking towards it) ...
  double levelLimitDbm = 0.0;    // ... until it reaches this level (used when the rise is not 0)
};

struct Emitter {
  int id = 0;
  EmitterSpec spec;
};

struct DdsState {
  bool on = false;
  uint32_t word = 0;         // 28-bit tuning word as last completed
  double frequencyHz = 0.0;  // word decoded with the true reference clock
};

struct SoundCommand {
  int start = 0;
  int pages = 0;
  int param = 0;
  int param2 = 0;
  unsigned count = 0;  // how many such commands were executed
};

// A copy of the model's state.
struct State {
  bool present = true;     // the module answers at all
  bool unplugged = false;  // unplugged after start (scenario, call or timer)
  bool powered = false;    // device power pin (port 0 pin 1) high
  int lastError = 0;       // what UsbGetError reports

  // synthesisers
  std::array<DdsState, 6> dds{};
  uint32_t dds400Word = 0;     // register 4
  uint32_t dds400Control = 0;  // register 1
  double dds400Hz = 0.0;       // output with the true 400 MHz clock
  unsigned dds400Resets = 0;

  // receiver
  int band = 0;                   // 0 = up to 5 GHz, 1 = above (from the mainboard port)
  int input = 0;                  // 0 = normal, 1 = input A, 2 = input B, -1 = undefined code
  double receiveHz = 0.0;         // RF frequency the sweep path hears now
  double audioReceiveHz = 0.0;    // RF frequency the audio path hears now
  std::array<int, 2> ifFilter{};  // filter type 0..4 of the sweep and audio module
  int attenuatorDb = 0;
  std::array<uint8_t, 2> demodulator{};  // 0x2D channels 0 and 1
  std::array<uint8_t, 2> soundPot{};     // 0x2C channels 0 and 1
  bool vlfOn = false;
  int adChannel = 0;
  std::array<unsigned, 7> adSelections{};  // how often AD channel 0..6 was selected

  // I2C ports and registers
  uint8_t frontendPort = 0xFF, mainboardPort = 0xFF, ifPortSweep = 0xFF, ifPortAudio = 0xFF;
  uint8_t vlfPort = 0xFF;
  uint8_t speakerPort = 0;                             // 0x70 output register
  uint16_t soundWord = 0;                              // 0x74 outputs (low = port 0)
  uint16_t controlWord = 0;                            // 0x77 outputs (low = mux code)
  std::array<uint8_t, 8> soundProcessor{};             // 0x40 registers
  std::array<std::array<uint8_t, 4>, 6> filterPots{};  // serial pot bus chips 0..5

  // hand probe
  bool probePresent = true;
  uint32_t ledMask = 0;  // bit i = LED i lit
  int ledCount = 0;
  std::string digits = "    ";  // positions 0..3, left to right

  // memories
  std::array<uint8_t, 256> eeprom{};
  std::array<std::array<uint8_t, 18>, 6> filterRecords{};

  // sound
  SoundCommand lastPlay;
  SoundCommand lastRecord;

  // health
  uint8_t battery = 0;

  // protocol bookkeeping
  unsigned unknownCommands = 0;
  unsigned failedCommands = 0;
  unsigned sweeps = 0;
  unsigned parTimeoutMs = 0;
};

USB2SIM_API State GetState();

// Register or latch of an I2C chip: ports answer their latch (reg ignored), register chips
// (0x40, 0x70, 0x74, 0x77) the register, the dual pots (0x2C, 0x2D) channel reg. -1 = no such chip.
USB2SIM_API int ChipRegister(uint8_t address, uint8_t reg);

// Sound memory: area 0 = playback bank (block 0..3), 1 = AD0 recording, 2 = AD1 recording.
// Returns pages x 256 bytes as the instrument stores them (high byte of each sample first).
USB2SIM_API std::vector<uint8_t> SoundMemory(int area, int block, int startPage, int pages);

// Scene
USB2SIM_API std::vector<Emitter> GetEmitters();
USB2SIM_API int AddEmitter(const EmitterSpec& spec);  // returns the new id
USB2SIM_API bool ModifyEmitter(int id, const EmitterSpec& spec);
USB2SIM_API bool RemoveEmitter(int id);
USB2SIM_API void ClearEmitters();
USB2SIM_API void SetBatteryLevel(uint8_t raw);
USB2SIM_API void SetProbePresent(bool present);
USB2SIM_API void SetProbeLevel(uint8_t raw);   // AD channel 4, fixed from now on
USB2SIM_API void FollowProbeSignal();          // AD channel 4 follows the received level
USB2SIM_API void SetKeyPressed(bool pressed);  // front-end key (0x20 bit 6)
USB2SIM_API void SetHeadphones(bool plugged);  // 0x70 input bit 7 (low when plugged)
USB2SIM_API void SetChipAbsent(uint8_t address, bool absent);
// Parallel-bus command `opcode` fails from now on (as [faults] fail_command), or works again.
USB2SIM_API void SetCommandFails(uint8_t opcode, bool fails);
USB2SIM_API void UnplugNow();

// Scenario: the same text as usb2sim.ini. The model is rebuilt from the built-in defaults
// plus the text. Problems (line numbers included) go to stderr and, when given, to messages.
// False when the text had any problem (the defaults stand for the keys concerned).
USB2SIM_API bool LoadScenarioText(const std::string& text, std::vector<std::string>* messages = nullptr);
USB2SIM_API bool LoadScenarioFile(const std::string& path, std::vector<std::string>* messages = nullptr);

// Back to the state after loading: the scenario named by USB2SIM_SCENARIO or the program
// folder's usb2sim.ini, or the built-in default.
USB2SIM_API void Reset();

// CPU time, in seconds over all threads, that the module's entry points have spent since the
// module was loaded: the instrument's own modelling, which the real instrument's hardware does.
USB2SIM_API double ModellingCpuSeconds();

}  // namespace usb2sim

// The same figure under a plain name, for a program that finds it in the loaded module.
extern "C" USB2SIM_API double usb2sim_ModellingCpuSeconds();
