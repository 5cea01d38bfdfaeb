// Feeds arbitrary bytes to the internal bitmap reader as a file image, then
// to the format description, the installer and the resampler, as the loader
// and the painter would; and the same bytes, split where the pixels begin,
// as the header block and pixel block a plug-in returns. Each input is read twice: as it is, and made into a
// plausible file (signature, a header size of every version, a pixel offset
// inside the file), so that a short run reaches every header form and
// conversion. Checks that every held header is one the program's readers
// take, and that reading from the file's first bytes alone (the file road)
// gives the same layout.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image/bmp_reader.h"
#include "image/format_desc.h"
#include "image/img.h"
#include "image/scale_dib.h"

namespace {

// Refuses big blocks so that a header claiming a huge picture exercises the
// refusal instead of exhausting the fuzzer's memory.
void* SmallAlloc(uint64_t size) { return size <= (2u << 20) ? HeapBlocks.Alloc(size) : nullptr; }

const TBlockAllocator SmallBlocks = {SmallAlloc, HeapBlocks.Free};

void Check(bool ok) {
  if (!ok) std::abort();
}

// What img.h promises of a held header.
void CheckHeld(const TDecodedPicture& pic) {
  const BitmapInfoHeader& h = pic.Info.bmiHeader;
  const int bits = h.biBitCount;
  Check(bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32);
  Check(h.biCompression == kBiRgb || (h.biCompression == kBiBitfields && (bits == 16 || bits == 32)));
  Check(h.biSize == 40 || h.biSize == kV4HeaderSize || h.biSize == kV5HeaderSize);
  const uint32_t depthEntries = bits <= 8 ? 1u << bits : 0;
  Check(h.biClrUsed <= depthEntries);
  const uint32_t entries = h.biClrUsed ? h.biClrUsed : depthEntries;
  if (h.biSize > 40) Check(h.biSize + 4 * entries <= sizeof(BitmapInfo));
  Check(h.biWidth > 0 && h.biHeight != 0 && h.biHeight != INT32_MIN);
  Check(h.biSizeImage <= static_cast<uint32_t>(pic.BitsSize));
  const uint64_t rows = static_cast<uint64_t>(DibRows(h.biHeight));
  // Every consumer may walk all rows the header describes.
  Check(static_cast<uint64_t>(pic.BitsSize) >= DibStride(h.biWidth, bits) * rows);
}

void Resample(const TDecodedPicture& pic) {
  BitmapInfo view;
  static uint8_t out[16 * (16 * 4 + 8)];
  const int32_t rows = DibRows(pic.Info.bmiHeader.biHeight);
  Check(ScaleDibInto(view, out, sizeof out, pic.Info.bmiHeader.biWidth * 3 / 2, rows * 3 / 2, 0, 0, 16, 16, pic.Info,
                     pic.Bits, static_cast<uint64_t>(pic.BitsSize)));
}

// The plug-in road. Each block is a heap block of its own size, so that a
// read past either is caught.
void ReadPlugin(const uint8_t* header, size_t headerSize, const uint8_t* bits, size_t bitsSize) {
  const std::vector<uint8_t> headerBlock(header, header + headerSize);
  std::vector<uint8_t> bitsBlock(bits, bits + bitsSize);
  TBmpLayout layout;
  const int status = ReadPluginLayout(headerBlock.data(), headerBlock.size(), bitsBlock.size(), layout);
  Check(status == kDecodeOk || status == kDecodeUnknownFormat || status == kDecodeBrokenData ||
        status == kDecodeNoMemory);
  if (status != kDecodeOk) return;
  TDecodedPicture pic;
  if (layout.Pixels == TBmpPixels::Copy) {
    // The plug-in's block is held as it is.
    Check(layout.BlockSize == bitsBlock.size());
    pic.Info = layout.Info;
    pic.Bits = bitsBlock.data();
    pic.BitsSize = static_cast<int32_t>(bitsBlock.size());
    CheckHeld(pic);
    Resample(pic);
    return;
  }
  if (BuildBmpPixels(layout, bitsBlock.data(), bitsBlock.size(), SmallBlocks, pic) != kDecodeOk) return;
  CheckHeld(pic);
  Resample(pic);
  SmallBlocks.Free(pic.Bits);
}

void Read(const uint8_t* data, size_t size) {
  TDecodedPicture pic;
  const int status = ReadBmpImage(data, size, SmallBlocks, pic);
  Check(status == kDecodeOk || status == kDecodeUnknownFormat || status == kDecodeBrokenData ||
        status == kDecodeNoMemory);
  (void)DescribeFormat(data, size);

  TBmpLayout whole, head;
  const int layoutStatus = ReadBmpLayout(data, size, size, whole);
  Check(layoutStatus == ReadBmpLayout(data, size < 2048 ? size : 2048, size, head));
  if (size >= 18) {
    const size_t off = std::clamp<size_t>(ReadLe32(data + 10), 14, size);
    ReadPlugin(data + 14, off - 14, data + off, size - off);
  }
  if (layoutStatus == kDecodeOk) {
    Check(std::memcmp(&whole.Info, &head.Info, sizeof(BitmapInfo)) == 0);
    Check(whole.PixelOffset == head.PixelOffset && whole.BlockSize == head.BlockSize && whole.Pixels == head.Pixels);
    // Pixel data cut short, as a file that shrinks would give them.
    TDecodedPicture cut;
    if (BuildBmpPixels(whole, data + whole.PixelOffset, static_cast<size_t>(whole.PixelSize / 2), SmallBlocks, cut) ==
        kDecodeOk) {
      CheckHeld(cut);
      SmallBlocks.Free(cut.Bits);
    }
  }
  if (status != kDecodeOk) return;
  CheckHeld(pic);

  Resample(pic);
  pic.TextInfo.assign(reinterpret_cast<const char*>(data), size < 64 ? size : 64);
  TImg img;
  InstallImg(img, pic, data, size);
  SmallBlocks.Free(img.Bits);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Read(data, size);
  if (size < 8) return 0;
  static const uint32_t kHeaderSizes[] = {12, 16, 20, 24, 36, 40, 52, 56, 64, 108, 124};
  const uint32_t headerSize = kHeaderSizes[data[0] % (sizeof kHeaderSizes / sizeof *kHeaderSizes)];
  // The header's fields, its table and the pixels all come from the input.
  std::vector<uint8_t> file(std::max<size_t>(18 + size, 14 + headerSize));
  std::memcpy(file.data() + 18, data, size);
  file[0] = 'B';
  file[1] = 'M';
  const uint32_t off = static_cast<uint32_t>(std::min<size_t>(file.size(), 14 + headerSize + data[1] * 4u));
  std::memcpy(file.data() + 10, &off, 4);
  std::memcpy(file.data() + 14, &headerSize, 4);
  // A small picture of a depth and compression the reader knows, some of the time.
  if (data[2] & 0x80) {
    static const uint16_t kDepths[] = {1, 2, 4, 8, 16, 24, 32};
    static const uint32_t kCompressions[] = {0, 1, 2, 3, 4, 6};
    const uint16_t bits = kDepths[data[2] % 7];
    const int32_t width = 1 + data[3] % 40, height = (data[4] & 0x80 ? -1 : 1) * (1 + data[4] % 40);
    if (headerSize == 12) {
      const uint16_t core[] = {static_cast<uint16_t>(width), static_cast<uint16_t>(height < 0 ? -height : height), 1,
                               bits};
      std::memcpy(file.data() + 18, core, sizeof core);
    } else {
      std::memcpy(file.data() + 18, &width, 4);
      std::memcpy(file.data() + 22, &height, 4);
      std::memcpy(file.data() + 28, &bits, 2);
      if (headerSize >= 20) std::memcpy(file.data() + 30, &kCompressions[data[5] % 6], 4);
      if (headerSize >= 36 && (data[5] & 0x80)) std::memset(file.data() + 46, 0, 4);  // biClrUsed 0
    }
  }
  Read(file.data(), file.size());
  return 0;
}
