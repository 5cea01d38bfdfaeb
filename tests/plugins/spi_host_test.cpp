// Probing and decoding through real test plug-ins, well-behaved and not.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "framework/handles.h"
#include "image/img.h"
#include "plugin_test_util.h"
#include "plugins/plugin_table_win.h"
#include "plugins/spi_api.h"
#include "plugins/spi_util.h"
#include "win_test_util.h"

namespace {

const std::string kP6 = PnmFile(true, 2, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30});
const std::string kP5 = PnmFile(false, 3, 1, {0, 128, 255});

ModuleHandle Load(const std::string& name) { return LoadPluginModule(TestSpi(name)); }

void Handles(HMODULE pnm, HLOCAL (&handles)[3]) {
  using Proc = void(__stdcall*)(HLOCAL*);
  GetExport<Proc>(pnm, "OrvTestHandles")(handles);
}

int32_t Decode(HMODULE plugin, const std::string& file, TDecodedPicture& picture) {
  return DecodePicture(plugin, reinterpret_cast<const uint8_t*>(file.data()), file.size(), picture);
}

void Release(TDecodedPicture& picture) {
  if (!picture.BitsHandle) return;
  LocalUnlock(static_cast<HLOCAL>(picture.BitsHandle));
  LocalFree(static_cast<HLOCAL>(picture.BitsHandle));
  picture = TDecodedPicture{};
}

}  // namespace

TEST(ProbePlugin, ClaimsByKindAndKeepsEachModuleLoaded) {
  TempDir dir;
  const std::string notADll = dir.Write("text.spi", "not a program");
  const std::string tar = [] {
    TarBuilder t;
    t.AddFile("a.ppm", "x", 0);
    return t.Bytes();
  }();
  struct Case {
    std::string dll;
    std::string file;
    int32_t kind;
    TPluginState state;
  } cases[] = {
      {TestSpi("orvpnm"), kP6, kPluginPicture, TPluginState::Loaded},
      {TestSpi("orvpnm"), kP5, kPluginPicture, TPluginState::Loaded},
      {TestSpi("orvtar"), tar, kPluginArchive, TPluginState::Loaded},
      {TestSpi("orvpnm"), tar, kPluginNone, TPluginState::Loaded},
      {TestSpi("orvtar"), kP6, kPluginNone, TPluginState::Loaded},
      {TestSpi("lowercase"), kP6, kPluginNone, TPluginState::Loaded},  // claims, but its version is "00in"
      {TestSpi("noissupported"), kP6, kPluginNone, TPluginState::Loaded},
      {TestSpi("noinfo"), kP6, kPluginNone, TPluginState::FailedToLoad},
      {TestSpi("missing"), kP6, kPluginNone, TPluginState::FailedToLoad},
      {notADll, kP6, kPluginNone, TPluginState::FailedToLoad},
      {"orvpnm.spi", kP6, kPluginNone, TPluginState::FailedToLoad},  // not a full path: never looked up
  };
  for (int round = 0; round < 2; ++round) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.dll + " round " + std::to_string(round));
      ProbeHeader header(c.file);
      TPlugin& plugin = PluginRecord(c.dll);
      EXPECT_EQ(ProbePlugin(plugin, "C:\\pictures\\file", header.Bytes), c.kind);
      EXPECT_EQ(plugin.State, c.state);
      EXPECT_EQ(&PluginRecord(c.dll), &plugin);
      if (c.state == TPluginState::Loaded) {
        EXPECT_EQ(GetModuleHandleA(c.dll.c_str()), plugin.Module);
      }
    }
  }
  EXPECT_EQ(PluginRecord(TestSpi("orvpnm")).Kind, kPluginPicture);
  EXPECT_EQ(PluginRecord(TestSpi("orvtar")).Kind, kPluginArchive);
  EXPECT_EQ(SpiCount("loads_pnm"), 1);
  EXPECT_EQ(SpiCount("loads_tar"), 1);
}

TEST(ProbePlugin, AsksForTheVersionOnceAndIsSupportedAtEveryProbe) {
  ClearSpiLog();
  for (int round = 0; round < 2; ++round) {
    for (const char* name : {"lowercase", "noissupported", "orvtar", "orvpnm", "claimpicture"}) {
      ProbeHeader header(kP6);
      ProbePlugin(PluginRecord(TestSpi(name)), "C:\\pictures\\a.ppm", header.Bytes);
    }
  }
  // A plug-in of an unknown version or without IsSupported is never asked
  // about a file.
  EXPECT_EQ(SpiLog(),
            "lowercase:info0;noissupported:info0;tar:info0;tar:supported;"
            "pnm:info0;pnm:supported(C:\\pictures\\a.ppm);claimpicture:info0;claimpicture:supported;"
            "tar:supported;pnm:supported(C:\\pictures\\a.ppm);claimpicture:supported;");
}

