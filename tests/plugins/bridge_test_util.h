#pragma once
// For the tests of the 64-bit edition's 32-bit plug-in helper: the test
// plug-ins built 32-bit, the helper of this build, and its processes.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "plugin_test_util.h"

// The helper is a 32-bit program. tools/test says where this machine runs no
// 32-bit code (ORV_NO_32BIT); there nothing of it can be tested.
#define ORV_SKIP_WITHOUT_32BIT()                                                                           \
  do {                                                                                                     \
    if (std::getenv("ORV_NO_32BIT"))                                                                       \
      GTEST_SKIP() << "this machine cannot run 32-bit processes, so the 32-bit plug-in helper is not tested"; \
  } while (false)

// A 32-bit test plug-in ("orvpnm", "orvtar", "faulty", "bridgetest").
inline std::string Spi32(const std::string& name) { return OtherWidthSpi(name); }
// A copy of one in dir under another name: a record of its own, which no
// earlier test has faulted.
std::string Spi32Copy(const TempDir& dir, const std::string& name, const std::string& copyName);

// Points the plug-in table at the helper of this build, once per process.
void UseBuiltHelper();

// The helpers (orvspi32.exe) that the process parent started and that still run.
std::vector<DWORD> HelpersOf(DWORD parent);
// Whether the process has ended within timeoutMs (or never was).
bool ProcessEnds(DWORD id, DWORD timeoutMs);
