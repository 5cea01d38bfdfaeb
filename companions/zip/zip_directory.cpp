#include "companions/zip/zip_directory.h"

#include <algorithm>
#include <new>

#include "image/dib_types.h"
#include "companions/common/spi_codes.h"

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr uint32_t kDirectorySignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr size_t kEndSize = 22;
constexpr size_t kLocatorSize = 20;
constexpr size_t kZip64EndSize = 56;
constexpr size_t kDirectoryEntrySize = 46;
// The end record with the longest comment it can have.
constexpr size_t kEndSearch = kEndSize + 0xFFFF;

struct DirectoryPlace {
  uint64_t Offset = 0;  // as recorded
  uint64_t Size = 0;
  uint64_t Entries = 0;
  uint64_t End = 0;  // where the directory must end: the first end record
};

// The last end record in the file's tail whose comment fits in the file.
bool FindEndRecord(ByteSource& source, uint64_t& position, uint8_t (&record)[kEndSize]) {
  const uint64_t size = source.Size();
  if (size < kEndSize) return false;
  const size_t tailSize = static_cast<size_t>(std::min<uint64_t>(size, kEndSearch));
  std::vector<uint8_t> tail(tailSize);
  const uint64_t tailStart = size - tailSize;
  if (!source.Read(tailStart, tail.data(), tailSize)) return false;
  for (size_t i = tailSize - kEndSize + 1; i-- > 0;) {
    if (ReadLe32(&tail[i]) != kEndSignature) continue;
    if (i + kEndSize + ReadLe16(&tail[i + 20]) > tailSize) continue;
    position = tailStart + i;
    std::copy_n(&tail[i], kEndSize, record);
    return true;
  }
  return false;
}

int32_t LocateDirectory(ByteSource& source, DirectoryPlace& place) {
  uint64_t endPosition = 0;
  uint8_t end[kEndSize];
  if (!FindEndRecord(source, endPosition, end)) {
    // An archive that lost its end is broken; anything else is not an archive.
    uint8_t start[4];
    return source.Read(0, start, sizeof start) && ReadLe32(start) == kLocalSignature ? kSpiBrokenData
                                                                                     : kSpiUnknownFormat;
  }
  uint32_t disk = ReadLe16(end + 4), directoryDisk = ReadLe16(end + 6);
  place.Entries = ReadLe16(end + 10);
  place.Size = ReadLe32(end + 12);
  place.Offset = ReadLe32(end + 16);
  place.End = endPosition;

  uint8_t locator[kLocatorSize];
  if (endPosition >= kLocatorSize && source.Read(endPosition - kLocatorSize, locator, kLocatorSize) &&
      ReadLe32(locator) == kZip64LocatorSignature) {
    uint64_t recordPosition = ReadLe64(locator + 8);
    uint8_t record[kZip64EndSize];
    if (ReadLe32(locator + 16) > 1) return kSpiUnknownFormat;
    auto recordAt = [&](uint64_t at) {
      return at <= endPosition - kLocatorSize && source.Read(at, record, kZip64EndSize) &&
             ReadLe32(record) == kZip64EndSignature;
    };
    // A stub put in front of an archive without adjusting it leaves the
    // locator counting from the archive's start; the record then stands
    // right before the locator, where writers put it.
    if (!recordAt(recordPosition)) {
      if (endPosition < kLocatorSize + kZip64EndSize) return kSpiBrokenData;
      recordPosition = endPosition - kLocatorSize - kZip64EndSize;
      if (!recordAt(recordPosition)) return kSpiBrokenData;
    }
    disk = ReadLe32(record + 16);
    directoryDisk = ReadLe32(record + 20);
    place.Entries = ReadLe64(record + 32);
    place.Size = ReadLe64(record + 40);
    place.Offset = ReadLe64(record + 48);
    place.End = recordPosition;
  }
  if (disk != 0 || directoryDisk != 0) return kSpiUnknownFormat;
  return kSpiSuccess;
}

// Takes the 64-bit values of a ZIP64 extra field for the fields whose 32-bit
// value is saturated, in the order the format fixes.
bool ApplyZip64(const uint8_t* data, size_t size, uint32_t size32, uint32_t compressed32, uint32_t offset32,
                ZipMember& member) {
  size_t at = 0;
  auto take = [&](uint64_t& field) {
    if (at + 8 > size) return false;
    field = ReadLe64(data + at);
    at += 8;
    return true;
  };
  if (size32 == 0xFFFFFFFF && !take(member.Size)) return false;
  if (compressed32 == 0xFFFFFFFF && !take(member.CompressedSize)) return false;
  if (offset32 == 0xFFFFFFFF && !take(member.HeaderOffset)) return false;
  return true;
}

