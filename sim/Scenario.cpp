#include "sim/Scenario.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>

namespace usb2sim {

namespace {

std::string Trim(const std::string& s) {
  const char* ws = " \t\r\n";
  const auto b = s.find_first_not_of(ws);
  if (b == std::string::npos) return {};
  const auto e = s.find_last_not_of(ws);
  return s.substr(b, e - b + 1);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::optional<long long> ParseInt(const std::string& text, long long lo, long long hi) {
  const std::string s = Trim(text);
  if (s.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(s.c_str(), &end, 0);  // decimal or 0x hex
  if (errno != 0 || end == s.c_str() || *end != '\0' || v < lo || v > hi) return std::nullopt;
  return v;
}

std::optional<double> ParseDouble(const std::string& text, double lo, double hi) {
  const std::string s = Trim(text);
  if (s.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (errno != 0 || end == s.c_str() || *end != '\0' || !std::isfinite(v) || v < lo || v > hi)
    return std::nullopt;
  return v;
}

std::optional<bool> ParseBool(const std::string& text) {
  const std::string s = Lower(Trim(text));
  if (s == "1" || s == "yes" || s == "true" || s == "on") return true;
  if (s == "0" || s == "no" || s == "false" || s == "off") return false;
  return std::nullopt;
}

// Comma- or blank-separated integers, each in lo..hi.
std::optional<std::vector<long long>> ParseIntList(const std::string& text, long long lo, long long hi) {
  std::string s = text;
  for (char& c : s)
    if (c == ',' || c == ';') c = ' ';
  std::istringstream in(s);
  std::vector<long long> values;
  std::string item;
  while (in >> item) {
    const auto v = ParseInt(item, lo, hi);
    if (!v) return std::nullopt;
    values.push_back(*v);
  }
  return values;
}

// One "key = value" line and where it came from.
struct Entry {
  std::string section;
  std::string key;
  std::string value;
  int line = 0;
};

class ScenarioReader {
 public:
  ScenarioReader(const std::string& source, Scenario& out, std::vector<std::string>& messages)
      : source_(source), out_(out), messages_(messages) {}

  void Apply(const Entry& e) {
    entry_ = &e;
    if (e.section == "device")
      Device(e);
    else if (e.section == "eeprom")
      Eeprom(e);
    else if (e.section == "battery")
      Battery(e);
    else if (e.section == "health")
      Health(e);
    else if (e.section == "probe")
      Probe(e);
    else if (e.section == "controls")
      Controls(e);
    else if (e.section == "scene")
      Scene(e);
    else if (e.section == "sound")
      Sound(e);
    else if (e.section == "faults")
      Faults(e);
    else if (e.section.rfind("emitter", 0) == 0)
      Emitter(e);
    else
      Report("unknown section [" + e.section + "]");
  }

  void Finish() {
    if (!emitters_.empty() || !useDefaultEmitters_) {
      out_.emitters.clear();
      for (auto& [n, spec] : emitters_) out_.emitters.push_back(spec);
    }
    if (mobileHandsets_) {
      for (const EmitterSpec& handset : MobileHandsets()) out_.emitters.push_back(handset);
    }
  }

  void Report(const std::string& what) {
    const int line = entry_ ? entry_->line : 0;
    messages_.push_back(source_ + ":" + std::to_string(line) + ": " + what);
  }

  void ReportLine(int line, const std::string& what) {
    messages_.push_back(source_ + ":" + std::to_string(line) + ": " + what);
  }

 private:
  void Bad(const Entry& e, const char* expected) {
    Report("bad value '" + e.value + "' for " + e.key + " (" + expected + "), default kept");
  }
  void Unknown(const Entry& e) { Report("unknown key '" + e.key + "' in [" + e.section + "]"); }

  template <typename T>
  void SetInt(const Entry& e, T& field, long long lo, long long hi) {
    if (auto v = ParseInt(e.value, lo, hi))
      field = static_cast<T>(*v);
    else
      Bad(e, ("integer " + std::to_string(lo) + ".." + std::to_string(hi)).c_str());
  }
  void SetDouble(const Entry& e, double& field, double lo, double hi) {
    if (auto v = ParseDouble(e.value, lo, hi))
      field = *v;
    else
      Bad(e, "number in range");
  }
  void SetBool(const Entry& e, bool& field) {
    if (auto v = ParseBool(e.value))
      field = *v;
    else
      Bad(e, "0 or 1");
  }

  void Device(const Entry& e) {
    if (e.key == "present")
      SetBool(e, out_.present);
    else if (e.key == "unplug_after_ms")
      SetInt(e, out_.unplugAfterMs, 0, 86400000);
    else if (e.key == "unplug_after_calls")
      SetInt(e, out_.unplugAfterCalls, 0, 2000000000);
    else if (e.key == "seed")
      SetInt(e, out_.seed, 0, 0x7FFFFFFFFFFFFFFFLL);
    else if (e.key == "pic_version")
      SetInt(e, out_.picVersion, 0, 0xFFFF);
    else if (e.key == "sound_pic_version")
      SetInt(e, out_.soundPicVersion, 0, 0xFFFF);
    else if (e.key == "par_timeout_ms")
      SetInt(e, out_.parTimeoutMs, 0, 600000);
    else if (e.key == "pace") {
      const std::string v = Lower(Trim(e.value));
      if (v == "fast")
        out_.pace = Pace::Fast;
      else if (v == "real")
        out_.pace = Pace::Real;
      else
        Bad(e, "fast or real");
    } else
      Unknown(e);
  }

  void Eeprom(const Entry& e) {
    if (e.key == "erased") {
      SetBool(e, out_.eepromErased);
      return;
    }
    if (e.key == "file") {
      if (e.value.empty())
        Bad(e, "a file name");
      else
        out_.eepromFile = e.value;
      return;
    }
    if (e.key.rfind("cell.", 0) == 0) {
      const auto n = ParseInt(e.key.substr(5), 0, 255);
      const auto v = ParseInt(e.value, 0, 255);
      if (!n)
        Report("bad cell number in '" + e.key + "' (0..255)");
      else if (!v)
        Bad(e, "byte 0..255");
      else
        out_.cells[static_cast<size_t>(*n)] = static_cast<uint8_t>(*v);
      return;
    }
    if (e.key.rfind("record.", 0) == 0) {
      const auto n = ParseInt(e.key.substr(7), 0, 5);
      const auto v = ParseIntList(e.value, 0, 255);
      if (!n)
        Report("bad record number in '" + e.key + "' (0..5)");
      else if (!v || v->size() != 18)
        Bad(e, "18 bytes 0..255");
      else {
        std::array<uint8_t, 18> rec{};
        for (size_t i = 0; i < 18; ++i) rec[i] = static_cast<uint8_t>((*v)[i]);
        out_.records[static_cast<size_t>(*n)] = rec;
      }
      return;
    }
    Unknown(e);
  }

  void Battery(const Entry& e) {
    if (e.key == "level")
      SetInt(e, out_.battery, 0, 255);
    else
      Unknown(e);
  }

  void Health(const Entry& e) {
    if (e.key == "temp_mainboard")
      SetInt(e, out_.tempMainboard, 0, 255);
    else if (e.key == "temp_power")
      SetInt(e, out_.tempPower, 0, 255);
    else if (e.key.rfind("current.", 0) == 0) {
      const auto code = ParseInt(e.key.substr(8), 0, 255);
      const auto v = ParseInt(e.value, 0, 255);
      if (!code)
        Report("bad mux code in '" + e.key + "' (0..255)");
      else if (!v)
        Bad(e, "byte 0..255");
      else
        out_.currents[static_cast<size_t>(*code)] = static_cast<uint8_t>(*v);
    } else
      Unknown(e);
  }

  void Probe(const Entry& e) {
    if (e.key == "present")
      SetBool(e, out_.probePresent);
    else if (e.key == "level") {
      SetInt(e, out_.probeLevel, 0, 255);
      out_.probeLevelFixed = true;
    } else
      Unknown(e);
  }

  void Controls(const Entry& e) {
    if (e.key == "key_pressed")
      SetBool(e, out_.keyPressed);
    else if (e.key == "headphones")
      SetBool(e, out_.headphones);
    else if (e.key == "ad5")
      SetInt(e, out_.ad5, 0, 255);
    else
      Unknown(e);
  }

  void Scene(const Entry& e) {
    if (e.key == "noise_floor_dbm")
      SetDouble(e, out_.noiseFloorDbm, -200, 0);
    else if (e.key == "zero_hz_signal")
      SetBool(e, out_.zeroHzSignal);
    else if (e.key == "zero_hz_dbm")
      SetDouble(e, out_.zeroHzDbm, -200, 50);
    else if (e.key == "vlf_zero_hz_dbm")
      SetDouble(e, out_.vlfZeroHzDbm, -200, 50);
    else if (e.key == "input_b_offset_db")
      SetDouble(e, out_.inputBOffsetDb, -100, 100);
    else if (e.key == "xo400_error_hz")
      SetDouble(e, out_.xo400ErrorHz, -1e6, 1e6);
    else if (e.key == "dds_clock_error_hz")
      SetDouble(e, out_.ddsClockErrorHz, -1e6, 1e6);
    else if (e.key == "default_emitters")
      SetBool(e, useDefaultEmitters_);
    else if (e.key == "mobile_handsets")
      SetBool(e, mobileHandsets_);
    else
      Unknown(e);
  }

  void Sound(const Entry& e) {
    if (e.key == "play_to_record_delay")
      SetInt(e, out_.playToRecordDelay, 0, 65536);
    else if (e.key == "room_level")
      SetDouble(e, out_.roomLevel, 0, 30000);
    else if (e.key == "noise_level")
      SetDouble(e, out_.noiseLevel, 0, 30000);
    else
      Unknown(e);
  }

  void Faults(const Entry& e) {
    if (e.key == "absent_i2c") {
      if (auto v = ParseIntList(e.value, 0, 127)) {
        out_.absentI2c.clear();
        for (long long a : *v) out_.absentI2c.insert(static_cast<uint8_t>(a));
      } else
        Bad(e, "list of 7-bit addresses");
    } else if (e.key == "fail_command") {
      if (auto v = ParseIntList(e.value, 0, 255)) {
        out_.failCommands.clear();
        for (long long c : *v) out_.failCommands.insert(static_cast<uint8_t>(c));
      } else
        Bad(e, "list of command bytes 0..255");
    } else if (e.key.rfind("detune_record.", 0) == 0) {
      const auto n = ParseInt(e.key.substr(14), 0, 5);
      const auto v = ParseInt(e.value, -255, 255);
      if (!n)
        Report("bad record number in '" + e.key + "' (0..5)");
      else if (!v)
        Bad(e, "steps -255..255");
      else
        out_.recordDetune[static_cast<size_t>(*n)] = static_cast<int>(*v);
    } else if (e.key == "silent_pages") {
      if (auto v = ParseIntList(e.value, 0, 255)) {
        out_.silentPages.clear();
        for (long long p : *v) out_.silentPages.insert(static_cast<uint8_t>(p));
      } else
        Bad(e, "list of sound pages 0..255");
    } else if (e.key == "bad_sound_bank") {
      if (auto v = ParseIntList(e.value, 0, 2)) {
        out_.badSoundBanks.clear();
        for (long long b : *v) out_.badSoundBanks.insert(static_cast<uint8_t>(b));
      } else
        Bad(e, "list of banks 0..2");
    } else
      Unknown(e);
  }

  void Emitter(const Entry& e) {
    const auto n = ParseInt(e.section.substr(7), 0, 999);
    if (!n) {
      Report("bad emitter section [" + e.section + "] (emitter0..emitter999)");
      return;
    }
    EmitterSpec& spec = emitters_[static_cast<int>(*n)];
    double khz = spec.bandwidthHz / 1e3;
    double mhz = spec.frequencyHz / 1e6;
    if (e.key == "frequency_mhz") {
      SetDouble(e, mhz, 0, 20000);
      spec.frequencyHz = mhz * 1e6;
    } else if (e.key == "level_dbm")
      SetDouble(e, spec.levelDbm, -200, 50);
    else if (e.key == "bandwidth_khz") {
      SetDouble(e, khz, 0, 100000);
      spec.bandwidthHz = khz * 1e3;
    } else if (e.key == "pulsed")
      SetBool(e, spec.pulsed);
    else if (e.key == "duty")
      SetDouble(e, spec.dutyCycle, 0, 1);
    else if (e.key == "tone_hz")
      SetDouble(e, spec.toneHz, 0, 11025);
    else if (e.key == "echo")
      SetBool(e, spec.echo);
    else if (e.key == "drift_khz_per_s") {
      double v = 0;
      SetDouble(e, v, -1e6, 1e6);
      spec.driftHzPerS = v * 1e3;
    } else if (e.key == "drift_limit_khz") {
      double v = 0;
      SetDouble(e, v, 0, 1e7);
      spec.driftLimitHz = v * 1e3;
    } else if (e.key == "level_rise_db_per_s")
      SetDouble(e, spec.levelRiseDbPerS, -100, 100);
    else if (e.key == "level_limit_dbm")
      SetDouble(e, spec.levelLimitDbm, -200, 50);
    else
      Unknown(e);
  }

  std::string source_;
  Scenario& out_;
  std::vector<std::string>& messages_;
  const Entry* entry_ = nullptr;
  std::map<int, EmitterSpec> emitters_;
  bool useDefaultEmitters_ = true;
  bool mobileHandsets_ = false;
};

}  // namespace

// One bursting handset in each of GSM 900, GSM 1800, UMTS, LTE 800 and LTE 2600 (DECT has its
// base station in the default scene).
std::vector<EmitterSpec> MobileHandsets() {
  std::vector<EmitterSpec> handsets;
  for (double mhz : {902.0, 1750.0, 1950.0, 847.0, 2535.0}) {
    EmitterSpec e;
    e.frequencyHz = mhz * 1e6;
    e.levelDbm = -50;
    e.bandwidthHz = 200e3;
    e.pulsed = true;
    e.dutyCycle = 0.5;
    handsets.push_back(e);
  }
  return handsets;
}

Scenario DefaultScenario() {
  Scenario s;
  EmitterSpec bug;
  bug.frequencyHz = 433.92e6;
  bug.levelDbm = -45;
  bug.bandwidthHz = 25e3;
  bug.echo = true;
  EmitterSpec tone;
  tone.frequencyHz = 868.3e6;
  tone.levelDbm = -50;
  tone.bandwidthHz = 25e3;
  tone.toneHz = 1000;
  EmitterSpec dect;
  dect.frequencyHz = 1880e6;
  dect.levelDbm = -40;
  dect.bandwidthHz = 1.2e6;
  dect.pulsed = true;
  EmitterSpec wlan;
  wlan.frequencyHz = 2450e6;
  wlan.levelDbm = -42;
  wlan.bandwidthHz = 2e6;
  s.emitters = {bug, tone, dect, wlan};
  return s;
}

bool ParseScenario(const std::string& text, const std::string& sourceName, Scenario& out,
                   std::vector<std::string>& messages) {
  const size_t before = messages.size();
  ScenarioReader reader(sourceName, out, messages);
  std::istringstream in(text);
  std::string raw;
  std::string section;
  int line = 0;
  while (std::getline(in, raw)) {
    ++line;
    std::string s = Trim(raw);
    if (s.empty() || s[0] == ';' || s[0] == '#') continue;
    if (s.front() == '[') {
      if (s.back() != ']' || s.size() < 3) {
        reader.ReportLine(line, "malformed section header '" + s + "'");
        section = "?";  // keys up to the next good header are skipped
        continue;
      }
      section = Lower(Trim(s.substr(1, s.size() - 2)));
      continue;
    }
    const auto eq = s.find('=');
    if (eq == std::string::npos) {
      reader.ReportLine(line, "not a key=value line: '" + s + "'");
      continue;
    }
    Entry e{section, Lower(Trim(s.substr(0, eq))), Trim(s.substr(eq + 1)), line};
    // a trailing comment after the value
    const auto cmt = e.value.find_first_of(";#");
    if (cmt != std::string::npos) e.value = Trim(e.value.substr(0, cmt));
    if (section.empty()) {
      reader.ReportLine(line, "key '" + e.key + "' outside any section");
      continue;
    }
    if (section == "?") {
      reader.ReportLine(line, "key '" + e.key + "' skipped after a bad section header");
      continue;
    }
    if (e.key.empty()) {
      reader.ReportLine(line, "empty key");
      continue;
    }
    reader.Apply(e);
  }
  reader.Finish();
  return messages.size() == before;
}

}  // namespace usb2sim
