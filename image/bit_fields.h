// Pixels described by bit masks. GDI draws only the mask sets of the
// original display formats as the file means them; every other set is read
// here once, at load, into plain BI_RGB pixels.
#pragma once

#include <cstddef>
#include <cstdint>

struct TPixelMasks {
  uint32_t Red = 0;
  uint32_t Green = 0;
  uint32_t Blue = 0;
  uint32_t Alpha = 0;  // 0: the pixels carry no alpha
};

// Whether GDI draws 16- or 32-bit pixels with these masks in the colours
// they mean: 5-5-5 and 5-6-5 at 16 bits, 8-8-8 in the usual places (red
// highest) at 32 bits. At 32 bits an alpha mask must be absent or the fourth
// byte, so that a held 32-bit picture's fourth byte is always its 8-bit
// alpha (or nothing); at 16 bits the alpha plays no part in what GDI draws.
bool GdiDrawsMasks(uint16_t bits, const TPixelMasks& masks);

// Depth of the converted pixels: 32 (alpha in the fourth byte) when the
// masks have an alpha, else 24.
uint16_t ConvertedBits(const TPixelMasks& masks);

// The 8-bit value of the field that mask selects in pixel: the field's value
// v, its largest value max (the mask shifted down to bit 0), and
// round(v * 255 / max), as the reference renderings of the public bitmap
// test suites scale a channel of any width (1 bit: 0 or 255; 5 bits: 3 is
// 25, where repeating the top bits would give 24). 0 for an empty mask.
uint8_t ScaleField(uint32_t pixel, uint32_t mask);

// Reads width x rows 16- or 32-bit pixels (rows padded to 32 bits, in the
// order they lie) into rows of ConvertedBits(masks): blue, green, red and,
// at 32 bits, alpha. out holds rows rows of that depth's stride and is
// filled whole; pixels the data lack are 0.
void ConvertMaskedRows(const uint8_t* data, size_t dataSize, int32_t width, int32_t rows, uint16_t bits,
                       const TPixelMasks& masks, uint8_t* out);
