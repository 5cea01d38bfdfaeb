#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

// The thread's last error, or fallback when a call failed without setting
// one, so a failure is never reported as 0.
int32_t LastErrorOr(DWORD fallback);

// Reads size bytes from offset into to. 0, or the I/O error code of a read
// that fails or comes up short (ERROR_HANDLE_EOF for a file that ended early).
int32_t ReadFileAt(HANDLE file, uint64_t offset, uint8_t* to, size_t size);

// Writes all size bytes at the file's position; 0 or the I/O error code.
int32_t WriteAll(HANDLE file, const uint8_t* data, size_t size);
