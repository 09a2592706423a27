// Device access: binding of the USB interface module, the microcontroller command protocol,
// the I2C peripherals, the frequency plan and sweeps of the instrument.
//
//   USB2Base   one thin boolean operation per module function, I2C failure bookkeeping, pin pulse,
//              serial potentiometer bus on IO port 2
//   PicBase    command bytes of the USB-PIC and the Sound-PIC, tuning words, clock offsets, EEPROM
//   IOControl  the device object: peripherals, band plan, sweeps, mode set-ups, self-calibration
//   IOSettings the shared frequency record of the analyser and VLF views
//
// Every operation returns true on success and stops at its first failed transfer. The device object
// holds no lock: callers take HardwareLock around each whole operation.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

class SoundBufferBase;

// ---------------------------------------------------------------------------------------------
// Module binding

// Entry points of the USB interface module. Success is nonzero; UsbGetError takes no argument.
using UsbDevFn = int (*)(uint8_t dev);
using UsbPinFn = int (*)(uint8_t dev, uint8_t pin, uint8_t value);
using UsbI2CWriteByteFn = int (*)(uint8_t dev, uint8_t addr, uint8_t value);
using UsbI2CReadByteFn = int (*)(uint8_t dev, uint8_t addr, uint8_t* out);
using UsbI2CWriteBytesFn = int (*)(uint8_t dev, uint8_t addr, uint16_t count, const uint8_t* data);
using UsbParInitFn = int (*)(uint8_t dev, uint8_t mode);
using UsbParOutFn = int (*)(uint8_t dev, const uint8_t* data, uint32_t count);
using UsbParInFn = int (*)(uint8_t dev, uint8_t* data, uint32_t count);
using UsbParSetTimeoutFn = int (*)(uint8_t dev, uint32_t ms);
using UsbGetErrorFn = int (*)();

// The bound table. The thirteen entry points the program calls are typed; the others are bound
// by name as well and kept as plain addresses.
struct Usb2FunctionTable {
  UsbDevFn UsbInit = nullptr;
  UsbDevFn UsbDevicePresent = nullptr;
  UsbPinFn UsbSetIODir = nullptr;
  UsbPinFn UsbSetIOState = nullptr;
  UsbPinFn UsbSetPortDir = nullptr;
  UsbI2CWriteByteFn UsbI2CWriteByte = nullptr;
  UsbI2CReadByteFn UsbI2CReadByte = nullptr;
  UsbI2CWriteBytesFn UsbI2CWriteBytes = nullptr;
  UsbParInitFn UsbParInit = nullptr;
  UsbParOutFn UsbParOut = nullptr;
  UsbParInFn UsbParIn = nullptr;
  UsbParSetTimeoutFn UsbParSetTimeout = nullptr;
  UsbGetErrorFn UsbGetError = nullptr;
  void* Unused[31] = {};  // the names bound but never called, in binding order
};

extern void* Usb2DllHandle;
extern Usb2FunctionTable Usb2Functions;

// Number of name look-ups of the binding (one name is looked up twice) and the names in order.
constexpr int Usb2LookupCount = 44;
extern const char* const Usb2LookupNames[Usb2LookupCount];

// Loads the module and binds every name. Shows "Usb2Dll could not be opened" and returns 0 when the
// module or one of the called entry points is missing; then nothing is bound.
int LoadUsb2Dll();
void FreeUsb2Dll();

// Module name used by LoadUsb2Dll; the program keeps "usb2.dll". A full path loads that file.
void SetUsb2ModuleName(const std::string& name);
const std::string& GetUsb2ModuleName();
// In-process driver: when set, LoadUsb2Dll binds this table instead of loading a module.
void SetUsb2FunctionOverride(const Usb2FunctionTable* table);

// The last module call that failed, for reports: "UsbParOut failed (module error 5)"; empty when none
// failed since the last clear. Any thread may ask.
std::string LastModuleFailure();
void ClearLastModuleFailure();

// ---------------------------------------------------------------------------------------------
class USB2Base {
 public:
  explicit USB2Base(int deviceIndex);
  ~USB2Base();
  USB2Base(const USB2Base&) = delete;
  USB2Base& operator=(const USB2Base&) = delete;

