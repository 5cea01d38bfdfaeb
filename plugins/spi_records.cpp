#include "plugins/spi_records.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "util/sutil.h"

int32_t PluginKind(const std::string& version) {
  if (version == "00IN") return kPluginPicture;
  if (version == "00AM") return kPluginArchive;
  return kPluginNone;
}

std::string SpiErrorText(int32_t code) {
  static const char* const kTexts[] = {"",
                                       "user cancel",
                                       "unknown format",
                                       "broken data",
                                       "allocate memory error",
                                       "memory error",
                                       "file read error",
                                       "cannot create window",
                                       "internal error",
                                       "file write error",
                                       "end of file error"};
  if (code < 0 || code > 10) return "unknown error";
  return kTexts[code];
}

std::string PluginErrorText(const std::string& name, int32_t code) {
  if (code == kSpiNoNameRoad)
    return name + ":\r\nThe plug-in for this file takes only names the system code page can spell, and the file has "
                  "no short name to give it instead.";
  return name + ":\r\n" + SpiErrorText(code) + " (" + NumberText(code) + ")";
}

std::string PluginFaultText(const std::string& name, const std::string& plugin, uint32_t exceptionCode) {
  if (exceptionCode == kHelperEndedFault)
    return name + ":\r\n" + plugin + " stopped: the 32-bit plug-in helper (orvspi32.exe) ended during the call";
  if (exceptionCode == kHelperHungFault)
    return name + ":\r\n" + plugin +
           " did not answer for 30 seconds, so the 32-bit plug-in helper (orvspi32.exe) was ended";
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(exceptionCode));
  return name + ":\r\n" + plugin + " stopped with a fault (" + code + ")";
}

FileTime UnixTimeToFileTime(int64_t seconds) {
  // 1970-01-01 in 100-nanosecond units since 1601-01-01.
  constexpr int64_t kEpoch = 116444736000000000LL;
  constexpr int64_t kTicks = 10000000LL;
  constexpr int64_t kFirst = -kEpoch / kTicks;              // 1601-01-01
  constexpr int64_t kLast = (INT64_MAX - kEpoch) / kTicks;  // the last second a file time holds
  uint64_t value = 0;
  if (seconds > kLast)
    value = INT64_MAX;
  else if (seconds > kFirst)
    value = static_cast<uint64_t>(kEpoch + seconds * kTicks);
  return FileTime{static_cast<uint32_t>(value), static_cast<uint32_t>(value >> 32)};
}

template <typename Record>
std::string MemberName(const Record& record) {
  std::string name(record.Path, strnlen(record.Path, sizeof record.Path));
  name.append(record.FileName, strnlen(record.FileName, sizeof record.FileName));
  if (name.size() > kMemberNameMax) name.resize(kMemberNameMax);
  return name;
}

template <typename Record>
std::u16string WideMemberName(const Record& record) {
  auto field = [](const char16_t* text, size_t size) {
    size_t n = 0;
    while (n < size && text[n] != 0) ++n;
    return std::u16string(text, n);
  };
  std::u16string name = field(record.Path, 200) + field(record.FileName, 200);
  if (name.size() > kMemberNameMax) {
    size_t cut = kMemberNameMax;
    if (name[cut - 1] >= 0xD800 && name[cut - 1] <= 0xDBFF) --cut;  // the first half of a pair
    name.resize(cut);
  }
  return name;
}

namespace {

// The walk shared by both kinds of records; nameOf gives a record's name.
template <typename Record, typename NameOf>
int32_t ConvertRecords(const uint8_t* block, size_t size, std::unique_ptr<FileEntry[]>& entries, NameOf nameOf) {
  const size_t slots = size / sizeof(Record) + 1;
  entries.reset(new (std::nothrow) FileEntry[slots]());
  if (!entries) return kSpiNoMemory;
  size_t next = 0;
  // Only whole records are read: a block without its ending record stops at its end.
  for (size_t at = 0; at + sizeof(Record) <= size; at += sizeof(Record)) {
    Record record;
    std::memcpy(&record, block + at, sizeof record);
    if (record.Method[0] == 0) break;
    if (record.FileSize <= 0) continue;  // folders and empty members
    // An empty name would read as the end of the list and hide every member
    // after it: such a record alone is passed over.
    std::string name = nameOf(record);
    if (name.empty()) continue;
    if (name.size() >= kFileEntryNameSize) name.resize(kFileEntryNameSize - 1);
    FileEntry& entry = entries[next++];
    std::memcpy(entry.Name, name.data(), name.size());
    entry.Time = UnixTimeToFileTime(record.Time);
    entry.Candidate = 1;
    // A 64-bit position in a 32-bit list would be cut: only a test builds
    // records of the other width.
    entry.Position = static_cast<SpiPosition>(record.Position);
  }
  return 0;
}

}  // namespace

template <typename Record>
int32_t ConvertArchiveEntries(const uint8_t* block, size_t size, std::unique_ptr<FileEntry[]>& entries) {
  return ConvertRecords<Record>(block, size, entries, [](const Record& r) { return MemberName(r); });
}

template <typename Record>
int32_t ConvertWideArchiveEntries(const uint8_t* block, size_t size, std::unique_ptr<FileEntry[]>& entries,
                                  TWideNameConverter nameOf) {
  return ConvertRecords<Record>(block, size, entries, [nameOf](const Record& r) {
    const std::u16string name = WideMemberName(r);
    return name.empty() ? std::string() : nameOf(name);
  });
}

template std::string MemberName(const SpiArchiveEntry32&);
template std::string MemberName(const SpiArchiveEntry64&);
template int32_t ConvertArchiveEntries<SpiArchiveEntry32>(const uint8_t*, size_t, std::unique_ptr<FileEntry[]>&);
template int32_t ConvertArchiveEntries<SpiArchiveEntry64>(const uint8_t*, size_t, std::unique_ptr<FileEntry[]>&);
template std::u16string WideMemberName(const SpiArchiveEntryW32&);
template std::u16string WideMemberName(const SpiArchiveEntryW64&);
template int32_t ConvertWideArchiveEntries<SpiArchiveEntryW32>(const uint8_t*, size_t, std::unique_ptr<FileEntry[]>&,
                                                               TWideNameConverter);
template int32_t ConvertWideArchiveEntries<SpiArchiveEntryW64>(const uint8_t*, size_t, std::unique_ptr<FileEntry[]>&,
                                                               TWideNameConverter);

bool IsFullPluginPath(const std::string& path) {
  auto separator = [](char c) { return c == '\\' || c == '/'; };
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (path.size() >= 3 && letter(path[0]) && path[1] == ':' && separator(path[2])) return true;
  return path.size() >= 3 && separator(path[0]) && separator(path[1]) && !separator(path[2]);
}
