#pragma once
// Where GetFile and GetFileW put a member: a new local memory block, or a
// file in a folder.

#include <windows.h>

#include <string>

#include "companions/zip/byte_source.h"
#include "companions/zip/zip_directory.h"
#include "companions/zip/zip_extract.h"

// The member in a new movable block of exactly its size, stored through out.
int32_t ExtractToMemory(ByteSource& source, const ZipMember& member, const ZipProgress& progress, HLOCAL* out);

// The member's file name as the name of a file inside a folder; empty when
// the name would lead out of the folder or name a device (IsPlainFileName).
std::wstring FileNameInFolder(const std::string& codePageName);
std::wstring FileNameInFolder(const std::u16string& name);

// The member written as folder\file (file from FileNameInFolder; empty is
// refused with 9). It takes the place of a file of that name only once it
// came out whole: a failed extraction leaves such a file as it was.
int32_t ExtractToFolder(ByteSource& source, const ZipMember& member, const ZipProgress& progress,
                        const std::wstring& folder, const std::wstring& file);
