// PSD: the flattened image of a version-1 file (not its layers): grey, indexed or RGB, 8 or 16 bits
// per channel, raw or run-length (PackBits) compressed. RGB with a further channel keeps it as alpha.
// Bitmap, CMYK, Lab, duotone and multichannel files are refused. Every length is checked before
// anything is read.
#include "platform/imaging/Codecs.h"
#include "platform/imaging/PixelAccess.h"

#include <algorithm>
#include <cstring>

namespace imaging::detail {
namespace {

constexpr size_t HeaderBytes = 26;
enum Mode { Grey = 1, Indexed = 2, RGB = 3 };

struct PsdLayout {
  int channels = 0, width = 0, height = 0, bits = 0, mode = 0;
  size_t palette = 0;    // offset of the 768-byte palette of an indexed file
  size_t imageData = 0;  // offset of the compression word
};

// Skips one length-prefixed section at `at`; false when it runs past the end.
bool SkipSection(const uint8_t* data, size_t size, size_t& at, size_t* body = nullptr) {
  if (size - at < 4) return false;
  const uint32_t length = BE32(data + at);
  at += 4;
  if (length > size - at) return false;
  if (body) *body = at;
  at += length;
  return true;
}

bool ParseLayout(const uint8_t* data, size_t size, PsdLayout& l) {
  if (!data || size < HeaderBytes || std::memcmp(data, "8BPS", 4) != 0 || BE16(data + 4) != 1) return false;
  l.channels = BE16(data + 12);
  l.height = int(std::min<uint32_t>(BE32(data + 14), 0x7FFFFFFF));
  l.width = int(std::min<uint32_t>(BE32(data + 18), 0x7FFFFFFF));
  l.bits = BE16(data + 22);
  l.mode = BE16(data + 24);
  const int needed = l.mode == RGB ? 3 : 1;
  if (l.width <= 0 || l.height <= 0 || l.channels < needed || l.channels > 56) return false;
  if (l.mode != Grey && l.mode != Indexed && l.mode != RGB) return false;
  if ((l.bits != 8 && l.bits != 16) || (l.mode == Indexed && l.bits != 8)) return false;
  size_t at = HeaderBytes, colourData = 0;
  if (!SkipSection(data, size, at, &colourData)) return false;
  if (l.mode == Indexed) {
    if (at - colourData < 768) return false;
    l.palette = colourData;
  }
  if (!SkipSection(data, size, at) || !SkipSection(data, size, at)) return false;  // resources, layers
  if (size - at < 2) return false;
  l.imageData = at;
  return true;
}

// PackBits: n 0..127 copies n + 1 bytes, n -127..-1 repeats the next byte 1 - n times, -128 is nothing.
bool UnpackRow(const uint8_t* in, size_t length, uint8_t* out, size_t rowBytes) {
  size_t at = 0, written = 0;
  while (written < rowBytes) {
    if (at >= length) return false;
    const int n = int8_t(in[at++]);
    if (n >= 0) {
      const size_t count = size_t(n) + 1;
      if (count > length - at || count > rowBytes - written) return false;
      std::memcpy(out + written, in + at, count);
      at += count;
      written += count;
    } else if (n != -128) {
      const size_t count = size_t(1 - n);
      if (at >= length || count > rowBytes - written) return false;
      std::memset(out + written, in[at++], count);
      written += count;
    }
  }
  return true;
}

// The first `used` channels as planes of height rows of rowBytes each; false on short data.
bool ReadPlanes(const uint8_t* data, size_t size, const PsdLayout& l, int used, std::vector<uint8_t>& planes) {
  const size_t rowBytes = size_t(l.width) * size_t(l.bits / 8);
  const size_t rows = size_t(l.height) * size_t(used);
  if (rowBytes > (size_t(1) << 40) / rows) return false;
  try {
    planes.assign(rowBytes * rows, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  const int compression = BE16(data + l.imageData);
  size_t at = l.imageData + 2;
  if (compression == 0) {
    if (planes.size() > size - at) return false;
    std::memcpy(planes.data(), data + at, planes.size());
    return true;
  }
  if (compression != 1) return false;
  // A table of two-byte lengths for every row of every channel, then the rows.
  const size_t allRows = size_t(l.height) * size_t(l.channels);
  if (allRows * 2 > size - at) return false;
  const uint8_t* lengths = data + at;
  at += allRows * 2;
  for (size_t r = 0; r < rows; ++r) {
    const size_t length = size_t(BE16(lengths + 2 * r));
    if (length > size - at || !UnpackRow(data + at, length, planes.data() + r * rowBytes, rowBytes)) return false;
    at += length;
  }
  return true;
}

}  // namespace

bool LooksLikePsd(const uint8_t* data, size_t size) {
  return data && size >= 6 && std::memcmp(data, "8BPS", 4) == 0 && BE16(data + 4) == 1;
}

bool ReadPsdInfo(const uint8_t* data, size_t size, FileInfo& info) {
  PsdLayout l;
  if (!ParseLayout(data, size, l)) return false;
  info = FileInfo{};
  info.type = FileType::PSD;
  info.width = l.width;
  info.height = l.height;
  info.bitsPerChannel = l.bits;
  const bool alpha = l.mode == RGB && l.channels > 3;
  info.bitsPerPixel = l.bits * (l.mode == RGB ? (alpha ? 4 : 3) : 1);
  info.model = l.mode == Grey ? ColourModel::Grey
               : l.mode == Indexed ? ColourModel::Palette
               : alpha ? ColourModel::RGBA
                       : ColourModel::RGB;
  return true;
}

Image DecodePsd(const uint8_t* data, size_t size) {
  PsdLayout l;
  if (!ParseLayout(data, size, l) || int64_t(l.width) * l.height > MaxPixels) return {};
  const int depth = l.mode == Grey ? 1 : l.mode == Indexed ? 3 : (l.channels > 3 ? 4 : 3);
  const int used = l.mode == RGB ? depth : 1;
  std::vector<uint8_t> planes;
  if (!ReadPlanes(data, size, l, used, planes)) return {};
  const bool wide = l.bits == 16;
  Image image = MakeImage(l.width, l.height, depth, wide);
  if (image.Empty()) return {};
  const ImageRef ref = image.Ref();
  const size_t sample = wide ? 2 : 1;
  const size_t plane = size_t(l.width) * size_t(l.height) * sample;
  for (int y = 0; y < l.height; ++y) {
    uint8_t* row = RowOf(ref, y);
    for (int x = 0; x < l.width; ++x) {
      const size_t at = (size_t(y) * size_t(l.width) + size_t(x)) * sample;
      if (l.mode == Indexed) {
        const uint8_t index = planes[at];
        // The palette holds all reds, then all greens, then all blues.
        for (int c = 0; c < 3; ++c) row[3 * x + c] = data[l.palette + size_t(c) * 256 + index];
        continue;
      }
      for (int c = 0; c < used; ++c) {
        const uint8_t* s = planes.data() + size_t(c) * plane + at;
        Put(ref, row, x, c, wide ? BE16(s) : s[0]);
      }
    }
  }
  return image;
}

}  // namespace imaging::detail
