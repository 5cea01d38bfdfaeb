#pragma once
// How a ZIP member appears in the plug-in's archive records: its name split
// into folder and file (the folder with backslashes and a final one), its
// method as text, sizes and time in the record's fields.

#include <cstdint>
#include <string>
#include <string_view>

#include "plugins/spi_records.h"
#include "companions/zip/zip_directory.h"
#include "util/sutil.h"

// The header starts a ZIP archive: a member, or the end record of an empty one.
bool IsZipHeader(const uint8_t* header, size_t size);

// A program file that may carry a ZIP archive behind its code (a
// self-extracting archive): the name ends in ".exe" and the bytes begin as
// an executable does. Whether an archive follows is for the end record to say.
bool IsExecutableStub(std::string_view name, const uint8_t* header, size_t size);

// "a/b/c.png" gives "a\b\" and "c.png". Only '/' separates: it is never the
// second byte of a double-byte character, while '\' can be.
void SplitMemberName(const std::string& name, std::string& folder, std::string& file);

// The name with '\' for every '/', which never stands inside a double-byte character.
std::string Backslashed(std::string name);

// The file name of a member is safe to create inside a folder: not empty,
// without a separator, drive colon or character that names cannot hold, not
// a device's name (with or without an extension: "con.txt" is the console
// too), and not ending in a dot or a space, which the system would drop.
// isLeadByte tells the double-byte characters, whose second byte may be '\'.
bool IsPlainFileName(const std::string& name, LeadByteTest isLeadByte);

// "Stored", "Deflate", or "M" and the method's number.
std::string MethodText(uint16_t method);

// The record (of this build's width, or of the other) of a member whose
// name (in the system code page) is split into folder and file. Texts longer
// than a field fill it without a NUL; sizes and times a field cannot hold
// are saturated.
template <typename Record>
void FillArchiveEntry(const ZipMember& member, const std::string& folder, const std::string& file, int64_t unixTime,
                      uint64_t position, Record& entry);
