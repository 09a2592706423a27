// The image buffer over the imaging facility, the imaging start-up and the image log.
#include "display/Imagebase.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/imaging/Imaging.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Forms.h"
#include "base/BitmapImages.h"
#include "base/Globals.h"

// ---------------------------------------------------------------------------------------------------------
// Unit globals

namespace {

struct Palettes {
  Palettes() { Fill(); }
  static void Fill() {
    for (uint32_t i = 0; i < 256; ++i) GreyPalette[i] = i << 16 | i << 8 | i;
    std::fill(std::begin(OneBitPalette), std::end(OneBitPalette), 0u);
    OneBitPalette[0] = 0xFFFFFF;
    OneBitPalette[1] = 0x000000;
  }
};

}  // namespace

std::atomic<int> ImageBytesAllocated{0};
uint32_t GreyPalette[256];
uint32_t OneBitPalette[256];
bool ImageLogging = true;
static Palettes palettesAtStart;

std::string ImageLogFile() { return IncludeTrailingPathDelimiter(GetProgramFolder()) + "log.txt"; }

void ClearImageLog() {
  if (!ImageLogging) return;
  if (FILE* file = OpenTextFileForWriting(ImageLogFile(), false)) std::fclose(file);
}

void ImageLog(const std::string& text) {
  if (!ImageLogging) return;
  // The log and its list belong to the GUI thread; an image made on a worker reports through it.
  if (!IsMainThread()) {
    QueueToMainThread([text] { ImageLog(text); });
    return;
  }
  if (FILE* file = OpenTextFileForWriting(ImageLogFile(), true)) {
    std::fprintf(file, "%s\n", text.c_str());
    std::fclose(file);
  }
  // The start-up log rewrites log.txt from its list at every save: keep the line there too, so that
  // the next save does not wipe it out.
  if (LogList) LogList->Add(text);
}

void ImageMessage(const std::string& text) { MessageBox(text, "Message", MB_OK); }

void ImageFatal(const std::string& text) {
  MessageBox(text, "Prozess wird beendet", MB_OK);
  std::fflush(nullptr);
  std::_Exit(1);
}

TColor HSVToColor(HSVColor hsv) {
  uint8_t r, g, b;
  imaging::HSVToRGB(hsv.h, hsv.s, hsv.v, r, g, b);
  return TColor(r | g << 8 | b << 16);
}

// ---------------------------------------------------------------------------------------------------------
// ImageBase

ImageBase::ImageBase() {
  ClearImageLog();
  ImageLog("ImageBase gestartet");
  ImageBytesAllocated = 0;
  Palettes::Fill();
}

ImageBase::~ImageBase() {
  if (ImageBytesAllocated != 0)
    ImageMessage(std::to_string(ImageBytesAllocated.load()) + " Bytes nicht freigegeben");
  ImageLog("ImageBase beendet");
}

// ---------------------------------------------------------------------------------------------------------
// Pixel blocks: zeroed, with their size kept in front of them.

