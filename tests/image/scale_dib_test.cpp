#include "image/scale_dib.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "scale_reference.h"
#include "test_alloc.h"

namespace {

using TRow = std::vector<uint8_t>;

// An 8-bit source whose pixel values are given top row first, as one reads
// them; stored bottom-up (or top-down when asked) with padded rows.
struct TSource {
  BitmapInfo Info{};
  std::vector<uint8_t> Bits;

  TSource(int bpp, int32_t width, int32_t rows, bool topDown = false) {
    Info.bmiHeader = {40, width, topDown ? -rows : rows, 1, static_cast<uint16_t>(bpp), 0, 0, 0, 0, 0, 0};
    Bits.assign(Stride() * static_cast<size_t>(rows), 0);
  }
  size_t Stride() const { return static_cast<size_t>(DibStride(Info.bmiHeader.biWidth, Info.bmiHeader.biBitCount)); }
  size_t MemRow(int32_t rowFromTop) const {
    const int32_t rows = std::abs(Info.bmiHeader.biHeight);
    return static_cast<size_t>(Info.bmiHeader.biHeight < 0 ? rowFromTop : rows - 1 - rowFromTop);
  }
  static TSource Bytes8(const std::vector<TRow>& topFirst, bool topDown = false) {
    TSource s(8, static_cast<int32_t>(topFirst[0].size()), static_cast<int32_t>(topFirst.size()), topDown);
    for (size_t y = 0; y < topFirst.size(); ++y)
      std::copy(topFirst[y].begin(), topFirst[y].end(),
                s.Bits.begin() + static_cast<long>(s.MemRow(static_cast<int32_t>(y)) * s.Stride()));
    return s;
  }
};

struct TView {
  BitmapInfo Info{};
  std::vector<uint8_t> Bits;
  bool Ok = false;
};

TView Scale(const TSource& src, const TRefView& v, uint8_t fill = 0xEE) {
  TView out;
  out.Bits.assign(static_cast<size_t>(ScaleDibBlockSize(src.Info, v.OutW, v.OutH)), fill);
  out.Ok = ScaleDibInto(out.Info, out.Bits.data(), out.Bits.size(), v.ZoomW, v.ZoomH, v.ScrollX, v.ScrollY, v.OutW,
                        v.OutH, src.Info, src.Bits.data(), src.Bits.size());
  return out;
}

// The 8-bit output's visible rows, top row of the view first.
std::vector<TRow> Rows8(const TView& view, int32_t width, int32_t rows) {
  const size_t stride = static_cast<size_t>(DibStride(view.Info.bmiHeader.biWidth, 8));
  const int32_t outH = view.Info.bmiHeader.biHeight;
  std::vector<TRow> result;
  for (int32_t y = 0; y < rows; ++y) {
    const uint8_t* row = view.Bits.data() + static_cast<size_t>(outH - 1 - y) * stride;
    result.emplace_back(row, row + width);
  }
  return result;
}

// Rows are taken from the top of the view; when the zoomed picture is lower
// than the view, its rows are the bottom ones of the output, so the cases
// below keep zoomH >= outH or read with that in mind.
TEST(ScaleDib, SamplesNearestNeighbourFromTheBottomLeft) {
  const TSource src = TSource::Bytes8({{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}});
  struct Case {
    const char* Name;
    TRefView View;
    std::vector<TRow> Want;  // top first
  };
  const Case cases[] = {
      {"200 % blocks",
       {8, 8, 0, 0, 8, 8},
       {{1, 1, 2, 2, 3, 3, 4, 4},
        {1, 1, 2, 2, 3, 3, 4, 4},
        {5, 5, 6, 6, 7, 7, 8, 8},
        {5, 5, 6, 6, 7, 7, 8, 8},
        {9, 9, 10, 10, 11, 11, 12, 12},
        {9, 9, 10, 10, 11, 11, 12, 12},
        {13, 13, 14, 14, 15, 15, 16, 16},
        {13, 13, 14, 14, 15, 15, 16, 16}}},
      // Columns 0 and 2, and rows 0 and 2 counted from the bottom.
      {"50 % picks even columns and rows", {2, 2, 0, 0, 2, 2}, {{5, 7}, {13, 15}}},
      {"wider than the view starts at scrollX",
       {8, 8, 3, 0, 4, 8},
       {{2, 3, 3, 4},
        {2, 3, 3, 4},
        {6, 7, 7, 8},
        {6, 7, 7, 8},
        {10, 11, 11, 12},
        {10, 11, 11, 12},
        {14, 15, 15, 16},
        {14, 15, 15, 16}}},
      {"scrollY 0 shows the top rows", {4, 4, 0, 0, 4, 2}, {{1, 2, 3, 4}, {5, 6, 7, 8}}},
      {"scrollY at the end shows the bottom rows", {4, 4, 0, 2, 4, 2}, {{9, 10, 11, 12}, {13, 14, 15, 16}}},
      // Bottom-left anchoring: zoomed row r samples trunc(r * 4/3) from the
      // bottom, giving source rows 0, 1, 2 (top row 3 is never sampled).
      {"75 % anchored at the bottom", {3, 3, 0, 0, 3, 3}, {{5, 6, 7}, {9, 10, 11}, {13, 14, 15}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const TView view = Scale(src, c.View);
    ASSERT_TRUE(view.Ok);
    EXPECT_EQ(Rows8(view, static_cast<int32_t>(c.Want[0].size()), static_cast<int32_t>(c.Want.size())), c.Want);
  }
}

TEST(ScaleDib, AtThreeHundredPercentTheProductIsTruncatedUnrounded) {
  const TSource src = TSource::Bytes8({{1, 2}});
  const TView view = Scale(src, {6, 3, 0, 0, 6, 3});
  ASSERT_TRUE(view.Ok);
  // hScale lies just below 1/3, so 3 * hScale truncates to 0.
  EXPECT_EQ(Rows8(view, 6, 3), (std::vector<TRow>(3, TRow{1, 1, 1, 1, 2, 2})));
}

TEST(ScaleDib, ANarrowPictureIsProducedWholeInTheLowRows) {
  const TSource src = TSource::Bytes8({{1, 2}, {3, 4}});
  const TView view = Scale(src, {2, 2, 5, 9, 4, 3});
  ASSERT_TRUE(view.Ok);
  // scrollX and scrollY play no part; the picture fills the two lowest rows,
  // which the painter draws at the top of the window.
  const std::vector<TRow> rows = Rows8(view, 2, 3);
  EXPECT_EQ(rows[1], (TRow{1, 2}));
  EXPECT_EQ(rows[2], (TRow{3, 4}));
}

TEST(ScaleDib, NineOneBitColumnsFillTwoBytes) {
  TSource src(1, 9, 1);
  src.Bits = {0xFF, 0xFF, 0xFF, 0xFF};  // padding bits set too
  const TView view = Scale(src, {9, 1, 0, 0, 9, 1});
  ASSERT_TRUE(view.Ok);
  EXPECT_EQ(view.Bits[0], 0xFF);
  EXPECT_EQ(view.Bits[1], 0x80);
}

TEST(ScaleDib, ZoomedSizesOfZeroProduceNoRows) {
  const TSource src = TSource::Bytes8({{1, 2}});
  for (const TRefView v : {TRefView{0, 5, 0, 0, 4, 4}, {5, 0, 0, 0, 4, 4}, {-3, -3, 0, 0, 4, 4}}) {
    const TView view = Scale(src, v);
    EXPECT_TRUE(view.Ok);
    EXPECT_EQ(view.Info.bmiHeader.biWidth, 4);
    for (const uint8_t b : view.Bits) ASSERT_EQ(b, 0xEE);
  }
}

TEST(ScaleDib, EmptyOutputsAreRefused) {
  const TSource src = TSource::Bytes8({{1, 2}});
  for (const auto& [w, h] : {std::pair{0, 5}, {5, 0}, {-1, 4}}) {
    BitmapInfo info{};
    void* bits = &info;
    EXPECT_FALSE(
        ScaleDib(info, bits, 2, 1, 0, 0, w, h, src.Info, src.Bits.data(), src.Bits.size(), TTrackedBlocks::Allocator));
    EXPECT_EQ(bits, nullptr);
  }
  EXPECT_TRUE(TTrackedBlocks::Live().empty());
}

TEST(ScaleDib, TheOutputHeaderIsTheSourceHeaderResized) {
  TSource src(16, 3, 2);
  src.Info.bmiHeader.biCompression = kBiBitfields;
  src.Info.bmiHeader.biSizeImage = 12345;
  for (int i = 0; i < 256; ++i)
    src.Info.bmiColors[i] = RgbQuad{uint8_t(i), uint8_t(i + 1), uint8_t(i + 2), uint8_t(i + 3)};
  BitmapInfo out;
  void* bits = nullptr;
  ASSERT_TRUE(
      ScaleDib(out, bits, 6, 4, 0, 0, 5, 3, src.Info, src.Bits.data(), src.Bits.size(), TTrackedBlocks::Allocator));
  TTrackedBlocks::Free(bits);
  BitmapInfo want = src.Info;
  want.bmiHeader.biWidth = 5;
  want.bmiHeader.biHeight = 3;
  EXPECT_EQ(std::memcmp(&out, &want, sizeof out), 0);
}

TEST(ScaleDib, TopDownPicturesComeOutUpright) {
  const std::vector<TRow> pixels = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  const TSource up = TSource::Bytes8(pixels);
  const TSource down = TSource::Bytes8(pixels, true);
  for (const TRefView v : {TRefView{6, 6, 1, 2, 4, 3}, {2, 2, 0, 0, 4, 4}, {7, 5, 0, 1, 7, 4}}) {
    const TView a = Scale(up, v), b = Scale(down, v);
    ASSERT_TRUE(a.Ok && b.Ok);
    EXPECT_EQ(b.Info.bmiHeader.biHeight, v.OutH) << "the output is bottom-up";
    const int32_t rows = std::min(v.ZoomH, v.OutH);
    EXPECT_EQ(Rows8(a, std::min(v.ZoomW, v.OutW), rows), Rows8(b, std::min(v.ZoomW, v.OutW), rows));
  }
}

TEST(ScaleDib, StrayInputsReadNothingOutsideTheSource) {
  TSource src = TSource::Bytes8({{1, 2, 3}, {4, 5, 6}});
  struct Case {
    const char* Name;
    TRefView View;
    size_t SrcSize;
  };
  const Case cases[] = {
      {"scroll past the end", {30, 30, 1000, 1000, 8, 8}, src.Bits.size()},
      {"negative scroll", {30, 30, -50, -7, 8, 8}, src.Bits.size()},
      {"block short of a row", {6, 4, 0, 0, 6, 4}, src.Stride() + 2},
      {"no block at all", {6, 4, 0, 0, 6, 4}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    // An exactly sized copy, so the sanitizer sees any read beyond it.
    std::vector<uint8_t> bits(src.Bits.begin(), src.Bits.begin() + static_cast<long>(c.SrcSize));
    TView out;
    out.Bits.assign(static_cast<size_t>(ScaleDibBlockSize(src.Info, c.View.OutW, c.View.OutH)), 0xEE);
    EXPECT_TRUE(ScaleDibInto(out.Info, out.Bits.data(), out.Bits.size(), c.View.ZoomW, c.View.ZoomH, c.View.ScrollX,
                             c.View.ScrollY, c.View.OutW, c.View.OutH, src.Info, bits.data(), bits.size()));
  }
  // The row the short block lacks comes out black; the one it holds is shown.
  src.Bits.resize(src.Stride() + 2);
  const TView view = Scale(src, {3, 2, 0, 0, 3, 2});
  EXPECT_EQ(Rows8(view, 3, 2), (std::vector<TRow>{{0, 0, 0}, {4, 5, 6}}));
}

// Worked out once in a 64-bit mantissa; they run wherever the tests build.
TEST(TruncScaledProduct, KnownProducts) {
  const struct {
    uint32_t x;
    double scale;
    int64_t want;
  } cases[] = {
      {3, 1.0 / 3, 0},  // a double product would round to 1
      {6, 1.0 / 3, 1},
      {0, 7.5, 0},
      {10, 0.0, 0},
      {7, 1.5, 10},
      {4040, 3144.0 / 1310, 9695},  // a double product: 9696
      {9, 2456.0 / 3, 7367},        // a double product: 7368
      {54, 1666.0 / 84, 1070},      // a double product: 1071
      // The exact product lies just below the integer; 64 bits round it up.
      {957060912, 6930.0 / 27853, 238122720},
      {1935418122, 20610.0 / 15044, 2651486805},
      {4294967295u, 0x1p70, INT64_MAX},
  };
  for (const auto& c : cases) EXPECT_EQ(TruncScaledProduct(c.x, c.scale), c.want) << c.x << " * " << c.scale;
  if (ExtendedProductsAvailable()) {
    for (const auto& c : cases) {
      if (c.want != INT64_MAX) {
        EXPECT_EQ(ExtendedTruncProduct(c.x, c.scale), c.want) << "reference " << c.x;
      }
    }
  }
}

TEST(TruncScaledProduct, MatchesAnExtendedPrecisionProduct) {
  if (!ExtendedProductsAvailable()) GTEST_SKIP() << "no 64-bit mantissa products to compare with";
  std::mt19937_64 rng(42);
  for (int i = 0; i < 200000; ++i) {
    const uint32_t a = static_cast<uint32_t>(rng() % 70000) + 1;
    const uint32_t b = static_cast<uint32_t>(rng() % 70000) + 1;
    const double scale = static_cast<double>(a) / b;
    const uint32_t x = i % 2 ? static_cast<uint32_t>(rng() % (uint64_t{b} * 4)) : static_cast<uint32_t>(rng() >> 33);
    ASSERT_EQ(TruncScaledProduct(x, scale), ExtendedTruncProduct(x, scale)) << x << " * " << a << "/" << b;
  }
}

// Bytes of the produced pixels only: the steps of two and four pixels may
// leave anything in the columns past the last one.
void ExpectSameProducedPixels(const std::vector<uint8_t>& want, const std::vector<uint8_t>& got, int bpp,
                              const TRefView& v) {
  const size_t stride = static_cast<size_t>(DibStride(v.OutW, bpp));
  const int32_t rows = std::min(v.ZoomH, v.OutH);
  const int32_t cols = std::min(v.ZoomW, v.OutW);
  const size_t fullBytes = static_cast<size_t>(int64_t{cols} * bpp / 8);
  for (int32_t r = 0; r < rows; ++r) {
    const size_t at = static_cast<size_t>(r) * stride;
    for (size_t i = 0; i < fullBytes; ++i) ASSERT_EQ(got[at + i], want[at + i]) << "row " << r << " byte " << i;
    if (bpp == 4 && cols % 2) {
      ASSERT_EQ(got[at + fullBytes] >> 4, want[at + fullBytes] >> 4) << "row " << r;
    }
    if (bpp == 1 && cols % 8) {
      ASSERT_EQ(got[at + fullBytes], want[at + fullBytes]) << "row " << r;
    }
  }
}

TEST(ScaleDib, GivesTheSameBytesAsThePlainAlgorithm) {
  if (!ExtendedProductsAvailable()) GTEST_SKIP() << "the plain algorithm needs 64-bit mantissa products";
  std::mt19937 rng(7);
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 3000; ++round) {
    const int bpp = std::vector<int>{1, 4, 8, 16, 24, 32}[static_cast<size_t>(round % 6)];
    TSource src(bpp, pick(1, 40), pick(1, 30), pick(0, 1) == 1);
    for (uint8_t& b : src.Bits) b = static_cast<uint8_t>(rng());
    TRefView v;
    v.ZoomW = pick(1, 120);
    v.ZoomH = pick(1, 90);
    v.OutW = pick(1, 70);
    v.OutH = pick(1, 50);
    v.ScrollX = v.ZoomW >= v.OutW ? pick(0, v.ZoomW - v.OutW) : pick(0, 9);
    v.ScrollY = v.ZoomH >= v.OutH ? pick(0, v.ZoomH - v.OutH) : pick(0, 9);
    SCOPED_TRACE(testing::Message() << "bpp " << bpp << " src " << src.Info.bmiHeader.biWidth << "x"
                                    << src.Info.bmiHeader.biHeight << " zoom " << v.ZoomW << "x" << v.ZoomH << " out "
                                    << v.OutW << "x" << v.OutH << " scroll " << v.ScrollX << "," << v.ScrollY);
    const std::vector<uint8_t> want = ReferenceScale(src.Info, src.Bits.data(), v);
    const TView got = Scale(src, v);
    ASSERT_TRUE(got.Ok);
    ASSERT_EQ(got.Bits.size(), want.size());
    ExpectSameProducedPixels(want, got.Bits, bpp, v);
  }
}

}  // namespace
