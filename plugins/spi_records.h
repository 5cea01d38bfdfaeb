#pragma once
// The records and codes of the plug-in interface, laid out byte for byte as
// plug-ins write them, and the host's handling of them that needs no platform:
// version texts, error texts, time conversion, the walk over archive records.
// The Windows calls around them are in spi_util.h.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>

#include "image/dib_types.h"

// Bytes of a file's start shown to IsSupported (zero-filled past a short file).
constexpr size_t kSpiHeaderSize = 2048;
// Buffers handed to GetPluginInfo for the version text and the description.
constexpr size_t kSpiVersionBufferSize = 2048;
constexpr size_t kSpiDescriptionBufferSize = 1025;

// What a probe found: the plug-in's kind, or none.
constexpr int32_t kPluginNone = 0;
constexpr int32_t kPluginPicture = 1;
constexpr int32_t kPluginArchive = 2;

// Input and output flags of the calls.
constexpr unsigned kSpiInputFile = 0;       // the input is a file name, read from offset 0
constexpr unsigned kSpiInputMemory = 1;     // the input is a file image in memory
constexpr unsigned kSpiOutputMemory = 256;  // GetFile stores a new local memory handle

// Plug-in error codes the host itself reports.
constexpr int32_t kSpiMissingExport = -1;
constexpr int32_t kSpiBrokenData = 3;
constexpr int32_t kSpiNoMemory = 4;
constexpr int32_t kSpiMemoryError = 5;
// The plug-in faulted in the call, or had faulted before and was not called.
// No plug-in's own code can be mistaken for it: a plug-in that returns this
// value is reported with -1.
constexpr int32_t kSpiFault = INT32_MIN;
// An archive whose name the system code page cannot spell, for a plug-in
// with neither wide exports nor a short path to take instead.
constexpr int32_t kSpiNoNameRoad = INT32_MIN + 1;

// The two widths of the interface. A 32-bit host loads 32-bit plug-ins
// (".spi"), a 64-bit host 64-bit ones (".sph"); neither can load the other.
// Both widths' records are defined for every build, so that both layouts are
// checked wherever the code compiles; a build talks to plug-ins of its own
// width through the names without a width (SpiPictureInfo, SpiArchiveEntry).
constexpr bool kSpiWide = sizeof(void*) == 8;
constexpr const char* kPluginSuffix = kSpiWide ? ".sph" : ".spi";
constexpr const char* kOtherWidthPluginSuffix = kSpiWide ? ".spi" : ".sph";

#pragma pack(push, 1)
// Filled by GetPictureInfo. The text handle is a local memory handle of the
// process, or 0.
struct SpiPictureInfo32 {
  int32_t Left;
  int32_t Top;
  int32_t Width;
  int32_t Height;
  uint16_t XDensity;
  uint16_t YDensity;
  int16_t ColorDepth;
  uint32_t TextHandle;
};

// The 64-bit record aligns its handle; some 64-bit plug-ins write it at
// offset 22 all the same, as in the 32-bit record (see spi_util.h).
struct SpiPictureInfo64 {
  int32_t Left;
  int32_t Top;
  int32_t Width;
  int32_t Height;
  uint16_t XDensity;
  uint16_t YDensity;
  int16_t ColorDepth;
  uint8_t Padding[2];
  uint64_t TextHandle;
};

// One record of GetArchiveInfo's block; a first byte 0 ends the block.
struct SpiArchiveEntry32 {
  uint8_t Method[8];
  uint32_t Position;
  uint32_t CompressedSize;
  int32_t FileSize;
  int32_t Time;        // seconds since 1970-01-01, UTC
  char Path[200];      // NUL-terminated unless all 200 bytes are used
  char FileName[200];  // same rule
  uint32_t Crc;
};

// Positions and sizes past 4 GB, and times past 2038. The padding may hold
// anything, and some plug-ins put other data in Crc and 0 in Time.
struct SpiArchiveEntry64 {
  uint8_t Method[8];
  uint64_t Position;
  uint64_t CompressedSize;
  int64_t FileSize;
  int64_t Time;  // a 64-bit time_t
  char Path[200];
  char FileName[200];
  uint32_t Crc;
  uint8_t Padding[4];
};
// The records of GetArchiveInfoW: the same, with the names in UTF-16.
struct SpiArchiveEntryW32 {
  uint8_t Method[8];
  uint32_t Position;
  uint32_t CompressedSize;
  int32_t FileSize;
  int32_t Time;
  char16_t Path[200];
  char16_t FileName[200];
  uint32_t Crc;
};

struct SpiArchiveEntryW64 {
  uint8_t Method[8];
  uint64_t Position;
  uint64_t CompressedSize;
  int64_t FileSize;
  int64_t Time;
  char16_t Path[200];
  char16_t FileName[200];
  uint32_t Crc;
  uint8_t Padding[4];
};
#pragma pack(pop)

static_assert(sizeof(SpiArchiveEntryW32) == 828);
static_assert(offsetof(SpiArchiveEntryW32, FileName) == 424);
static_assert(sizeof(SpiArchiveEntryW64) == 848);
static_assert(offsetof(SpiArchiveEntryW64, FileName) == 440);

static_assert(sizeof(SpiPictureInfo32) == 26);
static_assert(offsetof(SpiPictureInfo32, Width) == 8);
static_assert(offsetof(SpiPictureInfo32, XDensity) == 16);
static_assert(offsetof(SpiPictureInfo32, ColorDepth) == 20);
static_assert(offsetof(SpiPictureInfo32, TextHandle) == 22);

