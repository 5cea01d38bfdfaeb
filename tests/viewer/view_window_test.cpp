// The view's state through the window: zoom and scroll offsets, the size
// clamp, the window modes, the title and the teardown messages.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "image/img.h"
#include "util/sutil_win.h"
#include "viewer/view_geometry.h"
#include "viewer/view_state.h"
#include "viewer_harness.h"

namespace {

using ViewTest = ViewerWindowTest;

LRESULT HitTest(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  return SendMessageA(window, WM_NCHITTEST, 0, at);
}

// The style bits the window was given: the platform adds WS_CLIPSIBLINGS to every top-level window.
DWORD Style(HWND window) { return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & ~WS_CLIPSIBLINGS; }

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

TEST_F(ViewTest, ZoomKeepsTheCornerPointAndIsIgnoredBelowOneAndInStretchMode) {
  SetClientSize(200, 150);
  InstallTestPicture({400, 300});
  window->ScrollBy(101, 0);
  ASSERT_EQ(ScrollX, 101);
  window->SetZoom(125);
  EXPECT_EQ(ScrollX, 126);
  EXPECT_EQ(Img.DispWidth, 500);
  EXPECT_EQ(Img.DispHeight, 375);
  EXPECT_EQ(Title(), "test.bmp (400x300x24) 125% - Orv");

  window->SetZoom(0);
  EXPECT_EQ(Img.Zoom, 125);
  Stretch = true;
  window->SetZoom(200);
  EXPECT_EQ(Img.Zoom, 125);
  EXPECT_EQ(Title(), "test.bmp (400x300x24) 125% - Orv") << "not even the title changes";
  Stretch = false;

  // Zooming out pulls the offsets back inside the smaller picture.
  window->ScrollBy(10000, 10000);
  EXPECT_EQ(ScrollX, 300);
  EXPECT_EQ(ScrollY, 225);
  window->SetZoom(50);
  EXPECT_EQ(ScrollX, 0);
  EXPECT_EQ(ScrollY, 0);
}

TEST_F(ViewTest, ASizeChangePullsTheOffsetsBackToThePictureEdge) {
  SetClientSize(200, 150);
  InstallTestPicture({250, 200});
  window->ScrollBy(1000, 1000);
  ASSERT_EQ(ScrollX, 50);
  ASSERT_EQ(ScrollY, 50);
  SetClientSize(180, 130);  // more room to scroll: nothing moves
  EXPECT_EQ(ScrollX, 50);
  EXPECT_EQ(ScrollY, 50);
  SetClientSize(230, 180);
  EXPECT_EQ(ScrollX, 20);
  EXPECT_EQ(ScrollY, 20);
  SetClientSize(300, 250);
  EXPECT_EQ(ScrollX, 0);
  EXPECT_EQ(ScrollY, 0);
}

TEST_F(ViewTest, ScrollingAnAxisWithoutRoomChangesNothingAndTopBottomAlternates) {
  SetClientSize(200, 150);
  window->ScrollBy(16, 16);  // no picture: nothing at all
  EXPECT_EQ(ScrollX, 0);
  EXPECT_EQ(ScrollY, 0);

  InstallTestPicture({90, 300});
  Repaint();
  const std::vector<uint32_t> before = Pixels();
  window->ScrollBy(-16, 0);
  window->ScrollBy(16, 0);
  EXPECT_EQ(ScrollX, 0);
  EXPECT_TRUE(SamePixels(Pixels(), before, 200)) << "nothing scrolled";

  std::vector<int32_t> seen;
  for (int i = 0; i < 3; ++i) {
    window->ScrollBy(0, TopBottomDelta(ScrollY, Img.DispHeight, 150));
    seen.push_back(ScrollY);
  }
  EXPECT_EQ(seen, (std::vector<int32_t>{150, 0, 150}));
}

TEST_F(ViewTest, HidingAndShowingTheBorderKeepsTheClientSize) {
  SetClientSize(210, 160);
  RECT before;
  GetWindowRect(Hwnd(), &before);
  window->SetBorder(false);
  EXPECT_FALSE(window->ShowBorder);
  EXPECT_EQ(Style(Hwnd()), 0x00030000u | WS_VISIBLE);
  int32_t w, h;
  ClientSize(w, h);
  EXPECT_EQ(w, 210);
  EXPECT_EQ(h, 160);
  EXPECT_EQ(HitTest(Hwnd()), HTCAPTION) << "dragging anywhere moves the borderless window";
  RECT now;
  GetWindowRect(Hwnd(), &now);
  EXPECT_EQ(now.left, before.left);
  EXPECT_EQ(now.top, before.top);

  window->SetBorder(true);
  EXPECT_EQ(Style(Hwnd()), 0x00CF0000u | WS_VISIBLE);
  ClientSize(w, h);
  EXPECT_EQ(w, 210);
  EXPECT_EQ(h, 160);
  EXPECT_EQ(HitTest(Hwnd()), HTCLIENT);
  GetWindowRect(Hwnd(), &now);
  EXPECT_TRUE(SameRect(now, before));
}

TEST_F(ViewTest, FullScreenComesBackToAMaximizedWindow) {
  InstallTestPicture({90, 70});
  ShowWindow(Hwnd(), SW_MAXIMIZE);
  ASSERT_TRUE(IsZoomed(Hwnd()));
  RECT maximized;
  GetWindowRect(Hwnd(), &maximized);

  window->SetFullScreen(true);
  EXPECT_TRUE(window->IsFullScreen);
  RECT r;
  GetWindowRect(Hwnd(), &r);
  EXPECT_TRUE(SameRect(r, MakeRect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN))));
  EXPECT_EQ(Style(Hwnd()) & ~WS_VISIBLE, 0x00030000u);
  EXPECT_EQ(HitTest(Hwnd()), HTCLIENT) << "in full screen the whole screen is client area";

  window->SetFullScreen(false);
  EXPECT_FALSE(window->IsFullScreen);
  EXPECT_TRUE(IsZoomed(Hwnd()));
  GetWindowRect(Hwnd(), &r);
  EXPECT_TRUE(SameRect(r, maximized));
  EXPECT_EQ(Style(Hwnd()) & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
}

