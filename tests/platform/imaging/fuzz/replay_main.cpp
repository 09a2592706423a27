// Replay driver for the decoder fuzz entry point, for builds without libFuzzer: feeds seed images of
// every format (built here) and files given on the command line, then deterministic mutations of them
// (bit flips, byte overwrites, truncations, insertions, header field changes) from a fixed seed.
//   fuzz_imaging_replay [--iterations N] [--seed S] [file...]
//   fuzz_imaging_replay --write-seeds DIR     (writes the built-in seeds as a corpus for libFuzzer)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/imaging/Imaging.h"
#include "tests/platform/imaging/Fixtures.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using fixtures::Bytes;

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

std::vector<Bytes> Seeds() {
  std::vector<Bytes> seeds;
  std::vector<fixtures::Rgb> pixels(12 * 9);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = {uint8_t(i * 3), uint8_t(i * 5), uint8_t(i * 7)};
  seeds.push_back(fixtures::MakeBmp(12, 9, 24, pixels));
  seeds.push_back(fixtures::MakeBmp(12, 9, 32, pixels));
  std::vector<fixtures::Rgb> palette(256);
  std::vector<uint8_t> indices(12 * 9);
  for (int i = 0; i < 256; ++i) palette[size_t(i)] = {uint8_t(i), uint8_t(255 - i), 9};
  for (size_t i = 0; i < indices.size(); ++i) indices[i] = uint8_t(i);
  seeds.push_back(fixtures::MakeBmp(12, 9, 8, {}, indices, palette));
  seeds.push_back(fixtures::MakeBmp(12, 9, 1, {}, std::vector<uint8_t>(12 * 9, 1), {{0, 0, 0}, {255, 255, 255}}));
  seeds.push_back(fixtures::MakeTga(12, 9, 32, pixels, std::vector<uint8_t>(12 * 9, 128), true));
  Bytes rle = fixtures::TgaHeader(10, 12, 9, 24, 0);
  for (int i = 0; i < 9; ++i) rle.insert(rle.end(), {0x8B, uint8_t(i), 2, 3});
  seeds.push_back(rle);

  imaging::Image image = imaging::MakeImage(12, 9, 3, false);
  for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = uint8_t(i * 11);
  seeds.push_back(imaging::EncodeJPEG(image.Ref(), 80));
  fixtures::TempFolder dir;
  struct Layout {
    int depth;
    bool wide;
  } layouts[] = {{0, false}, {1, false}, {3, false}, {4, true}};
  for (const Layout& l : layouts) {
    imaging::Image png = imaging::MakeImage(12, 9, l.depth, l.wide);
    for (size_t i = 0; i < png.pixels.size(); ++i) png.pixels[i] = uint8_t(i * 13);
    const std::string path = dir / "seed.png";
    if (imaging::SavePNG(path, png.Ref())) seeds.push_back(fixtures::ReadFile(path));
  }
  return seeds;
}

Bytes Mutate(const Bytes& seed, Random& random) {
  Bytes b = seed;
  const int edits = 1 + int(random.Below(4));
  for (int e = 0; e < edits && !b.empty(); ++e) {
    switch (random.Below(6)) {
      case 0: b[random.Below(b.size())] ^= uint8_t(1u << random.Below(8)); break;
      case 1: b[random.Below(b.size())] = uint8_t(random.Next()); break;
      case 2: b.resize(random.Below(b.size())); break;
      case 3: b.insert(b.begin() + long(random.Below(b.size())), uint8_t(random.Next())); break;
      case 4: {  // a header field: one of the first 64 bytes set to an extreme value
        const uint8_t extremes[] = {0, 1, 0x7F, 0x80, 0xFF};
        b[random.Below(std::min<size_t>(b.size(), 64))] = extremes[random.Below(5)];
        break;
      }
      default: {  // a block of the file repeated
        size_t from = random.Below(b.size()), length = random.Below(std::min<size_t>(b.size() - from, 32));
        Bytes block(b.begin() + long(from), b.begin() + long(from + length));
        b.insert(b.begin() + long(random.Below(b.size())), block.begin(), block.end());
        break;
      }
    }
  }
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  long iterations = 3000;
  uint64_t seed = 0x9E3779B97F4A7C15ull;
  std::vector<Bytes> seeds = Seeds();
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--iterations") && i + 1 < argc) iterations = std::atol(argv[++i]);
    else if (!std::strcmp(argv[i], "--seed") && i + 1 < argc) seed = std::strtoull(argv[++i], nullptr, 0);
    else if (!std::strcmp(argv[i], "--write-seeds") && i + 1 < argc) {
      const std::string dir = argv[++i];
      for (size_t k = 0; k < seeds.size(); ++k) fixtures::WriteFile(dir + "/seed" + std::to_string(k), seeds[k]);
      std::printf("%zu seeds written to %s\n", seeds.size(), dir.c_str());
      return 0;
    }
    else seeds.push_back(fixtures::ReadFile(argv[i]));
  }
  Random random{seed ? seed : 1};
  for (const Bytes& s : seeds) LLVMFuzzerTestOneInput(s.data(), s.size());
  for (long i = 0; i < iterations; ++i) {
    const Bytes input = Mutate(seeds[random.Below(seeds.size())], random);
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  std::printf("%zu seeds, %ld mutated inputs decoded without a fault\n", seeds.size(), iterations);
  return 0;
}
