#pragma once
// File names as the exports take them: the ANSI exports in the code page,
// their wide twins in UTF-16. Both reach the file through the wide file
// functions, the ANSI name converted as the system's ANSI file functions
// convert it, so that one road serves both kinds of export.

#include <windows.h>

#include <string>

// The UTF-16 path of an ANSI export's name, in the code page of the file
// functions (the system code page unless a host switched them to the OEM one).
std::wstring FilePath(const char* name);
inline std::wstring FilePath(const wchar_t* name) { return name; }
