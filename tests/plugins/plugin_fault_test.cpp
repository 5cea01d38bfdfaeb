// Plug-ins that fault in each of their exports, in each of the ways native
// code faults, called through the host: every fault ends that call only, is
// reported where a decode, listing or extraction failed, and the plug-in is
// never called again nor unloaded.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "plugin_test_util.h"
#include "plugins/plugin_table_win.h"
#include "plugins/spi_api.h"
#include "plugins/spi_util.h"
#include "win_test_util.h"

namespace {

const char kFile[] = "C:\\pictures\\f.fault";

struct TKind {
  const char* Name;
  DWORD Code;
};

const TKind kKinds[] = {
    {"nullwrite", EXCEPTION_ACCESS_VIOLATION},
    {"divzero", EXCEPTION_INT_DIVIDE_BY_ZERO},
    {"ud2", EXCEPTION_ILLEGAL_INSTRUCTION},
    {"privileged", EXCEPTION_PRIV_INSTRUCTION},
#if defined(__i386__)
    {"overflow", EXCEPTION_STACK_OVERFLOW},  // 64-bit Wine ends the process instead
#endif
    {"msvcthrow", 0xE06D7363},
    {"delphi", 0x0EEDFADE},
    {"alloc", EXCEPTION_ACCESS_VIOLATION},
#if defined(__SEH__)
    {"gccthrow", 0x20474343},  // this compiler's throw, where it goes through the system's dispatch
#endif
};

std::string FaultBox(const std::string& name, const std::string& plugin, DWORD code) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(code));
  return name + ":\r\n" + plugin + " stopped with a fault (" + hex + ")";
}

// What the host made of the plug-in, step by step, as the viewer calls it:
// the probe, then the calls of the kind it claimed.
std::string Drive(const std::string& exportName, const std::string& path) {
  TPlugin& plugin = PluginRecord(path);
  if (exportName == "config") {
    ShowPluginConfig(GetDesktopWindow(), plugin);
    return "config";
  }
  ProbeHeader header("FAULTME");
  const int32_t kind = ProbePlugin(plugin, kFile, header.Bytes);
  std::string seen = "probe " + std::to_string(kind);
  if (kind == kPluginPicture && exportName == "desc")
    return seen + ", description '" + GetPluginDescription(plugin) + "'";
  if (kind == kPluginPicture) {
    TDecodedPicture picture;
    const int32_t code = DecodePicture(plugin, reinterpret_cast<const uint8_t*>("FAULTME"), 7, picture);
    if (code != 0) ShowPluginError(kFile, code);
    if (picture.BitsHandle) {
      LocalUnlock(static_cast<HLOCAL>(picture.BitsHandle));
      LocalFree(static_cast<HLOCAL>(picture.BitsHandle));
    }
    return seen + (code == kSpiFault ? ", decode fault" : ", decode " + std::to_string(code));
  }
  if (kind == kPluginArchive) {
    std::unique_ptr<FileEntry[]> entries;
    int32_t code = ReadArchiveEntries(plugin, kFile, entries);
    if (code != 0) {
      ShowPluginError(kFile, code);
      EXPECT_EQ(entries, nullptr);
      return seen + (code == kSpiFault ? ", list fault" : ", list " + std::to_string(code));
    }
    TMemberBlock member;
    code = ExtractMember(plugin, kFile, entries[0].Position, member);
    if (code != 0) ShowPluginError(kFile, code);
    EXPECT_EQ(member.empty(), code != 0);
    return seen + ", list " + entries[0].Name + (code == kSpiFault ? ", extract fault" : ", extract");
  }
  return seen;
}

// The blocks a plug-in had handed out before it faulted (logged as "alloc(hex)").
std::vector<HLOCAL> AllocatedBlocks(const std::string& log) {
  std::vector<HLOCAL> blocks;
  for (size_t at = log.find("alloc("); at != std::string::npos; at = log.find("alloc(", at + 1))
    blocks.push_back(reinterpret_cast<HLOCAL>(static_cast<uintptr_t>(std::stoull(log.substr(at + 6), nullptr, 16))));
  return blocks;
}

}  // namespace

