#pragma once
// The real main window on the test display, set up as start-up sets it up,
// with pictures made in the test installed into Img as the loader installs
// them, and the view the window must show worked out independently.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "image/dib_types.h"
#include "viewer/main_window.h"

constexpr uint32_t kGray = 0x808080;  // the stock gray brush

struct TTestPicture {
  int32_t Width;
  int32_t Height;     // negative: rows stored top-down
  int BitCount = 24;  // 24, or 8 with a colour table
};

// The colour (0xRRGGBB) of pixel (x, y), y counted from the picture's top:
// with 24 bits every pixel differs, with 8 bits every pixel from its
// neighbours; none is the margins' gray.
uint32_t PictureColour(const TTestPicture& p, int32_t x, int32_t y);

// FreeImg, then InstallImg of a pixel block from the program's allocator.
void InstallTestPicture(const TTestPicture& p, const std::string& fileName = "D:\\pics\\test.bmp");
// The same for any header and pixels, copied into such a block; the depth
// reported is the header's.
void InstallDib(const BitmapInfo& info, const std::vector<uint8_t>& bits,
                const std::string& fileName = "D:\\pics\\test.bmp");

// What the client area shows for a view of the picture: the displayed size,
// the scroll offsets, the client size and the picture's origin in it. Zoomed
// column x samples source column trunc(x * width / dispW) and zoomed row r,
// counted from the bottom, source row trunc(r * rows / dispH) from the
// bottom, each product rounded to a 64-bit mantissa before the truncation
// (formed in the x87 unit by the tests' own ExtendedTruncProduct, never by
// the program's arithmetic under test); gray elsewhere.
struct TViewFacts {
  int32_t DispW, DispH, ScrollX, ScrollY, ClientW, ClientH;
  int32_t OriginX = 0, OriginY = 0;
};
std::vector<uint32_t> ExpectedView(const TTestPicture& p, const TViewFacts& v);
// The same for any picture of width x rows pixels, given the colour of each
// pixel (x, y), y counted from the top.
std::vector<uint32_t> ExpectedView(const std::function<uint32_t(int32_t, int32_t)>& colour, int32_t width, int32_t rows,
                                   const TViewFacts& v);

// Equal pixel by pixel; else the count of differences and the first of them.
::testing::AssertionResult SamePixels(const std::vector<uint32_t>& got, const std::vector<uint32_t>& want,
                                      int32_t width);

class ViewerWindowTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  HWND Hwnd() const { return window->Handle; }
  // Sizes the window so that its client area is exactly width x height.
  void SetClientSize(int32_t width, int32_t height);
  void ClientSize(int32_t& width, int32_t& height) const;
  // Invalidates the whole client area without erasing and paints at once.
  void Repaint();
  std::vector<uint32_t> Pixels() const;
  std::string Title() const;

  std::unique_ptr<TMainWindow> window;
};
