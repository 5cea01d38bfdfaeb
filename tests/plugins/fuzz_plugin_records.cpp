// Archive blocks and catalogue files as plug-ins and users may hand them over.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "plugins/plugin_list.h"
#include "plugins/spi_records.h"

namespace {

// The block read as records of one width.
template <typename Record>
void ConvertBlock(const uint8_t* block, size_t size) {
  std::unique_ptr<FileEntry[]> entries;
  if (ConvertArchiveEntries<Record>(block, size, entries) != 0) return;
  size_t count = 0;
  while (entries[count].Name[0]) {
    if (strnlen(entries[count].Name, kFileEntryNameSize) > kMemberNameMax) __builtin_trap();
    ++count;
  }
  if (count > size / sizeof(Record)) __builtin_trap();
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

  if (size >= sizeof(BitmapInfo) + 8) {
    BitmapInfo info;
    std::memcpy(&info, data, sizeof info);
    uint64_t bitsSize;
    std::memcpy(&bitsSize, data + sizeof info, 8);
    PluginBitsFit(info, bitsSize);
  }
  return 0;
}
