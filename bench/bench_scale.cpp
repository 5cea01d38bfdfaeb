// Times ScaleDib making a 1920 x 1080 view of a 6000 x 4000 picture against
// GDI's StretchDIBits (COLORONCOLOR) into a DIB section of the view's size and
// against a memcpy of one output frame, at 24, 32 and 8 bits, zoomed in
// (150 %) and out (37 %). Prints the median of several runs of each.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "bench/bench_noise.h"
#include "image/block_alloc.h"
#include "image/scale_dib.h"

namespace {

constexpr int kSrcW = 6000, kSrcH = 4000, kOutW = 1920, kOutH = 1080, kRuns = 15;

double Now() {
  static LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

double MedianMs(const std::function<void()>& work) {
  work();  // warm up: caches, page mappings
  std::vector<double> times;
  for (int i = 0; i < kRuns; ++i) {
    const double start = Now();
    work();
    times.push_back(Now() - start);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

struct TPicture {
  BitmapInfo Info{};
  std::vector<uint8_t> Bits;
};

TPicture MakePicture(int bpp) {
  TPicture p;
  p.Info.bmiHeader = {40, kSrcW, kSrcH, 1, static_cast<uint16_t>(bpp), 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 256; ++i) p.Info.bmiColors[i] = RgbQuad{uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 0};
  p.Bits.resize(static_cast<size_t>(DibStride(kSrcW, bpp) * kSrcH));
  FillNoise(p.Bits);
  return p;
}

void Run(const TPicture& pic, int zoom) {
  const int bpp = pic.Info.bmiHeader.biBitCount;
  const int zoomW = kSrcW * zoom / 100, zoomH = kSrcH * zoom / 100;
  const int scrollX = (zoomW - kOutW) / 2, scrollY = (zoomH - kOutH) / 2;
  const size_t frame = static_cast<size_t>(DibStride(kOutW, bpp) * kOutH);

  BitmapInfo out;
  // As the painter does: a new block every paint, freed after drawing.
  const double scale = MedianMs([&] {
    void* bits = nullptr;
    ScaleDib(out, bits, zoomW, zoomH, scrollX, scrollY, kOutW, kOutH, pic.Info, pic.Bits.data(), pic.Bits.size(),
             GlobalBlocks);
    GlobalBlocks.Free(bits);
  });
  // The resampling alone, into a block that stays mapped.
  std::vector<uint8_t> view(static_cast<size_t>(ScaleDibBlockSize(pic.Info, kOutW, kOutH)));
  const double fill = MedianMs([&] {
    ScaleDibInto(out, view.data(), view.size(), zoomW, zoomH, scrollX, scrollY, kOutW, kOutH, pic.Info, pic.Bits.data(),
                 pic.Bits.size());
  });

  // What a fresh block costs before any pixel is made: allocation, first
  // touch of every page, release.
  const double block = MedianMs([&] {
    void* bits = GlobalBlocks.Alloc(view.size());
    std::memset(bits, 0, view.size());
    GlobalBlocks.Free(bits);
  });

  std::vector<uint8_t> copy(frame);
  const double memcpyMs = MedianMs([&] {
    std::memcpy(copy.data(), view.data(), frame);
    // Keep the copy from being optimised away.
    volatile uint8_t sink = copy[frame / 2];
    (void)sink;
  });

  HDC dc = CreateCompatibleDC(nullptr);
  BitmapInfo sectionInfo = pic.Info;
  sectionInfo.bmiHeader.biWidth = kOutW;
  sectionInfo.bmiHeader.biHeight = kOutH;
  void* sectionBits = nullptr;
  HBITMAP section =
      CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&sectionInfo), DIB_RGB_COLORS, &sectionBits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, section);
  SetStretchBltMode(dc, COLORONCOLOR);
  // The source rectangle the view shows, in source pixels from the bottom-left.
  const int srcX = static_cast<int>(static_cast<long long>(scrollX) * kSrcW / zoomW);
  const int srcWidth = static_cast<int>(static_cast<long long>(kOutW) * kSrcW / zoomW);
  const int srcHeight = static_cast<int>(static_cast<long long>(kOutH) * kSrcH / zoomH);
  const int srcY = kSrcH - static_cast<int>(static_cast<long long>(scrollY) * kSrcH / zoomH) - srcHeight;
  int lines = 0;
  const double stretch = MedianMs([&] {
    lines = StretchDIBits(dc, 0, 0, kOutW, kOutH, srcX, srcY, srcWidth, srcHeight, pic.Bits.data(),
                          reinterpret_cast<const BITMAPINFO*>(&pic.Info), DIB_RGB_COLORS, SRCCOPY);
    GdiFlush();
  });
  if (lines == 0) std::printf("StretchDIBits failed\n");
  SelectObject(dc, old);
  DeleteObject(section);
  DeleteDC(dc);

  std::printf(
      "%2d bit %3d %%  ScaleDib %7.2f ms (%5.2fx memcpy, %5.1fx faster than "
      "StretchDIBits)  fill only %7.2f ms (%5.2fx memcpy, %5.1fx)  memcpy %6.2f ms  "
      "StretchDIBits %7.2f ms  new block %6.2f ms\n",
      bpp, zoom, scale, scale / memcpyMs, stretch / scale, fill, fill / memcpyMs, stretch / fill, memcpyMs, stretch,
      block);
}

}  // namespace

int main() {
  std::printf("%d x %d picture, %d x %d view, median of %d runs\n", kSrcW, kSrcH, kOutW, kOutH, kRuns);
  for (const int bpp : {24, 32, 8}) {
    const TPicture pic = MakePicture(bpp);
    for (const int zoom : {150, 37}) Run(pic, zoom);
  }
  return 0;
}
