// The simulated instrument: the USB module's pins, I2C chips and parallel bus, the two
// microcontrollers behind the bus, the receiver and the RF scene. Not thread-safe by itself:
// the module's entry points hold one mutex around every call.
#pragma once

#include "sim/Instrument.h"
#include "sim/Prng.h"
#include "sim/RfScene.h"
#include "sim/Scenario.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace usb2sim {

// What UsbGetError reports after a failed call.
enum ErrorCode : int {
  kErrNone = 0,
  kErrNotPresent = 1,      // module absent or unplugged
  kErrI2cNack = 2,         // no chip answered at that address
  kErrParTimeout = 3,      // ParIn asked for more bytes than the instrument sent
  kErrUnknownCommand = 4,  // a command byte no microcontroller knows (discarded)
  kErrInjected = 5,        // a failure injected by the scenario
  kErrBadArgument = 6,     // null buffer, pin or address out of range
  kErrNotSupported = 7,    // an entry point this instrument does not use
};

class Model {
 public:
  explicit Model(const Scenario& scenario);

  // Gate of every entry point: counts the call, applies the unplug rules. False = refuse.
  bool Admit();
  void SetError(int code) { lastError_ = code; }
  int LastError() const { return lastError_; }

  // Module functions (each returns the module's result: nonzero = success).
  int Init();
  int SetIODir(uint8_t pin, uint8_t dir);
  int SetIOState(uint8_t pin, uint8_t level);
  int GetIOState(uint8_t pin, uint8_t* out);
  int SetPortDir(uint8_t port, uint8_t mask);
  int I2CWrite(uint8_t addr, const uint8_t* data, uint32_t count);
  int I2CRead(uint8_t addr, uint8_t* out, uint32_t count);
  int ParInit(uint8_t mode);
  int ParOut(const uint8_t* data, uint32_t count);
  int ParIn(uint8_t* data, uint32_t count);
  int ParSetTimeout(uint32_t ms);

  // Hardware time the last call took (seconds); the caller sleeps it outside the lock.
  double TakeDelay() {
    double d = delay_;
    delay_ = 0;
    return d;
  }
  bool RealPace() const { return scenario_.pace == Pace::Real; }

  // In-process test access.
  State Snapshot() const;
  int ChipRegister(uint8_t address, uint8_t reg) const;
  std::vector<uint8_t> SoundMemory(int area, int block, int startPage, int pages) const;
  RfScene& Scene() { return scene_; }
  void Unplug() { unplugged_ = true; }
  void SetProbePresent(bool v) { probePresent_ = v; }
  void SetProbeLevel(uint8_t v) { probeFixed_ = v; }
  void FollowProbeSignal() { probeFixed_.reset(); }
  void SetKeyPressed(bool v) { keyPressed_ = v; }
  void SetHeadphones(bool v) { headphones_ = v; }
  void SetBattery(uint8_t v) { battery_ = v; }
  void SetChipAbsent(uint8_t addr, bool v) {
    if (addr < 128) absent_[addr] = v;
  }
  void SetCommandFails(uint8_t opcode, bool v) {
    if (v)
      scenario_.failCommands.insert(opcode);
    else
      scenario_.failCommands.erase(opcode);
  }

 private:
  // parallel bus
  void Feed(uint8_t b, bool& failed);
  size_t CommandLength() const;  // 0 = more bytes needed to tell; SIZE_MAX = unknown command
  void Execute(const std::vector<uint8_t>& c);
  void ExecuteSound(const std::vector<uint8_t>& c);
  void FlushBus();
  void Answer(uint8_t b) { answer_.push_back(b); }

  // synthesisers and sweeps
  void WriteDdsWord(uint8_t dds, uint16_t word);
  void TuneDds(int dds, uint32_t word);
  void TuneDds400(uint32_t word);
  void Sweep28(const std::vector<uint8_t>& c, uint32_t count, uint8_t param, uint8_t dds, bool words);
  void Sweep400(const std::vector<uint8_t>& c, bool words);
  void AnswerPoint(int conversions, bool words);

