// Codec rows into DIB rows: depths, palettes, byte orders and transparency.
#include "companions/wic/dib_pixels.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Row(PixelLayout layout, const std::vector<uint8_t>& source, uint32_t width,
                         const std::vector<uint32_t>& palette, DibPlan& plan) {
  plan = PlanDib(layout, palette);
  std::vector<uint8_t> row(DibStride(width, plan.Bits), 0xCC);
  ConvertRow(layout, source.data(), width, palette, plan, row.data());
  row.resize(width * plan.Bits / 8);
  return row;
}

}  // namespace

TEST(DibPixels, GreyAndPalettedRowsBecomeEightBitsWithTheirColours) {
  DibPlan plan;
  EXPECT_EQ(Row(PixelLayout::Gray1, {0xA5}, 8, {}, plan), (std::vector<uint8_t>{1, 0, 1, 0, 0, 1, 0, 1}));
  ASSERT_EQ(plan.Palette.size(), 2u);
  EXPECT_EQ(plan.Palette[1].rgbRed, 255);
  EXPECT_EQ(Row(PixelLayout::Gray2, {0x1B}, 4, {}, plan), (std::vector<uint8_t>{0, 1, 2, 3}));
  EXPECT_EQ(plan.Palette[1].rgbGreen, 85);
  EXPECT_EQ(Row(PixelLayout::Gray4, {0x3C, 0xF0}, 3, {}, plan), (std::vector<uint8_t>{3, 12, 15}));
  EXPECT_EQ(plan.Palette[3].rgbBlue, 51);
  // 16-bit samples are little-endian and rounded to the nearest level.
  EXPECT_EQ(Row(PixelLayout::Gray16, {0x00, 0x00, 0x80, 0x80, 0xFF, 0xFF, 0x7F, 0x00}, 4, {}, plan),
            (std::vector<uint8_t>{0, 128, 255, 0}));
  EXPECT_EQ(plan.Bits, 8);
  EXPECT_EQ(plan.Palette.size(), 256u);

  const std::vector<uint32_t> opaque = {0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0};
  EXPECT_EQ(Row(PixelLayout::Indexed2, {0xE4}, 4, opaque, plan), (std::vector<uint8_t>{3, 2, 1, 0}));
  ASSERT_EQ(plan.Palette.size(), 4u);
  EXPECT_EQ(plan.Palette[1].rgbRed, 0x40);
  EXPECT_EQ(plan.Palette[1].rgbGreen, 0x50);
  EXPECT_EQ(plan.Palette[1].rgbBlue, 0x60);
}

TEST(DibPixels, APaletteWithTransparencyGivesThirtyTwoBits) {
  DibPlan plan;
  const std::vector<uint32_t> palette = {0x00112233, 0x80445566};
  // Index 2 lies beyond the palette: transparent black rather than a read past it.
  EXPECT_EQ(Row(PixelLayout::Indexed8, {1, 0, 2}, 3, palette, plan),
            (std::vector<uint8_t>{0x66, 0x55, 0x44, 0x80, 0x33, 0x22, 0x11, 0x00, 0, 0, 0, 0}));
  EXPECT_EQ(plan.Bits, 32);
  EXPECT_TRUE(plan.Palette.empty());
}

TEST(DibPixels, ColourRowsInEveryByteOrder) {
  const struct {
    PixelLayout layout;
    std::vector<uint8_t> source;
    int bits;
    std::vector<uint8_t> row;
  } cases[] = {
      {PixelLayout::Bgr24, {1, 2, 3}, 24, {1, 2, 3}},
      {PixelLayout::Rgb24, {1, 2, 3}, 24, {3, 2, 1}},
      {PixelLayout::Bgr32, {1, 2, 3, 0}, 24, {1, 2, 3}},
      {PixelLayout::Bgra32, {1, 2, 3, 4}, 32, {1, 2, 3, 4}},
      {PixelLayout::Rgba32, {1, 2, 3, 4}, 32, {3, 2, 1, 4}},
      {PixelLayout::Rgb48, {0x00, 0x10, 0x80, 0x80, 0xFF, 0xFF}, 24, {255, 128, 16}},
      {PixelLayout::Rgba64, {0x00, 0x10, 0x80, 0x80, 0xFF, 0xFF, 0x00, 0x00}, 32, {255, 128, 16, 0}},
  };
  for (const auto& c : cases) {
    DibPlan plan;
    EXPECT_EQ(Row(c.layout, c.source, 1, {}, plan), c.row) << static_cast<int>(c.layout);
    EXPECT_EQ(plan.Bits, c.bits) << static_cast<int>(c.layout);
  }
}

