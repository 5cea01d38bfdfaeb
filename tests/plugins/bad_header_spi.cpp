// Test picture plug-in that returns the header and pixel blocks plug-ins get
// wrong. It claims files that begin "BADHEADER "; the word after it names
// the form of its 4 x 2 picture (bad_header_picture.h):
//   v5table     a version 5 header and 256 colour entries (1148 bytes)
//   core        a 12-byte OS/2 core header and three-byte entries
//   clrused     biClrUsed 100000 before a 256-entry table
//   bitfields   16-bit pixels with 2-3-1 masks
//   rle8        run-length data
//   alpha32     32-bit BI_RGB pixels with an alpha in the fourth byte
//   hugesize    biSize 0x7FFFFFFF
//   shortbits   a pixel block one byte short of the header's rows
//   samehandle  one handle given as both blocks
//   nothandle   the address of static memory given as the pixel block

#include <cstring>
#include <string>
#include <type_traits>

#include "bad_header_picture.h"
#include "eh_pool_release.h"
#include "image/bmp_builder.h"
#include "plugins/spi_api.h"
#include "spi_test_log.h"
#include "spi_test_records.h"

namespace {

using namespace bad_header;

HLOCAL lastInfo = nullptr;
HLOCAL lastBits = nullptr;
alignas(16) uint8_t staticBits[64] = {};

std::string ModeOf(LPCSTR image, LONG_PTR length) {
  const std::string text(image, static_cast<size_t>(length));
  if (text.rfind("BADHEADER ", 0) != 0) return std::string();
  return text.substr(10, text.find('\n') == std::string::npos ? std::string::npos : text.find('\n') - 10);
}

TBmpRecipe PaletteForm(uint32_t headerSize, uint32_t clrUsed) {
  TBmpRecipe r;
  r.HeaderSize = headerSize;
  r.Width = kWidth;
  r.Height = kHeight;
  r.BitCount = 8;
  r.ClrUsed = clrUsed;
  for (uint32_t i = 0; i < 256; ++i) {
    const uint32_t c = EntryColour(i);
    r.Extra.insert(r.Extra.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16)});
    if (headerSize != 12) r.Extra.push_back(0);
  }
  for (int32_t y = kHeight - 1; y >= 0; --y)
    for (int32_t x = 0; x < kWidth; ++x) r.Pixels.push_back(Index(x, y));
  return r;
}

TBmpRecipe DirectForm(uint16_t bits) {
  TBmpRecipe r;
  r.Width = kWidth;
  r.Height = kHeight;
  r.BitCount = bits;
  for (int32_t y = kHeight - 1; y >= 0; --y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      if (bits == 16) {
        Put16(r.Pixels, Word(x, y));
      } else {
        const uint32_t c = EntryColour(Index(x, y));
        Put16(r.Pixels, c & 0xFFFF);
        r.Pixels.push_back(static_cast<uint8_t>(c >> 16));
        if (bits == 32) r.Pixels.push_back(0x80);
      }
    }
  }
  return r;
}

// The depth GetPictureInfo reports: the form's own.
int DepthOf(const std::string& mode) {
  if (mode == "bitfields") return 16;
  if (mode == "alpha32") return 32;
  if (mode == "v5table" || mode == "core" || mode == "clrused" || mode == "rle8") return 8;
  return 24;
}

