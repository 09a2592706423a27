#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "engine/Buffers.h"

namespace {

std::vector<float> ValuesOf(const NormalBuffer& b) {
  std::vector<float> out;
  for (unsigned i = 0; i < b.Count; ++i) out.push_back(b.GetPoint(i));
  return out;
}

std::vector<float> ChannelOf(const DigitalBuffer& b, int channel) {
  std::vector<float> out;
  for (unsigned i = 0; i < b.Count; ++i) out.push_back(b.Get(channel, i));
  return out;
}

// How many pages of [begin, begin + bytes) are in memory.
size_t ResidentPages(const void* begin, size_t bytes) {
  const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
  const uintptr_t first = uintptr_t(begin) & ~(page - 1);
  const uintptr_t end = uintptr_t(begin) + bytes;
  std::vector<unsigned char> pages((end - first + page - 1) / page);
  if (mincore(reinterpret_cast<void*>(first), end - first, pages.data()) != 0) return pages.size();
  return size_t(std::count_if(pages.begin(), pages.end(), [](unsigned char p) { return p & 1; }));
}

// With transparent huge pages always on, one touched page may bring in its whole neighbourhood.
bool HugePagesAlwaysOn() {
  std::string mode;
  std::getline(std::ifstream("/sys/kernel/mm/transparent_hugepage/enabled"), mode);
  return mode.find("[always]") != std::string::npos;
}

void FillChannel(DigitalBuffer& b, int channel, const std::vector<float>& values) {
  b.Copy(values.data(), channel, 1.0f);
}

// ---------------------------------------------------------------------------------------------

struct PixelCase {
  int height;
  float value, min, max;
  int row;
};

TEST(CalcPixelY, MapsLevelsToRowsWithRowZeroAtTheTop) {
  const PixelCase cases[] = {
      {300, 255, 0, 255, 0},  // max maps to the top
      {300, 0, 0, 255, 300},  // min maps to the bottom
      {256, 64, 0, 256, 192},
      {300, 10, 5, 5, 0},  // empty range
      {300, 127.5f, 0, 255, 150},
      {300, 300, 0, 255, -52},  // above the range: above the plot (300 - 352.9 = -52.9 -> -52)
      {300, -10, 0, 255, 311},  // below the range: below the plot
      {100, 1.0f, 0, 3, 66},    // 100 - 33.33 = 66.67, truncated toward zero
      {0, 50, 0, 255, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CalcPixelY(c.height, c.value, c.min, c.max), c.row)
        << c.height << " " << c.value << " " << c.min << ".." << c.max;
}

TEST(CalcPixelY, NonFiniteAndHugeLevelsStayDefined) {
  EXPECT_EQ(CalcPixelY(300, std::numeric_limits<float>::quiet_NaN(), 0, 255), 0);
  EXPECT_LT(CalcPixelY(300, 1e30f, 0, 255), -1000000);
  EXPECT_GT(CalcPixelY(300, -std::numeric_limits<float>::infinity(), 0, 255), 1000000);
}

TEST(CalcPixelY, BufferFormsUseTheBufferRangeAndReadZeroBeyondTheEnd) {
  NormalBuffer trace(3);
  trace.SetRange(0, 100, 0, 255);
  trace.SetPoint(1, 255);
  EXPECT_EQ(CalcPixelY(&trace, 1, 300), 0);
  EXPECT_EQ(CalcPixelY(&trace, 3, 300), 300);  // beyond count reads 0
  EXPECT_EQ(CalcPixelY(&trace, -1, 300), 300);
  EXPECT_EQ(CalcPixelY(static_cast<NormalBuffer*>(nullptr), 0, 300), 0);

  DigitalBuffer digital(4);
  digital.SetRange(0, 100, 0, 255);
  digital.SetValue(9, 2, 255);
  EXPECT_EQ(CalcPixelY(&digital, 9, 2, 300), 0);
  EXPECT_EQ(CalcPixelY(&digital, 10, 2, 300), 300);  // bad channel reads 0
  EXPECT_EQ(CalcPixelY(static_cast<DigitalBuffer*>(nullptr), 0, 0, 300), 0);
}

// ---------------------------------------------------------------------------------------------

TEST(BufferBase, SetRangeKeepsLevelsOfAnInvalidRange) {
  NormalBuffer b(100);
  b.SetRange(0, 100, 10, 20);
  EXPECT_FLOAT_EQ(b.PointsPerHz, 1.0f);

  b.SetRange(10, 10, 0, 255);  // empty frequency range
  EXPECT_FLOAT_EQ(b.PointsPerHz, -1.0f);
  EXPECT_FLOAT_EQ(b.Start, 10);
  EXPECT_FLOAT_EQ(b.LevelMin, 10);
  EXPECT_FLOAT_EQ(b.LevelMax, 20);

  b.SetRange(0, 100, 255, 0);  // inverted level range
  EXPECT_FLOAT_EQ(b.Start, 0);
  EXPECT_FLOAT_EQ(b.Stop, 100);
  EXPECT_FLOAT_EQ(b.PointsPerHz, 1.0f);
  EXPECT_FLOAT_EQ(b.LevelMin, 10);
  EXPECT_FLOAT_EQ(b.LevelMax, 20);
}

TEST(NormalBuffer, SetStoresByFrequencyOnlyInsideTheRange) {
  struct Case {
    float frequency;
    int index;  // -1: nothing stored
  };
  const Case cases[] = {
      {19'700'000.0f, -1},                                           // index 250 = count
      {1'699'999.0f, 0},                                             // slightly below start truncates to 0
      {1'700'000.0f, 0},   {1'790'000.0f, 1}, {19'600'000.0f, 248},  // float rounding: 17.9e6 * ppHz = 248.6
      {1'500'000.0f, -1},
  };
  for (const auto& c : cases) {
    NormalBuffer b(250);
    b.SetRange(1'700'000.0f, 19'700'000.0f, 0, 255);
    b.Set(c.frequency, 42.0f);
    std::vector<float> expected(250, 0.0f);
    if (c.index >= 0) expected[c.index] = 42.0f;
    EXPECT_EQ(ValuesOf(b), expected) << c.frequency;
  }
}

TEST(NormalBuffer, SetWithoutAValidRangeStoresNothing) {
  NormalBuffer never(10);  // range never set: points per Hz 0
  never.Set(5.0f, 1.0f);
  NormalBuffer invalid(10);
  invalid.SetRange(100, 50, 0, 255);  // points per Hz -1
  invalid.Set(40.0f, 1.0f);
  EXPECT_EQ(ValuesOf(never), std::vector<float>(10, 0.0f));
  EXPECT_EQ(ValuesOf(invalid), std::vector<float>(10, 0.0f));
}

TEST(NormalBuffer, PointAccessIgnoresIndicesOutOfRange) {
  NormalBuffer b(3);
  b.SetPoint(3, 9.0f);
  b.SetPoint(0xFFFFFFFFu, 9.0f);
  b.SetPoint(2, 7.0f);
  EXPECT_EQ(ValuesOf(b), (std::vector<float>{0, 0, 7}));
  EXPECT_EQ(b.GetPoint(3), 0.0f);
  EXPECT_EQ(b.GetPoint(0xFFFFFFFFu), 0.0f);
}

TEST(NormalBuffer, FillGapsTakesTheValueBeforeARunOfZeros) {
  struct Case {
    std::vector<float> in;
    int from, to;
    std::vector<float> out;
  };
  const Case cases[] = {
      {{5, 0, 0, 7, 0}, 0, 9, {5, 5, 5, 7, 7}},
      {{0, 0, 3}, 0, 2, {0, 0, 3}},              // nothing before the first point
      {{5, 0, 0, 7, 0}, 2, 3, {5, 0, 0, 7, 0}},  // point 2 takes point 1, which is 0
      {{5, 0, 0, 7, 0}, -4, 1, {5, 5, 0, 7, 0}},
      {{5, 0}, 5, 9, {5, 0}},
  };
  for (const auto& c : cases) {
    NormalBuffer b(c.in.data(), unsigned(c.in.size()));
    b.FillGaps(c.from, c.to);
    EXPECT_EQ(ValuesOf(b), c.out) << c.from << ".." << c.to;
  }
}

TEST(NormalBuffer, CopyConstructorAndCopyFromAtAnOffset) {
  const float values[] = {1, 2, 3, 4};
  NormalBuffer source(values, 4);
  source.SetRange(100, 200, 10, 50);
  NormalBuffer copy(&source);
  EXPECT_EQ(ValuesOf(copy), (std::vector<float>{1, 2, 3, 4}));
  EXPECT_FLOAT_EQ(copy.Start, 100);
  EXPECT_FLOAT_EQ(copy.LevelMax, 50);
  EXPECT_FLOAT_EQ(copy.PointsPerHz, 0.04f);

  NormalBuffer target(6);
  target.CopyFrom(&source, 4);  // only two fit
  EXPECT_EQ(ValuesOf(target), (std::vector<float>{0, 0, 0, 0, 1, 2}));
  target.CopyFrom(nullptr, 0);
  target.CopyFrom(&source, 0xFFFFFFF0u);  // far past the end
  EXPECT_EQ(ValuesOf(target), (std::vector<float>{0, 0, 0, 0, 1, 2}));
}

TEST(NormalBuffer, CopyIntoASmallerBufferStaysInsideItsPoints) {
  const float values[] = {1, 2, 3, 4, 5, 6};
  NormalBuffer source(values, 6);
  source.SetRange(0, 60, 0, 10);
  NormalBuffer small(2);
  small.Copy(&source);
  EXPECT_EQ(small.Count, 2u);
  EXPECT_EQ(ValuesOf(small), (std::vector<float>{1, 2}));
  EXPECT_FLOAT_EQ(small.Stop, 60);
}

TEST(NormalBuffer, SetPointsDropsWhatLiesPastTheEnd) {
  struct Case {
    unsigned count, offset;
    std::vector<float> out;
  };
  const float values[] = {1, 2, 3};
  const Case cases[] = {
      {3, 0, {1, 2, 3, 0}},           {3, 2, {0, 0, 1, 2}}, {3, 4, {0, 0, 0, 0}},
      {3, 0xFFFFFFFFu, {0, 0, 0, 0}}, {0, 0, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    NormalBuffer b(4);
    b.SetPoints(values, c.count, c.offset);
    EXPECT_EQ(ValuesOf(b), c.out) << c.offset;
    DigitalBuffer d(4);
    d.SetValues(7, values, c.count, c.offset);
    d.SetValues(10, values, c.count, c.offset);
    EXPECT_EQ(ChannelOf(d, 7), c.out) << c.offset;
  }
}

TEST(NormalBuffer, ResizeAndClearZeroThePoints) {
  const float values[] = {1, 2, 3};
  NormalBuffer b(values, 3);
  b.Clear();
  EXPECT_EQ(ValuesOf(b), (std::vector<float>{0, 0, 0}));
  b.SetPoint(0, 4);
  b.Resize(5);
  EXPECT_EQ(ValuesOf(b), std::vector<float>(5, 0.0f));
  b.Resize(0);
  EXPECT_EQ(b.Count, 0u);
  EXPECT_EQ(b.GetPoint(0), 0.0f);
}

// Small runs come from the heap and large ones from mappings; either way fresh levels read 0, also
// where the storage of a freed run (full of other values) is handed out again.
TEST(LevelStorage, FreshLevelsReadZeroAndHoldWhatIsWritten) {
  for (unsigned count : {1u, 100u, 20000u, 300000u})
    for (int round = 0; round < 3; ++round) {
      SharedFloat* levels = NewLevels(count);
      unsigned nonZero = 0, wrong = 0;
      for (unsigned i = 0; i < count; ++i) nonZero += levels[i].load() != 0.0f;
      for (unsigned i = 0; i < count; ++i) levels[i].store(float(i) + 0.5f);
      for (unsigned i = 0; i < count; ++i) wrong += levels[i].load() != float(i) + 0.5f;
      EXPECT_EQ(nonZero, 0u) << count << " levels, round " << round;
      EXPECT_EQ(wrong, 0u) << count << " levels, round " << round;
      DeleteLevels(levels);
    }
  DeleteLevels(nullptr);
}

TEST(LevelStorage, FreshBuffersOfEveryKindReadZero) {
  NormalBuffer trace(300000);
  DigitalBuffer digital(300000);
  WaterfallBuffer waterfall(200000, 2);
  EXPECT_EQ(ValuesOf(trace), std::vector<float>(300000, 0.0f));
  for (int c = 0; c < DigitalBuffer::ChannelCount; ++c)
    EXPECT_EQ(ChannelOf(digital, c), std::vector<float>(300000, 0.0f)) << c;
  for (int age = 0; age < 2; ++age) {
    const SharedFloat* row = waterfall.GetBufferForDisplay(age);
    EXPECT_EQ(std::count_if(row, row + 200000, [](const SharedFloat& v) { return v.load() != 0.0f; }), 0);
  }
  trace.SetPoint(299999, 3.0f);
  digital.SetValue(9, 299999, 4.0f);
  // The channels share one run of levels: filling one leaves its neighbours as they were.
  DigitalBuffer shortChannels(5);
  for (int c = 0; c < DigitalBuffer::ChannelCount; c += 2)
    FillChannel(shortChannels, c, std::vector<float>(5, float(c + 1)));
  for (int c = 0; c < DigitalBuffer::ChannelCount; ++c)
    EXPECT_EQ(ChannelOf(shortChannels, c), std::vector<float>(5, c % 2 == 0 ? float(c + 1) : 0.0f)) << c;
  EXPECT_EQ(trace.GetPoint(299999), 3.0f);
  EXPECT_EQ(digital.Get(9, 299999), 4.0f);
}

// The analyser and locate views make buffers of 300000 points per channel at start, most of them
// never written unless their view opens: their levels must take no memory (nor zeroing) until then.
TEST(LevelStorage, LargeBuffersTakeNoMemoryUntilWritten) {
  if (HugePagesAlwaysOn()) GTEST_SKIP() << "transparent huge pages are always on";
  constexpr unsigned Points = 300000;
  constexpr size_t Bytes = Points * sizeof(SharedFloat);
  DigitalBuffer digital(Points);
  NormalBuffer trace{int(Points)};
  // At most the first page, which holds the storage's own bookkeeping.
  for (int c = 0; c < DigitalBuffer::ChannelCount; ++c)
    EXPECT_LE(ResidentPages(digital.Channels[c], Bytes), 1u) << c;
  EXPECT_LE(ResidentPages(trace.Points, Bytes), 1u);

  digital.SetValue(3, Points / 2, 7.0f);
  EXPECT_LE(ResidentPages(digital.Channels[3], Bytes), 2u);
  EXPECT_EQ(digital.Get(3, Points / 2), 7.0f);
  digital.Clear(3);
  EXPECT_EQ(digital.Get(3, Points / 2), 0.0f);
}

TEST(RescaleRawAD, MapsTheDetectorRangeAndClampsBelowIt) {
  std::vector<unsigned char> samples = {64, 65, 127, 255, 63, 0};
  RescaleRawAD(samples.data(), int(samples.size()));
  EXPECT_EQ(samples, (std::vector<unsigned char>{0, 1, 84, 254, 0, 0}));
  RescaleRawAD(nullptr, 3);
}

// ---------------------------------------------------------------------------------------------

float FirstOf(const SharedFloat* row) { return row ? row[0].load() : -1.0f; }

TEST(WaterfallBuffer, RingIsReadByAge) {
  WaterfallBuffer w(4, 3);
  EXPECT_EQ(w.NextRow, 2u);
  const float one[4] = {1, 1, 1, 1};
  w.Insert(one, false);
  EXPECT_EQ(w.NextRow, 0u);
  EXPECT_EQ(w.GetBufferForDisplay(1), w.Rows[2]);  // the newest
  EXPECT_EQ(w.GetBufferForDisplay(0), w.Rows[1]);
  EXPECT_EQ(w.GetBufferForDisplay(2), w.Rows[0]);
  EXPECT_EQ(w.GetBufferForDisplay(3), nullptr);
  EXPECT_EQ(w.GetBufferForDisplay(-1), nullptr);
  EXPECT_EQ(FirstOf(w.GetBufferForDisplay(1)), 1.0f);
}

TEST(WaterfallBuffer, SequenceOfInsertsAgesRows) {
  // After inserting 1, 2, 3, 4 into three rows, ages 0..2 read 3, 4 (newest), 2 (oldest kept).
  WaterfallBuffer w(2, 3);
  for (float v = 1; v <= 4; ++v) {
    const float row[2] = {v, v};
    w.Insert(row, false);
  }
  EXPECT_EQ(FirstOf(w.GetBufferForDisplay(0)), 3.0f);
  EXPECT_EQ(FirstOf(w.GetBufferForDisplay(1)), 4.0f);
  EXPECT_EQ(FirstOf(w.GetBufferForDisplay(2)), 2.0f);
}

TEST(WaterfallBuffer, KeepRowOverwritesTheSameRowAndFactorScales) {
  WaterfallBuffer w(2, 3);
  const float a[2] = {100, 200};
  w.Insert(a, true, 0.5f);
  EXPECT_EQ(w.NextRow, 2u);
  EXPECT_EQ(w.Rows[2][0].load(), 50.0f);
  EXPECT_EQ(w.Rows[2][1].load(), 100.0f);
  w.Insert(a, true);
  EXPECT_EQ(w.NextRow, 2u);
  EXPECT_EQ(w.Rows[2][0].load(), 100.0f);
}

TEST(WaterfallBuffer, SetARowIgnoresBadRowsAndNullSources) {
  WaterfallBuffer w(2, 2);
  const float a[2] = {3, 4};
  w.SetARow(2, a);
  w.SetARow(0, nullptr);
  w.Insert(nullptr, false);
  for (unsigned r = 0; r < 2; ++r) EXPECT_EQ(w.Rows[r][0].load(), 0.0f);
  w.SetARow(1, a, 2.0f);
  EXPECT_EQ(w.Rows[1][1].load(), 8.0f);
  w.Clear();
  EXPECT_EQ(w.Rows[1][1].load(), 0.0f);
}

// Every change renews the stamp, and no two buffers ever share one: a picture made at a stamp
// is up to date exactly while the stamp stays.
TEST(WaterfallBuffer, EveryChangeRenewsAStampNoOtherBufferHas) {
  WaterfallBuffer w(2, 3), other(2, 3);
  const float a[2] = {1, 2};
  std::vector<uint64_t> seen{w.ChangeStamp(), other.ChangeStamp()};
  const std::function<void()> changes[] = {
      [&] { w.Insert(a, false); }, [&] { w.Insert(a, true); },  [&] { w.SetARow(1, a); },
      [&] { w.SetARow(1, a, 2.0f); }, [&] { w.Clear(); },
  };
  for (const auto& change : changes) {
    change();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), w.ChangeStamp()), 0);
    seen.push_back(w.ChangeStamp());
  }
  EXPECT_NE(w.ChangeStamp(), 0u);
  const uint64_t now = w.ChangeStamp();
  EXPECT_EQ(FirstOf(w.GetBufferForDisplay(0)), 0.0f);  // reading changes nothing
  w.SetARow(5, a);                                      // nor does a refused write
  EXPECT_EQ(w.ChangeStamp(), now);
}

