#include "util/file_io_win.h"

#include <algorithm>

namespace {

// One ReadFile or WriteFile takes a DWORD count; 64 MB steps also keep a
// failing disk from stalling on one enormous request.
constexpr size_t kStep = 64u << 20;

}  // namespace

int32_t LastErrorOr(DWORD fallback) {
  const DWORD error = GetLastError();
  return static_cast<int32_t>(error ? error : fallback);
}

int32_t ReadFileAt(HANDLE file, uint64_t offset, uint8_t* to, size_t size) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return LastErrorOr(ERROR_SEEK);
  size_t done = 0;
  while (done < size) {
    const DWORD want = static_cast<DWORD>(std::min(size - done, kStep));
    DWORD got = 0;
    if (!ReadFile(file, to + done, want, &got, nullptr)) return LastErrorOr(ERROR_READ_FAULT);
    if (got == 0) return ERROR_HANDLE_EOF;
    done += got;
  }
  return 0;
}

int32_t WriteAll(HANDLE file, const uint8_t* data, size_t size) {
  while (size > 0) {
    const DWORD want = static_cast<DWORD>(std::min(size, kStep));
    DWORD done = 0;
    if (!WriteFile(file, data, want, &done, nullptr)) return LastErrorOr(ERROR_WRITE_FAULT);
    if (done == 0) return ERROR_WRITE_FAULT;
    data += done;
    size -= done;
  }
  return 0;
}
