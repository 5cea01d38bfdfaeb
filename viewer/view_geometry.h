#pragma once
// The arithmetic of the view: zoom steps, scroll offsets and their clamps,
// the stretch fit, where the picture sits in the client area and the window
// title. Plain integers in and out, so that it builds and is tested without
// the platform. Every product is formed in 64 bits and truncates toward zero,
// so that zooming on without end cannot wrap a size around.

#include <cstdint>
#include <string>

// The zooms that ZoomIn and ZoomOut step through, ascending.
constexpr int32_t kZoomSteps[16] = {12, 25, 50, 66, 100, 125, 150, 200, 300, 400, 500, 600, 700, 800, 1200, 1600};

// The first step above zoom; zoom itself at or above the last step.
int32_t NextZoomStep(int32_t zoom);
// The first step below zoom; zoom itself at or below the first step.
int32_t PrevZoomStep(int32_t zoom);

// value * mul / div in 64 bits, truncated toward zero and held inside the
// int32 range. div must not be 0.
int32_t MulDivTrunc(int32_t value, int32_t mul, int32_t div);

// An offset taken from one zoom to another (both at least 1), by way of
// 100 %, so that the picture point at the view's corner stays there.
int32_t RescaleOffset(int32_t offset, int32_t oldZoom, int32_t newZoom);

// The end clamp of one axis: 0 when the view holds the whole displayed
// extent, else the offset pulled back so that the view ends at the far edge
// (and never below 0).
int32_t ClampOffset(int32_t offset, int32_t displayed, int32_t view);

// One axis of a scroll by delta: an axis with no room to scroll keeps its
// offset whatever it is; otherwise the moved offset is held to 0 .. the end.
int32_t ScrollOffset(int32_t offset, int32_t delta, int32_t displayed, int32_t view);

// The vertical delta of ScrollTopBottom: up to the top when the view is
// exactly at the bottom, else down to the bottom.
int32_t TopBottomDelta(int32_t scrollY, int32_t displayedHeight, int32_t viewHeight);

struct TViewSize {
  int32_t Width;
  int32_t Height;
};

// The whole picture fitted into the view, keeping its aspect ratio; ties
// fill the height. A picture without pixels fits as 0 x 0.
TViewSize StretchFit(int32_t width, int32_t rows, int32_t viewWidth, int32_t viewHeight);

// Start of a picture centred on the screen: half the room left, odd pixel to
// the far margin, never negative.
int32_t CentredOrigin(int32_t screen, int32_t displayed);

struct TViewRect {
  int32_t Left, Top, Right, Bottom;  // right and bottom exclusive
};

// How one paint covers the client area: the picture's w x h block drawn at
// the origin, and gray in every part of the client area outside it, so that
// together they cover each pixel exactly once. Rectangles are relative to
// the origin, as the device context's viewport is set to it.
struct TPaintPlan {
  int32_t OriginX, OriginY;
  int32_t DrawWidth, DrawHeight;
  TViewRect Margins[4];
  int MarginCount;
};

// origin: (0, 0), or the centred origin in full screen.
TPaintPlan PlanPaint(int32_t displayedWidth, int32_t displayedHeight, int32_t clientWidth, int32_t clientHeight,
                     int32_t originX, int32_t originY);

// The window title: "cat.jpg (640x480x24) 150% - Orv", or "Stretch Mode" in
// place of the zoom. name is what the title shows of the file (the archive's
// name and the member's path inside it for a member); height the row count.
std::string ViewCaption(const std::string& name, int32_t width, int32_t height, int32_t colorBits, bool stretch,
                        int32_t zoom);
