#include "image/img.h"

#include <gtest/gtest.h>

#include "bmp_builder.h"
#include "image/bmp_reader.h"
#include "test_alloc.h"

namespace {

struct TLoaded {
  TBytes File;
  TDecodedPicture Pic;
};

TLoaded Decode(int32_t width, int32_t height) {
  TBmpRecipe s;
  s.Width = width;
  s.Height = height;
  s.Pixels = PatternBytes(static_cast<size_t>(DibStride(width, 24) * DibRows(height)), 3);
  TLoaded l{MakeBmp(s), {}};
  EXPECT_EQ(ReadBmpImage(l.File.data(), l.File.size(), TTrackedBlocks::Allocator, l.Pic), kDecodeOk);
  return l;
}

TEST(InstallImg, TakesTheDecodedPictureAndDescribesIt) {
  TLoaded l = Decode(30, -20);
  l.Pic.TextInfo = "line\nnext";
  TImg img;
  img.FileName = "kept.bmp";
  InstallImg(img, l.Pic, l.File.data(), l.File.size());
  EXPECT_EQ(img.Loaded, 1);
  EXPECT_EQ(img.Bits, l.Pic.Bits);
  EXPECT_EQ(img.BitsHandle, nullptr);
  EXPECT_EQ(img.BitsSize, l.Pic.BitsSize);
  EXPECT_EQ(img.ColorBits, 24);
  EXPECT_EQ(img.Width, 30);
  EXPECT_EQ(img.Height, -20) << "held with the header's sign";
  EXPECT_EQ(img.Zoom, 100);
  EXPECT_EQ(img.DispWidth, 30);
  EXPECT_EQ(img.DispHeight, 20) << "shown upright at its row count";
  EXPECT_EQ(img.TextInfo, "line\r\nnext");
  EXPECT_EQ(img.FormatText, "Windows Bitmap - RGB (topdown)");
  EXPECT_EQ(img.FileName, "kept.bmp") << "the loader's to set";
  EXPECT_EQ(std::memcmp(&img.Info, &l.Pic.Info, sizeof img.Info), 0);
  TTrackedBlocks::Free(img.Bits);
}

TEST(InstallImg, KeepsTheZoomOfThePreviousPicture) {
  struct Case {
    int32_t Zoom, Width, Height, DispW, DispH;
  };
  for (const Case c : {Case{0, 10, 7, 10, 7}, {150, 10, 7, 15, 10}, {37, 10, -7, 3, 2}, {300, 3, 1, 9, 3}}) {
    TLoaded l = Decode(c.Width, c.Height);
    TImg img;
    img.Zoom = c.Zoom;
    InstallImg(img, l.Pic, l.File.data(), l.File.size());
    EXPECT_EQ(img.DispWidth, c.DispW) << c.Zoom;
    EXPECT_EQ(img.DispHeight, c.DispH) << c.Zoom;
    TTrackedBlocks::Free(img.Bits);
  }
}

TEST(SetImgDispSize, HoldsHugeProductsInRange) {
  TImg img;
  img.Width = INT32_MAX;
  img.Height = INT32_MIN + 1;
  img.Zoom = 1600;
  SetImgDispSize(img);
  EXPECT_EQ(img.DispWidth, INT32_MAX);
  EXPECT_EQ(img.DispHeight, INT32_MAX);
}

TEST(ClearImg, ForgetsTheBlockAndTheDecoderTextsOnly) {
  TImg img;
  int block = 0;
  img.Loaded = 1;
  img.Bits = &block;
  img.BitsHandle = &block;
  img.Width = 5;
  img.Zoom = 200;
  img.FileName = "a.bmp";
  img.FormatText = "Windows Bitmap - RGB";
  img.PluginDesc = "desc";
  img.PluginPath = "path";
  img.TextInfo = "text";
  ClearImg(img);
  EXPECT_EQ(img.Loaded, 0);
  EXPECT_EQ(img.Bits, nullptr);
  EXPECT_EQ(img.BitsHandle, nullptr);
  EXPECT_TRUE(img.PluginDesc.empty() && img.PluginPath.empty() && img.TextInfo.empty());
  EXPECT_EQ(img.Width, 5);
  EXPECT_EQ(img.Zoom, 200);
  EXPECT_EQ(img.FileName, "a.bmp");
  EXPECT_EQ(img.FormatText, "Windows Bitmap - RGB");
}

}  // namespace
