// The scenario file: every key reaches the model, a malformed line is reported with its line
// number and leaves that key at its default, and the file is found where the program keeps it.
#include "SimCaller.h"
#include "tests/support/TempFolder.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include <unistd.h>

using namespace simtest;
namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

TEST(SimScenario, BuiltInDefault) {
  Fresh();
  const auto emitters = usb2sim::GetEmitters();
  ASSERT_EQ(emitters.size(), 4u);
  EXPECT_DOUBLE_EQ(emitters[0].spec.frequencyHz, 433.92e6);
  EXPECT_DOUBLE_EQ(emitters[1].spec.frequencyHz, 868.3e6);
  EXPECT_DOUBLE_EQ(emitters[2].spec.frequencyHz, 1880e6);
  EXPECT_TRUE(emitters[2].spec.pulsed);
  EXPECT_DOUBLE_EQ(emitters[3].spec.frequencyHz, 2450e6);
  const auto s = usb2sim::GetState();
  EXPECT_TRUE(s.present);
  EXPECT_TRUE(s.probePresent);
  EXPECT_EQ(s.battery, 184);
}

TEST(SimScenario, KeysReachTheModel) {
  const std::string text =
      "; a complete scenario\r\n"
      "[Device]\r\n"
      "present = 1\r\n"
      "pace=fast   ; trailing comment\n"
      "seed=42\n"
      "pic_version=0x0203\n"
      "par_timeout_ms=250\n"
      "[eeprom]\n"
      "cell.50=1\n"
      "cell.17 = 99\n"
      "record.2=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18\n"
      "[battery]\nlevel=140\n"
      "[probe]\npresent=0\nlevel=200\n"
      "# emitters replace the default scene\n"
      "[emitter1]\nfrequency_mhz=100.5\nlevel_dbm=-30\nbandwidth_khz=200\npulsed=1\ntone_hz=1500\n"
      "[emitter7]\nfrequency_mhz=3000\necho=1\n"
      "[faults]\nabsent_i2c=0x26,0x2C\n";
  std::vector<std::string> messages;
  EXPECT_TRUE(usb2sim::LoadScenarioText(text, &messages)) << (messages.empty() ? "" : messages[0]);
  const auto s = usb2sim::GetState();
  EXPECT_EQ(s.eeprom[50], 1);
  EXPECT_EQ(s.eeprom[17], 99);
  EXPECT_EQ(s.filterRecords[2][0], 1);
  EXPECT_EQ(s.filterRecords[2][17], 18);
  EXPECT_EQ(s.battery, 140);
  EXPECT_FALSE(s.probePresent);
  EXPECT_EQ(s.parTimeoutMs, 250u);
  ASSERT_TRUE(Out({5}));
  EXPECT_EQ(In(2), (Bytes{0x02, 0x03}));
  EXPECT_EQ(UsbI2CWriteByte(0, 0x26, 0x7F), 0);
  EXPECT_EQ(UsbI2CWriteByte(0, 0x2C, 0), 0);
  const auto emitters = usb2sim::GetEmitters();
  ASSERT_EQ(emitters.size(), 2u);
  EXPECT_DOUBLE_EQ(emitters[0].spec.frequencyHz, 100.5e6);
  EXPECT_DOUBLE_EQ(emitters[0].spec.levelDbm, -30);
  EXPECT_DOUBLE_EQ(emitters[0].spec.bandwidthHz, 200e3);
  EXPECT_TRUE(emitters[0].spec.pulsed);
  EXPECT_DOUBLE_EQ(emitters[0].spec.toneHz, 1500);
  EXPECT_DOUBLE_EQ(emitters[1].spec.frequencyHz, 3000e6);
  EXPECT_TRUE(emitters[1].spec.echo);
}

TEST(SimScenario, EmptySceneOnRequest) {
  Fresh("[scene]\ndefault_emitters=0\n");
  EXPECT_TRUE(usb2sim::GetEmitters().empty());
}

