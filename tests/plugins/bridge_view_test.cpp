// The 64-bit viewer, in a real main window, showing pictures and archive
// members through 32-bit plug-ins in its helper process, and going on when a
// plug-in faults there, when the helper is ended under a call or stays
// silent, and while a plug-in waits in a box of its own.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "app/command_table.h"
#include "bridge_test_util.h"
#include "image/img.h"
#include "main_window_suite.h"
#include "plugins/bridge_host_win.h"
#include "program_state.h"
#include "util/sutil_win.h"
#include "viewer/navigation.h"
#include "win_test_util.h"

namespace {

struct TWindowSearch {
  DWORD Process;
  const char* Title;
  HWND Found;
};

BOOL CALLBACK FindTitled(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TWindowSearch*>(param);
  char title[128] = {};
  GetWindowTextA(window, title, sizeof title);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == search->Process && IsWindowVisible(window) && std::strcmp(title, search->Title) == 0) {
    search->Found = window;
    return FALSE;
  }
  return TRUE;
}

// A visible top-level window of the helper with this title, waited for.
HWND WaitForHelperWindow(const char* title) {
  for (int i = 0; i < 200; ++i) {
    TWindowSearch search{HelperProcessId(), title, nullptr};
    if (search.Process) EnumWindows(FindTitled, reinterpret_cast<LPARAM>(&search));
    if (search.Found) return search.Found;
    Sleep(50);
  }
  return nullptr;
}

class BridgeView : public MainWindowSuite {
 protected:
  static void SetUpTestSuite() { OpenWindow("OrvBridgeViewTest"); }
  void SetUp() override {
    ORV_SKIP_WITHOUT_32BIT();
    UseBuiltHelper();
    ASSERT_NE(window_->Handle, nullptr);
  }
  void TearDown() override { SetHelperPatience(0); }

  std::string Ppm(const std::string& name, uint8_t value) {
    return dir_.Write(name, PnmFile(true, 3, 2, std::vector<uint8_t>(18, value)));
  }
  // The 32-bit bridge test plug-in under a name of this test's own.
  std::string BridgeTest(const std::string& name) { return Spi32Copy(dir_, "bridgetest", name); }

  TempDir dir_;
  BoxCapture boxes_;
  TProgramState state_{window_};
};

uint8_t FirstByte() { return Img.Bits ? static_cast<const uint8_t*>(Img.Bits)[0] : 0; }

}  // namespace

TEST_F(BridgeView, PicturesAndArchiveMembersShowThroughTheHelper) {
  state_.AddPlugin(Spi32("orvpnm"));
  state_.AddPlugin(Spi32("orvtar"));
  ASSERT_EQ(OpenFile(Ppm("a.ppm", 9), false), 0);
  EXPECT_EQ(Img.Width, 3);
  EXPECT_EQ(ImgRows(Img), 2);
  EXPECT_TRUE(Img.BitsMapped);
  EXPECT_EQ(FirstByte(), 9);
  EXPECT_EQ(Img.PluginPath, Spi32("orvpnm"));
  EXPECT_EQ(Img.PluginDesc, "Orv test PNM reader");

  TarBuilder tar;
  tar.AddFile("sub/m.pgm", PnmFile(false, 5, 1, {1, 2, 3, 4, 5}), 0);
  const std::string archive = dir_.Write("b.tar", tar.Bytes());
  ASSERT_EQ(OpenFile(archive, false), 0);
  EXPECT_EQ(CurrentArchive, archive);
  EXPECT_EQ(Img.FileName, "sub\\m.pgm");
  EXPECT_EQ(Img.Width, 5);
  EXPECT_EQ(std::memcmp(Img.Bits, "\x01\x02\x03\x04\x05", 5), 0);
  EXPECT_EQ(boxes_.Last.Count, 0) << boxes_.Last.Text;
}

TEST_F(BridgeView, AFaultingPluginIsReportedAndTheNextOneTakesItsFiles) {
  state_.AddPlugin(Spi32Copy(dir_, "faulty", "supported-nullwrite"));
  state_.AddPlugin(Spi32Copy(dir_, "faulty", "picture-ud2"));
  state_.AddPlugin(Spi32("orvpnm"));
  const std::string faulting = dir_.Write("1.fault", "FAULTME");
  ASSERT_EQ(OpenFile(Ppm("0.ppm", 1), false), 0);  // past a probe that faults, without a word
  EXPECT_EQ(boxes_.Last.Count, 0);
  EXPECT_EQ(OpenFile(faulting, false), -1);
  EXPECT_EQ(boxes_.Last.Count, 1);
  EXPECT_EQ(boxes_.Last.Text, ExpandLongPath(faulting) + ":\r\npicture-ud2.spi stopped with a fault (0xC000001D)");
  EXPECT_EQ(FirstByte(), 1);
  ASSERT_EQ(OpenFile(Ppm("2.ppm", 2), false), 0);
  EXPECT_EQ(FirstByte(), 2);
  EXPECT_EQ(OpenFile(faulting, false), -1);  // nothing takes it now, and nothing is said
  EXPECT_EQ(boxes_.Last.Count, 1);
}

