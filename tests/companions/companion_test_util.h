#pragma once
// Helpers for the tests of the companion plug-ins: where the built DLLs are,
// what a host checks of the blocks they return, and files whose names the
// code page cannot spell.

#include <windows.h>

#include <string>

#include "framework/handles.h"
#include "win_test_util.h"

// The built companion plug-in of this name (ORV_COMPANION_DIR, ORV_PLUGIN_SUFFIX).
inline std::string CompanionDll(const std::string& name) {
  return ProgramPath(ORV_COMPANION_DIR) + "\\" + name + ORV_PLUGIN_SUFFIX;
}

// A movable local block: locking gives an address other than the handle, and
// the address leads back to the handle. Fixed blocks are their own address.
inline bool IsMovableLocal(HLOCAL handle) {
  if (!handle) return false;
  void* address = LocalLock(handle);
  const bool movable = address && address != handle && LocalHandle(address) == handle;
  if (address) LocalUnlock(handle);
  return movable;
}

// Names in the scripts users' files come in, most of which no single code
// page spells: Latin with accents, Japanese outside JIS X 0208 (a surrogate
// pair), Korean in a folder, Cyrillic, Greek, an emoji, and a plain name.
inline const std::u16string kNamesOfEveryScript[] = {
    u"Café crème.png", u"𠀋 山.png", u"한국어/사진.png", u"Фото.png", u"Εικόνα.png", u"😀 smile.png", u"plain.png",
};

inline std::wstring WideText(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }
inline std::string Utf8Text(const std::u16string& text) {
  const std::wstring wide = WideText(text);
  std::string utf8(wide.size() * 3, '\0');
  utf8.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                                      utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr)));
  return utf8;
}

// The whole content of a file named in UTF-16; empty when it cannot be read.
inline std::string ReadWideFile(const std::wstring& path) {
  std::string bytes;
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  char buffer[4096];
  DWORD got = 0;
  while (file && ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
  return bytes;
}

// A fresh folder whose own name no code page spells, removed with all in it
// by the shell's wide call (TempDir's ANSI walk cannot name what is inside).
class WideTempDir {
 public:
  WideTempDir() {
    static int counter = 0;
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    do {
      path_ = temp + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(counter++) + L" Ж𠀋😀\\";
    } while (!CreateDirectoryW(path_.c_str(), nullptr));
  }
  ~WideTempDir() {
    // Without its final backslash, ended by two NULs.
    const std::wstring from = path_.substr(0, path_.size() - 1) + L'\0';
    SHFILEOPSTRUCTW remove{};
    remove.wFunc = FO_DELETE;
    remove.pFrom = from.c_str();
    remove.fFlags = FOF_NO_UI;
    SHFileOperationW(&remove);
  }
  WideTempDir(const WideTempDir&) = delete;
  WideTempDir& operator=(const WideTempDir&) = delete;
  std::wstring MakeDir(const std::u16string& name) const {
    CreateDirectoryW((path_ + WideText(name)).c_str(), nullptr);
    return path_ + WideText(name);
  }
  // Writes bytes to Path() + name (creating sub-folders named in it) and returns the full name.
  std::wstring Write(const std::u16string& name, const std::string& bytes) const {
    const std::wstring full = path_ + WideText(name);
    for (size_t i = 0; i < name.size(); ++i) {
      if (name[i] == u'/' || name[i] == u'\\') MakeDir(name.substr(0, i));
    }
    FileHandle file(CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (file) WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return full;
  }

 private:
  std::wstring path_;
};
