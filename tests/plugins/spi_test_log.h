#pragma once
// Shared by the test plug-ins: the calls they receive are appended to the
// process environment variable ORV_SPI_LOG ("name:call;"), which outlives the
// DLL, so a test can read the order of calls after the host released it.

#include <windows.h>

#include <string>

inline void LogSpiCall(const std::string& entry) {
  char previous[4096] = {};
  DWORD n = GetEnvironmentVariableA("ORV_SPI_LOG", previous, sizeof previous);
  if (n >= sizeof previous) n = 0;  // a runaway log starts again rather than overflow
  std::string log(previous, n);
  log += entry + ";";
  SetEnvironmentVariableA("ORV_SPI_LOG", log.c_str());
}

// Counts an event of a test plug-in ("loads_pnm" for its DLL_PROCESS_ATTACH,
// "decodes_pnm" for its GetPicture calls) in the process environment
// variable ORV_SPI_COUNT_<what>, which outlives the DLL.
inline void CountSpi(const std::string& what) {
  const std::string variable = "ORV_SPI_COUNT_" + what;
  char count[16] = {};
  const DWORD n = GetEnvironmentVariableA(variable.c_str(), count, sizeof count);
  SetEnvironmentVariableA(variable.c_str(), std::to_string(n && n < sizeof count ? std::stoi(count) + 1 : 1).c_str());
}

// Writes text into a plug-in info buffer as plug-ins do: cut to fit, NUL-ended.
inline int CopyInfoText(const char* text, LPSTR buffer, int length) {
  if (!buffer || length <= 0) return 0;
  int n = lstrlenA(text);
  if (n > length - 1) n = length - 1;
  CopyMemory(buffer, text, n);
  buffer[n] = '\0';
  return n;
}

#define SPI_EXPORT extern "C" __declspec(dllexport)
