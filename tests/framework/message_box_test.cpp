#include <gtest/gtest.h>

#include "framework/message_box.h"
#include "framework/res_strings.h"

TEST(MessageBox, WarningsAreCaptionedAndCanBeCaptured) {
  std::string text, caption;
  UINT type = 0;
  auto previous = SetMessageBoxHook([&](HWND, const std::string& t, const std::string& c, UINT f) {
    text = t;
    caption = c;
    type = f;
    return IDOK;
  });
  EXPECT_EQ(ShowWarning(nullptr, "x.bmp:\r\nUnknown format."), IDOK);
  SetMessageBoxHook(previous);
  EXPECT_EQ(text, "x.bmp:\r\nUnknown format.");
  EXPECT_EQ(caption, "Orv");
  EXPECT_EQ(type & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
}

TEST(ResStrings, StringTableTexts) {
  EXPECT_EQ(LoadResString(kStrCannotWriteFile), "Cannot write file.");
  EXPECT_EQ(LoadResString(kStrUnknownFormat), "Unknown format.");
  EXPECT_EQ(LoadResString(12345), "");
}
