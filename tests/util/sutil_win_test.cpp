#include <gtest/gtest.h>

#include "util/sutil_win.h"
#include "win_test_util.h"

TEST(IsFile, PlainFilesCountFoldersOnlyWithFurtherAttributes) {
  TempDir dir;
  std::string file = dir.Write("a.bmp", "BM");
  std::string folder = dir.MakeDir("sub");
  std::string hidden = dir.MakeDir("hidden");
  SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);

  EXPECT_TRUE(IsFile(file));
  EXPECT_FALSE(IsFile(dir.Path() + "missing.bmp"));
  EXPECT_FALSE(IsFile(folder));
  EXPECT_TRUE(IsFile(hidden));
}

TEST(PathParts, BareNamesResolveAgainstTheCurrentFolder) {
  TempDir dir;
  char saved[MAX_PATH + 1];
  GetCurrentDirectoryA(sizeof saved, saved);
  SetCurrentDirectoryA(dir.Path().c_str());
  std::string folder = FolderOf("pic.jpg");
  std::string name = NameOf("pic.jpg");
  std::string nested = FolderOf("x\\y\\pic.jpg");
  SetCurrentDirectoryA(saved);

  EXPECT_EQ(folder, FullPathOf(dir.Path()));
  EXPECT_EQ(name, "pic.jpg");
  EXPECT_EQ(nested, FullPathOf(dir.Path()) + "x\\y\\");
  EXPECT_EQ(NameOf("C:\\a\\b\\"), "");
}

TEST(MakeRect, KeepsTheOrderOfItsArguments) {
  RECT r = MakeRect(1, 2, 3, 4);
  EXPECT_EQ(r.left, 1);
  EXPECT_EQ(r.top, 2);
  EXPECT_EQ(r.right, 3);
  EXPECT_EQ(r.bottom, 4);
}
