// Plug-ins are loaded by their full path with their own folder serving their
// dependencies; a DLL planted in the current folder is never loaded.
#include <gtest/gtest.h>

#include "framework/handles.h"
#include "plugin_test_util.h"
#include "plugins/spi_api.h"
#include "plugins/spi_util.h"
#include "win_test_util.h"

namespace {

bool Copy(const std::string& from, const std::string& to) { return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0; }

std::string Planted() {
  char value[64] = {};
  return GetEnvironmentVariableA("ORV_PLANTED", value, sizeof value) < sizeof value ? value : "";
}

// Runs load with the current folder set to folder, and puts the old one back.
ModuleHandle LoadFrom(const std::string& folder, const std::string& plugin) {
  char saved[MAX_PATH + 1] = {};
  GetCurrentDirectoryA(sizeof saved, saved);
  SetCurrentDirectoryA(folder.c_str());
  ModuleHandle module = LoadPluginModule(plugin);
  SetCurrentDirectoryA(saved);
  return module;
}

}  // namespace

TEST(PluginLoading, DllsPlantedInTheCurrentFolderAreNeverLoaded) {
  TempDir plugins, lonely, current;
  const std::string deps = std::string("deps") + kPluginSuffix;
  ASSERT_TRUE(Copy(TestDll(ORV_DEPS_DIR, deps), plugins.Path() + deps));
  ASSERT_TRUE(Copy(TestDll(ORV_DEPS_DIR, "orvdep.dll"), plugins.Path() + "orvdep.dll"));
  ASSERT_TRUE(Copy(TestDll(ORV_DEPS_DIR, deps), lonely.Path() + deps));
  ASSERT_TRUE(Copy(TestDll(ORV_PLANTED_DIR, "orvdep.dll"), current.Path() + "orvdep.dll"));
  ASSERT_TRUE(Copy(TestDll(ORV_PLANTED_DIR, "version.dll"), current.Path() + "version.dll"));
  SetEnvironmentVariableA("ORV_PLANTED", nullptr);

  {
    // The plug-in's own folder serves its own dependency, the system its system DLL.
    ModuleHandle module = LoadFrom(current.Path(), plugins.Path() + deps);
    ASSERT_TRUE(module);
    EXPECT_EQ(GetPluginDescription(module.get()), "genuine");
    char version[MAX_PATH + 1] = {};
    GetModuleFileNameA(GetModuleHandleA("version.dll"), version, MAX_PATH);
    EXPECT_EQ(std::string(version).find(current.Path()), std::string::npos) << version;
  }
  {
    // With its dependency nowhere but in the current folder, the plug-in does not load.
    ModuleHandle module = LoadFrom(current.Path(), lonely.Path() + deps);
    EXPECT_FALSE(module);
  }
  EXPECT_EQ(Planted(), "");
}
