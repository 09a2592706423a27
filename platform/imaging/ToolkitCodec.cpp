// PNG, BMP, TIFF and GIF through Qt's image readers and PNG writer; PNG and BMP headers parsed here.
#include "platform/imaging/Codecs.h"
#include "platform/imaging/PixelAccess.h"
#include "platform/rtl/FileText.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <cstring>

namespace imaging::detail {
namespace {

const char* FormatName(FileType type) {
  switch (type) {
    case FileType::PNG:
      return "png";
    case FileType::BMP:
      return "bmp";
    case FileType::TIFF:
      return "tiff";
    case FileType::GIF:
      return "gif";
    case FileType::WBMP:
      return "wbmp";
    case FileType::PNM:
      return "ppm";  // the toolkit's one reader of the whole P1 .. P6 family
    default:
      return "";
  }
}

// Reads one WBMP multi-byte integer (7 bits a byte, high bit: more follow).
bool ReadUintVar(const uint8_t* data, size_t size, size_t& at, uint32_t& value) {
  value = 0;
  for (int n = 0; n < 4; ++n) {
    if (at >= size) return false;
    const uint8_t byte = data[at++];
    value = value << 7 | (byte & 0x7F);
    if (!(byte & 0x80)) return true;
  }
  return false;
}

bool IsGreyTable(const QList<QRgb>& table) {
  for (QRgb c : table)
    if (qRed(c) != qGreen(c) || qGreen(c) != qBlue(c) || qAlpha(c) != 255) return false;
  return !table.isEmpty();
}

// Copies the rows of a QImage of a matching layout into a new unpadded image.
Image CopyRows(const QImage& source, int depth, bool wide) {
  Image image = MakeImage(source.width(), source.height(), depth, wide);
  if (image.Empty()) return {};
  for (int y = 0; y < image.height; ++y)
    std::memcpy(image.pixels.data() + size_t(y) * image.stride, source.constScanLine(y),
                size_t(image.stride));
  return image;
}

// A 1-bit image packed with bit 1 for its dark pixels (so that it is drawn as the file shows it);
// bits past the width stay 0.
Image CopyDarkBits(const QImage& source) {
  Image image = MakeImage(source.width(), source.height(), 0, false);
  if (image.Empty()) return {};
  const QList<QRgb> table = source.colorTable();
  bool dark[2] = {false, true};
  for (int i = 0; i < 2 && i < table.size(); ++i) dark[i] = qGray(table[i]) < 128;
  for (int y = 0; y < image.height; ++y) {
    uint8_t* row = image.pixels.data() + size_t(y) * image.stride;
    for (int x = 0; x < image.width; ++x)
      if (dark[source.pixelIndex(x, y) & 1]) row[x >> 3] = uint8_t(row[x >> 3] | (0x80 >> (x & 7)));
  }
  return image;
}

// False when an uncompressed BMP holds fewer pixel bytes than its header promises (the toolkit's
// reader would pad the missing rows).
bool BmpDataComplete(const uint8_t* data, size_t size) {
  if (size < 54 || LE32(data + 14) < 40) return true;  // old headers: left to the reader
  const uint32_t offset = LE32(data + 10), compression = LE32(data + 30);
  if (compression != 0 && compression != 3) return true;  // run-length data has no fixed size
  const int64_t width = int32_t(LE32(data + 18)), height = int32_t(LE32(data + 22));
  const int bits = LE16(data + 28);
  if (width <= 0 || bits <= 0 || offset > size) return false;
  const int64_t rowBytes = ((width * bits + 31) / 32) * 4;
  const int64_t rows = height < 0 ? -height : height;
  // rows x rowBytes <= size - offset, without overflowing.
  return rows == 0 || rowBytes <= int64_t(size - offset) / rows;
}

}  // namespace

bool ReadPngInfo(const uint8_t* data, size_t size, FileInfo& info) {
  // Signature (8), then the IHDR chunk: length, "IHDR", width, height, bit depth, colour type.
  if (size < 33 || std::memcmp(data + 12, "IHDR", 4) != 0 || BE32(data + 8) != 13) return false;
  const uint32_t width = BE32(data + 16), height = BE32(data + 20);
  const int bits = data[24], colourType = data[25];
  static const int channelsOf[7] = {1, 0, 3, 1, 2, 0, 4};
  if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF || colourType > 6 ||
      channelsOf[colourType] == 0 || (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16))
    return false;
  info = FileInfo{};
  info.type = FileType::PNG;
  info.width = int(width);
  info.height = int(height);
  info.bitsPerChannel = bits;
  info.bitsPerPixel = bits * channelsOf[colourType];
  static const ColourModel models[7] = {ColourModel::Grey,    ColourModel::Grey,      ColourModel::RGB,
                                        ColourModel::Palette, ColourModel::GreyAlpha, ColourModel::Grey,
                                        ColourModel::RGBA};
  info.model = models[colourType];
  // Later chunks up to the image data: the palette and the resolution.
  size_t pos = 33;
  while (pos + 12 <= size) {
    const uint32_t length = BE32(data + pos);
    const uint8_t* type = data + pos + 4;
    if (length > size - pos - 12) break;
    const uint8_t* body = data + pos + 8;
    if (std::memcmp(type, "IDAT", 4) == 0) break;
    if (std::memcmp(type, "PLTE", 4) == 0 && length % 3 == 0) {
      info.greyPalette = length > 0;
      for (uint32_t i = 0; i < length; i += 3)
        if (body[i] != body[i + 1] || body[i + 1] != body[i + 2]) info.greyPalette = false;
    } else if (std::memcmp(type, "pHYs", 4) == 0 && length == 9 && body[8] == 1) {
      info.dpiX = BE32(body) * 0.0254;
      info.dpiY = BE32(body + 4) * 0.0254;
    }
    pos += 12 + size_t(length);
  }
  return true;
}

