// The FIR tables of the silent analysis.
#include "engine/Coef.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

struct TableCase {
  const char* name;
  const float* taps;
  int count;
  float first;
  float centre;
};

class CoefTableTest : public ::testing::TestWithParam<TableCase> {};

TEST_P(CoefTableTest, IsLinearPhaseWithTheGivenTaps) {
  const TableCase& c = GetParam();
  EXPECT_FLOAT_EQ(c.taps[0], c.first);
  EXPECT_FLOAT_EQ(c.taps[c.count / 2], c.centre);
  for (int k = 0; k < c.count; ++k) EXPECT_EQ(c.taps[k], c.taps[c.count - 1 - k]) << k;
}

INSTANTIATE_TEST_SUITE_P(Silent, CoefTableTest,
                         ::testing::Values(TableCase{"LowPass61", CoefTable62.data(), CoefTable62Taps,
                                                     -0.00499183685f, 0.434261173f},
                                           TableCase{"HighPass191", CoefTable192.data(), CoefTable192Taps,
                                                     0.000312374672f, 0.989352942f}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CoefTable, SizesAndGains) {
  EXPECT_EQ(CoefTable62.size(), 61u);
  EXPECT_EQ(CoefTable192.size(), 191u);
  // The low-pass passes a constant whole; the high-pass damps it to about -0.115 (-19 dB).
  EXPECT_NEAR(std::accumulate(CoefTable62.begin(), CoefTable62.end(), 0.0), 1.0, 1e-4);
  EXPECT_NEAR(std::accumulate(CoefTable192.begin(), CoefTable192.end(), 0.0), -0.115, 0.001);
  EXPECT_FLOAT_EQ(CoefTable62[29], 0.299919873f);
  EXPECT_FLOAT_EQ(CoefTable62[31], 0.299919873f);
  EXPECT_FLOAT_EQ(CoefTable192[94], -0.0109934509f);
  EXPECT_FLOAT_EQ(CoefTable192[96], -0.0109934509f);
}

}  // namespace
