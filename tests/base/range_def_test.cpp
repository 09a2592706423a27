// The band table: the default bands in sorted order, the inside flags and the sort's termination.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "base/RangeDef.h"

namespace {

struct SortedBand {
  const char* name;
  double lower;
  double upper;
  bool inside;
};

// The 44 default bands after sorting, with their inside flags.
const std::vector<SortedBand> SortedDefaults = {
    {"CB-Funk", 26.5, 27.4, false},
    {"TV-VHF1", 41, 68, false},
    {"6m Band", 50.08, 51, true},
    {"Rundfunk", 87.5, 108, false},
    {"2m Band", 144, 146, false},
    {"BOS", 165.21, 173.98, false},
    {"TV-VHF DVB-T", 174, 230, false},
    {"T-DAB", 223, 230, true},
    {"BOS", 380, 385, false},
    {"BOS", 390, 395, false},
    {"70cm Band", 430, 440, false},
    {"ISM-433", 433, 435, true},
    {"BOS", 443.6, 450, false},
    {"PMR-446", 446, 446.1, true},
    {"TV-UHF DVB-T", 470, 862, false},
    {"Funk-Mikros", 863, 865, false},
    {"ISM-868", 868, 870, false},
    {"GSM", 876, 960, false},
    {"Flugnavigation", 960, 1215, false},
    {"Sat.Nav.", 1215, 1240, false},
    {"23cm Band", 1240, 1300, false},
    {"Radar", 1300, 1400, false},
    {"Dig.Rundfunk", 1452, 1479.5, false},
    {"Richtfunk", 1492, 1525, false},
    {"Sat.Nav", 1559, 1610, false},
    {"Sat.Mobilf.", 1616, 1626.5, false},
    {"GSM 1800", 1710, 1880, false},
    {"DECT", 1880, 1900, false},
    {"UMTS", 1900, 2200, false},
    {"Richtfunk", 2290, 2300, false},
    {"WLAN/Video/Blue.", 2320, 2500, false},
    {"Richtfunk", 2500, 2670, false},
    {"Radar", 2700, 3400, false},
    {"9cm Band", 3400, 3475, false},
    {"WIMAX", 3410, 3594, false},
    {"Richtfunk", 3600, 4200, false},
    {"Richtfunk", 4400, 5000, false},
    {"WLAN", 5150, 5350, false},
    {"WLAN", 5470, 5725, false},
    {"5cm Band", 5650, 5825, false},
    {"DECT2/WLAN", 5725, 5825, true},
    {"Radar", 9000, 9200, false},
    {"Radar", 9300, 9500, false},
    {"3cm Band", 10000, 10500, false},
};

TEST(RangeDefList, DefaultTableSortedWithInsideFlags) {
  RangeDefList list;
  list.CreateDefaultList();
  ASSERT_EQ(list.Count(), 44);
  EXPECT_EQ(list.GetItem(0)->Name, "CB-Funk");
  EXPECT_EQ(list.GetItem(42)->Name, "BOS");  // unsorted: appended last but one
  list.SortList();
  for (size_t i = 0; i < SortedDefaults.size(); ++i) {
    SCOPED_TRACE(i);
    const RangeDefItem* item = list.GetItem(static_cast<unsigned>(i));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->Name, SortedDefaults[i].name);
    EXPECT_DOUBLE_EQ(item->Lower, SortedDefaults[i].lower);
    EXPECT_DOUBLE_EQ(item->Upper, SortedDefaults[i].upper);
    EXPECT_EQ(item->Inside, SortedDefaults[i].inside ? 1 : 0);
  }
}

TEST(RangeDefList, GetItemPastTheEndIsNull) {
  RangeDefList list;
  EXPECT_EQ(list.GetItem(0), nullptr);
  list.CreateDefaultList();
  list.SortList();
  EXPECT_EQ(list.GetItem(43)->Name, "3cm Band");
  EXPECT_EQ(list.GetItem(44), nullptr);
  EXPECT_EQ(list.GetItem(1000), nullptr);
  EXPECT_EQ(list.GetItem(static_cast<unsigned>(-1)), nullptr);
}

TEST(RangeDefList, NewItemIsEmpty) {
  RangeDefItem item;
  EXPECT_EQ(item.Name, "");
  EXPECT_EQ(item.Lower, 0.0);
  EXPECT_EQ(item.Upper, 0.0);
  EXPECT_EQ(item.Inside, 0);
}

struct InsideCase {
  const char* name;
  std::vector<SortedBand> bands;   // added in this order
  std::vector<SortedBand> sorted;  // expected order and flags
};

void PrintTo(const InsideCase& c, std::ostream* os) {
  *os << c.name << " (" << c.bands.size() << (c.bands.size() == 1 ? " band)" : " bands)");
}

class RangeDefInsideTest : public testing::TestWithParam<InsideCase> {};

TEST_P(RangeDefInsideTest, SortsAndFlags) {
  RangeDefList list;
  for (const SortedBand& b : GetParam().bands) list.AddItem(b.name, b.lower, b.upper);
  list.SortList();  // must end even with equal lower bounds
  ASSERT_EQ(list.Count(), static_cast<int>(GetParam().sorted.size()));
  for (size_t i = 0; i < GetParam().sorted.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(list.GetItem(static_cast<unsigned>(i))->Name, GetParam().sorted[i].name);
    EXPECT_EQ(list.GetItem(static_cast<unsigned>(i))->Inside, GetParam().sorted[i].inside ? 1 : 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RangeDefInsideTest,
    testing::Values(
        InsideCase{"OverlapIsNotInside",
                   {{"WIMAX", 3410, 3594, false}, {"9cm Band", 3400, 3475, false}},
                   {{"9cm Band", 0, 0, false}, {"WIMAX", 0, 0, false}}},
        InsideCase{"SharedEdgesCount",
                   {{"big", 100, 200, false}, {"left", 100, 120, false}, {"right", 150, 200, false}},
                   {{"big", 0, 0, false}, {"left", 0, 0, true}, {"right", 0, 0, true}}},
        InsideCase{"IdenticalBandsAreBothInside",
                   {{"a", 10, 20, false}, {"b", 10, 20, false}},
                   {{"a", 0, 0, true}, {"b", 0, 0, true}}},
        InsideCase{"EqualLowerBoundsKeepTheirOrder",
                   {{"c", 5, 6, false}, {"x", 10, 30, false}, {"y", 10, 20, false}, {"a", 1, 2, false}},
                   {{"a", 0, 0, false}, {"c", 0, 0, false}, {"x", 0, 0, false}, {"y", 0, 0, true}}},
        InsideCase{"SingleBandIsNotChecked", {{"solo", 1, 2, false}}, {{"solo", 0, 0, false}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RangeDefList, CheckInsideClearsOldFlags) {
  RangeDefList list;
  list.AddItem("a", 1, 2);
  list.AddItem("b", 3, 4);
  list.GetItem(0)->Inside = 1;
  list.CheckInside();
  EXPECT_EQ(list.GetItem(0)->Inside, 0);
}

}  // namespace
