// Every kind of bitmap file that image editors, cameras and old systems
// write, built in code, with the picture each must show and the header the
// reader must hold for it; and the valid kinds the reader refuses.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bmp_builder.h"

// Colour (0xRRGGBB) of a masked pixel value, each field widened to 8 bits by
// repeating its top bits, as GDI widens them.
inline uint32_t MaskedColour(uint32_t pixel, uint32_t redMask, uint32_t greenMask, uint32_t blueMask) {
  auto field = [pixel](uint32_t mask) -> uint32_t {
    if (mask == 0) return 0;
    const int len = std::popcount(mask);
    uint32_t v = (pixel & mask) >> std::countr_zero(mask);
    if (len >= 8) return v >> (len - 8);
    v <<= 8 - len;
    return (v | v >> len) & 0xFF;
  };
  return field(redMask) << 16 | field(greenMask) << 8 | field(blueMask);
}

// Colour of a masked pixel read once into 8-bit channels, each field value v
// of largest value max becoming round(v * 255 / max), as the reference
// renderings of the public bitmap test suites scale fields of any width.
inline uint32_t ScaledColour(uint32_t pixel, uint32_t redMask, uint32_t greenMask, uint32_t blueMask) {
  auto field = [pixel](uint32_t mask) -> uint32_t {
    if (mask == 0) return 0;
    const double max = mask >> std::countr_zero(mask);
    return static_cast<uint32_t>(std::lround(((pixel & mask) >> std::countr_zero(mask)) * 255.0 / max));
  };
  return field(redMask) << 16 | field(greenMask) << 8 | field(blueMask);
}

inline uint32_t PaletteEntryColour(const TBytes& palette, size_t entrySize, uint32_t index) {
  const uint8_t* e = palette.data() + entrySize * index;
  return uint32_t{e[2]} << 16 | uint32_t{e[1]} << 8 | e[0];
}

// A picture given as one value per pixel (an index, a 16- or 32-bit word or
// a 24-bit colour) with rows from the top, and what each value shows.
struct TBmpPicture {
  int32_t Width;
  int32_t Height;  // negative: stored top-down
  std::vector<uint32_t> Values;
  std::function<uint32_t(uint32_t)> Colour;
  // The alpha a value shows with (held 32-bit pixels with a fourth byte);
  // none for the others.
  std::function<uint32_t(uint32_t)> Alpha;

  int32_t Rows() const { return Height < 0 ? -Height : Height; }
  uint32_t At(int32_t x, int32_t y) const { return Values[static_cast<size_t>(y) * Width + x]; }
  std::vector<uint32_t> Colours() const {
    std::vector<uint32_t> out;
    for (const uint32_t v : Values) out.push_back(Colour(v));
    return out;
  }
};

// Values that change from pixel to pixel, so that a wrong row, column or
// nibble shows: small ranges (colour indices) step through the entries,
// wide ones (16 and 32 bits, range 0) are spread over all their bits.
inline TBmpPicture MakePicture(int32_t width, int32_t height, uint32_t range,
                               std::function<uint32_t(uint32_t)> colour) {
  TBmpPicture p{width, height, {}, std::move(colour)};
  for (int32_t y = 0; y < p.Rows(); ++y)
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t v = static_cast<uint32_t>(x * 7 + y * 13 + x * y * 5);
      if (range && range <= 256)
        p.Values.push_back(v % range);
      else
        p.Values.push_back(range ? v * 0x9E3779B1u % range : v * 0x9E3779B1u);
    }
  return p;
}

// The pixels of an uncompressed file, rows padded to 32 bits, in the order
// the height's sign gives.
inline TBytes EncodeRows(const TBmpPicture& p, int bits) {
  const size_t stride = (static_cast<size_t>(p.Width) * bits + 31) / 32 * 4;
  TBytes out(stride * p.Rows(), 0);
  for (int32_t y = 0; y < p.Rows(); ++y) {
    uint8_t* row = out.data() + stride * (p.Height < 0 ? y : p.Rows() - 1 - y);
    for (int32_t x = 0; x < p.Width; ++x) {
      const uint32_t v = p.At(x, y);
      if (bits < 8) {
        const int perByte = 8 / bits;
        row[x / perByte] |= static_cast<uint8_t>(v << (8 - bits * (x % perByte + 1)));
      } else {
        for (int b = 0; b < bits / 8; ++b)
          row[static_cast<size_t>(x) * (bits / 8) + b] = static_cast<uint8_t>(v >> 8 * b);
      }
    }
  }
  return out;
}

