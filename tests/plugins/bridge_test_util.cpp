#include "bridge_test_util.h"

#include <tlhelp32.h>

#include "plugins/bridge_host_win.h"
#include "win_test_util.h"

std::string Spi32Copy(const TempDir& dir, const std::string& name, const std::string& copyName) {
  const std::string path = dir.Path() + copyName + ".spi";
  CopyFileA(Spi32(name).c_str(), path.c_str(), FALSE);
  return path;
}

void UseBuiltHelper() {
  static const bool done = [] {
    SetHelperProgram(ProgramPath(ORV_HELPER_EXE));
    return true;
  }();
  (void)done;
}

std::vector<DWORD> HelpersOf(DWORD parent) {
  std::vector<DWORD> helpers;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return helpers;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
    if (entry.th32ParentProcessID == parent && lstrcmpiA(entry.szExeFile, "orvspi32.exe") == 0)
      helpers.push_back(entry.th32ProcessID);
  CloseHandle(snapshot);
  return helpers;
}

bool ProcessEnds(DWORD id, DWORD timeoutMs) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
  if (!process) return true;
  const bool ended = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}
