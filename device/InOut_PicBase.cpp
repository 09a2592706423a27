// PicBase: the byte-command protocol of the USB-PIC and the Sound-PIC, tuning words, clock offsets,
// EEPROM cells, sound pages and the filter record files.
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "device/InOut.h"
#include "device/InOutPlatform.h"
#include "engine/SoundBuffer.h"
#include "base/Guard.h"

namespace {

constexpr double TwoPow28 = 268435456.0;
constexpr double TwoPow32 = 4294967296.0;
constexpr uint8_t SoundPicPrefix = 128;
constexpr int PageSize = 256;
constexpr int ClockOffsetCell = 30;  // cells 30..45: four floats, little-endian

}  // namespace

uint32_t TuningWord(double f, double unit) {
  const double w = f / unit;
  if (!(w > 0.0)) return 0;  // negative, zero and not-a-number
  if (w >= 4294967295.0) return 0xFFFFFFFFu;
  return static_cast<uint32_t>(w);
}

// ---------------------------------------------------------------------------------------------
// Filter record files

void SaveFilterRecord(const uint8_t* record, const std::string& fileName) {
  if (!record) throw DeviceError("SaveFilterRecord: no record");
  std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
  if (!file) throw DeviceError("SaveFilterRecord: cannot create " + fileName);
  file.write(reinterpret_cast<const char*>(record), FilterRecordFileSize);
  file.close();
  if (!file) throw DeviceError("SaveFilterRecord: cannot write " + fileName);
}

void LoadFilterRecord(uint8_t* record, const std::string& fileName) {
  if (!record) throw DeviceError("LoadFilterRecord: no record");
  std::ifstream file(fileName, std::ios::binary);
  if (!file) throw DeviceError("LoadFilterRecord: cannot open " + fileName);
  // The record is the file's first 40 bytes; anything after them is not read. A shorter file is
  // refused as a whole rather than leaving part of the record from before.
  std::vector<char> bytes(static_cast<size_t>(FilterRecordFileSize), 0);
  file.read(bytes.data(), FilterRecordFileSize);
  const std::streamsize got = file.gcount();
  if (got != FilterRecordFileSize)
    throw DeviceError("LoadFilterRecord: " + fileName + " holds " + std::to_string(got) +
                      " bytes, a filter record file holds " + std::to_string(FilterRecordFileSize));
  std::memcpy(record, bytes.data(), FilterRecordFileSize);
}

// ---------------------------------------------------------------------------------------------
PicBase::PicBase(int deviceIndex) : USB2Base(deviceIndex) { CounterFrequency = DeviceCounterFrequency(); }

// Transport

bool PicBase::SendByte(uint8_t b) { return ParOut(&b, 1); }

bool PicBase::SendBytes2(uint8_t b0, uint8_t b1) {
  const uint8_t d[] = {b0, b1};
  return ParOut(d, 2);
}

bool PicBase::SendBytes3(uint8_t b0, uint8_t b1, uint8_t b2) {
  const uint8_t d[] = {b0, b1, b2};
  return ParOut(d, 3);
}

bool PicBase::SendBytes4(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
  const uint8_t d[] = {b0, b1, b2, b3};
  return ParOut(d, 4);
}

bool PicBase::SendBlock(const uint8_t* data, int count) {
  return data && count > 0 && ParOut(data, uint32_t(count));
}

bool PicBase::ReceiveBlock(uint8_t* data, int count) {
  return data && count > 0 && ParIn(data, uint32_t(count));
}

bool PicBase::ReceiveByte(uint8_t* out) { return out && ParIn(out, 1); }

bool PicBase::ReceiveBytes2(uint8_t* out0, uint8_t* out1) {
  if (!out0 || !out1) return false;
  uint8_t d[2];
  if (!ParIn(d, 2)) return false;
  *out0 = d[0];
  *out1 = d[1];
  return true;
}

// AD converter

bool PicBase::ReadADByte(uint8_t* out) { return out && SendByte(1) && ReceiveByte(out); }

bool PicBase::SelectADChannel(uint8_t channel) {
  if (channel > 6) return false;
  if (!SendBytes2(2, channel)) return false;
  ADChannel = channel;
  return true;
}

