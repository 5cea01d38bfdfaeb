#include "image/shrink_cache.h"

#include <algorithm>
#include <cstring>
#include <new>

bool ShrinkRect(const TShrinkView& view, const TZoomRect& rect, uint8_t* out, ptrdiff_t stride) {
  if (!AreaScaleRect(view.Source, view.ZoomW, view.ZoomH, rect, out, stride)) return false;
  if (view.Source.Alpha)
    CompositeOver(out, stride, rect.Width, rect.Height, rect.X, rect.Y, true, view.Background);
  return true;
}

void TShrinkCache::Clear() {
  Tiles.clear();
  Held = 0;
  HasView = false;
}

bool TShrinkCache::SameView(const TShrinkView& view) const {
  if (!HasView || !view.Source.Info) return false;
  const TAreaSource& a = View.Source;
  const TAreaSource& b = view.Source;
  return a.Bits == b.Bits && a.Size == b.Size && a.Alpha == b.Alpha && View.Serial == view.Serial &&
         View.ZoomW == view.ZoomW && View.ZoomH == view.ZoomH && View.Background == view.Background &&
         std::memcmp(&Header, &b.Info->bmiHeader, sizeof Header) == 0;
}

TShrinkCache::TTile* TShrinkCache::Find(int32_t x, int32_t y) {
  for (TTile& t : Tiles)
    if (t.Y == y && t.X <= x && x < t.X + t.Width) {
      t.LastUse = ++Uses;
      return &t;
    }
  return nullptr;
}

const TShrinkCache::TTile* TShrinkCache::Make(const TShrinkView& view, int32_t x, int32_t y, int32_t width,
                                              int pixelBytes) {
  TTile t{x, y, width, std::min(kShrinkTile, view.ZoomH - y), ++Uses, nullptr};
  const uint64_t bytes = static_cast<uint64_t>(t.Width) * static_cast<uint64_t>(t.Height) * pixelBytes;
  if (bytes > Budget || bytes > SIZE_MAX) return nullptr;
  while (!Tiles.empty() && Held + bytes > Budget) {
    auto oldest = std::min_element(Tiles.begin(), Tiles.end(),
                                   [](const TTile& a, const TTile& b) { return a.LastUse < b.LastUse; });
    Held -= static_cast<uint64_t>(oldest->Width) * static_cast<uint64_t>(oldest->Height) * pixelBytes;
    if (oldest != Tiles.end() - 1) *oldest = std::move(Tiles.back());
    Tiles.pop_back();
  }
  t.Pixels.reset(new (std::nothrow) uint8_t[static_cast<size_t>(bytes)]);
  if (!t.Pixels) return nullptr;
  const ptrdiff_t stride = static_cast<ptrdiff_t>(t.Width) * pixelBytes;
  if (!ShrinkRect(view, {t.X, t.Y, t.Width, t.Height}, t.Pixels.get(), stride)) return nullptr;
  Tiles.push_back(std::move(t));
  Held += bytes;
  return &Tiles.back();
}

bool TShrinkCache::Fill(const TShrinkView& view, const TZoomRect& rect, uint8_t* out, ptrdiff_t stride) {
  const int pixelBytes = view.Source.Info ? AreaPixelBytes(*view.Source.Info) : 0;
  if (pixelBytes == 0 || rect.X < 0 || rect.Y < 0 || rect.Width < 1 || rect.Height < 1 ||
      rect.Width > view.ZoomW - rect.X || rect.Height > view.ZoomH - rect.Y)
    return false;
  try {
    if (!SameView(view)) {
      Clear();
      View = view;
      Header = view.Source.Info->bmiHeader;
      HasView = true;
    }
    const int32_t right = rect.X + rect.Width, bottom = rect.Y + rect.Height;
    for (int32_t ty = rect.Y / kShrinkTile * kShrinkTile; ty < bottom; ty += kShrinkTile) {
      const int32_t y0 = std::max(ty, rect.Y), y1 = std::min(ty + kShrinkTile, bottom);
      for (int32_t tx = rect.X / kShrinkTile * kShrinkTile; tx < right;) {
        const TTile* tile = Find(tx, ty);
        if (!tile) {
          // Tiles missing side by side are averaged as one: whole source
          // rows read in one sweep go several times faster than tile-wide
          // pieces of them.
          int32_t end = tx + kShrinkTile;
          while (end < right && !Find(end, ty)) end += kShrinkTile;
          tile = Make(view, tx, ty, std::min(end, view.ZoomW) - tx, pixelBytes);
          if (!tile) {
            const int32_t x0 = std::max(tx, rect.X), x1 = std::min(end, right);
            uint8_t* to = out + static_cast<ptrdiff_t>(y0 - rect.Y) * stride +
                          static_cast<ptrdiff_t>(x0 - rect.X) * pixelBytes;
            if (!ShrinkRect(view, {x0, y0, x1 - x0, y1 - y0}, to, stride)) return false;
            tx = end;
            continue;
          }
        }
        const int32_t x0 = std::max(tile->X, rect.X), x1 = std::min(tile->X + tile->Width, right);
        const size_t tileStride = static_cast<size_t>(tile->Width) * pixelBytes;
        const uint8_t* from = tile->Pixels.get() + static_cast<size_t>(y0 - ty) * tileStride +
                              static_cast<size_t>(x0 - tile->X) * pixelBytes;
        uint8_t* to = out + static_cast<ptrdiff_t>(y0 - rect.Y) * stride + static_cast<ptrdiff_t>(x0 - rect.X) * pixelBytes;
        for (int32_t y = y0; y < y1; ++y, from += tileStride, to += stride)
          std::memcpy(to, from, static_cast<size_t>(x1 - x0) * pixelBytes);
        tx = tile->X + tile->Width;
      }
    }
  } catch (const std::bad_alloc&) {
    Clear();
    return ShrinkRect(view, rect, out, stride);
  }
  return true;
}
