#include "service/ServicePanel.h"

#include <algorithm>

#include "device/InOut.h"
#include "base/Branding.h"

namespace {

constexpr const char* AccessCode = "quorbix";

bool Unset(uint8_t cell) { return cell == 0 || cell == 255; }

}  // namespace

bool IsServiceAccessCode(const std::string& text) { return text == AccessCode; }

int SonarClockFromCell(uint8_t cell) {
  return Unset(cell) ? SonarClockDefault : std::clamp(int(cell), SonarClockMin, SonarClockMax);
}

int SonarSensitivityFromCell(uint8_t cell) { return Unset(cell) ? SonarSensitivityDefault : int(cell); }

ServicePanelValues ReadServicePanelValues(IOControl& io, std::vector<std::string>& failures) {
  ServicePanelValues values;
  uint8_t cell = 0;  // a failed read leaves 0, which stands for "unset"
  if (!io.ReadEEPromByte(SonarClockCell, &cell)) failures.push_back("Sonar Takt");
  values.SonarClock = SonarClockFromCell(cell);
  cell = 0;
  if (!io.ReadEEPromByte(SonarSensitivityCell, &cell)) failures.push_back("Sonar Sens");
  values.SonarSensitivity = SonarSensitivityFromCell(cell);
  cell = 0;
  if (!io.ReadEEPromByte(BrandingCell, &cell)) failures.push_back("Distributor");
  values.Distributor = IsDistributorCell(cell);
  return values;
}

std::vector<std::string> WriteServicePanelValues(IOControl& io, const ServicePanelValues& values) {
  std::vector<std::string> failures;
  io.DdsClockOffset = io.Dds400ClockOffset = io.VcoLowRefOffset = io.VcoHighRefOffset = 0.0;
  if (!io.StoreClockOffsets()) failures.push_back("Clock offsets");
  if (!io.WriteEEPromByte(SonarSensitivityCell, uint8_t(values.SonarSensitivity)))
    failures.push_back("Sonar Sens");
  if (!io.WriteEEPromByte(SonarClockCell, uint8_t(values.SonarClock))) failures.push_back("Sonar Takt");
  if (!io.WriteEEPromByte(BrandingCell, values.Distributor ? 1 : 0)) failures.push_back("Distributor");
  if (!WriteBrandingRegistry(values.Distributor)) failures.push_back("Registry");
  return failures;
}
