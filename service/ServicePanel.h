// The values of the self-test's service panel: the sonar probe's clock and sensitivity and the
// branding, kept in the instrument's EEPROM, and the access code that unlocks the panel.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class IOControl;

// Compared with the whole text, case-sensitively.
bool IsServiceAccessCode(const std::string& text);

constexpr uint8_t SonarSensitivityCell = 17;
constexpr uint8_t SonarClockCell = 18;
constexpr int SonarClockMin = 148;
constexpr int SonarClockMax = 188;
constexpr int SonarClockDefault = 168;
constexpr int SonarSensitivityDefault = 69;

// An unset cell (0 or 255) gives the default; the clock is kept within its range.
int SonarClockFromCell(uint8_t cell);
int SonarSensitivityFromCell(uint8_t cell);

struct ServicePanelValues {
  int SonarClock = SonarClockDefault;
  int SonarSensitivity = SonarSensitivityDefault;
  bool Distributor = false;
};

// Reads the three cells. A cell that cannot be read gives its default and its name in `failures`.
ServicePanelValues ReadServicePanelValues(IOControl& io, std::vector<std::string>& failures);
// Clears the four clock offsets and stores them, writes cells 17, 18 and 50, then the registry
// value. Every step is tried; the names of those that failed are returned.
std::vector<std::string> WriteServicePanelValues(IOControl& io, const ServicePanelValues& values);
