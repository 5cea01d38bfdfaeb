// Drives the resampler with fuzzed source headers, zoomed sizes, scroll
// offsets, output sizes and source blocks of any length. Where the view is
// one the painter can ask for, the result must also equal the plain
// algorithm's. The same input drives the smooth view: area averaging with
// both kernels (which must agree), through the tile cache, and the turns.
#include <algorithm>
#include <cfloat>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/area_scale.h"
#include "image/img.h"
#include "image/pixel_rows.h"
#include "image/scale_dib.h"
#include "image/shrink_cache.h"
#include "image/turn_dib.h"
#include "tests/image/scale_reference.h"

namespace {

struct TReader {
  const uint8_t* Data;
  size_t Size;
  int32_t Next() {
    uint32_t v = 0;
    const size_t n = Size < 4 ? Size : 4;
    std::memcpy(&v, Data, n);
    Data += n;
    Size -= n;
    return static_cast<int32_t>(v);
  }
};

constexpr int kDepths[] = {1, 4, 8, 16, 24, 32, 0, 2};

// Masks a 16- or 32-bit picture may have, chosen by two bits of the shape;
// the last is any three words at all.
void SetMasks(BitmapInfo& src, int32_t shape, int32_t any) {
  const uint32_t sets[3][3] = {{0xFF0000, 0xFF00, 0xFF}, {0xF800, 0x07E0, 0x001F}, {0x3FF00000, 0xFFC00, 0x3FF}};
  const int choice = (shape >> 8) & 3;
  uint32_t masks[3] = {static_cast<uint32_t>(any), static_cast<uint32_t>(any) * 2654435761u,
                       static_cast<uint32_t>(any) >> 7};
  if (choice < 3) std::memcpy(masks, sets[choice], sizeof masks);
  std::memcpy(src.bmiColors, masks, sizeof masks);
  src.bmiHeader.biCompression = kBiBitfields;
}

// The smooth view of part of the zoomed picture: both kernels give the same
// bytes (within 1 where floats are held wider), and the cache gives them too.
void SmoothView(const BitmapInfo& src, const std::vector<uint8_t>& bits, bool alpha, int32_t zoomW, int32_t zoomH,
                int32_t x, int32_t y, int32_t w, int32_t h) {
  if (zoomW < 1 || zoomH < 1 || w < 1 || h < 1) return;
  const TZoomRect rect{static_cast<int32_t>(static_cast<uint32_t>(x) % static_cast<uint32_t>(zoomW)),
                       static_cast<int32_t>(static_cast<uint32_t>(y) % static_cast<uint32_t>(zoomH)), w, h};
  const TZoomRect inside{rect.X, rect.Y, std::min(w, zoomW - rect.X), std::min(h, zoomH - rect.Y)};
  const int bytes = AreaPixelBytes(src);
  const size_t size = static_cast<size_t>(inside.Width) * inside.Height * (bytes ? bytes : 1);
  std::vector<uint8_t> plain(size), fast(size), cached(size);
  const TAreaSource source{&src, bits.data(), bits.size(), alpha};
  const ptrdiff_t stride = static_cast<ptrdiff_t>(inside.Width) * bytes;
  const bool ok = AreaScaleRect(source, zoomW, zoomH, inside, plain.data(), stride, PlainAreaKernels());
  if (!ok) return;
  if (const TAreaKernels* k = Sse2AreaKernels()) {
    if (!AreaScaleRect(source, zoomW, zoomH, inside, fast.data(), stride, *k)) std::abort();
    for (size_t i = 0; i < size; ++i)
      if (FLT_EVAL_METHOD == 0 ? fast[i] != plain[i] : std::abs(fast[i] - plain[i]) > 1) std::abort();
  }
  if (alpha) return;  // the cache paints those over the background
  TShrinkCache cache(3 * 256 * 256 * 4);
  const TShrinkView view{source, 1, zoomW, zoomH, {}};
  if (!cache.Fill(view, inside, cached.data(), stride)) std::abort();
  if (!Sse2AreaKernels() && cached != plain) std::abort();
}

void Turns(const BitmapInfo& src, const std::vector<uint8_t>& bits, int32_t shape) {
  const TTurn turn = static_cast<TTurn>(((shape >> 10) & 3) % 3);
  const uint64_t size = TurnedBlockSize(src, turn);
  if (size == 0 || size > (1u << 20)) return;
  std::vector<uint8_t> out(static_cast<size_t>(size));
  BitmapInfo info;
  if (!TurnDib(src, bits.data(), bits.size(), turn, info, out.data(), out.size())) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TReader in{data, size};
  const int32_t shape = in.Next();
  BitmapInfo src{};
  src.bmiHeader.biSize = 40;
  src.bmiHeader.biBitCount = static_cast<uint16_t>(kDepths[shape & 7]);
  const bool smallSource = (shape & 8) != 0;
  const int32_t rawW = in.Next(), rawH = in.Next();
  // Mostly small pictures, whose bytes can all be present, but also any
  // header at all.
  src.bmiHeader.biWidth = smallSource ? rawW % 64 : rawW;
  src.bmiHeader.biHeight = smallSource ? rawH % 64 : rawH;
  if ((shape & 128) && (src.bmiHeader.biBitCount == 16 || src.bmiHeader.biBitCount == 32)) SetMasks(src, shape, rawW);
  const int32_t zoomW = (shape & 16) ? in.Next() % 512 : in.Next();
  const int32_t zoomH = (shape & 32) ? in.Next() % 512 : in.Next();
  const int32_t scrollX = in.Next(), scrollY = in.Next();
  const int32_t outW = in.Next() % 300, outH = in.Next() % 200;

  // The rest is the source block, in a copy of its exact size.
  const std::vector<uint8_t> bits(in.Data, in.Data + in.Size);
  SmoothView(src, bits, (shape & 64) != 0 && IsPlain32(src), zoomW, zoomH, scrollX, scrollY, outW, outH);
  Turns(src, bits, shape);

  BitmapInfo out;
  void* outBits = nullptr;
  if (!ScaleDib(out, outBits, zoomW, zoomH, scrollX, scrollY, outW, outH, src, bits.data(), bits.size(), HeapBlocks))
    return 0;

  const int32_t srcW = src.bmiHeader.biWidth, srcRows = DibRows(src.bmiHeader.biHeight);
  const int bpp = src.bmiHeader.biBitCount;
  const bool painterView = zoomW >= 1 && zoomH >= 1 && zoomW <= 4096 && srcW >= 1 && srcRows >= 1 && bpp >= 1 &&
                           bpp != 2 && bits.size() >= DibStride(srcW, bpp) * static_cast<uint64_t>(srcRows) &&
                           (zoomW < outW || (scrollX >= 0 && scrollX <= zoomW - outW)) &&
                           (zoomH < outH || (scrollY >= 0 && scrollY <= zoomH - outH));
  if (painterView) {
    const std::vector<uint8_t> want = ReferenceScale(src, bits.data(), {zoomW, zoomH, scrollX, scrollY, outW, outH});
    const auto* got = static_cast<const uint8_t*>(outBits);
    const uint64_t stride = DibStride(outW, bpp);
    const int64_t cols = zoomW < outW ? zoomW : outW;
    const int32_t rows = zoomH < outH ? zoomH : outH;
    const uint64_t whole = static_cast<uint64_t>(cols * bpp / 8);
    const int rest = static_cast<int>(cols * bpp % 8);  // bits of a last partial byte
    for (int32_t r = 0; r < rows; ++r) {
      const uint64_t at = static_cast<uint64_t>(r) * stride;
      if (std::memcmp(got + at, want.data() + at, whole) != 0) std::abort();
      const uint8_t mask = static_cast<uint8_t>(0xFF00 >> rest);
      if (rest && ((got[at + whole] ^ want[at + whole]) & mask)) std::abort();
    }
  }
  HeapBlocks.Free(outBits);
  return 0;
}
