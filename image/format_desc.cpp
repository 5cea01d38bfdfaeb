#include "image/format_desc.h"

#include <cstring>

#include "image/dib_types.h"

namespace {

// A view of the file image in which every test that needs bytes beyond the
// end simply does not match.
struct TBytes {
  const uint8_t* Data;
  size_t Size;

  bool Has(size_t offset, size_t count) const { return offset <= Size && count <= Size - offset; }
  bool Equals(size_t offset, const char* text) const {
    const size_t n = std::strlen(text);
    return Has(offset, n) && std::memcmp(Data + offset, text, n) == 0;
  }
};

// The pieces whose bytes are missing from a short file are left out, as a
// failed test would leave them out; the rest of the description stands.
std::string DescribeBitmap(const TBytes& f) {
  if (!f.Has(14, 4)) return {};
  const uint32_t headerSize = ReadLe32(f.Data + 14);
  if (headerSize == kCoreHeaderSize) return "OS/2 Bitmap";
  if (headerSize != kInfoHeaderSize) return {};
  std::string text = "Windows Bitmap";
  if (f.Has(30, 4)) {
    switch (ReadLe32(f.Data + 30)) {
      case kBiRgb:
        text += " - RGB";
        break;
      case kBiRle8:
        text += " - RLE8";
        break;
      case kBiRle4:
        text += " - RLE4";
        break;
      case kBiBitfields:
        text += " - BITFIELDS";
        if (f.Has(54, 12)) {
          text += " (";
          for (size_t at = 54; at <= 62; at += 4) text += std::to_string(CountBits(ReadLe32(f.Data + at)));
          text += ")";
        }
        break;
      default:
        text += " - unknown";
        break;
    }
  }
  if (f.Has(22, 4) && static_cast<int32_t>(ReadLe32(f.Data + 22)) < 0) text += " (topdown)";
  return text;
}

std::string DescribePng(const TBytes& f) {
  std::string text = "PNG";
  if (f.Has(28, 1)) {
    if (f.Data[28] == 0)
      text += " - non-interlaced";
    else if (f.Data[28] == 1)
      text += " - interlaced";
  }
  if (f.Has(25, 1) && (f.Data[25] & 4)) text += " (with alpha)";
  return text;
}

}  // namespace

std::string DescribeFormat(const uint8_t* file, size_t size) {
  const TBytes f{file, file ? size : 0};
  if (f.Equals(0, "BM")) return DescribeBitmap(f);
  if (f.Equals(0, "GIF")) {
    std::string text;
    for (size_t i = 0; i < 6 && i < f.Size && f.Data[i] != 0; ++i) text += static_cast<char>(f.Data[i]);
    return text;
  }
  const bool jpeg = f.Equals(0, "\xFF\xD8");
  if (jpeg && f.Equals(6, "JFIF")) return "JPEG - JFIF";
  if (jpeg && f.Equals(6, "Exif")) return "Exif";
  if (f.Equals(0, "\x89PNG\r\n\x1A\n")) return DescribePng(f);
  return {};
}

std::string NormalizeLineBreaks(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  bool afterCr = false;
  for (const char c : text) {
    if (afterCr && c != '\n')
      out += '\n';
    else if (!afterCr && c == '\n')
      out += '\r';
    out += c;
    afterCr = c == '\r';
  }
  return out;
}

// Counts every bit, the top one included: the masks of a 16-bit picture
// (0xF800, 0x07E0, 0x001F) must read 5, 6 and 5, and all 32 bits count 32.
int CountBits(uint32_t value) {
  int n = 0;
  for (; value != 0; value >>= 1) n += static_cast<int>(value & 1);
  return n;
}
