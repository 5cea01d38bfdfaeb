// The catalogue on disk and in the registry, and listed in the plug-in list.
#include "plugins/plugin_list_win.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/globals.h"
#include "config/profile.h"
#include "framework/handles.h"
#include "plugin_test_util.h"
#include "plugins/plugin_list.h"
#include "plugins/spi_api.h"
#include "plugins/spi_util.h"
#include "util/simple_list.h"
#include "viewer/plugin_list_box_win.h"
#include "win_test_util.h"

namespace {

// Points this process's HKEY_CURRENT_USER at a private key while alive, so
// the test neither sees nor changes the user's plug-in folder.
class PrivateCurrentUser {
 public:
  PrivateCurrentUser() {
    name_ = "Software\\OrvTest" + std::to_string(GetCurrentProcessId());
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, name_.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    key_.reset(key);
    RegOverridePredefKey(HKEY_CURRENT_USER, key_.get());
  }
  ~PrivateCurrentUser() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    key_.reset();
    for (const char* sub : {"\\Software\\Halvendo\\Susie\\Plug-in", "\\Software\\Halvendo\\Susie",
                            "\\Software\\Halvendo", "\\Software", ""})
      RegDeleteKeyA(HKEY_CURRENT_USER, (name_ + sub).c_str());
  }
  PrivateCurrentUser(const PrivateCurrentUser&) = delete;
  PrivateCurrentUser& operator=(const PrivateCurrentUser&) = delete;

  void SetPluginPath(const std::string& folder) {
    HKEY key = nullptr;
    // Under a volatile key every key is volatile.
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Halvendo\\Susie\\Plug-in", 0, nullptr, REG_OPTION_VOLATILE,
                    KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegKeyHandle owner(key);
    RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>(folder.size() + 1));
  }

 private:
  std::string name_;
  RegKeyHandle key_;
};

// ProfileFolder set for the test, put back afterwards.
class ProfileAt {
 public:
  explicit ProfileAt(const std::string& folder) : saved_(ProfileFolder) { ProfileFolder = folder; }
  ~ProfileAt() { ProfileFolder = saved_; }

 private:
  std::string saved_;
};

// A file name with this build's plug-in extension (".spi", or ".sph").
std::string Own(const char* name) { return name + std::string(kPluginSuffix); }
std::string Other(const char* name) { return name + std::string(kOtherWidthPluginSuffix); }

std::vector<std::string> SearchOrder(const std::string& folder, const char* suffix = kPluginSuffix) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "*" + suffix).c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.push_back(entry.cFileName);
  while (FindNextFileA(find, &entry));
  FindClose(find);
  return names;
}

std::vector<std::string> TakeAll(TSimpleList& list) {
  std::vector<std::string> paths;
  for (int32_t i = 0; i < list.Count; ++i) {
    paths.push_back(static_cast<char*>(list.Items[i]));
    std::free(list.Items[i]);
  }
  list.Clear();
  return paths;
}

}  // namespace

