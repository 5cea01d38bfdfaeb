#include "image/bmp_reader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

bool IsDibDepth(uint16_t bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

// Whether a held header can describe a picture that every consumer can walk
// row by row. Beyond the depth and run-length pairings: INT32_MIN has no row
// count in 32 bits, and run-length data is only defined bottom-up.
bool DescribesPicture(const BitmapInfoHeader& h) {
  if (h.biWidth < 1 || h.biHeight == 0 || h.biHeight == INT32_MIN) return false;
  if (!IsDibDepth(h.biBitCount)) return false;
  if (h.biCompression == kBiRle8 || h.biCompression == kBiRle4) {
    const uint16_t depth = h.biCompression == kBiRle8 ? 8 : 4;
    return h.biBitCount == depth && h.biHeight > 0;
  }
  return true;
}

}  // namespace

void CoreHeaderToInfoHeader(BitmapInfo& info, const uint8_t* core, size_t coreSize) {
  info = BitmapInfo{};
  BitmapInfoHeader& h = info.bmiHeader;
  h.biSize = kInfoHeaderSize;
  h.biWidth = ReadLe16(core + 4);
  h.biHeight = ReadLe16(core + 6);
  h.biPlanes = ReadLe16(core + 8);
  h.biBitCount = ReadLe16(core + 10);
  if (h.biBitCount != 1 && h.biBitCount != 4 && h.biBitCount != 8) return;
  const size_t entries = std::min<size_t>(size_t{1} << h.biBitCount, (coreSize - kCoreHeaderSize) / 3);
  for (size_t i = 0; i < entries; ++i) {
    const uint8_t* e = core + kCoreHeaderSize + 3 * i;
    info.bmiColors[i] = RgbQuad{e[0], e[1], e[2], 0};
  }
}

int ReadBmpImage(const uint8_t* file, size_t fileSize, const TBlockAllocator& alloc, TDecodedPicture& pic) {
  if (!file || fileSize < kFileHeaderSize + 4 || file[0] != 'B' || file[1] != 'M') return kDecodeBrokenData;
  const uint64_t off = ReadLe32(file + 10);
  const uint32_t headerSize = ReadLe32(file + 14);
  const bool core = headerSize == kCoreHeaderSize;
  if (!core && headerSize < kInfoHeaderSize) return kDecodeBrokenData;
  if (off > fileSize || off < kFileHeaderSize + uint64_t{headerSize}) return kDecodeBrokenData;
  const size_t headerBlock = static_cast<size_t>(off) - kFileHeaderSize;
  if (headerBlock > kBitmapInfoSize) return kDecodeBrokenData;

  TDecodedPicture out;
  if (core)
    CoreHeaderToInfoHeader(out.Info, file + kFileHeaderSize, headerBlock);
  else
    std::memcpy(&out.Info, file + kFileHeaderSize, headerBlock);
  BitmapInfoHeader& h = out.Info.bmiHeader;
  if (!DescribesPicture(h)) return kDecodeBrokenData;

  const uint8_t* pixels = file + off;
  const uint64_t pixelSize = fileSize - off;
  if (h.biSizeImage == 0 && h.biCompression != kBiRgb)
    h.biSizeImage = static_cast<uint32_t>(std::min<uint64_t>(pixelSize, UINT32_MAX));
  out.ColorBits = h.biBitCount == 16 && h.biCompression == kBiRgb ? 15 : h.biBitCount;

  if (h.biCompression == kBiRle8 || h.biCompression == kBiRle4) {
    const int status = DecodeRleTo24(out.Info, pixels, static_cast<size_t>(pixelSize), alloc, out.Bits, out.BitsSize);
    if (status != kDecodeOk) return status;
  } else {
    // The block is never smaller than the rows the header describes, so
    // the painter and the resampler can walk every row of it; data the
    // file lacks stays zero (black), trailing data is kept.
    const uint64_t stride = DibStride(h.biWidth, h.biBitCount);
    const uint64_t rows = static_cast<uint64_t>(DibRows(h.biHeight));
    if (rows > INT32_MAX / stride) return kDecodeNoMemory;
    const uint64_t size = std::max(pixelSize, stride * rows);
    if (size > INT32_MAX) return kDecodeNoMemory;
    auto* block = static_cast<uint8_t*>(alloc.Alloc(size));
    if (!block) return kDecodeNoMemory;
    std::memcpy(block, pixels, static_cast<size_t>(pixelSize));
    std::memset(block + pixelSize, 0, static_cast<size_t>(size - pixelSize));
    out.Bits = block;
    out.BitsSize = static_cast<int32_t>(size);
  }
  pic = std::move(out);
  return kDecodeOk;
}
