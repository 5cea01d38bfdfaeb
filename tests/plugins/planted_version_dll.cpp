// A DLL named like the system's version.dll, planted in the current folder by
// the tests: it marks the process when anything loads it. Declared by hand,
// because <windows.h> declares the real function as an import.

extern "C" __declspec(dllimport) int __stdcall SetEnvironmentVariableA(const char* name, const char* value);

extern "C" __declspec(dllexport) unsigned long __stdcall GetFileVersionInfoSizeA(const char*, unsigned long* handle) {
  if (handle) *handle = 0;
  return 0;
}

extern "C" int __stdcall DllMain(void*, unsigned long reason, void*) {
  if (reason == 1) SetEnvironmentVariableA("ORV_PLANTED", "version");
  return 1;
}