  bool Init();
  bool DevicePresent();
  bool SetIODir(uint8_t port, uint8_t pin, uint8_t dir);
  bool SetIOState(uint8_t port, uint8_t pin, uint8_t level);
  bool SetPortDir(uint8_t port, uint8_t mask);
  bool SetPort2Output();
  bool I2CWriteByte(uint8_t addr, uint8_t value);
  // A chip that does not answer while the module is attached reads as 0xFF (the idle bus).
  bool I2CReadByte(uint8_t addr, uint8_t* out);
  bool I2CWriteBytes(uint8_t addr, const uint8_t* data, int count);
  uint8_t TakeI2CError();  // last failed address x 2, 0 = none; clears it
  bool ParInit(uint8_t mode);
  bool ParOut(const uint8_t* data, uint32_t count);
  bool ParIn(uint8_t* data, uint32_t count);
  bool ParSetTimeout(uint32_t ms);
  int GetError();  // 0 when the module is not bound
  bool PulseIOPin0();
  bool WritePot(int chip, int channel, int value);

  int DeviceIndex;
  uint8_t LastI2CError = 0;

 protected:
  uint8_t Dev() const { return static_cast<uint8_t>(DeviceIndex & 0xFF); }
  bool I2CFailed(uint8_t addr, const char* entry);
  // ok, after noting entry as the last failed call when it is false.
  bool Noted(const char* entry, bool ok);
};

// ---------------------------------------------------------------------------------------------
// 40-byte filter trim record files. Errors (missing file, wrong size, unwritable) throw Exception;
// a refused file leaves the record unchanged.
constexpr int FilterRecordFileSize = 40;
void SaveFilterRecord(const uint8_t* record, const std::string& fileName);
void LoadFilterRecord(uint8_t* record, const std::string& fileName);

// Tuning word for frequency f at the given unit, truncated; negative or not-a-number gives 0.
uint32_t TuningWord(double f, double unit);

class PicBase : public USB2Base {
 public:
  explicit PicBase(int deviceIndex);

  // Transport
  bool SendByte(uint8_t b);
  bool SendBytes2(uint8_t b0, uint8_t b1);
  bool SendBytes3(uint8_t b0, uint8_t b1, uint8_t b2);
  bool SendBytes4(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3);
  bool SendBlock(const uint8_t* data, int count);
  bool ReceiveBlock(uint8_t* data, int count);
  bool ReceiveByte(uint8_t* out);
  bool ReceiveBytes2(uint8_t* out0, uint8_t* out1);

  // AD converter
  bool ReadADByte(uint8_t* out);
  bool SelectADChannel(uint8_t channel);
  bool ReadADAverage(uint8_t n, uint8_t* out);
  bool ReadADBlock(uint8_t n, uint8_t* data);
  bool GetPicVersion(int* out);

  // 28-bit DDS chips 0..5 (1 main VCO reference, 2/3 filter test generators, 4/5 IF tuners)
  bool WriteDDSWord(uint8_t hi, uint8_t lo, uint8_t dds);
  bool SweepShort(int count, uint8_t param, double start, double step, double clock, uint8_t dds,
                  double* outStop, uint8_t* data);
  bool Sweep(int count, uint8_t param, double start, double step, double clock, uint8_t dds, double* outStop,
             uint8_t* data);
  bool SweepWord(int count, uint8_t param, double start, double step, double clock, uint8_t dds,
                 double* outStop, uint8_t* data);
  bool SetDDSFrequency(uint8_t dds, double clock, double f);
  bool DDSOff(uint8_t dds);
  bool AllDDSOff();
  double DdsUnit(double clock) const;

  // 400 MHz DDS
  bool WriteDDS400Reg24(uint8_t reg, uint8_t b0, uint8_t b1, uint8_t b2);
  bool WriteDDS400Reg32(uint8_t reg, uint32_t word);
  bool ResetDDS400();
  bool Sweep400(int count, uint8_t param, double start, double step, uint8_t* data);
  bool Sweep400Word(int count, uint8_t param, double start, double step, uint8_t* data);
  bool SetDDS400Frequency(double f);
  bool SetDDS400FrequencyClock(double clock, double f);
  bool SetDDS400FrequencyFast(double f);
  bool InitDDS400Control();
  bool InitDDS400();
  double Dds400Unit() const;

  // EEPROM of the USB-PIC
  bool ReadEEPromByte(uint8_t cell, uint8_t* out);
  bool WriteEEPromByte(uint8_t cell, uint8_t value);
  bool StoreClockOffsets();
  bool LoadClockOffsets();

