// The program's own helper: started by the first call to a 32-bit plug-in
// and not before, gone when the viewer closes or is killed; and the 64-bit
// ready folder cataloguing both widths on its first start.
#include <gtest/gtest.h>

#include <algorithm>

#include "bridge_test_util.h"
#include "image/bmp_builder.h"
#include "plugins/plugin_list.h"
#include "win_test_util.h"

namespace {

std::string Title(HWND window) {
  char title[512] = {};
  for (int i = 0; i < 100; ++i) {
    GetWindowTextA(window, title, sizeof title);
    if (std::string(title).find(" - Orv") != std::string::npos) break;
    Sleep(50);
  }
  return title;
}

std::string Command(const std::string& program, const std::string& profile, const std::string& file) {
  return "\"" + program + "\" /prof=" + profile + " \"" + file + "\"";
}

}  // namespace

TEST(BridgeProcess, TheHelperStartsAtTheFirst32BitCallAndEndsWithTheViewer) {
  ORV_SKIP_WITHOUT_32BIT();
  TempDir profile, pictures, bitmaps;
  profile.Write(kPluginListName, Spi32("orvpnm") + "\r\n");
  const TBytes bmp = MakeSolidBmp(4, 4, 0x102030);
  // Alone in its folder: the read-ahead finds no neighbour to probe.
  const std::string bitmap = bitmaps.Write("a.bmp", std::string(bmp.begin(), bmp.end()));
  const std::string ppm = pictures.Write("b.ppm", PnmFile(true, 3, 2, std::vector<uint8_t>(18, 7)));
  {
    ChildProcess orv(Command(ProgramPath(ORV_EXE), profile.Path(), bitmap));
    HWND window = orv.WaitForWindow("TOrvClass");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Title(window), "a.bmp (4x4x24) 100% - Orv");
    Sleep(500);
    EXPECT_TRUE(HelpersOf(orv.Id()).empty()) << "a bitmap needs no plug-in";
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(orv.WaitForExit(), 0);
  }
  for (const bool killed : {false, true}) {
    SCOPED_TRACE(killed ? "killed" : "closed");
    ChildProcess orv(Command(ProgramPath(ORV_EXE), profile.Path(), ppm));
    HWND window = orv.WaitForWindow("TOrvClass");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Title(window), "b.ppm (3x2x24) 100% - Orv");
    const std::vector<DWORD> helpers = HelpersOf(orv.Id());
    ASSERT_EQ(helpers.size(), 1u);
    if (killed) {
      orv.Kill();
    } else {
      PostMessageA(window, WM_CLOSE, 0, 0);
      EXPECT_EQ(orv.WaitForExit(), 0);
    }
    EXPECT_TRUE(ProcessEnds(helpers[0], 10000));
  }
}

TEST(BridgeProcess, AFreshReadyFolderCataloguesBothWidthsOnItsFirstStart) {
  ORV_SKIP_WITHOUT_32BIT();
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Halvendo\\Susie\\Plug-in", 0, KEY_READ, &key) == ERROR_SUCCESS) {
    RegCloseKey(key);
    GTEST_SKIP() << "a plug-in folder is set in the registry, so the program folder is not the one scanned";
  }
  SetEnvironmentVariableA("TAVOPROF", nullptr);
  TempDir copy, pictures;
  for (const char* file : {"orv64.exe", "orvspi32.exe", "orvwic.sph", "orvzip.sph"})
    ASSERT_TRUE(CopyFileA((ProgramPath(ORV_DIST_DIR) + "\\" + file).c_str(), (copy.Path() + file).c_str(), FALSE))
        << file;
  // A user's 32-bit plug-ins beside them; one of the same name as a 64-bit one.
  ASSERT_TRUE(CopyFileA(Spi32("orvpnm").c_str(), (copy.Path() + "orvpnm.spi").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(Spi32("orvtar").c_str(), (copy.Path() + "orvzip.spi").c_str(), FALSE));
  const std::string ppm = pictures.Write("c.ppm", PnmFile(false, 2, 2, {1, 2, 3, 4}));
  ChildProcess orv("\"" + copy.Path() + "orv64.exe\" \"" + ppm + "\"");
  HWND window = orv.WaitForWindow("TOrvClass");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Title(window), "c.ppm (2x2x8) 100% - Orv");
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(orv.WaitForExit(), 0);
  std::string listed = ReadFileBytes(copy.Path() + kPluginListName);
  // The 64-bit plug-ins first, then the 32-bit ones without a 64-bit twin.
  const size_t wic = listed.find(copy.Path() + "orvwic.sph\r\n"), zip = listed.find(copy.Path() + "orvzip.sph\r\n");
  EXPECT_NE(wic, std::string::npos) << listed;
  EXPECT_NE(zip, std::string::npos) << listed;
  EXPECT_EQ(listed.substr(std::max(wic, zip) + copy.Path().size() + 12), copy.Path() + "orvpnm.spi\r\n");
}
