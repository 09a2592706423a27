// Imaging: decoding, encoding and pixel operations on plain pixel buffers.
//
// Pixel layout used throughout:
//   depth 0: 1 bit per pixel, 8 pixels per byte, most significant bit first; decoded files give bit 1
//            for their dark pixels and bit 0 for their light ones;
//   depth 1: grey; depth 3: R, G, B; depth 4: R, G, B, A.
//   wide == false: 8 bits per channel; wide == true: 16 bits per channel (native-endian uint16_t),
//   so a wide row holds width x depth x 2 bytes. 1-bit images are never wide.
// Rows may be padded: every function honours the given stride.
//
// No function throws. Failures return false (or an empty Image); the caller reports them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace imaging {

// A rectangle with exclusive right and bottom edges.
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
};

// A view of pixel rows owned by someone else.
struct ImageRef {
  uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;  // bytes per row
  int depth = 0;   // 0, 1, 3 or 4 (see above)
  bool wide = false;
};

// Bytes of one unpadded row of the given layout (0 for a bad layout).
int RowBytes(int width, int depth, bool wide);

// True when the view describes a usable buffer: pixels set, positive size, depth 0/1/3/4, no wide 1-bit,
// stride at least one row.
bool IsValid(const ImageRef& image);

// An image owned by this library, rows unpadded (what the decoders and converters return).
struct Image {
  std::vector<uint8_t> pixels;
  int width = 0;
  int height = 0;
  int stride = 0;
  int depth = 0;
  bool wide = false;
  bool Empty() const { return pixels.empty(); }
  ImageRef Ref() { return {pixels.data(), width, height, stride, depth, wide}; }
};

// A zero-filled image; empty when the layout is bad or too large.
Image MakeImage(int width, int height, int depth, bool wide);

// ---------------------------------------------------------------------------------------------------------
// Files

enum class FileType { Unknown, BMP, JPEG, PNG, TIFF, TGA, GIF, PCX, PSD, PNM, WBMP };

// The colour model a file stores.
enum class ColourModel { Grey, GreyAlpha, RGB, RGBA, Palette };

struct FileInfo {
  FileType type = FileType::Unknown;
  int width = 0;
  int height = 0;
  int bitsPerChannel = 8;  // 1, 2, 4, 8 or 16 as stored
  int bitsPerPixel = 0;    // as stored: e.g. 1, 8, 24, 32, 48, 64
  ColourModel model = ColourModel::RGB;
  bool greyPalette = false;   // Palette: every entry is a grey level
  double dpiX = 0, dpiY = 0;  // resolution, 0 when the file has none
};

// The file type taken from the first bytes of the content (never from the name).
FileType GuessFileType(const uint8_t* data, size_t size);
FileType GuessFileType(const std::string& path);

// Reads only the header: type, size, bit depth, colour model, resolution. False for an unknown type, a
// zero size, or a header that cannot be read.
bool ReadFileInfo(const std::string& path, FileInfo& info);
bool ReadFileInfo(const uint8_t* data, size_t size, FileInfo& info);

// Decodes a whole file into the requested layout. depth 0 takes a 1-bit file (bit 1 = dark pixel) and
// fails for others; depth 1 gives grey (luminance for colour files); depth 3 drops alpha;
// depth 4 gives alpha 255 where the file has none. wide keeps 16-bit samples (8-bit samples are scaled
// by 257); narrow reduces 16-bit samples to their high byte. JPEG goes through libjpeg.
// Empty on any failure: unreadable, unknown type, truncated or corrupt data, a header that lies about
// the size, or a size beyond MaxPixels.
Image ReadImage(const std::string& path, int depth, bool wide);
Image ReadImage(const uint8_t* data, size_t size, int depth, bool wide);

// Largest image the decoders accept (width x height).
constexpr int64_t MaxPixels = int64_t(8192) * 8192;

// Writes a PNG. depth 0: 1-bit palette PNG (index 0 white, index 1 black); 1: grey; 3: RGB; 4: RGBA;
// wide: 16 bits per channel. dpi 0 writes no resolution. False when the file cannot be written.
bool SavePNG(const std::string& path, const ImageRef& image, double dpiX = 0, double dpiY = 0);