// Run-length data, bottom row first: RLE8 and RLE4 as one-pixel runs, RLE24
// as absolute runs on even rows and one-pixel runs on odd ones.
inline TBytes EncodeRunLength(const TBmpPicture& p, int bits) {
  TBytes out;
  for (int32_t r = 0; r < p.Rows(); ++r) {
    const int32_t y = p.Rows() - 1 - r;
    if (bits == 24 && r % 2 == 0) {
      out.push_back(0);
      out.push_back(static_cast<uint8_t>(p.Width));
      for (int32_t x = 0; x < p.Width; ++x)
        for (int b = 0; b < 3; ++b) out.push_back(static_cast<uint8_t>(p.At(x, y) >> 8 * b));
      if (p.Width % 2) out.push_back(0);
    } else {
      for (int32_t x = 0; x < p.Width; ++x) {
        out.push_back(1);
        const uint32_t v = p.At(x, y);
        if (bits == 24)
          for (int b = 0; b < 3; ++b) out.push_back(static_cast<uint8_t>(v >> 8 * b));
        else
          out.push_back(static_cast<uint8_t>(bits == 4 ? v << 4 : v));
      }
    }
    out.push_back(0);
    out.push_back(0);
  }
  out.push_back(0);
  out.push_back(1);
  return out;
}

struct TBmpClass {
  std::string Name = {};
  TBytes File;
  TBmpPicture Picture;
  int32_t ColorBits;  // what the title and the information dialog report
  // The held header.
  uint32_t HeldSize;
  uint16_t HeldBits;
  uint32_t HeldCompression;
  uint32_t HeldClrUsed;
  TBytes HeldTable;                 // the four-byte entries that follow HeldSize bytes
  std::vector<uint32_t> HeldMasks;  // at byte 40
};

struct TClassRecipe {
  std::string Name = {};
  uint32_t HeaderSize = 40;
  int32_t Width = 13, Height = 7;
  uint16_t Bits = 8;
  uint32_t Compression = 0;
  uint32_t ClrUsed = 0;
  uint32_t Entries = 0;  // colour entries in the file
  size_t EntrySize = 4;
  std::vector<uint32_t> Masks = {};
  size_t Gap = 0;
  // Masks GDI does not draw as meant: the depth the pixels are held at,
  // read out of their masks (32 with an alpha mask, else 24).
  uint16_t ConvertedTo = 0;
};

inline bool IsOs2Header(uint32_t size) {
  return size == 12 || (size >= 16 && size <= 64 && size != 40 && size != 52 && size != 56);
}

