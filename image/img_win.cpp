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

void FreeImg(TImg& img) {
  if (img.BitsHandle) {
    HLOCAL handle = static_cast<HLOCAL>(img.BitsHandle);
    LocalUnlock(handle);
    LocalFree(handle);
  } else {
    GlobalBlocks.Free(img.Bits);
  }
  ClearImg(img);
}
