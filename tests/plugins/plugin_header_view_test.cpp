// Plug-ins that return headers GDI would misread or read past, in a real
// main window: each picture is shown as it is meant, or refused with the
// plug-in error box while the picture before it stays on screen.
#include <gtest/gtest.h>

#include <functional>

#include "bad_header_picture.h"
#include "image/alpha_composite.h"
#include "image/bmp_classes.h"
#include "image/img.h"
#include "main_window_suite.h"
#include "plugin_test_util.h"
#include "plugins/spi_api.h"
#include "program_state.h"
#include "util/sutil_win.h"
#include "viewer/navigation.h"
#include "win_test_util.h"

namespace {

using namespace bad_header;

std::string Title(HWND window) {
  char title[256] = {};
  GetWindowTextA(window, title, sizeof title);
  return title;
}

class PluginHeaderView : public MainWindowSuite {
 protected:
  static void SetUpTestSuite() { OpenWindow("OrvPluginHeaderTest"); }
  void SetUp() override {
    ASSERT_NE(window_->Handle, nullptr);
    state_.AddPlugin(TestSpi("badheader"));
  }

  std::string Picture(const std::string& form) { return dir_.Write(form + ".bad", "BADHEADER " + form + "\n"); }

  // The picture's place in the client area, read back from the screen.
  std::vector<uint32_t> Shown() {
    int w = 0, h = 0;
    const std::vector<uint32_t> all = ReadClientPixels(window_->Handle, w, h);
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < kHeight && y < h; ++y)
      for (int32_t x = 0; x < kWidth && x < w; ++x) out.push_back(all[static_cast<size_t>(y) * w + x]);
    return out;
  }

  TempDir dir_;
  BoxCapture boxes_;
  TProgramState state_{window_};
};

std::vector<uint32_t> Expected(const std::function<uint32_t(int32_t, int32_t)>& colour) {
  std::vector<uint32_t> out;
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x) out.push_back(colour(x, y));
  return out;
}

}  // namespace

TEST_F(PluginHeaderView, EveryHeaderFormShowsItsPictureAsMeant) {
  const auto palette = [](int32_t x, int32_t y) { return EntryColour(Index(x, y)); };
  const auto masked = [](int32_t x, int32_t y) { return ScaledColour(Word(x, y), kRedMask, kGreenMask, kBlueMask); };
  // The 32-bit form's alpha is 0x80 throughout: shown half over the
  // checkerboard's light corner cell.
  const auto halfOverLight = [&](int32_t x, int32_t y) {
    uint8_t pixel[4];
    const uint32_t c = palette(x, y);
    for (int i = 0; i < 3; ++i) pixel[i] = static_cast<uint8_t>(c >> (8 * i));
    pixel[3] = 0x80;
    CompositeOver(pixel, 4, 1, 1, x, y, false, TBackground{});
    return static_cast<uint32_t>(pixel[2]) << 16 | pixel[1] << 8 | pixel[0];
  };
  struct Case {
    const char* Form;
    int32_t Depth;      // in the title and the information dialog: the plug-in's
    uint16_t HeldBits;  // what the painter draws
    bool PluginBlock;   // the plug-in's pixel handle is held, no copy made
    std::function<uint32_t(int32_t, int32_t)> Colour;
  };
  const Case cases[] = {
      {"v5table", 8, 8, true, palette},   {"core", 8, 8, true, palette},
      {"clrused", 8, 8, true, palette},   {"bitfields", 16, 24, false, masked},
      {"rle8", 8, 24, false, palette},    {"alpha32", 32, 32, true, halfOverLight},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Form);
    const std::string path = Picture(c.Form);
    ASSERT_EQ(OpenFile(path, false), 0);
    EXPECT_EQ(boxes_.Last.Count, 0) << boxes_.Last.Text;
    EXPECT_EQ(Title(window_->Handle), NameOf(ExpandLongPath(path)) + " (4x2x" + std::to_string(c.Depth) + ") 100% - Orv");
    EXPECT_EQ(Img.Info.bmiHeader.biBitCount, c.HeldBits);
    EXPECT_EQ(Img.Info.bmiHeader.biCompression, kBiRgb);
    EXPECT_EQ(Img.BitsHandle != nullptr, c.PluginBlock);
    EXPECT_EQ(Shown(), Expected(c.Colour));
  }
}

TEST_F(PluginHeaderView, BlocksThatWouldSendGdiOutsideThemAreRefusedAndThePictureStays) {
  const std::string shown = Picture("core");
  ASSERT_EQ(OpenFile(shown, false), 0);
  const std::vector<uint32_t> pixels = Shown();
  ASSERT_EQ(pixels, Expected([](int32_t x, int32_t y) { return EntryColour(Index(x, y)); }));
  int boxes = 0;
  for (const char* form : {"hugesize", "shortbits", "samehandle", "nothandle"}) {
    SCOPED_TRACE(form);
    const std::string path = Picture(form);
    EXPECT_EQ(OpenFile(path, false), -1);
    EXPECT_EQ(boxes_.Last.Count, ++boxes);
    EXPECT_EQ(boxes_.Last.Text, ExpandLongPath(path) + ":\r\nbroken data (3)");
    EXPECT_EQ(Img.FileName, ExpandLongPath(shown));
    InvalidateRect(window_->Handle, nullptr, FALSE);
    UpdateWindow(window_->Handle);
    EXPECT_EQ(Shown(), pixels);
  }
  // The one handle given as both blocks was freed, once.
  HLOCAL handles[2] = {};
  ModuleHandle plugin = LoadPluginModule(TestSpi("badheader"));
  ASSERT_TRUE(plugin);
  using Proc = void(__stdcall*)(HLOCAL*);
  const std::string same = Picture("samehandle");
  EXPECT_EQ(OpenFile(same, false), -1);
  GetExport<Proc>(plugin.get(), "OrvTestHandles")(handles);
  EXPECT_EQ(handles[0], handles[1]);
  EXPECT_TRUE(IsFreedLocal(handles[0]));
}
