// The averaged view is kept while the picture and its zoomed size stay the
// same, in tiles of the zoomed picture made when first shown, so that
// scrolling copies what was averaged before. Tiles are kShrinkTile rows high
// and a whole number of kShrinkTile columns wide (those missing side by side
// are made as one). A budget bounds the tiles kept; the ones used longest
// ago go first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "image/alpha_composite.h"
#include "image/area_scale.h"

constexpr int32_t kShrinkTile = 256;
constexpr uint64_t kShrinkCacheBudget = uint64_t{64} << 20;

// What the tiles are made from. Serial tells pictures apart that lie at the
// same address one after the other (see TImg::Serial).
struct TShrinkView {
  TAreaSource Source;
  uint32_t Serial = 0;
  int32_t ZoomW = 0, ZoomH = 0;
  TBackground Background;
};

class TShrinkCache {
public:
  explicit TShrinkCache(uint64_t budget = kShrinkCacheBudget) : Budget(budget) {}

  // Writes rect of the zoomed picture, AreaPixelBytes per pixel (pictures
  // with alpha painted over the background), the top row at out, the next
  // at out + stride. A tile that cannot be had is averaged straight into
  // out. False when nothing could be averaged (see AreaScaleRect).
  bool Fill(const TShrinkView& view, const TZoomRect& rect, uint8_t* out, ptrdiff_t stride);
  void Clear();
  uint64_t Bytes() const { return Held; }

private:
  struct TTile {
    int32_t X, Y, Width, Height;  // in zoomed pixels
    uint64_t LastUse;
    std::unique_ptr<uint8_t[]> Pixels;
  };
  bool SameView(const TShrinkView& view) const;
  // The tile of the row of tiles at y that holds column x.
  TTile* Find(int32_t x, int32_t y);
  // A new tile, averaged; null when it cannot be had within the budget.
  const TTile* Make(const TShrinkView& view, int32_t x, int32_t y, int32_t width, int pixelBytes);

  uint64_t Budget;
  uint64_t Held = 0;
  uint64_t Uses = 0;
  bool HasView = false;
  TShrinkView View;
  BitmapInfoHeader Header{};
  std::vector<TTile> Tiles;
};

// Averages rect straight into out, as one tile of the cache is made.
bool ShrinkRect(const TShrinkView& view, const TZoomRect& rect, uint8_t* out, ptrdiff_t stride);
