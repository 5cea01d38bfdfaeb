#include "plugins/spi_api.h"

namespace {

// Search flags of systems that have AddDllDirectory (Windows 7 with its
// loader update and later, and Wine); older headers lack the names.
constexpr DWORD kSearchDllLoadDir = 0x00000100;   // LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR
constexpr DWORD kSearchDefaultDirs = 0x00001000;  // LOAD_LIBRARY_SEARCH_DEFAULT_DIRS

bool HasRestrictedSearch() {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  return kernel && GetProcAddress(kernel, "AddDllDirectory") != nullptr;
}

}  // namespace

ModuleHandle LoadPluginModule(const std::string& path) {
  if (!IsFullPluginPath(path)) return ModuleHandle();
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
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, flags);
  SetErrorMode(previous);
  return ModuleHandle(module);
}
