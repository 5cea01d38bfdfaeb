// The About box: the program, its version and build date, the profile folder.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/version.h"
#include "config/profile.h"
#include "framework/message_box.h"
#include "viewer/info_texts.h"
#include "viewer/main_window.h"

namespace {

// The day the program was linked, from its own file header (UTC,
// "2026-12-08"); empty when the linker left no time there.
std::string LinkDate() {
  const auto* base = reinterpret_cast<const uint8_t*>(GetModuleHandleA(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const uint64_t seconds = nt->FileHeader.TimeDateStamp;
  if (seconds == 0) return "";
  // Seconds since 1970 as a file time: 100 ns units since 1601.
  const uint64_t ticks = (seconds + 11644473600ull) * 10000000ull;
  const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME day;
  if (!FileTimeToSystemTime(&time, &day)) return "";
  char text[16];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", unsigned{day.wYear}, unsigned{day.wMonth}, unsigned{day.wDay});
  return text;
}

}  // namespace

void TMainWindow::ShowAbout() {
  // The 64-bit edition says so; the 32-bit one is the program as it always was.
  const char* edition = sizeof(void*) == 8 ? "64-bit" : "";
  ShowMessageBox(Handle, AboutText(ORV_VERSION_TEXT, edition, LinkDate(), ProfileFolder), "About Orv", MB_USERICON);
}
