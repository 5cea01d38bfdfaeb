// Smooth shrinking: each shown pixel is the average of the picture's pixels
// it covers, those on its edges weighted by the part they cover, per colour
// channel, rounded. Along an axis the picture is not shrunk on, each shown
// pixel takes the one source pixel the nearest-neighbour view would.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/area_kernels.h"
#include "image/dib_types.h"

struct TAreaSource {
  const BitmapInfo* Info = nullptr;
  const void* Bits = nullptr;
  uint64_t Size = 0;  // bytes of Bits; rows not wholly inside are black
  bool Alpha = false;  // averaged premultiplied (DibHasAlpha)
};

// A part of the zoomed picture, in zoomed pixels from its top-left corner.
struct TZoomRect {
  int32_t X, Y, Width, Height;
};

// Shrunk further than this along an axis, a picture is not averaged: one
// shown pixel would stand for more than a million rows or columns.
constexpr int64_t kMaxAreaFactor = int64_t{1} << 20;

// Bytes per pixel of the averaged view: 4 for plain 32-bit pictures (their
// fourth channel averaged too: zero for opaque ones, premultiplied alpha for
// pictures with alpha), else 3 (blue, green, red). 0 when the picture's
// rows cannot be read (see MakeRowFormat).
int AreaPixelBytes(const BitmapInfo& info);

// Whether a zoomed size is averaged: smaller than the picture along at least
// one axis, and not beyond kMaxAreaFactor along either.
bool IsAreaShrink(const BitmapInfo& info, int32_t zoomW, int32_t zoomH);

// Writes rect of the picture zoomed to zoomW x zoomH: rect.Height rows of
// rect.Width pixels of AreaPixelBytes each, the top row at out, the next at
// out + stride (stride may be negative for a bottom-up block). False, with
// nothing written, when the rect leaves the zoomed picture, the picture
// cannot be read or averaged at that size, or memory runs out; it throws
// nothing.
bool AreaScaleRect(const TAreaSource& src, int32_t zoomW, int32_t zoomH, const TZoomRect& rect, uint8_t* out,
                   ptrdiff_t stride, const TAreaKernels& kernels = ChosenAreaKernels());
