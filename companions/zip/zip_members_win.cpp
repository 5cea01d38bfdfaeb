#include "companions/zip/zip_members_win.h"

#include "companions/zip/zip_entries.h"

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

int64_t Ticks(const FileTime& time) {
  return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

LPCWSTR Wide(const std::u16string& text) { return reinterpret_cast<LPCWSTR>(text.c_str()); }

bool SameText(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size())) == CSTR_EQUAL;
}
bool SameText(const std::u16string& a, const std::u16string& b) {
  return CompareStringW(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, Wide(a), static_cast<int>(a.size()), Wide(b),
                        static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace

std::u16string Utf16Name(const ZipMember& member) {
  const UINT codePage = member.Utf8 ? CP_UTF8 : CP_ACP;
  const int length = static_cast<int>(member.Name.size());
  const int wideLength = MultiByteToWideChar(codePage, 0, member.Name.data(), length, nullptr, 0);
  if (wideLength <= 0) return std::u16string();
  std::u16string wide(static_cast<size_t>(wideLength), u'\0');
  MultiByteToWideChar(codePage, 0, member.Name.data(), length, reinterpret_cast<LPWSTR>(wide.data()), wideLength);
  return wide;
}

std::string CodePageName(const ZipMember& member) {
  if (!member.Utf8) return member.Name;
  const std::u16string wide = Utf16Name(member);
  const int wideLength = static_cast<int>(wide.size());
  const int bytes = WideCharToMultiByte(CP_ACP, 0, Wide(wide), wideLength, nullptr, 0, "?", nullptr);
  if (bytes <= 0) return member.Name;
  std::string name(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, Wide(wide), wideLength, name.data(), bytes, "?", nullptr);
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

template <typename Record>
void MemberRecord(const ZipMember& member, size_t index, Record& entry) {
  RecordText<Record> folder, file;
  SplitMemberName(MemberText<RecordText<Record>>(member), folder, file);
  FillArchiveEntry(member, folder, file, MemberUnixTime(member), index, entry);
}
template void MemberRecord(const ZipMember&, size_t, SpiArchiveEntry&);
template void MemberRecord(const ZipMember&, size_t, SpiArchiveEntryW&);

template <typename Text>
ptrdiff_t FindMember(const std::vector<ZipMember>& members, const Text& name, bool ignoreCase) {
  const Text wanted = Backslashed(name);
  for (size_t i = 0; i < members.size(); ++i) {
    if (members[i].Folder) continue;
    const Text candidate = Backslashed(MemberText<Text>(members[i]));
    if (ignoreCase ? SameText(candidate, wanted) : candidate == wanted) return static_cast<ptrdiff_t>(i);
  }
  return -1;
}
template ptrdiff_t FindMember(const std::vector<ZipMember>&, const std::string&, bool);
template ptrdiff_t FindMember(const std::vector<ZipMember>&, const std::u16string&, bool);