TEST_F(BridgeView, AHelperEndedUnderACallIsReportedAndTheNextOpenWorks) {
  const std::string sleeper = BridgeTest("sleeper");
  state_.AddPlugin(sleeper);
  state_.AddPlugin(Spi32("orvpnm"));
  state_.AddPlugin(Spi32("orvtar"));
  TarBuilder tar;
  tar.AddFile("m.pgm", PnmFile(false, 1, 1, {42}), 0);
  const std::string archive = dir_.Write("a.tar", tar.Bytes());
  ASSERT_EQ(OpenFile(archive, false), 0);
  const DWORD first = HelperProcessId();
  ASSERT_NE(first, 0u);

  HANDLE sleeping = CreateEventA(nullptr, TRUE, FALSE, "OrvTestBridgeSleeping");
  std::thread killer([&] {
    if (WaitForSingleObject(sleeping, 20000) != WAIT_OBJECT_0) return;
    HANDLE helper = OpenProcess(PROCESS_TERMINATE, FALSE, first);
    TerminateProcess(helper, 9);
    CloseHandle(helper);
  });
  const std::string file = dir_.Write("b.sleep", "ORVBRIDGE sleep");
  EXPECT_EQ(OpenFile(file, false), -1);
  killer.join();
  CloseHandle(sleeping);
  EXPECT_EQ(boxes_.Last.Count, 1);
  EXPECT_EQ(boxes_.Last.Text, ExpandLongPath(file) +
                                  ":\r\nsleeper.spi stopped: the 32-bit plug-in helper (orvspi32.exe) ended during the call");
  EXPECT_EQ(Img.FileName, "m.pgm");  // the picture shown stays
  EXPECT_EQ(PluginRecord(sleeper).State, TPluginState::Faulted);

  // A new helper; the plug-ins the old one had loaded are loaded again.
  ASSERT_EQ(OpenFile(Ppm("c.ppm", 3), false), 0);
  EXPECT_EQ(FirstByte(), 3);
  EXPECT_NE(HelperProcessId(), first);
  ASSERT_EQ(OpenFile(archive, false), 0);
  EXPECT_EQ(FirstByte(), 42);
  EXPECT_EQ(OpenFile(file, false), -1);
  EXPECT_EQ(boxes_.Last.Count, 1);
}

TEST_F(BridgeView, AHelperSilentPastItsPatienceIsEndedAndReported) {
  SetHelperPatience(1500);
  state_.AddPlugin(BridgeTest("silent"));
  state_.AddPlugin(Spi32("orvpnm"));
  ASSERT_EQ(OpenFile(Ppm("a.ppm", 5), false), 0);
  const DWORD helper = HelperProcessId();
  const std::string file = dir_.Write("b.sleep", "ORVBRIDGE sleep");
  EXPECT_EQ(OpenFile(file, false), -1);
  EXPECT_EQ(boxes_.Last.Text, ExpandLongPath(file) +
                                  ":\r\nsilent.spi did not answer for 30 seconds, so the 32-bit plug-in helper "
                                  "(orvspi32.exe) was ended");
  EXPECT_TRUE(ProcessEnds(helper, 5000));
  ASSERT_EQ(OpenFile(Ppm("c.ppm", 6), false), 0);
  EXPECT_EQ(FirstByte(), 6);
}

// While the plug-in waits for the user in a box of its own (longer than the
// patience, which counts only while no window of the helper shows), the
// viewer paints and answers; the key pressed meanwhile waits in the queue.
TEST_F(BridgeView, APluginsOwnBoxKeepsTheViewerPaintedAndRunsNoCommand) {
  SetHelperPatience(4000);
  state_.AddPlugin(BridgeTest("boxed"));
  ASSERT_EQ(OpenFile(dir_.Write("a.box", "ORVBRIDGE plain"), false), 0);
  const HWND main = window_->Handle;
  std::atomic<bool> painted{false}, answered{false};
  std::thread user([&] {
    const HWND box = WaitForHelperWindow("Orv bridge test");
    if (!box) return;
    InvalidateRect(main, nullptr, FALSE);
    for (int i = 0; i < 100 && !painted; ++i) {
      painted = !GetUpdateRect(main, nullptr, FALSE);
      Sleep(20);
    }
    DWORD_PTR result = 0;
    answered = SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) != 0;
    PostMessageA(main, WM_COMMAND, kCmdNextImage, 0);
    Sleep(5000);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  });
  const std::string file = dir_.Write("b.box", "ORVBRIDGE box");
  const DWORD start = GetTickCount();
  EXPECT_EQ(OpenFile(file, false), 0);
  EXPECT_GT(GetTickCount() - start, 4000u) << "the box was shown for longer than the patience";
  user.join();
  EXPECT_TRUE(painted);
  EXPECT_TRUE(answered);
  EXPECT_EQ(Img.FileName, ExpandLongPath(file));
  MSG msg;
  EXPECT_TRUE(PeekMessageA(&msg, main, WM_COMMAND, WM_COMMAND, PM_REMOVE));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>(kCmdNextImage));
  EXPECT_EQ(boxes_.Last.Count, 0) << boxes_.Last.Text;
}
