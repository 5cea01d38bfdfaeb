// The right-click menu: the same command ids as the keys, with the bound keys
// beside each caption, and two submenus the command table has no names for.
#include <windows.h>

#include <string>

#include "app/command_table.h"
#include "app/globals.h"
#include "framework/handles.h"
#include "image/img.h"
#include "keys/key_table_win.h"
#include "viewer/main_window.h"
#include "viewer/view_state.h"

namespace {

// Items that act on the picture, grey while none is held.
constexpr int32_t kNeedPicture[] = {
    kCmdPrevImage,      kCmdNextImage,      kCmdPrevFile,       kCmdNextFile,       kCmdHideBorder,
    kCmdPicInfo,        kCmdStretchMode,    kCmdFullScreen,     kCmdFitWindow,      kCmdZoomIn,
    kCmdZoomOut,        ZoomCommandId(50),  ZoomCommandId(100), ZoomCommandId(150), ZoomCommandId(200),
    ZoomCommandId(300), ZoomCommandId(400), kCmdRotateRight,    kCmdRotateLeft,     kCmdFlipHorizontal,
};

// An ampersand in a path would otherwise underline the next character and vanish.
std::string MenuLiteral(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p) {
    if (*p == '&') out += '&';
    out += *p;
  }
  return out;
}

// Puts a submenu and a separator before the item with the given id. The menu
// owns the submenu from then on; one that could not be inserted is destroyed
// by its owner here.
void InsertSubmenu(HMENU menu, UINT beforeId, MenuHandle submenu, const char* caption, UINT extraFlags) {
  if (InsertMenuA(menu, beforeId, MF_BYCOMMAND | MF_POPUP | MF_STRING | extraFlags,
                  reinterpret_cast<UINT_PTR>(submenu.get()), caption))
    submenu.release();
  InsertMenuA(menu, beforeId, MF_BYCOMMAND | MF_SEPARATOR, 0, nullptr);
}

MenuHandle WallpaperMenu() {
  MenuHandle menu(CreatePopupMenu());
  AppendMenuA(menu.get(), MF_STRING, kCmdWallpaperNormal, "&Normal");
  AppendMenuA(menu.get(), MF_STRING, kCmdWallpaperTile, "&Tile");
  return menu;
}

// One item per catalogue entry, as far as the settings id range reaches.
MenuHandle PluginSettingsMenu() {
  MenuHandle menu(CreatePopupMenu());
  const int32_t count = PluginFiles ? PluginFiles->Count : 0;
  for (int32_t i = 0; i < count && kPluginSettingsIdFirst + i <= kPluginSettingsIdLast; ++i) {
    const auto* path = static_cast<const char*>(PluginFiles->Get(i));
    if (path)
      AppendMenuA(menu.get(), MF_STRING, static_cast<UINT_PTR>(kPluginSettingsIdFirst + i), MenuLiteral(path).c_str());
  }
  return menu;
}

void Grey(HMENU menu, int32_t id) { EnableMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | MF_GRAYED); }

}  // namespace

UINT TMainWindow::MenuCheck(bool flag) { return flag ? MF_CHECKED : 0; }

void TMainWindow::ShowPopupMenu() {
  MenuHandle menu(CreatePopupMenu());
  if (!menu) return;
  if (Keys) {
    Keys->Menu = menu.get();
    Keys->AddMenuItems(PopupLayout);
    // The handle dies with this call; the key table must not keep it.
    Keys->Menu = nullptr;
  }
  InsertSubmenu(menu.get(), kCmdPicInfo, WallpaperMenu(), "Set &Wallpaper", Img.Loaded ? 0 : MF_GRAYED);
  InsertSubmenu(menu.get(), kCmdAbout, PluginSettingsMenu(), "Plug-in Setting", 0);

  if (!Img.Loaded)
    for (int32_t id : kNeedPicture) Grey(menu.get(), id);
  if (Stretch) {
    Grey(menu.get(), kCmdZoomIn);
    Grey(menu.get(), kCmdZoomOut);
  }
  if (IsFullScreen) Grey(menu.get(), kCmdFitWindow);

  CheckMenuItem(menu.get(), kCmdFullScreen, MF_BYCOMMAND | MenuCheck(IsFullScreen));
  CheckMenuItem(menu.get(), kCmdStayOnTop, MF_BYCOMMAND | MenuCheck(StayOnTop));
  CheckMenuItem(menu.get(), kCmdStretchMode, MF_BYCOMMAND | MenuCheck(Stretch));
  CheckMenuItem(menu.get(), kCmdHideBorder, MF_BYCOMMAND | MenuCheck(!ShowBorder));
  CheckMenuItem(menu.get(), kCmdSmoothing, MF_BYCOMMAND | MenuCheck(Smoothing));

  POINT at{};
  GetCursorPos(&at);
  // The choice comes back as a posted WM_COMMAND, after the menu is gone.
  TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, at.x, at.y, 0, Handle, nullptr);
}
