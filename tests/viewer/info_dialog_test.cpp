// The Picture Information dialog on the test display: opened by PicInfo from
// the real main window, filled from what the loader installed, refreshed by
// the next load, driven through the program's message loop.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "app/globals.h"
#include "app/startup.h"
#include "image/bmp_builder.h"
#include "image/img.h"
#include "keys/key_table_win.h"
#include "plugin_test_util.h"
#include "main_window_suite.h"
#include "program_state.h"
#include "text_lines.h"
#include "util/sutil_win.h"
#include "viewer/info_dialog_win.h"
#include "viewer/main_window.h"
#include "viewer/navigation.h"
#include "win_test_util.h"

namespace {

std::string AsString(const TBytes& b) { return std::string(b.begin(), b.end()); }

std::string Bmp(uint16_t bits, uint32_t compression = 0) {
  TBmpRecipe r;
  r.Width = 3;
  r.Height = 2;
  r.BitCount = bits;
  r.Compression = compression;
  if (bits <= 8) r.Extra = TestPalette(size_t{1} << bits, 4);
  r.Pixels = PatternBytes(static_cast<size_t>((3 * bits + 31) / 32 * 4 * 2), bits);
  return AsString(MakeBmp(r));
}

// Line numbers of the values column.
enum { kSizeLine = 2, kColorsLine = 3, kCreatedLine = 7, kModifiedLine = 8, kAccessedLine = 9, kPluginLine = 12 };

FILETIME Filetime(int year) {
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = 3;
  st.wDay = 4;
  st.wHour = 5;
  FILETIME ft;
  SystemTimeToFileTime(&st, &ft);
  return ft;
}

// An icon of the test's own in the dialog's place: the shell of the test
// prefix associates none with picture files, so the dialog gets none itself.
HICON GiveTheDialogAnIcon() {
  InfoIcon.reset(CopyIcon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1))));
  return InfoIcon.get();
}

bool Destroyed(HICON icon) {
  ICONINFO info = {};
  if (!GetIconInfo(icon, &info)) return true;
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return false;
}

class InfoDialogTest : public MainWindowSuite {
 protected:
  static void SetUpTestSuite() { OpenWindow("OrvInfoDialogTest"); }
  void SetUp() override {
    for (const char* name : {"orvpnm", "orvtar"}) state_.AddPlugin(TestSpi(name));
  }
  void TearDown() override {
    if (IsWindow(InfoDialog)) DestroyWindow(InfoDialog);
    InfoDialog = nullptr;
  }

  void Show(const std::string& path) { ASSERT_EQ(OpenFile(path, false), 0) << path; }
  void PicInfo() { SendMessageA(window_->Handle, WM_COMMAND, kCmdPicInfo, 0); }
  static std::string Item(int id) {
    std::string text(8192, '\0');
    text.resize(GetDlgItemTextA(InfoDialog, id, text.data(), static_cast<int>(text.size())));
    return text;
  }
  static bool TextCaptionEnabled() { return IsWindowEnabled(GetDlgItem(InfoDialog, kInfoTextCaption)) != 0; }

  // Posts the messages, then runs the program's message loop until they are all handled.
  static void ThroughTheLoop(const std::vector<MSG>& messages) {
    for (const MSG& m : messages) PostMessageA(m.hwnd, m.message, m.wParam, m.lParam);
    PostQuitMessage(0);
    MessageLoop();
  }
  static MSG Key(HWND target, WPARAM key) { return MSG{target, WM_KEYDOWN, key, 1, 0, {0, 0}}; }

  TempDir dir_;
  TProgramState state_{window_};
};

BOOL CALLBACK CountDialogs(HWND window, LPARAM count) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (IsWindowVisible(window) && std::strcmp(name, "#32770") == 0) ++*reinterpret_cast<int*>(count);
  return TRUE;
}

