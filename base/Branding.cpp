#include "base/Branding.h"

#include "platform/rtl/Registry.h"

bool WriteBrandingRegistry(bool distributor) {
  TRegistry registry;
  const bool written =
      registry.OpenKey(BrandingRegistryKey, true) &&
      registry.WriteString("Distributor", distributor ? DistributorTarvix : DistributorBrenholt);
  registry.CloseKey();
  return written;
}
