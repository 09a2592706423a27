// Scenario of the simulated instrument: the settings read from usb2sim.ini (or a test's text)
// on top of built-in defaults. The parser is our own: the module uses standard C++ only.
#pragma once

#include "sim/Instrument.h"

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace usb2sim {

enum class Pace { Fast, Real };

struct Scenario {
  // [device]
  bool present = true;
  unsigned unplugAfterMs = 0;     // 0 = never
  unsigned unplugAfterCalls = 0;  // 0 = never
  Pace pace = Pace::Fast;
  uint64_t seed = 1;
  uint16_t picVersion = 0x0107;
  uint16_t soundPicVersion = 0x0103;
  unsigned parTimeoutMs = 1000;

  // [eeprom]
  bool eepromErased = false;
  std::string eepromFile;  // cells and records kept across runs (empty = not kept)
  std::array<std::optional<uint8_t>, 256> cells{};
  std::array<std::optional<std::array<uint8_t, 18>>, 6> records{};

  // [battery], [health]
  uint8_t battery = 184;
  uint8_t tempMainboard = 52;  // raw AD bytes of the two temperature sensors
  uint8_t tempPower = 55;
  std::array<std::optional<uint8_t>, 256> currents{};  // raw reading per mux code

  // [probe], [controls]
  bool probePresent = true;
  uint8_t probeLevel = 120;
  bool probeLevelFixed = false;  // false: the probe follows the level received at the tuned frequency
  uint8_t ad5 = 128;
  bool keyPressed = false;
  bool headphones = false;

  // [scene]
  double noiseFloorDbm = -100.0;
  bool zeroHzSignal = true;
  double zeroHzDbm = 15.0;       // LO feedthrough seen at 0 Hz (clock calibration)
  double vlfZeroHzDbm = -45.0;   // VLF converter's own line at 0 Hz
  double inputBOffsetDb = -6.0;  // input B hears the scene this much weaker
  double xo400ErrorHz = 0.0;     // true clock error of the 400 MHz reference
  double ddsClockErrorHz = 0.0;  // true clock error of the 80 MHz reference
  std::vector<EmitterSpec> emitters;

  // [sound]
  unsigned playToRecordDelay = 1024;  // samples between playing and hearing it back
  double roomLevel = 3000.0;          // amplitude of the room sound (counts)
  double noiseLevel = 300.0;          // amplitude of the recording noise (counts)

  // [faults]
  std::set<uint8_t> absentI2c;
  std::set<uint8_t> failCommands;
  std::array<int, 6> recordDetune{};  // steps added to the centre trims of each stored filter record
  std::set<uint8_t> badSoundBanks;    // sound RAM banks 0..2 whose read-back has a stuck bit
  std::set<uint8_t> silentPages;      // playback pages the loudspeaker does not bring into the room
};

// The built-in scene: emitters at 433.92 MHz (a room bug), 868.3 MHz (tone), 1880 MHz (pulsed)
// and 2450 MHz, healthy readings, probe present.
Scenario DefaultScenario();
// The handsets that [scene] mobile_handsets=1 adds.
std::vector<EmitterSpec> MobileHandsets();

// Applies the text to the defaults. Every problem becomes one message "<source>:<line>: ..."
// and that key keeps its default. Returns true when there was none.
bool ParseScenario(const std::string& text, const std::string& sourceName, Scenario& out,
                   std::vector<std::string>& messages);

}  // namespace usb2sim
