// The window's modes: fitted to the picture, full screen, and without border.
#include <windows.h>

#include "image/img.h"
#include "viewer/main_window.h"

namespace {

// Caption, system menu, sizing border, minimize and maximize boxes.
constexpr DWORD kBorderedStyle = WS_OVERLAPPEDWINDOW;
// No caption, no system menu, no border; also the full-screen style.
constexpr DWORD kBorderlessStyle = WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
static_assert(kBorderedStyle == 0x00CF0000 && kBorderlessStyle == 0x00030000);

// A new style replaces the visible bit too; showing without activation
// makes the window visible again with the new frame.
void ReplaceStyle(HWND window, DWORD style) {
  SetWindowLongA(window, GWL_STYLE, static_cast<LONG>(style));
  ShowWindow(window, SW_SHOWNA);
}

}  // namespace

void TMainWindow::FitToPicture() {
  if (!Handle) return;
  if (IsZoomed(Handle)) ShowWindow(Handle, SW_RESTORE);
  RECT rect = {0, 0, Img.DispWidth, Img.DispHeight};
  AdjustWindowRect(&rect, static_cast<DWORD>(GetWindowLongA(Handle, GWL_STYLE)), FALSE);
  // Not limited to the screen: a large picture asks for a large window.
  SetSize(rect.right - rect.left, rect.bottom - rect.top);
}

void TMainWindow::SetFullScreen(bool on) {
  // A second entry would save the full-screen placement over the one to go
  // back to.
  if (!Handle || on == IsFullScreen) return;
  IsFullScreen = on;
  if (on) {
    SavedPlacement = WINDOWPLACEMENT{};
    SavedPlacement.length = sizeof SavedPlacement;
    GetWindowPlacement(Handle, &SavedPlacement);
    SavedStyle = static_cast<DWORD>(GetWindowLongA(Handle, GWL_STYLE));
    ReplaceStyle(Handle, kBorderlessStyle);
    MoveWindow(Handle, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), TRUE);
    return;
  }
  // The placement brings back the maximized state itself.
  ReplaceStyle(Handle, SavedStyle & ~static_cast<DWORD>(WS_MAXIMIZE));
  SetWindowPlacement(Handle, &SavedPlacement);
}

void TMainWindow::SetBorder(bool show) {
  ShowBorder = show;
  if (!Handle) return;
  // The client size to keep, taken before the frame changes.
  RECT rect;
  ClientRect(rect);
  const DWORD style = show ? kBorderedStyle : kBorderlessStyle;
  ReplaceStyle(Handle, style);
  AdjustWindowRect(&rect, style, FALSE);
  SetSize(rect.right - rect.left, rect.bottom - rect.top);
}
