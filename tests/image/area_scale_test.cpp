#include "image/area_scale.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "image/pixel_rows.h"
#include "image/scale_dib.h"
#include "random_dib.h"

namespace {

// Source pixels a shown one covers along an axis, with the part of it each
// covers, in plain doubles; along an axis not shrunk, the nearest-neighbour
// view's one pixel (rows counted from the bottom there).
std::vector<std::pair<int32_t, double>> Covered(int32_t i, int32_t srcN, int32_t zoomN, bool rows) {
  if (zoomN >= srcN) {
    const int32_t at = rows ? zoomN - 1 - i : i;
    int32_t j = static_cast<int32_t>(TruncScaledProduct(static_cast<uint32_t>(at), double(srcN) / zoomN));
    j = std::min(j, srcN - 1);
    return {{rows ? srcN - 1 - j : j, 1.0}};
  }
  const double a = double(i) * srcN / zoomN, b = double(i + 1) * srcN / zoomN;
  std::vector<std::pair<int32_t, double>> out;
  for (int32_t j = static_cast<int32_t>(std::floor(a)); j < b && j < srcN; ++j) {
    const double part = std::min(b, j + 1.0) - std::max(a, double(j));
    if (part > 0) out.push_back({j, part / (b - a)});
  }
  return out;
}

// The average of each channel over the covered area.
std::array<double, 4> Reference(const TRandomDib& d, int32_t zoomW, int32_t zoomH, int32_t x, int32_t y) {
  std::array<double, 4> sum{};
  const auto columns = Covered(x, d.Width, zoomW, false);
  for (const auto& [sy, wy] : Covered(y, d.Rows, zoomH, true))
    for (const auto& [sx, wx] : columns)
      for (int c = 0; c < 4; ++c) sum[c] += wx * wy * d.At(sx, sy)[c];
  return sum;
}

std::vector<uint8_t> Shrink(const TRandomDib& d, int32_t zoomW, int32_t zoomH, const TZoomRect& r,
                         const TAreaKernels& kernels) {
  const int bytes = AreaPixelBytes(d.Info);
  std::vector<uint8_t> out(static_cast<size_t>(r.Width) * r.Height * bytes + 1, 0xA5);
  const TAreaSource src{&d.Info, d.Bits.data(), d.Bits.size(), DibHasAlpha(d.Info, d.Bits.data(), d.Bits.size())};
  EXPECT_TRUE(AreaScaleRect(src, zoomW, zoomH, r, out.data(), static_cast<ptrdiff_t>(r.Width) * bytes, kernels));
  EXPECT_EQ(out.back(), 0xA5) << "written past the rect";
  out.pop_back();
  return out;
}

const TDibKind kKinds[] = {TDibKind::Pal1,    TDibKind::Pal2,    TDibKind::Pal4,     TDibKind::Pal8,
                           TDibKind::Rgb555,  TDibKind::Bf565,   TDibKind::Bgr24,    TDibKind::Plain32,
                           TDibKind::Alpha32, TDibKind::Bf32Wide, TDibKind::Bf32Plain};

}  // namespace

TEST(AreaScale, EveryDepthSizeAndZoomIsWithinOneOfTheExactAverage) {
  std::mt19937 rng(2207);
  const TAreaKernels* fast = Sse2AreaKernels();
  int compared = 0;
  for (TDibKind kind : kKinds) {
    for (int trial = 0; trial < 40; ++trial) {
      const int32_t w = 1 + static_cast<int32_t>(rng() % 90), h = 1 + static_cast<int32_t>(rng() % 60);
      const TRandomDib d = MakeRandomDib(kind, w, h, trial % 4 == 3, rng);
      // Mostly shrunk on both axes; sometimes one axis kept or enlarged.
      const int32_t zw = trial % 7 == 5 ? w + static_cast<int32_t>(rng() % 20) : 1 + static_cast<int32_t>(rng() % w);
      const int32_t zh = trial % 9 == 4 ? h : 1 + static_cast<int32_t>(rng() % h);
      const int32_t rx = static_cast<int32_t>(rng() % zw), ry = static_cast<int32_t>(rng() % zh);
      const TZoomRect r{rx, ry, 1 + static_cast<int32_t>(rng() % (zw - rx)), 1 + static_cast<int32_t>(rng() % (zh - ry))};
      SCOPED_TRACE(std::string(DibKindName(kind)) + " " + std::to_string(w) + "x" + std::to_string(h) + " to " +
                   std::to_string(zw) + "x" + std::to_string(zh));
      const int bytes = AreaPixelBytes(d.Info);
      ASSERT_EQ(bytes, d.Channels);
      const std::vector<uint8_t> plain = Shrink(d, zw, zh, r, PlainAreaKernels());
      for (int32_t y = 0; y < r.Height; ++y)
        for (int32_t x = 0; x < r.Width; ++x) {
          const std::array<double, 4> want = Reference(d, zw, zh, r.X + x, r.Y + y);
          for (int c = 0; c < bytes; ++c) {
            const uint8_t got = plain[(static_cast<size_t>(y) * r.Width + x) * bytes + c];
            ASSERT_LT(std::abs(got - want[c]), 1.0) << "pixel " << x << "," << y << " channel " << c;
          }
        }
      if (!fast) continue;
      const std::vector<uint8_t> vector = Shrink(d, zw, zh, r, *fast);
      ++compared;
      if (FLT_EVAL_METHOD == 0) {
        ASSERT_EQ(vector, plain);
        continue;
      }
      // Floats held wider than single precision in the plain kernel.
      for (size_t i = 0; i < plain.size(); ++i) ASSERT_LE(std::abs(vector[i] - plain[i]), 1) << i;
    }
  }
  if (fast) {
    EXPECT_EQ(compared, 11 * 40);
  }
}

