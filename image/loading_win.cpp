#include "image/loading_win.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "image/block_alloc.h"
#include "image/bmp_file_win.h"
#include "image/bmp_header.h"
#include "image/bmp_reader.h"
#include "image/format_desc.h"
#include "plugins/spi_util.h"
#include "util/file_io_win.h"
#include "util/names_win.h"
#include "util/sutil_win.h"

namespace {

FileTime ToFileTime(const FILETIME& t) { return FileTime{t.dwLowDateTime, t.dwHighDateTime}; }

bool GoOn(const TLoadLimits& limits) { return !limits.GoOn || limits.GoOn(); }

constexpr const char* kInternalReaderName = "(Internal DIB to DIB filter)";

// The file image: the whole file or member, alive for one load.
struct FileImage {
  std::unique_ptr<uint8_t[]> file;  // read by us, left uninitialised until read
  TMemberBlock member;              // copied out of the archive plug-in's block
  const uint8_t* data = nullptr;
  size_t size = 0;
};

// Reads the whole of a plain file into image for a plug-in after the header
// has chosen it. A read that fails or comes up short is a failed open: no
// picture is ever decoded from memory the file did not fill.
int32_t ReadWholeFile(HANDLE file, size_t size, FileImage& image) {
  image.file.reset(new (std::nothrow) uint8_t[size ? size : 1]);
  if (!image.file) return ERROR_NOT_ENOUGH_MEMORY;
  int32_t error = ReadFileAt(file, 0, image.file.get(), size);
  if (error != 0) return error;
  image.data = image.file.get();
  image.size = size;
  return 0;
}

// A reader's failure, for the box the viewer shows when it reaches the file.
void Failed(TLoadedPicture& loaded, const std::string& name, int32_t code) {
  loaded.Result = -1;
  loaded.Error = code;
  loaded.ErrorName = name;
  loaded.HasFault = code == kSpiFault && TakeUnreportedFault(loaded.Fault);
}

// The decoded block must fit what the load may hold; a larger one is given up.
bool WithinLimit(TLoadedPicture& loaded, const TLoadLimits& limits) {
  if (static_cast<uint64_t>(std::max(loaded.Picture.BitsSize, 0)) <= limits.MaxBlock) return true;
  loaded.Release();
  loaded.Result = kLoadGivenUp;
  return false;
}

// A plain file: its facts, header and kind; the whole file for a plug-in, or
// a bitmap read straight into its block.
void LoadFile(const TPictureSource& source, const std::vector<TPlugin*>& catalogue, const TLoadLimits& limits,
              uint8_t (&header)[kSpiHeaderSize], FileImage& image, int32_t& kind, TLoadedPicture& loaded) {
  kind = kPluginNone;
  const std::wstring path = WideOf(source.Path);
  WIN32_FIND_DATAW found;
  FindHandle search(FindFirstFileW(path.c_str(), &found));
  if (search) {
    loaded.Created = ToFileTime(found.ftCreationTime);
    loaded.Accessed = ToFileTime(found.ftLastAccessTime);
    loaded.Written = ToFileTime(found.ftLastWriteTime);
    search.reset();
  }
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    loaded.Result = LastErrorOr(ERROR_OPEN_FAILED);
    return;
  }
  DWORD got = 0;
  LARGE_INTEGER size;
  if (!ReadFile(file.get(), header, sizeof header, &got, nullptr) || !GetFileSizeEx(file.get(), &size)) {
    loaded.Result = LastErrorOr(ERROR_READ_FAULT);
    return;
  }
  // Picture sizes are held in 32 bits; larger files are refused, not cut.
  if (size.QuadPart > INT32_MAX) {
    loaded.Result = ERROR_FILE_TOO_LARGE;
    return;
  }
  loaded.FileSize = static_cast<int32_t>(size.QuadPart);
  loaded.Stamp = {static_cast<uint64_t>(size.QuadPart), loaded.Written, true};
  loaded.ShownName = ExpandLongPath(source.Path);
  kind = ChoosePlugin(loaded.ShownName, header, catalogue, loaded.Plugin, limits);
  if (kind != kPluginPicture || !GoOn(limits)) return;

  if (loaded.Plugin) {
    if (static_cast<uint64_t>(loaded.FileSize) > limits.MaxBlock) {
      kind = kPluginNone;
      loaded.Result = kLoadGivenUp;
      return;
    }
    const int32_t error = ReadWholeFile(file.get(), static_cast<size_t>(loaded.FileSize), image);
    if (error != 0) {
      kind = kPluginNone;
      loaded.Result = error;
    }
    return;
  }
  // A plain bitmap file is read by the internal reader straight from the
  // file, its pixels into the block that becomes the held one.
  TBmpLayout layout;
  if (ReadBmpLayout(header, got, static_cast<uint64_t>(loaded.FileSize), layout) == kDecodeOk &&
      layout.BlockSize > limits.MaxBlock) {
    kind = kPluginNone;
    loaded.Result = kLoadGivenUp;
    return;
  }
  int32_t refusal = 0;
  const int32_t error =
      ReadBmpFile(file.get(), static_cast<uint64_t>(loaded.FileSize), header, got, loaded.Picture, refusal);
  kind = kPluginNone;
  if (error != 0) {
    loaded.Result = error;
  } else if (refusal != 0) {
    Failed(loaded, loaded.ShownName, refusal);
  } else if (WithinLimit(loaded, limits)) {
    loaded.Result = 0;
    loaded.FormatText = DescribeFormat(header, got);
    loaded.PluginDesc = kInternalReaderName;
  }
}

