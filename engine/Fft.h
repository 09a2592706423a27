// Numeric helpers of the measurement threads: in-place radix-2 FFT (double and float), spectrum
// magnitudes, sine and Gaussian windows, self-timing FFT buffers and moving averages.
// Free of device access and locks; each object belongs to the thread that made it.
#pragma once
#include <cstdint>

// In-place complex transform of n = 2^m points; dir 1 is the forward transform, scaled by 1/n.
// False (arrays untouched) for null arrays or m outside 0..30.
bool FFT(int dir, int m, double* re, double* im);
bool FFTFloat(int dir, int m, float* re, float* im);

// Forward transform of count real values; values[i] for i < count / 2 become the magnitudes
// (the upper half keeps the transform's real parts). Nothing for null values or a count that is
// not a power of two.
void FFTMagnitude(unsigned count, double* values);
void FFTMagnitudeFloat(unsigned count, float* values);

// values[i] *= sin(pi * i / count).
void SineWindow(unsigned count, double* values);

// Moving average over 2 * half + 1 points; positions beyond either end take the end value.
// The byte form truncates toward zero. src and dst may be the same array; a negative half is 0.
void SmoothBytes(const uint8_t* src, uint8_t* dst, int count, int half);
void SmoothFloats(const float* src, float* dst, int count, int half);

// exp(-0.00008 * ((i - count/2) / (count / 512))^2), as doubles and as floats.
class GaussWindow {
 public:
  explicit GaussWindow(unsigned count);
  ~GaussWindow();
  GaussWindow(const GaussWindow&) = delete;
  GaussWindow& operator=(const GaussWindow&) = delete;

  unsigned Count = 0;
  double* Values = nullptr;      // Count values, owned
  float* FloatValues = nullptr;  // the same as floats, owned
};

// Magnitude spectrum of count doubles, kept for the buffer's life.
class FFTBuffer {
 public:
  explicit FFTBuffer(unsigned count);
  ~FFTBuffer();
  FFTBuffer(const FFTBuffer&) = delete;
  FFTBuffer& operator=(const FFTBuffer&) = delete;

  // Copies count values from src, applies the sine window when asked, replaces them by the
  // magnitudes; returns the seconds it took. A null src changes nothing and returns 0; with a count
  // that is not a power of two the values stay as copied (see FFTMagnitude).
  double Calculate(const double* src, bool sineWindow);
  double Get(unsigned index) const;  // 0 beyond the count

  unsigned Count = 0;
  double* Values = nullptr;
};

// Magnitude spectrum of count floats, kept for the buffer's life.
class FFTBufferFloat {
 public:
  explicit FFTBufferFloat(unsigned count);
  ~FFTBufferFloat();
  FFTBufferFloat(const FFTBufferFloat&) = delete;
  FFTBufferFloat& operator=(const FFTBufferFloat&) = delete;

  // As FFTBuffer::Calculate; window (count floats, e.g. GaussWindow::FloatValues) may be null.
  double Calculate(const float* src, const float* window);
  float Get(unsigned index) const;  // 0 beyond the count
  // Scales every value by 1 / max(largest value, floor); returns the largest value (at least 0).
  // With no positive divisor the values stay as they are.
  float Normalize(float floor);

  unsigned Count = 0;
  float* Values = nullptr;
};