bool ReadBmpInfo(const uint8_t* data, size_t size, FileInfo& info) {
  if (size < 26) return false;
  const uint32_t headerSize = LE32(data + 14);
  int64_t width, height;
  int bits;
  size_t paletteEntryBytes;
  uint32_t coloursUsed = 0;
  double dpiX = 0, dpiY = 0;
  if (headerSize == 12) {
    width = LE16(data + 18);
    height = LE16(data + 20);
    bits = LE16(data + 24);
    paletteEntryBytes = 3;
  } else if ((headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 64 ||
              headerSize == 108 || headerSize == 124) &&
             size >= 14 + size_t(headerSize)) {
    width = int32_t(LE32(data + 18));
    height = int32_t(LE32(data + 22));
    bits = LE16(data + 28);
    dpiX = int32_t(LE32(data + 38)) * 0.0254;
    dpiY = int32_t(LE32(data + 42)) * 0.0254;
    coloursUsed = LE32(data + 46);
    paletteEntryBytes = 4;
  } else {
    return false;
  }
  if (height < 0) height = -height;
  if (width <= 0 || height <= 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  info = FileInfo{};
  info.type = FileType::BMP;
  info.width = int(width);
  info.height = int(height);
  info.bitsPerPixel = bits;
  info.bitsPerChannel = bits <= 8 ? bits : bits == 16 ? 5 : 8;
  info.dpiX = dpiX > 0 ? dpiX : 0;
  info.dpiY = dpiY > 0 ? dpiY : 0;
  if (bits <= 8) {
    info.model = ColourModel::Palette;
    size_t entries = coloursUsed && coloursUsed <= (1u << bits) ? coloursUsed : (1u << bits);
    size_t start = 14 + size_t(headerSize);
    info.greyPalette = start + entries * paletteEntryBytes <= size;
    for (size_t i = 0; info.greyPalette && i < entries; ++i) {
      const uint8_t* e = data + start + i * paletteEntryBytes;
      info.greyPalette = e[0] == e[1] && e[1] == e[2];
    }
  } else {
    info.model = bits == 32 ? ColourModel::RGBA : ColourModel::RGB;
  }
  return true;
}

bool LooksLikeWbmp(const uint8_t* data, size_t size) {
  if (!data || size < 4 || data[0] != 0 || data[1] != 0) return false;
  size_t at = 2;
  uint32_t width = 0, height = 0;
  if (!ReadUintVar(data, size, at, width) || !ReadUintVar(data, size, at, height)) return false;
  if (width == 0 || height == 0) return false;
  return uint64_t(height) * ((uint64_t(width) + 7) / 8) == uint64_t(size - at);
}

bool ReadToolkitInfo(const uint8_t* data, size_t size, FileType type, FileInfo& info) {
  const char* format = FormatName(type);
  if (!*format || type == FileType::PNG || type == FileType::BMP) return false;
  QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::ReadOnly)) return false;
  QImageReader reader(&buffer, format);
  const QSize dims = reader.size();
  if (!dims.isValid() || dims.isEmpty()) return false;
  info = FileInfo{};
  info.type = type;
  info.width = dims.width();
  info.height = dims.height();
  switch (reader.imageFormat()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
      info.bitsPerChannel = info.bitsPerPixel = 1;
      info.model = ColourModel::Grey;
      break;
    case QImage::Format_Grayscale8:
      info.bitsPerChannel = info.bitsPerPixel = 8;
      info.model = ColourModel::Grey;
      break;
    case QImage::Format_Grayscale16:
      info.bitsPerChannel = info.bitsPerPixel = 16;
      info.model = ColourModel::Grey;
      break;
    case QImage::Format_Indexed8:
      info.bitsPerChannel = info.bitsPerPixel = 8;
      info.model = ColourModel::Palette;
      break;
    case QImage::Format_RGBX64:
      info.bitsPerChannel = 16;
      info.bitsPerPixel = 48;
      info.model = ColourModel::RGB;
      break;
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
      info.bitsPerChannel = 16;
      info.bitsPerPixel = 64;
      info.model = ColourModel::RGBA;
      break;
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
      info.bitsPerPixel = 32;
      info.model = ColourModel::RGBA;
      break;
    default:
      info.bitsPerPixel = 24;
      info.model = ColourModel::RGB;
      break;
  }
  return true;
}

