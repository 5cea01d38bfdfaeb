#include "keys/key_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_table.h"

namespace {

struct KeyCase {
  const char* text;
  bool alt, ctrl, shift;
  int code;
};

}  // namespace

TEST(ParseKey, ReadsModifiersKeyNamesAndCharacters) {
  const std::vector<KeyCase> cases =
      {
          {"Enter", false, false, false, 13},
          {"enter", false, false, false, 101},  // no key name: its first character, "e", the keypad 5
          {"a", false, false, false, 97},
          {"A", false, false, false, 'A'},  // one character is a key, never a modifier
          {"1", false, false, false, '1'},
          {"F12", false, false, false, 123},
          {"Foo", false, false, false, 'F'},
          {"Ctrl+X", false, false, false, 'C'},  // the menu's form is not the file's
          {"-", false, false, false, 45},
          {"--", false, false, false, 45},
          {"A-F4", true, false, false, 115},
          {"C-X", false, true, false, 'X'},
          {"CS-X", false, true, true, 'X'},
          {"SC-X", false, true, true, 'X'},
          {"ACS-Home", true, true, true, 36},
          {"Ctrl-X", false, true, false, 'X'},
          {"Shift-X", false, false, true, 'X'},
          {"Alt-X", true, false, false, 'X'},
          {"cs-X", false, false, false, 'X'},  // modifier letters are capitals
          {"C-Num-", false, true, false, 109},
          {"C-A-B", false, true, false, 'A'},  // the first "-" splits; the rest is the key part
          {"S-\xE9", false, false, true, 0xE9},
      };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.text);
    TParsedKey key = ParseKey(c.text);
    EXPECT_EQ(key.Alt, c.alt);
    EXPECT_EQ(key.Ctrl, c.ctrl);
    EXPECT_EQ(key.Shift, c.shift);
    EXPECT_EQ(key.Code, c.code);
  }
}

TEST(ParseKey, AnEmptyKeyPartNamesNoKey) {
  for (const char* text : {"", "C-", "Num-", "ACS-"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ParseKey(text).Code, 0);
    TKeyBinding binding = ParseBinding(text, "ZoomIn", CommandTable);
    EXPECT_FALSE(binding.BindsKey());
    EXPECT_EQ(KeyText(binding), "");
  }
}

TEST(ParseBinding, FindsTheCommandIgnoringCaseOrBindsNone) {
  struct Case {
    const char* name;
    int command;
  } cases[] = {
      {"ZoomIn", kCmdZoomIn}, {"ZOOMIN", kCmdZoomIn}, {"zoom100", ZoomCommandId(100)},
      {"exit", kCmdExit},     {"NoSuch", 0},          {"", 0},
      {"ZoomIn ", 0},  // a name is matched whole
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TKeyBinding binding = ParseBinding("Z", c.name, CommandTable);
    EXPECT_EQ(binding.Command, c.command);
    EXPECT_EQ(binding.Key, 'Z');
  }
}

TEST(KeyText, ReadsAltShiftCtrlInThatOrderAndNamesKeys) {
  struct Case {
    const char* keyText;
    const char* shown;
  } cases[] = {
      {"A-F4", "Alt+F4"}, {"CS-X", "Shift+Ctrl+X"}, {"SCA-PgUp", "Alt+Shift+Ctrl+PgUp"},
      {"S-B", "Shift+B"}, {"Num1", "Num1"},         {"1", "1"},
      {"-", "Ins"},       {"enter", "Num5"},        {"C-Num-", "Ctrl+Num-"},
      {"\x82", "\x82"},  // a byte of a double-byte character stands for its own code
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keyText);
    TKeyBinding binding = ParseBinding(c.keyText, "About", CommandTable);
    EXPECT_EQ(binding.Flags & kAccelVirtKey, kAccelVirtKey);
    EXPECT_EQ(KeyText(binding), c.shown);
  }
}
