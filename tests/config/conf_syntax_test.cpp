#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "config/conf_syntax.h"
#include "config/settings.h"

namespace {

struct Parsed {
  std::string key;
  std::vector<std::string> values;
};

// All lines of a file's bytes, includes ignored.
std::vector<Parsed> ParseAll(const std::string& bytes) {
  std::string content;
  AppendConfLines(bytes, content, [](const std::string&) {});
  TConfFile file(content, 0);
  std::vector<Parsed> lines;
  while (file.Next()) {
    Parsed p{file.Line.Key, {}};
    for (int i = 0; i < file.Line.Count; ++i) p.values.push_back(file.Line.Values[i]);
    // Entries past the last value always read as empty text.
    if (file.Line.Count < kConfMaxValues) {
      EXPECT_STREQ(file.Line.Values[file.Line.Count], "");
    }
    lines.push_back(p);
  }
  return lines;
}

Parsed One(const std::string& line) {
  auto lines = ParseAll(line + "\r\n");
  EXPECT_EQ(lines.size(), 1u) << line;
  return lines.empty() ? Parsed{} : lines[0];
}

using V = std::vector<std::string>;

}  // namespace

TEST(ConfSyntax, SplitsKeyAndValues) {
  struct Case {
    const char* line;
    const char* key;
    V values;
  } cases[] = {
      {"Key", "Key", {}},
      {"Key ", "Key", {}},              // nothing follows the blank that ended the key
      {"Key  ", "Key", {""}},           // blanks alone give one empty value
      {"  \tKey a", "Key", {"a"}},      // leading blanks skipped
      {"Key a b , c", "Key", {"ab", "c"}},
      {"Key a,,b", "Key", {"a", "", "b"}},
      {"Key a,", "Key", {"a", ""}},
      {"Key \"a b, c\",d", "Key", {"a b, c", "d"}},
      {"Key \"a\"junk,d", "Key", {"a", "d"}},
      {"Key x,\"unclosed, y", "Key", {"x"}},
      {"Key \"unclosed", "Key", {}},
      {"Key\ta\tb", "Key", {"ab"}},
      {"   ", "", {}},
      {"Key=value", "Key=value", {}},
  };
  for (const Case& c : cases) {
    Parsed p = One(c.line);
    EXPECT_EQ(p.key, c.key) << c.line;
    EXPECT_EQ(p.values, c.values) << c.line;
  }
}

TEST(ConfSyntax, CommentsAndEmptyLinesYieldNothing) {
  EXPECT_TRUE(ParseAll("# comment\r\n\r\n#another\r\n\r\n").empty());
  auto lines = ParseAll(" # not a comment\r\nA 1\r\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].key, "#");
  EXPECT_EQ(lines[0].values, V({"notacomment"}));
}

TEST(ConfSyntax, LineEndsAndEndOfFileMarker) {
  // CR LF, CR alone and LF alone end lines alike, mixed in one file too; a
  // missing final line end ends the last line.
  struct Case {
    const char* name;
    std::string text;
  } cases[] = {
      {"CR LF", "# c\r\nA 1\r\n#B 0\r\n\r\nB 2\r\nC 3"},
      {"CR alone", "# c\rA 1\r#B 0\r\rB 2\rC 3\r"},
      {"LF alone", "# c\nA 1\n#B 0\n\nB 2\nC 3\n"},
      {"mixed", "# c\nA 1\r#B 0\r\n\n\rB 2\n\rC 3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto lines = ParseAll(c.text);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].key, "A");
    EXPECT_EQ(lines[1].key, "B");
    EXPECT_EQ(lines[1].values, V({"2"}));
    EXPECT_EQ(lines[2].key, "C");
    EXPECT_EQ(lines[2].values, V({"3"}));
  }
  // Byte 26 ends the file.
  EXPECT_EQ(ParseAll("A 1\r\n\x1A" "B 2\r\n").size(), 1u);
  EXPECT_EQ(ParseAll("A 1\n\x1A" "B 2\n").size(), 1u);
}

TEST(ConfSyntax, IncludesStandWhereTheirLineStood) {
  for (const char* end : {"\r\n", "\r", "\n"}) {
    SCOPED_TRACE(testing::PrintToString(std::string(end)));
    auto joined = [end](std::initializer_list<const char*> lines) {
      std::string text;
      for (const char* line : lines) text += std::string(line) + end;
      return text;
    };
    std::vector<std::string> names;
    std::string content;
    AppendConfLines(joined({"# c", "A 1", "@Include %HOME%\\x.txt", "@Include", "@include y", "B 2"}), content,
                    [&](const std::string& name) {
                      names.push_back(name);
                      content += "X 9\n";
                    });
    EXPECT_EQ(names, V({"%HOME%\\x.txt"}));
    EXPECT_EQ(content, "A 1\nX 9\n@include y\nB 2\n");
  }
}

TEST(ConfSyntax, OverlongLinesAndTooManyValuesAreCut) {
  std::string longValue(3000, 'v');
  auto lines = ParseAll("K " + longValue + "\r\nNext 1\r\n");
  ASSERT_EQ(lines.size(), 2u);
  ASSERT_EQ(lines[0].values.size(), 1u);
  EXPECT_EQ(lines[0].values[0].size(), 1021u);  // 1023 characters less "K "
  EXPECT_EQ(lines[1].key, "Next");

  std::string many = "K ";
  for (int i = 0; i < 100; ++i) many += std::to_string(i) + ",";
  Parsed p = One(many);
  ASSERT_EQ(p.values.size(), 64u);
  EXPECT_EQ(p.values[63], "63");

  std::string longKey(2000, 'k');
  lines = ParseAll(longKey + "\r\n");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].key.size(), 1023u);
}

