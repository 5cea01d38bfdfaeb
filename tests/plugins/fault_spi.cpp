// Test plug-in that faults. Its file name says where and how: a copy named
// "<export>-<kind>.spi" faults in that export in that way, and behaves
// everywhere else (a 1 x 1 picture, or an archive with one PNM member). Files
// whose first bytes are "FAULTME" are the only ones it claims.
//   export: info, desc (GetPluginInfo 0 and 1), supported, pictureinfo, picture,
//           archiveinfo, file, config; anything else never faults
//   kind:   nullwrite, divzero, ud2, privileged, overflow (of the stack),
//           msvcthrow (raised as the Microsoft C++ runtime throws), delphi (as
//           Delphi raises), gccthrow (a C++ throw of this compiler through a
//           frame with a destructor; only where it goes through the system's
//           exception dispatch), alloc (allocates the call's result blocks,
//           hands them out, then writes through null), handled (raises and
//           handles exceptions itself, then goes on normally), fpustack
//           (fills the x87 register stack, then writes through null)
// Every call is logged as "<export>-<kind>:<call>".

#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>

#include "native_faults.h"
#include "plugins/spi_api.h"
#include "spi_test_log.h"
#include "spi_test_records.h"

namespace {

char name[MAX_PATH] = "";
char faultyExport[32] = "";
char kind[32] = "";

void Log(const char* call) { LogSpiCall(std::string(name) + ":" + call); }

void LogHandle(const char* what, HLOCAL handle) {
  char entry[64];
  std::snprintf(entry, sizeof entry, "%s(%llx)", what,
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(handle)));
  Log(entry);
}

bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

// Exceptions raised and handled inside the plug-in: a probe of an unmapped
// address that the system catches itself, and a C++ exception caught here.
void RaiseAndHandle() {
  if (!IsBadWritePtr(reinterpret_cast<void*>(16), 4)) Log("unmapped-writable");
  try {
    throw 7;
  } catch (int) {
  }
}

struct LogsCleanup {
  ~LogsCleanup() { Log("cleanup"); }
};

[[gnu::noinline]] void ThrowThroughCleanup() {
  LogsCleanup pending;
  throw 42;
}

void Fault() {
  if (Is(kind, "fpustack")) asm volatile("fld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1");
  if (Is(kind, "nullwrite") || Is(kind, "alloc") || Is(kind, "fpustack")) WriteThroughNull();
  if (Is(kind, "divzero")) DivideByZero();
  if (Is(kind, "ud2")) IllegalInstruction();
  if (Is(kind, "privileged")) PrivilegedInstruction();
  if (Is(kind, "overflow")) RecurseWithoutEnd(0);
  if (Is(kind, "msvcthrow")) {
    // What the Microsoft runtime's throw raises: its magic number and the thrown object's address.
    static int thrown = 0;
    ULONG_PTR info[3] = {0x19930520, reinterpret_cast<ULONG_PTR>(&thrown), 0};
    RaiseException(0xE06D7363, EXCEPTION_NONCONTINUABLE, 3, info);
  }
  if (Is(kind, "delphi")) {
    ULONG_PTR info[7] = {};
    RaiseException(0x0EEDFADE, EXCEPTION_NONCONTINUABLE, 7, info);
  }
  if (Is(kind, "gccthrow")) ThrowThroughCleanup();
  if (Is(kind, "handled")) RaiseAndHandle();
}

// The export's turn: faults when it is the one named.
void Enter(const char* exportName) {
  Log(exportName);
  if (Is(exportName, faultyExport)) Fault();
}

bool Faults(const char* exportName) { return Is(exportName, faultyExport) && Is(kind, "alloc"); }

HLOCAL Block(const void* bytes, size_t size) {
  HLOCAL block = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, size);
  if (void* p = LocalLock(block)) {
    if (bytes) std::memcpy(p, bytes, size);
    LocalUnlock(block);
  }
  return block;
}

bool IsArchive() { return Is(faultyExport, "archiveinfo") || Is(faultyExport, "file"); }

