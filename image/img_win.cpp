#include <windows.h>

#include <cstddef>

#include "image/block_alloc.h"
#include "image/img.h"

// The mirrors in dib_types.h are handed to GDI as the real structures.
static_assert(sizeof(BitmapFileHeader) == sizeof(BITMAPFILEHEADER));
static_assert(offsetof(BitmapFileHeader, bfOffBits) == offsetof(BITMAPFILEHEADER, bfOffBits));
static_assert(sizeof(BitmapInfoHeader) == sizeof(BITMAPINFOHEADER));
static_assert(offsetof(BitmapInfoHeader, biBitCount) == offsetof(BITMAPINFOHEADER, biBitCount));
static_assert(offsetof(BitmapInfoHeader, biClrImportant) == offsetof(BITMAPINFOHEADER, biClrImportant));
static_assert(sizeof(BitmapCoreHeader) == sizeof(BITMAPCOREHEADER));
static_assert(sizeof(RgbQuad) == sizeof(RGBQUAD));
static_assert(offsetof(BitmapInfo, bmiColors) == offsetof(BITMAPINFO, bmiColors));
static_assert(sizeof(FileTime) == sizeof(FILETIME));
static_assert(kBiRle8 == BI_RLE8 && kBiRle4 == BI_RLE4 && kBiBitfields == BI_BITFIELDS);

namespace {

// By the allocator that made it: a shared view, the plug-in's local handle,
// or the program's block.
void FreeBlock(void* bitsHandle, bool mapped, void* bits) {
  if (mapped) {
    if (bits) UnmapViewOfFile(bits);
  } else if (bitsHandle) {
    HLOCAL handle = static_cast<HLOCAL>(bitsHandle);
    LocalUnlock(handle);
    LocalFree(handle);
  } else {
    GlobalBlocks.Free(bits);
  }
}

}  // namespace

void FreeImg(TImg& img) {
  FreeBlock(img.BitsHandle, img.BitsMapped, img.Bits);
  ClearImg(img);
}

void FreeDecodedPicture(TDecodedPicture& pic) {
  FreeBlock(pic.BitsHandle, pic.BitsMapped, pic.Bits);
  pic.BitsHandle = nullptr;
  pic.BitsMapped = false;
  pic.Bits = nullptr;
}

void ReplaceImgPixels(TImg& img, const BitmapInfo& info, void* bits, int32_t bitsSize) {
  FreeBlock(img.BitsHandle, img.BitsMapped, img.Bits);
  img.BitsHandle = nullptr;
  img.BitsMapped = false;
  img.Info = info;
  img.Bits = bits;
  img.BitsSize = bitsSize;
  img.Width = info.bmiHeader.biWidth;
  img.Height = info.bmiHeader.biHeight;
  img.Serial = NextImgSerial();
  SetImgDispSize(img);
}
