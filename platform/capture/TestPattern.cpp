// The synthetic camera picture: colour bars over a grey ramp, with a white bar that moves one step to
// the right per frame and a frame counter in binary along the bottom edge.
#include "platform/capture/Capture.h"

namespace capture {

void RenderTestPattern(uint8_t* pixels, int width, int height, int stride, unsigned frame) {
  if (!pixels || width <= 0 || height <= 0 || stride < width * 4) return;
  static const uint8_t bars[8][3] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                                     {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
  const int barsBottom = height * 2 / 3, rampBottom = height * 5 / 6;
  const int moving = int(frame % unsigned(width));
  for (int y = 0; y < height; ++y) {
    uint8_t* row = pixels + size_t(y) * size_t(stride);
    for (int x = 0; x < width; ++x) {
      uint8_t r, g, b;
      if (y < barsBottom) {
        const uint8_t* bar = bars[x * 8 / width];
        r = bar[0];
        g = bar[1];
        b = bar[2];
      } else if (y < rampBottom) {
        r = g = b = uint8_t(x * 255 / (width > 1 ? width - 1 : 1));
      } else {
        // 16 cells showing the frame number, most significant bit first.
        const int bit = 15 - x * 16 / width;
        r = g = b = (frame >> bit) & 1u ? 220 : 30;
      }
      if (x >= moving && x < moving + 4 && y < rampBottom) r = g = b = 255;
      uint8_t* p = row + size_t(x) * 4;
      p[0] = r;
      p[1] = g;
      p[2] = b;
      p[3] = 255;
    }
  }
}

}  // namespace capture
