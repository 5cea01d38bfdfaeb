#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <type_traits>
#include <utility>

#include "app/globals.h"
#include "framework/message_box.h"
#include "image/block_alloc.h"
#include "image/bmp_header.h"
#include "image/bmp_reader.h"
#include "plugins/local_blocks_win.h"
#include "plugins/spi_api.h"
#include "plugins/spi_util.h"
#include "util/names_win.h"
#include "viewer/main_window.h"

namespace {

// The fault a decode, a listing or an extraction has just met on this thread,
// until ShowPluginError reports it or TakeUnreportedFault hands it on. Each
// of them starts with none, so a box only names the call just made. Probes
// and descriptions never report theirs, and a call refused after an earlier
// fault brings nothing new: one fault, one box. It points at the fault's
// record, which lives as long as the process (a thread-local object with a
// destructor is torn down at exit by the runtime, which has crashed there).
thread_local const TPluginFault* unreportedFault = nullptr;

// The code a call into module returns when it did not return itself.
int32_t FaultCode(HMODULE module, TCallOutcome outcome) {
  if (outcome == TCallOutcome::Faulted) {
    if (const TPluginFault* fault = PluginFaultOf(module)) unreportedFault = fault;
  }
  return kSpiFault;
}

// A plug-in's own code; the host's fault code is not one it may give.
int32_t OwnCode(int32_t code) { return code == kSpiFault || code == kSpiNoNameRoad ? kSpiMissingExport : code; }

// The host never cancels a decode.
int __stdcall KeepGoing(int, int, LONG_PTR) { return 0; }

// The held header of the plug-in's header block, read under the rules of
// the bitmap reader, so that the painter and GDI read nothing outside it or
// outside the pixel block, whatever the plug-in wrote.
int32_t ReadHeaderBlock(HLOCAL infoBlock, uint64_t bitsSize, TBmpLayout& layout) {
  // Handles are locked, never taken as addresses: plug-ins return movable
  // and fixed blocks alike. Bytes past the longest header, its masks and a
  // full colour table (a V5 header's colour profile) play no part.
  LockedLocal lock(infoBlock);
  if (!lock.get()) return kSpiMemoryError;
  uint8_t header[kDibHeaderBlockMax];
  const SIZE_T size = LocalSize(infoBlock);
  const size_t used = size < sizeof header ? size : sizeof header;
  std::memcpy(header, lock.get(), used);
  return ReadPluginLayout(header, used, bitsSize, layout);
}

// The pixel block to hold: the plug-in's own, left locked, when its pixels
// are drawn as they lie; otherwise (run-length data, 2-bit rows, bit fields
// GDI does not draw) a block of the program's built from it, the plug-in's
// then freed with bitsBlock.
int32_t HoldPluginBits(const TBmpLayout& layout, LocalMemory& bitsBlock, TDecodedPicture& picture) {
  if (layout.Pixels == TBmpPixels::Copy) {
    void* bits = LocalLock(bitsBlock.get());
    if (!bits) return kSpiMemoryError;
    picture.Info = layout.Info;
    picture.BitsHandle = bitsBlock.release();
    picture.Bits = bits;
    picture.BitsSize = static_cast<int32_t>(layout.BlockSize);
    return 0;
  }
  LockedLocal lock(bitsBlock.get());
  if (!lock.get()) return kSpiMemoryError;
  TDecodedPicture built;
  const int status = BuildBmpPixels(layout, static_cast<const uint8_t*>(lock.get()),
                                    static_cast<size_t>(layout.PixelSize), GlobalBlocks, built);
  if (status != kDecodeOk) return status;
  picture.Info = built.Info;
  picture.Bits = built.Bits;
  picture.BitsSize = built.BitsSize;
  return 0;
}

int32_t TakePicture(HMODULE plugin, const uint8_t* image, size_t length, TDecodedPicture& picture) {
  auto getPictureInfo = GetExport<SpiGetPictureInfoProc>(plugin, "GetPictureInfo");
  auto getPicture = GetExport<SpiGetPictureProc>(plugin, "GetPicture");
  if (!getPictureInfo || !getPicture) return kSpiMissingExport;
  LPCSTR input = reinterpret_cast<LPCSTR>(image);
  const LONG_PTR inputLength = static_cast<LONG_PTR>(length);

  // Zeroed first: some plug-ins fill only some fields. After a fault nothing
  // the plug-in wrote is used or freed: a block it had allocated is leaked.
  SpiPictureInfo info{};
  int32_t code;
  TCallOutcome outcome = CallPlugin(plugin, getPictureInfo, code, input, inputLength, kSpiInputMemory, &info);
  if (outcome != TCallOutcome::Returned) return FaultCode(plugin, outcome);
  if (code != 0) return OwnCode(code);
  picture.ColorBits = info.ColorDepth;
  if (HLOCAL handle = TextHandleOf(info)) {
    LocalMemory text(handle);
    picture.TextInfo = LocalText(text.get());
  }

  HLOCAL infoHandle = nullptr;
  HLOCAL bitsHandle = nullptr;
  outcome = CallPlugin(plugin, getPicture, code, input, inputLength, kSpiInputMemory, &infoHandle, &bitsHandle,
                       KeepGoing, LONG_PTR{0});
  if (outcome != TCallOutcome::Returned) return FaultCode(plugin, outcome);
  if (code != 0) return OwnCode(code);
  // Both blocks are checked before either is locked or freed: one handle
  // given as both is freed once, and the picture refused.
  LocalMemory infoBlock(OwnedLocal(infoHandle));
  LocalMemory bitsBlock(bitsHandle != infoHandle ? OwnedLocal(bitsHandle) : nullptr);
  if (!infoBlock || !bitsBlock) return kSpiBrokenData;
  TBmpLayout layout;
  const int32_t status = ReadHeaderBlock(infoBlock.get(), LocalSize(bitsBlock.get()), layout);
  if (status != 0) return status;
  return HoldPluginBits(layout, bitsBlock, picture);
}

}  // namespace

