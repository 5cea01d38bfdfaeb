// Runs the program as a user would and looks at its window from outside.
#include <gtest/gtest.h>

#include "win_test_util.h"

namespace {

std::string Command(const std::string& arguments) {
  std::string line = "\"" + ProgramPath(ORV_EXE) + "\"";
  return arguments.empty() ? line : line + " " + arguments;
}

// Waits until every client pixel has the colour, for at most a few seconds.
bool ClientBecomes(HWND window, uint32_t colour) {
  for (int i = 0; i < 100; ++i) {
    int w = 0, h = 0;
    auto pixels = ReadClientPixels(window, w, h);
    bool all = !pixels.empty();
    for (uint32_t p : pixels) all = all && p == colour;
    if (all) return true;
    Sleep(50);
  }
  return false;
}

}  // namespace

TEST(OrvRun, EmptyWindowThenCloseEndsWithZero) {
  TempDir profile;
  ChildProcess orv(Command("/prof=" + profile.Path()));
  ASSERT_TRUE(orv.Started());
  HWND window = orv.WaitForWindow("TOrvClass");
  ASSERT_NE(window, nullptr);

  char title[64] = {};
  GetWindowTextA(window, title, sizeof title);
  EXPECT_STREQ(title, "Orv");
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(r.right - r.left, 320);
  EXPECT_EQ(r.bottom - r.top, 240);
  EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
  EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  EXPECT_EQ(GetClassLongA(window, GCL_STYLE), static_cast<DWORD>(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS));
  EXPECT_TRUE(ClientBecomes(window, 0x808080));

  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(orv.WaitForExit(), 0);
}

TEST(OrvRun, NoArgumentUsesTheProgramFolderAsProfile) {
  ChildProcess orv(Command(""));
  ASSERT_TRUE(orv.Started());
  HWND window = orv.WaitForWindow("TOrvClass");
  ASSERT_NE(window, nullptr);
  SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(orv.WaitForExit(), 0);
}
