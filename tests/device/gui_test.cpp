// The device object's ties to the program: the GUI messages that run in the middle of the VCO and
// volume operations (only on the GUI thread), and the calibrated clock offset in the INI file.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "FakeUsb2.h"
#include "platform/rtl/Classes.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/TestHooks.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"
#include "base/IniService.h"

namespace {

class GuiPumpTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { Application->Initialize(); }
  void TearDown() override { CheckSynchronize(); }
  FakeUsb2 fake;
  IOControl io{0};
};

struct PumpCase {
  const char* name;
  std::function<bool(IOControl&)> call;
};

const PumpCase PumpCases[] = {
    {"SetMainVCOLow", [](IOControl& c) { return c.SetMainVCOLow(); }},
    {"SetMainVCOHigh", [](IOControl& c) { return c.SetMainVCOHigh(); }},
    {"VolumeUp", [](IOControl& c) { return c.VolumeUp(8); }},
    {"VolumeDown", [](IOControl& c) { return c.VolumeDown(8); }},
};

TEST_F(GuiPumpTest, OperationsLetTheGuiThreadsMessagesRun) {
  ASSERT_TRUE(IsMainThread());
  for (const auto& c : PumpCases) {
    bool ran = false;
    QueueToMainThread([&ran] { ran = true; });
    ASSERT_TRUE(c.call(io)) << c.name;
    EXPECT_TRUE(ran) << c.name;
    CheckSynchronize();
  }
}

// Inside HardwareLock on the GUI thread the same operations let nothing run: a click that arrived or
// a call a thread queued could otherwise stop a thread that waits for the lock the GUI thread holds.
// Both run once the lock is left.
TEST_F(GuiPumpTest, UnderTheHardwareLockOperationsLetNothingRun) {
  TForm form(nullptr);
  auto* button = new TPanel(&form);
  button->SetParent(&form);
  form.Show();
  TCriticalSection lock;
  HardwareLock = &lock;
  for (const auto& c : PumpCases) {
    int clicks = 0;
    bool queued = false;
    button->OnClick = [&](TObject*) {
      EXPECT_FALSE(HardwareLockHeldHere()) << c.name;
      ++clicks;
    };
    {
      HardwareLockGuard guard;
      ASSERT_TRUE(VclTest::PostClick(button));
      std::thread([&] { QueueToMainThread([&] { queued = true; }); }).join();
      ASSERT_TRUE(c.call(io)) << c.name;
      EXPECT_EQ(clicks, 0) << c.name;
      EXPECT_FALSE(queued) << c.name;
    }
    Application->ProcessMessages();
    EXPECT_EQ(clicks, 1) << c.name;
    EXPECT_TRUE(queued) << c.name;
  }
  HardwareLock = nullptr;
}

TEST_F(GuiPumpTest, WorkerThreadsPumpNothing) {
  std::atomic<bool> ran{false};
  QueueToMainThread([&ran] { ran = true; });
  bool result = false;
  std::thread worker([&] { result = io.VolumeDown(20) && io.SetMainVCOLow(); });
  worker.join();
  EXPECT_TRUE(result);
  EXPECT_FALSE(ran.load());
  CheckSynchronize();
  EXPECT_TRUE(ran.load());
}

TEST(CalibrationIni, OffsetIsWrittenToTheSystemSection) {
  FakeUsb2 fake;
  IOControl io(0);
  const auto dir = std::filesystem::temp_directory_path() / ("rt_device_ini_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  IniService ini(dir.string() + "/");
  GlobalIniService = &ini;
  std::vector<uint8_t> samples(500, 70);
  for (int i = 248; i <= 251; ++i) samples[size_t(i)] = 200;
  fake.Answers.assign(samples.begin(), samples.end());
  const bool calibrated = io.CalibrateXO400();
  GlobalIniService = nullptr;
  EXPECT_TRUE(calibrated);
  EXPECT_NEAR(ini.ReadXO400Offset(), 1600.0, 1e-3);
  std::filesystem::remove_all(dir);
}

}  // namespace
