#pragma once
// How a ZIP member appears in the plug-in's archive records: its name split
// into folder and file (the folder with backslashes and a final one), its
// method as text, sizes and time in the record's fields. Names are the
// system code page's bytes (std::string) for the records of the ANSI
// exports, UTF-16 (std::u16string) for those of their wide twins.

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "plugins/spi_records.h"
#include "companions/zip/zip_directory.h"
#include "util/sutil.h"

// The header starts a ZIP archive: a member, or the end record of an empty one.
bool IsZipHeader(const uint8_t* header, size_t size);

// A program file that may carry a ZIP archive behind its code (a
// self-extracting archive): the name ends in ".exe" and the bytes begin as
// an executable does. Whether an archive follows is for the end record to say.
bool IsExecutableStub(std::string_view name, const uint8_t* header, size_t size);
bool IsExecutableStub(std::u16string_view name, const uint8_t* header, size_t size);

// "a/b/c.png" gives "a\b\" and "c.png". Only '/' separates: it is never the
// second byte of a double-byte character, while '\' can be.
void SplitMemberName(const std::string& name, std::string& folder, std::string& file);
void SplitMemberName(const std::u16string& name, std::u16string& folder, std::u16string& file);

// The name with '\' for every '/', which never stands inside a double-byte character.
std::string Backslashed(std::string name);
std::u16string Backslashed(std::u16string name);

// The file name of a member is safe to create inside a folder: not empty,
// without a separator, drive colon or character that names cannot hold, not
// a device's name (with or without an extension: "con.txt" is the console
// too), and not ending in a dot or a space, which the system would drop.
// isLeadByte tells the double-byte characters, whose second byte may be '\'.
bool IsPlainFileName(const std::string& name, LeadByteTest isLeadByte);
// The same for a UTF-16 name, which has no second bytes.
bool IsPlainFileName(const std::u16string& name);

// "Stored", "Deflate", or "M" and the method's number.
std::string MethodText(uint16_t method);

// The text of a record's name fields: bytes, or UTF-16 in the wide records.
template <typename Record>
using RecordText = std::basic_string<std::remove_extent_t<decltype(Record::Path)>>;

// The record (of this build's width or of the other, with names of either
// kind) of a member whose name is split into folder and file. Texts longer
// than a field fill it without a NUL; sizes and times a field cannot hold
// are saturated.
template <typename Record>
void FillArchiveEntry(const ZipMember& member, const RecordText<Record>& folder, const RecordText<Record>& file,
                      int64_t unixTime, uint64_t position, Record& entry);
