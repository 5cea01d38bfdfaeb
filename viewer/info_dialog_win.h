#pragma once
// The modeless Picture Information dialog (resource "INFODIALOG"): the facts
// of the held picture, refilled by every WM_INITDIALOG, which the loader sends
// again after each successful load. InfoDialog remembers it.

#include <windows.h>

// Control ids of the template.
constexpr int kInfoClose = IDOK;
constexpr int kInfoName = 100;
constexpr int kInfoLabels = 101;
constexpr int kInfoValues = 102;
constexpr int kInfoTextCaption = 103;
constexpr int kInfoText = 104;
constexpr int kInfoLocation = 105;

INT_PTR CALLBACK InfoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Creates the dialog owned by owner unless the remembered one is open and
// visible. One that is still a window but hidden is replaced, so that there
// is never more than one.
void OpenInfoDialog(HWND owner);

// Where the dialog draws the icon, in pixels of its client area.
POINT InfoIconPosition();