bool PicBase::ReadADAverage(uint8_t n, uint8_t* out) {
  return n != 0 && out && SendBytes2(3, n) && ReceiveByte(out);
}

bool PicBase::ReadADBlock(uint8_t n, uint8_t* data) {
  return n != 0 && data && SendBytes2(4, n) && ReceiveBlock(data, n);
}

bool PicBase::GetPicVersion(int* out) {
  uint8_t hi = 0, lo = 0;
  if (!out || !SendByte(5) || !ReceiveBytes2(&hi, &lo)) return false;
  *out = hi * 256 + lo;
  return true;
}

// 28-bit DDS

double PicBase::DdsUnit(double clock) const { return (clock + DdsClockOffset) / TwoPow28; }

bool PicBase::WriteDDSWord(uint8_t hi, uint8_t lo, uint8_t dds) { return SendBytes4(11, hi, lo, dds); }

bool PicBase::SetDDSFrequency(uint8_t dds, double clock, double f) {
  const uint32_t word = TuningWord(f, DdsUnit(clock));
  const uint16_t low = uint16_t(0x4000 | (word & 0x3FFF));
  const uint16_t high = uint16_t(0x4000 | ((word >> 14) & 0x3FFF));
  return WriteDDSWord(0x20, 0x00, dds) && WriteDDSWord(uint8_t(low >> 8), uint8_t(low), dds) &&
         WriteDDSWord(uint8_t(high >> 8), uint8_t(high), dds);
}

bool PicBase::DDSOff(uint8_t dds) { return WriteDDSWord(0x00, 0xC0, dds); }

bool PicBase::AllDDSOff() {
  for (uint8_t dds = 0; dds <= 5; ++dds)
    if (!DDSOff(dds)) return false;
  return true;
}

// Header: cmd, start word (4), step word (3), count (1 or 2), param, dds; then the samples.
// A step word wider than 24 bits cannot be sent and is refused rather than cut.
bool PicBase::Sweep28(uint8_t cmd, int count, int maxCount, int bytesPerPoint, uint8_t param, double start,
                      double step, double clock, uint8_t dds, double* outStop, uint8_t* data) {
  if (!data || count < 1 || count > maxCount) return false;
  const double unit = DdsUnit(clock);
  const uint32_t startWord = TuningWord(start, unit);
  const uint32_t stepWord = TuningWord(step, unit);
  if (stepWord > 0xFFFFFF) return false;
  if (outStop) *outStop = (double(startWord) + double(count) * double(stepWord)) * unit;
  uint8_t h[12];
  int n = 0;
  h[n++] = cmd;
  for (int shift = 24; shift >= 0; shift -= 8) h[n++] = uint8_t(startWord >> shift);
  for (int shift = 16; shift >= 0; shift -= 8) h[n++] = uint8_t(stepWord >> shift);
  if (maxCount > 255) h[n++] = uint8_t(count >> 8);
  h[n++] = uint8_t(count);
  h[n++] = param;
  h[n++] = dds;
  return SendBlock(h, n) && ReceiveBlock(data, count * bytesPerPoint);
}

bool PicBase::SweepShort(int count, uint8_t param, double start, double step, double clock, uint8_t dds,
                         double* outStop, uint8_t* data) {
  if (!data) return true;
  return Sweep28(12, count, 255, 1, param, start, step, clock, dds, outStop, data);
}

bool PicBase::Sweep(int count, uint8_t param, double start, double step, double clock, uint8_t dds,
                    double* outStop, uint8_t* data) {
  return Sweep28(20, count, 65535, 1, param, start, step, clock, dds, outStop, data);
}

bool PicBase::SweepWord(int count, uint8_t param, double start, double step, double clock, uint8_t dds,
                        double* outStop, uint8_t* data) {
  if (param < 4) return false;
  return Sweep28(30, count, 65535, 2, param, start, step, clock, dds, outStop, data);
}

// 400 MHz DDS

double PicBase::Dds400Unit() const { return (400000000.0 + Dds400ClockOffset) / TwoPow32; }

bool PicBase::WriteDDS400Reg24(uint8_t reg, uint8_t b0, uint8_t b1, uint8_t b2) {
  const uint8_t d[] = {17, reg, b0, b1, b2};
  return SendBlock(d, 5);
}

