// From the first bytes of a BMP file to the header the viewer holds: every
// header version the format has (OS/2 1.x and 2.x, the Windows headers of 40,
// 52, 56, 108 and 124 bytes) becomes one that GDI, the resampler and the rest
// of the program read alike, and the file's pixels are classed by how they
// become the held pixel block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/bit_fields.h"
#include "image/dib_types.h"
#include "image/img.h"

// How the file's pixel data become the held pixel block.
enum class TBmpPixels {
  Copy,       // as they lie in the file, short data filled up with zeros
  RunLength,  // RLE8, RLE4 or OS/2 RLE24: decoded to 24-bit BI_RGB (DecodeRleTo24)
  TwoBits,    // 2 bits per pixel, which GDI does not draw: widened to 4 bits
  Masks,      // bit fields GDI would draw otherwise than meant: read into 24 or 32 bits (ConvertMaskedRows)
};

struct TBmpLayout {
  // The header to hold (see img.h). For RunLength it still carries the file's
  // compression and depth, which the decoder reads and then replaces; for
  // Masks it is already the converted picture's (40 bytes, BI_RGB).
  BitmapInfo Info{};
  int32_t ColorBits = 0;     // the file's depth, 15 for 16-bit BI_RGB
  uint64_t PixelOffset = 0;  // bfOffBits
  uint64_t PixelSize = 0;    // bytes of the file from PixelOffset to its end
  TBmpPixels Pixels = TBmpPixels::Copy;
  uint64_t BlockSize = 0;  // bytes of the held pixel block, at most INT32_MAX
  uint16_t DataBits = 0;   // bits per pixel of the pixel data as they arrive
  TPixelMasks Masks{};     // for Masks: how the pixel data are read
};

// The header, its masks and the longest colour table lie within this many
// bytes of the file's start, so the 2048 bytes read to choose a reader hold
// everything ReadBmpLayout needs.
constexpr size_t kDibHeaderBlockMax = kV5HeaderSize + 16 + 1024;
constexpr size_t kBmpHeadMax = kFileHeaderSize + kDibHeaderBlockMax;

// Reads the layout of a BMP file from its first headSize bytes (at least
// min(fileSize, kBmpHeadMax) of them for a complete reading; bytes past the
// head count as missing). Nothing past the head is read. Returns kDecodeOk;
// kDecodeBrokenData for a header that describes no picture or one that lies
// outside the file; kDecodeUnknownFormat for valid kinds the reader does not
// decode (OS/2 Huffman 1D, embedded JPEG or PNG, 64 bits per pixel, CMYK);
// kDecodeNoMemory for a block past 31 bits. layout is untouched unless the
// result is kDecodeOk.
int ReadBmpLayout(const uint8_t* head, size_t headSize, uint64_t fileSize, TBmpLayout& layout);

// The same reading for the header block a plug-in returns beside its pixel
// block: blockSize bytes holding a header of any size the file reader takes
// (a biSize of no known header is kDecodeBrokenData), then its masks and
// colour table (bytes past kDibHeaderBlockMax play no part), for a pixel
// block of bitsSize bytes. The pixel block must hold every row the header
// describes, run-length data excepted (they are decoded no further than the
// block), else kDecodeBrokenData. A Copy layout holds the plug-in's block
// itself (PixelSize and BlockSize are bitsSize); the others are built from
// it with BuildBmpPixels. PixelOffset is 0.
int ReadPluginLayout(const uint8_t* block, size_t blockSize, uint64_t bitsSize, TBmpLayout& layout);

// Fills info with the held form of a 12-byte OS/2 1.x header and the
// three-byte colour entries that follow it: a 40-byte header, four-byte
// entries with a zero fourth byte. At most coreSize bytes are read (at least
// 12); entries missing stay zero.
void CoreHeaderToInfoHeader(BitmapInfo& info, const uint8_t* core, size_t coreSize);

// The same for an OS/2 2.x header of 16 to 64 bytes (its size field first)
// and the four-byte colour entries that follow it. Fields the header is too
// short to hold are 0; at most blockSize bytes are read (at least the size
// field's value).
void Os2HeaderToInfoHeader(BitmapInfo& info, const uint8_t* header, size_t blockSize);
