// The hardware self-check of a service build: its 36 status rows against the simulated instrument,
// the fan, and faults turning their rows to "err".
#include <gtest/gtest.h>

#include <memory>

#include "device/InOut.h"
#include "service/HardwareSelfCheck.h"
#include "sim/Instrument.h"
#include "tests/support/SimInstrument.h"

namespace {

class HardwareCheckTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { siminstrument::Bind(); }
  static void TearDownTestSuite() { siminstrument::Unbind(); }

  void Run(const std::string& scenario = "") {
    ASSERT_TRUE(siminstrument::Load(scenario));
    io = std::make_unique<IOControl>(0);
    ASSERT_TRUE(siminstrument::PowerUp(*io));
    pic = soundPic = 0;  // as at start-up
    result = RunHardwareChecks(*io, pic, soundPic);
    ASSERT_EQ(result.Rows.size(), 36u);
  }
  void TearDown() override {
    io.reset();
    usb2sim::LoadScenarioText("");
  }
  bool FanBitSet() const { return (usb2sim::GetState().controlWord >> 8) & 0x04; }
  const HardwareStatusRow& Row(int n) const { return result.Rows[size_t(n - 1)]; }

  std::unique_ptr<IOControl> io;
  HardwareCheckResult result;
  int pic = 0;
  int soundPic = 0;
};

void ExpectRow(const HardwareStatusRow& row, std::vector<std::string> texts) {
  const std::vector<std::string> actual = {row.Status,  row.Module,  row.Part, row.Address,
                                           row.Current, row.Nominal, row.Info};
  EXPECT_EQ(actual, texts);
}

}  // namespace

TEST_F(HardwareCheckTest, HealthyInstrumentGivesThirtySixOkRows) {
  Run();
  for (size_t i = 0; i < result.Rows.size(); ++i) EXPECT_EQ(result.Rows[i].Status, "ok") << i + 1;
  ExpectRow(Row(1), {"ok", "Mainboard", "PCF8574", "0x42", "na", "na", ""});
  ExpectRow(Row(2), {"ok", "Mainboard", "PCA9539", "0xee", "na", "na", ""});
  ExpectRow(Row(3), {"ok", "USB-Modul", "USB-PIC", "na", "na", "na", "Version 263"});
  ExpectRow(Row(10), {"ok", "Demodulator", "", "0x5a", "", "", "I2C"});
  ExpectRow(Row(15), {"ok", "Sound-Modul", "", "0x58", "", "", "I2C"});
  ExpectRow(Row(18), {"ok", "VCO-10000", "Current-Sens", "", "517.6", "517.0", "Current  Band-1"});
  ExpectRow(Row(23), {"ok", "DDS-400", "Current-Sens", "", "160.8", "160.0", "Current   5 MHz"});
  ExpectRow(Row(28), {"ok", "Frontend", "Current-Sens", "", "15.7", "<20.0", "Current All off"});
  ExpectRow(Row(36), {"ok", "Temp Power Modul", "Current-Sens", "", "31", "", "Grad C"});
  EXPECT_EQ(pic, 263);
  EXPECT_EQ(soundPic, 259);
  EXPECT_FALSE(result.FanOn);
  EXPECT_FALSE(FanBitSet());
}

TEST_F(HardwareCheckTest, FanRunsAboveSixtyDegrees) {
  const std::pair<int, bool> cases[] = {
      {72, false}, {73, true}, {55, false}, {120, true}};  // 58.6, 60.2 degrees
  for (auto [raw, on] : cases) {
    Run("[health]\ntemp_power=" + std::to_string(raw) + "\n");
    EXPECT_EQ(result.FanOn, on) << raw;
    EXPECT_EQ(FanBitSet(), on) << raw;
  }
}

TEST_F(HardwareCheckTest, FaultsTurnTheirRowsToErr) {
  struct Case {
    const char* scenario;
    int row;
    std::vector<std::string> texts;
  };
  const Case cases[] = {
      {"[faults]\nabsent_i2c=0x2D\n", 10, {"err", "Demodulator", "", "0x5a", "", "", "I2C-Error"}},
      {"[faults]\nabsent_i2c=0x21\n", 1, {"err", "Mainboard", "PCF8574", "0x42", "na", "na", ""}},
      {"[faults]\nfail_command=130\n", 4, {"err", "USB-Modul", "Sound-PIC", "na", "na", "na", "Version 0"}},
      {"[health]\ncurrent.0=6\n",
       16,
       {"err", "Amp-5000", "Current-Sens", "", "23.5", "35.0", "Current-Error"}},
      {"[health]\ncurrent.40=6\n",
       28,
       {"err", "Frontend", "Current-Sens", "", "23.5", "<20.0", "Current-Error All off"}},
  };
  for (const Case& c : cases) {
    Run(c.scenario);
    ExpectRow(Row(c.row), c.texts);
  }
}

TEST_F(HardwareCheckTest, StaleI2CFailureIsNotBlamedOnTheFirstRow) {
  ASSERT_TRUE(siminstrument::Load(""));
  io = std::make_unique<IOControl>(0);
  ASSERT_TRUE(siminstrument::PowerUp(*io));
  uint8_t value = 0;
  ASSERT_TRUE(io->I2CReadByte(0x55, &value));  // nobody there: recorded, not a failed call
  result = RunHardwareChecks(*io, pic, soundPic);
  EXPECT_EQ(Row(1).Status, "ok");
}

TEST_F(HardwareCheckTest, VanishedModuleGivesErrRowsWithoutStaleValuesAndRunsTheFan) {
  ASSERT_TRUE(siminstrument::Load(""));
  io = std::make_unique<IOControl>(0);
  ASSERT_TRUE(siminstrument::PowerUp(*io));
  pic = 263;
  usb2sim::UnplugNow();
  result = RunHardwareChecks(*io, pic, soundPic);
  for (size_t i = 0; i < result.Rows.size(); ++i) EXPECT_EQ(result.Rows[i].Status, "err") << i + 1;
  EXPECT_EQ(Row(3).Info, "Version 263");  // the last version read
  EXPECT_EQ(Row(16).Current, "na");
  EXPECT_EQ(Row(36).Current, "na");
  EXPECT_TRUE(result.FanOn);
}
