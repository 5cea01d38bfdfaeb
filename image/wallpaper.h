#pragma once
// The bytes of wallpaper.bmp for a held picture: a Windows bitmap file that
// any reader, this program's included, opens to the same picture. Pure: the
// file header and the info block are built here, the pixel block is written
// after them by the caller, straight from where it lies.

#include <cstdint>
#include <vector>

#include "image/dib_types.h"

struct TWallpaperFile {
  // The 14-byte file header, a 40-byte info header, then the three colour
  // masks of a picture with masks (written as BI_BITFIELDS) or the full
  // colour table of a depth up to 8 bits.
  std::vector<uint8_t> Head;
  // The first PixelSize bytes of the pixel block follow Head.
  uint32_t PixelSize = 0;
};

// The file for a picture held as info with a pixel block of bitsSize bytes.
// A longer held header (V4, V5) is written as the 40-byte one, its masks and
// colour table taken from where the held block keeps them. Uncompressed
// pixels are stride x row count bytes, whatever biSizeImage says; compressed
// ones are biSizeImage bytes (the whole block when 0). Never more than the
// block holds; biSizeImage is written as the size the file holds.
TWallpaperFile WallpaperFile(const BitmapInfo& info, int32_t bitsSize);
