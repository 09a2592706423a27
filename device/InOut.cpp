// Binding of the USB interface module and USB2Base, the lowest layer of the device object.
#include "device/InOut.h"

#include <atomic>

#include "device/InOutPlatform.h"

void* Usb2DllHandle = nullptr;
Usb2FunctionTable Usb2Functions;

const char* const Usb2LookupNames[Usb2LookupCount] = {"UsbInit",
                                                      "UsbGetVersion",
                                                      "UsbEEpSetAddr",
                                                      "UsbParSetWaveforms",
                                                      "UsbGetRdyState",
                                                      "UsbGetError",
                                                      "UsbGetErrorStringByNr",
                                                      "UsbRetrieveAllErrors",
                                                      "UsbDevicePresent",
                                                      "UsbDeviceInitialized",
                                                      "UsbI2CSetTimeout",
                                                      "UsbEEpSetTimeout",
                                                      "UsbParSetTimeout",
                                                      "UsbSpiInit",
                                                      "UsbSpiTransfer",
                                                      "UsbSpiTransferByte",
                                                      "UsbParSetWaveforms",
                                                      "UsbParSetTransferSize",
                                                      "UsbWaituSec",
                                                      "UsbSetIOState",
                                                      "UsbSetIODir",
                                                      "UsbGetIOState",
                                                      "UsbSetPortState",
                                                      "UsbSetPortDir",
                                                      "UsbGetStatus",
                                                      "UsbGetPortState",
                                                      "UsbI2CSetSpeed",
                                                      "UsbI2CWriteBytes",
                                                      "UsbI2CWriteByte",
                                                      "UsbI2CReadBytes",
                                                      "UsbI2CReadByte",
                                                      "UsbEEpWriteBytes",
                                                      "UsbEEpWriteByte",
                                                      "UsbEEpReadBytes",
                                                      "UsbEEpReadByte",
                                                      "UsbParInit",
                                                      "UsbParInitUsingArray",
                                                      "UsbParOut",
                                                      "UsbParIn",
                                                      "UsbCheckSpeed",
                                                      "UsbOpen",
                                                      "UsbClose",
                                                      "UsbI2CWriteAndReadBytes",
                                                      "UsbSetTimeout"};

namespace {

std::string ModuleName = "usb2.dll";
int BindingUsers = 0;  // device objects sharing the one binding
const Usb2FunctionTable* FunctionOverride = nullptr;

// Stores one looked-up address in its slot of the table; unused names go to the next free slot.
void StoreEntry(Usb2FunctionTable& t, const std::string& name, void* p, int& unusedIndex) {
  if (name == "UsbInit")
    t.UsbInit = reinterpret_cast<UsbDevFn>(p);
  else if (name == "UsbDevicePresent")
    t.UsbDevicePresent = reinterpret_cast<UsbDevFn>(p);
  else if (name == "UsbSetIODir")
    t.UsbSetIODir = reinterpret_cast<UsbPinFn>(p);
  else if (name == "UsbSetIOState")
    t.UsbSetIOState = reinterpret_cast<UsbPinFn>(p);
  else if (name == "UsbSetPortDir")
    t.UsbSetPortDir = reinterpret_cast<UsbPinFn>(p);
  else if (name == "UsbI2CWriteByte")
    t.UsbI2CWriteByte = reinterpret_cast<UsbI2CWriteByteFn>(p);
  else if (name == "UsbI2CReadByte")
    t.UsbI2CReadByte = reinterpret_cast<UsbI2CReadByteFn>(p);
  else if (name == "UsbI2CWriteBytes")
    t.UsbI2CWriteBytes = reinterpret_cast<UsbI2CWriteBytesFn>(p);
  else if (name == "UsbParInit")
    t.UsbParInit = reinterpret_cast<UsbParInitFn>(p);
  else if (name == "UsbParOut")
    t.UsbParOut = reinterpret_cast<UsbParOutFn>(p);
  else if (name == "UsbParIn")
    t.UsbParIn = reinterpret_cast<UsbParInFn>(p);
  else if (name == "UsbParSetTimeout")
    t.UsbParSetTimeout = reinterpret_cast<UsbParSetTimeoutFn>(p);
  else if (name == "UsbGetError")
    t.UsbGetError = reinterpret_cast<UsbGetErrorFn>(p);
  else if (unusedIndex < 31)
    t.Unused[unusedIndex++] = p;
}

bool HasCalledEntries(const Usb2FunctionTable& t) {
  return t.UsbInit && t.UsbDevicePresent && t.UsbSetIODir && t.UsbSetIOState && t.UsbSetPortDir &&
         t.UsbI2CWriteByte && t.UsbI2CReadByte && t.UsbI2CWriteBytes && t.UsbParInit && t.UsbParOut &&
         t.UsbParIn && t.UsbParSetTimeout && t.UsbGetError;
}

void ReportModuleMissing() { DeviceMessageBox("Usb2Dll could not be opened", "Error"); }

}  // namespace

