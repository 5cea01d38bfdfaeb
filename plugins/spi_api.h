#pragma once
// The exports of a plug-in DLL as typed pointers, and the one way the host
// loads such a DLL. Plug-ins are called as Windows API functions (the callee
// removes the arguments): __stdcall is written into every type, which the
// 32-bit interface needs and x64, with its single convention, ignores.
// Lengths and positions are pointer-sized: the 32-bit interface's integers,
// and what a 64-bit plug-in expects in a 64-bit build.

#include <windows.h>

#include <cstring>
#include <string>

#include "framework/handles.h"
#include "plugins/spi_records.h"

using SpiProgressProc = int(__stdcall*)(int done, int total, LONG_PTR data);
using SpiGetPluginInfoProc = int(__stdcall*)(int infoNumber, LPSTR buffer, int bufferLength);
using SpiIsSupportedProc = int(__stdcall*)(LPCSTR fileName, void* header);
using SpiGetPictureInfoProc = int(__stdcall*)(LPCSTR image, LONG_PTR length, unsigned flag, SpiPictureInfo* info);
using SpiGetPictureProc = int(__stdcall*)(LPCSTR image, LONG_PTR length, unsigned flag, HLOCAL* bitmapInfo,
                                          HLOCAL* bits, SpiProgressProc progress, LONG_PTR data);
using SpiGetArchiveInfoProc = int(__stdcall*)(LPCSTR archive, LONG_PTR offset, unsigned flag, HLOCAL* entries);
using SpiGetFileProc = int(__stdcall*)(LPCSTR archive, LONG_PTR position, LPSTR destination, unsigned flag,
                                       SpiProgressProc progress, LONG_PTR data);
using SpiConfigurationDlgProc = int(__stdcall*)(HWND owner, int function);

// An export as its typed pointer, or null when the DLL lacks it (and then it
// is never called). The copy is how a FARPROC becomes another function type
// without a cast the compiler warns about.
template <typename Proc>
Proc GetExport(HMODULE module, const char* name) {
  static_assert(sizeof(Proc) == sizeof(FARPROC));
  Proc proc = nullptr;
  FARPROC raw = module ? GetProcAddress(module, name) : nullptr;
  if (raw) std::memcpy(&proc, &raw, sizeof proc);
  return proc;
}

// Loads a plug-in by its full path; its own folder serves its dependencies
// and the current folder never does. Any other path is refused. No system
// error box appears for a DLL that cannot be loaded.
ModuleHandle LoadPluginModule(const std::string& path);
