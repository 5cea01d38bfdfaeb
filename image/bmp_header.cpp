#include "image/bmp_header.h"

#include <algorithm>
#include <cstring>

namespace {

enum class THeaderKind {
  Core,       // OS/2 1.x, 12 bytes, three-byte colour entries
  Os2,        // OS/2 2.x, 16 to 64 bytes, OS/2 compression numbers
  Info,       // the 40-byte BITMAPINFOHEADER; masks, if any, follow it
  WithMasks,  // 52 and 56 bytes: the 40-byte header with the masks inside
  Long,       // version 4 and 5 (108 and 124 bytes), masks inside
};

// The file's header as read, before it becomes the held one.
struct TSource {
  BitmapInfoHeader H{};  // the fields in their 40-byte form
  THeaderKind Kind = THeaderKind::Info;
  uint32_t Size = 0;                // header bytes in the file
  const uint8_t* Header = nullptr;  // the header itself
  size_t EntrySize = 4;             // bytes of one colour entry in the file
  const uint8_t* Masks = nullptr;   // red, green, blue, in the file; null when unused
  const uint8_t* Alpha = nullptr;   // the alpha mask, when the header has one in use
  const uint8_t* Table = nullptr;   // the first colour entry
  size_t TableBytes = 0;            // bytes from Table to the pixels or the end of the head
};

// 52 and 56 are the Windows headers that end after the masks; every other
// size of the OS/2 2.x range is an OS/2 2.x header, whole or cut short.
bool KindOfHeader(uint32_t size, THeaderKind& kind) {
  if (size == kCoreHeaderSize)
    kind = THeaderKind::Core;
  else if (size == kInfoHeaderSize)
    kind = THeaderKind::Info;
  else if (size == 52 || size == 56)
    kind = THeaderKind::WithMasks;
  else if (size >= 16 && size <= 64)
    kind = THeaderKind::Os2;
  else if (size == kV4HeaderSize || size == kV5HeaderSize)
    kind = THeaderKind::Long;
  else
    return false;
  return true;
}

// The fields of the header at p, of s.Size bytes, in their 40-byte form.
void ReadFields(TSource& s, const uint8_t* p) {
  s.Header = p;
  s.H = BitmapInfoHeader{};
  if (s.Kind == THeaderKind::Core) {
    s.H.biWidth = ReadLe16(p + 4);
    s.H.biHeight = ReadLe16(p + 6);
    s.H.biPlanes = ReadLe16(p + 8);
    s.H.biBitCount = ReadLe16(p + 10);
    s.EntrySize = 3;
  } else {
    // An OS/2 2.x header cut short lacks its last fields, which are 0.
    std::memcpy(&s.H, p, std::min<size_t>(s.Size, kInfoHeaderSize));
    s.EntrySize = 4;
  }
  s.H.biSize = kInfoHeaderSize;
}

bool IsOs2(const TSource& s) { return s.Kind == THeaderKind::Core || s.Kind == THeaderKind::Os2; }

uint32_t DepthEntries(uint16_t bits) { return bits <= 8 ? 1u << bits : 0; }

// Entries of the table the depth can use: biClrUsed of them, or all the
// depth can index when it is 0; none above 8 bits.
uint32_t UsableEntries(const BitmapInfoHeader& h) {
  const uint32_t most = DepthEntries(h.biBitCount);
  return h.biClrUsed ? std::min(h.biClrUsed, most) : most;
}

// A version 5 header may point at a colour profile elsewhere in the file;
// the held header carries no profile, so it must not point at one.
void ForgetProfile(uint8_t* header, uint32_t size) {
  if (size < kV5HeaderSize) return;
  constexpr uint32_t kSrgb = 0x73524742, kLinked = 0x4C494E4B, kEmbedded = 0x4D424544;
  const uint32_t space = ReadLe32(header + 56);
  if (space == kLinked || space == kEmbedded) std::memcpy(header + 56, &kSrgb, 4);
  std::memset(header + 112, 0, 8);
}

// The held header, masks and table; Info's other bytes are zero. A long
// header is kept whole when its table fits behind it, else cut to 40 bytes
// (the masks of a long header lie where a 40-byte header's follow it).
void ComposeInfo(const TSource& s, BitmapInfo& info) {
  const uint16_t bits = s.H.biBitCount;
  const uint32_t entries = UsableEntries(s.H);
  const bool whole = s.Kind == THeaderKind::Long && s.Size + 4ull * entries <= kBitmapInfoSize;
  info = BitmapInfo{};
  auto* out = reinterpret_cast<uint8_t*>(&info);
  size_t held = kInfoHeaderSize;
  if (whole) {
    std::memcpy(out, s.Header, s.Size);
    ForgetProfile(out, s.Size);
    held = s.Size;
  } else {
    info.bmiHeader = s.H;
    if (s.Masks) std::memcpy(out + kInfoHeaderSize, s.Masks, 12);
  }
  const size_t present = std::min<size_t>(entries, s.Table ? s.TableBytes / s.EntrySize : 0);
  for (size_t i = 0; i < present; ++i) {
    const uint8_t* e = s.Table + i * s.EntrySize;
    uint8_t* q = out + held + 4 * i;
    std::memcpy(q, e, 3);
    q[3] = s.EntrySize == 4 && !IsOs2(s) ? e[3] : 0;
  }
  BitmapInfoHeader& h = info.bmiHeader;
  // GDI reads biClrUsed entries, or all the depth indexes when it is 0.
  h.biClrUsed = bits <= 8 && s.H.biClrUsed ? entries : 0;
  if (bits == 2) {
    h.biBitCount = 4;
    h.biClrUsed = entries;  // the 4-bit default of 16 would reach past the table
  }
  if (h.biCompression == kBiAlphaBitfields) h.biCompression = kBiBitfields;
}

// Whether the reader decodes the compression (OS/2 RLE24 keeps its number,
// kOs2Rle24, for the run-length decoder), and where the masks lie that it
// uses.
int CheckCompression(TSource& s) {
  BitmapInfoHeader& h = s.H;
  const uint32_t c = h.biCompression;
  if (c == kBiRgb || c == kBiRle8 || c == kBiRle4) return kDecodeOk;
  if (IsOs2(s)) return c == kOs2Rle24 ? kDecodeOk : kDecodeUnknownFormat;
  // A 40-byte header is also what OS/2 2.x writers use: 1-bit "bitfields"
  // are Huffman 1D and 24-bit compression 4 is RLE24 (the run-length decoder
  // still refuses a JPEG stream there).
  if (s.Kind == THeaderKind::Info) {
    if (c == kOs2Huffman1D && h.biBitCount == 1) return kDecodeUnknownFormat;
    if (c == kOs2Rle24 && h.biBitCount == 24) return kDecodeOk;
  }
  if (c != kBiBitfields && c != kBiAlphaBitfields) return kDecodeUnknownFormat;
  if (s.Kind != THeaderKind::Info) {
    // Headers from 56 bytes on hold an alpha mask after the colour masks.
    s.Masks = s.Header + kInfoHeaderSize;
    if (s.Size >= 56) s.Alpha = s.Masks + 12;
    return kDecodeOk;
  }
  // After a 40-byte header: three masks, or four with alpha, before the pixels.
  const size_t maskBytes = c == kBiBitfields ? 12 : 16;
  if (s.TableBytes < maskBytes) return kDecodeBrokenData;
  s.Masks = s.Table;
  if (c == kBiAlphaBitfields) s.Alpha = s.Masks + 12;
  s.Table += maskBytes;
  s.TableBytes -= maskBytes;
  return kDecodeOk;
}

int CheckDepth(const BitmapInfoHeader& h) {
  switch (h.biBitCount) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    case 64:
      return kDecodeUnknownFormat;
    default:
      return kDecodeBrokenData;
  }
  const uint32_t c = h.biCompression;
  bool paired = true;
  if (c == kBiRle8) paired = h.biBitCount == 8;
  if (c == kBiRle4) paired = h.biBitCount == 4;
  if (c == kOs2Rle24) paired = h.biBitCount == 24;
  if (c == kBiBitfields || c == kBiAlphaBitfields) paired = h.biBitCount == 16 || h.biBitCount == 32;
  return paired ? kDecodeOk : kDecodeBrokenData;
}

