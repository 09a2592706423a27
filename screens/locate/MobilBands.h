// The six bands of the mobile-band monitor: where each band's display lies, what a press hands on to
// the analyser, and the alarm level that a held press edits with the mouse height.
#pragma once
#include <array>

class IniService;

struct MobilBandView {
  const char* title;
  double startHz, stopHz;        // the band buffer's range
  int left, top, right, bottom;  // display viewport, virtual 1024 x 768
  int symbolX, symbolY;
  double centreHz, spanHz;  // handed to the analyser views
  int iniBand;              // 1..5 for IniService::ReadBandLevelV2; 0: no alarm level (DECT)
};

constexpr int MobilBandCount = 6;
extern const std::array<MobilBandView, MobilBandCount> MobilBandViews;

// Channel 3 point 0 of a band without an alarm level: above every level, so no line is drawn.
constexpr float NoAlarmLevel = 10000.0f;
// The plot margin above and below of a band display.
constexpr int MobilPlotMargin = 30;

struct PlotRect {
  int left, top, right, bottom;
  bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};
PlotRect MobilPlotRect(const MobilBandView& band);

// The alarm level for the mouse at height y on the band's plot: 255 at the top edge, 0 at the bottom,
// rounded and kept within 0..255 when the mouse leaves the plot while it is held.
int MobilLevelAt(const MobilBandView& band, int y);

// The stored alarm level of a band (default 127), kept within 0..255 whatever the file holds.
int ReadAlarmLevel(IniService& ini, const MobilBandView& band);
void WriteAlarmLevel(IniService& ini, const MobilBandView& band, int level);
