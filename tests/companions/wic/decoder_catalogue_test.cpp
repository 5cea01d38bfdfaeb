// What the picture plug-in makes of the decoders' own descriptions.
#include <gtest/gtest.h>

#include "companions/wic/byte_patterns.h"
#include "companions/wic/decoder_names.h"

TEST(DecoderNames, FiltersAndFormatNamesFromWhatDecodersSay) {
  EXPECT_EQ(FilterOfExtensions(L".jpg,.jpeg,.jfif"), "*.jpg;*.jpeg;*.jfif");
  EXPECT_EQ(FilterOfExtensions(L".tif;.tiff"), "*.tif;*.tiff");
  EXPECT_EQ(FilterOfExtensions(L" .png "), "*.png");
  EXPECT_EQ(FilterOfExtensions(L",,"), "");
  EXPECT_EQ(FilterOfExtensions(L""), "");
  EXPECT_EQ(FormatNameOf(L"PNG Decoder"), "PNG pictures");
  EXPECT_EQ(FormatNameOf(L"HEIF Image Extension"), "HEIF Image Extension pictures");
  EXPECT_EQ(FormatNameOf(L" Decoder"), " Decoder pictures");
  EXPECT_EQ(FormatNameOf(L""), "Other pictures");
}

TEST(BytePatterns, MaskedBytesAtTheirPositionInsideTheHeader) {
  const std::vector<BytePattern> patterns = {
      {0, {0x89, 'P', 'N', 'G'}, {0xFF, 0xFF, 0xFF, 0xFF}},
      {4, {0x01, 0x08}, {0xF7, 0xFF}},  // a masked bit may differ
      {2000, {0x42}, {0xFF}},
      {0, {0x00}, {}},  // a mask that does not fit is never used
  };
  const struct {
    std::vector<uint8_t> header;
    bool match;
  } cases[] = {
      {{0x89, 'P', 'N', 'G', 0}, true},  {{0x89, 'P', 'N'}, false},   {{0, 0, 0, 0, 0x09, 0x08}, true},
      {{0, 0, 0, 0, 0x03, 0x08}, false}, {{0, 0, 0, 0, 0x01}, false}, {{}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchesAnyPattern(patterns, c.header.data(), c.header.size()), c.match);
}