// The extra fields of one entry; a field running past the block ends the walk.
bool ReadExtras(const uint8_t* extra, size_t size, uint32_t size32, uint32_t compressed32, uint32_t offset32,
                ZipMember& member) {
  bool zip64Seen = false;
  for (size_t at = 0; at + 4 <= size;) {
    const uint16_t id = ReadLe16(extra + at);
    const size_t length = ReadLe16(extra + at + 2);
    const uint8_t* data = extra + at + 4;
    if (at + 4 + length > size) break;
    if (id == 0x0001 && !zip64Seen) {
      zip64Seen = true;
      if (!ApplyZip64(data, length, size32, compressed32, offset32, member)) return false;
    } else if (id == 0x5455 && length >= 5 && (data[0] & 1)) {
      member.HasUnixTime = true;
      member.UnixTime = static_cast<int32_t>(ReadLe32(data + 1));
    }
    at += 4 + length;
  }
  // A saturated field needs its 64-bit value.
  return zip64Seen || (size32 != 0xFFFFFFFF && compressed32 != 0xFFFFFFFF && offset32 != 0xFFFFFFFF);
}

// Every member's local header lies in front of the directory.
int32_t ReadEntries(const std::vector<uint8_t>& directory, uint64_t bias, uint64_t declared, uint64_t directoryStart,
                    std::vector<ZipMember>& members) {
  size_t at = 0;
  while (at < directory.size()) {
    if (directory.size() - at < kDirectoryEntrySize || ReadLe32(&directory[at]) != kDirectorySignature) {
      // Trailing records of other kinds after all declared entries are allowed.
      return members.size() >= declared && members.size() > 0 ? kSpiSuccess : kSpiBrokenData;
    }
    const uint8_t* e = &directory[at];
    const size_t nameLength = ReadLe16(e + 28), extraLength = ReadLe16(e + 30), commentLength = ReadLe16(e + 32);
    const size_t total = kDirectoryEntrySize + nameLength + extraLength + commentLength;
    if (total > directory.size() - at) return kSpiBrokenData;
    if (members.size() >= kMaxZipMembers) return kSpiNoMemory;

    ZipMember m;
    const uint16_t flags = ReadLe16(e + 8);
    m.Encrypted = flags & 1;
    m.Utf8 = flags & (1 << 11);
    m.Method = ReadLe16(e + 10);
    m.DosTime = ReadLe16(e + 12);
    m.DosDate = ReadLe16(e + 14);
    m.Crc = ReadLe32(e + 16);
    const uint32_t compressed32 = ReadLe32(e + 20), size32 = ReadLe32(e + 24), offset32 = ReadLe32(e + 42);
    m.CompressedSize = compressed32;
    m.Size = size32;
    m.HeaderOffset = offset32;
    m.Name.assign(reinterpret_cast<const char*>(e + kDirectoryEntrySize), nameLength);
    m.Folder = !m.Name.empty() && m.Name.back() == '/';
    if (!ReadExtras(e + kDirectoryEntrySize + nameLength, extraLength, size32, compressed32, offset32, m)) {
      return kSpiBrokenData;
    }
    if (m.HeaderOffset > UINT64_MAX - bias) return kSpiBrokenData;
    m.HeaderOffset += bias;
    if (m.HeaderOffset >= directoryStart) return kSpiBrokenData;
    members.push_back(std::move(m));
    at += total;
  }
  return kSpiSuccess;
}

}  // namespace

bool HasZipEndRecord(ByteSource& source) {
  uint64_t position = 0;
  uint8_t record[kEndSize];
  try {
    return FindEndRecord(source, position, record);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

int32_t ReadZipDirectory(ByteSource& source, std::vector<ZipMember>& members) {
  members.clear();
  try {
    DirectoryPlace place;
    int32_t code = LocateDirectory(source, place);
    if (code != kSpiSuccess) return code;
    // The directory ends where the end records begin. When it does not start
    // where it says, data was put in front of the archive (a self-extracting
    // stub) and every recorded offset is off by that much; a directory said
    // to lie beyond its own end is broken.
    if (place.Size > place.End) return kSpiBrokenData;
    const uint64_t start = place.End - place.Size;
    if (place.Offset > start) return kSpiBrokenData;
    const uint64_t bias = start - place.Offset;
    if (place.Size > kMaxZipDirectoryBytes) return kSpiNoMemory;
    if (place.Entries > kMaxZipMembers) return kSpiNoMemory;
    // Every entry takes 46 bytes at least.
    if (place.Entries > place.Size / kDirectoryEntrySize) return kSpiBrokenData;
    std::vector<uint8_t> directory(static_cast<size_t>(place.Size));
    if (!source.Read(start, directory.data(), directory.size())) return kSpiReadError;
    code = ReadEntries(directory, bias, place.Entries, start, members);
    if (code != kSpiSuccess) members.clear();
    return code;
  } catch (const std::bad_alloc&) {
    members.clear();
    return kSpiNoMemory;
  }
}