  // receiver and AD
  Listening Listen(int module) const;
  uint8_t Sample(int channel);
  uint8_t GeneratorLevel(int module);
  uint8_t MuxReading() const;
  int FilterType(int module) const;
  int InputSelect() const;

  // sound
  std::vector<uint8_t>& SoundArea(int area, int block);
  const std::vector<uint8_t>& SoundArea(int area, int block) const;
  void PlayAndRecord(int start, int pages, int block, bool play);

  // EEPROM kept in a file: 256 cells, then the six records
  void LoadEepromFile();
  void SaveEepromFile();

  // I2C chips
  bool ChipPresent(uint8_t addr) const;
  void WritePort(uint8_t addr, uint8_t value);
  void WriteRegisters(uint8_t addr, const uint8_t* data, uint32_t count);
  uint8_t ReadChip(uint8_t addr);
  void UpdateProbeDisplay(uint8_t oldControl, uint8_t newControl);

  // pot bus on IO port 2
  void PotBusEdge(uint8_t pin, uint8_t oldLevel, uint8_t newLevel);
  void TrimPotWritten(size_t chip, size_t channel, uint8_t value);
  void FilterPortWritten(int module);

  Scenario scenario_;
  RfScene scene_;
  Prng rng_;

  // module
  bool unplugged_ = false;
  unsigned calls_ = 0;
  std::optional<std::chrono::steady_clock::time_point> firstInit_;
  int lastError_ = kErrNone;
  double delay_ = 0.0;
  unsigned parTimeoutMs_ = 1000;
  std::array<uint8_t, 24> pinDir_{};
  std::array<uint8_t, 24> pinLevel_{};

  // parallel bus
  std::vector<uint8_t> command_;
  std::vector<uint8_t> answer_;
  size_t answerRead_ = 0;
  int writeArea_ = -1;  // sound data phase: target area, block, page, bytes left
  int writeBlock_ = 0;
  int writePage_ = 0;
  size_t writeOffset_ = 0;
  size_t writeLeft_ = 0;
  unsigned unknownCommands_ = 0;
  unsigned failedCommands_ = 0;
  unsigned sweeps_ = 0;

  // USB-PIC
  uint8_t adChannel_ = 0;
  std::array<unsigned, 7> adSelections_{};
  std::array<DdsState, 6> dds_{};
  std::array<int, 6> ddsPhase_{};  // 0 = next data word is the low half, 1 = the high half
  std::array<uint16_t, 6> ddsLow_{};
  uint32_t dds400Word_ = 0;
  uint32_t dds400Control_ = 0;
  unsigned dds400Resets_ = 0;
  std::array<uint8_t, 256> eeprom_{};
  std::array<std::array<uint8_t, 18>, 6> records_{};

  // Sound-PIC: 4 playback blocks, AD0 and AD1 recordings; 256 pages of 256 bytes each
  std::array<std::vector<uint8_t>, 6> sound_;
  uint64_t audioClock_ = 0;
  SoundCommand lastPlay_;
  SoundCommand lastRecord_;

  // I2C
  std::array<uint8_t, 128> latch_{};
  struct RegisterChip {
    std::array<uint8_t, 8> reg{};
    uint8_t pointer = 0;
  };
  RegisterChip tea6320_, expander70_, pca74_, pca77_;
  std::array<uint8_t, 2> pot2C_{}, pot2D_{};
  std::array<bool, 128> absent_{};
  bool probePresent_ = true;
  std::optional<uint8_t> probeFixed_;  // none: the probe follows the received level
  uint8_t ProbeLevel();
  bool keyPressed_ = false;
  bool headphones_ = false;
  uint8_t battery_ = 0;
  std::string digits_ = "    ";

  // serial pots: 6 chips x 4 channels, and the shift register of each chip
  std::array<std::array<uint8_t, 4>, 6> pots_{};
  std::array<uint16_t, 6> potShift_{};
  std::array<int, 6> potBits_{};
  std::array<FilterTrim, 2> trims_{};  // the trims in effect on the sweep and the audio module
};

}  // namespace usb2sim
