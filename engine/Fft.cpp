#include "engine/Fft.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/rtl/SysUtils.h"

namespace {

constexpr int MaxOrder = 30;

// The index pairs that the bit-reversal permutation exchanges (i < j).
std::vector<std::pair<uint32_t, uint32_t>> BitReversalSwaps(size_t n) {
  std::vector<std::pair<uint32_t, uint32_t>> swaps;
  size_t j = 0;
  for (size_t i = 0; i + 1 < n; ++i) {
    if (i < j) swaps.emplace_back(uint32_t(i), uint32_t(j));
    size_t k = n / 2;
    while (k <= j) {
      j -= k;
      k /= 2;
    }
    j += k;
  }
  return swaps;
}

// What a transform of one size and direction needs besides the data, prepared once per thread,
// size and direction: the bit-reversal swaps and the twiddle factors of every stage. The stage that
// joins blocks of l1 points uses the l1 entries from offset l1 - 1, w[j] = exp(-+ i * pi * j / l1),
// computed in double instead of by a recursive rotation, which is faster and more exact.
template <typename T>
struct Plan {
  int order = -1;
  int dir = 0;
  std::vector<std::pair<uint32_t, uint32_t>> swaps;
  std::vector<T> cos;
  std::vector<T> sin;

  void Prepare(int m, int direction) {
    if (order == m && dir == direction) return;
    const size_t n = size_t(1) << m;
    if (order != m) swaps = BitReversalSwaps(n);
    cos.assign(n > 1 ? n - 1 : 0, T(0));
    sin.assign(cos.size(), T(0));
    const double sign = direction == 1 ? -1.0 : 1.0;
    for (size_t l1 = 1; l1 < n; l1 <<= 1)
      for (size_t j = 0; j < l1; ++j) {
        const double angle = std::numbers::pi * double(j) / double(l1);
        cos[l1 - 1 + j] = T(std::cos(angle));
        sin[l1 - 1 + j] = T(sign * std::sin(angle));
      }
    order = m;
    dir = direction;
  }
};

// One plan per direction, so that alternating forward and inverse transforms keep their tables.
template <typename T>
Plan<T>& PlanOfThread(int dir) {
  thread_local Plan<T> plans[2];
  return plans[dir == 1 ? 0 : 1];
}

// One stage of butterflies joining neighbouring blocks of l1 points.
template <typename T>
void Stage(size_t n, size_t l1, const T* __restrict wc, const T* __restrict ws, T* __restrict re,
           T* __restrict im) {
  const size_t l2 = 2 * l1;
  for (size_t i = 0; i < n; i += l2) {
    T* __restrict ar = re + i;
    T* __restrict ai = im + i;
    T* __restrict br = ar + l1;
    T* __restrict bi = ai + l1;
    for (size_t j = 0; j < l1; ++j) {
      const T t1 = wc[j] * br[j] - ws[j] * bi[j];
      const T t2 = wc[j] * bi[j] + ws[j] * br[j];
      br[j] = ar[j] - t1;
      bi[j] = ai[j] - t2;
      ar[j] += t1;
      ai[j] += t2;
    }
  }
}

// The first stage, whose twiddles are all 1; it also applies the forward transform's 1/n scaling
// (a power of two, so the scaling is exact wherever it is done).
template <typename T>
void FirstStage(size_t n, T scale, T* __restrict re, T* __restrict im) {
  for (size_t i = 0; i < n; i += 2) {
    const T ar = re[i] * scale, ai = im[i] * scale;
    const T br = re[i + 1] * scale, bi = im[i + 1] * scale;
    re[i] = ar + br;
    im[i] = ai + bi;
    re[i + 1] = ar - br;
    im[i + 1] = ai - bi;
  }
}

template <typename T>
bool Transform(int dir, int m, T* re, T* im) {
  if (!re || !im || m < 0 || m > MaxOrder) return false;
  const size_t n = size_t(1) << m;
  const T scale = dir == 1 ? T(1) / T(n) : T(1);
  if (n == 1) {
    re[0] *= scale;
    im[0] *= scale;
    return true;
  }
  Plan<T>& plan = PlanOfThread<T>(dir);
  plan.Prepare(m, dir);
  for (const auto& [i, j] : plan.swaps) {
    std::swap(re[i], re[j]);
    std::swap(im[i], im[j]);
  }
  FirstStage(n, scale, re, im);
  for (size_t l1 = 2; l1 < n; l1 <<= 1) Stage(n, l1, &plan.cos[l1 - 1], &plan.sin[l1 - 1], re, im);
  return true;
}

template <typename T>
void Magnitude(unsigned count, T* values) {
  if (!values || !std::has_single_bit(count)) return;
  std::vector<T> im(count, T(0));
  if (!Transform(1, std::countr_zero(count), values, im.data())) return;
  for (unsigned i = 0; i < count / 2; ++i) values[i] = std::sqrt(values[i] * values[i] + im[i] * im[i]);
}

// Running moving average; the sum is kept in Sum's type (exact for bytes, double for floats).
template <typename T, typename Sum, typename Store>
void Smooth(const T* src, T* dst, int count, int half, Store store) {
  if (!src || !dst || count <= 0) return;
  half = std::max(half, 0);
  std::vector<T> copy;
  if (src == dst) {
    copy.assign(src, src + count);
    src = copy.data();
  }
  const auto at = [&](long long i) { return Sum(src[std::clamp<long long>(i, 0, count - 1)]); };
  const long long h = half;
  const double width = 2.0 * double(h) + 1.0;
  // Sum at position 0: h copies of src[0] below the start, then src[0..h], the end value past count - 1.
  Sum sum = Sum(h) * at(0);
  const long long inside = std::min<long long>(h, count - 1);
  for (long long j = 0; j <= inside; ++j) sum += at(j);
  sum += Sum(h - inside) * at(count - 1);
  for (int i = 0; i < count; ++i) {
    dst[i] = store(sum, width);
    sum += at(i + h + 1) - at(i - h);
  }
}

}  // namespace

