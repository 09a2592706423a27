// The command parsers read a byte stream: how the bytes are split into bursts must not matter,
// unknown bytes are skipped, and a reset or ParInit drops half commands and stale answers.
#include "SimCaller.h"

using namespace simtest;

namespace {

struct Exchange {
  const char* name;
  Bytes command;
  size_t answer;
};

// Commands whose answers are deterministic (no detector noise involved).
const std::vector<Exchange>& Exchanges() {
  static const std::vector<Exchange> list = {
      {"version", {5}, 2},
      {"eeprom read", {32, 17}, 1},
      {"eeprom write", {33, 60, 0x5A}, 0},
      {"dds word", {11, 0x20, 0x00, 4}, 0},
      {"dds400 register", {18, 4, 0x0C, 0x80, 0x00, 0x00}, 0},
      {"dds400 control", {17, 1, 0, 0, 4}, 0},
      {"record read", {14, 1}, 18},
      {"battery channel", {2, 3}, 0},
      {"AD average", {3, 5}, 1},
      {"sound version", {128, 130}, 2},
      {"sound page read", {128, 132, 3, 1, 2}, 256},
  };
  return list;
}

Bytes Concatenated() {
  Bytes all;
  for (const auto& e : Exchanges()) all.insert(all.end(), e.command.begin(), e.command.end());
  return all;
}

size_t AnswerLength() {
  size_t n = 0;
  for (const auto& e : Exchanges()) n += e.answer;
  return n;
}

// The reference answer: every command in its own burst.
Bytes ReferenceAnswer() {
  Fresh();
  Bytes answer;
  for (const auto& e : Exchanges()) {
    EXPECT_TRUE(Out(e.command)) << e.name;
    const Bytes a = In(e.answer);
    EXPECT_EQ(a.size(), e.answer) << e.name;
    answer.insert(answer.end(), a.begin(), a.end());
  }
  return answer;
}

TEST(SimParser, AnswersDoNotDependOnBurstBoundaries) {
  const Bytes reference = ReferenceAnswer();
  const Bytes stream = Concatenated();
  // every cut position of the whole stream into two bursts, and one byte per burst
  for (size_t cut = 0; cut <= stream.size(); ++cut) {
    Fresh();
    ASSERT_TRUE(Out(Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut))));
    ASSERT_TRUE(Out(Bytes(stream.begin() + static_cast<std::ptrdiff_t>(cut), stream.end())));
    EXPECT_EQ(In(AnswerLength()), reference) << "cut at " << cut;
    EXPECT_EQ(usb2sim::GetState().unknownCommands, 0u) << "cut at " << cut;
  }
  Fresh();
  for (uint8_t b : stream) ASSERT_TRUE(Out({b}));
  EXPECT_EQ(In(AnswerLength()), reference);
}

TEST(SimParser, AnswersCanBeReadInPieces) {
  Fresh();
  ASSERT_TRUE(Out({2, 3}));
  ASSERT_TRUE(Out({4, 10}));
  EXPECT_EQ(In(3), Bytes(3, 184));
  EXPECT_EQ(In(7), Bytes(7, 184));
  uint8_t extra = 0;
  EXPECT_EQ(UsbParIn(0, &extra, 1), 0);
}

TEST(SimParser, UnknownCommandBytesAreSkipped) {
  struct Case {
    const char* name;
    Bytes junk;
    unsigned unknown;
  };
  const std::vector<Case> cases = {
      {"zero", {0}, 1},
      {"gap in the table", {6}, 1},
      {"above the table", {99}, 1},
      {"top byte", {255}, 1},
      {"unknown sound command", {128, 7}, 1},
      {"sound opcode without prefix", {142}, 1},
      {"several", {0, 250, 128, 129, 77}, 4},
  };
  for (const auto& c : cases) {
    Fresh();
    EXPECT_TRUE(Out(c.junk)) << c.name;
    ASSERT_TRUE(Out({5})) << c.name;
    EXPECT_EQ(In(2), (Bytes{0x01, 0x07})) << c.name;
    EXPECT_EQ(usb2sim::GetState().unknownCommands, c.unknown) << c.name;
    EXPECT_EQ(UsbGetError(), 4) << c.name;
  }
}

TEST(SimParser, ReadingMoreThanWasAnsweredFailsAndDropsTheRest) {
  Fresh("[device]\npar_timeout_ms=5\n");
  ASSERT_TRUE(Out({5}));
  uint8_t buffer[3] = {};
  EXPECT_EQ(UsbParIn(0, buffer, 3), 0);
  EXPECT_EQ(UsbGetError(), 3);
  EXPECT_EQ(UsbParIn(0, buffer, 1), 0) << "the partial answer is gone";
  ASSERT_TRUE(Out({32, 18}));
  EXPECT_EQ(In(1), Bytes{64}) << "the bus works on";
}

