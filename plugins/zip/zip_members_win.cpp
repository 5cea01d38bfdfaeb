#include "plugins/zip/zip_members_win.h"

#include <string_view>

#include "plugins/zip/zip_entries.h"

namespace {

constexpr int64_t kUnixEpochFileTime = 116444736000000000;

// A name with '\' for every '/', which never stands inside a double-byte character.
std::string Backslashed(std::string name) {
  for (char& c : name) {
    if (c == '/') c = '\\';
  }
  return name;
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
  const int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime);
  return (ticks - kUnixEpochFileTime) / 10000000;
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

bool IsPlainFileName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (IsDBCSLeadByte(c) && i + 1 < name.size()) {
      ++i;  // its second byte may be any value, '\' included
      continue;
    }
    if (c < 0x20 || std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos) {
      return false;
    }
  }
  return true;
}
