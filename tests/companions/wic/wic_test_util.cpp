#include "wic_test_util.h"

#include <algorithm>
#include <cstring>

#include "companions/wic/com_win.h"

namespace {

std::string Encode(const GUID& container, uint32_t width, uint32_t height, const std::vector<Argb>& pixels) {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(factory.put()))) ||
      FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) ||
      FAILED(factory->CreateEncoder(container, nullptr, encoder.put())) ||
      FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.put(), options.put())) || FAILED(frame->Initialize(options.get())) ||
      FAILED(frame->SetSize(width, height))) {
    return std::string();
  }
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (FAILED(frame->SetPixelFormat(&format)) || format != GUID_WICPixelFormat24bppBGR) return std::string();
  const UINT stride = (width * 3 + 3) / 4 * 4;
  std::vector<BYTE> rows(static_cast<size_t>(stride) * height);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const Argb c = pixels[static_cast<size_t>(y) * width + x];
      BYTE* p = &rows[static_cast<size_t>(y) * stride + x * 3];
      p[0] = static_cast<BYTE>(c);
      p[1] = static_cast<BYTE>(c >> 8);
      p[2] = static_cast<BYTE>(c >> 16);
    }
  }
  if (FAILED(frame->WritePixels(height, stride, static_cast<UINT>(rows.size()), rows.data())) ||
      FAILED(frame->Commit()) || FAILED(encoder->Commit())) {
    return std::string();
  }
  HGLOBAL memory = nullptr;
  STATSTG facts{};
  if (FAILED(GetHGlobalFromStream(stream.get(), &memory)) || FAILED(stream->Stat(&facts, STATFLAG_NONAME))) {
    return std::string();
  }
  std::string bytes(static_cast<size_t>(facts.cbSize.QuadPart), '\0');
  std::memcpy(bytes.data(), GlobalLock(memory), bytes.size());
  GlobalUnlock(memory);
  return bytes;
}

}  // namespace

std::string EncodeWithSystem(const GUID& container, uint32_t width, uint32_t height, const std::vector<Argb>& pixels) {
  ComScope com;
  return Encode(container, width, height, pixels);
}

std::string PhotoJpeg(uint32_t width, uint32_t height, uint32_t seed) {
  std::vector<Argb> pixels(static_cast<size_t>(width) * height);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      seed = seed * 1664525 + 1013904223;
      const int grain = static_cast<int>(seed >> 28) - 8;
      auto level = [&](int v) { return static_cast<uint8_t>(std::clamp(v + grain, 0, 255)); };
      pixels[static_cast<size_t>(y) * width + x] =
          MakeArgb(0xFF, level(128 + static_cast<int>((x ^ y) % 64)), level(static_cast<int>(y * 255 / height)),
                   level(static_cast<int>(x * 255 / width)));
    }
  }
  return EncodeWithSystem(GUID_ContainerFormatJpeg, width, height, pixels);
}

std::string WithOrientation(const std::string& jpeg, int orientation, bool bigEndian) {
  auto put16 = [&](std::string& s, uint16_t v) {
    s += static_cast<char>(bigEndian ? v >> 8 : v & 0xFF);
    s += static_cast<char>(bigEndian ? v & 0xFF : v >> 8);
  };
  auto put32 = [&](std::string& s, uint32_t v) {
    put16(s, static_cast<uint16_t>(bigEndian ? v >> 16 : v));
    put16(s, static_cast<uint16_t>(bigEndian ? v : v >> 16));
  };
  std::string tiff = bigEndian ? "MM" : "II";
  put16(tiff, 42);
  put32(tiff, 8);
  put16(tiff, 2);  // two entries: a resolution unit first, then the orientation
  put16(tiff, 0x0128);
  put16(tiff, 3);
  put32(tiff, 1);
  put16(tiff, 2);
  put16(tiff, 0);
  put16(tiff, 0x0112);
  put16(tiff, 3);
  put32(tiff, 1);
  put16(tiff, static_cast<uint16_t>(orientation));
  put16(tiff, 0);
  put32(tiff, 0);
  const std::string body = std::string("Exif\0\0", 6) + tiff;
  std::string segment = "\xFF\xE1";
  segment += static_cast<char>((body.size() + 2) >> 8);
  segment += static_cast<char>((body.size() + 2) & 0xFF);
  segment += body;
  // Behind the JFIF block when there is one, as cameras and editors write it.
  size_t at = 2;
  if (jpeg.size() > 6 && static_cast<uint8_t>(jpeg[3]) == 0xE0) {
    at = 4 + (static_cast<uint8_t>(jpeg[4]) << 8 | static_cast<uint8_t>(jpeg[5]));
  }
  return jpeg.substr(0, at) + segment + jpeg.substr(at);
}

Argb DibPixels::At(int x, int y) const {
  const int bits = Header.biBitCount;
  const size_t stride = (static_cast<size_t>(Width()) * bits + 31) / 32 * 4;
  const uint8_t* row = &Bits[static_cast<size_t>(Height() - 1 - y) * stride];
  switch (bits) {
    case 8: {
      const uint8_t i = row[x];
      if (i >= Palette.size()) return 0;
      return MakeArgb(0xFF, Palette[i].rgbRed, Palette[i].rgbGreen, Palette[i].rgbBlue);
    }
    case 24:
      return MakeArgb(0xFF, row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
    default:
      return MakeArgb(row[x * 4 + 3], row[x * 4 + 2], row[x * 4 + 1], row[x * 4]);
  }
}

bool ReadDib(const void* info, size_t infoSize, const void* bits, size_t bitsSize, DibPixels& dib) {
  if (!info || infoSize < sizeof(BITMAPINFOHEADER)) return false;
  std::memcpy(&dib.Header, info, sizeof dib.Header);
  const BITMAPINFOHEADER& h = dib.Header;
  if (h.biSize != sizeof h || h.biWidth <= 0 || h.biHeight <= 0 || h.biCompression != BI_RGB) return false;
  if (h.biBitCount != 8 && h.biBitCount != 24 && h.biBitCount != 32) return false;
  const size_t colours = h.biBitCount == 8 ? (h.biClrUsed ? h.biClrUsed : 256) : 0;
  if (infoSize < sizeof h + colours * sizeof(RGBQUAD)) return false;
  dib.Palette.resize(colours);
  std::memcpy(dib.Palette.data(), static_cast<const uint8_t*>(info) + sizeof h, colours * sizeof(RGBQUAD));
  const size_t stride = (static_cast<size_t>(h.biWidth) * h.biBitCount + 31) / 32 * 4;
  if (!bits || bitsSize < stride * h.biHeight) return false;
  dib.Bits.assign(static_cast<const uint8_t*>(bits), static_cast<const uint8_t*>(bits) + stride * h.biHeight);
  return true;
}
