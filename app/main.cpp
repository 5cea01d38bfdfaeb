#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/startup.h"
#include "util/names_win.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Planted DLLs in the current folder must never be picked up by a load.
  SetDllDirectoryA("");
  try {
    // The arguments in UTF-16: a file whose name the code page cannot spell
    // is named whole.
    const std::vector<std::string> arguments = ProgramArguments();
    std::vector<const char*> argv = {"orv"};
    for (const std::string& a : arguments) argv.push_back(a.c_str());
    return RunOrv(static_cast<int>(argv.size()), argv.data());
  } catch (...) {
    return 255;
  }
}
