#pragma once
// The plug-in table's operations for a 32-bit plug-in in the 64-bit edition:
// the same contracts as those of plugin_table_win.h, kept by calls into the
// helper process (bridge_host_win.h), which loads each plug-in once and calls
// it under the same fault guard. What comes back passes the same checks as
// what an in-process plug-in returns: the header block the bitmap reader's
// rules, the archive records the same walk. Pixels and members arrive in
// shared memory and are held there, so they are copied once on their way from
// the plug-in's block to the viewer.
//
// A plug-in that faults in the helper is marked Faulted and reported as one
// that faults in the process. When the helper ends or stays silent during a
// call, the plug-in called is marked Faulted the same way (with the codes
// kHelperEndedFault and kHelperHungFault, whose box says what happened); the
// next call starts a new helper, and the other plug-ins are loaded into it
// again when they are next called.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "image/img.h"
#include "plugins/member_block_win.h"
#include "plugins/plugin_table_win.h"
#include "plugins/spi_records.h"

// Whether the DLL at path is one the 64-bit edition calls through its helper:
// a 32-bit DLL, by its PE header. Always false in the 32-bit edition.
bool IsBridgedPlugin(const std::string& path);

// LoadPlugin for such a record, whose state is NotLoaded.
bool BridgeLoadPlugin(TPlugin& plugin);

int32_t BridgeProbePlugin(TPlugin& plugin, const std::string& fileName, const uint8_t (&header)[kSpiHeaderSize]);
int32_t BridgeDecodePicture(TPlugin& plugin, const uint8_t* image, size_t length, TDecodedPicture& picture);
int32_t BridgeReadArchiveEntries(TPlugin& plugin, const std::string& archive, std::unique_ptr<FileEntry[]>& entries);
int32_t BridgeExtractMember(TPlugin& plugin, const std::string& archive, SpiPosition position, TMemberBlock& data);
std::string BridgeGetPluginDescription(TPlugin& plugin);
bool BridgePluginFound(const TPlugin& plugin);
void BridgeShowPluginConfig(HWND owner, TPlugin& plugin);
