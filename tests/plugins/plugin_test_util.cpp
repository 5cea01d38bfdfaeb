#include "plugin_test_util.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/message_box.h"
#include "win_test_util.h"

std::string TestDll(const char* folder, const std::string& fileName) { return ProgramPath(folder) + "\\" + fileName; }

std::string FaultySpi(const TempDir& dir, const std::string& exportName, const std::string& kind) {
  const std::string path = dir.Path() + exportName + "-" + kind + kPluginSuffix;
  CopyFileA(TestSpi("faulty").c_str(), path.c_str(), FALSE);
  return path;
}

std::vector<THostileLines> HostileCatalogue(const TempDir& dir) {
  std::string many;
  for (int i = 0; i < 10000; ++i) many += "C:\\nowhere\\plugin" + std::to_string(i) + kPluginSuffix + "\r\n";
  // Any byte but 0x1A, which ends the catalogue and so the lines behind it.
  std::string garbage;
  uint32_t seed = 12345;
  for (int i = 0; i < 4096; ++i) {
    seed = seed * 1103515245u + 12345u;
    const char byte = static_cast<char>(seed >> 23);
    garbage += byte == '\x1A' ? '\x1B' : byte;
  }
  return {
      {"10,000 lines", many},
      {"binary garbage", garbage + "\r\n"},
      {"a line longer than 1024 bytes", "C:\\" + std::string(3000, 'x') + kPluginSuffix + "\r\n"},
      {"a text file named as a plug-in", dir.Write(std::string("text") + kPluginSuffix, "just some text\r\n") + "\r\n"},
      {"a folder named as a plug-in", dir.MakeDir(std::string("folder") + kPluginSuffix) + "\r\n"},
      {"a name without a folder", std::string("orvpnm") + kPluginSuffix + "\r\n"},
      {"a DLL whose DllMain fails", TestSpi("dllmainfails") + "\r\n"},
      {"DLLs with some exports only",
       TestSpi("claimpicture") + "\r\n" + TestSpi("noissupported") + "\r\n" + TestSpi("noinfo") + "\r\n"},
      {"plug-ins that fault when asked",
       FaultySpi(dir, "supported", "nullwrite") + "\r\n" + FaultySpi(dir, "info", "ud2") + "\r\n"},
      {"a DLL of the other width", OtherWidthSpi("otherwidth") + "\r\n"},
      {"a DLL of the other width named as one of this width",
       [&dir] {
         const std::string path = dir.Path() + "otherwidth" + kPluginSuffix;
         CopyFileA(OtherWidthSpi("otherwidth").c_str(), path.c_str(), FALSE);
         return path + "\r\n";
       }()},
  };
}

std::string PnmFile(bool colour, int width, int height, const std::vector<uint8_t>& samples) {
  std::string file =
      std::string(colour ? "P6" : "P5") + "\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  file.append(samples.begin(), samples.end());
  return file;
}

uint32_t TarBuilder::AddHeader(const std::string& name, size_t size, uint32_t time, char type) {
  const uint32_t position = static_cast<uint32_t>(bytes_.size());
  char h[512] = {};
  std::strncpy(h, name.c_str(), 100);
  std::snprintf(h + 100, 8, "%07o", 0644);
  std::snprintf(h + 108, 8, "%07o", 0);
  std::snprintf(h + 116, 8, "%07o", 0);
  std::snprintf(h + 124, 12, "%011o", static_cast<unsigned>(size));
  std::snprintf(h + 136, 12, "%011o", time);
  h[156] = type;
  std::memcpy(h + 257, "ustar", 6);
  std::memcpy(h + 263, "00", 2);
  std::memset(h + 148, ' ', 8);
  unsigned sum = 0;
  for (unsigned char c : h) sum += c;
  std::snprintf(h + 148, 8, "%06o", sum);
  bytes_.append(h, sizeof h);
  return position;
}

uint32_t TarBuilder::AddFile(const std::string& name, const std::string& data, uint32_t time) {
  const uint32_t position = AddHeader(name, data.size(), time, '0');
  bytes_ += data;
  bytes_.append((512 - data.size() % 512) % 512, '\0');
  return position;
}

uint32_t TarBuilder::AddFolder(const std::string& name, uint32_t time) { return AddHeader(name, 0, time, '5'); }

std::string TarBuilder::Bytes() const { return bytes_ + std::string(1024, '\0'); }

ProbeHeader::ProbeHeader(const std::string& file) {
  std::memcpy(Bytes, file.data(), file.size() < sizeof Bytes ? file.size() : sizeof Bytes);
}

std::string SpiLog() {
  char log[4096] = {};
  DWORD n = GetEnvironmentVariableA("ORV_SPI_LOG", log, sizeof log);
  return n < sizeof log ? std::string(log, n) : std::string();
}

std::string TarOf(const std::vector<std::pair<std::string, std::string>>& members) {
  TarBuilder tar;
  for (const auto& m : members) tar.AddFile(m.first, m.second, 1600000000);
  return tar.Bytes();
}

int SpiCount(const std::string& what) {
  char count[16] = {};
  const DWORD n = GetEnvironmentVariableA(("ORV_SPI_COUNT_" + what).c_str(), count, sizeof count);
  return n && n < sizeof count ? std::atoi(count) : 0;
}

void ClearSpiLog() { SetEnvironmentVariableA("ORV_SPI_LOG", nullptr); }

bool IsFreedLocal(HLOCAL handle) { return LocalFlags(handle) == LMEM_INVALID_HANDLE; }

BoxCapture::BoxCapture() {
  SetMessageBoxHook([this](HWND owner, const std::string& text, const std::string& caption, UINT type) {
    Last.Owner = owner;
    Last.Text = text;
    Last.Caption = caption;
    Last.Type = type;
    ++Last.Count;
    return IDOK;
  });
}

BoxCapture::~BoxCapture() { SetMessageBoxHook(nullptr); }
