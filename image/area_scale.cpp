#include "image/area_scale.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <vector>

#include "image/img.h"
#include "image/pixel_rows.h"
#include "image/scale_dib.h"

namespace {

// What one shown pixel covers along an axis, exactly: in units of
// 1 / zoomed length, a source pixel is zoomN long and a shown one srcN.
struct TCover {
  int64_t First = 0, Count = 1;
  uint64_t FirstCover = 1, InnerCover = 0, LastCover = 0, Total = 1;
};

// Along an axis that is not shrunk, the nearest-neighbour view's source
// pixel: columns counted from the left, rows from the bottom.
TCover AxisCover(int64_t i, int64_t srcN, int64_t zoomN, bool rows) {
  TCover c;
  if (zoomN >= srcN) {
    const double scale = static_cast<double>(srcN) / static_cast<double>(zoomN);
    const int64_t at = rows ? zoomN - 1 - i : i;
    const int64_t source = std::min<int64_t>(TruncScaledProduct(static_cast<uint32_t>(at), scale), srcN - 1);
    c.First = rows ? srcN - 1 - source : source;
    return c;
  }
  const uint64_t lo = static_cast<uint64_t>(i) * static_cast<uint64_t>(srcN), hi = lo + static_cast<uint64_t>(srcN);
  const uint64_t z = static_cast<uint64_t>(zoomN);
  const uint64_t first = lo / z, last = (hi - 1) / z;
  c.First = static_cast<int64_t>(first);
  c.Count = static_cast<int64_t>(last - first + 1);
  c.FirstCover = std::min((first + 1) * z, hi) - lo;
  c.InnerCover = z;
  c.LastCover = c.Count > 1 ? hi - last * z : 0;
  c.Total = static_cast<uint64_t>(srcN);
  return c;
}

// The rows' integer weights: covers scaled so that a whole shown pixel is
// 2^Shift, at least 2^14 while the inner weight keeps 14 bits and the sums
// of bytes stay clear of 2^31. The rounding of the weights is evened out by
// dividing by their actual total rather than by 2^Shift.
struct TRowWeights {
  int64_t First = 0, Count = 0;
  int32_t FirstWeight = 0, InnerWeight = 0, LastWeight = 0;
  float Scale = 0.0f;
  int32_t At(int64_t j) const {
    if (j == First) return FirstWeight;
    return j == First + Count - 1 ? LastWeight : InnerWeight;
  }
};

TRowWeights RowWeights(const TCover& c, int shift) {
  auto weight = [&c, shift](uint64_t cover) {
    return static_cast<int32_t>(((cover << shift) + c.Total / 2) / c.Total);
  };
  TRowWeights w;
  w.First = c.First;
  w.Count = c.Count;
  w.FirstWeight = weight(c.FirstCover);
  w.InnerWeight = std::max(1, weight(c.InnerCover));
  w.LastWeight = weight(c.LastCover);
  // An edge row whose part rounds to nothing is not read at all.
  if (w.Count > 1 && w.FirstWeight == 0) {
    ++w.First;
    --w.Count;
    w.FirstWeight = w.Count > 1 ? w.InnerWeight : w.LastWeight;
  }
  if (w.Count > 1 && w.LastWeight == 0) {
    --w.Count;
    w.LastWeight = w.Count > 1 ? w.InnerWeight : w.FirstWeight;
  }
  int64_t total = w.FirstWeight;
  if (w.Count > 1) total += (w.Count - 2) * int64_t{w.InnerWeight} + w.LastWeight;
  w.Scale = total > 0 ? 1.0f / static_cast<float>(total) : 0.0f;
  return w;
}

int RowShift(int64_t srcN, int64_t zoomN) {
  if (zoomN >= srcN) return 14;
  return std::min(22, 14 + static_cast<int>(std::bit_width(static_cast<uint64_t>(srcN / zoomN))) - 1);
}

TColumnTap ColumnTap(const TCover& c, int64_t spanStart) {
  const double total = static_cast<double>(c.Total);
  return {static_cast<int32_t>(c.First - spanStart), static_cast<int32_t>(c.Count),
          static_cast<float>(static_cast<double>(c.FirstCover) / total),
          static_cast<float>(static_cast<double>(c.InnerCover) / total),
          static_cast<float>(static_cast<double>(c.LastCover) / total)};
}

constexpr int32_t kGroup = 16;  // rows handed to one call of the vertical kernel

struct TAreaJob {
  TRowFormat Format;
  const uint8_t* Bits = nullptr;
  uint64_t Stride = 0;
  int64_t Rows = 0;
  bool TopDown = false;
  int64_t HeldFirst = 0, HeldEnd = 0;  // source rows, from the top, wholly in the block
  int64_t SpanStart = 0;               // first source column read
  int32_t SpanPixels = 0, SpanBytes = 0;
  std::vector<uint8_t> Converted;      // kGroup + 1 converted rows
  std::vector<int64_t> ConvertedRow;   // which source row each holds
  std::vector<int32_t> Sums;

  // A converted row and the bytes ConvertRow may write beyond it.
  size_t SlotBytes() const { return static_cast<size_t>(SpanBytes) + 4; }

