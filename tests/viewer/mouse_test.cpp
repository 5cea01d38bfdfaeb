// The main window driven with the mouse as a user drives it: real input
// through SendInput where the platform takes it, the messages the platform
// would send where it does not. The right-click menu is read back while it
// is open, from a timer that its modal loop dispatches.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "app/globals.h"
#include "framework/message_box.h"
#include "image/bmp_builder.h"
#include "image/img.h"
#include "keys/key_table_win.h"
#include "util/sutil_win.h"
#include "viewer/file_list.h"
#include "viewer/main_window.h"
#include "viewer/navigation.h"
#include "viewer/view_state.h"
#include "process_counts_win.h"
#include "program_state.h"
#include "viewer_harness.h"
#include "win_test_util.h"

namespace {

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// What the open menu showed: one line per item, top to bottom, "id caption",
// "-" for a separator, "> caption" for a submenu with its items indented
// below it, and " (grey)" or " (checked)" after the caption.
struct TMenuSeen {
  bool Open = false;
  std::vector<std::string> Items;
  std::vector<std::string> Grey, Checked;  // ids, or captions of submenus
  std::vector<HMENU> Menus;                // the menu and every submenu
  POINT At{};                              // the menu window's top-left corner
};

void ReadMenu(HMENU menu, const std::string& indent, TMenuSeen& seen) {
  seen.Menus.push_back(menu);
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[512] = {};
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    item.dwTypeData = text;
    item.cch = sizeof text;
    GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &item);
    if (item.fType & MFT_SEPARATOR) {
      seen.Items.push_back(indent + "-");
      continue;
    }
    const std::string name = item.hSubMenu ? std::string(text) : std::to_string(item.wID);
    std::string line = indent + (item.hSubMenu ? "> " + name : name + " " + text);
    if (item.fState & MFS_GRAYED) {
      line += " (grey)";
      seen.Grey.push_back(name);
    }
    if (item.fState & MFS_CHECKED) {
      line += " (checked)";
      seen.Checked.push_back(name);
    }
    seen.Items.push_back(line);
    if (item.hSubMenu) ReadMenu(item.hSubMenu, indent + "  ", seen);
  }
}

BOOL CALLBACK FindShownMenu(HWND w, LPARAM found) {
  char name[16] = {};
  GetClassNameA(w, name, sizeof name);
  if (lstrcmpA(name, "#32768") != 0 || !IsWindowVisible(w)) return TRUE;
  *reinterpret_cast<HWND*>(found) = w;
  return FALSE;
}

// The window of this thread's open menu, if one is open.
HWND ShownMenuWindow() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindShownMenu, reinterpret_cast<LPARAM>(&found));
  return found;
}

// The menu loop dispatches timer messages: the timer reads the open menu,
// then acts in it (by default it cancels the menu, as Esc would).
struct TMenuWatch {
  TMenuSeen Seen;
  std::function<void()> Act = [] { EndMenu(); };
  int Ticks = 0;
};
TMenuWatch* Watch = nullptr;

void CALLBACK WatchMenu(HWND, UINT, UINT_PTR, DWORD) {
  if (!Watch || Watch->Seen.Open) return;
  // A menu that cannot be read is not left open for ever.
  if (++Watch->Ticks > 500) {
    EndMenu();
    return;
  }
  HWND popup = ShownMenuWindow();
  if (!popup) return;
  auto menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
  if (!menu) return;
  Watch->Seen.Open = true;
  ReadMenu(menu, "", Watch->Seen);
  RECT r;
  GetWindowRect(popup, &r);
  Watch->Seen.At = {r.left, r.top};
  Watch->Act();
}