TEST(PluginList, OneLinePerSearchEntryOfThisWidthInSearchOrder) {
  TempDir plugins, profile;
  plugins.Write(Own("b"), "");
  plugins.Write(Own("a"), "not a DLL, listed all the same");
  plugins.MakeDir(Own("folder"));
  plugins.Write("readme.txt", "");
  // The other edition's plug-ins beside them: the 32-bit edition cannot load
  // 64-bit ones; the 64-bit edition calls the 32-bit ones through its helper
  // and lists them after its own, but for one of the same base name.
  plugins.Write(Other("c"), "");
  plugins.Write(Other("B"), "");
  std::string expected;
  for (const std::string& name : SearchOrder(plugins.Path())) expected += plugins.Path() + name + "\r\n";
  ASSERT_NE(expected.find(Own("folder") + "\r\n"), std::string::npos);
  if (kSpiWide) expected += plugins.Path() + Other("c") + "\r\n";

  const std::string list = profile.Path() + kPluginListName;
  EXPECT_EQ(WritePluginList(plugins.Path(), list), 0);
  EXPECT_EQ(ReadFileBytes(list), expected);

  TempDir empty;
  EXPECT_EQ(WritePluginList(empty.Path(), list), 0);
  EXPECT_NE(GetFileAttributesA(list.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ReadFileBytes(list), "");

  EXPECT_NE(WritePluginList(plugins.Path(), profile.Path() + "missing\\" + kPluginListName), 0);
}

TEST(PluginList, RegistryFolderWithOrWithoutBackslashGivesTheSameLines) {
  PrivateCurrentUser user;
  TempDir plugins, profile;
  plugins.Write(Own("x"), "");
  ProfileAt at(profile.Path());
  EXPECT_EQ(GetPluginFolder(), "");

  const std::string bare = plugins.Path().substr(0, plugins.Path().size() - 1);
  for (const std::string& registry : {bare, plugins.Path()}) {
    SCOPED_TRACE(registry);
    user.SetPluginPath(registry);
    EXPECT_EQ(GetPluginFolder(), registry);
    EXPECT_EQ(BuildPluginList(), 0);
    EXPECT_EQ(ReadFileBytes(profile.Path() + kPluginListName), plugins.Path() + Own("x") + "\r\n");
  }
  EXPECT_EQ(ResolvePluginFolder("", "C:\\orv\\"), "C:\\orv\\");
}

TEST(PluginList, UnwritableListFileGivesTheErrorCode) {
  PrivateCurrentUser user;
  TempDir profile;
  profile.MakeDir(kPluginListName);  // a folder where the file should go
  ProfileAt at(profile.Path());
  EXPECT_NE(BuildPluginList(), 0);
}

TEST(PluginList, ReadKeepsPathsInFileOrderButUnusableWidthsAndLeavesTheListOnError) {
  TempDir profile;
  const std::string a = "C:\\p\\" + Own("a"), b = " C:\\p\\" + Own("b"), c = "C:\\p\\" + Other("c");
  ProfileAt at(profile.Path());
  TSimpleList list;
  // Only the 64-bit edition uses the lines of the other width (its helper calls them).
  const std::vector<std::string> expected = kSpiWide ? std::vector<std::string>{a, c, b} : std::vector<std::string>{a, b};
  // Hand-edited elsewhere, the file may end its lines in a line feed alone.
  for (const std::string end : {"\r\n", "\n"}) {
    profile.Write(kPluginListName, "# my plug-ins" + end + end + a + end + c + end + b + end);
    EXPECT_EQ(ReadPluginList(profile.Path() + kPluginListName, list), 0);
    EXPECT_EQ(TakeAll(list), expected);
  }

  list.Add(std::malloc(1));
  EXPECT_NE(ReadPluginList(profile.Path() + "none", list), 0);
  EXPECT_EQ(list.Count, 1);
  std::free(list.Items[0]);
}

// Run by CTest only with the Japanese code page (test plugin_folder_cp932).
TEST(PluginFolderCodePage932, BackslashAsSecondByteOfACharacterGetsAnother) {
  if (GetACP() != 932) {
    if (std::getenv("ORV_EXPECT_CP932")) FAIL() << "code page " << GetACP() << " instead of 932";
    GTEST_SKIP() << "needs code page 932";
  }
  const std::string table = "\x95\x5C";  // 表, a character whose second byte is "\"
  const std::string so = "\x83\x5C";     // ソ, another
  EXPECT_EQ(ResolvePluginFolder("C:\\p\\" + table, ""), "C:\\p\\" + table + "\\");
  EXPECT_EQ(ResolvePluginFolder("C:\\p\\" + table + "\\", ""), "C:\\p\\" + table + "\\");
  EXPECT_EQ(ResolvePluginFolder("C:\\\x81\x81\\", ""), "C:\\\x81\x81\\");

  PrivateCurrentUser user;
  TempDir parent, profile;
  const std::string folder = parent.MakeDir(table);
  // Wine stores such a name only when the host system has the Japanese locale.
  ASSERT_NE(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES) << kNoDoubleByteNames;
  const std::string plugin = folder + "\\" + Own(so.c_str());
  ASSERT_TRUE(CopyFileA(TestSpi("orvpnm").c_str(), plugin.c_str(), FALSE));
  user.SetPluginPath(folder);
  ProfileAt at(profile.Path());
  EXPECT_EQ(BuildPluginList(), 0);
  EXPECT_EQ(ReadFileBytes(profile.Path() + kPluginListName), plugin + "\r\n");

  // Read back, the entry loads under that name: the plug-in list describes it.
  TSimpleList list;
  PluginFiles = &list;
  EXPECT_EQ(LoadPluginList(), 0);
  ModuleHandle pnm = LoadPluginModule(TestSpi("orvpnm"));
  ASSERT_TRUE(pnm);
  BoxCapture boxes;
  ShowPluginList(nullptr);
  EXPECT_EQ(boxes.Last.Text, "1 plugin(s) found.\r\n\r\n" + plugin + ": " + GetPluginDescription(pnm.get()) + "\r\n");
  PluginFiles = nullptr;
  EXPECT_EQ(TakeAll(list), std::vector<std::string>{plugin});
}
