// IOControl, peripherals: sound module, IF filters and trims, attenuator, VLF module, mainboard
// control word, current and temperature reads, health check, hand-probe LED bar and digits.
#include <algorithm>
#include <cmath>
#include <string>

#include "device/InOut.h"
#include "device/InOutPlatform.h"

namespace {

constexpr int FilterTrimRecordSize = 18;
constexpr uint8_t BatteryMinimum = 134;  // the health check wants more than this
constexpr double FanOnAbove = 80.0;
constexpr double FanOffBelow = 70.0;

}  // namespace

uint8_t CurrentSenseCode(int selector) {
  static const uint8_t Codes[16] = {0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x04, 0x06,
                                    0x07, 0x08, 0x10, 0x18, 0x20, 0x28, 0x30, 0x38};
  return (selector >= 1 && selector <= 15) ? Codes[selector] : 0x00;
}

double RawToTemperature(uint8_t raw) { return (raw * 0.01647058823529412 - 0.6) * 100.0; }

IOControl::IOControl(int deviceIndex) : PicBase(deviceIndex) {}

IOControl::~IOControl() = default;

// ---------------------------------------------------------------------------------------------
// Sound module

bool IOControl::InitAudioSpeaker() { return InitIOExpander(I2CAddr::SpeakerExpander, 0x80); }

bool IOControl::SetAudioSpeaker(bool s1, bool s2, bool s3, bool s4, bool s5, bool s6, bool s7) {
  const bool inverted[6] = {s1, s2, s3, s4, s5, s6};
  uint8_t value = 0;
  for (int k = 0; k < 6; ++k)
    if (!inverted[k]) value |= uint8_t(1 << k);
  if (s7) value |= 0x40;
  return WriteIOExpander(I2CAddr::SpeakerExpander, value);
}

bool IOControl::InitSoundProc() {
  VolumeShadow = 0;
  return WriteTEA6320(0, 0) && WriteTEA6320(7, 0) && WriteTEA6320(2, 63) && SetSoundProcLowpass(128) &&
         SetSoundProcHighpass(128);
}

bool IOControl::SetSoundProcVolume(uint8_t v) {
  VolumeShadow = uint8_t((VolumeShadow & 0xC0) | (v / 4));
  return WriteTEA6320(0, VolumeShadow) && WriteTEA6320(2, VolumeShadow);
}

bool IOControl::SetSoundProcLowpass(uint8_t v) { return WriteTEA6320(5, uint8_t(std::max(v / 8, 4))); }

bool IOControl::SetSoundProcHighpass(uint8_t v) { return WriteTEA6320(6, uint8_t(std::max(v / 8, 8))); }

// Counters are wider than a byte so that a ramp to 255 or down to 0 ends. The ramps let pending
// messages run only outside HardwareLock: under the lock the GUI thread's dispatch is held, since a
// click run there could stop a thread that waits for the lock (HardwareLockGuard).
bool IOControl::VolumeUp(uint8_t target) {
  for (int v = 0; v <= target; v += 2) {
    if (!SetSoundProcVolume(uint8_t(v))) return false;
    DeviceProcessMessages();
  }
  return SetSoundProcVolume(target);
}

bool IOControl::VolumeDown(uint8_t from) {
  for (int v = from; v >= 0; v -= 2) {
    if (!SetSoundProcVolume(uint8_t(v))) return false;
    DeviceProcessMessages();
  }
  return SetSoundProcVolume(0);
}

bool IOControl::InitSoundPCA9539() { return InitPCA9539(I2CAddr::SoundPCA9539); }

bool IOControl::WriteSoundPCA9539(uint16_t word) { return WritePCA9539(I2CAddr::SoundPCA9539, word); }

// ---------------------------------------------------------------------------------------------
// IF filters

bool IOControl::SetIFFilterPort(uint8_t value, int module) {
  if (module != 0 && module != 1) return false;
  if (value == 1) value = 9;
  return I2CWriteByte(module == 0 ? I2CAddr::IFFilterSweep : I2CAddr::IFFilterAudio, value);
}

bool IOControl::SetIFBandwidth(int type) {
  return SetIFFilterPort(uint8_t(type), 0) && SetIFFilterPort(uint8_t(type), 1) &&
         SetDemodulatorForFilter(type);
}

bool IOControl::SetDemodulator(uint8_t a, uint8_t b) {
  return WriteDualPot(I2CAddr::DemodulatorPot, false, a) && WriteDualPot(I2CAddr::DemodulatorPot, true, b);
}

