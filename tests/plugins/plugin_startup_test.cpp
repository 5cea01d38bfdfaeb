// The catalogue at start-up, seen from outside the running program.
#include <gtest/gtest.h>

#include "win_test_util.h"

namespace {

std::string Command(const std::string& profile) { return "\"" + ProgramPath(ORV_EXE) + "\" /prof=" + profile; }

struct BoxSearch {
  std::string wanted;
  HWND found;
};

BOOL CALLBACK CollectText(HWND child, LPARAM p) {
  char text[1024] = {};
  GetWindowTextA(child, text, sizeof text);
  *reinterpret_cast<std::string*>(p) += text;
  *reinterpret_cast<std::string*>(p) += "|";
  return TRUE;
}

// The texts of a window's controls, joined by "|".
std::string ControlTexts(HWND window) {
  std::string texts;
  EnumChildWindows(window, CollectText, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

BOOL CALLBACK MatchBox(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<BoxSearch*>(p);
  char name[64] = {}, title[64] = {};
  GetClassNameA(w, name, sizeof name);
  GetWindowTextA(w, title, sizeof title);
  if (lstrcmpA(name, "#32770") == 0 && lstrcmpA(title, "Orv") == 0 &&
      ControlTexts(w).find(s->wanted) != std::string::npos) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

// A message box captioned "Orv" whose text holds wanted, waited for.
HWND WaitForBox(const std::string& wanted) {
  BoxSearch search{wanted, nullptr};
  for (int i = 0; i < 300 && !search.found; ++i) {
    EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
    if (!search.found) Sleep(50);
  }
  return search.found;
}

void CloseNormally(ChildProcess& orv) {
  HWND window = orv.WaitForWindow("TOrvClass");
  ASSERT_NE(window, nullptr);
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(orv.WaitForExit(), 0);
}

}  // namespace

TEST(PluginStartup, MissingCatalogueIsBuiltAndAnExistingOneNeverRewritten) {
  TempDir fresh;
  {
    ChildProcess orv(Command(fresh.Path()));
    ASSERT_TRUE(orv.Started());
    CloseNormally(orv);
  }
  EXPECT_NE(GetFileAttributesA((fresh.Path() + "pluginlist").c_str()), INVALID_FILE_ATTRIBUTES);

  TempDir kept;
  const std::string mine = "# mine\r\nC:\\nowhere\\x.spi\r\n";
  const std::string list = kept.Write("pluginlist", mine);
  FILETIME before{}, after{};
  {
    HANDLE file = CreateFileA(list.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    GetFileTime(file, nullptr, nullptr, &before);
    CloseHandle(file);
  }
  {
    ChildProcess orv(Command(kept.Path()));
    ASSERT_TRUE(orv.Started());
    CloseNormally(orv);
  }
  EXPECT_EQ(ReadFileBytes(list), mine);
  HANDLE file = CreateFileA(list.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  GetFileTime(file, nullptr, nullptr, &after);
  CloseHandle(file);
  EXPECT_EQ(CompareFileTime(&before, &after), 0);
}

TEST(PluginStartup, UnwritableCatalogueIsReportedAndStartGoesOn) {
  TempDir profile;
  profile.MakeDir("pluginlist");  // a folder where the file should go
  ChildProcess orv(Command(profile.Path()));
  ASSERT_TRUE(orv.Started());
  const std::string text = profile.Path() + "pluginlist: Cannot write file.";
  HWND box = WaitForBox(text);
  ASSERT_NE(box, nullptr);
  // Shown before the main window, so no window of the program owns it.
  HWND owner = GetWindow(box, GW_OWNER);
  EXPECT_TRUE(owner == nullptr || owner == GetDesktopWindow());
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  CloseNormally(orv);
}
