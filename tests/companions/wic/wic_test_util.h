#pragma once
// Windows helpers for the picture plug-in's tests: pictures encoded by the
// system's own codecs, Exif blocks planted in JPEG files, and reading the
// pixels of the DIB blocks a plug-in returns.

#include <wincodec.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "picture_builders.h"

// Encodes a top-down picture of 0xAARRGGBB pixels (alpha ignored) with the
// system's encoder for the container (JPEG, TIFF, ...); empty on failure.
std::string EncodeWithSystem(const GUID& container, uint32_t width, uint32_t height, const std::vector<Argb>& pixels);

// A photo-like picture (gradients and grain, as cameras give; seed varies
// the grain) encoded by the system's JPEG encoder, for the timing programs.
std::string PhotoJpeg(uint32_t width, uint32_t height, uint32_t seed);

// The JPEG with an Exif block holding the orientation put after its JFIF
// block, in Motorola or Intel byte order.
std::string WithOrientation(const std::string& jpeg, int orientation, bool bigEndian);

// A bottom-up DIB as a plug-in returns it, read by pixel from the top.
struct DibPixels {
  BITMAPINFOHEADER Header{};
  std::vector<RGBQUAD> Palette;
  std::vector<uint8_t> Bits;
  int Width() const { return Header.biWidth; }
  int Height() const { return Header.biHeight; }
  // 0xAARRGGBB; pictures without alpha are opaque.
  Argb At(int x, int y) const;
};

// Copies the blocks; false when they are not a bottom-up DIB of 8, 24 or 32
// bits whose pixel block holds every row.
bool ReadDib(const void* info, size_t infoSize, const void* bits, size_t bitsSize, DibPixels& dib);
