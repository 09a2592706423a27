// FFT against a direct DFT, the magnitudes, the windows, the FFT buffers and the moving averages.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#include "engine/Fft.h"

namespace {

template <typename T>
std::vector<std::complex<double>> DirectDft(const std::vector<T>& re, const std::vector<T>& im, int dir) {
  const size_t n = re.size();
  const double sign = dir == 1 ? -1.0 : 1.0;
  std::vector<std::complex<double>> out(n);
  for (size_t k = 0; k < n; ++k) {
    std::complex<double> sum = 0;
    for (size_t j = 0; j < n; ++j) {
      const double angle = sign * 2 * std::numbers::pi * double(j * k % n) / double(n);
      sum += std::complex<double>(re[j], im[j]) * std::polar(1.0, angle);
    }
    out[k] = dir == 1 ? sum / double(n) : sum;
  }
  return out;
}

template <typename T>
bool Transform(int dir, int m, T* re, T* im) {
  if constexpr (std::is_same_v<T, double>)
    return FFT(dir, m, re, im);
  else
    return FFTFloat(dir, m, re, im);
}

template <typename T>
class FftTest : public ::testing::Test {};
using Precisions = ::testing::Types<double, float>;
TYPED_TEST_SUITE(FftTest, Precisions);

TYPED_TEST(FftTest, MatchesADirectDftOnRandomInputBothWays) {
  using T = TypeParam;
  const double tolerance = std::is_same_v<T, double> ? 1e-12 : 2e-5;
  std::mt19937 random(7);
  std::uniform_real_distribution<double> value(-100.0, 100.0);
  for (int m : {0, 1, 2, 3, 5, 9, 11}) {
    for (int dir : {1, -1}) {
      const size_t n = size_t(1) << m;
      std::vector<T> re(n), im(n);
      for (size_t i = 0; i < n; ++i) {
        re[i] = T(value(random));
        im[i] = T(value(random));
      }
      const auto expected = DirectDft(re, im, dir);
      ASSERT_TRUE(Transform(dir, m, re.data(), im.data()));
      double scale = 0;
      for (const auto& e : expected) scale = std::max(scale, std::abs(e));
      for (size_t k = 0; k < n; ++k) {
        SCOPED_TRACE("m " + std::to_string(m) + " dir " + std::to_string(dir) + " k " + std::to_string(k));
        EXPECT_NEAR(re[k], expected[k].real(), tolerance * scale);
        EXPECT_NEAR(im[k], expected[k].imag(), tolerance * scale);
      }
    }
  }
}

TYPED_TEST(FftTest, ForwardThenInverseGivesTheInputBack) {
  using T = TypeParam;
  std::mt19937 random(3);
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  const int m = 10;
  std::vector<T> re(1 << m), im(1 << m);
  for (auto& v : re) v = T(value(random));
  const std::vector<T> original = re;
  ASSERT_TRUE(Transform(1, m, re.data(), im.data()));
  ASSERT_TRUE(Transform(-1, m, re.data(), im.data()));
  for (size_t i = 0; i < re.size(); ++i) {
    EXPECT_NEAR(re[i], original[i], 1e-5);
    EXPECT_NEAR(im[i], 0.0, 1e-5);
  }
}

TYPED_TEST(FftTest, BadArgumentsAreRefusedAndChangeNothing) {
  using T = TypeParam;
  std::vector<T> re(8, T(1)), im(8, T(0));
  EXPECT_FALSE(Transform<T>(1, 3, nullptr, im.data()));
  EXPECT_FALSE(Transform<T>(1, 3, re.data(), nullptr));
  EXPECT_FALSE(Transform<T>(1, -1, re.data(), im.data()));
  EXPECT_FALSE(Transform<T>(1, 31, re.data(), im.data()));
  EXPECT_EQ(re, std::vector<T>(8, T(1)));
}

TEST(FftMagnitude, OfEightOnesIsOneAtZeroAndZeroElsewhere) {
  std::vector<double> d(8, 1.0);
  FFTMagnitude(8, d.data());
  std::vector<float> f(8, 1.0f);
  FFTMagnitudeFloat(8, f.data());
  EXPECT_DOUBLE_EQ(d[0], 1.0);
  EXPECT_FLOAT_EQ(f[0], 1.0f);
  for (int i = 1; i < 4; ++i) {
    EXPECT_NEAR(d[i], 0.0, 1e-15);
    EXPECT_NEAR(f[i], 0.0f, 1e-7f);
  }
}

TEST(FftMagnitude, OfAToneIsHalfItsAmplitudeAtItsBin) {
  const unsigned n = 512;
  std::vector<double> values(n);
  for (unsigned i = 0; i < n; ++i) values[i] = 3.0 * std::cos(2 * std::numbers::pi * 40 * i / n);
  FFTMagnitude(n, values.data());
  for (unsigned i = 0; i < n / 2; ++i) EXPECT_NEAR(values[i], i == 40 ? 1.5 : 0.0, 1e-12) << i;
}

TEST(FftMagnitude, EmptyNullAndNonPowerOfTwoCountsChangeNothing) {
  std::vector<double> d(12, 1.0);
  FFTMagnitude(0, d.data());
  FFTMagnitude(8, nullptr);
  FFTMagnitude(12, d.data());
  EXPECT_EQ(d, std::vector<double>(12, 1.0));
  std::vector<float> f(6, 1.0f);
  FFTMagnitudeFloat(0, f.data());
  FFTMagnitudeFloat(6, f.data());
  FFTMagnitudeFloat(4, nullptr);
  EXPECT_EQ(f, std::vector<float>(6, 1.0f));
}

TEST(Windows, SineWindowAndGaussWindowValues) {
  std::vector<double> values(4, 2.0);
  SineWindow(4, values.data());
  EXPECT_DOUBLE_EQ(values[0], 0.0);
  EXPECT_DOUBLE_EQ(values[1], 2.0 * std::sin(std::numbers::pi / 4));
  EXPECT_DOUBLE_EQ(values[2], 2.0);

  const GaussWindow w512(512);
  EXPECT_DOUBLE_EQ(w512.Values[256], 1.0);
  EXPECT_NEAR(w512.Values[0], std::exp(-5.24288), 1e-15);
  EXPECT_NEAR(w512.Values[0], 0.00529, 5e-6);
  EXPECT_FLOAT_EQ(w512.FloatValues[0], float(std::exp(-5.24288)));
  EXPECT_DOUBLE_EQ(w512.Values[255], w512.Values[257]);
  // count / 512 is real: a 1024-point window is the 512-point one stretched by two.
  const GaussWindow w1024(1024);
  EXPECT_DOUBLE_EQ(w1024.Values[512], 1.0);
  EXPECT_DOUBLE_EQ(w1024.Values[0], w512.Values[0]);
  EXPECT_DOUBLE_EQ(w1024.Values[512 - 20], w512.Values[256 - 10]);
}

TEST(FftBuffers, CalculateGetAndNormalize) {
  FFTBuffer buffer(8);
  const std::vector<double> ones(8, 1.0);
  EXPECT_GE(buffer.Calculate(ones.data(), false), 0.0);
  EXPECT_DOUBLE_EQ(buffer.Get(0), 1.0);
  EXPECT_EQ(buffer.Get(8), 0.0);
  EXPECT_EQ(buffer.Calculate(nullptr, true), 0.0);
  EXPECT_DOUBLE_EQ(buffer.Get(0), 1.0);

  FFTBufferFloat spectrum(512);
  const GaussWindow window(512);
  std::vector<float> tone(512);
  for (unsigned i = 0; i < 512; ++i) tone[i] = float(0.5 * std::sin(2 * std::numbers::pi * 64 * i / 512));
  EXPECT_GE(spectrum.Calculate(tone.data(), window.FloatValues), 0.0);
  int peak = 0;
  for (int i = 1; i < 256; ++i)
    if (spectrum.Get(i) > spectrum.Get(peak)) peak = i;
  EXPECT_EQ(peak, 64);
  const float max = spectrum.Normalize(0.001f);
  EXPECT_GT(max, 0.01f);
  EXPECT_FLOAT_EQ(spectrum.Get(64), 1.0f);
  EXPECT_EQ(spectrum.Get(512), 0.0f);
}

TEST(FftBuffers, NormalizeBelowTheFloorAndOfZeros) {
  FFTBufferFloat zeros(8);
  EXPECT_EQ(zeros.Normalize(0.001f), 0.0f);
  EXPECT_EQ(zeros.Normalize(0.0f), 0.0f);  // no division by zero
  for (unsigned i = 0; i < 8; ++i) EXPECT_EQ(zeros.Get(i), 0.0f);

  FFTBufferFloat small(4);
  small.Values[1] = 0.0005f;
  EXPECT_FLOAT_EQ(small.Normalize(0.001f), 0.0005f);
  EXPECT_FLOAT_EQ(small.Get(1), 0.5f);  // scaled by the floor, not the maximum
}

TEST(Smoothing, ThreeValuesWithHalfOne) {
  const uint8_t bytes[] = {10, 20, 30};
  uint8_t smoothed[3] = {};
  SmoothBytes(bytes, smoothed, 3, 1);
  EXPECT_EQ(std::vector<uint8_t>(smoothed, smoothed + 3), (std::vector<uint8_t>{13, 20, 26}));
  const float floats[] = {10, 20, 30};
  float out[3] = {};
  SmoothFloats(floats, out, 3, 1);
  EXPECT_FLOAT_EQ(out[0], 40.0f / 3);
  EXPECT_FLOAT_EQ(out[1], 20.0f);
  EXPECT_FLOAT_EQ(out[2], 80.0f / 3);
}

// The moving average by its definition: every position clamped into the array.
template <typename T>
double DirectAverage(const std::vector<T>& src, int i, int half) {
  double sum = 0;
  for (int j = -half; j <= half; ++j) sum += src[std::clamp(i + j, 0, int(src.size()) - 1)];
  return sum / (2 * half + 1);
}

TEST(Smoothing, MatchesTheDefinitionForAnyWidthAndInPlace) {
  std::mt19937 random(11);
  std::uniform_int_distribution<int> level(0, 255);
  for (int count : {1, 2, 7, 100}) {
    for (int half : {0, 1, 3, 40, 250}) {
      std::vector<uint8_t> bytes(count);
      std::vector<float> floats(count);
      for (int i = 0; i < count; ++i) floats[i] = float(bytes[i] = uint8_t(level(random))) + 0.25f;
      std::vector<uint8_t> b(count);
      std::vector<float> f(count);
      SmoothBytes(bytes.data(), b.data(), count, half);
      SmoothFloats(floats.data(), f.data(), count, half);
      for (int i = 0; i < count; ++i) {
        EXPECT_EQ(b[i], uint8_t(std::trunc(DirectAverage(bytes, i, half))))
            << count << " " << half << " " << i;
        EXPECT_NEAR(f[i], DirectAverage(floats, i, half), 1e-4) << count << " " << half << " " << i;
      }
      std::vector<float> inPlace = floats;
      SmoothFloats(inPlace.data(), inPlace.data(), count, half);
      EXPECT_EQ(inPlace, f);
      std::vector<uint8_t> bytesInPlace = bytes;
      SmoothBytes(bytesInPlace.data(), bytesInPlace.data(), count, half);
      EXPECT_EQ(bytesInPlace, b);
    }
  }
}

TEST(Smoothing, EmptyNullAndNegativeWidths) {
  float values[] = {1, 5, 9};
  float out[3] = {7, 7, 7};
  SmoothFloats(values, out, 0, 2);
  SmoothFloats(nullptr, out, 3, 2);
  SmoothFloats(values, nullptr, 3, 2);
  EXPECT_EQ(out[0], 7.0f);
  SmoothFloats(values, out, 3, -4);  // a negative half-width averages nothing: a copy
  EXPECT_EQ(std::vector<float>(out, out + 3), std::vector<float>(values, values + 3));
  uint8_t b[] = {1, 2};
  SmoothBytes(nullptr, b, 2, 1);
  SmoothBytes(b, b, -1, 1);
  EXPECT_EQ(b[0], 1);
}

}  // namespace
