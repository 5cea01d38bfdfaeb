#include "companions/wic/wic_decode_win.h"

#include <wincodec.h>

#include <cstring>
#include <vector>

#include "companions/common/spi_codes.h"
#include "companions/wic/com_win.h"
#include "companions/wic/dib_pixels.h"
#include "companions/wic/orientation.h"

namespace {

// Rows are fetched from the codec in strips of about this many bytes, so
// that progress is reported and a cancel is seen while a large picture decodes.
constexpr size_t kStripBytes = 1 << 20;

const struct {
  const GUID* format;
  PixelLayout layout;
} kLayouts[] = {
    {&GUID_WICPixelFormatBlackWhite, PixelLayout::Gray1},     {&GUID_WICPixelFormat2bppGray, PixelLayout::Gray2},
    {&GUID_WICPixelFormat4bppGray, PixelLayout::Gray4},       {&GUID_WICPixelFormat8bppGray, PixelLayout::Gray8},
    {&GUID_WICPixelFormat16bppGray, PixelLayout::Gray16},     {&GUID_WICPixelFormat1bppIndexed, PixelLayout::Indexed1},
    {&GUID_WICPixelFormat2bppIndexed, PixelLayout::Indexed2}, {&GUID_WICPixelFormat4bppIndexed, PixelLayout::Indexed4},
    {&GUID_WICPixelFormat8bppIndexed, PixelLayout::Indexed8}, {&GUID_WICPixelFormat24bppBGR, PixelLayout::Bgr24},
    {&GUID_WICPixelFormat24bppRGB, PixelLayout::Rgb24},       {&GUID_WICPixelFormat32bppBGR, PixelLayout::Bgr32},
    {&GUID_WICPixelFormat32bppBGRA, PixelLayout::Bgra32},     {&GUID_WICPixelFormat32bppRGBA, PixelLayout::Rgba32},
    {&GUID_WICPixelFormat48bppRGB, PixelLayout::Rgb48},       {&GUID_WICPixelFormat64bppRGBA, PixelLayout::Rgba64},
};

bool LayoutOf(const GUID& format, PixelLayout& layout) {
  for (const auto& entry : kLayouts) {
    if (*entry.format == format) {
      layout = entry.layout;
      return true;
    }
  }
  return false;
}

bool IsIndexed(PixelLayout layout) {
  return layout == PixelLayout::Indexed1 || layout == PixelLayout::Indexed2 || layout == PixelLayout::Indexed4 ||
         layout == PixelLayout::Indexed8;
}

// The codec's view of one file image. COM stays initialised for as long as
// the interfaces live: the scope is the first member, so it ends last.
struct OpenPicture {
  ComScope Com;
  ComPtr<IWICImagingFactory> Factory;
  ComPtr<IWICStream> Stream;
  ComPtr<IWICBitmapDecoder> Decoder;
  ComPtr<IWICBitmapFrameDecode> Frame;
  int Orientation = 1;
  uint32_t Width = 0;
  uint32_t Height = 0;
};

// The frame shown: the first, or for an icon the one with the most pixels.
int32_t ChooseFrame(OpenPicture& p, const GUID& container) {
  UINT count = 0;
  if (FAILED(p.Decoder->GetFrameCount(&count)) || count == 0) return kSpiBrokenData;
  UINT chosen = 0;
  if (container == GUID_ContainerFormatIco) {
    uint64_t largest = 0;
    for (UINT i = 0; i < count; ++i) {
      ComPtr<IWICBitmapFrameDecode> frame;
      UINT w = 0, h = 0;
      if (FAILED(p.Decoder->GetFrame(i, frame.put())) || FAILED(frame->GetSize(&w, &h))) continue;
      if (static_cast<uint64_t>(w) * h > largest) {
        largest = static_cast<uint64_t>(w) * h;
        chosen = i;
      }
    }
  }
  if (FAILED(p.Decoder->GetFrame(chosen, p.Frame.put()))) return kSpiBrokenData;
  UINT w = 0, h = 0;
  if (FAILED(p.Frame->GetSize(&w, &h)) || w == 0 || h == 0) return kSpiBrokenData;
  p.Width = w;
  p.Height = h;
  return kSpiSuccess;
}

int32_t Open(const uint8_t* image, size_t size, OpenPicture& p) {
  if (!p.Com.Usable()) return kSpiInternalError;
  if (!image || size == 0 || size > MAXDWORD) return kSpiUnknownFormat;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(p.Factory.put())))) {
    return kSpiInternalError;
  }
  if (FAILED(p.Factory->CreateStream(p.Stream.put())) ||
      FAILED(p.Stream->InitializeFromMemory(const_cast<BYTE*>(image), static_cast<DWORD>(size)))) {
    return kSpiNoMemory;
  }
  const HRESULT opened =
      p.Factory->CreateDecoderFromStream(p.Stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, p.Decoder.put());
  if (opened == WINCODEC_ERR_COMPONENTNOTFOUND) return kSpiUnknownFormat;
  if (FAILED(opened)) return kSpiBrokenData;
  GUID container{};
  if (FAILED(p.Decoder->GetContainerFormat(&container))) return kSpiBrokenData;
  if (container == GUID_ContainerFormatJpeg) p.Orientation = JpegOrientation(image, size);
  return ChooseFrame(p, container);
}

