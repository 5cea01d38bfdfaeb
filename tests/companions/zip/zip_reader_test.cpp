// The ZIP directory reader and extractor on archives built in the test.
#include <gtest/gtest.h>

#include <cstring>

#include "companions/common/spi_codes.h"
#include "companions/zip/zip_entries.h"
#include "companions/zip/zip_extract.h"
#include "zip_builder.h"

namespace {

struct StringSink final : ByteSink {
  std::string Bytes;
  size_t Limit = SIZE_MAX;
  bool Write(const uint8_t* data, size_t size) override {
    if (Bytes.size() + size > Limit) return false;
    Bytes.append(reinterpret_cast<const char*>(data), size);
    return true;
  }
};

int32_t Members(const std::string& archive, std::vector<ZipMember>& members) {
  MemorySource source(archive.data(), archive.size());
  return ReadZipDirectory(source, members);
}

int32_t Extract(const std::string& archive, const ZipMember& member, std::string& out, const ZipProgress& p = nullptr) {
  MemorySource source(archive.data(), archive.size());
  StringSink sink;
  const int32_t code = ExtractZipMember(source, member, sink, p);
  out = sink.Bytes;
  return code;
}

// Compressible, but not trivially: every byte pattern occurs.
std::string Sample(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

ZipRecipe Recipe(const std::string& name, const std::string& data, uint16_t method = 8) {
  ZipRecipe r;
  r.Name = name;
  r.Data = data;
  r.Method = method;
  return r;
}

}  // namespace

TEST(ZipDirectory, EveryKindOfMemberIsListedAndReadBack) {
  ZipRecipe utf8 = Recipe("caf\xC3\xA9.txt", "utf8");
  utf8.Utf8 = true;
  ZipRecipe wide = Recipe("big/zip64.bin", Sample(70000));
  wide.Zip64 = true;
  ZipRecipe stamped = Recipe("stamped.txt", "t", 0);
  stamped.HasUnixTime = true;
  stamped.UnixTime = 1600000000;
  // A stub joined to an archive leaves its offsets counting from the
  // archive; builders of self-extracting archives make them count from the stub.
  const struct {
    std::string prefix;
    bool fromStub;
  } layouts[] = {{"", false}, {"MZ stub of a self-extracting archive", false}, {"MZ adjusted stub", true}};
  for (bool zip64End : {false, true}) {
    for (const auto& [prefix, fromStub] : layouts) {
      ZipBuilder zip;
      zip.Prefix = prefix;
      zip.OffsetsFromStub = fromStub;
      zip.Zip64End = zip64End;
      zip.File("stored.txt", "plain bytes", 0).File("pics/deflated.bin", Sample(100000)).Folder("pics/");
      zip.File("empty", "", 0).Add(utf8).Add(wide).Add(stamped);
      const std::string archive = zip.Bytes();
      SCOPED_TRACE(testing::Message() << "zip64 end " << zip64End << ", prefix " << prefix.size() << ", from stub "
                                      << fromStub);

      std::vector<ZipMember> m;
      ASSERT_EQ(Members(archive, m), kSpiSuccess);
      ASSERT_EQ(m.size(), 7u);
      EXPECT_EQ(m[0].Name, "stored.txt");
      EXPECT_EQ(m[0].Method, 0);
      EXPECT_EQ(m[0].HeaderOffset, prefix.size());
      EXPECT_EQ(m[1].Method, 8);
      EXPECT_EQ(m[1].Size, 100000u);
      EXPECT_LT(m[1].CompressedSize, m[1].Size);
      EXPECT_TRUE(m[2].Folder);
      EXPECT_FALSE(m[1].Folder);
      EXPECT_TRUE(m[4].Utf8);
      EXPECT_FALSE(m[0].Utf8);
      EXPECT_EQ(m[5].Size, 70000u);
      EXPECT_TRUE(m[6].HasUnixTime);
      EXPECT_EQ(m[6].UnixTime, 1600000000);
      EXPECT_EQ(m[0].DosDate, 0x50A6);
      EXPECT_EQ(m[0].DosTime, 0x3A21);

      const std::vector<std::string> contents = {"plain bytes", Sample(100000), "", "", "utf8", Sample(70000), "t"};
      for (size_t i = 0; i < m.size(); ++i) {
        std::string out;
        EXPECT_EQ(Extract(archive, m[i], out), kSpiSuccess) << m[i].Name;
        EXPECT_EQ(out, contents[i]) << m[i].Name;
      }
    }
  }
}

TEST(ZipDirectory, EndRecordIsSoughtInTheLast64KilobytesAndAComment) {
  const std::string zip = ZipBuilder().File("a", "a").Bytes();
  const std::string stub = "MZ" + std::string(100000, 'x');
  const struct {
    const char* what;
    std::string bytes;
    bool found;
  } cases[] = {
      {"archive", zip, true},
      {"behind a stub", stub + zip, true},
      {"followed by less than a comment's reach", stub + zip + std::string(65000, '\0'), true},
      {"buried deeper", stub + zip + std::string(70000, '\0'), false},
      {"comment past the end", zip.substr(0, zip.size() - 2) + std::string("\x10\0", 2), false},
      {"no archive", stub, false},
      {"empty", "", false},
  };
  for (const auto& c : cases) {
    MemorySource source(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(HasZipEndRecord(source), c.found) << c.what;
  }
}

TEST(ZipDirectory, AnEmptyArchiveHasNoMembers) {
  std::vector<ZipMember> m;
  EXPECT_EQ(Members(ZipBuilder().Bytes(), m), kSpiSuccess);
  EXPECT_TRUE(m.empty());
}

TEST(ZipDirectory, BrokenArchivesAreRefusedCleanly) {
  const std::string good = ZipBuilder().File("a.txt", Sample(5000)).File("b.txt", "bb", 0).Bytes();
  ZipBuilder outside;
  outside.File("a.txt", "x", 0).DirectoryOffset = 1 << 30;
  std::string multiDisk = good;
  multiDisk[multiDisk.size() - 22 + 4] = 1;
  std::string longDirectory = good;  // the directory's size reaches into the end record
  longDirectory[longDirectory.size() - 22 + 12] += 30;
  std::string badEntry = good;  // the second entry's signature destroyed
  badEntry[badEntry.rfind(std::string("PK\1\2", 4))] = 'X';
  std::string nameTooLong = good;  // a name length past the directory's end
  const size_t first = nameTooLong.find(std::string("PK\1\2", 4));
  nameTooLong[first + 29] = 0x7F;
  std::string localBeyond = good;  // a member said to lie inside the directory
  localBeyond[first + 44] = 0x7F;
  ZipRecipe missing64 = Recipe("a", "x", 0);
  missing64.Zip64 = true;
  std::string noZip64Field = ZipBuilder().Add(missing64).Bytes();
  noZip64Field[noZip64Field.find(std::string("\1\0\x18\0", 4))] = 9;  // the field becomes another kind
  ZipBuilder brokenLocator;
  brokenLocator.Zip64End = true;
  brokenLocator.File("a", "x", 0);
  std::string lostRecord = brokenLocator.Bytes();
  lostRecord[lostRecord.find(std::string("PK\6\6", 4))] = 'X';

  const struct {
    const char* what;
    std::string bytes;
    int32_t code;
  } cases[] = {
      {"no archive at all", "just some text, long enough to hold an end record", kSpiUnknownFormat},
      {"empty file", "", kSpiUnknownFormat},
      {"truncated archive", good.substr(0, good.size() / 2), kSpiBrokenData},
      {"end record cut", good.substr(0, good.size() - 3), kSpiBrokenData},
      {"directory outside the file", outside.Bytes(), kSpiBrokenData},
      {"directory larger than the room before it", longDirectory, kSpiBrokenData},
      {"several disks", multiDisk, kSpiUnknownFormat},
      {"entry without signature", badEntry, kSpiBrokenData},
      {"name past the directory", nameTooLong, kSpiBrokenData},
      {"member inside the directory", localBeyond, kSpiBrokenData},
      {"saturated fields without their ZIP64 values", noZip64Field, kSpiBrokenData},
      {"ZIP64 end record missing", lostRecord, kSpiBrokenData},
  };
  for (const auto& c : cases) {
    std::vector<ZipMember> m;
    EXPECT_EQ(Members(c.bytes, m), c.code) << c.what;
    if (c.code != kSpiSuccess) {
      EXPECT_TRUE(m.empty()) << c.what;
    }
  }
}

TEST(ZipExtract, MembersThatCannotBeReadAreRefusedWithTheirCode) {
  ZipRecipe wrongCrc = Recipe("crc", Sample(3000));
  wrongCrc.WrongCrc = true;
  ZipRecipe encrypted = Recipe("secret", "ciphertext", 0);
  encrypted.Encrypted = true;
  ZipRecipe bzip2 = Recipe("bz", "data", 12);
  ZipRecipe huge = Recipe("huge", Sample(100));
  huge.DeclaredSize = (1ll << 30) + 1;
  ZipRecipe declaredBomb = Recipe("declared", Sample(100));  // 900 MB said to come from a few bytes
  declaredBomb.DeclaredSize = 900ll << 20;
  ZipRecipe ratioBomb = Recipe("ratio", std::string(20 << 20, 'z'));  // 20 MB in, declared 1000
  ratioBomb.DeclaredSize = 1000;
  const std::string stream = Deflate(Sample(5000));
  ZipRecipe shortStream = Recipe("short", stream.substr(0, stream.size() / 2));
  shortStream.RawStream = true;
  shortStream.DeclaredSize = 5000;
  ZipRecipe notDeflate = Recipe("garbage", "\xFF\xFF\xFF\xFF this is no deflate stream");
  notDeflate.RawStream = true;
  ZipRecipe tooLarge = Recipe("claims more", Sample(1000));
  tooLarge.DeclaredSize = 2000;
  ZipRecipe storedMismatch = Recipe("stored", Sample(1000), 0);
  storedMismatch.DeclaredSize = 999;

  const struct {
    ZipRecipe recipe;
    int32_t code;
  } cases[] = {
      {wrongCrc, kSpiUnknownFormat},  {encrypted, kSpiUnknownFormat},
      {bzip2, kSpiUnknownFormat},     {huge, kSpiNoMemory},
      {declaredBomb, kSpiBrokenData}, {ratioBomb, kSpiBrokenData},
      {shortStream, kSpiBrokenData},  {notDeflate, kSpiBrokenData},
      {tooLarge, kSpiBrokenData},     {storedMismatch, kSpiBrokenData},
  };
  for (const auto& c : cases) {
    const std::string archive = ZipBuilder().Add(c.recipe).Bytes();
    std::vector<ZipMember> m;
    ASSERT_EQ(Members(archive, m), kSpiSuccess) << c.recipe.Name;
    ASSERT_EQ(m.size(), 1u);
    std::string out;
    EXPECT_EQ(Extract(archive, m[0], out), c.code) << c.recipe.Name;
    // Never more than the member declares reaches the output.
    EXPECT_LE(out.size(), m[0].Size) << c.recipe.Name;
  }
}

TEST(ZipExtract, BrokenLocalHeadersAndCutDataAreBrokenData) {
  const std::string archive = ZipBuilder().File("a.bin", Sample(4000)).Bytes();
  std::vector<ZipMember> m;
  ASSERT_EQ(Members(archive, m), kSpiSuccess);
  std::string out;
  std::string noSignature = archive;
  noSignature[0] = 'X';
  EXPECT_EQ(Extract(noSignature, m[0], out), kSpiBrokenData);
  ZipMember beyond = m[0];
  beyond.CompressedSize = archive.size();
  EXPECT_EQ(Extract(archive, beyond, out), kSpiBrokenData);
  ZipMember lost = m[0];
  lost.HeaderOffset = archive.size() - 10;
  EXPECT_EQ(Extract(archive, lost, out), kSpiBrokenData);
}

TEST(ZipExtract, ProgressIsReportedAndCanCancelAndARefusingSinkStops) {
  const std::string data = Sample(300000);
  const std::string archive = ZipBuilder().File("a.bin", data).Bytes();
  std::vector<ZipMember> m;
  ASSERT_EQ(Members(archive, m), kSpiSuccess);
  std::vector<uint64_t> seen;
  std::string out;
  ASSERT_EQ(Extract(archive, m[0], out,
                    [&](uint64_t done, uint64_t total) {
                      EXPECT_EQ(total, data.size());
                      seen.push_back(done);
                      return true;
                    }),
            kSpiSuccess);
  ASSERT_GT(seen.size(), 1u);
  EXPECT_EQ(seen.back(), data.size());
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(Extract(archive, m[0], out, [](uint64_t, uint64_t) { return false; }), kSpiCancelled);

  MemorySource source(archive.data(), archive.size());
  StringSink full;
  full.Limit = 1000;
  EXPECT_EQ(ExtractZipMember(source, m[0], full), kSpiWriteError);
}

TEST(ZipEntries, NamesSplitIntoFolderAndFileAndFieldsAreFilled) {
  const struct {
    const char* name;
    const char* folder;
    const char* file;
  } splits[] = {{"a.png", "", "a.png"},
                {"sub/a.png", "sub\\", "a.png"},
                {"x/y/z/", "x\\y\\z\\", ""},
                {"win\\style.png", "", "win\\style.png"}};
  for (const auto& s : splits) {
    std::string folder, file;
    SplitMemberName(s.name, folder, file);
    EXPECT_EQ(folder, s.folder) << s.name;
    EXPECT_EQ(file, s.file) << s.name;
  }

  // Names written into a folder as they are, or refused.
  const auto shiftJisLead = [](uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); };
  const struct {
    const char* name;
    bool plain;
  } files[] = {
      {"a.png", true},      {".hidden", true},      {"console.txt", true}, {"com0", true},        {"lpt10.txt", true},
      {"con_.txt", true},   {"\x95\x5C.png", true}, {"x\x95\x5C", true},   {"", false},           {".", false},
      {"..", false},        {"a\\b", false},        {"c:x", false},        {"a?b", false},        {"tab\tname", false},
      {"con", false},       {"CON", false},         {"nul.txt", false},    {"Aux.tar.gz", false}, {"prn .png", false},
      {"com1", false},      {"LPT9.log", false},    {"conout$", false},    {"picture.", false},   {"picture ", false},
      {"\x95\x5C.", false}, {"\x95", true},
  };
  for (const auto& f : files) EXPECT_EQ(IsPlainFileName(f.name, shiftJisLead), f.plain) << f.name;

  ZipMember member;
  member.Method = 8;
  member.Size = 5000000000ull;
  member.CompressedSize = 123;
  member.Crc = 0xDEADBEEF;
  // What each width's record can hold of a member past 4 GB and a time past 2038.
  SpiArchiveEntry32 narrow;
  FillArchiveEntry(member, std::string(250, 'f'), std::string(200, 'n'), 4102444800LL, 0x100000007ull, narrow);
  EXPECT_EQ(narrow.Position, UINT32_MAX);
  EXPECT_EQ(narrow.FileSize, INT32_MAX);
  EXPECT_EQ(narrow.Time, INT32_MAX);
  SpiArchiveEntry64 wide;
  std::memset(&wide, 0xA5, sizeof wide);
  FillArchiveEntry(member, std::string(250, 'f'), std::string(200, 'n'), 4102444800LL, 0x100000007ull, wide);
  EXPECT_EQ(wide.Position, 0x100000007ull);
  EXPECT_EQ(wide.FileSize, 5000000000LL);
  EXPECT_EQ(wide.Time, 4102444800LL);
  EXPECT_EQ(wide.Padding[0] | wide.Padding[3], 0) << "the record is cleared first";
  auto sameTexts = [](const auto& e) {
    EXPECT_STREQ(reinterpret_cast<const char*>(e.Method), "Deflate");
    EXPECT_EQ(e.CompressedSize, 123u);
    EXPECT_EQ(e.Crc, 0xDEADBEEF);
    EXPECT_EQ(std::string(e.Path, sizeof e.Path), std::string(200, 'f'));
    EXPECT_EQ(std::string(e.FileName, sizeof e.FileName), std::string(200, 'n'));
  };
  sameTexts(narrow);
  sameTexts(wide);
  SpiArchiveEntry e;
  member.Method = 14;
  FillArchiveEntry(member, "", "a", -86400, 0, e);
  EXPECT_STREQ(reinterpret_cast<const char*>(e.Method), "M14");
  EXPECT_EQ(e.Path[0], 0);
  EXPECT_EQ(e.Time, -86400);
}

TEST(ZipEntries, HeadersOfArchivesAreRecognised) {
  const struct {
    std::string bytes;
    bool zip;
  } cases[] = {{std::string("PK\3\4\x14\0", 6), true},
               {std::string("PK\5\6", 4), true},
               {std::string("PK\7\x8PK\3\4", 8), true},
               {std::string("PK\7\x8", 4), false},
               {std::string("PK\1\2", 4), false},
               {"MZ\x90", false},
               {"PK", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(IsZipHeader(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()), c.zip) << c.bytes;
  }
}
