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
// plug-in's header made into a held header by ReadPluginLayout (the bitmap
// reader's rules), the colour depth and the text information, and either the
// plug-in's pixel handle still locked with its address and size, or (for
// run-length data, 2-bit rows and bit fields GDI does not draw) a block of
// the program's built from it, with no handle. A success without two
// distinct blocks that the system knows as local memory handles of this
// process is broken data (3): a value that is no such handle is neither
// locked nor freed. The refusals of ReadPluginLayout come back as its codes
// (a header of no known size, or a pixel block too small for its header, is
// 3; a kind the reader does not decode is 2; a block past 31 bits is 4); a
// missing module or export is -1; a plug-in's own code is returned as it is.
// On failure the picture holds nothing. The text is taken only from a value of
// the record the system knows as a local memory handle (which is then
// freed): at the record's own offset, or in the 64-bit interface also where
// plug-ins that do not pad the record put it.
int32_t DecodePicture(HMODULE plugin, const uint8_t* image, size_t length, TDecodedPicture& picture);

// GetArchiveInfo on the archive file, converted by ConvertArchiveEntries. On
// 0 the entries end with an empty Name, or are null when the plug-in gave no
// local memory handle of this process that could be locked. With a UTF-16
// name, GetArchiveInfoW and its wide records, whose names become the
// program's (util/names.h).
int32_t ReadArchiveEntries(HMODULE plugin, const std::string& archive, std::unique_ptr<FileEntry[]>& entries);
int32_t ReadArchiveEntries(HMODULE plugin, const std::wstring& archive, std::unique_ptr<FileEntry[]>& entries);

// GetFile for the member at position, copied out of the plug-in's block;
// the member's size is the block's size. A block past 31 bits is 4; a value
// that is no local memory handle of this process is 3, and left untouched.
int32_t ExtractMember(HMODULE plugin, const std::string& archive, SpiPosition position, std::vector<uint8_t>& data);
// GetFileW, the same with a UTF-16 name.
int32_t ExtractMember(HMODULE plugin, const std::wstring& archive, SpiPosition position, std::vector<uint8_t>& data);

// GetPluginInfo(1); empty when the plug-in lacks the export.
std::string GetPluginDescription(HMODULE plugin);

// The fault the last decode, listing or extraction on this thread met, taken
// for reporting later (the read-ahead's faults are reported on the window's
// thread when the user reaches that picture); false when it met none.
bool TakeUnreportedFault(TPluginFault& fault);
// Sets the fault the call just made on this thread met (null: none), for calls
// made elsewhere than through the module-level calls above: those of 32-bit
// plug-ins in the helper process of the 64-bit edition. The fault must live
// as long as the process (a plug-in record's).
void SetUnreportedFault(const TPluginFault* fault);
// The "stopped with a fault" box for name, owned as the plug-in error box.
void ShowPluginFault(const std::string& name, const TPluginFault& fault);

// The plug-in error box, owned by the main window once it is visible. For
// kSpiFault it names the plug-in that stopped with a fault, once per fault;
// a call refused because its plug-in had faulted before shows nothing.
void ShowPluginError(const std::string& name, int32_t code);
