#include <gtest/gtest.h>

#include "config/profile.h"

namespace {

// The lead bytes of Shift-JIS below 0xA0, enough for the names here.
bool ShiftJisLead(uint8_t b) { return b >= 0x81 && b <= 0x9F; }

}  // namespace

TEST(ProfileFolder, FirstRuleThatYieldsAFolderWins) {
  struct Case {
    const char* argument;
    const char* environment;
    const char* expected;
  } cases[] = {
      {"/prof=D:\\p", "E:\\env", "D:\\p\\"},
      {"/prof=D:\\p\\", "", "D:\\p\\"},
      {"/prof=rel", "", "rel\\"},
      {"/prof=", "E:\\env", "E:\\env\\orv\\"},  // an empty option counts as none
      {"/PROF=D:\\p", "", "C:\\prog\\"},        // the option is case-sensitive
      {"pic.bmp", "E:\\env\\", "E:\\env\\orv\\"},
      {"", "", "C:\\prog\\"},
      // A folder ending in a character whose second byte is a backslash (0x95 0x5C) gets one more.
      {"/prof=D:\\\x95\x5C", "", "D:\\\x95\x5C\\"},
      {"/prof=D:\\\x95\x5C\\", "", "D:\\\x95\x5C\\"},
      {"", "E:\\\x83\x5C", "E:\\\x83\x5C\\orv\\"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ChooseProfileFolder(c.argument, c.environment, "C:\\prog\\", "orv", ShiftJisLead), c.expected)
        << c.argument;
}

TEST(ProfileFolder, PictureIsTheArgumentAfterTheOption) {
  const char* none[] = {"orv.exe"};
  const char* plain[] = {"orv.exe", "a.bmp", "b.bmp"};
  const char* option[] = {"orv.exe", "/prof=D:\\p", "pic.bmp"};
  const char* optionOnly[] = {"orv.exe", "/prof=D:\\p"};
  EXPECT_EQ(PictureArgument(1, none), "");
  EXPECT_EQ(PictureArgument(3, plain), "a.bmp");
  EXPECT_EQ(PictureArgument(3, option), "pic.bmp");
  EXPECT_EQ(PictureArgument(2, optionOnly), "");
  const char* quotedFolder[] = {"orv.exe", "/prof=D:\\p", "D:\\pics\""};
  EXPECT_EQ(PictureArgument(3, quotedFolder), "D:\\pics");
}
