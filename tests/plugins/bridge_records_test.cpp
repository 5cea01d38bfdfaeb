// 32-bit test plug-ins called by the 64-bit host through the plug-in table,
// which takes them to the helper process: what comes back is what the same
// plug-ins give in their own width's host, faults and codes included.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "bridge_test_util.h"
#include "image/img.h"
#include "plugins/bridge_host_win.h"
#include "plugins/plugin_table_win.h"
#include "plugins/spi_util.h"
#include "win_test_util.h"

namespace {

const std::string kP6 = PnmFile(true, 2, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30});
const std::string kP5 = PnmFile(false, 3, 1, {0, 128, 255});

class BridgeRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    ORV_SKIP_WITHOUT_32BIT();
    UseBuiltHelper();
  }
};

int32_t Decode(TPlugin& plugin, const std::string& file, TDecodedPicture& picture) {
  return DecodePicture(plugin, reinterpret_cast<const uint8_t*>(file.data()), file.size(), picture);
}

std::string FaultBox(const std::string& name, const std::string& plugin, DWORD code) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(code));
  return name + ":\r\n" + plugin + " stopped with a fault (" + hex + ")";
}

}  // namespace

TEST_F(BridgeRecords, PicturesArrivePixelExactWithHeaderDepthAndText) {
  TPlugin& pnm = PluginRecord(Spi32("orvpnm"));
  ProbeHeader header(kP6);
  ASSERT_EQ(ProbePlugin(pnm, "C:\\pictures\\a.ppm", header.Bytes), kPluginPicture);
  EXPECT_TRUE(pnm.Bridged);
  EXPECT_EQ(pnm.Module, nullptr);
  EXPECT_EQ(GetPluginDescription(pnm), "Orv test PNM reader");
  EXPECT_EQ(PluginModulePath(pnm), Spi32("orvpnm"));
  struct Case {
    std::string file;
    int32_t code;
    uint16_t bitCount;
    std::vector<uint8_t> bits;  // DIB rows, bottom-up, blue first, padded to 4 bytes
    std::string text;
  } cases[] = {
      {kP6, 0, 24, {255, 0, 0, 30, 20, 10, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0}, "PNM P6\nwidth 2\nheight 2"},
      {"ORVTEST fixed\n" + kP6, 0, 24, {255, 0, 0, 30, 20, 10, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0},
       "PNM P6\nwidth 2\nheight 2"},
      {"ORVTEST oversized\n" + kP6, 0, 24, {255, 0, 0, 30, 20, 10, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0},
       "PNM P6\nwidth 2\nheight 2"},
      {kP5, 0, 8, {0, 128, 255, 0}, "PNM P5\nwidth 3\nheight 1"},
      // The host's rules hold for what the helper sends as for the plug-in's own blocks.
      {"ORVTEST nullbits\n" + kP6, 3, 0, {}, ""},
      {"ORVTEST shortbits\n" + kP6, 3, 0, {}, ""},
      {"ORVTEST pictureerror 6\n" + kP6, 6, 0, {}, ""},
      {"ORVTEST infoerror " + std::to_string(kSpiFault) + "\n" + kP6, -1, 0, {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file.substr(0, 24));
    TDecodedPicture picture;
    ASSERT_EQ(Decode(pnm, c.file, picture), c.code);
    if (c.code != 0) {
      EXPECT_EQ(picture.Bits, nullptr);
      continue;
    }
    EXPECT_TRUE(picture.BitsMapped);
    EXPECT_EQ(picture.BitsHandle, nullptr);
    EXPECT_EQ(picture.Info.bmiHeader.biBitCount, c.bitCount);
    EXPECT_EQ(picture.ColorBits, c.bitCount);
    EXPECT_EQ(picture.TextInfo, c.text);
    ASSERT_EQ(picture.BitsSize, static_cast<int32_t>(c.bits.size()));
    EXPECT_EQ(std::memcmp(picture.Bits, c.bits.data(), c.bits.size()), 0);
    if (c.bitCount == 8) {
      EXPECT_EQ(DibColor(picture.Info, 200).rgbGreen, 200);
    }
    // Held and freed as the picture's block, like any other.
    TImg img;
    InstallImg(img, picture, reinterpret_cast<const uint8_t*>(c.file.data()), c.file.size());
    FreeImg(img);
  }
  EXPECT_EQ(pnm.State, TPluginState::Loaded);
}

TEST_F(BridgeRecords, ArchiveMembersAreListedAndExtractedExactly) {
  const std::string picture = PnmFile(false, 1, 1, {77});
  TarBuilder tar;
  tar.AddFolder("dir/", 5);
  const uint32_t first = tar.AddFile("dir/a.pgm", picture, 86400);
  const uint32_t second = tar.AddFile("b.pgm", picture + "tail", 0);
  TempDir dir;
  const std::string archive = dir.Write("pictures.tar", tar.Bytes());
  TPlugin& plugin = PluginRecord(Spi32("orvtar"));
  ProbeHeader header(tar.Bytes());
  ASSERT_EQ(ProbePlugin(plugin, archive, header.Bytes), kPluginArchive);
  std::unique_ptr<FileEntry[]> entries;
  ASSERT_EQ(ReadArchiveEntries(plugin, archive, entries), 0);
  ASSERT_NE(entries, nullptr);
  EXPECT_EQ(std::string(entries[0].Name), "dir\\a.pgm");
  EXPECT_EQ(std::string(entries[1].Name), "b.pgm");
  EXPECT_EQ(entries[2].Name[0], '\0');
  EXPECT_EQ(entries[0].Position, first);
  EXPECT_EQ(entries[1].Position, second);
  EXPECT_EQ(entries[0].Time.dwLowDateTime, static_cast<uint32_t>(116445600000000000ull));
  TMemberBlock member;
  ASSERT_EQ(ExtractMember(plugin, archive, second, member), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(member.data()), member.size()), picture + "tail");
  EXPECT_EQ(ExtractMember(plugin, dir.Write("bad.tar", "ORVTEST fileerror 9"), 512, member), 9);
  EXPECT_TRUE(member.empty());
  EXPECT_EQ(ReadArchiveEntries(plugin, dir.Write("e.tar", "ORVTEST error 6"), entries), 6);
  EXPECT_EQ(entries, nullptr);
}