int SourceBitsOf(OpenPicture& p) {
  WICPixelFormatGUID format{};
  ComPtr<IWICComponentInfo> component;
  ComPtr<IWICPixelFormatInfo> info;
  UINT bits = 0;
  if (SUCCEEDED(p.Frame->GetPixelFormat(&format)) &&
      SUCCEEDED(p.Factory->CreateComponentInfo(format, component.put())) &&
      SUCCEEDED(component->QueryInterface(IID_IWICPixelFormatInfo, reinterpret_cast<void**>(info.put())))) {
    info->GetBitsPerPixel(&bits);
  }
  return static_cast<int>(bits);
}

// The frame's pixels in a layout read here: its own, or converted by the codec.
int32_t PixelSource(OpenPicture& p, ComPtr<IWICBitmapSource>& source, PixelLayout& layout,
                    std::vector<uint32_t>& palette) {
  WICPixelFormatGUID format{};
  if (FAILED(p.Frame->GetPixelFormat(&format))) return kSpiBrokenData;
  if (!LayoutOf(format, layout)) {
    layout = PixelLayout::Bgra32;
    return SUCCEEDED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, p.Frame.get(), source.put()))
               ? kSpiSuccess
               : kSpiBrokenData;
  }
  if (FAILED(p.Frame->QueryInterface(IID_IWICBitmapSource, reinterpret_cast<void**>(source.put())))) {
    return kSpiInternalError;
  }
  if (IsIndexed(layout)) {
    ComPtr<IWICPalette> colours;
    UINT count = 0;
    if (FAILED(p.Factory->CreatePalette(colours.put())) || FAILED(p.Frame->CopyPalette(colours.get())) ||
        FAILED(colours->GetColorCount(&count)) || count == 0 || count > 256) {
      return kSpiBrokenData;
    }
    palette.resize(count);
    if (FAILED(colours->GetColors(count, palette.data(), &count))) return kSpiBrokenData;
    palette.resize(count);
  }
  return kSpiSuccess;
}

// Rows the codec gives exactly as the DIB holds them are fetched straight
// into their place, one at a time (the block is bottom-up).
bool SameRows(PixelLayout layout, const DibPlan& plan) {
  return (layout == PixelLayout::Bgr24 && plan.Bits == 24) || (layout == PixelLayout::Bgra32 && plan.Bits == 32) ||
         ((layout == PixelLayout::Gray8 || layout == PixelLayout::Indexed8) && plan.Bits == 8);
}

int32_t CopyRows(OpenPicture& p, IWICBitmapSource* source, const DecodeSizes& sizes, const DecodeProgress& progress,
                 uint8_t* bits) {
  const uint32_t w = p.Width, h = p.Height;
  const size_t stride = sizes.Stride;
  const uint32_t stripRows = sizes.StripRows;
  if (progress && !progress(0, h)) return kSpiCancelled;
  for (uint32_t y = 0; y < h; ++y) {
    const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(w), 1};
    if (FAILED(source->CopyPixels(&rect, static_cast<UINT>(stride), static_cast<UINT>(stride),
                                  bits + static_cast<size_t>(h - 1 - y) * stride))) {
      return kSpiBrokenData;
    }
    if (progress && ((y + 1) % stripRows == 0 || y + 1 == h) && !progress(y + 1, h)) return kSpiCancelled;
  }
  return kSpiSuccess;
}

