#pragma once
// Turning the pixel rows a codec gives into the rows of a bottom-up DIB, as
// the picture plug-in hands them out: grey and paletted pictures as 8 bits
// with a colour table, opaque colour as 24 bits, transparency as 32 bits
// with the alpha in the fourth byte. Pure code: formats, rows and sizes.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/dib_types.h"

// The codec formats read here as they are; any other is first converted by
// the codec to Bgra32.
enum class PixelLayout {
  Gray1,
  Gray2,
  Gray4,
  Gray8,
  Gray16,
  Indexed1,
  Indexed2,
  Indexed4,
  Indexed8,
  Bgr24,
  Rgb24,
  Bgr32,  // the fourth byte is padding
  Bgra32,
  Rgba32,
  Rgb48,   // 16-bit samples, little-endian
  Rgba64,  // 16-bit samples, little-endian
};

// Bits per pixel of a layout as the codec stores it.
int SourceBits(PixelLayout layout);

// What the DIB will hold.
struct DibPlan {
  int Bits = 24;                 // 8, 24 or 32
  std::vector<RgbQuad> Palette;  // 8 bits only
};

// palette: the codec's colours as 0xAARRGGBB, for the indexed layouts. A
// palette with any entry not fully opaque makes a 32-bit picture.
DibPlan PlanDib(PixelLayout layout, const std::vector<uint32_t>& palette);

// Bytes of one DIB row: whole 32-bit units.
size_t DibStride(uint32_t width, int bits);

// Converts one row of width pixels. For 32-bit output from an indexed
// layout, palette supplies the colours; an index beyond it is transparent black.
void ConvertRow(PixelLayout layout, const uint8_t* source, uint32_t width, const std::vector<uint32_t>& palette,
                const DibPlan& plan, uint8_t* row);

// A 16-bit sample to 8 bits, rounded to the nearest level.
inline uint8_t Sample16To8(uint16_t v) { return static_cast<uint8_t>((v * 255u + 32767u) / 65535u); }

// Whether every pixel of a 32-bit block has alpha 255.
bool AllOpaque(const uint8_t* bits, uint32_t width, uint32_t height);

// Rewrites a 32-bit block as 24 bits in place, rows at their 24-bit stride;
// returns the new size.
size_t Compact32To24(uint8_t* bits, uint32_t width, uint32_t height);
