// Runs the program as a user would and looks at its window from outside.
#include <gtest/gtest.h>

#include <functional>

#include "image/bmp_builder.h"
#include "plugins/plugin_list.h"
#include "win_test_util.h"

namespace {

std::string Command(const std::string& arguments) {
  std::string line = "\"" + ProgramPath(ORV_EXE) + "\"";
  return arguments.empty() ? line : line + " " + arguments;
}

// The program with its own profile folder and, when given, a picture to open.
std::string Command(const TempDir& profile, const std::string& picture) {
  std::string arguments = "/prof=" + profile.Path();
  return Command(picture.empty() ? arguments : arguments + " \"" + picture + "\"");
}

std::string Title(HWND window) {
  char title[256] = {};
  GetWindowTextA(window, title, sizeof title);
  return title;
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
  ChildProcess orv(Command(profile, ""));
  ASSERT_TRUE(orv.Started());
  HWND window = orv.WaitForWindow("TOrvClass");
  ASSERT_NE(window, nullptr);

  EXPECT_EQ(Title(window), "Orv");
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

namespace {

// A w x h 24-bit BMP, every pixel the colour 0xRRGGBB.
std::string SolidBmp(int w, int h, uint32_t rgb) {
  TBytes b = MakeSolidBmp(w, h, rgb);
  return std::string(b.begin(), b.end());
}

std::string BoxText(HWND box) {
  char text[1024] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  return text;
}

}  // namespace

TEST(OrvRun, ShowsTheCommandLinePictureAtItsOwnSize) {
  TempDir profile;
  TempDir pictures;
  std::string picture = pictures.Write("pic.bmp", SolidBmp(300, 200, 0x3366CC));
  ChildProcess orv(Command(profile, picture));
  ASSERT_TRUE(orv.Started());
  HWND window = orv.WaitForWindow("TOrvClass");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Title(window), "pic.bmp (300x200x24) 100% - Orv");
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 300);
  EXPECT_EQ(client.bottom, 200);
  EXPECT_TRUE(ClientBecomes(window, 0x3366CC));
  // The profile had no catalogue: start-up wrote one.
  EXPECT_NE(GetFileAttributesA((profile.Path() + kPluginListName).c_str()), INVALID_FILE_ATTRIBUTES);
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(orv.WaitForExit(), 0);
}

TEST(OrvRun, AMissingFileIsReportedOnceAndTheProgramEndsWithZero) {
  TempDir profile;
  std::string missing = profile.Path() + "no such picture.bmp";
  ChildProcess orv(Command(profile, missing));
  ASSERT_TRUE(orv.Started());
  HWND box = orv.WaitForWindow("#32770");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(Title(box), "Orv");
  EXPECT_EQ(BoxText(box), missing + ":\r\nUnknown format.");
  SendMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(orv.WaitForExit(), 0);
}

namespace {

// Types keys into the foreground window as the user's keyboard would.
void Type(HWND window, WORD vk, WORD modifier = 0) {
  // Keys go to the foreground window: wait until the viewer is it.
  for (int i = 0; i < 60 && GetForegroundWindow() != window; ++i) {
    SetForegroundWindow(window);
    Sleep(50);
  }
  if (modifier) SendKey(modifier, false);
  SendKey(vk, false);
  SendKey(vk, true);
  if (modifier) SendKey(modifier, true);
  Sleep(300);
}

// Waits for the title to become text, for at most a few seconds.
bool TitleBecomes(HWND window, const std::string& text) {
  for (int i = 0; i < 60; ++i) {
    if (Title(window) == text) return true;
    Sleep(50);
  }
  ADD_FAILURE() << "title: " << Title(window);
  return false;
}

}  // namespace

