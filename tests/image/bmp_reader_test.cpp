#include "image/bmp_reader.h"

#include <gtest/gtest.h>

#include <cstring>

#include "bmp_builder.h"
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

TEST(ReadBmpImage, UncompressedDepthsAreHeldAsTheyLieInTheFile) {
  struct Case {
    uint16_t Bits;
    int32_t ColorBits;
  };
  for (const Case c : {Case{1, 1}, {4, 4}, {8, 8}, {16, 15}, {24, 24}, {32, 32}}) {
    SCOPED_TRACE(c.Bits);
    TBmpRecipe s;
    s.Width = 3;
    s.Height = 2;
    s.BitCount = c.Bits;
    if (c.Bits <= 8) s.Extra = TestPalette(size_t{1} << c.Bits, 4);
    s.Pixels = PatternBytes(Stride(3, c.Bits) * 2, c.Bits);
    const TBytes file = MakeBmp(s);
    TDecoded d(file);
    ASSERT_EQ(d.Status, kDecodeOk);
    EXPECT_EQ(d.Pic.ColorBits, c.ColorBits);
    EXPECT_TRUE(d.Pic.TextInfo.empty());
    EXPECT_EQ(d.Pic.BitsHandle, nullptr);
    EXPECT_EQ(BlockBytes(d.Pic), s.Pixels);
    EXPECT_EQ(d.Pic.Info.bmiHeader.biSizeImage, 0u) << "uncompressed keeps its 0";
    // The header block is copied as it is and the rest of Info is zero.
    const size_t block = 40 + s.Extra.size();
    EXPECT_EQ(std::memcmp(InfoBytes(d.Pic), file.data() + 14, block), 0);
    for (size_t i = block; i < sizeof(BitmapInfo); ++i) ASSERT_EQ(InfoBytes(d.Pic)[i], 0) << i;
  }
}

TEST(ReadBmpImage, BitfieldsKeepTheirMasksAndReportTheFileDepth) {
  struct Case {
    uint16_t Bits;
    uint32_t R, G, B;
  };
  for (const Case c : {Case{16, 0xF800, 0x07E0, 0x001F}, {32, 0xFF0000, 0xFF00, 0xFF}}) {
    SCOPED_TRACE(c.Bits);
    TBmpRecipe s;
    s.BitCount = c.Bits;
    s.Compression = kBiBitfields;
    Put32(s.Extra, c.R);
    Put32(s.Extra, c.G);
    Put32(s.Extra, c.B);
    s.Pixels = PatternBytes(Stride(3, c.Bits) * 2, 7);
    TDecoded d(MakeBmp(s));
    ASSERT_EQ(d.Status, kDecodeOk);
    EXPECT_EQ(d.Pic.ColorBits, c.Bits);
    uint32_t masks[3];
    std::memcpy(masks, InfoBytes(d.Pic) + 40, sizeof masks);
    EXPECT_EQ(masks[0], c.R);
    EXPECT_EQ(masks[1], c.G);
    EXPECT_EQ(masks[2], c.B);
    EXPECT_EQ(d.Pic.Info.bmiHeader.biCompression, kBiBitfields);
    EXPECT_EQ(d.Pic.Info.bmiHeader.biSizeImage, s.Pixels.size()) << "compressed: filled in";
    EXPECT_EQ(BlockBytes(d.Pic), s.Pixels);
  }
}

TEST(ReadBmpImage, Os2HeadersAreWidenedToInfoHeaders) {
  for (const uint16_t bits : {1, 4, 8, 24}) {
    SCOPED_TRACE(bits);
    TBmpRecipe s;
    s.HeaderSize = 12;
    s.Width = 5;
    s.Height = 3;
    s.BitCount = bits;
    const size_t entries = bits <= 8 ? size_t{1} << bits : 0;
    s.Extra = TestPalette(entries, 3);
    s.Pixels = PatternBytes(Stride(5, bits) * 3, bits);
    TDecoded d(MakeBmp(s));
    ASSERT_EQ(d.Status, kDecodeOk);
    const BitmapInfoHeader& h = d.Pic.Info.bmiHeader;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 5);
    EXPECT_EQ(h.biHeight, 3);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, bits);
    EXPECT_EQ(h.biCompression, 0u);
    EXPECT_EQ(h.biClrUsed, 0u);
    EXPECT_EQ(d.Pic.ColorBits, bits);
    for (size_t i = 0; i < 256; ++i) {
      const RgbQuad& q = d.Pic.Info.bmiColors[i];
      const uint8_t* want = s.Extra.data() + 3 * i;
      if (i < entries) {
        ASSERT_EQ(q.rgbBlue, want[0]) << i;
        ASSERT_EQ(q.rgbGreen, want[1]) << i;
        ASSERT_EQ(q.rgbRed, want[2]) << i;
      } else {
        ASSERT_EQ(q.rgbBlue | q.rgbGreen | q.rgbRed, 0) << i;
      }
      ASSERT_EQ(q.rgbReserved, 0) << i;
    }
    EXPECT_EQ(BlockBytes(d.Pic), s.Pixels);
  }
}

TEST(ReadBmpImage, LongHeadersAreKeptWhole) {
  TBmpRecipe s;
  s.HeaderSize = 124;
  s.BitCount = 8;
  s.ClrUsed = 4;
  s.Extra = TestPalette(4, 4);
  s.Pixels = PatternBytes(Stride(3, 8) * 2, 3);
  const TBytes file = MakeBmp(s);
  TDecoded d(file);
  ASSERT_EQ(d.Status, kDecodeOk);
  EXPECT_EQ(d.Pic.Info.bmiHeader.biSize, 124u);
  EXPECT_EQ(std::memcmp(InfoBytes(d.Pic), file.data() + 14, 124 + 16), 0);
  EXPECT_EQ(DibColor(d.Pic.Info, 3).rgbRed, 0x89) << "the colour table follows the long header";
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
      {"header size 20", patched(good, 14, 20)},
      {"header size 0", patched(good, 14, 0)},
      {"header size huge", patched(good, 14, 0xFFFFFFF0)},
      {"header block over 1064 bytes", with([](TBmpRecipe& s) { s.Extra = TBytes(1064 - 40 + 1, 0); })},
      {"width 0", with([](TBmpRecipe& s) { s.Width = 0; })},
      {"width negative", with([](TBmpRecipe& s) { s.Width = -3; })},
      {"height 0", with([](TBmpRecipe& s) { s.Height = 0; })},
      {"height INT32_MIN", with([](TBmpRecipe& s) { s.Height = INT32_MIN; })},
      {"depth 0", with([](TBmpRecipe& s) { s.BitCount = 0; })},
      {"depth 2", with([](TBmpRecipe& s) { s.BitCount = 2; })},
      {"depth 64", with([](TBmpRecipe& s) { s.BitCount = 64; })},
      {"rle8 at 4 bits", with([](TBmpRecipe& s) { s.BitCount = 4, s.Compression = kBiRle8; })},
      {"rle4 at 8 bits", with([](TBmpRecipe& s) { s.BitCount = 8, s.Compression = kBiRle4; })},
      {"rle8 top-down", with([](TBmpRecipe& s) { s.BitCount = 8, s.Compression = kBiRle8, s.Height = -2; })},
      {"os/2 width 0", with([](TBmpRecipe& s) { s.HeaderSize = 12, s.Width = 0; })},
      {"os/2 depth 2", with([](TBmpRecipe& s) { s.HeaderSize = 12, s.BitCount = 2; })},
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
