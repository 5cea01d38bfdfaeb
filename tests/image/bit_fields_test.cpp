#include "image/bit_fields.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(BitFields, OnlyTheMaskSetsGdiDrawsAsMeantAreLeftAlone) {
  struct Case {
    uint16_t Bits;
    TPixelMasks Masks;
    bool Gdi;
  };
  const Case cases[] = {
      {16, {0x7C00, 0x03E0, 0x001F, 0}, true},
      {16, {0xF800, 0x07E0, 0x001F, 0}, true},
      {16, {0x7C00, 0x03E0, 0x001F, 0x8000}, true},  // 1-5-5-5: GDI draws the colours, alpha or not
      {16, {0x0030, 0x000E, 0x0001, 0}, false},      // 2-3-1
      {16, {0x8000, 0x7FC0, 0x0030, 0x000F}, false}, // 1-9-2-4
      {16, {0x0F00, 0x00F0, 0x000F, 0xF000}, false}, // 4-4-4-4
      {16, {0x001F, 0x03E0, 0x7C00, 0}, false},      // 5-5-5, blue highest
      {32, {0x00FF0000, 0x0000FF00, 0x000000FF, 0}, true},
      {32, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}, true},
      {32, {0x00FF0000, 0x0000FF00, 0x000000FF, 0x0F000000}, false},
      {32, {0x000000FF, 0x0000FF00, 0x00FF0000, 0}, false},
      {32, {0xFF000000, 0x00FF0000, 0x0000FF00, 0}, false},
      {32, {0x3FF00000, 0x000FFC00, 0x000003FF, 0}, false},
      {24, {0x00FF0000, 0x0000FF00, 0x000000FF, 0}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Bits << " " << std::hex << c.Masks.Red << " " << c.Masks.Green << " "
                                    << c.Masks.Blue << " " << c.Masks.Alpha);
    EXPECT_EQ(GdiDrawsMasks(c.Bits, c.Masks), c.Gdi);
  }
}

TEST(BitFields, FieldsOfAnyWidthBecomeTheRoundedEightBitValue) {
  struct Case {
    uint32_t Pixel, Mask;
    uint8_t Want;  // round(v * 255 / max), worked out by hand
  };
  const Case cases[] = {
      {1, 0x1, 255},          {0, 0x1, 0},           {1, 0x3, 85},          {0x2, 0x3, 170},
      {3 << 1, 0xE, 109},     {3, 0x1F, 25},         {16, 0x1F, 132},       {3 << 20, 0x3FF00000, 1},
      {2, 0x3FF, 0},          {0x3FF, 0x3FF, 255},   {0x1FF << 6, 0x7FC0, 255}, {1 << 6, 0x7FC0, 0},
      {2 << 6, 0x7FC0, 1},    {0xFF00, 0xFF00, 255}, {0x80000000, 0xFFFFFFFF, 128}, {0xFFFFFFFF, 0xFFFFFFFF, 255},
      {0xFFFF, 0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ScaleField(c.Pixel, c.Mask), c.Want) << std::hex << c.Pixel << " " << c.Mask;
}

TEST(BitFields, RowsBecome24BitsOr32WithTheAlphaInTheFourthByte) {
  struct Case {
    const char* Name;
    int32_t Width, Rows;
    uint16_t Bits;
    TPixelMasks Masks;
    std::vector<uint8_t> Data;
    std::vector<uint8_t> Want;
  };
  const Case cases[] = {
      {"4-4-4-4, the last row one pixel short",
       2, 2, 16, {0x0F00, 0x00F0, 0x000F, 0xF000},
       {0x34, 0x12, 0xF0, 0xF0, 0xFF, 0xFF},
       {68, 51, 34, 17, 0, 255, 0, 255, 255, 255, 255, 255, 0, 0, 0, 0}},
      {"2-3-1, rows padded",
       3, 1, 16, {0x0030, 0x000E, 0x0001, 0},
       {0x3F, 0, 0x10, 0, 0x06, 0, 0xEE, 0xEE},
       {255, 255, 255, 0, 0, 85, 0, 109, 0, 0, 0, 0}},
      {"10-10-10-2, no data for the second row",
       1, 2, 32, {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000},
       {0x03, 0xFC, 0x0F, 0x40},
       {1, 255, 0, 85, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<uint8_t> out(c.Want.size(), 0xCC);
    ConvertMaskedRows(c.Data.data(), c.Data.size(), c.Width, c.Rows, c.Bits, c.Masks, out.data());
    EXPECT_EQ(out, c.Want);
  }
}

}  // namespace
