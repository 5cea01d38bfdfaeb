#pragma once
// The viewer's side of opening a file: a picture loaded (image/loading_win.h)
// or read ahead (read_ahead_win.h) is installed as the shown picture and
// shown, or its failure reported; an archive's members are listed.

#include <windows.h>

#include <cstdint>
#include <string>

#include "image/loading_win.h"

// Opens name and shows it. For a plain file, memberPlugin is null and entry
// unused; for a member, name is the archive's path, entry the member and
// memberPlugin the archive's plug-in. A result the read-ahead holds for it is
// taken instead of loading it again. Returns 0 when the picture is shown; -1
// when nothing takes it or a plug-in failed (its error already shown);
// kArchiveOpened with the archive's plug-in in archivePlugin and its members
// in PendingArchiveFiles; or the I/O error code of a file that could not be
// read, silently.
int32_t OpenPicture(const std::string& name, const FileEntry* entry, TPlugin* memberPlugin, TPlugin*& archivePlugin);

// Installs a load's outcome as OpenPicture does: the picture becomes the
// shown one (title, window size, information dialog, repaint), or its error
// is reported, or the archive's members are listed. Returns as OpenPicture.
int32_t InstallLoadedPicture(TLoadedPicture& loaded, TPlugin*& archivePlugin);
