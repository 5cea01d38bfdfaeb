#pragma once
// Photos stand upright: the orientation a camera records in a JPEG's Exif
// block, and the turn or mirror that shows the picture as it was taken.
// Pure code: bytes in, bytes out.

#include <cstddef>
#include <cstdint>

// The Exif orientation (1 to 8) of a JPEG file image; 1 when there is none
// or it is out of range. Reads no further than the first scan.
int JpegOrientation(const uint8_t* data, size_t size);

// Orientations 5 to 8 turn the picture by a quarter: width and height swap.
inline bool SwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// Writes the upright picture of a bottom-up DIB of width x height pixels at
// bits (8, 24 or 32) per pixel into target, a bottom-up DIB of the upright
// size with its own stride.
void ApplyOrientation(int orientation, const uint8_t* source, uint32_t width, uint32_t height, int bits,
                      uint8_t* target);
