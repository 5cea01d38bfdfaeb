// Pictures as they look in the real window: shrunk views averaged, pictures
// with alpha over the checkerboard or a plain colour (a PNG through the
// shipped picture plug-in), and turned or mirrored pictures of every depth.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "companion_test_util.h"
#include "image/img.h"
#include "image/pixel_rows.h"
#include "image/random_dib.h"
#include "image/shrink_cache.h"
#include "image/wallpaper.h"
#include "picture_builders.h"
#include "program_state.h"
#include "app/globals.h"
#include "viewer/info_dialog_win.h"
#include "viewer/navigation.h"
#include "viewer/view_state.h"
#include "viewer_harness.h"
#include "win_test_util.h"

namespace {

class SmoothView : public ViewerWindowTest {
protected:
  void SetUp() override {
    ViewerWindowTest::SetUp();
    state_ = std::make_unique<TProgramState>(window.get());
  }
  void TearDown() override {
    state_.reset();
    ViewerWindowTest::TearDown();
  }

  // The client area as the averaged view of the held picture must show it:
  // the visible part worked out by the pure code, gray around it.
  std::vector<uint32_t> Averaged(int32_t clientW, int32_t clientH) const {
    std::vector<uint32_t> out(static_cast<size_t>(clientW) * clientH, kGray);
    const int32_t w = std::min(Img.DispWidth, clientW), h = std::min(Img.DispHeight, clientH);
    const int bytes = AreaPixelBytes(Img.Info);
    std::vector<uint8_t> part(static_cast<size_t>(w) * h * bytes);
    const TShrinkView view{{&Img.Info, Img.Bits, static_cast<uint64_t>(Img.BitsSize), Img.HasAlpha},
                           Img.Serial, Img.DispWidth, Img.DispHeight, ViewBackground};
    EXPECT_TRUE(ShrinkRect(view, {ScrollX, ScrollY, w, h}, part.data(), w * bytes));
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        const uint8_t* p = &part[(static_cast<size_t>(y) * w + x) * bytes];
        out[static_cast<size_t>(y) * clientW + x] = p[0] | p[1] << 8 | p[2] << 16;
      }
    return out;
  }

  std::unique_ptr<TProgramState> state_;
};

// A 24-bit picture whose pixels alternate black and white.
void InstallCheckerboard(int32_t width, int32_t rows) {
  BitmapInfo info{};
  info.bmiHeader = {40, width, rows, 1, 24, kBiRgb, 0, 0, 0, 0, 0};
  const uint64_t stride = DibStride(width, 24);
  std::vector<uint8_t> bits(static_cast<size_t>(stride * rows), 0);
  for (int32_t y = 0; y < rows; ++y)
    for (int32_t x = 0; x < width; ++x) std::memset(&bits[y * stride + 3 * x], (x + y) % 2 ? 0xFF : 0, 3);
  InstallDib(info, bits);
}

}  // namespace

TEST_F(SmoothView, AOnePixelCheckerboardAtHalfSizeIsFlatMidGrayOrOneColourWithSmoothingOff) {
  SetClientSize(200, 150);
  InstallCheckerboard(600, 400);  // 300 x 200 at 50 %: no margins
  window->SetZoom(50);
  Repaint();
  EXPECT_TRUE(SamePixels(Pixels(), std::vector<uint32_t>(200 * 150, 0x808080), 200));
  window->DoCommand(kCmdSmoothing);
  ASSERT_FALSE(Smoothing);
  Repaint();
  // Every other column and row: all of one colour.
  const std::vector<uint32_t> nearest = Pixels();
  EXPECT_TRUE(SamePixels(nearest, std::vector<uint32_t>(200 * 150, nearest[0]), 200));
  EXPECT_NE(nearest[0], 0x808080u);
  window->DoCommand(kCmdSmoothing);
  Repaint();
  EXPECT_EQ(Pixels()[0], 0x808080u);
}

TEST_F(SmoothView, ShrunkViewsAreAveragedAtEveryZoomAndScrollAndEnlargedOnesAreNot) {
  const int32_t kClientW = 200, kClientH = 150;
  SetClientSize(kClientW, kClientH);
  struct Case {
    TTestPicture Picture;
    int32_t Zoom;  // 0: stretch mode
  };
  for (const Case& c : {Case{{500, 400}, 37}, Case{{500, 400}, 50}, Case{{500, 400, 8}, 66}, Case{{300, 100}, 0},
                        Case{{500, -400}, 37}, Case{{500, 400, 8}, 12}}) {
    SCOPED_TRACE(std::to_string(c.Picture.Width) + "x" + std::to_string(c.Picture.Height) + " at " +
                 std::to_string(c.Zoom));
    InstallTestPicture(c.Picture);
    Stretch = c.Zoom == 0;
    window->SetZoom(c.Zoom == 0 ? 100 : c.Zoom);
    Repaint();
    EXPECT_TRUE(SamePixels(Pixels(), Averaged(kClientW, kClientH), kClientW));
    // Scrolled from the kept tiles, then a whole repaint.
    window->ScrollBy(23, 17);
    EXPECT_TRUE(SamePixels(Pixels(), Averaged(kClientW, kClientH), kClientW)) << "after the scroll";
    Repaint();
    EXPECT_TRUE(SamePixels(Pixels(), Averaged(kClientW, kClientH), kClientW)) << "after a repaint";
  }
  // Enlarged, the nearest-neighbour view as before.
  Stretch = false;
  InstallTestPicture({90, 70});
  window->SetZoom(200);
  Repaint();
  EXPECT_TRUE(SamePixels(Pixels(), ExpectedView(TTestPicture{90, 70}, {180, 140, 0, 0, kClientW, kClientH}), kClientW));
}

