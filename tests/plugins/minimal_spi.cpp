// Test plug-ins that are broken as a whole: a version text that is not quite
// right, or exports missing. Built several times with different definitions:
//   ORV_SPI_NAME     name in the call log
//   ORV_SPI_VERSION  the version text GetPluginInfo(0) writes
//   ORV_SPI_NO_GETPLUGININFO, ORV_SPI_NO_ISSUPPORTED  leave that export out
//   ORV_SPI_DLLMAIN_FAILS  the DLL refuses to be loaded
//   ORV_SPI_REFUSES  refuses every file, quickly and without logging (a
//                    plug-in that a host asks in vain at every page turn)
// Otherwise it claims every file it is asked about and exports nothing else,
// so a host that trusts the claim would call exports that are not there.

#include "plugins/spi_api.h"
#include "eh_pool_release.h"
#include "spi_test_log.h"

#ifndef ORV_SPI_NO_GETPLUGININFO
SPI_EXPORT int __stdcall GetPluginInfo(int infoNumber, LPSTR buffer, int length) {
  if (infoNumber == 0) {
    LogSpiCall(ORV_SPI_NAME ":info0");
    return CopyInfoText(ORV_SPI_VERSION, buffer, length);
  }
  return infoNumber == 1 ? CopyInfoText(ORV_SPI_NAME " test plug-in", buffer, length) : 0;
}
#endif

#ifndef ORV_SPI_NO_ISSUPPORTED
SPI_EXPORT int __stdcall IsSupported(LPCSTR, void*) {
#ifdef ORV_SPI_REFUSES
  return 0;
#else
  LogSpiCall(ORV_SPI_NAME ":supported");
  return 1;
#endif
}
#endif

#ifdef ORV_SPI_DLLMAIN_FAILS
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  CountSpi("loads_" ORV_SPI_NAME);
  return FALSE;
}
#endif
