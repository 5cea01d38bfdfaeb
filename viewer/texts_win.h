#pragma once
#include <windows.h>

#include <string>

// Local date (long format) and time of a file time; "Unknown" for a zero time.
std::string FileTimeText(const FILETIME& time);
