// The program's image buffer (ZImage), the imaging start-up (ImageBase) and the image log.
//
// A ZImage is empty or valid. Pixels are unpadded rows: depth 0 = 1 bit per pixel (8 pixels to the byte,
// most significant bit first), 1 = 8-bit grey, 3 = R,G,B, 4 = R,G,B,A; type 1 doubles every channel to
// 16 bits (native-endian). Operations never throw: a failure writes "<signature> fehlgeschlagen" to the
// image log and returns false or null. Only the constructors end the program on failure.
// An operation ending in _C returns a new image that the caller deletes.
// ROI: an all-zero rectangle means the whole image; otherwise the ROI is clipped to the image.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/rtl/Classes.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/Types.h"

using BYTE = uint8_t;
using UINT = unsigned int;

// 0 = 8 bits per channel, 1 = 16 bits per channel.
using ZImageType = uint8_t;

// Hue in degrees, saturation 0..1, value 0..255.
struct HSVColor {
  double h = 0;
  double s = 0;
  double v = 0;
};

// ---- Unit globals and functions ----
extern std::atomic<int> ImageBytesAllocated;  // bytes of pixel buffers currently allocated (any thread)
extern uint32_t GreyPalette[256];    // entry i = grey level i (0x00RRGGBB)
extern uint32_t OneBitPalette[256];  // entry 0 white, entry 1 black, others 0
extern bool ImageLogging;            // the image logging switch (on)

std::string ImageLogFile();                  // <program folder>/log.txt
void ClearImageLog();                        // empties the image log file
void ImageLog(const std::string& text);      // appends one line (kept in the start-up log's list too)
void ImageMessage(const std::string& text);  // message box, caption "Message"
[[noreturn]] void ImageFatal(const std::string& text);  // message box "Prozess wird beendet", exit 1
TColor HSVToColor(HSVColor hsv);

// Start-up and shut-down of the imaging facility; one instance, made before any ZImage exists.
class ImageBase {
 public:
  ImageBase();
  ~ImageBase();
  ImageBase(const ImageBase&) = delete;
  ImageBase& operator=(const ImageBase&) = delete;
};

class ZImage : public TObject {
 public:
  ZImage();
  ZImage(int w, int h, int d, ZImageType type);
  explicit ZImage(const ZImage* src);
  ZImage(TBitmap* bm, TRect ROI);
  // Copies are deep and moves hand the pixels over: two images never share a buffer.
  ZImage(const ZImage& other);
  ZImage(ZImage&& other) noexcept;
  ZImage& operator=(const ZImage& other);
  ZImage& operator=(ZImage&& other) noexcept;
  ~ZImage() override;

  virtual void Clear();

  // ---- Fields ----
  BYTE* Pixels() const { return pixels; }
  int Width() const { return width; }
  int Height() const { return height; }
  int Depth() const { return depth; }
  int Stride() const { return stride; }
  int BufferBytes() const { return bufferSize; }
  ZImageType Type() const { return type; }
  bool IsValid() const;

  // ---- Operations ----
  bool Copy(const ZImage* src);
  bool Copy(TBitmap* bm, TRect ROI);
  ZImage* Clone();
  ZImage* Crop_C(TRect ROI);
  bool Crop(TRect ROI);
  TBitmap* CreateBitmap(TRect ROI);
  ZImage* OneBitToGray_C();
  ZImage* ToRGB_C(TRect ROI);
  ZImage* ToRGBA_C(BYTE alpha, TRect ROI);
  bool ToRGBA(BYTE alpha, TRect ROI);
  ZImage* ToGray_C(TRect ROI);
  bool ToGray(TRect ROI);
  ZImage* SetChannel_C(const ZImage& img8, UINT nr);
  bool SetChannel(const ZImage& img8, UINT nr);
  bool Open(const std::string& filename, bool rgba);
  bool Open(const std::string& filename);
  bool SavePNG(const std::string& filename);
  ZImage* Resize_C(TRect dst, TRect ROI, UINT mode);
  bool Resize(TRect dst, TRect ROI, UINT mode);
  bool DrawToCanvas(TCanvas* can, int x0, int y0, TRect ROI);
  bool DrawEllipse(TPoint center, UINT rx, UINT ry, TColor col, bool fill);
  bool FillRect(TRect r, TColor col);
  bool AlphaBlendRGBA(const ZImage* top, int cx, int cy);

  // ---- Internal operations (public for the image tests) ----
  static int BufferSize(int w, int h, int depth, ZImageType type);
  void ResetFields();
  bool Allocate(int w, int h, int depth, ZImageType type);
  BYTE* AllocBuffer(int bytes);
  void KillBuffer(BYTE* buffer);
  void SetROI(TRect ROI);

  // ROI state set by SetROI.
  bool RoiWhole() const { return roiWhole; }
  bool RoiValid() const { return roiValid; }
  BYTE* RoiFirst() const { return roiFirst; }
  int RoiWidth() const { return roiWidth; }
  int RoiHeight() const { return roiHeight; }
  TRect RoiRect() const { return roiRect; }

  // Resolution of the file the image was opened from (0 when none); written again by SavePNG.
  double ResolutionX() const { return resolutionX; }
  double ResolutionY() const { return resolutionY; }

 private:
  void TakeFrom(ZImage& other) noexcept;
  bool Replace(ZImage* result);
  TRect WorkRect() const;

  BYTE* pixels = nullptr;
  int width = 0;
  int height = 0;
  int depth = 0;
  int stride = 0;
  int bufferSize = 0;
  ZImageType type = 0;
  double resolutionX = 0;
  double resolutionY = 0;
  bool roiWhole = true;
  bool roiValid = false;
  BYTE* roiFirst = nullptr;
  int roiWidth = 0;
  int roiHeight = 0;
  TRect roiRect;
};