// The digital ring renews its stamp on every insert and clear, and shares none with other buffers.
TEST(DigitalWaterBuffer, EveryChangeRenewsAStampNoOtherBufferHas) {
  DigitalWaterBuffer w(2, 3);
  WaterfallBuffer other(2, 3);
  const float a[2] = {1, 2};
  std::vector<uint64_t> seen{w.ChangeStamp(), other.ChangeStamp()};
  const std::function<void()> changes[] = {
      [&] { w.Insert(a, 0, 1.0f, false); }, [&] { w.Insert(a, 3, 0.5f, true); }, [&] { w.Clear(); }};
  for (const auto& change : changes) {
    change();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), w.ChangeStamp()), 0);
    seen.push_back(w.ChangeStamp());
  }
  const uint64_t now = w.ChangeStamp();
  EXPECT_NE(now, 0u);
  EXPECT_EQ(FirstOf(w.GetBufferForDisplay(0, 0)), 0.0f);  // reading changes nothing
  EXPECT_EQ(w.ChangeStamp(), now);
}

TEST(WaterfallBuffer, EmptyRingHandsOutNoRows) {
  WaterfallBuffer w(4, 0);
  const float a[4] = {};
  w.Insert(a, false);
  EXPECT_EQ(w.GetBufferForDisplay(0), nullptr);
}

