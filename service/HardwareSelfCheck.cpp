#include "service/HardwareSelfCheck.h"

#include <array>
#include <cstdio>
#include <functional>

#include "device/InOut.h"
#include "platform/rtl/SysUtils.h"
#include "service/SelfTestChecks.h"

namespace {

std::string Address8(uint8_t address7) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02x", address7 * 2);
  return text;
}

struct I2CRow {
  const char* Module;
  const char* Part;
  uint8_t Address;  // 7-bit
  bool NoInfo;      // the rows of the mainboard chips keep an empty info and "na" currents
  std::function<bool(IOControl&)> Operation;
};

struct CurrentRow {
  const char* Module;
  std::function<bool(IOControl&)> SetUp;
  int Selector;
  double Nominal;
  const char* NominalText;
  const char* Suffix;
  CurrentWindow Window;
};

CurrentWindow Uniform(double nominal) { return WindowAround(nominal, 0.75, 1.25); }

const std::array<I2CRow, 2> MainboardRows = {{
    {"Mainboard", "PCF8574", 0x21, true, [](IOControl& io) { return io.SetMainboardPort(0x03); }},
    {"Mainboard", "PCA9539", 0x77, true, [](IOControl& io) { return io.SetMainboardControl(1, 1, 0, 0, 0); }},
}};

const std::array<I2CRow, 11> ModuleRows = {{
    {"IF-Filter-Audio", "PCF8574", 0x23, false, [](IOControl& io) { return io.SetIFFilterPort(0, 1); }},
    {"IF-Filter-Wobbel", "PCF8574", 0x22, false, [](IOControl& io) { return io.SetIFFilterPort(0, 0); }},
    {"Mainboard", "", 0x77, false,
     [](IOControl& io) {
       double unused = 0.0;
       return io.ReadCurrentSense(0, &unused);
     }},
    {"Mainboard", "", 0x21, false, [](IOControl& io) { return io.SetMainboardPort(0x0F); }},
    {"Frontend", "", 0x20, false, [](IOControl& io) { return io.SetAttenuator(0); }},
    {"Demodulator", "", 0x2D, false, [](IOControl& io) { return io.SetDemodulator(0, 0); }},
    {"VLF-Modul", "", 0x26, false, [](IOControl& io) { return io.SetVLFModule(false); }},
    {"Sound-Modul", "", 0x40, false, [](IOControl& io) { return io.InitSoundProc(); }},
    {"Sound-Modul", "", 0x70, false,
     [](IOControl& io) { return io.SetAudioSpeaker(false, false, false, false, false, false, false); }},
    {"Sound-Modul", "", 0x74, false, [](IOControl& io) { return io.InitPCA9539(0x74); }},
    {"Sound-Modul", "", 0x2C, false, [](IOControl& io) { return io.WriteDualPot(0x2C, false, 0); }},
}};

bool Nothing(IOControl&) { return true; }
bool Port(IOControl& io, uint8_t value) { return io.SetMainboardPort(value); }
bool Dds400At(IOControl& io, double hz) { return io.SetDDS400Frequency(hz); }

const std::array<CurrentRow, 19> CurrentRows = {{
    {"Amp-5000", Nothing, 1, 0.035, "35.0", "", Uniform(0.035)},
    {"VCO-5000", Nothing, 2, 0.210, "210.0", "", Uniform(0.210)},
    {"VCO-10000", Nothing, 3, 0.517, "517.0", "  Band-1", Uniform(0.517)},
    {"VCO-10000", [](IOControl& io) { return Port(io, 0x4F); }, 3, 0.678, "678.0", "  Band-2",
     Uniform(0.678)},
    {"ZF-38-Splitter", [](IOControl& io) { return Port(io, 0x0F); }, 4, 0.082, "82.0", "", Uniform(0.082)},
    {"ZF-5000-Switch", Nothing, 7, 0.038, "38.0", "", Uniform(0.038)},
    {"XO-400", Nothing, 9, 0.068, "68.0", "", Uniform(0.068)},
    {"DDS-400",
     [](IOControl& io) { return io.ResetDDS400() && io.InitDDS400Control() && Dds400At(io, 5000000.0); }, 10,
     0.160, "160.0", "   5 MHz", Uniform(0.160)},
    {"DDS-400", [](IOControl& io) { return Dds400At(io, 25000000.0); }, 10, 0.132, "132.0", "  25 MHz",
     Uniform(0.132)},
    {"DDS-400", [](IOControl& io) { return Dds400At(io, 100000000.0); }, 10, 0.090, "90.0", "  100 MHz",
     Uniform(0.090)},
    {"IF-Tuner-Audio", Nothing, 11, 0.058, "58.0", "", Uniform(0.058)},
    {"IF-Tuner-Wobbel", Nothing, 12, 0.058, "58.0", "", Uniform(0.058)},
    // All off: below 20 mA, as its nominal text says (the same window as the device self-test).
    {"Frontend",
     [](IOControl& io) { return Port(io, 0x0F); },
     13,
     0.020,
     "<20.0",
     " All off",
     {0.020 * 0.5, 0.020}},
    {"Frontend", [](IOControl& io) { return Port(io, 0x0D); }, 13, 0.079, "79.0", " Band-1", Uniform(0.079)},
    {"Frontend", [](IOControl& io) { return Port(io, 0x0E); }, 13, 0.114, "114.0", " Band-2", Uniform(0.114)},
    {"Demodulator", [](IOControl& io) { return Port(io, 0x0F); }, 8, 0.020, "20.0", "", Uniform(0.020)},
    {"VLF-Modul on", [](IOControl& io) { return io.SetVLFModule(true); }, 5, 0.063, "63.0", "",
     Uniform(0.063)},
    {"VLF-Modul off", [](IOControl& io) { return io.SetVLFModule(false); }, 5, 0.011, "11.0", "",
     Uniform(0.011)},
    {"Sound-Modul", [](IOControl& io) { return io.InitSoundProc(); }, 6, 0.011, "11.0", "", Uniform(0.011)},
}};

