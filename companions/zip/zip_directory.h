#pragma once
// Reading a ZIP archive's central directory (with its ZIP64 records) into a
// list of members. Pure code: the archive comes through a ByteSource, and
// the results are plug-in error codes.

#include <cstdint>
#include <string>
#include <vector>

#include "companions/zip/byte_source.h"

struct ZipMember {
  std::string Name;        // the stored bytes, '/' between folders
  bool Utf8 = false;       // general purpose flag bit 11
  bool Encrypted = false;  // flag bit 0
  bool Folder = false;     // the name ends in '/'
  uint16_t Method = 0;     // 0 stored, 8 deflate; others are listed but not read
  uint32_t Crc = 0;
  uint64_t CompressedSize = 0;
  uint64_t Size = 0;
  uint64_t HeaderOffset = 0;  // of the member's local header in the source
  uint16_t DosTime = 0;
  uint16_t DosDate = 0;
  bool HasUnixTime = false;  // an extended timestamp field gave the time in UTC
  int64_t UnixTime = 0;
};

// More members than this are refused as a block too large to hand out.
constexpr size_t kMaxZipMembers = 1u << 18;
// A central directory larger than this is refused for the same reason.
constexpr uint64_t kMaxZipDirectoryBytes = 128u << 20;

// The members in directory order. 0 on success; 2 when the source has no end
// record (not an archive) or spans several disks; 3 when a record is
// truncated, inconsistent or points outside the source; 4 when the directory
// is too large; 6 when reading fails.
int32_t ReadZipDirectory(ByteSource& source, std::vector<ZipMember>& members);

// The source's tail (its last 64 KB and the longest comment) holds an end
// record whose comment fits in the source: a ZIP archive ends there, maybe
// behind other data such as a self-extracting program.
bool HasZipEndRecord(ByteSource& source);
