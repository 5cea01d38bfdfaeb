#pragma once
// ZIP members as the plug-in hands them out: names in the system code page,
// times in UTC, records, and the lookup by name.

#include <windows.h>

#include <string>
#include <vector>

#include "plugins/spi_records.h"
#include "companions/zip/zip_directory.h"

// The name in the system code page: names marked UTF-8 are converted (what
// the code page cannot spell becomes '?'), others are kept as their bytes.
std::string CodePageName(const ZipMember& member);

// Seconds since 1970 in UTC: the extended timestamp when there is one, else
// the DOS stamp, which holds the writer's local time.
int64_t MemberUnixTime(const ZipMember& member);

// The record of the member at index (its position for GetFile).
void MemberRecord(const ZipMember& member, size_t index, SpiArchiveEntry& entry);

// The index of the first member that is not a folder and whose folder and
// file name, joined, equal name ('/' and '\' alike; without regard to case
// when asked); -1 when there is none.
ptrdiff_t FindMember(const std::vector<ZipMember>& members, const std::string& name, bool ignoreCase);
