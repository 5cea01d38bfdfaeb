#include "companions/wic/orientation.h"

#include <cstring>

#include "companions/wic/dib_pixels.h"

namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kShortType = 3;

struct Reader {
  const uint8_t* data;
  size_t size;
  bool big;
  bool Has(size_t at, size_t n) const { return at <= size && n <= size - at; }
  uint16_t U16(size_t at) const {
    return big ? static_cast<uint16_t>(data[at] << 8 | data[at + 1])
               : static_cast<uint16_t>(data[at] | data[at + 1] << 8);
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
  const auto inStride = static_cast<size_t>(DibStride(width, bits)),
             outStride = static_cast<size_t>(DibStride(outWidth, bits));
  // The source pixel of upright pixel (x, y), rows counted from the top:
  // column ax*x + ay*y + a0, row bx*x + by*y + b0.
  int64_t ax = 1, ay = 0, a0 = 0, bx = 0, by = 1, b0 = 0;
  const int64_t lastColumn = static_cast<int64_t>(width) - 1, lastRow = static_cast<int64_t>(height) - 1;
  switch (orientation) {
    case 2:
      ax = -1, a0 = lastColumn;
      break;
    case 3:
      ax = -1, a0 = lastColumn, by = -1, b0 = lastRow;
      break;
    case 4:
      by = -1, b0 = lastRow;
      break;
    case 5:
      ax = 0, ay = 1, bx = 1, by = 0;
      break;
    case 6:
      ax = 0, ay = 1, bx = -1, by = 0, b0 = lastRow;
      break;
    case 7:
      ax = 0, ay = -1, a0 = lastColumn, bx = -1, by = 0, b0 = lastRow;
      break;
    case 8:
      ax = 0, ay = -1, a0 = lastColumn, bx = 1, by = 0;
      break;
    default:
      break;
  }
  // The blocks store rows from the bottom; along an upright row the source
  // moves by a fixed distance.
  const auto address = [&](int64_t column, int64_t row) {
    return static_cast<ptrdiff_t>((lastRow - row) * static_cast<int64_t>(inStride) +
                                  column * static_cast<int64_t>(step));
  };
  const ptrdiff_t along = address(ax, bx) - address(0, 0);
  // In tiles, so that a quarter turn reads the source's rows while they are
  // still in the cache rather than one pixel of each row at a time.
  constexpr uint32_t kTile = 64;
  for (uint32_t top = 0; top < outHeight; top += kTile) {
    const uint32_t bottom = top + kTile < outHeight ? top + kTile : outHeight;
    for (uint32_t left = 0; left < outWidth; left += kTile) {
      const uint32_t right = left + kTile < outWidth ? left + kTile : outWidth;
      for (uint32_t y = top; y < bottom; ++y) {
        uint8_t* out = target + static_cast<size_t>(outHeight - 1 - y) * outStride + left * step;
        const uint8_t* first = source + address(ay * y + a0, by * y + b0);
        for (uint32_t x = left; x < right; ++x, out += step) {
          const uint8_t* in = first + static_cast<ptrdiff_t>(x) * along;
          out[0] = in[0];
          if (step > 1) {
            out[1] = in[1];
            out[2] = in[2];
            if (step > 3) out[3] = in[3];
          }
        }
      }
    }
  }
  for (uint32_t y = 0; y < outHeight; ++y) {
    uint8_t* row = target + static_cast<size_t>(y) * outStride;
    std::memset(row + outWidth * step, 0, outStride - outWidth * step);
  }
}
