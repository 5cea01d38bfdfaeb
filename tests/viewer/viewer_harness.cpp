#include "viewer_harness.h"

#include <algorithm>
#include <cstring>

#include "app/globals.h"
#include "image/block_alloc.h"
#include "image/img.h"
#include "image/scale_reference.h"
#include "viewer/view_state.h"
#include "win_test_util.h"

namespace {

uint32_t PaletteColour(int32_t index) { return static_cast<uint32_t>(index) << 16 | (255u - index) << 8 | 0x21; }

int32_t PaletteIndex(int32_t x, int32_t y) { return (3 * x + 5 * y) & 0xFF; }

}  // namespace

uint32_t PictureColour(const TTestPicture& p, int32_t x, int32_t y) {
  if (p.BitCount == 8) return PaletteColour(PaletteIndex(x, y));
  const uint32_t blue = 0x11 + (x >> 8) + 16 * (y >> 8);
  return static_cast<uint32_t>(x & 0xFF) << 16 | static_cast<uint32_t>(y & 0xFF) << 8 | blue;
}

void InstallTestPicture(const TTestPicture& p, const std::string& fileName) {
  const int32_t rows = p.Height < 0 ? -p.Height : p.Height;
  const uint32_t stride = (p.Width * p.BitCount + 31) / 32 * 4;
  TDecodedPicture pic;
  BitmapInfoHeader& h = pic.Info.bmiHeader;
  h.biSize = 40;
  h.biWidth = p.Width;
  h.biHeight = p.Height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<uint16_t>(p.BitCount);
  if (p.BitCount == 8) {
    h.biClrUsed = 256;
    for (int32_t i = 0; i < 256; ++i) {
      const uint32_t c = PaletteColour(i);
      pic.Info.bmiColors[i] =
          RgbQuad{static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16), 0};
    }
  }
  pic.BitsSize = static_cast<int32_t>(stride * rows);
  pic.Bits = GlobalBlocks.Alloc(static_cast<uint64_t>(pic.BitsSize));
  ASSERT_NE(pic.Bits, nullptr);
  auto* bits = static_cast<uint8_t*>(pic.Bits);
  std::memset(bits, 0xEE, pic.BitsSize);  // row padding that must never show
  for (int32_t y = 0; y < rows; ++y) {
    // Memory row of picture row y (from the top).
    uint8_t* row = bits + static_cast<size_t>(p.Height < 0 ? y : rows - 1 - y) * stride;
    for (int32_t x = 0; x < p.Width; ++x) {
      if (p.BitCount == 8) {
        row[x] = static_cast<uint8_t>(PaletteIndex(x, y));
      } else {
        const uint32_t c = PictureColour(p, x, y);
        row[3 * x] = static_cast<uint8_t>(c);
        row[3 * x + 1] = static_cast<uint8_t>(c >> 8);
        row[3 * x + 2] = static_cast<uint8_t>(c >> 16);
      }
    }
  }
  pic.ColorBits = p.BitCount;
  FreeImg(Img);
  InstallImg(Img, pic, nullptr, 0);
  Img.FileName = fileName;
  ScrollX = ScrollY = 0;
}

std::vector<uint32_t> ExpectedView(const TTestPicture& p, const TViewFacts& v) {
  return ExpectedView([&p](int32_t x, int32_t y) { return PictureColour(p, x, y); }, p.Width,
                      p.Height < 0 ? -p.Height : p.Height, v);
}

std::vector<uint32_t> ExpectedView(const std::function<uint32_t(int32_t, int32_t)>& colour, int32_t width, int32_t rows,
                                   const TViewFacts& v) {
  std::vector<uint32_t> out(static_cast<size_t>(v.ClientW) * v.ClientH, kGray);
  // Every compiler that builds the Windows tests has the x87 unit's long
  // double; without it there is nothing independent to expect.
  if (!ExtendedProductsAvailable()) {
    ADD_FAILURE() << "no 64-bit mantissa products to work out the view with";
    return out;
  }
  const int32_t w = std::min(v.DispW, v.ClientW), h = std::min(v.DispH, v.ClientH);
  const double hScale = static_cast<double>(width) / v.DispW;
  const double vScale = static_cast<double>(rows) / v.DispH;
  for (int32_t cy = 0; cy < h; ++cy) {
    const int32_t fromBottom = v.DispH - 1 - (v.ScrollY + cy);
    const auto sourceFromBottom = static_cast<int32_t>(ExtendedTruncProduct(static_cast<uint32_t>(fromBottom), vScale));
    for (int32_t cx = 0; cx < w; ++cx) {
      const auto col = static_cast<int32_t>(ExtendedTruncProduct(static_cast<uint32_t>(v.ScrollX + cx), hScale));
      const int32_t x = cx + v.OriginX, y = cy + v.OriginY;
      if (x < v.ClientW && y < v.ClientH)
        out[static_cast<size_t>(y) * v.ClientW + x] = colour(col, rows - 1 - sourceFromBottom);
    }
  }
  return out;
}

