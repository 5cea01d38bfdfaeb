#include "companions/wic/dib_pixels.h"

#include <cstring>

namespace {

int IndexBits(PixelLayout layout) {
  switch (layout) {
    case PixelLayout::Gray1:
    case PixelLayout::Indexed1:
      return 1;
    case PixelLayout::Gray2:
    case PixelLayout::Indexed2:
      return 2;
    case PixelLayout::Gray4:
    case PixelLayout::Indexed4:
      return 4;
    case PixelLayout::Gray8:
    case PixelLayout::Indexed8:
      return 8;
    default:
      return 0;
  }
}

bool IsGray(PixelLayout layout) {
  return layout == PixelLayout::Gray1 || layout == PixelLayout::Gray2 || layout == PixelLayout::Gray4 ||
         layout == PixelLayout::Gray8 || layout == PixelLayout::Gray16;
}

// The index of pixel x in a row packed at bits per pixel, most significant bits first.
uint8_t PackedIndex(const uint8_t* row, uint32_t x, int bits) {
  if (bits == 8) return row[x];
  const uint32_t bit = x * static_cast<uint32_t>(bits);
  const int shift = 8 - bits - static_cast<int>(bit % 8);
  return static_cast<uint8_t>((row[bit / 8] >> shift) & ((1 << bits) - 1));
}

void Put(uint8_t* out, int bits, uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
  out[0] = b;
  out[1] = g;
  out[2] = r;
  if (bits == 32) out[3] = a;
}

}  // namespace

int SourceBits(PixelLayout layout) {
  if (const int bits = IndexBits(layout)) return bits;
  switch (layout) {
    case PixelLayout::Gray16:
      return 16;
    case PixelLayout::Bgr24:
    case PixelLayout::Rgb24:
      return 24;
    case PixelLayout::Rgb48:
      return 48;
    case PixelLayout::Rgba64:
      return 64;
    default:
      return 32;
  }
}

DibPlan PlanDib(PixelLayout layout, const std::vector<uint32_t>& palette) {
  DibPlan plan;
  if (IsGray(layout)) {
    // Grey levels spread evenly over 0 to 255: 2, 4, 16 or 256 of them.
    const int bits = layout == PixelLayout::Gray16 ? 8 : IndexBits(layout);
    const int levels = 1 << bits;
    plan.Bits = 8;
    for (int i = 0; i < levels; ++i) {
      const auto v = static_cast<uint8_t>(i * 255 / (levels - 1));
      plan.Palette.push_back(RgbQuad{v, v, v, 0});
    }
    return plan;
  }
  if (IndexBits(layout)) {
    bool opaque = !palette.empty() && palette.size() <= 256;
    for (uint32_t c : palette) opaque = opaque && (c >> 24) == 0xFF;
    if (!opaque) {
      plan.Bits = 32;
      return plan;
    }
    plan.Bits = 8;
    for (uint32_t c : palette) {
      plan.Palette.push_back(
          RgbQuad{static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16), 0});
    }
    return plan;
  }
  plan.Bits = layout == PixelLayout::Bgra32 || layout == PixelLayout::Rgba32 || layout == PixelLayout::Rgba64 ? 32 : 24;
  return plan;
}

bool DibBlockSize(uint32_t width, uint32_t height, int bits, size_t& size) {
  const uint64_t stride = DibStride(width, bits);
  if (stride > UINT32_MAX || (height > 0 && stride > SIZE_MAX / height)) return false;
  size = static_cast<size_t>(stride * height);
  return true;
}

bool PlanDecodeSizes(uint32_t width, uint32_t height, int sourceBits, int dibBits, size_t stripBytes,
                     DecodeSizes& sizes) {
  if (width == 0 || height == 0 || static_cast<uint64_t>(width) * height > kMaxDecodePixels) return false;
  size_t sourceRow = 0;
  if (!DibBlockSize(width, 1, sourceBits, sourceRow) || sourceRow == 0 ||
      !DibBlockSize(width, height, dibBits, sizes.BlockSize)) {
    return false;
  }
  sizes.SourceStride = sourceRow;
  sizes.Stride = sizes.BlockSize / height;
  const size_t rows = sourceRow >= stripBytes ? 1 : stripBytes / sourceRow;
  sizes.StripRows = static_cast<uint32_t>(rows < height ? rows : height);
  return true;
}

void ConvertRow(PixelLayout layout, const uint8_t* source, uint32_t width, const std::vector<uint32_t>& palette,
                const DibPlan& plan, uint8_t* row) {
  const int step = plan.Bits / 8;
  if (const int bits = IndexBits(layout)) {
    for (uint32_t x = 0; x < width; ++x) {
      const uint8_t index = PackedIndex(source, x, bits);
      if (plan.Bits == 8) {
        row[x] = index;
        continue;
      }
      // 32 bits from a palette with transparency.
      const uint32_t c = index < palette.size() ? palette[index] : 0;
      Put(row + x * 4, 32, static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16),
          static_cast<uint8_t>(c >> 24));
    }
    return;
  }
  for (uint32_t x = 0; x < width; ++x) {
    uint8_t* out = row + static_cast<size_t>(x) * step;
    switch (layout) {
      case PixelLayout::Gray16:
        row[x] = Sample16To8(ReadLe16(source + x * 2));
        break;
      case PixelLayout::Bgr24: {
        const uint8_t* p = source + x * 3;
        Put(out, plan.Bits, p[0], p[1], p[2], 0xFF);
        break;
      }
      case PixelLayout::Rgb24: {
        const uint8_t* p = source + x * 3;
        Put(out, plan.Bits, p[2], p[1], p[0], 0xFF);
        break;
      }
      case PixelLayout::Bgr32:
      case PixelLayout::Bgra32: {
        const uint8_t* p = source + x * 4;
        Put(out, plan.Bits, p[0], p[1], p[2], layout == PixelLayout::Bgr32 ? 0xFF : p[3]);
        break;
      }
      case PixelLayout::Rgba32: {
        const uint8_t* p = source + x * 4;
        Put(out, plan.Bits, p[2], p[1], p[0], p[3]);
        break;
      }
      case PixelLayout::Rgb48: {
        const uint8_t* p = source + x * 6;
        Put(out, plan.Bits, Sample16To8(ReadLe16(p + 4)), Sample16To8(ReadLe16(p + 2)), Sample16To8(ReadLe16(p)), 0xFF);
        break;
      }
      case PixelLayout::Rgba64: {
        const uint8_t* p = source + x * 8;
        Put(out, plan.Bits, Sample16To8(ReadLe16(p + 4)), Sample16To8(ReadLe16(p + 2)), Sample16To8(ReadLe16(p)),
            Sample16To8(ReadLe16(p + 6)));
        break;
      }
      default:
        break;
    }
  }
}

bool AllOpaque(const uint8_t* bits, uint32_t width, uint32_t height) {
  const size_t count = static_cast<size_t>(width) * height;
  for (size_t i = 0; i < count; ++i) {
    if (bits[i * 4 + 3] != 0xFF) return false;
  }
  return true;
}

size_t Compact32To24(uint8_t* bits, uint32_t width, uint32_t height) {
  const auto from = static_cast<size_t>(DibStride(width, 32)), to = static_cast<size_t>(DibStride(width, 24));
  // Every byte is written at or before the place it is read from.
  for (size_t y = 0; y < height; ++y) {
    const uint8_t* in = bits + y * from;
    uint8_t* out = bits + y * to;
    for (size_t x = 0; x < width; ++x) std::memmove(out + x * 3, in + x * 4, 3);
    std::memset(out + width * 3, 0, to - width * 3);
  }
  return to * height;
}
