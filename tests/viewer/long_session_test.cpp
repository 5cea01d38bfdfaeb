// A long session leaves nothing behind: many steps through a folder of every
// kind of file, with the Picture Information dialog opened and closed on the
// way, end with the objects the process had after the first pass and its
// memory at that pass's level; the plug-ins shipped with the program can be
// loaded and released for every probe of a long session. The bench runs the
// same walk for 1,000 steps.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/globals.h"
#include "companion_test_util.h"
#include "long_walk.h"
#include "plugin_test_util.h"
#include "plugins/spi_api.h"
#include "process_counts_win.h"
#include "viewer/main_window.h"

TEST(LongSession, ObjectsAndMemoryStayAtTheLevelOfTheFirstPass) {
  constexpr int kPasses = 6;
  TLongWalk walk;
  ASSERT_TRUE(walk.Start());
  // The first pass meets every kind of file and the dialog; what the system
  // makes once and keeps (cached DCs, frame bitmaps, brushes) is made then.
  for (int i = 0; i < walk.StepsPerPass(); ++i) ASSERT_TRUE(walk.Step()) << "step " << i << " at " << walk.Shown();
  const TGuiObjects level = CountGuiObjects();
  const uint64_t bytes = PrivateBytes();
  for (int i = walk.StepsPerPass(); i < kPasses * walk.StepsPerPass(); ++i)
    ASSERT_TRUE(walk.Step()) << "step " << i << " at " << walk.Shown();
  ASSERT_EQ(walk.Shown(), "a.bmp");  // back where it began, no archive open

  const TGuiObjects after = CountGuiObjects();
  EXPECT_EQ(after.Gdi, level.Gdi);
  EXPECT_EQ(after.User, level.User);
  EXPECT_GT(after.User, 0u) << "the main window at least";
  EXPECT_LE(PrivateBytes(), bytes + walk.LargestPicture() + (1u << 20));
  EXPECT_FALSE(InfoIcon);
  // Each loaded once, by the first probe that reached it, and kept.
  for (const char* plugin : {"pnm", "tar"}) EXPECT_EQ(SpiCount(std::string("loads_") + plugin), 1) << plugin;
}

// Before plug-ins stayed loaded, each page turn loaded every plug-in ahead of
// the one that claims the file, and thirty DLLs of MinGW's thread runtime used
// up the process's thread-local slots within a hundred turns.
TEST(LongSession, FifteenHundredStepsWithThirtyPluginsAheadLeaveTheViewerAnswering) {
  TLongWalk walk({30, false});
  ASSERT_TRUE(walk.Start());
  for (int i = 0; i < 1500; ++i) ASSERT_TRUE(walk.Step()) << "step " << i << " at " << walk.Shown();
  DWORD_PTR answer = 0;
  EXPECT_NE(SendMessageTimeoutA(MainWindow->Handle, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer), 0);
  const DWORD slot = TlsAlloc();
  EXPECT_NE(slot, TLS_OUT_OF_INDEXES);
  TlsFree(slot);
}

// Each probe loads a plug-in and releases it again. Without care, a DLL of
// MinGW's runtime takes a thread-local slot each time on the 32-bit build
// (the runtime ends the process when they run out, after about a thousand)
// and a few KB on both.
TEST(LongSession, ShippedPluginsCanBeLoadedForEveryProbeOfALongSession) {
  for (const char* name : {"orvzip", "orvwic"}) {
    SCOPED_TRACE(name);
    const std::string path = CompanionDll(name);
    ASSERT_TRUE(LoadPluginModule(path));  // what a first load sets up for good
    const uint64_t bytes = PrivateBytes();
    for (int i = 0; i < 1200; ++i) ASSERT_TRUE(LoadPluginModule(path)) << "load " << i;
    EXPECT_LE(PrivateBytes(), bytes + (1u << 20));  // 4.8 MB if every load kept its few KB
  }
  const DWORD slot = TlsAlloc();
  EXPECT_NE(slot, TLS_OUT_OF_INDEXES);
  TlsFree(slot);
}