// Two hundred probes, decodes and archive walks load each plug-in once; a DLL
// that refuses to load is tried once.
TEST(PluginTable, EachPluginIsLoadedOnceOverManyCalls) {
  TempDir dir;
  TarBuilder t;
  const uint32_t position = t.AddFile("a.ppm", kP6, 0);
  const std::string archive = dir.Write("a.tar", t.Bytes());
  const ProbeHeader picture(kP6), tarHeader(t.Bytes());
  TPlugin& pnm = PluginRecord(TestSpi("orvpnm"));
  TPlugin& tar = PluginRecord(TestSpi("orvtar"));
  TPlugin& refusing = PluginRecord(TestSpi("dllmainfails"));
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(ProbePlugin(refusing, "C:\\a.ppm", picture.Bytes), kPluginNone);
    ASSERT_EQ(ProbePlugin(pnm, "C:\\a.ppm", picture.Bytes), kPluginPicture);
    TDecodedPicture decoded;
    ASSERT_EQ(DecodePicture(pnm, reinterpret_cast<const uint8_t*>(kP6.data()), kP6.size(), decoded), 0);
    Release(decoded);
    ASSERT_EQ(ProbePlugin(tar, archive, tarHeader.Bytes), kPluginArchive);
    std::unique_ptr<FileEntry[]> entries;
    ASSERT_EQ(ReadArchiveEntries(tar, archive, entries), 0);
    TMemberBlock member;
    ASSERT_EQ(ExtractMember(tar, archive, position, member), 0);
    ASSERT_EQ(GetPluginDescription(pnm), "Orv test PNM reader");
  }
  EXPECT_EQ(SpiCount("loads_pnm"), 1);
  EXPECT_EQ(SpiCount("loads_tar"), 1);
  EXPECT_EQ(SpiCount("loads_dllmainfails"), 1);
  EXPECT_EQ(refusing.State, TPluginState::FailedToLoad);
}

