#include "sim/Model.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <fstream>
#include <iostream>
#include <iterator>

namespace usb2sim {

namespace {

constexpr double kDds400Clock = 400e6;
constexpr double kTwoTo32 = 4294967296.0;
constexpr double kBandSplitHz = 5e9;
constexpr double kFilterCentreHz = 10.7e6;  // IF filter modules
constexpr double kVlfOffsetHz = 25.3e6;     // VLF converter: tuner = VLF frequency + 25.3 MHz
constexpr size_t kSoundBytes = 256 * 256;   // 256 pages per memory

constexpr uint8_t kPinReset = 0;  // port 0 pin 0: reset pulse of the microcontrollers
constexpr uint8_t kPinPower = 1;  // port 0 pin 1: device power
constexpr uint8_t kPinPotClock = 16;
constexpr uint8_t kPinPotData = 17;
constexpr uint8_t kPinPotSelect0 = 18;  // chip selects of pot chips 0..5, active low

}  // namespace

Model::Model(const Scenario& scenario) : scenario_(scenario), rng_(scenario.seed) {
  scene_.Configure(scenario_);
  parTimeoutMs_ = scenario_.parTimeoutMs;
  pinLevel_.fill(1);
  pinLevel_[kPinPotClock] = 0;
  pinLevel_[kPinPower] = 0;

  eeprom_.fill(0xFF);
  for (auto& r : records_) r.fill(0xFF);
  if (!scenario_.eepromErased) {
    eeprom_[17] = 128;                                                               // sonar sensitivity
    eeprom_[18] = 64;                                                                // sonar beat
    for (int cell = 30; cell <= 45; ++cell) eeprom_[static_cast<size_t>(cell)] = 0;  // clock offsets 0.0
    eeprom_[50] = 0;                                                                 // distributor byte
    for (auto& r : records_) {
      r.fill(0);
      std::fill(r.begin(), r.begin() + 9, uint8_t{128});
    }
  }
  LoadEepromFile();
  for (size_t i = 0; i < 256; ++i)
    if (scenario_.cells[i]) eeprom_[i] = *scenario_.cells[i];
  for (size_t i = 0; i < 6; ++i)
    if (scenario_.records[i]) records_[i] = *scenario_.records[i];
  for (size_t i = 0; i < 6; ++i)
    for (size_t b = 0; b < 4; ++b)
      records_[i][b] = static_cast<uint8_t>(std::clamp(records_[i][b] + scenario_.recordDetune[i], 0, 255));

  for (auto& area : sound_) {
    area.assign(kSoundBytes, 0);
    for (size_t i = 0; i < kSoundBytes; i += 2) area[i] = 0x80;  // zero line 0x8000, high byte first
  }

  latch_.fill(0xFF);
  for (uint8_t a : scenario_.absentI2c) absent_[a & 0x7F] = true;
  probePresent_ = scenario_.probePresent;
  if (scenario_.probeLevelFixed) probeFixed_ = scenario_.probeLevel;
  keyPressed_ = scenario_.keyPressed;
  headphones_ = scenario_.headphones;
  battery_ = scenario_.battery;
}

void Model::LoadEepromFile() {
  if (scenario_.eepromFile.empty()) return;
  std::ifstream in(scenario_.eepromFile, std::ios::binary);
  if (!in) return;  // not written yet: the fresh contents stand
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() != eeprom_.size() + records_.size() * 18) {
    std::cerr << "usb2sim: " << scenario_.eepromFile << ": not an EEPROM image (" << bytes.size()
              << " bytes), fresh contents used\n";
    return;
  }
  size_t at = 0;
  for (uint8_t& cell : eeprom_) cell = static_cast<uint8_t>(bytes[at++]);
  for (auto& record : records_)
    for (uint8_t& b : record) b = static_cast<uint8_t>(bytes[at++]);
}

void Model::SaveEepromFile() {
  if (scenario_.eepromFile.empty()) return;
  std::ofstream out(scenario_.eepromFile, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(eeprom_.data()), static_cast<std::streamsize>(eeprom_.size()));
  for (const auto& record : records_)
    out.write(reinterpret_cast<const char*>(record.data()), static_cast<std::streamsize>(record.size()));
  if (!out) std::cerr << "usb2sim: " << scenario_.eepromFile << ": cannot be written\n";
}

bool Model::Admit() {
  ++calls_;
  if (!scenario_.present) {
    lastError_ = kErrNotPresent;
    return false;
  }
  if (scenario_.unplugAfterCalls != 0 && calls_ > scenario_.unplugAfterCalls) unplugged_ = true;
  if (scenario_.unplugAfterMs != 0 && firstInit_) {
    const auto elapsed = std::chrono::steady_clock::now() - *firstInit_;
    if (elapsed >= std::chrono::milliseconds(scenario_.unplugAfterMs)) unplugged_ = true;
  }
  if (unplugged_) {
    lastError_ = kErrNotPresent;
    return false;
  }
  return true;
}

