// The dependency of the test plug-in deps.spi, built twice: the genuine one
// that sits beside the plug-in, and a planted one (ORV_PLANTED) that marks the
// process when anything loads it.

#include <windows.h>

extern "C" __declspec(dllexport) const char* OrvDepWho() { return ORV_DEP_WHO; }

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
#ifdef ORV_PLANTED
  if (reason == DLL_PROCESS_ATTACH) SetEnvironmentVariableA("ORV_PLANTED", "orvdep");
#else
  (void)reason;
#endif
  return TRUE;
}
