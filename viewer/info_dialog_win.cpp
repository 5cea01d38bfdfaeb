#include "viewer/info_dialog_win.h"

#include <cstring>
#include <string>

#include "app/globals.h"
#include "framework/common_controls.h"
#include "image/img.h"
#include "util/names_win.h"
#include "util/sutil_win.h"
#include "viewer/info_texts.h"
#include "viewer/texts_win.h"

namespace {

FILETIME ToFiletime(const FileTime& t) { return FILETIME{t.dwLowDateTime, t.dwHighDateTime}; }

// Where a member's name splits into its folder inside the archive and its
// own name: after the last separator, "\\" or the "/" some plug-ins write.
// The name is split as it stands, never resolved as a path, which would drop
// a trailing dot or space and read a drive letter into it.
size_t MemberNameStart(const std::string& member) {
  const size_t backslash = LastBackslash(member);
  const size_t slash = member.rfind('/');
  if (slash != std::string::npos && (backslash == std::string::npos || slash > backslash)) return slash + 1;
  return backslash == std::string::npos ? 0 : backslash + 1;
}

// The icon the shell associates with the file. The call may write the path
// of the icon's file back, so it gets a buffer of its own.
HICON AssociatedIcon(const std::string& file) {
  const std::wstring wide = WideOf(file);
  wchar_t path[MAX_PATH] = {};
  if (wide.empty() || wide.size() >= MAX_PATH) return nullptr;
  std::memcpy(path, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
  WORD index = 0;
  return ExtractAssociatedIconW(GetModuleHandleW(nullptr), path, &index);
}

// Names may be ones the code page cannot spell: shown through UTF-16.
void SetName(HWND dialog, int id, const std::string& text) { SetDlgItemTextW(dialog, id, WideOf(text).c_str()); }

void Fill(HWND dialog) {
  const bool member = !CurrentArchive.empty();
  const size_t nameStart = member ? MemberNameStart(Img.FileName) : 0;
  const std::string name = member ? TailOf(Img.FileName, nameStart) : NameOf(Img.FileName);
  SetName(dialog, kInfoName, name);
  const std::string location =
      member ? JoinText(CurrentArchive + "/", Img.FileName.substr(0, nameStart)) : FolderOf(Img.FileName);
  InfoIcon.reset(AssociatedIcon(member ? CurrentArchive : Img.FileName));
  SetName(dialog, kInfoLocation, location);
  SetDlgItemTextA(dialog, kInfoLabels, InfoLabelsText().c_str());
  const TInfoTimes times{FileTimeText(ToFiletime(Img.CreationTime)), FileTimeText(ToFiletime(Img.LastWriteTime)),
                         FileTimeText(ToFiletime(Img.LastAccessTime))};
  SetDlgItemTextA(dialog, kInfoValues, InfoValuesText(Img, times).c_str());
  EnableWindow(GetDlgItem(dialog, kInfoTextCaption), !Img.TextInfo.empty());
  SetDlgItemTextA(dialog, kInfoText, Img.TextInfo.c_str());
  InvalidateRect(dialog, nullptr, TRUE);  // the icon is drawn again on the erased background
}

void PaintIcon(HWND dialog) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(dialog, &paint);
  if (dc && InfoIcon) {
    const POINT at = InfoIconPosition();
    DrawIcon(dc, at.x, at.y, InfoIcon.get());
  }
  EndPaint(dialog, &paint);
}

INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam) {
  switch (message) {
    case WM_INITDIALOG:
      Fill(dialog);
      return TRUE;
    case WM_PAINT:
      PaintIcon(dialog);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
      return TRUE;
    case WM_CLOSE:
      InfoIcon.reset();
      DestroyWindow(dialog);
      return TRUE;
    case WM_DESTROY:
      // Also when the dialog goes away with its owner, without a close.
      InfoIcon.reset();
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

POINT InfoIconPosition() {
  const LONG units = GetDialogBaseUnits();
  return POINT{LOWORD(units) * 700 / 400, HIWORD(units) * 700 / 800};
}

INT_PTR CALLBACK InfoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  // Nothing may unwind into the dialog manager.
  try {
    return Handle(dialog, message, wParam);
  } catch (...) {
    return FALSE;
  }
}

void OpenInfoDialog(HWND owner) {
  if (InfoDialog && IsWindow(InfoDialog)) {
    if (IsWindowVisible(InfoDialog)) return;
    DestroyWindow(InfoDialog);
  }
  LoadCommonControls();
  // A dialog of UTF-16 controls, so that names the code page cannot spell show whole.
  InfoDialog = CreateDialogParamW(GetModuleHandleW(nullptr), L"INFODIALOG", owner, InfoDialogProc, 0);
}
