#include "image/format_desc.h"

#include <gtest/gtest.h>

#include "bmp_builder.h"

namespace {

TBytes Bmp(uint32_t headerSize, int32_t height, uint32_t compression, TBytes masks = {}) {
  TBmpRecipe s;
  s.HeaderSize = headerSize;
  s.Height = height;
  s.Compression = compression;
  s.Extra = std::move(masks);
  return MakeBmp(s);
}

TBytes Masks(uint32_t r, uint32_t g, uint32_t b) {
  TBytes m;
  Put32(m, r);
  Put32(m, g);
  Put32(m, b);
  return m;
}

TBytes Text(const std::string& s) { return TBytes(s.begin(), s.end()); }

TBytes Png(uint8_t colourType, uint8_t interlace) {
  TBytes p = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0, 1, 0, 0, 0, 1, 8};
  p.push_back(colourType);
  p.push_back(0);
  p.push_back(0);
  p.push_back(interlace);
  return p;
}

TBytes Jpeg(const char* marker) {
  TBytes j = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16};
  for (int i = 0; i < 4; ++i) j.push_back(static_cast<uint8_t>(marker[i]));
  j.push_back(0);
  return j;
}

TBytes Cut(TBytes b, size_t n) {
  b.resize(n);
  return b;
}

TEST(DescribeFormat, NamesTheFormatFromTheFirstBytes) {
  struct Case {
    const char* Name;
    TBytes File;
    std::string Want;
  };
  const Case cases[] = {
      {"bmp rgb", Bmp(40, 2, 0), "Windows Bitmap - RGB"},
      {"bmp rgb top-down", Bmp(40, -2, 0), "Windows Bitmap - RGB (topdown)"},
      {"bmp rle8", Bmp(40, 2, 1), "Windows Bitmap - RLE8"},
      {"bmp rle4", Bmp(40, 2, 2), "Windows Bitmap - RLE4"},
      {"bmp 565", Bmp(40, 2, 3, Masks(0xF800, 0x07E0, 0x001F)), "Windows Bitmap - BITFIELDS (565)"},
      {"bmp 888 top-down", Bmp(40, -2, 3, Masks(0xFF0000, 0xFF00, 0xFF)), "Windows Bitmap - BITFIELDS (888) (topdown)"},
      {"bmp other compression", Bmp(40, 2, 4), "Windows Bitmap - unknown"},
      {"bmp v5 header", Bmp(124, 2, 0), ""},
      {"os/2", Bmp(12, 2, 0), "OS/2 Bitmap"},
      {"gif87a", Text("GIF87a\x01\x02"), "GIF87a"},
      {"gif89a", Text("GIF89a"), "GIF89a"},
      {"gif signature with a zero", TBytes{'G', 'I', 'F', '8', 0, 'a'}, "GIF8"},
      {"jfif", Jpeg("JFIF"), "JPEG - JFIF"},
      {"exif", Jpeg("Exif"), "Exif"},
      {"jpeg without a known marker", Jpeg("XXXX"), ""},
      {"png rgba interlaced", Png(6, 1), "PNG - interlaced (with alpha)"},
      {"png rgb", Png(2, 0), "PNG - non-interlaced"},
      {"png grey with alpha, other interlace", Png(4, 7), "PNG (with alpha)"},
      {"unknown", Text("hello world"), ""},
      {"empty", {}, ""},
      // Tests that need bytes past the end do not match; nothing is read there.
      {"bmp without a header size", Cut(Bmp(40, 2, 0), 17), ""},
      {"bmp cut before the compression", Cut(Bmp(40, -2, 0), 30), "Windows Bitmap (topdown)"},
      {"bmp cut before the masks", Cut(Bmp(40, 2, 3, Masks(1, 3, 7)), 60), "Windows Bitmap - BITFIELDS"},
      {"png cut before the header", Cut(Png(6, 1), 8), "PNG"},
      {"jpeg cut before the marker", Cut(Jpeg("JFIF"), 9), ""},
      {"gif cut short", Text("GIF8"), "GIF8"},
      {"one byte", TBytes{'B'}, ""},
  };
  for (const Case& c : cases) {
    // An exactly sized heap copy so that the sanitizer sees a read past it.
    const TBytes file = c.File;
    EXPECT_EQ(DescribeFormat(file.data(), file.size()), c.Want) << c.Name;
  }
  EXPECT_EQ(DescribeFormat(nullptr, 0), "");
}

TEST(NormalizeLineBreaks, MakesEveryBreakCrLf) {
  const std::pair<std::string, std::string> cases[] = {
      {"a\nb", "a\r\nb"}, {"a\rb", "a\r\nb"}, {"a\r\nb", "a\r\nb"}, {"\n\n", "\r\n\r\n"},         {"a\r\r", "a\r\n\r"},
      {"\r", "\r"},       {"", ""},           {"plain", "plain"},   {"\r\r\n\n", "\r\n\r\n\r\n"},
  };
  for (const auto& [in, want] : cases) EXPECT_EQ(NormalizeLineBreaks(in), want) << testing::PrintToString(in);
}

TEST(CountBits, CountsEveryOneBit) {
  const std::pair<uint32_t, int> cases[] = {
      {0, 0},      {1, 1},        {3, 2},          {0xF800, 5},      {0x07E0, 6},
      {0x001F, 5}, {0xFF0000, 8}, {0x80000000, 1}, {0xFFFFFFFF, 32}, {0x7FFFFFFF, 31},
  };
  for (const auto& [value, want] : cases) EXPECT_EQ(CountBits(value), want) << std::hex << value;
}

}  // namespace