// Encodes as JPEG (8-bit grey or RGB; alpha is dropped) with quality 1..100. Empty on failure.
std::vector<uint8_t> EncodeJPEG(const ImageRef& image, int quality);

// ---------------------------------------------------------------------------------------------------------
// Pixel operations. Source and destination never overlap unless stated.

// Copies rect (clipped to src) into dst at (0, 0); dst must be at least the clipped size, same depth and
// width of channels. Works for 1-bit images at any left edge. False when the clipped rect is empty.
bool Crop(const ImageRef& src, const Rect& rect, const ImageRef& dst);

// Converts src into dst of the same width and height and any layout:
//   1-bit source: bit 1 -> full scale, bit 0 -> 0;  to 1-bit: grey >= half scale -> 1;
//   colour to grey: luminance (0.299 R + 0.587 G + 0.114 B, rounded);  grey to colour: R = G = B;
//   to RGBA from no alpha: alpha (an 8-bit value, scaled for wide);  RGBA to fewer channels: alpha dropped;
//   wide to narrow: high byte;  narrow to wide: x 257.
bool Convert(const ImageRef& src, const ImageRef& dst, uint8_t alpha = 255);

// Replaces channel nr (0 = R, 1 = G, 2 = B, 3 = A) of an RGB/RGBA image by a grey image of the same size
// and channel width.
bool SetChannel(const ImageRef& image, const ImageRef& grey, int nr);

enum class Resample { Nearest, Bilinear, Bicubic, Area };

// Resamples src into dst (any sizes, same layout). 1-bit images are resampled as grey and thresholded
// at half scale.
bool Resize(const ImageRef& src, const ImageRef& dst, Resample mode);

// An RGBA colour of 8 bits per channel; for grey targets the luminance is used, for 1-bit targets
// (r & 1) is the bit value, for wide targets each channel is scaled by 257.
struct Colour {
  uint8_t r = 0, g = 0, b = 0, a = 255;
};

// Fills rect (clipped) with colour. False when the clipped rect is empty or the image invalid.
bool FillRect(const ImageRef& image, const Rect& rect, Colour colour);

// Draws an axis-aligned ellipse centred at (cx, cy) with radii rx, ry: filled, or its one-pixel outline.
// Clipped to the image; radii of 0 give a line or a point.
bool DrawEllipse(const ImageRef& image, int cx, int cy, int rx, int ry, Colour colour, bool fill);

// Blends RGBA top over RGBA dst with its top-left corner at (x, y) (negative allowed, clipped):
// dst.rgb = top.rgb x a + dst.rgb x (1 - a) with a = top alpha / full scale; dst alpha is kept.
// Both must have the same channel width. False when the images are not RGBA; true (nothing changed)
// when they do not overlap.
bool AlphaBlend(const ImageRef& dst, const ImageRef& top, int x, int y);

// Raises dst's alpha to top's wherever top (placed as for AlphaBlend) is more opaque; the colours are
// left alone. Same conditions and result as AlphaBlend.
bool RaiseAlpha(const ImageRef& dst, const ImageRef& top, int x, int y);

// Brightness and contrast on every colour channel (alpha kept), each in -1..1:
//   v' = (v - half) x (1 + contrast) + half + brightness x full scale, clamped.
// brightness -0.2, contrast 0 darkens by a fifth of the full scale.
bool AdjustBrightnessContrast(const ImageRef& image, double brightness, double contrast);

// Draws src onto a 32-bit bitmap (rows of uint32_t 0xAARRGGBB, as the GUI bitmaps hold them) with its
// top-left corner at (x0, y0), clipped. Grey and 1-bit images go through the given palettes of 256
// entries (0x00RRGGBB); RGB is copied; RGBA is blended over the bitmap. Written pixels get alpha 255.
bool DrawToBitmap(const ImageRef& src, uint32_t* bitmap, int bitmapWidth, int bitmapHeight, int bitmapStride,
                  int x0, int y0, const uint32_t* greyPalette, const uint32_t* oneBitPalette);

// HSV to RGB: hue in degrees (any value, taken modulo 360), saturation 0..1, value 0..255.
void HSVToRGB(double h, double s, double v, uint8_t& r, uint8_t& g, uint8_t& b);

}  // namespace imaging
