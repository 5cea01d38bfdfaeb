#pragma once
// The plug-ins of this run, beside the catalogue: one record per catalogue
// path, whose DLL is loaded the first time a probe reaches it and then kept
// until the process ends. Loading a DLL for every probe cost milliseconds per
// plug-in at each page turn, and a DLL built with MinGW's thread runtime takes
// a thread-local slot at each load that it never gives back, so a host that
// reloads such plug-ins is ended by the runtime after about a thousand loads.
//
// The viewer calls plug-ins through the operations here, by record; they use
// the module-level calls of spi_util.h, or for a 32-bit plug-in in the 64-bit
// edition the calls into the helper process of bridge_calls_win.h.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/img.h"
#include "plugins/bridge_link.h"
#include "plugins/member_block_win.h"
#include "plugins/spi_api.h"
#include "plugins/spi_records.h"

enum class TPluginState {
  NotLoaded,     // no probe has reached it yet
  Loaded,        // its module is loaded and stays so; Kind says what it is
  FailedToLoad,  // the DLL did not load or exports no GetPluginInfo
  Faulted,       // it stopped with a fault: never called again in this run
};

// The exports of a loaded plug-in, resolved once; a missing one is null and
// never called.
struct TPluginExports {
  SpiGetPluginInfoProc GetPluginInfo = nullptr;
  SpiIsSupportedProc IsSupported = nullptr;
  SpiGetPictureInfoProc GetPictureInfo = nullptr;
  SpiGetPictureProc GetPicture = nullptr;
  SpiGetArchiveInfoProc GetArchiveInfo = nullptr;
  SpiGetFileProc GetFile = nullptr;
  SpiConfigurationDlgProc ConfigurationDlg = nullptr;
  // Wide twins: names the code page cannot spell go to them whole.
  SpiIsSupportedWProc IsSupportedW = nullptr;
  SpiGetArchiveInfoWProc GetArchiveInfoW = nullptr;
  SpiGetFileWProc GetFileW = nullptr;
};

struct TPlugin {
  std::string Path;  // the catalogue line, as written
  TPluginState State = TPluginState::NotLoaded;
  // Never freed: unloading would run its DllMain again at the next load and
  // give back nothing the viewer needs.
  HMODULE Module = nullptr;
  // From GetPluginInfo(0), read once: kPluginPicture, kPluginArchive, or
  // kPluginNone for any other version text (then it is never asked again).
  int32_t Kind = kPluginNone;
  TPluginExports Exports;
  // A 32-bit plug-in of the 64-bit edition, loaded and called in the helper
  // process: Module stays null and Exports empty; Link says what it has.
  bool Bridged = false;
  TBridgeLink Link;
};

// The record of a catalogue path, made (not loaded) on first use and kept for
// the run. Records never move.
TPlugin& PluginRecord(const std::string& path);

// The catalogue's records in the user's order (from PluginFiles).
std::vector<TPlugin*> CatalogueRecords();

// Loads a record's DLL once: its module, exports and kind. True while the
// record is Loaded; a path that failed or faulted is not tried again.
bool LoadPlugin(TPlugin& plugin);

// Asks a plug-in about a file: loads it on the first probe that reaches it,
// then IsSupported with the name and a copy of the header. Returns its kind
// when it claims the file and has the calls of that kind, else kPluginNone.
// A probe that faults is a refusal; nothing is ever reported. A name the code
// page cannot spell goes to IsSupportedW, or to IsSupported as a stand-in of
// the same extension: the short path where the volume has one, else the name
// with those characters replaced.
int32_t ProbePlugin(TPlugin& plugin, const std::string& fileName, const uint8_t (&header)[kSpiHeaderSize]);

// The calls of spi_util.h on a record's module; a record that is not loaded
// (or faulted) answers as a missing export (-1), or kSpiFault once faulted.
// An archive is listed through GetArchiveInfoW whenever the plug-in has it,
// so that its members' names come whole; an archive whose name the code page
// cannot spell goes to the wide twins, or by its short path to the ANSI
// exports, and is kSpiNoNameRoad for a plug-in that has neither.
int32_t DecodePicture(TPlugin& plugin, const uint8_t* image, size_t length, TDecodedPicture& picture);
int32_t ReadArchiveEntries(TPlugin& plugin, const std::string& archive, std::unique_ptr<FileEntry[]>& entries);
int32_t ExtractMember(TPlugin& plugin, const std::string& archive, SpiPosition position, TMemberBlock& data);
std::string GetPluginDescription(TPlugin& plugin);
// Whether the plug-in's DLL loaded and exports GetPluginInfo; the plug-in
// list shows the others as "(not found)". Loads it when no probe has.
bool PluginFound(TPlugin& plugin);
// The file the plug-in was loaded from, as the system names it.
std::string PluginModulePath(const TPlugin& plugin);

// The plug-in's settings dialog owned by owner, or a box saying it has none,
// or that it stopped with a fault; nothing when its DLL does not load.
void ShowPluginConfig(HWND owner, TPlugin& plugin);
