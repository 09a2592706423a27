// Module binding and USB2Base: entry points, I2C failure bookkeeping, pin pulse, serial pot bus.
#include <gtest/gtest.h>

#include <memory>

#include "FakeUsb2.h"

namespace {

class Usb2BaseTest : public ::testing::Test {
 protected:
  FakeUsb2 fake;
  USB2Base usb{0};
};

TEST(Usb2Binding, LooksUpFortyThreeNamesWithOneRepeated) {
  std::set<std::string> names(Usb2LookupNames, Usb2LookupNames + Usb2LookupCount);
  EXPECT_EQ(names.size(), 43u);
  EXPECT_STREQ(Usb2LookupNames[0], "UsbInit");
  EXPECT_STREQ(Usb2LookupNames[3], "UsbParSetWaveforms");
  EXPECT_STREQ(Usb2LookupNames[16], "UsbParSetWaveforms");
  EXPECT_STREQ(Usb2LookupNames[Usb2LookupCount - 1], "UsbSetTimeout");
  EXPECT_EQ(GetUsb2ModuleName(), "usb2.dll");
}

// Without a module every operation fails at once and nothing is called through an empty table.
TEST(Usb2Binding, MissingModuleReportsAndEveryOperationFails) {
  const std::string saved = GetUsb2ModuleName();
  SetUsb2ModuleName("/nonexistent/folder/libusb2.so");
  testing::internal::CaptureStderr();
  {
    IOControl io(0);
    EXPECT_EQ(Usb2DllHandle, nullptr);
    uint8_t b = 0;
    int v = 0;
    bool ok = true;
    EXPECT_FALSE(io.Init());
    EXPECT_FALSE(io.DevicePresent());
    EXPECT_FALSE(io.SetIODir(0, 0, 1));
    EXPECT_FALSE(io.SetIOState(0, 0, 1));
    EXPECT_FALSE(io.SetPort2Output());
    EXPECT_FALSE(io.I2CWriteByte(0x20, 1));
    EXPECT_FALSE(io.I2CReadByte(0x20, &b));
    EXPECT_FALSE(io.I2CWriteBytes(0x20, &b, 1));
    EXPECT_FALSE(io.ParInit(8));
    EXPECT_FALSE(io.ParOut(&b, 1));
    EXPECT_FALSE(io.ParIn(&b, 1));
    EXPECT_FALSE(io.ParSetTimeout(5000));
    EXPECT_EQ(io.GetError(), 0);
    EXPECT_FALSE(io.PulseIOPin0());
    EXPECT_FALSE(io.GetPicVersion(&v));
    EXPECT_FALSE(io.SetLedBar(5, ok));
    EXPECT_FALSE(io.InitMeasureMode());
  }
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Usb2Dll could not be opened"), std::string::npos);
  SetUsb2ModuleName(saved);
}

TEST_F(Usb2BaseTest, PinsAreAddressedAsPortTimesEightPlusPin) {
  EXPECT_TRUE(usb.SetIODir(0, 1, 1));
  EXPECT_TRUE(usb.SetIOState(2, 5, 0));
  EXPECT_TRUE(usb.SetPort2Output());
  const std::vector<UsbEvent> expected = {
      {UsbEvent::IODir, 1, {1}}, {UsbEvent::IOState, 21, {0}}, {UsbEvent::PortDir, 2, {0xFF}}};
  EXPECT_EQ(fake.Events, expected);
}

TEST_F(Usb2BaseTest, NullAndEmptyTransfersNeverReachTheModule) {
  uint8_t b = 1;
  EXPECT_FALSE(usb.I2CReadByte(0x24, nullptr));
  EXPECT_FALSE(usb.I2CWriteBytes(0x40, nullptr, 2));
  EXPECT_FALSE(usb.I2CWriteBytes(0x40, &b, 0));
  EXPECT_EQ(fake.Transfers, 0);
}

// An absent chip does not fail the transfer while the module is attached; its address is kept.
TEST_F(Usb2BaseTest, AbsentChipIsRecordedNotFailed) {
  fake.AbsentChips = {0x38};
  EXPECT_TRUE(usb.I2CWriteByte(0x38, 0xFF));
  EXPECT_EQ(usb.TakeI2CError(), 0x70);
  EXPECT_EQ(usb.TakeI2CError(), 0);
  const uint8_t data[] = {1, 2};
  EXPECT_TRUE(usb.I2CWriteBytes(0x38, data, 2));
  EXPECT_EQ(usb.TakeI2CError(), 0x70);
}

TEST_F(Usb2BaseTest, OnlyTheLatestFailedAddressIsKept) {
  fake.AbsentChips = {0x38, 0x3C};
  usb.I2CWriteByte(0x38, 0);
  usb.I2CWriteByte(0x3C, 0);
  EXPECT_EQ(usb.TakeI2CError(), 0x78);
  EXPECT_EQ(usb.TakeI2CError(), 0);
}

// A read from a chip that does not answer reports success (module attached) but never leaves the
// caller's byte as it was: it reads as the idle bus.
TEST_F(Usb2BaseTest, FailedReadFillsTheByteWithTheIdleBus) {
  fake.AbsentChips = {0x20};
  uint8_t key = 0x00;  // a stale byte with bit 6 low would be a phantom key press
  EXPECT_TRUE(usb.I2CReadByte(0x20, &key));
  EXPECT_EQ(key, 0xFF);
  EXPECT_EQ(usb.TakeI2CError(), 0x40);
}

TEST_F(Usb2BaseTest, I2CFailureWithTheModuleGoneFails) {
  fake.Present = false;
  uint8_t b = 0;
  EXPECT_FALSE(usb.I2CWriteByte(0x21, 2));
  EXPECT_FALSE(usb.I2CReadByte(0x24, &b));
}

TEST_F(Usb2BaseTest, PulseOnPinZero) {
  EXPECT_TRUE(usb.PulseIOPin0());
  const std::vector<UsbEvent> expected = {{UsbEvent::IODir, 0, {1}},
                                          {UsbEvent::IOState, 0, {0}},
                                          {UsbEvent::IOState, 0, {1}},
                                          {UsbEvent::IODir, 0, {0}}};
  EXPECT_EQ(fake.Events, expected);
}

// The data bits clocked on pin 17 (port 2 pin 1), each followed by a clock pulse on pin 16.
std::vector<int> ClockedBits(const std::vector<UsbEvent>& events) {
  std::vector<int> bits;
  int data = -1;
  for (const auto& e : events) {
    if (e.kind != UsbEvent::IOState) continue;
    if (e.address == 17) data = e.bytes[0];
    if (e.address == 16 && e.bytes[0] == 1) bits.push_back(data);
  }
  return bits;
}

TEST_F(Usb2BaseTest, PotWordIsChannelThenValueMostSignificantFirst) {
  struct Case {
    int chip, channel, value;
    std::vector<int> bits;
  };
  const Case cases[] = {
      {3, 2, 0x80, {1, 0, 1, 0, 0, 0, 0, 0, 0, 0}},
      {0, 0, 0xFF, {0, 0, 1, 1, 1, 1, 1, 1, 1, 1}},
      {5, 3, 0x01, {1, 1, 0, 0, 0, 0, 0, 0, 0, 1}},
  };
  for (const auto& c : cases) {
    fake.Clear();
    ASSERT_TRUE(usb.WritePot(c.chip, c.channel, c.value));
    EXPECT_EQ(ClockedBits(fake.Events), c.bits) << "chip " << c.chip;
    const uint8_t select = uint8_t(18 + c.chip);
    EXPECT_EQ(fake.Events.front(), (UsbEvent{UsbEvent::IOState, select, {0}}));
    EXPECT_EQ(fake.Events.back(), (UsbEvent{UsbEvent::IOState, select, {1}}));
    EXPECT_EQ(fake.Events.size(), 2u + 30u);
    for (size_t i = 1; i + 1 < fake.Events.size(); ++i) EXPECT_NE(fake.Events[i].address, select);
  }
}

TEST_F(Usb2BaseTest, PotOutsideItsRangeTouchesNothing) {
  EXPECT_FALSE(usb.WritePot(6, 0, 0));
  EXPECT_FALSE(usb.WritePot(-1, 0, 0));
  EXPECT_FALSE(usb.WritePot(0, 4, 0));
  EXPECT_EQ(fake.Transfers, 0);
}

TEST_F(Usb2BaseTest, FailedPinWriteStopsThePotWithChipSelectLow) {
  fake.VanishAfter = 5;
  EXPECT_FALSE(usb.WritePot(3, 2, 0x80));
  EXPECT_EQ(fake.Transfers, 6);
  EXPECT_EQ(fake.Events.front(), (UsbEvent{UsbEvent::IOState, 21, {0}}));
  EXPECT_NE(fake.Events.back(), (UsbEvent{UsbEvent::IOState, 21, {1}}));
}

TEST_F(Usb2BaseTest, ErrorNumberComesFromTheModule) {
  fake.Error = 0x1234;
  EXPECT_EQ(usb.GetError(), 0x1234);
}

}  // namespace

namespace {

// A second device object shares the binding; the first one's end does not unbind the other.
TEST(Usb2Binding, BindingLastsAsLongAsAnyDeviceObject) {
  FakeUsb2 fake;
  auto first = std::make_unique<USB2Base>(0);
  USB2Base second(0);
  first.reset();
  EXPECT_TRUE(second.Init());
  EXPECT_EQ(fake.Transfers, 1);
}

}  // namespace
