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

  void Put(uint8_t index) { PutBgr(&Colors[index].rgbBlue); }
  // Pixels beyond the right edge of a row are dropped, not wrapped.
  void PutBgr(const uint8_t* bgr) {
    if (X < Width && Y < Height)
      std::memcpy(Block + static_cast<uint64_t>(Y) * Stride + static_cast<uint64_t>(X) * 3, bgr, 3);
    ++X;
  }
  // How many of the next n pixels land inside the picture. A run reaches
  // past the right edge or above the top only with the pixels it drops, so
  // these are stepped over at once rather than one by one: the work stays
  // within the data's commands and the picture's pixels, however long the
  // data run on beside a small picture.
  size_t Shown(size_t n) const {
    if (Y >= Height || X >= Width) return 0;
    return static_cast<uint64_t>(Width - X) < n ? static_cast<size_t>(Width - X) : n;
  }
  void Skip(size_t n) { X += static_cast<int64_t>(n); }
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
  // of two bytes or more moves by at most 255, so data of any size a
  // picture can come with stay far from overflowing them.
  int64_t X = 0;
  int64_t Y = 0;
  RgbQuad Colors[256];
};

uint8_t Nibble(const uint8_t* bytes, size_t i) { return (i & 1) ? bytes[i / 2] & 0x0F : bytes[i / 2] >> 4; }

enum class TRleKind { Rle8, Rle4, Rle24 };

// Bytes of an absolute run of n pixels, before its padding to 16 bits.
size_t AbsoluteBytes(TRleKind kind, size_t n) {
  if (kind == TRleKind::Rle8) return n;
  return kind == TRleKind::Rle4 ? (n + 1) / 2 : 3 * n;
}

// Reads commands until the end-of-bitmap escape, the top of the picture or the
// end of the data, whichever comes first. RLE24 runs carry a blue, green and
// red byte where the others carry an index.
void Decode(TRleCanvas& canvas, const uint8_t* data, size_t size, TRleKind kind) {
  size_t i = 0;
  while (size - i >= 2 && !canvas.Done()) {
    const uint8_t count = data[i];
    if (count > 0) {
      // Encoded run: one colour, or two alternating nibbles for RLE4.
      const size_t shown = canvas.Shown(count);
      if (kind == TRleKind::Rle24) {
        if (size - i < 4) return;
        for (size_t k = 0; k < shown; ++k) canvas.PutBgr(data + i + 1);
        i += 4;
      } else {
        const uint8_t value = data[i + 1];
        for (size_t k = 0; k < shown; ++k) canvas.Put(kind == TRleKind::Rle8 ? value : Nibble(&value, k & 1));
        i += 2;
      }
      canvas.Skip(count - shown);
      continue;
    }
    const uint8_t value = data[i + 1];
    i += 2;
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
        const size_t bytes = AbsoluteBytes(kind, value);
        const size_t have = size - i < bytes ? size - i : bytes;
        const uint8_t* run = data + i;
        size_t pixels = have;
        if (kind == TRleKind::Rle24) pixels = have / 3;
        if (kind == TRleKind::Rle4) pixels = have == bytes ? value : have * 2;
        const size_t shown = canvas.Shown(pixels);
        for (size_t k = 0; k < shown; ++k) {
          if (kind == TRleKind::Rle24)
            canvas.PutBgr(run + 3 * k);
          else
            canvas.Put(kind == TRleKind::Rle8 ? run[k] : Nibble(run, k));
        }
        canvas.Skip(pixels - shown);
        if (have < bytes) return;
        i += bytes + (bytes & 1);
        if (i > size) return;
        break;
      }
    }
  }
}

// A JPEG stream begins with its start-of-image marker and the next marker.
bool IsJpegStream(const uint8_t* data, size_t size) {
  return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

}  // namespace

int DecodeRleTo24(BitmapInfo& info, const uint8_t* data, size_t dataSize, const TBlockAllocator& alloc, void*& bits,
                  int32_t& bitsSize) {
  BitmapInfoHeader& h = info.bmiHeader;
  TRleKind kind;
  if (h.biCompression == kBiRle8 && h.biBitCount == 8)
    kind = TRleKind::Rle8;
  else if (h.biCompression == kBiRle4 && h.biBitCount == 4)
    kind = TRleKind::Rle4;
  else if (h.biCompression == kOs2Rle24 && h.biBitCount == 24)
    kind = TRleKind::Rle24;
  else
    return kDecodeBrokenData;
  if (h.biWidth < 1 || h.biHeight < 1) return kDecodeBrokenData;
  if (!data) dataSize = 0;
  // Compression 4 behind a 40-byte header is a JPEG picture to Windows.
  if (kind == TRleKind::Rle24 && IsJpegStream(data, dataSize)) return kDecodeUnknownFormat;
  const uint64_t stride = DibStride(h.biWidth, 24);
  const uint64_t size = stride * static_cast<uint64_t>(h.biHeight);
  if (size > INT32_MAX) return kDecodeNoMemory;
  auto* block = static_cast<uint8_t*>(alloc.Alloc(size));
  if (!block) return kDecodeNoMemory;
  std::memset(block, 0, static_cast<size_t>(size));
  TRleCanvas canvas(block, stride, info);
  Decode(canvas, data, dataSize, kind);

  h.biCompression = kBiRgb;
  h.biBitCount = 24;
  h.biClrUsed = 0;
  h.biSizeImage = static_cast<uint32_t>(size);
  bits = block;
  bitsSize = static_cast<int32_t>(size);
  return kDecodeOk;
}