  // Sound-PIC
  bool GetSoundPicVersion(int* out);
  bool WriteSoundPages(const uint8_t* data, uint8_t start, uint8_t pages, uint8_t param);
  bool ReadSoundPages(uint8_t* data, uint8_t start, uint8_t pages, uint8_t param);
  bool ReadSoundAD0Pages(uint8_t* data, uint8_t start, uint8_t pages, uint8_t param);
  bool ReadSoundAD1Pages(uint8_t* data, uint8_t start, uint8_t pages, uint8_t param);
  bool ReadSoundWord(int* out);
  bool WriteSoundPagesAD0(const uint8_t* data, uint8_t start, uint8_t pages, uint8_t param);
  bool WriteSoundPagesAD1(const uint8_t* data, uint8_t start, uint8_t pages, uint8_t param);
  bool PlaySound(uint8_t start, uint8_t pages, uint8_t param);
  bool RecordSound(uint8_t start, uint8_t pages, uint8_t p1, uint8_t p2);
  // Page transfers of a sound buffer's samples (whole pages only; the tail is not moved).
  // A null buffer gives true.
  bool StoreSound(SoundBufferBase* buffer, uint8_t start, uint8_t param);
  bool ReadSoundAD0(SoundBufferBase* buffer, uint8_t start, uint8_t param);
  bool ReadSoundAD1(SoundBufferBase* buffer, uint8_t start, uint8_t param);
  // Page transfers of 16-bit sample arrays (whole pages only; the tail is not moved).
  bool StoreSamples(const uint16_t* samples, int count, uint8_t start, uint8_t param);
  bool ReadSamplesAD0(uint16_t* samples, int count, uint8_t start, uint8_t param);
  bool ReadSamplesAD1(uint16_t* samples, int count, uint8_t start, uint8_t param);
  bool TestSoundMemory(uint8_t param, int bank, int* errors);

  // Interval timer
  void StartTimer();
  double GetElapsedSeconds();

  // I2C register chips
  bool InitIOExpander(uint8_t addr, uint8_t mask);
  bool WriteIOExpander(uint8_t addr, uint8_t value);
  bool ReadIOExpander(uint8_t addr, uint8_t* out);
  bool InitPCA9539(uint8_t addr);
  bool WritePCA9539(uint8_t addr, uint16_t word);
  bool WriteTEA6320(uint8_t reg, uint8_t value);
  bool WriteDualPot(uint8_t addr, bool second, uint8_t value);

  int64_t CounterFrequency = 1;
  int64_t TimerStart = 0;
  int64_t TimerNow = 0;
  double DdsClockOffset = 0.0;
  double Dds400ClockOffset = 0.0;
  double VcoLowRefOffset = 0.0;
  double VcoHighRefOffset = 0.0;
  uint8_t ADChannel = 0;

 private:
  bool Sweep28(uint8_t cmd, int count, int maxCount, int bytesPerPoint, uint8_t param, double start,
               double step, double clock, uint8_t dds, double* outStop, uint8_t* data);
  bool Sweep400Cmd(uint8_t cmd, int count, int bytesPerPoint, uint8_t param, double start, double step,
                   uint8_t* data);
  bool SoundCommand(uint8_t cmd, uint8_t start, uint8_t pages, uint8_t param);
  bool WriteSoundCmd(uint8_t cmd, const uint8_t* data, uint8_t start, uint8_t pages, uint8_t param);
  bool ReadSoundCmd(uint8_t cmd, uint8_t* data, uint8_t start, uint8_t pages, uint8_t param);
  bool SamplePages(int count, uint8_t* pages) const;
};

// ---------------------------------------------------------------------------------------------
// I2C chip map (7-bit addresses)
namespace I2CAddr {
constexpr uint8_t Frontend = 0x20;
constexpr uint8_t MainboardPort = 0x21;
constexpr uint8_t IFFilterSweep = 0x22;
constexpr uint8_t IFFilterAudio = 0x23;
constexpr uint8_t LinkProbe = 0x24;
constexpr uint8_t VLFModule = 0x26;
constexpr uint8_t SoundPot = 0x2C;
constexpr uint8_t DemodulatorPot = 0x2D;
constexpr uint8_t LedBar0 = 0x38;
constexpr uint8_t DigitData = 0x3C;
constexpr uint8_t DigitControl = 0x3D;
constexpr uint8_t SoundProcessor = 0x40;
constexpr uint8_t SpeakerExpander = 0x70;
constexpr uint8_t SoundPCA9539 = 0x74;
constexpr uint8_t MainboardPCA9539 = 0x77;
}  // namespace I2CAddr

