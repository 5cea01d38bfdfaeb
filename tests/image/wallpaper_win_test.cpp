// Setting the desktop wallpaper in the test prefix: the file written into the
// profile folder, the tiling value, the desktop's wallpaper, and what a
// failed write leaves behind (nothing new).
#include "image/wallpaper_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "config/profile.h"
#include "framework/message_box.h"
#include "image/block_alloc.h"
#include "image/img.h"
#include "util/sutil_win.h"
#include "viewer/main_window.h"
#include "viewer/navigation.h"
#include "viewer/program_state.h"
#include "wallpaper_check.h"
#include "win_test_util.h"

namespace {

std::string TileValue() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\desktop", 0, KEY_READ, &key) != ERROR_SUCCESS) return "?";
  char value[16] = {};
  DWORD size = sizeof value - 1;
  const LONG status = RegQueryValueExA(key, "TileWallPaper", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? std::string(value) : "?";
}

std::string DesktopWallpaper() {
  char path[MAX_PATH + 1] = {};
  SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, path, 0);
  return path;
}

TBytes FileBytes(const std::string& path) {
  const std::string bytes = ReadFileBytes(path);
  return TBytes(bytes.begin(), bytes.end());
}

// The picture held as the loader holds it, in a record of the test's own.
struct THeld {
  TImg Img;
  explicit THeld(const TBytes& file) {
    TDecodedPicture pic;
    EXPECT_EQ(ReadBmpImage(file.data(), file.size(), GlobalBlocks, pic), kDecodeOk);
    InstallImg(Img, pic, file.data(), file.size());
  }
  ~THeld() { FreeImg(Img); }
  TDecodedPicture Picture() const {
    TDecodedPicture pic;
    pic.Info = Img.Info;
    pic.Bits = Img.Bits;
    pic.BitsSize = Img.BitsSize;
    return pic;
  }
};

// The message boxes shown while alive, instead of showing them.
struct TBoxes {
  struct TBox {
    HWND Owner;
    std::string Text, Caption;
    UINT Type;
  };
  std::vector<TBox> Shown;
  TBoxes() {
    SetMessageBoxHook([this](HWND owner, const std::string& text, const std::string& caption, UINT type) {
      Shown.push_back({owner, text, caption, type});
      return IDOK;
    });
  }
  ~TBoxes() { SetMessageBoxHook(nullptr); }
};

