// Names whose characters have "\" (0x5C) as their second byte, under the
// Japanese code page, from end to end: opened from the command line, from a
// drop and by walking a folder of such names, into members of tar and ZIP
// archives, and shown in the title and the Picture Information dialog.
// CTest runs these under code page 932 (test double_byte_cp932).
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "app/globals.h"
#include "companion_test_util.h"
#include "image/bmp_builder.h"
#include "image/img.h"
#include "plugin_test_util.h"
#include "plugins/plugin_list.h"
#include "main_window_suite.h"
#include "program_state.h"
#include "util/sutil_win.h"
#include "viewer/file_list.h"
#include "viewer/info_dialog_win.h"
#include "viewer/main_window.h"
#include "viewer/navigation.h"
#include "win_test_util.h"
#include "zip/zip_builder.h"

namespace {

// Three characters whose second byte is "\": 表, ソ and 能.
const std::string kHyo = "\x95\x5C";
const std::string kSo = "\x83\x5C";
const std::string kNo = "\x94\x5C";

std::string Bmp(int w, int h) {
  const TBytes b = MakeSolidBmp(w, h, 0x336699);
  return std::string(b.begin(), b.end());
}

std::string Pnm(int w, int h) { return PnmFile(true, w, h, std::vector<uint8_t>(static_cast<size_t>(w * h * 3), 7)); }

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

std::string Title(HWND window) {
  char title[512] = {};
  GetWindowTextA(window, title, sizeof title);
  return title;
}

std::string Caption(const std::string& shown, int w, int h) {
  return shown + " (" + std::to_string(w) + "x" + std::to_string(h) + "x24) 100% - Orv";
}

// A drop as the shell of an NT system hands it over: wide paths, which the
// window reads back in the system code page.
HDROP WideDrop(const std::string& path) {
  const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + (length + 1) * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, reinterpret_cast<wchar_t*>(drop + 1), length);
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

// What each picture of the folder shows as: "archive/member" or the file's name.
struct TShown {
  int Width, Height;
};

class DoubleByteNames : public MainWindowSuite {
 protected:
  static void SetUpTestSuite() { OpenWindow("OrvDoubleByteTest"); }

  void SetUp() override {
    if (GetACP() != 932) {
      if (std::getenv("ORV_EXPECT_CP932")) FAIL() << "code page " << GetACP() << " instead of 932";
      GTEST_SKIP() << "needs code page 932";
    }
    // A folder named by one such character, holding files, a tar and a ZIP
    // whose names and members' names are made of them.
    folder_ = dir_.MakeDir(kHyo) + "\\";
    // Wine stores such names only where the host has the Japanese locale.
    ASSERT_NE(GetFileAttributesA(folder_.c_str()), INVALID_FILE_ATTRIBUTES) << kNoDoubleByteNames;
    for (const std::string& plugin : {TestSpi("orvpnm"), TestSpi("orvtar"), CompanionDll("orvzip")})
      state_.AddPlugin(plugin);
    Add(kSo + ".bmp", Bmp(31, 21), 31, 21);
    Add(kNo + kSo + ".pnm", Pnm(33, 23), 33, 23);
    TarBuilder tar;
    tar.AddFile(kNo + "/" + kSo + ".bmp", Bmp(35, 25), 1600000000);
    tar.AddFile(kHyo + ".pnm", Pnm(37, 27), 1600000000);
    Add(kHyo + kSo + ".tar", tar.Bytes());
    shown_[kHyo + kSo + ".tar/" + kNo + "\\" + kSo + ".bmp"] = {35, 25};
    shown_[kHyo + kSo + ".tar/" + kHyo + ".pnm"] = {37, 27};
    // One name in the code page's bytes, one flagged as UTF-8 (表\ソ.pnm).
    ZipRecipe utf8{"\xE8\xA1\xA8/\xE3\x82\xBD.pnm", Pnm(41, 31)};
    utf8.Utf8 = true;
    Add("z" + kNo + ".zip", ZipBuilder().File(kSo + "/" + kNo + ".bmp", Bmp(39, 29)).Add(utf8).Bytes());
    shown_["z" + kNo + ".zip/" + kSo + "\\" + kNo + ".bmp"] = {39, 29};
    shown_["z" + kNo + ".zip/" + kHyo + "\\" + kSo + ".pnm"] = {41, 31};
  }
  void TearDown() override {
    if (InfoDialog && IsWindow(InfoDialog)) DestroyWindow(InfoDialog);
    InfoDialog = nullptr;
  }

  void Add(const std::string& name, const std::string& bytes, int w = 0, int h = 0) {
    dir_.Write(kHyo + "\\" + name, bytes);
    if (w) shown_[name] = {w, h};
  }
  static std::string Shown() {
    return CurrentArchive.empty() ? NameOf(Img.FileName) : NameOf(CurrentArchive) + "/" + Img.FileName;
  }
  // The shown picture is the one named, with its size, in the title too.
  void ExpectShown(const std::string& shown) {
    ASSERT_EQ(Shown(), shown);
    ASSERT_EQ(shown_.count(shown), 1u) << shown;
    const TShown& s = shown_[shown];
    EXPECT_EQ(Img.Width, s.Width);
    EXPECT_EQ(Title(window_->Handle), Caption(shown, s.Width, s.Height));
  }
  static std::string Item(int id) {
    std::string text(4096, '\0');
    text.resize(GetDlgItemTextA(InfoDialog, id, text.data(), static_cast<int>(text.size())));
    return text;
  }

