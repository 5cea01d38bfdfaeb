// Plain mirrors of the Win32 bitmap structures, so that the bitmap reader, the
// run-length decoder and the resampler can be built and tested without
// <windows.h>. The layouts are byte-for-byte those of the platform (checked
// here and again against the real headers in img_win.cpp), so a BitmapInfo can
// be handed to GDI as a BITMAPINFO.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

static_assert(std::endian::native == std::endian::little,
              "bitmap blocks are copied into these structs as they lie in the file");

// The file header is packed to 2 bytes on Windows (bfSize sits at offset 2).
#pragma pack(push, 2)
struct BitmapFileHeader {
  uint16_t bfType;
  uint32_t bfSize;
  uint16_t bfReserved1;
  uint16_t bfReserved2;
  uint32_t bfOffBits;
};
#pragma pack(pop)

struct BitmapInfoHeader {
  uint32_t biSize;
  int32_t biWidth;
  int32_t biHeight;
  uint16_t biPlanes;
  uint16_t biBitCount;
  uint32_t biCompression;
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
};

struct RgbQuad {
  uint8_t rgbBlue;
  uint8_t rgbGreen;
  uint8_t rgbRed;
  uint8_t rgbReserved;
};

// OS/2 1.x header: 16-bit unsigned sizes, three-byte colour entries.
struct BitmapCoreHeader {
  uint32_t bcSize;
  uint16_t bcWidth;
  uint16_t bcHeight;
  uint16_t bcPlanes;
  uint16_t bcBitCount;
};

// Header and room for 256 colour entries: 1064 bytes. A longer header (V4, V5)
// occupies the front of this block and pushes the colour table back.
struct BitmapInfo {
  BitmapInfoHeader bmiHeader;
  RgbQuad bmiColors[256];
};

struct FileTime {
  uint32_t dwLowDateTime;
  uint32_t dwHighDateTime;
};

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiJpeg = 4;
constexpr uint32_t kBiPng = 5;
constexpr uint32_t kBiAlphaBitfields = 6;  // four masks: red, green, blue, alpha
// OS/2 2.x gives 3 and 4 other meanings: 1-bit Huffman 1D and 24-bit RLE.
constexpr uint32_t kOs2Huffman1D = 3;
constexpr uint32_t kOs2Rle24 = 4;

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
constexpr size_t kCoreHeaderSize = 12;
constexpr size_t kV4HeaderSize = 108;
constexpr size_t kV5HeaderSize = 124;
constexpr size_t kBitmapInfoSize = 1064;

static_assert(sizeof(BitmapFileHeader) == 14);
static_assert(offsetof(BitmapFileHeader, bfSize) == 2);
static_assert(offsetof(BitmapFileHeader, bfOffBits) == 10);
static_assert(sizeof(BitmapInfoHeader) == kInfoHeaderSize);
static_assert(offsetof(BitmapInfoHeader, biWidth) == 4);
static_assert(offsetof(BitmapInfoHeader, biHeight) == 8);
static_assert(offsetof(BitmapInfoHeader, biPlanes) == 12);
static_assert(offsetof(BitmapInfoHeader, biBitCount) == 14);
static_assert(offsetof(BitmapInfoHeader, biCompression) == 16);
static_assert(offsetof(BitmapInfoHeader, biSizeImage) == 20);
static_assert(offsetof(BitmapInfoHeader, biClrUsed) == 32);
static_assert(offsetof(BitmapInfoHeader, biClrImportant) == 36);
static_assert(sizeof(RgbQuad) == 4);
static_assert(sizeof(BitmapCoreHeader) == kCoreHeaderSize);
static_assert(offsetof(BitmapCoreHeader, bcWidth) == 4);
static_assert(offsetof(BitmapCoreHeader, bcBitCount) == 10);
static_assert(sizeof(BitmapInfo) == kBitmapInfoSize);
static_assert(offsetof(BitmapInfo, bmiColors) == 40);
static_assert(sizeof(FileTime) == 8);

inline uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t ReadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

inline uint64_t ReadLe64(const uint8_t* p) { return ReadLe32(p) | (static_cast<uint64_t>(ReadLe32(p + 4)) << 32); }

// Bytes of one DIB row: bits per row rounded up to 32-bit words. Kept in 64
// bits so that no width and depth from a file can overflow it.
inline uint64_t DibStride(int64_t width, int64_t bitCount) {
  return static_cast<uint64_t>((width * bitCount + 31) / 32) * 4;
}

// The colour entries of a held header start right after the header itself,
// which may be longer than 40 bytes.
inline RgbQuad DibColor(const BitmapInfo& info, uint32_t index) {
  RgbQuad c{};
  const uint64_t at = static_cast<uint64_t>(info.bmiHeader.biSize) + 4ull * index;
  if (info.bmiHeader.biSize >= kInfoHeaderSize && at + 4 <= kBitmapInfoSize)
    std::memcpy(&c, reinterpret_cast<const uint8_t*>(&info) + at, 4);
  return c;
}