// The pixels in a bottom-up block of the plan's depth, strip by strip.
int32_t ReadRows(OpenPicture& p, IWICBitmapSource* source, PixelLayout layout, const std::vector<uint32_t>& palette,
                 const DibPlan& plan, const DecodeSizes& sizes, const DecodeProgress& progress, uint8_t* bits) {
  const uint32_t w = p.Width, h = p.Height;
  const size_t sourceStride = sizes.SourceStride, dibStride = sizes.Stride;
  const uint32_t stripRows = sizes.StripRows;
  std::vector<uint8_t> strip(sourceStride * stripRows);
  if (progress && !progress(0, h)) return kSpiCancelled;
  for (uint32_t top = 0; top < h; top += stripRows) {
    const uint32_t rows = h - top < stripRows ? h - top : stripRows;
    const WICRect rect{0, static_cast<INT>(top), static_cast<INT>(w), static_cast<INT>(rows)};
    if (FAILED(source->CopyPixels(&rect, static_cast<UINT>(sourceStride), static_cast<UINT>(sourceStride * rows),
                                  strip.data()))) {
      return kSpiBrokenData;
    }
    for (uint32_t i = 0; i < rows; ++i) {
      ConvertRow(layout, strip.data() + i * sourceStride, w, palette, plan,
                 bits + static_cast<size_t>(h - 1 - (top + i)) * dibStride);
    }
    if (progress && !progress(top + rows, h)) return kSpiCancelled;
  }
  return kSpiSuccess;
}

int32_t MakeInfoBlock(uint32_t width, uint32_t height, const DibPlan& plan, double dpiX, double dpiY,
                      LocalMemory& info) {
  const size_t size = sizeof(BitmapInfoHeader) + plan.Palette.size() * sizeof(RgbQuad);
  info.reset(LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, size));
  if (!info) return kSpiNoMemory;
  LockedLocal lock(info.get());
  if (!lock.get()) return kSpiMemoryError;
  BitmapInfoHeader header{};
  header.biSize = sizeof header;
  header.biWidth = static_cast<int32_t>(width);
  header.biHeight = static_cast<int32_t>(height);
  header.biPlanes = 1;
  header.biBitCount = static_cast<uint16_t>(plan.Bits);
  header.biSizeImage = static_cast<uint32_t>(DibStride(width, plan.Bits) * height);
  // A codec's resolution may be anything, not a number included.
  auto perMetre = [](double dpi) { return dpi > 0 && dpi < 1e6 ? static_cast<int32_t>(dpi / 0.0254 + 0.5) : 0; };
  header.biXPelsPerMeter = perMetre(dpiX);
  header.biYPelsPerMeter = perMetre(dpiY);
  header.biClrUsed = static_cast<uint32_t>(plan.Palette.size());
  std::memcpy(lock.get(), &header, sizeof header);
  if (!plan.Palette.empty()) {
    std::memcpy(static_cast<uint8_t*>(lock.get()) + sizeof header, plan.Palette.data(),
                plan.Palette.size() * sizeof(RgbQuad));
  }
  return kSpiSuccess;
}

// Turns the block upright: a second block of the turned size replaces the first.
int32_t Upright(int orientation, uint32_t& width, uint32_t& height, int bitsPerPixel, LocalMemory& bits) {
  const uint32_t w = SwapsSides(orientation) ? height : width, h = SwapsSides(orientation) ? width : height;
  size_t size = 0;
  if (!DibBlockSize(w, h, bitsPerPixel, size)) return kSpiNoMemory;
  LocalMemory turned(LocalAlloc(LMEM_MOVEABLE, size));
  if (!turned) return kSpiNoMemory;
  {
    LockedLocal from(bits.get()), to(turned.get());
    if (!from.get() || !to.get()) return kSpiMemoryError;
    ApplyOrientation(orientation, static_cast<const uint8_t*>(from.get()), width, height, bitsPerPixel,
                     static_cast<uint8_t*>(to.get()));
  }
  bits = std::move(turned);
  width = w;
  height = h;
  return kSpiSuccess;
}

}  // namespace

