// Read-ahead in a real main window with the test plug-ins: a paused page turn
// installs what the worker decoded, exactly as an open of its own would; a
// changed file, a fault and a turn that comes while the worker decodes are
// handled as the user expects; the program closes cleanly in the middle of a
// slow decode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/globals.h"
#include "image/img.h"
#include "main_window_suite.h"
#include "plugin_test_util.h"
#include "plugins/plugin_list.h"
#include "program_state.h"
#include "util/sutil_win.h"
#include "viewer/main_window.h"
#include "viewer/navigation.h"
#include "viewer/read_ahead_win.h"
#include "viewer/view_state.h"
#include "win_test_util.h"

namespace {

std::string Pnm(int w, int h, uint8_t shade) {
  return PnmFile(true, w, h, std::vector<uint8_t>(static_cast<size_t>(w * h * 3), shade));
}

// What a viewer shows of a picture, to compare a read-ahead with an open.
struct TShown {
  std::string Title, FileName, PluginPath, PluginDesc, TextInfo, FormatText;
  int32_t Width, Height, FileSize;
  uint32_t Written;
  std::vector<uint32_t> Pixels;
};

class ReadAheadTest : public MainWindowSuite {
 protected:
  static void SetUpTestSuite() { OpenWindow("OrvReadAheadTest"); }
  void SetUp() override {
    ASSERT_NE(window_->Handle, nullptr);
    for (const char* name : {"orvpnm", "orvtar"}) state_.AddPlugin(TestSpi(name));
    ReadAhead = &readAhead_;
  }
  void TearDown() override {
    readAhead_.Stop();
    ReadAhead = nullptr;
  }

  // Runs the window's messages until the worker has nothing left to do.
  void Settle() {
    for (int i = 0; i < 500; ++i) {
      Pump();
      if (readAhead_.Idle()) return;
      Sleep(10);
    }
    ADD_FAILURE() << "the read-ahead did not settle";
  }
  static void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  TShown Shown() const {
    TShown s;
    char title[256] = {};
    GetWindowTextA(window_->Handle, title, sizeof title);
    int w = 0, h = 0;
    s = {title, Img.FileName, Img.PluginPath, Img.PluginDesc, Img.TextInfo, Img.FormatText, Img.Width, Img.Height,
         Img.FileSize, Img.LastWriteTime.dwLowDateTime, ReadClientPixels(window_->Handle, w, h)};
    return s;
  }
  static void ExpectSame(const TShown& a, const TShown& b) {
    EXPECT_EQ(a.Title, b.Title);
    EXPECT_EQ(a.FileName, b.FileName);
    EXPECT_EQ(a.PluginPath, b.PluginPath);
    EXPECT_EQ(a.PluginDesc, b.PluginDesc);
    EXPECT_EQ(a.TextInfo, b.TextInfo);
    EXPECT_EQ(a.FormatText, b.FormatText);
    EXPECT_EQ(a.Width, b.Width);
    EXPECT_EQ(a.Height, b.Height);
    EXPECT_EQ(a.FileSize, b.FileSize);
    EXPECT_EQ(a.Written, b.Written);
    EXPECT_TRUE(a.Pixels == b.Pixels) << "the painted pixels differ";
  }

  TempDir dir_;
  BoxCapture boxes_;
  TReadAhead readAhead_;
  TProgramState state_{window_};
};

}  // namespace

// Paused turns both ways, through a folder and an archive's members: each
// neighbour is decoded once in the background and installed without a
// decode, showing what an open of its own shows.
TEST_F(ReadAheadTest, APausedTurnInstallsTheReadAheadPictureAsAnOpenWould) {
  dir_.Write("1.ppm", Pnm(5, 4, 0x20));
  dir_.Write("2.ppm", Pnm(7, 3, 0x60));
  dir_.Write("3.tar", TarOf({{"a.ppm", Pnm(4, 4, 0x90)}, {"b.ppm", Pnm(6, 2, 0xC0)}}));
  // Entering an archive opens it then (its members are another list).
  struct Step {
    bool forward;
    const char* shown;
    bool readAhead;
  } steps[] = {{true, "2.ppm", true},  {true, "a.ppm", false}, {true, "b.ppm", true},
               {false, "a.ppm", true}, {false, "2.ppm", true}, {false, "1.ppm", true}};
  std::vector<TShown> opened;  // each picture as the walk shows it without read-ahead
  ReadAhead = nullptr;
  ASSERT_EQ(OpenFile(dir_.Path() + "1.ppm", false), 0);
  for (const Step& s : steps) {
    s.forward ? GoNext(false) : GoPrev(false);
    opened.push_back(Shown());
  }

  ReadAhead = &readAhead_;
  FolderFiles->Clear();
  ASSERT_EQ(OpenFile(dir_.Path() + "1.ppm", false), 0);
  for (size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(steps[i].shown);
    Settle();
    const int decodes = SpiCount("decodes_pnm");
    steps[i].forward ? GoNext(false) : GoPrev(false);
    EXPECT_EQ(SpiCount("decodes_pnm"), decodes + (steps[i].readAhead ? 0 : 1));
    ExpectSame(Shown(), opened[i]);
  }
  EXPECT_EQ(boxes_.Last.Count, 0);
}

