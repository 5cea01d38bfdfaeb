#pragma once
// Reading one member's bytes: stored or deflated, checked against its CRC,
// and never more than it declares, so that neither a member claiming a huge
// size nor one whose stream inflates past its size costs memory or time.

#include <cstdint>
#include <functional>

#include "companions/zip/byte_source.h"
#include "companions/zip/zip_directory.h"

// Declared sizes above this are refused.
constexpr uint64_t kMaxZipMemberSize = 1u << 30;
// No deflate stream yields more than 1032 bytes for each byte of input (a
// 258-byte match coded in two bits); a declared size beyond that cannot be
// true, so nothing is allocated for it.
constexpr uint64_t kMaxDeflateRatio = 1032;

// Where a member's bytes go as they are produced; false stops with a write error.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual bool Write(const uint8_t* data, size_t size) = 0;
};

// Bytes done and the member's size; false cancels.
using ZipProgress = std::function<bool(uint64_t done, uint64_t total)>;

// Whether the member can be read at all, decided before anything is
// allocated: 0; 2 for an encrypted member or an unknown method; 4 for a
// declared size over the limit; 3 for sizes no stream of that method can have.
int32_t CheckZipMember(const ZipMember& member);

// CheckZipMember, then the member's local header and data, all of it written
// to sink: exactly member.Size bytes on success. 1 when progress cancels, 2
// when the CRC does not match, 3 for a broken header or stream (also one
// that yields more or fewer bytes than declared), 6 when reading fails, 9
// when the sink refuses. On failure the sink may hold a part of the member.
int32_t ExtractZipMember(ByteSource& source, const ZipMember& member, ByteSink& sink,
                         const ZipProgress& progress = nullptr);
