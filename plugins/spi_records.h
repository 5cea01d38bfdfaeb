#pragma once
// The records and codes of the plug-in interface, laid out byte for byte as
// plug-ins write them, and the host's handling of them that needs no platform:
// version texts, error texts, time conversion, the walk over archive records.
// The Windows calls around them are in spi_util.h.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

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

#pragma pack(push, 1)
// Filled by GetPictureInfo. The text handle is a handle of the plug-in's
// process: 4 bytes in the 32-bit interface (26 bytes in all), 8 bytes when a
// 64-bit host talks to a 64-bit plug-in.
struct SpiPictureInfo {
  int32_t Left;
  int32_t Top;
  int32_t Width;
  int32_t Height;
  uint16_t XDensity;
  uint16_t YDensity;
  int16_t ColorDepth;
  uintptr_t TextHandle;
};

// One record of GetArchiveInfo's block; a first byte 0 ends the block.
struct SpiArchiveEntry {
  uint8_t Method[8];
  uint32_t Position;
  uint32_t CompressedSize;
  int32_t FileSize;
  int32_t Time;        // seconds since 1970-01-01, UTC
  char Path[200];      // NUL-terminated unless all 200 bytes are used
  char FileName[200];  // same rule
  uint32_t Crc;
};
#pragma pack(pop)

static_assert(offsetof(SpiPictureInfo, Width) == 8);
static_assert(offsetof(SpiPictureInfo, XDensity) == 16);
static_assert(offsetof(SpiPictureInfo, ColorDepth) == 20);
static_assert(offsetof(SpiPictureInfo, TextHandle) == 22);
static_assert(sizeof(SpiPictureInfo) == 22 + sizeof(void*));
static_assert(sizeof(void*) != 4 || sizeof(SpiPictureInfo) == 26);

static_assert(sizeof(SpiArchiveEntry) == 428);
static_assert(offsetof(SpiArchiveEntry, Position) == 8);
static_assert(offsetof(SpiArchiveEntry, CompressedSize) == 12);
static_assert(offsetof(SpiArchiveEntry, FileSize) == 16);
static_assert(offsetof(SpiArchiveEntry, Time) == 20);
static_assert(offsetof(SpiArchiveEntry, Path) == 24);
static_assert(offsetof(SpiArchiveEntry, FileName) == 224);
static_assert(offsetof(SpiArchiveEntry, Crc) == 424);

constexpr size_t kFileEntryNameSize = 261;
// Longest member name taken from an archive record.
constexpr size_t kMemberNameMax = 255;

// One file of a folder or member of an archive, copied by value into the lists.
struct FileEntry {
  char Name[kFileEntryNameSize];  // archive members: folder inside the archive, then file name
  FileTime Time;                  // archive members only
  uint8_t Candidate;              // 0 once an attempt to open it failed
  uint32_t Position;              // archive members only: the plug-in's position
};

// 1 for "00IN", 2 for "00AM" (whole text, case-sensitive), else 0.
int32_t PluginKind(const std::string& version);

// The text of a plug-in error code; "unknown error" outside 0 to 10.
std::string SpiErrorText(int32_t code);
// "name:\r\ntext (code)", the body of the plug-in error box.
std::string PluginErrorText(const std::string& name, int32_t code);

// "name:\r\nplugin stopped with a fault (0xC0000005)", the body of the box
// for a plug-in that faulted.
std::string PluginFaultText(const std::string& name, const std::string& plugin, uint32_t exceptionCode);

// The Windows file time of a plug-in's member time, taken as UTC.
FileTime UnixTimeToFileTime(int32_t seconds);

// Folder field then file-name field, each up to its NUL and 200 bytes, cut to 255 bytes.
std::string MemberName(const SpiArchiveEntry& record);

// Converts a block of archive records into (size / 428) + 1 entries, the
// last of them with an empty Name. Stops at a record whose first byte is 0 and
// never reads past the block; members of size 0 or less are skipped. Returns
// 0, or kSpiNoMemory when the array cannot be had.
int32_t ConvertArchiveEntries(const uint8_t* block, size_t size, std::unique_ptr<FileEntry[]>& entries);

// Whether the pixel block the header describes fits in bitsSize bytes, so that
// drawing never reads past a plug-in's block.
bool PluginBitsFit(const BitmapInfo& info, uint64_t bitsSize);

// True for "X:\..." and "\\server\..." paths: plug-ins are loaded only by
// such a path, never looked up along the search path.
bool IsFullPluginPath(const std::string& path);
