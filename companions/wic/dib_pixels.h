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

// The byte sizes a decode works in, each small enough for the call it is
// handed to: the codec takes row lengths as 32-bit counts, memory blocks are
// at most what an address can span.
struct DecodeSizes {
  size_t SourceStride = 0;  // one row as the codec gives it
  size_t Stride = 0;        // one DIB row
  size_t BlockSize = 0;     // the whole bottom-up block
  uint32_t StripRows = 1;   // rows fetched from the codec at a time
};

// Pictures of more pixels are refused rather than attempted: their 32-bit
// block would exceed 1 GB.
constexpr uint64_t kMaxDecodePixels = 1ull << 28;

// The sizes of a width x height picture read from sourceBits per pixel into
// dibBits, in strips of about stripBytes; false when it is too large to decode.
bool PlanDecodeSizes(uint32_t width, uint32_t height, int sourceBits, int dibBits, size_t stripBytes,
                     DecodeSizes& sizes);

// The bytes of a bottom-up block of width x height at bits per pixel; false
// when a row or the block is too large (as for PlanDecodeSizes).
bool DibBlockSize(uint32_t width, uint32_t height, int bits, size_t& size);

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
