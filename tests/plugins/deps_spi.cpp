// Test plug-in with dependencies: orvdep.dll, expected beside the plug-in, and
// the system's version.dll. Its description names the orvdep.dll that served it.

#include "plugins/spi_api.h"
#include "spi_test_log.h"

extern "C" __declspec(dllimport) const char* OrvDepWho();

SPI_EXPORT int __stdcall GetPluginInfo(int infoNumber, LPSTR buffer, int length) {
  if (infoNumber == 0) return CopyInfoText("00IN", buffer, length);
  if (infoNumber == 1) return CopyInfoText(OrvDepWho(), buffer, length);
  // Never asked for by the tests; it keeps the import of version.dll.
  DWORD handle = 0;
  return static_cast<int>(GetFileVersionInfoSizeA("", &handle));
}

SPI_EXPORT int __stdcall IsSupported(LPCSTR, void*) { return 0; }
