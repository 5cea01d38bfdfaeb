#pragma once
// Where a pixel of a stored photo shows once the photo stands upright, as
// the Exif definition of each orientation puts it (where the stored first
// row and first column are seen). The tests build their stored pictures
// from this, independently of the plug-in's own mapping.

#include <cstdint>

// The upright picture is width x height; (sx, sy) lies in the stored one.
inline void UprightPosition(int orientation, uint32_t width, uint32_t height, uint32_t sx, uint32_t sy, uint32_t& x,
                            uint32_t& y) {
  x = sx;
  y = sy;
  switch (orientation) {
    case 2:
      x = width - 1 - sx;
      break;  // row 0 top, column 0 right
    case 3:
      x = width - 1 - sx;
      y = height - 1 - sy;
      break;  // row 0 bottom, column 0 right
    case 4:
      y = height - 1 - sy;
      break;  // row 0 bottom, column 0 left
    case 5:
      x = sy;
      y = sx;
      break;  // row 0 left, column 0 top
    case 6:
      x = width - 1 - sy;
      y = sx;
      break;  // row 0 right, column 0 top
    case 7:
      x = width - 1 - sy;
      y = height - 1 - sx;
      break;  // row 0 right, column 0 bottom
    case 8:
      x = sy;
      y = height - 1 - sx;
      break;  // row 0 left, column 0 bottom
    default:
      break;
  }
}
