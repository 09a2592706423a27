// Small image files built byte by byte, so that the decoders are checked against independent writers.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace fixtures {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, unsigned v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// RGB triple per pixel, rows top to bottom.
struct Rgb {
  uint8_t r, g, b;
};

// A bottom-up BMP of 1, 8, 24 or 32 bits per pixel. For 1 and 8 bits, `indices` hold the pixels and
// `palette` the colours; otherwise `pixels`.
inline Bytes MakeBmp(int width, int height, int bits, const std::vector<Rgb>& pixels,
                     const std::vector<uint8_t>& indices = {}, const std::vector<Rgb>& palette = {}) {
  const int rowBytes = ((width * bits + 31) / 32) * 4;
  const uint32_t paletteBytes = uint32_t(palette.size() * 4);
  const uint32_t offset = 54 + paletteBytes;
  Bytes b = {'B', 'M'};
  Put32(b, offset + uint32_t(rowBytes * height));
  Put32(b, 0);
  Put32(b, offset);
  Put32(b, 40);
  Put32(b, uint32_t(width));
  Put32(b, uint32_t(height));
  Put16(b, 1);
  Put16(b, unsigned(bits));
  Put32(b, 0);
  Put32(b, uint32_t(rowBytes * height));
  Put32(b, 3780);  // 96 dpi
  Put32(b, 3780);
  Put32(b, uint32_t(palette.size()));
  Put32(b, 0);
  for (const Rgb& c : palette) {
    b.push_back(c.b);
    b.push_back(c.g);
    b.push_back(c.r);
    b.push_back(0);
  }
  for (int y = height - 1; y >= 0; --y) {
    Bytes row(size_t(rowBytes), 0);
    for (int x = 0; x < width; ++x) {
      const size_t i = size_t(y) * width + x;
      if (bits == 1) {
        if (indices[i]) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
      } else if (bits == 8) {
        row[size_t(x)] = indices[i];
      } else {
        const size_t p = size_t(x) * size_t(bits / 8);
        row[p] = pixels[i].b;
        row[p + 1] = pixels[i].g;
        row[p + 2] = pixels[i].r;
        if (bits == 32) row[p + 3] = 255;
      }
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

// A TGA header; image data follows.
inline Bytes TgaHeader(int imageType, int width, int height, int bits, int descriptor) {
  Bytes b = {0, 0, uint8_t(imageType), 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Put16(b, unsigned(width));
  Put16(b, unsigned(height));
  b.push_back(uint8_t(bits));
  b.push_back(uint8_t(descriptor));
  return b;
}

// Uncompressed true-colour TGA, 24 or 32 bits (B, G, R[, A]), stored top-down when topDown.
inline Bytes MakeTga(int width, int height, int bits, const std::vector<Rgb>& pixels,
                     const std::vector<uint8_t>& alpha, bool topDown) {
  Bytes b = TgaHeader(2, width, height, bits, (bits == 32 ? 8 : 0) | (topDown ? 0x20 : 0));
  for (int row = 0; row < height; ++row) {
    const int y = topDown ? row : height - 1 - row;
    for (int x = 0; x < width; ++x) {
      const size_t i = size_t(y) * width + x;
      b.push_back(pixels[i].b);
      b.push_back(pixels[i].g);
      b.push_back(pixels[i].r);
      if (bits == 32) b.push_back(alpha[i]);
    }
  }
  return b;
}

// An uncompressed little-endian TIFF with one strip. photometric: 0 white is zero, 1 black is zero,
// 2 RGB. `data` holds the rows as stored (1-bit rows padded to whole bytes, 16-bit samples little-endian).
inline Bytes MakeTiff(int width, int height, int bits, int samplesPerPixel, int photometric,
                      const Bytes& data) {
  struct Entry {
    unsigned tag, type;
    uint32_t count, value;
  };
  const int entries = 9;
  const uint32_t ifdBytes = 2 + entries * 12 + 4;
  const uint32_t bitsArray = 8 + ifdBytes;  // BitsPerSample values when there are several
  const uint32_t pixels = bitsArray + (samplesPerPixel > 1 ? uint32_t(2 * samplesPerPixel) : 0);
  const Entry list[entries] = {
      {256, 4, 1, uint32_t(width)},
      {257, 4, 1, uint32_t(height)},
      {258, 3, uint32_t(samplesPerPixel), samplesPerPixel > 1 ? bitsArray : uint32_t(bits)},
      {259, 3, 1, 1},
      {262, 3, 1, uint32_t(photometric)},
      {273, 4, 1, pixels},
      {277, 3, 1, uint32_t(samplesPerPixel)},
      {278, 4, 1, uint32_t(height)},
      {279, 4, 1, uint32_t(data.size())},
  };
  Bytes b = {'I', 'I', 42, 0};
  Put32(b, 8);
  Put16(b, entries);
  for (const Entry& e : list) {
    Put16(b, e.tag);
    Put16(b, e.type);
    Put32(b, e.count);
    Put32(b, e.value);  // a SHORT value sits in the low half, as little-endian requires
  }
  Put32(b, 0);
  if (samplesPerPixel > 1)
    for (int i = 0; i < samplesPerPixel; ++i) Put16(b, unsigned(bits));
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

inline void WriteFile(const std::string& path, const Bytes& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

inline Bytes ReadFile(const std::string& path) {
  Bytes b;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return b;
  int c;
  while ((c = std::fgetc(f)) != EOF) b.push_back(uint8_t(c));
  std::fclose(f);
  return b;
}

using TempFolder = ::TempFolder;

}  // namespace fixtures