TEST(ConfSyntax, ErrorOrEndStopsNext) {
  TConfFile failed("A 1\n", 2);
  EXPECT_FALSE(failed.Next());
  TConfFile empty("", 0);
  EXPECT_FALSE(empty.Next());
  EXPECT_STREQ(empty.Line.Values[0], "");
}

TEST(Settings, ReadAheadIsOnUntilALineTurnsItOff) {
  struct Case {
    const char* text;
    bool expected;
  } cases[] = {{"", true}, {"ReadAhead off\n", false}, {"ReadAhead OFF\r\nReadAhead On\r\n", true},
               {"readahead off\n", true}, {"ReadAhead no\n", false}};
  for (const Case& c : cases) {
    std::string content;
    AppendConfLines(c.text, content, [](const std::string&) {});
    TConfFile file(content, 0);
    const TSettings settings = ReadSettings(file);
    EXPECT_EQ(settings.ReadAhead, c.expected) << c.text;
    EXPECT_FALSE(settings.KeepViewPosition);
  }
}

TEST(Settings, KeepViewPositionKeyCaseMattersValueCaseDoesNot) {
  struct Case {
    const char* text;
    bool expected;
  } cases[] = {
      {"", false},
      {"KeepViewPosition on\r\n", true},
      {"KeepViewPosition ON\r\n", true},
      {"keepviewposition on\r\n", false},
      {"KeepViewPosition on\r\nKeepViewPosition off\r\n", false},
      {"KeepViewPosition off\r\nKeepViewPosition On\r\n", true},
      {"KeepViewPosition on\r\nKeepViewPosition\r\n", false},
      {"KeepViewPosition \"on\"\r\n", true},
      {"KeepViewPosition onx\r\n", false},
      {"KeepViewPosition on\nOther 1\n", true},
      {"# settings\nKeepViewPosition on\n", true},
      {"# settings\rKeepViewPosition on\r", true},
      {"KeepViewPosition on\nKeepViewPosition off\n", false},
  };
  for (const Case& c : cases) {
    std::string content;
    AppendConfLines(c.text, content, [](const std::string&) {});
    TConfFile file(content, 0);
    EXPECT_EQ(ReadKeepViewPosition(file, false), c.expected) << c.text;
  }
}

TEST(Settings, SmoothingIsOnUnlessSaidOffAndABackgroundNeedsThreeLevels) {
  struct Case {
    const char* text;
    bool smoothing;
    bool plain;
    uint8_t red, green, blue;
  } cases[] = {
      {"", true, false, 0, 0, 0},
      {"Smoothing off\r\n", false, false, 0, 0, 0},
      {"Smoothing off\r\nSmoothing ON\r\n", true, false, 0, 0, 0},
      {"smoothing off\r\n", true, false, 0, 0, 0},  // the key's case matters
      {"Smoothing\r\n", false, false, 0, 0, 0},
      {"Background 255,128,0\r\n", true, true, 255, 128, 0},
      {"Background 1, 2 , 3\r\nBackground 4,5,6\r\n", true, true, 4, 5, 6},
      {"Background 10,20,30\r\nBackground 1,2\r\n", true, true, 10, 20, 30},  // skipped: two values
      {"Background 256,0,0\r\n", true, false, 0, 0, 0},
      {"Background -1,0,0\r\n", true, false, 0, 0, 0},
      {"Background 0x10,0,0\r\n", true, false, 0, 0, 0},
      {"Background 1,2,3,4\r\n", true, false, 0, 0, 0},
      {"Background ,,\r\n", true, false, 0, 0, 0},
      {"Background 0007,0,0\r\n", true, false, 0, 0, 0},
      {"KeepViewPosition on\r\nBackground 0,0,0\r\nSmoothing off\r\n", false, true, 0, 0, 0},
  };
  for (const Case& c : cases) {
    std::string content;
    AppendConfLines(c.text, content, [](const std::string&) {});
    TConfFile file(content, 0);
    const TSettings s = ReadSettings(file);
    EXPECT_EQ(s.Smoothing, c.smoothing) << c.text;
    EXPECT_EQ(s.PlainBackground, c.plain) << c.text;
    EXPECT_EQ(s.Red, c.red) << c.text;
    EXPECT_EQ(s.Green, c.green) << c.text;
    EXPECT_EQ(s.Blue, c.blue) << c.text;
  }
}
