// Painting the view: straight from the held bitmap at 100 %, averaged when
// shrunk (unless smoothing is off), through the nearest-neighbour resampler
// at every other zoom, gray everywhere else. Pictures with alpha are painted
// over the background, at every zoom.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <new>

#include "image/alpha_composite.h"
#include "image/area_scale.h"
#include "image/block_alloc.h"
#include "image/img.h"
#include "image/scale_dib.h"
#include "util/sutil_win.h"
#include "viewer/main_window.h"
#include "viewer/view_geometry.h"
#include "viewer/view_state.h"

namespace {

const BITMAPINFO* AsBitmapInfo(const BitmapInfo& info) { return reinterpret_cast<const BITMAPINFO*>(&info); }

// The held block can be handed to GDI as it is: uncompressed bottom-up rows,
// and all of them inside the block (a plug-in may report a block shorter than
// its header claims, and GDI would read past it). Where a source offset counts
// from in a top-down bitmap differs between GDI implementations, so such a
// picture goes through the resampler, which turns it upright, at 100 % too.
bool CanDrawDirectly(const TImg& img) {
  const BitmapInfoHeader& h = img.Info.bmiHeader;
  if (h.biHeight < 0) return false;
  if (h.biCompression != kBiRgb && h.biCompression != kBiBitfields) return false;
  if (!img.Bits || img.BitsSize < 0) return false;
  return DibStride(h.biWidth, h.biBitCount) * static_cast<uint64_t>(ImgRows(img)) <=
         static_cast<uint64_t>(img.BitsSize);
}

// What the resampler turns into a view: a plug-in may hand over a depth or a
// compression it does not read, and the view block would then be shown with
// whatever it held before.
bool CanResample(const TImg& img) {
  const BitmapInfoHeader& h = img.Info.bmiHeader;
  const int bits = h.biBitCount;
  const bool depth = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
  return depth && (h.biCompression == kBiRgb || h.biCompression == kBiBitfields) && img.Bits;
}

// The w x h block at the scroll offsets, no copy made. The offsets are held
// inside the picture here as well, so that a stray value cannot make GDI
// read outside the block.
void DrawDirect(HDC dc, const TPaintPlan& plan) {
  const int32_t rows = ImgRows(Img);
  const int32_t w = plan.DrawWidth, h = plan.DrawHeight;
  const int32_t x = std::clamp(ScrollX, 0, Img.Width - w);
  const int32_t y = std::clamp(ScrollY, 0, rows - h);
  // Bottom-up rows as a band starting at scan line y: the band's top h lines
  // are the picture's rows y .. y + h - 1 counted from the top.
  SetDIBitsToDevice(dc, 0, 0, w, h, x, rows - h, y, rows, Img.Bits, AsBitmapInfo(Img.Info), DIB_RGB_COLORS);
}

// Where the drawn part starts in the zoomed picture: the offset held inside
// it, as the resampler holds it.
int32_t VisibleStart(int32_t scroll, int32_t zoomed, int32_t drawn) { return std::clamp(scroll, 0, zoomed - drawn); }

// A client-sized view from the resampler, drawn one to one; the view's
// lowest rows hold the visible picture. A picture with alpha is painted over
// the background first and drawn as plain 32-bit colours. False when there
// was nothing to draw it with.
bool DrawScaled(HDC dc, const TPaintPlan& plan, int32_t clientWidth, int32_t clientHeight, uint8_t* block,
                uint64_t blockSize) {
  BitmapInfo view;
  if (!block || !CanResample(Img) ||
      !ScaleDibInto(view, block, blockSize, Img.DispWidth, Img.DispHeight, ScrollX, ScrollY, clientWidth, clientHeight,
                    Img.Info, Img.Bits, static_cast<uint64_t>(std::max(Img.BitsSize, 0))))
    return false;
  if (Img.HasAlpha) {
    const ptrdiff_t stride = static_cast<ptrdiff_t>(DibStride(clientWidth, 32));
    CompositeOver(block + (plan.DrawHeight - 1) * stride, -stride, plan.DrawWidth, plan.DrawHeight,
                  VisibleStart(ScrollX, Img.DispWidth, plan.DrawWidth),
                  VisibleStart(ScrollY, Img.DispHeight, plan.DrawHeight), false, ViewBackground);
    view.bmiHeader = {sizeof(BitmapInfoHeader), clientWidth, clientHeight, 1, 32, kBiRgb, 0, 0, 0, 0, 0};
  }
  SetDIBitsToDevice(dc, 0, 0, plan.DrawWidth, plan.DrawHeight, 0, 0, 0, view.bmiHeader.biHeight, block,
                    AsBitmapInfo(view), DIB_RGB_COLORS);
  return true;
}

// Averaged when the view is smaller than the picture along an axis.
bool ShowsAveraged(const TImg& img) {
  if (!Smoothing || !img.Bits || img.BitsSize < 0) return false;
  return IsAreaShrink(img.Info, img.DispWidth, img.DispHeight) && AreaPixelBytes(img.Info) != 0;
}

}  // namespace

