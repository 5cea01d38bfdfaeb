#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/conf_file_win.h"
#include "config/conf_syntax.h"
#include "win_test_util.h"

namespace {

std::vector<std::string> Keys(const std::string& fileName, int32_t* error = nullptr) {
  TConfFile file(fileName);
  if (error) *error = file.Error;
  std::vector<std::string> keys;
  while (file.Next()) keys.push_back(std::string(file.Line.Key) + "=" + file.Line.Values[0]);
  return keys;
}

using V = std::vector<std::string>;

}  // namespace

TEST(ConfFile, MissingFileYieldsNoLinesAndAnError) {
  TempDir dir;
  int32_t error = 0;
  EXPECT_TRUE(Keys(dir.Path() + "absent", &error).empty());
  EXPECT_NE(error, 0);
}

TEST(ConfFile, NestedIncludesStandInPlaceAndMissingOnesAreSkipped) {
  TempDir dir;
  dir.Write("inner.txt", "I 1\r\n@Include " + dir.Path() + "nowhere.txt\r\n");
  dir.Write("middle.txt", "M1 1\r\n@Include \"" + dir.Path() + "inner.txt\"\r\nM2 2\r\n");
  std::string top = dir.Write("config", "A 1\r\n@Include " + dir.Path() + "middle.txt\r\nB 2\r\n");
  EXPECT_EQ(Keys(top), V({"A=1", "M1=1", "I=1", "M2=2", "B=2"}));
}

TEST(ConfFile, FilesWithLineFeedOrCarriageReturnEndsIncludeLineByLine) {
  TempDir dir;
  dir.Write("inner.txt", "# inner\nI 1\n#I 0\nJ 2\n");
  dir.Write("middle.txt", "# middle\rM 1\r@Include " + dir.Path() + "inner.txt\rN 2\r");
  std::string top = dir.Write("config", "# top\nA 1\n@Include " + dir.Path() + "middle.txt\nB 2\n");
  EXPECT_EQ(Keys(top), V({"A=1", "M=1", "I=1", "J=2", "N=2", "B=2"}));
}

TEST(ConfFile, IncludeNamesExpandEnvironmentVariables) {
  TempDir dir;
  dir.Write("sub\\keys.txt", "K 5\r\n");
  SetEnvironmentVariableA("ORV_TEST_FOLDER", dir.Path().c_str());
  std::string top = dir.Write("config", "@Include %ORV_TEST_FOLDER%sub\\keys.txt\r\n");
  EXPECT_EQ(Keys(top), V({"K=5"}));
  SetEnvironmentVariableA("ORV_TEST_FOLDER", nullptr);
}

TEST(ConfFile, IncludeCyclesEnd) {
  TempDir dir;
  std::string self = dir.Write("self", "S 1\r\n@Include " + dir.Path() + "self\r\n@Include " + dir.Path() +
                                           "self\r\nT 2\r\n");
  EXPECT_EQ(Keys(self), V({"S=1", "T=2"}));

  dir.Write("b", "B 1\r\n@Include " + dir.Path() + "a\r\n");
  std::string a = dir.Write("a", "A 1\r\n@Include " + dir.Path() + "b\r\n");
  EXPECT_EQ(Keys(a), V({"A=1", "B=1"}));
}

TEST(ConfFile, DeepChainsAreCutAtSixteenFiles) {
  TempDir dir;
  for (int i = 0; i < 30; ++i)
    dir.Write("f" + std::to_string(i), "L " + std::to_string(i) + "\r\n@Include " + dir.Path() + "f" +
                                           std::to_string(i + 1) + "\r\n");
  auto keys = Keys(dir.Path() + "f0");
  ASSERT_EQ(keys.size(), 16u);
  EXPECT_EQ(keys.back(), "L=15");
}

TEST(ConfFile, RelativeIncludesResolveAgainstTheCurrentFolder) {
  TempDir dir;
  TempDir other;
  other.Write("rel.txt", "R 1\r\n");
  std::string top = dir.Write("config", "@Include rel.txt\r\n");
  char saved[MAX_PATH + 1];
  GetCurrentDirectoryA(sizeof saved, saved);
  SetCurrentDirectoryA(other.Path().c_str());
  auto keys = Keys(top);
  SetCurrentDirectoryA(saved);
  EXPECT_EQ(keys, V({"R=1"}));
}

TEST(ConfFile, ReadsAFileThatAnotherProcessHoldsOpenForWriting) {
  TempDir dir;
  std::string name = dir.Write("config", "A 1\r\n");
  HANDLE writer = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Keys(name), V({"A=1"}));
  CloseHandle(writer);
}
