// One block of 16-bit sound samples in offset binary (0x8000 is the zero line) at 22050 samples a
// second: tones the program generates for the instrument's sound memory and audio read back from it.
// The sound memory keeps the bytes of each sample the other way round: ExchangeBytes is applied
// after reading and before storing.
#pragma once
#include <cstdint>

class SoundBufferBase {
 public:
  static constexpr uint16_t ZeroLine = 0x8000;
  static constexpr double SampleRate = 22050.0;

  explicit SoundBufferBase(int count);  // samples are not cleared; a negative count is 0
  ~SoundBufferBase();
  SoundBufferBase(const SoundBufferBase&) = delete;
  SoundBufferBase& operator=(const SoundBufferBase&) = delete;

  void Add(const SoundBufferBase* other);    // appends the other buffer's samples
  void Clear();                              // every sample 0
  uint16_t Get(unsigned index) const;        // 0 beyond the buffer
  void Set(unsigned index, uint16_t value);  // ignored beyond the buffer
  void ExchangeBytes();
  void SetEndMark();  // last sample := zero line (nothing when empty)
  // New array of Count floats owned by the caller: sample / 32768 - 1.
  float* CreateSignFloatBuffer() const;
  // A sine of the given number of periods across the whole buffer, swinging +-32760.
  void CreateSinus(double periods);
  // A sine of frequency Hz at 22050 samples a second.
  void CreateSinus2205(double frequency);
  void RampUp(unsigned n);    // linear fade-in over the first n samples
  void RampDown(unsigned n);  // linear fade-out over the last n samples
  // A sine whose phase step rises linearly from startFrequency to stopFrequency.
  void CreateChirp(double startFrequency, double stopFrequency);

  int Count = 0;
  uint16_t* Samples = nullptr;      // Count samples, owned
  double ChirpFactor = 0.00028495;  // radians per sample per Hz at 22050 samples a second
};
