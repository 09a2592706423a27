#include "base/BitmapImages.h"

#include <algorithm>

#include "platform/vcl/Graphics.h"

TBitmap* NewBitmapOf(const imaging::ImageRef& image, const uint32_t* greyPalette, const uint32_t* oneBitPalette) {
  if (!imaging::IsValid(image)) return nullptr;
  auto* bitmap = new TBitmap();
  bitmap->SetPixelFormat(pf32bit);
  bitmap->SetSize(image.width, image.height);
  bool drawn = bitmap->Width() == image.width && bitmap->Height() == image.height;
  for (int y = 0; drawn && y < image.height; ++y) {
    imaging::ImageRef row = image;
    row.pixels = image.pixels + int64_t(y) * image.stride;
    row.height = 1;
    auto* target = static_cast<uint32_t*>(bitmap->ScanLine(y));
    drawn = imaging::DrawToBitmap(row, target, image.width, 1, image.width * 4, 0, 0, greyPalette, oneBitPalette);
  }
  if (drawn) return bitmap;
  delete bitmap;
  return nullptr;
}

imaging::Image ImageOfBitmap(TBitmap* bitmap, TRect rect) {
  if (!bitmap || bitmap->Width() <= 0 || bitmap->Height() <= 0) return {};
  bitmap->SetPixelFormat(pf24bit);
  const bool whole = rect.Left == 0 && rect.Top == 0 && rect.Right == 0 && rect.Bottom == 0;
  const TRect r = whole ? TRect(0, 0, bitmap->Width(), bitmap->Height())
                        : TRect(std::max(rect.Left, 0), std::max(rect.Top, 0), std::min(rect.Right, bitmap->Width()),
                                std::min(rect.Bottom, bitmap->Height()));
  if (r.IsEmpty()) return {};
  imaging::Image image = imaging::MakeImage(r.Width(), r.Height(), 3, false);
  for (int y = 0; !image.Empty() && y < r.Height(); ++y) {
    const auto* bgr = static_cast<const uint8_t*>(bitmap->ScanLine(r.Top + y)) + size_t(r.Left) * 3;
    uint8_t* rgb = image.pixels.data() + size_t(y) * size_t(image.stride);
    for (int x = 0; x < r.Width(); ++x) {
      rgb[x * 3] = bgr[x * 3 + 2];
      rgb[x * 3 + 1] = bgr[x * 3 + 1];
      rgb[x * 3 + 2] = bgr[x * 3];
    }
  }
  return image;
}