// Runs open(), which handles a click or message that should open the menu:
// the menu's own loop runs inside that handling and returns once the timer
// has read and closed it. What it showed comes back after its chosen
// command, if any, has arrived.
TMenuSeen WhileMenuOpen(const std::function<void()>& open, std::function<void()> act = {}) {
  TMenuWatch watch;
  if (act) watch.Act = std::move(act);
  Watch = &watch;
  const UINT_PTR timer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, WatchMenu);
  open();
  KillTimer(nullptr, timer);
  Watch = nullptr;
  Pump();
  return watch.Seen;
}

// Every menu handle gone: destroyed with the menu that held it.
::testing::AssertionResult AllDestroyed(const std::vector<HMENU>& menus) {
  for (HMENU m : menus)
    if (IsMenu(m)) return ::testing::AssertionFailure() << "menu " << m << " still exists";
  return ::testing::AssertionSuccess();
}

std::string Bmp(int w, int h, uint32_t rgb = 0x3366CC) {
  TBytes b = MakeSolidBmp(w, h, rgb);
  return std::string(b.begin(), b.end());
}

class MouseTest : public ViewerWindowTest {
protected:
  void SetUp() override {
    ViewerWindowTest::SetUp();
    state_ = std::make_unique<TProgramState>(window.get());
    keys_ = std::make_unique<TKeyTable>(CommandTable, DefaultKeyMap, dir_.Path() + "keymap");
    Keys = keys_.get();
    WheelMessage = RegisterWindowMessageA("MSWHEEL_ROLLMSG");
    // Above every other window, where nothing else is placed: the pointer's
    // input goes to whatever window lies under it.
    SetWindowPos(Hwnd(), HWND_TOPMOST, 560, 40, 0, 0, SWP_NOSIZE);
    SetForegroundWindow(Hwnd());
    Pump();
  }
  void TearDown() override {
    // No button stays down for the next test.
    SendMouse(MOUSEEVENTF_LEFTUP | MOUSEEVENTF_MIDDLEUP);
    Pump();
    ViewerWindowTest::TearDown();
    Keys = nullptr;
    keys_.reset();
    state_.reset();
  }

  // The screen point of a client point.
  POINT At(int x, int y) const {
    POINT p{x, y};
    ClientToScreen(Hwnd(), &p);
    return p;
  }
  POINT Centre() const {
    RECT r;
    GetClientRect(Hwnd(), &r);
    return At(r.right / 2, r.bottom / 2);
  }
  void Click(POINT p, DWORD down, DWORD up) {
    SendMouseMove(p);
    SendMouse(down);
    SendMouse(up);
    Pump();
  }
  TMenuSeen RightClick(POINT p, std::function<void()> act = {}) {
    return WhileMenuOpen([&] { Click(p, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP); }, std::move(act));
  }
  // Opens a file as a drop does: its folder is listed at the next step.
  void Show(const std::string& path) {
    ASSERT_EQ(OpenFile(path, false), 0);
    FolderFiles->Clear();
  }
  std::string Shown() const { return NameOf(Img.FileName); }

  TempDir dir_;
  std::unique_ptr<TProgramState> state_;
  std::unique_ptr<TKeyTable> keys_;
};

}  // namespace

TEST_F(MouseTest, RightClickShowsEveryCommandWithItsKeysAndBothSubmenusAtThePointer) {
  state_->AddPlugin("C:\\spi\\ifpnm.spi");
  state_->AddPlugin("D:\\R&D\\axtar.spi");
  InstallTestPicture({90, 70});
  const POINT p = Centre();
  TMenuSeen seen = RightClick(p);
  ASSERT_TRUE(seen.Open);
  EXPECT_EQ(seen.Items, (std::vector<std::string>{
                            "20 &Previous Image\tB, P",
                            "21 &Next Image\tN",
                            "27 P&revious File\tShift+B",
                            "28 N&ext File\tShift+N",
                            "-",
                            "1 &Fit Window\tF",
                            "10 &Stretch Mode\tS",
                            "-",
                            "36 S&moothing\tA (checked)",
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
                            "> Set &Wallpaper",
                            "  5 &Normal",
                            "  6 &Tile",
                            "-",
                            "4 Picture &Information\tI",
                            "-",
                            "> Plug-in Setting",
                            "  4000 C:\\spi\\ifpnm.spi",
                            "  4001 D:\\R&&D\\axtar.spi",  // shown as the path itself, not with an underline
                            "-",
                            "8 &About\t",
                            "99 E&xit\tEsc",
                        }));
  EXPECT_EQ(seen.At.x, p.x);
  EXPECT_EQ(seen.At.y, p.y);
  ASSERT_EQ(seen.Menus.size(), 3u);
  EXPECT_TRUE(AllDestroyed(seen.Menus));
}

