#include "engine/SoundBuffer.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>

#include "base/Guard.h"

namespace {

constexpr double Swing = 32760.0;

// A sample computed in floating point: truncated toward zero, low 16 bits kept. A value that is not
// finite or beyond any integer (only from non-finite arguments) becomes the zero line.
uint16_t ToSample(double value) {
  if (!std::isfinite(value) || std::fabs(value) > 9.0e15) return SoundBufferBase::ZeroLine;
  return uint16_t(uint64_t(int64_t(value)) & 0xFFFF);
}

double Signed(uint16_t sample) { return double(sample) - double(SoundBufferBase::ZeroLine); }

}  // namespace

SoundBufferBase::SoundBufferBase(int count) {
  Guarded("SoundBufferBase::SoundBufferBase", [&] {
    Samples = new (std::nothrow) uint16_t[count > 0 ? count : 0];
    Count = Samples && count > 0 ? count : 0;
  });
}

SoundBufferBase::~SoundBufferBase() {
  Guarded("SoundBufferBase::~SoundBufferBase", [&] {
    delete[] Samples;
    Samples = nullptr;
    Count = 0;
  });
}

void SoundBufferBase::Add(const SoundBufferBase* other) {
  Guarded("SoundBufferBase::Add", [&] {
    if (!other || other->Count <= 0) return;
    const int added = other->Count;  // read first: other may be this buffer
    auto* joined = new uint16_t[size_t(Count) + size_t(added)];
    std::copy(Samples, Samples + Count, joined);
    std::copy(other->Samples, other->Samples + added, joined + Count);
    delete[] Samples;
    Samples = joined;
    Count += added;
  });
}

void SoundBufferBase::Clear() { std::fill(Samples, Samples + Count, uint16_t(0)); }

uint16_t SoundBufferBase::Get(unsigned index) const { return index < unsigned(Count) ? Samples[index] : 0; }

void SoundBufferBase::Set(unsigned index, uint16_t value) {
  if (index < unsigned(Count)) Samples[index] = value;
}

void SoundBufferBase::ExchangeBytes() {
  for (int i = 0; i < Count; ++i) Samples[i] = uint16_t((Samples[i] << 8) | (Samples[i] >> 8));
}

void SoundBufferBase::SetEndMark() {
  if (Count > 0) Samples[Count - 1] = ZeroLine;
}

float* SoundBufferBase::CreateSignFloatBuffer() const {
  return Guarded("SoundBufferBase::CreateSignFloatBuffer", [&] {
    auto* values = new float[size_t(Count)];
    for (int i = 0; i < Count; ++i) values[i] = float(Samples[i] / 32768.0 - 1.0);
    return values;
  });
}

void SoundBufferBase::CreateSinus(double periods) {
  Guarded("SoundBufferBase::CreateSinus", [&] {
    if (Count == 0) return;
    const double step = 2.0 * std::numbers::pi / Count;
    for (int i = 0; i < Count; ++i) Samples[i] = ToSample(std::sin(i * step * periods) * Swing + ZeroLine);
  });
}

void SoundBufferBase::CreateSinus2205(double frequency) {
  Guarded("SoundBufferBase::CreateSinus2205",
          [&] { CreateSinus(Count * (1.0 / SampleRate) / (1.0 / frequency)); });
}

void SoundBufferBase::RampUp(unsigned n) {
  Guarded("SoundBufferBase::RampUp", [&] {
    for (unsigned i = 0; i < n && i < unsigned(Count); ++i)
      Samples[i] = ToSample(std::trunc(Signed(Samples[i]) * (1.0 / n) * i) + ZeroLine);
  });
}

void SoundBufferBase::RampDown(unsigned n) {
  Guarded("SoundBufferBase::RampDown", [&] {
    for (unsigned i = 0; i < n && i < unsigned(Count); ++i) {
      const unsigned j = unsigned(Count) - 1 - i;
      Samples[j] = ToSample(std::trunc(Signed(Samples[j]) * (1.0 / n) * i) + ZeroLine);
    }
  });
}

void SoundBufferBase::CreateChirp(double startFrequency, double stopFrequency) {
  Guarded("SoundBufferBase::CreateChirp", [&] {
    if (Count == 0) return;
    const double w1 = ChirpFactor * startFrequency;
    const double w2 = ChirpFactor * stopFrequency;
    const double step = (w2 - w1) / Count;
    double phase = w1;
    for (int i = 0; i < Count; ++i) {
      Samples[i] = ToSample(std::sin(phase) * Swing + ZeroLine);
      phase += w1 + i * step;
    }
  });
}
