#include "viewer/open_picture_win.h"

#include "app/globals.h"
#include "image/img.h"
#include "plugins/spi_util.h"
#include "viewer/file_list.h"
#include "viewer/main_window.h"
#include "viewer/read_ahead_win.h"
#include "viewer/view_state.h"

namespace {

// Shows the hourglass for as long as it lives, then the cursor that was there.
class WaitCursor {
public:
  WaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

private:
  HCURSOR previous_;
};

TPictureSource SourceOf(const std::string& name, const FileEntry* entry, TPlugin* memberPlugin) {
  TPictureSource source;
  source.Path = name;
  if (memberPlugin && entry) {
    source.IsMember = true;
    source.Member = *entry;
    source.ArchivePlugin = memberPlugin;
  }
  return source;
}

void ReportFailure(const TLoadedPicture& loaded) {
  if (loaded.Error == kSpiFault) {
    // Only the load that met the fault reports it; one refused for an earlier
    // fault says nothing more.
    if (loaded.HasFault) ShowPluginFault(loaded.ErrorName, loaded.Fault);
  } else if (loaded.Error != 0) {
    ShowPluginError(loaded.ErrorName, loaded.Error);
  }
}

void ShowLoadedPicture() {
  if (!MainWindow || !MainWindow->Handle) return;
  HWND window = MainWindow->Handle;
  MainWindow->UpdateCaption();
  if (!Stretch && !MainWindow->IsFullScreen && !IsZoomed(window)) MainWindow->FitToPicture();
  if (InfoDialog && IsWindow(InfoDialog)) SendMessageA(InfoDialog, WM_INITDIALOG, 0, 0);
  InvalidateRect(window, nullptr, FALSE);
  UpdateWindow(window);
  // Once the command that showed it has finished (and painted), the
  // neighbours are read ahead.
  if (ReadAhead) PostMessageA(window, kMsgPlanReadAhead, 0, 0);
}

}  // namespace

int32_t InstallLoadedPicture(TLoadedPicture& loaded, TPlugin*& archivePlugin) {
  switch (loaded.Result) {
    case 0:
      break;
    case kArchiveOpened:
      PendingArchiveFiles->LoadArchive(*loaded.Plugin, loaded.ShownName);
      archivePlugin = loaded.Plugin;
      return kArchiveOpened;
    case -1:
    case kLoadGivenUp:
      ReportFailure(loaded);
      return -1;
    default:
      return loaded.Result;
  }
  // The old picture's block is freed once the new one is on screen: freeing
  // tens of megabytes takes time the page turn need not wait for.
  TDecodedPicture old;
  old.Bits = Img.Bits;
  old.BitsHandle = Img.BitsHandle;
  old.BitsMapped = Img.BitsMapped;
  ClearImg(Img);
  const TDecodedPicture picture = loaded.Take();
  InstallImg(Img, picture, std::move(loaded.FormatText));
  Img.FileName = loaded.ShownName;
  Img.FileSize = loaded.FileSize;
  Img.CreationTime = loaded.Created;
  Img.LastAccessTime = loaded.Accessed;
  Img.LastWriteTime = loaded.Written;
  Img.PluginPath = loaded.PluginPath;
  Img.PluginDesc = loaded.PluginDesc;
  ScrollX = 0;
  ScrollY = 0;
  CurrentArchive = loaded.ArchivePath;
  ShowLoadedPicture();
  FreeDecodedPicture(old);
  return 0;
}

int32_t OpenPicture(const std::string& name, const FileEntry* entry, TPlugin* memberPlugin, TPlugin*& archivePlugin) {
  const TPictureSource source = SourceOf(name, entry, memberPlugin);
  TLoadedPicture loaded;
  if (!ReadAhead || !ReadAhead->Take(source, loaded)) {
    WaitCursor wait;
    TReadAhead::TForegroundOpen foreground(ReadAhead);
    LoadPictureSource(source, CatalogueRecords(), TLoadLimits{}, loaded);
  }
  return InstallLoadedPicture(loaded, archivePlugin);
}
