#include "image/bmp_file_win.h"

#include <algorithm>
#include <memory>
#include <new>

#include "image/block_alloc.h"
#include "image/bmp_reader.h"
#include "util/file_io_win.h"

namespace {

// Frees a block of the program's kind that was not handed over.
struct TFreeGlobalBlock {
  void operator()(uint8_t* block) const { GlobalBlocks.Free(block); }
};

}  // namespace

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
  // Pixels that change form on the way (run-length data, 2-bit rows, bit
  // fields GDI does not draw) are read whole first and built from there.
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