// Holds a file open so that it can be neither replaced nor deleted.
struct TLocked {
  HANDLE File;
  explicit TLocked(const std::string& path)
      : File(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~TLocked() {
    if (File != INVALID_HANDLE_VALUE) CloseHandle(File);
  }
};

class Wallpaper : public ::testing::Test {
 protected:
  void SetUp() override { ProfileFolder = profile_.Path(); }
  void TearDown() override { ProfileFolder.clear(); }
  std::string Path() const { return profile_.Path() + "wallpaper.bmp"; }
  TempDir profile_;
};

TEST_F(Wallpaper, EveryDepthIsWrittenAsABitmapTheViewerReopens) {
  bool tile = false;
  for (const TWallpaperCase& c : WallpaperCases()) {
    SCOPED_TRACE(c.Name);
    THeld held(c.File);
    tile = !tile;
    ASSERT_EQ(SetWallpaper(held.Img, tile, nullptr), 0);
    const TBytes written = FileBytes(Path());
    EXPECT_EQ(written, WallpaperBytes(held.Picture()));
    EXPECT_EQ(ReadLe32(written.data() + 10), c.OffBits);
    EXPECT_TRUE(ReopensAs(written, held.Picture()));
    EXPECT_EQ(TileValue(), tile ? "1" : "0");
    EXPECT_EQ(DesktopWallpaper(), Path());
  }
}

TEST_F(Wallpaper, TheMenuIdsSetItPlainOrTiledOnlyWithAPicture) {
  std::unique_ptr<TMainWindow> window = CreateMainWindow("OrvWallpaperTest");
  TProgramState state(window.get());
  const TWallpaperCase picture = WallpaperCases()[2];
  const std::string file = profile_.Write("p.bmp", std::string(picture.File.begin(), picture.File.end()));
  SendMessageA(window->Handle, WM_COMMAND, kCmdWallpaperTile, 0);
  EXPECT_FALSE(IsFile(Path())) << "nothing without a picture";
  ASSERT_EQ(OpenFile(file, false), 0);
  SendMessageA(window->Handle, WM_COMMAND, kCmdWallpaperTile, 0);
  EXPECT_EQ(TileValue(), "1");
  SendMessageA(window->Handle, WM_COMMAND, kCmdWallpaperNormal, 0);
  EXPECT_EQ(TileValue(), "0");
  EXPECT_EQ(DesktopWallpaper(), Path());
  EXPECT_EQ(ReadLe32(FileBytes(Path()).data() + 10), picture.OffBits);

  // An old file that cannot be replaced: the user is told, in a box of the window.
  TBoxes boxes;
  const TBytes before = FileBytes(Path());
  {
    TLocked locked(Path());
    ASSERT_NE(locked.File, INVALID_HANDLE_VALUE);
    SendMessageA(window->Handle, WM_COMMAND, kCmdWallpaperTile, 0);
  }
  ASSERT_EQ(boxes.Shown.size(), 1u);
  EXPECT_EQ(boxes.Shown[0].Owner, window->Handle);
  EXPECT_EQ(boxes.Shown[0].Text, Path() + ": Cannot write file.");
  EXPECT_EQ(boxes.Shown[0].Caption, "Orv");
  EXPECT_EQ(boxes.Shown[0].Type & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
  EXPECT_EQ(FileBytes(Path()), before);
  EXPECT_EQ(TileValue(), "0");
  DestroyWindow(window->Handle);
}

TEST_F(Wallpaper, AFailedWriteLeavesTheOldFileTheRegistryAndTheDesktop) {
  THeld held(WallpaperCases()[3].File);
  ASSERT_EQ(SetWallpaper(held.Img, true, nullptr), 0);
  const TBytes before = FileBytes(Path());

  TBoxes boxes;
  ProfileFolder = profile_.Path() + "missing\\";  // cannot be written at all
  EXPECT_NE(SetWallpaper(held.Img, false, nullptr), 0);
  EXPECT_TRUE(boxes.Shown.empty()) << "no file was begun: nothing to tell";

  // A folder that takes the file, but pixels that cannot be read: the write
  // fails after the file was created.
  ProfileFolder = profile_.Path();
  void* unreadable = VirtualAlloc(nullptr, 1 << 16, MEM_RESERVE, PAGE_NOACCESS);
  ASSERT_NE(unreadable, nullptr);
  void* bits = held.Img.Bits;
  held.Img.Bits = unreadable;
  EXPECT_NE(SetWallpaper(held.Img, false, nullptr), 0);
  held.Img.Bits = bits;
  VirtualFree(unreadable, 0, MEM_RELEASE);
  // The old file cannot be replaced: the new one is written in full, and the move fails.
  {
    TLocked locked(Path());
    ASSERT_NE(locked.File, INVALID_HANDLE_VALUE);
    EXPECT_NE(SetWallpaper(held.Img, false, nullptr), 0);
  }
  ASSERT_EQ(boxes.Shown.size(), 2u);
  for (const TBoxes::TBox& box : boxes.Shown) EXPECT_EQ(box.Text, Path() + ": Cannot write file.");

  EXPECT_EQ(FileBytes(Path()), before);
  EXPECT_EQ(TileValue(), "1");
  EXPECT_EQ(DesktopWallpaper(), Path());
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((profile_.Path() + "*.tmp").c_str(), &entry);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "left behind: " << entry.cFileName;
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

}  // namespace