// ---------------------------------------------------------------------------------------------

TEST(DigitalBuffer, ShiftMovesPointsAndFillsWithZero) {
  struct Case {
    unsigned channel;
    int offset;
    std::vector<float> out;
  };
  const Case cases[] = {
      {0, 2, {0, 0, 1, 2, 3}},  {0, -2, {3, 4, 5, 0, 0}}, {0, 0, {1, 2, 3, 4, 5}}, {0, 7, {0, 0, 0, 0, 0}},
      {0, -5, {0, 0, 0, 0, 0}}, {10, 1, {1, 2, 3, 4, 5}},  // no such channel: channel 0 unchanged
  };
  for (const auto& c : cases) {
    DigitalBuffer b(5);
    FillChannel(b, 0, {1, 2, 3, 4, 5});
    b.Shift(c.channel, c.offset);
    EXPECT_EQ(ChannelOf(b, 0), c.out) << c.channel << " " << c.offset;
  }
}

TEST(DigitalBuffer, ShiftAllMovesEveryChannel) {
  DigitalBuffer b(3);
  for (int ch = 0; ch < 10; ++ch) FillChannel(b, ch, {float(ch), 1, 2});
  b.ShiftAll(1);
  for (int ch = 0; ch < 10; ++ch) EXPECT_EQ(ChannelOf(b, ch), (std::vector<float>{0, float(ch), 1}));
}

