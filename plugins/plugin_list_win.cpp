#include "plugins/plugin_list_win.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/globals.h"
#include "config/profile.h"
#include "framework/handles.h"
#include "plugins/plugin_list.h"
#include "util/file_io_win.h"
#include "util/names_win.h"
#include "util/sutil_win.h"

namespace {

std::string ProgramFolder() { return FolderOf(ProgramPath()); }

}  // namespace

std::string GetPluginFolder() {
  RegKeyHandle key;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Halvendo\\Susie\\Plug-in", 0, KEY_QUERY_VALUE, &opened) !=
      ERROR_SUCCESS)
    return std::string();
  key.reset(opened);
  // One byte beyond the limit stays 0, so a value that fills the limit still ends.
  char folder[MAX_PATH + 2] = {};
  DWORD size = MAX_PATH + 1;
  if (RegQueryValueExA(key.get(), "Path", nullptr, nullptr, reinterpret_cast<BYTE*>(folder), &size) != ERROR_SUCCESS)
    return std::string();
  return folder;
}

std::string ResolvePluginFolder(const std::string& registryFolder, const std::string& programFolder) {
  return WithTrailingBackslash(registryFolder.empty() ? programFolder : registryFolder, SystemLeadByte);
}

namespace {

// The names the search for folder + "*" + suffix returns, in its order; in
// UTF-16, so that a name the code page cannot spell comes as a marked name.
std::vector<std::string> SearchNames(const std::string& folder, const char* suffix) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW entry;
  FindHandle find(FindFirstFileW(WideOf(JoinText(folder, std::string("*") + suffix)).c_str(), &entry));
  if (!find) return names;
  // Whatever the search returns is listed, folders included: the catalogue
  // is the user's to edit, and a probe simply fails on a non-plug-in.
  do {
    names.push_back(NameOfWide(entry.cFileName, wcsnlen(entry.cFileName, MAX_PATH)));
  } while (FindNextFileW(find.get(), &entry));
  return names;
}

}  // namespace

int32_t WritePluginList(const std::string& pluginFolder, const std::string& listFile) {
  // The 64-bit edition lists the 32-bit plug-ins too, which its helper
  // process calls, behind its own.
  const std::vector<std::string> names =
      CatalogueNames(SearchNames(pluginFolder, kPluginSuffix),
                     kSpiWide ? SearchNames(pluginFolder, kOtherWidthPluginSuffix) : std::vector<std::string>());
  // A path the code page cannot spell is written as a marked name, which
  // this program reads back and loads through the wide functions.
  std::vector<std::string> paths;
  for (const std::string& name : names) paths.push_back(JoinText(pluginFolder, name));
  const std::string text = PluginListText("", paths);

  FileHandle file(CreateFileW(WideOf(listFile).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastErrorOr(ERROR_GEN_FAILURE);
  DWORD written = 0;
  if (!text.empty() && (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
                        written != text.size()))
    return LastErrorOr(ERROR_GEN_FAILURE);
  if (!FlushFileBuffers(file.get())) return LastErrorOr(ERROR_GEN_FAILURE);
  return 0;
}

int32_t BuildPluginList() {
  return WritePluginList(ResolvePluginFolder(GetPluginFolder(), ProgramFolder()), ProfileFolder + kPluginListName);
}

int32_t ReadPluginList(const std::string& listFile, TSimpleList& list) {
  FileHandle file(CreateFileW(WideOf(listFile).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastErrorOr(ERROR_GEN_FAILURE);
  std::string bytes;
  char buffer[1024];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  file.reset();

  // Each path is its own C heap block: start-up's clean-up frees them with free().
  for (const std::string& path : ParsePluginList(bytes, kUnusablePluginSuffix)) {
    char* copy = static_cast<char*>(std::malloc(path.size() + 1));
    if (!copy) break;
    std::memcpy(copy, path.c_str(), path.size() + 1);
    if (list.Add(copy) < 0) {
      std::free(copy);
      break;
    }
  }
  return 0;
}

int32_t LoadPluginList() {
  if (!PluginFiles) return ERROR_INVALID_HANDLE;
  return ReadPluginList(ProfileFolder + kPluginListName, *PluginFiles);
}
