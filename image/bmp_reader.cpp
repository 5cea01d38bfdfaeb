#include "image/bmp_reader.h"

#include <algorithm>
#include <cstring>

uint8_t* NewCopyBlock(const TBmpLayout& layout, const TBlockAllocator& alloc) {
  auto* block = static_cast<uint8_t*>(alloc.Alloc(layout.BlockSize));
  // The block is never smaller than the rows the header describes, so the
  // painter and the resampler can walk every row of it; data the file lacks
  // stays zero (black), trailing data is kept.
  if (block && layout.PixelSize < layout.BlockSize)
    std::memset(block + layout.PixelSize, 0, static_cast<size_t>(layout.BlockSize - layout.PixelSize));
  return block;
}

void HoldBmpPicture(const TBmpLayout& layout, void* block, TDecodedPicture& pic) {
  pic = TDecodedPicture{};
  pic.Info = layout.Info;
  pic.ColorBits = layout.ColorBits;
  pic.Bits = block;
  pic.BitsSize = static_cast<int32_t>(layout.BlockSize);
}

void WidenTwoBits(const uint8_t* data, size_t dataSize, int32_t width, int32_t rows, uint8_t* out) {
  const uint64_t inStride = DibStride(width, 2), outStride = DibStride(width, 4);
  std::memset(out, 0, static_cast<size_t>(outStride * static_cast<uint64_t>(rows)));
  const size_t used = static_cast<size_t>((static_cast<uint64_t>(width) + 3) / 4);  // bytes of a row's pixels
  for (uint64_t r = 0; r < static_cast<uint64_t>(rows) && r * inStride < dataSize; ++r) {
    const uint8_t* in = data + r * inStride;
    uint8_t* o = out + r * outStride;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(used, dataSize - r * inStride));
    for (size_t i = 0; i < n; ++i) {
      const unsigned b = in[i];
      o[2 * i] = static_cast<uint8_t>((b >> 6) << 4 | ((b >> 4) & 3));
      o[2 * i + 1] = static_cast<uint8_t>(((b >> 2) & 3) << 4 | (b & 3));
    }
  }
}

int BuildBmpPixels(const TBmpLayout& layout, const uint8_t* data, size_t dataSize, const TBlockAllocator& alloc,
                   TDecodedPicture& pic) {
  if (!data) dataSize = 0;
  if (layout.Pixels == TBmpPixels::RunLength) {
    TBmpLayout decoded = layout;
    void* bits = nullptr;
    int32_t size = 0;
    const int status = DecodeRleTo24(decoded.Info, data, dataSize, alloc, bits, size);
    if (status != kDecodeOk) return status;
    decoded.BlockSize = static_cast<uint64_t>(size);
    HoldBmpPicture(decoded, bits, pic);
    return kDecodeOk;
  }
  uint8_t* block;
  if (layout.Pixels == TBmpPixels::TwoBits || layout.Pixels == TBmpPixels::Masks) {
    block = static_cast<uint8_t*>(alloc.Alloc(layout.BlockSize));
    if (!block) return kDecodeNoMemory;
    const BitmapInfoHeader& h = layout.Info.bmiHeader;
    if (layout.Pixels == TBmpPixels::TwoBits)
      WidenTwoBits(data, dataSize, h.biWidth, DibRows(h.biHeight), block);
    else
      ConvertMaskedRows(data, dataSize, h.biWidth, DibRows(h.biHeight), layout.DataBits, layout.Masks, block);
  } else {
    block = NewCopyBlock(layout, alloc);
    if (!block) return kDecodeNoMemory;
    const size_t n = static_cast<size_t>(std::min<uint64_t>({dataSize, layout.PixelSize, layout.BlockSize}));
    if (n) std::memcpy(block, data, n);
    if (n < layout.PixelSize) std::memset(block + n, 0, static_cast<size_t>(layout.PixelSize - n));
  }
  HoldBmpPicture(layout, block, pic);
  return kDecodeOk;
}

int ReadBmpImage(const uint8_t* file, size_t fileSize, const TBlockAllocator& alloc, TDecodedPicture& pic) {
  TBmpLayout layout;
  const int status = ReadBmpLayout(file, fileSize, fileSize, layout);
  if (status != kDecodeOk) return status;
  return BuildBmpPixels(layout, file + layout.PixelOffset, static_cast<size_t>(layout.PixelSize), alloc, pic);
}
