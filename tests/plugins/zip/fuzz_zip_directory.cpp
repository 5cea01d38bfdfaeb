// Any bytes as a ZIP archive: the directory is read and every member the
// reader accepts is extracted, as GetArchiveInfo and GetFile would.
#include <cstddef>
#include <cstdint>

#include "plugins/zip/zip_extract.h"

namespace {

struct CountingSink final : ByteSink {
  uint64_t Count = 0;
  bool Write(const uint8_t*, size_t size) override {
    Count += size;
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemorySource source(data, size);
  std::vector<ZipMember> members;
  if (ReadZipDirectory(source, members) != 0) return 0;
  for (size_t i = 0; i < members.size() && i < 16; ++i) {
    CountingSink sink;
    ExtractZipMember(source, members[i], sink);
    if (sink.Count > members[i].Size) __builtin_trap();
  }
  return 0;
}
