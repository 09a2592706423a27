// PCX: run-length encoded, 1 bit in one plane (monochrome), 8 bits in one plane with the 256-colour
// palette at the end of the file, and 8 bits in three planes (true colour). Other layouts (the
// 16-colour planar ones) are refused. Every length is checked before anything is read.
#include "platform/imaging/Codecs.h"
#include "platform/imaging/PixelAccess.h"

namespace imaging::detail {
namespace {

constexpr size_t HeaderBytes = 128;
constexpr size_t PaletteBytes = 769;  // marker 0x0C and 256 RGB entries

struct PcxHeader {
  int bitsPerPlane = 0, planes = 0, bytesPerLine = 0, width = 0, height = 0, dpiX = 0, dpiY = 0;
};

bool ParseHeader(const uint8_t* data, size_t size, PcxHeader& h) {
  if (!data || size <= HeaderBytes || data[0] != 0x0A || data[2] != 1) return false;
  const int version = data[1];
  if (version != 0 && version != 2 && version != 3 && version != 4 && version != 5) return false;
  h.bitsPerPlane = data[3];
  h.planes = data[65];
  h.bytesPerLine = LE16(data + 66);
  const int xMin = LE16(data + 4), yMin = LE16(data + 6), xMax = LE16(data + 8), yMax = LE16(data + 10);
  h.width = xMax - xMin + 1;
  h.height = yMax - yMin + 1;
  h.dpiX = LE16(data + 12);
  h.dpiY = LE16(data + 14);
  const bool layout = (h.bitsPerPlane == 1 && h.planes == 1) || (h.bitsPerPlane == 8 && (h.planes == 1 || h.planes == 3));
  return layout && h.width > 0 && h.height > 0 && h.bytesPerLine * 8 >= h.width * h.bitsPerPlane;
}

// The 256-colour palette of an 8-bit one-plane file, or null when the file has none.
const uint8_t* Palette256(const uint8_t* data, size_t size) {
  if (size < HeaderBytes + PaletteBytes || data[size - PaletteBytes] != 0x0C) return nullptr;
  return data + size - PaletteBytes + 1;
}

bool IsGreyPalette(const uint8_t* rgb, int entries) {
  for (int i = 0; i < entries; ++i)
    if (rgb[3 * i] != rgb[3 * i + 1] || rgb[3 * i + 1] != rgb[3 * i + 2]) return false;
  return true;
}

// Expands the run-length data into lines of planes x bytesPerLine bytes; false when it ends early.
bool Unpack(const uint8_t* data, size_t end, const PcxHeader& h, std::vector<uint8_t>& out) {
  const size_t total = size_t(h.planes) * size_t(h.bytesPerLine) * size_t(h.height);
  try {
    out.assign(total, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  size_t at = HeaderBytes, written = 0;
  while (written < total) {
    if (at >= end) return false;
    uint8_t value = data[at++];
    size_t count = 1;
    if ((value & 0xC0) == 0xC0) {
      if (at >= end) return false;
      count = value & 0x3F;
      value = data[at++];
    }
    for (; count > 0 && written < total; --count) out[written++] = value;
  }
  return true;
}

}  // namespace

bool LooksLikePcx(const uint8_t* data, size_t size) {
  PcxHeader h;
  return ParseHeader(data, size, h);
}

bool ReadPcxInfo(const uint8_t* data, size_t size, FileInfo& info) {
  PcxHeader h;
  if (!ParseHeader(data, size, h)) return false;
  info = FileInfo{};
  info.type = FileType::PCX;
  info.width = h.width;
  info.height = h.height;
  info.bitsPerChannel = h.bitsPerPlane;
  info.bitsPerPixel = h.bitsPerPlane * h.planes;
  info.dpiX = h.dpiX;
  info.dpiY = h.dpiY;
  if (h.bitsPerPlane == 1) {
    info.model = ColourModel::Grey;
  } else if (h.planes == 3) {
    info.model = ColourModel::RGB;
  } else {
    const uint8_t* palette = Palette256(data, size);
    if (!palette) return false;
    info.model = ColourModel::Palette;
    info.greyPalette = IsGreyPalette(palette, 256);
  }
  return true;
}

Image DecodePcx(const uint8_t* data, size_t size) {
  PcxHeader h;
  if (!ParseHeader(data, size, h) || int64_t(h.width) * h.height > MaxPixels) return {};
  const bool indexed = h.bitsPerPlane == 8 && h.planes == 1;
  const uint8_t* palette = indexed ? Palette256(data, size) : nullptr;
  if (indexed && !palette) return {};
  std::vector<uint8_t> lines;
  if (!Unpack(data, palette ? size - PaletteBytes : size, h, lines)) return {};
  const size_t lineBytes = size_t(h.planes) * size_t(h.bytesPerLine);

  if (h.bitsPerPlane == 1) {
    // Which bit value is the dark one: the header's first two palette entries when they differ,
    // otherwise the usual 0 = black, 1 = white.
    const uint8_t* entries = data + 16;
    const bool ownColours = entries[0] != entries[3] || entries[1] != entries[4] || entries[2] != entries[5];
    const bool oneIsDark = ownColours && Luminance(entries[3], entries[4], entries[5]) < 128;
    Image image = MakeImage(h.width, h.height, 0, false);
    if (image.Empty()) return {};
    const ImageRef ref = image.Ref();
    for (int y = 0; y < h.height; ++y) {
      const uint8_t* line = lines.data() + size_t(y) * lineBytes;
      uint8_t* row = RowOf(ref, y);
      for (int x = 0; x < h.width; ++x) {
        const bool bit = (line[x >> 3] >> (7 - (x & 7))) & 1;
        Put(ref, row, x, 0, bit == oneIsDark ? 1u : 0u);
      }
    }
    return image;
  }

  const bool grey = palette && IsGreyPalette(palette, 256);
  Image image = MakeImage(h.width, h.height, grey ? 1 : 3, false);
  if (image.Empty()) return {};
  const ImageRef ref = image.Ref();
  for (int y = 0; y < h.height; ++y) {
    const uint8_t* line = lines.data() + size_t(y) * lineBytes;
    uint8_t* row = RowOf(ref, y);
    for (int x = 0; x < h.width; ++x) {
      if (grey) {
        row[x] = palette[3 * line[x]];
      } else if (palette) {
        for (int c = 0; c < 3; ++c) row[3 * x + c] = palette[3 * line[x] + c];
      } else {
        for (int c = 0; c < 3; ++c) row[3 * x + c] = line[size_t(c) * size_t(h.bytesPerLine) + size_t(x)];
      }
    }
  }
  return image;
}

}  // namespace imaging::detail
