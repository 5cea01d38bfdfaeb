#include "image/scale_dib.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "image/img.h"

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>
#define ORV_SHUFFLE_MOVES 1
#endif

int64_t TruncScaledProduct(uint32_t x, double scale) {
  if (x == 0 || !(scale > 0) || !std::isfinite(scale)) return 0;
  // scale = m * 2^e with m a 53-bit integer.
  int e = 0;
  const uint64_t m = static_cast<uint64_t>(std::ldexp(std::frexp(scale, &e), 53));
  e -= 53;
  // The exact product x * m, up to 85 bits, as hi:lo.
  const uint64_t low = (m & 0xFFFFFFFFu) * x;
  const uint64_t high = (m >> 32) * x;
  const uint64_t lo = low + (high << 32);
  const uint64_t hi = (high >> 32) + (lo < low ? 1 : 0);
  // Round to 64 significant bits, to nearest with ties to even.
  uint64_t mant = lo;
  int shift = 0;
  if (hi != 0) {
    shift = 64 - std::countl_zero(hi);
    const uint64_t rest = lo & ((uint64_t{1} << shift) - 1);
    const uint64_t half = uint64_t{1} << (shift - 1);
    mant = (lo >> shift) | (hi << (64 - shift));
    if (rest > half || (rest == half && (mant & 1))) {
      if (++mant == 0) {
        mant = uint64_t{1} << 63;
        ++shift;
      }
    }
  }
  const int t = e + shift;
  if (t >= 0) return t >= 63 || (mant >> (63 - t)) != 0 ? INT64_MAX : static_cast<int64_t>(mant << t);
  return -t >= 64 ? 0 : static_cast<int64_t>(mant >> -t);
}

