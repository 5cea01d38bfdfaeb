#include "image/bit_fields.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>

#include "image/dib_types.h"

namespace {

bool HasColours(const TPixelMasks& m, uint32_t red, uint32_t green, uint32_t blue) {
  return m.Red == red && m.Green == green && m.Blue == blue;
}

// round(v * 255 / max) for 0 <= v <= max, in integers: (2 v 255 + max) /
// (2 max) is v * 255 / max + 1/2, truncated. 64 bits hold it for any 32-bit
// field.
uint8_t Scale(uint32_t v, uint32_t max) {
  if (max == 0) return 0;
  return static_cast<uint8_t>((2 * uint64_t{v} * 255 + max) / (2 * uint64_t{max}));
}

// Where one channel's field lies in a pixel and its 8-bit values. Fields of
// up to 16 bits (all of a 16-bit pixel's, and the common 32-bit ones) are
// looked up in a table made once per picture; wider ones are divided out.
class TChannel {
 public:
  explicit TChannel(uint32_t mask)
      : Mask(mask), Shift(mask ? std::countr_zero(mask) : 0), Max(mask >> Shift) {
    if (Max > 0xFFFF) return;
    Table.reset(new (std::nothrow) uint8_t[Max + 1]);
    if (Table)
      for (uint32_t v = 0; v <= Max; ++v) Table[v] = Scale(v, Max);
  }
  uint8_t operator()(uint32_t pixel) const {
    const uint32_t v = (pixel & Mask) >> Shift;
    return Table ? Table[v] : Scale(v, Max);
  }

 private:
  uint32_t Mask;
  int Shift;
  uint32_t Max;
  std::unique_ptr<uint8_t[]> Table;
};

}  // namespace

bool GdiDrawsMasks(uint16_t bits, const TPixelMasks& masks) {
  if (bits == 16) return HasColours(masks, 0x7C00, 0x03E0, 0x001F) || HasColours(masks, 0xF800, 0x07E0, 0x001F);
  if (bits == 32)
    return HasColours(masks, 0x00FF0000, 0x0000FF00, 0x000000FF) && (masks.Alpha == 0 || masks.Alpha == 0xFF000000);
  return false;
}

uint16_t ConvertedBits(const TPixelMasks& masks) { return masks.Alpha ? 32 : 24; }

uint8_t ScaleField(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  return Scale((pixel & mask) >> shift, mask >> shift);
}

void ConvertMaskedRows(const uint8_t* data, size_t dataSize, int32_t width, int32_t rows, uint16_t bits,
                       const TPixelMasks& masks, uint8_t* out) {
  const uint16_t outBits = ConvertedBits(masks);
  const uint64_t inStride = DibStride(width, bits), outStride = DibStride(width, outBits);
  std::memset(out, 0, static_cast<size_t>(outStride * static_cast<uint64_t>(rows)));
  if (!data || (bits != 16 && bits != 32) || width < 1) return;
  const TChannel red(masks.Red), green(masks.Green), blue(masks.Blue), alpha(masks.Alpha);
  const size_t inBytes = bits / 8, outBytes = outBits / 8;
  for (uint64_t r = 0; r < static_cast<uint64_t>(rows) && r * inStride < dataSize; ++r) {
    const uint8_t* in = data + r * inStride;
    uint8_t* o = out + r * outStride;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(width), (dataSize - r * inStride) / inBytes));
    for (size_t i = 0; i < n; ++i, in += inBytes, o += outBytes) {
      const uint32_t p = inBytes == 2 ? ReadLe16(in) : ReadLe32(in);
      o[0] = blue(p);
      o[1] = green(p);
      o[2] = red(p);
      if (outBytes == 4) o[3] = alpha(p);
    }
  }
}
