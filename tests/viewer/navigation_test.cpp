// Opening files and walking folders and archives, on real files with the
// internal reader and the test plug-ins, in a real main window.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/globals.h"
#include "image/bmp_builder.h"
#include "image/img.h"
#include "image/loading_win.h"
#include "plugin_test_util.h"
#include "util/sutil_win.h"
#include "viewer/file_list.h"
#include "viewer/main_window.h"
#include "viewer/navigation.h"
#include "viewer/view_state.h"
#include "main_window_suite.h"
#include "program_state.h"
#include "win_test_util.h"

namespace {

std::string AsString(const TBytes& b) { return std::string(b.begin(), b.end()); }

// A w x h 24-bit BMP whose pixels all have one colour.
std::string Bmp(int w, int h, uint8_t shade = 0x40) {
  TBmpRecipe r;
  r.Width = w;
  r.Height = h;
  r.Pixels.assign(static_cast<size_t>(((w * 3 + 3) / 4) * 4 * h), shade);
  return AsString(MakeBmp(r));
}

std::string Pnm(int w, int h) { return PnmFile(true, w, h, std::vector<uint8_t>(static_cast<size_t>(w * h * 3), 9)); }

// "BM" but no picture: the internal reader refuses it with a box.
const std::string kBrokenBmp = "BM\x10\0\0\0\0\0\0\0\xFF\xFF\0\0" + std::string(40, '\0');

class Navigation : public MainWindowSuite {
protected:
  static void SetUpTestSuite() { OpenWindow("OrvNavigationTest"); }

  void SetUp() override {
    ASSERT_NE(window_->Handle, nullptr);
    for (const char* name : {"orvpnm", "orvtar"}) state_.AddPlugin(TestSpi(name));
  }

  // The name shown now: the member's name inside an archive, else the file's name.
  std::string Shown() const { return CurrentArchive.empty() ? NameOf(Img.FileName) : Img.FileName; }
  std::string Archive() const { return NameOf(CurrentArchive); }

  TempDir dir_;
  BoxCapture boxes_;
  // Last, so the picture and the archive plug-in are released first.
  TProgramState state_{window_};
};

}  // namespace

TEST_F(Navigation, ScanFolderSortsLikeTheLocaleAndLeavesFoldersOut) {
  for (const char* name : {"b.png", "A.jpg", "a.gif", "10.jpg", "9.jpg"}) dir_.Write(name, "x");
  dir_.MakeDir("c");
  TFileList list;
  list.Current = 7;
  list.ScanFolder(dir_.Path() + "b.png");
  std::vector<std::string> names;
  for (int32_t i = 0; i < list.Count(); ++i) names.push_back(list.Get(i)->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"10.jpg", "9.jpg", "a.gif", "A.jpg", "b.png"}));
  EXPECT_EQ(list.Current, 4);
  for (int32_t i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Get(i)->Candidate, 1);

  list.Current = 2;
  list.ScanFolder(dir_.Path() + "deleted.png");
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list.Current, 2);
}

TEST_F(Navigation, SortGivesTheOrderOfLstrcmpA) {
  const char* parts[] = {"a", "A", "b", "-", "_", "1", "10", "9", "~", "'", "z", "Z", ".", " ", "ab", "aB"};
  TFileList list;
  uint32_t seed = 7;
  for (int n = 0; n < 600; ++n) {
    FileEntry e{};
    std::string name;
    for (int k = 0; k < 3; ++k) {
      seed = seed * 1103515245u + 12345u;
      name += parts[(seed >> 16) % (sizeof parts / sizeof *parts)];
    }
    lstrcpynA(e.Name, (name + std::to_string(n)).c_str(), sizeof e.Name);
    list.Add(e);
  }
  list.Sort();
  for (int32_t i = 1; i < list.Count(); ++i)
    ASSERT_LE(lstrcmpA(list.Get(i - 1)->Name, list.Get(i)->Name), 0) << list.Get(i - 1)->Name << " / " << list.Get(i)->Name;
}

TEST_F(Navigation, OpenFileShowsABitmapAtItsSizeWithTheInternalReader) {
  std::string path = dir_.Write("One Picture.bmp", Bmp(240, 130));
  ASSERT_EQ(OpenFile(path, false), 0);
  EXPECT_EQ(Img.FileName, ExpandLongPath(path));
  EXPECT_EQ(Img.PluginDesc, "(Internal DIB to DIB filter)");
  EXPECT_EQ(Img.PluginPath, "");
  EXPECT_EQ(Img.Zoom, 100);
  RECT client;
  GetClientRect(window_->Handle, &client);
  EXPECT_EQ(client.right, 240);
  EXPECT_EQ(client.bottom, 130);
  char title[256];
  GetWindowTextA(window_->Handle, title, sizeof title);
  EXPECT_STREQ(title, "One Picture.bmp (240x130x24) 100% - Orv");
}