TEST_F(SmoothView, APngWithAlphaIsPaintedOverTheCheckerboardOrTheBackgroundAndKeepsItsPixels) {
  // 40 x 32: the left half clear (with a colour no one should see), the
  // right half opaque blue above and half-covering green below.
  PngRecipe png{40, 32, 8, 6, false, {}, {}, {}};
  for (uint32_t y = 0; y < 32; ++y)
    for (uint32_t x = 0; x < 40; ++x) {
      const bool clear = x < 20, opaque = y < 16;
      const std::vector<uint16_t> rgba = clear ? std::vector<uint16_t>{255, 0, 0, 0}
                                         : opaque ? std::vector<uint16_t>{0, 0, 255, 255}
                                                  : std::vector<uint16_t>{0, 255, 0, 128};
      png.Samples.insert(png.Samples.end(), rgba.begin(), rgba.end());
    }
  TempDir dir;
  state_->AddPlugin(CompanionDll("orvwic"));
  ASSERT_EQ(OpenFile(dir.Write("alpha.png", PngFile(png)), false), 0);
  ASSERT_TRUE(Img.HasAlpha);
  const std::vector<uint8_t> held(static_cast<uint8_t*>(Img.Bits), static_cast<uint8_t*>(Img.Bits) + Img.BitsSize);
  SetClientSize(160, 120);

  // Screen pixel (x, y) of the picture shown at zoom.
  auto expected = [](int32_t zoom, const TBackground& bg, int32_t x, int32_t y) -> uint32_t {
    const int32_t px = x * 100 / zoom, py = y * 100 / zoom;
    const uint32_t under = BackgroundAt(bg, x, y);
    if (px < 20) return under;
    if (py < 16) return 0x0000FF;
    // Green at 128 of 255 over the background, channel by channel.
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
      const uint32_t b = under >> (8 * c) & 0xFF, top = c == 1 ? 255 : 0;
      out |= ((top * 128 + b * 127 + 127) / 255) << (8 * c);
    }
    return out;
  };
  for (const TBackground& bg : {TBackground{}, TBackground{true, 0x30, 0x20, 0x10}}) {
    ViewBackground = bg;
    for (int32_t zoom : {100, 200}) {
      SCOPED_TRACE(std::to_string(zoom) + (bg.Plain ? "% over the colour" : "% over the checkerboard"));
      window->SetZoom(zoom);
      Repaint();
      const std::vector<uint32_t> got = Pixels();
      for (int32_t y = 0; y < 32 * zoom / 100; ++y)
        for (int32_t x = 0; x < 40 * zoom / 100; ++x)
          ASSERT_EQ(got[static_cast<size_t>(y) * 160 + x], expected(zoom, bg, x, y)) << x << "," << y;
    }
    // Shrunk: averaged premultiplied, then over the background.
    window->SetZoom(50);
    Repaint();
    EXPECT_TRUE(SamePixels(Pixels(), Averaged(160, 120), 160));
    EXPECT_EQ(Pixels()[0], bg.Plain ? 0x102030u : 0xCCCCCCu);
  }
  EXPECT_EQ(std::memcmp(Img.Bits, held.data(), held.size()), 0) << "the held block never changes";
}

namespace {

class TurnedPicture : public SmoothView {};

// What the shown pixel at (x, y) of the turned picture was in the original.
void Origin(int turnId, int32_t w, int32_t h, int32_t x, int32_t y, int32_t& sx, int32_t& sy) {
  sx = turnId == kCmdRotateRight ? y : turnId == kCmdRotateLeft ? w - 1 - y : w - 1 - x;
  sy = turnId == kCmdRotateRight ? h - 1 - x : turnId == kCmdRotateLeft ? x : y;
}

}  // namespace