void SetUsb2ModuleName(const std::string& name) { ModuleName = name; }
const std::string& GetUsb2ModuleName() { return ModuleName; }
void SetUsb2FunctionOverride(const Usb2FunctionTable* table) { FunctionOverride = table; }

int LoadUsb2Dll() {
  Usb2Functions = Usb2FunctionTable{};
  if (FunctionOverride) {
    Usb2Functions = *FunctionOverride;
    return 1;
  }
  Usb2DllHandle = DeviceLoadModule(ModuleName);
  if (!Usb2DllHandle) {
    ReportModuleMissing();
    return 0;
  }
  Usb2FunctionTable table;
  int unusedIndex = 0;
  for (const char* name : Usb2LookupNames)
    StoreEntry(table, name, DeviceModuleSymbol(Usb2DllHandle, name), unusedIndex);
  // A module without one of the called entry points is no instrument: bind nothing.
  if (!HasCalledEntries(table)) {
    DeviceFreeModule(Usb2DllHandle);
    Usb2DllHandle = nullptr;
    ReportModuleMissing();
    return 0;
  }
  Usb2Functions = table;
  return 1;
}

void FreeUsb2Dll() {
  Usb2Functions = Usb2FunctionTable{};
  if (Usb2DllHandle) DeviceFreeModule(Usb2DllHandle);
  Usb2DllHandle = nullptr;
}

// ---------------------------------------------------------------------------------------------
// The binding is process-wide: it is made for the first device object (or again when it failed)
// and freed with the last one.
USB2Base::USB2Base(int deviceIndex) : DeviceIndex(deviceIndex) {
  if (BindingUsers++ == 0 || !Usb2Functions.UsbInit) LoadUsb2Dll();
}

USB2Base::~USB2Base() {
  if (--BindingUsers == 0) FreeUsb2Dll();
}

namespace {
std::atomic<const char*> lastFailedCall{nullptr};
std::atomic<int> lastFailedError{0};

void NoteFailure(const char* entry, int error) {
  lastFailedError.store(error);
  lastFailedCall.store(entry);
}
}  // namespace

std::string LastModuleFailure() {
  const char* entry = lastFailedCall.load();
  if (!entry) return "";
  return std::string(entry) + " failed (module error " + std::to_string(lastFailedError.load()) + ")";
}

void ClearLastModuleFailure() { lastFailedCall.store(nullptr); }

bool USB2Base::Noted(const char* entry, bool ok) {
  if (!ok) NoteFailure(entry, GetError());
  return ok;
}

bool USB2Base::Init() { return Noted("UsbInit", Usb2Functions.UsbInit && Usb2Functions.UsbInit(Dev()) != 0); }

bool USB2Base::DevicePresent() {
  return Usb2Functions.UsbDevicePresent && Usb2Functions.UsbDevicePresent(Dev()) != 0;
}

bool USB2Base::SetIODir(uint8_t port, uint8_t pin, uint8_t dir) {
  return Noted("UsbSetIODir", Usb2Functions.UsbSetIODir &&
                                  Usb2Functions.UsbSetIODir(Dev(), uint8_t(port * 8 + pin), dir) != 0);
}

