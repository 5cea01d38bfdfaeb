#pragma once
// Opening a chosen file and stepping to the next or previous picture or file,
// through folders and into and out of archives. Entries that fail to open
// are marked and skipped until their list is rebuilt; both ends of a list
// stop the walk.

#include <windows.h>

#include <cstdint>
#include <string>

#include "plugins/plugin_table_win.h"
#include "viewer/file_list.h"

// The plug-in of the archive being browsed; null while a plain file is shown.
extern TPlugin* ArchivePlugin;

// Try the entries after (before) list.Current until one opens as a member of
// archive; returns 0, or the last attempt's result (-1 when none was tried).
int32_t StepForward(TFileList& list, const std::string& archive, TPlugin* plugin);
int32_t StepBack(TFileList& list, const std::string& archive, TPlugin* plugin);

// Opens a file the user or a walk chose; an archive is entered at its first
// readable member, or its last when backward. Returns 0 when a picture is shown.
int32_t OpenFile(const std::string& path, bool backward);

// Has the read-ahead decode the pictures NextImage and PrevImage would show
// from the shown one (listing the folder first when it is not listed yet).
void PlanReadAhead();

// Opens what the user named (the command line or a drop): a file as OpenFile
// does, or a folder's first file that opens, its files listed as for a file
// in it. Returns 0 when a picture is shown.
int32_t OpenNamed(const std::string& path);

// NextImage/NextFile and PrevImage/PrevFile.
void GoNext(bool byFile);
void GoPrev(bool byFile);
