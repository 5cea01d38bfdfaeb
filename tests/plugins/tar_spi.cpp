// Test archive plug-in: uncompressed tar (ustar), members read from the file.
// A file "ORVTEST <mode> [code]" instead makes it misbehave the ways published
// archive plug-ins do. Its records are written byte by byte as plug-ins of its
// width lay them out; those of an archive whose name ends in ".far.tar" give
// every member a position 4 GB further on, as members of a huge archive have,
// where the record holds 8 bytes.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "plugins/spi_api.h"
#include "eh_pool_release.h"
#include "spi_test_log.h"
#include "spi_test_records.h"

namespace {

const struct TCountsLoads {
  TCountsLoads() { CountSpi("loads_tar"); }
} countsLoads;

constexpr size_t kBlock = 512;
using spi_test::TArchiveRecord;

uint64_t PositionShift(LPCSTR archive) {
  const size_t n = archive ? std::strlen(archive) : 0;
  const bool huge = n >= 8 && lstrcmpiA(archive + n - 8, ".far.tar") == 0;
  return huge && spi_test::kWide ? 1ull << 32 : 0;
}

std::string ReadWholeFile(LPCSTR name) {
  std::string bytes;
  HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

uint64_t Octal(const char* field, size_t size) {
  uint64_t value = 0;
  for (size_t i = 0; i < size && field[i] >= '0' && field[i] <= '7'; ++i) value = value * 8 + (field[i] - '0');
  return value;
}

// "ORVTEST mode code": the mode word and its number, or an empty mode.
std::string TestMode(const std::string& bytes, int& code) {
  if (bytes.compare(0, 8, "ORVTEST ") != 0) return std::string();
  size_t end = bytes.find_first_of(" \n", 8);
  if (end == std::string::npos) end = bytes.size();
  code = std::atoi(bytes.c_str() + end);
  return bytes.substr(8, end - 8);
}

// The folder part keeps its final separator; the archive's "/" becomes "\".
TArchiveRecord Record(const std::string& name, uint64_t position, int64_t size, int64_t time) {
  const size_t slash = name.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
  std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
  for (char& c : folder)
    if (c == '/') c = '\\';
  return spi_test::ArchiveRecord("tar", position, size, time, folder, file);
}

std::vector<TArchiveRecord> TarRecords(const std::string& bytes, uint64_t shift) {
  std::vector<TArchiveRecord> records;
  for (size_t at = 0; at + kBlock <= bytes.size();) {
    const char* h = bytes.data() + at;
    if (h[0] == '\0') break;
    const std::string name(h, strnlen(h, 100));
    const std::string prefix(h + 345, strnlen(h + 345, 155));
    const uint64_t size = Octal(h + 124, 12);
    const uint64_t time = Octal(h + 136, 12);
    const bool folder = h[156] == '5';
    // A 32-bit record takes the time's low 32 bits, as a 32-bit time_t would.
    records.push_back(Record(prefix.empty() ? name : prefix + "/" + name, at + shift,
                             folder ? 0 : static_cast<int64_t>(size),
                             spi_test::kWide ? static_cast<int64_t>(time) : static_cast<int32_t>(time)));
    at += kBlock + (folder ? 0 : (size + kBlock - 1) / kBlock * kBlock);
  }
  return records;
}

HLOCAL CopyToLocal(const void* data, size_t size) {
  HLOCAL handle = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, size);
  if (void* p = handle ? LocalLock(handle) : nullptr) {
    std::memcpy(p, data, size);
    LocalUnlock(handle);
  }
  return handle;
}

}  // namespace

SPI_EXPORT int __stdcall GetPluginInfo(int infoNumber, LPSTR buffer, int length) {
  if (infoNumber == 0) LogSpiCall("tar:info0");
  static const char* const kInfo[] = {"00AM", "Orv test tar reader", "*.tar", "tar archives"};
  if (infoNumber < 0 || infoNumber > 3) return 0;
  return CopyInfoText(kInfo[infoNumber], buffer, length);
}

SPI_EXPORT int __stdcall IsSupported(LPCSTR, void* header) {
  LogSpiCall("tar:supported");
  const char* p = static_cast<const char*>(header);
  return std::memcmp(p + 257, "ustar", 5) == 0 || std::memcmp(p, "ORVTEST ", 8) == 0;
}

SPI_EXPORT int __stdcall GetArchiveInfo(LPCSTR archive, LONG_PTR, unsigned flag, HLOCAL* entries) {
  if ((flag & 7) != kSpiInputFile) return 2;
  const std::string bytes = ReadWholeFile(archive);
  if (bytes.empty()) return 6;
  int code = 0;
  const std::string mode = TestMode(bytes, code);
  std::vector<TArchiveRecord> records;
  bool terminate = true;
  if (mode == "error") return code;
  if (mode == "nullhandle") {
    *entries = nullptr;
    return 0;
  }
  if (mode == "longnames") {
    // Both name fields full, neither with a NUL.
    records.push_back(spi_test::ArchiveRecord("tar", 0, 1, 0, std::string(200, 'a'), std::string(200, 'b')));
  } else if (mode == "noend") {
    records.push_back(Record("x", 0, 1, 0));
    records.push_back(Record("y", 1, 2, 0));
    terminate = false;
  } else if (mode.empty()) {
    records = TarRecords(bytes, PositionShift(archive));
  }
  if (terminate) records.push_back(TArchiveRecord{});
  *entries = CopyToLocal(records.data(), records.size() * sizeof(TArchiveRecord));
  return *entries ? 0 : 4;
}

SPI_EXPORT int __stdcall GetFile(LPCSTR archive, LONG_PTR position, LPSTR destination, unsigned flag, SpiProgressProc,
                                 LONG_PTR) {
  if ((flag & 7) != kSpiInputFile || (flag & 0x700) != kSpiOutputMemory) return 2;
  const std::string bytes = ReadWholeFile(archive);
  int code = 0;
  if (TestMode(bytes, code) == "fileerror") return code;
  const uint64_t shift = PositionShift(archive);
  if (static_cast<uint64_t>(position) < shift) return 3;
  const size_t at = static_cast<size_t>(static_cast<uint64_t>(position) - shift);
  if (at + kBlock > bytes.size()) return 3;
  const size_t size = static_cast<size_t>(Octal(bytes.data() + at + 124, 12));
  if (bytes.size() - at - kBlock < size) return 10;
  HLOCAL member = CopyToLocal(bytes.data() + at + kBlock, size);
  if (!member) return 4;
  *reinterpret_cast<HLOCAL*>(destination) = member;
  return 0;
}

static_assert(std::is_same_v<decltype(&GetPluginInfo), SpiGetPluginInfoProc>);
static_assert(std::is_same_v<decltype(&IsSupported), SpiIsSupportedProc>);
static_assert(std::is_same_v<decltype(&GetArchiveInfo), SpiGetArchiveInfoProc>);
static_assert(std::is_same_v<decltype(&GetFile), SpiGetFileProc>);
