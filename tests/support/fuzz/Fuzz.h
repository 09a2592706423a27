// What every fuzz driver shares: the entry point it defines, the seeds and dictionary it gives the
// replay driver, the deterministic mutator and the check that reports a finding.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fuzz {

using Bytes = std::vector<uint8_t>;

Bytes ToBytes(const std::string& text);
std::string ToText(const uint8_t* data, size_t size);

// Defined once by each driver: the built-in seed inputs, and tokens of its file format that the
// mutator splices in (section headers, key names, extreme numbers; may be empty).
struct Corpus {
  std::vector<Bytes> seeds;
  std::vector<std::string> dictionary;
};
Corpus DriverCorpus();

// xorshift64: the same seed gives the same inputs on every machine.
struct Random {
  uint64_t state;
  uint64_t Next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
  size_t Below(size_t n) { return n ? size_t(Next() % n) : 0; }
};

// One to four edits of seed: bit flips, byte overwrites, truncations, insertions, extreme values in the
// first 64 bytes (binary headers), repeated blocks, dictionary tokens and whole lines of other seeds.
Bytes Mutate(const Bytes& seed, const Corpus& corpus, Random& random);

// Reports a broken invariant and ends the run (the replay driver keeps the input that caused it).
[[noreturn]] void Finding(const char* file, int line, const std::string& what);

// Called by the replay driver before each input, so that a finding can save it.
void SetCurrentInput(const Bytes* input);

}  // namespace fuzz

#define FUZZ_CHECK(condition, what)                                                               \
  do {                                                                                            \
    if (!(condition)) ::fuzz::Finding(__FILE__, __LINE__, std::string(#condition ": ") + (what)); \
  } while (0)
