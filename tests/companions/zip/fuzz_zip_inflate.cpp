// Any bytes as the deflate stream of a member, with a declared size and CRC
// taken from the first eight bytes: the extractor must stop at the declared
// size and refuse whatever is not exactly right.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "counting_sink.h"

namespace {

void Put16(std::string& s, uint16_t v) { s.append({static_cast<char>(v), static_cast<char>(v >> 8)}); }
void Put32(std::string& s, uint32_t v) {
  Put16(s, static_cast<uint16_t>(v));
  Put16(s, static_cast<uint16_t>(v >> 16));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  uint32_t declared, crc;
  std::memcpy(&declared, data, 4);
  std::memcpy(&crc, data + 4, 4);
  declared &= (1u << 22) - 1;
  const std::string stream(reinterpret_cast<const char*>(data + 8), size - 8);
  // A local header and the stream; the member record says where they are.
  std::string file;
  Put32(file, 0x04034b50);
  file.append(22, '\0');
  Put16(file, 0);
  Put16(file, 0);
  file += stream;
  ZipMember member;
  member.Method = 8;
  member.Crc = crc;
  member.Size = declared;
  member.CompressedSize = stream.size();
  MemorySource source(file.data(), file.size());
  CountingSink sink;
  ExtractZipMember(source, member, sink);
  if (sink.Count > declared) __builtin_trap();
  return 0;
}