// A member of an archive: extracted whole through the archive's plug-in.
void LoadMember(const TPictureSource& source, const std::vector<TPlugin*>& catalogue, const TLoadLimits& limits,
                uint8_t (&header)[kSpiHeaderSize], FileImage& image, int32_t& kind, TLoadedPicture& loaded) {
  kind = kPluginNone;
  loaded.Stamp = StampOf(source.Path);
  const int32_t code = ExtractMember(*source.ArchivePlugin, source.Path, source.Member.Position, image.member);
  if (code != 0) {
    Failed(loaded, source.Path, code);
    return;
  }
  if (image.member.size() > limits.MaxBlock) {
    loaded.Result = kLoadGivenUp;
    return;
  }
  std::memcpy(header, image.member.data(), std::min(image.member.size(), sizeof header));
  loaded.Written = source.Member.Time;
  loaded.ArchivePath = source.Path;
  loaded.ShownName = source.Member.Name;
  loaded.FileSize = static_cast<int32_t>(std::min<size_t>(image.member.size(), INT32_MAX));
  if (!GoOn(limits)) {
    loaded.Result = kLoadGivenUp;
    return;
  }
  kind = ChoosePlugin(loaded.ShownName, header, catalogue, loaded.Plugin, limits);
  // Archives inside archives are not opened.
  if (kind == kPluginArchive) kind = kPluginNone;
  image.data = image.member.data();
  image.size = image.member.size();
}

}  // namespace

bool SameStamp(const TFileStamp& a, const TFileStamp& b) {
  return a.Valid && b.Valid && a.Size == b.Size && a.LastWrite.dwLowDateTime == b.LastWrite.dwLowDateTime &&
         a.LastWrite.dwHighDateTime == b.LastWrite.dwHighDateTime;
}

TFileStamp StampOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(WideOf(path).c_str(), GetFileExInfoStandard, &data)) return TFileStamp{};
  return {static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow, ToFileTime(data.ftLastWriteTime), true};
}

bool SameSource(const TPictureSource& a, const TPictureSource& b) {
  if (a.Path != b.Path || a.IsMember != b.IsMember) return false;
  return !a.IsMember || (a.ArchivePlugin == b.ArchivePlugin && a.Member.Position == b.Member.Position &&
                         std::strcmp(a.Member.Name, b.Member.Name) == 0);
}

TLoadedPicture::TLoadedPicture(TLoadedPicture&& other) noexcept { *this = std::move(other); }

TLoadedPicture& TLoadedPicture::operator=(TLoadedPicture&& other) noexcept {
  if (this == &other) return *this;
  Release();
  Result = other.Result;
  Error = other.Error;
  ErrorName = std::move(other.ErrorName);
  HasFault = other.HasFault;
  Fault = std::move(other.Fault);
  Picture = other.Take();
  ShownName = std::move(other.ShownName);
  ArchivePath = std::move(other.ArchivePath);
  FileSize = other.FileSize;
  Created = other.Created;
  Accessed = other.Accessed;
  Written = other.Written;
  FormatText = std::move(other.FormatText);
  Plugin = other.Plugin;
  PluginPath = std::move(other.PluginPath);
  PluginDesc = std::move(other.PluginDesc);
  Stamp = other.Stamp;
  return *this;
}

TDecodedPicture TLoadedPicture::Take() { return std::exchange(Picture, TDecodedPicture{}); }

void TLoadedPicture::Release() {
  FreeDecodedPicture(Picture);
  Picture = TDecodedPicture{};
}

int32_t ChoosePlugin(const std::string& name, const uint8_t (&header)[kSpiHeaderSize],
                     const std::vector<TPlugin*>& catalogue, TPlugin*& plugin, const TLoadLimits& limits) {
  plugin = nullptr;
  if (header[0] == 'B' && header[1] == 'M') return kPluginPicture;
  for (TPlugin* candidate : catalogue) {
    if (!GoOn(limits)) return kPluginNone;
    const int32_t kind = ProbePlugin(*candidate, name, header);
    if (kind != kPluginNone) {
      plugin = candidate;
      return kind;
    }
  }
  return kPluginNone;
}

void LoadPictureSource(const TPictureSource& source, const std::vector<TPlugin*>& catalogue,
                       const TLoadLimits& limits, TLoadedPicture& loaded) {
  loaded = TLoadedPicture{};
  uint8_t header[kSpiHeaderSize] = {};
  FileImage image;
  int32_t kind = kPluginNone;
  if (source.IsMember && source.ArchivePlugin)
    LoadMember(source, catalogue, limits, header, image, kind, loaded);
  else
    LoadFile(source, catalogue, limits, header, image, kind, loaded);
  if (!GoOn(limits) && loaded.Result != 0) loaded.Result = kLoadGivenUp;
  if (kind == kPluginArchive) {
    loaded.Result = kArchiveOpened;
    return;
  }
  if (kind != kPluginPicture) return;
  if (!GoOn(limits)) {
    loaded.Result = kLoadGivenUp;
    return;
  }
  // A member the internal reader takes is decoded from its image in memory.
  const int32_t code = loaded.Plugin ? DecodePicture(*loaded.Plugin, image.data, image.size, loaded.Picture)
                                     : ReadBmpImage(image.data, image.size, GlobalBlocks, loaded.Picture);
  if (code != 0) {
    Failed(loaded, loaded.ShownName, code);
    return;
  }
  if (!WithinLimit(loaded, limits)) return;
  loaded.Result = 0;
  loaded.FormatText = DescribeFormat(image.data, image.size);
  if (loaded.Plugin) {
    loaded.PluginPath = PluginModulePath(*loaded.Plugin);
    loaded.PluginDesc = GetPluginDescription(*loaded.Plugin);
  } else {
    loaded.PluginDesc = kInternalReaderName;
  }
}
