#include "FakeUsb2.h"

FakeUsb2* FakeUsb2::Current = nullptr;

namespace {

FakeUsb2& F() { return *FakeUsb2::Current; }

int Init(uint8_t) {
  if (!F().Transfer()) return 0;
  F().Events.push_back({UsbEvent::Init, 0, {}});
  return 1;
}

int DevicePresent(uint8_t) { return F().Present && F().VanishAfter != 0 ? 1 : 0; }

int Pin(UsbEvent::Kind kind, uint8_t pin, uint8_t value) {
  if (!F().Transfer()) return 0;
  F().Events.push_back({kind, pin, {value}});
  return 1;
}
int SetIODir(uint8_t, uint8_t pin, uint8_t dir) { return Pin(UsbEvent::IODir, pin, dir); }
int SetIOState(uint8_t, uint8_t pin, uint8_t level) { return Pin(UsbEvent::IOState, pin, level); }
int SetPortDir(uint8_t, uint8_t port, uint8_t mask) { return Pin(UsbEvent::PortDir, port, mask); }

int I2CWriteByte(uint8_t, uint8_t addr, uint8_t value) {
  if (!F().Transfer()) return 0;
  F().Events.push_back({UsbEvent::I2CWrite, addr, {value}});
  return F().AbsentChips.count(addr) ? 0 : 1;
}

int I2CReadByte(uint8_t, uint8_t addr, uint8_t* out) {
  if (!F().Transfer()) return 0;
  F().Events.push_back({UsbEvent::I2CRead, addr, {}});
  if (F().AbsentChips.count(addr)) return 0;
  auto it = F().ChipValues.find(addr);
  *out = it == F().ChipValues.end() ? 0x00 : it->second;
  return 1;
}

int I2CWriteBytes(uint8_t, uint8_t addr, uint16_t count, const uint8_t* data) {
  if (!F().Transfer()) return 0;
  F().Events.push_back({UsbEvent::I2CWrite, addr, std::vector<uint8_t>(data, data + count)});
  return F().AbsentChips.count(addr) ? 0 : 1;
}

int ParInit(uint8_t, uint8_t mode) {
  if (!F().Transfer()) return 0;
  F().Events.push_back({UsbEvent::ParInit, mode, {}});
  return 1;
}

int ParOut(uint8_t, const uint8_t* data, uint32_t count) {
  if (!F().Transfer()) return 0;
  F().Events.push_back({UsbEvent::ParOut, 0, std::vector<uint8_t>(data, data + count)});
  return 1;
}

int ParIn(uint8_t, uint8_t* data, uint32_t count) {
  if (!F().Transfer()) return 0;
  if (F().Answers.size() < count) return 0;  // the reply never came: the module times out
  for (uint32_t i = 0; i < count; ++i) {
    data[i] = F().Answers.front();
    F().Answers.pop_front();
  }
  F().Events.push_back({UsbEvent::ParIn, 0, std::vector<uint8_t>(data, data + count)});
  return 1;
}

int ParSetTimeout(uint8_t, uint32_t ms) {
  if (!F().Transfer()) return 0;
  F().Events.push_back({UsbEvent::Timeout, 0, {uint8_t(ms >> 8), uint8_t(ms)}});
  return 1;
}

int GetError() { return F().Error; }

}  // namespace

bool FakeUsb2::Transfer() {
  ++Transfers;
  if (!Present) return false;
  if (VanishAfter < 0) return true;
  if (VanishAfter == 0) return false;
  --VanishAfter;
  return true;
}

Usb2FunctionTable FakeUsb2::Table() {
  Usb2FunctionTable t;
  t.UsbInit = Init;
  t.UsbDevicePresent = DevicePresent;
  t.UsbSetIODir = SetIODir;
  t.UsbSetIOState = SetIOState;
  t.UsbSetPortDir = SetPortDir;
  t.UsbI2CWriteByte = I2CWriteByte;
  t.UsbI2CReadByte = I2CReadByte;
  t.UsbI2CWriteBytes = I2CWriteBytes;
  t.UsbParInit = ParInit;
  t.UsbParOut = ParOut;
  t.UsbParIn = ParIn;
  t.UsbParSetTimeout = ParSetTimeout;
  t.UsbGetError = GetError;
  return t;
}

namespace {
Usb2FunctionTable InstalledTable;
}

FakeUsb2::FakeUsb2() {
  Current = this;
  InstalledTable = Table();
  SetUsb2FunctionOverride(&InstalledTable);
}

FakeUsb2::~FakeUsb2() {
  SetUsb2FunctionOverride(nullptr);
  Current = nullptr;
}

std::vector<std::vector<uint8_t>> FakeUsb2::ParOuts() const {
  std::vector<std::vector<uint8_t>> out;
  for (const auto& e : Events)
    if (e.kind == UsbEvent::ParOut) out.push_back(e.bytes);
  return out;
}

std::vector<UsbEvent> FakeUsb2::I2CWrites() const { return Of(UsbEvent::I2CWrite); }

std::vector<UsbEvent> FakeUsb2::Of(UsbEvent::Kind kind) const {
  std::vector<UsbEvent> out;
  for (const auto& e : Events)
    if (e.kind == kind) out.push_back(e);
  return out;
}
