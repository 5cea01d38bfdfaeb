// Test picture plug-in for the 64-bit edition's 32-bit helper, built 32-bit
// only. It claims files that begin "ORVBRIDGE <mode>" and decodes each as a
// 2 x 1 picture (blue, then red) after doing what the mode says:
//   box    shows a message box owned by nobody and waits for it to close
//   sleep  sleeps 60 s, having set the event "OrvTestBridgeSleeping"
//   exit   ends the process it runs in
// IsSupportedW answers 2 where IsSupported answers 1, so a test sees which
// one was called. ConfigurationDlg sets the owner window's text to
// "bridge config <function>", through a message sent across the processes.

#include <cstdint>
#include <cstring>
#include <string>

#include "eh_pool_release.h"
#include "plugins/spi_api.h"
#include "spi_test_log.h"
#include "spi_test_records.h"

namespace {

bool Claims(const void* header) { return std::memcmp(header, "ORVBRIDGE ", 10) == 0; }

bool Mode(LPCSTR image, LONG_PTR length, const char* mode) {
  const size_t n = std::strlen(mode);
  return length >= static_cast<LONG_PTR>(10 + n) && std::memcmp(image + 10, mode, n) == 0;
}

HLOCAL Block(const void* bytes, size_t size) {
  HLOCAL block = LocalAlloc(LMEM_MOVEABLE, size);
  if (void* p = LocalLock(block)) {
    std::memcpy(p, bytes, size);
    LocalUnlock(block);
  }
  return block;
}

}  // namespace

SPI_EXPORT int __stdcall GetPluginInfo(int infoNumber, LPSTR buffer, int length) {
  static const char* const kInfo[] = {"00IN", "Orv bridge test plug-in"};
  if (infoNumber < 0 || infoNumber > 1) return 0;
  return CopyInfoText(kInfo[infoNumber], buffer, length);
}

SPI_EXPORT int __stdcall IsSupported(LPCSTR, void* header) { return Claims(header) ? 1 : 0; }
SPI_EXPORT int __stdcall IsSupportedW(LPCWSTR, void* header) { return Claims(header) ? 2 : 0; }

SPI_EXPORT int __stdcall GetPictureInfo(LPCSTR image, LONG_PTR length, unsigned, SpiPictureInfo* info) {
  if (length < 10 || !Claims(image)) return 2;
  spi_test::WritePictureInfo(info, 2, 1, 24, nullptr);
  return 0;
}

SPI_EXPORT int __stdcall GetPicture(LPCSTR image, LONG_PTR length, unsigned, HLOCAL* bitmapInfo, HLOCAL* bits,
                                    SpiProgressProc, LONG_PTR) {
  if (length < 10 || !Claims(image)) return 2;
  if (Mode(image, length, "box")) MessageBoxA(nullptr, "The bridge test plug-in waits.", "Orv bridge test", MB_OK);
  if (Mode(image, length, "sleep")) {
    if (HANDLE sleeping = OpenEventA(EVENT_MODIFY_STATE, FALSE, "OrvTestBridgeSleeping")) {
      SetEvent(sleeping);
      CloseHandle(sleeping);
    }
    Sleep(60000);
  }
  if (Mode(image, length, "exit")) ExitProcess(3);
  BitmapInfoHeader h{};
  h.biSize = 40;
  h.biWidth = 2;
  h.biHeight = 1;
  h.biPlanes = 1;
  h.biBitCount = 24;
  const uint8_t pixels[8] = {255, 0, 0, 0, 0, 255, 0, 0};  // blue, red, then the row's padding
  *bitmapInfo = Block(&h, sizeof h);
  *bits = Block(pixels, sizeof pixels);
  return 0;
}

SPI_EXPORT int __stdcall ConfigurationDlg(HWND owner, int function) {
  const std::string text = "bridge config " + std::to_string(function);
  SendMessageA(owner, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  return 0;
}
