// Drives the simulated instrument through the module's C entry points, the way the program's
// device layer calls them: commands as byte bursts, answers read with their implied length.
#pragma once

#include "sim/Instrument.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

extern "C" {
int UsbInit(uint8_t dev);
int UsbDevicePresent(uint8_t dev);
int UsbSetIODir(uint8_t dev, uint8_t pin, uint8_t dir);
int UsbSetIOState(uint8_t dev, uint8_t pin, uint8_t level);
int UsbSetPortDir(uint8_t dev, uint8_t port, uint8_t mask);
int UsbI2CWriteByte(uint8_t dev, uint8_t addr, uint8_t value);
int UsbI2CReadByte(uint8_t dev, uint8_t addr, uint8_t* out);
int UsbI2CWriteBytes(uint8_t dev, uint8_t addr, uint16_t count, const uint8_t* data);
int UsbParInit(uint8_t dev, uint8_t mode);
int UsbParOut(uint8_t dev, const uint8_t* data, uint32_t count);
int UsbParIn(uint8_t dev, uint8_t* data, uint32_t count);
int UsbParSetTimeout(uint8_t dev, uint32_t ms);
int UsbGetError();
}

namespace simtest {

using Bytes = std::vector<uint8_t>;

// A fresh instrument from the built-in defaults plus the scenario text.
inline void Fresh(const std::string& scenario = "") {
  std::vector<std::string> messages;
  ASSERT_TRUE(usb2sim::LoadScenarioText(scenario, &messages)) << (messages.empty() ? "" : messages[0]);
}

inline bool Out(const Bytes& b) { return UsbParOut(0, b.data(), static_cast<uint32_t>(b.size())) != 0; }

inline Bytes In(size_t n) {
  Bytes b(n);
  if (UsbParIn(0, b.data(), static_cast<uint32_t>(n)) == 0) return {};
  return b;
}

inline bool I2C(uint8_t addr, const Bytes& b) {
  return UsbI2CWriteBytes(0, addr, static_cast<uint16_t>(b.size()), b.data()) != 0;
}

inline int ReadI2C(uint8_t addr) {
  uint8_t v = 0;
  return UsbI2CReadByte(0, addr, &v) ? v : -1;
}

// 28-bit DDS: word = trunc(f / ((clock) / 2^28)); control 0x2000, low 14 bits, high 14 bits.
inline uint32_t Word28(double clock, double f) { return static_cast<uint32_t>(f / (clock / 268435456.0)); }
inline uint32_t Word32(double clock, double f) { return static_cast<uint32_t>(f / (clock / 4294967296.0)); }

inline void SetDds(uint8_t dds, double f, double clock = 80e6) {
  const uint32_t w = Word28(clock, f);
  const uint16_t lo = static_cast<uint16_t>(0x4000 | (w & 0x3FFF));
  const uint16_t hi = static_cast<uint16_t>(0x4000 | ((w >> 14) & 0x3FFF));
  ASSERT_TRUE(Out({11, 0x20, 0x00, dds}));
  ASSERT_TRUE(Out({11, static_cast<uint8_t>(lo >> 8), static_cast<uint8_t>(lo & 0xFF), dds}));
  ASSERT_TRUE(Out({11, static_cast<uint8_t>(hi >> 8), static_cast<uint8_t>(hi & 0xFF), dds}));
}

inline Bytes Be32(uint32_t w) {
  return {static_cast<uint8_t>(w >> 24), static_cast<uint8_t>(w >> 16), static_cast<uint8_t>(w >> 8),
          static_cast<uint8_t>(w)};
}

inline void SetDds400(double f) {
  Bytes c{18, 4};
  for (uint8_t b : Be32(Word32(400e6, f))) c.push_back(b);
  ASSERT_TRUE(Out(c));
}

// The receiver set up for measuring: low main VCO, tuners at 27.3 MHz, given filter, AD 0.
inline void MeasureMode(int filterType = 1, uint8_t mainboard = 0x0A) {
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x20, 0xFF));  // attenuator 0
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x21, mainboard));
  SetDds(1, 20e6 + (4.962e9 - 5e9) / 250);  // main VCO low
  const uint8_t port = static_cast<uint8_t>(filterType == 1 ? 9 : filterType);
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x22, port));
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x23, port));
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x26, 0xFF));  // VLF off
  ASSERT_TRUE(Out({2, 0}));
  SetDds(4, 27.3e6);
  SetDds(5, 27.3e6);
}

// Receive frequency f as the frequency plan tunes it (band port and DDS-400).
inline void Tune(double f) {
  const bool band1 = f > 5e9;
  ASSERT_TRUE(UsbI2CWriteByte(0, 0x21, band1 ? 0x69 : 0x0A));
  SetDds400((f + 5e9) / (band1 ? 512.0 : 256.0));
}

// A byte sweep of the 400 MHz DDS in one band: count points from start, step apart.
inline Bytes Sweep400(double start, double step, uint16_t count, uint8_t param = 0, bool words = false) {
  const bool band1 = start >= 5e9;
  const uint8_t port = usb2sim::GetState().mainboardPort;  // keep the input selection
  EXPECT_TRUE(UsbI2CWriteByte(0, 0x21, static_cast<uint8_t>((port & 0x9C) | (band1 ? 0x61 : 0x02))));
  const double div = band1 ? 512.0 : 256.0;
  Bytes c{static_cast<uint8_t>(words ? 29 : 23)};
  for (uint8_t b : Be32(Word32(400e6, (start + 5e9) / div))) c.push_back(b);
  for (uint8_t b : Be32(Word32(400e6, step / div))) c.push_back(b);
  c.push_back(static_cast<uint8_t>(count >> 8));
  c.push_back(static_cast<uint8_t>(count));
  c.push_back(param);
  EXPECT_TRUE(Out(c));
  return In(static_cast<size_t>(count) * (words ? 2 : 1));
}

// A sweep of a 28-bit DDS (command 20, or 30 for words, 12 for short).
inline Bytes Sweep28(uint8_t dds, double start, double step, uint16_t count, uint8_t param = 0,
                     uint8_t cmd = 20) {
  const uint32_t s = Word28(80e6, start);
  const uint32_t st = Word28(80e6, step);
  Bytes c{cmd};
  for (uint8_t b : Be32(s)) c.push_back(b);
  c.push_back(static_cast<uint8_t>(st >> 16));
  c.push_back(static_cast<uint8_t>(st >> 8));
  c.push_back(static_cast<uint8_t>(st));
  if (cmd != 12) c.push_back(static_cast<uint8_t>(count >> 8));
  c.push_back(static_cast<uint8_t>(count));
  c.push_back(param);
  c.push_back(dds);
  EXPECT_TRUE(Out(c));
  return In(static_cast<size_t>(count) * (cmd == 30 ? 2 : 1));
}

inline size_t ArgMax(const Bytes& b) {
  size_t best = 0;
  for (size_t i = 1; i < b.size(); ++i)
    if (b[i] > b[best]) best = i;
  return best;
}

}  // namespace simtest