bool IsRunLength(uint32_t compression) {
  return compression == kBiRle8 || compression == kBiRle4 || compression == kOs2Rle24;
}

// Sizes every consumer can walk row by row: INT32_MIN has no row count in 32
// bits, and run-length data is only defined bottom-up (OS/2 has no top-down
// pictures at all).
bool HasPictureSize(const TSource& s) {
  const BitmapInfoHeader& h = s.H;
  if (h.biWidth < 1 || h.biHeight == 0 || h.biHeight == INT32_MIN) return false;
  return h.biHeight > 0 || (!IsRunLength(h.biCompression) && !IsOs2(s));
}

// Reads the header of kind at header, of which blockBytes bytes lie before
// the pixels (or the end of what was read); the table, if any, follows it.
TSource SourceOf(THeaderKind kind, uint32_t size, const uint8_t* header, size_t blockBytes) {
  TSource s;
  s.Kind = kind;
  s.Size = size;
  ReadFields(s, header);
  s.Table = header + size;
  s.TableBytes = blockBytes > size ? blockBytes - size : 0;
  return s;
}

TPixelMasks MasksOf(const TSource& s) {
  TPixelMasks m;
  m.Red = ReadLe32(s.Masks);
  m.Green = ReadLe32(s.Masks + 4);
  m.Blue = ReadLe32(s.Masks + 8);
  m.Alpha = s.Alpha ? ReadLe32(s.Alpha) : 0;
  return m;
}

