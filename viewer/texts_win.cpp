#include "viewer/texts_win.h"

#include "framework/handles.h"

std::string FileTimeText(const FILETIME& time) {
  if (time.dwLowDateTime == 0 && time.dwHighDateTime == 0) return "Unknown";
  FILETIME local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &st)) return "Unknown";
  char date[1024] = {};
  char clock[1024] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_LONGDATE, &st, nullptr, date, sizeof date);
  GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, clock, sizeof clock);
  return std::string(date) + " " + clock;
}

namespace {

// GetFullPathNameA of path; filePart gets the offset of the last component or npos.
std::string FullPath(const std::string& path, size_t& filePart) {
  char buffer[MAX_PATH + 1] = {};
  char* file = nullptr;
  DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, &file);
  if (n == 0 || n >= sizeof buffer) {
    filePart = std::string::npos;
    return path;
  }
  filePart = file ? static_cast<size_t>(file - buffer) : std::string::npos;
  return buffer;
}

}  // namespace

std::string ExpandLongPath(const std::string& path) {
  std::string tail;
  size_t filePart;
  std::string p = FullPath(path, filePart);
  for (;;) {
    WIN32_FIND_DATAA entry;
    FindHandle find(FindFirstFileA(p.c_str(), &entry));
    if (!find) break;
    find.reset();
    if (!p.empty() && p.back() == ':') break;
    if (entry.cFileName[0] == '.' && entry.cFileName[1] == '\0') break;
    tail = "\\" + std::string(entry.cFileName) + tail;
    std::string full = FullPath(p, filePart);
    // No component left to strip: stop rather than look the same path up again.
    if (filePart == std::string::npos || filePart == 0 || full[filePart - 1] != '\\') return full + tail;
    p = full.substr(0, filePart - 1);
  }
  return p + tail;
}
