#include "image/shrink_cache.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "image/pixel_rows.h"
#include "random_dib.h"

TEST(AlphaComposite, CheckerboardFixedToThePictureCornerOrAPlainColour) {
  // Clear pixels show the background; which cell a pixel falls in follows
  // its place in the zoomed picture, not in the block.
  const TBackground checker, plain{true, 0x10, 0x20, 0x30};
  struct Case {
    int32_t X0, Y0;
    uint32_t Want[3];  // pixels 0, 1 and 2 of a row starting at (X0, Y0)
  };
  for (const Case& c : {Case{0, 0, {0xCCCCCC, 0xCCCCCC, 0xCCCCCC}}, Case{6, 0, {0xCCCCCC, 0xCCCCCC, 0xFFFFFF}},
                        Case{6, 8, {0xFFFFFF, 0xFFFFFF, 0xCCCCCC}}, Case{16, 31, {0xFFFFFF, 0xFFFFFF, 0xFFFFFF}}}) {
    uint8_t px[12] = {};
    CompositeOver(px, 12, 3, 1, c.X0, c.Y0, true, checker);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(px[4 * i] | px[4 * i + 1] << 8 | px[4 * i + 2] << 16, c.Want[i]) << c.X0 << "," << c.Y0 << " " << i;
      EXPECT_EQ(px[4 * i + 3], 0);
    }
    EXPECT_EQ(BackgroundAt(plain, c.X0, c.Y0), 0x302010u);
  }
  // Opaque stays, half alpha blends, straight or premultiplied alike.
  uint8_t straight[12] = {10, 20, 30, 255, 200, 100, 0, 128, 7, 7, 7, 0};
  uint8_t pre[12] = {10, 20, 30, 255, 100, 50, 0, 128, 0, 0, 0, 0};
  CompositeOver(straight, 12, 3, 1, 0, 0, false, plain);
  CompositeOver(pre, 12, 3, 1, 0, 0, true, plain);
  const uint8_t want[12] = {10, 20, 30, 0, 108, 66, 24, 0, 0x10, 0x20, 0x30, 0};
  EXPECT_EQ(std::vector<uint8_t>(straight, straight + 12), std::vector<uint8_t>(want, want + 12));
  EXPECT_EQ(std::vector<uint8_t>(pre, pre + 12), std::vector<uint8_t>(want, want + 12));
}

TEST(ShrinkCache, KeepsWhatItAveragedUntilThePictureOrItsSizeChanges) {
  std::mt19937 rng(9);
  for (TDibKind kind : {TDibKind::Bgr24, TDibKind::Pal8, TDibKind::Alpha32}) {
    TRandomDib d = MakeRandomDib(kind, 700, 500, false, rng);
    const bool alpha = DibHasAlpha(d.Info, d.Bits.data(), d.Bits.size());
    ASSERT_EQ(alpha, kind == TDibKind::Alpha32);
    TShrinkView view{{&d.Info, d.Bits.data(), d.Bits.size(), alpha}, 1, 300, 220, {}};
    const int bytes = AreaPixelBytes(d.Info);
    auto fill = [&](TShrinkCache& cache, const TZoomRect& r) {
      std::vector<uint8_t> out(static_cast<size_t>(r.Width) * r.Height * bytes);
      EXPECT_TRUE(cache.Fill(view, r, out.data(), r.Width * bytes));
      return out;
    };
    auto direct = [&](const TZoomRect& r) {
      std::vector<uint8_t> out(static_cast<size_t>(r.Width) * r.Height * bytes);
      EXPECT_TRUE(ShrinkRect(view, r, out.data(), r.Width * bytes));
      return out;
    };
    TShrinkCache cache;
    // Across tiles, inside one, at the far corner: the same as averaged straight.
    for (const TZoomRect& r : {TZoomRect{0, 0, 300, 220}, TZoomRect{250, 10, 40, 200}, TZoomRect{299, 219, 1, 1},
                               TZoomRect{17, 215, 283, 5}})
      EXPECT_EQ(fill(cache, r), direct(r));
    const uint64_t held = cache.Bytes();
    EXPECT_EQ(held, 300u * 220u * bytes);
    // Scrolling reads the kept tiles: a change the cache is not told of does not show.
    const std::vector<uint8_t> before = fill(cache, {50, 40, 200, 150});
    std::fill(d.Bits.begin(), d.Bits.end(), uint8_t{0x5A});
    EXPECT_EQ(fill(cache, {50, 40, 200, 150}), before);
    EXPECT_EQ(cache.Bytes(), held);
    // A new picture (its serial) or a new size is averaged afresh.
    view.Serial = 2;
    EXPECT_EQ(fill(cache, {50, 40, 200, 150}), direct({50, 40, 200, 150}));
    EXPECT_NE(fill(cache, {50, 40, 200, 150}), before);
    view.ZoomW = 299;
    EXPECT_EQ(fill(cache, {0, 0, 299, 220}), direct({0, 0, 299, 220}));
  }
}

TEST(ShrinkCache, StaysWithinItsBudget) {
  std::mt19937 rng(10);
  const TRandomDib d = MakeRandomDib(TDibKind::Bgr24, 1500, 1200, true, rng);
  const TShrinkView view{{&d.Info, d.Bits.data(), d.Bits.size(), false}, 1, 1000, 800, {}};
  TShrinkCache cache(3 * kShrinkTile * kShrinkTile * 3);  // three tiles
  std::vector<uint8_t> got(1000 * 800 * 3), want(got.size());
  for (int pass = 0; pass < 2; ++pass) {
    ASSERT_TRUE(cache.Fill(view, {0, 0, 1000, 800}, got.data(), 3000));
    EXPECT_LE(cache.Bytes(), 3u * kShrinkTile * kShrinkTile * 3);
  }
  ASSERT_TRUE(ShrinkRect(view, {0, 0, 1000, 800}, want.data(), 3000));
  EXPECT_EQ(got, want);
  // Too small for a single tile: averaged straight into the view.
  TShrinkCache none(100);
  ASSERT_TRUE(none.Fill(view, {0, 0, 1000, 800}, got.data(), 3000));
  EXPECT_EQ(got, want);
  EXPECT_EQ(none.Bytes(), 0u);
  EXPECT_FALSE(none.Fill(view, {1, 0, 1000, 800}, got.data(), 3000));  // past the right edge
}
