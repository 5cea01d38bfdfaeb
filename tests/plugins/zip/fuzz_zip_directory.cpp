// Any bytes as a ZIP archive: the directory is read and every member the
// reader accepts is extracted, as GetArchiveInfo and GetFile would. The
// bytes are tried as they are and, so that the fuzzer reaches the entries
// at once, as a central directory behind which an end record is put.
#include <cstddef>
#include <cstdint>
#include <string>

#include "counting_sink.h"

namespace {

void ReadAndExtract(const uint8_t* data, size_t size) {
  MemorySource source(data, size);
  std::vector<ZipMember> members;
  if (ReadZipDirectory(source, members) != 0) return;
  for (size_t i = 0; i < members.size() && i < 16; ++i) {
    CountingSink sink;
    ExtractZipMember(source, members[i], sink);
    if (sink.Count > members[i].Size) __builtin_trap();
  }
}

void Put(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += static_cast<char>(v >> (8 * i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadAndExtract(data, size);
  if (size == 0 || size > 0xFFFF) return 0;
  // The whole input as the directory; its first byte says how many entries it holds.
  std::string archive(reinterpret_cast<const char*>(data), size);
  Put(archive, 0x06054b50, 4);
  Put(archive, 0, 4);
  Put(archive, data[0] % 8, 2);
  Put(archive, data[0] % 8, 2);
  Put(archive, static_cast<uint32_t>(size), 4);
  Put(archive, 0, 4);
  Put(archive, 0, 2);
  ReadAndExtract(reinterpret_cast<const uint8_t*>(archive.data()), archive.size());
  return 0;
}
