#pragma once
// What a plug-in hands out in local memory handles, taken only as far as the
// system vouches for it. The host uses these on the blocks of plug-ins it
// calls in its own process, and the 32-bit helper process on those of the
// plug-ins it calls for the 64-bit edition.

#include <windows.h>

#include <cstdint>
#include <string>

#include "plugins/spi_records.h"

// Whether value is a local memory handle of this process.
bool IsLocalHandle(uintptr_t value);

// A handle a plug-in handed out, or null when the system does not know it as
// a local memory handle of this process: then it is neither locked nor freed.
HLOCAL OwnedLocal(HLOCAL handle);

// A plug-in's NUL-terminated text, read no further than its block.
std::string LocalText(HLOCAL handle);

// The picture information record's text handle, or null when the record
// holds none the system knows (see the .cpp for where 64-bit plug-ins put it).
HLOCAL TextHandleOf(const SpiPictureInfo& info);