int32_t ReadPictureFacts(const uint8_t* image, size_t size, PictureFacts& facts) {
  // A JPEG's headers say it all. Some codecs decode the whole picture when
  // they open it, which would be done twice, as hosts ask for the facts first.
  JpegFacts jpeg;
  if (image && ReadJpegFacts(image, size, jpeg)) {
    const bool swap = SwapsSides(jpeg.Orientation);
    facts.Width = swap ? jpeg.Height : jpeg.Width;
    facts.Height = swap ? jpeg.Width : jpeg.Height;
    facts.SourceBits = jpeg.Components * 8;
    facts.DpiX = swap ? jpeg.DotsPerInchY : jpeg.DotsPerInchX;
    facts.DpiY = swap ? jpeg.DotsPerInchX : jpeg.DotsPerInchY;
    return kSpiSuccess;
  }
  OpenPicture p;
  if (int32_t code = Open(image, size, p)) return code;
  const bool swap = SwapsSides(p.Orientation);
  facts.Width = swap ? p.Height : p.Width;
  facts.Height = swap ? p.Width : p.Height;
  facts.SourceBits = SourceBitsOf(p);
  double x = 0, y = 0;
  if (SUCCEEDED(p.Frame->GetResolution(&x, &y))) {
    facts.DpiX = swap ? y : x;
    facts.DpiY = swap ? x : y;
  }
  return kSpiSuccess;
}

int32_t DecodePictureBlocks(const uint8_t* image, size_t size, const DecodeProgress& progress, LocalMemory& info,
                            LocalMemory& bits) {
  OpenPicture p;
  if (int32_t code = Open(image, size, p)) return code;
  ComPtr<IWICBitmapSource> source;
  PixelLayout layout{};
  std::vector<uint32_t> palette;
  if (int32_t code = PixelSource(p, source, layout, palette)) return code;
  DibPlan plan = PlanDib(layout, palette);
  DecodeSizes sizes;
  if (!PlanDecodeSizes(p.Width, p.Height, SourceBits(layout), plan.Bits, kStripBytes, sizes)) return kSpiNoMemory;
  bits.reset(LocalAlloc(LMEM_MOVEABLE, sizes.BlockSize));
  if (!bits) return kSpiNoMemory;
  size_t compactedSize = 0;
  {
    LockedLocal lock(bits.get());
    if (!lock.get()) return kSpiMemoryError;
    auto* pixels = static_cast<uint8_t*>(lock.get());
    const int32_t code = SameRows(layout, plan)
                             ? CopyRows(p, source.get(), sizes, progress, pixels)
                             : ReadRows(p, source.get(), layout, palette, plan, sizes, progress, pixels);
    if (code != kSpiSuccess) return code;
    // A picture that could have had transparency but has none is opaque.
    if (plan.Bits == 32 && AllOpaque(pixels, p.Width, p.Height)) {
      compactedSize = Compact32To24(pixels, p.Width, p.Height);
      plan.Bits = 24;
    }
  }
  if (compactedSize > 0) {
    // Give back what the 32-bit rows took beyond the 24-bit ones.
    if (HLOCAL smaller = LocalReAlloc(bits.get(), compactedSize, LMEM_MOVEABLE)) {
      bits.release();
      bits.reset(smaller);
    }
  }
  uint32_t width = p.Width, height = p.Height;
  if (p.Orientation != 1) {
    if (int32_t code = Upright(p.Orientation, width, height, plan.Bits, bits)) return code;
  }
  double x = 0, y = 0;
  p.Frame->GetResolution(&x, &y);
  return MakeInfoBlock(width, height, plan, SwapsSides(p.Orientation) ? y : x, SwapsSides(p.Orientation) ? x : y, info);
}
