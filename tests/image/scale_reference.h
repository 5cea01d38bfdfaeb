// The resampler written the plain way, step by step as the algorithm reads:
// the fast ScaleDib must give the same bytes. Only for valid views (scroll
// offsets inside the zoomed picture, the whole source block present).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "image/dib_types.h"

// trunc(x * scale) with the product rounded to a 64-bit mantissa, formed
// here the plain way: one multiply in the x87 unit, its precision control set
// to 64 bits for the call whatever it was, so that neither the production
// arithmetic nor the FPU's current setting decides what tests expect. -1
// where there is no x87 unit with a 64-bit mantissa.
inline int64_t ExtendedTruncProduct(uint32_t x, double scale) {
#if (defined(__i386__) || defined(__x86_64__)) && defined(__GNUC__)
  if constexpr (std::numeric_limits<long double>::digits == 64) {
    uint16_t saved = 0;
    __asm__ volatile("fnstcw %0" : "=m"(saved) : : "memory");
    const uint16_t full = static_cast<uint16_t>(saved | 0x0300);
    __asm__ volatile("fldcw %0" : : "m"(full) : "memory");
    volatile long double factor = x;
    volatile double by = scale;
    volatile long double product = factor * by;
    __asm__ volatile("fldcw %0" : : "m"(saved) : "memory");
    return static_cast<int64_t>(product);
  }
#endif
  (void)x;
  (void)scale;
  return -1;
}

// Whether ExtendedTruncProduct works here: the double nearest 1/3 lies just
// below it, and 3 times it truncates to 0 only in a 64-bit mantissa.
inline bool ExtendedProductsAvailable() { return ExtendedTruncProduct(3, 1.0 / 3) == 0; }

struct TRefView {
  int32_t ZoomW, ZoomH, ScrollX, ScrollY, OutW, OutH;
};

// Returns the output block: OutH rows of the output stride plus 8 bytes of
// slack per row, zero where nothing was written. Source rows are counted
// from the bottom of the upright picture, so a top-down source is read from
// its far end.
inline std::vector<uint8_t> ReferenceScale(const BitmapInfo& src, const uint8_t* bits, const TRefView& v) {
  const int bpp = src.bmiHeader.biBitCount;
  const int32_t srcW = src.bmiHeader.biWidth;
  const int32_t srcRows = src.bmiHeader.biHeight < 0 ? -src.bmiHeader.biHeight : src.bmiHeader.biHeight;
  const int64_t srcStride = (int64_t{bpp} * srcW + 31) / 32 * 4;
  const int64_t outStride = (int64_t{bpp} * v.OutW + 31) / 32 * 4;
  std::vector<uint8_t> out(static_cast<size_t>(v.OutH * (outStride + 8)), 0);
  if (v.ZoomW < 1 || v.ZoomH < 1) return out;
  const double hScale = static_cast<double>(srcW) / v.ZoomW;
  const double vScale = static_cast<double>(srcRows) / v.ZoomH;
  int32_t firstRow, lastRow, firstCol, lastCol;
  if (v.ZoomH < v.OutH) {
    firstRow = 0;
    lastRow = v.ZoomH - 1;
  } else {
    firstRow = v.ZoomH - v.ScrollY - v.OutH;
    lastRow = v.ZoomH - v.ScrollY - 1;
  }
  if (v.ZoomW < v.OutW) {
    firstCol = 0;
    lastCol = v.ZoomW - 1;
  } else {
    firstCol = v.ScrollX;
    lastCol = v.ScrollX + v.OutW - 1;
  }
  std::vector<int32_t> table(static_cast<size_t>(v.ZoomW) + 4);
  for (int32_t x = firstCol; x <= lastCol + 4; ++x) {
    // Columns past the picture (the extra ones of a group) are held at
    // the last source column, so nothing outside the row is read.
    const int32_t col = std::min(static_cast<int32_t>(ExtendedTruncProduct(static_cast<uint32_t>(x), hScale)), srcW - 1);
    table[static_cast<size_t>(x)] = bpp == 32 ? col : col * std::max(1, bpp / 8);
  }
  for (int32_t r = firstRow; r <= lastRow; ++r) {
    const int32_t fromBottom = static_cast<int32_t>(ExtendedTruncProduct(static_cast<uint32_t>(r), vScale));
    const int32_t memRow = src.bmiHeader.biHeight < 0 ? srcRows - 1 - fromBottom : fromBottom;
    const uint8_t* s = bits + memRow * srcStride;
    uint8_t* o = out.data() + (r - firstRow) * outStride;
    auto nibble = [s](int32_t p) { return (p % 2 == 0) ? s[p / 2] >> 4 : s[p / 2] & 15; };
    switch (bpp) {
      case 1:
        for (int32_t x = firstCol; x <= lastCol; ++x) {
          const int32_t p = table[static_cast<size_t>(x)], k = x - firstCol;
          if ((s[p / 8] >> (7 - p % 8)) & 1) o[k / 8] |= static_cast<uint8_t>(1 << (7 - k % 8));
        }
        break;
      case 4:
        for (int32_t x = firstCol; x <= lastCol; x += 2)
          o[(x - firstCol) / 2] = static_cast<uint8_t>(nibble(table[static_cast<size_t>(x)]) * 16 +
                                                       nibble(table[static_cast<size_t>(x) + 1]));
        break;
      case 8:
        for (int32_t x = firstCol; x <= lastCol; ++x) o[x - firstCol] = s[table[static_cast<size_t>(x)]];
        break;
      case 16:
        for (int32_t x = firstCol; x <= lastCol; x += 2) {
          uint16_t a, b;
          std::memcpy(&a, s + table[static_cast<size_t>(x)], 2);
          std::memcpy(&b, s + table[static_cast<size_t>(x) + 1], 2);
          const uint32_t word = a | static_cast<uint32_t>(b) << 16;
          std::memcpy(o + 2 * (x - firstCol), &word, 4);
        }
        break;
      case 24:
        for (int32_t k = 0; k <= lastCol - firstCol; k += 4)
          for (int32_t i = 0; i < 4; ++i)
            std::memcpy(o + 3 * (k + i), s + table[static_cast<size_t>(firstCol + k + i)], 3);
        break;
      case 32:
        for (int32_t x = firstCol; x <= lastCol; ++x)
          std::memcpy(o + 4 * (x - firstCol), s + 4 * table[static_cast<size_t>(x)], 4);
        break;
    }
  }
  return out;
}
