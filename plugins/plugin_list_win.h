#pragma once
// The plug-in catalogue: the file kPluginListName ("pluginlist", for the
// 64-bit edition "pluginlist64") in the profile folder, built once from the
// plug-in folder when it is missing and read at every start into
// PluginFiles. No plug-in is loaded to build or read it.

#include <cstdint>
#include <string>

#include "util/simple_list.h"

// The "Path" value under HKEY_CURRENT_USER\Software\Halvendo\Susie\Plug-in, or
// empty when the key or value is missing or unreadable.
std::string GetPluginFolder();

// The folder to scan: the registry's, else the program's own, ending in a
// backslash under the system code page's double-byte rule.
std::string ResolvePluginFolder(const std::string& registryFolder, const std::string& programFolder);

// Writes one line per folder + "*" + kPluginSuffix entry (".spi", for the
// 64-bit edition ".sph"), in the order the search returns them, to listFile;
// the 64-bit edition then adds the ".spi" entries without a ".sph" of the
// same base name (CatalogueNames). Returns 0 or the I/O error code of
// creating or writing it.
int32_t WritePluginList(const std::string& pluginFolder, const std::string& listFile);

// WritePluginList of the resolved plug-in folder into ProfileFolder + kPluginListName.
int32_t BuildPluginList();

// Appends a malloc'd copy of every path of listFile to list, but for the
// 64-bit plug-ins the 32-bit edition cannot load (kUnusablePluginSuffix).
// Returns 0 or the I/O error code of opening the file, leaving the list as
// it was.
int32_t ReadPluginList(const std::string& listFile, TSimpleList& list);

// ReadPluginList of ProfileFolder + kPluginListName into PluginFiles.
int32_t LoadPluginList();
