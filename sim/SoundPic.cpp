// The Sound-PIC: page memory (256-byte pages of 16-bit samples, high byte first, 0x8000 =
// silence), the playback bank in four blocks, one recording memory per AD channel, and play and
// record. While it plays, the room hears the sound after the play-to-record delay; AD1 records
// the room (microphone), AD0 the receiver's demodulated audio on the audio path.
#include "sim/Model.h"

#include <algorithm>

namespace usb2sim {

namespace {

constexpr double kSampleRate = 22050.0;
constexpr int kSamplesPerPage = 128;
constexpr uint8_t kTestSoundRouting = 3;

int AreaOfOpcode(uint8_t op) {
  switch (op) {
    case 131:
    case 132:
      return 0;
    case 136:
    case 139:
      return 1;
    default:
      return 2;  // 137, 140
  }
}

}  // namespace

void Model::ExecuteSound(const std::vector<uint8_t>& c) {
  const uint8_t op = c[1];
  switch (op) {
    case 130:
      Answer(static_cast<uint8_t>(scenario_.soundPicVersion >> 8));
      Answer(static_cast<uint8_t>(scenario_.soundPicVersion & 0xFF));
      break;
    case 131:
    case 139:
    case 140:  // the data phase follows in the stream
      writeArea_ = AreaOfOpcode(op);
      writeBlock_ = c[4] & 3;
      writeOffset_ = static_cast<size_t>(c[2]) * 256;
      writeLeft_ = static_cast<size_t>(c[3]) * 256;
      break;
    case 132:
    case 136:
    case 137: {
      const int area = AreaOfOpcode(op);
      const std::vector<uint8_t>& mem = SoundArea(area, c[4] & 3);
      const size_t bytes = static_cast<size_t>(c[3]) * 256;
      const size_t base = static_cast<size_t>(c[2]) * 256;
      // A faulty bank reads back with data bit 4 stuck high.
      const uint8_t stuck = scenario_.badSoundBanks.count(static_cast<uint8_t>(area)) ? 0x10 : 0x00;
      answer_.reserve(answer_.size() + bytes);
      for (size_t i = 0; i < bytes; ++i) Answer(mem[(base + i) % mem.size()] | stuck);
      delay_ += bytes * 1e-6;
      break;
    }
    case 138: {  // the latest sample of the AD0 recording memory
      Answer(sound_[4][0]);
      Answer(sound_[4][1]);
      break;
    }
    case 142:
      PlayAndRecord(c[2], c[3], c[4] & 3, true);
      lastPlay_ = {c[2], c[3], c[4], 0, lastPlay_.count + 1};
      Answer(1);
      break;
    case 143:  // the first parameter names the block a test sound comes from
      PlayAndRecord(c[2], c[3], c[4] & 3, false);
      lastRecord_ = {c[2], c[3], c[4], c[5], lastRecord_.count + 1};
      Answer(1);
      break;
    default:
      break;
  }
}

// Records pages x 128 samples into both AD memories at the same pages; with play, the playback
// bank's pages sound in the room meanwhile. While the sound module routes the test sound (0x74
// port 0 = 3), the block's pages also go straight into the demodulated channel. The
// acknowledgement comes after the sound's time.
void Model::PlayAndRecord(int start, int pages, int block, bool play) {
  const size_t n = static_cast<size_t>(pages) * kSamplesPerPage;
  if (n == 0) return;
  auto pageByte = [start](size_t k) {
    return static_cast<size_t>((start + static_cast<int>(k / kSamplesPerPage)) & 0xFF) * 256 +
           (k % kSamplesPerPage) * 2;
  };
  const std::vector<uint8_t>& bank = SoundArea(0, block);
  auto banked = [&](size_t k) {
    const size_t at = pageByte(k);
    return ((bank[at] << 8) | bank[at + 1]) - 0x8000;
  };
  std::vector<int> room(n);
  for (size_t k = 0; k < n; ++k) {
    int v = scene_.RoomBackground(audioClock_ + k);
    if (play && k >= scenario_.playToRecordDelay) {
      const size_t played = k - scenario_.playToRecordDelay;
      if (!scenario_.silentPages.count(static_cast<uint8_t>(pageByte(played) / 256))) v += banked(played);
    }
    room[k] = v;
  }
  std::vector<int> demodulated;
  scene_.Demodulate(Listen(1), room, audioClock_, demodulated);
  if (pca74_.reg[2] == kTestSoundRouting)
    for (size_t k = 0; k < n; ++k) demodulated[k] += banked(k);
  const int noise = static_cast<int>(scenario_.noiseLevel);
  auto store = [](std::vector<uint8_t>& mem, size_t at, int v) {
    const int u = std::clamp(v + 0x8000, 0, 0xFFFF);
    mem[at] = static_cast<uint8_t>(u >> 8);
    mem[at + 1] = static_cast<uint8_t>(u & 0xFF);
  };
  for (size_t k = 0; k < n; ++k) {
    const size_t at = pageByte(k);
    store(sound_[4], at, demodulated[k] + rng_.Jitter(noise));
    store(sound_[5], at, room[k] + rng_.Jitter(noise));
  }
  audioClock_ += n + 2205;
  delay_ += static_cast<double>(n) / kSampleRate;
}

}  // namespace usb2sim
