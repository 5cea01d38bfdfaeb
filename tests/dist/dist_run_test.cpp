// The shipped folder as a new user gets it: the program started from a copy
// of it with no profile catalogues both plug-ins on its first start (and none
// of the other edition's, unpacked beside them), and pictures of the common
// formats and a member of a ZIP archive open.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/version.h"
#include "picture_builders.h"
#include "plugins/plugin_list.h"
#include "wic_test_util.h"
#include "win_test_util.h"
#include "zip_builder.h"

namespace {

std::string Title(HWND window) {
  char title[512] = {};
  GetWindowTextA(window, title, sizeof title);
  return title;
}

// Waits for the title to become text, for at most a few seconds.
bool TitleBecomes(HWND window, const std::string& text) {
  for (int i = 0; i < 100; ++i) {
    if (Title(window) == text) return true;
    Sleep(50);
  }
  ADD_FAILURE() << "title: " << Title(window) << ", not " << text;
  return false;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find("\r\n", at);
    if (end == std::string::npos) break;
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

PngRecipe TransparentPng() {
  PngRecipe r;
  r.Width = 20;
  r.Height = 10;
  r.ColourType = 6;
  for (uint32_t i = 0; i < r.Width * r.Height; ++i) r.Samples.insert(r.Samples.end(), {200, 40, 90, uint16_t(i % 256)});
  return r;
}

}  // namespace

TEST(DistFolder, AFreshCopyCataloguesItsOwnPluginsAndOpensTheCommonFormats) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Halvendo\\Susie\\Plug-in", 0, KEY_READ, &key) == ERROR_SUCCESS) {
    RegCloseKey(key);
    GTEST_SKIP() << "a plug-in folder is set in the registry, so the program folder is not the one scanned";
  }
  SetEnvironmentVariableA("TAVOPROF", nullptr);
  TempDir copy;
  const std::string wic = std::string("orvwic") + kPluginSuffix, zipPlugin = std::string("orvzip") + kPluginSuffix;
  for (const std::string& file : {std::string(ORV_PROGRAM_FILE), wic, zipPlugin, std::string("readme.txt")}) {
    ASSERT_TRUE(CopyFileA((ProgramPath(ORV_DIST_DIR) + "\\" + file).c_str(), (copy.Path() + file).c_str(), FALSE))
        << file;
  }
  const std::string readme = ReadFileBytes(copy.Path() + "readme.txt");
  for (const std::string& named :
       {"start " + std::string(ORV_PROGRAM_FILE), wic, "\"" + std::string(kPluginListName) + "\""})
    EXPECT_NE(readme.find(named), std::string::npos) << named;
  // The other edition unpacked into the same folder, already started once.
  const std::string otherList = kSpiWide ? "pluginlist" : "pluginlist64";
  for (const char* name : {"orvwic", "orvzip"}) copy.Write(name + std::string(kOtherWidthPluginSuffix), "");
  copy.Write(otherList, "C:\\other\\edition\r\n");
  TempDir pictures;
  std::vector<Argb> cells(64 * 48);
  for (size_t i = 0; i < cells.size(); ++i) cells[i] = (i % 64) < 32 ? 0xFFC02020u : 0xFF2020C0u;
  const std::string jpeg = EncodeWithSystem(GUID_ContainerFormatJpeg, 64, 48, cells);
  ASSERT_FALSE(jpeg.empty());
  PngRecipe inner;
  inner.Width = 16;
  inner.Height = 8;
  inner.Samples.assign(16 * 8 * 3, 77);
  GifFrame frame{0, 0, 7, 5, std::vector<uint8_t>(35, 1), -1};
  const std::string zip = ZipBuilder().Folder("sub/").File("sub/inner.png", PngFile(inner)).Bytes();
  const struct {
    std::string name;
    std::string bytes;
    std::string title;
  } cases[] = {
      {"clear.png", PngFile(TransparentPng()), "clear.png (20x10x32) 100% - Orv"},
      // Taken on its side: shown upright.
      {"photo.jpg", WithOrientation(jpeg, 6, true), "photo.jpg (48x64x24) 100% - Orv"},
      {"anim.gif", GifFile(7, 5, 2, {0, 0, 0, 255, 255, 255}, {frame}), "anim.gif (7x5x8) 100% - Orv"},
      {"pics.zip", zip, "pics.zip/sub\\inner.png (16x8x24) 100% - Orv"},
  };
  for (const auto& c : cases) {
    const std::string file = pictures.Write(c.name, c.bytes);
    ChildProcess orv("\"" + copy.Path() + ORV_PROGRAM_FILE "\" \"" + file + "\"");
    ASSERT_TRUE(orv.Started());
    HWND window = orv.WaitForWindow("TOrvClass");
    ASSERT_NE(window, nullptr) << c.name;
    EXPECT_TRUE(TitleBecomes(window, c.title));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(orv.WaitForExit(), 0) << c.name;
  }
  // Written on the first start, from the program's own folder, beside the
  // other edition's, which stays as it was.
  std::vector<std::string> listed = Lines(ReadFileBytes(copy.Path() + kPluginListName));
  std::sort(listed.begin(), listed.end());
  ASSERT_EQ(listed.size(), 2u) << ReadFileBytes(copy.Path() + kPluginListName);
  EXPECT_EQ(listed[0], copy.Path() + wic);
  EXPECT_EQ(listed[1], copy.Path() + zipPlugin);
  EXPECT_EQ(ReadFileBytes(copy.Path() + otherList), "C:\\other\\edition\r\n");
}
