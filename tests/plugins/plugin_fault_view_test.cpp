// The viewer, in a real main window, goes on past plug-ins that fault: the
// previous picture stays, the fault is reported once, the walk moves on.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "image/bmp_builder.h"
#include "image/img.h"
#include "plugin_test_util.h"
#include "main_window_suite.h"
#include "program_state.h"
#include "util/sutil_win.h"
#include "viewer/main_window.h"
#include "viewer/navigation.h"
#include "win_test_util.h"

namespace {

std::string Bmp(int w, int h) {
  TBmpRecipe r;
  r.Width = w;
  r.Height = h;
  r.Pixels.assign(static_cast<size_t>(((w * 3 + 3) / 4) * 4 * h), 0x40);
  const TBytes bytes = MakeBmp(r);
  return std::string(bytes.begin(), bytes.end());
}

std::string Title(HWND window) {
  char title[256] = {};
  GetWindowTextA(window, title, sizeof title);
  return title;
}

class PluginFaultView : public MainWindowSuite {
 protected:
  static void SetUpTestSuite() { OpenWindow("OrvPluginFaultTest"); }
  void SetUp() override { ASSERT_NE(window_->Handle, nullptr); }

  std::string Faulty(const std::string& exportName, const std::string& kind) {
    return FaultySpi(dir_, exportName, kind);
  }
  std::string FaultText(const std::string& file, const std::string& plugin, const char* code) {
    return file + ":\r\n" + plugin + kPluginSuffix + " stopped with a fault (" + code + ")";
  }

  TempDir dir_;
  BoxCapture boxes_;
  // Last, so the picture and the archive plug-in are released first.
  TProgramState state_{window_};
};

}  // namespace

TEST_F(PluginFaultView, AProbeThatFaultsHandsTheFileToTheNextPlugin) {
  for (const std::string& path : {Faulty("supported", "nullwrite"), Faulty("info", "divzero"), TestSpi("orvpnm")})
    state_.AddPlugin(path);
  const std::string picture = dir_.Write("a.ppm", PnmFile(true, 3, 2, std::vector<uint8_t>(18, 7)));
  ASSERT_EQ(OpenFile(picture, false), 0);
  EXPECT_EQ(Img.PluginPath, TestSpi("orvpnm"));
  EXPECT_EQ(Img.Width, 3);
  EXPECT_EQ(boxes_.Last.Count, 0);
}

TEST_F(PluginFaultView, ADecodeThatFaultsKeepsThePictureAndTheWalkGoesOn) {
  state_.AddPlugin(Faulty("picture", "ud2"));
  const std::string first = dir_.Write("1.bmp", Bmp(20, 10));
  const std::string faulting = dir_.Write("2.fault", "FAULTME");
  dir_.Write("3.bmp", Bmp(30, 15));
  ASSERT_EQ(OpenFile(first, false), 0);
  const std::string title = Title(window_->Handle);

  EXPECT_EQ(OpenFile(faulting, false), -1);
  EXPECT_EQ(boxes_.Last.Count, 1);
  EXPECT_EQ(boxes_.Last.Text, FaultText(ExpandLongPath(faulting), "picture-ud2", "0xC000001D"));
  EXPECT_EQ(boxes_.Last.Owner, window_->Handle);
  EXPECT_EQ(Img.FileName, ExpandLongPath(first));
  EXPECT_EQ(Title(window_->Handle), title);

  GoNext(false);  // the faulting file again, now passed over without a word, then 3.bmp
  EXPECT_EQ(NameOf(Img.FileName), "3.bmp");
  EXPECT_EQ(boxes_.Last.Count, 1);
  GoPrev(false);
  EXPECT_EQ(NameOf(Img.FileName), "1.bmp");
  EXPECT_EQ(boxes_.Last.Count, 1);
}

TEST_F(PluginFaultView, AnArchiveWhosePluginFaultsIsReportedOnceAndLeft) {
  state_.AddPlugin(Faulty("file", "msvcthrow"));
  state_.AddPlugin(TestSpi("orvpnm"));
  const std::string first = dir_.Write("1.bmp", Bmp(20, 10));
  const std::string archive = dir_.Write("2.far", "FAULTME");
  dir_.Write("3.bmp", Bmp(30, 15));
  ASSERT_EQ(OpenFile(first, false), 0);

  GoNext(false);  // into the archive: its member cannot be extracted; on to 3.bmp
  EXPECT_EQ(boxes_.Last.Count, 1);
  EXPECT_EQ(boxes_.Last.Text, FaultText(ExpandLongPath(archive), "file-msvcthrow", "0xE06D7363"));
  EXPECT_EQ(NameOf(Img.FileName), "3.bmp");
  EXPECT_EQ(CurrentArchive, "");
  EXPECT_FALSE(ArchivePlugin);
  GoPrev(false);
  EXPECT_EQ(NameOf(Img.FileName), "1.bmp");
  EXPECT_EQ(boxes_.Last.Count, 1);
}

// The fault leaves the x87 registers full; the 32-bit program's zoom
// arithmetic is x87 code, and would give NaN (and a view of nothing) unless
// the guard empties them.
TEST_F(PluginFaultView, AZoomedPaintAfterAFaultWithTheFpuStackFullIsRight) {
  state_.AddPlugin(Faulty("picture", "fpustack"));
  TBmpRecipe r;
  r.Width = 4;
  r.Height = 2;
  r.Pixels = {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x10, 0x20, 0x30,  // bottom row
              0x40, 0x50, 0x60, 0x70, 0x80, 0x90, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0, 0xF0};
  const TBytes bytes = MakeBmp(r);
  ASSERT_EQ(OpenFile(dir_.Write("1.bmp", std::string(bytes.begin(), bytes.end())), false), 0);
  EXPECT_EQ(OpenFile(dir_.Write("2.fault", "FAULTME"), false), -1);
  EXPECT_EQ(boxes_.Last.Count, 1);

  MoveWindow(window_->Handle, 0, 0, 300, 200, FALSE);
  window_->SetZoom(200);
  InvalidateRect(window_->Handle, nullptr, FALSE);
  UpdateWindow(window_->Handle);
  ASSERT_EQ(Img.DispWidth, 8);
  int width = 0, height = 0;
  const std::vector<uint32_t> pixels = ReadClientPixels(window_->Handle, width, height);
  ASSERT_GE(width, 8);
  ASSERT_GE(height, 4);
  // Each picture pixel is a 2 x 2 block: top row first on screen.
  const uint32_t top[4] = {0x605040, 0x908070, 0xC0B0A0, 0xF0E0D0};
  const uint32_t bottom[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0x302010};
  for (int x = 0; x < 8; ++x)
    for (int y = 0; y < 4; ++y)
      EXPECT_EQ(pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF, (y < 2 ? top : bottom)[x / 2])
          << x << "," << y;
}