TEST(DecodePicture, PnmPicturesArriveWithHeaderPixelsDepthAndText) {
  ModuleHandle pnm = Load("orvpnm");
  ASSERT_TRUE(pnm);
  struct Case {
    std::string file;
    int32_t height;
    uint16_t bitCount;
    std::vector<uint8_t> bits;  // DIB rows, bottom-up, blue first, padded to 4 bytes
    std::string text;
  } cases[] = {
      {kP6, 2, 24, {255, 0, 0, 30, 20, 10, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0}, "PNM P6\nwidth 2\nheight 2"},
      {"ORVTEST fixed\n" + kP6,
       2,
       24,
       {255, 0, 0, 30, 20, 10, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0},
       "PNM P6\nwidth 2\nheight 2"},
      {kP5, 1, 8, {0, 128, 255, 0}, "PNM P5\nwidth 3\nheight 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TDecodedPicture picture;
    ASSERT_EQ(Decode(pnm.get(), c.file, picture), 0);
    EXPECT_EQ(picture.Info.bmiHeader.biHeight, c.height);
    EXPECT_EQ(picture.Info.bmiHeader.biBitCount, c.bitCount);
    EXPECT_EQ(picture.ColorBits, c.bitCount);
    EXPECT_EQ(picture.TextInfo, c.text);
    ASSERT_EQ(picture.BitsSize, static_cast<int32_t>(c.bits.size()));
    EXPECT_EQ(picture.BitsSize, static_cast<int32_t>(LocalSize(static_cast<HLOCAL>(picture.BitsHandle))));
    EXPECT_EQ(std::memcmp(picture.Bits, c.bits.data(), c.bits.size()), 0);
    if (c.bitCount == 8) {
      EXPECT_EQ(DibColor(picture.Info, 200).rgbGreen, 200);
    }
    Release(picture);
  }
}

TEST(DecodePicture, TheHostFreesWhatItCopiedAndTheHeldPictureOwnsThePixels) {
  ModuleHandle pnm = Load("orvpnm");
  TDecodedPicture picture;
  ASSERT_EQ(Decode(pnm.get(), kP6, picture), 0);
  HLOCAL handles[3];
  Handles(pnm.get(), handles);
  EXPECT_TRUE(IsFreedLocal(handles[0]));  // text
  EXPECT_TRUE(IsFreedLocal(handles[1]));  // header
  ASSERT_EQ(handles[2], picture.BitsHandle);
  EXPECT_EQ(LocalFlags(handles[2]) & LMEM_LOCKCOUNT, 1u);  // left locked for as long as it is shown

  TImg img;
  InstallImg(img, picture, reinterpret_cast<const uint8_t*>(kP6.data()), kP6.size());
  EXPECT_EQ(img.Width, 2);
  EXPECT_EQ(img.TextInfo, "PNM P6\r\nwidth 2\r\nheight 2");
  FreeImg(img);
  EXPECT_TRUE(IsFreedLocal(handles[2]));
}

TEST(DecodePicture, SuccessWithoutUsableBlocksIsBrokenDataAndLeaksNothing) {
  ModuleHandle pnm = Load("orvpnm");
  struct Case {
    const char* mode;
    bool info;  // the plug-in returned this block, so the host must free it
    bool bits;
  } cases[] = {
      {"nullinfo", false, true},
      {"nullbits", true, false},
      {"shortbits", true, true},  // fewer bytes than the header's rows need
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    TDecodedPicture picture;
    EXPECT_EQ(Decode(pnm.get(), std::string("ORVTEST ") + c.mode + "\n" + kP6, picture), 3);
    EXPECT_EQ(picture.BitsHandle, nullptr);
    EXPECT_EQ(picture.Bits, nullptr);
    HLOCAL handles[3];
    Handles(pnm.get(), handles);
    ASSERT_EQ(handles[1] != nullptr, c.info);
    ASSERT_EQ(handles[2] != nullptr, c.bits);
    if (c.info) {
      EXPECT_TRUE(IsFreedLocal(handles[1]));
    }
    if (c.bits) {
      EXPECT_TRUE(IsFreedLocal(handles[2]));
    }
  }
}

TEST(DecodePicture, PluginCodesComeBackUnchanged) {
  ModuleHandle pnm = Load("orvpnm");
  for (const char* call : {"infoerror", "pictureerror"}) {
    for (int code = -1; code <= 11; ++code) {
      if (code == 0) continue;
      SCOPED_TRACE(std::string(call) + " " + std::to_string(code));
      TDecodedPicture picture;
      EXPECT_EQ(Decode(pnm.get(), "ORVTEST " + std::string(call) + " " + std::to_string(code) + "\n" + kP6, picture),
                code);
      EXPECT_EQ(picture.BitsHandle, nullptr);
      EXPECT_EQ(picture.TextInfo, "");
    }
  }
  TDecodedPicture picture;
  EXPECT_EQ(Decode(pnm.get(), "not a picture", picture), 2);
}

TEST(DecodePicture, LongHeaderBlockIsHeldWithoutTheProfileBehindIt) {
  ModuleHandle pnm = Load("orvpnm");
  TDecodedPicture picture;
  ASSERT_EQ(Decode(pnm.get(), "ORVTEST oversized\n" + kP6, picture), 0);
  EXPECT_EQ(picture.Info.bmiHeader.biSize, 124u);
  EXPECT_EQ(picture.Info.bmiHeader.biWidth, 2);
  // What follows a 24-bit header is no part of the picture; nothing of it is held.
  const uint8_t* block = reinterpret_cast<const uint8_t*>(&picture.Info);
  for (size_t i = 124; i < kBitmapInfoSize; ++i) ASSERT_EQ(block[i], 0) << i;
  Release(picture);
}

TEST(DecodePicture, RecordIsClearedForPluginsThatFillOnlySomeFields) {
  ModuleHandle pnm = Load("orvpnm");
  ClearSpiLog();
  TDecodedPicture picture;
  ASSERT_EQ(Decode(pnm.get(), "ORVTEST partial\n" + kP6, picture), 0);
  EXPECT_EQ(SpiLog(), "pnm:zeroed;");
  EXPECT_EQ(picture.ColorBits, 0);
  EXPECT_EQ(picture.TextInfo, "");
  Release(picture);
}

// The text handle as plug-ins of this width write it, also at offset 22 in a
// 64-bit record, as some 64-bit plug-ins do; and a value that is readable
// memory but no local memory handle, which is neither read nor freed.
TEST(DecodePicture, TextIsTakenOnlyFromWhatTheSystemKnowsAsALocalHandle) {
  ModuleHandle pnm = Load("orvpnm");
  struct Case {
    std::string mode;
    const char* text;
  } cases[] = {{"", "PNM P6\nwidth 2\nheight 2"},
               {"ORVTEST unpadded\n", "PNM P6\nwidth 2\nheight 2"},
               {"ORVTEST nohandle\n", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    TDecodedPicture picture;
    ASSERT_EQ(Decode(pnm.get(), c.mode + kP6, picture), 0);
    EXPECT_EQ(picture.ColorBits, 24);
    EXPECT_EQ(picture.TextInfo, c.text);
    HLOCAL handles[3];
    Handles(pnm.get(), handles);
    if (c.text[0]) {
      EXPECT_TRUE(IsFreedLocal(handles[0]));
    } else {
      EXPECT_STREQ(reinterpret_cast<const char*>(handles[0]), "PNM P6\nwidth 2\nheight 2") << "left as it was";
    }
    Release(picture);
  }
}

TEST(PluginExports, MissingOnesAreNeverCalled) {
  ModuleHandle picture = Load("claimpicture");
  ModuleHandle archive = Load("claimarchive");
  ModuleHandle noinfo = Load("noinfo");
  ASSERT_TRUE(picture && archive && noinfo);
  TDecodedPicture decoded;
  EXPECT_EQ(Decode(picture.get(), kP6, decoded), -1);
  EXPECT_EQ(Decode(nullptr, kP6, decoded), -1);
  std::unique_ptr<FileEntry[]> entries;
  EXPECT_EQ(ReadArchiveEntries(archive.get(), "C:\\a.tar", entries), -1);
  EXPECT_EQ(entries, nullptr);
  std::vector<uint8_t> member;
  EXPECT_EQ(ExtractMember(archive.get(), "C:\\a.tar", 0, member), -1);
  EXPECT_EQ(GetPluginDescription(noinfo.get()), "");
  EXPECT_EQ(GetPluginDescription(archive.get()), "claimarchive test plug-in");
}

TEST(PluginError, BoxNamesTheFileAndTheCode) {
  struct Case {
    int32_t code;
    const char* text;
  } cases[] = {
      {-1, "a.jpg:\r\nunknown error (-1)"},
      {11, "a.jpg:\r\nunknown error (11)"},
      {2, "a.jpg:\r\nunknown format (2)"},
      {0, "a.jpg:\r\n (0)"},
  };
  for (const Case& c : cases) {
    BoxCapture box;
    ShowPluginError("a.jpg", c.code);
    EXPECT_EQ(box.Last.Text, c.text);
    EXPECT_EQ(box.Last.Caption, "Orv");
    EXPECT_EQ(box.Last.Type & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_EQ(box.Last.Owner, GetDesktopWindow());  // no main window is shown
  }
}

TEST(ShowPluginConfig, OpensTheDialogOrSaysThereIsNone) {
  HWND owner = GetDesktopWindow();
  {
    BoxCapture box;
    ClearSpiLog();
    ShowPluginConfig(owner, PluginRecord(TestSpi("orvpnm")));
    char expected[64];
    // The first use of a plug-in loads it, and its version is read then.
    std::snprintf(expected, sizeof expected, "pnm:info0;pnm:config(1,%llx);",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(owner)));
    EXPECT_EQ(SpiLog(), expected);
    EXPECT_EQ(box.Last.Count, 0);
  }
  {
    BoxCapture box;
    ShowPluginConfig(owner, PluginRecord(TestSpi("orvtar")));
    EXPECT_EQ(box.Last.Count, 1);
    EXPECT_EQ(box.Last.Text, "Configuration Dialog is not implemented.");
    EXPECT_EQ(box.Last.Caption, "Plug-in Setting");
    EXPECT_EQ(box.Last.Type & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(box.Last.Owner, owner);
  }
  {
    BoxCapture box;
    ShowPluginConfig(owner, PluginRecord(TestSpi("missing")));
    EXPECT_EQ(box.Last.Count, 0);
  }
  EXPECT_EQ(GetModuleHandleA(TestSpi("orvpnm").c_str()), PluginRecord(TestSpi("orvpnm")).Module);
}

TEST(GetPluginDescription, ReadsInfoNumberOne) {
  ModuleHandle pnm = Load("orvpnm");
  EXPECT_EQ(GetPluginDescription(pnm.get()), "Orv test PNM reader");
}
