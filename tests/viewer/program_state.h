#pragma once
// The program's globals as start-up leaves them, for the length of one test:
// the main window set, empty file lists and catalogue, no picture, no
// archive, the view at its defaults; all of it released again afterwards.

#include <cstdlib>
#include <string>

#include "app/globals.h"
#include "image/img.h"
#include "viewer/file_list.h"
#include "viewer/main_window.h"
#include "viewer/navigation.h"
#include "viewer/view_state.h"

class TProgramState {
public:
  explicit TProgramState(TMainWindow* window) {
    MainWindow = window;
    FolderFiles = new TFileList;
    ArchiveFiles = new TFileList;
    PendingArchiveFiles = new TFileList;
    PluginFiles = new TSimpleList;
    ResetView();
  }
  ~TProgramState() {
    ArchivePlugin = nullptr;
    FreeImg(Img);
    ResetView();
    for (int32_t i = 0; i < PluginFiles->Count; ++i) std::free(PluginFiles->Items[i]);
    delete PluginFiles;
    delete FolderFiles;
    delete ArchiveFiles;
    delete PendingArchiveFiles;
    PluginFiles = nullptr;
    FolderFiles = ArchiveFiles = PendingArchiveFiles = nullptr;
    MainWindow = nullptr;
  }
  TProgramState(const TProgramState&) = delete;
  TProgramState& operator=(const TProgramState&) = delete;

  // Appends a plug-in to the catalogue, as the catalogue file would.
  void AddPlugin(const std::string& path) { PluginFiles->Add(_strdup(path.c_str())); }

private:
  static void ResetView() {
    Img = TImg{};
    CurrentArchive.clear();
    KeepViewPosition = false;
    Stretch = false;
    Smoothing = true;
    ViewBackground = {};
    ScrollX = ScrollY = 0;
  }
};