// The header block and the pixel block of a form; false for none.
bool Blocks(const std::string& mode, TBytes& header, TBytes& bits) {
  TBmpRecipe r;
  if (mode == "v5table") {
    r = PaletteForm(124, 0);
  } else if (mode == "core") {
    r = PaletteForm(12, 0);
  } else if (mode == "clrused") {
    r = PaletteForm(40, 100000);
  } else if (mode == "bitfields") {
    r = DirectForm(16);
    r.Compression = 3;
    r.Masks = {kRedMask, kGreenMask, kBlueMask};
  } else if (mode == "rle8") {
    r = PaletteForm(40, 0);
    r.Compression = 1;
    r.Pixels.clear();
    for (int32_t y = kHeight - 1; y >= 0; --y) {
      for (int32_t x = 0; x < kWidth; ++x) r.Pixels.insert(r.Pixels.end(), {1, Index(x, y)});
      r.Pixels.insert(r.Pixels.end(), {0, 0});
    }
    r.Pixels.insert(r.Pixels.end(), {0, 1});
  } else if (mode == "alpha32") {
    r = DirectForm(32);
  } else if (mode == "hugesize" || mode == "shortbits" || mode == "samehandle" || mode == "nothandle") {
    r = DirectForm(24);
  } else {
    return false;
  }
  const TBytes file = MakeBmp(r);
  const size_t off = file[10] | file[11] << 8;
  header.assign(file.begin() + 14, file.begin() + static_cast<ptrdiff_t>(off));
  bits.assign(file.begin() + static_cast<ptrdiff_t>(off), file.end());
  if (mode == "hugesize") Patch32(header, 0, 0x7FFFFFFF);
  if (mode == "shortbits") bits.pop_back();
  return true;
}

HLOCAL Block(const TBytes& bytes) {
  HLOCAL block = LocalAlloc(LMEM_MOVEABLE, bytes.size());
  if (void* p = LocalLock(block)) {
    std::memcpy(p, bytes.data(), bytes.size());
    LocalUnlock(block);
  }
  return block;
}

}  // namespace

SPI_EXPORT int __stdcall GetPluginInfo(int infoNumber, LPSTR buffer, int length) {
  if (infoNumber == 0) return CopyInfoText("00IN", buffer, length);
  return infoNumber == 1 ? CopyInfoText("Orv test plug-in with bad headers", buffer, length) : 0;
}

SPI_EXPORT int __stdcall IsSupported(LPCSTR, void* header) { return std::memcmp(header, "BADHEADER ", 10) == 0; }

SPI_EXPORT int __stdcall GetPictureInfo(LPCSTR image, LONG_PTR length, unsigned, SpiPictureInfo* info) {
  TBytes header, bits;
  const std::string mode = ModeOf(image, length);
  if (!Blocks(mode, header, bits)) return 2;
  spi_test::WritePictureInfo(info, kWidth, kHeight, static_cast<int16_t>(DepthOf(mode)), nullptr);
  return 0;
}

SPI_EXPORT int __stdcall GetPicture(LPCSTR image, LONG_PTR length, unsigned, HLOCAL* bitmapInfo, HLOCAL* bits,
                                    SpiProgressProc, LONG_PTR) {
  TBytes headerBytes, bitsBytes;
  const std::string mode = ModeOf(image, length);
  if (!Blocks(mode, headerBytes, bitsBytes)) return 2;
  lastInfo = Block(headerBytes);
  if (mode == "samehandle") {
    lastBits = lastInfo;
  } else if (mode == "nothandle") {
    std::memcpy(staticBits, bitsBytes.data(), bitsBytes.size() < sizeof staticBits ? bitsBytes.size() : sizeof staticBits);
    lastBits = reinterpret_cast<HLOCAL>(staticBits);
  } else {
    lastBits = Block(bitsBytes);
  }
  *bitmapInfo = lastInfo;
  *bits = lastBits;
  return 0;
}

// Test only: the blocks the latest GetPicture gave out (header, pixels).
SPI_EXPORT void __stdcall OrvTestHandles(HLOCAL* handles) {
  handles[0] = lastInfo;
  handles[1] = lastBits;
}

static_assert(std::is_same_v<decltype(&GetPluginInfo), SpiGetPluginInfoProc>);
static_assert(std::is_same_v<decltype(&IsSupported), SpiIsSupportedProc>);
static_assert(std::is_same_v<decltype(&GetPictureInfo), SpiGetPictureInfoProc>);
static_assert(std::is_same_v<decltype(&GetPicture), SpiGetPictureProc>);