namespace {

// The geometry of one call, all indices checked against the source.
struct TScaleJob {
  const uint8_t* Src;
  uint64_t SrcSize;
  uint64_t SrcStride;
  uint64_t SrcRowUsed;  // bytes of a source row that its pixels occupy
  int32_t SrcRows;
  bool TopDown;
  int Bpp;
  uint8_t* Out;
  uint64_t OutStride;
  int32_t FirstRow, LastRow;
  int32_t FirstCol, Count;  // produced columns: FirstCol .. FirstCol + Count - 1
  double VScale;
  std::vector<int32_t> Table;  // by column - FirstCol, Count + 4 entries
  // Zoomed in, each run of pixels that fills 16 output bytes comes from at
  // most 16 source bytes: one byte shuffle moves the whole run. Chunks
  // cover the first ShuffledPixels columns; the rest go pixel by pixel.
  struct TChunk {
    int32_t Start;     // source byte offset within the row
    uint8_t Mask[16];  // output byte i = source byte Start + Mask[i]
  };
  std::vector<TChunk> Chunks;
  int32_t ChunkBytes = 0;  // output bytes each chunk advances
  int32_t ShuffledPixels = 0;
};

int32_t Clamp32(int64_t v, int64_t lo, int64_t hi) { return static_cast<int32_t>(std::min(std::max(v, lo), hi)); }

// Produced range along one axis: the whole zoomed extent when it is smaller
// than the view, else the view's window at the offset, held inside the zoomed
// extent so that a stray offset cannot sample outside the picture.
void VisibleRange(int32_t zoomed, int32_t view, int32_t scroll, int32_t& first, int32_t& count) {
  if (zoomed < view) {
    first = 0;
    count = zoomed;
  } else {
    first = Clamp32(scroll, 0, int64_t{zoomed} - view);
    count = view;
  }
}

void FillRow1(const TScaleJob& j, const uint8_t* s, uint8_t* out) {
  const int32_t* tab = j.Table.data();
  for (int32_t k = 0; k < j.Count; k += 8) {
    const int32_t n = std::min(8, j.Count - k);
    unsigned byte = 0;
    for (int32_t b = 0; b < n; ++b) {
      const int32_t p = tab[k + b];
      byte |= ((s[p >> 3] >> (7 - (p & 7))) & 1u) << (7 - b);
    }
    out[k >> 3] = static_cast<uint8_t>(byte);
  }
}

void FillRow4(const TScaleJob& j, const uint8_t* s, uint8_t* out) {
  const int32_t* tab = j.Table.data();
  auto nibble = [s](int32_t p) -> unsigned {
    return (p & 1) ? s[p >> 1] & 0x0Fu : static_cast<unsigned>(s[p >> 1] >> 4);
  };
  for (int32_t k = 0; k < j.Count; k += 2) out[k >> 1] = static_cast<uint8_t>(nibble(tab[k]) << 4 | nibble(tab[k + 1]));
}

void FillRow8(const TScaleJob& j, const uint8_t* s, uint8_t* out, int32_t from) {
  const int32_t* tab = j.Table.data();
  for (int32_t k = from; k < j.Count; ++k) out[k] = s[tab[k]];
}

void FillRow16(const TScaleJob& j, const uint8_t* s, uint8_t* out, int32_t from) {
  const int32_t* tab = j.Table.data();
  int32_t k = from;
  for (; k + 1 < j.Count; k += 2) {
    uint16_t pair[2];
    std::memcpy(&pair[0], s + tab[k], 2);
    std::memcpy(&pair[1], s + tab[k + 1], 2);
    std::memcpy(out + 2 * k, pair, 4);
  }
  if (k < j.Count) std::memcpy(out + 2 * k, s + tab[k], 2);
}

// Moves 24-bit pixels as 32-bit words, each store overlapping the next
// pixel's first byte; the last pixel is moved as three bytes so that nothing
// is written past the produced columns. wide says the fourth byte read after
// any pixel of this row still lies in the source block.
void FillRow24(const TScaleJob& j, const uint8_t* s, uint8_t* out, int32_t from, bool wide) {
  const int32_t* tab = j.Table.data();
  const int32_t last = j.Count - 1;
  int32_t k = from;
  if (wide) {
    uint32_t v;
    for (; k + 4 <= last; k += 4) {
      std::memcpy(&v, s + tab[k], 4);
      std::memcpy(out + 3 * k, &v, 4);
      std::memcpy(&v, s + tab[k + 1], 4);
      std::memcpy(out + 3 * k + 3, &v, 4);
      std::memcpy(&v, s + tab[k + 2], 4);
      std::memcpy(out + 3 * k + 6, &v, 4);
      std::memcpy(&v, s + tab[k + 3], 4);
      std::memcpy(out + 3 * k + 9, &v, 4);
    }
    for (; k < last; ++k) {
      std::memcpy(&v, s + tab[k], 4);
      std::memcpy(out + 3 * k, &v, 4);
    }
  }
  for (; k <= last; ++k) std::memcpy(out + 3 * k, s + tab[k], 3);
}

void FillRow32(const TScaleJob& j, const uint8_t* s, uint8_t* out, int32_t from) {
  const int32_t* tab = j.Table.data();
  for (int32_t k = from; k < j.Count; ++k) std::memcpy(out + 4 * k, s + 4 * static_cast<int64_t>(tab[k]), 4);
}

#ifdef ORV_SHUFFLE_MOVES
bool HasByteShuffle() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}

__attribute__((target("ssse3"))) void ShuffleChunks(const TScaleJob& j, const uint8_t* s, uint8_t* out) {
  for (const TScaleJob::TChunk& c : j.Chunks) {
    const __m128i src = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + c.Start));
    const __m128i mask = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c.Mask));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(src, mask));
    out += j.ChunkBytes;
  }
}