constexpr double BandSplitFrequency = 5000000000.0;
constexpr double MaxFrequency = 15000000000.0;
constexpr double NominalIF = 27300000.0;

// Current-sense multiplexer code of a selector 1..15 (0 for others).
uint8_t CurrentSenseCode(int selector);
// Temperature in degrees Celsius from a raw multiplexer reading.
double RawToTemperature(uint8_t raw);

class IOControl : public PicBase {
 public:
  explicit IOControl(int deviceIndex);
  ~IOControl();

  // Sound module
  bool InitAudioSpeaker();
  bool SetAudioSpeaker(bool s1, bool s2, bool s3, bool s4, bool s5, bool s6, bool s7);
  bool InitSoundProc();
  bool SetSoundProcVolume(uint8_t v);
  bool SetSoundProcLowpass(uint8_t v);
  bool SetSoundProcHighpass(uint8_t v);
  bool VolumeUp(uint8_t target);
  bool VolumeDown(uint8_t from);
  bool InitSoundPCA9539();
  bool WriteSoundPCA9539(uint16_t word);

  // IF filters, attenuator, VLF module
  bool SetIFFilterPort(uint8_t value, int module);
  bool SetIFBandwidth(int type);
  bool SetDemodulator(uint8_t a, uint8_t b);
  bool SetDemodulatorForFilter(int type);
  bool SelectFilterPath(int path, int module);
  bool SetFilterTrim(int module, const uint8_t* record);
  bool WriteFilterRecord(uint8_t record, const uint8_t* data);
  bool ReadFilterRecord(uint8_t record, uint8_t* out);
  bool SetIFFilter(int type);
  bool SetAttenuator(int value);
  bool SetVLFModule(bool on);

  // Mainboard
  bool SetMainboardControl(int selector, uint8_t bit0, uint8_t bit1, uint8_t bit2, uint8_t bit3);
  bool SetIndicator(bool on);
  bool SetFan(bool on);
  bool ReadCurrentSense(int selector, double* out);
  bool ReadTemperature(int sensor, double* out);
  bool SetDevicePower(bool on);
  bool CheckAkku();

  // Hand probe
  bool SetLedBar(int n, bool& ok);
  bool WriteDigitData(bool& ok);
  bool WriteDigitControl(bool& ok);
  bool ClearDigits(bool& ok);
  bool StrobeDigit(bool& ok);
  bool WriteDigit(int position, char character, bool& ok);
  bool ShowValue(bool& ok, double value);

  // Frequency plan
  bool SetMainboardPort(uint8_t value);
  bool SelectInputNormal();
  bool SelectInputA();
  bool SelectInputB();
  bool SetBand(int band, bool force);
  bool SetBandForFrequency(double f);
  bool SetFrequency(double f);
  bool SetMainVCO(double clock, double F);
  bool SetMainVCOLow();
  bool SetMainVCOHigh();
  bool SetIFTunerSweep(double f);
  bool SetIFTunerAudio(double f);
  bool SweepBytes(int count, uint8_t param, double start, double step, uint8_t* data);
  bool SweepWords(int count, uint8_t param, double start, double step, uint8_t* data);
  bool InitMeasureMode();
  bool InitMeasureModeBand0();
  bool InitVLFMode();
  bool CalibrateXO400();

  uint8_t VolumeShadow = 0;
  uint8_t BandCache = 0;
  uint8_t IndicatorA = 1;
  uint8_t IndicatorB = 0;
  uint8_t FanBit = 0;
  uint8_t ControlBit3 = 0;
  uint8_t CurrentSelector = 1;
  uint8_t MainboardPortShadow = 0;
  // Read by the battery monitor without HardwareLock.
  std::atomic<uint8_t> BatteryLevel{255};
  std::atomic<double> PowerModuleTemperature{0.0};
  std::atomic<double> MainboardTemperature{0.0};
  uint8_t DigitDataValue = 0;
  uint8_t DigitControlValue = 0;

 private:
  bool WriteMainboardControl();
  bool WriteProbeByte(uint8_t addr, uint8_t value, bool& ok);
  bool SweepSplit(int count, uint8_t param, double start, double step, uint8_t* data, bool words);
  bool ReadMux(int selector, uint8_t* raw);
  bool InitMeasureModeCommon(bool band0Port);
};

// ---------------------------------------------------------------------------------------------
class IOSettings {
 public:
  IOSettings() = default;
  void SetDefaults();

  double Center = 0.0;
  double Span = 0.0;
  double VlfCenter = 0.0;
  double VlfSpan = 0.0;
};
