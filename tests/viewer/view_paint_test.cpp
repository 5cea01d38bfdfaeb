// The painted client area, pixel by pixel, at every kind of view.
#include <gtest/gtest.h>

#include "image/img.h"
#include "viewer/view_state.h"
#include "viewer_harness.h"

namespace {

struct PaintCase {
  const char* Name;
  TTestPicture Picture;
  int32_t Zoom;  // 0: stretch mode
  int32_t DispW, DispH;
  int32_t Dx, Dy;            // one ScrollBy
  int32_t ScrollX, ScrollY;  // where it must end
};

using PaintTest = ViewerWindowTest;

}  // namespace

TEST_F(PaintTest, EveryZoomPaintsTheNearestNeighbourViewWithGrayMargins) {
  // With smoothing off the shrunk views too are the nearest-neighbour ones,
  // pixel for pixel as they always were.
  Smoothing = false;
  const int32_t kClientW = 200, kClientH = 150;
  const PaintCase cases[] = {
      {"100% direct, margins", {90, 70}, 100, 90, 70, 0, 0, 0, 0},
      {"100% direct, scrolled", {250, 200}, 100, 250, 200, 23, 31, 23, 31},
      {"100% top-down, scrolled", {250, -200}, 100, 250, 200, 41, 7, 41, 7},
      {"100% direct, 8 bits, scrolled to the end", {250, 200, 8}, 100, 250, 200, 999, 999, 50, 50},
      {"200% fits", {90, 70}, 200, 180, 140, 16, 16, 0, 0},
      {"200% scrolled", {130, 90}, 200, 260, 180, 17, 9, 17, 9},
      {"200% top-down, scrolled to the end", {130, -90}, 200, 260, 180, 500, 500, 60, 30},
      {"50%", {250, 200}, 50, 125, 100, 0, 0, 0, 0},
      {"50% scrolled", {500, 400}, 50, 250, 200, 31, 27, 31, 27},
      {"300% scrolled", {90, 70}, 300, 270, 210, 40, 25, 40, 25},
      {"300% 8 bits, top-down", {90, -70, 8}, 300, 270, 210, 0, 16, 0, 16},
      {"1600% odd width", {7, 5}, 1600, 112, 80, 0, 0, 0, 0},
      {"stretch, wide picture", {300, 100}, 0, 200, 66, 0, 0, 0, 0},
      {"stretch, tall picture", {100, 300}, 0, 50, 150, 0, 0, 0, 0},
      {"stretch, top-down", {300, -100}, 0, 200, 66, 0, 0, 0, 0},
  };
  SetClientSize(kClientW, kClientH);
  for (const PaintCase& c : cases) {
    SCOPED_TRACE(c.Name);
    InstallTestPicture(c.Picture);
    Stretch = c.Zoom == 0;
    window->SetZoom(c.Zoom == 0 ? 100 : c.Zoom);
    Repaint();
    EXPECT_EQ(Img.DispWidth, c.DispW);
    EXPECT_EQ(Img.DispHeight, c.DispH);
    TViewFacts view{c.DispW, c.DispH, 0, 0, kClientW, kClientH};
    EXPECT_TRUE(SamePixels(Pixels(), ExpectedView(c.Picture, view), kClientW));
    if (c.Dx == 0 && c.Dy == 0) continue;

    // The moved pixels and the freshly painted strip together, then a whole repaint.
    window->ScrollBy(c.Dx, c.Dy);
    EXPECT_EQ(ScrollX, c.ScrollX);
    EXPECT_EQ(ScrollY, c.ScrollY);
    view.ScrollX = c.ScrollX;
    view.ScrollY = c.ScrollY;
    const std::vector<uint32_t> expected = ExpectedView(c.Picture, view);
    EXPECT_TRUE(SamePixels(Pixels(), expected, kClientW)) << "after the scroll";
    Repaint();
    EXPECT_TRUE(SamePixels(Pixels(), expected, kClientW)) << "after a repaint";
  }
}

TEST_F(PaintTest, WithoutAPictureTheClientAreaIsGray) {
  SetClientSize(200, 150);
  Repaint();
  EXPECT_TRUE(SamePixels(Pixels(), std::vector<uint32_t>(200 * 150, kGray), 200));
  EXPECT_EQ(Title(), "Orv");
}

TEST_F(PaintTest, FullScreenCentresASmallPictureWithGrayOnAllSides) {
  const int32_t screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
  struct Case {
    TTestPicture Picture;
    int32_t Zoom, DispW, DispH;
  };
  // Odd room on both axes: the extra pixel goes to the right and bottom.
  const Case cases[] = {{{101, 51}, 100, 101, 51}, {{33, 17}, 300, 99, 51}};
  InstallTestPicture(cases[0].Picture);
  window->SetFullScreen(true);
  int32_t w, h;
  ClientSize(w, h);
  ASSERT_EQ(w, screenW);
  ASSERT_EQ(h, screenH);
  for (const Case& c : cases) {
    InstallTestPicture(c.Picture);
    window->SetZoom(c.Zoom);
    Repaint();
    TViewFacts view{c.DispW, c.DispH, 0, 0, w, h, (screenW - c.DispW) / 2, (screenH - c.DispH) / 2};
    EXPECT_TRUE(SamePixels(Pixels(), ExpectedView(c.Picture, view), w)) << c.Zoom;
  }
}

TEST_F(PaintTest, ABlockShorterThanItsHeaderIsNeverReadPastItsEnd) {
  // A decoder may report fewer bytes than its header describes; the rows
  // beyond the reported size must not be drawn from memory, even at 100 %.
  SetClientSize(200, 150);
  const TTestPicture picture{90, 70};
  InstallTestPicture(picture);
  const int32_t stride = (90 * 3 + 3) / 4 * 4, heldRows = 30;
  Img.BitsSize = stride * heldRows;  // the bottom 30 rows
  Repaint();
  std::vector<uint32_t> expected = ExpectedView(picture, {90, 70, 0, 0, 200, 150});
  for (int32_t y = 0; y < 70 - heldRows; ++y)
    for (int32_t x = 0; x < 90; ++x) expected[static_cast<size_t>(y) * 200 + x] = 0;
  EXPECT_TRUE(SamePixels(Pixels(), expected, 200));
}

TEST_F(PaintTest, ADepthTheResamplerDoesNotReadShowsGrayNotTheLastView) {
  SetClientSize(120, 90);
  InstallTestPicture({100, 80});
  window->SetZoom(200);
  Repaint();  // fills the kept view block with this picture
  // A plug-in's 2-bit picture: no reader of ours takes that depth.
  Img.Info.bmiHeader.biBitCount = 2;
  Repaint();
  for (uint32_t p : Pixels()) ASSERT_EQ(p, kGray);
}