bool PicBase::WriteDDS400Reg32(uint8_t reg, uint32_t word) {
  const uint8_t d[] = {18, reg, uint8_t(word >> 24), uint8_t(word >> 16), uint8_t(word >> 8), uint8_t(word)};
  return SendBlock(d, 6);
}

bool PicBase::ResetDDS400() { return SendByte(19); }

bool PicBase::SetDDS400Frequency(double f) { return WriteDDS400Reg32(4, TuningWord(f, Dds400Unit())); }

bool PicBase::SetDDS400FrequencyClock(double clock, double f) {
  return WriteDDS400Reg32(4, TuningWord(f, (clock + Dds400ClockOffset) / TwoPow32));
}

bool PicBase::SetDDS400FrequencyFast(double f) {
  const uint32_t w = TuningWord(f, Dds400Unit());
  const uint8_t d[] = {24, uint8_t(w >> 24), uint8_t(w >> 16), uint8_t(w >> 8), uint8_t(w)};
  return SendBlock(d, 5);
}

bool PicBase::InitDDS400Control() { return WriteDDS400Reg24(1, 0, 0, 4); }

bool PicBase::InitDDS400() { return ResetDDS400() && InitDDS400Control(); }

// Header: cmd, start word (4), step word (4), count (2), param; then the samples.
bool PicBase::Sweep400Cmd(uint8_t cmd, int count, int bytesPerPoint, uint8_t param, double start, double step,
                          uint8_t* data) {
  if (!data || count < 1 || count > 65535) return false;
  const double unit = Dds400Unit();
  const uint32_t startWord = TuningWord(start, unit);
  const uint32_t stepWord = TuningWord(step, unit);
  const uint8_t h[] = {cmd,
                       uint8_t(startWord >> 24),
                       uint8_t(startWord >> 16),
                       uint8_t(startWord >> 8),
                       uint8_t(startWord),
                       uint8_t(stepWord >> 24),
                       uint8_t(stepWord >> 16),
                       uint8_t(stepWord >> 8),
                       uint8_t(stepWord),
                       uint8_t(count >> 8),
                       uint8_t(count),
                       param};
  return SendBlock(h, 12) && ReceiveBlock(data, count * bytesPerPoint);
}

bool PicBase::Sweep400(int count, uint8_t param, double start, double step, uint8_t* data) {
  return Sweep400Cmd(23, count, 1, param, start, step, data);
}

bool PicBase::Sweep400Word(int count, uint8_t param, double start, double step, uint8_t* data) {
  if (param < 4) return false;
  return Sweep400Cmd(29, count, 2, param, start, step, data);
}

// EEPROM

bool PicBase::ReadEEPromByte(uint8_t cell, uint8_t* out) {
  return out && SendBytes2(32, cell) && ReceiveByte(out);
}

bool PicBase::WriteEEPromByte(uint8_t cell, uint8_t value) { return SendBytes3(33, cell, value); }

bool PicBase::StoreClockOffsets() {
  const float values[4] = {float(DdsClockOffset), float(Dds400ClockOffset), float(VcoLowRefOffset),
                           float(VcoHighRefOffset)};
  for (int i = 0; i < 4; ++i) {
    uint32_t bits;
    std::memcpy(&bits, &values[i], 4);
    for (int b = 0; b < 4; ++b)
      if (!WriteEEPromByte(uint8_t(ClockOffsetCell + i * 4 + b), uint8_t(bits >> (8 * b)))) return false;
  }
  return true;
}

// An erased cell group (not a finite number) stands for an uncalibrated clock: offset 0.
bool PicBase::LoadClockOffsets() {
  uint8_t cells[16];
  for (int i = 0; i < 16; ++i)
    if (!ReadEEPromByte(uint8_t(ClockOffsetCell + i), &cells[i])) return false;
  double values[4];
  for (int i = 0; i < 4; ++i) {
    const uint32_t bits = uint32_t(cells[i * 4]) | uint32_t(cells[i * 4 + 1]) << 8 |
                          uint32_t(cells[i * 4 + 2]) << 16 | uint32_t(cells[i * 4 + 3]) << 24;
    float f;
    std::memcpy(&f, &bits, 4);
    values[i] = std::isfinite(f) ? double(f) : 0.0;
  }
  DdsClockOffset = values[0];
  Dds400ClockOffset = values[1];
  VcoLowRefOffset = values[2];
  VcoHighRefOffset = values[3];
  return true;
}

