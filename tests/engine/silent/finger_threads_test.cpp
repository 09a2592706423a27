// The fingerprint threads against the simulated instrument: segments beyond the compare view's range,
// the fingerprint's file, a range scan, and the live view beside a stored fingerprint.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/Buffers.h"
#include "engine/FingerBuffer.h"
#include "engine/FingerThreads.h"
#include "tests/engine/silent/SimThreads.h"

namespace {

using simthreads::Give;
using simthreads::PumpUntil;
using simthreads::SimThreadTest;

// The highest level of channel 0 within +-reach points of index.
float PeakNear(const DigitalBuffer& trace, unsigned index, unsigned reach) {
  float top = 0.0f;
  for (unsigned i = index - reach; i <= index + reach; ++i) top = std::max(top, trace.Get(0, i));
  return top;
}

int PeakIndex(const DigitalBuffer& trace, int channel, unsigned from, unsigned to) {
  unsigned best = from;
  for (unsigned i = from; i < to; ++i)
    if (trace.Get(channel, i) > trace.Get(channel, best)) best = i;
  return int(best);
}

// The compare view records segments 0 and 1; every other segment writes its own gigahertz at absolute
// indices too, and the last one reaches the trace's last point.
TEST_F(SimThreadTest, AnAnalogueSegmentWritesItsOwnGigahertzUpToTheLastPoint) {
  auto analog = std::make_shared<DigitalBuffer>(150000);
  for (int segment : {2, 14}) {
    auto* thread = new FingerAnalogThread();
    thread->Trace = Give(thread, analog);
    thread->Segment = segment;
    ASSERT_TRUE(RunToEnd(thread)) << segment;
  }
  EXPECT_GT(PeakNear(*analog, 24500, 2), 150.0f);  // 2450 MHz
  EXPECT_LT(analog->Get(0, 24700), 100.0f);        // 20 MHz away
  EXPECT_GT(analog->Get(0, 20000), 0.0f);
  EXPECT_GT(analog->Get(0, 149999), 0.0f);
  for (unsigned untouched : {19999u, 30000u, 139999u})
    EXPECT_EQ(analog->Get(0, untouched), 0.0f) << untouched;
  EXPECT_EQ(LinkUp.load(), 1);
}

// Values are truncated and their low byte kept: a negative digital difference goes into the file in
// two's complement and reads back as the same byte.
TEST(FingerprintStore, ANegativeDifferenceRoundTripsThroughTheFileAsItsLowByte) {
  DigitalBuffer analog(150000), digital(30000);
  analog.SetValue(0, 1, 254.9f);
  analog.SetValue(0, 2, 255.0f);
  digital.SetValue(0, 1, -3.0f);
  digital.SetValue(0, 2, 77.6f);
  digital.SetValue(0, 3, -2.7f);
  FingerBufferBase fingerprint;
  StoreFingerprint(analog, digital, fingerprint);
  const std::string path =
      (std::filesystem::temp_directory_path() / ("negative_fp_" + std::to_string(::getpid()) + ".fng"))
          .string();
  fingerprint.Save(path);
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  FingerBufferBase loaded;
  ASSERT_TRUE(loaded.Load(path));
  std::filesystem::remove(path);
  ASSERT_EQ(bytes.size(), size_t(FingerBufferBase::FileSize));
  EXPECT_EQ(uint8_t(bytes[FingerBufferBase::AnalogSize + 1]), 0xFD) << "-3 in the file";
  EXPECT_EQ(uint8_t(bytes[FingerBufferBase::AnalogSize + 3]), 0xFE) << "-2.7 truncates to -2";
  EXPECT_EQ(loaded.GetDigital(1), 253);
  EXPECT_EQ(loaded.GetDigital(2), 77);
  EXPECT_EQ(loaded.GetAnalog(1), 254);
  EXPECT_EQ(loaded.GetAnalog(2), 255);
}

// 1000 to 1250 MHz: three 100 MHz steps at absolute indices.
TEST_F(SimThreadTest, FingerScanWritesItsStepsAtAbsoluteIndices) {
  auto analog = std::make_shared<DigitalBuffer>(150000);
  auto digital = std::make_shared<DigitalBuffer>(30000);
  auto* thread = new FingerScanThread(1000e6, 1250e6);
  thread->AnalogTrace = Give(thread, analog);
  thread->DigitalTrace = Give(thread, digital);
  ASSERT_TRUE(RunToEnd(thread));
  for (unsigned i = 10000; i < 13000; ++i) ASSERT_GT(analog->Get(0, i), 0.0f) << i;
  EXPECT_EQ(analog->Get(0, 9999), 0.0f);
  EXPECT_EQ(analog->Get(0, 13000), 0.0f);
  int active = 0;
  for (unsigned i = 0; i < digital->Count; ++i) {
    const bool inside = i >= 2000 && i < 2600;
    if (!inside) {
      ASSERT_EQ(digital->Get(0, i), 0.0f) << i;
    }
    active += inside && digital->Get(0, i) > 0.0f;
  }
  EXPECT_GT(active, 500);
  EXPECT_EQ(LinkUp.load(), 1);
}

// A stored fingerprint with one carrier at 1000.5 MHz; the live scene has another at 1002 MHz.
class FingerRealtimeTest : public SimThreadTest {
 protected:
  void SetUp() override {
    SimThreadTest::SetUp();
    std::fill_n(stored->Analog, FingerBufferBase::AnalogSize, uint8_t(50));
    stored->SetAnalog(10005, 240);
    stored->SetDigital(2000, 100);
    usb2sim::EmitterSpec e;
    e.frequencyHz = 1002e6;
    e.levelDbm = -40;
    usb2sim::AddEmitter(e);
  }

