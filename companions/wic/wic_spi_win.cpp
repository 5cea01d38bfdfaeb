// The picture plug-in's exports: every format the system's codecs decode,
// except bitmaps, which the program reads itself. Each ANSI export and its
// wide twin share one body, a template over the character of the file name.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/handles.h"
#include "companions/common/file_path_win.h"
#include "companions/common/plugin_text.h"
#include "companions/common/probe_header_win.h"
#include "plugins/spi_api.h"
#include "companions/wic/wic_codecs_win.h"
#include "companions/wic/wic_decode_win.h"

namespace {

constexpr char kDescription[] = "Orv picture plug-in on the Windows Imaging Component " ORV_VERSION_TEXT;

// The file image a call names: memory as the host holds it, or a file read
// from an offset to its end.
class PictureInput {
 public:
  template <typename Char>
  int32_t Open(const Char* input, LONG_PTR length, unsigned flag) {
    if (!input || length < 0) return kSpiReadError;
    switch (flag & kSpiInputKindMask) {
      case kSpiInputMemory:
        data_ = reinterpret_cast<const uint8_t*>(input);
        size_ = static_cast<size_t>(length);
        return kSpiSuccess;
      case kSpiInputFile:
        return ReadFileFrom(FilePath(input), static_cast<uint64_t>(length));
      default:
        return kSpiNotImplemented;
    }
  }
  const uint8_t* Data() const { return data_; }
  size_t Size() const { return size_; }

 private:
  int32_t ReadFileFrom(const std::wstring& name, uint64_t offset) {
    FileHandle file(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) return kSpiReadError;
    const uint64_t total = static_cast<uint64_t>(size.QuadPart);
    if (offset > total) return kSpiReadError;
    if (total - offset > MAXDWORD) return kSpiNoMemory;
    storage_.resize(static_cast<size_t>(total - offset));
    LARGE_INTEGER start{};
    start.QuadPart = static_cast<LONGLONG>(offset);
    DWORD read = 0;
    if (!SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN) ||
        !ReadFile(file.get(), storage_.data(), static_cast<DWORD>(storage_.size()), &read, nullptr) ||
        read != storage_.size()) {
      return kSpiReadError;
    }
    data_ = storage_.data();
    size_ = storage_.size();
    return kSpiSuccess;
  }

  std::vector<uint8_t> storage_;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

template <typename Char>
int DecodeBody(const Char* input, LONG_PTR length, unsigned flag, HLOCAL* info, HLOCAL* bits, SpiProgressProc progress,
               LONG_PTR data) {
  return GuardedCall([&]() -> int32_t {
    if (!info || !bits) return kSpiMemoryError;
    *info = nullptr;
    *bits = nullptr;
    PictureInput picture;
    if (int32_t code = picture.Open(input, length, flag)) return code;
    DecodeProgress report;
    if (progress) {
      report = [&](uint32_t done, uint32_t total) {
        return progress(static_cast<int>(done), static_cast<int>(total), data) == 0;
      };
    }
    LocalMemory infoBlock, bitsBlock;
    if (int32_t code = DecodePictureBlocks(picture.Data(), picture.Size(), report, infoBlock, bitsBlock)) return code;
    *info = infoBlock.release();
    *bits = bitsBlock.release();
    return kSpiSuccess;
  });
}

// The name plays no part: the bytes decide.
int IsSupportedBody(void* headerOrHandle) {
  return GuardedAnswer([&] {
    uint8_t header[kSpiHeaderSize] = {};
    const size_t size = ReadProbeHeader(headerOrHandle, header);
    // Bitmaps are the program's own.
    if (size >= 2 && header[0] == 'B' && header[1] == 'M') return 0;
    return MatchesAnyPattern(InstalledDecoders().Patterns, header, size) ? 1 : 0;
  });
}

template <typename Char>
int GetPictureInfoBody(const Char* input, LONG_PTR length, unsigned flag, SpiPictureInfo* info) {
  return GuardedCall([&]() -> int32_t {
    if (!info) return kSpiMemoryError;
    PictureInput picture;
    if (int32_t code = picture.Open(input, length, flag)) return code;
    PictureFacts facts;
    if (int32_t code = ReadPictureFacts(picture.Data(), picture.Size(), facts)) return code;
    *info = SpiPictureInfo{};
    info->Width = static_cast<int32_t>(facts.Width);
    info->Height = static_cast<int32_t>(facts.Height);
    info->XDensity = static_cast<uint16_t>(facts.DpiX > 0 && facts.DpiX < 65535 ? facts.DpiX + 0.5 : 0);
    info->YDensity = static_cast<uint16_t>(facts.DpiY > 0 && facts.DpiY < 65535 ? facts.DpiY + 0.5 : 0);
    info->ColorDepth = static_cast<int16_t>(facts.SourceBits);
    return kSpiSuccess;
  });
}

}  // namespace

extern "C" {

int __stdcall GetPluginInfo(int infoNumber, LPSTR buffer, int bufferLength) {
  return GuardedCall([&] {
    // The decoders are asked only for the filter texts, not for the version.
    static const std::vector<std::pair<std::string, std::string>> none;
    const auto& filters = infoNumber >= 2 ? InstalledDecoders().Filters : none;
    return CopyPluginText(PluginInfoText(infoNumber, "00IN", kDescription, filters), buffer, bufferLength);
  });
}

int __stdcall IsSupported(LPCSTR, void* headerOrHandle) { return IsSupportedBody(headerOrHandle); }
int __stdcall IsSupportedW(LPCWSTR, void* headerOrHandle) { return IsSupportedBody(headerOrHandle); }

int __stdcall GetPictureInfo(LPCSTR input, LONG_PTR length, unsigned flag, SpiPictureInfo* info) {
  return GetPictureInfoBody(input, length, flag, info);
}
int __stdcall GetPictureInfoW(LPCWSTR input, LONG_PTR length, unsigned flag, SpiPictureInfo* info) {
  return GetPictureInfoBody(input, length, flag, info);
}

int __stdcall GetPicture(LPCSTR input, LONG_PTR length, unsigned flag, HLOCAL* info, HLOCAL* bits,
                         SpiProgressProc progress, LONG_PTR data) {
  return DecodeBody(input, length, flag, info, bits, progress, data);
}
int __stdcall GetPictureW(LPCWSTR input, LONG_PTR length, unsigned flag, HLOCAL* info, HLOCAL* bits,
                          SpiProgressProc progress, LONG_PTR data) {
  return DecodeBody(input, length, flag, info, bits, progress, data);
}

// The preview is the picture itself: the codecs decode it fast enough.
int __stdcall GetPreview(LPCSTR input, LONG_PTR length, unsigned flag, HLOCAL* info, HLOCAL* bits,
                         SpiProgressProc progress, LONG_PTR data) {
  return DecodeBody(input, length, flag, info, bits, progress, data);
}
int __stdcall GetPreviewW(LPCWSTR input, LONG_PTR length, unsigned flag, HLOCAL* info, HLOCAL* bits,
                          SpiProgressProc progress, LONG_PTR data) {
  return DecodeBody(input, length, flag, info, bits, progress, data);
}

}  // extern "C"
