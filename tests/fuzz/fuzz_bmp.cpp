// Feeds arbitrary bytes to the internal bitmap reader as a file image, then
// to the format description and the installer, as the loader would.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "image/bmp_reader.h"
#include "image/format_desc.h"
#include "image/img.h"

namespace {

// Refuses big blocks so that a header claiming a huge picture exercises the
// refusal instead of exhausting the fuzzer's memory.
void* SmallAlloc(uint64_t size) { return size <= (2u << 20) ? HeapBlocks.Alloc(size) : nullptr; }

const TBlockAllocator SmallBlocks = {SmallAlloc, HeapBlocks.Free};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TDecodedPicture pic;
  const int status = ReadBmpImage(data, size, SmallBlocks, pic);
  if (status != kDecodeOk && status != kDecodeBrokenData && status != kDecodeNoMemory) std::abort();
  (void)DescribeFormat(data, size);
  if (status == kDecodeOk) {
    const BitmapInfoHeader& h = pic.Info.bmiHeader;
    const uint64_t rows = static_cast<uint64_t>(DibRows(h.biHeight));
    // Every consumer may walk all rows the header describes.
    if (static_cast<uint64_t>(pic.BitsSize) < DibStride(h.biWidth, h.biBitCount) * rows) std::abort();
    pic.TextInfo.assign(reinterpret_cast<const char*>(data), size < 64 ? size : 64);
    TImg img;
    InstallImg(img, pic, data, size);
    SmallBlocks.Free(img.Bits);
  }
  return 0;
}
