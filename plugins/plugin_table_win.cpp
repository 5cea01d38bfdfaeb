#include "plugins/plugin_table_win.h"

#include <cstring>
#include <map>

#include "app/globals.h"
#include "framework/common_controls.h"
#include "framework/message_box.h"
#include "plugins/bridge_calls_win.h"
#include "plugins/plugin_lock_win.h"
#include "plugins/spi_util.h"
#include "util/names_win.h"

namespace {

// Lives until the process ends, as the modules do.
std::map<std::string, TPlugin>& Records() {
  static auto* records = new std::map<std::string, TPlugin>;
  return *records;
}

template <typename Proc>
void Resolve(HMODULE module, Proc& proc, const char* name) {
  proc = GetExport<Proc>(module, name);
}

// A call into the record's module; a fault marks the record.
template <typename Proc, typename... Args>
TCallOutcome Call(TPlugin& plugin, Proc proc, int32_t& result, Args... args) {
  const TCallOutcome outcome = CallPlugin(plugin.Module, proc, result, args...);
  if (outcome != TCallOutcome::Returned) plugin.State = TPluginState::Faulted;
  return outcome;
}

// After a module-level call: a fault in it is the record's too.
void NoteFault(TPlugin& plugin) {
  if (plugin.Module && PluginFaultOf(plugin.Module)) plugin.State = TPluginState::Faulted;
}

// Whether the plug-in has the calls a plug-in of its kind is asked to make.
bool HasExportsOfKind(const TPlugin& plugin) {
  const TPluginExports& e = plugin.Exports;
  if (plugin.Kind == kPluginPicture) return e.GetPictureInfo && e.GetPicture;
  if (plugin.Kind == kPluginArchive) return e.GetArchiveInfo && e.GetFile;
  return false;
}

// The module of a record that may be called: loaded, or faulted (whose calls
// the guard refuses, so that the caller hears of the fault); else null.
HMODULE CallableModule(TPlugin& plugin) {
  LoadPlugin(plugin);
  return plugin.State == TPluginState::Loaded || plugin.State == TPluginState::Faulted ? plugin.Module : nullptr;
}

// Loads the record once; true when its calls go to the helper process.
bool Bridged(TPlugin& plugin) {
  LoadPlugin(plugin);
  return plugin.Bridged;
}

}  // namespace

std::recursive_mutex& PluginCallLock() {
  static auto* lock = new std::recursive_mutex;
  return *lock;
}

std::vector<TPlugin*> CatalogueRecords() {
  std::vector<TPlugin*> records;
  for (int32_t i = 0; PluginFiles && i < PluginFiles->Count; ++i)
    records.push_back(&PluginRecord(static_cast<const char*>(PluginFiles->Get(i))));
  return records;
}

TPlugin& PluginRecord(const std::string& path) {
  TPluginCallGuard guard(PluginCallLock());
  auto [at, made] = Records().try_emplace(path);
  if (made) at->second.Path = path;
  return at->second;
}

bool LoadPlugin(TPlugin& plugin) {
  TPluginCallGuard guard(PluginCallLock());
  if (plugin.State != TPluginState::NotLoaded) return plugin.State == TPluginState::Loaded;
  if (IsBridgedPlugin(plugin.Path)) return BridgeLoadPlugin(plugin);
  plugin.State = TPluginState::FailedToLoad;
  ModuleHandle dll = LoadPluginModule(plugin.Path);
  if (!dll) return false;
  plugin.Module = dll.release();
  TPluginExports& e = plugin.Exports;
  Resolve(plugin.Module, e.GetPluginInfo, "GetPluginInfo");
  Resolve(plugin.Module, e.IsSupported, "IsSupported");
  Resolve(plugin.Module, e.GetPictureInfo, "GetPictureInfo");
  Resolve(plugin.Module, e.GetPicture, "GetPicture");
  Resolve(plugin.Module, e.GetArchiveInfo, "GetArchiveInfo");
  Resolve(plugin.Module, e.GetFile, "GetFile");
  Resolve(plugin.Module, e.ConfigurationDlg, "ConfigurationDlg");
  Resolve(plugin.Module, e.IsSupportedW, "IsSupportedW");
  Resolve(plugin.Module, e.GetArchiveInfoW, "GetArchiveInfoW");
  Resolve(plugin.Module, e.GetFileW, "GetFileW");
  if (!e.GetPluginInfo) return false;
  // Two catalogue lines may name one module, which may have faulted already.
  plugin.State = PluginFaultOf(plugin.Module) ? TPluginState::Faulted : TPluginState::Loaded;
  if (plugin.State != TPluginState::Loaded) return false;
  char version[kSpiVersionBufferSize] = {};
  int32_t ignored;
  if (Call(plugin, e.GetPluginInfo, ignored, 0, version, static_cast<int>(sizeof version)) !=
      TCallOutcome::Returned)
    return false;
  plugin.Kind = PluginKind(std::string(version, strnlen(version, sizeof version)));
  return true;
}