TEST(PluginFaults, EachExportEachKindIsContainedReportedOnceAndNeverCalledAgain) {
  TempDir dir;
  struct Case {
    const char* exportName;
    std::string first;  // what the host makes of the plug-in when it faults
    bool boxed;         // whether the user hears of it
  } cases[] = {
      {"info", "probe 0", false},
      {"supported", "probe 0", false},
      {"desc", "probe 1, description ''", false},
      {"pictureinfo", "probe 1, decode fault", true},
      {"picture", "probe 1, decode fault", true},
      {"archiveinfo", "probe 2, list fault", true},
      {"file", "probe 2, list member.ppm, extract fault", true},
      {"config", "config", true},
  };
  for (const Case& c : cases) {
    for (const TKind& kind : kKinds) {
      const std::string plugin = std::string(c.exportName) + "-" + kind.Name;
      SCOPED_TRACE(plugin);
      const std::string path = FaultySpi(dir, c.exportName, kind.Name);
      BoxCapture box;
      ClearSpiLog();
      EXPECT_EQ(Drive(c.exportName, path), c.first);
      const std::string log = SpiLog();
      EXPECT_NE(log.find(plugin + ":" + (c.exportName == std::string("desc") ? "desc" : c.exportName)),
                std::string::npos)
          << log;
      // The unwind runs the destructors of the plug-in's own frames.
      if (kind.Name == std::string("gccthrow")) {
        EXPECT_NE(log.find(plugin + ":cleanup"), std::string::npos);
      }
      EXPECT_EQ(box.Last.Count, c.boxed ? 1 : 0);
      if (c.boxed) {
        const std::string name = c.exportName == std::string("config") ? path : kFile;
        EXPECT_EQ(box.Last.Text, FaultBox(name, plugin + kPluginSuffix, kind.Code));
        EXPECT_EQ(box.Last.Caption, "Orv");
      }
      // Whatever the plug-in had allocated before it faulted is left to it.
      for (HLOCAL block : AllocatedBlocks(log)) EXPECT_FALSE(IsFreedLocal(block));

      // The second time nothing of it runs: a probe passes it over, and only
      // the settings dialog the user asks for says why.
      EXPECT_EQ(Drive(c.exportName, path), c.exportName == std::string("config") ? "config" : "probe 0");
      EXPECT_EQ(SpiLog(), log);
      EXPECT_EQ(box.Last.Count, c.exportName == std::string("config") ? 2 : (c.boxed ? 1 : 0));
      EXPECT_NE(GetModuleHandleA(path.c_str()), nullptr);  // never unloaded
      if (c.exportName != std::string("config")) {
        EXPECT_EQ(PluginRecord(path).State, TPluginState::Faulted);
      }
    }
  }
}

TEST(PluginFaults, ExceptionsAPluginHandlesItselfLeaveItInService) {
  TempDir dir;
  for (const char* exportName : {"info", "supported", "desc", "pictureinfo", "picture", "archiveinfo", "file"}) {
    SCOPED_TRACE(exportName);
    const std::string path = FaultySpi(dir, exportName, "handled");
    BoxCapture box;
    ClearSpiLog();
    const bool archive = exportName == std::string("archiveinfo") || exportName == std::string("file");
    const std::string expected = archive ? "probe 2, list member.ppm, extract"
                                 : exportName == std::string("desc")
                                     ? "probe 1, description 'Orv test plug-in that faults'"
                                     : "probe 1, decode 0";
    EXPECT_EQ(Drive(exportName, path), expected);
    EXPECT_EQ(Drive(exportName, path), expected);
    EXPECT_EQ(SpiLog().find("unmapped-writable"), std::string::npos);
    EXPECT_EQ(box.Last.Count, 0);
    EXPECT_EQ(PluginRecord(path).State, TPluginState::Loaded);
  }
}

TEST(PluginFaults, OwnCodeEqualToTheHostsFaultCodeIsAnUnknownError) {
  ModuleHandle pnm = LoadPluginModule(TestSpi("orvpnm"));
  const std::string file = "ORVTEST pictureerror " + std::to_string(kSpiFault) + "\n" + PnmFile(false, 1, 1, {0});
  TDecodedPicture picture;
  EXPECT_EQ(DecodePicture(pnm.get(), reinterpret_cast<const uint8_t*>(file.data()), file.size(), picture), -1);
}
