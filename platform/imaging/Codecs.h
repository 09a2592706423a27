// Internal: the decoders and encoders behind Imaging.h. Decoders return the file's own layout: 1-bit
// indices (depth 0), grey (depth 1) or colour (depth 3 or 4), narrow or wide; empty on failure.
#pragma once
#include "platform/imaging/Imaging.h"

namespace imaging::detail {

// Unsigned integers stored in a file, most (BE) or least (LE) significant byte first.
inline uint16_t BE16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
inline uint32_t BE32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
inline uint16_t LE16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t LE32(const uint8_t* p) {
  return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

bool ReadJpegInfo(const uint8_t* data, size_t size, FileInfo& info);
Image DecodeJpeg(const uint8_t* data, size_t size);
std::vector<uint8_t> EncodeJpeg(const ImageRef& image, int quality);

bool ReadTgaInfo(const uint8_t* data, size_t size, FileInfo& info);
bool LooksLikeTga(const uint8_t* data, size_t size);
Image DecodeTga(const uint8_t* data, size_t size);

bool LooksLikePcx(const uint8_t* data, size_t size);
bool ReadPcxInfo(const uint8_t* data, size_t size, FileInfo& info);
Image DecodePcx(const uint8_t* data, size_t size);

bool LooksLikePsd(const uint8_t* data, size_t size);
bool ReadPsdInfo(const uint8_t* data, size_t size, FileInfo& info);
Image DecodePsd(const uint8_t* data, size_t size);

// A WBMP (type 0): no magic number, so the header must promise exactly the bytes that follow it.
bool LooksLikeWbmp(const uint8_t* data, size_t size);

// PNG, BMP, TIFF, GIF, PNM and WBMP through the GUI toolkit's readers.
bool ReadPngInfo(const uint8_t* data, size_t size, FileInfo& info);
bool ReadBmpInfo(const uint8_t* data, size_t size, FileInfo& info);
// The header of a TIFF, GIF, PNM or WBMP file.
bool ReadToolkitInfo(const uint8_t* data, size_t size, FileType type, FileInfo& info);
Image DecodeWithToolkit(const uint8_t* data, size_t size, FileType type);
bool WritePng(const std::string& path, const ImageRef& image, double dpiX, double dpiY);

}  // namespace imaging::detail
