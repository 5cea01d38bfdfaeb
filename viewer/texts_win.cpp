#include "viewer/texts_win.h"

#include "framework/handles.h"
#include "util/names_win.h"

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

// GetFullPathNameW of path; filePart gets the offset of the last component or npos.
std::wstring FullPath(const std::wstring& path, size_t& filePart) {
  wchar_t buffer[MAX_PATH + 1] = {};
  wchar_t* file = nullptr;
  DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH + 1, buffer, &file);
  if (n == 0 || n > MAX_PATH) {
    filePart = std::wstring::npos;
    return path;
  }
  filePart = file ? static_cast<size_t>(file - buffer) : std::wstring::npos;
  return buffer;
}

}  // namespace

std::string ExpandLongPath(const std::string& path) {
  // Component by component in UTF-16, so that names the code page cannot
  // spell come back as they are on disk.
  std::wstring tail;
  size_t filePart;
  std::wstring p = FullPath(WideOf(path), filePart);
  for (;;) {
    WIN32_FIND_DATAW entry;
    FindHandle find(FindFirstFileW(p.c_str(), &entry));
    if (!find) break;
    find.reset();
    if (!p.empty() && p.back() == L':') break;
    if (entry.cFileName[0] == L'.' && entry.cFileName[1] == L'\0') break;
    tail = L"\\" + std::wstring(entry.cFileName) + tail;
    std::wstring full = FullPath(p, filePart);
    // No component left to strip: stop rather than look the same path up again.
    if (filePart == std::wstring::npos || filePart == 0 || full[filePart - 1] != L'\\') return NameOfWide(full + tail);
    p = full.substr(0, filePart - 1);
  }
  return NameOfWide(p + tail);
}