TEST_F(MouseTest, MenuGreysWhatCannotActAndChecksTheModesThatAreOn) {
  const std::vector<std::string> needPicture = {"20",   "21",   "27",   "28", "1",  "10", "37",
                                                "38",   "39",   "2",    "3",  "1050", "1100", "1150",
                                                "1200", "1300", "1400", "9",  "25", "Set &Wallpaper", "4"};
  struct Case {
    const char* name;
    std::function<void(TMainWindow&)> set;
    std::vector<std::string> grey, checked;
  } cases[] = {
      // Smoothing is on unless switched off, and needs no picture.
      {"no picture, on top", [](TMainWindow& w) { w.SetStayOnTop(true); }, needPicture, {"36", "7"}},
      {"picture", [](TMainWindow&) { InstallTestPicture({90, 70}); }, {}, {"36"}},
      {"smoothing off",
       [](TMainWindow& w) {
         InstallTestPicture({90, 70});
         w.DoCommand(kCmdSmoothing);
       },
       {},
       {}},
      {"stretch",
       [](TMainWindow& w) {
         InstallTestPicture({90, 70});
         w.DoCommand(kCmdStretchMode);
       },
       {"2", "3"},
       {"10", "36"}},
      {"full screen",
       [](TMainWindow& w) {
         InstallTestPicture({90, 70});
         w.DoCommand(kCmdFullScreen);
       },
       {"1"},
       {"36", "9"}},
      {"border hidden, on top",
       [](TMainWindow& w) {
         InstallTestPicture({90, 70});
         w.DoCommand(kCmdHideBorder);
         w.SetStayOnTop(true);
       },
       {},
       {"36", "7", "25"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.set(*window);
    TMenuSeen seen = RightClick(Centre());
    ASSERT_TRUE(seen.Open);
    EXPECT_EQ(seen.Items.size(), 36u);
    EXPECT_EQ(seen.Grey, c.grey);
    EXPECT_EQ(seen.Checked, c.checked);
    // Back to the start for the next case.
    if (window->IsFullScreen) window->SetFullScreen(false);
    if (!window->ShowBorder) window->SetBorder(true);
    window->SetStayOnTop(false);
    SetWindowPos(Hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    Stretch = false;
    Smoothing = true;
    FreeImg(Img);
  }
}

TEST_F(MouseTest, TheChosenItemArrivesAsItsCommandAfterTheMenuIsGone) {
  InstallTestPicture({90, 70});
  TMenuSeen seen = RightClick(Centre(), [&] {
    // The item's mnemonic, typed while the menu is open.
    SendKey('2', false);
    SendKey('2', true);
  });
  ASSERT_TRUE(seen.Open);
  EXPECT_EQ(Img.Zoom, 200);
  EXPECT_EQ(Title(), "test.bmp (90x70x24) 200% - Orv");
  EXPECT_TRUE(AllDestroyed(seen.Menus));
}

TEST_F(MouseTest, TwoHundredMenusLeaveNoMenuBehind) {
  state_->AddPlugin("C:\\spi\\ifpnm.spi");
  InstallTestPicture({90, 70});
  auto open = [&] { SendMessageA(Hwnd(), WM_RBUTTONUP, 0, MAKELPARAM(10, 10)); };
  TMenuSeen first = WhileMenuOpen(open);
  ASSERT_TRUE(first.Open);
  // Counted through the handle tables where the platform does not count
  // them (Wine), so a menu left behind shows in either.
  const TGuiObjects afterFirst = CountGuiObjects();
  ASSERT_GT(afterFirst.User, 0u) << "the main window at least";
  for (int i = 1; i < 200; ++i) {
    TMenuSeen seen = WhileMenuOpen(open);
    ASSERT_TRUE(seen.Open) << "opening " << i;
    ASSERT_EQ(seen.Menus.size(), 3u);
    ASSERT_TRUE(AllDestroyed(seen.Menus)) << "opening " << i;
  }
  const TGuiObjects afterAll = CountGuiObjects();
  EXPECT_EQ(afterAll.User, afterFirst.User);
  EXPECT_EQ(afterAll.Gdi, afterFirst.Gdi);
}

// Without a window manager the frame is not the program's to click (Wine
// leaves it to the manager), so the title bar's message goes in directly.
TEST_F(MouseTest, ATitleBarRightClickShowsNoMenuWhileTheBorderIsShown) {
  InstallTestPicture({90, 70});
  RECT r;
  GetWindowRect(Hwnd(), &r);
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, r.top + 5);
  EXPECT_FALSE(WhileMenuOpen([&] { SendMessageA(Hwnd(), WM_NCRBUTTONUP, HTCAPTION, at); }).Open);
}

TEST_F(MouseTest, WheelTurnsStepThroughThePicturesOrZoomWhileTheLeftButtonIsHeld) {
  dir_.Write("a.bmp", Bmp(300, 200));
  dir_.Write("b.bmp", Bmp(310, 200));
  dir_.Write("c.bmp", Bmp(320, 200));
  Show(dir_.Path() + "b.bmp");
  SendMouseMove(Centre());
  auto turn = [&](int32_t amount) {
    SendMouse(MOUSEEVENTF_WHEEL, amount);
    Pump();
  };

  turn(WHEEL_DELTA);  // away from the user
  EXPECT_EQ(Shown(), "a.bmp");
  turn(-WHEEL_DELTA);
  EXPECT_EQ(Shown(), "b.bmp");
  turn(-3 * WHEEL_DELTA);  // one step whatever the size of the turn
  EXPECT_EQ(Shown(), "c.bmp");

  SendMouseMove(Centre());
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  Pump();
  turn(WHEEL_DELTA);
  EXPECT_EQ(Img.Zoom, 105);
  EXPECT_EQ(Shown(), "c.bmp");
  turn(-WHEEL_DELTA);
  turn(-WHEEL_DELTA);
  EXPECT_EQ(Img.Zoom, 95);
  SendMouse(MOUSEEVENTF_LEFTUP);
  Pump();

  // In stretch mode the held button is ignored.
  window->DoCommand(kCmdStretchMode);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  Pump();
  turn(WHEEL_DELTA);
  EXPECT_EQ(Shown(), "b.bmp");
  EXPECT_EQ(Img.Zoom, 95);
  SendMouse(MOUSEEVENTF_LEFTUP);
  Pump();
}

TEST_F(MouseTest, WheelMessagesTakeTheirDirectionFromTheLow32BitsAsSigned) {
  dir_.Write("a.bmp", Bmp(300, 200));
  dir_.Write("b.bmp", Bmp(310, 200));
  dir_.Write("c.bmp", Bmp(320, 200));
  const UINT registered = WheelMessage;
  ASSERT_NE(registered, 0u);
  // On 64-bit builds a negative amount arrives sign-extended from one sender
  // and zero-extended from another; only the low 32 bits count.
  const auto low32 = [](int32_t v) { return static_cast<WPARAM>(static_cast<uint32_t>(v)); };
  struct Case {
    UINT msg;
    WPARAM wParam;
    const char* shown;  // after the turn, from b.bmp
  } cases[] = {
      {WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), "a.bmp"},
      {WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), "c.bmp"},
      {WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, -1), "c.bmp"},
      {registered, 1, "a.bmp"},
      {registered, static_cast<WPARAM>(-WHEEL_DELTA), "c.bmp"},
      {registered, low32(-WHEEL_DELTA), "c.bmp"},
      {registered, 0, "c.bmp"},  // no turn counts as toward the user
      {registered, low32(INT32_MIN), "c.bmp"},
      {registered, static_cast<WPARAM>(0x7FFFFFFF), "a.bmp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.msg << " " << c.wParam);
    Show(dir_.Path() + "b.bmp");
    EXPECT_EQ(SendMessageA(Hwnd(), c.msg, c.wParam, 0), 0);
    EXPECT_EQ(Shown(), c.shown);
  }
}

