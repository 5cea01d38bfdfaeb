#pragma once
// Turns a file, or a member of an archive, into a decoded picture: the first
// 2048 bytes choose the reader (the internal one for "BM", else the first
// plug-in of the catalogue that claims the file), then the picture is decoded
// with everything installing it needs (file facts, format text, decoder).
// Nothing here touches a window or what the viewer shows, so the read-ahead
// worker runs it as the window's thread does; installing and showing the
// result is the viewer's (viewer/open_picture_win.h).

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "image/img.h"
#include "plugins/plugin_table_win.h"
#include "plugins/spi_records.h"

// The file is an archive: its plug-in is handed back for listing it.
constexpr int32_t kArchiveOpened = 99999;
// The load stopped between two steps because it was asked to, or the
// picture would not fit the memory it was allowed; nothing was decoded.
constexpr int32_t kLoadGivenUp = 99998;

// What tells a file read earlier from the file as it is now.
struct TFileStamp {
  uint64_t Size = 0;
  FileTime LastWrite{};
  bool Valid = false;
};
bool SameStamp(const TFileStamp& a, const TFileStamp& b);
// The file's stamp now; not Valid when it cannot be found.
TFileStamp StampOf(const std::string& path);

// What to load: a plain file, or a member of an archive (Path is then the
// archive's, and ArchivePlugin its plug-in).
struct TPictureSource {
  std::string Path;
  bool IsMember = false;
  FileEntry Member{};
  TPlugin* ArchivePlugin = nullptr;
};
bool SameSource(const TPictureSource& a, const TPictureSource& b);

// How a load may go: whether to go on at each step boundary (between reading,
// each probe, the extraction and the decode), and the largest pixel block or
// file image it may make.
struct TLoadLimits {
  std::function<bool()> GoOn;
  uint64_t MaxBlock = UINT64_MAX;
};

// A load's outcome. It owns the decoded pixel block until Take hands it to
// the installer; otherwise the block is freed with the record.
class TLoadedPicture {
 public:
  TLoadedPicture() = default;
  ~TLoadedPicture() { Release(); }
  TLoadedPicture(TLoadedPicture&& other) noexcept;
  TLoadedPicture& operator=(TLoadedPicture&& other) noexcept;
  TLoadedPicture(const TLoadedPicture&) = delete;
  TLoadedPicture& operator=(const TLoadedPicture&) = delete;

  // 0: a picture, decoded. kArchiveOpened: an archive, Plugin its plug-in.
  // -1: nothing takes the file, or a reader failed (Error). kLoadGivenUp.
  // Any other positive value: the system's I/O error of reading the file.
  int32_t Result = -1;
  // With -1: the reader's or plug-in's code for the error box (0 for none),
  // the name the box shows, and for kSpiFault the fault, when this load met
  // it (a plug-in refused for an earlier fault is reported by no one).
  int32_t Error = 0;
  std::string ErrorName;
  bool HasFault = false;
  TPluginFault Fault;

  TDecodedPicture Picture;
  std::string ShownName;    // the long path, or the member's name
  std::string ArchivePath;  // a member's archive; empty for a plain file
  int32_t FileSize = 0;
  FileTime Created{};
  FileTime Accessed{};
  FileTime Written{};
  std::string FormatText;
  TPlugin* Plugin = nullptr;  // the decoder (null: the internal reader), or the archive's plug-in
  std::string PluginPath;
  std::string PluginDesc;
  TFileStamp Stamp;  // of the file, or of the archive for a member

  // The picture's block for installing; the record no longer frees it.
  TDecodedPicture Take();
  // Frees the pixel block by its own allocator.
  void Release();
};

// Loads source as the viewer opens a file, asking the plug-ins of catalogue
// in order. Shows nothing and changes nothing the viewer shows.
void LoadPictureSource(const TPictureSource& source, const std::vector<TPlugin*>& catalogue,
                       const TLoadLimits& limits, TLoadedPicture& loaded);

// 1 (internal reader, no plug-in) for "BM"; else the kind of the first
// catalogue plug-in that claims the file, with its record; 0 when none does.
int32_t ChoosePlugin(const std::string& name, const uint8_t (&header)[kSpiHeaderSize],
                     const std::vector<TPlugin*>& catalogue, TPlugin*& plugin, const TLoadLimits& limits = {});
