#include <deque>
#include <new>

#include "plugins/spi_api.h"
#include "util/names_win.h"
#include "util/sutil_win.h"

namespace {

// Search flags of systems that have AddDllDirectory (Windows 7 with its
// loader update and later, and Wine); older headers lack the names.
constexpr DWORD kSearchDllLoadDir = 0x00000100;   // LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR
constexpr DWORD kSearchDefaultDirs = 0x00001000;  // LOAD_LIBRARY_SEARCH_DEFAULT_DIRS

bool HasRestrictedSearch() {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  return kernel && GetProcAddress(kernel, "AddDllDirectory") != nullptr;
}

struct TPoisonedModule {
  HMODULE Module;
  TPluginFault Fault;
};

// Every module that faulted in this run, in order. Lives until the process
// ends, like the modules themselves.
std::deque<TPoisonedModule>& PoisonedModules() {
  static auto* modules = new std::deque<TPoisonedModule>;
  return *modules;
}

void Poison(HMODULE module, DWORD code) {
  // An extra reference that no FreeLibrary removes: the module stays mapped
  // with whatever state the fault left, and nothing of it runs again.
  HMODULE pinned = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCSTR>(module), &pinned);
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameW(module, path, MAX_PATH + 1);
  try {
    PoisonedModules().push_back({module, {NameOf(NameOfWide(path, n > MAX_PATH ? 0 : n)), code}});
  } catch (const std::bad_alloc&) {
    // Unrecorded, the module may be called again; it stays pinned all the same.
  }
}

}  // namespace

const TPluginFault* PluginFaultOf(HMODULE module) {
  for (const TPoisonedModule& poisoned : PoisonedModules())
    if (poisoned.Module == module) return &poisoned.Fault;
  return nullptr;
}

TCallOutcome CallPluginWords(HMODULE module, FARPROC proc, const uintptr_t (&args)[kGuardedArgs], int32_t& result) {
  result = 0;
  if (PluginFaultOf(module)) return TCallOutcome::Refused;
  TGuardFault fault;
  result = CallGuarded(proc, args, fault);
  if (!fault.Faulted) return TCallOutcome::Returned;
  Poison(module, fault.Code);
  return TCallOutcome::Faulted;
}

ModuleHandle LoadPluginModule(const std::string& path) {
  if (!IsFullPluginPath(std::string(MarkedBody(path)))) return ModuleHandle();
  // Where the system has them, the restricted search flags name the only
  // folders a plug-in's dependencies come from: its own, the program's and the
  // system's. Elsewhere the plug-in's folder leads the search and the current
  // folder is taken off it (start-up does that too; repeating it keeps every
  // load safe on its own). Not every loader honours the empty DLL folder,
  // hence the flags first.
  static const bool restricted = HasRestrictedSearch();
  static const bool currentFolderOff = restricted || SetDllDirectoryA("") != 0;
  (void)currentFolderOff;
  const DWORD flags = restricted ? kSearchDllLoadDir | kSearchDefaultDirs : LOAD_WITH_ALTERED_SEARCH_PATH;
  // No system error box for a DLL that cannot be loaded: a probe just fails.
  const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  SetErrorMode(previous | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryExW(WideOf(path).c_str(), nullptr, flags);
  SetErrorMode(previous);
  return ModuleHandle(module);
}
