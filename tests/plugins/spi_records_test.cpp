// The host's pure handling of plug-in records and codes.
#include "plugins/spi_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

template <typename R>
R MakeRecord(const char* folder, const char* file, int32_t size) {
  R r{};
  std::memcpy(r.Method, "test", 4);
  std::memcpy(r.Path, folder, std::strlen(folder));
  std::memcpy(r.FileName, file, std::strlen(file));
  r.FileSize = size;
  return r;
}

template <typename R>
std::vector<uint8_t> Block(const std::vector<R>& records) {
  std::vector<uint8_t> bytes(records.size() * sizeof(R));
  if (!records.empty()) std::memcpy(bytes.data(), records.data(), bytes.size());
  return bytes;
}

uint64_t Time64(const FileTime& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

void Put(std::vector<uint8_t>& bytes, size_t at, uint64_t value, size_t size) {
  for (size_t i = 0; i < size; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// The records of both widths, whichever this build talks.
template <typename R>
class ArchiveRecords : public ::testing::Test {};
using RecordWidths = ::testing::Types<SpiArchiveEntry32, SpiArchiveEntry64>;
TYPED_TEST_SUITE(ArchiveRecords, RecordWidths);

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
  // 64-bit times: past 2038, and the ends of what a file time holds.
  EXPECT_EQ(Time64(UnixTimeToFileTime(4102444800LL)), 157469184000000000ull);  // 2100-01-01
  EXPECT_EQ(Time64(UnixTimeToFileTime(-11644473600LL)), 0u);                   // 1601-01-01
  EXPECT_EQ(Time64(UnixTimeToFileTime(-11644473601LL)), 0u);
  EXPECT_EQ(Time64(UnixTimeToFileTime(INT64_MIN)), 0u);
  EXPECT_EQ(Time64(UnixTimeToFileTime(910692730085LL)), 116444736000000000ull + 9106927300850000000ull);
  EXPECT_EQ(Time64(UnixTimeToFileTime(910692730086LL)), static_cast<uint64_t>(INT64_MAX));
  EXPECT_EQ(Time64(UnixTimeToFileTime(INT64_MAX)), static_cast<uint64_t>(INT64_MAX));
}

TYPED_TEST(ArchiveRecords, ConversionSkipsEmptyMembersAndEndsWithAnEmptyName) {
  using R = TypeParam;
  auto Record = [](const char* folder, const char* file, int32_t size) { return MakeRecord<R>(folder, file, size); };
  struct Case {
    const char* what;
    std::vector<uint8_t> block;
    std::vector<std::string> names;
  } cases[] = {
      {"members, a folder, an empty file",
       Block<R>(
           {Record("dir\\", "", 0), Record("dir\\", "a.jpg", 10), Record("", "empty", 0), Record("", "b.jpg", 1), R{}}),
       {"dir\\a.jpg", "b.jpg"}},
      {"a nameless record is passed over, not taken as the end",
       Block<R>({Record("", "a", 1), Record("", "", 7), Record("", "b", 2), R{}}),
       {"a", "b"}},
      {"only sizes of 0 or less", Block<R>({Record("", "a", 0), Record("", "b", -5), R{}}), {}},
      {"records after the end are not read", Block<R>({Record("", "a", 1), R{}, Record("", "b", 1)}), {"a"}},
      {"no ending record", Block<R>({Record("", "a", 1), Record("", "b", 2)}), {"a", "b"}},
      {"a cut-off record at the end",
       [&] {
         auto b = Block<R>({Record("", "a", 1), Record("", "b", 2)});
         b.resize(b.size() - 1);
         return b;
       }(),
       {"a"}},
      {"an empty block", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<FileEntry[]> entries;
    ASSERT_EQ(ConvertArchiveEntries<R>(c.block.data(), c.block.size(), entries), 0);
    ASSERT_NE(entries, nullptr);
    size_t i = 0;
    for (; i < c.names.size(); ++i) EXPECT_EQ(std::string(entries[i].Name), c.names[i]);
    EXPECT_EQ(entries[i].Name[0], '\0');
  }
}

TYPED_TEST(ArchiveRecords, NamesJoinBothFieldsAndStopAt255Bytes) {
  TypeParam full = MakeRecord<TypeParam>("", "", 1);
  std::memset(full.Path, 'a', sizeof full.Path);
  std::memset(full.FileName, 'b', sizeof full.FileName);
  EXPECT_EQ(MemberName(full), std::string(200, 'a') + std::string(55, 'b'));

  TypeParam longFolder = MakeRecord<TypeParam>("", "name", 1);
  std::memset(longFolder.Path, 'a', sizeof longFolder.Path);
  EXPECT_EQ(MemberName(longFolder), std::string(200, 'a') + "name");
}

// Records written byte by byte as plug-ins of each width lay them out, with
// whatever the fields the host does not read hold; a second, zeroed record
// ends each block.
TEST(ArchiveEntries, FieldsOfAMemberAtTheOffsetsOfEachWidth) {
  struct Width {
    const char* what;
    size_t record;  // bytes of a record
    size_t field;   // bytes of position, sizes and time
    size_t path;    // offset of the folder field
    bool wide;
  } widths[] = {{"32-bit", 428, 4, 24, false}, {"64-bit", 448, 8, 40, true}};
  for (const Width& w : widths) {
    SCOPED_TRACE(w.what);
    std::vector<uint8_t> block(2 * w.record, 0);
    std::memcpy(block.data(), "method!", 8);
    // A position past 4 GB and a time past 2038 where the record holds them.
    const uint64_t position = w.wide ? 0x123456789ull : 0x12345678u;
    const int64_t time = w.wide ? 4102444800LL : 86400;
    Put(block, 8, position, w.field);
    Put(block, 8 + w.field, 0xFFFFFFFFFFFFFFFFull, w.field);  // compressed size: not read
    Put(block, 8 + 2 * w.field, 42, w.field);
    Put(block, 8 + 3 * w.field, static_cast<uint64_t>(time), w.field);
    std::memcpy(block.data() + w.path, "d\\", 2);
    std::memcpy(block.data() + w.path + 200, "x.png", 5);
    Put(block, w.path + 400, 0xDEADBEEF, 4);              // CRC, or anything else
    if (w.wide) Put(block, w.path + 404, 0xA5A5A5A5, 4);  // padding that holds garbage
    std::unique_ptr<FileEntry[]> entries;
    ASSERT_EQ(w.wide ? ConvertArchiveEntries<SpiArchiveEntry64>(block.data(), block.size(), entries)
                     : ConvertArchiveEntries<SpiArchiveEntry32>(block.data(), block.size(), entries),
              0);
    EXPECT_STREQ(entries[0].Name, "d\\x.png");
    EXPECT_EQ(Time64(entries[0].Time), w.wide ? 157469184000000000ull : 116445600000000000ull);
    EXPECT_EQ(entries[0].Candidate, 1);
    // Only a 64-bit build's list holds a position past 4 GB.
    if (sizeof(SpiPosition) == 8 || !w.wide) {
      EXPECT_EQ(entries[0].Position, position);
    }
    EXPECT_EQ(entries[1].Name[0], '\0');

    // A size of 4 GB or more is no size of 0 or less: the member is listed.
    Put(block, 8 + 2 * w.field, w.wide ? 0x100000000ull : 0x80000000u, w.field);
    ASSERT_EQ(w.wide ? ConvertArchiveEntries<SpiArchiveEntry64>(block.data(), block.size(), entries)
                     : ConvertArchiveEntries<SpiArchiveEntry32>(block.data(), block.size(), entries),
              0);
    EXPECT_EQ(entries[0].Name[0] != '\0', w.wide) << "a 32-bit size with its top bit set is negative";
  }
}

TEST(PluginPaths, OnlyFullPathsAreLoaded) {
  for (const char* full : {"C:\\p\\a.spi", "z:/p/a.spi", "\\\\server\\share\\a.spi"})
    EXPECT_TRUE(IsFullPluginPath(full));
  for (const char* other : {"a.spi", " C:\\p\\a.spi", "C:a.spi", "\\p\\a.spi", "p\\a.spi", "", "\\\\\\x"})
    EXPECT_FALSE(IsFullPluginPath(other)) << other;
}
