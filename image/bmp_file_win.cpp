#include "image/bmp_file_win.h"

#include <algorithm>
#include <memory>
#include <new>

#include "image/block_alloc.h"
#include "image/bmp_reader.h"

namespace {

int32_t LastError(DWORD fallback) {
  const DWORD error = GetLastError();
  return static_cast<int32_t>(error ? error : fallback);
}

// Frees a block of the program's kind that was not handed over.
struct TFreeGlobalBlock {
  void operator()(uint8_t* block) const { GlobalBlocks.Free(block); }
};

}  // namespace

int32_t ReadFileAt(HANDLE file, uint64_t offset, uint8_t* to, size_t size) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return LastError(ERROR_SEEK);
  size_t done = 0;
  while (done < size) {
    const DWORD want = static_cast<DWORD>(std::min<size_t>(size - done, 64u << 20));
    DWORD got = 0;
    if (!ReadFile(file, to + done, want, &got, nullptr)) return LastError(ERROR_READ_FAULT);
    if (got == 0) return ERROR_HANDLE_EOF;
    done += got;
  }
  return 0;
}

int32_t ReadBmpFile(HANDLE file, uint64_t fileSize, const uint8_t* head, size_t headSize, TDecodedPicture& pic,
                    int32_t& decodeError) {
  TBmpLayout layout;
  decodeError = ReadBmpLayout(head, headSize, fileSize, layout);
  if (decodeError != kDecodeOk) return 0;
  const size_t pixelSize = static_cast<size_t>(layout.PixelSize);
  if (layout.Pixels == TBmpPixels::Copy) {
    std::unique_ptr<uint8_t, TFreeGlobalBlock> block(NewCopyBlock(layout, GlobalBlocks));
    if (!block) {
      decodeError = kDecodeNoMemory;
      return 0;
    }
    const int32_t error = ReadFileAt(file, layout.PixelOffset, block.get(), pixelSize);
    if (error != 0) return error;
    HoldBmpPicture(layout, block.release(), pic);
    return 0;
  }
  // Pixels that change form on the way (run-length data, 2-bit rows) are
  // read whole first: those files are small beside the block they become.
  std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[pixelSize ? pixelSize : 1]);
  if (!data) {
    decodeError = kDecodeNoMemory;
    return 0;
  }
  const int32_t error = ReadFileAt(file, layout.PixelOffset, data.get(), pixelSize);
  if (error != 0) return error;
  decodeError = BuildBmpPixels(layout, data.get(), pixelSize, GlobalBlocks, pic);
  return 0;
}