bool TMainWindow::DrawSmooth(HDC dc, int32_t drawWidth, int32_t drawHeight, int32_t clientWidth,
                             int32_t clientHeight) {
  // As the resampler's view: a bottom-up DIB of the client's size whose
  // lowest rows hold the visible part, its top row the highest of them.
  const int bits = AreaPixelBytes(Img.Info) * 8;
  const ptrdiff_t stride = static_cast<ptrdiff_t>(DibStride(clientWidth, bits));
  uint8_t* block = ViewBlock(static_cast<uint64_t>(stride) * static_cast<uint64_t>(clientHeight));
  if (!block) return false;
  const TShrinkView shrink{{&Img.Info, Img.Bits, static_cast<uint64_t>(Img.BitsSize), Img.HasAlpha},
                           Img.Serial,
                           Img.DispWidth,
                           Img.DispHeight,
                           ViewBackground};
  const TZoomRect rect{VisibleStart(ScrollX, Img.DispWidth, drawWidth), VisibleStart(ScrollY, Img.DispHeight, drawHeight),
                       drawWidth, drawHeight};
  if (!ShrinkCache.Fill(shrink, rect, block + (drawHeight - 1) * stride, -stride)) return false;
  BitmapInfo view{};
  view.bmiHeader = {sizeof(BitmapInfoHeader), clientWidth, clientHeight, 1, static_cast<uint16_t>(bits), kBiRgb, 0, 0, 0, 0, 0};
  SetDIBitsToDevice(dc, 0, 0, drawWidth, drawHeight, 0, 0, 0, clientHeight, block, AsBitmapInfo(view), DIB_RGB_COLORS);
  return true;
}

uint8_t* TMainWindow::ViewBlock(uint64_t size) {
  if (size > ViewBitsSize) {
    ViewBits.reset();
    ViewBitsSize = 0;
    if (size > SIZE_MAX) return nullptr;
    ViewBits.reset(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
    if (!ViewBits) return nullptr;
    ViewBitsSize = size;
  }
  return ViewBits.get();
}

void TMainWindow::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(Handle, &ps);
  int32_t width, height;
  ClientSize(width, height);
  HBRUSH gray = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  if (!Img.Loaded) {
    RECT all = MakeRect(0, 0, width, height);
    FillRect(dc, &all, gray);
    EndPaint(Handle, &ps);
    return;
  }
  if (Stretch) {
    const TViewSize fit = StretchFit(Img.Width, ImgRows(Img), width, height);
    Img.DispWidth = fit.Width;
    Img.DispHeight = fit.Height;
  }
  int32_t originX = 0, originY = 0;
  if (IsFullScreen) {
    originX = CentredOrigin(GetSystemMetrics(SM_CXSCREEN), Img.DispWidth);
    originY = CentredOrigin(GetSystemMetrics(SM_CYSCREEN), Img.DispHeight);
  }
  const TPaintPlan plan = PlanPaint(Img.DispWidth, Img.DispHeight, width, height, originX, originY);
  SetViewportOrgEx(dc, originX, originY, nullptr);

  bool drawn = true;
  if (plan.DrawWidth > 0 && plan.DrawHeight > 0) {
    // At 100 % the displayed size is the picture's own; should it still be a
    // stretched size the resampler draws that instead.
    const bool actualSize = Img.DispWidth == Img.Width && Img.DispHeight == ImgRows(Img);
    if (!ShowsAveraged(Img) || !DrawSmooth(dc, plan.DrawWidth, plan.DrawHeight, width, height)) {
      // What was averaged for another size or picture is not kept.
      ShrinkCache.Clear();
      if (Img.Zoom == 100 && !Stretch && actualSize && !Img.HasAlpha && CanDrawDirectly(Img)) {
        DrawDirect(dc, plan);
      } else {
        const uint64_t size = ScaleDibBlockSize(Img.Info, width, height);
        drawn = DrawScaled(dc, plan, width, height, ViewBlock(size), size);
      }
    }
  }
  for (int i = 0; i < plan.MarginCount; ++i) {
    const TViewRect& m = plan.Margins[i];
    RECT r = MakeRect(m.Left, m.Top, m.Right, m.Bottom);
    FillRect(dc, &r, gray);
  }
  // Without memory for the view the picture's place is gray rather than
  // whatever was on the screen before.
  if (!drawn) {
    RECT r = MakeRect(0, 0, plan.DrawWidth, plan.DrawHeight);
    FillRect(dc, &r, gray);
  }
  EndPaint(Handle, &ps);
}