int Model::Init() {
  if (!firstInit_) firstInit_ = std::chrono::steady_clock::now();
  return 1;
}

// ---- IO pins ------------------------------------------------------------------------------

int Model::SetIODir(uint8_t pin, uint8_t dir) {
  if (pin >= pinDir_.size()) {
    lastError_ = kErrBadArgument;
    return 0;
  }
  pinDir_[pin] = dir ? 1 : 0;
  return 1;
}

int Model::SetIOState(uint8_t pin, uint8_t level) {
  if (pin >= pinLevel_.size()) {
    lastError_ = kErrBadArgument;
    return 0;
  }
  const uint8_t old = pinLevel_[pin];
  const uint8_t now = level ? 1 : 0;
  pinLevel_[pin] = now;
  if (pin == kPinReset && now == 0) FlushBus();
  if (pin >= kPinPotClock) PotBusEdge(pin, old, now);
  return 1;
}

int Model::GetIOState(uint8_t pin, uint8_t* out) {
  if (pin >= pinLevel_.size() || !out) {
    lastError_ = kErrBadArgument;
    return 0;
  }
  *out = pinLevel_[pin];
  return 1;
}

int Model::SetPortDir(uint8_t port, uint8_t mask) {
  if (port > 2) {
    lastError_ = kErrBadArgument;
    return 0;
  }
  for (int i = 0; i < 8; ++i) pinDir_[static_cast<size_t>(port * 8 + i)] = (mask >> i) & 1;
  return 1;
}

// The IF filter trims: a 10-bit word (2 bits channel, 8 bits value, MSB first) clocked on the
// rising edge while the chip's select is low, latched when the select rises again.
void Model::PotBusEdge(uint8_t pin, uint8_t oldLevel, uint8_t newLevel) {
  if (pin == kPinPotClock && oldLevel == 0 && newLevel == 1) {
    for (size_t chip = 0; chip < 6; ++chip) {
      if (pinLevel_[kPinPotSelect0 + chip] != 0) continue;
      potShift_[chip] = static_cast<uint16_t>(((potShift_[chip] << 1) | pinLevel_[kPinPotData]) & 0x3FF);
      ++potBits_[chip];
    }
    return;
  }
  if (pin < kPinPotSelect0) return;
  const size_t chip = pin - kPinPotSelect0;
  if (oldLevel == 1 && newLevel == 0) {
    potShift_[chip] = 0;
    potBits_[chip] = 0;
  } else if (oldLevel == 0 && newLevel == 1 && potBits_[chip] >= 10) {
    const size_t channel = (potShift_[chip] >> 8) & 3;
    const uint8_t value = static_cast<uint8_t>(potShift_[chip] & 0xFF);
    pots_[chip][channel] = value;
    TrimPotWritten(chip, channel, value);
  }
}

// Module 0's trims sit on pot chips 1 (centre), 0 (level) and 2 channel 0 (gain); module 1's on
// chips 4, 3 and 5. A trim written there takes effect at once.
void Model::TrimPotWritten(size_t chip, size_t channel, uint8_t value) {
  FilterTrim& trim = trims_[chip / 3];
  switch (chip % 3) {
    case 1:
      trim.centre[channel] = value;
      break;
    case 0:
      trim.level[channel] = value;
      break;
    default:
      if (channel == 0) trim.gain = value;
      break;
  }
}

// Selecting filter type 2..4 on a module's port loads that type's stored record (records 0-2 for
// the sweep module, 3-5 for the audio module) into the module's trims.
void Model::FilterPortWritten(int module) {
  const int type = FilterType(module);
  if (type < 2) return;
  const std::array<uint8_t, 18>& record = records_[static_cast<size_t>(module * 3 + type - 2)];
  FilterTrim& trim = trims_[static_cast<size_t>(module)];
  for (size_t s = 0; s < 4; ++s) {
    trim.centre[s] = record[s];
    trim.level[s] = record[4 + s];
  }
  trim.gain = record[8];
}

int Model::ParInit(uint8_t) {
  FlushBus();
  return 1;
}

int Model::ParSetTimeout(uint32_t ms) {
  parTimeoutMs_ = ms;
  return 1;
}

// ---- receiver -----------------------------------------------------------------------------

// The port's filter type decides. A port that holds none (0xFF, as the bring-up leaves it) leaves
// the choice to the module's path pots (chip 2 or 5, channels 1-3): path 2 puts the tunable filter
// in the signal path, shaped by the trims as they stand.
int Model::FilterType(int module) const {
  const int t = latch_[static_cast<size_t>(0x22 + module)] & 0x07;  // type 1 arrives as 9
  if (t <= 4) return t;
  const auto& path = pots_[module == 0 ? 2 : 5];
  return path[3] == 255 && path[1] == 0 && path[2] == 0 ? 2 : 0;
}

