#pragma once
// The one top-level window of the viewer: it shows the held picture (Img)
// zoomed, stretched or in full screen, scrolled by ScrollX and ScrollY.

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <string>

#include "framework/sform.h"
#include "image/shrink_cache.h"
#include "image/turn_dib.h"

// Posted once a new picture is shown: its neighbours are read ahead when the
// command that showed it has finished.
constexpr UINT kMsgPlanReadAhead = WM_APP + 1;

class TMainWindow : public TSForm {
public:
  using TSForm::TSForm;

  void WndProc(TMsgRec& message) override;

  // "name (WxHxBits) zoom% - Orv" from Img, CurrentArchive and Stretch.
  void UpdateCaption();
  // Draws the visible part of the picture and gray around it; the handler of
  // WM_PAINT, so it covers every pixel of the client area.
  void Paint();
  // A new zoom in percent, keeping the picture point at the view's corner;
  // ignored below 1 and in stretch mode. The caller invalidates.
  void SetZoom(int32_t percent);
  // Moves the view by displayed pixels and repaints the exposed part before
  // it returns.
  void ScrollBy(int32_t dx, int32_t dy);
  // Holds the offsets inside the picture for a client area of this size.
  void ClampView(int32_t clientWidth, int32_t clientHeight);

  // Sizes the window so that its client area is the displayed picture.
  void FitToPicture();
  void SetFullScreen(bool on);
  // Shows or hides caption and border; the client area keeps its size.
  void SetBorder(bool show);
  // Turns or mirrors the held picture by rewriting its pixel block (a
  // run-length one decoded first), then shows it as a newly loaded one:
  // title, window fitted, information dialog, view from the corner. Nothing
  // changes when the picture cannot be turned or memory runs out.
  void TurnPicture(TTurn turn);

  WINDOWPLACEMENT SavedPlacement{};
  DWORD SavedStyle = 0;
  bool IsFullScreen = false;
  bool ShowBorder = false;
  HCURSOR HandOpenCursor = nullptr;
  HCURSOR HandHoldCursor = nullptr;
  int32_t DragX = 0;
  int32_t DragY = 0;

  // Runs one command id from a key or the menu; ids that need a picture do
  // nothing without one.
  void DoCommand(int32_t id);
  // The About box, owned by the window.
  void ShowAbout();

  // The right-click menu at the cursor: the commands with their keys and the
  // wallpaper and plug-in settings submenus, greyed and checked for the
  // current state. The choice arrives afterwards as a WM_COMMAND; the menu
  // and its submenus are destroyed before this returns.
  void ShowPopupMenu();
  // Opens the first file of a drop (the rest are ignored) and finishes the
  // drop; a file that does not open is reported and changes nothing.
  void DropFiles(HDROP drop);
  // MF_CHECKED for a set flag, else 0.
  static UINT MenuCheck(bool flag);

private:
  void ClientSize(int32_t& width, int32_t& height) const;
  bool DoPictureCommand(int32_t id);
  // The block the resampler fills, kept from paint to paint: a fresh block of
  // several megabytes per paint costs more in page faults than the resampling.
  uint8_t* ViewBlock(uint64_t size);
  std::unique_ptr<uint8_t[]> ViewBits;
  uint64_t ViewBitsSize = 0;
  // The averaged view of the shrunk picture, kept while it is shown at the
  // same size so that scrolling does not average again.
  bool DrawSmooth(HDC dc, int32_t drawWidth, int32_t drawHeight, int32_t clientWidth, int32_t clientHeight);
  TShrinkCache ShrinkCache;
  // The whole client area, without erasing: Paint covers every pixel.
  void Invalidate();
};

// The main window as start-up makes it: cursors from the resources, class
// style 11, files accepted, no background brush (painting covers every
// pixel), the border shown, 320 x 240 at the system's default position.
// Handle is 0 when the window could not be created.
std::unique_ptr<TMainWindow> CreateMainWindow(const std::string& caption);
