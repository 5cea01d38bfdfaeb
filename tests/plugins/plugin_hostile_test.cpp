// Catalogues no one would write by hand: every entry that names nothing
// usable is passed over in silence, and the plug-in behind them still reads
// the picture.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/globals.h"
#include "image/loading_win.h"
#include "plugin_test_util.h"
#include "plugins/plugin_list_win.h"
#include "plugins/spi_api.h"
#include "win_test_util.h"

namespace {

// The catalogue read from a file holding text, as start-up reads it, set as
// PluginFiles while alive.
class Catalogue {
 public:
  Catalogue(const TempDir& dir, const std::string& text) {
    EXPECT_EQ(ReadPluginList(dir.Write("pluginlist", text), list_), 0);
    PluginFiles = &list_;
  }
  ~Catalogue() {
    PluginFiles = nullptr;
    for (int32_t i = 0; i < list_.Count; ++i) std::free(list_.Items[i]);
  }
  Catalogue(const Catalogue&) = delete;
  Catalogue& operator=(const Catalogue&) = delete;
  const char* Last() const { return static_cast<const char*>(list_.Get(list_.Count - 1)); }

 private:
  TSimpleList list_;
};

std::string ModulePath(HMODULE module) {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(module, path, MAX_PATH);
  return path;
}

}  // namespace

TEST(HostileCatalogue, EveryUnusableEntryIsPassedOverAndTheNextPluginReadsThePicture) {
  TempDir dir;
  const std::string pnm = TestSpi("orvpnm");
  ProbeHeader header(PnmFile(true, 1, 1, {1, 2, 3}));
  std::string all;
  for (const THostileLines& lines : HostileCatalogue(dir)) {
    SCOPED_TRACE(lines.What);
    all += lines.Text;
    BoxCapture box;
    Catalogue catalogue(dir, lines.Text + pnm + "\r\n");
    EXPECT_EQ(catalogue.Last(), pnm);
    TPlugin* plugin = nullptr;
    ASSERT_EQ(ChoosePlugin("C:\\pictures\\a.ppm", header.Bytes, CatalogueRecords(), plugin), kPluginPicture);
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(ModulePath(plugin->Module), pnm);
    EXPECT_EQ(box.Last.Count, 0);
  }
  Catalogue catalogue(dir, all + pnm + "\r\n");
  TPlugin* plugin = nullptr;
  EXPECT_EQ(ChoosePlugin("C:\\pictures\\a.ppm", header.Bytes, CatalogueRecords(), plugin), kPluginPicture);
  ASSERT_NE(plugin, nullptr);
  EXPECT_EQ(ModulePath(plugin->Module), pnm);
}

TEST(HostileCatalogue, TheLoaderRefusesDllsThatCannotRunHere) {
  struct Case {
    std::string path;
    DWORD error;
  } cases[] = {
      {TestSpi("dllmainfails"), ERROR_DLL_INIT_FAILED},
      {OtherWidthSpi("otherwidth"), ERROR_BAD_EXE_FORMAT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    if (GetFileAttributesA(c.path.c_str()) == INVALID_FILE_ATTRIBUTES) {
      ADD_FAILURE() << "not built; the other width needs the other MinGW compiler";
      continue;
    }
    SetLastError(0);
    EXPECT_FALSE(LoadPluginModule(c.path));
    EXPECT_EQ(GetLastError(), c.error);
  }
}
