#pragma once
// The records as plug-ins of this build's width write them, byte by byte at
// the offsets of the interface. The test plug-ins never use the host's
// definitions of the records, so a host layout that is wrong cannot hide
// behind a plug-in that shares it.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace spi_test {

constexpr bool kWide = sizeof(void*) == 8;
// Picture information: 26 bytes with the text handle at 22, or 32 bytes with
// two padding bytes after the colour depth and the handle at 24.
constexpr size_t kPictureInfoSize = kWide ? 32 : 26;
constexpr size_t kTextHandleAt = kWide ? 24 : 22;
// Archive records: position, compressed size, size and time in 4 bytes each,
// or 8, then the folder and file names, the CRC and (64-bit) 4 padding bytes.
constexpr size_t kWord = kWide ? 8 : 4;
constexpr size_t kArchiveRecordSize = kWide ? 448 : 428;

inline void PutLe(uint8_t* at, uint64_t value, size_t size) {
  for (size_t i = 0; i < size; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void PutTextHandle(void* record, HLOCAL text, size_t at = kTextHandleAt) {
  PutLe(static_cast<uint8_t*>(record) + at, reinterpret_cast<uintptr_t>(text), sizeof text);
}

// Fills the fields of a picture information record; the text handle goes at
// textAt (22 without padding, as some 64-bit plug-ins write it, leaving
// bytes 30 and 31 as they were).
inline void WritePictureInfo(void* record, int32_t width, int32_t height, int16_t depth, HLOCAL text,
                             size_t textAt = kTextHandleAt) {
  uint8_t* r = static_cast<uint8_t*>(record);
  PutLe(r, 0, 8);  // left, top
  PutLe(r + 8, static_cast<uint32_t>(width), 4);
  PutLe(r + 12, static_cast<uint32_t>(height), 4);
  PutLe(r + 16, 0, 4);  // densities
  PutLe(r + 20, static_cast<uint16_t>(depth), 2);
  PutTextHandle(record, text, textAt);
}

struct TArchiveRecord {
  uint8_t Bytes[kArchiveRecordSize] = {};
};

// A record; texts longer than their fields fill them without a NUL.
inline TArchiveRecord ArchiveRecord(const char* method, uint64_t position, int64_t size, int64_t time,
                                    const std::string& folder, const std::string& file) {
  TArchiveRecord r;
  uint8_t* b = r.Bytes;
  std::memcpy(b, method, std::strlen(method) < 8 ? std::strlen(method) : 8);
  PutLe(b + 8, position, kWord);
  PutLe(b + 8 + kWord, static_cast<uint64_t>(size), kWord);  // compressed size
  PutLe(b + 8 + 2 * kWord, static_cast<uint64_t>(size), kWord);
  PutLe(b + 8 + 3 * kWord, static_cast<uint64_t>(time), kWord);
  const size_t names = 8 + 4 * kWord;
  std::memcpy(b + names, folder.data(), folder.size() < 200 ? folder.size() : 200);
  std::memcpy(b + names + 200, file.data(), file.size() < 200 ? file.size() : 200);
  PutLe(b + names + 400, 0x5A5A5A5A, 4);             // no CRC the host reads
  if (kWide) PutLe(b + names + 404, 0xA5A5A5A5, 4);  // padding that holds garbage
  return r;
}

}  // namespace spi_test
