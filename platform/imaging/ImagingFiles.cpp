// File types, headers, decoding into a requested layout, and the writers.
#include "platform/imaging/Codecs.h"
#include "platform/imaging/Imaging.h"
#include "platform/imaging/PixelAccess.h"
#include "platform/rtl/FileText.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

namespace imaging {
using namespace detail;

namespace {

constexpr long MaxFileBytes = 256L * 1024 * 1024;

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
  struct stat info {};
  const int fd = rtl_detail::OpenForReading(path, info);  // a regular file only
  if (fd < 0) return false;
  std::unique_ptr<FILE, int (*)(FILE*)> file(::fdopen(fd, "rb"), std::fclose);
  if (!file) {
    ::close(fd);
    return false;
  }
  if (std::fseek(file.get(), 0, SEEK_END) != 0) return false;
  long size = std::ftell(file.get());
  if (size <= 0 || size > MaxFileBytes || std::fseek(file.get(), 0, SEEK_SET) != 0) return false;
  try {
    bytes.resize(size_t(size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return std::fread(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
}

bool StartsWith(const uint8_t* data, size_t size, const char* magic, size_t length) {
  return size >= length && std::memcmp(data, magic, length) == 0;
}

// The file's own layout: 1-bit indices, grey or colour, narrow or wide.
Image DecodeNative(const uint8_t* data, size_t size) {
  const FileType type = GuessFileType(data, size);
  switch (type) {
    case FileType::JPEG:
      return DecodeJpeg(data, size);
    case FileType::TGA:
      return DecodeTga(data, size);
    case FileType::PNG:
    case FileType::BMP:
    case FileType::TIFF:
    case FileType::GIF:
    case FileType::PNM:
    case FileType::WBMP:
      return DecodeWithToolkit(data, size, type);
    case FileType::PCX:
      return DecodePcx(data, size);
    case FileType::PSD:
      return DecodePsd(data, size);
    case FileType::Unknown:
      break;
  }
  return {};
}

}  // namespace

FileType GuessFileType(const uint8_t* data, size_t size) {
  if (!data) return FileType::Unknown;
  if (StartsWith(data, size, "\x89PNG\r\n\x1a\n", 8)) return FileType::PNG;
  if (StartsWith(data, size, "\xFF\xD8\xFF", 3)) return FileType::JPEG;
  if (StartsWith(data, size, "BM", 2) && size >= 26) return FileType::BMP;
  if (StartsWith(data, size, "II*\0", 4) || StartsWith(data, size, "MM\0*", 4)) return FileType::TIFF;
  if (StartsWith(data, size, "GIF87a", 6) || StartsWith(data, size, "GIF89a", 6)) return FileType::GIF;
  if (LooksLikePsd(data, size)) return FileType::PSD;
  if (size >= 3 && data[0] == 'P' && data[1] >= '1' && data[1] <= '6' && std::isspace(data[2]))
    return FileType::PNM;
  if (LooksLikePcx(data, size)) return FileType::PCX;
  if (LooksLikeWbmp(data, size)) return FileType::WBMP;
  if (LooksLikeTga(data, size)) return FileType::TGA;
  return FileType::Unknown;
}

FileType GuessFileType(const std::string& path) {
  // Some types are told by more than their first bytes (a WBMP by its whole length).
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) return FileType::Unknown;
  return GuessFileType(bytes.data(), bytes.size());
}

bool ReadFileInfo(const uint8_t* data, size_t size, FileInfo& info) {
  info = FileInfo{};
  bool ok = false;
  const FileType type = GuessFileType(data, size);
  switch (type) {
    case FileType::JPEG:
      ok = ReadJpegInfo(data, size, info);
      break;
    case FileType::TGA:
      ok = ReadTgaInfo(data, size, info);
      break;
    case FileType::PNG:
      ok = ReadPngInfo(data, size, info);
      break;
    case FileType::BMP:
      ok = ReadBmpInfo(data, size, info);
      break;
    case FileType::TIFF:
    case FileType::GIF:
    case FileType::PNM:
    case FileType::WBMP:
      ok = ReadToolkitInfo(data, size, type, info);
      break;
    case FileType::PCX:
      ok = ReadPcxInfo(data, size, info);
      break;
    case FileType::PSD:
      ok = ReadPsdInfo(data, size, info);
      break;
    case FileType::Unknown:
      break;
  }
  ok = ok && info.width > 0 && info.height > 0 && int64_t(info.width) * info.height <= MaxPixels;
  if (!ok) info = FileInfo{};
  return ok;
}

bool ReadFileInfo(const std::string& path, FileInfo& info) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) {
    info = FileInfo{};
    return false;
  }
  return ReadFileInfo(bytes.data(), bytes.size(), info);
}

Image ReadImage(const uint8_t* data, size_t size, int depth, bool wide) {
  if (RowBytes(1, depth, wide) <= 0) return {};
  // The header must read well, and the decoder must agree with it about the size.
  FileInfo info;
  if (!ReadFileInfo(data, size, info)) return {};
  Image native = DecodeNative(data, size);
  if (native.Empty() || native.width != info.width || native.height != info.height) return {};
  if (depth == 0) return native.depth == 0 ? native : Image{};
  if (native.depth == depth && native.wide == wide) return native;
  // A 1-bit file read as grey or colour shows its own colours: its dark pixels (bit 1) become 0.
  if (native.depth == 0)
    for (uint8_t& byte : native.pixels) byte = uint8_t(~byte);
  Image result = MakeImage(native.width, native.height, depth, wide);
  if (result.Empty() || !Convert(native.Ref(), result.Ref())) return {};
  return result;
}

Image ReadImage(const std::string& path, int depth, bool wide) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) return {};
  return ReadImage(bytes.data(), bytes.size(), depth, wide);
}

bool SavePNG(const std::string& path, const ImageRef& image, double dpiX, double dpiY) {
  return IsValid(image) && WritePng(path, image, dpiX, dpiY);
}

std::vector<uint8_t> EncodeJPEG(const ImageRef& image, int quality) { return EncodeJpeg(image, quality); }

}  // namespace imaging
