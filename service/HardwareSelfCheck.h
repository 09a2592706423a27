// The hardware self-check of a service build: drives every module of the instrument once, reads
// the firmware versions, the supply currents in nineteen module states and the two temperatures,
// switches the fan, and gives one status row per test.
#pragma once
#include <string>
#include <vector>

class IOControl;

// One row of the status list: "ok" or "err", module, part, 8-bit I2C address, current (mA),
// nominal current and info.
struct HardwareStatusRow {
  std::string Status, Module, Part, Address, Current, Nominal, Info;
};

struct HardwareCheckResult {
  std::vector<HardwareStatusRow> Rows;  // always the 36 rows
  bool FanOn = false;
};

// The fan runs above this power-module temperature (degrees Celsius).
constexpr double FanOnAboveCelsius = 60.0;

// One run. picVersion and soundPicVersion keep their value when a version read fails. A reading
// that fails gives its row as "err" (never a stale value); the fan runs when the power module's
// temperature cannot be read.
HardwareCheckResult RunHardwareChecks(IOControl& io, int& picVersion, int& soundPicVersion);
