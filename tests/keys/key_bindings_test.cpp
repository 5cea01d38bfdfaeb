#include "keys/key_bindings.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "config/conf_syntax.h"

namespace {

// The lines a keymap file with this text yields, as the file reader gathers them.
std::string KeyMapContent(const std::string& text) {
  std::string content;
  AppendConfLines(text, content, [](const std::string&) {});
  return content;
}

TKeyBindings Defaults() {
  TKeyBindings keys(CommandTable);
  keys.SetDefaults(DefaultKeyMap);
  return keys;
}

TKeyBindings WithKeyMap(const std::string& text, int32_t error = 0) {
  TKeyBindings keys = Defaults();
  TConfFile file(KeyMapContent(text), error);
  keys.ReadKeyMap(file);
  return keys;
}

}  // namespace

TEST(DefaultKeyMap, BindsFortyFourKeysEachToAKnownCommand) {
  TKeyBindings keys = Defaults();
  ASSERT_EQ(keys.Count, 44);
  for (int32_t i = 0; i < keys.Count; ++i) {
    SCOPED_TRACE(DefaultKeyMap[2 * i]);
    EXPECT_TRUE(keys.Entries[i].BindsKey());
    EXPECT_NE(keys.Entries[i].Command, 0);
  }
}

TEST(MenuText, ListsEachCommandsKeysAfterATab) {
  TKeyBindings keys = Defaults();
  struct Case {
    int32_t id;
    const char* text;
  } cases[] = {
      {ZoomCommandId(100), "Zoom &100%\tNum1, 1"},
      {kCmdPrevImage, "&Previous Image\tB, P"},
      {kCmdPrevFile, "P&revious File\tShift+B"},
      {kCmdHideBorder, "Hide &Border\tCtrl+B"},
      {ZoomCommandId(150), "Zoom 150%(&Q)\tQ"},
      {kCmdSmoothZoomIn, "Smooth Zoom In\tShift+Z"},
      {kCmdFullScreen, "Full &Screen\tEnter"},
      {kCmdAbout, "&About\t"},
      {kCmdSmoothing, "S&moothing\tA"},
      {kCmdRotateRight, "Rotate &Right\tR"},
      {kCmdRotateLeft, "Rotate &Left\tL"},
      {kCmdFlipHorizontal, "Flip &Horizontal\tH"},
      {kCmdWallpaperNormal, ""},  // no command has this id
      {0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(keys.MenuText(c.id), c.text);
  }
}

TEST(KeyMapFile, AnyLineReplacesTheDefaultsWhole) {
  TKeyBindings keys = WithKeyMap("F1 About\r\n");
  ASSERT_EQ(keys.Count, 1);
  EXPECT_EQ(keys.Entries[0].Key, 112);
  EXPECT_EQ(keys.Entries[0].Command, kCmdAbout);
  EXPECT_EQ(keys.MenuText(kCmdAbout), "&About\tF1");
  EXPECT_EQ(keys.MenuText(ZoomCommandId(100)), "Zoom &100%\t");
}

TEST(KeyMapFile, WithoutLinesTheDefaultsStay) {
  EXPECT_EQ(WithKeyMap("").Count, 44);
  EXPECT_EQ(WithKeyMap("# only a comment\r\n\r\n").Count, 44);
  EXPECT_EQ(WithKeyMap("F1 About\r\n", 2).Count, 44);  // the file could not be read
}

TEST(KeyMapFile, EveryLineEndBindsLineByLine) {
  for (const char* end : {"\r\n", "\r", "\n"}) {
    SCOPED_TRACE(testing::PrintToString(std::string(end)));
    std::string text;
    for (const char* line : {"# my keys", "F1 About", "#F2 Exit", "", "A-F4 Exit"}) text += std::string(line) + end;
    TKeyBindings keys = WithKeyMap(text);
    ASSERT_EQ(keys.Count, 2);
    EXPECT_EQ(keys.MenuText(kCmdAbout), "&About\tF1");
    EXPECT_EQ(keys.MenuText(kCmdExit), "E&xit\tAlt+F4");
  }
}

TEST(KeyMapFile, EveryLineTakesASlotInFileOrder) {
  TKeyBindings keys = WithKeyMap(
      "Z ZoomIn\r\n"
      "ZOOMIN nosuchcommand\r\n"
      "enter\r\n"
      "C- ZoomIn\r\n"
      "C-Up zoomin\r\n"
      "A-F4 Exit\r\n");
  ASSERT_EQ(keys.Count, 6);
  EXPECT_EQ(keys.Entries[1].Command, 0);
  EXPECT_EQ(keys.Entries[1].Key, 'Z');
  EXPECT_EQ(keys.Entries[2].Key, 101);
  EXPECT_EQ(keys.Entries[2].Command, 0);
  EXPECT_FALSE(keys.Entries[3].BindsKey());
  // The key-less binding of ZoomIn is not listed.
  EXPECT_EQ(keys.MenuText(kCmdZoomIn), "Zoom In (&+)\tZ, Ctrl+Up");
  EXPECT_EQ(keys.MenuText(kCmdExit), "E&xit\tAlt+F4");
}

TEST(KeyMapFile, KeepsTheFirst256Lines) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += (i < 255 ? "X" : i == 255 ? "F2" : "F3") + std::string(" ZoomOut\r\n");
  TKeyBindings keys = WithKeyMap(text);
  ASSERT_EQ(keys.Count, kMaxKeyBindings);
  EXPECT_EQ(keys.Entries[255].Key, 113);
  EXPECT_EQ(keys.MenuText(kCmdZoomOut).find("F3"), std::string::npos);
}

TEST(SetDefaults, TakesWholePairsAndAtMostTheTableSize) {
  TKeyBindings keys(CommandTable);
  const char* odd[] = {"Q", "Zoom150", "Z"};
  keys.SetDefaults(odd);
  EXPECT_EQ(keys.Count, 1);

  std::vector<const char*> many;
  for (int i = 0; i < 2 * (kMaxKeyBindings + 10); ++i) many.push_back(i % 2 ? "Exit" : "Esc");
  keys.SetDefaults(many);
  EXPECT_EQ(keys.Count, kMaxKeyBindings);
}
