// Replay driver of every fuzz entry point, for builds without libFuzzer: feeds the driver's seeds and
// files given on the command line, then deterministic mutations of them from a fixed seed.
//   fuzz_<name>_replay [--iterations N] [--seed S] [file...]
//   fuzz_<name>_replay --write-seeds DIR     (writes the seeds as a corpus for libFuzzer)
// A broken invariant or a sanitizer report ends the run; the input is then kept in fuzz-finding.bin.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/fuzz/Fuzz.h"

extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace {

const fuzz::Bytes* runningInput = nullptr;

void SaveRunningInput() {
  if (!runningInput) return;
  if (FILE* out = std::fopen("fuzz-finding.bin", "wb")) {
    std::fwrite(runningInput->data(), 1, runningInput->size(), out);
    std::fclose(out);
    std::fprintf(stderr, "the input (%zu bytes) is in fuzz-finding.bin\n", runningInput->size());
  }
}

void Run(const fuzz::Bytes& input) {
  runningInput = &input;
  fuzz::SetCurrentInput(&input);
  LLVMFuzzerTestOneInput(input.data(), input.size());
  runningInput = nullptr;
  fuzz::SetCurrentInput(nullptr);
}

fuzz::Bytes ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path);
    std::exit(2);
  }
  return fuzz::Bytes(std::istreambuf_iterator<char>(in), {});
}

int WriteSeeds(const fuzz::Corpus& corpus, const std::string& dir) {
  for (size_t k = 0; k < corpus.seeds.size(); ++k) {
    std::ofstream out(dir + "/seed" + std::to_string(k), std::ios::binary);
    out.write(reinterpret_cast<const char*>(corpus.seeds[k].data()), std::streamsize(corpus.seeds[k].size()));
    if (!out) {
      std::fprintf(stderr, "cannot write to %s\n", dir.c_str());
      return 2;
    }
  }
  std::printf("%zu seeds written to %s\n", corpus.seeds.size(), dir.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  long iterations = 3000;
  uint64_t seed = 0x9E3779B97F4A7C15ull;
  fuzz::Corpus corpus = fuzz::DriverCorpus();
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--iterations") && i + 1 < argc)
      iterations = std::atol(argv[++i]);
    else if (!std::strcmp(argv[i], "--seed") && i + 1 < argc)
      seed = std::strtoull(argv[++i], nullptr, 0);
    else if (!std::strcmp(argv[i], "--write-seeds") && i + 1 < argc)
      return WriteSeeds(corpus, argv[++i]);
    else
      corpus.seeds.push_back(ReadFile(argv[i]));
  }
  if (corpus.seeds.empty()) corpus.seeds.emplace_back();
  if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(SaveRunningInput);

  const auto start = std::chrono::steady_clock::now();
  fuzz::Random random{seed ? seed : 1};
  for (const fuzz::Bytes& s : corpus.seeds) Run(s);
  const long report = iterations >= 100000 ? 100000 : 0;
  for (long i = 0; i < iterations; ++i) {
    const fuzz::Bytes input = fuzz::Mutate(corpus.seeds[random.Below(corpus.seeds.size())], corpus, random);
    Run(input);
    if (report && (i + 1) % report == 0) {
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      std::printf("%ld inputs, %.0f s\n", i + 1, seconds);
      std::fflush(stdout);
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%zu seeds and %ld mutated inputs (seed %llu) in %.1f s without a finding\n",
              corpus.seeds.size(), iterations, static_cast<unsigned long long>(seed), seconds);
  return 0;
}
