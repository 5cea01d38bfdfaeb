#pragma once
// Helpers for the tests of the companion plug-ins: where the built DLLs are,
// and what a host checks of the blocks they return.

#include <windows.h>

#include <string>

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
