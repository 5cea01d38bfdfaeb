#pragma once
#include <windows.h>

#include <string>

// Ids of the program's string table.
constexpr UINT kStrCannotWriteFile = 65520;  // "Cannot write file."
constexpr UINT kStrUnknownFormat = 65521;    // "Unknown format."

// A text of the string table of the program's module; empty when absent.
std::string LoadResString(UINT id);
