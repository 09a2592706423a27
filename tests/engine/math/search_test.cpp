// Peak marking and the centre searches on synthetic traces with known peaks.
#include <gtest/gtest.h>

#include <vector>

#include "engine/Buffers.h"
#include "engine/Search.h"

namespace {

constexpr float Base = 50.0f;

// A flat trace with rectangular peaks of width 2 * radius + 1 around the given centres.
std::vector<float> Trace(int n, std::vector<int> centres, int radius = 4, float height = 60.0f) {
  std::vector<float> t(n, Base);
  for (int c : centres)
    for (int i = c - radius; i <= c + radius; ++i)
      if (i >= 0 && i < n) t[i] = Base + height;
  return t;
}

std::vector<int> Items(const SearchMarkList& list) {
  std::vector<int> items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.Index(i));
  return items;
}

// Both forms of each search on the same trace; the test checks that they agree.
struct Traces {
  explicit Traces(const std::vector<float>& t)
      : normal(t.data(), unsigned(t.size())), digital(unsigned(t.size())) {
    digital.SetValues(3, t.data(), unsigned(t.size()));
  }
  NormalBuffer normal;
  DigitalBuffer digital;

  std::optional<int> FindA() {
    int a = -1, b = -1;
    const bool found = FindAModeCenter(&normal, &a);
    EXPECT_EQ(FindAModeCenter(&digital, 3, &b), found);
    EXPECT_EQ(a, b);
    return found ? std::optional<int>(a) : std::nullopt;
  }
  std::optional<int> FindW(int start) {
    int a = -1, b = -1;
    const bool found = FindWModeCenter(static_cast<BufferBase*>(&normal), start, &a);
    EXPECT_EQ(FindWModeCenter(&digital, 3, start, &b), found);
    EXPECT_EQ(a, b);
    return found ? std::optional<int>(a) : std::nullopt;
  }
  std::vector<int> SearchA(bool up) {
    SearchMarkList a, b;
    const bool found = SearchAMode(&normal, up, &a);
    EXPECT_EQ(SearchAMode(&digital, 3, up, &b), found);
    EXPECT_EQ(found, a.Count() > 0);
    EXPECT_EQ(Items(a), Items(b));
    return Items(a);
  }
  std::vector<int> SearchW(int start, int lower, int upper, bool up) {
    SearchMarkList a, b;
    const bool found = SearchWMode(&normal, start, lower, upper, up, &a);
    EXPECT_EQ(SearchWMode(&digital, 3, start, lower, upper, up, &b), found);
    EXPECT_EQ(found, a.Count() > 0);
    EXPECT_EQ(Items(a), Items(b));
    return Items(a);
  }
};

TEST(PeakSearch, FlatTraceMarksNothing) {
  Traces flat(std::vector<float>(1000, Base));
  EXPECT_EQ(flat.FindA(), std::nullopt);
  EXPECT_EQ(flat.FindW(500), std::nullopt);
  for (bool up : {true, false}) {
    EXPECT_TRUE(flat.SearchA(up).empty());
    EXPECT_TRUE(flat.SearchW(500, 0, 1000, up).empty());
  }
}

TEST(PeakSearch, AModeFindsThePeakAtTheMiddleButSearchesStartBesideIt) {
  Traces t(Trace(1000, {500}));
  EXPECT_EQ(t.FindA(), 500);
  EXPECT_TRUE(t.SearchA(true).empty());
  EXPECT_TRUE(t.SearchA(false).empty());
}

TEST(PeakSearch, AModeNearestFirstInEachDirection) {
  Traces t(Trace(1000, {200, 400, 600, 800}));
  EXPECT_EQ(t.FindA(), 400);  // equal distance: the lower side first
  EXPECT_EQ(t.SearchA(true), (std::vector<int>{600, 800}));
  EXPECT_EQ(t.SearchA(false), (std::vector<int>{400, 200}));
}

TEST(PeakSearch, WModeSeparatesTwoClosePeaks) {
  Traces t(Trace(2000, {990, 1010}));
  EXPECT_EQ(t.FindW(1000), 990);
  EXPECT_EQ(t.FindW(1001), 1010);
  EXPECT_EQ(t.SearchW(900, 0, 2000, true), (std::vector<int>{990, 1010}));
  EXPECT_EQ(t.SearchW(1100, 0, 2000, false), (std::vector<int>{1010, 990}));
  // The searches begin 10 points from start and stop at the bounds.
  EXPECT_EQ(t.SearchW(985, 0, 2000, true), (std::vector<int>{1010}));
  EXPECT_EQ(t.SearchW(900, 0, 1000, true), (std::vector<int>{990}));
  EXPECT_EQ(t.SearchW(1100, 1000, 2000, false), (std::vector<int>{1010}));
  EXPECT_TRUE(t.SearchW(1005, 1000, 2000, false).empty());  // start - 10 is below lower
}

