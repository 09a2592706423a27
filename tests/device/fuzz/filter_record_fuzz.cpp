// Fuzz entry point of the IF-filter trim record files (".fil"): a file of at least one record loads its
// first 40 bytes and saves back the same; a shorter file raises an error naming its size and leaves the
// record as it was.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "device/InOut.h"
#include "device/InOutPlatform.h"
#include "tests/support/fuzz/Fuzz.h"
#include "tests/support/fuzz/ScratchFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzz::ScratchFolder folder;
  folder.Write("input.fil", data, size);
  std::array<uint8_t, FilterRecordFileSize> record;
  record.fill(0xA5);
  std::string error;
  try {
    LoadFilterRecord(record.data(), folder.Path() + "input.fil");
  } catch (const DeviceError& e) {
    error = e.Message;
  }
  if (size < size_t(FilterRecordFileSize)) {
    FUZZ_CHECK(error.find("holds " + std::to_string(size) + " bytes") != std::string::npos,
               "a file of the wrong size gave: '" + error + "'");
    FUZZ_CHECK(std::all_of(record.begin(), record.end(), [](uint8_t b) { return b == 0xA5; }),
               "a refused file changed the record");
    return 0;
  }
  FUZZ_CHECK(error.empty() && std::equal(record.begin(), record.end(), data),
             "a record file did not load: " + error);
  SaveFilterRecord(record.data(), folder.Path() + "saved.fil");
  FUZZ_CHECK(folder.Read("saved.fil") == fuzz::ToText(data, size_t(FilterRecordFileSize)),
             "the saved record differs from the loaded one");
  return 0;
}

fuzz::Corpus fuzz::DriverCorpus() {
  Bytes record(FilterRecordFileSize);
  for (size_t i = 0; i < record.size(); ++i) record[i] = uint8_t(0x40 + i * 5);
  return {{record, Bytes(record.begin(), record.end() - 1), Bytes(FilterRecordFileSize + 1, 0xFF), Bytes{}},
          {}};
}
