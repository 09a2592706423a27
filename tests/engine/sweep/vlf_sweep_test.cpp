// The VLF spectrum thread against the simulated instrument: the normalised spectrum, the posted
// changes one per pass, and the tone search that confirms a VLF transmitter relaying the room and
// rejects one that does not; the normalisation, the run marking and the tone analysis as tables.
#include "engine/SweepVlfThread.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "SweepFixture.h"
#include "base/Guard.h"

namespace {

constexpr double RelayHz = 1.5e6;    // relays the room: the played tones come back
constexpr double CarrierHz = 3.0e6;  // a plain carrier

class VlfSweepTest : public SweepFixture {
 protected:
  void SetUp() override {
    SweepFixture::SetUp();
    usb2sim::EmitterSpec relay;
    relay.frequencyHz = RelayHz;
    relay.levelDbm = -50;
    relay.echo = true;
    usb2sim::AddEmitter(relay);
    usb2sim::EmitterSpec carrier = relay;
    carrier.frequencyHz = CarrierHz;
    carrier.echo = false;
    usb2sim::AddEmitter(carrier);
  }
  SweepVlfThread* Make() {
    auto* t = new SweepVlfThread();
    t->Buffer = t->Keep(spectrum);
    t->ToneBuffer = t->Keep(tones);
    t->FFTTrace = t->Keep(fft);
    return t;
  }
  static unsigned Index(double hz) { return unsigned(hz / 10000.0); }

