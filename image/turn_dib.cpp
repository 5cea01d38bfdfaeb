#include "image/turn_dib.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "image/img.h"

namespace {

constexpr int32_t kBlock = 64;  // pixels a side of the squares turned at a time, for the caches' sake

bool IsTurnedDepth(int bpp) { return bpp == 1 || bpp == 2 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32; }

struct TTurnJob {
  int Bpp;
  int32_t SrcW, SrcRows, DstW, DstRows;
  std::vector<const uint8_t*> Src;  // by row from the top; null for rows the block lacks
  std::vector<uint8_t*> Dst;        // by row from the top
  TTurn Turn;

  // The source pixel that lands at (x, y) of the turned picture.
  void From(int32_t x, int32_t y, int32_t& sx, int32_t& sy) const {
    sx = x, sy = y;
    switch (Turn) {
      case TTurn::Right:
        sx = y, sy = SrcRows - 1 - x;
        break;
      case TTurn::Left:
        sx = SrcW - 1 - y, sy = x;
        break;
      case TTurn::FlipHorizontal:
        sx = SrcW - 1 - x, sy = y;
        break;
    }
  }
};

inline uint32_t GetBits(const uint8_t* row, int32_t x, int bpp) {
  const uint64_t bit = static_cast<uint64_t>(x) * static_cast<unsigned>(bpp);
  return (row[bit >> 3] >> (8 - bpp - (bit & 7))) & ((1u << bpp) - 1);
}

inline void SetBits(uint8_t* row, int32_t x, int bpp, uint32_t v) {
  const uint64_t bit = static_cast<uint64_t>(x) * static_cast<unsigned>(bpp);
  row[bit >> 3] = static_cast<uint8_t>(row[bit >> 3] | v << (8 - bpp - (bit & 7)));
}

template <int Bytes>
void TurnBlock(const TTurnJob& j, int32_t bx, int32_t by) {
  const int32_t xEnd = std::min(bx + kBlock, j.DstW), yEnd = std::min(by + kBlock, j.DstRows);
  for (int32_t y = by; y < yEnd; ++y) {
    uint8_t* to = j.Dst[static_cast<size_t>(y)];
    for (int32_t x = bx; x < xEnd; ++x) {
      int32_t sx, sy;
      j.From(x, y, sx, sy);
      const uint8_t* row = j.Src[static_cast<size_t>(sy)];
      if (row) std::memcpy(to + static_cast<size_t>(x) * Bytes, row + static_cast<size_t>(sx) * Bytes, Bytes);
    }
  }
}

void TurnBitsBlock(const TTurnJob& j, int32_t bx, int32_t by) {
  const int32_t xEnd = std::min(bx + kBlock, j.DstW), yEnd = std::min(by + kBlock, j.DstRows);
  for (int32_t y = by; y < yEnd; ++y)
    for (int32_t x = bx; x < xEnd; ++x) {
      int32_t sx, sy;
      j.From(x, y, sx, sy);
      const uint8_t* row = j.Src[static_cast<size_t>(sy)];
      if (row) SetBits(j.Dst[static_cast<size_t>(y)], x, j.Bpp, GetBits(row, sx, j.Bpp));
    }
}

}  // namespace

bool CanTurnDib(const BitmapInfo& info) {
  const BitmapInfoHeader& h = info.bmiHeader;
  if (!IsTurnedDepth(h.biBitCount) || h.biWidth < 1 || DibRows(h.biHeight) < 1) return false;
  return h.biCompression == kBiRgb || (h.biCompression == kBiBitfields && (h.biBitCount == 16 || h.biBitCount == 32));
}

uint64_t TurnedBlockSize(const BitmapInfo& info, TTurn turn) {
  if (!CanTurnDib(info)) return 0;
  const BitmapInfoHeader& h = info.bmiHeader;
  const bool quarter = turn != TTurn::FlipHorizontal;
  const int64_t w = quarter ? DibRows(h.biHeight) : h.biWidth, rows = quarter ? h.biWidth : DibRows(h.biHeight);
  return DibStride(w, h.biBitCount) * static_cast<uint64_t>(rows);
}

bool TurnDib(const BitmapInfo& info, const void* bits, uint64_t size, TTurn turn, BitmapInfo& outInfo, uint8_t* out,
             uint64_t outSize) {
  const uint64_t need = TurnedBlockSize(info, turn);
  if (need == 0 || !out || outSize < need || need > SIZE_MAX) return false;
  const BitmapInfoHeader& h = info.bmiHeader;
  TTurnJob j;
  j.Bpp = h.biBitCount;
  j.SrcW = h.biWidth;
  j.SrcRows = DibRows(h.biHeight);
  j.Turn = turn;
  const bool quarter = turn != TTurn::FlipHorizontal;
  j.DstW = quarter ? j.SrcRows : j.SrcW;
  j.DstRows = quarter ? j.SrcW : j.SrcRows;
  const bool topDown = h.biHeight < 0;
  const uint64_t srcStride = DibStride(j.SrcW, j.Bpp), dstStride = DibStride(j.DstW, j.Bpp);
  const uint64_t used = (static_cast<uint64_t>(j.SrcW) * static_cast<unsigned>(j.Bpp) + 7) / 8;
  try {
    j.Src.assign(static_cast<size_t>(j.SrcRows), nullptr);
    j.Dst.resize(static_cast<size_t>(j.DstRows));
  } catch (const std::bad_alloc&) {
    return false;
  }
  const auto* src = static_cast<const uint8_t*>(bits);
  for (int32_t y = 0; y < j.SrcRows; ++y) {
    const uint64_t memRow = static_cast<uint64_t>(topDown ? y : j.SrcRows - 1 - y);
    const uint64_t start = memRow * srcStride;
    if (src && start <= size && size - start >= used) j.Src[static_cast<size_t>(y)] = src + start;
  }
  for (int32_t y = 0; y < j.DstRows; ++y)
    j.Dst[static_cast<size_t>(y)] = out + static_cast<uint64_t>(topDown ? y : j.DstRows - 1 - y) * dstStride;

  std::memset(out, 0, static_cast<size_t>(need));
  for (int32_t by = 0; by < j.DstRows; by += kBlock)
    for (int32_t bx = 0; bx < j.DstW; bx += kBlock) switch (j.Bpp) {
        case 8:
          TurnBlock<1>(j, bx, by);
          break;
        case 16:
          TurnBlock<2>(j, bx, by);
          break;
        case 24:
          TurnBlock<3>(j, bx, by);
          break;
        case 32:
          TurnBlock<4>(j, bx, by);
          break;
        default:
          TurnBitsBlock(j, bx, by);
          break;
      }

  std::memmove(&outInfo, &info, sizeof info);
  BitmapInfoHeader& o = outInfo.bmiHeader;
  o.biWidth = j.DstW;
  o.biHeight = topDown ? -j.DstRows : j.DstRows;
  o.biSizeImage = static_cast<uint32_t>(need);
  if (quarter) std::swap(o.biXPelsPerMeter, o.biYPelsPerMeter);
  return true;
}
