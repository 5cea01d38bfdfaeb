#include "viewer/view_geometry.h"

#include <gtest/gtest.h>

#include <vector>

TEST(ZoomSteps, StepToTheNeighbourStepsAndStopAtTheEnds) {
  struct Case {
    int32_t Zoom, Next, Prev;
  };
  const Case cases[] = {
      {1600, 1600, 1200}, {2000, 2000, 1600}, {1599, 1600, 1200}, {12, 25, 12},   {5, 12, 5},
      {1, 12, 1},         {103, 125, 100},    {66, 100, 50},      {100, 125, 66}, {13, 25, 12},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NextZoomStep(c.Zoom), c.Next) << c.Zoom;
    EXPECT_EQ(PrevZoomStep(c.Zoom), c.Prev) << c.Zoom;
  }
}

TEST(ZoomOffsets, CarryTheCornerPointThroughHundredPercentWithTwoTruncations) {
  struct Case {
    int32_t Offset, OldZoom, NewZoom, Expected;
  };
  const Case cases[] = {
      {101, 100, 125, 126},  // 101 * 125 / 100 = 126.25
      {126, 125, 100, 100},  // 100.8 at 100 %
      {7, 300, 100, 2},      // 2.33 at 100 %, then 2
      {7, 300, 600, 12},     // not 14: the offset passes through 100 % first
      {0, 1, 1600, 0},
      // Formed in 64 bits: no wrap-around at huge zooms, held at the int32 end.
      {2000000000, 100, 1000, INT32_MAX},
      {30000000, 1, 1000, 2147483647},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RescaleOffset(c.Offset, c.OldZoom, c.NewZoom), c.Expected) << c.Offset << " " << c.NewZoom;
  EXPECT_EQ(MulDivTrunc(-7, 1, 2), -3) << "truncates toward zero";
  EXPECT_EQ(MulDivTrunc(50000, 50000, 100), 25000000) << "product past 32 bits";
}

TEST(EndClamp, KeepsTheViewInsideTheDisplayedPicture) {
  struct Case {
    int32_t Offset, Displayed, View, Expected;
  };
  const Case cases[] = {
      {50, 100, 100, 0},   // the view holds it all
      {50, 100, 120, 0},   //
      {90, 200, 150, 50},  // pulled back to the far edge
      {50, 200, 150, 50},  // exactly at the edge
      {10, 200, 150, 10},  // inside
      {-5, 200, 150, 0},   // never before the start
      {INT32_MAX, INT32_MAX, 100, INT32_MAX - 100},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ClampOffset(c.Offset, c.Displayed, c.View), c.Expected) << c.Offset << " " << c.View;
}