// The held header of pixels read out of their masks: the file's size and
// resolution, plain BI_RGB rows, no table.
BitmapInfo ConvertedInfo(const BitmapInfoHeader& file, const TPixelMasks& masks) {
  BitmapInfo info{};
  BitmapInfoHeader& h = info.bmiHeader;
  h = file;
  h.biSize = kInfoHeaderSize;
  h.biBitCount = ConvertedBits(masks);
  h.biCompression = kBiRgb;
  h.biSizeImage = 0;
  h.biClrUsed = 0;
  h.biClrImportant = 0;
  return info;
}

// Whether pixel data of dataSize bytes hold every row the header describes.
bool DataHoldsRows(const BitmapInfoHeader& h, uint64_t dataSize) {
  const uint64_t rows = static_cast<uint64_t>(DibRows(h.biHeight));
  return DibStride(h.biWidth, h.biBitCount) <= dataSize / rows;
}

// Fills the block sizes; false when a block would pass 31 bits.
bool SizeBlock(TBmpLayout& l) {
  BitmapInfoHeader& h = l.Info.bmiHeader;
  const uint64_t rows = static_cast<uint64_t>(DibRows(h.biHeight));
  const int heldBits = IsRunLength(h.biCompression) ? 24 : h.biBitCount;
  const uint64_t stride = DibStride(h.biWidth, heldBits);
  if (rows > INT32_MAX / stride) return false;
  const uint64_t rowsSize = stride * rows;
  l.BlockSize = l.Pixels == TBmpPixels::Copy ? std::max(l.PixelSize, rowsSize) : rowsSize;
  if (l.BlockSize > INT32_MAX) return false;
  if (l.Pixels == TBmpPixels::TwoBits || l.Pixels == TBmpPixels::Masks) {
    h.biSizeImage = 0;
  } else if (l.Pixels == TBmpPixels::Copy) {
    if (h.biSizeImage == 0 && h.biCompression != kBiRgb)
      h.biSizeImage = static_cast<uint32_t>(std::min<uint64_t>(l.PixelSize, UINT32_MAX));
    // Whoever writes the block out by biSizeImage stays inside it.
    if (h.biSizeImage > l.BlockSize) h.biSizeImage = static_cast<uint32_t>(rowsSize);
  }
  return true;
}

