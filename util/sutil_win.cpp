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
