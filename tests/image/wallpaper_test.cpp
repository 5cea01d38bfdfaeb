// The bytes of wallpaper.bmp: header sizes by depth, the header written as
// 40 bytes whatever was held, and files the reader opens to the same picture.
#include "image/wallpaper.h"

#include <gtest/gtest.h>

#include <cstring>

#include "wallpaper_check.h"

namespace {

uint32_t Field32(const TBytes& b, size_t at) { return ReadLe32(b.data() + at); }

TEST(WallpaperFile, EveryDepthGivesAFileTheReaderOpensToTheSamePicture) {
  for (const TWallpaperCase& c : WallpaperCases()) {
    SCOPED_TRACE(c.Name);
    TOwnedPicture pic(c.File);
    ASSERT_EQ(pic.Status, kDecodeOk);
    const TBytes file = WallpaperBytes(pic.Pic);
    ASSERT_GE(file.size(), 54u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(Field32(file, 2), file.size()) << "bfSize";
    EXPECT_EQ(Field32(file, 10), c.OffBits) << "bfOffBits";
    EXPECT_EQ(Field32(file, 14), 40u) << "biSize";
    const BitmapInfoHeader& h = pic.Pic.Info.bmiHeader;
    EXPECT_EQ(Field32(file, 34), CaseStride(h.biWidth, h.biBitCount) * DibRows(h.biHeight)) << "biSizeImage";
    EXPECT_EQ(file.size(), c.OffBits + Field32(file, 34));
    EXPECT_TRUE(ReopensAs(file, pic.Pic));
  }
}

TEST(WallpaperFile, LongHeadersAreWrittenAsFortyBytesWithTheirMasksOrColours) {
  TBmpRecipe v5;  // a version 5 header with a short colour table behind it
  v5.HeaderSize = 124;
  v5.BitCount = 8;
  v5.ClrUsed = 4;
  v5.Extra = TestPalette(4, 4);
  v5.Pixels = PatternBytes(CaseStride(3, 8) * 2, 2);
  TBmpRecipe v4;  // a version 4 header: the masks are its own fields at byte 40
  v4.HeaderSize = 108;
  v4.BitCount = 16;
  v4.Compression = kBiBitfields;
  v4.Pixels = PatternBytes(CaseStride(3, 16) * 2, 4);
  TBytes v4File = MakeBmp(v4);
  // 5-6-5, which is held as it is (other masks are read into plain pixels).
  const uint32_t masks[3] = {0xF800u, 0x07E0u, 0x001Fu};
  std::memcpy(v4File.data() + 14 + 40, masks, sizeof masks);
  struct Case {
    const char* Name;
    TBytes File;
    uint32_t OffBits;
  } cases[] = {{"V5, 8 bit", MakeBmp(v5), 1078}, {"V4, 16-bit bitfields", v4File, 66}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TOwnedPicture pic(c.File);
    ASSERT_EQ(pic.Status, kDecodeOk);
    ASSERT_GT(pic.Pic.Info.bmiHeader.biSize, 40u) << "held whole";
    const TBytes file = WallpaperBytes(pic.Pic);
    EXPECT_EQ(Field32(file, 10), c.OffBits);
    EXPECT_TRUE(ReopensAs(file, pic.Pic));
  }
}

TEST(WallpaperFile, PixelsAreTheRowsWhateverTheHeldSizeSays) {
  TBmpRecipe topDown;
  topDown.Height = -2;
  topDown.Pixels = PatternBytes(CaseStride(3, 24) * 2, 6);
  TBmpRecipe understated = topDown;  // a writer's biSizeImage short of its rows
  understated.Height = 2;
  understated.SizeImage = 5;
  TBmpRecipe trailing = understated;  // bytes after the rows, which the reader keeps
  trailing.SizeImage = 0;
  trailing.Pixels = PatternBytes(CaseStride(3, 24) * 2 + 8, 7);
  for (const TBmpRecipe* r : {&topDown, &understated, &trailing}) {
    TOwnedPicture pic(MakeBmp(*r));
    ASSERT_EQ(pic.Status, kDecodeOk);
    const TWallpaperFile file = WallpaperFile(pic.Pic.Info, pic.Pic.BitsSize);
    EXPECT_EQ(file.PixelSize, CaseStride(3, 24) * 2) << r->Height << " " << r->SizeImage;
    EXPECT_TRUE(ReopensAs(WallpaperBytes(pic.Pic), pic.Pic));
  }
}

TEST(WallpaperFile, NeverReadsPastTheBlockAndKeepsCountsInsideTheTable) {
  BitmapInfo info{};
  BitmapInfoHeader& h = info.bmiHeader;
  h.biSize = 40;
  h.biWidth = 100;
  h.biHeight = 100;
  h.biBitCount = 8;
  h.biClrUsed = 300;  // more colours than 8 bits can use
  h.biClrImportant = 300;
  EXPECT_EQ(WallpaperFile(info, 64).PixelSize, 64u) << "rows beyond a short block";
  TWallpaperFile file = WallpaperFile(info, 64);
  EXPECT_EQ(Field32(file.Head, 14 + 32), 0u) << "biClrUsed: the full table that is written";
  EXPECT_EQ(Field32(file.Head, 14 + 36), 0u);

  h.biCompression = kBiRle8;  // compressed data from a plug-in: its own size, at most the block
  h.biSizeImage = 1000;
  EXPECT_EQ(WallpaperFile(info, 64).PixelSize, 64u);
  h.biSizeImage = 40;
  EXPECT_EQ(WallpaperFile(info, 64).PixelSize, 40u);
  h.biSizeImage = 0;
  EXPECT_EQ(WallpaperFile(info, 64).PixelSize, 64u);

  h.biCompression = kBiRgb;
  h.biBitCount = 24;
  h.biClrUsed = 5;  // a table the file does not hold
  file = WallpaperFile(info, 30000);
  EXPECT_EQ(file.Head.size(), 54u);
  EXPECT_EQ(Field32(file.Head, 14 + 32), 0u);
}

TEST(WallpaperFile, APluginsFourMasksAreWrittenAsTheThreeEveryReaderTakes) {
  BitmapInfo info{};
  BitmapInfoHeader& h = info.bmiHeader;
  h.biSize = 40;
  h.biWidth = 2;
  h.biHeight = 2;
  h.biBitCount = 32;
  h.biCompression = kBiAlphaBitfields;
  const uint32_t masks[4] = {0xFF0000u, 0xFF00u, 0xFFu, 0xFF000000u};
  std::memcpy(reinterpret_cast<uint8_t*>(&info) + 40, masks, sizeof masks);
  const TWallpaperFile file = WallpaperFile(info, 16);
  ASSERT_EQ(file.Head.size(), 66u);
  EXPECT_EQ(Field32(file.Head, 10), 66u) << "bfOffBits";
  EXPECT_EQ(Field32(file.Head, 14 + 16), kBiBitfields);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Field32(file.Head, 54 + 4 * i), masks[i]) << i;
  TBytes whole(file.Head.begin(), file.Head.end());
  whole.resize(whole.size() + file.PixelSize, 0x7F);
  TBmpLayout layout;
  EXPECT_EQ(ReadBmpLayout(whole.data(), whole.size(), whole.size(), layout), kDecodeOk);
}

}  // namespace