bool IOControl::SetDemodulatorForFilter(int type) {
  static const uint8_t Pairs[5][2] = {{0, 10}, {0, 80}, {56, 180}, {205, 80}, {205, 180}};
  if (type < 0 || type > 4) return true;
  return SetDemodulator(Pairs[type][0], Pairs[type][1]);
}

bool IOControl::SelectFilterPath(int path, int module) {
  if (module != 0 && module != 1) return false;
  const int chip = module == 0 ? 2 : 5;
  for (int channel = 1; channel <= 3; ++channel)
    if (!WritePot(chip, channel, 0)) return false;
  if (path >= 0 && path <= 2) return WritePot(chip, path + 1, 255);
  return true;
}

bool IOControl::SetFilterTrim(int module, const uint8_t* record) {
  if (!record) return true;
  if (module != 0 && module != 1) return false;
  const int first = module == 0 ? 1 : 4;
  const int second = module == 0 ? 0 : 3;
  const int third = module == 0 ? 2 : 5;
  for (int channel = 0; channel < 4; ++channel)
    if (!WritePot(first, channel, record[channel])) return false;
  for (int channel = 0; channel < 4; ++channel)
    if (!WritePot(second, channel, record[4 + channel])) return false;
  return WritePot(third, 0, record[8]);
}

bool IOControl::WriteFilterRecord(uint8_t record, const uint8_t* data) {
  if (!data) return true;
  uint8_t frame[2 + FilterTrimRecordSize] = {13, record};
  for (int i = 0; i < FilterTrimRecordSize; ++i) frame[2 + i] = data[i];
  return SendBlock(frame, sizeof frame);
}

bool IOControl::ReadFilterRecord(uint8_t record, uint8_t* out) {
  return out && SendBytes2(14, record) && ReceiveBlock(out, FilterTrimRecordSize);
}

bool IOControl::SetIFFilter(int type) {
  if (type == 0 || type == 1) return SelectFilterPath(type, 0) && SelectFilterPath(type, 1);
  if (type < 2 || type > 4) return false;
  uint8_t sweepRecord[FilterRecordFileSize] = {};
  uint8_t audioRecord[FilterRecordFileSize] = {};
  return SelectFilterPath(2, 0) && SelectFilterPath(2, 1) &&
         ReadFilterRecord(uint8_t(type - 2), sweepRecord) &&
         ReadFilterRecord(uint8_t(type + 1), audioRecord) && SetFilterTrim(0, sweepRecord) &&
         SetFilterTrim(1, audioRecord);
}

bool IOControl::SetAttenuator(int value) {
  if (value > 31) value = 31;
  if (value < 0) value = 0;  // a negative value would invert to a byte that is no attenuator step
  return I2CWriteByte(I2CAddr::Frontend, uint8_t(~value));
}

bool IOControl::SetVLFModule(bool on) {
  const bool result = I2CWriteByte(I2CAddr::VLFModule, on ? 0x7F : 0xFF);
  DeviceSleep(100);
  return result;
}

// ---------------------------------------------------------------------------------------------
// Mainboard

bool IOControl::WriteMainboardControl() {
  const uint16_t high =
      uint16_t((IndicatorA & 1) | (IndicatorB & 1) << 1 | (FanBit & 1) << 2 | (ControlBit3 & 1) << 3);
  const uint16_t word = uint16_t(high << 8 | CurrentSenseCode(CurrentSelector));
  return InitPCA9539(I2CAddr::MainboardPCA9539) && WritePCA9539(I2CAddr::MainboardPCA9539, word);
}

bool IOControl::SetMainboardControl(int selector, uint8_t bit0, uint8_t bit1, uint8_t bit2, uint8_t bit3) {
  CurrentSelector = uint8_t(selector);
  IndicatorA = bit0 ? 1 : 0;
  IndicatorB = bit1 ? 1 : 0;
  FanBit = bit2 ? 1 : 0;
  ControlBit3 = bit3 ? 1 : 0;
  return WriteMainboardControl();
}

bool IOControl::SetIndicator(bool on) {
  IndicatorA = on ? 0 : 1;
  IndicatorB = on ? 1 : 0;
  return WriteMainboardControl();
}

bool IOControl::SetFan(bool on) {
  FanBit = on ? 1 : 0;
  return WriteMainboardControl();
}

