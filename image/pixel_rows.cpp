#include "image/pixel_rows.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "image/img.h"

void DibMasks(const BitmapInfo& info, uint32_t (&rgb)[3]) {
  const BitmapInfoHeader& h = info.bmiHeader;
  if (h.biCompression == kBiBitfields) {
    // After a 40-byte header the masks follow it; a longer header holds them
    // as its own fields at the same place.
    std::memcpy(rgb, reinterpret_cast<const uint8_t*>(&info) + kInfoHeaderSize, sizeof rgb);
  } else if (h.biBitCount == 16) {
    rgb[0] = 0x7C00, rgb[1] = 0x03E0, rgb[2] = 0x001F;
  } else {
    rgb[0] = 0xFF0000, rgb[1] = 0x00FF00, rgb[2] = 0x0000FF;
  }
}

bool IsPlain32(const BitmapInfo& info) {
  const BitmapInfoHeader& h = info.bmiHeader;
  if (h.biBitCount != 32) return false;
  if (h.biCompression == kBiRgb) return true;
  if (h.biCompression != kBiBitfields) return false;
  uint32_t rgb[3];
  DibMasks(info, rgb);
  return rgb[0] == 0xFF0000 && rgb[1] == 0x00FF00 && rgb[2] == 0x0000FF;
}

bool DibHasAlpha(const BitmapInfo& info, const void* bits, uint64_t size) {
  if (!IsPlain32(info) || !bits || info.bmiHeader.biWidth < 1) return false;
  const uint64_t whole = DibStride(info.bmiHeader.biWidth, 32) * static_cast<uint64_t>(DibRows(info.bmiHeader.biHeight));
  const uint64_t words = std::min(whole, size) / 4;
  const auto* p = static_cast<const uint8_t*>(bits);
  for (uint64_t i = 0; i < words; ++i)
    if (p[4 * i + 3] != 0) return true;
  return false;
}

namespace {

void MakeMask(uint32_t mask, TRowFormat::TMask& m) {
  m.Mask = mask;
  if (mask == 0) return;
  const int low = std::countr_zero(mask);
  const int width = std::bit_width(mask >> low);
  // Fields wider than 8 bits keep their top 8.
  m.Shift = low + std::max(0, width - 8);
  const int kept = std::min(width, 8);
  const uint32_t top = (1u << kept) - 1;
  for (uint32_t v = 0; v <= top; ++v) m.Levels[v] = static_cast<uint8_t>((v * 255 + top / 2) / top);
}

}  // namespace

bool MakeRowFormat(const BitmapInfo& info, bool alpha, TRowFormat& f) {
  const BitmapInfoHeader& h = info.bmiHeader;
  f.Bpp = h.biBitCount;
  switch (f.Bpp) {
    case 1:
    case 2:
    case 4:
    case 8:
      if (h.biCompression != kBiRgb) return false;
      f.Kind = TRowKind::Palette;
      f.Channels = 3;
      for (uint32_t i = 0; i < (1u << f.Bpp); ++i) {
        const RgbQuad c = DibColor(info, i);
        f.Palette[i] = c.rgbBlue | static_cast<uint32_t>(c.rgbGreen) << 8 | static_cast<uint32_t>(c.rgbRed) << 16;
      }
      return true;
    case 24:
      if (h.biCompression != kBiRgb) return false;
      f.Kind = TRowKind::Direct;
      f.Channels = 3;
      return true;
    case 16:
    case 32: {
      if (h.biCompression != kBiRgb && h.biCompression != kBiBitfields) return false;
      if (IsPlain32(info)) {
        f.Kind = alpha ? TRowKind::Premultiply : TRowKind::Direct;
        f.Channels = 4;
        return true;
      }
      uint32_t rgb[3];
      DibMasks(info, rgb);
      f.Kind = TRowKind::Masks;
      f.Channels = 3;
      for (int c = 0; c < 3; ++c) MakeMask(rgb[2 - c], f.Masks[c]);  // blue first
      return true;
    }
    default:
      return false;
  }
}

namespace {

// round(c * a / 255) for bytes, without a division.
inline uint8_t Premultiplied(uint32_t c, uint32_t a) {
  const uint32_t t = c * a + 128;
  return static_cast<uint8_t>((t + (t >> 8)) >> 8);
}

}  // namespace

void ConvertRow(const TRowFormat& f, const uint8_t* row, int32_t first, int32_t count, uint8_t* out) {
  switch (f.Kind) {
    case TRowKind::Direct:
      break;
    case TRowKind::Palette: {
      const int bpp = f.Bpp;
      int32_t k = 0;
      if (bpp == 8) {
        // Four bytes a pixel, the next one overwriting the fourth (out has
        // a byte to spare, see ConvertRow).
        const uint8_t* index = row + first;
        for (; k < count; ++k) std::memcpy(out + 3 * k, &f.Palette[index[k]], 4);
        break;
      }
      const uint32_t mask = (1u << bpp) - 1;
      for (; k < count; ++k) {
        const uint64_t bit = static_cast<uint64_t>(first + k) * static_cast<unsigned>(bpp);
        const uint32_t index = (row[bit >> 3] >> (8 - bpp - (bit & 7))) & mask;
        std::memcpy(out + 3 * k, &f.Palette[index], 4);
      }
      break;
    }
    case TRowKind::Masks: {
      const int bytes = f.Bpp / 8;
      for (int32_t k = 0; k < count; ++k) {
        uint32_t pixel = 0;
        std::memcpy(&pixel, row + static_cast<int64_t>(first + k) * bytes, static_cast<size_t>(bytes));
        for (int c = 0; c < 3; ++c) {
          const TRowFormat::TMask& m = f.Masks[c];
          out[3 * k + c] = m.Mask ? m.Levels[(pixel & m.Mask) >> m.Shift] : 0;
        }
      }
      break;
    }
    case TRowKind::Premultiply: {
      const uint8_t* p = row + static_cast<int64_t>(first) * 4;
      for (int32_t k = 0; k < count; ++k, p += 4, out += 4) {
        // Most pictures with alpha are mostly opaque or clear.
        const uint32_t a = p[3];
        if (a == 255) {
          std::memcpy(out, p, 4);
        } else if (a == 0) {
          std::memset(out, 0, 4);
        } else {
          out[0] = Premultiplied(p[0], a);
          out[1] = Premultiplied(p[1], a);
          out[2] = Premultiplied(p[2], a);
          out[3] = static_cast<uint8_t>(a);
        }
      }
      break;
    }
  }
}
