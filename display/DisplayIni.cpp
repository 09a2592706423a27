#include "display/DisplayIni.h"

#include <cstdint>

#include "display/Display.h"
#include "base/Globals.h"
#include "base/IniService.h"

void ApplyIniDisplaySettings(StdDisplay& display) {
  if (!GlobalIniService) return;
  IniService& ini = *GlobalIniService;
  display.GridColor = ini.ReadGridColor();
  display.GridAlpha = static_cast<uint8_t>(ini.ReadGridTransparence());
  display.GridWidth = static_cast<float>(ini.ReadGridSize() * 0.1);
  display.TextColor = ini.ReadDisplayTextColor();
  display.Dims = ini.ReadDisplayDims();
  display.GenerateText();
  display.BgColor = ini.ReadDisplayBgColor();
}
