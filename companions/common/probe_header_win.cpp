#include "companions/common/probe_header_win.h"

#include <windows.h>

#include <cstring>

size_t ReadProbeHeader(const void* argument, uint8_t (&header)[kSpiHeaderSize]) {
  const uintptr_t value = reinterpret_cast<uintptr_t>(argument);
  if (value == 0) return 0;
  if (value > 0xFFFF) {
    std::memcpy(header, argument, kSpiHeaderSize);
    return kSpiHeaderSize;
  }
  HANDLE file = reinterpret_cast<HANDLE>(value);
  LARGE_INTEGER zero{}, where{};
  if (!SetFilePointerEx(file, zero, &where, FILE_CURRENT)) return 0;
  DWORD read = 0;
  const BOOL ok = ReadFile(file, header, kSpiHeaderSize, &read, nullptr);
  SetFilePointerEx(file, where, nullptr, FILE_BEGIN);
  return ok ? read : 0;
}