int32_t DecodePicture(HMODULE plugin, const uint8_t* image, size_t length, TDecodedPicture& picture) {
  picture = TDecodedPicture{};
  unreportedFault = nullptr;
  if (!plugin) return kSpiMissingExport;
  const int32_t code = TakePicture(plugin, image, length, picture);
  if (code != 0) picture = TDecodedPicture{};
  return code;
}

namespace {

// GetArchiveInfo, or GetArchiveInfoW for a UTF-16 name.
template <typename Char>
int32_t ListArchive(HMODULE plugin, const std::basic_string<Char>& archive, std::unique_ptr<FileEntry[]>& entries) {
  constexpr bool kWideName = std::is_same_v<Char, wchar_t>;
  using Proc = std::conditional_t<kWideName, SpiGetArchiveInfoWProc, SpiGetArchiveInfoProc>;
  entries.reset();
  unreportedFault = nullptr;
  auto getArchiveInfo = GetExport<Proc>(plugin, kWideName ? "GetArchiveInfoW" : "GetArchiveInfo");
  if (!getArchiveInfo) return kSpiMissingExport;
  HLOCAL handle = nullptr;
  int32_t code;
  const TCallOutcome outcome =
      CallPlugin(plugin, getArchiveInfo, code, archive.c_str(), LONG_PTR{0}, kSpiInputFile, &handle);
  if (outcome != TCallOutcome::Returned) return FaultCode(plugin, outcome);
  if (code != 0) return OwnCode(code);
  // A value the system does not know as a local memory handle is neither
  // read nor freed: like a block that cannot be locked, it lists nothing.
  LocalMemory block(OwnedLocal(handle));
  LockedLocal lock(block.get());
  if (!lock.get()) return 0;
  const auto* records = static_cast<const uint8_t*>(lock.get());
  if constexpr (kWideName)
    return ConvertWideArchiveEntries(records, LocalSize(block.get()), entries, NameOfWide16);
  else
    return ConvertArchiveEntries(records, LocalSize(block.get()), entries);
}

// GetFile, or GetFileW for a UTF-16 name, into memory.
template <typename Char>
int32_t Extract(HMODULE plugin, const std::basic_string<Char>& archive, SpiPosition position,
                std::vector<uint8_t>& data) {
  constexpr bool kWideName = std::is_same_v<Char, wchar_t>;
  using Proc = std::conditional_t<kWideName, SpiGetFileWProc, SpiGetFileProc>;
  using Destination = std::conditional_t<kWideName, LPWSTR, LPSTR>;
  data.clear();
  unreportedFault = nullptr;
  auto getFile = GetExport<Proc>(plugin, kWideName ? "GetFileW" : "GetFile");
  if (!getFile) return kSpiMissingExport;
  HLOCAL handle = nullptr;
  int32_t code;
  const TCallOutcome outcome = CallPlugin(plugin, getFile, code, archive.c_str(), static_cast<LONG_PTR>(position),
                                          reinterpret_cast<Destination>(&handle), kSpiOutputMemory, nullptr, LONG_PTR{0});
  if (outcome != TCallOutcome::Returned) return FaultCode(plugin, outcome);
  if (code != 0) return OwnCode(code);
  LocalMemory block(OwnedLocal(handle));
  if (!block) return kSpiBrokenData;
  LockedLocal lock(block.get());
  if (!lock.get()) return kSpiMemoryError;
  const uint8_t* member = static_cast<const uint8_t*>(lock.get());
  const SIZE_T size = LocalSize(block.get());
  // A member is shown with its size in 31 bits, as a file is.
  if (size > INT32_MAX) return kSpiNoMemory;
  try {
    data.assign(member, member + size);
  } catch (const std::bad_alloc&) {
    return kSpiNoMemory;
  }
  return 0;
}

}  // namespace