TEST(SimParser, AHeaderCutBeforeItsAnswerIsReadCompletesLater) {
  Fresh("[device]\npar_timeout_ms=5\n");
  MeasureMode();
  const Bytes header{23, 0x0C, 0x80, 0, 0, 0, 0, 0xA3, 0xD7, 0x00, 0x64, 0};
  ASSERT_TRUE(Out(Bytes(header.begin(), header.begin() + 7)));
  uint8_t b = 0;
  EXPECT_EQ(UsbParIn(0, &b, 1), 0) << "no answer to half a command";
  EXPECT_EQ(usb2sim::GetState().sweeps, 0u);
  ASSERT_TRUE(Out(Bytes(header.begin() + 7, header.end())));
  EXPECT_EQ(In(100).size(), 100u);
  EXPECT_EQ(usb2sim::GetState().sweeps, 1u);
}

TEST(SimParser, ParInitDropsAHalfCommandAndStaleAnswers) {
  Fresh();
  ASSERT_TRUE(Out({33, 50}));  // cut after two of three bytes
  ASSERT_TRUE(UsbParInit(0, 8));
  ASSERT_TRUE(Out({5}));  // must not become the value of the write
  EXPECT_EQ(In(2), (Bytes{0x01, 0x07}));
  EXPECT_EQ(usb2sim::GetState().eeprom[50], 0);

  ASSERT_TRUE(Out({5}));
  ASSERT_TRUE(UsbParInit(0, 8));
  uint8_t b = 0;
  EXPECT_EQ(UsbParIn(0, &b, 1), 0) << "stale answer dropped";
}

TEST(SimParser, ResetPulseOnPinZeroDropsAHalfCommand) {
  Fresh();
  ASSERT_TRUE(Out({20, 0x04, 0x75}));  // a sweep header cut after three bytes
  ASSERT_TRUE(UsbSetIODir(0, 0, 1));
  ASSERT_TRUE(UsbSetIOState(0, 0, 0));
  ASSERT_TRUE(UsbSetIOState(0, 0, 1));
  ASSERT_TRUE(UsbSetIODir(0, 0, 0));
  ASSERT_TRUE(Out({32, 17}));
  EXPECT_EQ(In(1), Bytes{128});
  EXPECT_EQ(usb2sim::GetState().sweeps, 0u);
}

TEST(SimParser, SoundDataPhaseMaySpanBursts) {
  Fresh();
  Bytes page(256);
  for (size_t i = 0; i < page.size(); ++i) page[i] = static_cast<uint8_t>(i ^ 0x5A);
  ASSERT_TRUE(Out({128}));
  ASSERT_TRUE(Out({131, 9, 1, 2}));
  ASSERT_TRUE(Out(Bytes(page.begin(), page.begin() + 100)));
  ASSERT_TRUE(Out(Bytes(page.begin() + 100, page.begin() + 101)));
  ASSERT_TRUE(Out(Bytes(page.begin() + 101, page.end())));
  ASSERT_TRUE(Out({5}));  // after exactly one page the bus takes commands again
  EXPECT_EQ(In(2), (Bytes{0x01, 0x07}));
  EXPECT_EQ(usb2sim::SoundMemory(0, 2, 9, 1), page);
}

TEST(SimParser, ParInitEndsASoundDataPhaseCutShort) {
  Fresh();
  ASSERT_TRUE(Out({128}));
  ASSERT_TRUE(Out({131, 0, 2, 0}));
  ASSERT_TRUE(Out(Bytes(300, 0x33)));  // 300 of 512 bytes, then the transfer is abandoned
  ASSERT_TRUE(UsbParInit(0, 8));
  ASSERT_TRUE(Out({5}));
  EXPECT_EQ(In(2), (Bytes{0x01, 0x07})) << "a command again, not sound data";
  const Bytes stored = usb2sim::SoundMemory(0, 0, 0, 2);
  EXPECT_EQ(stored[299], 0x33);
  EXPECT_EQ(stored[300], 0x80) << "the rest of the pages untouched";
}

TEST(SimParser, NullBuffersAreRefused) {
  Fresh();
  EXPECT_EQ(UsbParOut(0, nullptr, 4), 0);
  EXPECT_EQ(UsbGetError(), 6);
  EXPECT_EQ(UsbParIn(0, nullptr, 4), 0);
  EXPECT_EQ(UsbI2CReadByte(0, 0x21, nullptr), 0);
  EXPECT_EQ(UsbI2CWriteBytes(0, 0x21, 2, nullptr), 0);
  EXPECT_EQ(UsbI2CWriteBytes(0, 0x21, 0, reinterpret_cast<const uint8_t*>("x")), 0);
}

}  // namespace
