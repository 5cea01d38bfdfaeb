// A file dropped on the window replaces the shown picture, as if it had been
// named on the command line.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "framework/handles.h"
#include "framework/message_box.h"
#include "framework/res_strings.h"
#include "viewer/file_list.h"
#include "viewer/main_window.h"
#include "viewer/navigation.h"

void TMainWindow::DropFiles(HDROP drop) {
  char path[MAX_PATH] = {};
  UINT length = 0;
  {
    DropHandle owned(drop);
    length = DragQueryFileA(owned.get(), 0, path, sizeof path);
  }
  // A drop without a file (no shell sends one) has nothing to open.
  if (length == 0) return;
  const std::string name = path;
  if (OpenFile(name, false) == 0) {
    // The new picture's folder is listed at the next step.
    if (FolderFiles) FolderFiles->Clear();
    Invalidate();
    return;
  }
  ShowWarning(Handle, name + ":\r\n" + LoadResString(kStrUnknownFormat));
}
