// Every kind of bitmap file opened from disk as the user opens it, in the
// real main window: the title's depth, the held header, and the painted
// pixels at 100 % and at 150 % read back from the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "bmp_classes.h"
#include "framework/message_box.h"
#include "image/img.h"
#include "viewer/navigation.h"
#include "viewer/program_state.h"
#include "viewer/viewer_harness.h"
#include "win_test_util.h"

namespace {

constexpr int32_t kClientW = 120, kClientH = 40;

class BitmapOpenTest : public ViewerWindowTest {
 protected:
  void SetUp() override {
    ViewerWindowTest::SetUp();
    state_ = std::make_unique<TProgramState>(window.get());
    SetMessageBoxHook([this](HWND, const std::string& text, const std::string&, UINT) {
      boxes_.push_back(text);
      return IDOK;
    });
  }
  void TearDown() override {
    SetMessageBoxHook(nullptr);
    state_.reset();
    ViewerWindowTest::TearDown();
  }

  // The client area at a zoom, against the picture drawn independently; one
  // with alpha (its top bytes) over the checkerboard, 8 x 8 screen pixels
  // from the picture's corner, light gray first.
  ::testing::AssertionResult ShowsAt(const TBmpPicture& p, int32_t zoom, bool alpha = false) {
    window->SetZoom(zoom);
    Repaint();
    const TViewFacts view{p.Width * zoom / 100, p.Rows() * zoom / 100, 0, 0, kClientW, kClientH};
    auto colour = [&p](int32_t x, int32_t y) { return p.Colour(p.At(x, y)); };
    std::vector<uint32_t> want = ExpectedView(colour, p.Width, p.Rows(), view);
    if (alpha) {
      auto top = [&p](int32_t x, int32_t y) { return p.Alpha(p.At(x, y)); };
      const std::vector<uint32_t> alphas = ExpectedView(top, p.Width, p.Rows(), view);
      for (int32_t y = 0; y < std::min(view.DispH, kClientH); ++y)
        for (int32_t x = 0; x < std::min(view.DispW, kClientW); ++x) {
          const size_t i = static_cast<size_t>(y) * kClientW + x;
          const uint32_t a = alphas[i], under = (x / 8 + y / 8) % 2 ? 0xFF : 0xCC;
          uint32_t blended = 0;
          for (int c = 0; c < 3; ++c)
            blended |= ((want[i] >> 8 * c & 0xFF) * a + under * (255 - a) + 127) / 255 << 8 * c;
          want[i] = blended;
        }
    }
    return SamePixels(Pixels(), want, kClientW);
  }

  std::unique_ptr<TProgramState> state_;
  std::vector<std::string> boxes_;
  TempDir dir_;
};

std::string AsString(const TBytes& b) { return std::string(b.begin(), b.end()); }

}  // namespace

TEST_F(BitmapOpenTest, EveryClassOpensWithItsDepthItsHeaderAndItsPixelsAtBothZooms) {
  int n = 0;
  for (const TBmpClass& c : BitmapClasses()) {
    SCOPED_TRACE(c.Name);
    const std::string name = "class " + std::to_string(++n) + ".bmp";
    window->SetZoom(100);
    ASSERT_EQ(OpenFile(dir_.Write(name, AsString(c.File)), false), 0);
    EXPECT_TRUE(boxes_.empty()) << boxes_.back();
    EXPECT_EQ(Title(), name + " (" + std::to_string(c.Picture.Width) + "x" + std::to_string(c.Picture.Rows()) + "x" +
                           std::to_string(c.ColorBits) + ") 100% - Orv");
    EXPECT_EQ(Img.ColorBits, c.ColorBits);
    const BitmapInfoHeader& h = Img.Info.bmiHeader;
    EXPECT_EQ(h.biSize, c.HeldSize);
    EXPECT_EQ(h.biBitCount, c.HeldBits);
    EXPECT_EQ(h.biCompression, c.HeldCompression);
    EXPECT_EQ(h.biClrUsed, c.HeldClrUsed);
    SetClientSize(kClientW, kClientH);
    // Held 32-bit pixels with a fourth byte other than zero are alpha: plain
    // 32-bit ones, and those an alpha mask was read into.
    bool alpha = false;
    for (uint32_t v : c.Picture.Values) alpha = alpha || (c.Picture.Alpha && c.Picture.Alpha(v) != 0);
    EXPECT_EQ(Img.HasAlpha, alpha);
    EXPECT_TRUE(ShowsAt(c.Picture, 100, alpha));
    EXPECT_TRUE(ShowsAt(c.Picture, 150, alpha));
  }
}

TEST_F(BitmapOpenTest, KindsTheReaderDoesNotDecodeAreRefusedAndThePictureStays) {
  const TBmpClass shown = BitmapClasses().front();
  const std::string good = dir_.Write("shown.bmp", AsString(shown.File));
  ASSERT_EQ(OpenFile(good, false), 0);
  SetClientSize(kClientW, kClientH);
  const std::string title = Title();
  for (const auto& [kind, file] : RefusedClasses()) {
    SCOPED_TRACE(kind);
    boxes_.clear();
    EXPECT_EQ(OpenFile(dir_.Write("refused.bmp", AsString(file)), false), -1);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_NE(boxes_[0].find("refused.bmp"), std::string::npos);
    EXPECT_NE(boxes_[0].find("unknown format (2)"), std::string::npos) << boxes_[0];
    EXPECT_EQ(Title(), title);
    EXPECT_TRUE(ShowsAt(shown.Picture, 100));
  }
}