namespace {

constexpr size_t BlockHeader = 16;

BYTE* BlockAlloc(size_t bytes) {
  auto* raw = static_cast<BYTE*>(std::calloc(1, bytes + BlockHeader));
  if (!raw) return nullptr;
  std::memcpy(raw, &bytes, sizeof bytes);
  return raw + BlockHeader;
}

size_t BlockSize(const BYTE* block) {
  size_t bytes;
  std::memcpy(&bytes, block - BlockHeader, sizeof bytes);
  return bytes;
}

void BlockFree(BYTE* block) { std::free(block - BlockHeader); }

bool IsAllZero(const TRect& r) { return r.Left == 0 && r.Top == 0 && r.Right == 0 && r.Bottom == 0; }

imaging::Colour ImageColour(TColor col, int depth) {
  if (depth == 0) return {uint8_t(col & 1), 0, 0, 255};
  TColor c = ColorToRGB(col);
  return {uint8_t(GetRValue(c)), uint8_t(GetGValue(c)), uint8_t(GetBValue(c)), 255};
}

// A new image of the given layout, or null (no message) when it cannot be allocated.
ZImage* NewImage(int w, int h, int d, ZImageType type) {
  auto* image = new ZImage();
  if (!image->Allocate(w, h, d, type)) {
    delete image;
    return nullptr;
  }
  return image;
}

imaging::ImageRef RefOf(const ZImage& image) {
  return {image.Pixels(), image.Width(), image.Height(), image.Stride(), image.Depth(), image.Type() == 1};
}

template <typename T>
T* Fail(const char* text) {
  ImageLog(text);
  return nullptr;
}

bool Failed(const char* text) {
  ImageLog(text);
  return false;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------
// ZImage: life cycle

ZImage::ZImage() = default;

ZImage::ZImage(int w, int h, int d, ZImageType t) {
  ResetFields();
  if (!Allocate(w, h, d, t)) ImageFatal("ZImage( int w, int h, int d, ZImageType type ) fehlgeschlagen");
}

ZImage::ZImage(const ZImage* src) {
  if (!Copy(src)) ImageFatal("ZImage( ZImage * src ) fehlgeschlagen");
}

ZImage::ZImage(TBitmap* bm, TRect ROI) {
  if (!Copy(bm, ROI)) ImageFatal("ZImage( Graphics::TBitmap * bm, TRect ROI ) fehlgeschlagen");
}

ZImage::ZImage(const ZImage& other) : TObject() {
  if (other.IsValid() && !Copy(&other)) ImageFatal("ZImage( ZImage * src ) fehlgeschlagen");
}

ZImage::ZImage(ZImage&& other) noexcept : TObject() { TakeFrom(other); }

ZImage& ZImage::operator=(const ZImage& other) {
  if (this == &other) return *this;
  if (other.IsValid())
    Copy(&other);
  else
    Clear();
  return *this;
}

ZImage& ZImage::operator=(ZImage&& other) noexcept {
  if (this != &other) {
    Clear();
    TakeFrom(other);
  }
  return *this;
}

ZImage::~ZImage() {
  KillBuffer(pixels);
  pixels = nullptr;
}

void ZImage::TakeFrom(ZImage& other) noexcept {
  pixels = std::exchange(other.pixels, nullptr);
  width = other.width;
  height = other.height;
  depth = other.depth;
  stride = other.stride;
  bufferSize = other.bufferSize;
  type = other.type;
  resolutionX = other.resolutionX;
  resolutionY = other.resolutionY;
  other.ResetFields();
  roiWhole = true;
  roiValid = false;
  roiFirst = nullptr;
}

void ZImage::Clear() {
  KillBuffer(pixels);
  ResetFields();
}

void ZImage::ResetFields() {
  width = height = depth = stride = bufferSize = 0;
  type = 0;
  resolutionX = resolutionY = 0;
  roiWhole = true;
  roiValid = false;
  roiFirst = nullptr;
  roiWidth = roiHeight = 0;
  roiRect = TRect();
}

bool ZImage::IsValid() const { return width != 0 && height != 0 && depth >= 0 && depth <= 4 && pixels; }

int ZImage::BufferSize(int w, int h, int d, ZImageType t) {
  int64_t bytes = d > 0 ? int64_t(w) * h * d * (t ? 2 : 1) : ((int64_t(w) + 7) / 8) * h;
  return bytes > 0 && bytes <= INT_MAX ? int(bytes) : 0;
}

bool ZImage::Allocate(int w, int h, int d, ZImageType t) {
  if (w <= 0 || h <= 0 || d < 0 || d > 4 || t > 1) return false;
  const int bytes = BufferSize(w, h, d, t);
  if (bytes <= 0) return false;
  BYTE* block = AllocBuffer(bytes);
  if (!block) return false;
  KillBuffer(pixels);
  pixels = block;
  width = w;
  height = h;
  depth = d;
  type = t;
  stride = d > 0 ? w * d * (t ? 2 : 1) : (w + 7) / 8;
  bufferSize = int(BlockSize(block));
  return true;
}

BYTE* ZImage::AllocBuffer(int bytes) {
  BYTE* block = bytes > 0 ? BlockAlloc(size_t(bytes)) : nullptr;
  if (!block) return Fail<BYTE>("AllocBuffer( bytes ) nicht möglich");
  ImageBytesAllocated += int(BlockSize(block));
  return block;
}

void ZImage::KillBuffer(BYTE* buffer) {
  if (!buffer) return;
  ImageBytesAllocated -= int(BlockSize(buffer));
  BlockFree(buffer);
  if (buffer == pixels) pixels = nullptr;
}

void ZImage::SetROI(TRect ROI) {
  roiValid = true;
  roiWhole = ROI.IsEmpty();
  roiRect = TRect(0, 0, width, height);
  roiFirst = pixels;
  roiWidth = width;
  roiHeight = height;
  if (IsAllZero(ROI)) {
    roiWhole = true;
    return;
  }
  TRect r(std::max(ROI.Left, 0), std::max(ROI.Top, 0), std::min(ROI.Right, width),
          std::min(ROI.Bottom, height));
  if (r.IsEmpty()) {
    roiValid = false;
    return;
  }
  roiRect = r;
  roiWidth = r.Width();
  roiHeight = r.Height();
  // 1-bit rows: the byte that holds the ROI's left pixel.
  const int64_t column = depth > 0 ? int64_t(r.Left) * depth * (type ? 2 : 1) : r.Left / 8;
  roiFirst = pixels + int64_t(r.Top) * stride + column;
}

TRect ZImage::WorkRect() const { return roiWhole ? TRect(0, 0, width, height) : roiRect; }

bool ZImage::Replace(ZImage* result) {
  if (!result) return false;
  *this = std::move(*result);
  delete result;
  return true;
}

// A view of rect inside image; 1-bit rects that do not start on a byte are copied into scratch.
static imaging::ImageRef SubView(const ZImage& image, const TRect& r, imaging::Image& scratch) {
  imaging::ImageRef whole = RefOf(image);
  if (image.Depth() == 0 && r.Left % 8 != 0) {
    scratch = imaging::MakeImage(r.Width(), r.Height(), 0, false);
    if (scratch.Empty() || !imaging::Crop(whole, {r.Left, r.Top, r.Right, r.Bottom}, scratch.Ref()))
      return {};
    return scratch.Ref();
  }
  const int64_t column =
      image.Depth() > 0 ? int64_t(r.Left) * image.Depth() * (image.Type() ? 2 : 1) : r.Left / 8;
  return {image.Pixels() + int64_t(r.Top) * image.Stride() + column,
          r.Width(),
          r.Height(),
          image.Stride(),
          image.Depth(),
          image.Type() == 1};
}

// ---------------------------------------------------------------------------------------------------------
// Copies and crops

bool ZImage::Copy(const ZImage* src) {
  if (src == this) return IsValid() || Failed("Copy( ZImage * src ) fehlgeschlagen");
  if (!src || !src->IsValid()) {
    Clear();
    return Failed("Copy( ZImage * src ) fehlgeschlagen");
  }
  Clear();
  if (!Allocate(src->width, src->height, src->depth, src->type))
    return Failed("Copy( ZImage * src ) fehlgeschlagen");
  std::memcpy(pixels, src->pixels, size_t(std::min(bufferSize, src->bufferSize)));
  resolutionX = src->resolutionX;
  resolutionY = src->resolutionY;
  return true;
}

bool ZImage::Copy(TBitmap* bm, TRect ROI) {
  const char* failure = "Copy( Graphics::TBitmap * bm, TRect ROI ) fehlgeschlagen";
  imaging::Image rgb = ImageOfBitmap(bm, ROI);
  if (rgb.Empty()) return Failed(failure);
  Clear();
  if (!Allocate(rgb.width, rgb.height, 3, 0)) return Failed(failure);
  std::memcpy(pixels, rgb.pixels.data(), size_t(std::min<int64_t>(bufferSize, int64_t(rgb.pixels.size()))));
  return true;
}

ZImage* ZImage::Clone() {
  if (!IsValid()) return Fail<ZImage>("Clone( void ) fehlgeschlagen");
  ZImage* image = NewImage(width, height, depth, type);
  if (!image) return Fail<ZImage>("Clone( void ) fehlgeschlagen");
  std::memcpy(image->pixels, pixels, size_t(std::min(bufferSize, image->bufferSize)));
  image->resolutionX = resolutionX;
  image->resolutionY = resolutionY;
  return image;
}

ZImage* ZImage::Crop_C(TRect ROI) {
  const char* failure = "Crop_C( TRect  ROI ) fehlgeschlagen";
  if (!IsValid()) return Fail<ZImage>(failure);
  SetROI(ROI);
  if (!roiValid || roiWhole) return Fail<ZImage>(failure);
  // The crop keeps the channel width of the source (a 16-bit image stays 16-bit).
  ZImage* image = NewImage(roiWidth, roiHeight, depth, type);
  if (!image || !imaging::Crop(RefOf(*this), {roiRect.Left, roiRect.Top, roiRect.Right, roiRect.Bottom},
                               RefOf(*image))) {
    delete image;
    return Fail<ZImage>(failure);
  }
  return image;
}

bool ZImage::Crop(TRect ROI) { return Replace(Crop_C(ROI)) || Failed("Crop( TRect ROI ) fehlgeschlagen"); }

// ---------------------------------------------------------------------------------------------------------
// Drawing on bitmaps and canvases

// Draws rect of image onto a 32-bit bitmap of the rect's size, row by row.
static bool DrawRows(const ZImage& image, const TRect& r, TBitmap* bitmap) {
  if (image.Depth() == 2) return false;
  const imaging::ImageRef whole = RefOf(image);
  for (int y = 0; y < r.Height(); ++y) {
    // Source row r.Top + y, up to the rect's right edge, placed so that its column r.Left lands at 0.
    imaging::ImageRef row = whole;
    row.pixels = whole.pixels + int64_t(r.Top + y) * whole.stride;
    row.width = r.Right;
    row.height = 1;
    if (!imaging::DrawToBitmap(row, static_cast<uint32_t*>(bitmap->ScanLine(y)), r.Width(), 1, r.Width() * 4,
                               -r.Left, 0, GreyPalette, OneBitPalette))
      return false;
  }
  return true;
}

TBitmap* ZImage::CreateBitmap(TRect ROI) {
  const char* failure = "CreateBitmap( TRect ROI ) fehlgeschlagen";
  if (!IsValid() || depth == 2) return Fail<TBitmap>(failure);
  SetROI(ROI);
  if (!roiValid) return Fail<TBitmap>(failure);
  imaging::Image scratch;
  TBitmap* bitmap = NewBitmapOf(SubView(*this, WorkRect(), scratch), GreyPalette, OneBitPalette);
  return bitmap ? bitmap : Fail<TBitmap>(failure);
}

bool ZImage::DrawToCanvas(TCanvas* can, int x0, int y0, TRect ROI) {
  const char* failure = "DrawToCanvas( TCanvas * can, int x0, int y0, TRect ROI ) fehlgeschlagen";
  if (!can || !IsValid()) return Failed(failure);
  SetROI(ROI);
  if (!roiValid) return Failed(failure);
  const TRect r = WorkRect();
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf32bit);
  bitmap.SetSize(r.Width(), r.Height());
  if (bitmap.Width() != r.Width() || bitmap.Height() != r.Height()) return Failed(failure);
  // RGBA blends over what the canvas shows: start from the canvas's own pixels there.
  if (depth == 4)
    bitmap.Canvas()->CopyRect(TRect(0, 0, r.Width(), r.Height()), can,
                              TRect(x0, y0, x0 + r.Width(), y0 + r.Height()));
  if (!DrawRows(*this, r, &bitmap)) return Failed(failure);
  can->Draw(x0, y0, &bitmap);
  return true;
}

// ---------------------------------------------------------------------------------------------------------
// Conversions

ZImage* ZImage::OneBitToGray_C() {
  const char* failure = "OneBitToGray_C( void ) fehlgeschlagen";
  if (!IsValid() || depth != 0) return Fail<ZImage>(failure);
  ZImage* grey = NewImage(width, height, 1, 0);
  if (!grey || !imaging::Convert(RefOf(*this), RefOf(*grey))) {
    delete grey;
    return Fail<ZImage>(failure);
  }
  return grey;
}

ZImage* ZImage::ToRGB_C(TRect ROI) {
  const char* failure = "ToRGB_C( TRect ROI ) fehlgeschlagen";
  if (!IsValid() || type == 1 || (depth != 0 && depth != 1 && depth != 3 && depth != 4))
    return Fail<ZImage>(failure);
  SetROI(ROI);
  if (!roiValid) return Fail<ZImage>(failure);
  const TRect r = WorkRect();
  if (depth == 3) {
    // A copy of the rectangle, given explicitly: an all-zero ROI is no crop.
    ZImage* copy = Crop_C(r);
    return copy ? copy : Fail<ZImage>(failure);
  }
  imaging::Image scratch;
  const imaging::ImageRef source = SubView(*this, r, scratch);
  ZImage* rgb = NewImage(r.Width(), r.Height(), 3, 0);
  if (!rgb || !imaging::Convert(source, RefOf(*rgb))) {
    delete rgb;
    return Fail<ZImage>(failure);
  }
  return rgb;
}

ZImage* ZImage::ToRGBA_C(BYTE alpha, TRect ROI) {
  const char* failure = "ToRGBA_C( BYTE alpha, TRect ROI ) fehlgeschlagen";
  if (!IsValid()) return Fail<ZImage>(failure);
  if (depth == 4) {
    SetROI(ROI);
    ZImage* copy = roiValid && roiWhole ? Clone() : Crop_C(ROI);
    return copy ? copy : Fail<ZImage>(failure);
  }
  ZImage* rgb = ToRGB_C(ROI);
  if (!rgb) return Fail<ZImage>(failure);
  ZImage* rgba = NewImage(rgb->width, rgb->height, 4, 0);
  if (!rgba || !imaging::Convert(RefOf(*rgb), RefOf(*rgba), alpha)) {
    delete rgba;
    rgba = nullptr;
  }
  delete rgb;
  return rgba ? rgba : Fail<ZImage>(failure);
}

bool ZImage::ToRGBA(BYTE alpha, TRect ROI) {
  const char* failure = "ToRGBA( BYTE alpha, TRect ROI ) fehlgeschlagen";
  if (!IsValid()) return Failed(failure);
  if (depth == 4) {
    SetROI(ROI);
    if (!roiValid) return Failed(failure);
    if (roiWhole) return true;  // already RGBA: alpha stays as it is
    return Crop(ROI) || Failed(failure);
  }
  return Replace(ToRGBA_C(alpha, ROI)) || Failed(failure);
}

ZImage* ZImage::ToGray_C(TRect ROI) {
  const char* failure = "ToGray_C( TRect ROI ) fehlgeschlagen";
  if (!IsValid()) return Fail<ZImage>(failure);
  SetROI(ROI);
  if (!roiValid) return Fail<ZImage>(failure);
  const bool whole = roiWhole;
  const TRect r = WorkRect();
  switch (depth) {
    case 1: {
      ZImage* copy = whole ? Clone() : Crop_C(ROI);
      return copy ? copy : Fail<ZImage>(failure);
    }
    case 3:
    case 4: {
      imaging::Image scratch;
      ZImage* grey = NewImage(r.Width(), r.Height(), 1, 0);
      if (!grey || !imaging::Convert(SubView(*this, r, scratch), RefOf(*grey))) {
        delete grey;
        return Fail<ZImage>(failure);
      }
      return grey;
    }
    case 0: {
      ZImage* grey = OneBitToGray_C();
      if (grey && !whole && !grey->Crop(ROI)) {
        delete grey;
        grey = nullptr;
      }
      return grey ? grey : Fail<ZImage>(failure);
    }
    default:
      return Fail<ZImage>(failure);
  }
}

bool ZImage::ToGray(TRect ROI) {
  const char* failure = "ToGray( TRect ROI ) fehlgeschlagen";
  if (!IsValid()) return Failed(failure);
  if (depth == 1) {
    SetROI(ROI);
    if (!roiValid) return Failed(failure);
    if (roiWhole) return true;
    return Crop(ROI) || Failed(failure);
  }
  return Replace(ToGray_C(ROI)) || Failed(failure);
}

ZImage* ZImage::SetChannel_C(const ZImage& img8, UINT nr) {
  const char* failure = "SetChannel_C( ZImage img8, UINT nr ) fehlgeschlagen";
  if (!IsValid() || !img8.IsValid() || (depth != 3 && depth != 4) || img8.depth != 1 || img8.width != width ||
      img8.height != height || img8.type != type || nr > UINT(depth - 1))
    return Fail<ZImage>(failure);
  ZImage* clone = Clone();
  if (!clone || !imaging::SetChannel(RefOf(*clone), RefOf(img8), int(nr))) {
    delete clone;
    return Fail<ZImage>(failure);
  }
  return clone;
}

bool ZImage::SetChannel(const ZImage& img8, UINT nr) {
  return Replace(SetChannel_C(img8, nr)) || Failed("SetChannel( ZImage img8, UINT nr ) fehlgeschlagen");
}

// ---------------------------------------------------------------------------------------------------------
// Files

namespace {

// Takes a decoded image into the ZImage's own pixel block.
bool Adopt(ZImage& target, imaging::Image& decoded, ZImageType type) {
  if (decoded.Empty() || !target.Allocate(decoded.width, decoded.height, decoded.depth, type)) return false;
  const size_t rowBytes = size_t(target.Stride());
  for (int y = 0; y < decoded.height; ++y)
    std::memcpy(target.Pixels() + y * rowBytes, decoded.pixels.data() + size_t(y) * decoded.stride, rowBytes);
  return true;
}

// Depth and type of the direct read for a file, as the open-by-type rules give them.
void LayoutFor(const imaging::FileInfo& info, int& depth, ZImageType& type) {
  using imaging::ColourModel;
  using imaging::FileType;
  type = 0;
  depth = 3;
  switch (info.type) {
    case FileType::BMP:
      if (info.bitsPerPixel == 32)
        depth = 4;
      else if (info.bitsPerPixel == 1)
        depth = 0;
      else if (info.bitsPerPixel == 8 && info.greyPalette)
        depth = 1;  // colour palettes stay colour
      break;
    case FileType::GIF:
      depth = 4;
      break;
    case FileType::JPEG:
      if (info.model == ColourModel::Grey) depth = 1;
      break;
    case FileType::PNG:
      if (info.bitsPerChannel == 16) {
        type = 1;
        depth = info.model == ColourModel::Grey || info.model == ColourModel::GreyAlpha ? 1
                : info.model == ColourModel::RGBA                                       ? 4
                                                                                        : 3;
      } else if (info.bitsPerPixel == 1) {
        depth = 0;
      } else if (info.model == ColourModel::Grey) {
        depth = 1;
      } else if (info.model == ColourModel::RGBA) {
        depth = 4;
      }
      break;
    case FileType::PCX:
      if (info.bitsPerPixel == 1) depth = 0;
      break;
    case FileType::TIFF:
      if (info.bitsPerPixel == 1)
        depth = 0;
      else if (info.bitsPerPixel == 16 && info.model == ColourModel::Grey) {
        depth = 1;
        type = 1;
      }
      break;
    default:
      break;
  }
}

}  // namespace

bool ZImage::Open(const std::string& filename, bool rgba) {
  const char* failure = "Open( AnsiString filename, bool rgba ) fehlgeschlagen";
  Clear();
  const std::string path = PlatformPath(filename);
  if (!FileExists(path)) return Failed(failure);
  imaging::Image decoded = imaging::ReadImage(path, rgba ? 4 : 3, false);
  if (!Adopt(*this, decoded, 0)) {
    Clear();
    return Failed(failure);
  }
  return true;
}

bool ZImage::Open(const std::string& filename) {
  const char* failure = "Open( AnsiString filename ) fehlgeschlagen";
  Clear();
  const std::string path = PlatformPath(filename);
  imaging::FileInfo info;
  if (!FileExists(path) || !imaging::ReadFileInfo(path, info)) return Failed(failure);
  int d;
  ZImageType t;
  LayoutFor(info, d, t);
  imaging::Image decoded = imaging::ReadImage(path, d, t == 1);
  if (!Adopt(*this, decoded, t)) {
    Clear();
    return Failed(failure);
  }
  resolutionX = info.dpiX;
  resolutionY = info.dpiY;
  return true;
}

bool ZImage::SavePNG(const std::string& filename) {
  if (!IsValid() || depth == 2 ||
      !imaging::SavePNG(PlatformPath(filename), RefOf(*this), resolutionX, resolutionY))
    return Failed("SavePNG( AnsiString filename ) fehlgeschlagen");
  return true;
}

// ---------------------------------------------------------------------------------------------------------
// Resampling

ZImage* ZImage::Resize_C(TRect dst, TRect ROI, UINT mode) {
  const char* failure = "Resize_C( TRect dst, TRect ROI, UINT mode ) fehlgeschlagen";
  if (!IsValid() || dst.IsEmpty() || depth == 2) return Fail<ZImage>(failure);
  SetROI(ROI);
  if (!roiValid) return Fail<ZImage>(failure);
  const bool whole = roiWhole;
  const TRect r = WorkRect();
  const int w = dst.Width(), h = dst.Height();
  // The shrink-only modes stand only when both sides shrink.
  if ((mode == 14 || mode == 15) && !(w < r.Width() && h < r.Height())) mode = 17;
  if (type == 1 && mode < 14) mode = 17;
  if (depth > 0 && mode == 15 && whole) mode = 17;
  imaging::Resample filter = mode == 14 || mode == 15 ? imaging::Resample::Area
                             : mode == 16             ? imaging::Resample::Bilinear
                             : mode == 17             ? imaging::Resample::Bicubic
                                                      : imaging::Resample::Nearest;
  if (depth == 0) filter = mode == 14 ? imaging::Resample::Area : imaging::Resample::Bilinear;
  imaging::Image scratch;
  const imaging::ImageRef source = SubView(*this, r, scratch);
  ZImage* image = NewImage(w, h, depth, type);
  if (!image || !imaging::Resize(source, RefOf(*image), filter)) {
    delete image;
    return Fail<ZImage>(failure);
  }
  return image;
}

bool ZImage::Resize(TRect dst, TRect ROI, UINT mode) {
  return Replace(Resize_C(dst, ROI, mode)) ||
         Failed("Resize( TRect dst, TRect ROI, UINT mode ) fehlgeschlagen");
}

// ---------------------------------------------------------------------------------------------------------
// Painting on the pixels

bool ZImage::DrawEllipse(TPoint center, UINT rx, UINT ry, TColor col, bool fill) {
  const char* failure =
      "DrawEllipse( TPoint center, UINT rx, UINT ry, TColor col, bool fill ) fehlgeschlagen";
  if (!IsValid() || depth == 2) return Failed(failure);
  const int radiusX = int(std::min<UINT>(rx, INT_MAX)), radiusY = int(std::min<UINT>(ry, INT_MAX));
  if (!imaging::DrawEllipse(RefOf(*this), center.X, center.Y, radiusX, radiusY, ImageColour(col, depth),
                            fill))
    return Failed(failure);
  return true;
}

bool ZImage::FillRect(TRect r, TColor col) {
  if (!IsValid() || depth == 2 ||
      !imaging::FillRect(RefOf(*this), {r.Left, r.Top, r.Right, r.Bottom}, ImageColour(col, depth)))
    return Failed("FillRect( TRect r, TColor col ) fehlgeschlagen");
  return true;
}

bool ZImage::AlphaBlendRGBA(const ZImage* top, int cx, int cy) {
  const char* failure = "AlphaBlendRGBA( ZImage * top, int cx, int cy ) fehlgeschlagen";
  if (!IsValid() || !top || !top->IsValid() || depth != 4 || top->depth != 4 || type != top->type)
    return Failed(failure);
  // The destination alpha becomes at least the top image's alpha wherever they overlap, then the
  // colours are blended (the conditions are checked first, so a failure changes nothing).
  if (!imaging::RaiseAlpha(RefOf(*this), RefOf(*top), cx, cy)) return Failed(failure);
  if (!imaging::AlphaBlend(RefOf(*this), RefOf(*top), cx, cy)) return Failed(failure);
  return true;
}

