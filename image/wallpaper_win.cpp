#include "image/wallpaper_win.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/profile.h"
#include "framework/handles.h"
#include "framework/message_box.h"
#include "framework/res_strings.h"
#include "image/wallpaper.h"
#include "util/file_io_win.h"
#include "util/names_win.h"

namespace {

// A file that is deleted again unless it was kept.
struct TemporaryFile {
  std::wstring Name;
  bool Keep = false;
  ~TemporaryFile() {
    if (!Name.empty() && !Keep) DeleteFileW(Name.c_str());
  }
};

enum class TWriteStep { Done, Create, Write };

struct TWriteResult {
  int32_t Code = 0;
  TWriteStep FailedAt = TWriteStep::Done;
};

// Writes the file in full under a new name in the folder, on the disk before
// anything refers to it, then puts it in place of path. Says whether a
// failure came before the file existed or while writing or moving it.
TWriteResult WriteReplacing(const std::string& folder, const std::string& path, const TWallpaperFile& content,
                            const void* bits) {
  // In UTF-16: the profile folder may be one the code page cannot spell.
  wchar_t name[MAX_PATH] = {};
  if (!GetTempFileNameW(WideOf(folder).c_str(), L"orv", 0, name))
    return {LastErrorOr(ERROR_CANNOT_MAKE), TWriteStep::Create};
  TemporaryFile temporary{name};
  {
    FileHandle file(CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {LastErrorOr(ERROR_OPEN_FAILED), TWriteStep::Create};
    int32_t code = WriteAll(file.get(), content.Head.data(), content.Head.size());
    if (code == 0) code = WriteAll(file.get(), static_cast<const uint8_t*>(bits), content.PixelSize);
    // A crash or power loss after the move must not leave a half-written
    // wallpaper where the whole old one stood.
    if (code == 0 && !FlushFileBuffers(file.get())) code = LastErrorOr(ERROR_WRITE_FAULT);
    if (code != 0) return {code, TWriteStep::Write};
    if (!CloseHandle(file.release())) return {LastErrorOr(ERROR_WRITE_FAULT), TWriteStep::Write};
  }
  if (!MoveFileExW(name, WideOf(path).c_str(), MOVEFILE_REPLACE_EXISTING))
    return {LastErrorOr(ERROR_WRITE_FAULT), TWriteStep::Write};
  temporary.Keep = true;
  return {};
}

}  // namespace

int32_t SetWallpaper(const TImg& img, bool tile, HWND owner) {
  const std::string path = ProfileFolder + "wallpaper.bmp";
  const TWriteResult written = WriteReplacing(ProfileFolder, path, WallpaperFile(img.Info, img.BitsSize), img.Bits);
  // A folder that takes no file at all stays silent; a file that was begun
  // and not finished (a full disk, an old file that cannot be replaced) is
  // something the user asked for and did not get.
  if (written.FailedAt == TWriteStep::Write) ShowWarning(owner, path + ": " + LoadResString(kStrCannotWriteFile));
  if (written.Code != 0) return written.Code;

  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\desktop", 0, KEY_WRITE, &opened) == ERROR_SUCCESS) {
    RegKeyHandle key(opened);
    static const char kTiled[] = "1", kPlain[] = "0";
    RegSetValueExA(key.get(), "TileWallPaper", 0, REG_SZ, reinterpret_cast<const BYTE*>(tile ? kTiled : kPlain),
                   sizeof kTiled);
  }
  std::wstring parameter = WideOf(path);
  SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, parameter.data(), SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE);
  return 0;
}