TEST(PeakSearch, PeaksAtEitherEndAreFound) {
  Traces t(Trace(1000, {0, 999}, 6));
  const auto low = t.FindW(0);
  ASSERT_TRUE(low.has_value());
  EXPECT_LE(*low, 6);
  const auto high = t.FindW(999);
  ASSERT_TRUE(high.has_value());
  EXPECT_GE(*high, 993);
  EXPECT_EQ(t.SearchW(500, 0, 1000, true), (std::vector<int>{*high}));
  EXPECT_EQ(t.SearchW(500, 0, 1000, false), (std::vector<int>{*low}));
}

TEST(PeakSearch, ARunReachingTheLastPointIsCentredBetweenItsStartAndTheEnd) {
  // A strong signal over the last 10 points: the marked run starts a few points before it and
  // lasts to the last point, so its centre lies inside the signal, short of the last point.
  std::vector<float> t(1000, Base);
  for (int i = 990; i < 1000; ++i) t[i] = Base + 200;
  Traces traces(t);
  const auto found = traces.FindW(999);
  ASSERT_TRUE(found.has_value());
  EXPECT_GE(*found, 988);
  EXPECT_LT(*found, 997);
  // A run that begins on the last point has no centre.
  std::vector<float> last(1000, Base);
  last[999] = Base + 1000;
  Traces single(last);
  EXPECT_EQ(single.FindW(999), std::nullopt);
}

TEST(PeakSearch, SearchesLeaveTheTraceAndOldListItemsAlone) {
  const auto values = Trace(1000, {300, 700});
  Traces t(values);
  SearchMarkList list;
  list.AddIndex(42);
  EXPECT_TRUE(SearchWMode(&t.normal, 500, 0, 1000, true, &list));
  EXPECT_EQ(Items(list), (std::vector<int>{42, 700}));
  for (unsigned i = 0; i < 1000; ++i) EXPECT_EQ(t.normal.GetPoint(i), values[i]);
}

TEST(PeakSearch, MissingBuffersListsAndEmptyTracesGiveFalse) {
  int index = -7;
  SearchMarkList list;
  EXPECT_FALSE(FindAModeCenter(static_cast<NormalBuffer*>(nullptr), &index));
  EXPECT_FALSE(FindAModeCenter(static_cast<DigitalBuffer*>(nullptr), 0, &index));
  EXPECT_FALSE(FindWModeCenter(static_cast<BufferBase*>(nullptr), 0, &index));
  EXPECT_FALSE(SearchAMode(static_cast<NormalBuffer*>(nullptr), true, &list));
  EXPECT_FALSE(SearchWMode(static_cast<NormalBuffer*>(nullptr), 0, 0, 10, true, &list));
  EXPECT_EQ(index, -7);

  Traces t(Trace(1000, {500}));
  EXPECT_FALSE(SearchAMode(&t.normal, true, nullptr));
  EXPECT_FALSE(SearchWMode(&t.digital, 3, 0, 0, 1000, true, nullptr));
  EXPECT_FALSE(FindAModeCenter(&t.digital, DigitalBuffer::ChannelCount, &index));
  EXPECT_FALSE(FindWModeCenter(&t.digital, -1, 500, &index));
  EXPECT_FALSE(FindAModeCenter(&t.normal, nullptr));

  NormalBuffer empty(0);
  EXPECT_FALSE(FindAModeCenter(&empty, &index));
  EXPECT_FALSE(FindWModeCenter(static_cast<BufferBase*>(&empty), 0, &index));
  EXPECT_FALSE(SearchWMode(&empty, 0, 0, 10, true, &list));
  NormalBuffer one(1);
  one.SetPoint(0, 200.0f);
  EXPECT_FALSE(FindWModeCenter(static_cast<BufferBase*>(&one), 0, &index));
  EXPECT_EQ(list.Count(), 0);
}

TEST(PeakSearch, StartFarOutsideTheTraceFindsNothingAndEnds) {
  Traces t(Trace(1000, {500}));
  EXPECT_EQ(t.FindW(-5000), std::nullopt);
  EXPECT_EQ(t.FindW(5000), std::nullopt);
  EXPECT_EQ(t.FindW(1400), 500);  // start beyond the end still searches downward
}

}  // namespace
