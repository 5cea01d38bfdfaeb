// Pictures with alpha are shown over a background: a checkerboard of 8 x 8
// shown pixels in light gray and white, fixed to the picture's top-left
// corner, or a plain colour from the settings.
#pragma once

#include <cstddef>
#include <cstdint>

struct TBackground {
  bool Plain = false;  // the colour below instead of the checkerboard
  uint8_t Blue = 0, Green = 0, Red = 0;
  bool operator==(const TBackground&) const = default;
};

constexpr int32_t kCheckerCell = 8;
constexpr uint8_t kCheckerLight = 0xCC;  // the cell at the picture's corner; the others white

// The background's colour (0xRRGGBB) at a pixel of the zoomed picture.
uint32_t BackgroundAt(const TBackground& bg, int32_t zoomedX, int32_t zoomedY);

// Paints width x rows pixels of four bytes (blue, green, red, alpha), the
// top row at top, the next at top + stride, over the background in place,
// leaving opaque colours with a zero fourth byte. (x0, y0) is the first
// pixel's place in the zoomed picture. Premultiplied colours are those of
// the averaged view; straight ones those of the picture itself.
void CompositeOver(uint8_t* top, ptrdiff_t stride, int32_t width, int32_t rows, int32_t x0, int32_t y0,
                   bool premultiplied, const TBackground& bg);