TEST_F(TurnedPicture, EveryDepthTurnsWithItsTitleItsPixelsAndTheWindowFitted) {
  std::mt19937 rng(2212);
  const int32_t w = 300, h = 180;
  for (TDibKind kind : {TDibKind::Pal1, TDibKind::Pal2, TDibKind::Pal4, TDibKind::Pal8, TDibKind::Rgb555,
                        TDibKind::Bf565, TDibKind::Bgr24, TDibKind::Plain32, TDibKind::Alpha32, TDibKind::Bf32Wide})
    for (bool topDown : {false, true}) {
      SCOPED_TRACE(std::string(DibKindName(kind)) + (topDown ? " top-down" : ""));
      const TRandomDib d = MakeRandomDib(kind, w, h, topDown, rng);
      for (int id : {kCmdRotateRight, kCmdRotateLeft, kCmdFlipHorizontal}) {
        InstallDib(d.Info, d.Bits);
        window->SetZoom(100);
        const bool dialog = kind == TDibKind::Bgr24 && !topDown;
        if (dialog) OpenInfoDialog(Hwnd());
        window->DoCommand(id);
        const bool quarter = id != kCmdFlipHorizontal;
        const int32_t tw = quarter ? h : w, th = quarter ? w : h;
        const std::string bits = std::to_string(DibKindBits(kind));
        EXPECT_EQ(Title(), "test.bmp (" + std::to_string(tw) + "x" + std::to_string(th) + "x" + bits + ") 100% - Orv");
        if (dialog) {
          char values[1024] = {};
          GetDlgItemTextA(InfoDialog, kInfoValues, values, sizeof values);
          EXPECT_NE(std::string(values).find(std::to_string(tw) + "x" + std::to_string(th)), std::string::npos) << values;
          DestroyWindow(InfoDialog);
        }
        int32_t cw, ch;
        ClientSize(cw, ch);
        EXPECT_EQ(cw, tw) << "fitted";
        EXPECT_EQ(ch, th) << "fitted";
        for (int32_t y = 0; y < th; ++y)
          for (int32_t x = 0; x < tw; ++x) {
            int32_t sx, sy;
            Origin(id, w, h, x, y, sx, sy);
            ASSERT_EQ(RawPixel(Img.Info, static_cast<const uint8_t*>(Img.Bits), x, y),
                      RawPixel(d.Info, d.Bits.data(), sx, sy))
                << id << " at " << x << "," << y;
          }
        // What the window shows, where the colour is the picture's own.
        if (kind == TDibKind::Bgr24 || kind == TDibKind::Pal8) {
          Repaint();
          auto colour = [&](int32_t x, int32_t y) {
            int32_t sx, sy;
            Origin(id, w, h, x, y, sx, sy);
            const auto& t = d.At(sx, sy);
            return static_cast<uint32_t>(t[2]) << 16 | t[1] << 8 | t[0];
          };
          EXPECT_TRUE(SamePixels(Pixels(), ExpectedView(colour, tw, th, {tw, th, 0, 0, cw, ch}), cw));
        }
        // The wallpaper is written from the turned picture.
        const TWallpaperFile file = WallpaperFile(Img.Info, Img.BitsSize);
        EXPECT_EQ(static_cast<int32_t>(ReadLe32(&file.Head[18])), tw);
        EXPECT_EQ(static_cast<int32_t>(ReadLe32(&file.Head[22])), topDown ? -th : th);
      }
      InstallDib(d.Info, d.Bits);
      for (int i = 0; i < 4; ++i) window->DoCommand(kCmdRotateRight);
      ASSERT_EQ(Img.BitsSize, static_cast<int32_t>(d.Bits.size()));
      EXPECT_EQ(std::memcmp(Img.Bits, d.Bits.data(), d.Bits.size()), 0) << "four quarter turns";
    }
}

TEST_F(TurnedPicture, ARunLengthPictureIsDecodedFirstAndTheNextPictureArrivesUnturned) {
  // 4 x 2 in RLE8: the bottom row index 1, the top row index 2.
  BitmapInfo info{};
  info.bmiHeader = {40, 4, 2, 1, 8, kBiRle8, 0, 0, 0, 0, 3};
  info.bmiColors[1] = {0x11, 0x22, 0x33, 0};
  info.bmiColors[2] = {0x44, 0x55, 0x66, 0};
  InstallDib(info, {4, 1, 0, 0, 4, 2, 0, 1});
  window->DoCommand(kCmdRotateLeft);
  ASSERT_EQ(Img.Info.bmiHeader.biBitCount, 24);
  EXPECT_EQ(Img.Width, 2);
  EXPECT_EQ(Img.Height, 4);
  // Turned left, the top row becomes the left column.
  EXPECT_EQ(RawPixel(Img.Info, static_cast<const uint8_t*>(Img.Bits), 0, 0), 0x665544u);
  EXPECT_EQ(RawPixel(Img.Info, static_cast<const uint8_t*>(Img.Bits), 1, 3), 0x332211u);
  InstallTestPicture({60, 40});
  EXPECT_EQ(Img.Width, 60);
  EXPECT_EQ(Img.Height, 40);
}
