#include "image/loading_win.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "app/globals.h"
#include "image/block_alloc.h"
#include "image/bmp_file_win.h"
#include "image/bmp_reader.h"
#include "image/img.h"
#include "plugins/spi_util.h"
#include "util/file_io_win.h"
#include "viewer/file_list.h"
#include "viewer/main_window.h"
#include "viewer/texts_win.h"
#include "viewer/view_state.h"

namespace {

// Shows the hourglass for as long as it lives, then the cursor that was there.
class WaitCursor {
public:
  WaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

private:
  HCURSOR previous_;
};

FileTime ToFileTime(const FILETIME& t) { return FileTime{t.dwLowDateTime, t.dwHighDateTime}; }

// The file image: the whole file or member, alive for one open.
struct FileImage {
  std::unique_ptr<uint8_t[]> file;  // read by us, left uninitialised until read
  std::vector<uint8_t> member;      // copied out of the archive plug-in's block
  const uint8_t* data = nullptr;
  size_t size = 0;

  void Free() {
    file.reset();
    member = {};
    data = nullptr;
    size = 0;
  }
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

// The loader's installation steps for a decoded picture; formatBytes are the
// file's first bytes, which the format description reads.
void InstallPicture(const TDecodedPicture& picture, const uint8_t* formatBytes, size_t size) {
  FreeImg(Img);
  InstallImg(Img, picture, formatBytes, size);
}

void ShowLoadedPicture() {
  if (!MainWindow || !MainWindow->Handle) return;
  HWND window = MainWindow->Handle;
  MainWindow->UpdateCaption();
  if (!Stretch && !MainWindow->IsFullScreen && !IsZoomed(window)) MainWindow->FitToPicture();
  if (InfoDialog && IsWindow(InfoDialog)) SendMessageA(InfoDialog, WM_INITDIALOG, 0, 0);
  InvalidateRect(window, nullptr, FALSE);
  UpdateWindow(window);
}

}  // namespace

int32_t ChoosePlugin(const std::string& name, const uint8_t (&header)[kSpiHeaderSize], TPlugin*& plugin) {
  plugin = nullptr;
  if (header[0] == 'B' && header[1] == 'M') return kPluginPicture;
  if (!PluginFiles) return kPluginNone;
  for (int32_t i = 0; i < PluginFiles->Count; ++i) {
    TPlugin& candidate = PluginRecord(static_cast<const char*>(PluginFiles->Get(i)));
    const int32_t kind = ProbePlugin(candidate, name, header);
    if (kind != kPluginNone) {
      plugin = &candidate;
      return kind;
    }
  }
  return kPluginNone;
}

int32_t LoadPicture(TPlugin* plugin, const uint8_t* image, size_t size) {
  TDecodedPicture picture;
  int32_t code =
      plugin ? DecodePicture(*plugin, image, size, picture) : ReadBmpImage(image, size, GlobalBlocks, picture);
  if (code != 0) return code;
  InstallPicture(picture, image, size);
  return 0;
}

int32_t OpenPicture(const std::string& name, const FileEntry* entry, TPlugin* memberPlugin, TPlugin*& archivePlugin) {
  uint8_t header[kSpiHeaderSize] = {};
  WaitCursor wait;
  FileImage image;
  std::string shownName;
  std::string archivePath;
  FileTime created{}, accessed{}, written{};
  TPlugin* plugin = nullptr;
  int32_t kind;
  int32_t fileSize;
  // A plain bitmap file is read by the internal reader straight from the
  // file, its pixels into the block that becomes the held one; archive
  // members and plug-in pictures are decoded from the file image.
  TDecodedPicture bitmap;
  bool readBitmap = false;
  DWORD got = 0;

  if (memberPlugin) {
    std::vector<uint8_t>& member = image.member;
    int32_t code = ExtractMember(*memberPlugin, name, entry->Position, member);
    if (code != 0) {
      ShowPluginError(name, code);
      return -1;
    }
    std::memcpy(header, member.data(), std::min(member.size(), sizeof header));
    written = entry->Time;
    archivePath = name;
    shownName = entry->Name;
    fileSize = static_cast<int32_t>(std::min<size_t>(member.size(), INT32_MAX));
    kind = ChoosePlugin(shownName, header, plugin);
    if (kind == kPluginPicture) {
      image.data = member.data();
      image.size = member.size();
    } else {
      image.Free();
    }
  } else {
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA(name.c_str(), &found));
    if (search) {
      created = ToFileTime(found.ftCreationTime);
      accessed = ToFileTime(found.ftLastAccessTime);
      written = ToFileTime(found.ftLastWriteTime);
      search.reset();
    }
    FileHandle file(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return LastErrorOr(ERROR_OPEN_FAILED);
    if (!ReadFile(file.get(), header, sizeof header, &got, nullptr)) return LastErrorOr(ERROR_READ_FAULT);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) return LastErrorOr(ERROR_READ_FAULT);
    // Picture sizes are held in 32 bits; larger files are refused, not cut.
    if (size.QuadPart > INT32_MAX) return ERROR_FILE_TOO_LARGE;
    fileSize = static_cast<int32_t>(size.QuadPart);
    shownName = ExpandLongPath(name);
    kind = ChoosePlugin(shownName, header, plugin);
    if (kind == kPluginPicture && !plugin) {
      int32_t refusal = 0;
      int32_t code = ReadBmpFile(file.get(), static_cast<uint64_t>(fileSize), header, got, bitmap, refusal);
      if (code != 0) return code;
      if (refusal != 0) {
        ShowPluginError(shownName, refusal);
        return -1;
      }
      readBitmap = true;
    } else if (kind == kPluginPicture) {
      int32_t code = ReadWholeFile(file.get(), static_cast<size_t>(fileSize), image);
      if (code != 0) return code;
    }
  }

  if (kind == kPluginNone) return -1;
  if (kind == kPluginArchive) {
    if (memberPlugin) return -1;  // archives inside archives are not opened
    PendingArchiveFiles->LoadArchive(*plugin, shownName);
    archivePlugin = plugin;
    return kArchiveOpened;
  }

  int32_t code = 0;
  if (readBitmap)
    InstallPicture(bitmap, header, got);
  else
    code = LoadPicture(plugin, image.data, image.size);
  if (code != 0) {
    image.Free();
    ShowPluginError(shownName, code);
    return -1;
  }

  Img.FileName = shownName;
  Img.FileSize = fileSize;
  Img.CreationTime = created;
  Img.LastAccessTime = accessed;
  Img.LastWriteTime = written;
  if (plugin) {
    Img.PluginPath = PluginModulePath(*plugin);
    Img.PluginDesc = GetPluginDescription(*plugin);
  } else {
    Img.PluginDesc = "(Internal DIB to DIB filter)";
  }
  image.Free();
  ScrollX = 0;
  ScrollY = 0;
  CurrentArchive = archivePath;
  ShowLoadedPicture();
  return 0;
}