namespace {

// One step of a drag: where the pointer goes, and, where the platform's own
// messages are sent instead of input, the key flags they carry.
using TDragStep = std::function<void(POINT screen)>;

}  // namespace

TEST_F(MouseTest, DraggingMovesThePictureWithTheHandUnlessAModifierOrSecondButtonIsHeld) {
  const TTestPicture picture{600, 400};
  // Wine's display driver puts the modifier keys back to the display's own
  // state at the next pointer event, so Ctrl and Shift drags go in as the
  // messages the platform sends for them; the pointer itself still moves.
  const auto byInput = [](DWORD secondDown, DWORD secondUp) {
    return std::vector<TDragStep>{
        [=](POINT p) {
          SendMouseMove(p);
          SendMouse(MOUSEEVENTF_LEFTDOWN);
          if (secondDown) SendMouse(secondDown);
        },
        [](POINT p) { SendMouseMove(p); },
        [=](POINT) {
          if (secondUp) SendMouse(secondUp);
          SendMouse(MOUSEEVENTF_LEFTUP);
        }};
  };
  const auto byMessages = [this](WPARAM keys) {
    return std::vector<TDragStep>{
        [=, this](POINT p) {
          SetCursorPos(p.x, p.y);
          SendMessageA(Hwnd(), WM_LBUTTONDOWN, keys, 0);
        },
        [=, this](POINT p) {
          SetCursorPos(p.x, p.y);
          SendMessageA(Hwnd(), WM_MOUSEMOVE, keys, 0);
        },
        [=, this](POINT) { SendMessageA(Hwnd(), WM_LBUTTONUP, keys & ~MK_LBUTTON, 0); }};
  };
  struct Case {
    const char* name;
    std::vector<TDragStep> steps;  // press, move, release
    bool scrolls;
  } cases[] = {
      {"left button alone", byInput(0, 0), true},
      {"middle button too", byInput(MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP), false},
      {"left button message", byMessages(MK_LBUTTON), true},
      {"Ctrl", byMessages(MK_LBUTTON | MK_CONTROL), false},
      {"Shift", byMessages(MK_LBUTTON | MK_SHIFT), false},
  };
  SetClientSize(200, 150);
  int32_t start = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InstallTestPicture(picture);
    window->ScrollBy(100, 100);
    Repaint();
    // Each drag starts somewhere else: two presses at one place would be a double click.
    start += 12;
    c.steps[0](At(start, 90));
    Pump();
    EXPECT_EQ(GetCapture(), Hwnd());
    EXPECT_EQ(GetCursor(), window->HandHoldCursor);
    for (POINT to : {POINT{start - 10, 85}, POINT{start - 20, 80}, POINT{start - 30, 70}}) {
      c.steps[1](At(to.x, to.y));
      Pump();
    }
    EXPECT_EQ(GetCursor(), window->HandHoldCursor) << "the closed hand for as long as the button is down";
    // The hand moved 30 left and 20 up, and the picture with it.
    const int32_t x = c.scrolls ? 130 : 100, y = c.scrolls ? 120 : 100;
    EXPECT_EQ(ScrollX, x);
    EXPECT_EQ(ScrollY, y);
    EXPECT_TRUE(SamePixels(Pixels(), ExpectedView(picture, {600, 400, x, y, 200, 150}), 200));
    c.steps[2](At(start - 30, 70));
    Pump();
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(GetCursor(), window->HandOpenCursor);
  }

  // A button that went down elsewhere and is moved in starts no drag here.
  InstallTestPicture(picture);
  window->ScrollBy(100, 100);
  for (POINT to : {POINT{150, 100}, POINT{120, 80}}) {
    const POINT p = At(to.x, to.y);
    SetCursorPos(p.x, p.y);
    SendMessageA(Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
  }
  EXPECT_EQ(ScrollX, 100);
  EXPECT_EQ(ScrollY, 100);

  // In stretch mode nothing scrolls.
  window->DoCommand(kCmdStretchMode);
  SendMouseMove(At(120, 90));
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  SendMouseMove(At(90, 70));
  SendMouse(MOUSEEVENTF_LEFTUP);
  Pump();
  EXPECT_EQ(ScrollX, 0);
  EXPECT_EQ(ScrollY, 0);
}

