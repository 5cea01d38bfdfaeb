#pragma once
// Test data for the plug-in host, made in code: PNM pictures, ustar archives,
// file headers as probes see them, and the test plug-ins' paths and call log.

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "plugins/spi_records.h"

class TempDir;

// The full path of a test DLL built into folder ORV_SPI_DIR, ORV_DEPS_DIR...
std::string TestDll(const char* folder, const std::string& fileName);
// The test plug-in of this name, named as this build's plug-ins are (".spi",
// or ".sph" in the 64-bit build); OtherWidthSpi for the one of the other width.
inline std::string TestSpi(const std::string& name) { return TestDll(ORV_SPI_DIR, name + kPluginSuffix); }
inline std::string OtherWidthSpi(const std::string& name) {
  return TestDll(ORV_SPI_DIR, name + kOtherWidthPluginSuffix);
}

// A copy in dir of the test plug-in that faults, named "<export>-<kind>.spi"
// so that it faults in that export in that way (see fault_spi.cpp).
std::string FaultySpi(const TempDir& dir, const std::string& exportName, const std::string& kind);

// Catalogue lines no one would write by hand, each naming nothing that can
// read a picture: what they are, and their text (CR LF ended). The files they
// name are made in dir.
struct THostileLines {
  std::string What;
  std::string Text;
};
std::vector<THostileLines> HostileCatalogue(const TempDir& dir);

// "P6 w h 255" (or P5) followed by the samples, red-green-blue for P6.
std::string PnmFile(bool colour, int width, int height, const std::vector<uint8_t>& samples);

// A ustar archive, members in the order added, ended by two zero blocks.
class TarBuilder {
 public:
  // Returns the member's header offset, the position the plug-in reports.
  uint32_t AddFile(const std::string& name, const std::string& data, uint32_t time);
  uint32_t AddFolder(const std::string& name, uint32_t time);
  std::string Bytes() const;

 private:
  uint32_t AddHeader(const std::string& name, size_t size, uint32_t time, char type);
  std::string bytes_;
};

// A ustar archive of these members (name, bytes), each stamped 2020-09-13.
std::string TarOf(const std::vector<std::pair<std::string, std::string>>& members);

// The first bytes of a file as ChoosePlugin hands them to a probe: zero-filled.
struct ProbeHeader {
  explicit ProbeHeader(const std::string& file);
  uint8_t Bytes[kSpiHeaderSize] = {};
};

// How often a test plug-in counted this event in this process (CountSpi):
// "loads_<name>", "decodes_<name>".
int SpiCount(const std::string& what);

// The test plug-ins' call log ("name:call;..."), and emptying it.
std::string SpiLog();
void ClearSpiLog();

// LocalFlags of a handle the host freed: the handle is no longer valid.
bool IsFreedLocal(HLOCAL handle);

// Replaces the whole text of every message box with a capture while alive.
struct CapturedBox {
  HWND Owner = nullptr;
  std::string Text;
  std::string Caption;
  UINT Type = 0;
  int Count = 0;
};
class BoxCapture {
 public:
  BoxCapture();
  ~BoxCapture();
  BoxCapture(const BoxCapture&) = delete;
  BoxCapture& operator=(const BoxCapture&) = delete;
  CapturedBox Last;
};
