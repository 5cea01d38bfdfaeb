#include "plugins/wic/orientation.h"

#include <cstring>

#include "plugins/wic/dib_pixels.h"

namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kShortType = 3;

struct Reader {
  const uint8_t* data;
  size_t size;
  bool big;
  bool Has(size_t at, size_t n) const { return at <= size && n <= size - at; }
  uint16_t U16(size_t at) const {
    return big ? static_cast<uint16_t>(data[at] << 8 | data[at + 1]) : static_cast<uint16_t>(data[at] | data[at + 1] << 8);
  }
  uint32_t U32(size_t at) const {
    const uint32_t a = U16(at), b = U16(at + 2);
    return big ? a << 16 | b : b << 16 | a;
  }
};

// The orientation in the first directory of an Exif block (a TIFF structure).
int ExifOrientation(const uint8_t* tiff, size_t size) {
  if (size < 8) return 1;
  Reader r{tiff, size, false};
  if (tiff[0] == 'M' && tiff[1] == 'M') {
    r.big = true;
  } else if (tiff[0] != 'I' || tiff[1] != 'I') {
    return 1;
  }
  if (r.U16(2) != 42) return 1;
  const uint32_t directory = r.U32(4);
  if (!r.Has(directory, 2)) return 1;
  const uint16_t count = r.U16(directory);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t entry = directory + 2 + static_cast<size_t>(i) * 12;
    if (!r.Has(entry, 12)) return 1;
    if (r.U16(entry) != kOrientationTag) continue;
    if (r.U16(entry + 2) != kShortType || r.U32(entry + 4) != 1) return 1;
    const uint16_t value = r.U16(entry + 8);
    return value >= 1 && value <= 8 ? value : 1;
  }
  return 1;
}

// The frame headers of every coding process (not DHT C4, JPG C8 or DAC CC).
bool IsFrameHeader(uint8_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

uint16_t Big16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

void ReadJfifDensity(const uint8_t* body, size_t size, JpegFacts& facts) {
  if (size < 12 || std::memcmp(body, "JFIF\0", 5) != 0) return;
  const int units = body[7];
  const double perInch = units == 1 ? 1.0 : units == 2 ? 2.54 : 0.0;
  // Dots per centimetre beyond 25800 are more per inch than the field holds.
  auto inch = [&](uint16_t density) {
    const double value = density * perInch + 0.5;
    return static_cast<uint16_t>(value < 65535 ? value : 65535);
  };
  facts.DotsPerInchX = inch(Big16(body + 8));
  facts.DotsPerInchY = inch(Big16(body + 10));
}

}  // namespace

bool ReadJpegFacts(const uint8_t* data, size_t size, JpegFacts& facts) {
  facts = JpegFacts{};
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
  bool frame = false;
  size_t at = 2;
  while (at + 4 <= size) {
    if (data[at] != 0xFF) return false;
    const uint8_t marker = data[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    // Start of scan or end of image: the blocks read here come before both.
    if (marker == 0xDA || marker == 0xD9) return frame;
    const size_t length = Big16(data + at + 2);
    if (length < 2 || at + 2 + length > size) return false;
    const uint8_t* body = data + at + 4;
    const size_t bodySize = length - 2;
    if (marker == 0xE1 && bodySize >= 6 && std::memcmp(body, "Exif\0\0", 6) == 0) {
      facts.Orientation = ExifOrientation(body + 6, bodySize - 6);
    } else if (marker == 0xE0) {
      ReadJfifDensity(body, bodySize, facts);
    } else if (IsFrameHeader(marker) && !frame && bodySize >= 6) {
      facts.Height = Big16(body + 1);
      facts.Width = Big16(body + 3);
      facts.Components = body[5];
      frame = facts.Width > 0 && facts.Height > 0;
    }
    at += 2 + length;
  }
  return false;
}

void ApplyOrientation(int orientation, const uint8_t* source, uint32_t width, uint32_t height, int bits,
                      uint8_t* target) {
  const size_t step = static_cast<size_t>(bits) / 8;
  const bool swap = SwapsSides(orientation);
  const uint32_t outWidth = swap ? height : width, outHeight = swap ? width : height;
  const size_t inStride = DibStride(width, bits), outStride = DibStride(outWidth, bits);
  for (uint32_t y = 0; y < outHeight; ++y) {
    // Rows counted from the top; the blocks store them from the bottom.
    uint8_t* out = target + static_cast<size_t>(outHeight - 1 - y) * outStride;
    for (uint32_t x = 0; x < outWidth; ++x) {
      uint32_t sx = x, sy = y;
      switch (orientation) {
        case 2: sx = width - 1 - x; break;
        case 3: sx = width - 1 - x; sy = height - 1 - y; break;
        case 4: sy = height - 1 - y; break;
        case 5: sx = y; sy = x; break;
        case 6: sx = y; sy = height - 1 - x; break;
        case 7: sx = width - 1 - y; sy = height - 1 - x; break;
        case 8: sx = width - 1 - y; sy = x; break;
        default: break;
      }
      const uint8_t* in = source + static_cast<size_t>(height - 1 - sy) * inStride + sx * step;
      std::memcpy(out + x * step, in, step);
    }
    std::memset(out + outWidth * step, 0, outStride - outWidth * step);
  }
}