// Builds the file for a recipe and works out what must be held for it.
inline TBmpClass MakeClass(const TClassRecipe& c, uint32_t heldSize, int32_t colorBits) {
  const TBytes palette = TestPalette(c.Entries, c.EntrySize);
  const bool masked = c.Compression == 3 || c.Compression == 6;
  const uint32_t usable = c.Bits <= 8 ? (c.ClrUsed && c.ClrUsed < (1u << c.Bits) ? c.ClrUsed : 1u << c.Bits) : 0;
  std::function<uint32_t(uint32_t)> colour;
  uint32_t range = 0;
  if (c.Bits <= 8) {
    range = std::min(usable, c.Entries);
    colour = [palette, size = c.EntrySize](uint32_t v) { return PaletteEntryColour(palette, size, v); };
  } else if (masked) {
    const std::vector<uint32_t> m = c.Masks;
    if (c.ConvertedTo)
      colour = [m](uint32_t v) { return ScaledColour(v, m[0], m[1], m[2]); };
    else
      colour = [m](uint32_t v) { return MaskedColour(v, m[0], m[1], m[2]); };
    range = c.Bits == 16 ? 0x10000 : 0;
  } else if (c.Bits == 16) {
    colour = [](uint32_t v) { return MaskedColour(v, 0x7C00, 0x03E0, 0x001F); };
    range = 0x8000;
  } else {
    colour = [](uint32_t v) { return v & 0xFFFFFF; };
  }
  TBmpPicture picture = MakePicture(c.Width, c.Height, range, colour);

  TBmpRecipe r;
  r.HeaderSize = c.HeaderSize;
  r.Width = c.Width;
  r.Height = c.Height;
  r.BitCount = c.Bits;
  r.Compression = c.Compression;
  r.ClrUsed = c.ClrUsed;
  r.Masks = c.Masks;
  r.Extra = palette;
  r.Gap = c.Gap;
  const bool runLength = c.Compression == 1 || c.Compression == 2 || (c.Compression == 4 && c.Bits == 24);
  r.Pixels = runLength ? EncodeRunLength(picture, c.Bits) : EncodeRows(picture, c.Bits);

  TBmpClass k{c.Name, MakeBmp(r), picture, colorBits, heldSize, c.Bits, c.Compression, 0, {}, {}};
  if (runLength) {
    k.HeldBits = 24;
    k.HeldCompression = 0;
  } else if (c.ConvertedTo) {
    k.HeldBits = c.ConvertedTo;
    k.HeldCompression = 0;
  } else if (masked) {
    k.HeldCompression = 3;
    k.HeldMasks.assign(c.Masks.begin(), c.Masks.begin() + 3);
  }
  if (c.Bits <= 8) {
    const uint32_t held = std::min(usable, c.Entries);
    for (uint32_t i = 0; i < held; ++i) {
      const uint8_t* e = palette.data() + c.EntrySize * i;
      k.HeldTable.insert(k.HeldTable.end(),
                         {e[0], e[1], e[2], c.EntrySize == 4 && !IsOs2Header(c.HeaderSize) ? e[3] : uint8_t{0}});
    }
    if (!runLength) k.HeldClrUsed = c.ClrUsed ? usable : 0;
  }
  if (c.Bits == 2) {
    k.HeldBits = 4;
    k.HeldClrUsed = usable;
  }
  const std::vector<uint32_t>& m = k.HeldMasks;
  if (c.ConvertedTo == 32 && c.Masks.size() > 3 && c.Masks[3]) {
    const uint32_t alphaMask = c.Masks[3];
    k.Picture.Alpha = [alphaMask](uint32_t v) { return ScaledColour(v, 0, 0, alphaMask); };
  } else if (k.HeldBits == 32 && (m.empty() || (m[0] == 0xFF0000 && m[1] == 0xFF00 && m[2] == 0xFF))) {
    k.Picture.Alpha = [](uint32_t v) { return v >> 24; };
  }
  return k;
}

