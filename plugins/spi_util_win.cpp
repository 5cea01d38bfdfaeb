#include <cstring>
#include <new>

#include "app/globals.h"
#include "framework/message_box.h"
#include "plugins/spi_api.h"
#include "plugins/spi_util.h"
#include "viewer/main_window.h"

namespace {

// The host never cancels a decode.
int __stdcall KeepGoing(int, int, LONG_PTR) { return 0; }

// A plug-in's NUL-terminated text, read no further than its block.
std::string LocalText(HLOCAL handle) {
  LockedLocal lock(handle);
  if (!lock.get()) return std::string();
  const char* text = static_cast<const char*>(lock.get());
  return std::string(text, strnlen(text, LocalSize(handle)));
}

int32_t SizeField(SIZE_T size) { return size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(size); }

int32_t TakePicture(HMODULE plugin, const uint8_t* image, size_t length, TDecodedPicture& picture) {
  auto getPictureInfo = GetExport<SpiGetPictureInfoProc>(plugin, "GetPictureInfo");
  auto getPicture = GetExport<SpiGetPictureProc>(plugin, "GetPicture");
  if (!getPictureInfo || !getPicture) return kSpiMissingExport;
  LPCSTR input = reinterpret_cast<LPCSTR>(image);
  const LONG_PTR inputLength = static_cast<LONG_PTR>(length);

  // Zeroed first: some plug-ins fill only some fields.
  SpiPictureInfo info{};
  int32_t code = getPictureInfo(input, inputLength, kSpiInputMemory, &info);
  if (code != 0) return code;
  picture.ColorBits = info.ColorDepth;
  if (info.TextHandle) {
    LocalMemory text(reinterpret_cast<HLOCAL>(info.TextHandle));
    picture.TextInfo = LocalText(text.get());
  }

  HLOCAL infoHandle = nullptr;
  HLOCAL bitsHandle = nullptr;
  code = getPicture(input, inputLength, kSpiInputMemory, &infoHandle, &bitsHandle, KeepGoing, 0);
  if (code != 0) return code;
  LocalMemory infoBlock(infoHandle);
  LocalMemory bitsBlock(bitsHandle);
  if (!infoBlock || !bitsBlock) return kSpiBrokenData;
  {
    // Handles are locked, never taken as addresses: plug-ins return movable
    // and fixed blocks alike. A longer block (a V5 header with a colour
    // profile behind it) is cut to the room the picture record has.
    LockedLocal lock(infoBlock.get());
    if (!lock.get()) return kSpiMemoryError;
    const SIZE_T size = LocalSize(infoBlock.get());
    std::memcpy(&picture.Info, lock.get(), size < sizeof picture.Info ? size : sizeof picture.Info);
  }
  void* bits = LocalLock(bitsBlock.get());
  if (!bits) return kSpiMemoryError;
  const SIZE_T bitsSize = LocalSize(bitsBlock.get());
  if (!PluginBitsFit(picture.Info, bitsSize)) {
    LocalUnlock(bitsBlock.get());
    return kSpiBrokenData;
  }
  picture.BitsHandle = bitsBlock.release();
  picture.Bits = bits;
  picture.BitsSize = SizeField(bitsSize);
  return 0;
}

}  // namespace

int32_t ProbePlugin(const std::string& dllPath, const std::string& fileName, const uint8_t (&header)[kSpiHeaderSize],
                    ModuleHandle& module) {
  module.reset();
  ModuleHandle dll = LoadPluginModule(dllPath);
  if (!dll) return kPluginNone;
  auto getPluginInfo = GetExport<SpiGetPluginInfoProc>(dll.get(), "GetPluginInfo");
  if (!getPluginInfo) return kPluginNone;
  char version[kSpiVersionBufferSize] = {};
  getPluginInfo(0, version, sizeof version);
  auto isSupported = GetExport<SpiIsSupportedProc>(dll.get(), "IsSupported");
  if (!isSupported) return kPluginNone;
  // The plug-in gets its own copy: what it does to it stays out of the caller's header.
  uint8_t probe[kSpiHeaderSize];
  std::memcpy(probe, header, sizeof probe);
  if (isSupported(fileName.c_str(), probe) == 0) return kPluginNone;
  const int32_t kind = PluginKind(std::string(version, strnlen(version, sizeof version)));
  if (kind != kPluginNone) module = std::move(dll);
  return kind;
}

int32_t DecodePicture(HMODULE plugin, const uint8_t* image, size_t length, TDecodedPicture& picture) {
  picture = TDecodedPicture{};
  if (!plugin) return kSpiMissingExport;
  const int32_t code = TakePicture(plugin, image, length, picture);
  if (code != 0) picture = TDecodedPicture{};
  return code;
}

int32_t ReadArchiveEntries(HMODULE plugin, const std::string& archive, std::unique_ptr<FileEntry[]>& entries) {
  entries.reset();
  auto getArchiveInfo = GetExport<SpiGetArchiveInfoProc>(plugin, "GetArchiveInfo");
  if (!getArchiveInfo) return kSpiMissingExport;
  HLOCAL handle = nullptr;
  const int32_t code = getArchiveInfo(archive.c_str(), 0, kSpiInputFile, &handle);
  if (code != 0) return code;
  LocalMemory block(handle);
  LockedLocal lock(block.get());
  if (!lock.get()) return 0;
  return ConvertArchiveEntries(static_cast<const uint8_t*>(lock.get()), LocalSize(block.get()), entries);
}

int32_t ExtractMember(HMODULE plugin, const std::string& archive, uint32_t position, std::vector<uint8_t>& data) {
  data.clear();
  auto getFile = GetExport<SpiGetFileProc>(plugin, "GetFile");
  if (!getFile) return kSpiMissingExport;
  HLOCAL handle = nullptr;
  const int32_t code = getFile(archive.c_str(), static_cast<LONG_PTR>(position), reinterpret_cast<LPSTR>(&handle),
                               kSpiOutputMemory, nullptr, 0);
  if (code != 0) return code;
  LocalMemory block(handle);
  if (!block) return kSpiBrokenData;
  LockedLocal lock(block.get());
  if (!lock.get()) return kSpiMemoryError;
  const uint8_t* member = static_cast<const uint8_t*>(lock.get());
  try {
    data.assign(member, member + LocalSize(block.get()));
  } catch (const std::bad_alloc&) {
    return kSpiNoMemory;
  }
  return 0;
}

std::string GetPluginDescription(HMODULE plugin) {
  auto getPluginInfo = GetExport<SpiGetPluginInfoProc>(plugin, "GetPluginInfo");
  if (!getPluginInfo) return std::string();
  char text[kSpiDescriptionBufferSize] = {};
  getPluginInfo(1, text, sizeof text);
  return std::string(text, strnlen(text, sizeof text));
}

void ShowPluginConfig(HWND owner, const std::string& dllPath) {
  ModuleHandle dll = LoadPluginModule(dllPath);
  if (!dll) return;
  if (auto configurationDlg = GetExport<SpiConfigurationDlgProc>(dll.get(), "ConfigurationDlg")) {
    configurationDlg(owner, 1);
    return;
  }
  ShowMessageBox(owner, "Configuration Dialog is not implemented.", "Plug-in Setting", MB_OK | MB_ICONINFORMATION);
}

void ShowPluginError(const std::string& name, int32_t code) {
  // Before the main window is shown (at start-up) the box stands on its own.
  HWND owner = GetDesktopWindow();
  if (MainWindow && MainWindow->Handle && IsWindowVisible(MainWindow->Handle)) owner = MainWindow->Handle;
  ShowWarning(owner, PluginErrorText(name, code));
}