TEST_F(ReadAheadTest, AFileChangedAfterItsReadAheadIsDecodedAgain) {
  dir_.Write("1.ppm", Pnm(5, 4, 0x20));
  const std::string second = dir_.Write("2.ppm", Pnm(7, 3, 0x60));
  ASSERT_EQ(OpenFile(dir_.Path() + "1.ppm", false), 0);
  Settle();
  ASSERT_EQ(readAhead_.HeldResults(), 1u);
  dir_.Write("2.ppm", Pnm(9, 2, 0x70));
  const int decodes = SpiCount("decodes_pnm");
  GoNext(false);
  EXPECT_EQ(SpiCount("decodes_pnm"), decodes + 1);
  EXPECT_EQ(Img.FileName, second);
  EXPECT_EQ(Img.Width, 9);
}

// The worker meets the fault; the user hears of it when, and only if, the
// walk reaches that file, and the walk goes on past it.
TEST_F(ReadAheadTest, AFaultMetInReadAheadIsReportedWhenTheUserGetsThere) {
  const std::string faulty = FaultySpi(dir_, "picture", "nullwrite");
  PluginFiles->Add(_strdup(faulty.c_str()));
  TempDir pictures;
  pictures.Write("1.ppm", Pnm(5, 4, 0x20));
  const std::string faulting = pictures.Write("2.fault", "FAULTME");
  pictures.Write("3.ppm", Pnm(6, 6, 0x50));
  ASSERT_EQ(OpenFile(pictures.Path() + "1.ppm", false), 0);
  Settle();
  EXPECT_EQ(boxes_.Last.Count, 0);
  EXPECT_EQ(PluginRecord(faulty).State, TPluginState::Faulted);

  GoNext(false);
  EXPECT_EQ(boxes_.Last.Count, 1);
  EXPECT_EQ(boxes_.Last.Text, ExpandLongPath(faulting) + ":\r\npicture-nullwrite" + kPluginSuffix +
                                  " stopped with a fault (0xC0000005)");
  EXPECT_EQ(NameOf(Img.FileName), "3.ppm");
  Settle();
  GoPrev(false);  // the faulting file is passed over now
  EXPECT_EQ(NameOf(Img.FileName), "1.ppm");
  EXPECT_EQ(boxes_.Last.Count, 1);
}

// A turn that comes while the worker decodes its picture waits for that
// decode rather than starting another.
TEST_F(ReadAheadTest, ATurnDuringTheReadAheadOfItsPictureWaitsForIt) {
  dir_.Write("1.ppm", Pnm(5, 4, 0x20));
  dir_.Write("2.ppm", "ORVTEST sleep 700\n" + Pnm(7, 3, 0x60));
  ASSERT_EQ(OpenFile(dir_.Path() + "1.ppm", false), 0);
  const int before = SpiCount("decodes_pnm");
  for (int i = 0; i < 300 && SpiCount("decodes_pnm") == before; ++i) {
    Pump();
    Sleep(5);
  }
  ASSERT_EQ(SpiCount("decodes_pnm"), before + 1) << "the worker is decoding 2.ppm";
  GoNext(false);
  EXPECT_EQ(NameOf(Img.FileName), "2.ppm");
  EXPECT_EQ(SpiCount("decodes_pnm"), before + 1);
}

// Closing the window in the middle of a slow decode stops the worker at its
// next step: the decode under way ends, the next one never starts, and the
// program ends with 0.
TEST(ReadAheadRun, ClosingDuringASlowDecodeEndsCleanly) {
  TempDir profile, pictures;
  profile.Write(kPluginListName, TestSpi("orvpnm") + "\r\n");
  const std::string slow = "ORVTEST sleep 4000\n" + Pnm(7, 3, 0x60);
  pictures.Write("1.ppm", slow);
  const std::string shown = pictures.Write("2.ppm", Pnm(5, 4, 0x20));
  pictures.Write("3.ppm", slow);
  HANDLE sleeping = CreateEventA(nullptr, TRUE, FALSE, "OrvTestPnmSleeping");
  ASSERT_NE(sleeping, nullptr);
  ChildProcess orv("\"" + ProgramPath(ORV_EXE) + "\" /prof=" + profile.Path() + " \"" + shown + "\"");
  ASSERT_TRUE(orv.Started());
  HWND window = orv.WaitForWindow("TOrvClass");
  ASSERT_NE(window, nullptr);
  // The worker is in the four seconds of one neighbour's decode.
  EXPECT_EQ(WaitForSingleObject(sleeping, 10000), WAIT_OBJECT_0);
  CloseHandle(sleeping);
  const DWORD start = GetTickCount();
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(orv.WaitForExit(20000), 0);
  // Had it gone on to the other neighbour, four more seconds (a program
  // takes about two to end under Wine here).
  EXPECT_LT(GetTickCount() - start, 7500u);
}