// Plans the chunks for whole-byte pixels zoomed in, where 16 output bytes
// come from at most 16 source bytes. Preferred: chunks of exactly 16 output
// bytes, cutting through pixels, which holds from 150 % up at 24 bits; else
// chunks of whole pixels (5 at 24 bits). A chunk's store never reaches past
// the produced columns; the columns after the last chunk, and a pixel a
// chunk only began, go pixel by pixel.
bool PlanChunksOf(TScaleJob& j, int32_t pixelsPerChunk) {
  const int32_t b = j.Bpp / 8;
  const int32_t chunkBytes = pixelsPerChunk ? pixelsPerChunk * b : 16;
  auto offset = [&j](int32_t k) { return j.Table[static_cast<size_t>(k)] * (j.Bpp == 32 ? 4 : 1); };
  j.Chunks.clear();
  for (int32_t at = 0; at + 16 <= j.Count * b; at += chunkBytes) {
    TScaleJob::TChunk c;
    c.Start = offset(at / b);
    if (offset((at + chunkBytes - 1) / b) + b - c.Start > 16) {
      j.Chunks.clear();
      return false;
    }
    for (int32_t i = 0; i < 16; ++i)
      c.Mask[i] = i < chunkBytes ? static_cast<uint8_t>(offset((at + i) / b) - c.Start + (at + i) % b) : 0x80;
    j.Chunks.push_back(c);
  }
  j.ChunkBytes = chunkBytes;
  j.ShuffledPixels = static_cast<int32_t>(j.Chunks.size()) * chunkBytes / b;
  return true;
}

void PlanChunks(TScaleJob& j, double hScale) {
  if (j.Bpp < 8 || hScale > 1.0 || !HasByteShuffle()) return;
  if (!PlanChunksOf(j, 0)) PlanChunksOf(j, 16 / (j.Bpp / 8));
}
#else
void PlanChunks(TScaleJob&, double) {}
#endif

void FillRow(const TScaleJob& j, uint64_t memRow, uint8_t* out) {
  const uint64_t start = memRow * j.SrcStride;
  if (start > j.SrcSize || j.SrcSize - start < j.SrcRowUsed) {
    // The block lacks this row (a short plug-in block): show it black.
    const uint64_t bits = static_cast<uint64_t>(j.Count) * static_cast<unsigned>(j.Bpp);
    std::memset(out, 0, static_cast<size_t>((bits + 7) / 8));
    return;
  }
  const uint8_t* s = j.Src + start;
  const uint64_t held = j.SrcSize - start;  // bytes from the row's start to the block's end
  int32_t from = 0;
#ifdef ORV_SHUFFLE_MOVES
  if (!j.Chunks.empty() && held >= static_cast<uint64_t>(j.Chunks.back().Start) + 16) {
    ShuffleChunks(j, s, out);
    from = j.ShuffledPixels;
  }
#endif
  switch (j.Bpp) {
    case 1:
      FillRow1(j, s, out);
      break;
    case 4:
      FillRow4(j, s, out);
      break;
    case 8:
      FillRow8(j, s, out, from);
      break;
    case 16:
      FillRow16(j, s, out, from);
      break;
    case 24: {
      const uint64_t farthest = static_cast<uint64_t>(j.Table[static_cast<size_t>(j.Count) - 1]) + 4;
      FillRow24(j, s, out, from, held >= farthest);
      break;
    }
    case 32:
      FillRow32(j, s, out, from);
      break;
    default:
      break;
  }
}

void ProduceRows(const TScaleJob& j) {
  int64_t prevSrcRow = -1;
  for (int32_t r = j.FirstRow; r <= j.LastRow; ++r) {
    uint8_t* out = j.Out + static_cast<uint64_t>(r - j.FirstRow) * j.OutStride;
    const int64_t srcRow = std::min<int64_t>(TruncScaledProduct(static_cast<uint32_t>(r), j.VScale), j.SrcRows - 1);
    // Zoomed in, neighbouring rows sample the same source row: their bytes
    // are the row just made.
    if (srcRow == prevSrcRow) {
      std::memcpy(out, out - j.OutStride, static_cast<size_t>(j.OutStride));
      continue;
    }
    prevSrcRow = srcRow;
    FillRow(j, static_cast<uint64_t>(j.TopDown ? j.SrcRows - 1 - srcRow : srcRow), out);
  }
}

bool IsScaledDepth(int bpp) { return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32; }

}  // namespace

uint64_t ScaleDibBlockSize(const BitmapInfo& srcInfo, int32_t outW, int32_t outH) {
  if (outW < 1 || outH < 1) return 0;
  const uint64_t outStride = DibStride(outW, srcInfo.bmiHeader.biBitCount);
  return static_cast<uint64_t>(outH) * (outStride + 8);
}