int32_t ReadArchiveEntries(HMODULE plugin, const std::string& archive, std::unique_ptr<FileEntry[]>& entries) {
  return ListArchive(plugin, archive, entries);
}

int32_t ReadArchiveEntries(HMODULE plugin, const std::wstring& archive, std::unique_ptr<FileEntry[]>& entries) {
  return ListArchive(plugin, archive, entries);
}

int32_t ExtractMember(HMODULE plugin, const std::string& archive, SpiPosition position, std::vector<uint8_t>& data) {
  return Extract(plugin, archive, position, data);
}

int32_t ExtractMember(HMODULE plugin, const std::wstring& archive, SpiPosition position, std::vector<uint8_t>& data) {
  return Extract(plugin, archive, position, data);
}

std::string GetPluginDescription(HMODULE plugin) {
  auto getPluginInfo = GetExport<SpiGetPluginInfoProc>(plugin, "GetPluginInfo");
  if (!getPluginInfo) return std::string();
  char text[kSpiDescriptionBufferSize] = {};
  int32_t ignored;
  if (CallPlugin(plugin, getPluginInfo, ignored, 1, text, static_cast<int>(sizeof text)) != TCallOutcome::Returned)
    return std::string();
  return std::string(text, strnlen(text, sizeof text));
}

namespace {

// Before the main window is shown (at start-up) a box stands on its own.
HWND PluginErrorOwner() {
  if (MainWindow && MainWindow->Handle && IsWindowVisible(MainWindow->Handle)) return MainWindow->Handle;
  return GetDesktopWindow();
}

}  // namespace

bool TakeUnreportedFault(TPluginFault& fault) {
  if (!unreportedFault) return false;
  fault = *std::exchange(unreportedFault, nullptr);
  return true;
}

void SetUnreportedFault(const TPluginFault* fault) { unreportedFault = fault; }

void ShowPluginFault(const std::string& name, const TPluginFault& fault) {
  ShowWarning(PluginErrorOwner(), PluginFaultText(name, fault.Name, fault.Code));
}

void ShowPluginError(const std::string& name, int32_t code) {
  if (code == kSpiFault) {
    TPluginFault fault;
    if (TakeUnreportedFault(fault)) ShowPluginFault(name, fault);
    return;
  }
  ShowWarning(PluginErrorOwner(), PluginErrorText(name, code));
}
