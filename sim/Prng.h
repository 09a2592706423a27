// Small deterministic random source (splitmix64): the same seed gives the same readings.
#pragma once

#include <cstdint>

namespace usb2sim {

class Prng {
 public:
  explicit Prng(uint64_t seed = 1) : state_(seed) {}

  void Seed(uint64_t seed) { state_ = seed; }

  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

  // Uniform integer in [-span, span].
  int Jitter(int span) {
    if (span <= 0) return 0;
    return static_cast<int>(Next() % static_cast<uint64_t>(2 * span + 1)) - span;
  }

  // A stateless hash of two numbers, for values that must not depend on call order.
  static uint64_t Hash(uint64_t a, uint64_t b) {
    Prng p(a * 0x9E3779B97F4A7C15ULL + b);
    return p.Next();
  }

 private:
  uint64_t state_;
};

}  // namespace usb2sim
