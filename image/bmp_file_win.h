#pragma once
// Reading a bitmap straight from its file: the pixels go from the file into
// the block that becomes the held pixel block, with no whole-file image in
// between.

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "image/img.h"

// head holds the first headSize bytes of the open file (fileSize bytes in
// all): at least min(fileSize, kBmpHeadMax) of them. Returns 0 when the file
// was read as far as needed, with decodeError 0 and pic holding the picture
// in a block of the program's kind, or decodeError the reader's refusal;
// otherwise the system's I/O error code of a read that failed or came up
// short, with nothing decoded. pic is untouched unless the picture is read.
int32_t ReadBmpFile(HANDLE file, uint64_t fileSize, const uint8_t* head, size_t headSize, TDecodedPicture& pic,
                    int32_t& decodeError);