// The layout of the header s reads, whose pixel data are pixelSize bytes.
// Data that must hold their rows (a plug-in's block, which cannot be filled
// up as a file's short data are) are checked before any size is formed, so
// that a header claiming more than its block is broken, not too large.
int LayoutOf(TSource& s, uint64_t pixelSize, bool dataMustHoldRows, TBmpLayout& layout) {
  int status = CheckCompression(s);
  if (status == kDecodeOk) status = CheckDepth(s.H);
  if (status != kDecodeOk) return status;
  if (!HasPictureSize(s)) return kDecodeBrokenData;
  if (dataMustHoldRows && !IsRunLength(s.H.biCompression) && !DataHoldsRows(s.H, pixelSize))
    return kDecodeBrokenData;

  TBmpLayout l;
  ComposeInfo(s, l.Info);
  l.ColorBits = s.H.biBitCount == 16 && s.H.biCompression == kBiRgb ? 15 : s.H.biBitCount;
  l.DataBits = s.H.biBitCount;
  l.PixelSize = pixelSize;
  if (IsRunLength(s.H.biCompression)) {
    l.Pixels = TBmpPixels::RunLength;
  } else if (s.H.biBitCount == 2) {
    l.Pixels = TBmpPixels::TwoBits;
  } else if (s.Masks) {
    const TPixelMasks masks = MasksOf(s);
    if (!GdiDrawsMasks(s.H.biBitCount, masks)) {
      l.Pixels = TBmpPixels::Masks;
      l.Masks = masks;
      l.Info = ConvertedInfo(s.H, masks);
    }
  }
  if (!SizeBlock(l)) return kDecodeNoMemory;
  layout = l;
  return kDecodeOk;
}

}  // namespace

void CoreHeaderToInfoHeader(BitmapInfo& info, const uint8_t* core, size_t coreSize) {
  TSource s = SourceOf(THeaderKind::Core, kCoreHeaderSize, core, coreSize);
  ComposeInfo(s, info);
}

void Os2HeaderToInfoHeader(BitmapInfo& info, const uint8_t* header, size_t blockSize) {
  TSource s = SourceOf(THeaderKind::Os2, ReadLe32(header), header, blockSize);
  ComposeInfo(s, info);
}

int ReadBmpLayout(const uint8_t* head, size_t headSize, uint64_t fileSize, TBmpLayout& layout) {
  const size_t have = head ? static_cast<size_t>(std::min<uint64_t>(headSize, fileSize)) : 0;
  if (have < kFileHeaderSize + 4 || head[0] != 'B' || head[1] != 'M') return kDecodeBrokenData;
  const uint64_t off = ReadLe32(head + 10);
  const uint32_t size = ReadLe32(head + 14);
  THeaderKind kind;
  if (!KindOfHeader(size, kind)) return kDecodeBrokenData;
  if (off > fileSize || off < kFileHeaderSize + size || have < kFileHeaderSize + size) return kDecodeBrokenData;

  const size_t blockEnd = static_cast<size_t>(std::min<uint64_t>(off, have));
  TSource s = SourceOf(kind, size, head + kFileHeaderSize, blockEnd - kFileHeaderSize);
  TBmpLayout l;
  const int status = LayoutOf(s, fileSize - off, false, l);
  if (status != kDecodeOk) return status;
  l.PixelOffset = off;
  layout = l;
  return kDecodeOk;
}

int ReadPluginLayout(const uint8_t* block, size_t blockSize, uint64_t bitsSize, TBmpLayout& layout) {
  if (!block || blockSize < 4) return kDecodeBrokenData;
  const uint32_t size = ReadLe32(block);
  THeaderKind kind;
  if (!KindOfHeader(size, kind) || blockSize < size) return kDecodeBrokenData;
  TSource s = SourceOf(kind, size, block, std::min(blockSize, kDibHeaderBlockMax));
  TBmpLayout l;
  const int status = LayoutOf(s, bitsSize, true, l);
  if (status != kDecodeOk) return status;
  layout = l;
  return kDecodeOk;
}
