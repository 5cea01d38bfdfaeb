#include "viewer/view_geometry.h"

#include <algorithm>
#include <iterator>

#include "util/sutil.h"

namespace {

int32_t Saturate(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

int32_t NextZoomStep(int32_t zoom) {
  for (int32_t step : kZoomSteps)
    if (step > zoom) return step;
  return zoom;
}

int32_t PrevZoomStep(int32_t zoom) {
  for (int i = static_cast<int>(std::size(kZoomSteps)) - 1; i >= 0; --i)
    if (kZoomSteps[i] < zoom) return kZoomSteps[i];
  return zoom;
}

int32_t MulDivTrunc(int32_t value, int32_t mul, int32_t div) {
  return Saturate(static_cast<int64_t>(value) * mul / div);
}

int32_t RescaleOffset(int32_t offset, int32_t oldZoom, int32_t newZoom) {
  // Two truncations, through 100 %, as the offsets have always been carried.
  return MulDivTrunc(MulDivTrunc(offset, 100, oldZoom), newZoom, 100);
}

int32_t ClampOffset(int32_t offset, int32_t displayed, int32_t view) {
  if (view >= displayed) return 0;
  if (static_cast<int64_t>(offset) + view > displayed) return displayed - view;
  return std::max(offset, 0);
}

int32_t ScrollOffset(int32_t offset, int32_t delta, int32_t displayed, int32_t view) {
  if (view >= displayed) return offset;
  const int64_t moved = static_cast<int64_t>(offset) + delta;
  return static_cast<int32_t>(std::clamp<int64_t>(moved, 0, static_cast<int64_t>(displayed) - view));
}

int32_t TopBottomDelta(int32_t scrollY, int32_t displayedHeight, int32_t viewHeight) {
  return static_cast<int64_t>(scrollY) == static_cast<int64_t>(displayedHeight) - viewHeight ? -displayedHeight
                                                                                             : displayedHeight;
}

TViewSize StretchFit(int32_t width, int32_t rows, int32_t viewWidth, int32_t viewHeight) {
  if (width < 1 || rows < 1) return {0, 0};
  if (static_cast<int64_t>(width) * viewHeight > static_cast<int64_t>(rows) * viewWidth)
    return {viewWidth, MulDivTrunc(rows, viewWidth, width)};
  return {MulDivTrunc(width, viewHeight, rows), viewHeight};
}

int32_t CentredOrigin(int32_t screen, int32_t displayed) {
  return std::max<int32_t>(0, Saturate((static_cast<int64_t>(screen) - displayed) / 2));
}

TPaintPlan PlanPaint(int32_t displayedWidth, int32_t displayedHeight, int32_t clientWidth, int32_t clientHeight,
                     int32_t originX, int32_t originY) {
  TPaintPlan plan{};
  plan.OriginX = originX;
  plan.OriginY = originY;
  plan.DrawWidth = std::clamp(displayedWidth, 0, std::max(clientWidth, 0));
  plan.DrawHeight = std::clamp(displayedHeight, 0, std::max(clientHeight, 0));
  const int32_t w = plan.DrawWidth, h = plan.DrawHeight;
  // The client area in origin-relative coordinates.
  const int32_t left = -originX, top = -originY;
  const int32_t right = clientWidth - originX, bottom = clientHeight - originY;
  const TViewRect pieces[4] = {
      {left, top, right, 0},     // above the picture, full width
      {left, h, right, bottom},  // below it, full width
      {left, 0, 0, h},           // left of it
      {w, 0, right, h},          // right of it
  };
  for (const TViewRect& r : pieces)
    if (r.Left < r.Right && r.Top < r.Bottom) plan.Margins[plan.MarginCount++] = r;
  return plan;
}

std::string ViewCaption(const std::string& name, int32_t width, int32_t height, int32_t colorBits, bool stretch,
                        int32_t zoom) {
  std::string caption = name + " (" + NumberText(width) + "x" + NumberText(height) + "x" + NumberText(colorBits) + ") ";
  caption += stretch ? std::string("Stretch Mode") : NumberText(zoom) + "%";
  return caption + " - Orv";
}
