// The parallel bus and the USB-PIC behind it: a byte-stream command parser (bursts may be
// split or joined anyhow), the synthesisers, the AD converter, sweeps and the EEPROM.
#include "sim/Model.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace usb2sim {

namespace {

constexpr double kDds28Clock = 80e6;
constexpr double kTwoTo28 = 268435456.0;
constexpr uint8_t kSoundPrefix = 128;
constexpr size_t kUnknown = std::numeric_limits<size_t>::max();
constexpr double kCommandSeconds = 0.0001;    // one transfer
constexpr double kConversionSeconds = 20e-6;  // one AD conversion in a sweep

size_t UsbPicLength(uint8_t cmd) {
  switch (cmd) {
    case 1:
    case 5:
    case 19:
      return 1;
    case 2:
    case 3:
    case 4:
    case 14:
    case 32:
      return 2;
    case 33:
      return 3;
    case 11:
      return 4;
    case 17:
    case 24:
      return 5;
    case 18:
      return 6;
    case 12:
      return 11;
    case 20:
    case 23:
    case 29:
    case 30:
      return 12;
    case 13:
      return 20;
    default:
      return kUnknown;
  }
}

size_t SoundPicLength(uint8_t cmd) {  // without the prefix
  switch (cmd) {
    case 130:
    case 138:
      return 1;
    case 131:
    case 132:
    case 136:
    case 137:
    case 139:
    case 140:
    case 142:
      return 4;
    case 143:
      return 5;
    default:
      return kUnknown;
  }
}

uint32_t Be16(const uint8_t* p) { return (static_cast<uint32_t>(p[0]) << 8) | p[1]; }
uint32_t Be24(const uint8_t* p) { return (static_cast<uint32_t>(p[0]) << 16) | Be16(p + 1); }
uint32_t Be32(const uint8_t* p) { return (static_cast<uint32_t>(p[0]) << 24) | Be24(p + 1); }

}  // namespace

int Model::ParOut(const uint8_t* data, uint32_t count) {
  if (!data && count > 0) {
    lastError_ = kErrBadArgument;
    return 0;
  }
  delay_ += kCommandSeconds;
  bool failed = false;
  for (uint32_t i = 0; i < count && !failed; ++i) Feed(data[i], failed);
  return failed ? 0 : 1;
}

int Model::ParIn(uint8_t* data, uint32_t count) {
  if (!data && count > 0) {
    lastError_ = kErrBadArgument;
    return 0;
  }
  delay_ += kCommandSeconds;
  const size_t available = answer_.size() - answerRead_;
  if (available < count) {
    // the answer never comes complete: the module waits out its timeout, the bytes are lost
    answer_.clear();
    answerRead_ = 0;
    lastError_ = kErrParTimeout;
    delay_ += parTimeoutMs_ / 1000.0;
    return 0;
  }
  if (count > 0) std::memcpy(data, answer_.data() + answerRead_, count);
  answerRead_ += count;
  if (answerRead_ == answer_.size()) {
    answer_.clear();
    answerRead_ = 0;
  }
  return 1;
}

void Model::FlushBus() {
  command_.clear();
  answer_.clear();
  answerRead_ = 0;
  writeLeft_ = 0;
  writeArea_ = -1;
  ddsPhase_.fill(0);
}

size_t Model::CommandLength() const {
  if (command_[0] != kSoundPrefix) return UsbPicLength(command_[0]);
  if (command_.size() < 2) return 0;
  const size_t n = SoundPicLength(command_[1]);
  return n == kUnknown ? kUnknown : n + 1;
}

void Model::Feed(uint8_t b, bool& failed) {
  if (writeLeft_ > 0) {  // data phase of a sound write
    std::vector<uint8_t>& mem = SoundArea(writeArea_, writeBlock_);
    mem[writeOffset_ % mem.size()] = b;
    ++writeOffset_;
    --writeLeft_;
    return;
  }
  command_.push_back(b);
  const size_t length = CommandLength();
  if (length == kUnknown) {  // unknown opcode: dropped, the stream resynchronises on the next byte
    ++unknownCommands_;
    lastError_ = kErrUnknownCommand;
    command_.clear();
    return;
  }
  if (length == 0 || command_.size() < length) return;
  const uint8_t opcode = command_[0] == kSoundPrefix ? command_[1] : command_[0];
  if (scenario_.failCommands.count(opcode) != 0) {
    ++failedCommands_;
    lastError_ = kErrInjected;
    failed = true;
    command_.clear();
    return;
  }
  const std::vector<uint8_t> c = std::move(command_);
  command_.clear();
  if (c[0] == kSoundPrefix)
    ExecuteSound(c);
  else
    Execute(c);
}

