// Runs the program as a user would and looks at its window from outside.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/command_table.h"
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

// Whether the condition holds within ten seconds: the program answers in its
// own time, which on a loaded machine can be long.
bool Eventually(const std::function<bool()>& condition) {
  for (int i = 0; i < 200; ++i) {
    if (condition()) return true;
    Sleep(50);
  }
  return condition();
}

// Waits until every client pixel has the colour.
bool ClientBecomes(HWND window, uint32_t colour) {
  return Eventually([&] {
    int w = 0, h = 0;
    auto pixels = ReadClientPixels(window, w, h);
    bool all = !pixels.empty();
    for (uint32_t p : pixels) all = all && p == colour;
    return all;
  });
}

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
  // A copy of the program in a folder of its own, so that what it writes
  // into its profile goes there and not into the build.
  TempDir folder;
  const std::string built = ProgramPath(ORV_EXE);
  const std::string program = folder.Path() + built.substr(built.find_last_of("\\/") + 1);
  ASSERT_TRUE(CopyFileA(built.c_str(), program.c_str(), TRUE));
  // Nor may the variable name another folder.
  char saved[MAX_PATH + 1] = {};
  const DWORD had = GetEnvironmentVariableA("TAVOPROF", saved, sizeof saved);
  SetEnvironmentVariableA("TAVOPROF", nullptr);
  ChildProcess orv("\"" + program + "\"");
  if (had) SetEnvironmentVariableA("TAVOPROF", saved);
  ASSERT_TRUE(orv.Started());
  HWND window = orv.WaitForWindow("TOrvClass");
  ASSERT_NE(window, nullptr);

  // Start-up built the missing catalogue in the program's folder...
  EXPECT_NE(GetFileAttributesA((folder.Path() + kPluginListName).c_str()), INVALID_FILE_ATTRIBUTES);
  // ...and the About box names that folder.
  PostMessageA(window, WM_COMMAND, kCmdAbout, 0);
  HWND box = orv.WaitForWindow("#32770");
  ASSERT_NE(box, nullptr);
  const std::string about = BoxText(box);
  const std::string named = "Profile folder: " + folder.Path();
  EXPECT_TRUE(about.size() >= named.size() && lstrcmpiA(about.c_str() + about.size() - named.size(), named.c_str()) == 0)
      << about;
  SendMessageA(box, WM_COMMAND, IDOK, 0);
  SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(orv.WaitForExit(), 0);
}

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
}

// Waits for the title to become text.
bool TitleBecomes(HWND window, const std::string& text) {
  if (Eventually([&] { return Title(window) == text; })) return true;
  ADD_FAILURE() << "title: " << Title(window);
  return false;
}

RECT WindowRect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

RECT ClientRect(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return r;
}

bool HasCaption(HWND window) { return (GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) != 0; }

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

  const RECT normal = WindowRect(window);
  Type(window, VK_RETURN);
  EXPECT_TRUE(Eventually([&] {
    const RECT full = WindowRect(window);
    return full.right - full.left == GetSystemMetrics(SM_CXSCREEN);
  })) << "full screen";
  Type(window, VK_RETURN);
  EXPECT_TRUE(Eventually([&] {
    const RECT back = WindowRect(window);
    return EqualRect(&normal, &back) != 0;
  })) << "back from full screen";

  // Without the border the client area keeps its size.
  const RECT client = ClientRect(window);
  Type(window, 'B', VK_CONTROL);
  EXPECT_TRUE(Eventually([&] { return !HasCaption(window); })) << "border hidden";
  EXPECT_TRUE(Eventually([&] {
    const RECT borderless = ClientRect(window);
    return borderless.right == client.right && borderless.bottom == client.bottom;
  })) << "client size kept";
  Type(window, 'B', VK_CONTROL);
  EXPECT_TRUE(Eventually([&] { return HasCaption(window); })) << "border shown again";

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
