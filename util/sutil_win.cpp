#include "util/sutil_win.h"

#include "util/names_win.h"

bool IsFile(const std::string& name) {
  DWORD attributes = GetFileAttributesW(WideOf(name).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return attributes != FILE_ATTRIBUTE_DIRECTORY;
}

bool IsFolder(const std::string& name) {
  const DWORD attributes = GetFileAttributesW(WideOf(name).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string FullPathOf(const std::string& name) {
  wchar_t buffer[MAX_PATH + 1] = {};
  DWORD n = GetFullPathNameW(WideOf(name).c_str(), MAX_PATH + 1, buffer, nullptr);
  if (n == 0 || n > MAX_PATH) return name;
  return NameOfWide(buffer, n);
}

bool SystemLeadByte(uint8_t byte) { return IsDBCSLeadByte(byte) != 0; }

size_t LastBackslash(const std::string& path) { return LastBackslash(path, SystemLeadByte); }

std::string FolderOf(const std::string& name) {
  std::string full = FullPathOf(name);
  size_t slash = LastBackslash(full);
  return slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
}

std::string NameOf(const std::string& name) {
  std::string full = FullPathOf(name);
  size_t slash = LastBackslash(full);
  return slash == std::string::npos ? full : PlainestName(TailOf(full, slash + 1));
}

RECT MakeRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  RECT r;
  r.left = left;
  r.top = top;
  r.right = right;
  r.bottom = bottom;
  return r;
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
    HANDLE find = FindFirstFileW(p.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) break;
    FindClose(find);
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