  FingerRealtimeThread* Make(double frequency, bool digitalView) {
    auto* thread = new FingerRealtimeThread(frequency);
    thread->LiveTrace = Give(thread, live);
    thread->AudioTrace = Give(thread, audio);
    thread->Fingerprint = Give(thread, stored);
    if (digitalView) thread->Waterfall = Give(thread, waterfall);
    thread->Labels = [this](const std::string& l, const std::string& c, const std::string& r) {
      std::lock_guard hold(labelMutex);
      labels = {l, c, r};
    };
    return thread;
  }
  std::vector<std::string> Labels() {
    std::lock_guard hold(labelMutex);
    return labels;
  }

  std::shared_ptr<DigitalBuffer> live = std::make_shared<DigitalBuffer>(1000);
  std::shared_ptr<DigitalBuffer> audio = std::make_shared<DigitalBuffer>(256);
  std::shared_ptr<FingerBufferBase> stored = std::make_shared<FingerBufferBase>();
  std::shared_ptr<WaterfallBuffer> waterfall = std::make_shared<WaterfallBuffer>(200, 32);
  std::mutex labelMutex;
  std::vector<std::string> labels;
};

TEST_F(FingerRealtimeTest, AnalogueViewShowsTheStoredTraceBesideTheLiveOne) {
  auto* thread = Make(1000e6, false);
  ThreadSlot slot;
  slot.Start(thread);
  // Live point i is 995 MHz + i x 10 kHz: the new carrier at 1002 MHz is point 700.
  ASSERT_TRUE(PumpUntil([&] { return std::abs(PeakIndex(*live, 0, 0, 1000) - 700) <= 3; }));
  // Stored position 2 + 9950 + i / 10: the stored carrier (byte 240, shown 255) is points 530..539.
  EXPECT_EQ(live->Get(2, 530), 255.0f);
  EXPECT_EQ(live->Get(2, 539), 255.0f);
  EXPECT_EQ(live->Get(2, 529), 70.0f);
  EXPECT_EQ(live->Get(2, 540), 70.0f);
  EXPECT_GT(live->Get(1, 535), 100.0f);  // smoothed
  EXPECT_LT(live->Get(0, 535), 120.0f);  // nothing live there
  EXPECT_EQ(Labels(), (std::vector<std::string>{"995.000", "1000.000", "1005.000"}));

  // Retune to the tone transmitter: new labels, new reference, and its 1 kHz tone in the audio spectrum.
  thread->FrequencyChange.Post(868.3e6);
  const unsigned toneBin = unsigned(1000.0 / 22050.0 * 512 + 0.5);
  ASSERT_TRUE(PumpUntil(
      [&] { return Labels().size() == 3 && Labels()[1] == "868.300" && audio->Get(0, toneBin) == 255.0f; }));
  EXPECT_EQ(Labels()[0], "863.300");
  EXPECT_EQ(live->Get(2, 535), 70.0f);
  thread->VolumeChange.Post(200);
  ASSERT_TRUE(PumpUntil([&] { return !thread->VolumeChange.Pending(); }));
  EXPECT_TRUE(slot.Stop());
  EXPECT_EQ(io->VolumeShadow & 0x3F, 200 / 4);
  EXPECT_EQ(LinkUp.load(), 1);
}

TEST_F(FingerRealtimeTest, DigitalViewShowsActivityAndFillsTheWaterfall) {
  auto* thread = Make(1880e6, true);
  ThreadSlot slot;
  slot.Start(thread);
  // Point i is 1855 MHz + i x 250 kHz: the pulsed emitter at 1880 MHz is point 100.
  ASSERT_TRUE(PumpUntil([&] {
    const SharedFloat* row = waterfall->GetBufferForDisplay(31);
    return std::abs(PeakIndex(*live, 0, 0, 200) - 100) <= 4 && row && row[100].load() > 0.1f;
  }));
  EXPECT_EQ(Labels(), (std::vector<std::string>{"1855.000", "1880.000", "1905.000"}));
  const uint8_t volumeBefore = io->VolumeShadow;
  thread->VolumeChange.Post(200);
  ASSERT_TRUE(PumpUntil([&] { return !thread->VolumeChange.Pending(); }));
  EXPECT_TRUE(slot.Stop());
  EXPECT_EQ(io->VolumeShadow, volumeBefore);  // no device call in the digital view
  EXPECT_EQ(live->Get(2, 0), 20.0f);          // positions outside the stored block read as 0
  EXPECT_EQ(LinkUp.load(), 1);
}

}  // namespace
