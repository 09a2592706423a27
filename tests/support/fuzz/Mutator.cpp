#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "tests/support/fuzz/Fuzz.h"

namespace fuzz {

namespace {

const Bytes* currentInput = nullptr;

using Offset = std::ptrdiff_t;

void InsertToken(Bytes& b, const std::vector<std::string>& dictionary, Random& random) {
  if (dictionary.empty()) return;
  const std::string& token = dictionary[random.Below(dictionary.size())];
  b.insert(b.begin() + Offset(random.Below(b.size() + 1)), token.begin(), token.end());
}

// A line of another seed inserted at a line start of this one: mixes sections and keys of text formats.
void SpliceLine(Bytes& b, const std::vector<Bytes>& seeds, Random& random) {
  const Bytes& other = seeds[random.Below(seeds.size())];
  if (other.empty()) return;
  size_t from = random.Below(other.size());
  while (from > 0 && other[from - 1] != '\n') --from;
  size_t to = from;
  while (to < other.size() && other[to] != '\n') ++to;
  if (to < other.size()) ++to;
  size_t at = random.Below(b.size() + 1);
  while (at > 0 && b[at - 1] != '\n') --at;
  b.insert(b.begin() + Offset(at), other.begin() + Offset(from), other.begin() + Offset(to));
}

}  // namespace

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::string ToText(const uint8_t* data, size_t size) {
  return size ? std::string(reinterpret_cast<const char*>(data), size) : std::string();
}

Bytes Mutate(const Bytes& seed, const Corpus& corpus, Random& random) {
  Bytes b = seed;
  const int edits = 1 + int(random.Below(4));
  for (int e = 0; e < edits; ++e) {
    const size_t kind = random.Below(8);
    if (kind == 6) {
      InsertToken(b, corpus.dictionary, random);
      continue;
    }
    if (kind == 7) {
      SpliceLine(b, corpus.seeds, random);
      continue;
    }
    if (b.empty()) continue;
    switch (kind) {
      case 0:
        b[random.Below(b.size())] ^= uint8_t(1u << random.Below(8));
        break;
      case 1:
        b[random.Below(b.size())] = uint8_t(random.Next());
        break;
      case 2:
        b.resize(random.Below(b.size()));
        break;
      case 3:
        b.insert(b.begin() + Offset(random.Below(b.size())), uint8_t(random.Next()));
        break;
      case 4: {  // a header field: one of the first 64 bytes set to an extreme value
        const uint8_t extremes[] = {0, 1, 0x7F, 0x80, 0xFF};
        b[random.Below(std::min<size_t>(b.size(), 64))] = extremes[random.Below(5)];
        break;
      }
      default: {  // a block of the input repeated
        const size_t from = random.Below(b.size());
        const size_t length = random.Below(std::min<size_t>(b.size() - from, 32));
        const Bytes block(b.begin() + Offset(from), b.begin() + Offset(from + length));
        b.insert(b.begin() + Offset(random.Below(b.size())), block.begin(), block.end());
        break;
      }
    }
  }
  return b;
}

void SetCurrentInput(const Bytes* input) { currentInput = input; }

void Finding(const char* file, int line, const std::string& what) {
  std::fprintf(stderr, "FINDING at %s:%d: %s\n", file, line, what.c_str());
  if (currentInput) {
    const char* name = "fuzz-finding.bin";
    if (FILE* out = std::fopen(name, "wb")) {
      std::fwrite(currentInput->data(), 1, currentInput->size(), out);
      std::fclose(out);
      std::fprintf(stderr, "the input (%zu bytes) is in %s\n", currentInput->size(), name);
    }
  }
  std::abort();
}

}  // namespace fuzz
