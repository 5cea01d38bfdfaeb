// Tiny BMP files made byte by byte for the tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

using TBytes = std::vector<uint8_t>;

inline void Put16(TBytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}

inline void Put32(TBytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

inline void Patch32(TBytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void Append(TBytes& b, const TBytes& more) { b.insert(b.end(), more.begin(), more.end()); }

struct TBmpRecipe {
  // 12 gives an OS/2 1.x header. Other sizes below 40 hold the first fields
  // only (OS/2 2.x); above 40 the masks come first and the rest is a byte pattern.
  uint32_t HeaderSize = 40;
  int32_t Width = 3;
  int32_t Height = 2;
  uint16_t BitCount = 24;
  uint32_t Compression = 0;
  uint32_t SizeImage = 0;
  uint32_t ClrUsed = 0;
  std::vector<uint32_t> Masks;  // inside a header of 52 bytes or more, else right after it
  TBytes Extra;                 // what follows the header and masks: colour entries, usually
  size_t Gap = 0;               // unused bytes between Extra and the bits
  TBytes Pixels;                // the bits, as many as the file should hold
};

// Fills bytes 40.. of a long header: recognisable, so a test can see it kept.
inline uint8_t LongHeaderByte(size_t at) { return static_cast<uint8_t>(0xA0 + at); }

inline TBytes MakeBmp(const TBmpRecipe& s) {
  TBytes header;
  if (s.HeaderSize == 12) {
    Put32(header, 12);
    Put16(header, static_cast<uint32_t>(s.Width));
    Put16(header, static_cast<uint32_t>(s.Height));
    Put16(header, 1);
    Put16(header, s.BitCount);
  } else {
    Put32(header, s.HeaderSize);
    Put32(header, static_cast<uint32_t>(s.Width));
    Put32(header, static_cast<uint32_t>(s.Height));
    Put16(header, 1);
    Put16(header, s.BitCount);
    Put32(header, s.Compression);
    Put32(header, s.SizeImage);
    Put32(header, 2835);
    Put32(header, 2835);
    Put32(header, s.ClrUsed);
    Put32(header, 0);
    header.resize(std::min<size_t>(header.size(), s.HeaderSize));
    if (s.HeaderSize >= 52)
      for (const uint32_t m : s.Masks) Put32(header, m);
    for (size_t at = header.size(); at < s.HeaderSize; ++at) header.push_back(LongHeaderByte(at));
    header.resize(s.HeaderSize);
    if (s.HeaderSize < 52)
      for (const uint32_t m : s.Masks) Put32(header, m);
  }
  TBytes b;
  b.push_back('B');
  b.push_back('M');
  const uint32_t off = static_cast<uint32_t>(14 + header.size() + s.Extra.size() + s.Gap);
  Put32(b, off + static_cast<uint32_t>(s.Pixels.size()));
  Put32(b, 0);
  Put32(b, off);
  Append(b, header);
  Append(b, s.Extra);
  b.insert(b.end(), s.Gap, 0xCC);
  Append(b, s.Pixels);
  return b;
}

// A w x h 24-bit file, rows bottom-up, every pixel the colour 0xRRGGBB.
inline TBytes MakeSolidBmp(int32_t w, int32_t h, uint32_t rgb) {
  TBmpRecipe r;
  r.Width = w;
  r.Height = h;
  const size_t stride = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
  r.Pixels.assign(stride * static_cast<size_t>(h), 0);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      uint8_t* px = &r.Pixels[y * stride + 3 * static_cast<size_t>(x)];
      px[0] = static_cast<uint8_t>(rgb);
      px[1] = static_cast<uint8_t>(rgb >> 8);
      px[2] = static_cast<uint8_t>(rgb >> 16);
    }
  return MakeBmp(r);
}

// Colour entry i of a test palette: distinct, with the reserved byte set so a
// test sees which entries were widened from three bytes.
inline TBytes TestPalette(size_t entries, size_t entrySize) {
  TBytes p;
  for (size_t i = 0; i < entries; ++i) {
    p.push_back(static_cast<uint8_t>(i));             // blue
    p.push_back(static_cast<uint8_t>(0x40 + i));      // green
    p.push_back(static_cast<uint8_t>(0x80 + 3 * i));  // red
    if (entrySize == 4) p.push_back(0x55);
  }
  return p;
}

inline TBytes PatternBytes(size_t n, uint32_t seed) {
  TBytes p(n);
  for (size_t i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    p[i] = static_cast<uint8_t>(seed >> 16);
  }
  return p;
}