// Sound-PIC: the prefix byte in its own burst, then the command.

bool PicBase::GetSoundPicVersion(int* out) {
  uint8_t hi = 0, lo = 0;
  if (!out || !SendByte(SoundPicPrefix) || !SendByte(130) || !ReceiveByte(&hi) || !ReceiveByte(&lo))
    return false;
  *out = hi * 256 + lo;
  return true;
}

bool PicBase::SoundCommand(uint8_t cmd, uint8_t start, uint8_t pages, uint8_t param) {
  return SendByte(SoundPicPrefix) && SendBytes4(cmd, start, pages, param);
}

bool PicBase::WriteSoundCmd(uint8_t cmd, const uint8_t* data, uint8_t start, uint8_t pages, uint8_t param) {
  if (!data || pages == 0) return false;
  return SoundCommand(cmd, start, pages, param) && SendBlock(data, pages * PageSize);
}

bool PicBase::ReadSoundCmd(uint8_t cmd, uint8_t* data, uint8_t start, uint8_t pages, uint8_t param) {
  if (!data || pages == 0) return false;
  return SoundCommand(cmd, start, pages, param) && ReceiveBlock(data, pages * PageSize);
}

bool PicBase::WriteSoundPages(const uint8_t* data, uint8_t start, uint8_t pages, uint8_t param) {
  return WriteSoundCmd(131, data, start, pages, param);
}

bool PicBase::ReadSoundPages(uint8_t* data, uint8_t start, uint8_t pages, uint8_t param) {
  return ReadSoundCmd(132, data, start, pages, param);
}

bool PicBase::ReadSoundAD0Pages(uint8_t* data, uint8_t start, uint8_t pages, uint8_t param) {
  return ReadSoundCmd(136, data, start, pages, param);
}

bool PicBase::ReadSoundAD1Pages(uint8_t* data, uint8_t start, uint8_t pages, uint8_t param) {
  return ReadSoundCmd(137, data, start, pages, param);
}

bool PicBase::ReadSoundWord(int* out) {
  uint8_t hi = 0, lo = 0;
  if (!out || !SendByte(SoundPicPrefix) || !SendByte(138) || !ReceiveBytes2(&hi, &lo)) return false;
  *out = hi * 256 + lo;
  return true;
}

bool PicBase::WriteSoundPagesAD0(const uint8_t* data, uint8_t start, uint8_t pages, uint8_t param) {
  return WriteSoundCmd(139, data, start, pages, param);
}

bool PicBase::WriteSoundPagesAD1(const uint8_t* data, uint8_t start, uint8_t pages, uint8_t param) {
  return WriteSoundCmd(140, data, start, pages, param);
}

bool PicBase::PlaySound(uint8_t start, uint8_t pages, uint8_t param) {
  uint8_t ack = 0;
  return SoundCommand(142, start, pages, param) && ReceiveByte(&ack);
}

bool PicBase::RecordSound(uint8_t start, uint8_t pages, uint8_t p1, uint8_t p2) {
  const uint8_t d[] = {143, start, pages, p1, p2};
  uint8_t ack = 0;
  return SendByte(SoundPicPrefix) && SendBlock(d, 5) && ReceiveByte(&ack);
}

// Whole pages of 128 samples. A buffer of more than 255 pages cannot be addressed and is refused
// instead of being cut to the page count modulo 256.
bool PicBase::SamplePages(int count, uint8_t* pages) const {
  const int n = count > 0 ? count * 2 / PageSize : 0;
  if (n > 255) return false;
  *pages = uint8_t(n);
  return true;
}

bool PicBase::StoreSamples(const uint16_t* samples, int count, uint8_t start, uint8_t param) {
  if (!samples) return true;
  uint8_t pages = 0;
  if (!SamplePages(count, &pages)) return false;
  if (pages == 0) return true;  // shorter than one page: nothing to move
  return WriteSoundPages(reinterpret_cast<const uint8_t*>(samples), start, pages, param);
}

