// Test picture plug-in: binary PNM (P5 grey, P6 colour, maximum value 255).
// A file "ORVTEST <mode> [code]\n" followed by a PNM makes it misbehave in
// one of the ways published plug-ins do, so the host can be held to
// surviving each of them. Its records are written byte by byte as plug-ins
// of its width lay them out.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#include "plugins/spi_api.h"
#include "eh_pool_release.h"
#include "spi_test_log.h"
#include "spi_test_records.h"

namespace {

const struct TCountsLoads {
  TCountsLoads() { CountSpi("loads_pnm"); }
} countsLoads;

enum class Mode {
  Normal,
  Fixed,
  NullInfo,
  NullBits,
  Oversized,
  ShortBits,
  InfoError,
  PictureError,
  Partial,
  // GetPicture sleeps <code> milliseconds first, as a slow decoder takes its
  // time, having set the event "OrvTestPnmSleeping" if a test made it.
  Sleep,
  Unpadded,  // the text handle at offset 22 in a 64-bit record
  NoHandle,  // in place of the text handle, the address of a static text
};

struct Request {
  Mode mode = Mode::Normal;
  int code = 0;
  int width = 0;
  int height = 0;
  bool colour = false;
  const uint8_t* pixels = nullptr;
};

// The handles of the latest calls, for the test to check that the host freed them.
HLOCAL lastText = nullptr;
HLOCAL lastInfo = nullptr;
HLOCAL lastBits = nullptr;

bool IsBlank(uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool ReadNumber(const uint8_t* p, size_t n, size_t& at, int& value) {
  while (at < n && IsBlank(p[at])) ++at;
  if (at >= n || p[at] < '0' || p[at] > '9') return false;
  value = 0;
  while (at < n && p[at] >= '0' && p[at] <= '9' && value < 100000) value = value * 10 + (p[at++] - '0');
  return true;
}

bool ParsePnm(const uint8_t* p, size_t n, Request& r) {
  if (n < 3 || p[0] != 'P' || (p[1] != '5' && p[1] != '6')) return false;
  r.colour = p[1] == '6';
  size_t at = 2;
  int maxValue = 0;
  if (!ReadNumber(p, n, at, r.width) || !ReadNumber(p, n, at, r.height) || !ReadNumber(p, n, at, maxValue))
    return false;
  if (maxValue != 255 || at >= n || r.width <= 0 || r.height <= 0) return false;
  ++at;  // the one blank after the maximum value
  const size_t need = static_cast<size_t>(r.width) * r.height * (r.colour ? 3 : 1);
  if (n - at < need) return false;
  r.pixels = p + at;
  return true;
}

bool Parse(const char* image, LONG_PTR length, Request& r) {
  const uint8_t* p = reinterpret_cast<const uint8_t*>(image);
  size_t n = static_cast<size_t>(length);
  if (n > 8 && std::memcmp(p, "ORVTEST ", 8) == 0) {
    const char* line = image + 8;
    const void* end = std::memchr(p, '\n', n);
    if (!end) return false;
    struct Name {
      const char* text;
      Mode mode;
    };
    static const Name kModes[] = {{"fixed", Mode::Fixed},
                                  {"nullinfo", Mode::NullInfo},
                                  {"nullbits", Mode::NullBits},
                                  {"oversized", Mode::Oversized},
                                  {"shortbits", Mode::ShortBits},
                                  {"infoerror", Mode::InfoError},
                                  {"pictureerror", Mode::PictureError},
                                  {"partial", Mode::Partial},
                                  {"unpadded", Mode::Unpadded},
                                  {"nohandle", Mode::NoHandle},
                                  {"sleep", Mode::Sleep}};
    bool known = false;
    for (const Name& m : kModes) {
      const size_t len = std::strlen(m.text);
      if (std::strncmp(line, m.text, len) == 0 && (line[len] == ' ' || line[len] == '\n')) {
        r.mode = m.mode;
        r.code = std::atoi(line + len);
        known = true;
      }
    }
    if (!known) return false;
    const size_t skip = static_cast<const uint8_t*>(end) - p + 1;
    p += skip;
    n -= skip;
  }
  return ParsePnm(p, n, r);
}

HLOCAL Allocate(const Request& r, size_t size) {
  return LocalAlloc((r.mode == Mode::Fixed ? LMEM_FIXED : LMEM_MOVEABLE) | LMEM_ZEROINIT, size);
}

}  // namespace

SPI_EXPORT int __stdcall GetPluginInfo(int infoNumber, LPSTR buffer, int length) {
  if (infoNumber == 0) LogSpiCall("pnm:info0");
  static const char* const kInfo[] = {"00IN", "Orv test PNM reader", "*.pnm;*.pgm;*.ppm", "PNM pictures"};
  if (infoNumber < 0 || infoNumber > 3) return 0;
  return CopyInfoText(kInfo[infoNumber], buffer, length);
}

SPI_EXPORT int __stdcall IsSupported(LPCSTR fileName, void* header) {
  LogSpiCall(std::string("pnm:supported(") + (fileName ? fileName : "") + ")");
  const char* p = static_cast<const char*>(header);
  if (std::memcmp(p, "ORVTEST ", 8) == 0) return 1;
  return p[0] == 'P' && (p[1] == '5' || p[1] == '6') && IsBlank(static_cast<uint8_t>(p[2]));
}

SPI_EXPORT int __stdcall GetPictureInfo(LPCSTR image, LONG_PTR length, unsigned flag, SpiPictureInfo* info) {
  Request r;
  if ((flag & 7) != kSpiInputMemory || !Parse(image, length, r)) return 2;
  if (r.mode == Mode::InfoError) return r.code;
  if (r.mode == Mode::Partial) {
    // Fills nothing, like plug-ins that only write what they know; reports
    // whether the host handed over a cleared record.
    static const uint8_t kZero[spi_test::kPictureInfoSize] = {};
    LogSpiCall(std::memcmp(info, kZero, sizeof kZero) == 0 ? "pnm:zeroed" : "pnm:dirty");
    return 0;
  }
  char text[128];
  std::snprintf(text, sizeof text, "PNM %s\nwidth %d\nheight %d", r.colour ? "P6" : "P5", r.width, r.height);
  if (r.mode == Mode::NoHandle) {
    // Readable memory that is no local memory handle: never to be freed.
    static char kept[sizeof text];
    std::memcpy(kept, text, sizeof kept);
    lastText = reinterpret_cast<HLOCAL>(kept);
  } else {
    lastText = Allocate(r, std::strlen(text) + 1);
    if (void* p = LocalLock(lastText)) {
      std::memcpy(p, text, std::strlen(text) + 1);
      LocalUnlock(lastText);
    }
  }
  spi_test::WritePictureInfo(info, r.width, r.height, static_cast<int16_t>(r.colour ? 24 : 8), lastText,
                             r.mode == Mode::Unpadded ? 22 : spi_test::kTextHandleAt);
  return 0;
}

SPI_EXPORT int __stdcall GetPicture(LPCSTR image, LONG_PTR length, unsigned flag, HLOCAL* bitmapInfo, HLOCAL* bits,
                                    SpiProgressProc progress, LONG_PTR data) {
  Request r;
  if ((flag & 7) != kSpiInputMemory || !Parse(image, length, r)) return 2;
  CountSpi("decodes_pnm");
  if (r.mode == Mode::Sleep) {
    if (HANDLE sleeping = OpenEventA(EVENT_MODIFY_STATE, FALSE, "OrvTestPnmSleeping")) {
      SetEvent(sleeping);
      CloseHandle(sleeping);
    }
    Sleep(static_cast<DWORD>(r.code));
  }
  if (r.mode == Mode::PictureError) return r.code;
  if (progress && progress(0, r.height, data) != 0) return 1;

  const int bitCount = r.colour ? 24 : 8;
  const size_t colours = r.colour ? 0 : 256;
  const size_t headerSize = r.mode == Mode::Oversized ? 124 : 40;
  // A V5 header with a colour profile behind it, as some plug-ins return.
  const size_t infoSize = headerSize + colours * 4 + (r.mode == Mode::Oversized ? 2000 : 0);
  const size_t stride = (static_cast<size_t>(r.width) * bitCount + 31) / 32 * 4;
  size_t bitsSize = stride * r.height;
  if (r.mode == Mode::ShortBits) bitsSize -= 1;

  lastInfo = r.mode == Mode::NullInfo ? nullptr : Allocate(r, infoSize);
  lastBits = r.mode == Mode::NullBits ? nullptr : Allocate(r, bitsSize);
  if (lastInfo) {
    uint8_t* block = static_cast<uint8_t*>(LocalLock(lastInfo));
    for (size_t i = headerSize; i < infoSize; ++i) block[i] = static_cast<uint8_t>(i);
    BitmapInfoHeader h{};
    h.biSize = static_cast<uint32_t>(headerSize);
    h.biWidth = r.width;
    h.biHeight = r.height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<uint16_t>(bitCount);
    h.biClrUsed = static_cast<uint32_t>(colours);
    std::memcpy(block, &h, sizeof h);
    for (size_t i = 0; i < colours; ++i) {
      const uint8_t grey[4] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i), 0};
      std::memcpy(block + headerSize + i * 4, grey, 4);
    }
    LocalUnlock(lastInfo);
  }
  if (lastBits) {
    uint8_t* block = static_cast<uint8_t*>(LocalLock(lastBits));
    const int bytes = r.colour ? 3 : 1;
    for (int y = 0; y < r.height; ++y) {
      // DIB rows run bottom-up; PNM stores red, green, blue, DIBs blue first.
      uint8_t* row = block + stride * (r.height - 1 - y);
      const uint8_t* source = r.pixels + static_cast<size_t>(y) * r.width * bytes;
      for (int x = 0; x < r.width; ++x)
        for (int c = 0; c < bytes; ++c)
          if (row + x * bytes + c < block + bitsSize) row[x * bytes + c] = source[x * bytes + (bytes - 1 - c)];
    }
    LocalUnlock(lastBits);
  }
  *bitmapInfo = lastInfo;
  *bits = lastBits;
  return 0;
}

SPI_EXPORT int __stdcall ConfigurationDlg(HWND owner, int function) {
  char entry[64];
  std::snprintf(entry, sizeof entry, "pnm:config(%d,%llx)", function,
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(owner)));
  LogSpiCall(entry);
  return 0;
}

// Test only: the handles the latest calls gave out (text, header, pixels).
SPI_EXPORT void __stdcall OrvTestHandles(HLOCAL* handles) {
  handles[0] = lastText;
  handles[1] = lastInfo;
  handles[2] = lastBits;
}

// The host calls through its own pointer types: each export must be exactly that type.
static_assert(std::is_same_v<decltype(&GetPluginInfo), SpiGetPluginInfoProc>);
static_assert(std::is_same_v<decltype(&IsSupported), SpiIsSupportedProc>);
static_assert(std::is_same_v<decltype(&GetPictureInfo), SpiGetPictureInfoProc>);
static_assert(std::is_same_v<decltype(&GetPicture), SpiGetPictureProc>);
static_assert(std::is_same_v<decltype(&ConfigurationDlg), SpiConfigurationDlgProc>);
