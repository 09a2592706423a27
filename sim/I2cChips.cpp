// The chips on the module's I2C bus: PCF8574-style ports (a latch per address), the sound
// processor (0x40), the speaker expander (0x70), two PCA9539 (0x74, 0x77), two dual pots
// (0x2C, 0x2D) and the hand probe's LED bar and display (0x38-0x3D).
#include "sim/Model.h"

namespace usb2sim {

namespace {

bool Known(uint8_t addr) {
  switch (addr) {
    case 0x20:
    case 0x21:
    case 0x22:
    case 0x23:
    case 0x24:
    case 0x26:
    case 0x2C:
    case 0x2D:
    case 0x40:
    case 0x70:
    case 0x74:
    case 0x77:
      return true;
    default:
      return addr >= 0x38 && addr <= 0x3D;
  }
}

bool ProbeChip(uint8_t addr) { return addr >= 0x38 && addr <= 0x3D; }

constexpr double kI2cTransferSeconds = 0.0002;

}  // namespace

bool Model::ChipPresent(uint8_t addr) const {
  if (addr > 0x7F || !Known(addr) || absent_[addr]) return false;
  return !ProbeChip(addr) || probePresent_;
}

int Model::I2CWrite(uint8_t addr, const uint8_t* data, uint32_t count) {
  if (addr > 0x7F || !data || count == 0) {
    lastError_ = kErrBadArgument;
    return 0;
  }
  delay_ += kI2cTransferSeconds;
  if (!ChipPresent(addr)) {
    lastError_ = kErrI2cNack;
    return 0;
  }
  switch (addr) {
    case 0x2C:
    case 0x2D:
    case 0x40:
    case 0x70:
    case 0x74:
    case 0x77:
      WriteRegisters(addr, data, count);
      break;
    default:
      for (uint32_t i = 0; i < count; ++i) WritePort(addr, data[i]);
  }
  return 1;
}

int Model::I2CRead(uint8_t addr, uint8_t* out, uint32_t count) {
  if (addr > 0x7F || !out || count == 0) {
    lastError_ = kErrBadArgument;
    return 0;
  }
  delay_ += kI2cTransferSeconds;
  if (!ChipPresent(addr)) {
    lastError_ = kErrI2cNack;
    return 0;
  }
  for (uint32_t i = 0; i < count; ++i) out[i] = ReadChip(addr);
  return 1;
}

void Model::WritePort(uint8_t addr, uint8_t value) {
  const uint8_t old = latch_[addr];
  latch_[addr] = value;
  if (addr == 0x3D) UpdateProbeDisplay(old, value);
  if (addr == 0x22 || addr == 0x23) FilterPortWritten(addr - 0x22);
}

// The first byte selects a register (or a pot channel), the rest are written from there on.
void Model::WriteRegisters(uint8_t addr, const uint8_t* data, uint32_t count) {
  if (addr == 0x2C || addr == 0x2D) {
    auto& pot = addr == 0x2C ? pot2C_ : pot2D_;
    const size_t channel = (data[0] & 0x80) ? 1 : 0;
    for (uint32_t i = 1; i < count; ++i) pot[channel] = data[i];
    return;
  }
  if (addr == 0x70) {  // registers 0 input, 1 output, 2 polarity, 3 configuration
    expander70_.pointer = data[0] & 0x03;
    uint8_t reg = expander70_.pointer;
    for (uint32_t i = 1; i < count; ++i, reg = (reg + 1) & 0x03)
      if (reg != 0) expander70_.reg[reg] = data[i];
    return;
  }
  RegisterChip& chip = addr == 0x40 ? tea6320_ : (addr == 0x74 ? pca74_ : pca77_);
  chip.pointer = data[0] & 0x07;
  uint8_t reg = chip.pointer;
  for (uint32_t i = 1; i < count; ++i) {
    chip.reg[reg] = data[i];
    // the sound processor counts up; a PCA9539 toggles within a register pair
    reg = addr == 0x40 ? static_cast<uint8_t>((reg + 1) & 0x07) : static_cast<uint8_t>(reg ^ 1);
  }
}

uint8_t Model::ReadChip(uint8_t addr) {
  switch (addr) {
    case 0x20:  // key on bit 6, low while pressed
      return keyPressed_ ? static_cast<uint8_t>(latch_[0x20] & 0xBF) : latch_[0x20];
    case 0x70:
      if (expander70_.pointer == 0)  // bit 7 is an input: low while headphones are plugged
        return static_cast<uint8_t>((expander70_.reg[1] & 0x7F) | (headphones_ ? 0 : 0x80));
      return expander70_.reg[expander70_.pointer];
    case 0x74:
    case 0x77: {
      const RegisterChip& chip = addr == 0x74 ? pca74_ : pca77_;
      return chip.pointer < 2 ? chip.reg[chip.pointer + 2u] : chip.reg[chip.pointer];
    }
    case 0x40:
      return 0;
    case 0x2C:
      return pot2C_[0];
    case 0x2D:
      return pot2D_[0];
    default:
      return latch_[addr];
  }
}

// Display control: bits 0-1 address, bit 2 write strobe and bit 3 clear strobe, both active
// low. A clear pulse acts when it starts; a write latches the data byte when its pulse ends.
// Addresses 3, 1, 2, 0 are positions 0, 1, 2, 3.
void Model::UpdateProbeDisplay(uint8_t oldControl, uint8_t newControl) {
  if ((oldControl & 0x08) && !(newControl & 0x08)) digits_ = "    ";
  if (!(oldControl & 0x04) && (newControl & 0x04)) {
    static constexpr size_t positionOfAddress[4] = {3, 1, 2, 0};
    digits_[positionOfAddress[newControl & 0x03]] = static_cast<char>(latch_[0x3C]);
  }
}

int Model::ChipRegister(uint8_t address, uint8_t reg) const {
  if (address > 0x7F || !Known(address)) return -1;
  switch (address) {
    case 0x40:
      return tea6320_.reg[reg & 0x07];
    case 0x70:
      return expander70_.reg[reg & 0x03];
    case 0x74:
      return pca74_.reg[reg & 0x07];
    case 0x77:
      return pca77_.reg[reg & 0x07];
    case 0x2C:
      return pot2C_[reg & 1];
    case 0x2D:
      return pot2D_[reg & 1];
    default:
      return latch_[address];
  }
}

}  // namespace usb2sim
