// Entry points of the USB interface module. Every function takes the device number first
// (only device 0 exists) except UsbGetError; nonzero means success. The thirteen the program
// uses drive the model; the others are accepted (or refused as not supported) so that a loader
// that checks every name still binds.
#include "sim/Simulator.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#define USB2_EXPORT extern "C" __attribute__((visibility("default")))

using usb2sim::Model;
using usb2sim::RunCall;

namespace {

// The device number must be 0; any other device is absent.
template <typename F>
int OnDevice(uint8_t dev, F&& body) {
  if (dev != 0) {
    std::lock_guard<std::mutex> lock(usb2sim::SimMutex());
    usb2sim::SimModel().SetError(usb2sim::kErrNotPresent);
    return 0;
  }
  return RunCall(body);
}

int NotSupported(uint8_t dev) {
  return OnDevice(dev, [](Model& m) {
    m.SetError(usb2sim::kErrNotSupported);
    return 0;
  });
}

int Accepted(uint8_t dev) {
  return OnDevice(dev, [](Model&) { return 1; });
}

const char* ErrorText(int nr) {
  switch (nr) {
    case usb2sim::kErrNone:
      return "no error";
    case usb2sim::kErrNotPresent:
      return "device not present";
    case usb2sim::kErrI2cNack:
      return "I2C device did not acknowledge";
    case usb2sim::kErrParTimeout:
      return "parallel port read timeout";
    case usb2sim::kErrUnknownCommand:
      return "unknown command byte";
    case usb2sim::kErrInjected:
      return "transfer failed";
    case usb2sim::kErrBadArgument:
      return "invalid argument";
    case usb2sim::kErrNotSupported:
      return "function not supported";
    default:
      return "unknown error";
  }
}

}  // namespace

// ---- the entry points the program calls --------------------------------------------------

USB2_EXPORT int UsbInit(uint8_t dev) {
  return OnDevice(dev, [](Model& m) { return m.Init(); });
}

USB2_EXPORT int UsbDevicePresent(uint8_t dev) {
  return OnDevice(dev, [](Model&) { return 1; });
}

USB2_EXPORT int UsbSetIODir(uint8_t dev, uint8_t pin, uint8_t dir) {
  return OnDevice(dev, [&](Model& m) { return m.SetIODir(pin, dir); });
}

USB2_EXPORT int UsbSetIOState(uint8_t dev, uint8_t pin, uint8_t level) {
  return OnDevice(dev, [&](Model& m) { return m.SetIOState(pin, level); });
}

USB2_EXPORT int UsbSetPortDir(uint8_t dev, uint8_t port, uint8_t mask) {
  return OnDevice(dev, [&](Model& m) { return m.SetPortDir(port, mask); });
}

USB2_EXPORT int UsbI2CWriteByte(uint8_t dev, uint8_t addr, uint8_t value) {
  return OnDevice(dev, [&](Model& m) { return m.I2CWrite(addr, &value, 1); });
}

USB2_EXPORT int UsbI2CReadByte(uint8_t dev, uint8_t addr, uint8_t* out) {
  return OnDevice(dev, [&](Model& m) { return m.I2CRead(addr, out, 1); });
}

USB2_EXPORT int UsbI2CWriteBytes(uint8_t dev, uint8_t addr, uint16_t count, const uint8_t* data) {
  return OnDevice(dev, [&](Model& m) { return m.I2CWrite(addr, data, count); });
}

USB2_EXPORT int UsbParInit(uint8_t dev, uint8_t mode) {
  return OnDevice(dev, [&](Model& m) { return m.ParInit(mode); });
}

USB2_EXPORT int UsbParOut(uint8_t dev, const uint8_t* data, uint32_t count) {
  return OnDevice(dev, [&](Model& m) { return m.ParOut(data, count); });
}

USB2_EXPORT int UsbParIn(uint8_t dev, uint8_t* data, uint32_t count) {
  return OnDevice(dev, [&](Model& m) { return m.ParIn(data, count); });
}

USB2_EXPORT int UsbParSetTimeout(uint8_t dev, uint32_t ms) {
  return OnDevice(dev, [&](Model& m) { return m.ParSetTimeout(ms); });
}

USB2_EXPORT int UsbGetError() {
  std::lock_guard<std::mutex> lock(usb2sim::SimMutex());
  return usb2sim::SimModel().LastError();
}

// ---- bound but not used by the program ---------------------------------------------------

USB2_EXPORT int UsbGetVersion(uint8_t dev) {
  return OnDevice(dev, [](Model&) { return 0x0200; });
}

USB2_EXPORT int UsbEEpSetAddr(uint8_t dev, uint8_t) { return NotSupported(dev); }

USB2_EXPORT int UsbParSetWaveforms(uint8_t dev, const uint8_t*, uint32_t) { return Accepted(dev); }

USB2_EXPORT int UsbGetRdyState(uint8_t dev) { return Accepted(dev); }