  const uint8_t* Row(int64_t j) {
    const uint8_t* row = Bits + static_cast<uint64_t>(TopDown ? j : Rows - 1 - j) * Stride;
    if (Format.Kind == TRowKind::Direct) return row + SpanStart * Format.Channels;
    const size_t slot = static_cast<size_t>(j % (kGroup + 1));
    uint8_t* out = Converted.data() + slot * SlotBytes();
    if (ConvertedRow[slot] != j) {
      ConvertRow(Format, row, static_cast<int32_t>(SpanStart), SpanPixels, out);
      ConvertedRow[slot] = j;
    }
    return out;
  }
};

// Rows from the top that lie wholly in the block: the last ones of a
// bottom-up picture, the first ones of a top-down one.
void HeldRows(TAreaJob& j, int64_t width, uint64_t size) {
  const uint64_t used = (static_cast<uint64_t>(width) * static_cast<unsigned>(j.Format.Bpp) + 7) / 8;
  const int64_t held = size < used ? 0 : std::min<int64_t>(j.Rows, static_cast<int64_t>((size - used) / j.Stride + 1));
  j.HeldFirst = j.TopDown ? 0 : j.Rows - held;
  j.HeldEnd = j.TopDown ? held : j.Rows;
}

void ProduceRow(TAreaJob& j, const TRowWeights& w, const std::vector<TColumnTap>& columns, const TAreaKernels& k,
                int pixelBytes, uint8_t* out) {
  const int64_t from = std::max(w.First, j.HeldFirst), to = std::min(w.First + w.Count, j.HeldEnd);
  if (from >= to) {
    // None of its rows is held: black, as the nearest-neighbour view shows them.
    std::memset(out, 0, columns.size() * static_cast<size_t>(pixelBytes));
    return;
  }
  const uint8_t* rows[kGroup];
  int32_t weights[kGroup];
  for (int64_t at = from; at < to; at += kGroup) {
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(kGroup, to - at));
    for (int32_t t = 0; t < n; ++t) {
      rows[t] = j.Row(at + t);
      weights[t] = w.At(at + t);
    }
    k.Vertical(rows, weights, n, j.SpanBytes, j.Sums.data(), at != from);
  }
  k.Horizontal(j.Sums.data(), columns.data(), static_cast<int32_t>(columns.size()), pixelBytes, w.Scale, out);
}

bool Readable(const BitmapInfo& info, TRowFormat& format) {
  const BitmapInfoHeader& h = info.bmiHeader;
  return h.biWidth >= 1 && DibRows(h.biHeight) >= 1 && MakeRowFormat(info, false, format);
}

}  // namespace

int AreaPixelBytes(const BitmapInfo& info) {
  TRowFormat format;
  return Readable(info, format) ? format.Channels : 0;
}

bool IsAreaShrink(const BitmapInfo& info, int32_t zoomW, int32_t zoomH) {
  const int64_t w = info.bmiHeader.biWidth, h = DibRows(info.bmiHeader.biHeight);
  if (zoomW < 1 || zoomH < 1 || w < 1 || h < 1) return false;
  if (zoomW >= w && zoomH >= h) return false;
  return w / zoomW <= kMaxAreaFactor && h / zoomH <= kMaxAreaFactor;
}

bool AreaScaleRect(const TAreaSource& src, int32_t zoomW, int32_t zoomH, const TZoomRect& rect, uint8_t* out,
                   ptrdiff_t stride, const TAreaKernels& kernels) {
  if (!src.Info || !out) return false;
  const BitmapInfo& info = *src.Info;
  TAreaJob j;
  if (!Readable(info, j.Format) || !MakeRowFormat(info, src.Alpha, j.Format)) return false;
  const int64_t width = info.bmiHeader.biWidth;
  if (zoomW < 1 || zoomH < 1 || width / zoomW > kMaxAreaFactor || DibRows(info.bmiHeader.biHeight) / zoomH > kMaxAreaFactor)
    return false;
  if (rect.X < 0 || rect.Y < 0 || rect.Width < 1 || rect.Height < 1 || rect.Width > zoomW - rect.X ||
      rect.Height > zoomH - rect.Y)
    return false;
  // A span of a row is counted in 32-bit bytes, at up to 4 bytes a pixel.
  if (width > (INT32_MAX - 64) / 4) return false;
  const int pixelBytes = j.Format.Channels;
  j.Bits = static_cast<const uint8_t*>(src.Bits);
  j.Stride = DibStride(width, j.Format.Bpp);
  j.Rows = DibRows(info.bmiHeader.biHeight);
  j.TopDown = info.bmiHeader.biHeight < 0;
  HeldRows(j, width, j.Bits ? src.Size : 0);

  try {
    std::vector<TColumnTap> columns(static_cast<size_t>(rect.Width));
    const TCover firstColumn = AxisCover(rect.X, width, zoomW, false);
    const TCover lastColumn = AxisCover(int64_t{rect.X} + rect.Width - 1, width, zoomW, false);
    j.SpanStart = firstColumn.First;
    j.SpanPixels = static_cast<int32_t>(lastColumn.First + lastColumn.Count - j.SpanStart);
    j.SpanBytes = j.SpanPixels * pixelBytes;
    for (int32_t x = 0; x < rect.Width; ++x)
      columns[static_cast<size_t>(x)] = ColumnTap(AxisCover(int64_t{rect.X} + x, width, zoomW, false), j.SpanStart);
    if (j.HeldFirst < j.HeldEnd) {
      j.Sums.assign(static_cast<size_t>(j.SpanBytes) + 4, 0);
      if (j.Format.Kind != TRowKind::Direct) {
        j.Converted.resize(static_cast<size_t>(kGroup + 1) * j.SlotBytes());
        j.ConvertedRow.assign(kGroup + 1, -1);
      }
    }
    const int shift = RowShift(j.Rows, zoomH);
    for (int32_t y = 0; y < rect.Height; ++y) {
      const TRowWeights w = RowWeights(AxisCover(int64_t{rect.Y} + y, j.Rows, zoomH, true), shift);
      ProduceRow(j, w, columns, kernels, pixelBytes, out + static_cast<ptrdiff_t>(y) * stride);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}
