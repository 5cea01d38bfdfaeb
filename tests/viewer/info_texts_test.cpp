// The texts of the Picture Information dialog, the plug-in list and the About box.
#include "viewer/info_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text_lines.h"

namespace {

TImg Picture(int32_t bits, int32_t height) {
  TImg img;
  img.Width = 640;
  img.Height = height;
  img.ColorBits = bits;
  img.FormatText = "Windows Bitmap";
  img.FileSize = 921654;
  img.BitsSize = 1228800;
  img.PluginDesc = "(Internal DIB to DIB filter)";
  return img;
}

TEST(InfoValuesText, EachValueStandsBesideItsLabel) {
  const TInfoTimes times{"created", "modified", "accessed"};
  const std::vector<std::string> labels = Lines(InfoLabelsText());
  const std::vector<std::string> values = Lines(InfoValuesText(Picture(24, 480), times));
  ASSERT_EQ(labels.size(), 13u);
  ASSERT_EQ(values.size(), labels.size() + 1) << "the plug-in's path has a line of its own";
  const std::vector<std::pair<std::string, std::string>> beside = {
      {"Location:", ""},
      {"Size:", "640x480"},
      {"Colors:", "16,777,216 (24 bit)"},
      {"Format:", "Windows Bitmap"},
      {"File Size:", "900 KB (921,654 bytes)"},
      {"Created:", "created"},
      {"Modified:", "modified"},
      {"Accessed:", "accessed"},
      {"Memory: ", "1.17 MB (1,228,800 bytes)"},
      {"Plug-in:", "(Internal DIB to DIB filter)"},
  };
  for (const auto& [label, value] : beside) {
    size_t line = 0;
    while (line < labels.size() && labels[line] != label) ++line;
    ASSERT_LT(line, labels.size()) << label;
    EXPECT_EQ(values[line], value) << label;
  }
  for (size_t blank : {1u, 5u, 10u}) EXPECT_EQ(labels[blank] + values[blank], "") << blank;
  EXPECT_EQ(values.back(), "") << "no plug-in path for the internal reader";
}

TEST(InfoValuesText, ColourCountsAndSizes) {
  struct Case {
    int32_t Bits;
    const char* Colors;
  } cases[] = {{1, "2 (1 bit)"},
               {8, "256 (8 bit)"},
               {15, "32,768 (15 bit)"},
               {24, "16,777,216 (24 bit)"},
               {31, "2,147,483,648 (31 bit)"},
               {32, " (32 bit)"},
               {-1, " (-1 bit)"}};
  for (const Case& c : cases) EXPECT_EQ(ColorCountText(c.Bits), c.Colors) << c.Bits;

  TImg topDown = Picture(32, -480);
  topDown.PluginDesc = "Orv test PNM reader";
  topDown.PluginPath = "C:\\spi\\orvpnm.spi";
  const std::vector<std::string> values = Lines(InfoValuesText(topDown, {}));
  EXPECT_EQ(values[2], "640x480") << "the row count, not the stored sign";
  EXPECT_EQ(values[3], " (32 bit)");
  EXPECT_EQ(values[12], "Orv test PNM reader");
  EXPECT_EQ(values[13], "C:\\spi\\orvpnm.spi");
}

TEST(PluginListText, CountsEveryEntryFoundOrNot) {
  EXPECT_EQ(
      PluginListText({{"C:\\p\\a.spi", true, "Alpha 1.0"}, {"C:\\p\\b.spi", false, ""}, {"C:\\p\\c.spi", true, ""}}),
      "3 plugin(s) found.\r\n\r\nC:\\p\\a.spi: Alpha 1.0\r\nC:\\p\\b.spi: (not found)\r\nC:\\p\\c.spi: \r\n");
  EXPECT_EQ(PluginListText({}), "0 plugin(s) found.\r\n\r\n");
  // The 64-bit edition marks the 32-bit plug-ins its helper calls.
  EXPECT_EQ(PluginListText({{"C:\\p\\d.spi", true, "Delta", true}, {"C:\\p\\e.spi", false, "", true}}),
            "2 plugin(s) found.\r\n\r\nC:\\p\\d.spi (32-bit): Delta\r\nC:\\p\\e.spi (32-bit): (not found)\r\n");
}

TEST(AboutText, NameVersionAuthorsTermsAndProfileFolder) {
  const std::vector<std::string> lines = Lines(AboutText("1.2.3", "", "2026-12-08", "C:\\Users\\me\\orv\\"));
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], "Orv 1.2.3 (built 2026-12-08)");
  for (size_t blank : {1u, 3u, 6u}) EXPECT_EQ(lines[blank], "") << blank;
  for (size_t words : {2u, 4u, 5u}) EXPECT_FALSE(lines[words].empty()) << words;
  EXPECT_EQ(lines[7], "Profile folder: C:\\Users\\me\\orv\\");
  EXPECT_EQ(Lines(AboutText("1.2.3", "", "", "C:\\"))[0], "Orv 1.2.3");
  EXPECT_EQ(Lines(AboutText("1.2.3", "64-bit", "2026-12-08", "C:\\"))[0], "Orv 1.2.3 (64-bit, built 2026-12-08)");
  EXPECT_EQ(Lines(AboutText("1.2.3", "64-bit", "", "C:\\"))[0], "Orv 1.2.3 (64-bit)");
}

}  // namespace