int Model::InputSelect() const {
  switch ((latch_[0x21] >> 2) & 0x07) {
    case 2:
      return 0;
    case 6:
      return 1;
    case 4:
      return 2;
    default:
      return -1;
  }
}

// Signal chain: LO1 = DDS-400 x 256 (band 0) or x 512 (band 1); IF1 = LO1 - RF; the main VCO
// (250 x DDS 1) mixes IF1 down to IF2, and the tuner (DDS 4 or 5) mixes IF2 to the 10.7 MHz filter.
// With the low VCO a carrier at centre + d lands at tuner 27.3 MHz - d, with the high VCO at
// 27.3 MHz + d. With the VLF converter on, the tuner hears VLF frequency + 25.3 MHz.
Listening Model::Listen(int module) const {
  Listening l;
  l.filterType = FilterType(module);
  l.trim = trims_[static_cast<size_t>(module)];
  l.attenuatorDb = static_cast<double>(~latch_[0x20] & 0x1F);
  l.inputOffsetDb = InputSelect() == 2 ? scenario_.inputBOffsetDb : 0.0;
  const DdsState& tuner = dds_[static_cast<size_t>(4 + module)];
  if (!tuner.on) return l;
  if ((latch_[0x26] & 0x80) == 0) {
    l.vlf = true;
    l.tuned = true;
    l.rfHz = tuner.frequencyHz - kVlfOffsetHz;
    return l;
  }
  const double dds400 = dds400Word_ * (kDds400Clock + scenario_.xo400ErrorHz) / kTwoTo32;
  if (dds400 <= 0.0 || !dds_[1].on) return l;
  const double lo1 = dds400 * ((latch_[0x21] & 0x40) ? 512.0 : 256.0);
  const double vco = 250.0 * dds_[1].frequencyHz;
  const double if2 = tuner.frequencyHz + kFilterCentreHz;
  l.rfHz = vco < kBandSplitHz ? lo1 - vco - if2 : lo1 - vco + if2;
  l.tuned = true;
  return l;
}

// The filter test generators (DDS 2 into module 0, DDS 3 into module 1) seen at the module's
// detector through the module's filter and trims: about 234 in the passband, falling to a floor of 70.
uint8_t Model::GeneratorLevel(int module) {
  const DdsState& gen = dds_[static_cast<size_t>(2 + module)];
  if (!gen.on) return 0;
  const double att = FilterLossDb(FilterType(module), trims_[static_cast<size_t>(module)],
                                  gen.frequencyHz - kFilterCentreHz);
  const double level = att == kFilterRejected ? 70.0 : 70.0 + 164.0 * (1.0 - att / kFilterDepthDb);
  return static_cast<uint8_t>(std::clamp(level + rng_.Jitter(1), 0.0, 255.0));
}

// AD channel 2: the mainboard multiplexer selected by the low byte of the 0x77 control word.
// Currents read raw/255 A, temperatures (raw x 0.0165 - 0.6) x 100 degrees.
uint8_t Model::MuxReading() const {
  const uint8_t code = pca77_.reg[2];
  if (scenario_.currents[code]) return *scenario_.currents[code];
  const double dds400 = dds400Word_ * (kDds400Clock + scenario_.xo400ErrorHz) / kTwoTo32;
  switch (code) {
    case 0x00:
      return 9;  // amplifier 5000
    case 0x01:
      return 54;  // VCO 5000
    case 0x02:
      return (latch_[0x21] & 0x40) ? 173 : 132;  // main VCO, by band
    case 0x03:
      return 21;  // IF 38 splitter
    case 0x04:
      return (latch_[0x26] & 0x80) ? 3 : 16;  // VLF module off / on
    case 0x06:
      return 10;  // IF 5000 switch
    case 0x07:
      return 5;  // demodulator
    case 0x08:
      return 17;  // 400 MHz oscillator
    case 0x10:
      return dds400 < 15e6 ? 41 : (dds400 < 60e6 ? 34 : 23);
    case 0x18:
      return 15;  // audio tuner
    case 0x20:
      return 15;  // sweep tuner
    case 0x28: {  // front end, by its supply bits
      static constexpr uint8_t byBits[4] = {4, 20, 29, 4};
      return byBits[latch_[0x21] & 0x03];
    }
    case 0x30:
      return scenario_.tempMainboard;
    case 0x38:
      return scenario_.tempPower;
    default:
      return 0;
  }
}

