// The one held picture: a DIB (1064-byte header block and a pixel block) with
// the facts about the file it came from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/dib_types.h"

// Outcomes of decoding, numbered as the plug-in error codes so that the loader
// reports the internal reader's refusals the same way.
constexpr int kDecodeOk = 0;
constexpr int kDecodeUnknownFormat = 2;  // a valid file of a kind the reader does not decode
constexpr int kDecodeBrokenData = 3;
constexpr int kDecodeNoMemory = 4;

struct TImg {
  uint8_t Loaded = 0;
  int32_t Width = 0;
  // Signed as in the header: negative for a picture stored top-down. Sizes
  // shown to the user and the view arithmetic use ImgRows() instead.
  int32_t Height = 0;
  int32_t DispWidth = 0;
  // Never negative: a top-down picture is displayed upright at its row count.
  int32_t DispHeight = 0;
  int32_t Zoom = 0;  // percent; survives from one picture to the next
  int32_t ColorBits = 0;
  int32_t FileSize = 0;
  std::string FileName;
  FileTime CreationTime{};
  FileTime LastAccessTime{};
  FileTime LastWriteTime{};
  int32_t BitsSize = 0;
  std::string FormatText;
  // The plug-in's local memory handle, locked while held; null when the
  // pixel block is the program's own (GlobalBlocks on Windows).
  void* BitsHandle = nullptr;
  // The pixel block is a view of shared memory that the 32-bit plug-in
  // helper filled (the 64-bit edition's 32-bit plug-ins), unmapped when freed.
  bool BitsMapped = false;
  std::string PluginDesc;
  std::string PluginPath;
  std::string TextInfo;  // every line break CR LF
  // The header block. What the internal reader holds here is always one of:
  // - a 40-byte BITMAPINFOHEADER, at 1, 4, 8, 16, 24 or 32 bits, BI_RGB or
  //   (16 and 32 bits only) BI_BITFIELDS with its red, green and blue masks
  //   at bytes 40 to 51, only masks GDI draws as meant (GdiDrawsMasks);
  //   pixels with other masks are held converted to 24 or 32 bits BI_RGB;
  // - a version 4 or 5 header (108 or 124 bytes) kept whole, only when it and
  //   its colour table fit these 1064 bytes; its masks are its own fields at
  //   bytes 40 to 51, and a version 5 header points at no colour profile.
  // Colour entries (depths up to 8 only) follow right after biSize bytes, as
  // GDI reads them: biClrUsed of them, or 2^biBitCount when it is 0, never
  // more. Above 8 bits biClrUsed is 0 and no table is held, except that a
  // run-length picture, held at 24 bits, keeps its file's entries unused.
  // biSizeImage never exceeds BitsSize. Bytes the header, masks and table do
  // not use are zero.
  // A plug-in's header block passes through the same rules
  // (ReadPluginLayout), so the same holds for it. A 32-bit BI_RGB picture
  // may carry an alpha in its fourth byte (a plug-in's, or bit fields read
  // with an alpha mask).
  BitmapInfo Info{};
  void* Bits = nullptr;
  // Plain 32-bit with a fourth byte not zero (DibHasAlpha): painted over
  // the background. Found once when the picture is installed.
  bool HasAlpha = false;
  // New for every picture installed and every turn, so that what was made
  // from one picture (the averaged view) is not taken for another that lies
  // at the same address.
  uint32_t Serial = 0;
};

extern TImg Img;

// What a decoder hands to the installer: the internal reader fills it, and so
// can the plug-in path.
struct TDecodedPicture {
  BitmapInfo Info{};
  void* BitsHandle = nullptr;
  bool BitsMapped = false;  // as TImg's
  void* Bits = nullptr;
  int32_t BitsSize = 0;
  int32_t ColorBits = 0;
  std::string TextInfo;
};

// Number of pixel rows, whichever way they are stored. A header never holds
// INT32_MIN here: the reader refuses it, and the guard keeps a plug-in's
// header from overflowing the negation.
inline int32_t DibRows(int32_t height) {
  if (height == INT32_MIN) return 0;
  return height < 0 ? -height : height;
}

inline int32_t ImgRows(const TImg& img) { return DibRows(img.Height); }

// Releases the pixel block by its own allocator (unlock and free the plug-in's
// local handle, unmap a shared view, or free the program's global block),
// then ClearImg. Windows
// only: img_win.cpp.
void FreeImg(TImg& img);

// Frees a decoded picture's pixel block by its own allocator, as FreeImg
// does, for a picture that was never installed. Windows only.
void FreeDecodedPicture(TDecodedPicture& pic);

// The part of FreeImg that touches no memory manager: forget the block, mark
// the record empty and drop the decoder's texts. Other fields keep their values
// until the next picture is installed.
void ClearImg(TImg& img);

// Installs a decoded picture (steps after FreeImg of the loader's contract):
// pixel block, header, sizes, zoom defaulting to 100, displayed size, colour
// depth, the decoder's text with uniform line breaks and the format
// description of the file image. The file's name, size, times and the
// decoder's name are the loader's to set.
void InstallImg(TImg& img, const TDecodedPicture& pic, const uint8_t* file, size_t fileSize);
// The same with the format description made beforehand.
void InstallImg(TImg& img, const TDecodedPicture& pic, std::string formatText);

// Displayed size for a zoom in percent: truncated, from the row count for height.
void SetImgDispSize(TImg& img);

// A serial no picture had before.
uint32_t NextImgSerial();

// The held picture turned into a new block from the program's allocator
// (GlobalBlocks): the old block is released by its own allocator, the new
// header and block take its place, Width and Height follow, the displayed
// size too. The file's facts stay. Windows only: img_win.cpp.
void ReplaceImgPixels(TImg& img, const BitmapInfo& info, void* bits, int32_t bitsSize);
