#include "image/bmp_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "bmp_classes.h"
#include "test_alloc.h"

namespace {

const uint8_t* InfoBytes(const TDecodedPicture& pic) { return reinterpret_cast<const uint8_t*>(&pic.Info); }

TBytes BlockBytes(const TDecodedPicture& pic) {
  const auto* p = static_cast<const uint8_t*>(pic.Bits);
  return TBytes(p, p + pic.BitsSize);
}

// Decodes with the tracking allocator and frees the block when the test ends.
struct TDecoded {
  TDecodedPicture Pic;
  int Status;
  explicit TDecoded(const TBytes& file)
      : Status(ReadBmpImage(file.data(), file.size(), TTrackedBlocks::Allocator, Pic)) {}
  ~TDecoded() { TTrackedBlocks::Free(Pic.Bits); }
};

uint32_t Stride(int32_t width, int bits) { return static_cast<uint32_t>((width * bits + 31) / 32 * 4); }

// The colour the held header and block give pixel (x, y), y from the top,
// read the way GDI reads a DIB: the table right after biSize bytes, masks at
// byte 40, BI_RGB 16 bits as 5-5-5.
uint32_t HeldColour(const TDecodedPicture& pic, int32_t x, int32_t y) {
  const BitmapInfoHeader& h = pic.Info.bmiHeader;
  const uint8_t* info = InfoBytes(pic);
  const int32_t rows = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  const uint8_t* row = static_cast<const uint8_t*>(pic.Bits) +
                       size_t{Stride(h.biWidth, h.biBitCount)} * static_cast<size_t>(h.biHeight < 0 ? y : rows - 1 - y);
  auto word = [](const uint8_t* p) { return ReadLe32(p); };
  auto masked = [&](uint32_t v) {
    if (h.biCompression == kBiRgb) return h.biBitCount == 16 ? MaskedColour(v, 0x7C00, 0x03E0, 0x1F) : v & 0xFFFFFF;
    return MaskedColour(v, word(info + 40), word(info + 44), word(info + 48));
  };
  const int bits = h.biBitCount;
  if (bits <= 8) {
    const int bit = x * bits;
    const uint32_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
    const size_t at = h.biSize + 4 * index;
    EXPECT_LE(at + 4, sizeof(BitmapInfo));
    return at + 4 <= sizeof(BitmapInfo) ? ReadLe32(info + at) & 0xFFFFFF : 0;
  }
  if (bits == 16) return masked(row[2 * x] | row[2 * x + 1] << 8);
  if (bits == 24) return uint32_t{row[3 * x + 2]} << 16 | uint32_t{row[3 * x + 1]} << 8 | row[3 * x];
  return masked(word(row + 4 * x));
}

TEST(ReadBmpImage, EveryClassIsHeldInAFormGdiDrawsAndShowsItsPicture) {
  for (const TBmpClass& c : BitmapClasses()) {
    SCOPED_TRACE(c.Name);
    TDecoded d(c.File);
    ASSERT_EQ(d.Status, kDecodeOk);
    EXPECT_EQ(d.Pic.ColorBits, c.ColorBits);
    EXPECT_TRUE(d.Pic.TextInfo.empty());
    EXPECT_EQ(d.Pic.BitsHandle, nullptr);
    const BitmapInfoHeader& h = d.Pic.Info.bmiHeader;
    EXPECT_EQ(h.biSize, c.HeldSize);
    EXPECT_EQ(h.biWidth, c.Picture.Width);
    EXPECT_EQ(h.biHeight, c.Picture.Height);
    EXPECT_EQ(h.biBitCount, c.HeldBits);
    EXPECT_EQ(h.biCompression, c.HeldCompression);
    EXPECT_EQ(h.biClrUsed, c.HeldClrUsed);

    // Masks at byte 40, the table right after the header, zeros after both.
    const uint8_t* info = InfoBytes(d.Pic);
    for (size_t i = 0; i < c.HeldMasks.size(); ++i) EXPECT_EQ(ReadLe32(info + 40 + 4 * i), c.HeldMasks[i]) << i;
    const size_t tableAt = h.biSize + (h.biSize == 40 ? 4 * c.HeldMasks.size() : 0);
    ASSERT_LE(tableAt + c.HeldTable.size(), sizeof(BitmapInfo));
    EXPECT_EQ(TBytes(info + tableAt, info + tableAt + c.HeldTable.size()), c.HeldTable);
    for (size_t i = tableAt + c.HeldTable.size(); i < sizeof(BitmapInfo); ++i) ASSERT_EQ(info[i], 0) << i;
    if (h.biSize > 40) {
      EXPECT_EQ(std::memcmp(info + 40, c.File.data() + 54, 68), 0) << "a long header is kept whole";
    }

    const uint64_t rows = static_cast<uint64_t>(DibRows(h.biHeight));
    ASSERT_GE(static_cast<uint64_t>(d.Pic.BitsSize), DibStride(h.biWidth, h.biBitCount) * rows);
    EXPECT_LE(h.biSizeImage, static_cast<uint32_t>(d.Pic.BitsSize));
    std::vector<uint32_t> colours;
    for (int32_t y = 0; y < c.Picture.Rows(); ++y)
      for (int32_t x = 0; x < c.Picture.Width; ++x) colours.push_back(HeldColour(d.Pic, x, y));
    EXPECT_EQ(colours, c.Picture.Colours());

    // The file road reads the layout from the file's first 2048 bytes alone.
    TBmpLayout whole, head;
    ASSERT_EQ(ReadBmpLayout(c.File.data(), c.File.size(), c.File.size(), whole), kDecodeOk);
    ASSERT_EQ(ReadBmpLayout(c.File.data(), std::min<size_t>(c.File.size(), 2048), c.File.size(), head), kDecodeOk);
    EXPECT_EQ(std::memcmp(&whole.Info, &head.Info, sizeof(BitmapInfo)), 0);
    EXPECT_EQ(whole.PixelOffset, head.PixelOffset);
    EXPECT_EQ(whole.BlockSize, head.BlockSize);
    if (whole.Pixels == TBmpPixels::Copy) {
      const TBytes filePixels(c.File.begin() + static_cast<ptrdiff_t>(whole.PixelOffset), c.File.end());
      EXPECT_EQ(BlockBytes(d.Pic), filePixels) << "uncompressed pixels are held as they lie in the file";
    }
  }
  EXPECT_TRUE(TTrackedBlocks::Live().empty());
}

TEST(ReadBmpImage, ValidKindsItDoesNotDecodeAreRefusedAsUnknownFormat) {
  for (const auto& [name, file] : RefusedClasses()) {
    SCOPED_TRACE(name);
    TDecodedPicture pic;
    int sentinel = 0;
    pic.Bits = &sentinel;
    EXPECT_EQ(ReadBmpImage(file.data(), file.size(), TTrackedBlocks::Allocator, pic), kDecodeUnknownFormat);
    EXPECT_EQ(pic.Bits, &sentinel);
  }
  EXPECT_TRUE(TTrackedBlocks::Live().empty());
}

TEST(ReadBmpImage, AKeptVersion5HeaderPointsAtNoColourProfile) {
  // An embedded profile lies in the file, not in the held header: GDI must
  // not look for it behind Info.
  TBmpRecipe s;
  s.HeaderSize = 124;
  s.Pixels = PatternBytes(Stride(3, 24) * 2, 4);
  TBytes file = MakeBmp(s);
  Patch32(file, 14 + 56, 0x4D424544);  // embedded
  Patch32(file, 14 + 112, 300);
  Patch32(file, 14 + 116, 64);
  TDecoded d(file);
  ASSERT_EQ(d.Status, kDecodeOk);
  const uint8_t* info = InfoBytes(d.Pic);
  EXPECT_EQ(ReadLe32(info + 56), 0x73524742u) << "sRGB";
  EXPECT_EQ(ReadLe32(info + 112), 0u);
  EXPECT_EQ(ReadLe32(info + 116), 0u);
  EXPECT_EQ(std::memcmp(info + 60, file.data() + 14 + 60, 112 - 60), 0);
}

TEST(ReadBmpImage, HeldImageSizeIsFilledForMasksAndNeverReachesPastTheBlock) {
  struct Case {
    const char* Name;
    uint32_t Compression, SizeImage, Held;
  };
  const uint32_t rows = Stride(3, 32) * 2;
  for (const Case c : {Case{"rgb keeps its 0", kBiRgb, 0, 0},
                       {"rgb keeps a right size", kBiRgb, rows, rows},
                       {"rgb past the block", kBiRgb, 0xFFFFFFF0, rows},
                       {"bitfields get the pixel size", kBiBitfields, 0, rows + 5},
                       {"bitfields past the block", kBiBitfields, rows + 6, rows}}) {
    SCOPED_TRACE(c.Name);
    TBmpRecipe s;
    s.BitCount = 32;
    s.Compression = c.Compression;
    s.SizeImage = c.SizeImage;
    if (c.Compression == kBiBitfields) s.Masks = {0xFF0000, 0xFF00, 0xFF};
    s.Pixels = PatternBytes(rows + (c.Compression == kBiBitfields ? 5 : 0), 6);
    TDecoded d(MakeBmp(s));
    ASSERT_EQ(d.Status, kDecodeOk);
    EXPECT_EQ(d.Pic.Info.bmiHeader.biSizeImage, c.Held);
  }
}

TEST(ReadBmpImage, TopDownPicturesKeepTheirNegativeHeight) {
  TBmpRecipe s;
  s.Height = -2;
  s.Pixels = PatternBytes(Stride(3, 24) * 2, 5);
  const TBytes file = MakeBmp(s);
  TDecoded d(file);
  ASSERT_EQ(d.Status, kDecodeOk);
  EXPECT_EQ(d.Pic.Info.bmiHeader.biHeight, -2);
  EXPECT_EQ(BlockBytes(d.Pic), s.Pixels);
}

TEST(ReadBmpImage, ShortPixelDataIsFilledWithBlack) {
  TBmpRecipe s;  // 3 x 2 at 24 bits: two rows of 12 bytes
  s.Pixels = {1, 2, 3, 4, 5};
  TDecoded d(MakeBmp(s));
  ASSERT_EQ(d.Status, kDecodeOk);
  TBytes want(24, 0);
  std::memcpy(want.data(), s.Pixels.data(), 5);
  EXPECT_EQ(BlockBytes(d.Pic), want);
}

TEST(ReadBmpImage, TrailingBytesAfterThePixelsAreKept) {
  TBmpRecipe s;
  s.Pixels = PatternBytes(Stride(3, 24) * 2 + 6, 9);
  TDecoded d(MakeBmp(s));
  ASSERT_EQ(d.Status, kDecodeOk);
  EXPECT_EQ(BlockBytes(d.Pic), s.Pixels);
}

// 24-bit rows of the expected decoded block, bottom row first; 0 is black and
// any other value the index of a palette entry.
TBytes Expected24(const std::vector<std::vector<int>>& rows, const TBytes& palette) {
  const uint32_t stride = Stride(static_cast<int32_t>(rows[0].size()), 24);
  TBytes out(stride * rows.size(), 0);
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x)
      if (rows[y][x] >= 0) std::memcpy(&out[y * stride + 3 * x], &palette[4 * rows[y][x]], 3);
  return out;
}