struct Malformed {
  const char* name;
  std::string text;
  std::string where;  // "scenario:<line>:"
  std::string mentions;
  std::function<bool()> defaultKept;
};

TEST(SimScenario, MalformedLinesAreReportedAndKeepTheDefault) {
  auto battery184 = [] { return usb2sim::GetState().battery == 184; };
  auto fourEmitters = [] { return usb2sim::GetEmitters().size() == 4; };
  const std::vector<Malformed> cases = {
      {"not a number", "[battery]\nlevel=abc\n", "scenario:2:", "level", battery184},
      {"out of range", "[battery]\n\nlevel=300\n", "scenario:3:", "level", battery184},
      {"trailing junk", "[battery]\nlevel=150x\n", "scenario:2:", "level", battery184},
      {"no equals sign", "[battery]\nlevel\n", "scenario:2:", "key=value", battery184},
      {"outside a section", "level=5\n", "scenario:1:", "outside", battery184},
      {"broken header", "[battery\nlevel=100\n", "scenario:1:", "section header", battery184},
      {"unknown section", "[batery]\nlevel=100\n", "scenario:2:", "unknown section", battery184},
      {"unknown key", "[battery]\nlvl=100\n", "scenario:2:", "lvl", battery184},
      {"bad pace", "[device]\npace=slow\n", "scenario:2:", "pace", [] { return true; }},
      {"bad boolean", "[probe]\npresent=maybe\n", "scenario:2:", "present",
       [] { return usb2sim::GetState().probePresent; }},
      {"bad address list", "[faults]\nabsent_i2c=0x21,0x200\n", "scenario:2:", "absent_i2c",
       [] { return UsbI2CWriteByte(0, 0x21, 2) != 0; }},
      {"bad cell number", "[eeprom]\ncell.300=1\n", "scenario:2:", "cell.300",
       [] { return usb2sim::GetState().eeprom[44] == 0; }},
      {"short record", "[eeprom]\nrecord.1=1,2,3\n", "scenario:2:", "record.1",
       [] { return usb2sim::GetState().filterRecords[1][0] == 128; }},
      {"negative frequency", "[emitter1]\nfrequency_mhz=-5\nlevel_dbm=-20\n", "scenario:2:", "frequency_mhz",
       [] {
         auto e = usb2sim::GetEmitters();
         return e.size() == 1 && e[0].spec.frequencyHz == 100e6;
       }},
      {"bad emitter section", "[emitterX]\nfrequency_mhz=5\n", "scenario:2:", "emitterx", fourEmitters},
  };
  for (const auto& c : cases) {
    std::vector<std::string> messages;
    EXPECT_FALSE(usb2sim::LoadScenarioText(c.text, &messages)) << c.name;
    ASSERT_FALSE(messages.empty()) << c.name;
    EXPECT_EQ(messages[0].rfind(c.where, 0), 0u) << c.name << ": " << messages[0];
    EXPECT_NE(messages[0].find(c.mentions), std::string::npos) << c.name << ": " << messages[0];
    EXPECT_TRUE(c.defaultKept()) << c.name;
  }
}

TEST(SimScenario, GoodKeysAroundABadLineStillApply) {
  std::vector<std::string> messages;
  EXPECT_FALSE(
      usb2sim::LoadScenarioText("[battery]\nlevel=140\n[device]\nseed=x\n[probe]\nlevel=77\n", &messages));
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(usb2sim::GetState().battery, 140);
  ASSERT_TRUE(Out({2, 4}));
  ASSERT_TRUE(Out({1}));
  EXPECT_EQ(In(1), Bytes{77});
}

