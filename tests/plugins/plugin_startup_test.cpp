// The catalogue at start-up, seen from outside the running program.
#include <gtest/gtest.h>

#include "app/command_table.h"
#include "plugin_test_util.h"
#include "plugins/plugin_list.h"
#include "viewer/info_dialog_win.h"
#include "win_test_util.h"

namespace {

std::string Command(const std::string& profile) { return "\"" + ProgramPath(ORV_EXE) + "\" /prof=" + profile; }
std::string Command(const std::string& profile, const std::string& file) {
  return Command(profile) + " \"" + file + "\"";
}

struct BoxSearch {
  std::string wanted;
  DWORD process;  // 0: any
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
  DWORD process = 0;
  GetWindowThreadProcessId(w, &process);
  if (lstrcmpA(name, "#32770") == 0 && lstrcmpA(title, "Orv") == 0 && (!s->process || s->process == process) &&
      ControlTexts(w).find(s->wanted) != std::string::npos) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

// A message box captioned "Orv" whose text holds wanted, of the process when
// one is given, waited for (in steps of 50 ms).
HWND WaitForBox(const std::string& wanted, int steps = 300, DWORD process = 0) {
  BoxSearch search{wanted, process, nullptr};
  for (int i = 0; i <= steps && !search.found; ++i) {
    EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
    if (!search.found && i < steps) Sleep(50);
  }
  return search.found;
}

std::string Title(HWND window) {
  char title[512] = {};
  GetWindowTextA(window, title, sizeof title);
  return title;
}

// Waits for the title to become text, for at most a few seconds.
bool TitleBecomes(HWND window, const std::string& text) {
  for (int i = 0; i < 100 && Title(window) != text; ++i) Sleep(50);
  return Title(window) == text;
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
  EXPECT_NE(GetFileAttributesA((fresh.Path() + kPluginListName).c_str()), INVALID_FILE_ATTRIBUTES);

  TempDir kept;
  const std::string mine = "# mine\r\nC:\\nowhere\\x.spi\r\n";
  const std::string list = kept.Write(kPluginListName, mine);
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
  profile.MakeDir(kPluginListName);  // a folder where the file should go
  ChildProcess orv(Command(profile.Path()));
  ASSERT_TRUE(orv.Started());
  const std::string text = profile.Path() + kPluginListName + ": Cannot write file.";
  HWND box = WaitForBox(text);
  ASSERT_NE(box, nullptr);
  // Shown before the main window, so no window of the program owns it.
  HWND owner = GetWindow(box, GW_OWNER);
  EXPECT_TRUE(owner == nullptr || owner == GetDesktopWindow());
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  CloseNormally(orv);
}

TEST(PluginStartup, AHostileCatalogueStartsAndThePictureOpensThroughThePluginBehindIt) {
  TempDir profile;
  std::string list;
  for (const THostileLines& lines : HostileCatalogue(profile)) list += lines.Text;
  profile.Write(kPluginListName, list + TestSpi("orvpnm") + "\r\n");
  std::vector<uint8_t> samples;
  for (int i = 0; i < 16 * 16; ++i) samples.insert(samples.end(), {0x33, 0x66, 0x99});
  const std::string picture = profile.Write("pic.ppm", PnmFile(true, 16, 16, samples));

  ChildProcess orv(Command(profile.Path(), picture));
  ASSERT_TRUE(orv.Started());
  HWND window = orv.WaitForWindow("TOrvClass");
  ASSERT_NE(window, nullptr);
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  for (int i = 0; i < 100 && (pixels.empty() || pixels[0] != 0x336699); ++i) {
    Sleep(50);
    pixels = ReadClientPixels(window, width, height);
  }
  ASSERT_FALSE(pixels.empty());
  EXPECT_EQ(pixels[0], 0x336699u);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  EXPECT_EQ(WaitForBox("", 0, process), nullptr);  // nothing was reported
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(orv.WaitForExit(), 0);
}

TEST(PluginStartup, APluginThatFaultsOnTheCommandLineFileIsReportedAndTheProgramEndsNormally) {
  TempDir profile;
  profile.Write(kPluginListName, FaultySpi(profile, "picture", "nullwrite") + "\r\n");
  const std::string file = profile.Write("bad.fault", "FAULTME");
  ChildProcess orv(Command(profile.Path(), file));
  ASSERT_TRUE(orv.Started());
  for (const std::string& text :
       {std::string("bad.fault:\r\npicture-nullwrite") + kPluginSuffix + " stopped with a fault (0xC0000005)",
        std::string("bad.fault:\r\nUnknown format.")}) {
    SCOPED_TRACE(text);
    HWND box = WaitForBox(text);
    ASSERT_NE(box, nullptr);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  }
  EXPECT_EQ(orv.WaitForExit(), 0);
}

// The program reads the records of its width as the test plug-ins write them
// byte by byte: members of an archive past 4 GB (in the 64-bit interface),
// and a text handle written unpadded at offset 22.
TEST(PluginStartup, ArchiveMembersAndPictureTextComeThroughTheRecordsOfThisWidth) {
  TempDir profile;
  // The picture plug-in first: the archive plug-in claims every "ORVTEST" file too.
  profile.Write(kPluginListName, TestSpi("orvpnm") + "\r\n" + TestSpi("orvtar") + "\r\n");
  const std::string grey = PnmFile(false, 2, 2, {10, 20, 30, 40});
  TarBuilder tar;
  tar.AddFile("a.pgm", "ORVTEST unpadded\n" + grey, 0);
  tar.AddFile("sub/b.pgm", grey, 0);
  const std::string archive = profile.Write("pics.far.tar", tar.Bytes());

  ChildProcess orv(Command(profile.Path(), archive));
  ASSERT_TRUE(orv.Started());
  HWND window = orv.WaitForWindow("TOrvClass");
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(TitleBecomes(window, "pics.far.tar/a.pgm (2x2x8) 100% - Orv")) << Title(window);

  PostMessageA(window, WM_COMMAND, kCmdPicInfo, 0);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  HWND dialog = nullptr;
  for (int i = 0; i < 100 && !dialog; ++i) {
    dialog = FindProcessWindow(process, nullptr, "Picture Information");
    if (!dialog) Sleep(50);
  }
  ASSERT_NE(dialog, nullptr);
  char text[256] = {};
  GetDlgItemTextA(dialog, kInfoText, text, sizeof text);
  EXPECT_STREQ(text, "PNM P5\r\nwidth 2\r\nheight 2");

  PostMessageA(window, WM_COMMAND, kCmdNextImage, 0);  // the second member, by its position
  EXPECT_TRUE(TitleBecomes(window, "pics.far.tar/sub\\b.pgm (2x2x8) 100% - Orv")) << Title(window);
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(orv.WaitForExit(), 0);
}