int32_t ProbePlugin(TPlugin& plugin, const std::string& fileName, const uint8_t (&header)[kSpiHeaderSize]) {
  TPluginCallGuard guard(PluginCallLock());
  if (Bridged(plugin)) return BridgeProbePlugin(plugin, fileName, header);
  if (!LoadPlugin(plugin) || plugin.Kind == kPluginNone || !plugin.Exports.IsSupported) return kPluginNone;
  // The plug-in gets its own copy: what it does to it stays out of the caller's header.
  uint8_t probe[kSpiHeaderSize];
  std::memcpy(probe, header, sizeof probe);
  int32_t answer;
  TCallOutcome outcome;
  if (IsWideName(fileName) && plugin.Exports.IsSupportedW) {
    outcome = Call(plugin, plugin.Exports.IsSupportedW, answer, WideOf(fileName).c_str(), static_cast<void*>(probe));
  } else {
    std::string name = fileName;
    if (IsWideName(fileName)) {
      name = SpellableShortPath(fileName);
      if (name.empty()) name = SpellableStandIn(fileName);
    }
    outcome = Call(plugin, plugin.Exports.IsSupported, answer, name.c_str(), static_cast<void*>(probe));
  }
  if (outcome != TCallOutcome::Returned || answer == 0) return kPluginNone;
  // One that lacks the calls of its kind could not read the file it claims:
  // the next plug-in of the catalogue gets the chance instead.
  return HasExportsOfKind(plugin) ? plugin.Kind : kPluginNone;
}

int32_t DecodePicture(TPlugin& plugin, const uint8_t* image, size_t length, TDecodedPicture& picture) {
  TPluginCallGuard guard(PluginCallLock());
  if (Bridged(plugin)) return BridgeDecodePicture(plugin, image, length, picture);
  const int32_t code = DecodePicture(CallableModule(plugin), image, length, picture);
  NoteFault(plugin);
  return code;
}

int32_t ReadArchiveEntries(TPlugin& plugin, const std::string& archive, std::unique_ptr<FileEntry[]>& entries) {
  TPluginCallGuard guard(PluginCallLock());
  if (Bridged(plugin)) return BridgeReadArchiveEntries(plugin, archive, entries);
  HMODULE module = CallableModule(plugin);
  if (!module) {
    entries.reset();
    return kSpiMissingExport;
  }
  int32_t code;
  if (plugin.Exports.GetArchiveInfoW) {
    code = ReadArchiveEntries(module, WideOf(archive), entries);
  } else {
    const std::string name = IsWideName(archive) ? SpellableShortPath(archive) : archive;
    if (name.empty()) return kSpiNoNameRoad;
    code = ReadArchiveEntries(module, name, entries);
  }
  NoteFault(plugin);
  return code;
}

int32_t ExtractMember(TPlugin& plugin, const std::string& archive, SpiPosition position, TMemberBlock& data) {
  TPluginCallGuard guard(PluginCallLock());
  if (Bridged(plugin)) return BridgeExtractMember(plugin, archive, position, data);
  HMODULE module = CallableModule(plugin);
  if (!module) {
    data.clear();
    return kSpiMissingExport;
  }
  int32_t code;
  if (IsWideName(archive) && plugin.Exports.GetFileW) {
    code = ExtractMember(module, WideOf(archive), position, data.Bytes());
  } else {
    const std::string name = IsWideName(archive) ? SpellableShortPath(archive) : archive;
    if (name.empty()) return kSpiNoNameRoad;
    code = ExtractMember(module, name, position, data.Bytes());
  }
  NoteFault(plugin);
  return code;
}

std::string GetPluginDescription(TPlugin& plugin) {
  TPluginCallGuard guard(PluginCallLock());
  if (Bridged(plugin)) return BridgeGetPluginDescription(plugin);
  HMODULE module = CallableModule(plugin);
  if (!module) return std::string();
  std::string text = GetPluginDescription(module);
  NoteFault(plugin);
  return text;
}

bool PluginFound(TPlugin& plugin) {
  TPluginCallGuard guard(PluginCallLock());
  if (Bridged(plugin)) return BridgePluginFound(plugin);
  return plugin.Module && plugin.Exports.GetPluginInfo;
}

std::string PluginModulePath(const TPlugin& plugin) {
  TPluginCallGuard guard(PluginCallLock());
  // A module of the helper's has no name in this process: its path is the one it was loaded by.
  if (!plugin.Module) return plugin.Path;
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameW(plugin.Module, path, MAX_PATH + 1);
  return NameOfWide(path, n > MAX_PATH ? 0 : n);
}

void ShowPluginConfig(HWND owner, TPlugin& plugin) {
  if (Bridged(plugin)) return BridgeShowPluginConfig(owner, plugin);
  TPluginFault fault;
  {
    TPluginCallGuard guard(PluginCallLock());
    LoadPlugin(plugin);
    // A DLL without GetPluginInfo is no plug-in, yet its settings dialog is
    // still its own to show.
    if (!plugin.Module) return;
    if (auto configurationDlg = plugin.Exports.ConfigurationDlg) {
      // The plug-in's dialog may use the common controls too.
      LoadCommonControls();
      int32_t ignored;
      if (Call(plugin, configurationDlg, ignored, owner, 1) == TCallOutcome::Returned) return;
      const TPluginFault* faulted = PluginFaultOf(plugin.Module);
      if (!faulted) return;
      fault = *faulted;
    }
  }
  // The boxes are shown without the lock: their message loops may last.
  if (fault.Code != 0)
    ShowWarning(owner, PluginFaultText(plugin.Path, fault.Name, fault.Code));
  else
    ShowMessageBox(owner, "Configuration Dialog is not implemented.", "Plug-in Setting", MB_OK | MB_ICONINFORMATION);
}
