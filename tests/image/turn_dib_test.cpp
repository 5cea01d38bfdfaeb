#include "image/turn_dib.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "random_dib.h"

namespace {

struct TTurned {
  BitmapInfo Info{};
  std::vector<uint8_t> Bits;
};

TTurned Turn(const BitmapInfo& info, const std::vector<uint8_t>& bits, TTurn turn) {
  TTurned t;
  t.Bits.assign(static_cast<size_t>(TurnedBlockSize(info, turn)) + 1, 0xA5);
  EXPECT_TRUE(TurnDib(info, bits.data(), bits.size(), turn, t.Info, t.Bits.data(), t.Bits.size() - 1));
  EXPECT_EQ(t.Bits.back(), 0xA5) << "written past the block";
  t.Bits.pop_back();
  return t;
}

const TDibKind kKinds[] = {TDibKind::Pal1,    TDibKind::Pal2,    TDibKind::Pal4,     TDibKind::Pal8,
                           TDibKind::Rgb555,  TDibKind::Bf565,   TDibKind::Bgr24,    TDibKind::Plain32,
                           TDibKind::Alpha32, TDibKind::Bf32Wide, TDibKind::Bf32Plain};

}  // namespace

TEST(TurnDib, EveryDepthTurnsPixelForPixelAndFourQuarterTurnsGiveTheBytesBack) {
  std::mt19937 rng(22);
  for (TDibKind kind : kKinds)
    for (bool topDown : {false, true})
      for (const auto& [w, h] : {std::pair{37, 13}, std::pair{1, 70}, std::pair{130, 67}}) {
        SCOPED_TRACE(std::string(DibKindName(kind)) + (topDown ? " top-down " : " ") + std::to_string(w) + "x" +
                     std::to_string(h));
        const TRandomDib d = MakeRandomDib(kind, w, h, topDown, rng);
        for (TTurn turn : {TTurn::Right, TTurn::Left, TTurn::FlipHorizontal}) {
          const TTurned t = Turn(d.Info, d.Bits, turn);
          const bool quarter = turn != TTurn::FlipHorizontal;
          const BitmapInfoHeader& o = t.Info.bmiHeader;
          ASSERT_EQ(o.biWidth, quarter ? h : w);
          ASSERT_EQ(o.biHeight, (quarter ? w : h) * (topDown ? -1 : 1));
          EXPECT_EQ(o.biSizeImage, t.Bits.size());
          EXPECT_EQ(std::memcmp(t.Info.bmiColors, d.Info.bmiColors, sizeof d.Info.bmiColors), 0) << "table and masks";
          for (int32_t y = 0; y < DibRows(o.biHeight); ++y)
            for (int32_t x = 0; x < o.biWidth; ++x) {
              const int32_t sx = turn == TTurn::Right ? y : turn == TTurn::Left ? w - 1 - y : w - 1 - x;
              const int32_t sy = turn == TTurn::Right ? h - 1 - x : turn == TTurn::Left ? x : y;
              ASSERT_EQ(RawPixel(t.Info, t.Bits.data(), x, y), RawPixel(d.Info, d.Bits.data(), sx, sy))
                  << "at " << x << "," << y;
            }
        }
        TTurned round{d.Info, d.Bits};
        for (int i = 0; i < 4; ++i) round = Turn(round.Info, round.Bits, TTurn::Right);
        EXPECT_EQ(round.Bits, d.Bits);
        BitmapInfo sized = d.Info;
        sized.bmiHeader.biSizeImage = static_cast<uint32_t>(d.Bits.size());
        EXPECT_EQ(std::memcmp(&round.Info, &sized, sizeof sized), 0);
        const TTurned back = Turn(Turn(d.Info, d.Bits, TTurn::Left).Info, Turn(d.Info, d.Bits, TTurn::Left).Bits,
                                  TTurn::Right);
        EXPECT_EQ(back.Bits, d.Bits);
        const TTurned flip = Turn(d.Info, d.Bits, TTurn::FlipHorizontal);
        EXPECT_EQ(Turn(flip.Info, flip.Bits, TTurn::FlipHorizontal).Bits, d.Bits);
      }
}

TEST(TurnDib, RowsTheBlockLacksTurnBlackAndOtherKindsAreRefused) {
  std::mt19937 rng(7);
  const TRandomDib d = MakeRandomDib(TDibKind::Bgr24, 5, 4, false, rng);
  // The bottom two rows only.
  const std::vector<uint8_t> held(d.Bits.begin(), d.Bits.begin() + static_cast<long>(2 * d.Stride()));
  const TTurned t = Turn(d.Info, held, TTurn::Right);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 4; ++x)
      EXPECT_EQ(RawPixel(t.Info, t.Bits.data(), x, y), x < 2 ? RawPixel(d.Info, d.Bits.data(), y, 3 - x) : 0u) << x;

  BitmapInfo rle = d.Info, out;
  rle.bmiHeader.biCompression = kBiRle8;
  rle.bmiHeader.biBitCount = 8;
  uint8_t block[64];
  EXPECT_EQ(TurnedBlockSize(rle, TTurn::Left), 0u);
  EXPECT_FALSE(TurnDib(rle, d.Bits.data(), d.Bits.size(), TTurn::Left, out, block, sizeof block));
  BitmapInfo small = d.Info;
  EXPECT_FALSE(TurnDib(small, d.Bits.data(), d.Bits.size(), TTurn::Left, out, block, 10));  // no room
}