bool FFT(int dir, int m, double* re, double* im) { return Transform(dir, m, re, im); }

bool FFTFloat(int dir, int m, float* re, float* im) { return Transform(dir, m, re, im); }

void FFTMagnitude(unsigned count, double* values) { Magnitude(count, values); }

void FFTMagnitudeFloat(unsigned count, float* values) { Magnitude(count, values); }

void SineWindow(unsigned count, double* values) {
  if (!values) return;
  for (unsigned i = 0; i < count; ++i) values[i] *= std::sin(std::numbers::pi * i / count);
}

void SmoothBytes(const uint8_t* src, uint8_t* dst, int count, int half) {
  Smooth<uint8_t, long long>(src, dst, count, half,
                             [](long long sum, double width) { return uint8_t(sum / (long long)width); });
}

void SmoothFloats(const float* src, float* dst, int count, int half) {
  Smooth<float, double>(src, dst, count, half, [](double sum, double width) { return float(sum / width); });
}

GaussWindow::GaussWindow(unsigned count)
    : Count(count), Values(new double[count]), FloatValues(new float[count]) {
  const double scale = count / 512.0;
  for (unsigned i = 0; i < count; ++i) {
    const double x = (double(i) - double(count / 2)) / scale;
    Values[i] = std::exp(-0.00008 * x * x);
    FloatValues[i] = float(Values[i]);
  }
}

GaussWindow::~GaussWindow() {
  delete[] Values;
  delete[] FloatValues;
}

namespace {

double SecondsSince(int64_t start) {
  return double(QueryPerformanceCounter() - start) / double(QueryPerformanceFrequency());
}

}  // namespace

FFTBuffer::FFTBuffer(unsigned count) : Count(count), Values(new double[count]()) {}

FFTBuffer::~FFTBuffer() { delete[] Values; }

double FFTBuffer::Calculate(const double* src, bool sineWindow) {
  if (!src) return 0.0;
  const int64_t start = QueryPerformanceCounter();
  std::copy(src, src + Count, Values);
  if (sineWindow) SineWindow(Count, Values);
  FFTMagnitude(Count, Values);
  return SecondsSince(start);
}

double FFTBuffer::Get(unsigned index) const { return index < Count ? Values[index] : 0.0; }

FFTBufferFloat::FFTBufferFloat(unsigned count) : Count(count), Values(new float[count]()) {}

FFTBufferFloat::~FFTBufferFloat() { delete[] Values; }

double FFTBufferFloat::Calculate(const float* src, const float* window) {
  if (!src) return 0.0;
  const int64_t start = QueryPerformanceCounter();
  std::copy(src, src + Count, Values);
  if (window)
    for (unsigned i = 0; i < Count; ++i) Values[i] *= window[i];
  FFTMagnitudeFloat(Count, Values);
  return SecondsSince(start);
}

float FFTBufferFloat::Get(unsigned index) const { return index < Count ? Values[index] : 0.0f; }

float FFTBufferFloat::Normalize(float floor) {
  float max = 0.0f;
  for (unsigned i = 0; i < Count; ++i) max = std::max(max, Values[i]);
  const float divisor = max >= floor ? max : floor;
  if (!(divisor > 0.0f)) return max;
  const float factor = 1.0f / divisor;
  for (unsigned i = 0; i < Count; ++i) Values[i] *= factor;
  return max;
}
