// The internal reader of Windows and OS/2 bitmaps, shown to the user as
// "(Internal DIB to DIB filter)".
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/block_alloc.h"
#include "image/bmp_header.h"
#include "image/dib_types.h"
#include "image/img.h"

// Decodes a BMP file image held whole in memory (14-byte file header first).
// On kDecodeOk, pic holds the header of ReadBmpLayout (a held header as img.h
// describes it), an empty text, the colour depth to report (the file's; 15
// for 16-bit BI_RGB) and a pixel block from alloc, with no plug-in handle.
// Otherwise returns the refusal of ReadBmpLayout or BuildBmpPixels and leaves
// pic untouched.
int ReadBmpImage(const uint8_t* file, size_t fileSize, const TBlockAllocator& alloc, TDecodedPicture& pic);

// Makes the held pixel block of a layout from the file's pixel data (the
// dataSize bytes from its PixelOffset, which may be fewer than the file has),
// or from a plug-in's pixel block, and fills pic. Returns kDecodeOk, kDecodeNoMemory, or the run-length
// decoder's refusal; pic is untouched unless it succeeds.
int BuildBmpPixels(const TBmpLayout& layout, const uint8_t* data, size_t dataSize, const TBlockAllocator& alloc,
                   TDecodedPicture& pic);

// For a Copy layout: a block of BlockSize bytes from alloc whose bytes past
// the file's pixel data are zero, for the caller to fill with the first
// min(PixelSize, BlockSize) bytes of those data (straight from the file, for
// one). Null when the block cannot be had.
uint8_t* NewCopyBlock(const TBmpLayout& layout, const TBlockAllocator& alloc);

// pic becomes the picture of a layout whose block is filled.
void HoldBmpPicture(const TBmpLayout& layout, void* block, TDecodedPicture& pic);

// Decodes RLE8, RLE4 or OS/2 RLE24 data (as described by info, whose height
// must be positive; kOs2Rle24 marks RLE24) into a new 24-bit bottom-up block
// of stride x height bytes, with pixels the data never reaches left black.
// info then describes a 24-bit BI_RGB picture with biSizeImage equal to the
// block size and no colour entries in use. Returns kDecodeBrokenData when info
// is not a header it can decode, kDecodeUnknownFormat for RLE24 data that are
// a JPEG stream, and kDecodeNoMemory when the block cannot be had.
int DecodeRleTo24(BitmapInfo& info, const uint8_t* data, size_t dataSize, const TBlockAllocator& alloc, void*& bits,
                  int32_t& bitsSize);

// Widens rows of 2-bit pixels (bottom-up or top-down alike) into 4-bit rows
// with the same indices: width x rows pixels into out, which holds rows 4-bit
// rows. Rows the data lack are zero.
void WidenTwoBits(const uint8_t* data, size_t dataSize, int32_t width, int32_t rows, uint8_t* out);