::testing::AssertionResult SamePixels(const std::vector<uint32_t>& got, const std::vector<uint32_t>& want,
                                      int32_t width) {
  if (got.size() != want.size())
    return ::testing::AssertionFailure() << "size " << got.size() << " instead of " << want.size();
  size_t differ = 0, first = 0;
  for (size_t i = 0; i < got.size(); ++i)
    if (got[i] != want[i] && differ++ == 0) first = i;
  if (differ == 0) return ::testing::AssertionSuccess();
  char text[128];
  snprintf(text, sizeof text, "%zu pixels differ, first at (%d, %d): %06X instead of %06X", differ,
           static_cast<int>(first % width), static_cast<int>(first / width), got[first], want[first]);
  return ::testing::AssertionFailure() << text;
}

void InstallDib(const BitmapInfo& info, const std::vector<uint8_t>& bits, const std::string& fileName) {
  TDecodedPicture pic;
  pic.Info = info;
  pic.BitsSize = static_cast<int32_t>(bits.size());
  pic.Bits = GlobalBlocks.Alloc(bits.size());
  ASSERT_NE(pic.Bits, nullptr);
  std::memcpy(pic.Bits, bits.data(), bits.size());
  pic.ColorBits = info.bmiHeader.biBitCount;
  FreeImg(Img);
  InstallImg(Img, pic, nullptr, 0);
  Img.FileName = fileName;
  ScrollX = ScrollY = 0;
}

void ViewerWindowTest::SetUp() {
  FreeImg(Img);
  Img = TImg{};
  ScrollX = ScrollY = 0;
  Stretch = false;
  Smoothing = true;
  ViewBackground = {};
  CurrentArchive.clear();
  window = CreateMainWindow("Orv");
  ASSERT_NE(window->Handle, nullptr);
  window->Show();
}

void ViewerWindowTest::TearDown() {
  if (window && window->Handle && IsWindow(window->Handle)) SendMessageA(window->Handle, WM_CLOSE, 0, 0);
  // The destroyed window posted its quit message to this thread.
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  window.reset();
  // Each test registers the class afresh for its own window object.
  UnregisterClassA("TOrvClass", GetModuleHandleA(nullptr));
  FreeImg(Img);
  Img = TImg{};
  Stretch = false;
  Smoothing = true;
  ViewBackground = {};
  CurrentArchive.clear();
}

void ViewerWindowTest::SetClientSize(int32_t width, int32_t height) {
  RECT r = {0, 0, width, height};
  AdjustWindowRect(&r, static_cast<DWORD>(GetWindowLongA(Hwnd(), GWL_STYLE)), FALSE);
  window->SetSize(r.right - r.left, r.bottom - r.top);
  int32_t w, h;
  ClientSize(w, h);
  ASSERT_EQ(w, width);
  ASSERT_EQ(h, height);
}

void ViewerWindowTest::ClientSize(int32_t& width, int32_t& height) const {
  RECT r;
  GetClientRect(Hwnd(), &r);
  width = r.right;
  height = r.bottom;
}

void ViewerWindowTest::Repaint() {
  InvalidateRect(Hwnd(), nullptr, FALSE);
  UpdateWindow(Hwnd());
}

std::vector<uint32_t> ViewerWindowTest::Pixels() const {
  int w = 0, h = 0;
  return ReadClientPixels(Hwnd(), w, h);
}

std::string ViewerWindowTest::Title() const {
  char text[256] = {};
  GetWindowTextA(Hwnd(), text, sizeof text);
  return text;
}
