#pragma once
// Calling a loaded plug-in module: decode a picture, list and extract archive
// members, read the description, and show a plug-in's error. The viewer
// reaches these through the plug-in table (plugin_table_win.h), which loads
// each module once. What plug-ins return in local memory handles is copied into
// the host's own memory and the handles are freed, except the pixel block of
// a decoded picture, which the picture record owns from then on.
//
// Every call goes through CallPlugin (spi_api.h): a plug-in that faults ends
// that call with kSpiFault, and whatever it had written or allocated by then
// is neither used nor freed.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/handles.h"
#include "image/img.h"
#include "plugins/spi_api.h"
#include "plugins/spi_records.h"

// GetPictureInfo and GetPicture on a file image. On 0 the picture holds the
// header block (cut to 1064 bytes), the plug-in's pixel handle still locked
// with its address and size, the colour depth and the text information. A
// success without both blocks, or with a pixel block too small for its
// header, is broken data (3), and a pixel block past 31 bits is 4; a missing
// module or export is -1; a plug-in's own code is returned as it is. On
// failure the picture holds nothing. The text is taken only from a value of
// the record the system knows as a local memory handle (which is then
// freed): at the record's own offset, or in the 64-bit interface also where
// plug-ins that do not pad the record put it.
int32_t DecodePicture(HMODULE plugin, const uint8_t* image, size_t length, TDecodedPicture& picture);

// GetArchiveInfo on the archive file, converted by ConvertArchiveEntries. On
// 0 the entries end with an empty Name, or are null when the plug-in gave no
// block that could be locked.
int32_t ReadArchiveEntries(HMODULE plugin, const std::string& archive, std::unique_ptr<FileEntry[]>& entries);

// GetFile for the member at position, copied out of the plug-in's block;
// the member's size is the block's size. A block past 31 bits is 4.
int32_t ExtractMember(HMODULE plugin, const std::string& archive, SpiPosition position, std::vector<uint8_t>& data);

// GetPluginInfo(1); empty when the plug-in lacks the export.
std::string GetPluginDescription(HMODULE plugin);

// The fault the last decode, listing or extraction on this thread met, taken
// for reporting later (the read-ahead's faults are reported on the window's
// thread when the user reaches that picture); false when it met none.
bool TakeUnreportedFault(TPluginFault& fault);
// The "stopped with a fault" box for name, owned as the plug-in error box.
void ShowPluginFault(const std::string& name, const TPluginFault& fault);

// The plug-in error box, owned by the main window once it is visible. For
// kSpiFault it names the plug-in that stopped with a fault, once per fault;
// a call refused because its plug-in had faulted before shows nothing.
void ShowPluginError(const std::string& name, int32_t code);
