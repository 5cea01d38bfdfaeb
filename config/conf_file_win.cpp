#include "config/conf_file_win.h"

#include <windows.h>

#include <cstdlib>
#include <vector>

#include "config/conf_syntax.h"
#include "config/profile.h"
#include "framework/handles.h"
#include "util/file_io_win.h"
#include "util/names_win.h"
#include "util/sutil_win.h"

namespace {

// The files being read, outermost first: a file never includes one of them again.
std::vector<std::string>& IncludeChain() {
  static std::vector<std::string> chain;
  return chain;
}

}  // namespace

int32_t ReadConfFile(const std::string& fileName, std::string& content, int32_t depth) {
  // Others may go on reading and writing the file while we read it.
  FileHandle file(CreateFileW(WideOf(fileName).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    return LastErrorOr(ERROR_OPEN_FAILED);
  }
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  file.reset();

  std::vector<std::string>& chain = IncludeChain();
  chain.push_back(FullPathOf(fileName));
  AppendConfLines(bytes, content, [&content, &chain, depth](const std::string& name) {
    if (depth + 1 >= kConfMaxIncludeDepth) return;
    char expanded[kConfBufferSize] = {};
    DWORD n = ExpandEnvironmentStringsA(name.c_str(), expanded, sizeof expanded);
    if (n == 0 || n > sizeof expanded) return;  // too long to name a file: skipped like a missing one
    // A cycle would read the same lines again and again, multiplied by every
    // include line on the way; one reading of each file on the chain is enough.
    std::string full = FullPathOf(expanded);
    for (const std::string& open : chain)
      if (lstrcmpiW(WideOf(open).c_str(), WideOf(full).c_str()) == 0) return;
    ReadConfFile(expanded, content, depth + 1);
  });
  chain.pop_back();
  return 0;
}

TConfFile::TConfFile(const std::string& fileName) { Error = ReadConfFile(fileName, Content); }

std::string GetProfileFolder(const std::string& subName, const std::string& firstArgument) {

  wchar_t environment[MAX_PATH + 1] = {};
  DWORD n = GetEnvironmentVariableW(L"TAVOPROF", environment, MAX_PATH + 1);
  if (n > MAX_PATH) n = 0;  // longer than a path: counts as unset
  return ChooseProfileFolder(firstArgument, NameOfWide(environment, n), FolderOf(ProgramPath()), subName,
                             SystemLeadByte);
}