TEST(AreaScale, LargeFactorsKeepTheirPrecision) {
  // Thousands of rows and columns in one shown pixel, and a sharp edge in
  // them, through both kernels.
  std::mt19937 rng(5);
  struct Case {
    int32_t W, H, ZoomW, ZoomH;
  };
  for (const Case& c : {Case{3000, 7, 2, 3}, Case{5, 20000, 3, 2}, Case{777, 3000, 3, 7}}) {
    TRandomDib d = MakeRandomDib(TDibKind::Pal8, c.W, c.H, false, rng);
    for (int32_t y = 0; y < c.H; ++y)
      for (int32_t x = 0; x < c.W; ++x) {
        // Left third white, the rest black.
        const uint8_t index = x < c.W / 3 ? 1 : 0;
        d.Row(y)[x] = index;
        d.Truth[static_cast<size_t>(y) * c.W + x] = {index ? uint8_t{255} : uint8_t{0}, index ? uint8_t{255} : uint8_t{0},
                                                     index ? uint8_t{255} : uint8_t{0}, 0};
      }
    d.Info.bmiColors[0] = {0, 0, 0, 0};
    d.Info.bmiColors[1] = {255, 255, 255, 0};
    std::vector<const TAreaKernels*> kernels{&PlainAreaKernels()};
    if (Sse2AreaKernels()) kernels.push_back(Sse2AreaKernels());
    for (const TAreaKernels* k : kernels) {
      const std::vector<uint8_t> got = Shrink(d, c.ZoomW, c.ZoomH, {0, 0, c.ZoomW, c.ZoomH}, *k);
      for (int32_t y = 0; y < c.ZoomH; ++y)
        for (int32_t x = 0; x < c.ZoomW; ++x)
          EXPECT_LT(std::abs(got[(static_cast<size_t>(y) * c.ZoomW + x) * 3] - Reference(d, c.ZoomW, c.ZoomH, x, y)[0]),
                    1.0)
              << c.W << "x" << c.H << " pixel " << x << "," << y;
    }
  }
}

TEST(AreaScale, AOnePixelCheckerboardAtHalfSizeIsFlatMidGray) {
  std::mt19937 rng(1);
  TRandomDib d = MakeRandomDib(TDibKind::Bgr24, 64, 48, false, rng);
  for (int32_t y = 0; y < 48; ++y)
    for (int32_t x = 0; x < 64; ++x) std::memset(d.Row(y) + 3 * x, (x + y) % 2 ? 0xFF : 0x00, 3);
  const std::vector<uint8_t> got = Shrink(d, 32, 24, {0, 0, 32, 24}, ChosenAreaKernels());
  EXPECT_EQ(got, std::vector<uint8_t>(32 * 24 * 3, 0x80));  // 127.5, halves rounded up
}

TEST(AreaScale, RowsTheBlockLacksAreBlackAndNothingOutsideIsRead) {
  std::mt19937 rng(3);
  for (bool topDown : {false, true}) {
    const TRandomDib d = MakeRandomDib(TDibKind::Bgr24, 40, 40, topDown, rng);
    // Only the first 10 rows in memory: the bottom ten, or the top ten when top-down.
    std::vector<uint8_t> held(d.Bits.begin(), d.Bits.begin() + static_cast<long>(d.Stride() * 10));
    const TAreaSource src{&d.Info, held.data(), held.size(), false};
    std::vector<uint8_t> out(20 * 20 * 3);
    ASSERT_TRUE(AreaScaleRect(src, 20, 20, {0, 0, 20, 20}, out.data(), 60));
    for (int32_t y = 0; y < 20; ++y) {
      const bool shown = topDown ? y < 5 : y >= 15;
      const uint8_t* row = out.data() + y * 60;
      EXPECT_EQ(std::count(row, row + 60, 0) == 60, !shown) << y;
    }
  }
}

TEST(AreaScale, RefusesWhatItCannotAverage) {
  std::mt19937 rng(4);
  TRandomDib d = MakeRandomDib(TDibKind::Bgr24, 10, 10, false, rng);
  const TAreaSource src{&d.Info, d.Bits.data(), d.Bits.size(), false};
  uint8_t out[10 * 10 * 4];
  EXPECT_FALSE(AreaScaleRect(src, 5, 5, {4, 0, 2, 1}, out, 30));   // past the right edge
  EXPECT_FALSE(AreaScaleRect(src, 5, 5, {0, 0, 0, 1}, out, 30));   // empty
  EXPECT_FALSE(AreaScaleRect(src, 0, 5, {0, 0, 1, 1}, out, 30));   // no zoomed size
  EXPECT_TRUE(IsAreaShrink(d.Info, 5, 10));
  EXPECT_FALSE(IsAreaShrink(d.Info, 10, 10));
  EXPECT_FALSE(IsAreaShrink(d.Info, 20, 20));
  d.Info.bmiHeader.biCompression = kBiRle8;
  EXPECT_EQ(AreaPixelBytes(d.Info), 0);
  EXPECT_FALSE(AreaScaleRect(src, 5, 5, {0, 0, 1, 1}, out, 30));
  d.Info.bmiHeader = {40, 3000000, 2, 1, 24, kBiRgb, 0, 0, 0, 0, 0};
  EXPECT_FALSE(IsAreaShrink(d.Info, 2, 1));  // a million and a half columns in one
}
