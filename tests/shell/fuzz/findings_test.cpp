// What the fuzz driver of the INI file found: stored values the program cannot use read as defaults.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "base/IniService.h"
#include "tests/support/TempFolder.h"

namespace {

struct CorruptCase {
  const char* name;
  const char* file;
  int transparence;
  double dds0;
  double mainVco;
};

class IniFindingsTest : public testing::TestWithParam<CorruptCase> {};

TEST_P(IniFindingsTest, UnusableValueReadsAsDefault) {
  TempFolder folder;
  folder.Write(IniService::FileName, GetParam().file);
  IniService ini(folder.path());
  EXPECT_EQ(ini.ReadGridTransparence(), GetParam().transparence);
  EXPECT_EQ(ini.ReadTestDDSFreq(0), GetParam().dds0);
  EXPECT_EQ(ini.ReadTestMainVcoFreq(), GetParam().mainVco);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniFindingsTest,
    testing::Values(
        CorruptCase{"InRange", "[GRID]\nTransparence=255\n[TEST]\nTESTDDS-0=1e38\n", 255, 1e38, 0.0},
        CorruptCase{"AlphaAbove", "[GRID]\nTransparence=256\n", 127, 0.0, 0.0},
        CorruptCase{"AlphaNegative", "[GRID]\nTransparence=-1\n", 127, 0.0, 0.0},
        CorruptCase{"NotFinite", "[TEST]\nTESTDDS-0=1e999\nTEST_MAINVCO_FREQ=nan\n", 127, 0.0, 0.0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormBoundsFindings, HugeStoredSizeIsCappedSoTheLayoutCannotOverflow) {
  EXPECT_EQ(ClampFormBounds({INT_MAX, INT_MAX, INT_MAX, INT_MAX}, 1920, 1080),
            (FormBounds{1820, 1030, 1920, 1080}));
  // Without a known screen size the window system's limit holds.
  const FormBounds b = ClampFormBounds({INT_MAX, INT_MAX, INT_MAX, INT_MAX}, 0, 0);
  EXPECT_EQ(b.Width, MaxFormExtent);
  EXPECT_EQ(b.Height, MaxFormExtent);
}

}  // namespace
