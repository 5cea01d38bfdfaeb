// The pictures a wallpaper is made of in the tests, and whether a written
// file is one that the viewer's own reader opens to the picture it came from.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bmp_builder.h"
#include "image/bmp_reader.h"
#include "image/wallpaper.h"

// A bitmap file and where its wallpaper's pixels must start.
struct TWallpaperCase {
  std::string Name;
  TBytes File;
  uint32_t OffBits;
};

inline uint32_t CaseStride(int32_t width, int bits) { return static_cast<uint32_t>((width * bits + 31) / 32 * 4); }

// 1, 4 and 8 bits (the 8-bit one with a short table), 16-bit bitfields, 24,
// 32 bits and a run-length picture, which the reader holds at 24 bits.
inline std::vector<TWallpaperCase> WallpaperCases() {
  std::vector<TWallpaperCase> cases;
  for (uint16_t bits : {1, 4, 8, 24, 32}) {
    TBmpRecipe r;
    r.Width = 5;
    r.Height = 3;
    r.BitCount = bits;
    if (bits <= 8) {
      r.ClrUsed = bits == 8 ? 6 : 0;
      r.Extra = TestPalette(bits == 8 ? 6 : size_t{1} << bits, 4);
    }
    r.Pixels = PatternBytes(CaseStride(5, bits) * 3, bits);
    const uint32_t off = bits <= 8 ? 14 + 40 + (4u << bits) : 54;
    cases.push_back({std::to_string(bits) + " bit", MakeBmp(r), off});
  }
  TBmpRecipe fields;
  fields.Width = 5;
  fields.BitCount = 16;
  fields.Compression = kBiBitfields;
  for (uint32_t mask : {0xF800u, 0x07E0u, 0x001Fu}) Put32(fields.Extra, mask);
  fields.Pixels = PatternBytes(CaseStride(5, 16) * 2, 16);
  cases.push_back({"16-bit bitfields", MakeBmp(fields), 66});
  TBmpRecipe rle;
  rle.Width = 4;
  rle.BitCount = 8;
  rle.Compression = kBiRle8;
  rle.Extra = TestPalette(3, 4);
  rle.Pixels = {4, 1, 0, 0, 2, 2, 2, 1, 0, 1};  // two rows, then the end of the picture
  cases.push_back({"run-length", MakeBmp(rle), 54});
  return cases;
}

// The file SetWallpaper writes for the decoded picture.
inline TBytes WallpaperBytes(const TDecodedPicture& pic) {
  const TWallpaperFile file = WallpaperFile(pic.Info, pic.BitsSize);
  TBytes bytes = file.Head;
  const auto* bits = static_cast<const uint8_t*>(pic.Bits);
  bytes.insert(bytes.end(), bits, bits + file.PixelSize);
  return bytes;
}

// A decoded picture whose block goes back to the C heap.
struct TOwnedPicture {
  TDecodedPicture Pic;
  int Status;
  explicit TOwnedPicture(const TBytes& file) : Status(ReadBmpImage(file.data(), file.size(), HeapBlocks, Pic)) {}
  ~TOwnedPicture() { HeapBlocks.Free(Pic.Bits); }
  TOwnedPicture(const TOwnedPicture&) = delete;
  TOwnedPicture& operator=(const TOwnedPicture&) = delete;
};

// The file is a bitmap with a 40-byte header that the reader opens to the
// same size, depth, colours or masks and pixel rows as the original.
inline ::testing::AssertionResult ReopensAs(const TBytes& file, const TDecodedPicture& original) {
  TOwnedPicture again(file);
  if (again.Status != kDecodeOk) return ::testing::AssertionFailure() << "the reader refuses it: " << again.Status;
  const BitmapInfoHeader& a = original.Info.bmiHeader;
  const BitmapInfoHeader& b = again.Pic.Info.bmiHeader;
  if (b.biSize != 40) return ::testing::AssertionFailure() << "header of " << b.biSize << " bytes";
  if (a.biWidth != b.biWidth || a.biHeight != b.biHeight || a.biBitCount != b.biBitCount ||
      a.biCompression != b.biCompression)
    return ::testing::AssertionFailure() << "another picture: " << b.biWidth << "x" << b.biHeight << "x" << b.biBitCount
                                         << " compression " << b.biCompression;
  if (a.biCompression == kBiBitfields) {
    if (std::memcmp(reinterpret_cast<const uint8_t*>(&original.Info) + 40,
                    reinterpret_cast<const uint8_t*>(&again.Pic.Info) + 40, 12) != 0)
      return ::testing::AssertionFailure() << "other masks";
  } else if (a.biBitCount <= 8) {
    for (uint32_t i = 0; i < (1u << a.biBitCount); ++i) {
      const RgbQuad x = DibColor(original.Info, i), y = DibColor(again.Pic.Info, i);
      if (std::memcmp(&x, &y, sizeof x) != 0) return ::testing::AssertionFailure() << "colour " << i << " differs";
    }
  }
  const uint64_t rows = DibStride(a.biWidth, a.biBitCount) * static_cast<uint64_t>(DibRows(a.biHeight));
  if (static_cast<uint64_t>(again.Pic.BitsSize) < rows || std::memcmp(original.Bits, again.Pic.Bits, rows) != 0)
    return ::testing::AssertionFailure() << "other pixels";
  return ::testing::AssertionSuccess();
}
