// Source rows as the area averager reads them: 24-bit and plain 32-bit rows
// as they lie; rows with a colour table, 16-bit rows and 32-bit rows with
// other masks widened to 24-bit blue, green, red; rows with alpha made
// premultiplied blue, green, red, alpha.
#pragma once

#include <cstdint>

#include "image/dib_types.h"

enum class TRowKind : uint8_t { Direct, Palette, Masks, Premultiply };

struct TRowFormat {
  TRowKind Kind = TRowKind::Direct;
  int Bpp = 0;
  int Channels = 0;  // bytes per pixel of the rows handed on: 3 or 4
  // Colour entries as blue | green << 8 | red << 16.
  uint32_t Palette[256] = {};
  // Per channel (blue, green, red): mask, its lowest bit, how far the
  // masked value is shifted down to its top 8 bits, and the 8-bit value of
  // each of those.
  struct TMask {
    uint32_t Mask = 0;
    int Shift = 0;
    uint8_t Levels[256] = {};
  } Masks[3];
};

// The masks of a 16- or 32-bit picture, red, green, blue: the header's for
// BI_BITFIELDS (the three words at byte 40), else 5-5-5 at 16 bits and
// 8-8-8 at 32.
void DibMasks(const BitmapInfo& info, uint32_t (&rgb)[3]);

// 32-bit blue, green, red, other: BI_RGB, or bit fields with exactly those
// masks. Its fourth bytes are alpha when any of them is not zero.
bool IsPlain32(const BitmapInfo& info);

// A picture has alpha when it is plain 32-bit and a fourth byte of one of
// its held pixels is not zero; a picture whose fourth bytes are all zero is
// opaque. Reads no more than size bytes.
bool DibHasAlpha(const BitmapInfo& info, const void* bits, uint64_t size);

// How to read the rows of a picture; false for a depth or compression that
// is not read (run-length data, JPEG or PNG inside a bitmap, odd depths).
bool MakeRowFormat(const BitmapInfo& info, bool alpha, TRowFormat& format);

// count pixels of a row from pixel first, widened or premultiplied as the
// format says, Channels bytes each; out holds one byte more, which may be
// written. Not for Direct rows, which are read in place.
void ConvertRow(const TRowFormat& format, const uint8_t* row, int32_t first, int32_t count, uint8_t* out);
