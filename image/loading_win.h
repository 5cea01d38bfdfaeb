#pragma once
// Turns a file, or a member of an archive, into the held picture: the first
// 2048 bytes choose the reader (the internal one for "BM", else the first
// plug-in of the catalogue that claims the file), then the picture is
// decoded, installed and shown.

#include <windows.h>

#include <cstdint>
#include <string>

#include "plugins/plugin_table_win.h"
#include "plugins/spi_records.h"

// The file is an archive: its members are in PendingArchiveFiles.
constexpr int32_t kArchiveOpened = 99999;

// Opens name and shows it. For a plain file, memberPlugin is null and entry
// unused; for a member, name is the archive's path, entry the member and
// memberPlugin the archive's plug-in. Returns 0 when the picture is shown; -1
// when nothing takes it or a plug-in failed (its error already shown);
// kArchiveOpened with the archive's plug-in in archivePlugin; or the I/O
// error code of a file that could not be read, silently.
int32_t OpenPicture(const std::string& name, const FileEntry* entry, TPlugin* memberPlugin, TPlugin*& archivePlugin);

// 1 (internal reader, no plug-in) for "BM"; else the kind of the first
// catalogue plug-in that claims the file, with its record; 0 when none does.
int32_t ChoosePlugin(const std::string& name, const uint8_t (&header)[kSpiHeaderSize], TPlugin*& plugin);

// Decodes the file image with the plug-in, or with the internal reader when
// plugin is null, and installs it into Img. Returns 0 or the decoder's error
// code, leaving Img as it was.
int32_t LoadPicture(TPlugin* plugin, const uint8_t* image, size_t size);
