#include "companions/zip/file_source_win.h"

bool FileSource::Open(const std::wstring& name, uint64_t offset) {
  file_.reset(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file_ || !GetFileSizeEx(file_.get(), &size)) return false;
  const uint64_t total = static_cast<uint64_t>(size.QuadPart);
  if (offset > total) return false;
  base_ = offset;
  size_ = total - offset;
  return true;
}

bool FileSource::Read(uint64_t offset, void* buffer, size_t size) {
  if (offset > size_ || size > size_ - offset) return false;
  uint8_t* out = static_cast<uint8_t*>(buffer);
  uint64_t at = base_ + offset;
  while (size > 0) {
    const DWORD want = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    OVERLAPPED place{};
    place.Offset = static_cast<DWORD>(at);
    place.OffsetHigh = static_cast<DWORD>(at >> 32);
    DWORD got = 0;
    if (!ReadFile(file_.get(), out, want, &got, &place) || got != want) return false;
    out += got;
    at += got;
    size -= got;
  }
  return true;
}