bool USB2Base::SetIOState(uint8_t port, uint8_t pin, uint8_t level) {
  return Noted("UsbSetIOState", Usb2Functions.UsbSetIOState &&
                                    Usb2Functions.UsbSetIOState(Dev(), uint8_t(port * 8 + pin), level) != 0);
}

bool USB2Base::SetPortDir(uint8_t port, uint8_t mask) {
  return Noted("UsbSetPortDir",
               Usb2Functions.UsbSetPortDir && Usb2Functions.UsbSetPortDir(Dev(), port, mask) != 0);
}

bool USB2Base::SetPort2Output() { return SetPortDir(2, 0xFF); }

// A chip that does not answer does not fail the transfer while the module is attached; the
// address is kept for TakeI2CError.
bool USB2Base::I2CFailed(uint8_t addr, const char* entry) {
  LastI2CError = addr;
  const int error = GetError();
  const bool present = DevicePresent();
  if (!present) NoteFailure(entry, error);
  return present;
}

bool USB2Base::I2CWriteByte(uint8_t addr, uint8_t value) {
  if (!Usb2Functions.UsbI2CWriteByte) return false;
  if (Usb2Functions.UsbI2CWriteByte(Dev(), addr, value)) return true;
  return I2CFailed(addr, "UsbI2CWriteByte");
}

bool USB2Base::I2CReadByte(uint8_t addr, uint8_t* out) {
  if (!out || !Usb2Functions.UsbI2CReadByte) return false;
  if (Usb2Functions.UsbI2CReadByte(Dev(), addr, out)) return true;
  *out = 0xFF;  // nothing drove the bus: the pull-ups read as ones
  return I2CFailed(addr, "UsbI2CReadByte");
}

bool USB2Base::I2CWriteBytes(uint8_t addr, const uint8_t* data, int count) {
  if (!data || count <= 0 || count > 0xFFFF || !Usb2Functions.UsbI2CWriteBytes) return false;
  if (Usb2Functions.UsbI2CWriteBytes(Dev(), addr, uint16_t(count), data)) return true;
  return I2CFailed(addr, "UsbI2CWriteBytes");
}

uint8_t USB2Base::TakeI2CError() {
  uint8_t result = uint8_t(LastI2CError * 2);
  LastI2CError = 0;
  return result;
}

bool USB2Base::ParInit(uint8_t mode) {
  return Noted("UsbParInit", Usb2Functions.UsbParInit && Usb2Functions.UsbParInit(Dev(), mode) != 0);
}

bool USB2Base::ParOut(const uint8_t* data, uint32_t count) {
  return Noted("UsbParOut", Usb2Functions.UsbParOut && Usb2Functions.UsbParOut(Dev(), data, count) != 0);
}

bool USB2Base::ParIn(uint8_t* data, uint32_t count) {
  return Noted("UsbParIn", Usb2Functions.UsbParIn && Usb2Functions.UsbParIn(Dev(), data, count) != 0);
}

bool USB2Base::ParSetTimeout(uint32_t ms) {
  return Usb2Functions.UsbParSetTimeout && Usb2Functions.UsbParSetTimeout(Dev(), ms) != 0;
}

int USB2Base::GetError() { return Usb2Functions.UsbGetError ? Usb2Functions.UsbGetError() : 0; }

bool USB2Base::PulseIOPin0() {
  return SetIODir(0, 0, 1) && SetIOState(0, 0, 0) && SetIOState(0, 0, 1) && SetIODir(0, 0, 0);
}

// Ten bits, channel then value, most significant first; data is taken on the rising clock edge.
bool USB2Base::WritePot(int chip, int channel, int value) {
  if (chip < 0 || chip > 5 || channel < 0 || channel > 3 || value < 0 || value > 255) return false;
  const uint8_t select = uint8_t(2 + chip);
  if (!SetIOState(2, select, 0)) return false;
  const int word = channel * 256 + value;
  for (int mask = 0x200; mask != 0; mask >>= 1) {
    if (!SetIOState(2, 1, (word & mask) ? 1 : 0)) return false;
    if (!SetIOState(2, 0, 1)) return false;
    if (!SetIOState(2, 0, 0)) return false;
  }
  return SetIOState(2, select, 1);
}