TEST(ReadBmpImage, RunLengthPicturesAreHeldAs24Bits) {
  constexpr int _ = -1;  // never reached: black
  struct Case {
    const char* Name;
    uint16_t Bits;
    uint32_t Compression;
    int32_t Width;
    TBytes Data;
    std::vector<std::vector<int>> Rows;  // bottom first
  };
  const Case cases[] = {
      {"rle8 every escape",
       8,
       kBiRle8,
       5,
       {
           3, 1,               // run of three 1s
           0, 3,  5, 6, 7, 0,  // absolute 5 6 7, padded; 7 falls past the edge
           0, 0,               // end of line
           2, 9,               // run of two 9s
           0, 2,  1, 1,        // delta: right 1, up 1
           1, 10,              // one 10
           4, 12,              // four 12s, three past the edge
           0, 0,               // end of line
           0, 1,               // end of bitmap
           5, 11,              // never read
       },
       {{1, 1, 1, 5, 6}, {9, 9, _, _, _}, {_, _, _, 10, 12}, {_, _, _, _, _}}},
      {"rle4 every escape",
       4,
       kBiRle4,
       6,
       {
           5, 0x12,                       // 1 2 1 2 1
           0, 0,                          // end of line
           0, 5,    0x34, 0x56, 0x70, 0,  // absolute 3 4 5 6 7: three bytes, padded
           0, 3,    0x89, 0xA0,           // absolute 8 9 10: two bytes; 9 and 10 past the edge
           0, 0,                          // end of line
           0, 2,    2,    0,              // delta: right 2
           2, 0xBC,                       // 11 12
           0, 1,                          // end of bitmap
       },
       {{1, 2, 1, 2, 1, _}, {3, 4, 5, 6, 7, 8}, {_, _, 11, 12, _, _}}},
      {"rle8 data ending inside an absolute run", 8, kBiRle8, 4, {0, 4, 1, 2}, {{1, 2, _, _}, {_, _, _, _}}},
      {"rle8 data ending inside a delta", 8, kBiRle8, 2, {1, 3, 0, 2, 1}, {{3, _}}},
      {"rle8 without end of bitmap", 8, kBiRle8, 2, {2, 4, 0, 0, 1, 5}, {{4, 4}, {5, _}}},
      {"rle4 run wider than the picture", 4, kBiRle4, 3, {255, 0x21, 0, 0, 1, 0x30}, {{2, 1, 2}, {3, _, _}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TBmpRecipe s;
    s.Width = c.Width;
    s.Height = static_cast<int32_t>(c.Rows.size());
    s.BitCount = c.Bits;
    s.Compression = c.Compression;
    s.Extra = TestPalette(size_t{1} << c.Bits, 4);
    s.Pixels = c.Data;
    TDecoded d(MakeBmp(s));
    ASSERT_EQ(d.Status, kDecodeOk);
    const BitmapInfoHeader& h = d.Pic.Info.bmiHeader;
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression, kBiRgb);
    const uint32_t size = Stride(c.Width, 24) * static_cast<uint32_t>(c.Rows.size());
    EXPECT_EQ(h.biSizeImage, size);
    EXPECT_EQ(static_cast<uint32_t>(d.Pic.BitsSize), size);
    EXPECT_EQ(d.Pic.ColorBits, c.Bits) << "the file's depth is reported";
    EXPECT_EQ(BlockBytes(d.Pic), Expected24(c.Rows, s.Extra));
  }
}

TEST(ReadBmpImage, RunLengthColoursFollowALongHeader) {
  TBmpRecipe s;
  s.HeaderSize = 124;
  s.Width = 2;
  s.Height = 1;
  s.BitCount = 8;
  s.Compression = kBiRle8;
  s.ClrUsed = 4;
  s.Extra = TestPalette(4, 4);
  s.Pixels = {2, 3, 0, 1};
  TDecoded d(MakeBmp(s));
  ASSERT_EQ(d.Status, kDecodeOk);
  EXPECT_EQ(BlockBytes(d.Pic), Expected24({{3, 3}}, s.Extra));
}

TEST(ReadBmpImage, HeadersThatCannotDescribeAPictureAreBroken) {
  struct Case {
    const char* Name;
    TBytes File;
  };
  auto with = [](auto change) {
    TBmpRecipe s;
    s.Pixels = PatternBytes(Stride(3, 24) * 2, 1);
    change(s);
    return MakeBmp(s);
  };
  auto patched = [](TBytes file, size_t at, uint32_t v) {
    Patch32(file, at, v);
    return file;
  };
  const TBytes good = with([](TBmpRecipe&) {});
  const Case cases[] = {
      {"empty", {}},
      {"file header only", TBytes(good.begin(), good.begin() + 14)},
      {"no header size", TBytes(good.begin(), good.begin() + 17)},
      {"header cut short", TBytes(good.begin(), good.begin() + 40)},
      {"not BM", patched(good, 0, 0x4142)},
      {"bits beyond the file", patched(good, 10, static_cast<uint32_t>(good.size()) + 1)},
      {"bits inside the header", patched(good, 10, 14 + 39)},
      {"bits at offset 0", patched(good, 10, 0)},
      {"bits offset near 4 GiB", patched(good, 10, 0xFFFFFFFF)},
      {"header size 0", patched(good, 14, 0)},
      {"header size 14", patched(good, 14, 14)},
      {"header size 100", patched(good, 14, 100)},
      {"header size huge", patched(good, 14, 0xFFFFFFF0)},
      {"os/2 2.x header cut before its depth", patched(good, 14, 15)},
      {"os/2 2.x top-down", with([](TBmpRecipe& s) { s.HeaderSize = 64, s.Height = -2; })},
      {"width 0", with([](TBmpRecipe& s) { s.Width = 0; })},
      {"width negative", with([](TBmpRecipe& s) { s.Width = -3; })},
      {"height 0", with([](TBmpRecipe& s) { s.Height = 0; })},
      {"height INT32_MIN", with([](TBmpRecipe& s) { s.Height = INT32_MIN; })},
      {"depth 0", with([](TBmpRecipe& s) { s.BitCount = 0; })},
      {"depth 3", with([](TBmpRecipe& s) { s.BitCount = 3; })},
      {"depth 48", with([](TBmpRecipe& s) { s.BitCount = 48; })},
      {"rle8 at 4 bits", with([](TBmpRecipe& s) { s.BitCount = 4, s.Compression = kBiRle8; })},
      {"rle4 at 8 bits", with([](TBmpRecipe& s) { s.BitCount = 8, s.Compression = kBiRle4; })},
      {"rle8 top-down", with([](TBmpRecipe& s) { s.BitCount = 8, s.Compression = kBiRle8, s.Height = -2; })},
      {"os/2 width 0", with([](TBmpRecipe& s) { s.HeaderSize = 12, s.Width = 0; })},
      {"os/2 depth 5", with([](TBmpRecipe& s) { s.HeaderSize = 12, s.BitCount = 5; })},
      {"bitfields at 24 bits", with([](TBmpRecipe& s) {
         s.Compression = kBiBitfields, s.Masks = {4, 2, 1};
       })},
      {"bitfields at 8 bits", with([](TBmpRecipe& s) {
         s.BitCount = 8, s.Compression = kBiBitfields, s.Masks = {4, 2, 1};
       })},
      {"bitfields without their masks", with([](TBmpRecipe& s) { s.BitCount = 16, s.Compression = kBiBitfields; })},
      {"rle24 at 8 bits", with([](TBmpRecipe& s) { s.HeaderSize = 64, s.BitCount = 8, s.Compression = kOs2Rle24; })},
      {"rle24 top-down", with([](TBmpRecipe& s) { s.HeaderSize = 64, s.Compression = kOs2Rle24, s.Height = -2; })},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TDecodedPicture pic;
    int sentinel = 0;
    pic.Bits = &sentinel;
    pic.ColorBits = 77;
    EXPECT_EQ(ReadBmpImage(c.File.data(), c.File.size(), TTrackedBlocks::Allocator, pic), kDecodeBrokenData);
    EXPECT_EQ(pic.Bits, &sentinel) << "a refusal leaves the caller's picture alone";
    EXPECT_EQ(pic.ColorBits, 77);
  }
  EXPECT_TRUE(TTrackedBlocks::Live().empty());
}

TEST(ReadBmpImage, BlocksThatCannotBeHadAreRefusedForMemory) {
  TBmpRecipe plain;
  plain.Pixels = PatternBytes(Stride(3, 24) * 2, 1);
  TBmpRecipe rle = plain;
  rle.BitCount = 8;
  rle.Compression = kBiRle8;
  rle.Pixels = {0, 1};
  TBmpRecipe huge = plain;  // 100000 x 100000 at 24 bits: far past 2 GiB
  huge.Width = 100000;
  huge.Height = 100000;
  TBmpRecipe hugeRle = rle;
  hugeRle.Width = 60000;
  hugeRle.Height = 60000;
  struct Case {
    const char* Name;
    TBmpRecipe Recipe;
    TBlockAllocator Alloc;
  };
  const Case cases[] = {
      {"allocator fails", plain, NoBlocks},
      {"allocator fails for rle", rle, NoBlocks},
      {"size past 31 bits", huge, TTrackedBlocks::Allocator},
      {"rle size past 31 bits", hugeRle, TTrackedBlocks::Allocator},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const TBytes file = MakeBmp(c.Recipe);
    TDecodedPicture pic;
    EXPECT_EQ(ReadBmpImage(file.data(), file.size(), c.Alloc, pic), kDecodeNoMemory);
    EXPECT_EQ(pic.Bits, nullptr);
  }
  EXPECT_TRUE(TTrackedBlocks::Live().empty());
}

TEST(DecodeRleTo24, RefusesHeadersItCannotDecode) {
  const uint8_t data[] = {0, 1};
  struct Case {
    uint16_t Bits;
    uint32_t Compression;
    int32_t Height;
  };
  for (const Case c : {Case{24, kBiRgb, 1}, {8, kBiRle4, 1}, {4, kBiRle8, 1}, {8, kBiRle8, -1}}) {
    BitmapInfo info{};
    info.bmiHeader = {40, 2, c.Height, 1, c.Bits, c.Compression, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    int32_t size = 0;
    EXPECT_EQ(DecodeRleTo24(info, data, sizeof data, HeapBlocks, bits, size), kDecodeBrokenData);
    EXPECT_EQ(bits, nullptr);
  }
}

}  // namespace
