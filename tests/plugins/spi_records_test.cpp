// The host's pure handling of plug-in records and codes.
#include "plugins/spi_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

SpiArchiveEntry Record(const char* folder, const char* file, int32_t size, int32_t time = 0, uint32_t position = 0) {
  SpiArchiveEntry r{};
  std::memcpy(r.Method, "test", 4);
  std::strncpy(r.Path, folder, sizeof r.Path);
  std::strncpy(r.FileName, file, sizeof r.FileName);
  r.FileSize = size;
  r.Time = time;
  r.Position = position;
  return r;
}

std::vector<uint8_t> Block(const std::vector<SpiArchiveEntry>& records) {
  std::vector<uint8_t> bytes(records.size() * sizeof(SpiArchiveEntry));
  if (!records.empty()) std::memcpy(bytes.data(), records.data(), bytes.size());
  return bytes;
}

uint64_t Time64(const FileTime& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

}  // namespace

TEST(SpiRecords, VersionTextsAreComparedWholeAndCaseSensitively) {
  EXPECT_EQ(PluginKind("00IN"), kPluginPicture);
  EXPECT_EQ(PluginKind("00AM"), kPluginArchive);
  for (const char* other : {"00in", "00Am", "00IN ", "00I", "", "00XN"})
    EXPECT_EQ(PluginKind(other), kPluginNone) << other;
}

TEST(SpiRecords, ErrorTextsAndTheErrorBoxBody) {
  struct Case {
    int32_t code;
    const char* text;
  } cases[] = {{0, ""},
               {1, "user cancel"},
               {2, "unknown format"},
               {3, "broken data"},
               {4, "allocate memory error"},
               {5, "memory error"},
               {6, "file read error"},
               {7, "cannot create window"},
               {8, "internal error"},
               {9, "file write error"},
               {10, "end of file error"},
               {11, "unknown error"},
               {-1, "unknown error"},
               {INT32_MIN, "unknown error"}};
  for (const Case& c : cases) EXPECT_EQ(SpiErrorText(c.code), c.text) << c.code;
  EXPECT_EQ(PluginErrorText("a.jpg", -1), "a.jpg:\r\nunknown error (-1)");
  EXPECT_EQ(PluginErrorText("dir\\b.png", 2), "dir\\b.png:\r\nunknown format (2)");
}

TEST(SpiRecords, MemberTimesAreUtcFileTimes) {
  EXPECT_EQ(Time64(UnixTimeToFileTime(0)), 116444736000000000ull);
  EXPECT_EQ(Time64(UnixTimeToFileTime(86400)), 116445600000000000ull);
  EXPECT_EQ(Time64(UnixTimeToFileTime(-86400)), 116443872000000000ull);
  EXPECT_EQ(Time64(UnixTimeToFileTime(INT32_MAX)), 116444736000000000ull + 21474836470000000ull);
}

TEST(ArchiveEntries, ConversionSkipsEmptyMembersAndEndsWithAnEmptyName) {
  struct Case {
    const char* what;
    std::vector<uint8_t> block;
    std::vector<std::string> names;
  } cases[] = {
      {"members, a folder, an empty file",
       Block({Record("dir\\", "", 0), Record("dir\\", "a.jpg", 10), Record("", "empty", 0), Record("", "b.jpg", 1),
              SpiArchiveEntry{}}),
       {"dir\\a.jpg", "b.jpg"}},
      {"only sizes of 0 or less", Block({Record("", "a", 0), Record("", "b", -5), SpiArchiveEntry{}}), {}},
      {"records after the end are not read", Block({Record("", "a", 1), SpiArchiveEntry{}, Record("", "b", 1)}), {"a"}},
      {"no ending record", Block({Record("", "a", 1), Record("", "b", 2)}), {"a", "b"}},
      {"a cut-off record at the end",
       [] {
         auto b = Block({Record("", "a", 1), Record("", "b", 2)});
         b.resize(b.size() - 1);
         return b;
       }(),
       {"a"}},
      {"an empty block", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<FileEntry[]> entries;
    ASSERT_EQ(ConvertArchiveEntries(c.block.data(), c.block.size(), entries), 0);
    ASSERT_NE(entries, nullptr);
    size_t i = 0;
    for (; i < c.names.size(); ++i) EXPECT_EQ(std::string(entries[i].Name), c.names[i]);
    EXPECT_EQ(entries[i].Name[0], '\0');
  }
}

TEST(ArchiveEntries, FieldsOfAMember) {
  auto block = Block({Record("d\\", "x.png", 42, 86400, 0x12345678), SpiArchiveEntry{}});
  std::unique_ptr<FileEntry[]> entries;
  ASSERT_EQ(ConvertArchiveEntries(block.data(), block.size(), entries), 0);
  EXPECT_STREQ(entries[0].Name, "d\\x.png");
  EXPECT_EQ(Time64(entries[0].Time), 116445600000000000ull);
  EXPECT_EQ(entries[0].Candidate, 1);
  EXPECT_EQ(entries[0].Position, 0x12345678u);
}

TEST(ArchiveEntries, NamesJoinBothFieldsAndStopAt255Bytes) {
  SpiArchiveEntry full = Record("", "", 1);
  std::memset(full.Path, 'a', sizeof full.Path);
  std::memset(full.FileName, 'b', sizeof full.FileName);
  EXPECT_EQ(MemberName(full), std::string(200, 'a') + std::string(55, 'b'));

  SpiArchiveEntry longFolder = Record("", "name", 1);
  std::memset(longFolder.Path, 'a', sizeof longFolder.Path);
  EXPECT_EQ(MemberName(longFolder), std::string(200, 'a') + "name");
}

TEST(PluginBits, BlockMustHoldTheRowsItsHeaderDescribes) {
  struct Case {
    int32_t width, height;
    uint16_t bitCount;
    uint32_t compression, sizeImage;
    uint64_t bitsSize;
    bool fits;
  } cases[] = {
      {2, 2, 24, kBiRgb, 0, 16, true},
      {2, 2, 24, kBiRgb, 0, 15, false},
      {2, -2, 24, kBiRgb, 0, 16, true},
      {3, 1, 8, kBiRgb, 0, 4, true},
      {1, 1, 1, kBiRgb, 0, 3, false},
      {-1, 1, 24, kBiRgb, 0, 4, false},
      {0x7FFFFFFF, 0x7FFFFFFF, 32, kBiRgb, 0, UINT32_MAX, false},
      {4, INT32_MIN, 32, kBiRgb, 0, 64, false},
      {10, 10, 8, kBiRle8, 30, 30, true},
      {10, 10, 8, kBiRle8, 31, 30, false},
  };
  for (const Case& c : cases) {
    BitmapInfo info{};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = c.width;
    info.bmiHeader.biHeight = c.height;
    info.bmiHeader.biBitCount = c.bitCount;
    info.bmiHeader.biCompression = c.compression;
    info.bmiHeader.biSizeImage = c.sizeImage;
    EXPECT_EQ(PluginBitsFit(info, c.bitsSize), c.fits) << c.width << "x" << c.height << " " << c.bitsSize;
  }
}

TEST(PluginPaths, OnlyFullPathsAreLoaded) {
  for (const char* full : {"C:\\p\\a.spi", "z:/p/a.spi", "\\\\server\\share\\a.spi"})
    EXPECT_TRUE(IsFullPluginPath(full));
  for (const char* other : {"a.spi", " C:\\p\\a.spi", "C:a.spi", "\\p\\a.spi", "p\\a.spi", "", "\\\\\\x"})
    EXPECT_FALSE(IsFullPluginPath(other)) << other;
}
