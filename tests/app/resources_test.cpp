// The resources of the built program, read from orv.exe itself: the
// manifest, the program's icon by number and the version resource. (The
// dialog template is read back where the dialog is made from it.)
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/version.h"
#include "win_test_util.h"

namespace {

class ProgramResources : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(module_, nullptr) << ProgramPath(ORV_EXE); }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }
  // The bytes of a resource, empty when there is none.
  std::string Resource(LPCSTR type, LPCSTR name) const {
    HRSRC found = FindResourceA(module_, name, type);
    HGLOBAL loaded = found ? LoadResource(module_, found) : nullptr;
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    return data ? std::string(data, SizeofResource(module_, found)) : std::string();
  }

  HMODULE module_ = LoadLibraryExA(ProgramPath(ORV_EXE).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
};

TEST_F(ProgramResources, ManifestAsksForDpiAwarenessCommonControlsAndCurrentSystems) {
  const std::string manifest = Resource(MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
  ASSERT_FALSE(manifest.empty());
  for (const char* part : {
           "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>",
           "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, "
           "PerMonitor</dpiAwareness>",
           "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
           "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",
           "version=\"" ORV_VERSION_TEXT ".0\"",
       })
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
}

TEST_F(ProgramResources, TheIconIsAlsoNumberOne) {
  const std::string byNumber = Resource(RT_GROUP_ICON, MAKEINTRESOURCEA(1));
  const std::string byName = Resource(RT_GROUP_ICON, "MAINICON");
  ASSERT_FALSE(byNumber.empty());
  // The same images: equal directories but for the numbers of the image resources.
  ASSERT_EQ(byNumber.size(), byName.size());
  EXPECT_EQ(byNumber.substr(0, 6 + 12), byName.substr(0, 6 + 12));
}

TEST_F(ProgramResources, VersionResourceCarriesTheProgramsVersion) {
  const std::string path = ProgramPath(ORV_EXE);
  DWORD ignored = 0;
  std::string info(GetFileVersionInfoSizeA(path.c_str(), &ignored), '\0');
  ASSERT_FALSE(info.empty());
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &size));
  EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(ORV_VERSION_MINOR, ORV_VERSION_MAJOR)));
  EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(0, ORV_VERSION_PATCH)));
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  char* text = nullptr;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\040904B0\\ProductVersion", reinterpret_cast<void**>(&text),
                             &size));
  EXPECT_STREQ(text, ORV_VERSION_TEXT);
  ASSERT_TRUE(
      VerQueryValueA(info.data(), "\\StringFileInfo\\040904B0\\ProductName", reinterpret_cast<void**>(&text), &size));
  EXPECT_STREQ(text, "Orv");
  // The edition's own file name: orv.exe, or orv64.exe.
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\040904B0\\OriginalFilename",
                             reinterpret_cast<void**>(&text), &size));
  EXPECT_EQ(path.substr(path.find_last_of('\\') + 1), text);
}

}  // namespace