TEST(SimScenario, EnvironmentNamesTheFile) {
  const TempFolder temp;
  const fs::path dir = temp.path();
  const fs::path file = dir / "custom.ini";
  WriteFile(file, "[battery]\nlevel=150\n[eeprom]\ncell.50=1\n");
  ASSERT_EQ(::setenv("USB2SIM_SCENARIO", file.c_str(), 1), 0);
  usb2sim::Reset();
  auto s = usb2sim::GetState();
  EXPECT_EQ(s.battery, 150);
  EXPECT_EQ(s.eeprom[50], 1);

  ASSERT_EQ(::setenv("USB2SIM_SCENARIO", (dir / "missing.ini").c_str(), 1), 0);
  usb2sim::Reset();
  EXPECT_EQ(usb2sim::GetState().battery, 184) << "an unreadable file leaves the default";

  ::unsetenv("USB2SIM_SCENARIO");
  std::vector<std::string> messages;
  EXPECT_TRUE(usb2sim::LoadScenarioFile(file.string(), &messages));
  EXPECT_EQ(usb2sim::GetState().battery, 150);
  EXPECT_FALSE(usb2sim::LoadScenarioFile((dir / "missing.ini").string(), &messages));
}

// A copy of the module in a folder of its own reads usb2sim.ini from that folder.
TEST(SimScenario, ProgramFolderFileBesideTheModule) {
  ::unsetenv("USB2SIM_SCENARIO");
  const TempFolder temp;
  const fs::path dir = temp.path();
  fs::copy_file(fs::path(RT_BIN_DIR) / "libusb2.so", dir / "libusb2.so");
  WriteFile(dir / "usb2sim.ini", "[device]\npresent=0\n");
  void* module = ::dlopen((dir / "libusb2.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << ::dlerror();
  using PresentFn = int (*)(uint8_t);
  auto present = reinterpret_cast<PresentFn>(::dlsym(module, "UsbDevicePresent"));
  ASSERT_NE(present, nullptr);
  EXPECT_EQ(present(0), 0);
  ::dlclose(module);
}

TEST(SimScenario, AllEntryPointsAreExported) {
  static const char* const names[] = {"UsbInit",
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
  static_assert(sizeof(names) / sizeof(names[0]) == 43);
  void* module = ::dlopen((fs::path(RT_BIN_DIR) / "libusb2.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << ::dlerror();
  for (const char* name : names) EXPECT_NE(::dlsym(module, name), nullptr) << name;
  ::dlclose(module);
}

TEST(SimScenario, EepromFileKeepsWritesAcrossRuns) {
  const TempFolder temp;
  const fs::path dir = temp.path();
  const std::string scenario = "[eeprom]\nfile=" + (dir / "eeprom.bin").string() + "\n";
  Fresh(scenario);
  ASSERT_TRUE(Out({33, 34, 0x40}));  // a clock offset byte
  Bytes record{13, 5};
  for (uint8_t i = 0; i < 18; ++i) record.push_back(static_cast<uint8_t>(i + 1));
  ASSERT_TRUE(Out(record));
  EXPECT_EQ(fs::file_size(dir / "eeprom.bin"), 256u + 6u * 18u);

  Fresh(scenario);  // the next run
  ASSERT_TRUE(Out({32, 34}));
  EXPECT_EQ(In(1), Bytes{0x40});
  ASSERT_TRUE(Out({14, 5}));
  EXPECT_EQ(In(18), Bytes(record.begin() + 2, record.end()));
  EXPECT_EQ(usb2sim::GetState().eeprom[17], 128);

  Fresh(scenario + "cell.34=7\n");  // explicit cells win over the file
  EXPECT_EQ(usb2sim::GetState().eeprom[34], 7);

  WriteFile(dir / "eeprom.bin", "short");  // not an image: fresh contents
  Fresh(scenario);
  EXPECT_EQ(usb2sim::GetState().eeprom[34], 0);
  EXPECT_EQ(usb2sim::GetState().filterRecords[5][0], 128);
}

TEST(SimScenario, ParTimeoutCanBeChanged) {
  Fresh();
  EXPECT_TRUE(UsbParSetTimeout(0, 5000));
  EXPECT_EQ(usb2sim::GetState().parTimeoutMs, 5000u);
}

}  // namespace