USB2_EXPORT int UsbGetErrorStringByNr(uint8_t dev, int nr, char* text, uint32_t size) {
  if (dev != 0 || !text || size == 0) return 0;
  std::snprintf(text, size, "%s", ErrorText(nr));
  return 1;
}

USB2_EXPORT int UsbRetrieveAllErrors(uint8_t dev) {
  return OnDevice(dev, [](Model& m) { return m.LastError(); });
}

USB2_EXPORT int UsbDeviceInitialized(uint8_t dev) { return Accepted(dev); }

USB2_EXPORT int UsbI2CSetTimeout(uint8_t dev, uint32_t) { return Accepted(dev); }

USB2_EXPORT int UsbEEpSetTimeout(uint8_t dev, uint32_t) { return Accepted(dev); }

USB2_EXPORT int UsbSpiInit(uint8_t dev, uint8_t) { return NotSupported(dev); }

USB2_EXPORT int UsbSpiTransfer(uint8_t dev, const uint8_t*, uint8_t*, uint32_t) { return NotSupported(dev); }

USB2_EXPORT int UsbSpiTransferByte(uint8_t dev, uint8_t, uint8_t*) { return NotSupported(dev); }

USB2_EXPORT int UsbParSetTransferSize(uint8_t dev, uint32_t) { return Accepted(dev); }

USB2_EXPORT int UsbWaituSec(uint8_t dev, uint32_t) { return Accepted(dev); }

USB2_EXPORT int UsbGetIOState(uint8_t dev, uint8_t pin, uint8_t* out) {
  return OnDevice(dev, [&](Model& m) { return m.GetIOState(pin, out); });
}

USB2_EXPORT int UsbSetPortState(uint8_t dev, uint8_t port, uint8_t value) {
  return OnDevice(dev, [&](Model& m) {
    if (port > 2) {
      m.SetError(usb2sim::kErrBadArgument);
      return 0;
    }
    for (int i = 0; i < 8; ++i)
      m.SetIOState(static_cast<uint8_t>(port * 8 + i), static_cast<uint8_t>((value >> i) & 1));
    return 1;
  });
}

USB2_EXPORT int UsbGetStatus(uint8_t dev, uint8_t* out) {
  return OnDevice(dev, [&](Model& m) {
    if (!out) {
      m.SetError(usb2sim::kErrBadArgument);
      return 0;
    }
    *out = 0;
    return 1;
  });
}

USB2_EXPORT int UsbGetPortState(uint8_t dev, uint8_t port, uint8_t* out) {
  return OnDevice(dev, [&](Model& m) {
    if (port > 2 || !out) {
      m.SetError(usb2sim::kErrBadArgument);
      return 0;
    }
    uint8_t value = 0;
    for (int i = 0; i < 8; ++i) {
      uint8_t level = 0;
      m.GetIOState(static_cast<uint8_t>(port * 8 + i), &level);
      value = static_cast<uint8_t>(value | (level << i));
    }
    *out = value;
    return 1;
  });
}

USB2_EXPORT int UsbI2CSetSpeed(uint8_t dev, uint32_t) { return Accepted(dev); }

USB2_EXPORT int UsbI2CReadBytes(uint8_t dev, uint8_t addr, uint16_t count, uint8_t* data) {
  return OnDevice(dev, [&](Model& m) { return m.I2CRead(addr, data, count); });
}

USB2_EXPORT int UsbI2CWriteAndReadBytes(uint8_t dev, uint8_t addr, uint16_t writeCount,
                                        const uint8_t* writeData, uint16_t readCount, uint8_t* readData) {
  return OnDevice(dev, [&](Model& m) {
    return m.I2CWrite(addr, writeData, writeCount) && m.I2CRead(addr, readData, readCount) ? 1 : 0;
  });
}

USB2_EXPORT int UsbEEpWriteBytes(uint8_t dev, uint16_t, uint16_t, const uint8_t*) {
  return NotSupported(dev);
}

USB2_EXPORT int UsbEEpWriteByte(uint8_t dev, uint16_t, uint8_t) { return NotSupported(dev); }

USB2_EXPORT int UsbEEpReadBytes(uint8_t dev, uint16_t, uint16_t, uint8_t*) { return NotSupported(dev); }

USB2_EXPORT int UsbEEpReadByte(uint8_t dev, uint16_t, uint8_t*) { return NotSupported(dev); }

USB2_EXPORT int UsbParInitUsingArray(uint8_t dev, const uint8_t*, uint32_t) {
  return OnDevice(dev, [](Model& m) { return m.ParInit(8); });
}

USB2_EXPORT int UsbCheckSpeed(uint8_t dev) { return Accepted(dev); }

USB2_EXPORT int UsbOpen(uint8_t dev) {
  return OnDevice(dev, [](Model& m) { return m.Init(); });
}

USB2_EXPORT int UsbClose(uint8_t dev) { return Accepted(dev); }

USB2_EXPORT int UsbSetTimeout(uint8_t dev, uint32_t ms) {
  return OnDevice(dev, [&](Model& m) { return m.ParSetTimeout(ms); });
}
