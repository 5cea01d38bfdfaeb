// The internal reader of Windows and OS/2 bitmaps, shown to the user as
// "(Internal DIB to DIB filter)".
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/block_alloc.h"
#include "image/dib_types.h"
#include "image/img.h"

// Decodes a BMP file image held whole in memory (14-byte file header first).
// On kDecodeOk, pic holds the header block (at most 1064 bytes, OS/2 headers
// widened to 40), an empty text, the colour depth to report (15 for 16-bit
// BI_RGB, the file depth for run-length pictures) and a pixel block from
// alloc, with no plug-in handle. Run-length pictures are held as 24-bit
// BI_RGB; everything else as it lies in the file, short pixel data filled up
// with zeros. Returns kDecodeBrokenData for a header that cannot describe a
// picture and kDecodeNoMemory when the block cannot be had; pic is then
// untouched.
int ReadBmpImage(const uint8_t* file, size_t fileSize, const TBlockAllocator& alloc,
                 TDecodedPicture& pic);

// Fills info from an OS/2 1.x header and the three-byte colour entries that
// follow it (at most coreSize bytes are read; entries missing stay zero).
// coreSize must be at least 12.
void CoreHeaderToInfoHeader(BitmapInfo& info, const uint8_t* core, size_t coreSize);

// Decodes RLE8 or RLE4 data (as described by info, whose height must be
// positive) into a new 24-bit bottom-up block of stride x height bytes, with
// pixels the data never reaches left black. info then describes a 24-bit
// BI_RGB picture with biSizeImage equal to the block size. Returns
// kDecodeBrokenData when info is not an RLE8/RLE4 header it can decode, and
// kDecodeNoMemory when the block cannot be had.
int DecodeRleTo24(BitmapInfo& info, const uint8_t* data, size_t dataSize,
                  const TBlockAllocator& alloc, void*& bits, int32_t& bitsSize);
