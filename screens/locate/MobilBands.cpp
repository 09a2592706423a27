#include "screens/locate/MobilBands.h"

#include <algorithm>
#include <cmath>

#include "base/IniService.h"

const std::array<MobilBandView, MobilBandCount> MobilBandViews{{
    {"GSM 900", 880e6, 915e6, 20, 10, 220, 350, 80, 130, 897.5e6, 35e6, 1},
    {"GSM 1800", 1710e6, 1785e6, 260, 10, 460, 350, 320, 130, 1747.5e6, 75e6, 2},
    {"UMTS", 1920e6, 1980e6, 500, 10, 700, 350, 560, 130, 1950e6, 60e6, 3},
    {"LTE 800", 832e6, 862e6, 740, 10, 940, 350, 800, 130, 847e6, 30e6, 4},
    {"LTE 2600", 2520e6, 2550e6, 20, 400, 220, 750, 80, 520, 2535e6, 30e6, 5},
    {"DECT", 1880e6, 1900e6, 260, 400, 460, 750, 320, 520, 1890e6, 20e6, 0},
}};

PlotRect MobilPlotRect(const MobilBandView& band) {
  return {band.left, band.top + MobilPlotMargin, band.right, band.bottom - MobilPlotMargin};
}

int MobilLevelAt(const MobilBandView& band, int y) {
  const PlotRect plot = MobilPlotRect(band);
  const double level = 255.0 - double(y - plot.top) * 255.0 / double(plot.bottom - plot.top);
  return std::clamp(int(std::lround(level)), 0, 255);
}

int ReadAlarmLevel(IniService& ini, const MobilBandView& band) {
  if (band.iniBand == 0) return int(NoAlarmLevel);
  return std::clamp(ini.ReadBandLevelV2(band.iniBand), 0, 255);
}

void WriteAlarmLevel(IniService& ini, const MobilBandView& band, int level) {
  if (band.iniBand != 0) ini.WriteBandLevelV2(band.iniBand, std::clamp(level, 0, 255));
}
