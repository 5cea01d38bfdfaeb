#include "companions/zip/zip_members_win.h"

#include "companions/zip/zip_entries.h"

namespace {

int64_t Ticks(const FileTime& time) {
  return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

}  // namespace

std::string CodePageName(const ZipMember& member) {
  if (!member.Utf8 || member.Name.empty()) return member.Name;
  const int length = static_cast<int>(member.Name.size());
  const int wideLength = MultiByteToWideChar(CP_UTF8, 0, member.Name.data(), length, nullptr, 0);
  if (wideLength <= 0) return member.Name;
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, member.Name.data(), length, wide.data(), wideLength);
  const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, "?", nullptr);
  if (bytes <= 0) return member.Name;
  std::string name(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, name.data(), bytes, "?", nullptr);
  return name;
}

int64_t MemberUnixTime(const ZipMember& member) {
  if (member.HasUnixTime) return member.UnixTime;
  FILETIME local{}, utc{};
  if (!DosDateTimeToFileTime(member.DosDate, member.DosTime, &local) || !LocalFileTimeToFileTime(&local, &utc)) {
    return 0;
  }
  // The same 1970 as the records' times are counted from.
  return (Ticks(FileTime{utc.dwLowDateTime, utc.dwHighDateTime}) - Ticks(UnixTimeToFileTime(0))) / 10000000;
}

void MemberRecord(const ZipMember& member, size_t index, SpiArchiveEntry& entry) {
  std::string folder, file;
  SplitMemberName(CodePageName(member), folder, file);
  FillArchiveEntry(member, folder, file, MemberUnixTime(member), index, entry);
}

ptrdiff_t FindMember(const std::vector<ZipMember>& members, const std::string& name, bool ignoreCase) {
  const std::string wanted = Backslashed(name);
  for (size_t i = 0; i < members.size(); ++i) {
    if (members[i].Folder) continue;
    const std::string candidate = Backslashed(CodePageName(members[i]));
    const bool same = ignoreCase ? CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, candidate.data(),
                                                  static_cast<int>(candidate.size()), wanted.data(),
                                                  static_cast<int>(wanted.size())) == CSTR_EQUAL
                                 : candidate == wanted;
    if (same) return static_cast<ptrdiff_t>(i);
  }
  return -1;
}