  TempDir dir_;
  std::string folder_;
  std::map<std::string, TShown> shown_;
  BoxCapture boxes_;
  TProgramState state_{window_};
};

}  // namespace

TEST_F(DoubleByteNames, CodePage932WalkVisitsEveryFileAndMemberBothWays) {
  TFileList listed;
  listed.ScanFolder(folder_ + kSo + ".bmp");
  ASSERT_EQ(listed.Count(), 4);
  EXPECT_EQ(listed.Get(listed.Current)->Name, kSo + ".bmp");

  // From the first file to the last, and back again.
  ASSERT_EQ(OpenFile(folder_ + listed.Get(0)->Name, false), 0);
  std::vector<std::string> forward = {Shown()};
  for (size_t i = 1; i < shown_.size(); ++i) {
    window_->DoCommand(kCmdNextImage);
    forward.push_back(Shown());
    ExpectShown(forward.back());
    if (CurrentArchive.empty()) {
      EXPECT_EQ(Img.FileName, folder_ + forward.back());
    }
  }
  window_->DoCommand(kCmdNextImage);
  EXPECT_EQ(Shown(), forward.back()) << "the end of the folder";
  std::map<std::string, int> visits;
  for (const std::string& s : forward) ++visits[s];
  EXPECT_EQ(visits.size(), shown_.size()) << "every picture once";
  for (size_t i = forward.size() - 1; i-- > 0;) {
    window_->DoCommand(kCmdPrevImage);
    ExpectShown(forward[i]);
  }
  EXPECT_EQ(boxes_.Last.Count, 0) << boxes_.Last.Text;
}

TEST_F(DoubleByteNames, CodePage932ADropOpensTheFileAndTheWalkGoesOnFromIt) {
  ASSERT_EQ(OpenFile(folder_ + kSo + ".bmp", false), 0);
  const std::string dropped = folder_ + kNo + kSo + ".pnm";
  PostMessageA(window_->Handle, WM_DROPFILES, reinterpret_cast<WPARAM>(WideDrop(dropped)), 0);
  Pump();
  EXPECT_EQ(boxes_.Last.Count, 0) << boxes_.Last.Text;
  EXPECT_EQ(Img.FileName, dropped);
  ExpectShown(kNo + kSo + ".pnm");

  // The walk starts from the dropped file's own entry.
  TFileList listed;
  listed.ScanFolder(dropped);
  ASSERT_LT(listed.Current, listed.Count());
  window_->DoCommand(kCmdNextFile);
  if (listed.Current + 1 < listed.Count()) {
    EXPECT_EQ(NameOf(CurrentArchive.empty() ? Img.FileName : CurrentArchive), listed.Get(listed.Current + 1)->Name);
  } else {
    EXPECT_EQ(Img.FileName, dropped);
  }
}

TEST_F(DoubleByteNames, CodePage932TheInformationDialogShowsNameAndLocation) {
  ASSERT_EQ(OpenFile(folder_ + kNo + kSo + ".pnm", false), 0);
  window_->DoCommand(kCmdPicInfo);
  ASSERT_TRUE(IsWindow(InfoDialog));
  EXPECT_EQ(Item(kInfoName), kNo + kSo + ".pnm");
  EXPECT_EQ(Item(kInfoLocation), folder_);
  EXPECT_NE(Item(kInfoValues).find("\r\n" + TestSpi("orvpnm")), std::string::npos) << Item(kInfoValues);

  // A member in a folder of the archive: the archive, "/", the member's folder.
  ASSERT_EQ(OpenFile(folder_ + kHyo + kSo + ".tar", false), 0);
  ASSERT_EQ(Img.FileName, kNo + "\\" + kSo + ".bmp");
  EXPECT_EQ(Item(kInfoName), kSo + ".bmp");
  EXPECT_EQ(Item(kInfoLocation), folder_ + kHyo + kSo + ".tar/" + kNo + "\\");
  window_->DoCommand(kCmdNextImage);
  EXPECT_EQ(Item(kInfoName), kHyo + ".pnm");
  EXPECT_EQ(Item(kInfoLocation), folder_ + kHyo + kSo + ".tar/");
}

TEST_F(DoubleByteNames, CodePage932TheCommandLineOpensSuchAFileIntoSuchAProfile) {
  // The profile folder's name ends in such a character, without a final "\".
  const std::string profile = dir_.MakeDir(kSo);
  const std::string picture = folder_ + kSo + ".bmp";
  ChildProcess orv("\"" + ProgramPath(ORV_EXE) + "\" /prof=" + profile + " \"" + picture + "\"");
  ASSERT_TRUE(orv.Started());
  HWND window = orv.WaitForWindow("TOrvClass");
  ASSERT_NE(window, nullptr) << "the picture did not open";
  EXPECT_EQ(Title(window), Caption(kSo + ".bmp", 31, 21));
  // Start-up wrote the catalogue into that folder, not beside it.
  EXPECT_NE(GetFileAttributesA((profile + "\\" + kPluginListName).c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA((profile + kPluginListName).c_str()), INVALID_FILE_ATTRIBUTES);
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(orv.WaitForExit(), 0);
}