TEST_F(InfoDialogTest, TemplateOwnerAndPlace) {
  Show(dir_.Write("a.bmp", Bmp(24)));
  PicInfo();
  ASSERT_TRUE(IsWindow(InfoDialog));
  EXPECT_EQ(GetWindow(InfoDialog, GW_OWNER), window_->Handle);
  char caption[64] = {};
  GetWindowTextA(InfoDialog, caption, sizeof caption);
  EXPECT_STREQ(caption, "Picture Information");
  const LONG style = GetWindowLongA(InfoDialog, GWL_STYLE);
  const LONG want = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  EXPECT_EQ(style & want, want);
  EXPECT_EQ(style & (DS_CENTER | DS_ABSALIGN), 0);

  // The client area at the top-left corner of the owner's, 224 x 237 dialog units.
  RECT client, units = {0, 0, 224, 237};
  POINT corner = {0, 0};
  ClientToScreen(window_->Handle, &corner);
  POINT origin = {0, 0};
  ClientToScreen(InfoDialog, &origin);
  EXPECT_EQ(origin.x, corner.x);
  EXPECT_EQ(origin.y, corner.y);
  GetClientRect(InfoDialog, &client);
  MapDialogRect(InfoDialog, &units);
  EXPECT_EQ(client.right, units.right);
  EXPECT_EQ(client.bottom, units.bottom);

  // The font as the compiled template names it (the script is UTF-8, the
  // template UTF-16), whatever the system substitutes for it: "ＭＳ Ｐゴシック".
  LOGFONTW font = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageA(InfoDialog, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_STREQ(font.lfFaceName, L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF");
  WindowDc screen(nullptr);
  EXPECT_EQ(font.lfHeight, -MulDiv(9, GetDeviceCaps(screen.get(), LOGPIXELSY), 72));

  struct Control {
    int Id;
    const char* Class;
    LONG Style;
    RECT Units;  // x, y, width, height
    const char* Text;
  } controls[] = {
      {kInfoClose, "Button", BS_DEFPUSHBUTTON | WS_TABSTOP, {167, 216, 50, 14}, "Close"},
      {kInfoName, "Edit", ES_READONLY | ES_AUTOHSCROLL, {57, 14, 161, 8}, nullptr},
      {kInfoLabels, "Static", SS_LEFT | WS_GROUP, {8, 34, 160, 128}, nullptr},
      {kInfoValues, "Static", SS_LEFT | WS_GROUP, {57, 34, 160, 128}, nullptr},
      {kInfoLocation, "Edit", ES_READONLY | ES_AUTOHSCROLL, {57, 34, 161, 8}, nullptr},
      {kInfoTextCaption, "Static", SS_LEFT | WS_GROUP, {8, 150, 209, 8}, "- Text Information -"},
      {kInfoText, "Edit", ES_MULTILINE | ES_READONLY | WS_BORDER | WS_VSCROLL | WS_TABSTOP, {8, 160, 209, 48}, ""},
  };
  HWND previous = nullptr;
  for (const Control& c : controls) {
    SCOPED_TRACE(c.Id);
    HWND control = GetDlgItem(InfoDialog, c.Id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(GetWindow(control, GW_HWNDPREV), previous) << "template order";
    previous = control;
    char name[32] = {};
    GetClassNameA(control, name, sizeof name);
    EXPECT_EQ(lstrcmpiA(name, c.Class), 0) << name;
    // The dialog manager may draw a template's border as a sunken edge.
    const LONG s = GetWindowLongA(control, GWL_STYLE);
    const bool border = (s & WS_BORDER) || (GetWindowLongA(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(s & c.Style & ~WS_BORDER, c.Style & ~WS_BORDER);
    EXPECT_EQ(border, (c.Style & WS_BORDER) != 0) << "a border only where the template has one";
    EXPECT_EQ(s & WS_TABSTOP, c.Style & WS_TABSTOP);
    RECT want = {c.Units.left, c.Units.top, c.Units.left + c.Units.right, c.Units.top + c.Units.bottom};
    MapDialogRect(InfoDialog, &want);
    RECT got;
    GetWindowRect(control, &got);
    MapWindowPoints(nullptr, InfoDialog, reinterpret_cast<POINT*>(&got), 2);
    EXPECT_TRUE(EqualRect(&got, &want)) << got.left << "," << got.top << " " << got.right << "," << got.bottom;
    if (c.Text) {
      EXPECT_EQ(Item(c.Id), c.Text);
    }
  }
}

TEST_F(InfoDialogTest, FieldsOfEachKindOfPicture) {
  struct Case {
    const char* File;
    std::string Bytes;
    const char* Colors;
    const char* Plugin;
    const char* Text;
  } cases[] = {
      {"rgb24.bmp", Bmp(24), "16,777,216 (24 bit)", "(Internal DIB to DIB filter)", ""},
      {"rgb32.bmp", Bmp(32), " (32 bit)", "(Internal DIB to DIB filter)", ""},
      {"rgb16.bmp", Bmp(16), "32,768 (15 bit)", "(Internal DIB to DIB filter)", ""},
      {"two.pnm", PnmFile(true, 2, 2, std::vector<uint8_t>(12, 7)), "16,777,216 (24 bit)", "Orv test PNM reader",
       "PNM P6\r\nwidth 2\r\nheight 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.File);
    const std::string path = dir_.Write(c.File, c.Bytes);
    Show(path);
    PicInfo();  // opens the dialog the first time; later loads refresh it
    ASSERT_TRUE(IsWindow(InfoDialog));
    EXPECT_EQ(Item(kInfoName), c.File);
    EXPECT_EQ(Item(kInfoLocation), FolderOf(Img.FileName));
    const std::vector<std::string> values = Lines(Item(kInfoValues));
    ASSERT_EQ(values.size(), 14u);
    EXPECT_EQ(values[0] + values[1], "") << "the location field lies over them";
    EXPECT_EQ(values[kColorsLine], c.Colors);
    EXPECT_EQ(values[kPluginLine], c.Plugin);
    EXPECT_EQ(values[kPluginLine + 1], Img.PluginPath);
    EXPECT_EQ(values[kPluginLine + 1].find(std::string("orvpnm") + kPluginSuffix) != std::string::npos,
              c.Plugin[0] != '(')
        << "a path only for a plug-in";
    EXPECT_EQ(Item(kInfoText), c.Text);
    EXPECT_EQ(TextCaptionEnabled(), c.Text[0] != '\0');
    EXPECT_EQ(Lines(Item(kInfoLabels))[kPluginLine], "Plug-in:");
  }
}

TEST_F(InfoDialogTest, TheNextLoadRefillsEveryFieldWhereTheDialogStands) {
  const std::string bmp = dir_.Write("one\\first.bmp", Bmp(8));
  {
    FileHandle file(CreateFileA(bmp.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    const FILETIME created = Filetime(2009), accessed = Filetime(2011), written = Filetime(2010);
    SetFileTime(file.get(), &created, &accessed, &written);
  }
  TarBuilder tar;
  tar.AddFile("dir/photo.pnm", PnmFile(true, 4, 1, std::vector<uint8_t>(12, 9)), 1000000000);
  const std::string archive = dir_.Write("two\\pics.tar", tar.Bytes());

  Show(bmp);
  PicInfo();
  ASSERT_TRUE(IsWindow(InfoDialog));
  const HWND dialog = InfoDialog;
  SetWindowPos(dialog, nullptr, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT before;
  GetWindowRect(dialog, &before);
  const std::string name = Item(kInfoName), location = Item(kInfoLocation), text = Item(kInfoText);
  const std::vector<std::string> values = Lines(Item(kInfoValues));
  const HICON icon = GiveTheDialogAnIcon();
  EXPECT_FALSE(TextCaptionEnabled());

  Show(archive);  // its one member is shown
  ASSERT_EQ(InfoDialog, dialog) << "refreshed, not replaced";
  RECT after;
  GetWindowRect(dialog, &after);
  EXPECT_TRUE(EqualRect(&before, &after));
  EXPECT_EQ(Item(kInfoName), "photo.pnm");
  EXPECT_NE(Item(kInfoName), name);
  EXPECT_EQ(Item(kInfoLocation), CurrentArchive + "/dir\\");
  EXPECT_NE(Item(kInfoLocation), location);
  EXPECT_EQ(NameOf(CurrentArchive), "pics.tar");
  const std::vector<std::string> now = Lines(Item(kInfoValues));
  ASSERT_EQ(now.size(), values.size());
  for (size_t line : {2, 3, 4, 6, 7, 8, 9, 11, 12, 13}) EXPECT_NE(now[line], values[line]) << line;
  EXPECT_EQ(now[kSizeLine], "4x1");
  EXPECT_EQ(now[kCreatedLine], "Unknown") << "an archive member has no creation time";
  EXPECT_EQ(now[kAccessedLine], "Unknown");
  EXPECT_NE(now[kModifiedLine], "Unknown");
  EXPECT_TRUE(TextCaptionEnabled());
  EXPECT_NE(Item(kInfoText), text);
  EXPECT_TRUE(Destroyed(icon)) << "the first picture's icon";
}

TEST_F(InfoDialogTest, AMemberNameIsSplitAsItStandsNotResolvedAsAPath) {
  struct Case {
    const char* member;
    const char* folder;
    const char* name;
  } cases[] = {{"dir/photo.", "dir\\", "photo."}, {"c:/up/../photo ", "c:\\up\\..\\", "photo "}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.member);
    TarBuilder tar;
    tar.AddFile(c.member, PnmFile(true, 4, 1, std::vector<uint8_t>(12, 9)), 1000000000);
    Show(dir_.Write("split.tar", tar.Bytes()));
    PicInfo();
    ASSERT_TRUE(IsWindow(InfoDialog));
    EXPECT_EQ(Item(kInfoName), c.name);
    EXPECT_EQ(Item(kInfoLocation), CurrentArchive + "/" + c.folder);
  }
}

TEST_F(InfoDialogTest, TheIconIsDrawnSevenDialogUnitsIn) {
  Show(dir_.Write("a.bmp", Bmp(24)));
  PicInfo();
  ASSERT_NE(GiveTheDialogAnIcon(), nullptr);
  InvalidateRect(InfoDialog, nullptr, TRUE);
  UpdateWindow(InfoDialog);
  int width = 0, height = 0;
  const std::vector<uint32_t> shown = ReadClientPixels(InfoDialog, width, height);
  const LONG units = GetDialogBaseUnits();
  const int x0 = LOWORD(units) * 7 / 4, y0 = HIWORD(units) * 7 / 8;
  // The icon drawn on black and on white: where both agree it is opaque.
  const int size = GetSystemMetrics(SM_CXICON);
  std::vector<uint32_t> drawn[2];
  for (int white = 0; white < 2; ++white) {
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof bi.bmiHeader, size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    GdiHandle bitmap(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    MemoryDcHandle dc(CreateCompatibleDC(nullptr));
    SelectGuard select(dc.get(), bitmap.get());
    RECT all = {0, 0, size, size};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(white ? WHITE_BRUSH : BLACK_BRUSH)));
    DrawIcon(dc.get(), 0, 0, InfoIcon.get());
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    drawn[white].assign(p, p + size * size);
  }
  int opaque = 0;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const uint32_t colour = drawn[0][y * size + x] & 0xFFFFFF;
      if (colour != (drawn[1][y * size + x] & 0xFFFFFF)) continue;
      ++opaque;
      ASSERT_EQ(shown[(y0 + y) * width + x0 + x], colour) << x << "," << y;
    }
  }
  EXPECT_GT(opaque, size * size / 8);
}

TEST_F(InfoDialogTest, OneDialogTabEscAndCloseThroughTheMessageLoop) {
  Show(dir_.Write("a.bmp", Bmp(24)));
  PicInfo();
  const HWND first = InfoDialog;
  ASSERT_TRUE(IsWindow(first));
  PicInfo();
  EXPECT_EQ(InfoDialog, first) << "no second dialog";
  int dialogs = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountDialogs, reinterpret_cast<LPARAM>(&dialogs));
  EXPECT_EQ(dialogs, 1);

  // Tab moves from the Close button to the text box; Esc closes the dialog,
  // although the key map binds it to Exit: the dialog sees keys first.
  TKeyTable keys(CommandTable, DefaultKeyMap, dir_.Path() + "keymap");
  Keys = &keys;
  HWND close = GetDlgItem(InfoDialog, kInfoClose);
  SetFocus(close);
  ThroughTheLoop({Key(close, VK_TAB)});
  EXPECT_EQ(GetFocus(), GetDlgItem(InfoDialog, kInfoText));
  SetFocus(close);
  HICON icon = GiveTheDialogAnIcon();
  ThroughTheLoop({Key(close, VK_ESCAPE)});
  Keys = nullptr;
  EXPECT_FALSE(IsWindow(first));
  EXPECT_TRUE(IsWindow(window_->Handle));
  EXPECT_EQ(InfoDialog, first) << "the old handle stays";
  EXPECT_EQ(InfoIcon.get(), nullptr);
  EXPECT_TRUE(Destroyed(icon));

  PicInfo();  // opens again, and the Close button closes
  const HWND second = InfoDialog;
  ASSERT_TRUE(IsWindow(second));
  EXPECT_NE(second, first);
  icon = GiveTheDialogAnIcon();
  SendDlgItemMessageA(second, kInfoClose, BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindow(second));
  EXPECT_TRUE(Destroyed(icon));

  PicInfo();
  ASSERT_TRUE(IsWindow(InfoDialog));
  ShowWindow(InfoDialog, SW_HIDE);  // hidden, as with a minimised owner: replaced
  const HWND hidden = InfoDialog;
  PicInfo();
  EXPECT_TRUE(IsWindow(InfoDialog) && IsWindowVisible(InfoDialog));
  EXPECT_FALSE(IsWindow(hidden));

  // Closing the main window takes the dialog and its icon with it.
  DestroyWindow(InfoDialog);
  std::unique_ptr<TMainWindow> other = CreateMainWindow("OrvInfoDialogOwner");
  OpenInfoDialog(other->Handle);
  ASSERT_TRUE(IsWindow(InfoDialog));
  icon = GiveTheDialogAnIcon();
  DestroyWindow(other->Handle);
  EXPECT_FALSE(IsWindow(InfoDialog));
  EXPECT_TRUE(Destroyed(icon));
}

TEST_F(InfoDialogTest, NeedsAPicture) {
  PicInfo();
  EXPECT_EQ(InfoDialog, nullptr);
}

}  // namespace