TEST(DigitalBuffer, CopyFromWritesTheSegmentThatFits) {
  DigitalBuffer source(200);
  for (int ch = 0; ch < 10; ++ch)
    for (unsigned i = 0; i < 200; ++i) source.SetValue(ch, i, float(ch * 1000 + i + 1));
  DigitalBuffer target(5000);
  target.CopyFrom(&source, 4900);
  for (int ch = 0; ch < 10; ++ch) {
    EXPECT_EQ(target.Get(ch, 4899), 0.0f);
    EXPECT_EQ(target.Get(ch, 4900), float(ch * 1000 + 1));
    EXPECT_EQ(target.Get(ch, 4999), float(ch * 1000 + 100));
  }
  target.CopyFrom(nullptr, 0);
}

TEST(DigitalBuffer, ChannelArgumentsOutOfRangeAreIgnored) {
  DigitalBuffer b(3);
  const float values[3] = {1, 2, 3};
  b.Copy(values, 10, 1.0f);
  b.Copy(values, -1, 1.0f);
  b.Copy(nullptr, 0, 1.0f);
  b.SetValue(0, 3, 9.0f);
  b.Clear(10);
  b.Clear(-1);
  for (int ch = 0; ch < 10; ++ch) EXPECT_EQ(ChannelOf(b, ch), std::vector<float>(3, 0.0f));
  EXPECT_EQ(b.Get(10, 0), 0.0f);
  EXPECT_EQ(b.Get(0, 3), 0.0f);
  b.Copy(values, 4, 2.0f);
  EXPECT_EQ(ChannelOf(b, 4), (std::vector<float>{2, 4, 6}));
  b.Clear(4);
  EXPECT_EQ(ChannelOf(b, 4), std::vector<float>(3, 0.0f));
}

