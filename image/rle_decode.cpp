// Run-length decoding done in portable code rather than through a
// screen-compatible bitmap: the colours stay exact whatever the screen depth,
// and the decoder can be tested and fuzzed without a display.
#include <cstring>

#include "image/bmp_reader.h"

namespace {

class TRleCanvas {
 public:
  TRleCanvas(uint8_t* block, uint64_t stride, const BitmapInfo& info)
      : Block(block), Stride(stride), Width(info.bmiHeader.biWidth), Height(info.bmiHeader.biHeight) {
    for (uint32_t i = 0; i < 256; ++i) Colors[i] = DibColor(info, i);
  }

  // Pixels beyond the right edge of a row are dropped, not wrapped.
  void Put(uint8_t index) {
    if (X < Width && Y < Height) {
      uint8_t* p = Block + static_cast<uint64_t>(Y) * Stride + static_cast<uint64_t>(X) * 3;
      p[0] = Colors[index].rgbBlue;
      p[1] = Colors[index].rgbGreen;
      p[2] = Colors[index].rgbRed;
    }
    ++X;
  }
  void EndOfLine() {
    X = 0;
    ++Y;
  }
  void Move(uint8_t dx, uint8_t dy) {
    X += dx;
    Y += dy;
  }
  bool Done() const { return Y >= Height; }

 private:
  uint8_t* Block;
  uint64_t Stride;
  int64_t Width;
  int64_t Height;
  // Counted up from the bottom row, as the data runs. 64 bits: each command
  // moves by at most 255, far from overflowing.
  int64_t X = 0;
  int64_t Y = 0;
  RgbQuad Colors[256];
};

uint8_t Nibble(const uint8_t* bytes, size_t i) { return (i & 1) ? bytes[i / 2] & 0x0F : bytes[i / 2] >> 4; }

// Reads commands until the end-of-bitmap escape, the top of the picture or the
// end of the data, whichever comes first.
void Decode(TRleCanvas& canvas, const uint8_t* data, size_t size, bool rle8) {
  size_t i = 0;
  while (size - i >= 2 && !canvas.Done()) {
    const uint8_t count = data[i];
    const uint8_t value = data[i + 1];
    i += 2;
    if (count > 0) {
      // Encoded run: one index, or two alternating nibbles for RLE4.
      for (size_t k = 0; k < count; ++k) canvas.Put(rle8 ? value : Nibble(&value, k & 1));
      continue;
    }
    switch (value) {
      case 0:
        canvas.EndOfLine();
        break;
      case 1:
        return;
      case 2:
        if (size - i < 2) return;
        canvas.Move(data[i], data[i + 1]);
        i += 2;
        break;
      default: {
        // Absolute run of `value` pixels, padded to a 16-bit boundary.
        const size_t bytes = rle8 ? value : (value + 1u) / 2;
        const size_t have = size - i < bytes ? size - i : bytes;
        const size_t pixels = rle8 ? have : (have == bytes ? value : have * 2);
        for (size_t k = 0; k < pixels; ++k) canvas.Put(rle8 ? data[i + k] : Nibble(data + i, k));
        if (have < bytes) return;
        i += bytes + (bytes & 1);
        if (i > size) return;
        break;
      }
    }
  }
}

}  // namespace

int DecodeRleTo24(BitmapInfo& info, const uint8_t* data, size_t dataSize, const TBlockAllocator& alloc, void*& bits,
                  int32_t& bitsSize) {
  BitmapInfoHeader& h = info.bmiHeader;
  const bool rle8 = h.biCompression == kBiRle8 && h.biBitCount == 8;
  const bool rle4 = h.biCompression == kBiRle4 && h.biBitCount == 4;
  if (!(rle8 || rle4) || h.biWidth < 1 || h.biHeight < 1) return kDecodeBrokenData;
  const uint64_t stride = DibStride(h.biWidth, 24);
  const uint64_t size = stride * static_cast<uint64_t>(h.biHeight);
  if (size > INT32_MAX) return kDecodeNoMemory;
  auto* block = static_cast<uint8_t*>(alloc.Alloc(size));
  if (!block) return kDecodeNoMemory;
  std::memset(block, 0, static_cast<size_t>(size));
  TRleCanvas canvas(block, stride, info);
  Decode(canvas, data, data ? dataSize : 0, rle8);

  h.biCompression = kBiRgb;
  h.biBitCount = 24;
  h.biSizeImage = static_cast<uint32_t>(size);
  bits = block;
  bitsSize = static_cast<int32_t>(size);
  return kDecodeOk;
}
