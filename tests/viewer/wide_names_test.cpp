// File names the system code page cannot spell, from end to end: a folder
// that mixes them with plain names is walked both ways in the order of
// lstrcmpW, each name opens by a drop and from the command line with its
// title, plug-ins with only ANSI exports get a spellable stand-in (or, for an
// archive with no short name, a clear message), and a folder given instead of
// a file opens its first picture. CTest runs these cases under code page 1252
// and again under 932 (test wide_names_cp932).
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "app/globals.h"
#include "companion_test_util.h"
#include "image/bmp_builder.h"
#include "image/img.h"
#include "main_window_suite.h"
#include "picture_builders.h"
#include "plugin_test_util.h"
#include "plugins/plugin_list.h"
#include "plugins/spi_records.h"
#include "program_state.h"
#include "util/names_win.h"
#include "viewer/file_list.h"
#include "viewer/info_dialog_win.h"
#include "viewer/main_window.h"
#include "viewer/navigation.h"
#include "win_test_util.h"
#include "zip/zip_builder.h"

namespace {

// Plain, Latin with accents, a symbol, Japanese in and outside JIS X 0208,
// Korean, Cyrillic, Greek and an emoji; "Pokémon" is the name code page 932
// would best-fit into one that does not exist.
const std::wstring kNames[] = {L"b_plain.bmp",    L"caf\u00E9.bmp",  L"a_\u2665_heart.bmp", L"c_\u65E5\u672C.bmp",
                               L"\U0002000B.bmp", L"\uD55C\uAE00.bmp", L"\u041F\u0440\u0438.bmp",
                               L"\u0395\u03BB\u03BB\u03AC\u03B4\u03B1.bmp", L"\U0001F600.bmp", L"Pok\u00E9mon.bmp"};

std::string Bmp(int w, int h) {
  const TBytes b = MakeSolidBmp(w, h, 0x336699);
  return std::string(b.begin(), b.end());
}

// The title as the window gives it when asked, which is how Wine's title bar
// reads it.
std::wstring Title(HWND window) {
  wchar_t title[512] = {};
  GetWindowTextW(window, title, 512);
  return title;
}

std::wstring TitleOf(const std::wstring& name, int w, int h) {
  return name + L" (" + std::to_wstring(w) + L"x" + std::to_wstring(h) + L"x24) 100% - Orv";
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// A drop of one file as the shell makes it, with a UTF-16 name.
HDROP WideDrop(const std::wstring& path) {
  const size_t size = sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::copy(path.begin(), path.end(), reinterpret_cast<wchar_t*>(drop + 1));
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

// A volume without short names, for the ANSI-only plug-ins' last road.
std::string NoShortName(const std::string&) { return std::string(); }

class WideNames : public MainWindowSuite {
 protected:
  static void SetUpTestSuite() { OpenWindow("OrvWideNamesTest"); }
  void SetUp() override {
    ASSERT_NE(window_->Handle, nullptr);
    if (std::getenv("ORV_EXPECT_CP932")) {
      ASSERT_EQ(GetACP(), 932u) << kNoDoubleByteNames;
    }
    for (const char* name : {"orvpnm", "orvtar"}) state_.AddPlugin(TestSpi(name));
  }
  void TearDown() override { SetShortPathSource(nullptr); }

  // Each name's picture, sized by its place in the list.
  std::map<std::wstring, std::pair<int, int>> WriteAll() {
    std::map<std::wstring, std::pair<int, int>> sizes;
    int i = 0;
    for (const std::wstring& name : kNames) {
      sizes[name] = {10 + i, 5 + i};
      dir_.WriteWide(name, Bmp(10 + i, 5 + i));
      ++i;
    }
    return sizes;
  }
  std::string Named(const std::wstring& name) const { return NameOfWide(WideOf(dir_.Path()) + name); }

  TempDir dir_;
  BoxCapture boxes_;
  TProgramState state_{window_};
};

}  // namespace

TEST_F(WideNames, AFolderOfEveryKindOfNameIsWalkedBothWaysInTheOrderOfLstrcmpW) {
  const auto sizes = WriteAll();
  std::vector<std::wstring> order(std::begin(kNames), std::end(kNames));
  std::sort(order.begin(), order.end(),
            [](const std::wstring& a, const std::wstring& b) { return lstrcmpW(a.c_str(), b.c_str()) < 0; });
  ASSERT_EQ(OpenNamed(Named(order.front())), 0);
  for (size_t i = 0; i < order.size(); ++i) {
    if (i > 0) GoNext(false);
    const auto [w, h] = sizes.at(order[i]);
    EXPECT_EQ(Title(window_->Handle), TitleOf(order[i], w, h));
  }
  std::vector<std::wstring> listed;
  for (int32_t i = 0; i < FolderFiles->Count(); ++i) listed.push_back(WideOf(FolderFiles->Get(i)->Name));
  EXPECT_EQ(listed, order);
  for (size_t i = order.size(); i-- > 0;) {
    const auto [w, h] = sizes.at(order[i]);
    EXPECT_EQ(Title(window_->Handle), TitleOf(order[i], w, h));
    GoPrev(false);
  }
  EXPECT_EQ(boxes_.Last.Count, 0);
}

TEST_F(WideNames, EachNameOpensByADropAndAFolderDroppedOpensItsFirstPicture) {
  const auto sizes = WriteAll();
  for (const std::wstring& name : kNames) {
    PostMessageW(window_->Handle, WM_DROPFILES, reinterpret_cast<WPARAM>(WideDrop(WideOf(dir_.Path()) + name)), 0);
    Pump();
    const auto [w, h] = sizes.at(name);
    EXPECT_EQ(Title(window_->Handle), TitleOf(name, w, h));
  }
  std::wstring first = kNames[0];
  for (const std::wstring& name : kNames)
    if (lstrcmpW(name.c_str(), first.c_str()) < 0) first = name;
  for (const std::wstring& folder : {WideOf(dir_.Path()), WideOf(dir_.Path()).substr(0, dir_.Path().size() - 1)}) {
    PostMessageW(window_->Handle, WM_DROPFILES, reinterpret_cast<WPARAM>(WideDrop(folder)), 0);
    Pump();
    const auto [w, h] = sizes.at(first);
    EXPECT_EQ(Title(window_->Handle), TitleOf(first, w, h));
  }
  EXPECT_EQ(boxes_.Last.Count, 0);
}

// A plug-in with only ANSI exports is asked with the short path (else the
// name with the unspellable characters replaced, same extension) and decodes
// from memory; an ANSI-only archive plug-in gets the archive's short path,
// and where the volume has none the user is told why.
TEST_F(WideNames, PluginsWithOnlyAnsiExportsGetAStandInOrAClearMessage) {
  const std::wstring picture = L"\uD55C\uAE00\uC0AC\uC9C4.ppm";
  dir_.WriteWide(picture, PnmFile(true, 3, 2, std::vector<uint8_t>(18, 9)));
  TarBuilder tar;
  tar.AddFile("a.bmp", Bmp(4, 4), 1600000000);
  const std::wstring archive = L"\uD55C\uAE00.tar";
  dir_.WriteWide(archive, tar.Bytes());
  for (bool shortNames : {true, false}) {
    SCOPED_TRACE(shortNames ? "short names" : "no short names");
    SetShortPathSource(shortNames ? nullptr : NoShortName);
    ClearSpiLog();
    ASSERT_EQ(OpenNamed(Named(picture)), 0);
    EXPECT_EQ(Title(window_->Handle), TitleOf(picture, 3, 2));
    const std::string standIn = shortNames ? SpellableShortPath(Named(picture)) : dir_.Path() + "____.ppm";
    EXPECT_NE(SpiLog().find("pnm:supported(" + standIn + ")"), std::string::npos) << SpiLog();

    const int boxes = boxes_.Last.Count;
    const std::wstring before = Title(window_->Handle);
    const int32_t opened = OpenNamed(Named(archive));
    if (shortNames) {
      EXPECT_EQ(opened, 0);
      EXPECT_EQ(Title(window_->Handle), archive + L"/a.bmp (4x4x24) 100% - Orv");
    } else {
      EXPECT_NE(opened, 0);
      EXPECT_EQ(boxes_.Last.Count, boxes + 1);
      EXPECT_EQ(boxes_.Last.Text, PluginErrorText(Named(archive), kSpiNoNameRoad));
      EXPECT_EQ(Title(window_->Handle), before);
    }
  }
}

// From outside, as a user starts it: names the code page cannot spell on the
// command line, and a folder with and without its final backslash.
TEST(WideNamesRun, TheCommandLineOpensSuchNamesAndFolders) {
  if (std::getenv("ORV_EXPECT_CP932")) {
    ASSERT_EQ(GetACP(), 932u) << kNoDoubleByteNames;
  }
  TempDir profile, pictures;
  const std::wstring folder = WideOf(pictures.Path());
  for (const std::wstring& name : {std::wstring(L"\U0001F600.bmp"), std::wstring(L"\uD55C\uAE00.bmp")})
    pictures.WriteWide(name, Bmp(7, 3));
  const std::wstring program = WideOf(ProgramPath(ORV_EXE));
  // A folder opens at the name lstrcmpW puts first.
  const std::wstring first = lstrcmpW(L"\U0001F600.bmp", L"\uD55C\uAE00.bmp") < 0 ? L"\U0001F600" : L"\uD55C\uAE00";
  const struct {
    std::wstring argument, title;
  } cases[] = {{folder + L"\uD55C\uAE00.bmp", L"\uD55C\uAE00.bmp (7x3x24) 100% - Orv"},
               {folder, first + L".bmp (7x3x24) 100% - Orv"},
               {folder.substr(0, folder.size() - 1), first + L".bmp (7x3x24) 100% - Orv"}};
  for (const auto& c : cases) {
    ChildProcess orv(L"\"" + program + L"\" /prof=" + WideOf(profile.Path()) + L" \"" + c.argument + L"\"");
    ASSERT_TRUE(orv.Started());
    HWND window = orv.WaitForWindow("TOrvClass");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Title(window), c.title);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(orv.WaitForExit(), 0);
  }
}

// A profile folder the code page cannot spell (a user name outside it): the
// catalogue is built and read there, the key map read, the wallpaper written.
TEST(WideNamesRun, AProfileFolderOfSuchANameIsReadAndWritten) {
  TempDir base, pictures;
  const std::wstring profile = WideOf(base.Path()) + L"\uD504\uB85C\uD544\\";
  ASSERT_TRUE(CreateDirectoryW(profile.c_str(), nullptr));
  base.WriteWide(L"\uD504\uB85C\uD544\\keymap", "Q Exit\n");
  const std::string picture = pictures.Write("a.bmp", Bmp(7, 3));
  ChildProcess orv(L"\"" + WideOf(ProgramPath(ORV_EXE)) + L"\" /prof=" + profile + L" \"" + WideOf(picture) + L"\"");
  ASSERT_TRUE(orv.Started());
  HWND window = orv.WaitForWindow("TOrvClass");
  ASSERT_NE(window, nullptr);
  EXPECT_NE(GetFileAttributesW((profile + WideOf(kPluginListName)).c_str()), INVALID_FILE_ATTRIBUTES);
  SendMessageW(window, WM_COMMAND, kCmdWallpaperNormal, 0);
  EXPECT_NE(GetFileAttributesW((profile + L"wallpaper.bmp").c_str()), INVALID_FILE_ATTRIBUTES);
  // "Q" is bound by the key map there, and nowhere else.
  PostMessageW(window, WM_KEYDOWN, 'Q', 0);
  EXPECT_EQ(orv.WaitForExit(), 0);
}

// Our own plug-ins take such names whole: the picture plug-in's wide twins,
// and the ZIP plug-in's wide records, whose members show in the title and in
// the Picture Information dialog as they are named.
TEST_F(WideNames, OurPluginsTakeSuchNamesAndArchiveMembersShowWhole) {
  for (const char* name : {"orvwic", "orvzip"}) state_.AddPlugin(CompanionDll(name));
  PngRecipe png;
  png.Width = 3;
  png.Height = 2;
  png.Samples.assign(18, 200);
  const std::wstring picture = L"\uD55C\uAE00 \U0001F600.png";
  dir_.WriteWide(picture, PngFile(png));
  ASSERT_EQ(OpenNamed(Named(picture)), 0);
  EXPECT_EQ(Title(window_->Handle), picture + L" (3x2x24) 100% - Orv");

  ZipRecipe member{reinterpret_cast<const char*>(u8"\uC0AC\uC9C4/\u0395\u03BB\u03BB\u03AC\u03B4\u03B1.bmp"), Bmp(6, 4)};
  member.Utf8 = true;
  ZipBuilder zip;
  zip.Add(member);
  const std::wstring archive = L"\uC555\uCD95.zip";
  dir_.WriteWide(archive, zip.Bytes());
  ASSERT_EQ(OpenNamed(Named(archive)), 0);
  EXPECT_EQ(Title(window_->Handle), archive + L"/\uC0AC\uC9C4\\\u0395\u03BB\u03BB\u03AC\u03B4\u03B1.bmp (6x4x24) 100% - Orv");
  window_->DoCommand(kCmdPicInfo);
  ASSERT_TRUE(InfoDialog && IsWindow(InfoDialog));
  wchar_t text[512] = {};
  GetDlgItemTextW(InfoDialog, kInfoName, text, 512);
  EXPECT_STREQ(text, L"\u0395\u03BB\u03BB\u03AC\u03B4\u03B1.bmp");
  GetDlgItemTextW(InfoDialog, kInfoLocation, text, 512);
  EXPECT_EQ(std::wstring(text), WideOf(dir_.Path()) + archive + L"/\uC0AC\uC9C4\\");
  SendMessageW(InfoDialog, WM_COMMAND, kInfoClose, 0);
}
