// Carrying out command ids from keys and the menu. Commands that act on the
// picture run only while one is held; the rest run always.
#include <cstdlib>

#include "app/command_table.h"
#include "app/globals.h"
#include "image/img.h"
#include "image/wallpaper_win.h"
#include "plugins/plugin_table_win.h"
#include "plugins/spi_util.h"
#include "viewer/file_list.h"
#include "viewer/info_dialog_win.h"
#include "viewer/main_window.h"
#include "viewer/navigation.h"
#include "viewer/plugin_list_box_win.h"
#include "viewer/view_geometry.h"
#include "viewer/view_state.h"

namespace {

constexpr int32_t kScrollStep = 16;
constexpr int kSmoothZoomSteps = 5;

}  // namespace

void TMainWindow::Invalidate() { InvalidateRect(Handle, nullptr, FALSE); }

bool TMainWindow::DoPictureCommand(int32_t id) {
  if (id >= kZoomIdFirst && id <= kZoomIdLast) {
    Stretch = false;
    SetZoom(id - kZoomIdFirst);
    Invalidate();
    return true;
  }
  switch (id) {
    case kCmdFitWindow:
      if (!IsFullScreen) FitToPicture();
      return true;
    case kCmdZoomIn:
    case kCmdZoomOut:
      Stretch = false;
      SetZoom(id == kCmdZoomIn ? NextZoomStep(Img.Zoom) : PrevZoomStep(Img.Zoom));
      Invalidate();
      return true;
    case kCmdPicInfo:
      OpenInfoDialog(Handle);
      return true;
    case kCmdWallpaperNormal:
    case kCmdWallpaperTile:
      SetWallpaper(Img, id == kCmdWallpaperTile, Handle);
      return true;
    case kCmdFullScreen:
      SetFullScreen(!IsFullScreen);
      return true;
    case kCmdStretchMode:
      Stretch = !Stretch;
      ScrollX = 0;
      ScrollY = 0;
      UpdateCaption();
      SetZoom(Img.Zoom);
      Invalidate();
      return true;
    case kCmdPrevImage:
      GoPrev(false);
      return true;
    case kCmdNextImage:
      GoNext(false);
      return true;
    case kCmdPrevFile:
      GoPrev(true);
      return true;
    case kCmdNextFile:
      GoNext(true);
      return true;
    case kCmdSmoothZoomIn:
    case kCmdSmoothZoomOut:
      // One percentage point at a time, each step shown, so the picture visibly grows.
      for (int step = 0; step < kSmoothZoomSteps; ++step) {
        SetZoom(Img.Zoom + (id == kCmdSmoothZoomIn ? 1 : -1));
        Invalidate();
        UpdateWindow(Handle);
      }
      return true;
    case kCmdHideBorder:
      if (!IsFullScreen) SetBorder(!ShowBorder);
      return true;
    case kCmdRotateRight:
      TurnPicture(TTurn::Right);
      return true;
    case kCmdRotateLeft:
      TurnPicture(TTurn::Left);
      return true;
    case kCmdFlipHorizontal:
      TurnPicture(TTurn::FlipHorizontal);
      return true;
    case kCmdRefreshFileList:
      FolderFiles->Clear();
      return true;
    case kCmdScrollTop:
      ScrollBy(0, -Img.DispHeight);
      return true;
    case kCmdScrollBottom:
      ScrollBy(0, Img.DispHeight);
      return true;
    case kCmdScrollTopBottom: {
      int32_t width, height;
      ClientSize(width, height);
      ScrollBy(0, TopBottomDelta(ScrollY, Img.DispHeight, height));
      return true;
    }
    case kCmdScrollUp:
      ScrollBy(0, -kScrollStep);
      return true;
    case kCmdScrollDown:
      ScrollBy(0, kScrollStep);
      return true;
    case kCmdScrollLeft:
      ScrollBy(-kScrollStep, 0);
      return true;
    case kCmdScrollRight:
      ScrollBy(kScrollStep, 0);
      return true;
    default:
      return false;
  }
}

void TMainWindow::DoCommand(int32_t id) {
  if (Img.Loaded && DoPictureCommand(id)) return;
  switch (id) {
    case kCmdStayOnTop:
      SetStayOnTop(!StayOnTop);
      return;
    case kCmdSmoothing:
      // For this run only: the setting in config is not written.
      Smoothing = !Smoothing;
      Invalidate();
      return;
    case kCmdAbout:
      ShowAbout();
      return;
    case kCmdPluginList:
      ShowPluginList(Handle);
      return;
    case kCmdExit:
      Close();
      return;
    default:
      break;
  }
  if (id >= kPluginSettingsIdFirst && id <= kPluginSettingsIdLast && PluginFiles) {
    const char* path = static_cast<const char*>(PluginFiles->Get(id - kPluginSettingsIdFirst));
    if (path) ShowPluginConfig(Handle, PluginRecord(path));
  }
}
