// The key table with the platform's own accelerator table and menus.
#include "keys/key_table_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_table.h"
#include "framework/handles.h"
#include "framework/sform.h"
#include "win_test_util.h"

namespace {

std::vector<ACCEL> AcceleratorsOf(HACCEL table) {
  if (!table) return {};
  std::vector<ACCEL> entries(CopyAcceleratorTableA(table, nullptr, 0));
  CopyAcceleratorTableA(table, entries.data(), static_cast<int>(entries.size()));
  return entries;
}

// Records the command messages that reach it.
class CommandWindow : public TSForm {
 public:
  CommandWindow() : TSForm("OrvKeysProbe") {}
  void WndProc(TMsgRec& message) override {
    if (message.Msg == WM_COMMAND) Commands.push_back(LOWORD(message.WParam));
    TSForm::WndProc(message);
  }
  std::vector<int> Commands;
};

// Translates a key press with the Shift key held or not, as the message loop would.
bool Translate(HWND window, HACCEL table, WPARAM key, bool shift) {
  BYTE state[256] = {};
  GetKeyboardState(state);
  state[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(state);
  MSG msg = {};
  msg.hwnd = window;
  msg.message = WM_KEYDOWN;
  msg.wParam = key;
  msg.lParam = 1;
  bool translated = TranslateAcceleratorA(window, table, &msg) != 0;
  state[VK_SHIFT] = 0;
  SetKeyboardState(state);
  return translated;
}

// "text" for an item, "-" for a separator, each item prefixed with its id.
std::vector<std::string> MenuItems(HMENU menu) {
  std::vector<std::string> items;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    if (GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR) {
      items.push_back("-");
      continue;
    }
    char text[256] = {};
    GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
    items.push_back(std::to_string(GetMenuItemID(menu, i)) + " " + text);
  }
  return items;
}

}  // namespace

TEST(KeyTable, AcceleratorTableHoldsEveryBindingOfAKey) {
  TempDir dir;
  TKeyTable defaults(CommandTable, DefaultKeyMap, dir.Path() + "keymap");
  std::vector<ACCEL> entries = AcceleratorsOf(defaults.Accel.get());
  ASSERT_EQ(entries.size(), 44u);
  for (int32_t i = 0; i < defaults.Count; ++i) {
    EXPECT_EQ(entries[i].fVirt, defaults.Entries[i].Flags);
    EXPECT_EQ(entries[i].key, defaults.Entries[i].Key);
    EXPECT_EQ(entries[i].cmd, defaults.Entries[i].Command);
  }

  // One line replaces all the defaults.
  TKeyTable one(CommandTable, DefaultKeyMap, dir.Write("keymap", "F1 About\r\n"));
  entries = AcceleratorsOf(one.Accel.get());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].fVirt, FVIRTKEY);
  EXPECT_EQ(entries[0].key, VK_F1);
  EXPECT_EQ(entries[0].cmd, kCmdAbout);

  // A key text with an empty key part takes its line's slot but binds no key.
  TKeyTable some(CommandTable, DefaultKeyMap, dir.Write("keymap", "F1 About\r\nC- ZoomIn\r\nA-F4 Exit\r\n"));
  EXPECT_EQ(some.Count, 3);
  entries = AcceleratorsOf(some.Accel.get());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].fVirt, FVIRTKEY | FALT);
  EXPECT_EQ(entries[1].key, VK_F4);
  EXPECT_EQ(entries[1].cmd, kCmdExit);

  TKeyTable none(CommandTable, DefaultKeyMap, dir.Write("keymap", "C- ZoomIn\r\nNum- Exit\r\n"));
  EXPECT_EQ(none.Count, 2);
  EXPECT_FALSE(none.Accel);
}

TEST(KeyTable, KeyMapWithLineFeedEndsBindsItsKeys) {
  // As editors elsewhere save it: a heading comment and bare line feeds.
  TempDir dir;
  TKeyTable keys(CommandTable, DefaultKeyMap, dir.Write("keymap", "# my keys\nF1 About\n# F2 Exit\nA-F4 Exit\n"));
  std::vector<ACCEL> entries = AcceleratorsOf(keys.Accel.get());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].key, VK_F1);
  EXPECT_EQ(entries[0].cmd, kCmdAbout);
  EXPECT_EQ(entries[1].fVirt, FVIRTKEY | FALT);
  EXPECT_EQ(entries[1].key, VK_F4);
  EXPECT_EQ(entries[1].cmd, kCmdExit);
}

TEST(KeyTable, BoundKeysBecomeCommandsOfTheWindow) {
  TempDir dir;
  TKeyTable keys(CommandTable, DefaultKeyMap, dir.Path() + "keymap");
  CommandWindow window;
  window.CreateWnd(0, 0, 200, 100);
  ASSERT_NE(window.Handle, nullptr);

  EXPECT_TRUE(Translate(window.Handle, keys.Accel.get(), 'Q', false));
  EXPECT_TRUE(Translate(window.Handle, keys.Accel.get(), 'Z', true));
  EXPECT_TRUE(Translate(window.Handle, keys.Accel.get(), 'Z', false));
  EXPECT_FALSE(Translate(window.Handle, keys.Accel.get(), 'K', false));  // bound to nothing
  EXPECT_FALSE(Translate(window.Handle, keys.Accel.get(), 'Q', true));   // only plain Q is bound
  EXPECT_EQ(window.Commands, (std::vector<int>{ZoomCommandId(150), kCmdSmoothZoomIn, kCmdZoomIn}));
  DestroyWindow(window.Handle);
}

TEST(KeyTable, PopupItemsShowCaptionsAndKeys) {
  TempDir dir;
  TKeyTable keys(CommandTable, DefaultKeyMap, dir.Path() + "keymap");
  MenuHandle menu(CreatePopupMenu());
  keys.Menu = menu.get();
  keys.AddMenuItems(PopupLayout);
  EXPECT_EQ(MenuItems(menu.get()), (std::vector<std::string>{
                                       "20 &Previous Image\tB, P",
                                       "21 &Next Image\tN",
                                       "27 P&revious File\tShift+B",
                                       "28 N&ext File\tShift+N",
                                       "-",
                                       "1 &Fit Window\tF",
                                       "10 &Stretch Mode\tS",
                                       "-",
                                       "36 S&moothing\tA",
                                       "37 Rotate &Right\tR",
                                       "38 Rotate &Left\tL",
                                       "39 Flip &Horizontal\tH",
                                       "-",
                                       "2 Zoom In (&+)\tPgUp, Z",
                                       "3 Zoom Out (&-)\tPgDn, X",
                                       "1050 Zoom &50%\tNum5, 5",
                                       "1100 Zoom &100%\tNum1, 1",
                                       "1150 Zoom 150%(&Q)\tQ",
                                       "1200 Zoom &200%\tNum2, 2",
                                       "1300 Zoom &300%\tNum3, 3",
                                       "1400 Zoom &400%\tNum4, 4",
                                       "-",
                                       "9 Full &Screen\tEnter",
                                       "7 Stay &On Top\tT",
                                       "25 Hide &Border\tCtrl+B",
                                       "-",
                                       "4 Picture &Information\tI",
                                       "-",
                                       "8 &About\t",
                                       "99 E&xit\tEsc",
                                   }));

  // Without a menu to append to, nothing happens.
  keys.Menu = nullptr;
  keys.AddMenuItem(kCmdAbout);
  HMENU destroyed = menu.get();
  menu.reset();
  keys.Menu = destroyed;
  keys.AddMenuItem(kCmdAbout);
  keys.AddMenuItems(PopupLayout);
}