TEST_F(Navigation, FailuresKeepThePreviousPicture) {
  std::string good = dir_.Write("a.bmp", Bmp(20, 10));
  ASSERT_EQ(OpenFile(good, false), 0);
  ScrollX = 3;

  EXPECT_EQ(OpenFile(dir_.Write("b.txt", "plain text"), false), -1);  // nobody claims it
  EXPECT_EQ(boxes_.Last.Count, 0);
  EXPECT_GT(OpenFile(dir_.Path() + "missing.bmp", false), 0);  // an I/O error code, silently
  EXPECT_EQ(boxes_.Last.Count, 0);
  EXPECT_EQ(OpenFile(dir_.Write("c.bmp", kBrokenBmp), false), -1);  // refused, with the reader's error
  EXPECT_EQ(boxes_.Last.Count, 1);
  EXPECT_NE(boxes_.Last.Text.find("c.bmp"), std::string::npos);

  EXPECT_EQ(Img.FileName, ExpandLongPath(good));
  EXPECT_EQ(Img.Width, 20);
  EXPECT_EQ(ScrollX, 3);
}

TEST_F(Navigation, AFileLockedByAnotherProgramIsSkippedSilently) {
  std::string a = dir_.Write("a.bmp", Bmp(8, 8));
  std::string b = dir_.Write("b.bmp", Bmp(9, 9));
  dir_.Write("c.bmp", Bmp(10, 10));
  HANDLE lock = CreateFileA(b.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_EQ(OpenFile(a, false), 0);
  GoNext(false);
  EXPECT_EQ(Shown(), "c.bmp");
  EXPECT_EQ(boxes_.Last.Count, 0);
  CloseHandle(lock);
}

TEST_F(Navigation, WalksAFolderThroughAnArchiveAndStopsAtBothEnds) {
  dir_.Write("1.bmp", Bmp(8, 8));
  dir_.Write("2.bmp", kBrokenBmp);
  dir_.Write("3.pnm", Pnm(5, 4));
  dir_.Write("4.tar", TarOf({{"z.bmp", Bmp(3, 3)}, {"dir/a.pnm", Pnm(2, 2)}, {"a.bmp", Bmp(4, 4)}, {"bad.bmp", kBrokenBmp}}));
  dir_.Write("5.bmp", Bmp(6, 6));
  ASSERT_EQ(OpenFile(dir_.Path() + "1.bmp", false), 0);

  GoNext(false);  // the broken bitmap fails once with a box, then 3.pnm
  EXPECT_EQ(Shown(), "3.pnm");
  EXPECT_EQ(Img.PluginPath, TestSpi("orvpnm"));
  EXPECT_EQ(boxes_.Last.Count, 1);

  GoNext(false);  // into the archive at its first member
  EXPECT_EQ(Archive(), "4.tar");
  EXPECT_EQ(Shown(), "a.bmp");
  EXPECT_TRUE(ArchivePlugin);
  char title[256];
  GetWindowTextA(window_->Handle, title, sizeof title);
  EXPECT_STREQ(title, "4.tar/a.bmp (4x4x24) 100% - Orv");

  GoNext(false);  // past the broken member
  EXPECT_EQ(Shown(), "dir\\a.pnm");
  GoNext(false);
  EXPECT_EQ(Shown(), "z.bmp");
  EXPECT_EQ(boxes_.Last.Count, 2);
  GoNext(false);  // out of the archive to the next file
  EXPECT_EQ(Shown(), "5.bmp");
  EXPECT_EQ(CurrentArchive, "");
  EXPECT_FALSE(ArchivePlugin);

  GoNext(false);  // the end: nothing changes, nothing is tried again
  GoNext(true);
  EXPECT_EQ(Shown(), "5.bmp");

  GoPrev(false);  // PrevImage enters the archive at its last readable member
  EXPECT_EQ(Shown(), "z.bmp");
  EXPECT_EQ(Archive(), "4.tar");
  GoPrev(true);  // PrevFile leaves it for the previous file at once
  EXPECT_EQ(Shown(), "3.pnm");
  GoPrev(false);  // the broken file is not tried again
  EXPECT_EQ(Shown(), "1.bmp");
  GoPrev(false);
  EXPECT_EQ(Shown(), "1.bmp");
  EXPECT_EQ(boxes_.Last.Count, 2);

  GoNext(true);  // NextFile from 1.bmp: 3.pnm, then the archive at its first member
  GoNext(true);
  EXPECT_EQ(Shown(), "a.bmp");
  GoNext(true);  // NextFile skips the remaining members
  EXPECT_EQ(Shown(), "5.bmp");
}

TEST_F(Navigation, PrevFileEntersAnArchiveAtItsFirstMember) {
  dir_.Write("1.tar", TarOf({{"a.bmp", Bmp(4, 4)}, {"b.bmp", Bmp(5, 5)}}));
  std::string last = dir_.Write("2.bmp", Bmp(6, 6));
  ASSERT_EQ(OpenFile(last, false), 0);
  GoPrev(true);
  EXPECT_EQ(Archive(), "1.tar");
  EXPECT_EQ(Shown(), "a.bmp");
}

TEST_F(Navigation, ArchivesWithoutReadableMembersAndNestedArchivesAreSkipped) {
  std::string first = dir_.Write("1.bmp", Bmp(8, 8));
  dir_.Write("2.tar", TarOf({{"notes.txt", "hello"}, {"inner.tar", TarOf({{"x.bmp", Bmp(3, 3)}})}}));
  dir_.Write("3.bmp", Bmp(9, 9));
  ASSERT_EQ(OpenFile(first, false), 0);
  GoNext(false);
  EXPECT_EQ(Shown(), "3.bmp");
  EXPECT_FALSE(ArchivePlugin);
  EXPECT_EQ(FolderFiles->Get(1)->Candidate, 0);
  // Loaded once by the probe, and kept for the next archive.
  EXPECT_EQ(GetModuleHandleA(TestSpi("orvtar").c_str()), PluginRecord(TestSpi("orvtar")).Module);
}

TEST_F(Navigation, ASecondArchiveReplacesTheFirstOnlyOnceAMemberIsShown) {
  // The first archive is another plug-in's (one PNM member), so that the
  // plug-in being browsed tells the two archives apart.
  const std::string otherPlugin = FaultySpi(dir_, "archiveinfo", "handled");
  state_.AddPlugin(otherPlugin);
  std::string first = dir_.Write("1.far", "FAULTME");
  std::string empty = dir_.Write("2.tar", TarOf({{"readme.txt", "x"}}));
  ASSERT_EQ(OpenFile(first, false), 0);
  EXPECT_EQ(Archive(), "1.far");
  ASSERT_EQ(ArchivePlugin, &PluginRecord(otherPlugin));
  EXPECT_NE(OpenFile(empty, false), 0);  // nothing in it opens: the first archive stays
  EXPECT_EQ(ArchivePlugin, &PluginRecord(otherPlugin));
  EXPECT_EQ(Archive(), "1.far");
  ASSERT_EQ(ArchiveFiles->Count(), 1);
  EXPECT_STREQ(ArchiveFiles->Get(0)->Name, "member.ppm");

  ASSERT_EQ(OpenFile(dir_.Write("3.bmp", Bmp(5, 5)), false), 0);  // a plain picture leaves the archive
  EXPECT_FALSE(ArchivePlugin);
  EXPECT_EQ(PluginRecord(TestSpi("orvtar")).State, TPluginState::Loaded);  // kept for the next archive
}

TEST_F(Navigation, KeepViewPositionKeepsTheScrollForPicturesOfTheSameSize) {
  for (bool keep : {false, true}) {
    SCOPED_TRACE(keep);
    TempDir dir;
    std::string a = dir.Write("a.bmp", Bmp(600, 500));
    dir.Write("b.bmp", Bmp(600, 500, 0x80));
    dir.Write("c.bmp", Bmp(601, 500));
    delete FolderFiles;
    FolderFiles = new TFileList;
    KeepViewPosition = keep;
    ASSERT_EQ(OpenFile(a, false), 0);
    ScrollX = 30;
    ScrollY = 20;
    GoNext(false);
    EXPECT_EQ(Shown(), "b.bmp");
    EXPECT_EQ(ScrollX, keep ? 30 : 0);
    EXPECT_EQ(ScrollY, keep ? 20 : 0);
    GoNext(false);
    EXPECT_EQ(Shown(), "c.bmp");
    EXPECT_EQ(ScrollX, 0);
  }
}

TEST_F(Navigation, RefreshingTheListRetriesFailedEntriesAndFindsNewFiles) {
  std::string a = dir_.Write("a.bmp", Bmp(8, 8));
  dir_.Write("b.bmp", kBrokenBmp);
  ASSERT_EQ(OpenFile(a, false), 0);
  GoNext(false);
  EXPECT_EQ(Shown(), "a.bmp");
  dir_.Write("b.bmp", Bmp(9, 9));
  dir_.Write("c.bmp", Bmp(10, 10));
  GoNext(false);  // b is marked failed and c is not listed yet
  EXPECT_EQ(Shown(), "a.bmp");
  FolderFiles->Clear();  // what RefreshFileList does
  GoNext(false);
  EXPECT_EQ(Shown(), "b.bmp");
  GoNext(false);
  EXPECT_EQ(Shown(), "c.bmp");
}

TEST_F(Navigation, APositionBeyondARescannedListVisitsOnlyExistingEntries) {
  for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) dir_.Write(name, Bmp(8, 8));
  std::string d = dir_.Write("d.bmp", Bmp(9, 9));
  ASSERT_EQ(OpenFile(d, false), 0);
  GoNext(false);  // lists the folder: the shown file is its last entry
  ASSERT_EQ(FolderFiles->Current, 3);
  DeleteFileA((dir_.Path() + "c.bmp").c_str());
  DeleteFileA(d.c_str());
  FolderFiles->Clear();
  GoNext(false);  // the shown file is gone: the position stays past the shorter list
  EXPECT_EQ(Shown(), "d.bmp");
  EXPECT_EQ(FolderFiles->Count(), 2);
  GoPrev(false);
  EXPECT_EQ(Shown(), "b.bmp");
  EXPECT_EQ(FolderFiles->Current, 1);
}