TEST(DigitalBuffer, SetRangeFollowsTheTraceRule) {
  DigitalBuffer b(100);
  b.SetRange(0, 50, 0, 255);
  EXPECT_FLOAT_EQ(b.PointsPerHz, 2.0f);
  b.SetRange(50, 50, 10, 20);
  EXPECT_FLOAT_EQ(b.PointsPerHz, -1.0f);
  EXPECT_FLOAT_EQ(b.LevelMax, 255);
  EXPECT_EQ(b.RangeBarFlag, 0);
}

TEST(DigitalWaterBuffer, RingStartsAtRowZero) {
  DigitalWaterBuffer w(4, 3);
  EXPECT_EQ(w.NextRow, 0);
  const float values[4] = {100, 200, 255, 0};
  w.Insert(values, 2, 0.00392f, false);
  EXPECT_EQ(w.NextRow, 1);
  EXPECT_EQ(w.GetBufferForDisplay(1, 2), w.Rows[0]->Channels[2]);
  EXPECT_FLOAT_EQ(w.GetBufferForDisplay(1, 2)[2].load(), 255 * 0.00392f);
  EXPECT_EQ(w.GetBufferForDisplay(3, 2), nullptr);
  EXPECT_EQ(w.GetBufferForDisplay(0, 10), nullptr);
  EXPECT_EQ(w.GetBufferForDisplay(-1, 0), nullptr);

  w.Insert(values, 2, 1.0f, true);
  EXPECT_EQ(w.NextRow, 1);
  w.Insert(values, 11, 1.0f, false);  // bad channel: nothing written, ring still advances
  EXPECT_EQ(w.NextRow, 2);
  w.Clear();
  EXPECT_EQ(w.Rows[1]->Get(2, 0), 0.0f);
}

// A writer thread fills a trace while a reader walks it; with atomic levels this is race-free
// (the sanitizer build checks it) and every value read is one that was written.
TEST(NormalBuffer, ConcurrentWriterAndReaderSeeWholeValues) {
  NormalBuffer b(1000);
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int pass = 1; pass <= 200; ++pass)
      for (unsigned i = 0; i < 1000; ++i) b.SetPoint(i, float(pass));
    done = true;
  });
  bool wholeValues = true;
  while (!done)
    for (unsigned i = 0; i < 1000; ++i) {
      const float v = b.GetPoint(i);
      wholeValues &= v == float(int(v)) && v >= 0 && v <= 200;
    }
  writer.join();
  EXPECT_TRUE(wholeValues);
  EXPECT_EQ(b.GetPoint(999), 200.0f);
}

}  // namespace
