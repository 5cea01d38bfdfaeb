#pragma once
// Photos stand upright: the orientation a camera records in a JPEG's Exif
// block, and the turn or mirror that shows the picture as it was taken.
// Pure code: bytes in, bytes out.

#include <cstddef>
#include <cstdint>

// What a JPEG's headers say before its first scan.
struct JpegFacts {
  int Orientation = 1;  // the Exif orientation, 1 to 8; 1 when there is none or it is out of range
  uint32_t Width = 0;   // as stored, from the frame header
  uint32_t Height = 0;
  int Components = 0;         // 1 grey, 3 colour, 4 CMYK
  uint16_t DotsPerInchX = 0;  // from the JFIF block, 0 when it gives none
  uint16_t DotsPerInchY = 0;
};

// Reads no further than the first scan. False when the data is not a JPEG
// or no frame header comes before the scan; the orientation is then still
// what was found.
bool ReadJpegFacts(const uint8_t* data, size_t size, JpegFacts& facts);

inline int JpegOrientation(const uint8_t* data, size_t size) {
  JpegFacts facts;
  ReadJpegFacts(data, size, facts);
  return facts.Orientation;
}

// Orientations 5 to 8 turn the picture by a quarter: width and height swap.
inline bool SwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// Writes the upright picture of a bottom-up DIB of width x height pixels at
// bits (8, 24 or 32) per pixel into target, a bottom-up DIB of the upright
// size with its own stride.
void ApplyOrientation(int orientation, const uint8_t* source, uint32_t width, uint32_t height, int bits,
                      uint8_t* target);
