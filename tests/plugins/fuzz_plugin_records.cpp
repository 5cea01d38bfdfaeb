// Archive blocks and catalogue files as plug-ins and users may hand them over.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "plugins/plugin_list.h"
#include "plugins/spi_records.h"

namespace {

// The block read as records of one width: every whole record before the
// ending one is either an entry, in order and with its own name, time and
// position, or a member without size or name that the walk passes over.
template <typename Record>
void ConvertBlock(const uint8_t* block, size_t size) {
  std::unique_ptr<FileEntry[]> entries;
  if (ConvertArchiveEntries<Record>(block, size, entries) != 0) return;
  size_t next = 0;
  for (size_t at = 0; at + sizeof(Record) <= size; at += sizeof(Record)) {
    Record record;
    std::memcpy(&record, block + at, sizeof record);
    if (record.Method[0] == 0) break;
    const std::string name = MemberName(record);
    if (record.FileSize <= 0 || name.empty()) continue;
    const FileEntry& entry = entries[next++];
    if (name.size() > kMemberNameMax || std::string(entry.Name) != name) __builtin_trap();
    const FileTime time = UnixTimeToFileTime(record.Time);
    if (entry.Time.dwLowDateTime != time.dwLowDateTime || entry.Time.dwHighDateTime != time.dwHighDateTime || entry.Candidate != 1 ||
        entry.Position != static_cast<SpiPosition>(record.Position))
      __builtin_trap();
  }
  if (entries[next].Name[0] != 0) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Copied so that the walk's bounds are the block's own.
  std::unique_ptr<uint8_t[]> block(new uint8_t[size ? size : 1]);
  if (size) std::memcpy(block.get(), data, size);
  ConvertBlock<SpiArchiveEntry32>(block.get(), size);
  ConvertBlock<SpiArchiveEntry64>(block.get(), size);

  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const std::string& path : ParsePluginList(text, kOtherWidthPluginSuffix))
    if (path.empty() || path[0] == '#' || path.find_first_of("\r\n\x1A") != std::string::npos ||
        HasPluginSuffix(path, kOtherWidthPluginSuffix))
      __builtin_trap();
  WithTrailingBackslash(text, [](uint8_t b) { return b >= 0x81 && b <= 0x9F; });

  return 0;
}