static_assert(sizeof(SpiPictureInfo64) == 32);
static_assert(offsetof(SpiPictureInfo64, Width) == 8);
static_assert(offsetof(SpiPictureInfo64, XDensity) == 16);
static_assert(offsetof(SpiPictureInfo64, ColorDepth) == 20);
static_assert(offsetof(SpiPictureInfo64, TextHandle) == 24);

static_assert(sizeof(SpiArchiveEntry32) == 428);
static_assert(offsetof(SpiArchiveEntry32, Position) == 8);
static_assert(offsetof(SpiArchiveEntry32, CompressedSize) == 12);
static_assert(offsetof(SpiArchiveEntry32, FileSize) == 16);
static_assert(offsetof(SpiArchiveEntry32, Time) == 20);
static_assert(offsetof(SpiArchiveEntry32, Path) == 24);
static_assert(offsetof(SpiArchiveEntry32, FileName) == 224);
static_assert(offsetof(SpiArchiveEntry32, Crc) == 424);

static_assert(sizeof(SpiArchiveEntry64) == 448);
static_assert(offsetof(SpiArchiveEntry64, Position) == 8);
static_assert(offsetof(SpiArchiveEntry64, CompressedSize) == 16);
static_assert(offsetof(SpiArchiveEntry64, FileSize) == 24);
static_assert(offsetof(SpiArchiveEntry64, Time) == 32);
static_assert(offsetof(SpiArchiveEntry64, Path) == 40);
static_assert(offsetof(SpiArchiveEntry64, FileName) == 240);
static_assert(offsetof(SpiArchiveEntry64, Crc) == 440);

using SpiPictureInfo = std::conditional_t<kSpiWide, SpiPictureInfo64, SpiPictureInfo32>;
using SpiArchiveEntry = std::conditional_t<kSpiWide, SpiArchiveEntry64, SpiArchiveEntry32>;
using SpiArchiveEntryW = std::conditional_t<kSpiWide, SpiArchiveEntryW64, SpiArchiveEntryW32>;
// A member's position as the plug-in gave it, as wide as the records carry it.
using SpiPosition = decltype(SpiArchiveEntry::Position);
static_assert(sizeof(SpiPosition) == sizeof(void*));

// A name the code page can spell takes at most 260 bytes; one it cannot is
// held as marked UTF-8 (util/names.h), up to three bytes for each of its 255
// UTF-16 characters.
constexpr size_t kFileEntryNameSize = 768;
// Longest member name taken from an archive record.
constexpr size_t kMemberNameMax = 255;

// One file of a folder or member of an archive, copied by value into the lists.
struct FileEntry {
  // Archive members: folder inside the archive, then file name. Code-page
  // bytes, or a marked name (util/names.h).
  char Name[kFileEntryNameSize];
  FileTime Time;                  // archive members only
  uint8_t Candidate;              // 0 once an attempt to open it failed
  SpiPosition Position;           // archive members only: the plug-in's position
};

// 1 for "00IN", 2 for "00AM" (whole text, case-sensitive), else 0.
int32_t PluginKind(const std::string& version);

// The text of a plug-in error code; "unknown error" outside 0 to 10.
std::string SpiErrorText(int32_t code);
// "name:\r\ntext (code)", the body of the plug-in error box.
std::string PluginErrorText(const std::string& name, int32_t code);

// Fault codes for a call to a 32-bit plug-in that the 64-bit edition's helper
// process never finished: the helper ended during it, or it did not answer in
// time and the host ended the helper. No exception has these codes.
constexpr uint32_t kHelperEndedFault = 0xE0B50001;
constexpr uint32_t kHelperHungFault = 0xE0B50002;

// "name:\r\nplugin stopped with a fault (0xC0000005)", the body of the box
// for a plug-in that faulted; for the helper's codes, what befell the helper.
std::string PluginFaultText(const std::string& name, const std::string& plugin, uint32_t exceptionCode);

// The Windows file time of a plug-in's member time, taken as UTC. Times
// before 1601 give 0 and times past the last file time (the year 30828)
// give the last one.
FileTime UnixTimeToFileTime(int64_t seconds);

// Folder field then file-name field, each up to its NUL and 200 bytes, cut to 255 bytes.
template <typename Record>
std::string MemberName(const Record& record);
// The same for a wide record, in UTF-16 units; a character is never cut in two.
template <typename Record>
std::u16string WideMemberName(const Record& record);

// Turns a wide member name into the program's form of a name (util/names.h).
using TWideNameConverter = std::string (*)(const std::u16string& name);

// Converts a block of archive records (of this build's width unless another
// is named) into (size / record size) + 1 entries, the last of them with an
// empty Name. Stops at a record whose first byte is 0 and never reads past
// the block; members of size 0 or less, and records without a name, are
// skipped. Returns 0, or
// kSpiNoMemory when the array cannot be had.
template <typename Record = SpiArchiveEntry>
int32_t ConvertArchiveEntries(const uint8_t* block, size_t size, std::unique_ptr<FileEntry[]>& entries);
// The same for a block of wide records, each name through nameOf; a name
// longer than an entry holds is cut at a character.
template <typename Record = SpiArchiveEntryW>
int32_t ConvertWideArchiveEntries(const uint8_t* block, size_t size, std::unique_ptr<FileEntry[]>& entries,
                                  TWideNameConverter nameOf);


// True for "X:\..." and "\\server\..." paths: plug-ins are loaded only by
// such a path, never looked up along the search path.
bool IsFullPluginPath(const std::string& path);
