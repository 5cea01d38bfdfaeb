#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "util/sutil.h"

// True for anything that exists except a plain folder: a folder with further
// attribute bits (read-only, hidden...) still counts as present.
bool IsFile(const std::string& name);
// The full path with every existing component in its long form, as the
// directory lists it; components that do not exist stay as written.
std::string ExpandLongPath(const std::string& path);
// Whether name is a folder.
bool IsFolder(const std::string& name);
// The absolute folder of name, ending in a backslash.
std::string FolderOf(const std::string& name);
// The file-name part of the full path of name; empty when there is none.
std::string NameOf(const std::string& name);
RECT MakeRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
// Index of the last path separator, double-byte aware; npos when none.
size_t LastBackslash(const std::string& path);
// A lead byte of the system code page (the LeadByteTest of util/sutil.h).
bool SystemLeadByte(uint8_t byte);
// The full path of name (either kind of name, util/names.h) as the system
// makes it, within MAX_PATH; the name itself when that fails.
std::string FullPathOf(const std::string& name);