Image DecodeWithToolkit(const uint8_t* data, size_t size, FileType type) {
  if (type == FileType::BMP && !BmpDataComplete(data, size)) return {};
  QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::ReadOnly)) return {};
  QImageReader reader(&buffer, FormatName(type));
  reader.setAutoTransform(false);
  const QSize dims = reader.size();
  if (dims.isValid() && int64_t(dims.width()) * dims.height() > MaxPixels) return {};
  QImage image;
  if (!reader.read(&image) || image.isNull()) return {};
  switch (image.format()) {
    case QImage::Format_MonoLSB:
      image = image.convertToFormat(QImage::Format_Mono);
      [[fallthrough]];
    case QImage::Format_Mono:
      return CopyDarkBits(image);
    case QImage::Format_Grayscale8:
      return CopyRows(image, 1, false);
    case QImage::Format_Grayscale16:
      return CopyRows(image, 1, true);
    case QImage::Format_Indexed8:
      if (IsGreyTable(image.colorTable()))
        return CopyRows(image.convertToFormat(QImage::Format_Grayscale8), 1, false);
      return CopyRows(image.convertToFormat(QImage::Format_RGBA8888), 4, false);
    default:
      break;
  }
  if (image.depth() == 64) return CopyRows(image.convertToFormat(QImage::Format_RGBA64), 4, true);
  return CopyRows(image.convertToFormat(QImage::Format_RGBA8888), 4, false);
}

bool WritePng(const std::string& path, const ImageRef& image, double dpiX, double dpiY) {
  QImage::Format format;
  switch (image.depth) {
    case 0:
      format = QImage::Format_Mono;
      break;
    case 1:
      format = image.wide ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8;
      break;
    case 3:
      format = image.wide ? QImage::Format_RGBX64 : QImage::Format_RGB888;
      break;
    case 4:
      format = image.wide ? QImage::Format_RGBA64 : QImage::Format_RGBA8888;
      break;
    default:
      return false;
  }
  QImage out(image.width, image.height, format);
  if (out.isNull()) return false;
  if (image.depth == 0) out.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* row = RowOf(image, y);
    if (image.depth == 3 && image.wide) {
      auto* d = reinterpret_cast<uint16_t*>(out.scanLine(y));
      for (int x = 0; x < image.width; ++x) {
        std::memcpy(d + x * 4, row + size_t(x) * 6, 6);
        d[x * 4 + 3] = 0xFFFF;
      }
    } else {
      std::memcpy(out.scanLine(y), row, size_t(RowBytes(image.width, image.depth, image.wide)));
    }
  }
  if (dpiX > 0 && dpiY > 0) {
    out.setDotsPerMeterX(int(dpiX / 0.0254 + 0.5));
    out.setDotsPerMeterY(int(dpiY / 0.0254 + 0.5));
  }
  // Encoded in memory, then written as the settings files are: a temporary file renamed over the old
  // one only when complete and on the disk, so a failed write (a full disk) keeps the old file whole.
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly)) return false;
  QImageWriter writer(&buffer, "png");
  if (!writer.write(out)) return false;
  return rtl_detail::WriteFileAtomically(path, std::string(bytes.constData(), size_t(bytes.size())));
}

}  // namespace imaging::detail