TEST_F(MouseTest, ADoubleClickFitsTheWindowWithOrWithoutTheBorderButNotInFullScreen) {
  struct Case {
    const char* name;
    std::function<void(TMainWindow&)> set;
    bool fits;
  } cases[] = {
      {"border shown", [](TMainWindow&) {}, true},
      {"border hidden, on the title bar that is everywhere", [](TMainWindow& w) { w.SetBorder(false); }, true},
      {"full screen", [](TMainWindow& w) { w.SetFullScreen(true); }, false},
  };
  InstallTestPicture({160, 120});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetClientSize(250, 200);
    c.set(*window);
    RECT before;
    GetWindowRect(Hwnd(), &before);
    SendMouseMove(At(30, 30));
    for (int i = 0; i < 2; ++i) {
      SendMouse(MOUSEEVENTF_LEFTDOWN);
      SendMouse(MOUSEEVENTF_LEFTUP);
    }
    Pump();
    int32_t w, h;
    ClientSize(w, h);
    if (c.fits) {
      EXPECT_EQ(w, 160);
      EXPECT_EQ(h, 120);
    } else {
      RECT after;
      GetWindowRect(Hwnd(), &after);
      EXPECT_TRUE(EqualRect(&before, &after));
      window->SetFullScreen(false);
    }
  }
}