TEST(OrvRun, DrivenFromTheKeyboardWithTheDefaultKeys) {
  TempDir profile;
  TempDir pictures;
  std::string first = pictures.Write("a.bmp", SolidBmp(300, 200, 0x3366CC));
  pictures.Write("b.bmp", SolidBmp(320, 180, 0xCC6633));
  ChildProcess orv(Command(profile, first));
  HWND window = orv.WaitForWindow("TOrvClass");
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(TitleBecomes(window, "a.bmp (300x200x24) 100% - Orv"));

  Type(window, '2');
  EXPECT_TRUE(TitleBecomes(window, "a.bmp (300x200x24) 200% - Orv"));
  Type(window, 'X');
  EXPECT_TRUE(TitleBecomes(window, "a.bmp (300x200x24) 150% - Orv"));
  Type(window, 'S');
  EXPECT_TRUE(TitleBecomes(window, "a.bmp (300x200x24) Stretch Mode - Orv"));
  Type(window, 'S');
  EXPECT_TRUE(TitleBecomes(window, "a.bmp (300x200x24) 150% - Orv"));

  RECT normal;
  GetWindowRect(window, &normal);
  Type(window, VK_RETURN);
  RECT full;
  GetWindowRect(window, &full);
  EXPECT_EQ(full.right - full.left, GetSystemMetrics(SM_CXSCREEN));
  Type(window, VK_RETURN);
  RECT back;
  GetWindowRect(window, &back);
  EXPECT_TRUE(EqualRect(&normal, &back));

  RECT client;
  GetClientRect(window, &client);
  Type(window, 'B', VK_CONTROL);
  EXPECT_FALSE(GetWindowLongA(window, GWL_STYLE) & WS_CAPTION);
  RECT borderless;
  GetClientRect(window, &borderless);
  EXPECT_EQ(borderless.right, client.right);
  EXPECT_EQ(borderless.bottom, client.bottom);
  Type(window, 'B', VK_CONTROL);

  Type(window, 'N');
  EXPECT_TRUE(TitleBecomes(window, "b.bmp (320x180x24) 150% - Orv"));
  Type(window, 'B');
  EXPECT_TRUE(TitleBecomes(window, "a.bmp (300x200x24) 150% - Orv"));

  Type(window, VK_ESCAPE);
  EXPECT_EQ(orv.WaitForExit(), 0);
}

namespace {

void ClickAt(POINT at, DWORD down, DWORD up) {
  SendMouseMove(at);
  SendMouse(down);
  SendMouse(up);
}

}  // namespace

TEST(OrvRun, EveryWayOutEndsWithZero) {
  TempDir profile;
  TempDir pictures;
  std::string picture = pictures.Write("pic.bmp", SolidBmp(300, 200, 0x3366CC));
  struct Way {
    const char* name;
    std::function<void(ChildProcess&, HWND)> leave;
  } ways[] = {
      {"Exit chosen in the right-click menu",
       [](ChildProcess& orv, HWND window) {
         RECT client;
         GetClientRect(window, &client);
         POINT centre{client.right / 2, client.bottom / 2};
         ClientToScreen(window, &centre);
         ClickAt(centre, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
         ASSERT_NE(orv.WaitForWindow("#32768"), nullptr) << "the menu opens";
         Type(window, 'X');  // E&xit
       }},
      // Without a window manager the frame is not the program's to click
      // (Wine leaves it to the manager), so the close box's own message goes in.
      {"the close box",
       [](ChildProcess&, HWND window) {
         RECT r;
         GetWindowRect(window, &r);
         PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, MAKELPARAM(r.right - 10, r.top + 10));
       }},
      {"Alt+F4", [](ChildProcess&, HWND window) { Type(window, VK_F4, VK_MENU); }},
      {"the Exit key", [](ChildProcess&, HWND window) { Type(window, VK_ESCAPE); }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    ChildProcess orv(Command(profile, picture));
    HWND window = orv.WaitForWindow("TOrvClass");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(TitleBecomes(window, "pic.bmp (300x200x24) 100% - Orv"));
    // Above every other window, so the pointer's clicks reach it.
    SetWindowPos(window, HWND_TOPMOST, 640, 480, 0, 0, SWP_NOSIZE);
    way.leave(orv, window);
    EXPECT_EQ(orv.WaitForExit(), 0);
  }
}
