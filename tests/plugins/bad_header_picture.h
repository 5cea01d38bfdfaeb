// The 4 x 2 picture the bad-header test plug-in returns in every header form
// it knows, and the colours it must show, rows from the top.
#pragma once

#include <cstdint>

namespace bad_header {

constexpr int32_t kWidth = 4;
constexpr int32_t kHeight = 2;

// Forms with a colour table: the entry each pixel takes, and each entry's
// colour (0xRRGGBB); no two pixels share one, and some take the last
// entries, which lie furthest into the header block.
inline uint8_t Index(int32_t x, int32_t y) { return static_cast<uint8_t>(255 - 60 * x - 15 * y); }
inline uint32_t EntryColour(uint32_t i) { return i << 16 | (255 - i) << 8 | ((i * 3) & 0xFF); }

// The bit-field form: 16-bit words with 2 bits of red, 3 of green, 1 of blue.
constexpr uint32_t kRedMask = 0x30, kGreenMask = 0x0E, kBlueMask = 0x01;
inline uint16_t Word(int32_t x, int32_t y) {
  return static_cast<uint16_t>((x & 3) << 4 | ((x + 3 * y) & 7) << 1 | (y & 1));
}

}  // namespace bad_header
