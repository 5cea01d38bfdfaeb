#include <gtest/gtest.h>

#include "util/sutil_win.h"
#include "viewer/texts_win.h"
#include "win_test_util.h"

TEST(FileTimeText, ZeroTimeIsUnknownOthersAreDateAndTime) {
  EXPECT_EQ(FileTimeText(FILETIME{0, 0}), "Unknown");
  SYSTEMTIME st = {};
  st.wYear = 2020;
  st.wMonth = 2;
  st.wDay = 29;
  st.wHour = 12;
  FILETIME ft;
  ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
  std::string text = FileTimeText(ft);
  EXPECT_NE(text.find("2020"), std::string::npos) << text;
  EXPECT_NE(text.find(' '), std::string::npos) << text;
}

TEST(ExpandLongPath, ShortNamesBecomeLongNamesAllTheWay) {
  TempDir dir;
  std::string file = dir.Write("A Very Long Folder\\Another long name.jpeg", "x");
  char shortName[MAX_PATH + 1] = {};
  ASSERT_GT(GetShortPathNameA(file.c_str(), shortName, sizeof shortName), 0u);
  ASSERT_EQ(std::string(shortName).find("Another long name"), std::string::npos) << shortName;
  EXPECT_EQ(ExpandLongPath(shortName), ExpandLongPath(file));
  EXPECT_NE(ExpandLongPath(shortName).find("\\A Very Long Folder\\Another long name.jpeg"), std::string::npos);
}

TEST(ExpandLongPath, MissingComponentsStayAsWritten) {
  TempDir dir;
  std::string missing = dir.Path() + "no such folder\\pic.bmp";
  EXPECT_EQ(ExpandLongPath(missing), FullPathOf(missing));
}

TEST(ExpandLongPath, RelativeNamesAreMadeAbsolute) {
  TempDir dir;
  dir.Write("Some Picture.bmp", "BM");
  char saved[MAX_PATH + 1];
  GetCurrentDirectoryA(sizeof saved, saved);
  SetCurrentDirectoryA(dir.Path().c_str());
  std::string expanded = ExpandLongPath("Some Picture.bmp");
  SetCurrentDirectoryA(saved);
  EXPECT_EQ(expanded, ExpandLongPath(dir.Path() + "Some Picture.bmp"));
  EXPECT_EQ(expanded.substr(1, 2), ":\\");
}