// Every class the reader opens, each with what it must hold.
inline std::vector<TBmpClass> BitmapClasses() {
  const std::vector<uint32_t> k565 = {0xF800, 0x07E0, 0x001F};
  const std::vector<uint32_t> kBgr888 = {0x000000FF, 0x0000FF00, 0x00FF0000};
  const std::vector<uint32_t> k888 = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
  std::vector<TBmpClass> all;
  auto add = [&all](const TClassRecipe& c, uint32_t heldSize, int32_t colorBits) {
    all.push_back(MakeClass(c, heldSize, colorBits));
  };
  // Plain 40-byte headers, every depth.
  add({.Name = "1 bit", .Bits = 1, .Entries = 2}, 40, 1);
  add({.Name = "4 bits", .Bits = 4, .Entries = 16}, 40, 4);
  add({.Name = "8 bits", .Bits = 8, .Entries = 256}, 40, 8);
  add({.Name = "16 bits, 5-5-5", .Bits = 16}, 40, 15);
  add({.Name = "24 bits", .Bits = 24}, 40, 24);
  add({.Name = "24 bits, top-down", .Height = -7, .Bits = 24}, 40, 24);
  add({.Name = "32 bits", .Bits = 32}, 40, 32);
  add({.Name = "RLE8", .Bits = 8, .Compression = 1, .Entries = 256}, 40, 8);
  add({.Name = "RLE4", .Bits = 4, .Compression = 2, .Entries = 16}, 40, 4);
  // Version 4 and 5 headers: kept whole when the table fits behind them.
  add({.Name = "V4, 8 bits, full table", .HeaderSize = 108, .Bits = 8, .Entries = 256}, 40, 8);
  add({.Name = "V5, 8 bits, full table", .HeaderSize = 124, .Bits = 8, .Entries = 256}, 40, 8);
  add({.Name = "V5, 8 bits, 16 entries", .HeaderSize = 124, .Bits = 8, .ClrUsed = 16, .Entries = 16}, 124, 8);
  add({.Name = "V5, 4 bits", .HeaderSize = 124, .Bits = 4, .Entries = 16}, 124, 4);
  add({.Name = "V5, 24 bits", .HeaderSize = 124, .Bits = 24}, 124, 24);
  add({.Name = "V5, RLE8, full table", .HeaderSize = 124, .Bits = 8, .Compression = 1, .Entries = 256}, 40, 8);
  add({.Name = "V4, 16-bit bitfields", .HeaderSize = 108, .Bits = 16, .Compression = 3, .Masks = k565}, 108, 16);
  add({.Name = "V5, 32-bit bitfields", .HeaderSize = 124, .Bits = 32, .Compression = 3, .Masks = k888}, 124, 32);
  add({.Name = "56-byte header, 16-bit bitfields with alpha",
       .HeaderSize = 56,
       .Bits = 16,
       .Compression = 3,
       .Masks = {0x0F00, 0x00F0, 0x000F, 0xF000},
       .ConvertedTo = 32},
      40, 16);
  // Masks after a 40-byte header, with a colour table the depth does not use.
  add({.Name = "16-bit bitfields", .Bits = 16, .Compression = 3, .Masks = k565}, 40, 16);
  add({.Name = "16-bit bitfields and a table",
       .Bits = 16,
       .Compression = 3,
       .ClrUsed = 256,
       .Entries = 256,
       .Masks = k565},
      40, 16);
  add({.Name = "16-bit bitfields, 5-5-5", .Bits = 16, .Compression = 3, .Masks = {0x7C00, 0x03E0, 0x001F}}, 40, 16);
  add({.Name = "32-bit bitfields, 8-8-8", .Bits = 32, .Compression = 3, .Masks = k888}, 40, 32);
  // Masks GDI would draw otherwise than meant, read once into 24 or 32 bits.
  add({.Name = "32-bit bitfields, blue first", .Bits = 32, .Compression = 3, .Masks = kBgr888, .ConvertedTo = 24}, 40,
      32);
  add({.Name = "16-bit bitfields, 2-3-1", .Bits = 16, .Compression = 3, .Masks = {0x0030, 0x000E, 0x0001}, .ConvertedTo = 24},
      40, 16);
  add({.Name = "V5, 16-bit bitfields, 1-9-2-4",
       .HeaderSize = 124,
       .Bits = 16,
       .Compression = 3,
       .Masks = {0x8000, 0x7FC0, 0x0030, 0x000F},
       .ConvertedTo = 32},
      40, 16);
  add({.Name = "32-bit bitfields, 10-10-10",
       .Bits = 32,
       .Compression = 3,
       .Masks = {0x3FF00000, 0x000FFC00, 0x000003FF},
       .ConvertedTo = 24},
      40, 32);
  add({.Name = "V4, 32-bit bitfields, 10-10-10-2",
       .HeaderSize = 108,
       .Bits = 32,
       .Compression = 3,
       .Masks = {0x000003FF, 0x000FFC00, 0x3FF00000, 0xC0000000},
       .ConvertedTo = 32},
      40, 32);
  // Gaps before the pixels and tables longer than the depth needs.
  add({.Name = "8 bits, 16 entries, gap", .Bits = 8, .ClrUsed = 16, .Entries = 16, .Gap = 100}, 40, 8);
  add({.Name = "24 bits, gap", .Bits = 24, .Gap = 37}, 40, 24);
  add({.Name = "8 bits, 300 entries", .Bits = 8, .ClrUsed = 300, .Entries = 300}, 40, 8);
  add({.Name = "4 bits, 20 entries", .Bits = 4, .ClrUsed = 20, .Entries = 20}, 40, 4);
  add({.Name = "24 bits, 300 entries", .Bits = 24, .ClrUsed = 300, .Entries = 300}, 40, 24);
  // OS/2 1.x and 2.x.
  add({.Name = "OS/2 1.x, 8 bits", .HeaderSize = 12, .Bits = 8, .Entries = 256, .EntrySize = 3}, 40, 8);
  add({.Name = "OS/2 1.x, 24 bits", .HeaderSize = 12, .Bits = 24}, 40, 24);
  add({.Name = "OS/2 2.x, 16 bytes, 8 bits", .HeaderSize = 16, .Bits = 8, .Entries = 256}, 40, 8);
  add({.Name = "OS/2 2.x, 24 bytes, 1 bit", .HeaderSize = 24, .Bits = 1, .Entries = 2}, 40, 1);
  add({.Name = "OS/2 2.x, 64 bytes, 4 bits, 5 entries", .HeaderSize = 64, .Bits = 4, .ClrUsed = 5, .Entries = 5}, 40,
      4);
  add({.Name = "OS/2 2.x, 64 bytes, 24 bits", .HeaderSize = 64, .Bits = 24}, 40, 24);
  add({.Name = "OS/2 2.x, 64 bytes, RLE8", .HeaderSize = 64, .Bits = 8, .Compression = 1, .Entries = 256}, 40, 8);
  add({.Name = "OS/2 2.x, 64 bytes, RLE24", .HeaderSize = 64, .Bits = 24, .Compression = 4}, 40, 24);
  add({.Name = "OS/2 2.x, 40 bytes, RLE24", .Bits = 24, .Compression = 4}, 40, 24);
  // Kinds GDI does not draw, converted once.
  add({.Name = "2 bits", .Bits = 2, .Entries = 4}, 40, 2);
  add({.Name = "2 bits, top-down, 3 entries", .Height = -7, .Bits = 2, .ClrUsed = 3, .Entries = 3}, 40, 2);
  add({.Name = "32-bit alpha bitfields",
       .Bits = 32,
       .Compression = 6,
       .Masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}},
      40, 32);
  add({.Name = "16-bit alpha bitfields, 4-4-4-4",
       .Bits = 16,
       .Compression = 6,
       .Masks = {0x0F00, 0x00F0, 0x000F, 0xF000},
       .ConvertedTo = 32},
      40, 16);
  add({.Name = "V5, 32-bit alpha bitfields, 8-8-8-8 moved",
       .HeaderSize = 124,
       .Bits = 32,
       .Compression = 6,
       .Masks = {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF},
       .ConvertedTo = 32},
      40, 32);
  return all;
}

