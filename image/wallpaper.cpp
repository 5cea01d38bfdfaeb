#include "image/wallpaper.h"

#include <algorithm>

#include "image/img.h"

namespace {

constexpr uint32_t kMasksSize = 12;

// A plug-in may hand over a picture with four masks; the file carries the
// three colour masks, which every reader takes.
bool HasMasks(uint32_t compression) { return compression == kBiBitfields || compression == kBiAlphaBitfields; }

bool IsUncompressed(uint32_t compression) { return compression == kBiRgb || HasMasks(compression); }

template <typename T>
void Put(std::vector<uint8_t>& out, const T& value) {
  const auto* p = reinterpret_cast<const uint8_t*>(&value);
  out.insert(out.end(), p, p + sizeof value);
}

uint32_t PixelBytes(const BitmapInfoHeader& h, int32_t bitsSize) {
  const uint64_t block = bitsSize > 0 ? static_cast<uint64_t>(bitsSize) : 0;
  uint64_t size;
  if (IsUncompressed(h.biCompression))
    // The rows themselves: a held biSizeImage may be short of them (the reader
    // then filled the block up) or beyond the block.
    size = DibStride(h.biWidth, h.biBitCount) * static_cast<uint64_t>(DibRows(h.biHeight));
  else
    size = h.biSizeImage ? h.biSizeImage : block;
  return static_cast<uint32_t>(std::min(size, block));
}

}  // namespace

TWallpaperFile WallpaperFile(const BitmapInfo& info, int32_t bitsSize) {
  BitmapInfoHeader h = info.bmiHeader;
  // The file holds the full table up to 8 bits and none above: counts that
  // say otherwise would send a reader past the table or into the pixels.
  const bool masks = HasMasks(h.biCompression);
  const uint32_t entries = !masks && h.biBitCount <= 8 ? 1u << h.biBitCount : 0;
  const uint32_t headerSize = kInfoHeaderSize + (masks ? kMasksSize : 4 * entries);
  TWallpaperFile file;
  file.PixelSize = PixelBytes(h, bitsSize);

  BitmapFileHeader fh{};
  fh.bfType = 0x4D42;  // "BM"
  fh.bfOffBits = static_cast<uint32_t>(kFileHeaderSize) + headerSize;
  fh.bfSize = fh.bfOffBits + file.PixelSize;

  h.biSize = kInfoHeaderSize;
  h.biSizeImage = file.PixelSize;
  if (masks) h.biCompression = kBiBitfields;
  if (h.biClrUsed > entries) h.biClrUsed = 0;
  if (h.biClrImportant > entries) h.biClrImportant = 0;

  file.Head.reserve(kFileHeaderSize + headerSize);
  Put(file.Head, fh);
  Put(file.Head, h);
  if (masks) {
    // The masks sit at byte 40 of the held block whatever its header: after
    // a 40-byte header, or as the mask fields of a V4 or V5 header.
    const auto* held = reinterpret_cast<const uint8_t*>(&info);
    file.Head.insert(file.Head.end(), held + kInfoHeaderSize, held + kInfoHeaderSize + kMasksSize);
  } else {
    for (uint32_t i = 0; i < entries; ++i) Put(file.Head, DibColor(info, i));
  }
  return file;
}
