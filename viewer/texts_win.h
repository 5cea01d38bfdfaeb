#pragma once
#include <windows.h>

#include <string>

// Local date (long format) and time of a file time; "Unknown" for a zero time.
std::string FileTimeText(const FILETIME& time);
// The full path with every existing component in its long form, as the
// directory lists it; components that do not exist stay as written.
std::string ExpandLongPath(const std::string& path);