// Valid files of kinds the reader does not decode: refused as an unknown
// format, never shown.
inline std::vector<std::pair<std::string, TBytes>> RefusedClasses() {
  auto file = [](uint32_t headerSize, uint16_t bits, uint32_t compression, TBytes pixels) {
    TBmpRecipe r;
    r.HeaderSize = headerSize;
    r.Width = 8;
    r.Height = 4;
    r.BitCount = bits;
    r.Compression = compression;
    if (bits <= 8 && bits) r.Extra = TestPalette(size_t{1} << bits, 4);
    r.Pixels = std::move(pixels);
    return MakeBmp(r);
  };
  const TBytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0};
  const TBytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13};
  return {
      {"OS/2 Huffman 1D", file(64, 1, 3, PatternBytes(16, 1))},
      {"Huffman 1D behind a 40-byte header", file(40, 1, 3, PatternBytes(16, 1))},
      {"embedded JPEG", file(40, 0, 4, jpeg)},
      {"embedded JPEG, 24 bits", file(40, 24, 4, jpeg)},
      {"embedded PNG", file(124, 0, 5, png)},
      {"64 bits per pixel", file(40, 64, 0, PatternBytes(8 * 8 * 4, 2))},
      {"CMYK", file(40, 32, 11, PatternBytes(8 * 4 * 4, 3))},
  };
}
