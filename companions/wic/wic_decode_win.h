#pragma once
// Decoding a file image through the system's codecs into the blocks a
// picture plug-in hands out: a BITMAPINFO block and a bottom-up pixel block,
// both movable local memory, the picture turned upright where a photo says
// it was taken on its side.

#include <cstddef>
#include <cstdint>
#include <functional>

#include "framework/handles.h"

struct PictureFacts {
  uint32_t Width = 0;  // upright
  uint32_t Height = 0;
  int SourceBits = 0;  // bits per pixel as the file stores them
  double DpiX = 0;
  double DpiY = 0;
};

// Rows done and rows in all; false cancels.
using DecodeProgress = std::function<bool(uint32_t done, uint32_t total)>;

// What the file's header says, without decoding its pixels. 0, or 2 when no
// decoder takes the file, 3 when the one that does fails, 8 when the codecs
// cannot be reached.
int32_t ReadPictureFacts(const uint8_t* image, size_t size, PictureFacts& facts);

// The whole picture (the first frame of an animation or the first page, the
// largest image of an icon). Codes as above, and 1 when progress cancels, 4
// when the blocks cannot be had.
int32_t DecodePictureBlocks(const uint8_t* image, size_t size, const DecodeProgress& progress, LocalMemory& info,
                            LocalMemory& bits);
