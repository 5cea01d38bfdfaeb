#pragma once
// Making the held picture the desktop wallpaper.

#include <windows.h>

#include <cstdint>

#include "image/img.h"

// Writes img at its own size as wallpaper.bmp in the profile folder, sets the
// desktop's "TileWallPaper" to "1" or "0" and makes the file the wallpaper.
// The file is written beside the old one, flushed and then moved over it, so
// a write that fails leaves the old file, the registry and the desktop as
// they were (and no temporary file behind) and returns the I/O error code; 0
// on success. A folder where no file can be made fails silently; a write,
// flush or move that fails is shown to the user ("Cannot write file.") in a
// box owned by owner.
int32_t SetWallpaper(const TImg& img, bool tile, HWND owner);