void Model::Execute(const std::vector<uint8_t>& c) {
  switch (c[0]) {
    case 1:
      Answer(Sample(adChannel_));
      break;
    case 2:
      if (c[1] <= 6) {
        adChannel_ = c[1];
        ++adSelections_[c[1]];
      } else
        lastError_ = kErrBadArgument;
      break;
    case 3: {
      const unsigned n = std::max<unsigned>(1, c[1]);
      unsigned sum = 0;
      for (unsigned i = 0; i < n; ++i) sum += Sample(adChannel_);
      Answer(static_cast<uint8_t>(sum / n));
      delay_ += n * kConversionSeconds;
      break;
    }
    case 4:
      for (unsigned i = 0; i < c[1]; ++i) Answer(Sample(adChannel_));
      delay_ += c[1] * kConversionSeconds;
      break;
    case 5:
      Answer(static_cast<uint8_t>(scenario_.picVersion >> 8));
      Answer(static_cast<uint8_t>(scenario_.picVersion & 0xFF));
      break;
    case 11:
      WriteDdsWord(c[3], static_cast<uint16_t>(Be16(&c[1])));
      break;
    case 12:
      Sweep28(c, c[8], c[9], c[10], false);
      break;
    case 13:
      if (c[1] < records_.size()) {
        std::copy(c.begin() + 2, c.begin() + 20, records_[c[1]].begin());
        SaveEepromFile();
      } else {
        lastError_ = kErrBadArgument;
      }
      break;
    case 14:
      for (size_t i = 0; i < 18; ++i) Answer(c[1] < records_.size() ? records_[c[1]][i] : uint8_t{0xFF});
      break;
    case 17:
      if (c[1] == 1) dds400Control_ = Be24(&c[2]);
      break;
    case 18:
      if (c[1] == 4) TuneDds400(Be32(&c[2]));
      break;
    case 19:
      dds400Word_ = 0;
      dds400Control_ = 0;
      ++dds400Resets_;
      break;
    case 20:
      Sweep28(c, Be16(&c[8]), c[10], c[11], false);
      break;
    case 30:
      Sweep28(c, Be16(&c[8]), c[10], c[11], true);
      break;
    case 23:
      Sweep400(c, false);
      break;
    case 29:
      Sweep400(c, true);
      break;
    case 24:
      TuneDds400(Be32(&c[1]));
      break;
    case 32:
      Answer(eeprom_[c[1]]);
      break;
    case 33:
      eeprom_[c[1]] = c[2];
      SaveEepromFile();
      break;
    default:
      break;
  }
}

// 16-bit words to a 28-bit DDS: a control word (bits 15-14 = 00; 0x2000 = output on, two
// frequency writes follow; bits 7-6 set = sleep, e.g. 0x00C0 = off), then frequency data
// words (bits 15-14 = 01) carrying bits 13-0 first and bits 27-14 second.
void Model::WriteDdsWord(uint8_t dds, uint16_t word) {
  if (dds >= dds_.size()) {
    lastError_ = kErrBadArgument;
    return;
  }
  if ((word & 0xC000) == 0x0000) {
    dds_[dds].on = (word & 0x00C0) == 0;
    ddsPhase_[dds] = 0;
  } else if ((word & 0xC000) == 0x4000) {
    if (ddsPhase_[dds] == 0) {
      ddsLow_[dds] = word & 0x3FFF;
      ddsPhase_[dds] = 1;
    } else {
      TuneDds(dds, (static_cast<uint32_t>(word & 0x3FFF) << 14) | ddsLow_[dds]);
      ddsPhase_[dds] = 0;
    }
  }
}

void Model::TuneDds(int dds, uint32_t word) {
  DdsState& d = dds_[static_cast<size_t>(dds)];
  d.word = word & 0x0FFFFFFF;
  d.frequencyHz = d.word * (kDds28Clock + scenario_.ddsClockErrorHz) / kTwoTo28;
  d.on = true;
}

void Model::TuneDds400(uint32_t word) { dds400Word_ = word; }

// One answer per sweep point: the average of the conversions, or their minimum and maximum.
void Model::AnswerPoint(int conversions, bool words) {
  unsigned sum = 0;
  uint8_t lo = 255, hi = 0;
  if (adChannel_ <= 1) {
    const PointPower power = scene_.Prepare(Listen(adChannel_));
    const uint8_t generator = GeneratorLevel(adChannel_);
    for (int i = 0; i < conversions; ++i) {
      const uint8_t v = std::max(scene_.Convert(power, rng_), generator);
      sum += v;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  } else {
    for (int i = 0; i < conversions; ++i) {
      const uint8_t v = Sample(adChannel_);
      sum += v;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  }
  if (words) {
    Answer(lo);
    Answer(hi);
  } else {
    Answer(static_cast<uint8_t>(sum / static_cast<unsigned>(conversions)));
  }
}

// Header: start word (4 bytes), step word (3 bytes), count, param, dds. The DDS steps through
// the points and stays on the last one.
void Model::Sweep28(const std::vector<uint8_t>& c, uint32_t count, uint8_t param, uint8_t dds, bool words) {
  ++sweeps_;
  const uint32_t start = Be32(&c[1]);
  const uint32_t step = Be24(&c[5]);
  const int conversions = std::max<int>(1, param);
  const bool validDds = dds < dds_.size();
  if (!validDds) lastError_ = kErrBadArgument;
  answer_.reserve(answer_.size() + count * (words ? 2u : 1u));
  for (uint32_t i = 0; i < count; ++i) {
    if (validDds) TuneDds(dds, static_cast<uint32_t>((start + static_cast<uint64_t>(i) * step) & 0x0FFFFFFF));
    AnswerPoint(conversions, words);
  }
  delay_ += count * conversions * kConversionSeconds;
}

// Header: start word (4 bytes), step word (4 bytes), count (2 bytes), param.
void Model::Sweep400(const std::vector<uint8_t>& c, bool words) {
  ++sweeps_;
  const uint32_t start = Be32(&c[1]);
  const uint32_t step = Be32(&c[5]);
  const uint32_t count = Be16(&c[9]);
  const int conversions = std::max<int>(1, c[11]);
  answer_.reserve(answer_.size() + count * (words ? 2u : 1u));
  for (uint32_t i = 0; i < count; ++i) {
    TuneDds400(static_cast<uint32_t>((start + static_cast<uint64_t>(i) * step) & 0xFFFFFFFF));
    AnswerPoint(conversions, words);
  }
  delay_ += count * conversions * kConversionSeconds;
}

}  // namespace usb2sim
