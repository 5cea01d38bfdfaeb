// Keys of the default map reaching the main window as commands, through the
// real accelerator table, on a shown picture.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/command_table.h"
#include "app/globals.h"
#include "image/bmp_builder.h"
#include "image/img.h"
#include "keys/key_table_win.h"
#include "viewer/file_list.h"
#include "viewer/main_window.h"
#include "viewer/navigation.h"
#include "viewer/view_state.h"
#include "main_window_suite.h"
#include "program_state.h"
#include "win_test_util.h"

namespace {

std::string Bmp(int w, int h) {
  TBmpRecipe r;
  r.Width = w;
  r.Height = h;
  r.Pixels.assign(static_cast<size_t>(((w * 3 + 3) / 4) * 4 * h), 0x33);
  TBytes b = MakeBmp(r);
  return std::string(b.begin(), b.end());
}

class Commands : public MainWindowSuite {
protected:
  static void SetUpTestSuite() { OpenWindow("OrvCommandsTest"); }

  void SetUp() override {
    keys_ = std::make_unique<TKeyTable>(CommandTable, DefaultKeyMap, dir_.Path() + "keymap");
    Keys = keys_.get();
  }
  void TearDown() override {
    if (window_->IsFullScreen) window_->SetFullScreen(false);
    if (!window_->ShowBorder) window_->SetBorder(true);
    window_->SetStayOnTop(false);
    Keys = nullptr;
  }

  // A key press as the message loop sees it; false when no binding took it.
  bool Press(WORD vk, bool shift = false, bool ctrl = false) {
    BYTE state[256] = {};
    if (shift) state[VK_SHIFT] = state[VK_LSHIFT] = 0x80;
    if (ctrl) state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
    SetKeyboardState(state);
    MSG msg = {window_->Handle, WM_KEYDOWN, vk, 1, static_cast<DWORD>(GetMessageTime()), {0, 0}};
    bool taken = TranslateAcceleratorA(window_->Handle, Keys->Accel.get(), &msg) != 0;
    BYTE none[256] = {};
    SetKeyboardState(none);
    return taken;
  }

  void Show(int w, int h) {
    std::string path = dir_.Write("p" + std::to_string(w) + ".bmp", Bmp(w, h));
    ASSERT_EQ(OpenFile(path, false), 0);
  }

  TempDir dir_;
  std::unique_ptr<TKeyTable> keys_;
  // Last, so the picture and the archive plug-in are released first.
  TProgramState state_{window_};
};

}  // namespace

TEST_F(Commands, DefaultKeysZoomTheShownPicture) {
  Show(300, 200);
  EXPECT_TRUE(Press('Q'));
  EXPECT_EQ(Img.Zoom, 150);
  EXPECT_TRUE(Press('Z', true));  // Shift+Z: five single steps
  EXPECT_EQ(Img.Zoom, 155);
  EXPECT_TRUE(Press('X'));  // the next lower fixed step
  EXPECT_EQ(Img.Zoom, 150);
  EXPECT_TRUE(Press('2'));
  EXPECT_EQ(Img.Zoom, 200);
  char title[128];
  GetWindowTextA(window_->Handle, title, sizeof title);
  EXPECT_STREQ(title, "p300.bmp (300x200x24) 200% - Orv");
}

TEST_F(Commands, StretchLeavesTheZoomAndFixedZoomsLeaveStretch) {
  Show(300, 200);
  EXPECT_TRUE(Press('S'));
  EXPECT_TRUE(Stretch);
  char title[128];
  GetWindowTextA(window_->Handle, title, sizeof title);
  EXPECT_STREQ(title, "p300.bmp (300x200x24) Stretch Mode - Orv");
  Press('Z', true);  // smooth zoom changes nothing in stretch mode
  EXPECT_EQ(Img.Zoom, 100);
  Press('2');
  EXPECT_FALSE(Stretch);
  EXPECT_EQ(Img.Zoom, 200);
}

TEST_F(Commands, UnboundKeysDoNothing) {
  Show(300, 200);
  EXPECT_FALSE(Press(VK_F12, true, true));
  EXPECT_EQ(Img.Zoom, 100);
}

