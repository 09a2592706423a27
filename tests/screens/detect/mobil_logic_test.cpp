// The mobile-band monitor's band table, plot geometry, level from the mouse height and stored levels.
#include <gtest/gtest.h>

#include "screens/locate/MobilBands.h"
#include "base/IniService.h"
#include "tests/support/TempFolder.h"

namespace {

TEST(MobilBands, PlotRectangleAndLevelFromHeight) {
  const MobilBandView& gsm900 = MobilBandViews[0];
  const PlotRect r = MobilPlotRect(gsm900);
  EXPECT_EQ(r.left, 20);
  EXPECT_EQ(r.top, 40);
  EXPECT_EQ(r.right, 220);
  EXPECT_EQ(r.bottom, 320);
  struct Case {
    int y, level;
  };
  for (const Case& c : {Case{40, 255}, Case{320, 0}, Case{180, 128}, Case{0, 255}, Case{400, 0}})
    EXPECT_EQ(MobilLevelAt(gsm900, c.y), c.level) << c.y;
}

TEST(MobilBands, HandOnAndWhichBandsHaveAlarmLevels) {
  EXPECT_STREQ(MobilBandViews[1].title, "GSM 1800");
  EXPECT_DOUBLE_EQ(MobilBandViews[1].centreHz, 1747.5e6);
  EXPECT_DOUBLE_EQ(MobilBandViews[1].spanHz, 75e6);
  for (int b = 0; b < 5; ++b) EXPECT_EQ(MobilBandViews[b].iniBand, b + 1);
  EXPECT_EQ(MobilBandViews[5].iniBand, 0);
}

TEST(MobilBands, AlarmLevelsAreStoredClampedAndReadBack) {
  TempFolder folder;
  {
    IniService ini(folder.path());
    WriteAlarmLevel(ini, MobilBandViews[0], 200);
    WriteAlarmLevel(ini, MobilBandViews[1], -20);
    WriteAlarmLevel(ini, MobilBandViews[2], 900);
    WriteAlarmLevel(ini, MobilBandViews[5], 50);  // DECT: nothing stored
  }
  folder.Write("edited/RT7731IV.INI", "[SYSTEM]\nLEVEL_V2_UMTS=-5\nLEVEL_V2_LTE800=300\n");
  IniService ini(folder.path());
  EXPECT_EQ(ReadAlarmLevel(ini, MobilBandViews[0]), 200);
  EXPECT_EQ(ReadAlarmLevel(ini, MobilBandViews[1]), 0);
  EXPECT_EQ(ReadAlarmLevel(ini, MobilBandViews[2]), 255);
  EXPECT_EQ(ReadAlarmLevel(ini, MobilBandViews[3]), 127);
  EXPECT_EQ(ReadAlarmLevel(ini, MobilBandViews[5]), 10000);
  IniService edited(folder.path() + "edited/");
  EXPECT_EQ(ReadAlarmLevel(edited, MobilBandViews[2]), 0);
  EXPECT_EQ(ReadAlarmLevel(edited, MobilBandViews[3]), 255);
}

}  // namespace
