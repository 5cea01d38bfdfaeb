// The catalogue file's text, read and written.
#include "plugins/plugin_list.h"

#include <gtest/gtest.h>

TEST(PluginListText, LinesOfPathsSkippingCommentsAndEmptyLines) {
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<std::string> paths;
  } cases[] = {
      {"CR LF lines", "C:\\p\\a.spi\r\nC:\\p\\b.spi\r\n", {"C:\\p\\a.spi", "C:\\p\\b.spi"}},
      {"comment and empty line", "# mine\r\n\r\nC:\\a.spi\r\n#C:\\b.spi\r\nC:\\c.spi", {"C:\\a.spi", "C:\\c.spi"}},
      {"blanks are kept", " C:\\a.spi \r\n", {" C:\\a.spi "}},
      {"CR alone ends a line", "a\rb\r\r\nc", {"a", "b", "c"}},
      {"LF alone ends a line", "a\nb\n", {"a", "b"}},
      {"LF ends after a comment", "# mine\n\nC:\\a.spi\n#C:\\b.spi\nC:\\c.spi\n", {"C:\\a.spi", "C:\\c.spi"}},
      {"0x1A ends the file",
       "a\r\n\x1A"
       "b\r\n",
       {"a"}},
      {"a blank line is not empty", " \r\n", {" "}},
      {"nothing", "", {}},
      {"plug-ins of the skipped width, in any case",
       "C:\\a.sph\r\nC:\\b.SPH\r\nC:\\c.spi\r\nC:\\d.sph \r\nC:\\e.sphx\r\n.sph\r\nsph\r\n",
       {"C:\\c.spi", "C:\\d.sph ", "C:\\e.sphx", "sph"}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParsePluginList(c.bytes, ".sph"), c.paths) << c.what;
  // And the other way round, as the 64-bit edition reads its catalogue.
  EXPECT_EQ(ParsePluginList("C:\\a.spi\r\nC:\\b.Spi\r\nC:\\c.sph\r\n", ".spi"), std::vector<std::string>{"C:\\c.sph"});
}

TEST(PluginListText, WrittenLinesReadBackUnchanged) {
  const std::vector<std::string> names = {"b.spi", "a.spi", "x y.spi"};
  const std::string text = PluginListText("C:\\plug ins\\", names);
  EXPECT_EQ(text, "C:\\plug ins\\b.spi\r\nC:\\plug ins\\a.spi\r\nC:\\plug ins\\x y.spi\r\n");
  EXPECT_EQ(ParsePluginList(text, ".sph"),
            (std::vector<std::string>{"C:\\plug ins\\b.spi", "C:\\plug ins\\a.spi", "C:\\plug ins\\x y.spi"}));
  EXPECT_EQ(PluginListText("C:\\p\\", {}), "");
}

namespace {

// The lead bytes of code page 932.
bool ShiftJisLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool NoLead(uint8_t) { return false; }

}  // namespace

TEST(PluginFolderText, EndsInExactlyOneBackslashOfItsOwn) {
  struct Case {
    std::string folder;
    LeadByteTest lead;
    std::string expected;
  } cases[] = {
      {"C:\\p", ShiftJisLead, "C:\\p\\"},
      {"C:\\p\\", ShiftJisLead, "C:\\p\\"},
      {"C:\\\x95\x5C", ShiftJisLead, "C:\\\x95\x5C\\"},    // the "\" is a second byte
      {"C:\\\x95\x5C\\", ShiftJisLead, "C:\\\x95\x5C\\"},  // a real one follows it
      {"C:\\\x81\x81\\", ShiftJisLead, "C:\\\x81\x81\\"},  // a second byte that looks like a lead byte
      {"C:\\\x81\x81\x95\x5C", ShiftJisLead, "C:\\\x81\x81\x95\x5C\\"},
      {"C:\\\x95\x5C", NoLead, "C:\\\x95\x5C"},  // single-byte code pages: a plain "\"
      {"\x95", ShiftJisLead, "\x95\\"},          // a lead byte with nothing after it
  };
  for (const Case& c : cases) EXPECT_EQ(WithTrailingBackslash(c.folder, c.lead), c.expected) << c.folder;
}
