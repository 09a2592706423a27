// The branding (maker or distributor) that the start splash shows: EEPROM cell 50 of the
// instrument, mirrored into the registry value "Distributor" under "\Software\RT7731IV".
#pragma once
#include <cstdint>

inline constexpr const char* DistributorBrenholt = "brenholt";
inline constexpr const char* DistributorTarvix = "tarvix";
inline constexpr const char* BrandingRegistryKey = "\\Software\\RT7731IV";
inline constexpr uint8_t BrandingCell = 50;

// Cell 50 holding 1 means the distributor; any other value the maker.
inline bool IsDistributorCell(uint8_t cell) { return cell == 1; }

// Writes "Distributor" = "tarvix" or "brenholt", creating the key when missing; false when the key
// cannot be opened or the value not written.
bool WriteBrandingRegistry(bool distributor);