TEST_F(Commands, WithoutAPictureOnlyStayOnTopAndExitAct) {
  RECT before;
  GetWindowRect(window_->Handle, &before);
  for (int id : {kCmdFitWindow, kCmdZoomIn, kCmdZoomOut, kCmdFullScreen, kCmdStretchMode, kCmdPrevImage,
                 kCmdNextImage, kCmdSmoothZoomIn, kCmdSmoothZoomOut, kCmdHideBorder, kCmdRefreshFileList, kCmdPrevFile,
                 kCmdNextFile, kCmdScrollTop, kCmdScrollBottom, kCmdScrollTopBottom, kCmdScrollUp, kCmdScrollDown,
                 kCmdScrollLeft, kCmdScrollRight, ZoomCommandId(150), kPluginSettingsIdFirst, kCmdRotateRight,
                 kCmdRotateLeft, kCmdFlipHorizontal}) {
    SendMessageA(window_->Handle, WM_COMMAND, static_cast<WPARAM>(id), 0);
  }
  EXPECT_EQ(Img.Zoom, 0);
  EXPECT_FALSE(Stretch);
  EXPECT_FALSE(window_->IsFullScreen);
  EXPECT_TRUE(window_->ShowBorder);
  RECT after;
  GetWindowRect(window_->Handle, &after);
  EXPECT_TRUE(EqualRect(&before, &after));

  EXPECT_TRUE(Press('T'));  // stay on top
  EXPECT_TRUE(window_->StayOnTop);
  EXPECT_TRUE(GetWindowLongA(window_->Handle, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(Commands, BorderFullScreenAndScrolling) {
  Show(900, 700);
  RECT client;
  GetClientRect(window_->Handle, &client);
  EXPECT_TRUE(Press('B', false, true));  // Ctrl+B hides the border, keeping the client size
  EXPECT_FALSE(window_->ShowBorder);
  RECT hidden;
  GetClientRect(window_->Handle, &hidden);
  EXPECT_EQ(hidden.right, client.right);
  EXPECT_EQ(hidden.bottom, client.bottom);
  Press('B', false, true);
  EXPECT_TRUE(window_->ShowBorder);

  SetWindowPos(window_->Handle, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
  Press(VK_END);
  GetClientRect(window_->Handle, &client);
  EXPECT_EQ(ScrollY, 700 - client.bottom);
  Press(VK_SPACE);  // at the bottom: back to the top
  EXPECT_EQ(ScrollY, 0);
  Press(VK_RIGHT);
  EXPECT_EQ(ScrollX, 16);

  Press(VK_RETURN);
  EXPECT_TRUE(window_->IsFullScreen);
  Press(VK_RETURN);
  EXPECT_FALSE(window_->IsFullScreen);
}

TEST_F(Commands, DefaultKeysTurnAndMirrorThePictureAndToggleSmoothing) {
  Show(300, 200);
  EXPECT_TRUE(Press('R'));
  EXPECT_EQ(Img.Width, 200);
  EXPECT_EQ(Img.Height, 300);
  EXPECT_TRUE(Press('L'));
  EXPECT_EQ(Img.Width, 300);
  const uint32_t serial = Img.Serial;
  EXPECT_TRUE(Press('H'));
  EXPECT_EQ(Img.Width, 300);
  EXPECT_NE(Img.Serial, serial) << "the block was rewritten";
  EXPECT_TRUE(Press('A'));
  EXPECT_FALSE(Smoothing);
  EXPECT_TRUE(Press('A'));
  EXPECT_TRUE(Smoothing);
}

TEST_F(Commands, AKeymapFileNamesTheNewCommandsAndReplacesTheWholeMap) {
  dir_.Write("keymap", "C-T RotateRight\r\nM smoothing\r\n");
  keys_ = std::make_unique<TKeyTable>(CommandTable, DefaultKeyMap, dir_.Path() + "keymap");
  Keys = keys_.get();
  Show(300, 200);
  EXPECT_FALSE(Press('R'));  // the default binding is gone with the map
  EXPECT_EQ(Img.Width, 300);
  EXPECT_TRUE(Press('T', false, true));
  EXPECT_EQ(Img.Width, 200);
  EXPECT_FALSE(Press('A'));
  EXPECT_TRUE(Smoothing);
  EXPECT_TRUE(Press('M'));  // command names in any case
  EXPECT_FALSE(Smoothing);
}
