// Fault injection from the scenario and the test API: an absent or unplugged module, absent
// chips, a missing probe, an erased EEPROM, a low battery and failing commands.
#include "SimCaller.h"

#include <chrono>
#include <thread>

using namespace simtest;

namespace {

TEST(SimFaults, AbsentModuleRefusesEveryCall) {
  Fresh("[device]\npresent=0\n");
  uint8_t b = 0;
  EXPECT_EQ(UsbInit(0), 0);
  EXPECT_EQ(UsbDevicePresent(0), 0);
  EXPECT_EQ(UsbParInit(0, 8), 0);
  EXPECT_EQ(UsbParOut(0, &b, 1), 0);
  EXPECT_EQ(UsbParIn(0, &b, 1), 0);
  EXPECT_EQ(UsbI2CWriteByte(0, 0x21, 2), 0);
  EXPECT_EQ(UsbI2CReadByte(0, 0x24, &b), 0);
  EXPECT_EQ(UsbSetIOState(0, 1, 1), 0);
  EXPECT_EQ(UsbGetError(), 1);
  EXPECT_FALSE(usb2sim::GetState().present);
}

TEST(SimFaults, OnlyDeviceZeroExists) {
  Fresh();
  EXPECT_EQ(UsbInit(1), 0);
  EXPECT_EQ(UsbDevicePresent(7), 0);
  EXPECT_EQ(UsbGetError(), 1);
  EXPECT_TRUE(UsbDevicePresent(0));
}

TEST(SimFaults, UnplugAfterCalls) {
  Fresh("[device]\nunplug_after_calls=3\n");
  EXPECT_TRUE(UsbInit(0));
  EXPECT_TRUE(UsbDevicePresent(0));
  EXPECT_TRUE(Out({5}));
  EXPECT_TRUE(In(2).empty()) << "the fourth call finds the module gone";
  EXPECT_EQ(UsbDevicePresent(0), 0);
  EXPECT_EQ(UsbInit(0), 0);
  EXPECT_TRUE(usb2sim::GetState().unplugged);
}

TEST(SimFaults, UnplugAfterMillisecondsCountsFromTheFirstInit) {
  Fresh("[device]\nunplug_after_ms=20\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(40));
  EXPECT_TRUE(UsbDevicePresent(0)) << "the clock starts at the first UsbInit";
  ASSERT_TRUE(UsbInit(0));
  std::this_thread::sleep_for(std::chrono::milliseconds(40));
  EXPECT_EQ(UsbDevicePresent(0), 0);
  EXPECT_EQ(UsbI2CWriteByte(0, 0x21, 2), 0);

  Fresh("[device]\nunplug_after_ms=600000\n");
  ASSERT_TRUE(UsbInit(0));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(UsbDevicePresent(0));
}

TEST(SimFaults, UnplugNowFromTheTestApi) {
  Fresh();
  ASSERT_TRUE(UsbInit(0));
  usb2sim::UnplugNow();
  EXPECT_EQ(UsbDevicePresent(0), 0);
  EXPECT_FALSE(Out({5}));
}

TEST(SimFaults, AbsentChipFailsItsTransfersWhileTheModuleStaysPresent) {
  Fresh("[faults]\nabsent_i2c=0x21, 0x40\n");
  struct Case {
    uint8_t addr;
    bool answers;
  };
  for (const Case& c :
       std::vector<Case>{{0x21, false}, {0x40, false}, {0x22, true}, {0x77, true}, {0x3C, true}}) {
    const int written = I2C(c.addr, {0, 0});
    EXPECT_EQ(written != 0, c.answers) << std::hex << int(c.addr);
    if (!c.answers) {
      EXPECT_EQ(UsbGetError(), 2);
    }
    EXPECT_TRUE(UsbDevicePresent(0));
  }
  EXPECT_EQ(ReadI2C(0x21), -1);
  EXPECT_EQ(usb2sim::GetState().mainboardPort, 0xFF) << "an absent port keeps nothing";

  usb2sim::SetChipAbsent(0x22, true);
  EXPECT_EQ(UsbI2CWriteByte(0, 0x22, 3), 0);
  usb2sim::SetChipAbsent(0x22, false);
  EXPECT_TRUE(UsbI2CWriteByte(0, 0x22, 3));
}

TEST(SimFaults, AddressesOutsideTheBusOrTheChipMapFail) {
  Fresh();
  struct Case {
    uint8_t addr;
    int error;
  };
  for (const Case& c : std::vector<Case>{{0x80, 6}, {0xFF, 6}, {0x00, 2}, {0x55, 2}, {0x7F, 2}}) {
    uint8_t b = 0;
    EXPECT_EQ(UsbI2CWriteByte(0, c.addr, 1), 0) << int(c.addr);
    EXPECT_EQ(UsbGetError(), c.error) << int(c.addr);
    EXPECT_EQ(UsbI2CReadByte(0, c.addr, &b), 0) << int(c.addr);
    EXPECT_TRUE(UsbDevicePresent(0));
  }
}

TEST(SimFaults, ProbeAbsentSilencesItsChipsOnly) {
  Fresh("[probe]\npresent=0\n");
  for (uint8_t a = 0x38; a <= 0x3D; ++a) {
    EXPECT_EQ(UsbI2CWriteByte(0, a, 0xFF), 0) << int(a);
    EXPECT_EQ(ReadI2C(a), -1) << int(a);
  }
  EXPECT_TRUE(UsbI2CWriteByte(0, 0x2C, 0));
  EXPECT_TRUE(UsbDevicePresent(0));
  ASSERT_TRUE(Out({2, 4}));
  ASSERT_TRUE(Out({1}));
  EXPECT_EQ(In(1), Bytes{0}) << "no probe level";
  EXPECT_FALSE(usb2sim::GetState().probePresent);

  usb2sim::SetProbePresent(true);
  EXPECT_TRUE(UsbI2CWriteByte(0, 0x38, 0x00));
  EXPECT_EQ(usb2sim::GetState().ledCount, 8);
}

TEST(SimFaults, ErasedEeprom) {
  Fresh("[eeprom]\nerased=1\ncell.50=1\n");
  for (uint8_t cell : {17, 18, 30, 37, 45}) {
    ASSERT_TRUE(Out({32, cell}));
    EXPECT_EQ(In(1), Bytes{0xFF}) << int(cell);
  }
  ASSERT_TRUE(Out({32, 50}));
  EXPECT_EQ(In(1), Bytes{1}) << "explicit cells still apply";
  ASSERT_TRUE(Out({14, 3}));
  EXPECT_EQ(In(18), Bytes(18, 0xFF));
}

TEST(SimFaults, BatteryLevel) {
  struct Case {
    const char* scenario;
    uint8_t raw;
  };
  for (const Case& c :
       std::vector<Case>{{"", 184}, {"[battery]\nlevel=120\n", 120}, {"[battery]\nlevel=0x87\n", 135}}) {
    Fresh(c.scenario);
    ASSERT_TRUE(Out({2, 3}));
    ASSERT_TRUE(Out({1}));
    EXPECT_EQ(In(1), Bytes{c.raw}) << c.scenario;
  }
  usb2sim::SetBatteryLevel(110);
  ASSERT_TRUE(Out({1}));
  EXPECT_EQ(In(1), Bytes{110});
  EXPECT_EQ(usb2sim::GetState().battery, 110);
}

TEST(SimFaults, FailingCommands) {
  struct Case {
    const char* name;
    uint16_t opcode;
    Bytes command;
  };
  const std::vector<Case> cases = {
      {"version", 5, {5}},
      {"eeprom read", 32, {32, 50}},
      {"sweep", 23, {23, 0x0C, 0x80, 0, 0, 0, 0, 0xA3, 0xD7, 0x03, 0xE8, 0}},
      {"sound play", 142, {128, 142, 0, 4, 0}},
  };
  for (const auto& c : cases) {
    Fresh("[faults]\nfail_command=" + std::to_string(c.opcode) + "\n");
    EXPECT_FALSE(Out(c.command)) << c.name;
    EXPECT_EQ(UsbGetError(), 5) << c.name;
    uint8_t b = 0;
    EXPECT_EQ(UsbParIn(0, &b, 1), 0) << c.name << ": nothing answered";
    ASSERT_TRUE(Out({14, 0})) << c.name;
    EXPECT_EQ(In(18).size(), 18u) << c.name << ": other commands work";
    EXPECT_EQ(usb2sim::GetState().failedCommands, 1u) << c.name;
    EXPECT_TRUE(UsbDevicePresent(0));
  }
}

}  // namespace
