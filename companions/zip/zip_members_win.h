#pragma once
// ZIP members as the plug-in hands them out: names in the system code page
// (for the ANSI exports) or in UTF-16 (for their wide twins), times in UTC,
// records, and the lookup by name.

#include <windows.h>

#include <string>
#include <type_traits>
#include <vector>

#include "plugins/spi_records.h"
#include "companions/zip/zip_directory.h"

// The name in the system code page: names marked UTF-8 are converted (what
// the code page cannot spell becomes '?'), others are kept as their bytes.
std::string CodePageName(const ZipMember& member);

// The name in UTF-16: names marked UTF-8 whole, others from the system code
// page, so that turning it back into the code page gives CodePageName.
std::u16string Utf16Name(const ZipMember& member);

// The name as Text holds names: CodePageName or Utf16Name.
template <typename Text>
Text MemberText(const ZipMember& member) {
  if constexpr (std::is_same_v<Text, std::u16string>)
    return Utf16Name(member);
  else
    return CodePageName(member);
}

// Seconds since 1970 in UTC: the extended timestamp when there is one, else
// the DOS stamp, which holds the writer's local time.
int64_t MemberUnixTime(const ZipMember& member);

// The record of the member at index (its position for GetFile), of the ANSI
// exports or of their wide twins.
template <typename Record>
void MemberRecord(const ZipMember& member, size_t index, Record& entry);

// The index of the first member that is not a folder and whose folder and
// file name, joined, equal name ('/' and '\' alike; without regard to case
// when asked); -1 when there is none. name is code-page bytes or UTF-16.
template <typename Text>
ptrdiff_t FindMember(const std::vector<ZipMember>& members, const Text& name, bool ignoreCase);
