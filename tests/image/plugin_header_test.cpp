// The header blocks plug-ins return, read under the bitmap reader's rules,
// and run-length data far longer than their picture.
#include <gtest/gtest.h>

#include <cstring>

#include "bmp_classes.h"
#include "image/bmp_reader.h"
#include "test_alloc.h"

namespace {

// A plug-in's two blocks, cut from a bitmap file: the header block (header,
// masks, table) and the pixels.
struct TPluginBlocks {
  TBytes Header, Bits;
};

TPluginBlocks BlocksOf(const TBmpRecipe& r) {
  const TBytes file = MakeBmp(r);
  const size_t off = ReadLe32(file.data() + 10);
  return {TBytes(file.begin() + 14, file.begin() + static_cast<ptrdiff_t>(off)),
          TBytes(file.begin() + static_cast<ptrdiff_t>(off), file.end())};
}

TBmpRecipe Recipe(uint32_t headerSize, uint16_t bits, size_t entries, uint32_t clrUsed = 0) {
  TBmpRecipe r;
  r.HeaderSize = headerSize;
  r.Width = 3;
  r.Height = 2;
  r.BitCount = bits;
  r.ClrUsed = clrUsed;
  r.Extra = TestPalette(entries, headerSize == 12 ? 3 : 4);
  r.Pixels = PatternBytes(static_cast<size_t>((3 * bits + 31) / 32 * 4 * 2), bits);
  return r;
}

TEST(ReadPluginLayout, EveryHeaderIsHeldAsTheReaderHoldsItOrRefused) {
  struct Case {
    const char* Name;
    TPluginBlocks Blocks;
    int Status;
    TBmpPixels Pixels = TBmpPixels::Copy;
    uint32_t HeldSize = 40;
    uint16_t HeldBits = 0;
    uint32_t HeldClrUsed = 0;
  };
  auto with = [](TBmpRecipe r, auto change) {
    change(r);
    return BlocksOf(r);
  };
  auto cut = [](TPluginBlocks b, size_t headerBytes, size_t bitsBytes) {
    b.Header.resize(headerBytes);
    b.Bits.resize(bitsBytes);
    return b;
  };
  auto sized = [](TPluginBlocks b, uint32_t biSize) {
    Patch32(b.Header, 0, biSize);
    return b;
  };
  const TBmpRecipe rgb24 = Recipe(40, 24, 0);
  const Case cases[] = {
      {"V5 with 256 colours: cut to 40 bytes, the whole table kept", BlocksOf(Recipe(124, 8, 256)), kDecodeOk,
       TBmpPixels::Copy, 40, 8},
      {"V5 with 16 colours kept whole", BlocksOf(Recipe(124, 8, 16, 16)), kDecodeOk, TBmpPixels::Copy, 124, 8, 16},
      {"core header", BlocksOf(Recipe(12, 8, 256)), kDecodeOk, TBmpPixels::Copy, 40, 8},
      {"biClrUsed 100000", BlocksOf(Recipe(40, 8, 256, 100000)), kDecodeOk, TBmpPixels::Copy, 40, 8, 256},
      {"32 bits with alpha stay BI_RGB", BlocksOf(Recipe(40, 32, 0)), kDecodeOk, TBmpPixels::Copy, 40, 32},
      {"bit fields 2-3-1 are read out", with(Recipe(40, 16, 0), [](TBmpRecipe& r) {
         r.Compression = kBiBitfields, r.Masks = {0x30, 0xE, 0x1};
       }), kDecodeOk, TBmpPixels::Masks, 40, 24},
      {"run-length data are decoded", with(Recipe(40, 8, 256), [](TBmpRecipe& r) {
         r.Compression = kBiRle8, r.Pixels = {0, 1};
       }), kDecodeOk, TBmpPixels::RunLength, 40, 8},
      {"2 bits are widened", BlocksOf(Recipe(40, 2, 4)), kDecodeOk, TBmpPixels::TwoBits, 40, 4, 4},
      {"biSize 0x7FFFFFFF", sized(BlocksOf(rgb24), 0x7FFFFFFF), kDecodeBrokenData},
      {"biSize 100", sized(BlocksOf(rgb24), 100), kDecodeBrokenData},
      {"biSize 0", sized(BlocksOf(rgb24), 0), kDecodeBrokenData},
      {"header block shorter than its header", cut(BlocksOf(rgb24), 39, 24), kDecodeBrokenData},
      {"pixel block one byte short", cut(BlocksOf(rgb24), 40, 23), kDecodeBrokenData},
      {"2-bit pixel block short", cut(BlocksOf(Recipe(40, 2, 4)), 56, 7), kDecodeBrokenData},
      {"huge picture, small block", with(rgb24, [](TBmpRecipe& r) { r.Width = r.Height = 100000; }),
       kDecodeBrokenData},
      {"embedded JPEG", with(rgb24, [](TBmpRecipe& r) { r.Compression = kBiJpeg, r.BitCount = 0; }),
       kDecodeUnknownFormat},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TBmpLayout layout;
    layout.ColorBits = 77;
    ASSERT_EQ(ReadPluginLayout(c.Blocks.Header.data(), c.Blocks.Header.size(), c.Blocks.Bits.size(), layout),
              c.Status);
    if (c.Status != kDecodeOk) {
      EXPECT_EQ(layout.ColorBits, 77) << "a refusal leaves the layout alone";
      continue;
    }
    EXPECT_EQ(layout.Pixels, c.Pixels);
    const BitmapInfoHeader& h = layout.Info.bmiHeader;
    EXPECT_EQ(h.biSize, c.HeldSize);
    EXPECT_EQ(h.biBitCount, c.HeldBits);
    EXPECT_EQ(h.biClrUsed, c.HeldClrUsed);
    EXPECT_EQ(h.biWidth, 3);
    // The table the held header points GDI at lies inside the held block, and
    // holds the plug-in's entries.
    const uint32_t entries = h.biBitCount <= 8 ? (h.biClrUsed ? h.biClrUsed : 1u << h.biBitCount) : 0;
    ASSERT_LE(h.biSize + 4 * entries, sizeof(BitmapInfo));
    if (c.Pixels == TBmpPixels::Copy) {
      EXPECT_EQ(layout.BlockSize, c.Blocks.Bits.size());
      if (entries) {
        EXPECT_EQ(DibColor(layout.Info, entries - 1).rgbRed, static_cast<uint8_t>(0x80 + 3 * (entries - 1)));
      }
    }
  }
}

TEST(DecodeRleTo24, RunsPastTheRightEdgeCostNothingPerPixel) {
  // 64 MB of 255-pixel runs beside a 1 x 1 picture: 8.5 billion pixels if
  // each were stepped over, which took minutes.
  TBmpRecipe r = Recipe(40, 8, 256);
  r.Width = r.Height = 1;
  r.Compression = kBiRle8;
  r.Pixels.assign(64u << 20, 255);
  r.Pixels[1] = 7;  // the first run: colour 7, the rest colour 255 past the edge
  const TBytes file = MakeBmp(r);
  TDecodedPicture pic;
  ASSERT_EQ(ReadBmpImage(file.data(), file.size(), TTrackedBlocks::Allocator, pic), kDecodeOk);
  const uint8_t* px = static_cast<const uint8_t*>(pic.Bits);
  EXPECT_EQ(px[2], 0x80 + 3 * 7);
  TTrackedBlocks::Free(pic.Bits);
}

}  // namespace