const char* Status(bool ok) { return ok ? "ok" : "err"; }

HardwareStatusRow ChipRow(IOControl& io, const I2CRow& row) {
  // A call that fails outright (the module gone) is as much a fault as a chip that does not answer.
  const bool called = row.Operation(io);
  const bool ok = io.TakeI2CError() == 0 && called;
  if (row.NoInfo) return {Status(ok), row.Module, row.Part, Address8(row.Address), "na", "na", ""};
  return {Status(ok), row.Module, row.Part, Address8(row.Address), "", "", ok ? "I2C" : "I2C-Error"};
}

HardwareStatusRow VersionRow(bool read, const char* part, int version) {
  return {Status(read), "USB-Modul", part, "na", "na", "na", "Version " + IntToStr(version)};
}

HardwareStatusRow CurrentStatusRow(IOControl& io, const CurrentRow& row) {
  double amperes = 0.0;
  const bool read = row.SetUp(io) && io.ReadCurrentSense(row.Selector, &amperes);
  const bool ok = read && row.Window.Contains(amperes);
  const std::string current = read ? FormatFloat("0.0", amperes * 1000.0) : "na";
  return {Status(ok),
          row.Module,
          "Current-Sens",
          "",
          current,
          row.NominalText,
          std::string(ok ? "Current" : "Current-Error") + row.Suffix};
}

}  // namespace

HardwareCheckResult RunHardwareChecks(IOControl& io, int& picVersion, int& soundPicVersion) {
  HardwareCheckResult result;
  io.TakeI2CError();  // a failure an earlier call left behind is not the first row's
  for (const I2CRow& row : MainboardRows) result.Rows.push_back(ChipRow(io, row));
  int version = 0;
  const bool picRead = io.GetPicVersion(&version);
  if (picRead) picVersion = version;
  result.Rows.push_back(VersionRow(picRead, "USB-PIC", picVersion));
  const bool soundRead = io.GetSoundPicVersion(&version);
  if (soundRead) soundPicVersion = version;
  result.Rows.push_back(VersionRow(soundRead, "Sound-PIC", soundPicVersion));
  for (const I2CRow& row : ModuleRows) result.Rows.push_back(ChipRow(io, row));
  for (const CurrentRow& row : CurrentRows) result.Rows.push_back(CurrentStatusRow(io, row));

  const char* sensors[] = {"Temp Mainboard", "Temp Power Modul"};
  double powerModule = 0.0;
  bool powerModuleRead = false;
  for (int sensor = 0; sensor <= 1; ++sensor) {
    double celsius = 0.0;
    const bool read = io.ReadTemperature(sensor, &celsius);
    result.Rows.push_back({Status(read), sensors[sensor], "Current-Sens", "",
                           read ? FormatFloat("0", celsius) : "na", "", "Grad C"});
    if (sensor == 1) {
      powerModule = celsius;
      powerModuleRead = read;
    }
  }
  // Without a reading the fan runs: an unknown temperature is treated as a hot one.
  result.FanOn = !powerModuleRead || powerModule > FanOnAboveCelsius;
  io.SetFan(result.FanOn);
  return result;
}
