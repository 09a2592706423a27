// Fuzz entry point of the fingerprint files (".fng"): a file of exactly both blocks loads byte for
// byte and saves back to the same file; any other file is refused with a reason and leaves the buffer
// as it was.
#include <algorithm>
#include <string>
#include <vector>

#include "engine/FingerBuffer.h"
#include "tests/support/fuzz/Fuzz.h"
#include "tests/support/fuzz/ScratchFolder.h"

namespace {

// The buffer before each load: a pattern that no input is likely to repeat.
const std::vector<uint8_t>& Pattern() {
  static const std::vector<uint8_t> pattern = [] {
    std::vector<uint8_t> p(FingerBufferBase::FileSize);
    for (size_t i = 0; i < p.size(); ++i) p[i] = uint8_t(i * 7 + 3);
    return p;
  }();
  return pattern;
}

void FillPattern(FingerBufferBase& buffer) {
  const std::vector<uint8_t>& p = Pattern();
  std::copy(p.begin(), p.begin() + FingerBufferBase::AnalogSize, buffer.Analog);
  std::copy(p.begin() + FingerBufferBase::AnalogSize, p.end(), buffer.Digital);
}

bool HoldsPattern(const FingerBufferBase& buffer) {
  const std::vector<uint8_t>& p = Pattern();
  return std::equal(p.begin(), p.begin() + FingerBufferBase::AnalogSize, buffer.Analog) &&
         std::equal(p.begin() + FingerBufferBase::AnalogSize, p.end(), buffer.Digital);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzz::ScratchFolder folder;
  static FingerBufferBase buffer;
  folder.Write("input.fng", data, size);
  FillPattern(buffer);
  const bool loaded = buffer.Load(folder.Path() + "input.fng");
  if (size != FingerBufferBase::FileSize) {
    FUZZ_CHECK(!loaded, "a file of " + std::to_string(size) + " bytes was loaded");
    FUZZ_CHECK(HoldsPattern(buffer), "a refused file changed the buffer");
    FUZZ_CHECK(buffer.LoadError().find(std::to_string(size) + " bytes") != std::string::npos,
               "the reason does not name the size: " + buffer.LoadError());
    return 0;
  }
  FUZZ_CHECK(loaded && buffer.LoadError().empty(),
             "a file of the right size was refused: " + buffer.LoadError());
  FUZZ_CHECK(std::equal(data, data + FingerBufferBase::AnalogSize, buffer.Analog) &&
                 std::equal(data + FingerBufferBase::AnalogSize, data + size, buffer.Digital),
             "the blocks differ from the file");
  buffer.Save(folder.Path() + "saved.fng");
  const std::string saved = folder.Read("saved.fng");
  FUZZ_CHECK(
      saved.size() == size && std::equal(data, data + size, reinterpret_cast<const uint8_t*>(saved.data())),
      "the saved file differs from the loaded one");
  return 0;
}

fuzz::Corpus fuzz::DriverCorpus() {
  Bytes fingerprint(FingerBufferBase::FileSize);
  for (size_t i = 0; i < fingerprint.size(); ++i)
    fingerprint[i] = uint8_t(i < FingerBufferBase::AnalogSize ? i % 251 : 0xFD);
  Bytes shorter(fingerprint.begin(), fingerprint.end() - 1);
  Bytes longer = fingerprint;
  longer.push_back(0);
  Bytes analogOnly(fingerprint.begin(), fingerprint.begin() + FingerBufferBase::AnalogSize);
  return {{fingerprint, fingerprint, shorter, longer, analogOnly, Bytes{}, ToBytes("not a fingerprint")}, {}};
}
