#include "companions/zip/zip_extract.h"

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "image/dib_types.h"
#include "companions/common/spi_codes.h"

namespace {

constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kChunk = 64 * 1024;
constexpr uint16_t kStored = 0;
constexpr uint16_t kDeflated = 8;

// Where the member's data starts, behind its local header; 0 when the header is not there.
int32_t DataStart(ByteSource& source, const ZipMember& member, uint64_t& start) {
  uint8_t header[kLocalHeaderSize];
  if (!source.Read(member.HeaderOffset, header, sizeof header)) return kSpiBrokenData;
  if (ReadLe32(header) != kLocalSignature) return kSpiBrokenData;
  start = member.HeaderOffset + kLocalHeaderSize + ReadLe16(header + 26) + ReadLe16(header + 28);
  const uint64_t size = source.Size();
  if (start > size || member.CompressedSize > size - start) return kSpiBrokenData;
  return kSpiSuccess;
}

// Counts, checks and passes on what a member yields.
class Output {
 public:
  Output(const ZipMember& member, ByteSink& sink, const ZipProgress& progress)
      : member_(member), sink_(sink), progress_(progress) {}

  int32_t Put(const uint8_t* data, size_t size) {
    if (size == 0) return kSpiSuccess;
    if (size > member_.Size - done_) return kSpiBrokenData;
    crc_ = crc32_z(crc_, data, size);
    if (!sink_.Write(data, size)) return kSpiWriteError;
    done_ += size;
    if (progress_ && !progress_(done_, member_.Size)) return kSpiCancelled;
    return kSpiSuccess;
  }

  int32_t Finish() const {
    if (done_ != member_.Size) return kSpiBrokenData;
    return crc_ == member_.Crc ? kSpiSuccess : kSpiUnknownFormat;
  }

 private:
  const ZipMember& member_;
  ByteSink& sink_;
  const ZipProgress& progress_;
  uint64_t done_ = 0;
  uLong crc_ = crc32_z(0, nullptr, 0);
};

int32_t CopyStored(ByteSource& source, uint64_t at, const ZipMember& member, Output& output) {
  std::vector<uint8_t> buffer(kChunk);
  for (uint64_t left = member.CompressedSize; left > 0;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(left, kChunk));
    if (!source.Read(at, buffer.data(), n)) return kSpiReadError;
    if (int32_t code = output.Put(buffer.data(), n)) return code;
    at += n;
    left -= n;
  }
  return output.Finish();
}

struct InflateEnd {
  void operator()(z_stream* s) const { inflateEnd(s); }
};

int32_t Inflate(ByteSource& source, uint64_t at, const ZipMember& member, Output& output) {
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return kSpiNoMemory;
  std::unique_ptr<z_stream, InflateEnd> owner(&stream);
  std::vector<uint8_t> in(kChunk), out(kChunk);
  uint64_t left = member.CompressedSize;
  for (;;) {
    if (stream.avail_in == 0 && left > 0) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(left, kChunk));
      if (!source.Read(at, in.data(), n)) return kSpiReadError;
      at += n;
      left -= n;
      stream.next_in = in.data();
      stream.avail_in = static_cast<uInt>(n);
    }
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&stream, Z_NO_FLUSH);
    if (result == Z_MEM_ERROR) return kSpiNoMemory;
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) return kSpiBrokenData;
    const size_t produced = out.size() - stream.avail_out;
    // Each turn either consumes input or fills output, and the output is
    // capped by the declared size: the loop ends in bounded time.
    if (int32_t code = output.Put(out.data(), produced)) return code;
    if (result == Z_STREAM_END) return output.Finish();
    // No input left and no way on: the stream is cut short.
    if (result == Z_BUF_ERROR && stream.avail_in == 0 && left == 0) return kSpiBrokenData;
  }
}

}  // namespace

int32_t CheckZipMember(const ZipMember& member) {
  if (member.Encrypted) return kSpiUnknownFormat;
  if (member.Method != kStored && member.Method != kDeflated) return kSpiUnknownFormat;
  if (member.Size > kMaxZipMemberSize) return kSpiNoMemory;
  if (member.Method == kStored && member.CompressedSize != member.Size) return kSpiBrokenData;
  if (member.Method == kDeflated && member.Size > member.CompressedSize * kMaxDeflateRatio + 1024) {
    return kSpiBrokenData;
  }
  return kSpiSuccess;
}

int32_t ExtractZipMember(ByteSource& source, const ZipMember& member, ByteSink& sink, const ZipProgress& progress) {
  if (int32_t code = CheckZipMember(member)) return code;
  try {
    uint64_t start = 0;
    if (int32_t code = DataStart(source, member, start)) return code;
    Output output(member, sink, progress);
    // Some writers mark an empty member as deflated with no stream at all.
    if (member.Size == 0 && member.CompressedSize == 0) return output.Finish();
    return member.Method == kStored ? CopyStored(source, start, member, output)
                                    : Inflate(source, start, member, output);
  } catch (const std::bad_alloc&) {
    return kSpiNoMemory;
  }
}
