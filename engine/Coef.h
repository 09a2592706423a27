// FIR coefficient tables of the silent-mode analysis. Both are linear phase: tap k equals tap
// count - 1 - k.
#pragma once
#include <array>

constexpr int CoefTable62Taps = 61;
constexpr int CoefTable192Taps = 191;

// Low-pass, taps sum to 1.
extern const std::array<float, CoefTable62Taps> CoefTable62;
// High-pass (a unit impulse less a narrow low-pass), centre tap 0.989352942.
extern const std::array<float, CoefTable192Taps> CoefTable192;
