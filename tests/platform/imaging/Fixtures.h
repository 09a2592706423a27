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

// A PCX file, run-length encoded. planes x bitsPerPlane: 1 x 1 (`indices` 0/1 per pixel, header
// palette entries 0 and 1 from `palette`), 1 x 8 (`indices` into `palette`, stored at the end) or
// 3 x 8 (`pixels`).
inline Bytes MakePcx(int width, int height, int planes, int bitsPerPlane, const std::vector<Rgb>& pixels,
                     const std::vector<uint8_t>& indices = {}, const std::vector<Rgb>& palette = {}) {
  const int bytesPerLine = ((width * bitsPerPlane + 15) / 16) * 2;  // even, as the format asks
  Bytes b = {0x0A, 5, 1, uint8_t(bitsPerPlane)};
  Put16(b, 0);
  Put16(b, 0);
  Put16(b, unsigned(width - 1));
  Put16(b, unsigned(height - 1));
  Put16(b, 150);
  Put16(b, 150);
  Bytes header16(48, 0);
  if (bitsPerPlane == 1)
    for (size_t i = 0; i < palette.size() && i < 2; ++i) {
      header16[3 * i] = palette[i].r;
      header16[3 * i + 1] = palette[i].g;
      header16[3 * i + 2] = palette[i].b;
    }
  b.insert(b.end(), header16.begin(), header16.end());
  b.push_back(0);
  b.push_back(uint8_t(planes));
  Put16(b, unsigned(bytesPerLine));
  Put16(b, 1);
  b.resize(128, 0);
  for (int y = 0; y < height; ++y) {
    Bytes line(size_t(planes * bytesPerLine), 0);
    for (int x = 0; x < width; ++x) {
      const size_t i = size_t(y) * width + x;
      if (bitsPerPlane == 1) {
        if (indices[i]) line[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
      } else if (planes == 1) {
        line[size_t(x)] = indices[i];
      } else {
        line[size_t(x)] = pixels[i].r;
        line[size_t(bytesPerLine + x)] = pixels[i].g;
        line[size_t(2 * bytesPerLine + x)] = pixels[i].b;
      }
    }
    for (size_t at = 0; at < line.size();) {  // runs of up to 63 equal bytes
      size_t run = 1;
      while (at + run < line.size() && run < 63 && line[at + run] == line[at]) ++run;
      if (run > 1 || line[at] >= 0xC0) b.push_back(uint8_t(0xC0 | run));
      b.push_back(line[at]);
      at += run;
    }
  }
  if (bitsPerPlane == 8 && planes == 1) {
    b.push_back(0x0C);
    for (size_t i = 0; i < 256; ++i) {
      const Rgb c = i < palette.size() ? palette[i] : Rgb{0, 0, 0};
      b.insert(b.end(), {c.r, c.g, c.b});
    }
  }
  return b;
}

inline void Put16BE(Bytes& b, unsigned v) {
  b.push_back(uint8_t(v >> 8));
  b.push_back(uint8_t(v));
}
inline void Put32BE(Bytes& b, uint32_t v) {
  Put16BE(b, v >> 16);
  Put16BE(b, v & 0xFFFF);
}

// A PSD file of `channels` planes (`planes[c]` holds width x height samples of `bits` bits, 16-bit
// ones big-endian) in colour mode 1 (grey) or 3 (RGB), raw or run-length (one literal packet a row).
inline Bytes MakePsd(int width, int height, int bits, int mode, const std::vector<Bytes>& planes, bool rle) {
  Bytes b = {'8', 'B', 'P', 'S'};
  Put16BE(b, 1);
  b.resize(12, 0);
  Put16BE(b, unsigned(planes.size()));
  Put32BE(b, uint32_t(height));
  Put32BE(b, uint32_t(width));
  Put16BE(b, unsigned(bits));
  Put16BE(b, unsigned(mode));
  Put32BE(b, 0);                              // colour mode data
  Put32BE(b, 4);                              // image resources, one filler word
  Put32BE(b, 0);
  Put32BE(b, 0);                              // layers and masks
  Put16BE(b, rle ? 1 : 0);
  const size_t rowBytes = size_t(width) * size_t(bits / 8);
  if (!rle) {
    for (const Bytes& p : planes) b.insert(b.end(), p.begin(), p.end());
    return b;
  }
  for (size_t c = 0; c < planes.size(); ++c)
    for (int y = 0; y < height; ++y) Put16BE(b, unsigned(rowBytes + 1));
  for (const Bytes& p : planes)
    for (int y = 0; y < height; ++y) {
      b.push_back(uint8_t(rowBytes - 1));  // literal packet of the whole row (rows up to 128 bytes)
      b.insert(b.end(), p.begin() + long(y * rowBytes), p.begin() + long((y + 1) * rowBytes));
    }
  return b;
}

// A WBMP (type 0) of width x height, `bits` 0/1 per pixel (1 = white).
inline Bytes MakeWbmp(int width, int height, const std::vector<uint8_t>& bits) {
  Bytes b = {0, 0, uint8_t(width), uint8_t(height)};  // sizes below 128
  const int rowBytes = (width + 7) / 8;
  for (int y = 0; y < height; ++y) {
    Bytes row(size_t(rowBytes), 0);
    for (int x = 0; x < width; ++x)
      if (bits[size_t(y) * width + x]) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

inline Bytes TextBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

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
