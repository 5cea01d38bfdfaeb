#pragma once
// Random access to the bytes of an archive, from a file or from memory, so
// that the directory reader and the extractor never depend on where the
// archive lies.

#include <cstddef>
#include <cstdint>
#include <cstring>

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Exactly size bytes at offset, or false (and nothing promised in buffer).
  virtual bool Read(uint64_t offset, void* buffer, size_t size) = 0;
};

class MemorySource final : public ByteSource {
 public:
  MemorySource(const void* data, size_t size) : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool Read(uint64_t offset, void* buffer, size_t size) override {
    if (offset > size_ || size > size_ - offset) return false;
    if (size) std::memcpy(buffer, data_ + offset, size);
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};
