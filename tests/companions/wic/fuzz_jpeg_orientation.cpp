// Any bytes as a JPEG whose Exif orientation is looked for.
#include <cstddef>
#include <cstdint>

#include "companions/wic/orientation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int orientation = JpegOrientation(data, size);
  if (orientation < 1 || orientation > 8) __builtin_trap();
  return 0;
}