uint8_t Model::Sample(int channel) {
  switch (channel) {
    case 0:
    case 1: {
      const uint8_t v = scene_.Convert(scene_.Prepare(Listen(channel)), rng_);
      return std::max(v, GeneratorLevel(channel));
    }
    case 2:
      return MuxReading();
    case 3:
      return battery_;
    case 4:
      return probePresent_ ? ProbeLevel() : 0;
    case 5:
      return scenario_.ad5;
    default:
      return 0;
  }
}

// The hand probe's level: what the audio path hears at its tuned frequency, 20 counts below the
// detector byte (the probe reads about 48 over the noise floor), unless fixed by the scenario or a test.
uint8_t Model::ProbeLevel() {
  if (probeFixed_) return *probeFixed_;
  const uint8_t detector = scene_.Convert(scene_.Prepare(Listen(1)), rng_);
  return static_cast<uint8_t>(std::max(0, detector - 20));
}

// ---- test access --------------------------------------------------------------------------

State Model::Snapshot() const {
  State s;
  s.present = scenario_.present && !unplugged_;
  s.unplugged = unplugged_;
  s.powered = pinLevel_[kPinPower] != 0;
  s.lastError = lastError_;
  s.dds = dds_;
  s.dds400Word = dds400Word_;
  s.dds400Control = dds400Control_;
  s.dds400Hz = dds400Word_ * (kDds400Clock + scenario_.xo400ErrorHz) / kTwoTo32;
  s.dds400Resets = dds400Resets_;
  s.band = (latch_[0x21] & 0x40) ? 1 : 0;
  s.input = InputSelect();
  const Listening sweep = Listen(0);
  const Listening audio = Listen(1);
  s.receiveHz = sweep.tuned ? sweep.rfHz : 0.0;
  s.audioReceiveHz = audio.tuned ? audio.rfHz : 0.0;
  s.ifFilter = {FilterType(0), FilterType(1)};
  s.attenuatorDb = ~latch_[0x20] & 0x1F;
  s.demodulator = pot2D_;
  s.soundPot = pot2C_;
  s.vlfOn = (latch_[0x26] & 0x80) == 0;
  s.adChannel = adChannel_;
  s.adSelections = adSelections_;
  s.frontendPort = latch_[0x20];
  s.mainboardPort = latch_[0x21];
  s.ifPortSweep = latch_[0x22];
  s.ifPortAudio = latch_[0x23];
  s.vlfPort = latch_[0x26];
  s.speakerPort = expander70_.reg[1];
  s.soundWord = static_cast<uint16_t>(pca74_.reg[2] | (pca74_.reg[3] << 8));
  s.controlWord = static_cast<uint16_t>(pca77_.reg[2] | (pca77_.reg[3] << 8));
  s.soundProcessor = tea6320_.reg;
  s.filterPots = pots_;
  s.probePresent = probePresent_;
  const uint32_t off = static_cast<uint32_t>(latch_[0x38]) | (static_cast<uint32_t>(latch_[0x39]) << 8) |
                       (static_cast<uint32_t>(latch_[0x3A]) << 16) |
                       (static_cast<uint32_t>(latch_[0x3B]) << 24);
  s.ledMask = ~off;  // LEDs are active low
  s.ledCount = std::popcount(s.ledMask);
  s.digits = digits_;
  s.eeprom = eeprom_;
  s.filterRecords = records_;
  s.lastPlay = lastPlay_;
  s.lastRecord = lastRecord_;
  s.battery = battery_;
  s.unknownCommands = unknownCommands_;
  s.failedCommands = failedCommands_;
  s.sweeps = sweeps_;
  s.parTimeoutMs = parTimeoutMs_;
  return s;
}

std::vector<uint8_t> Model::SoundMemory(int area, int block, int startPage, int pages) const {
  std::vector<uint8_t> out;
  if (area < 0 || area > 2 || pages <= 0 || startPage < 0) return out;
  const std::vector<uint8_t>& mem = SoundArea(area, block);
  out.reserve(static_cast<size_t>(pages) * 256);
  for (int p = 0; p < pages; ++p) {
    const size_t base = static_cast<size_t>((startPage + p) & 0xFF) * 256;
    out.insert(out.end(), mem.begin() + static_cast<std::ptrdiff_t>(base),
               mem.begin() + static_cast<std::ptrdiff_t>(base + 256));
  }
  return out;
}

std::vector<uint8_t>& Model::SoundArea(int area, int block) {
  return sound_[area == 0 ? static_cast<size_t>(block & 3) : static_cast<size_t>(3 + area)];
}

const std::vector<uint8_t>& Model::SoundArea(int area, int block) const {
  return sound_[area == 0 ? static_cast<size_t>(block & 3) : static_cast<size_t>(3 + area)];
}

}  // namespace usb2sim
