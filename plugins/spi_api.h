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
#include <type_traits>

#include "framework/handles.h"
#include "plugins/fault_guard_win.h"
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
// The wide twins current plug-ins export: the same calls with UTF-16 file
// names (and, for GetArchiveInfoW, records with UTF-16 names).
using SpiIsSupportedWProc = int(__stdcall*)(LPCWSTR fileName, void* header);
using SpiGetArchiveInfoWProc = int(__stdcall*)(LPCWSTR archive, LONG_PTR offset, unsigned flag, HLOCAL* entries);
using SpiGetFileWProc = int(__stdcall*)(LPCWSTR archive, LONG_PTR position, LPWSTR destination, unsigned flag,
                                        SpiProgressProc progress, LONG_PTR data);

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

// How a call into a plug-in ended. A plug-in that faults once is never called
// again in this run: its state is unknown. Its module is pinned, so that
// releasing it never unloads it and no later load runs its DllMain again.
enum class TCallOutcome { Returned, Faulted, Refused };

// The fault that made a module's calls refused: the plug-in's file name and
// the exception code.
struct TPluginFault {
  std::string Name;
  DWORD Code = 0;
};

// The fault of a module that faulted, or null for one that never did.
const TPluginFault* PluginFaultOf(HMODULE module);

// CallPlugin once the arguments are words.
TCallOutcome CallPluginWords(HMODULE module, FARPROC proc, const uintptr_t (&args)[kGuardedArgs], int32_t& result);

template <typename T>
uintptr_t PluginArgWord(T value) {
  if constexpr (std::is_null_pointer_v<T>)
    return 0;
  else if constexpr (std::is_pointer_v<T>)
    return reinterpret_cast<uintptr_t>(value);
  else
    return static_cast<uintptr_t>(value);
}

// Every call into a plug-in goes through here: proc, an export of module, is
// called with args inside the fault guard. result is the export's answer when
// it returned, else 0.
template <typename Proc, typename... Args>
TCallOutcome CallPlugin(HMODULE module, Proc proc, int32_t& result, Args... args) {
  static_assert(std::is_invocable_r_v<int, Proc, Args...>, "arguments the export does not take");
  static_assert(sizeof...(Args) <= kGuardedArgs);
  static_assert(sizeof(Proc) == sizeof(FARPROC));
  const uintptr_t words[kGuardedArgs] = {PluginArgWord(args)...};
  FARPROC raw;
  std::memcpy(&raw, &proc, sizeof raw);
  return CallPluginWords(module, raw, words, result);
}