TEST_F(ViewTest, FullScreenComesBackToABorderlessWindowAtItsPlace) {
  InstallTestPicture({90, 70});
  window->SetBorder(false);
  window->SetBounds(40, 50, 230, 170);
  RECT before;
  GetWindowRect(Hwnd(), &before);

  window->SetFullScreen(true);
  window->SetFullScreen(true);  // a second entry must not lose the place to go back to
  window->SetFullScreen(false);
  RECT after;
  GetWindowRect(Hwnd(), &after);
  EXPECT_TRUE(SameRect(after, before));
  EXPECT_EQ(Style(Hwnd()), 0x00030000u | WS_VISIBLE);
  EXPECT_FALSE(window->ShowBorder);
  EXPECT_EQ(HitTest(Hwnd()), HTCAPTION);
}

TEST_F(ViewTest, FitToPictureSizesTheClientAreaToTheDisplayedPicture) {
  InstallTestPicture({90, 70});
  window->SetZoom(200);
  window->FitToPicture();
  int32_t w, h;
  ClientSize(w, h);
  EXPECT_EQ(w, 180);
  EXPECT_EQ(h, 140);

  // A maximized window is restored first.
  ShowWindow(Hwnd(), SW_MAXIMIZE);
  window->SetZoom(150);
  window->FitToPicture();
  EXPECT_FALSE(IsZoomed(Hwnd()));
  ClientSize(w, h);
  EXPECT_EQ(w, 135);
  EXPECT_EQ(h, 105);

  // In stretch mode the window closes around the stretched picture of the last paint.
  SetClientSize(200, 200);
  Stretch = true;
  Repaint();
  window->FitToPicture();
  ClientSize(w, h);
  EXPECT_EQ(w, 200);
  EXPECT_EQ(h, 155);

  // Without the border too.
  Stretch = false;
  window->SetBorder(false);
  window->SetZoom(100);
  window->FitToPicture();
  ClientSize(w, h);
  EXPECT_EQ(w, 90);
  EXPECT_EQ(h, 70);
}

TEST_F(ViewTest, TitleNamesThePictureItsSizeDepthAndZoom) {
  InstallTestPicture({640, 480}, "D:\\pics\\cat.jpg");
  window->SetZoom(150);
  EXPECT_EQ(Title(), "cat.jpg (640x480x24) 150% - Orv");

  InstallTestPicture({320, 200, 8}, "sub\\dog.bmp");
  CurrentArchive = "D:\\a\\set.lzh";
  Stretch = true;
  window->UpdateCaption();
  EXPECT_EQ(Title(), "set.lzh/sub\\dog.bmp (320x200x8) Stretch Mode - Orv");

  // Rows stored top-down still show the picture's height.
  CurrentArchive.clear();
  Stretch = false;
  InstallTestPicture({640, -480}, "D:\\pics\\up.bmp");
  window->UpdateCaption();
  EXPECT_EQ(Title(), "up.bmp (640x480x24) 150% - Orv");
}

TEST_F(ViewTest, ClosingFreesThePictureDestroysTheWindowAndPostsQuit) {
  InstallTestPicture({90, 70});
  HWND handle = Hwnd();
  SendMessageA(handle, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(handle));
  EXPECT_EQ(Img.Loaded, 0);
  EXPECT_EQ(Img.Bits, nullptr);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 0u);
}