// Multiplexer reading on AD channel 2 after the settling pause; channel 2 stays selected.
bool IOControl::ReadMux(int selector, uint8_t* raw) {
  CurrentSelector = uint8_t(selector);
  if (!WriteMainboardControl() || !SelectADChannel(2)) return false;
  DeviceSleep(100);
  return ReadADByte(raw);
}

bool IOControl::ReadCurrentSense(int selector, double* out) {
  uint8_t raw = 0;
  if (!out || !ReadMux(selector, &raw)) return false;
  *out = raw / 255.0;
  return true;
}

bool IOControl::ReadTemperature(int sensor, double* out) {
  uint8_t raw = 0;
  if (!out || !ReadMux(14 + sensor, &raw)) return false;
  *out = RawToTemperature(raw);
  return true;
}

bool IOControl::SetDevicePower(bool on) { return SetIODir(0, 1, 1) && SetIOState(0, 1, on ? 1 : 0); }

bool IOControl::CheckAkku() {
  const uint8_t previous = ADChannel;
  uint8_t raw = 0;
  if (!SelectADChannel(3) || !ReadADByte(&raw)) return false;
  BatteryLevel = raw;
  double power = 0.0, mainboard = 0.0;
  if (!ReadTemperature(1, &power)) return false;
  PowerModuleTemperature = power;
  if (!ReadTemperature(0, &mainboard)) return false;
  MainboardTemperature = mainboard;
  // The detector channel must be back before the next sweep reads it: a failed restore is reported.
  if (!SelectADChannel(previous)) return false;
  // A failed fan write is reported too: a hot power module left without its fan is not healthy.
  if (power > FanOnAbove) {
    if (!SetFan(true)) return false;
  } else if (power < FanOffBelow) {
    if (!SetFan(false)) return false;
  }
  return raw > BatteryMinimum;
}

// ---------------------------------------------------------------------------------------------
// Hand probe. The probe's chips are detected through the failed-address record.

bool IOControl::WriteProbeByte(uint8_t addr, uint8_t value, bool& ok) {
  const bool result = I2CWriteByte(addr, value);
  if (TakeI2CError() != 0) ok = false;
  return result;
}

bool IOControl::SetLedBar(int n, bool& ok) {
  const uint64_t bits = (n >= 1 && n <= 32) ? (uint64_t(1) << n) - 1 : 0;
  ok = true;
  TakeI2CError();
  bool result = false;
  for (int k = 0; k < 4; ++k) {
    result = WriteProbeByte(uint8_t(I2CAddr::LedBar0 + k), uint8_t(~(bits >> (8 * k))), ok);
    if (!result || !ok) return result;
  }
  return result;
}

bool IOControl::WriteDigitData(bool& ok) {
  ok = true;
  TakeI2CError();
  return WriteProbeByte(I2CAddr::DigitData, DigitDataValue, ok);
}

bool IOControl::WriteDigitControl(bool& ok) {
  ok = true;
  TakeI2CError();
  return WriteProbeByte(I2CAddr::DigitControl, DigitControlValue, ok);
}

bool IOControl::ClearDigits(bool& ok) {
  DigitControlValue &= uint8_t(~0x08);
  const bool result = WriteDigitControl(ok);
  if (!result || !ok) return result;
  DigitControlValue |= 0x08;
  return WriteDigitControl(ok);
}

bool IOControl::StrobeDigit(bool& ok) {
  DigitControlValue &= uint8_t(~0x04);
  const bool result = WriteDigitControl(ok);
  if (!result || !ok) return result;
  DigitControlValue |= 0x04;
  return WriteDigitControl(ok);
}

bool IOControl::WriteDigit(int position, char character, bool& ok) {
  static const uint8_t Address[4] = {3, 1, 2, 0};
  if (position < 0 || position > 3) return true;
  DigitDataValue = uint8_t(character);
  const bool result = WriteDigitData(ok);
  if (!result || !ok) return result;
  DigitControlValue = uint8_t((DigitControlValue & ~0x03) | Address[position]);
  return StrobeDigit(ok);
}

// Four characters of the value with two decimals; shorter texts are filled with blanks.
bool IOControl::ShowValue(bool& ok, double value) {
  std::string text;
  if (value >= 10.0)
    text = "+err";
  else if (value < 0.0)
    text = "-err";
  else
    text = DeviceFormatFloat("0.00", value);
  text.resize(4, ' ');
  ok = true;
  for (int i = 0; i < 4; ++i) {
    const bool result = WriteDigit(i, text[size_t(i)], ok);
    if (!result || !ok) return result;
  }
  return true;
}
