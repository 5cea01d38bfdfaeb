// The plug-in list, the plug-in settings and the About box, from the main
// window's commands without a picture; the About box read off the screen.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/command_table.h"
#include "app/globals.h"
#include "app/version.h"
#include "config/profile.h"
#include "framework/message_box.h"
#include "plugin_test_util.h"
#include "plugins/plugin_table_win.h"
#include "program_state.h"
#include "viewer/main_window.h"
#include "win_test_util.h"

namespace {

class InfoActions : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { window_ = CreateMainWindow("OrvInfoActionsTest").release(); }
  static void TearDownTestSuite() {
    DestroyWindow(window_->Handle);
    delete window_;
  }
  void SetUp() override { ASSERT_NE(window_->Handle, nullptr); }
  void Command(int32_t id) { SendMessageA(window_->Handle, WM_COMMAND, static_cast<WPARAM>(id), 0); }

  static TMainWindow* window_;
  TProgramState state_{window_};
};

TMainWindow* InfoActions::window_ = nullptr;

TEST_F(InfoActions, PluginListDescribesEveryEntryAndKeepsWhatItLoaded) {
  for (const char* name : {"orvpnm", "missing", "noinfo"}) state_.AddPlugin(TestSpi(name));
  {
    BoxCapture box;
    Command(kCmdPluginList);
    EXPECT_EQ(box.Last.Count, 1);
    EXPECT_EQ(box.Last.Text, "3 plugin(s) found.\r\n\r\n" + TestSpi("orvpnm") + ": Orv test PNM reader\r\n" +
                                 TestSpi("missing") + ": (not found)\r\n" + TestSpi("noinfo") + ": (not found)\r\n");
    EXPECT_EQ(box.Last.Caption, "Plug-in List");
    EXPECT_EQ(box.Last.Type, static_cast<UINT>(MB_OK)) << "an OK button and no icon";
    EXPECT_EQ(box.Last.Owner, window_->Handle);
    // Loaded for the list and kept; a second list loads nothing again.
    EXPECT_EQ(GetModuleHandleA(TestSpi("orvpnm").c_str()), PluginRecord(TestSpi("orvpnm")).Module);
    Command(kCmdPluginList);
    EXPECT_EQ(box.Last.Count, 2);
    EXPECT_EQ(SpiCount("loads_pnm"), 1);
  }

  for (int32_t i = 0; i < PluginFiles->Count; ++i) std::free(PluginFiles->Items[i]);
  PluginFiles->Clear();
  BoxCapture box;
  Command(kCmdPluginList);
  EXPECT_EQ(box.Last.Text, "0 plugin(s) found.\r\n\r\n");
}

TEST_F(InfoActions, PluginSettingsAreOwnedByTheMainWindow) {
  for (const char* name : {"orvpnm", "orvtar"}) state_.AddPlugin(TestSpi(name));
  BoxCapture box;
  ClearSpiLog();
  Command(kPluginSettingsIdFirst);
  char expected[64];
  std::snprintf(expected, sizeof expected, "pnm:info0;pnm:config(1,%llx);",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window_->Handle)));
  EXPECT_EQ(SpiLog(), expected);
  EXPECT_EQ(box.Last.Count, 0);
  Command(kPluginSettingsIdFirst + 1);  // a plug-in without a settings dialog says so
  EXPECT_EQ(box.Last.Count, 1);
  EXPECT_EQ(box.Last.Text, "Configuration Dialog is not implemented.");
  EXPECT_EQ(box.Last.Owner, window_->Handle);
  Command(kPluginSettingsIdFirst + 2);  // beyond the catalogue
  EXPECT_EQ(box.Last.Count, 1);
}

// What a real message box showed, read when it became active, which also closes it.
struct TSeenBox {
  int Count = 0;
  HWND Owner = nullptr;
  std::string Caption;
  std::string Text;
  HICON Icon = nullptr;
  std::string Buttons;
};
TSeenBox* Seen = nullptr;

BOOL CALLBACK ReadControl(HWND control, LPARAM) {
  // The box itself may not be visible yet: the control's own style says whether it shows.
  if (!(GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE)) return TRUE;
  char kind[32] = {}, text[4096] = {};
  GetClassNameA(control, kind, sizeof kind);
  GetWindowTextA(control, text, sizeof text);
  if (lstrcmpiA(kind, "Button") == 0) {
    Seen->Buttons += std::string(Seen->Buttons.empty() ? "" : ",") + text;
  } else if (lstrcmpiA(kind, "Static") == 0) {
    if ((GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
      Seen->Icon = reinterpret_cast<HICON>(SendMessageA(control, STM_GETICON, 0, 0));
    else if (text[0])
      Seen->Text = text;
  }
  return TRUE;
}

LRESULT CALLBACK ReadAndCloseBox(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && Seen && Seen->Count == 0) {
    HWND box = reinterpret_cast<HWND>(wParam);
    char kind[16] = {}, caption[256] = {};
    GetClassNameA(box, kind, sizeof kind);
    if (std::strcmp(kind, "#32770") == 0) {
      ++Seen->Count;
      Seen->Owner = GetWindow(box, GW_OWNER);
      GetWindowTextA(box, caption, sizeof caption);
      Seen->Caption = caption;
      EnumChildWindows(box, ReadControl, 0);
      PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The day (UTC) the test program was written by the linker.
std::string ProgramFileDate() {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  WIN32_FILE_ATTRIBUTE_DATA data;
  SYSTEMTIME day = {};
  if (GetFileAttributesExA(path, GetFileExInfoStandard, &data)) FileTimeToSystemTime(&data.ftLastWriteTime, &day);
  char text[16];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", unsigned{day.wYear}, unsigned{day.wMonth}, unsigned{day.wDay});
  return text;
}

TEST_F(InfoActions, AboutShowsTheProgramsIconVersionAndProfileFolder) {
  TempDir profile;
  ProfileFolder = profile.Path();
  TSeenBox seen;
  Seen = &seen;
  HHOOK hook = SetWindowsHookExA(WH_CBT, ReadAndCloseBox, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  Command(kCmdAbout);
  UnhookWindowsHookEx(hook);
  Seen = nullptr;
  ProfileFolder.clear();

  ASSERT_EQ(seen.Count, 1);
  EXPECT_EQ(seen.Owner, window_->Handle);
  EXPECT_EQ(seen.Caption, "About Orv");
  EXPECT_EQ(seen.Buttons, "OK");
  EXPECT_NE(seen.Icon, nullptr) << "icon 1 of the program's module";
  EXPECT_EQ(seen.Icon, LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kProgramIconId)));
  const std::string edition = sizeof(void*) == 8 ? "64-bit, " : "";
  const std::string first = "Orv " ORV_VERSION_TEXT " (" + edition + "built " + ProgramFileDate() + ")\r\n\r\n";
  EXPECT_EQ(seen.Text.substr(0, first.size()), first);
  const std::string last = "\r\n\r\nProfile folder: " + profile.Path();
  ASSERT_GE(seen.Text.size(), last.size());
  EXPECT_EQ(seen.Text.substr(seen.Text.size() - last.size()), last);
}

}  // namespace
