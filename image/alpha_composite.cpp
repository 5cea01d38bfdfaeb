#include "image/alpha_composite.h"

#include <algorithm>

namespace {

// round(x / 255) for x up to 255 * 255 * 2, without a division.
inline uint32_t Div255(uint32_t x) {
  x += 128;
  return (x + (x >> 8)) >> 8;
}

}  // namespace

uint32_t BackgroundAt(const TBackground& bg, int32_t zoomedX, int32_t zoomedY) {
  if (bg.Plain) return static_cast<uint32_t>(bg.Red) << 16 | static_cast<uint32_t>(bg.Green) << 8 | bg.Blue;
  const bool light = (((zoomedX / kCheckerCell) ^ (zoomedY / kCheckerCell)) & 1) == 0;
  return light ? kCheckerLight * 0x010101u : 0xFFFFFFu;
}

void CompositeOver(uint8_t* top, ptrdiff_t stride, int32_t width, int32_t rows, int32_t x0, int32_t y0,
                   bool premultiplied, const TBackground& bg) {
  for (int32_t y = 0; y < rows; ++y) {
    uint8_t* p = top + static_cast<ptrdiff_t>(y) * stride;
    for (int32_t x = 0; x < width; ++x, p += 4) {
      const uint32_t under = BackgroundAt(bg, x0 + x, y0 + y);
      const uint32_t a = p[3];
      for (int c = 0; c < 3; ++c) {
        const uint32_t b = under >> (8 * c) & 0xFF;
        const uint32_t v = premultiplied ? p[c] + Div255(b * (255 - a)) : Div255(p[c] * a + b * (255 - a));
        p[c] = static_cast<uint8_t>(std::min<uint32_t>(v, 255));
      }
      p[3] = 0;
    }
  }
}
