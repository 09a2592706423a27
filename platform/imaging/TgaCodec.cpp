// TGA: uncompressed and run-length encoded; colour-mapped, true-colour and grey. Every length in the
// header is checked against the data before anything is allocated or read.
#include "platform/imaging/Codecs.h"
#include "platform/imaging/PixelAccess.h"

namespace imaging::detail {
namespace {

struct TgaHeader {
  int idLength, mapType, imageType, mapFirst, mapLength, mapEntryBits, width, height, pixelBits;
  int descriptor;
};

bool ParseHeader(const uint8_t* data, size_t size, TgaHeader& h) {
  if (!data || size < 18) return false;
  h = {data[0], data[1],         data[2],         LE16(data + 3), LE16(data + 5),
       data[7], LE16(data + 12), LE16(data + 14), data[16],       data[17]};
  const int kind = h.imageType & ~8;
  if (h.mapType > 1 || (kind != 1 && kind != 2 && kind != 3) || h.imageType > 11) return false;
  if (kind == 1) {
    if (h.mapType != 1 || h.pixelBits != 8) return false;
    if (h.mapEntryBits != 15 && h.mapEntryBits != 16 && h.mapEntryBits != 24 && h.mapEntryBits != 32)
      return false;
  } else if (kind == 2) {
    if (h.pixelBits != 15 && h.pixelBits != 16 && h.pixelBits != 24 && h.pixelBits != 32) return false;
  } else if (h.pixelBits != 8) {
    return false;
  }
  return true;
}

// One pixel of `bits` bits at p as R, G, B, A.
void Unpack(const uint8_t* p, int bits, uint8_t rgba[4]) {
  if (bits == 15 || bits == 16) {
    int v = LE16(p);
    rgba[0] = uint8_t(((v >> 10) & 31) * 255 / 31);
    rgba[1] = uint8_t(((v >> 5) & 31) * 255 / 31);
    rgba[2] = uint8_t((v & 31) * 255 / 31);
    rgba[3] = 255;
  } else {
    rgba[0] = p[2];
    rgba[1] = p[1];
    rgba[2] = p[0];
    rgba[3] = bits == 32 ? p[3] : 255;
  }
}

}  // namespace

bool LooksLikeTga(const uint8_t* data, size_t size) {
  TgaHeader h;
  return ParseHeader(data, size, h);
}

bool ReadTgaInfo(const uint8_t* data, size_t size, FileInfo& info) {
  TgaHeader h;
  if (!ParseHeader(data, size, h) || h.width == 0 || h.height == 0) return false;
  const int kind = h.imageType & ~8;
  info = FileInfo{};
  info.type = FileType::TGA;
  info.width = h.width;
  info.height = h.height;
  info.bitsPerPixel = h.pixelBits;
  info.bitsPerChannel = h.pixelBits <= 16 && kind == 2 ? 5 : 8;
  info.model = kind == 3           ? ColourModel::Grey
               : kind == 1         ? ColourModel::Palette
               : h.pixelBits == 32 ? ColourModel::RGBA
                                   : ColourModel::RGB;
  return true;
}

Image DecodeTga(const uint8_t* data, size_t size) {
  TgaHeader h;
  if (!ParseHeader(data, size, h) || h.width == 0 || h.height == 0) return {};
  const int kind = h.imageType & ~8;
  const bool rle = h.imageType & 8;
  const size_t mapEntryBytes = size_t(h.mapEntryBits + 7) / 8;
  size_t pos = 18 + size_t(h.idLength);
  const size_t mapBytes = h.mapType ? size_t(h.mapLength) * mapEntryBytes : 0;
  if (pos + mapBytes > size) return {};
  const uint8_t* map = data + pos;
  pos += mapBytes;

  const size_t pixelBytes = size_t(h.pixelBits + 7) / 8;
  const size_t count = size_t(h.width) * size_t(h.height);
  const size_t available = size - pos;
  // A header that claims more pixels than the data can hold is rejected before allocating.
  if (!rle && available / pixelBytes < count) return {};
  if (rle && available < 2 * ((count + 127) / 128)) return {};

  Image image = MakeImage(h.width, h.height, kind == 3 ? 1 : 4, false);
  if (image.Empty()) return {};
  const bool topDown = h.descriptor & 0x20, rightToLeft = h.descriptor & 0x10;

  auto store = [&](size_t index, const uint8_t* p) -> bool {
    const int x0 = int(index % size_t(h.width)), y0 = int(index / size_t(h.width));
    const int x = rightToLeft ? h.width - 1 - x0 : x0, y = topDown ? y0 : h.height - 1 - y0;
    uint8_t* out = image.pixels.data() + size_t(y) * image.stride + size_t(x) * image.depth;
    if (kind == 3) {
      out[0] = p[0];
      return true;
    }
    if (kind == 1) {
      int entry = p[0] - h.mapFirst;
      if (entry < 0 || entry >= h.mapLength) return false;
      Unpack(map + size_t(entry) * mapEntryBytes, h.mapEntryBits, out);
      return true;
    }
    Unpack(p, h.pixelBits, out);
    return true;
  };

  size_t index = 0;
  while (index < count) {
    if (!rle) {
      if (!store(index, data + pos)) return {};
      pos += pixelBytes;
      ++index;
      continue;
    }
    if (pos >= size) return {};  // the data ends before the last pixel
    const uint8_t packet = data[pos++];
    const size_t run = size_t(packet & 0x7F) + 1;
    if (run > count - index) return {};  // a packet that runs past the image
    if (packet & 0x80) {
      if (pixelBytes > size - pos) return {};
      for (size_t k = 0; k < run; ++k)
        if (!store(index++, data + pos)) return {};
      pos += pixelBytes;
    } else {
      if (run * pixelBytes > size - pos) return {};
      for (size_t k = 0; k < run; ++k, pos += pixelBytes)
        if (!store(index++, data + pos)) return {};
    }
  }
  return image;
}

}  // namespace imaging::detail
