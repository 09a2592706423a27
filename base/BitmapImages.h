// Pixel images in and out of the class library's bitmaps: the skin composes its bitmaps with them,
// and the image class of the display layer copies its bitmaps through them.
#pragma once
#include <cstdint>

#include "platform/imaging/Imaging.h"
#include "platform/vcl/Types.h"

class TBitmap;

// A new 32-bit bitmap showing the image (the caller deletes it); null when the image is not valid.
// Grey and 1-bit images are shown through the given 256-entry palettes (0x00RRGGBB), or as grey
// levels and black-on-white when none are given; RGBA is blended over the new bitmap's white.
TBitmap* NewBitmapOf(const imaging::ImageRef& image, const uint32_t* greyPalette = nullptr,
                     const uint32_t* oneBitPalette = nullptr);

// The RGB pixels of rect (clipped to the bitmap; an all-zero rect means the whole bitmap); empty
// when that leaves nothing. The bitmap is turned into 24 bits per pixel first.
imaging::Image ImageOfBitmap(TBitmap* bitmap, TRect rect);
