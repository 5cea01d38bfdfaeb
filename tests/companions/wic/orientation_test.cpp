// Reading the Exif orientation from JPEG bytes, and turning DIBs upright.
#include "companions/wic/orientation.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "exif_positions.h"
#include "companions/wic/dib_pixels.h"

namespace {

std::string Segment(uint8_t marker, const std::string& body) {
  std::string s = {'\xFF', static_cast<char>(marker)};
  s += static_cast<char>((body.size() + 2) >> 8);
  s += static_cast<char>((body.size() + 2) & 0xFF);
  return s + body;
}

// An Exif block whose first directory holds the given entries (tag, type, count, value).
std::string Exif(bool big, const std::vector<std::array<uint32_t, 4>>& entries) {
  std::string t = big ? "MM" : "II";
  auto put16 = [&](uint32_t v) {
    t += static_cast<char>(big ? v >> 8 : v);
    t += static_cast<char>(big ? v : v >> 8);
  };
  auto put32 = [&](uint32_t v) {
    put16(big ? v >> 16 : v & 0xFFFF);
    put16(big ? v & 0xFFFF : v >> 16);
  };
  put16(42);
  put32(8);
  put16(static_cast<uint32_t>(entries.size()));
  for (const auto& e : entries) {
    put16(e[0]);
    put16(e[1]);
    put32(e[2]);
    put16(e[3]);
    put16(0);
  }
  put32(0);
  return std::string("Exif\0\0", 6) + t;
}

int Orientation(const std::string& jpeg) {
  return JpegOrientation(reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size());
}

}  // namespace

TEST(JpegOrientation, FoundInTheExifBlockBeforeTheScan) {
  const std::string soi = "\xFF\xD8", jfif = Segment(0xE0, std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14));
  const std::string scan = Segment(0xDA, "scan header") + "entropy-coded data";
  for (bool big : {false, true}) {
    for (uint32_t value = 1; value <= 8; ++value) {
      const std::string exif = Segment(0xE1, Exif(big, {{0x0128, 3, 1, 2}, {0x0112, 3, 1, value}}));
      EXPECT_EQ(Orientation(soi + jfif + exif + scan), static_cast<int>(value)) << big << value;
      EXPECT_EQ(Orientation(soi + exif + scan), static_cast<int>(value)) << big << value;
    }
  }
  const std::string six = Segment(0xE1, Exif(false, {{0x0112, 3, 1, 6}}));
  const struct {
    const char* what;
    std::string jpeg;
    int orientation;
  } cases[] = {
      {"no Exif block", soi + jfif + scan, 1},
      {"Exif only after the scan", soi + scan + six, 1},
      {"value out of range", soi + Segment(0xE1, Exif(false, {{0x0112, 3, 1, 9}})) + scan, 1},
      {"wrong type", soi + Segment(0xE1, Exif(false, {{0x0112, 4, 1, 6}})) + scan, 1},
      {"another APP1 block first", soi + Segment(0xE1, "http://ns.adobe.com/xap/1.0/") + six + scan, 6},
      {"fill bytes between segments", soi + "\xFF\xFF" + six + scan, 6},
      {"segment cut short", soi + six.substr(0, six.size() - 4), 1},
      {"not a JPEG", "\x89PNG" + six, 1},
      {"directory offset past the block", soi + Segment(0xE1, std::string("Exif\0\0II*\0\xFF\0\0\0", 14)), 1},
  };
  for (const auto& c : cases) EXPECT_EQ(Orientation(c.jpeg), c.orientation) << c.what;
}

TEST(JpegFacts, TheFrameHeaderAndTheJfifDensity) {
  const std::string frame = Segment(0xC2, std::string("\x08\x01\x2C\x02\x58\x03", 6) + std::string(9, '\0'));
  const std::string jfif = Segment(0xE0, std::string("JFIF\0\1\2\2\0\x76\0\x3B\0\0", 14));  // per cm
  const std::string scan = Segment(0xDA, "scan");
  JpegFacts facts;
  const std::string jpeg = "\xFF\xD8" + jfif + Segment(0xC4, "tables") + frame + scan;
  ASSERT_TRUE(ReadJpegFacts(reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size(), facts));
  EXPECT_EQ(facts.Width, 600u);
  EXPECT_EQ(facts.Height, 300u);
  EXPECT_EQ(facts.Components, 3);
  EXPECT_EQ(facts.DotsPerInchX, 300);  // 118 per cm
  EXPECT_EQ(facts.DotsPerInchY, 150);
  EXPECT_EQ(facts.Orientation, 1);
  const std::string noFrame = "\xFF\xD8" + jfif + scan;
  EXPECT_FALSE(ReadJpegFacts(reinterpret_cast<const uint8_t*>(noFrame.data()), noFrame.size(), facts));
}

TEST(ApplyOrientation, EveryOrientationShowsThePictureAsTaken) {
  // Pictures stored with the orientation's transform; each pixel holds its
  // upright position, so the result must read 0, 1, 2, ... The larger size
  // spans several of the tiles the turn works in, with partial ones.
  for (const auto& [w, h] : {std::pair<uint32_t, uint32_t>{3, 2}, {131, 67}}) {
    for (int bits : {8, 24, 32}) {
      const size_t step = static_cast<size_t>(bits / 8);
      auto value = [&](uint32_t x, uint32_t y, size_t k) {
        const uint32_t index = y * w + x;
        return static_cast<uint8_t>(step == 1 ? index % 251 : index >> (8 * k));
      };
      for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(testing::Message() << w << " x " << h << ", " << bits << " bits, orientation " << orientation);
        const bool turned = orientation >= 5;
        const uint32_t sw = turned ? h : w, sh = turned ? w : h;
        std::vector<uint8_t> stored(DibStride(sw, bits) * sh, 0xEE);
        for (uint32_t sy = 0; sy < sh; ++sy) {
          for (uint32_t sx = 0; sx < sw; ++sx) {
            uint32_t x = 0, y = 0;
            UprightPosition(orientation, w, h, sx, sy, x, y);
            uint8_t* p = &stored[(sh - 1 - sy) * DibStride(sw, bits) + sx * step];
            for (size_t k = 0; k < step; ++k) p[k] = value(x, y, k);
          }
        }
        std::vector<uint8_t> upright(DibStride(w, bits) * h, 0xAA);
        ApplyOrientation(orientation, stored.data(), sw, sh, bits, upright.data());
        size_t wrong = 0;
        for (uint32_t y = 0; y < h; ++y) {
          const uint8_t* row = &upright[(h - 1 - y) * DibStride(w, bits)];
          for (uint32_t x = 0; x < w; ++x) {
            for (size_t k = 0; k < step; ++k) wrong += row[x * step + k] != value(x, y, k);
          }
          // Row padding is cleared.
          for (size_t pad = w * step; pad < DibStride(w, bits); ++pad) wrong += row[pad] != 0;
        }
        EXPECT_EQ(wrong, 0u);
      }
    }
  }
}