  std::shared_ptr<DigitalBuffer> spectrum = std::make_shared<DigitalBuffer>(500);
  std::shared_ptr<DigitalBuffer> tones = std::make_shared<DigitalBuffer>(3072);
  std::shared_ptr<NormalBuffer> fft = std::make_shared<NormalBuffer>(256);
};

TEST_F(VlfSweepTest, SpectrumShowsTheVlfEmittersAboveTheSettledFloor) {
  auto* t = Make();
  slot.Start(t);
  ASSERT_TRUE(WaitSweeps(4));
  EXPECT_TRUE(usb2sim::GetState().vlfOn);
  HardwareLockGuard lock;
  for (double hz : {RelayHz, CarrierHz}) {
    const int found = PeakIndex(int(Index(hz)) - 40, int(Index(hz)) + 40,
                                [&](int i) { return spectrum->Get(0, unsigned(i)); });
    EXPECT_NEAR(found, int(Index(hz)), 2) << hz;
    EXPECT_GT(spectrum->Get(0, Index(hz)), 150);
  }
  EXPECT_LT(spectrum->Get(0, Index(4.5e6)), 60);  // the floor settles near 30
}

// The texts under which the guarded operations of any thread would report a fatal error.
std::mutex guardTextsMutex;
std::vector<std::string> guardTexts;
void NoteGuardText(const char* where) {
  std::lock_guard lock(guardTextsMutex);
  guardTexts.push_back(where);
}

TEST_F(VlfSweepTest, SearchConfirmsTheRelayAndRejectsThePlainCarrier) {
  auto* t = Make();
  t->PostVolume(100);
  guardTexts.clear();
  GuardEntered = &NoteGuardText;
  slot.Start(t);
  ASSERT_TRUE(WaitSweeps(4));
  t->RequestSearch();
  ASSERT_TRUE(PumpUntil([&] { return t->SearchesDone.load() == 1; }));
  GuardEntered = nullptr;
  {
    // The pre-tone test reports under its name, the tone-sequence test (run for the relay) with an
    // empty text.
    std::lock_guard textsLock(guardTextsMutex);
    const auto vorton = std::find(guardTexts.begin(), guardTexts.end(), "SweepVlfThread::Vorton");
    ASSERT_NE(vorton, guardTexts.end());
    EXPECT_NE(std::find(vorton, guardTexts.end(), ""), guardTexts.end());
    EXPECT_EQ(std::find(guardTexts.begin(), guardTexts.end(), "SweepVlfThread::CheckTones"), guardTexts.end());
  }
  HardwareLockGuard lock;
  // Both are candidates (channel 4 marks a run's middle)...
  auto marked = [&](int channel, double hz) {
    for (int i = int(Index(hz)) - 3; i <= int(Index(hz)) + 3; ++i)
      if (spectrum->Get(channel, unsigned(i)) != 0) return true;
    return false;
  };
  EXPECT_TRUE(marked(4, RelayHz));
  EXPECT_TRUE(marked(4, CarrierHz));
  // ...and only the relay is confirmed (channel 5 over 13 points).
  EXPECT_TRUE(marked(5, RelayHz));
  EXPECT_FALSE(marked(5, CarrierHz));
  EXPECT_EQ(spectrum->Get(6, Index(RelayHz)), 0.0f);  // the candidate under test is cleared after
  // The search played at its own volume and leaves the speaker at 0, not at the operator's 100.
  EXPECT_EQ(usb2sim::GetState().soundProcessor[0] & 0x3F, 0);
  EXPECT_EQ(usb2sim::GetState().soundProcessor[2] & 0x3F, 0);
  EXPECT_EQ(usb2sim::GetState().soundWord & 0xFF, 128);
}

TEST_F(VlfSweepTest, PostedChangesReachTheInstrument) {
  auto* t = Make();
  t->PostSpan(2e6);
  t->PostVolume(80);
  t->PostAudioTuner(SweepVlfThread::VlfOffset + 1e6);
  t->PostSpan(0);  // refused: the span in use stays a positive VLF span
  slot.Start(t);
  ASSERT_TRUE(PumpUntil([&] { return !t->NewSpan.Pending(); }));
  EXPECT_EQ(t->SpanInUse.load(), 2e6);
  ASSERT_TRUE(WaitSweeps(1));
  EXPECT_EQ(usb2sim::GetState().soundProcessor[0] & 0x3F, 20);
  EXPECT_NEAR(usb2sim::GetState().dds[5].frequencyHz, SweepVlfThread::VlfOffset + 1e6, 1.0);
}

TEST_F(VlfSweepTest, AVanishedModuleEndsTheThread) {
  bool ended = false;
  slot.Start(Make(), [&](IOThreadBase* t) { ended = t->ErrorFlag.load() != 0; });
  ASSERT_TRUE(WaitSweeps(2));
  usb2sim::UnplugNow();
  ASSERT_TRUE(PumpUntil([&] { return ended; }));
  EXPECT_EQ(LinkUp.load(), 0);
}

// A command that fails while the module answers: the report names the thread (which passes no
// tag of its own) and the module call that failed.
TEST_F(VlfSweepTest, AFailedCommandIsReportedWithTheThreadAndTheCall) {
  bool ended = false;
  slot.Start(Make(), [&](IOThreadBase* t) { ended = t->ErrorFlag.load() != 0; });
  ASSERT_TRUE(WaitSweeps(1));
  testing::internal::CaptureStderr();
  for (uint8_t opcode : {12, 20, 23, 29, 30}) usb2sim::SetCommandFails(opcode, true);
  ASSERT_TRUE(PumpUntil([&] { return ended; }));
  const std::string err = testing::internal::GetCapturedStderr();
  const std::string report = "Device operation failed in SweepVlfThread: UsbParOut failed (module error 5)";
  EXPECT_NE(err.find(report + "\n"), std::string::npos) << err;
  EXPECT_EQ(LastThreadFailureReport(), report);
  EXPECT_TRUE(usb2sim::GetState().present);
}

// ---- Pure pieces ----

TEST(VlfPieces, NormalisationSettlesAtThirtyForAConstantInput) {
  struct Case {
    uint8_t level;
    int average;     // before the pass
    float expected;  // channel 0
    int averageAfter;
  };
  for (const Case& c : {Case{70, 0, 240, 70}, Case{70, 70, 30, 70}, Case{200, 70, 255, 200},
                        Case{10, 70, 0, 10}, Case{255, 0, 255, 255}}) {
    std::vector<uint8_t> block(500, c.level);
    std::vector<float> out(500);
    int average = c.average;
    NormaliseVlfPass(block.data(), 500, average, out.data());
    EXPECT_EQ(out[0], c.expected) << int(c.level) << " after " << c.average;
    EXPECT_EQ(average, c.averageAfter);
  }
  // Integer division of the mean.
  std::vector<uint8_t> block(500, 0);
  block[0] = 255;
  block[1] = 244;  // sum 499
  std::vector<float> out(500);
  int average = 0;
  NormaliseVlfPass(block.data(), 500, average, out.data());
  EXPECT_EQ(average, 0);
}

TEST(VlfPieces, RunMiddles) {
  struct Case {
    std::vector<int> ones;  // non-zero points of 10
    std::vector<int> middles;
  };
  const Case cases[] = {
      {{}, {}},
      {{3, 4, 5}, {4}},  // closed by the zero at 6: (6 + 3) / 2
      {{0, 1}, {1}},     // a run from the first point
      {{7, 8, 9}, {8}},  // still open at the last point: (9 + 7) / 2
      {{9}, {}},         // begins at the last point: not counted
      {{2}, {2}},        // one point: (3 + 2) / 2
      {{1, 3, 4}, {1, 4}},
  };
  for (const Case& c : cases) {
    float marks[10] = {};
    for (int i : c.ones) marks[i] = 255.0f;
    EXPECT_EQ(RunMiddles(marks, 10), c.middles);
  }
}

TEST(VlfPieces, ToneBinFindsAPureToneAndNothingInSilence) {
  struct Case {
    double hz;
    int minBin, maxBin;
  };
  for (const Case& c : {Case{1200, 111, 112}, Case{1600, 148, 149}, Case{2000, 185, 187}}) {
    SoundBufferBase sound(3072);
    sound.CreateSinus2205(c.hz);
    const int bin = ToneBin(sound, 0, 70.0, nullptr, nullptr);
    EXPECT_GE(bin, c.minBin) << c.hz;
    EXPECT_LE(bin, c.maxBin) << c.hz;
    EXPECT_LE(std::fabs(bin - ToneBinOf(c.hz)), 1.0) << c.hz;
  }
  SoundBufferBase noise(3072);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> jitter(-300, 300);
  for (int i = 0; i < 3072; ++i) noise.Samples[i] = uint16_t(0x8000 + jitter(random));
  EXPECT_EQ(ToneBin(noise, 0, 70.0), 0);
  // Reading past the block reads a constant, never beyond the buffer: no tone of the search.
  const int bin = ToneBin(noise, 3072 * 4, 70.0);
  for (double hz : {1200.0, 1400.0, 1600.0, 1800.0, 2000.0}) EXPECT_GT(std::fabs(bin - ToneBinOf(hz)), 1.0);
}

}  // namespace