TEST(DibPixels, OpaqueThirtyTwoBitBlocksCompactToTwentyFourBits) {
  // Three pixels a row leave padding at 24 bits.
  std::vector<uint8_t> block = {1,  2,  3,  255, 4,  5,  6,  255, 7,  8,  9,  255,
                                11, 12, 13, 255, 14, 15, 16, 255, 17, 18, 19, 255};
  EXPECT_TRUE(AllOpaque(block.data(), 3, 2));
  EXPECT_EQ(Compact32To24(block.data(), 3, 2), 24u);
  block.resize(24);
  EXPECT_EQ(block,
            (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0}));
  std::vector<uint8_t> seeThrough = {1, 2, 3, 255, 4, 5, 6, 254};
  EXPECT_FALSE(AllOpaque(seeThrough.data(), 2, 1));
}

TEST(DibPixels, DecodeSizesHoldForTheWidestPicturesAndRefuseLarger) {
  constexpr uint32_t kWide = (1u << 27) + 8;  // 32 bits a pixel overflow a 32-bit row count here
  constexpr size_t kStrip = 1 << 20;
  const struct {
    uint32_t width, height;
    int sourceBits, dibBits;
    bool fits;
    size_t sourceStride, stride, block;
    uint32_t stripRows;
  } cases[] = {
      {kWide, 1, 32, 32, true, 536870944, 536870944, 536870944, 1},
      {kWide, 1, 24, 24, true, 402653208, 402653208, 402653208, 1},
      {kWide, 1, 64, 32, true, 1073741888, 536870944, 536870944, 1},
      // Two bytes a pixel make a row of 2^29 bytes, never one of none.
      {1u << 28, 1, 16, 8, true, 1u << 29, 1u << 28, 1u << 28, 1},
      {1u << 28, 1, 64, 32, true, 1u << 31, 1u << 30, 1u << 30, 1},
      {1, 1u << 28, 24, 24, true, 4, 4, 1u << 30, kStrip / 4},
      {1u << 14, 1u << 14, 32, 32, true, 1u << 16, 1u << 16, 1u << 30, 16},
      {3, 5, 1, 8, true, 4, 4, 20, 5},
      {(1u << 28) + 1, 1, 8, 8, false, 0, 0, 0, 0},
      {1u << 14, (1u << 14) + 1, 8, 8, false, 0, 0, 0, 0},
      {0xFFFFFFFFu, 0xFFFFFFFFu, 64, 32, false, 0, 0, 0, 0},
      {0, 5, 8, 8, false, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    DecodeSizes sizes;
    ASSERT_EQ(PlanDecodeSizes(c.width, c.height, c.sourceBits, c.dibBits, kStrip, sizes), c.fits) << c.width;
    if (!c.fits) continue;
    EXPECT_EQ(sizes.SourceStride, c.sourceStride) << c.width << "x" << c.height;
    EXPECT_EQ(sizes.Stride, c.stride) << c.width << "x" << c.height;
    EXPECT_EQ(sizes.BlockSize, c.block) << c.width << "x" << c.height;
    EXPECT_EQ(sizes.StripRows, c.stripRows) << c.width << "x" << c.height;
  }
  // The turned block of a tall picture: its rows are as long as the picture was tall.
  size_t turned = 0;
  ASSERT_TRUE(DibBlockSize(1u << 27, 2, 32, turned));
  EXPECT_EQ(turned, size_t{1} << 30);
  EXPECT_FALSE(DibBlockSize(1u << 30, 1, 32, turned));  // a row beyond a 32-bit count
}