TEST_F(BridgeRecords, FaultsInTheHelperAreReportedOnceAndStopThePlugin) {
  TempDir dir;
  const char kFile[] = "C:\\pictures\\f.fault";
  const std::string image = "FAULTME";
  struct Case {
    const char* exportName;
    const char* kind;
    DWORD code;
  } cases[] = {
      {"pictureinfo", "nullwrite", EXCEPTION_ACCESS_VIOLATION},
      {"picture", "divzero", EXCEPTION_INT_DIVIDE_BY_ZERO},
      {"picture", "msvcthrow", 0xE06D7363},
      {"archiveinfo", "ud2", EXCEPTION_ILLEGAL_INSTRUCTION},
      {"file", "delphi", 0x0EEDFADE},
  };
  for (const Case& c : cases) {
    const std::string name = std::string(c.exportName) + "-" + c.kind;
    SCOPED_TRACE(name);
    const std::string path = Spi32Copy(dir, "faulty", name);
    TPlugin& plugin = PluginRecord(path);
    ProbeHeader header(image);
    const int32_t kind = ProbePlugin(plugin, kFile, header.Bytes);
    BoxCapture box;
    int32_t code;
    if (kind == kPluginPicture) {
      TDecodedPicture picture;
      code = Decode(plugin, image, picture);
    } else {
      ASSERT_EQ(kind, kPluginArchive);
      std::unique_ptr<FileEntry[]> entries;
      code = ReadArchiveEntries(plugin, kFile, entries);
      if (code == 0) {
        TMemberBlock member;
        code = ExtractMember(plugin, kFile, entries[0].Position, member);
      }
    }
    ASSERT_EQ(code, kSpiFault);
    ShowPluginError(kFile, code);
    ShowPluginError(kFile, code);
    EXPECT_EQ(box.Last.Count, 1);
    EXPECT_EQ(box.Last.Text, FaultBox(kFile, name + ".spi", c.code));
    EXPECT_EQ(plugin.State, TPluginState::Faulted);
    EXPECT_EQ(ProbePlugin(plugin, kFile, header.Bytes), kPluginNone);
    // Its settings say why it is out of service.
    ShowPluginConfig(nullptr, plugin);
    EXPECT_EQ(box.Last.Text, FaultBox(path, name + ".spi", c.code));
  }
  // The other plug-ins of the helper go on.
  TDecodedPicture picture;
  EXPECT_EQ(Decode(PluginRecord(Spi32("orvpnm")), kP5, picture), 0);
  FreeDecodedPicture(picture);
}

TEST_F(BridgeRecords, SettingsDialogsAreOwnedByTheViewersWindow) {
  HWND owner = CreateWindowA("STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  BoxCapture box;
  // The plug-in sends the owner its text from the helper: the waiting viewer answers.
  ShowPluginConfig(owner, PluginRecord(Spi32("bridgetest")));
  char text[64] = {};
  GetWindowTextA(owner, text, sizeof text);
  EXPECT_STREQ(text, "bridge config 1");
  EXPECT_EQ(box.Last.Count, 0);
  ShowPluginConfig(owner, PluginRecord(Spi32("orvtar")));
  EXPECT_EQ(box.Last.Text, "Configuration Dialog is not implemented.");
  EXPECT_EQ(box.Last.Owner, owner);
  DestroyWindow(owner);
}

TEST_F(BridgeRecords, TheHelperCallsTheWideExportWhenAskedAndThePluginHasIt) {
  const std::wstring wideName = L"C:\\pictures\\\x263A.bridge";
  struct Case {
    std::string plugin;
    bool wide;
    int32_t answer;  // the bridge test plug-in answers 2 from IsSupportedW, 1 from IsSupported
  } cases[] = {
      {Spi32("bridgetest"), false, 1},
      {Spi32("bridgetest"), true, 2},
      {Spi32("orvpnm"), true, 1},  // no wide export: the name goes in the system code page
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plugin + (c.wide ? " wide" : ""));
    TBridgeCall load;
    load.Op = TBridgeOp::Load;
    load.Name = c.plugin;
    TBridgeAnswer loaded;
    ASSERT_EQ(CallHelper(load, loaded), THelperOutcome::Answered);
    ASSERT_EQ(loaded.End, TBridgeEnd::Returned);
    TBridgeCall probe;
    probe.Op = TBridgeOp::Probe;
    probe.Slot = loaded.Slot;
    probe.WideName = c.wide;
    probe.Name = c.wide ? std::string(reinterpret_cast<const char*>(wideName.data()), wideName.size() * 2)
                        : std::string("C:\\pictures\\a.bridge");
    probe.Header = std::string(c.plugin == Spi32("orvpnm") ? kP6 : "ORVBRIDGE plain");
    probe.Header.resize(kBridgeProbeHeader);
    TBridgeAnswer answer;
    ASSERT_EQ(CallHelper(probe, answer), THelperOutcome::Answered);
    EXPECT_EQ(answer.End, TBridgeEnd::Returned);
    EXPECT_EQ(answer.Code, c.answer);
  }
}
