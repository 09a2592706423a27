// The fingerprint views' comparison, hit list, live reference, centring, drag and file handling.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "engine/Buffers.h"
#include "engine/FingerBuffer.h"
#include "screens/locate/FingerprintLogic.h"
#include "base/Globals.h"
#include "tests/support/TempFolder.h"

namespace {

std::vector<int> MarkedPoints(const DigitalBuffer& b, int channel) {
  std::vector<int> points;
  for (unsigned i = 0; i < b.Count; ++i)
    if (b.Get(channel, i) > 0) points.push_back(int(i));
  return points;
}

TEST(FingerCompare, RecordingRuleMarksTheCentreOfEachRunAboveTheStoredLevel) {
  const int n = 2000;
  std::vector<uint8_t> recorded(n, 40), loaded(n, 40);
  for (int i = 1000; i < 1040; ++i) recorded[i] = 120;  // 80 above: a hit from 750 on (threshold 20)
  for (int i = 100; i < 140; ++i) recorded[i] = 80;     // 40 above: below the threshold 50 there
  DigitalBuffer buffer(n);
  CompareFingerChannels(buffer, recorded.data(), loaded.data(), n, RecordAnalogRule);
  const std::vector<int> hits = MarkedPoints(buffer, FingerChannel::Hits);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_NEAR(hits[0], 1019, 1);
  EXPECT_EQ(buffer.Get(FingerChannel::Hits, hits[0]), 255.0f);
  EXPECT_EQ(buffer.Get(FingerChannel::Loaded, 5), 40.0f);
}

TEST(FingerCompare, RecordingRuleNeedsBothLevelsAndTheCompareRuleDoesNot) {
  const int n = 1000;
  std::vector<uint8_t> recorded(n, 0), loaded(n, 0);
  for (int i = 800; i < 900; ++i) recorded[i] = 200;  // nothing stored there
  DigitalBuffer a(n), b(n);
  CompareFingerChannels(a, recorded.data(), loaded.data(), n, RecordAnalogRule);
  CompareFingerChannels(b, recorded.data(), loaded.data(), n, CompareAnalogRule);
  EXPECT_TRUE(MarkedPoints(a, FingerChannel::Hits).empty());
  EXPECT_GT(MarkedPoints(b, FingerChannel::Hits).size(), 50u);  // every point, no run reduction
}

TEST(FingerCompare, EmptyLiveChannelsFlagNothing) {
  const int n = 4000;
  std::vector<uint8_t> recorded(n, 0), loaded(n, 200);
  DigitalBuffer b(n);
  CompareFingerChannels(b, recorded.data(), loaded.data(), n, CompareDigitalRule);
  EXPECT_TRUE(MarkedPoints(b, FingerChannel::Hits).empty());
}

// Each rule's threshold changes exactly at its split point: a recording that stands above the
// stored level by the same amount everywhere is flagged below the split where that exceeds the
// threshold there, and from the split on where it exceeds the one there (the run centres left
// out, to see every point).
TEST(FingerCompare, EachRuleChangesItsThresholdExactlyAtItsSplitPoint) {
  struct Case {
    const char* name;
    const FingerCompareRule& rule;
    int split, below, from;
  };
  const Case cases[] = {
      {"recording, analogue", RecordAnalogRule, 750, 50, 20},
      {"recording, digital", RecordDigitalRule, 150, 70, 50},
      {"compare, analogue", CompareAnalogRule, 750, 50, 30},
      {"compare, digital", CompareDigitalRule, 750, 50, 30},
  };
  const int n = 2000;
  for (const Case& c : cases) {
    FingerCompareRule rule = c.rule;
    rule.runCentres = false;
    for (int above : {c.from, c.from + 1, c.below, c.below + 1}) {
      SCOPED_TRACE(testing::Message() << c.name << ", " << above << " above");
      std::vector<uint8_t> recorded(n, uint8_t(100 + above)), loaded(n, 100);
      DigitalBuffer buffer(n);
      CompareFingerChannels(buffer, recorded.data(), loaded.data(), n, rule);
      std::vector<int> expected;
      for (int i = 0; i < n; ++i)
        if (above > (i < c.split ? c.below : c.from)) expected.push_back(i);
      EXPECT_EQ(MarkedPoints(buffer, FingerChannel::Hits), expected);
    }
  }
}

TEST(FingerCompare, RunCentresAndAnOpenRunAtTheEnd) {
  std::vector<float> marks(30, 0.0f);
  for (int i = 10; i < 15; ++i) marks[i] = 1;
  marks[20] = 1;
  for (int i = 25; i < 30; ++i) marks[i] = 1;  // reaches the last point: no mark
  ReduceToRunCentres(marks);
  std::vector<int> at;
  for (int i = 0; i < 30; ++i)
    if (marks[i] != 0) at.push_back(i);
  EXPECT_EQ(at, (std::vector<int>{12, 20}));
}

TEST(FingerHits, TextsAndOrder) {
  DigitalBuffer analog(150000), digital(30000);
  analog.SetValue(FingerChannel::Hits, 12345, 255);
  analog.SetValue(FingerChannel::Hits, 5, 255);
  digital.SetValue(FingerChannel::Hits, 12345, 255);
  const auto hits = CollectFingerHits(analog, digital);
  ASSERT_EQ(hits.size(), 3u);
  EXPECT_EQ(hits[0].Text(), "Ana   0.500 MHz");
  EXPECT_EQ(hits[1].Text(), "Ana   1234.500 MHz");
  EXPECT_EQ(hits[2].Text(), "Dig   6172.500 MHz");
  EXPECT_DOUBLE_EQ(hits[2].FrequencyHz(), 6172.5e6);
}

TEST(FingerRealtime, ReferenceReadsTenthPointsAroundTheFrequencyAndZeroOutside) {
  FingerBufferBase recorded, loaded;
  for (unsigned i = 0; i < FingerBufferBase::AnalogSize; ++i) {
    recorded.SetAnalog(i, uint8_t(i % 251));
    loaded.SetAnalog(i, 7);
  }
  DigitalBuffer live(1000);
  FillRealtimeReference(live, recorded, loaded, 1000e6);  // k0 = 9950
  EXPECT_EQ(live.Get(0, 0), float(9950 % 251));
  EXPECT_EQ(live.Get(0, 999), float(10050 % 251));
  EXPECT_EQ(live.Get(1, 500), 7.0f);
  FillRealtimeReference(live, recorded, loaded, 1e6);  // starts below 0 Hz
  EXPECT_EQ(live.Get(0, 0), 0.0f);
  EXPECT_EQ(live.Get(1, 0), 0.0f);
  EXPECT_EQ(live.Get(1, 999), 7.0f);
}

TEST(FingerRealtime, CenterOffsetFindsTheCarrierNearestTheMiddle) {
  struct Case {
    int points;
    double step;
    int carrier;
    double expected;
  };
  for (const Case& c : {Case{1000, 10e3, 620, 121 * 10e3}, Case{1000, 10e3, 300, -199 * 10e3},
                        Case{200, 250e3, 130, 31 * 250e3}}) {
    DigitalBuffer live(1000);
    for (int i = 0; i < c.points; ++i) live.SetValue(0, i, 20);
    for (int i = c.carrier - 3; i <= c.carrier + 3; ++i) live.SetValue(0, i, 200);
    double offset = 0;
    ASSERT_TRUE(FindCenterOffset(live, c.points, c.step, offset)) << c.carrier;
    EXPECT_NEAR(offset, c.expected, c.step) << c.carrier;
  }
  DigitalBuffer flat(1000);
  double offset = 0;
  EXPECT_FALSE(FindCenterOffset(flat, 1000, 10e3, offset));
}

TEST(FingerRealtime, DragMovesBySpanPerViewportAndStaysInBand) {
  EXPECT_DOUBLE_EQ(DragFrequency(100e6, 500, 460, 960, 50e6), 100e6 + 40 * 50e6 / 960);
  EXPECT_DOUBLE_EQ(DragFrequency(1e6, 100, 900, 960, 50e6), 0.0);
  EXPECT_DOUBLE_EQ(DragFrequency(14.999e9, 900, 0, 960, 50e6), 15e9);
}

class FingerFiles : public testing::Test {
 protected:
  void SetUp() override { ProgramFolder = folder.path(); }
  void TearDown() override { ProgramFolder.clear(); }
  TempFolder folder;
};

TEST_F(FingerFiles, SavedFileLoadsBackAndTheFolderIsMade) {
  const std::string dir = FingerFolder();
  ASSERT_FALSE(dir.empty());
  EXPECT_TRUE(std::filesystem::is_directory(dir));
  FingerBufferBase a, b;
  a.SetAnalog(1234, 99);
  a.SetDigital(29999, 17);
  const std::string path = WithFingerExtension(dir + "/room");
  EXPECT_EQ(path, dir + "/room.fng");
  EXPECT_EQ(WithFingerExtension("x.dat"), "x.dat");
  EXPECT_EQ(SaveFingerprintFile(a, path), "");
  EXPECT_EQ(LoadFingerprintFile(b, path), "");
  EXPECT_EQ(b.GetAnalog(1234), 99);
  EXPECT_EQ(b.GetDigital(29999), 17);
}

TEST_F(FingerFiles, BadFilesGiveAMessageAndKeepTheFingerprint) {
  FingerBufferBase b;
  b.SetAnalog(10, 42);
  const std::string shortFile = folder.path() + "short.fng";
  std::ofstream(shortFile) << "not a fingerprint";
  for (const std::string& path : {shortFile, folder.path() + "missing.fng", folder.path()}) {
    const std::string message = LoadFingerprintFile(b, path);
    EXPECT_NE(message, "") << path;
    EXPECT_NE(message.find("kept"), std::string::npos) << message;
    EXPECT_EQ(b.GetAnalog(10), 42) << path;
  }
}

TEST_F(FingerFiles, SaveIntoAFolderThatCannotBeWrittenGivesAMessage) {
  FingerBufferBase a;
  const std::string message = SaveFingerprintFile(a, folder.path() + "no/such/folder/x.fng");
  EXPECT_NE(message, "");
  EXPECT_NE(message.find("elsewhere"), std::string::npos);
}

}  // namespace
