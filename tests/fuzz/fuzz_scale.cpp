// Drives the resampler with fuzzed source headers, zoomed sizes, scroll
// offsets, output sizes and source blocks of any length. Where the view is
// one the painter can ask for, the result must also equal the plain
// algorithm's.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/img.h"
#include "image/scale_dib.h"
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
  const int32_t zoomW = (shape & 16) ? in.Next() % 512 : in.Next();
  const int32_t zoomH = (shape & 32) ? in.Next() % 512 : in.Next();
  const int32_t scrollX = in.Next(), scrollY = in.Next();
  const int32_t outW = in.Next() % 300, outH = in.Next() % 200;

  // The rest is the source block, in a copy of its exact size.
  const std::vector<uint8_t> bits(in.Data, in.Data + in.Size);
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