bool PicBase::ReadSamplesAD0(uint16_t* samples, int count, uint8_t start, uint8_t param) {
  if (!samples) return true;
  uint8_t pages = 0;
  if (!SamplePages(count, &pages)) return false;
  if (pages == 0) return true;
  return ReadSoundAD0Pages(reinterpret_cast<uint8_t*>(samples), start, pages, param);
}

bool PicBase::ReadSamplesAD1(uint16_t* samples, int count, uint8_t start, uint8_t param) {
  if (!samples) return true;
  uint8_t pages = 0;
  if (!SamplePages(count, &pages)) return false;
  if (pages == 0) return true;
  return ReadSoundAD1Pages(reinterpret_cast<uint8_t*>(samples), start, pages, param);
}

bool PicBase::StoreSound(SoundBufferBase* buffer, uint8_t start, uint8_t param) {
  return Guarded("PicBase::StoreSound",
                 [&] { return !buffer || StoreSamples(buffer->Samples, buffer->Count, start, param); });
}

bool PicBase::ReadSoundAD0(SoundBufferBase* buffer, uint8_t start, uint8_t param) {
  return Guarded("PicBase::ReadSoundAD0",
                 [&] { return !buffer || ReadSamplesAD0(buffer->Samples, buffer->Count, start, param); });
}

bool PicBase::ReadSoundAD1(SoundBufferBase* buffer, uint8_t start, uint8_t param) {
  return Guarded("PicBase::ReadSoundAD1",
                 [&] { return !buffer || ReadSamplesAD1(buffer->Samples, buffer->Count, start, param); });
}

bool PicBase::TestSoundMemory(uint8_t param, int bank, int* errors) {
  if (errors) *errors = 0;
  if (bank < 0 || bank > 2) return true;
  constexpr int Pages = 128;
  std::vector<uint8_t> written(Pages * PageSize), read(Pages * PageSize, 0);
  uint32_t seed = 0x2545F491u;
  for (auto& b : written) {
    seed = seed * 1103515245u + 12345u;
    b = uint8_t(seed >> 16);
  }
  static const uint8_t WriteCmd[] = {131, 139, 140};
  static const uint8_t ReadCmd[] = {132, 136, 137};
  if (!WriteSoundCmd(WriteCmd[bank], written.data(), 0, Pages, param)) return false;
  if (!ReadSoundCmd(ReadCmd[bank], read.data(), 0, Pages, param)) return false;
  int differ = 0;
  for (size_t i = 0; i < written.size(); ++i)
    if (written[i] != read[i]) ++differ;
  if (errors) *errors = differ;
  return true;
}

// Timer

void PicBase::StartTimer() { TimerStart = DeviceCounter(); }

double PicBase::GetElapsedSeconds() {
  TimerNow = DeviceCounter();
  return double(TimerNow - TimerStart) / double(CounterFrequency);
}

// I2C register chips

bool PicBase::InitIOExpander(uint8_t addr, uint8_t mask) {
  const uint8_t d[] = {3, mask};
  return I2CWriteBytes(addr, d, 2);
}

bool PicBase::WriteIOExpander(uint8_t addr, uint8_t value) {
  const uint8_t d[] = {1, value};
  return I2CWriteBytes(addr, d, 2);
}

bool PicBase::ReadIOExpander(uint8_t addr, uint8_t* out) {
  if (!out) return false;
  I2CWriteByte(addr, 0);  // register pointer to the input register
  return I2CReadByte(addr, out);
}

bool PicBase::InitPCA9539(uint8_t addr) {
  const uint8_t d[] = {6, 0, 0};
  return I2CWriteBytes(addr, d, 3);
}

bool PicBase::WritePCA9539(uint8_t addr, uint16_t word) {
  const uint8_t d[] = {2, uint8_t(word & 0xFF), uint8_t(word >> 8)};
  return I2CWriteBytes(addr, d, 3);
}

bool PicBase::WriteTEA6320(uint8_t reg, uint8_t value) {
  const uint8_t d[] = {reg, value};
  return I2CWriteBytes(I2CAddr::SoundProcessor, d, 2);
}

bool PicBase::WriteDualPot(uint8_t addr, bool second, uint8_t value) {
  const uint8_t d[] = {uint8_t(second ? 0x80 : 0x00), value};
  return I2CWriteBytes(addr, d, 2);
}
