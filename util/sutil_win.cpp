#include "util/sutil_win.h"

bool IsFile(const std::string& name) {
  DWORD attributes = GetFileAttributesA(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return attributes != FILE_ATTRIBUTE_DIRECTORY;
}

std::string FullPathOf(const std::string& name) {
  char buffer[MAX_PATH + 1] = {};
  char* filePart = nullptr;
  DWORD n = GetFullPathNameA(name.c_str(), sizeof buffer, buffer, &filePart);
  if (n == 0 || n >= sizeof buffer) return name;
  return buffer;
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
  return slash == std::string::npos ? full : full.substr(slash + 1);
}

RECT MakeRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  RECT r;
  r.left = left;
  r.top = top;
  r.right = right;
  r.bottom = bottom;
  return r;
}
