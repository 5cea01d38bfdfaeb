// Any bytes as a ZIP archive: the directory is read and every member the
// reader accepts is extracted, as GetArchiveInfo and GetFile would, and what
// comes back is checked. The bytes are tried as they are and, so that the
// fuzzer reaches the entries at once, as a central directory behind a copy
// of themselves (where the members' local headers are looked for) with an
// end record after it; then every record of that directory must be
// accounted for.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "counting_sink.h"
#include "image/dib_types.h"
#include "companions/common/spi_codes.h"

namespace {

constexpr size_t kDirectoryEntrySize = 46;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// The members read from the bytes, each extracted; empty when refused.
std::vector<ZipMember> ReadAndExtract(const uint8_t* data, size_t size) {
  MemorySource source(data, size);
  std::vector<ZipMember> members;
  const int32_t code = ReadZipDirectory(source, members);
  Check(code == kSpiSuccess || code == kSpiUnknownFormat || code == kSpiBrokenData || code == kSpiNoMemory ||
        code == kSpiReadError);
  if (code != kSpiSuccess) {
    Check(members.empty());
    return members;
  }
  Check(members.size() <= size / kDirectoryEntrySize);
  for (size_t i = 0; i < members.size(); ++i) {
    const ZipMember& m = members[i];
    Check(m.HeaderOffset < size);
    Check(m.Folder == (!m.Name.empty() && m.Name.back() == '/'));
    if (i >= 16) continue;
    CountingSink sink;
    const int32_t extracted = ExtractZipMember(source, m, sink);
    // Nothing here cancels or refuses a write.
    Check(extracted == kSpiSuccess || extracted == kSpiUnknownFormat || extracted == kSpiBrokenData ||
          extracted == kSpiNoMemory || extracted == kSpiReadError);
    Check(sink.Count <= m.Size);
    if (extracted == kSpiSuccess) Check(sink.Count == m.Size);
  }
  return members;
}

void Put(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += static_cast<char>(v >> (8 * i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadAndExtract(data, size);
  if (size == 0 || size > 0xFFFF) return 0;
  // The input twice, the second copy as the directory; its first byte says
  // how many entries the end record declares.
  const std::string input(reinterpret_cast<const char*>(data), size);
  const uint32_t declared = data[0] % 8;
  std::string archive = input + input;
  Put(archive, 0x06054b50, 4);
  Put(archive, 0, 4);
  Put(archive, declared, 2);
  Put(archive, declared, 2);
  Put(archive, static_cast<uint32_t>(size), 4);
  Put(archive, static_cast<uint32_t>(size), 4);
  Put(archive, 0, 2);
  const std::vector<ZipMember> members =
      ReadAndExtract(reinterpret_cast<const uint8_t*>(archive.data()), archive.size());
  // A ZIP64 locator at the input's end puts the directory elsewhere.
  if (members.empty() || (size >= 20 && ReadLe32(data + size - 20) == 0x07064b50)) return 0;

  // Walked here on its own: the records from the directory's start up to the
  // first that is none. The reader must have taken each of them, in order,
  // and at least as many as declared.
  size_t count = 0;
  for (size_t at = 0; size - at >= kDirectoryEntrySize && ReadLe32(data + at) == 0x02014b50; ++count) {
    const size_t nameLength = ReadLe16(data + at + 28);
    Check(count < members.size());
    Check(members[count].Name == input.substr(at + kDirectoryEntrySize, nameLength));
    Check(members[count].HeaderOffset < size);
    at += kDirectoryEntrySize + nameLength + ReadLe16(data + at + 30) + ReadLe16(data + at + 32);
    Check(at <= size);
  }
  Check(count == members.size());
  Check(count >= declared);
  return 0;
}