TEST(ScrollOffsets, MoveInsideTheRoomAndLeaveAnAxisWithoutRoomAlone) {
  struct Case {
    int32_t Offset, Delta, Displayed, View, Expected;
  };
  const Case cases[] = {
      {0, 16, 300, 100, 16},    {0, -16, 300, 100, 0},         {190, 16, 300, 100, 200},
      {150, -300, 300, 100, 0}, {0, 300, 300, 100, 200},       {5, 16, 100, 100, 5},  // no room: unchanged
      {7, -16, 80, 100, 7},     {0, INT32_MAX, 300, 100, 200}, {100, INT32_MIN, 300, 100, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ScrollOffset(c.Offset, c.Delta, c.Displayed, c.View), c.Expected) << c.Offset << " " << c.Delta;
}

TEST(ScrollTopBottom, AlternatesBottomAndTopAndMovesNothingWhenThePictureFits) {
  // A tall picture: bottom first, then top, then bottom again.
  int32_t y = 0;
  std::vector<int32_t> seen;
  for (int i = 0; i < 3; ++i) {
    y = ScrollOffset(y, TopBottomDelta(y, 300, 100), 300, 100);
    seen.push_back(y);
  }
  EXPECT_EQ(seen, (std::vector<int32_t>{200, 0, 200}));
  // Somewhere in the middle it goes to the bottom.
  EXPECT_EQ(TopBottomDelta(120, 300, 100), 300);
  // A picture that fits vertically stays where it is.
  EXPECT_EQ(ScrollOffset(0, TopBottomDelta(0, 80, 100), 80, 100), 0);
}

TEST(StretchFit, FitsTheWholePictureKeepingItsAspect) {
  struct Case {
    int32_t Width, Rows, ViewW, ViewH, ExpW, ExpH;
  };
  const Case cases[] = {
      {400, 300, 500, 500, 500, 375},              // wider than the view: fills the width
      {400, 300, 800, 600, 800, 600},              // equal ratios fill the height
      {300, 400, 500, 500, 375, 500},              // taller: fills the height
      {3, 2, 100, 100, 100, 66},                   // truncated, never rounded up
      {1, 1, 0, 0, 0, 0},                          // a minimized window
      {60000, 40000, 30000, 30000, 30000, 20000},  // products past 32 bits
      {0, 300, 500, 500, 0, 0},                    // no pixels, no division
      {300, 0, 500, 500, 0, 0},
  };
  for (const Case& c : cases) {
    const TViewSize s = StretchFit(c.Width, c.Rows, c.ViewW, c.ViewH);
    EXPECT_EQ(s.Width, c.ExpW) << c.Width << "x" << c.Rows << " in " << c.ViewW << "x" << c.ViewH;
    EXPECT_EQ(s.Height, c.ExpH) << c.Width << "x" << c.Rows << " in " << c.ViewW << "x" << c.ViewH;
  }
}

TEST(CentredOrigin, HalvesTheRoomWithTheOddPixelToTheFarSide) {
  EXPECT_EQ(CentredOrigin(1280, 101), 589);
  EXPECT_EQ(CentredOrigin(1024, 50), 487);
  EXPECT_EQ(CentredOrigin(1024, 1024), 0);
  EXPECT_EQ(CentredOrigin(1024, 5000), 0);
  EXPECT_EQ(CentredOrigin(100, INT32_MAX), 0);
}

namespace {

// How often each client pixel is painted by the plan: picture block plus margins.
std::vector<int> Coverage(const TPaintPlan& p, int32_t clientW, int32_t clientH) {
  std::vector<int> hits(static_cast<size_t>(clientW) * clientH, 0);
  auto paint = [&](TViewRect r) {
    for (int32_t y = r.Top + p.OriginY; y < r.Bottom + p.OriginY; ++y)
      for (int32_t x = r.Left + p.OriginX; x < r.Right + p.OriginX; ++x)
        if (x >= 0 && y >= 0 && x < clientW && y < clientH) ++hits[static_cast<size_t>(y) * clientW + x];
  };
  paint({0, 0, p.DrawWidth, p.DrawHeight});
  for (int i = 0; i < p.MarginCount; ++i) paint(p.Margins[i]);
  return hits;
}

}  // namespace

TEST(PaintPlan, PictureAndMarginsCoverEveryClientPixelOnce) {
  struct Case {
    int32_t DispW, DispH, ClientW, ClientH;
    bool Centred;
  };
  const Case cases[] = {
      {30, 20, 50, 40, false}, {80, 20, 50, 40, false}, {30, 90, 50, 40, false}, {80, 90, 50, 40, false},
      {0, 0, 50, 40, false},   {31, 21, 50, 40, true},  {80, 21, 50, 40, true},  {31, 90, 50, 40, true},
      {50, 40, 50, 40, true},  {0, 0, 50, 40, true},
  };
  for (const Case& c : cases) {
    const int32_t ox = c.Centred ? CentredOrigin(c.ClientW, c.DispW) : 0;
    const int32_t oy = c.Centred ? CentredOrigin(c.ClientH, c.DispH) : 0;
    const TPaintPlan plan = PlanPaint(c.DispW, c.DispH, c.ClientW, c.ClientH, ox, oy);
    EXPECT_EQ(plan.DrawWidth, std::min(c.DispW, c.ClientW));
    EXPECT_EQ(plan.DrawHeight, std::min(c.DispH, c.ClientH));
    for (int hits : Coverage(plan, c.ClientW, c.ClientH)) {
      ASSERT_EQ(hits, 1) << c.DispW << "x" << c.DispH << (c.Centred ? " centred" : "");
    }
  }
}

TEST(PaintPlan, OutsideFullScreenTheMarginsAreRightAndBelow) {
  const TPaintPlan plan = PlanPaint(30, 20, 50, 40, 0, 0);
  ASSERT_EQ(plan.MarginCount, 2);
  EXPECT_EQ(plan.Margins[0].Top, 20);  // below, full width
  EXPECT_EQ(plan.Margins[0].Left, 0);
  EXPECT_EQ(plan.Margins[0].Right, 50);
  EXPECT_EQ(plan.Margins[1].Left, 30);  // right of the picture, its height
  EXPECT_EQ(plan.Margins[1].Bottom, 20);
  EXPECT_EQ(PlanPaint(80, 90, 50, 40, 0, 0).MarginCount, 0);
}

TEST(ViewCaption, NamesSizeDepthAndZoomOrStretch) {
  EXPECT_EQ(ViewCaption("cat.jpg", 640, 480, 24, false, 150), "cat.jpg (640x480x24) 150% - Orv");
  EXPECT_EQ(ViewCaption("set.lzh/sub\\dog.bmp", 320, 200, 8, true, 150),
            "set.lzh/sub\\dog.bmp (320x200x8) Stretch Mode - Orv");
  EXPECT_EQ(ViewCaption("a.bmp", 1, 1, 15, false, 1), "a.bmp (1x1x15) 1% - Orv");
}
