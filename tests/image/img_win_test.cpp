// The Windows side of the held picture: the memory kinds FreeImg releases, and
// what GDI makes of the blocks the pure code produces.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "bmp_builder.h"
#include "image/bmp_file_win.h"
#include "image/bmp_reader.h"
#include "image/img.h"
#include "image/scale_dib.h"
#include "win_test_util.h"

namespace {

TEST(FreeImg, ReleasesTheProgramsGlobalBlock) {
  TBmpRecipe s;
  s.Pixels = PatternBytes(24, 1);
  const TBytes file = MakeBmp(s);
  TDecodedPicture pic;
  ASSERT_EQ(ReadBmpImage(file.data(), file.size(), GlobalBlocks, pic), kDecodeOk);
  // A fixed global block: its handle is its address.
  EXPECT_EQ(GlobalHandle(pic.Bits), pic.Bits);
  EXPECT_GE(GlobalSize(pic.Bits), static_cast<SIZE_T>(pic.BitsSize));
  TImg img;
  InstallImg(img, pic, file.data(), file.size());
  img.PluginDesc = "(Internal DIB to DIB filter)";
  FreeImg(img);
  EXPECT_EQ(img.Loaded, 0);
  EXPECT_EQ(img.Bits, nullptr);
  EXPECT_TRUE(img.PluginDesc.empty());
  EXPECT_EQ(img.Width, 3) << "kept until the next picture";
  FreeImg(img);  // an empty record frees nothing
}

TEST(FreeImg, UnlocksAndFreesAPluginHandle) {
  HLOCAL handle = LocalAlloc(LMEM_MOVEABLE, 64);
  ASSERT_NE(handle, nullptr);
  TImg img;
  img.Loaded = 1;
  img.BitsHandle = handle;
  img.Bits = LocalLock(handle);
  ASSERT_NE(img.Bits, nullptr);
  EXPECT_EQ(LocalFlags(handle) & LMEM_LOCKCOUNT, 1u);
  FreeImg(img);
  EXPECT_EQ(img.Bits, nullptr);
  EXPECT_EQ(img.BitsHandle, nullptr);
  EXPECT_EQ(img.Loaded, 0);
}

// A 32-bit top-down DIB section standing in for the window.
struct TScreen {
  HDC Dc = CreateCompatibleDC(nullptr);
  HBITMAP Bitmap = nullptr;
  HGDIOBJ Old = nullptr;
  uint32_t* Pixels = nullptr;
  int Width, Height;

