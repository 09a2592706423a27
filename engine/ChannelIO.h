// Copies between the measurement threads' sample arrays and the channels of a DigitalBuffer.
// Indices beyond the channel are dropped on writes and read as 0.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/Buffers.h"

// The whole channel as plain floats (to smooth or search it).
inline std::vector<float> ReadChannel(const DigitalBuffer& buffer, int channel) {
  std::vector<float> values(buffer.Count);
  for (unsigned i = 0; i < buffer.Count; ++i) values[i] = buffer.Get(channel, i);
  return values;
}

inline void WriteChannel(DigitalBuffer& buffer, int channel, const std::vector<float>& values) {
  buffer.SetValues(channel, values.data(), static_cast<unsigned>(values.size()));
}

// count level bytes into channel from index offset on.
inline void WriteBytes(DigitalBuffer& buffer, int channel, const uint8_t* data, unsigned count,
                       unsigned offset) {
  for (unsigned i = 0; i < count; ++i) buffer.SetValue(channel, offset + i, float(data[i]));
}

// Second byte - first byte of two-byte point i of a word sweep.
inline int PairDifference(const uint8_t* pairs, unsigned i) {
  return int(pairs[2 * i + 1]) - int(pairs[2 * i]);
}

// The difference of each of count two-byte points of a word sweep, with its sign, into channel from
// index offset on.
inline void WriteDifferences(DigitalBuffer& buffer, int channel, const uint8_t* pairs, unsigned count,
                             unsigned offset) {
  for (unsigned i = 0; i < count; ++i) buffer.SetValue(channel, offset + i, float(PairDifference(pairs, i)));
}

// The spread (the difference's size) of each of count two-byte points of a word sweep, as a
// non-negative activity value, into channel from index offset on.
inline void WriteSpreads(DigitalBuffer& buffer, int channel, const uint8_t* pairs, unsigned count,
                         unsigned offset) {
  for (unsigned i = 0; i < count; ++i)
    buffer.SetValue(channel, offset + i, float(std::abs(PairDifference(pairs, i))));
}