bool ScaleDibInto(BitmapInfo& outInfo, uint8_t* outBits, uint64_t outBitsSize, int32_t zoomW, int32_t zoomH,
                  int32_t scrollX, int32_t scrollY, int32_t outW, int32_t outH, const BitmapInfo& srcInfo,
                  const void* srcBits, uint64_t srcBitsSize) {
  std::memmove(&outInfo, &srcInfo, sizeof(BitmapInfo));
  outInfo.bmiHeader.biWidth = outW;
  outInfo.bmiHeader.biHeight = outH;
  const uint64_t need = ScaleDibBlockSize(srcInfo, outW, outH);
  if (need == 0 || !outBits || outBitsSize < need) return false;

  const BitmapInfoHeader& h = srcInfo.bmiHeader;
  const int bpp = h.biBitCount;
  if (bpp == 1) std::memset(outBits, 0, static_cast<size_t>(need));
  const int32_t srcW = h.biWidth;
  const int32_t srcRows = DibRows(h.biHeight);
  if (zoomW < 1 || zoomH < 1 || srcW < 1 || srcRows < 1 || !srcBits || !IsScaledDepth(bpp)) return true;
  // Table entries are 32-bit byte offsets within a row; a row longer than
  // that cannot lie in a 32-bit address space, whatever a header claims.
  if (DibStride(srcW, bpp) > INT32_MAX) return true;

  TScaleJob j;
  j.Src = static_cast<const uint8_t*>(srcBits);
  j.SrcSize = srcBitsSize;
  j.SrcStride = DibStride(srcW, bpp);
  j.SrcRowUsed = (static_cast<uint64_t>(srcW) * static_cast<unsigned>(bpp) + 7) / 8;
  j.SrcRows = srcRows;
  j.TopDown = h.biHeight < 0;
  j.Bpp = bpp;
  j.Out = outBits;
  j.OutStride = DibStride(outW, bpp);
  j.VScale = static_cast<double>(srcRows) / zoomH;

  int32_t firstRowFromTop = 0, rows = 0;
  VisibleRange(zoomH, outH, scrollY, firstRowFromTop, rows);
  // Rows are numbered from the bottom of the zoomed picture.
  j.LastRow = zoomH - 1 - firstRowFromTop;
  j.FirstRow = j.LastRow - rows + 1;
  VisibleRange(zoomW, outW, scrollX, j.FirstCol, j.Count);

  // Four entries past the last column for the steps that take two or four
  // pixels at once; held at the last source column so they read nothing
  // outside the row.
  const double hScale = static_cast<double>(srcW) / zoomW;
  const int32_t unit = bpp == 32 ? 1 : std::max(1, bpp / 8);
  // The painter calls this from its window procedure, which no exception
  // may leave: a table that cannot be had is a failed paint.
  try {
    j.Table.resize(static_cast<size_t>(j.Count) + 4);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int32_t k = 0; k < j.Count + 4; ++k) {
    const uint32_t x = static_cast<uint32_t>(j.FirstCol) + static_cast<uint32_t>(k);
    const int64_t col = std::min<int64_t>(TruncScaledProduct(x, hScale), srcW - 1);
    j.Table[static_cast<size_t>(k)] = static_cast<int32_t>(col * unit);
  }
  try {
    PlanChunks(j, hScale);
  } catch (const std::bad_alloc&) {
    j.Chunks.clear();  // the pixel-by-pixel moves need no plan
  }
  ProduceRows(j);
  return true;
}

bool ScaleDib(BitmapInfo& outInfo, void*& outBits, int32_t zoomW, int32_t zoomH, int32_t scrollX, int32_t scrollY,
              int32_t outW, int32_t outH, const BitmapInfo& srcInfo, const void* srcBits, uint64_t srcBitsSize,
              const TBlockAllocator& alloc) {
  outBits = nullptr;
  const uint64_t need = ScaleDibBlockSize(srcInfo, outW, outH);
  void* block = need ? alloc.Alloc(need) : nullptr;
  if (!ScaleDibInto(outInfo, static_cast<uint8_t*>(block), need, zoomW, zoomH, scrollX, scrollY, outW, outH, srcInfo,
                    srcBits, srcBitsSize)) {
    if (block) alloc.Free(block);
    return false;
  }
  outBits = block;
  return true;
}