  TScreen(int w, int h) : Width(w), Height(h) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    Bitmap = CreateDIBSection(Dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    Pixels = static_cast<uint32_t*>(bits);
    Old = SelectObject(Dc, Bitmap);
    std::memset(Pixels, 0x77, static_cast<size_t>(w) * h * 4);
  }
  ~TScreen() {
    SelectObject(Dc, Old);
    DeleteObject(Bitmap);
    DeleteDC(Dc);
  }
  uint32_t At(int x, int y) const { return Pixels[y * Width + x] & 0xFFFFFF; }
};

// Draws as the painter does: the produced rows are the lowest of the block.
void Paint(TScreen& screen, const BitmapInfo& src, const void* bits, uint64_t bitsSize, int zoomW, int zoomH) {
  BitmapInfo out;
  void* outBits = nullptr;
  ASSERT_TRUE(
      ScaleDib(out, outBits, zoomW, zoomH, 0, 0, screen.Width, screen.Height, src, bits, bitsSize, GlobalBlocks));
  const int w = zoomW < screen.Width ? zoomW : screen.Width;
  const int h = zoomH < screen.Height ? zoomH : screen.Height;
  SetDIBitsToDevice(screen.Dc, 0, 0, w, h, 0, 0, 0, screen.Height, outBits, reinterpret_cast<const BITMAPINFO*>(&out),
                    DIB_RGB_COLORS);
  GdiFlush();
  GlobalBlocks.Free(outBits);
}

TEST(ScaleDibOnScreen, TopDownAndBottomUpPicturesBothShowUpright) {
  // 2 x 2, 8 bits: top row colours 1 2, bottom row 3 4.
  const uint32_t colours[] = {0, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};
  for (const bool topDown : {false, true}) {
    SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
    BitmapInfo src{};
    src.bmiHeader = {40, 2, topDown ? -2 : 2, 1, 8, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 5; ++i) std::memcpy(&src.bmiColors[i], &colours[i], 4);
    std::vector<uint8_t> bits =
        topDown ? std::vector<uint8_t>{1, 2, 0, 0, 3, 4, 0, 0} : std::vector<uint8_t>{3, 4, 0, 0, 1, 2, 0, 0};
    TScreen screen(5, 4);
    Paint(screen, src, bits.data(), bits.size(), 4, 4);
    EXPECT_EQ(screen.At(0, 0), colours[1]);
    EXPECT_EQ(screen.At(3, 1), colours[2]);
    EXPECT_EQ(screen.At(1, 2), colours[3]);
    EXPECT_EQ(screen.At(3, 3), colours[4]);
    EXPECT_EQ(screen.At(4, 0), 0x777777u) << "right of the picture stays the background";
  }
}

TEST(DecodeRleTo24, AgreesWithTheScreenBitmapWay) {
  // Every escape, and runs reaching past the right edge, decoded as the
  // platform would: a bitmap made from the run-length data, read back at
  // 24 bits.
  struct Case {
    uint16_t Bits;
    uint32_t Compression;
    TBytes Data;
  };
  const Case cases[] = {
      {8, kBiRle8, {3, 1, 0, 3, 5, 6, 7, 0, 0, 0, 2, 9, 0, 2, 1, 1, 1, 10, 4, 12, 0, 0, 0, 1}},
      {4, kBiRle4, {5, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 0, 0, 2, 2, 0, 2, 0xBC, 7, 0xDE, 0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Bits);
    TBmpRecipe s;
    s.Width = 5;
    s.Height = 4;
    s.BitCount = c.Bits;
    s.Compression = c.Compression;
    s.Extra = TestPalette(size_t{1} << c.Bits, 4);
    s.Pixels = c.Data;
    const TBytes file = MakeBmp(s);
    TDecodedPicture pic;
    ASSERT_EQ(ReadBmpImage(file.data(), file.size(), GlobalBlocks, pic), kDecodeOk);

    BitmapInfo info{};
    std::memcpy(&info, file.data() + 14, 40 + s.Extra.size());
    info.bmiHeader.biSizeImage = static_cast<DWORD>(c.Data.size());  // required when compressed
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBitmap(screen, reinterpret_cast<const BITMAPINFOHEADER*>(&info), CBM_INIT, c.Data.data(),
                                    reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS);
    ASSERT_NE(bitmap, nullptr);
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biBitCount = 24;
    TBytes platform(static_cast<size_t>(pic.BitsSize), 0);
    EXPECT_EQ(GetDIBits(screen, bitmap, 0, 4, platform.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS),
              4);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
    const auto* ours = static_cast<const uint8_t*>(pic.Bits);
    EXPECT_EQ(platform, TBytes(ours, ours + pic.BitsSize));
    GlobalBlocks.Free(pic.Bits);
  }
}

TEST(ReadBmpFile, ReadsThePixelsOrReportsTheReadThatCameUpShort) {
  // A file that is shorter than the size taken when it was opened (it shrank
  // in between): the read that comes up short is an I/O error and nothing is
  // decoded from memory the file did not fill.
  TBmpRecipe s;
  s.Width = 5;
  s.Height = 3;
  s.Pixels = PatternBytes(16 * 3, 8);
  const TBytes bytes = MakeBmp(s);
  TempDir dir;
  const std::string path = dir.Write("a.bmp", std::string(bytes.begin(), bytes.end()));
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  struct Case {
    const char* Name;
    uint64_t Size;
    int32_t Io, Refusal;
  };
  for (const Case c : {Case{"whole", bytes.size(), 0, kDecodeOk},
                       {"shrunk", bytes.size() + 7, ERROR_HANDLE_EOF, kDecodeOk},
                       {"header only", 20, 0, kDecodeBrokenData}}) {
    SCOPED_TRACE(c.Name);
    TDecodedPicture pic;
    int32_t refusal = -1;
    EXPECT_EQ(ReadBmpFile(file, c.Size, bytes.data(), static_cast<size_t>(std::min<uint64_t>(c.Size, bytes.size())),
                          pic, refusal),
              c.Io);
    EXPECT_EQ(refusal, c.Refusal);
    if (c.Io == 0 && c.Refusal == kDecodeOk) {
      ASSERT_NE(pic.Bits, nullptr);
      const auto* held = static_cast<const uint8_t*>(pic.Bits);
      EXPECT_EQ(TBytes(held, held + pic.BitsSize), s.Pixels);
      EXPECT_EQ(GlobalHandle(pic.Bits), pic.Bits) << "a block of the program's kind";
      GlobalBlocks.Free(pic.Bits);
    } else {
      EXPECT_EQ(pic.Bits, nullptr);
    }
  }
  CloseHandle(file);
}

}  // namespace
