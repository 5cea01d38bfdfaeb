// A file dropped on the window replaces the shown picture, as if it had been
// named on the command line.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "framework/handles.h"
#include "framework/message_box.h"
#include "framework/res_strings.h"
#include "util/names_win.h"
#include "util/sutil_win.h"
#include "viewer/file_list.h"
#include "viewer/main_window.h"
#include "viewer/navigation.h"

void TMainWindow::DropFiles(HDROP drop) {
  wchar_t path[MAX_PATH] = {};
  UINT length = 0;
  {
    DropHandle owned(drop);
    length = DragQueryFileW(owned.get(), 0, path, MAX_PATH);
  }
  // A drop without a file (no shell sends one) has nothing to open.
  if (length == 0) return;
  const std::string name = NameOfWide(path, wcsnlen(path, MAX_PATH));
  const bool folder = IsFolder(name);
  if (OpenNamed(name) == 0) {
    // A file's folder is listed at the next step; a folder was listed to open it.
    if (!folder && FolderFiles) FolderFiles->Clear();
    Invalidate();
    return;
  }
  ShowWarning(Handle, name + ":\r\n" + LoadResString(kStrUnknownFormat));
}
