#include "companions/common/file_path_win.h"

std::wstring FilePath(const char* name) {
  const UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
  const int length = MultiByteToWideChar(codePage, 0, name, -1, nullptr, 0);
  if (length <= 1) return std::wstring();
  std::wstring path(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, name, -1, path.data(), length);
  path.resize(static_cast<size_t>(length - 1));
  return path;
}
