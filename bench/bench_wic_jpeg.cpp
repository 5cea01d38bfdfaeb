// Times opening a 24-megapixel photo (a 6000 x 4000 JPEG made here by the
// system's encoder) through the picture plug-in as the program opens it:
// probe (load, version, IsSupported) and DecodePicture from memory. Against
// GetPicture alone with the plug-in already loaded, and against the system
// decoder writing the same pixels into a fresh block (what the plug-in must
// hand out) and into a buffer used before.
#include <wincodec.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "plugins/spi_api.h"
#include "plugins/plugin_table_win.h"
#include "plugins/spi_util.h"
#include "companions/wic/com_win.h"
#include "wic_test_util.h"

namespace {

constexpr UINT kWidth = 6000, kHeight = 4000;

// Smooth light and shade with a little grain, so the file is photo-sized.
void SystemDecode(const std::string& jpeg, BYTE* pixels) {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                   reinterpret_cast<void**>(factory.put()));
  factory->CreateStream(stream.put());
  stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(jpeg.data())),
                               static_cast<DWORD>(jpeg.size()));
  factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.put());
  decoder->GetFrame(0, frame.put());
  const UINT stride = (kWidth * 3 + 3) / 4 * 4;
  frame->CopyPixels(nullptr, stride, stride * kHeight, pixels);
}

std::string PluginPath() {
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  std::string path = exe;
  path.resize(path.rfind('\\'));  // bench
  path.resize(path.rfind('\\'));  // the build folder
  return path + "\\companions\\orvwic" ORV_PLUGIN_SUFFIX;
}

}  // namespace

int main() {
  const std::string jpeg = PhotoJpeg(kWidth, kHeight, 1);
  if (jpeg.empty()) {
    std::printf("the system has no JPEG encoder\n");
    return 1;
  }
  const std::string plugin = PluginPath();
  std::printf("%u x %u JPEG, %.1f MB; plug-in %s\n", kWidth, kHeight, jpeg.size() / 1048576.0, plugin.c_str());
  const auto* image = reinterpret_cast<const uint8_t*>(jpeg.data());
  uint8_t header[kSpiHeaderSize] = {};
  memcpy(header, image, sizeof header);

  int32_t failures = 0;
  // Loaded by the first probe and kept, as the viewer keeps it.
  TPlugin& record = PluginRecord(plugin);
  const double probe = MedianMs(5, [&] {
    if (ProbePlugin(record, "photo.jpg", header) != kPluginPicture) ++failures;
  });
  const double open = MedianMs(5, [&] {
    TDecodedPicture picture;
    if (ProbePlugin(record, "photo.jpg", header) != kPluginPicture ||
        DecodePicture(record, image, jpeg.size(), picture) != 0) {
      ++failures;
      return;
    }
    LocalUnlock(static_cast<HLOCAL>(picture.BitsHandle));
    LocalFree(static_cast<HLOCAL>(picture.BitsHandle));
  });
  // The same photo taken on its side, as phones store portraits.
  const std::string turned = WithOrientation(jpeg, 6, true);
  const double openTurned = MedianMs(5, [&] {
    TDecodedPicture picture;
    if (ProbePlugin(record, "photo.jpg", header) != kPluginPicture ||
        DecodePicture(record, reinterpret_cast<const uint8_t*>(turned.data()), turned.size(), picture) != 0) {
      ++failures;
      return;
    }
    LocalUnlock(static_cast<HLOCAL>(picture.BitsHandle));
    LocalFree(static_cast<HLOCAL>(picture.BitsHandle));
  });
  auto getPicture = record.Exports.GetPicture;
  const double decode = MedianMs(5, [&] {
    HLOCAL info = nullptr, bits = nullptr;
    if (!getPicture ||
        getPicture(jpeg.data(), static_cast<LONG_PTR>(jpeg.size()), kSpiInputMemory, &info, &bits, nullptr, 0) != 0) {
      ++failures;
    }
    LocalFree(info);
    LocalFree(bits);
  });
  std::vector<BYTE> pixels(static_cast<size_t>((kWidth * 3 + 3) / 4 * 4) * kHeight);
  const double system = MedianMs(5, [&] {
    ComScope com;
    SystemDecode(jpeg, pixels.data());
  });
  // A block the size of the picture, fresh each time as the plug-in's is.
  const double fresh = MedianMs(5, [&] {
    LocalMemory block(LocalAlloc(LMEM_MOVEABLE, pixels.size()));
    LockedLocal lock(block.get());
    ComScope com;
    SystemDecode(jpeg, static_cast<BYTE*>(lock.get()));
  });
  if (failures) std::printf("%d calls failed\n", failures);
  std::printf("open through the plug-in (probe + DecodePicture): %7.1f ms (%.2fx the system decoder, fresh block)\n",
              open, open / fresh);
  std::printf("  of which the probe (load, version, IsSupported):  %7.1f ms\n", probe);
  std::printf("the same photo with Exif orientation 6 (turned):  %7.1f ms\n", openTurned);
  std::printf("GetPicture, plug-in loaded:                       %7.1f ms\n", decode);
  std::printf("system decoder into a fresh block:                %7.1f ms\n", fresh);
  std::printf("system decoder into a buffer used before:         %7.1f ms\n", system);
  return failures ? 1 : 0;
}