TEST_F(MouseTest, WithoutTheBorderADragAnywhereMovesTheWindowNotThePicture) {
  InstallTestPicture({600, 400});
  SetClientSize(250, 200);
  window->ScrollBy(50, 50);
  window->SetBorder(false);
  RECT before;
  GetWindowRect(Hwnd(), &before);
  // The input is queued before the window moves, so every point lies inside
  // where the window was.
  const POINT from = At(20, 20);
  SendMouseMove(from);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  for (int step = 1; step <= 4; ++step) SendMouseMove({from.x + 10 * step, from.y + 15 * step});
  SendMouse(MOUSEEVENTF_LEFTUP);
  Pump();
  RECT after;
  GetWindowRect(Hwnd(), &after);
  EXPECT_EQ(after.left - before.left, 40);
  EXPECT_EQ(after.top - before.top, 60);
  EXPECT_EQ(ScrollX, 50);
  EXPECT_EQ(ScrollY, 50);
}

namespace {

// A drop as the shell hands it over: a global block with the paths.
HDROP MakeDrop(const std::vector<std::string>& paths) {
  size_t size = sizeof(DROPFILES) + 1;
  for (const std::string& p : paths) size += p.size() + 1;
  HGLOBAL memory = GlobalAlloc(GHND, size);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = FALSE;
  char* at = reinterpret_cast<char*>(drop + 1);
  for (const std::string& p : paths) {
    std::memcpy(at, p.c_str(), p.size() + 1);
    at += p.size() + 1;
  }
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

struct TBox {
  HWND Owner;
  std::string Text, Caption;
  UINT Type;
};

}  // namespace

TEST_F(MouseTest, ADropOpensItsFirstFileOnlyAndListsThatFolderAtTheNextStep) {
  dir_.Write("one\\a1.bmp", Bmp(300, 200));
  dir_.Write("one\\a2.bmp", Bmp(300, 200));
  for (const char* name : {"two\\b1.bmp", "two\\b2.bmp", "two\\b3.bmp"}) dir_.Write(name, Bmp(310, 200));
  Show(dir_.Path() + "one\\a1.bmp");
  window->DoCommand(kCmdNextImage);  // lists the first folder
  ASSERT_EQ(Shown(), "a2.bmp");

  HDROP drop = MakeDrop({dir_.Path() + "two\\b2.bmp", dir_.Path() + "one\\a1.bmp", dir_.Path() + "two\\b3.bmp"});
  PostMessageA(Hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  Pump();
  EXPECT_EQ(Shown(), "b2.bmp");
  EXPECT_EQ(Title(), "b2.bmp (310x200x24) 100% - Orv");
  EXPECT_EQ(FolderFiles->Count(), 0);
  EXPECT_EQ(GlobalSize(drop), 0u) << "the drop is finished";

  window->DoCommand(kCmdNextImage);
  EXPECT_EQ(Shown(), "b3.bmp");
  window->DoCommand(kCmdPrevImage);
  window->DoCommand(kCmdPrevImage);
  EXPECT_EQ(Shown(), "b1.bmp");
}

TEST_F(MouseTest, ADropThatDoesNotOpenIsReportedAndChangesNothing) {
  dir_.Write("a.bmp", Bmp(300, 200));
  dir_.Write("b.bmp", Bmp(900, 700));
  const std::string junk = dir_.Write("junk.bmp", "no picture in here");
  const std::string broken = dir_.Write("broken.bmp", "BM\x10\0\0\0\0\0\0\0\xFF\xFF\0\0" + std::string(40, '\0'));
  std::vector<TBox> boxes;
  MessageBoxHook previous = SetMessageBoxHook([&](HWND owner, const std::string& text, const std::string& caption,
                                                  UINT type) {
    boxes.push_back({owner, text, caption, type});
    return IDOK;
  });
  Show(dir_.Path() + "a.bmp");
  window->DoCommand(kCmdNextImage);  // lists the folder
  window->DoCommand(ZoomCommandId(200));
  window->ScrollBy(40, 30);
  Repaint();
  const std::vector<uint32_t> pixels = Pixels();
  int32_t width, height;
  ClientSize(width, height);
  const std::string title = Title();
  const int32_t listed = FolderFiles->Count();

  // The bitmap reader reports the broken file itself first; the drop's box follows.
  struct Case {
    std::string path;
    size_t boxes;
  } cases[] = {{junk, 1}, {broken, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    boxes.clear();
    PostMessageA(Hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({c.path})), 0);
    Pump();
    ASSERT_EQ(boxes.size(), c.boxes);
    EXPECT_EQ(boxes.back().Owner, Hwnd());
    EXPECT_EQ(boxes.back().Text, c.path + ":\r\nUnknown format.");
    EXPECT_EQ(boxes.back().Caption, "Orv");
    EXPECT_EQ(boxes.back().Type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(Shown(), "b.bmp");
    EXPECT_EQ(Title(), title);
    EXPECT_EQ(ScrollX, 40);
    EXPECT_EQ(ScrollY, 30);
    EXPECT_EQ(FolderFiles->Count(), listed);
    EXPECT_TRUE(SamePixels(Pixels(), pixels, width));
  }
  SetMessageBoxHook(previous);
}
