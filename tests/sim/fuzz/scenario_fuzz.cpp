// Fuzz entry point of the simulator's scenario file: a file of any content gives a simulated
// instrument whose scene is within the documented ranges, every problem is reported with its line,
// and the instrument so built answers a bring-up and a sweep with sane values.
#include <cmath>
#include <string>
#include <vector>

#include "sim/Instrument.h"
#include "tests/support/fuzz/Fuzz.h"
#include "tests/support/fuzz/ScratchFolder.h"

extern "C" {
int UsbInit(uint8_t dev);
int UsbDevicePresent(uint8_t dev);
int UsbI2CWriteByte(uint8_t dev, uint8_t addr, uint8_t value);
int UsbI2CReadByte(uint8_t dev, uint8_t addr, uint8_t* out);
int UsbParOut(uint8_t dev, const uint8_t* data, uint32_t count);
int UsbParIn(uint8_t dev, uint8_t* data, uint32_t count);
int UsbGetError();
}

namespace {

bool Within(double value, double lo, double hi) { return std::isfinite(value) && value >= lo && value <= hi; }

void CheckScene() {
  for (const usb2sim::Emitter& e : usb2sim::GetEmitters()) {
    const usb2sim::EmitterSpec& s = e.spec;
    FUZZ_CHECK(Within(s.frequencyHz, 0, 20e9), "emitter frequency " + std::to_string(s.frequencyHz));
    FUZZ_CHECK(Within(s.levelDbm, -200, 50), "emitter level " + std::to_string(s.levelDbm));
    FUZZ_CHECK(Within(s.bandwidthHz, 0, 100e6), "emitter bandwidth " + std::to_string(s.bandwidthHz));
    FUZZ_CHECK(Within(s.dutyCycle, 0, 1), "emitter duty cycle " + std::to_string(s.dutyCycle));
    FUZZ_CHECK(Within(s.toneHz, 0, 11025), "emitter tone " + std::to_string(s.toneHz));
  }
}

void CheckState(const usb2sim::State& s) {
  FUZZ_CHECK(s.parTimeoutMs <= 600000, "parallel bus time-out " + std::to_string(s.parTimeoutMs));
  FUZZ_CHECK(std::isfinite(s.receiveHz) && std::isfinite(s.audioReceiveHz), "receive frequency not finite");
  FUZZ_CHECK(std::isfinite(s.dds400Hz), "DDS-400 frequency not finite");
  for (const usb2sim::DdsState& d : s.dds)
    FUZZ_CHECK(std::isfinite(d.frequencyHz), "DDS frequency not finite");
  FUZZ_CHECK(s.ledCount >= 0 && s.digits.size() == 4, "probe display broken");
}

uint32_t Word32(double f) { return static_cast<uint32_t>(f / (400e6 / 4294967296.0)); }

void PutBe32(std::vector<uint8_t>& b, uint32_t w) {
  for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<uint8_t>(w >> shift));
}

// What the program does first: bring the module up, read the ports, and sweep 100 points from 1 GHz.
void BringUpAndSweep() {
  UsbInit(0);
  UsbDevicePresent(0);
  uint8_t value = 0;
  for (uint8_t address : {0x20, 0x21, 0x22, 0x26, 0x40, 0x70, 0x74, 0x77}) UsbI2CReadByte(0, address, &value);
  UsbI2CWriteByte(0, 0x21, 0x02);
  std::vector<uint8_t> command{23};
  PutBe32(command, Word32((1e9 + 5e9) / 256.0));
  PutBe32(command, Word32(10e6 / 256.0));
  command.insert(command.end(), {0, 100, 0});
  if (UsbParOut(0, command.data(), uint32_t(command.size()))) {
    std::vector<uint8_t> levels(100);
    UsbParIn(0, levels.data(), uint32_t(levels.size()));
  }
  UsbGetError();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzz::ScratchFolder folder;
  // The run keeps the fast pace: real time would only make the driver wait.
  const std::string text = fuzz::ToText(data, size) + "\n[device]\npace = fast\n";
  folder.Write("usb2sim.ini", text);
  const std::string path = folder.Path() + "usb2sim.ini";
  std::vector<std::string> messages;
  const bool clean = usb2sim::LoadScenarioFile(path, &messages);
  FUZZ_CHECK(clean == messages.empty(), "the result disagrees with the messages");
  for (const std::string& m : messages)
    FUZZ_CHECK(m.compare(0, path.size() + 1, path + ":") == 0 && m.size() > path.size() + 1 &&
                   std::isdigit(static_cast<unsigned char>(m[path.size() + 1])),
               "message without its line: " + m);
  CheckScene();
  CheckState(usb2sim::GetState());
  BringUpAndSweep();
  CheckState(usb2sim::GetState());
  return 0;
}

fuzz::Corpus fuzz::DriverCorpus() {
  const std::vector<std::string> files = {
      "",
      "[device]\npresent = 1\nunplug_after_calls = 0\npace = fast\nseed = 42\npic_version = 0x0107\n"
      "par_timeout_ms = 1000\n\n[eeprom]\nerased = 0\ncell.50 = 1\nrecord.2 = "
      "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18\n"
      "\n[battery]\nlevel = 184\n\n[health]\ntemp_mainboard = 52\ntemp_power = 55\ncurrent.3 = 77\n",
      "[probe]\npresent = no\nlevel = 200\n[controls]\nkey_pressed = true\nheadphones = off\nad5 = 0x80\n"
      "[scene]\nnoise_floor_dbm = -110.5\nzero_hz_signal = 0\nzero_hz_dbm = 10\nxo400_error_hz = 1500\n"
      "dds_clock_error_hz = -20 ; comment\ndefault_emitters = 0\n",
      "[emitter1]\nfrequency_mhz = 433.92\nlevel_dbm = -45\nbandwidth_khz = 25\necho = 1\n"
      "[emitter2]\nfrequency_mhz = 1880\npulsed = 1\nduty = 0.1\ntone_hz = 1000\n[emitter999]\nfrequency_mhz "
      "= 0\n",
      "[sound]\nplay_to_record_delay = 1024\nroom_level = 3000\nnoise_level = 300\n"
      "[faults]\nabsent_i2c = 0x20, 0x21 0x77\nfail_command = 23;29\n[device]\npresent = 0\n",
      "key = value\n[broken\nlevel=1\n[battery]\nlevel = 256\nlevel = -1\nlevel = 12abc\n[nothing]\n=5\n"
      "[emitterx]\nduty=2\n[scene]\nnoise_floor_dbm = nan\nxo400_error_hz = 1e999\n",
  };
  Corpus corpus;
  for (const std::string& f : files) corpus.seeds.push_back(ToBytes(f));
  corpus.dictionary = {"[device]\n",
                       "[eeprom]\n",
                       "[scene]\n",
                       "[faults]\n",
                       "[emitter7]\n",
                       "[sound]\n",
                       "\n",
                       "=",
                       "[",
                       "]",
                       ";",
                       "#",
                       ",",
                       " ",
                       "0x",
                       "-",
                       "1e308",
                       "1e-320",
                       "nan",
                       "inf",
                       "9223372036854775807",
                       "18446744073709551616",
                       "2000000000",
                       "unplug_after_calls = 3\n",
                       "present = 0\n",
                       "frequency_mhz = ",
                       "bandwidth_khz = ",
                       "record.5 = ",
                       "cell.255 = "};
  return corpus;
}
