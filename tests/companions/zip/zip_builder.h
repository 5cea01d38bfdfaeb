#pragma once
// ZIP archives made in code for the tests: members stored or deflated, with
// the flags, sizes, times and ZIP64 records a test asks for, and with the
// faults it wants planted.

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

struct ZipRecipe {
  std::string Name;
  std::string Data;
  uint16_t Method = 8;
  bool Utf8 = false;
  bool Encrypted = false;
  bool Zip64 = false;  // 32-bit fields saturated, the values in a ZIP64 field
  bool HasUnixTime = false;
  uint32_t UnixTime = 0;
  uint16_t DosTime = 0x3A21;  // 07:17:02
  uint16_t DosDate = 0x50A6;  // 2020-05-06
  // Planted faults: values written instead of the true ones.
  bool WrongCrc = false;
  int64_t DeclaredSize = -1;
  // A stream to store as the member's data instead of Data's own.
  bool RawStream = false;
};

// Raw deflate (no zlib wrapper), as ZIP stores it.
inline std::string Deflate(const std::string& data, int level = 9) {
  z_stream s{};
  deflateInit2(&s, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&s, static_cast<uLong>(data.size())), '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = reinterpret_cast<Bytef*>(out.data());
  s.avail_out = static_cast<uInt>(out.size());
  deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}

class ZipBuilder {
 public:
  // Bytes before the archive (a self-extracting stub); offsets stay as if it
  // were not there, as when a stub and an archive are simply joined...
  std::string Prefix;
  // ...unless set (before the first member is added): then they count from
  // the stub's start, as builders of self-extracting archives adjust them.
  bool OffsetsFromStub = false;
  // Written into the end record instead of the directory's true offset.
  int64_t DirectoryOffset = -1;
  // The end records are ZIP64 ones.
  bool Zip64End = false;

  ZipBuilder& Add(const ZipRecipe& r) {
    const uint32_t crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(r.Data.data()),
                                                     static_cast<uInt>(r.Data.size()))) ^
                         (r.WrongCrc ? 1u : 0u);
    const std::string stored = r.RawStream || r.Method != 8 ? r.Data : Deflate(r.Data);
    const uint64_t size = r.DeclaredSize >= 0 ? static_cast<uint64_t>(r.DeclaredSize) : r.Data.size();
    const uint16_t flags = static_cast<uint16_t>((r.Encrypted ? 1 : 0) | (r.Utf8 ? 1 << 11 : 0));
    const uint64_t offset = Shift() + body_.size();

    std::string extra;
    if (r.Zip64) {
      Put16(extra, 1);
      Put16(extra, 24);
      Put64(extra, size);
      Put64(extra, stored.size());
      Put64(extra, offset);
    }
    if (r.HasUnixTime) {
      Put16(extra, 0x5455);
      Put16(extra, 5);
      extra += '\1';
      Put32(extra, r.UnixTime);
    }
    const uint32_t size32 = r.Zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(size);
    const uint32_t stored32 = r.Zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(stored.size());
    const uint32_t offset32 = r.Zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(offset);

    Put32(body_, 0x04034b50);
    Put16(body_, 20);
    Put16(body_, flags);
    Put16(body_, r.Method);
    Put16(body_, r.DosTime);
    Put16(body_, r.DosDate);
    Put32(body_, crc);
    Put32(body_, stored32);
    Put32(body_, size32);
    Put16(body_, static_cast<uint16_t>(r.Name.size()));
    Put16(body_, 0);
    body_ += r.Name + stored;

    Put32(directory_, 0x02014b50);
    Put16(directory_, 45);
    Put16(directory_, 20);
    Put16(directory_, flags);
    Put16(directory_, r.Method);
    Put16(directory_, r.DosTime);
    Put16(directory_, r.DosDate);
    Put32(directory_, crc);
    Put32(directory_, stored32);
    Put32(directory_, size32);
    Put16(directory_, static_cast<uint16_t>(r.Name.size()));
    Put16(directory_, static_cast<uint16_t>(extra.size()));
    Put16(directory_, 0);  // comment
    Put16(directory_, 0);  // disk
    Put16(directory_, 0);  // internal attributes
    Put32(directory_, 0);  // external attributes
    Put32(directory_, offset32);
    directory_ += r.Name + extra;
    ++count_;
    return *this;
  }

  ZipBuilder& File(const std::string& name, const std::string& data, uint16_t method = 8) {
    ZipRecipe r;
    r.Name = name;
    r.Data = data;
    r.Method = method;
    return Add(r);
  }
  ZipBuilder& Folder(const std::string& name) { return File(name, "", 0); }

  std::string Bytes() const {
    std::string out = Prefix + body_;
    const uint64_t directoryAt = Shift() + body_.size();
    const uint64_t recorded = DirectoryOffset >= 0 ? static_cast<uint64_t>(DirectoryOffset) : directoryAt;
    out += directory_;
    if (Zip64End) {
      const uint64_t recordAt = out.size() - Prefix.size();
      Put32(out, 0x06064b50);
      Put64(out, 44);
      Put16(out, 45);
      Put16(out, 45);
      Put32(out, 0);
      Put32(out, 0);
      Put64(out, count_);
      Put64(out, count_);
      Put64(out, directory_.size());
      Put64(out, recorded);
      Put32(out, 0x07064b50);
      Put32(out, 0);
      Put64(out, recordAt + Shift());
      Put32(out, 1);
    }
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, Zip64End ? 0xFFFF : static_cast<uint16_t>(count_));
    Put16(out, Zip64End ? 0xFFFF : static_cast<uint16_t>(count_));
    Put32(out, Zip64End ? 0xFFFFFFFF : static_cast<uint32_t>(directory_.size()));
    Put32(out, Zip64End ? 0xFFFFFFFF : static_cast<uint32_t>(recorded));
    Put16(out, 0);
    return out;
  }

  static void Put16(std::string& s, uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
  }
  static void Put32(std::string& s, uint32_t v) {
    Put16(s, static_cast<uint16_t>(v));
    Put16(s, static_cast<uint16_t>(v >> 16));
  }
  static void Put64(std::string& s, uint64_t v) {
    Put32(s, static_cast<uint32_t>(v));
    Put32(s, static_cast<uint32_t>(v >> 32));
  }

 private:
  uint64_t Shift() const { return OffsetsFromStub ? Prefix.size() : 0; }

  std::string body_;
  std::string directory_;
  uint64_t count_ = 0;
};
