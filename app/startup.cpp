#include "app/startup.h"

#include <windows.h>
// After windows.h, which it needs.

#include <cstdlib>
#include <memory>

#include "app/command_table.h"
#include "app/globals.h"
#include "config/conf_file_win.h"
#include "config/profile.h"
#include "config/settings.h"
#include "framework/message_box.h"
#include "framework/res_strings.h"
#include "keys/key_table_win.h"
#include "plugins/plugin_list.h"
#include "plugins/plugin_list_win.h"
#include "util/sutil_win.h"
#include "viewer/file_list.h"
#include "viewer/main_window.h"
#include "viewer/navigation.h"
#include "viewer/read_ahead_win.h"
#include "viewer/view_state.h"

namespace {

// Frees what start-up created, on every way out of RunOrv.
struct Cleanup {
  ~Cleanup() {
    if (PluginFiles) {
      for (int32_t i = 0; i < PluginFiles->Count; ++i) std::free(PluginFiles->Items[i]);
      delete PluginFiles;
      PluginFiles = nullptr;
    }
    for (TFileList** list : {&FolderFiles, &ArchiveFiles, &PendingArchiveFiles}) {
      delete *list;
      *list = nullptr;
    }
  }
};

}  // namespace

int MessageLoop() {
  MSG msg;
  for (;;) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return 0;  // the queue itself failed: nothing more will arrive
    if (InfoDialog && IsDialogMessageA(InfoDialog, &msg)) continue;
    // A bound key becomes a WM_COMMAND to the main window and goes no further.
    if (Keys && Keys->Accel && MainWindow && TranslateAcceleratorA(MainWindow->Handle, Keys->Accel.get(), &msg))
      continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

int RunOrv(int argc, const char* const* argv) {
  ProfileFolder = GetProfileFolder("orv", argc > 1 && argv[1] ? argv[1] : "");
  TSettings settings;
  {
    TConfFile config(ProfileFolder + "config");
    settings = ReadSettings(config);
  }
  KeepViewPosition = settings.KeepViewPosition;
  Smoothing = settings.Smoothing;
  ViewBackground = {settings.PlainBackground, settings.Blue, settings.Green, settings.Red};

  // Owned here, so the early way out below frees it too.
  auto keys = std::make_unique<TKeyTable>(CommandTable, DefaultKeyMap, ProfileFolder + "keymap");
  Keys = keys.get();
  struct ForgetKeys {
    ~ForgetKeys() { Keys = nullptr; }
  } forgetKeys;

  WheelMessage = RegisterWindowMessageA("MSWHEEL_ROLLMSG");

  std::unique_ptr<TMainWindow> window = CreateMainWindow("Orv");
  MainWindow = window.get();
  struct ForgetWindow {
    ~ForgetWindow() { MainWindow = nullptr; }
  } forgetWindow;
  if (!window->Handle) return 255;

  Cleanup cleanup;
  // Stopped (its thread joined) before the lists and the catalogue it reads
  // are freed: the cleanup above runs after it.
  std::unique_ptr<TReadAhead> readAhead;
  if (settings.ReadAhead) readAhead = std::make_unique<TReadAhead>();
  ReadAhead = readAhead.get();
  struct ForgetReadAhead {
    ~ForgetReadAhead() { ReadAhead = nullptr; }
  } forgetReadAhead;
  FolderFiles = new TFileList;
  ArchiveFiles = new TFileList;
  PendingArchiveFiles = new TFileList;
  PluginFiles = new TSimpleList;

  // The catalogue is built once, when missing; start-up goes on without it.
  const std::string pluginList = ProfileFolder + kPluginListName;
  if (!IsFile(pluginList) && BuildPluginList() != 0)
    ShowWarning(GetDesktopWindow(), pluginList + ": " + LoadResString(kStrCannotWriteFile));
  LoadPluginList();

  const std::string picture = PictureArgument(argc, argv);
  if (!picture.empty()) {
    const std::string path = ExpandLongPath(picture);
    if (OpenNamed(path) != 0) {
      ShowWarning(GetDesktopWindow(), path + ":\r\n" + LoadResString(kStrUnknownFormat));
      window->Close();
      return 0;
    }
  }

  window->Show();
  return MessageLoop();
}
