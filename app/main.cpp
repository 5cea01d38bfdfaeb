#include <windows.h>

#include <cstdlib>

#include "app/startup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Planted DLLs in the current folder must never be picked up by a load.
  SetDllDirectoryA("");
  try {
    return RunOrv(__argc, __argv);
  } catch (...) {
    return 255;
  }
}