const char kMember[] = "P6\n1 1\n255\n\x10\x20\x30";

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char path[MAX_PATH] = {};
  GetModuleFileNameA(instance, path, sizeof path);
  const char* base = std::strrchr(path, '\\');
  base = base ? base + 1 : path;
  lstrcpynA(name, base, sizeof name);
  if (char* dot = std::strrchr(name, '.')) *dot = '\0';
  const char* dash = std::strchr(name, '-');
  if (dash) {
    lstrcpynA(faultyExport, name, static_cast<int>(dash - name + 1 < 32 ? dash - name + 1 : 32));
    lstrcpynA(kind, dash + 1, sizeof kind);
  }
  return TRUE;
}

SPI_EXPORT int __stdcall GetPluginInfo(int infoNumber, LPSTR buffer, int length) {
  Enter(infoNumber == 0 ? "info" : "desc");
  if (infoNumber == 0) return CopyInfoText(IsArchive() ? "00AM" : "00IN", buffer, length);
  return infoNumber == 1 ? CopyInfoText("Orv test plug-in that faults", buffer, length) : 0;
}

SPI_EXPORT int __stdcall IsSupported(LPCSTR, void* header) {
  Enter("supported");
  return std::memcmp(header, "FAULTME", 7) == 0;
}

SPI_EXPORT int __stdcall GetPictureInfo(LPCSTR, LONG_PTR, unsigned, SpiPictureInfo* info) {
  if (Faults("pictureinfo")) {
    HLOCAL text = Block("text", 5);
    LogHandle("alloc", text);
    spi_test::PutTextHandle(info, text);
  }
  Enter("pictureinfo");
  spi_test::WritePictureInfo(info, 1, 1, 24, nullptr);
  return 0;
}

SPI_EXPORT int __stdcall GetPicture(LPCSTR, LONG_PTR, unsigned, HLOCAL* bitmapInfo, HLOCAL* bits, SpiProgressProc,
                                    LONG_PTR) {
  BitmapInfoHeader h{};
  h.biSize = sizeof h;
  h.biWidth = 1;
  h.biHeight = 1;
  h.biPlanes = 1;
  h.biBitCount = 24;
  const uint8_t pixel[4] = {0x30, 0x20, 0x10, 0};
  if (Faults("picture")) {
    *bitmapInfo = Block(&h, sizeof h);
    *bits = Block(pixel, sizeof pixel);
    LogHandle("alloc", *bitmapInfo);
    LogHandle("alloc", *bits);
  }
  Enter("picture");
  *bitmapInfo = Block(&h, sizeof h);
  *bits = Block(pixel, sizeof pixel);
  return 0;
}

SPI_EXPORT int __stdcall GetArchiveInfo(LPCSTR, LONG_PTR, unsigned, HLOCAL* entries) {
  const spi_test::TArchiveRecord records[2] = {
      spi_test::ArchiveRecord("store", 0, sizeof kMember - 1, 0, "", "member.ppm"), {}};
  if (Faults("archiveinfo")) {
    *entries = Block(records, sizeof records);
    LogHandle("alloc", *entries);
  }
  Enter("archiveinfo");
  *entries = Block(records, sizeof records);
  return 0;
}

SPI_EXPORT int __stdcall GetFile(LPCSTR, LONG_PTR, LPSTR destination, unsigned, SpiProgressProc, LONG_PTR) {
  HLOCAL* member = reinterpret_cast<HLOCAL*>(destination);
  if (Faults("file")) {
    *member = Block(kMember, sizeof kMember - 1);
    LogHandle("alloc", *member);
  }
  Enter("file");
  *member = Block(kMember, sizeof kMember - 1);
  return 0;
}

SPI_EXPORT int __stdcall ConfigurationDlg(HWND, int) {
  Enter("config");
  return 0;
}

static_assert(std::is_same_v<decltype(&GetPluginInfo), SpiGetPluginInfoProc>);
static_assert(std::is_same_v<decltype(&IsSupported), SpiIsSupportedProc>);
static_assert(std::is_same_v<decltype(&GetPictureInfo), SpiGetPictureInfoProc>);
static_assert(std::is_same_v<decltype(&GetPicture), SpiGetPictureProc>);
static_assert(std::is_same_v<decltype(&GetArchiveInfo), SpiGetArchiveInfoProc>);
static_assert(std::is_same_v<decltype(&GetFile), SpiGetFileProc>);
static_assert(std::is_same_v<decltype(&ConfigurationDlg), SpiConfigurationDlgProc>);
