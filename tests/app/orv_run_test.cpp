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

namespace {

// A w x h 24-bit BMP, every pixel the colour 0xRRGGBB.
std::string SolidBmp(int w, int h, uint32_t rgb) {
  const int stride = (w * 3 + 3) / 4 * 4;
  std::string b = "BM";
  auto put32 = [&b](uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>(v >> (8 * i)));
  };
  auto put16 = [&b](uint32_t v) {
    b.push_back(static_cast<char>(v));
    b.push_back(static_cast<char>(v >> 8));
  };
  put32(54 + stride * h);
  put32(0);
  put32(54);
  put32(40);
  put32(static_cast<uint32_t>(w));
  put32(static_cast<uint32_t>(h));
  put16(1);
  put16(24);
  for (int i = 0; i < 6; ++i) put32(0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      b.push_back(static_cast<char>(rgb));
      b.push_back(static_cast<char>(rgb >> 8));
      b.push_back(static_cast<char>(rgb >> 16));
    }
    b.append(static_cast<size_t>(stride - 3 * w), '\0');
  }
  return b;
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
  ChildProcess orv(Command("/prof=" + profile.Path() + " \"" + picture + "\""));
  ASSERT_TRUE(orv.Started());
  HWND window = orv.WaitForWindow("TOrvClass");
  ASSERT_NE(window, nullptr);
  char title[256] = {};
  GetWindowTextA(window, title, sizeof title);
  EXPECT_STREQ(title, "pic.bmp (300x200x24) 100% - Orv");
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 300);
  EXPECT_EQ(client.bottom, 200);
  EXPECT_TRUE(ClientBecomes(window, 0x3366CC));
  // The profile had no catalogue: start-up wrote one.
  EXPECT_NE(GetFileAttributesA((profile.Path() + "pluginlist").c_str()), INVALID_FILE_ATTRIBUTES);
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(orv.WaitForExit(), 0);
}

TEST(OrvRun, AMissingFileIsReportedOnceAndTheProgramEndsWithZero) {
  TempDir profile;
  std::string missing = profile.Path() + "no such picture.bmp";
  ChildProcess orv(Command("/prof=" + profile.Path() + " \"" + missing + "\""));
  ASSERT_TRUE(orv.Started());
  HWND box = orv.WaitForWindow("#32770");
  ASSERT_NE(box, nullptr);
  char caption[64] = {};
  GetWindowTextA(box, caption, sizeof caption);
  EXPECT_STREQ(caption, "Orv");
  EXPECT_EQ(BoxText(box), missing + ":\r\nUnknown format.");
  SendMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(orv.WaitForExit(), 0);
}
