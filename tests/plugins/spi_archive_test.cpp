// Listing and extracting archive members through the test tar plug-in.
#include <gtest/gtest.h>

#include "framework/handles.h"
#include "plugin_test_util.h"
#include "plugins/spi_api.h"
#include "plugins/spi_util.h"
#include "win_test_util.h"

namespace {

uint64_t Time64(const FileTime& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

std::vector<std::string> Names(const std::unique_ptr<FileEntry[]>& entries) {
  std::vector<std::string> names;
  for (size_t i = 0; entries[i].Name[0]; ++i) names.push_back(entries[i].Name);
  return names;
}

}  // namespace

TEST(ReadArchiveEntries, MembersWithSizeGetNamesTimesAndPositions) {
  const std::string picture = PnmFile(false, 1, 1, {77});
  TarBuilder tar;
  tar.AddFolder("dir/", 5);
  const uint32_t first = tar.AddFile("dir/a.pgm", picture, 86400);
  tar.AddFile("empty.txt", "", 7);
  const uint32_t second = tar.AddFile("b.pgm", picture + "tail", 0);
  TempDir dir;
  const std::string archive = dir.Write("pictures.tar", tar.Bytes());

  ModuleHandle plugin = LoadPluginModule(TestSpi("orvtar"));
  ASSERT_TRUE(plugin);
  std::unique_ptr<FileEntry[]> entries;
  ASSERT_EQ(ReadArchiveEntries(plugin.get(), archive, entries), 0);
  ASSERT_NE(entries, nullptr);
  ASSERT_EQ(Names(entries), (std::vector<std::string>{"dir\\a.pgm", "b.pgm"}));
  EXPECT_EQ(Time64(entries[0].Time), 116445600000000000ull);
  EXPECT_EQ(Time64(entries[1].Time), 116444736000000000ull);
  EXPECT_EQ(entries[0].Position, first);
  EXPECT_EQ(entries[1].Position, second);
  EXPECT_EQ(entries[0].Candidate, 1);

  std::vector<uint8_t> member;
  ASSERT_EQ(ExtractMember(plugin.get(), archive, second, member), 0);
  EXPECT_EQ(std::string(member.begin(), member.end()), picture + "tail");

  // The extracted member decodes like a file of its own.
  ASSERT_EQ(ExtractMember(plugin.get(), archive, first, member), 0);
  ModuleHandle pnm = LoadPluginModule(TestSpi("orvpnm"));
  TDecodedPicture decoded;
  ASSERT_EQ(DecodePicture(pnm.get(), member.data(), member.size(), decoded), 0);
  EXPECT_EQ(static_cast<uint8_t*>(decoded.Bits)[0], 77);
  LocalUnlock(static_cast<HLOCAL>(decoded.BitsHandle));
  LocalFree(static_cast<HLOCAL>(decoded.BitsHandle));
}

// A member of a huge archive: past 4 GB and after 2038, where the record of
// this width holds it (a 32-bit record takes a 32-bit time's wrap).
TEST(ReadArchiveEntries, PositionsAndTimesAsWideAsTheRecordCarriesThem) {
  const std::string picture = PnmFile(false, 1, 1, {99});
  TarBuilder tar;
  const uint32_t first = tar.AddFile("a.pgm", picture, 4102444800u);  // 2100-01-01
  const uint32_t second = tar.AddFile("b.pgm", picture + "2", 0);
  TempDir dir;
  const std::string archive = dir.Write("huge.far.tar", tar.Bytes());
  ModuleHandle plugin = LoadPluginModule(TestSpi("orvtar"));
  std::unique_ptr<FileEntry[]> entries;
  ASSERT_EQ(ReadArchiveEntries(plugin.get(), archive, entries), 0);
  ASSERT_EQ(Names(entries), (std::vector<std::string>{"a.pgm", "b.pgm"}));
  const uint64_t shift = kSpiWide ? 1ull << 32 : 0;
  EXPECT_EQ(entries[0].Position, first + shift);
  EXPECT_EQ(entries[1].Position, second + shift);
  EXPECT_EQ(Time64(entries[0].Time), kSpiWide ? 157469184000000000ull : 114519511040000000ull);
  std::vector<uint8_t> member;
  ASSERT_EQ(ExtractMember(plugin.get(), archive, entries[1].Position, member), 0);
  EXPECT_EQ(std::string(member.begin(), member.end()), picture + "2");
}

TEST(ReadArchiveEntries, UnusualBlocksFromPlugins) {
  TarBuilder emptyMembers;
  emptyMembers.AddFolder("dir/", 0);
  emptyMembers.AddFile("dir/empty", "", 0);
  struct Case {
    const char* what;
    std::string file;
    int32_t code;
    bool array;
    std::vector<std::string> names;
  } cases[] = {
      {"only folders and empty members", emptyMembers.Bytes(), 0, true, {}},
      {"both name fields full", "ORVTEST longnames", 0, true, {std::string(200, 'a') + std::string(55, 'b')}},
      {"no ending record", "ORVTEST noend", 0, true, {"x", "y"}},
      {"success without a block", "ORVTEST nullhandle", 0, false, {}},
      {"an error", "ORVTEST error 6", 6, false, {}},
      {"an error outside the table", "ORVTEST error -1", -1, false, {}},
  };
  ModuleHandle plugin = LoadPluginModule(TestSpi("orvtar"));
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<FileEntry[]> entries;
    EXPECT_EQ(ReadArchiveEntries(plugin.get(), dir.Write("a.tar", c.file), entries), c.code);
    ASSERT_EQ(entries != nullptr, c.array);
    if (c.array) {
      EXPECT_EQ(Names(entries), c.names);
    }
  }
}

TEST(ExtractMember, PluginCodesComeBackWithNoData) {
  ModuleHandle plugin = LoadPluginModule(TestSpi("orvtar"));
  TempDir dir;
  for (int code : {-1, 1, 6, 10, 11}) {
    std::vector<uint8_t> member{1, 2, 3};
    EXPECT_EQ(ExtractMember(plugin.get(), dir.Write("a.tar", "ORVTEST fileerror " + std::to_string(code)), 512, member),
              code);
    EXPECT_TRUE(member.empty());
  }
}
