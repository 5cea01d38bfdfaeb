// Random pictures of every kind the viewer holds, with what each pixel
// stands for worked out here on its own: the colour table's entry, the
// masked fields widened to 8 bits, or the colour premultiplied by alpha.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "image/dib_types.h"
#include "image/img.h"

enum class TDibKind { Pal1, Pal2, Pal4, Pal8, Rgb555, Bf565, Bgr24, Plain32, Alpha32, Bf32Wide, Bf32Plain };

inline const char* DibKindName(TDibKind k) {
  static const char* const names[] = {"1-bit",        "2-bit",         "4-bit",  "8-bit",           "16-bit 555",
                                      "16-bit 565",   "24-bit",        "32-bit", "32-bit alpha",    "32-bit 10-10-10",
                                      "32-bit fields"};
  return names[static_cast<int>(k)];
}

inline int DibKindBits(TDibKind k) {
  static const int bits[] = {1, 2, 4, 8, 16, 16, 24, 32, 32, 32, 32};
  return bits[static_cast<int>(k)];
}

struct TRandomDib {
  BitmapInfo Info{};
  std::vector<uint8_t> Bits;
  int32_t Width = 0, Rows = 0;
  int Channels = 3;  // of Truth that count: 4 for plain 32-bit pictures
  // Per pixel, top row first: blue, green, red, fourth (alpha, or the
  // unused byte of a plain 32-bit pixel).
  std::vector<std::array<uint8_t, 4>> Truth;

  uint64_t Stride() const { return DibStride(Width, Info.bmiHeader.biBitCount); }
  uint8_t* Row(int32_t y) {
    return Bits.data() + static_cast<size_t>(Info.bmiHeader.biHeight < 0 ? y : Rows - 1 - y) * Stride();
  }
  const uint8_t* Row(int32_t y) const { return const_cast<TRandomDib*>(this)->Row(y); }
  const std::array<uint8_t, 4>& At(int32_t x, int32_t y) const { return Truth[static_cast<size_t>(y) * Width + x]; }
};

// The raw value of pixel (x, y), y from the top: index, word or bytes.
inline uint32_t RawPixel(const BitmapInfo& info, const uint8_t* bits, int32_t x, int32_t y) {
  const int bpp = info.bmiHeader.biBitCount;
  const int32_t rows = DibRows(info.bmiHeader.biHeight);
  const uint8_t* row = bits + DibStride(info.bmiHeader.biWidth, bpp) *
                                  static_cast<uint64_t>(info.bmiHeader.biHeight < 0 ? y : rows - 1 - y);
  if (bpp < 8) {
    const uint64_t bit = static_cast<uint64_t>(x) * bpp;
    return (row[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
  }
  uint32_t v = 0;
  std::memcpy(&v, row + static_cast<uint64_t>(x) * (bpp / 8), static_cast<size_t>(bpp / 8));
  return v;
}

inline uint8_t Widened(uint32_t value, uint32_t top) {
  return static_cast<uint8_t>(std::floor(value * 255.0 / top + 0.5));
}

inline TRandomDib MakeRandomDib(TDibKind kind, int32_t width, int32_t rows, bool topDown, std::mt19937& rng) {
  TRandomDib d;
  d.Width = width;
  d.Rows = rows;
  const int bpp = DibKindBits(kind);
  BitmapInfoHeader& h = d.Info.bmiHeader;
  h = {40, width, topDown ? -rows : rows, 1, static_cast<uint16_t>(bpp), kBiRgb, 0, 0, 0, 0, 0};
  uint32_t masks[3] = {};
  if (kind == TDibKind::Bf565) masks[0] = 0xF800, masks[1] = 0x07E0, masks[2] = 0x001F;
  if (kind == TDibKind::Bf32Wide) masks[0] = 0x3FF00000, masks[1] = 0x000FFC00, masks[2] = 0x000003FF;
  if (kind == TDibKind::Bf32Plain) masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
  if (masks[0]) {
    h.biCompression = kBiBitfields;
    std::memcpy(d.Info.bmiColors, masks, sizeof masks);
  }
  if (bpp <= 8) {
    for (int i = 0; i < (1 << bpp); ++i)
      d.Info.bmiColors[i] = RgbQuad{static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), 0};
  }
  d.Channels = (kind == TDibKind::Plain32 || kind == TDibKind::Alpha32 || kind == TDibKind::Bf32Plain) ? 4 : 3;
  d.Bits.assign(static_cast<size_t>(d.Stride() * rows), 0);
  // Pictures with smooth parts and sharp ones: a gradient, noise on some rows.
  for (int32_t y = 0; y < rows; ++y) {
    uint8_t* row = d.Row(y);
    const bool noisy = rng() % 3 != 0;
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t r = noisy ? static_cast<uint32_t>(rng()) : static_cast<uint32_t>(x * 2654435761u + y * 40503u);
      std::array<uint8_t, 4> t{};
      if (bpp <= 8) {
        const uint32_t index = r & ((1u << bpp) - 1);
        const uint64_t bit = static_cast<uint64_t>(x) * bpp;
        row[bit / 8] |= static_cast<uint8_t>(index << (8 - bpp - bit % 8));
        const RgbQuad c = d.Info.bmiColors[index];
        t = {c.rgbBlue, c.rgbGreen, c.rgbRed, 0};
      } else if (bpp == 16) {
        const uint16_t word = static_cast<uint16_t>(r);
        std::memcpy(row + 2 * x, &word, 2);
        if (kind == TDibKind::Rgb555)
          t = {Widened(word & 31, 31), Widened(word >> 5 & 31, 31), Widened(word >> 10 & 31, 31), 0};
        else
          t = {Widened(word & 31, 31), Widened(word >> 5 & 63, 63), Widened(word >> 11 & 31, 31), 0};
      } else if (bpp == 24) {
        std::memcpy(row + 3 * x, &r, 3);
        t = {static_cast<uint8_t>(r), static_cast<uint8_t>(r >> 8), static_cast<uint8_t>(r >> 16), 0};
      } else {
        uint32_t word = r;
        if (kind == TDibKind::Plain32 || kind == TDibKind::Bf32Plain) word &= 0xFFFFFF;
        std::memcpy(row + 4 * x, &word, 4);
        const uint8_t b = static_cast<uint8_t>(word), g = static_cast<uint8_t>(word >> 8),
                      red = static_cast<uint8_t>(word >> 16), a = static_cast<uint8_t>(word >> 24);
        if (kind == TDibKind::Alpha32) {
          auto pre = [a](uint8_t c) { return static_cast<uint8_t>(std::floor(c * a / 255.0 + 0.5)); };
          t = {pre(b), pre(g), pre(red), a};
        } else if (kind == TDibKind::Bf32Wide) {
          t = {static_cast<uint8_t>((word & 0x3FF) >> 2), static_cast<uint8_t>((word >> 10 & 0x3FF) >> 2),
               static_cast<uint8_t>((word >> 20 & 0x3FF) >> 2), 0};
        } else {
          t = {b, g, red, 0};
        }
      }
      d.Truth.push_back(t);
    }
  }
  return d;
}
